// The main window: four panes side by side (folder tree, catalogue list, and on the right
// the message pane above the menu pane) separated by two splitter bars that the user drags.
// It quits the program when it is closed (or Escape is pressed in any pane), sets the trace
// level on Ctrl+digit, drains the thread message ring into the message pane, and scans the
// catalogue's folder again when a job asks it to.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// The main window, once created (null before): the owner of the program's messages.
extern Window_Handle main_window;

// The pane PANE_TREE ... PANE_MENU (win_layout.h) of the main window; null before it exists.
Window_Handle Main_Pane(int pane);

// 1 when `window` is the main window or one of its panes.
int Main_Is_Own(Window_Handle window);

// Ends a splitter drag (the panes are laid out again); nothing when none runs.
void Main_Window_End_Drag();

// Refreshes the splitter bars' hover and the cursor after the mouse moved into a pane;
// nothing while there is no main window (a pane tried on its own).
void Main_Window_Bars_Left();

// The procedure of the main window's class.
intptr_t Main_Window_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
