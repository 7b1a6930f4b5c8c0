// The progress bar: the tube and the bouncing disc, rasterised point by point in one
// drawing context (one pass through the drawing lock per redraw, however many pixels).
#include "tools/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "tools/y_surface.h"

// Red level of a point of a shaded disc; h (towards the left) and v (upwards) are its
// offsets from the centre over the radius, with h^2 + v^2 <= 1.
static int Disc_Red(double h, double v)
{
  double level = 255.0 * (0.667 * std::sqrt(1.0 - h * h - v * v) + 0.333 * h - 0.667 * v);
  return std::clamp((int)std::lround(level), 20, 255);
}

// Red level of a row of the tube's body at v (upwards, over the radius) from the centre.
static int Tube_Red(double v)
{
  double level = 255.0 * (0.667 * std::sqrt(1.0 - v * v) - 0.667 * v);
  return std::clamp((int)std::lround(level), 0, 255);
}

// A shaded disc of radius r centred at (cx, cy).
static void Disc_Draw(Y_Context &dc, int cx, int cy, int r)
{
  for (int dy = -r; dy <= r; dy++)
    for (int dx = -r; dx <= r; dx++) {
      double h = -(double)dx / r, v = (double)dy / r;
      if (h * h + v * v > 1.0) continue;
      Y_Pixel_Put(dc, cx + dx, cy + dy, Tools_Pack(Disc_Red(h, v), 0, 0));
    }
}

void Progress_Bar::Draw()
{
  Tools_Check_State(*this, "Progress_Bar::Draw");
  if (width < 1 || height < 1) return;
  Y_Scope dc(*this, "Progress_Bar::Draw");
  if (!dc) return;
  Y_Fill_Rect(*dc, x, x + width - 1, y, y + height - 1, Tools_Colour(*this));
  int r = Radius();
  if (r < 1) return;
  int cy = y + height / 2, start = x + r;
  long long run = std::max(0, width - 2 * r);
  int length = range > 0 ? (int)(run * std::clamp(position, 0, range) / range) : 0;
  Disc_Draw(*dc, start, cy, r);
  for (int dy = -r; length > 0 && dy <= r; dy++)
    Y_Line(*dc, start, cy + dy, start + length - 1, cy + dy, Tools_Pack(Tube_Red((double)dy / r), 0, 0));
  Disc_Draw(*dc, start + length, cy, r);
  if (bounce_direction == 0) return;
  long long travel = std::max(0, width - 2 * r - 4);
  int offset = (int)(travel * std::clamp(bounce_position, 0, (int)width) / width);
  Disc_Draw(*dc, x + 2 + offset + r, cy, r);
}

void Progress_Bars::Init(Progress_Bar &bar, Window_Handle window)
{
  Tools_Init_Widget(bar, window, "Progress_Bars::Init");
}
