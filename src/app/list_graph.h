// The catalogue view's drawing: the rows of a sort tree (List_Rows) drawn into the list
// pane's view widget, and the mapping of a mouse position back to a row and a glyph
// column. The view is a plain device header whose position, size, colour and window the
// list pane sets; the rows are drawn downwards from a head line that shows the scanned
// folder, 20 pixels a row, moved up by the slider offset (in pixels), and only the rows
// inside the view are drawn. Every geometry here is computed by the same few functions,
// so that the row drawn at y is the row a click at y finds.
//
// A row of depth d:
//
//   | 2 x margin | tree lines and glyph | select icon | copy icon | caption value  details
//   ^ left         ^ 20 x (d - 1)        ^ 20 x d - 1  ^ + 16      ^ 20 x d + 32
//
// (depths 0 and 1 share the first glyph column; the root, always open, has no glyph.)
#pragma once

#include <cstdint>
#include <string>

#include "app/list_rows.h"
#include "tools/tools_device.h"

// ---- texts of a row -------------------------------------------------------------------------

enum { LIST_GRAPH_DETAILS = 2 };  // detail pieces a row has at most

// One piece of a row's details, drawn in the regular font in its colour.
struct List_Graph_Piece {
  std::string text;
  uint32_t colour = 0;  // packed as Tools_Pack: black, or blue (0, 0, 255)
};

// What a row says: the caption in the regular font, the value in the bold font right
// after it, then the details 10 pixels after the value and 10 pixels apart.
struct List_Graph_Text {
  const char *caption = "";  // a constant (List_Text_Caption)
  std::string value;
  int nb_detail = 0;
  List_Graph_Piece detail[LIST_GRAPH_DETAILS];
};

// Fills `text` with the texts of the row of `node`, by the node's kind (the strings'
// capacity is reused, so one record serves a whole frame):
//   directory (and the file order's root)  "dir:" name      "(%d files)" / "(%d file)", blue
//   file                                   "file:" path     none
//   patient group, name order              "patient:" name  "(id: %s)", "(%d stud%s, %d image%s)", blue
//   patient group, patient-ID order        "patient:" ID    "(name: %s)", "(%d stud%s, %d image%s)", blue
//   date group                             "date:" date     "(%d stud%s, %d image%s)", blue
//   study                                  "study:" ID      "(date, folders)" black, "(%d series, %d image%s)" blue
//   series                                 "series:" number "(%s)" description in black when there is one,
//                                                           "(%d images)" blue
//   image                                  "image:" number  "(file %s)", blue
//   root of orders 1 to 4                  no caption or value; "(%d stud%s, %d image%s)", blue
// Absent texts show as "---"; the study's folders are its first five folder texts, one
// blank apart. Pure: reads the node and the records it points at, draws nothing.
void List_Graph_Row_Text(const List_Tree &node, List_Graph_Text &text);

// The selection icon of a select state: "icon_select_yes.rgb" for 2, "icon_select_part.rgb"
// for 3, "icon_select_no.rgb" for 0 and 1, nullptr (no icon) for higher values.
const char *List_Graph_Select_Icon(int select_state);

// The copy icon of a copy state: nullptr for 0 and 1, "icon_copy_yes.rgb" for 2,
// "icon_copy_no.rgb" for 4 and 5, "icon_copy_part.rgb" for every other value.
const char *List_Graph_Copy_Icon(int copy_state);

// ---- the view ----------------------------------------------------------------------------------

// Marks the view initialised on `window` (Tools_Init_Widget: default grey when it has no
// colour, clipped to its rectangle) and makes the view's two fonts, "Arial" regular and
// bold, size 10, once for the run. Call it again after the list pane moves or resizes it.
void List_Graph_Init(Tools_Device &view, Window_Handle window);

// Draws the whole view: nothing at all when `folder` is null or empty (no folder chosen);
// otherwise fills the view with its colour, clips to its rectangle, draws the head line
// (the open folder glyph and `folder` in black) and then the rows of `rows` that fall
// inside the view, moved up by `offset` pixels (the slider's value, 0 at the top): their
// tree lines and glyphs, their selection and copy icons by their states (inner nodes'
// aggregated states, leaves' file entries'), and their texts (List_Graph_Row_Text).
// Reads the rows and never changes them; no allocation grows with the row count.
// Preconditions: the user-interface thread; the rows' tree is alive.
void List_Graph_Draw(Tools_Device &view, const List_Rows &rows, int offset, const char *folder);

// The bottom y (drawing coordinates) of row `row` at slider offset `offset`; the head line
// is row -1. Rows may lie outside the view.
int List_Graph_Row_Bottom(const Tools_Device &view, int offset, int row);

// The row under the drawing-coordinate `y` at slider offset `offset`: its index in
// `rows`, or -1 on the head line or above it, below the last row, or outside the view.
int List_Graph_Row_At(const Tools_Device &view, const List_Rows &rows, int offset, int y);

// The glyph column under the drawing-coordinate `x`: 0 for the first column (the glyphs
// of depth 1), 1 for depth 2 and so on, each column 20 pixels wide from left + 2 x margin;
// -1 left of the first column. List_Rows_Toggle takes it as is.
int List_Graph_Column_At(const Tools_Device &view, int x);

// The list pane's slider range (0: no slider) for `nb_row` rows in the view: through
// List_Rows_Slider_Range, so that the slider is hidden exactly when the head line and
// every row fit, and at its end the last row stands one margin above the view's bottom.
int List_Graph_Slider_Range(const Tools_Device &view, int nb_row);
