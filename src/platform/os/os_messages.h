// The program's own window message numbers, defined once for every layer: the message log
// posts WM_THREAD_MESSAGE, the progress record notifies its view with the WM_PROGRESS_*
// numbers, and the window system delivers them. They keep the values of the program's
// Windows design (WM_USER + n), so a number written in a trace means the same everywhere.
#pragma once

enum : unsigned {
  WM_USER = 0x400,
  WM_THREAD_MESSAGE = WM_USER + 1,      // 0x401: lines wait in the thread message ring
  WM_PROGRESS_POSITION = WM_USER + 20,  // 0x414: redraw the bar (coalesced by the poster)
  WM_PROGRESS_END = WM_USER + 21,       // 0x415: the job is over: destroy the progress window
  WM_PROGRESS_TITLE = WM_USER + 23,     // 0x417: redraw the subtitle
  WM_PROGRESS_RANGE = WM_USER + 24,     // 0x418: redraw the bar
  WM_PROGRESS_TEXT = WM_USER + 25,      // 0x419: move the pending lines into the text area
  WM_PROGRESS_SHOW = WM_USER + 26,      // 0x41A: show the progress window, topmost (a
                                        // Progress_Show made off the user-interface thread)
};
