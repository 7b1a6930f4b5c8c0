// Path splitting with the Windows-era rules the catalogue and the log files rely on:
// both separators, ISO 9660 ";1" versions, and numeric or long "extensions" that are
// really part of the name (DICOM files are often named "IM.123" or "1.2.840.10008").
#include "util/path_split.h"

#include <cctype>

static bool Is_Separator(const std::string &path, size_t index)
{
  char c = path[index];
  if (c == '/') return true;
  if (c != '\\') return false;
  // ":\" after the sixth character is part of the file name.
  return !(path.size() > 6 && index >= 7 && path[index - 1] == ':');
}

void Path_Split(const char *path, std::string *folder, std::string *name, std::string *extension)
{
  if (folder) folder->clear();
  if (name) name->clear();
  if (extension) extension->clear();
  if (!path) return;

  std::string text = path;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, ";1") == 0) text.resize(text.size() - 2);

  size_t base = 0;
  for (size_t i = 0; i < text.size(); i++)
    if (Is_Separator(text, i)) base = i + 1;

  if (folder) {
    *folder = text.substr(0, base);
    for (char &c : *folder)
      if (c == '\\') c = '/';
  }

  std::string file = text.substr(base);
  size_t dot = file.rfind('.');
  std::string stem = dot == std::string::npos ? file : file.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : file.substr(dot);

  bool real_extension = ext.size() < 6 && !(ext.size() >= 2 && std::isdigit((unsigned char)ext[1]));
  if (extension) {
    if (real_extension) {
      *extension = ext;
    } else {
      stem += ext;
    }
  }
  if (name) *name = stem;
}
