// The page list the host keeps over the page tree: which writes make it walk
// the tree again, and the page operations that keep the list themselves
// (deleting runs of pages, moving pages) on trees of several levels, trees
// with junk in them, and a page named twice in one Kids array.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <functional>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

CosObj PageObj(PDDoc doc, ASInt32 n) {
  ScopedPage p(doc, n);
  return PDPageGetCosObj(p);
}

CosObj PagesRootOf(PDDoc doc) { return CosDictGet(CosDocGetRoot(PDDocGetCosDoc(doc)), A("Pages")); }

class PageList : public ::testing::Test {
 protected:
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
  }
  std::string Simple(int pages) {
    std::string p = dir.file("simple" + std::to_string(pages) + ".pdf");
    kvfix::WriteSimple(p, pages);
    return p;
  }
  TempDir dir;
};

// ---- when the tree is walked again

struct Write {
  const char* what;
  std::function<void(PDDoc doc, CosDoc cos)> write;
};

TEST_F(PageList, WritesOutsideTheTreeKeepThePageList) {
  const Write writes[] = {
      // What the imposition does with every placed page: a copy of the page's
      // dictionary takes Type and Parent, which are then taken out again.
      {"a copy of a page", [](PDDoc doc, CosDoc cos) {
         CosObj copy = CosNewDict(cos, 0, 4);
         CosDictPut(copy, A("Type"), CosNewName(cos, 0, A("Page")));
         CosDictPut(copy, A("Parent"), PagesRootOf(doc));
         CosDictPut(copy, A("Kids"), CosNewArray(cos, 0, 0));
         CosDictRemove(copy, A("Type"));
         CosDictRemove(copy, A("Parent"));
       }},
      {"an indirect dictionary made and destroyed", [](PDDoc doc, CosDoc cos) {
         CosObj d = CosNewDict(cos, 1, 2);
         CosDictPut(d, A("Type"), CosNewName(cos, 0, A("Pages")));
         CosDictPut(d, A("Parent"), PagesRootOf(doc));
         CosObjDestroy(d);
       }},
      {"a page's content stream's dictionary and the stream destroyed", [](PDDoc doc, CosDoc cos) {
         CosObj contents = CosDictGet(PageObj(doc, 1), A("Contents"));
         CosDictPut(CosStreamDict(contents), A("Type"), CosNewName(cos, 0, A("XObject")));
         CosObjDestroy(contents);
       }},
      {"a dictionary inside a page", [](PDDoc doc, CosDoc cos) {
         CosObj page = PageObj(doc, 2);
         CosDictPut(page, A("KRVL_Test"), CosNewDict(cos, 0, 1));
         CosDictPut(CosDictGet(page, A("KRVL_Test")), A("Parent"), page);
         CosDictPut(CosDictGet(page, A("Resources")), A("Type"), CosNewName(cos, 0, A("Resources")));
       }},
      {"keys of pages and nodes the walk does not read", [](PDDoc doc, CosDoc cos) {
         CosDictPut(PageObj(doc, 0), A("Rotate"), CosNewInteger(cos, 0, 90));
         CosDictRemove(PageObj(doc, 0), A("Rotate"));
         CosDictPut(PagesRootOf(doc), A("Count"), CosNewInteger(cos, 0, 6));
         CosDictPut(CosDocGetRoot(cos), A("KRVL_Test"), CosNewInteger(cos, 0, 1));
       }},
  };
  for (const Write& w : writes) {
    ScopedDoc doc(OpenPdf(Simple(6)));
    ASSERT_EQ(6, PDDocGetNumPages(doc));
    const ASInt32 walks = PDDocGetPageTreeWalks(doc);
    w.write(doc, PDDocGetCosDoc(doc));
    EXPECT_EQ(6, PDDocGetNumPages(doc)) << w.what;
    EXPECT_EQ(walks, PDDocGetPageTreeWalks(doc)) << w.what << " made the host walk the tree again";
  }
}

