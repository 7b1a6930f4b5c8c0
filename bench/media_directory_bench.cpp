// Writes the DICOMDIR of a folder of DICOM files, as a DICOMDIR-compatible copy does at
// its end: every file below FOLDER (its path relative to FOLDER) is entered, and FOLDER's
// DICOMDIR is written or merged. Used by bench/dicomdir_bench.py against dcmmkdir.
// Exits 0 when written, 1 when not (the reason on standard error), 2 on a usage error.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dicom/DICOM_Media_Directory.h"

int main(int argc, char **argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  std::vector<DICOM_Media_File> files;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
    std::string path = entry.path().string().substr(folder.size());
    if (entry.is_regular_file() && path != DICOM_MEDIA_DIRECTORY_NAME) files.push_back({path, nullptr});
  }
  std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.path < b.path; });
  std::vector<std::string> notices;
  int written = DICOM_Media_Directory_Write(nullptr, folder.c_str(), files, nullptr, &notices);
  for (const std::string &notice : notices) std::fprintf(stderr, "%s\n", notice.c_str());
  return written ? 0 : 1;
}
