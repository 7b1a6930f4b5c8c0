// The floor of the scan benchmark: what merely reaching every file costs. Walks a
// folder tree, opens each regular file, reads its first 8 KiB and closes it; prints the
// number of files read. No parsing, no catalogue: no scanner can do less.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

static long Read_Tree(const std::string &folder)
{
  long files = 0;
  DIR *stream = opendir(folder.c_str());
  if (!stream) return 0;
  while (struct dirent *entry = readdir(stream)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = folder + "/" + name;
    struct stat info;
    if (stat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      files += Read_Tree(path);
    } else if (S_ISREG(info.st_mode)) {
      int fd = open(path.c_str(), O_RDONLY);
      if (fd < 0) continue;
      char block[8192];
      if (read(fd, block, sizeof block) >= 0) files++;
      close(fd);
    }
  }
  closedir(stream);
  return files;
}

int main(int argc, char **argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: harrowdesk_bench_floor FOLDER\n");
    return 2;
  }
  std::printf("%ld files read\n", Read_Tree(argv[1]));
  return 0;
}
