// Join two pages: the joined page's place, size and content, the pages kept
// or deleted, the bleed question, PDF/X pages, the window, and pages that
// have no page after them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EngineTestSupport.h"
#include "PagesTestSupport.h"
#include "engine/EnginePrefs.h"
#include "engine/JoinPages.h"
#include "host/AVAlert.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageStamp.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

class Join : public PagesTest {
 protected:
  void TearDown() override {
    prefs.Restore();
    PagesTest::TearDown();
  }

  // Saves the document, checks it with qpdf and returns poppler's text.
  std::string Saved(PDDoc doc, const char* name) {
    std::string path = dir.file(name);
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path));
    return PdfToText(path);
  }
  static std::string Size(PDDoc doc, ASInt32 n) {
    PDPage page = PDDocAcquirePage(doc, n);
    ASFixedRect box;
    PDPageGetMediaBox(page, &box);
    PDPageRelease(page);
    return std::to_string((int)Pt(box.right - box.left)) + "x" + std::to_string((int)Pt(box.top - box.bottom));
  }
  // A page with a text at (20, 20) and a TrimBox when trim is set.
  static PageDef Labelled(double w, double h, const char* text, bool trim = false) {
    PageDef def{{0, 0, w, h}, std::string("BT /F1 12 Tf 20 20 Td (") + text + ") Tj ET", nullptr};
    def.extra = [trim, w, h](CosDoc cosDoc, CosObj page) {
      CosDictPutKeyString(page, "Resources", FontResources(cosDoc, "Helvetica"));
      if (!trim) return;
      CosObj box = CosNewArray(cosDoc, 0, 4);
      const double v[4] = {10, 10, w - 10, h - 10};
      for (int k = 0; k < 4; ++k) CosArrayPut(box, k, CosNewFixed(cosDoc, 0, Fx(v[k])));
      CosDictPutKeyString(page, "TrimBox", box);
    };
    return def;
  }

  EnginePrefValues prefs;
};

TEST_F(Join, TheJoinedPageTakesThePlaceOfThePair) {
  struct Case {
    int pages;
    ASInt32 at;
    const char* text;
  };
  const Case cases[] = {{3, 0, "Page1Page2|Page3|"}, {3, 1, "Page1|Page2Page3|"}, {2, 0, "Page1Page2|"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PDDoc doc = Doc(c.pages);
    ASSERT_TRUE(JoinTwoPages(nullptr, doc, c.at, 1, 0));
    EXPECT_EQ(c.pages - 1, PDDocGetNumPages(doc));
    EXPECT_EQ("1224x792", Size(doc, c.at));
    EXPECT_EQ(c.text, Saved(doc, "joined.pdf"));
  }
}

TEST_F(Join, WithoutDeletingTheSourcesFollowTheJoinedPage) {
  PDDoc doc = Doc(3);
  ASSERT_TRUE(JoinTwoPages(nullptr, doc, 1, 0, 0));
  EXPECT_EQ("Page1|Page2Page3|Page2|Page3|", Saved(doc, "kept.pdf"));
}

// The second page sits right of the first; a taller one is cut at the
// first page's height, a lower one leaves the rest empty.
TEST_F(Join, TheFirstPageGivesTheHeight) {
  struct Case {
    double w1, h1, w2, h2;
    const char* size;
  };
  for (const Case& c : {Case{612, 792, 612, 1008, "1224x792"}, Case{300, 400, 200, 100, "500x400"}}) {
    SCOPED_TRACE(c.size);
    docs.push_back(NewDocWithPages({Labelled(c.w1, c.h1, "LEFT"), Labelled(c.w2, c.h2, "RIGHT")}));
    PDDoc doc = docs.back();
    ASSERT_TRUE(JoinTwoPages(nullptr, doc, 0, 1, 0));
    ASSERT_EQ(1, PDDocGetNumPages(doc));
    EXPECT_EQ(c.size, Size(doc, 0));
    std::string path = dir.file("sizes.pdf");
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path));
    // Where poppler finds the second page's text: shifted by the first width.
    char cmd[600];
    std::snprintf(cmd, sizeof cmd, "pdftotext -bbox '%s' - 2>/dev/null | grep -o 'xMin=\"[0-9.]*\"[^>]*>RIGHT'",
                  path.c_str());
    FILE* pipe = popen(cmd, "r");
    char line[300] = "";
    if (pipe) {
      if (!fgets(line, sizeof line, pipe)) line[0] = 0;
      pclose(pipe);
    }
    double x = std::strlen(line) > 6 ? std::atof(line + 6) : -1;
    EXPECT_NEAR(c.w1 + 20, x, 1.0) << line;
  }
}

TEST_F(Join, BleedIsOnlyLostWhenTheUserAgrees) {
  for (bool agree : {false, true}) {
    SCOPED_TRACE(agree);
    docs.push_back(NewDocWithPages({Labelled(300, 300, "A"), Labelled(300, 300, "B", true)}));
    PDDoc doc = docs.back();
    AVAlertClearRecorded();
    AVAlertQueueAnswer(agree ? 1 : 2);
    EXPECT_EQ(agree, (bool)JoinTwoPages(nullptr, doc, 0, 1, 0));
    EXPECT_EQ(1u, AVAlertRecorded().size()) << "asked once";
    EXPECT_EQ(agree ? 1 : 2, PDDocGetNumPages(doc));
    if (!agree) {
      EXPECT_EQ("A|B|", Saved(doc, "declined.pdf")) << "nothing changed";
    }
  }
  // Pages without bleed are joined without a question.
  AVAlertClearRecorded();
  PDDoc plain = Doc(2);
  EXPECT_TRUE(JoinTwoPages(nullptr, plain, 0, 1, 0));
  EXPECT_TRUE(AVAlertRecorded().empty());
}

