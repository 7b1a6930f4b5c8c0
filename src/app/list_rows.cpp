// The catalogue view's rows, levels and selection. Rows are a flat array made from the
// tree on every change of order or of an open node; the selection is written into the
// file entries under the rows and then folded up the tree by OR, so a partly selected
// study or group shows state 3.
//
// Index: rows / states / toggling and levels / selection / counting and collecting.
#include "app/list_rows.h"

#include <algorithm>
#include <cstdlib>

#include "dicom/NEMA_Memory_Error.h"
#include "util/message_log.h"

enum { LEVEL_MIN = 1, LEVEL_MAX = 4, BEVEL = 3, MARGIN = 6 };

void List_Rows_Init(List_Rows &rows)
{
  List_Rows_Free(rows);
  rows.root = nullptr;
  rows.level = LEVEL_MIN;
  rows.last_step = 1;
  rows.range_first = rows.range_last = -1;
  rows.drag_start = -1;
}

void List_Rows_Free(List_Rows &rows)
{
  std::free(rows.row);
  rows.row = nullptr;
  rows.nb_row = 0;
}

// ---- rows -----------------------------------------------------------------------------------

static bool Node_Is_File(const List_Tree *node)
{
  return node->kind == LIST_FILE || node->kind == LIST_IMAGE;
}

static bool Node_Shows_Children(const List_Tree *node)
{
  return (node->flags & LIST_OPEN) && node->nb_child > 0;
}

static int Rows_Count(const List_Tree *node)
{
  int count = 1;
  if (Node_Shows_Children(node))
    for (int i = 0; i < node->nb_child; i++) count += Rows_Count(&node->child[i]);
  return count;
}

static void Rows_Fill(List_Rows &rows, List_Tree *node, int depth)
{
  rows.row[rows.nb_row++] = {depth, node};
  if (Node_Shows_Children(node))
    for (int i = 0; i < node->nb_child; i++) Rows_Fill(rows, &node->child[i], depth + 1);
}

int List_Rows_Build(List_Rows &rows, List_Tree *root)
{
  List_Rows_Free(rows);
  rows.root = root;
  if (!root) return 0;
  int count = Rows_Count(root);
  rows.row = (List_Row *)std::malloc(sizeof(List_Row) * (size_t)count);
  if (!rows.row) {
    NEMA_Memory_Error(__LINE__, "list_rows", "malloc", "List", count, (long)sizeof(List_Row));
    return 0;
  }
  Rows_Fill(rows, root, 0);
  List_Rows_Update_States(rows);
  return rows.nb_row;
}

int List_Rows_Slider_Range(int nb_row, int pane_height)
{
  int height = nb_row * LIST_ROW_HEIGHT;
  if (height <= pane_height - 2 * BEVEL - MARGIN) return 0;
  return height + 6 * BEVEL - pane_height;
}

// ---- states -----------------------------------------------------------------------------------

// Leaves take their file entry's bytes; inner nodes the OR of their children's.
static void Node_States(List_Tree *node)
{
  if (Node_Is_File(node)) {
    const item_file *file = (const item_file *)node->item;
    node->select_state = file->select_state;
    node->copy_state = file->copy_state;
    return;
  }
  node->select_state = node->copy_state = 0;
  for (int i = 0; i < node->nb_child; i++) {
    Node_States(&node->child[i]);
    node->select_state |= node->child[i].select_state;
    node->copy_state |= node->child[i].copy_state;
  }
}

void List_Rows_Update_States(List_Rows &rows)
{
  if (rows.root) Node_States(rows.root);
}

// ---- toggling and levels -----------------------------------------------------------------------

int List_Rows_Toggle(List_Rows &rows, int row, int column)
{
  if (row < 0 || row >= rows.nb_row || rows.row[row].depth != column + 1) return 0;
  List_Tree *node = rows.row[row].node;
  if (node->flags & LIST_CLOSED) {
    node->flags = (uint8_t)((node->flags & ~LIST_CLOSED) | LIST_OPEN);
    return 1;
  }
  if (node->flags & LIST_OPEN) {
    node->flags = (uint8_t)((node->flags & ~LIST_OPEN) | LIST_CLOSED);
    return 1;
  }
  return 0;
}

int List_Rows_Level_Change(List_Rows &rows, int step)
{
  int level = rows.level + (step > 0 ? 1 : -1);
  if (level < LEVEL_MIN || level > LEVEL_MAX) return 0;
  rows.level = level;
  rows.last_step = step > 0 ? 1 : -1;
  Message_Log(nullptr, MSG_REPORT, "%s\x02%d", step > 0 ? "Expand to level: " : "Contract to level: ", level);
  for (int i = 0; i < rows.nb_row; i++) {
    List_Tree *node = rows.row[i].node;
    int depth = rows.row[i].depth;
    if (step > 0 && (node->flags & LIST_CLOSED) && depth < level)
      node->flags = (uint8_t)((node->flags & ~LIST_CLOSED) | LIST_OPEN);
    else if (step < 0 && (node->flags & LIST_OPEN) && depth >= level)
      node->flags = (uint8_t)((node->flags & ~LIST_OPEN) | LIST_CLOSED);
  }
  return 1;
}

