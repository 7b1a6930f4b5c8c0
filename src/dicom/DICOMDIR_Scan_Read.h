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

// As DICOMDIR_Scan_Read_Until up to the last of the tags `needed` (DICOMDIR_Scan_Tag,
// ascending, `count` of them, at least one; not copied), but at the top level only those tags get a
// record, with what decides how they read: the file meta group (0002), the Specific
// Character Set (0008,0005) and the private creators (gggg,0010-00FF). A sequence of
// defined length that the file holds whole is passed over like any other element; one
// of undefined length (or cut short) keeps its record and everything in it, and so does
// whatever the nesting of the list may read as a container (items and delimiters,
// elements of unknown VR): the records it gives are those of DICOMDIR_Scan_Read_Until,
// nested the same, less the top-level elements nobody asked for, whose values are
// skipped unread. For readers that look up a known set of top-level tags (filing, copy
// names). The element reader's warnings are those of DICOMDIR_Scan_Read_Until but for
// the insides of the sequences passed over; what the nesting, the VR check and the
// complement say about a record (retired tags, VR mismatches, tag order: the library's
// own kinds, dicom/NEMA_Log.h) and the listings of trace levels 6 and up leave out the
// elements passed over.
DICOM_Attribute *DICOMDIR_Scan_Read_Tags(const char *path, DICOM_Sequence_Root *root, const uint32_t *needed,
                                         int count);

// As DICOMDIR_Scan_Read_Tags over the open regular file `fd` (readable; read from its
// start, whatever its position, which may move) of `size` bytes, named `path` in
// messages; `fd` stays open.
DICOM_Attribute *DICOMDIR_Scan_Read_Open_Tags(int fd, const char *path, int64_t size, DICOM_Sequence_Root *root,
                                              const uint32_t *needed, int count);

// The same walk over any byte source positioned at the first element (for example a
// memory block, or a file read request by request), up to the source's size, which
// also bounds every length. A source of unknown size gives no element. The source is
// left open (unless a failed seek closed a file source).
DICOM_Attribute *DICOMDIR_Scan_Source(NEMA_Source *source, DICOM_Sequence_Root *root);

// DICOMDIR_Scan_Source with the early stop of DICOMDIR_Scan_Read_Until.
DICOM_Attribute *DICOMDIR_Scan_Source_Until(NEMA_Source *source, DICOM_Sequence_Root *root, uint32_t last);

// DICOMDIR_Scan_Source with the records of DICOMDIR_Scan_Read_Tags.
DICOM_Attribute *DICOMDIR_Scan_Source_Tags(NEMA_Source *source, DICOM_Sequence_Root *root, const uint32_t *needed,
                                           int count);
