// Scan and select for the commands that act on a selection of catalogued files (copy,
// push): they share the scan option of `scan` (--part10) and the selection options
// (--study UID, --series UID, --patient-id ID, each repeatable). Running a selection
// scans the folder with the scan job, runs the header pass through the sort job when a
// selection option was given (studies and series are known only after it), and marks
// the chosen file entries of the catalogue selected, every other one not selected, as
// the catalogue view would. The caller's job then works on the file-order tree, whose
// depth-first order is the folder tree as the scan found it.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

struct List_Tree;  // a node of a sort tree (app/list_sort.h)

// The scan and selection options of one command line. Several values of one option
// select their union; options of different kinds select the intersection (a series
// must belong to a chosen study and patient when those are given too).
struct Cli_Selection {
  const char *folder = nullptr;         // the folder to scan (the command's operand)
  int part10 = -1;                      // 1 with --part10; -1 keeps flag_part_10 of the settings
  std::vector<std::string> study_uid;   // --study: Study Instance UIDs
  std::vector<std::string> series_uid;  // --series: Series Instance UIDs
  std::vector<std::string> patient_id;  // --patient-id: Patient IDs
};

// The lines of --help that describe these options, each ending in a newline (a literal,
// so that a command's usage text can end with it).
#define CLI_SELECTION_HELP                                                                          \
  "  --part10             accept only files with \"DICM\" at byte 128 (else the settings decide)\n" \
  "  --study UID          select the files of this study (repeatable)\n"                            \
  "  --series UID         select the files of this series (repeatable)\n"                           \
  "  --patient-id ID      select the files of this patient (repeatable)\n"                          \
  "                       without a selection option every catalogued file is selected\n"

// Appends the options --part10, --study, --series and --patient-id to `options`; each
// takes its value into `selection`, which must outlive the parse. An empty value is
// refused (the parser then says the option needs a value).
void Cli_Selection_Options(Cli_Selection *selection, std::vector<Cli_Option> *options);

// Scans `selection->folder` (with --part10, flag_part_10 is set to 1 for the run), runs
// the header pass when a selection option is given, and marks the file entries: those
// that match selected (select_state 2), all others not (1). Every file entry of the
// catalogue is selected when no selection option is given. Runs the jobs to their end
// on worker threads with the front end's progress view; must be called on the main
// thread with no job running.
// Returns the root of the file-order tree (owned by the tree cache; valid until the
// next scan) and stores the number of selected files in *selected (0 is possible);
// returns nullptr after printing the reason on standard error (the folder cannot be
// read, "no DICOM files in FOLDER", the scan or sort cancelled or failed, or selection
// options that match no file); *selected is then 0.
List_Tree *Cli_Selection_Run(const char *command, const Cli_Selection *selection, int *selected);
