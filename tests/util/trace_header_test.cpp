// The run header, the Ctrl+digit trace keys, error texts and the critical region.
#include <gtest/gtest.h>

#include <thread>

#include "support/test_support.h"
#include "util/error_text.h"
#include "util/mutex_access.h"

TEST(Trace_Level_Key, turning_tracing_on_restarts_the_trace_file_with_the_header)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Write_File(env.temp() + "Harrowdesk_trace.dat", "old\n");
  Trace_Level_Key('3');
  EXPECT_EQ(trace_level, 3);
  EXPECT_EQ(Read_File(env.temp() + "Harrowdesk_trace.dat"), "") << "the old trace file must be deleted";
  std::vector<std::string> traces = capture.Texts(MSG_TRACE);
  ASSERT_FALSE(traces.empty());
  EXPECT_EQ(traces[0].rfind("==== ==== Harrowdesk 1.0 Rev-7 ==== (", 0), 0u);
  EXPECT_EQ(capture.Count(MSG_TRACE, "ArdentVale_Util (Static) 21.7 (rev-c)"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "ArdentVale_Tools (Static) 21.7 (rev-c)"), 1);
  EXPECT_EQ(capture.Texts(MSG_REPORT), (std::vector<std::string>{"Trace level: 3"}));

  capture.Clear();
  Trace_Level_Key('4');  // already tracing: no new header
  EXPECT_EQ(capture.Count(MSG_TRACE, "===="), 0);
  Trace_Level_Key('0');
  EXPECT_EQ(trace_level, 0);
  Trace_Level_Key('7');
  EXPECT_EQ(trace_level, 5);
  EXPECT_EQ(capture.Texts(MSG_REPORT), (std::vector<std::string>{"Trace level: 4", "Trace level: 0", "Trace level: 5"}));
}

TEST(Error_Text, names_the_errno_and_its_text)
{
  EXPECT_STREQ(Error_Text(ENOENT), "[ENOENT] No such file or directory");
  EXPECT_STREQ(Error_Text(EACCES), "[EACCES] Permission denied");
  errno = ENOSPC;
  EXPECT_STREQ(Error_Text(0), "[ENOSPC] No space left on device");
}

TEST(Mutex_Access, the_region_excludes_other_threads_and_may_be_entered_again)
{
  Mutex_Access_Start();  // not created yet: nothing happens
  Mutex_Access_Stop();
  Mutex_Access_Create();
  int shared = 0;
  auto add = [&shared] {
    for (int i = 0; i < 10000; i++) {
      Mutex_Access_Start();
      Mutex_Access_Start();
      shared++;
      Mutex_Access_Stop();
      Mutex_Access_Stop();
    }
  };
  std::thread a(add), b(add);
  a.join();
  b.join();
  EXPECT_EQ(shared, 20000);
  Mutex_Access_Close();
}
