// File writes that are whole or fail: the one loop that every writer of a file's bytes
// shares (the settings store, the copy job), since write() may take fewer bytes than
// asked or be interrupted by a signal. Beside it, the one safe open of a file that the
// program writes under a fixed name in a folder others may share (the temp folder of the
// logs and reports): never through a symbolic link, never into another user's file.
#pragma once

#include <cstddef>
#include <string>

// Writes all `size` bytes at `bytes` to `fd`, retrying short and interrupted writes.
// Returns 1 when every byte was taken; returns 0 with errno set otherwise (ENOSPC when
// the file system took no more bytes without naming an error). Any thread.
int Os_Write_All(int fd, const void *bytes, size_t size);

// Why Os_Own_File_Open refused or failed.
enum Os_Own_File_Fault {
  OS_OWN_FILE_OK = 0,
  OS_OWN_FILE_LINK,         // the name is a symbolic link
  OS_OWN_FILE_NOT_REGULAR,  // a folder, FIFO, socket or device stands under the name
  OS_OWN_FILE_OTHER_OWNER,  // the file belongs to another user
  OS_OWN_FILE_HARD_LINKED,  // the file has more than one name (a planted hard link)
  OS_OWN_FILE_OPEN_FAILED,  // the system refused the open (errno tells why)
};

// How Os_Own_File_Open leaves an existing file's bytes.
enum Os_Own_File_Mode {
  OS_OWN_FILE_APPEND = 0,   // keep them and write at the end
  OS_OWN_FILE_REPLACE = 1,  // empty the file (only after it passed the checks)
};

// Opens `path` for writing, creating it 0600 when missing, as a file of our own: the last
// component is never followed as a symbolic link, a FIFO cannot block the open, and a
// name that holds anything but a regular file of the effective user with one link is
// refused without a byte written (and, for OS_OWN_FILE_REPLACE, without being emptied).
// Returns the descriptor (close-on-exec) and sets `*fault` to OS_OWN_FILE_OK; returns -1
// with `*fault` naming the reason and errno set: ELOOP for a link, EINVAL for a file
// that is not regular, EPERM for another user's, EMLINK for one with other links, the
// system's own code for a failed open. Reports nothing. Any thread.
int Os_Own_File_Open(const std::string &path, Os_Own_File_Mode mode, Os_Own_File_Fault *fault);

// The words a message uses for `fault` ("is a symbolic link", ...); "" for OS_OWN_FILE_OK.
const char *Os_Own_File_Fault_Text(Os_Own_File_Fault fault);
