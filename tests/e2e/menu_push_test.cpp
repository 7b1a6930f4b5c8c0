// The push job against real storescp peers: outcomes and marks, the audit trail and
// the summary, the fail folder copied and moved, deletion only after a confirmed store,
// cancellation between files and during a transfer, the timeout settings against
// silent peers, and the refusal of a second job.
#include "app/menu_push.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

#include "app/configuration.h"
#include "app/dcmtk_cstore.h"
#include "app/job.h"
#include "app/list_thread.h"
#include "app/my_error_fct.h"
#include "e2e/dicom_peers.h"
#include "support/test_support.h"

namespace {

const char *const SOURCES[] = {"CT_small.dcm", "MR_small.dcm", "rtplan.dcm"};

std::atomic<int> rescans{0};
void Count_Rescan() { rescans++; }

class Push_Job_Test : public testing::Test {
protected:
  void SetUp() override
  {
    in_ = env_.root() + "in/";
    fail_ = env_.root() + "fail/";
    mkdir(in_.c_str(), 0700);
    for (const char *name : SOURCES) Add(name, Read_File(Peer_Test_File(name)));
    server_peer = "127.0.0.1";
    server_AET = "STORESCP";
    local_AET = "HARROWDESK";
    dir_fail = fail_;
    flag_fail = 0;
    delete_push = 0;
    timeout_connect = 30;
    timeout_acse = 30;
    timeout_dimse = 60;
    log_state.flag_audit = true;
    log_state.dir_audit = env_.root();
    DCMTK_CSTORE_Reset();
  }
  void TearDown() override
  {
    list_refresh = nullptr;
    job_rescan = nullptr;
    for (item_file &entry : entries_) free(entry.path);
  }

  // Replaces the selected entries by files of these names holding these bytes.
  void Replace(const std::vector<std::pair<std::string, std::string>> &files)
  {
    for (item_file &entry : entries_) free(entry.path);
    entries_.clear();
    for (const auto &file : files) Add(file.first, file.second);
  }

  // A selected file entry for a file `name` in the source folder holding `bytes`.
  void Add(const std::string &name, const std::string &bytes)
  {
    ASSERT_TRUE(Write_File(in_ + name, bytes));
    item_file entry{};
    entry.select_state = SELECT_YES;
    entry.copy_state = COPY_NONE;
    entry.path = strdup((in_ + name).c_str());
    entries_.push_back(entry);
  }

  Push_Result Run(int port)
  {
    server_port = std::to_string(port);
    std::vector<item_file *> files;
    for (item_file &entry : entries_) files.push_back(&entry);
    EXPECT_EQ(1, Push_Start(files));
    return Push_Wait();
  }

  std::vector<int> States() const
  {
    std::vector<int> states;
    for (const item_file &entry : entries_) states.push_back(entry.copy_state);
    return states;
  }
  bool Exists(const std::string &path) const { return access(path.c_str(), F_OK) == 0; }
  std::string Audit() const { return Read_File(env_.root() + log_state.file_audit); }

