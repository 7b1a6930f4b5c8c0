// The progress window's bar: a red tube that grows from the left with the position, and
// a bouncing disc that shows activity when the amount of work is not known. Both are
// shaded point by point as if lit from the upper left, so the tube looks round and the
// disc like a ball; everything else of the bar is the widget's own colour.
//
// Geometry, for a bar at (x, y) of width W and height H:
//   r                radius of the tube and of the disc: H / 2 - 2 (nothing is drawn
//                    below 1, only the bar's colour)
//   centre line      row y + H / 2
//   left cap         a shaded disc centred at x + r
//   body             rows centre - r .. centre + r, from x + r, (W - 2r) x position / range
//                    pixels long; a row at v (its offset from the centre line over r,
//                    upwards) has red 255 x (0.667 sqrt(1 - v^2) - 0.667 v), within 0..255
//   right cap        a shaded disc centred at the body's end
//   bouncing disc    when the bounce direction is not 0: its left edge at
//                    x + 2 + (W - 2r - 4) x bounce position / W
// A shaded disc gives a point at (h, v) from its centre over r (h positive towards the
// left, v upwards) the red 255 x (0.667 sqrt(1 - h^2 - v^2) + 0.333 h - 0.667 v), within
// 20..255; points farther than r are not drawn. All drawing is clipped to the bar.
#pragma once

#include <cstdint>

#include "tools/tools_widget.h"

struct Progress_Bar : Tools_Device {
  int32_t position = 0;          // 0..range
  int32_t range = 0;             // the bar's maximum; below 1 the tube has no body
  int32_t bounce_position = 0;   // the disc's place, in pixels along the bar (0..W)
  int32_t bounce_direction = 0;  // 0: no disc

  // Draws the bar for the values above. Changes nothing.
  void Draw();
  // The radius of the tube and of the disc: half the height less 2.
  int Radius() const { return height / 2 - 2; }
};

namespace Progress_Bars {
// Marks the bar initialised, takes the window, sets the default colour and clips the
// bar's drawing to its own rectangle.
void Init(Progress_Bar &bar, Window_Handle window);
}  // namespace Progress_Bars
