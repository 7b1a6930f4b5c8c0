// The window system's life and its windows' lives: starting and stopping a backend,
// registering classes by name, creating and destroying windows, and the small queries on
// a window's identity. Records of destroyed windows are kept (marked dead) so that a stale
// handle is always recognised instead of pointing at freed memory.
#include <cstdlib>
#include <cstring>

#include "platform/window/window_internal.h"
#include "util/message_log.h"

Window_State window_state;

// ---- start and stop -----------------------------------------------------------------------------------

static Window_Backend Backend_From_Environment(Window_Backend asked)
{
  if (asked != WINDOW_BACKEND_AUTO) return asked;
  const char *env = getenv("HARROWDESK_BACKEND");
  if (env && strcmp(env, "headless") == 0) return WINDOW_BACKEND_HEADLESS;
  if (env && strcmp(env, "sdl") == 0) return WINDOW_BACKEND_SDL;
  return WINDOW_BACKEND_AUTO;
}

int Window_System_Start(Window_Backend backend)
{
  if (window_state.running) return 1;
  Window_Backend kind = Backend_From_Environment(backend);
  const Window_Backend_Ops *ops = nullptr;
  if (kind != WINDOW_BACKEND_HEADLESS && window_backend_sdl.start()) {
    ops = &window_backend_sdl;
    kind = WINDOW_BACKEND_SDL;
  } else if (kind == WINDOW_BACKEND_SDL) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_System_Start: no display for the SDL backend");
    return 0;
  } else {
    window_backend_headless.start();
    ops = &window_backend_headless;
    kind = WINDOW_BACKEND_HEADLESS;
  }
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    window_state.queue.clear();
    window_state.quit_pending = false;
  }
  window_state.backend = ops;
  window_state.kind = kind;
  window_state.ui_thread = std::this_thread::get_id();
  window_state.focus = window_state.capture = window_state.modal = nullptr;
  window_state.cursor = window_state.cursor_shown = CURSOR_ARROW;
  window_state.running = true;
  Message_Log(nullptr, MSG_TRACE + 2, "Window_System_Start: backend %s",
              kind == WINDOW_BACKEND_SDL ? "sdl" : "headless");
  return 1;
}

void Window_System_Stop()
{
  if (!window_state.running || !Window_System_Is_UI_Thread()) return;
  for (size_t i = 0; i < window_state.records.size(); i++)  // procedures may add records
    if (window_state.records[i]->alive && !window_state.records[i]->is_child)
      Window_Destroy(window_state.records[i].get());
  window_state.running = false;
  Window_Calls_Abandon();
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    window_state.queue.clear();
    window_state.quit_pending = false;
  }
  Window_Backend_Now()->stop();
  window_state.backend = nullptr;
  window_state.kind = WINDOW_BACKEND_AUTO;
  window_state.classes.clear();
}

Window_Backend Window_System_Backend() { return window_state.running ? window_state.kind : WINDOW_BACKEND_AUTO; }

int Window_System_Is_UI_Thread()
{
  return window_state.running && window_state.ui_thread == std::this_thread::get_id();
}

int Window_Check_UI_Thread(const char *function)
{
  if (Window_System_Is_UI_Thread()) return 1;
  Message_Log(nullptr, MSG_ERRLOG, "%s: %s", function,
              window_state.running ? "called outside the user-interface thread" : "the window system is not started");
  return 0;
}

void Window_Screen_Size(int *width, int *height)
{
  if (window_state.running) Window_Backend_Now()->screen_size(width, height);
}

// ---- classes --------------------------------------------------------------------------------------------

static Window_Class_Record *Class_Find(const char *name)
{
  for (auto &entry : window_state.classes)
    if (entry->name == name) return entry.get();
  return nullptr;
}

int Window_Class_Exists(const char *name) { return name && Class_Find(name) != nullptr; }

int Window_Class_Register(const Window_Class &window_class)
{
  if (!Window_Check_UI_Thread("Window_Class_Register")) return 0;
  if (!window_class.name || !window_class.name[0] || !window_class.procedure) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Class_Register: a class needs a name and a procedure");
    return 0;
  }
  if (Class_Find(window_class.name)) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Class_Register: class \"%s\" is already registered", window_class.name);
    return 0;
  }
  auto entry = std::make_unique<Window_Class_Record>();
  entry->name = window_class.name;
  entry->procedure = window_class.procedure;
  entry->background = window_class.background;
  entry->icon = window_class.icon ? window_class.icon : "";
  window_state.classes.push_back(std::move(entry));
  return 1;
}

intptr_t Window_Default_Proc(Window_Handle window, unsigned message, uintptr_t, intptr_t)
{
  if (message == WM_CLOSE) Window_Destroy(window);
  return 0;
}

intptr_t Window_Call_Proc(Window_Record *record, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  if (!record || !record->alive) return 0;
  return record->window_class->procedure(record, message, wparam, lparam);
}

// ---- lifetime ---------------------------------------------------------------------------------------------

Window_Record *Window_Live(Window_Handle window)
{
  if (!window || !window->alive) return nullptr;
  return window;
}

bool Window_Is_Inside(const Window_Record *record, const Window_Record *ancestor)
{
  for (; record; record = record->is_child ? record->parent : nullptr)
    if (record == ancestor) return true;
  return false;
}

