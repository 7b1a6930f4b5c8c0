// harrowdesk-cli scan: runs the scan and sort jobs on a folder as the GUI does, opens the
// rows of the chosen order to a level, writes both reports and, with --json, prints the
// catalogue on standard output. On a terminal the jobs' progress shows as a bar on
// standard error (cli/cli_progress.h); Ctrl-C cancels the running job as its Cancel
// button would.
// JSON texts are written by cli/cli_json.h.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "app/configuration.h"
#include "app/header_pass.h"
#include "app/installation_path.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/list_thread.h"
#include "app/report_template.h"
#include "app/report_write.h"
#include "cli/cli_command.h"
#include "cli/cli_folder.h"
#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_progress.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/message_log.h"
#include "util/progress.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli scan FOLDER [--order file|study|date|patient-id|name] [--part10]\n"
    "                          [--level 1-4] [--report DIR] [--json]\n"
    "\n"
    "Scans FOLDER for DICOM files, reads their headers into studies, series and images,\n"
    "sorts them in the order given (default: file), opens the list to the level given\n"
    "and writes the RTF and CSV reports of that list into DIR (made when missing;\n"
    "default: the temp folder). A DICOMDIR at the top of FOLDER stands in for the headers\n"
    "of the files it names (-v says how many).\n"
    "\n"
    "  --order ORDER        file, study (study ID), date, patient-id or name\n"
    "  --part10             accept only files with the PS3.10 signature \"DICM\"\n"
    "  --level N            open the list to level N, 1 to 4 (default 1; with --report\n"
    "                       and no --level, 4: every image)\n"
    "  --report DIR         write the reports into DIR\n"
    "  --json               print the catalogue on standard output as JSON\n";

const char EXIT_STATUS[] =
    "0 DICOM files were found and the reports written; 1 the folder could not\n"
    "be read, no file gave a study, the scan was cancelled or a report could not be\n"
    "written; 2 usage error";

// The levels the list opens to: studies (1) down to images (4). A report without
// --level opens to the images; the list alone to the studies.
enum { LEVEL_UNSET = 0, LEVEL_FIRST = 1, LEVEL_LAST = 4 };

const char *const ORDER_WORDS[SORT_ORDERS] = {"file", "study", "date", "patient-id", "name"};

struct Scan_Options {
  std::string folder;
  int order = SORT_FILE;
  int level = LEVEL_UNSET;  // LEVEL_FIRST to LEVEL_LAST once given
  bool part10 = false;
  bool json = false;
  const char *report = nullptr;
};

// ---- options -----------------------------------------------------------------------------------

// Reads argv into `options`; returns -1 when the command should run, else the exit code.
int Options_Read(int argc, char **argv, Scan_Options &options)
{
  auto flag = [](bool *set) {
    return [set](const char *, std::string *) {
      *set = true;
      return 1;
    };
  };
  Cli_Syntax syntax{"scan", USAGE, EXIT_STATUS, {}, 1, 1, "FOLDER"};
  syntax.options = {
      {"--part10", nullptr, flag(&options.part10)},
      {"--json", nullptr, flag(&options.json)},
      {"--order", "ORDER",
       [&options](const char *value, std::string *why) {
         for (int o = 0; o < SORT_ORDERS; o++)
           if (!std::strcmp(value, ORDER_WORDS[o])) {
             options.order = o;
             return 1;
           }
         *why = "unknown order: give file, study, date, patient-id or name";
         return 0;
       }},
      {"--level", "N",
       [&options](const char *value, std::string *why) {
         int level = std::strlen(value) == 1 ? value[0] - '0' : LEVEL_UNSET;
         if (level < LEVEL_FIRST || level > LEVEL_LAST) {
           *why = "level is not 1 to 4";
           return 0;
         }
         options.level = level;
         return 1;
       }},
      {"--report", "DIR",
       [&options](const char *value, std::string *why) {
         *why = "needs a value";
         options.report = value;
         return *value ? 1 : 0;
       }},
  };
  std::vector<const char *> operands;
  int exit_code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (exit_code >= 0) return exit_code;
  options.folder = operands[0];
  if (options.folder.empty()) return Cli_Usage_Error(syntax, "no FOLDER given");
  if (options.level == LEVEL_UNSET) options.level = options.report ? LEVEL_LAST : LEVEL_FIRST;
  return -1;
}

