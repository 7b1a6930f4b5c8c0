// The "Progress" window on the headless backend: lines written before the window runs,
// cancelling by the close box and by the Cancel button, the tube's and the disc's
// shading read back as pixels, placement on the owner, the wheel, and who frees the
// record. A picture of the window in the middle of a job is kept in the build tree's
// test-output folder for a person to look at.
#include "tools/progress_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/window/window_input.h"
#include "platform/window/window_png.h"
#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "support/test_support.h"
#include "tools_fixture.h"

namespace {

class Progress_Window_Test : public ::testing::Test {
protected:
  void SetUp() override
  {
    setenv("HARROWDESK_BACKEND", "headless", 1);
    ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
    Window_Class progress_class;
    progress_class.name = PROGRESS_CLASS;
    progress_class.procedure = Progress_Window_Proc;
    progress_class.background = PROGRESS_BACKGROUND;
    ASSERT_EQ(Window_Class_Register(progress_class), 1);
    Window_Class owner_class;
    owner_class.name = "Owner";
    owner_class.procedure = Window_Default_Proc;
    Window_Class_Register(owner_class);
    progress_view_factory = Progress_Window_View;
    Tools_Set_Mouse(-1000, -1000);
  }

  void TearDown() override
  {
    progress_view_factory = nullptr;
    Window_System_Stop();
  }

  // A job's record with its window; the window's record in `w`.
  Progress_Record *Start(Window_Handle owner = nullptr)
  {
    Progress_Record *progress = Progress_Create(owner, "Scanning", "Looking for DICOM files", nullptr, 0);
    window = Progress_Window_Handle(progress);
    w = window ? (Progress_Window *)Window_Get_Data(window) : nullptr;
    return progress;
  }

  void Run() { while (Window_Process_Pending() > 0) {} }

  // A job with its window drawn and the bar's range set; the bar's radius and centre row.
  Progress_Record *Start_Bar(int range)
  {
    Progress_Record *progress = Start();
    Progress_Set_Range(progress, range);
    Run();
    r = w->bar.Radius();
    cy = w->bar.y + w->bar.height / 2;
    return progress;
  }

  // The packed colour (red low) at (x, y) of the window, y upwards.
  uint32_t Pixel(int x, int y) { return Pixel_At(window, x, y); }

  // Presses (down 1) or releases the left button at (x, y) of the window, y upwards.
  void Left_Button(int x, int y, int down)
  {
    Window_Input_Mouse_Button(window, 0, down, x, PROGRESS_HEIGHT - 1 - y);
    Run();
  }

  // Cancelling leaves the window open: it goes when the job's Progress_End reaches it.
  void Expect_Window_Stays_Until_The_Job_Ends(Progress_Record *progress)
  {
    Progress_Write(progress, "\xF1 Done");  // the worker finishes its unit of work
    Run();
    EXPECT_TRUE(Window_Is_Window(window));
    Progress_End(progress);
    Run();
    EXPECT_FALSE(Window_Is_Window(window));
  }

