// Text values in UTF-8 for the readers of a data set's texts (the catalogue, copy names,
// the dump): string values rewritten in place from the data set's Specific Character Set
// into UTF-8 before the value decoders split and parse them. Decoding comes
// first because in the ISO 2022 sets the bytes of '^', '=' and '\' can be halves of a
// two-byte character; after it they are delimiters only.
#pragma once

#include <cstdint>
#include <string>

#include "dicom/NEMA_Tag_Attribute.h"

// Whether the `size` bytes at `bytes` need decoding: a byte from 0x80 up or an escape
// sequence (values of ASCII only read the same in every character set).
bool DICOM_Text_Needs_Decoding(const unsigned char *bytes, int32_t size);

// The stored text of the (0008,0005) record of `list` itself (not of its items), or
// `inherited` when the list has none.
std::string DICOM_Character_Set_Of(const DICOM_Attribute *list, const std::string &inherited);

// Rewrites the value of `attribute` (a record of the data set `data_set`, the top-level
// list whose (0008,0005) applies) from that character set into UTF-8, in place and once:
// the record is marked DICOM_FLAG_UTF8 and a later call leaves it. Values not read,
// other VRs than strings (UIDs included: they are keys), and values of ASCII only (no byte from 0x80 up, no escape
// sequence) stay as they are, without a look at the character set, so a reader pays a
// byte scan per text it uses and nothing more on plain files. Bytes that do not decode
// become U+FFFD, after a notice naming the tag and the character set. Returns 1; returns
// 0 when some bytes did not decode, or when the new value could not be allocated (the old
// one is kept, after the memory message).
int DICOM_Attribute_To_UTF8(Window_Handle owner, DICOM_Attribute *attribute, const DICOM_Attribute *data_set);
