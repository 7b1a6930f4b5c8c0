// The push job: sends the selected files of the catalogue to the configured storage
// server, one association per file, on a worker thread under a "Pushing" progress
// record. It marks each file entry with its outcome, writes the audit trail, keeps
// failed files in the fail folder (copied, or moved when stored files are deleted) and
// deletes stored files when asked; after deletions it asks for the catalogue's folder
// to be scanned again (Job_Rescan_Ask of app/job.h: the scan runs on the catalogue's
// thread). It follows the job protocol of app/job.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "app/dcmtk_cstore.h"  // CSTORE_NO_STATUS

// The counts of the push job that ran last.
struct Push_Result {
  int count = 0;           // files given to the job
  int successes = 0;       // stored (success or warning status)
  int failures = 0;        // not stored, or without a readable meta header; the rest of
                           // the count was not tried (after a cancel)
  int skipped = 0;         // of the failures: files without a readable meta header (not sent)
  bool cancelled = false;  // the job stopped before its last file
};

// How one file of the push job ended, for a front end that lists them.
struct Push_File_Outcome {
  int index = 0;             // its place in the job's list, from 0
  std::string path;
  std::string sop_instance;  // its SOP Instance UID, or empty when not read
  int status = CSTORE_NO_STATUS;  // the C-STORE response's status, or none came
  bool stored = false;       // the server confirmed it (success or warning status)
  bool skipped = false;      // no readable meta header: not sent
};

// Called on the push worker after each file, in order; must not start or wait for jobs.
typedef std::function<void(const Push_File_Outcome &outcome)> Push_Listener;

// Starts the push job over `files` (the selected file entries, in the depth-first
// order of the current sort tree; the entries must stay valid until the job ends). The
// server settings (server_peer, server_port, server_AET, local_AET) and the fail and
// delete settings (flag_fail, dir_fail, delete_push) and the C-STORE timeouts
// (timeout_connect, timeout_acse, timeout_dimse) are taken as they are now, for the
// whole job.
// Returns 1 when the worker runs. Returns 0 when a push job is running already (after
// the MSG_WARNING "A push job is running already: wait for it to end before starting
// another."; nothing else happens) or the thread cannot be started (after the
// error-file lines "file:%s line:%d" and "Unable to start push thread").
// After a deletion the worker, at its end, asks for a rescan: the job_rescan hook is
// called on the worker, or, with none installed, Push_Wait runs it.
// `listener` (may be empty) hears of each file tried.
// Preconditions: called from the catalogue's thread; a scan is refused while it runs.
int Push_Start(const std::vector<item_file *> &files, const Push_Listener &listener = Push_Listener());

// Waits until the push worker has ended (returns at once when none runs); with no
// job_rescan hook installed, then runs the rescan it asked for (after deletions) on
// this thread and waits for that scan too. Gives the counts of the job.
// Precondition: called from the catalogue's thread.
Push_Result Push_Wait();

// Sets the cancel flag of the running push job, as its Cancel button does: the
// association in progress is aborted at once, that file is marked failed (COPY_FAILED,
// audited as failed, kept out of the fail folder) and the job ends before its next
// file, leaving the files not tried untouched. Nothing when none runs.
// Async-signal-safe (Job_Cancel).
void Push_Cancel();
