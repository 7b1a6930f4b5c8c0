// What a progress window costs the job that reports to it, on the headless backend: a
// worker makes 100,000 Progress_Set_Position calls on a record with a "Progress" window
// attached while the user-interface thread runs its loop, then the same on a record with
// no view at all. Prints how many bar redraws the window made (the position messages are
// coalesced, so far fewer than the calls), the worker's time both ways and their ratio,
// with the machine's load average, since the two cores are shared. Each figure is the
// median of five runs.
// Usage: harrowdesk_progress_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"
#include "tools/progress_window.h"

constexpr int CALLS = 100000, RUNS = 5;

static long redraws = 0;
static double redraw_seconds = 0;

static double Seconds_Since(std::chrono::steady_clock::time_point start)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The window's own procedure, counting the position messages that reach it (each one
// redraws the bar) and the time they take.
static intptr_t Counting_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (message != WM_PROGRESS_POSITION) return Progress_Window_Proc(window, message, wparam, lparam);
  auto start = std::chrono::steady_clock::now();
  intptr_t result = Progress_Window_Proc(window, message, wparam, lparam);
  redraw_seconds += Seconds_Since(start);
  redraws++;
  return result;
}

// One job: a worker sets the position CALLS times while this thread runs the loop until
// the worker asks it to quit. Returns the worker's time in seconds.
static double Job_Run()
{
  Progress_Record *progress = Progress_Create(nullptr, "Benchmark", "Setting positions", nullptr, 0);
  Progress_Show(progress);
  Progress_Set_Range(progress, CALLS);
  while (Window_Process_Pending() > 0) {  // the window is drawn and idle before the job starts
  }
  double seconds = 0;
  std::thread worker([&] {
    auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= CALLS; i++) Progress_Set_Position(progress, i);
    seconds = Seconds_Since(start);
    Window_Post_Quit(0);
  });
  Window_Run_Loop();
  worker.join();
  Progress_End(progress);
  while (Window_Process_Pending() > 0) {
  }
  return seconds;
}

static double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

static void Load_Average(char *text, size_t size)
{
  snprintf(text, size, "unknown");
  if (FILE *file = fopen("/proc/loadavg", "r")) {
    double one, five, fifteen;
    if (fscanf(file, "%lf %lf %lf", &one, &five, &fifteen) == 3) snprintf(text, size, "%.2f %.2f %.2f", one, five, fifteen);
    fclose(file);
  }
}

int main()
{
  if (!Window_System_Start(WINDOW_BACKEND_HEADLESS)) return 1;
  Window_Class progress_class;
  progress_class.name = PROGRESS_CLASS;
  progress_class.procedure = Counting_Proc;
  progress_class.background = PROGRESS_BACKGROUND;
  if (!Window_Class_Register(progress_class)) return 1;

  std::vector<double> attached, bare, drawn;
  for (int run = 0; run < RUNS; run++) {
    progress_view_factory = Progress_Window_View;
    redraws = 0;
    redraw_seconds = 0;
    attached.push_back(Job_Run());
    drawn.push_back((double)redraws);
    progress_view_factory = nullptr;
    bare.push_back(Job_Run());
    printf("run %d:             window %.2f ms with %ld bar redraws (%.0f us each), no view %.2f ms\n", run + 1,
           attached.back() * 1e3, redraws, redraws ? redraw_seconds * 1e6 / redraws : 0.0, bare.back() * 1e3);
  }
  char load[64];
  Load_Average(load, sizeof load);
  double with_window = Median(attached), without = Median(bare);
  printf("calls:             %d Progress_Set_Position from one worker, median of %d runs\n", CALLS, RUNS);
  printf("bar redraws:       %.0f (coalesced position messages that reached the window)\n", Median(drawn));
  printf("worker, window:    %.2f ms (%.0f ns a call)\n", with_window * 1e3, with_window * 1e9 / CALLS);
  printf("worker, no view:   %.2f ms (%.0f ns a call)\n", without * 1e3, without * 1e9 / CALLS);
  printf("ratio:             %.1f x\n", without > 0 ? with_window / without : 0.0);
  printf("load average:      %s\n", load);
  Window_System_Stop();
  return 0;
}
