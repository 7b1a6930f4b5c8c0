// What every pane of the main window does alike: the last mouse position, the pane the
// mouse is in (the others drop their hover states) and the keyboard focus following the
// mouse; a press taking the focus; the keys every pane knows (Escape quits through the key
// translation, Ctrl with a digit sets the trace level); the wheel summed per pane; and the
// key D that writes the reports.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// A mouse move in `pane`: stores the last mouse position; when the mouse came from another
// pane, the other panes get WM_PANE_MOUSE_LEFT and the splitter bars are refreshed; the
// pane takes the keyboard focus unless the focus is in a window that is not the main
// window's (the settings window, a progress window).
void Pane_Mouse_Moved(Window_Handle pane);

// A button press in `pane`: stores the last mouse position and gives the pane the focus.
void Pane_Button_Pressed(Window_Handle pane);

// Translates a key message for `pane` (Escape closes the main window) and handles Ctrl with
// a digit of the main keyboard (the trace level). Returns the translated code for the pane to
// act on, or 0 when there is none or it was used here.
int Pane_Key(Window_Handle pane, unsigned message, uintptr_t wparam, intptr_t lparam);

// 1 when `code` is the letter `upper` (an upper-case letter) typed in either case, without
// Ctrl or Alt.
int Pane_Key_Is(int code, char upper);

// Adds a WM_MOUSEWHEEL's delta to the pane's running `sum` and returns the whole steps of
// 120 in it (positive: away from the user), keeping the rest for the next turn.
int Pane_Wheel_Steps(int &sum, uintptr_t wparam);

// The key D in any pane: writes "Save directory" (MSG_REPORT) and the reports of the list
// pane's current order.
void Pane_Save_Directory();
