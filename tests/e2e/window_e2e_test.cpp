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
#include <memory>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/window/font.h"
#include "platform/window/message_box.h"
#include "platform/window/window_input.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "e2e/xvfb_server.h"
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


// Runs a shell script against the server on its own thread while the caller's thread
// keeps the loop going; Finished() tells when it is done.
class Driver {
public:
  Driver(const Xvfb_Server &server, const std::string &folder, const std::string &lines)
  {
    std::string script = folder + "drive_" + std::to_string(counter_++) + ".sh";
    if (!Write_File(script, "set -e\n" + lines)) return;
    std::string command = "DISPLAY=" + server.display() + " timeout 20 sh " + script + " 2>&1";
    thread_ = std::thread([this, command] {
      int code = -1;
      output_ = Run_Command(command, &code);
      status_ = code;
    });
  }
  ~Driver()
  {
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const { return status_ != -1; }
  int Status() const { return status_; }
  const std::string &Output() const { return output_; }

private:
  static inline int counter_ = 0;
  std::thread thread_;
  std::atomic<int> status_{-1};
  std::string output_;
};

// The xdotool line that waits for a window by title and focuses it, as $id.
std::string Find_Window(const std::string &title)
{
  return "id=$(xdotool search --sync --onlyvisible --name '" + title + "' | head -n1)\n"
         "xdotool windowfocus --sync $id\nsleep 0.2\n";
}

}  // namespace

// Starts a private Xvfb and the SDL backend on it, with the test classes registered.
class Real_Display : public ::testing::Test {
protected:
  void SetUp() override
  {
    if (!Have("Xvfb") || !Have("xdotool") || !Have("import")) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    server_ = std::make_unique<Xvfb_Server>();
    ASSERT_TRUE(server_->started());
    setenv("DISPLAY", server_->display().c_str(), 1);
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
    top_ = Window_Create(0, "E2E TOP", TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 400, 300, nullptr, 0, nullptr);
    ASSERT_NE(top_, nullptr);
    output_ = Binary_Dir() + "test-output/";
    mkdir(output_.c_str(), 0700);
  }
  void TearDown() override
  {
    Font_Release(label_font);
    label_font = nullptr;
    Window_System_Stop();
    server_.reset();
  }

  std::unique_ptr<Xvfb_Server> server_;
  Scoped_Temp_Env env_;
  Window_Handle top_ = nullptr;
  std::string output_;  // the build tree's test-output folder
};
TEST_F(Real_Display, a_click_on_a_real_window_reaches_the_pane_under_it)
{
  // xdotool waits for the window, focuses it, then clicks the right pane at (100, 150)
  // of its client area and presses Down. The loop keeps running meanwhile.
  Driver driver(*server_, env_.temp(),
                Find_Window(TITLE) + "xdotool mousemove --window $id 308 150\nsleep 0.2\n"
                                     "xdotool click 1\nsleep 0.2\nxdotool key --window $id Down\nsleep 0.2\n");
  bool finished = Pump_Until([&] { return driver.Finished() && clicks > 0 && keys > 0; }, 25);
  ASSERT_TRUE(finished) << "driver status " << driver.Status() << ", clicks " << clicks << ", keys " << keys << "\n"
                        << driver.Output();
  EXPECT_EQ(driver.Status(), 0);

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
  std::string screen = output_ + "window_e2e_screen.png";
  Pump_Until([] { return false; }, 1);
  int status = -1;
  Run_Command("import -display " + server_->display() + " -window root '" + screen + "' 2>&1", &status);
  ASSERT_EQ(status, 0);
  Framebuffer shot;
  ASSERT_EQ(Framebuffer_Load_PNG(&shot, screen.c_str()), 1);
  int top_x = 0, top_y = 0;
  Window_Get_Position(top_, &top_x, &top_y);
  ASSERT_LT(top_x + 300, shot.width);
  ASSERT_LT(top_y + 250, shot.height);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 100], LEFT_COLOUR);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 300], RIGHT_COLOUR);
  EXPECT_EQ(shot.Row(top_y + 250)[top_x + 204], TOP_COLOUR);  // the gap between the panes
  EXPECT_EQ(Window_Save_PNG(top_, (output_ + "window_e2e_frame.png").c_str()), 1);
}

TEST_F(Real_Display, a_question_box_is_answered_by_its_key_and_by_its_no_button)
{
  Pump_Until([] { return false; }, 1);
  // The Yes key; the box's picture is kept.
  Driver by_key(*server_, env_.temp(),
                Find_Window("Invalid Directory") + "import -window $id '" + output_ + "window_e2e_box.png'\n"
                "xdotool key y\n");
  EXPECT_EQ(Message_Box(top_, "Directory: \"/data/x/\" does not exist!\nDo you wish to create it ?",
                        "Invalid Directory", MB_YESNO | MB_ICONQUESTION),
            IDYES);
  Pump_Until([&] { return by_key.Finished(); }, 10);
  EXPECT_EQ(by_key.Status(), 0) << by_key.Output();
  // A click on No, asked from a worker while this thread runs the loop.
  Driver by_click(*server_, env_.temp(),
                  Find_Window("Second Question") +
                      "eval $(xdotool getwindowgeometry --shell $id)\n"
                      "xdotool mousemove --window $id $((WIDTH / 2 + 45)) $((HEIGHT - 29))\nsleep 0.2\n"
                      "xdotool click 1\n");
  std::atomic<int> answer{0};
  std::thread worker([&] { answer = Message_Box(top_, "Push the files again ?", "Second Question", MB_YESNO); });
  bool answered = Pump_Until([&] { return answer != 0; }, 25);
  worker.join();
  ASSERT_TRUE(answered) << by_click.Output();
  EXPECT_EQ(answer, IDNO);
  EXPECT_EQ(Window_Get_Focus() == nullptr || Window_Get_Top(Window_Get_Focus()) == top_, true);
  // A worker asking while it holds the drawing lock gets the safe answer at once.
  std::atomic<int> locked_answer{0};
  std::thread holder([&] {
    Window_Drawing_Lock();
    locked_answer = Message_Box(top_, "asked while drawing", "Drawing", MB_YESNO);
    Window_Drawing_Unlock();
  });
  EXPECT_TRUE(Pump_Until([&] { return locked_answer != 0; }, 10));
  holder.join();
  EXPECT_EQ(locked_answer, IDNO);
}
