// Tab bars and their tab items. The bar's rectangle is the row of tabs; the page drawn
// by Tabs::Page lies below it. Each tab item is a widget of its own with its frame, hover
// outline and selected fill; the bar places its items side by side from the left.
//
// Tab item options: 0x02 the item cannot be chosen (Read skips it, no hover).
#pragma once

#include <string>
#include <vector>

#include "tools/tools_widget.h"

struct TabItem : Tools_Device {
  std::string text;
  int16_t depth = 2;
  int16_t selected = 0;  // 1 for the bar's selected tab
  uint8_t hover = 0;
};

namespace TabItems {
void Init(TabItem &item, Window_Handle window);
void Adjust(TabItem &item);
// The whole tab: fill, frame, outline while hovered, label.
void Draw(TabItem &item);
// The tab's frame: raised on the left, top and right, open at the bottom when selected.
void Cadre(TabItem &item);
// The hover outline inside the frame.
void Cadre_Outline(TabItem &item);
// The inside of the tab: the item colour, lightened when selected.
void Fill_Select(TabItem &item);
// 1 when the mouse is over the item (never for option 0x02).
int Read(TabItem &item);
// Mode 4 only tests; otherwise updates the hover outline (redrawn on change only).
// Returns 1 when the mouse is over the item.
int Select(TabItem &item, int mode);
}  // namespace TabItems

struct Tabs_Bar : Tools_Device {
  std::vector<TabItem> Item;  // grown by Tabs::Add
  int selected = 0;           // index of the selected tab
  int16_t tab_width = 120;    // widest a tab gets
};

namespace Tabs {
void Init(Tabs_Bar &bar, Window_Handle window);
// Adds a tab labelled `text` with its colour (and its page's). Returns its index.
int Add(Tabs_Bar &bar, const char *text, int red, int green, int blue);
// Places the items side by side along the bar (equal widths, at most tab_width).
void Adjust(Tabs_Bar &bar);
// Draws every tab, the selected one joined to the page.
void Draw(Tabs_Bar &bar);
// Fills the page below the bar (page_height pixels) with the selected tab's colour and
// frames it with white and light grey (216, 216, 216) lines.
void Page(Tabs_Bar &bar, int page_height);
// The index of the tab under the last mouse position (items with option 0x02 skipped);
// -1 when none or outside the bar.
int Read(Tabs_Bar &bar);
// Passes the mouse to the items (hover). Returns Read's index.
int Select(Tabs_Bar &bar, int mode);
// Makes tab `index` the selected one and redraws the bar. Returns 1; 0 for a bad index.
int Choose(Tabs_Bar &bar, int index);
}  // namespace Tabs
