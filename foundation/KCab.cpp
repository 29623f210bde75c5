#include "foundation/KCab.h"

#include <cstdio>
#include <cstring>

#include "foundation/Alerts.h"
#include "foundation/KCabPrivate.h"
#include "foundation/MFUtil.h"

namespace {

const char kErrConstEnum[] = "KCab error: cannot modify while running constant enumeration";
const char kErrAlreadyOwned[] = "KCab error: cabinet already owned";
const char kErrNotOwned[] = "KCab error: cabinet value is not owned by us";
const char kErrDestroyOwned[] = "KCab failure: attempt to destroy cabinet owned by another";
const char kErrDestroyBad[] = "KCab failure: attempt to free a cabinet already freed or overwritten";
const char kErrEntryBad[] = "KCab entry freed when already freed or damaged";
const char kErrDestroyEnumerated[] = "KCab error: cannot destroy a cabinet while it is being enumerated";

// Enumerations running anywhere; while there are none, nothing can be busy.
ASInt32 gEnumerationsRunning = 0;
// Cabinets whose destruction waits for an enumeration to end.
ASInt32 gDestroysPending = 0;

// A report may itself store into a cabinet (the automation message list);
// what goes wrong inside it is not reported again.
ASInt32 gReporting = 0;

void Report(const char* text) {
  if (gReporting) return;
  ++gReporting;
  DURING
    ErrMessageUTF8(text);
  HANDLER
    --gReporting;
    RERAISE();
  END_HANDLER
  --gReporting;
}

// A key as the list orders it. text is the atom's own string.
struct KeyRef {
  ASAtom atom;
  const char* text;
  ASUns32 length;
  bool numeric;
};

bool IsDigits(const char* p, size_t n) {
  if (n == 0) return false;
  for (size_t i = 0; i < n; ++i)
    if (p[i] < '0' || p[i] > '9') return false;
  return true;
}

KeyRef KeyFromAtom(ASAtom atom) {
  KeyRef k;
  k.atom = atom;
  k.text = ASAtomGetString(atom);
  k.length = (ASUns32)std::strlen(k.text);
  k.numeric = IsDigits(k.text, k.length);
  return k;
}

// Path components are short; a long one gets a buffer of its own.
ASAtom AtomOfRange(const char* p, size_t n) {
  char small[512];
  char* text = n < sizeof small ? small : (char*)ASmallocWithException(n + 1);
  std::memcpy(text, p, n);
  text[n] = 0;
  ASAtom atom = ASAtomNull;
  DURING
    atom = ASAtomFromString(text);
  HANDLER
    if (text != small) ASfree(text);
    RERAISE();
  END_HANDLER
  if (text != small) ASfree(text);
  return atom;
}

bool EntryNumeric(const SKCabEntry* e) { return (e->flags & kKCabFlagNumeric) != 0; }

// Enumeration order: numeric keys first, shorter digit text smaller, then byte
// by byte; the others by strcmp.
int CompareToKey(const SKCabEntry* e, const KeyRef& k) {
  bool en = EntryNumeric(e);
  if (en != k.numeric) return en ? -1 : 1;
  if (en) {
    if (e->keyLength != k.length) return e->keyLength < k.length ? -1 : 1;
    return std::memcmp(e->keyText, k.text, k.length);
  }
  return std::strcmp(e->keyText, k.text);
}

KeyRef KeyOfEntry(const SKCabEntry* e) { return KeyRef{e->key, e->keyText, e->keyLength, EntryNumeric(e)}; }

// ---- The index of large cabinets. It is a cache: when memory for it is
// short it is dropped, and lookups scan the list again.

ASUns32 Slot(ASAtom atom, ASUns32 mask) { return (atom * 2654435761u) & mask; }

void IndexDrop(SKCab* cab) {
  ASfree(cab->index);
  cab->index = nullptr;
  cab->indexMask = 0;
}

void IndexPlace(SKCab* cab, SKCabEntry* e) {
  ASUns32 i = Slot(e->key, cab->indexMask);
  while (cab->index[i]) i = (i + 1) & cab->indexMask;
  cab->index[i] = e;
}

void IndexRebuild(SKCab* cab, ASUns32 slots) {
  auto* index = (SKCabEntry**)UnfilteredASmalloc(sizeof(SKCabEntry*) * slots);
  IndexDrop(cab);
  if (!index) return;
  std::memset(index, 0, sizeof(SKCabEntry*) * slots);
  cab->index = index;
  cab->indexMask = slots - 1;
  for (SKCabEntry* e = cab->first; e; e = e->next) IndexPlace(cab, e);
}

// Keeps the index at most half full.
void IndexAdd(SKCab* cab, SKCabEntry* e) {
  if (cab->index && cab->count * 2 <= cab->indexMask + 1) {
    IndexPlace(cab, e);
  } else if (cab->count > kKCabIndexFrom) {
    ASUns32 slots = 64;
    while (slots < cab->count * 4) slots *= 2;
    IndexRebuild(cab, slots);
  }
}

void IndexRemove(SKCab* cab, SKCabEntry* e) {
  if (!cab->index) return;
  if (cab->count == 0) {
    IndexDrop(cab);
    return;
  }
  ASUns32 mask = cab->indexMask;
  ASUns32 i = Slot(e->key, mask);
  while (cab->index[i] && cab->index[i] != e) i = (i + 1) & mask;
  if (!cab->index[i]) return;
  // Close the gap: move back every later entry of the run that may not sit
  // behind the hole.
  for (ASUns32 j = (i + 1) & mask; cab->index[j]; j = (j + 1) & mask) {
    ASUns32 home = Slot(cab->index[j]->key, mask);
    bool between = i <= j ? (i < home && home <= j) : (i < home || home <= j);
    if (!between) {
      cab->index[i] = cab->index[j];
      i = j;
    }
  }
  cab->index[i] = nullptr;
}

SKCabEntry* FindByAtom(SKCab* cab, ASAtom atom) {
  if (cab->index) {
    for (ASUns32 i = Slot(atom, cab->indexMask); cab->index[i]; i = (i + 1) & cab->indexMask)
      if (cab->index[i]->key == atom) return cab->index[i];
    return nullptr;
  }
  for (SKCabEntry* e = cab->first; e; e = e->next)
    if (e->key == atom) return e;
  return nullptr;
}

SKCabEntry* LastNumeric(SKCab* cab) { return cab->firstNonNumeric ? cab->firstNonNumeric->prev : cab->last; }

// Where key k belongs: *at receives the first entry ordered at or after k
// (null: the end of the list). Returns the entry holding k, if any.
SKCabEntry* Locate(SKCab* cab, const KeyRef& k, SKCabEntry** at) {
  if (cab->index) {
    if (SKCabEntry* e = FindByAtom(cab, k.atom)) {
      *at = e;
      return e;
    }
  }
  SKCabEntry* start;
  SKCabEntry* end;
  SKCabEntry* tail;
  if (k.numeric) {
    start = cab->first;
    end = cab->firstNonNumeric;
    tail = LastNumeric(cab);
  } else {
    start = cab->firstNonNumeric;
    end = nullptr;
    tail = cab->firstNonNumeric ? cab->last : nullptr;
  }
  // Appends in order (anonymous numbering, reading XML, copies) end here.
  if (!tail || CompareToKey(tail, k) < 0) {
    *at = end;
    return nullptr;
  }
  for (SKCabEntry* e = start; e != end; e = e->next) {
    int c = CompareToKey(e, k);
    if (c >= 0) {
      *at = e;
      return c == 0 ? e : nullptr;
    }
  }
  *at = end;
  return nullptr;
}

// The first entry ordered after k.
SKCabEntry* FirstAfter(SKCab* cab, const KeyRef& k) {
  SKCabEntry* e = k.numeric ? cab->first : cab->firstNonNumeric;
  for (; e; e = e->next)
    if (CompareToKey(e, k) > 0) return e;
  return nullptr;
}

void LinkBefore(SKCab* cab, SKCabEntry* e, SKCabEntry* at) {
  e->prev = at ? at->prev : cab->last;
  e->next = at;
  if (e->prev)
    e->prev->next = e;
  else
    cab->first = e;
  if (at)
    at->prev = e;
  else
    cab->last = e;
  if (!EntryNumeric(e) && (!cab->firstNonNumeric || at == cab->firstNonNumeric)) cab->firstNonNumeric = e;
  ++cab->changes;
  ++cab->count;
  IndexAdd(cab, e);
}

void Unlink(SKCab* cab, SKCabEntry* e) {
  if (cab->firstNonNumeric == e) cab->firstNonNumeric = e->next;
  if (e->prev)
    e->prev->next = e->next;
  else
    cab->first = e->next;
  if (e->next)
    e->next->prev = e->prev;
  else
    cab->last = e->prev;
  e->next = e->prev = nullptr;
  cab->nextAnon = 0;
  ++cab->changes;
  --cab->count;
  IndexRemove(cab, e);
}

bool TreeBusy(const SKCab* cab) {
  if (gEnumerationsRunning == 0 || !cab) return false;
  if (cab->constEnumDepth > 0 || cab->enumDepth > 0) return true;
  for (const SKCabEntry* e = cab->first; e; e = e->next)
    if (e->type == kKCabTypeCab && e->value.cab && e->value.cab->parent == cab && TreeBusy(e->value.cab))
      return true;
  return false;
}

bool AnyConstEnum(const SKCab* cab) {
  if (cab->constEnumDepth > 0) return true;
  for (const SKCabEntry* e = cab->first; e; e = e->next)
    if (e->type == kKCabTypeCab && e->value.cab && e->value.cab->parent == cab && AnyConstEnum(e->value.cab))
      return true;
  return false;
}

// True (after reporting) when freeing this entry's value would free a
// cabinet that an enumeration is running over.
bool RefuseBusyEntry(const SKCab* owner, const SKCabEntry* e) {
  if (e->type != kKCabTypeCab || !e->value.cab || e->value.cab->parent != owner) return false;
  if (!TreeBusy(e->value.cab)) return false;
  Report(AnyConstEnum(e->value.cab) ? kErrConstEnum : kErrDestroyEnumerated);
  return true;
}

void DestroyTree(SKCab* cab);

// Destroys a cabinet nobody owns, or, while an enumeration runs over it or
// one of its sub-cabinets, marks it to go when that enumeration ends.
void DestroyOrDefer(SKCab* cab) {
  if (!TreeBusy(cab)) {
    DestroyTree(cab);
  } else if (!cab->destroyPending) {
    cab->destroyPending = 1;
    ++gDestroysPending;
  }
}

void ReleaseValue(SKCab* owner, SKCabEntry* e) {
  switch (e->type) {
    case kKCabTypeString:
    case kKCabTypeBinary:
      if (!(e->flags & kKCabFlagDataInline)) ASfree(e->value.binary);
      break;
    case kKCabTypeHostText:
      ASTextDestroy(e->value.text);
      break;
    case kKCabTypeNamedPointer: {
      SKCabNamedPointer* holder = e->value.named;
      e->value.named = nullptr;
      if (holder && --holder->useCount < 1) {
        // The owner's clean-up may call the host and raise; the cabinet is
        // freed whole all the same, and a destroy never raises out: it may
        // run while an error unwinds.
        if (holder->destroy) {
          DURING
            holder->destroy(holder->pointer.data);
          HANDLER
          END_HANDLER
        }
        ASfree(holder);
      }
      break;
    }
    case kKCabTypeCab: {
      SKCab* sub = e->value.cab;
      if (sub) {
        if (sub->parent == owner) {
          sub->parent = nullptr;
          DestroyTree(sub);
        } else {
          Report(kErrNotOwned);
        }
      }
      e->value.cab = nullptr;
      break;
    }
    default:
      break;
  }
  e->type = kKCabTypeNull;
}

void DestroyEntry(SKCab* owner, SKCabEntry* e) {
  if (e->magic != kKCabEntryMagic) {
    Report(kErrEntryBad);
    return;
  }
  ReleaseValue(owner, e);
  e->magic = 0;
  if (!(e->flags & kKCabFlagInBulk)) ASfree(e);
}

// Frees a cabinet that nobody owns any more (callers checked busy and magic).
void DestroyTree(SKCab* cab) {
  if (cab->destroyPending) {
    cab->destroyPending = 0;
    --gDestroysPending;
  }
  while (SKCabEntry* e = cab->first) {
    Unlink(cab, e);
    DestroyEntry(cab, e);
  }
  cab->magic = kKCabDeadMagic;
  IndexDrop(cab);
  ASfree(cab->bulk);
  cab->bulk = nullptr;
  ASfree(cab);
}

SKCabEntry* NewEntry(ASUns8 type, size_t extra = 0) {
  auto* e = (SKCabEntry*)ASmallocWithException(sizeof(SKCabEntry) + extra);
  std::memset(e, 0, sizeof(SKCabEntry));
  e->magic = kKCabEntryMagic;
  e->type = type;
  return e;
}

// A new entry that could not be stored: its value was handed over, so it
// goes as if it had been stored and removed (a sub-cabinet that something
// is enumerating is left alone rather than freed under it).
void DiscardNewEntry(SKCabEntry* e) {
  if (e->type == kKCabTypeCab && e->value.cab) {
    if (!e->value.cab->parent) DestroyOrDefer(e->value.cab);
    e->type = kKCabTypeNull;
  }
  DestroyEntry(nullptr, e);
}

// The lowest free number at or above the cabinet's next anonymous number.
long ChooseAnonNumber(SKCab* cab, char* text, size_t size) {
  long n = cab->nextAnon < 0 ? 0 : cab->nextAnon;
  std::snprintf(text, size, "%ld", n);
  KeyRef k{ASAtomNull, text, (ASUns32)std::strlen(text), true};
  SKCabEntry* tail = LastNumeric(cab);
  if (tail && CompareToKey(tail, k) >= 0) {
    SKCabEntry* e = cab->first;
    SKCabEntry* end = cab->firstNonNumeric;
    for (;;) {
      while (e != end && CompareToKey(e, k) < 0) e = e->next;
      if (e == end || CompareToKey(e, k) != 0) break;
      ++n;
      std::snprintf(text, size, "%ld", n);
      k.length = (ASUns32)std::strlen(text);
      e = e->next;
    }
  }
  cab->nextAnon = n >= 0x7FFFFFFF ? 0x7FFFFFFF : (ASInt32)(n + 1);
  return n;
}

// Stores a new entry under one key component of this cabinet (empty: the
// next free number). Returns the entry, or null when the store was refused.
SKCabEntry* StoreIn(SKCab* cab, const char* component, size_t length, SKCabEntry* e) {
  KeyRef k;
  SKCabEntry* at = nullptr;
  if (length == 0) {
    char text[32];
    ChooseAnonNumber(cab, text, sizeof text);
    k = KeyFromAtom(ASAtomFromString(text));
    Locate(cab, k, &at);
  } else {
    ASAtom atom = ASAtomNull;
    DURING
      atom = AtomOfRange(component, length);
    HANDLER
      DiscardNewEntry(e);
      RERAISE();
    END_HANDLER
    k = KeyFromAtom(atom);
    SKCabEntry* old = Locate(cab, k, &at);
    if (old) {
      if (RefuseBusyEntry(cab, old)) {
        DiscardNewEntry(e);
        return nullptr;
      }
      at = old->next;
      Unlink(cab, old);
      DestroyEntry(cab, old);
    }
  }
  e->key = k.atom;
  e->keyText = k.text;
  e->keyLength = k.length;
  if (k.numeric) e->flags |= kKCabFlagNumeric;
  LinkBefore(cab, e, at);
  if (e->type == kKCabTypeCab && e->value.cab) e->value.cab->parent = cab;
  return e;
}

// Splits off the next path component: [*begin, *end) and whether more follow.
// Empty components inside a path are passed over.
bool NextComponent(const char*& p, const char** begin, size_t* length) {
  for (;;) {
    const char* colon = std::strchr(p, ':');
    if (!colon) {
      *begin = p;
      *length = std::strlen(p);
      return false;
    }
    if (colon != p) {
      *begin = p;
      *length = (size_t)(colon - p);
      p = colon + 1;
      return true;
    }
    p = colon + 1;
  }
}

// The cabinet that holds the last component of key, following only existing
// sub-cabinets; null when the path is unknown.
SKCab* ResolveRead(SKCab* cab, const char* key, const char** last) {
  if (!cab) return nullptr;
  const char* p = key ? key : "";
  const char* begin;
  size_t length;
  while (NextComponent(p, &begin, &length)) {
    SKCabEntry* e = FindByAtom(cab, AtomOfRange(begin, length));
    if (!e || e->type != kKCabTypeCab || !e->value.cab) return nullptr;
    cab = e->value.cab;
  }
  *last = begin;
  return cab;
}

SKCabEntry* FindRead(SKCab* cab, const char* key) {
  const char* last;
  SKCab* inner = ResolveRead(cab, key, &last);
  if (!inner || !*last) return nullptr;
  return FindByAtom(inner, ASAtomFromString(last));
}

// The cabinet for the last component, making sub-cabinets where the path has
// none (what stood there is replaced).
SKCab* ResolveWrite(SKCab* cab, const char* key, const char** last, size_t* lastLength) {
  const char* p = key ? key : "";
  const char* begin;
  size_t length;
  while (NextComponent(p, &begin, &length)) {
    SKCabEntry* e = FindByAtom(cab, AtomOfRange(begin, length));
    if (e && e->type == kKCabTypeCab && e->value.cab) {
      cab = e->value.cab;
      continue;
    }
    SKCabEntry* holder = NewEntry(kKCabTypeCab);
    DURING
      holder->value.cab = KCabNewInner();
    HANDLER
      DestroyEntry(nullptr, holder);
      RERAISE();
    END_HANDLER
    SKCab* sub = holder->value.cab;
    if (!StoreIn(cab, begin, length, holder)) return nullptr;  // the holder went with its cabinet
    cab = sub;
  }
  *last = begin;
  *lastLength = length;
  return cab;
}

// The road of every Put: report a store during a constant enumeration, find
// the cabinet, store.
SKCabEntry* Store(SKCab* cab, const char* key, SKCabEntry* e) {
  if (!cab) {
    DiscardNewEntry(e);
    return nullptr;
  }
  if (cab->constEnumDepth > 0) Report(kErrConstEnum);
  const char* last = nullptr;
  size_t length = 0;
  SKCab* inner = nullptr;
  DURING
    inner = ResolveWrite(cab, key, &last, &length);
  HANDLER
    DiscardNewEntry(e);
    RERAISE();
  END_HANDLER
  if (!inner) {
    DiscardNewEntry(e);
    return nullptr;
  }
  if (inner != cab && inner->constEnumDepth > 0) Report(kErrConstEnum);
  return StoreIn(inner, last, length, e);
}

SKCabEntry* StoreCab(SKCab* cab, const char* key, SKCab* sub) {
  if (!cab) return nullptr;
  if (sub) {
    bool owned = sub->parent != nullptr;
    for (SKCab* c = cab; c && !owned; c = c->parent) owned = (c == sub);
    if (owned) {
      Report(kErrAlreadyOwned);
      return nullptr;
    }
  }
  SKCabEntry* e = nullptr;
  DURING
    e = NewEntry(kKCabTypeCab);
  HANDLER
    if (sub) DestroyOrDefer(sub);  // it was handed over
    RERAISE();
  END_HANDLER
  e->value.cab = sub;
  return Store(cab, key, e);
}

SKCabNamedPointer* NewHolder(const char* typeName, KCabPointerDestroyProc destroy) {
  auto* h = (SKCabNamedPointer*)ASmallocWithException(sizeof(SKCabNamedPointer));
  std::memset(h, 0, sizeof *h);
  h->destroy = destroy;
  h->useCount = 1;
  h->typeName = ASAtomFromString(typeName);
  return h;
}

SKCabEntry* NewStringEntry(const char* text) {
  if (!text) text = "";
  size_t n = std::strlen(text);
  SKCabEntry* e = NewEntry(kKCabTypeString, n + 1);
  e->value.string = (char*)(e + 1);
  std::memcpy(e->value.string, text, n + 1);
  e->length = (ASUns32)n;
  e->flags |= kKCabFlagDataInline;
  return e;
}

SKCabEntry* NewBinaryCopyEntry(const void* data, ASUns32 length) {
  SKCabEntry* e = NewEntry(kKCabTypeNull);
  DURING
    e->value.binary = ASmallocWithException(length);
  HANDLER
    DestroyEntry(nullptr, e);
    RERAISE();
  END_HANDLER
  if (length) std::memcpy(e->value.binary, data, length);
  e->type = kKCabTypeBinary;
  e->length = length;
  return e;
}

SKCabEntry* FindTyped(SKCab* cab, const char* key, ASUns8 type) {
  SKCabEntry* e = FindRead(cab, key);
  return e && e->type == type ? e : nullptr;
}

void FastCopyInto(SKCab* source, SKCab* destination);

SKCab* DupTree(SKCab* source) {
  SKCab* copy = KCabNewInner();
  DURING
    FastCopyInto(source, copy);
  HANDLER
    DestroyTree(copy);
    RERAISE();
  END_HANDLER
  return copy;
}

// One block for all entries of this level and their texts. The destination
// has no entries and no bulk block. Each entry is linked only once it is
// whole, so a failed allocation leaves a destination that can be destroyed.
void FastCopyInto(SKCab* source, SKCab* destination) {
  size_t count = 0;
  size_t textBytes = 0;
  for (const SKCabEntry* e = source->first; e; e = e->next) {
    ++count;
    if (e->type == kKCabTypeString) textBytes += (size_t)e->length + 1;
  }
  if (count == 0) return;
  auto* block = (SKCabEntry*)ASmallocWithException(count * sizeof(SKCabEntry) + textBytes);
  destination->bulk = block;
  char* texts = (char*)(block + count);
  SKCabEntry* d = block;
  for (const SKCabEntry* s = source->first; s; s = s->next, ++d) {
    *d = *s;
    d->next = d->prev = nullptr;
    d->flags = (ASUns8)((s->flags & kKCabFlagNumeric) | kKCabFlagInBulk);
    switch (s->type) {
      case kKCabTypeString:
        std::memcpy(texts, s->value.string, (size_t)s->length + 1);
        d->value.string = texts;
        texts += (size_t)s->length + 1;
        d->flags |= kKCabFlagDataInline;
        break;
      case kKCabTypeBinary:
        d->type = kKCabTypeNull;  // until the copy is made
        d->value.binary = ASmallocWithException(s->length);
        if (s->length) std::memcpy(d->value.binary, s->value.binary, s->length);
        d->type = kKCabTypeBinary;
        break;
      case kKCabTypeNamedPointer:
        if (s->value.named) ++s->value.named->useCount;
        break;
      case kKCabTypeCab:
        if (s->value.cab) {
          d->type = kKCabTypeNull;
          d->value.cab = DupTree(s->value.cab);
          d->value.cab->parent = destination;
          d->type = kKCabTypeCab;
        }
        break;
      case kKCabTypeHostText:
        d->type = kKCabTypeNull;
        d->value.text = nullptr;
        break;
      default:
        break;
    }
    LinkBefore(destination, d, nullptr);
  }
}

bool IsInside(const SKCab* inner, const SKCab* outer) {
  for (const SKCab* c = inner ? inner->parent : nullptr; c; c = c->parent)
    if (c == outer) return true;
  return false;
}

// Visits the entries in order. After each visit the next entry is the one
// that followed the visited one, unless the cabinet changed: then it is found
// again by key, so no freed or moved entry is ever touched.
template <typename Visit>
void Walk(SKCab* cab, bool markedOnly, Visit visit) {
  SKCabEntry* e = cab->first;
  while (e) {
    if (markedOnly && !(e->flags & kKCabFlagEnumMark)) {
      e = e->next;
      continue;
    }
    KeyRef key = KeyOfEntry(e);
    ASUns32 changes = cab->changes;
    if (!visit(e)) return;
    e = cab->changes == changes ? e->next : FirstAfter(cab, key);
  }
}

// Counts an enumeration in for its life. When it ends, a destruction that
// waited for it goes ahead.
struct EnumCount {
  SKCab* cab;
  ASInt32* depth;
  EnumCount(SKCab* c, ASInt32* d) : cab(c), depth(d) {
    ++*depth;
    ++gEnumerationsRunning;
  }
  ~EnumCount() {
    --*depth;
    --gEnumerationsRunning;
    if (gDestroysPending == 0) return;
    SKCab* root = cab;
    while (root->parent) root = root->parent;
    if (!root->destroyPending || TreeBusy(root)) return;
    // The enumeration may be ending by an error: a report must not raise.
    DURING
      DestroyTree(root);
    HANDLER
    END_HANDLER
  }
  EnumCount(const EnumCount&) = delete;
  EnumCount& operator=(const EnumCount&) = delete;
};

void MergeCopy(SKCab* source, SKCab* destination) {
  EnumCount running(source, &source->constEnumDepth);
  Walk(source, false, [&](SKCabEntry* s) {
    if (destination->constEnumDepth > 0) Report(kErrConstEnum);
    SKCabEntry* e = nullptr;
    switch (s->type) {
      case kKCabTypeString:
        e = NewStringEntry(s->value.string);
        break;
      case kKCabTypeBinary:
        e = NewBinaryCopyEntry(s->value.binary, s->length);
        break;
      case kKCabTypeNamedPointer: {
        SKCabNamedPointer* h = s->value.named;
        e = NewEntry(kKCabTypeNamedPointer);
        if (h && h->destroy) {
          ++h->useCount;
          e->value.named = h;
        } else if (h) {
          DURING
            e->value.named = NewHolder(nullptr, nullptr);
          HANDLER
            DestroyEntry(nullptr, e);
            RERAISE();
          END_HANDLER
          e->value.named->typeName = h->typeName;
          e->value.named->pointer = h->pointer;
        }
        break;
      }
      case kKCabTypeCab: {
        SKCab* copy = s->value.cab ? DupTree(s->value.cab) : nullptr;
        DURING
          e = NewEntry(kKCabTypeCab);
        HANDLER
          if (copy) DestroyTree(copy);
          RERAISE();
        END_HANDLER
        e->value.cab = copy;
        StoreIn(destination, s->keyText, s->keyLength, e);
        return true;
      }
      case kKCabTypeHostText:
        return true;
      default:
        e = NewEntry(s->type);
        e->value = s->value;
        e->length = s->length;
        break;
    }
    StoreIn(destination, s->keyText, s->keyLength, e);
    return true;
  });
}

}  // namespace

