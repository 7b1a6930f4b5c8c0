// Test fixture for the window system: starts the headless backend, registers a class whose
// procedure records every message it gets, and stops the system afterwards.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"

struct Received {
  Window_Handle window;
  unsigned message;
  uintptr_t wparam;
  intptr_t lparam;
};

class Headless_Windows : public ::testing::Test {
protected:
  static std::vector<Received> received;
  static std::mutex received_lock;

  static intptr_t Record_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
  {
    {
      std::lock_guard<std::mutex> lock(received_lock);
      received.push_back({window, message, wparam, lparam});
    }
    return Window_Default_Proc(window, message, wparam, lparam);
  }

  void SetUp() override
  {
    ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
    Window_Class window_class;
    window_class.name = "RECORD";
    window_class.procedure = Record_Proc;
    window_class.background = 0x00AAAAAA;
    ASSERT_EQ(Window_Class_Register(window_class), 1);
    received.clear();
  }
  void TearDown() override { Window_System_Stop(); }

  Window_Handle Top(int width = 200, int height = 100)
  {
    return Window_Create(0, "RECORD", "top", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, width, height, nullptr, 0,
                         nullptr);
  }
  Window_Handle Child(Window_Handle parent, int x, int y, int width, int height, int id)
  {
    return Window_Create(0, "RECORD", "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent, id, nullptr);
  }

  // The messages of one number, in the order received.
  std::vector<Received> Of(unsigned message)
  {
    std::lock_guard<std::mutex> lock(received_lock);
    std::vector<Received> found;
    for (const Received &entry : received)
      if (entry.message == message) found.push_back(entry);
    return found;
  }
  void Forget()
  {
    std::lock_guard<std::mutex> lock(received_lock);
    received.clear();
  }
};

inline std::vector<Received> Headless_Windows::received;
inline std::mutex Headless_Windows::received_lock;
