// Message boxes without a display: each box is written to standard error and answered by
// the next scripted reply, or by the safe default (OK, or No for a question) when none is
// left or the reply does not fit the box; workers get their answer the same way.
#include <thread>

#include "platform/window/message_box.h"
#include "platform_window/window_test_windows.h"
#include "support/test_support.h"

using Message_Boxes = Headless_Windows;

TEST_F(Message_Boxes, scripted_replies_answer_boxes_in_order_then_the_safe_default)
{
  Message_Box_Script("yes, NO,ok,yes");
  struct Case {
    unsigned type;
    int answer;
  } cases[] = {
      {MB_YESNO | MB_ICONQUESTION, IDYES},
      {MB_YESNO | MB_ICONQUESTION, IDNO},
      {MB_YESNO | MB_ICONQUESTION, IDNO},  // "ok" does not answer a question
      {MB_OK | MB_ICONERROR, IDOK},        // "yes" does not answer an error box
      {MB_YESNO | MB_ICONQUESTION, IDNO},  // nothing left
      {MB_OK, IDOK},
  };
  int before = Message_Box_Count();
  for (const Case &c : cases) EXPECT_EQ(Message_Box(nullptr, "text", "caption", c.type), c.answer);
  EXPECT_EQ(Message_Box_Count(), before + 6);
}

TEST_F(Message_Boxes, the_box_is_written_to_standard_error_with_its_caption_and_answer)
{
  Message_Box_Script("yes");
  testing::internal::CaptureStderr();
  Message_Box(nullptr, "Directory: \"x\" does not exist!\nDo you wish to create it ?", "Invalid Directory",
              MB_YESNO | MB_ICONQUESTION);
  Message_Box(nullptr, "Unable to create: \"x\"!", nullptr, MB_OK | MB_ICONERROR);
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_NE(written.find("[box] Invalid Directory: Directory: \"x\" does not exist!\nDo you wish to create it ? -> Yes\n"),
            std::string::npos);
  EXPECT_NE(written.find("[box] Error: Unable to create: \"x\"! -> OK\n"), std::string::npos);
}

TEST_F(Message_Boxes, the_log_hook_maps_kinds_to_boxes_and_answers)
{
  Message_Box_Script("yes,no");
  EXPECT_EQ(Message_Box_For_Log(nullptr, MSG_QUESTION, "q", ""), 1);
  EXPECT_EQ(Message_Box_For_Log(nullptr, MSG_QUESTION, "q", ""), 0);
  EXPECT_EQ(Message_Box_For_Log(nullptr, MSG_ERROR, "e", ""), 1);
}

TEST_F(Message_Boxes, a_worker_gets_its_answer_without_the_ui_thread)
{
  Message_Box_Script("yes");
  int answer = 0;
  std::thread worker([&] { answer = Message_Box(nullptr, "from a worker", "", MB_YESNO); });
  worker.join();
  EXPECT_EQ(answer, IDYES);
}

TEST_F(Message_Boxes, unknown_script_words_are_skipped_with_a_warning)
{
  Message_Capture capture;
  Message_Box_Script("maybe,yes,");
  EXPECT_EQ(capture.Count(MSG_WARNING, "unknown answer \"maybe\""), 1);
  EXPECT_EQ(Message_Box(nullptr, "q", "", MB_YESNO), IDYES);
  Message_Box_Script(nullptr);
  EXPECT_EQ(Message_Box(nullptr, "q", "", MB_YESNO), IDNO);
}
