// The library's warning and notice kinds, and the writers that put the warning markup
// in front of a text. Both kinds start at 0, which writes nothing.
#include "dicom/NEMA_Log.h"

#include <cstdarg>
#include <cstdio>

#include "util/message_log.h"

std::atomic<int> NEMA_Warning_Kind{0};
std::atomic<int> NEMA_Notice_Kind{0};

static thread_local std::vector<std::string> *captured = nullptr;

// Keeps the formatted text in the calling thread's capture.
static void Capture_Formatted(const char *format, va_list args)
{
  char text[4096];
  std::vsnprintf(text, sizeof text, format, args);
  captured->push_back(text);
}

void NEMA_Capture_Begin(std::vector<std::string> *texts) { captured = texts; }
void NEMA_Capture_End() { captured = nullptr; }

static void Write_Formatted(Window_Handle owner, int kind, const char *prefix, const char *format, va_list args)
{
  char text[4096];
  std::vsnprintf(text, sizeof text, format, args);
  Message_Log(owner, kind, "%s%s", prefix, text);
}

int NEMA_Warning(Window_Handle owner, const char *format, ...)
{
  int kind = NEMA_Warning_Kind.load();
  if (!kind && !captured) return 1;
  va_list args;
  va_start(args, format);
  if (captured) {
    Capture_Formatted(format, args);
  } else {
    Write_Formatted(owner, kind, NEMA_WARNING_PREFIX, format, args);
  }
  va_end(args);
  return 1;
}

int NEMA_Notice(Window_Handle owner, const char *format, ...)
{
  int kind = NEMA_Notice_Kind.load();
  if (!kind && !captured) return 1;
  va_list args;
  va_start(args, format);
  if (captured) {
    Capture_Formatted(format, args);
  } else {
    Write_Formatted(owner, kind, "", format, args);
  }
  va_end(args);
  return 1;
}
