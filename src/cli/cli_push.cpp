// harrowdesk-cli push: scans a folder, selects files as the GUI's list would, and runs
// the push job on them, exactly as the GUI's Push button does (same audit trail, same
// fail folder, same deletions). Server options not given come from the settings store;
// the options change the settings for this run only and are never saved. Deleting
// stored files happens only with --delete. Ctrl-C aborts the association in progress
// at once and ends the job: that file counts as failed, the files after it as not tried.
// The command ends with a line per file not stored and its cause, and one summary line;
// files without a readable header are skipped, not failed. --result writes a row per
// file as the job goes (cli/cli_push_rows.h); --retry pushes again the rows of such a
// list that were not stored, instead of scanning a folder.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/configuration_keys.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "app/menu_push.h"
#include "cli/cli_command.h"
#include "cli/cli_messages.h"
#include "cli/cli_folder.h"
#include "cli/cli_options.h"
#include "cli/cli_progress.h"
#include "cli/cli_push_rows.h"
#include "cli/cli_selection.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli push FOLDER [--peer HOST] [--port N] [--called AET] [--calling AET]\n"
    "                          [--delete] [--fail-dir DIR] [--timeout S] [--timeout-connect S]\n"
    "                          [--timeout-acse S] [--timeout-dimse S] [--part10] [--study UID]\n"
    "                          [--series UID] [--patient-id ID] [--result FILE]\n"
    "       harrowdesk-cli push --retry FILE [server options] [--result FILE]\n"
    "\n"
    "Scans FOLDER and sends the selected DICOM files to a storage server (C-STORE), one\n"
    "association per file. Server options not given are taken from the settings. When a\n"
    "file was not stored, the summary counts the files stored, failed and not tried.\n"
    "Files without a readable DICOM header are skipped and counted apart.\n"
    "\n"
    "  --peer HOST          the server's host name or address\n"
    "  --port N             the server's port, 1 to 65535\n"
    "  --called AET         the server's AE title\n"
    "  --calling AET        our own AE title\n"
    "  --delete             delete each file the server confirmed; with --fail-dir,\n"
    "                       failed files are moved into DIR instead of copied\n"
    "  --fail-dir DIR       put the files that failed into DIR (copied, or moved with\n"
    "                       --delete; made when missing); without it the settings decide\n"
    "  --timeout S          set the three timeouts below to S seconds\n"
    "  --timeout-connect S  seconds to wait for the TCP connection (setting\n"
    "                       timeout_connect, first 30)\n"
    "  --timeout-acse S     seconds to wait for each association answer (setting\n"
    "                       timeout_acse, first 30)\n"
    "  --timeout-dimse S    seconds without progress while a file is sent, or without\n"
    "                       its response (setting timeout_dimse, first 60)\n"
    "                       Timeouts are 0 (no limit) to 3600. Ctrl-C aborts the\n"
    "                       transfer in progress at once.\n"
    "  --result FILE        write a row per file (path, SOP Instance UID, status, its\n"
    "                       meaning, stored yes or no) into FILE as the job goes: CSV\n"
    "                       for a name ending in .csv, a JSON array for .json\n"
    "  --retry FILE         push the rows of FILE (a --result list) that were not stored,\n"
    "                       in place of FOLDER; a path that is gone counts as failed\n"
    CLI_SELECTION_HELP;
static_assert(TIMEOUT_MAX == 3600, "the help names the largest timeout");

const char EXIT_STATUS[] =
    "0 every selected DICOM file was stored; 1 a file failed, the folder could not be\n"
    "read, nothing was found or selected, the job was cancelled, the fail folder\n"
    "cannot be used or a result file cannot be read or written; 2 usage error";

// What a command line asks besides the settings.
struct Push_Options {
  Cli_Selection selection;
  std::string folder;
  std::string result;  // --result FILE, or empty
  std::string retry;   // --retry FILE, or empty
};

// Ctrl-C: cancels the push at once (Push_Cancel is async-signal-safe); the waiting
// thread then sees the job end. A Ctrl-C that cuts the last file short leaves no file
// untried, yet the push was cancelled all the same: the flag remembers it.
volatile std::sig_atomic_t interrupted = 0;
void On_Interrupt(int)
{
  interrupted = 1;
  Push_Cancel();
}

// Whether `value` is accepted for the settings key `name` (the one table of the
// settings' value rules, shared with config and echo).
bool Key_Accepts(const char *name, const std::string &value)
{
  std::string normal, why;
  return Configuration_Key_Check(*Configuration_Key_Find(name), value.c_str(), &normal, &why);
}

// A timeout in seconds: decimal digits only, 0 to TIMEOUT_MAX. Stores it in *seconds.
bool Timeout_Read(const std::string &text, int *seconds)
{
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *seconds = std::atoi(text.c_str());
  return *seconds <= TIMEOUT_MAX;
}

