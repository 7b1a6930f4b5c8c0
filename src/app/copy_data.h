// Moving a file's bytes: a copy into a new file that is either whole or absent, and a
// move by renaming that never replaces an existing file. Every failure is reported with
// the system's reason as the copy job's thread lines.
#pragma once

#include <cstddef>

enum {
  COPY_BLOCK_SIZE = 10240,  // the streaming block of a plain copy
  COPY_KERNEL = 0,          // block size 0: let the kernel copy (copy_file_range)
};

// Copies the bytes of `source` into `target`, which is created and must not exist.
// `block_size` 0 lets the kernel copy the data, falling back to a user-space copy in
// blocks of 1 MiB where the file systems do not allow that; another value streams the
// data in blocks of that size through one buffer. Short writes, read and write errors,
// a full disk and a failed close are all detected.
// Returns 1 when the target holds every byte of the source and is closed. Returns 0
// after a MSG_THREAD error line naming the file ("Unable to open source", "Unable to
// open target", "Unable to read", "Unable to write") and one with the reason; a target
// this call created is removed again. The source is only read.
int Copy_Data(const char *source, const char *target, size_t block_size);

// Copies the rest of the open file `in` into the open file `out`, as Copy_Data does
// (`block_size` 0: the kernel's copy). Reports nothing. Returns 1 at the end of `in`;
// returns 0 with errno set and *read_failed telling whether reading `in` failed (else
// writing `out`: a short write counts as ENOSPC). For callers with their own messages.
int Copy_Descriptor(int in, int out, size_t block_size, bool *read_failed);

// Renames `source` to `target` without ever replacing an existing target (the rename
// fails with EEXIST instead). A rename cannot cross file systems: such a move fails
// with EXDEV and leaves both sides as they were.
// Returns 1 when moved; returns 0 with errno set (nothing reported, nothing changed).
int Copy_Rename(const char *source, const char *target);
