// Booklets: the order of pages on the sheets for every pagination, the
// blanks that pad a document, the sheet size and scale, turned backs,
// backs in a document of their own, and runs that are refused or cancelled.
#include "engine/Booklet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "SheetCheck.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "kctl/PageSizeElem.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

// The sides as 1-based "left,right" pairs of source pages.
std::string Sides(ESimpleBookletPagination pagination, ESimpleBookletBacks backs, ASInt32 sig, ASBool flag, ASInt32 n) {
  std::string out;
  for (ASInt32 k = 0; k + 1 < n; k += 2) {
    if (!out.empty()) out += " ";
    out += std::to_string(MapPageNumber(k, pagination, backs, sig, flag, n) + 1) + "," +
           std::to_string(MapPageNumber(k + 1, pagination, backs, sig, flag, n) + 1);
  }
  return out;
}

struct MapCase {
  const char* name;
  ESimpleBookletPagination pagination;
  ESimpleBookletBacks backs;
  ASInt32 sig;
  ASBool flag;
  ASInt32 n;
  const char* sides;
};

TEST(BookletPagination, OutputSlotsMapToSourcePages) {
  const MapCase cases[] = {
      {"consecutive", kBookletConsec, kBookletInline, 16, 0, 6, "1,2 3,4 5,6"},
      {"saddle stitch", kBookletSingle, kBookletInline, 16, 0, 8, "8,1 2,7 6,3 4,5"},
      {"saddle stitch, 12 pages", kBookletSingle, kBookletInline, 16, 0, 12, "12,1 2,11 10,3 4,9 8,5 6,7"},
      {"turned backs keep the order", kBookletSingle, kBookletInlineInvert, 16, 0, 8, "8,1 2,7 6,3 4,5"},
      {"backs after the fronts", kBookletSingle, kBookletAfter, 16, 0, 8, "8,1 6,3 2,7 4,5"},
      {"separate backs list like After", kBookletSingle, kBookletSeparate, 16, 0, 8, "8,1 6,3 2,7 4,5"},
      {"signatures of 8, a short last one", kBookletMultiple, kBookletInline, 8, 0, 12, "8,1 2,7 6,3 4,5 12,9 10,11"},
      {"signatures of 4", kBookletMultiple, kBookletInline, 4, 0, 8, "4,1 2,3 8,5 6,7"},
      {"cut stacks, two-sided", kBookletCutStacks, kBookletInline, 16, 0, 8, "1,5 6,2 3,7 8,4"},
      {"cut stacks, single-sided", kBookletCutStacks, kBookletInline, 16, 1, 8, "1,5 2,6 3,7 4,8"},
      {"consecutive, backs after", kBookletConsec, kBookletAfter, 16, 0, 8, "1,2 5,6 3,4 7,8"},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.sides, Sides(c.pagination, c.backs, c.sig, c.flag, c.n));
  }
}

struct PadCase {
  const char* name;
  ESimpleBookletPagination pagination;
  ESimpleBookletBacks backs;
  ASInt32 sig;
  ASBool flag;
  ASInt32 multiple;
};

TEST(BookletPagination, PaddingMultiples) {
  const PadCase cases[] = {
      {"consecutive", kBookletConsec, kBookletInline, 16, 0, 2},
      {"saddle stitch", kBookletSingle, kBookletInline, 16, 0, 4},
      {"signatures without blanks", kBookletMultiple, kBookletInline, 8, 0, 4},
      {"signatures with blanks", kBookletMultiple, kBookletInline, 8, 1, 8},
      {"cut stacks single-sided", kBookletCutStacks, kBookletInline, 16, 1, 2},
      {"cut stacks two-sided", kBookletCutStacks, kBookletInline, 16, 0, 4},
      // Fronts listed apart from their backs need whole sheets.
      {"consecutive, backs after", kBookletConsec, kBookletAfter, 16, 0, 4},
      {"cut stacks single-sided, separate backs", kBookletCutStacks, kBookletSeparate, 16, 1, 4},
      // A signature size that is no multiple of four folds no booklet.
      {"signature of 6 with blanks", kBookletMultiple, kBookletInline, 6, 1, 8},
      {"signature of 0 with blanks", kBookletMultiple, kBookletInline, 0, 1, 4},
  };
  for (const PadCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.multiple, BookletPaddingMultiple(c.pagination, c.backs, c.sig, c.flag));
  }
}

