// Cli_Options_Parse: one pass over the arguments. A long option's value comes after "="
// or as the next argument (which may itself start with "-": "--called -AE-" works, as in
// getopt_long); a flag given "=value" is refused. Also prints --help and usage errors.
// -v starts the trace file afresh with the run header, as turning tracing on in the GUI
// does, so a verbose run's first trace lines say what ran where.
#include "cli/cli_options.h"

#include <cstdio>
#include <cstring>

#include "cli/cli_command.h"
#include "util/message_log.h"

int cli_verbosity = CLI_NORMAL;

const char *const cli_common_help =
    "  -q, --quiet          errors and warnings only: no progress, no notices\n"
    "  -v, --verbose        trace lines on standard error (level 1; -vv: level 2 ...)\n"
    "  -h, --help           this text\n"
    "  --                   what follows is an operand, even when it starts with \"-\"\n";

int Cli_Usage_Error(const Cli_Syntax &syntax, const std::string &why)
{
  std::fprintf(stderr, "harrowdesk-cli %s: %s (see 'harrowdesk-cli %s --help')\n", syntax.command, why.c_str(),
               syntax.command);
  return CLI_USAGE;
}

void Cli_Help_Print(const Cli_Syntax &syntax, FILE *stream)
{
  std::fprintf(stream, "%s%s\nExit status: %s\n", syntax.usage, cli_common_help, syntax.exit_status);
}

namespace {

const Cli_Option *Find(const Cli_Syntax &syntax, const std::string &name)
{
  for (const Cli_Option &option : syntax.options)
    if (name == option.name) return &option;
  return nullptr;
}

// Applies a group of short letters ("q", "v", "vv", "h"). Returns -1, or an exit code.
int Short_Letters(const Cli_Syntax &syntax, const char *letters)
{
  for (const char *p = letters; *p; p++) {
    if (*p == 'q') {
      cli_verbosity = CLI_QUIET;
    } else if (*p == 'v') {
      cli_verbosity = cli_verbosity < CLI_VERBOSE ? CLI_VERBOSE : cli_verbosity + 1;
    } else if (*p == 'h') {
      Cli_Help_Print(syntax, stdout);
      return CLI_OK;
    } else {
      return Cli_Usage_Error(syntax, std::string("unknown option '-") + *p + "'");
    }
  }
  return -1;
}

}  // namespace

int Cli_Options_Parse(const Cli_Syntax &syntax, int argc, char **argv, std::vector<const char *> *operands)
{
  bool options_ended = false;
  for (int i = 1; i < argc; i++) {
    const char *argument = argv[i];
    if (options_ended || argument[0] != '-' || !std::strcmp(argument, "-")) {
      operands->push_back(argument);
      continue;
    }
    if (!std::strcmp(argument, "--")) {
      options_ended = true;
      continue;
    }
    if (argument[1] != '-') {
      int code = Short_Letters(syntax, argument + 1);
      if (code >= 0) return code;
      continue;
    }
    const char *equals = std::strchr(argument, '=');
    std::string name = equals ? std::string(argument, (size_t)(equals - argument)) : std::string(argument);
    if (name == "--help") {
      if (equals) return Cli_Usage_Error(syntax, "option --help takes no value");
      Cli_Help_Print(syntax, stdout);
      return CLI_OK;
    }
    if (name == "--quiet" || name == "--verbose") {
      if (equals) return Cli_Usage_Error(syntax, "option " + name + " takes no value");
      Short_Letters(syntax, name == "--quiet" ? "q" : "v");
      continue;
    }
    const Cli_Option *option = Find(syntax, name);
    if (!option) return Cli_Usage_Error(syntax, "unknown option '" + name + "'");
    const char *value = nullptr;
    if (option->value_name) {
      if (equals) value = equals + 1;
      else if (i + 1 < argc) value = argv[++i];
      if (!value) return Cli_Usage_Error(syntax, "option " + name + " needs a value (" + option->value_name + ")");
    } else if (equals) {
      return Cli_Usage_Error(syntax, "option " + name + " takes no value");
    }
    std::string why;
    if (option->take(value, &why)) continue;
    if (value && !*value)
      return Cli_Usage_Error(syntax, "option " + name + " needs a value (" + option->value_name + ")");
    return Cli_Usage_Error(syntax, "option " + name + (value ? " '" + std::string(value) + "'" : "") + ": " + why);
  }
  if (operands->size() < syntax.operands_min)
    return Cli_Usage_Error(syntax, std::string("no ") + syntax.operand_name + " given");
  if (operands->size() > syntax.operands_max)
    return Cli_Usage_Error(syntax, std::string("unexpected operand '") + (*operands)[syntax.operands_max] + "'");
  if (cli_verbosity >= CLI_VERBOSE) {
    trace_level = (signed char)cli_verbosity;
    Trace_Header_Write();
  }
  return -1;
}
