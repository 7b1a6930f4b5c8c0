// Folder listings, the file count, directory tests and creation, and the Part 10 meta
// reader, on real folders made in a private temp folder and on pydicom's test files.
#include "util/utility_directory.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

// The names of a listing, sorted.
std::set<std::string> Names(Dir_Entry *list)
{
  std::set<std::string> names;
  for (Dir_Entry *entry = list; entry && entry->valid; entry++) names.insert(entry->Name);
  return names;
}

class Folders : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  std::string top = env.root() + "top";

  void SetUp() override { fs::create_directories(top); }
  void Touch(const std::string &path, const std::string &bytes = "x") { ASSERT_TRUE(Write_File(path, bytes)); }
};

TEST_F(Folders, DirectoryListHoldsEverySubDirectoryAndTheDotsButNoFile)
{
  fs::create_directories(top + "/sub one");
  fs::create_directories(top + "/.hidden");
  std::string odd_name = "caf\xe9";  // Latin-1, not UTF-8
  fs::create_directories(top + "/" + odd_name);
  for (int i = 0; i < 150; i++) Touch(top + "/file" + std::to_string(i));
  fs::create_directories(top + "/zzz last");  // after more than 100 files
  fs::create_directory_symlink(top + "/sub one", top + "/link to sub");

  Dir_Entry *list = Directory_List(top.c_str());
  EXPECT_EQ(Names(list), (std::set<std::string>{".", "..", ".hidden", "caf\xe9", "link to sub", "sub one", "zzz last"}));
  for (Dir_Entry *entry = list; entry && entry->valid; entry++) {
    EXPECT_EQ(std::string(entry->File), top + "/" + entry->Name);
    int expected = (entry->Name[0] == '.' ? DIR_ENTRY_HIDDEN : 0) |
                   (std::string(entry->Name) == "link to sub" ? DIR_ENTRY_LINK : 0);
    EXPECT_EQ(entry->attributes, expected) << entry->Name;
  }
  Dir_Entry_Free(list);
}

TEST_F(Folders, FileListMatchesThePatternAndPassesOverBrokenLinks)
{
  Touch(top + "/a.dcm", "12345");
  Touch(top + "/b.DCM");
  Touch(top + "/.hidden");
  Touch(top + "/name with spaces");
  fs::create_directories(top + "/folder.dcm");
  fs::create_symlink(top + "/missing", top + "/broken");
  Message_Capture capture;

  Dir_Entry *all = File_List((top + "/").c_str(), "*.*");
  EXPECT_EQ(Names(all), (std::set<std::string>{".hidden", "a.dcm", "b.DCM", "name with spaces"}));
  for (Dir_Entry *entry = all; entry->valid; entry++) {
    EXPECT_EQ(std::string(entry->File), top + "/" + entry->Name);  // no doubled separator
    if (std::string(entry->Name) == "a.dcm") {
      EXPECT_EQ(entry->size[0], 5u);
    }
  }
  Dir_Entry_Free(all);
  EXPECT_EQ(capture.Count(MSG_WARNING, "broken"), 0);  // the plain listing is silent: the walk reports

  Dir_Entry *dcm = File_List(top.c_str(), "*.dcm");
  EXPECT_EQ(Names(dcm), (std::set<std::string>{"a.dcm"}));
  Dir_Entry_Free(dcm);
  EXPECT_EQ(File_List(top.c_str(), "*.none"), nullptr);
}

TEST_F(Folders, UnreadableAndOverlongFoldersGiveNoListing)
{
  Message_Capture capture(1);
  EXPECT_EQ(Directory_List((top + "/absent").c_str()), nullptr);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());

  std::string deep(DIRECTORY_PATH_MAX - 4, 'a');
  EXPECT_EQ(File_List(deep.c_str(), "*.*"), nullptr);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Path too long ("), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "File:util/utility_directory.cpp, Line:"), 1);

  // A folder its reader may not open (root may open any: the check runs as nobody).
  fs::create_directories(top + "/locked");
  Touch(top + "/locked/inside");
  chmod((top + "/locked").c_str(), 0);
  std::string locked = top + "/locked";
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(File_List(locked.c_str(), "*.*") == nullptr && Directory_List(locked.c_str()) == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  chmod((top + "/locked").c_str(), 0700);
}

// Makes `levels` nested folders of 200-character names below `top` with openat, so
// that the path of the deepest exceeds what a path may hold; returns that path.
std::string Deep_Folders(const std::string &top, int levels)
{
  std::string path = top, name(200, 'd');
  int folder = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < levels && folder >= 0; i++) {
    mkdirat(folder, name.c_str(), 0700);
    int below = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
    close(folder);
    folder = below;
    path += "/" + name;
  }
  if (folder >= 0) close(folder);
  return path;
}

