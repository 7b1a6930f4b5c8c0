// The copy job: starter, worker, the work on one file (target folder, copy or move by
// the file-copy core, audit) and the job's process-wide record. The job works from a snapshot of the
// settings, so that the settings window may change them while it runs.
#include "app/menu_copy.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "app/catalogue.h"
#include "app/configuration.h"
#include "app/copy_ahead.h"
#include "app/copy_data.h"
#include "app/copy_media_directory.h"
#include "app/copy_values.h"
#include "app/job.h"
#include "app/list_rows.h"
#include "app/list_thread.h"
#include "platform/os/os_files.h"
#include "util/message_log.h"
#include "util/progress.h"
#include "util/utility_directory.h"

// The copy job's arguments and outcome; its record is the job protocol's (app/job.h).
struct Copy_Job {
  Copy_Settings settings;
  List_Tree *root = nullptr;
  Copy_Result result;
};

static Copy_Job copy_job;

// The cause of the last failure reported on this thread, for the job's result: the
// error lines' text on one line.
static thread_local std::string failure_cause;

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

// Reads the header of `source` (through `open`, when not null) and names it by the
// scheme of `settings`; with `header`, it also reads what a DICOMDIR takes and hands the
// header over there (see Copy_Values_Read_For_Directory). Returns 0 when the header
// gives no list (reported by the header reader).
static int Name_Read(const Copy_Settings &settings, const char *source, const Copy_Open_Source *open,
                     Copy_Name *name, DICOM_Attribute **header = nullptr)
{
  Copy_Values values;
  if (!(header ? Copy_Values_Read_For_Directory(source, &values, header, open)
               : Copy_Values_Read(source, &values, open)))
    return 0;
  *name = settings.dicomdir ? Copy_Name_DICOMDIR(values)
                            : Copy_Name_Ordinary(values, settings.sub_dir, settings.standard_name, source);
  return 1;
}

static std::string Folder_Path(const Copy_Settings &settings, const Copy_Name &name)
{
  std::string path = settings.dir_copy;
  for (const std::string &folder : name.folders) path += folder + "/";
  return path;
}

// True when something (a file, a folder, a dangling link) has this name already, or the
// plan holds it.
static bool Name_Taken(const std::string &path, const std::set<std::string> &planned)
{
  struct stat info;
  return lstat(path.c_str(), &info) == 0 || planned.count(path);
}

int Copy_Target(const Copy_Settings &settings, const char *source, std::set<std::string> *planned,
                std::string *target)
{
  target->clear();
  Copy_Name name;
  if (!Name_Read(settings, source, nullptr, &name)) return COPY_FILE_NOT_DICOM;
  std::string path = Folder_Path(settings, name) + name.file;
  std::string chosen = path;
  if (Name_Taken(path, *planned)) {
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 File (%s) already exist!", Log_Value_Escape(path).c_str());
    chosen.clear();
    for (int number = 1; number <= COPY_NUMBERED_MAX && chosen.empty(); number++) {
      char suffix[12];
      std::snprintf(suffix, sizeof suffix, "%02d", number);
      if (!Name_Taken(path + suffix, *planned)) chosen = path + suffix;
    }
    if (chosen.empty()) {
      Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 No free name left for \x01%s", Log_Value_Escape(path).c_str());
      return COPY_FILE_FAILED;
    }
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 renamed to (%s)", Log_Value_Escape(chosen).c_str());
  }
  planned->insert(chosen);
  *target = chosen;
  return COPY_FILE_DONE;
}

// ---- one file -----------------------------------------------------------------------------

static std::string Audit_Time() { return Log_Local_Time("%d %b %Y %H:%M:%S").substr(0, 79); }

// The two thread lines of a failed step: what failed on which path, and the reason.
static void Copy_Error(const char *what, const std::string &path, int error)
{
  Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 %s \x01%s", what, Log_Value_Escape(path).c_str());
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t %s", std::strerror(error));
  failure_cause = std::string(what) + " " + path + ": " + std::strerror(error);
}

static void Name_Taken_Error(const std::string &target)
{
  Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 No free name left for \x01%s", Log_Value_Escape(target).c_str());
  failure_cause = "No free name left for " + target;
}

Copy_Folders::~Copy_Folders()
{
  if (leaf >= 0) close(leaf);
  if (root >= 0) close(root);
}

