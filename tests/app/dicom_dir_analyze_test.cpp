// The scan's directory walk on real folders: nesting, the Part 10 flag, DICOMDIR files,
// folders after many files, link loops and files reached twice, links back into the
// scanned folder, paths it cannot read (too long, locked, vanished), FIFOs, cancelling.
#include "app/dicom_dir_analyze.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "app/configuration.h"
#include "util/utility_directory.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

// A file with the Part 10 signature at byte 128.
std::string Part10_Bytes() { return std::string(128, '\0') + "DICM" + std::string(64, '\x02'); }

class Walk : public ::testing::Test {
protected:
  Scoped_Temp_Env env;
  std::string top = env.root() + "scan";
  item_dir record{};

  void SetUp() override
  {
    fs::create_directories(top);
    flag_part_10 = 0;
  }
  void TearDown() override
  {
    Catalogue_Free_Dir(&record);
    flag_part_10 = 0;
  }
  void Dicom(const std::string &path) { ASSERT_TRUE(Write_File(path, Part10_Bytes())); }
  void Text(const std::string &path) { ASSERT_TRUE(Write_File(path, "plain text")); }

  // Every file path held below `dir`.
  static void Paths(const item_dir &dir, std::set<std::string> &paths)
  {
    for (int d = 0; d < dir.nb_dir; d++) Paths(dir.dir[d], paths);
    for (int f = 0; f < dir.nb_file; f++) paths.insert(dir.file[f].path);
  }
  std::set<std::string> Paths()
  {
    std::set<std::string> paths;
    Paths(record, paths);
    return paths;
  }
};

TEST_F(Walk, FilesOnlyInASubSubFolderGiveAChainOfRecords)
{
  fs::create_directories(top + "/middle/bottom");
  Dicom(top + "/middle/bottom/a.dcm");
  Dicom(top + "/middle/bottom/b.dcm");
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(std::string(record.name), top);
  EXPECT_EQ(std::string(record.path), top);
  ASSERT_EQ(record.nb_dir, 1);
  EXPECT_EQ(record.nb_file, 0);
  const item_dir &middle = record.dir[0];
  EXPECT_EQ(std::string(middle.name), "middle");
  EXPECT_EQ(std::string(middle.path), top + "/middle");
  ASSERT_EQ(middle.nb_dir, 1);
  EXPECT_EQ(middle.nb_file, 0);
  const item_dir &bottom = middle.dir[0];
  EXPECT_EQ(bottom.nb_file, 2);
  for (int n : {record.nb_dicom, middle.nb_dicom, bottom.nb_dicom}) EXPECT_EQ(n, 2);
  for (int f = 0; f < bottom.nb_file; f++) {
    EXPECT_EQ(bottom.file[f].select_state, SELECT_NO);
    EXPECT_EQ(bottom.file[f].copy_state, COPY_NONE);
    EXPECT_EQ(bottom.file[f].Images_UID, nullptr);
  }
}

TEST_F(Walk, AFolderWithoutAcceptedFilesGivesAnEmptyRecord)
{
  fs::create_directories(top + "/empty/deeper");
  flag_part_10 = 1;
  Text(top + "/empty/readme.txt");
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(record.nb_dicom, 0);
  EXPECT_EQ(record.nb_dir, 0);
  EXPECT_EQ(record.path, nullptr);
}

TEST_F(Walk, ThePart10FlagAndTheDicomdirRule)
{
  Dicom(top + "/DICOMDIR");
  Dicom(top + "/dicomdir");
  Dicom(top + "/image");
  Text(top + "/notes.txt");
  Write_File(top + "/short", std::string(130, '\0'));
  struct Case {
    unsigned char part10;
    std::set<std::string> accepted;
  } cases[] = {
      {1, {top + "/image"}},  // "dicomdir" too is the media directory (a CD mounted in lower case)
      {0, {top + "/image", top + "/notes.txt", top + "/short"}},
  };
  for (const Case &c : cases) {
    flag_part_10 = c.part10;
    DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
    EXPECT_EQ(Paths(), c.accepted) << "flag_part_10 " << (int)c.part10;
    EXPECT_EQ(record.nb_dicom, (int)c.accepted.size());
    Catalogue_Free_Dir(&record);
  }
}

TEST_F(Walk, EverySubFolderIsWalkedHoweverManyFilesComeFirst)
{
  for (int i = 0; i < 300; i++) Text(top + "/f" + std::to_string(i));
  for (const char *name : {"zz1", "zz2", "zz3"}) {
    fs::create_directories(top + "/" + name);
    Dicom(top + "/" + name + "/x");
  }
  flag_part_10 = 1;
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(record.nb_dir, 3);
  EXPECT_EQ(record.nb_dicom, 3);
}

