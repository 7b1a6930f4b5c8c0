// Times the catalogue view on the headless backend: a synthetic catalogue (by default
// 100,000 images in 5,000 studies) listed by name and opened to level 4, then the rows
// rebuilt, one frame of the list pane drawn (412 x 598 pixels, the list pane of a
// 900 x 600 main window), and a scroll through the whole list in slider steps of one
// screen. Prints one line per figure, with the load average of the machine, and saves
// the last frame as a PNG file when a path is given.
//
//   view_bench [images] [studies] [frame.png]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/list_graph.h"
#include "app/list_rows.h"
#include "app/list_sort.h"
#include "bench_catalogue.h"
#include "platform/window/window_png.h"
#include "platform/window/window_system.h"
#include "tools/icon.h"

enum { WINDOW_WIDTH = 900, WINDOW_HEIGHT = 600, PANE_X = 208, PANE_WIDTH = 412, PANE_HEIGHT = 598, REPEAT = 21 };

// The median of `count` timings of `work`, in milliseconds.
template <typename Work>
static double Median_Ms(int count, Work work)
{
  std::vector<double> times;
  for (int i = 0; i < count; i++) {
    auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(Bench_Seconds_Since(start) * 1000.0);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

int main(int argc, char **argv)
{
  int nb_image = argc > 1 ? atoi(argv[1]) : 100000;
  int nb_study = argc > 2 ? atoi(argv[2]) : 5000;
  if (nb_image < 1 || nb_study < 1 || nb_study > nb_image) {
    fprintf(stderr, "usage: view_bench [images] [studies <= images] [frame.png]\n");
    return 2;
  }
  setenv("HARROWDESK_BACKEND", "headless", 1);
  if (!Window_System_Start(WINDOW_BACKEND_HEADLESS)) return 1;
  Icon_Folder_Set(HARROWDESK_ICONS);
  Window_Class bench_class;
  bench_class.name = "VIEW_BENCH";
  bench_class.procedure = Window_Default_Proc;
  Window_Class_Register(bench_class);
  Window_Handle window = Window_Create(0, "VIEW_BENCH", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, WINDOW_WIDTH,
                                       WINDOW_HEIGHT, nullptr, 0, nullptr);
  if (!window) return 1;

  item_catalogue catalogue{};
  Bench_Catalogue_Make(catalogue, nb_image, nb_study);
  std::vector<List_Sort_Entry> entries((size_t)nb_study);
  for (int i = 0; i < nb_study; i++) entries[(size_t)i] = {&catalogue.child[i], i};
  List_Tree *tree = List_Tree_Build(SORT_PATIENT_NAME, entries.data(), &catalogue);
  List_Rows rows{};
  List_Rows_Init(rows);
  List_Rows_Build(rows, tree);
  for (int level = 2; level <= 4; level++) {
    List_Rows_Level_Change(rows, +1);
    List_Rows_Build(rows, tree);
  }
  List_Rows_Select(rows, 3, 40, 0);  // some selected and part-selected rows in sight
  printf("%d images in %d studies, by Name at level 4: %d rows\n", nb_image, nb_study, rows.nb_row);

  double build = Median_Ms(REPEAT, [&] { List_Rows_Build(rows, tree); });
  printf("%-26s %8.3f ms (median of %d)\n", "rebuild the rows", build, REPEAT);

  Tools_Device view;
  view.x = PANE_X;
  view.y = 1;
  view.width = PANE_WIDTH;
  view.height = PANE_HEIGHT;
  view.red = view.green = view.blue = 235;
  List_Graph_Init(view, window);
  const char *folder = catalogue.path;
  List_Graph_Draw(view, rows, 0, folder);  // icons and glyphs loaded once, as in the program
  double frame = Median_Ms(REPEAT, [&] { List_Graph_Draw(view, rows, 0, folder); });
  int range = List_Graph_Slider_Range(view, rows.nb_row);
  double middle = Median_Ms(REPEAT, [&] { List_Graph_Draw(view, rows, range / 2, folder); });
  printf("%-26s %8.3f ms at the top, %.3f ms in the middle (median of %d)\n", "draw one frame", frame, middle, REPEAT);

  int step = view.height, frames = 0;
  auto start = std::chrono::steady_clock::now();
  for (int offset = 0;; offset = std::min(offset + step, range)) {
    List_Graph_Draw(view, rows, offset, folder);
    frames++;
    if (offset == range) break;
  }
  double seconds = Bench_Seconds_Since(start);
  printf("%-26s %8.0f frames/s (%d frames of %d pixels)\n", "scroll through the list", frames / seconds, frames, step);

  if (argc > 3 && !Window_Save_PNG(window, argv[3])) return 1;
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) printf("%-26s %.2f %.2f %.2f\n", "load average", load[0], load[1], load[2]);
  List_Rows_Free(rows);
  List_Tree_Free(tree);
  Catalogue_Free(&catalogue);
  Window_System_Stop();
  return 0;
}
