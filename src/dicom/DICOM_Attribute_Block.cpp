// The record blocks: a block is one malloc'd area with a header that counts its
// holders, one per room handed out plus one for the thread that fills it. A thread
// keeps its current block until a room no longer fits, then starts it over when every
// room has been given back (the usual case: lists live for one file), else drops its
// hold and opens the next; the hold of the block current at the thread's end is dropped by a
// thread-local owner. The count is atomic because lists are often released by another
// thread than the one that read them.
#include "dicom/DICOM_Attribute_Block.h"

#include <atomic>
#include <cstdlib>
#include <new>

enum : size_t {
  BLOCK_SIZE = 64 * 1024,    // bytes of rooms per block
  BLOCK_ROOM_MAX = 4 * 1024, // larger rooms are left to malloc
  BLOCK_ALIGN = alignof(std::max_align_t),
};

struct DICOM_Attribute_Block {
  std::atomic<long> holders;
  size_t used;
  alignas(BLOCK_ALIGN) unsigned char rooms[BLOCK_SIZE];
};

namespace {
// The calling thread's current block; its hold is dropped when the thread ends.
struct Thread_Block {
  DICOM_Attribute_Block *current = nullptr;
  ~Thread_Block()
  {
    if (current) DICOM_Attribute_Block_Release(current);
  }
};
thread_local Thread_Block thread_block;
}  // namespace

void DICOM_Attribute_Block_Release(DICOM_Attribute_Block *block)
{
  if (block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    block->~DICOM_Attribute_Block();
    std::free(block);
  }
}

void *DICOM_Attribute_Block_Take(size_t bytes, DICOM_Attribute_Block **block)
{
  if (bytes > BLOCK_ROOM_MAX) return nullptr;
  bytes = (bytes + BLOCK_ALIGN - 1) / BLOCK_ALIGN * BLOCK_ALIGN;
  DICOM_Attribute_Block *current = thread_block.current;
  if (current && current->used + bytes > BLOCK_SIZE && current->holders.load(std::memory_order_acquire) == 1)
    current->used = 0;  // every room given back: the block starts over
  if (!current || current->used + bytes > BLOCK_SIZE) {
    void *area = std::malloc(sizeof(DICOM_Attribute_Block));
    if (!area) return nullptr;
    if (current) DICOM_Attribute_Block_Release(current);
    current = thread_block.current = new (area) DICOM_Attribute_Block;  // rooms left unset
    current->holders.store(1, std::memory_order_relaxed);
    current->used = 0;
  }
  current->holders.fetch_add(1, std::memory_order_relaxed);
  void *room = current->rooms + current->used;
  current->used += bytes;
  *block = current;
  return room;
}
