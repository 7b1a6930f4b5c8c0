// harrowdesk-cli dump run as a process: the listing of a real file (markup dropped when
// the output is no terminal), texts of other character sets shown stored and decoded,
// the exit codes for read, unreadable and usage errors.
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/test_support.h"

namespace {

const std::string ct_small = "/usr/lib/python3/dist-packages/pydicom/data/test_files/CT_small.dcm";

class Cli_Dump : public ::testing::Test {
protected:
  void SetUp() override
  {
    cli = Binary_Dir() + "src/app/harrowdesk-cli";
    if (access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-cli is not built";
  }
  // Runs the dump with `arguments`; returns standard output, `status` the exit code.
  std::string Dump(const std::string &arguments, int *status, const std::string &errors = "/dev/null")
  {
    return Run_Command(cli + " dump " + arguments + " 2>" + errors, status);
  }
  Scoped_Temp_Env env;
  std::string cli;
};

TEST_F(Cli_Dump, lists_a_file_without_markup)
{
  int status = -1;
  std::string out = Dump(ct_small, &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("(grp, elem) Origin            description"), std::string::npos);
  EXPECT_NE(out.find("(0010,0010) (DICOM)    Patient's Name                           (PN,--,22  ) "
                     "CompressedSamples^CT1"),
            std::string::npos);
  EXPECT_NE(out.find("    (0010,0020) (DICOM)    Patient ID"), std::string::npos) << "items indented";
  for (unsigned char c : out) ASSERT_TRUE((c >= ' ' && c <= '~') || c == '\n' || c == '\t') << (int)c;
}

TEST_F(Cli_Dump, a_text_in_another_character_set_shows_its_stored_bytes_and_its_decoded_text)
{
  const std::string charset_files = "/usr/lib/python3/dist-packages/pydicom/data/charset_files/";
  int status = -1;
  std::string german = Dump(charset_files + "chrGerm.dcm", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(german.find("(PN,--,14  ) \xC4neas^R\xFC" "diger  = \"\xC3\x84neas^R\xC3\xBC" "diger\""), std::string::npos)
      << german;
  // The item's own character set (JIS) decodes the name inside the sequence.
  std::string nested = Dump(charset_files + "chrSQEncoding1.dcm", &status);
  EXPECT_NE(nested.find("= \"\xEF\xBE\x94\xEF\xBE\x8F"), std::string::npos) << nested;
}

TEST_F(Cli_Dump, exit_codes)
{
  const struct {
    std::string arguments;
    int status;
    std::string in_output;
  } cases[] = {
      {"--help", 0, "usage: harrowdesk-cli dump FILE..."},
      {"", 2, ""},
      {"--colour " + ct_small, 2, ""},
      {env.temp() + "missing.dcm", 1, ""},
      {env.temp() + "missing.dcm " + ct_small, 1, "==> " + ct_small + " <=="},
      {"-- " + ct_small + " " + ct_small, 0, "==> " + ct_small + " <=="},
  };
  for (const auto &c : cases) {
    int status = -1;
    std::string out = Dump(c.arguments, &status);
    EXPECT_EQ(status, c.status) << c.arguments;
    EXPECT_NE(out.find(c.in_output), std::string::npos) << c.arguments;
  }
}

TEST_F(Cli_Dump, an_unreadable_file_is_named_on_standard_error)
{
  int status = -1;
  std::string errors = env.temp() + "errors.txt";
  Dump(env.temp() + "missing.dcm", &status, errors);
  std::string text = Read_File(errors);
  EXPECT_NE(text.find("Unable to open file"), std::string::npos) << text;
  EXPECT_NE(text.find("missing.dcm: no DICOM data elements could be read"), std::string::npos) << text;
}

}  // namespace
