// Putting one file into a folder under its own name, by copy or by move, and deleting a
// file: what the push job does with failed and with stored files. Each operation
// reports its own failures as warnings and never stops the caller.
#pragma once

// Copies `source` into `folder` (which ends with a separator) under the source's file
// name, replacing a file of that name, creating the folder when missing. Write errors
// (a short write, a failed close, a full disk) are detected: the partial target is
// removed and the source is never touched. When the target is the source itself
// nothing is written.
// Returns 1 when the target holds the whole file; returns 0 after the warnings
// "Unable to create", "Unable to open" or "Writing to", each followed by the system's
// error text.
int File_Copy_To(const char *source, const char *folder);

// Moves `source` into `folder` under its own name by renaming it, creating the folder
// when missing; the source is made readable and writable by its owner first, the
// target after. An existing file of that name is never replaced, and a move across
// file systems is not attempted: both fail and leave the source where it was.
// Returns 1 when moved; returns 0 after the warnings "Unable to create" or
// "Unable to move ... to ..." with the system's error text.
int File_Move_To(const char *source, const char *folder);

// Removes `path`. Returns 1 when removed; returns 0 after the warning
// "Unable to unlink" and the system's error text.
int File_Delete(const char *path);
