// Names in other character sets end to end: a copy of pydicom's charset_files is scanned
// into the JSON catalogue and both reports and copied into folders named by patient;
// charset_compare.py checks every name against pydicom's decoding of the same file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string CHARSET_FILES = "/usr/lib/python3/dist-packages/pydicom/data/charset_files";

std::string Cli() { return Binary_Dir() + "src/app/harrowdesk-cli"; }

TEST(Charset_Outputs, NamesReadAsPydicomReadsThemInTheJsonTheReportsAndTheCopyFolders)
{
  Scoped_Temp_Env env;
  std::string collection = env.root() + "names";
  fs::copy(CHARSET_FILES, collection);
  std::string reports = env.root() + "reports/";
  std::string copies = env.root() + "copies";
  fs::create_directories(copies);
  std::string listing = env.root() + "catalogue.json", errors = env.root() + "stderr.txt";
  int status = -1;
  Run_Command("'" + Cli() + "' scan '" + collection + "' --order name --level 4 --json --report '" + reports +
                  "' > '" + listing + "' 2> '" + errors + "'",
              &status);
  ASSERT_EQ(status, 0) << Read_File(errors);
  Run_Command("'" + Cli() + "' copy '" + collection + "' --to '" + copies +
                  "' --part10 --study-dir patient-name --series-dir none 2> '" + errors + "'",
              &status);
  ASSERT_EQ(status, 0) << Read_File(errors);

  std::string differences =
      Run_Command("/usr/bin/python3 '" + Source_Dir() + "tests/e2e/charset_compare.py' '" + collection + "' '" +
                      listing + "' '" + reports + "Dir_Name_names.rtf' '" + reports + "Dir_Name_names.csv' '" +
                      copies + "'",
                  &status);
  EXPECT_EQ(status, 0) << differences;
}

}  // namespace
