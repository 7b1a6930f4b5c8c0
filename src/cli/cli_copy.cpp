// harrowdesk-cli copy: scans a folder, selects files as the selection options say (all
// by default) and runs the copy job on them as the GUI's Copy button does, with the same
// names, messages and audit lines. Options not given keep the values of the settings
// store, except --move, which is off unless given. --dry-run prints each source and the
// target it would get and touches nothing. Ctrl-C stops the job before its next file.
// Both end with one summary line (copied, skipped, failed) after a line per failed file
// with its cause. Files without a readable header (a README among the images) are
// skipped, not failed. The exit code is 1 unless every selected DICOM file was copied
// and the scan read every path below the folder (a path it could not read may have
// held a selected file).
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "app/catalogue.h"
#include "app/configuration.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/menu_copy.h"
#include "cli/cli_command.h"
#include "cli/cli_messages.h"
#include "cli/cli_folder.h"
#include "cli/cli_options.h"
#include "cli/cli_progress.h"
#include "cli/cli_selection.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli copy FOLDER --to DIR [--move] [--dicomdir [--no-dicomdir-file]]\n"
    "           [--standard-names]\n"
    "           [--study-dir none|study-id|patient-id|patient-name]\n"
    "           [--series-dir none|number|description] [--dry-run] [--part10]\n"
    "           [--study UID]... [--series UID]... [--patient-id ID]...\n"
    "\n"
    "Scans FOLDER and copies the selected DICOM files into DIR, named from their headers.\n"
    "An existing file is never replaced: the copy gets a numbered name instead. Files\n"
    "without a readable DICOM header are skipped and counted apart.\n"
    "Options not given take their values from the settings (the GUI's Copy page).\n"
    "\n"
    "  --to DIR             the target folder (it must exist)\n"
    "  --move               move the files instead of copying them (onto another file system:\n"
    "                       copied, checked, then removed)\n"
    "  --dicomdir           DICOMDIR-compatible names: 8 characters of A-Z, 0-9 and _; the\n"
    "                       DICOMDIR file of DIR is then written (or merged) at the end\n"
    "  --no-dicomdir-file   with --dicomdir: the names only, no DICOMDIR file\n"
    "  --standard-names     name files by study ID, series and image number\n"
    "  --study-dir WORD     study-level folder: none, study-id, patient-id or patient-name\n"
    "  --series-dir WORD    series-level folder: none, number or description\n"
    "  --dry-run            print each source and its target; copy nothing\n"
    "  --block-size N       copy through a buffer of N bytes (default 0: the kernel copies)\n"
    CLI_SELECTION_HELP;

const char EXIT_STATUS[] =
    "0 every selected DICOM file copied; 1 a file failed, the folder could not be read,\n"
    "nothing was found or selected, the job was cancelled, a path could not be read\n"
    "or the target folder cannot be used; 2 usage error";

// The largest --block-size, 1 GiB.
const long BLOCK_SIZE_MAX = 1L << 30;

const char *const STUDY_DIR_WORDS[] = {"none", "study-id", "patient-id", "patient-name"};
const char *const SERIES_DIR_WORDS[] = {"none", "number", "description"};

struct Copy_Options {
  Cli_Selection selection;
  const char *to = nullptr;
  int move = 0;
  int dicomdir = -1;       // -1: as the settings say
  int standard_name = -1;
  int study_dir = -1;      // ones digit of flag_sub_dir
  int series_dir = -1;     // tens digit
  bool dry_run = false;
  int dicomdir_file = 1;   // with DICOMDIR names: write the DICOMDIR file
  long block_size = 0;
};

// An option that sets *index to the position of its value in `words`.
Cli_Option Word_Option(const char *name, const char *const *words, int count, int *index)
{
  return {name, "WORD", [=](const char *value, std::string *why) {
            for (int i = 0; i < count; i++)
              if (!std::strcmp(value, words[i])) {
                *index = i;
                return 1;
              }
            *why = "is not one of";
            for (int i = 0; i < count; i++) *why += std::string(i ? ", " : " ") + words[i];
            return 0;
          }};
}

// An option without a value that sets *set to `value`.
template <typename T> Cli_Option Flag_Option(const char *name, T *set, T value)
{
  return {name, nullptr, [=](const char *, std::string *) {
            *set = value;
            return 1;
          }};
}

// Reads argv into `options`; returns -1 when the command should run, else the exit code.
int Options_Read(int argc, char **argv, Copy_Options &options, Cli_Syntax &syntax)
{
  syntax.options = {
      {"--to", "DIR",
       [&options](const char *value, std::string *why) {
         *why = "needs a value";
         options.to = value;
         return *value ? 1 : 0;
       }},
      Flag_Option("--move", &options.move, 1),
      Flag_Option("--dicomdir", &options.dicomdir, 1),
      Flag_Option("--no-dicomdir-file", &options.dicomdir_file, 0),
      Flag_Option("--standard-names", &options.standard_name, 1),
      Flag_Option("--dry-run", &options.dry_run, true),
      {"--block-size", "N",
       [&options](const char *value, std::string *why) {
         char *end = nullptr;
         errno = 0;
         long size = std::strtol(value, &end, 10);
         if (!*value || *end || errno || size < 0 || size > BLOCK_SIZE_MAX) {
           *why = "takes 0 to " + std::to_string(BLOCK_SIZE_MAX) + " bytes";
           return 0;
         }
         options.block_size = size;
         return 1;
       }},
      Word_Option("--study-dir", STUDY_DIR_WORDS, (int)std::size(STUDY_DIR_WORDS), &options.study_dir),
      Word_Option("--series-dir", SERIES_DIR_WORDS, (int)std::size(SERIES_DIR_WORDS), &options.series_dir),
  };
  Cli_Selection_Options(&options.selection, &syntax.options);
  std::vector<const char *> operands;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (exit_code >= 0) return exit_code;
  options.selection.folder = operands[0];
  if (!*options.selection.folder) return Cli_Usage_Error(syntax, "no FOLDER given");
  return -1;
}

