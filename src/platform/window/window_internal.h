// The window system's private records, shared by its source files only: the window and
// class records, the process-wide state with its two locks, and the backend interface
// that the SDL and headless backends fill.
//
// Locks: `drawing` (recursive) guards framebuffers, geometry and the window tree;
// `queue_lock` guards the message queue and the pending cross-thread calls. A thread may
// take queue_lock while holding drawing, never the other way round.
//
// Window records are never freed during the run: a destroyed window keeps its record with
// `alive` false, so a stale handle held by a worker is always recognised.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/window_queue.h"
#include "platform/window/window_system.h"

struct Window_Class_Record {
  std::string name;
  Window_Proc procedure = nullptr;
  uint32_t background = WINDOW_NO_BACKGROUND;
  std::string icon;
};

struct Window_Record {
  std::atomic<bool> alive{false};
  Window_Class_Record *window_class = nullptr;
  std::string title;
  uint32_t style = 0, ex_style = 0;
  bool is_child = false;
  Window_Record *parent = nullptr;  // parent of a child, owner of a top-level window
  std::vector<Window_Record *> children;
  int id = 0;
  int x = 0, y = 0, width = 0, height = 0;  // see Window_Create
  bool shown = false, enabled = true, minimized = false, topmost = false;
  std::atomic<bool> invalid{false};
  bool erase = false;
  void *data = nullptr;
  uint64_t serial = 0;                 // creation order: parents before children
  Framebuffer frame;                   // top-level windows only
  std::atomic<bool> frame_dirty{false};  // drawn since last presented
  Window_Record *last_focus = nullptr;  // the child that had the focus (top-level only)
  void *backend_window = nullptr;       // the backend's own window (SDL_Window *)
};

// What a backend does; every function runs on the user-interface thread except wake.
struct Window_Backend_Ops {
  int (*start)();                                   // 1 when running
  void (*stop)();
  int (*create)(Window_Record *top);                // make the window (hidden); 1 when made
  void (*destroy)(Window_Record *top);
  void (*set_title)(Window_Record *top);
  void (*show)(Window_Record *top, int show_command);
  void (*move)(Window_Record *top);                 // position and size from the record
  void (*set_topmost)(Window_Record *top);
  void (*raise)(Window_Record *top);
  void (*present)(Window_Record *top);              // show the framebuffer (drawing lock held)
  void (*set_cursor)(Window_Cursor cursor);
  void (*capture)(int on);                          // keep the pointer while a button is held
  void (*pump)();                                   // turn pending events into input calls
  void (*wait)(int milliseconds);                   // sleep until an event or a wake
  void (*wake)();                                   // any thread: end a wait
  void (*screen_size)(int *width, int *height);
};

extern const Window_Backend_Ops window_backend_sdl;
extern const Window_Backend_Ops window_backend_headless;

// A call that another thread asked the user-interface thread to run.
struct Window_Call {
  std::function<intptr_t()> work;
  intptr_t result = 0;
  bool done = false;
};

struct Window_State {
  std::recursive_mutex drawing;
  std::mutex queue_lock;
  std::condition_variable queue_signal;     // headless waits on it
  std::deque<Window_Message> queue;         // posted messages
  std::deque<Window_Call *> calls;          // cross-thread sends, run before posted messages
  std::condition_variable call_done;
  bool wake_pending = false;                // a wake since the last wait
  bool quit_pending = false;
  int quit_value = 0;
  std::atomic<bool> present_pending{false};

  std::atomic<bool> running{false};
  std::thread::id ui_thread;
  std::atomic<const Window_Backend_Ops *> backend{nullptr};
  Window_Backend kind = WINDOW_BACKEND_AUTO;

  std::vector<std::unique_ptr<Window_Class_Record>> classes;
  std::vector<std::unique_ptr<Window_Record>> records;  // every window ever made
  uint64_t next_serial = 1;

  Window_Record *focus = nullptr;
  Window_Record *capture = nullptr;
  Window_Record *modal = nullptr;
  std::atomic<Window_Cursor> cursor{CURSOR_ARROW};  // the shape asked for
  Window_Cursor cursor_shown = CURSOR_ARROW;        // the shape the backend shows (UI thread)
};

extern Window_State window_state;

// The record of a live window, or null. Any thread.
Window_Record *Window_Live(Window_Handle window);

// 1 when a class of this name is registered (user-interface thread).
int Window_Class_Exists(const char *name);

// 1 on the user-interface thread of a running system; otherwise reports `function` through
// MSG_ERRLOG and returns 0.
int Window_Check_UI_Thread(const char *function);

// Calls the procedure of a live window (user-interface thread).
intptr_t Window_Call_Proc(Window_Record *record, unsigned message, uintptr_t wparam, intptr_t lparam);

// Runs `work` on the user-interface thread and returns its result: at once when called
// there, else queued ahead of posted messages while the caller waits. Returns 0 without
// running it when the system stops first.
intptr_t Window_Run_On_UI(const std::function<intptr_t()> &work);

// Answers every waiting cross-thread call with 0 (the system stops).
void Window_Calls_Abandon();

// Runs the cross-thread calls that are waiting (user-interface thread).
void Window_Calls_Run();

// Wakes the loop: the backend's wake, and the queue's condition.
void Window_Wake();

// The window that should paint next (parents first), or null.
Window_Record *Window_Next_Invalid();

// Paints one window now: marks it valid, fills its class background when the invalidation
// asked for it, and sends WM_PAINT (user-interface thread).
void Window_Paint(Window_Record *record);

// Shows the cursor shape last asked for, when the backend shows another (UI thread).
void Window_Cursor_Apply();

// Presents every top-level framebuffer drawn since its last presentation (UI thread).
void Window_Present_Dirty();

// Fills the rectangle (client coordinates) of a window with a colour, clipped (drawing lock).
void Window_Fill(Window_Record *record, int x, int y, int width, int height, uint32_t colour);

// Resizes a top-level window's framebuffer to its new client size, keeping the pixels that
// still fit; new pixels take the class background (drawing lock taken).
void Window_Resize_Frame(Window_Record *top, int width, int height);

// Removes every queued message for a window (it is destroyed).
void Window_Queue_Forget(Window_Record *record);

// 1 when `record` is `ancestor` or lies inside it.
bool Window_Is_Inside(const Window_Record *record, const Window_Record *ancestor);

// Drops the focus, capture and modal state held by a window that goes away (or hides).
void Window_Focus_Forget(Window_Record *record);

// The running backend's operations (any thread; null when stopped).
inline const Window_Backend_Ops *Window_Backend_Now() { return window_state.backend.load(); }
