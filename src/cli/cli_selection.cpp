// Scan and select for the copy and push commands: option parsing, running the scan job
// (and the sort job for its header pass when a selection needs studies and series) to
// their end, and marking the chosen file entries of the catalogue.
#include "cli/cli_selection.h"

#include <algorithm>
#include <cstdio>

#include "app/catalogue.h"
#include "app/configuration.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "cli/cli_folder.h"

// An option that appends its value to `list`.
static Cli_Option List_Option(const char *name, const char *value_name, std::vector<std::string> *list)
{
  return {name, value_name, [list](const char *value, std::string *why) {
            if (!*value) {
              *why = "needs a value";
              return 0;
            }
            list->push_back(value);
            return 1;
          }};
}

void Cli_Selection_Options(Cli_Selection *selection, std::vector<Cli_Option> *options)
{
  options->push_back({"--part10", nullptr, [selection](const char *, std::string *) {
                        selection->part10 = 1;
                        return 1;
                      }});
  options->push_back(List_Option("--study", "UID", &selection->study_uid));
  options->push_back(List_Option("--series", "UID", &selection->series_uid));
  options->push_back(List_Option("--patient-id", "ID", &selection->patient_id));
}

// ---- marking ------------------------------------------------------------------------------

static void Directory_Mark(item_dir *dir, uint8_t state)
{
  for (int i = 0; i < dir->nb_file; i++) dir->file[i].select_state = state;
  for (int i = 0; i < dir->nb_dir; i++) Directory_Mark(&dir->dir[i], state);
}

// True when `list` is empty (no condition) or holds `value`.
static bool Chosen(const std::vector<std::string> &list, const char *value)
{
  if (list.empty()) return true;
  return value && std::find(list.begin(), list.end(), value) != list.end();
}

static void Catalogue_Mark(const Cli_Selection *selection)
{
  for (int s = 0; s < Dir_List.nb_child; s++) {
    item_study *study = &Dir_List.child[s];
    if (!Chosen(selection->study_uid, study->Study_UID) || !Chosen(selection->patient_id, study->Patient_ID))
      continue;
    for (int r = 0; r < study->nb_child; r++) {
      item_series *series = &study->child[r];
      if (!Chosen(selection->series_uid, series->Series_UID)) continue;
      for (int i = 0; i < series->nb_child; i++) series->child[i]->select_state = SELECT_YES;
    }
  }
}

// ---- running ------------------------------------------------------------------------------

List_Tree *Cli_Selection_Run(const char *command, const Cli_Selection *selection, int *selected)
{
  *selected = 0;
  if (!Cli_Folder_Usable(command, "source", selection->folder, CLI_FOLDER_READ)) return nullptr;
  if (selection->part10 == 1) flag_part_10 = 1;
  std::string folder = selection->folder;  // a folder path ends with "/", as the walk's do
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (!Scan_Start(folder.c_str())) {
    std::fprintf(stderr, "harrowdesk-cli %s: cannot scan %s\n", command, selection->folder);
    return nullptr;
  }
  Scan_Wait();
  if (Dir_List.nb_dir == 0) {
    std::fprintf(stderr, "harrowdesk-cli %s: no DICOM files in %s\n", command, selection->folder);
    return nullptr;
  }
  bool by_header = !selection->study_uid.empty() || !selection->series_uid.empty() ||
                   !selection->patient_id.empty();
  if (by_header) {
    Sort_Start(&Dir_List, List_Tree_Slot(SORT_STUDY_ID), SORT_STUDY_ID);
    Sort_Wait();
    if (!*List_Tree_Slot(SORT_STUDY_ID)) {
      std::fprintf(stderr, "harrowdesk-cli %s: the header pass of %s did not finish\n", command, selection->folder);
      return nullptr;
    }
  }
  Sort_Start(&Dir_List, List_Tree_Slot(SORT_FILE), SORT_FILE);
  List_Tree *root = *List_Tree_Slot(SORT_FILE);
  if (!root) {
    std::fprintf(stderr, "harrowdesk-cli %s: cannot list the files of %s\n", command, selection->folder);
    return nullptr;
  }
  Directory_Mark(&Dir_List.dir[0], by_header ? SELECT_NO : SELECT_YES);
  if (by_header) Catalogue_Mark(selection);
  List_Rows rows = {};
  List_Rows_Init(rows);
  rows.root = root;
  *selected = List_Rows_Count_Selected(rows);
  if (by_header && *selected == 0) {
    std::fprintf(stderr, "harrowdesk-cli %s: no file of %s matches the selection\n", command, selection->folder);
    return nullptr;
  }
  return root;
}
