// The byte source every reader of the library reads through: an open file, or a block
// of memory with its size. A file source may keep a window of the file in memory (a
// block read once and parsed from memory, refilled only when a read runs past it), so
// that reading a header costs a few large reads instead of a position query and a read
// per element. A memory source never reads past its block: such a read fails as the
// end of a file would. A source whose data set is deflated becomes an inflated source
// (dicom/NEMA_Source_Inflate.h): the same stream with the data set inflated, read from
// memory the source owns, so every reader sees the data set as if never compressed.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/os/window_handle.h"

enum {
  NEMA_SOURCE_MEMORY = 0,  // a block of memory of `size` bytes at `base`
  NEMA_SOURCE_FILE = 1,    // an open file descriptor
  NEMA_SOURCE_INFLATED = 2,  // `size` bytes at `base` (owned: `inflated`), read as memory
};

struct NEMA_Source {
  int kind;                   // NEMA_SOURCE_FILE or NEMA_SOURCE_MEMORY
  int fd;                     // file: descriptor opened read-only; -1 once closed
  const char *name;           // file: its name, for messages (memory: a label or "")
  const unsigned char *base;  // memory: the block; file: the window (or null)
  int64_t size;               // memory, inflated: bytes in the block; file: its size, -1 unknown
  int64_t offset;             // memory: running offset in the block; file: current position
  // File window (unused for memory): `window_length` bytes of the file starting at file
  // offset `window_start`, held in `window` (`window_capacity` bytes; owned unless
  // `window_lent`).
  unsigned char *window;
  int64_t window_start;
  int64_t window_length;
  int64_t window_capacity;    // 0 = unbuffered: one read() per read request
  int64_t file_bytes_read;    // file: bytes read from the file so far (for measurements)
  bool window_lent;           // file: the window is the caller's, never freed here
  bool fd_lent;               // file: the descriptor is the caller's, never closed here
  // Deflated data set: set by the header reader once the meta group names the deflated
  // transfer syntax, until the source is inflated where the group ends.
  bool inflate_pending;
  // Inflated source: the stream's bytes before `inflated_from` as they stand, then the
  // inflated data set; `inflated` is that block (owned, freed by NEMA_Source_Close).
  unsigned char *inflated;
  int64_t inflated_from;
};

// Describes `length` bytes at `base` (not copied; must outlive the source) as a memory
// source positioned at offset 0. `label` names the source in messages (may be null).
// A memory source needs no closing unless the walk over it met a deflated data set:
// close every source that may hold one.
void NEMA_Source_Memory(NEMA_Source *source, const void *base, int64_t length, const char *label);

// Describes the open descriptor `fd` (read-only, positioned where reading starts) as a
// file source named `name` (not copied). `block` is the size of the memory window: 0
// reads the file request by request, a positive value reads it in blocks of that size.
// The file's size is taken from the file system (-1 when it cannot be had).
// Returns 1; returns 0 when the window cannot be allocated, after reporting it.
int NEMA_Source_File(NEMA_Source *source, int fd, const char *name, int64_t block);

// As NEMA_Source_File with a window lent by the caller: `capacity` (> 0) bytes at
// `window`, which must outlive the source and are never freed by it (a reader that
// opens file after file reuses one window, for example one per thread). Returns 1.
int NEMA_Source_File_Lent(NEMA_Source *source, int fd, const char *name, unsigned char *window, int64_t capacity);

// Releases the window of a file source (unless lent) and the inflated block of an
// inflated source, and closes the descriptor when still open (unless lent); an inflated
// source is left empty. Safe on a memory source and on a source already closed.
void NEMA_Source_Close(NEMA_Source *source);

// The current position (memory: the offset; file: the offset in the file; inflated: the
// offset in the stream with its data set inflated). A file source keeps its own offset,
// so the query never touches the file and cannot fail.
inline int64_t NEMA_Source_Position(Window_Handle, const NEMA_Source *source) { return source->offset; }

// Moves to absolute position `position`. Returns 1; returns 0 when the position is
// negative or the file cannot be sought, after reporting it; a file source is then
// closed (the caller must treat its descriptor as gone).
int NEMA_Source_Seek(Window_Handle owner, NEMA_Source *source, int64_t position);

// Copies up to `count` bytes from the current position into `dest` and advances by
// the number copied. Returns that number (less than `count` at the end of the data),
// or -1 on a read error (errno set). Reports nothing; the typed readers report.
int64_t NEMA_Source_Read(NEMA_Source *source, void *dest, int64_t count);

// The `count` (> 0) bytes at the current position, in place, when all of them lie in the
// file's window (or in the block of a memory or inflated source); nullptr otherwise. The
// position is kept; the bytes stay valid until the next read, seek or close. Lets the
// element reader decode a header straight from memory and advance past it afterwards.
inline const unsigned char *NEMA_Source_Peek(const NEMA_Source *source, int64_t count)
{
  if (source->kind == NEMA_SOURCE_FILE) {
    int64_t at = source->offset - source->window_start;
    if (count <= 0 || source->fd < 0 || at < 0 || count > source->window_length - at) return nullptr;
    return source->window + at;
  }
  if (count <= 0 || source->offset < 0 || count > source->size - source->offset) return nullptr;
  return source->base + source->offset;
}

enum { NEMA_SOURCE_SMALL_READ = 8 };  // reads up to this size are copied byte by byte

// The inline fast path of NEMA_Source_Read, for the element reader's small reads: when
// all `count` (> 0) bytes lie in the file's window (or in the block of a memory or
// inflated source), copies them, advances and returns true; otherwise changes nothing
// and returns false (the caller then calls NEMA_Source_Read).
inline bool NEMA_Source_Take(NEMA_Source *source, void *dest, int64_t count)
{
  const unsigned char *from = NEMA_Source_Peek(source, count);
  if (!from) return false;
  if (count <= NEMA_SOURCE_SMALL_READ) {  // a tag, a VR, a length: no call to memcpy
    for (int64_t i = 0; i < count; i++) ((unsigned char *)dest)[i] = from[i];
  } else {
    std::memcpy(dest, from, (size_t)count);
  }
  source->offset += count;
  return true;
}

// The bytes still readable from the current position, or -1 when unknown.
int64_t NEMA_Source_Remaining(const NEMA_Source *source);