  Window_Handle window = nullptr;
  Progress_Window *w = nullptr;
  int r = 0, cy = 0;  // set by Start_Bar
};

// The shading the bar must show, computed here from the formulas themselves.
int Tube_Red(double v) { return std::clamp((int)std::lround(255 * (0.667 * std::sqrt(1 - v * v) - 0.667 * v)), 0, 255); }
int Disc_Red(double h, double v)
{
  return std::clamp((int)std::lround(255 * (0.667 * std::sqrt(1 - h * h - v * v) + 0.333 * h - 0.667 * v)), 20, 255);
}

// ---- the text area --------------------------------------------------------------------------

TEST_F(Progress_Window_Test, sixty_writes_before_the_window_runs_show_fifty_lines_and_drop_ten)
{
  Message_Capture log;
  Progress_Record *progress = Start();
  ASSERT_NE(w, nullptr);
  for (int i = 0; i < 60; i++) Progress_Write(progress, "\xF1 line \x01%d", i);
  EXPECT_EQ(log.Count(MSG_TRACE, "in Progress_Write: To many lines"), 10);
  EXPECT_TRUE(w->text.lines.empty());
  Run();
  ASSERT_EQ(w->text.lines.size(), 50u);
  EXPECT_EQ(Text::Read(w->text), " line 49");
  EXPECT_TRUE(progress->pending.empty());
  Progress_Write(progress, "after the first batch");
  Run();
  EXPECT_EQ(w->text.lines.size(), 51u);
  Progress_End(progress);
  Run();
  EXPECT_FALSE(Window_Is_Window(window));
}

TEST_F(Progress_Window_Test, the_wheel_scrolls_one_line_per_120_units_and_keeps_the_rest)
{
  Progress_Record *progress = Start();
  for (int i = 0; i < 30; i++) Progress_Write(progress, "line %d", i);
  Run();
  Window_Input_Mouse_Wheel(window, 60, 100, 100);
  Run();
  EXPECT_TRUE(w->text.at_newest);
  EXPECT_EQ(w->wheel, 60);
  Window_Input_Mouse_Wheel(window, 200, 100, 100);  // 260 in all: two lines, 20 kept
  Run();
  EXPECT_FALSE(w->text.at_newest);
  EXPECT_EQ(w->wheel, 20);
  int top = w->text.top_line;
  Window_Input_Mouse_Wheel(window, -140, 100, 100);  // -120 in all: one line back
  Run();
  EXPECT_EQ(w->text.top_line, top + 1);
  EXPECT_EQ(w->wheel, 0);
  EXPECT_FALSE(w->text.at_newest);
  Window_Input_Mouse_Wheel(window, -120, 100, 100);  // and back at the newest line
  Run();
  EXPECT_TRUE(w->text.at_newest);
  Progress_End(progress);
}

// ---- cancelling ---------------------------------------------------------------------------------

TEST_F(Progress_Window_Test, the_close_box_cancels_and_the_window_stays_until_the_job_ends)
{
  Progress_Record *progress = Start();
  Run();
  Window_Input_Close(window);
  Run();
  EXPECT_TRUE(Progress_Cancelled(progress));
  EXPECT_EQ(Text::Read(w->text), "closing...");
  Expect_Window_Stays_Until_The_Job_Ends(progress);
}

TEST_F(Progress_Window_Test, the_cancel_button_is_shown_pressed_cancels_and_comes_up_on_release)
{
  Progress_Record *progress = Start();
  Run();
  int cx = w->cancel.x + w->cancel.width / 2, cy = w->cancel.y + w->cancel.height / 2;
  // The top-left bevel line just inside the outline: lightened raised, darkened sunken.
  int bx = w->cancel.x + 1, by = w->cancel.y + w->cancel.height / 2;
  uint32_t grey = Tools_Pack(170, 170, 170);
  EXPECT_EQ(Pixel(bx, by), Tools_Shade(grey, 80));
  Left_Button(10, 10, 1);  // outside the button: nothing happens
  EXPECT_FALSE(Progress_Cancelled(progress));
  Left_Button(10, 10, 0);
  Left_Button(cx, cy, 1);
  EXPECT_TRUE(Progress_Cancelled(progress));
  EXPECT_EQ(Text::Read(w->text), "cancel...");
  EXPECT_EQ(w->cancel.Read(), 1);
  EXPECT_EQ(Pixel(bx, by), Tools_Shade(grey, -(80 / 3 + 40)));
  Left_Button(cx, cy, 0);
  EXPECT_EQ(w->cancel.Read(), 0);
  EXPECT_EQ(Pixel(bx, by), Tools_Shade(grey, 80));
  Expect_Window_Stays_Until_The_Job_Ends(progress);
}

TEST_F(Progress_Window_Test, mouse_moves_light_the_cancel_button_and_keys_are_ignored)
{
  Progress_Record *progress = Start();
  Run();
  int cx = w->cancel.x + w->cancel.width / 2, cy = w->cancel.y + 4;
  Window_Input_Mouse_Move(window, cx, PROGRESS_HEIGHT - 1 - cy);
  Run();
  EXPECT_EQ(w->cancel.hover, 1);
  EXPECT_EQ(Pixel(w->cancel.x + 5, cy), Tools_Pack(230, 100, 100));
  Window_Input_Mouse_Move(window, 20, 20);
  Run();
  EXPECT_EQ(w->cancel.hover, 2);
  Window_Input_Key(window, VK_ESCAPE, 0, 1);
  Window_Input_Key(window, VK_ESCAPE, 0, 0);
  Window_Input_Char(window, 'q');
  Run();
  EXPECT_TRUE(Window_Is_Window(window));
  EXPECT_FALSE(Progress_Cancelled(progress));
  Progress_End(progress);
}

// ---- the bar --------------------------------------------------------------------------------------

TEST_F(Progress_Window_Test, the_tube_is_shaded_by_its_rows_offset_from_the_centre_line)
{
  Progress_Record *progress = Start_Bar(200);
  Progress_Set_Position(progress, 100);
  Run();
  const Progress_Bar &bar = w->bar;
  ASSERT_EQ(r, 10);
  int length = (bar.width - 2 * r) / 2;
  int middle = bar.x + r + length / 2;
  EXPECT_EQ(Pixel(middle, cy), Tools_Pack(170, 0, 0));  // 255 x 0.667 on the centre line
  for (int dy = -r; dy <= r; dy++)
    EXPECT_EQ(Pixel(middle, cy + dy), Tools_Pack(Tube_Red((double)dy / r), 0, 0)) << "row " << dy;
  EXPECT_EQ(Pixel(middle, cy + r), Tools_Pack(0, 0, 0));     // the top edge is dark
  EXPECT_EQ(Pixel(middle, cy - r), Tools_Pack(170, 0, 0));   // the bottom edge as bright as the centre
  uint32_t bar_colour = Tools_Colour(bar);
  EXPECT_EQ(Pixel(middle, cy + r + 1), bar_colour);
  EXPECT_EQ(Pixel(middle, cy - r - 1), bar_colour);
  EXPECT_EQ(Pixel(bar.x + r + length + r + 1, cy), bar_colour);  // beyond the end cap
  EXPECT_NE(Pixel(bar.x + r + length + r, cy), bar_colour);      // the end cap's rightmost point
  EXPECT_EQ(progress->bar_width, bar.width);
  Progress_End(progress);
}

TEST_F(Progress_Window_Test, the_body_grows_with_the_position_and_an_empty_range_shows_only_the_cap)
{
  Progress_Record *progress = Start_Bar(0);
  const Progress_Bar &bar = w->bar;
  int run = bar.width - 2 * r;
  uint32_t bar_colour = Tools_Colour(bar);
  EXPECT_EQ(Pixel(bar.x + r, cy), Tools_Pack(Disc_Red(0, 0), 0, 0));  // range 0: the cap alone
  EXPECT_EQ(Pixel(bar.x + 2 * r + 1, cy), bar_colour);
  struct Case { int position, range; };
  for (Case c : {Case{1, 4}, Case{3, 4}, Case{4, 4}, Case{7, 10}}) {
    Progress_Set_Range(progress, c.range);
    Progress_Set_Position(progress, c.position);
    Run();
    int end = bar.x + r + run * c.position / c.range;  // the end cap's centre
    // Half a radius up on either side of the cap's centre, then the body behind the cap.
    EXPECT_EQ(Pixel(end - r / 2, cy + r / 2), Tools_Pack(Disc_Red(0.5, 0.5), 0, 0)) << c.position << "/" << c.range;
    EXPECT_EQ(Pixel(end + r / 2, cy + r / 2), Tools_Pack(Disc_Red(-0.5, 0.5), 0, 0)) << c.position << "/" << c.range;
    EXPECT_EQ(Pixel(end - r - 1, cy + r / 2), Tools_Pack(Tube_Red(0.5), 0, 0)) << c.position << "/" << c.range;
    if (end + r + 1 < bar.x + bar.width) {
      EXPECT_EQ(Pixel(end + r + 1, cy), bar_colour);
    }
  }
  Progress_End(progress);
}

TEST_F(Progress_Window_Test, the_bouncing_disc_is_shaded_point_by_point_and_only_while_bouncing)
{
  Progress_Record *progress = Start_Bar(10);
  const Progress_Bar &bar = w->bar;
  int place = bar.width / 2;
  Progress_Bounce(progress, place);
  Run();
  int left = bar.x + 2 + (bar.width - 2 * r - 4) * place / bar.width, cx = left + r;
  struct Point { int dx, dy; };
  for (Point p : {Point{0, 0}, Point{-5, 5}, Point{5, -5}, Point{-9, 0}, Point{9, 0}, Point{0, 10}, Point{0, -10},
                  Point{-3, 7}}) {
    double h = -(double)p.dx / r, v = (double)p.dy / r;
    EXPECT_EQ(Pixel(cx + p.dx, cy + p.dy), Tools_Pack(Disc_Red(h, v), 0, 0)) << p.dx << "," << p.dy;
  }
  EXPECT_EQ(Pixel(cx - 8, cy + 8), Tools_Colour(bar));  // outside the radius
  EXPECT_EQ(Pixel(cx + r + 1, cy), Tools_Colour(bar));
  Progress_Set_Range(progress, 10);  // the direction falls back to 0: the disc goes
  Run();
  EXPECT_EQ(Pixel(cx, cy), Tools_Colour(bar));
  Progress_End(progress);
}

TEST_F(Progress_Window_Test, nothing_is_drawn_while_minimised_and_the_bar_shows_again_on_restore)
{
  Progress_Record *progress = Start_Bar(10);
  const Progress_Bar &bar = w->bar;
  int end = bar.x + r + (bar.width - 2 * r);  // the end cap's centre at the full position
  Window_Input_Resize(window, 0, 0, 1);
  Run();
  Progress_Set_Position(progress, 10);
  Run();
  EXPECT_EQ(Pixel(end, cy), Tools_Colour(bar));
  Window_Input_Resize(window, PROGRESS_WIDTH, PROGRESS_HEIGHT, 0);
  Run();
  EXPECT_EQ(Pixel(end, cy), Tools_Pack(Disc_Red(0, 0), 0, 0));
  Progress_End(progress);
}

// ---- placement, layout, showing ------------------------------------------------------------------

TEST_F(Progress_Window_Test, the_window_is_placed_on_its_owner_but_not_left_of_or_above_it)
{
  struct Case { int x, y, width, height, left, top; };
  const Case cases[] = {
      {100, 100, 1000, 800, 400, 300},  // large owner: centre less 200 on both axes
      {50, 60, 300, 200, 50, 60},       // small owner: both clamped to its corner
      {0, 500, 1200, 300, 400, 500},    // wide, short owner: only the top clamped
      {700, 20, 250, 900, 700, 270},    // narrow, tall owner: only the left clamped
      {0, 0, 0, 0, 1920 / 2 - 200, 1080 / 2 - 200},  // no owner: the headless screen stands in
  };
  for (const Case &c : cases) {
    Window_Handle owner = c.width == 0 ? nullptr
                                       : Window_Create(0, "Owner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, c.x, c.y,
                                                       c.width, c.height, nullptr, 0, nullptr);
    Message_Capture log;
    Progress_Record *progress = Start(owner);
    int x = -1, y = -1, width = 0, height = 0;
    Window_Get_Position(window, &x, &y);
    Window_Get_Client_Size(window, &width, &height);
    EXPECT_EQ(x, c.left) << c.x << "," << c.y << " " << c.width << "x" << c.height;
    EXPECT_EQ(y, c.top) << c.x << "," << c.y << " " << c.width << "x" << c.height;
    EXPECT_EQ(width, PROGRESS_WIDTH);
    EXPECT_EQ(height, PROGRESS_HEIGHT);
    EXPECT_STREQ(Window_Get_Title(window), "Scanning");
    std::string traced = "creating window: " + std::to_string(c.left) + " " + std::to_string(c.top) + " Scanning ";
    EXPECT_EQ(log.Count(MSG_TRACE, traced), 1) << traced;
    Progress_End(progress);
    Run();
    Window_Destroy(owner);
  }
}

TEST_F(Progress_Window_Test, no_window_off_the_user_interface_thread_or_without_its_class)
{
  Message_Capture log;
  Progress_Record *progress = nullptr;
  std::thread starter([&] { progress = Progress_Create(nullptr, "Copying", "Copying files", nullptr, 0); });
  starter.join();
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->view, nullptr);
  EXPECT_EQ(log.Count(MSG_WARNING, "Unable to create Progress Window"), 1);
  EXPECT_EQ(log.Count(MSG_WARNING, "file:tools/progress_window.cpp line:"), 1);
  Progress_Write(progress, "nobody shows this");  // the job runs on without a window
  EXPECT_TRUE(progress->pending.empty());
  Progress_End(progress);

