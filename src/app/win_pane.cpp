// The pane dispatcher and the rules every pane shares.
#include "app/win_pane.h"

#include "app/win_layout.h"
#include "app/win_list.h"
#include "app/win_main.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/keys.h"
#include "tools/tools_device.h"
#include "util/message_log.h"

enum { KEY_SHIFT = 0x100, KEY_CTRL = 0x200, KEY_ALT = 0x400, KEY_PAD = 0x3000, WHEEL_STEP = 120 };
enum { MODE_MOVE = 0, MODE_HELD = 1 };

static Window_Handle mouse_pane;  // the pane the mouse was last in

// The mouse moved in `pane`: tell the others when it came from another pane, and take the
// focus unless it is in a window that is not the main window's.
static void Mouse_Entered(Window_Handle pane)
{
  if (pane != mouse_pane) {
    mouse_pane = pane;
    for (int p = 0; p < PANE_COUNT; p++)
      if (Main_Pane(p) && Main_Pane(p) != pane) Window_Send(Main_Pane(p), WM_PANE_MOUSE_LEFT, 0, 0);
    Main_Window_Bars_Left();
  }
  Window_Handle focus = Window_Get_Focus();
  if (focus != pane && (!focus || Main_Is_Own(focus))) Window_Set_Focus(pane);
}

static int Wheel_Steps(int &sum, uintptr_t wparam)
{
  sum += Wheel_Delta(wparam);
  int steps = sum / WHEEL_STEP;
  sum -= steps * WHEEL_STEP;
  return steps;
}

intptr_t Pane_Dispatch(Pane_Handlers &handlers, Window_Handle pane, unsigned message, uintptr_t wparam,
                       intptr_t lparam)
{
  switch (message) {
  case WM_SIZE:
    if (handlers.size) handlers.size(pane, Point_X(lparam), Point_Y(lparam));
    return 0;
  case WM_PAINT:
    if (handlers.paint) handlers.paint();
    return 0;
  case WM_MOUSEMOVE:
    Tools_Set_Mouse_From_Message(pane, lparam);
    Mouse_Entered(pane);
    if (handlers.mouse_move) handlers.mouse_move((wparam & MK_LBUTTON) ? MODE_HELD : MODE_MOVE);
    return 0;
  case WM_LBUTTONDOWN:
    Tools_Set_Mouse_From_Message(pane, lparam);
    Window_Set_Focus(pane);
    if (handlers.button_down) handlers.button_down();
    return 0;
  case WM_LBUTTONUP:
    Tools_Set_Mouse_From_Message(pane, lparam);
    Main_Window_End_Drag();
    if (handlers.button_up) handlers.button_up();
    return 0;
  case WM_PANE_MOUSE_LEFT:
    if (handlers.mouse_left) handlers.mouse_left();
    return 0;
  case WM_MOUSEWHEEL: {
    int steps = Wheel_Steps(handlers.wheel_sum, wparam);
    if (steps && handlers.wheel) handlers.wheel(steps, Point_X(lparam), Point_Y(lparam));
    return 0;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_CHAR:
  case WM_SYSCHAR: {
    int code = Pane_Key(pane, message, wparam, lparam);
    if (handlers.key) handlers.key(code);
    else if (Pane_Key_Is(code, 'D')) Pane_Save_Directory();
    return 0;
  }
  default: return Window_Default_Proc(pane, message, wparam, lparam);
  }
}

int Pane_Key(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  int code = Tools_Key_Translate(window, message, wparam, lparam);
  int character = code & 0xFF;
  if ((code & (KEY_SHIFT | KEY_CTRL | KEY_ALT | KEY_PAD)) == KEY_CTRL && character >= '0' && character <= '9') {
    Trace_Level_Key((char)character);
    return 0;
  }
  return code;
}

int Pane_Key_Is(int code, char upper)
{
  if (code & (KEY_CTRL | KEY_ALT | KEY_PAD)) return 0;
  int character = code & 0xFF;
  return character == upper || character == upper - 'A' + 'a';
}

void Pane_Save_Directory()
{
  Message_Log(main_window, MSG_REPORT, "Save directory");
  List_Pane_Write_Reports();
}
