// The job protocol: the four process-wide job records and the operations on them, and
// the rescan that the copy and push jobs ask of the catalogue's thread. A record's
// running flag is the one rule for "a job of this kind runs"; its thread and progress
// fields belong to the catalogue's thread between jobs and to the worker while it runs.
#include "app/job.h"

#include <string>
#include <system_error>
#include <thread>

#include "app/catalogue.h"
#include "app/list_thread.h"
#include "util/message_log.h"
#include "util/progress.h"

namespace {

struct Job_Record {
  Job_Record(const char *name) : thread_name(name) {}
  const char *thread_name;                       // names the thread in the error file
  std::thread thread;                            // the worker started last
  Progress_Record *progress = nullptr;           // the worker's reference (ended by Job_End)
  std::atomic<Progress_Record *> held{nullptr};  // the reference kept for Job_Cancel
  std::atomic<bool> running{false};              // claimed, until Job_End's last act
  std::atomic<bool> cancelled{false};            // Job_Cancel's flag, read by the worker
  std::atomic<bool> ending{false};               // the worker passed Job_Rescan_Ask
};

Job_Record jobs[JOB_KINDS] = {{"scan"}, {"scan"}, {"copy"}, {"push"}};

// Job_Cancel calls under way: the held reference is not given back while one runs.
std::atomic<int> cancelling{0};

// A copy or push job moved or deleted files of the catalogue's folder.
std::atomic<bool> rescan_pending{false};

// Gives back the reference kept for cancelling, once no Job_Cancel can be using it.
void Job_Hold_Drop(Job_Record &job)
{
  Progress_Record *held = job.held.exchange(nullptr);
  while (cancelling.load() != 0) std::this_thread::yield();
  Progress_Release(held);
}

}  // namespace

std::atomic<Job_Rescan_Function> job_rescan{nullptr};

const char *Job_Thread_Name(Job_Kind kind) { return jobs[kind].thread_name; }

// ---- claim ----------------------------------------------------------------------------

int Job_Claim(Job_Kind kind)
{
  Job_Record &job = jobs[kind];
  if (job.running.exchange(true)) return 0;
  Job_Wait(kind);
  job.progress = nullptr;
  job.cancelled.store(false);
  job.ending.store(false);
  return 1;
}

int Job_Claim_Reported(Job_Kind kind, Window_Handle owner)
{
  if (Job_Claim(kind)) return 1;
  Message_Log(owner, MSG_WARNING, "A %s job is running already: wait for it to end before starting another.",
              Job_Thread_Name(kind));
  return 0;
}

void Job_Unclaim(Job_Kind kind) { jobs[kind].running.store(false); }

bool Job_Running(Job_Kind kind) { return jobs[kind].running.load(); }

// ---- progress -------------------------------------------------------------------------

Progress_Record *Job_Progress_Start(Job_Kind kind, Window_Handle owner, const char *title, const char *subtitle,
                                    int range)
{
  Job_Record &job = jobs[kind];
  job.progress = title ? Progress_Create(owner, title, subtitle, nullptr, 0) : nullptr;
  if (!job.progress) return nullptr;
  job.progress->paced.store(job_pacing.load());
  Progress_Retain(job.progress);
  job.held.store(job.progress);
  Progress_Show(job.progress);
  Progress_Set_Range(job.progress, range);
  return job.progress;
}

Progress_Record *Job_Progress(Job_Kind kind) { return jobs[kind].progress; }

// ---- start and end --------------------------------------------------------------------

int Job_Run(Job_Kind kind, std::function<void()> work, std::source_location where)
{
  Job_Record &job = jobs[kind];
  try {
    job.thread = std::thread([work = std::move(work)] {
      Log_Files_Hold log_files;  // a job writes audit lines file by file
      work();
    });
    return 1;
  } catch (const std::system_error &) {
    Progress_End(job.progress);
    job.progress = nullptr;
    Job_Hold_Drop(job);
    Message_Log(nullptr, MSG_ERRLOG, "file:%s line:%d", Log_Source_Name(where.file_name()), (int)where.line());
    Message_Log(nullptr, MSG_ERRLOG, "Unable to start %s thread", job.thread_name);
    job.running.store(false);
    return 0;
  }
}

void Job_End(Job_Kind kind)
{
  Job_Record &job = jobs[kind];
  Progress_End(job.progress);
  job.progress = nullptr;
  job.running.store(false);
}

// ---- wait and cancel ------------------------------------------------------------------

void Job_Wait(Job_Kind kind)
{
  Job_Record &job = jobs[kind];
  if (job.thread.joinable()) job.thread.join();
  Job_Hold_Drop(job);
}

void Job_Cancel(Job_Kind kind)
{
  Job_Record &job = jobs[kind];
  job.cancelled.store(true);
  cancelling.fetch_add(1);
  Progress_Cancel(job.held.load());
  cancelling.fetch_sub(1);
}

bool Job_Cancelled(Job_Kind kind)
{
  Job_Record &job = jobs[kind];
  return job.cancelled.load() || Progress_Cancelled(job.progress);
}

// ---- rescan ---------------------------------------------------------------------------

void Job_Rescan_Ask(Job_Kind kind, bool wanted)
{
  // The flag is set before the pending rescan is read, and Job_Rescan_Run reads the
  // flags after the pending rescan was set: either this job sees the rescan and asks,
  // or Job_Rescan_Run sees the job at its end and waits for it.
  jobs[kind].ending.store(true);
  if (wanted) rescan_pending.store(true);
  Job_Rescan_Function rescan = job_rescan.load();
  if (rescan && rescan_pending.load()) rescan();
}

int Job_Rescan_Run()
{
  if (!rescan_pending.load()) return 0;
  for (Job_Kind kind : {JOB_COPY, JOB_PUSH})
    if (jobs[kind].running.load() && !jobs[kind].ending.load()) return 0;
  if (!rescan_pending.exchange(false)) return 0;
  Job_Wait(JOB_COPY);
  Job_Wait(JOB_PUSH);
  if (!Dir_List.path) return 0;
  const std::string folder = Dir_List.path;  // the scan frees the catalogue, path included
  return Scan_Start(folder.c_str());
}

void Job_Rescan_Finish()
{
  if (!job_rescan.load() && Job_Rescan_Run()) Job_Wait(JOB_SCAN);
}