TEST(BookletPagination, EverySlotOfAPaddedDocumentIsAPageOnce) {
  // Whatever the parameters, after padding every page lands on exactly one slot.
  for (ASInt32 p = kBookletConsec; p <= kBookletCutStacks; ++p)
    for (ASInt32 b = kBookletInline; b <= kBookletSeparateReverse; ++b)
      for (ASInt32 sig : {0, 4, 6, 8, 16})
        for (ASBool flag : {0, 1})
          for (ASInt32 pages = 1; pages <= 21; ++pages) {
            auto pag = (ESimpleBookletPagination)p;
            auto backs = (ESimpleBookletBacks)b;
            const ASInt32 m = BookletPaddingMultiple(pag, backs, sig, flag);
            const ASInt32 n = (pages + m - 1) / m * m;
            std::vector<int> seen(n, 0);
            for (ASInt32 k = 0; k < n; ++k) {
              ASInt32 page = MapPageNumber(k, pag, backs, sig, flag, n);
              ASSERT_TRUE(page >= 0 && page < n) << p << " " << b << " " << sig << " " << flag << " " << pages;
              ++seen[page];
            }
            for (int s : seen) ASSERT_EQ(1, s) << p << " " << b << " " << sig << " " << flag << " " << pages;
          }
}

// ---- whole runs

class BookletRun : public PagesTest {
 public:
  void SetUp() override {
    PagesTest::SetUp();
    definition = KCabNewInner();
    BookletFillProcessControlCab(definition);
  }
  void TearDown() override {
    KCabDestroy(definition);
    SetImpositionBleedPromptProc(nullptr);
    PagesTest::TearDown();
  }

  // What poppler sees on each sheet: "left,right" page numbers (a blank half
  // is "-"), with "^" after a number whose page is upside down.
  struct Sheet {
    double width, height;
    std::string pages;
  };
  std::vector<Sheet> Sheets(PDDoc doc) {
    std::vector<Sheet> out;
    std::string path = dir.file("sheets" + std::to_string(++saved) + ".pdf");
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path));
    for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
      PDPage page = PDDocAcquirePage(doc, i);
      ASFixedRect box;
      PDPageGetMediaBox(page, &box);
      PDPageRelease(page);
      Sheet s{(box.right - box.left) / 65536.0, (box.top - box.bottom) / 65536.0, ""};
      std::string halves[2] = {"-", "-"};
      for (const PopplerWord& w : PopplerWords(path, i + 1)) {
        if (w.text.empty() || w.text.find_first_not_of("0123456789") != std::string::npos) continue;
        int half = (w.xMin + w.xMax) / 2 < s.width / 2 ? 0 : 1;
        // The label sits at the bottom of an upright page (poppler measures from the top).
        bool upsideDown = w.yMax < s.height / 2;
        halves[half] = w.text + (upsideDown ? "^" : "");
      }
      s.pages = halves[0] + "," + halves[1];
      out.push_back(s);
    }
    return out;
  }
  static std::string Pages(const std::vector<Sheet>& sheets) {
    std::string out;
    for (const Sheet& s : sheets) out += (out.empty() ? "" : " ") + s.pages;
    return out;
  }

  SKCab* definition = nullptr;
  int saved = 0;
};

void Put(SKCab* params, const char* key, const char* word) { KCabPutAtom(params, key, ASAtomFromString(word)); }

struct RunCase {
  const char* name;
  int pages;
  const char* paginate;
  const char* backs;
  int pagesPerSig;
  bool flag;
  const char* sheets;  // the pages on each side, as poppler reads them
};

