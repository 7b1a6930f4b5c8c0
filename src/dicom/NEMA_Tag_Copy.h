// The copy rule of attribute records: how one record's fields, value and description
// pass into another. A fresh record takes everything; a record that already holds a
// value keeps it unless the source appends to it; a forced record never changes. The
// list insert copies through it, and the module reader merges the same attribute named
// by several modules with it.
#pragma once

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// Copies `source` into `target` by the copy rule:
// - a target with DICOM_FLAG_FORCED is left as it is;
// - otherwise, when the target has no flags, or a size of 0, or the source carries
//   DICOM_FLAG_APPEND, the target takes the source's level and tag, ORs in its flags,
//   takes its mode, type, VR, dictionary VR, dictionary entry, positions and user word
//   where they are non-zero, its value (a copy; an appending source's value is joined to
//   the target's: text values with a backslash between them, other values byte after
//   byte) and its description (when it has one);
// - any other target is left as it is.
// Links, items and the shared block of the target are never touched. The value of a
// record made by DICOM_Attribute_New stays in its room, unused, when a value replaces it.
// Returns 1 (also when the target is left as it is); returns 0 when memory runs out,
// after reporting it, with the target unchanged. Not thread-safe for one target.
int DICOM_Attribute_Copy_Tag(Window_Handle owner, DICOM_Attribute *target, const DICOM_Attribute *source);

// Whether `vr` holds text whose values are separated by backslashes and padded to an
// even length (AE, AS, CS, DA, DS, DT, IS, LO, LT, PN, SH, ST, TM, UC, UI, UR, UT).
bool DICOM_VR_Is_Text(uint16_t vr);
// The byte that pads a value of `vr` to an even length: a space for the text VRs but
// UI, NUL for UI and every other VR.
char DICOM_VR_Padding(uint16_t vr);
