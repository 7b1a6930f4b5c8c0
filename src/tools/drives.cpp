// Drive enumeration from the mount table. Labels come from the /dev/disk/by-label links;
// a device is removable when /sys/block says so for it or for the disk it is a
// partition of.
#include "tools/drives.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sstream>

// Undoes the octal escapes (\040 for a blank) of the mount table.
static std::string Unescape(const std::string &field)
{
  std::string out;
  for (size_t i = 0; i < field.size(); i++) {
    if (field[i] == '\\' && i + 3 < field.size() && isdigit((unsigned char)field[i + 1])) {
      out.push_back((char)strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

static std::string Real_Path(const std::string &path)
{
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

static std::string Label_Of(const std::string &device)
{
  const char *folder = "/dev/disk/by-label/";
  DIR *dir = opendir(folder);
  if (!dir) return "";
  std::string target = Real_Path(device), label;
  while (struct dirent *entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    if (Real_Path(std::string(folder) + entry->d_name) == target) {
      label = Unescape(entry->d_name);
      break;
    }
  }
  closedir(dir);
  return label;
}

static bool Removable(const std::string &device)
{
  std::string base = Real_Path(device);
  base = base.substr(base.find_last_of('/') + 1);
  // A partition's folder under /sys/class/block lies inside its disk's folder.
  std::string sys = Real_Path("/sys/class/block/" + base);
  for (int level = 0; level < 2; level++) {
    FILE *file = fopen((sys + "/removable").c_str(), "r");
    if (file) {
      int flag = fgetc(file);
      fclose(file);
      return flag == '1';
    }
    sys = sys.substr(0, sys.find_last_of('/'));
  }
  return false;
}

static bool Starts_With(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// The drive type of a mount, or 0 when it is no real file system.
static unsigned Mount_Type(const std::string &source, const std::string &type)
{
  if (type == "iso9660" || type == "udf") return DRIVE_CDROM;
  if (type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" || type == "sshfs" ||
      type == "fuse.sshfs")
    return DRIVE_REMOTE;
  if (!Starts_With(source, "/dev/") || Starts_With(source, "/dev/loop")) return 0;
  return Removable(source) ? DRIVE_REMOVABLE : DRIVE_FIXED;
}

std::string Drives_Home()
{
  const char *home = getenv("HOME");
  if (!home || !*home) return "";
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::vector<Drive_Info> Drives_List(const std::string &mounts_path, const std::string &home)
{
  std::vector<Drive_Info> drives;
  if (!home.empty()) {
    Drive_Info drive;
    drive.path = home.back() == '/' ? home : home + "/";
    drive.name = "Home (" + drive.path + ")";
    drives.push_back(drive);
  }
  FILE *file = fopen(mounts_path.c_str(), "r");
  if (!file) return drives;
  char line[4096];
  while (fgets(line, sizeof line, file) && drives.size() < DRIVES_MAX) {
    std::istringstream fields(line);
    std::string source, point, type;
    if (!(fields >> source >> point >> type)) continue;
    source = Unescape(source);
    point = Unescape(point);
    if (Starts_With(point, "/proc") || Starts_With(point, "/sys") || Starts_With(point, "/dev") ||
        Starts_With(point, "/run"))
      continue;
    unsigned kind = Mount_Type(source, type);
    if (kind == 0) continue;
    if (point.back() != '/') point += '/';
    bool known = false;
    for (const Drive_Info &drive : drives) known = known || drive.path == point;
    if (known) continue;
    Drive_Info drive;
    drive.path = point;
    drive.type = kind;
    std::string label = kind == DRIVE_REMOTE ? "" : Label_Of(source);
    drive.name = label.empty() ? point : label + " (" + point + ")";
    drives.push_back(drive);
  }
  fclose(file);
  return drives;
}
