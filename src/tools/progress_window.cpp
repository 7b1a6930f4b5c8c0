// The "Progress" window: the view that the record notifies, the factory that creates the
// window on its owner, and the window procedure. Lock order everywhere: the record's
// lock first, then the drawing lock (the worker notifies under the record's lock, and
// the procedure draws under it), so the two threads never wait for each other in turn.
//
// Index: the view / the factory / layout / drawing and the text area / the procedure.
#include "tools/progress_window.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <unistd.h>

#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "util/message_log.h"

// ---- the view ------------------------------------------------------------------------------

// Makes the window visible and keeps it above the others, without moving or sizing it.
static void Show_Topmost(Window_Handle window)
{
  Window_Show(window, SW_SHOW);
  Window_Set_Topmost(window, 1);
}

namespace {

// What the record notifies: every notification becomes a message for the window.
// Notify runs on the reporting thread with the record's lock held, so it only posts.
class Window_View : public Progress_View {
public:
  explicit Window_View(Window_Handle window) : window_(window) {}
  void Notify(Progress_Record *, int message) override
  {
    if (message == WM_PROGRESS_POSITION) Window_Post_Unique(window_, (unsigned)message, 0, 0);
    else Window_Post(window_, (unsigned)message, 0, 0);
  }
  void Show(Progress_Record *) override
  {
    if (Window_System_Is_UI_Thread()) Show_Topmost(window_);
    else Window_Post(window_, WM_PROGRESS_SHOW, 0, 0);
  }
  Window_Handle window() const { return window_; }

private:
  Window_Handle window_;
};

}  // namespace

Window_Handle Progress_Window_Handle(const Progress_Record *progress)
{
  const Window_View *view = progress ? dynamic_cast<const Window_View *>(progress->view) : nullptr;
  return view ? view->window() : nullptr;
}

// ---- the factory ------------------------------------------------------------------------------

enum { OWNER_OFFSET = 200 };  // the window's corner lies this far left of and above the owner's centre

// The screen position of the window's client area: OWNER_OFFSET pixels left of and above
// the owner's centre, but never left of or above the owner's client area. Without a
// (live) owner, the screen stands in for it.
static void Place_On_Owner(Window_Handle owner, int *left, int *top)
{
  int x = 0, y = 0, width = 0, height = 0;
  if (!owner || !Window_Get_Client_Size(owner, &width, &height) || !Window_Client_To_Screen(owner, &x, &y)) {
    x = y = 0;
    Window_Screen_Size(&width, &height);
  }
  *left = std::max(x, x + width / 2 - OWNER_OFFSET);
  *top = std::max(y, y + height / 2 - OWNER_OFFSET);
}

// Creates the window on its owner and raises it above the other ordinary windows.
// Returns it, or null (the window system has reported why). User-interface thread.
static Window_Handle Open_On_Owner(Progress_Record *progress, Window_Handle owner, int topmost)
{
  int left = 0, top = 0;
  Place_On_Owner(owner, &left, &top);
  const char *title = progress->title.c_str();
  Message_Log(owner, MSG_TRACE, "creating window: %d %d %s %08x", left, top, title, (unsigned)getpid());
  Window_Handle window = Window_Create(topmost ? (uint32_t)WS_EX_TOPMOST : 0u, PROGRESS_CLASS, title,
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, left, top, PROGRESS_WIDTH, PROGRESS_HEIGHT,
                                       nullptr, 0, progress);
  if (window) Window_Raise(window);
  return window;
}

Progress_View *Progress_Window_View(Progress_Record *progress, Window_Handle owner, void *value_callback, int topmost)
{
  (void)value_callback;
  Window_Handle window = progress && Window_System_Is_UI_Thread() ? Open_On_Owner(progress, owner, topmost) : nullptr;
  Window_View *view = window ? new (std::nothrow) Window_View(window) : nullptr;
  if (!view) {
    if (window) Window_Destroy(window);
    Message_Log(owner, MSG_WARNING, "file:%s line:%d", Log_Source_Name(__FILE__), __LINE__);
    Message_Log(owner, MSG_WARNING, "Unable to create Progress Window");
  }
  return view;
}

// ---- layout ---------------------------------------------------------------------------------------

