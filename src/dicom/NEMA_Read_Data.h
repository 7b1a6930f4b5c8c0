// The primitive readers of the DICOM library: raw bytes, 16-, 32- and 64-bit numbers,
// strings and whole value buffers read from a byte source (dicom/NEMA_Source.h) and
// converted by the mode byte, plus the skip operation for values nobody wants.
//
// The mode byte describes the encoding of a stream:
//   0x01 big-endian values            0x02 bytes swapped in 16-bit pairs
//   0x04 no meaning of its own        0x08 explicit VR (clear: implicit VR)
//   0xF0 manufacturer quirk code: 0x10 selects the GE length repair.
// Byte order by mode, for bytes b0 b1 ... as they stand in the source:
//   16-bit: swapped when exactly one of 0x01 and 0x02 is set;
//   32/64-bit: 0x01 alone reverses all bytes, 0x02 alone swaps within each pair,
//   both reverse the order of the pairs (32-bit: b2 b3 b0 b1);
//   byte strings and buffers: pairs swapped under 0x02, else unchanged.
#pragma once

#include <cstdint>

#include "dicom/NEMA_Source.h"
#include "platform/os/window_handle.h"

enum {
  NEMA_MODE_BIG_ENDIAN = 0x01,
  NEMA_MODE_PAIR_SWAP = 0x02,
  NEMA_MODE_RESERVED = 0x04,
  NEMA_MODE_EXPLICIT = 0x08,
  NEMA_MODE_QUIRK_MASK = 0xF0,
  NEMA_MODE_QUIRK_GE = 0x10,  // GE: lengths of 13 written for 10
};

// ---- conversions (pure) ---------------------------------------------------------------

// The value of 2, 4 or 8 bytes as they stand in a stream of encoding `mode`.
uint16_t NEMA_Convert_16(int mode, const unsigned char *bytes);
uint32_t NEMA_Convert_32(int mode, const unsigned char *bytes);
uint64_t NEMA_Convert_64(int mode, const unsigned char *bytes);
// The IEEE float of 4 bytes and the double of 8 bytes, in the same byte order.
float NEMA_Convert_Float(int mode, const unsigned char *bytes);
double NEMA_Convert_Double(int mode, const unsigned char *bytes);
// Swaps the bytes of every 16-bit pair of `count` bytes in place (a last odd byte stays).
void NEMA_Swap_Pairs(unsigned char *bytes, int64_t count);

// ---- readers ----------------------------------------------------------------------------
// Each reads `count` bytes at the source's position and advances past them. They return
// 1 when every byte was read; 0 at the end of the data ("End of File while reading",
// kind MSG_WARNING) or on a read error ("Error reading file %s" and the system's text),
// with the output untouched. `count` must lie between 1 and the size of the output.

int NEMA_Read_Bytes(Window_Handle owner, NEMA_Source *source, int mode, int count, void *out);   // as they are
int NEMA_Read_Short(Window_Handle owner, NEMA_Source *source, int mode, int count, uint16_t *out);
int NEMA_Read_Long(Window_Handle owner, NEMA_Source *source, int mode, int count, int32_t *out);
int NEMA_Read_Float(Window_Handle owner, NEMA_Source *source, int mode, int count, float *out);
int NEMA_Read_Double(Window_Handle owner, NEMA_Source *source, int mode, int count, double *out);

// Reads a value of `size` bytes into a new block (pairs swapped under mode 0x02).
// Returns the block, which the caller releases with free(); returns nullptr when
// `size` is negative or larger than the bytes left in the source, when the block
// cannot be allocated or the read fails, after reporting it. A size of 0 returns a
// block of one byte.
unsigned char *NEMA_Read_Buffer(Window_Handle owner, NEMA_Source *source, int mode, int size);
// As NEMA_Read_Buffer into the caller's `out`, which has room for `size` bytes. Returns
// 1; returns 0 after the same reports (`out` then unspecified).
int NEMA_Read_Buffer_Into(Window_Handle owner, NEMA_Source *source, int mode, int size, unsigned char *out);

// As NEMA_Read_Buffer, with a NUL after the `count` bytes (count + 1 bytes allocated).
char *NEMA_Read_String(Window_Handle owner, NEMA_Source *source, int mode, int count);

// Advances the source by `size` bytes without reading them. A size of -1 moves
// nothing. Returns 1; returns 0 when the size is below -1 or the move fails (a file
// source is then closed), after reporting it. Moving past the end of the data is
// allowed; the next read then fails as at the end.
int NEMA_Skip(Window_Handle owner, NEMA_Source *source, int64_t size);
