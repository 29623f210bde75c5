#include "pdftools/CosCopy.h"

#include <cstring>
#include <utility>
#include <vector>

#include "foundation/MFUtil.h"
#include "host/AS.h"
#include "pdftools/CosObjSet.h"
#include "pdftools/PDFAtoms.h"

namespace {

// Every enumeration procedure becomes a host callback once and is kept for
// the life of the plug-in.
template <CosObjEnumProc Proc>
CosObjEnumProc EnumCallback() {
  static CosObjEnumProc callback = ASCallbackCreateProto(CosObjEnumProc, Proc);
  return callback;
}

ASBool IsContainer(CosType t) { return t == CosDict || t == CosArray || t == CosStream; }

// A number, boolean, name or string of the same value in doc. Integers keep
// all 64 bits and reals their double value: a round trip through fixed point
// or single precision would change them.
CosObj NewScalarLike(CosDoc doc, ASBool indirect, CosObj obj, CosType type) {
  switch (type) {
    case CosInteger: return CosNewInteger64(doc, indirect, CosInteger64Value(obj));
    case CosReal: return CosNewDouble(doc, indirect, CosDoubleValue(obj));
    case CosBoolean: return CosNewBoolean(doc, indirect, CosBooleanValue(obj));
    case CosName: return CosNewName(doc, indirect, CosNameValue(obj));
    case CosString: {
      ASSize_t length = 0;
      const char* bytes = CosStringValue(obj, &length);
      return CosNewString(doc, indirect, bytes, length);
    }
    default: return obj;
  }
}

// ---- shallow copies ---------------------------------------------------------

ASBool MergeResourceEnum5(CosObj key, CosObj value, void* clientData) {
  CosDictPut(*static_cast<CosObj*>(clientData), CosNameValue(key), CopyObjIfDirect(value));
  return true;
}

ASBool MergeResourceEnum6(CosObj, CosObj, void* clientData) {
  ++*static_cast<ASInt32*>(clientData);
  return true;
}

// A copy of obj whose top object is indirect when makeIndirect is set.
CosObj CopyTop(CosObj obj, ASBool makeIndirect) {
  CosType t = CosObjGetType(obj);
  switch (t) {
    case CosInteger:
    case CosReal:
    case CosBoolean:
    case CosName:
      return CosObjIsIndirect(obj) ? NewScalarLike(CosObjGetDoc(obj), makeIndirect, obj, t) : obj;
    case CosString: return NewScalarLike(CosObjGetDoc(obj), makeIndirect, obj, t);
    case CosDict: return CopyDict(obj, !makeIndirect);
    case CosArray: return CopyArray(obj, !makeIndirect);
    default: return obj;
  }
}

// ---- stream data --------------------------------------------------------------

// Up to this many bytes a stream is copied through memory; more goes through
// a temporary file, block by block.
constexpr ASSize_t kCopyBlock = 60000;

// A new stream in destDoc holding src's bytes as stored (still encoded), with
// attributes (a dictionary or null) as its dictionary, less "Length".
CosObj NewStreamWithDataOf(CosObj src, CosDoc destDoc, CosObj attributes) {
  ASStm srcStm = nullptr;
  ASStm dataStm = nullptr;
  char* buffer = nullptr;
  SGenFileInfo* temp = nullptr;
  CosObj result = CosNewNull();
  auto release = [&] {
    SafeASStmClose(&srcStm);
    SafeASStmClose(&dataStm);
    SGenFileInfo* t = std::exchange(temp, nullptr);
    if (t) DestroyTempFile(t);
    ASfree(std::exchange(buffer, nullptr));
  };
  DURING
    srcStm = CosStreamOpenStm(src, cosOpenUnfiltered);
    buffer = static_cast<char*>(ASmallocWithException(kCopyBlock));
    ASSize_t got = ASStmRead(buffer, 1, kCopyBlock, srcStm);
    if (got < kCopyBlock) {
      dataStm = ASMemStmRdOpen(buffer, got);
    } else {
      temp = NewTempFile();
      StartTempStream(temp);
      ASStm out = TempStreamGetStm(temp);
      do {
        ASStmWrite(buffer, 1, got, out);
        got = ASStmRead(buffer, 1, kCopyBlock, srcStm);
      } while (got > 0);
      EndTempStream(temp);
      ASFile file = TempStreamGetASFile(temp);
      ASFileSetPos64(file, TempStreamStartPos(temp));
      dataStm = ASFileStmRdOpen(file, 0);
    }
    if (CosObjGetType(attributes) == CosDict) CosDictRemove(attributes, atom[K_Length]);
    result = CosNewStream(destDoc, true, dataStm, cosNewStreamCurrentPos, false, attributes, CosNewNull(),
                          cosNewStreamToEnd);
  HANDLER
    release();
    RERAISE();
  END_HANDLER
  release();
  return result;
}

// ---- cloning ------------------------------------------------------------------

// Containers are made first and filled later from a work list, so that the
// walk needs no recursion however long a chain of references is, and an
// indirect object reached again (through sharing or a cycle) is found in the
// map instead of being cloned again.
struct SCloneJob {
  CosObj source;
  CosObj target;
};

struct SCloneContext {
  CosDoc dest;
  SCosObjMap<CosObj> done;  // indirect source object -> its clone
  std::vector<SCloneJob> pending;
};

CosObj CloneValue(SCloneContext& c, CosObj obj) {
  CosType t = CosObjGetType(obj);
  // A null (also a reference to a missing object) becomes a plain null: a
  // reference would point back into the source document.
  if (t == CosNull) return CosNewNull();
  ASBool indirect = CosObjIsIndirect(obj);
  if (indirect) {
    auto it = c.done.find(obj);
    if (it != c.done.end()) return it->second;
  }
  CosObj copy;
  switch (t) {
    case CosInteger:
    case CosReal:
    case CosBoolean:
    case CosName:
    case CosString: copy = NewScalarLike(c.dest, indirect, obj, t); break;
    case CosDict: copy = CosNewDict(c.dest, indirect, 20); break;
    case CosArray: copy = CosNewArray(c.dest, indirect, CosArrayLength(obj)); break;
    case CosStream: copy = NewStreamWithDataOf(obj, c.dest, CosNewNull()); break;
    default: return CosNewNull();
  }
  if (indirect) c.done.emplace(obj, copy);
  if (IsContainer(t)) c.pending.push_back({obj, copy});
  return copy;
}

struct SCloneFill {
  SCloneContext* context;
  CosObj target;
  ASInt32 index;
};

ASBool DictEntry(CosObj key, CosObj value, void* clientData) {
  auto* f = static_cast<SCloneFill*>(clientData);
  ASAtom name = CosNameValue(key);
  // The host keeps a stream's "Length" itself.
  if (CosObjGetType(f->target) == CosStream && name == atom[K_Length]) return true;
  CosObj copy = CloneValue(*f->context, value);
  CosDictPut(f->target, name, copy);
  return true;
}

ASBool ArrayEntry(CosObj value, CosObj, void* clientData) {
  auto* f = static_cast<SCloneFill*>(clientData);
  CosObj copy = CloneValue(*f->context, value);
  CosArrayPut(f->target, f->index++, copy);
  return true;
}

void Fill(SCloneContext& c, const SCloneJob& job) {
  SCloneFill f{&c, job.target, 0};
  switch (CosObjGetType(job.source)) {
    case CosDict: CosObjEnum(job.source, EnumCallback<DictEntry>(), &f); break;
    case CosArray: CosObjEnum(job.source, EnumCallback<ArrayEntry>(), &f); break;
    // The new stream answers puts with its dictionary.
    case CosStream: CosObjEnum(CosStreamDict(job.source), EnumCallback<DictEntry>(), &f); break;
    default: break;
  }
}

// ---- comparison -----------------------------------------------------------------

// Pairs still to compare. The result is the conjunction over every pair the
// walk reaches, so the order does not matter; a pair of containers met a
// second time (a shared object or a cycle) adds nothing new and is skipped.
struct SComparePair {
  CosObj a;
  CosObj b;
  bool streamData;  // compare the two streams' bytes rather than the objects
};

struct SPairHash {
  size_t operator()(const std::pair<CosObj, CosObj>& p) const {
    return (size_t)CosObjHash(p.first) * 0x9E3779B1u ^ CosObjHash(p.second);
  }
};
struct SPairEq {
  bool operator()(const std::pair<CosObj, CosObj>& x, const std::pair<CosObj, CosObj>& y) const {
    return CosObjEqual(x.first, y.first) && CosObjEqual(x.second, y.second);
  }
};

struct SCompareContext {
  std::vector<SComparePair> pending;
  std::unordered_set<std::pair<CosObj, CosObj>, SPairHash, SPairEq> seen;
};

struct SDictCompare {
  SCompareContext* context;
  CosObj other;
};

// Every non-null entry of the enumerated dictionary is compared with what the
// other holds under the key (missing reads as null).
ASBool DictEqualEnum(CosObj key, CosObj value, void* clientData) {
  auto* d = static_cast<SDictCompare*>(clientData);
  if (CosObjGetType(value) == CosNull) return true;
  CosObj theirs = CosDictGet(d->other, CosNameValue(key));
  if (CosObjGetType(theirs) == CosNull) return false;
  d->context->pending.push_back({value, theirs, false});
  return true;
}

// Every non-null entry of the enumerated dictionary has a non-null partner.
ASBool DictKeyTestEnum(CosObj key, CosObj value, void* clientData) {
  auto* d = static_cast<SDictCompare*>(clientData);
  if (CosObjGetType(value) == CosNull) return true;
  return CosObjGetType(CosDictGet(d->other, CosNameValue(key))) != CosNull;
}

ASBool SameNumber(CosObj a, CosObj b, CosType ta, CosType tb) {
  if (ta == CosInteger && tb == CosInteger) return CosInteger64Value(a) == CosInteger64Value(b);
  return CosDoubleValue(a) == CosDoubleValue(b);
}

struct SStmCloser {
  ASStm stm = nullptr;
  ~SStmCloser() {
    DURING
      SafeASStmClose(&stm);
    HANDLER
    END_HANDLER
  }
};

ASBool StreamBytesEqual(CosObj a, CosObj b) {
  constexpr ASSize_t kBlock = 4096;
  SStmCloser sa, sb;
  sa.stm = CosStreamOpenStm(a, cosOpenRaw);
  sb.stm = CosStreamOpenStm(b, cosOpenRaw);
  char ba[kBlock], bb[kBlock];
  for (;;) {
    ASSize_t na = ASStmRead(ba, 1, kBlock, sa.stm);
    ASSize_t nb = ASStmRead(bb, 1, kBlock, sb.stm);
    if (na != nb || std::memcmp(ba, bb, na) != 0) return false;
    if (na == 0) return true;
  }
}

// The tests of one pair that need no walk; containers queue their members.
ASBool PairEqual(SCompareContext& c, const SComparePair& p) {
  if (p.streamData) return StreamBytesEqual(p.a, p.b);
  CosType ta = CosObjGetType(p.a), tb = CosObjGetType(p.b);
  bool numbers = (ta == CosInteger || ta == CosReal) && (tb == CosInteger || tb == CosReal);
  if (numbers) return SameNumber(p.a, p.b, ta, tb);
  if (ta != tb) return false;
  switch (ta) {
    case CosNull: return true;
    case CosBoolean: return (CosBooleanValue(p.a) != 0) == (CosBooleanValue(p.b) != 0);
    case CosName: return CosNameValue(p.a) == CosNameValue(p.b);
    case CosString: {
      if (CosObjEqual(p.a, p.b)) return true;
      ASSize_t la = 0, lb = 0;
      const char* sa = CosStringValue(p.a, &la);
      const char* sb = CosStringValue(p.b, &lb);
      return la == lb && std::memcmp(sa, sb, la) == 0;
    }
    case CosDict:
    case CosArray:
    case CosStream: break;
    default: return false;
  }
  if (CosObjEqual(p.a, p.b)) return true;
  if (CosObjIsIndirect(p.a) || CosObjIsIndirect(p.b)) {
    if (!c.seen.emplace(p.a, p.b).second) return true;
  }
  if (ta == CosArray) {
    ASInt32 n = CosArrayLength(p.a);
    if (n != CosArrayLength(p.b)) return false;
    for (ASInt32 i = n - 1; i >= 0; --i) c.pending.push_back({CosArrayGet(p.a, i), CosArrayGet(p.b, i), false});
    return true;
  }
  if (ta == CosStream) {
    // The dictionaries first (they are popped first), the bytes afterwards.
    c.pending.push_back({p.a, p.b, true});
    c.pending.push_back({CosStreamDict(p.a), CosStreamDict(p.b), false});
    return true;
  }
  SDictCompare forward{&c, p.b};
  if (!CosObjEnum(p.a, EnumCallback<DictEqualEnum>(), &forward)) return false;
  SDictCompare backward{&c, p.a};
  return CosObjEnum(p.b, EnumCallback<DictKeyTestEnum>(), &backward);
}

ASBool RunCompare(SCompareContext& c) {
  while (!c.pending.empty()) {
    SComparePair p = c.pending.back();
    c.pending.pop_back();
    if (!PairEqual(c, p)) return false;
  }
  return true;
}

// ---- key lists --------------------------------------------------------------------

ASBool NewDictKeyListEnum(CosObj key, CosObj, void* clientData) {
  auto* list = static_cast<SDictKeyList*>(clientData);
  if (list->count == list->capacity) {
    ASInt32 capacity = list->capacity * 2 + 10;
    ASSize_t bytes = (ASSize_t)capacity * sizeof(char*);
    if (!list->heapKeys) {
      auto* heap = static_cast<char**>(ASmallocWithException(bytes));
      std::memcpy(heap, list->inlineKeys, (size_t)list->count * sizeof(char*));
      list->heapKeys = heap;
    } else {
      list->heapKeys = static_cast<char**>(ASreallocWithException(list->heapKeys, bytes));
    }
    list->keys = list->heapKeys;
    list->capacity = capacity;
  }
  list->keys[list->count] = CosCopyNameStringValue(key, nullptr);
  ++list->count;
  return true;
}

}  // namespace

