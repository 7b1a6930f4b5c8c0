// The desktop program's windows on the headless backend: the eight classes registered, the
// main window created at 900 x 600 with its four panes, the message log routed to the
// message pane, and the jobs' list refresh reaching the list pane. Input is injected through
// the window system's input calls and the queue is run after each step.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/list_thread.h"
#include "app/my_error_fct.h"
#include "app/win_classes.h"
#include "app/win_list.h"
#include "app/win_main.h"
#include "app/win_text.h"
#include "app/win_tree.h"
#include "platform/window/window_input.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools/icon.h"

class Gui_Test : public ::testing::Test {
protected:
  static constexpr int kWidth = 900, kHeight = 600;

  void SetUp() override
  {
    saved_display_ = log_display;
    setenv("HARROWDESK_BACKEND", "headless", 1);
    ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
    ASSERT_EQ(Window_Classes_Register(), 1);
    Icon_Folder_Set(Source_Dir() + "data/Icons/");
    Tree_Panes_Init();
    Message_Pane_Install();
    Message_Callback = My_Error_Callback;
    list_refresh = List_Pane_Refresh;
    window = Window_Create(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_CLASS, WS_OVERLAPPEDWINDOW, 20, 30, kWidth, kHeight,
                           nullptr, 0, nullptr);
    ASSERT_NE(window, nullptr);
    Window_Show(window, SW_SHOWNORMAL);
    Pump();
  }

  void TearDown() override
  {
    Scan_Wait();
    Sort_Wait();
    Window_System_Stop();
    list_refresh = nullptr;
    Message_Callback = nullptr;
    log_display = saved_display_;
  }

  // Runs the queue until nothing is left.
  void Pump()
  {
    while (Window_Process_Pending() > 0) {
    }
  }

  // Runs the queue until `done` holds (at most `seconds`), for the jobs' workers.
  template <class Done> bool Pump_Until(Done done, int seconds = 20)
  {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
      Pump();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  void Move(int x, int y)
  {
    Window_Input_Mouse_Move(window, x, y);
    Pump();
  }
  void Press(int x, int y)
  {
    Window_Input_Mouse_Move(window, x, y);
    Window_Input_Mouse_Button(window, 0, 1, x, y);
    Pump();
  }
  void Release(int x, int y)
  {
    Window_Input_Mouse_Button(window, 0, 0, x, y);
    Pump();
  }
  void Click(int x, int y)
  {
    Press(x, y);
    Release(x, y);
  }
  void Key(int virtual_key, unsigned character = 0)
  {
    Window_Input_Key(window, virtual_key, 0, 1);
    if (character) Window_Input_Char(window, character);
    Window_Input_Key(window, virtual_key, 0, 0);
    Pump();
  }

  // A pane's rectangle in the main window's client coordinates.
  void Pane_Rect_Of(int pane, int *x, int *y, int *width, int *height)
  {
    Window_Get_Position(Main_Pane(pane), x, y);
    Window_Get_Client_Size(Main_Pane(pane), width, height);
  }

  Window_Handle window = nullptr;

private:
  Log_Display saved_display_;
};