TEST_F(Folders, FolderListReportsEachPathItCannotReadOnceAndCountsIt)
{
  Touch(top + "/good");
  fs::create_directories(top + "/sub");
  fs::create_symlink(top + "/gone", top + "/broken");  // a file that vanished
  ASSERT_EQ(mkfifo((top + "/pipe").c_str(), 0600), 0);  // no data: left out silently
  Message_Capture capture;
  Dir_Entry *folders = nullptr, *files = nullptr;
  int lost = 0;
  ASSERT_EQ(Folder_List(top.c_str(), &folders, &files, &lost), 1);
  EXPECT_EQ(Names(folders), (std::set<std::string>{"sub"}));
  EXPECT_EQ(Names(files), (std::set<std::string>{"good"}));
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(capture.Texts(MSG_WARNING),
            (std::vector<std::string>{"\xF1\x05WARNING:\x02 Unable to read \x01" + top +
                                      "/broken\x02 ([ENOENT] No such file or directory)"}));
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  EXPECT_EQ(Folder_List(top.c_str(), &folders, &files, nullptr), 1);  // no counter: silent
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  EXPECT_EQ(capture.Texts(MSG_WARNING).size(), 1u);

  // A path longer than a path may hold, built with openat: the folder that would make
  // it too long is reported with its path and not entered.
  std::string bottom = Deep_Folders(top + "/sub", 22);
  ASSERT_GT(bottom.size(), 4096u);
  std::string parent = top + "/sub", name(200, 'd');
  while (parent.size() + 1 + name.size() + 4 < DIRECTORY_PATH_MAX) parent += "/" + name;
  capture.Clear();
  lost = 0;
  ASSERT_EQ(Folder_List(parent.c_str(), &folders, &files, &lost), 1);
  EXPECT_EQ(folders, nullptr);
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to read \x01" + parent + "/" + name + "\x02 ([ENAMETOOLONG]"), 1);
  Dir_Entry_Free(files);

  // A folder that vanished, and one whose own path is too long.
  capture.Clear();
  lost = 0;
  EXPECT_EQ(Folder_List((top + "/vanished").c_str(), &folders, &files, &lost), 0);
  EXPECT_EQ(Folder_List(bottom.c_str(), &folders, &files, &lost), 0);
  EXPECT_EQ(lost, 2);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to read \x01" + top + "/vanished\x02 ([ENOENT]"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[ENAMETOOLONG]"), 1);
  Run_Command("rm -rf '" + top + "/sub'");  // deeper than the fixture's clean-up reaches
}

TEST_F(Folders, FolderListGivesEachEntryTheIdentityStatGives)
{
  Touch(top + "/plain");
  ASSERT_EQ(link((top + "/plain").c_str(), (top + "/hard link").c_str()), 0);
  fs::create_symlink(top + "/plain", top + "/soft link");
  fs::create_directories(top + "/sub");
  Dir_Entry *folders = nullptr, *files = nullptr;
  ASSERT_EQ(Folder_List(top.c_str(), &folders, &files, nullptr), 1);
  int seen = 0;
  for (Dir_Entry *list : {folders, files})
    for (Dir_Entry *entry = list; entry && entry->valid; entry++) {
      struct stat info;
      ASSERT_EQ(stat(entry->File, &info), 0) << entry->File;
      EXPECT_EQ(entry->device, (uint64_t)info.st_dev) << entry->File;
      EXPECT_EQ(entry->inode, (uint64_t)info.st_ino) << entry->File;
      EXPECT_EQ((entry->attributes & DIR_ENTRY_LINK) != 0, std::string(entry->Name) == "soft link") << entry->File;
      seen++;
    }
  EXPECT_EQ(seen, 4);
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
}

