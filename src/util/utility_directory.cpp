// Folder listings over opendir/readdir with links followed (one pass serves the plain
// listings and the walk's, which reports every path it cannot handle; the walk and the
// count take a regular file's kind from the folder's entry and stat only folders, links
// and entries of unknown kind), the store in which the count keeps its readings for the
// walk (names, identities and the losses to report later), the loop-safe file count
// (one reading per folder), directory tests, creation and link-safe entry, and the
// Part 10 meta-header reader.
//
// Index: listings / listing store / file count / directory tests and creation / Part 10
// meta header.
#include "util/utility_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "util/error_text.h"
#include "util/message_log.h"
#include "util/path_split.h"

// ---- listings -------------------------------------------------------------------------

// What one pass over a folder keeps of an entry before the listing is allocated: what a
// listing entry holds, less its paths (kept small, as a store holds a whole tree).
struct Found_Entry {
  std::string name;
  uint64_t device, inode;  // links followed
  uint64_t seconds, size;  // last write and size, links followed
  bool link;               // the entry itself is a symbolic link
};

// A path that a pass over a folder could not handle, with the system's reason.
struct Folder_Loss {
  std::string path;
  int error;
};

// What one pass over a folder looks for, and where it puts it.
struct Folder_Wants {
  std::vector<Found_Entry> *folders;  // sub-directories, or null
  std::vector<Found_Entry> *files;    // regular files, or null
  bool dots;                          // keep "." and ".." among the folders
  const char *pattern;                // files: null for every name, else shell wildcards
  int *lost;                          // null: silent; else each loss is reported and counted
  std::vector<Folder_Loss> *kept;     // not null: each loss is kept here instead, unreported
  bool identity_only;                 // a regular file the folder names as such keeps its
                                      // identity only (no stat: time and size stay 0)
};

// The folder path with a "/" at its end.
static std::string Folder_With_Separator(const char *folder)
{
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// Reports a path that a walk cannot handle, once, and counts it. Nothing when `lost`
// is null (the counting pass, which the walk follows).
static void Loss_Report(int *lost, const std::string &path, int error)
{
  if (!lost) return;
  Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to read \x01%s\x02 (%s)", Log_Value_Escape(path).c_str(),
              Error_Text(error));
  (*lost)++;
}

// Keeps a loss of a pass that reports later, or reports it now (see Loss_Report).
static void Loss_Note(const Folder_Wants &wants, const std::string &path, int error)
{
  if (wants.kept)
    wants.kept->push_back({path, error});
  else
    Loss_Report(wants.lost, path, error);
}

// True when an entry's path is too long to be opened, or, for a folder, to be listed
// (its pattern "folder/*.*" included).
static bool Path_Too_Long(size_t length, bool folder) { return length + (folder ? 4 : 0) >= DIRECTORY_PATH_MAX; }

