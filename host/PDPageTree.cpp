// The page tree: walking it, acquiring pages, creating, inserting, moving and
// deleting pages, and the page attributes (boxes, rotation, contents).
//
// Inherited attributes stay on the nodes that carry them. A page that changes
// parents (insertion from another document or from elsewhere in this one, a
// move) takes with it what it inherited, and is shielded from what its new
// parents carry that it did not have. qpdf's page helpers are not used: they
// flatten the tree or push inherited attributes into the source document.
#include <qpdf/QPDFExc.hh>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "host/ASFixed.h"
#include "host/ASStm.h"
#include "host/Notify.h"
#include "host/PDPriv.h"

using namespace hostpdf;

namespace {

const char* const kInheritable[] = {"/Resources", "/MediaBox", "/CropBox", "/Rotate"};
constexpr int kMaxDepth = kMaxPageTreeDepth;

std::unordered_set<PDPage>& LivePages() {
  static auto* s = new std::unordered_set<PDPage>;
  return *s;
}

ASInt32 gAcquired = 0;

enum NodeKind { kLeaf, kInner, kForeign };

// By its Type; without one, a node with Kids is inner and one without a page.
NodeKind KindOfNode(QPDFObjectHandle node) {
  QPDFObjectHandle type = node.getKey("/Type");
  if (type.isName()) {
    if (type.getName() == "/Pages") return kInner;
    if (type.getName() == "/Page") return kLeaf;
    return kForeign;  // a catalog, an annotation...: not part of the tree
  }
  return node.getKey("/Kids").isArray() ? kInner : kLeaf;
}

QPDFObjectHandle PagesRoot(QPDF& q) { return q.getRoot().getKey("/Pages"); }

// Makes a page-tree root when the catalog has none that can be used.
QPDFObjectHandle EnsurePagesRoot(PDDoc doc) {
  WriteBackKids(doc->cos);
  QPDF& q = QOf(doc);
  QPDFObjectHandle root = PagesRoot(q);
  if (root.isDictionary() && root.isIndirect() && root.getKey("/Kids").isArray()) return root;
  QPDFObjectHandle fresh = QPDFObjectHandle::newDictionary();
  fresh.replaceKey("/Type", QPDFObjectHandle::newName("/Pages"));
  QPDFObjectHandle kids = QPDFObjectHandle::newArray();
  int count = 0;
  if (root.isDictionary() && root.getKey("/Kids").isArray()) {
    kids = root.getKey("/Kids");
    QPDFObjectHandle c = root.getKey("/Count");
    count = c.isInteger() ? (int)c.getIntValue() : 0;
    for (auto& k : root.getDictAsMap())
      if (k.first != "/Kids" && k.first != "/Count") fresh.replaceKey(k.first, k.second);
  }
  fresh.replaceKey("/Kids", kids);
  fresh.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
  fresh = q.makeIndirectObject(fresh);
  for (int i = 0; i < kids.getArrayNItems(); ++i) {
    QPDFObjectHandle kid = kids.getArrayItem(i);
    if (kid.isDictionary()) kid.replaceKey("/Parent", fresh);
  }
  q.getRoot().replaceKey("/Pages", fresh);
  doc->pagesValid = false;
  return fresh;
}

void Walk(PDDoc doc) {
  QPDF& q = QOf(doc);
  CosDoc cos = doc->cos;
  WriteBackKids(cos);
  ++doc->walks;
  doc->pages.clear();
  doc->parents.clear();
  doc->nodes.clear();
  doc->kidAt.clear();
  doc->innerNodes.clear();
  doc->edges.clear();
  doc->treeDamaged = false;
  cos->kidsArrays.clear();
  cos->treeDicts.clear();
  cos->treeDicts.insert(q.getTrailer().getObjectPtr());
  cos->treeDicts.insert(q.getRoot().getObjectPtr());
  doc->nullKids.clear();
  doc->tooDeep = QPDFObjGen();
  doc->pagesBeforeTooDeep = 0;
  doc->treeDepth = 0;
  QPDFObjectHandle root = PagesRoot(q);
  if (!root.isDictionary()) {
    if (root.isIndirect() && root.isNull()) doc->nullKids.emplace_back(root.getObjGen(), 0);
    return;
  }
  cos->treeDicts.insert(root.getObjectPtr());
  struct Frame {
    QPDFObjectHandle node, kids;
    int next;
  };
  std::vector<Frame> stack;
  std::unordered_set<QPDFObjGen, QPDFObjHash> seen;
  if (root.isIndirect()) {
    seen.insert(root.getObjGen());
    doc->innerNodes.insert(root.getObjGen());
  }
  QPDFObjectHandle rootKids = root.getKey("/Kids");
  if (!rootKids.isArray()) return;
  cos->kidsArrays.insert(rootKids.getObjectPtr());
  stack.push_back(Frame{root, rootKids, 0});
  bool warnedRepeat = false;
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.next >= f.kids.getArrayNItems()) {
      stack.pop_back();
      continue;
    }
    int at = f.next++;
    // f goes stale when a frame is pushed below: keep what it holds.
    QPDFObjectHandle node = f.node, siblings = f.kids;
    QPDFObjectHandle kid = siblings.getArrayItem(at);
    if (!kid.isDictionary()) {  // nulls and junk in Kids are passed over
      doc->treeDamaged = true;
      if (kid.isIndirect() && kid.isNull()) doc->nullKids.emplace_back(kid.getObjGen(), (ASInt32)doc->pages.size());
      continue;
    }
    doc->treeDamaged |= !kid.isIndirect();
    if (!kid.isIndirect()) {
      // A direct node cannot be named by a page handle: make it indirect.
      kid = q.makeIndirectObject(kid);
      siblings.setArrayItem(at, kid);
      if (node.isIndirect()) kid.replaceKey("/Parent", node);
      PDAddWarning(doc, "a direct page-tree node was made indirect");
    }
    if (!seen.insert(kid.getObjGen()).second) {
      doc->treeDamaged = true;
      if (!warnedRepeat) PDAddWarning(doc, "the page tree names an object twice; the repeat is ignored");
      warnedRepeat = true;
      continue;
    }
    cos->treeDicts.insert(kid.getObjectPtr());
    NodeKind kind = KindOfNode(kid);
    if (kind == kForeign) {
      doc->treeDamaged = true;
      PDAddWarning(doc, "the page tree holds an object that is neither a page nor a node");
      continue;
    }
    if (kind == kInner) {
      QPDFObjectHandle kids = kid.getKey("/Kids");
      if (!kids.isArray() || stack.size() >= (size_t)kMaxDepth) {
        doc->treeDamaged = true;
        if (kids.isArray() && doc->tooDeep.getObj() == 0) {
          doc->tooDeep = kid.getObjGen();
          doc->pagesBeforeTooDeep = (ASInt32)doc->pages.size();
          PDAddWarning(doc, "the page tree is too deep; the deepest nodes are ignored");
        }
        continue;
      }
      cos->kidsArrays.insert(kids.getObjectPtr());
      doc->innerNodes.insert(kid.getObjGen());
      doc->edges.emplace_back(node, kid);
      stack.push_back(Frame{kid, kids, 0});
      doc->treeDepth = std::max(doc->treeDepth, (ASInt32)stack.size());
    } else {
      doc->pages.push_back(kid.getObjGen());
      doc->parents.push_back(node.getObjectPtr());
      doc->nodes.emplace(node.getObjectPtr(), node);
      doc->kidAt.push_back(at);
      doc->edges.emplace_back(node, kid);
    }
    QPDFObjectHandle parent = kid.getKey("/Parent");
    if (!parent.isDictionary() || parent.getObjectPtr() != node.getObjectPtr()) doc->treeDamaged = true;
  }
}

