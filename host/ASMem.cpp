#include "host/ASMem.h"

#include <cstdlib>

namespace {
ASInt32 gFailSkip = 0;
ASInt32 gFailCount = 0;  // -1: fail until cleared
ASInt64 gOutstanding = 0;

bool ShouldFail() {
  if (gFailCount == 0) return false;
  if (gFailSkip > 0) {
    --gFailSkip;
    return false;
  }
  if (gFailCount > 0) --gFailCount;
  return true;
}
}  // namespace

void* ASmalloc(ASSize_t size) {
  if (ShouldFail()) return nullptr;
  void* p = std::malloc(size ? size : 1);
  if (p) ++gOutstanding;
  return p;
}

void* ASrealloc(void* block, ASSize_t size) {
  if (ShouldFail()) return nullptr;
  void* p = std::realloc(block, size ? size : 1);
  if (p && !block) ++gOutstanding;
  return p;
}

void ASfree(void* block) {
  if (!block) return;
  --gOutstanding;
  std::free(block);
}

void ASMemInjectFailure(ASInt32 skip, ASInt32 count) {
  gFailSkip = skip < 0 ? 0 : skip;
  gFailCount = count;
}

void ASMemClearFailure() {
  gFailSkip = 0;
  gFailCount = 0;
}

ASInt64 ASMemOutstandingBlocks() { return gOutstanding; }
