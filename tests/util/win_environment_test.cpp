// The file-per-key settings store: layout, value formats, modes and failures.
#include "util/win_environment.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "support/test_support.h"

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
