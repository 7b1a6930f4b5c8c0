// Cataloguing from a DICOMDIR: when the top of a scanned folder holds a DICOMDIR, the
// files its records name are filed from the records' keys, and only the files it does
// not cover have their headers read. On a CD or a network share that is one read in
// place of one per file.
#pragma once

#include <cstdint>
#include <vector>

#include "dicom/DICOM_Media_Directory.h"

// The DICOMDIR's keys for the files of one scan, one slot per file.
struct Media_Directory_Keys {
  std::vector<DICOM_Media_Entry> entries;      // as read; they own the lists
  std::vector<DICOM_Attribute *> of_file;      // per file of the scan: its keys, or null
  int used = 0;                                // files with keys
};

// Reads `folder`/DICOMDIR (or "dicomdir"), when there is one, and gives each of `paths` (full paths of
// the scan's files, below `folder`) the merged keys of the record that names it, when:
// the record holds every tag of `needed` (ascending DICOMDIR_Scan_Tag values; Content
// Date (0008,0023) is not needed when the record has a Study Date, a tag of group 0
// never; in a DICOMDIR this program wrote, a key its records take whenever the file
// holds it and that the record lacks is missing from the file too), and the file is no
// newer than the DICOMDIR. A file matches its record by its
// path below `folder`, exactly, else without regard to case (media mounted with
// lower-case names). A record whose file does not exist gives a warning (at most
// MEDIA_DIRECTORY_MISSING_SHOWN lines, then one with the count of the rest). A
// DICOMDIR that cannot be read, or is not one, leaves every slot null, said at trace
// level 1 only: the files are then read as if it were not there.
// The lists belong to the result and live as long as it; the caller may change their
// values (the catalogue decodes texts in place) but not free them.
Media_Directory_Keys Media_Directory_Keys_For(const char *folder, const std::vector<const char *> &paths,
                                             const std::vector<uint32_t> &needed);

enum { MEDIA_DIRECTORY_MISSING_SHOWN = 10 };
