// The key table: every key of the store is in it once and binds a setting; each kind's
// check takes its values in their stored form and refuses the rest with what it takes;
// a value assigned and written alone reads back unchanged.
#include "app/configuration_keys.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/configuration.h"
#include "support/test_support.h"

namespace {

// Checks `value` for the key `name`; returns the stored form, or "REFUSED: why".
std::string Checked(const char *name, const char *value)
{
  const Configuration_Key *key = Configuration_Key_Find(name);
  if (!key) return "NO KEY";
  std::string normal = "untouched", why;
  if (Configuration_Key_Check(*key, value, &normal, &why)) return normal;
  EXPECT_EQ("untouched", normal) << name << " " << value;
  return "REFUSED: " + why;
}

bool Refused(const std::string &checked) { return checked.rfind("REFUSED: ", 0) == 0; }

}  // namespace

// ---- the table ----------------------------------------------------------------------

TEST(Configuration_Keys, every_key_is_listed_once_with_exactly_one_binding)
{
  std::set<std::string> names;
  for (size_t i = 0; i < configuration_key_count; i++) {
    const Configuration_Key &key = configuration_keys[i];
    EXPECT_TRUE(names.insert(key.name).second) << key.name;
    EXPECT_EQ(1, (key.byte != nullptr) + (key.flag != nullptr) + (key.number != nullptr) + (key.text != nullptr))
        << key.name;
    EXPECT_EQ(key.text != nullptr, key.missing != nullptr) << key.name;
    EXPECT_EQ(&key, Configuration_Key_Find(key.name));
  }
  EXPECT_EQ(21u, names.size());
  EXPECT_EQ(nullptr, Configuration_Key_Find("server_Port"));
  EXPECT_EQ(nullptr, Configuration_Key_Find(""));
  EXPECT_EQ(nullptr, Configuration_Key_Find(nullptr));
}

// ---- checks by kind -------------------------------------------------------------------

TEST(Configuration_Keys, numbers_and_choice_words_are_taken_in_their_stored_form)
{
  const struct {
    const char *key, *value, *stored;  // stored null: refused
  } cases[] = {
      {"flag_fail", "0", "0"},
      {"flag_fail", "1", "1"},
      {"flag_fail", "yes", "1"},
      {"flag_fail", "NO", "0"},
      {"flag_fail", "2", nullptr},
      {"flag_fail", "01", nullptr},
      {"flag_fail", "", nullptr},
      {"flag_audit", "1", "1"},
      {"flag_sub_dir", "0", "0"},
      {"flag_sub_dir", "23", "23"},
      {"flag_sub_dir", "13", "13"},
      {"flag_sub_dir", "Patient Name/Series Desc.", "23"},
      {"flag_sub_dir", "study id/no subdir", "1"},
      {"flag_sub_dir", "4", nullptr},    // no fifth study choice
      {"flag_sub_dir", "30", nullptr},   // no fourth series choice
      {"flag_sub_dir", "-1", nullptr},
      {"flag_sub_dir", "Patient Name", nullptr},
      {"flag_sub_dir", "Series Desc./Patient Name", nullptr},
      {"flag_print", "6", "6"},
      {"flag_print", "5", "5"},
      {"flag_print", "1", "1"},
      {"flag_print", "2", "2"},
      {"flag_print", "per db/no", "6"},
      {"flag_print", "per media/no", "5"},
      {"flag_print", "per media/yes", "1"},
      {"flag_print", "0", nullptr},
      {"flag_print", "3", nullptr},      // both layouts at once
      {"flag_print", "4", nullptr},      // no layout
      {"flag_print", "7", nullptr},
      {"flag_print", "per db", nullptr},
      {"timeout_acse", "0", "0"},
      {"timeout_acse", "3600", "3600"},
      {"timeout_acse", "3601", nullptr},
      {"timeout_acse", "-5", nullptr},
      {"timeout_acse", "1.5", nullptr},
      {"server_port", "1", "1"},
      {"server_port", "65535", "65535"},
      {"server_port", "011112", "11112"},
      {"server_port", "0", nullptr},
      {"server_port", "000", nullptr},
      {"server_port", "65536", nullptr},
      {"server_port", "abc", nullptr},
      {"server_port", "104 ", nullptr},
      {"server_port", "", nullptr},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(std::string(test.key) + " '" + test.value + "'");
    const std::string checked = Checked(test.key, test.value);
    if (test.stored) EXPECT_EQ(test.stored, checked);
    else EXPECT_TRUE(Refused(checked)) << checked;
  }
}

TEST(Configuration_Keys, titles_hosts_and_file_names_keep_their_text_or_are_refused)
{
  const struct {
    const char *key, *value;
    bool taken;
  } cases[] = {
      {"server_AET", "ORTHANC", true},
      {"server_AET", "ABCDEFGHIJKLMNOP", true},   // 16 characters
      {"server_AET", "ABCDEFGHIJKLMNOPQ", false}, // 17
      {"server_AET", "A\\B", false},
      {"server_AET", "A\tB", false},
      {"server_AET", "", false},
      {"server_AET", "   ", false},
      {"local_AET", "MY SCU", true},
      {"server_peer", "none", true},
      {"server_peer", "127.0.0.1", true},
      {"server_peer", "pacs-1.example.org", true},
      {"server_peer", "::1", true},
      {"server_peer", "pacs host", false},
      {"server_peer", "\"pacs\"", false},
      {"server_peer", "", false},
      {"file_audit", "audit.log", true},
      {"file_audit", "sub/audit.log", false},
      {"file_audit", "..", false},
      {"file_audit", "a\nb", false},
      {"file_audit", "", false},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(std::string(test.key) + " '" + test.value + "'");
    const std::string checked = Checked(test.key, test.value);
    if (test.taken) EXPECT_EQ(test.value, checked);
    else EXPECT_TRUE(Refused(checked)) << checked;
  }
}

