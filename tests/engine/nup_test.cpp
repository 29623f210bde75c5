// N-up layout: the planner on a table of sheets and pages, the alignment and
// mirroring of the performer, and whole layouts into new and source
// documents checked by qpdf and poppler.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "PagesTestSupport.h"
#include "SheetCheck.h"
#include "engine/EnginePrefs.h"
#include "engine/Nup.h"
#include "foundation/KCab.h"
#include "host/ASFixed.h"
#include "kctl/PageSizeElem.h"
#include "kctl/StatusBox.h"
#include "pdftools/PageStamp.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

ASFixed Pt(double points) { return (ASFixed)(points * 65536.0); }
double ToPt(ASFixed f) { return f / 65536.0; }

SNupSpacing Spacing(double sheetW, double sheetH, double margin, double scale = 1.0) {
  SNupSpacing s;
  std::memset(&s, 0, sizeof s);
  s.leftMargin = s.rightMargin = s.topMargin = s.bottomMargin = Pt(margin);
  s.hGapCount = s.vGapCount = 1;
  s.scale = s.fitScale = 1.0;
  s.scale = scale;
  s.sheetWidth = Pt(sheetW);
  s.sheetHeight = Pt(sheetH);
  return s;
}

struct PlanCase {
  const char* name;
  double sheetW, sheetH, margin;
  std::vector<std::pair<double, double>> pages;  // width, height (points)
  double scale;
  int maxAcross, maxDown;
  std::vector<double> hGaps, vGaps;
  bool trim;
  int sheets;
  bool didNotFit;
  int fewestRows, mostRows, fewestAcross, mostAcross;
};
void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::pair<double, double>> Same(int n, double w, double h) {
  return std::vector<std::pair<double, double>>((size_t)n, {w, h});
}

constexpr int kNone = 0x7FFFFFFF;

class NupPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(NupPlan, CountsAndFillsAlike) {
  const PlanCase& c = GetParam();
  SNupSpacing s = Spacing(c.sheetW, c.sheetH, c.margin, c.scale);
  s.maxAcross = c.maxAcross;
  s.maxDown = c.maxDown;
  s.trim = c.trim;
  if (!c.hGaps.empty()) {
    s.hGapCount = (ASInt32)c.hGaps.size();
    for (size_t i = 0; i < c.hGaps.size(); ++i) s.hGaps[i] = Pt(c.hGaps[i]);
  }
  if (!c.vGaps.empty()) {
    s.vGapCount = (ASInt32)c.vGaps.size();
    for (size_t i = 0; i < c.vGaps.size(); ++i) s.vGaps[i] = Pt(c.vGaps[i]);
  }
  s.pageCount = (ASInt32)c.pages.size();
  std::vector<ASFixedPoint> sizes;
  for (auto& p : c.pages) sizes.push_back({Pt(p.first), Pt(p.second)});

  NupSpacingDummy(&s, nullptr, sizes.data(), nullptr, nullptr, nullptr);
  EXPECT_EQ(c.sheets, s.sheetCount);
  EXPECT_EQ(c.didNotFit, s.somethingDidNotFit != 0);
  EXPECT_EQ(c.fewestRows, s.fewestRows);
  EXPECT_EQ(c.mostRows, s.mostRows);
  EXPECT_EQ(c.fewestAcross, s.fewestAcross);
  EXPECT_EQ(c.mostAcross, s.mostAcross);
  EXPECT_EQ(-1.0, s.spare1);
  EXPECT_EQ(-1, s.fewestCopies);
  EXPECT_EQ(0, s.totalCopies);