TEST_F(BookletRun, NewDocumentsHoldTheSidesInFoldingOrder) {
  const RunCase cases[] = {
      {"saddle stitch of 8", 8, "Single", "Inline", 16, false, "8,1 2,7 6,3 4,5"},
      {"6 pages get two blanks", 6, "Single", "Inline", 16, false, "-,1 2,- 6,3 4,5"},
      {"consecutive 6 pages need none", 6, "Consec", "Inline", 16, false, "1,2 3,4 5,6"},
      {"signatures of 8 over 10 pages", 10, "Multiple", "Inline", 8, false, "8,1 2,7 6,3 4,5 -,9 10,-"},
      {"signatures of 8 with blanks", 10, "Multiple", "Inline", 8, true, "8,1 2,7 6,3 4,5 -,9 10,- -,- -,-"},
      {"cut stacks", 8, "CutStacks", "Inline", 16, false, "1,5 6,2 3,7 8,4"},
      {"backs after", 8, "Single", "After", 16, false, "8,1 6,3 2,7 4,5"},
      {"backs after, reversed", 8, "Single", "AfterReverse", 16, false, "8,1 6,3 4,5 2,7"},
      {"turned backs", 8, "Single", "InlineInvert", 16, false, "8,1 7^,2^ 6,3 5^,4^"},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    PDDoc source = Doc(c.pages);
    ForgetViews();
    ASSERT_TRUE(Run(definition, source, [&](SKCab* p) {
      Put(p, "Paginate", c.paginate);
      Put(p, "Backs", c.backs);
      KCabPutInt(p, "PagesPerSig", c.pagesPerSig);
      KCabPutBool(p, "AddBlanks", c.flag);
      KCabPutBool(p, "NewDoc", 1);
    }));
    EXPECT_EQ(c.pages, PDDocGetNumPages(source)) << "the source is left alone";
    std::vector<OpenedView> views = ViewsOpened();
    ASSERT_EQ(1u, views.size());
    std::vector<Sheet> sheets = Sheets(AVDocGetPDDoc(views[0].view));
    EXPECT_EQ(c.sheets, Pages(sheets));
    for (const Sheet& s : sheets) {
      EXPECT_DOUBLE_EQ(1224, s.width);
      EXPECT_DOUBLE_EQ(792, s.height);
    }
    CloseAllViews();
  }
  EXPECT_TRUE(Errors().empty());
}

TEST_F(BookletRun, InPlaceTheSourceBecomesTheBooklet) {
  PDDoc source = Doc(8);
  ForgetViews();
  EXPECT_TRUE(Run(definition, source, [](SKCab* p) { Put(p, "Paginate", "Single"); }));
  EXPECT_TRUE(ViewsOpened().empty());
  EXPECT_EQ("8,1 2,7 6,3 4,5", Pages(Sheets(source)));
}

TEST_F(BookletRun, SheetSizesAndScale) {
  struct SizeCase {
    const char* name;
    const char* sizing;
    double margin;
    bool noScale;
    double width, height;
    double scale;  // of the placed pages
  };
  const SizeCase cases[] = {
      {"sufficient", "Sufficient", 0, false, 1224, 792, 1},
      {"sufficient with a margin", "Sufficient", 18, false, 1260, 828, 1},
      {"letter wide, fitted", "LetterWide", 0, false, 792, 612, 792.0 / 1224},
      {"letter wide at 100 %", "LetterWide", 0, true, 792, 612, 1},
      {"A4 wide", "A4Wide", 0, false, 841.8897, 595.2756, 841.8897 / 1224},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    PDDoc source = Doc(4);
    ForgetViews();
    ASSERT_TRUE(Run(definition, source, [&](SKCab* p) {
      Put(p, "Sizing", c.sizing);
      Put(p, "Paginate", "Consec");
      Put(p, "Align", "BottomLeft");
      KCabPutDouble(p, "Margin", c.margin);
      KCabPutBool(p, "NoScale", c.noScale);
      KCabPutBool(p, "NewDoc", 1);
    }));
    std::vector<OpenedView> views = ViewsOpened();
    ASSERT_EQ(1u, views.size());
    PDDoc booklet = AVDocGetPDDoc(views[0].view);
    std::vector<Sheet> sheets = Sheets(booklet);
    ASSERT_EQ(2u, sheets.size());
    EXPECT_NEAR(c.width, sheets[0].width, 1e-3);
    EXPECT_NEAR(c.height, sheets[0].height, 1e-3);
    // Bottom-left alignment: the right page starts one scaled page width in.
    SheetScan scan = ScanSheet(PageContentBytes(booklet, 0));
    ASSERT_EQ(2u, scan.shows.size());
    EXPECT_NEAR(c.margin + 20 * c.scale, scan.shows[0].x, 0.05);
    EXPECT_NEAR(c.margin + (612 + 20) * c.scale, scan.shows[1].x, 0.05);
    CloseAllViews();
  }
}

