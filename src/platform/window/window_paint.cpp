// Painting: invalidation marks windows (and their children) for WM_PAINT, which the loop
// hands out when nothing else is queued, parents first; the class background is filled
// before the procedure draws. Drawing goes through window surfaces, clipped views of the
// top-level framebuffer taken under the one drawing lock; releasing a surface asks the
// loop to present the framebuffer, so what a worker draws shows up too.
#include <algorithm>

#include "platform/window/window_internal.h"

// ---- the drawing lock and surfaces ------------------------------------------------------------------------

void Window_Drawing_Lock() { window_state.drawing.lock(); }
void Window_Drawing_Unlock() { window_state.drawing.unlock(); }

// Fills `surface` for a live window (drawing lock held).
static void Surface_Fill_In(Window_Record *record, Window_Surface *surface)
{
  Window_Record *top = record;
  int x = 0, y = 0;
  bool visible = true;
  for (; top->is_child; top = top->parent) {
    x += top->x;
    y += top->y;
    visible = visible && top->shown;
  }
  visible = visible && top->shown && !top->minimized;
  surface->frame = &top->frame;
  surface->origin_x = x;
  surface->origin_y = y;
  surface->width = record->width;
  surface->height = record->height;
  int left = std::max(0, x), top_edge = std::max(0, y);
  int right = std::min(top->frame.width, x + record->width);
  int bottom = std::min(top->frame.height, y + record->height);
  // Cut by every ancestor's client area.
  int ax = x, ay = y;
  for (Window_Record *walk = record; walk->is_child; walk = walk->parent) {
    ax -= walk->x;
    ay -= walk->y;
    left = std::max(left, ax);
    top_edge = std::max(top_edge, ay);
    right = std::min(right, ax + walk->parent->width);
    bottom = std::min(bottom, ay + walk->parent->height);
  }
  if (!visible || right <= left || bottom <= top_edge) left = right = top_edge = bottom = 0;
  surface->clip_left = left;
  surface->clip_top = top_edge;
  surface->clip_right = right;
  surface->clip_bottom = bottom;
}

int Window_Surface_Get(Window_Handle window, Window_Surface *surface)
{
  window_state.drawing.lock();
  Window_Record *record = Window_Live(window);
  if (!record) {
    window_state.drawing.unlock();
    return 0;
  }
  Surface_Fill_In(record, surface);
  return 1;
}

void Window_Surface_Release(Window_Handle window)
{
  Window_Record *top = Window_Get_Top(window);
  if (top) {
    top->frame_dirty = true;
    if (!window_state.present_pending.exchange(true) && !Window_System_Is_UI_Thread()) Window_Wake();
  }
  window_state.drawing.unlock();
}

Window_Surface Window_Surface_Of_Frame(Framebuffer *frame)
{
  Window_Surface surface;
  surface.frame = frame;
  surface.width = surface.clip_right = frame ? frame->width : 0;
  surface.height = surface.clip_bottom = frame ? frame->height : 0;
  return surface;
}

void Window_Fill(Window_Record *record, int x, int y, int width, int height, uint32_t colour)
{
  Window_Surface surface;
  if (!Window_Surface_Get(record, &surface)) return;
  int left = std::max(surface.clip_left, surface.origin_x + x);
  int right = std::min(surface.clip_right, surface.origin_x + x + width);
  int top = std::max(surface.clip_top, surface.origin_y + y);
  int bottom = std::min(surface.clip_bottom, surface.origin_y + y + height);
  for (int row = top; row < bottom; row++) std::fill(surface.frame->Row(row) + left, surface.frame->Row(row) + right, colour);
  Window_Surface_Release(record);
}

// ---- invalidation ----------------------------------------------------------------------------------------

static void Mark_Invalid(Window_Record *record, bool erase)
{
  record->invalid = true;
  record->erase = record->erase || erase;
  for (Window_Record *child : record->children) Mark_Invalid(child, erase);
}

int Window_Invalidate(Window_Handle window, int erase)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  Window_Record *record = Window_Live(window);
  if (!record) return 0;
  Mark_Invalid(record, erase != 0);
  if (!Window_System_Is_UI_Thread()) Window_Wake();
  return 1;
}

void Window_Validate(Window_Handle window)
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  if (Window_Record *record = Window_Live(window)) {
    record->invalid = false;
    record->erase = false;
  }
}

int Window_Is_Invalid(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record && record->invalid;
}

// ---- painting --------------------------------------------------------------------------------------------

static bool Paintable(const Window_Record *record)
{
  if (!record->alive || !record->invalid) return false;
  for (; record->is_child; record = record->parent)
    if (!record->shown) return false;
  return record->shown && !record->minimized;
}

Window_Record *Window_Next_Invalid()
{
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  for (auto &record : window_state.records)
    if (Paintable(record.get())) return record.get();
  return nullptr;
}

void Window_Paint(Window_Record *record)
{
  bool erase;
  {
    std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
    erase = record->erase;
    record->invalid = false;
    record->erase = false;
  }
  uint32_t background = record->window_class->background;
  if (erase && background != WINDOW_NO_BACKGROUND) Window_Fill(record, 0, 0, record->width, record->height, background);
  Window_Call_Proc(record, WM_PAINT, 0, 0);
}


void Window_Update(Window_Handle window)
{
  Window_Record *root = Window_Live(window);
  if (!root || !Window_Check_UI_Thread("Window_Update")) return;
  for (size_t i = 0; i < window_state.records.size(); i++) {
    Window_Record *record = window_state.records[i].get();
    if (Paintable(record) && Window_Is_Inside(record, root)) Window_Paint(record);
  }
}

void Window_Present_Dirty()
{
  window_state.present_pending = false;
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  for (auto &record : window_state.records) {
    Window_Record *top = record.get();
    if (!top->alive || top->is_child || !top->frame_dirty.exchange(false)) continue;
    if (top->shown && !top->minimized) Window_Backend_Now()->present(top);
  }
}
