// Lists: a strip of item buttons (the list pane's order selector), item i placed at the
// start point plus i times the x and y steps, moved back by the scroll offset, with an
// optional inner slider that scrolls the strip. One item is the selected one; it is
// drawn pressed and lighter.
//
// Options: 0x02 no selection; 0x08 the list has its inner slider (along its right edge).
#pragma once

#include <string>
#include <vector>

#include "tools/button.h"
#include "tools/slider.h"

constexpr uint32_t LIST_SLIDER = 0x08;

struct List : Tools_Device {
  std::vector<Button> Item;  // grown by Lists::Add
  int selected = -1;         // the selected item, negative for none
  int start_x = 0, start_y = 0;       // the first item's bottom-left corner, relative to the list
  int step_x = 0, step_y = 0;         // from one item to the next
  int item_width = 0, item_height = 0;
  int offset = 0;            // items scrolled out at the start
  int16_t depth = 0;
  Slider slider;

  // Places the items again after the owner moved the list or changed the steps.
  void Adjust();
  // Draws the background, the items that lie wholly inside and the slider.
  void Draw();
  // The selected index, negative for none.
  int Read();
  // Passes the mouse to the items wholly inside the list (items outside get hover 2).
  // A press (mode 2) on an item selects it and redraws; returns 1 when an item is under
  // the mouse; the slider, when present, scrolls the strip.
  int Select(int mode);
};

namespace Lists {
void Init(List &list, Window_Handle window);
// Adds an item labelled `text`. Returns its index.
int Add(List &list, const char *text);
// Scrolls the strip by `steps` items (kept within the items) and redraws.
void Scroll(List &list, int steps);
// Re-places the items for the current offset and marks the selected one pressed.
void Update(List &list);
}  // namespace Lists
