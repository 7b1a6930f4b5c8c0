// The data element header reader: reads one element header (tag, VR, value length) from
// a byte source in the encoding the mode byte names, repairs a fixed set of known
// manufacturer encoding faults on the way, and leaves the source at the first byte of
// the value. Items and delimiters come back as ordinary headers; nesting is rebuilt
// later from the order of the attributes (dicom/NEMA_Tag_Attribute.h).
#pragma once

#include <cstdint>

#include "dicom/NEMA_Source.h"
#include "platform/os/window_handle.h"

// Reads the next element header of `source` in encoding `mode` (dicom/NEMA_Read_Data.h).
// `limit` bounds every length: 0 means none, otherwise a length must be below it (an
// undefined length, -1, always passes). On return `VR` holds the two VR characters,
// first in the high byte, or 0 when the element carries none; `length` is -1 for an
// undefined length.
// Returns 1 when a header was read and the source stands at the first byte of its value
// (also for an item or sequence delimiter that ends the data without a length: length
// then 0); returns 0 when no header could be read, with the outputs unspecified; the
// caller stops reading. A length that cannot be followed (2^31 bytes or more, or
// undefined for a delimiter or for an explicit VR other than SQ, OB, OW, OX and UN)
// returns 0 after one MSG_WARNING naming the source, the tag and its offset; the caller
// adds no message of its own. A file source may have been closed (failed seek).
// A header of the file meta group (0002) may turn the source into an inflated source
// (dicom/NEMA_Source.h): when the group names the deflated transfer syntax, the source
// is inflated from the end of the group's last value on, and the walk reads on into
// the inflated data set in explicit VR little endian. The caller must then close the
// source, even a memory one.
int NEMA_Get_Data_Element(Window_Handle owner, NEMA_Source *source, int mode, uint16_t *group,
                          uint16_t *element, int16_t *VR, int32_t *length, int64_t limit);

// The mode in which to start reading the stream at the source's position when no file
// meta information names its encoding, guessed from its first element as pydicom does:
// NEMA_MODE_EXPLICIT for a file meta group (0002, always explicit little endian) and
// for an element whose bytes 4 and 5 are a standard VR, with NEMA_MODE_BIG_ENDIAN too
// when its group read little endian is 0x0400 or more (a big-endian group below 0x0100,
// such as 0008, reads so); 0 (implicit VR little endian) when they are no VR; and
// NEMA_MODE_EXPLICIT, the reader's default, for a stream of fewer than 6 bytes. A guess
// other than the default is told by a notice (NEMA_Notice) naming the source. The
// position is kept.
int NEMA_Guess_Stream_Mode(Window_Handle owner, NEMA_Source *source);

// As NEMA_Get_Data_Element for streams in which every explicit-VR element carries a
// 32-bit length after its VR (Fuji); makes none of the repairs.
int NEMA_Get_Data_Element_Fuji(Window_Handle owner, NEMA_Source *source, int mode, uint16_t *group,
                               uint16_t *element, int16_t *VR, int32_t *length, int64_t limit);
