// Reading one DICOM file into a formatted attribute list: the header reader that walks
// the file element by element, follows the transfer syntax named in the file meta
// information, keeps values of up to 1024 bytes, and then nests, checks and complements
// the list from the dictionary.
#pragma once

#include <cstdint>

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

// Every tag: the bound of DICOMDIR_Scan_Read_Until that reads the whole file.
enum : uint32_t { DICOMDIR_SCAN_ALL = 0xFFFFFFFFu };

// The tag (group, element) as one number, group in the high half, which orders tags as
// the data set does.
constexpr uint32_t DICOMDIR_Scan_Tag(uint16_t group, uint16_t element) { return (uint32_t)group << 16 | element; }

// As DICOMDIR_Scan_Read, but the walk stops at the first top-level element whose tag
// lies past `last` (DICOMDIR_Scan_Tag): that element and everything after it (pixel data,
// the tail of the file) are never read nor reported on. Sequences and items met before
// it are walked as always, so the nesting of what was read is the same as in a full
// read, and so is every top-level element up to `last` in a file whose top-level tags
// ascend, as the standard orders them. The walk does not stop before it has met the
// Study Instance UID (0020,000D) at the top level: a file that holds it out of order,
// after `last`, still gives it, and a file without one is read whole, as before.
// DICOMDIR_SCAN_ALL reads everything.
DICOM_Attribute *DICOMDIR_Scan_Read_Until(const char *path, DICOM_Sequence_Root *root, uint32_t last);

// The same walk over any byte source positioned at the first element (for example a
// memory block, or a file read request by request), up to the source's size, which
// also bounds every length. A source of unknown size gives no element. The source is
// left open (unless a failed seek closed a file source).
DICOM_Attribute *DICOMDIR_Scan_Source(NEMA_Source *source, DICOM_Sequence_Root *root);

// DICOMDIR_Scan_Source with the early stop of DICOMDIR_Scan_Read_Until.
DICOM_Attribute *DICOMDIR_Scan_Source_Until(NEMA_Source *source, DICOM_Sequence_Root *root, uint32_t last);
