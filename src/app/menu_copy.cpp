// The copy job: starter, worker, the work on one file (target, collisions, copy or move,
// audit) and the job's process-wide record. The job works from a snapshot of the
// settings, so that the settings window may change them while it runs.
#include "app/menu_copy.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "app/catalogue.h"
#include "app/configuration.h"
#include "app/copy_data.h"
#include "app/copy_values.h"
#include "app/job.h"
#include "app/list_rows.h"
#include "app/list_thread.h"
#include "util/message_log.h"
#include "util/progress.h"

// The copy job's arguments and outcome; its record is the job protocol's (app/job.h).
struct Copy_Job {
  Copy_Settings settings;
  List_Tree *root = nullptr;
  Copy_Result result;
};

static Copy_Job copy_job;

Copy_Settings Copy_Settings_Current()
{
  Copy_Settings settings;
  settings.dir_copy = dir_copy;
  if (!settings.dir_copy.empty() && settings.dir_copy.back() != '/') settings.dir_copy += '/';
  settings.sub_dir = flag_sub_dir;
  settings.dicomdir = flag_dicomdir;
  settings.standard_name = flag_standard_name;
  settings.move = delete_copy;
  return settings;
}

// ---- target -------------------------------------------------------------------------------

// True when something (a file, a folder, a dangling link) has this name already, or the
// plan holds it.
static bool Name_Taken(const std::string &path, const std::set<std::string> *planned)
{
  struct stat info;
  return lstat(path.c_str(), &info) == 0 || (planned && planned->count(path));
}

int Copy_Target(const Copy_Settings &settings, const char *source, bool create, std::set<std::string> *planned,
                std::string *target)
{
  target->clear();
  Copy_Values values;
  if (!Copy_Values_Read(source, &values)) return 0;
  Copy_Name name = settings.dicomdir
                       ? Copy_Name_DICOMDIR(values)
                       : Copy_Name_Ordinary(values, settings.sub_dir, settings.standard_name, source);
  std::string path = settings.dir_copy;
  for (const std::string &folder : name.folders) {
    path += folder + "/";
    if (create) mkdir(path.c_str(), 0777);  // an existing folder or a missing parent is passed over
  }
  path += name.file;
  std::string chosen = path;
  if (Name_Taken(path, planned)) {
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 File (%s) already exist!", Log_Value_Escape(path).c_str());
    chosen.clear();
    for (int number = 1; number <= 99 && chosen.empty(); number++) {
      char suffix[12];
      std::snprintf(suffix, sizeof suffix, "%02d", number);
      if (!Name_Taken(path + suffix, planned)) chosen = path + suffix;
    }
    if (chosen.empty()) {
      Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 No free name left for \x01%s", Log_Value_Escape(path).c_str());
      return 0;
    }
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 renamed to (%s)", Log_Value_Escape(chosen).c_str());
  }
  if (planned) planned->insert(chosen);
  *target = chosen;
  return 1;
}

// ---- one file -----------------------------------------------------------------------------

static std::string Audit_Time() { return Log_Local_Time("%d %b %Y %H:%M:%S").substr(0, 79); }

static int Move_File(const char *source, const std::string &target)
{
  if (!Copy_Rename(source, target.c_str())) {
    const char *reason = std::strerror(errno);
    Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02\t Unable to move \x01%s", Log_Value_Escape(source).c_str());
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t to \x01%s", Log_Value_Escape(target).c_str());
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t %s", reason);
    return 0;
  }
  Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  %s moved %s to %s", Audit_Time().c_str(), Log_Value_Escape(source).c_str(),
              Log_Value_Escape(target).c_str());
  Message_Log(nullptr, MSG_THREAD, "\x02    moved to \x01%s\x02", Log_Value_Escape(target).c_str());
  return 1;
}

static int Duplicate_File(const Copy_Settings &settings, const char *source, const std::string &target)
{
  if (!Copy_Data(source, target.c_str(), settings.block_size)) {
    Message_Log(nullptr, MSG_AUDIT, "WARNING: Failed to copy file %s to the %s dir", Log_Value_Escape(source).c_str(),
                Log_Value_Escape(settings.dir_copy).c_str());
    return 0;
  }
  Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  %s copied %s to %s", Audit_Time().c_str(), Log_Value_Escape(source).c_str(),
              Log_Value_Escape(target).c_str());
  Message_Log(nullptr, MSG_THREAD, "\x02    copied to \x01%s\x02", Log_Value_Escape(target).c_str());
  return 1;
}

int Copy_File(const Copy_Settings &settings, const char *source)
{
  std::string target;
  if (!Copy_Target(settings, source, true, nullptr, &target)) return 0;
  return settings.move ? Move_File(source, target) : Duplicate_File(settings, source, target);
}

// ---- the job ------------------------------------------------------------------------------

static void Copy_Thread(Copy_Job *job)
{
  Progress_Record *progress = Job_Progress(JOB_COPY);
  Copy_Result &result = job->result;
  List_Rows rows = {};
  List_Rows_Init(rows);
  rows.root = job->root;
  item_file **files = nullptr;
  List_Rows_Collect_Selected(rows, &files, &result.count);
  Progress_Set_Range(progress, result.count);
  Progress_Write(progress, "\xF1\x02 Copying: \x01%d\x02 files", result.count);
  Message_Log(nullptr, MSG_THREAD, "\xF1 Copying \x01%d\x02 files", result.count);
  for (int i = 0; i < result.count; i++) {
    Progress_Set_Position(progress, i);
    if (Job_Cancelled(JOB_COPY)) {
      result.cancelled = true;
      break;
    }
    item_file *file = files[i];
    Message_Log(nullptr, MSG_THREAD, "%d  \x01%s", i + 1, Log_Value_Escape(file->path).c_str());
    Progress_Write(progress, "  \x01%s", Log_Value_Escape(file->path).c_str());
    int ok = Copy_File(job->settings, file->path);
    file->copy_state = ok ? COPY_DONE : COPY_FAILED;
    (ok ? result.done : result.failed)++;
    List_Refresh(LIST_REFRESH_REDRAW);
  }
  if (result.done == result.count)
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "Done: All \x01%d\x02 images copied", result.count);
  else
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "Done: Failed \x04%d\x02 image%s out of \x01%d", result.failed,
                result.failed >= 2 ? "s" : "", result.count);
  std::free(files);
  // Moved files have left the catalogue's folder.
  Job_Rescan_Ask(JOB_COPY, job->settings.move && result.done > 0);
  Job_End(JOB_COPY);
}

int Copy_Start(Window_Handle owner, List_Tree *root, const Copy_Settings *chosen)
{
  if (!Job_Claim_Reported(JOB_COPY, owner)) return 0;
  Copy_Settings settings = chosen ? *chosen : Copy_Settings_Current();
  if (settings.dir_copy.empty()) {
    Message_Log(owner, MSG_WARNING, "No copy folder is set: choose one on the Copy page of the settings.");
    Job_Unclaim(JOB_COPY);
    return 0;
  }
  copy_job.settings = settings;
  copy_job.root = root;
  copy_job.result = Copy_Result();
  std::string subtitle = "Copying to " + settings.dir_copy;
  Job_Progress_Start(JOB_COPY, owner, "Copying", subtitle.c_str(), 0);
  return Job_Run(JOB_COPY, [] { Copy_Thread(&copy_job); });
}

void Copy_Wait(Copy_Result *result)
{
  Job_Wait(JOB_COPY);
  Job_Rescan_Finish();
  if (result) *result = copy_job.result;
}

void Copy_Cancel() { Job_Cancel(JOB_COPY); }
