// The commands of harrowdesk-cli. Each command lives in its own file and registers
// itself with a static Cli_Register, so adding a command touches no other file.
#pragma once

struct Cli_Command {
  const char *name;     // the word after "harrowdesk-cli"
  const char *summary;  // one line for the command list
  int (*run)(int argc, char **argv);  // argv[0] is the command's name; returns the exit code
};

// Adds `command` to the table at static-initialisation time.
struct Cli_Register {
  explicit Cli_Register(const Cli_Command &command);
};

// Exit codes shared by every command.
enum { CLI_OK = 0, CLI_FAILED = 1, CLI_USAGE = 2 };
