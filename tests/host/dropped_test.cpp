// Pages deleted from a document whose every page is pointed at by the
// others (links, actions, outline items, named destinations, fields, beads,
// tags, the open action): nothing of them is saved, whether the document is
// saved itself or its pages are copied into another; what showed a page
// that stayed still shows it. Read back with qpdf.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/LinkFixtures.h"
#include "support/CrossLinkCheck.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

constexpr int kPages = 20;

ASAtom A(const char* s) { return ASAtomFromString(s); }

class DroppedPagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    source = dir.file("cross.pdf");
    kvfix::WriteCrossLinked(source, kPages);
  }
  // The document saved, read back; qpdf --check passes on it.
  SCrossLinks Saved(PDDoc doc, const std::string& name) {
    const std::string path = dir.file(name);
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path)) << name;
    return ReadCrossLinks(path, kPages);
  }
  TempDir dir;
  std::string source;
};

// Pages 2, 4, ... deleted one at a time, as a shuffle that keeps the odd
// pages deletes them.
TEST_F(DroppedPagesTest, PagesDeletedOneByOneLeaveNothingBehind) {
  ScopedDoc doc(OpenPdf(source));
  for (ASInt32 i = kPages / 2; i >= 1; --i) PDDocDeletePages(doc, 2 * i - 1, 2 * i - 1, nullptr, nullptr);
  SCrossLinks r = Saved(doc, "odds.pdf");
  std::vector<int> odds;
  for (int n = 1; n <= kPages; n += 2) odds.push_back(n);
  EXPECT_EQ(odds, r.labels);
  EXPECT_EQ(0, r.outside);
  EXPECT_EQ("", r.problems);
  EXPECT_EQ(kPages / 2, r.names);
  EXPECT_EQ(kPages / 2, r.items);
  EXPECT_EQ(kPages / 2, r.elements);
  EXPECT_EQ(kPages / 2, r.ids);
  EXPECT_EQ(kPages / 2, r.beads);
  EXPECT_GT(r.links, 0);
  EXPECT_FALSE(r.openAction) << "it showed the last page, which went";

  // A second save finds nothing more to do, and still nothing points at the pages.
  SCrossLinks again = Saved(doc, "again.pdf");
  EXPECT_EQ("", again.problems);
  EXPECT_EQ(r.links, again.links);
}

// Moving pages drops none of them: every reference stays.
TEST_F(DroppedPagesTest, MovedPagesAreNotDropped) {
  ScopedDoc doc(OpenPdf(source));
  for (ASInt32 i = 0; i < kPages - 1; ++i) PDDocMovePage(doc, kPages - 1, 0);
  SCrossLinks r = Saved(doc, "moved.pdf");
  EXPECT_EQ("", r.problems);
  EXPECT_EQ(kPages, (int)r.labels.size());
  EXPECT_EQ(kPages, r.names);
  EXPECT_EQ(kPages, r.elements);
  EXPECT_EQ(5 * kPages, r.links);
  EXPECT_TRUE(r.openAction);
}

// A page put back into the tree (here by a write into Kids) is no longer
// dropped: what showed it still does.
TEST_F(DroppedPagesTest, APagePutBackIsKeptWithWhatShowsIt) {
  ScopedDoc doc(OpenPdf(source));
  PDPage last = PDDocAcquirePage(doc, kPages - 1);
  CosObj page = PDPageGetCosObj(last);
  PDPageRelease(last);
  PDDocDeletePages(doc, kPages - 1, kPages - 1, nullptr, nullptr);
  CosObj root = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("Pages"));
  CosObj kids = CosDictGet(root, A("Kids"));
  CosArrayInsert(kids, CosArrayLength(kids), page);
  CosDictPut(page, A("Parent"), root);
  ASSERT_EQ(kPages, PDDocGetNumPages(doc));
  SCrossLinks r = Saved(doc, "back.pdf");
  EXPECT_EQ("", r.problems);
  EXPECT_EQ(kPages, r.names);
  EXPECT_EQ(5 * kPages, r.links);
  EXPECT_TRUE(r.openAction);
}

// Pages of a document with deleted pages copied into a new one: the copy
// takes nothing of the deleted pages, not even through the links of the
// pages it copies.
TEST_F(DroppedPagesTest, ACopyOfTheRestTakesNothingOfTheDeletedPages) {
  ScopedDoc doc(OpenPdf(source));
  PDDocDeletePages(doc, 10, kPages - 1, nullptr, nullptr);
  ScopedDoc made(PDDocCreate());
  PDDocInsertPages(made, PDBeforeFirstPage, doc, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  SCrossLinks r = Saved(made, "copy.pdf");
  EXPECT_EQ(10, (int)r.labels.size());
  EXPECT_EQ(0, r.outside);
  EXPECT_EQ("", r.problems);
  EXPECT_EQ(10, r.names);
  EXPECT_EQ(10, r.items);
}

// A page deleted and the same page of the source copied back in (as a
// shuffle's slow copy does): its names come back with the copy, not kept
// out by the deleted page's own, which go.
TEST_F(DroppedPagesTest, ANameOfADeletedPageMakesWayForTheCopyThatComesBack) {
  ScopedDoc doc(OpenPdf(source));
  ScopedDoc pristine(OpenPdf(source));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  PDDocInsertPages(doc, PDBeforeFirstPage, pristine, 0, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  SCrossLinks r = Saved(doc, "back.pdf");
  EXPECT_EQ(kPages, (int)r.labels.size());
  EXPECT_EQ(0, r.outside);
  // (The copy's own links to pages of the other document do not come, nor
  // do the others' links to the page deleted: only the names are looked at.)
  EXPECT_EQ(std::string::npos, r.problems.find("outside")) << r.problems;
  EXPECT_EQ(std::string::npos, r.problems.find("name")) << r.problems;
  EXPECT_EQ(kPages, r.names);
  EXPECT_EQ(kPages, r.catalogNames);
}

// The structure tree is walked once for many deletions, but a write into it
// between two of them has it walked again: a tree spoilt that way still
// stops the deletion.
TEST_F(DroppedPagesTest, AStructureTreeSpoiltBetweenDeletionsStillStopsTheNext) {
  ScopedDoc doc(OpenPdf(source));
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  CosObj tree = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("StructTreeRoot"));
  CosObj document = CosArrayGet(CosDictGet(tree, A("K")), 0);
  CosObj div = CosArrayGet(CosDictGet(document, A("K")), 1);
  CosArrayInsert(CosDictGet(div, A("K")), 0, document);  // a circle
  EXPECT_EQ(pdsErrBadStructure, ErrorOf([&] { PDDocDeletePages(doc, 0, 0, nullptr, nullptr); }));
  EXPECT_EQ(kPages - 1, PDDocGetNumPages(doc));
}

}  // namespace