TEST_F(PageList, WritesThatReshapeTheTreeAreSeen) {
  struct Case {
    Write write;
    ASInt32 pages;  // after the write
  } cases[] = {
      {{"a page is no page any more",
        [](PDDoc doc, CosDoc cos) { CosDictPut(PageObj(doc, 2), A("Type"), CosNewName(cos, 0, A("Annot"))); }},
       5},
      {{"a page destroyed", [](PDDoc doc, CosDoc) { CosObjDestroy(PageObj(doc, 2)); }}, 5},
      {{"a Kids array destroyed",
        [](PDDoc doc, CosDoc cos) {
          // Made indirect first, so that it can be destroyed.
          CosObj kids = CosNewArray(cos, 1, 2);
          CosArrayPut(kids, 0, PageObj(doc, 0));
          CosArrayPut(kids, 1, PageObj(doc, 1));
          CosDictPut(PagesRootOf(doc), A("Kids"), kids);
          ASSERT_EQ(2, PDDocGetNumPages(doc));
          CosObjDestroy(kids);
        }},
       0},
      {{"a Kids array replaced",
        [](PDDoc doc, CosDoc cos) {
          CosObj kids = CosNewArray(cos, 0, 2);
          CosArrayPut(kids, 0, PageObj(doc, 4));
          CosArrayPut(kids, 1, PageObj(doc, 5));
          CosDictPut(PagesRootOf(doc), A("Kids"), kids);
        }},
       2},
      {{"the Kids array taken out", [](PDDoc doc, CosDoc) { CosDictRemove(PagesRootOf(doc), A("Kids")); }}, 0},
      {{"an item of Kids taken out",
        [](PDDoc doc, CosDoc) { CosArrayRemoveNth(CosDictGet(PagesRootOf(doc), A("Kids")), 0); }},
       5},
      {{"a new tree for the catalog",
        [](PDDoc doc, CosDoc cos) {
          CosObj root = CosNewDict(cos, 1, 3);
          CosDictPut(root, A("Type"), CosNewName(cos, 0, A("Pages")));
          CosObj kids = CosNewArray(cos, 0, 1);
          CosArrayPut(kids, 0, PageObj(doc, 3));
          CosDictPut(root, A("Kids"), kids);
          CosDictPut(CosDocGetRoot(cos), A("Pages"), root);
        }},
       1},
      {{"a new catalog for the trailer",
        [](PDDoc, CosDoc cos) {
          CosObj catalog = CosNewDict(cos, 1, 2);
          CosDictPut(catalog, A("Type"), CosNewName(cos, 0, A("Catalog")));
          CosObj root = CosNewDict(cos, 1, 2);
          CosDictPut(root, A("Type"), CosNewName(cos, 0, A("Pages")));
          CosDictPut(root, A("Kids"), CosNewArray(cos, 0, 0));
          CosDictPut(catalog, A("Pages"), root);
          CosDictPut(CosDocGetTrailer(cos), A("Root"), catalog);
        }},
       0},
  };
  for (const Case& c : cases) {
    ScopedDoc doc(OpenPdf(Simple(6)));
    ASSERT_EQ(6, PDDocGetNumPages(doc));
    c.write.write(doc, PDDocGetCosDoc(doc));
    EXPECT_EQ(c.pages, PDDocGetNumPages(doc)) << c.write.what;
  }
}

TEST_F(PageList, ThePageListFollowsThePageOperationsWithoutAWalk) {
  ScopedDoc doc(OpenPdf(Simple(6)));
  ScopedDoc other(OpenPdf(Simple(2)));
  ASSERT_EQ(6, PDDocGetNumPages(doc));
  const ASInt32 walks = PDDocGetPageTreeWalks(doc);
  PDDocMovePage(doc, PDLastPage, 0);
  PDDocDeletePages(doc, 1, 2, nullptr, nullptr);
  PDDocInsertPages(doc, 0, other, 0, PDAllPages, 0, nullptr, nullptr, nullptr, nullptr);
  ScopedPage made(PDDocCreatePage(doc, PDLastPage, ASFixedRect{0, fixedOne, fixedOne, 0}));
  // A page the host put into the tree is a page of the tree: its Type shapes it.
  CosDictPut(PDPageGetCosObj(made), A("Type"), CosNewName(PDDocGetCosDoc(doc), 0, A("Annot")));
  EXPECT_EQ(6, PDDocGetNumPages(doc));
  EXPECT_EQ(walks + 1, PDDocGetPageTreeWalks(doc)) << "only the write of Type walks again";
}

}  // namespace
