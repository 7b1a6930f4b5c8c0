// The job protocol on real threads: one claim per kind until the worker's end, the
// progress record a job makes and keeps for cancelling, cancelling from the catalogue's
// thread and from a SIGINT handler on any thread, and a worker thread that cannot be
// started (the address space capped so that its stack cannot be mapped).
#include "app/job.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <thread>

#include "app/list_thread.h"
#include "app/menu_copy.h"
#include "support/test_support.h"
#include "util/progress.h"

namespace {

const Job_Kind KINDS[] = {JOB_SCAN, JOB_SORT, JOB_COPY, JOB_PUSH};

// Counts the views destroyed and the records ended.
std::atomic<int> views_freed{0}, ends_seen{0};

struct Counting_View : Progress_View {
  ~Counting_View() override { views_freed++; }
  void Notify(Progress_Record *, int message) override
  {
    if (message == WM_PROGRESS_END) ends_seen++;
  }
};

Progress_View *Make_Counting_View(Progress_Record *, Window_Handle, void *, int)
{
  return new Counting_View;
}

class Job_Test : public ::testing::Test {
protected:
  void SetUp() override
  {
    views_freed = ends_seen = 0;
    progress_view_factory = Make_Counting_View;
  }
  void TearDown() override
  {
    for (Job_Kind kind : KINDS) Job_Wait(kind);
    progress_view_factory = nullptr;
    job_pacing = false;
  }
};

// Starts a worker for `kind` that spins until `gate` opens, then ends the job.
void Run_Gated(Job_Kind kind, std::atomic<bool> *gate)
{
  ASSERT_EQ(Job_Run(kind, [kind, gate] {
    while (!gate->load()) std::this_thread::yield();
    Job_End(kind);
  }), 1);
}

TEST_F(Job_Test, a_kind_is_claimed_once_until_its_worker_has_ended)
{
  for (Job_Kind kind : KINDS) {
    SCOPED_TRACE(Job_Thread_Name(kind));
    ASSERT_EQ(Job_Claim(kind), 1);
    EXPECT_TRUE(Job_Running(kind));
    EXPECT_EQ(Job_Claim(kind), 0);
    for (Job_Kind other : KINDS) EXPECT_TRUE(other == kind || !Job_Running(other)) << Job_Thread_Name(other);
    std::atomic<bool> gate{false};
    Run_Gated(kind, &gate);
    EXPECT_EQ(Job_Claim(kind), 0);  // the worker runs
    gate = true;
    Job_Wait(kind);
    EXPECT_FALSE(Job_Running(kind));
    ASSERT_EQ(Job_Claim(kind), 1);  // a new job after the end
    Job_Unclaim(kind);               // given back without a worker
    EXPECT_FALSE(Job_Running(kind));
  }
}

TEST_F(Job_Test, the_progress_record_is_shown_ranged_paced_and_kept_for_cancelling_until_the_wait)
{
  job_pacing = true;
  ASSERT_EQ(Job_Claim(JOB_COPY), 1);
  Progress_Record *progress = Job_Progress_Start(JOB_COPY, nullptr, "Copying", "Copying to /x/", 7);
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(Job_Progress(JOB_COPY), progress);
  EXPECT_TRUE(progress->shown);
  EXPECT_EQ(progress->range, 7);
  EXPECT_TRUE(progress->paced.load());
  EXPECT_EQ(progress->subtitle, "Copying to /x/");
  std::atomic<bool> gate{true};
  Run_Gated(JOB_COPY, &gate);
  while (Job_Running(JOB_COPY)) std::this_thread::yield();
  EXPECT_EQ(ends_seen.load(), 1);
  EXPECT_EQ(views_freed.load(), 0);  // the reference kept for cancelling
  Job_Wait(JOB_COPY);
  EXPECT_EQ(views_freed.load(), 1);
}

TEST_F(Job_Test, cancelling_reaches_the_worker_with_or_without_a_progress_record_and_ends_with_the_job)
{
  for (const char *title : {"Scanning", (const char *)nullptr}) {
    SCOPED_TRACE(title ? title : "no progress record");
    ASSERT_EQ(Job_Claim(JOB_SCAN), 1);
    Progress_Record *progress = Job_Progress_Start(JOB_SCAN, nullptr, title, "", 1);
    std::atomic<bool> record_cancelled{false};
    ASSERT_EQ(Job_Run(JOB_SCAN, [&record_cancelled] {
      while (!Job_Cancelled(JOB_SCAN)) std::this_thread::yield();
      record_cancelled = Progress_Cancelled(Job_Progress(JOB_SCAN));
      Job_End(JOB_SCAN);
    }), 1);
    Job_Cancel(JOB_SCAN);
    Job_Wait(JOB_SCAN);
    EXPECT_EQ(record_cancelled.load(), progress != nullptr);  // as the Cancel button does
    ASSERT_EQ(Job_Claim(JOB_SCAN), 1);
    EXPECT_FALSE(Job_Cancelled(JOB_SCAN));  // the next job starts uncancelled
    Job_Unclaim(JOB_SCAN);
  }
}

void Cancel_Copy_On_Interrupt(int) { Job_Cancel(JOB_COPY); }

TEST_F(Job_Test, a_sigint_handler_cancels_a_running_job_on_the_waiting_thread_and_on_the_worker)
{
  void (*saved)(int) = std::signal(SIGINT, Cancel_Copy_On_Interrupt);
  for (bool on_worker : {false, true}) {
    SCOPED_TRACE(on_worker ? "handler on the worker" : "handler on the waiting thread");
    ASSERT_EQ(Job_Claim(JOB_COPY), 1);
    Job_Progress_Start(JOB_COPY, nullptr, "Copying", "", 0);
    std::atomic<bool> started{false};
    ASSERT_EQ(Job_Run(JOB_COPY, [on_worker, &started] {
      started = true;
      if (on_worker) std::raise(SIGINT);  // delivered to the raising thread
      while (!Job_Cancelled(JOB_COPY)) std::this_thread::yield();
      Job_End(JOB_COPY);
    }), 1);
    while (!started) std::this_thread::yield();
    if (!on_worker) std::raise(SIGINT);
    Job_Wait(JOB_COPY);
    EXPECT_FALSE(Job_Running(JOB_COPY));
  }
  std::signal(SIGINT, saved);
  EXPECT_EQ(views_freed.load(), 2);
}

// Caps the address space 4 MB above what the process maps now, so that no new thread
// stack (8 MB) can be mapped but smaller mappings (the sanitizer's own) still can,
// after occupying with running threads of its own every stack that the C library keeps
// for reuse (threads that ended leave theirs, 40 MB at most). Restores the limit and
// ends its threads when it goes.
class Address_Space_Cap {
public:
  Address_Space_Cap()
  {
    for (std::thread &holder : holders_)
      holder = std::thread([this] {
        started_++;
        while (!release_) std::this_thread::yield();
      });
    while (started_ < (int)std::size(holders_)) std::this_thread::yield();
    getrlimit(RLIMIT_AS, &saved_);
    unsigned long pages = 0;
    if (FILE *statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    rlimit capped = saved_;
    capped.rlim_cur = (rlim_t)pages * 4096 + (4 << 20);
    capped_ = pages != 0 && setrlimit(RLIMIT_AS, &capped) == 0;
  }
  ~Address_Space_Cap()
  {
    setrlimit(RLIMIT_AS, &saved_);
    release_ = true;
    for (std::thread &holder : holders_) holder.join();
  }
  bool capped() const { return capped_; }

private:
  std::thread holders_[8];
  std::atomic<int> started_{0};
  std::atomic<bool> release_{false};
  rlimit saved_;
  bool capped_ = false;
};

TEST_F(Job_Test, a_worker_that_cannot_start_ends_its_progress_writes_the_error_file_lines_and_gives_the_claim_back)
{
  struct Row {
    Job_Kind kind;
    const char *text;
  };
  for (Row row : {Row{JOB_SCAN, "Unable to start scan thread"}, Row{JOB_SORT, "Unable to start scan thread"},
                  Row{JOB_COPY, "Unable to start copy thread"}, Row{JOB_PUSH, "Unable to start push thread"}}) {
    SCOPED_TRACE(row.text);
    Message_Capture capture;
    ASSERT_EQ(Job_Claim(row.kind), 1);
    Job_Progress_Start(row.kind, nullptr, "Title", "", 1);
    int started, line;
    {
      Address_Space_Cap cap;
      if (!cap.capped()) GTEST_SKIP() << "the address space cannot be capped";
      line = __LINE__ + 1;
      started = Job_Run(row.kind, [kind = row.kind] { Job_End(kind); });
    }
    if (started) {
      Job_Wait(row.kind);
      GTEST_SKIP() << "a thread started under the cap";
    }
    EXPECT_FALSE(Job_Running(row.kind));
    EXPECT_EQ(ends_seen.exchange(0), 1);
    EXPECT_EQ(capture.Texts(MSG_ERRLOG).size(), 2u);
    EXPECT_EQ(capture.Count(MSG_ERRLOG, "job_test.cpp line:" + std::to_string(line)), 1);
    EXPECT_EQ(capture.Count(MSG_ERRLOG, row.text), 1);
    Job_Wait(row.kind);
  }
  EXPECT_EQ(views_freed.load(), 4);
}

TEST_F(Job_Test, the_error_file_names_the_starter_that_could_not_start_its_worker)
{
  Scoped_Temp_Env env;
  Copy_Settings settings;
  settings.dir_copy = env.root();
  Message_Capture capture;
  int started;
  {
    Address_Space_Cap cap;
    if (!cap.capped()) GTEST_SKIP() << "the address space cannot be capped";
    started = Copy_Start(nullptr, nullptr, &settings);
  }
  Copy_Wait(nullptr);
  if (started) GTEST_SKIP() << "a thread started under the cap";
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "file:app/menu_copy.cpp line:"), 1);
  EXPECT_EQ(capture.Count(MSG_ERRLOG, "Unable to start copy thread"), 1);
  EXPECT_FALSE(Job_Running(JOB_COPY));
}

}  // namespace
