// PNG files of framebuffers, through libpng: writing a rectangle (a window's client area)
// as 8-bit RGB, and reading a PNG back for tests. A file is written under a temporary
// name and renamed, so a failed write leaves nothing behind. libpng reports errors by
// longjmp, so the functions that call it hold no objects with destructors across it.
#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/window/window_internal.h"
#include "platform/window/window_png.h"
#include "util/error_text.h"
#include "util/message_log.h"

// ---- writing ------------------------------------------------------------------------------------------------------

// Writes `rows` (height rows of width x 3 bytes) to an open file. Returns 1 on success.
static int Png_Write_Rows(FILE *file, png_bytepp rows, int width, int height)
{
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return 0;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 0;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return 1;
}

int Framebuffer_Save_PNG(const Framebuffer &frame, int x, int y, int width, int height, const char *path)
{
  if (x < 0) width += x, x = 0;
  if (y < 0) height += y, y = 0;
  if (x + width > frame.width) width = frame.width - x;
  if (y + height > frame.height) height = frame.height - y;
  if (!path || width <= 0 || height <= 0) {
    Message_Log(nullptr, MSG_ERROR, "Framebuffer_Save_PNG(%s): nothing to save (%dx%d)", path ? path : "", width,
                height);
    return 0;
  }
  std::vector<png_byte> bytes((size_t)width * (size_t)height * 3);
  std::vector<png_bytep> rows((size_t)height);
  for (int row = 0; row < height; row++) {
    const uint32_t *source = frame.pixels.data() + (size_t)(y + row) * (size_t)frame.width + (size_t)x;
    png_bytep target = rows[(size_t)row] = bytes.data() + (size_t)row * (size_t)width * 3;
    for (int column = 0; column < width; column++) {
      target[3 * column] = (png_byte)(source[column] >> 16);
      target[3 * column + 1] = (png_byte)(source[column] >> 8);
      target[3 * column + 2] = (png_byte)source[column];
    }
  }
  std::string temporary = std::string(path) + ".part";
  FILE *file = fopen(temporary.c_str(), "wb");
  if (!file) {
    Message_Log(nullptr, MSG_ERROR, "Framebuffer_Save_PNG: cannot create %s\n%s", path, Error_Text(errno));
    return 0;
  }
  int written = Png_Write_Rows(file, rows.data(), width, height);
  if (fclose(file) != 0) written = 0;
  int error = errno;
  if (!written || rename(temporary.c_str(), path) != 0) {
    if (written) error = errno;
    remove(temporary.c_str());
    Message_Log(nullptr, MSG_ERROR, "Framebuffer_Save_PNG: cannot write %s\n%s", path, Error_Text(error));
    return 0;
  }
  return 1;
}

int Window_Save_PNG(Window_Handle window, const char *path)
{
  Window_Surface surface;
  if (!Window_Surface_Get(window, &surface)) {
    Message_Log(nullptr, MSG_ERROR, "Window_Save_PNG(%s): not a window", path ? path : "");
    return 0;
  }
  int saved = Framebuffer_Save_PNG(*surface.frame, surface.clip_left, surface.clip_top,
                                   surface.clip_right - surface.clip_left, surface.clip_bottom - surface.clip_top, path);
  Window_Drawing_Unlock();
  return saved;
}

// ---- reading ------------------------------------------------------------------------------------------------------

// Reads the PNG into `pixels` as 0x00RRGGBB. Returns 1 on success.
static int Png_Read(FILE *file, std::vector<uint32_t> *pixels, int *width, int *height)
{
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return 0;
  }
  png_bytep volatile row = nullptr;  // read again after a longjmp
  if (setjmp(png_jmpbuf(png))) {
    png_free(png, row);
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
  }
  png_init_io(png, file);
  png_set_user_limits(png, 16384, 16384);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_read_update_info(png, info);
  png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (png_get_channels(png, info) != 3) png_error(png, "unexpected channel count");
  row = (png_bytep)png_malloc(png, png_get_rowbytes(png, info));
  pixels->resize((size_t)w * h);
  for (png_uint_32 y = 0; y < h; y++) {
    png_read_row(png, row, nullptr);
    for (png_uint_32 x = 0; x < w; x++)
      (*pixels)[(size_t)y * w + x] = ((uint32_t)row[3 * x] << 16) | ((uint32_t)row[3 * x + 1] << 8) | row[3 * x + 2];
  }
  png_free(png, row);
  png_destroy_read_struct(&png, &info, nullptr);
  *width = (int)w;
  *height = (int)h;
  return 1;
}

int Framebuffer_Load_PNG(Framebuffer *frame, const char *path)
{
  FILE *file = path ? fopen(path, "rb") : nullptr;
  if (!file) {
    Message_Log(nullptr, MSG_ERROR, "Framebuffer_Load_PNG: cannot open %s\n%s", path ? path : "", Error_Text(errno));
    return 0;
  }
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  int read = Png_Read(file, &pixels, &width, &height);
  fclose(file);
  if (!read) {
    Message_Log(nullptr, MSG_ERROR, "Framebuffer_Load_PNG: %s is not a readable PNG", path);
    return 0;
  }
  frame->width = width;
  frame->height = height;
  frame->pixels = std::move(pixels);
  return 1;
}
