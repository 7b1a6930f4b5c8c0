// The catalogue view's drawing. A frame costs the rows in sight only: the first visible
// row is computed from the offset, the tree lines above it come from a short walk back
// to its ancestors, and each piece of text is drawn where the previous one ended (the
// text primitive returns its advance), so no text is measured at all. One text record
// is reused for every row of a frame.
//
// Index: texts of a row / icons / geometry / drawing.
#include "app/list_graph.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "app/list_text.h"
#include "tools/icon.h"
#include "tools/tools.h"
#include "tools/tools_widget.h"
#include "tools/tree_glyph.h"
#include "tools/y_font.h"

enum {
  HEAD_SPACE = TOOLS_MARGIN + (int)LIST_ROW_HEIGHT,  // the view's top to the first row: margin, head line
  COLUMN = 20,         // width of a glyph column
  ICON_SIZE = 16,      // the select and copy icons, square
  TEXT_INDENT = 32,    // text start after the select icon's column
  TEXT_DROP = 4,       // text box top below the row's top line
  ICON_DROP = 3,       // icon bottom below the text's base line: centred on the text
  CAPTION_GAP = 4,     // between the caption and the value: a blank
  DETAIL_GAP = 10,     // between the value and each detail piece
  PATH_GAP = 30,       // head line: folder glyph to path
  FONT_SIZE = 10,      // points, both fonts
  DEPTH_MAX = 256,     // deepest level whose tree line is tracked
  STUDY_FOLDERS = 5,   // folder texts a study row shows
};

// ---- texts of a row ------------------------------------------------------------------------------

__attribute__((format(printf, 2, 3))) static void Piece_Printf(List_Graph_Piece &piece, const char *format, ...)
{
  char buffer[256];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length < (int)sizeof buffer) {
    piece.text.assign(buffer, (size_t)std::max(length, 0));
    return;
  }
  piece.text.resize((size_t)length);
  va_start(arguments, format);
  std::vsnprintf(piece.text.data(), (size_t)length + 1, format, arguments);
  va_end(arguments);
}

static List_Graph_Piece &Detail_Add(List_Graph_Text &text, uint32_t colour)
{
  List_Graph_Piece &piece = text.detail[text.nb_detail++];
  piece.colour = colour;
  return piece;
}

// "(%d stud%s, %d image%s)" of a group or of the root.
static void Detail_Counts(List_Graph_Text &text, int studies, int images)
{
  Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(%d stud%s, %d image%s)", studies, studies == 1 ? "y" : "ies",
               images, images == 1 ? "" : "s");
}

// "(date, folder folder ...)": the study's date and its first five folder texts.
static void Detail_Study_Place(List_Graph_Text &text, const item_study &study)
{
  char date[STUDY_DATE_TEXT];
  List_Graph_Piece &piece = Detail_Add(text, TOOLS_BLACK);
  piece.text.assign("(").append(List_Text_Date(study, date)).append(", ");
  bool first = true;
  for (int i = 0; i < STUDY_FOLDERS; i++) {
    if (!study.folder[i][0]) continue;
    if (!first) piece.text += ' ';
    piece.text += study.folder[i];
    first = false;
  }
  piece.text += ')';
}

// The root of orders 1 to 4: its studies (under groups in orders 2 to 4) and images.
static void Detail_Root(List_Graph_Text &text, const List_Tree &root)
{
  int studies = 0, images = 0;
  for (int i = 0; i < root.nb_child; i++) {
    const List_Tree &child = root.child[i];
    studies += child.kind == LIST_STUDY ? 1 : child.nb_child;
    images += child.nb_image;
  }
  Detail_Counts(text, studies, images);
}

void List_Graph_Row_Text(const List_Tree &node, List_Graph_Text &text)
{
  text.caption = List_Text_Caption(node);
  List_Text_Value(node, text.value);
  text.nb_detail = 0;
  const item_study *study = (const item_study *)node.item;  // group and study nodes
  switch (node.kind) {
  case LIST_ROOT:
    if (!node.item) {
      Detail_Root(text, node);
      break;
    }
    [[fallthrough]];
  case LIST_DIR: {
    int files = ((const item_dir *)node.item)->nb_dicom;
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(%d file%s)", files, files == 1 ? "" : "s");
    break;
  }
  case LIST_GROUP_NAME:
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(id: %s)", List_Text_Or_Missing(study->Patient_ID));
    Detail_Counts(text, node.nb_child, node.nb_image);
    break;
  case LIST_GROUP_PID:
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(name: %s)", List_Text_Name(*study).c_str());
    Detail_Counts(text, node.nb_child, node.nb_image);
    break;
  case LIST_GROUP_DATE:
    Detail_Counts(text, node.nb_child, node.nb_image);
    break;
  case LIST_STUDY:
    Detail_Study_Place(text, *study);
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(%d series, %d image%s)", node.nb_child, node.nb_image,
                 node.nb_image == 1 ? "" : "s");
    break;
  case LIST_SERIES: {
    const item_series *series = (const item_series *)node.item;
    if (series->Series_desc && *series->Series_desc)
      Piece_Printf(Detail_Add(text, TOOLS_BLACK), "(%s)", series->Series_desc);
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(%d images)", node.nb_child);
    break;
  }
  case LIST_IMAGE:
    Piece_Printf(Detail_Add(text, TOOLS_BLUE), "(file %s)", List_Text_Or_Missing(((const item_file *)node.item)->path));
    break;
  default:  // files: the path is the value
    break;
  }
}

