// The message queue and the loop. Posted messages wait in one queue guarded by its own
// lock, so any thread may post; calls that other threads send wait in a second list and
// run first, inside Get and Peek, as Windows runs incoming sent messages. When nothing is
// queued the loop returns the pending quit, then WM_PAINT for the first invalid window;
// with nothing at all to do it presents what was drawn and sleeps in the backend until a
// post, an input event or an invalidation wakes it.
//
// Index: posting / cross-thread calls / get and peek / translate and dispatch / quitting.
#include "platform/window/window_input.h"
#include "platform/window/window_internal.h"

// ---- posting ----------------------------------------------------------------------------------------------

void Window_Wake()
{
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    window_state.wake_pending = true;
  }
  window_state.queue_signal.notify_all();
  const Window_Backend_Ops *backend = Window_Backend_Now();
  if (backend) backend->wake();
}

// Queues the message unless `unique` finds the same one queued. Returns 1 when queued or
// already there, 0 for a dead window or a stopped system.
static int Post(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam, bool unique)
{
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    if (!window_state.running || !Window_Live(window)) return 0;
    if (unique)
      for (const Window_Message &queued : window_state.queue)
        if (queued.window == window && queued.message == message) return 1;
    window_state.queue.push_back(Window_Message{window, message, wparam, lparam});
  }
  Window_Wake();
  return 1;
}

int Window_Post(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Post(window, message, wparam, lparam, false);
}

int Window_Post_Unique(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Post(window, message, wparam, lparam, true);
}

int Window_Queue_Remove(Window_Handle window, unsigned message)
{
  std::lock_guard<std::mutex> lock(window_state.queue_lock);
  auto &queue = window_state.queue;
  size_t before = queue.size();
  std::erase_if(queue, [&](const Window_Message &queued) {
    return queued.message == message && (!window || queued.window == window);
  });
  return (int)(before - queue.size());
}

void Window_Queue_Forget(Window_Record *record)
{
  std::lock_guard<std::mutex> lock(window_state.queue_lock);
  std::erase_if(window_state.queue, [&](const Window_Message &queued) { return queued.window == record; });
}

// ---- cross-thread calls --------------------------------------------------------------------------------------

intptr_t Window_Run_On_UI(const std::function<intptr_t()> &work)
{
  if (Window_System_Is_UI_Thread()) return work();
  Window_Call call;
  call.work = work;
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    if (!window_state.running) return 0;
    window_state.calls.push_back(&call);
  }
  Window_Wake();
  std::unique_lock<std::mutex> lock(window_state.queue_lock);
  window_state.call_done.wait(lock, [&] { return call.done; });
  return call.result;
}

void Window_Calls_Run()
{
  for (;;) {
    Window_Call *call;
    {
      std::lock_guard<std::mutex> lock(window_state.queue_lock);
      if (window_state.calls.empty()) return;
      call = window_state.calls.front();
      window_state.calls.pop_front();
    }
    intptr_t result = call->work();
    {
      std::lock_guard<std::mutex> lock(window_state.queue_lock);
      call->result = result;
      call->done = true;
    }
    window_state.call_done.notify_all();
  }
}

void Window_Calls_Abandon()
{
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    for (Window_Call *call : window_state.calls) call->done = true;
    window_state.calls.clear();
  }
  window_state.call_done.notify_all();
}

intptr_t Window_Send(Window_Handle window, unsigned message, uintptr_t wparam, intptr_t lparam)
{
  return Window_Run_On_UI([=]() { return Window_Call_Proc(Window_Live(window), message, wparam, lparam); });
}

// ---- get and peek --------------------------------------------------------------------------------------------

int Window_Peek_Message(Window_Message *msg, Window_Handle window, unsigned first, unsigned last, int remove)
{
  if (!Window_System_Is_UI_Thread()) return 0;
  Window_Calls_Run();
  Window_Cursor_Apply();
  Window_Backend_Now()->pump();
  bool filtered = window || first || last;
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    auto &queue = window_state.queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
      if (window && it->window != window) continue;
      if ((first || last) && (it->message < first || it->message > last)) continue;
      *msg = *it;
      if (remove) queue.erase(it);
      return 1;
    }
    if (filtered) return 0;
    if (window_state.quit_pending) {
      *msg = Window_Message{nullptr, WM_QUIT, (uintptr_t)(intptr_t)window_state.quit_value, 0};
      if (remove) window_state.quit_pending = false;
      return 1;
    }
  }
  if (Window_Record *invalid = Window_Next_Invalid()) {
    *msg = Window_Message{invalid, WM_PAINT, 0, 0};
    return 1;
  }
  return 0;
}

