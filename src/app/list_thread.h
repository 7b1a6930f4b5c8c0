// The scan and sort jobs: their starters, their process-wide records and the two small
// interfaces through which a job reaches whatever front end runs it (the list pane's
// refresh, and the pacing of a job watched by a person). The jobs never know whether
// the GUI, the CLI or a test runs them.
//
// Both follow the job protocol of app/job.h: the scan and sort starters claim their
// kind, make the progress record and start one worker, which ends with Job_End. A new
// scan frees the catalogue, so it waits for a sort or scan still running (cancelled
// first) and is refused while a copy or push job reads the catalogue.
#pragma once

#include <atomic>

#include "app/catalogue.h"

struct List_Tree;  // one node of a sort tree

// List-pane refresh modes.
enum {
  LIST_REFRESH_REDRAW = -1,  // a file's copy state changed: redraw only
  LIST_REFRESH_SORT = 0,     // a sort finished: rebuild the rows of the current order
  LIST_REFRESH_SCAN = 1,     // a scan finished: show the file order afresh
  LIST_REFRESH_CLEAR = 2,    // a scan starts: drop the rows now, their trees and records
                             // are about to be freed (called on the starter's thread)
};

// The front end's list-pane refresh, called on the worker thread (LIST_REFRESH_CLEAR: on
// the starter's); none installed: no refresh. It must return at once and start no job
// on the worker's thread: the GUI's posts a message to its list pane (whose handler
// may call List_Tree_Get), but empties its rows at once for LIST_REFRESH_CLEAR. A sort
// worker may call it with LIST_REFRESH_SORT after its job has ended (Sort_Start).
typedef void (*List_Refresh_Function)(int mode);
extern std::atomic<List_Refresh_Function> list_refresh;

// Asks the installed front end to refresh the list pane with `mode`.
void List_Refresh(int mode);

// The pacing switch of the jobs: on, each job pauses after its phases (100 ms) and
// while counting and sorting (10 ms every 256 units), so that a window stays
// responsive and a person can read each phase line. The GUI turns it on; the CLI, the
// benchmarks and the tests leave it off.
extern std::atomic<bool> job_pacing;

// Starts the scan job on `folder`: empties the list pane's rows (LIST_REFRESH_CLEAR),
// frees the catalogue `Dir_List` and the sort trees, sets Dir_List.path and starts the
// worker, which counts the files, walks the folder and stores the top directory record
// as Dir_List.dir[0] when it accepted files. A sort or scan job still running is
// cancelled and waited for first (both read the catalogue).
// Returns 1 when the worker was started. Returns 0 when `folder` is null or empty; when
// a copy or push job runs (MSG_WARNING "A %s job is running: wait for it to end before
// scanning a folder.", with "copy" or "push"; nothing is freed); when its copy cannot be
// made or the thread cannot be started (each reported).
// Precondition: called from the catalogue's thread.
int Scan_Start(const char *folder);

// Asks for the tree of `order` (0 to 4) over `catalogue` in `slot`; never waits for a
// running sort (a sort worker at its end is joined) and never replaces a tree. A filled
// slot: returns 1 at once. Order 0 is built at once on the calling thread and stored in
// the slot: returns 1. Orders 1 to 4 start the sort worker (header pass when the
// catalogue has no studies yet, image totals, sort entries, the order's builder; the
// root goes into the slot only when complete, then the list pane is refreshed with
// LIST_REFRESH_SORT): returns 0, also when the worker could not be started (reported). While a sort runs, a request of another slot is
// refused at once (0) and remembered: once the running sort has ended, its worker asks
// the list pane to refresh with LIST_REFRESH_SORT once more, so that the pane asks
// again (List_Tree_Get). A request for the slot being sorted returns 0 at once.
// Returns 0 for an order outside 0 to 4 and, for orders 1 to 4, an empty catalogue.
// Preconditions: called from the catalogue's thread; no scan job running; the slot is
// read and written only by the catalogue's thread and the sort job.
int Sort_Start(item_catalogue *catalogue, List_Tree **slot, int order);

// Waits until the scan (or sort) worker started last has ended; returns at once when
// none runs. For front ends that run a job to its end (the CLI, tests).
// Precondition: called from the catalogue's thread.
void Scan_Wait();
void Sort_Wait();

// Asks the running scan (or sort) job to stop at its next check, as its Cancel button
// does; nothing when none runs. Async-signal-safe (Job_Cancel).
void Scan_Cancel();
void Sort_Cancel();