// ---- Cabinets and entries

SKCab* KCabNewInner() {
  auto* cab = (SKCab*)ASmallocWithException(sizeof(SKCab));
  std::memset(cab, 0, sizeof *cab);
  cab->magic = kKCabMagic;
  return cab;
}

void KCabDestroy(SKCab* cab) {
  if (!cab) return;
  if (cab->parent) {
    Report(kErrDestroyOwned);
    return;
  }
  if (cab->magic != kKCabMagic) {
    Report(kErrDestroyBad);
    return;
  }
  // Freeing it under a running enumeration would pull it from under it: it
  // then goes when the enumeration ends.
  DestroyOrDefer(cab);
}

void KCabMakeEmpty(SKCab* cab) {
  if (!cab) return;
  for (SKCabEntry* e = cab->first; e; e = e->next)
    if (RefuseBusyEntry(cab, e)) return;
  if (cab->constEnumDepth > 0) Report(kErrConstEnum);
  while (SKCabEntry* e = cab->first) {
    Unlink(cab, e);
    DestroyEntry(cab, e);
  }
}

void KCabRemove(SKCab* cab, const char* key) {
  const char* last;
  SKCab* inner = ResolveRead(cab, key, &last);
  if (!inner || !*last) return;
  SKCabEntry* e = FindByAtom(inner, ASAtomFromString(last));
  if (!e || RefuseBusyEntry(inner, e)) return;
  if (inner->constEnumDepth > 0) Report(kErrConstEnum);
  Unlink(inner, e);
  DestroyEntry(inner, e);
}

