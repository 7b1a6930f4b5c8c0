// The byte source: a memory block with its size, or a file read either request by
// request or through a window of one block held in memory. File reads use pread() at
// the source's own offset, so a position query or a skip never touches the file and
// cannot fail; only reads do. A window is refilled only when a read runs past it. An
// inflated source is read as a memory block.
#include "dicom/NEMA_Source.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "dicom/NEMA_Log.h"
#include "util/error_text.h"
#include "util/message_log.h"

void NEMA_Source_Memory(NEMA_Source *source, const void *base, int64_t length, const char *label)
{
  std::memset(source, 0, sizeof *source);
  source->kind = NEMA_SOURCE_MEMORY;
  source->fd = -1;
  source->name = label ? label : "";
  source->base = (const unsigned char *)base;
  source->size = length < 0 ? 0 : length;
}

// Describes `fd` as a file source without a window (read request by request).
static void File_Start(NEMA_Source *source, int fd, const char *name)
{
  std::memset(source, 0, sizeof *source);
  source->kind = NEMA_SOURCE_FILE;
  source->fd = fd;
  source->name = name ? name : "";
  struct stat info;
  source->size = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? (int64_t)info.st_size : -1;
  off_t start = lseek(fd, 0, SEEK_CUR);
  if (start < 0) {
    Message_Log(nullptr, MSG_TRACE, "file:%s line:%d", "NEMA_Source", __LINE__);
    Message_Log(nullptr, MSG_TRACE, "using lseek()");
    Message_Log(nullptr, MSG_TRACE, "%s", Error_Text(0));
    Message_Log(nullptr, MSG_TRACE, "file: (%s)", Log_Value_Escape(source->name).c_str());
    start = 0;
  }
  source->offset = start;
}

int NEMA_Source_File(NEMA_Source *source, int fd, const char *name, int64_t block)
{
  File_Start(source, fd, name);
  if (block > 0) {
    source->window = (unsigned char *)std::malloc((size_t)block);
    if (!source->window) {
      Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in malloc (var=%s, dim=%dx%d)", __LINE__,
                  "NEMA_Source", "window", (int)block, 1);
      return 0;
    }
    source->window_capacity = block;
    source->base = source->window;
  }
  return 1;
}

int NEMA_Source_File_Lent(NEMA_Source *source, int fd, const char *name, unsigned char *window, int64_t capacity)
{
  File_Start(source, fd, name);
  source->window = window;
  source->window_capacity = capacity;
  source->window_lent = true;
  source->base = window;
  return 1;
}

void NEMA_Source_Close(NEMA_Source *source)
{
  if (source->kind == NEMA_SOURCE_MEMORY) return;
  if (source->kind == NEMA_SOURCE_INFLATED) source->size = 0;
  std::free(source->inflated);
  source->inflated = nullptr;
  if (!source->window_lent) std::free(source->window);
  source->window = nullptr;
  source->base = nullptr;
  source->window_capacity = source->window_length = 0;
  if (source->fd >= 0 && !source->fd_lent) close(source->fd);
  source->fd = -1;
}

int NEMA_Source_Seek(Window_Handle owner, NEMA_Source *source, int64_t position)
{
  if (position >= 0 && (source->kind != NEMA_SOURCE_FILE || source->fd >= 0)) {
    source->offset = position;
    return 1;
  }
  // A file that cannot be sought is closed, so that nobody reads it at a wrong place.
  int code = position < 0 ? EINVAL : EBADF;
  NEMA_Source_Close(source);
  Message_Log(owner, MSG_TRACE, "file:%s line:%d", "NEMA_Source", __LINE__);
  Message_Log(owner, MSG_WARNING, NEMA_ERROR_PREFIX " while seeking pos %ld", (long)position);
  Message_Log(owner, MSG_WARNING, "%s", Error_Text(code));
  Message_Log(owner, MSG_WARNING, "file: (%s)", Log_Value_Escape(source->name).c_str());
  return 0;
}

int64_t NEMA_Source_Remaining(const NEMA_Source *source)
{
  if (source->size < 0) return -1;
  return source->offset >= source->size ? 0 : source->size - source->offset;
}

// Reads from the file at the source's offset into `dest`, retrying interrupted and
// partial reads; returns the bytes got (short at the end of the file) or -1.
static int64_t File_Read_At(int fd, void *dest, int64_t count, int64_t offset)
{
  int64_t got = 0;
  while (got < count) {
    ssize_t n = pread(fd, (char *)dest + got, (size_t)(count - got), (off_t)(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += n;
  }
  return got;
}

// Fills the window with the block that starts at the source's offset.
static int64_t Window_Fill(NEMA_Source *source)
{
  source->window_start = source->offset;
  source->window_length = 0;
  int64_t got = File_Read_At(source->fd, source->window, source->window_capacity, source->offset);
  if (got > 0) {
    source->window_length = got;
    source->file_bytes_read += got;
  }
  return got;
}

int64_t NEMA_Source_Read(NEMA_Source *source, void *dest, int64_t count)
{
  if (count <= 0) return 0;
  if (source->kind != NEMA_SOURCE_FILE) {
    int64_t got = NEMA_Source_Remaining(source);
    if (got > count) got = count;
    if (got > 0) std::memcpy(dest, source->base + source->offset, (size_t)got);
    source->offset += got;
    return got;
  }
  if (source->fd < 0) {
    errno = EBADF;
    return -1;
  }
  if (source->window_capacity == 0 || count > source->window_capacity) {
    int64_t got = File_Read_At(source->fd, dest, count, source->offset);
    if (got > 0) {
      source->offset += got;
      source->file_bytes_read += got;
    }
    return got;
  }
  int64_t got = 0;
  while (got < count) {
    int64_t in_window = source->window_start + source->window_length - source->offset;
    if (source->offset < source->window_start || in_window <= 0) {
      int64_t filled = Window_Fill(source);
      if (filled < 0) return -1;
      if (filled == 0) break;
      continue;
    }
    int64_t take = count - got < in_window ? count - got : in_window;
    std::memcpy((char *)dest + got, source->window + (source->offset - source->window_start), (size_t)take);
    source->offset += take;
    got += take;
  }
  return got;
}
