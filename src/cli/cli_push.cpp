// harrowdesk-cli push: scans a folder, selects files as the GUI's list would, and runs
// the push job on them, exactly as the GUI's Push button does (same audit trail, same
// fail folder, same deletions). Server options not given come from the settings store;
// the options change the settings for this run only and are never saved. Deleting
// stored files happens only with --delete. Ctrl-C aborts the association in progress
// at once and ends the job: that file counts as failed, the files after it as not tried.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "app/menu_push.h"
#include "cli/cli_command.h"
#include "cli/cli_folder.h"
#include "cli/cli_options.h"
#include "cli/cli_selection.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli push FOLDER [--peer HOST] [--port N] [--called AET] [--calling AET]\n"
    "                          [--delete] [--fail-dir DIR] [--timeout S] [--timeout-connect S]\n"
    "                          [--timeout-acse S] [--timeout-dimse S] [--part10] [--study UID]\n"
    "                          [--series UID] [--patient-id ID]\n"
    "\n"
    "Scans FOLDER and sends the selected DICOM files to a storage server (C-STORE), one\n"
    "association per file. Server options not given are taken from the settings. When a\n"
    "file was not stored, the summary counts the files stored, failed and not tried.\n"
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
    CLI_SELECTION_HELP;
static_assert(TIMEOUT_MAX == 3600, "the help names the largest timeout");

const char EXIT_STATUS[] =
    "0 every selected file was stored; 1 a file failed, the folder could not be\n"
    "read, nothing was found or selected, the job was cancelled or the fail folder\n"
    "cannot be used; 2 usage error";

// Ctrl-C: cancels the push at once (Push_Cancel is async-signal-safe); the waiting
// thread then sees the job end.
void On_Interrupt(int) { Push_Cancel(); }

// An AE title: 1 to 16 characters, printable, no backslash.
bool AE_Title_Valid(const std::string &title)
{
  if (title.empty() || title.size() > 16) return false;
  for (unsigned char c : title)
    if (c < 0x20 || c > 0x7E || c == '\\') return false;
  return true;
}

// A port: decimal digits only, 1 to 65535.
bool Port_Valid(const std::string &port)
{
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
  int value = std::atoi(port.c_str());
  return value >= 1 && value <= 65535;
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

// Reads argv into the settings of this run and `selection`; returns -1 when the command
// should run, else the exit code.
int Options_Read(int argc, char **argv, Cli_Selection &selection, std::string &folder)
{
  delete_push = 0;
  Cli_Syntax syntax{"push", USAGE, EXIT_STATUS, {}, 1, 1, "FOLDER"};
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
  };
  Cli_Selection_Options(&selection, &syntax.options);
  std::vector<const char *> operands;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (exit_code >= 0) return exit_code;
  folder = operands[0];
  if (folder.empty()) return Cli_Usage_Error(syntax, "no FOLDER given");
  // "none" is the settings' placeholder for a server not chosen yet.
  if (server_peer.empty() || server_peer == "none")
    return Cli_Usage_Error(syntax, "no server: give --peer HOST (the settings name none)");
  if (!Port_Valid(server_port))
    return Cli_Usage_Error(syntax, "port '" + server_port + "' is not a number from 1 to 65535");
  if (!AE_Title_Valid(server_AET))
    return Cli_Usage_Error(syntax, "called AE title '" + server_AET + "' is not 1 to 16 characters");
  if (!AE_Title_Valid(local_AET))
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

int Push_Run(int argc, char **argv)
{
  Cli_Selection selection;
  std::string folder;
  int exit_code = Options_Read(argc, argv, selection, folder);
  if (exit_code >= 0) return exit_code;
  selection.folder = folder.c_str();

  int selected = 0;
  List_Tree *root = Cli_Selection_Run("push", &selection, &selected);
  if (!root) return CLI_FAILED;
  std::vector<item_file *> files = Selected_Files(root);
  if (files.size() != (size_t)selected) {
    std::fprintf(stderr, "harrowdesk-cli push: cannot list the selected files\n");
    List_Tree_Cache_Free();
    Catalogue_Free(&Dir_List);
    return CLI_FAILED;
  }

  std::signal(SIGINT, On_Interrupt);
  Push_Result result;
  if (Push_Start(files)) {
    result = Push_Wait();
  } else {
    result.count = (int)files.size();
  }
  Scan_Wait();  // the rescan that follows deletions
  std::signal(SIGINT, SIG_DFL);
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  return result.successes == result.count && !result.cancelled ? CLI_OK : CLI_FAILED;
}

Cli_Register reg({"push", "send the DICOM files of a folder to a storage server (C-STORE)", Push_Run});

}  // namespace
