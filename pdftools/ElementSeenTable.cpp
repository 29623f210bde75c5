#include "pdftools/ElementSeenTable.h"

#include <cstddef>
#include <cstring>

#include "foundation/MFUtil.h"
#include "host/AS.h"

namespace {

// The extra bytes start here, aligned for any use the caller makes of them.
constexpr size_t kEntryHead = (sizeof(SElementSeenEntry) + alignof(std::max_align_t) - 1) /
                              alignof(std::max_align_t) * alignof(std::max_align_t);

void* ExtraOf(SElementSeenEntry* e) { return reinterpret_cast<char*>(e) + kEntryHead; }

}  // namespace

SElementSeenTable* NewElementSeenTableWithExtra(ASInt32 extraSize) {
  if (extraSize < 0) ASRaise(genErrBadParm);
  auto* t = static_cast<SElementSeenTable*>(ASmallocWithException(sizeof(SElementSeenTable)));
  std::memset(t, 0, sizeof *t);
  t->extraSize = extraSize;
  return t;
}

void ElementSeenTableUseHashCall(SElementSeenTable* table) { table->useHostHash = 1; }

ASInt32 ElementTableIndex(SElementSeenTable* table, CosObj obj) {
  if (table->useHostHash) return (ASInt32)(CosObjHash(obj) % (ASUns32)kElementSeenBuckets);
  // Without the host's hash only cheap facts of the object place it.
  constexpr ASInt64 kSpread = kElementSeenBuckets - 1;
  switch (CosObjGetType(obj)) {
    case CosDict: return kElementSeenBuckets - 1;
    case CosArray: return (ASInt32)((7 + 11 * (ASInt64)CosArrayLength(obj)) % kSpread);
    case CosStream: return (ASInt32)((8 + 17 * (CosStreamLength64(obj) % kSpread)) % kSpread);
    default: return CosObjGetType(obj);
  }
}

void AddSeenElementExtra(SElementSeenTable* table, CosObj obj, void** extra) {
  if (extra) *extra = nullptr;
  if (!CosObjIsIndirect(obj)) return;
  ASInt32 index = ElementTableIndex(table, obj);
  auto* e = static_cast<SElementSeenEntry*>(ASmallocWithException(kEntryHead + (size_t)table->extraSize));
  e->obj = obj;
  e->next = table->heads[index];
  table->heads[index] = e;
  ++table->counts[index];
  if (extra) *extra = ExtraOf(e);
}

ASBool IsElementSeenExtra(SElementSeenTable* table, CosObj obj, void** extra) {
  if (extra) *extra = nullptr;
  if (!CosObjIsIndirect(obj)) return 0;
  for (SElementSeenEntry* e = table->heads[ElementTableIndex(table, obj)]; e; e = e->next) {
    if (CosObjEqual(e->obj, obj)) {
      if (extra) *extra = ExtraOf(e);
      return 1;
    }
  }
  return 0;
}

void DestroyElementSeenTable(SElementSeenTable* table) {
  if (!table) return;
  for (ASInt32 i = 0; i < kElementSeenBuckets; ++i) {
    SElementSeenEntry* e = table->heads[i];
    while (e) {
      SElementSeenEntry* next = e->next;
      ASfree(e);
      e = next;
    }
  }
  ASfree(table);
}
