// Message_Log before any sink: the level filter, formatting limits, the default writer,
// the log files' folders and modes, what a log file refuses in a shared folder, log files
// held open by a thread, and the thread ring's bounds.
#include "util/message_log.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(Message_Log, a_message_filtered_out_never_evaluates_its_arguments)
{
  Message_Capture capture(2);
  int evaluated = 0;
  auto value = [&] { return ++evaluated; };
  const struct {
    int kind, evaluations;
  } cases[] = {{0, 0}, {MSG_TRACE + 3, 0}, {MSG_TRACE + 8, 0}, {MSG_TRACE + 1, 1}, {MSG_TRACE, 1}, {MSG_WARNING, 1}};
  for (const auto &c : cases) {
    evaluated = 0;
    EXPECT_EQ(Message_Log(nullptr, c.kind, "%d", value()), 1) << c.kind;
    EXPECT_EQ(evaluated, c.evaluations) << c.kind;
  }
  EXPECT_EQ(capture.Texts(), (std::vector<std::string>{"1", "1", "1"}));
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

TEST(Log_File_Open, a_planted_link_fifo_or_hard_link_in_a_sticky_shared_folder_is_refused_once_with_a_warning)
{
  Scoped_Temp_Env env;
  std::string shared = env.root() + "shared/";
  ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
  ASSERT_EQ(chmod(shared.c_str(), 01777), 0);  // a temp folder every user may write into
  std::string victim = env.root() + "victim";
  ASSERT_TRUE(Write_File(victim, "keep"));
  ASSERT_EQ(symlink(victim.c_str(), (shared + "link.log").c_str()), 0);
  ASSERT_EQ(mkfifo((shared + "fifo.log").c_str(), 0600), 0);
  ASSERT_EQ(link(victim.c_str(), (shared + "hard.log").c_str()), 0);
  Message_Capture capture(0);
  const struct {
    const char *name, *why;
  } cases[] = {
      {"link.log", "is a symbolic link"}, {"fifo.log", "is not a regular file"}, {"hard.log", "has other hard links"}};
  for (const auto &c : cases) {
    capture.Clear();
    for (int i = 0; i < 3; i++) Log_File_Append(c.name, shared.c_str(), "a line\n");
    EXPECT_EQ(capture.Texts(MSG_WARNING),
              (std::vector<std::string>{"\xF1\x05WARNING:\x02 The log file \x01" + shared + c.name + "\x02 " + c.why +
                                        ": nothing is written into it"}))
        << "one warning per file per run";
  }
  EXPECT_EQ(Read_File(victim), "keep");
  struct stat info;
  ASSERT_EQ(lstat((shared + "fifo.log").c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  // Our own file in the same folder is written as usual.
  capture.Clear();
  Log_File_Append("own.log", shared.c_str(), "a line\n");
  EXPECT_EQ(Read_File(shared + "own.log"), "a line\n");
  EXPECT_TRUE(capture.messages.empty());
}

TEST(Log_File_Open, a_file_of_another_user_under_the_log_name_is_never_written)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  Scoped_Temp_Env env;
  std::string path = env.temp() + "Harrowdesk_trace.dat";
  ASSERT_TRUE(Write_File(path, "theirs\n"));
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);  // nobody
  Message_Capture capture(0);
  EXPECT_EQ(Log_File_Open("Harrowdesk_trace.dat", nullptr), nullptr);
  EXPECT_EQ(Log_File_Open("Harrowdesk_trace.dat", nullptr), nullptr);
  EXPECT_EQ(capture.Count(MSG_WARNING, "belongs to another user"), 1);
  EXPECT_EQ(Read_File(path), "theirs\n");
}

// The number of descriptors this process has open.
static int Open_Descriptors()
{
  int count = 0;
  for (int fd = 0; fd < 1024; fd++) count += fcntl(fd, F_GETFD) != -1;
  return count;
}

TEST(Log_Files_Hold, a_held_file_takes_every_line_and_one_removed_or_linked_meanwhile_is_opened_again_by_name)
{
  Scoped_Temp_Env env;
  std::string folder = env.root() + "logs/";
  std::string path = folder + "held.log";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  Message_Capture capture(0);
  int before = Open_Descriptors();
  {
    Log_Files_Hold hold;
    Log_File_Append("held.log", folder.c_str(), "one\n");
    Log_File_Append("held.log", folder.c_str(), "two\n");
    EXPECT_EQ(Read_File(path), "one\ntwo\n");
    ASSERT_EQ(unlink(path.c_str()), 0);  // removed while held: the next line makes it anew
    Log_File_Append("held.log", folder.c_str(), "three\n");
    EXPECT_EQ(Read_File(path), "three\n");
    ASSERT_EQ(link(path.c_str(), (env.root() + "planted").c_str()), 0);  // linked while held: refused
    Log_File_Append("held.log", folder.c_str(), "four\n");
    EXPECT_EQ(Read_File(path), "three\n");
    EXPECT_EQ(capture.Count(MSG_WARNING, "has other hard links"), 1);
  }
  EXPECT_EQ(Open_Descriptors(), before) << "the hold closes what it kept open";
}

TEST(Message_Log, the_default_writer_refuses_a_planted_audit_link_too)
{
  Scoped_Temp_Env env;
  std::string victim = env.root() + "victim";
  ASSERT_TRUE(Write_File(victim, "keep"));
  ASSERT_EQ(symlink(victim.c_str(), (env.temp() + "planted.log").c_str()), 0);
  std::string saved = log_state.file_audit;
  log_state.file_audit = "planted.log";
  log_state.dir_audit = env.temp();
  testing::internal::CaptureStdout();
  Message_Log(nullptr, MSG_AUDIT, "copied a file");
  std::string console = testing::internal::GetCapturedStdout();
  log_state.file_audit = saved;
  log_state.dir_audit.clear();
  EXPECT_EQ(Read_File(victim), "keep");
  EXPECT_NE(console.find("planted.log is a symbolic link"), std::string::npos) << console;
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