  Window_System_Stop();  // started again without the class "Progress"
  ASSERT_EQ(Window_System_Start(WINDOW_BACKEND_HEADLESS), 1);
  progress = Start();
  EXPECT_EQ(window, nullptr);
  EXPECT_EQ(log.Count(MSG_WARNING, "Unable to create Progress Window"), 2);
  Progress_End(progress);
}

TEST_F(Progress_Window_Test, layout_follows_the_client_size_and_tells_the_record_the_bar_width)
{
  Progress_Record *progress = Start();
  Run();
  EXPECT_EQ(progress->bar_width, w->bar.width);
  int narrow = w->bar.width;
  Window_Input_Resize(window, 600, 400, 0);
  Run();
  EXPECT_EQ(w->bar.width, narrow + 200);
  EXPECT_EQ(progress->bar_width, w->bar.width);
  EXPECT_EQ(w->cancel.x + w->cancel.width / 2, 300);
  EXPECT_EQ(w->subtitle.y + w->subtitle.height + TOOLS_MARGIN, 400);
  EXPECT_GT(w->bar.y, w->text.y + w->text.height);  // the bar above the text area
  EXPECT_GT(w->text.y, w->cancel.y + w->cancel.height);  // the text area above Cancel
  Progress_End(progress);
}

TEST_F(Progress_Window_Test, show_from_a_worker_makes_the_window_visible_when_the_loop_runs)
{
  Progress_Record *progress = Start();
  Run();
  Window_Show(window, SW_HIDE);
  std::thread worker([&] { Progress_Show(progress); });
  worker.join();
  EXPECT_FALSE(Window_Is_Visible(window));
  Run();
  EXPECT_TRUE(Window_Is_Visible(window));
  EXPECT_TRUE(progress->shown);
  Progress_End(progress);
}

