// The DICOM library's own message kinds and the markup of its warnings. Repairs of known
// encoding faults, syntax warnings and dictionary notices go out with two library-wide
// kinds that start at 0, and kind 0 writes nothing: by default the library is silent
// about what it mends and only the flags of the attributes keep the outcome visible.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/os/window_handle.h"

// Kind used for the library's warnings (repairs, syntax faults); 0 = silent.
extern std::atomic<int> NEMA_Warning_Kind;
// Kind used for the library's notices (retired tags, VR mismatches); 0 = silent.
extern std::atomic<int> NEMA_Notice_Kind;

// The lead-in of every library warning line: four spaces, bold yellow "WARNING:", black.
#define NEMA_WARNING_PREFIX "    \xF1\x05WARNING:\x02 "
// The lead-in of an error line inside a message: bold red "ERROR:", black.
#define NEMA_ERROR_PREFIX "\xF1\x04" "ERROR:\x02"

// Writes NEMA_WARNING_PREFIX followed by the formatted text with NEMA_Warning_Kind.
// Does nothing when that kind is 0. Returns 1.
int NEMA_Warning(Window_Handle owner, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Writes the formatted text as it is with NEMA_Notice_Kind. Does nothing when that
// kind is 0. Returns 1.
int NEMA_Notice(Window_Handle owner, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Sends the library's warnings and notices written on the calling thread into `texts`
// (markup kept, warnings without NEMA_WARNING_PREFIX), whatever the kinds say, instead
// of the log, until NEMA_Capture_End. Lets a caller tell which warnings one operation gave (the IOD
// check reports the cleanup's messages per attribute). Other threads are not affected.
void NEMA_Capture_Begin(std::vector<std::string> *texts);
void NEMA_Capture_End();