ASBool KCabKnown(SKCab* cab, const char* key) { return FindRead(cab, key) ? 1 : 0; }

ASInt32 KCabGetType(SKCab* cab, const char* key) {
  SKCabEntry* e = FindRead(cab, key);
  return e ? (ASInt32)e->type : (ASInt32)kKCabTypeAbsent;
}

ASBool KCabParentKey(SKCab* cab, ASAtom* key) {
  if (!cab || !cab->parent) return 0;
  for (SKCabEntry* e = cab->parent->first; e; e = e->next) {
    if (e->type == kKCabTypeCab && e->value.cab == cab) {
      if (key) *key = e->key;
      return 1;
    }
  }
  return 0;
}

ASBool KCabIsEmpty(SKCab* cab) { return !cab || !cab->first; }

// ---- Storing

void KCabPutBool(SKCab* cab, const char* key, ASBool value) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeBool);
  e->value.b = value;
  Store(cab, key, e);
}

void KCabPutInt(SKCab* cab, const char* key, ASInt32 value) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeInt);
  e->value.i = value;
  Store(cab, key, e);
}

void KCabPutAtom(SKCab* cab, const char* key, ASAtom value) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeAtom);
  e->value.atom = value;
  Store(cab, key, e);
}

void KCabPutDouble(SKCab* cab, const char* key, double value) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeDouble);
  e->value.d = value;
  Store(cab, key, e);
}

