// The glyphs of tree rows (the catalogue view and the folder tree): the boxed plus and
// minus of closed and open nodes, the connector lines of leaves, and the small folder.
// A glyph sits in a row whose left edge is x; y is the glyph's base line (the box's
// bottom), and the connectors run to the row's top and, for leaves that are not the
// last of their level, to its bottom.
#pragma once

#include "tools/tools_device.h"

// A closed (open = 0) or open node: a black 8 x 8 box from (x+3, y) to (x+11, y+8) with a
// plus or minus, a blue line up from the box to `row_top` and one right to `text_x`.
void Tree_Glyph_Node(Tools_Device &device, int x, int y, int open, int row_top, int text_x);

// A leaf: a blue vertical line at x+7 from `row_bottom` (from y+4 for the last node of a
// level) to `row_top`, and a blue horizontal line at y+4 to `text_x`.
void Tree_Glyph_Leaf(Tools_Device &device, int x, int y, int last, int row_top, int row_bottom, int text_x);

// A vertical blue line at x+7 across the row: the continuation of an ancestor's level.
void Tree_Glyph_Pass(Tools_Device &device, int x, int row_top, int row_bottom);

// A folder 15 pixels wide and 11 high from (x, y): outlined in black, its body
// (255, 64, 64) when `open`, else (142, 142, 56).
void Tree_Glyph_Folder(Tools_Device &device, int x, int y, int open);
