// Input on the headless backend: which window a mouse or key event reaches, with which
// coordinates and flags; the last mouse position in screen coordinates; capture, focus,
// modal and disabled windows; the user resizing and minimising a window.
#include <thread>

#include "platform/window/window_input.h"
#include "platform_window/window_test_windows.h"

using Window_Input = Headless_Windows;

TEST_F(Window_Input, a_click_reaches_the_deepest_child_under_it_in_its_own_coordinates)
{
  Window_Handle top = Top(400, 300);  // at (10, 20) on the screen
  Window_Handle left = Child(top, 0, 0, 100, 300, 1);
  Window_Handle right = Child(top, 100, 0, 300, 300, 2);
  Window_Handle inner = Child(right, 50, 60, 40, 40, 3);
  Window_Handle over = Child(top, 90, 0, 20, 20, 4);  // made last: wins where it overlaps
  Window_Process_Pending();
  struct Case {
    int x, y;
    Window_Handle expected;
    int local_x, local_y;
  } cases[] = {
      {5, 5, left, 5, 5},       {99, 299, left, 99, 299}, {100, 100, right, 0, 100}, {160, 70, inner, 10, 10},
      {189, 99, inner, 39, 39}, {190, 100, right, 90, 100}, {95, 10, over, 5, 10},  {105, 25, right, 5, 25},
  };
  for (const Case &c : cases) {
    Forget();
    EXPECT_EQ(Window_Input_Mouse_Button(top, 0, 1, c.x, c.y), c.expected) << c.x << "," << c.y;
    Window_Input_Mouse_Button(top, 0, 0, c.x, c.y);
    Window_Process_Pending();
    auto downs = Of(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].window, c.expected);
    EXPECT_EQ(Point_X(downs[0].lparam), c.local_x);
    EXPECT_EQ(Point_Y(downs[0].lparam), c.local_y);
    EXPECT_EQ(downs[0].wparam & MK_LBUTTON, (uintptr_t)MK_LBUTTON);
    EXPECT_EQ(Of(WM_LBUTTONUP)[0].wparam & MK_LBUTTON, 0u);
  }
}

TEST_F(Window_Input, hidden_children_are_passed_through)
{
  Window_Handle top = Top(200, 200);
  Window_Handle child = Child(top, 0, 0, 100, 100, 1);
  Window_Show(child, SW_HIDE);
  EXPECT_EQ(Window_Input_Mouse_Move(top, 10, 10), top);
}

TEST_F(Window_Input, the_last_mouse_position_is_kept_in_screen_coordinates)
{
  Window_Handle top = Top(200, 200);
  Window_Handle child = Child(top, 30, 40, 100, 100, 1);
  Window_Input_Mouse_Move(top, 35, 47);
  int x = 0, y = 0;
  Window_Cursor_Position(&x, &y);
  EXPECT_EQ(x, 10 + 35);
  EXPECT_EQ(y, 20 + 47);
  ASSERT_EQ(Window_Screen_To_Client(child, &x, &y), 1);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 7);
}

TEST_F(Window_Input, the_capture_holder_gets_the_mouse_outside_itself_until_released)
{
  Window_Handle top = Top(300, 200);
  Window_Handle bar = Child(top, 100, 0, 8, 200, 1);
  Window_Handle pane = Child(top, 110, 0, 190, 200, 2);
  Window_Set_Capture(bar);
  Window_Process_Pending();
  Forget();
  EXPECT_EQ(Window_Input_Mouse_Move(top, 150, 50), bar);
  Window_Process_Pending();
  EXPECT_EQ(Point_X(Of(WM_MOUSEMOVE)[0].lparam), 50);
  EXPECT_EQ(Window_Input_Mouse_Move(top, 20, 50), bar);
  Window_Process_Pending();
  EXPECT_EQ(Point_X(Of(WM_MOUSEMOVE)[1].lparam), -80);
  EXPECT_EQ(Window_Release_Capture(), 1);
  EXPECT_EQ(Of(WM_CAPTURECHANGED).size(), 1u);
  EXPECT_EQ(Window_Input_Mouse_Move(top, 150, 50), pane);
  EXPECT_EQ(Window_Release_Capture(), 0);
}

TEST_F(Window_Input, keys_go_to_the_focus_window_with_their_flags)
{
  Window_Handle top = Top();
  Window_Handle pane = Child(top, 0, 0, 50, 50, 1);
  EXPECT_EQ(Window_Input_Key(top, 'D', 0, 1), top);  // no focus: the top-level window
  Window_Input_Key(top, 'D', 0, 0);
  EXPECT_EQ(Window_Set_Focus(pane), nullptr);
  EXPECT_EQ(Of(WM_SETFOCUS).back().window, pane);
  Window_Process_Pending();
  Forget();
  struct Case {
    int key, extended, down;
    unsigned message;
    uint32_t flags;
  } cases[] = {
      {VK_DOWN, 1, 1, WM_KEYDOWN, 1u | KF_EXTENDED_BIT},
      {VK_DOWN, 1, 1, WM_KEYDOWN, 1u | KF_EXTENDED_BIT | KF_REPEAT_BIT},
      {VK_DOWN, 1, 0, WM_KEYUP, 1u | KF_EXTENDED_BIT | KF_REPEAT_BIT | KF_UP_BIT},
      {VK_NUMPAD0 + 7, 0, 1, WM_KEYDOWN, 1u},
      {VK_MENU, 0, 1, WM_SYSKEYDOWN, 1u | KF_ALTDOWN_BIT},
      {'F', 0, 1, WM_SYSKEYDOWN, 1u | KF_ALTDOWN_BIT},
      {'F', 0, 0, WM_SYSKEYUP, 1u | KF_ALTDOWN_BIT | KF_REPEAT_BIT | KF_UP_BIT},
      {VK_MENU, 0, 0, WM_KEYUP, 1u | KF_REPEAT_BIT | KF_UP_BIT},
  };
  for (const Case &c : cases) {
    Forget();
    EXPECT_EQ(Window_Input_Key(top, c.key, c.extended, c.down), pane);
    Window_Process_Pending();
    ASSERT_EQ(received.size(), 1u) << c.key;
    EXPECT_EQ(received[0].message, c.message) << c.key;
    EXPECT_EQ((uint32_t)received[0].lparam, c.flags) << c.key;
    EXPECT_EQ(received[0].wparam, (uintptr_t)c.key);
  }
}

