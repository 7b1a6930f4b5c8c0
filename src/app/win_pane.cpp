// The rules shared by the pane procedures.
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

static Window_Handle mouse_pane;  // the pane the mouse was last in

static void Store_Mouse()
{
  int x = 0, y = 0;
  Window_Cursor_Position(&x, &y);
  Tools_Set_Mouse(x, y);
}

void Pane_Mouse_Moved(Window_Handle pane)
{
  Store_Mouse();
  if (pane != mouse_pane) {
    mouse_pane = pane;
    for (int p = 0; p < PANE_COUNT; p++)
      if (Main_Pane(p) && Main_Pane(p) != pane) Window_Send(Main_Pane(p), WM_PANE_MOUSE_LEFT, 0, 0);
    Main_Window_Bars_Left();
  }
  Window_Handle focus = Window_Get_Focus();
  if (focus != pane && (!focus || Main_Is_Own(focus))) Window_Set_Focus(pane);
}

void Pane_Button_Pressed(Window_Handle pane)
{
  Store_Mouse();
  Window_Set_Focus(pane);
}

int Pane_Key(Window_Handle pane, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  int code = Tools_Key_Translate(pane, message, wparam, lparam);
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

int Pane_Wheel_Steps(int &sum, uintptr_t wparam)
{
  sum += Wheel_Delta(wparam);
  int steps = sum / WHEEL_STEP;
  sum -= steps * WHEEL_STEP;
  return steps;
}

void Pane_Save_Directory()
{
  Message_Log(main_window, MSG_REPORT, "Save directory");
  List_Pane_Write_Reports();
}
