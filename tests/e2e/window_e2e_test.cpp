// One real SDL window on a private Xvfb server: a top-level window with two child panes,
// clicked and typed at with xdotool. The click must reach the right pane at its own
// coordinates, the last mouse position must be the screen point, the key must arrive as
// the extended Down key at the pane that took the focus, and the X server's own screenshot
// must show the pixels the panes drew. The screenshot is kept in the build tree's
// test-output folder for a person to look at.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/window/font.h"
#include "platform/window/window_input.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"

namespace {

const char *const TITLE = "Harrowdesk window test";
const uint32_t LEFT_COLOUR = 0x3050A0, RIGHT_COLOUR = 0xAAAAAA, TOP_COLOUR = 0x606060;

struct Click {
  Window_Handle window = nullptr;
  int x = -1, y = -1;
};
std::atomic<int> clicks{0}, keys{0};
Click last_click;
uintptr_t last_key = 0;
intptr_t last_key_flags = 0;
Font_Handle label_font = nullptr;

intptr_t Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  switch (message) {
  case WM_PAINT: {
    Window_Surface surface;
    if (!Window_Surface_Get(window, &surface)) return 0;
    uint32_t colour = Window_Get_Id(window) == 1 ? LEFT_COLOUR : RIGHT_COLOUR;
    for (int y = surface.clip_top; y < surface.clip_bottom; y++)
      for (int x = surface.clip_left; x < surface.clip_right; x++) surface.frame->Row(y)[x] = colour;
    const wchar_t *label = Window_Get_Id(window) == 1 ? L"left pane" : L"right pane: click me";
    Font_Draw_Text(label_font, surface, 10, 10, label, -1, Window_Get_Id(window) == 1 ? 0xFFFFFF : 0x000000, 255);
    Window_Surface_Release(window);
    return 0;
  }
  case WM_LBUTTONDOWN:
    last_click.window = window;
    last_click.x = Point_X(lparam);
    last_click.y = Point_Y(lparam);
    Window_Set_Focus(window);
    clicks++;
    return 0;
  case WM_KEYDOWN:
    last_key = wparam;
    last_key_flags = lparam;
    keys++;
    return 0;
  default: return Window_Default_Proc(window, message, wparam, lparam);
  }
}

intptr_t Top_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message == WM_CREATE) {
    Window_Create(0, "E2E PANE", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 300, window, 1, nullptr);
    Window_Create(0, "E2E PANE", "", WS_CHILD | WS_VISIBLE, 208, 0, 192, 300, window, 2, nullptr);
    return 0;
  }
  return Window_Default_Proc(window, message, wparam, lparam);
}

bool Have(const char *program) { return system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0; }

// Runs the loop until `done` holds or the time is up.
template <typename Done> bool Pump_Until(Done done, int seconds)
{
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    Window_Process_Pending();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

class Xvfb_Server {
public:
  Xvfb_Server()
  {
    int status = -1;
    std::string line = Run_Command(Source_Dir() + "scripts/xvfb-start.sh 640x480", &status);
    std::istringstream words(line);
    if (status == 0 && (words >> number_ >> pid_)) started_ = true;
  }
  ~Xvfb_Server()
  {
    if (!started_) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100 && kill(pid_, 0) == 0; i++) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  bool started() const { return started_; }
  std::string display() const { return ":" + std::to_string(number_); }

private:
  bool started_ = false;
  int number_ = -1;
  pid_t pid_ = -1;
};

}  // namespace

