// Buttons: a bevelled face with a label, a hover highlight, an optional signal lamp, and
// optionally pictures for faces (the list pane's level buttons, the folder button).
//
// Options beyond the device bits: 0x02 no selection (hover and clicks ignored), 0x10 or
// 0x40 faces are pictures the owner supplies (face_normal / face_high), 0x20 flat (an
// outline and the label only), 0x100000 signal lamp, 0x200000 lamp colours by value.
#pragma once

#include <string>

#include "tools/picture.h"
#include "tools/tools_widget.h"

constexpr uint32_t BUTTON_NO_SELECT = 0x02;
constexpr uint32_t BUTTON_PICTURE = 0x10;
constexpr uint32_t BUTTON_FLAT = 0x20;
constexpr uint32_t BUTTON_LAMP = 0x100000;
constexpr uint32_t BUTTON_LAMP_COLOURS = 0x200000;

struct Button : Tools_Device {
  std::string text;           // the label
  int16_t depth = 0;          // bevel depth; its absolute value, 0 = the toolkit's default
  int16_t pressed = 0;        // 1 while the owner runs the button's action
  int16_t lamp = 0;           // lamp value (0 off)
  uint8_t hover = 0;          // 0 unknown, 1 mouse over, 2 not
  Tools_Picture face_normal;  // picture faces (options 0x10 / 0x40)
  Tools_Picture face_high;

  // Recomputes the clip rectangle after the owner moved or resized the button.
  void Adjust();
  // Draws the face for the current hover and pressed states. Changes nothing.
  void Draw();
  // The pressed flag.
  int Read();
  // The button's behaviour for the last mouse position (mode & 0xF: 4 only tests, other
  // modes update the hover state):
  //   mouse enters       hover 2 -> 1, face redrawn highlighted, returns 1
  //   mouse inside again no change, no redraw, returns 1
  //   mouse leaves       hover 1 -> 2, face redrawn normal, returns 0
  //   mode 4             returns 1 inside, 0 outside; nothing changes
  //   option 0x02        returns 0 (mode 4 still tests)
  int Select(int mode);
};

namespace Buttons {
// Marks the button initialised, takes the window, sets the default colour, the clip and
// the font (made again when the size changed).
void Init(Button &button, Window_Handle window);
// Select on each of `count` buttons; returns the index of the one the mouse is in, -1
// when none.
int Select(Button *buttons, int count, int mode);
// Loads the two picture faces of a picture button from the icon folder: the picture laid
// on `normal` and on `high` (packed colours). Returns 1 when both loaded.
int Load_Faces(Button &button, const std::string &folder, const std::string &file, uint32_t normal, uint32_t high);
}  // namespace Buttons