// An option that sets each of `timeouts` to its number of seconds.
Cli_Option Timeout_Option(const char *name, std::vector<int *> timeouts)
{
  return {name, "S", [timeouts](const char *value, std::string *why) {
            int seconds = 0;
            if (!Timeout_Read(value, &seconds)) {
              *why = "needs a number of seconds from 0 to " + std::to_string(TIMEOUT_MAX);
              return 0;
            }
            for (int *timeout : timeouts) *timeout = seconds;
            return 1;
          }};
}

// An option that sets a server setting; an empty value is refused.
Cli_Option Setting_Option(const char *name, const char *value_name, std::string *setting)
{
  return {name, value_name, [setting](const char *value, std::string *why) {
            *why = "needs a value";
            if (!*value) return 0;
            *setting = value;
            return 1;
          }};
}

// An option that names a result list: its name must end in .csv or .json.
Cli_Option List_Option(const char *name, std::string *path)
{
  return {name, "FILE", [path](const char *value, std::string *why) {
            *why = "must name a .csv or .json file";
            if (!Push_Rows_Named(value)) return 0;
            *path = value;
            return 1;
          }};
}

// Reads argv into the settings of this run and `options`; returns -1 when the command
// should run, else the exit code.
int Options_Read(int argc, char **argv, Push_Options &options)
{
  delete_push = 0;
  Cli_Selection &selection = options.selection;
  Cli_Syntax syntax{"push", USAGE, EXIT_STATUS, {}, 0, 1, "FOLDER"};
  syntax.options = {
      Setting_Option("--peer", "HOST", &server_peer),
      Setting_Option("--port", "N", &server_port),
      Setting_Option("--called", "AET", &server_AET),
      Setting_Option("--calling", "AET", &local_AET),
      {"--fail-dir", "DIR",
       [](const char *value, std::string *why) {
         *why = "needs a value";
         if (!*value) return 0;
         dir_fail = value;
         flag_fail = 1;
         return 1;
       }},
      {"--delete", nullptr,
       [](const char *, std::string *) {
         delete_push = 1;
         return 1;
       }},
      Timeout_Option("--timeout", {&timeout_connect, &timeout_acse, &timeout_dimse}),
      Timeout_Option("--timeout-connect", {&timeout_connect}),
      Timeout_Option("--timeout-acse", {&timeout_acse}),
      Timeout_Option("--timeout-dimse", {&timeout_dimse}),
      List_Option("--result", &options.result),
      List_Option("--retry", &options.retry),
  };
  Cli_Selection_Options(&selection, &syntax.options);
  std::vector<const char *> operands;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (exit_code >= 0) return exit_code;
  const bool selecting = selection.part10 == 1 || !selection.study_uid.empty() || !selection.series_uid.empty() ||
                         !selection.patient_id.empty();
  if (!options.retry.empty() && (!operands.empty() || selecting))
    return Cli_Usage_Error(syntax, "--retry takes the files of its list: give no FOLDER nor selection option");
  if (options.retry.empty() && (operands.empty() || !*operands[0])) return Cli_Usage_Error(syntax, "no FOLDER given");
  if (!operands.empty()) options.folder = operands[0];
  // "none" is the settings' placeholder for a server not chosen yet.
  if (server_peer.empty() || server_peer == "none")
    return Cli_Usage_Error(syntax, "no server: give --peer HOST (the settings name none)");
  if (!Key_Accepts("server_port", server_port))
    return Cli_Usage_Error(syntax, "port '" + server_port + "' is not a number from 1 to 65535");
  if (!Key_Accepts("server_AET", server_AET))
    return Cli_Usage_Error(syntax, "called AE title '" + server_AET + "' is not 1 to 16 characters");
  if (!Key_Accepts("local_AET", local_AET))
    return Cli_Usage_Error(syntax, "calling AE title '" + local_AET + "' is not 1 to 16 characters");
  if (flag_fail && dir_fail.empty())
    return Cli_Usage_Error(syntax, "the fail folder is on but names no folder: give --fail-dir DIR");
  if (flag_fail && !Cli_Folder_Usable("push", "fail", dir_fail.c_str(), CLI_FOLDER_CREATE | CLI_FOLDER_WRITE))
    return CLI_FAILED;
  if (flag_fail && dir_fail.back() != '/') dir_fail += '/';
  return -1;
}

// The selected file entries under `root`, in tree order.
std::vector<item_file *> Selected_Files(List_Tree *root)
{
  List_Rows rows = {};
  List_Rows_Init(rows);
  rows.root = root;
  item_file **files = nullptr;
  int count = 0;
  std::vector<item_file *> list;
  if (List_Rows_Collect_Selected(rows, &files, &count)) list.assign(files, files + count);
  std::free(files);
  List_Rows_Free(rows);
  return list;
}

// Hears of each file the job tried: writes its row and keeps the cause of a failure.
// Runs on the push worker; read by the main thread once the job has ended.
struct Push_Report {
  explicit Push_Report(Push_Rows_File *rows) : list(rows) {}
  Push_Rows_File *list;                // the --result list, or one never opened
  int list_error = 0;                  // the error of the first row that could not be written
  std::vector<std::string> failures;  // "PATH: not stored: CAUSE"

