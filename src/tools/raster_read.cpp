// SGI and TGA decoding into top-down RGBA. SGI images store each channel as a plane of
// scanlines from the bottom row up; run-length encoded files add two tables (offsets and
// lengths of every scanline of every channel) and pack each scanline as runs: a count
// byte whose high bit says "copy the next count bytes" and otherwise "repeat the next
// byte count times", a zero count ending the line. TGA files used here are type 2
// (uncompressed true colour) with an 18-byte header, optional image id, and rows stored
// from the bottom up unless bit 5 of the descriptor says top first.
#include "tools/raster_read.h"

#include <cerrno>
#include <cstdio>

static unsigned Get_BE16(const std::vector<uint8_t> &b, size_t at) { return (unsigned)b[at] << 8 | b[at + 1]; }
static uint32_t Get_BE32(const std::vector<uint8_t> &b, size_t at)
{
  return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}

static int Size_Ok(int width, int height)
{
  return width >= 1 && height >= 1 && width <= RASTER_MAX_SIDE && height <= RASTER_MAX_SIDE;
}

// Expands one run-length encoded scanline from bytes[at..end) into `line`.
// Returns 0 when the runs leave the data or overflow the line.
static int SGI_Unpack_Line(const std::vector<uint8_t> &bytes, size_t at, size_t end, uint8_t *line, int width)
{
  int filled = 0;
  while (at < end) {
    int count = bytes[at] & 0x7F;
    bool literal = bytes[at] & 0x80;
    at++;
    if (count == 0) return filled == width;
    if (filled + count > width) return 0;
    if (literal) {
      if (at + (size_t)count > end) return 0;
      for (int i = 0; i < count; i++) line[filled++] = bytes[at++];
    } else {
      if (at >= end) return 0;
      for (int i = 0; i < count; i++) line[filled++] = bytes[at];
      at++;
    }
  }
  return filled == width;
}

// Fills the pixel components of `channels` planes into the RGBA buffer.
static void SGI_Store(std::vector<uint8_t> &rgba, int width, int height, int channels, int channel, int row,
                      const uint8_t *line)
{
  uint8_t *out = rgba.data() + ((size_t)(height - 1 - row) * width) * 4;
  for (int x = 0; x < width; x++, out += 4) {
    uint8_t v = line[x];
    if (channels <= 2) {
      if (channel == 0) out[0] = out[1] = out[2] = v;
      else out[3] = v;
    } else {
      out[channel] = v;
    }
  }
}

int Raster_Decode_SGI(const std::vector<uint8_t> &bytes, Raster_Image &image, int &channels_out, std::string &why)
{
  if (bytes.size() < 512 || Get_BE16(bytes, 0) != 474) { why = "not an SGI image"; return 0; }
  int storage = bytes[2], bpc = bytes[3];
  int width = (int)Get_BE16(bytes, 6), height = (int)Get_BE16(bytes, 8);
  int channels = (int)Get_BE16(bytes, 10);
  unsigned dimension = Get_BE16(bytes, 4);
  if (dimension < 3) channels = 1;
  if (dimension == 1) height = 1;
  if (bpc != 1) { why = "only 8 bits per channel are read"; return 0; }
  if (storage > 1) { why = "unknown storage"; return 0; }
  if (channels < 1 || channels > 4 || !Size_Ok(width, height)) { why = "bad size or channel count"; return 0; }
  std::vector<uint8_t> rgba((size_t)width * height * 4, 255);
  std::vector<uint8_t> line((size_t)width);
  size_t lines = (size_t)height * channels;
  if (storage == 0) {
    if (bytes.size() < 512 + lines * width) { why = "truncated pixel data"; return 0; }
    for (int c = 0; c < channels; c++)
      for (int row = 0; row < height; row++)
        SGI_Store(rgba, width, height, channels, c, row, bytes.data() + 512 + ((size_t)c * height + row) * width);
  } else {
    if (bytes.size() < 512 + lines * 8) { why = "truncated run tables"; return 0; }
    for (int c = 0; c < channels; c++)
      for (int row = 0; row < height; row++) {
        size_t index = (size_t)c * height + row;
        size_t start = Get_BE32(bytes, 512 + index * 4);
        size_t length = Get_BE32(bytes, 512 + lines * 4 + index * 4);
        if (start > bytes.size() || length > bytes.size() - start ||
            !SGI_Unpack_Line(bytes, start, start + length, line.data(), width)) {
          why = "damaged run-length data";
          return 0;
        }
        SGI_Store(rgba, width, height, channels, c, row, line.data());
      }
  }
  image.width = width;
  image.height = height;
  image.rgba.swap(rgba);
  channels_out = channels;
  return 1;
}

int Raster_Decode_TGA(const std::vector<uint8_t> &bytes, Raster_Image &image, int &depth_out, std::string &why)
{
  if (bytes.size() < 18) { why = "shorter than a TGA header"; return 0; }
  int id_length = bytes[0], colour_map = bytes[1], type = bytes[2];
  int width = bytes[12] | bytes[13] << 8, height = bytes[14] | bytes[15] << 8;
  int depth = bytes[16];
  bool top_first = bytes[17] & 0x20;
  depth_out = depth;
  if (colour_map != 0 || type != 2) { why = "not an uncompressed true-colour TGA"; return 0; }
  if (depth != 24 && depth != 32) { why = "pixel depth is not 24 or 32"; return 0; }
  if (!Size_Ok(width, height)) { why = "bad size"; return 0; }
  size_t step = (size_t)depth / 8, at = 18 + (size_t)id_length;
  if (bytes.size() < at + (size_t)width * height * step) { why = "truncated pixel data"; return 0; }
  std::vector<uint8_t> rgba((size_t)width * height * 4);
  for (int row = 0; row < height; row++) {
    int out_row = top_first ? row : height - 1 - row;
    uint8_t *out = rgba.data() + (size_t)out_row * width * 4;
    for (int x = 0; x < width; x++, at += step, out += 4) {
      uint8_t b = bytes[at], g = bytes[at + 1], r = bytes[at + 2];
      out[0] = r; out[1] = g; out[2] = b;
      if (depth == 32) out[3] = bytes[at + 3];
      else out[3] = (r | g | b) ? 255 : 0;
    }
  }
  image.width = width;
  image.height = height;
  image.rgba.swap(rgba);
  return 1;
}

int Raster_Load_File(const std::string &path, std::vector<uint8_t> &bytes)
{
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) return 0;
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (data.size() + got > (64u << 20)) { fclose(file); errno = EFBIG; return 0; }
    data.insert(data.end(), chunk, chunk + got);
  }
  int failed = ferror(file);
  fclose(file);
  if (failed) { errno = EIO; return 0; }
  bytes.swap(data);
  return 1;
}
