// The message pane: the text pane on the right of the main window where the program's
// reports, warnings and the jobs' thread lines appear, newest at the bottom, with both
// scroll bars. The message log reaches it through the display hooks installed here.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"

// Installs the message log's display hooks: boxes as the program's own modal boxes, lines
// appended to (or overwriting the last line of) the message pane, and WM_THREAD_MESSAGE
// posted to the main window for the thread message ring.
void Message_Pane_Install();

// Appends every pending line of the thread message ring, oldest first. Main thread.
void Message_Pane_Drain();

// The newest line of the message pane without display codes ("" before any).
const char *Message_Pane_Last_Line();

// The procedure of the message pane's class.
intptr_t Text_Pane_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);
