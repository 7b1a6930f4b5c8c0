// Drawing contexts over the window system's surfaces. The toolkit's one critical section
// is the window system's recursive drawing lock: Y_setup and Y_GetDC hold it until
// Y_release and Y_ReleaseDC, so a worker that draws waits for the user-interface thread
// and the other way round. The context taken by a thread is remembered per thread, so a
// thread that forgets to release is told so on its next Y_GetDC.
#include "tools/y_surface.h"

#include "tools/tools_device.h"
#include "util/message_log.h"

static thread_local Y_Context current_context;
static thread_local bool context_held = false;
static thread_local const char *held_by = "---";

Y_Context *Y_Current() { return context_held ? &current_context : nullptr; }

// Takes the lock and the surface; on failure leaves the lock and returns nullptr.
static Y_Context *Y_Take(Window_Handle window, const char *caller)
{
  Window_Drawing_Lock();
  Window_Surface surface;
  if (!Window_Surface_Get(window, &surface)) {
    Window_Drawing_Unlock();
    return nullptr;
  }
  Y_Context_Start(current_context, window, surface);
  context_held = true;
  held_by = caller ? caller : "---";
  return &current_context;
}

static void Y_Give_Back()
{
  Window_Surface_Release(current_context.window);
  context_held = false;
  held_by = "---";
  Window_Drawing_Unlock();
}

Y_Context *Y_setup(Window_Handle window, const Tools_Device *clip, const char *caller)
{
  if (context_held) {
    Message_Log(window, MSG_TRACE, "Y_GetDC(%s) DC not released! (prev=%s)", caller ? caller : "---", held_by);
    Y_Give_Back();
  }
  Y_Context *context = Y_Take(window, caller);
  if (!context) {
    Message_Log(window, MSG_TRACE, "Y_setup(%s) GetDC failed", caller ? caller : "---");
    return nullptr;
  }
  if (clip && clip->clip_width != 0) Y_Clip_Set(*context, clip->clip_x, clip->clip_y, clip->clip_width, clip->clip_height);
  return context;
}

void Y_release()
{
  if (!context_held) {
    Message_Log(nullptr, MSG_TRACE, "Y_release() Failed!");
    return;
  }
  Y_Give_Back();
}

Y_Context *Y_GetDC(Window_Handle window, const char *caller)
{
  if (context_held) {
    Message_Log(window, MSG_TRACE, "Y_GetDC(%s) DC not released! (prev=%s)", caller ? caller : "---", held_by);
    Y_Give_Back();
  }
  Y_Context *context = Y_Take(window, caller);
  if (!context) Message_Log(window, MSG_TRACE, "Y_GetDC() GetDC failed (window:%08X)", (unsigned)(uintptr_t)window);
  return context;
}

void Y_ReleaseDC(Window_Handle window, Y_Context *context)
{
  if (!context_held || context != &current_context || window != current_context.window) {
    Message_Log(window, MSG_TRACE, context_held ? "Y_ReleaseDC() wrong DC!" : "Y_ReleaseDC() Failed!");
    return;
  }
  Y_Give_Back();
}

Y_Scope::Y_Scope(const Tools_Device &device, const char *caller) : context_(Y_setup(device.window, &device, caller)) {}

Y_Scope::~Y_Scope()
{
  if (context_) Y_release();
}