TEST_F(Walk, LinkLoopsEndAndFilesReachedTwiceAreKeptOnce)
{
  fs::create_directories(top + "/a/b");
  Dicom(top + "/a/b/one");
  fs::create_directory_symlink(top, top + "/a/b/up");            // back to the top: a loop
  fs::create_directory_symlink(top + "/a/b", top + "/again");    // the same folder twice
  fs::create_symlink(top + "/a/b/one", top + "/a/link to one");  // the same file twice
  ASSERT_EQ(link((top + "/a/b/one").c_str(), (top + "/hard").c_str()), 0);
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(record.nb_dicom, 1);
  EXPECT_EQ(Paths().size(), 1u);
}

TEST_F(Walk, links_among_the_scanned_files_leave_each_file_once_under_its_real_path)
{
  fs::create_directories(top + "/a");
  fs::create_directories(top + "/z");
  fs::create_directories(env.root() + "outside");
  fs::create_directories(env.root() + "elsewhere");
  Dicom(top + "/z/one");
  Dicom(env.root() + "outside/x");
  Dicom(env.root() + "elsewhere/y");
  fs::create_symlink(top + "/z/one", top + "/a/link to one");          // a file link back inside
  fs::create_directory_symlink(top + "/z", top + "/b");                 // a folder link back inside
  fs::create_directory_symlink(env.root() + "outside", top + "/out");   // a folder link outside
  fs::create_symlink(env.root() + "elsewhere/y", top + "/a/far");       // a file link outside
  fs::create_directory_symlink(top + "/z", env.root() + "outside/back");  // outside, leading back in
  flag_part_10 = 1;
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  // Whatever order the folders are listed in, the file inside is kept as itself; what
  // only a link reaches is kept under the link's path.
  EXPECT_EQ(Paths(), (std::set<std::string>{top + "/z/one", top + "/out/x", top + "/a/far"}));
  EXPECT_EQ(record.nb_dicom, 3);
  EXPECT_EQ(record.nb_lost, 0);
}

// The number of paths a walk of `folder` lost and the warnings naming them, as a text
// "lost: N, warnings: W" (run in a child as nobody, which may not read locked paths).
std::string Walk_Losses(const std::string &folder)
{
  Message_Capture capture;
  item_dir walked{};
  DICOM_Dir_Analyze(&walked, folder.c_str(), folder.c_str(), nullptr);
  std::string text = "lost: " + std::to_string(walked.nb_lost) +
                     ", warnings: " + std::to_string(capture.Texts(MSG_WARNING).size());
  Catalogue_Free_Dir(&walked);
  return text;
}