TEST(Window_E2E, a_click_on_a_real_window_reaches_the_pane_under_it)
{
  if (!Have("Xvfb") || !Have("xdotool") || !Have("import")) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
  Xvfb_Server server;
  ASSERT_TRUE(server.started());
  setenv("DISPLAY", server.display().c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
  setenv("SDL_VIDEODRIVER", "x11", 1);
  ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_AUTO), 1);
  ASSERT_EQ(Window_System_Backend(), WINDOW_BACKEND_SDL);
  label_font = Font_Create("Arial", FONT_WEIGHT_BOLD, 0, Font_Points_To_Pixels(12));
  Window_Class top_class, pane_class;
  top_class.name = "E2E TOP";
  top_class.procedure = Top_Proc;
  top_class.background = TOP_COLOUR;
  pane_class.name = "E2E PANE";
  pane_class.procedure = Pane_Proc;
  ASSERT_EQ(Window_Class_Register(top_class), 1);
  ASSERT_EQ(Window_Class_Register(pane_class), 1);
  Window_Handle top = Window_Create(0, "E2E TOP", TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 400, 300,
                                    nullptr, 0, nullptr);
  ASSERT_NE(top, nullptr);

  // xdotool waits for the window, focuses it, then clicks the right pane at (100, 150)
  // of its client area and presses Down. The loop keeps running meanwhile.
  Scoped_Temp_Env env;
  std::string script = env.temp() + "drive.sh";
  ASSERT_TRUE(Write_File(script, "set -e\n"
                                 "id=$(xdotool search --sync --onlyvisible --name '" + std::string(TITLE) + "' | head -n1)\n"
                                 "xdotool windowfocus --sync $id\nsleep 0.2\n"
                                 "xdotool mousemove --window $id 308 150\nsleep 0.2\n"
                                 "xdotool click 1\nsleep 0.2\n"
                                 "xdotool key --window $id Down\nsleep 0.2\n"));
  std::atomic<int> driver_status{-1};
  std::string driver_output;
  std::thread driver([&] {
    int status = -1;
    driver_output = Run_Command("DISPLAY=" + server.display() + " timeout 20 sh " + script + " 2>&1", &status);
    driver_status = status;
  });
  bool finished = Pump_Until([&] { return driver_status != -1 && clicks > 0 && keys > 0; }, 25);
  driver.join();
  ASSERT_TRUE(finished) << "driver status " << driver_status << ", clicks " << clicks << ", keys " << keys << "\n"
                        << driver_output;
  EXPECT_EQ(driver_status, 0);

  Window_Handle right = nullptr;
  for (Window_Handle pane : {Window_Get_Focus()})
    if (pane && Window_Get_Id(pane) == 2) right = pane;
  ASSERT_NE(right, nullptr) << "the clicked pane should have the focus";
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(last_click.window, right);
  EXPECT_EQ(last_click.x, 100);
  EXPECT_EQ(last_click.y, 150);
  int x = 100, y = 150, cursor_x = 0, cursor_y = 0;
  Window_Client_To_Screen(right, &x, &y);
  Window_Cursor_Position(&cursor_x, &cursor_y);
  EXPECT_EQ(cursor_x, x);
  EXPECT_EQ(cursor_y, y);
  EXPECT_EQ(last_key, (uintptr_t)VK_DOWN);
  EXPECT_NE(last_key_flags & KF_EXTENDED_BIT, 0);

  // The X server's own picture of the screen shows what the panes drew.
  std::string folder = Binary_Dir() + "test-output/";
  mkdir(folder.c_str(), 0700);
  std::string screen = folder + "window_e2e_screen.png";
  Pump_Until([] { return false; }, 1);
  int status = -1;
  Run_Command("import -display " + server.display() + " -window root '" + screen + "' 2>&1", &status);
  ASSERT_EQ(status, 0);
  Framebuffer shot;
  ASSERT_EQ(Framebuffer_Load_PNG(&shot, screen.c_str()), 1);
  int top_x = 0, top_y = 0;
  Window_Get_Position(top, &top_x, &top_y);
  ASSERT_LT(top_x + 300, shot.width);
  ASSERT_LT(top_y + 250, shot.height);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 100], LEFT_COLOUR);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 300], RIGHT_COLOUR);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 204], TOP_COLOUR);  // the gap between the panes
  EXPECT_EQ(Window_Save_PNG(top, (folder + "window_e2e_frame.png").c_str()), 1);

  Font_Release(label_font);
  Window_System_Stop();
}
