// The fixture of the toolkit tests: the headless window system with one window, pixels
// read back from its framebuffer in the toolkit's coordinates (y upwards), and the last
// mouse position put at a point of the window.
#pragma once

#include <gtest/gtest.h>

#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools/tools_device.h"

// The packed colour (red low) at (x, y) of a window's client area, y upwards from the
// bottom row; 0xFFFFFFFF for a dead window.
inline uint32_t Pixel_At(Window_Handle window, int x, int y)
{
  Window_Surface surface;
  if (!Window_Surface_Get(window, &surface)) return 0xFFFFFFFF;
  uint32_t p = surface.frame->pixels[(size_t)(surface.origin_y + surface.height - 1 - y) * surface.frame->width +
                                     surface.origin_x + x];
  Window_Surface_Release(window);
  return (p >> 16 & 0xFF) | (p & 0xFF00) | (p & 0xFF) << 16;
}

class Tools_Test : public ::testing::Test {
protected:
  static constexpr int kWidth = 400, kHeight = 300;

  void SetUp() override
  {
    setenv("HARROWDESK_BACKEND", "headless", 1);
    ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
    Window_Class test_class;
    test_class.name = "Tools_Test";
    test_class.procedure = Window_Default_Proc;
    test_class.background = 0x000000;
    Window_Class_Register(test_class);
    window = Window_Create(0, "Tools_Test", "test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, kWidth, kHeight,
                           nullptr, 0, nullptr);
    ASSERT_NE(window, nullptr);
    Tools_Set_Mouse(-1000, -1000);
  }

  void TearDown() override { Window_System_Stop(); }

  // The packed colour (red low) at (x, y), y upwards from the bottom row.
  uint32_t Pixel(int x, int y) { return Pixel_At(window, x, y); }

  // Puts the toolkit's last mouse position at (x, y) of the window, y upwards.
  void Mouse_At(int x, int y)
  {
    int sx = x, sy = kHeight - 1 - y;
    Window_Client_To_Screen(window, &sx, &sy);
    Tools_Set_Mouse(sx, sy);
  }

  // Prepares a device header on the test window.
  void Place(Tools_Device &device, int x, int y, int width, int height, int grey = 170)
  {
    device.x = (uint16_t)x;
    device.y = (uint16_t)y;
    device.width = (int16_t)width;
    device.height = (int16_t)height;
    device.red = device.green = device.blue = (int16_t)grey;
    device.font_style = "bold";
    device.font_size = 10;
    device.window = window;
  }

  Window_Handle window = nullptr;
};

// The source tree's data/Icons folder, found from this file's own path (so it does not
// depend on the test environment's variables).
inline std::string Shipped_Icons()
{
  std::string here = __FILE__;
  return here.substr(0, here.rfind("tests/tools/")) + "data/Icons/";
}

// Packs (r, g, b) as the toolkit does.
inline uint32_t RGB(int r, int g, int b) { return Tools_Pack(r, g, b); }
