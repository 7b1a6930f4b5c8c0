// Report template loading: the file format (columns, notes, trimming, form feed, bad
// bytes, line length), the defaults of a missing file, and the installed data files.
#include "app/report_template.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace {

std::vector<uint32_t> Columns(const Catalogue_Template &t)
{
  std::vector<uint32_t> out;
  for (int i = 0; i < t.count; i++) out.push_back((uint32_t)t.group[i] << 16 | t.element[i]);
  return out;
}

struct Template_Case {
  const char *name;
  std::string bytes;
  int result;
  std::vector<uint32_t> columns;
  const char *warning;  // a warning that must be logged, or nullptr for none at all
};

TEST(ReportTemplate, FileFormatCases)
{
  std::string line259 = "(0010,0010)" + std::string(248, ' ');
  std::string line260 = "(0010,0010)" + std::string(249, ' ');
  const Template_Case cases[] = {
      {"columns in file order", "(0010,0010)\n(0020,000d)\n(0000,0000)\n", 1, {0x00100010, 0x0020000D, 0}, nullptr},
      {"blanks and tabs around a column", "   \t(0010,0020) \t\r\n", 1, {0x00100020}, nullptr},
      {"a line without the parenthesis is a note", "0010,0010\nnote\n\n(0008,0060)", 1, {0x00080060}, nullptr},
      {"a form feed ends the file", "(0010,0010)\f(0010,0020)\n", 1, {0x00100010}, nullptr},
      {"carriage returns are dropped", "(00\r10,0010)\r\n", 1, {0x00100010}, nullptr},
      {"a bad byte stays with a warning", "(0010,0010)\x80\n", 1, {0x00100010}, "bad. charact. 0xffffff80 in file"},
      {"a control byte stays with a warning", "note\x01\n(0008,0020)", 1, {0x00080020}, "bad. charact. 0x1 in file"},
      {"a parenthesis without a tag is ignored", "(zz,0010)\n(0010,0010)\n", 1, {0x00100010}, "no tag in template line"},
      {"a line of 259 characters is accepted", line259 + "\n", 1, {0x00100010}, nullptr},
      {"a line of 260 characters fails", line260 + "\n(0008,0020)\n", 0, {}, "line too long in header"},
      {"an empty file has no columns", "", 1, {}, nullptr},
  };
  Scoped_Temp_Env env;
  for (const Template_Case &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Series.txt", c.bytes));
    Message_Capture capture;
    Catalogue_Template tmpl;
    EXPECT_EQ(Report_Template_Load(tmpl, REPORT_SERIES, env.root()), c.result);
    EXPECT_EQ(Columns(tmpl), c.columns);
    if (c.warning)
      EXPECT_EQ(capture.Count(MSG_WARNING, c.warning), 1);
    else
      EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  }
}

TEST(ReportTemplate, OverlongLineReportsCountAndLine)
{
  Scoped_Temp_Env env;
  std::string line(300, 'x');
  ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Image.txt", line));
  Message_Capture capture;
  Catalogue_Template tmpl;
  EXPECT_EQ(Report_Template_Load(tmpl, REPORT_IMAGE, env.root()), 0);
  EXPECT_EQ(capture.Texts(MSG_WARNING),
            (std::vector<std::string>{"\xF1\x04" "ERROR:\x02 line too long in header",
                                      "[max= 260 char] -> \"" + std::string(260, 'x') + "\""}));
}

TEST(ReportTemplate, MoreThanOneHundredColumnsKeepTheFirstHundred)
{
  Scoped_Temp_Env env;
  std::string bytes;
  for (int i = 1; i <= 102; i++) {
    char line[32];
    std::snprintf(line, sizeof line, "(0009,%04X)\n", i);
    bytes += line;
  }
  ASSERT_TRUE(Write_File(env.root() + "CSV_Template_Study.txt", bytes));
  Message_Capture capture;
  Catalogue_Template tmpl;
  EXPECT_EQ(Report_Template_Load(tmpl, REPORT_STUDY, env.root()), 1);
  EXPECT_EQ(tmpl.count, 100);
  EXPECT_EQ(tmpl.element[99], 100);
  EXPECT_EQ(capture.Count(MSG_WARNING, "more than 100 columns"), 2);
}

TEST(ReportTemplate, MissingFilesGiveTheDefaultColumns)
{
  Scoped_Temp_Env env;
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(env.root()), 1);
  EXPECT_EQ(Columns(template_study),
            (std::vector<uint32_t>{0x00200010, 0x00080020, 0x00100010, 0x00100020, 0x00080060, 0, 0, 0}));
  EXPECT_EQ(Columns(template_series),
            (std::vector<uint32_t>{0, 0, 0, 0, 0, 0x00200011, 0x0008103E, 0, 0}));
  EXPECT_EQ(Columns(template_image),
            (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0x00200013, 0, 0}));
  EXPECT_EQ(capture.Texts(MSG_REPORT),
            (std::vector<std::string>{"no CSV study template found", "no CSV series template found",
                                      "no CSV image template found"}));
}

TEST(ReportTemplate, InstalledFilesHoldTheDefaultColumns)
{
  Catalogue_Template defaults[REPORT_LEVELS];
  {
    Scoped_Temp_Env env;
    Message_Capture capture;
    for (int level = 0; level < REPORT_LEVELS; level++)
      ASSERT_EQ(Report_Template_Load(defaults[level], level, env.root()), 1);
  }
  Message_Capture capture;
  ASSERT_EQ(Report_Templates_Load(Source_Dir() + "data/"), 1);
  for (int level = 0; level < REPORT_LEVELS; level++)
    EXPECT_EQ(Columns(Report_Template_Of(level)), Columns(defaults[level])) << Report_Template_File(level);
  EXPECT_TRUE(capture.Texts(MSG_WARNING).empty());
  EXPECT_TRUE(capture.Texts(MSG_REPORT).empty());
}

TEST(ReportTemplate, ReadErrorStopsLoading)
{
  Scoped_Temp_Env env;
  ASSERT_EQ(mkdir((env.root() + "CSV_Template_Study.txt").c_str(), 0700), 0);  // opens, cannot be read
  Message_Capture capture;
  EXPECT_EQ(Report_Templates_Load(env.root()), 0);
  EXPECT_EQ(capture.Count(MSG_WARNING, "ERROR:\x02 reading file " + env.root() + "CSV_Template_Study.txt"), 1);
  EXPECT_EQ(capture.Count(MSG_WARNING, "[EISDIR]"), 1);
  EXPECT_EQ(capture.Count(MSG_TRACE, "file:app/report_template.cpp line:"), 1);
}

}  // namespace
