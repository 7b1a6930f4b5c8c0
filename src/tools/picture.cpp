// Loading, scaling and blitting widget pictures.
#include "tools/picture.h"

#include <algorithm>
#include <cerrno>

#include "tools/tools_device.h"
#include "tools/y_surface.h"
#include "util/error_text.h"
#include "util/message_log.h"

Raster_Image Picture_Scale(const Raster_Image &image, int width, int height)
{
  if (width < 1 || height < 1 || (image.width <= width && image.height <= height)) return image;
  double factor = std::max((double)image.width / width, (double)image.height / height);
  Raster_Image out;
  out.width = std::max(1, (int)(image.width / factor));
  out.height = std::max(1, (int)(image.height / factor));
  out.rgba.assign((size_t)out.width * out.height * 4, 0);
  for (int oy = 0; oy < out.height; oy++)
    for (int ox = 0; ox < out.width; ox++) {
      unsigned sum[4] = {0, 0, 0, 0};
      for (int j = 0; j < 4; j++)
        for (int i = 0; i < 4; i++) {
          int sx = std::min(image.width - 1, (int)((ox + (i + 0.5) / 4) * factor));
          int sy = std::min(image.height - 1, (int)((oy + (j + 0.5) / 4) * factor));
          const uint8_t *p = image.rgba.data() + ((size_t)sy * image.width + sx) * 4;
          for (int c = 0; c < 4; c++) sum[c] += p[c];
        }
      uint8_t *o = out.rgba.data() + ((size_t)oy * out.width + ox) * 4;
      for (int c = 0; c < 4; c++) o[c] = (uint8_t)(sum[c] / 16);
    }
  return out;
}

Tools_Picture Picture_From_Image(const Raster_Image &image)
{
  Tools_Picture picture;
  picture.width = image.width;
  picture.height = image.height;
  picture.pixels.resize((size_t)image.width * image.height);
  for (size_t i = 0; i < picture.pixels.size(); i++) {
    const uint8_t *p = image.rgba.data() + i * 4;
    picture.pixels[i] = (uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
  }
  return picture;
}

// Reads the file into RGBA; on failure logs the warning and returns 0.
static int Picture_Read(const std::string &path, bool tga, Raster_Image &image)
{
  std::vector<uint8_t> bytes;
  if (!Raster_Load_File(path, bytes)) {
    Message_Log(nullptr, MSG_WARNING, "Unable to read picture %s\n%s", path.c_str(), Error_Text(errno));
    return 0;
  }
  std::string why;
  int channels = 0;
  int ok = tga ? Raster_Decode_TGA(bytes, image, channels, why) : Raster_Decode_SGI(bytes, image, channels, why);
  if (!ok) Message_Log(nullptr, MSG_WARNING, tga ? "%s should be TARGA (%s)" : "%s: %s", path.c_str(), why.c_str());
  return ok;
}

int Picture_Load(const Tools_Device &device, const std::string &folder, const std::string &file, uint32_t colour,
                 int border, Tools_Picture &picture)
{
  Raster_Image image;
  if (!Picture_Read(folder + file, file.find(".tga") != std::string::npos, image)) return 0;
  int inside_w = device.width - 2 * border, inside_h = device.height - 2 * border;
  image = Picture_Scale(image, inside_w, inside_h);
  Tools_Picture scaled = Picture_From_Image(image);
  if (!(device.options & OPT_PICTURE_ON_COLOUR) || device.width < 1 || device.height < 1) {
    picture = std::move(scaled);
    return 1;
  }
  Tools_Picture laid;
  laid.width = device.width;
  laid.height = device.height;
  uint32_t bg = Y_To_Frame(colour);
  laid.pixels.assign((size_t)laid.width * laid.height, 0xFF000000u | bg);
  int left = (laid.width - scaled.width) / 2, top = (laid.height - scaled.height) / 2;
  for (int y = 0; y < scaled.height; y++)
    for (int x = 0; x < scaled.width; x++) {
      int lx = left + x, ly = top + y;
      if (lx < 0 || ly < 0 || lx >= laid.width || ly >= laid.height) continue;
      uint32_t s = scaled.pixels[(size_t)y * scaled.width + x], a = s >> 24, out = 0xFF000000u;
      for (int shift = 0; shift <= 16; shift += 8)
        out |= (((s >> shift & 0xFF) * a + (bg >> shift & 0xFF) * (255 - a)) / 255) << shift;
      laid.pixels[(size_t)ly * laid.width + lx] = out;
    }
  picture = std::move(laid);
  return 1;
}

void draw_image(const uint32_t *pixels, int x, int y, int source_x, int source_y, int width, int height,
                int image_width, int image_height, const uint32_t *background)
{
  Y_Context *context = Y_Current();
  if (!context || !pixels) return;
  source_x = std::max(0, source_x);
  source_y = std::max(0, source_y);
  width = std::min(width, image_width - source_x);
  height = std::min(height, image_height - source_y);
  if (width < 1 || height < 1) return;
  Y_Blit(*context, pixels, image_width, x, y, source_x, source_y, width, height, background != nullptr,
         background ? *background : 0);
}
