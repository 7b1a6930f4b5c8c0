// Registry_Get_Path: $HARROWDESK_HOME first, then the share folder beside the binary
// (found from where this test's executable is), each only when it is a folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/os_paths.h"
#include "support/test_support.h"
#include "util/win_registry.h"

namespace {

namespace fs = std::filesystem;

// Sets or clears $HARROWDESK_HOME for the life of the object.
class Scoped_Home {
public:
  explicit Scoped_Home(const char *value)
  {
    if (const char *old = std::getenv("HARROWDESK_HOME")) saved_ = old, had_ = true;
    if (value) setenv("HARROWDESK_HOME", value, 1);
    else unsetenv("HARROWDESK_HOME");
  }
  ~Scoped_Home()
  {
    if (had_) setenv("HARROWDESK_HOME", saved_.c_str(), 1);
    else unsetenv("HARROWDESK_HOME");
  }

private:
  std::string saved_;
  bool had_ = false;
};

// <this executable's folder>/../share/<name>/, the folder a program named `name` looks for.
std::string Share_Beside_Exe(const std::string &name)
{
  return (fs::path(Os_Exe_Path()).parent_path().parent_path() / "share" / name).string() + "/";
}

TEST(Registry_Get_Path, harrowdesk_home_that_is_a_folder_wins_and_gains_a_slash)
{
  Scoped_Temp_Env env;
  std::string home = env.root() + "home";
  fs::create_directories(home);
  Scoped_Home set(home.c_str());
  std::string folder = "untouched";
  EXPECT_EQ(Registry_Get_Path("Harrowdesk_Registry_Test", folder), 1);
  EXPECT_EQ(folder, home + "/");
}

TEST(Registry_Get_Path, missing_folders_fail_and_leave_the_output_untouched)
{
  Scoped_Temp_Env env;
  const char *homes[] = {nullptr, "", "/no/such/harrowdesk/home"};
  for (const char *home : homes) {
    Scoped_Home set(home);
    std::string folder = "untouched";
    EXPECT_EQ(Registry_Get_Path("Harrowdesk_Registry_Test_Absent", folder), 0) << (home ? home : "(unset)");
    EXPECT_EQ(folder, "untouched");
  }
}

TEST(Registry_Get_Path, share_folder_beside_the_binary_is_found_by_lower_case_name_after_a_bad_home)
{
  std::string share = Share_Beside_Exe("harrowdesk_registry_share_test");
  fs::create_directories(share);
  const char *homes[] = {nullptr, "/no/such/harrowdesk/home"};
  for (const char *home : homes) {
    Scoped_Home set(home);
    std::string folder;
    EXPECT_EQ(Registry_Get_Path("Harrowdesk_Registry_Share_Test", folder), 1) << (home ? home : "(unset)");
    EXPECT_EQ(folder, share) << "the path holds no \"..\"";
  }
  std::error_code error;
  fs::remove_all(share, error);
  fs::remove(fs::path(share).parent_path().parent_path(), error);  // share/, when nothing else is in it
}

}  // namespace
