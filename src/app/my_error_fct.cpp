// My_Error_Callback: the routing table of the message kinds. Boxes and the message pane
// come first, then the console (positive trace levels only), then the trace file (as the
// level allows), then the audit or error file. Each file line is one append write and
// holds one message: the console and file lines take the text as one line
// (Log_Line_Clean), so a line feed inside a message is written as "\n" and never starts
// what would read as a new entry. The trace file lives in the temp folder; the audit
// trail and the error file in the lasting folder of the log (Log_Audit_Dir,
// Log_State_Dir).
#include "app/my_error_fct.h"

#include <cstdio>
#include <string>


namespace {

struct Kind_Route {
  const char *console;  // console prefix, or nullptr
  const char *trace;    // trace-file prefix, or nullptr
};

Kind_Route Route_Of(int kind)
{
  switch (kind) {
  case MSG_ERROR: return {"ERROR: ", "ERROR:   "};
  case MSG_WARNING: return {"WARNING: ", "WARNING: "};
  case MSG_REPORT: return {"REPORT:  ", "REPORT: "};
  case MSG_AUDIT: return {"AUDIT:   ", nullptr};
  case MSG_THREAD: return {"THREAD:  ", "THREAD:  "};
  case MSG_ERRLOG: return {"ERRLOG: ", nullptr};
  case MSG_OVER: return {"OVER:   ", "OVER: "};
  default: return {nullptr, nullptr};
  }
}

// Whether the trace file takes a line of `kind` at `level`.
bool Trace_File_Takes(int kind, int level)
{
  if (level > 0) return kind != MSG_AUDIT && kind != MSG_ERRLOG;
  switch (level) {
  case -1: return kind == MSG_ERROR || kind == MSG_WARNING || kind == MSG_REPORT || kind == MSG_THREAD || kind == MSG_OVER;
  case -2: return kind == MSG_ERROR || kind == MSG_WARNING;
  case -3: return kind == MSG_ERROR;
  default: return false;
  }
}

std::string Error_File_Header()
{
  return "\n======== " + log_state.program_name + " " + log_state.program_version + " =====(" +
         Log_Local_Time("%d %b %Y %H:%M") + ")========\n";
}

}  // namespace

int My_Error_Callback(Window_Handle window, int kind, const char *text)
{
  std::string audit_time = Log_Local_Time("%d-%b-%Y %H:%M:%S");
  std::string clean = Log_Line_Clean(text);
  int level = trace_level;

  switch (kind) {
  case MSG_QUESTION: return log_display.box(window, MSG_QUESTION, text, log_state.program_name.c_str());
  case MSG_ERROR: log_display.box(window, MSG_ERROR, text, ""); break;
  case MSG_WARNING:
  case MSG_REPORT: log_display.pane_write(text); break;
  case MSG_OVER: log_display.pane_overwrite(text); break;
  case MSG_THREAD:
    Log_Ring_Push(text);
    log_display.post_thread_message(window);
    break;
  default: break;
  }

  Kind_Route route = Route_Of(kind);
  std::string indent;
  if (kind >= MSG_TRACE && kind <= MSG_TRACE + 8) {
    indent.assign(4 * (kind - MSG_TRACE), ' ');
    route = {"TRACE:   ", "TRACE:   "};
  }
  if (level > 0 && route.console) {
    const char *tail = (kind == MSG_AUDIT || kind >= MSG_TRACE) ? " " : "";
    log_display.console_write(kind, (route.console + indent + clean + tail).c_str());
  }
  if (route.trace && Trace_File_Takes(kind, level))
    Log_File_Append(log_state.file_trace.c_str(), nullptr, route.trace + indent + clean + "\n");

  bool audited = kind == MSG_ERROR || kind == MSG_WARNING || kind == MSG_AUDIT;
  if (audited && log_state.flag_audit)
    Log_File_Append(log_state.file_audit.c_str(), Log_Audit_Dir().c_str(), audit_time + " " + clean + "\n");
  if (kind == MSG_ERRLOG) {
    std::string line = clean + "\n";
    if (!log_state.errlog_header_written.exchange(true)) line = Error_File_Header() + line;
    Log_File_Append(log_state.file_error.c_str(), Log_State_Dir().c_str(), line);
  }
  return 1;
}