QPDFObjectHandle PageAt(PDDoc doc, ASInt32 n) {
  EnsurePages(doc);
  if (n < 0 || n >= (ASInt32)doc->pages.size()) ASRaise(pdErrBadPageNumber);
  return QOf(doc).getObject(doc->pages[(size_t)n]);
}

PDPage Acquire(PDDoc doc, QPDFObjGen og) {
  auto it = doc->acquired.find(og);
  PDPage p;
  if (it != doc->acquired.end()) {
    p = it->second;
    ++p->refs;
  } else {
    p = new _t_PDPageRec{kPDPageMagic, doc, og, 1};
    doc->acquired.emplace(og, p);
    LivePages().insert(p);
  }
  ++gAcquired;
  return p;
}

// How many distinct nodes the Parent chain from node has (the chain ends at
// a value that is no dictionary, or goes round a circle), at most limit.
// Brent's cycle finding: a few passes, nothing remembered.
int ChainLength(QPDFObjectHandle node, int limit) {
  auto up = [](QPDFObjectHandle h) { return h.getKey("/Parent"); };
  if (!node.isDictionary()) return 0;
  QPDFObjectHandle tortoise = node, hare = up(node);
  long long power = 1, lambda = 1, steps = 0;
  while (hare.isDictionary() && hare.getObjectPtr() != tortoise.getObjectPtr()) {
    if (++steps > 4LL * limit) return limit;
    if (power == lambda) {
      tortoise = hare;
      power *= 2;
      lambda = 0;
    }
    hare = up(hare);
    ++lambda;
  }
  if (!hare.isDictionary()) {  // no circle: the chain's own length
    int n = 0;
    for (QPDFObjectHandle h = node; h.isDictionary() && n < limit; h = up(h)) ++n;
    return n;
  }
  // A circle of lambda nodes, entered after mu others.
  tortoise = hare = node;
  for (long long k = 0; k < lambda; ++k) hare = up(hare);
  long long mu = 0;
  while (tortoise.getObjectPtr() != hare.getObjectPtr() && mu < limit) {
    tortoise = up(tortoise);
    hare = up(hare);
    ++mu;
  }
  return (int)std::min<long long>(limit, mu + lambda);
}

// Walks up through Parent links, at most kMaxDepth steps and never in a circle.
template <class F>
void ForAncestors(QPDFObjectHandle node, F&& visit) {
  // Trees are shallow: the first levels are remembered without allocating. A
  // deep one (thousands of levels, each its own object) is walked as far as
  // its chain has distinct nodes, counted first.
  constexpr int kNear = 16;
  const QPDFObject* near[kNear];
  QPDFObjectHandle cur = node;
  int i = 0;
  for (; i < kNear && cur.isDictionary(); ++i) {
    const QPDFObject* o = cur.getObjectPtr();
    if (std::find(near, near + i, o) != near + i) return;
    near[i] = o;
    if (!visit(cur)) return;
    cur = cur.getKey("/Parent");
  }
  if (!cur.isDictionary()) return;
  const int n = ChainLength(node, kMaxDepth);
  for (; i < n && cur.isDictionary(); ++i) {
    if (!visit(cur)) return;
    cur = cur.getKey("/Parent");
  }
}

void AddToCounts(QPDFObjectHandle parent, int delta) {
  ForAncestors(parent, [&](QPDFObjectHandle n) {
    QPDFObjectHandle c = n.getKey("/Count");
    long long v = c.isInteger() ? c.getIntValue() : 0;
    n.replaceKey("/Count", QPDFObjectHandle::newInteger(std::max<long long>(0, v + delta)));
    return true;
  });
}

QPDFObjectHandle ParentAt(PDDoc doc, ASInt32 pos) { return doc->nodes.at(doc->parents[(size_t)pos]); }

// A node's Kids as the page operations see it: the items being edited, or
// the array's own.
class Kids {
 public:
  Kids(PDDoc doc, QPDFObjectHandle node) : cos_(doc->cos), node_(node), array_(node.getKey("/Kids")) {
    auto it = cos_->editedKids.find(array_.getObjectPtr());
    if (it != cos_->editedKids.end()) edited_ = &it->second;
  }
  bool IsArray() { return edited_ || array_.isArray(); }
  int Size() { return edited_ ? (int)edited_->items.size() : array_.getArrayNItems(); }
  QPDFObjectHandle At(int i) {
    return edited_ ? edited_->pool[edited_->items[(size_t)i]] : array_.getArrayItem(i);
  }
  int IndexOf(QPDFObjGen og) {
    const int n = Size();
    for (int i = 0; i < n; ++i) {
      QPDFObjectHandle k = At(i);
      if (k.isIndirect() && k.getObjGen() == og) return i;
    }
    return -1;
  }
  void Append(QPDFObjectHandle kid) {
    if (edited_) edited_->items.push_back(Pool(kid));
    else array_.appendItem(kid);  // qpdf appends in constant time
  }
  void Insert(int at, QPDFObjectHandle kid) {
    Edit();
    edited_->items.insert(edited_->items.begin() + at, Pool(kid));
  }
  void Erase(int at) {
    Edit();
    edited_->items.erase(edited_->items.begin() + at);
  }

