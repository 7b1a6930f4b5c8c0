// The message pane's procedure and the message log's hooks into it. Worker threads write
// warnings straight into the pane (the text pane draws under the drawing lock); their
// thread lines wait in the ring until the main window drains it.
#include "app/win_text.h"

#include <string>

#include "app/win_main.h"
#include "app/win_pane.h"
#include "platform/window/message_box.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/text_pane.h"
#include "util/message_log.h"

namespace {

// Both scroll bars; 0x08000000 came with them in the pane's original options and is kept.
constexpr uint32_t MESSAGE_PANE_OPTIONS = TEXT_VSCROLL | TEXT_HSCROLL | 0x08000000;
constexpr uint32_t MESSAGE_PANE_COLOUR = 180 | 185 << 8 | 180 << 16;

Text_Pane message_pane;
int wheel_sum;
std::string last_line;

void Pane_Write(const char *text) { Text::Write(message_pane, "%s", text); }
void Pane_Overwrite(const char *text) { Text::OverWrite(message_pane, "%s", text); }
void Post_Thread_Message(Window_Handle) { Window_Post_Unique(main_window, WM_THREAD_MESSAGE, 0, 0); }

void Place(Window_Handle window)
{
  int width = 0, height = 0;
  Window_Get_Client_Size(window, &width, &height);
  message_pane.options = MESSAGE_PANE_OPTIONS;
  message_pane.name = "win_text";
  message_pane.x = 1;
  message_pane.y = 1;
  message_pane.width = (int16_t)(width - 2);
  message_pane.height = (int16_t)(height - 2);
  message_pane.font_size = 10;
  Tools_Set_Colour(message_pane, MESSAGE_PANE_COLOUR);
  Texts::Init(message_pane, window);
  Texts::Rescale_Cursor(message_pane);
}

int Left_Button_Mode() { return (Window_Mouse_Keys() & MK_LBUTTON) ? 1 : 0; }

}  // namespace

void Message_Pane_Install()
{
  log_display.box = Message_Box_For_Log;
  log_display.pane_write = Pane_Write;
  log_display.pane_overwrite = Pane_Overwrite;
  log_display.post_thread_message = Post_Thread_Message;
}

void Message_Pane_Drain() { Log_Ring_Drain(Pane_Write); }

const char *Message_Pane_Last_Line()
{
  last_line = message_pane.state ? Text::Read(message_pane) : std::string();
  return last_line.c_str();
}

intptr_t Text_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  switch (message) {
  case WM_SIZE: Place(window); return 0;
  case WM_PAINT: Text::Draw(message_pane); return 0;
  case WM_MOUSEMOVE:
    Pane_Mouse_Moved(window);
    Text::Select(message_pane, Left_Button_Mode());
    return 0;
  case WM_LBUTTONDOWN:
    Pane_Button_Pressed(window);
    Text::Select(message_pane, 2);
    return 0;
  case WM_LBUTTONUP:
    Main_Window_End_Drag();
    Text::Select(message_pane, 0);
    return 0;
  case WM_PANE_MOUSE_LEFT: Text::Select(message_pane, 0); return 0;
  case WM_MOUSEWHEEL: {
    int steps = Pane_Wheel_Steps(wheel_sum, wparam);
    if (steps) Text::Scroll(message_pane, steps);
    return 0;
  }
  case WM_KEYDOWN:
  case WM_SYSKEYDOWN:
  case WM_CHAR:
  case WM_SYSCHAR:
    if (Pane_Key_Is(Pane_Key(window, message, wparam, lparam), 'D')) Pane_Save_Directory();
    return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}
