// Copy into, move into and delete, for the push job's fail folder and its deletions
// after a confirmed store. The target of a copy or move is built the same way for
// both: the folder part of the destination (the source's own folder when it has none)
// and the destination's name and extension, each taken from the source when the
// destination has none, so a folder ending in a separator receives the source's name.
// The bytes go through the copy job's file-copy core (copy_data), so a failed file is
// whole or absent under its name, and a second failed file of the same name is kept
// under the next numbered name (name01 ... name99), never written over.
#include "app/file_to_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/copy_data.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/path_split.h"
#include "util/utility_directory.h"

static const char ERROR_MARK[] = "\xF1\x04" "ERROR:\x02\t ";

// The system's text for `code` as the second line of a warning.
static void Warn_Error_Text(int code)
{
  Message_Log(nullptr, MSG_WARNING, "\xF1\x02\t\t %s", Error_Text(code));
}

// Works out where `source` put into `destination` goes, makes sure the folder exists and
// opens it into `place`. Returns false after the "Unable to create" warning.
static bool Target_Prepare(const char *source, const char *destination, Copy_Place *place)
{
  std::string folder, name, extension, source_folder, source_name, source_extension;
  Path_Split(destination, &folder, &name, &extension);
  Path_Split(source, &source_folder, &source_name, &source_extension);
  if (folder.empty()) folder = source_folder;
  place->folder_path = folder;
  place->name = (name.empty() ? source_name : name) + (extension.empty() ? source_extension : extension);
  place->numbered = true;
  place->folder = -1;
  if (folder.empty() || Directory_Create(folder.c_str()))
    place->folder = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (place->folder >= 0) return true;
  int code = errno;
  Message_Log(nullptr, MSG_WARNING, "%sUnable to create \x01%s", ERROR_MARK, Log_Value_Escape(destination).c_str());
  Warn_Error_Text(code);
  return false;
}

// True when `a` and `b` name the same existing file.
static bool Same_File(const char *a, const std::string &b)
{
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

int File_Copy_To(const char *source, const char *folder)
{
  Copy_Place place;
  if (!Target_Prepare(source, folder, &place)) return 0;
  const std::string target = place.folder_path + place.name;
  Message_Log(nullptr, MSG_TRACE + 2, "copy(%s,%s)", source, target.c_str());
  Copy_Outcome outcome;
  int ok = Same_File(source, target) || Copy_Data(source, place, COPY_KERNEL, &outcome);
  close(place.folder);
  if (ok) return 1;
  switch (outcome.step) {
  case COPY_STEP_OPEN_SOURCE:
    Message_Log(nullptr, MSG_WARNING, "%sUnable to open \x01%s", ERROR_MARK, Log_Value_Escape(source).c_str());
    break;
  case COPY_STEP_OPEN_TARGET:
  case COPY_STEP_NAME_TAKEN:
    Message_Log(nullptr, MSG_WARNING, "%sUnable to open \x01%s", ERROR_MARK, Log_Value_Escape(target).c_str());
    break;
  default: Message_Log(nullptr, MSG_WARNING, "%sWriting to \x01%s", ERROR_MARK, Log_Value_Escape(target).c_str()); break;
  }
  Warn_Error_Text(outcome.error);
  return 0;
}

int File_Move_To(const char *source, const char *folder)
{
  struct stat info;
  if (stat(source, &info) == 0) chmod(source, info.st_mode | S_IRUSR | S_IWUSR);
  Copy_Place place;
  if (!Target_Prepare(source, folder, &place)) return 0;
  const std::string asked = place.folder_path + place.name;
  Message_Log(nullptr, MSG_TRACE + 2, "rename(%s,%s)", source, asked.c_str());
  Copy_Outcome outcome;
  int ok = Same_File(source, asked) || Copy_Move(source, place, COPY_KERNEL, &outcome);
  if (ok && !outcome.name.empty() && fstatat(place.folder, outcome.name.c_str(), &info, 0) == 0)
    fchmodat(place.folder, outcome.name.c_str(), info.st_mode | S_IRUSR | S_IWUSR, 0);
  close(place.folder);
  if (ok) return 1;
  Message_Log(nullptr, MSG_WARNING, "%sUnable to move \x01%s", ERROR_MARK, Log_Value_Escape(source).c_str());
  Message_Log(nullptr, MSG_WARNING, "\xF1\x02\t\t to \x01%s", Log_Value_Escape(asked).c_str());
  Warn_Error_Text(outcome.error);
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
