#include "pdftools/NameTree.h"

#include <algorithm>
#include <cstring>

#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/CosCopy.h"
#include "pdftools/CosObjSet.h"
#include "pdftools/PDFAtoms.h"

namespace {

// Bytes on the stack up to N, beyond that from the host allocator.
template <ASInt32 N>
class SBytes {
 public:
  SBytes() = default;
  ~SBytes() { ASfree(heap_); }
  SBytes(const SBytes&) = delete;
  SBytes& operator=(const SBytes&) = delete;
  char* Reserve(ASInt32 size) {
    ASfree(heap_);
    heap_ = nullptr;
    if (size > N) heap_ = static_cast<char*>(ASmallocWithException((ASSize_t)size));
    size_ = size;
    return data();
  }
  char* data() { return heap_ ? heap_ : inline_; }
  ASInt32 size() const { return size_; }
  void SetSize(ASInt32 size) { size_ = size; }

 private:
  char inline_[N];
  char* heap_ = nullptr;
  ASInt32 size_ = 0;
};

// The key form of a name: FE FF, UCS-2 high byte first, a 16-bit zero.
class SKeyText : public SBytes<200> {
 public:
  explicit SKeyText(const char* utf8) {
    if (!utf8) utf8 = "";
    ASInt32 length = (ASInt32)std::strlen(utf8);
    ASInt32 units = UTF8ToUCS2BytesNeeded(utf8, length);
    char* out = Reserve(2 + units + 2);
    out[0] = (char)0xFE;
    out[1] = (char)0xFF;
    ASInt32 written = units > 0 ? UTF8ToUCS2(utf8, out + 2, length, units, '?') : 0;
    out[2 + written] = 0;
    out[3 + written] = 0;
    SetSize(2 + written + 2);
  }
  // Low byte first, the mark included (FF FE).
  void SwapPairs() {
    char* b = data();
    for (ASInt32 i = 0; i + 1 < size(); i += 2) std::swap(b[i], b[i + 1]);
  }
};

bool IsType(CosObj obj, CosType type) { return CosObjGetType(obj) == type; }

ASInt32 CompareBytes(const char* a, ASInt32 aLength, const char* b, ASInt32 bLength) {
  ASInt32 common = std::min(aLength, bLength);
  int c = common > 0 ? std::memcmp(a, b, (size_t)common) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

// Both limits, when the node has "Limits" as an array of two.
bool TwoLimits(CosObj node, CosObj* limits) {
  CosObj l = CosDictGet(node, atom[K_Limits]);
  if (!IsType(l, CosArray) || CosArrayLength(l) != 2) return false;
  if (limits) *limits = l;
  return true;
}

// Limits only exclude a key when both of them are strings: damaged limits
// must not hide what a node holds.
bool OutsideLimits(CosObj node, const char* key, ASInt32 length) {
  CosObj limits;
  if (!TwoLimits(node, &limits)) return false;
  CosObj low = CosArrayGet(limits, 0), high = CosArrayGet(limits, 1);
  if (!IsType(low, CosString) || !IsType(high, CosString)) return false;
  return KPDNameTreeCompareKeyCosObj(low, key, length) > 0 || KPDNameTreeCompareKeyCosObj(high, key, length) < 0;
}

bool NodeForKey(CosObj node, const char* key, ASInt32 length, CosObj* nodeOut, ASBool* isLeaf, SCosObjSet& seen,
                ASInt32 depth) {
  if (!IsType(node, CosDict) || depth > kNameTreeMaxDepth) return false;
  // A node met before (a cycle, or a kid shared by two parents) has given
  // its answer already.
  if (CosObjIsIndirect(node) && !seen.insert(node).second) return false;
  if (OutsideLimits(node, key, length)) return false;
  CosObj kids = CosDictGet(node, atom[K_Kids]);
  if (IsType(kids, CosArray)) {
    for (ASInt32 i = CosArrayLength(kids) - 1; i >= 0; --i)
      if (NodeForKey(CosArrayGet(kids, i), key, length, nodeOut, isLeaf, seen, depth + 1)) return true;
    *nodeOut = node;
    *isLeaf = 0;
    return true;
  }
  *nodeOut = node;
  *isLeaf = 1;
  return true;
}

// The nodes an insertion is passing through: a kid that leads back into
// them is a cycle, and the insertion gives up.
struct SPutPath {
  SCosObjSet nodes;
};

class SPathEntry {
 public:
  SPathEntry(SPutPath& path, CosObj node) : path_(path), node_(node) {
    entered_ = !CosObjIsIndirect(node) || path.nodes.insert(node).second;
    owns_ = entered_ && CosObjIsIndirect(node);
  }
  ~SPathEntry() {
    if (owns_) path_.nodes.erase(node_);
  }
  SPathEntry(const SPathEntry&) = delete;
  SPathEntry& operator=(const SPathEntry&) = delete;
  bool entered() const { return entered_; }

 private:
  SPutPath& path_;
  CosObj node_;
  bool entered_;
  bool owns_;
};

bool PutInto(CosObj node, CosObj key, const char* keyBytes, ASInt32 keyLength, CosObj value, ASBool isRoot,
             SPutPath& path, ASInt32 depth) {
  if (!IsType(node, CosDict) || depth > kNameTreeMaxDepth) return false;
  SPathEntry entry(path, node);
  if (!entry.entered()) return false;

  CosObj names = CosDictGet(node, atom[K_Names]);
  if (IsType(names, CosArray)) {
    ASInt32 n = CosArrayLength(names);
    for (ASInt32 i = 0; i + 1 < n; i += 2) {
      CosObj k = CosArrayGet(names, i);
      if (!IsType(k, CosString)) continue;
      ASInt32 c = KPDNameTreeCompareKeyCosObj(k, keyBytes, keyLength);
      if (c == 0) {
        CosArrayPut(names, i + 1, value);
        return true;
      }
      if (c > 0) {
        CosArrayInsert(names, i, value);
        CosArrayInsert(names, i, key);
        CosObj limits;
        if (i == 0 && TwoLimits(node, &limits)) CosArrayPut(limits, 0, CopyObjIfDirect(key));
        return true;
      }
    }
    // After the last pair; a key left without its value stays last, so the
    // pairs before it keep their places.
    ASInt32 at = n - (n % 2);
    CosArrayInsert(names, at, value);
    CosArrayInsert(names, at, key);
    CosObj limits;
    if (TwoLimits(node, &limits)) CosArrayPut(limits, 1, CopyObjIfDirect(key));
    return true;
  }

  CosObj kids = CosDictGet(node, atom[K_Kids]);
  if (IsType(kids, CosArray)) {
    ASInt32 n = CosArrayLength(kids);
    CosObj previous = CosNewNull();
    bool decided = false, stored = true;
    for (ASInt32 i = 0; i < n && !decided; ++i) {
      CosObj kid = CosArrayGet(kids, i);
      CosObj limits;
      if (IsType(kid, CosDict) && TwoLimits(kid, &limits) && IsType(CosArrayGet(limits, 0), CosString)) {
        ASInt32 c = KPDNameTreeCompareKeyCosObj(CosArrayGet(limits, 0), keyBytes, keyLength);
        if (c == 0) {
          stored = PutInto(kid, key, keyBytes, keyLength, value, 0, path, depth + 1);
          decided = true;
        } else if (c > 0) {
          CosObj into = IsType(previous, CosDict) ? previous : kid;
          stored = PutInto(into, key, keyBytes, keyLength, value, 0, path, depth + 1);
          decided = true;
        }
      }
      if (IsType(kid, CosDict)) previous = kid;
    }
    if (!decided) {
      if (n == 0) KPDNameTreeAddFirstKid(node, key, value, isRoot);
      // A kid is never the root, whoever its parent is.
      else stored = PutInto(CosArrayGet(kids, n - 1), key, keyBytes, keyLength, value, 0, path, depth + 1);
    }
    if (!stored) return false;
    CosObj limits;
    if (TwoLimits(node, &limits)) {
      if (KPDNameTreeCompareKeyCosObj(CosArrayGet(limits, 0), keyBytes, keyLength) > 0)
        CosArrayPut(limits, 0, CopyObjIfDirect(key));
      if (KPDNameTreeCompareKeyCosObj(CosArrayGet(limits, 1), keyBytes, keyLength) < 0)
        CosArrayPut(limits, 1, CopyObjIfDirect(key));
    }
    return true;
  }

  // Neither a leaf nor an inner node: it becomes the parent of a new leaf,
  // and the key is stored there.
  KPDNameTreeAddFirstKid(node, key, value, isRoot);
  return true;
}

bool FindInLeaf(CosObj node, const char* key, ASInt32 length, CosObj* value) {
  CosObj names = CosDictGet(node, atom[K_Names]);
  if (!IsType(names, CosArray)) return false;
  ASInt32 n = CosArrayLength(names);
  for (ASInt32 i = 0; i + 1 < n; i += 2) {
    CosObj k = CosArrayGet(names, i);
    if (IsType(k, CosString) && KPDNameTreeCompareKeyCosObj(k, key, length) == 0) {
      *value = CosArrayGet(names, i + 1);
      return true;
    }
  }
  return false;
}

bool WalkForKey(CosObj node, const char* key, ASInt32 length, CosObj* value, SCosObjSet& seen, ASInt32 depth) {
  if (!IsType(node, CosDict) || depth > kNameTreeMaxDepth) return false;
  if (CosObjIsIndirect(node) && !seen.insert(node).second) return false;
  if (FindInLeaf(node, key, length, value)) return true;
  CosObj kids = CosDictGet(node, atom[K_Kids]);
  if (!IsType(kids, CosArray)) return false;
  ASInt32 n = CosArrayLength(kids);
  for (ASInt32 i = 0; i < n; ++i)
    if (WalkForKey(CosArrayGet(kids, i), key, length, value, seen, depth + 1)) return true;
  return false;
}

bool StoresWithOwnTrees() {
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  return major < 6;
}

}  // namespace

ASInt32 KPDNameTreeCompareKeyCosObj(CosObj key, const char* bytes, ASInt32 length) {
  if (!IsType(key, CosString)) return -1;
  ASSize_t keyLength = 0;
  const char* keyBytes = CosStringValue(key, &keyLength);
  return CompareBytes(keyBytes, (ASInt32)keyLength, bytes, length);
}

CosObj KPDNameTreeNew(PDDoc doc) {
  InitGlobalAtomTable();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj root = CosNewDict(cos, 1, 1);
  CosDictPut(root, atom[K_Kids], CosNewArray(cos, 0, 1));
  return root;
}

CosObj KPDNameTreeFind(PDDoc doc, ASAtom tree) {
  InitGlobalAtomTable();
  CosObj names = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), atom[K_Names]);
  if (!IsType(names, CosDict)) return CosNewNull();
  CosObj root = CosDictGet(names, tree);
  return IsType(root, CosDict) ? root : CosNewNull();
}

