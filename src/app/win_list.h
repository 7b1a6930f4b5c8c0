// The list pane: the catalogue view in the middle of the main window. From the top down: the
// order selector ("by File" ... "by Name"), the list area with the view and its slider, and a
// bottom row with the level buttons, the report button and the count of selected files.
// Clicks on a node's glyph open or close it; clicks and drags on rows select files (Shift
// extends the last range, Ctrl toggles). The jobs refresh it through List_Pane_Refresh.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/window_handle.h"

struct List_Rows;
struct Tools_Device;
struct List_Tree;
struct item_file;

// The jobs' list-pane refresh (installed as list_refresh): LIST_REFRESH_SCAN shows the file
// order afresh, LIST_REFRESH_SORT rebuilds the rows of the current order, LIST_REFRESH_REDRAW
// recomputes the states and redraws. Any thread: the request is posted to the pane, and
// requests that arrive before it runs are served by one refresh (the strongest asked for).
// LIST_REFRESH_CLEAR (on the user-interface thread, before a scan frees the catalogue) drops
// the rows at once.
void List_Pane_Refresh(int mode);

// The current order (0 "by File" ... 4 "by Name").
int List_Pane_Order();

// Makes `order` the current order, as a click on the selector does: rebuilds the rows
// (starting the sort of that order when its tree is not there yet) and redraws.
void List_Pane_Set_Order(int order);

// The view's rows (their root is the tree of the current order, or null while it is sorted).
const List_Rows &List_Pane_Rows();

// The view widget: its rectangle in the pane's drawing coordinates (y upwards), for
// finding where a row is drawn (List_Graph_Row_Bottom).
const Tools_Device &List_Pane_View();

// The status text: "%d File%s selected", or "" when no file is selected.
std::string List_Pane_Status();

// The slider's offset of the view in pixels (0 at the top).
int List_Pane_Offset();

// The tree of the current order, or null.
List_Tree *List_Pane_Root();

// The selected file entries under the current tree, in tree order.
std::vector<item_file *> List_Pane_Selected_Files();

// Writes the RTF and CSV reports of the current order (the rows as listed) for the scanned
// folder into the temp folder.
void List_Pane_Write_Reports();

// The procedure of the list pane's class.
intptr_t List_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