enum {
  SUBTITLE_HEIGHT = 20,  // the label at the top
  FRAME_DEPTH = 2,       // bevel of the frame around the bar
  BAR_HEIGHT = 25,       // odd, so the tube's centre line is a row: radius 10
  BAR_PADDING = 2,       // bar colour between the frame and the tube's ends
  CANCEL_WIDTH = 90,
  SUBTITLE_GAP = 4,      // between the subtitle and the frame
  FACE_GREY = 170,       // the subtitle and the button: the window's own grey
  BAR_GREY = 150,        // the frame and the bar's empty part, a shade darker
  TEXT_GREY = 200,       // the text area, a shade lighter
};

// The header fields every widget of the window shares: its rectangle, grey, bold Arial 10.
static void Widget_Place(Tools_Device &device, int x, int y, int width, int height, int grey)
{
  device.x = (uint16_t)std::max(0, x);
  device.y = (uint16_t)std::max(0, y);
  device.width = (int16_t)std::max(0, width);
  device.height = (int16_t)std::max(0, height);
  device.red = device.green = device.blue = (int16_t)grey;
  device.font_face = "Arial";
  device.font_style = "bold";
  device.font_size = 10;
}

// Lays the widgets out for a client area of width x height, from the top: the subtitle,
// the framed bar, the text area, and the Cancel button centred at the bottom. Sets the
// record's bar_width (the caller holds the record's lock).
static void Widgets_Layout(Window_Handle window, Progress_Window &w, int width, int height)
{
  int m = TOOLS_MARGIN, inner = width - 2 * m;
  Widget_Place(w.subtitle, m, height - m - SUBTITLE_HEIGHT, inner, SUBTITLE_HEIGHT, FACE_GREY);
  w.subtitle.options = OPT_TEXT_LEFT;
  Labels::Init(w.subtitle, window);

  int edge = FRAME_DEPTH + 1;  // the black outline and the bevel
  int frame_height = BAR_HEIGHT + 2 * edge;
  Widget_Place(w.frame, m, w.subtitle.y - SUBTITLE_GAP - frame_height, inner, frame_height, BAR_GREY);
  w.frame.depth = FRAME_DEPTH;
  w.frame.pressed = 1;
  w.frame.options = BOX_NO_HOVER;
  Boxs::Init(w.frame, window);
  Widget_Place(w.bar, m + edge + BAR_PADDING, w.frame.y + edge, inner - 2 * (edge + BAR_PADDING), BAR_HEIGHT,
               BAR_GREY);
  Progress_Bars::Init(w.bar, window);

  Widget_Place(w.cancel, (width - CANCEL_WIDTH) / 2, m, CANCEL_WIDTH, TOOLS_BUTTON_HEIGHT, FACE_GREY);
  w.cancel.text = "Cancel";
  w.cancel.name = "Cancel";
  Buttons::Init(w.cancel, window);

  int text_y = m + TOOLS_BUTTON_HEIGHT + m;
  Widget_Place(w.text, m, text_y, inner, w.frame.y - m - text_y, TEXT_GREY);
  w.text.font_style = "";
  w.text.options = TEXT_VSCROLL;
  Texts::Init(w.text, window);

  w.progress->bar_width = w.bar.width;
}

// ---- drawing and the text area ------------------------------------------------------------------

// Copies the bar's values from the record (the caller holds the record's lock).
static void Bar_Take(Progress_Window &w)
{
  w.bar.position = w.progress->position;
  w.bar.range = w.progress->range;
  w.bar.bounce_position = w.progress->bounce_position;
  w.bar.bounce_direction = w.progress->bounce_direction;
}

// Draws every widget from the record's fields, under its lock.
static void Widgets_Paint(Progress_Window &w)
{
  std::lock_guard<std::mutex> hold(w.progress->lock);
  w.subtitle.text = w.progress->subtitle;
  Labels::Draw(w.subtitle);
  w.frame.Draw();
  Bar_Take(w);
  w.bar.Draw();
  Text::Draw(w.text);
  w.cancel.Draw();
}

// Redraws the bar, unless the window is minimised (nothing would show). The lock is
// held only while the values are read, so the worker waits for no pixels.
static void Bar_Redraw(Window_Handle window, Progress_Window &w)
{
  if (Window_Is_Minimized(window)) return;
  {
    std::lock_guard<std::mutex> hold(w.progress->lock);
    Bar_Take(w);
  }
  w.bar.Draw();
}

// Moves the lines the worker wrote into the text area.
static void Lines_Take(Progress_Window &w)
{
  std::lock_guard<std::mutex> hold(w.progress->lock);
  for (const std::string &line : Progress_Take_Lines(w.progress)) Text::Write(w.text, "%s", line.c_str());
}