CosObj KPDNameTreeFindOrCreate(PDDoc doc, ASAtom tree) {
  InitGlobalAtomTable();
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj catalog = CosDocGetRoot(cos);
  CosObj names = CosDictGet(catalog, atom[K_Names]);
  if (!IsType(names, CosDict)) {
    names = CosNewDict(cos, 1, 1);
    CosDictPut(catalog, atom[K_Names], names);
  }
  CosObj root = CosDictGet(names, tree);
  if (!IsType(root, CosDict)) {
    root = KPDNameTreeNew(doc);
    CosDictPut(names, tree, root);
  }
  return root;
}

ASBool KPDNameTreeGetNodeForKey(CosObj node, const char* key, ASInt32 length, CosObj* nodeOut, ASBool* isLeaf) {
  InitGlobalAtomTable();
  CosObj found = CosNewNull();
  ASBool leaf = 0;
  SCosObjSet seen;
  bool ok = key && length >= 0 && NodeForKey(node, key, length, &found, &leaf, seen, 0);
  if (nodeOut) *nodeOut = ok ? found : CosNewNull();
  if (isLeaf) *isLeaf = ok ? leaf : 0;
  return ok ? 1 : 0;
}

ASBool KPDNameTreeGet(CosObj root, const char* key, ASInt32 length, CosObj* value) {
  if (value) *value = CosNewNull();
  CosObj node;
  ASBool leaf = 0;
  CosObj found;
  if (KPDNameTreeGetNodeForKey(root, key, length, &node, &leaf) && leaf && FindInLeaf(node, key, length, &found)) {
    if (value) *value = found;
    return 1;
  }
  // The descent trusts "Limits"; damaged ones must not hide a key the tree
  // holds, so a miss looks at every node once.
  if (!key || length < 0) return 0;
  SCosObjSet seen;
  if (!WalkForKey(root, key, length, &found, seen, 0)) return 0;
  if (value) *value = found;
  return 1;
}

