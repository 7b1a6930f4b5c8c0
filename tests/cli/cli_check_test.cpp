// harrowdesk-cli check run as a process on real files: one line per finding and a
// summary per file, the JSON form, and the exit codes.
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/test_support.h"

namespace {

const std::string test_files = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

class Cli_Check : public ::testing::Test {
protected:
  void SetUp() override
  {
    cli = Binary_Dir() + "src/app/harrowdesk-cli";
    if (access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-cli is not built";
  }
  // Runs the check with `arguments`; returns standard output, `status` the exit code.
  std::string Check(const std::string &arguments, int *status, const std::string &errors = "/dev/null")
  {
    return Run_Command(cli + " check " + arguments + " 2>" + errors, status);
  }
  Scoped_Temp_Env env;
  std::string cli;
};

TEST_F(Cli_Check, a_file_without_failures_exits_0_and_one_with_a_missing_attribute_1)
{
  int status = -1;
  std::string out = Check(test_files + "MR_small.dcm", &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("MR_small.dcm: MR_Image (1.2.840.10008.5.1.4.1.1.4)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("MR_small.dcm: conditional (0018,0082) Inversion Time, type 2C, module MR_Image\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("MR_small.dcm: 0 failed, "), std::string::npos) << out;

  out = Check(test_files + "MR_small.dcm " + test_files + "CT_small.dcm", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("CT_small.dcm: missing (0010,1002)[1] (0010,0021) Issuer of Patient ID, type 1, module Patient\n"),
            std::string::npos)
      << out;
}

TEST_F(Cli_Check, values_and_unknown_sop_classes_fail_with_their_reason)
{
  int status = -1;
  std::string out = Check(test_files + "dicomdirtests/DICOMDIR " + test_files + "badVR.dcm", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("DICOMDIR: unknown SOP class: no module template for SOP class 1.2.840.10008.1.3.10\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("badVR.dcm: value (0028,0008) Number of Frames: VR=IS 1 char in \"1A\" not from set "
                     "\"0123456789+- \\\"\n"),
            std::string::npos)
      << out;
}

TEST_F(Cli_Check, json_holds_every_file_with_its_findings)
{
  int status = -1;
  std::string json = env.temp() + "check.json";
  Check("--json " + test_files + "CT_small.dcm " + env.root() + "missing.dcm > " + json, &status);
  EXPECT_EQ(status, 1);
  std::string summary = Run_Command(
      "/usr/bin/python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
      "print(len(d), d[0]['modality'], d[0]['failures'], d[0]['findings'][0]['kind'], d[0]['findings'][0]['tag'], "
      "d[0]['findings'][0]['type'], d[1]['readable'])\" " +
      json);
  EXPECT_EQ(summary, "2 CT_Image 2 missing (0010,0021) 1 False\n");
}

TEST_F(Cli_Check, usage_errors_exit_2)
{
  int status = -1;
  Check("", &status);
  EXPECT_EQ(status, 2);
  Check("--colour " + test_files + "CT_small.dcm", &status);
  EXPECT_EQ(status, 2);
  std::string help = Check("--help", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(help.find("Exit status: 0"), std::string::npos);
}

}  // namespace
