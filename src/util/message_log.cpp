// Message_Log and what every sink shares: the log state, the trace-level filter, text
// cleaning, the log files (opened, written with one append write, closed per message),
// the thread message ring, and the default writer used before a sink is installed.
#include "util/message_log.h"

#include <cstdarg>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

#include "platform/os/os_paths.h"
#include "util/path_split.h"

std::atomic<signed char> trace_level{0};
std::atomic<Message_Sink> Message_Callback{nullptr};
Log_State log_state;

// ---- display defaults --------------------------------------------------------------------

static int Default_Box(Window_Handle, int kind, const char *text, const char *caption)
{
  std::string clean = Log_Text_Clean(text);
  if (caption && *caption)
    std::fprintf(stderr, "%s: %s\n", caption, clean.c_str());
  else
    std::fprintf(stderr, "%s\n", clean.c_str());
  return kind == MSG_QUESTION ? 0 : 1;
}

static void Ignore_Text(const char *) {}
static void Ignore_Window(Window_Handle) {}

Log_Display log_display = {Default_Box, Ignore_Text, Ignore_Text, Ignore_Window};

// ---- cleaning and names ------------------------------------------------------------------

std::string Log_Text_Clean(const char *text)
{
  std::string clean;
  for (const unsigned char *p = (const unsigned char *)text; *p; p++)
    if ((*p >= ' ' && *p <= '~') || *p == '\t' || *p == '\n') clean += (char)*p;
  return clean;
}

const char *Log_Source_Name(const char *path)
{
  const char *below = std::strstr(path, "/src/");
  return below ? below + 5 : path;
}

std::string Log_Local_Time(const char *format)
{
  char text[64];
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  std::strftime(text, sizeof text, format, &local);
  return text;
}

// ---- log files -----------------------------------------------------------------------------

static std::string Log_File_Path(const char *file_name, const char *default_folder, std::string *folder_out)
{
  std::string folder, name, extension;
  Path_Split(file_name, &folder, &name, &extension);
  if (folder.empty()) {
    folder = (default_folder && *default_folder) ? default_folder : Os_Temp_Dir();
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    for (char &c : folder)
      if (c == '\\') c = '/';
  }
  if (folder_out) *folder_out = folder;
  return folder + name + extension;
}

FILE *Log_File_Open(const char *file_name, const char *default_folder)
{
  std::string folder;
  std::string path = Log_File_Path(file_name, default_folder, &folder);
  if (!Os_Create_Private_Dirs(folder)) {
    if (!log_state.folder_failure_shown.exchange(true)) {
      std::string text = "Unable to create directory: \"" + folder + "\"\nMake sure you have the necessary permisions";
      log_display.box(nullptr, MSG_ERROR, text.c_str(), "Error writing to Scratch dir");
    }
    return nullptr;
  }
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  FILE *stream = fdopen(fd, "a");
  if (!stream) {
    close(fd);
    return nullptr;
  }
  // One buffer larger than the longest message, so a line leaves in one write.
  setvbuf(stream, nullptr, _IOFBF, 16384);
  return stream;
}

void Log_File_Append(const char *file_name, const char *default_folder, const std::string &line)
{
  FILE *stream = Log_File_Open(file_name, default_folder);
  if (!stream) return;
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fclose(stream);
}

// The default writer opens files without creating folders.
static void Append_Existing_Folder(const std::string &path, const std::string &line)
{
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ssize_t written = write(fd, line.data(), line.size());
  (void)written;
  close(fd);
}

// ---- thread ring -------------------------------------------------------------------------

enum { RING_SLOTS = 128, RING_SLOT_SIZE = 1024 };
static char ring_slots[RING_SLOTS][RING_SLOT_SIZE];
static std::atomic<short> ring_write{0};
static std::atomic<short> ring_read{0};

void Log_Ring_Push(const char *text)
{
  short slot = ring_write.load(std::memory_order_relaxed);
  std::strncpy(ring_slots[slot], text, RING_SLOT_SIZE - 1);
  ring_slots[slot][RING_SLOT_SIZE - 1] = 0;
  ring_write.store((short)((slot + 1) % RING_SLOTS), std::memory_order_release);
}

void Log_Ring_Drain(void (*consumer)(const char *text))
{
  short read = ring_read.load(std::memory_order_relaxed);
  while (read != ring_write.load(std::memory_order_acquire)) {
    consumer(ring_slots[read]);
    read = (short)((read + 1) % RING_SLOTS);
    ring_read.store(read, std::memory_order_relaxed);
  }
}

// ---- default writer ------------------------------------------------------------------------

static std::string Trace_Indent(int kind) { return std::string(4 * (kind - MSG_TRACE), ' '); }

static int Default_Writer(Window_Handle window, int kind, const char *text)
{
  std::string clean = Log_Text_Clean(text);
  std::string console, trace;
  switch (kind) {
  case MSG_ERROR:
    log_display.box(window, MSG_ERROR, text, "");
    trace = "ERROR:   " + clean;
    break;
  case MSG_WARNING:
    console = "WARNING: " + clean + " ";
    trace = "WARNING: " + clean;
    break;
  case MSG_QUESTION:
    return log_display.box(window, MSG_QUESTION, text, "");
  case MSG_REPORT:
  case MSG_THREAD:
    console = "REPORT:  " + clean + " ";
    trace = "REPORT:  " + clean;
    break;
  case MSG_AUDIT:
    console = "AUDIT:   " + clean + " ";
    trace = "AUDIT:   " + clean;
    if (log_state.flag_audit) {
      std::string folder;
      Path_Split(log_state.file_audit.c_str(), &folder, nullptr, nullptr);
      std::string dir = folder.empty() ? (log_state.dir_audit.empty() ? Os_Temp_Dir() : log_state.dir_audit) : "";
      Append_Existing_Folder(dir + log_state.file_audit, clean + "\n");
    }
    break;
  case MSG_ERRLOG:
    console = "ERROR LOG:   " + clean + " ";
    trace = "ERROR LOG:   " + clean;
    break;
  default:
    if (kind >= MSG_TRACE && kind <= MSG_TRACE + 8) {
      console = "TRACE:   " + Trace_Indent(kind) + clean + " ";
      trace = "TRACE:   " + Trace_Indent(kind) + clean;
    }
    break;
  }
  if (!console.empty()) std::printf("%s\n", console.c_str());
  if (!trace.empty() && trace_level != 0) Append_Existing_Folder(Os_Temp_Dir() + log_state.file_trace, trace + "\n");
  if (kind == MSG_ERRLOG) {
    std::printf("REPORT:  %s \n", clean.c_str());
    if (trace_level != 0) Append_Existing_Folder(Os_Temp_Dir() + log_state.file_trace, "REPORT:  " + clean + "\n");
  }
  std::fflush(stdout);
  return 1;
}

// ---- Message_Log -----------------------------------------------------------------------------

int Message_Log(Window_Handle window, int kind, const char *format, ...)
{
  if (kind == 0) return 1;
  if (kind >= MSG_TRACE && trace_level < kind - 10) return 1;
  char text[10240];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  Message_Sink sink = Message_Callback.load();
  if (sink) return sink(window, kind, text);
  return Default_Writer(window, kind, text);
}