  void Row_Write(const Push_Row &row)
  {
    if (list->file && !Push_Rows_Write(list, row) && !list_error) list_error = errno ? errno : EIO;
  }

  void File_Done(const Push_File_Outcome &outcome)
  {
    Push_Row row;
    row.path = outcome.path;
    row.sop_instance = outcome.sop_instance;
    row.status = outcome.status;
    row.stored = outcome.stored;
    row.meaning = outcome.skipped ? "not sent: no readable DICOM header" : Push_Status_Meaning(outcome.status);
    Row_Write(row);
    if (outcome.stored || outcome.skipped) return;
    const std::string status = outcome.status >= 0 ? " (status " + Push_Status_Hex(outcome.status) + ")" : "";
    failures.push_back(outcome.path + ": not stored: " + row.meaning + status);
  }
};

// The files of a --retry list that were not stored: entries made for the paths that
// are still regular files (kept in `paths` and `entries`); each path that is not is
// printed as a failure, counted in *missing and given its row through `report`.
// Returns 0 after printing why when the list cannot be read.
int Retry_Files(const std::string &retry, std::vector<std::string> *paths, std::vector<item_file> *entries,
                Push_Report *report, int *missing)
{
  std::vector<std::string> rows;
  std::string why;
  if (!Push_Rows_Not_Stored(retry, &rows, &why)) {
    std::fprintf(stderr, "harrowdesk-cli push: cannot read the result list %s: %s\n", retry.c_str(), why.c_str());
    return 0;
  }
  for (const std::string &path : rows) {
    struct stat status;
    const int error = stat(path.c_str(), &status) != 0 ? errno : S_ISREG(status.st_mode) ? 0 : EISDIR;
    if (!error) {
      paths->push_back(path);
      continue;
    }
    Push_Row row;
    row.path = path;
    row.meaning = std::string("not sent: ") + std::strerror(error);
    report->Row_Write(row);
    Cli_Failure_Print("push", path + ": " + row.meaning);
    ++*missing;
  }
  entries->assign(paths->size(), item_file{});
  for (size_t i = 0; i < paths->size(); i++) (*entries)[i].path = (*paths)[i].data();
  return 1;
}

int Push_Run(int argc, char **argv)
{
  Push_Options options;
  int exit_code = Options_Read(argc, argv, options);
  if (exit_code >= 0) return exit_code;
  options.selection.folder = options.folder.c_str();

  Push_Rows_File list;
  Push_Report report(&list);
  std::string why;
  if (!options.result.empty() && !Push_Rows_Open(&list, options.result, &why)) {
    std::fprintf(stderr, "harrowdesk-cli push: cannot write the result file %s: %s\n", options.result.c_str(),
                 why.c_str());
    return CLI_FAILED;
  }
  Cli_Progress_Start();
  std::vector<item_file *> files;
  std::vector<std::string> retry_paths;
  std::vector<item_file> retry_entries;
  int missing = 0;  // rows of a retry whose file is gone
  bool listed = true;
  if (!options.retry.empty()) {
    listed = Retry_Files(options.retry, &retry_paths, &retry_entries, &report, &missing);
    for (item_file &entry : retry_entries) files.push_back(&entry);
  } else {
    int selected = 0;
    List_Tree *root = Cli_Selection_Run("push", &options.selection, &selected);
    if (root) files = Selected_Files(root);
    listed = root && files.size() == (size_t)selected;
    if (root && !listed) std::fprintf(stderr, "harrowdesk-cli push: cannot list the selected files\n");
  }

  Push_Result result;
  if (listed && !files.empty()) {
    std::signal(SIGINT, On_Interrupt);
    Cli_Messages_Own_Summary();
    if (Push_Start(files, [&report](const Push_File_Outcome &outcome) { report.File_Done(outcome); })) {
      result = Push_Wait();
    } else {
      result.count = result.failures = (int)files.size();
    }
    Scan_Wait();  // the rescan that follows deletions
    std::signal(SIGINT, SIG_DFL);
  }
  Cli_Progress_Stop();
  if (listed) {
    for (const std::string &failure : report.failures) Cli_Failure_Print("push", failure);
    const int failed = result.failures - result.skipped + missing;
    Cli_Summary_Print("stored", result.successes, result.skipped, failed, result.cancelled || interrupted,
                      result.count + missing);
  }
  if (!Push_Rows_Close(&list) && !report.list_error) report.list_error = errno ? errno : EIO;
  if (report.list_error) {
    std::fprintf(stderr, "harrowdesk-cli push: cannot write the result file %s: %s\n", options.result.c_str(),
                 std::strerror(report.list_error));
    listed = false;
  }
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  const bool all = result.failures == result.skipped && missing == 0 && !result.cancelled && !interrupted;
  return listed && all ? CLI_OK : CLI_FAILED;
}

Cli_Register reg({"push", "send the DICOM files of a folder to a storage server (C-STORE)", Push_Run});

}  // namespace
