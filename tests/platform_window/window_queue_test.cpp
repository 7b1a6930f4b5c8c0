// The message queue and loop on the headless backend: creation messages, posting from
// many threads, the coalescing post, removal, cross-thread send, quit with its exit value,
// character translation, paint order, and stale handles.
#include <atomic>
#include <thread>

#include "platform/window/window_input.h"
#include "support/test_support.h"
#include "platform_window/window_test_windows.h"

using Window_Queue = Headless_Windows;

TEST_F(Window_Queue, creation_sends_create_then_size_then_show)
{
  Window_Handle top = Top(300, 150);
  ASSERT_NE(top, nullptr);
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received[0].message, (unsigned)WM_CREATE);
  EXPECT_EQ(received[1].message, (unsigned)WM_SIZE);
  EXPECT_EQ(Point_X(received[1].lparam), 300);
  EXPECT_EQ(Point_Y(received[1].lparam), 150);
  EXPECT_EQ(received[2].message, (unsigned)WM_SHOWWINDOW);
  EXPECT_TRUE(Window_Is_Visible(top));
}

TEST_F(Window_Queue, unknown_class_orphan_child_and_second_class_are_refused_with_one_report_each)
{
  Message_Capture capture;
  EXPECT_EQ(Window_Create(0, "NOPE", "", 0, 0, 0, 10, 10, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "unknown class \"NOPE\""), 1);
  EXPECT_EQ(Window_Create(0, "RECORD", "", WS_CHILD, 0, 0, 10, 10, nullptr, 1, nullptr), nullptr);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "needs a live parent"), 1);
  Window_Class again;
  again.name = "RECORD";
  again.procedure = Record_Proc;
  EXPECT_EQ(Window_Class_Register(again), 0);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "already registered"), 1);
  EXPECT_EQ(capture.Texts(MSG_ERRLOG).size(), 3u);
}

TEST_F(Window_Queue, posts_from_many_threads_all_arrive_in_each_threads_order)
{
  Window_Handle top = Top();
  Window_Process_Pending();
  Forget();
  const int threads = 4, each = 500;
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; t++)
    workers.emplace_back([=] {
      for (int i = 0; i < each; i++) Window_Post(top, WM_USER + 5, (uintptr_t)t, i);
    });
  for (auto &worker : workers) worker.join();
  Window_Process_Pending();
  auto got = Of(WM_USER + 5);
  ASSERT_EQ(got.size(), (size_t)(threads * each));
  std::vector<intptr_t> next(threads, 0);
  for (const Received &entry : got) EXPECT_EQ(entry.lparam, next[entry.wparam]++);
}

TEST_F(Window_Queue, unique_post_coalesces_queued_copies_only)
{
  Window_Handle top = Top();
  Window_Process_Pending();
  Forget();
  for (int i = 0; i < 50; i++) EXPECT_EQ(Window_Post_Unique(top, WM_PROGRESS_POSITION, 0, 0), 1);
  Window_Post(top, WM_PROGRESS_TEXT, 0, 0);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_PROGRESS_POSITION).size(), 1u);
  Window_Post_Unique(top, WM_PROGRESS_POSITION, 0, 0);  // the earlier one is gone: queued again
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_PROGRESS_POSITION).size(), 2u);
  EXPECT_EQ(Of(WM_PROGRESS_TEXT).size(), 1u);
}

TEST_F(Window_Queue, queue_remove_drops_only_the_named_window_and_message)
{
  Window_Handle a = Top(), b = Top();
  Window_Process_Pending();
  Forget();
  for (int i = 0; i < 3; i++) {
    Window_Post(a, WM_PROGRESS_POSITION, 0, 0);
    Window_Post(b, WM_PROGRESS_POSITION, 0, 0);
  }
  Window_Post(a, WM_PROGRESS_END, 0, 0);
  EXPECT_EQ(Window_Queue_Remove(a, WM_PROGRESS_POSITION), 3);
  Window_Process_Pending();
  EXPECT_EQ(Of(WM_PROGRESS_POSITION).size(), 3u);
  for (const Received &entry : Of(WM_PROGRESS_POSITION)) EXPECT_EQ(entry.window, b);
  EXPECT_EQ(Of(WM_PROGRESS_END).size(), 1u);
}

TEST_F(Window_Queue, send_from_a_worker_runs_on_the_ui_thread_and_returns_the_result)
{
  Window_Handle top = Top();
  std::atomic<intptr_t> result{-1};
  std::thread worker([&] { result = Window_Send(top, WM_USER + 9, 7, 8); });
  Window_Message msg;
  while (result == -1) {
    Window_Peek_Message(&msg, nullptr, 0, 0, 0);  // runs waiting calls
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(result, 0);  // the default procedure's answer
  auto got = Of(WM_USER + 9);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wparam, 7u);
}

