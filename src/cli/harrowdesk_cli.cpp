// harrowdesk-cli: the command-line front end over the program's core. It sets the log
// state as the GUI does, then hands argv to the command named by the first argument.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "cli/cli_command.h"
#include "util/message_log.h"

static std::map<std::string, Cli_Command> &Command_Table()
{
  static std::map<std::string, Cli_Command> table;
  return table;
}

Cli_Register::Cli_Register(const Cli_Command &command) { Command_Table()[command.name] = command; }

static void Print_Usage(FILE *stream)
{
  std::fprintf(stream, "usage: harrowdesk-cli COMMAND [OPTIONS...]\n\ncommands:\n");
  for (auto &[name, command] : Command_Table()) std::fprintf(stream, "  %-10s %s\n", name.c_str(), command.summary);
  std::fprintf(stream, "\n'harrowdesk-cli COMMAND --help' describes a command.\n");
}

int main(int argc, char **argv)
{
  if (argc < 2) {
    Print_Usage(stderr);
    return CLI_USAGE;
  }
  if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    Print_Usage(stdout);
    return CLI_OK;
  }
  auto found = Command_Table().find(argv[1]);
  if (found == Command_Table().end()) {
    std::fprintf(stderr, "harrowdesk-cli: unknown command '%s'\n", argv[1]);
    Print_Usage(stderr);
    return CLI_USAGE;
  }
  return found->second.run(argc - 1, argv + 1);
}