TEST(Configuration_Keys, folders_must_exist_and_are_stored_absolute_with_a_slash)
{
  Scoped_Temp_Env env;
  const std::string inside = env.root() + "inside";
  ASSERT_EQ(0, mkdir(inside.c_str(), 0700));
  EXPECT_EQ(inside + "/", Checked("dir_fail", inside.c_str()));
  EXPECT_EQ(inside + "/", Checked("dir_fail", (inside + "/").c_str()));
  EXPECT_EQ(inside + "/", Checked("dir_fail", (inside + "/./sub/../").c_str()));
  EXPECT_EQ(env.root(), Checked("dir_copy", (inside + "/..").c_str()));
  EXPECT_TRUE(Refused(Checked("dir_fail", (inside + "/missing").c_str())));
  EXPECT_TRUE(Refused(Checked("dir_fail", (env.root() + "file").c_str())));
  // Only the copy and audit folders may be "none".
  EXPECT_EQ("", Checked("dir_copy", ""));
  EXPECT_EQ("", Checked("dir_audit", ""));
  EXPECT_TRUE(Refused(Checked("dir_fail", "")));
  // An existing folder whose path is longer than a text setting holds.
  std::string too_long = inside;
  for (char letter : {'x', 'y'}) {
    too_long += "/" + std::string(150, letter);
    ASSERT_EQ(0, mkdir(too_long.c_str(), 0700));
  }
  EXPECT_TRUE(Refused(Checked("dir_fail", too_long.c_str())));
}

TEST(Configuration_Keys, a_refusal_says_what_the_key_takes)
{
  EXPECT_EQ("REFUSED: a port from 1 to 65535", Checked("server_port", "0"));
  EXPECT_EQ("REFUSED: seconds from 0 (no limit) to 3600", Checked("timeout_dimse", "9999"));
  EXPECT_EQ("REFUSED: 0 or 1 (\"no\" or \"yes\")", Checked("delete_push", "2"));
  EXPECT_NE(std::string::npos, Checked("flag_sub_dir", "99").find("\"Patient Name\""));
  EXPECT_NE(std::string::npos, Checked("server_AET", "").find("1 to 16 characters"));
  EXPECT_NE(std::string::npos, Checked("dir_fail", "/nonexistent/x").find("an existing folder"));
}

// ---- assignment and the store -----------------------------------------------------------

TEST(Configuration_Keys, a_refused_value_leaves_the_setting_as_it_was)
{
  Configuration_Defaults();
  std::string why;
  EXPECT_EQ(0, Configuration_Key_Assign(*Configuration_Key_Find("server_port"), "70000", &why));
  EXPECT_EQ("104", server_port);
  EXPECT_EQ(0, Configuration_Key_Assign(*Configuration_Key_Find("flag_print"), "3", &why));
  EXPECT_EQ(6, flag_print);
  EXPECT_EQ(1, Configuration_Key_Assign(*Configuration_Key_Find("flag_audit"), "no", &why));
  EXPECT_FALSE(log_state.flag_audit);
  Configuration_Defaults();
}

TEST(Configuration_Keys, one_key_written_alone_reads_back_and_leaves_the_others_unwritten)
{
  Scoped_Temp_Env env;
  Message_Capture capture(0);
  Configuration_Defaults();
  const struct {
    const char *key, *value;
  } cases[] = {
      {"flag_sub_dir", "21"}, {"flag_audit", "0"},          {"flag_print", "5"},
      {"timeout_dimse", "0"}, {"server_AET", "ORTHANC"},   {"server_port", "11112"},
      {"dir_copy", ""},       {"file_audit", "audit.txt"},
  };
  for (const auto &test : cases) {
    const Configuration_Key &key = *Configuration_Key_Find(test.key);
    std::string why;
    ASSERT_EQ(1, Configuration_Key_Assign(key, test.value, &why)) << test.key << why;
    ASSERT_EQ(1, Configuration_Write_Key(key)) << test.key;
  }
  Configuration_Defaults();
  Configuration_Read();
  for (const auto &test : cases)
    EXPECT_EQ(test.value, Configuration_Key_Text(*Configuration_Key_Find(test.key))) << test.key;
  const std::string section = env.app_data() + "ArdentVale/Harrowdesk/";
  EXPECT_EQ(4u, Read_File(section + "flag_sub_dir").size());  // the store's integer form
  EXPECT_EQ("11112", Read_File(section + "server_port"));
  EXPECT_EQ("", Read_File(section + "server_peer"));           // never written
  struct stat info;
  EXPECT_NE(0, stat((section + "server_peer").c_str(), &info));
  Configuration_Defaults();
}
