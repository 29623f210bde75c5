// The structure tree of a tagged document as page deletion sees it. Before
// pages go the tree is checked: one the host cannot walk (a root that is no
// dictionary, kids that cannot be structure, circles, nesting beyond reason)
// stops the deletion with pdsErrBadStructure, and nothing has changed. Once
// the deleted pages are settled (PDDropped.cpp), what belonged only to them
// is cut out of the tree: their marked-content and object references
// (their annotations' too), elements left empty by that, the page named by
// default by an element that keeps content elsewhere, their entries in the
// parent tree and the IDs of the elements that went, so that the saved file
// does not keep deleted pages alive through the structure.
#include <unordered_map>
#include <unordered_set>

#include "host/PDPriv.h"

namespace hostpdf {
namespace {

constexpr int kMaxStructDepth = 256;

using GenSet = std::unordered_set<QPDFObjGen, QPDFObjHash>;

bool IsContentItem(QPDFObjectHandle d) {
  QPDFObjectHandle type = d.getKey("/Type");
  return type.isName() && (type.getName() == "/MCR" || type.getName() == "/OBJR");
}

// A kid or K value the walk can read: nothing, an MCID, a dictionary or an array of them.
bool Readable(QPDFObjectHandle k) { return k.isNull() || k.isInteger() || k.isDictionary() || k.isArray(); }

using ObjSet = std::unordered_set<const QPDFObject*>;

void CheckKids(QPDFObjectHandle k, int depth, GenSet& path, GenSet& done, ObjSet& objs);

void CheckElement(QPDFObjectHandle element, int depth, GenSet& path, GenSet& done, ObjSet& objs) {
  if (depth > kMaxStructDepth) ASRaise(pdsErrBadStructure);
  objs.insert(element.getObjectPtr());
  if (IsContentItem(element)) return;
  const bool indirect = element.isIndirect();
  const QPDFObjGen og = element.getObjGen();
  if (indirect) {
    if (path.count(og)) ASRaise(pdsErrBadStructure);  // an element inside itself
    if (done.count(og)) return;                        // shared, and sound the first time
    path.insert(og);
  }
  CheckKids(element.getKey("/K"), depth + 1, path, done, objs);
  if (indirect) {
    path.erase(og);
    done.insert(og);
  }
}

void CheckKids(QPDFObjectHandle k, int depth, GenSet& path, GenSet& done, ObjSet& objs) {
  if (!Readable(k)) ASRaise(pdsErrBadStructure);
  if (k.isDictionary()) {
    CheckElement(k, depth, path, done, objs);
  } else if (k.isArray()) {
    objs.insert(k.getObjectPtr());
    for (auto& kid : k.aitems()) {
      if (!Readable(kid) || kid.isArray()) ASRaise(pdsErrBadStructure);
      if (kid.isDictionary()) CheckElement(kid, depth, path, done, objs);
    }
  }
}

struct Pruner {
  const GenSet& gone;
  const GenSet& goneAnnots;  // the annotations of the deleted pages
  // Elements already judged: one shared by two parents leaves both or neither.
  std::unordered_map<QPDFObjGen, bool, QPDFObjHash> verdicts;

  bool Gone(QPDFObjectHandle page) const { return page.isIndirect() && gone.count(page.getObjGen()) > 0; }

  // True when the kid belongs only to deleted pages and goes.
  bool KidGoes(QPDFObjectHandle kid, QPDFObjectHandle page, int depth) {
    if (kid.isInteger()) return Gone(page);
    if (!kid.isDictionary()) return false;
    QPDFObjectHandle own = kid.getKey("/Pg");
    QPDFObjectHandle on = own.isNull() ? page : own;
    if (IsContentItem(kid)) {
      QPDFObjectHandle obj = kid.getKey("/Obj");
      return Gone(on) || (obj.isIndirect() && goneAnnots.count(obj.getObjGen()) > 0);
    }
    if (depth > kMaxStructDepth) return false;
    if (kid.isIndirect()) {
      auto known = verdicts.find(kid.getObjGen());
      if (known != verdicts.end()) return known->second;
      verdicts[kid.getObjGen()] = false;  // while it is being judged
    }
    bool had = false;
    bool empty = Prune(kid, on, depth + 1, &had);
    // An element whose content all went goes too; one that never had any
    // goes with the page it names.
    bool goes = had ? empty : Gone(own);
    if (kid.isIndirect()) verdicts[kid.getObjGen()] = goes;
    // An element that stays keeps content on other pages, each of which
    // names its own: the deleted page it named by default is no longer its.
    if (!goes && Gone(own)) kid.removeKey("/Pg");
    return goes;
  }

