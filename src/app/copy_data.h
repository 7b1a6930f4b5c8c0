// The file-copy core of the copy job and the push job's fail folder: a copy into a
// folder that is either whole under its final name or absent, and a move that never
// leaves the data behind a link. Both never replace a file: a taken name is passed over
// for the next numbered one (name01 ... name99) at the moment the file is named, so a
// file that appears meanwhile under the chosen name is never written over.
//
// A copy is written into a hidden file in the target folder (os_files) with the
// source's permission bits, checked (every write, the close, and the size against the
// source's), and named only then: a kill, a crash of the program or a full disk never
// leaves a cut file under a final name. A copy that a move makes is also synced to the
// disk before the source is removed, so that a power cut cannot lose both.
//
// The data may also be copied ahead of its turn (by a helper thread of the copy job)
// into an unnamed file, named when the file's turn comes if its source is unchanged.
//
// The core reports nothing but the two naming warnings of a taken name; each caller
// words its failures itself from the step and the error number it returns.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

enum {
  COPY_BLOCK_SIZE = 10240,  // the streaming block of a plain copy
  COPY_KERNEL = 0,          // block size 0: let the kernel copy (copy_file_range)
  COPY_NUMBERED_MAX = 99,   // numbered alternatives of a taken name: name01 ... name99
};

// Where a copy or a move goes.
struct Copy_Place {
  int folder = -1;          // the target folder, open (the caller owns it)
  std::string folder_path;  // its path ending with "/", for messages
  std::string name;         // the name asked for
  bool numbered = true;     // a taken name passes to name01 ... name99 (else fails)
  std::string inheritance;  // Os_Folder_Inheritance of the folder; "" when not known
};

// The step at which a copy or a move failed.
enum Copy_Step {
  COPY_STEP_NONE = 0,
  COPY_STEP_OPEN_SOURCE,    // the source cannot be opened or examined, or is no regular file
  COPY_STEP_OPEN_TARGET,    // no new file can be made in the target folder
  COPY_STEP_READ,           // reading the source failed
  COPY_STEP_WRITE,          // a write, the sync or the close failed, or the copy came out short
  COPY_STEP_NAME_TAKEN,     // the name and every numbered alternative are taken
  COPY_STEP_NAME,           // naming the file or renaming the source failed otherwise
  COPY_STEP_REMOVE_SOURCE,  // a move copied the data but cannot remove the source
};

// What a copy or a move did.
struct Copy_Outcome {
  int step = COPY_STEP_NONE;  // COPY_STEP_NONE on success
  int error = 0;              // the system's error number of a failure
  std::string name;           // on success: the name given in the folder
  bool by_copy = false;       // a move that copied the data (a link, another file system)

  std::string Target(const Copy_Place &place) const { return place.folder_path + name; }
};

// Copies the bytes of `source` into a new file of `place`, with the source's permission
// bits (less the umask). `block_size` COPY_KERNEL lets the kernel copy the data (falling
// back to 1 MiB blocks where the file systems do not allow that); another value streams
// it in blocks of that size through one buffer. A link is followed: the copy holds the
// data. Returns 1 when the file is whole, closed and named (outcome->name); when the
// asked name was taken, the warnings "File (%s) already exist!" and "renamed to (%s)"
// were written (MSG_THREAD). Returns 0 with outcome->step and ->error set, having left
// nothing behind; the source is only read. Any thread.
int Copy_Data(const char *source, const Copy_Place &place, size_t block_size, Copy_Outcome *outcome);

// A copy made ahead of its turn: the data, whole and checked, in an unnamed file that
// the copy job names when the file's turn comes (app/copy_ahead.h).
struct Copy_Ahead_Data {
  int out = -1;               // the unnamed file, open; -1 when none was made
  int in = -1;                // the source it was copied from, open for reading
  struct stat source {};      // the source as it was copied
  std::string inheritance;    // Os_Folder_Inheritance of the folder it was made in
  bool unnamed_files = true;  // false: the target's file system has no unnamed files
};

// Copies the bytes of `source` as Copy_Data does into an unnamed file of `folder`
// (whose Os_Folder_Inheritance is `inheritance`), which stays unnamed, and keeps the
// source open, so that what names the copy is read from the very file copied. Returns 1
// with *data; returns 0 when no copy was made (nothing left behind, nothing reported:
// Copy_Data then copies the file and reports what fails). Any thread.
int Copy_Data_Ahead(const char *source, int folder, const std::string &inheritance, size_t block_size,
                    Copy_Ahead_Data *data);

// Names the copy of Copy_Data_Ahead in `place` as Copy_Data names its own copy, with
// the same warnings. Returns 1 when named, 0 with the step and error set (the copy
// dropped), or -1 without a word when the copy cannot serve: its source has changed
// since it was copied (its size or modification time), `place`'s folder would give a
// new file another group or permissions or lies on another mount (its inheritance
// differs or is not known), or the asked name is refused otherwise than as taken
// (dropped: copy the file with Copy_Data, which reports as it always does). `data` is
// spent either way.
int Copy_Data_Made_Ahead(Copy_Ahead_Data *data, const Copy_Place &place, Copy_Outcome *outcome);

// Drops a copy of Copy_Data_Ahead that will not be named (the unnamed file vanishes).
void Copy_Ahead_Discard(Copy_Ahead_Data *data);

// Moves `source` into `place`. A regular file is renamed (never replacing a file). On
// another file system, and for a symbolic link (whose target stays where it is), the data
// is copied as Copy_Data does, synced, checked, and then the source is removed (the link
// only, not the file it names); when the source cannot be removed the copy is removed
// again. Returns 1 when the data is in the target and the source is gone, with the name
// in outcome->name and outcome->by_copy telling how; returns 0 with the step and error
// set, the source where it was and no target left. Any thread.
int Copy_Move(const char *source, const Copy_Place &place, size_t block_size, Copy_Outcome *outcome);