CosObj CopyObjIfDirect(CosObj obj) {
  if (CosObjIsIndirect(obj)) return obj;
  switch (CosObjGetType(obj)) {
    case CosDict: return CopyDict(obj, false);
    case CosArray: return CopyArray(obj, false);
    case CosString: return NewScalarLike(CosObjGetDoc(obj), false, obj, CosString);
    default: return obj;
  }
}

CosObj CopyDict(CosObj obj, ASBool makeDirect) {
  if (CosObjGetType(obj) != CosDict) return obj;
  CosObj copy = CosNewDict(CosObjGetDoc(obj), makeDirect ? false : CosObjIsIndirect(obj), 10);
  CosObjEnum(obj, EnumCallback<MergeResourceEnum5>(), &copy);
  return copy;
}

CosObj CopyArray(CosObj obj, ASBool makeDirect) {
  if (CosObjGetType(obj) != CosArray) return obj;
  ASInt32 n = CosArrayLength(obj);
  CosObj copy = CosNewArray(CosObjGetDoc(obj), makeDirect ? false : CosObjIsIndirect(obj), n);
  for (ASInt32 i = n - 1; i >= 0; --i) CosArrayPut(copy, i, CopyObjIfDirect(CosArrayGet(obj, i)));
  return copy;
}

CosObj CopyObj(CosObj obj) { return CopyTop(obj, CosObjIsIndirect(obj)); }

