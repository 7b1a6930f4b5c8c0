// The scan's directory walk over the folder listings. It keeps the identity (device,
// inode) of every folder it is inside and of every file it accepted: on Linux links
// can lead back into a folder being walked (which would never end) or to a file seen
// before (which would be catalogued twice).
#include "app/dicom_dir_analyze.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "app/configuration.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/utility_directory.h"

namespace {

typedef std::pair<uint64_t, uint64_t> Identity;  // (device, inode)

struct Walk {
  Progress_Record *progress;
  std::vector<Identity> inside;  // the folders being walked, from the top down
  std::set<Identity> accepted;   // every file accepted so far
};

// True when the file has "DICM" at byte 128. An unreadable file is passed over with a
// warning; a shorter one silently.
bool Has_Part10_Signature(const char *path)
{
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to open \x01%s\x02 (%s)", path, Error_Text(0));
    return false;
  }
  char signature[4];
  ssize_t count = pread(fd, signature, sizeof signature, 128);
  close(fd);
  return count == 4 && std::memcmp(signature, "DICM", 4) == 0;
}

bool Is_Accepted(const Dir_Entry &entry)
{
  if (flag_part_10 && !Has_Part10_Signature(entry.File)) return false;
  return std::strcmp(entry.Name, "DICOMDIR") != 0;
}

// Appends a file entry for `entry` to the record; false after a logged memory failure.
bool File_Append(item_dir *record, const Dir_Entry &entry)
{
  if (!Catalogue_Array_Grow((void **)&record->file, record->nb_file, sizeof(item_file), "dir->file")) return false;
  char *path = strdup(entry.File);
  if (!path) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", __LINE__,
                Log_Source_Name(__FILE__), "file->path");
    return false;
  }
  item_file &file = record->file[record->nb_file++];
  file.select_state = SELECT_NO;
  file.copy_state = COPY_NONE;
  file.path = path;
  return true;
}

// Sets the totals, path and name of a record that holds something; a record that holds
// nothing stays all zero.
void Record_Finish(item_dir *record, int total, const char *path, const char *name)
{
  if (record->nb_dir == 0 && record->nb_file == 0) return;
  record->nb_dicom = total;
  record->path = strdup(path);
  record->name = strdup(name);
  if (!record->path || !record->name)
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s)", __LINE__,
                Log_Source_Name(__FILE__), record->path ? "dir->name" : "dir->path");
}

item_dir *Walk_Folder(Walk &walk, item_dir *record, const char *path, const char *name);

// Walks the sub-directories of `path` into `record`; adds their totals to `total`.
// Returns false when the walk must stop (cancelled, or the record cannot grow).
bool Walk_Sub_Directories(Walk &walk, item_dir *record, const char *path, int &total)
{
  Dir_Entry *folders = Directory_List(path);
  bool going = true;
  for (int i = 0; going && folders && folders[i].valid; i++) {
    Dir_Entry &entry = folders[i];
    if (!std::strcmp(entry.Name, ".") || !std::strcmp(entry.Name, "..")) continue;
    if ((i + 1) % 16 == 0) {
      Progress_Step(walk.progress, 16);
      if (Progress_Cancelled(walk.progress)) break;
    }
    Identity identity{entry.device, entry.inode};
    bool looping = false;
    for (const Identity &folder : walk.inside) looping = looping || folder == identity;
    if (looping) continue;
    Message_Log(nullptr, MSG_TRACE + 1, "DICOM_Dir_Analyze: sub-directory:%s", Log_Value_Escape(entry.File).c_str());
    item_dir below{};
    walk.inside.push_back(identity);
    Walk_Folder(walk, &below, entry.File, entry.Name);
    walk.inside.pop_back();
    if (below.nb_dicom != 0) {
      if (!Catalogue_Array_Grow((void **)&record->dir, record->nb_dir, sizeof(item_dir), "dir->dir")) {
        Catalogue_Free_Dir(&below);
        going = false;
        break;
      }
      record->dir[record->nb_dir++] = below;
      total += below.nb_dicom;
    } else {
      Catalogue_Free_Dir(&below);
    }
    going = !Progress_Cancelled(walk.progress);
  }
  Dir_Entry_Free(folders);
  return going && !Progress_Cancelled(walk.progress);
}

// Adds the accepted files of `path` to `record` and to `total`.
void Walk_Files(Walk &walk, item_dir *record, const char *path, int &total)
{
  Dir_Entry *files = File_List(path, "*.*");
  for (int i = 0; files && files[i].valid; i++) {
    Dir_Entry &entry = files[i];
    Progress_Bounce(walk.progress, 1);
    if ((i + 1) % 16 == 0) {
      Progress_Step(walk.progress, 16);
      if (Progress_Cancelled(walk.progress)) break;
    }
    Identity identity{entry.device, entry.inode};
    if (walk.accepted.count(identity) || !Is_Accepted(entry)) continue;
    if (!File_Append(record, entry)) break;
    walk.accepted.insert(identity);
    total++;
  }
  Dir_Entry_Free(files);
}

item_dir *Walk_Folder(Walk &walk, item_dir *record, const char *path, const char *name)
{
  std::memset(record, 0, sizeof *record);
  Message_Log(nullptr, MSG_TRACE + 1, "DICOM_Dir_Analyze(%s=%s)", Log_Value_Escape(path).c_str(), Log_Value_Escape(name).c_str());
  int total = 0;
  if (Walk_Sub_Directories(walk, record, path, total)) Walk_Files(walk, record, path, total);
  Record_Finish(record, total, path, name);
  return record;
}

}  // namespace

item_dir *DICOM_Dir_Analyze(item_dir *record, const char *path, const char *name, Progress_Record *progress)
{
  Walk walk{progress, {}, {}};
  // The top folder starts the chain of folders the walk is inside.
  struct stat info;
  if (stat(path, &info) == 0) walk.inside.push_back({(uint64_t)info.st_dev, (uint64_t)info.st_ino});
  return Walk_Folder(walk, record, path, name);
}