// What Folder_List counts of `folder` when it cannot be opened, with one EACCES
// warning; -1 otherwise.
int Lost_Reading(const std::string &folder)
{
  Message_Capture capture;
  Dir_Entry *folders = nullptr;
  Dir_Entry *files = nullptr;
  int lost = 0;
  if (Folder_List(folder.c_str(), &folders, &files, &lost) != 0) return -1;
  return capture.Count(MSG_WARNING, "[EACCES]") == 1 ? lost : -1;
}

TEST_F(Folders, FolderListCountsAFolderItMayNotOpen)
{
  fs::create_directories(top + "/locked");
  Touch(top + "/locked/inside");
  chmod((top + "/locked").c_str(), 0);
  std::string locked = top + "/locked";
  chmod(env.root().c_str(), 0755);
  chmod(top.c_str(), 0755);
  // Root may open any folder: the check runs as nobody in a child.
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(Lost_Reading(locked) == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  chmod(locked.c_str(), 0700);
}

TEST_F(Folders, OpenChildCreatesAndEntersFoldersButNeverFollowsALink)
{
  fs::create_directories(top + "/elsewhere");
  fs::create_directory_symlink(top + "/elsewhere", top + "/planted");
  Touch(top + "/plain");
  int parent = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(parent, 0);
  const struct {
    const char *name;
    bool create;
    int error;  // 0: opened
  } cases[] = {
      {"new", true, 0}, {"new", false, 0}, {"absent", false, ENOENT},
      {"planted", true, ELOOP}, {"plain", true, ENOTDIR},
  };
  for (const auto &c : cases) {
    errno = 0;
    int fd = Directory_Open_Child(parent, c.name, c.create);
    EXPECT_EQ(fd >= 0 ? 0 : errno, c.error) << c.name;
    if (fd >= 0) close(fd);
  }
  close(parent);
  EXPECT_TRUE(fs::is_directory(top + "/new"));
  EXPECT_TRUE(fs::is_empty(top + "/elsewhere"));
}

TEST_F(Folders, FileListHoldsRegularFilesOnly)
{
  Touch(top + "/plain");
  ASSERT_EQ(mkfifo((top + "/pipe").c_str(), 0600), 0);
  Dir_Entry *list = File_List(top.c_str(), "*.*");
  EXPECT_EQ(Names(list), (std::set<std::string>{"plain"}));
  Dir_Entry_Free(list);
}

TEST_F(Folders, FileCountCountsEveryLevelOnceAndStopsAtLinkLoops)
{
  fs::create_directories(top + "/a/b/c");
  Touch(top + "/1");
  Touch(top + "/a/2");
  Touch(top + "/a/b/c/3");
  Touch(top + "/a/b/c/4");
  fs::create_directory_symlink(top, top + "/a/b/back to top");  // a loop
  EXPECT_EQ(File_Count(top.c_str(), nullptr), 4);
  EXPECT_EQ(File_Count((top + "/1").c_str(), nullptr), 1);  // not a directory

  Progress_Record *progress = Progress_Create(nullptr, "Count", "", nullptr, 0);
  Progress_Cancel(progress);
  EXPECT_EQ(File_Count(top.c_str(), progress), 0);
  Progress_End(progress);
}

TEST_F(Folders, FileCountKeepsItsReadingsSilentlyForFolderListToTakeOnce)
{
  fs::create_directories(top + "/sub");
  Touch(top + "/kept");
  Touch(top + "/sub/deeper");
  fs::create_symlink(top + "/gone", top + "/broken");  // a loss the count must not report
  Listing_Store *store = Listing_Store_Create();
  ASSERT_NE(store, nullptr);
  Message_Capture capture;
  EXPECT_EQ(File_Count(top.c_str(), nullptr, store), 2);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  // What the disk holds now is not read: the kept reading is what the listing gives.
  fs::remove(top + "/kept");
  fs::remove(top + "/broken");
  Touch(top + "/added later");
  Dir_Entry *folders = nullptr, *files = nullptr;
  int lost = 0;
  ASSERT_EQ(Folder_List(top.c_str(), &folders, &files, &lost, store), 1);
  EXPECT_EQ(Names(folders), (std::set<std::string>{"sub"}));
  EXPECT_EQ(Names(files), (std::set<std::string>{"kept"}));
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(std::string(files[0].File), top + "/kept");
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(capture.Texts(MSG_WARNING),
            (std::vector<std::string>{"\xF1\x05WARNING:\x02 Unable to read \x01" + top +
                                      "/broken\x02 ([ENOENT] No such file or directory)"}));
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  // Taken once: the next listing of the same path reads the folder itself.
  lost = 0;
  ASSERT_EQ(Folder_List(top.c_str(), &folders, &files, &lost, store), 1);
  EXPECT_EQ(Names(files), (std::set<std::string>{"added later"}));
  EXPECT_EQ(lost, 0);
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  // A sub-folder's reading is kept under the path its listing entry names.
  fs::remove_all(top + "/sub");
  ASSERT_EQ(Folder_List((top + "/sub").c_str(), &folders, &files, &lost, store), 1);
  EXPECT_EQ(Names(files), (std::set<std::string>{"deeper"}));
  Dir_Entry_Free(folders);
  Dir_Entry_Free(files);
  Listing_Store_Free(store);
}

TEST_F(Folders, DirectoryExistsAcceptsEitherSeparatorAndRefusesFiles)
{
  fs::create_directories(top + "/x/y");
  Touch(top + "/file");
  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {top + "/x/y", true},   {top + "/x/y/", true},       {"/", true},
      {top + "\\x\\y\\", true}, {top + "/file", false},    {top + "/file/", false},
      {top + "/none", false}, {"", false},
  };
  for (const Case &c : cases) EXPECT_EQ(Directory_Exists(c.path.c_str()), c.exists) << c.path;
}

