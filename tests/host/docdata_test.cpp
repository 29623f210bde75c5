// Pages inserted from another document with their document data (form
// fields, optional content, outline items, named destinations), and pages
// deleted with theirs. The results are saved and read back with qpdf.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "fixtures/PrintFixtures.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;
using H = QPDFObjectHandle;

namespace {

H Arr(std::initializer_list<H> items) {
  H a = H::newArray();
  for (const H& i : items) a.appendItem(i);
  return a;
}
H Name(const char* n) { return H::newName(n); }
H Str(const char* s) { return H::newString(s); }
H Int(long long v) { return H::newInteger(v); }

H Dict(std::initializer_list<std::pair<const char*, H>> items) {
  H d = H::newDictionary();
  for (const auto& i : items) d.replaceKey(i.first, i.second);
  return d;
}

// Three pages "P1".."P3". Page 1 has a text field "name" and a link to the
// named destination "p3"; pages 2 and 3 the widgets of the radio field
// "choice". Page 2 draws in group B (hidden), page 3 in group D (shown);
// groups A and C are used by no page copied in the tests but page 1 uses A.
// Outlines: Chapter (p1) > Sec 2 (p2), Sec 3 (named "p3"); Appendix (no
// destination) > App (p3). Named: tree "p1", "p3"; catalog /Dests /Two (p2).
void WriteSource(const std::string& path) {
  QPDF q;
  q.emptyPDF();
  H pages = q.getRoot().getKey("/Pages");
  auto group = [&](const char* n) { return q.makeIndirectObject(Dict({{"/Type", Name("/OCG")}, {"/Name", Str(n)}})); };
  H A = group("A"), B = group("B"), C = group("C"), D = group("D");
  H font = q.makeIndirectObject(Dict({{"/Type", Name("/Font")}, {"/Subtype", Name("/Type1")}, {"/BaseFont", Name("/Helvetica")}}));
  std::vector<H> page;
  H kids = H::newArray();
  H groupOf[] = {A, B, D};
  for (int i = 0; i < 3; ++i) {
    std::string text = "/OC /G BDC BT /F1 24 Tf 72 700 Td (P" + std::to_string(i + 1) + ") Tj ET EMC";
    H p = q.makeIndirectObject(Dict({{"/Type", Name("/Page")},
                                     {"/Parent", pages},
                                     {"/MediaBox", Arr({Int(0), Int(0), Int(612), Int(792)})},
                                     {"/Contents", q.newStream(text)},
                                     {"/Resources", Dict({{"/Font", Dict({{"/F1", font}})},
                                                          {"/Properties", Dict({{"/G", groupOf[i]}})}})}}));
    page.push_back(p);
    kids.appendItem(p);
  }
  pages.replaceKey("/Kids", kids);
  pages.replaceKey("/Count", Int(3));

  auto rect = [] { return Arr({Int(100), Int(100), Int(200), Int(120)}); };
  H name = q.makeIndirectObject(Dict({{"/Type", Name("/Annot")}, {"/Subtype", Name("/Widget")}, {"/FT", Name("/Tx")},
                                      {"/T", Str("name")}, {"/V", Str("Ada")}, {"/Rect", rect()}, {"/P", page[0]}}));
  H choice = q.makeIndirectObject(Dict({{"/FT", Name("/Btn")}, {"/T", Str("choice")}, {"/Ff", Int(49152)}}));
  H w2 = q.makeIndirectObject(Dict({{"/Type", Name("/Annot")}, {"/Subtype", Name("/Widget")}, {"/Parent", choice},
                                    {"/Rect", rect()}, {"/P", page[1]}}));
  H w3 = q.makeIndirectObject(Dict({{"/Type", Name("/Annot")}, {"/Subtype", Name("/Widget")}, {"/Parent", choice},
                                    {"/Rect", rect()}, {"/P", page[2]}}));
  choice.replaceKey("/Kids", Arr({w2, w3}));
  H link = q.makeIndirectObject(Dict({{"/Type", Name("/Annot")}, {"/Subtype", Name("/Link")}, {"/Rect", rect()},
                                      {"/Dest", Str("p3")}}));
  page[0].replaceKey("/Annots", Arr({name, link}));
  page[1].replaceKey("/Annots", Arr({w2}));
  page[2].replaceKey("/Annots", Arr({w3}));
  q.getRoot().replaceKey("/AcroForm", Dict({{"/Fields", Arr({name, choice})},
                                            {"/DA", Str("/Helv 0 Tf 0 g")},
                                            {"/NeedAppearances", H::newBool(true)},
                                            {"/DR", Dict({{"/Font", Dict({{"/Helv", font}})}})}}));

  q.getRoot().replaceKey(
      "/OCProperties",
      Dict({{"/OCGs", Arr({A, B, C, D})},
            {"/D", Dict({{"/OFF", Arr({B})}, {"/Order", Arr({A, Arr({Str("Label"), B}), C, D})}})}}));

  H root = q.makeIndirectObject(Dict({{"/Type", Name("/Outlines")}}));
  auto item = [&](const char* title, H dest) {
    H i = q.makeIndirectObject(Dict({{"/Title", Str(title)}}));
    if (!dest.isNull()) i.replaceKey("/Dest", dest);
    return i;
  };
  auto link2 = [](H parent, std::vector<H> items) {
    for (size_t k = 0; k < items.size(); ++k) {
      items[k].replaceKey("/Parent", parent);
      if (k > 0) items[k].replaceKey("/Prev", items[k - 1]);
      if (k + 1 < items.size()) items[k].replaceKey("/Next", items[k + 1]);
    }
    parent.replaceKey("/First", items.front());
    parent.replaceKey("/Last", items.back());
    parent.replaceKey("/Count", Int((long long)items.size()));
  };
  H chapter = item("Chapter", Arr({page[0], Name("/Fit")}));
  H appendix = item("Appendix", H::newNull());
  link2(chapter, {item("Sec 2", Arr({page[1], Name("/Fit")})), item("Sec 3", Str("p3"))});
  link2(appendix, {item("App", Arr({page[2], Name("/XYZ"), Int(0), Int(792), Int(0)}))});
  link2(root, {chapter, appendix});
  root.replaceKey("/Count", Int(5));
  q.getRoot().replaceKey("/Outlines", root);

  H tree = q.makeIndirectObject(
      Dict({{"/Names", Arr({Str("p1"), Arr({page[0], Name("/Fit")}), Str("p3"), Dict({{"/D", Arr({page[2], Name("/Fit")})}})})}}));
  q.getRoot().replaceKey("/Names", Dict({{"/Dests", tree}}));
  q.getRoot().replaceKey("/Dests", Dict({{"/Two", Arr({page[1], Name("/Fit")})}}));
  QPDFWriter w(q, path.c_str());
  w.setStaticID(true);
  w.write();
}

// What a saved document holds, read back with qpdf.
struct SRead {
  QPDF q;
  explicit SRead(const std::string& path) {
    q.setSuppressWarnings(true);
    q.processFile(path.c_str());
  }
  H Root() { return q.getRoot(); }
  // The 1-based number of the page an object is, 0 for none.
  int PageNumber(H page) {
    std::vector<QPDFObjectHandle> all = q.getAllPages();
    for (size_t i = 0; i < all.size(); ++i)
      if (page.isIndirect() && all[i].getObjGen() == page.getObjGen()) return (int)i + 1;
    return 0;
  }
  // The page text ("P2") of a page object.
  std::string PageText(H page) {
    auto data = page.getKey("/Contents").getStreamData();
    std::string t(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    size_t open = t.find('('), close = t.find(')');
    return open == std::string::npos ? "" : t.substr(open + 1, close - open - 1);
  }
  // The outline as "Title>page text" lines, children indented.
  std::string Outline() {
    std::string out;
    std::function<void(H, int)> walk = [&](H first, int depth) {
      for (H i = first; i.isDictionary(); i = i.getKey("/Next")) {
        out += std::string((size_t)depth * 2, ' ') + i.getKey("/Title").getUTF8Value();
        H d = i.getKey("/Dest");
        if (d.isArray()) out += ">" + PageText(d.getArrayItem(0));
        if (d.isString()) out += ">\"" + d.getStringValue() + "\"";
        out += "\n";
        walk(i.getKey("/First"), depth + 1);
      }
    };
    H root = Root().getKey("/Outlines");
    if (root.isDictionary()) walk(root.getKey("/First"), 0);
    return out;
  }
  // The field names at the top of the form, each with its widgets' page texts.
  std::string Fields() {
    H form = Root().getKey("/AcroForm");
    if (!form.isDictionary()) return "(no form)";
    std::string out;
    for (auto& f : form.getKey("/Fields").aitems()) {
      out += f.getKey("/T").getUTF8Value() + ":";
      H kids = f.getKey("/Kids");
      std::vector<H> widgets = kids.isArray() ? kids.getArrayAsVector() : std::vector<H>{f};
      for (H& w : widgets) out += " " + PageText(w.getKey("/P"));
      out += ";";
    }
    return out;
  }
  // Named destinations "name>page text", tree first, then the catalog's.
  std::string Named() {
    std::string out;
    H names = Root().getKey("/Names");
    H tree = names.isDictionary() ? names.getKey("/Dests") : H::newNull();
    if (tree.isDictionary()) {
      H n = tree.getKey("/Names");
      for (int i = 0; n.isArray() && i + 1 < n.getArrayNItems(); i += 2) {
        H d = n.getArrayItem(i + 1);
        if (d.isDictionary()) d = d.getKey("/D");
        out += n.getArrayItem(i).getStringValue() + ">" + PageText(d.getArrayItem(0)) + " ";
      }
    }
    H dests = Root().getKey("/Dests");
    if (dests.isDictionary())
      for (auto& e : dests.ditems()) out += e.first + ">" + PageText(e.second.getArrayItem(0)) + " ";
    return out;
  }
  // Optional-content groups by name, hidden ones marked "-".
  std::string Groups() {
    H props = Root().getKey("/OCProperties");
    if (!props.isDictionary()) return "(none)";
    std::string out;
    H off = props.getKey("/D").getKey("/OFF");
    for (auto& g : props.getKey("/OCGs").aitems()) {
      bool hidden = false;
      for (int i = 0; off.isArray() && i < off.getArrayNItems(); ++i)
        hidden |= off.getArrayItem(i).getObjGen() == g.getObjGen();
      out += (hidden ? "-" : "") + g.getKey("/Name").getUTF8Value() + " ";
    }
    return out + "order " + OrderText(props.getKey("/D").getKey("/Order"));
  }
  std::string OrderText(H order) {
    if (!order.isArray()) return "";
    std::string out = "[";
    for (auto& e : order.aitems()) {
      if (e.isArray()) out += OrderText(e);
      else if (e.isString()) out += "'" + e.getUTF8Value() + "'";
      else out += e.getKey("/Name").getUTF8Value();
      out += " ";
    }
    return out + "]";
  }
};

class DocDataTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteSource(dir.file("source.pdf")); }
  void TearDown() override { EXPECT_EQ(0, PDGetAcquiredPageCount()); }
  std::string Save(PDDoc doc, const char* name) {
    std::string path = dir.file(name);
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path)) << name;
    return path;
  }
  TempDir dir;
};

}  // namespace

