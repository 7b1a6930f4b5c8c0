// Media_Directory_Keys_For: the scan's files matched with the records of the DICOMDIR at
// the top of the scanned folder.
#include "app/media_directory_scan.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>

#include "dicom/DICOMDIR_Scan_Read.h"
#include "util/message_log.h"

namespace {

const uint32_t STUDY_DATE = DICOMDIR_Scan_Tag(0x0008, 0x0020);
const uint32_t CONTENT_DATE = DICOMDIR_Scan_Tag(0x0008, 0x0023);

std::string Lower(std::string text)
{
  for (char &c : text) c = (char)std::tolower((unsigned char)c);
  return text;
}

// `path` below `folder`, without the folder's part and the separators after it.
std::string Below(const char *path, const std::string &folder)
{
  size_t skip = std::strncmp(path, folder.c_str(), folder.size()) == 0 ? folder.size() : 0;
  while (path[skip] == '/') skip++;
  return path + skip;
}

using Path_Index = std::unordered_map<std::string, size_t>;

// The file of the scan that `path` names, by its exact path, else by its path in lower case.
bool Match(const Path_Index &exact, const Path_Index &folded, const std::string &path, size_t *file)
{
  auto found = exact.find(path);
  if (found == exact.end()) {
    found = folded.find(Lower(path));
    if (found == folded.end()) return false;
  }
  *file = found->second;
  return true;
}

// Whether the entry's keys (ascending) give every tag of `needed` that filing would read
// from the file: each one is there, or known to be missing from the file too.
bool Has_Needed(const DICOM_Media_Entry &entry, const std::vector<uint32_t> &needed)
{
  bool study_date = false;
  const DICOM_Attribute *r = entry.keys.get();
  for (uint32_t tag : needed) {
    if (tag >> 16 == 0) continue;
    while (r && DICOMDIR_Scan_Tag(r->group, r->element) < tag) r = r->next;
    bool present = r && DICOMDIR_Scan_Tag(r->group, r->element) == tag;
    if (tag == STUDY_DATE) study_date = present;
    bool known_missing = entry.taken && std::binary_search(entry.taken->begin(), entry.taken->end(), tag);
    if (!present && !known_missing && !(tag == CONTENT_DATE && study_date)) return false;
  }
  return true;
}

// The modification time of `path` in nanoseconds, or -1 when it cannot be read.
int64_t Modified(int folder_fd, const std::string &relative)
{
  struct stat info;
  if (fstatat(folder_fd, relative.c_str(), &info, 0) != 0) return -1;
  return (int64_t)info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec;
}

// Warns about the records whose files do not exist; at most MEDIA_DIRECTORY_MISSING_SHOWN lines.
void Warn_Missing(const std::string &dicomdir, const std::vector<std::string> &missing)
{
  size_t shown = std::min(missing.size(), (size_t)MEDIA_DIRECTORY_MISSING_SHOWN);
  for (size_t i = 0; i < shown; i++)
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 %s names a missing file: %s",
                Log_Value_Escape(dicomdir).c_str(), Log_Value_Escape(missing[i]).c_str());
  if (missing.size() > shown)
    Message_Log(nullptr, MSG_WARNING, "\xF1\x04WARNING!\x02 %s names %zu more missing files",
                Log_Value_Escape(dicomdir).c_str(), missing.size() - shown);
}

}  // namespace

Media_Directory_Keys Media_Directory_Keys_For(const char *folder, const std::vector<const char *> &paths,
                                             const std::vector<uint32_t> &needed)
{
  Media_Directory_Keys result;
  result.of_file.assign(paths.size(), nullptr);
  std::string root = folder;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  std::string dicomdir = root + "/" + DICOM_MEDIA_DIRECTORY_NAME;
  struct stat info;
  if (lstat(dicomdir.c_str(), &info) != 0) {
    dicomdir = root + "/" + Lower(DICOM_MEDIA_DIRECTORY_NAME);  // a CD mounted with lower-case names
    if (lstat(dicomdir.c_str(), &info) != 0) return result;
  }
  if (!DICOM_Media_Directory_Read(nullptr, dicomdir.c_str(), &result.entries, MSG_TRACE)) {
    Message_Log(nullptr, MSG_TRACE, "%s not used: the files' headers are read", Log_Value_Escape(dicomdir).c_str());
    return result;
  }
  const int64_t written = (int64_t)info.st_mtim.tv_sec * 1000000000 + info.st_mtim.tv_nsec;

  Path_Index exact, folded;
  for (size_t i = 0; i < paths.size(); i++) {
    std::string below = Below(paths[i], root);
    folded.emplace(Lower(below), i);
    exact.emplace(std::move(below), i);
  }
  int folder_fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::vector<std::string> missing;
  for (const DICOM_Media_Entry &entry : result.entries) {
    size_t file = 0;
    if (!Match(exact, folded, entry.path, &file)) {
      struct stat there;
      if (folder_fd >= 0 && fstatat(folder_fd, entry.path.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT)
        missing.push_back(entry.path);
      continue;  // not a file of this scan: the walk's rules left it out
    }
    if (!entry.keys || result.of_file[file] || !Has_Needed(entry, needed)) continue;
    int64_t modified = folder_fd >= 0 ? Modified(folder_fd, Below(paths[file], root)) : -1;
    if (modified < 0 || modified > written) continue;
    result.of_file[file] = entry.keys.get();
    result.used++;
  }
  if (folder_fd >= 0) close(folder_fd);
  Warn_Missing(dicomdir, missing);
  Message_Log(nullptr, MSG_TRACE, "%s: %d of %zu files catalogued from its records",
              Log_Value_Escape(dicomdir).c_str(), result.used, paths.size());
  return result;
}
