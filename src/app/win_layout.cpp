// The main window's layout rules. The right column's message pane leaves room below it
// for the menu pane: three button rows of the toolkit's button height and margin.
#include "app/win_layout.h"

#include <algorithm>

#include "tools/tools_device.h"

static constexpr int MENU_HEIGHT = 3 * (TOOLS_MARGIN + TOOLS_BUTTON_HEIGHT);

void Main_Layout_Resize(Main_Layout &layout, int width, int height)
{
  if (width == 0) return;
  layout.width = width;
  layout.height = height;
  if (width < layout.split2 + SPLIT_RIGHT_MIN) {
    layout.split2 = width < SPLIT_NARROW ? SPLIT_SECOND_MIN : width - SPLIT_RIGHT_MIN;
    if (layout.split2 < layout.split1 + SPLIT_LIST_MIN)
      layout.split1 = layout.split2 >= SPLIT_SECOND_MIN ? layout.split2 - SPLIT_LIST_MIN : SPLIT_FIRST_MIN;
  }
}

void Main_Layout_Drag(Main_Layout &layout, int mouse_x)
{
  int wanted = mouse_x - SPLIT_GRAB;
  if (layout.drag == SPLIT_FIRST) {
    // The upper limit wins when the window is too narrow for both.
    layout.split1 = std::min(std::max(wanted, SPLIT_FIRST_MIN), layout.width - SPLIT_TREE_RIGHT);
    if (layout.split2 - SPLIT_LIST_MIN < layout.split1) layout.split2 = layout.split1 + SPLIT_LIST_MIN;
  } else if (layout.drag == SPLIT_SECOND) {
    layout.split2 = std::min(std::max(wanted, SPLIT_SECOND_MIN), layout.width - SPLIT_RIGHT_MIN);
    if (layout.split2 < layout.split1 + SPLIT_LIST_MIN) layout.split1 = layout.split2 - SPLIT_LIST_MIN;
  }
}

void Main_Layout_Panes(const Main_Layout &layout, Pane_Rect panes[PANE_COUNT])
{
  const int w = layout.width, h = layout.height, s1 = layout.split1, s2 = layout.split2;
  panes[PANE_TREE] = {1, 1, s1 - 1, h - 2};
  panes[PANE_LIST] = {s1 + SPLIT_BAR_WIDTH, 1, s2 - s1 - SPLIT_BAR_WIDTH, h - 2};
  panes[PANE_TEXT] = {s2 + SPLIT_BAR_WIDTH, 1, w - s2 - 10, h - MENU_HEIGHT - 6};
  panes[PANE_MENU] = {s2 + SPLIT_BAR_WIDTH, h - MENU_HEIGHT - 1, w - s2 - 10, MENU_HEIGHT};
}

void Main_Layout_Created_Panes(const Main_Layout &layout, Pane_Rect panes[PANE_COUNT])
{
  const int w = layout.width, h = layout.height, s1 = layout.split1, s2 = layout.split2;
  panes[PANE_TREE] = {1, 1, s1 - 2, h - 2};
  panes[PANE_LIST] = {s1 + SPLIT_BAR_WIDTH, 1, s2 - s1 - 10, h - 2};
  panes[PANE_TEXT] = {s2 + SPLIT_BAR_WIDTH, 1, w - s2 - 10, h - 3 * TOOLS_BUTTON_HEIGHT - 8};
  panes[PANE_MENU] = {s2 + SPLIT_BAR_WIDTH, h - 3 * TOOLS_BUTTON_HEIGHT - 6, w - s2 - 10, 3 * TOOLS_BUTTON_HEIGHT + 4};
}

Pane_Rect Main_Layout_Hidden_Pane(const Main_Layout &layout) { return {layout.width - 1, 1, 1, 1}; }

Pane_Rect Main_Layout_Bar(const Main_Layout &layout, int bar)
{
  // From 2 pixels above the bottom to 4 below the top, like the panes' 1-pixel border.
  return {bar == SPLIT_FIRST ? layout.split1 : layout.split2, 2, SPLIT_BAR_WIDTH, layout.height - 4};
}
