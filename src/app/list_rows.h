// The catalogue view's model: the rows of a sort tree as the user sees them (every node
// reachable through open nodes, depth first), opening and closing nodes and whole levels,
// and the selection. The selection lives in the file entries of the catalogue, so it is
// the same in every order; inner nodes show the OR of the states below them (1 none,
// 2 all, 3 part). Nothing here draws: the list pane draws these rows and turns mouse
// positions into row and column numbers.
#pragma once

#include <cstdint>

#include "app/list_sort.h"

enum { LIST_ROW_HEIGHT = 20 };  // pixels per row

// Modifier keys held during a selection.
enum { LIST_SELECT_SHIFT = 0x01, LIST_SELECT_CTRL = 0x02 };

struct List_Row {
  int32_t depth;    // 0 for the root
  List_Tree *node;
};

// The view's state. Zero-initialise, then List_Rows_Init; release with List_Rows_Free.
struct List_Rows {
  List_Tree *root;      // the tree listed (not owned), or nullptr
  int32_t nb_row;
  List_Row *row;        // owned
  int32_t level;        // 1 to 4
  int32_t last_step;    // the last level step, +1 or -1
  int32_t range_first;  // first and last row of the last range selected, -1 when none
  int32_t range_last;
  int32_t drag_start;   // row where the current selection drag began, -1 when none
};

// Empties the rows and sets level 1, no range and no drag.
void List_Rows_Init(List_Rows &rows);

// Frees the row array; the tree and the level stay.
void List_Rows_Free(List_Rows &rows);

// Lists `root` (a tree of the cache, or nullptr while its sort job runs) depth first: a
// node, then its children when it is open. Then recomputes every inner node's
// select_state and copy_state from the file entries. Returns the row count; 0 with an
// empty list after an allocation failure (reported as MSG_ERROR, variable "List").
int List_Rows_Build(List_Rows &rows, List_Tree *root);

// Recomputes the inner nodes' select_state and copy_state of the listed tree from its
// file entries (after a copy or push job changed them).
void List_Rows_Update_States(List_Rows &rows);

// The list pane's slider range for `nb_row` rows in a pane `pane_height` pixels high:
// 0 (slider hidden) when the rows fit into the pane less its bevels and margin.
int List_Rows_Slider_Range(int nb_row, int pane_height);

// Opens a closed node or closes an open one when `column` (the glyph column clicked,
// counted from 0) is the row's depth less one. Returns 1 when a node changed (rebuild the
// rows then), 0 for a leaf, a click beside the glyph or a row outside the list.
int List_Rows_Toggle(List_Rows &rows, int row, int column);

// Moves the level by `step` (+1 or -1) within 1 to 4 and writes "Expand to level: " or
// "Contract to level: " with the level (MSG_REPORT). Then, over the listed rows, +1 opens
// every closed node whose depth is below the new level and -1 closes every open node
// whose depth is at or above it. Returns 1 when the level changed (rebuild the rows then); 0, with no message, when
// the step would leave 1 to 4.
int List_Rows_Level_Change(List_Rows &rows, int step);

// The step that repeats the last one: +1 at level 1, -1 at level 4, else the last step.
int List_Rows_Level_Repeat(const List_Rows &rows);

// Selects the rows `first` to `last` (in either order, clamped to the list) by the
// modifier rules, and returns the number of selected files afterwards:
// - no modifier: everything is deselected, then the rows are selected;
// - LIST_SELECT_CTRL: every file under the rows flips between selected and not;
// - LIST_SELECT_SHIFT after an earlier range: a range starting above the earlier one
//   selects from its first row to the earlier last row, one ending below it selects
//   from the earlier first row to its last row (everything else deselected); otherwise
//   nothing changes. Without an earlier range Shift flips like Ctrl.
// A row's files count once even when rows below it in the range hold them too.
// (-1, -1) deselects the whole tree and forgets the range. A range wholly outside the
// list changes nothing. The range selected is remembered for the next Shift.
int List_Rows_Select(List_Rows &rows, int first, int last, int modifiers);

// The number of file entries under the root that are selected.
int List_Rows_Count_Selected(const List_Rows &rows);

// Gives `*files` a malloc'ed array (owned by the caller) of every selected file entry
// under the root, in tree order, and its length in `*count` (nullptr and 0 when none).
// Returns 1; returns 0 after reporting an allocation failure (variable "list"), with
// nullptr and 0.
int List_Rows_Collect_Selected(const List_Rows &rows, item_file ***files, int *count);
