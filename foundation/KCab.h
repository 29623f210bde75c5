// The cabinet: a tree of typed values under string keys, the one record of the
// whole plug-in (parameters, settings, dialog values, run state, histories).
//
// Keys are turned into host atoms. A key with colons is a path into nested
// cabinets ("Source:Range:From"); a key of decimal digits only is numeric and
// enumerates before the others in numeric order; an empty last component
// stores under the next free number.
//
// Ownership: a cabinet is owned by its creator until it is put into another
// (KCabPutCab), which then owns it; KCabDetachCab hands it back. Misuse is
// reported through ErrMessageUTF8 and never raises; allocation failures raise
// the foundation's out-of-memory exception.
#pragma once

#include "host/AS.h"

struct SKCab;

// Value types; the numbers reach enumeration callbacks and are compared by
// users of the cabinet.
enum EKCabValueType {
  kKCabTypeAbsent = 0,
  kKCabTypeBool = 1,
  kKCabTypeInt = 2,
  kKCabTypeAtom = 3,
  kKCabTypeDouble = 4,
  kKCabTypeString = 5,
  kKCabTypeHostText = 6,  // reserved: nothing stores one
  kKCabTypeBinary = 7,
  kKCabTypeNamedPointer = 8,
  kKCabTypeCab = 9,
  kKCabTypeNull = 10,
  kKCabTypeUns = 11
};

// Named pointers: the destroy procedure runs once, when the last entry that
// shares the pointer lets go of it.
typedef void (*KCabPointerDestroyProc)(void* pointer);
typedef void (*KCabFunctionPointer)();

// Enumeration callback: the key is the atom's text (not to be freed); return
// false to stop.
typedef ASBool (*KCabEnumProc)(SKCab* cab, const char* key, ASInt32 type, void* data);

// ---- Cabinets and entries

SKCab* KCabNewInner();
// Destroys a cabinet its creator owns. One destroyed while an enumeration runs
// over it or over one of its sub-cabinets goes when that enumeration ends.
void KCabDestroy(SKCab* cab);
void KCabMakeEmpty(SKCab* cab);
void KCabRemove(SKCab* cab, const char* key);
ASBool KCabKnown(SKCab* cab, const char* key);
ASInt32 KCabGetType(SKCab* cab, const char* key);
// The key under which the parent holds this cabinet.
ASBool KCabParentKey(SKCab* cab, ASAtom* key);
ASBool KCabIsEmpty(SKCab* cab);

// ---- Storing (each replaces any entry of the same key)

void KCabPutBool(SKCab* cab, const char* key, ASBool value);
void KCabPutInt(SKCab* cab, const char* key, ASInt32 value);
void KCabPutAtom(SKCab* cab, const char* key, ASAtom value);
void KCabPutDouble(SKCab* cab, const char* key, double value);
void KCabPutStringCopy(SKCab* cab, const char* key, const char* text);  // null stores ""
// Takes over the block, which must come from the host allocator.
void KCabPutBinary(SKCab* cab, const char* key, void* block, ASUns32 length);
void KCabPutPointerNamedType(SKCab* cab, const char* key, const char* typeName, void* pointer,
                             KCabPointerDestroyProc destroy);
void KCabPutFunctionPointerNamedType(SKCab* cab, const char* key, const char* typeName, KCabFunctionPointer pointer,
                                     KCabPointerDestroyProc destroy);
// Takes over the sub-cabinet (freed if the store then fails for want of
// memory). Refused, and reported "already owned", when it has a parent or is
// cab itself or one of cab's ancestors: it then stays where it was.
void KCabPutCab(SKCab* cab, const char* key, SKCab* sub);
void KCabPutNull(SKCab* cab, const char* key);
void KCabPutUns(SKCab* cab, const char* key, ASUns32 value);

// ---- Reading (an entry counts only when its type matches)