// ---- icons ----------------------------------------------------------------------------------------

const char *List_Graph_Select_Icon(int select_state)
{
  switch (select_state) {
  case 0:
  case SELECT_NO: return "icon_select_no.rgb";
  case SELECT_YES: return "icon_select_yes.rgb";
  case SELECT_NO | SELECT_YES: return "icon_select_part.rgb";
  default: return nullptr;
  }
}

const char *List_Graph_Copy_Icon(int copy_state)
{
  switch (copy_state) {
  case 0:
  case COPY_NONE: return nullptr;
  case COPY_DONE: return "icon_copy_yes.rgb";
  case COPY_FAILED:
  case COPY_FAILED | COPY_NONE: return "icon_copy_no.rgb";
  default: return "icon_copy_part.rgb";
  }
}

// ---- geometry ---------------------------------------------------------------------------------------

int List_Graph_Row_Bottom(const Tools_Device &view, int offset, int row)
{
  return view.y + view.height - HEAD_SPACE - LIST_ROW_HEIGHT * (row + 1) + offset;
}

int List_Graph_Row_At(const Tools_Device &view, const List_Rows &rows, int offset, int y)
{
  if (y < view.y || y >= view.y + view.height) return -1;
  int head = List_Graph_Row_Bottom(view, offset, -1);
  if (y >= head) return -1;
  int row = (head - 1 - y) / LIST_ROW_HEIGHT;
  return row < rows.nb_row ? row : -1;
}

// The left edge of glyph column `column`: the glyph of depth column + 1, or the select
// icon (less one pixel) and the text (less TEXT_INDENT) of depth `column`.
static int Column_Left(const Tools_Device &view, int column)
{
  return view.x + 2 * TOOLS_MARGIN + COLUMN * column;
}

int List_Graph_Column_At(const Tools_Device &view, int x)
{
  int across = x - Column_Left(view, 0);
  return across < 0 ? -1 : across / COLUMN;
}

int List_Graph_Slider_Range(const Tools_Device &view, int nb_row)
{
  // List_Rows_Slider_Range keeps two bevels and a margin (12 pixels) free below the rows
  // of a pane; the view's own head space takes their place.
  return List_Rows_Slider_Range(nb_row, view.height - HEAD_SPACE + 2 * TOOLS_BEVEL + TOOLS_MARGIN);
}

// The left edge of the glyph of depth `depth` (depths 0 and 1 share the first column).
static int Glyph_X(const Tools_Device &view, int depth)
{
  return Column_Left(view, std::max(depth - 1, 0));
}

// ---- drawing ------------------------------------------------------------------------------------------

static Y_Font *font_regular = nullptr, *font_bold = nullptr;

static void Fonts_Make(Window_Handle window)
{
  if (!font_regular) font_regular = Y_Create_Font(window, "Arial", "regular", nullptr, FONT_SIZE);
  if (!font_bold) font_bold = Y_Create_Font(window, "Arial", "bold", nullptr, FONT_SIZE);
}

void List_Graph_Init(Tools_Device &view, Window_Handle window)
{
  Tools_Init_Widget(view, window, "List_Graph_Init");
  Fonts_Make(view.window);
}

// Vertical places inside a row, above its bottom; the same for every row of a frame.
struct Row_Lines {
  int text;   // bottom of the text box
  int base;   // the text's base line: the glyph's base
  int icon;   // bottom of the icons
};

static Row_Lines Lines_Of_Rows()
{
  int height = Y_Font_Height(font_regular);
  Row_Lines lines;
  lines.text = (int)LIST_ROW_HEIGHT - TEXT_DROP - height;
  lines.base = lines.text + height - Y_Font_Ascent(font_regular);
  lines.icon = lines.base - ICON_DROP;
  return lines;
}

static void Draw_Head(Tools_Device &view, const Row_Lines &lines, int offset, const char *folder)
{
  int bottom = List_Graph_Row_Bottom(view, offset, -1);
  if (bottom > view.y + view.height - 1 || bottom + LIST_ROW_HEIGHT - 1 < view.y) return;
  int x = Column_Left(view, 0);
  Tree_Glyph_Folder(view, x, bottom + lines.base, 1);
  Tools::Text_At(view, font_regular, x + PATH_GAP, bottom + lines.text, folder, TOOLS_BLACK);
}

