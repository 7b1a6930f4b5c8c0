// Readers for the two picture formats of the icon folder: SGI images (".rgb", verbatim
// or run-length encoded, 8 bits per channel) and uncompressed TGA files. Both yield an
// Image: width, height and 4 bytes per pixel in red, green, blue, alpha order, rows
// from the top. They read from memory so that every check can be exercised in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Raster_Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width * height * 4, row 0 at the top
};

// Largest side accepted by the readers, so a damaged header cannot over-allocate.
enum { RASTER_MAX_SIDE = 4096 };

// Decodes an SGI image held in `bytes`. One channel gives grey with alpha 255, two give
// grey and alpha, three give RGB with alpha 255, four give RGBA; `channels_out`
// receives the file's channel count. Returns 1 with `image` filled; returns 0 with
// `why` holding a short reason (image untouched) when the data is not a well-formed
// 8-bit SGI image.
int Raster_Decode_SGI(const std::vector<uint8_t> &bytes, Raster_Image &image, int &channels_out,
                      std::string &why);

// Decodes an uncompressed true-colour TGA (type 2) of 24 or 32 bits. 24-bit pixels get
// alpha 255 except pure black, which gets alpha 0 (black is transparent); 32-bit pixels
// keep their alpha. `depth_out` receives the pixel depth. Returns 1 with `image`
// filled; returns 0 with `why` set (image untouched) otherwise.
int Raster_Decode_TGA(const std::vector<uint8_t> &bytes, Raster_Image &image, int &depth_out,
                      std::string &why);

// Reads a whole file into `bytes`. Returns 1; returns 0 with errno set when it cannot
// be opened or read, or holds more than 64 MiB (errno EFBIG).
int Raster_Load_File(const std::string &path, std::vector<uint8_t> &bytes);