void KCabPutStringCopy(SKCab* cab, const char* key, const char* text) {
  if (!cab) return;
  Store(cab, key, NewStringEntry(text));
}

void KCabPutBinary(SKCab* cab, const char* key, void* block, ASUns32 length) {
  if (!cab) {
    ASfree(block);
    return;
  }
  SKCabEntry* e;
  DURING
    e = NewEntry(kKCabTypeBinary);
  HANDLER
    ASfree(block);  // it was handed over
    RERAISE();
  END_HANDLER
  e->value.binary = block;
  e->length = length;
  Store(cab, key, e);
}

void KCabPutPointerNamedType(SKCab* cab, const char* key, const char* typeName, void* pointer,
                             KCabPointerDestroyProc destroy) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeNamedPointer);
  DURING
    e->value.named = NewHolder(typeName, destroy);
  HANDLER
    DestroyEntry(nullptr, e);
    RERAISE();
  END_HANDLER
  e->value.named->pointer.data = pointer;
  Store(cab, key, e);
}

void KCabPutFunctionPointerNamedType(SKCab* cab, const char* key, const char* typeName, KCabFunctionPointer pointer,
                                     KCabPointerDestroyProc destroy) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeNamedPointer);
  DURING
    e->value.named = NewHolder(typeName, destroy);
  HANDLER
    DestroyEntry(nullptr, e);
    RERAISE();
  END_HANDLER
  e->value.named->pointer.function = pointer;
  Store(cab, key, e);
}

