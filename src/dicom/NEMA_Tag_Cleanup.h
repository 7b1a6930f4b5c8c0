// Attribute cleanup by VR: brings the value of one attribute into the form its VR
// requires (padding, character set, length of each value, even length, size of numeric
// values, legacy date and time forms), checks the value count against the dictionary,
// turns big-endian numbers into little endian, and orders a nested list by tag. The
// messages go out with the library's notice kind (what was mended in place) or warning
// kind (what was cut, converted or refused), both silent by default (dicom/NEMA_Log.h);
// the flags DICOM_FLAG_REPAIRED and DICOM_FLAG_INVALID keep the outcome visible.
#pragma once

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// Cleans the value of `record` by its VR (the file VR, else the dictionary VR), then,
// when that succeeded, checks the number of values against the first VM range of the
// record's dictionary entry (looked up when the record has none; retired entries and
// entries without VR are not checked).
// Returns 1 when the value is acceptable after cleanup, or when the record holds no
// bytes; returns 0 when:
//   - the VR cleanup fails (the value is refused: the record then holds no bytes,
//     `data` null and `size` 0),
//   - the VR has no cleanup (the value is left as it was),
//   - the value count does not fit the dictionary (the value stays; DICOM_FLAG_INVALID
//     is set),
//   - memory runs out (reported as MSG_ERROR; the value is refused).
// The value may be replaced by a new allocation (owned by the record, freed by
// DICOM_Attribute_Free); a value held inside the record (DICOM_Attribute_New) is left
// in place and no longer used. Sets DICOM_FLAG_REPAIRED when a value is cut or
// reshaped, DICOM_FLAG_INVALID when it is out of range or has the wrong count.
// Not thread-safe for one record; distinct records may be cleaned from any thread.
int DICOM_Attribute_Cleanup_Tag(Window_Handle owner, DICOM_Attribute *record);

// Turns the big-endian numbers of `record` into little endian in place, when it holds
// bytes and its mode has the big-endian bit: by VR (file VR, else dictionary VR) FD
// reverses each 8 bytes, FL, OF, SL and UL each 4 bytes, OW, SS, US and AT (group and
// element) each 2 bytes; other VRs keep their bytes; then the bit is cleared.
// Returns 1; returns 0 (with the warning "Invalid data! Expecting ...") when the size
// of one of these VRs is not a multiple of its unit: no byte changes and the mode keeps
// its bit, so the value still decodes as it was read.
int DICOM_Attribute_Cleanup_Swab(Window_Handle owner, DICOM_Attribute *record);

// Orders by tag (group, then element) the list that the root's path names below
// `*list`, and, recursively, every item list of every sequence in it. The order is
// stable (records with equal tags keep their order). Every list stays valid: its first
// record keeps the link to its last record, the others hold none. `*list` may change
// when the path is at depth 0. Returns 1 (also for an empty list or a missing path).
int DICOM_Attribute_Sort(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute **list);
