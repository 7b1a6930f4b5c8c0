// Putting one file into a folder under its own name, by copy or by move, and deleting a
// file: what the push job does with failed and with stored files. Each operation
// reports its own failures as warnings and never stops the caller.
#pragma once

// Copies `source` into `folder` (which ends with a separator) under the source's file
// name, creating the folder when missing. A file of that name already there is kept:
// the copy takes the first free numbered name (name01 ... name99, with the copy job's
// two warnings "File (%s) already exist!" and "renamed to (%s)"). The copy keeps the
// source's permission bits and appears under its name only when whole; write errors (a
// short write, a failed close, a full disk) leave nothing behind, and the source is
// never touched. When the target is the source itself nothing is written.
// Returns 1 when the target holds the whole file; returns 0 after the warnings
// "Unable to create", "Unable to open" or "Writing to", each followed by the system's
// error text.
int File_Copy_To(const char *source, const char *folder);

// Moves `source` into `folder` under its own name, creating the folder when missing;
// the source is made readable and writable by its owner first, the target after. A
// file of that name already there is kept, and the source takes the next numbered name
// as File_Copy_To does. A rename where it can; across file systems, or for a link, the
// data is copied, checked and the source (the link only) removed.
// Returns 1 when moved; returns 0 after the warnings "Unable to create" or
// "Unable to move ... to ..." with the system's error text, the source where it was.
int File_Move_To(const char *source, const char *folder);

// Removes `path`. Returns 1 when removed; returns 0 after the warning
// "Unable to unlink" and the system's error text.
int File_Delete(const char *path);
