// The records of the scan and sort jobs and their workers, shared by the starters
// (list_thread) and the workers (list_work) only.
#pragma once

#include <string>
#include <thread>

#include "app/catalogue.h"
#include "util/progress.h"

struct List_Tree;

struct Scan_Job {
  std::string folder;            // the folder to scan
  item_catalogue *catalogue;     // the catalogue to fill
  Progress_Record *progress;     // the worker's progress record (released by Progress_End), or none
  Progress_Record *held;         // the record's reference kept for Scan_Cancel, or none
  std::thread thread;
};

struct Sort_Job {
  int order;                     // 1 to 4
  List_Tree **slot;              // where the finished root goes
  item_catalogue *catalogue;
  Progress_Record *progress;
  Progress_Record *held;
  std::thread thread;
};

// The scan worker: count, walk, store the top directory record, refresh, end.
void Scan_Work(Scan_Job *job);
// The sort worker: header pass when needed, image totals, sort entries, builder,
// refresh, end.
void Sort_Work(Sort_Job *job);