// The tree lines of one row: the ancestors' levels that go on below (`pass`), then the
// row's own glyph reaching up to the row above and across to its select icon.
static void Draw_Tree(Tools_Device &view, const List_Row &row, const uint8_t *pass, int bottom, int base)
{
  int depth = row.depth, top = bottom + LIST_ROW_HEIGHT - 1;
  if (depth < 1) return;
  for (int level = 1; level < std::min(depth, (int)DEPTH_MAX); level++)
    if (pass[level]) Tree_Glyph_Pass(view, Glyph_X(view, level), top, bottom);
  int x = Glyph_X(view, depth), to_icon = Column_Left(view, depth) - 2;
  bool last = row.node->flags & LIST_LAST;
  if (row.node->flags & LIST_LEAF) {
    Tree_Glyph_Leaf(view, x, base, last, top, bottom, to_icon);
    return;
  }
  if (!last) Tree_Glyph_Pass(view, x, top, bottom);
  Tree_Glyph_Node(view, x, base, (row.node->flags & LIST_OPEN) != 0, top, to_icon);
}

static void Draw_Texts(Tools_Device &view, const List_Graph_Text &text, int x, int y)
{
  x = Tools::Text_At(view, font_regular, x, y, text.caption, TOOLS_BLACK);
  if (*text.caption) x += CAPTION_GAP;
  x = Tools::Text_At(view, font_bold, x, y, text.value.c_str(), TOOLS_BLACK);
  for (int i = 0; i < text.nb_detail; i++)
    x = Tools::Text_At(view, font_regular, x + DETAIL_GAP, y, text.detail[i].text.c_str(), text.detail[i].colour);
}

static void Draw_Row(Tools_Device &view, const Row_Lines &lines, const List_Row &row, const uint8_t *pass, int bottom,
                     List_Graph_Text &text)
{
  Draw_Tree(view, row, pass, bottom, bottom + lines.base);
  int icon_x = Column_Left(view, row.depth) - 1;
  const List_Tree &node = *row.node;
  Icon_Draw_Image(view, icon_x, bottom + lines.icon, nullptr, List_Graph_Select_Icon(node.select_state));
  Icon_Draw_Image(view, icon_x + ICON_SIZE, bottom + lines.icon, nullptr, List_Graph_Copy_Icon(node.copy_state));
  List_Graph_Row_Text(node, text);
  Draw_Texts(view, text, Column_Left(view, row.depth) + TEXT_INDENT, bottom + lines.text);
}

// Fills pass[1 .. depth of `first` - 1]: whether the ancestor of row `first` at each level
// has later siblings. Each ancestor is the nearest earlier row of a smaller depth.
static void Pass_Above(const List_Rows &rows, int first, uint8_t *pass)
{
  int need = rows.row[first].depth;
  for (int i = first - 1; i >= 0 && need > 1; i--) {
    int depth = rows.row[i].depth;
    if (depth >= need) continue;
    if (depth < DEPTH_MAX) pass[depth] = !(rows.row[i].node->flags & LIST_LAST);
    need = depth;
  }
}

void List_Graph_Draw(Tools_Device &view, const List_Rows &rows, int offset, const char *folder)
{
  if (!folder || !*folder) return;
  Tools_Check_State(view, "List_Graph_Draw");
  if (view.width < 1 || view.height < 1) return;
  Fonts_Make(view.window);
  Tools_Clip_To_Rect(view);
  int top = view.y + view.height - 1;
  Tools::Fill(view, 0, view.x, view.x + view.width - 1, view.y, top);
  Row_Lines lines = Lines_Of_Rows();
  Draw_Head(view, lines, offset, folder);
  if (rows.nb_row == 0) return;

  // Row i spans Row_Bottom(i) .. Row_Bottom(i) + 19; the first in sight is the first whose
  // bottom is not above the view's top.
  int head = List_Graph_Row_Bottom(view, offset, -1);
  int first = head - LIST_ROW_HEIGHT > top ? (head - LIST_ROW_HEIGHT - top + LIST_ROW_HEIGHT - 1) / LIST_ROW_HEIGHT : 0;
  if (first >= rows.nb_row) return;
  uint8_t pass[DEPTH_MAX] = {};
  Pass_Above(rows, first, pass);
  List_Graph_Text text;
  for (int i = first; i < rows.nb_row; i++) {
    int bottom = List_Graph_Row_Bottom(view, offset, i);
    if (bottom + LIST_ROW_HEIGHT - 1 < view.y) break;
    Draw_Row(view, lines, rows.row[i], pass, bottom, text);
    int depth = rows.row[i].depth;
    if (depth < DEPTH_MAX) pass[depth] = !(rows.row[i].node->flags & LIST_LAST);
  }
}
