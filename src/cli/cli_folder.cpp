// Cli_Folder_Usable: a folder given on the command line is made (when asked), then must
// be a folder that the process may enter, and read or write as asked. The reason printed
// is the system's text for the first step that failed.
#include "cli/cli_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

// The system's reason why `path` is no folder to use as `use` says, or "" when it is one.
static std::string Folder_Fault(const char *path, int use)
{
  if (use & CLI_FOLDER_CREATE) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) return std::strerror(error.value());
  }
  struct stat status;
  if (stat(path, &status) != 0) return std::strerror(errno);
  if (!S_ISDIR(status.st_mode)) return std::strerror(ENOTDIR);
  int mode = X_OK | (use & CLI_FOLDER_READ ? R_OK : 0) | (use & CLI_FOLDER_WRITE ? W_OK : 0);
  if (access(path, mode) != 0) return std::strerror(errno);
  return "";
}

int Cli_Folder_Usable(const char *command, const char *role, const char *path, int use)
{
  std::string fault = *path ? Folder_Fault(path, use) : std::strerror(ENOENT);
  if (fault.empty()) return 1;
  std::fprintf(stderr, "harrowdesk-cli %s: cannot use the %s folder %s: %s\n", command, role, path, fault.c_str());
  return 0;
}
