// The file-per-key settings store. Every value is read whole in one go. A value is
// written to a temporary file in the key's folder, synced and renamed over the key, so
// the key's file always holds a whole value, old or new; a write that comes up short,
// fails to sync or to rename counts as a failure and leaves the old file in place, so a
// caller never believes a half-written setting was saved.
#include "util/win_environment.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

#include "platform/os/os_files.h"
#include "platform/os/os_paths.h"
#include "util/error_text.h"
#include "util/message_log.h"

enum {
  TEXT_VALUE_MAX = 1024,
  INT_VALUE_SIZE = 4,  // an integer is stored as 4 bytes, little endian
};

// <app data>/ArdentVale/<section>/, or "" when there is no application-data folder.
static std::string Section_Folder(const char *section)
{
  std::string app_data;
  if (!Os_App_Data_Dir(app_data)) return "";
  return app_data + "ArdentVale/" + section + "/";
}

// Reads at most `capacity` bytes of a key's file. Returns the count read (0 or more),
// or -1 after tracing the failure under `function`.
static ssize_t Read_Key(const char *function, const char *section, const char *key, char *buffer, size_t capacity)
{
  std::string folder = Section_Folder(section);
  if (folder.empty()) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Failed in SHGetSpecialFolderPath for %s", "CSIDL_COMMON_APPDATA");
    return -1;
  }
  std::string path = folder + key;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to open file: %s", path.c_str());
    return -1;
  }
  size_t total = 0;
  while (total < capacity) {
    ssize_t n = read(fd, buffer + total, capacity - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
      MESSAGE_LOG_WHERE(nullptr);
      Message_Log(nullptr, MSG_TRACE, "Unable to read file: %s", path.c_str());
      return -1;
    }
    if (n == 0) break;
    total += (size_t)n;
  }
  close(fd);
  return (ssize_t)total;
}

int Environment_Get_Value_Int(const char *section, const char *key, int32_t *value)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Get_Value_Int(%s,%s)", section, key);
  // One byte more than a value holds: a file of one byte (a flag) or four (little endian)
  // is a stored value; any other length (empty, or a number typed by hand such as "11\n")
  // is not, and the caller's default stays.
  unsigned char bytes[INT_VALUE_SIZE + 1] = {0, 0, 0, 0, 0};
  ssize_t count = Read_Key("Environment_Get_Value_Int", section, key, (char *)bytes, sizeof bytes);
  if (count < 0) return 0;
  if (count != 1 && count != INT_VALUE_SIZE) {
    Message_Log(nullptr, MSG_TRACE, "Failed in Environment_Get_Value_Int(%s,%s)", section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Not a stored 1- or 4-byte value: %s", (Section_Folder(section) + key).c_str());
    return 0;
  }
  *value = (int32_t)((uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24);
  return 1;
}

const char *Environment_Get_Value_String(const char *section, const char *key)
{
  static char text[TEXT_VALUE_MAX + 1];
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Get_Value_String(%s,%s)", section, key);
  ssize_t count = Read_Key("Environment_Get_Value_String", section, key, text, TEXT_VALUE_MAX);
  if (count < 0) return nullptr;
  text[count] = 0;
  return text;
}

// Flushes a folder's entries to disk, so that a rename in it survives a power cut.
// Returns 1, or 0 with errno set.
static int Sync_Folder(const std::string &folder)
{
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;
  int synced = fsync(fd) == 0;
  int error = errno;
  close(fd);
  errno = error;
  return synced;
}

// Creates the maker and section folders and makes `size` bytes the key's whole file.
// The value goes to a temporary file beside the key, is synced, and is renamed over
// the key: a crash or a full disk leaves either the old value or the new one, never a
// cut one. A failed write removes its temporary file. Returns 1, or 0 after tracing
// the failure under `function`.
static int Write_Key(const char *function, const char *section, const char *key, const void *bytes, size_t size)
{
  std::string app_data;
  if (!Os_App_Data_Dir(app_data)) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Failed in SHGetSpecialFolderPath for %s", "CSIDL_COMMON_APPDATA");
    return 0;
  }
  std::string folder = app_data + "ArdentVale/" + section;
  for (const std::string &level : {app_data + "ArdentVale", folder}) {
    if (Os_Create_Private_Dirs(level)) continue;
    int error = errno;
    Message_Log(nullptr, MSG_TRACE, "Failed in Environment_Set_Value_Int(%s,%s)", section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to open dir: %s", level.c_str());
    Message_Log(nullptr, MSG_TRACE, "%s", Error_Text(error));
    return 0;
  }
  std::string path = folder + "/" + key;
  std::string temporary = folder + "/." + key + ".XXXXXX";
  int fd = mkostemp(temporary.data(), O_CLOEXEC);  // created 0600, never an existing file
  if (fd < 0) {
    int error = errno;
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to open file: %s %s", path.c_str(), Error_Text(error));
    return 0;
  }
  int error = 0;  // the first failure's errno
  if (fchmod(fd, 0600) != 0 || !Os_Write_All(fd, bytes, size) || fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && !error) error = errno;
  if (!error && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error) unlink(temporary.c_str());
  else if (!Sync_Folder(folder)) error = errno;
  if (error) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to write file: %s %s", path.c_str(), Error_Text(error));
    return 0;
  }
  return 1;
}

int Environment_Set_Value_Int(const char *section, const char *key, int32_t value)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Set_Value_Int(%s,%s,%d)", section, key, value);
  uint32_t bits = (uint32_t)value;
  unsigned char bytes[INT_VALUE_SIZE] = {(unsigned char)bits, (unsigned char)(bits >> 8), (unsigned char)(bits >> 16),
                                         (unsigned char)(bits >> 24)};
  return Write_Key("Environment_Set_Value_Int", section, key, bytes, sizeof bytes);
}

int Environment_Set_Value_String(const char *section, const char *key, const char *text)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Set_Value_String(%s,%s,%s)", section, key, text ? text : "");
  return Write_Key("Environment_Set_Value_String", section, key, text ? text : "", text ? std::strlen(text) : 0);
}
