// The file-per-key settings store. Every value is read or written whole in one go; a
// write that comes up short or fails on close counts as a failure, so a caller never
// believes a half-written setting was saved.
#include "util/win_environment.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

#include "platform/os/os_paths.h"
#include "util/error_text.h"
#include "util/message_log.h"

enum { TEXT_VALUE_MAX = 1024 };

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
  unsigned char bytes[4] = {0, 0, 0, 0};
  ssize_t count = Read_Key("Environment_Get_Value_Int", section, key, (char *)bytes, sizeof bytes);
  if (count < 0) return 0;
  if (count == 0) {
    Message_Log(nullptr, MSG_TRACE, "Failed in Environment_Get_Value_Int(%s,%s)", section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to read file: %s", (Section_Folder(section) + key).c_str());
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

// Creates the maker and section folders and writes `size` bytes as the key's whole file.
// Returns 1, or 0 after tracing the failure under `function`.
static int Write_Key(const char *function, const char *section, const char *key, const void *bytes, size_t size)
{
  std::string app_data;
  if (!Os_App_Data_Dir(app_data)) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Failed in SHGetSpecialFolderPath for %s", "CSIDL_COMMON_APPDATA");
    return 0;
  }
  for (const std::string &folder : {app_data + "ArdentVale", app_data + "ArdentVale/" + section}) {
    if (Os_Create_Private_Dirs(folder)) continue;
    int error = errno;
    Message_Log(nullptr, MSG_TRACE, "Failed in Environment_Set_Value_Int(%s,%s)", section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to open dir: %s", folder.c_str());
    Message_Log(nullptr, MSG_TRACE, "%s", Error_Text(error));
    return 0;
  }
  std::string path = app_data + "ArdentVale/" + section + "/" + key;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    int error = errno;
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to open file: %s %s", path.c_str(), Error_Text(error));
    return 0;
  }
  fchmod(fd, 0600);
  ssize_t written = size ? write(fd, bytes, size) : 0;
  int write_error = written < 0 ? errno : ENOSPC;
  bool whole = written == (ssize_t)size;
  if (close(fd) != 0 && whole) {
    whole = false;
    write_error = errno;
  }
  if (!whole) {
    Message_Log(nullptr, MSG_TRACE, "Failed in %s(%s,%s)", function, section, key);
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to write file: %s %s", path.c_str(), Error_Text(write_error));
    return 0;
  }
  return 1;
}

int Environment_Set_Value_Int(const char *section, const char *key, int32_t value)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Set_Value_Int(%s,%s,%d)", section, key, value);
  uint32_t bits = (uint32_t)value;
  unsigned char bytes[4] = {(unsigned char)bits, (unsigned char)(bits >> 8), (unsigned char)(bits >> 16), (unsigned char)(bits >> 24)};
  return Write_Key("Environment_Set_Value_Int", section, key, bytes, sizeof bytes);
}

int Environment_Set_Value_String(const char *section, const char *key, const char *text)
{
  Message_Log(nullptr, MSG_TRACE + 4, "in Environment_Set_Value_String(%s,%s,%s)", section, key, text ? text : "");
  return Write_Key("Environment_Set_Value_String", section, key, text ? text : "", text ? std::strlen(text) : 0);
}
