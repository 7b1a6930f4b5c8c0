// Deflated data sets: in the Deflated Explicit VR Little Endian transfer syntax, every
// byte after the file meta information is one raw deflate stream (RFC 1951, no zlib or
// gzip wrapper) holding an explicit VR little endian data set. Inflating turns a byte
// source into an inflated source (dicom/NEMA_Source.h): the bytes before the stream as
// they stand, then the inflated data set, so that positions before the stream keep
// their meaning and the walk reads on into the data set as into any other.
#pragma once

#include <cstdint>

#include "dicom/NEMA_Source.h"
#include "platform/os/window_handle.h"

// The UID of the Deflated Explicit VR Little Endian transfer syntax.
inline constexpr char NEMA_DEFLATED_SYNTAX_UID[] = "1.2.840.10008.1.2.1.99";

// The most bytes a data set may inflate to: a stream that inflates to more (a deflate
// bomb, or a data set no header pass should hold in memory) is read up to this size.
constexpr int64_t NEMA_INFLATE_LIMIT = (int64_t)1 << 30;

// Whether the `size` bytes at `value` (a UI value, padded with NUL or space) name the
// deflated transfer syntax.
bool NEMA_Is_Deflated_Syntax(const unsigned char *value, int64_t size);

// Inflates the rest of `source` (a file or memory source), from stream position `start`
// to its end, and makes it an inflated source of the bytes before `start` followed by
// the inflated data set; the source's position is kept, and `size` becomes the length
// of the whole inflated stream. Reads through `source` (its position moves).
// Returns 1 when the whole stream was inflated. Returns 0 after one MSG_WARNING naming
// the source and where the data stopped (the byte of the file, the offset in the
// inflated data set) when the stream is empty, corrupt, truncated or would inflate past
// NEMA_INFLATE_LIMIT, or after a memory or read error: the source then holds the bytes
// inflated before the fault, so the walk keeps every element read before it and stops
// there. When not even the bytes before `start` can be held, the source is left as it
// was but ends at `start` (`size`).
// Precondition: `source` is no inflated source already.
int NEMA_Source_Inflate(Window_Handle owner, NEMA_Source *source, int64_t start);