// What the engine wrote for each placed page of a sheet: its matrix (the
// scale as written, the translation in points) and its clip (left, bottom,
// width, height in the page's own units).
struct Placed {
  std::string a;
  double h, v;
  double clip[4];
};
std::vector<Placed> Placements(const std::string& content) {
  std::vector<Placed> out;
  const std::regex block(R"(([-0-9.]+) [-0-9.]+ [-0-9.]+ [-0-9.]+ ([-0-9.]+) ([-0-9.]+) cm\n[-0-9. ]+ cm\n)"
                         R"(([-0-9.]+) ([-0-9.]+) ([-0-9.]+) ([-0-9.]+) re\nW n)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), block); it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    out.push_back(Placed{m[1].str(), std::stod(m[2].str()), std::stod(m[3].str()),
                         {std::stod(m[4].str()), std::stod(m[5].str()), std::stod(m[6].str()), std::stod(m[7].str())}});
  }
  return out;
}

// The centred alignments on a Letter-wide sheet with a 12-point margin: the
// matrices of both halves, upright and turned, and how much bleed may show
// at the spine. Pages 2 and 4 are narrower (560 points of trim) with 50
// points of bleed all round.
TEST_F(BookletRun, CentredPagesAndTheSpine) {
  const double W = 792, H = 612, m = 12, wide = 612, narrow = 560, high = 792, bleed = 50;
  const double s = std::fmin((W - 2 * m) / (2 * wide), (H - 2 * m) / high);
  for (const char* align : {"CentreSpine", "CentrePages"}) {
    SCOPED_TRACE(align);
    const bool pages = std::string(align) == "CentrePages";
    PDDoc source = Doc(4);
    for (ASInt32 i : {1, 3}) {
      ScopedPage page(source, i);
      const ASFixedRect media{0, ASInt32ToFixed(892), ASInt32ToFixed(660), 0};
      PDPageSetMediaBox(page, media);
      PDPageSetBox(page, ASAtomFromString("BleedBox"), media);
      PDPageSetBox(page, ASAtomFromString("TrimBox"),
                   ASFixedRect{ASInt32ToFixed(50), ASInt32ToFixed(842), ASInt32ToFixed(610), ASInt32ToFixed(50)});
    }
    ASSERT_TRUE(Run(definition, source, [&](SKCab* p) {
      Put(p, "Sizing", "LetterWide");
      Put(p, "Paginate", "Consec");
      Put(p, "Backs", "InlineInvert");
      Put(p, "Align", align);
      Put(p, "BleedMode", "Use");
      KCabPutDouble(p, "Margin", m);
    }));
    ASSERT_EQ(2, PDDocGetNumPages(source));
    // The spine's room for bleed: half the space between a page and the
    // spine, in the page's own units; none for the spine-centred pages.
    const double room = pages ? (W / 2 - m - s * narrow) / 2 / s : 0;
    for (ASInt32 side = 0; side < 2; ++side) {
      SCOPED_TRACE(side ? "turned back" : "front");
      const std::vector<Placed> placed = Placements(PageContentBytes(source, side));
      ASSERT_EQ(2u, placed.size());
      // The scale is the 16.16 truncation of s (41120.63 / 65536), not its rounding.
      EXPECT_EQ(side ? "-0.62744" : "0.62744", placed[0].a);
      EXPECT_EQ(placed[0].a, placed[1].a);
      const double sign = side ? -1 : 1;
      // Where the matrices put the pages' trim corners (turned pages: the
      // corner that ends at the top right), before the shift to the trim.
      double hp, hq;
      if (!pages) {
        hp = side ? W / 2 + s * wide : W / 2 - s * wide;
        hq = W / 2;
      } else if (!side) {
        hp = W / 4 + m / 2 - s * wide / 2;
        hq = 3 * W / 4 - m / 2 - s * narrow / 2;
      } else {
        hp = 3 * W / 4 - m / 2 + s * wide / 2;
        hq = W / 4 + m / 2 + s * narrow / 2;
      }
      const double v = side ? (H + s * high) / 2 : (H - s * high) / 2;
      // The narrow page's own origin lies 50 points before its trim corner.
      EXPECT_NEAR(hp, placed[0].h, 0.01);
      EXPECT_NEAR(v, placed[0].v, 0.01);
      EXPECT_NEAR(hq - sign * s * bleed, placed[1].h, 0.01);
      EXPECT_NEAR(v - sign * s * bleed, placed[1].v, 0.01);
      // The wide page has no bleed; the narrow one keeps its bleed away from
      // the spine and shows only the room at the spine.
      EXPECT_NEAR(0, placed[0].clip[0], 0.01);
      EXPECT_NEAR(wide, placed[0].clip[2], 0.01);
      EXPECT_NEAR(bleed - room, placed[1].clip[0], 0.01);
      EXPECT_NEAR(660 - (bleed - room), placed[1].clip[2], 0.01);
      EXPECT_NEAR(0, placed[1].clip[1], 0.01);
      EXPECT_NEAR(892, placed[1].clip[3], 0.01);
    }
    if (pages) {
      EXPECT_NEAR(26, room, 1e-9);
    }
  }
}

