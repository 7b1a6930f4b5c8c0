// Pictures of widgets (button faces, the folder button) and the blitting of 32-bit
// pictures: loading from the icon folder, scaling down by 4 x 4 sampling, laying a
// picture on the widget colour, and draw_image with alpha blending.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/raster_read.h"

struct Tools_Device;

// A ready-to-draw picture: 0xAARRGGBB pixels, rows from the top.
struct Tools_Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// Scales `image` down so that it fits in width x height, one factor for both axes (the
// larger ratio); each output pixel is the mean of 4 x 4 source samples spaced a quarter
// of the factor apart. An image that already fits is returned as it is.
Raster_Image Picture_Scale(const Raster_Image &image, int width, int height);

// Converts RGBA bytes into 0xAARRGGBB pixels.
Tools_Picture Picture_From_Image(const Raster_Image &image);

// Reads a picture file for a widget: names holding ".tga" as TGA files, others as SGI
// images; the picture is scaled down to fit the widget inside a border of `border`
// pixels. With option 0x40 the result is the widget's whole size filled with `colour`
// (packed) with the picture blended on it, centred. Returns 1 with `picture` filled;
// returns 0 after logging a warning with the path and the reason (picture untouched).
int Picture_Load(const Tools_Device &device, const std::string &folder, const std::string &file, uint32_t colour,
                 int border, Tools_Picture &picture);

// Draws the part (source_x, source_y, width, height) of a top-down 32-bit picture of
// image_width x image_height with its bottom-left corner at (x, y) in the current
// drawing context (Y_Current). With `background` non-null, each pixel is blended over
// that packed colour by its alpha. Does nothing without a current context.
void draw_image(const uint32_t *pixels, int x, int y, int source_x, int source_y, int width, int height,
                int image_width, int image_height, const uint32_t *background);
