// harrowdesk-cli scan: runs the scan and sort jobs on a folder as the GUI does, opens the
// rows of the chosen order to a level, writes both reports and, with --json, prints the
// catalogue on standard output. On a terminal the jobs' progress shows as a bar on
// standard error; Ctrl-C cancels the running job as its Cancel button would.
// JSON texts are written by cli/cli_json.h.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
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
#include "cli/cli_json.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "util/message_log.h"
#include "util/progress.h"
#include "util/utility_directory.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli scan FOLDER [--order file|study|date|patient-id|name] [--part10]\n"
    "                          [--level 1-4] [--report DIR] [--json]\n"
    "\n"
    "Scans FOLDER for DICOM files, reads their headers into studies, series and images,\n"
    "sorts them in the order given (default: file), opens the list to the level given\n"
    "(default 1) and writes the RTF and CSV reports of that list into DIR (made when\n"
    "missing; default: the temp folder).\n"
    "\n"
    "  --order ORDER  file, study (study ID), date, patient-id or name\n"
    "  --part10       accept only files with the Part 10 signature \"DICM\"\n"
    "  --level N      open the list to level N, 1 to 4\n"
    "  --report DIR   write the reports into DIR\n"
    "  --json         print the catalogue on standard output as JSON\n"
    "\n"
    "Exit status: 0 when DICOM files were found, 1 when none were (or the scan was\n"
    "cancelled or a report could not be written), 2 on a usage error.\n";

const char *const ORDER_WORDS[SORT_ORDERS] = {"file", "study", "date", "patient-id", "name"};

struct Scan_Options {
  std::string folder;
  int order = SORT_FILE;
  int level = 1;
  bool part10 = false;
  bool json = false;
  const char *report = nullptr;
};

// ---- terminal progress -----------------------------------------------------------------------

volatile std::sig_atomic_t interrupted = 0;

void On_Interrupt(int) { interrupted = 1; }

// The jobs' progress on standard error: phase lines, then a bar redrawn at most ten times
// a second on a terminal. Also carries Ctrl-C to the job's cancel flag.
class Terminal_Bar : public Progress_View {
public:
  explicit Terminal_Bar(bool terminal) : terminal_(terminal) {}

  void Notify(Progress_Record *progress, int message) override
  {
    if (interrupted) progress->cancelled.store(true);
    if (!terminal_) return;
    if (message == WM_PROGRESS_TEXT) {
      for (const std::string &line : Progress_Take_Lines(progress))
        std::fprintf(stderr, "\r\033[K%s\n", Log_Text_Clean(line.c_str()).c_str());
      Draw(progress);
    } else if (message == WM_PROGRESS_END) {
      std::fprintf(stderr, "\r\033[K");
    } else {
      auto now = std::chrono::steady_clock::now();
      if (now - drawn_ < std::chrono::milliseconds(100)) return;
      drawn_ = now;
      Draw(progress);
    }
    std::fflush(stderr);
  }

private:
  void Draw(Progress_Record *progress)
  {
    enum { WIDTH = 30 };
    int filled = progress->range > 0 ? (int)((long long)WIDTH * progress->position / progress->range) : 0;
    std::string bar(filled, '#');
    bar.resize(WIDTH, '.');
    std::fprintf(stderr, "\r\033[K%s [%s] %d/%d", progress->subtitle.c_str(), bar.c_str(), progress->position,
                 progress->range);
  }

  bool terminal_;
  std::chrono::steady_clock::time_point drawn_{};
};

Progress_View *Make_Terminal_Bar(Progress_Record *, Window_Handle, void *, int)
{
  return new Terminal_Bar(isatty(STDERR_FILENO) == 1);
}

// ---- options -----------------------------------------------------------------------------------

int Usage_Error(const char *format, const char *word)
{
  std::fprintf(stderr, "harrowdesk-cli scan: ");
  std::fprintf(stderr, format, word);
  std::fprintf(stderr, "\n%s", USAGE);
  return CLI_USAGE;
}