void KCabPutCab(SKCab* cab, const char* key, SKCab* sub) { StoreCab(cab, key, sub); }

SKCabEntry* KCabPutCabEntry(SKCab* cab, const char* key, SKCab* sub) { return StoreCab(cab, key, sub); }

void KCabPutNull(SKCab* cab, const char* key) {
  if (!cab) return;
  Store(cab, key, NewEntry(kKCabTypeNull));
}

void KCabPutUns(SKCab* cab, const char* key, ASUns32 value) {
  if (!cab) return;
  SKCabEntry* e = NewEntry(kKCabTypeUns);
  e->value.u = value;
  Store(cab, key, e);
}

// ---- Reading

ASBool KCabGetBool(SKCab* cab, const char* key, ASBool defaultValue) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeBool);
  return e ? e->value.b : defaultValue;
}

ASInt32 KCabGetInt(SKCab* cab, const char* key, ASInt32 defaultValue) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeInt);
  return e ? e->value.i : defaultValue;
}

ASUns32 KCabGetUns(SKCab* cab, const char* key, ASUns32 defaultValue) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeUns);
  return e ? e->value.u : defaultValue;
}

ASAtom KCabGetAtom(SKCab* cab, const char* key, ASAtom defaultValue) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeAtom);
  return e ? e->value.atom : defaultValue;
}