  // The filling pass gives the same answers and places every page inside
  // its sheet, sheets never going back.
  SNupSpacing f = s;
  std::vector<ASFixedPoint> sheetSizes((size_t)std::max(1, s.sheetCount)), positions(sizes.size());
  std::vector<ASInt32> sheetOf(sizes.size());
  NupSpacingDummy(&f, nullptr, sizes.data(), sheetSizes.data(), positions.data(), sheetOf.data());
  EXPECT_EQ(s.sheetCount, f.sheetCount);
  EXPECT_EQ(s.mostRows, f.mostRows);
  for (size_t i = 0; i < sizes.size(); ++i) {
    SCOPED_TRACE(i);
    if (i) {
      EXPECT_GE(sheetOf[i], sheetOf[i - 1]);
    }
    const ASFixedPoint sheet = sheetSizes[(size_t)sheetOf[i]];
    EXPECT_LE(ToPt(positions[i].h) + c.pages[i].first * c.scale, ToPt(sheet.h) + 1e-3);
    EXPECT_LE(c.margin + ToPt(positions[i].v) + c.pages[i].second * c.scale, ToPt(sheet.v) + 1e-3);
    if (!c.trim) {
      EXPECT_GE(sheet.h, s.sheetWidth);
      EXPECT_GE(sheet.v, s.sheetHeight);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, NupPlan,
    ::testing::Values(
        PlanCase{"TwelveOnLetter", 612, 792, 36, Same(12, 252, 360), 1.0, 0, 0, {}, {}, false, 3, false, 2, 2, 2, 2},
        PlanCase{"ExactlyAsWideAsTheSpace", 612, 792, 36, Same(2, 540, 300), 1.0, 0, 0, {}, {}, false, 1, false,
                 kNone, 2, 1, 1},
        PlanCase{"WiderThanTheSheet", 612, 792, 36, {{100, 100}, {541, 100}, {100, 100}}, 1.0, 0, 0, {}, {}, false,
                 2, true, 1, 2, 1, 1},
        PlanCase{"ScaledToHalf", 612, 792, 0, Same(5, 612, 792), 0.5, 0, 0, {}, {}, false, 2, false, 2, 2, 2, 2},
        PlanCase{"LimitedAcrossAndDown", 612, 792, 0, Same(5, 100, 100), 1.0, 1, 2, {}, {}, false, 3, false, 2, 2,
                 1, 1},
        PlanCase{"LastRowNotCounted", 612, 792, 36, Same(5, 252, 360), 1.0, 0, 0, {}, {}, false, 2, false, 2, 2, 2,
                 2},
        PlanCase{"GapsCycle", 400, 400, 0, Same(4, 100, 100), 1.0, 0, 0, {10, 50}, {}, false, 1, false, kNone, 2, 3, 3},
        PlanCase{"VerticalGapPushesARowOut", 300, 300, 0, Same(4, 150, 140), 1.0, 0, 0, {0}, {30}, false, 2, false,
                 1, 1, 2, 2},
        PlanCase{"TrimmedSheets", 612, 792, 10, Same(3, 200, 200), 1.0, 0, 0, {}, {}, true, 1, false, kNone, 2, 2,
                 2},
        PlanCase{"NoPages", 612, 792, 0, {}, 1.0, 0, 0, {}, {}, false, 0, false, kNone, 0, kNone, 0}));

TEST(NupPlanDetail, PositionsAndSheetsOfTwelvePages) {
  SNupSpacing s = Spacing(612, 792, 36);
  s.pageCount = 12;
  std::vector<ASFixedPoint> sizes(12, ASFixedPoint{Pt(252), Pt(360)});
  std::vector<ASFixedPoint> sheets(3), pos(12);
  std::vector<ASInt32> sheetOf(12);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(3, s.sheetCount);
  for (int i = 0; i < 12; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(i / 4, sheetOf[i]);
    EXPECT_DOUBLE_EQ(36 + (i % 2) * 252, ToPt(pos[i].h));
    EXPECT_DOUBLE_EQ(((i / 2) % 2) * 360, ToPt(pos[i].v));
  }
  for (auto& sheet : sheets) {
    EXPECT_DOUBLE_EQ(612, ToPt(sheet.h));
    EXPECT_DOUBLE_EQ(792, ToPt(sheet.v));
  }
}

TEST(NupPlanDetail, TrimmedSheetIsTheUsedAreaAndMargins) {
  SNupSpacing s = Spacing(612, 792, 10);
  s.trim = 1;
  s.pageCount = 3;
  std::vector<ASFixedPoint> sizes(3, ASFixedPoint{Pt(200), Pt(200)});
  std::vector<ASFixedPoint> sheets(1), pos(3);
  std::vector<ASInt32> sheetOf(3);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(1, s.sheetCount);
  // Two across (420 wide with margins), two rows; the tolerance comes off the height.
  EXPECT_DOUBLE_EQ(420, ToPt(sheets[0].h));
  EXPECT_NEAR(420, ToPt(sheets[0].v), 0.011);
}

TEST(NupPlanDetail, AnOversizedPageGetsALargerSheet) {
  SNupSpacing s = Spacing(612, 792, 36);
  s.pageCount = 2;
  std::vector<ASFixedPoint> sizes{{Pt(100), Pt(100)}, {Pt(700), Pt(900)}};
  std::vector<ASFixedPoint> sheets(2), pos(2);
  std::vector<ASInt32> sheetOf(2);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(2, s.sheetCount);
  EXPECT_TRUE(s.somethingDidNotFit);
  EXPECT_DOUBLE_EQ(772, ToPt(sheets[1].h));
  EXPECT_NEAR(972, ToPt(sheets[1].v), 0.011);
  EXPECT_DOUBLE_EQ(612, ToPt(sheets[0].h));
}

TEST(NupParams, OldAlignAndBackAlignment) {
  SKCab* p = KCabNewInner();
  KCabPutAtom(p, "Align", ASAtomFromString("CentreAll"));
  NupParamsAdjust(p);
  EXPECT_FALSE(KCabKnown(p, "Align"));
  EXPECT_EQ(kAlignC, NupGetFrontAlignment(p));
  KCabPutAtom(p, "Align", ASAtomFromString("CentreEach"));
  KCabPutAtom(p, "SheetAlign", ASAtomFromString("BL"));
  NupParamsAdjust(p);
  EXPECT_FALSE(KCabKnown(p, "Align"));
  EXPECT_EQ(kAlignBL, NupGetFrontAlignment(p));
  EXPECT_EQ(kAlignBL, NupGetBackAlignment(p));
  KCabPutBool(p, "EvenMirrorHorizontal", 1);
  EXPECT_EQ(kAlignBR, NupGetBackAlignment(p));
  KCabPutBool(p, "EvenMirrorVertical", 1);
  EXPECT_EQ(kAlignTR, NupGetBackAlignment(p));
  KCabDestroy(p);
  SKCab* empty = KCabNewInner();
  EXPECT_EQ(kAlignTL, NupGetFrontAlignment(empty));
  KCabDestroy(empty);
}

// ---- the performer and whole layouts on documents ------------------------------------------

// The text of every page of a saved file, without blanks (poppler sets
// the small labels close together).
std::vector<std::string> SheetTexts(const std::string& path) {
  std::vector<std::string> out;
  std::string current;
  for (char ch : PdfToText(path)) {
    if (ch == '|') {
      out.push_back(current);
      current.clear();
    } else if (!std::isspace((unsigned char)ch)) {
      current += ch;
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

class NupLayout : public PagesTest {
 protected:
  // Half-size Letter pages on a Letter sheet: four to a sheet.
  SNupSpacing HalfOnLetter() {
    SNupSpacing s = Spacing(612, 792, 0, 0.5);
    sheet_.blank = 1;
    sheet_.width = Pt(612);
    sheet_.height = Pt(792);
    s.sheetTemplate = &sheet_;
    return s;
  }
  STemplateInfo sheet_{};
};

TEST_F(NupLayout, NewDocumentHoldsTheSheetsAndOpensInAWindow) {
  PDDoc doc = Doc(5);
  SNupSpacing s = HalfOnLetter();
  SKCab* params = KCabNewInner();
  ForgetViews();
  const ASInt32 number = imposedDocNumber;
  NupDoLayout(doc, 1, &s, params);
  KCabDestroy(params);
  EXPECT_EQ(5, PDDocGetNumPages(doc)) << "the source is left alone";
  std::vector<OpenedView> views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ("N-up document " + std::to_string(number), views[0].title);
  EXPECT_EQ(number + 1, imposedDocNumber);
  PDDoc out = AVDocGetPDDoc(views[0].view);
  ASSERT_EQ(2, PDDocGetNumPages(out));
  const std::string path = dir.file("nup.pdf");
  SavePdf(out, path);
  EXPECT_EQ(0, QpdfCheck(path));
  EXPECT_EQ((std::vector<std::string>{"Page1Page2Page3Page4", "Page5"}), SheetTexts(path));
  // Page 1 top left, page 2 top right, page 3 below page 1.
  std::vector<PopplerWord> words = PopplerWords(path, 1);
  const PopplerWord* p1 = FindWord(words, "1");
  const PopplerWord* p2 = FindWord(words, "2");
  const PopplerWord* p3 = FindWord(words, "3");
  ASSERT_TRUE(p1 && p2 && p3);
  EXPECT_LT(p1->xMin, 306);
  EXPECT_GT(p2->xMin, 306);
  EXPECT_LT(p1->yMin, 396);
  EXPECT_GT(p3->yMin, 396);
  CloseAllViews();
}

TEST_F(NupLayout, InPlaceReplacesTheSourcePages) {
  PDDoc doc = Doc(5);
  SNupSpacing s = HalfOnLetter();
  SKCab* params = KCabNewInner();
  ForgetViews();
  NupDoLayout(doc, 0, &s, params);
  KCabDestroy(params);
  EXPECT_TRUE(ViewsOpened().empty());
  ASSERT_EQ(2, PDDocGetNumPages(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "inplace.pdf"));
  EXPECT_EQ((std::vector<std::string>{"Page1Page2Page3Page4", "Page5"}), SheetTexts(dir.file("inplace.pdf")));
}

TEST_F(NupLayout, BackgroundPagesGoUnderTheSheetsAndAreRemovedAfterwards) {
  PDDoc doc = Doc(5);
  const std::string background = File(2);
  STemplateInfo sheet{};
  sheet.blank = 0;
  TemplateInfoSetPath(&sheet, background.c_str());
  sheet.from = 0;
  sheet.to = 1;
  sheet.repeat = 1;
  SNupSpacing s = HalfOnLetter();
  s.sheetTemplate = &sheet;
  SKCab* params = KCabNewInner();
  NupDoLayout(doc, 0, &s, params);
  KCabDestroy(params);
  ASSERT_EQ(2, PDDocGetNumPages(doc)) << "no template page stays behind";
  EXPECT_EQ(0, SaveAndCheck(doc, "background.pdf"));
  // The background's own label sits under the placed pages.
  std::vector<std::string> texts = SheetTexts(dir.file("background.pdf"));
  ASSERT_EQ(2u, texts.size());
  EXPECT_NE(std::string::npos, texts[1].find("Page5"));
  EXPECT_NE(std::string::npos, texts[1].find("Page2")) << "the second background page";
  EXPECT_EQ(std::string::npos, texts[1].find("Page3"));
}

TEST_F(NupLayout, CancelledInPlaceKeepsTheSourcePages) {
  PDDoc doc = Doc(5);
  SNupSpacing s = HalfOnLetter();
  s.pageCount = 5;
  std::vector<ASFixedPoint> sizes(5, ASFixedPoint{Pt(612), Pt(792)}), sheets(2), pos(5);
  std::vector<ASInt32> sheetOf(5);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  SKCab* params = KCabNewInner();
  ClickStatusCancel();
  // A cancel is no layout done.
  EXPECT_FALSE(NupSpacingSimpleInplace(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data()));
  KCabDestroy(params);
  EXPECT_EQ(5, PDDocGetNumPages(doc)) << "nothing deleted, no sheet made";
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4,Page 5", OrderText(doc));
  for (ASInt32 i = 0; i < 5; ++i) {
    ScopedPage page(doc, i);
    EXPECT_FALSE(PageHasStamp(page)) << "no stamp is left on page " << i + 1;
  }
  EXPECT_EQ(0, SaveAndCheck(doc, "cancelled-inplace.pdf"));
}

TEST_F(NupLayout, CancelledNewDocumentOpensNoWindow) {
  PDDoc doc = Doc(5);
  SNupSpacing s = HalfOnLetter();
  s.pageCount = 5;
  std::vector<ASFixedPoint> sizes(5, ASFixedPoint{Pt(612), Pt(792)}), sheets(2), pos(5);
  std::vector<ASInt32> sheetOf(5);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  SKCab* params = KCabNewInner();
  ForgetViews();
  const ASInt32 number = imposedDocNumber;
  ClickStatusCancel();
  EXPECT_FALSE(NupSpacingSimple(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data()));
  KCabDestroy(params);
  EXPECT_TRUE(ViewsOpened().empty());
  EXPECT_EQ(number, imposedDocNumber) << "no title used";
  EXPECT_EQ(5, PDDocGetNumPages(doc));
}

// A placement that fails on the second sheet: the layout fails, and in
// place the document is left as it was (the first sheet and the stamps are
// taken away again); into a new document, nothing is left open.
TEST_F(NupLayout, AFailedLayoutLeavesTheDocumentAsItWas) {
  for (ASBool newDoc : {0, 1}) {
    SCOPED_TRACE(newDoc ? "new document" : "in place");
    PDDoc doc = Doc(6);
    SNupSpacing s = HalfOnLetter();
    SKCab* params = KCabNewInner();
    ForgetViews();
    const ASInt32 open = PDGetOpenDocCount();
    // Page contents are opened once each: the fifth is the second sheet's first.
    ASFaultInject("CosStreamOpenStm", genErrGeneral, 4);
    EXPECT_EQ(genErrGeneral, ErrorOf([&] { NupDoLayout(doc, newDoc, &s, params); }));
    ASFaultClearAll();
    KCabDestroy(params);
    EXPECT_EQ("Page 1,Page 2,Page 3,Page 4,Page 5,Page 6", OrderText(doc));
    for (ASInt32 i = 0; i < 6; ++i) {
      ScopedPage page(doc, i);
      EXPECT_FALSE(PageHasStamp(page)) << i;
    }
    EXPECT_EQ(open, PDGetOpenDocCount());
    EXPECT_TRUE(ViewsOpened().empty());
    EXPECT_EQ(nullptr, StatusBoxDialog());
  }
}

// The placements made before a failure on the same sheet still become a
// whole sheet: every statement the failed page began is taken back.
TEST_F(NupLayout, TheSheetOfAFailedPlacementIsBalanced) {
  PDDoc doc = Doc(3);
  SNupSpacing s = HalfOnLetter();
  s.pageCount = 3;
  std::vector<ASFixedPoint> sizes(3, ASFixedPoint{Pt(612), Pt(792)}), sheets(1), pos(3);
  std::vector<ASInt32> sheetOf(3);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  SKCab* params = KCabNewInner();
  ASFaultInject("CosStreamOpenStm", genErrGeneral, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] {
              NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr,
                                nullptr, nullptr, nullptr);
            }));
  ASFaultClearAll();
  KCabDestroy(params);
  ASSERT_EQ(4, PDDocGetNumPages(doc));
  const SheetScan scan = ScanSheet(PageContentBytes(doc, 3));
  EXPECT_TRUE(scan.qBalanced && scan.markedBalanced && scan.textBalanced);
  EXPECT_EQ((std::vector<std::string>{"S1"}), scan.imposedIds) << "the first page only";
  EXPECT_EQ(0, SaveAndCheck(doc, "failed-sheet.pdf"));
}

// Cancels on the call given (1-based).
struct CancelAfter {
  int calls = 0;
  int at = 0;
  static ASBool Proc(void* data) {
    auto* c = static_cast<CancelAfter*>(data);
    return ++c->calls >= c->at;
  }
};

TEST_F(NupLayout, CancelKeepsFinishedSheetsAndDropsTheOpenOne) {
  PDDoc doc = Doc(6);
  SNupSpacing s = HalfOnLetter();
  s.pageCount = 6;
  std::vector<ASFixedPoint> sizes(6, ASFixedPoint{Pt(612), Pt(792)}), sheets(2), pos(6);
  std::vector<ASInt32> sheetOf(6);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(2, s.sheetCount);
  CancelAfter cancel;
  cancel.at = 6;  // before the sixth page: the second sheet holds page 5 only
  SKCab* params = KCabNewInner();
  EXPECT_FALSE(NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr,
                                 nullptr, &CancelAfter::Proc, &cancel));
  KCabDestroy(params);
  EXPECT_EQ(7, PDDocGetNumPages(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "cancelled.pdf"));
}

struct AlignCase {
  const char* name;
  const char* align;
  bool mirrorH;
  double frontX, frontY;  // offset of the block on the first sheet
  double backX, backY;    // on the second
};
void PrintTo(const AlignCase& c, std::ostream* os) { *os << c.name; }

class NupAlign : public NupLayout, public ::testing::WithParamInterface<AlignCase> {};

TEST_P(NupAlign, BlockMovesOnFrontAndBackSheets) {
  const AlignCase& c = GetParam();
  PDDoc doc = Doc(2);
  // One 200 x 300 page per sheet (at scale 1/3 of Letter is 204 x 264), margins 10 left, 30 right.
  SNupSpacing s = HalfOnLetter();
  s.scale = 1.0;
  s.maxAcross = s.maxDown = 1;
  s.leftMargin = Pt(10);
  s.rightMargin = Pt(30);
  s.topMargin = s.bottomMargin = Pt(20);
  s.pageCount = 2;
  std::vector<ASFixedPoint> sizes(2, ASFixedPoint{Pt(200), Pt(300)}), sheets(2), pos(2);
  std::vector<ASInt32> sheetOf(2);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(2, s.sheetCount);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "SheetAlign", ASAtomFromString(c.align));
  if (c.mirrorH) KCabPutBool(params, "EvenMirrorHorizontal", 1);
  NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr, nullptr,
                    nullptr, nullptr);
  KCabDestroy(params);
  EXPECT_DOUBLE_EQ(10 + c.frontX, ToPt(pos[0].h));
  EXPECT_DOUBLE_EQ(c.frontY, ToPt(pos[0].v));
  EXPECT_DOUBLE_EQ(10 + c.backX, ToPt(pos[1].h));
  EXPECT_DOUBLE_EQ(c.backY, ToPt(pos[1].v));
  EXPECT_EQ(4, PDDocGetNumPages(doc));
}

