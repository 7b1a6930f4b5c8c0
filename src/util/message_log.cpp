// Message_Log and what every sink shares: the log state, the trace-level filter, text
// cleaning, the log files (opened as files of our own, written with one append write,
// closed per message unless the thread holds them), the thread message ring, and the
// default writer used before a sink is installed.
#include "util/message_log.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <iterator>
#include <mutex>
#include <set>
#include <unistd.h>
#include <vector>

#include "platform/os/os_files.h"
#include "platform/os/os_paths.h"
#include "util/path_split.h"
#include "util/text_escape.h"

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

static void Console_Stdout(int, const char *line)
{
  std::printf("%s\n", line);
  std::fflush(stdout);
}

Log_Display log_display = {Default_Box, Ignore_Text, Ignore_Text, Ignore_Window, Console_Stdout};

// ---- cleaning and names ------------------------------------------------------------------

// The cleaning of Log_Text_Clean and Log_Line_Clean: markup dropped, tab kept, the line
// feed kept unless `one_line`, every other control byte escaped.
static std::string Text_Clean(const char *text, bool one_line)
{
  std::string clean;
  for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
    // The bytes kept as they are go over in one run.
    const unsigned char *run = p;
    while (*p >= 0x20 && *p != 0x7F && !(*p >= 0xF0 && *p <= 0xF2)) p++;
    clean.append((const char *)run, (size_t)(p - run));
    if (!*p) break;
    if (Text_Is_Markup(*p)) continue;
    if (*p == '\t' || (*p == '\n' && !one_line))
      clean += (char)*p;
    else if (Text_Is_Control(*p))
      Text_Escape_Control(clean, *p);
    else
      clean += (char)*p;
  }
  return clean;
}

std::string Log_Text_Clean(const char *text) { return Text_Clean(text, false); }

std::string Log_Line_Clean(const char *text) { return Text_Clean(text, true); }

std::string Log_Value_Escape(const char *value) { return Text_Escape(value, TEXT_ESCAPE_MARKUP | TEXT_ESCAPE_BACKSLASH); }

const char *Log_Source_Name(const char *path)
{
  const char *below = std::strstr(path, "/src/");
  return below ? below + 5 : path;
}

std::string Log_Local_Time(const char *format)
{
  // The texts of the last second asked for, by format, per thread: a job that logs
  // every file asks many times a second, in a few formats.
  struct Said {
    std::string format, text;
    std::time_t time = -1;
  };
  static thread_local Said said[4];
  static thread_local unsigned next = 0;
  std::time_t now = std::time(nullptr);
  Said *entry = nullptr;
  for (Said &known : said)
    if (known.format == format) entry = &known;
  if (entry && entry->time == now) return entry->text;
  if (!entry) entry = &said[next++ % std::size(said)];
  char text[64];
  std::tm local;
  localtime_r(&now, &local);
  std::strftime(text, sizeof text, format, &local);
  *entry = {format, text, now};
  return text;
}

// ---- log files -----------------------------------------------------------------------------

std::string Log_State_Dir()
{
  std::string folder;
  return Os_State_Dir(folder) ? folder : Os_Temp_Dir();
}

std::string Log_Audit_Dir() { return log_state.dir_audit.empty() ? Log_State_Dir() : log_state.dir_audit; }

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

enum { LOG_LINE_BUFFER = 65536 };

// The log files refused this run, each reported once.
static std::mutex refused_lock;
static std::set<std::string> refused_paths;

// Opens the log file `path` for appending as a file of our own. A refused file is
// reported the first time (the warning's own file lines skip it silently, as it is in
// the refused set by then); a failed open is silent. Returns the descriptor or -1.
static int Log_File_Descriptor(const std::string &path, bool *folder_missing)
{
  Os_Own_File_Fault fault;
  int fd = Os_Own_File_Open(path, OS_OWN_FILE_APPEND, &fault);
  *folder_missing = fd < 0 && fault == OS_OWN_FILE_OPEN_FAILED && (errno == ENOENT || errno == ENOTDIR);
  if (fd >= 0 || fault == OS_OWN_FILE_OPEN_FAILED) return fd;
  bool first;
  {
    std::lock_guard<std::mutex> hold(refused_lock);
    first = refused_paths.insert(path).second;
  }
  if (first)
    Message_Log(nullptr, MSG_WARNING, "\xF1\x05WARNING:\x02 The log file \x01%s\x02 %s: nothing is written into it",
                Log_Value_Escape(path).c_str(), Os_Own_File_Fault_Text(fault));
  return -1;
}

