// harrowdesk-cli: the command-line front end over the program's core. It brings the core
// up as the GUI does (log state, installation folder, settings, message sink) with the
// message pane and boxes on standard error, so standard output stays the command's own;
// then it hands argv to the command named by the first argument. "--version" names the
// program, its DICOM library and the DCMTK it was built with.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include <dcmtk/dcmdata/dcuid.h>

#include "app/configuration.h"
#include "app/installation_path.h"
#include "cli/cli_command.h"
#include "cli/cli_messages.h"
#include "dicom/DICOM_Library_Version.h"
#include "dicom/NEMA_Read_IOD.h"
#include "util/message_log.h"
#include "util/mutex_access.h"

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
  std::fprintf(stream,
               "\n'harrowdesk-cli COMMAND --help' describes a command.\n"
               "'harrowdesk-cli --version' (-V) names the versions of the program and its libraries.\n");
}

static void Print_Version()
{
  std::printf("harrowdesk-cli %s (%s %s)\nDICOM library: %s\nDCMTK: %s\n", HARROWDESK_VERSION,
              log_state.program_name.c_str(), log_state.program_version.c_str(), DICOM_Library_Version(nullptr),
              OFFIS_DCMTK_VERSION_STRING);
}

static void Start_Up()
{
  trace_level = 0;
  Mutex_Access_Create();
  Installation_Path_Find(log_state.program_name.c_str());
  Configuration_Defaults();
  Configuration_Read();
  DICOM_Module_Dir_Set(nullptr, (Inst_Path + "DICOM Tables/").c_str());
  Cli_Messages_Start();
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
  if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "-V")) {
    Print_Version();
    return CLI_OK;
  }
  auto found = Command_Table().find(argv[1]);
  if (found == Command_Table().end()) {
    std::fprintf(stderr, "harrowdesk-cli: unknown command '%s'\n", argv[1]);
    Print_Usage(stderr);
    return CLI_USAGE;
  }
  Start_Up();
  int exit_code = found->second.run(argc - 1, argv + 1);
  Cli_Messages_Flush();
  return exit_code;
}
