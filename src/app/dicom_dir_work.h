// Filing one file's header in the catalogue, and the display text of an attribute.
#pragma once

#include "app/catalogue.h"
#include "dicom/NEMA_Tag_Attribute.h"

// Files the file entry `entry`, whose header was read into `list` (may be null), in
// `catalogue`: under the first study whose Study Instance UID (0020,000D) equals the
// file's (a new study when none does), then under the first series of that study whose
// Series Instance UID (0020,000E) equals the file's (a new series when none does); sets
// the entry's Images_UID, image_number and image columns. `root` is the list's sequence
// context (at depth 0).
// Returns 1 when the file was placed in a series; returns 0 after a warning when the
// Study or Series UID is missing or has no value, or the SOP Instance UID has no value
// (the file then stays in its series), or after a memory-error message. What was done
// to the study before a failure stays (the study counts the file in nb_file).
int Catalogue_Add_File(item_catalogue *catalogue, item_file *entry, DICOM_Attribute *list, DICOM_Sequence_Root *root);

// The value of `attribute` as a display text, its values joined by ", ", chosen by its
// VR (or its dictionary VR when the file had none). Returns nullptr for a value longer
// than 1024 bytes or a null attribute, "" for a VR without a text form. The text lives
// in a per-thread buffer that the thread's next call overwrites.
const char *Attribute_Text(DICOM_Attribute *attribute);
