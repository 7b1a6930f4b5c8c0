// harrowdesk-cli config end to end, on a private settings store: every key set and read
// back through the binary and seen by the program's own reading of the store,
// refusals of bad values with their one line and exit code 2, unknown keys, and the
// JSON listing parsed by Python.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "app/configuration.h"
#include "app/configuration_keys.h"
#include "support/test_support.h"

namespace {

class Cli_Config : public testing::Test {
protected:
  void SetUp() override
  {
    folder_ = env_.root() + "folder/";
    ASSERT_EQ(0, mkdir(folder_.c_str(), 0700));
  }
  void TearDown() override { Configuration_Defaults(); }

  // Runs "harrowdesk-cli config ARGUMENTS" with standard error kept apart; returns the
  // exit code.
  int Config(const std::string &arguments)
  {
    int status = 0;
    const std::string errors = env_.root() + "errors.txt";
    output_ = Run_Command("'" + Binary_Dir() + "src/app/harrowdesk-cli' config " + arguments + " 2>'" + errors + "'",
                          &status);
    errors_ = Read_File(errors);
    return status;
  }

  Scoped_Temp_Env env_;
  std::string folder_, output_, errors_;
};

// A value every key accepts, other than its default, as `set` stores it.
struct Key_Value {
  const char *key, *value;
};

}  // namespace

TEST_F(Cli_Config, every_key_set_reads_back_through_get_and_through_the_program)
{
  const std::string folder = folder_;
  const Key_Value cases[] = {
      {"flag_sub_dir", "21"},       {"flag_standard_name", "1"}, {"flag_overwrite", "0"},
      {"flag_dicomdir", "1"},       {"delete_copy", "1"},        {"dir_copy", folder.c_str()},
      {"flag_audit", "0"},          {"file_audit", "audit.txt"}, {"dir_audit", folder.c_str()},
      {"flag_part_10", "1"},        {"flag_print", "5"},         {"flag_fail", "1"},
      {"dir_fail", folder.c_str()}, {"local_AET", "HARROW SCU"}, {"server_AET", "ORTHANC"},
      {"server_peer", "127.0.0.1"}, {"server_port", "11112"},    {"delete_push", "1"},
      {"timeout_connect", "0"},     {"timeout_acse", "3600"},    {"timeout_dimse", "7"},
  };
  ASSERT_EQ(configuration_key_count, sizeof cases / sizeof cases[0]);
  for (const Key_Value &test : cases) {
    SCOPED_TRACE(test.key);
    ASSERT_EQ(0, Config(std::string("set ") + test.key + " '" + test.value + "'")) << errors_;
    EXPECT_EQ("", output_ + errors_);
    EXPECT_EQ(0, Config(std::string("get ") + test.key));
    EXPECT_EQ(std::string(test.value) + "\n", output_);
  }
  // The program's own start-up reading sees every value.
  Configuration_Defaults();
  Configuration_Read();
  for (const Key_Value &test : cases)
    EXPECT_EQ(test.value, Configuration_Key_Text(*Configuration_Key_Find(test.key))) << test.key;
}

TEST_F(Cli_Config, words_and_relative_folders_are_saved_in_the_stored_form)
{
  const Key_Value cases[] = {
      {"flag_sub_dir", "Patient Name/Series Desc."},
      {"flag_print", "per media/yes"},
      {"flag_fail", "yes"},
      {"server_port", "0104"},
  };
  const char *const stored[] = {"23", "1", "1", "104"};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
    ASSERT_EQ(0, Config(std::string("set ") + cases[i].key + " '" + cases[i].value + "'")) << errors_;
    EXPECT_EQ(0, Config(std::string("get ") + cases[i].key));
    EXPECT_EQ(std::string(stored[i]) + "\n", output_) << cases[i].key;
  }
  int status = 0;
  Run_Command("cd '" + env_.root() + "' && '" + Binary_Dir() + "src/app/harrowdesk-cli' config set dir_fail folder",
              &status);
  EXPECT_EQ(0, status);
  EXPECT_EQ(0, Config("get dir_fail"));
  EXPECT_EQ(folder_ + "\n", output_);
}

