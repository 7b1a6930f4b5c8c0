// The one protocol that every job follows (scan, sort, copy, push): one process-wide
// record per kind of job (its worker thread, its progress record and a second
// reference to it kept for cancelling, its running and cancel flags, and its thread's
// name for the error file), and the operations a starter and its worker call on it. A
// starter claims the kind (one atomic exchange, so "a job of this kind runs" has one
// rule and no check-then-act race), makes and shows the job's progress record, and
// starts the worker; the worker reports through the progress operations, reads
// Job_Cancelled between units of work and ends with Job_End, whose last act clears the
// running flag. The catalogue's thread (the GUI's main thread, the CLI's only thread)
// joins a finished worker when it claims the kind again or waits for it.
//
// The copy and push jobs change the catalogue's folder (moves, deletions); they never
// scan it again on their own thread but ask the catalogue's thread to (job_rescan,
// Job_Rescan_Run), since a scan frees the catalogue that other jobs read.
//
// Index: kinds / claim / progress / start and end / wait and cancel / rescan.
#pragma once

#include <atomic>
#include <functional>
#include <source_location>

#include "platform/os/window_handle.h"

struct Progress_Record;  // util/progress.h

// ---- kinds ----------------------------------------------------------------------------

// The kinds of job; each has one record. The sort shares the scan's thread name in the
// error file ("Unable to start scan thread").
enum Job_Kind {
  JOB_SCAN,
  JOB_SORT,
  JOB_COPY,
  JOB_PUSH,
  JOB_KINDS,
};

// The name of the kind's thread: "scan" (scan and sort), "copy" or "push".
const char *Job_Thread_Name(Job_Kind kind);

// ---- claim ----------------------------------------------------------------------------

// Claims the kind for a new job: returns 1 and the record is the caller's (the previous
// worker, already at its end, is joined, its progress reference given back, and the
// cancel flag cleared); returns 0 at once, changing nothing, while a job of the kind
// runs (from its claim until the last act of Job_End).
// Precondition: called from the catalogue's thread.
int Job_Claim(Job_Kind kind);

// Job_Claim for a job that the operator asked for: when a job of the kind runs, it
// also writes the MSG_WARNING "A %s job is running already: wait for it to end before
// starting another." (the thread name) to `owner`.
int Job_Claim_Reported(Job_Kind kind, Window_Handle owner);

// Gives a claim back without starting a worker (a starter that refuses after claiming).
// Precondition: the caller claimed the kind and made no progress record.
void Job_Unclaim(Job_Kind kind);

// True from a claim until the worker's Job_End (or Job_Unclaim). Any thread.
bool Job_Running(Job_Kind kind);

// ---- progress -------------------------------------------------------------------------

// Makes the job's progress record with `title` and `subtitle` (owned by `owner`, may be
// null), paced by job_pacing, shows it and sets its range to `range`; the record keeps
// a second reference for Job_Cancel, given back by Job_Wait or the next claim. A null
// `title` makes no record (a job without progress). Returns the record, or nullptr
// (none wanted, or Progress_Create failed after reporting: the job runs without one).
// Precondition: the caller holds the claim and has not started the worker.
Progress_Record *Job_Progress_Start(Job_Kind kind, Window_Handle owner, const char *title, const char *subtitle,
                                    int range);

// The job's progress record, or nullptr: valid on the worker until its Job_End.
Progress_Record *Job_Progress(Job_Kind kind);

// ---- start and end --------------------------------------------------------------------

// Starts `work` on the job's own thread. Returns 1 when it runs. Returns 0 when the
// thread cannot be started: the progress record is ended (Progress_End), the error file
// gets MSG_ERRLOG "file:%s line:%d" naming the starter's source and line (`where`) and
// MSG_ERRLOG "Unable to start %s thread" (the thread name), and the claim is given back.
// Precondition: the caller holds the claim. `work` must end with Job_End(kind).
int Job_Run(Job_Kind kind, std::function<void()> work,
            std::source_location where = std::source_location::current());

// The worker's end: Progress_End of its progress record, then, as its very last act on
// the record, clears the running flag (the kind may be claimed again from then on).
// Called on the worker thread; the worker must not touch its job's record afterwards.
void Job_End(Job_Kind kind);

// ---- wait and cancel ------------------------------------------------------------------

// Waits until the worker started last has returned (joins it), then gives back the
// reference kept for cancelling. Returns at once when no worker was started.
// Precondition: called from the catalogue's thread.
void Job_Wait(Job_Kind kind);

// Asks the running job to stop: sets its cancel flag and its progress record's
// cancelled flag, as the Cancel button does. Does nothing that lasts when none runs
// (the next claim clears the flag). Lock-free and async-signal-safe: a SIGINT handler
// may call it on any thread.
void Job_Cancel(Job_Kind kind);

// The worker's check between units of work, or polled inside a long one (the push job's
// C-STORE client asks it ten times a second): the job's cancel flag or its progress
// record's cancelled flag (Cancel button, close box). Lock-free. Called on the worker.
bool Job_Cancelled(Job_Kind kind);

// ---- rescan ---------------------------------------------------------------------------

// The front end's hook, called on a copy or push worker at its end when the catalogue's
// folder should be scanned again (files moved or deleted). It must return at once and
// start no job on that thread: the desktop program posts a message to its main window,
// whose handler calls Job_Rescan_Run. None installed (the CLI, tests): Copy_Wait and
// Push_Wait run the rescan on the waiting thread (Job_Rescan_Finish).
typedef void (*Job_Rescan_Function)();
extern std::atomic<Job_Rescan_Function> job_rescan;

// Called by the copy and push workers just before Job_End: `wanted` is set when this
// job changed the catalogue's folder. Marks the job as at its end, and when a rescan is
// pending (wanted now, or by a job that ended while this one ran) calls the job_rescan
// hook when one is installed. The hook may so be called more than once for one rescan:
// Job_Rescan_Run runs it once and returns 0 to the later calls.
void Job_Rescan_Ask(Job_Kind kind, bool wanted);

// Runs the pending rescan on the catalogue's thread: waits for the copy and push
// workers that asked (they are at their end) and starts Scan_Start on a copy of
// Dir_List.path. Returns 1 when the scan was started. Returns 0 when no rescan is
// pending or Dir_List.path is absent; and 0 with the rescan still pending while another
// copy or push job runs (the catalogue is in use: that job asks again when it ends).
// Precondition: called from the catalogue's thread.
int Job_Rescan_Run();

// For Copy_Wait and Push_Wait: with no job_rescan hook installed, runs the pending
// rescan here (Job_Rescan_Run) and waits for that scan to end; with a hook, nothing.
void Job_Rescan_Finish();
