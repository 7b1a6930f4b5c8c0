// Who gets the input: the keyboard focus, the mouse capture, the modal window, and the
// cursor shape shown over the program's windows.
#include "platform/window/window_internal.h"

// ---- focus ----------------------------------------------------------------------------------------------

Window_Handle Window_Set_Focus(Window_Handle window)
{
  Window_Record *next = Window_Live(window);
  Window_Record *previous = Window_Live(window_state.focus);
  if (!Window_Check_UI_Thread("Window_Set_Focus") || next == previous) return previous;
  window_state.focus = next;
  if (next) {
    Window_Record *top = Window_Get_Top(next);
    top->last_focus = next;
  }
  if (previous) Window_Call_Proc(previous, WM_KILLFOCUS, (uintptr_t)next, 0);
  if (next && window_state.focus == next) Window_Call_Proc(next, WM_SETFOCUS, (uintptr_t)previous, 0);
  return previous;
}

Window_Handle Window_Get_Focus() { return Window_Live(window_state.focus); }

// ---- capture --------------------------------------------------------------------------------------------

Window_Handle Window_Set_Capture(Window_Handle window)
{
  Window_Record *previous = Window_Live(window_state.capture);
  if (!Window_Check_UI_Thread("Window_Set_Capture")) return previous;
  window_state.capture = Window_Live(window);
  Window_Backend_Now()->capture(window_state.capture != nullptr);
  if (previous && previous != window_state.capture)
    Window_Call_Proc(previous, WM_CAPTURECHANGED, 0, (intptr_t)window_state.capture);
  return previous;
}

int Window_Release_Capture()
{
  Window_Record *holder = Window_Live(window_state.capture);
  window_state.capture = nullptr;
  if (!holder || !Window_System_Is_UI_Thread()) return 0;
  Window_Backend_Now()->capture(0);
  Window_Call_Proc(holder, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

Window_Handle Window_Get_Capture() { return Window_Live(window_state.capture); }

// ---- modal window ---------------------------------------------------------------------------------------

Window_Handle Window_Set_Modal(Window_Handle window)
{
  Window_Record *previous = Window_Live(window_state.modal);
  window_state.modal = Window_Live(window);
  return previous;
}

// ---- forgetting a window ---------------------------------------------------------------------------------


void Window_Focus_Forget(Window_Record *record)
{
  if (Window_Is_Inside(window_state.focus, record)) {
    Window_Record *top = Window_Get_Top(record);
    Window_Record *heir = top != record && top->shown ? top : nullptr;
    if (top) top->last_focus = nullptr;
    window_state.focus = heir;
  }
  if (Window_Is_Inside(window_state.capture, record)) {
    window_state.capture = nullptr;
    Window_Backend_Now()->capture(0);
  }
  if (window_state.modal == record) window_state.modal = nullptr;
}

// ---- cursors --------------------------------------------------------------------------------------------

Window_Cursor Window_Set_Cursor(Window_Cursor cursor)
{
  Window_Cursor previous = window_state.cursor.exchange(cursor);
  if (Window_System_Is_UI_Thread()) Window_Cursor_Apply();
  else if (cursor != previous) Window_Wake();
  return previous;
}

void Window_Cursor_Apply()
{
  Window_Cursor wanted = window_state.cursor;
  if (wanted == window_state.cursor_shown) return;
  window_state.cursor_shown = wanted;
  Window_Backend_Now()->set_cursor(wanted);
}

Window_Cursor Window_Get_Cursor() { return window_state.cursor; }
