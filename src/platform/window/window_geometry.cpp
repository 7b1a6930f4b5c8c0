// Where windows are and whether they show: moving and sizing (a top-level window's
// framebuffer follows its client size), the coordinate conversions between a window and
// the screen, show and hide, minimised state, enabling, titles, topmost and raising.
// Geometry changes happen under the drawing lock, because workers read it while drawing.
#include <algorithm>

#include "platform/window/window_internal.h"

// ---- sizes and positions --------------------------------------------------------------------------------

void Window_Resize_Frame(Window_Record *top, int width, int height)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  uint32_t background = top->window_class->background;
  if (background == WINDOW_NO_BACKGROUND) background = 0;
  Framebuffer fresh;
  fresh.Resize(width, height, background);
  int rows = std::min(height, top->frame.height), columns = std::min(width, top->frame.width);
  for (int y = 0; y < rows; y++)  // keep what was drawn until the repaint replaces it
    std::copy(top->frame.Row(y), top->frame.Row(y) + columns, fresh.Row(y));
  top->frame = std::move(fresh);
  top->width = width;
  top->height = height;
}

int Window_Move(Window_Handle window, int x, int y, int width, int height, int repaint)
{
  Window_Record *record = Window_Live(window);
  if (!record || !Window_Check_UI_Thread("Window_Move")) return 0;
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  bool moved = x != record->x || y != record->y;
  bool sized = width != record->width || height != record->height;
  {
    std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
    record->x = x;
    record->y = y;
    if (record->is_child) {
      record->width = width;
      record->height = height;
    } else if (sized) {
      Window_Resize_Frame(record, width, height);
    }
  }
  if (!record->is_child && (moved || sized)) Window_Backend_Now()->move(record);
  if (moved) Window_Call_Proc(record, WM_MOVE, 0, Pack_Point(x, y));
  if (sized) Window_Call_Proc(record, WM_SIZE, SIZE_RESTORED, Pack_Point(width, height));
  if (repaint) Window_Invalidate(Window_Get_Top(record), 1);
  return 1;
}

int Window_Get_Client_Size(Window_Handle window, int *width, int *height)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  Window_Record *record = Window_Live(window);
  if (!record) return 0;
  *width = record->width;
  *height = record->height;
  return 1;
}

int Window_Get_Position(Window_Handle window, int *x, int *y)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  Window_Record *record = Window_Live(window);
  if (!record) return 0;
  *x = record->x;
  *y = record->y;
  return 1;
}

// The screen position of a window's client origin.
static void Screen_Origin(const Window_Record *record, int *x, int *y)
{
  *x = *y = 0;
  for (; record; record = record->is_child ? record->parent : nullptr) {
    *x += record->x;
    *y += record->y;
  }
}

// Moves a point by the window's screen origin, times `sign`. Returns 0 for a dead handle.
static int Shift_By_Origin(Window_Handle window, int *x, int *y, int sign)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  Window_Record *record = Window_Live(window);
  if (!record) return 0;
  int origin_x, origin_y;
  Screen_Origin(record, &origin_x, &origin_y);
  *x += sign * origin_x;
  *y += sign * origin_y;
  return 1;
}

int Window_Screen_To_Client(Window_Handle window, int *x, int *y) { return Shift_By_Origin(window, x, y, -1); }
int Window_Client_To_Screen(Window_Handle window, int *x, int *y) { return Shift_By_Origin(window, x, y, 1); }

// ---- show and hide ------------------------------------------------------------------------------------

int Window_Show(Window_Handle window, int show_command)
{
  Window_Record *record = Window_Live(window);
  if (!record || !Window_Check_UI_Thread("Window_Show")) return 0;
  int was_shown = record->shown;
  bool show = show_command != SW_HIDE;
  bool minimize = show_command == SW_MINIMIZE || show_command == SW_SHOWMINIMIZED;
  {
    std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
    record->shown = show;
    if (!record->is_child) {
      if (minimize) record->minimized = true;
      else if (show) record->minimized = false;
    }
  }
  if (!record->is_child) Window_Backend_Now()->show(record, show_command);
  if (!show) Window_Focus_Forget(record);
  if (show != (bool)was_shown) Window_Call_Proc(record, WM_SHOWWINDOW, show ? 1 : 0, 0);
  if (!record->alive) return was_shown;
  if (record->is_child) Window_Invalidate(Window_Get_Top(record), 1);  // uncovered or covered
  else if (show) Window_Invalidate(record, 1);
  return was_shown;
}

int Window_Is_Visible(Window_Handle window)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  for (Window_Record *record = Window_Live(window); record; record = record->is_child ? record->parent : nullptr)
    if (!record->shown) return 0;
  return Window_Live(window) != nullptr;
}

int Window_Is_Minimized(Window_Handle window)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  Window_Record *top = Window_Get_Top(window);
  return top && top->minimized;
}

int Window_Enable(Window_Handle window, int enable)
{
  Window_Record *record = Window_Live(window);
  if (!record) return 0;
  int was_disabled = !record->enabled;
  record->enabled = enable != 0;
  if (!enable) Window_Focus_Forget(record);
  return was_disabled;
}

int Window_Is_Enabled(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record && record->enabled;
}

// ---- title, topmost, raise ------------------------------------------------------------------------------

int Window_Set_Title(Window_Handle window, const char *title)
{
  Window_Record *record = Window_Live(window);
  if (!record || !Window_Check_UI_Thread("Window_Set_Title")) return 0;
  record->title = title ? title : "";
  if (!record->is_child) Window_Backend_Now()->set_title(record);
  return 1;
}

const char *Window_Get_Title(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record ? record->title.c_str() : "";
}

int Window_Set_Topmost(Window_Handle window, int topmost)
{
  Window_Record *record = Window_Live(window);
  if (!record || record->is_child || !Window_Check_UI_Thread("Window_Set_Topmost")) return 0;
  record->topmost = topmost != 0;
  Window_Backend_Now()->set_topmost(record);
  return 1;
}

int Window_Raise(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  if (!record || record->is_child || !Window_Check_UI_Thread("Window_Raise")) return 0;
  Window_Backend_Now()->raise(record);
  return 1;
}
