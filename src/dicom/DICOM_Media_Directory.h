// The DICOMDIR of a file-set (PS3.10 section 8, the Basic Directory IOD of PS3.3 Annex F,
// the General Purpose profiles STD-GEN-CD/DVD/USB of PS3.11): building one for a folder of
// DICOM files, merging new files into an existing one, and reading one back as the list
// of the files it names. The directory is a tree of records, PATIENT > STUDY > SERIES >
// one leaf record per file (IMAGE, SR DOCUMENT, PRESENTATION, ...), kept in one
// sequence whose items point at each other by byte offsets inside the file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// The media storage SOP class of a DICOMDIR.
#define DICOM_MEDIA_DIRECTORY_CLASS "1.2.840.10008.1.3.10"
// The DICOMDIR's own file name in the file-set's root folder.
#define DICOM_MEDIA_DIRECTORY_NAME "DICOMDIR"

// One file to enter in the directory.
struct DICOM_Media_File {
  std::string path;                       // relative to the DICOMDIR's folder, "/" between parts
  const DICOM_Attribute *list = nullptr;  // its header (DICOMDIR_Scan_Read), or null: read here
};

// One file named by a directory, with the keys of its record and of the records above it.
struct DICOM_Media_Entry {
  std::string path;               // Referenced File ID as a relative path, "/" between parts
  std::string record_type;        // "IMAGE", "SR DOCUMENT", ...
  // The keys of the leaf record and of the records above it as one attribute list, as a
  // header read gives them: ascending tags, the nearest record's where two hold a tag,
  // Referenced SOP Class, SOP Instance and Transfer Syntax UIDs in File as (0008,0016),
  // (0008,0018) and (0002,0010), and the DICOMDIR's Specific Character Set when no record
  // names one. Shared by copies of the entry; null when memory ran out (reported).
  std::shared_ptr<DICOM_Attribute> keys;
  // For a DICOMDIR this library wrote: the tags its records take from a file whenever the
  // file holds them (ascending, DICOMDIR_Scan_Tag), so that one of these missing from
  // `keys` is missing from the file too. Null for a DICOMDIR written elsewhere.
  const std::vector<uint32_t> *taken = nullptr;
};

// Creates `folder`/DICOMDIR for `files`, or, when one is there, merges them into it.
// Each file becomes one leaf record under the PATIENT (by Patient ID), STUDY (by Study
// Instance UID) and SERIES (by Series Instance UID) records, existing records being
// reused; a file whose SOP Instance UID the directory already holds is not added again.
// Every path part must be 1 to 8 characters of A-Z, 0-9 and "_", 8 parts at most.
// A required key a file lacks is generated (Patient ID "HDPAT" + 6 digits, Study ID
// "HDSTUDY" + 6 digits, Series and Instance Numbers, Modality "OT", Study Date and
// Time from the series, acquisition or content date and time, else 19000101 and 000000);
// each generated value, and each file left out (unreadable, a path outside the rules,
// no SOP, study or series UID, already in the directory), gives one line in `*notices`
// (appended; the caller shows and audits them). `file_set_id` (CS: up to 16 of A-Z,
// 0-9, "_" and space; null keeps an existing one, else empty).
// The new DICOMDIR is written under a hidden name in `folder` and renamed over the old
// one only when whole, and only if the old one is still the file that was read.
// Returns 1 when written, or when nothing was new (the DICOMDIR is then left untouched);
// returns 0 after reporting as MSG_ERROR when an existing DICOMDIR is not a regular file,
// cannot be read whole, is not a directory or its records do not chain (truncated,
// cyclic, offsets pointing nowhere): it is then left as it was. Not thread-safe for one
// folder; any thread otherwise.
int DICOM_Media_Directory_Write(Window_Handle owner,
                                const char *folder,                        // file-set root
                                const std::vector<DICOM_Media_File> &files,  // files to add
                                const char *file_set_id,                   // File-set ID, or null
                                std::vector<std::string> *notices);        // lines appended

// The top-level tags a file's header must hold for the directory (ascending,
// DICOMDIR_Scan_Tag): with null, what DICOMDIR_Scan_Read_Tags reads of each file, for a
// file of any SOP class; else what a file of SOP class `sop_class` needs for its records
// ("": a class with IMAGE records, the kind most files get). Lives as long as the program.
const std::vector<uint32_t> &DICOM_Media_Directory_Tags(const char *sop_class = nullptr);

namespace Media_Directory {
struct Directory;
}

// A new DICOMDIR built file by file, for a writer that has each file's header in hand
// as it goes (a copy names its files from their headers): the same DICOMDIR that
// DICOM_Media_Directory_Write makes of the same files in the same order, without
// reading them again. Only for a folder without a DICOMDIR: an existing one is merged
// by DICOM_Media_Directory_Write.
class DICOM_Media_Directory_New {
 public:
  explicit DICOM_Media_Directory_New(const char *folder);  // the file-set root
  ~DICOM_Media_Directory_New();
  DICOM_Media_Directory_New(const DICOM_Media_Directory_New &) = delete;
  DICOM_Media_Directory_New &operator=(const DICOM_Media_Directory_New &) = delete;

  // Enters `file` as DICOM_Media_Directory_Write enters a file (its header read here
  // when it comes without), with the same notices. Returns 1 when entered, 0 when left
  // out, -1 when memory ran out (reported: nothing can be written).
  int Add(Window_Handle owner, const DICOM_Media_File &file, std::vector<std::string> *notices);

  // Writes `folder`/DICOMDIR as DICOM_Media_Directory_Write does. Returns 1 when
  // written; 0 after reporting as MSG_ERROR; -1, writing nothing and saying nothing,
  // when a DICOMDIR has appeared in the folder meanwhile (merge with
  // DICOM_Media_Directory_Write).
  int Write(Window_Handle owner);

 private:
  std::string folder_;
  std::unique_ptr<Media_Directory::Directory> directory_;
  bool failed_ = false;
};

// The value of (group, element) in `entry`'s keys as stored (in the character set the
// keys name), padding removed; "" when absent.
std::string DICOM_Media_Entry_Text(const DICOM_Media_Entry &entry, uint16_t group, uint16_t element);

// Reads the DICOMDIR `path` and appends to `*entries` one entry per leaf record that
// names a file (Referenced File ID), in directory order. A Referenced File ID with an
// empty, "." or ".." part is left out, with a warning in `*entries`' stead (MSG_WARNING).
// Returns 1 when read; returns 0 after reporting as message `refusal_kind` (MSG_ERROR,
// or a trace level for a caller that has another way) under the same refusals as
// DICOM_Media_Directory_Write (`*entries` then unchanged).
int DICOM_Media_Directory_Read(Window_Handle owner, const char *path, std::vector<DICOM_Media_Entry> *entries,
                               int refusal_kind);
