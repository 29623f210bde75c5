// The cabinet's records, for the cabinet's own files and tests that look at
// its memory layout (bulk blocks, flags). Everyone else uses KCab.h.
#pragma once

#include "foundation/KCab.h"

constexpr ASUns32 kKCabMagic = 0x839A1738u;
constexpr ASUns32 kKCabDeadMagic = 0x73A19260u;
constexpr ASUns32 kKCabEntryMagic = 0x839A1737u;

// Entry flags.
enum : ASUns8 {
  kKCabFlagEnumMark = 0x01,   // marked by the latest mutable enumeration
  kKCabFlagDataInline = 0x02, // the value's data is not a separate allocation
  kKCabFlagInBulk = 0x04,     // the entry lies in a bulk block
  kKCabFlagNumeric = 0x08     // the key is decimal digits only
};

struct SKCabNamedPointer {
  union {
    void* data;
    KCabFunctionPointer function;
  } pointer;
  KCabPointerDestroyProc destroy;
  ASInt32 useCount;
  ASAtom typeName;
};

struct SKCabEntry {
  ASUns32 magic;
  SKCabEntry* next;
  SKCabEntry* prev;
  ASUns8 type;
  ASUns8 flags;
  ASAtom key;
  union {
    ASBool b;
    ASInt32 i;
    ASUns32 u;
    ASAtom atom;
    double d;
    char* string;
    void* binary;
    SKCabNamedPointer* named;
    SKCab* cab;
    ASText text;
  } value;
  ASUns32 length;
  // The key's text (the atom's string, alive for the process) and its length,
  // kept so that ordering never goes back to the atom table.
  const char* keyText;
  ASUns32 keyLength;
};

// The entry list is kept in enumeration order: numeric keys first, in numeric
// order, then the others by strcmp. Nothing may rely on that order but the
// cabinet itself; it makes enumeration linear and appends in order constant.
struct SKCab {
  ASUns32 magic;
  SKCabEntry* first;
  SKCabEntry* last;
  SKCabEntry* firstNonNumeric;
  SKCab* parent;
  ASInt32 nextAnon;
  ASInt32 constEnumDepth;
  void* bulk;
  // Mutable enumerations now running over this cabinet: it must not be freed
  // under them.
  ASInt32 enumDepth;
  // Bumped by every link and unlink, so that an enumeration knows when its
  // place in the list has to be found again by key.
  ASUns32 changes;
  // Entries in the list, and for large cabinets an open-addressing index of
  // them by key atom (null while the cabinet is small, or when there was no
  // memory for it: lookups then scan the list).
  ASUns32 count;
  ASUns32 indexMask;
  SKCabEntry** index;
  // Destroyed by its owner while an enumeration ran over it (or over one of
  // its sub-cabinets): it goes when the last such enumeration ends.
  ASBool destroyPending;
};

// Cabinets with more entries than this keep an index.
constexpr ASUns32 kKCabIndexFrom = 24;

// KCabPutCab that tells what it stored: the new entry, or null when the
// store was refused.
SKCabEntry* KCabPutCabEntry(SKCab* cab, const char* key, SKCab* sub);