// Usable 572 x 752 for a 200 x 300 block: 372 and 452 to spare.
INSTANTIATE_TEST_SUITE_P(Table, NupAlign,
                         ::testing::Values(AlignCase{"TopLeft", "TL", false, 0, 0, 0, 0},
                                           AlignCase{"Centre", "C", false, 186, 226, 186, 226},
                                           AlignCase{"BottomRight", "BR", false, 372, 452, 372, 452},
                                           AlignCase{"BottomLeftMirrored", "BL", true, 0, 452, 372 + 20, 452},
                                           AlignCase{"TopLeftMirrored", "TL", true, 0, 0, 372 + 20, 0}));

// Mirrored back sheets mirror the margins too: with unequal margins the
// back's gap on each mirrored side is the front's gap on the opposite side.
struct MirrorCase {
  const char* name;
  const char* align;
  bool mirrorH, mirrorV;
};
void PrintTo(const MirrorCase& c, std::ostream* os) { *os << c.name; }

class NupMirror : public NupLayout, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(NupMirror, BackGapsAreTheFrontsMirrored) {
  const MirrorCase& c = GetParam();
  const double L = 10, R = 30, T = 36, B = 72, W = 612, H = 792, w = 200, h = 300;
  PDDoc doc = Doc(2);
  SNupSpacing s = HalfOnLetter();
  s.scale = 1.0;
  s.maxAcross = s.maxDown = 1;
  s.leftMargin = Pt(L);
  s.rightMargin = Pt(R);
  s.topMargin = Pt(T);
  s.bottomMargin = Pt(B);
  s.pageCount = 2;
  std::vector<ASFixedPoint> sizes(2, ASFixedPoint{Pt(w), Pt(h)}), sheets(2), pos(2);
  std::vector<ASInt32> sheetOf(2);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(2, s.sheetCount);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "SheetAlign", ASAtomFromString(c.align));
  KCabPutBool(params, "EvenMirrorHorizontal", c.mirrorH);
  KCabPutBool(params, "EvenMirrorVertical", c.mirrorV);
  EXPECT_TRUE(NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr,
                                nullptr, nullptr, nullptr));
  KCabDestroy(params);
  ASSERT_EQ(4, PDDocGetNumPages(doc));
  // The gaps round the placed page on each sheet, read from its placement.
  struct Gaps {
    double left, right, top, bottom;
  };
  auto gaps = [&](ASInt32 sheet) {
    const std::string content = PageContentBytes(doc, 2 + sheet);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(content, m, std::regex(R"(1\.00000 0\.00000 0\.00000 1\.00000 ([-0-9.]+) ([-0-9.]+) cm)")))
        << content;
    const double x = std::stod(m[1].str()), y = std::stod(m[2].str());
    return Gaps{x, W - x - w, H - y - h, y};
  };
  const Gaps front = gaps(0), back = gaps(1);
  EXPECT_NEAR(c.mirrorH ? front.right : front.left, back.left, 0.01) << "left";
  EXPECT_NEAR(c.mirrorH ? front.left : front.right, back.right, 0.01) << "right";
  EXPECT_NEAR(c.mirrorV ? front.bottom : front.top, back.top, 0.01) << "top";
  EXPECT_NEAR(c.mirrorV ? front.top : front.bottom, back.bottom, 0.01) << "bottom";
  EXPECT_EQ(0, SaveAndCheck(doc, "mirrored.pdf"));
}

