// Message_Log before any sink: the level filter, formatting limits, the default writer,
// the log files' folders and modes, and the thread ring's bounds.
#include "util/message_log.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/test_support.h"

namespace {

int box_count = 0;
int Count_Box(Window_Handle, int, const char *, const char *) { return ++box_count, 1; }

}  // namespace

TEST(Message_Log, trace_kinds_above_the_level_never_reach_the_sink)
{
  Message_Capture capture(2);
  EXPECT_EQ(Message_Log(nullptr, MSG_TRACE, "t11"), 1);
  EXPECT_EQ(Message_Log(nullptr, MSG_TRACE + 1, "t12"), 1);
  EXPECT_EQ(Message_Log(nullptr, MSG_TRACE + 2, "t13"), 1);
  EXPECT_EQ(Message_Log(nullptr, 0, "nothing"), 1);
  EXPECT_EQ(capture.Texts(), (std::vector<std::string>{"t11", "t12"}));
  trace_level = 0;
  Message_Log(nullptr, MSG_TRACE, "at level zero");
  Message_Log(nullptr, MSG_WARNING, "a warning passes");
  EXPECT_EQ(capture.Texts().back(), "a warning passes");
}

TEST(Message_Log, long_texts_are_cut_at_10239_characters)
{
  Message_Capture capture(0);
  std::string text(20000, 'a');
  Message_Log(nullptr, MSG_REPORT, "%s", text.c_str());
  EXPECT_EQ(capture.Texts()[0].size(), 10239u);
}

TEST(Message_Log, the_default_writer_answers_questions_no_and_writes_no_folder)
{
  Scoped_Temp_Env env;
  std::string missing = env.root() + "missing/";
  log_state.dir_audit = missing;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_EQ(Message_Log(nullptr, MSG_QUESTION, "Delete?"), 0);
  Message_Log(nullptr, MSG_AUDIT, "moved a file");
  std::string console = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(console, "AUDIT:   moved a file \n");
  struct stat info;
  EXPECT_NE(stat(missing.c_str(), &info), 0) << "the default writer created a folder";
  log_state.dir_audit.clear();
}

TEST(Log_File_Open, creates_private_folders_and_files)
{
  Scoped_Temp_Env env;
  std::string folder = env.root() + "logs/deeper/";
  FILE *stream = Log_File_Open("audit.log", folder.c_str());
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);
  struct stat info;
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((folder + "audit.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // A name with its own folder ignores the default folder.
  stream = Log_File_Open((env.root() + "own/x.log").c_str(), folder.c_str());
  ASSERT_NE(stream, nullptr);
  std::fclose(stream);
  EXPECT_EQ(stat((env.root() + "own/x.log").c_str(), &info), 0);
}

TEST(Log_File_Open, a_folder_that_cannot_be_made_shows_one_box_per_run)
{
  Scoped_Temp_Env env;
  Log_Display saved = log_display;
  log_display.box = Count_Box;
  log_state.folder_failure_shown = false;
  Write_File(env.root() + "blocker", "a file where a folder should be");
  std::string folder = env.root() + "blocker/logs/";
  box_count = 0;
  EXPECT_EQ(Log_File_Open("a.log", folder.c_str()), nullptr);
  EXPECT_EQ(Log_File_Open("a.log", folder.c_str()), nullptr);
  EXPECT_EQ(box_count, 1);
  log_display = saved;
}

TEST(Log_Ring, a_producer_128_lines_ahead_loses_the_pending_lines)
{
  static std::vector<std::string> drained;
  drained.clear();
  Log_Ring_Drain([](const char *) {});
  for (int i = 0; i < 130; i++) Log_Ring_Push(std::to_string(i).c_str());
  Log_Ring_Drain([](const char *text) { drained.push_back(text); });
  // 130 pushes wrap the ring twice past the reader: only the last two remain pending.
  EXPECT_EQ(drained, (std::vector<std::string>{"128", "129"}));
  std::string long_text(5000, 'q');
  Log_Ring_Push(long_text.c_str());
  Log_Ring_Drain([](const char *text) { drained.push_back(text); });
  EXPECT_EQ(drained.back().size(), 1023u);
}
