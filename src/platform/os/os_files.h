// File writes that are whole or fail: the one loop that every writer of a file's bytes
// shares (the settings store, the copy job), since write() may take fewer bytes than
// asked or be interrupted by a signal.
#pragma once

#include <cstddef>

// Writes all `size` bytes at `bytes` to `fd`, retrying short and interrupted writes.
// Returns 1 when every byte was taken; returns 0 with errno set otherwise (ENOSPC when
// the file system took no more bytes without naming an error). Any thread.
int Os_Write_All(int fd, const void *bytes, size_t size);
