// Whole writes over write(2).
#include "platform/os/os_files.h"

#include <cerrno>
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
