// Input: the one path by which mouse and keyboard events enter the window system. The SDL
// backend translates its events into these calls; on the headless backend tests call them
// directly. Each call only records the input (last mouse position in screen coordinates,
// buttons and keys held) and posts the window messages, addressed the way the system
// addresses them: mouse messages to the capture holder, else to the deepest visible child
// under the point (the latest created on overlap), else to the top-level window; keys and
// characters to the focus window when it lies in the top-level window, else to the
// top-level window. A button press does not move the focus by itself (procedures do).
// All calls run on the user-interface thread.
//
// Index: recorded state / injection.
#pragma once

#include "platform/os/window_handle.h"

// ---- recorded state ---------------------------------------------------------------------------------

// The last mouse position in screen coordinates (GetCursorPos). Any thread.
void Window_Cursor_Position(int *x, int *y);

// 1 while the virtual key (VK_SHIFT, VK_CONTROL, VK_MENU, VK_LBUTTON, letters, ...) is held.
// Any thread.
int Window_Key_Is_Down(int virtual_key);

// The MK_* bits of the buttons and modifier keys held now.
unsigned Window_Mouse_Keys();

// ---- injection (user-interface thread) ----------------------------------------------------------

// x, y: in the client coordinates of the top-level window `top`.
// Records the position and posts WM_MOUSEMOVE. Returns the receiving window (null when none).
Window_Handle Window_Input_Mouse_Move(Window_Handle top, int x, int y);

// button 0 left, 1 right, 2 middle; down 1 pressed, 0 released. Posts WM_*BUTTONDOWN/UP.
Window_Handle Window_Input_Mouse_Button(Window_Handle top, int button, int down, int x, int y);

// delta: +120 per step away from the user. Posts WM_MOUSEWHEEL to the window under the point.
Window_Handle Window_Input_Mouse_Wheel(Window_Handle top, int delta, int x, int y);

// A key going down (repeat when already down) or up. `extended`: the key is one of the
// extended set (see KF_EXTENDED_BIT). Posts WM_KEYDOWN/UP, or WM_SYSKEYDOWN/UP while Alt is
// held. Returns the receiving window.
Window_Handle Window_Input_Key(Window_Handle top, int virtual_key, int extended, int down);

// A typed character (Unicode code point): posts WM_CHAR (WM_SYSCHAR while Alt is held).
Window_Handle Window_Input_Char(Window_Handle top, unsigned code_point);

// The top-level window gained (1) or lost (0) the keyboard: the focus moves to it (or to the
// child that had it) or to nobody; WM_ACTIVATE follows.
void Window_Input_Focus(Window_Handle top, int gained);

// The user resized the top-level window's client area: the framebuffer is resized (new pixels
// take the class background), WM_SIZE is sent and the window invalidated.
// width 0 and height 0 with `minimized` mean minimised (WM_SIZE with SIZE_MINIMIZED).
void Window_Input_Resize(Window_Handle top, int width, int height, int minimized);

// The user moved the top-level window to (x, y) on the screen: WM_MOVE.
void Window_Input_Moved(Window_Handle top, int x, int y);

// The close box: posts WM_CLOSE, unless the window is disabled or another window is modal.
void Window_Input_Close(Window_Handle top);
