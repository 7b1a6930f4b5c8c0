// Folders of the program on Linux: XDG-style application data and state, the temp folder,
// /proc/self/exe for the program's own path, and owner-only folder creation.
#include "platform/os/os_paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

static std::string With_Slash(std::string folder)
{
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

static const char *Non_Empty_Env(const char *name)
{
  const char *value = std::getenv(name);
  return (value && *value) ? value : nullptr;
}

int Os_App_Data_Dir(std::string &folder)
{
  if (const char *own = Non_Empty_Env("HARROWDESK_APPDATA")) {
    folder = With_Slash(own);
    return 1;
  }
  if (const char *xdg = Non_Empty_Env("XDG_CONFIG_HOME")) {
    folder = With_Slash(xdg);
    return 1;
  }
  if (const char *home = Non_Empty_Env("HOME")) {
    folder = With_Slash(home) + ".config/";
    return 1;
  }
  return 0;
}

int Os_State_Dir(std::string &folder)
{
  // A relative XDG_STATE_HOME is invalid and ignored, as the XDG base directory rules say.
  const char *xdg = Non_Empty_Env("XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') {
    folder = With_Slash(xdg) + "harrowdesk/";
    return 1;
  }
  if (const char *home = Non_Empty_Env("HOME")) {
    folder = With_Slash(home) + ".local/state/harrowdesk/";
    return 1;
  }
  return 0;
}

std::string Os_Temp_Dir()
{
  const char *tmp = Non_Empty_Env("TMPDIR");
  return With_Slash(tmp ? tmp : "/tmp");
}

std::string Os_Exe_Path()
{
  char buffer[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return "";
  return std::string(buffer, (size_t)length);
}

int Os_Create_Private_Dir(const std::string &folder)
{
  if (mkdir(folder.c_str(), 0700) == 0) return 1;
  if (errno != EEXIST) return 0;
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) return 0;
  if (!S_ISDIR(info.st_mode)) {
    errno = ENOTDIR;
    return 0;
  }
  return 1;
}

int Os_Create_Private_Dirs(const std::string &folder)
{
  if (folder.empty()) return 1;
  for (size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
    if (!Os_Create_Private_Dir(folder.substr(0, slash))) return 0;
  if (folder.back() != '/') return Os_Create_Private_Dir(folder);
  return 1;
}
