// File writes that are whole or fail, files that appear under their final name only when
// they are complete, and the one safe open of a file the program writes under a fixed
// name. write() may take fewer bytes than asked or be interrupted by a signal, so every
// writer of a file's bytes shares one loop (the settings store, the copy core). A copy is
// written into a file that no other program sees (an unnamed O_TMPFILE file, or a hidden
// temporary name where the file system has none) and is named only when whole; naming
// never replaces an existing file, so a file that appears meanwhile under the chosen name
// is never written over. The logs and reports, written under fixed names in folders others
// may share (the temp folder), are opened never through a symbolic link and never into
// another user's file.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
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

// What a new file made in the open folder `folder` takes from where it is made, as one
// key: the mount (a file can be linked into another folder only within one mount, even
// one bind mount of the same file system), the folder's group and set-group-ID bit, and
// its default ACL. Two folders with the same key give a new file the same group and
// permissions, so a file made in one may be named in the other. Returns false when it
// cannot be told.
bool Os_Folder_Inheritance(int folder, std::string *key);

// True when `now` describes the same, unchanged file as `then` (two stat results): the
// same device and inode, size and modification time, to the nanosecond.
bool Os_File_Unchanged(const struct stat &then, const struct stat &now);

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

// Whether `fd`, opened by Os_Own_File_Open, is still a file to write into: our own
// regular file under exactly one name (not removed, not hard-linked since).
bool Os_Own_File_Kept(int fd);
