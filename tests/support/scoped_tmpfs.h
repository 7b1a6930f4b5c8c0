// A small tmpfs mounted by a test on a fresh folder for the life of the object: a
// second file system, or a full disk. Mounting needs root; without it `mounted()` is
// false and the test skips.
#pragma once

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

class Scoped_Tmpfs {
public:
  Scoped_Tmpfs(const std::string &folder, const char *size) : folder_(folder)
  {
    mkdir(folder.c_str(), 0700);
    std::string options = std::string("size=") + size;
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  // Detached even while a file or folder in it is still open (the file system goes when the
  // last one is closed), so a test never leaves a mount behind.
  ~Scoped_Tmpfs()
  {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
    rmdir(folder_.c_str());
  }
  Scoped_Tmpfs(const Scoped_Tmpfs &) = delete;
  Scoped_Tmpfs &operator=(const Scoped_Tmpfs &) = delete;
  bool mounted() const { return mounted_; }

private:
  std::string folder_;
  bool mounted_ = false;
};
