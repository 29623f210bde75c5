// Page deletion and the structure tree: what belonged only to deleted pages
// leaves the tree, and a tree the host cannot walk stops the deletion before
// anything changes.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>

#include <string>
#include <vector>

#include "fixtures/PrintFixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj Tree(PDDoc doc) { return CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("StructTreeRoot")); }
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
  PDDoc Tagged(int pages) {
    std::string path = dir.file("tagged" + std::to_string(n++) + ".pdf");
    kvfix::WriteTaggedPages(path, pages);
    held.emplace_back(new ScopedDoc(OpenPdf(path)));
    return *held.back();
  }
  TempDir dir;
  int n = 0;
  std::vector<std::unique_ptr<ScopedDoc>> held;
};

TEST_F(StructureDeletionTest, ADeletedPageLeavesTheTree) {
  PDDoc doc = Tagged(3);
  EXPECT_EQ((std::vector<std::string>{"P", "P", "P", "Figure"}), KidTypes(Document(doc)));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  EXPECT_EQ((std::vector<std::string>{"P", "P", "Figure"}), KidTypes(Document(doc)));
  CosObj figure = CosArrayGet(CosDictGet(Document(doc), A("K")), 2);
  EXPECT_EQ((std::vector<std::string>{"MCR"}), KidTypes(figure)) << "the figure keeps its part on page 1";
  EXPECT_EQ((std::vector<ASInt32>{1, 2}), ParentTreeKeys(doc));
  std::string out = dir.file("one.pdf");
  SavePdf(doc, out);
  EXPECT_EQ(0, QpdfCheck(out));
  EXPECT_EQ(2, PageObjects(out)) << "the structure does not keep the deleted page alive";

  // With both of its pages gone the figure goes too.
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  EXPECT_EQ((std::vector<std::string>{"P"}), KidTypes(Document(doc)));
  EXPECT_EQ((std::vector<ASInt32>{2}), ParentTreeKeys(doc));
  // The last page empties the tree; the root stays.
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  EXPECT_EQ(CosDict, CosObjGetType(Tree(doc)));
  EXPECT_FALSE(CosDictKnown(Tree(doc), A("K")));
  EXPECT_TRUE(ParentTreeKeys(doc).empty());
  SavePdf(doc, dir.file("none.pdf"));
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
  EXPECT_EQ((std::vector<std::string>{"Art", "P", "Figure"}), KidTypes(Document(doc)));
  EXPECT_EQ((std::vector<std::string>{"Document"}), KidTypes(Tree(doc))) << "the shared element left both parents";
  SavePdf(doc, dir.file("empty.pdf"));
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

}  // namespace