  Scoped_Temp_Env env_;
  Message_Capture capture_{0};
  std::string in_, fail_;
  std::vector<item_file> entries_;
};

TEST_F(Push_Job_Test, every_file_stored_is_marked_audited_and_kept)
{
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  Push_Result result = Run(peer.port);
  EXPECT_EQ(3, result.count);
  EXPECT_EQ(3, result.successes);
  EXPECT_EQ(0, result.failures);
  EXPECT_EQ((std::vector<int>{COPY_DONE, COPY_DONE, COPY_DONE}), States());
  EXPECT_EQ(3, peer.Stored());
  for (const char *name : SOURCES) EXPECT_TRUE(Exists(in_ + name));

  const std::string port = std::to_string(peer.port);
  std::vector<std::string> thread = capture_.Texts(MSG_THREAD);
  ASSERT_EQ(5u, thread.size());
  EXPECT_EQ("\xF1Pushing \x01" "3\x02 files from \x01" + in_ + "\x02 to \x01" "127.0.0.1:" + port, thread[0]);
  EXPECT_EQ("1  \x01" + in_ + "CT_small.dcm", thread[1]);
  EXPECT_EQ("\xF1\x02" "Done: All \x01" "3\x02 files pushed", thread[4]);
  EXPECT_EQ((std::vector<std::string>{"Pushing 3 files from " + in_ + " to 127.0.0.1:" + port,
                                      "        [1] " + in_ + "CT_small.dcm: success",
                                      "        [2] " + in_ + "MR_small.dcm: success",
                                      "        [3] " + in_ + "rtplan.dcm: success",
                                      "\xF1\x02" "Done: All \x01" "3\x02 files pushed"}),
            capture_.Texts(MSG_AUDIT));
}

TEST_F(Push_Job_Test, the_audit_file_holds_the_lines_without_markup)
{
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  Message_Callback = My_Error_Callback;  // the program's own sink writes the audit file
  Run(peer.port);
  Message_Callback = nullptr;
  const std::string audit = Audit();
  const std::string port = std::to_string(peer.port);
  for (const std::string &line : {" Pushing 3 files from " + in_ + " to 127.0.0.1:" + port + "\n",
                                  "         [2] " + in_ + "MR_small.dcm: success\n",
                                  std::string(" Done: All 3 files pushed\n")})
    EXPECT_NE(std::string::npos, audit.find(line)) << line << audit;
}

TEST_F(Push_Job_Test, a_file_without_meta_header_fails_unmarked_and_stays_out_of_the_fail_folder)
{
  Add("no_meta.dcm", Read_File(Peer_Test_File("no_meta.dcm")));
  flag_fail = 1;
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  Push_Result result = Run(peer.port);
  EXPECT_EQ(3, result.successes);
  EXPECT_EQ(1, result.failures);
  EXPECT_EQ((std::vector<int>{COPY_DONE, COPY_DONE, COPY_DONE, COPY_NONE}), States());
  EXPECT_EQ(1, capture_.Count(MSG_WARNING, "Not a valid part 10 DICOM"));
  EXPECT_FALSE(Exists(fail_ + "no_meta.dcm"));
  EXPECT_EQ(0, capture_.Count(MSG_AUDIT, "no_meta.dcm"));
  EXPECT_EQ(1, capture_.Count(MSG_AUDIT, "\xF1\x02" "Done: Failed \x04" "1\x02 file out of \x01" "4"));
}

// The fail folder and deletion, by peer and settings: what stays in the source folder,
// what lands in the fail folder, how each entry is marked, and whether the job asked the
// front end for a rescan (only after deletions).
TEST_F(Push_Job_Test, fail_folder_and_deletion_follow_the_confirmed_store_only)
{
  const struct {
    const char *name;
    std::vector<std::string> peer_options;
    int flag_fail, delete_push;
    int stored;            // files the job counts as stored
    bool sources_kept;     // the source files are still in place afterwards
    bool in_fail_folder;   // the source files are in the fail folder afterwards
    int rescans;           // times the job asked the rescan hook
  } cases[] = {
      {"stored, kept", {}, 1, 0, 3, true, false, 0},
      {"stored, deleted", {}, 1, 1, 3, false, false, 1},
      {"refused, copied into the fail folder", {"--refuse"}, 1, 0, 0, true, true, 0},
      {"refused, moved into the fail folder", {"--refuse"}, 1, 1, 0, false, true, 0},
      {"refused, no fail folder, never deleted", {"--refuse"}, 0, 1, 0, true, false, 0},
      {"aborted mid-transfer, never deleted", {"--abort-during"}, 0, 1, 0, true, false, 0},
  };
  job_rescan = Count_Rescan;
  int index = 0;
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    const std::string folder = env_.root() + "case" + std::to_string(index++) + "/";
    mkdir(folder.c_str(), 0700);
    for (item_file &entry : entries_) {
      const std::string name = strrchr(entry.path, '/') + 1;
      ASSERT_TRUE(Write_File(entry.path, Read_File(Peer_Test_File(name.c_str()))));
      entry.copy_state = COPY_NONE;
    }
    Run_Command("rm -rf '" + fail_ + "'");
    flag_fail = (unsigned char)test.flag_fail;
    delete_push = (unsigned char)test.delete_push;
    Storescp peer(folder, test.peer_options);
    ASSERT_TRUE(peer.Ready());
    rescans = 0;
    Push_Result result = Run(peer.port);
    EXPECT_EQ(test.rescans, rescans.load());
    EXPECT_EQ(0, Job_Rescan_Run());  // no catalogue was scanned: nothing to scan again
    EXPECT_EQ(test.stored, result.successes);
    EXPECT_EQ(3 - test.stored, result.failures);
    EXPECT_EQ(test.stored, peer.Stored());
    int mark = test.stored ? COPY_DONE : COPY_FAILED;
    EXPECT_EQ(std::vector<int>(3, mark), States());
    for (const char *name : SOURCES) {
      EXPECT_EQ(test.sources_kept, Exists(in_ + name)) << name;
      EXPECT_EQ(test.in_fail_folder, Exists(fail_ + name)) << name;
      if (test.in_fail_folder) {
        EXPECT_EQ(Read_File(Peer_Test_File(name)), Read_File(fail_ + name)) << name;
      }
    }
    if (!test.stored) {
      EXPECT_EQ(1, capture_.Count(MSG_THREAD, "\xF1\x02" "Done: Failed \x04" "3\x02 files out of \x01" "3"));
    }
    capture_.Clear();
  }
}

