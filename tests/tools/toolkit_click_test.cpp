// End to end: a real SDL window on an Xvfb display started by the test, two toolkit
// buttons drawn in it, a click made by xdotool, and the click reaching the right button.
// The window's screenshot is kept in the build tree's test-output folder.
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools/button.h"

static Button buttons[2];
static int clicked = -1;

static intptr_t Click_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message == WM_PAINT) {
    for (Button &b : buttons) b.Draw();
    return 0;
  }
  if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN) {
    int x = Point_X(lparam), y = Point_Y(lparam);
    Window_Client_To_Screen(window, &x, &y);
    Tools_Set_Mouse(x, y);
    int hit = Buttons::Select(buttons, 2, message == WM_LBUTTONDOWN ? 2 : 0);
    if (message == WM_LBUTTONDOWN) clicked = hit;
    return 0;
  }
  return Window_Default_Proc(window, message, wparam, lparam);
}

// Runs the window system's pending work for `seconds`.
static void Pump(double seconds)
{
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    Window_Process_Pending();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(Toolkit_Click, ClickOnARealWindowReachesTheButtonUnderIt)
{
  if (system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "no Xvfb or xdotool";
  int display = 90 + getpid() % 100;
  pid_t server = fork();
  if (server == 0) {
    std::string name = ":" + std::to_string(display);
    execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", (char *)nullptr);
    _exit(127);
  }
  ASSERT_GT(server, 0);
  std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 100 && !std::filesystem::exists(socket); i++) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::string saved_display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
  unsetenv("HARROWDESK_BACKEND");

  bool started = Window_System_Start(WINDOW_BACKEND_SDL);
  Window_Handle window = nullptr;
  if (started) {
    Window_Class click_class;
    click_class.name = "Toolkit_Click";
    click_class.procedure = Click_Proc;
    click_class.background = 0x9A9A9A;
    Window_Class_Register(click_class);
    window = Window_Create(0, "Toolkit_Click", "Toolkit click", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 300, 100,
                           nullptr, 0, nullptr);
  }
  if (window) {
    const char *labels[2] = {"Left", "Right"};
    for (int i = 0; i < 2; i++) {
      buttons[i] = Button();
      buttons[i].x = (uint16_t)(20 + i * 140);
      buttons[i].y = 30;
      buttons[i].width = 120;
      buttons[i].height = 30;
      buttons[i].text = labels[i];
      buttons[i].font_style = "bold";
      buttons[i].font_size = 10;
      Buttons::Init(buttons[i], window);
    }
    Window_Invalidate(window, 1);
    Pump(0.5);
    // The right button's middle: x 160 + 60, y 30 + 15 from the bottom of 100 rows.
    std::thread clicker([] {
      Run_Command("id=$(xdotool search --sync --name 'Toolkit click' | head -1); "
                  "xdotool windowfocus --sync $id; sleep 0.2; "
                  "xdotool mousemove --window $id 220 54; sleep 0.2; xdotool click 1; sleep 0.2");
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (clicked < 0 && std::chrono::steady_clock::now() < deadline) Pump(0.05);
    clicker.join();
    Pump(0.3);
    std::filesystem::create_directories(Binary_Dir() + "test-output");
    EXPECT_EQ(Window_Save_PNG(window, (Binary_Dir() + "test-output/toolkit_click.png").c_str()), 1);
  }
  Window_System_Stop();
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  if (saved_display.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", saved_display.c_str(), 1);
  ASSERT_TRUE(started) << "the SDL backend did not start on the Xvfb display";
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(clicked, 1);
  EXPECT_EQ(buttons[1].hover, 1);
  EXPECT_EQ(buttons[0].hover, 2);
}
