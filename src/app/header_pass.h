// The header pass: reads the header of every file entry of a directory tree (or takes
// its keys from the folder's DICOMDIR) and files each image in the catalogue's studies
// and series.
#pragma once

#include "app/catalogue.h"
#include "util/progress.h"

// Files every file entry below and in `record` (sub-directories first, recursively, then
// the directory's own files, in array order). A file that the DICOMDIR at the top of
// `record`'s folder covers (Media_Directory_Keys_For) is filed from its records' keys;
// any other is read with DICOMDIR_Scan_Read_Tags, for the tags of the catalogue's own
// and of the three report templates. When the environment holds
// HARROWDESK_SCAN_FULL=1 every file is read, every tag, and no DICOMDIR. Each list goes to
// Catalogue_Add_File, whatever the read gave (a file without a list is reported there
// as lacking its Study UID). Several files are read at once on helper threads
// while the catalogue is filled on the calling thread strictly in that order, so the
// catalogue is exactly what a one-by-one pass makes. One helper per processor the
// process may run on; none (all read here) when that is one. Per directory the
// progress range is its nb_file and the position the file's index; the cancel flag is
// read after every file and every sub-directory.
// Returns 1 when every file went through; returns 0 when cancelled (the studies made so
// far stay: the caller frees them).
int Header_Pass(item_catalogue *catalogue, item_dir *record, Progress_Record *progress);
