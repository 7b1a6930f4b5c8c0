// The Tools:: primitives. Each one checks the widget's state byte, takes the drawing
// context of the widget's window (clipped to the widget's clip rectangle when it has
// one), rasterises, and releases the context.
//
// Index: fills / frames and arrows / text / lines, polygon and XOR.
#include "tools/tools.h"

#include <algorithm>

#include "tools/picture.h"
#include "tools/y_font.h"
#include "tools/y_surface.h"

// ---- fills ------------------------------------------------------------------------------

static void Fill_With(Tools_Device &device, const char *operation, uint32_t colour, int x1, int x2, int y1, int y2)
{
  Tools_Check_State(device, operation);
  if (device.options & OPT_NO_BACKGROUND) return;
  Y_Scope dc(device, operation);
  if (dc) Y_Fill_Rect(*dc, x1, x2, y1, y2, colour);
}

void Tools::Clear(Tools_Device &device, uint32_t colour)
{
  Tools_Check_State(device, "Tools::Clear");
  if (device.width < 1 || device.height < 1) return;
  Y_Scope dc(device, "Tools::Clear");
  if (dc) Y_Fill_Rect(*dc, device.x, device.x + device.width, device.y - 1, device.y + device.height - 1, colour);
}

void Tools::Fill(Tools_Device &device, int skip, int x1, int x2, int y1, int y2)
{
  if (skip & 0x10) return;
  Fill_With(device, "Tools::Fill", Tools_Colour(device), x1, x2, y1, y2);
}

void Tools::Fill_Grey(Tools_Device &d, int x1, int x2, int y1, int y2) { Fill_With(d, "Tools::Fill_Grey", TOOLS_GREY, x1, x2, y1, y2); }
void Tools::Fill_Red(Tools_Device &d, int x1, int x2, int y1, int y2) { Fill_With(d, "Tools::Fill_Red", TOOLS_RED, x1, x2, y1, y2); }
void Tools::Fill_Yellow(Tools_Device &d, int x1, int x2, int y1, int y2) { Fill_With(d, "Tools::Fill_Yellow", TOOLS_YELLOW, x1, x2, y1, y2); }
void Tools::Fill_Blue(Tools_Device &d, int x1, int x2, int y1, int y2) { Fill_With(d, "Tools::Fill_Blue", TOOLS_BLUE, x1, x2, y1, y2); }
void Tools::Fill_Green(Tools_Device &d, int x1, int x2, int y1, int y2) { Fill_With(d, "Tools::Fill_Green", TOOLS_GREEN, x1, x2, y1, y2); }

void Tools::Fill_Select(Tools_Device &device, int selected, const Tools_Picture *picture, int skip, int depth,
                        int margin, int x1, int x2, int y1, int y2)
{
  Tools_Check_State(device, "Tools::Fill_Select");
  if (skip & 0x10) return;
  int inset = std::abs(depth) + margin;
  x1 += inset; x2 -= inset; y1 += inset; y2 -= inset;
  if (x1 > x2 || y1 > y2) return;
  Y_Scope dc(device, "Tools::Fill_Select");
  if (!dc) return;
  if (picture && !picture->pixels.empty()) {
    int w = std::min(picture->width, x2 - x1 + 1), h = std::min(picture->height, y2 - y1 + 1);
    int px = x1 + (x2 - x1 + 1 - w) / 2, py = y1 + (y2 - y1 + 1 - h) / 2;
    int sx = (picture->width - w) / 2, sy = (picture->height - h) / 2;
    Y_Blit(*dc, picture->pixels.data(), picture->width, px, py, sx, sy, w, h, false, 0);
    return;
  }
  Y_Fill_Rect(*dc, x1, x2, y1, y2, selected ? TOOLS_SELECTED : Tools_Colour(device));
}

// ---- frames and arrows ----------------------------------------------------------------

