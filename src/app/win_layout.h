// The main window's layout: the two splitter bars between the folder tree, the catalogue
// list and the right-hand column (message pane above the menu pane), how a size change and
// a drag move them, and the pane rectangles they give. Pure arithmetic on one record, so
// that the rules can be checked without a window.
#pragma once

// The panes of the main window, in creation order, and their child ids.
enum { PANE_TREE = 0, PANE_LIST = 1, PANE_TEXT = 2, PANE_MENU = 3, PANE_COUNT = 4 };
enum { PANE_ID_TREE = 1, PANE_ID_LIST = 2, PANE_ID_TEXT = 3, PANE_ID_MENU = 5 };

// Which splitter bar is being dragged.
enum { SPLIT_NONE = 0, SPLIT_FIRST = 1, SPLIT_SECOND = 2 };

constexpr int SPLIT_BAR_WIDTH = 8;      // a splitter bar, and the gap it leaves between two panes
constexpr int SPLIT_FIRST_START = 200;
constexpr int SPLIT_SECOND_START = 620;
constexpr int SPLIT_LIST_MIN = 150;     // the list pane keeps at least this width
constexpr int SPLIT_FIRST_MIN = 150;
constexpr int SPLIT_SECOND_MIN = 300;
constexpr int SPLIT_NARROW = 400;       // below this window width the splits take their minimum
constexpr int SPLIT_RIGHT_MIN = 100;    // the right column keeps at least this width
constexpr int SPLIT_TREE_RIGHT = 250;   // the first bar stays this far from the right edge
constexpr int SPLIT_GRAB = 5;           // the bar follows the mouse this many pixels to its left

struct Main_Layout {
  int width = 0, height = 0;           // the client size
  int split1 = SPLIT_FIRST_START;      // x of the bar between the tree and the list pane
  int split2 = SPLIT_SECOND_START;     // x of the bar between the list pane and the right column
  int drag = SPLIT_NONE;
};

// A rectangle in the main window's client coordinates (y downwards).
struct Pane_Rect {
  int x, y, width, height;
};

// Takes a new client size (a width of 0, a minimised window, changes nothing). When the
// width is below split2 + 100, split2 becomes 300 for a width below 400 and the width less
// 100 otherwise; when split2 is then below split1 + 150, split1 becomes split2 - 150 when
// split2 is 300 or more, else 150.
void Main_Layout_Resize(Main_Layout &layout, int width, int height);

// Moves the bar being dragged to follow the mouse at `mouse_x`: the first bar stays
// between 150 and width - 250 and pushes the second one right to keep the list pane 150
// wide; the second bar stays between 300 and width - 100 and pushes the first one left.
// Nothing without a drag.
void Main_Layout_Drag(Main_Layout &layout, int mouse_x);

// The four pane rectangles of the current splits (indexed by PANE_*).
void Main_Layout_Panes(const Main_Layout &layout, Pane_Rect panes[PANE_COUNT]);

// The rectangles the panes are created with, before the first size message lays them out.
void Main_Layout_Created_Panes(const Main_Layout &layout, Pane_Rect panes[PANE_COUNT]);

// Where a pane waits while a bar is dragged: out of sight at the right edge, so that only
// the bars redraw.
Pane_Rect Main_Layout_Hidden_Pane(const Main_Layout &layout);

// The splitter bar SPLIT_FIRST or SPLIT_SECOND in drawing coordinates (y upwards from the
// bottom row): its left edge and bottom, width and height.
Pane_Rect Main_Layout_Bar(const Main_Layout &layout, int bar);
