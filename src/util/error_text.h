// System error texts for messages.
#pragma once

// The text of an errno value, "[ENOENT] No such file or directory"; 0 means the calling
// thread's current errno. The text lives in a per-thread buffer that the thread's next
// call overwrites.
const char *Error_Text(int code);
