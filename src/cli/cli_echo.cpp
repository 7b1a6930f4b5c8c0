// harrowdesk-cli echo: checks that the storage server answers, with a DICOM
// verification (C-ECHO), before anything is pushed. The server and the limits come from
// the settings unless given; options hold for this run only and are never saved. Each
// value, given or stored, is checked as the config command checks it. The outcome is
// one line on standard output: "echo HOST:PORT AET: success in 3.2 ms", or the cause.
// Ctrl-C ends the verification at once.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "app/configuration_keys.h"
#include "app/dcmtk_cecho.h"
#include "cli/cli_command.h"
#include "cli/cli_options.h"

namespace {

const char USAGE[] =
    "usage: harrowdesk-cli echo [--peer HOST] [--port N] [--called AET] [--calling AET]\n"
    "                           [--timeout S]\n"
    "\n"
    "Asks the storage server for a DICOM verification (C-ECHO) and prints one line: the\n"
    "time from the request to the response, or why the server did not answer. Options\n"
    "not given are taken from the settings (server_peer, server_port, server_AET,\n"
    "local_AET, timeout_connect, timeout_acse, timeout_dimse); they are not saved.\n"
    "\n"
    "  --peer HOST          the server's host name or address\n"
    "  --port N             the server's port, 1 to 65535\n"
    "  --called AET         the server's AE title\n"
    "  --calling AET        our own AE title\n"
    "  --timeout S          seconds to wait for the connection, for each association\n"
    "                       answer and for the response, 0 (no limit) to 3600\n";

const char EXIT_STATUS[] = "0 the server answered with success; 1 it did not; 2 usage error";
static_assert(TIMEOUT_MAX == 3600, "the help names the largest timeout");

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void On_Interrupt(int) { interrupted = true; }
bool Interrupted() { return interrupted; }

// Checks `value` as the setting `key` and sets that setting for this run. Returns 1,
// or 0 with what the key takes in `why`.
int Setting_Take(const char *key, const char *value, std::string *why)
{
  if (Configuration_Key_Assign(*Configuration_Key_Find(key), value, why)) return 1;
  *why = "takes " + *why;
  return 0;
}

Cli_Option Setting_Option(const char *name, const char *value_name, const char *key)
{
  return {name, value_name, [key](const char *value, std::string *why) { return Setting_Take(key, value, why); }};
}

// --timeout: the three limits at once.
int Timeouts_Take(const char *value, std::string *why)
{
  if (!Setting_Take("timeout_connect", value, why)) return 0;
  timeout_acse = timeout_dimse = timeout_connect;
  return 1;
}

// Checks the settings that the verification uses (a stored value may predate the
// checks); returns -1, or CLI_USAGE after naming the first refused one.
int Settings_Check(const Cli_Syntax &syntax)
{
  if (server_peer == "none") return Cli_Usage_Error(syntax, "no server: give --peer HOST (the settings name none)");
  for (const char *name : {"server_peer", "server_port", "server_AET", "local_AET"}) {
    const Configuration_Key &key = *Configuration_Key_Find(name);
    std::string normal, why;
    const std::string value = Configuration_Key_Text(key);
    if (!Configuration_Key_Check(key, value.c_str(), &normal, &why))
      return Cli_Usage_Error(syntax, "the setting " + std::string(name) + " '" + value + "' is refused: takes " + why);
  }
  return -1;
}

int Echo_Run(int argc, char **argv)
{
  Cli_Syntax syntax{"echo", USAGE, EXIT_STATUS, {}, 0, 0, nullptr};
  syntax.options = {
      Setting_Option("--peer", "HOST", "server_peer"),
      Setting_Option("--port", "N", "server_port"),
      Setting_Option("--called", "AET", "server_AET"),
      Setting_Option("--calling", "AET", "local_AET"),
      {"--timeout", "S", Timeouts_Take},
  };
  std::vector<const char *> operands;
  int code = Cli_Options_Parse(syntax, argc, argv, &operands);
  if (code >= 0) return code;
  code = Settings_Check(syntax);
  if (code >= 0) return code;

  const CSTORE_Limits limits = {timeout_connect, timeout_acse, timeout_dimse, Interrupted};
  CECHO_Result result;
  std::signal(SIGINT, On_Interrupt);
  const int answered = DCMTK_CECHO(server_peer.c_str(), std::atoi(server_port.c_str()), server_AET.c_str(),
                                   local_AET.c_str(), limits, &result);
  std::signal(SIGINT, SIG_DFL);
  std::printf("echo %s:%s %s: ", server_peer.c_str(), server_port.c_str(), server_AET.c_str());
  if (answered) std::printf("success in %.1f ms\n", result.round_trip_ms);
  else std::printf("%s\n", result.cause.c_str());
  return answered ? CLI_OK : CLI_FAILED;
}

Cli_Register reg({"echo", "ask the storage server for a DICOM verification (C-ECHO)", Echo_Run});

}  // namespace
