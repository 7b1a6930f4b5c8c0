// The drawing surface: getting and releasing a window's drawing context inside the one
// process-wide critical section, so that the user-interface thread and the workers (the
// progress window, the message pane) never draw at the same time. A context maps the
// toolkit's coordinates (y upwards from the bottom row) onto the window's client area.
#pragma once

#include "platform/os/window_handle.h"
#include "tools/y_raster.h"

struct Tools_Device;

// Enters the critical section, takes `window`'s drawing context with the y-up mapping and
// clips it to the device's clip rectangle when `clip` is given and its clip width is not
// 0. Returns the context; returns nullptr (critical section left, trace
// "Y_setup(%s) GetDC failed" written with `caller`, "---" when null) when the window has
// no drawing surface. Pair every non-null return with Y_release.
Y_Context *Y_setup(Window_Handle window, const Tools_Device *clip, const char *caller);

// Shows what was drawn, forgets the context and leaves the critical section.
void Y_release();

// The context taken by Y_setup on this thread and not yet released, or nullptr.
Y_Context *Y_Current();

// A bare context for measuring (font creation), in the same critical section. A context
// still held by this thread is reported ("Y_GetDC(%s) DC not released! (prev=%s)") and
// replaced; another thread's context makes this call wait. Returns nullptr with the
// trace "Y_GetDC() GetDC failed (window:%08X)" when the window has no surface.
Y_Context *Y_GetDC(Window_Handle window, const char *caller);

// Releases a context of Y_GetDC ("Y_ReleaseDC() wrong DC!" when it is not the one held).
void Y_ReleaseDC(Window_Handle window, Y_Context *context);

// RAII form used by every primitive: Y_setup on construction, Y_release on destruction.
class Y_Scope {
public:
  Y_Scope(const Tools_Device &device, const char *caller);
  ~Y_Scope();
  Y_Scope(const Y_Scope &) = delete;
  Y_Scope &operator=(const Y_Scope &) = delete;
  explicit operator bool() const { return context_ != nullptr; }
  Y_Context &operator*() const { return *context_; }

private:
  Y_Context *context_;
};
