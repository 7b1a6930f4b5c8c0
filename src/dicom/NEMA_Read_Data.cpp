// The primitive readers: bytes, numbers, strings and value buffers read from a byte
// source and converted from the stream's byte order (the mode byte) to the machine's.
// Every read goes through one helper that checks the count, reads, and reports a short
// read or a read error in the library's words; the readers differ only in conversion.
#include "dicom/NEMA_Read_Data.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "util/error_text.h"
#include "util/message_log.h"

// ---- conversions ------------------------------------------------------------------------

static bool Big_Endian(int mode) { return mode & NEMA_MODE_BIG_ENDIAN; }
static bool Pair_Swap(int mode) { return mode & NEMA_MODE_PAIR_SWAP; }

uint16_t NEMA_Convert_16(int mode, const unsigned char *bytes)
{
  bool swap = Big_Endian(mode) != Pair_Swap(mode);
  return swap ? (uint16_t)(bytes[0] << 8 | bytes[1]) : (uint16_t)(bytes[1] << 8 | bytes[0]);
}

// The value of `count` bytes (4 or 8) after the mode's reordering, read little endian.
static uint64_t Convert_Wide(int mode, const unsigned char *bytes, int count)
{
  unsigned char ordered[8];
  for (int i = 0; i < count; i++) {
    int from = i;
    if (Big_Endian(mode) && Pair_Swap(mode))
      from = count - 2 - (i & ~1) + (i & 1);  // pairs reversed, bytes kept inside
    else if (Big_Endian(mode))
      from = count - 1 - i;
    else if (Pair_Swap(mode))
      from = i ^ 1;
    ordered[i] = bytes[from];
  }
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; i--) value = value << 8 | ordered[i];
  return value;
}

uint32_t NEMA_Convert_32(int mode, const unsigned char *bytes) { return (uint32_t)Convert_Wide(mode, bytes, 4); }
uint64_t NEMA_Convert_64(int mode, const unsigned char *bytes) { return Convert_Wide(mode, bytes, 8); }

