// The numbers of the window system: message numbers, styles, show commands, mouse-key
// bits, virtual key codes, message-box types and answers. They keep the values the
// program's Windows design gives them, so that a message number written in a log or a
// comment means the same thing on both systems. The program's own numbers (WM_USER and
// above) come from platform/os/os_messages.h.
//
// Index: messages / styles / show commands /
//        mouse-key bits / virtual keys / key-message flags / message boxes / packing.
#pragma once

#include <cstdint>

#include "platform/os/os_messages.h"

// ---- messages ------------------------------------------------------------------------------
// wparam and lparam of each message are noted beside it.

enum : unsigned {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,       // sent by Window_Create; lparam = the create parameter (void *)
  WM_DESTROY = 0x0002,      // sent by Window_Destroy, the window first, then its children
  WM_MOVE = 0x0003,         // lparam = Pack_Point(x, y) of the client area (parent or screen)
  WM_SIZE = 0x0005,         // wparam = SIZE_*; lparam = Pack_Point(client width, client height)
  WM_ACTIVATE = 0x0006,     // wparam = 1 when the top-level window became active, 0 when not
  WM_SETFOCUS = 0x0007,     // wparam = the window that lost the focus (Window_Handle) or 0
  WM_KILLFOCUS = 0x0008,    // wparam = the window that gets the focus (Window_Handle) or 0
  WM_PAINT = 0x000F,        // the window is invalid; it is valid again when the procedure runs
  WM_CLOSE = 0x0010,        // close box or Escape handling; the default procedure destroys
  WM_QUIT = 0x0012,         // wparam = exit value; never dispatched (Window_Get_Message returns 0)
  WM_ERASEBKGND = 0x0014,   // not sent: the class background is filled before WM_PAINT
  WM_SHOWWINDOW = 0x0018,   // wparam = 1 shown, 0 hidden
  WM_KEYDOWN = 0x0100,      // wparam = virtual key (VK_*); lparam = key-message flags
  WM_KEYUP = 0x0101,        // as WM_KEYDOWN
  WM_CHAR = 0x0102,         // wparam = character (Unicode code point); lparam as the key's
  WM_SYSKEYDOWN = 0x0104,   // WM_KEYDOWN while Alt is held (or F10)
  WM_SYSKEYUP = 0x0105,
  WM_SYSCHAR = 0x0106,      // WM_CHAR while Alt is held
  WM_MOUSEMOVE = 0x0200,    // wparam = MK_* bits; lparam = Pack_Point(x, y) in client coordinates
  WM_LBUTTONDOWN = 0x0201,  // as WM_MOUSEMOVE
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MOUSEWHEEL = 0x020A,   // wparam = MK_* bits | (wheel delta, multiples of 120) << 16;
                            // lparam = Pack_Point(x, y) in SCREEN coordinates
  WM_CAPTURECHANGED = 0x0215,  // the window lost the mouse capture; lparam = the new owner
  WM_DROPFILES = 0x0233,    // reserved: dropped files are not delivered yet
};

// ---- styles ----------------------------------------------------------------------------------

enum : uint32_t {
  WS_OVERLAPPED = 0x00000000,
  WS_OVERLAPPEDWINDOW = 0x00CF0000,  // caption, system menu, thick frame, min/max boxes
  WS_CAPTION = 0x00C00000,           // a title bar
  WS_SYSMENU = 0x00080000,           // a close box
  WS_THICKFRAME = 0x00040000,        // the user may resize the window
  WS_VISIBLE = 0x10000000,           // shown at once (Window_Create ends with Window_Show)
  WS_CHILD = 0x40000000,             // a rectangle of the parent's top-level window
  WS_POPUP = 0x80000000,             // a top-level window without frame (message boxes)
};

enum : uint32_t {  // extended styles
  WS_EX_TOPMOST = 0x00000008,
  WS_EX_ACCEPTFILES = 0x00000010,
};

// ---- show commands ---------------------------------------------------------------------------

enum { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9 };

// wparam of WM_SIZE
enum { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

// ---- mouse-key bits (wparam of mouse messages) -----------------------------------------------

enum : unsigned { MK_LBUTTON = 0x01, MK_RBUTTON = 0x02, MK_SHIFT = 0x04, MK_CONTROL = 0x08, MK_MBUTTON = 0x10 };

// ---- virtual keys (wparam of key messages) ----------------------------------------------------
// Letters and digits are their upper-case ASCII codes ('A' 0x41, '0' 0x30).

enum : int {
  VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04,
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D,
  VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14,
  VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
  VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
  VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
  VK_NUMPAD0 = 0x60,  // VK_NUMPAD0 + n for the keypad digit n (Num Lock on)
  VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D,
  VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
  VK_F1 = 0x70,       // VK_F1 + n - 1 for Fn, n = 1..12
  VK_CLEAR = 0x0C,    // keypad 5 with Num Lock off
  VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE,  // ; = , - . / ` [ backslash ] ' on a US keyboard
  VK_NUMLOCK = 0x90, VK_SCROLL = 0x91,
  VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3,
  VK_LMENU = 0xA4, VK_RMENU = 0xA5,
};

// ---- key-message flags (lparam of WM_KEYDOWN / WM_KEYUP / WM_CHAR) ----------------------------
// bits 0-15 repeat count (1), bits 16-23 scan code, then the flags below.

enum : uint32_t {
  KF_EXTENDED_BIT = 1u << 24,  // a key of the extended set: the arrows, Insert, Delete, Home,
                               // End, Page Up/Down of the navigation block, keypad Enter and
                               // keypad divide, right Ctrl and right Alt. The same keys on the
                               // keypad with Num Lock off come WITHOUT this bit.
  KF_ALTDOWN_BIT = 1u << 29,   // Alt was down
  KF_REPEAT_BIT = 1u << 30,    // the key was down before (auto-repeat)
  KF_UP_BIT = 1u << 31,        // set in WM_KEYUP
};

// ---- message boxes ---------------------------------------------------------------------------

enum : unsigned {
  MB_OK = 0x00, MB_YESNO = 0x04,
  MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
};
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// ---- packing -----------------------------------------------------------------------------------

// Two signed 16-bit coordinates in one lparam (x low, y high), as mouse and size messages carry them.
inline intptr_t Pack_Point(int x, int y)
{
  return (intptr_t)(uint32_t)(((uint32_t)(uint16_t)(int16_t)y << 16) | (uint16_t)(int16_t)x);
}
inline int Point_X(intptr_t lparam) { return (int16_t)(uint16_t)((uint32_t)lparam & 0xFFFF); }
inline int Point_Y(intptr_t lparam) { return (int16_t)(uint16_t)(((uint32_t)lparam >> 16) & 0xFFFF); }
// The wheel delta of WM_MOUSEWHEEL (signed, +120 per step away from the user).
inline int Wheel_Delta(uintptr_t wparam) { return (int16_t)(uint16_t)((wparam >> 16) & 0xFFFF); }
