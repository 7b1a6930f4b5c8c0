// Check lists: a row of labelled choices (for example "no", "yes") of which one is
// selected, each with a small sunken box that is filled when it is the selected one.
//
// Options: 0x01 no background, 0x02 no selection (clicks and hover ignored), 0x20 text
// in the highlight colour; together (0x23) they give the disabled look.
#pragma once

#include <string>
#include <vector>

#include "tools/tools_widget.h"

constexpr uint32_t CHECKLIST_NO_SELECT = 0x02;  // clicks and hover ignored

struct CheckList : Tools_Device {
  std::vector<std::string> List;  // the choices' texts (an empty text ends a list given as
                                  // an array; here the vector holds the choices only)
  int selected = -1;              // index of the selected choice, negative for none
  int16_t depth = 1;
  int hover = -1;                 // the choice under the mouse, -1 for none

  // Places the choices after the owner moved or resized the list.
  void Adjust();
};

namespace CheckLists {
// Marks the list initialised. Returns 1; returns 0 with the warnings "device->List is
// empty" and "Problems in CheckLists::Init()" when there is no choice.
int Init(CheckList &list, Window_Handle window, const char *const *texts = nullptr);
// Draws the background, each choice's box (filled when selected) and text, and the
// outline of the hovered choice.
void Draw(CheckList &list);
// The selected index, negative for none.
int Read(CheckList &list);
// The list's behaviour for the last mouse position:
//   mode 4          returns 1 when the mouse is on a choice, changes nothing
//   option 0x02     returns 0, changes nothing
//   mode 2 (press)  on a choice: it becomes the selected one, redrawn, returns 1
//   other modes     the hover outline follows the choice under the mouse (redrawn on
//                   change only); returns 1 when the mouse is on a choice
int Select(CheckList &list, int mode);
// Forgets the hover (the mouse left the pane) and redraws when it changed.
void Deselect(CheckList &list);
// The index of the choice at drawing position (x, y), -1 for none.
int Choice_At(CheckList &list, int x, int y);
}  // namespace CheckLists