TEST_F(Join, PDFXDocumentsGetATrimBoxOnTheJoinedPage) {
  for (ASInt32 mode : {0, 1}) {
    SCOPED_TRACE(mode);
    gPDFXMode = mode;
    PDDoc doc = Doc(2);
    const char version[] = "PDF/X-3:2002";
    PDDocSetInfo(doc, "GTS_PDFXVersion", version, (ASInt32)std::strlen(version));
    ASSERT_TRUE(JoinTwoPages(nullptr, doc, 0, 1, 0));
    PDPage page = PDDocAcquirePage(doc, 0);
    bool trim = CosObjGetType(CosDictGetKeyString(PDPageGetCosObj(page), "TrimBox")) == CosArray;
    PDPageRelease(page);
    EXPECT_EQ(mode == 1, trim);
  }
}

TEST_F(Join, TheWindowShowsTheJoinedPageWhole) {
  AVDoc view = View(4, 2);
  PDDoc doc = AVDocGetPDDoc(view);
  AVPageViewZoomTo(AVDocGetPageView(view), AVZoomFitWidth, 0);
  ASSERT_TRUE(JoinTwoPages(view, doc, 1, 1, 1));
  EXPECT_EQ(1, AVPageViewGetPageNum(AVDocGetPageView(view)));
  EXPECT_EQ(AVZoomFitPage, AVPageViewGetZoomType(AVDocGetPageView(view)));
  EXPECT_EQ("Page1|Page2Page3|Page4|", Saved(doc, "window.pdf"));
}

// A page whose size cannot be read fails the join before anything changes:
// no page of no size, no source page deleted, no stamp given, and a page
// acquired before its size read failed is released (the fixture counts).
TEST_F(Join, APageThatCannotBeReadFailsTheJoinWithNothingChanged) {
  const struct {
    const char* what;
    const char* call;
    ASInt32 skip;
  } cases[] = {{"the first page", "PDDocAcquirePage", 0},
               {"the second page", "PDDocAcquirePage", 1},
               {"the first page's size, the page acquired", "PDPageGetCropBox", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc doc = Doc(2);
    ASFaultInject(c.call, genErrGeneral, c.skip);
    EXPECT_EQ(genErrGeneral, ErrorOf([&] { JoinTwoPages(nullptr, doc, 0, 1, 0); }));
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "no page stays acquired";
    ASSERT_EQ(2, PDDocGetNumPages(doc));
    for (ASInt32 i = 0; i < 2; ++i) {
      EXPECT_EQ("612x792", Size(doc, i));
      ScopedPage page(doc, i);
      EXPECT_FALSE(PageHasStamp(page)) << i;
    }
    EXPECT_EQ("Page1|Page2|", Saved(doc, "unread.pdf"));
  }
}

// A failure after the pair was read (placing the second page, or deleting
// the pair after the joined page was made) fails the join and leaves the
// pair as it was: no joined page, no stamps.
TEST_F(Join, AFailureWhileJoiningLeavesThePairAsItWas) {
  const struct {
    const char* what;
    const char* call;
    ASInt32 skip;
  } cases[] = {{"placing the second page", "CosStreamOpenStm", 1}, {"deleting the pair", "PDDocDeletePages", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc doc = Doc(3);
    ASFaultInject(c.call, genErrGeneral, c.skip);
    EXPECT_EQ(genErrGeneral, ErrorOf([&] { JoinTwoPages(nullptr, doc, 0, 1, 0); }));
    ASFaultClearAll();
    ASSERT_EQ(3, PDDocGetNumPages(doc));
    for (ASInt32 i = 0; i < 3; ++i) {
      EXPECT_EQ("612x792", Size(doc, i));
      ScopedPage page(doc, i);
      EXPECT_FALSE(PageHasStamp(page)) << i;
    }
    EXPECT_EQ("Page1|Page2|Page3|", Saved(doc, "failed.pdf"));
  }
}

// Declining the bleed question leaves the pages without stamps too.
TEST_F(Join, DecliningLeavesNoStamps) {
  docs.push_back(NewDocWithPages({Labelled(300, 300, "A", true), Labelled(300, 300, "B")}));
  PDDoc doc = docs.back();
  AVAlertQueueAnswer(2);
  EXPECT_FALSE(JoinTwoPages(nullptr, doc, 0, 1, 0));
  for (ASInt32 i = 0; i < 2; ++i) {
    ScopedPage page(doc, i);
    EXPECT_FALSE(PageHasStamp(page)) << i;
  }
}

// A page without a page after it is refused before anything changes.
TEST_F(Join, APageWithoutAFollowerIsRefused) {
  PDDoc doc = Doc(3);
  for (ASInt32 page : {2, 3, -1}) {
    SCOPED_TRACE(page);
    EXPECT_EQ(genErrBadParm, ErrorOf([&] { JoinTwoPages(nullptr, doc, page, 1, 0); }));
  }
  EXPECT_EQ("Page1|Page2|Page3|", Saved(doc, "refused.pdf"));
}

}  // namespace
