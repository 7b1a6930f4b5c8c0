// The scan and sort workers. Each runs on its own thread, reports through its job's
// progress record and the thread kind of the message log, and ends with Job_End.
#include "app/list_work.h"

#include <cstdlib>

#include "app/dicom_dir_analyze.h"
#include "app/header_pass.h"
#include "app/job.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "util/message_log.h"
#include "util/progress.h"
#include "util/utility_directory.h"

// ---- scan -----------------------------------------------------------------------------------

// Stores `record` as the catalogue's next top directory record; false after a logged
// memory failure (the record is then freed).
static bool Top_Record_Store(item_catalogue *catalogue, item_dir &record)
{
  item_dir *grown = (item_dir *)std::realloc(catalogue->dir, (catalogue->nb_dir + 1) * sizeof(item_dir));
  if (!grown) {
    Message_Log(nullptr, MSG_THREAD, "Memory allocation error!");
    Catalogue_Free_Dir(&record);
    return false;
  }
  catalogue->dir = grown;
  catalogue->dir[catalogue->nb_dir++] = record;
  return true;
}

void Scan_Work(Scan_Job *job)
{
  Progress_Record *progress = Job_Progress(JOB_SCAN);
  const char *folder = job->folder.c_str();
  Progress_Write(progress, "\xF1 Dir: \x01%s", Log_Value_Escape(folder).c_str());
  Progress_Write(progress, "\xF1 Counting files...");
  // The count keeps its folder readings for the walk: each folder is read once.
  Listing_Store *listings = Listing_Store_Create();
  int count = File_Count(folder, progress, listings);
  Message_Log(nullptr, MSG_THREAD, "    Directory has \x01%d\x02 files", count);
  Progress_Write(progress, "\xF1 Directory has \x01%d\x02 files", count);
  Progress_Pause(progress, 100);
  Progress_Set_Range(progress, count);
  Progress_Set_Position(progress, 0);

  item_dir record{};
  if (!Job_Cancelled(JOB_SCAN)) {
    Progress_Write(progress, "\xF1 Searching for DICOM files...");
    DICOM_Dir_Analyze(&record, folder, folder, progress, listings);
    Progress_Write(progress, "\xF1 Found \x01%d\x02 DICOM files", record.nb_dicom);
    if (record.nb_lost > 0)
      Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 \x01%d\x02 path%s could not be read (each named above)",
                  record.nb_lost, record.nb_lost >= 2 ? "s" : "");
    Progress_Pause(progress, 100);
  }
  Listing_Store_Free(listings);
  if (record.nb_dicom != 0) {
    int found = record.nb_dicom;
    if (Top_Record_Store(job->catalogue, record)) {
      Message_Log(nullptr, MSG_THREAD, "    Of these \x01%d\x02 are DICOM", found);
      Progress_Write(progress, "\xF1 Updating file list...");
      List_Refresh(LIST_REFRESH_SCAN);
      Progress_Write(progress, "\xF1 Done");
      Progress_Pause(progress, 100);
    }
  } else {
    Catalogue_Free_Dir(&record);
    Message_Log(nullptr, MSG_THREAD, "Found no valid DICOM files in %s", Log_Value_Escape(folder).c_str());
  }
  Job_End(JOB_SCAN);
}

// ---- sort -----------------------------------------------------------------------------------

static const char *const sort_phase[] = {"", "\xF1 Sorting by Study ID...", "\xF1 Sorting by Study Date...",
                                         "\xF1 Sorting by Patient ID...", "\xF1 Sorting by Patient Name..."};

// Builds the tree of the job's order from the catalogue's studies and stores it in the
// slot; leaves the slot empty when cancelled or out of memory.
static void Sort_Build(Sort_Job *job, Progress_Record *progress, int files)
{
  item_catalogue *catalogue = job->catalogue;
  Progress_Write(progress, "\xF1 Creating sort list...");
  Progress_Set_Range(progress, files);
  Progress_Set_Position(progress, 0);
  int count = catalogue->nb_child;
  List_Sort_Entry *entries = (List_Sort_Entry *)std::calloc(count > 0 ? count : 1, sizeof(List_Sort_Entry));
  if (!entries) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), "sort_list", count, (int)sizeof(List_Sort_Entry));
    return;
  }
  for (int i = 0; i < count; i++) {
    entries[i].study = &catalogue->child[i];
    entries[i].index = i;
    if (i % 256 == 0) Progress_Pause(progress, 10);
    Progress_Set_Position(progress, i);
    if (Job_Cancelled(JOB_SORT)) {
      std::free(entries);
      return;
    }
  }
  Progress_Write(progress, "\xF1 Done");
  Progress_Pause(progress, 100);
  Progress_Set_Range(progress, files);
  Progress_Set_Position(progress, 0);
  Progress_Write(progress, "%s", sort_phase[job->order]);
  std::atomic_ref<List_Tree *>(*job->slot).store(List_Tree_Build(job->order, entries, catalogue));
  std::free(entries);
  Progress_Write(progress, "\xF1 Done");
  Progress_Pause(progress, 100);
  Progress_Write(progress, "\xF1 Updating file list...");
  List_Refresh(LIST_REFRESH_SORT);
  Progress_Write(progress, "\xF1 Done");
  Progress_Pause(progress, 100);
}

void Sort_Work(Sort_Job *job)
{
  Progress_Record *progress = Job_Progress(JOB_SORT);
  item_catalogue *catalogue = job->catalogue;
  item_dir *top = &catalogue->dir[catalogue->nb_dir - 1];
  bool complete = true;
  if (catalogue->nb_child == 0) {
    Progress_Write(progress, "\xF1 Parsing DICOM headers...");
    complete = Header_Pass(catalogue, top, progress);
    Progress_Write(progress, "\xF1 Done");
    Progress_Pause(progress, 100);
    if (!complete) Catalogue_Free_Studies(catalogue);
  }
  if (complete) {
    for (int s = 0; s < catalogue->nb_child; s++) {
      item_study &study = catalogue->child[s];
      study.nb_image = 0;
      for (int r = 0; r < study.nb_child; r++) study.nb_image += study.child[r].nb_child;
    }
    Sort_Build(job, progress, top->nb_dicom);
  }
  Job_End(JOB_SORT);
  // The kind is free now: a request refused while this sort ran can start its own.
  if (job->waiting.exchange(false)) List_Refresh(LIST_REFRESH_SORT);
}
