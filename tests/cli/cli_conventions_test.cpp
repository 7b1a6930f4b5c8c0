// The conventions every harrowdesk-cli command keeps, run as a process over a table of
// all commands: --help with its exit status, "--opt=value" beside "--opt value", "--"
// before an operand that starts with "-", one-line usage errors, -q and -v, and the
// program's --version.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

const std::string test_files = "/usr/lib/python3/dist-packages/pydicom/data/test_files/";

class Cli_Conventions : public ::testing::Test {
protected:
  void SetUp() override
  {
    cli = Binary_Dir() + "src/app/harrowdesk-cli";
    if (access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "harrowdesk-cli is not built";
    folder = env.root() + "images/";
    std::filesystem::create_directories(folder);
    for (const char *name : {"CT_small.dcm", "MR_small.dcm"})
      std::filesystem::copy_file(test_files + name, folder + name);
  }
  // Runs harrowdesk-cli with `arguments` in the temp folder; returns standard output,
  // `status` the exit code, `errors` standard error.
  std::string Run(const std::string &arguments, int *status, std::string *errors = nullptr)
  {
    std::string error_file = env.root() + "stderr";
    std::string out = Run_Command("cd '" + env.temp() + "' && '" + cli + "' " + arguments + " 2>'" + error_file + "'",
                                  status);
    if (errors) *errors = Read_File(error_file);
    return out;
  }
  Scoped_Temp_Env env;
  std::string cli, folder;
};

// The server options that let push parse up to its work.
const std::string PUSH_SERVER = "--peer 127.0.0.1 --port 104 --called X ";

TEST_F(Cli_Conventions, every_help_exits_0_and_ends_with_the_exit_status)
{
  for (const char *command : {"scan", "copy", "push", "dump", "check"}) {
    for (const char *help : {"--help", "-h"}) {
      int status = -1;
      std::string out = Run(std::string(command) + " " + help, &status);
      EXPECT_EQ(status, 0) << command;
      EXPECT_EQ(out.rfind(std::string("usage: harrowdesk-cli ") + command, 0), 0u) << out;
      for (const char *part : {"-q, --quiet", "-v, --verbose", "\nExit status: 0 ", "; 2 usage error\n"})
        EXPECT_NE(out.find(part), std::string::npos) << command << " lacks " << part;
    }
  }
  int status = -1;
  std::string out = Run("--help", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("--version"), std::string::npos) << out;
}

TEST_F(Cli_Conventions, unknown_options_and_missing_values_exit_2_with_one_line)
{
  const struct {
    std::string arguments;
    std::string line;
  } cases[] = {
      {"scan --bogus " + folder, "harrowdesk-cli scan: unknown option '--bogus'"},
      {"scan " + folder + " --order", "harrowdesk-cli scan: option --order needs a value (ORDER)"},
      {"scan " + folder + " --json=yes", "harrowdesk-cli scan: option --json takes no value"},
      {"copy -x " + folder, "harrowdesk-cli copy: unknown option '-x'"},
      {"copy " + folder + " --to", "harrowdesk-cli copy: option --to needs a value (DIR)"},
      {"push " + PUSH_SERVER + "--bogus " + folder, "harrowdesk-cli push: unknown option '--bogus'"},
      {"push " + folder + " --peer", "harrowdesk-cli push: option --peer needs a value (HOST)"},
      {"dump --colour " + folder, "harrowdesk-cli dump: unknown option '--colour'"},
      {"dump", "harrowdesk-cli dump: no FILE given"},
      {"check --json=1 " + folder, "harrowdesk-cli check: option --json takes no value"},
  };
  for (const auto &c : cases) {
    int status = -1;
    std::string errors;
    std::string out = Run(c.arguments, &status, &errors);
    EXPECT_EQ(status, 2) << c.arguments;
    EXPECT_EQ(out, "") << c.arguments;
    EXPECT_EQ(errors.rfind(c.line + " (see 'harrowdesk-cli ", 0), 0u) << errors;
    EXPECT_EQ(errors.find('\n'), errors.size() - 1) << "one line: " << errors;
  }
}

TEST_F(Cli_Conventions, a_value_after_equals_gives_what_the_next_argument_gives)
{
  std::string target = env.root() + "target/";
  std::filesystem::create_directories(target);
  const struct {
    std::string spaced, joined;
  } cases[] = {
      {"scan --order study --json " + folder, "scan --order=study --json " + folder},
      {"scan --level 2 --json " + folder, "scan --level=2 --json " + folder},
      {"copy " + folder + " --dry-run --series-dir number --to " + target,
       "copy " + folder + " --dry-run --series-dir=number --to=" + target},
      {"push " + PUSH_SERVER + "--timeout 4000 " + folder, "push " + PUSH_SERVER + "--timeout=4000 " + folder},
      {"push --peer 127.0.0.1 --called X --port 0 " + folder, "push --peer=127.0.0.1 --called=X --port=0 " + folder},
  };
  for (const auto &c : cases) {
    int spaced_status = -1, joined_status = -2;
    std::string spaced_errors, joined_errors;
    std::string spaced = Run(c.spaced, &spaced_status, &spaced_errors);
    std::string joined = Run(c.joined, &joined_status, &joined_errors);
    EXPECT_EQ(spaced_status, joined_status) << c.joined;
    EXPECT_EQ(spaced, joined) << c.joined;
    EXPECT_EQ(spaced_errors, joined_errors) << c.joined;
  }
}

TEST_F(Cli_Conventions, double_dash_makes_a_dashed_word_an_operand)
{
  const struct {
    std::string arguments;
    std::string error;  // what the command says of the operand "-x"
  } cases[] = {
      {"scan -- -x", "harrowdesk-cli scan: cannot use the source folder -x: No such file or directory\n"},
      {"copy --to . -- -x", "harrowdesk-cli copy: cannot use the source folder -x: No such file or directory\n"},
      {"push " + PUSH_SERVER + "-- -x",
       "harrowdesk-cli push: cannot use the source folder -x: No such file or directory\n"},
      {"dump -- -x", "harrowdesk-cli dump: -x: no DICOM data elements could be read\n"},
      {"check -- -x", "harrowdesk-cli check: -x: no DICOM data elements could be read\n"},
  };
  for (const auto &c : cases) {
    int status = -1;
    std::string errors;
    Run(c.arguments, &status, &errors);
    EXPECT_EQ(status, 1) << c.arguments;
    EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
  }
}

TEST_F(Cli_Conventions, quiet_keeps_standard_error_empty_on_a_clean_run)
{
  for (std::string arguments : {"scan -q " + folder, "scan --quiet --order study --json " + folder,
                                "dump -q " + folder + "CT_small.dcm", "copy -q " + folder + " --dry-run --to ."}) {
    int status = -1;
    std::string errors;
    Run(arguments, &status, &errors);
    EXPECT_EQ(status, 0) << arguments;
    EXPECT_EQ(errors, "") << arguments;
  }
  // Without -q the same scan tells its progress.
  int status = -1;
  std::string errors;
  Run("scan " + folder, &status, &errors);
  EXPECT_NE(errors.find("Of these 2 are DICOM"), std::string::npos) << errors;
}

TEST_F(Cli_Conventions, verbose_prints_trace_lines_on_standard_error)
{
  for (std::string arguments : {"scan -v " + folder, "dump --verbose " + folder + "CT_small.dcm"}) {
    int status = -1;
    std::string errors;
    std::string out = Run(arguments, &status, &errors);
    EXPECT_EQ(status, 0) << arguments;
    EXPECT_NE(errors.find("TRACE:   ==== ==== Harrowdesk "), std::string::npos) << errors;
    EXPECT_EQ(out.find("TRACE:"), std::string::npos) << out;
  }
  int status = -1;
  std::string errors;
  Run("scan -vv " + folder, &status, &errors);
  EXPECT_NE(errors.find("TRACE:       "), std::string::npos) << "level 2 shows the indented lines";
}

TEST_F(Cli_Conventions, version_names_the_program_the_dicom_library_and_dcmtk)
{
  for (const char *option : {"--version", "-V"}) {
    int status = -1;
    std::string out = Run(option, &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("harrowdesk-cli 1.", 0), 0u) << out;
    EXPECT_NE(out.find("\nDICOM library: ArdentVale_DICOM (Static) "), std::string::npos) << out;
    EXPECT_NE(out.find("\nDCMTK: 3."), std::string::npos) << out;
  }
}

}  // namespace