void Tools::Cadre(Tools_Device &device, uint32_t options, int pressed, int depth, int x1, int x2, int y1, int y2)
{
  Tools_Check_State(device, "Tools::Cadre");
  Y_Scope dc(device, "Tools::Cadre");
  if (!dc) return;
  if (!(options & OPT_NO_OUTLINE)) Y_Frame_Rect(*dc, x1, x2, y1, y2, TOOLS_BLACK);
  depth = std::abs(depth);
  if (depth == 0) return;
  uint32_t colour = Tools_Colour(device);
  int step = 80 / depth;
  for (int k = 1; k <= depth; k++) {
    int xa = x1 + k, xb = x2 - k, ya = y1 + k, yb = y2 - k;
    if (xa > xb || ya > yb) break;
    uint32_t bottom_right, top_left;
    if (pressed) {
      bottom_right = Tools_Shade(colour, k * step);
      top_left = Tools_Shade(colour, -(k * step + 40));
    } else {
      int t = 80 - (k - 1) * step;
      bottom_right = Tools_Shade(colour, -t);
      top_left = Tools_Shade(colour, t);
    }
    Y_Line(*dc, xa, ya, xb, ya, bottom_right);
    Y_Line(*dc, xb, ya, xb, yb, bottom_right);
    Y_Line(*dc, xa, ya, xa, yb, top_left);
    Y_Line(*dc, xa, yb, xb - 1, yb, top_left);
  }
}

void Tools::Cadre_Outline(Tools_Device &device, int x1, int x2, int y1, int y2)
{
  Tools_Check_State(device, "Tools::Cadre_Outline");
  Y_Scope dc(device, "Tools::Cadre_Outline");
  if (dc) Y_Frame_Rect(*dc, x1 + 1, x2 - 1, y1 + 1, y2 - 1, TOOLS_HIGHLIGHT);
}

// The triangle of an arrow in a square of side `size` at (left, bottom), as three points.
static void Arrow_Points(int direction, int left, int bottom, int size, int xs[3], int ys[3])
{
  int right = left + size - 1, top = bottom + size - 1, mid_x = left + size / 2, mid_y = bottom + size / 2;
  switch (direction) {
  case 0:  xs[0] = left; ys[0] = bottom; xs[1] = right; ys[1] = bottom; xs[2] = mid_x; ys[2] = top; break;
  case 1:  xs[0] = left; ys[0] = top; xs[1] = right; ys[1] = top; xs[2] = mid_x; ys[2] = bottom; break;
  case 2:  xs[0] = right; ys[0] = bottom; xs[1] = right; ys[1] = top; xs[2] = left; ys[2] = mid_y; break;
  default: xs[0] = left; ys[0] = bottom; xs[1] = left; ys[1] = top; xs[2] = right; ys[2] = mid_y; break;
  }
}

void Tools::Arrow(Tools_Device &device, int direction, int x1, int x2, int y1, int y2)
{
  Tools_Check_State(device, "Tools::Arrow");
  if (x1 >= x2) return;
  int size = std::min(x2 - x1 + 1, y2 - y1 + 1) * 3 / 5;
  if (size < 3) return;
  size |= 1;  // odd, so the tip sits on a pixel centre
  int left = x1 + (x2 - x1 + 1 - size) / 2, bottom = y1 + (y2 - y1 + 1 - size) / 2;
  int xs[3], ys[3];
  Y_Scope dc(device, "Tools::Arrow");
  if (!dc) return;
  Arrow_Points(direction, left + 1, bottom - 1, size, xs, ys);
  Y_Polygon(*dc, 3, xs, ys, TOOLS_ARROW_SHADOW, TOOLS_ARROW_SHADOW);
  Arrow_Points(direction, left, bottom, size, xs, ys);
  Y_Polygon(*dc, 3, xs, ys, TOOLS_ARROW_FACE, TOOLS_BLACK);
}

