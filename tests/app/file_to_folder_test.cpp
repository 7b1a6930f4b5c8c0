// Copy into, move into and delete: the targets they build, the folders they create,
// numbered names that keep every failed file, modes, and that a failure never loses
// the source or leaves a partial target.
#include "app/file_to_folder.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

const std::string SOURCE_BYTES(100000, 'x');

class File_To_Folder : public testing::Test {
protected:
  void SetUp() override
  {
    source_ = env_.root() + "in/image.dcm";
    mkdir((env_.root() + "in").c_str(), 0700);
    ASSERT_TRUE(Write_File(source_, SOURCE_BYTES));
  }
  bool Exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

  Scoped_Temp_Env env_;
  Message_Capture capture_{19};
  std::string source_;
};

TEST_F(File_To_Folder, copy_creates_the_folder_and_keeps_an_older_file_of_the_same_name)
{
  const std::string folder = env_.root() + "fail/deeper/";
  ASSERT_EQ(1, File_Copy_To(source_.c_str(), folder.c_str()));
  EXPECT_EQ(SOURCE_BYTES, Read_File(folder + "image.dcm"));
  // A second failed file of the same name: kept beside the first under a numbered name.
  ASSERT_TRUE(Write_File(source_, "a second failed file"));
  ASSERT_EQ(1, File_Copy_To(source_.c_str(), folder.c_str()));
  ASSERT_EQ(1, File_Copy_To(source_.c_str(), folder.c_str()));
  EXPECT_EQ(SOURCE_BYTES, Read_File(folder + "image.dcm"));
  EXPECT_EQ("a second failed file", Read_File(folder + "image.dcm01"));
  EXPECT_EQ("a second failed file", Read_File(folder + "image.dcm02"));
  EXPECT_EQ(Files_Below(folder), (std::vector<std::string>{"image.dcm", "image.dcm01", "image.dcm02"}));
  EXPECT_TRUE(capture_.Texts(MSG_WARNING).empty());
  EXPECT_EQ(1, capture_.Count(MSG_THREAD, "renamed to (" + folder + "image.dcm02)"));
  EXPECT_EQ(3, capture_.Count(MSG_TRACE + 2, "copy(" + source_ + "," + folder + "image.dcm)"));
}

