// Value decoding: typed values from the raw bytes of one attribute. Each decoder picks
// its reading by the attribute's VR, sets the attribute's `vm` to the number of values
// and returns a pointer into a pool of 128 result slots owned by the library; the slot is
// reused 128 calls of the same decoder later, so a result stays valid for the next 127
// calls (copy what you keep longer). Two threads that decode at once never share a slot.
//
// Every decoder takes (owner, attribute, VR): VR 0 means the attribute's own VR, else its
// dictionary VR. It sets `vm` to 0 on entry and returns nullptr, with `vm` 0, for a VR
// it does not take (a trace at level 4 names it), for an empty value, and for a value the
// header reader skipped (over 1024 bytes) when no value source is set or the value cannot
// be read from it. "Split" below: cut at every backslash, one value per part.
#pragma once

#include <cstdint>

#include "dicom/NEMA_Tag_Attribute.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "platform/os/window_handle.h"

// DA ("yyyymmdd", "yymmdd" or "yyyy.mm.dd" by size) and DT: one unresolved date.
Ardent_Date *DICOM_Value_Date(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// TM ("hhmmss.ffffff" or "hh:mm:ss.ffff"): one unresolved time of the first 10 characters.
// DT: the time part, resolved, with the value's UTC offset added to hour and minute;
// an empty time (type 0) when the value has no time part.
Ardent_Time *DICOM_Value_Time(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// IS and DS (split text), FL and FD (stored numbers; the size must be a multiple of 4 or
// 8): `vm` floats.
float *DICOM_Value_Float(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// IS and DS (split text, DS truncated toward zero); US and UH (unsigned) and SS and OW
// (signed) 16-bit; UL, SL and AT 32-bit; RT as US for 2 bytes, UL for 4: `vm` integers.
// Only complete units are read.
int32_t *DICOM_Value_Int(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// OB, OW, OX and UN: a copy of the `size` bytes as they stand; `vm` 1.
unsigned char *DICOM_Value_Buffer(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// PN (split, then each value at its carets into family, given, middle, prefix and
// suffix; only the first component group, before any '='): `vm` names, an empty value
// giving a name with count 0.
Ardent_Name *DICOM_Value_Name(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// AE, CS, LO, SH, UC and UI (split, each value as it stands, an empty one nullptr); AS,
// LT, ST, UT, UR, OB and UN (the whole value as one string): `vm` strings.
char **NEMA_Value_Str(Window_Handle owner, DICOM_Attribute *tag, uint16_t VR);

// ---- the value source ---------------------------------------------------------------------------
// Where values the header reader skipped are read from when a decoder needs them. The
// bytes read become the attribute's `data` (owned by the attribute). Set it before
// decoding starts, from one thread; it starts unset.

// The file `path` (copied); values are read at the attributes' value positions (in a
// file with a deflated data set, positions in its inflated stream: the file is inflated
// again for each value read).
void NEMA_Value_Source_File(const char *path);
// The block of `size` bytes at `base` (not copied; must outlive its use), positions
// counted from `base`.
void NEMA_Value_Source_Memory(const void *base, int64_t size);
// No source: skipped values decode to nothing.
void NEMA_Value_Source_Clear();

// Frees every result pool (results handed out before become invalid) and clears the
// value source. Called by DICOM_Library_Release.
void NEMA_Read_Value_Release();
