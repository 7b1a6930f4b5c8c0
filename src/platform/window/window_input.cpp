// Input: records what the user does (the mouse position in screen coordinates, the buttons
// and keys held) and posts the window messages to the window that should get them. The SDL
// backend calls these functions for its events; headless tests call them directly, so
// both backends route input the same way.
//
// Index: recorded state / addressing / mouse / keys / window events.
#include <atomic>

#include "platform/window/window_input.h"
#include "platform/window/window_internal.h"

// ---- recorded state -----------------------------------------------------------------------------------------

static std::atomic<int> cursor_x{0}, cursor_y{0};
static std::atomic<uint8_t> key_down[256];

void Window_Cursor_Position(int *x, int *y)
{
  *x = cursor_x;
  *y = cursor_y;
}

int Window_Key_Is_Down(int virtual_key) { return virtual_key >= 0 && virtual_key < 256 && key_down[virtual_key]; }

unsigned Window_Mouse_Keys()
{
  unsigned keys = 0;
  if (key_down[VK_LBUTTON]) keys |= MK_LBUTTON;
  if (key_down[VK_RBUTTON]) keys |= MK_RBUTTON;
  if (key_down[VK_MBUTTON]) keys |= MK_MBUTTON;
  if (key_down[VK_SHIFT]) keys |= MK_SHIFT;
  if (key_down[VK_CONTROL]) keys |= MK_CONTROL;
  return keys;
}

// ---- addressing -------------------------------------------------------------------------------------------------

static Window_Record *Live_Top(Window_Handle top)
{
  Window_Record *record = Window_Live(top);
  return record && !record->is_child && Window_System_Is_UI_Thread() ? record : nullptr;
}

// The window under (x, y) of the top-level window's client area, with the point turned into
// its client coordinates: the capture holder first, else the deepest visible child (the
// latest made when children overlap), else the top-level window.
static Window_Record *Mouse_Target(Window_Record *top, int *x, int *y)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  if (Window_Record *holder = Window_Live(window_state.capture)) {
    int screen_x = top->x + *x, screen_y = top->y + *y;
    Window_Screen_To_Client(holder, &screen_x, &screen_y);
    *x = screen_x;
    *y = screen_y;
    return holder;
  }
  Window_Record *target = top;
  for (bool descended = true; descended;) {
    descended = false;
    for (size_t i = target->children.size(); i-- > 0;) {
      Window_Record *child = target->children[i];
      if (!child->shown || *x < child->x || *y < child->y || *x >= child->x + child->width ||
          *y >= child->y + child->height)
        continue;
      *x -= child->x;
      *y -= child->y;
      target = child;
      descended = true;
      break;
    }
  }
  return target;
}

// The focus window when it lies in `top`, else `top`.
static Window_Record *Key_Target(Window_Record *top)
{
  Window_Record *focus = Window_Live(window_state.focus);
  return focus && Window_Get_Top(focus) == top ? focus : top;
}

static void Record_Cursor(Window_Record *top, int x, int y)
{
  cursor_x = top->x + x;
  cursor_y = top->y + y;
}

// ---- mouse ------------------------------------------------------------------------------------------------------

Window_Handle Window_Input_Mouse_Move(Window_Handle top, int x, int y)
{
  Window_Record *record = Live_Top(top);
  if (!record) return nullptr;
  Record_Cursor(record, x, y);
  Window_Record *target = Mouse_Target(record, &x, &y);
  Window_Post(target, WM_MOUSEMOVE, Window_Mouse_Keys(), Pack_Point(x, y));
  return target;
}