TEST_F(Window_Queue, quit_ends_the_loop_with_its_exit_value_after_queued_messages)
{
  Window_Handle top = Top();
  Window_Post(top, WM_USER + 1, 0, 0);
  std::thread worker([] { Window_Post_Quit(3); });
  worker.join();
  EXPECT_EQ(Window_Run_Loop(), 3);
  EXPECT_EQ(Of(WM_USER + 1).size(), 1u);
}

TEST_F(Window_Queue, a_worker_post_wakes_a_waiting_loop)
{
  Window_Handle top = Top();
  std::thread worker([top] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Window_Post(top, WM_CLOSE, 0, 0);  // the default procedure destroys the window
    Window_Post_Quit(0);
  });
  EXPECT_EQ(Window_Run_Loop(), 0);
  worker.join();
  EXPECT_FALSE(Window_Is_Window(top));
}

TEST_F(Window_Queue, translate_turns_control_keys_into_characters)
{
  Window_Handle top = Top();
  Window_Process_Pending();
  struct Case {
    int key;
    bool control;
    unsigned character;  // 0: none
  } cases[] = {{VK_ESCAPE, false, 0x1B}, {VK_RETURN, false, 0x0D}, {VK_BACK, false, 0x08},
               {VK_TAB, false, 0x09},    {'C', true, 0x03},        {'C', false, 0},
               {VK_LEFT, false, 0},      {'1', true, 0}};
  for (const Case &c : cases) {
    Forget();
    if (c.control) Window_Input_Key(top, VK_CONTROL, 0, 1);
    Window_Input_Key(top, c.key, 0, 1);
    Window_Process_Pending();
    auto chars = Of(WM_CHAR);
    if (c.character) {
      ASSERT_EQ(chars.size(), 1u) << c.key;
      EXPECT_EQ(chars[0].wparam, c.character);
    } else {
      EXPECT_TRUE(chars.empty()) << c.key;
    }
    Window_Input_Key(top, c.key, 0, 0);
    if (c.control) Window_Input_Key(top, VK_CONTROL, 0, 0);
  }
}

TEST_F(Window_Queue, invalid_windows_paint_parents_first_and_only_when_shown)
{
  Window_Handle top = Top();
  Window_Handle child = Child(top, 5, 5, 50, 50, 1);
  Window_Handle hidden = Window_Create(0, "RECORD", "", WS_CHILD, 60, 5, 20, 20, top, 2, nullptr);
  Window_Process_Pending();
  Forget();
  Window_Invalidate(top, 1);
  Window_Process_Pending();
  auto paints = Of(WM_PAINT);
  ASSERT_EQ(paints.size(), 2u);
  EXPECT_EQ(paints[0].window, top);
  EXPECT_EQ(paints[1].window, child);
  EXPECT_TRUE(Window_Is_Invalid(hidden));
  EXPECT_FALSE(Window_Is_Invalid(top));
}

TEST_F(Window_Queue, a_destroyed_window_is_a_safe_dead_handle)
{
  Window_Handle top = Top();
  Window_Handle child = Child(top, 0, 0, 10, 10, 1);
  Window_Post(child, WM_USER + 2, 0, 0);
  ASSERT_EQ(Window_Destroy(top), 1);
  auto destroys = Of(WM_DESTROY);
  ASSERT_EQ(destroys.size(), 2u);
  EXPECT_EQ(destroys[0].window, top);
  EXPECT_EQ(destroys[1].window, child);
  Forget();
  Window_Process_Pending();
  EXPECT_TRUE(received.empty());
  int width = -1, height = -1;
  Window_Surface surface;
  EXPECT_EQ(Window_Post(child, WM_USER, 0, 0), 0);
  EXPECT_EQ(Window_Send(top, WM_USER, 0, 0), 0);
  EXPECT_EQ(Window_Get_Client_Size(child, &width, &height), 0);
  EXPECT_EQ(width, -1);
  EXPECT_EQ(Window_Surface_Get(child, &surface), 0);
  EXPECT_EQ(Window_Destroy(top), 0);
  EXPECT_STREQ(Window_Get_Title(top), "");
}

TEST_F(Window_Queue, a_refusing_create_gives_no_window)
{
  Window_Class refusing;
  refusing.name = "REFUSE";
  refusing.procedure = [](Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam) -> intptr_t {
    return message == WM_CREATE ? -1 : Window_Default_Proc(window, message, wparam, lparam);
  };
  ASSERT_EQ(Window_Class_Register(refusing), 1);
  Message_Capture capture;
  EXPECT_EQ(Window_Create(0, "REFUSE", "", 0, 0, 0, 10, 10, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "refused to be created"), 1);
}
