// Copying ahead: the helper copies the job's files in its order into unnamed files, each
// copy handed out in its turn holding its own source's bytes; a file it cannot copy is
// left to the job; copies never taken leave nothing behind.
#include "app/copy_ahead.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/os/os_system.h"
#include "support/test_support.h"

namespace {

// The bytes of the unnamed file `fd` (open for writing only), read through its name in /proc.
std::string Bytes_Of(int fd) { return Read_File("/proc/self/fd/" + std::to_string(fd)); }

}  // namespace

TEST(Copy_Ahead, each_copy_comes_in_its_turn_with_its_own_bytes_and_untaken_ones_leave_nothing)
{
  if (Os_Processors_Usable() < 2) GTEST_SKIP() << "one processor: the job copies every file itself";
  Scoped_Temp_Env env;
  std::vector<std::string> paths;
  for (int i = 0; i < 12; i++) {
    paths.push_back(env.root() + "source" + std::to_string(i));
    // The fifth is missing: the job copies it itself and reports what fails.
    if (i != 4) {
      ASSERT_TRUE(Write_File(paths.back(), std::string(1000 + 37 * i, (char)('a' + i))));
    }
  }
  std::vector<const char *> sources;
  for (const std::string &path : paths) sources.push_back(path.c_str());
  int folder = open(env.temp().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  {
    Copy_Ahead ahead(sources, folder, COPY_KERNEL);
    for (size_t i = 0; i < 8; i++) {
      SCOPED_TRACE(i);
      Copy_Ahead_Data data;
      bool made = ahead.Take(i, &data);
      EXPECT_EQ(made, i != 4);
      if (made) {
        EXPECT_EQ(Bytes_Of(data.out), std::string(1000 + 37 * i, (char)('a' + i)));
      }
      Copy_Ahead_Discard(&data);
    }
  }  // the last four are never taken, as when the job is cancelled
  EXPECT_TRUE(Files_Below(env.temp()).empty());
  close(folder);
}
