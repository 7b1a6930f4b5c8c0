// The Tools:: primitives: fills, bevelled frames, outlines, arrows, polygons, text and
// the XOR rectangle, all drawn on a widget's device header in its window's drawing
// coordinates (y upwards). Each primitive takes and releases its own drawing context.
// Rectangles are given by inclusive bounds x1..x2, y1..y2.
#pragma once

#include <cstdint>

#include "tools/tools_device.h"

struct Tools_Picture;
struct Font_Record;
typedef Font_Record Y_Font;

// Fixed colours of the toolkit.
constexpr uint32_t TOOLS_GREY = 170 | 170 << 8 | 170 << 16;
constexpr uint32_t TOOLS_RED = 255;
constexpr uint32_t TOOLS_YELLOW = 255 | 255 << 8;
constexpr uint32_t TOOLS_BLUE = 255u << 16;
constexpr uint32_t TOOLS_GREEN = 255 << 8;
constexpr uint32_t TOOLS_SELECTED = 230 | 100 << 8 | 100 << 16;
constexpr uint32_t TOOLS_HIGHLIGHT = 64 | 64 << 8 | 230 << 16;
constexpr uint32_t TOOLS_ARROW_SHADOW = 110 | 110 << 8 | 110 << 16;
constexpr uint32_t TOOLS_ARROW_FACE = 216 | 216 << 8 | 216 << 16;
constexpr uint32_t TOOLS_BLACK = 0;
constexpr uint32_t TOOLS_WHITE = 0xFFFFFF;

namespace Tools {

// Fills the widget's rectangle, one pixel wider and one lower than its size, with
// `colour`. Warns once when the widget is not initialised; a widget below 1 pixel wide
// or high is left alone.
void Clear(Tools_Device &device, uint32_t colour);

// Fills the rectangle with the widget colour; nothing with option 0x01 or skip & 0x10.
void Fill(Tools_Device &device, int skip, int x1, int x2, int y1, int y2);
// The same with the fixed colours; nothing with option 0x01.
void Fill_Grey(Tools_Device &device, int x1, int x2, int y1, int y2);
void Fill_Red(Tools_Device &device, int x1, int x2, int y1, int y2);
void Fill_Yellow(Tools_Device &device, int x1, int x2, int y1, int y2);
void Fill_Blue(Tools_Device &device, int x1, int x2, int y1, int y2);
void Fill_Green(Tools_Device &device, int x1, int x2, int y1, int y2);

// Fills the inside of a bevelled frame (the bounds shrunk by `depth` and `margin`) with
// the selection colour (230, 100, 100) when `selected`, else the widget colour; with a
// picture, draws the picture there (centred) instead. Nothing with skip & 0x10.
void Fill_Select(Tools_Device &device, int selected, const Tools_Picture *picture, int skip, int depth, int margin,
                 int x1, int x2, int y1, int y2);

// Bevelled frame: a black outline on the bounds unless `options` has 0x400000, then
// `depth` line frames inside it, raised (pressed 0) or sunken (pressed 1), shaded from
// the widget colour in steps of 80 / depth.
void Cadre(Tools_Device &device, uint32_t options, int pressed, int depth, int x1, int x2, int y1, int y2);

// A one-pixel rectangle in (64, 64, 230) one pixel inside the bounds.
void Cadre_Outline(Tools_Device &device, int x1, int x2, int y1, int y2);

// A shaded triangular arrow centred in the bounds: 0 up, 1 down, 2 left, 3 right.
// Nothing when x1 is not below x2.
void Arrow(Tools_Device &device, int direction, int x1, int x2, int y1, int y2);

// Text in the rectangle (x, y bottom-left, width, height), on one line or one character
// per line with option 0x04, aligned by the option bits, shrunk left and right by the
// margin (6 when `margin` is below 3, else twice it). Never clipped to the rectangle.
void Text(Tools_Device &device, const Y_Font *font, const char *text, uint32_t options, int x, int y, int width,
          int height, int margin = 2);

// A one-pixel line from (x1, y1) to (x2, y2), both ends drawn.
void Line(Tools_Device &device, int x1, int y1, int x2, int y2, uint32_t colour);

// A filled polygon in `fill`, outlined in `outline`.
void Polygon(Tools_Device &device, int count, const int *xs, const int *ys, uint32_t fill, uint32_t outline);

// The width of a text in pixels, each tab counting three average characters more.
int Text_Width(const Y_Font *font, const char *text);

// Draws a text with its line box from y to y plus the font height, in `colour`. Returns
// the x after the text (its advance, tabs included), so that pieces of text can follow
// one another without measuring them first; `x` itself for an absent or empty text.
int Text_At(Tools_Device &device, const Y_Font *font, int x, int y, const char *text, uint32_t colour);

// A one-pixel rectangle XOR-ed onto the window: drawing it twice restores the pixels
// (the rubber band of a selection drag).
void Xor_Rectangle(Tools_Device &device, int x1, int x2, int y1, int y2, uint32_t colour);

}  // namespace Tools
