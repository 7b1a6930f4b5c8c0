// PNG output of windows on the headless backend: a child's rectangle saved and read back
// pixel for pixel, and the failures (unwritable folder, dead window, unreadable file).
#include <unistd.h>

#include "platform/window/window_png.h"
#include "platform_window/window_test_windows.h"
#include "support/test_support.h"

using Window_Png = Headless_Windows;

// Paints a pattern that differs at every pixel into the window's whole framebuffer.
static void Paint_Pattern(Window_Handle top)
{
  Window_Surface surface;
  ASSERT_EQ(Window_Surface_Get(top, &surface), 1);
  for (int y = 0; y < surface.frame->height; y++)
    for (int x = 0; x < surface.frame->width; x++) surface.frame->Row(y)[x] = (uint32_t)(((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x + y) & 0xFF));
  Window_Surface_Release(top);
}

TEST_F(Window_Png, a_child_window_is_saved_as_its_own_rectangle)
{
  Scoped_Temp_Env env;
  Window_Handle top = Top(120, 80);
  Window_Handle child = Child(top, 30, 20, 50, 40, 1);
  Paint_Pattern(top);
  std::string path = env.temp() + "child.png";
  ASSERT_EQ(Window_Save_PNG(child, path.c_str()), 1);
  Framebuffer loaded;
  ASSERT_EQ(Framebuffer_Load_PNG(&loaded, path.c_str()), 1);
  ASSERT_EQ(loaded.width, 50);
  ASSERT_EQ(loaded.height, 40);
  Window_Surface surface;
  ASSERT_EQ(Window_Surface_Get(top, &surface), 1);
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 50; x++) ASSERT_EQ(loaded.Row(y)[x], surface.frame->Row(20 + y)[30 + x]) << x << "," << y;
  Window_Surface_Release(top);
}

TEST_F(Window_Png, a_child_partly_outside_its_parent_is_cut_to_what_shows)
{
  Scoped_Temp_Env env;
  Window_Handle top = Top(100, 100);
  Window_Handle child = Child(top, 80, -10, 50, 50, 1);
  std::string path = env.temp() + "cut.png";
  ASSERT_EQ(Window_Save_PNG(child, path.c_str()), 1);
  Framebuffer loaded;
  ASSERT_EQ(Framebuffer_Load_PNG(&loaded, path.c_str()), 1);
  EXPECT_EQ(loaded.width, 20);
  EXPECT_EQ(loaded.height, 40);
}

TEST_F(Window_Png, failures_report_once_and_leave_no_file)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  Window_Handle top = Top(10, 10);
  std::string missing = env.temp() + "no/such/folder/x.png";
  EXPECT_EQ(Window_Save_PNG(top, missing.c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "cannot create"), 1);
  EXPECT_NE(access((missing + ".part").c_str(), F_OK), 0);
  Window_Destroy(top);
  EXPECT_EQ(Window_Save_PNG(top, (env.temp() + "dead.png").c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "not a window"), 1);
  EXPECT_NE(access((env.temp() + "dead.png").c_str(), F_OK), 0);
  std::string text = env.temp() + "text.png";
  ASSERT_TRUE(Write_File(text, "not a picture at all"));
  Framebuffer untouched;
  untouched.Resize(3, 3, 7);
  EXPECT_EQ(Framebuffer_Load_PNG(&untouched, text.c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_ERROR, "not a readable PNG"), 1);
  EXPECT_EQ(untouched.width, 3);
  EXPECT_EQ(untouched.pixels[0], 7u);
  EXPECT_EQ(capture.Texts(MSG_ERROR).size(), 3u);
}