INSTANTIATE_TEST_SUITE_P(Table, NupMirror,
                         ::testing::Values(MirrorCase{"TopLeftVertical", "TL", false, true},
                                           MirrorCase{"BottomLeftVertical", "BL", false, true},
                                           MirrorCase{"TopLeftBoth", "TL", true, true},
                                           MirrorCase{"BottomRightBoth", "BR", true, true},
                                           MirrorCase{"TopRightHorizontal", "TR", true, false}));

// Four pages with 30 points of bleed, two by two at half size with gaps of
// 20 across and 12 down: each page may show bleed up to half the gap towards
// a neighbour (in its own units, twice that), and all its bleed elsewhere.
TEST_F(NupLayout, BleedIsChokedHalfWayToTheNeighbours) {
  PDDoc doc = Doc(4);
  for (ASInt32 i = 0; i < 4; ++i) {
    ScopedPage page(doc, i);
    const ASFixedRect media{0, Pt(852), Pt(672), 0};
    PDPageSetMediaBox(page, media);
    PDPageSetBox(page, ASAtomFromString("BleedBox"), media);
    PDPageSetBox(page, ASAtomFromString("TrimBox"), ASFixedRect{Pt(30), Pt(822), Pt(642), Pt(30)});
  }
  const ASInt32 bleedMode = gBleedVelmoraMode;
  gBleedVelmoraMode = kBleedUse;
  SNupSpacing s = Spacing(652, 824, 10, 0.5);
  s.hGaps[0] = Pt(20);
  s.vGaps[0] = Pt(12);
  s.pageCount = 4;
  std::vector<ASFixedPoint> sizes(4, ASFixedPoint{Pt(612), Pt(792)}), sheets(1), pos(4);
  std::vector<ASInt32> sheetOf(4);
  NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
  ASSERT_EQ(1, s.sheetCount);
  SKCab* params = KCabNewInner();
  EXPECT_TRUE(NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr,
                                nullptr, nullptr, nullptr));
  KCabDestroy(params);
  gBleedVelmoraMode = bleedMode;
  ASSERT_EQ(5, PDDocGetNumPages(doc));
  const std::string content = PageContentBytes(doc, 4);
  std::vector<std::string> clips;
  const std::regex clip(R"(([-0-9.]+ [-0-9.]+ [-0-9.]+ [-0-9.]+) re\nW n)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), clip); it != std::sregex_iterator(); ++it)
    clips.push_back((*it)[1].str());
  // Left, bottom, width, height: 20 points towards a neighbour across, 12 down.
  EXPECT_EQ((std::vector<std::string>{"0.00 18.00 662.00 834.00", "10.00 18.00 662.00 834.00",
                                      "0.00 0.00 662.00 834.00", "10.00 0.00 662.00 834.00"}),
            clips);
  EXPECT_EQ(0, SaveAndCheck(doc, "choked.pdf"));
}

