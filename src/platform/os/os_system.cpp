// Machine facts from gethostname, uname, sysconf and the scheduler's affinity; errno
// texts from glibc's name and message tables.
#include "platform/os/os_system.h"

#include <sched.h>
#include <string.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <thread>

int Os_System_Info_Read(Os_System_Info &info)
{
  int complete = 1;
  char host[256] = {0};
  if (gethostname(host, sizeof host - 1) == 0)
    info.computer_name = host;
  else
    complete = 0;
  struct utsname names;
  if (uname(&names) == 0) {
    info.system_name = names.sysname;
    info.release = names.release;
    info.machine = names.machine;
  } else {
    complete = 0;
  }
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  info.processor_count = count > 0 ? (unsigned)count : 1;
  return complete;
}

std::string Os_Error_Text(int code)
{
  const char *name = strerrorname_np(code);
  std::string text = name ? std::string("[") + name + "]" : "[" + std::to_string(code) + "]";
  return text + " " + std::strerror(code);
}

unsigned Os_Processors_Usable()
{
  cpu_set_t allowed;
  int processors = sched_getaffinity(0, sizeof allowed, &allowed) == 0 ? CPU_COUNT(&allowed)
                                                                          : (int)std::thread::hardware_concurrency();
  return processors > 1 ? (unsigned)processors : 1;
}
