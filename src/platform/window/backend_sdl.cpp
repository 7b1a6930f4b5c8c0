// The SDL2 backend: one SDL window per top-level window, presented by copying the
// framebuffer into the window surface (no renderer, so it works on any X11 or Wayland
// display, Xvfb included). SDL events become Window_Input_* calls; SDL's own queue only
// carries input, our messages stay in our own queue. The loop sleeps in poll() on the X
// connection and on a wake pipe that other threads write to; without an X connection
// (Wayland) it polls SDL every 10 ms.
//
// SDL quirks handled here: without a display SDL silently picks its "offscreen" driver,
// so start fails unless the driver is a real one; under the "dummy" driver cursors come
// back null; a surface made from our pixels blends unless told not to; SDL would turn
// SIGINT into SDL_QUIT and quit on the last window closed, both of which we switch off;
// SDL's own cross-thread wake-up (SDL_PushEvent during SDL_WaitEvent) can send its wake
// message to a window destroyed meanwhile, which Xlib treats as fatal, so we never use it.
//
// Index: start and stop / windows / presenting / cursors / events / waiting.
#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/window/window_input.h"
#include "platform/window/window_internal.h"
#include "util/message_log.h"

static int wake_pipe[2] = {-1, -1};  // written by any thread to end a wait
static int x_connection = -1;          // the X server connection's descriptor, when known
static SDL_Cursor *cursors[3] = {};

// ---- start and stop ---------------------------------------------------------------------------------------------

static bool Real_Display_Named()
{
  const char *display = getenv("DISPLAY"), *wayland = getenv("WAYLAND_DISPLAY");
  return (display && display[0]) || (wayland && wayland[0]);
}

static int Sdl_Start()
{
  if (!Real_Display_Named()) return 0;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // plain X11 images, no OpenGL loaded
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
  const char *driver = SDL_GetCurrentVideoDriver();
  if (!driver || strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
  }
  if (pipe2(wake_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
  }
  x_connection = -1;
  cursors[CURSOR_ARROW] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  cursors[CURSOR_SIZE_WE] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_SIZEWE);
  cursors[CURSOR_WAIT] = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
  SDL_StartTextInput();
  return 1;
}

