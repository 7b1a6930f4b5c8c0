// The push job: its starter, its one process-wide record and its worker. The worker
// reads each file's meta header, sends the file through the C-STORE client (naming the
// file after it, which the client reads ahead while it waits for the server), marks the
// file entry, writes the audit line, and deals with the file: deleted after a
// confirmed store when asked, copied (or moved) into the fail folder after a failure
// when asked. A file the server did not confirm is never deleted. The settings are
// copied into the record when the job starts, so that a change in the settings window
// does not reach a job halfway.
//
// A cancel reaches the C-STORE client through its cancel test (the job's cancel flag
// or its progress record's), so the association in progress is aborted at once; that
// file is marked failed and audited as failed but, since the operator stopped the job,
// neither copied nor moved into the fail folder, and no later file is touched.
#include "app/menu_push.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include "app/configuration.h"
#include "app/dcmtk_cstore.h"
#include "app/file_to_folder.h"
#include "app/job.h"
#include "app/list_thread.h"
#include "app/number_text.h"
#include "util/message_log.h"
#include "util/path_split.h"
#include "util/progress.h"
#include "util/utility_directory.h"

namespace {

typedef std::chrono::steady_clock Clock;

struct Push_Job {
  std::vector<item_file *> files;  // the work list, in tree order
  std::string peer, port, server_AET, local_AET, dir_fail;
  bool flag_fail = false, delete_push = false;
  CSTORE_Limits limits = {};
  Progress_Record *progress = nullptr;  // Job_Progress(JOB_PUSH), for the worker
  Push_Listener listener;               // told of each file, or empty
  Push_Result result;
};

Push_Job push_job;

double Seconds_Since(Clock::time_point start)
{
  return (double)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 1000.0;
}

bool Push_Cancelled() { return Job_Cancelled(JOB_PUSH); }

void Timing_Trace(const char *format, Clock::time_point start)
{
  if (trace_level.load() != 0) Message_Log(nullptr, MSG_TRACE, format, Seconds_Since(start));
}

// Sends one file; returns 1 when stored, 0 when it failed, -1 when its meta header could
// not be read (not sent, not marked).
int Push_File(Push_Job *job, item_file *entry, int index, bool *rescan)
{
  const Clock::time_point start = Clock::now();
  const std::string path = Log_Value_Escape(entry->path);
  Message_Log(nullptr, MSG_THREAD, "%d  \x01%s", index + 1, path.c_str());
  Progress_Write(job->progress, "  \x01%s", path.c_str());
  Push_File_Outcome outcome;
  outcome.index = index;
  outcome.path = entry->path;
  char transfer_syntax[64] = "", sop_class[64] = "";
  if (!Part10_Meta_Read(entry->path, transfer_syntax, sop_class)) {
    outcome.skipped = true;
    if (job->listener) job->listener(outcome);
    return -1;
  }
  const std::string shown_class = Log_Value_Escape(sop_class), shown_syntax = Log_Value_Escape(transfer_syntax);
  Progress_Write(job->progress, "    storage class:   \"%s\"", shown_class.c_str());
  Progress_Write(job->progress, "    transfer syntax: \"%s\"", shown_syntax.c_str());
  if (trace_level.load() != 0) {
    Timing_Trace("    timing preparation: %.3f sec", start);
    Message_Log(nullptr, MSG_TRACE, "    storage class:   \"%s\"", shown_class.c_str());
    Message_Log(nullptr, MSG_TRACE, "    transfer syntax: \"%s\"", shown_syntax.c_str());
  }

  const char *next_path = index + 1 < (int)job->files.size() ? job->files[index + 1]->path : nullptr;
  const int stored = DCMTK_CSTORE(entry->path, job->peer.c_str(), job->server_AET.c_str(), std::atoi(job->port.c_str()),
                                  job->local_AET.c_str(), transfer_syntax, sop_class, job->progress, job->limits,
                                  next_path);
  entry->copy_state = stored ? COPY_DONE : COPY_FAILED;
  const CSTORE_Answer answer = DCMTK_CSTORE_Last_Answer();
  outcome.sop_instance = answer.sop_instance;
  outcome.status = answer.status;
  outcome.stored = stored != 0;
  const std::string number = Number_Text_Thousands(index + 1);
  if (stored) {
    Message_Log(nullptr, MSG_AUDIT, "        [%s] %s: success", number.c_str(), path.c_str());
    if (job->delete_push) {
      if (File_Delete(entry->path)) *rescan = true;
      else Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 Unable to delete \x01%s", path.c_str());
    }
  } else {
    Message_Log(nullptr, MSG_AUDIT, "ERROR:  [%s] %s: failed", number.c_str(), path.c_str());
    if (job->flag_fail && !Push_Cancelled()) {
      if (job->delete_push) File_Move_To(entry->path, job->dir_fail.c_str());
      else File_Copy_To(entry->path, job->dir_fail.c_str());
    }
  }
  Timing_Trace("    timing transfer: %.3f sec", start);
  if (job->listener) job->listener(outcome);
  List_Refresh(LIST_REFRESH_REDRAW);
  Timing_Trace("    timing total: %.3f sec", start);
  return stored;
}

// The summary, as thread messages and in the audit trail: one line when every file was
// pushed; otherwise the failures out of the count, then a line with the files stored,
// failed and not tried (the files after a cancel).
void Push_Summary(const Push_Result &result)
{
  const std::string count = Number_Text_Thousands(result.count);
  const std::string stored = Number_Text_Thousands(result.successes);
  const std::string failed = Number_Text_Thousands(result.failures);
  const std::string not_tried = Number_Text_Thousands(result.count - result.successes - result.failures);
  for (int kind : {MSG_THREAD, MSG_AUDIT}) {
    if (result.successes == result.count) {
      Message_Log(nullptr, kind, "\xF1\x02" "Done: All \x01%s\x02 files pushed", count.c_str());
      continue;
    }
    Message_Log(nullptr, kind, "\xF1\x02" "Done: Failed \x04%s\x02 file%s out of \x01%s", failed.c_str(),
                result.failures >= 2 ? "s" : "", count.c_str());
    Message_Log(nullptr, kind, "\xF1\x02      stored \x01%s\x02, failed \x04%s\x02, not tried \x01%s", stored.c_str(),
                failed.c_str(), not_tried.c_str());
  }
}

void Push_Thread(Push_Job *job)
{
  job->progress = Job_Progress(JOB_PUSH);
  Push_Result result;
  result.count = (int)job->files.size();
  if (result.count) {
    std::string folder;
    Path_Split(job->files[0]->path, &folder, nullptr, nullptr);
    folder = Log_Value_Escape(folder);
    Progress_Set_Range(job->progress, result.count);
    Progress_Write(job->progress, "\xF1\x02 Pushing: \x01%d\x02 files from \x01%s", result.count, folder.c_str());
    Message_Log(nullptr, MSG_THREAD, "\xF1Pushing \x01%d\x02 files from \x01%s\x02 to \x01%s:%s", result.count,
                folder.c_str(), job->peer.c_str(), job->port.c_str());
    Message_Log(nullptr, MSG_AUDIT, "Pushing %d files from %s to %s:%s", result.count, folder.c_str(),
                job->peer.c_str(), job->port.c_str());
  }
  bool rescan = false;
  for (int i = 0; i < result.count; ++i) {
    Progress_Set_Position(job->progress, i);
    if (Job_Cancelled(JOB_PUSH)) {
      result.cancelled = true;
      break;
    }
    const int pushed = Push_File(job, job->files[i], i, &rescan);
    if (pushed == 1) result.successes++;
    else result.failures++;
    if (pushed < 0) result.skipped++;
  }
  Push_Summary(result);
  job->result = result;
  job->files.clear();
  job->listener = nullptr;
  job->progress = nullptr;
  // Deleted files have left the catalogue's folder.
  Job_Rescan_Ask(JOB_PUSH, rescan);
  Job_End(JOB_PUSH);
}

}  // namespace

int Push_Start(const std::vector<item_file *> &files, const Push_Listener &listener)
{
  if (!Job_Claim_Reported(JOB_PUSH, nullptr)) return 0;
  DCMTK_CSTORE_Prepare();
  push_job.files = files;
  push_job.listener = listener;
  push_job.peer = server_peer;
  push_job.port = server_port;
  push_job.server_AET = server_AET;
  push_job.local_AET = local_AET;
  push_job.dir_fail = dir_fail;
  push_job.flag_fail = flag_fail != 0;
  push_job.delete_push = delete_push != 0;
  push_job.limits = {timeout_connect, timeout_acse, timeout_dimse, Push_Cancelled};
  push_job.result = Push_Result();
  Job_Progress_Start(JOB_PUSH, nullptr, "Pushing", "Pushing to DICOM Server", 0);
  return Job_Run(JOB_PUSH, [] { Push_Thread(&push_job); });
}

Push_Result Push_Wait()
{
  Job_Wait(JOB_PUSH);
  Job_Rescan_Finish();
  return push_job.result;
}

void Push_Cancel() { Job_Cancel(JOB_PUSH); }
