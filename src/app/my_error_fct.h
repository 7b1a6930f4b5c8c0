// The program's message sink: routes each message kind to its box, message pane,
// console line, trace file, audit file or error file.
#pragma once

#include "util/message_log.h"

// Installed as Message_Callback at start-up. Returns 1, or the Yes/No answer for
// MSG_QUESTION. Safe on any thread; kinds 3, 4 and 8 belong to the main thread.
int My_Error_Callback(Window_Handle window, int kind, const char *text);