TEST_F(DocDataTest, InsertedPagesBringWhatBelongsToThem) {
  ScopedDoc source(OpenPdf(dir.file("source.pdf")));
  ScopedDoc doc(PDDocCreate());
  PDDocInsertPages(doc, PDBeforeFirstPage, source, 1, 2, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  SRead out(Save(doc, "two.pdf"));
  // The radio field with its two widgets; the text field of page 1 stays behind.
  EXPECT_EQ("choice: P2 P3;", out.Fields());
  H form = out.Root().getKey("/AcroForm");
  EXPECT_TRUE(form.getKey("/NeedAppearances").getBoolValue());
  EXPECT_EQ("/Helv 0 Tf 0 g", form.getKey("/DA").getStringValue());
  EXPECT_TRUE(form.getKey("/DR").getKey("/Font").hasKey("/Helv"));
  // The groups the pages draw in, hidden as they were; the others stay.
  EXPECT_EQ("-B D order [['Label' B ] D ]", out.Groups());
  // The items leading to the pages; Chapter's own page did not come.
  EXPECT_EQ("Chapter\n  Sec 2>P2\n  Sec 3>\"p3\"\nAppendix\n  App>P3\n", out.Outline());
  EXPECT_EQ("p3>P3 /Two>P2 ", out.Named());
  // The source is as it was.
  EXPECT_EQ(3, PDDocGetNumPages(source));
  EXPECT_FALSE(PDDocGetFlags(source) & PDDocNeedsSave);
}

TEST_F(DocDataTest, PageByPageInsertionAddsToWhatCameBefore) {
  ScopedDoc source(OpenPdf(dir.file("source.pdf")));
  ScopedDoc whole(PDDocCreate());
  PDDocInsertPages(whole, PDBeforeFirstPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  ScopedDoc pieces(PDDocCreate());
  // Backwards, each page before the others: items and fields must still end in source order.
  for (ASInt32 p : {2, 0, 1})
    PDDocInsertPages(pieces, p == 2 ? PDBeforeFirstPage : PDLastPage, source, p, 1, PDInsertAll, nullptr, nullptr,
                     nullptr, nullptr);
  SRead a(Save(whole, "whole.pdf")), b(Save(pieces, "pieces.pdf"));
  EXPECT_EQ("Chapter>P1\n  Sec 2>P2\n  Sec 3>\"p3\"\nAppendix\n  App>P3\n", a.Outline());
  EXPECT_EQ(a.Outline(), b.Outline());
  EXPECT_EQ("name: P1;choice: P2 P3;", a.Fields());
  EXPECT_EQ("choice: P2 P3;name: P1;", b.Fields()) << "each field once, its widgets in the source's order";
  // Group C draws on no page: it stays behind.
  EXPECT_EQ("A -B D order [A ['Label' B ] D ]", a.Groups());
  EXPECT_EQ("D A -B order [D A ['Label' B ] ]", b.Groups()) << "each group once, as it showed";
  EXPECT_EQ("p1>P1 p3>P3 /Two>P2 ", a.Named());
  EXPECT_EQ(a.Named(), b.Named());
  // Visible items: two at the top, the chapter's two and the appendix's one.
  EXPECT_EQ(5, a.Root().getKey("/Outlines").getKey("/Count").getIntValue());
  EXPECT_EQ(5, b.Root().getKey("/Outlines").getKey("/Count").getIntValue());
}

TEST_F(DocDataTest, TheFlagsSayWhatComesAlong) {
  ScopedDoc source(OpenPdf(dir.file("source.pdf")));
  struct Case {
    ASUns16 flags;
    bool outline, rest;
  };
  for (Case c : {Case{0, false, false}, Case{PDInsertBookmarks, true, false}, Case{PDInsertAll, true, true}}) {
    SCOPED_TRACE(c.flags);
    ScopedDoc doc(PDDocCreate());
    PDDocInsertPages(doc, PDBeforeFirstPage, source, 0, PDAllPages, c.flags, nullptr, nullptr, nullptr, nullptr);
    SRead out(Save(doc, "flags.pdf"));
    EXPECT_EQ(c.outline, out.Root().hasKey("/Outlines"));
    EXPECT_EQ(c.rest, out.Root().hasKey("/AcroForm"));
    EXPECT_EQ(c.rest, out.Root().hasKey("/OCProperties"));
    EXPECT_EQ(c.rest, out.Root().hasKey("/Names"));
  }
}

TEST_F(DocDataTest, DeletedPagesTakeTheirsAway) {
  ScopedDoc source(OpenPdf(dir.file("source.pdf")));
  ScopedDoc doc(PDDocCreate());
  PDDocInsertPages(doc, PDBeforeFirstPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  {
    SRead out(Save(doc, "without1.pdf"));
    EXPECT_EQ("choice: P2 P3;", out.Fields());
    EXPECT_EQ("Chapter\n  Sec 2>P2\n  Sec 3>\"p3\"\nAppendix\n  App>P3\n", out.Outline());
    EXPECT_EQ("p3>P3 /Two>P2 ", out.Named());
    EXPECT_EQ(5, out.Root().getKey("/Outlines").getKey("/Count").getIntValue());
  }
  PDDocDeletePages(doc, 1, 1, nullptr, nullptr);  // page 3: the radio keeps one widget
  {
    SRead out(Save(doc, "only2.pdf"));
    EXPECT_EQ("choice: P2;", out.Fields());
    // Sec 3 showed page 3 by its name: it goes with the page, and so does the name.
    EXPECT_EQ("Chapter\n  Sec 2>P2\n", out.Outline());
    EXPECT_EQ(2, out.Root().getKey("/Outlines").getKey("/Count").getIntValue());
    EXPECT_EQ("/Two>P2 ", out.Named());
  }
  // Sheets drawn from copied pages (n-up) keep nothing of the pages' form.
  PDPageRelease(PDDocCreatePage(doc, PDLastPage, ASFixedRect{0, ASInt32ToFixed(792), ASInt32ToFixed(612), 0}));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  SRead out(Save(doc, "sheet.pdf"));
  EXPECT_FALSE(out.Root().hasKey("/AcroForm"));
  EXPECT_FALSE(out.Root().hasKey("/Outlines"));
  EXPECT_EQ("", out.Named());
  EXPECT_TRUE(out.Root().hasKey("/OCProperties")) << "the sheets' content may use the groups";
}

namespace {

// A book of pages "P1".."Pn" whose named destinations "n000".. (one a page)
// sit in a tree of leaves of `leaf` names each. The leaf `damaged` claims
// Limits that hold none of its keys, as a careless writer leaves them.
void WriteNamedBook(const std::string& path, int pages, int leaf, int damaged) {
  QPDF q;
  q.emptyPDF();
  H root = q.getRoot().getKey("/Pages");
  H kids = H::newArray();
  std::vector<H> page;
  for (int i = 0; i < pages; ++i) {
    std::string text = "BT /F1 24 Tf 72 700 Td (P" + std::to_string(i + 1) + ") Tj ET";
    H p = q.makeIndirectObject(Dict({{"/Type", Name("/Page")},
                                     {"/Parent", root},
                                     {"/MediaBox", Arr({Int(0), Int(0), Int(612), Int(792)})},
                                     {"/Contents", q.newStream(text)}}));
    page.push_back(p);
    kids.appendItem(p);
  }
  root.replaceKey("/Kids", kids);
  root.replaceKey("/Count", Int(pages));
  auto key = [](int i) {
    char k[8];
    std::snprintf(k, sizeof k, "n%03d", i);
    return std::string(k);
  };
  H leaves = H::newArray();
  for (int first = 0, index = 0; first < pages; first += leaf, ++index) {
    H names = H::newArray();
    const int last = std::min(pages, first + leaf) - 1;
    for (int i = first; i <= last; ++i) {
      names.appendItem(H::newString(key(i)));
      names.appendItem(Arr({page[(size_t)i], Name("/Fit")}));
    }
    H limits = index == damaged ? Arr({Str("a"), Str("b")}) : Arr({H::newString(key(first)), H::newString(key(last))});
    leaves.appendItem(q.makeIndirectObject(Dict({{"/Names", names}, {"/Limits", limits}})));
  }
  q.getRoot().replaceKey("/Names", Dict({{"/Dests", q.makeIndirectObject(Dict({{"/Kids", leaves}}))}}));
  QPDFWriter w(q, path.c_str());
  w.setStaticID(true);
  w.write();
}

}  // namespace

// Deleting pages takes every name that showed one of them out of the tree,
// whichever leaf holds it (Limits that do not hold their keys too), and the
// leaves keep Limits that hold what they have left.
TEST_F(DocDataTest, DeletedPagesTakeTheirNamesFromEveryLeaf) {
  const std::string in = dir.file("named.pdf");
  WriteNamedBook(in, 200, 50, 1);
  ScopedDoc doc(OpenPdf(in));
  PDDocDeletePages(doc, 20, 139, nullptr, nullptr);
  SRead out(Save(doc, "named-out.pdf"));
  std::string names, limits;
  H tree = out.Root().getKey("/Names").getKey("/Dests");
  for (auto& leaf : tree.getKey("/Kids").aitems()) {
    H n = leaf.getKey("/Names");
    std::string first, last;
    for (int i = 0; i + 1 < n.getArrayNItems(); i += 2) {
      const std::string k = n.getArrayItem(i).getStringValue();
      names += k + ">" + out.PageText(n.getArrayItem(i + 1).getArrayItem(0)) + " ";
      if (first.empty()) first = k;
      last = k;
    }
    H l = leaf.getKey("/Limits");
    limits += l.isArray() ? "[" + l.getArrayItem(0).getStringValue() + " " + l.getArrayItem(1).getStringValue() + "]"
                          : std::string("none");
    EXPECT_EQ(first.empty(), !l.isArray()) << "an empty leaf has no Limits";
    if (l.isArray()) {
      EXPECT_EQ(first, l.getArrayItem(0).getStringValue());
      EXPECT_EQ(last, l.getArrayItem(1).getStringValue());
    }
  }
  std::string kept;
  for (int i = 0; i < 200; ++i) {
    if (i >= 20 && i < 140) continue;
    char k[32];
    std::snprintf(k, sizeof k, "n%03d>P%d ", i, i + 1);
    kept += k;
  }
  EXPECT_EQ(kept, names);
  EXPECT_EQ("[n000 n019]none[n140 n149][n150 n199]", limits);
}

namespace {

// A name-tree key as text, without the closing zero the system writes.
std::string KeyText(H key) {
  std::string text = key.getUTF8Value();
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The embedded files of a saved document, "key=data" in key order.
std::string EmbeddedFiles(SRead& out) {
  H names = out.Root().getKey("/Names");
  H tree = names.isDictionary() ? names.getKey("/EmbeddedFiles") : H::newNull();
  std::string text;
  std::function<void(H)> walk = [&](H node) {
    H n = node.getKey("/Names");
    for (int i = 0; n.isArray() && i + 1 < n.getArrayNItems(); i += 2) {
      H file = n.getArrayItem(i + 1).getKey("/EF").getKey("/F");
      auto data = file.isStream() ? file.getStreamData() : nullptr;
      text += KeyText(n.getArrayItem(i)) + "=" + (data ? std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()) : "") + " ";
    }
    H kids = node.getKey("/Kids");
    for (int i = 0; kids.isArray() && i < kids.getArrayNItems(); ++i) walk(kids.getArrayItem(i));
  };
  if (tree.isDictionary()) walk(tree);
  return text;
}

}  // namespace

// A portfolio copied whole into a new document stays a portfolio: its
// collection comes along with the files it presents (a file of that name the
// new document has already stays its own). A document of some of its pages
// is no portfolio.
TEST_F(DocDataTest, AWholePortfolioBringsItsCollectionAndItsFiles) {
  kvfix::WritePortfolio(dir.file("portfolio.pdf"), 2, 3);
  ScopedDoc source(OpenPdf(dir.file("portfolio.pdf")));
  const std::string all = "file-0000=data of file-0000 file-0001=data of file-0001 file-0002=data of file-0002 ";
  {
    ScopedDoc doc(PDDocCreate());
    PDDocInsertPages(doc, PDBeforeFirstPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
    SRead out(Save(doc, "whole.pdf"));
    H collection = out.Root().getKey("/Collection");
    ASSERT_TRUE(collection.isDictionary());
    EXPECT_EQ("file-0000", KeyText(collection.getKey("/D")));
    EXPECT_TRUE(collection.getKey("/Schema").getKey("/Name").isDictionary());
    EXPECT_EQ(all, EmbeddedFiles(out));
  }
  {
    ScopedDoc doc(PDDocCreate());
    PDNameTree tree = PDDocCreateNameTree(doc, ASAtomFromString("EmbeddedFiles"));
    CosDoc cos = PDDocGetCosDoc(doc);
    const std::string key = kvfix::NameTreeKey("file-0001");
    CosObj filespec = CosNewDict(cos, 1, 2);
    CosObj ef = CosNewDict(cos, 0, 1);
    const char own[] = "its own";
    ASStm data = ASMemStmRdOpen(own, sizeof own - 1);
    CosDictPut(ef, ASAtomFromString("F"), CosNewStream(cos, 1, data, 0, 0, CosNewNull(), CosNewNull(), -1));
    ASStmClose(data);
    CosDictPut(filespec, ASAtomFromString("EF"), ef);
    PDNameTreePut(tree, CosNewString(cos, 0, key.data(), key.size()), filespec);
    PDDocInsertPages(doc, PDBeforeFirstPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
    SRead out(Save(doc, "own.pdf"));
    EXPECT_EQ("file-0000=data of file-0000 file-0001=its own file-0002=data of file-0002 ", EmbeddedFiles(out));
  }
  {
    ScopedDoc doc(PDDocCreate());
    PDDocInsertPages(doc, PDBeforeFirstPage, source, 1, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
    SRead out(Save(doc, "some.pdf"));
    EXPECT_FALSE(out.Root().hasKey("/Collection"));
    EXPECT_EQ("", EmbeddedFiles(out));
  }
}
