// The wait cursor: a process-wide counter raised around long work. While it is above 0
// every window shows the wait cursor whatever shape is asked for; when it falls back to
// 0 the shape the windows asked for last (for example the resize arrows over a splitter)
// returns. Used on the user-interface thread.
#pragma once

#include "platform/window/window_system.h"

// Raises (raise != 0) or lowers the wait counter and shows the cursor it calls for.
// Trace "Set_Wait_Flag Wait=%d Shape=%d". Lowering below 0 is ignored.
void Set_Wait_Flag(int raise);

// The shape a window wants (arrow, resize); shown at once unless the wait cursor is up,
// else remembered for when the counter returns to 0.
void Set_Cursor_Shape(Window_Cursor shape);

// The counter's value.
int Wait_Flag_Count();
