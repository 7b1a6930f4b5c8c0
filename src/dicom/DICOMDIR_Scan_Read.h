// Reading one DICOM file into a formatted attribute list: the header reader that walks
// the file element by element, follows the transfer syntax named in the file meta
// information, keeps values of up to 1024 bytes, and then nests, checks and complements
// the list from the dictionary.
#pragma once

#include "dicom/NEMA_Source.h"
#include "dicom/NEMA_Tag_Attribute.h"

// Reads the file `path`: a Part 10 file from byte 132, after its preamble and "DICM";
// a file without them from byte 0. The file is read
// in blocks of 16 KiB through a window kept per thread; values over 1024 bytes are
// skipped, never read.
// Returns the nested, complemented list, owned by the caller, who releases it with
// DICOM_Attribute_Delete(..., 0xFFFF, 0xFFFF); returns nullptr when the file cannot be
// opened or sought or the list cannot be formatted, after reporting it. A file with
// no readable element gives an empty list (nullptr without a report).
// `root` is reset on entry and stands at depth 0 on return.
DICOM_Attribute *DICOMDIR_Scan_Read(const char *path, DICOM_Sequence_Root *root);

// The same walk over any byte source positioned at the first element (for example a
// memory block, or a file read request by request), up to the source's size, which
// also bounds every length. A source of unknown size gives no element. The source is
// left open (unless a failed seek closed a file source).
DICOM_Attribute *DICOMDIR_Scan_Source(NEMA_Source *source, DICOM_Sequence_Root *root);