TEST_F(NupLayout, CropMarksBetweenNeighboursAreLeftOut) {
  // Two Letter pages at a quarter side by side with a 20 point gap.
  std::string content;
  auto marks = [&](double gap, bool japanese) {
    PDDoc doc = Doc(2);
    SNupSpacing s = HalfOnLetter();
    s.sheetWidth = Pt(1200);
    s.scale = 0.25;
    s.leftMargin = s.rightMargin = s.topMargin = s.bottomMargin = Pt(100);
    s.hGaps[0] = Pt(gap);
    s.cropMarks = 1;
    SCropMarkDesc desc;
    DefaultCropMarkDescForStyle(&desc, japanese ? kCropJapanese : kCropCorners);
    s.cropDesc = &desc;
    s.pageCount = 2;
    std::vector<ASFixedPoint> sizes(2, ASFixedPoint{Pt(612), Pt(792)}), sheets(1), pos(2);
    std::vector<ASInt32> sheetOf(2);
    NupSpacingDummy(&s, nullptr, sizes.data(), sheets.data(), pos.data(), sheetOf.data());
    SKCab* params = KCabNewInner();
    NupSpacingPerform(doc, &s, params, sizes.data(), sheets.data(), pos.data(), sheetOf.data(), nullptr, nullptr,
                      nullptr, nullptr);
    KCabDestroy(params);
    EXPECT_EQ(3, PDDocGetNumPages(doc));
    content = PageContentBytes(doc, 2);
    const SheetScan scan = ScanSheet(content);
    EXPECT_TRUE(scan.qBalanced);
    EXPECT_TRUE(scan.markedBalanced);
    int lines = 0;
    for (auto& op : scan.statementsByOp) lines += op == "l";
    return std::make_pair(lines, desc.omit);
  };
  // Far apart: nothing is left out.
  auto far = marks(300, false);
  EXPECT_EQ(0, far.second);
  // Corners style, close together: the horizontal marks in the gap go.
  auto near = marks(20, false);
  EXPECT_EQ(kOmitTopLeftH | kOmitBottomLeftH, near.second) << "the second page's left marks";
  EXPECT_EQ(far.first - 4, near.first);
  const std::regex gutter("263\\.00 [0-9.]+ m 263\\.00 [0-9.]+ l S");
  EXPECT_FALSE(std::regex_search(content, gutter));
  // Japanese style draws gutter marks in the middle of the gap instead.
  auto japanese = marks(20, true);
  EXPECT_EQ(kOmitTopLeftH | kOmitBottomLeftH, japanese.second);
  EXPECT_TRUE(std::regex_search(content, gutter));
}

}  // namespace
