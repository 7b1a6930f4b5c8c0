// Moving a file's bytes: copies are byte-identical by every method and size, never
// replace a file, leave nothing behind when the disk fills up, and renames never replace
// a file (across file systems they fail: see the job's tests). The full disk is a small
// tmpfs mounted by the test (root only; skipped otherwise).
#include "app/copy_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/scoped_tmpfs.h"
#include "support/test_support.h"

namespace {

std::string Pattern(size_t size)
{
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; i++) bytes[i] = (char)(i * 131 + i / 7);
  return bytes;
}

bool Exists(const std::string &path)
{
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

}  // namespace

TEST(CopyData, CopiesAreByteIdenticalForEveryMethodAndSize)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  const size_t sizes[] = {0, 1, 10239, 10240, 10241, 3 * 1024 * 1024 + 5};
  const size_t methods[] = {COPY_KERNEL, COPY_BLOCK_SIZE, 1};
  for (size_t size : sizes) {
    std::string source = env.temp() + "source";
    ASSERT_TRUE(Write_File(source, Pattern(size)));
    for (size_t method : methods) {
      if (method == 1 && size > 20000) continue;
      std::string target = env.temp() + "target";
      unlink(target.c_str());
      ASSERT_EQ(Copy_Data(source.c_str(), target.c_str(), method), 1) << size << " " << method;
      EXPECT_EQ(Read_File(target), Pattern(size)) << size << " " << method;
    }
  }
  EXPECT_EQ(capture.Count(MSG_THREAD, "ERROR"), 0);
}

TEST(CopyData, OpenFailuresReportAndChangeNothing)
{
  Scoped_Temp_Env env;
  std::string source = env.temp() + "source", target = env.temp() + "target";
  ASSERT_TRUE(Write_File(source, "new"));
  ASSERT_TRUE(Write_File(target, "old"));
  struct Case { std::string from, to, message; } cases[] = {
      {env.temp() + "missing", env.temp() + "t2", "Unable to open source"},
      {source, target, "Unable to open target"},  // an existing file is never written over
      {source, env.temp() + "no/such/folder/t", "Unable to open target"},
  };
  for (const Case &c : cases) {
    Message_Capture capture;
    EXPECT_EQ(Copy_Data(c.from.c_str(), c.to.c_str(), COPY_KERNEL), 0);
    EXPECT_EQ(capture.Count(MSG_THREAD, c.message), 1) << c.message;
  }
  EXPECT_EQ(Read_File(target), "old");
  EXPECT_EQ(Read_File(source), "new");
  EXPECT_FALSE(Exists(env.temp() + "t2"));
}

TEST(CopyData, FullDiskRemovesThePartialTargetAndKeepsTheSource)
{
  Scoped_Temp_Env env;
  Scoped_Tmpfs small(env.root() + "small", "64k");
  if (!small.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  std::string source = env.temp() + "big";
  ASSERT_TRUE(Write_File(source, Pattern(400 * 1024)));
  for (size_t method : {(size_t)COPY_KERNEL, (size_t)COPY_BLOCK_SIZE}) {
    Message_Capture capture;
    std::string target = env.root() + "small/copy";
    EXPECT_EQ(Copy_Data(source.c_str(), target.c_str(), method), 0);
    EXPECT_EQ(capture.Count(MSG_THREAD, "Unable to write"), 1);
    EXPECT_EQ(capture.Count(MSG_THREAD, "No space left on device"), 1);
    EXPECT_FALSE(Exists(target));
  }
  EXPECT_EQ(Read_File(source), Pattern(400 * 1024));
}

TEST(CopyData, RenameNeverReplacesAFile)
{
  Scoped_Temp_Env env;
  std::string a = env.temp() + "a", b = env.temp() + "b", c = env.temp() + "c";
  ASSERT_TRUE(Write_File(a, "A"));
  ASSERT_TRUE(Write_File(b, "B"));
  EXPECT_EQ(Copy_Rename(a.c_str(), b.c_str()), 0);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(Read_File(a), "A");
  EXPECT_EQ(Read_File(b), "B");
  EXPECT_EQ(Copy_Rename(a.c_str(), c.c_str()), 1);
  EXPECT_FALSE(Exists(a));
  EXPECT_EQ(Read_File(c), "A");
}
