// The message queue and the message loop. One thread-safe queue serves every window:
// any thread posts; the user-interface thread gets, translates and dispatches. Sending
// calls the procedure at once on the user-interface thread; from another thread the call
// waits until the user-interface thread has run it. When nothing is queued, the loop
// hands out WM_PAINT for invalid windows and presents what was drawn; then it sleeps until
// a post or (SDL) an input event wakes it.
//
// Index: the message record / posting / sending / the loop / quitting.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"
#include "platform/window/window_messages.h"

// ---- the message record --------------------------------------------------------------------------

struct Window_Message {
  Window_Handle window = nullptr;  // the receiver (null for WM_QUIT)
  unsigned message = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

// ---- posting (any thread) -------------------------------------------------------------------------

// Appends a message for `window` to the queue and wakes the loop.
// Returns 1 when queued; returns 0 when `window` is not a live window or the system is not
// running (nothing is queued; no report, as a worker may outlive its window).
int Window_Post(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// The same, but when a message with the same window and number is still queued, the new one
// replaces nothing and is dropped: frequent updates (WM_PROGRESS_POSITION) cost one redraw.
// Returns 1 when queued or already queued; 0 as Window_Post.
int Window_Post_Unique(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// Removes every queued message with this window (null: any window) and number.
// Returns how many were removed.
int Window_Queue_Remove(Window_Handle window, unsigned message);

// ---- sending ----------------------------------------------------------------------------------------

// Calls the window's procedure with the message and returns its result. On another thread
// the call is queued ahead of posted messages and waits until the user-interface thread has
// run it (it must be in its loop, a nested loop or a box then). Returns 0 for a dead handle.
intptr_t Window_Send(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// ---- the loop (user-interface thread) ---------------------------------------------------------------

// Waits for the next message and stores it in `msg`. Returns 1 for a message to dispatch;
// returns 0 for WM_QUIT (msg->wparam holds the exit value); returns -1 when called on the
// wrong thread or before the system is started (msg untouched).
int Window_Get_Message(Window_Message *msg);

// Like Window_Get_Message without waiting: returns 1 with a message (removed from the queue
// when `remove`), 0 when none is pending. `window` and the range first..last (both 0 for
// all) select which queued messages count; synthesised WM_PAINT messages count only for an
// unfiltered peek.
int Window_Peek_Message(Window_Message *msg, Window_Handle window, unsigned first, unsigned last, int remove);

// Turns key presses into character messages: WM_KEYDOWN of Escape, Return, Backspace, Tab
// and Ctrl with a letter queues a WM_CHAR (0x1B, 0x0D, 0x08, 0x09, letter - 'A' + 1) ahead
// of the other messages; WM_SYSKEYDOWN gives WM_SYSCHAR the same way. Printable characters
// come as WM_CHAR from the backend's text input (Window_Input_Char). Returns 1 when a
// character was queued.
int Window_Translate_Message(const Window_Message *msg);

// Hands the message to its window's procedure and returns the result; 0 for a dead window.
// Mouse and key messages of a disabled window (or of windows other than a modal box while
// one is open) are dropped. WM_PAINT validates the window and fills its class background
// first when the invalidation asked for it; the procedure then draws.
intptr_t Window_Dispatch_Message(const Window_Message *msg);

// Runs get, translate, dispatch until WM_QUIT and returns its exit value.
int Window_Run_Loop();

// Dispatches what is queued and the pending paints, without waiting, then presents.
// For tests and nested waits. Returns the number of messages dispatched; stops at WM_QUIT,
// which stays queued, and after 100,000 messages (a procedure that keeps posting to or
// invalidating itself cannot hang the caller; call again while it returns more than 0).
int Window_Process_Pending();

// Makes `window` (a top-level window) the modal one: until it is destroyed or another call
// changes it, mouse and key input for every other window is dropped (posted and sent
// messages still arrive). Null ends the modal state. Returns the previous modal window.
// Message boxes and the folder chooser use it around their nested loops.
Window_Handle Window_Set_Modal(Window_Handle window);

// ---- quitting ---------------------------------------------------------------------------------------

// Queues WM_QUIT with the exit value; the loop ends when it comes to it. Any thread.
void Window_Post_Quit(int exit_value);
