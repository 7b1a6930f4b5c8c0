// The progress record's operations: clamping, the bouncing indicator, pending lines,
// notifications, the reference counts that let a view outlive the job, and reports
// from several threads at once.
#include "util/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

// A view that records the notifications and never drains the pending lines.
struct Recording_View : Progress_View {
  std::vector<int> *messages;
  bool *deleted;
  Recording_View(std::vector<int> *m, bool *d) : messages(m), deleted(d) {}
  ~Recording_View() override { *deleted = true; }
  void Notify(Progress_Record *, int message) override { messages->push_back(message); }
};

std::vector<int> view_messages;
bool view_deleted;

Progress_View *Make_Recording_View(Progress_Record *, Window_Handle, void *, int)
{
  return new Recording_View(&view_messages, &view_deleted);
}

// Installs the recording view for the life of the object.
struct Scoped_View {
  Scoped_View()
  {
    view_messages.clear();
    view_deleted = false;
    progress_view_factory = Make_Recording_View;
  }
  ~Scoped_View() { progress_view_factory = nullptr; }
};

TEST(Progress, EveryOperationOnANullRecordDoesNothing)
{
  Progress_Show(nullptr);
  Progress_Set_Range(nullptr, 10);
  Progress_Set_Position(nullptr, 5);
  Progress_Step(nullptr, 1);
  Progress_Bounce(nullptr, 1);
  Progress_Write(nullptr, "line %d", 1);
  Progress_Cancel(nullptr);
  Progress_Pause(nullptr, 1000);
  Progress_End(nullptr);
  EXPECT_FALSE(Progress_Cancelled(nullptr));
}

TEST(Progress, PositionsAreClampedToTheRange)
{
  Progress_Record *progress = Progress_Create(nullptr, "Job", "sub", nullptr, 0);
  ASSERT_NE(progress, nullptr);
  struct Case {
    void (*operation)(Progress_Record *, int);
    int argument;
    int expected;
  } cases[] = {
      {Progress_Set_Position, 5, 5},   {Progress_Set_Position, 11, 10}, {Progress_Set_Position, -3, 0},
      {Progress_Step, 4, 4},           {Progress_Step, 4, 8},           {Progress_Step, 4, 10},
      {Progress_Step, -20, 0},         {Progress_Step, 0x7fffffff, 10},
  };
  Progress_Set_Range(progress, 10);
  for (const Case &c : cases) {
    c.operation(progress, c.argument);
    EXPECT_EQ(progress->position, c.expected);
  }
  Progress_End(progress);
}

TEST(Progress, TheIndicatorTurnsAtBothEndsOfTheBar)
{
  Progress_Record *progress = Progress_Create(nullptr, "Job", "", nullptr, 0);
  progress->bar_width = 10;
  struct Case {
    int step, position, direction;
  } cases[] = {{4, 4, 1}, {4, 8, 1}, {4, 8, -1}, {10, 2, 1}, {7, 9, 1}, {1, 10, -1}};
  for (const Case &c : cases) {
    Progress_Bounce(progress, c.step);
    EXPECT_EQ(progress->bounce_position, c.position) << "step " << c.step;
    EXPECT_EQ(progress->bounce_direction, c.direction) << "step " << c.step;
  }
  Progress_Set_Range(progress, 5);
  EXPECT_EQ(progress->bounce_direction, 0);
  Progress_End(progress);
}

TEST(Progress, FiftyLinesWaitAndFurtherOnesAreDroppedWithATrace)
{
  Scoped_View view;
  Message_Capture capture(1);
  Progress_Record *progress = Progress_Create(nullptr, "Job", "sub", nullptr, 0);
  for (int i = 0; i < 60; i++) Progress_Write(progress, "line %d", i);
  EXPECT_EQ(progress->pending.size(), 50u);
  EXPECT_EQ(progress->pending.back(), "line 49");
  EXPECT_EQ(capture.Count(MSG_TRACE, "in Progress_Write: To many lines"), 10);
  int text_notices = 0;
  for (int message : view_messages) text_notices += message == WM_PROGRESS_TEXT;
  EXPECT_EQ(text_notices, 60);
  std::vector<std::string> taken = Progress_Take_Lines(progress);
  EXPECT_EQ(taken.size(), 50u);
  EXPECT_TRUE(progress->pending.empty());
  Progress_End(progress);
}

TEST(Progress, LongLinesAreCutAndWithoutAViewNothingIsKept)
{
  std::string long_text(5000, 'x');
  {
    Scoped_View view;
    Progress_Record *progress = Progress_Create(nullptr, "Job", "", nullptr, 0);
    Progress_Write(progress, "%s", long_text.c_str());
    ASSERT_EQ(progress->pending.size(), 1u);
    EXPECT_EQ(progress->pending[0].size(), 2047u);
    Progress_End(progress);
  }
  Message_Capture capture(1);
  Progress_Record *progress = Progress_Create(nullptr, "Job", "", nullptr, 0);
  for (int i = 0; i < 60; i++) Progress_Write(progress, "line");
  EXPECT_TRUE(progress->pending.empty());
  EXPECT_EQ(capture.Count(MSG_TRACE, "To many lines"), 0);
  Progress_End(progress);
}

TEST(Progress, TheViewSeesTitleAndEndAndOutlivesTheJobWhileItHoldsTheRecord)
{
  Scoped_View view;
  Progress_Record *progress = Progress_Create(nullptr, "Scanning", "Looking for DICOM files", nullptr, 0);
  EXPECT_EQ(progress->title, "Scanning");
  EXPECT_EQ(progress->subtitle, "Looking for DICOM files");
  Progress_Retain(progress);  // as a window that draws the record later would
  Progress_Show(progress);
  EXPECT_TRUE(progress->shown);
  Progress_End(progress);
  ASSERT_FALSE(view_messages.empty());
  EXPECT_EQ(view_messages.front(), WM_PROGRESS_TITLE);
  EXPECT_EQ(view_messages.back(), WM_PROGRESS_END);
  EXPECT_FALSE(view_deleted);
  EXPECT_EQ(progress->position, 0);  // still readable by the view
  Progress_Release(progress);
  EXPECT_TRUE(view_deleted);
}

TEST(Progress, CancellingIsSeenByTheWorker)
{
  Progress_Record *progress = Progress_Create(nullptr, "Job", "", nullptr, 0);
  EXPECT_FALSE(Progress_Cancelled(progress));
  Progress_Cancel(progress);
  EXPECT_TRUE(Progress_Cancelled(progress));
  Progress_End(progress);
}

TEST(Progress, StepsFromSeveralThreadsAreAllCounted)
{
  Scoped_View view;
  Progress_Record *progress = Progress_Create(nullptr, "Job", "", nullptr, 0);
  Progress_Set_Range(progress, 1000000);
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; t++)
    workers.emplace_back([progress] {
      for (int i = 0; i < 1000; i++) {
        Progress_Step(progress, 1);
        Progress_Bounce(progress, 3);
      }
    });
  for (std::thread &worker : workers) worker.join();
  EXPECT_EQ(progress->position, 4000);
  Progress_End(progress);
}

}  // namespace