TEST_F(Window_Input, focus_follows_the_top_level_window_and_returns_to_its_child)
{
  Window_Handle top = Top();
  Window_Handle pane = Child(top, 0, 0, 50, 50, 1);
  Window_Set_Focus(pane);
  Window_Input_Key(top, VK_SHIFT, 0, 1);
  Window_Input_Focus(top, 0);
  EXPECT_EQ(Window_Get_Focus(), nullptr);
  EXPECT_FALSE(Window_Key_Is_Down(VK_SHIFT));  // released while away
  Window_Input_Focus(top, 1);
  EXPECT_EQ(Window_Get_Focus(), pane);
  EXPECT_EQ(Of(WM_ACTIVATE).size(), 2u);
}

TEST_F(Window_Input, modal_and_disabled_windows_drop_input_but_keep_posted_messages)
{
  Window_Handle main_window = Top();
  Window_Handle box = Top();
  Window_Process_Pending();
  Window_Set_Modal(box);
  Forget();
  Window_Input_Mouse_Button(main_window, 0, 1, 5, 5);
  Window_Input_Key(main_window, 'A', 0, 1);
  Window_Post(main_window, WM_THREAD_MESSAGE, 0, 0);
  Window_Input_Mouse_Button(box, 0, 1, 5, 5);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Of(WM_LBUTTONDOWN)[0].window, box);
  EXPECT_TRUE(Of(WM_KEYDOWN).empty());
  EXPECT_EQ(Of(WM_THREAD_MESSAGE).size(), 1u);
  Window_Destroy(box);  // ends the modal state
  Window_Enable(main_window, 0);
  Forget();
  Window_Input_Mouse_Button(main_window, 0, 0, 5, 5);
  Window_Process_Pending();
  EXPECT_TRUE(Of(WM_LBUTTONUP).empty());
  Window_Enable(main_window, 1);
  Window_Input_Mouse_Button(main_window, 0, 1, 5, 5);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(Window_Input, wheel_carries_its_delta_and_screen_coordinates)
{
  Window_Handle top = Top();
  Window_Handle pane = Child(top, 20, 0, 100, 100, 1);
  EXPECT_EQ(Window_Input_Mouse_Wheel(top, -240, 30, 40), pane);
  Window_Process_Pending();
  auto wheels = Of(WM_MOUSEWHEEL);
  ASSERT_EQ(wheels.size(), 1u);
  EXPECT_EQ(Wheel_Delta(wheels[0].wparam), -240);
  EXPECT_EQ(Point_X(wheels[0].lparam), 40);
  EXPECT_EQ(Point_Y(wheels[0].lparam), 60);
}

TEST_F(Window_Input, resizing_keeps_the_framebuffer_to_the_client_size_and_minimising_is_width_zero)
{
  Window_Handle top = Top(200, 100);
  Window_Process_Pending();
  Forget();
  Window_Input_Resize(top, 320, 240, 0);
  auto sizes = Of(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(Point_X(sizes[0].lparam), 320);
  Window_Surface surface;
  ASSERT_EQ(Window_Surface_Get(top, &surface), 1);
  EXPECT_EQ(surface.frame->width, 320);
  EXPECT_EQ(surface.frame->height, 240);
  EXPECT_EQ(surface.frame->Row(239)[319], 0x00AAAAAAu);  // new pixels take the class background
  Window_Surface_Release(top);
  Window_Input_Resize(top, 0, 0, 1);
  EXPECT_EQ(Of(WM_SIZE).back().wparam, (uintptr_t)SIZE_MINIMIZED);
  EXPECT_EQ(Point_X(Of(WM_SIZE).back().lparam), 0);
  EXPECT_TRUE(Window_Is_Minimized(top));
  Window_Invalidate(top, 0);
  Forget();
  Window_Process_Pending();
  EXPECT_TRUE(Of(WM_PAINT).empty());  // nothing is painted while minimised
  Window_Input_Resize(top, 320, 240, 0);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_PAINT).size(), 1u);
}

TEST_F(Window_Input, the_cursor_shape_is_kept_until_changed_from_any_thread)
{
  EXPECT_EQ(Window_Set_Cursor(CURSOR_SIZE_WE), CURSOR_ARROW);
  EXPECT_EQ(Window_Set_Cursor(CURSOR_SIZE_WE), CURSOR_SIZE_WE);
  Window_Cursor from_worker = CURSOR_ARROW;
  std::thread worker([&] { from_worker = Window_Set_Cursor(CURSOR_WAIT); });
  worker.join();
  EXPECT_EQ(from_worker, CURSOR_SIZE_WE);
  Window_Process_Pending();
  EXPECT_EQ(Window_Get_Cursor(), CURSOR_WAIT);
}
