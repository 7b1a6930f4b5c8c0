// Moving a file's bytes. The copy creates its target exclusively, so an existing file
// is never written over, copies with copy_file_range (the kernel moves the data, with
// reflinks where the file system has them) or through a user-space buffer, checks every
// write and the close, and removes the partial target on any failure. The rename uses
// RENAME_NOREPLACE, or a hard link and an unlink where a file system lacks it.
#include "app/copy_data.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/os_files.h"
#include "util/message_log.h"

enum { FALLBACK_BLOCK = 1 << 20 };

static int Copy_Error(const char *what, const char *path, int error)
{
  Message_Log(nullptr, MSG_THREAD, "\xF1\x04" "ERROR:\x02 %s \x01%s", what, Log_Value_Escape(path).c_str());
  Message_Log(nullptr, MSG_THREAD, "\xF1\x02\t\t\t %s", std::strerror(error));
  return 0;
}

// Streams the rest of `in` into `out` in blocks of `block_size`. Returns 1 at the end of
// the source; 0 with *failed_read and errno telling which side failed.
static int Copy_Blocks(int in, int out, size_t block_size, bool *failed_read)
{
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[block_size]);
  if (!buffer) {
    *failed_read = true;
    errno = ENOMEM;
    return 0;
  }
  for (;;) {
    ssize_t got = read(in, buffer.get(), block_size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *failed_read = true;
      return 0;
    }
    if (got == 0) return 1;
    if (!Os_Write_All(out, buffer.get(), (size_t)got)) return 0;
  }
}

// Lets the kernel copy `in` into `out`; falls back to Copy_Blocks when the kernel
// cannot copy between these files before any byte was copied.
static int Copy_Kernel(int in, int out, bool *failed_read)
{
  bool started = false;
  for (;;) {
    ssize_t copied = copy_file_range(in, nullptr, out, nullptr, (size_t)1 << 30, 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0 && !started &&
        (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF))
      return Copy_Blocks(in, out, FALLBACK_BLOCK, failed_read);
    if (copied < 0) return 0;  // the target side: a full disk, a quota, an I/O error
    if (copied == 0) return 1;
    started = true;
  }
}

int Copy_Descriptor(int in, int out, size_t block_size, bool *read_failed)
{
  *read_failed = false;
  return block_size == COPY_KERNEL ? Copy_Kernel(in, out, read_failed) : Copy_Blocks(in, out, block_size, read_failed);
}

int Copy_Data(const char *source, const char *target, size_t block_size)
{
  int in = open(source, O_RDONLY | O_CLOEXEC);
  if (in < 0) return Copy_Error("Unable to open source", source, errno);
  int out = open(target, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    int error = errno;
    close(in);
    return Copy_Error("Unable to open target", target, error);
  }
  bool failed_read = false;
  int copied = Copy_Descriptor(in, out, block_size, &failed_read);
  int error = errno;
  close(in);
  if (close(out) != 0 && copied) {
    copied = 0;
    error = errno;
  }
  if (copied) return 1;
  unlink(target);
  return failed_read ? Copy_Error("Unable to read", source, error) : Copy_Error("Unable to write", target, error);
}

int Copy_Rename(const char *source, const char *target)
{
  if (renameat2(AT_FDCWD, source, AT_FDCWD, target, RENAME_NOREPLACE) == 0) return 1;
  if (errno != EINVAL && errno != ENOSYS) return 0;
  // The file system cannot rename without replacing: link the new name, then drop the
  // old one; link never replaces either.
  if (link(source, target) != 0) return 0;
  if (unlink(source) != 0) {
    int error = errno;
    unlink(target);
    errno = error;
    return 0;
  }
  return 1;
}