// ---- text -------------------------------------------------------------------------------

static uint32_t Text_Colour(uint32_t options)
{
  if (options & OPT_HIGHLIGHT_TEXT) return TOOLS_HIGHLIGHT;
  return (options & OPT_WHITE_TEXT) ? TOOLS_WHITE : TOOLS_BLACK;
}

// Start of a span of `size` in [low, high] by the alignment: -1 start, 1 end, 0 centre.
static int Align(int low, int high, int size, int where)
{
  if (where < 0) return low;
  if (where > 0) return high - size + 1;
  return low + (high - low + 1 - size) / 2;
}

void Tools::Text(Tools_Device &device, const Y_Font *font, const char *text, uint32_t options, int x, int y,
                 int width, int height, int margin)
{
  Tools_Check_State(device, "Tools::Text");
  if (!text || !*text) return;
  if (!font) font = device.font ? device.font : Y_System_Font();
  if (!font) return;
  int pad = margin < 3 ? 6 : 2 * margin;
  int across = (options & OPT_TEXT_LEFT) ? -1 : (options & OPT_TEXT_RIGHT) ? 1 : 0;
  int down = (options & OPT_TEXT_BOTTOM) ? -1 : (options & OPT_TEXT_TOP) ? 1 : 0;
  int line = Y_Font_Height(font);
  std::wstring wide = Y_Wide(text);
  Y_Scope dc(device, "Tools::Text");
  if (!dc) return;
  uint32_t colour = Text_Colour(options);
  if (!(options & OPT_VERTICAL_TEXT)) {
    int tx = Align(x + pad, x + width - 1 - pad, Y_Text_Extent(font, wide), across);
    Y_Draw_Text(*dc, font, tx, Align(y, y + height - 1, line, down), wide, colour);
    return;
  }
  if (wide.size() > 128) wide.resize(128);
  int top = Align(y, y + height - 1, line * (int)wide.size(), down) + line * (int)wide.size();
  for (size_t i = 0; i < wide.size(); i++) {
    std::wstring one(1, wide[i]);
    int tx = Align(x + pad, x + width - 1 - pad, Y_Text_Extent(font, one), across);
    Y_Draw_Text(*dc, font, tx, top - line * (int)(i + 1), one, colour);
  }
}

int Tools::Text_Width(const Y_Font *font, const char *text)
{
  if (!font) font = Y_System_Font();
  return text ? Y_Text_Extent(font, Y_Wide(text)) : 0;
}

int Tools::Text_At(Tools_Device &device, const Y_Font *font, int x, int y, const char *text, uint32_t colour)
{
  if (!text || !*text) return x;
  if (!font) font = device.font ? device.font : Y_System_Font();
  Y_Scope dc(device, "Tools::Text_At");
  return dc ? Y_Draw_Text(*dc, font, x, y, Y_Wide(text), colour) : x;
}

// ---- lines, polygon and XOR ----------------------------------------------------------------------

void Tools::Line(Tools_Device &device, int x1, int y1, int x2, int y2, uint32_t colour)
{
  Y_Scope dc(device, "Tools::Line");
  if (dc) Y_Line(*dc, x1, y1, x2, y2, colour);
}

void Tools::Polygon(Tools_Device &device, int count, const int *xs, const int *ys, uint32_t fill, uint32_t outline)
{
  Tools_Check_State(device, "Tools::Polygon");
  Y_Scope dc(device, "Tools::Polygon");
  if (dc) Y_Polygon(*dc, count, xs, ys, fill, outline);
}

void Tools::Xor_Rectangle(Tools_Device &device, int x1, int x2, int y1, int y2, uint32_t colour)
{
  Y_Scope dc(device, "Tools::Xor_Rectangle");
  if (!dc) return;
  (*dc).xor_mode = true;
  Y_Frame_Rect(*dc, x1, x2, y1, y2, colour);
  (*dc).xor_mode = false;
}