// Reads the entries of `folder` that `wants` asks for. Returns false when the folder
// cannot be opened (a loss of `wants.lost`); a read that breaks off is a loss too, and
// what was read before stays.
static bool Folder_Read(const char *folder, const Folder_Wants &wants)
{
  DIR *stream = opendir(folder);
  if (!stream) {
    Loss_Note(wants, folder, errno);
    return false;
  }
  int folder_fd = dirfd(stream);
  // A regular file lies on its folder's device, and the folder gives its inode.
  struct stat folder_info;
  bool identity_from_folder = wants.identity_only && fstat(folder_fd, &folder_info) == 0;
  std::string prefix = Folder_With_Separator(folder);
  for (;;) {
    errno = 0;
    struct dirent *entry = readdir(stream);
    if (!entry) {
      if (errno != 0) Loss_Note(wants, folder, errno);
      break;
    }
    const char *name = entry->d_name;
    bool dots = !std::strcmp(name, ".") || !std::strcmp(name, "..");
    if (dots && !(wants.dots && wants.folders)) continue;
    struct stat info;
    if (identity_from_folder && entry->d_type == DT_REG) {
      std::memset(&info, 0, sizeof info);
      info.st_mode = S_IFREG;
      info.st_dev = folder_info.st_dev;
      info.st_ino = entry->d_ino;
    } else if (fstatat(folder_fd, name, &info, 0) != 0) {
      Loss_Note(wants, prefix + name, errno);
      continue;
    }
    bool is_folder = S_ISDIR(info.st_mode);
    std::vector<Found_Entry> *into = is_folder ? wants.folders : S_ISREG(info.st_mode) ? wants.files : nullptr;
    if (!into) continue;  // a kind not asked for, or a FIFO, socket or device: no collection's data
    if (!is_folder && wants.pattern && fnmatch(wants.pattern, name, 0) != 0) continue;
    if (!dots && Path_Too_Long(prefix.size() + std::strlen(name), is_folder)) {
      Loss_Note(wants, prefix + name, ENAMETOOLONG);
      continue;
    }
    Found_Entry item;
    item.name = name;
    item.device = (uint64_t)info.st_dev;
    item.inode = (uint64_t)info.st_ino;
    item.seconds = (uint64_t)info.st_mtime;
    item.size = (uint64_t)info.st_size;
    struct stat own;
    item.link = entry->d_type == DT_LNK ||
                (entry->d_type == DT_UNKNOWN && fstatat(folder_fd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISLNK(own.st_mode));
    into->push_back(std::move(item));
  }
  closedir(stream);
  return true;
}

// The listings' own check of the folder's length, with the two traces of a refusal.
static bool Listing_Path_Fits(const char *folder)
{
  size_t length = std::strlen(folder) + 4;  // the separator and "*.*"
  if (length < DIRECTORY_PATH_MAX) return true;
  Message_Log(nullptr, MSG_TRACE, "Path too long (%d char > Window's MAX_NAME=%d)", (int)length,
              (int)DIRECTORY_PATH_MAX);
  Message_Log(nullptr, MSG_TRACE, "File:%s, Line:%d", Log_Source_Name(__FILE__), __LINE__);
  return false;
}

// Makes the zero-ended listing of `found` under `folder`; `what` names the array in the
// memory-error messages ("dir_list" or "file_list"). Returns nullptr for no entry or
// after a memory-error message.
static Dir_Entry *Listing_Make(const char *folder, const std::vector<Found_Entry> &found, const char *what)
{
  if (found.empty()) return nullptr;
  Dir_Entry *list = (Dir_Entry *)std::calloc(found.size() + 1, sizeof(Dir_Entry));
  if (!list) {
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in calloc (var=%s, dim=%dx%d)", __LINE__,
                Log_Source_Name(__FILE__), what, (int)found.size() + 1, (int)sizeof(Dir_Entry));
    return nullptr;
  }
  std::string prefix = Folder_With_Separator(folder);
  for (size_t i = 0; i < found.size(); i++) {
    const Found_Entry &item = found[i];
    Dir_Entry &entry = list[i];
    entry.File = strdup((prefix + item.name).c_str());
    entry.Name = entry.File ? strdup(item.name.c_str()) : nullptr;
    if (!entry.Name) {
      Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in strdup (var=%s[%s_index].%s)", __LINE__,
                  Log_Source_Name(__FILE__), what, what[0] == 'd' ? "dir" : "file", entry.File ? "Name" : "File");
      Dir_Entry_Free(list);
      return nullptr;
    }
    entry.valid = 1;
    entry.attributes = (item.name[0] == '.' ? DIR_ENTRY_HIDDEN : 0) | (item.link ? DIR_ENTRY_LINK : 0);
    entry.time[0] = (uint32_t)item.seconds;
    entry.time[1] = (uint32_t)(item.seconds >> 32);
    entry.size[0] = (uint32_t)item.size;
    entry.size[1] = (uint32_t)(item.size >> 32);
    entry.device = item.device;
    entry.inode = item.inode;
  }
  return list;
}

Dir_Entry *Directory_List(const char *folder)
{
  std::vector<Found_Entry> found;
  if (!folder || !Listing_Path_Fits(folder) ||
      !Folder_Read(folder, {&found, nullptr, true, nullptr, nullptr, nullptr, false}))
    return nullptr;
  return Listing_Make(folder, found, "dir_list");
}

Dir_Entry *File_List(const char *folder, const char *pattern)
{
  std::vector<Found_Entry> found;
  bool every_name = !pattern || !std::strcmp(pattern, "*.*") || !std::strcmp(pattern, "*");
  if (!folder || !Listing_Path_Fits(folder) ||
      !Folder_Read(folder, {nullptr, &found, false, every_name ? nullptr : pattern, nullptr, nullptr, false}))
    return nullptr;
  return Listing_Make(folder, found, "file_list");
}

// ---- listing store ---------------------------------------------------------------------

// One folder's reading as the count made it: what the walk's own reading would give.
struct Kept_Reading {
  bool opened;  // the folder could be opened
  std::vector<Found_Entry> folders, files;
  std::vector<Folder_Loss> losses;  // in the order they were met
};