 private:
  void Edit() {
    if (edited_) return;
    auto& e = cos_->editedKids[array_.getObjectPtr()];
    e = _t_CosDocRec::EditedKids{array_, node_.getObjectPtr(), array_.getArrayAsVector(), {}};
    e.items.resize(e.pool.size());
    for (size_t i = 0; i < e.items.size(); ++i) e.items[i] = (ASUns32)i;
    cos_->editedNodes.insert(node_.getObjectPtr());
    edited_ = &e;
  }
  ASUns32 Pool(QPDFObjectHandle kid) {
    edited_->pool.push_back(kid);
    return (ASUns32)(edited_->pool.size() - 1);
  }
  CosDoc cos_;
  QPDFObjectHandle node_, array_;
  _t_CosDocRec::EditedKids* edited_ = nullptr;
};

// The index of page number pos in kids, its parent's Kids: the one the list
// keeps when Kids still names the page there, else found by a search.
int KidIndex(PDDoc doc, ASInt32 pos, Kids& kids) {
  int at = doc->kidAt[(size_t)pos];
  if (at >= 0 && at < kids.Size()) {
    QPDFObjectHandle k = kids.At(at);
    if (k.isIndirect() && k.getObjGen() == doc->pages[(size_t)pos]) return at;
  }
  return kids.IndexOf(doc->pages[(size_t)pos]);
}

// A kid went into (delta 1) or out of (-1) parent's Kids at index at: the
// pages behind it there, which come after it in page order, move along.
void ShiftKidIndexes(PDDoc doc, size_t after, QPDFObjectHandle parent, int at, int delta) {
  const QPDFObject* p = parent.getObjectPtr();
  for (size_t j = after; j < doc->pages.size(); ++j)
    if (doc->kidAt[j] >= at && doc->parents[j] == p) doc->kidAt[j] += delta;
}

// The kid indexes of the pages under nodes, read again from their Kids.
void RecountKidIndexes(PDDoc doc, const std::vector<QPDFObjectHandle>& nodes) {
  for (QPDFObjectHandle node : nodes) {
    QPDFObjectHandle kids = node.getKey("/Kids");
    const int n = kids.isArray() ? kids.getArrayNItems() : 0;
    const QPDFObject* p = node.getObjectPtr();
    int k = 0;
    for (size_t j = 0; j < doc->pages.size(); ++j) {
      if (doc->parents[j] != p) continue;
      while (k < n) {
        QPDFObjectHandle item = kids.getArrayItem(k);
        if (item.isIndirect() && item.getObjGen() == doc->pages[j]) break;
        ++k;
      }
      doc->kidAt[j] = k < n ? k++ : -1;
    }
  }
}

// Puts an indirect page into the tree so that it becomes page number pos.
void InsertLeaf(PDDoc doc, ASInt32 pos, QPDFObjectHandle page) {
  EnsurePages(doc);
  ASInt32 n = (ASInt32)doc->pages.size();
  QPDFObjectHandle parent;
  int at;
  if (n == 0) {
    parent = EnsurePagesRoot(doc);
    at = Kids(doc, parent).Size();
  } else {
    ASInt32 ref = pos < n ? pos : n - 1;
    parent = ParentAt(doc, ref);
    if (!parent.isIndirect()) {
      parent = EnsurePagesRoot(doc);  // a direct root is replaced by an indirect one
      EnsurePages(doc);
      parent = ParentAt(doc, ref);
    }
    Kids kids(doc, parent);
    at = KidIndex(doc, ref, kids);
    if (at < 0) at = kids.Size();
    else if (pos >= n) ++at;
  }
  Kids kids(doc, parent);
  if (at >= kids.Size()) {
    at = kids.Size();
    kids.Append(page);
  } else {
    kids.Insert(at, page);
  }
  page.replaceKey("/Parent", parent);
  doc->cos->treeDicts.insert(page.getObjectPtr());
  AddToCounts(parent, 1);
  pos = std::clamp(pos, 0, n);
  doc->pages.insert(doc->pages.begin() + pos, page.getObjGen());
  doc->parents.insert(doc->parents.begin() + pos, parent.getObjectPtr());
  doc->nodes.emplace(parent.getObjectPtr(), parent);
  doc->kidAt.insert(doc->kidAt.begin() + pos, at);
  ShiftKidIndexes(doc, (size_t)pos + 1, parent, at, 1);
  doc->indexValid = false;
}

// What leaves one node's Kids.
struct KidsOut {
  QPDFObjectHandle node;
  std::unordered_set<QPDFObjGen, QPDFObjHash> kids;
  int pages = 0;  // pages below the node that go
};

// Takes the kids out of each node's Kids, every array rebuilt once, and counts
// the pages that went down the tree. Answers the nodes that were left empty.
std::vector<QPDFObjectHandle> TakeOutKids(std::vector<KidsOut>& outs, std::vector<QPDFObjectHandle>& touched) {
  std::vector<QPDFObjectHandle> emptied;
  for (KidsOut& out : outs) {
    touched.push_back(out.node);
    QPDFObjectHandle kids = out.node.getKey("/Kids");
    if (kids.isArray()) {
      std::vector<QPDFObjectHandle> kept;
      kept.reserve((size_t)kids.getArrayNItems());
      bool changed = false;
      for (auto& k : kids.aitems()) {
        if (k.isIndirect() && out.kids.count(k.getObjGen())) changed = true;
        else kept.push_back(k);
      }
      if (changed) kids.setArrayFromVector(kept);
      if (kept.empty()) emptied.push_back(out.node);
    }
    if (out.pages) AddToCounts(out.node, -out.pages);
  }
  return emptied;
}