double KCabGetDouble(SKCab* cab, const char* key, double defaultValue) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeDouble);
  return e ? e->value.d : defaultValue;
}

const char* KCabGetString(SKCab* cab, const char* key) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeString);
  return e ? e->value.string : nullptr;
}

const void* KCabGetBinary(SKCab* cab, const char* key, ASUns32* length) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeBinary);
  if (length) *length = e ? e->length : 0;
  return e ? e->value.binary : nullptr;
}

SKCab* KCabGetCab(SKCab* cab, const char* key) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeCab);
  return e ? e->value.cab : nullptr;
}

void* KCabGetPointerNamedType(SKCab* cab, const char* key, const char* typeName) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeNamedPointer);
  if (!e || !e->value.named || e->value.named->typeName != ASAtomFromString(typeName)) return nullptr;
  return e->value.named->pointer.data;
}

KCabFunctionPointer KCabGetFunctionPointerNamedType(SKCab* cab, const char* key, const char* typeName) {
  SKCabEntry* e = FindTyped(cab, key, kKCabTypeNamedPointer);
  if (!e || !e->value.named || e->value.named->typeName != ASAtomFromString(typeName)) return nullptr;
  return e->value.named->pointer.function;
}

SKCab* KCabDetachCab(SKCab* cab, const char* key) {
  const char* last;
  SKCab* inner = ResolveRead(cab, key, &last);
  if (!inner || !*last) return nullptr;
  SKCabEntry* e = FindByAtom(inner, ASAtomFromString(last));
  if (!e || e->type != kKCabTypeCab) return nullptr;
  if (inner->constEnumDepth > 0) Report(kErrConstEnum);
  SKCab* sub = e->value.cab;
  if (sub && sub->parent != inner) {
    Report(kErrNotOwned);
    sub = nullptr;
  }
  e->type = kKCabTypeNull;
  e->value.cab = nullptr;
  if (sub) sub->parent = nullptr;
  Unlink(inner, e);
  DestroyEntry(inner, e);
  return sub;
}