// ---- JSON --------------------------------------------------------------------------------------

void Json_Study(std::string &out, const item_study &study)
{
  char name[400], date[16];
  out += "{";
  Json_Key(out, "study_uid", true);
  Json_Text(out, study.Study_UID);
  Json_Key(out, "study_id");
  Json_Text(out, study.Study_ID);
  Json_Key(out, "patient_name");
  Json_Text(out, study.Patient_Name && study.Patient_Name->count ? Ardent_Name_To_DICOM(study.Patient_Name, name, sizeof name) : nullptr);
  Json_Key(out, "patient_name_display");
  Json_Text(out, study.Patient_Name && study.Patient_Name->count ? Ardent_Name_To_Display(study.Patient_Name) : nullptr);
  Json_Key(out, "patient_id");
  Json_Text(out, study.Patient_ID);
  Json_Key(out, "study_date");
  bool dated = study.Study_Date && study.Study_Date->type == 1;
  if (dated)
    std::snprintf(date, sizeof date, "%04d%02d%02d", study.Study_Date->year, study.Study_Date->month,
                  study.Study_Date->day);
  Json_Text(out, dated ? date : nullptr);
  Json_Key(out, "folders");
  out += "[";
  for (int f = 0; f < CATALOGUE_FOLDERS && study.folder[f][0]; f++) {
    if (f) out += ", ";
    Json_Text(out, study.folder[f]);
  }
  out += "]";
  Json_Key(out, "nb_file");
  out += std::to_string(study.nb_file);
  Json_Key(out, "first_file");
  Json_Text(out, study.first_file);
  Json_Key(out, "last_file");
  Json_Text(out, study.last_file);
  Json_Key(out, "series");
  out += "[";
  for (int r = 0; r < study.nb_child; r++) {
    const item_series &series = study.child[r];
    out += r ? ",\n    {" : "\n    {";
    Json_Key(out, "series_uid", true);
    Json_Text(out, series.Series_UID);
    Json_Key(out, "series_number");
    out += std::to_string(series.series_number);
    Json_Key(out, "series_description");
    Json_Text(out, series.Series_desc);
    Json_Key(out, "images");
    out += "[";
    for (int i = 0; i < series.nb_child; i++) {
      const item_file *image = series.child[i];
      out += i ? ",\n      {" : "\n      {";
      Json_Key(out, "path", true);
      Json_Text(out, image->path);
      Json_Key(out, "sop_instance_uid");
      Json_Text(out, image->Images_UID);
      Json_Key(out, "instance_number");
      out += std::to_string(image->image_number) + "}";
    }
    out += "]}";
  }
  out += "]}";
}

// Adds the paths of the file entries of `record` (depth first) that no series holds.
void Json_Unplaced(std::string &out, const item_dir &record, const std::unordered_set<const item_file *> &placed,
                   bool &first)
{
  for (int d = 0; d < record.nb_dir; d++) Json_Unplaced(out, record.dir[d], placed, first);
  for (int f = 0; f < record.nb_file; f++) {
    if (placed.count(&record.file[f])) continue;
    out += first ? "\n  " : ",\n  ";
    first = false;
    Json_Text(out, record.file[f].path);
  }
}

