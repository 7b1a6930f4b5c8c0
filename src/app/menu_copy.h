// The copy job: copies, or moves, every selected file of a sort tree into the copy
// target folder, under the folders and name that its own header gives it (copy_name),
// with numbered names instead of ever writing over a file. It runs on a worker thread
// under a progress record, marks each file entry with its outcome, writes one audit line
// per file copied or moved, and after a move asks for the catalogue's folder to be
// scanned again (Job_Rescan_Ask of app/job.h: the scan runs on the catalogue's thread).
// When the scan that built the catalogue could not read some paths, the summary says
// how many were left out.
//
// It follows the job protocol of app/job.h; one copy job runs at a time: a second
// start while one runs is refused.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "platform/os/window_handle.h"

struct List_Tree;  // a node of a sort tree (app/list_sort.h)

// What steers one copy job, taken from the settings when it starts.
struct Copy_Settings {
  std::string dir_copy;   // the target folder, ending with "/"
  int sub_dir = 3;        // flag_sub_dir
  int dicomdir = 0;       // flag_dicomdir
  int standard_name = 0;  // flag_standard_name
  int move = 0;           // delete_copy: rename instead of copying
  int dicomdir_file = 1;  // with `dicomdir`: write (or merge) the target's DICOMDIR at the end
  size_t block_size = 0;  // the data copy's block size; 0 = the kernel's copy (copy_data.h)
};

// The settings of a job started now: dir_copy (a "/" added when missing), flag_sub_dir,
// flag_dicomdir, flag_standard_name and delete_copy.
Copy_Settings Copy_Settings_Current();

// How the work on one file ended.
enum Copy_File_End {
  COPY_FILE_FAILED = 0,      // a DICOM file that could not be copied or moved (reported)
  COPY_FILE_DONE = 1,        // copied or moved, or for a dry run: a target was found
  COPY_FILE_NOT_DICOM = 2,   // no readable header (a text among the images): left alone
};

// Works out where `source` would go, for a dry run: reads its header (copy_values),
// names it by the scheme of `settings`, and picks the first free name of the target and
// its 99 numbered alternatives (target + "01" to "99"), writing the two warnings when
// the plain name is taken. Names in `planned` count as taken too, and the chosen one is
// added to it. Creates nothing. Returns COPY_FILE_DONE with the full path in *target.
// Returns COPY_FILE_NOT_DICOM when the header gives no list (reported by the header
// reader), COPY_FILE_FAILED when every name is taken (reported as an error line);
// *target is then empty.
int Copy_Target(const Copy_Settings &settings, const char *source, std::set<std::string> *planned,
                std::string *target);

// The target folders a copy job holds open between files: dir_copy, and the folder of
// the last file with its path. Closed when the record goes.
struct Copy_Folders {
  int root = -1;                 // dir_copy, or -1 until needed
  int leaf = -1;                 // the last folder below it that a file went into, or -1
  std::string leaf_path;         // its path, ending with "/"
  std::string root_inheritance;  // Os_Folder_Inheritance of each, "" until known
  std::string leaf_inheritance;
  Copy_Folders() = default;
  Copy_Folders(const Copy_Folders &) = delete;
  Copy_Folders &operator=(const Copy_Folders &) = delete;
  ~Copy_Folders();
};

// Copies or moves one file by `settings` (the copy job's unit of work), with the audit
// and thread lines. The folders below dir_copy are created and entered without
// following links: a link among them fails the file with an error line naming it. The
// file gets the first free name of its name and the numbered alternatives (name01 to
// name99) at the moment it is named, so nothing is ever written over; a copy keeps the
// source's permission bits and appears under its name only when whole (copy_data).
// A move renames; a link, or a file on another file system, is copied, checked and
// then removed (the link only). Returns 1 on success; 0 on failure, after reporting it.
// A failed copy leaves no target behind; a failed move leaves the source where it was.
// `folders` (may be null: the call opens and closes its own) keeps the target folders
// open for the job's next file; one job's files only, on one thread.
int Copy_File(const Copy_Settings &settings, const char *source, Copy_Folders *folders = nullptr);

// The outcome of the last copy job.
struct Copy_Result {
  int count = 0;      // selected files
  int done = 0;       // files copied or moved
  int failed = 0;     // files that failed, the skipped ones included
  int skipped = 0;    // of the failed: files without a readable header (not DICOM)
  std::vector<std::string> causes;  // "PATH: CAUSE" for each failed file that is not skipped
  int lost = 0;       // paths that the scan of the catalogue could not read (left out)
  bool cancelled = false;
  std::string media_directory;  // the DICOMDIR written or merged at the end, "" when none
};

// Starts the copy job over the selected files of `root` (the tree of the current order)
// in its depth-first order, with a progress window titled "Copying" owned by `owner`,
// steered by `settings`, or by the current settings when that is null.
// Returns 1 when the worker runs. Returns 0 when a copy job is running already ("A copy
// job is running already: wait for it to end before starting another."), when no
// target folder is set ("No copy folder is set: choose one on the Copy page of the
// settings."; both MSG_WARNING to `owner`), or when the thread cannot be started
// (MSG_ERRLOG "file:%s line:%d" and "Unable to start copy thread").
// The result's `lost` is the number of paths that the scan of the catalogue could not
// read (Catalogue_Lost): the summary then says that many were left out.
// After a move of at least one file the worker, at its end, asks for a rescan: the
// job_rescan hook is called on the worker, or, with none installed, Copy_Wait runs it.
// Preconditions: called from the catalogue's thread; `root` and the catalogue stay
// valid until the job ends (a scan is refused while it runs).
int Copy_Start(Window_Handle owner, List_Tree *root, const Copy_Settings *settings = nullptr);

// Waits for the copy job started last; with no job_rescan hook installed, then runs the
// rescan it asked for (after a move) on this thread and waits for that scan too. Fills
// `result` (may be null). Returns at once when no job was started.
// Precondition: called from the catalogue's thread.
void Copy_Wait(Copy_Result *result);

// Asks the running copy job to stop before its next file (its Cancel button); a file in
// progress is finished. Nothing when none runs. Async-signal-safe (Job_Cancel).
void Copy_Cancel();
