// Document data that belongs to pages: form fields, optional-content groups,
// outline items and named destinations. Pages inserted from another document
// bring theirs (PDInsertAll), so that a new document looks and works like its
// source; pages deleted take away what belonged to them alone.
//
// Insertions may come one page at a time (a reorder that copies pages back):
// what came along from a source is remembered with the copy state of the
// pair of documents, so that a later insertion adds to it and never copies
// an outline item, a field or a group a second time.
#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "host/PDPriv.h"

using namespace hostpdf;

namespace {

constexpr int kMaxDepth = 256;
constexpr size_t kMaxOutlineItems = 1000000;

using ObjSet = std::unordered_set<QPDFObjGen, QPDFObjHash>;
using PageMap = std::unordered_map<QPDFObjGen, QPDFObjectHandle, QPDFObjHash>;

QPDFObjectHandle Null() { return QPDFObjectHandle::newNull(); }

bool IsName(QPDFObjectHandle h, const char* name) { return h.isName() && h.getName() == name; }

// The array under key of dict, made when missing.
QPDFObjectHandle ArrayAt(QPDFObjectHandle dict, const char* key) {
  QPDFObjectHandle a = dict.getKey(key);
  if (a.isArray()) return a;
  a = QPDFObjectHandle::newArray();
  dict.replaceKey(key, a);
  return a;
}

bool Holds(QPDFObjectHandle array, QPDFObjectHandle item) {
  if (!array.isArray() || !item.isIndirect()) return false;
  for (auto& e : array.aitems())
    if (e.isIndirect() && e.getObjGen() == item.getObjGen()) return true;
  return false;
}

void AppendOnce(QPDFObjectHandle array, QPDFObjectHandle item) {
  if (!Holds(array, item)) array.appendItem(item);
}

// Each of items the array does not hold yet, in order; the array is read
// once (a form of many thousand fields gets them in one insertion).
void AppendAllOnce(QPDFObjectHandle array, const std::vector<QPDFObjectHandle>& items) {
  ObjSet held;
  for (auto& e : array.aitems())
    if (e.isIndirect()) held.insert(e.getObjGen());
  for (const QPDFObjectHandle& item : items)
    if (!item.isIndirect() || held.insert(item.getObjGen()).second) array.appendItem(item);
}

// ---- destinations ------------------------------------------------------------

// The array of an explicit destination (a dictionary's /D), or uninitialised.
QPDFObjectHandle DestArray(QPDFObjectHandle dest) {
  if (dest.isDictionary()) dest = dest.getKey("/D");
  return dest.isArray() && dest.getArrayNItems() > 0 ? dest : QPDFObjectHandle();
}

// A document's named destinations: names in the catalog's /Dests, strings
// in the /Dests name tree (read once, the first of a key kept).
class NamedDests {
 public:
  explicit NamedDests(PDDoc doc) : doc_(doc) {}
  QPDFObjectHandle Get(QPDFObjectHandle name) {
    QPDFObjectHandle root = QOf(doc_).getRoot();
    if (name.isName()) {
      QPDFObjectHandle dests = root.getKey("/Dests");
      return dests.isDictionary() ? dests.getKey(name.getName()) : Null();
    }
    if (!name.isString()) return Null();
    if (!read_) {
      read_ = true;
      QPDFObjectHandle names = root.getKey("/Names");
      QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : Null();
      if (tree.isDictionary()) ForEachNameTreePair(tree, [&](QPDFObjectHandle k, QPDFObjectHandle v) {
          strings_.emplace(k.getStringValue(), v);
          return true;
        });
    }
    auto it = strings_.find(name.getStringValue());
    return it == strings_.end() ? Null() : it->second;
  }

