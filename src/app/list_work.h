// The arguments of the scan and sort jobs and their workers, shared by the starters
// (list_thread) and the workers (list_work) only. The job records themselves (thread,
// progress record, running and cancel flags) are those of app/job.h.
#pragma once

#include <atomic>
#include <string>

#include "app/catalogue.h"

struct List_Tree;

struct Scan_Job {
  std::string folder;            // the folder to scan
  item_catalogue *catalogue;     // the catalogue to fill
};

struct Sort_Job {
  int order;                     // 1 to 4
  List_Tree **slot;              // where the finished root goes
  item_catalogue *catalogue;
  std::atomic<bool> waiting{false};  // a request of another slot was refused meanwhile
};

// The scan worker: count, walk, store the top directory record, refresh, end.
void Scan_Work(Scan_Job *job);
// The sort worker: header pass when needed, image totals, sort entries, builder,
// refresh, end; then, when a request was refused meanwhile, one more LIST_REFRESH_SORT.
void Sort_Work(Sort_Job *job);
