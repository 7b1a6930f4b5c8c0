// The message log: every user-visible message, trace line, audit line and error-file line
// of the program goes through Message_Log. It formats the text, drops trace kinds above
// the current trace level and hands the text to the installed sink (or, before one is
// installed, to a small default writer). This header also holds the log state, the log
// files, the thread message ring and the display hooks through which a front end shows
// boxes and message-pane lines.
//
// One message is one line in every log file: the line feeds of a multi-line message and
// any other control byte are written as visible escapes ("\n", "\xNN"), so that only the
// writer's own line end ends an entry. Values that come from outside (paths, header
// values) are escaped where a message takes them in (Log_Value_Escape), which also keeps
// a byte of a file name that equals a markup byte from being read as one.
//
// Index: kinds and state / Message_Log / display hooks / log files / thread ring /
//        run header and trace keys / cleaning and values.
#pragma once

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/os/os_messages.h"  // WM_THREAD_MESSAGE, posted for each MSG_THREAD message
#include "platform/os/window_handle.h"

// ---- kinds and state ----------------------------------------------------------------

enum {
  MSG_ERROR = 1,
  MSG_WARNING = 2,
  MSG_QUESTION = 3,
  MSG_REPORT = 4,
  MSG_AUDIT = 5,
  MSG_THREAD = 6,
  MSG_ERRLOG = 7,
  MSG_OVER = 8,
  MSG_TRACE = 11,  // MSG_TRACE + depth (0..8) gives kinds 11 to 19
};

// A sink receives every message that passes the trace-level filter, already formatted.
// It returns what Message_Log returns (1, or the Yes/No answer for MSG_QUESTION).
typedef int (*Message_Sink)(Window_Handle window, int kind, const char *text);

// Process-wide trace level: 0 off, 1..127 console and trace file, -1..-3 trace file only.
extern std::atomic<signed char> trace_level;
// The installed sink, or nullptr for the default writer.
extern std::atomic<Message_Sink> Message_Callback;

struct Log_State {
  bool flag_audit = true;                         // audit trail on
  std::string dir_audit;                          // audit folder; "" = Log_State_Dir()
  std::string file_audit = "Harrowdesk.log";      // audit file name
  std::string file_trace = "Harrowdesk_trace.dat";// trace file name (in the temp folder)
  std::string file_error = "ArdentVale.err";      // the maker's error file (in Log_State_Dir())
  std::string program_name = "Harrowdesk";
  std::string program_version = "1.0 Rev-7";
  std::atomic<bool> errlog_header_written{false}; // the error file's run header is out
  std::atomic<bool> folder_failure_shown{false};  // "Unable to create directory" was shown
};
extern Log_State log_state;

// ---- Message_Log ----------------------------------------------------------------------

// True when a message of `kind` passes the filter: kind 0 never does, a trace kind only
// up to 10 + trace_level.
inline bool Message_Log_Passes(int kind)
{
  return kind != 0 && (kind < MSG_TRACE || trace_level.load(std::memory_order_relaxed) >= kind - 10);
}

