// The one option parser of harrowdesk-cli's commands. A command describes its options in
// a table; the parser takes "--name value", "--name=value", short letters ("-q", "-v",
// "-vv"), "--" (everything after it is an operand) and operands, and handles the options
// every command shares:
//   -h, --help      prints the command's usage (with its exit codes) on standard output
//   -q, --quiet     only errors and warnings on standard error (no progress, no
//                   notices: cli/cli_messages.h)
//   -v, --verbose   trace level 1; -vv (or -v -v) level 2, and so on
// Usage errors print one line on standard error: "harrowdesk-cli COMMAND: WHY (see
// 'harrowdesk-cli COMMAND --help')". --help prints the usage, the shared options and
// the command's exit status line.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// One option of a command.
struct Cli_Option {
  const char *name;        // the long form, "--to"
  const char *value_name;  // the value's name in messages ("DIR"); null for a flag
  // Takes the option (`value` null for a flag). Returns 1, or 0 after nothing was
  // changed when the value is refused; `why` then holds the reason ("takes 1 to 65535").
  std::function<int(const char *value, std::string *why)> take;
};

// What every command shares: how much the terminal is told.
enum {
  CLI_QUIET = -1,   // errors only
  CLI_NORMAL = 0,
  CLI_VERBOSE = 1,  // and up: the trace level
};
extern int cli_verbosity;

// A command line's description for the parser.
struct Cli_Syntax {
  const char *command;  // "copy"
  const char *usage;    // the usage text with the command's own options, for --help
  const char *exit_status;  // "0 ...; 1 ...; 2 usage error", the last line of --help
  std::vector<Cli_Option> options;
  size_t operands_min, operands_max;  // how many operands the command takes
  const char *operand_name;           // "FOLDER": too few give "no FOLDER given"
};

// Parses argv[1..argc-1] (argv[0] is the command's name) by `syntax`; the operands, in
// order, go to `operands`. Options are taken in the order given, each by its `take`.
// Sets cli_verbosity and trace_level for -q and -v (and with -v writes the trace run
// header, util/message_log.h Trace_Header_Write). Returns -1 when the command should
// run; else the exit code to return at once: CLI_OK after --help (printed on standard
// output), CLI_USAGE after a usage error (unknown option, missing or refused value,
// operands too few or too many), its one line printed on standard error. A refused
// empty value reads "option NAME needs a value (VALUE_NAME)".
int Cli_Options_Parse(const Cli_Syntax &syntax, int argc, char **argv, std::vector<const char *> *operands);

// Prints "harrowdesk-cli COMMAND: WHY (see 'harrowdesk-cli COMMAND --help')" on standard
// error; returns CLI_USAGE.
int Cli_Usage_Error(const Cli_Syntax &syntax, const std::string &why);

// Prints the whole --help of `syntax` (usage, the shared options, the exit status) on
// `stream`.
void Cli_Help_Print(const Cli_Syntax &syntax, FILE *stream);

// The lines of --help that every command shares (-q, -v, --), each ending in a newline.
extern const char *const cli_common_help;