TEST_F(Walk, paths_the_walk_cannot_read_are_reported_once_each_and_counted)
{
  Dicom(top + "/good");
  fs::create_directories(top + "/sub");
  Dicom(top + "/sub/also good");
  fs::create_symlink(top + "/gone", top + "/sub/vanished");
  // A path longer than a path may hold, built with openat below "deep".
  std::string name(200, 'd');
  int folder = open(top.c_str(), O_RDONLY | O_DIRECTORY);
  mkdirat(folder, "deep", 0700);
  for (int i = 0; i < 22 && folder >= 0; i++) {
    int below = openat(folder, i == 0 ? "deep" : name.c_str(), O_RDONLY | O_DIRECTORY);
    close(folder);
    folder = below;
    mkdirat(folder, name.c_str(), 0700);
  }
  ASSERT_GE(folder, 0);
  int file = openat(folder, "image", O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(file, 0);
  std::string bytes = Part10_Bytes();
  ASSERT_EQ(write(file, bytes.data(), bytes.size()), (ssize_t)bytes.size());
  close(file);
  close(folder);
  Message_Capture capture;
  EXPECT_EQ(File_Count(top.c_str(), nullptr), 2);  // the counting pass before the walk says nothing
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(Paths(), (std::set<std::string>{top + "/good", top + "/sub/also good"}));
  EXPECT_EQ(record.nb_lost, 2);
  ASSERT_EQ(record.nb_dir, 1);
  EXPECT_EQ(record.dir[0].nb_lost, 1);  // the vanished file, in its folder's record
  std::vector<std::string> warnings = capture.Texts(MSG_WARNING);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(capture.Count(MSG_WARNING, "Unable to read \x01" + top + "/sub/vanished\x02 ([ENOENT]"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "/" + name + "\x02 ([ENAMETOOLONG]"), 1);
  Run_Command("rm -rf '" + top + "/deep'");  // deeper than the fixture's clean-up reaches

  // Folders and files that may not be read (root reads any: the walk runs as nobody).
  fs::create_directories(top + "/locked");
  Dicom(top + "/locked/inside");
  Dicom(top + "/private");
  chmod((top + "/locked").c_str(), 0);
  chmod((top + "/private").c_str(), 0);
  chmod(env.root().c_str(), 0755);
  chmod(top.c_str(), 0755);
  chmod((top + "/sub").c_str(), 0755);
  flag_part_10 = 1;
  std::string scan = top;
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(Walk_Losses(scan) == "lost: 3, warnings: 3" ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  chmod((top + "/locked").c_str(), 0700);
}

TEST_F(Walk, NamesWithAnyBytesAndFifosAreHandled)
{
  std::string odd = top + "/caf\xe9 \x01name";
  fs::create_directories(odd);
  Dicom(odd + "/\xff\xfe image");
  ASSERT_EQ(mkfifo((top + "/pipe").c_str(), 0600), 0);  // opening it would wait forever
  flag_part_10 = 1;
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  EXPECT_EQ(Paths(), (std::set<std::string>{odd + "/\xff\xfe image"}));
}

TEST_F(Walk, UnreadableFilesArePassedOverWithAWarning)
{
  Dicom(top + "/good");
  Dicom(top + "/locked");
  chmod((top + "/locked").c_str(), 0);
  flag_part_10 = 1;
  std::string scan = top;
  chmod(env.root().c_str(), 0755);
  chmod(top.c_str(), 0755);
  // Root reads any file: the walk runs as nobody in a child, which reports what it kept.
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        Message_Capture capture;
        item_dir walked{};
        DICOM_Dir_Analyze(&walked, scan.c_str(), scan.c_str(), nullptr);
        bool ok = walked.nb_dicom == 1 && capture.Count(MSG_WARNING, "Unable to open") == 1;
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(Walk, AWalkOverTheCountsReadingsReadsNoFolderAgainAndSaysTheSame)
{
  fs::create_directories(top + "/a/b");
  fs::create_directories(top + "/empty");
  Dicom(top + "/one");
  Dicom(top + "/a/two");
  Dicom(top + "/a/b/three");
  fs::create_directory_symlink(top + "/a", top + "/a/b/back up");  // inside: not followed
  fs::create_symlink(top + "/gone", top + "/a/broken");             // lost, reported by the walk
  Message_Capture capture;
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr);
  std::set<std::string> read_twice = Paths();
  std::vector<std::string> said_read_twice = capture.Texts(MSG_WARNING);
  ASSERT_EQ(said_read_twice.size(), 1u);
  Catalogue_Free_Dir(&record);
  record = item_dir{};

  Listing_Store *store = Listing_Store_Create();
  ASSERT_NE(store, nullptr);
  capture.Clear();
  EXPECT_EQ(File_Count(top.c_str(), nullptr, store), 3);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  // Without the Part 10 check the walk opens no file: with the folders gone, what it
  // finds can only come from the count's readings.
  Run_Command("rm -rf '" + top + "'/*");
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), nullptr, store);
  Listing_Store_Free(store);
  EXPECT_EQ(Paths(), read_twice);
  EXPECT_EQ(record.nb_lost, 1);
  EXPECT_EQ(capture.Texts(MSG_WARNING), said_read_twice);
}

// Presses Cancel as soon as the bar has moved.
struct Cancel_On_Step : Progress_View {
  void Notify(Progress_Record *progress, int message) override
  {
    if (message == WM_PROGRESS_POSITION && progress->position > 0) progress->cancelled = true;
  }
};

TEST_F(Walk, ACancelledWalkKeepsWhatItFoundConsistently)
{
  for (int i = 0; i < 40; i++) Dicom(top + "/f" + std::to_string(i));
  progress_view_factory = [](Progress_Record *, Window_Handle, void *, int) -> Progress_View * {
    return new Cancel_On_Step;
  };
  Progress_Record *progress = Progress_Create(nullptr, "Scanning", "", nullptr, 0);
  progress_view_factory = nullptr;
  Progress_Set_Range(progress, 1000);
  DICOM_Dir_Analyze(&record, top.c_str(), top.c_str(), progress);
  EXPECT_EQ(progress->position, 16);
  EXPECT_EQ(record.nb_file, 15);  // the 16th file is where the walk looked and stopped
  EXPECT_EQ(record.nb_dicom, 15);
  Progress_End(progress);
}

}  // namespace
