// The push result list: the meanings of the C-STORE statuses, rows written in both
// formats and read back (paths with commas, quotes, line breaks and bytes that are not
// UTF-8), a list cut after any row still readable, and lists that are refused with the
// reason. The list belongs to the harrowdesk-cli program, not to a library, so its
// sources are compiled into this test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_json.cpp"
#include "cli/cli_push_rows.cpp"
#include "support/test_support.h"

namespace {

TEST(Push_Status_Meaning, each_status_class_has_its_meaning)
{
  const struct {
    int status;
    const char *meaning;
  } cases[] = {
      {0x0000, "Success"},
      {0xB000, "Warning: coercion of data elements"},
      {0xB006, "Warning: elements discarded"},
      {0xB007, "Warning: data set does not match SOP class"},
      {0xB123, "Warning"},
      {0xA700, "Refused: out of resources"},
      {0xA7FF, "Refused: out of resources"},
      {0xA900, "Error: data set does not match SOP class"},
      {0xA9A5, "Error: data set does not match SOP class"},
      {0xC000, "Error: cannot understand"},
      {0xCFFF, "Error: cannot understand"},
      {0x0122, "Refused: SOP class not supported"},
      {0x0124, "Refused: not authorized"},
      {0x0211, "Failure: unrecognized operation"},
      {0x0212, "Failure: mistyped argument"},
      {0xA801, "Failure"},
      {0x0001, "unknown status"},
      {-1, "no response"},
  };
  for (const auto &test : cases) EXPECT_STREQ(test.meaning, Push_Status_Meaning(test.status)) << std::hex << test.status;
}

// Rows whose paths a naive writer would break.
std::vector<Push_Row> Awkward_Rows()
{
  std::vector<Push_Row> rows(4);
  rows[0] = {"/in/plain.dcm", "1.2.3", 0x0000, "Success", true};
  rows[1] = {"/in/comma, \"quoted\".dcm", "1.2.4", 0xA700, "Refused: out of resources", false};
  rows[2] = {"/in/two\nlines\\back.dcm", "", -1, "no response", false};
  rows[3] = {"/in/latin1-\xE9.dcm", "1.2.6", 0xB000, "Warning: coercion of data elements", true};
  return rows;
}

class Push_Rows : public ::testing::Test {
protected:
  // Writes the first `count` rows of Awkward_Rows into a list `name`; returns its path.
  std::string Written(const std::string &name, size_t count)
  {
    const std::string path = env_.root() + name;
    Push_Rows_File list;
    std::string why;
    EXPECT_EQ(1, Push_Rows_Open(&list, path, &why)) << why;
    const std::vector<Push_Row> rows = Awkward_Rows();
    for (size_t i = 0; i < count; i++) EXPECT_EQ(1, Push_Rows_Write(&list, rows[i]));
    EXPECT_EQ(1, Push_Rows_Close(&list));
    return path;
  }

  Scoped_Temp_Env env_;
};

TEST_F(Push_Rows, rows_not_stored_come_back_with_their_paths_intact_in_both_formats)
{
  for (const char *name : {"list.csv", "list.json", "LIST.JSON"}) {
    SCOPED_TRACE(name);
    std::vector<std::string> paths;
    std::string why;
    ASSERT_EQ(1, Push_Rows_Not_Stored(Written(name, 4), &paths, &why)) << why;
    EXPECT_EQ((std::vector<std::string>{"/in/comma, \"quoted\".dcm", "/in/two\nlines\\back.dcm"}), paths);
  }
}

TEST_F(Push_Rows, a_list_read_after_any_row_is_whole_and_valid)
{
  for (const char *extension : {".csv", ".json"})
    for (size_t count = 0; count <= 4; count++) {
      SCOPED_TRACE(std::string(extension) + " after " + std::to_string(count) + " rows");
      std::vector<std::string> paths;
      std::string why;
      ASSERT_EQ(1, Push_Rows_Not_Stored(Written("cut" + std::to_string(count) + extension, count), &paths, &why)) << why;
      EXPECT_EQ(count >= 3 ? 2u : count >= 2 ? 1u : 0u, paths.size());
    }
}

TEST_F(Push_Rows, the_csv_row_holds_the_status_in_hex_and_stored_as_yes_or_no)
{
  const std::string text = Read_File(Written("rows.csv", 2));
  EXPECT_EQ("path,sop_instance_uid,status,meaning,stored\n"
            "/in/plain.dcm,1.2.3,0x0000,Success,yes\n"
            "\"/in/comma, \"\"quoted\"\".dcm\",1.2.4,0xA700,Refused: out of resources,no\n",
            text);
}

TEST_F(Push_Rows, lists_that_are_not_result_lists_are_refused_with_the_reason)
{
  const struct {
    const char *name;
    const char *text;
    const char *why;
  } cases[] = {
      {"header.csv", "path,stored\n/a,no\n", "the first line is not"},
      {"fields.csv", "path,sop_instance_uid,status,meaning,stored\n/a,1,,x\n", "record 2 is not 5 fields"},
      {"stored.csv", "path,sop_instance_uid,status,meaning,stored\n/a,1,,x,maybe\n", "record 2 is not 5 fields"},
      {"quote.csv", "path,sop_instance_uid,status,meaning,stored\n\"/a,1,,x,no\n", "never closed"},
      {"object.json", "{\"path\": \"/a\", \"stored\": false}", "does not start with ["},
      {"unclosed.json", "[{\"path\": \"/a\", \"stored\": false}", "not closed"},
      {"no-stored.json", "[{\"path\": \"/a\"}]", "without its path or stored"},
      {"trailing.json", "[]\n[]", "text after the list"},
      {"list.txt", "", "must end in .csv or .json"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = env_.root() + test.name;
    ASSERT_TRUE(Write_File(path, test.text));
    std::vector<std::string> paths;
    std::string why;
    EXPECT_EQ(0, Push_Rows_Not_Stored(path, &paths, &why));
    EXPECT_NE(std::string::npos, why.find(test.why)) << why;
  }
  std::vector<std::string> paths;
  std::string why;
  EXPECT_EQ(0, Push_Rows_Not_Stored(env_.root() + "absent.csv", &paths, &why));
  EXPECT_EQ("No such file or directory", why);
}

TEST_F(Push_Rows, a_list_that_cannot_be_made_says_why)
{
  Push_Rows_File list;
  std::string why;
  EXPECT_EQ(0, Push_Rows_Open(&list, env_.root() + "missing/list.csv", &why));
  EXPECT_EQ("No such file or directory", why);
  EXPECT_EQ(0, Push_Rows_Open(&list, env_.root() + "list.xml", &why));
  EXPECT_EQ("the result file must end in .csv or .json", why);
  EXPECT_EQ(nullptr, list.file);
}

}  // namespace
