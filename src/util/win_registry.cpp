// The installation folder: an explicit $HARROWDESK_HOME, or the share folder beside the
// installed binary (<prefix>/bin/harrowdesk -> <prefix>/share/harrowdesk/).
#include "util/win_registry.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/os/os_paths.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/path_split.h"

static bool Is_Directory(const std::string &path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int Registry_Get_Path(const char *program, std::string &folder)
{
  std::string found;
  if (const char *home = std::getenv("HARROWDESK_HOME"); home && *home) {
    found = home;
  } else {
    std::string exe_folder;
    Path_Split(Os_Exe_Path().c_str(), &exe_folder, nullptr, nullptr);
    std::string lower = program;
    for (char &c : lower) c = (char)std::tolower((unsigned char)c);
    found = exe_folder + "../share/" + lower;
  }
  if (!Is_Directory(found)) {
    int error = errno;
    Message_Log(nullptr, MSG_TRACE, "Failed in Registry_Get_Path(%s,%s)", program, found.c_str());
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "Unable to access key: %s %s", found.c_str(), Error_Text(error ? error : ENOTDIR));
    return 0;
  }
  if (found.back() != '/') found += '/';
  folder = found;
  Message_Log(nullptr, MSG_TRACE, "Registry_Get_Path(): Installation Path from registry = \"%s\"", folder.c_str());
  return 1;
}