// Fills `options` from argv; returns -1 when they are complete, else the exit code.
int Options_Read(int argc, char **argv, Scan_Options &options)
{
  for (int i = 1; i < argc; i++) {
    std::string word = argv[i];
    bool has_value = i + 1 < argc;
    if (word == "--help" || word == "-h") {
      std::fputs(USAGE, stdout);
      return CLI_OK;
    } else if (word == "--part10") {
      options.part10 = true;
    } else if (word == "--json") {
      options.json = true;
    } else if (word == "--order") {
      if (!has_value) return Usage_Error("%s needs a value", "--order");
      std::string order = argv[++i];
      options.order = -1;
      for (int o = 0; o < SORT_ORDERS; o++)
        if (order == ORDER_WORDS[o]) options.order = o;
      if (options.order < 0) return Usage_Error("unknown order '%s'", argv[i]);
    } else if (word == "--level") {
      if (!has_value) return Usage_Error("%s needs a value", "--level");
      std::string level = argv[++i];
      if (level.size() != 1 || level[0] < '1' || level[0] > '4') return Usage_Error("level '%s' is not 1 to 4", argv[i]);
      options.level = level[0] - '0';
    } else if (word == "--report") {
      if (!has_value) return Usage_Error("%s needs a value", "--report");
      options.report = argv[++i];
    } else if (word.size() > 1 && word[0] == '-') {
      return Usage_Error("unknown option '%s'", argv[i]);
    } else if (options.folder.empty() && !word.empty()) {
      options.folder = word;
    } else {
      return Usage_Error("unexpected argument '%s'", argv[i]);
    }
  }
  if (options.folder.empty()) return Usage_Error("%s", "no FOLDER given");
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

// Sorts the catalogue in the chosen order (reading the headers when the order needs
// them, and for --json in every order). Returns the tree, or nullptr when cancelled.
List_Tree *Catalogue_Sort(const Scan_Options &options)
{
  List_Tree **slot = List_Tree_Slot(options.order);
  if (options.order == SORT_FILE && options.json && Dir_List.nb_child == 0) {
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
  if (options.folder.back() != '/') options.folder += '/';
  if (options.part10) flag_part_10 = 1;
  if (!Report_Templates_Load(Inst_Path)) return CLI_FAILED;
  if (options.report && !Directory_Create(options.report)) {
    std::fprintf(stderr, "harrowdesk-cli scan: cannot create the report folder '%s'\n", options.report);
    return CLI_FAILED;
  }

  progress_view_factory = Make_Terminal_Bar;
  std::signal(SIGINT, On_Interrupt);
  if (!Scan_Start(options.folder.c_str())) return CLI_FAILED;
  Scan_Wait();
  bool found = Dir_List.nb_dir > 0 && !interrupted;
  List_Tree *tree = found ? Catalogue_Sort(options) : nullptr;
  if (found && !tree) {
    std::fprintf(stderr, "harrowdesk-cli scan: %s\n", interrupted ? "cancelled" : "the sort failed");
    found = false;
  }
  if (tree) {
    List_Rows rows{};
    List_Rows_Init(rows);
    List_Rows_Build(rows, tree);
    for (int level = 1; level < options.level; level++) {
      List_Rows_Level_Change(rows, +1);
      List_Rows_Build(rows, tree);
    }
    if (!Report_Write(rows, options.order, options.folder.c_str(), options.report)) exit_code = CLI_FAILED;
    List_Rows_Free(rows);
  }
  if (options.json) Json_Print(options, Dir_List);
  std::signal(SIGINT, SIG_DFL);
  progress_view_factory = nullptr;
  List_Tree_Cache_Free();
  Catalogue_Free(&Dir_List);
  if (!found) return CLI_FAILED;
  return exit_code >= 0 ? exit_code : CLI_OK;
}

Cli_Register reg({"scan", "catalogue the DICOM files of a folder, sort them and write the reports", Scan_Run});

}  // namespace
