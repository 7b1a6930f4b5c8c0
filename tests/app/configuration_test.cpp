// Reading and writing every setting through the store.
#include "app/configuration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"
#include "util/win_environment.h"

namespace {

// Every setting under its key name, in the store's order, as text.
std::vector<std::pair<std::string, std::string>> Settings_Now()
{
  auto byte = [](unsigned char value) { return std::to_string(value); };
  return {
      {"flag_sub_dir", byte(flag_sub_dir)},
      {"flag_standard_name", byte(flag_standard_name)},
      {"flag_overwrite", byte(flag_overwrite)},
      {"flag_dicomdir", byte(flag_dicomdir)},
      {"delete_copy", byte(delete_copy)},
      {"dir_copy", dir_copy},
      {"flag_audit", byte(log_state.flag_audit)},
      {"file_audit", log_state.file_audit},
      {"dir_audit", log_state.dir_audit},
      {"flag_part_10", byte(flag_part_10)},
      {"flag_print", byte(flag_print)},
      {"flag_fail", byte(flag_fail)},
      {"dir_fail", dir_fail},
      {"local_AET", local_AET},
      {"server_AET", server_AET},
      {"server_peer", server_peer},
      {"server_port", server_port},
      {"delete_push", byte(delete_push)},
      {"timeout_connect", std::to_string(timeout_connect)},
      {"timeout_acse", std::to_string(timeout_acse)},
      {"timeout_dimse", std::to_string(timeout_dimse)},
  };
}

}  // namespace

TEST(Configuration, a_first_start_keeps_the_defaults_and_traces_the_eight_texts)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  Configuration_Defaults();
  EXPECT_EQ(Configuration_Read(), 1);
  EXPECT_EQ(flag_sub_dir, 3);
  EXPECT_EQ(flag_overwrite, 1);
  EXPECT_EQ(flag_print, 6);
  EXPECT_EQ(flag_dicomdir + flag_standard_name + delete_copy + flag_part_10 + flag_fail + delete_push, 0);
  EXPECT_TRUE(log_state.flag_audit);
  EXPECT_EQ(log_state.file_audit, "Harrowdesk.log");
  EXPECT_EQ(log_state.dir_audit, env.log_state());
  EXPECT_EQ(dir_fail, env.temp());
  EXPECT_EQ(local_AET, "ArdentVale");
  EXPECT_EQ(server_AET, "ANY-SCP");
  EXPECT_EQ(server_peer, "none");
  EXPECT_EQ(server_port, "104");
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to get local AET from registry"), 5);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to get sercer's AET from registry"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to get server's peer from registry"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to get server's port from registry"), 1);
}

TEST(Configuration, every_setting_survives_a_write_and_read)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Configuration_Defaults();
  flag_sub_dir = 21, flag_standard_name = 1, flag_overwrite = 0, flag_dicomdir = 1, delete_copy = 1;
  flag_part_10 = 1, flag_print = 0x2A, flag_fail = 1, delete_push = 1;
  log_state.flag_audit = false;
  log_state.file_audit = "audit.txt";
  log_state.dir_audit = "";
  dir_copy = "/srv/copies/", dir_fail = "/srv/failed/";
  local_AET = "HARROW", server_AET = "ORTHANC", server_peer = "127.0.0.1", server_port = "11112";
  ASSERT_EQ(Configuration_Write(), 1);

  Configuration_Defaults();
  ASSERT_EQ(Configuration_Read(), 1);
  EXPECT_EQ(flag_sub_dir, 21);
  EXPECT_EQ(flag_standard_name + flag_dicomdir + delete_copy + flag_part_10 + flag_fail + delete_push, 6);
  EXPECT_EQ(flag_overwrite, 0);
  EXPECT_EQ(flag_print, 0x2A);
  EXPECT_FALSE(log_state.flag_audit);
  EXPECT_EQ(log_state.file_audit, "audit.txt");
  EXPECT_EQ(log_state.dir_audit, "");  // an empty audit folder: the audit trail falls back to the state folder
  EXPECT_EQ(dir_copy, "/srv/copies/");
  EXPECT_EQ(dir_fail, "/srv/failed/");
  EXPECT_EQ(local_AET + server_AET + server_peer + server_port, "HARROWORTHANC127.0.0.111112");
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable"), 0);
  Configuration_Defaults();
}

