// The drives the folder tree offers: the user's home folder first, then the mount points
// of real file systems, each with its type (removable, fixed, remote, CD-ROM) and a name
// (the volume label and the mount point when a label is known, else the mount point).
#pragma once

#include <string>
#include <vector>

// Drive type bits of the folder tree's nodes.
constexpr unsigned DRIVE_REMOVABLE = 0x100;
constexpr unsigned DRIVE_FIXED = 0x200;
constexpr unsigned DRIVE_REMOTE = 0x400;
constexpr unsigned DRIVE_CDROM = 0x800;
enum { DRIVES_MAX = 24 };

struct Drive_Info {
  std::string path;  // ends with "/"
  std::string name;
  unsigned type = DRIVE_FIXED;
};

// Lists at most 24 drives: `home` (when not empty) first, then the entries of the mount
// table `mounts_path` (the format of /proc/self/mounts) that are real file systems: block
// devices other than loop devices, CD-ROM file systems (iso9660, udf) and network file
// systems (nfs, cifs, smb, sshfs); pseudo file systems and the folders under /proc, /sys,
// /dev and /run are left out, and each mount point is listed once. An unreadable mount
// table gives the home folder alone.
std::vector<Drive_Info> Drives_List(const std::string &mounts_path, const std::string &home);

// The user's home folder ($HOME, ending with "/"), or "" when unset.
std::string Drives_Home();