// Opens the log file `file_name` (in `default_folder` unless it names its own) for
// appending, making its folders when they are missing. Returns the descriptor or -1.
static int Log_File_Made(const char *file_name, const char *default_folder)
{
  std::string folder;
  std::string path = Log_File_Path(file_name, default_folder, &folder);
  // The folder is there nearly always (an audit line per copied file): the file is
  // opened first, and the folders are made only when it cannot be for want of them.
  bool folder_missing = false;
  int fd = Log_File_Descriptor(path, &folder_missing);
  if (fd < 0 && folder_missing) {
    if (!Os_Create_Private_Dirs(folder)) {
      if (!log_state.folder_failure_shown.exchange(true)) {
        std::string text = "Unable to create directory: \"" + folder + "\"\nMake sure you have the necessary permisions";
        log_display.box(nullptr, MSG_ERROR, text.c_str(), "Error writing to Scratch dir");
      }
      return -1;
    }
    fd = Log_File_Descriptor(path, &folder_missing);
  }
  return fd;
}

FILE *Log_File_Open(const char *file_name, const char *default_folder)
{
  int fd = Log_File_Made(file_name, default_folder);
  if (fd < 0) return nullptr;
  FILE *stream = fdopen(fd, "a");
  if (!stream) {
    close(fd);
    return nullptr;
  }
  // One buffer larger than the longest line (10,239 characters, each at most four once
  // escaped, plus the prefix), so a line leaves in one write.
  setvbuf(stream, nullptr, _IOFBF, LOG_LINE_BUFFER);
  return stream;
}

// The log files a thread keeps open while it holds them (Log_Files_Hold).
namespace {
struct Held_Log_File {
  std::string file_name;
  std::string default_folder;
  int fd;
};
struct Held_Log_Files {
  int holds = 0;
  std::vector<Held_Log_File> files;
};
thread_local Held_Log_Files held_log_files;
}  // namespace

Log_Files_Hold::Log_Files_Hold() { held_log_files.holds++; }

Log_Files_Hold::~Log_Files_Hold()
{
  if (--held_log_files.holds > 0) return;
  for (const Held_Log_File &file : held_log_files.files) close(file.fd);
  held_log_files.files.clear();
}

// The held descriptor of a log file, opened when first written or when the file kept
// open is no longer one to write into (removed, linked); -1 when it cannot be opened.
static int Held_Descriptor(const char *file_name, const char *default_folder)
{
  const char *folder = default_folder ? default_folder : "";
  std::vector<Held_Log_File> &files = held_log_files.files;
  for (auto file = files.begin(); file != files.end(); ++file) {
    if (file->file_name != file_name || file->default_folder != folder) continue;
    if (Os_Own_File_Kept(file->fd)) return file->fd;
    close(file->fd);
    files.erase(file);
    break;
  }
  int fd = Log_File_Made(file_name, default_folder);
  if (fd >= 0) files.push_back({file_name, folder, fd});
  return fd;
}

void Log_File_Append(const char *file_name, const char *default_folder, const std::string &line)
{
  bool held = held_log_files.holds > 0;
  int fd = held ? Held_Descriptor(file_name, default_folder) : Log_File_Made(file_name, default_folder);
  if (fd < 0) return;
  Os_Write_All(fd, line.data(), line.size());
  if (!held) close(fd);
}

// The default writer opens files without creating folders.
static void Append_Existing_Folder(const std::string &path, const std::string &line)
{
  bool folder_missing;
  int fd = Log_File_Descriptor(path, &folder_missing);
  if (fd < 0) return;
  Os_Write_All(fd, line.data(), line.size());
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
  std::string clean = Log_Line_Clean(text);
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
    if (log_state.flag_audit)
      Append_Existing_Folder(Log_File_Path(log_state.file_audit.c_str(), Log_Audit_Dir().c_str(), nullptr), clean + "\n");
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

int Message_Log_Emit(Window_Handle window, int kind, const char *format, ...)
{
  if (!Message_Log_Passes(kind)) return 1;
  char text[10240];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  Message_Sink sink = Message_Callback.load();
  if (sink) return sink(window, kind, text);
  return Default_Writer(window, kind, text);
}
