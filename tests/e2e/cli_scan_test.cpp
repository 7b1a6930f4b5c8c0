// harrowdesk-cli scan end to end: the catalogue it prints for a copy of pydicom's test
// files is checked against what pydicom reads from them (scan_compare.py), and both
// reports are written; then its exit codes for an empty folder and bad options.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string PYDICOM_FILES = "/usr/lib/python3/dist-packages/pydicom/data/test_files";

std::string Cli() { return Binary_Dir() + "src/app/harrowdesk-cli"; }

// Files pydicom reads that this reader does not (none at present; a name added here is
// checked to be left unplaced).
const std::vector<std::string> UNREADABLE = {};

TEST(Cli_Scan, TheCatalogueOfPydicomsTestFilesIsWhatPydicomReads)
{
  Scoped_Temp_Env env;
  std::string collection = env.root() + "test files";
  fs::copy(PYDICOM_FILES, collection, fs::copy_options::recursive);
  // The same image again under names that are not UTF-8: a second entry of its series.
  fs::create_directories(collection + "/caf\xe9 folder");
  fs::copy_file(PYDICOM_FILES + "/CT_small.dcm", collection + "/caf\xe9 folder/\xff\xfe.dcm");
  std::string reports = env.root() + "reports/made by the scan/";  // not there yet
  std::string listing = env.root() + "catalogue.json";
  int status = -1;
  Run_Command("'" + Cli() + "' scan '" + collection + "' --part10 --order study --level 4 --json --report '" +
                  reports + "' > '" + listing + "' 2> '" + env.root() + "stderr.txt'",
              &status);
  ASSERT_EQ(status, 0) << Read_File(env.root() + "stderr.txt");

  std::string command = "/usr/bin/python3 '" + Source_Dir() + "tests/e2e/scan_compare.py' '" + collection + "' '" +
                        listing + "' --unreadable";
  for (const std::string &name : UNREADABLE) command += " " + name;
  std::string differences = Run_Command(command, &status);
  EXPECT_EQ(status, 0) << differences;

  EXPECT_TRUE(fs::file_size(reports + "Dir_Study_test files.rtf") > 100);
  EXPECT_TRUE(fs::file_size(reports + "Dir_Study_test files.csv") > 100);
}

TEST(Cli_Scan, ExitCodesForNothingFoundAndForUsageErrors)
{
  Scoped_Temp_Env env;
  std::string empty = env.root() + "empty";
  fs::create_directories(empty);
  Write_File(empty + "/notes.txt", "no DICOM here");
  struct Case {
    std::string arguments;
    int status;
    const char *output;  // expected in standard output
  } cases[] = {
      {"scan '" + empty + "' --part10 --report '" + env.root() + "'", 1, ""},
      {"scan '" + empty + "' --part10 --json", 1, "\"studies\": []"},
      {"scan", 2, ""},
      {"scan '" + empty + "' --order size", 2, ""},
      {"scan '" + empty + "' --level 5", 2, ""},
      {"scan '" + empty + "' --report", 2, ""},
      {"scan '" + empty + "' other", 2, ""},
      {"scan --help", 0, "usage: harrowdesk-cli scan FOLDER"},
  };
  for (const Case &c : cases) {
    int status = -1;
    std::string output = Run_Command("'" + Cli() + "' " + c.arguments + " 2>/dev/null", &status);
    EXPECT_EQ(status, c.status) << c.arguments;
    EXPECT_NE(output.find(c.output), std::string::npos) << c.arguments << "\n" << output;
  }
}

}  // namespace
