// The file-copy core. The data goes through copy_file_range (the kernel moves it, with
// reflinks where the file system has them) or through a user-space buffer into a hidden
// file of the target folder; the copy is checked and then named by the first free name
// of the numbered series, each name tried by an operation that never replaces (linkat or
// renameat2 RENAME_NOREPLACE), so choosing a name and taking it are one step.
//
// Index: streaming / naming / copy / copy made ahead / move.
#include "app/copy_data.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>

#include "platform/os/os_files.h"
#include "util/message_log.h"

enum { FALLBACK_BLOCK = 1 << 20, PERMISSION_BITS = 0777 };

// ---- streaming ------------------------------------------------------------------------------

// Streams the rest of `in` into `out` in blocks of `block_size`, adding to *copied.
// Returns 1 at the end of the source; 0 with *read_failed and errno telling which side
// failed.
static int Copy_Blocks(int in, int out, size_t block_size, bool *read_failed, unsigned long long *copied)
{
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[block_size]);
  if (!buffer) {
    *read_failed = true;
    errno = ENOMEM;
    return 0;
  }
  for (;;) {
    ssize_t got = read(in, buffer.get(), block_size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *read_failed = true;
      return 0;
    }
    if (got == 0) return 1;
    if (!Os_Write_All(out, buffer.get(), (size_t)got)) return 0;
    *copied += (unsigned long long)got;
  }
}

// Lets the kernel copy `in` into `out` to the end of `in`, or, with `size` not
// negative, until that many bytes are copied (the caller sees later whether the file
// grew); falls back to Copy_Blocks when the kernel cannot copy between these files
// before any byte was copied.
static int Copy_Kernel(int in, int out, long long size, bool *read_failed, unsigned long long *copied)
{
  for (;;) {
    if (size >= 0 && *copied >= (unsigned long long)size) return 1;
    ssize_t moved = copy_file_range(in, nullptr, out, nullptr, (size_t)1 << 30, 0);
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0 && *copied == 0 &&
        (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF))
      return Copy_Blocks(in, out, FALLBACK_BLOCK, read_failed, copied);
    if (moved < 0) return 0;  // the target side: a full disk, a quota, an I/O error
    if (moved == 0) return 1;
    *copied += (unsigned long long)moved;
  }
}

// ---- naming ---------------------------------------------------------------------------------

// Gives a file its name in `place` by `take` (which returns 0 or an error number and
// never replaces): the asked name, else, when the place allows it, the first of its
// numbered alternatives that `take` gets, with the two warnings of a taken name.
// Returns 0 with outcome->name set, or the error number of the last try (EEXIST when
// every name was taken), with *asked_refused telling whether that was the first try.
static int Name_Take(const Copy_Place &place, const std::function<int(const char *)> &take, Copy_Outcome *outcome,
                     bool *asked_refused)
{
  int tries = place.numbered ? COPY_NUMBERED_MAX : 0;
  for (int number = 0; number <= tries; number++) {
    std::string name = place.name;
    if (number > 0) {
      char suffix[12];
      std::snprintf(suffix, sizeof suffix, "%02d", number);
      name += suffix;
    }
    int error = take(name.c_str());
    if (error == 0) {
      outcome->name = name;
      if (number > 0)
        Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 renamed to (%s)",
                    Log_Value_Escape(place.folder_path + name).c_str());
      return 0;
    }
    if (error != EEXIST) {
      *asked_refused = number == 0;
      return error;
    }
    if (number == 0 && tries > 0)
      Message_Log(nullptr, MSG_THREAD, "\xF1\x05WARNING:\x02 File (%s) already exist!",
                  Log_Value_Escape(place.folder_path + name).c_str());
  }
  return EEXIST;
}

static int Fail(Copy_Outcome *outcome, int step, int error)
{
  outcome->step = step;
  outcome->error = error;
  outcome->name.clear();
  return 0;
}

// ---- copy -----------------------------------------------------------------------------------

