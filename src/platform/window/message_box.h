// Message boxes: a small modal window of the program's own (caption, icon, text, and an
// "OK" button or "Yes" and "No" buttons) run by a nested message loop until answered. While
// a box is open the other windows of the program are painted and get their posted messages,
// but their mouse and key input is dropped. Keys: Enter answers OK/Yes, Escape OK/No, Y and N
// answer Yes and No. The close box answers OK/No.
// Headless, and whenever no window can be shown, the box is written to standard error and
// answered by the next scripted reply (Message_Box_Script, or $HARROWDESK_BOX_ANSWERS):
// without one an error box is answered OK and a Yes/No box No, the safe answer.
#pragma once

#include "platform/os/window_handle.h"

// Shows a box and returns the answer: IDOK for MB_OK boxes; IDYES or IDNO for MB_YESNO.
//   owner    the window that owns the box (may be null); the box is centred over it
//   text     the message (line feeds break lines; long lines are wrapped); null is ""
//   caption  the title; null or "" gives "Error" for MB_ICONERROR and "Harrowdesk" otherwise
//   type     MB_OK or MB_YESNO, plus one MB_ICON* value
// Any thread: on a worker the box is shown by the user-interface thread while the worker
// waits. A WM_QUIT met by the nested loop ends the box (answer IDOK/IDNO) and is queued again.
int Message_Box(Window_Handle owner, const char *text, const char *caption, unsigned type);

// Queues scripted replies for boxes answered without a window: a comma-separated list of
// "yes", "no" and "ok" (case ignored); each box takes the first one left. An empty or null
// text clears the list. Unknown words are skipped with a MSG_WARNING.
void Message_Box_Script(const char *answers);

// The number of boxes answered since the start of the run (both kinds of answer). Any thread.
int Message_Box_Count();

// The message log's box hook (Log_Display::box): kind MSG_ERROR shows an error box and
// returns 1; kind MSG_QUESTION shows a Yes/No box and returns 1 for Yes, 0 for No; any other
// kind shows an information box and returns 1.
int Message_Box_For_Log(Window_Handle owner, int kind, const char *text, const char *caption);
