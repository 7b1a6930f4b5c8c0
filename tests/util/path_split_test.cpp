// Path_Split on the forms that catalogue and log files meet.
#include "util/path_split.h"

#include <gtest/gtest.h>

namespace {

struct Split_Case {
  const char *path;
  const char *folder, *name, *extension;
};

const Split_Case CASES[] = {
    {"/data/ct/IM0001.dcm", "/data/ct/", "IM0001", ".dcm"},
    {"C:\\data\\ct\\IM0001.dcm", "C:/data/ct/", "IM0001", ".dcm"},
    {"mixed\\sub/file.txt", "mixed/sub/", "file", ".txt"},
    {"/cd/DICOM/IM0001.;1", "/cd/DICOM/", "IM0001", "."},        // ISO 9660 version dropped
    {"/cd/DICOM/README.TXT;1", "/cd/DICOM/", "README", ".TXT"},
    {"/data/IM.123", "/data/", "IM.123", ""},                     // numeric extension stays in the name
    {"/data/1.2.840.10008.5", "/data/", "1.2.840.10008.5", ""},
    {"/data/report.backup", "/data/", "report.backup", ""},       // 7 characters: not an extension
    {"/data/notes.dicom", "/data/", "notes.dicom", ""},          // 6 characters with the dot: part of the name
    {"/data/archive.tar.gz", "/data/", "archive.tar", ".gz"},
    {"/data/.dcm", "/data/", "", ".dcm"},
    {"/data/noext", "/data/", "noext", ""},
    {"file.dcm", "", "file", ".dcm"},
    {"/data/dir/", "/data/dir/", "", ""},
    {"abcdefg:\\name.dcm", "", "abcdefg:\\name", ".dcm"},        // ":\" after the sixth character is part of the name
    {"/a/b/series:\\IM1.dcm", "/a/b/", "series:\\IM1", ".dcm"},
    {"ab:\\x.dcm", "ab:/", "x", ".dcm"},                         // a short path splits at ":\" as usual
};

}  // namespace

TEST(Path_Split, splits_the_tricky_forms)
{
  for (const Split_Case &c : CASES) {
    SCOPED_TRACE(c.path);
    std::string folder, name, extension;
    Path_Split(c.path, &folder, &name, &extension);
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(extension, c.extension);
  }
}

TEST(Path_Split, without_an_extension_output_the_name_never_holds_the_extension)
{
  std::string name;
  Path_Split("/data/IM.123", nullptr, &name, nullptr);
  EXPECT_EQ(name, "IM");
  Path_Split("/data/file.dcm", nullptr, &name, nullptr);
  EXPECT_EQ(name, "file");
}

TEST(Path_Split, a_null_path_empties_every_output)
{
  std::string folder = "x", name = "y", extension = "z";
  Path_Split(nullptr, &folder, &name, &extension);
  EXPECT_EQ(folder + name + extension, "");
}