// Opens the folder that `name` goes into: dir_copy itself (the operator's choice, a link
// there is followed), then each of the name's folders below it, created when missing and
// entered without following a link, so that a link planted in the target folder leads
// no copy out of it. The descriptors stay in `folders`, so that the next file for the
// same folder finds it open (bound to the folder entered, whatever is renamed since).
// Returns the descriptor (owned by `folders`), with *path the folder's path ending with
// "/" and *inheritance what a new file takes from it (Os_Folder_Inheritance, "" when not
// known); returns -1 after the error lines (the link named, or the folder that cannot be
// opened or made, with the reason), errno set.
static int Target_Folder_Open(const Copy_Settings &settings, const Copy_Name &name, Copy_Folders *folders,
                              std::string *path, std::string *inheritance)
{
  const std::string wanted = Folder_Path(settings, name);
  if (folders->leaf >= 0 && folders->leaf_path == wanted) {
    *path = wanted;
    *inheritance = folders->leaf_inheritance;
    return folders->leaf;
  }
  if (folders->root < 0) folders->root = open(settings.dir_copy.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  *path = settings.dir_copy;
  int folder = folders->root;
  std::string failed = settings.dir_copy;
  for (size_t i = 0; folder >= 0 && i < name.folders.size(); i++) {
    int below = Directory_Open_Child(folder, name.folders[i].c_str(), true);
    int error = errno;
    if (folder != folders->root) close(folder);
    errno = error;
    folder = below;
    failed = *path + name.folders[i];
    if (folder >= 0) *path += name.folders[i] + "/";
  }
  if (folder >= 0) {
    std::string *known = &folders->root_inheritance;
    if (folder != folders->root) {
      if (folders->leaf >= 0) close(folders->leaf);
      folders->leaf = folder;
      folders->leaf_path = wanted;
      folders->leaf_inheritance.clear();
      known = &folders->leaf_inheritance;
    }
    if (known->empty() && !Os_Folder_Inheritance(folder, known)) known->clear();
    *inheritance = *known;
    return folder;
  }
  int error = errno;
  if (error == ELOOP) {
    Message_Log(nullptr, MSG_THREAD,
                "\xF1\x04" "ERROR:\x02 \x01%s\x02 is a symbolic link: a copy never follows a link inside its target folder",
                Log_Value_Escape(failed).c_str());
    failure_cause = failed + " is a symbolic link: a copy never follows a link inside its target folder";
  } else {
    Copy_Error("Unable to open target", failed, error);
  }
  errno = error;
  return -1;
}

// The lines of a failed copy: the step's error (none more when the folder failed,
// which has been reported), then the audit warning.
static int Copy_Failed(const Copy_Settings &settings, const char *source, const std::string &target,
                       const Copy_Outcome *outcome)
{
  if (outcome) {
    switch (outcome->step) {
    case COPY_STEP_OPEN_SOURCE: Copy_Error("Unable to open source", source, outcome->error); break;
    case COPY_STEP_OPEN_TARGET: Copy_Error("Unable to open target", target, outcome->error); break;
    case COPY_STEP_READ: Copy_Error("Unable to read", source, outcome->error); break;
    case COPY_STEP_NAME_TAKEN: Name_Taken_Error(target); break;
    default: Copy_Error("Unable to write", target, outcome->error); break;
    }
  }
  Message_Log(nullptr, MSG_AUDIT, "WARNING: Failed to copy file %s to the %s dir", Log_Value_Escape(source).c_str(),
              Log_Value_Escape(settings.dir_copy).c_str());
  return 0;
}

// The lines of a failed move: "Unable to move", the target and the reason, or, when
// every name was taken, that error alone.
static int Move_Failed(const char *source, const std::string &target, int step, int error)
{
  if (step == COPY_STEP_NAME_TAKEN) {
    Name_Taken_Error(target);
    return 0;
  }
  Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02\t Unable to move \x01%s", Log_Value_Escape(source).c_str());
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t to \x01%s", Log_Value_Escape(target).c_str());
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t %s", std::strerror(error));
  failure_cause = "Unable to move to " + target + ": " + std::strerror(error);
  return 0;
}

// Copies (or moves) `source` into `place`, naming the copy made ahead when there is
// one and it can be named there.
static int Copy_Or_Move(const Copy_Settings &settings, const char *source, const Copy_Place &place,
                        Copy_Ahead_Data *ahead, std::string *copy)
{
  Copy_Outcome outcome;
  const std::string asked = place.folder_path + place.name;
  if (settings.move) {
    if (!Copy_Move(source, place, settings.block_size, &outcome))
      return Move_Failed(source, asked, outcome.step, outcome.error);
  } else {
    int named = ahead ? Copy_Data_Made_Ahead(ahead, place, &outcome) : -1;
    if (named < 0) named = Copy_Data(source, place, settings.block_size, &outcome);
    if (!named) return Copy_Failed(settings, source, asked, &outcome);
  }
  const std::string target = outcome.Target(place);
  *copy = target;
  const char *verb = settings.move ? "moved" : "copied";
  Message_Log(nullptr, MSG_AUDIT, "Harrowdesk:  %s %s %s to %s", Audit_Time().c_str(), verb, Log_Value_Escape(source).c_str(),
              Log_Value_Escape(target).c_str());
  Message_Log(nullptr, MSG_THREAD, "\x02    %s to \x01%s\x02", verb, Log_Value_Escape(target).c_str());
  if (outcome.by_copy)
    Message_Log(nullptr, MSG_TRACE + 2, "in Copy_File: %s moved by copying its data", Log_Value_Escape(source).c_str());
  return 1;
}

// Copy_File, telling a file without a readable header (COPY_FILE_NOT_DICOM) from a
// failure (COPY_FILE_FAILED, its cause in failure_cause); `ahead` is the copy of the
// file made ahead, or null (the caller discards what is left of it); `copy` receives the
// path of the copy made; `header`, when not null, the source's header for the DICOMDIR
// (Name_Read), for the caller to release.
static int Copy_File_Work(const Copy_Settings &settings, const char *source, Copy_Folders *folders,
                          Copy_Ahead_Data *ahead, std::string *copy, DICOM_Attribute **header = nullptr)
{
  Copy_Name name;
  Copy_Open_Source open;
  if (ahead) open = {ahead->in, (int64_t)ahead->source.st_size};
  if (!Name_Read(settings, source, ahead ? &open : nullptr, &name, header)) return COPY_FILE_NOT_DICOM;
  Copy_Folders own;
  Copy_Place place;
  place.name = name.file;
  place.folder = Target_Folder_Open(settings, name, folders ? folders : &own, &place.folder_path, &place.inheritance);
  if (place.folder < 0) {
    if (settings.move) return Move_Failed(source, Folder_Path(settings, name) + name.file, COPY_STEP_NAME, errno);
    return Copy_Failed(settings, source, "", nullptr);
  }
  return Copy_Or_Move(settings, source, place, ahead, copy) ? COPY_FILE_DONE : COPY_FILE_FAILED;
}

int Copy_File(const Copy_Settings &settings, const char *source, Copy_Folders *folders)
{
  std::string copy;
  return Copy_File_Work(settings, source, folders, nullptr, &copy) == COPY_FILE_DONE;
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
  Copy_Folders folders;  // the target folders, kept open from one file to the next
  // A copy (not a move) has the data of the next files copied ahead into the target.
  std::unique_ptr<Copy_Ahead> ahead;
  if (!job->settings.move) {
    folders.root = open(job->settings.dir_copy.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::vector<const char *> sources;
    for (int i = 0; i < result.count; i++) sources.push_back(files[i]->path);
    ahead = std::make_unique<Copy_Ahead>(sources, folders.root, job->settings.block_size);
  }
  std::unique_ptr<Copy_Media_Directory> media_directory;
  if (job->settings.dicomdir && job->settings.dicomdir_file)
    media_directory = std::make_unique<Copy_Media_Directory>(job->settings.dir_copy);
  const bool headers = media_directory && media_directory->Wants_Headers();
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
    failure_cause.clear();
    std::string copy;
    Copy_Ahead_Data data;
    bool made = ahead && ahead->Take((size_t)i, &data);
    DICOM_Attribute *header = nullptr;
    int end = Copy_File_Work(job->settings, file->path, &folders, made ? &data : nullptr, &copy,
                             headers ? &header : nullptr);
    Copy_Ahead_Discard(&data);  // when it was not named
    if (end == COPY_FILE_DONE && media_directory) media_directory->Add(copy, header);
    DICOM_Sequence_Root header_root{};
    DICOM_Attribute_Delete(nullptr, &header_root, &header, 0xFFFF, 0xFFFF);
    file->copy_state = end == COPY_FILE_DONE ? COPY_DONE : COPY_FAILED;
    (end == COPY_FILE_DONE ? result.done : result.failed)++;
    if (end == COPY_FILE_NOT_DICOM) result.skipped++;
    if (end == COPY_FILE_FAILED) result.causes.push_back(std::string(file->path) + ": " + failure_cause);
    List_Refresh(LIST_REFRESH_REDRAW);
  }
  ahead.reset();  // a cancelled job copies nothing more
  if (result.done == result.count)
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "Done: All \x01%d\x02 images copied", result.count);
  else
    Message_Log(nullptr, MSG_THREAD, "\xF1\x02" "Done: Failed \x04%d\x02 image%s out of \x01%d", result.failed,
                result.failed >= 2 ? "s" : "", result.count);
  if (media_directory && result.done > 0 && media_directory->Write())
    result.media_directory = job->settings.dir_copy + "DICOMDIR";
  if (result.lost > 0)
    Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 \x01%d\x02 path%s that the scan could not read %s left out of this %s",
                result.lost, result.lost >= 2 ? "s" : "", result.lost >= 2 ? "are" : "is",
                job->settings.move ? "move" : "copy");
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
  copy_job.result.lost = Catalogue_Lost(&Dir_List);
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
