// Tree glyphs drawn with lines and fills in one drawing context each.
#include "tools/tree_glyph.h"

#include "tools/tools.h"
#include "tools/y_surface.h"

void Tree_Glyph_Node(Tools_Device &device, int x, int y, int open, int row_top, int text_x)
{
  Y_Scope dc(device, "Tree_Glyph_Node");
  if (!dc) return;
  Y_Fill_Rect(*dc, x + 4, x + 10, y + 1, y + 7, TOOLS_WHITE);
  Y_Frame_Rect(*dc, x + 3, x + 11, y, y + 8, TOOLS_BLACK);
  Y_Line(*dc, x + 5, y + 4, x + 9, y + 4, TOOLS_BLACK);
  if (!open) Y_Line(*dc, x + 7, y + 2, x + 7, y + 6, TOOLS_BLACK);
  if (row_top > y + 8) Y_Line(*dc, x + 7, y + 9, x + 7, row_top, TOOLS_BLUE);
  if (text_x > x + 12) Y_Line(*dc, x + 12, y + 4, text_x, y + 4, TOOLS_BLUE);
}

void Tree_Glyph_Leaf(Tools_Device &device, int x, int y, int last, int row_top, int row_bottom, int text_x)
{
  Y_Scope dc(device, "Tree_Glyph_Leaf");
  if (!dc) return;
  Y_Line(*dc, x + 7, last ? y + 4 : row_bottom, x + 7, row_top, TOOLS_BLUE);
  if (text_x > x + 8) Y_Line(*dc, x + 8, y + 4, text_x, y + 4, TOOLS_BLUE);
}

void Tree_Glyph_Pass(Tools_Device &device, int x, int row_top, int row_bottom)
{
  Y_Scope dc(device, "Tree_Glyph_Pass");
  if (dc) Y_Line(*dc, x + 7, row_bottom, x + 7, row_top, TOOLS_BLUE);
}

void Tree_Glyph_Folder(Tools_Device &device, int x, int y, int open)
{
  Y_Scope dc(device, "Tree_Glyph_Folder");
  if (!dc) return;
  uint32_t body = open ? Tools_Pack(255, 64, 64) : Tools_Pack(142, 142, 56);
  Y_Fill_Rect(*dc, x + 1, x + 5, y + 8, y + 9, body);  // the tab
  Y_Fill_Rect(*dc, x + 1, x + 13, y + 1, y + 7, body);
  Y_Line(*dc, x + 1, y + 10, x + 5, y + 10, TOOLS_BLACK);
  Y_Line(*dc, x + 6, y + 9, x + 6, y + 8, TOOLS_BLACK);
  Y_Line(*dc, x + 6, y + 8, x + 14, y + 8, TOOLS_BLACK);
  Y_Line(*dc, x, y + 10, x, y, TOOLS_BLACK);
  Y_Line(*dc, x, y, x + 14, y, TOOLS_BLACK);
  Y_Line(*dc, x + 14, y, x + 14, y + 8, TOOLS_BLACK);
  Y_Line(*dc, x + 1, y + 7, x + 13, y + 7, open ? Tools_Pack(255, 160, 160) : Tools_Pack(190, 190, 110));
}
