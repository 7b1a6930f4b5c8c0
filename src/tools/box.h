// Boxes and labels. A box is a framed area (bevel, optional hover outline, optional
// caption along its top edge) that groups other widgets; a label is static text in its
// rectangle, aligned by the option bits.
//
// Box options: 0x02 no hover highlight; the text bits place the caption (left and
// top by default).
#pragma once

#include <string>

#include "tools/tools_widget.h"

constexpr uint32_t BOX_NO_HOVER = 0x02;

struct Box : Tools_Device {
  std::string text;    // caption, drawn in the top band inside the bevel
  int16_t depth = 0;   // bevel depth, 0 = default
  int16_t pressed = 0; // sunken while 1
  uint8_t hover = 0;

  // Recomputes the clip rectangle.
  void Adjust();
  // Fills the box (unless option 0x01), draws the bevel, the caption, and the outline
  // while the mouse is over it.
  void Draw();
  // Checks the state; returns 0.
  int Read();
  // Mode 4: returns 1 when the mouse is inside, changing nothing. Other modes: updates
  // the hover outline like a button (redrawn on entering and leaving only) and returns 1
  // when the mouse is inside.
  int Select(int mode);
  // The height of the caption band (0 without a caption).
  int Caption_Height();
};

namespace Boxs {
void Init(Box &box, Window_Handle window);
// Select on each box; the index of the first one the mouse is in, -1 when none.
int Select(Box *boxes, int count, int mode);
}  // namespace Boxs

struct Label : Tools_Device {
  std::string text;
};

namespace Labels {
void Init(Label &label, Window_Handle window);
// Fills the rectangle with the label colour (unless option 0x01) and draws the text.
void Draw(Label &label);
}  // namespace Labels