TEST_F(BookletRun, SeparateBacksGoIntoASecondWindowWithTheSameNumber) {
  PDDoc source = Doc(8);
  ForgetViews();
  const ASInt32 number = newBookletNumber;
  ASSERT_TRUE(Run(definition, source, [](SKCab* p) {
    Put(p, "Paginate", "Single");
    Put(p, "Backs", "SeparateReverse");
    KCabPutBool(p, "NewDoc", 1);
  }));
  std::vector<OpenedView> views = ViewsOpened();
  ASSERT_EQ(2u, views.size());
  char backs[100], fronts[100];
  std::snprintf(backs, sizeof backs, "Booklet %d (backs)", (int)number);
  std::snprintf(fronts, sizeof fronts, "Booklet %d (fronts)", (int)number);
  EXPECT_EQ(backs, views[0].title);
  EXPECT_EQ(fronts, views[1].title);
  EXPECT_EQ("4,5 2,7", Pages(Sheets(AVDocGetPDDoc(views[0].view))));
  EXPECT_EQ("8,1 6,3", Pages(Sheets(AVDocGetPDDoc(views[1].view))));
  EXPECT_EQ(number + 1, newBookletNumber);
}

TEST_F(BookletRun, CropMarksNeedNoMarksAtTheSpine) {
  PDDoc source = Doc(4);
  ASSERT_TRUE(Run(definition, source, [](SKCab* p) {
    Put(p, "Paginate", "Single");
    KCabPutDouble(p, "Margin", 36);
    KCabPutBool(p, "CropMarks", 1);
  }));
  SheetScan scan = ScanSheet(PageContentBytes(source, 0));
  EXPECT_EQ(2, std::count(scan.tags.begin(), scan.tags.end(), "KRVL_regmark")) << "one bracket per half";
  EXPECT_TRUE(scan.qBalanced);
  EXPECT_EQ(0, SaveAndCheck(source, "marks.pdf"));
}

