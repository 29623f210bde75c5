// Page deletion and the structure tree: what belonged only to deleted pages
// leaves the tree, and a tree the host cannot walk stops the deletion before
// anything changes.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>

#include <functional>
#include <string>
#include <vector>

#include "fixtures/PrintFixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/StructureCheck.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Tree(PDDoc doc) { return CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("StructTreeRoot")); }
bool DocHasTree(PDDoc doc) { return CosObjGetType(Tree(doc)) == CosDict; }
CosObj Document(PDDoc doc) { return CosArrayGet(CosDictGet(Tree(doc), A("K")), 0); }

// The structure types of an element's kids ("P", "Figure"), MCIDs as numbers.
std::vector<std::string> KidTypes(CosObj element) {
  std::vector<std::string> out;
  CosObj k = CosDictGet(element, A("K"));
  auto one = [&](CosObj kid) {
    if (CosObjGetType(kid) == CosInteger) out.push_back(std::to_string(CosIntegerValue(kid)));
    else if (CosObjGetType(kid) == CosDict) {
      CosObj s = CosDictGet(kid, A("S"));
      CosObj t = CosDictGet(kid, A("Type"));
      out.push_back(CosObjGetType(s) == CosName ? ASAtomGetString(CosNameValue(s)) : ASAtomGetString(CosNameValue(t)));
    }
  };
  if (CosObjGetType(k) == CosArray)
    for (ASInt32 i = 0; i < CosArrayLength(k); ++i) one(CosArrayGet(k, i));
  else one(k);
  return out;
}

std::vector<ASInt32> ParentTreeKeys(PDDoc doc) {
  std::vector<ASInt32> out;
  CosObj nums = CosDictGet(CosDictGet(Tree(doc), A("ParentTree")), A("Nums"));
  for (ASInt32 i = 0; i + 1 < CosArrayLength(nums); i += 2) out.push_back(CosIntegerValue(CosArrayGet(nums, i)));
  return out;
}

// Page objects in a saved file, whether or not the page tree holds them.
int PageObjects(const std::string& path) {
  QPDF q;
  q.processFile(path.c_str());
  int n = 0;
  for (auto& o : q.getAllObjects())
    if (o.isDictionary() && o.getKey("/Type").isNameAndEquals("/Page")) ++n;
  return n;
}

class StructureDeletionTest : public ::testing::Test {
 protected:
  PDDoc Tagged(int pages) { return Held(kvfix::WriteTaggedPages, pages); }
  // A document the fixture writes, open for the test's life.
  PDDoc Held(void (*write)(const std::string&, int), int pages) {
    std::string path = dir.file("tagged" + std::to_string(n++) + ".pdf");
    write(path, pages);
    held.emplace_back(new ScopedDoc(OpenPdf(path)));
    return *held.back();
  }
  TempDir dir;
  int n = 0;
  std::vector<std::unique_ptr<ScopedDoc>> held;
};

// The tree is pruned once for the pages deleted since it last was, when the
// document is saved (or its pages copied): the tests look after a save.
TEST_F(StructureDeletionTest, ADeletedPageLeavesTheTree) {
  PDDoc doc = Tagged(3);
  EXPECT_EQ((std::vector<std::string>{"P", "P", "P", "Figure"}), KidTypes(Document(doc)));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  std::string out = dir.file("one.pdf");
  SavePdf(doc, out);
  EXPECT_EQ((std::vector<std::string>{"P", "P", "Figure"}), KidTypes(Document(doc)));
  CosObj figure = CosArrayGet(CosDictGet(Document(doc), A("K")), 2);
  EXPECT_EQ((std::vector<std::string>{"MCR"}), KidTypes(figure)) << "the figure keeps its part on page 1";
  EXPECT_EQ((std::vector<ASInt32>{1, 2}), ParentTreeKeys(doc));
  EXPECT_EQ(0, QpdfCheck(out));
  EXPECT_EQ(2, PageObjects(out)) << "the structure does not keep the deleted page alive";

  // With both of its pages gone the figure goes too.
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  SavePdf(doc, dir.file("two.pdf"));
  EXPECT_EQ((std::vector<std::string>{"P"}), KidTypes(Document(doc)));
  EXPECT_EQ((std::vector<ASInt32>{2}), ParentTreeKeys(doc));
  // The last page empties the tree; the root stays.
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  SavePdf(doc, dir.file("none.pdf"));
  EXPECT_EQ(CosDict, CosObjGetType(Tree(doc)));
  EXPECT_FALSE(CosDictKnown(Tree(doc), A("K")));
  EXPECT_TRUE(ParentTreeKeys(doc).empty());
  EXPECT_EQ(0, QpdfCheck(dir.file("none.pdf")));
  EXPECT_EQ(0, PageObjects(dir.file("none.pdf")));
}

