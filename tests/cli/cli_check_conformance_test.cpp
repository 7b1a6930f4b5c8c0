// harrowdesk-cli check against dicom3tools' dciodvfy, the reference IOD checker: on
// pydicom's test files and on copies of them with one required attribute removed,
// both must name the same missing type 1 and type 2 attributes, except where the
// comparison script explains the difference (an edition of the standard, a module's
// condition that only dciodvfy judges).
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/test_support.h"

TEST(CheckConformance, missing_type_1_and_2_attributes_agree_with_dciodvfy_or_are_explained)
{
  std::string cli = Binary_Dir() + "src/app/harrowdesk-cli";
  if (access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-cli is not built";
  if (access("/usr/bin/dciodvfy", X_OK) != 0) GTEST_SKIP() << "dciodvfy (dicom3tools) is not installed";
  int status = -1;
  std::string out = Run_Command("/usr/bin/python3 " + Source_Dir() + "bench/check_compare.py --strict --removed 20 --cli " +
                                    cli + " 2>&1",
                                &status);
  size_t summary = out.rfind("files compared:");
  ASSERT_NE(summary, std::string::npos) << out;
  std::printf("[ measured ] %s", out.substr(summary).c_str());
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("unexplained disagreements: 0"), std::string::npos) << out;
}
