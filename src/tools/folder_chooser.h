// The folder chooser: a small modal window with a folder tree and "OK" and "Cancel"
// buttons, where the Windows program used the shell's folder browser. Clicking a folder's
// name selects it; "OK" (or Enter) takes the selected folder, "Cancel", Escape or the
// close box take none.
#pragma once

#include <string>

#include "platform/os/window_handle.h"

// Shows the chooser over `owner` with `title` as its caption, opened at `start` (may be
// empty), and runs a nested message loop until it is answered. Returns 1 with the chosen
// folder (ending with "/") in `folder`; returns 0 when nothing was chosen (folder
// untouched). A WM_QUIT met meanwhile cancels the chooser and is queued again.
// Precondition: called on the user-interface thread of a running window system.
int Folder_Choose(Window_Handle owner, const char *title, const std::string &start, std::string &folder);

// The two halves of Folder_Choose, for owners that run the loop themselves (and tests):
// Folder_Chooser_Open creates the chooser window (null after a report when it cannot);
// Folder_Chooser_State returns -1 while it is open, 1 when a folder was chosen (in
// `folder`), 0 when cancelled.
Window_Handle Folder_Chooser_Open(Window_Handle owner, const char *title, const std::string &start);
int Folder_Chooser_State(Window_Handle chooser, std::string &folder);