 private:
  PDDoc doc_;
  bool read_ = false;
  std::unordered_map<std::string, QPDFObjectHandle> strings_;
};

// A destination as an explicit one (names looked up), or uninitialised.
QPDFObjectHandle ExplicitDest(NamedDests& names, QPDFObjectHandle dest) {
  for (int hop = 0; hop < 4 && (dest.isName() || dest.isString()); ++hop) dest = names.Get(dest);
  return DestArray(dest).isInitialized() ? dest : QPDFObjectHandle();
}

// The page object a destination (explicit or named) shows, or uninitialised.
QPDFObjectHandle DestPage(NamedDests& names, QPDFObjectHandle dest) {
  QPDFObjectHandle a = DestArray(ExplicitDest(names, dest));
  if (!a.isInitialized()) return QPDFObjectHandle();
  QPDFObjectHandle page = a.getArrayItem(0);
  return page.isIndirect() && page.isDictionary() ? page : QPDFObjectHandle();
}

// An outline item's or link's page: its /Dest, else its GoTo action's /D.
QPDFObjectHandle TargetPage(NamedDests& names, QPDFObjectHandle holder) {
  QPDFObjectHandle dest = holder.getKey("/Dest");
  if (!dest.isNull()) return DestPage(names, dest);
  QPDFObjectHandle action = holder.getKey("/A");
  if (action.isDictionary() && IsName(action.getKey("/S"), "/GoTo")) return DestPage(names, action.getKey("/D"));
  return QPDFObjectHandle();
}

// An explicit destination of the source made for doc: its page the copy.
QPDFObjectHandle MapDest(QPDFObjectHandle dest, QPDFObjectHandle page, ForeignCopier& copier) {
  if (dest.isDictionary()) {
    QPDFObjectHandle d = QPDFObjectHandle::newDictionary();
    for (auto& e : dest.ditems())
      d.replaceKey(e.first, e.first == "/D" ? MapDest(e.second, page, copier) : copier.Value(e.second));
    return d;
  }
  QPDFObjectHandle a = QPDFObjectHandle::newArray();
  a.appendItem(page);
  for (int i = 1; i < dest.getArrayNItems(); ++i) a.appendItem(copier.Value(dest.getArrayItem(i)));
  return a;
}

// A holder's destination for doc: names stay names (they come along), an
// explicit one points at the copy.
QPDFObjectHandle MapAnyDest(QPDFObjectHandle dest, QPDFObjectHandle page, ForeignCopier& copier) {
  if (dest.isName() || dest.isString()) return dest.shallowCopy();
  return MapDest(dest, page, copier);
}

}  // namespace

// ---- the memory of a pair of documents ----------------------------------------------

namespace hostpdf {

struct DocDataState {
  // Form: the source's widgets on pages copied so far, and the fields above them.
  ObjSet widgets, fieldNodes;
  // Named destinations by the source page they show (built once).
  bool destsIndexed = false;
  std::unordered_map<QPDFObjGen, std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>>, QPDFObjHash> destsByPage;
  // Outline items in source order, each with its parent's index (-1: top),
  // the index of the sibling before it (-1: none), its page, and its copy.
  struct Item {
    QPDFObjectHandle source;
    int parent, before;
    QPDFObjGen page;
    bool hasPage, closed;
    QPDFObjectHandle copy;
  };
  bool outlinesIndexed = false;
  std::vector<Item> items;
  std::unordered_map<QPDFObjGen, std::vector<int>, QPDFObjHash> itemsByPage;
  std::unordered_map<QPDFObjGen, int, QPDFObjHash> itemOfCopy;
};

}  // namespace hostpdf

