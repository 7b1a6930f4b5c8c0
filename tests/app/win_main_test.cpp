// The main window on the headless backend: its panes at the layout's rectangles, the
// splitter drag (panes out of sight meanwhile, the resize cursor over a bar), the size rule
// for a narrow window, Escape quitting from a pane with exit code 0, Ctrl with a digit
// setting the trace level, the thread lines of a worker reaching the message pane, and the
// keyboard focus following the mouse between the panes but not away from another window.
#include <gtest/gtest.h>

#include <thread>

#include "app/gui_fixture.h"
#include "app/win_layout.h"
#include "util/message_log.h"

namespace {

class Main_Window_Test : public Gui_Test {};

TEST_F(Main_Window_Test, the_panes_lie_at_the_layout_rectangles)
{
  Main_Layout layout;
  Main_Layout_Resize(layout, kWidth, kHeight);
  Pane_Rect want[PANE_COUNT];
  Main_Layout_Panes(layout, want);
  for (int p = 0; p < PANE_COUNT; p++) {
    int x = 0, y = 0, width = 0, height = 0;
    Pane_Rect_Of(p, &x, &y, &width, &height);
    EXPECT_EQ(x, want[p].x) << p;
    EXPECT_EQ(y, want[p].y) << p;
    EXPECT_EQ(width, want[p].width) << p;
    EXPECT_EQ(height, want[p].height) << p;
  }
  EXPECT_STREQ(Window_Get_Class(Main_Pane(PANE_LIST)), "LIST");
  EXPECT_EQ(Window_Get_Id(Main_Pane(PANE_MENU)), PANE_ID_MENU);
}

TEST_F(Main_Window_Test, dragging_the_first_bar_hides_the_panes_until_the_button_is_released)
{
  Move(203, 300);
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_SIZE_WE);
  Press(203, 300);
  int x = 0, y = 0, width = 0, height = 0;
  Pane_Rect_Of(PANE_LIST, &x, &y, &width, &height);
  EXPECT_EQ(x, kWidth - 1);  // out of sight while dragging
  EXPECT_EQ(width, 1);
  Move(505, 300);
  Release(505, 300);
  Pane_Rect_Of(PANE_TREE, &x, &y, &width, &height);
  EXPECT_EQ(width, 499);  // the bar at 500
  Pane_Rect_Of(PANE_LIST, &x, &y, &width, &height);
  EXPECT_EQ(x, 508);
  EXPECT_EQ(width, 142);  // the second bar was pushed to 650: 150 from bar to bar
  Pane_Rect_Of(PANE_TEXT, &x, &y, &width, &height);
  EXPECT_EQ(x, 658);
  Move(400, 300);  // inside the tree pane now
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_ARROW);
}

TEST_F(Main_Window_Test, a_window_shrunk_below_400_pixels_puts_the_splits_at_150_and_300)
{
  Window_Input_Resize(window, 380, 500, 0);
  Pump();
  int x = 0, y = 0, width = 0, height = 0;
  Pane_Rect_Of(PANE_TREE, &x, &y, &width, &height);
  EXPECT_EQ(width, 149);
  EXPECT_EQ(height, 498);
  Pane_Rect_Of(PANE_LIST, &x, &y, &width, &height);
  EXPECT_EQ(x, 158);
  EXPECT_EQ(width, 142);
}

TEST_F(Main_Window_Test, escape_in_the_list_pane_ends_the_program_with_exit_code_0)
{
  Move(400, 300);
  EXPECT_EQ(Window_Get_Focus(), Main_Pane(PANE_LIST));
  Key(VK_ESCAPE);
  EXPECT_EQ(main_window, nullptr);
  Window_Message msg;
  ASSERT_EQ(Window_Get_Message(&msg), 0);  // the quit message
  EXPECT_EQ(msg.wparam, 0u);
}

TEST_F(Main_Window_Test, ctrl_with_a_digit_sets_the_trace_level_and_says_so)
{
  Scoped_Temp_Env env;
  Move(750, 300);  // the message pane
  Window_Input_Key(window, VK_CONTROL, 0, 1);
  Key('7');
  Window_Input_Key(window, VK_CONTROL, 0, 0);
  EXPECT_EQ(trace_level.load(), 5);  // 5 to 9 all give 5
  EXPECT_STREQ(Message_Pane_Last_Line(), "Trace level: 5");
  Window_Input_Key(window, VK_CONTROL, 0, 1);
  Key('0');
  Window_Input_Key(window, VK_CONTROL, 0, 0);
  EXPECT_EQ(trace_level.load(), 0);
  Key('7', '7');  // without Ctrl a digit is only a key
  EXPECT_EQ(trace_level.load(), 0);
}

TEST_F(Main_Window_Test, a_workers_thread_lines_reach_the_message_pane_in_order)
{
  std::thread worker([] {
    for (int i = 1; i <= 3; i++) Message_Log(nullptr, MSG_THREAD, "\xF1line \x01%d", i);
  });
  worker.join();
  Pump();
  EXPECT_STREQ(Message_Pane_Last_Line(), "line 3");
}

TEST_F(Main_Window_Test, the_focus_follows_the_mouse_between_panes_but_stays_in_another_window)
{
  Move(100, 300);
  EXPECT_EQ(Window_Get_Focus(), Main_Pane(PANE_TREE));
  Move(750, 560);
  EXPECT_EQ(Window_Get_Focus(), Main_Pane(PANE_MENU));
  Window_Handle other = Window_Create(0, "Config", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                      nullptr, 0, nullptr);
  ASSERT_NE(other, nullptr);
  Window_Set_Focus(other);
  Move(400, 300);
  EXPECT_EQ(Window_Get_Focus(), other);
}

}  // namespace