// Takes pages first..last out of the tree; nodes left empty go too.
void RemoveLeaves(PDDoc doc, ASInt32 first, ASInt32 last) {
  if (first == last && !doc->treeDamaged) {
    // One page of a sound tree (a move): Kids names it once, where the list says.
    QPDFObjectHandle parent = ParentAt(doc, first);
    Kids kids(doc, parent);
    int at = kids.IsArray() ? KidIndex(doc, first, kids) : -1;
    if (at >= 0 && kids.Size() > 1) {
      kids.Erase(at);
      AddToCounts(parent, -1);
      doc->pages.erase(doc->pages.begin() + first);
      doc->parents.erase(doc->parents.begin() + first);
      doc->kidAt.erase(doc->kidAt.begin() + first);
      ShiftKidIndexes(doc, (size_t)first, parent, at, -1);
      doc->indexValid = false;
      return;
    }
  }
  WriteBackKids(doc->cos);
  std::vector<QPDFObjectHandle> touched;
  std::vector<KidsOut> outs;
  std::unordered_map<const QPDFObject*, size_t> at;
  for (ASInt32 i = first; i <= last; ++i) {
    QPDFObjectHandle parent = ParentAt(doc, i);
    auto found = at.emplace(parent.getObjectPtr(), outs.size());
    if (found.second) outs.push_back(KidsOut{parent, {}, 0});
    KidsOut& out = outs[found.first->second];
    out.kids.insert(doc->pages[(size_t)i]);
    ++out.pages;
  }
  std::vector<QPDFObjectHandle> emptied = TakeOutKids(outs, touched);
  QPDFObjectHandle root = PagesRoot(QOf(doc));
  for (int guard = 0; guard < kMaxDepth && !emptied.empty(); ++guard) {
    outs.clear();
    at.clear();
    for (QPDFObjectHandle& node : emptied) {
      if (!node.isIndirect() || !root.isIndirect() || node.getObjGen() == root.getObjGen()) continue;
      QPDFObjectHandle up = node.getKey("/Parent");
      if (!up.isDictionary() || !up.getKey("/Kids").isArray()) continue;
      auto found = at.emplace(up.getObjectPtr(), outs.size());
      if (found.second) outs.push_back(KidsOut{up, {}, 0});
      outs[found.first->second].kids.insert(node.getObjGen());
    }
    emptied = TakeOutKids(outs, touched);
  }
  doc->pages.erase(doc->pages.begin() + first, doc->pages.begin() + last + 1);
  doc->parents.erase(doc->parents.begin() + first, doc->parents.begin() + last + 1);
  doc->kidAt.erase(doc->kidAt.begin() + first, doc->kidAt.begin() + last + 1);
  RecountKidIndexes(doc, touched);
  doc->indexValid = false;
}

bool SameValue(QPDFObjectHandle a, QPDFObjectHandle b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  if (a.isIndirect() || b.isIndirect()) return a.isIndirect() && b.isIndirect() && a.getObjGen() == b.getObjGen();
  return a.unparse() == b.unparse();
}

ASFixedRect LetterBox() { return ASFixedRect{0, ASInt32ToFixed(792), ASInt32ToFixed(612), 0}; }

ASFixedRect MediaBoxOf(QPDFObjectHandle page) {
  ASFixedRect r;
  if (!ReadRect(FindInherited(page, "/MediaBox"), &r)) r = LetterBox();
  return r;
}

ASFixedRect CropBoxOf(QPDFObjectHandle page) {
  ASFixedRect r;
  if (!ReadRect(FindInherited(page, "/CropBox"), &r)) r = MediaBoxOf(page);
  return r;
}

// What a page that had none of key anywhere shows: new parents must not
// change that.
QPDFObjectHandle DefaultFor(const std::string& key, QPDFObjectHandle page) {
  if (key == "/Resources") return QPDFObjectHandle::newDictionary();
  if (key == "/Rotate") return QPDFObjectHandle::newInteger(0);
  if (key == "/CropBox") return MakeRectArray(MediaBoxOf(page));
  return MakeRectArray(LetterBox());
}

void Shield(QPDFObjectHandle page, const std::vector<std::string>& keys) {
  // Media box first: a shielded crop box defaults to it.
  std::vector<std::string> order = keys;
  std::stable_partition(order.begin(), order.end(), [](const std::string& k) { return k == "/MediaBox"; });
  for (const std::string& k : order)
    if (!FindInherited(page, k.c_str()).isNull()) page.replaceKey(k, DefaultFor(k, page));
}

// A new page object in q that looks like page (an object of q): direct parts
// copied, indirect ones shared, annotations copied and pointed at the new page.
QPDFObjectHandle DuplicatePage(QPDF& q, QPDFObjectHandle page) {
  QPDFObjectHandle d = page.shallowCopy();
  d.removeKey("/Parent");
  QPDFObjectHandle annots = page.getKey("/Annots");
  std::vector<std::pair<QPDFObjGen, QPDFObjectHandle>> made;
  if (annots.isArray()) {
    QPDFObjectHandle fresh = QPDFObjectHandle::newArray();
    for (auto& a : annots.aitems()) {
      if (!a.isDictionary()) continue;
      QPDFObjectHandle copy = a.shallowCopy();
      if (a.isIndirect()) {
        copy = q.makeIndirectObject(copy);
        made.emplace_back(a.getObjGen(), copy);
      }
      fresh.appendItem(copy);
    }
    d.replaceKey("/Annots", fresh);
  }
  d = q.makeIndirectObject(d);
  for (auto& m : made) {
    QPDFObjectHandle a = m.second;
    if (a.hasKey("/P")) a.replaceKey("/P", d);
    for (const char* link : {"/Popup", "/Parent", "/IRT"}) {
      QPDFObjectHandle target = a.getKey(link);
      if (!target.isIndirect()) continue;
      for (auto& other : made)
        if (other.first == target.getObjGen()) a.replaceKey(link, other.second);
    }
  }
  return d;
}

// Structure-tree links of a copied page point into a tree the copy is not in.
void DropStructureLinks(QPDFObjectHandle page) {
  page.removeKey("/StructParents");
  QPDFObjectHandle annots = page.getKey("/Annots");
  if (!annots.isArray()) return;
  for (auto& a : annots.aitems())
    if (a.isDictionary()) a.removeKey("/StructParent");
}

struct Copied {
  QPDFObjectHandle page;
  std::vector<std::string> shield;  // keys the source page had nowhere
};

