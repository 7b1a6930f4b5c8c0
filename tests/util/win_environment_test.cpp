// The file-per-key settings store: layout, value formats, modes and failures, and
// writes that replace a key whole or not at all (the full disk is a small tmpfs mounted
// by the test: root only, skipped otherwise).
#include "util/win_environment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "support/scoped_tmpfs.h"
#include "support/test_support.h"

namespace {

// Fills the file system that holds `path` with one file there, until it takes no more.
void Fill_File_System(const std::string &path)
{
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  EXPECT_EQ(errno, ENOSPC);
  close(fd);
}

}  // namespace

TEST(Settings_Store, values_round_trip_in_their_file_formats)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  ASSERT_EQ(Environment_Set_Value_Int("Harrowdesk", "flag_print", 0x01020306), 1);
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "server_peer", "pacs.example.org"), 1);
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "dir_audit", ""), 1);
  std::string folder = env.app_data() + "ArdentVale/Harrowdesk/";
  EXPECT_EQ(Read_File(folder + "flag_print"), std::string("\x06\x03\x02\x01", 4));
  EXPECT_EQ(Read_File(folder + "server_peer"), "pacs.example.org");
  EXPECT_EQ(Read_File(folder + "dir_audit"), "");

  int32_t value = 0;
  EXPECT_EQ(Environment_Get_Value_Int("Harrowdesk", "flag_print", &value), 1);
  EXPECT_EQ(value, 0x01020306);
  EXPECT_STREQ(Environment_Get_Value_String("Harrowdesk", "server_peer"), "pacs.example.org");
  EXPECT_STREQ(Environment_Get_Value_String("Harrowdesk", "dir_audit"), "");

  struct stat info;
  ASSERT_EQ(stat((env.app_data() + "ArdentVale").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(stat((folder + "server_peer").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Settings_Store, a_one_byte_integer_file_gives_that_byte)
{
  Scoped_Temp_Env env;
  ASSERT_EQ(Environment_Set_Value_Int("Harrowdesk", "flag_sub_dir", 0), 1);
  Write_File(env.app_data() + "ArdentVale/Harrowdesk/flag_sub_dir", "\x15");
  int32_t value = -1;
  EXPECT_EQ(Environment_Get_Value_Int("Harrowdesk", "flag_sub_dir", &value), 1);
  EXPECT_EQ(value, 0x15);
}

TEST(Settings_Store, an_integer_file_of_another_length_is_no_value_and_leaves_the_default)
{
  Scoped_Temp_Env env;
  ASSERT_EQ(Environment_Set_Value_Int("Harrowdesk", "server_port", 104), 1);
  for (const char *typed : {"11\n", "12345", "\x01\x02"}) {
    Write_File(env.app_data() + "ArdentVale/Harrowdesk/server_port", typed);
    int32_t value = -1;
    EXPECT_EQ(Environment_Get_Value_Int("Harrowdesk", "server_port", &value), 0) << typed;
    EXPECT_EQ(value, -1) << typed;
  }
}

TEST(Settings_Store, texts_are_read_back_up_to_1024_bytes)
{
  Scoped_Temp_Env env;
  std::string long_text(3000, 'p');
  ASSERT_EQ(Environment_Set_Value_String("S", "k", long_text.c_str()), 1);
  EXPECT_EQ(std::string(Environment_Get_Value_String("S", "k")).size(), 1024u);
}

TEST(Settings_Store, a_missing_key_fails_with_traces_and_leaves_the_value)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  int32_t value = 77;
  EXPECT_EQ(Environment_Get_Value_Int("Harrowdesk", "absent", &value), 0);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(Environment_Get_Value_String("Harrowdesk", "absent"), nullptr);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Failed in Environment_Get_Value_Int(Harrowdesk,absent)"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to open file: "), 2);
}

TEST(Settings_Store, an_unwritable_store_fails_with_traces)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  Write_File(env.root() + "not-a-folder", "x");
  setenv("HARROWDESK_APPDATA", (env.root() + "not-a-folder").c_str(), 1);
  EXPECT_EQ(Environment_Set_Value_Int("Harrowdesk", "flag_fail", 1), 0);
  EXPECT_EQ(Environment_Set_Value_String("Harrowdesk", "server_AET", "X"), 0);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to open dir: "), 2);
  EXPECT_EQ(capture.Count(MSG_TRACE, "[ENOTDIR]"), 2);
}