TEST_F(Push_Job_Test, a_move_into_the_fail_folder_keeps_an_earlier_failure_and_numbers_the_new_one)
{
  flag_fail = 1;
  delete_push = 1;
  mkdir(fail_.c_str(), 0700);
  ASSERT_TRUE(Write_File(fail_ + "CT_small.dcm", "an earlier failure"));
  std::string failed = Read_File(in_ + "CT_small.dcm");
  Storescp peer(env_.root(), {"--refuse"});
  ASSERT_TRUE(peer.Ready());
  Run(peer.port);
  EXPECT_EQ("an earlier failure", Read_File(fail_ + "CT_small.dcm"));
  EXPECT_EQ(failed, Read_File(fail_ + "CT_small.dcm01"));
  EXPECT_FALSE(Exists(in_ + "CT_small.dcm"));
  EXPECT_FALSE(Exists(in_ + "MR_small.dcm"));
  EXPECT_EQ(0, capture_.Count(MSG_WARNING, "Unable to move"));
}

std::atomic<int> refreshes{0};

void Cancel_After_First(int mode)
{
  if (mode == LIST_REFRESH_REDRAW && refreshes++ == 0) Push_Cancel();
}

TEST_F(Push_Job_Test, cancelling_stops_before_the_next_file)
{
  Storescp peer(env_.root(), {});
  ASSERT_TRUE(peer.Ready());
  refreshes = 0;
  list_refresh = Cancel_After_First;
  Push_Result result = Run(peer.port);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(1, result.successes);
  EXPECT_EQ(0, result.failures);
  EXPECT_EQ((std::vector<int>{COPY_DONE, COPY_NONE, COPY_NONE}), States());
  EXPECT_EQ(1, peer.Stored());
  EXPECT_EQ(1, capture_.Count(MSG_AUDIT, "\xF1\x02" "Done: Failed \x04" "0\x02 file out of \x01" "3"));
}

typedef std::chrono::steady_clock Clock;
std::atomic<int> pushed{0};

void Count_Pushed(int mode)
{
  if (mode == LIST_REFRESH_REDRAW) pushed++;
}

