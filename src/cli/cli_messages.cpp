// The terminal's message routing. Every message goes through the core's own routing
// (My_Error_Callback: message pane, boxes, log files), with three changes that concern
// the terminal alone:
//   quiet (-q)   a pane line is shown only when it reports a fault: a warning
//                (MSG_WARNING), or a job's thread line that starts with "ERROR:" or
//                "WARNING:", and the indented lines of the same kind that continue a
//                shown one. Notices,
//                counts and progress lines (MSG_REPORT, MSG_OVER, other thread lines)
//                are left out; error boxes (MSG_ERROR) are always shown.
//   traces (-v)  the core's console echo (trace lines) goes to standard error, since
//                standard output is the command's own; the trace file is written as
//                the core writes it.
//   joining      the lines of a failed association ("Unable to connect with SCP", then
//                "Server: ..." and the cause, each indented) become one terminal line,
//                so that the cause stands beside the failure.
// Pane lines come from worker threads too: the terminal lock that the progress bar
// shares orders them (cli/cli_progress.h), and each is printed above the bar.
#include "cli/cli_messages.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "app/my_error_fct.h"
#include "cli/cli_options.h"
#include "cli/cli_progress.h"
#include "util/message_log.h"

namespace {

// The first line of a failed association; the indented lines after it are its details.
const char CONNECT_FAILURE[] = "Unable to connect with SCP";

std::string held;             // a connection failure waiting for its details
bool last_shown = true;       // whether the last pane line was shown (quiet mode)
int last_kind = 0;            // and its kind: an indented line continues a line of its own kind
bool own_summary = false;     // the command prints its own summary instead of the job's
bool summary_dropped = false; // the last line was the job's closing line, left off
const char JOB_SUMMARY[] = "Done: ";  // how the job's closing line begins
thread_local int sink_kind;   // the kind being routed on this thread

bool Continues(const std::string &line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

bool Ends_With(const std::string &text, const char *tail)
{
  size_t length = std::strlen(tail);
  return text.size() >= length && text.compare(text.size() - length, length, tail) == 0;
}

// Whether quiet mode shows `line` of kind `kind`.
bool Quiet_Shows(int kind, const std::string &line)
{
  if (Continues(line) && kind == last_kind) return last_shown;
  if (kind == MSG_WARNING) return true;
  if (kind != MSG_THREAD) return false;
  return line.rfind("ERROR:", 0) == 0 || line.rfind("WARNING:", 0) == 0;
}

void Held_Print()
{
  if (held.empty()) return;
  Cli_Terminal_Write(held.c_str());
  held.clear();
}

// The pane: one line of the message pane, cleaned of its markup.
void Print_Pane_Line(const char *text)
{
  std::string line = Log_Text_Clean(text);
  std::lock_guard<std::mutex> lock(cli_terminal_lock);
  if (!held.empty() && sink_kind == MSG_WARNING && Continues(line)) {
    held += ": " + line.substr(line.find_first_not_of(" \t"));
    return;
  }
  Held_Print();
  if (own_summary && (line.rfind(JOB_SUMMARY, 0) == 0 || (summary_dropped && Continues(line)))) {
    summary_dropped = true;  // the closing line and the indented lines that go with it
    return;
  }
  summary_dropped = false;
  if (cli_verbosity == CLI_QUIET) {
    last_shown = Quiet_Shows(sink_kind, line);
    last_kind = sink_kind;
    if (!last_shown) return;
  }
  if (sink_kind == MSG_WARNING && Ends_With(line, CONNECT_FAILURE)) {
    held = line;
    return;
  }
  Cli_Terminal_Write(line.c_str());
}

// No message loop runs here: thread lines leave the ring as soon as they are posted.
void Drain_Thread_Lines(Window_Handle) { Log_Ring_Drain(Print_Pane_Line); }

// The core's console echo at a trace level above 0: trace lines on standard error, in
// order with the pane's lines (the other kinds are shown by the pane already; standard
// output stays the command's own).
void Console_Line(int kind, const char *line)
{
  if (kind < MSG_TRACE) return;
  std::lock_guard<std::mutex> lock(cli_terminal_lock);
  Held_Print();
  Cli_Terminal_Write(line);
}

int Terminal_Sink(Window_Handle window, int kind, const char *text)
{
  int outer = sink_kind;
  sink_kind = kind;
  int answer = My_Error_Callback(window, kind, text);
  sink_kind = outer;
  return answer;
}

}  // namespace

void Cli_Messages_Start()
{
  log_display.pane_write = Print_Pane_Line;
  log_display.pane_overwrite = Print_Pane_Line;
  log_display.post_thread_message = Drain_Thread_Lines;
  log_display.console_write = Console_Line;
  Message_Callback = Terminal_Sink;
}

void Cli_Messages_Flush()
{
  std::lock_guard<std::mutex> lock(cli_terminal_lock);
  Held_Print();
}

void Cli_Messages_Own_Summary()
{
  std::lock_guard<std::mutex> lock(cli_terminal_lock);
  own_summary = true;
}