ASBool KCabGetBool(SKCab* cab, const char* key, ASBool defaultValue);
ASInt32 KCabGetInt(SKCab* cab, const char* key, ASInt32 defaultValue);
ASUns32 KCabGetUns(SKCab* cab, const char* key, ASUns32 defaultValue);
ASAtom KCabGetAtom(SKCab* cab, const char* key, ASAtom defaultValue);
double KCabGetDouble(SKCab* cab, const char* key, double defaultValue);
// The entry's own text, valid until the entry is replaced, removed or destroyed.
const char* KCabGetString(SKCab* cab, const char* key);
// The entry's own block and its length; null when the key holds no binary.
const void* KCabGetBinary(SKCab* cab, const char* key, ASUns32* length);
// Lent: the parent keeps ownership.
SKCab* KCabGetCab(SKCab* cab, const char* key);
void* KCabGetPointerNamedType(SKCab* cab, const char* key, const char* typeName);
KCabFunctionPointer KCabGetFunctionPointerNamedType(SKCab* cab, const char* key, const char* typeName);

// Takes the sub-cabinet out; the caller owns it.
SKCab* KCabDetachCab(SKCab* cab, const char* key);

// ---- Enumerating: numeric keys first in numeric order (shorter digit text is
// smaller, then byte by byte: 9, 10, 007), then the others by strcmp.

// The callback must not change the cabinet: changes are reported. The
// enumeration survives them all the same.
void KCabConstEnum(SKCab* cab, KCabEnumProc proc, void* data);
// Visits the entries present at its start; the callback may store, replace,
// remove and detach entries of the cabinet, the visited one included.
void KCabEnum(SKCab* cab, KCabEnumProc proc, void* data);

// ---- Copying

// A deep copy owned by the caller.
SKCab* KCabDup(SKCab* cab);
// Copies every entry of source into destination, replacing entries of the
// same key; sub-cabinets are replaced whole.
void KCabCopy(SKCab* source, SKCab* destination);

// ---- Conveniences

SKCab* KCabGetCabNumKey(SKCab* cab, long n);
const char* KCabGetStringNumKey(SKCab* cab, long n);
void KCabPutStringCopyNumKey(SKCab* cab, long n, const char* text);
ASBool KCabKnownNumKey(SKCab* cab, long n);

// Store sub under the next free number. PutCabAnon returns the new key atom,
// PutCabReturnKey the number; ASAtomNull or -1 when the store was refused.
ASAtom KCabPutCabAnon(SKCab* cab, SKCab* sub);
long KCabPutCabReturnKey(SKCab* cab, SKCab* sub);

// A destroy procedure for named pointers allocated with ASmallocWithException.
void KCabDestroyPointerWithKfree(void* pointer);

// Lists of doubles kept as one string: each value with at most four decimals,
// no trailing zeros, followed by one blank. Written and read in the C locale.
void KCabPutDoubleArray(SKCab* cab, const char* key, const double* values, ASInt32 count);
// True when the whole string was read; *count tells how many were stored.
ASBool KCabGetDoubleArray(SKCab* cab, const char* key, double* values, ASInt32 maxCount, ASInt32* count);
// A number, whether stored as a double or as an integer (signed or unsigned):
// hand-written cabinets hold "612" as often as "612.0".
double KCabGetNumber(SKCab* cab, const char* key, double defaultValue);
// True when the key holds a number as KCabGetNumber reads it.
ASBool KCabHasNumber(SKCab* cab, const char* key);

// Collections: members are sub-cabinets named by a string field.
SKCab* KCabCollGetCab(SKCab* collection, const char* fieldKey, const char* fieldValue, ASAtom* key);
ASAtom KCabCollAddCab(SKCab* collection, const char* fieldKey, const char* fieldValue, SKCab* member);

// Enumeration words: pairs (int value, const char* word) closed by a pair whose
// word is null (its value is the default of KCabEkAtomToEnum).
const char* KCabEkEnumToString(ASInt32 value, ...);
ASInt32 KCabEkAtomToEnum(ASAtom atom, ...);

// The same maps as arrays closed by an entry whose word is null.
struct SKCabEnumWord {
  ASInt32 value;
  const char* word;
};
const char* KCabEkEnumToStringTable(ASInt32 value, const SKCabEnumWord* words);
ASInt32 KCabEkAtomToEnumTable(ASAtom atom, const SKCabEnumWord* words);
