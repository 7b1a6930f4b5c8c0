// The installation folder: an explicit $HARROWDESK_HOME, or the share folder beside the
// installed binary (<prefix>/bin/harrowdesk -> <prefix>/share/harrowdesk/). The prefix is
// taken from where the binary is, so a tree unpacked anywhere (dpkg -x) finds its data.
#include "util/win_registry.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

#include "platform/os/os_paths.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/path_split.h"

static bool Is_Directory(const std::string &path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder beside the installed binary: <exe dir>/../share/<program in lower case>,
// with the ".." resolved so that messages show the plain path.
static std::string Share_Folder(const char *program)
{
  std::string exe_folder;
  Path_Split(Os_Exe_Path().c_str(), &exe_folder, nullptr, nullptr);
  std::string lower = program;
  for (char &c : lower) c = (char)std::tolower((unsigned char)c);
  return std::filesystem::path(exe_folder + "../share/" + lower).lexically_normal().string();
}

int Registry_Get_Path(const char *program, std::string &folder)
{
  std::vector<std::string> candidates;
  if (const char *home = std::getenv("HARROWDESK_HOME"); home && *home) candidates.push_back(home);
  candidates.push_back(Share_Folder(program));
  for (std::string found : candidates) {
    if (!Is_Directory(found)) {
      int error = errno;
      Message_Log(nullptr, MSG_TRACE, "Failed in Registry_Get_Path(%s,%s)", program, found.c_str());
      MESSAGE_LOG_WHERE(nullptr);
      Message_Log(nullptr, MSG_TRACE, "Unable to access key: %s %s", found.c_str(),
                  Error_Text(error ? error : ENOTDIR));
      continue;
    }
    if (found.back() != '/') found += '/';
    folder = found;
    Message_Log(nullptr, MSG_TRACE, "Registry_Get_Path(): Installation Path from registry = \"%s\"", folder.c_str());
    return 1;
  }
  return 0;
}
