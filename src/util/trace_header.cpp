// The trace file's run header and the Ctrl+digit trace-level keys. The header restarts
// the trace file, so every traced run begins with a fresh file that says what ran where.
#include <cstdio>
#include <string>

#include "platform/os/os_paths.h"
#include "platform/os/os_system.h"
#include "util/message_log.h"

void Trace_Header_Write()
{
  std::string when = Log_Local_Time("%d %b %Y %H:%M");
  std::string path = Os_Temp_Dir() + log_state.file_trace;
  std::remove(path.c_str());

  const char *program = log_state.program_name.c_str();
  Message_Log(nullptr, MSG_TRACE, "==== ==== %s %s ==== (%s) ==== ====", program, log_state.program_version.c_str(), when.c_str());
  Message_Log(nullptr, MSG_TRACE, "%s", "");
  Message_Log(nullptr, MSG_TRACE, "Prog_ID:      %s", "");
  Message_Log(nullptr, MSG_TRACE, "Prog_Date:    %s", "");
  Message_Log(nullptr, MSG_TRACE, "Compile:      %s", __DATE__);
  Message_Log(nullptr, MSG_TRACE, "%s", "");
  Message_Log(nullptr, MSG_TRACE, "---- Computer Info: ----");

  Os_System_Info info;
  int complete = Os_System_Info_Read(info);
  if (!info.computer_name.empty()) {
    Message_Log(nullptr, MSG_TRACE, "Computer Name:  %s", info.computer_name.c_str());
  } else {
    MESSAGE_LOG_WHERE(nullptr);
    Message_Log(nullptr, MSG_TRACE, "in gethostname()");
  }
  if (complete || !info.system_name.empty()) {
    Message_Log(nullptr, MSG_TRACE, "System:         %s", info.system_name.c_str());
    Message_Log(nullptr, MSG_TRACE, "                release %s", info.release.c_str());
  }
  Message_Log(nullptr, MSG_TRACE, "Processor:      %u x %s", info.processor_count, info.machine.c_str());
  Message_Log(nullptr, MSG_TRACE, "%s", "");
  Message_Log(nullptr, MSG_TRACE, "-----------------------");
}

void Trace_Level_Key(char digit)
{
  if (digit < '0' || digit > '9') return;
  signed char level = (signed char)(digit - '0');
  if (level > 5) level = 5;
  if (level > 0 && trace_level == 0) {
    trace_level = level;
    Trace_Header_Write();
    Message_Log(nullptr, MSG_TRACE, "---- ArdentVale Libraries: ----");
    Message_Log(nullptr, MSG_TRACE, "ArdentVale_Util (Static) %s (rev-%s)", "21.7", "c");
    Message_Log(nullptr, MSG_TRACE, "ArdentVale_Tools (Static) %s (rev-%s)", "21.7", "c");
    Message_Log(nullptr, MSG_TRACE, "%s", "");
    Message_Log(nullptr, MSG_TRACE, "%s", "");
  }
  trace_level = level;
  Message_Log(nullptr, MSG_REPORT, "Trace level: %d", level);
}
