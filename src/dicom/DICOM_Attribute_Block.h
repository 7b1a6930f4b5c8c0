// Shared blocks for the records of the lists the header reader makes: many small
// records carved one after the other from a block of 64 KiB that the calling thread
// fills, so that a record costs neither a call to malloc nor, later, to free. A block
// counts the records it holds (and the filling thread's own hold); the last release,
// from whatever thread, frees it.
#pragma once

#include <cstddef>

struct DICOM_Attribute_Block;

// Room for `bytes` bytes (aligned as malloc aligns) in the calling thread's current
// block, opening a new block when it is full. Sets `*block` to the block that holds
// the room, which the caller gives back with DICOM_Attribute_Block_Release once the
// room is no longer used. Returns nullptr (nothing reported) when `bytes` is too large
// for a block (over 4 KiB) or memory runs out: the caller then allocates on its own.
void *DICOM_Attribute_Block_Take(size_t bytes, DICOM_Attribute_Block **block);

// Gives back one room of `block`; the block is freed with its last room once its
// thread has moved on to another block (or ended). Safe from any thread.
void DICOM_Attribute_Block_Release(DICOM_Attribute_Block *block);