// The new page for src: copier is null when source is doc itself. The copy
// keeps its links into the structure tree only when the tree comes along.
Copied CopyPage(PDDoc doc, QPDFObjectHandle src, ForeignCopier* copier, bool keepStructure) {
  QPDF& q = QOf(doc);
  Copied c;
  if (copier) {
    c.page = copier->FillPage(src);
    // A page copied by an earlier insertion is in the tree already: copy it again.
    if (!doc->copiedPages.insert(c.page.getObjGen()).second) c.page = DuplicatePage(q, c.page);
    doc->copiedPages.insert(c.page.getObjGen());
  } else {
    c.page = DuplicatePage(q, src);
  }
  c.page.removeKey("/Parent");
  for (const char* key : kInheritable) {
    if (!src.getKey(key).isNull()) continue;
    QPDFObjectHandle v = FindInherited(src.getKey("/Parent"), key);
    if (v.isNull()) {
      c.shield.push_back(key);
      continue;
    }
    if (copier) c.page.replaceKey(key, copier->Value(v));
    else c.page.replaceKey(key, v.isIndirect() ? v : v.shallowCopy());
  }
  if (copier) {
    copier->Drain();
    // An annotation copied before its page (a form field's other widget, met
    // through the field) got no page then: it is on this one, and says so.
    QPDFObjectHandle annots = c.page.getKey("/Annots");
    if (annots.isArray())
      for (auto& a : annots.aitems())
        if (a.isDictionary() && !a.getKey("/P").isDictionary()) a.replaceKey("/P", c.page);
  }
  if (!keepStructure) DropStructureLinks(c.page);
  return c;
}

void AddSource(PDDoc doc, PDDoc source) {
  auto& list = doc->cos->sources;
  auto add = [&](const std::shared_ptr<QPDF>& q) {
    if (std::find(list.begin(), list.end(), q) == list.end()) list.push_back(q);
  };
  add(source->cos->q);
  for (auto& s : source->cos->sources) add(s);
  if (source->minMajor > doc->minMajor || (source->minMajor == doc->minMajor && source->minMinor > doc->minMinor)) {
    doc->minMajor = source->minMajor;
    doc->minMinor = source->minMinor;
  }
  int a = 1, b = 0;
  ParseVersion(source->cos->q->getPDFVersion(), &a, &b);
  if (a > doc->minMajor || (a == doc->minMajor && b > doc->minMinor)) {
    doc->minMajor = a;
    doc->minMinor = b;
  }
}

bool HasNamedDests(PDDoc doc) {
  QPDFObjectHandle root = QOf(doc).getRoot();
  QPDFObjectHandle names = root.getKey("/Names");
  return root.getKey("/Dests").isDictionary() || (names.isDictionary() && names.getKey("/Dests").isDictionary());
}

ASInt32 InsertPosition(PDDoc doc, ASInt32 after) {
  ASInt32 n = (ASInt32)doc->pages.size();
  if (after == PDBeforeFirstPage) return 0;
  if (after == PDLastPage) return n;
  if (after < 0 || after >= n) ASRaise(pdErrBadPageNumber);
  return after + 1;
}

double FixedToDouble(ASFixed f) { return (double)f / 65536.0; }

QPDFObjectHandle FixedNumber(ASFixed f) {
  if ((f & 0xFFFF) == 0) return QPDFObjectHandle::newInteger(f >> 16);
  return QPDFObjectHandle::newReal(FixedToDouble(f), 5, true);
}

void Changed(PDDoc doc) { MarkDirty(doc->cos); }

}  // namespace

// ---- shared helpers -------------------------------------------------------

namespace hostpdf {

void EnsurePages(PDDoc doc) {
  if (doc->pagesValid && doc->pagesEpoch == doc->cos->treeEpoch) return;
  Walk(doc);
  doc->pagesValid = true;
  doc->pagesEpoch = doc->cos->treeEpoch;
  doc->indexValid = false;
}

void EnsureIndex(PDDoc doc) {
  EnsurePages(doc);
  if (doc->indexValid) return;
  doc->pageIndex.clear();
  doc->pageIndex.reserve(doc->pages.size());
  for (size_t i = 0; i < doc->pages.size(); ++i) doc->pageIndex.emplace(doc->pages[i], (ASInt32)i);
  doc->indexValid = true;
}

void ReleaseAllPages(PDDoc doc) {
  for (auto& e : doc->acquired) {
    gAcquired -= e.second->refs;
    LivePages().erase(e.second);
    e.second->magic = 0;
    delete e.second;
  }
  doc->acquired.clear();
}

PDPage CheckPage(PDPage page) {
  if (!page || !LivePages().count(page) || page->magic != kPDPageMagic) ASRaise(genErrBadParm);
  return page;
}

QPDFObjectHandle PageHandle(PDPage page) {
  CheckPage(page);
  return QOf(page->doc).getObject(page->og);
}

QPDFObjectHandle FindInherited(QPDFObjectHandle node, const char* key) {
  QPDFObjectHandle found = QPDFObjectHandle::newNull();
  ForAncestors(node, [&](QPDFObjectHandle n) {
    QPDFObjectHandle v = n.getKey(key);
    if (v.isNull()) return true;
    found = v;
    return false;
  });
  return found;
}

bool ReadRect(QPDFObjectHandle obj, ASFixedRect* rect) {
  if (!obj.isArray() || obj.getArrayNItems() < 4) return false;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle item = obj.getArrayItem(i);
    if (!item.isNumber()) return false;
    v[i] = NumberValue(item);
    if (!std::isfinite(v[i])) return false;
  }
  rect->left = ASFloatToFixed(std::min(v[0], v[2]));
  rect->right = ASFloatToFixed(std::max(v[0], v[2]));
  rect->bottom = ASFloatToFixed(std::min(v[1], v[3]));
  rect->top = ASFloatToFixed(std::max(v[1], v[3]));
  return true;
}

QPDFObjectHandle MakeRectArray(const ASFixedRect& r) {
  QPDFObjectHandle a = QPDFObjectHandle::newArray();
  a.appendItem(FixedNumber(std::min(r.left, r.right)));
  a.appendItem(FixedNumber(std::min(r.bottom, r.top)));
  a.appendItem(FixedNumber(std::max(r.left, r.right)));
  a.appendItem(FixedNumber(std::max(r.bottom, r.top)));
  return a;
}

