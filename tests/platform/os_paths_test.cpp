// Where the lasting files go: the state folder named from XDG_STATE_HOME or HOME, and the
// checked open of a file of our own against links, FIFOs, folders, other users' files and
// hard links planted under its name.
#include "platform/os/os_files.h"
#include "platform/os/os_paths.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_support.h"

namespace {

// Sets (or, for nullptr, unsets) an environment variable for the life of the object.
class Scoped_Env {
public:
  Scoped_Env(const char *name, const char *value) : name_(name)
  {
    if (const char *old = std::getenv(name)) had_ = true, old_ = old;
    if (value) setenv(name, value, 1);
    else unsetenv(name);
  }
  ~Scoped_Env()
  {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

private:
  const char *name_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(Os_State_Dir, names_the_xdg_state_folder_else_the_one_below_home)
{
  const struct {
    const char *xdg, *home;
    int ok;
    const char *folder;
  } cases[] = {
      {"/srv/state", "/home/u", 1, "/srv/state/harrowdesk/"},
      {"/srv/state/", "/home/u", 1, "/srv/state/harrowdesk/"},
      {"relative/state", "/home/u", 1, "/home/u/.local/state/harrowdesk/"},  // a relative path is ignored
      {"", "/home/u/", 1, "/home/u/.local/state/harrowdesk/"},
      {nullptr, "/home/u", 1, "/home/u/.local/state/harrowdesk/"},
      {nullptr, nullptr, 0, "untouched"},
  };
  for (const auto &c : cases) {
    Scoped_Env xdg("XDG_STATE_HOME", c.xdg), home("HOME", c.home);
    std::string folder = "untouched";
    EXPECT_EQ(Os_State_Dir(folder), c.ok) << (c.xdg ? c.xdg : "(unset)");
    EXPECT_EQ(folder, c.folder) << (c.xdg ? c.xdg : "(unset)");
  }
}

TEST(Os_Own_File_Open, creates_a_private_file_and_appends_or_replaces_only_a_file_of_our_own)
{
  Scoped_Temp_Env env;
  std::string path = env.root() + "own.log";
  Os_Own_File_Fault fault;
  int fd = Os_Own_File_Open(path, OS_OWN_FILE_APPEND, &fault);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(fault, OS_OWN_FILE_OK);
  ASSERT_EQ(Os_Write_All(fd, "one\n", 4), 1);
  close(fd);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  fd = Os_Own_File_Open(path, OS_OWN_FILE_APPEND, &fault);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(Os_Write_All(fd, "two\n", 4), 1);
  close(fd);
  EXPECT_EQ(Read_File(path), "one\ntwo\n");
  fd = Os_Own_File_Open(path, OS_OWN_FILE_REPLACE, &fault);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(Read_File(path), "");
}

TEST(Os_Own_File_Open, refuses_whatever_else_stands_under_the_name_without_touching_it)
{
  Scoped_Temp_Env env;
  std::string victim = env.root() + "victim";
  ASSERT_TRUE(Write_File(victim, "keep"));
  ASSERT_EQ(symlink(victim.c_str(), (env.root() + "link").c_str()), 0);
  ASSERT_EQ(symlink((env.root() + "nowhere").c_str(), (env.root() + "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((env.root() + "fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkdir((env.root() + "folder").c_str(), 0700), 0);
  ASSERT_EQ(link(victim.c_str(), (env.root() + "hard").c_str()), 0);
  const struct {
    const char *name;
    Os_Own_File_Fault fault;
    int code;
  } cases[] = {
      {"link", OS_OWN_FILE_LINK, ELOOP},
      {"dangling", OS_OWN_FILE_LINK, ELOOP},
      {"fifo", OS_OWN_FILE_NOT_REGULAR, EINVAL},
      {"folder", OS_OWN_FILE_OPEN_FAILED, EISDIR},
      {"hard", OS_OWN_FILE_HARD_LINKED, EMLINK},
  };
  for (Os_Own_File_Mode mode : {OS_OWN_FILE_APPEND, OS_OWN_FILE_REPLACE}) {
    for (const auto &c : cases) {
      Os_Own_File_Fault fault = OS_OWN_FILE_OK;
      errno = 0;
      EXPECT_EQ(Os_Own_File_Open(env.root() + c.name, mode, &fault), -1) << c.name;
      EXPECT_EQ(fault, c.fault) << c.name;
      EXPECT_EQ(errno, c.code) << c.name;
    }
  }
  EXPECT_EQ(Read_File(victim), "keep");
  EXPECT_NE(access((env.root() + "nowhere").c_str(), F_OK), 0) << "a dangling link made a file";
}

TEST(Os_Own_File_Open, refuses_a_file_of_another_user)
{
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  Scoped_Temp_Env env;
  std::string path = env.root() + "theirs.log";
  ASSERT_TRUE(Write_File(path, "theirs"));
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);  // nobody
  for (Os_Own_File_Mode mode : {OS_OWN_FILE_APPEND, OS_OWN_FILE_REPLACE}) {
    Os_Own_File_Fault fault;
    EXPECT_EQ(Os_Own_File_Open(path, mode, &fault), -1);
    EXPECT_EQ(fault, OS_OWN_FILE_OTHER_OWNER);
    EXPECT_EQ(errno, EPERM);
  }
  EXPECT_EQ(Read_File(path), "theirs") << "a refused file is neither written nor emptied";
}