namespace {

DocDataState& StateOf(ForeignCopier& copier) {
  auto& data = copier.State().data;
  if (!data) data = std::make_shared<DocDataState>();
  return *data;
}

// ---- named destinations ------------------------------------------------------------

void IndexDests(PDDoc source, DocDataState& st) {
  if (st.destsIndexed) return;
  st.destsIndexed = true;
  QPDFObjectHandle root = QOf(source).getRoot();
  NamedDests named(source);
  auto note = [&](QPDFObjectHandle key, QPDFObjectHandle value) {
    QPDFObjectHandle page = DestPage(named, value);
    if (page.isInitialized()) st.destsByPage[page.getObjGen()].emplace_back(key, value);
  };
  QPDFObjectHandle dests = root.getKey("/Dests");
  if (dests.isDictionary())
    for (auto& e : dests.ditems()) note(QPDFObjectHandle::newName(e.first), e.second);
  QPDFObjectHandle names = root.getKey("/Names");
  QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : Null();
  if (tree.isDictionary()) ForEachNameTreePair(tree, [&](QPDFObjectHandle k, QPDFObjectHandle v) {
      note(k, v);
      return true;
    });
}

void CarryNamedDests(PDDoc doc, PDDoc source, ForeignCopier& copier, const PageMap& pages) {
  DocDataState& st = StateOf(copier);
  IndexDests(source, st);
  if (st.destsByPage.empty()) return;
  QPDF& q = QOf(doc);
  QPDFObjectHandle root = q.getRoot();
  ObjSet done;
  std::unordered_set<std::string> treeKeys;
  bool treeRead = false;
  PDNameTree tree{CosNewNull()};
  NamedDests named(source);
  for (auto& page : pages) {
    if (!done.insert(page.first).second) continue;
    auto it = st.destsByPage.find(page.first);
    if (it == st.destsByPage.end()) continue;
    for (auto& [key, value] : it->second) {
      QPDFObjectHandle explicitDest = ExplicitDest(named, value);
      if (!explicitDest.isInitialized()) continue;
      QPDFObjectHandle made = q.makeIndirectObject(MapDest(explicitDest, page.second, copier));
      if (key.isName()) {
        QPDFObjectHandle dests = root.getKey("/Dests");
        if (!dests.isDictionary()) {
          dests = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
          root.replaceKey("/Dests", dests);
        }
        // A name the document has already keeps its own destination.
        if (!dests.hasKey(key.getName())) dests.replaceKey(key.getName(), made);
        continue;
      }
      if (!treeRead) {
        treeRead = true;
        tree = PDDocCreateNameTree(doc, ASAtomFromString("Dests"));
        ForEachNameTreePair(Handle(tree.root), [&](QPDFObjectHandle k, QPDFObjectHandle) {
          treeKeys.insert(k.getStringValue());
          return true;
        });
      }
      const std::string k = key.getStringValue();
      if (!treeKeys.insert(k).second) continue;
      PDNameTreePut(tree, FromNewDirect(doc->cos, QPDFObjectHandle::newString(k)), FromHandle(doc->cos, made));
    }
  }
}

// ---- outlines ----------------------------------------------------------------------

void IndexOutlines(PDDoc source, DocDataState& st) {
  if (st.outlinesIndexed) return;
  st.outlinesIndexed = true;
  QPDFObjectHandle root = QOf(source).getRoot().getKey("/Outlines");
  if (!root.isDictionary()) return;
  std::unordered_set<const QPDFObject*> seen{root.getObjectPtr()};
  NamedDests named(source);
  // Depth first, each list of siblings in order.
  struct Frame {
    QPDFObjectHandle next;
    int parent, before, depth;
  };
  std::vector<Frame> stack{{root.getKey("/First"), -1, -1, 0}};
  while (!stack.empty() && st.items.size() < kMaxOutlineItems) {
    Frame f = stack.back();
    stack.pop_back();
    QPDFObjectHandle item = f.next;
    if (!item.isDictionary() || !seen.insert(item.getObjectPtr()).second) continue;
    const int index = (int)st.items.size();
    QPDFObjectHandle page = TargetPage(named, item);
    QPDFObjectHandle count = item.getKey("/Count");
    st.items.push_back({item, f.parent, f.before, page.isInitialized() ? page.getObjGen() : QPDFObjGen(),
                        page.isInitialized(), count.isInteger() && count.getIntValue() < 0, QPDFObjectHandle()});
    if (page.isInitialized()) st.itemsByPage[page.getObjGen()].push_back(index);
    stack.push_back({item.getKey("/Next"), f.parent, index, f.depth});
    if (f.depth < kMaxDepth) stack.push_back({item.getKey("/First"), index, -1, f.depth + 1});
  }
}

QPDFObjectHandle OutlineRoot(PDDoc doc) {
  QPDF& q = QOf(doc);
  QPDFObjectHandle root = q.getRoot().getKey("/Outlines");
  if (root.isDictionary() && root.isIndirect()) return root;
  QPDFObjectHandle fresh = QPDFObjectHandle::newDictionary();
  fresh.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
  fresh = q.makeIndirectObject(fresh);
  q.getRoot().replaceKey("/Outlines", fresh);
  return fresh;
}

// One more item under parent: the visible counts above it grow, up to the
// first closed item (whose negative count grows instead).
void CountNewChild(DocDataState& st, QPDFObjectHandle parent) {
  std::unordered_set<const QPDFObject*> seen;
  for (QPDFObjectHandle node = parent; node.isDictionary() && seen.insert(node.getObjectPtr()).second;
       node = node.getKey("/Parent")) {
    QPDFObjectHandle c = node.getKey("/Count");
    long long n = c.isInteger() ? c.getIntValue() : 0;
    bool closed = n < 0;
    if (n == 0 && node.isIndirect()) {
      auto it = st.itemOfCopy.find(node.getObjGen());
      closed = it != st.itemOfCopy.end() && st.items[(size_t)it->second].closed;
    }
    if (IsName(node.getKey("/Type"), "/Outlines")) closed = false;
    node.replaceKey("/Count", QPDFObjectHandle::newInteger(closed ? n - 1 : n + 1));
    if (closed) return;
  }
}

// Links copy into parent's list after `after` (first when uninitialised).
void LinkItem(QPDFObjectHandle parent, QPDFObjectHandle copy, QPDFObjectHandle after) {
  copy.replaceKey("/Parent", parent);
  QPDFObjectHandle next = after.isInitialized() ? after.getKey("/Next") : parent.getKey("/First");
  if (after.isInitialized()) {
    after.replaceKey("/Next", copy);
    copy.replaceKey("/Prev", after);
  } else {
    parent.replaceKey("/First", copy);
  }
  if (next.isDictionary()) {
    copy.replaceKey("/Next", next);
    next.replaceKey("/Prev", copy);
  } else {
    parent.replaceKey("/Last", copy);
  }
}

void SetItemDest(QPDFObjectHandle copy, QPDFObjectHandle source, QPDFObjectHandle page, ForeignCopier& copier) {
  QPDFObjectHandle dest = source.getKey("/Dest");
  if (!dest.isNull()) {
    copy.replaceKey("/Dest", MapAnyDest(dest, page, copier));
    return;
  }
  QPDFObjectHandle action = source.getKey("/A");
  QPDFObjectHandle a = QPDFObjectHandle::newDictionary();
  a.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
  a.replaceKey("/D", MapAnyDest(action.getKey("/D"), page, copier));
  copy.replaceKey("/A", a);
}

// The copy of item i (made, with its parents, when missing); page is the
// copy its destination shows, when it was copied now.
QPDFObjectHandle EnsureItem(PDDoc doc, DocDataState& st, ForeignCopier& copier, int i, const PageMap& pages,
                            int depth = 0) {
  DocDataState::Item& item = st.items[(size_t)i];
  auto page = item.hasPage ? pages.find(item.page) : pages.end();
  if (item.copy.isInitialized()) {
    if (page != pages.end() && item.copy.getKey("/Dest").isNull() && item.copy.getKey("/A").isNull())
      SetItemDest(item.copy, item.source, page->second, copier);
    return item.copy;
  }
  QPDFObjectHandle parent = item.parent >= 0 && depth < kMaxDepth
                                ? EnsureItem(doc, st, copier, item.parent, pages, depth + 1)
                                : OutlineRoot(doc);
  QPDFObjectHandle made = QPDFObjectHandle::newDictionary();
  QPDFObjectHandle title = item.source.getKey("/Title");
  made.replaceKey("/Title", title.isString() ? title.shallowCopy() : QPDFObjectHandle::newString(""));
  for (const char* key : {"/C", "/F"})
    if (!item.source.getKey(key).isNull()) made.replaceKey(key, copier.Value(item.source.getKey(key)));
  if (page != pages.end()) SetItemDest(made, item.source, page->second, copier);
  made = QOf(doc).makeIndirectObject(made);
  st.items[(size_t)i].copy = made;
  st.itemOfCopy[made.getObjGen()] = i;
  // After the copy of the nearest sibling before it that has one; else
  // before that of the nearest after it; else last (after the document's own).
  const int parentIndex = st.items[(size_t)i].parent;
  QPDFObjectHandle after;
  for (int b = st.items[(size_t)i].before; b >= 0 && !after.isInitialized(); b = st.items[(size_t)b].before)
    after = st.items[(size_t)b].copy;
  if (!after.isInitialized()) {
    QPDFObjectHandle next;
    for (size_t k = (size_t)i + 1; k < st.items.size() && !next.isInitialized(); ++k)
      if (st.items[k].parent == parentIndex && st.items[k].copy.isInitialized()) next = st.items[k].copy;
    if (next.isInitialized()) after = next.getKey("/Prev");
    else after = parent.getKey("/Last");
  }
  if (after.isInitialized() && (!after.isDictionary() || after.getObjGen() == made.getObjGen()))
    after = QPDFObjectHandle();
  LinkItem(parent, made, after);
  CountNewChild(st, parent);
  return made;
}

void CarryOutlines(PDDoc doc, PDDoc source, ForeignCopier& copier, const PageMap& pages) {
  DocDataState& st = StateOf(copier);
  IndexOutlines(source, st);
  if (st.itemsByPage.empty()) return;
  std::vector<int> wanted;
  for (auto& page : pages) {
    auto it = st.itemsByPage.find(page.first);
    if (it != st.itemsByPage.end()) wanted.insert(wanted.end(), it->second.begin(), it->second.end());
  }
  // In source order, so that siblings link up in order.
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  for (int i : wanted) EnsureItem(doc, st, copier, i, pages);
}

// ---- form fields -------------------------------------------------------------------

void CarryFormFields(PDDoc doc, PDDoc source, ForeignCopier& copier, const std::vector<QPDFObjectHandle>& from) {
  QPDFObjectHandle form = QOf(source).getRoot().getKey("/AcroForm");
  if (!form.isDictionary()) return;
  DocDataState& st = StateOf(copier);
  // The widgets of the pages copied now, and every field above them.
  std::vector<QPDFObjectHandle> touched;
  for (QPDFObjectHandle page : from) {
    QPDFObjectHandle annots = page.getKey("/Annots");
    if (!annots.isArray()) continue;
    for (auto& a : annots.aitems()) {
      if (!a.isIndirect() || !a.isDictionary() || !IsName(a.getKey("/Subtype"), "/Widget")) continue;
      if (!st.widgets.insert(a.getObjGen()).second) continue;
      QPDFObjectHandle node = a;
      for (int d = 0; d < kMaxDepth && node.isIndirect() && node.isDictionary(); ++d) {
        touched.push_back(node);
        QPDFObjectHandle up = node.getKey("/Parent");
        if (!up.isIndirect() || !up.isDictionary()) break;
        st.fieldNodes.insert(up.getObjGen());
        node = up;
      }
    }
  }
  if (touched.empty()) return;
  // The copies' kids: only what came along (the copier took every kid).
  std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> copies;
  for (auto& node : touched) copies.emplace_back(node, copier.Value(node));
  copier.Drain();
  ObjSet roots;
  std::vector<QPDFObjectHandle> rootOrder;
  for (auto& [node, copy] : copies) {
    QPDFObjectHandle kids = node.getKey("/Kids");
    if (kids.isArray()) {
      QPDFObjectHandle kept = QPDFObjectHandle::newArray();
      for (auto& k : kids.aitems())
        if (k.isIndirect() && (st.widgets.count(k.getObjGen()) || st.fieldNodes.count(k.getObjGen())))
          kept.appendItem(copier.Value(k));
      copy.replaceKey("/Kids", kept);
    }
    QPDFObjectHandle up = node.getKey("/Parent");
    bool isField = !node.getKey("/T").isNull() || !node.getKey("/FT").isNull() || node.getKey("/Kids").isArray();
    if ((!up.isIndirect() || !up.isDictionary()) && isField && roots.insert(node.getObjGen()).second)
      rootOrder.push_back(copy);
  }
  QPDF& q = QOf(doc);
  QPDFObjectHandle target = q.getRoot().getKey("/AcroForm");
  if (!target.isDictionary()) {
    target = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
    q.getRoot().replaceKey("/AcroForm", target);
  }
  QPDFObjectHandle fields = ArrayAt(target, "/Fields");
  AppendAllOnce(fields, rootOrder);
  // The form's defaults, where the document has none of its own.
  for (const char* key : {"/DA", "/Q"})
    if (target.getKey(key).isNull() && !form.getKey(key).isNull()) target.replaceKey(key, copier.Value(form.getKey(key)));
  QPDFObjectHandle need = form.getKey("/NeedAppearances");
  if (need.isBool() && need.getBoolValue()) target.replaceKey("/NeedAppearances", QPDFObjectHandle::newBool(true));
  QPDFObjectHandle sig = form.getKey("/SigFlags");
  if (sig.isInteger()) {
    QPDFObjectHandle had = target.getKey("/SigFlags");
    target.replaceKey("/SigFlags", QPDFObjectHandle::newInteger(sig.getIntValue() | (had.isInteger() ? had.getIntValue() : 0)));
  }
  QPDFObjectHandle dr = form.getKey("/DR");
  if (dr.isDictionary()) {
    QPDFObjectHandle to = target.getKey("/DR");
    if (!to.isDictionary()) {
      to = QPDFObjectHandle::newDictionary();
      target.replaceKey("/DR", to);
    }
    for (auto& category : dr.ditems()) {
      if (!category.second.isDictionary()) {
        if (to.getKey(category.first).isNull()) to.replaceKey(category.first, copier.Value(category.second));
        continue;
      }
      QPDFObjectHandle into = to.getKey(category.first);
      if (!into.isDictionary()) {
        into = QPDFObjectHandle::newDictionary();
        to.replaceKey(category.first, into);
      }
      for (auto& e : category.second.ditems())
        if (!into.hasKey(e.first)) into.replaceKey(e.first, copier.Value(e.second));
    }
  }
  QPDFObjectHandle order = form.getKey("/CO");
  if (order.isArray()) {
    std::vector<QPDFObjectHandle> calculated;
    for (auto& f : order.aitems())
      if (f.isIndirect() && (st.fieldNodes.count(f.getObjGen()) || st.widgets.count(f.getObjGen())))
        calculated.push_back(copier.Value(f));
    if (!calculated.empty()) AppendAllOnce(ArrayAt(target, "/CO"), calculated);
  }
  copier.Drain();
}

// ---- optional content ----------------------------------------------------------------

// The source's /Order (nested) with only the groups that came along; a
// nested list left with only its label goes.
QPDFObjectHandle FilterOrder(QPDFObjectHandle order, ForeignCopier& copier, const ObjSet& carried, int depth,
                             int* groups) {
  QPDFObjectHandle out = QPDFObjectHandle::newArray();
  *groups = 0;
  if (depth > kMaxDepth) return out;
  for (auto& e : order.aitems()) {
    if (e.isIndirect() && e.isDictionary()) {
      if (!carried.count(e.getObjGen())) continue;
      out.appendItem(copier.Value(e));
      ++*groups;
    } else if (e.isArray()) {
      int inner = 0;
      QPDFObjectHandle sub = FilterOrder(e, copier, carried, depth + 1, &inner);
      if (inner == 0) continue;
      out.appendItem(sub);
      *groups += inner;
    } else if (e.isString()) {
      out.appendItem(e.shallowCopy());
    }
  }
  return out;
}

void CarryOptionalContent(PDDoc doc, PDDoc source, ForeignCopier& copier) {
  QPDFObjectHandle props = QOf(source).getRoot().getKey("/OCProperties");
  if (!props.isDictionary() || !props.getKey("/OCGs").isArray()) return;
  QPDF& q = QOf(doc);
  QPDFObjectHandle target = q.getRoot().getKey("/OCProperties");
  const bool fresh = !target.isDictionary();
  if (fresh) {
    target = q.makeIndirectObject(QPDFObjectHandle::newDictionary());
    q.getRoot().replaceKey("/OCProperties", target);
  }
  QPDFObjectHandle groups = ArrayAt(target, "/OCGs");
  // The groups the copied pages use (the copier met them), not yet here.
  ObjSet carried;
  std::vector<QPDFObjectHandle> added;
  for (auto& g : props.getKey("/OCGs").aitems()) {
    if (!g.isIndirect()) continue;
    QPDFObjectHandle copy = copier.Earlier(g);
    if (!copy.isInitialized()) continue;
    carried.insert(g.getObjGen());
    if (!Holds(groups, copy)) added.push_back(g);
  }
  if (added.empty()) {
    if (fresh && carried.empty()) q.getRoot().removeKey("/OCProperties");
    return;
  }
  QPDFObjectHandle d = target.getKey("/D");
  if (!d.isDictionary()) {
    d = QPDFObjectHandle::newDictionary();
    target.replaceKey("/D", d);
  }
  QPDFObjectHandle from = props.getKey("/D");
  if (!from.isDictionary()) from = QPDFObjectHandle::newDictionary();
  auto listed = [&](const char* key) {
    ObjSet s;
    QPDFObjectHandle a = from.getKey(key);
    if (a.isArray())
      for (auto& e : a.aitems())
        if (e.isIndirect()) s.insert(e.getObjGen());
    return s;
  };
  const ObjSet on = listed("/ON"), off = listed("/OFF"), locked = listed("/Locked");
  const bool fromOff = IsName(from.getKey("/BaseState"), "/OFF");
  const bool toOff = IsName(d.getKey("/BaseState"), "/OFF");
  ObjSet addedSet;
  for (auto& g : added) {
    addedSet.insert(g.getObjGen());
    QPDFObjectHandle copy = copier.Value(g);
    groups.appendItem(copy);
    // Each group shows as it did in the source, whatever the base states.
    const bool hidden = off.count(g.getObjGen()) || (fromOff && !on.count(g.getObjGen()));
    if (hidden && !toOff) AppendOnce(ArrayAt(d, "/OFF"), copy);
    if (!hidden && toOff) AppendOnce(ArrayAt(d, "/ON"), copy);
    if (locked.count(g.getObjGen())) AppendOnce(ArrayAt(d, "/Locked"), copy);
  }
  int n = 0;
  QPDFObjectHandle order = from.getKey("/Order");
  if (order.isArray()) {
    QPDFObjectHandle kept = FilterOrder(order, copier, addedSet, 0, &n);
    if (n > 0) {
      QPDFObjectHandle to = ArrayAt(d, "/Order");
      for (auto& e : kept.aitems()) to.appendItem(e);
    }
  }
  QPDFObjectHandle rb = from.getKey("/RBGroups");
  if (rb.isArray()) {
    for (auto& set : rb.aitems()) {
      if (!set.isArray()) continue;
      QPDFObjectHandle kept = FilterOrder(set, copier, addedSet, 0, &n);
      if (n > 0) ArrayAt(d, "/RBGroups").appendItem(kept);
    }
  }
  if (fresh) {
    for (const char* key : {"/Name", "/Creator", "/Intent", "/ListMode"})
      if (!from.getKey(key).isNull()) d.replaceKey(key, copier.Value(from.getKey(key)));
    // Usage rules, for the groups that came along.
    QPDFObjectHandle as = from.getKey("/AS");
    if (as.isArray()) {
      for (auto& rule : as.aitems()) {
        if (!rule.isDictionary() || !rule.getKey("/OCGs").isArray()) continue;
        QPDFObjectHandle kept = FilterOrder(rule.getKey("/OCGs"), copier, addedSet, 0, &n);
        if (n == 0) continue;
        QPDFObjectHandle r = QPDFObjectHandle::newDictionary();
        for (auto& e : rule.ditems()) r.replaceKey(e.first, e.first == "/OCGs" ? kept : copier.Value(e.second));
        ArrayAt(d, "/AS").appendItem(r);
      }
    }
  }
  copier.Drain();
}

// ---- pruning ---------------------------------------------------------------------------

// Takes the widgets in gone out of the field tree under node; true when the
// node is left with nothing (and so goes too).
bool PruneField(QPDFObjectHandle node, const ObjSet& gone, int depth) {
  if (node.isIndirect() && gone.count(node.getObjGen())) return true;
  QPDFObjectHandle kids = node.getKey("/Kids");
  if (!kids.isArray() || kids.getArrayNItems() == 0 || depth > kMaxDepth) return false;
  QPDFObjectHandle kept = QPDFObjectHandle::newArray();
  for (auto& k : kids.aitems())
    if (!k.isDictionary() || !PruneField(k, gone, depth + 1)) kept.appendItem(k);
  if (kept.getArrayNItems() == kids.getArrayNItems()) return false;
  node.replaceKey("/Kids", kept);
  return kept.getArrayNItems() == 0;
}

void PruneFields(PDDoc doc, const ObjSet& pages) {
  QPDF& q = QOf(doc);
  QPDFObjectHandle form = q.getRoot().getKey("/AcroForm");
  if (!form.isDictionary() || !form.getKey("/Fields").isArray()) return;
  ObjSet gone;
  for (const QPDFObjGen& og : pages) {
    QPDFObjectHandle annots = q.getObject(og).getKey("/Annots");
    if (!annots.isArray()) continue;
    for (auto& a : annots.aitems())
      if (a.isIndirect() && a.isDictionary() && IsName(a.getKey("/Subtype"), "/Widget")) gone.insert(a.getObjGen());
  }
  if (gone.empty()) return;
  QPDFObjectHandle fields = form.getKey("/Fields");
  QPDFObjectHandle kept = QPDFObjectHandle::newArray();
  for (auto& f : fields.aitems())
    if (!f.isDictionary() || !PruneField(f, gone, 0)) kept.appendItem(f);
  form.replaceKey("/Fields", kept);
  QPDFObjectHandle order = form.getKey("/CO");
  if (order.isArray()) {
    QPDFObjectHandle co = QPDFObjectHandle::newArray();
    for (auto& f : order.aitems())
      if (!f.isIndirect() || !gone.count(f.getObjGen())) co.appendItem(f);
    form.replaceKey("/CO", co);
  }
  // A form without fields is none (an XFA form keeps its own data).
  if (kept.getArrayNItems() == 0 && form.getKey("/XFA").isNull()) q.getRoot().removeKey("/AcroForm");
}

void PruneNamedDests(PDDoc doc, const ObjSet& pages) {
  QPDFObjectHandle root = QOf(doc).getRoot();
  auto shows = [&](QPDFObjectHandle dest) {
    QPDFObjectHandle a = DestArray(dest);
    QPDFObjectHandle page = a.isInitialized() ? a.getArrayItem(0) : Null();
    return page.isIndirect() && pages.count(page.getObjGen());
  };
  QPDFObjectHandle dests = root.getKey("/Dests");
  if (dests.isDictionary()) {
    std::vector<std::string> drop;
    for (auto& e : dests.ditems())
      if (shows(e.second)) drop.push_back(e.first);
    for (auto& k : drop) dests.removeKey(k);
  }
  PDNameTree tree = PDDocGetNameTree(doc, ASAtomFromString("Dests"));
  if (!PDNameTreeIsValid(tree)) return;
  // In one walk: a removal by name for each of many names would search the
  // tree from its root every time.
  if (RemoveNameTreePairs(Handle(tree.root), [&](QPDFObjectHandle, QPDFObjectHandle v) { return shows(v); }))
    MarkDirty(doc->cos);
}

// Items whose destination was on a deleted page lose it; items left with
// neither a destination nor an action nor children go. Returns the visible
// count of the list kept.
long long PruneOutlineList(NamedDests& names, QPDFObjectHandle parent, const ObjSet& pages, int depth,
                           std::unordered_set<const QPDFObject*>& seen) {
  std::vector<QPDFObjectHandle> kept;
  std::vector<long long> counts;
  for (QPDFObjectHandle item = parent.getKey("/First"); item.isDictionary(); item = item.getKey("/Next")) {
    if (!seen.insert(item.getObjectPtr()).second || seen.size() > kMaxOutlineItems) break;
    long long below = depth < kMaxDepth ? PruneOutlineList(names, item, pages, depth + 1, seen) : 0;
    QPDFObjectHandle page = TargetPage(names, item);
    if (page.isInitialized() && pages.count(page.getObjGen())) {
      item.removeKey("/Dest");
      item.removeKey("/A");
    }
    const bool empty = item.getKey("/First").isNull();
    if (empty && item.getKey("/Dest").isNull() && item.getKey("/A").isNull()) continue;
    kept.push_back(item);
    QPDFObjectHandle c = item.getKey("/Count");
    counts.push_back(c.isInteger() && c.getIntValue() < 0 ? 0 : below);
    if (!empty) item.replaceKey("/Count", QPDFObjectHandle::newInteger(c.isInteger() && c.getIntValue() < 0 ? -below : below));
  }
  long long visible = 0;
  for (size_t i = 0; i < kept.size(); ++i) {
    visible += 1 + counts[i];
    if (i > 0) kept[i].replaceKey("/Prev", kept[i - 1]);
    else kept[i].removeKey("/Prev");
    if (i + 1 < kept.size()) kept[i].replaceKey("/Next", kept[i + 1]);
    else kept[i].removeKey("/Next");
  }
  if (kept.empty()) {
    parent.removeKey("/First");
    parent.removeKey("/Last");
    parent.removeKey("/Count");
  } else {
    parent.replaceKey("/First", kept.front());
    parent.replaceKey("/Last", kept.back());
  }
  return visible;
}

void PruneOutlines(PDDoc doc, const ObjSet& pages) {
  QPDFObjectHandle root = QOf(doc).getRoot().getKey("/Outlines");
  if (!root.isDictionary() || !root.getKey("/First").isDictionary()) return;
  std::unordered_set<const QPDFObject*> seen{root.getObjectPtr()};
  NamedDests names(doc);
  long long visible = PruneOutlineList(names, root, pages, 0, seen);
  if (root.getKey("/First").isNull()) QOf(doc).getRoot().removeKey("/Outlines");
  else root.replaceKey("/Count", QPDFObjectHandle::newInteger(visible));
}

}  // namespace

