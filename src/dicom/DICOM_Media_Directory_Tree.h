// The in-memory tree of a DICOMDIR, shared by its builder, its writer and its reader: one
// node per directory record, each holding its record's keys as an attribute list in
// ascending tag order (from (0004,1430) Directory Record Type on); the loading of an
// existing DICOMDIR into it; and the small value helpers all three use. Internal to the
// DICOMDIR files of this library.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

namespace Media_Directory {

inline constexpr char UNIT[] = "DICOM_Media_Directory";  // the source named in error reports

enum : uint16_t {
  DIR_GROUP = 0x0004,
  FILE_SET_ID = 0x1130,
  FIRST_ROOT = 0x1200,
  LAST_ROOT = 0x1202,
  CONSISTENCY = 0x1212,
  RECORD_SEQUENCE = 0x1220,
  NEXT_RECORD = 0x1400,
  IN_USE = 0x1410,
  LOWER_RECORD = 0x1420,
  RECORD_TYPE = 0x1430,
  FILE_ID = 0x1500,
  FILE_CLASS = 0x1510,
  FILE_INSTANCE = 0x1511,
  FILE_SYNTAX = 0x1512,
  RECORD_IN_USE = 0xFFFF,
  ITEM_GROUP = 0xFFFE,
  ITEM_TAG = 0xE000,
};
enum {
  FILE_ID_PART_MAX = 8,    // characters of one path part
  FILE_ID_PARTS_MAX = 8,   // parts of one Referenced File ID
  FILE_SET_ID_MAX = 16,
  TREE_DEPTH_MAX = 16,     // record levels followed in an existing directory
  GENERATED_DIGITS = 1000000,
};

inline constexpr char IMAGE_TYPE[] = "IMAGE";
inline constexpr char PATIENT_TYPE[] = "PATIENT";
inline constexpr char STUDY_TYPE[] = "STUDY";
inline constexpr char SERIES_TYPE[] = "SERIES";

// `size` bytes of `data` without trailing blanks and NULs or leading blanks.
std::string Trimmed(const unsigned char *data, int32_t size);

// The first record (group, element) of `list` (not descending into items), or nullptr.
const DICOM_Attribute *Find(const DICOM_Attribute *list, uint16_t group, uint16_t element);

// The trimmed value of record (group, element) of `list`, "" when absent.
std::string Text(const DICOM_Attribute *list, uint16_t group, uint16_t element);

// A UL (size 4) or US (size 2) value of the directory group read in the record's byte
// order; -1 when absent or of another size.
int64_t Number(const DICOM_Attribute *list, uint16_t element, int32_t size);

// A fresh record (group, element, vr) holding `value` (unpadded; the writer pads), or
// nullptr when memory runs out (reported).
DICOM_Attribute *Make_Record(Window_Handle owner, uint16_t group, uint16_t element, uint16_t vr,
                             const std::string &value);

// A deep copy of `source` and its items, unlinked; nullptr when memory runs out (reported).
DICOM_Attribute *Copy_Record(Window_Handle owner, const DICOM_Attribute *source);

struct Node {
  DICOM_Attribute *keys = nullptr;  // owned, ascending, from (0004,1430) on
  std::string type, key;            // record type; Patient ID, study, series or instance UID
  std::vector<Node *> children;
  Window_Handle owner = nullptr;
  ~Node()
  {
    DICOM_Sequence_Root top{};
    DICOM_Attribute_Delete(owner, &top, &keys, 0xFFFF, 0xFFFF);
  }
};

struct Directory {
  std::vector<std::unique_ptr<Node>> nodes;
  std::vector<Node *> roots;
  std::set<std::string> instances, patient_ids, study_ids;
  std::string file_set_id, instance_uid;
  std::string character_set;  // the DICOMDIR's own Specific Character Set
  bool written_here = false;  // its implementation class UID is this library's
  struct stat read_from{};  // the DICOMDIR loaded, when `loaded`
  bool loaded = false;
  unsigned patient_counter = 0, study_counter = 0;
};

// The key that tells a node from its siblings: the Patient ID, the study or series UID,
// or the leaf's Referenced SOP Instance UID in File.
std::string Key_Of(const Node &node);

// Loads the DICOMDIR `path` into `*directory`, following its offsets from the root: only
// records a reader would reach are kept, every offset must land on an item, no record is
// reached twice, and records marked unused are dropped with what lies below them.
// Returns 1; returns 0 after reporting as message `kind` ("... refused: WHY; left as it is")
// when the file is not a regular file, not readable whole, not a DICOMDIR, damaged or
// truncated, or its records do not chain.
int Load_Directory(Window_Handle owner, const char *path, Directory *directory, int kind);

// The tags that the records above and of a leaf of `record_type` take from a file when
// the file holds them (ascending, DICOMDIR_Scan_Tag); empty for a type this library
// does not write. Lives as long as the program.
const std::vector<uint32_t> &Tags_Taken(const std::string &record_type);

// The top-level tags Add_File reads of a file's header, ascending (DICOMDIR_Scan_Tag):
// the keys of the records of a file of SOP class `sop_class` (null: of every record
// kind), the file's identity and what missing keys are made from. Built once per record
// kind; lives as long as the program.
const std::vector<uint32_t> &Header_Tags(const char *sop_class);

// Adds the file `path` (relative to the DICOMDIR, "/" between parts) with header `file`
// to `*directory`, with the PATIENT, STUDY and SERIES records it needs; generated keys
// and a file left out each append one line to `*notices`. `file` is the header as the
// reader gives it: a file-set holds PS3.10 files only, told by where their meta group
// stands. Returns 1 when added, 0 when left out, -1 when memory ran out (reported).
int Add_File(Window_Handle owner, Directory *directory, std::vector<std::string> *notices, const std::string &path,
             const DICOM_Attribute *file);

}  // namespace Media_Directory
