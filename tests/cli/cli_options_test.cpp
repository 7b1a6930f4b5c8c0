// The command-line parser of harrowdesk-cli, table-driven over argv arrays: the two forms
// of a value, "--", the shared -q/-v/--help, and every usage error with its one line.
// The parser belongs to the harrowdesk-cli program, not to a library, so its source is
// compiled into this test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_options.cpp"
#include "support/test_support.h"

namespace {

// What one parse gave.
struct Outcome {
  int code = -1;
  std::vector<std::string> operands;
  std::string to;       // the value --to took
  int flags = 0;        // how often --dry-run was given
  int trace = 0;        // trace_level after the parse
  std::string out, err;  // what was printed
};

// Runs the parser of a demonstration command ("--to DIR", "--dry-run", "--level N" of 1
// to 4, one or two FILE operands) on `arguments`, with standard output and error caught.
Outcome Parse(const std::vector<std::string> &arguments)
{
  Outcome outcome;
  cli_verbosity = CLI_NORMAL;
  trace_level = 0;
  Cli_Syntax syntax{"demo", "usage: harrowdesk-cli demo FILE [FILE]\n", "0 done; 1 failed; 2 usage error", {}, 1, 2,
                    "FILE"};
  syntax.options = {
      {"--to", "DIR",
       [&outcome](const char *value, std::string *why) {
         *why = "needs a value";
         outcome.to = value;
         return *value ? 1 : 0;
       }},
      {"--dry-run", nullptr,
       [&outcome](const char *, std::string *) {
         outcome.flags++;
         return 1;
       }},
      {"--level", "N",
       [](const char *value, std::string *why) {
         *why = "is not 1 to 4";
         return value[0] >= '1' && value[0] <= '4' && !value[1] ? 1 : 0;
       }},
  };
  std::vector<char *> argv = {const_cast<char *>("demo")};
  for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));

  std::fflush(stdout);
  std::fflush(stderr);
  FILE *out = std::tmpfile(), *err = std::tmpfile();
  int saved_out = dup(1), saved_err = dup(2);
  dup2(fileno(out), 1);
  dup2(fileno(err), 2);
  std::vector<const char *> operands;
  {
    Scoped_Temp_Env env;      // -v restarts the trace file in the temp folder
    Message_Capture capture(0);  // and logs the run header
    outcome.code = Cli_Options_Parse(syntax, (int)argv.size(), argv.data(), &operands);
    outcome.trace = trace_level;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(saved_out, 1);
  dup2(saved_err, 2);
  close(saved_out);
  close(saved_err);
  for (auto [file, text] : {std::pair{out, &outcome.out}, std::pair{err, &outcome.err}}) {
    std::rewind(file);
    char buffer[4096];
    size_t length;
    while ((length = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, length);
    std::fclose(file);
  }
  for (const char *operand : operands) outcome.operands.push_back(operand);
  return outcome;
}

const std::string SEE_HELP = " (see 'harrowdesk-cli demo --help')\n";

TEST(Cli_Options, a_value_after_equals_or_as_the_next_argument_is_the_same)
{
  const struct {
    std::vector<std::string> arguments;
    std::string to;
  } cases[] = {
      {{"--to=/tmp/a", "f"}, "/tmp/a"},
      {{"--to", "/tmp/a", "f"}, "/tmp/a"},
      {{"f", "--to", "/tmp/a"}, "/tmp/a"},
      {{"--to", "-dash-", "f"}, "-dash-"},  // a value may start with "-"
      {{"--to=a=b", "f"}, "a=b"},           // only the first "=" separates
      {{"--to=x", "--to=y", "f"}, "y"},     // the last one given wins
  };
  for (const auto &c : cases) {
    Outcome outcome = Parse(c.arguments);
    EXPECT_EQ(outcome.code, -1) << outcome.err;
    EXPECT_EQ(outcome.to, c.to);
    EXPECT_EQ(outcome.operands, std::vector<std::string>{"f"});
    EXPECT_EQ(outcome.err, "");
  }
}

TEST(Cli_Options, double_dash_ends_the_options)
{
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> operands;
    int flags;
  } cases[] = {
      {{"--", "-x"}, {"-x"}, 0},
      {{"--dry-run", "--", "--dry-run"}, {"--dry-run"}, 1},
      {{"a", "--", "--"}, {"a", "--"}, 0},
      {{"-"}, {"-"}, 0},  // a lone dash is an operand (standard input, by custom)
  };
  for (const auto &c : cases) {
    Outcome outcome = Parse(c.arguments);
    EXPECT_EQ(outcome.code, -1) << outcome.err;
    EXPECT_EQ(outcome.operands, c.operands);
    EXPECT_EQ(outcome.flags, c.flags);
  }
}

