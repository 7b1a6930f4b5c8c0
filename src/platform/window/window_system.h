// The window system: window classes registered by name with one procedure each,
// top-level windows that own a 32-bit framebuffer, and child windows that are rectangles
// of their top-level window with a procedure of their own. The program draws into the
// framebuffer through a window surface (a clipped view of it); the backend presents it.
// Two backends share everything here: SDL2 on a real display, and "headless" (no display:
// windows keep their framebuffers, input arrives through window_input.h, any window can be
// saved as a PNG, message boxes take scripted answers).
//
// Threads: the thread that calls Window_System_Start is the user-interface thread. Every
// function here runs on it, except the surface functions, the drawing lock, the geometry
// queries, Window_Is_Window, Window_Invalidate and Window_Set_Cursor, which any thread may
// call (workers draw into progress windows and the message pane). Messages are posted from
// any thread (window_queue.h).
//
// Index: start and backend / classes / lifetime / geometry and state / focus and capture /
//        cursors / invalidation and paint / surfaces and the drawing lock.
#pragma once

#include <cstdint>

#include "platform/os/window_handle.h"
#include "platform/window/framebuffer.h"
#include "platform/window/window_messages.h"

// ---- start and backend -----------------------------------------------------------------------

enum Window_Backend { WINDOW_BACKEND_AUTO = 0, WINDOW_BACKEND_SDL = 1, WINDOW_BACKEND_HEADLESS = 2 };

// Starts the window system on the calling thread, which becomes the user-interface thread.
// WINDOW_BACKEND_AUTO chooses: "headless" when $HARROWDESK_BACKEND is "headless"; else SDL
// when it finds a real display (its video driver is neither "offscreen" nor "dummy"); else
// headless. WINDOW_BACKEND_SDL fails when there is no real display.
// Returns 1 when the system runs (a second call returns 1 and changes nothing); returns 0
// after reporting through Message_Log (MSG_ERRLOG) when the asked-for backend cannot start.
int Window_System_Start(Window_Backend backend);

// Destroys every remaining window, forgets the classes, closes the backend. The system may
// be started again afterwards (tests do). Handles of the old windows stay safe to pass
// (Window_Is_Window answers 0 for them).
void Window_System_Stop();

// The running backend: WINDOW_BACKEND_SDL or WINDOW_BACKEND_HEADLESS; AUTO when not started.
Window_Backend Window_System_Backend();

// 1 when called on the user-interface thread of the running system.
int Window_System_Is_UI_Thread();

// The screen size in pixels (headless: 1920 x 1080). Outputs untouched when not started.
void Window_Screen_Size(int *width, int *height);

// ---- classes ----------------------------------------------------------------------------------