// Formats a message (printf-style, cut at 10,239 characters) and routes it by kind.
// Returns 1, except for MSG_QUESTION: 1 for Yes, 0 for No. Kind 0 and trace kinds
// above 10 + trace_level return 1 at once. Safe to call from any thread. Message_Log
// tests the filter in line at the call, so a trace call whose kind is off costs one
// comparison: its arguments are then not even evaluated (they must have no effects).
int Message_Log_Emit(Window_Handle window, int kind, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
#define Message_Log(window, kind, ...) \
  (Message_Log_Passes(kind) ? Message_Log_Emit((window), (kind), __VA_ARGS__) : 1)

// The trace line naming the caller's source file and line, added by every caller that
// passes a failure up: "File:%s Line:%d".
#define MESSAGE_LOG_WHERE(window) \
  Message_Log((window), MSG_TRACE, "File:%s Line:%d", Log_Source_Name(__FILE__), __LINE__)

// The part of a source path below src/ ("util/message_log.cpp"), for trace lines.
const char *Log_Source_Name(const char *path);

// ---- display hooks ----------------------------------------------------------------------

// How a front end shows messages. The GUI fills these with its message boxes, message
// pane and message queue; the defaults write boxes to standard error, answer questions
// No, and drop pane lines.
struct Log_Display {
  // kind MSG_ERROR: error box (caption may be empty); MSG_QUESTION: Yes/No box.
  // Returns 1 for Yes (or for an error box), 0 for No.
  int (*box)(Window_Handle owner, int kind, const char *text, const char *caption);
  void (*pane_write)(const char *text);      // append a line to the message pane
  void (*pane_overwrite)(const char *text);  // replace the pane's last line
  void (*post_thread_message)(Window_Handle window);  // post WM_THREAD_MESSAGE
  // The console echo of a message of `kind` at a trace level above 0, one line without
  // its line feed (default: standard output, flushed).
  void (*console_write)(int kind, const char *line);
};
extern Log_Display log_display;

// ---- log files ----------------------------------------------------------------------------

// Opens `file_name` for appending. A name without a folder goes into `default_folder`,
// or into the temp folder when that is null or empty. Missing folders are created (0700);
// the file is created 0600. The file is opened as one of our own (platform/os/os_files.h):
// a symbolic link, a FIFO, a device, another user's file or a file with other hard links
// under the name is never written into, and is reported once per file per run
// (MSG_WARNING naming it). When a folder cannot be created, shows one error box per run
// and returns nullptr; a refused file returns nullptr after that warning, a failed open
// returns nullptr silently. The stream is fully buffered so that each line written
// before fclose reaches the file in one append write.
FILE *Log_File_Open(const char *file_name, const char *default_folder);

// Appends `line` (which ends with its own line feed) to a log file, as one write.
void Log_File_Append(const char *file_name, const char *default_folder, const std::string &line);

// While an object of this class lives, the log files that its thread appends to stay
// open: a line costs a check of the open file (still ours, still under one name) and a
// write, where it otherwise costs an open, a check and a close. A file removed or
// linked meanwhile is opened again by name. For threads that write a line per file.
class Log_Files_Hold {
 public:
  Log_Files_Hold();
  ~Log_Files_Hold();
  Log_Files_Hold(const Log_Files_Hold &) = delete;
  Log_Files_Hold &operator=(const Log_Files_Hold &) = delete;
};

// The folder of the files that must last when no other is set: the user's state folder
// ($XDG_STATE_HOME/harrowdesk/, else ~/.local/state/harrowdesk/), or the temp folder on a
// system that names none (no HOME). Ends with "/".
std::string Log_State_Dir();

// The audit trail's folder: log_state.dir_audit, or Log_State_Dir() when that is empty.
std::string Log_Audit_Dir();

// The local time in a strftime `format`, e.g. the audit line's "%d-%b-%Y %H:%M:%S"
// ("08-Dec-2026 00:02:24").
std::string Log_Local_Time(const char *format);

// ---- thread ring -------------------------------------------------------------------------

// Copies at most 1023 bytes of `text` into the next of 128 slots. One producer at a time;
// a producer 128 lines ahead of the consumer loses the pending lines.
void Log_Ring_Push(const char *text);
// Hands every pending slot, oldest first, to `consumer`. Called by the one consumer thread.
void Log_Ring_Drain(void (*consumer)(const char *text));

// ---- run header and trace keys -----------------------------------------------------------

// Deletes the trace file and logs the run header (program, version, time, build date,
// host, system, processors) as trace lines.
void Trace_Header_Write();

// Sets trace_level from a Ctrl+digit key ('0' gives 0, '1'..'4' give 1..4, '5'..'9' give 5);
// turning tracing on from 0 restarts the trace file with the header and library banners.
// Logs "Trace level: %d" as MSG_REPORT.
void Trace_Level_Key(char digit);

// ---- cleaning and values ------------------------------------------------------------------

// The text for a message box or a terminal: the markup bytes (colours 0x01..0x06, fonts
// 0xF0..0xF2) dropped; tab and line feed kept; every other control byte escaped ("\r",
// "\x1B", ...); every other byte, UTF-8 included, kept.
std::string Log_Text_Clean(const char *text);

// The text as one line of a log file: as Log_Text_Clean, but a line feed is written as
// the two characters "\n" too, so that a message never spans lines.
std::string Log_Line_Clean(const char *text);

// A value from outside (a path, a header value) made safe to put into a message: control
// bytes, markup bytes and backslashes escaped (util/text_escape.h), so that the message
// pane shows it as it is and every log line names it exactly. Null gives "".
std::string Log_Value_Escape(const char *value);
inline std::string Log_Value_Escape(const std::string &value) { return Log_Value_Escape(value.c_str()); }
