// The desktop program itself, end to end, in a real window on a private Xvfb server, driven
// by xdotool as a person would use it: open the sample folder in the tree pane, wait for
// the scan, choose "by Study ID", select a study, "Copy to Disk" into the target folder the
// settings name, check the copies and the audit lines, and end the program with Escape
// (exit code 0). Then the settings window: a choice changed on each page, "Done", and the
// choices seen again after a restart. A screenshot of every step is kept in the build tree's
// test-output folder for a person to look at. The program runs with -t -1, so that its trace
// file (in its temp folder) records the thread lines the test waits for.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <map>
#include <vector>
#include <filesystem>
#include <string>
#include <thread>

#include "app/win_classes.h"
#include "app/win_config.h"
#include "e2e/xvfb_server.h"
#include "platform/window/framebuffer.h"
#include "platform/window/window_input.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools/checklist.h"
#include "tools/icon.h"
#include "util/win_environment.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

const char TITLE[] = "Harrowdesk 1.0 Rev-7";  // the main window's title ends so

// Window coordinates (client area, y downwards) of what the test clicks, from the layout
// of a 900 x 600 main window.
struct Point {
  int x, y;
};
constexpr int TREE_ROW_TOP = 24, TREE_ROW = 18;  // the folder tree's first row and row height
constexpr Point TREE_HOME_GLYPH = {29, TREE_ROW_TOP + TREE_ROW + TREE_ROW / 2};
constexpr Point TREE_SAMPLE_NAME = {95, TREE_ROW_TOP + 2 * TREE_ROW + TREE_ROW / 2};
constexpr Point ORDER_BY_STUDY_ID = {414, 46};  // second item of the order selector
constexpr Point FIRST_STUDY = {300, 118};       // the row below the head line and the root
constexpr Point ORDER_SCROLL_DOWN = {607, 53};  // the order selector's lower arrow
constexpr Point COPY_TO_DISK = {763, 524};
constexpr Point CONFIG = {763, 580};
constexpr int CONFIG_HEIGHT = 600;  // the settings window's client height

// Where the settings window draws its widgets, found by laying the window out on the
// headless backend in this process: the same fonts give the same places as in the program.
class Settings_Layout {
public:
  Settings_Layout()
  {
    if (!Window_System_Start(WINDOW_BACKEND_HEADLESS) || !Window_Classes_Register()) return;
    Icon_Folder_Set(Source_Dir() + "data/Icons/");
    Config_Open();
    for (int page = 0; page < CONFIG_PAGES; page++) {
      const Tools_Device *tab = Config_Widget(page, "tab");
      if (!tab) break;
      tabs_[page] = Centre(*tab);
      Point at = tabs_[page];
      Window_Input_Mouse_Move(Config_Window(), at.x, at.y);
      Window_Input_Mouse_Button(Config_Window(), 0, 1, at.x, at.y);
      Window_Input_Mouse_Button(Config_Window(), 0, 0, at.x, at.y);
      while (Window_Process_Pending() > 0) {
      }
      for (const char *name : NAMES)
        if (const Tools_Device *widget = Config_Widget(page, name)) widgets_[page][name].centre = Centre(*widget);
      for (const char *name : LISTS) {
        const CheckList *list = static_cast<const CheckList *>(Config_Widget(page, name));
        if (!list) continue;
        Widget_At &place = widgets_[page][name];
        for (size_t i = 0; i < list->List.size(); i++) {
          int left = list->x + (int)i * list->width / (int)list->List.size();
          place.choices.push_back({left + 9, CONFIG_HEIGHT - 1 - (list->y + list->height / 2)});
        }
      }
    }
    Window_System_Stop();
  }

  Point Tab(int page) { return tabs_[page]; }
  Point Centre(int page, const char *name) { return widgets_[page][name].centre; }
  // The middle of the box of choice `index` of the list after `label`.
  Point Choice(int page, const char *label, int index)
  {
    const std::vector<Point> &choices = widgets_[page][label].choices;
    return index < (int)choices.size() ? choices[index] : Point{-1, -1};
  }

private:
  static constexpr const char *NAMES[] = {"Peer name:", "folder.rgb", "Done"};
  static constexpr const char *LISTS[] = {"series subdir name:", "Keep a copy of the failed files ?",
                                          "print study mode ?"};
  struct Widget_At {
    Point centre;
    std::vector<Point> choices;
  };
  static Point Centre(const Tools_Device &widget)
  {
    return {widget.x + widget.width / 2, CONFIG_HEIGHT - 1 - (widget.y + widget.height / 2)};
  }
  Point tabs_[CONFIG_PAGES] = {};
  std::map<std::string, Widget_At> widgets_[CONFIG_PAGES];
};