TEST_F(Folders, DirectoryCreateMakesEveryMissingLevelOfAnAbsolutePath)
{
  std::string target = top + "/one/two/three";
  EXPECT_TRUE(Directory_Create(target.c_str()));
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_TRUE(Directory_Create((target + "/").c_str()));  // exists already
  EXPECT_TRUE(Directory_Create((top + "\\four\\five").c_str()));
  EXPECT_TRUE(fs::is_directory(top + "/four/five"));
  Touch(top + "/plain");
  Message_Capture capture(1);
  EXPECT_FALSE(Directory_Create((top + "/plain/below").c_str()));
}

TEST_F(Folders, MetaReaderGivesTheUIDsPydicomReads)
{
  struct Case {
    const char *file;
    const char *syntax;
    const char *sop_class;
  } cases[] = {
      {"CT_small.dcm", "1.2.840.10008.1.2.1", "1.2.840.10008.5.1.4.1.1.2"},
      {"MR_small_bigendian.dcm", "1.2.840.10008.1.2.2", "1.2.840.10008.5.1.4.1.1.4"},
  };
  for (const Case &c : cases) {
    char syntax[64], sop_class[64];
    ASSERT_EQ(Part10_Meta_Read((PYDICOM_FILES + c.file).c_str(), syntax, sop_class), 1) << c.file;
    EXPECT_STREQ(syntax, c.syntax);
    EXPECT_STREQ(sop_class, c.sop_class);
  }
}

TEST_F(Folders, MetaReaderRefusesWhatIsNotAPart10Header)
{
  std::string preamble(128, '\0');
  // "DICM", then (0002,0010) UI with length 20, but no (0002,0002).
  std::string only_syntax = preamble + "DICM" + std::string("\x02\x00\x10\x00UI\x14\x00", 8) + "1.2.840.10008.1.2.1" +
                            std::string(1, '\0');
  Touch(top + "/only_syntax", only_syntax);
  Touch(top + "/text", "not a DICOM file");
  Touch(top + "/no_uids", preamble + "DICM" + std::string(100, 'z'));
  struct Case {
    std::string file;
    const char *message;
  } cases[] = {
      {top + "/absent", "Unable to open"},
      {top + "/text", "Not a valid part 10 DICOM"},
      {top + "/no_uids", "Unable to locate transfer syntax"},
      {top + "/only_syntax", "Unable to locate storage class"},
  };
  for (const Case &c : cases) {
    Message_Capture capture;
    char syntax[64], sop_class[64];
    EXPECT_EQ(Part10_Meta_Read(c.file.c_str(), syntax, sop_class), 0) << c.file;
    EXPECT_EQ(capture.Count(MSG_WARNING, c.message), 1) << c.file;
  }
}

}  // namespace
