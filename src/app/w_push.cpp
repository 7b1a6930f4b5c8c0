// Entry of the GUI program: brings the program up in a fixed order (log state, command
// line, installation folder, settings, message sink), then runs until the main window
// quits. The exit code is the quit message's value, 0 when start-up stops early, and 2
// for a command line it does not understand.
#include <cstdio>

#include "app/command_line.h"
#include "app/configuration.h"
#include "app/installation_path.h"
#include "app/my_error_fct.h"
#include "util/message_log.h"
#include "util/mutex_access.h"

int main(int argc, char **argv)
{
  Command_Line_Options options;
  trace_level = 0;
  log_state.flag_audit = true;
  log_state.file_trace = log_state.program_name + "_trace.dat";

  std::string bad;
  if (!Command_Line_Apply(Command_Line_Tokenise(Command_Line_Join(argc, argv)), options, bad)) {
    std::fprintf(stderr, "unknown argument (%s)\n", bad.c_str());
    Command_Line_Usage(stdout, log_state.program_name.c_str(), log_state.program_version.c_str());
    return 2;
  }
  trace_level = options.trace_level;
  // Worker threads share the DICOM library's rotating pools.
  Mutex_Access_Create();

  Installation_Path_Find(log_state.program_name.c_str());
  Configuration_Defaults();
  Configuration_Read();

  Message_Callback = My_Error_Callback;
  if (trace_level != 0) Trace_Header_Write();
  return 0;
}