// Puts the options into the settings values the copy job reads.
void Settings_Apply(const Copy_Options &options)
{
  if (options.to) dir_copy = options.to;
  delete_copy = (unsigned char)options.move;
  if (options.dicomdir >= 0) flag_dicomdir = (unsigned char)options.dicomdir;
  if (options.standard_name >= 0) flag_standard_name = (unsigned char)options.standard_name;
  int study = options.study_dir >= 0 ? options.study_dir : flag_sub_dir % 10;
  int series = options.series_dir >= 0 ? options.series_dir : flag_sub_dir / 10;
  flag_sub_dir = (unsigned char)(series * 10 + study);
}

// Prints "SOURCE -> TARGET" for every selected file, then the summary. Returns 1 when
// each DICOM file has a target and no path was left out.
int Dry_Run(List_Tree *root)
{
  Copy_Settings settings = Copy_Settings_Current();
  List_Rows rows{};
  List_Rows_Init(rows);
  rows.root = root;
  item_file **files = nullptr;
  int count = 0;
  if (!List_Rows_Collect_Selected(rows, &files, &count)) return 0;
  std::set<std::string> planned;
  int ends[COPY_FILE_NOT_DICOM + 1] = {};  // files by Copy_File_End
  for (int i = 0; i < count; i++) {
    std::string target;
    int end = Copy_Target(settings, files[i]->path, &planned, &target);
    ends[end]++;
    if (end == COPY_FILE_DONE) {
      std::printf("%s -> %s\n", files[i]->path, target.c_str());
    } else if (end == COPY_FILE_NOT_DICOM) {
      std::printf("%s -> (skipped: no readable DICOM header)\n", files[i]->path);
    } else {
      std::printf("%s -> (not copied: no free name)\n", files[i]->path);
      Cli_Failure_Print("copy", std::string(files[i]->path) + ": no free name left in the target folder");
    }
  }
  std::free(files);
  std::fflush(stdout);
  Cli_Summary_Print(settings.move ? "moved" : "copied", ends[COPY_FILE_DONE], ends[COPY_FILE_NOT_DICOM],
                    ends[COPY_FILE_FAILED], false, count);
  int all = ends[COPY_FILE_FAILED] == 0;
  int lost = Catalogue_Lost(&Dir_List);
  if (lost > 0) {
    std::printf("(%d path%s that the scan could not read left out)\n", lost, lost >= 2 ? "s" : "");
    all = 0;
  }
  return all;
}

void On_Interrupt(int) { Copy_Cancel(); }

int Copy_Run(int argc, char **argv)
{
  Copy_Options options;
  Cli_Syntax syntax{"copy", USAGE, EXIT_STATUS, {}, 1, 1, "FOLDER"};
  int exit_code = Options_Read(argc, argv, options, syntax);
  if (exit_code >= 0) return exit_code;
  Settings_Apply(options);
  if (dir_copy.empty()) return Cli_Usage_Error(syntax, "no target folder: give --to DIR");
  if (!Cli_Folder_Usable("copy", "target", dir_copy.c_str(), CLI_FOLDER_WRITE)) return CLI_FAILED;
  int selected = 0;
  Cli_Progress_Start();
  List_Tree *root = Cli_Selection_Run("copy", &options.selection, &selected);
  int ok = 0;
  if (root && options.dry_run) {
    ok = Dry_Run(root);
  } else if (root) {
    std::signal(SIGINT, On_Interrupt);
    Copy_Settings settings = Copy_Settings_Current();
    settings.block_size = (size_t)options.block_size;
    settings.dicomdir_file = options.dicomdir_file;
    Cli_Messages_Own_Summary();
    if (Copy_Start(nullptr, root, &settings)) {
      Copy_Result result;
      Copy_Wait(&result);
      for (const std::string &cause : result.causes) Cli_Failure_Print("copy", cause);
      const int failed = result.failed - result.skipped;
      Cli_Summary_Print(settings.move ? "moved" : "copied", result.done, result.skipped, failed, result.cancelled,
                        result.count);
      if (!result.media_directory.empty()) Cli_Summary_Line("DICOMDIR: " + result.media_directory);
      ok = failed == 0 && !result.cancelled && result.lost == 0;
    }
    std::signal(SIGINT, SIG_DFL);
  }
  Cli_Progress_Stop();
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  return ok ? CLI_OK : CLI_FAILED;
}

Cli_Register reg({"copy", "copy or move the selected DICOM files of a folder into a target folder", Copy_Run});

}  // namespace
