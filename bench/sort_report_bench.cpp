// Times the sort trees, the view's rows and selection, and both reports on a synthetic
// catalogue held in memory (no files are read): by default 100,000 images in 5,000
// studies of 2,500 patients, four series a study. Prints one line per step.
//
//   sort_report_bench [images] [studies] [report folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/report_template.h"
#include "app/report_write.h"
#include "dicom/conv_name_fct.h"
#include "dicom/conv_time_fct.h"
#include "platform/os/os_paths.h"

namespace {

double Seconds_Since(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Fills `catalogue` with `nb_study` studies of four series sharing `nb_image` images,
// all in one folder; names, IDs and dates repeat so that the orders group.
void Catalogue_Make(item_catalogue &catalogue, int nb_image, int nb_study)
{
  item_dir *top = (item_dir *)calloc(1, sizeof(item_dir));
  top->name = strdup("/bench/");
  top->path = strdup("/bench/");
  top->nb_file = top->nb_dicom = nb_image;
  top->file = (item_file *)calloc((size_t)nb_image, sizeof(item_file));
  catalogue.path = strdup("/bench/");
  catalogue.nb_dir = 1;
  catalogue.dir = top;
  catalogue.nb_child = nb_study;
  catalogue.child = (item_study *)calloc((size_t)nb_study, sizeof(item_study));
  static const char *const family[] = {"SMITH", "Jones", "O'BRIEN", "Nguyen", "MULLER", "garcia", "Kim", "ROSSI"};
  int file = 0;
  for (int s = 0; s < nb_study; s++) {
    item_study &study = catalogue.child[s];
    char text[64];
    unsigned patient = (unsigned)(s * 7919) % (unsigned)(nb_study / 2 + 1);
    snprintf(text, sizeof text, "%u", s * 37 % 10007);
    study.Study_ID = strdup(text);
    snprintf(text, sizeof text, "P%06u", patient);
    study.Patient_ID = strdup(text);
    study.Patient_Name = (Ardent_Name *)calloc(1, sizeof(Ardent_Name));
    snprintf(text, sizeof text, "GIVEN%u", patient % 97);
    Make_Ardent_Name_From_Parts(study.Patient_Name, family[patient % 8], text, nullptr, nullptr, nullptr);
    study.Study_Date = (Ardent_Date *)calloc(1, sizeof(Ardent_Date));
    Ardent_Date_Set(study.Study_Date, 1990 + s % 30, 1 + s % 12, 1 + s % 28);
    strcpy(study.folder[0], "bench");
    int images = nb_image / nb_study + (s < nb_image % nb_study);
    study.nb_child = 4;
    study.child = (item_series *)calloc(4, sizeof(item_series));
    for (int k = 0; k < 4; k++) {
      item_series &series = study.child[k];
      series.series_number = k + 1;
      series.nb_child = images / 4 + (k < images % 4);
      series.child = (item_file **)calloc((size_t)series.nb_child + 1, sizeof(item_file *));
      for (int i = 0; i < series.nb_child; i++, file++) {
        snprintf(text, sizeof text, "/bench/IM%07d", file);
        top->file[file] = {SELECT_NO, COPY_NONE, nullptr, strdup(text), nullptr, i + 1};
        series.child[i] = &top->file[file];
        strcpy(series.first_file, "IM0000000");
        strcpy(series.last_file, "IM9999999");
      }
      study.nb_image += series.nb_child;
    }
    study.nb_file = study.nb_image;
    strcpy(study.first_file, "IM0000000");
    strcpy(study.last_file, "IM9999999");
  }
}

}  // namespace

int main(int argc, char **argv)
{
  int nb_image = argc > 1 ? atoi(argv[1]) : 100000;
  int nb_study = argc > 2 ? atoi(argv[2]) : 5000;
  std::string out = argc > 3 ? argv[3] : Os_Temp_Dir();
  if (nb_image < 1 || nb_study < 1 || nb_study > nb_image) {
    fprintf(stderr, "usage: sort_report_bench [images] [studies <= images] [report folder]\n");
    return 2;
  }
  item_catalogue catalogue{};
  Catalogue_Make(catalogue, nb_image, nb_study);
  Report_Templates_Load(out + "/no-templates-here/");  // the default columns
  printf("%d images in %d studies\n", nb_image, nb_study);

  auto start = std::chrono::steady_clock::now();
  *List_Tree_Slot(SORT_FILE) = List_Tree_File(&catalogue);
  printf("%-28s %8.4f s\n", "tree by File", Seconds_Since(start));
  std::vector<List_Sort_Entry> entries((size_t)nb_study);
  for (int order = SORT_STUDY_ID; order < SORT_ORDERS; order++) {
    for (int i = 0; i < nb_study; i++) entries[(size_t)i] = {&catalogue.child[i], i};
    start = std::chrono::steady_clock::now();
    *List_Tree_Slot(order) = List_Tree_Build(order, entries.data(), &catalogue);
    printf("tree %-23s %8.4f s (%d top nodes)\n", List_Order_Name(order), Seconds_Since(start),
           (*List_Tree_Slot(order))->nb_child);
  }

  List_Rows rows{};
  List_Rows_Init(rows);
  start = std::chrono::steady_clock::now();
  List_Rows_Build(rows, *List_Tree_Slot(SORT_PATIENT_NAME));
  for (int level = 2; level <= 4; level++) {
    List_Rows_Level_Change(rows, +1);
    List_Rows_Build(rows, *List_Tree_Slot(SORT_PATIENT_NAME));
  }
  printf("%-28s %8.4f s (%d rows)\n", "rows opened to level 4", Seconds_Since(start), rows.nb_row);
  start = std::chrono::steady_clock::now();
  int selected = List_Rows_Select(rows, 0, rows.nb_row - 1, 0);
  item_file **files = nullptr;
  int count = 0;
  List_Rows_Collect_Selected(rows, &files, &count);
  printf("%-28s %8.4f s (%d files)\n", "select all and collect", Seconds_Since(start), selected);
  free(files);
  start = std::chrono::steady_clock::now();
  int written = Report_Write(rows, SORT_PATIENT_NAME, "/bench/", out.c_str());
  printf("%-28s %8.4f s (%s)\n", "RTF and CSV reports", Seconds_Since(start), written ? "written" : "FAILED");
  List_Rows_Free(rows);
  List_Tree_Cache_Free();
  Catalogue_Free(&catalogue);
  return written ? 0 : 1;
}