struct Listing_Store {
  std::unordered_map<std::string, Kept_Reading> readings;  // by the folder's path
};

Listing_Store *Listing_Store_Create()
{
  Listing_Store *store = new (std::nothrow) Listing_Store;
  if (!store)
    Message_Log(nullptr, MSG_ERROR, "line %-4d of %s \nmemory error in new (var=%s)", __LINE__,
                Log_Source_Name(__FILE__), "listing_store");
  return store;
}

void Listing_Store_Free(Listing_Store *store) { delete store; }

// Moves the kept reading of `folder` out of `store` into `reading`. Returns false when
// the store holds none.
static bool Kept_Take(Listing_Store *store, const char *folder, Kept_Reading &reading)
{
  if (!store) return false;
  auto found = store->readings.find(folder);
  if (found == store->readings.end()) return false;
  reading = std::move(found->second);
  store->readings.erase(found);
  return true;
}

int Folder_List(const char *folder, Dir_Entry **folders, Dir_Entry **files, int *lost, Listing_Store *kept)
{
  *folders = *files = nullptr;
  if (Path_Too_Long(std::strlen(folder), true)) {
    Loss_Report(lost, folder, ENAMETOOLONG);
    return 0;
  }
  Kept_Reading reading;
  if (Kept_Take(kept, folder, reading)) {
    for (const Folder_Loss &loss : reading.losses) Loss_Report(lost, loss.path, loss.error);
    if (!reading.opened) return 0;
  } else if (!Folder_Read(folder, {&reading.folders, &reading.files, false, nullptr, lost, nullptr, true})) {
    return 0;
  }
  *folders = Listing_Make(folder, reading.folders, "dir_list");
  *files = Listing_Make(folder, reading.files, "file_list");
  return 1;
}

void Dir_Entry_Free(Dir_Entry *list)
{
  if (!list) return;
  for (Dir_Entry *entry = list; entry->valid; entry++) {
    std::free(entry->Name);
    std::free(entry->File);
  }
  std::free(list);
}

// ---- file count -------------------------------------------------------------------------

// The identity of a folder on the chain of folders being counted.
struct Folder_Identity {
  uint64_t device, inode;
};

static bool Identity_On_Chain(const std::vector<Folder_Identity> &chain, uint64_t device, uint64_t inode)
{
  for (const Folder_Identity &folder : chain)
    if (folder.device == device && folder.inode == inode) return true;
  return false;
}

// Counts below `folder`, whose identity is the last of `chain`; -1 when cancelled. One
// silent reading of the folder gives both its sub-directories and its files; with
// `keep`, the reading goes there, losses noted, before the count enters the folders.
static long File_Count_Below(const char *folder, Progress_Record *progress, std::vector<Folder_Identity> &chain,
                             Listing_Store *keep)
{
  if (Progress_Cancelled(progress)) return -1;
  if (!Listing_Path_Fits(folder)) return 0;
  Kept_Reading reading;
  std::vector<Folder_Loss> *losses = keep ? &reading.losses : nullptr;
  reading.opened = Folder_Read(folder, {&reading.folders, &reading.files, false, nullptr, nullptr, losses, true});
  // The store's readings stay where they are while others are added.
  const Kept_Reading &read = keep ? (keep->readings[folder] = std::move(reading)) : reading;
  if (!read.opened) return 0;
  const std::vector<Found_Entry> &folders = read.folders;
  std::string prefix = Folder_With_Separator(folder);
  long count = 0;
  for (size_t i = 0; i < folders.size(); i++) {
    if ((i + 1) % 100 == 0 && Progress_Cancelled(progress)) return -1;
    if (Identity_On_Chain(chain, folders[i].device, folders[i].inode)) continue;
    chain.push_back({folders[i].device, folders[i].inode});
    long below = File_Count_Below((prefix + folders[i].name).c_str(), progress, chain, keep);
    chain.pop_back();
    if (below < 0) return -1;
    count += below;
  }
  for (size_t i = 0; i < read.files.size(); i++) {
    count++;
    if (count % 256 == 0) Progress_Pause(progress, 10);
    if (count % 64 == 0 && Progress_Cancelled(progress)) return -1;
  }
  return count;
}