Window_Handle Window_Input_Mouse_Button(Window_Handle top, int button, int down, int x, int y)
{
  static const int keys[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
  static const unsigned downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const unsigned ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
  Window_Record *record = Live_Top(top);
  if (!record || button < 0 || button > 2) return nullptr;
  Record_Cursor(record, x, y);
  key_down[keys[button]] = down ? 1 : 0;
  Window_Record *target = Mouse_Target(record, &x, &y);
  Window_Post(target, down ? downs[button] : ups[button], Window_Mouse_Keys(), Pack_Point(x, y));
  return target;
}

Window_Handle Window_Input_Mouse_Wheel(Window_Handle top, int delta, int x, int y)
{
  Window_Record *record = Live_Top(top);
  if (!record) return nullptr;
  Record_Cursor(record, x, y);
  int local_x = x, local_y = y;
  Window_Record *target = Mouse_Target(record, &local_x, &local_y);
  uintptr_t wparam = Window_Mouse_Keys() | ((uintptr_t)(uint16_t)(int16_t)delta << 16);
  Window_Post(target, WM_MOUSEWHEEL, wparam, Pack_Point(record->x + x, record->y + y));
  return target;
}

// ---- keys ---------------------------------------------------------------------------------------------------------

// Alt without Ctrl makes system keys (Ctrl+Alt is AltGr on many keyboards).
static bool System_Key() { return key_down[VK_MENU] && !key_down[VK_CONTROL]; }

Window_Handle Window_Input_Key(Window_Handle top, int virtual_key, int extended, int down)
{
  Window_Record *record = Live_Top(top);
  if (!record || virtual_key <= 0 || virtual_key > 255) return nullptr;
  bool repeat = key_down[virtual_key] != 0;
  key_down[virtual_key] = down ? 1 : 0;
  bool system = System_Key() || virtual_key == VK_F1 + 9 || (virtual_key == VK_MENU && down);
  uint32_t flags = 1u | (extended ? KF_EXTENDED_BIT : 0u) | (key_down[VK_MENU] ? KF_ALTDOWN_BIT : 0u);
  if (down && repeat) flags |= KF_REPEAT_BIT;
  if (!down) flags |= KF_REPEAT_BIT | KF_UP_BIT;
  unsigned message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  Window_Record *target = Key_Target(record);
  Window_Post(target, message, (uintptr_t)virtual_key, (intptr_t)flags);
  return target;
}

Window_Handle Window_Input_Char(Window_Handle top, unsigned code_point)
{
  Window_Record *record = Live_Top(top);
  if (!record) return nullptr;
  Window_Record *target = Key_Target(record);
  Window_Post(target, System_Key() ? WM_SYSCHAR : WM_CHAR, code_point, 1);
  return target;
}

// ---- window events ------------------------------------------------------------------------------------------------

void Window_Input_Focus(Window_Handle top, int gained)
{
  Window_Record *record = Live_Top(top);
  if (!record) return;
  if (gained) {
    Window_Record *heir = Window_Live(record->last_focus);
    Window_Set_Focus(heir && Window_Get_Top(heir) == record ? heir : record);
  } else {
    for (auto &key : key_down) key = 0;  // what is released elsewhere is never seen
    if (Window_Is_Inside(Window_Live(window_state.focus), record)) {
      Window_Record *keep = record->last_focus;
      Window_Set_Focus(nullptr);
      record->last_focus = keep;
    }
  }
  Window_Call_Proc(record, WM_ACTIVATE, gained ? 1 : 0, 0);
}

void Window_Input_Resize(Window_Handle top, int width, int height, int minimized)
{
  Window_Record *record = Live_Top(top);
  if (!record) return;
  if (minimized) {
    record->minimized = true;
    Window_Call_Proc(record, WM_SIZE, SIZE_MINIMIZED, 0);
    return;
  }
  bool was_minimized = record->minimized;
  record->minimized = false;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  bool sized = width != record->width || height != record->height;
  if (!sized && !was_minimized) return;
  if (sized) Window_Resize_Frame(record, width, height);
  Window_Call_Proc(record, WM_SIZE, SIZE_RESTORED, Pack_Point(width, height));
  Window_Invalidate(record, 1);
}

void Window_Input_Moved(Window_Handle top, int x, int y)
{
  Window_Record *record = Live_Top(top);
  if (!record || (record->x == x && record->y == y)) return;
  {
    std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
    record->x = x;
    record->y = y;
  }
  Window_Call_Proc(record, WM_MOVE, 0, Pack_Point(x, y));
}

void Window_Input_Close(Window_Handle top)
{
  Window_Record *record = Live_Top(top);
  Window_Record *modal = Window_Live(window_state.modal);
  if (!record || !record->enabled || (modal && modal != record)) return;  // as its other input
  Window_Post(record, WM_CLOSE, 0, 0);
}
