// harrowdesk-cli scan end to end: the catalogue it prints for a copy of pydicom's test
// files is checked against what pydicom reads from them (scan_compare.py), and both
// reports are written; then its exit codes for an empty folder, a folder of text files
// and bad options, the report's default level, and the report folder's errors.
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
      {"scan '" + empty + "' --json", 1, "\"studies\": []"},  // text files read, but none gives a study
      {"scan '" + empty + "' --order=study --json", 1, "\"studies\": []"},
  };
  for (const Case &c : cases) {
    int status = -1;
    std::string output = Run_Command("'" + Cli() + "' " + c.arguments + " 2>/dev/null", &status);
    EXPECT_EQ(status, c.status) << c.arguments;
    EXPECT_NE(output.find(c.output), std::string::npos) << c.arguments << "\n" << output;
  }
}

TEST(Cli_Scan, TextFilesGiveNoStudyAndThatIsAFailure)
{
  Scoped_Temp_Env env;
  std::string folder = env.root() + "notes/";
  fs::create_directories(folder);
  for (const char *name : {"a.txt", "b.txt", "c.dcm"}) Write_File(folder + name, "no DICOM here\n");
  for (const char *order : {"file", "study", "name"}) {
    int status = -1;
    std::string errors =
        Run_Command("'" + Cli() + "' scan --order " + order + " '" + folder + "' 2>&1 >/dev/null", &status);
    EXPECT_EQ(status, 1) << order << "\n" << errors;
    EXPECT_NE(errors.find("harrowdesk-cli scan: no file in " + folder + " gave a study\n"), std::string::npos) << errors;
  }
}

// The report's Image rows, counted in the CSV that the scan wrote into `reports`.
int Image_Rows(const std::string &reports)
{
  int rows = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(reports)) {
    if (entry.path().extension() != ".csv") continue;
    std::string csv = Read_File(entry.path().string());
    for (size_t at = csv.find("\nImage\t"); at != std::string::npos; at = csv.find("\nImage\t", at + 1)) rows++;
  }
  return rows;
}

TEST(Cli_Scan, AReportWithoutALevelListsEveryImage)
{
  Scoped_Temp_Env env;
  std::string folder = env.root() + "images/";
  fs::create_directories(folder);
  for (const char *name : {"CT_small.dcm", "MR_small.dcm", "rtplan.dcm"})
    fs::copy_file(PYDICOM_FILES + "/" + name, folder + name);
  const struct {
    std::string options;
    int images;
  } cases[] = {
      {"", 3},              // every image
      {"--level 4", 3},
      {"--level=2", 0},     // opened to the series only
      {"--level 1", 0},
  };
  for (const auto &c : cases) {
    std::string reports = env.root() + "reports" + std::to_string(&c - cases) + "/";
    int status = -1;
    Run_Command("'" + Cli() + "' scan -q --order study " + c.options + " --report '" + reports + "' '" + folder +
                    "' >/dev/null 2>&1",
                &status);
    EXPECT_EQ(status, 0) << c.options;
    EXPECT_EQ(Image_Rows(reports), c.images) << c.options;
  }
}

TEST(Cli_Scan, AReportFolderThatCannotBeMadeIsNamedWithItsReason)
{
  Scoped_Temp_Env env;
  Write_File(env.root() + "plain", "a file, not a folder");
  int status = -1;
  std::string errors = Run_Command("'" + Cli() + "' scan '" + PYDICOM_FILES + "' --report '" + env.root() +
                                       "plain/reports' 2>&1 >/dev/null",
                                   &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(errors,
            "harrowdesk-cli scan: cannot use the report folder " + env.root() + "plain/reports: Not a directory\n");
  errors = Run_Command("'" + Cli() + "' scan '" + env.root() + "absent' 2>&1 >/dev/null", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(errors,
            "harrowdesk-cli scan: cannot use the source folder " + env.root() + "absent: No such file or directory\n");
}

}  // namespace