int Window_Is_Window(Window_Handle window) { return Window_Live(window) != nullptr; }

static void Default_Geometry(Window_Record *record, int x, int y, int width, int height)
{
  static int cascade = 0;
  if (!record->is_child && (x == CW_USEDEFAULT || y == CW_USEDEFAULT)) {
    x = y = 40 + 24 * (cascade++ % 10);  // the backend may place it elsewhere (WM_MOVE)
  }
  if (!record->is_child && (width == CW_USEDEFAULT || height == CW_USEDEFAULT)) {
    width = 640;
    height = 480;
  }
  record->x = x;
  record->y = y;
  record->width = width < 0 ? 0 : width;
  record->height = height < 0 ? 0 : height;
}

Window_Handle Window_Create(uint32_t ex_style, const char *class_name, const char *title, uint32_t style, int x,
                            int y, int width, int height, Window_Handle parent, int id, void *create_param)
{
  if (!Window_Check_UI_Thread("Window_Create")) return nullptr;
  Window_Class_Record *window_class = Class_Find(class_name ? class_name : "");
  if (!window_class) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Create: unknown class \"%s\"", class_name ? class_name : "(null)");
    return nullptr;
  }
  Window_Record *owner = Window_Live(parent);
  if ((style & WS_CHILD) && !owner) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Create: a child window of \"%s\" needs a live parent", class_name);
    return nullptr;
  }
  auto made = std::make_unique<Window_Record>();
  Window_Record *record = made.get();
  record->window_class = window_class;
  record->title = title ? title : "";
  record->style = style & ~(uint32_t)WS_VISIBLE;
  record->ex_style = ex_style;
  record->is_child = (style & WS_CHILD) != 0;
  record->parent = owner;
  record->id = record->is_child ? id : 0;
  record->topmost = (ex_style & WS_EX_TOPMOST) != 0;
  record->serial = window_state.next_serial++;
  Default_Geometry(record, x, y, width, height);
  {
    std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
    if (record->is_child) {
      owner->children.push_back(record);
    } else {
      record->frame.Resize(record->width, record->height,
                           window_class->background == WINDOW_NO_BACKGROUND ? 0 : window_class->background);
    }
    window_state.records.push_back(std::move(made));
    record->alive = true;
  }
  if (!record->is_child && !Window_Backend_Now()->create(record)) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Create: the backend could not make a \"%s\" window", class_name);
    Window_Destroy(record);
    return nullptr;
  }
  if (Window_Call_Proc(record, WM_CREATE, 0, (intptr_t)create_param) == -1) {
    Message_Log(nullptr, MSG_ERRLOG, "Window_Create: a \"%s\" window refused to be created", class_name);
    Window_Destroy(record);
    return nullptr;
  }
  if (!record->alive) return nullptr;
  Window_Call_Proc(record, WM_SIZE, SIZE_RESTORED, Pack_Point(record->width, record->height));
  if ((style & WS_VISIBLE) && record->alive) Window_Show(record, SW_SHOW);
  return record->alive ? record : nullptr;
}

int Window_Destroy(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  if (!record || !Window_Check_UI_Thread("Window_Destroy")) return 0;
  Window_Call_Proc(record, WM_DESTROY, 0, 0);
  if (!record->alive) return 1;  // destroyed again from its own WM_DESTROY
  std::vector<Window_Record *> children = record->children;
  for (Window_Record *child : children) Window_Destroy(child);
  for (auto &other : window_state.records)  // owned top-level windows go with their owner
    if (other->alive && !other->is_child && other->parent == record) other->parent = nullptr;
  Window_Focus_Forget(record);
  Window_Queue_Forget(record);
  if (!record->is_child) Window_Backend_Now()->destroy(record);
  std::lock_guard<std::recursive_mutex> lock(window_state.drawing);
  record->alive = false;
  if (record->is_child && record->parent) {
    auto &siblings = record->parent->children;
    for (size_t i = 0; i < siblings.size(); i++)
      if (siblings[i] == record) {
        siblings.erase(siblings.begin() + (long)i);
        break;
      }
  }
  record->children.clear();
  record->frame = Framebuffer();
  record->data = nullptr;
  return 1;
}

void Window_Set_Data(Window_Handle window, void *data)
{
  if (Window_Record *record = Window_Live(window)) record->data = data;
}

void *Window_Get_Data(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record ? record->data : nullptr;
}

Window_Handle Window_Get_Parent(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record && record->is_child ? record->parent : nullptr;
}

Window_Handle Window_Get_Top(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  while (record && record->is_child) record = record->parent;
  return record;
}

int Window_Get_Id(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record ? record->id : 0;
}

const char *Window_Get_Class(Window_Handle window)
{
  Window_Record *record = Window_Live(window);
  return record ? record->window_class->name.c_str() : "";
}

// ---- sanitizer suppressions ----------------------------------------------------------------------------------

// Leaks that LeakSanitizer reports in the libraries under the window system and that the
// program cannot free: fontconfig keeps its configuration for the run (FcFini would pull it
// from under any other user of the library), and SDL's D-Bus connection leaves a buffer.
// The sanitizer runtime asks for this list through a weak hook; other builds never call it.
// It lives here because this file is linked into every program that uses windows.
extern "C" const char *__lsan_default_suppressions();
extern "C" const char *__lsan_default_suppressions()
{
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n";
}
