// What every pane of the main window does alike, in one dispatcher that each pane's
// procedure hands its messages to: the last mouse position on every mouse message; the pane
// the mouse is in (the others drop their hover states) and the keyboard focus following the
// mouse; a press taking the focus; the left button's release ending a splitter drag; the
// keys every pane knows (Escape quits through the key translation, Ctrl with a digit sets the
// trace level, D writes the reports); and the wheel summed per pane, 120 to a step.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// What a pane does with each kind of message; the dispatcher has done the shared part
// first. Entries may be null (nothing more to do).
struct Pane_Handlers {
  void (*size)(Window_Handle pane, int width, int height);  // lay the widgets out
  void (*paint)();                                          // draw every widget
  void (*mouse_move)(int mode);  // Select mode: 1 while the left button is held, else 0
  void (*button_down)();         // the left button went down (mode 2)
  void (*button_up)();           // the left button came up (any splitter drag has ended)
  void (*mouse_left)();          // the mouse went into another pane: drop hover states
  void (*wheel)(int steps, int screen_x, int screen_y);  // whole steps, away from the user > 0
  // A translated key the shared rules did not use; null: D writes the reports.
  void (*key)(int code);
  int wheel_sum;  // the wheel's movement not yet a whole step
};

// Handles `message` for a pane with `handlers`; messages no pane handles go to the
// default procedure.
intptr_t Pane_Dispatch(Pane_Handlers &handlers, Window_Handle pane, unsigned message, uintptr_t wparam,
                       intptr_t lparam);

// 1 when `code` is the letter `upper` (an upper-case letter) typed in either case, without
// Ctrl or Alt.
int Pane_Key_Is(int code, char upper);

// Translates a key message for `window` (Escape closes the main window) and handles Ctrl
// with a digit of the main keyboard (the trace level). Returns the translated code to act
// on, or 0 when there is none or it was used here. The main window uses it for its keys.
int Pane_Key(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// The key D: writes "Save directory" (MSG_REPORT) and the reports of the list pane's
// current order.
void Pane_Save_Directory();