// The data of a copy, whole and checked, in a file of the target folder that has no
// name yet: unnamed (`temp_name` empty, `out` open), or hidden (closed, `out` -1).
struct Written_Data {
  int out = -1;
  std::string temp_name;
  struct stat source {};  // the source as it was copied
  // Made ahead: the source's bytes as its size said, and the source kept open in `in`.
  bool ahead = false;
  int in = -1;
};

// Whether the file `fd` holds `size` bytes.
static bool Holds(int fd, unsigned long long size)
{
  struct stat info;
  return fstat(fd, &info) == 0 && (unsigned long long)info.st_size == size;
}

// Copies the bytes of `source` into a new hidden file of `folder`, checks the copy and,
// with `durable`, syncs it. Returns 1 with *written; returns 0 with the outcome's step
// and error, having left nothing behind.
static int Data_Write(const char *source, int folder, size_t block_size, bool durable, Written_Data *written,
                      Copy_Outcome *outcome)
{
  written->in = -1;
  struct stat info;
  // Non-blocking, so that a FIFO put in the file's place cannot hold the copy.
  int in = open(source, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0 || fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
    // Only a regular file has bytes to copy (the walk lists no others).
    int error = in < 0 ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    if (in >= 0) close(in);
    return Fail(outcome, COPY_STEP_OPEN_SOURCE, error);
  }
  int out = Os_File_Create_Hidden(folder, info.st_mode & PERMISSION_BITS, &written->temp_name);
  if (out < 0) {
    int error = errno;
    close(in);
    return Fail(outcome, COPY_STEP_OPEN_TARGET, error);
  }
  bool read_failed = false;
  unsigned long long copied = 0;
  int step = COPY_STEP_NONE, error = 0;
  long long size = written->ahead ? (long long)info.st_size : -1;
  int whole = block_size == COPY_KERNEL ? Copy_Kernel(in, out, size, &read_failed, &copied)
                                        : Copy_Blocks(in, out, block_size, &read_failed, &copied);
  if (!whole) {
    step = read_failed ? COPY_STEP_READ : COPY_STEP_WRITE;
    error = errno;
  } else if ((unsigned long long)info.st_size != copied || !Holds(out, copied)) {
    step = COPY_STEP_WRITE;  // the copy does not hold what the source holds
    error = EIO;
  } else if (durable && fsync(out) != 0) {
    step = COPY_STEP_WRITE;
    error = errno;
  }
  if (step == COPY_STEP_NONE && written->ahead)
    written->in = in;
  else
    close(in);
  // A hidden name is closed before it is named; an unnamed file is named through its
  // descriptor.
  if (!written->temp_name.empty()) {
    if (close(out) != 0 && step == COPY_STEP_NONE) {
      step = COPY_STEP_WRITE;
      error = errno;
    }
    out = -1;
  }
  if (step != COPY_STEP_NONE) {
    if (out >= 0) close(out);
    Os_File_Discard(folder, written->temp_name);
    return Fail(outcome, step, error);
  }
  written->out = out;
  written->source = info;
  return 1;
}

// Names written data in `place` (the folder it was written in, or, for an unnamed file,
// any folder of the same mount) and closes it; a close that fails after the naming
// takes the name away again. With `durable` the folder's entry is synced too.
// Returns 1 when named; 0 with the outcome's step and error, the data dropped, and
// *asked_refused set when the asked name was refused otherwise than as taken.
static int Data_Name(Written_Data *written, const Copy_Place &place, bool durable, Copy_Outcome *outcome,
                     bool *asked_refused)
{
  int step = COPY_STEP_NONE;
  int error = Name_Take(place, [&](const char *name) { return Os_File_Publish(written->out, place.folder, written->temp_name, name); },
                        outcome, asked_refused);
  if (error) step = error == EEXIST ? COPY_STEP_NAME_TAKEN : COPY_STEP_NAME;
  if (written->out >= 0 && close(written->out) != 0 && step == COPY_STEP_NONE) {
    error = errno;
    step = COPY_STEP_WRITE;
    unlinkat(place.folder, outcome->name.c_str(), 0);
  }
  written->out = -1;
  if (step != COPY_STEP_NONE) {
    Os_File_Discard(place.folder, written->temp_name);
    return Fail(outcome, step, error);
  }
  if (durable && fsync(place.folder) != 0) {
    error = errno;
    unlinkat(place.folder, outcome->name.c_str(), 0);
    return Fail(outcome, COPY_STEP_WRITE, error);
  }
  return 1;
}

