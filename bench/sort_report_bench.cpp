// Times the sort trees, the view's rows and selection, and both reports on a synthetic
// catalogue held in memory (no files are read): by default 100,000 images in 5,000
// studies of 2,500 patients, four series a study. Prints one line per step.
//
//   sort_report_bench [images] [studies] [report folder]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/list_rows.h"
#include "app/list_sort.h"
#include "app/report_template.h"
#include "app/report_write.h"
#include "bench_catalogue.h"
#include "platform/os/os_paths.h"

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
  Bench_Catalogue_Make(catalogue, nb_image, nb_study);
  Report_Templates_Load(out + "/no-templates-here/");  // the default columns
  printf("%d images in %d studies\n", nb_image, nb_study);

  auto start = std::chrono::steady_clock::now();
  *List_Tree_Slot(SORT_FILE) = List_Tree_File(&catalogue);
  printf("%-28s %8.4f s\n", "tree by File", Bench_Seconds_Since(start));
  std::vector<List_Sort_Entry> entries((size_t)nb_study);
  for (int order = SORT_STUDY_ID; order < SORT_ORDERS; order++) {
    for (int i = 0; i < nb_study; i++) entries[(size_t)i] = {&catalogue.child[i], i};
    start = std::chrono::steady_clock::now();
    *List_Tree_Slot(order) = List_Tree_Build(order, entries.data(), &catalogue);
    printf("tree %-23s %8.4f s (%d top nodes)\n", List_Order_Name(order), Bench_Seconds_Since(start),
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
  printf("%-28s %8.4f s (%d rows)\n", "rows opened to level 4", Bench_Seconds_Since(start), rows.nb_row);
  start = std::chrono::steady_clock::now();
  int selected = List_Rows_Select(rows, 0, rows.nb_row - 1, 0);
  item_file **files = nullptr;
  int count = 0;
  List_Rows_Collect_Selected(rows, &files, &count);
  printf("%-28s %8.4f s (%d files)\n", "select all and collect", Bench_Seconds_Since(start), selected);
  free(files);
  start = std::chrono::steady_clock::now();
  int written = Report_Write(rows, SORT_PATIENT_NAME, "/bench/", out.c_str());
  printf("%-28s %8.4f s (%s)\n", "RTF and CSV reports", Bench_Seconds_Since(start), written ? "written" : "FAILED");
  List_Rows_Free(rows);
  List_Tree_Cache_Free();
  Catalogue_Free(&catalogue);
  return written ? 0 : 1;
}