CosObj CopyObjAsDirect(CosObj obj) { return CopyTop(obj, false); }

CosObj CopyStream(CosObj obj) {
  if (CosObjGetType(obj) != CosStream) return obj;
  CosObj attributes = CopyObj(CosStreamDict(obj));
  CosObj copy = NewStreamWithDataOf(obj, CosObjGetDoc(obj), attributes);
  // The new stream holds its own copy of the attributes.
  if (CosObjGetType(attributes) == CosDict && !CosObjIsIndirect(attributes)) CosObjDestroy(attributes);
  return copy;
}

CosObj CloneObject(CosDoc destDoc, CosObj obj) {
  InitGlobalAtomTable();
  SCloneContext c{destDoc, {}, {}};
  CosObj result = CloneValue(c, obj);
  while (!c.pending.empty()) {
    SCloneJob job = c.pending.back();
    c.pending.pop_back();
    Fill(c, job);
  }
  return result;
}

ASBool CosObjContentsEqual(CosObj a, CosObj b) {
  SCompareContext c;
  c.pending.push_back({a, b, false});
  return RunCompare(c);
}

ASBool CosDictContentsEqual(CosObj a, CosObj b) {
  // Dictionaries of streams compare like any others.
  auto dictOf = [](CosObj o) { return CosObjGetType(o) == CosStream ? CosStreamDict(o) : o; };
  a = dictOf(a);
  b = dictOf(b);
  if (CosObjGetType(a) != CosDict || CosObjGetType(b) != CosDict) return false;
  return CosObjContentsEqual(a, b);
}

ASInt32 DictCountElements(CosObj obj) {
  if (CosObjGetType(obj) != CosDict) return 0;
  ASInt32 count = 0;
  CosObjEnum(obj, EnumCallback<MergeResourceEnum6>(), &count);
  return count;
}

SDictKeyList* NewDictKeyList(CosObj obj) {
  auto* list = static_cast<SDictKeyList*>(ASmallocWithException(sizeof(SDictKeyList)));
  std::memset(static_cast<void*>(list), 0, sizeof *list);
  list->obj = obj;
  list->capacity = kDictKeyListInlineCount;
  list->keys = list->inlineKeys;
  DURING
    CosType t = CosObjGetType(obj);
    if (t == CosStream) list->obj = CosStreamDict(obj);
    if (t == CosDict || t == CosStream) CosObjEnum(list->obj, EnumCallback<NewDictKeyListEnum>(), list);
  HANDLER
    DestroyDictKeyList(list);
    RERAISE();
  END_HANDLER
  return list;
}

void DestroyDictKeyList(SDictKeyList* list) {
  if (!list) return;
  for (ASInt32 i = 0; i < list->count; ++i) ASfree(list->keys[i]);
  ASfree(list->heapKeys);
  ASfree(list);
}
