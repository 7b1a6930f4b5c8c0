// Copy into, move into and delete, for the push job's fail folder and its deletions
// after a confirmed store. The target of a copy or move is built the same way for
// both: the folder part of the destination (the source's own folder when it has none)
// and the destination's name and extension, each taken from the source when the
// destination has none, so a folder ending in a separator receives the source's name.
#include "app/file_to_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/copy_data.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/path_split.h"
#include "util/utility_directory.h"

enum { COPY_BLOCK = 65536 };

static const char ERROR_MARK[] = "\xF1\x04" "ERROR:\x02\t ";

// The system's text for `code` as the second line of a warning.
static void Warn_Error_Text(int code)
{
  Message_Log(nullptr, MSG_WARNING, "\xF1\x02\t\t %s", Error_Text(code));
}

// Builds the target path of `source` put into `destination` and makes sure its folder
// exists. Returns false after the "Unable to create" warning.
static bool Target_Prepare(const char *source, const char *destination, std::string *target)
{
  std::string folder, name, extension, source_folder, source_name, source_extension;
  Path_Split(destination, &folder, &name, &extension);
  Path_Split(source, &source_folder, &source_name, &source_extension);
  if (!folder.empty() && !Directory_Create(folder.c_str())) {
    int code = errno;
    Message_Log(nullptr, MSG_WARNING, "%sUnable to create \x01%s", ERROR_MARK, Log_Value_Escape(destination).c_str());
    Warn_Error_Text(code);
    return false;
  }
  *target = (folder.empty() ? source_folder : folder) + (name.empty() ? source_name : name) +
            (extension.empty() ? source_extension : extension);
  return true;
}

// True when `a` and `b` name the same existing file.
static bool Same_File(const char *a, const char *b)
{
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

int File_Copy_To(const char *source, const char *folder)
{
  std::string target;
  if (!Target_Prepare(source, folder, &target)) return 0;
  int in = open(source, O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    int code = errno;
    Message_Log(nullptr, MSG_WARNING, "%sUnable to open \x01%s", ERROR_MARK, Log_Value_Escape(source).c_str());
    Warn_Error_Text(code);
    return 0;
  }
  Message_Log(nullptr, MSG_TRACE + 2, "copy(%s,%s)", source, target.c_str());
  if (Same_File(source, target.c_str())) {
    close(in);
    return 1;
  }
  int out = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    int code = errno;
    close(in);
    Message_Log(nullptr, MSG_WARNING, "%sUnable to open \x01%s", ERROR_MARK, Log_Value_Escape(target).c_str());
    Warn_Error_Text(code);
    return 0;
  }
  bool read_failed = false;
  bool whole = Copy_Descriptor(in, out, COPY_BLOCK, &read_failed) == 1;
  int code = errno;
  close(in);
  if (close(out) != 0 && whole) {
    whole = false;
    code = errno;
  }
  if (whole) return 1;
  Message_Log(nullptr, MSG_WARNING, "%sWriting to \x01%s", ERROR_MARK, Log_Value_Escape(target).c_str());
  Warn_Error_Text(code);
  unlink(target.c_str());
  return 0;
}

int File_Move_To(const char *source, const char *folder)
{
  struct stat info;
  if (stat(source, &info) == 0) chmod(source, info.st_mode | S_IRUSR | S_IWUSR);
  std::string target;
  if (!Target_Prepare(source, folder, &target)) return 0;
  Message_Log(nullptr, MSG_TRACE + 2, "rename(%s,%s)", source, target.c_str());
  if (Copy_Rename(source, target.c_str())) {
    if (stat(target.c_str(), &info) == 0) chmod(target.c_str(), info.st_mode | S_IRUSR | S_IWUSR);
    return 1;
  }
  int code = errno;
  Message_Log(nullptr, MSG_WARNING, "%sUnable to move \x01%s", ERROR_MARK, Log_Value_Escape(source).c_str());
  Message_Log(nullptr, MSG_WARNING, "\xF1\x02\t\t to \x01%s", Log_Value_Escape(target).c_str());
  Warn_Error_Text(code);
  return 0;
}

int File_Delete(const char *path)
{
  if (unlink(path) == 0) return 1;
  int code = errno;
  Message_Log(nullptr, MSG_WARNING, "%sUnable to unlink \x01%s!", ERROR_MARK, Log_Value_Escape(path).c_str());
  Warn_Error_Text(code);
  return 0;
}
