// Whole writes over write(2); hidden files over O_TMPFILE and linkat through /proc, with
// an exclusively created hidden name as the fallback; renames that never replace; and the
// checked open of a file of our own: O_NOFOLLOW refuses a link at the last component,
// O_NONBLOCK keeps a planted FIFO from holding the open, and fstat on the open descriptor
// (not on the name, which could change between a check and the open) decides whether the
// file is ours to write.
#include "platform/os/os_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

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

enum { HIDDEN_NAME_TRIES = 100 };

// The path through which an unnamed file can be linked into a folder.
static std::string Descriptor_Path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

int Os_File_Create_Hidden(int folder, unsigned mode, std::string *temp_name)
{
  temp_name->clear();
  static const bool proc_there = access("/proc/self/fd", X_OK) == 0;
  if (proc_there) {
    int fd = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, (mode_t)mode);
    if (fd >= 0) return fd;
    // Only a file system without unnamed files falls through to a hidden name.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return -1;
  }
  static std::atomic<unsigned> serial{0};
  for (int attempt = 0; attempt < HIDDEN_NAME_TRIES; attempt++) {
    char name[64];
    std::snprintf(name, sizeof name, ".harrowdesk-%ld-%u.part", (long)getpid(), serial++);
    int fd = openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, (mode_t)mode);
    if (fd >= 0) {
      *temp_name = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

int Os_File_Publish(int fd, int folder, const std::string &temp_name, const char *name)
{
  if (!temp_name.empty()) return Os_Rename_No_Replace(folder, temp_name.c_str(), folder, name);
  // linkat never replaces: a taken name gives EEXIST. The descriptor itself serves a
  // process that may search every folder (CAP_DAC_READ_SEARCH); others, refused with
  // ENOENT, link the descriptor's name in /proc.
  static std::atomic<bool> descriptor_refused{false};
  if (!descriptor_refused.load(std::memory_order_relaxed)) {
    if (linkat(fd, "", folder, name, AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT) return errno;
    descriptor_refused.store(true, std::memory_order_relaxed);
  }
  if (linkat(AT_FDCWD, Descriptor_Path(fd).c_str(), folder, name, AT_SYMLINK_FOLLOW) == 0) return 0;
  return errno;
}

void Os_File_Discard(int folder, const std::string &temp_name)
{
  if (!temp_name.empty()) unlinkat(folder, temp_name.c_str(), 0);
}

int Os_Rename_No_Replace(int from_folder, const char *from, int to_folder, const char *to)
{
  if (renameat2(from_folder, from, to_folder, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // The file system cannot rename without replacing: link the new name, then drop the
  // old one; link never replaces either.
  if (linkat(from_folder, from, to_folder, to, 0) != 0) return errno;
  if (unlinkat(from_folder, from, 0) != 0) {
    int error = errno;
    unlinkat(to_folder, to, 0);
    return error;
  }
  return 0;
}

bool Os_Folder_Inheritance(int folder, std::string *key)
{
  struct statx info;
  const unsigned wanted = STATX_MNT_ID | STATX_GID | STATX_MODE;
  if (statx(folder, "", AT_EMPTY_PATH, wanted, &info) != 0 || (info.stx_mask & wanted) != wanted) return false;
  *key = std::to_string(info.stx_mnt_id) + ":" + std::to_string(info.stx_gid) + ":" +
         ((info.stx_mode & S_ISGID) ? "g" : "-") + ":";
  // The default ACL, as its bytes; none (ENODATA), or none possible (ENOTSUP), is "".
  char acl[4096];
  ssize_t size = fgetxattr(folder, "system.posix_acl_default", acl, sizeof acl);
  if (size < 0 && errno != ENODATA && errno != ENOTSUP) return false;
  if (size > 0) key->append(acl, (size_t)size);
  return true;
}

bool Os_File_Unchanged(const struct stat &then, const struct stat &now)
{
  return then.st_dev == now.st_dev && then.st_ino == now.st_ino && then.st_size == now.st_size &&
         then.st_mtim.tv_sec == now.st_mtim.tv_sec && then.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

// The fault of the file described by `info`, OS_OWN_FILE_OK when it is our own regular file.
static Os_Own_File_Fault Own_File_Fault(const struct stat &info)
{
  if (!S_ISREG(info.st_mode)) return OS_OWN_FILE_NOT_REGULAR;
  static const uid_t self = geteuid();
  if (info.st_uid != self) return OS_OWN_FILE_OTHER_OWNER;
  if (info.st_nlink > 1) return OS_OWN_FILE_HARD_LINKED;
  return OS_OWN_FILE_OK;
}

// The fault of the open descriptor `fd`, OS_OWN_FILE_OK when it is our own regular file.
static Os_Own_File_Fault Own_File_Check(int fd)
{
  struct stat info;
  if (fstat(fd, &info) != 0) return OS_OWN_FILE_OPEN_FAILED;
  return Own_File_Fault(info);
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
  // O_NONBLOCK stays: it kept a planted FIFO from blocking the open, and writes to a
  // regular file never return EAGAIN.
  return fd;
}

bool Os_Own_File_Kept(int fd)
{
  struct stat info;
  return fstat(fd, &info) == 0 && info.st_nlink == 1 && Own_File_Fault(info) == OS_OWN_FILE_OK;
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
