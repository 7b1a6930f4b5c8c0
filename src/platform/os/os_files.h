// File writes that are whole or fail, and files that appear under their final name only
// when they are complete. write() may take fewer bytes than asked or be interrupted by a
// signal, so every writer of a file's bytes shares one loop (the settings store, the
// copy core). A copy is written into a file that no other program sees (an unnamed
// O_TMPFILE file, or a hidden temporary name where the file system has none) and is
// named only when whole; naming never replaces an existing file, so a file that appears
// meanwhile under the chosen name is never written over.
#pragma once

#include <cstddef>
#include <string>

// Writes all `size` bytes at `bytes` to `fd`, retrying short and interrupted writes.
// Returns 1 when every byte was taken; returns 0 with errno set otherwise (ENOSPC when
// the file system took no more bytes without naming an error). Any thread.
int Os_Write_All(int fd, const void *bytes, size_t size);

// Creates a new file for writing in the folder open as `folder`, with the permission
// bits `mode` less the umask. The file has no name (O_TMPFILE) where the file system
// allows it and /proc is there to name it later; otherwise it gets a fresh hidden name
// ".harrowdesk-NNNN.part", created exclusively. Returns the descriptor (the caller
// closes it) with *temp_name "" (unnamed) or the hidden name; returns -1 with errno set.
int Os_File_Create_Hidden(int folder, unsigned mode, std::string *temp_name);

// Gives the file `fd` made by Os_File_Create_Hidden (with its `temp_name`) the name
// `name` in `folder`, never replacing anything. Returns 0 when named; returns the error
// number otherwise (EEXIST when the name is taken: the file stays hidden and may be
// given another name).
int Os_File_Publish(int fd, int folder, const std::string &temp_name, const char *name);

// Drops a file of Os_File_Create_Hidden that will not be named: removes its hidden
// name (an unnamed file vanishes by itself when closed). Reports nothing.
void Os_File_Discard(int folder, const std::string &temp_name);

// Renames `from` (relative to the folder `from_folder`, or AT_FDCWD) to `to` (relative to
// `to_folder`) without ever replacing an existing file: renameat2 with RENAME_NOREPLACE,
// or, where the file system lacks it, a hard link and an unlink. Returns 0 when renamed;
// the error number otherwise (EEXIST: the name is taken; EXDEV: another file system),
// with both names as they were.
int Os_Rename_No_Replace(int from_folder, const char *from, int to_folder, const char *to);
