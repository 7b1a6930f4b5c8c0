// Whole writes over write(2), and the checked open of a file of our own: O_NOFOLLOW
// refuses a link at the last component, O_NONBLOCK keeps a planted FIFO from holding the
// open, and fstat on the open descriptor (not on the name, which could change between
// a check and the open) decides whether the file is ours to write.
#include "platform/os/os_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int Os_Write_All(int fd, const void *bytes, size_t size)
{
  const char *next = (const char *)bytes;
  while (size > 0) {
    ssize_t written = write(fd, next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return 0;
    if (written == 0) {
      errno = ENOSPC;
      return 0;
    }
    next += written;
    size -= (size_t)written;
  }
  return 1;
}

// The fault of the open descriptor `fd`, OS_OWN_FILE_OK when it is our own regular file.
static Os_Own_File_Fault Own_File_Check(int fd)
{
  struct stat info;
  if (fstat(fd, &info) != 0) return OS_OWN_FILE_OPEN_FAILED;
  if (!S_ISREG(info.st_mode)) return OS_OWN_FILE_NOT_REGULAR;
  if (info.st_uid != geteuid()) return OS_OWN_FILE_OTHER_OWNER;
  if (info.st_nlink > 1) return OS_OWN_FILE_HARD_LINKED;
  return OS_OWN_FILE_OK;
}

int Os_Own_File_Open(const std::string &path, Os_Own_File_Mode mode, Os_Own_File_Fault *fault)
{
  int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (mode == OS_OWN_FILE_APPEND ? O_APPEND : 0);
  int fd = open(path.c_str(), flags, 0600);
  if (fd < 0) {
    // ELOOP is what O_NOFOLLOW gives for a link; a FIFO without a reader gives ENXIO.
    *fault = errno == ELOOP ? OS_OWN_FILE_LINK : errno == ENXIO ? OS_OWN_FILE_NOT_REGULAR : OS_OWN_FILE_OPEN_FAILED;
    if (*fault == OS_OWN_FILE_NOT_REGULAR) errno = EINVAL;
    return -1;
  }
  *fault = Own_File_Check(fd);
  if (*fault == OS_OWN_FILE_OK && mode == OS_OWN_FILE_REPLACE && ftruncate(fd, 0) != 0) *fault = OS_OWN_FILE_OPEN_FAILED;
  if (*fault != OS_OWN_FILE_OK) {
    int code = *fault == OS_OWN_FILE_NOT_REGULAR   ? EINVAL
             : *fault == OS_OWN_FILE_OTHER_OWNER ? EPERM
             : *fault == OS_OWN_FILE_HARD_LINKED ? EMLINK
                                                 : errno;
    close(fd);
    errno = code;
    return -1;
  }
  // Writes to a regular file never return EAGAIN, but the flag has done its work.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

const char *Os_Own_File_Fault_Text(Os_Own_File_Fault fault)
{
  switch (fault) {
  case OS_OWN_FILE_LINK: return "is a symbolic link";
  case OS_OWN_FILE_NOT_REGULAR: return "is not a regular file";
  case OS_OWN_FILE_OTHER_OWNER: return "belongs to another user";
  case OS_OWN_FILE_HARD_LINKED: return "has other hard links";
  case OS_OWN_FILE_OPEN_FAILED: return "cannot be opened";
  default: return "";
  }
}
