// The headless backend: no display at all. Windows live only as their records and
// framebuffers, input comes from the Window_Input_* calls of tests, presenting is nothing,
// and the loop sleeps on the queue's condition until something is posted or woken.
#include "platform/window/window_internal.h"

static int Headless_Start() { return 1; }
static void Headless_Stop() {}
static int Headless_Create(Window_Record *) { return 1; }
static void Headless_Window(Window_Record *) {}
static void Headless_Show(Window_Record *, int) {}
static void Headless_Cursor(Window_Cursor) {}
static void Headless_Capture(int) {}
static void Headless_Pump() {}
static void Headless_Wake() {}

static void Headless_Wait(int milliseconds)
{
  std::unique_lock<std::mutex> lock(window_state.queue_lock);
  window_state.queue_signal.wait_for(lock, std::chrono::milliseconds(milliseconds), [] {
    return !window_state.queue.empty() || !window_state.calls.empty() || window_state.quit_pending ||
           window_state.wake_pending;
  });
  window_state.wake_pending = false;
}

static void Headless_Screen_Size(int *width, int *height)
{
  *width = 1920;
  *height = 1080;
}

const Window_Backend_Ops window_backend_headless = {
    Headless_Start,  Headless_Stop,   Headless_Create, Headless_Window, Headless_Window, Headless_Show,
    Headless_Window, Headless_Window, Headless_Window, Headless_Window, Headless_Cursor, Headless_Capture,
    Headless_Pump,   Headless_Wait,   Headless_Wake,   Headless_Screen_Size,
};