int Window_Get_Message(Window_Message *msg)
{
  if (!Window_System_Is_UI_Thread()) return -1;
  for (;;) {
    if (Window_Peek_Message(msg, nullptr, 0, 0, 1)) return msg->message == WM_QUIT ? 0 : 1;
    Window_Present_Dirty();
    Window_Backend_Now()->wait(250);
  }
}

// ---- translate and dispatch -------------------------------------------------------------------------------------

// The character a key press types without the backend's text input, or 0.
static unsigned Control_Character(int virtual_key)
{
  switch (virtual_key) {
  case VK_ESCAPE: return 0x1B;
  case VK_RETURN: return 0x0D;
  case VK_BACK: return 0x08;
  case VK_TAB: return 0x09;
  default: break;
  }
  if (virtual_key >= 'A' && virtual_key <= 'Z' && Window_Key_Is_Down(VK_CONTROL) && !Window_Key_Is_Down(VK_MENU))
    return (unsigned)(virtual_key - 'A' + 1);
  return 0;
}

int Window_Translate_Message(const Window_Message *msg)
{
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return 0;
  unsigned character = Control_Character((int)msg->wparam);
  if (!character) return 0;
  unsigned message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  std::lock_guard<std::mutex> lock(window_state.queue_lock);
  window_state.queue.push_front(Window_Message{msg->window, message, character, msg->lparam});
  return 1;
}

static bool Is_Input(unsigned message)
{
  return (message >= WM_KEYDOWN && message <= WM_SYSCHAR) || (message >= WM_MOUSEMOVE && message <= WM_MOUSEWHEEL);
}

// Input reaches a window only when it and its ancestors are enabled and no other
// top-level window is modal.
static bool Takes_Input(Window_Record *record)
{
  Window_Record *modal = Window_Live(window_state.modal);
  if (modal && Window_Get_Top(record) != modal) return false;
  for (; record; record = record->is_child ? record->parent : nullptr)
    if (!record->enabled) return false;
  return true;
}

intptr_t Window_Dispatch_Message(const Window_Message *msg)
{
  Window_Record *record = msg ? Window_Live(msg->window) : nullptr;
  if (!record || !Window_Check_UI_Thread("Window_Dispatch_Message")) return 0;
  if (Is_Input(msg->message) && !Takes_Input(record)) return 0;
  if (msg->message == WM_PAINT) {
    if (record->invalid) Window_Paint(record);
    return 0;
  }
  return Window_Call_Proc(record, msg->message, msg->wparam, msg->lparam);
}

int Window_Run_Loop()
{
  Window_Message msg;
  int got;
  while ((got = Window_Get_Message(&msg)) > 0) {
    Window_Translate_Message(&msg);
    Window_Dispatch_Message(&msg);
  }
  return got < 0 ? 0 : (int)(intptr_t)msg.wparam;
}

int Window_Process_Pending()
{
  enum { LIMIT = 100000 };  // a procedure that re-invalidates itself while painting
  int count = 0;
  Window_Message msg;
  while (count < LIMIT && Window_Peek_Message(&msg, nullptr, 0, 0, 1)) {
    if (msg.message == WM_QUIT) {
      Window_Post_Quit((int)(intptr_t)msg.wparam);
      break;
    }
    Window_Translate_Message(&msg);
    Window_Dispatch_Message(&msg);
    count++;
  }
  if (Window_System_Is_UI_Thread()) Window_Present_Dirty();
  return count;
}

// ---- quitting -----------------------------------------------------------------------------------------------

void Window_Post_Quit(int exit_value)
{
  {
    std::lock_guard<std::mutex> lock(window_state.queue_lock);
    window_state.quit_pending = true;
    window_state.quit_value = exit_value;
  }
  Window_Wake();
}
