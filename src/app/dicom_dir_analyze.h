// The directory walk of a scan: lists a folder and everything below it and keeps every
// file that looks like a DICOM file as a file entry of the catalogue's directory tree.
#pragma once

#include "app/catalogue.h"
#include "util/progress.h"
#include "util/utility_directory.h"

// Walks the folder `path` (named `name` in the record) recursively and fills `record`:
// sub-directory records that hold accepted files (directly or below), then the accepted
// files of the folder itself, each a file entry with select_state 1, copy_state 1 and
// its path. A file is accepted when flag_part_10 is off, or when it has "DICM" at byte
// 128; a file named "DICOMDIR", in any case, is never accepted.
// - A folder is never entered while the walk is inside it (link loops), and a file met
//   a second time through links or hard links is kept once.
// - A link (to a folder or a file) whose real path lies inside the scanned folder is not
//   followed: what it names is catalogued once, under its real path. A link that leads
//   outside is followed, and its files are catalogued under the link's path.
// - Every path that cannot be read (too long, unreadable, vanished, a link to nothing)
//   is reported once with its path (Folder_List's warning, or "Unable to open" for a
//   file whose signature cannot be read) and counted: each record's nb_lost holds the
//   losses in its folder and below, the top record's all of them.
// - Every 16 entries the progress is stepped by 16 and its cancel flag read; each file
//   bounces the activity indicator. A cancelled walk returns what it holds so far.
// Returns `record`: all zero but nb_lost when nothing was accepted (the caller drops
// it), else with nb_dicom, path, name and nb_lost set. The caller owns the contents (Catalogue_Free_Dir).
// - With `listings` not null, each folder's listing is taken from the readings the file
//   count kept there (each freed once used) and the folder is read only when none is
//   kept; the result and the messages are those of a walk that reads every folder.
// Preconditions: `record` is not in use (its previous contents are overwritten).
item_dir *DICOM_Dir_Analyze(item_dir *record, const char *path, const char *name, Progress_Record *progress,
                            Listing_Store *listings = nullptr);
