// Host memory: the C allocator with a failure-injection hook.
#pragma once

#include "host/ASTypes.h"

// Null on failure. A size of 0 gives a valid, unique block.
void* ASmalloc(ASSize_t size);
void* ASrealloc(void* block, ASSize_t size);
void ASfree(void* block);  // null is accepted

// Makes the next `skip` allocations succeed and the `count` after them fail
// (count -1: all of them until cleared). ASMemClearFailure ends it.
void ASMemInjectFailure(ASInt32 skip, ASInt32 count);
void ASMemClearFailure();
// Blocks allocated and not yet freed (tests look for leaks with it).
ASInt64 ASMemOutstandingBlocks();