void RepairTree(PDDoc doc) {
  WriteBackKids(doc->cos);
  doc->pagesValid = false;  // the edges must be those of the tree as it is now
  EnsurePages(doc);
  if (!doc->treeDamaged) return;
  QPDFObjectHandle root = PagesRoot(QOf(doc));
  if (!root.isDictionary()) return;
  // Every node keeps the kids the walk took from it, in order; the rest goes.
  std::vector<QPDFObjectHandle> nodes{root};
  std::unordered_map<const QPDFObject*, QPDFObjectHandle> kidsOf;
  kidsOf[root.getObjectPtr()] = QPDFObjectHandle::newArray();
  for (auto& e : doc->edges) {
    auto it = kidsOf.find(e.first.getObjectPtr());
    if (it == kidsOf.end()) continue;
    it->second.appendItem(e.second);
    e.second.replaceKey("/Parent", e.first);
    if (doc->innerNodes.count(e.second.getObjGen()) && !kidsOf.count(e.second.getObjectPtr())) {
      kidsOf[e.second.getObjectPtr()] = QPDFObjectHandle::newArray();
      nodes.push_back(e.second);
    }
  }
  // Counts bottom-up: a node comes after its parent in `nodes`.
  std::unordered_map<const QPDFObject*, long long> count;
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    QPDFObjectHandle kids = kidsOf[it->getObjectPtr()];
    long long n = 0;
    for (auto& k : kids.aitems()) {
      auto c = count.find(k.getObjectPtr());
      n += c == count.end() ? 1 : c->second;
    }
    count[it->getObjectPtr()] = n;
    it->replaceKey("/Kids", kids);
    it->replaceKey("/Count", QPDFObjectHandle::newInteger(n));
  }
  root.removeKey("/Parent");
  PDAddWarning(doc, "the page tree was rebuilt from the pages it holds");
  MarkTreeChanged(doc->cos);
  EnsurePages(doc);
}

void WriteTreeCounts(PDDoc doc) {
  EnsurePages(doc);
  QPDFObjectHandle root = PagesRoot(QOf(doc));
  if (!root.isDictionary()) return;
  // The edges are in walk order, a node before its kids: backwards, every
  // kid is counted before its parent.
  std::unordered_map<const QPDFObject*, long long> count;
  count[root.getObjectPtr()] = 0;
  for (auto& e : doc->edges)
    if (doc->innerNodes.count(e.second.getObjGen())) count[e.second.getObjectPtr()] = 0;
  for (auto it = doc->edges.rbegin(); it != doc->edges.rend(); ++it) {
    auto kid = count.find(it->second.getObjectPtr());
    count[it->first.getObjectPtr()] += kid == count.end() ? 1 : kid->second;
  }
  auto put = [&](QPDFObjectHandle node) {
    long long n = count[node.getObjectPtr()];
    QPDFObjectHandle c = node.getKey("/Count");
    if (!c.isInteger() || c.getIntValue() != n) node.replaceKey("/Count", QPDFObjectHandle::newInteger(n));
  };
  put(root);
  for (auto& e : doc->edges)
    if (doc->innerNodes.count(e.second.getObjGen())) put(e.second);
}

}  // namespace hostpdf

// ---- page tree --------------------------------------------------------------

ASInt32 PDDocGetNumPages(PDDoc doc) {
  return Guard([&] {
    CheckPDDoc(doc);
    EnsurePages(doc);
    return (ASInt32)doc->pages.size();
  });
}

PDPage PDDocAcquirePage(PDDoc doc, ASInt32 pageNum) {
  return Guard([&] {
    CheckPDDoc(doc);
    ASFaultCheck("PDDocAcquirePage");
    PageAt(doc, pageNum);
    return Acquire(doc, doc->pages[(size_t)pageNum]);
  });
}

void PDPageRelease(PDPage page) {
  if (!page) return;
  CheckPage(page);
  --gAcquired;
  if (--page->refs > 0) return;
  page->doc->acquired.erase(page->og);
  LivePages().erase(page);
  page->magic = 0;
  delete page;
}

ASInt32 PDDocGetAcquiredPageCount(PDDoc doc) {
  CheckPDDoc(doc);
  ASInt32 n = 0;
  for (auto& e : doc->acquired) n += e.second->refs;
  return n;
}

ASInt32 PDGetAcquiredPageCount() { return gAcquired; }

ASInt32 PDDocGetPageTreeWalks(PDDoc doc) { return CheckPDDoc(doc)->walks; }

PDPage PDDocCreatePage(PDDoc doc, ASInt32 afterPage, ASFixedRect mediaBox) {
  return Guard([&] {
    CheckPDDoc(doc);
    ASFaultCheck("PDDocCreatePage");
    EnsurePages(doc);
    ASInt32 pos = InsertPosition(doc, afterPage);
    QPDF& q = QOf(doc);
    QPDFObjectHandle page = QPDFObjectHandle::newDictionary();
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", MakeRectArray(mediaBox));
    page = q.makeIndirectObject(page);
    InsertLeaf(doc, pos, page);
    Changed(doc);
    return Acquire(doc, page.getObjGen());
  });
}

