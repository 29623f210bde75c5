// The page list the host keeps over the page tree: which writes make it walk
// the tree again, and the page operations that keep the list themselves
// (deleting runs of pages, moving pages) on trees of several levels, trees
// with junk in them, and a page named twice in one Kids array.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
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

using H = QPDFObjectHandle;

// A page tree of several levels, written with qpdf: pages labelled 1..30
// under root [A(1-6) 7 B[C(8-12) 13] D(14-30)], the media box on the root.
// With twice, the root's Kids names page 7 a second time after B.
void WriteTree(const std::string& path, bool twice = false) {
  QPDF q;
  q.emptyPDF();
  auto node = [&] { return q.makeIndirectObject(H::parse("<< /Type /Pages /Kids [] /Count 0 >>")); };
  auto add = [](H parent, H kid) {
    parent.getKey("/Kids").appendItem(kid);
    kid.replaceKey("/Parent", parent);
    long long pages = kid.getKey("/Type").isNameAndEquals("/Pages") ? kid.getKey("/Count").getIntValue() : 1;
    for (H n = parent; n.isDictionary(); n = n.getKey("/Parent"))
      n.replaceKey("/Count", H::newInteger(n.getKey("/Count").getIntValue() + pages));
  };
  std::vector<H> pages;
  for (int i = 1; i <= 30; ++i) {
    H p = q.makeIndirectObject(H::parse("<< /Type /Page >>"));
    p.replaceKey("/Label", H::newInteger(i));
    p.replaceKey("/Contents", q.newStream("BT /F1 12 Tf 20 20 Td (Page " + std::to_string(i) + ") Tj ET\n"));
    pages.push_back(p);
  }
  H root = node();
  root.replaceKey("/MediaBox", H::parse("[0 0 300 300]"));
  root.replaceKey("/Resources", H::parse("<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>"));
  // Bottom up, so that every count is added once.
  H a = node(), b = node(), c = node(), d = node();
  for (int i = 0; i < 6; ++i) add(a, pages[(size_t)i]);
  add(root, a);
  add(root, pages[6]);
  for (int i = 7; i < 12; ++i) add(c, pages[(size_t)i]);
  add(b, c);
  add(b, pages[12]);
  add(root, b);
  if (twice) root.getKey("/Kids").appendItem(pages[6]);
  for (int i = 13; i < 30; ++i) add(d, pages[(size_t)i]);
  add(root, d);
  q.getRoot().replaceKey("/Pages", root);
  QPDFWriter w(q, path.c_str());
  w.setStaticID(true);
  w.write();
}

std::vector<int> Labels(PDDoc doc) {
  std::vector<int> out;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) out.push_back(CosIntegerValue(CosDictGet(PageObj(doc, i), A("Label"))));
  return out;
}

// The labels of a saved file's pages as qpdf reads them.
std::vector<int> SavedLabels(const std::string& path) {
  QPDF q;
  q.processFile(path.c_str());
  std::vector<int> out;
  for (QPDFObjectHandle p : q.getAllPages()) out.push_back((int)p.getKey("/Label").getIntValue());
  return out;
}

// Every node's Count against the pages below it; no node is left empty but
// the root. Answers the pages below node, or -1 after a failed expectation.
int CheckCounts(CosObj node, bool isRoot, const std::string& what) {
  CosObj kids = CosDictGet(node, A("Kids"));
  int pages = 0;
  for (ASInt32 i = 0; i < CosArrayLength(kids); ++i) {
    CosObj kid = CosArrayGet(kids, i);
    if (CosObjGetType(kid) != CosDict) continue;
    if (CosNameValue(CosDictGet(kid, A("Type"))) == A("Pages")) {
      int below = CheckCounts(kid, false, what);
      if (below < 0) return -1;
      pages += below;
    } else {
      ++pages;
    }
  }
  EXPECT_TRUE(isRoot || CosArrayLength(kids) > 0) << what << ": an empty node is left";
  EXPECT_EQ(pages, CosIntegerValue(CosDictGet(node, A("Count")))) << what;
  return ::testing::Test::HasFailure() ? -1 : pages;
}

