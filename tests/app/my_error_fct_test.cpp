// The message sink's routing: which kinds reach the box, the pane, the console, the trace
// file, the audit file and the error file at each trace level, and the text cleaning on
// the way to files and the console.
#include "app/my_error_fct.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sys/stat.h>
#include <thread>

#include "support/test_support.h"

namespace {

struct Display_Record {
  std::vector<std::string> boxes, pane, overwrites;
  int posts = 0;
};
Display_Record *display_record = nullptr;

int Record_Box(Window_Handle, int kind, const char *text, const char *)
{
  display_record->boxes.push_back(text);
  return kind == MSG_QUESTION ? 1 : 1;
}
void Record_Pane(const char *text) { display_record->pane.push_back(text); }
void Record_Overwrite(const char *text) { display_record->overwrites.push_back(text); }
void Record_Post(Window_Handle) { display_record->posts++; }

class Sink_Test : public ::testing::Test {
protected:
  void SetUp() override
  {
    saved_display_ = log_display;
    display_record = &record_;
    log_display = {Record_Box, Record_Pane, Record_Overwrite, Record_Post, saved_display_.console_write};
    log_state.flag_audit = true;
    log_state.dir_audit = env_.temp();
    log_state.errlog_header_written = false;
    Message_Callback = My_Error_Callback;
    Log_Ring_Drain([](const char *) {});
  }
  void TearDown() override
  {
    Message_Callback = nullptr;
    log_display = saved_display_;
    trace_level = 0;
    display_record = nullptr;
  }
  std::string Trace_File() { return Read_File(env_.temp() + "Harrowdesk_trace.dat"); }
  std::string Audit_File() { return Read_File(env_.temp() + "Harrowdesk.log"); }
  std::string Error_File() { return Read_File(env_.log_state() + "ArdentVale.err"); }

  Scoped_Temp_Env env_;
  Display_Record record_;
  Log_Display saved_display_;
};

// Where one kind is expected at one level, from the routing tables of the log.
struct Expected {
  bool console, trace;
};

Expected Expected_At(int kind, int level)
{
  static const std::set<int> console_kinds = {1, 2, 4, 5, 6, 7, 8};
  bool is_trace = kind >= 11;
  if (is_trace && level < kind - 10) return {false, false};
  if (level > 0) return {is_trace || console_kinds.count(kind) > 0, is_trace || (console_kinds.count(kind) && kind != 5 && kind != 7)};
  static const std::set<int> minus1 = {1, 2, 4, 6, 8}, minus2 = {1, 2}, minus3 = {1};
  const std::set<int> *file = level == -1 ? &minus1 : level == -2 ? &minus2 : level == -3 ? &minus3 : nullptr;
  return {false, file && file->count(kind) > 0};
}

}  // namespace

TEST_F(Sink_Test, every_kind_is_routed_by_the_level_tables)
{
  const int kinds[] = {1, 2, 4, 5, 6, 7, 8, 11, 12, 13, 19};
  for (int level : {-3, -2, -1, 0, 2, 9}) {
    for (int kind : kinds) {
      SCOPED_TRACE("level " + std::to_string(level) + " kind " + std::to_string(kind));
      std::remove((env_.temp() + "Harrowdesk_trace.dat").c_str());
      trace_level = (signed char)level;
      std::string marker = "msg-" + std::to_string(level) + "-" + std::to_string(kind);
      testing::internal::CaptureStdout();
      EXPECT_EQ(Message_Log(nullptr, kind, "%s", marker.c_str()), 1);
      std::string console = testing::internal::GetCapturedStdout();
      Expected expected = Expected_At(kind, level);
      EXPECT_EQ(console.find(marker) != std::string::npos, expected.console) << console;
      EXPECT_EQ(Trace_File().find(marker) != std::string::npos, expected.trace);
    }
  }
}

TEST_F(Sink_Test, console_and_trace_lines_carry_their_prefixes)
{
  trace_level = 2;
  testing::internal::CaptureStdout();
  Message_Log(nullptr, MSG_ERROR, "e");
  Message_Log(nullptr, MSG_REPORT, "r");
  Message_Log(nullptr, MSG_AUDIT, "a");
  Message_Log(nullptr, MSG_TRACE + 1, "t");
  std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(console, "ERROR: e\nREPORT:  r\nAUDIT:   a \nTRACE:       t \n");
  EXPECT_EQ(Trace_File(), "ERROR:   e\nREPORT: r\nTRACE:       t\n");
}

TEST_F(Sink_Test, boxes_panes_and_files_do_not_depend_on_the_level)
{
  trace_level = 0;
  Message_Log(nullptr, MSG_ERROR, "an error");
  Message_Log(nullptr, MSG_WARNING, "a warning");
  Message_Log(nullptr, MSG_REPORT, "a report");
  Message_Log(nullptr, MSG_OVER, "over");
  Message_Log(nullptr, MSG_AUDIT, "an audit");
  EXPECT_EQ(Message_Log(nullptr, MSG_QUESTION, "sure?"), 1);
  EXPECT_EQ(record_.boxes, (std::vector<std::string>{"an error", "sure?"}));
  EXPECT_EQ(record_.pane, (std::vector<std::string>{"a warning", "a report"}));
  EXPECT_EQ(record_.overwrites, (std::vector<std::string>{"over"}));
  std::string audit = Audit_File();
  EXPECT_NE(audit.find(" an error\n"), std::string::npos);
  EXPECT_NE(audit.find(" a warning\n"), std::string::npos);
  EXPECT_NE(audit.find(" an audit\n"), std::string::npos);
  EXPECT_EQ(audit.find("report"), std::string::npos);
}