TEST_F(StructureDeletionTest, ElementsWithoutContent) {
  PDDoc doc = Tagged(2);
  CosDoc cos = PDDocGetCosDoc(doc);
  PDPage first = PDDocAcquirePage(doc, 0);
  CosObj page0 = PDPageGetCosObj(first);
  PDPageRelease(first);
  CosObj kids = CosDictGet(Document(doc), A("K"));
  // An empty element naming the deleted page goes; one naming no page stays.
  CosObj onPage = CosNewDict(cos, 1, 2);
  CosDictPut(onPage, A("S"), CosNewName(cos, 0, A("Sect")));
  CosDictPut(onPage, A("Pg"), page0);
  CosArrayInsert(kids, 0, onPage);
  CosObj nowhere = CosNewDict(cos, 1, 1);
  CosDictPut(nowhere, A("S"), CosNewName(cos, 0, A("Art")));
  CosArrayInsert(kids, 0, nowhere);
  // An element shared by two parents is walked once and pruned once.
  CosArrayPut(CosDictGet(Tree(doc), A("K")), 1, CosArrayGet(kids, 2));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  SavePdf(doc, dir.file("empty.pdf"));
  EXPECT_EQ((std::vector<std::string>{"Art", "P", "Figure"}), KidTypes(Document(doc)));
  EXPECT_EQ((std::vector<std::string>{"Document"}), KidTypes(Tree(doc))) << "the shared element left both parents";
  EXPECT_EQ(0, QpdfCheck(dir.file("empty.pdf")));
}

TEST_F(StructureDeletionTest, DamagedTreesStopTheDeletionUnchanged) {
  struct Case {
    const char* what;
    kvfix::EStructDamage damage;
  };
  const Case cases[] = {{"root", kvfix::EStructDamage::kRootNotDictionary},
                        {"cycle", kvfix::EStructDamage::kCycle},
                        {"bad kid", kvfix::EStructDamage::kBadKid},
                        {"too deep", kvfix::EStructDamage::kTooDeep}};
  for (const Case& c : cases) {
    std::string path = dir.file(std::string("damaged-") + std::to_string(n++) + ".pdf");
    kvfix::WriteDamagedStructure(path, c.damage, 3);
    ScopedDoc doc(OpenPdf(path));
    auto snapshot = [&] {
      CosObj tree = Tree(doc);
      return Describe(tree) + (CosObjGetType(tree) == CosDict ? Describe(Document(doc)) : "");
    };
    std::string before = snapshot();
    EXPECT_EQ(pdsErrBadStructure, ErrorOf([&] { PDDocDeletePages(doc, 0, 1, nullptr, nullptr); })) << c.what;
    EXPECT_EQ(3, PDDocGetNumPages(doc)) << c.what;
    EXPECT_EQ(before, snapshot()) << c.what;
    char text[200];
    ASGetErrorString(pdsErrBadStructure, text, sizeof text);
    EXPECT_NE(std::string::npos, std::string(text).find("structure tree")) << text;
    // Pages can still be added: insertion does not need the tree.
    ScopedDoc other(PDDocCreate());
    PDDocInsertPages(other, PDLastPage, doc, 0, 3, 0, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(3, PDDocGetNumPages(other));
  }
}

// ---- a whole document copied into a new one

// The StructParents and annotations' StructParent of a document's pages.
int StructureLinks(PDDoc doc) {
  int links = 0;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    ScopedPage page(doc, i);
    CosObj p = PDPageGetCosObj(page);
    links += CosDictKnown(p, A("StructParents")) ? 1 : 0;
    CosObj annots = CosDictGet(p, A("Annots"));
    for (ASInt32 k = 0; CosObjGetType(annots) == CosArray && k < CosArrayLength(annots); ++k)
      links += CosDictKnown(CosArrayGet(annots, k), A("StructParent")) ? 1 : 0;
  }
  return links;
}

bool Marked(PDDoc doc) { return CosDictKnown(CosDocGetRoot(PDDocGetCosDoc(doc)), A("MarkInfo")); }

class WholeCopyStructureTest : public StructureDeletionTest {
 protected:
  PDDoc Linked(int pages) { return Held(kvfix::WriteTaggedWithLink, pages); }
  static void InsertAll(PDDoc to, PDDoc from, ASUns16 flags = PDInsertAll) {
    PDDocInsertPages(to, PDDocGetNumPages(to) - 1 < 0 ? PDBeforeFirstPage : PDDocGetNumPages(to) - 1, from, 0,
                     PDAllPages, flags, nullptr, nullptr, nullptr, nullptr);
  }
};