// ---- Enumerating

void KCabConstEnum(SKCab* cab, KCabEnumProc proc, void* data) {
  if (!cab || !proc) return;
  DURING
    EnumCount running(cab, &cab->constEnumDepth);
    Walk(cab, false, [&](SKCabEntry* e) { return proc(cab, e->keyText, e->type, data) != 0; });
  HANDLER
    ASRaise(ERRORCODE);
  END_HANDLER
}

void KCabEnum(SKCab* cab, KCabEnumProc proc, void* data) {
  if (!cab || !proc) return;
  for (SKCabEntry* e = cab->first; e; e = e->next) e->flags |= kKCabFlagEnumMark;
  EnumCount running(cab, &cab->enumDepth);
  Walk(cab, true, [&](SKCabEntry* e) { return proc(cab, e->keyText, e->type, data) != 0; });
}

// ---- Copying

SKCab* KCabDup(SKCab* cab) {
  if (!cab) return nullptr;
  return DupTree(cab);
}

void KCabCopy(SKCab* source, SKCab* destination) {
  // A cabinet copied into itself keeps what it has.
  if (!source || !destination || source == destination) return;
  if (IsInside(source, destination)) {
    // Storing into the destination could free the source under the copy:
    // copy from a duplicate instead.
    SKCab* copy = DupTree(source);
    DURING
      KCabCopy(copy, destination);
    HANDLER
      DestroyTree(copy);
      RERAISE();
    END_HANDLER
    DestroyTree(copy);
    return;
  }
  if (!destination->first && !destination->bulk) {
    if (destination->constEnumDepth > 0 && source->first) Report(kErrConstEnum);
    FastCopyInto(source, destination);
    return;
  }
  MergeCopy(source, destination);
}
