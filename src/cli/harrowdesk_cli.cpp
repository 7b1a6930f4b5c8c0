// harrowdesk-cli: the command-line front end over the program's core. It brings the core
// up as the GUI does (log state, installation folder, settings, message sink) with the
// message pane and boxes on standard error, so standard output stays the command's own;
// then it hands argv to the command named by the first argument.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/configuration.h"
#include "app/installation_path.h"
#include "app/my_error_fct.h"
#include "cli/cli_command.h"
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
  std::fprintf(stream, "\n'harrowdesk-cli COMMAND --help' describes a command.\n");
}

static void Print_Pane_Line(const char *text) { std::fprintf(stderr, "%s\n", Log_Text_Clean(text).c_str()); }

// No message loop runs here: thread lines leave the ring as soon as they are posted.
static void Drain_Thread_Lines(Window_Handle) { Log_Ring_Drain(Print_Pane_Line); }

static void Start_Up()
{
  trace_level = 0;
  Mutex_Access_Create();
  Installation_Path_Find(log_state.program_name.c_str());
  Configuration_Defaults();
  Configuration_Read();
  DICOM_Module_Dir_Set(nullptr, (Inst_Path + "DICOM Tables/").c_str());
  log_display.pane_write = Print_Pane_Line;
  log_display.pane_overwrite = Print_Pane_Line;
  log_display.post_thread_message = Drain_Thread_Lines;
  Message_Callback = My_Error_Callback;
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
  Start_Up();
  return found->second.run(argc - 1, argv + 1);
}