ASBool KPDNameTreePut(CosObj root, CosObj key, CosObj value) {
  InitGlobalAtomTable();
  if (!IsType(key, CosString)) return 0;
  ASSize_t length = 0;
  const char* bytes = CosStringValue(key, &length);
  SBytes<20> copy;
  char* keyBytes = copy.Reserve((ASInt32)length);
  if (length) std::memcpy(keyBytes, bytes, length);
  return KPDNameTreePutIntoNodeOrChild(root, key, keyBytes, (ASInt32)length, value, 1);
}

ASBool KPDNameTreePutIntoNodeOrChild(CosObj node, CosObj key, const char* keyBytes, ASInt32 keyLength, CosObj value,
                                     ASBool isRoot) {
  InitGlobalAtomTable();
  if (!keyBytes || keyLength < 0) return 0;
  SPutPath path;
  return PutInto(node, key, keyBytes, keyLength, value, isRoot, path, 0) ? 1 : 0;
}

void KPDNameTreeAddFirstKid(CosObj node, CosObj key, CosObj value, ASBool isRoot) {
  InitGlobalAtomTable();
  CosDoc cos = CosObjGetDoc(node);
  CosObj kids = CosDictGet(node, atom[K_Kids]);
  if (!IsType(kids, CosArray)) {
    kids = CosNewArray(cos, 1, 1);
    CosDictPut(node, atom[K_Kids], kids);
  }
  if (!isRoot && !TwoLimits(node, nullptr)) {
    CosObj limits = CosNewArray(cos, 0, 2);
    CosArrayPut(limits, 0, CopyObjIfDirect(key));
    CosArrayPut(limits, 1, CopyObjIfDirect(key));
    CosDictPut(node, atom[K_Limits], limits);
  }
  CosObj kid = CosNewDict(cos, 1, 2);
  CosObj names = CosNewArray(cos, 1, 2);
  CosArrayPut(names, 0, key);
  CosArrayPut(names, 1, value);
  CosDictPut(kid, atom[K_Names], names);
  CosObj kidLimits = CosNewArray(cos, 0, 2);
  CosArrayPut(kidLimits, 0, CopyObjIfDirect(key));
  CosArrayPut(kidLimits, 1, CopyObjIfDirect(key));
  CosDictPut(kid, atom[K_Limits], kidLimits);
  CosArrayInsert(kids, 0, kid);
  CosObj limits;
  if (TwoLimits(node, &limits)) {
    CosArrayPut(limits, 0, CopyObjIfDirect(key));
    CosArrayPut(limits, 1, CopyObjIfDirect(key));
  }
}

