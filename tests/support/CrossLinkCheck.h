// What a saved document made of some pages of a cross-linked document
// (fixtures/LinkFixtures.h) keeps of the pages it left out, read with qpdf:
// page objects outside the page tree, anything that points at one, and
// whether every link, outline item, named destination, field, bead and
// structure element of the pages it kept still finds its page.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fixtures/LinkFixtures.h"

namespace kvtest {

struct SCrossLinks {
  std::vector<int> labels;  // the "Page N" of each page of the tree, in order
  int outside = 0;          // page objects the file holds outside the page tree
  // What is wrong, "" when nothing is.
  std::string problems;
  // What of the kept pages' references is there (each checked to find its page).
  int links = 0, names = 0, catalogNames = 0, items = 0, fields = 0, widgets = 0, elements = 0, ids = 0, beads = 0;
  bool openAction = false, tagged = false;
};

namespace crosslinks {

using H = QPDFObjectHandle;
using Gen = QPDFObjGen;

inline std::string Where(H h) { return h.isIndirect() ? "object " + std::to_string(h.getObjectID()) : "a direct value"; }

inline bool IsPage(H h) { return h.isDictionary() && h.getKey("/Type").isName() && h.getKey("/Type").getName() == "/Page"; }

inline std::string Contents(H page) {
  std::string text;
  auto add = [&](H s) {
    if (!s.isStream()) return;
    auto data = s.getStreamData(qpdf_dl_generalized);
    text.append(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
  };
  H c = page.getKey("/Contents");
  if (c.isArray())
    for (auto& s : c.aitems()) add(s);
  else add(c);
  return text;
}

// The N of the page's "Page N"; 0 for a page that shows none, or several (a
// page a command made of others).
inline int LabelOf(H page) {
  std::string text = Contents(page);
  size_t at = text.find("(Page ");
  if (at == std::string::npos || text.find("(Page ", at + 1) != std::string::npos) return 0;
  return std::atoi(text.c_str() + at + 6);
}

inline std::string Name6(const char* prefix, int n) {
  char t[32];
  std::snprintf(t, sizeof t, "%s%06d", prefix, n);
  return t;
}

}  // namespace crosslinks

// pages: the page count of the cross-linked source.
inline SCrossLinks ReadCrossLinks(const std::string& path, int pages) {
  using namespace crosslinks;
  SCrossLinks r;
  QPDF q;
  q.setSuppressWarnings(true);
  q.processFile(path.c_str());
  auto problem = [&](const std::string& what) {
    if (r.problems.size() < 4000) r.problems += what + "; ";
  };

  // The page tree as it is, walked by hand.
  std::map<Gen, int> labelOf;
  std::set<int> kept;
  std::set<Gen> nodes;
  std::vector<H> stack{q.getRoot().getKey("/Pages")};
  std::vector<H> order;
  while (!stack.empty()) {
    H node = stack.back();
    stack.pop_back();
    if (!node.isDictionary() || (node.isIndirect() && !nodes.insert(node.getObjGen()).second)) continue;
    H kids = node.getKey("/Kids");
    if (kids.isArray()) {
      for (int i = kids.getArrayNItems() - 1; i >= 0; --i) stack.push_back(kids.getArrayItem(i));
      continue;
    }
    order.push_back(node);
  }
  std::set<Gen> treeAnnots;
  for (H page : order) {
    const int label = LabelOf(page);
    r.labels.push_back(label);
    labelOf[page.getObjGen()] = label;
    if (label > 0) kept.insert(label);
    H annots = page.getKey("/Annots");
    for (int i = 0; annots.isArray() && i < annots.getArrayNItems(); ++i)
      if (annots.getArrayItem(i).isIndirect()) treeAnnots.insert(annots.getArrayItem(i).getObjGen());
  }
  auto inTree = [&](H page) { return page.isIndirect() && labelOf.count(page.getObjGen()) > 0; };
  auto label = [&](H page) { return inTree(page) ? labelOf[page.getObjGen()] : 0; };

  // Page objects outside the tree, and whatever points at one.
  std::set<Gen> outside;
  for (H o : q.getAllObjects())
    if (IsPage(o) && !labelOf.count(o.getObjGen())) outside.insert(o.getObjGen());
  r.outside = (int)outside.size();
  if (!outside.empty()) problem(std::to_string(outside.size()) + " page objects outside the page tree");
  for (H o : q.getAllObjects()) {
    std::vector<H> values{o.isStream() ? o.getDict() : o};
    while (!values.empty()) {
      H v = values.back();
      values.pop_back();
      auto look = [&](H item) {
        if (item.isIndirect()) {
          if (outside.count(item.getObjGen()))
            problem(Where(o) + " points at page object " + std::to_string(item.getObjectID()) + " outside the tree");
        } else if (item.isArray() || item.isDictionary()) {
          values.push_back(item);
        }
      };
      if (v.isArray())
        for (auto& item : v.aitems()) look(item);
      else if (v.isDictionary())
        for (auto& item : v.ditems()) look(item.second);
    }
  }

  // Named destinations.
  std::map<std::string, H> treeNames;
  H namesDict = q.getRoot().getKey("/Names");
  std::vector<H> nameNodes{namesDict.isDictionary() ? namesDict.getKey("/Dests") : H::newNull()};
  std::set<Gen> seenNodes;
  while (!nameNodes.empty()) {
    H n = nameNodes.back();
    nameNodes.pop_back();
    if (!n.isDictionary() || (n.isIndirect() && !seenNodes.insert(n.getObjGen()).second)) continue;
    H names = n.getKey("/Names");
    for (int i = 0; names.isArray() && i + 1 < names.getArrayNItems(); i += 2)
      if (names.getArrayItem(i).isString()) treeNames[names.getArrayItem(i).getStringValue()] = names.getArrayItem(i + 1);
    H kids = n.getKey("/Kids");
    for (int i = 0; kids.isArray() && i < kids.getArrayNItems(); ++i) nameNodes.push_back(kids.getArrayItem(i));
  }
  H catalogDests = q.getRoot().getKey("/Dests");
  auto destPage = [](H dest) {
    if (dest.isDictionary()) dest = dest.getKey("/D");
    return dest.isArray() && dest.getArrayNItems() > 0 ? dest.getArrayItem(0) : H::newNull();
  };
  auto resolve = [&](H dest) -> H {
    for (int hop = 0; hop < 4; ++hop) {
      if (dest.isString()) {
        auto it = treeNames.find(dest.getStringValue());
        dest = it == treeNames.end() ? H::newNull() : it->second;
      } else if (dest.isName()) {
        dest = catalogDests.isDictionary() ? catalogDests.getKey(dest.getName()) : H::newNull();
      }
    }
    return destPage(dest);
  };
  // Every destination that names anything names a page of the tree.
  auto sound = [&](H dest, const std::string& what) {
    H page = destPage(dest);
    if (!page.isNull() && !inTree(page)) problem(what + " shows something that is no page of the document");
  };
  for (auto& [key, value] : treeNames) {
    sound(value, "the name " + key);
    const int n = std::atoi(key.c_str() + 2);
    if (!kept.count(n)) problem("the name " + key + " of a page left out is there");
    else if (label(destPage(value)) != n) problem("the name " + key + " does not show page " + std::to_string(n));
    else ++r.names;
  }
  if (catalogDests.isDictionary())
    for (auto& [key, value] : catalogDests.ditems()) {
      sound(value, "the name " + key);
      const int n = std::atoi(key.c_str() + 2);
      if (!kept.count(n)) problem("the name " + key + " of a page left out is there");
      else if (label(destPage(value)) != n) problem("the name " + key + " does not show page " + std::to_string(n));
      else ++r.catalogNames;
    }

  // The GoTo targets of an action and its /Next chain, in order.
  std::function<void(H, std::vector<int>&, int)> chain = [&](H action, std::vector<int>& out, int depth) {
    if (depth > 20) return;
    if (action.isArray()) {
      for (auto& a : action.aitems()) chain(a, out, depth + 1);
      return;
    }
    if (!action.isDictionary()) return;
    if (action.getKey("/S").isName() && action.getKey("/S").getName() == "/GoTo") {
      sound(action.getKey("/D"), "a GoTo action");
      H page = resolve(action.getKey("/D"));
      if (!page.isNull()) out.push_back(label(page));
    }
    chain(action.getKey("/Next"), out, depth + 1);
  };

  // The links of the kept pages.
  for (H page : order) {
    const int i = label(page) - 1;
    if (i < 0) continue;
    std::set<std::string> found;
    H annots = page.getKey("/Annots");
    for (int k = 0; annots.isArray() && k < annots.getArrayNItems(); ++k) {
      H a = annots.getArrayItem(k);
      H nm = a.getKey("/NM");
      if (!a.getKey("/P").isNull() && !inTree(a.getKey("/P"))) problem(Where(a) + "'s /P is no page of the document");
      if (!nm.isString() || nm.getStringValue()[0] != 'L') continue;
      const int kind = nm.getStringValue()[1] - '0';
      found.insert(nm.getStringValue());
      auto expect = [&](int target) { return kept.count(target + 1) ? target + 1 : 0; };
      std::vector<int> got, want;
      H dest = a.getKey("/Dest");
      if (!dest.isNull()) {
        sound(dest, nm.getStringValue());
        H p = resolve(dest);
        if (!p.isNull()) got.push_back(label(p));
      }
      chain(a.getKey("/A"), got, 0);
      if (kind == 2) {
        for (int t : {kvfix::CrossTarget(2, i, pages), kvfix::CrossTarget(3, i, pages)})
          if (expect(t)) want.push_back(t + 1);
      } else {
        const int t = kvfix::CrossTarget(kind == 1 ? 1 : kind == 3 ? 4 : 5, i, pages);
        if (expect(t)) want.push_back(t + 1);
      }
      if (got != want) {
        std::string g, w;
        for (int v : got) g += " " + std::to_string(v);
        for (int v : want) w += " " + std::to_string(v);
        problem(nm.getStringValue() + " shows pages" + g + ", not" + w);
      } else {
        r.links += (int)got.size();
      }
    }
    for (int kind = 1; kind <= 4; ++kind)
      if (!found.count("L" + std::to_string(kind) + "-" + std::to_string(i + 1)))
        problem("page " + std::to_string(i + 1) + " lost its link L" + std::to_string(kind));
  }

  // The outline.
  H outlines = q.getRoot().getKey("/Outlines");
  std::vector<H> items{outlines.isDictionary() ? outlines.getKey("/First") : H::newNull()};
  std::set<Gen> seenItems;
  while (!items.empty()) {
    H item = items.back();
    items.pop_back();
    if (!item.isDictionary() || !seenItems.insert(item.getObjGen()).second) continue;
    items.push_back(item.getKey("/Next"));
    items.push_back(item.getKey("/First"));
    std::vector<int> got;
    if (!item.getKey("/Dest").isNull()) {
      sound(item.getKey("/Dest"), "an outline item");
      H p = resolve(item.getKey("/Dest"));
      if (!p.isNull()) got.push_back(label(p));
    }
    chain(item.getKey("/A"), got, 0);
    const std::string title = item.getKey("/Title").isString() ? item.getKey("/Title").getStringValue() : "";
    if (title.rfind("Page ", 0) != 0) continue;
    const int n = std::atoi(title.c_str() + 5);
    std::vector<int> want;
    if (kept.count(n)) want.push_back(n);
    if (got != want) problem("the outline item " + title + " shows " + (got.empty() ? "nothing" : std::to_string(got[0])));
    else if (!got.empty()) ++r.items;
  }

  // The open action.
  H open = q.getRoot().getKey("/OpenAction");
  if (!open.isNull()) {
    std::vector<int> got;
    if (open.isArray()) {
      sound(open, "the open action");
      if (inTree(destPage(open))) got.push_back(label(destPage(open)));
    } else {
      chain(open, got, 0);
    }
    if (got.empty()) problem("an open action that shows nothing");
    r.openAction = !got.empty();
  }

  // Fields: every widget on a page of the document, every field of a kept page there.
  H form = q.getRoot().getKey("/AcroForm");
  std::vector<H> fields;
  if (form.isDictionary() && form.getKey("/Fields").isArray())
    for (auto& f : form.getKey("/Fields").aitems()) fields.push_back(f);
  std::set<std::string> fieldNames;
  for (H f : fields) {
    const std::string name = f.getKey("/T").isString() ? f.getKey("/T").getStringValue() : "";
    fieldNames.insert(name);
    std::vector<H> widgets;
    if (f.getKey("/Kids").isArray())
      for (auto& w : f.getKey("/Kids").aitems()) widgets.push_back(w);
    else widgets.push_back(f);
    if (widgets.empty()) problem("the field " + name + " has no widget");
    for (H w : widgets) {
      if (!w.isIndirect() || !treeAnnots.count(w.getObjGen())) problem("a widget of the field " + name + " is on no page");
      else ++r.widgets;
    }
    ++r.fields;
  }
  if (form.isDictionary())
    for (int n : kept)
      if (n > 0 && !fieldNames.count("f" + std::to_string(n))) problem("the field f" + std::to_string(n) + " is missing");

  // Beads: every one on a page of the document.
  H threads = q.getRoot().getKey("/Threads");
  for (int t = 0; threads.isArray() && t < threads.getArrayNItems(); ++t) {
    H first = threads.getArrayItem(t).getKey("/F");
    std::set<Gen> seenBeads;
    for (H b = first; b.isDictionary() && seenBeads.insert(b.getObjGen()).second; b = b.getKey("/N")) {
      if (!inTree(b.getKey("/P"))) problem("a bead of the thread is on no page of the document");
      else ++r.beads;
    }
  }

  // Tags: every page an element names is in the tree, every object one
  // references is on a page, the P elements are those of the kept pages, and
  // the parent tree and the IDTree hold only elements of the tree.
  H structRoot = q.getRoot().getKey("/StructTreeRoot");
  r.tagged = structRoot.isDictionary();
  std::set<Gen> elements;
  std::set<int> paras;
  std::vector<H> todo;
  if (r.tagged) todo.push_back(structRoot);
  while (!todo.empty()) {
    H e = todo.back();
    todo.pop_back();
    if (!e.isDictionary() || (e.isIndirect() && !elements.insert(e.getObjGen()).second)) continue;
    H pg = e.getKey("/Pg");
    if (!pg.isNull() && !inTree(pg)) problem(Where(e) + " of the structure names a page outside the document");
    H type = e.getKey("/Type");
    if (type.isName() && type.getName() == "/OBJR") {
      H obj = e.getKey("/Obj");
      if (!obj.isIndirect() || !treeAnnots.count(obj.getObjGen())) problem("an object reference of the structure is on no page");
      continue;
    }
    if (e.getKey("/S").isName() && e.getKey("/S").getName() == "/P") {
      if (paras.count(label(pg))) problem("two P elements for page " + std::to_string(label(pg)));
      paras.insert(label(pg));
    }
    H k = e.getKey("/K");
    if (k.isDictionary()) todo.push_back(k);
    for (int i = 0; k.isArray() && i < k.getArrayNItems(); ++i) todo.push_back(k.getArrayItem(i));
  }
  if (r.tagged) {
    if (paras != kept) problem("the P elements are not those of the pages kept");
    r.elements = (int)paras.size();
    H nums = structRoot.getKey("/ParentTree").getKey("/Nums");
    for (int i = 1; nums.isArray() && i < nums.getArrayNItems(); i += 2) {
      H v = nums.getArrayItem(i);
      std::vector<H> held;
      if (v.isArray())
        for (auto& e : v.aitems()) held.push_back(e);
      else held.push_back(v);
      for (H e : held)
        if (!e.isNull() && (!e.isIndirect() || !elements.count(e.getObjGen())))
          problem("the parent tree holds an element outside the structure tree");
    }
    H idTree = structRoot.getKey("/IDTree");
    H ids = idTree.isDictionary() ? idTree.getKey("/Names") : H::newNull();
    for (int i = 0; ids.isArray() && i + 1 < ids.getArrayNItems(); i += 2) {
      H e = ids.getArrayItem(i + 1);
      if (!e.isIndirect() || !elements.count(e.getObjGen())) problem("the IDTree holds an element outside the structure tree");
      else ++r.ids;
    }
  }
  return r;
}

}  // namespace kvtest