void PDDocInsertPages(PDDoc doc, ASInt32 insertAfter, PDDoc source, ASInt32 startPage, ASInt32 numPages,
                      ASUns16 insertFlags, ProgressMonitor monitor, void* monitorData, CancelProc cancelProc,
                      void* cancelData) {
  ASInt32 done = 0;
  ASInt32 count = 0;
  ASInt32 pos = 0;
  Guard([&] {
    CheckPDDoc(doc);
    CheckPDDoc(source);
    // What belonged to pages deleted before goes before the source's data
    // are read, and before named destinations come into doc (a name doc
    // still has for a deleted page would keep out the one that comes).
    if (source != doc) {
      SettleDeletedPages(source);
      if ((insertFlags & PDInsertAll) && HasNamedDests(source)) SettleDeletedPages(doc);
    }
    EnsurePages(doc);
    EnsurePages(source);
    ASInt32 n = (ASInt32)source->pages.size();
    if (startPage < 0 || startPage >= n) ASRaise(pdErrBadPageNumber);
    count = numPages < 0 ? n - startPage : std::min(numPages, n - startPage);
    pos = InsertPosition(doc, insertAfter);
    ASFaultCheck("PDDocInsertPages");
    if (count == 0) return;
    // Taken before anything moves: the source may be this document.
    std::vector<QPDFObjectHandle> from;
    from.reserve((size_t)count);
    for (ASInt32 i = 0; i < count; ++i) from.push_back(QOf(source).getObject(source->pages[(size_t)(startPage + i)]));
    std::unique_ptr<ForeignCopier> copier;
    // Every page of a document into an empty one (a new document made of
    // it), nothing of that document copied before: its structure tree and
    // its collection come along, and stay true, since every page they name
    // is there and is the only copy of its page.
    bool whole = false;
    if (source != doc) {
      AddSource(doc, source);
      copier = std::make_unique<ForeignCopier>(doc, source);
      whole = (insertFlags & PDInsertAll) && startPage == 0 && count == n && doc->pages.empty() &&
              copier->State().map.empty();
      for (auto& f : from) copier->ReservePage(f);  // links between the new pages hold
    }
    const bool structure = whole && StructureCanCome(doc, source);
    ProgressMonitorBegin(monitor, monitorData);
    ProgressMonitorSetDuration(monitor, count, monitorData);
    std::vector<QPDFObjectHandle> copies;
    copies.reserve((size_t)count);
    try {
      for (ASInt32 i = 0; i < count; ++i) {
        if (cancelProc && cancelProc(cancelData)) ASRaise(genErrCancelled);
        ASFaultCheck("PDDocInsertPages:page");
        Copied c = CopyPage(doc, from[(size_t)i], copier.get(), structure);
        InsertLeaf(doc, pos + i, c.page);
        Shield(c.page, c.shield);
        copies.push_back(c.page);
        ++done;
        Changed(doc);
        ProgressMonitorSetCurrValue(monitor, i + 1, monitorData);
      }
      if (copier) CarryDocumentData(doc, source, *copier, from, copies, insertFlags);
      if (structure) CarryStructure(doc, source, *copier);
      if (whole) CarryCollection(doc, source, *copier);
    } catch (...) {
      if (copier) copier->Abandon();
      ProgressMonitorEnd(monitor, monitorData);
      throw;
    }
    ProgressMonitorEnd(monitor, monitorData);
  });
  AVNotificationArgs a{};
  a.pdDoc = doc;
  a.source = source;
  a.a = insertAfter;
  a.b = startPage;
  a.c = done;
  AVAppFireNotification(PDDocDidInsertPagesNSEL, &a);
}

void PDDocDeletePages(PDDoc doc, ASInt32 firstPage, ASInt32 lastPage, ProgressMonitor monitor, void* monitorData) {
  Guard([&] {
    CheckPDDoc(doc);
    EnsurePages(doc);
    ASInt32 n = (ASInt32)doc->pages.size();
    if (lastPage == PDLastPage) lastPage = n - 1;
    if (firstPage < 0 || lastPage < firstPage || lastPage >= n) ASRaise(pdErrBadPageNumber);
    ASFaultCheck("PDDocDeletePages");
    // A structure tree the host cannot walk stops the deletion before any page goes.
    CheckStructureForDeletion(doc);
    ProgressMonitorBegin(monitor, monitorData);
    ProgressMonitorSetDuration(monitor, lastPage - firstPage + 1, monitorData);
    // Pages go from the last one down: a page that fails its check stops the
    // deletion there, and the pages after it are gone, as one run.
    ASInt32 from = lastPage + 1;
    std::exception_ptr failure;
    try {
      for (ASInt32 i = lastPage; i >= firstPage; --i) {
        ASFaultCheck("PDDocDeletePages:page");
        from = i;
      }
    } catch (...) {
      failure = std::current_exception();
    }
    std::vector<QPDFObjGen> deleted(doc->pages.begin() + from, doc->pages.begin() + lastPage + 1);
    if (!deleted.empty()) {
      RemoveLeaves(doc, from, lastPage);
      Changed(doc);
    }
    for (ASInt32 k = 1; k <= (ASInt32)deleted.size(); ++k) ProgressMonitorSetCurrValue(monitor, k, monitorData);
    // What belonged to them goes once, for every page deleted until then
    // (SettleDeletedPages), and what still points at them before a save.
    doc->dropped.insert(deleted.begin(), deleted.end());
    doc->unpruned.insert(doc->unpruned.end(), deleted.begin(), deleted.end());
    ProgressMonitorEnd(monitor, monitorData);
    if (failure) std::rethrow_exception(failure);
  });
  AVNotificationArgs a{};
  a.pdDoc = doc;
  a.a = firstPage;
  a.b = lastPage;
  AVAppFireNotification(PDDocDidDeletePagesNSEL, &a);
}

void PDDocMovePage(PDDoc doc, ASInt32 moveAfter, ASInt32 pageNum) {
  Guard([&] {
    CheckPDDoc(doc);
    EnsurePages(doc);
    ASInt32 n = (ASInt32)doc->pages.size();
    if (pageNum < 0 || pageNum >= n) ASRaise(pdErrBadPageNumber);
    if (moveAfter == PDLastPage) moveAfter = n - 1;
    if (moveAfter < PDBeforeFirstPage || moveAfter >= n) ASRaise(pdErrBadPageNumber);
    if (moveAfter == pageNum) return;
    ASInt32 to = moveAfter == PDBeforeFirstPage ? 0 : moveAfter < pageNum ? moveAfter + 1 : moveAfter;
    if (to == pageNum) return;
    QPDFObjectHandle page = PageAt(doc, pageNum);
    QPDFObjectHandle before[4];
    for (int k = 0; k < 4; ++k) before[k] = FindInherited(page, kInheritable[k]);
    RemoveLeaves(doc, pageNum, pageNum);
    InsertLeaf(doc, to, page);
    std::vector<std::string> shield;
    for (int k = 0; k < 4; ++k) {
      if (SameValue(before[k], FindInherited(page, kInheritable[k]))) continue;
      if (before[k].isNull()) shield.push_back(kInheritable[k]);
      else page.replaceKey(kInheritable[k], before[k].isIndirect() ? before[k] : before[k].shallowCopy());
    }
    Shield(page, shield);
    Changed(doc);
  });
}

// ---- pages ------------------------------------------------------------------

CosObj PDPageGetCosObj(PDPage page) {
  return Guard([&] { return FromHandle(CheckPage(page)->doc->cos, PageHandle(page)); });
}

PDDoc PDPageGetDoc(PDPage page) { return CheckPage(page)->doc; }

ASInt32 PDPageGetNumber(PDPage page) {
  return Guard([&] {
    PDDoc doc = CheckPage(page)->doc;
    EnsureIndex(doc);
    auto it = doc->pageIndex.find(page->og);
    return it == doc->pageIndex.end() ? -1 : it->second;
  });
}

CosObj PDPageGetCosResources(PDPage page) {
  return Guard([&] { return FromHandle(page->doc->cos, FindInherited(PageHandle(page), "/Resources")); });
}

