// Facts about the machine for the trace file's run header, and system error texts.
#pragma once

#include <string>

struct Os_System_Info {
  std::string computer_name;  // host name
  std::string system_name;    // uname sysname, e.g. "Linux"
  std::string release;        // uname release
  std::string machine;        // uname machine, e.g. "x86_64"
  unsigned processor_count;   // online processors
};

// Fills `info`. Returns 1 when the host name and uname were read; returns 0 otherwise,
// with the fields that could be read filled and the others empty.
int Os_System_Info_Read(Os_System_Info &info);

// The processors this process may run on (its affinity: 1 under `taskset -c 0`), at
// least 1: how many threads are worth running at once.
unsigned Os_Processors_Usable();

// The text of an errno value: "[ENOENT] No such file or directory" (symbolic name in
// brackets, a blank, the system's text), or "[%d] <text>" for a value without a name.
std::string Os_Error_Text(int code);