TEST(Configuration, only_the_low_byte_of_an_integer_is_kept_and_long_texts_are_cut)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Environment_Set_Value_Int("Harrowdesk", "flag_print", 0x1234);
  std::string long_peer(400, 'h');
  Environment_Set_Value_String("Harrowdesk", "server_peer", long_peer.c_str());
  Configuration_Defaults();
  Configuration_Read();
  EXPECT_EQ(flag_print, 0x34);
  EXPECT_EQ(server_peer, std::string(255, 'h'));
  Configuration_Defaults();
}

TEST(Configuration, an_unwritable_store_traces_every_key_and_keeps_the_values)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  Write_File(env.root() + "file", "x");
  setenv("HARROWDESK_APPDATA", (env.root() + "file").c_str(), 1);
  Configuration_Defaults();
  server_peer = "kept";
  EXPECT_EQ(Configuration_Write(), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable to write to registry"), 21);
  EXPECT_EQ(server_peer, "kept");
  Configuration_Defaults();
}

TEST(Configuration, a_write_then_a_read_gives_back_every_key_changed_from_its_default)
{
  Scoped_Temp_Env env;
  Message_Capture capture(1);
  Configuration_Defaults();
  const auto defaults = Settings_Now();
  // A distinct value for each byte, so that two keys swapped in the store show.
  flag_sub_dir = 12, flag_standard_name = 2, flag_overwrite = 3, flag_dicomdir = 4, delete_copy = 5;
  log_state.flag_audit = false;
  flag_part_10 = 7, flag_print = 8, flag_fail = 9, delete_push = 10;
  dir_copy = "/srv/copies/", log_state.file_audit = "audit.txt", log_state.dir_audit = "/var/audit/";
  dir_fail = "/srv/failed/", local_AET = "HARROW", server_AET = "ORTHANC";
  server_peer = "\"pacs.example.org\"", server_port = "11112";
  timeout_connect = 300, timeout_acse = 0, timeout_dimse = 3600;  // beyond a byte, none, the largest
  const auto changed = Settings_Now();
  std::vector<std::string> keys;
  for (size_t k = 0; k < changed.size(); k++) {
    EXPECT_NE(changed[k].second, defaults[k].second) << changed[k].first << " still has its default";
    keys.push_back(changed[k].first);
  }

  ASSERT_EQ(Configuration_Write(), 1);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(Files_Below(env.app_data() + "ArdentVale/Harrowdesk/"), keys);  // one file per key, nothing else
  Configuration_Defaults();
  ASSERT_EQ(Configuration_Read(), 1);
  EXPECT_EQ(Settings_Now(), changed);
  EXPECT_EQ(capture.Count(MSG_TRACE, "Unable"), 0);
  Configuration_Defaults();
}

TEST(Configuration, the_timeouts_default_to_30_30_and_60_seconds_and_take_only_0_to_3600)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Configuration_Defaults();
  EXPECT_EQ(timeout_connect, 30);
  EXPECT_EQ(timeout_acse, 30);
  EXPECT_EQ(timeout_dimse, 60);
  const struct {
    int32_t stored;
    int taken;  // the value after the read, from the default 30
  } cases[] = {{0, 0}, {1, 1}, {TIMEOUT_MAX, TIMEOUT_MAX}, {TIMEOUT_MAX + 1, 30}, {-1, 30}, {INT32_MIN, 30}};
  for (const auto &test : cases) {
    SCOPED_TRACE(test.stored);
    Environment_Set_Value_Int("Harrowdesk", "timeout_acse", test.stored);
    Configuration_Defaults();
    Configuration_Read();
    EXPECT_EQ(timeout_acse, test.taken);
  }
  Configuration_Defaults();
}
