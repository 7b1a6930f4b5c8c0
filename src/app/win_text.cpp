// The message pane's procedure and the message log's hooks into it. Worker threads write
// warnings straight into the pane (the text pane draws under the drawing lock); their
// thread lines wait in the ring until the main window drains it.
#include "app/win_text.h"

#include <string>

#include "app/win_main.h"
#include "app/win_pane.h"
#include "platform/window/message_box.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/text_pane.h"
#include "util/message_log.h"

namespace {

// Both scroll bars; 0x08000000 came with them in the pane's original options and is kept.
constexpr uint32_t MESSAGE_PANE_OPTIONS = TEXT_VSCROLL | TEXT_HSCROLL | 0x08000000;
constexpr uint32_t MESSAGE_PANE_COLOUR = 180 | 185 << 8 | 180 << 16;

Text_Pane message_pane;
std::string last_line;

void Pane_Write(const char *text) { Text::Write(message_pane, "%s", text); }
void Pane_Overwrite(const char *text) { Text::OverWrite(message_pane, "%s", text); }
void Post_Thread_Message(Window_Handle) { Window_Post_Unique(main_window, WM_THREAD_MESSAGE, 0, 0); }

void Size(Window_Handle window, int width, int height)
{
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

void Paint() { Text::Draw(message_pane); }
void Mouse_Move(int mode) { Text::Select(message_pane, mode); }
void Button_Down() { Text::Select(message_pane, 2); }
void Mouse_Left() { Text::Select(message_pane, 0); }
void Wheel(int steps, int, int) { Text::Scroll(message_pane, steps); }  // forward: older lines

Pane_Handlers text_pane = {Size, Paint, Mouse_Move, Button_Down, Mouse_Left, Mouse_Left, Wheel, nullptr, 0};

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
  return Pane_Dispatch(text_pane, window, message, wparam, lparam);
}