// A new document of every page keeps the tree, the marks and every page's
// links into it; reordered, as the reversing and shuffling commands reorder
// their copies, it stays true to its pages.
TEST_F(WholeCopyStructureTest, ANewDocumentOfEveryPageKeepsTheTreeTrueToItsPages) {
  PDDoc source = Linked(3);
  ScopedDoc made(PDDocCreate());
  InsertAll(made, source);
  ASSERT_EQ(3, PDDocGetNumPages(made));
  EXPECT_TRUE(Marked(made));
  EXPECT_EQ(4, StructureLinks(made)) << "three pages and the link";
  EXPECT_EQ((std::vector<std::string>{"P", "P", "P", "Figure", "Link"}), KidTypes(Document(made)));
  EXPECT_EQ((std::vector<ASInt32>{0, 1, 2, 3}), ParentTreeKeys(made));
  const std::string copied = dir.file("copied.pdf");
  SavePdf(made, copied);
  EXPECT_EQ(0, QpdfCheck(copied));
  const SStructure copiedTree = ReadStructure(copied);
  EXPECT_TRUE(copiedTree.tree && copiedTree.marked);
  EXPECT_EQ(3, copiedTree.taggedPages);
  EXPECT_EQ("", copiedTree.problems);
  EXPECT_EQ(3, PageObjects(copied)) << "the tree brings no second copy of a page";
  // Reversed, as the reversing command reverses its copy.
  PDDocMovePage(made, 2, 0);
  PDDocMovePage(made, 0, 2);
  const std::string reversed = dir.file("reversed.pdf");
  SavePdf(made, reversed);
  EXPECT_EQ(0, QpdfCheck(reversed));
  EXPECT_EQ(3, ReadStructure(reversed).taggedPages);
  EXPECT_EQ("", ReadStructure(reversed).problems);
  // The source keeps its own tree and links.
  EXPECT_EQ(4, StructureLinks(source));
  EXPECT_EQ((std::vector<ASInt32>{0, 1, 2, 3}), ParentTreeKeys(source));
}

// A new document that does not get every page of one source, alone and at
// once, gets no tree, no marks, and no page links into a tree it lacks.
TEST_F(WholeCopyStructureTest, ADocumentOfSomePagesDoesNotPretendToBeTagged) {
  struct Case {
    const char* what;
    std::function<void(PDDoc made, PDDoc source)> fill;
    bool emptyRoot;  // an empty tree of the document's own is left
  };
  const Case cases[] = {
      {"some pages",
       [](PDDoc made, PDDoc source) {
         PDDocInsertPages(made, PDBeforeFirstPage, source, 1, 2, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
       },
       false},
      {"into a document with a page",
       [](PDDoc made, PDDoc source) {
         PDDocInsertPages(made, PDBeforeFirstPage, source, 2, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
         InsertAll(made, source);
       },
       false},
      {"without the document's data", [](PDDoc made, PDDoc source) { InsertAll(made, source, 0); }, false},
      {"every page, deleted, then every page again",
       [](PDDoc made, PDDoc source) {
         InsertAll(made, source);
         PDDocDeletePages(made, 0, PDLastPage, nullptr, nullptr);
         InsertAll(made, source);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc source = Linked(3);
    ScopedDoc made(PDDocCreate());
    c.fill(made, source);
    // Saved first: what belonged to deleted pages goes once, at the latest then.
    SavePdf(made, dir.file("some.pdf"));
    EXPECT_EQ(c.emptyRoot, DocHasTree(made));
    if (c.emptyRoot) {
      EXPECT_FALSE(CosDictKnown(Tree(made), A("K")));
    }
    EXPECT_FALSE(Marked(made));
    EXPECT_EQ(0, StructureLinks(made));
    EXPECT_EQ(0, QpdfCheck(dir.file("some.pdf")));
  }
  // A tree the host cannot walk is not made anew either.
  std::string path = dir.file("cyclic.pdf");
  kvfix::WriteDamagedStructure(path, kvfix::EStructDamage::kCycle, 3);
  ScopedDoc damaged(OpenPdf(path));
  ScopedDoc made(PDDocCreate());
  InsertAll(made, damaged);
  EXPECT_FALSE(DocHasTree(made));
  EXPECT_EQ(0, StructureLinks(made));
}

// Pages merged onto sheets and deleted take every tagged part with them:
// the document no longer says it is tagged.
TEST_F(WholeCopyStructureTest, ADocumentWhoseTaggedPagesAllWentIsNoLongerMarked) {
  PDDoc source = Linked(2);
  ScopedDoc made(PDDocCreate());
  InsertAll(made, source);
  ASSERT_TRUE(Marked(made));
  ASFixedRect box{0, 0, 612 << 16, 792 << 16};
  PDPageRelease(PDDocCreatePage(made, PDDocGetNumPages(made) - 1, box));
  PDDocDeletePages(made, 0, 0, nullptr, nullptr);
  SavePdf(made, dir.file("one-left.pdf"));
  EXPECT_TRUE(Marked(made)) << "a tagged page is left";
  PDDocDeletePages(made, 0, 0, nullptr, nullptr);
  SavePdf(made, dir.file("none-left.pdf"));
  EXPECT_FALSE(Marked(made));
  EXPECT_EQ(1, PDDocGetNumPages(made));
}

}  // namespace