void PDPageGetMediaBox(PDPage page, ASFixedRect* box) {
  if (!box) ASRaise(genErrBadParm);
  Guard([&] { *box = MediaBoxOf(PageHandle(page)); });
}

void PDPageGetCropBox(PDPage page, ASFixedRect* box) {
  if (!box) ASRaise(genErrBadParm);
  Guard([&] {
    // A page's size is read here: the hook lets tests fail a read of a page
    // that is already acquired.
    ASFaultCheck("PDPageGetCropBox");
    *box = CropBoxOf(PageHandle(page));
  });
}

ASBool PDPageGetBox(PDPage page, ASAtom boxName, ASFixedRect* box) {
  if (!box || boxName == ASAtomNull) ASRaise(genErrBadParm);
  return Guard([&]() -> ASBool {
    QPDFObjectHandle p = PageHandle(page);
    std::string key = KeyFor(boxName);
    ASFixedRect r;
    if (key == "/MediaBox") {
      bool has = ReadRect(FindInherited(p, "/MediaBox"), &r);
      *box = has ? r : LetterBox();
      return has;
    }
    if (key == "/CropBox") {
      bool has = ReadRect(FindInherited(p, "/CropBox"), &r);
      *box = has ? r : MediaBoxOf(p);
      return has;
    }
    bool has = ReadRect(p.getKey(key), &r);
    *box = has ? r : CropBoxOf(p);
    return has;
  });
}

void PDPageSetBox(PDPage page, ASAtom boxName, ASFixedRect box) {
  if (boxName == ASAtomNull) ASRaise(genErrBadParm);
  Guard([&] {
    PageHandle(page).replaceKey(KeyFor(boxName), MakeRectArray(box));
    Changed(page->doc);
  });
}

void PDPageSetMediaBox(PDPage page, ASFixedRect box) { PDPageSetBox(page, ASAtomFromString("MediaBox"), box); }

void PDPageSetCropBox(PDPage page, ASFixedRect box) { PDPageSetBox(page, ASAtomFromString("CropBox"), box); }

PDRotate PDPageGetRotate(PDPage page) {
  return Guard([&]() -> PDRotate {
    QPDFObjectHandle r = FindInherited(PageHandle(page), "/Rotate");
    if (!r.isNumber()) return 0;
    double v = NumberValue(r);
    if (!std::isfinite(v) || std::fabs(v) > 1e9) return 0;
    // Whole degrees; a value that is no multiple of 90 is no rotation, as the
    // toolkit and PDF readers count it.
    long long deg = (long long)v % 360;
    if (deg < 0) deg += 360;
    return (PDRotate)(deg % 90 == 0 ? deg : 0);
  });
}

void PDPageSetRotate(PDPage page, PDRotate rotate) {
  if (rotate % 90 != 0) ASRaise(genErrBadParm);
  Guard([&] {
    int deg = rotate % 360;
    if (deg < 0) deg += 360;
    PageHandle(page).replaceKey("/Rotate", QPDFObjectHandle::newInteger(deg));
    Changed(page->doc);
  });
}

void PDPageGetDefaultMatrix(PDPage page, ASFixedMatrix* m) {
  if (!m) ASRaise(genErrBadParm);
  ASFixedRect c;
  PDPageGetCropBox(page, &c);
  PDRotate r = PDPageGetRotate(page);
  const ASFixed one = fixedOne;
  // A box at the very end of the fixed range (a saturated huge box) has no
  // negative in range: it saturates like every other fixed result.
  auto neg = [](ASFixed v) { return v == fixedNegativeInfinity ? fixedPositiveInfinity : -v; };
  switch (r) {
    case 90: *m = ASFixedMatrix{0, -one, one, 0, neg(c.bottom), c.right}; break;
    case 180: *m = ASFixedMatrix{-one, 0, 0, -one, c.right, c.top}; break;
    case 270: *m = ASFixedMatrix{0, one, -one, 0, c.top, neg(c.left)}; break;
    default: *m = ASFixedMatrix{one, 0, 0, one, neg(c.left), neg(c.bottom)}; break;
  }
}

CosObj PDPageGetCosContents(PDPage page) {
  return Guard([&] {
    QPDFObjectHandle p = PageHandle(page);
    return FromHandle(page->doc->cos, p.getKey("/Contents"));
  });
}

void PDPageAddCosContents(PDPage page, CosObj contents) {
  Guard([&] {
    QPDFObjectHandle p = PageHandle(page);
    CosType t = CosObjGetType(contents);
    if (t != CosStream && t != CosArray) ASRaise(genErrBadParm);
    p.replaceKey("/Contents", ValueForPut(page->doc->cos, contents));
    Changed(page->doc);
  });
}

void PDPageRemoveCosContents(PDPage page) {
  Guard([&] {
    PageHandle(page).removeKey("/Contents");
    Changed(page->doc);
  });
}

void PDPageNotifyContentsDidChange(PDPage page) {
  CheckPage(page);
  AVNotificationArgs a{};
  a.page = page;
  a.pdDoc = page->doc;
  AVAppFireNotification(PDPageContentsDidChangeNSEL, &a);
}

void PDPageNotifyContentsDidChangeEx(PDPage page, ASBool invalidateViews) {
  PDPageNotifyContentsDidChange(page);
  AVNotificationArgs a{};
  a.page = page;
  a.pdDoc = page->doc;
  a.invalidateViews = invalidateViews;
  AVAppFireNotification(PDPageContentsDidChangeExNSEL, &a);
}

namespace {
ASInt32 gDraws = 0;
ASFixedMatrix gLastDrawMatrix{fixedOne, 0, 0, fixedOne, 0, 0};
}  // namespace

void PDDrawCosObjToWindow(CosObj cosObj, void*, void*, ASBool, ASFixedMatrix* matrix, ASFixedRect*,
                          CancelProc cancelProc, void* cancelData) {
  if (cancelProc && cancelProc(cancelData)) return;
  ASStm s = CosStreamOpenStm(cosObj, cosOpenFiltered);  // raises for what is not a stream
  ASStmClose(s);
  ++gDraws;
  gLastDrawMatrix = matrix ? *matrix : ASFixedMatrix{fixedOne, 0, 0, fixedOne, 0, 0};
}

ASInt32 PDGetDrawCount(ASFixedMatrix* lastMatrix) {
  if (lastMatrix) *lastMatrix = gLastDrawMatrix;
  return gDraws;
}
