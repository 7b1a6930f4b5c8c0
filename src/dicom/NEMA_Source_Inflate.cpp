// Inflating a deflated data set. The whole stream is inflated at once into one block
// that starts with a copy of the bytes before it (the preamble and the meta group),
// because the walk over a data set needs its size and seeks back and forth in it; a
// file source then reads nothing more from its file. The block grows by doubling from
// a guess of four times the compressed size, and never past NEMA_INFLATE_LIMIT. A fault
// in the stream keeps what was inflated before it: the walk reads those elements and
// stops where the data ends, as at a truncated file.
#include "dicom/NEMA_Source_Inflate.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <zlib.h>

#include "dicom/NEMA_Log.h"
#include "dicom/NEMA_Memory_Error.h"
#include "util/error_text.h"
#include "util/message_log.h"

static const char UNIT[] = "NEMA_Source_Inflate";

constexpr int64_t INFLATE_CHUNK = 16 * 1024;   // compressed bytes handed to zlib at a time
constexpr int64_t INFLATE_FIRST = 64 * 1024;   // least room first given to the inflated data set
constexpr int64_t INFLATE_GUESS_RATIO = 4;     // first room: this many times the compressed size

// zlib's window bits for a raw deflate stream (no zlib header, no checksum).
static const int RAW_DEFLATE_BITS = -MAX_WBITS;

bool NEMA_Is_Deflated_Syntax(const unsigned char *value, int64_t size)
{
  while (size > 0 && (value[size - 1] == 0 || value[size - 1] == ' ')) size--;
  int64_t uid_length = (int64_t)sizeof NEMA_DEFLATED_SYNTAX_UID - 1;
  return size == uid_length && !std::memcmp(value, NEMA_DEFLATED_SYNTAX_UID, (size_t)uid_length);
}

namespace {
// The inflated stream as it is built: the bytes before the deflate stream, then what
// zlib has written.
struct Output {
  unsigned char *block;
  int64_t length;    // bytes held
  int64_t capacity;  // bytes of room
  int64_t limit;     // the most room the block may get
};
}  // namespace

// Writes the one warning that ends the inflation: what happened to the data set of
// `source`, the byte of the stream where it happened and the offset in the inflated
// data set where the data ends. Returns 0.
static int Report_Stop(Window_Handle owner, const NEMA_Source *source, const char *what, int64_t stream_byte,
                       int64_t inflated)
{
  Message_Log(owner, MSG_WARNING,
              NEMA_ERROR_PREFIX " Deflated data set of %s %s at byte %lld of the file; reading stops at offset %lld "
                                "of the inflated data set",
              Log_Value_Escape(source->name).c_str(), what, (long long)stream_byte, (long long)inflated);
  return 0;
}

// Doubles the room of `out`, within its limit. Returns 1; returns 0 at the limit (no
// report) or, after reporting it, when the memory cannot be had (`*memory` set).
static int Output_Grow(Output &out, bool *memory)
{
  if (out.capacity >= out.limit) return 0;
  int64_t grown = out.capacity > out.limit / 2 ? out.limit : out.capacity * 2;
  unsigned char *block = (unsigned char *)std::realloc(out.block, (size_t)grown);
  if (!block) {
    NEMA_Memory_Error(__LINE__, UNIT, "realloc", "inflated", (long)grown, 1);
    *memory = true;
    return 0;
  }
  out.block = block;
  out.capacity = grown;
  return 1;
}

// Copies the `start` bytes before the deflate stream into `block` and leaves the source
// at `start`. Returns false when they cannot all be read.
static bool Read_Prefix(Window_Handle owner, NEMA_Source *source, unsigned char *block, int64_t start)
{
  return NEMA_Source_Seek(owner, source, 0) && NEMA_Source_Read(source, block, start) == start &&
         NEMA_Source_Seek(owner, source, start);
}

// Makes `source` an inflated source over `out`, positioned at `position`; the block's
// slack is given back.
static void Source_Adopt(NEMA_Source *source, Output &out, int64_t start, int64_t position)
{
  if (out.length > 0 && out.length < out.capacity) {
    unsigned char *fitted = (unsigned char *)std::realloc(out.block, (size_t)out.length);
    if (fitted) out.block = fitted;
  }
  source->kind = NEMA_SOURCE_INFLATED;
  source->inflated = out.block;
  source->base = out.block;
  source->size = out.length;
  source->inflated_from = start;
  source->offset = position;
}

