// The "Protected Region": a recursive timed mutex behind a created flag. A thread that
// timed out did not enter, so it must not leave; a per-thread depth of successful entries
// keeps Stop honest.
#include "util/mutex_access.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "util/message_log.h"

static std::recursive_timed_mutex protected_region;
static std::atomic<bool> region_created{false};
static thread_local int entered_depth = 0;
static thread_local int skipped_depth = 0;

void Mutex_Access_Create() { region_created = true; }

void Mutex_Access_Start()
{
  if (!region_created) return;
  if (protected_region.try_lock_for(std::chrono::milliseconds(10000))) {
    entered_depth++;
    return;
  }
  skipped_depth++;
  Message_Log(nullptr, MSG_ERRLOG, "Critical Region Deadlock in Mutex_Access_Start!");
  Message_Log(nullptr, MSG_WARNING, "+**********Critical Section access deadlock ****** ");
}

void Mutex_Access_Stop()
{
  if (skipped_depth > 0) {
    skipped_depth--;
    return;
  }
  if (entered_depth == 0) return;
  entered_depth--;
  protected_region.unlock();
}

void Mutex_Access_Close() { region_created = false; }