// storescp takes a second for each piece it reads, so the large second file is still on
// its way when the operator cancels half a second after the first one was stored.
TEST_F(Push_Job_Test, a_cancel_during_a_transfer_fails_that_file_and_leaves_the_rest_untouched)
{
  Replace({{"first.dcm", Read_File(Peer_Test_File("CT_small.dcm"))},
           {"large.dcm", Read_File(Peer_Large_File(env_.root(), 8 << 20))},
           {"last.dcm", Read_File(Peer_Test_File("MR_small.dcm"))}});
  flag_fail = 1;
  delete_push = 1;  // a failed file would be moved into the fail folder, a stored one deleted
  Storescp peer(env_.root(), {"--sleep-during", "1"});
  ASSERT_TRUE(peer.Ready());
  pushed = 0;
  list_refresh = Count_Pushed;
  std::atomic<Clock::rep> cancelled_at{0};
  std::thread operator_([&] {
    while (pushed.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancelled_at.store(Clock::now().time_since_epoch().count());
    Push_Cancel();
  });
  Push_Result result = Run(peer.port);
  const double after_cancel =
      std::chrono::duration<double>(Clock::now() - Clock::time_point(Clock::duration(cancelled_at.load()))).count();
  operator_.join();
  std::printf("[ measured ] the push job returned %.3f s after the cancel\n", after_cancel);
  EXPECT_LT(after_cancel, 5.0);

  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(3, result.count);
  EXPECT_EQ(1, result.successes);
  EXPECT_EQ(1, result.failures);
  EXPECT_EQ((std::vector<int>{COPY_DONE, COPY_FAILED, COPY_NONE}), States());
  EXPECT_EQ(1, peer.Stored());
  EXPECT_FALSE(Exists(in_ + "first.dcm"));  // stored, then deleted
  EXPECT_TRUE(Exists(in_ + "large.dcm"));   // cut short: neither moved nor deleted
  EXPECT_TRUE(Exists(in_ + "last.dcm"));    // not tried
  EXPECT_FALSE(Exists(fail_ + "large.dcm"));
  EXPECT_FALSE(Exists(fail_ + "last.dcm"));
  EXPECT_EQ(std::vector<std::string>{"\xF1\x05WARNING:\x02 DCMTK_CSTORE(), cancelled: association aborted"},
            capture_.Texts(MSG_WARNING));
  EXPECT_EQ(1, capture_.Count(MSG_AUDIT, "ERROR:  [2] " + in_ + "large.dcm: failed"));
  EXPECT_EQ(0, capture_.Count(MSG_AUDIT, "last.dcm"));
  for (int kind : {MSG_THREAD, MSG_AUDIT}) {
    std::vector<std::string> lines = capture_.Texts(kind);
    ASSERT_LE(2u, lines.size());
    EXPECT_EQ("\xF1\x02" "Done: Failed \x04" "1\x02 file out of \x01" "3", lines[lines.size() - 2]);
    EXPECT_EQ("\xF1\x02      stored \x01" "1\x02, failed \x04" "1\x02, not tried \x01" "1", lines.back());
  }
}

// Each timeout setting reaches the C-STORE client of the job: the peer that makes its
// step wait fails the file within a generous bound.
TEST_F(Push_Job_Test, the_timeout_settings_reach_the_C_STORE_client)
{
  const struct {
    const char *name;
    int *setting;
    Silent_Mode mode;
    const char *warning;
  } cases[] = {
      {"timeout_connect", &timeout_connect, SILENT_CONNECT, "Timeout"},
      {"timeout_acse", &timeout_acse, SILENT_ACCEPT, "DUL network read timeout"},
      {"timeout_dimse", &timeout_dimse, SILENT_ASSOCIATED, "No progress for 1 sec (DIMSE timeout)"},
  };
  Replace({{"CT_small.dcm", Read_File(Peer_Test_File("CT_small.dcm"))}});
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    timeout_connect = 30, timeout_acse = 30, timeout_dimse = 60;
    *test.setting = 1;
    Silent_Peer peer(test.mode);
    const Clock::time_point start = Clock::now();
    Push_Result result = Run(peer.port);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(1, result.failures);
    EXPECT_EQ((std::vector<int>{COPY_FAILED}), States());
    EXPECT_EQ(1, capture_.Count(MSG_WARNING, test.warning));
    EXPECT_EQ(1, capture_.Count(MSG_THREAD, "stored \x01" "0\x02, failed \x04" "1\x02, not tried \x01" "0"));
    capture_.Clear();
    entries_[0].copy_state = COPY_NONE;
  }
}

TEST_F(Push_Job_Test, a_second_job_is_refused_while_one_runs)
{
  Storescp peer(env_.root(), {"--sleep-after", "1"});
  ASSERT_TRUE(peer.Ready());
  server_port = std::to_string(peer.port);
  std::vector<item_file *> files = {&entries_[0]};
  ASSERT_EQ(1, Push_Start(files));
  EXPECT_EQ(0, Push_Start(files));
  EXPECT_EQ(1, capture_.Count(MSG_WARNING, "A push job is running already"));
  Push_Result result = Push_Wait();
  EXPECT_EQ(1, result.successes);
  EXPECT_EQ(1, peer.Stored());
}

TEST_F(Push_Job_Test, no_file_sends_nothing_and_reports_all_zero_pushed)
{
  std::vector<item_file *> none;
  ASSERT_EQ(1, Push_Start(none));
  Push_Result result = Push_Wait();
  EXPECT_EQ(0, result.count);
  EXPECT_EQ((std::vector<std::string>{"\xF1\x02" "Done: All \x01" "0\x02 files pushed"}), capture_.Texts(MSG_THREAD));
}

}  // namespace
