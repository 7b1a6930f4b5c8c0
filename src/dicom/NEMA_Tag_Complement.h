// Completing an attribute list from the dictionary: the VR check and derivation applied
// to each record while the list is nested, and the complement that gives every record
// its dictionary entry, dictionary VR and, where the dictionary has none, a description
// (group lengths, private creators and their elements, vendor compression groups, pixel
// data and item tags).
#pragma once

#include "dicom/NEMA_Tag_Attribute.h"
#include "platform/os/window_handle.h"

// Whether `vr` is a VR of the standard (AE ... UV): the VRs a stream may carry.
bool DICOM_VR_Is_Standard(uint16_t vr);

// Checks the VR of one record against the dictionary and derives one where none is known:
// - a VR read from the stream stays only when it is a VR of the standard; OX becomes OW
//   (flag DICOM_FLAG_REPAIRED, warning); any other code becomes 0;
// - a VR that is none of the dictionary's alternatives is kept, with a notice;
// - a dictionary VR of RT becomes US (size 2), UL (size 4) or OB;
// - with neither VR known, DICOM_FLAG_VR_UNKNOWN is set and the dictionary VR is guessed
//   from the value (UI, IS, DS, CS, SH, ST for text; SL, FL, SS for binary numbers).
// Looks the entry up (and sets `dictionary`, and `dictionary_VR` when 0) when missing.
// Item and delimitation tags (group FFFE) are structure, not values: only the first step
// applies to them. Warnings and notices use the library's kinds (dicom/NEMA_Log.h).
void DICOM_Attribute_Check_VR(Window_Handle owner, DICOM_Attribute *record);

// Completes every record of `list` and, recursively, of every item below it: dictionary
// entry and dictionary VR, and the descriptions the dictionary lacks. A private element
// (odd group, element 1000 and up) with a private creator (the element of the same
// group named by its high byte, in the same list) takes its name and VR from that
// creator's private dictionary (DICOM_Module_Private_Dictionary, dicom/NEMA_Read_IOD.h)
// when that knows it, else the creator's text as description. Safe on several threads
// at once for distinct lists. `root` is reset on return. Returns the number of records whose description could not be set
// (allocation failures, reported as MSG_ERROR); 0 normally.
int DICOM_Attribute_Complement(Window_Handle owner, DICOM_Sequence_Root *root, DICOM_Attribute *list);
