#include "host/ASMem.h"

#include <cstdlib>
#include <cstring>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

#ifdef __GLIBC__
// The C library's allocator, tuned for documents, unless the user tuned it:
// - Every stream qpdf compresses or decompresses while saving allocates and
//   frees a compressor's state of up to a quarter megabyte. By default the
//   freed top of the heap goes back to the system each time and is faulted
//   in again for the next stream: the host keeps up to 32 MB of free heap and
//   grows it 4 MB at a time.
// - A document is hundreds of thousands of small objects. With fast bins,
//   every larger block freed among them makes the allocator sweep all the
//   small free ones again, which grows faster than the document: none.
struct HeapTuning {
  HeapTuning() {
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if (!std::getenv("MALLOC_TRIM_THRESHOLD_")) mallopt(M_TRIM_THRESHOLD, 32 << 20);
    if (!std::getenv("MALLOC_TOP_PAD_")) mallopt(M_TOP_PAD, 4 << 20);
    if (!tunables || !std::strstr(tunables, "mxfast")) mallopt(M_MXFAST, 0);
  }
} gHeapTuning;
#endif

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