CosObj UnicodeCosStringFromUTF8(CosDoc doc, const char* text, ASBool indirect) {
  SKeyText key(text);
  return CosNewString(doc, indirect, key.data(), (ASSize_t)key.size());
}

ASBool UnicodeCosStringToUTF8(CosObj string, char* out, ASInt32 size) {
  if (!out || size <= 0 || !IsType(string, CosString)) return 0;
  ASSize_t length = 0;
  const char* bytes = CosStringValue(string, &length);
  if (length < 2 || (unsigned char)bytes[0] != 0xFE || (unsigned char)bytes[1] != 0xFF) return 0;
  ASInt32 units = (ASInt32)((length - 2) / 2);
  ASInt32 used = 0;
  while (used < units && (bytes[2 + 2 * used] != 0 || bytes[3 + 2 * used] != 0)) ++used;
  // Always terminated, whether or not the string holds its 16-bit zero.
  ASInt32 written = used > 0 ? UCS2ToUTF8(bytes + 2, out, 2 * used, size - 1) : 0;
  out[written] = 0;
  return 1;
}

ASBool StoreFileAttachment(PDDoc doc, CosObj stream, const char* fileName, const char* name, const char* description) {
  InitGlobalAtomTable();
  if (!doc || !name || !IsType(stream, CosStream)) return 0;
  CosDoc cos = PDDocGetCosDoc(doc);
  CosDictPut(stream, atom[K_Type], CosNewName(cos, 0, atom[K_EmbeddedFile]));
  CosObj spec = CosNewDict(cos, 1, 4);
  CosDictPut(spec, atom[K_Type], CosNewName(cos, 0, atom[K_Filespec]));
  CosObj ef = CosNewDict(cos, 0, 1);
  CosDictPut(ef, atom[K_F], stream);
  CosDictPut(spec, atom[K_EF], ef);
  if (!fileName) fileName = "";
  CosDictPut(spec, atom[K_F], CosNewString(cos, 0, fileName, std::strlen(fileName)));
  if (description && *description) CosDictPut(spec, atom[K_Desc], UnicodeCosStringFromUTF8(cos, description, 0));
  CosObj key = UnicodeCosStringFromUTF8(cos, name, 1);

  if (StoresWithOwnTrees()) return KPDNameTreePut(KPDNameTreeFindOrCreate(doc, atom[K_EmbeddedFiles]), key, spec);

  PDNameTree tree = PDDocCreateNameTree(doc, atom[K_EmbeddedFiles]);
  if (!PDNameTreeIsValid(tree)) return 0;
  DURING
    PDNameTreePut(tree, key, spec);
  HANDLER
    // The host will not put into a tree it cannot walk: not stored.
    if (ERRORCODE == genErrStructureDamaged) return 0;
    RERAISE();
  END_HANDLER
  return 1;
}