TEST_F(Cli_Config, bad_values_are_refused_in_one_line_and_nothing_is_written)
{
  const struct {
    const char *key, *value, *accepted;
  } cases[] = {
      {"server_port", "0", "a port from 1 to 65535"},
      {"server_port", "65536", "a port from 1 to 65535"},
      {"server_port", "abc", "a port from 1 to 65535"},
      {"server_AET", "ABCDEFGHIJKLMNOPQ", "an AE title of 1 to 16 characters"},
      {"local_AET", "A\\\\B", "without backslash"},
      {"dir_fail", "/nonexistent/folder", "an existing folder"},
      {"flag_fail", "2", "0 or 1"},
      {"timeout_acse", "3601", "seconds from 0 (no limit) to 3600"},
      {"flag_sub_dir", "Study ID/Patient Name", "\"Series Desc.\""},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(std::string(test.key) + " " + test.value);
    EXPECT_EQ(2, Config(std::string("set ") + test.key + " '" + test.value + "'"));
    EXPECT_EQ("", output_);
    EXPECT_EQ(0, errors_.find(std::string("harrowdesk-cli config: ") + test.key + " '")) << errors_;
    EXPECT_NE(std::string::npos, errors_.find(test.accepted)) << errors_;
    EXPECT_EQ(errors_.size() - 1, errors_.find('\n')) << errors_;  // one line
  }
  struct stat info;
  EXPECT_NE(0, stat((env_.app_data() + "ArdentVale").c_str(), &info));  // no store made
}

TEST_F(Cli_Config, unknown_keys_and_wrong_operands_fail_without_writing)
{
  EXPECT_EQ(1, Config("get server_name"));
  EXPECT_NE(std::string::npos, errors_.find("unknown key 'server_name'; the keys are: flag_sub_dir, ")) << errors_;
  EXPECT_NE(std::string::npos, errors_.find("timeout_dimse")) << errors_;
  EXPECT_EQ(1, Config("set server_name pacs"));
  const char *const usage_errors[] = {"", "remove server_port", "get", "get server_port extra", "set server_port",
                                      "get server_port --json", "list extra"};
  for (const char *arguments : usage_errors) {
    EXPECT_EQ(2, Config(arguments)) << arguments;
    EXPECT_NE(std::string::npos, errors_.find("harrowdesk-cli config: ")) << arguments;
  }
  struct stat info;
  EXPECT_NE(0, stat((env_.app_data() + "ArdentVale").c_str(), &info));
}

TEST_F(Cli_Config, list_shows_every_key_and_its_json_parses_with_the_right_types)
{
  ASSERT_EQ(0, Config("set server_peer pacs.example.org"));
  ASSERT_EQ(0, Config("list"));
  for (size_t i = 0; i < configuration_key_count; i++)
    EXPECT_NE(std::string::npos, output_.find(std::string(configuration_keys[i].name) + "=")) << configuration_keys[i].name;
  EXPECT_NE(std::string::npos, output_.find("\nserver_peer=pacs.example.org\n")) << output_;

  ASSERT_EQ(0, Config("list --json"));
  const std::string json = env_.root() + "list.json";
  ASSERT_TRUE(Write_File(json, output_));
  int status = 0;
  // Prints the keys in order, then the types of three values.
  const std::string checked = Run_Command(
      "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(\",\".join(d)); "
      "print(type(d[\"flag_print\"]).__name__, type(d[\"timeout_dimse\"]).__name__, d[\"server_peer\"])' '" +
          json + "'",
      &status);
  ASSERT_EQ(0, status) << output_;
  std::string keys;
  for (size_t i = 0; i < configuration_key_count; i++) keys += std::string(i ? "," : "") + configuration_keys[i].name;
  EXPECT_EQ(keys + "\nint int pacs.example.org\n", checked);
}

// A hand-edited key file may hold anything; the listing keeps one key a line.
TEST_F(Cli_Config, a_text_edited_by_hand_is_shown_on_one_line)
{
  const std::string section = env_.app_data() + "ArdentVale/Harrowdesk/";
  ASSERT_EQ(0, Config("set server_port 11112"));
  ASSERT_TRUE(Write_File(section + "server_port", "11\n"));
  EXPECT_EQ(0, Config("get server_port"));
  EXPECT_EQ("11\\n\n", output_);
  // set writes the store's own form, which reads back as it was given.
  ASSERT_EQ(0, Config("set server_port 11"));
  EXPECT_EQ("11", Read_File(section + "server_port"));
  ASSERT_EQ(0, Config("set flag_sub_dir 11"));
  EXPECT_EQ(std::string("\x0B\0\0\0", 4), Read_File(section + "flag_sub_dir"));
  EXPECT_EQ(0, Config("get flag_sub_dir"));
  EXPECT_EQ("11\n", output_);
}