TEST_F(File_To_Folder, copy_keeps_a_private_file_private)
{
  chmod(source_.c_str(), 0600);
  mode_t saved = umask(0);  // even with nothing masked, the copy gets only the source's bits
  int copied = File_Copy_To(source_.c_str(), (env_.root() + "fail/").c_str());
  umask(saved);
  ASSERT_EQ(1, copied);
  struct stat info;
  ASSERT_EQ(0, stat((env_.root() + "fail/image.dcm").c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777);
}

TEST_F(File_To_Folder, copy_into_the_source_folder_leaves_the_file_whole)
{
  ASSERT_EQ(1, File_Copy_To(source_.c_str(), (env_.root() + "in/").c_str()));
  EXPECT_EQ(SOURCE_BYTES, Read_File(source_));
}

TEST_F(File_To_Folder, copy_failures_report_and_leave_nothing_behind)
{
  ASSERT_TRUE(Write_File(env_.root() + "plain", "a file where a folder should be"));
  const struct {
    const char *name;
    std::string source, folder, first, second;
  } cases[] = {
      {"folder cannot be made", source_, env_.root() + "plain/sub/", "\xF1\x04" "ERROR:\x02\t Unable to create \x01",
       "\xF1\x02\t\t [ENOTDIR]"},
      {"source missing", env_.root() + "in/missing.dcm", env_.root() + "out/",
       "\xF1\x04" "ERROR:\x02\t Unable to open \x01" + env_.root() + "in/missing.dcm", "\xF1\x02\t\t [ENOENT]"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    capture_.Clear();
    EXPECT_EQ(0, File_Copy_To(test.source.c_str(), test.folder.c_str()));
    std::vector<std::string> warnings = capture_.Texts(MSG_WARNING);
    ASSERT_EQ(2u, warnings.size());
    EXPECT_EQ(0u, warnings[0].find(test.first)) << warnings[0];
    EXPECT_EQ(0u, warnings[1].find(test.second)) << warnings[1];
  }
}

TEST_F(File_To_Folder, copy_that_cannot_be_written_whole_removes_the_partial_target)
{
  const std::string folder = env_.root() + "small/";
  mkdir(folder.c_str(), 0700);
  struct rlimit saved, limit;
  getrlimit(RLIMIT_FSIZE, &saved);
  limit = saved;
  limit.rlim_cur = 4096;  // a file may not grow past 4 KB: the copy's write fails
  sighandler_t old = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  int result = File_Copy_To(source_.c_str(), folder.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old);
  EXPECT_EQ(0, result);
  EXPECT_FALSE(Exists(folder + "image.dcm"));
  EXPECT_EQ(SOURCE_BYTES, Read_File(source_));
  EXPECT_EQ(1, capture_.Count(MSG_WARNING, "ERROR:\x02\t Writing to \x01" + folder + "image.dcm"));
  EXPECT_EQ(1, capture_.Count(MSG_WARNING, "[EFBIG]"));
}

TEST_F(File_To_Folder, move_renames_into_a_new_folder_and_keeps_an_older_file_of_the_same_name)
{
  const std::string folder = env_.root() + "fail/";
  ASSERT_EQ(1, File_Move_To(source_.c_str(), folder.c_str()));
  EXPECT_FALSE(Exists(source_));
  EXPECT_EQ(SOURCE_BYTES, Read_File(folder + "image.dcm"));

  // A second file of the same name: moved in under a numbered name, the first untouched.
  ASSERT_TRUE(Write_File(source_, "the newer file"));
  capture_.Clear();
  ASSERT_EQ(1, File_Move_To(source_.c_str(), folder.c_str()));
  EXPECT_FALSE(Exists(source_));
  EXPECT_EQ(SOURCE_BYTES, Read_File(folder + "image.dcm"));
  EXPECT_EQ("the newer file", Read_File(folder + "image.dcm01"));
  EXPECT_TRUE(capture_.Texts(MSG_WARNING).empty());
  EXPECT_EQ(1, capture_.Count(MSG_THREAD, "File (" + folder + "image.dcm) already exist!"));
}

TEST_F(File_To_Folder, move_that_finds_every_name_taken_fails_and_keeps_the_source)
{
  const std::string folder = env_.root() + "fail/";
  mkdir(folder.c_str(), 0700);
  ASSERT_TRUE(Write_File(folder + "image.dcm", "taken"));
  for (int n = 1; n <= 99; n++) {
    char name[32];
    std::snprintf(name, sizeof name, "image.dcm%02d", n);
    ASSERT_TRUE(Write_File(folder + name, "taken"));
  }
  EXPECT_EQ(0, File_Move_To(source_.c_str(), folder.c_str()));
  EXPECT_EQ(SOURCE_BYTES, Read_File(source_));
  EXPECT_EQ((std::vector<std::string>{"\xF1\x04" "ERROR:\x02\t Unable to move \x01" + source_,
                                      "\xF1\x02\t\t to \x01" + folder + "image.dcm",
                                      "\xF1\x02\t\t [EEXIST] File exists"}),
            capture_.Texts(MSG_WARNING));
}

TEST_F(File_To_Folder, delete_removes_once_and_reports_the_second_time)
{
  EXPECT_EQ(1, File_Delete(source_.c_str()));
  EXPECT_FALSE(Exists(source_));
  EXPECT_EQ(0, File_Delete(source_.c_str()));
  EXPECT_EQ((std::vector<std::string>{"\xF1\x04" "ERROR:\x02\t Unable to unlink \x01" + source_ + "!",
                                      "\xF1\x02\t\t [ENOENT] No such file or directory"}),
            capture_.Texts(MSG_WARNING));
}

}  // namespace
