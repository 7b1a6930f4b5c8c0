// The starters of the scan and sort jobs, their process-wide records, the list-pane
// refresh hook and the pacing switch.
#include "app/list_thread.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

#include "app/list_sort.h"
#include "app/list_work.h"
#include "util/message_log.h"

std::atomic<List_Refresh_Function> list_refresh{nullptr};
std::atomic<bool> job_pacing{false};

static Scan_Job scan_job;
static Sort_Job sort_job;

void List_Refresh(int mode)
{
  List_Refresh_Function refresh = list_refresh.load();
  if (refresh) refresh(mode);
}

// Joins the worker of a job record and gives back the reference kept for cancelling.
template <class Job> static void Job_Wait(Job &job)
{
  if (job.thread.joinable()) job.thread.join();
  Progress_Release(job.held);
  job.held = nullptr;
}

// Makes the job's progress record (none when `title` is null), shown, paced by the
// switch, with range `range`; the job record keeps a second reference for cancelling.
template <class Job> static void Job_Progress(Job &job, const char *title, const char *subtitle, int range)
{
  job.progress = title ? Progress_Create(nullptr, title, subtitle, nullptr, 0) : nullptr;
  if (!job.progress) return;
  job.progress->paced.store(job_pacing.load());
  Progress_Retain(job.progress);
  job.held = job.progress;
  Progress_Show(job.progress);
  Progress_Set_Range(job.progress, range);
}

// Starts `work` on the job; on failure ends the progress and writes the error-file
// lines. Returns 1 when the thread runs.
template <class Job> static int Job_Thread(Job &job, void (*work)(Job *), int line)
{
  try {
    job.thread = std::thread(work, &job);
    return 1;
  } catch (const std::system_error &) {
    Progress_End(job.progress);
    job.progress = nullptr;
    Message_Log(nullptr, MSG_ERRLOG, "file:%s line:%d", Log_Source_Name(__FILE__), line);
    Message_Log(nullptr, MSG_ERRLOG, "Unable to start scan thread");
    return 0;
  }
}

int Scan_Start(const char *folder)
{
  if (!folder || !*folder) return 0;
  // The catalogue is about to be freed: a job still reading it stops first.
  Sort_Cancel();
  Sort_Wait();
  Scan_Wait();
  Message_Log(nullptr, MSG_REPORT, "\xF1\x02" "Dir: \x01%s", folder);
  List_Refresh(LIST_REFRESH_CLEAR);
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  Dir_List.path = strdup(folder);
  if (!Dir_List.path) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", __LINE__,
                Log_Source_Name(__FILE__), "Dir_List.path");
    return 0;
  }
  scan_job.folder = folder;
  scan_job.catalogue = &Dir_List;
  Job_Progress(scan_job, "Scanning", "Looking for DICOM files", 1);
  Progress_Write(scan_job.progress, "\x01 Scanning: \x01%s", folder);
  return Job_Thread(scan_job, Scan_Work, __LINE__);
}

int Sort_Start(item_catalogue *catalogue, List_Tree **slot, int order)
{
  if (order == SORT_FILE) {
    *slot = List_Tree_File(catalogue);
    return 1;
  }
  if (order < SORT_STUDY_ID || order > SORT_PATIENT_NAME || catalogue->nb_dir == 0) return 0;
  Sort_Wait();
  static const char *const subtitles[] = {"", "Creating sort by Study ID", "Creating sort by Study date",
                                          "Creating sort by Patient ID", "Creating sort by Patient name"};
  int files = catalogue->dir[catalogue->nb_dir - 1].nb_dicom;
  Job_Progress(sort_job, files < 11 ? nullptr : "Sort Structure", subtitles[order], files);
  sort_job.order = order;
  sort_job.slot = slot;
  sort_job.catalogue = catalogue;
  Job_Thread(sort_job, Sort_Work, __LINE__);
  return 0;
}

void Scan_Wait() { Job_Wait(scan_job); }
void Sort_Wait() { Job_Wait(sort_job); }

void Scan_Cancel() { Progress_Cancel(scan_job.held); }
void Sort_Cancel() { Progress_Cancel(sort_job.held); }