// The procedure of a window class. It receives every message sent or dispatched to a window
// of the class and returns the message's result; what it does not handle it passes to
// Window_Default_Proc.
typedef intptr_t (*Window_Proc)(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

enum : uint32_t { WINDOW_NO_BACKGROUND = 0xFF000000u };

struct Window_Class {
  const char *name = nullptr;               // unique class name, copied
  Window_Proc procedure = nullptr;          // required
  uint32_t background = WINDOW_NO_BACKGROUND;  // 0x00RRGGBB filled over the invalid window
                                            // before WM_PAINT, or WINDOW_NO_BACKGROUND
  const char *icon = nullptr;               // icon resource name ("ICON1"), copied; may be null
};

// Registers a class. Returns 1 when registered; returns 0 after a MSG_ERRLOG report when the
// name or procedure is missing, the name is taken, or the system is not started.
int Window_Class_Register(const Window_Class &window_class);

// What the system does with a message nobody handled: WM_CLOSE destroys the window; every
// other message returns 0.
intptr_t Window_Default_Proc(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam);

// ---- lifetime ----------------------------------------------------------------------------------

// Creates a window of `class_name`.
//   style         WS_CHILD for a child (needs `parent`), else a top-level window; WS_VISIBLE
//                 shows it at once; WS_POPUP makes a top-level window without frame
//   ex_style      WS_EX_TOPMOST keeps a top-level window above the others
//   x, y          child: the client origin in the parent's client area (y downwards);
//                 top-level: the screen position, or CW_USEDEFAULT for the system's choice
//   width, height the CLIENT size in pixels (CW_USEDEFAULT gives 640 x 480 for a top-level)
//   parent        the parent of a child; for a top-level window its owner (may be null)
//   id            the child id (Window_Get_Id); 0 for a top-level window
//   create_param  handed to WM_CREATE as lparam
// The procedure gets WM_CREATE (returning -1 refuses the window: it is destroyed and the
// call fails), then WM_SIZE with the client size, then WM_SHOWWINDOW when WS_VISIBLE.
// Returns the window; returns null after a MSG_ERRLOG report (unknown class, bad parent,
// not on the user-interface thread, refused by WM_CREATE, backend failure).
Window_Handle Window_Create(uint32_t ex_style, const char *class_name, const char *title, uint32_t style,
                            int x, int y, int width, int height, Window_Handle parent, int id,
                            void *create_param);

// Destroys a window and its children: WM_DESTROY to the window, then to each child; the
// capture and focus are dropped when they were on it; queued messages for it are removed.
// The handle stays safe to pass afterwards (every call then does nothing or fails).
// Returns 1 when destroyed; 0 for a handle that is not a live window.
int Window_Destroy(Window_Handle window);

// 1 when `window` is a live window. Any thread.
int Window_Is_Window(Window_Handle window);

// The value the program attached to the window (null at first). The record stays owned
// by the program; the window system never frees it.
void Window_Set_Data(Window_Handle window, void *data);
void *Window_Get_Data(Window_Handle window);

// The parent of a child, null for a top-level window; the top-level window of any window
// (itself for a top-level one); the child id given at creation; the class name (owned by
// the system, valid while the class is registered; "" for a dead handle).
Window_Handle Window_Get_Parent(Window_Handle window);
Window_Handle Window_Get_Top(Window_Handle window);
int Window_Get_Id(Window_Handle window);
const char *Window_Get_Class(Window_Handle window);

// ---- geometry and state -------------------------------------------------------------------------

// Moves and sizes a window (client rectangle, as in Window_Create). A child may lie partly or
// wholly outside its parent: drawing is clipped to the parent. A size change sends WM_SIZE;
// a position change WM_MOVE; with `repaint` the window (a child: its top-level window) is
// invalidated. Sizes below 0 are taken as 0. Returns 1, or 0 for a dead handle.
int Window_Move(Window_Handle window, int x, int y, int width, int height, int repaint);

// The client size. Any thread. Returns 1; returns 0 for a dead handle, outputs untouched.
int Window_Get_Client_Size(Window_Handle window, int *width, int *height);

// The client origin: in the parent's client area for a child, on the screen for a top-level
// window. Any thread. Returns 1; 0 for a dead handle, outputs untouched.
int Window_Get_Position(Window_Handle window, int *x, int *y);

// Converts a point between a window's client coordinates and screen coordinates.
// Returns 1; 0 for a dead handle, point untouched.
int Window_Screen_To_Client(Window_Handle window, int *x, int *y);
int Window_Client_To_Screen(Window_Handle window, int *x, int *y);

// Shows or hides (SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_MINIMIZE, SW_SHOWMINIMIZED, SW_RESTORE).
// A hidden window draws nothing and gets no input; its children are hidden with it.
// Returns 1 when the window was visible before, 0 otherwise.
int Window_Show(Window_Handle window, int show_command);

// 1 when the window and all its ancestors are shown.
int Window_Is_Visible(Window_Handle window);

// 1 when the window's top-level window is minimised.
int Window_Is_Minimized(Window_Handle window);

// Enables or disables a window's input (mouse and keys are dropped while disabled).
// Returns 1 when it was disabled before, 0 otherwise.
int Window_Enable(Window_Handle window, int enable);
int Window_Is_Enabled(Window_Handle window);

// The window's title (copied). Returns 1; 0 for a dead handle.
int Window_Set_Title(Window_Handle window, const char *title);
// The title; "" for a dead handle. The text is owned by the window and stays valid until
// the next Window_Set_Title on it or its destruction.
const char *Window_Get_Title(Window_Handle window);

// Keeps a top-level window above the others (1) or not (0). Returns 1; 0 for a child or a
// dead handle.
int Window_Set_Topmost(Window_Handle window, int topmost);

// Raises a top-level window above its non-topmost siblings. Returns 1; 0 for a child or a
// dead handle.
int Window_Raise(Window_Handle window);

// ---- focus and capture ------------------------------------------------------------------------

// Gives the keyboard focus to `window` (null: to nobody). WM_KILLFOCUS goes to the old focus,
// WM_SETFOCUS to the new one. Returns the previous focus window (null when none).
Window_Handle Window_Set_Focus(Window_Handle window);
Window_Handle Window_Get_Focus();

// While a window holds the capture every mouse message goes to it, with its own client
// coordinates even outside it (on SDL the pointer is grabbed while a button is held).
// Window_Set_Capture returns the previous holder; Window_Release_Capture sends
// WM_CAPTURECHANGED to the holder and returns 1 (0 when nobody held it).
Window_Handle Window_Set_Capture(Window_Handle window);
int Window_Release_Capture();
Window_Handle Window_Get_Capture();

// ---- cursors -------------------------------------------------------------------------------------

enum Window_Cursor { CURSOR_ARROW = 0, CURSOR_SIZE_WE = 1, CURSOR_WAIT = 2 };

// Shows the cursor shape over every window of the program until it is changed again.
// Returns the previous shape. Any thread: from a worker the shape shows when the loop next
// runs. (Headless, only the shape is remembered.)
Window_Cursor Window_Set_Cursor(Window_Cursor cursor);
Window_Cursor Window_Get_Cursor();

// ---- invalidation and paint ------------------------------------------------------------------------

// Marks the whole window and its children invalid. When the queue has nothing else for a
// window the loop dispatches WM_PAINT to each invalid window, parents before children; the
// class background (when it has one) is filled first when `erase` was asked for.
// Any thread (a worker's call wakes the loop). Returns 1; 0 for a dead handle.
int Window_Invalidate(Window_Handle window, int erase);

// Marks the window valid without painting it.
void Window_Validate(Window_Handle window);

// Paints the window and its children now when they are invalid (WM_PAINT sent, not queued).
void Window_Update(Window_Handle window);

// 1 when the window waits for WM_PAINT.
int Window_Is_Invalid(Window_Handle window);

// ---- surfaces and the drawing lock -------------------------------------------------------------------

// The one process-wide drawing lock (recursive). It guards the framebuffers and the window
// geometry: the user-interface thread takes it to resize, move, show and present windows;
// any thread that draws holds it from Window_Surface_Get to Window_Surface_Release. The
// toolkit's drawing critical section is this lock. Any thread.
void Window_Drawing_Lock();
void Window_Drawing_Unlock();

// Where a window's client area lies in its top-level window's pixels.
struct Window_Surface {
  Framebuffer *frame = nullptr;  // the top-level window's pixels
  int origin_x = 0, origin_y = 0;  // client (0, 0) in frame coordinates (may lie outside)
  int width = 0, height = 0;       // client size
  // The pixels that may be touched, in frame coordinates: [left, right) x [top, bottom).
  // The client area cut by every ancestor and by the frame; empty for a hidden window.
  int clip_left = 0, clip_top = 0, clip_right = 0, clip_bottom = 0;
};

// Takes the drawing lock and fills `surface` for `window`. Any thread.
// Returns 1 with the lock held (pair it with Window_Surface_Release); returns 0 for a dead
// handle, without the lock and with `surface` untouched.
// The frame pointer stays valid while the lock is held.
int Window_Surface_Get(Window_Handle window, Window_Surface *surface);

// A surface covering the whole of `frame` (no window): for drawing into pictures that are
// not on screen. The caller owns the frame and its locking.
Window_Surface Window_Surface_Of_Frame(Framebuffer *frame);

// Asks the backend to present the window's top-level framebuffer (what was drawn shows up
// soon, even when drawn by a worker) and releases the drawing lock. Any thread.
void Window_Surface_Release(Window_Handle window);