TEST_F(BookletRun, RefusedRunsChangeNothing) {
  {
    SCOPED_TRACE("a custom sheet without a size");
    PDDoc source = Doc(4);
    EXPECT_FALSE(Run(definition, source, [](SKCab* p) { Put(p, "Sizing", "Custom"); }));
    EXPECT_EQ(4, PDDocGetNumPages(source));
    EXPECT_EQ((std::vector<std::string>{GetMessageFromTableByKey(gSystemMessageTable, "common.err.nopagesize")}),
              Errors());
  }
  {
    SCOPED_TRACE("a margin that leaves no room");
    capture->Clear();
    PDDoc source = Doc(4);
    EXPECT_FALSE(Run(definition, source, [](SKCab* p) {
      Put(p, "Sizing", "LetterWide");
      KCabPutDouble(p, "Margin", 400);
    }));
    EXPECT_EQ(4, PDDocGetNumPages(source));
    EXPECT_EQ(1u, Errors().size());
  }
  {
    SCOPED_TRACE("the bleed prompt cancelled");
    PDDoc source = Doc(4);
    PDPage page = PDDocAcquirePage(source, 0);
    ASFixedRect trim{10 << 16, 782 << 16, 602 << 16, 10 << 16};
    PDPageSetBox(page, ASAtomFromString("TrimBox"), trim);
    PDPageRelease(page);
    SetImpositionBleedPromptProc([](SKCab*) -> ASBool { return 0; });
    ASInt32 mode = gBleedVelmoraMode;
    gBleedVelmoraMode = 0;
    EXPECT_FALSE(Run(definition, source, [](SKCab* p) { KCabPutBool(p, "NewDoc", 1); }));
    gBleedVelmoraMode = mode;
    EXPECT_EQ(4, PDDocGetNumPages(source));
  }
}

// A host error half-way through a new booklet (a page whose content will not
// read, a sheet that cannot be made) fails the run: the merge state goes
// before the new document it read from is closed, and nothing aborts.
TEST_F(BookletRun, AHostErrorInsideANewBookletFailsTheRunCleanly) {
  struct Fault {
    const char* call;
    ASInt32 skip;
  };
  for (Fault f : {Fault{"CosStreamOpenStm", 0}, Fault{"CosStreamOpenStm", 3}, Fault{"PDDocCreatePage", 1}}) {
    SCOPED_TRACE(std::string(f.call) + " after " + std::to_string(f.skip));
    PDDoc source = Doc(8);
    ForgetViews();
    const ASInt32 open = PDGetOpenDocCount();
    const ASInt32 closedUses = CosGetClosedDocUseCount();
    ASFaultInject(f.call, cosErrDamagedStream, f.skip);
    bool ok = true;
    ASErrorCode e = ErrorOf([&] {
      ok = Run(definition, source, [](SKCab* p) {
        Put(p, "Paginate", "Single");
        KCabPutBool(p, "NewDoc", 1);
      });
    });
    ASFaultClearAll();
    EXPECT_TRUE(e != 0 || !ok) << "the run does not end as done";
    EXPECT_EQ(open, PDGetOpenDocCount()) << "the new booklet is closed";
    // The clean-ups swallow what they raise, so the order shows only here:
    // nothing of the merge state was asked about after its document closed.
    EXPECT_EQ(closedUses, CosGetClosedDocUseCount()) << "the merge state went after the new booklet closed";
    EXPECT_TRUE(ViewsOpened().empty());
    EXPECT_EQ(8, PDDocGetNumPages(source));
  }
}

TEST_F(BookletRun, CancelLeavesTheSourceWhole) {
  PDDoc source = Doc(8);
  ClickStatusCancel();
  EXPECT_FALSE(Run(definition, source, [](SKCab* p) { Put(p, "Paginate", "Single"); }));
  std::vector<std::string> order = Order(source);
  ASSERT_GE(order.size(), 8u);
  order.resize(8);
  EXPECT_EQ((std::vector<std::string>{"Page 1", "Page 2", "Page 3", "Page 4", "Page 5", "Page 6", "Page 7", "Page 8"}),
            order)
      << "the source pages are not deleted";
  EXPECT_EQ(1, capture->Count(GetMessageFromTableByKey(gSystemMessageTable, "pagemg.2.bookletcancelled")));
}

}  // namespace
