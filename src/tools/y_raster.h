// Pixel operations of a drawing context: a clipped view of a window's framebuffer in the
// toolkit's coordinates (x to the right, y upwards from the bottom row of the client
// area). Rectangles and lines are given by inclusive bounds. Colours are packed as in
// Tools_Pack (red in the low byte); alpha is ignored. Every operation clips to the
// context's clip rectangle, so none can write outside the client area.
#pragma once

#include <cstdint>

#include "platform/window/window_system.h"

struct Y_Context {
  Window_Handle window = nullptr;
  Window_Surface whole;    // the client area as the window system gives it
  Window_Surface surface;  // the same, its clip narrowed by Y_Clip_Set
  bool xor_mode = false;   // pixels are XOR-ed with the colour instead of set
};

// Starts a context on a surface, clipped to the whole client area.
void Y_Context_Start(Y_Context &context, Window_Handle window, const Window_Surface &surface);
// Narrows the clip to the rectangle x, y (bottom-left), width, height of the client area.
void Y_Clip_Set(Y_Context &context, int x, int y, int width, int height);

// Client size.
inline int Y_Width(const Y_Context &context) { return context.surface.width; }
inline int Y_Height(const Y_Context &context) { return context.surface.height; }

// The packed colour of the pixel at (x, y), or 0 outside the client area.
uint32_t Y_Pixel_Get(const Y_Context &context, int x, int y);
void Y_Pixel_Put(Y_Context &context, int x, int y, uint32_t colour);

void Y_Fill_Rect(Y_Context &context, int x1, int x2, int y1, int y2, uint32_t colour);
// A one-pixel line from (x1, y1) to (x2, y2), both ends drawn.
void Y_Line(Y_Context &context, int x1, int y1, int x2, int y2, uint32_t colour);
// A one-pixel rectangle outline on the bounds, each pixel touched once.
void Y_Frame_Rect(Y_Context &context, int x1, int x2, int y1, int y2, uint32_t colour);
// A filled polygon (even-odd rule, pixel centres) outlined in `outline`.
void Y_Polygon(Y_Context &context, int count, const int *xs, const int *ys, uint32_t fill, uint32_t outline);

// Draws a top-down bitmap of 0xAARRGGBB pixels (`stride` pixels a row): the part at
// source (sx, sy) of size width x height goes with its bottom-left corner at (x, y).
// With `blend`, each pixel is laid over `background` (packed) by its alpha:
// out = (src * a + bg * (255 - a)) / 256.
void Y_Blit(Y_Context &context, const uint32_t *pixels, int stride, int x, int y, int sx, int sy, int width,
            int height, bool blend, uint32_t background);

// Converts a packed colour (red low) to the framebuffer's 0x00RRGGBB and back.
uint32_t Y_To_Frame(uint32_t packed);
uint32_t Y_From_Frame(uint32_t pixel);
