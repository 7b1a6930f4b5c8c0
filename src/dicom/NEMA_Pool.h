// Rotating result pools of the DICOM library. Decoders and text forms hand back pointers
// into pools of 128 slots, taking the next slot on every call, so a result stays valid
// for the next 127 calls of the same operation. The slot index advances atomically: two
// threads that call at the same time always get different slots.
#pragma once

#include <atomic>

enum { NEMA_POOL_SLOTS = 128 };

// The next slot index (0 to 127) of the pool counted by `next`.
inline unsigned NEMA_Pool_Next(std::atomic<unsigned> &next)
{
  return next.fetch_add(1, std::memory_order_relaxed) % NEMA_POOL_SLOTS;
}