int File_Count(const char *folder, Progress_Record *progress, Listing_Store *keep)
{
  if (Progress_Cancelled(progress)) return 0;
  struct stat info;
  if (!folder || stat(folder, &info) != 0 || !S_ISDIR(info.st_mode)) return 1;
  std::vector<Folder_Identity> chain{{(uint64_t)info.st_dev, (uint64_t)info.st_ino}};
  long count = File_Count_Below(folder, progress, chain, keep);
  if (count < 0) return 0;
  return count > 0x7fffffff ? 0x7fffffff : (int)count;
}

// ---- directory tests and creation ---------------------------------------------------------

// The path with one trailing separator removed (the root "/" stays).
static std::string Without_Trailing_Separator(std::string path)
{
  if (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  return path;
}

static bool Is_Directory(const std::string &path)
{
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Directory_Exists(const char *path)
{
  if (!path || !*path) return false;
  if (Is_Directory(Without_Trailing_Separator(path))) return true;
  if (!std::strchr(path, '\\')) return false;
  // A "\"-separated path: normalise its separators and look again.
  std::string folder, name, extension;
  Path_Split(path, &folder, &name, &extension);
  return Is_Directory(Without_Trailing_Separator(folder + name + extension));
}

bool Directory_Create(const char *path)
{
  if (!path || !*path) return false;
  std::string target = path;
  for (char &c : target)
    if (c == '\\') c = '/';
  if (target.back() != '/') target += '/';
  if (Directory_Exists(target.c_str())) return true;
  // Create each level of the path in turn; an absolute path keeps its leading "/".
  std::string prefix = target[0] == '/' ? "/" : "";
  size_t start = prefix.size();
  while (start < target.size()) {
    size_t end = target.find('/', start);
    std::string component = target.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    prefix += component + "/";
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST)
      Message_Log(nullptr, MSG_TRACE, "in Directory_Create: %s (%s)", prefix.c_str(), Error_Text(0));
  }
  return Directory_Exists(target.c_str());
}

int Directory_Open_Child(int parent, const char *name, bool create)
{
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(parent, name, flags);
  if (fd < 0 && errno == ENOENT && create) {
    // Made here, or by someone else meanwhile: either way it is entered as found.
    if (mkdirat(parent, name, 0777) != 0 && errno != EEXIST) return -1;
    fd = openat(parent, name, flags);
  }
  if (fd >= 0) return fd;
  int error = errno;
  struct stat own;
  if (fstatat(parent, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode)) error = ELOOP;
  errno = error;
  return -1;
}

// ---- Part 10 meta header -------------------------------------------------------------------

enum { META_OFFSET = 128, META_BYTES = 512, META_SEARCH_END = 633 };

// Looks for the explicit little-endian header of (0002,`element`) with VR "UI" in the
// bytes read from offset 128, at file offsets 132 to 633, and copies its value (at most
// 63 characters, ended at its first NUL) into `value`. Returns false when not found.
static bool Meta_Find_UID(const unsigned char *bytes, size_t count, unsigned element, char value[64])
{
  for (size_t at = 4; at + META_OFFSET <= META_SEARCH_END && at + 8 <= count; at++) {
    const unsigned char *p = bytes + at;
    if (p[0] != 0x02 || p[1] != 0x00 || p[2] != (element & 0xff) || p[3] != (element >> 8)) continue;
    if (p[4] != 'U' || p[5] != 'I') continue;
    size_t length = p[6] | (p[7] << 8);
    size_t available = count - (at + 8);
    if (length > available) length = available;
    if (length > 63) length = 63;
    std::memcpy(value, p + 8, length);
    value[length] = 0;
    return true;
  }
  return false;
}

int Part10_Meta_Read(const char *file, char transfer_syntax[64], char sop_class[64])
{
  int fd = file ? open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
  if (fd < 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to open \x01%s", Log_Value_Escape(file).c_str());
    return 0;
  }
  unsigned char bytes[META_BYTES];
  ssize_t count = pread(fd, bytes, sizeof bytes, META_OFFSET);
  close(fd);
  if (count < 4 || std::memcmp(bytes, "DICM", 4) != 0) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Not a valid part 10 DICOM\x01%s", Log_Value_Escape(file).c_str());
    return 0;
  }
  if (!Meta_Find_UID(bytes, (size_t)count, 0x0010, transfer_syntax)) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to locate transfer syntax");
    return 0;
  }
  if (!Meta_Find_UID(bytes, (size_t)count, 0x0002, sop_class)) {
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 Unable to locate storage class");
    return 0;
  }
  return 1;
}