std::vector<int> Range(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

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

// ---- deleting runs of pages

TEST_F(PageList, RunsOfPagesAreDeletedAcrossNodes) {
  std::string tree = dir.file("tree.pdf");
  WriteTree(tree);
  struct Case {
    ASInt32 first, last;
    std::vector<int> left;
  } cases[] = {
      {0, 0, Range(2, 30)},
      {4, 8, [] { std::vector<int> v{1, 2, 3, 4}; for (int i : Range(10, 30)) v.push_back(i); return v; }()},
      {6, 12, [] { std::vector<int> v = Range(1, 6); for (int i : Range(14, 30)) v.push_back(i); return v; }()},
      {7, 11, [] { std::vector<int> v = Range(1, 7); for (int i : Range(13, 30)) v.push_back(i); return v; }()},
      {13, 29, Range(1, 13)},
      {0, 29, {}},
  };
  for (const Case& c : cases) {
    std::string what = "deleting " + std::to_string(c.first) + ".." + std::to_string(c.last);
    std::string out = dir.file("deleted.pdf");
    {
      ScopedDoc doc(OpenPdf(tree));
      PDDocDeletePages(doc, c.first, c.last, nullptr, nullptr);
      EXPECT_EQ(c.left, Labels(doc)) << what;
      CheckCounts(PagesRootOf(doc), true, what);
      SavePdf(doc, out);
      EXPECT_EQ(0, PDDocGetWarningCount(doc)) << what << ": the tree stays sound";
    }
    EXPECT_EQ(0, QpdfCheck(out)) << what;
    EXPECT_EQ(c.left, SavedLabels(out)) << what;
  }
}

TEST_F(PageList, AFailedPageCheckEndsTheRunWhereItFailed) {
  std::string tree = dir.file("tree.pdf");
  WriteTree(tree);
  ScopedDoc doc(OpenPdf(tree));
  struct Recorder {
    std::vector<std::string> calls;
  } r;
  ProgressMonitorRec pm{};
  pm.size = sizeof pm;
  pm.beginOperation = [](void* d) { static_cast<Recorder*>(d)->calls.push_back("begin"); };
  pm.endOperation = [](void* d) { static_cast<Recorder*>(d)->calls.push_back("end"); };
  pm.setDuration = [](ASInt32 v, void* d) { static_cast<Recorder*>(d)->calls.push_back("duration " + std::to_string(v)); };
  pm.setCurrValue = [](ASInt32 v, void* d) { static_cast<Recorder*>(d)->calls.push_back("value " + std::to_string(v)); };
  // Pages go from the last of the run down: the third check fails.
  ASFaultInject("PDDocDeletePages:page", pdErrThumbnailsInTheWay, 2, 1);
  EXPECT_EQ(pdErrThumbnailsInTheWay, ErrorOf([&] { PDDocDeletePages(doc, 4, 9, &pm, &r); }));
  std::vector<int> left = Range(1, 8);
  for (int i : Range(11, 30)) left.push_back(i);
  EXPECT_EQ(left, Labels(doc)) << "pages 9 and 10 went before the failure";
  EXPECT_EQ((std::vector<std::string>{"begin", "duration 6", "value 1", "value 2", "end"}), r.calls);
  CheckCounts(PagesRootOf(doc), true, "after the failure");
}

TEST_F(PageList, APageNamedTwiceInKidsIsDeletedForGood) {
  std::string tree = dir.file("twice.pdf");
  WriteTree(tree, true);
  std::string out = dir.file("out.pdf");
  {
    ScopedDoc doc(OpenPdf(tree));
    ASSERT_EQ(Range(1, 30), Labels(doc)) << "the repeat is passed over";
    PDDocDeletePages(doc, 6, 6, nullptr, nullptr);
    std::vector<int> left = Range(1, 6);
    for (int i : Range(8, 30)) left.push_back(i);
    EXPECT_EQ(left, Labels(doc));
    SavePdf(doc, out);
  }
  EXPECT_EQ(0, QpdfCheck(out));
  EXPECT_EQ(29u, SavedLabels(out).size()) << "the deleted page does not come back through its second entry";
}

// ---- moving pages, and page operations mixed

// Where PDDocMovePage puts a page, on a list of labels.
void ModelMove(std::vector<int>& labels, ASInt32 after, ASInt32 page) {
  ASInt32 to = after == PDBeforeFirstPage ? 0 : after < page ? after + 1 : after;
  int moved = labels[(size_t)page];
  labels.erase(labels.begin() + page);
  labels.insert(labels.begin() + to, moved);
}

void ExpectSavedSound(PDDoc doc, const std::string& out, const std::vector<int>& labels, const std::string& what) {
  CheckCounts(PagesRootOf(doc), true, what);
  SavePdf(doc, out);
  EXPECT_EQ(0, PDDocGetWarningCount(doc)) << what << ": the tree stays sound";
  EXPECT_EQ(0, QpdfCheck(out)) << what;
  EXPECT_EQ(labels, SavedLabels(out)) << what;
}

TEST_F(PageList, ReordersAcrossNodesKeepTheTreeSound) {
  std::string tree = dir.file("tree.pdf");
  WriteTree(tree);
  struct Reorder {
    const char* what;
    std::vector<std::pair<ASInt32, ASInt32>> moves;  // (after, page)
  };
  std::vector<Reorder> reorders;
  {
    Reorder reverse{"reverse by pairs of moves", {}};
    for (ASInt32 a = 0, b = 29; a < b; ++a, --b) {
      reverse.moves.push_back({b, a});
      reverse.moves.push_back({a - 1, b - 1});
    }
    reorders.push_back(reverse);
    Reorder evens{"even pages to the end", {}};
    for (ASInt32 k = 1; k <= 15; ++k) evens.moves.push_back({29, k});
    reorders.push_back(evens);
    Reorder scattered{"scattered moves", {}};
    unsigned seed = 7;
    for (int i = 0; i < 120; ++i) {
      seed = seed * 1103515245u + 12345u;
      ASInt32 page = (ASInt32)((seed >> 8) % 30);
      seed = seed * 1103515245u + 12345u;
      ASInt32 after = (ASInt32)((seed >> 8) % 31) - 1;  // PDBeforeFirstPage too
      if (after != page) scattered.moves.push_back({after, page});
    }
    reorders.push_back(scattered);
  }
  for (const Reorder& r : reorders) {
    ScopedDoc doc(OpenPdf(tree));
    std::vector<int> labels = Range(1, 30);
    for (auto& m : r.moves) {
      PDDocMovePage(doc, m.first, m.second);
      ModelMove(labels, m.first, m.second);
      ASSERT_EQ(labels, Labels(doc)) << r.what << ": after moving page " << m.second << " after " << m.first;
    }
    for (ASInt32 i = 0; i < 30; ++i) {
      ScopedPage p(doc, i);
      ASFixedRect media;
      PDPageGetMediaBox(p, &media);
      EXPECT_EQ(ASInt32ToFixed(300), media.right) << r.what << ": what a page inherited moves with it";
    }
    ExpectSavedSound(doc, dir.file("moved.pdf"), labels, r.what);
  }
}

TEST_F(PageList, APageNamedTwiceInKidsMovesForGood) {
  std::string tree = dir.file("twice.pdf");
  WriteTree(tree, true);
  ScopedDoc doc(OpenPdf(tree));
  std::vector<int> labels = Range(1, 30);
  PDDocMovePage(doc, PDLastPage, 6);
  ModelMove(labels, 29, 6);
  EXPECT_EQ(labels, Labels(doc));
  std::string out = dir.file("out.pdf");
  SavePdf(doc, out);
  EXPECT_EQ(0, QpdfCheck(out));
  EXPECT_EQ(labels, SavedLabels(out)) << "the page is where it was moved to, not at its second entry";
}

TEST_F(PageList, MixedPageOperationsKeepTheirPlaces) {
  std::string tree = dir.file("tree.pdf");
  WriteTree(tree);
  std::string other = dir.file("other.pdf");
  WriteTree(other);
  ScopedDoc doc(OpenPdf(tree));
  ScopedDoc source(OpenPdf(other));
  for (ASInt32 i = 0; i < 30; ++i)
    CosDictPut(PageObj(source, i), A("Label"), CosNewInteger(PDDocGetCosDoc(source), 0, 101 + i));
  std::vector<int> labels = Range(1, 30);
  int made = 200;
  unsigned seed = 11;
  auto next = [&](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (ASInt32)((seed >> 8) % n);
  };
  for (int step = 0; step < 150; ++step) {
    const ASInt32 n = (ASInt32)labels.size();
    std::string what = "step " + std::to_string(step);
    switch (next(4)) {
      case 0: {  // a run of pages from the other document
        ASInt32 after = next((unsigned)n + 1) - 1, start = next(30), count = 1 + next(3);
        count = std::min<ASInt32>(count, 30 - start);
        PDDocInsertPages(doc, after, source, start, count, 0, nullptr, nullptr, nullptr, nullptr);
        for (ASInt32 k = 0; k < count; ++k) labels.insert(labels.begin() + after + 1 + k, 101 + start + k);
        break;
      }
      case 1: {  // a new page
        ASInt32 after = next((unsigned)n + 1) - 1;
        ScopedPage p(PDDocCreatePage(doc, after, ASFixedRect{0, fixedOne, fixedOne, 0}));
        CosDictPut(PDPageGetCosObj(p), A("Label"), CosNewInteger(PDDocGetCosDoc(doc), 0, made));
        labels.insert(labels.begin() + after + 1, made++);
        break;
      }
      case 2: {  // a short run deleted
        if (n < 8) continue;
        ASInt32 first = next((unsigned)n), last = std::min<ASInt32>(n - 1, first + next(3));
        PDDocDeletePages(doc, first, last, nullptr, nullptr);
        labels.erase(labels.begin() + first, labels.begin() + last + 1);
        break;
      }
      default: {
        ASInt32 page = next((unsigned)n), after = next((unsigned)n + 1) - 1;
        if (after == page) continue;
        PDDocMovePage(doc, after, page);
        ModelMove(labels, after, page);
      }
    }
    ASSERT_EQ(labels, Labels(doc)) << what;
  }
  ExpectSavedSound(doc, dir.file("mixed.pdf"), labels, "after the mixed operations");
}

// What Cos calls read of Kids arrays the page operations just edited.
std::vector<int> KidsLabels(CosObj kids) {
  std::vector<int> out;
  for (ASInt32 i = 0; i < CosArrayLength(kids); ++i) out.push_back(CosIntegerValue(CosDictGet(CosArrayGet(kids, i), A("Label"))));
  return out;
}

TEST_F(PageList, CosCallsSeeKidsAsThePageOperationsLeftThem) {
  std::string tree = dir.file("tree.pdf");
  WriteTree(tree);
  auto reorder = [](PDDoc doc, std::vector<int>& labels) {
    for (ASInt32 k = 1; k <= 3; ++k) {
      PDDocMovePage(doc, 29, k);
      ModelMove(labels, 29, k);
    }
  };
  // D's Kids (pages 14-30 and the moved ones), held from before the moves.
  struct Case {
    const char* what;
    std::function<void(PDDoc doc, CosObj kids, std::vector<int>& labels)> check;
    bool sound = true;  // the tree is sound after it
  } cases[] = {
      {"read through a handle taken before",
       [](PDDoc, CosObj kids, std::vector<int>& labels) {
         EXPECT_EQ(std::vector<int>(labels.begin() + 10, labels.end()), KidsLabels(kids));
       }},
      {"read through the node",
       [](PDDoc doc, CosObj, std::vector<int>& labels) {
         CosObj rootKids = CosDictGet(PagesRootOf(doc), A("Kids"));
         CosObj d = CosArrayGet(rootKids, CosArrayLength(rootKids) - 1);
         EXPECT_EQ(std::vector<int>(labels.begin() + 10, labels.end()), KidsLabels(CosDictGet(d, A("Kids"))));
       }},
      {"enumerated",
       [](PDDoc, CosObj kids, std::vector<int>& labels) {
         std::vector<int> seen;
         CosObjEnum(
             kids,
             [](CosObj item, CosObj, void* data) -> ASBool {
               static_cast<std::vector<int>*>(data)->push_back(CosIntegerValue(CosDictGet(item, A("Label"))));
               return 1;
             },
             &seen);
         EXPECT_EQ(std::vector<int>(labels.begin() + 10, labels.end()), seen);
       }},
      {"written after",
       [](PDDoc doc, CosObj kids, std::vector<int>& labels) {
         CosObj first = CosArrayGet(kids, 0), second = CosArrayGet(kids, 1);  // pages 14 and 15
         CosArrayPut(kids, 0, second);
         CosArrayPut(kids, 1, first);
         std::swap(labels[10], labels[11]);
         EXPECT_EQ(labels, Labels(doc));
       }},
      {"put into another node",
       [](PDDoc doc, CosObj kids, std::vector<int>& labels) {
         CosDoc cos = PDDocGetCosDoc(doc);
         CosObj copy = CosNewDict(cos, 0, 1);
         CosDictPut(copy, A("Kids"), kids);
         EXPECT_EQ(std::vector<int>(labels.begin() + 10, labels.end()), KidsLabels(CosDictGet(copy, A("Kids"))));
       }},
      {"destroyed",
       [](PDDoc doc, CosObj kids, std::vector<int>& labels) {
         CosDoc cos = PDDocGetCosDoc(doc);
         CosObj rootKids = CosDictGet(PagesRootOf(doc), A("Kids"));
         CosObj d = CosArrayGet(rootKids, CosArrayLength(rootKids) - 1);
         CosObj indirect = CosNewArray(cos, 1, 0);  // an indirect Kids array to destroy
         for (ASInt32 i = 0; i < CosArrayLength(kids); ++i) CosArrayPut(indirect, i, CosArrayGet(kids, i));
         CosDictPut(d, A("Kids"), indirect);
         EXPECT_EQ(labels, Labels(doc));
         PDDocMovePage(doc, PDLastPage, 10);  // page 14, under D, to the end of D
         ModelMove(labels, 29, 10);
         CosObjDestroy(indirect);
         labels.resize(10);
         EXPECT_EQ(labels, Labels(doc));
       },
       false},
  };
  for (const Case& c : cases) {
    ScopedDoc doc(OpenPdf(tree));
    CosObj rootKids = CosDictGet(PagesRootOf(doc), A("Kids"));
    CosObj kids = CosDictGet(CosArrayGet(rootKids, CosArrayLength(rootKids) - 1), A("Kids"));
    std::vector<int> labels = Range(1, 30);
    reorder(doc, labels);
    c.check(doc, kids, labels);
    if (c.sound) {
      ExpectSavedSound(doc, dir.file("out.pdf"), labels, c.what);
    } else {
      SavePdf(doc, dir.file("out.pdf"));
      EXPECT_EQ(0, QpdfCheck(dir.file("out.pdf"))) << c.what;
      EXPECT_EQ(labels, SavedLabels(dir.file("out.pdf"))) << c.what;
    }
  }
}

}  // namespace
