// The tagged structure of a saved PDF as qpdf reads it: whether every tagged
// page's links into the structure tree are true, and how many pages are
// tagged. Pages without StructParents (blanks, duplicates) are untagged.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kvtest {

struct SStructure {
  bool tree = false;    // the catalog has a StructTreeRoot
  bool marked = false;  // MarkInfo says Marked
  int taggedPages = 0;  // pages with StructParents
  // What is wrong, "" when sound: every tagged page's StructParents leads in
  // the parent tree to elements with content on that page, every tagged
  // annotation's StructParent to the element that references it, and every
  // page the tree names is a page of the file.
  std::string problems;
};

inline SStructure ReadStructure(const std::string& path) {
  SStructure s;
  QPDF q;
  q.setSuppressWarnings(true);
  q.processFile(path.c_str());
  QPDFObjectHandle mark = q.getRoot().getKey("/MarkInfo");
  s.marked = mark.isDictionary() && mark.getKey("/Marked").isBool() && mark.getKey("/Marked").getBoolValue();
  QPDFObjectHandle root = q.getRoot().getKey("/StructTreeRoot");
  s.tree = root.isDictionary();
  std::set<QPDFObjGen> pages;
  for (QPDFObjectHandle p : q.getAllPages()) pages.insert(p.getObjGen());
  std::map<long long, QPDFObjectHandle> parents;
  if (s.tree) {
    QPDFObjectHandle nums = root.getKey("/ParentTree").getKey("/Nums");
    for (int i = 0; nums.isArray() && i + 1 < nums.getArrayNItems(); i += 2)
      parents[nums.getArrayItem(i).getIntValue()] = nums.getArrayItem(i + 1);
  }
  auto onPage = [](QPDFObjectHandle element, QPDFObjectHandle page) {
    if (element.getKey("/Pg").isSameObjectAs(page)) return true;
    QPDFObjectHandle k = element.getKey("/K");
    for (int i = 0; k.isArray() && i < k.getArrayNItems(); ++i)
      if (k.getArrayItem(i).isDictionary() && k.getArrayItem(i).getKey("/Pg").isSameObjectAs(page)) return true;
    return false;
  };
  for (QPDFObjectHandle page : q.getAllPages()) {
    const std::string where = "page object " + std::to_string(page.getObjectID());
    QPDFObjectHandle sp = page.getKey("/StructParents");
    if (!sp.isInteger()) continue;
    ++s.taggedPages;
    if (!parents.count(sp.getIntValue()) || !parents[sp.getIntValue()].isArray()) {
      s.problems += where + ": no parent-tree entry; ";
      continue;
    }
    for (auto& element : parents[sp.getIntValue()].aitems())
      if (!onPage(element, page)) s.problems += where + ": an element of its entry is elsewhere; ";
    QPDFObjectHandle annots = page.getKey("/Annots");
    for (int i = 0; annots.isArray() && i < annots.getArrayNItems(); ++i) {
      QPDFObjectHandle a = annots.getArrayItem(i);
      if (!a.getKey("/StructParent").isInteger()) continue;
      QPDFObjectHandle k = parents[a.getKey("/StructParent").getIntValue()].getKey("/K");
      if (!k.isArray() || !k.getArrayItem(0).getKey("/Obj").isSameObjectAs(a))
        s.problems += where + ": its annotation's element does not reference it; ";
    }
  }
  // Every page the tree names, walked from the root.
  std::vector<QPDFObjectHandle> todo;
  if (s.tree) todo.push_back(root);
  std::set<QPDFObjGen> seen;
  while (!todo.empty()) {
    QPDFObjectHandle e = todo.back();
    todo.pop_back();
    if (e.isIndirect() && !seen.insert(e.getObjGen()).second) continue;
    QPDFObjectHandle pg = e.getKey("/Pg");
    if (!pg.isNull() && !pages.count(pg.getObjGen())) s.problems += "the tree names a page the file does not show; ";
    QPDFObjectHandle k = e.getKey("/K");
    if (k.isDictionary()) todo.push_back(k);
    for (int i = 0; k.isArray() && i < k.getArrayNItems(); ++i)
      if (k.getArrayItem(i).isDictionary()) todo.push_back(k.getArrayItem(i));
  }
  return s;
}

}  // namespace kvtest
