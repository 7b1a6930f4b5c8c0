// Geometry and surfaces on the headless backend: where a child's client area lies in the
// top-level framebuffer and what clips it (ancestors, the frame, hidden windows), the class
// background filled before WM_PAINT, moves and sizes with their messages, show and hide.
#include "platform/window/window_input.h"
#include "platform_window/window_test_windows.h"

using Window_Paint = Headless_Windows;

TEST_F(Window_Paint, surfaces_place_children_in_the_top_level_frame_and_clip_them_by_their_ancestors)
{
  Window_Handle top = Top(200, 100);
  Window_Handle pane = Child(top, 150, 20, 100, 50, 1);  // sticks out on the right
  Window_Handle inner = Child(pane, -10, 40, 30, 30, 2);  // sticks out of the pane, left and below
  Window_Handle hidden = Child(top, 0, 0, 10, 10, 3);
  Window_Show(hidden, SW_HIDE);
  struct Case {
    Window_Handle window;
    int origin_x, origin_y, width, height, left, top, right, bottom;
  } cases[] = {
      {top, 0, 0, 200, 100, 0, 0, 200, 100},
      {pane, 150, 20, 100, 50, 150, 20, 200, 70},
      {inner, 140, 60, 30, 30, 150, 60, 170, 70},
      {hidden, 0, 0, 10, 10, 0, 0, 0, 0},
  };
  for (const Case &c : cases) {
    Window_Surface surface;
    ASSERT_EQ(Window_Surface_Get(c.window, &surface), 1);
    EXPECT_EQ(surface.origin_x, c.origin_x);
    EXPECT_EQ(surface.origin_y, c.origin_y);
    EXPECT_EQ(surface.width, c.width);
    EXPECT_EQ(surface.height, c.height);
    EXPECT_EQ(surface.clip_left, c.left);
    EXPECT_EQ(surface.clip_top, c.top);
    EXPECT_EQ(surface.clip_right, c.right);
    EXPECT_EQ(surface.clip_bottom, c.bottom);
    Window_Surface_Release(c.window);
  }
}

TEST_F(Window_Paint, the_class_background_is_filled_only_when_erasing)
{
  Window_Handle top = Top(20, 20);
  Window_Process_Pending();
  Window_Surface surface;
  ASSERT_EQ(Window_Surface_Get(top, &surface), 1);
  surface.frame->Row(5)[5] = 0x123456;
  Window_Surface_Release(top);
  Window_Invalidate(top, 0);
  Window_Process_Pending();
  Window_Surface_Get(top, &surface);
  EXPECT_EQ(surface.frame->Row(5)[5], 0x123456u);
  Window_Surface_Release(top);
  Window_Invalidate(top, 1);
  Window_Process_Pending();
  Window_Surface_Get(top, &surface);
  EXPECT_EQ(surface.frame->Row(5)[5], 0xAAAAAAu);
  Window_Surface_Release(top);
}

TEST_F(Window_Paint, moving_and_sizing_send_their_messages_and_keep_sizes_non_negative)
{
  Window_Handle top = Top(200, 100);
  Window_Handle pane = Child(top, 0, 0, 50, 50, 1);
  Forget();
  ASSERT_EQ(Window_Move(pane, 10, 0, 50, 50, 0), 1);
  EXPECT_EQ(Of(WM_MOVE).size(), 1u);
  EXPECT_TRUE(Of(WM_SIZE).empty());
  ASSERT_EQ(Window_Move(pane, 10, 0, -5, 70, 1), 1);
  ASSERT_EQ(Of(WM_SIZE).size(), 1u);
  EXPECT_EQ(Point_X(Of(WM_SIZE)[0].lparam), 0);
  EXPECT_EQ(Point_Y(Of(WM_SIZE)[0].lparam), 70);
  EXPECT_TRUE(Window_Is_Invalid(top));
  int width = -1, height = -1, x = -1, y = -1;
  Window_Get_Client_Size(pane, &width, &height);
  Window_Get_Position(pane, &x, &y);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(x, 10);
  ASSERT_EQ(Window_Move(top, 5, 6, 300, 120, 0), 1);
  Window_Surface surface;
  Window_Surface_Get(top, &surface);
  EXPECT_EQ(surface.frame->width, 300);
  Window_Surface_Release(top);
  x = 0, y = 0;
  Window_Client_To_Screen(pane, &x, &y);
  EXPECT_EQ(x, 15);
  EXPECT_EQ(y, 6);
}

TEST_F(Window_Paint, show_and_hide_answer_the_previous_state_and_close_respects_modal_windows)
{
  Window_Handle top = Top();
  Window_Handle pane = Child(top, 0, 0, 10, 10, 1);
  EXPECT_EQ(Window_Show(pane, SW_HIDE), 1);
  EXPECT_EQ(Window_Show(pane, SW_HIDE), 0);
  EXPECT_FALSE(Window_Is_Visible(pane));
  EXPECT_EQ(Window_Show(pane, SW_SHOW), 0);
  Window_Show(top, SW_HIDE);
  EXPECT_FALSE(Window_Is_Visible(pane));  // hidden with its parent
  Window_Show(top, SW_SHOW);
  Window_Handle box = Top();
  Window_Set_Modal(box);
  Forget();
  Window_Input_Close(top);  // the owner of a modal box cannot be closed
  Window_Process_Pending();
  EXPECT_TRUE(Of(WM_CLOSE).empty());
  Window_Input_Close(box);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_CLOSE).size(), 1u);
  EXPECT_FALSE(Window_Is_Window(box));
  EXPECT_TRUE(Window_Is_Window(top));
}

TEST_F(Window_Paint, titles_are_copied_and_dead_handles_give_empty_answers)
{
  Window_Handle top = Top();
  std::string title = "Progress";
  Window_Set_Title(top, title.c_str());
  title = "changed";
  EXPECT_STREQ(Window_Get_Title(top), "Progress");
  EXPECT_STREQ(Window_Get_Class(top), "RECORD");
  Window_Destroy(top);
  EXPECT_EQ(Window_Set_Title(top, "x"), 0);
  EXPECT_STREQ(Window_Get_Class(top), "");
  EXPECT_EQ(Window_Get_Top(top), nullptr);
  EXPECT_EQ(Window_Move(top, 0, 0, 1, 1, 1), 0);
}