static void Sdl_Stop()
{
  for (SDL_Cursor *&cursor : cursors) {
    if (cursor) SDL_FreeCursor(cursor);
    cursor = nullptr;
  }
  for (int &end : wake_pipe) {
    if (end >= 0) close(end);
    end = -1;
  }
  x_connection = -1;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

// ---- windows ------------------------------------------------------------------------------------------------------

static SDL_Window *Sdl_Window(Window_Record *top) { return (SDL_Window *)top->backend_window; }

static int Sdl_Create(Window_Record *top)
{
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (top->style & WS_POPUP) flags |= SDL_WINDOW_BORDERLESS;
  if ((top->style & WS_THICKFRAME) || top->style == WS_OVERLAPPED) flags |= SDL_WINDOW_RESIZABLE;
  if (top->topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  SDL_Window *window = SDL_CreateWindow(top->title.c_str(), top->x, top->y, top->width > 0 ? top->width : 1,
                                        top->height > 0 ? top->height : 1, flags);
  if (!window) {
    Message_Log(nullptr, MSG_ERRLOG, "SDL_CreateWindow: %s", SDL_GetError());
    return 0;
  }
  SDL_SetWindowData(window, "harrowdesk", top);
  top->backend_window = window;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (x_connection < 0 && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
    x_connection = XConnectionNumber(info.info.x11.display);
  SDL_GetWindowPosition(window, &top->x, &top->y);
  return 1;
}

static void Sdl_Destroy(Window_Record *top)
{
  if (SDL_Window *window = Sdl_Window(top)) SDL_DestroyWindow(window);
  top->backend_window = nullptr;
}

static void Sdl_Set_Title(Window_Record *top) { SDL_SetWindowTitle(Sdl_Window(top), top->title.c_str()); }

static void Sdl_Show(Window_Record *top, int show_command)
{
  SDL_Window *window = Sdl_Window(top);
  switch (show_command) {
  case SW_HIDE: SDL_HideWindow(window); break;
  case SW_MINIMIZE:
  case SW_SHOWMINIMIZED:
    SDL_ShowWindow(window);
    SDL_MinimizeWindow(window);
    break;
  case SW_RESTORE: SDL_RestoreWindow(window); [[fallthrough]];
  default: SDL_ShowWindow(window); break;
  }
}

static void Sdl_Move(Window_Record *top)
{
  SDL_Window *window = Sdl_Window(top);
  SDL_SetWindowPosition(window, top->x, top->y);
  SDL_SetWindowSize(window, top->width > 0 ? top->width : 1, top->height > 0 ? top->height : 1);
}

static void Sdl_Set_Topmost(Window_Record *top)
{
  SDL_SetWindowAlwaysOnTop(Sdl_Window(top), top->topmost ? SDL_TRUE : SDL_FALSE);
}

static void Sdl_Raise(Window_Record *top) { SDL_RaiseWindow(Sdl_Window(top)); }

// ---- presenting -----------------------------------------------------------------------------------------------------

static void Sdl_Present(Window_Record *top)
{
  SDL_Window *window = Sdl_Window(top);
  SDL_Surface *target = window ? SDL_GetWindowSurface(window) : nullptr;
  if (!target || top->frame.width <= 0 || top->frame.height <= 0) return;
  SDL_Surface *source = SDL_CreateRGBSurfaceWithFormatFrom(top->frame.pixels.data(), top->frame.width,
                                                           top->frame.height, 32, top->frame.width * 4,
                                                           SDL_PIXELFORMAT_RGB888);
  if (!source) return;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  SDL_BlitSurface(source, nullptr, target, nullptr);
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurface(window);
}

// ---- cursors and capture ---------------------------------------------------------------------------------------------

static void Sdl_Set_Cursor(Window_Cursor cursor)
{
  if (cursor >= CURSOR_ARROW && cursor <= CURSOR_WAIT && cursors[cursor]) SDL_SetCursor(cursors[cursor]);
}

static void Sdl_Capture(int on) { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }

// ---- events ------------------------------------------------------------------------------------------------------------

static Window_Record *Event_Window(Uint32 window_id)
{
  SDL_Window *window = SDL_GetWindowFromID(window_id);
  Window_Record *top = window ? (Window_Record *)SDL_GetWindowData(window, "harrowdesk") : nullptr;
  return Window_Live(top);
}

// The keypad keys: their virtual key with Num Lock on, and without it.
static bool Keypad_Key(SDL_Scancode scancode, bool num_lock, int *virtual_key)
{
  static const int digits_off[10] = {VK_INSERT, VK_END, VK_DOWN, VK_NEXT, VK_LEFT,
                                     VK_CLEAR,  VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};
  if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_0) {
    int digit = scancode == SDL_SCANCODE_KP_0 ? 0 : scancode - SDL_SCANCODE_KP_1 + 1;
    *virtual_key = num_lock ? VK_NUMPAD0 + digit : digits_off[digit];
    return true;
  }
  switch (scancode) {
  case SDL_SCANCODE_KP_PERIOD: *virtual_key = num_lock ? VK_DECIMAL : VK_DELETE; return true;
  case SDL_SCANCODE_KP_MULTIPLY: *virtual_key = VK_MULTIPLY; return true;
  case SDL_SCANCODE_KP_MINUS: *virtual_key = VK_SUBTRACT; return true;
  case SDL_SCANCODE_KP_PLUS: *virtual_key = VK_ADD; return true;
  default: return false;
  }
}

// The virtual key of an SDL key and whether it belongs to the extended set; 0 when unknown.
static int Virtual_Key(const SDL_Keysym &key, int *extended)
{
  *extended = 0;
  int virtual_key;
  if (Keypad_Key(key.scancode, (key.mod & KMOD_NUM) != 0, &virtual_key)) return virtual_key;
  SDL_Keycode code = key.sym;
  if (code >= SDLK_a && code <= SDLK_z) return 'A' + (code - SDLK_a);
  if (code >= SDLK_0 && code <= SDLK_9) return '0' + (code - SDLK_0);
  if (code >= SDLK_F1 && code <= SDLK_F12) return VK_F1 + (code - SDLK_F1);
  static const struct { SDL_Keycode code; int virtual_key, extended; } table[] = {
      {SDLK_RETURN, VK_RETURN, 0},     {SDLK_KP_ENTER, VK_RETURN, 1}, {SDLK_ESCAPE, VK_ESCAPE, 0},
      {SDLK_BACKSPACE, VK_BACK, 0},    {SDLK_TAB, VK_TAB, 0},         {SDLK_SPACE, VK_SPACE, 0},
      {SDLK_INSERT, VK_INSERT, 1},     {SDLK_DELETE, VK_DELETE, 1},   {SDLK_HOME, VK_HOME, 1},
      {SDLK_END, VK_END, 1},           {SDLK_PAGEUP, VK_PRIOR, 1},    {SDLK_PAGEDOWN, VK_NEXT, 1},
      {SDLK_LEFT, VK_LEFT, 1},         {SDLK_RIGHT, VK_RIGHT, 1},     {SDLK_UP, VK_UP, 1},
      {SDLK_DOWN, VK_DOWN, 1},         {SDLK_KP_DIVIDE, VK_DIVIDE, 1}, {SDLK_LSHIFT, VK_SHIFT, 0},
      {SDLK_RSHIFT, VK_SHIFT, 0},      {SDLK_LCTRL, VK_CONTROL, 0},   {SDLK_RCTRL, VK_CONTROL, 1},
      {SDLK_LALT, VK_MENU, 0},         {SDLK_RALT, VK_MENU, 1},       {SDLK_PAUSE, VK_PAUSE, 0},
      {SDLK_CAPSLOCK, VK_CAPITAL, 0},  {SDLK_NUMLOCKCLEAR, VK_NUMLOCK, 1}, {SDLK_SCROLLLOCK, VK_SCROLL, 0},
      {SDLK_PRINTSCREEN, VK_SNAPSHOT, 1}, {SDLK_SEMICOLON, VK_OEM_1, 0}, {SDLK_EQUALS, VK_OEM_PLUS, 0},
      {SDLK_COMMA, VK_OEM_COMMA, 0},   {SDLK_MINUS, VK_OEM_MINUS, 0}, {SDLK_PERIOD, VK_OEM_PERIOD, 0},
      {SDLK_SLASH, VK_OEM_2, 0},       {SDLK_BACKQUOTE, VK_OEM_3, 0}, {SDLK_LEFTBRACKET, VK_OEM_4, 0},
      {SDLK_BACKSLASH, VK_OEM_5, 0},   {SDLK_RIGHTBRACKET, VK_OEM_6, 0}, {SDLK_QUOTE, VK_OEM_7, 0},
  };
  for (const auto &entry : table)
    if (entry.code == code) {
      *extended = entry.extended;
      return entry.virtual_key;
    }
  return 0;
}

// Decodes UTF-8 text input into characters.
static void Text_Input(Window_Record *top, const char *text)
{
  const unsigned char *p = (const unsigned char *)text;
  while (*p) {
    unsigned code = *p, extra = 0;
    if (code >= 0xF0) code &= 0x07, extra = 3;
    else if (code >= 0xE0) code &= 0x0F, extra = 2;
    else if (code >= 0xC0) code &= 0x1F, extra = 1;
    p++;
    for (; extra && (*p & 0xC0) == 0x80; extra--) code = (code << 6) | (*p++ & 0x3F);
    if (!extra) Window_Input_Char(top, code);
  }
}

static void Window_Event(Window_Record *top, const SDL_WindowEvent &event)
{
  switch (event.event) {
  case SDL_WINDOWEVENT_SHOWN:
  case SDL_WINDOWEVENT_EXPOSED:
    top->frame_dirty = true;
    window_state.present_pending = true;
    break;
  case SDL_WINDOWEVENT_SIZE_CHANGED: Window_Input_Resize(top, event.data1, event.data2, 0); break;
  case SDL_WINDOWEVENT_MINIMIZED: Window_Input_Resize(top, 0, 0, 1); break;
  case SDL_WINDOWEVENT_RESTORED:
  case SDL_WINDOWEVENT_MAXIMIZED: {
    int width, height;
    SDL_GetWindowSize(Sdl_Window(top), &width, &height);
    Window_Input_Resize(top, width, height, 0);
    break;
  }
  case SDL_WINDOWEVENT_MOVED: Window_Input_Moved(top, event.data1, event.data2); break;
  case SDL_WINDOWEVENT_FOCUS_GAINED: Window_Input_Focus(top, 1); break;
  case SDL_WINDOWEVENT_FOCUS_LOST: Window_Input_Focus(top, 0); break;
  case SDL_WINDOWEVENT_CLOSE: Window_Input_Close(top); break;
  default: break;
  }
}

static void Handle_Event(const SDL_Event &event)
{
  Window_Record *top = nullptr;
  switch (event.type) {
  case SDL_WINDOWEVENT:
    if ((top = Event_Window(event.window.windowID))) Window_Event(top, event.window);
    break;
  case SDL_MOUSEMOTION:
    if ((top = Event_Window(event.motion.windowID))) Window_Input_Mouse_Move(top, event.motion.x, event.motion.y);
    break;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    int button = event.button.button == SDL_BUTTON_LEFT ? 0 : event.button.button == SDL_BUTTON_RIGHT ? 1
                 : event.button.button == SDL_BUTTON_MIDDLE ? 2 : -1;
    if (button >= 0 && (top = Event_Window(event.button.windowID)))
      Window_Input_Mouse_Button(top, button, event.type == SDL_MOUSEBUTTONDOWN, event.button.x, event.button.y);
    break;
  }
  case SDL_MOUSEWHEEL:
    if ((top = Event_Window(event.wheel.windowID))) {
      int steps = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
      int x, y;
      SDL_GetMouseState(&x, &y);
      Window_Input_Mouse_Wheel(top, steps * 120, x, y);
    }
    break;
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    if ((top = Event_Window(event.key.windowID))) {
      int extended, virtual_key = Virtual_Key(event.key.keysym, &extended);
      if (virtual_key) Window_Input_Key(top, virtual_key, extended, event.type == SDL_KEYDOWN);
    }
    break;
  case SDL_TEXTINPUT:
    if ((top = Event_Window(event.text.windowID))) Text_Input(top, event.text.text);
    break;
  default: break;
  }
}

static void Sdl_Pump()
{
  SDL_Event event;
  while (SDL_PollEvent(&event)) Handle_Event(event);
}

// ---- waiting ------------------------------------------------------------------------------------------------------------

static void Sdl_Wait(int milliseconds)
{
  SDL_Event event;
  if (SDL_PollEvent(&event)) {  // events Xlib already read while we presented
    Handle_Event(event);
    return;
  }
  pollfd watched[2] = {{wake_pipe[0], POLLIN, 0}, {x_connection, POLLIN, 0}};
  poll(watched, x_connection >= 0 ? 2 : 1, x_connection >= 0 ? milliseconds : std::min(milliseconds, 10));
  char drained[64];
  while (read(wake_pipe[0], drained, sizeof drained) > 0) {
  }
}

static void Sdl_Wake()
{
  if (wake_pipe[1] >= 0 && write(wake_pipe[1], "w", 1) < 0) {
    // a full pipe already holds a wake-up
  }
}

static void Sdl_Screen_Size(int *width, int *height)
{
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
    *width = mode.w;
    *height = mode.h;
  }
}

const Window_Backend_Ops window_backend_sdl = {
    Sdl_Start, Sdl_Stop, Sdl_Create, Sdl_Destroy, Sdl_Set_Title, Sdl_Show, Sdl_Move, Sdl_Set_Topmost,
    Sdl_Raise, Sdl_Present, Sdl_Set_Cursor, Sdl_Capture, Sdl_Pump, Sdl_Wait, Sdl_Wake, Sdl_Screen_Size,
};