namespace hostpdf {

void CarryDocumentData(PDDoc doc, PDDoc source, ForeignCopier& copier, const std::vector<QPDFObjectHandle>& from,
                       const std::vector<QPDFObjectHandle>& copies, ASUns16 flags) {
  if (doc == source) return;  // the document's own data are there already
  const bool all = (flags & PDInsertAll) != 0;
  if (!all && !(flags & PDInsertBookmarks)) return;
  PageMap pages;
  for (size_t i = 0; i < from.size() && i < copies.size(); ++i) pages.emplace(from[i].getObjGen(), copies[i]);
  if (all) {
    CarryFormFields(doc, source, copier, from);
    CarryOptionalContent(doc, source, copier);
    CarryNamedDests(doc, source, copier, pages);
  }
  CarryOutlines(doc, source, copier, pages);
  copier.Drain();
  MarkDirty(doc->cos);
}

void CarryCollection(PDDoc doc, PDDoc source, ForeignCopier& copier) {
  QPDFObjectHandle from = QOf(source).getRoot();
  QPDFObjectHandle collection = from.getKey("/Collection");
  QPDF& q = QOf(doc);
  if (!collection.isDictionary() || !q.getRoot().getKey("/Collection").isNull()) return;
  // A collection presents the document's embedded files: without them it
  // would present nothing, and hide the pages.
  QPDFObjectHandle names = from.getKey("/Names");
  QPDFObjectHandle files = names.isDictionary() ? names.getKey("/EmbeddedFiles") : Null();
  if (files.isDictionary()) {
    PDNameTree tree = PDDocCreateNameTree(doc, ASAtomFromString("EmbeddedFiles"));
    std::unordered_set<std::string> had;
    ForEachNameTreePair(Handle(tree.root), [&](QPDFObjectHandle k, QPDFObjectHandle) {
      had.insert(k.getStringValue());
      return true;
    });
    ForEachNameTreePair(files, [&](QPDFObjectHandle k, QPDFObjectHandle v) {
      if (!had.insert(k.getStringValue()).second) return true;  // the document's own file of that name stays
      PDNameTreePut(tree, FromNewDirect(doc->cos, QPDFObjectHandle::newString(k.getStringValue())),
                    FromHandle(doc->cos, copier.Value(v)));
      return true;
    });
  }
  q.getRoot().replaceKey("/Collection", copier.Value(collection));
  copier.Drain();
  MarkDirty(doc->cos);
}

void PruneDocumentDataOfPages(PDDoc doc, const std::vector<QPDFObjGen>& pages) {
  if (pages.empty()) return;
  ObjSet gone(pages.begin(), pages.end());
  PruneFields(doc, gone);
  PruneOutlines(doc, gone);  // before the names its items may use go
  PruneNamedDests(doc, gone);
}

}  // namespace hostpdf