// Cancels the job and says so in the text area: what the close box and Cancel do.
static void Job_Cancel(Progress_Window &w, const char *said)
{
  std::lock_guard<std::mutex> hold(w.progress->lock);
  Progress_Cancel(w.progress);
  Text::Write(w.text, "%s", said);
}

// ---- the procedure ---------------------------------------------------------------------------------

// The left button on the Cancel button: shown pressed (until the button is released),
// the job cancelled. Elsewhere the press goes to the text area's scroll bar.
static void Cancel_Press(Window_Handle window, Progress_Window &w)
{
  if (!w.cancel.Select(2)) {
    Text::Select(w.text, 2);
    return;
  }
  w.cancel.pressed = 1;
  w.cancel.Draw();
  Window_Set_Capture(window);
  Job_Cancel(w, "cancel...");
}

// The left button released: the Cancel button comes up again.
static void Cancel_Release(Window_Handle window, Progress_Window &w)
{
  Text::Select(w.text, 0);
  if (w.cancel.pressed == 0) return;
  w.cancel.pressed = 0;
  w.cancel.Draw();
  if (Window_Get_Capture() == window) Window_Release_Capture();
}

// Scrolls the text area one line per 120 units of wheel movement, keeping the rest.
static void Wheel_Scroll(Progress_Window &w, int delta)
{
  w.wheel += delta;
  int lines = w.wheel / 120;
  w.wheel %= 120;
  if (lines != 0) Text::Scroll(w.text, lines);
}

static intptr_t Record_Attach(Window_Handle window, intptr_t lparam)
{
  Progress_Record *progress = (Progress_Record *)lparam;
  Progress_Window *w = progress ? new (std::nothrow) Progress_Window : nullptr;
  if (!w) return -1;
  Progress_Retain(progress);
  w->progress = progress;
  Window_Set_Data(window, w);
  return 0;
}

static void Record_Detach(Window_Handle window, Progress_Window *w)
{
  Window_Set_Data(window, nullptr);
  Text::Cleanup(w->text);
  Progress_Release(w->progress);
  delete w;
}

intptr_t Progress_Window_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message == WM_CREATE) return Record_Attach(window, lparam);
  Progress_Window *w = (Progress_Window *)Window_Get_Data(window);
  if (!w) return Window_Default_Proc(window, message, wparam, lparam);
  switch (message) {
  case WM_SIZE:
    if (wparam != SIZE_MINIMIZED && Point_X(lparam) > 0 && Point_Y(lparam) > 0) {
      std::lock_guard<std::mutex> hold(w->progress->lock);
      Widgets_Layout(window, *w, Point_X(lparam), Point_Y(lparam));
    }
    Window_Invalidate(window, 1);
    return 0;
  case WM_PAINT:
    Widgets_Paint(*w);
    return 0;
  case WM_PROGRESS_POSITION:
  case WM_PROGRESS_RANGE:
    Bar_Redraw(window, *w);
    return 0;
  case WM_PROGRESS_TITLE: {
    std::lock_guard<std::mutex> hold(w->progress->lock);
    w->subtitle.text = w->progress->subtitle;
    Labels::Draw(w->subtitle);
    return 0;
  }
  case WM_PROGRESS_TEXT:
    Lines_Take(*w);
    return 0;
  case WM_PROGRESS_SHOW:
    Show_Topmost(window);
    return 0;
  case WM_PROGRESS_END:
    Window_Destroy(window);
    return 0;
  case WM_CLOSE:  // the window stays until the job ends
    Job_Cancel(*w, "closing...");
    return 0;
  case WM_MOUSEMOVE:
    Tools_Set_Mouse_From_Message(window, lparam);
    w->cancel.Select(0);
    Text::Select(w->text, (wparam & MK_LBUTTON) ? 1 : 0);
    return 0;
  case WM_LBUTTONDOWN:
    Tools_Set_Mouse_From_Message(window, lparam);
    Cancel_Press(window, *w);
    return 0;
  case WM_LBUTTONUP:
    Tools_Set_Mouse_From_Message(window, lparam);
    Cancel_Release(window, *w);
    return 0;
  case WM_MOUSEWHEEL:
    Wheel_Scroll(*w, Wheel_Delta(wparam));
    return 0;
  case WM_DESTROY:
    Record_Detach(window, w);
    return 0;
  default:  // keys among them: the window ignores them
    return Window_Default_Proc(window, message, wparam, lparam);
  }
}
