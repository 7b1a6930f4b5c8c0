// Sliders (scroll bars): a track between two arrow buttons and a thumb. The value runs
// from `minimum` at the first end (the left, or the top for a vertical slider) to
// `maximum` at the other; a table maps each pixel of the track to its value.
//
// Options: 0x02 no selection, 0x04 vertical, 0x4000000 the arrows and Scroll steps work
// the other way round.
#pragma once

#include <vector>

#include "tools/tools_widget.h"

constexpr uint32_t SLIDER_NO_SELECT = 0x02;
constexpr uint32_t SLIDER_VERTICAL = 0x04;
constexpr uint32_t SLIDER_REVERSE = 0x4000000;

struct Slider : Tools_Device {
  double value = 0, minimum = 0, maximum = 100, step = 1;
  std::vector<double> table;  // value of each track pixel, at most 4097 entries
  int16_t depth = 1;
  uint8_t thumb_state = 0;    // 1 while the thumb is held by the mouse
  uint8_t hover = 0;
};

namespace Sliders {
// Marks the slider initialised and builds the value table for the track length.
void Init(Slider &slider, Window_Handle window);
// Rebuilds the clip and the table after the owner moved, resized or changed the bounds.
void Adjust(Slider &slider);
// Draws the track, the two arrow buttons and the thumb.
void Draw(Slider &slider);
// The value under the last mouse position along the track: the table's first value
// before the track's first pixel, its last value past its end; the current value when
// the mouse is on an arrow button or outside the slider across the track.
double Read(Slider &slider);
// Moves the value by steps x step (the other way with option 0x4000000), keeps it within
// the bounds, redraws and returns it. With option 0x02 returns the value unchanged.
double Scroll(Slider &slider, int steps);
// Sets the value (kept within the bounds) and redraws when it changed.
void Set(Slider &slider, double value);
// The slider's behaviour for the last mouse position:
//   mode 4             returns 1 inside, changes nothing
//   option 0x02        returns 0
//   press on an arrow  Scroll by one step towards that end, returns 1
//   press on the track the value jumps there and the thumb is held, returns 1
//   move while held    the value follows the mouse, returns 1
//   move, not held     hover update, returns 1 inside and 0 outside
//   mode 0 while held  releases the thumb
int Select(Slider &slider, int mode);
// Releases the thumb and forgets the hover.
void Deselect(Slider &slider);
// Places a scroll bar of another widget (`owner` gives the colour and the window): the
// rectangle, vertical or not, the range 0..maximum and the value; then Init when the
// owner is initialised.
void Place(Slider &slider, const Tools_Device &owner, bool vertical, int x, int y, int width, int height,
           double maximum, double value);
}  // namespace Sliders
