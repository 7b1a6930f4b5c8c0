// The scan's header pass reads each file only up to the last tag it files; these tests
// hold it to the whole-file reading it replaces. harrowdesk-cli scan runs twice over the
// same collection, once as it is and once with HARROWDESK_SCAN_FULL=1 (every element of
// every file), and the JSON catalogue, every report written and every message must be
// byte-identical: on a generated benchmark collection (four transfer syntaxes, nested
// sequences, private blocks, non-DICOM files) and on pydicom's test files, which other
// software wrote (odd encodings, truncated and damaged files among them).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

std::string Cli() { return Binary_Dir() + "src/app/harrowdesk-cli"; }

// What one scan shows: its exit status, catalogue, messages and reports (by name).
struct Scan_Output {
  int status = -1;
  std::string json, messages;  // messages: the lines in sorted order
  std::map<std::string, std::string> reports;
};

// Scans `collection` with `options`, whole files when `full`; `scratch` is an empty
// folder of this run for the reports and the messages.
Scan_Output Scan(const std::string &collection, const std::string &scratch, const std::string &options, bool full)
{
  Scan_Output out;
  fs::create_directories(scratch + "reports");
  out.json = Run_Command(std::string(full ? "HARROWDESK_SCAN_FULL=1 " : "") + "'" + Cli() + "' scan '" + collection +
                             "' " + options + " --json --report '" + scratch + "reports' 2> '" + scratch +
                             "messages.txt'",
                         &out.status);
  // The messages name the report folder: the same one under another name in each run.
  // The reader's own messages come from the helper threads that read ahead, so where
  // they fall among the filing thread's depends on timing: the lines are compared in
  // sorted order.
  std::string messages = Read_File(scratch + "messages.txt");
  for (size_t at; (at = messages.find(scratch)) != std::string::npos;) messages.replace(at, scratch.size(), "SCRATCH/");
  std::multiset<std::string> lines;
  for (size_t start = 0, end; start < messages.size(); start = end + 1) {
    end = messages.find('\n', start);
    if (end == std::string::npos) end = messages.size();
    lines.insert(messages.substr(start, end - start));
  }
  for (const std::string &line : lines) out.messages += line + "\n";
  for (const fs::directory_entry &report : fs::directory_iterator(scratch + "reports"))
    out.reports[report.path().filename().string()] = Read_File(report.path().string());
  return out;
}

// Scans `collection` both ways and compares everything they show.
void Expect_Same_Scans(const std::string &collection, const std::string &scratch, const std::string &options)
{
  Scan_Output fast = Scan(collection, scratch + "fast/", options, false);
  Scan_Output full = Scan(collection, scratch + "full/", options, true);
  ASSERT_EQ(full.status, 0) << options << "\n" << full.messages;
  EXPECT_EQ(fast.status, full.status) << options;
  EXPECT_GT(full.json.size(), 1000u) << options;
  EXPECT_TRUE(fast.json == full.json) << options << ": the JSON catalogues differ";
  EXPECT_EQ(fast.messages, full.messages) << options;
  EXPECT_EQ(full.reports.size(), 2u) << options << ": the RTF and CSV reports";
  ASSERT_EQ(fast.reports.size(), full.reports.size()) << options;
  for (const auto &[name, text] : full.reports) {
    EXPECT_GT(text.size(), 100u) << name;
    EXPECT_TRUE(fast.reports[name] == text) << options << ": the report " << name << " differs";
  }
}

TEST(Scan_Identity, a_generated_collection_scans_the_same_read_up_to_the_last_tag_as_read_whole)
{
  Scoped_Temp_Env env;
  std::string collection = env.root() + "corpus";
  int status = -1;
  std::string output = Run_Command("/usr/bin/python3 '" + Source_Dir() + "bench/make_corpus.py' '" + collection +
                                       "' --files 2000 --rows 16 --columns 16 2>&1",
                                   &status);
  ASSERT_EQ(status, 0) << output;
  Expect_Same_Scans(collection, env.root() + "study/", "--order study --level 4");
  Expect_Same_Scans(collection, env.root() + "part10/", "--part10 --order name --level 3");
}

// Report columns name the tags that filing reads: columns of every kind (a private tag,
// a sequence, a tag inside one, one behind the pixel data) must read as a whole file reads them.
TEST(Scan_Identity, report_columns_of_every_kind_scan_the_same_read_for_their_tags_as_read_whole)
{
  Scoped_Temp_Env env;
  std::string home = env.root() + "installation/", collection = env.root() + "test files";
  fs::copy(Source_Dir() + "data", home, fs::copy_options::recursive);
  const char *columns[] = {"(0008,1030)\n(0009,1010)\n(0028,0010)\n", "(0008,1140)\n(0018,0050)\n(0008,1150)\n",
                           "(0020,0032)\n(7FE0,0010)\n(FFFE,E000)\n"};
  const char *files[] = {"CSV_Template_Study.txt", "CSV_Template_Series.txt", "CSV_Template_Image.txt"};
  for (int level = 0; level < 3; level++) ASSERT_TRUE(Write_File(home + files[level], columns[level]));
  fs::copy(PYDICOM_FILES, collection, fs::copy_options::recursive);
  setenv("HARROWDESK_HOME", home.c_str(), 1);
  Expect_Same_Scans(collection, env.root() + "columns/", "--order study --level 4");
  unsetenv("HARROWDESK_HOME");
}

TEST(Scan_Identity, pydicoms_test_files_scan_the_same_read_up_to_the_last_tag_as_read_whole)
{
  Scoped_Temp_Env env;
  std::string collection = env.root() + "test files";
  fs::copy(PYDICOM_FILES, collection, fs::copy_options::recursive);
  Expect_Same_Scans(collection, env.root() + "any/", "--order study --level 4");
  Expect_Same_Scans(collection, env.root() + "part10/", "--part10 --order date --level 4");
}

}  // namespace