float NEMA_Convert_Float(int mode, const unsigned char *bytes)
{
  uint32_t bits = NEMA_Convert_32(mode, bytes);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double NEMA_Convert_Double(int mode, const unsigned char *bytes)
{
  uint64_t bits = NEMA_Convert_64(mode, bytes);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void NEMA_Swap_Pairs(unsigned char *bytes, int64_t count)
{
  for (int64_t i = 0; i + 1 < count; i += 2) {
    unsigned char first = bytes[i];
    bytes[i] = bytes[i + 1];
    bytes[i + 1] = first;
  }
}

// ---- reading --------------------------------------------------------------------------------

// Reads exactly `count` bytes into `dest`. On a short read or an error, writes the
// library's messages naming `line` (the reader's own line number in its messages) and
// returns 0.
static int Read_Exact(Window_Handle owner, NEMA_Source *source, void *dest, int64_t count, int line)
{
  if (NEMA_Source_Take(source, dest, count)) return 1;
  int64_t got = NEMA_Source_Read(source, dest, count);
  if (got == count) return 1;
  int code = errno;
  Message_Log(owner, MSG_TRACE, "file:%s line:%d", "NEMA_Read_Data", line);
  if (got >= 0) {
    Message_Log(owner, MSG_WARNING, "End of File while reading: (%d /vs/ %d) (%s)", (int)got, (int)count,
                Log_Value_Escape(source->name).c_str());
  } else {
    Message_Log(owner, MSG_WARNING, "Error reading file %s", Log_Value_Escape(source->name).c_str());
    Message_Log(owner, MSG_WARNING, "%s", Error_Text(code));
  }
  return 0;
}

// Reads `count` bytes (1..capacity) for a number into `bytes`, zero-padded to capacity.
static int Read_Number(Window_Handle owner, NEMA_Source *source, int count, int capacity, unsigned char *bytes,
                       int line)
{
  if (count == capacity && NEMA_Source_Take(source, bytes, count)) return 1;  // the common case
  std::memset(bytes, 0, (size_t)capacity);
  if (count < 1 || count > capacity) {
    Message_Log(owner, MSG_TRACE, "file:%s line:%d", "NEMA_Read_Data", line);
    Message_Log(owner, MSG_WARNING, "Bad byte count %d for a value of %d bytes (%s)", count, capacity,
                Log_Value_Escape(source->name).c_str());
    return 0;
  }
  return Read_Exact(owner, source, bytes, count, line);
}

int NEMA_Read_Bytes(Window_Handle owner, NEMA_Source *source, int, int count, void *out)
{
  if (count < 0) return 0;
  return Read_Exact(owner, source, out, count, 41);
}

int NEMA_Read_Short(Window_Handle owner, NEMA_Source *source, int mode, int count, uint16_t *out)
{
  unsigned char bytes[2];
  if (!Read_Number(owner, source, count, 2, bytes, 72)) return 0;
  *out = NEMA_Convert_16(mode, bytes);
  return 1;
}

int NEMA_Read_Long(Window_Handle owner, NEMA_Source *source, int mode, int count, int32_t *out)
{
  unsigned char bytes[4];
  if (!Read_Number(owner, source, count, 4, bytes, 89)) return 0;
  *out = (int32_t)NEMA_Convert_32(mode, bytes);
  return 1;
}

int NEMA_Read_Float(Window_Handle owner, NEMA_Source *source, int mode, int count, float *out)
{
  unsigned char bytes[4];
  if (!Read_Number(owner, source, count, 4, bytes, 121)) return 0;
  *out = NEMA_Convert_Float(mode, bytes);
  return 1;
}

int NEMA_Read_Double(Window_Handle owner, NEMA_Source *source, int mode, int count, double *out)
{
  unsigned char bytes[8];
  if (!Read_Number(owner, source, count, 8, bytes, 137)) return 0;
  *out = NEMA_Convert_Double(mode, bytes);
  return 1;
}

// Whether a value of `size` bytes can be read: not negative and not beyond what the
// source still holds. Writes the library's messages naming `line` when not. Checked
// before anything is allocated: a length taken from a file never decides an allocation
// on its own.
static bool Size_Readable(Window_Handle owner, NEMA_Source *source, int size, int line)
{
  int64_t remaining = NEMA_Source_Remaining(source);
  if (size >= 0 && (remaining < 0 || size <= remaining)) return true;
  Message_Log(owner, MSG_TRACE, "file:%s line:%d", "NEMA_Read_Data", line);
  Message_Log(owner, MSG_WARNING, "End of File while reading: (%d /vs/ %d) (%s)", (int)(remaining < 0 ? 0 : remaining),
              size, Log_Value_Escape(source->name).c_str());
  return false;
}

// Reads `size` bytes into `block` (pairs swapped under mode 0x02).
static bool Read_Value(Window_Handle owner, NEMA_Source *source, int mode, int size, unsigned char *block, int line)
{
  if (!Read_Exact(owner, source, block, size, line)) return false;
  if (Pair_Swap(mode)) NEMA_Swap_Pairs(block, size);
  return true;
}

// Allocates `size` + `extra` bytes and reads `size` into them (pairs swapped under mode
// 0x02), once the size is known to be readable.
static unsigned char *Read_Block(Window_Handle owner, NEMA_Source *source, int mode, int size, int extra,
                                 int alloc_line, int read_line)
{
  if (!Size_Readable(owner, source, size, read_line)) return nullptr;
  unsigned char *block = (unsigned char *)std::malloc((size_t)size + (size_t)extra + (size == 0 && !extra));
  if (!block) {
    Message_Log(owner, MSG_ERROR, "line %-4d of %s \nmemory error in malloc (var=%s, dim=%dx%d)", alloc_line,
                "NEMA_Read_Data", "buf", size + extra, 1);
    return nullptr;
  }
  if (!Read_Value(owner, source, mode, size, block, read_line)) {
    std::free(block);
    return nullptr;
  }
  return block;
}

unsigned char *NEMA_Read_Buffer(Window_Handle owner, NEMA_Source *source, int mode, int size)
{
  return Read_Block(owner, source, mode, size, 0, 150, 152);
}

int NEMA_Read_Buffer_Into(Window_Handle owner, NEMA_Source *source, int mode, int size, unsigned char *out)
{
  return Size_Readable(owner, source, size, 152) && Read_Value(owner, source, mode, size, out, 152);
}

char *NEMA_Read_String(Window_Handle owner, NEMA_Source *source, int mode, int count)
{
  char *text = (char *)Read_Block(owner, source, mode, count, 1, 172, 174);
  if (text) text[count] = 0;
  return text;
}

int NEMA_Skip(Window_Handle owner, NEMA_Source *source, int64_t size)
{
  Message_Log(owner, MSG_TRACE + 4, "in NEMA_Skip(size:%d)", (int)size);
  if (size == -1) return 1;
  if (size < -1) {
    Message_Log(owner, MSG_TRACE, "file:%s line:%d", "NEMA_Read_Data", __LINE__);
    return 0;
  }
  return NEMA_Source_Seek(owner, source, NEMA_Source_Position(owner, source) + size);
}