// The copy of Copy_Data; with `durable` the file and the folder's entry are synced to
// the disk before it returns (a move then removes the source).
static int Copy_Into(const char *source, const Copy_Place &place, size_t block_size, bool durable,
                     Copy_Outcome *outcome)
{
  Written_Data written;
  bool asked_refused = false;
  return Data_Write(source, place.folder, block_size, durable, &written, outcome) &&
         Data_Name(&written, place, durable, outcome, &asked_refused);
}

// ---- copy made ahead ------------------------------------------------------------------------

int Copy_Data_Ahead(const char *source, int folder, const std::string &inheritance, size_t block_size,
                    Copy_Ahead_Data *data)
{
  *data = Copy_Ahead_Data();
  Written_Data written;
  written.ahead = true;
  Copy_Outcome outcome;
  if (!Data_Write(source, folder, block_size, false, &written, &outcome)) return 0;
  if (!written.temp_name.empty()) {
    // Only an unnamed file can be named in another folder.
    close(written.in);
    Os_File_Discard(folder, written.temp_name);
    data->unnamed_files = false;
    return 0;
  }
  data->out = written.out;
  data->in = written.in;
  data->source = written.source;
  data->inheritance = inheritance;
  return 1;
}

int Copy_Data_Made_Ahead(Copy_Ahead_Data *data, const Copy_Place &place, Copy_Outcome *outcome)
{
  *outcome = Copy_Outcome();
  struct stat now;
  if (data->out < 0 || place.inheritance.empty() || place.inheritance != data->inheritance ||
      fstat(data->in, &now) != 0 || !Os_File_Unchanged(data->source, now)) {
    Copy_Ahead_Discard(data);
    return -1;
  }
  Written_Data written;
  written.out = data->out;
  data->out = -1;
  Copy_Ahead_Discard(data);
  bool asked_refused = false;
  if (Data_Name(&written, place, false, outcome, &asked_refused)) return 1;
  return asked_refused ? -1 : 0;
}

void Copy_Ahead_Discard(Copy_Ahead_Data *data)
{
  if (data->out >= 0) close(data->out);
  if (data->in >= 0) close(data->in);
  data->out = data->in = -1;
}

int Copy_Data(const char *source, const Copy_Place &place, size_t block_size, Copy_Outcome *outcome)
{
  *outcome = Copy_Outcome();
  return Copy_Into(source, place, block_size, false, outcome);
}

// ---- move -----------------------------------------------------------------------------------

// A move by copying: the durable copy, then the source's removal (a link: the link).
static int Move_By_Copy(const char *source, const Copy_Place &place, size_t block_size, Copy_Outcome *outcome)
{
  if (!Copy_Into(source, place, block_size, true, outcome)) return 0;
  outcome->by_copy = true;
  if (unlink(source) == 0) return 1;
  int error = errno;
  unlinkat(place.folder, outcome->name.c_str(), 0);
  return Fail(outcome, COPY_STEP_REMOVE_SOURCE, error);
}

int Copy_Move(const char *source, const Copy_Place &place, size_t block_size, Copy_Outcome *outcome)
{
  *outcome = Copy_Outcome();
  struct stat info;
  if (lstat(source, &info) != 0) return Fail(outcome, COPY_STEP_OPEN_SOURCE, errno);
  // Renaming a link would move the link and leave the data behind it.
  if (S_ISLNK(info.st_mode)) return Move_By_Copy(source, place, block_size, outcome);
  bool asked_refused = false;
  int error = Name_Take(place, [&](const char *name) { return Os_Rename_No_Replace(AT_FDCWD, source, place.folder, name); },
                        outcome, &asked_refused);
  if (error == 0) return 1;
  if (error == EXDEV) return Move_By_Copy(source, place, block_size, outcome);
  return Fail(outcome, error == EEXIST ? COPY_STEP_NAME_TAKEN : COPY_STEP_NAME, error);
}
