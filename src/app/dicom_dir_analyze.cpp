// The scan's directory walk over the folder listings. It keeps the identity (device,
// inode) of every folder it is inside and of every file it accepted: on Linux links
// can lead back into a folder being walked (which would never end) or to a file seen
// before (which would be catalogued twice). A link that leads back into the scanned
// folder is not followed at all: what it names is met, and catalogued, under its own
// path, so a later move takes the file itself and not a link to it. Every path that the
// walk cannot read is reported once and counted in the records, so that a copy of what
// was found can say that something was left out. The listings may come from the file
// count's readings, so that a scan reads each folder once.
#include "app/dicom_dir_analyze.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/configuration.h"
#include "dicom/DICOM_Media_Directory.h"
#include "util/error_text.h"
#include "util/message_log.h"
#include "util/utility_directory.h"

namespace {

typedef std::pair<uint64_t, uint64_t> Identity;  // (device, inode)

struct Walk {
  Progress_Record *progress;
  Listing_Store *listings;       // the count's readings, or null
  std::string top_real;          // the real path of the scanned folder, ending with "/"
  std::vector<Identity> inside;  // the folders being walked, from the top down
  std::set<Identity> accepted;   // every file accepted so far
  int lost = 0;                  // paths that could not be read, each reported
};

// True when the file has "DICM" at byte 128. A file that cannot be read is a loss of
// the walk, reported; a shorter one is passed over silently.
bool Has_Part10_Signature(Walk &walk, const char *path)
{
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  char signature[4];
  ssize_t count = fd < 0 ? -1 : pread(fd, signature, sizeof signature, 128);
  if (count < 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to open \x01%s\x02 (%s)", Log_Value_Escape(path).c_str(),
                Error_Text(0));
    walk.lost++;
  }
  if (fd >= 0) close(fd);
  return count == 4 && std::memcmp(signature, "DICM", 4) == 0;
}

bool Is_Accepted(Walk &walk, const Dir_Entry &entry)
{
  if (flag_part_10 && !Has_Part10_Signature(walk, entry.File)) return false;
  return strcasecmp(entry.Name, DICOM_MEDIA_DIRECTORY_NAME) != 0;  // "dicomdir" on a CD mounted in lower case
}

// True when `entry` is a link to something inside the scanned folder, which the walk
// meets under its own path. A link whose real path cannot be worked out is followed.
bool Links_Back_Inside(const Walk &walk, const Dir_Entry &entry)
{
  if (!(entry.attributes & DIR_ENTRY_LINK) || walk.top_real.empty()) return false;
  char *real = realpath(entry.File, nullptr);
  if (!real) return false;
  std::string path = std::string(real) + "/";
  std::free(real);
  if (path.compare(0, walk.top_real.size(), walk.top_real) != 0) return false;
  Message_Log(nullptr, MSG_TRACE + 1, "DICOM_Dir_Analyze: link %s leads inside the scanned folder",
              Log_Value_Escape(entry.File).c_str());
  return true;
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

// Walks the sub-directories `folders` into `record`; adds their totals to `total`.
// Returns false when the walk must stop (cancelled, or the record cannot grow).
bool Walk_Sub_Directories(Walk &walk, item_dir *record, Dir_Entry *folders, int &total)
{
  bool going = true;
  for (int i = 0; going && folders && folders[i].valid; i++) {
    Dir_Entry &entry = folders[i];
    if ((i + 1) % 16 == 0) {
      Progress_Step(walk.progress, 16);
      if (Progress_Cancelled(walk.progress)) break;
    }
    Identity identity{entry.device, entry.inode};
    bool looping = false;
    for (const Identity &folder : walk.inside) looping = looping || folder == identity;
    if (looping || Links_Back_Inside(walk, entry)) continue;
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
  return going && !Progress_Cancelled(walk.progress);
}

// Adds the accepted files of `files` to `record` and to `total`.
void Walk_Files(Walk &walk, item_dir *record, Dir_Entry *files, int &total)
{
  for (int i = 0; files && files[i].valid; i++) {
    Dir_Entry &entry = files[i];
    Progress_Bounce(walk.progress, 1);
    if ((i + 1) % 16 == 0) {
      Progress_Step(walk.progress, 16);
      if (Progress_Cancelled(walk.progress)) break;
    }
    Identity identity{entry.device, entry.inode};
    if (walk.accepted.count(identity) || Links_Back_Inside(walk, entry) || !Is_Accepted(walk, entry)) continue;
    if (!File_Append(record, entry)) break;
    walk.accepted.insert(identity);
    total++;
  }
}

item_dir *Walk_Folder(Walk &walk, item_dir *record, const char *path, const char *name)
{
  std::memset(record, 0, sizeof *record);
  Message_Log(nullptr, MSG_TRACE + 1, "DICOM_Dir_Analyze(%s=%s)", Log_Value_Escape(path).c_str(),
              Log_Value_Escape(name).c_str());
  int lost_before = walk.lost;
  Dir_Entry *folders = nullptr, *files = nullptr;
  Folder_List(path, &folders, &files, &walk.lost, walk.listings);
  int total = 0;
  if (Walk_Sub_Directories(walk, record, folders, total)) Walk_Files(walk, record, files, total);
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  Record_Finish(record, total, path, name);
  record->nb_lost = walk.lost - lost_before;
  return record;
}

}  // namespace

item_dir *DICOM_Dir_Analyze(item_dir *record, const char *path, const char *name, Progress_Record *progress,
                            Listing_Store *listings)
{
  Walk walk{progress, listings, "", {}, {}, 0};
  // The top folder starts the chain of folders the walk is inside.
  struct stat info;
  if (stat(path, &info) == 0) walk.inside.push_back({(uint64_t)info.st_dev, (uint64_t)info.st_ino});
  if (char *real = realpath(path, nullptr)) {
    walk.top_real = real;
    std::free(real);
    if (walk.top_real.back() != '/') walk.top_real += '/';
  }
  return Walk_Folder(walk, record, path, name);
}