TEST(Settings_Store, a_write_that_does_not_fit_keeps_the_old_value_and_leaves_no_temporary)
{
  Scoped_Temp_Env env;
  Scoped_Tmpfs disk(env.root() + "disk", "64k");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  setenv("HARROWDESK_APPDATA", (env.root() + "disk/").c_str(), 1);
  std::string folder = env.root() + "disk/ArdentVale/Harrowdesk/";
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "server_peer", "pacs.old.org"), 1);
  ASSERT_EQ(Environment_Set_Value_Int("Harrowdesk", "flag_print", 6), 1);
  Fill_File_System(env.root() + "disk/filler");

  Message_Capture capture(1);
  std::string long_peer(12000, 'n');  // needs pages that the full disk no longer has
  EXPECT_EQ(Environment_Set_Value_String("Harrowdesk", "server_peer", long_peer.c_str()), 0);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Failed in Environment_Set_Value_String(Harrowdesk,server_peer)"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to write file: " + folder + "server_peer [ENOSPC]"), 1);
  EXPECT_EQ(Environment_Set_Value_Int("Harrowdesk", "flag_print", 0x2A), 0);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to write file: " + folder + "flag_print [ENOSPC]"), 1);
  EXPECT_STREQ(Environment_Get_Value_String("Harrowdesk", "server_peer"), "pacs.old.org");
  int32_t value = 0;
  EXPECT_EQ(Environment_Get_Value_Int("Harrowdesk", "flag_print", &value), 1);
  EXPECT_EQ(value, 6);
  EXPECT_EQ(Files_Below(folder), (std::vector<std::string>{"flag_print", "server_peer"}));

  unlink((env.root() + "disk/filler").c_str());  // room again: the same write goes through
  EXPECT_EQ(Environment_Set_Value_String("Harrowdesk", "server_peer", long_peer.c_str()), 1);
  EXPECT_EQ(Read_File(folder + "server_peer"), long_peer);
  EXPECT_EQ(Environment_Set_Value_String("Harrowdesk", "server_peer", "short"), 1);
  EXPECT_EQ(Read_File(folder + "server_peer"), "short");
  EXPECT_EQ(Files_Below(folder), (std::vector<std::string>{"flag_print", "server_peer"}));
}

TEST(Settings_Store, a_key_that_cannot_be_replaced_fails_and_leaves_no_temporary)
{
  Scoped_Temp_Env env;
  std::string folder = env.app_data() + "ArdentVale/Harrowdesk/";
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "dir_fail", "/srv/failed/"), 1);
  ASSERT_EQ(mkdir((folder + "dir_copy").c_str(), 0700), 0);  // a folder where the key's file belongs
  ASSERT_TRUE(Write_File(folder + "dir_copy/inside", "x"));
  Message_Capture capture(1);
  EXPECT_EQ(Environment_Set_Value_String("Harrowdesk", "dir_copy", "/srv/copies/"), 0);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Failed in Environment_Set_Value_String(Harrowdesk,dir_copy)"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to write file: " + folder + "dir_copy [EISDIR]"), 1);
  EXPECT_EQ(Read_File(folder + "dir_copy/inside"), "x");
  EXPECT_EQ(Files_Below(folder), (std::vector<std::string>{"dir_copy/inside", "dir_fail"}));
}

TEST(Settings_Store, a_key_file_opened_to_others_by_hand_is_private_again_after_a_write)
{
  Scoped_Temp_Env env;
  std::string path = env.app_data() + "ArdentVale/Harrowdesk/server_AET";
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "server_AET", "OLD"), 1);
  ASSERT_EQ(chmod(path.c_str(), 0666), 0);
  ASSERT_EQ(Environment_Set_Value_String("Harrowdesk", "server_AET", "NEW"), 1);
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(Read_File(path), "NEW");
}
