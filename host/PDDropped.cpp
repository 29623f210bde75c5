// Pages a deletion took out of the tree. Their objects stay in qpdf's
// document, and the writer saves whatever is still reachable: a link on a
// kept page to a deleted one, an outline item, a named destination, a
// structure element, a field's widget, a bead would each carry the whole
// page (its contents, its annotations) into the file, outside the page tree.
//
// The work is done once for many deletions, not once for each: runs delete
// pages one at a time from documents of 100,000 pages. A deletion records
// the pages; settling prunes what belonged to them (fields, outline
// destinations, named destinations, structure) before anything reads those
// (a copy of pages out of or into the document, a save); severing, before a
// save, takes out every reference still left to them or their annotations,
// the known ones as their kind wants (a link loses its destination, a GoTo
// leaves its action chain, a bead its thread, an open action goes) and then
// any other by a walk over everything the file would hold.
#include <functional>
#include <unordered_set>

#include "host/PDPriv.h"

namespace hostpdf {
namespace {

using GenSet = std::unordered_set<QPDFObjGen, QPDFObjHash>;

constexpr int kMaxChain = 64;

bool IsName(QPDFObjectHandle h, const char* name) { return h.isName() && h.getName() == name; }

bool In(const GenSet& set, QPDFObjectHandle h) { return h.isIndirect() && set.count(h.getObjGen()) > 0; }

// The pages deleted that are still out of the tree; pages put back are no
// longer dropped.
std::vector<QPDFObjGen> StillOut(PDDoc doc, const std::vector<QPDFObjGen>& pages) {
  EnsureIndex(doc);
  std::vector<QPDFObjGen> out;
  GenSet seen;
  for (const QPDFObjGen& og : pages)
    if (!doc->pageIndex.count(og) && seen.insert(og).second) out.push_back(og);
  return out;
}

// Whether an explicit destination (an array, or a dictionary's /D) shows a dropped page.
bool ShowsDropped(QPDFObjectHandle dest, const GenSet& pages) {
  if (dest.isDictionary()) dest = dest.getKey("/D");
  return dest.isArray() && dest.getArrayNItems() > 0 && In(pages, dest.getArrayItem(0));
}

// An action (a dictionary, or an array of them) without the GoTo actions to
// dropped pages, their /Next chains kept: null when nothing is left.
QPDFObjectHandle CutActions(QPDFObjectHandle action, const GenSet& pages, int depth) {
  if (depth > kMaxChain) return action;
  if (action.isArray()) {
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    bool changed = false;
    for (auto& a : action.aitems()) {
      QPDFObjectHandle c = CutActions(a, pages, depth + 1);
      changed |= c.isNull() || c.getObjectPtr() != a.getObjectPtr();
      if (!c.isNull()) kept.appendItem(c);
    }
    if (!changed) return action;
    if (kept.getArrayNItems() == 0) return QPDFObjectHandle::newNull();
    return kept.getArrayNItems() == 1 ? kept.getArrayItem(0) : kept;
  }
  if (!action.isDictionary()) return action;
  QPDFObjectHandle next = action.getKey("/Next");
  QPDFObjectHandle rest = next.isNull() ? next : CutActions(next, pages, depth + 1);
  const bool goes = IsName(action.getKey("/S"), "/GoTo") && ShowsDropped(action.getKey("/D"), pages);
  if (goes) return rest;
  if (!next.isNull()) {
    if (rest.isNull()) action.removeKey("/Next");
    else if (rest.getObjectPtr() != next.getObjectPtr()) action.replaceKey("/Next", rest);
  }
  return action;
}

// holder's action under key without the GoTo actions to dropped pages.
void CutActionKey(QPDFObjectHandle holder, const char* key, const GenSet& pages) {
  QPDFObjectHandle a = holder.getKey(key);
  if (a.isNull()) return;
  QPDFObjectHandle kept = CutActions(a, pages, 0);
  if (kept.isNull()) holder.removeKey(key);
  else if (kept.getObjectPtr() != a.getObjectPtr()) holder.replaceKey(key, kept);
}

// The actions of an additional-actions dictionary (/AA), each cut.
void CutAdditionalActions(QPDFObjectHandle holder, const GenSet& pages) {
  QPDFObjectHandle aa = holder.getKey("/AA");
  if (!aa.isDictionary()) return;
  std::vector<std::string> keys;
  for (auto& e : aa.ditems()) keys.push_back(e.first);
  for (const std::string& k : keys) CutActionKey(aa, k.c_str(), pages);
}

// A link, widget or other annotation of a kept page: its destination and
// actions lose the dropped pages.
void SeverAnnotation(QPDFObjectHandle a, const GenSet& pages) {
  if (ShowsDropped(a.getKey("/Dest"), pages)) a.removeKey("/Dest");
  CutActionKey(a, "/A", pages);
  CutAdditionalActions(a, pages);
}

// Outline items keep their titles; a GoTo in an item's /Next chain to a
// dropped page leaves the chain (an item's own destination went when the
// pages were settled).
void SeverOutlines(QPDFObjectHandle catalog, const GenSet& pages) {
  QPDFObjectHandle root = catalog.getKey("/Outlines");
  if (!root.isDictionary()) return;
  std::unordered_set<const QPDFObject*> seen{root.getObjectPtr()};
  std::vector<QPDFObjectHandle> todo{root.getKey("/First")};
  while (!todo.empty()) {
    QPDFObjectHandle item = todo.back();
    todo.pop_back();
    if (!item.isDictionary() || !seen.insert(item.getObjectPtr()).second) continue;
    if (ShowsDropped(item.getKey("/Dest"), pages)) item.removeKey("/Dest");
    CutActionKey(item, "/A", pages);
    todo.push_back(item.getKey("/Next"));
    todo.push_back(item.getKey("/First"));
  }
}

// Threads lose the beads of dropped pages; a thread left without beads goes.
void SeverThreads(QPDFObjectHandle catalog, const GenSet& pages) {
  QPDFObjectHandle threads = catalog.getKey("/Threads");
  if (!threads.isArray()) return;
  QPDFObjectHandle keptThreads = QPDFObjectHandle::newArray();
  bool changed = false;
  for (auto& t : threads.aitems()) {
    if (!t.isDictionary()) {
      keptThreads.appendItem(t);
      continue;
    }
    std::vector<QPDFObjectHandle> beads;
    std::unordered_set<const QPDFObject*> seen;
    bool cut = false;
    for (QPDFObjectHandle b = t.getKey("/F"); b.isDictionary() && seen.insert(b.getObjectPtr()).second;
         b = b.getKey("/N")) {
      if (In(pages, b.getKey("/P"))) cut = true;
      else beads.push_back(b);
    }
    if (!cut) {
      keptThreads.appendItem(t);
      continue;
    }
    changed = true;
    if (beads.empty()) continue;
    for (size_t i = 0; i < beads.size(); ++i) {
      beads[i].replaceKey("/N", beads[(i + 1) % beads.size()]);
      beads[i].replaceKey("/V", beads[(i + beads.size() - 1) % beads.size()]);
      beads[i].replaceKey("/T", t);
    }
    t.replaceKey("/F", beads.front());
    keptThreads.appendItem(t);
  }
  if (!changed) return;
  if (keptThreads.getArrayNItems() == 0) catalog.removeKey("/Threads");
  else catalog.replaceKey("/Threads", keptThreads);
}

// The last word: whatever the file would hold that still refers to one of
// gone loses the reference (a dictionary its key, an array holds null
// there). Nothing is entered through gone.
void SeverEverything(QPDF& q, const GenSet& gone) {
  std::unordered_set<const QPDFObject*> seen;
  std::vector<QPDFObjectHandle> todo{q.getTrailer()};
  while (!todo.empty()) {
    QPDFObjectHandle o = todo.back();
    todo.pop_back();
    if (o.isIndirect() && (gone.count(o.getObjGen()) || !seen.insert(o.getObjectPtr()).second)) continue;
    QPDFObjectHandle v = o.isStream() ? o.getDict() : o;
    if (v.isDictionary()) {
      std::vector<std::string> cut;
      for (auto& e : v.ditems()) {
        if (In(gone, e.second)) cut.push_back(e.first);
        else if (e.second.isIndirect() || e.second.isArray() || e.second.isDictionary()) todo.push_back(e.second);
      }
      for (const std::string& k : cut) v.removeKey(k);
    } else if (v.isArray()) {
      const int n = v.getArrayNItems();
      for (int i = 0; i < n; ++i) {
        QPDFObjectHandle item = v.getArrayItem(i);
        if (In(gone, item)) v.setArrayItem(i, QPDFObjectHandle::newNull());
        else if (item.isIndirect() || item.isArray() || item.isDictionary()) todo.push_back(item);
      }
    }
  }
}

}  // namespace

void SettleDeletedPages(PDDoc doc) {
  if (doc->unpruned.empty()) return;
  std::vector<QPDFObjGen> pages = StillOut(doc, doc->unpruned);
  doc->unpruned.clear();
  if (pages.empty()) return;
  PruneStructureOfPages(doc, pages);
  PruneDocumentDataOfPages(doc, pages);
}

void SeverDroppedPages(PDDoc doc) {
  SettleDeletedPages(doc);
  if (doc->dropped.empty()) return;
  std::vector<QPDFObjGen> out = StillOut(doc, std::vector<QPDFObjGen>(doc->dropped.begin(), doc->dropped.end()));
  doc->dropped = GenSet(out.begin(), out.end());
  if (out.empty()) return;
  QPDF& q = QOf(doc);
  const GenSet pages(out.begin(), out.end());
  // The dropped pages' annotations, but those a page of the tree shows too.
  GenSet annots;
  for (const QPDFObjGen& og : out) {
    QPDFObjectHandle list = q.getObject(og).getKey("/Annots");
    if (list.isArray())
      for (auto& a : list.aitems())
        if (a.isIndirect() && a.isDictionary()) annots.insert(a.getObjGen());
  }
  for (const QPDFObjGen& og : doc->pages) {
    QPDFObjectHandle page = q.getObject(og);
    QPDFObjectHandle list = page.getKey("/Annots");
    if (list.isArray())
      for (auto& a : list.aitems()) {
        if (!a.isDictionary()) continue;
        if (a.isIndirect()) annots.erase(a.getObjGen());
        SeverAnnotation(a, pages);
      }
    CutAdditionalActions(page, pages);
  }
  QPDFObjectHandle catalog = q.getRoot();
  QPDFObjectHandle open = catalog.getKey("/OpenAction");
  if (open.isArray()) {
    if (ShowsDropped(open, pages)) catalog.removeKey("/OpenAction");
  } else {
    CutActionKey(catalog, "/OpenAction", pages);
  }
  CutAdditionalActions(catalog, pages);
  SeverOutlines(catalog, pages);
  SeverThreads(catalog, pages);
  GenSet gone = pages;
  gone.insert(annots.begin(), annots.end());
  SeverEverything(q, gone);
  MarkDirty(doc->cos);
}

}  // namespace hostpdf