bool Wait_For(const std::function<bool()> &done, int seconds)
{
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

int Count_Lines_With(const std::string &text, const std::string &part)
{
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) count++;
  return count;
}

int Count_Files(const std::string &folder)
{
  int count = 0;
  std::error_code ignored;
  for (auto &entry : fs::recursive_directory_iterator(folder, ignored))
    if (entry.is_regular_file(ignored)) count++;
  return count;
}

class Desktop_Program : public ::testing::Test {
protected:
  void SetUp() override
  {
    if (!Have("Xvfb") || !Have("xdotool") || !Have("import")) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick missing";
    home_ = env_.root() + "home/";
    target_ = env_.root() + "target/";
    audit_ = env_.root() + "audit/";
    shots_ = Binary_Dir() + "test-output/desktop/";
    fs::create_directories(home_);
    fs::create_directories(shots_);
    fs::create_directories(target_);  // a copy folder is chosen among existing folders
    int status = -1;
    std::string output = Run_Command("/usr/bin/python3 " + Source_Dir() + "bench/make_corpus.py " + home_ +
                                         "sample --files 40 --images-per-series 10 --rows 32 --columns 32 2>&1",
                                     &status);
    ASSERT_EQ(status, 0) << output;
    ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "dir_copy", target_.c_str()), 1);
    ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "dir_audit", audit_.c_str()), 1);
    server_ = std::make_unique<Xvfb_Server>("1024x768");
    ASSERT_TRUE(server_->started());
  }

  void TearDown() override
  {
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    server_.reset();
  }

  // Starts the program with -t -1 on the test's display, home and settings.
  void Start()
  {
    std::string program = Binary_Dir() + "src/app/harrowdesk";
    setenv("DISPLAY", server_->display().c_str(), 1);
    setenv("HOME", home_.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("HARROWDESK_BACKEND");
    unsetenv("HARROWDESK_OPEN_FOLDER");
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const char *argv[] = {program.c_str(), "-t", "-1", nullptr};
    ASSERT_EQ(posix_spawn(&pid_, program.c_str(), nullptr, nullptr, (char **)argv, environ), 0);
    window_ = Find(TITLE);
    ASSERT_FALSE(window_.empty());
    Drive("xdotool windowfocus --sync " + window_);
  }

  // A command with DISPLAY set to the test's server, cut off after 20 seconds.
  std::string X(const std::string &command)
  {
    return "DISPLAY=" + server_->display() + " timeout 20 sh -c \"" + command + "\" 2>&1";
  }

  void Drive(const std::string &command)
  {
    int status = -1;
    std::string output = Run_Command(X(command), &status);
    EXPECT_EQ(status, 0) << command << "\n" << output;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }

  void Click(Point at) { Drive("xdotool mousemove --window " + window_ + " " + std::to_string(at.x) + " " +
                               std::to_string(at.y) + " click 1"); }

  void Screenshot(const std::string &name)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Drive("import -window root '" + shots_ + name + ".png'");
  }

  std::string Trace() { return Read_File(env_.temp() + "Harrowdesk_trace.dat"); }

  // The id of the visible window whose title matches `title`: waiting for it to appear, or
  // as it stands now ("" when there is none).
  std::string Find(const std::string &title) { return Search("--sync ", title); }
  std::string Find_Now(const std::string &title) { return Search("", title); }

  void Click_In(const std::string &id, Point at)
  {
    Drive("xdotool mousemove --window " + id + " " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1");
  }

  // The screen position of a window's client area.
  Point Origin_Of(const std::string &id)
  {
    std::string shell = Run_Command(X("xdotool getwindowgeometry --shell " + id));
    Point origin = {0, 0};
    size_t x = shell.find("X="), y = shell.find("Y=");
    if (x != std::string::npos) origin.x = std::atoi(shell.c_str() + x + 2);
    if (y != std::string::npos) origin.y = std::atoi(shell.c_str() + y + 2);
    return origin;
  }

  std::string Search(const std::string &wait, const std::string &title)
  {
    std::string id = Run_Command(X("xdotool search " + wait + "--onlyvisible --name '" + title + "' | head -n1"));
    while (!id.empty() && id.back() == '\n') id.pop_back();
    return id;
  }

  // Waits for the program to end; returns its exit code, or -1 when it did not end.
  int Exit_Code(int seconds)
  {
    int status = 0;
    bool ended = Wait_For([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, seconds);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  Scoped_Temp_Env env_;
  std::unique_ptr<Xvfb_Server> server_;
  std::string home_, target_, audit_, shots_, window_;
  pid_t pid_ = -1;
};

TEST_F(Desktop_Program, a_study_is_scanned_sorted_selected_and_copied_then_escape_ends_the_program)
{
  Start();
  Screenshot("1-started");

  Click(TREE_HOME_GLYPH);
  Click(TREE_SAMPLE_NAME);
  ASSERT_TRUE(Wait_For([&] { return Trace().find(" are DICOM") != std::string::npos; }, 20)) << Trace();
  Screenshot("2-scanned");

  Click(ORDER_BY_STUDY_ID);
  Screenshot("3-sorting");
  // The sort's progress window closes when the sort is done.
  ASSERT_TRUE(Wait_For([&] {
    int status = -1;
    Run_Command(X("xdotool search --onlyvisible --name '^Sort Structure$'"), &status);
    return status != 0;
  }, 20));
  Screenshot("4-by-study");

  Click(FIRST_STUDY);
  Screenshot("5-selected");
  Click(COPY_TO_DISK);
  ASSERT_TRUE(Wait_For([&] { return Trace().find("Done: All") != std::string::npos; }, 30)) << Trace();
  Screenshot("6-copied");

  std::string trace = Trace();
  size_t done = trace.find("Done: All ");
  int copied = std::atoi(trace.c_str() + done + 10);
  EXPECT_GT(copied, 0);
  EXPECT_LT(copied, 40);  // one study of several
  EXPECT_EQ(Count_Files(target_), copied);
  std::string audit = Read_File(audit_ + "Harrowdesk.log");
  EXPECT_EQ(Count_Lines_With(audit, " copied " + home_ + "sample/"), copied) << audit;

  Drive("xdotool windowfocus --sync " + window_ + " key Escape");
  EXPECT_EQ(Exit_Code(10), 0);
}

TEST_F(Desktop_Program, names_in_other_character_sets_are_listed_in_their_own_letters)
{
  // The sample folder holds pydicom's files in Latin-1, Greek, Cyrillic, Hebrew, Arabic,
  // Japanese, Korean and Chinese character sets instead of the generated images.
  fs::remove_all(home_ + "sample");
  fs::copy("/usr/lib/python3/dist-packages/pydicom/data/charset_files", home_ + "sample");
  Start();
  Click(TREE_HOME_GLYPH);
  Click(TREE_SAMPLE_NAME);
  ASSERT_TRUE(Wait_For([&] { return Trace().find(" are DICOM") != std::string::npos; }, 20)) << Trace();
  for (int i = 0; i < 3; i++) Click(ORDER_SCROLL_DOWN);  // the last two orders: patient ID, name
  Click(ORDER_BY_STUDY_ID);
  ASSERT_TRUE(Wait_For([&] {
    int status = -1;
    Run_Command(X("xdotool search --onlyvisible --name '^Sort Structure$'"), &status);
    return status != 0;
  }, 20));
  Screenshot("7-names");  // drawing them through the fallback fonts ends no program
  Drive("xdotool windowfocus --sync " + window_ + " key Escape");
  EXPECT_EQ(Exit_Code(10), 0);
}

TEST_F(Desktop_Program, settings_changed_on_each_page_are_saved_by_done_and_seen_again_after_a_restart)
{
  Settings_Layout layout;
  const Point series_description = layout.Choice(CONFIG_PAGE_COPY, "series subdir name:", 2);
  const Point keep_failed = layout.Choice(CONFIG_PAGE_PUSH, "Keep a copy of the failed files ?", 1);
  const Point per_media = layout.Choice(CONFIG_PAGE_AUDIT, "print study mode ?", 1);
  ASSERT_GE(series_description.x, 0);
  ASSERT_GE(keep_failed.x, 0);
  ASSERT_GE(per_media.x, 0);

  Start();
  Click(CONFIG);
  std::string config = Find("Harrowdesk Configuration");
  ASSERT_FALSE(config.empty());
  Click_In(config, series_description);
  Screenshot("settings-1-copy");

  Click_In(config, layout.Tab(CONFIG_PAGE_PUSH));
  Click_In(config, keep_failed);
  Point peer = layout.Centre(CONFIG_PAGE_PUSH, "Peer name:");
  Drive("xdotool mousemove --window " + config + " " + std::to_string(peer.x) + " " + std::to_string(peer.y) +
        " key --repeat 8 BackSpace type pacs.example");
  Drive("xdotool key Return");
  Screenshot("settings-2-push");
  Click_In(config, layout.Centre(CONFIG_PAGE_PUSH, "folder.rgb"));
  std::string chooser = Find("Select the directory for the audit trail");
  ASSERT_FALSE(chooser.empty());
  Screenshot("settings-3-folder-chooser");
  Drive("xdotool windowfocus --sync " + chooser + " key Escape");
  ASSERT_TRUE(Wait_For([&] { return Find_Now("Select the directory for the audit trail").empty(); }, 10));

  Click_In(config, layout.Tab(CONFIG_PAGE_AUDIT));
  Click_In(config, per_media);
  Screenshot("settings-4-audit");
  Click_In(config, layout.Centre(CONFIG_PAGE_AUDIT, "Done"));
  ASSERT_TRUE(Wait_For([&] { return Find_Now("Harrowdesk Configuration").empty(); }, 10));

  std::string store = env_.app_data() + "ArdentVale/Harrowdesk/";
  EXPECT_EQ(Read_File(store + "flag_sub_dir"), std::string("\x17\0\0\0", 4));  // 23
  EXPECT_EQ(Read_File(store + "flag_fail"), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(Read_File(store + "flag_print"), std::string("\x05\0\0\0", 4));
  EXPECT_EQ(Read_File(store + "server_peer"), "pacs.example");
  Drive("xdotool windowfocus --sync " + window_ + " key Escape");
  ASSERT_EQ(Exit_Code(10), 0);

  // The next start shows the saved choices: the series choice's box is filled.
  Start();
  Click(CONFIG);
  config = Find("Harrowdesk Configuration");
  ASSERT_FALSE(config.empty());
  Click_In(config, layout.Tab(CONFIG_PAGE_COPY));
  Screenshot("settings-5-after-restart");
  Framebuffer shot;
  ASSERT_EQ(Framebuffer_Load_PNG(&shot, (shots_ + "settings-5-after-restart.png").c_str()), 1);
  Point origin = Origin_Of(config);
  const uint32_t selected = 230 << 16 | 100 << 8 | 100;
  EXPECT_EQ(shot.Row(origin.y + series_description.y)[origin.x + series_description.x] & 0xFFFFFF, selected);
  Point no_subdir = layout.Choice(CONFIG_PAGE_COPY, "series subdir name:", 0);
  EXPECT_NE(shot.Row(origin.y + no_subdir.y)[origin.x + no_subdir.x] & 0xFFFFFF, selected);
  Drive("xdotool windowfocus --sync " + window_ + " key Escape");
  EXPECT_EQ(Exit_Code(10), 0);
}

TEST(Desktop_Program_Start, a_traced_start_writes_a_fresh_trace_header_and_a_300_character_template_line_ends_it_with_0)
{
  if (!Have("Xvfb")) GTEST_SKIP() << "Xvfb missing";
  Scoped_Temp_Env env;
  Xvfb_Server server;
  ASSERT_TRUE(server.started());
  std::string home = env.root() + "installed/";
  fs::create_directories(home);
  Write_File(home + "CSV_Template_Study.txt", "(0020,000D)\n" + std::string(300, 'x') + "\n");
  Write_File(env.temp() + "Harrowdesk_trace.dat", "an old run\n");
  int status = -1;
  std::string output = Run_Command("DISPLAY=" + server.display() + " HARROWDESK_HOME=" + home + " timeout 20 " +
                                       Binary_Dir() + "src/app/harrowdesk -t 5 > /dev/null 2>&1",
                                   &status);
  EXPECT_EQ(status, 0);
  std::string trace = Read_File(env.temp() + "Harrowdesk_trace.dat");
  EXPECT_EQ(trace.rfind("TRACE:   ==== ==== Harrowdesk 1.0 Rev-7 ==== (", 0), 0u) << trace;
  EXPECT_NE(trace.find("TRACE:   Computer Name:  "), std::string::npos);
  EXPECT_EQ(trace.find("an old run"), std::string::npos);
}

TEST(Desktop_Program_Without_Display, says_so_on_one_line_and_exits_1)
{
  Scoped_Temp_Env env;
  int status = -1;
  std::string output = Run_Command("env -u DISPLAY -u WAYLAND_DISPLAY " + Binary_Dir() + "src/app/harrowdesk 2>&1",
                                   &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output.rfind("no display: ", 0), 0u) << output;
  EXPECT_EQ(Count_Lines_With(output, "\n"), 1) << output;
}

}  // namespace