// Feeds the stream of `source` (standing at its first byte) through `z` into `out`.
// Returns 1 at the stream's end; returns 0 after the warning that names the fault.
static int Inflate_Stream(Window_Handle owner, NEMA_Source *source, z_stream &z, Output &out, int64_t start)
{
  unsigned char input[INFLATE_CHUNK];
  char what[160];
  bool memory = false;
  for (;;) {
    if (z.avail_in == 0) {
      int64_t got = NEMA_Source_Read(source, input, INFLATE_CHUNK);
      if (got < 0) {
        std::snprintf(what, sizeof what, "cannot be read (%s)", Error_Text(errno));
        return Report_Stop(owner, source, what, start + (int64_t)z.total_in, out.length - start);
      }
      if (got == 0) {
        const char *why = z.total_in ? "ends before its deflate stream does" : "is empty";
        return Report_Stop(owner, source, why, start + (int64_t)z.total_in, out.length - start);
      }
      z.next_in = input;
      z.avail_in = (uInt)got;
    }
    if (out.length == out.capacity && !Output_Grow(out, &memory)) {
      if (memory) return 0;
      std::snprintf(what, sizeof what, "inflates to more than %lld bytes", (long long)NEMA_INFLATE_LIMIT);
      return Report_Stop(owner, source, what, start + (int64_t)z.total_in, out.length - start);
    }
    int64_t room = out.capacity - out.length;
    z.next_out = out.block + out.length;
    z.avail_out = (uInt)(room < (int64_t)UINT_MAX ? room : (int64_t)UINT_MAX);
    int status = inflate(&z, Z_NO_FLUSH);
    out.length = z.next_out - out.block;
    if (status == Z_STREAM_END) return 1;
    if (status == Z_MEM_ERROR) {
      NEMA_Memory_Error(__LINE__, UNIT, "inflate", "z_stream", 1, 1);
      return 0;
    }
    // Z_BUF_ERROR only asks for more input or more room, which the loop gives next.
    if (status != Z_OK && status != Z_BUF_ERROR) {
      std::snprintf(what, sizeof what, "is corrupt (%s)", z.msg ? z.msg : "invalid deflate data");
      return Report_Stop(owner, source, what, start + (int64_t)z.total_in, out.length - start);
    }
  }
}

int NEMA_Source_Inflate(Window_Handle owner, NEMA_Source *source, int64_t start)
{
  source->inflate_pending = false;
  int64_t position = NEMA_Source_Position(owner, source);
  int64_t compressed = source->size > start ? source->size - start : 0;
  int64_t first = compressed > NEMA_INFLATE_LIMIT / INFLATE_GUESS_RATIO ? NEMA_INFLATE_LIMIT
                                                                         : compressed * INFLATE_GUESS_RATIO;
  Output out{nullptr, start, start + (first > INFLATE_FIRST ? first : INFLATE_FIRST), start + NEMA_INFLATE_LIMIT};
  out.block = (unsigned char *)std::malloc((size_t)out.capacity);
  if (!out.block) NEMA_Memory_Error(__LINE__, UNIT, "malloc", "inflated", (long)out.capacity, 1);
  z_stream z{};
  bool prefix = out.block && Read_Prefix(owner, source, out.block, start);
  if (out.block && !prefix) Report_Stop(owner, source, "cannot be reached", start, 0);
  if (prefix && inflateInit2(&z, RAW_DEFLATE_BITS) != Z_OK) {
    NEMA_Memory_Error(__LINE__, UNIT, "inflateInit2", "z_stream", 1, 1);
    prefix = false;
  }
  if (!prefix) {
    // Not even the bytes before the stream can be held: the walk ends where they end.
    std::free(out.block);
    source->size = start;
    NEMA_Source_Seek(owner, source, position);
    return 0;
  }
  int whole = Inflate_Stream(owner, source, z, out, start);
  if (whole) {
    int64_t rest = NEMA_Source_Remaining(source);
    int64_t trailing = (int64_t)z.avail_in + (rest > 0 ? rest : 0);
    if (trailing > 0)
      NEMA_Notice(owner, "Deflated data set of %s: %lld bytes after the end of the deflate stream are ignored",
                  Log_Value_Escape(source->name).c_str(), (long long)trailing);
    NEMA_Notice(owner, "Deflated data set of %s: %lld bytes inflated to %lld", Log_Value_Escape(source->name).c_str(),
                (long long)z.total_in, (long long)(out.length - start));
  }
  inflateEnd(&z);
  Source_Adopt(source, out, start, position);
  return whole;
}