// ---- the record's life -------------------------------------------------------------------------------

TEST_F(Progress_Window_Test, the_record_lives_until_both_the_job_and_the_window_are_done)
{
  // The job ends first: the window's reference keeps the record until the window goes.
  Progress_Record *progress = Start();
  EXPECT_EQ(progress->references.load(), 2);
  Progress_End(progress);
  EXPECT_EQ(progress->references.load(), 1);
  Run();  // the window is destroyed and frees the record (AddressSanitizer watches)
  EXPECT_FALSE(Window_Is_Window(window));

  // The window goes first: the job keeps reporting into a record nobody shows.
  progress = Start();
  Window_Destroy(window);
  EXPECT_EQ(progress->references.load(), 1);
  Progress_Set_Range(progress, 5);
  Progress_Step(progress, 2);
  Progress_Write(progress, "still working");
  EXPECT_EQ(progress->position, 2);
  Progress_End(progress);
}

// ---- a picture for a person ----------------------------------------------------------------------------

TEST_F(Progress_Window_Test, a_window_in_the_middle_of_a_job_is_saved_as_a_picture)
{
  Progress_Record *progress = Start();
  Progress_Show(progress);
  Progress_Set_Range(progress, 1284);
  Progress_Write(progress, "\x01 Scanning: \x01/data/studies/2026/");
  Progress_Write(progress, "\xF1 Dir: \x01/data/studies/2026/");
  Progress_Write(progress, "\xF1 Counting files...");
  Progress_Write(progress, "\xF1 Directory has \x01%d\x02 files", 1284);
  Progress_Write(progress, "\xF1 Searching for DICOM files...");
  Progress_Set_Position(progress, 771);
  Run();
  std::string folder = Binary_Dir() + "test-output/";
  std::filesystem::create_directories(folder);
  EXPECT_EQ(Window_Save_PNG(window, (folder + "progress_window.png").c_str()), 1);
  Progress_Bounce(progress, 150);
  Run();
  EXPECT_EQ(Window_Save_PNG(window, (folder + "progress_window_bounce.png").c_str()), 1);
  Progress_End(progress);
}

}  // namespace