int List_Rows_Level_Repeat(const List_Rows &rows)
{
  if (rows.level <= LEVEL_MIN) return 1;
  if (rows.level >= LEVEL_MAX) return -1;
  return rows.last_step;
}

// ---- selection -----------------------------------------------------------------------------------

enum Select_How { SELECT_SET, SELECT_CLEAR, SELECT_FLIP };

static void Node_Select(List_Tree *node, Select_How how)
{
  if (Node_Is_File(node)) {
    item_file *file = (item_file *)node->item;
    if (how == SELECT_SET) file->select_state = SELECT_YES;
    else if (how == SELECT_CLEAR) file->select_state = SELECT_NO;
    else file->select_state ^= 0x03;
    return;
  }
  for (int i = 0; i < node->nb_child; i++) Node_Select(&node->child[i], how);
}

// Applies `how` to the files under rows first..last. The rows that follow a row more
// deeply are its own descendants, already reached through it: they are passed over, so
// that a flip reaches every file once.
static void Rows_Select(List_Rows &rows, int first, int last, Select_How how)
{
  first = std::max(first, 0);
  last = std::min(last, rows.nb_row - 1);
  for (int i = first; i <= last;) {
    int depth = rows.row[i].depth;
    Node_Select(rows.row[i].node, how);
    for (i++; i <= last && rows.row[i].depth > depth; i++) {}
  }
}

static void Range_Set(List_Rows &rows, int first, int last)
{
  rows.range_first = first;
  rows.range_last = last;
}

int List_Rows_Select(List_Rows &rows, int first, int last, int modifiers)
{
  if (!rows.root) return 0;
  if (first == -1 && last == -1) {
    Node_Select(rows.root, SELECT_CLEAR);
    Range_Set(rows, -1, -1);
  } else {
    if (first > last) std::swap(first, last);
    if (last < 0 || first >= rows.nb_row) return List_Rows_Count_Selected(rows);
    first = std::max(first, 0);
    last = std::min(last, rows.nb_row - 1);
    bool shift = modifiers & LIST_SELECT_SHIFT, ctrl = modifiers & LIST_SELECT_CTRL;
    if (shift && rows.range_first >= 0) {
      if (first < rows.range_first || last > rows.range_last) {
        if (first < rows.range_first) last = std::min(rows.range_last, rows.nb_row - 1);
        else first = rows.range_first;
        Node_Select(rows.root, SELECT_CLEAR);
        Rows_Select(rows, first, last, SELECT_SET);
        Range_Set(rows, first, last);
      }
    } else if (shift || ctrl) {
      Rows_Select(rows, first, last, SELECT_FLIP);
      Range_Set(rows, first, last);
    } else {
      Node_Select(rows.root, SELECT_CLEAR);
      Rows_Select(rows, first, last, SELECT_SET);
      Range_Set(rows, first, last);
    }
  }
  List_Rows_Update_States(rows);
  return List_Rows_Count_Selected(rows);
}

// ---- counting and collecting -------------------------------------------------------------------

// Counts the selected files under `node`, storing them in `out` (when given) in tree order.
static int Files_Selected(const List_Tree *node, item_file **out, int count)
{
  if (Node_Is_File(node)) {
    item_file *file = (item_file *)node->item;
    if (file->select_state != SELECT_YES) return count;
    if (out) out[count] = file;
    return count + 1;
  }
  for (int i = 0; i < node->nb_child; i++) count = Files_Selected(&node->child[i], out, count);
  return count;
}

int List_Rows_Count_Selected(const List_Rows &rows)
{
  return rows.root ? Files_Selected(rows.root, nullptr, 0) : 0;
}

int List_Rows_Collect_Selected(const List_Rows &rows, item_file ***files, int *count)
{
  *files = nullptr;
  *count = 0;
  int total = List_Rows_Count_Selected(rows);
  if (total == 0) return 1;
  item_file **list = (item_file **)std::malloc(sizeof(item_file *) * (size_t)total);
  if (!list) {
    NEMA_Memory_Error(__LINE__, "list_rows", "malloc", "list", total, (long)sizeof(item_file *));
    return 0;
  }
  Files_Selected(rows.root, list, 0);
  *files = list;
  *count = total;
  return 1;
}