TEST_F(Sink_Test, audit_lines_start_with_day_month_year_and_time)
{
  Message_Log(nullptr, MSG_AUDIT, "copied x");
  std::regex line(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d copied x\n)");
  EXPECT_TRUE(std::regex_match(Audit_File(), line)) << Audit_File();
  log_state.flag_audit = false;
  Message_Log(nullptr, MSG_AUDIT, "not written");
  EXPECT_EQ(Audit_File().find("not written"), std::string::npos);
}

TEST_F(Sink_Test, markup_bytes_reach_the_pane_but_no_file_or_console)
{
  trace_level = 1;
  testing::internal::CaptureStdout();
  // \xC3\xA9 is a UTF-8 "e acute": kept, unlike the markup around it.
  Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 disk\xC3\xA9\x06 full\xF0\t!");
  std::string console = testing::internal::GetCapturedStdout();
  ASSERT_EQ(record_.pane.size(), 1u);
  EXPECT_EQ(record_.pane[0], "\xF1\x04WARNING!\x02 disk\xC3\xA9\x06 full\xF0\t!");
  EXPECT_EQ(console, "WARNING: WARNING! disk\xC3\xA9 full\t!\n");
  EXPECT_EQ(Trace_File(), "WARNING: WARNING! disk\xC3\xA9 full\t!\n");
  EXPECT_NE(Audit_File().find(" WARNING! disk\xC3\xA9 full\t!\n"), std::string::npos);
}

TEST_F(Sink_Test, a_multi_line_message_is_one_line_in_every_file)
{
  trace_level = 1;
  testing::internal::CaptureStdout();
  Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in malloc (var=%s, dim=%dx%d)", 12, "unit", "buf", 3, 1);
  Message_Log(nullptr, MSG_ERRLOG, "first\r\nsecond");
  std::string console = testing::internal::GetCapturedStdout();
  EXPECT_EQ(record_.boxes[0], "line 12   of unit \nmemory error in malloc (var=buf, dim=3x1)") << "a box keeps its lines";
  EXPECT_EQ(Trace_File(), "ERROR:   line 12   of unit \\nmemory error in malloc (var=buf, dim=3x1)\n");
  std::regex audit(R"(\d\d-[A-Z][a-z][a-z]-\d{4} \d\d:\d\d:\d\d line 12   of unit \\nmemory error in malloc \(var=buf, dim=3x1\)\n)");
  EXPECT_TRUE(std::regex_match(Audit_File(), audit)) << Audit_File();
  EXPECT_EQ(Error_File().substr(Error_File().find(")========\n") + 10), "first\\r\\nsecond\n");
  EXPECT_NE(console.find("ERROR: line 12   of unit \\nmemory error"), std::string::npos) << console;
}

TEST_F(Sink_Test, the_audit_trail_and_the_error_file_default_to_the_state_folder_created_private)
{
  log_state.dir_audit.clear();
  Message_Log(nullptr, MSG_AUDIT, "moved a file");
  Message_Log(nullptr, MSG_ERRLOG, "an error");
  EXPECT_NE(Read_File(env_.log_state() + "Harrowdesk.log").find(" moved a file\n"), std::string::npos);
  EXPECT_NE(Read_File(env_.log_state() + "ArdentVale.err").find("an error\n"), std::string::npos);
  struct stat info;
  ASSERT_EQ(stat(env_.log_state().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((env_.log_state() + "Harrowdesk.log").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Read_File(env_.temp() + "Harrowdesk.log"), "") << "nothing lasting in the temp folder";
}

TEST_F(Sink_Test, the_error_file_header_is_written_once_per_run)
{
  Message_Log(nullptr, MSG_ERRLOG, "first");
  Message_Log(nullptr, MSG_ERRLOG, "second");
  std::regex file(R"(\n======== Harrowdesk 1\.0 Rev-7 =====\(\d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d\)========\nfirst\nsecond\n)");
  EXPECT_TRUE(std::regex_match(Error_File(), file)) << Error_File();
}

TEST_F(Sink_Test, thread_messages_pass_through_the_ring_with_their_markup)
{
  Message_Log(nullptr, MSG_THREAD, "\x04one");
  Message_Log(nullptr, MSG_THREAD, "two");
  EXPECT_EQ(record_.posts, 2);
  std::vector<std::string> drained;
  static std::vector<std::string> *sink;
  sink = &drained;
  Log_Ring_Drain([](const char *text) { sink->push_back(text); });
  EXPECT_EQ(drained, (std::vector<std::string>{"\x04one", "two"}));
  Log_Ring_Drain([](const char *text) { sink->push_back(text); });
  EXPECT_EQ(drained.size(), 2u);
}

TEST_F(Sink_Test, lines_from_many_threads_are_never_interleaved)
{
  trace_level = -1;
  std::string long_text(3000, 'x');
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; t++)
    writers.emplace_back([t, &long_text] {
      for (int i = 0; i < 50; i++) Message_Log(nullptr, MSG_AUDIT, "%d %s", t, long_text.c_str());
    });
  for (auto &writer : writers) writer.join();
  std::string audit = Audit_File();
  size_t lines = 0;
  for (size_t start = 0; start < audit.size();) {
    size_t end = audit.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end - start, 20 + 1 + 2 + long_text.size()) << "a torn line";
    start = end + 1;
    lines++;
  }
  EXPECT_EQ(lines, 200u);
}
