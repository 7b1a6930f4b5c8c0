// Rasterising into the client area of a framebuffer. Drawing coordinates are mapped to
// framebuffer rows by row = top + height - 1 - y, which is the mapping the toolkit's
// drawing context sets up (window extent = client size, viewport extent (w, -h), origin
// at the bottom row). Each write goes through one clipped pixel store.
#include "tools/y_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>


uint32_t Y_To_Frame(uint32_t packed)
{
  return (packed & 0xFF) << 16 | (packed & 0xFF00) | (packed >> 16 & 0xFF);
}

uint32_t Y_From_Frame(uint32_t pixel) { return Y_To_Frame(pixel); }

void Y_Context_Start(Y_Context &context, Window_Handle window, const Window_Surface &surface)
{
  context.window = window;
  context.whole = surface;
  context.surface = surface;
  context.xor_mode = false;
}

void Y_Clip_Set(Y_Context &context, int x, int y, int width, int height)
{
  const Window_Surface &whole = context.whole;
  Window_Surface &s = context.surface;
  s.clip_left = std::max(whole.clip_left, whole.origin_x + x);
  s.clip_right = std::min(whole.clip_right, whole.origin_x + x + width);
  s.clip_top = std::max(whole.clip_top, whole.origin_y + whole.height - (y + height));
  s.clip_bottom = std::min(whole.clip_bottom, whole.origin_y + whole.height - y);
}

// The framebuffer pixel of (x, y) when it lies inside the clip, else nullptr.
static uint32_t *Y_Address(const Y_Context &context, int x, int y)
{
  const Window_Surface &s = context.surface;
  int fx = s.origin_x + x, fy = s.origin_y + s.height - 1 - y;
  if (!s.frame || fx < s.clip_left || fx >= s.clip_right || fy < s.clip_top || fy >= s.clip_bottom) return nullptr;
  if (fx < 0 || fy < 0 || fx >= s.frame->width || fy >= s.frame->height) return nullptr;
  return s.frame->pixels.data() + (size_t)fy * (size_t)s.frame->width + (size_t)fx;
}

uint32_t Y_Pixel_Get(const Y_Context &context, int x, int y)
{
  uint32_t *at = Y_Address(context, x, y);
  return at ? Y_From_Frame(*at) : 0;
}

// Stores one framebuffer-format pixel, honouring the clip and the XOR mode.
static void Y_Store(Y_Context &context, int x, int y, uint32_t pixel)
{
  uint32_t *at = Y_Address(context, x, y);
  if (!at) return;
  *at = context.xor_mode ? (*at ^ pixel) & 0xFFFFFF : pixel;
}

void Y_Pixel_Put(Y_Context &context, int x, int y, uint32_t colour) { Y_Store(context, x, y, Y_To_Frame(colour)); }

void Y_Fill_Rect(Y_Context &context, int x1, int x2, int y1, int y2, uint32_t colour)
{
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::max(x1, -1);
  y1 = std::max(y1, -1);
  x2 = std::min(x2, Y_Width(context));
  y2 = std::min(y2, Y_Height(context));
  uint32_t pixel = Y_To_Frame(colour);
  for (int y = y1; y <= y2; y++)
    for (int x = x1; x <= x2; x++) Y_Store(context, x, y, pixel);
}

void Y_Line(Y_Context &context, int x1, int y1, int x2, int y2, uint32_t colour)
{
  uint32_t pixel = Y_To_Frame(colour);
  int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1, error = dx + dy;
  for (;;) {
    Y_Store(context, x1, y1, pixel);
    if (x1 == x2 && y1 == y2) break;
    int twice = 2 * error;
    if (twice >= dy) { error += dy; x1 += sx; }
    if (twice <= dx) { error += dx; y1 += sy; }
  }
}

void Y_Frame_Rect(Y_Context &context, int x1, int x2, int y1, int y2, uint32_t colour)
{
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  // Each pixel once, so that an XOR frame drawn twice leaves no trace.
  Y_Line(context, x1, y1, x2, y1, colour);
  if (y2 == y1) return;
  Y_Line(context, x1, y2, x2, y2, colour);
  if (y2 - y1 < 2) return;
  Y_Line(context, x1, y1 + 1, x1, y2 - 1, colour);
  if (x2 != x1) Y_Line(context, x2, y1 + 1, x2, y2 - 1, colour);
}

void Y_Polygon(Y_Context &context, int count, const int *xs, const int *ys, uint32_t fill, uint32_t outline)
{
  if (count < 2) return;
  int low = *std::min_element(ys, ys + count), high = *std::max_element(ys, ys + count);
  low = std::max(low, -1);
  high = std::min(high, Y_Height(context));
  uint32_t pixel = Y_To_Frame(fill);
  std::vector<double> crossings;
  for (int y = low; y <= high; y++) {
    crossings.clear();
    double cy = y + 0.5;
    for (int i = 0, j = count - 1; i < count; j = i++) {
      if ((ys[i] + 0.5 > cy) != (ys[j] + 0.5 > cy))
        crossings.push_back(xs[i] + (cy - ys[i] - 0.5) * (xs[j] - xs[i]) / (double)(ys[j] - ys[i]));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2)
    {
      int from = (int)std::max(-1.0, std::ceil(crossings[k]));
      int to = (int)std::min((double)Y_Width(context), std::floor(crossings[k + 1]));
      for (int x = from; x <= to; x++) Y_Store(context, x, y, pixel);
    }
  }
  for (int i = 0, j = count - 1; i < count; j = i++) Y_Line(context, xs[j], ys[j], xs[i], ys[i], outline);
}

void Y_Blit(Y_Context &context, const uint32_t *pixels, int stride, int x, int y, int sx, int sy, int width,
            int height, bool blend, uint32_t background)
{
  uint32_t bg = Y_To_Frame(background);
  for (int row = 0; row < height; row++) {
    const uint32_t *source = pixels + (size_t)(sy + row) * (size_t)stride + sx;
    int dy = y + height - 1 - row;
    for (int col = 0; col < width; col++) {
      uint32_t p = source[col];
      if (blend) {
        uint32_t a = p >> 24, out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
          uint32_t s = p >> shift & 0xFF, b = bg >> shift & 0xFF;
          out |= ((s * a + b * (255 - a)) / 256) << shift;
        }
        p = out;
      }
      Y_Store(context, x + col, dy, p & 0xFFFFFF);
    }
  }
}