void Json_Print(const Scan_Options &options, const item_catalogue &catalogue)
{
  std::string out = "{";
  Json_Key(out, "folder", true);
  Json_Text(out, options.folder.c_str());
  Json_Key(out, "order");
  Json_Text(out, ORDER_WORDS[options.order]);
  Json_Key(out, "studies");
  out += "[";
  std::unordered_set<const item_file *> placed;
  for (int s = 0; s < catalogue.nb_child; s++) {
    out += s ? ",\n  " : "\n  ";
    Json_Study(out, catalogue.child[s]);
    for (int r = 0; r < catalogue.child[s].nb_child; r++)
      for (int i = 0; i < catalogue.child[s].child[r].nb_child; i++) placed.insert(catalogue.child[s].child[r].child[i]);
  }
  out += "]";
  Json_Key(out, "unplaced");
  out += "[";
  bool first = true;
  for (int d = 0; d < catalogue.nb_dir; d++) Json_Unplaced(out, catalogue.dir[d], placed, first);
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

// ---- the command -----------------------------------------------------------------------------------

// Sorts the catalogue in the chosen order, reading the headers in every order (the file
// order does not need them, but the JSON and the exit status tell the studies found).
// Returns the tree, or nullptr when cancelled.
List_Tree *Catalogue_Sort(const Scan_Options &options)
{
  List_Tree **slot = List_Tree_Slot(options.order);
  if (options.order == SORT_FILE && Dir_List.nb_child == 0) {
    Progress_Record *progress = Progress_Create(nullptr, "Sort Structure", "Parsing DICOM headers", nullptr, 0);
    if (!Header_Pass(&Dir_List, &Dir_List.dir[0], progress)) Catalogue_Free_Studies(&Dir_List);
    bool cancelled = Progress_Cancelled(progress);
    Progress_End(progress);
    if (cancelled) return nullptr;
  }
  if (!Sort_Start(&Dir_List, slot, options.order)) Sort_Wait();
  return *slot;
}

int Scan_Run(int argc, char **argv)
{
  Scan_Options options;
  int exit_code = Options_Read(argc, argv, options);
  if (exit_code >= 0) return exit_code;
  if (!Cli_Folder_Usable("scan", "source", options.folder.c_str(), CLI_FOLDER_READ)) return CLI_FAILED;
  if (options.folder.back() != '/') options.folder += '/';
  if (options.part10) flag_part_10 = 1;
  if (!Report_Templates_Load(Inst_Path)) return CLI_FAILED;
  if (options.report && !Cli_Folder_Usable("scan", "report", options.report, CLI_FOLDER_CREATE | CLI_FOLDER_WRITE))
    return CLI_FAILED;

  Cli_Progress_Start();
  std::signal(SIGINT, Cli_Progress_Interrupt);
  if (!Scan_Start(options.folder.c_str())) return CLI_FAILED;
  Scan_Wait();
  bool found = Dir_List.nb_dir > 0 && !cli_interrupted;
  List_Tree *tree = found ? Catalogue_Sort(options) : nullptr;
  if (found && !tree) {
    std::fprintf(stderr, "harrowdesk-cli scan: %s\n", cli_interrupted ? "cancelled" : "the sort failed");
    found = false;
  }
  if (tree && Dir_List.nb_child == 0) {
    std::fprintf(stderr, "harrowdesk-cli scan: no file in %s gave a study\n", options.folder.c_str());
    exit_code = CLI_FAILED;
  }
  if (tree) {
    List_Rows rows{};
    List_Rows_Init(rows);
    List_Rows_Build(rows, tree);
    for (int level = LEVEL_FIRST; level < options.level; level++) {
      List_Rows_Level_Change(rows, +1);
      List_Rows_Build(rows, tree);
    }
    if (!Report_Write(rows, options.order, options.folder.c_str(), options.report)) exit_code = CLI_FAILED;
    List_Rows_Free(rows);
  }
  if (options.json) Json_Print(options, Dir_List);
  std::signal(SIGINT, SIG_DFL);
  Cli_Progress_Stop();
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  if (!found) return CLI_FAILED;
  return exit_code >= 0 ? exit_code : CLI_OK;
}

Cli_Register reg({"scan", "catalogue the DICOM files of a folder, sort them and write the reports", Scan_Run});

}  // namespace
