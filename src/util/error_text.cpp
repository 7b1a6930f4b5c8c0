// Error_Text over the platform's errno names.
#include "util/error_text.h"

#include <cerrno>
#include <string>

#include "platform/os/os_system.h"

const char *Error_Text(int code)
{
  thread_local std::string text;
  text = Os_Error_Text(code == 0 ? errno : code);
  return text.c_str();
}
