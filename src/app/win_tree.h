// The tree pane: the folder tree of the source side on the left of the main window. Choosing
// a folder's name scans that folder. The destination's folder tree (the copy target of the
// settings window) lives here too, so that both trees are set up once at start-up.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os/window_handle.h"

struct Dir_Tree;

// The folder trees of the source side (this pane) and of the copy destination.
Dir_Tree &Tree_Source();
Dir_Tree &Tree_Destination();

// Sets both trees up with no folder selected (their drives are read when first drawn).
void Tree_Panes_Init();

// Opens the source tree down to `folder`, selects it and starts its scan, as a click on
// its name does. Returns 1 when the scan started; returns 0 when the folder is not in the
// tree or the scan did not start (reported).
int Tree_Pane_Open(const std::string &folder);

// The folder selected in the source tree ("" when none): the folder the list pane shows.
std::string Tree_Pane_Folder();

// The procedure of the tree pane's class.
intptr_t Tree_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