TEST(Cli_Options, usage_errors_exit_2_with_one_line)
{
  const struct {
    std::vector<std::string> arguments;
    std::string line;
  } cases[] = {
      {{"--bogus", "f"}, "unknown option '--bogus'"},
      {{"-x", "f"}, "unknown option '-x'"},
      {{"-qx", "f"}, "unknown option '-x'"},
      {{"f", "--to"}, "option --to needs a value (DIR)"},
      {{"f", "--to="}, "option --to needs a value (DIR)"},
      {{"f", "--to", ""}, "option --to needs a value (DIR)"},
      {{"f", "--dry-run=yes"}, "option --dry-run takes no value"},
      {{"f", "--quiet=1"}, "option --quiet takes no value"},
      {{"f", "--level", "9"}, "option --level '9': is not 1 to 4"},
      {{"f", "--level=12"}, "option --level '12': is not 1 to 4"},
      {{}, "no FILE given"},
      {{"--dry-run"}, "no FILE given"},
      {{"a", "b", "c"}, "unexpected operand 'c'"},
  };
  for (const auto &c : cases) {
    Outcome outcome = Parse(c.arguments);
    EXPECT_EQ(outcome.code, CLI_USAGE) << c.line;
    EXPECT_EQ(outcome.err, "harrowdesk-cli demo: " + c.line + SEE_HELP);
    EXPECT_EQ(outcome.out, "");
  }
}

TEST(Cli_Options, help_prints_the_usage_the_shared_options_and_the_exit_status)
{
  for (const std::vector<std::string> &arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"-qh"}, {"f", "--help", "--bogus"}}) {
    Outcome outcome = Parse(arguments);
    EXPECT_EQ(outcome.code, CLI_OK) << arguments[0];
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out.rfind("usage: harrowdesk-cli demo FILE [FILE]\n", 0), 0u) << outcome.out;
    EXPECT_NE(outcome.out.find("-q, --quiet"), std::string::npos);
    EXPECT_NE(outcome.out.find("-v, --verbose"), std::string::npos);
    EXPECT_EQ(outcome.out.substr(outcome.out.size() - 46), "\nExit status: 0 done; 1 failed; 2 usage error\n");
  }
  // Help after a usage error is not reached: the first fault stops the parse.
  EXPECT_EQ(Parse({"--bogus", "--help"}).code, CLI_USAGE);
}

TEST(Cli_Options, quiet_and_verbose_set_the_verbosity_and_the_trace_level)
{
  const struct {
    std::vector<std::string> arguments;
    int verbosity;
    int trace;
  } cases[] = {
      {{"f"}, CLI_NORMAL, 0},
      {{"-q", "f"}, CLI_QUIET, 0},
      {{"--quiet", "f"}, CLI_QUIET, 0},
      {{"-v", "f"}, 1, 1},
      {{"f", "--verbose"}, 1, 1},
      {{"-vv", "f"}, 2, 2},
      {{"-v", "-v", "-v", "f"}, 3, 3},
      {{"-q", "-v", "f"}, 1, 1},  // the last word wins
      {{"-v", "-q", "f"}, CLI_QUIET, 0},
  };
  for (const auto &c : cases) {
    Outcome outcome = Parse(c.arguments);
    EXPECT_EQ(outcome.code, -1) << outcome.err;
    EXPECT_EQ(cli_verbosity, c.verbosity) << c.arguments[0];
    EXPECT_EQ(outcome.trace, c.trace) << c.arguments[0];
  }
  cli_verbosity = CLI_NORMAL;
}

}  // namespace
