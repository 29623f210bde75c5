// The object seen-table: a hash set of indirect Cos objects with a few bytes
// of the caller's data per entry. Direct objects are never stored.
#pragma once

#include "host/Cos.h"

constexpr ASInt32 kElementSeenBuckets = 16073;

struct SElementSeenEntry {
  CosObj obj;
  SElementSeenEntry* next;
  // the caller's extra bytes follow
};

struct SElementSeenTable {
  SElementSeenEntry* heads[kElementSeenBuckets];
  ASInt32 extraSize;
  ASInt32 counts[kElementSeenBuckets];
  ASBool useHostHash;
};

// A zeroed table whose entries carry extraSize bytes (not initialised).
SElementSeenTable* NewElementSeenTableWithExtra(ASInt32 extraSize);
// Buckets by the host's object hash from now on (call before the first add).
void ElementSeenTableUseHashCall(SElementSeenTable* table);
// Adds an indirect object and gives its entry's extra bytes; a direct object
// adds nothing and gives null. extra may be null.
void AddSeenElementExtra(SElementSeenTable* table, CosObj obj, void** extra);
// True with the entry's extra bytes when an equal indirect object was added;
// false with null otherwise. extra may be null.
ASBool IsElementSeenExtra(SElementSeenTable* table, CosObj obj, void** extra);
// Null is accepted.
void DestroyElementSeenTable(SElementSeenTable* table);
// The bucket of an object.
ASInt32 ElementTableIndex(SElementSeenTable* table, CosObj obj);