  // Prunes holder's K; true when it holds nothing afterwards.
  bool Prune(QPDFObjectHandle holder, QPDFObjectHandle page, int depth, bool* had) {
    QPDFObjectHandle k = holder.getKey("/K");
    *had = false;
    if (k.isNull()) return true;
    if (k.isArray()) {
      int n = k.getArrayNItems();
      *had = n > 0;
      std::vector<QPDFObjectHandle> kept;
      for (int i = 0; i < n; ++i) {
        QPDFObjectHandle kid = k.getArrayItem(i);
        if (!KidGoes(kid, page, depth)) kept.push_back(kid);
      }
      if ((int)kept.size() != n) k.setArrayFromVector(kept);
      bool empty = k.getArrayNItems() == 0;
      if (empty && *had) holder.removeKey("/K");
      return empty;
    }
    *had = true;
    if (!KidGoes(k, page, depth)) return false;
    holder.removeKey("/K");
    return true;
  }
};

// Removes the keys from a number tree (Nums leaves, Kids below).
void RemoveNumbers(QPDFObjectHandle node, const std::unordered_set<long long>& keys, int depth, GenSet& seen) {
  if (!node.isDictionary() || depth > kMaxStructDepth) return;
  if (node.isIndirect() && !seen.insert(node.getObjGen()).second) return;
  QPDFObjectHandle nums = node.getKey("/Nums");
  if (nums.isArray()) {
    // Rebuilt once: erasing pairs one by one takes time in the array's length each.
    std::vector<QPDFObjectHandle> kept;
    const int n = nums.getArrayNItems() & ~1;
    bool changed = false;
    for (int i = 0; i < n; i += 2) {
      QPDFObjectHandle key = nums.getArrayItem(i);
      if (key.isInteger() && keys.count(key.getIntValue())) {
        changed = true;
        continue;
      }
      kept.push_back(key);
      kept.push_back(nums.getArrayItem(i + 1));
    }
    if (changed) nums.setArrayFromVector(kept);
  }
  QPDFObjectHandle kids = node.getKey("/Kids");
  if (kids.isArray())
    for (auto& kid : kids.aitems()) RemoveNumbers(kid, keys, depth + 1, seen);
}

}  // namespace

void CheckStructureForDeletion(PDDoc doc) {
  QPDFObjectHandle root = QOf(doc).getRoot().getKey("/StructTreeRoot");
  if (root.isNull()) return;
  if (!root.isDictionary()) ASRaise(pdsErrBadStructure);
  // Runs delete pages one at a time: a tree walked once stays sound until it
  // is written to.
  CosDoc cos = doc->cos;
  if (cos->structSound && cos->structRoot == root.getObjectPtr()) return;
  cos->structSound = false;
  GenSet path, done;
  ObjSet objs{root.getObjectPtr()};
  CheckKids(root.getKey("/K"), 0, path, done, objs);
  cos->structObjs = std::move(objs);
  cos->structRoot = root.getObjectPtr();
  cos->structSound = true;
}

bool StructureCanCome(PDDoc doc, PDDoc source) {
  if (!QOf(doc).getRoot().getKey("/StructTreeRoot").isNull()) return false;
  if (!QOf(source).getRoot().getKey("/StructTreeRoot").isDictionary()) return false;
  try {
    CheckStructureForDeletion(source);
  } catch (...) {
    return false;  // a tree no deletion could walk is not made anew
  }
  return true;
}

void CarryStructure(PDDoc doc, PDDoc source, ForeignCopier& copier) {
  QPDF& q = QOf(doc);
  QPDFObjectHandle from = QOf(source).getRoot();
  // The copier maps the tree's pages, annotations and forms to their copies.
  QPDFObjectHandle root = copier.Value(from.getKey("/StructTreeRoot"));
  if (!root.isIndirect()) root = q.makeIndirectObject(root);
  q.getRoot().replaceKey("/StructTreeRoot", root);
  QPDFObjectHandle mark = from.getKey("/MarkInfo");
  if (mark.isDictionary()) q.getRoot().replaceKey("/MarkInfo", copier.Value(mark));
  copier.Drain();
  MarkDirty(doc->cos);
}

void PruneStructureOfPages(PDDoc doc, const std::vector<QPDFObjGen>& pages) {
  if (pages.empty()) return;
  try {
    QPDF& q = QOf(doc);
    QPDFObjectHandle root = q.getRoot().getKey("/StructTreeRoot");
    if (!root.isDictionary()) return;
    GenSet gone(pages.begin(), pages.end());
    GenSet goneAnnots;
    for (const QPDFObjGen& og : pages) {
      QPDFObjectHandle annots = q.getObject(og).getKey("/Annots");
      if (annots.isArray())
        for (auto& a : annots.aitems())
          if (a.isIndirect() && a.isDictionary()) goneAnnots.insert(a.getObjGen());
    }
    Pruner pruner{gone, goneAnnots, {}};
    bool had = false;
    const bool empty = pruner.Prune(root, QPDFObjectHandle::newNull(), 0, &had);
    // The IDs of the elements that went.
    QPDFObjectHandle ids = root.getKey("/IDTree");
    if (ids.isDictionary())
      RemoveNameTreePairs(ids, [&](QPDFObjectHandle, QPDFObjectHandle v) {
        auto it = v.isIndirect() ? pruner.verdicts.find(v.getObjGen()) : pruner.verdicts.end();
        return it != pruner.verdicts.end() && it->second;
      });
    // Nothing of the tree is left on any page (the pages went onto sheets,
    // say): the empty root stays, but the document no longer says it is tagged.
    if (had && empty) q.getRoot().removeKey("/MarkInfo");

    std::unordered_set<long long> keys;
    for (const QPDFObjGen& og : pages) {
      QPDFObjectHandle page = q.getObject(og);
      QPDFObjectHandle sp = page.getKey("/StructParents");
      if (sp.isInteger()) keys.insert(sp.getIntValue());
      QPDFObjectHandle annots = page.getKey("/Annots");
      if (annots.isArray())
        for (auto& a : annots.aitems())
          if (a.isDictionary() && a.getKey("/StructParent").isInteger()) keys.insert(a.getKey("/StructParent").getIntValue());
    }
    GenSet seen;
    if (!keys.empty()) RemoveNumbers(root.getKey("/ParentTree"), keys, 0, seen);
    MarkDirty(doc->cos);
  } catch (...) {
    // The pages are gone already; a tree that could not be tidied after them
    // is no reason to report the deletion as failed.
    PDAddWarning(doc, "the structure tree could not be updated after deleting pages");
  }
}

}  // namespace hostpdf
