// The starters of the scan and sort jobs over the job protocol (app/job.h), their
// arguments, the list-pane refresh hook and the pacing switch.
#include "app/list_thread.h"

#include <cstdlib>
#include <cstring>

#include "app/job.h"
#include "app/list_sort.h"
#include "app/list_work.h"
#include "util/message_log.h"
#include "util/progress.h"

std::atomic<List_Refresh_Function> list_refresh{nullptr};
std::atomic<bool> job_pacing{false};

static Scan_Job scan_job;
static Sort_Job sort_job;

void List_Refresh(int mode)
{
  List_Refresh_Function refresh = list_refresh.load();
  if (refresh) refresh(mode);
}

int Scan_Start(const char *folder)
{
  if (!folder || !*folder) return 0;
  for (Job_Kind reader : {JOB_COPY, JOB_PUSH}) {
    if (Job_Running(reader)) {
      Message_Log(nullptr, MSG_WARNING, "A %s job is running: wait for it to end before scanning a folder.",
                  Job_Thread_Name(reader));
      return 0;
    }
  }
  // The catalogue is about to be freed: a job still reading it stops first.
  for (Job_Kind reader : {JOB_SORT, JOB_SCAN}) {
    Job_Cancel(reader);
    Job_Wait(reader);
  }
  if (!Job_Claim(JOB_SCAN)) return 0;
  Message_Log(nullptr, MSG_REPORT, "\xF1\x02" "Dir: \x01%s", Log_Value_Escape(folder).c_str());
  List_Refresh(LIST_REFRESH_CLEAR);
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  Dir_List.path = strdup(folder);
  if (!Dir_List.path) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", __LINE__,
                Log_Source_Name(__FILE__), "Dir_List.path");
    Job_Unclaim(JOB_SCAN);
    return 0;
  }
  scan_job.folder = folder;
  scan_job.catalogue = &Dir_List;
  Progress_Record *progress = Job_Progress_Start(JOB_SCAN, nullptr, "Scanning", "Looking for DICOM files", 1);
  Progress_Write(progress, "\x01 Scanning: \x01%s", Log_Value_Escape(folder).c_str());
  return Job_Run(JOB_SCAN, [] { Scan_Work(&scan_job); });
}

// The tree in `slot`, read as the sort worker writes it (atomically, once complete).
static List_Tree *Slot_Tree(List_Tree **slot) { return std::atomic_ref<List_Tree *>(*slot).load(); }

int Sort_Start(item_catalogue *catalogue, List_Tree **slot, int order)
{
  if (order < SORT_FILE || order > SORT_PATIENT_NAME) return 0;
  if (Slot_Tree(slot)) return 1;
  if (order == SORT_FILE) {
    *slot = List_Tree_File(catalogue);
    return 1;
  }
  if (catalogue->nb_dir == 0) return 0;
  // A request the running sort does not serve is noted before the claim is tried: a
  // sort that ends between a refused claim and the note would never see it.
  if (!(Job_Running(JOB_SORT) && sort_job.slot == slot)) sort_job.waiting.store(true);
  if (!Job_Claim(JOB_SORT)) return 0;
  sort_job.waiting.store(false);
  if (Slot_Tree(slot)) {  // filled by the sort that ended just now
    Job_Unclaim(JOB_SORT);
    return 1;
  }
  static const char *const subtitles[] = {"", "Creating sort by Study ID", "Creating sort by Study date",
                                          "Creating sort by Patient ID", "Creating sort by Patient name"};
  int files = catalogue->dir[catalogue->nb_dir - 1].nb_dicom;
  Job_Progress_Start(JOB_SORT, nullptr, files < 11 ? nullptr : "Sort Structure", subtitles[order], files);
  sort_job.order = order;
  sort_job.slot = slot;
  sort_job.catalogue = catalogue;
  Job_Run(JOB_SORT, [] { Sort_Work(&sort_job); });
  return 0;
}

void Scan_Wait() { Job_Wait(JOB_SCAN); }
void Sort_Wait() { Job_Wait(JOB_SORT); }

void Scan_Cancel() { Job_Cancel(JOB_SCAN); }
void Sort_Cancel() { Job_Cancel(JOB_SORT); }