CosObj FindFileAttachment(PDDoc doc, const char* name, CosObj* description) {
  InitGlobalAtomTable();
  if (description) *description = CosNewNull();
  if (!doc || !name) return CosNewNull();
  CosObj tree = KPDNameTreeFind(doc, atom[K_EmbeddedFiles]);
  if (!IsType(tree, CosDict)) return CosNewNull();

  // Ours, the same written low byte first, and the spellings other writers
  // use: without the trailing zero, and the plain bytes of the name.
  SKeyText ours(name);
  SKeyText swapped(name);
  swapped.SwapPairs();
  struct SForm {
    const char* bytes;
    ASInt32 length;
  };
  const SForm forms[] = {{ours.data(), ours.size()},
                         {swapped.data(), swapped.size()},
                         {ours.data(), ours.size() - 2},
                         {name, (ASInt32)std::strlen(name)}};
  for (const SForm& form : forms) {
    CosObj value;
    if (!KPDNameTreeGet(tree, form.bytes, form.length, &value)) continue;
    if (!IsType(value, CosDict) || !CosDictKnown(value, atom[K_EF])) continue;
    CosObj ef = CosDictGet(value, atom[K_EF]);
    if (!IsType(ef, CosDict)) continue;
    CosObj file = CosDictGet(ef, atom[K_F]);
    // A specification without a file stream is no attachment to read.
    if (!IsType(file, CosStream)) continue;
    if (description) *description = CosDictGet(value, atom[K_Desc]);
    return file;
  }
  return CosNewNull();
}
