// The "Progress" window: the desktop program's view of a job's progress record. It shows
// the job's title as its caption, the subtitle, the red progress bar with its bouncing
// disc, a text area with the lines the worker writes, and a "Cancel" button.
//
// The idea: the worker never touches the window. The view that Progress_Window_View
// attaches to the record only posts messages (position updates coalesced, so a worker
// that reports a hundred thousand times costs a few redraws); the window procedure, on
// the user-interface thread, takes the record's lock, reads the fields and draws. The
// window holds a reference to the record, so whichever of the job and the window ends
// last frees it. Cancelling (the button or the close box) only sets the flag the worker
// reads; the window stays until the job's Progress_End reaches it.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"
#include "tools/box.h"
#include "tools/button.h"
#include "tools/progress_bar.h"
#include "tools/text_pane.h"
#include "util/progress.h"

constexpr const char *PROGRESS_CLASS = "Progress";      // the window class
constexpr uint32_t PROGRESS_BACKGROUND = 0xAAAAAA;       // its background, grey (170, 170, 170)
enum { PROGRESS_WIDTH = 400, PROGRESS_HEIGHT = 250 };   // the client size at creation

// The window's record, its data (Window_Get_Data) from WM_CREATE to WM_DESTROY. Its
// widgets are laid out on WM_SIZE and used on the user-interface thread only.
struct Progress_Window {
  Progress_Record *progress = nullptr;  // the window's own reference
  Label subtitle;
  Box frame;                            // the sunken frame around the bar
  Progress_Bar bar;
  Text_Pane text;                       // the lines written by the worker
  Button cancel;
  int wheel = 0;                        // wheel movement not yet turned into lines
};

// The procedure of window class "Progress" (register it with PROGRESS_CLASS and
// PROGRESS_BACKGROUND). WM_CREATE takes the record from the create parameter and retains
// it (returns -1, refusing the window, when the record is missing or memory runs out);
// WM_DESTROY releases it. Handles WM_SIZE (layout, and the record's bar_width), WM_PAINT,
// the WM_PROGRESS_* messages, WM_CLOSE (cancels, writes "closing..."), the mouse (the
// Cancel button cancels and writes "cancel...", the wheel scrolls the text a line per
// 120 units); keys are ignored. User-interface thread.
intptr_t Progress_Window_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// A Progress_View_Factory (store it in progress_view_factory): creates the 400 x 250
// "Progress" window for `progress`, titled with its title, placed on `owner` (left: the
// owner's horizontal centre - 200, not left of its left edge; top: its vertical centre
// - 200, not above its top; the screen stands in for a missing owner), traced "creating
// window: %d %d %s %08x" (x, y, title, process id), topmost when `topmost` is not 0.
// `value_callback` is not used. Returns the view, owned by the record from then on.
// Returns nullptr after MSG_WARNING "file:%s line:%d" and "Unable to create Progress
// Window" when the window cannot be made or the call is not on the user-interface thread
// (the job then runs without a window).
Progress_View *Progress_Window_View(Progress_Record *progress, Window_Handle owner, void *value_callback, int topmost);

// The window of a record whose view Progress_Window_View made, or null (no record, another
// kind of view, none). The handle stays safe to pass after the window is gone.
Window_Handle Progress_Window_Handle(const Progress_Record *progress);
