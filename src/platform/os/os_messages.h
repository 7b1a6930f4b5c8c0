// The program's own window message numbers, defined once for every layer: the message log
// posts WM_THREAD_MESSAGE, the progress record notifies its view with the WM_PROGRESS_*
// numbers, and the window system delivers them. They keep the values of the program's
// Windows design (WM_USER + n), so a number written in a trace means the same everywhere.
// The "let the system choose" window position lives here too: the command line (in the
// core) sets it and the window system reads it.
#pragma once

// A window position or size left to the window system (top-level windows only).
constexpr int CW_USEDEFAULT = (int)0x80000000;

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
  // Messages among the desktop program's own windows.
  WM_LIST_REFRESH = WM_USER + 30,       // 0x41E: a job changed the catalogue: refresh the list pane
  WM_JOB_RESCAN = WM_USER + 31,         // 0x41F: a job moved or deleted files: scan the folder again
  WM_PANE_MOUSE_LEFT = WM_USER + 32,    // 0x420: the mouse went into another pane: drop hover states
};
