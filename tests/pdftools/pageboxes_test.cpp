#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "fixtures/BoxFixtures.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PageBoxes.h"
#include "support/BoxCheck.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

std::string ShowPoints(const double r[4]) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "[%g %g %g %g]", r[0], r[1], r[2], r[3]);
  return buf;
}

class PageBoxesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
    EXPECT_EQ(0, ASExceptionFrameDepth());
  }
  std::string Boxes() {
    std::string p = dir.file("boxes.pdf");
    kvfix::WriteBoxes(p);
    return p;
  }
  TempDir dir;
};

// ---- reading ---------------------------------------------------------------------

// Own, inherited and private boxes, corners in any order, unreadable entries
// and rotations: what each page shows as visible, trim and bleed box, and
// their sizes once rotated.
TEST_F(PageBoxesTest, BoxTable) {
  ScopedDoc doc(OpenPdf(Boxes()));
  ASSERT_EQ((ASInt32)kvfix::kBoxPages.size(), PDDocGetNumPages(doc));
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    const kvfix::BoxExpect& e = kvfix::kBoxPages[(size_t)i];
    ScopedPage page(doc, i);
    EXPECT_EQ(e.rotate, PDPageGetRotate(page)) << e.what;
    EXPECT_EQ(ShowPoints(e.visible), ShowPageRect(page, kSizeVisible)) << e.what;
    EXPECT_EQ(ShowPoints(e.visible), ShowPageRect(page, (EWhichSize)7)) << e.what << ": unknown values read the visible box";
    EXPECT_EQ(ShowPoints(e.trim), ShowPageRect(page, kSizeTrim)) << e.what;
    EXPECT_EQ(ShowPoints(e.bleed), ShowPageRect(page, kSizeBleed)) << e.what;
    EXPECT_EQ(e.hasBleeds, (bool)PageHasBleeds(page)) << e.what;
    bool trimDiffers = ShowPoints(e.trim) != ShowPoints(e.visible);
    EXPECT_EQ(trimDiffers, (bool)PDPageCropNeTrim(page)) << e.what;

    ASFixedPoint size;
    GetTranslatedPageSize(page, &size, kSizeVisible);
    EXPECT_DOUBLE_EQ(e.size[0], Pt(size.h)) << e.what;
    EXPECT_DOUBLE_EQ(e.size[1], Pt(size.v)) << e.what;
    GetTranslatedPageSizeByPageNum(doc, i, &size, kSizeTrim);
    EXPECT_DOUBLE_EQ(e.trimSize[0], Pt(size.h)) << e.what;
    EXPECT_DOUBLE_EQ(e.trimSize[1], Pt(size.v)) << e.what;
  }
}

// Rotations of every kind the host shows, own and inherited.
TEST_F(PageBoxesTest, TranslatedSizeFollowsRotation) {
  std::string path = dir.file("rotated.pdf");
  kvfix::WriteRotated(path);
  ScopedDoc doc(OpenPdf(path));
  ASSERT_EQ((ASInt32)kvfix::kRotated.size(), PDDocGetNumPages(doc));
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    ASFixedPoint size;
    GetTranslatedPageSizeByPageNum(doc, i, &size, kSizeBleed);
    bool turned = kvfix::kRotated[(size_t)i] % 180 != 0;
    EXPECT_DOUBLE_EQ(turned ? 200 : 400, Pt(size.h)) << i;
    EXPECT_DOUBLE_EQ(turned ? 400 : 200, Pt(size.v)) << i;
  }
  ASFixedPoint size{};
  EXPECT_NE(0, ErrorOf([&] { GetTranslatedPageSizeByPageNum(doc, 99, &size, kSizeVisible); }));
  ASFaultInject("PDDocAcquirePage", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { GetTranslatedPageSizeByPageNum(doc, 0, &size, kSizeVisible); }));
}

TEST_F(PageBoxesTest, OldPageRectReadsThePrivateDictionaryAlone) {
  ScopedDoc doc(OpenPdf(Boxes()));
  ScopedPage page(doc, 10);  // own TrimBox [30 30 580 760], private TrimBox [1 1 2 2]
  ASFixedRect r;
  GetOldPageRect(page, &r, kSizeTrim);
  EXPECT_EQ("[1 1 2 2]", ShowRect(r));
  GetOldPageRect(page, &r, kSizeVisible);
  EXPECT_EQ("[0 0 612 792]", ShowRect(r));
  GetOldPageRect(page, &r, kSizeBleed);
  EXPECT_EQ("[0 0 612 792]", ShowRect(r));
  EXPECT_EQ(CosDict, CosObjGetType(LoadBleedDict(PDPageGetCosObj(page))));
  ScopedPage plain(doc, 0);
  EXPECT_EQ(CosNull, CosObjGetType(LoadBleedDict(PDPageGetCosObj(plain))));
}

TEST_F(PageBoxesTest, CropNeTrimOverDocuments) {
  ScopedDoc boxes(OpenPdf(Boxes()));
  EXPECT_TRUE(PDDocCropNeTrim(boxes));
  std::string simple = dir.file("simple.pdf");
  kvfix::WriteSimple(simple, 3);
  ScopedDoc plain(OpenPdf(simple));
  EXPECT_FALSE(PDDocCropNeTrim(plain));
  ScopedDoc empty(PDDocCreate());
  EXPECT_FALSE(PDDocCropNeTrim(empty));
  // Only the first page differs: every page is visited.
  {
    ScopedPage first(plain, 0);
    ASFixedRect trim = BoxRect(10, 10, 600, 780);
    SetPageBleedRect(first, kBleedTrimBox, &trim);
  }
  EXPECT_TRUE(PDDocCropNeTrim(plain));
  ASFaultInject("PDDocAcquirePage", genErrGeneral, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { PDDocCropNeTrim(plain); }));
}

// ---- rectangle arrays ---------------------------------------------------------------

TEST_F(PageBoxesTest, RectangleArrays) {
  ScopedDoc doc(PDDocCreate());
  CosDoc cd = PDDocGetCosDoc(doc);
  auto arr = [&](std::initializer_list<CosObj> items) {
    CosObj a = CosNewArray(cd, false, 4);
    ASInt32 i = 0;
    for (CosObj x : items) CosArrayPut(a, i++, x);
    return a;
  };
  auto n = [&](double v) { return CosNewDouble(cd, false, v); };
  auto k = [&](ASInt32 v) { return CosNewInteger(cd, false, v); };
  struct Case {
    const char* what;
    CosObj obj;
    bool ok;
    const char* rect;  // normalised
    const char* numbers;  // as they stand
  };
  const Case cases[] = {
      {"integers", arr({k(0), k(0), k(612), k(792)}), true, "[0 0 612 792]", "[0 0 612 792]"},
      {"reals and extra elements", arr({n(1.5), n(2.25), k(3), k(4), k(5)}), true, "[1.5 2.25 3 4]",
       "[1.5 2.25 3 4]"},
      {"corners swapped", arr({k(612), k(792), k(0), k(0)}), true, "[0 0 612 792]", "[612 792 0 0]"},
      {"one corner swapped", arr({k(10), k(792), k(600), k(0)}), true, "[10 0 600 792]", "[10 792 600 0]"},
      {"too few", arr({k(1), k(2), k(3)}), false, "", ""},
      {"a name inside", arr({k(1), k(2), CosNewName(cd, false, A("x")), k(4)}), false, "", ""},
      {"not an array", k(4), false, "", ""},
      {"null", CosNewNull(), false, "", ""},
  };
  for (const Case& c : cases) {
    ASFixedRect r = BoxRect(-1, -1, -1, -1);
    EXPECT_EQ(c.ok, (bool)LoadRect(c.obj, &r)) << c.what;
    EXPECT_EQ(c.ok ? c.rect : "[-1 -1 -1 -1]", ShowRect(r)) << c.what << ": untouched on failure";
    r = BoxRect(-1, -1, -1, -1);
    EXPECT_EQ(c.ok, (bool)LoadFourNumbers(c.obj, &r)) << c.what;
    EXPECT_EQ(c.ok ? c.numbers : "[-1 -1 -1 -1]", ShowRect(r)) << c.what;
  }
  ASFixedRect in = BoxRect(1.5, -2, 300.25, 400);
  CosObj made = MakeRectObject(cd, &in);
  EXPECT_FALSE(CosObjIsIndirect(made));
  ASSERT_EQ(4, CosArrayLength(made));
  EXPECT_EQ(-2.0, CosDoubleValue(CosArrayGet(made, 1)));
  ASFixedRect back;
  ASSERT_TRUE(LoadRect(made, &back));
  EXPECT_EQ(ShowRect(in), ShowRect(back));
}

TEST_F(PageBoxesTest, PageMnemonics) {
  ScopedDoc doc(OpenPdf(Boxes()));
  ScopedPage page(doc, 4);  // crop box [10 10 590 790] inherited, media [0 0 600 800] inherited
  CosDoc cd = PDDocGetCosDoc(doc);
  ASFixedRect r = BoxRect(-1, -1, -1, -1);
  EXPECT_TRUE(LoadPageMnemonic(page, CosNewName(cd, false, A("CropBox")), &r));
  EXPECT_EQ("[10 10 590 790]", ShowRect(r));
  EXPECT_TRUE(LoadPageMnemonic(page, CosNewName(cd, false, A("MediaBox")), &r));
  EXPECT_EQ("[0 0 600 800]", ShowRect(r));
  r = BoxRect(-1, -1, -1, -1);
  EXPECT_FALSE(LoadPageMnemonic(page, CosNewName(cd, false, A("TrimBox")), &r));
  EXPECT_FALSE(LoadPageMnemonic(page, CosNewString(cd, false, "CropBox", 7), &r));
  EXPECT_EQ("[-1 -1 -1 -1]", ShowRect(r));
}

// ---- writing -----------------------------------------------------------------------

// A page of its own (media box [0 0 612 792]) in a fresh document, with
// entries put into its dictionary before the write.
struct WriteCase {
  const char* what;
  const char* ownTrim;   // own entries before, "" for none
  const char* ownBleed;
  EWhichBleed which;
  int rect;  // 0 null, 1 media mnemonic, 2 crop mnemonic, 3 the numbers below
  double numbers[4];
  const char* wantTrim;  // own entries after ("none" when absent)
  const char* wantBleed;
  const char* wantPrivate;  // Describe of the private dictionary, "null" when absent
};

TEST_F(PageBoxesTest, SetPageBleedRectTable) {
  const WriteCase cases[] = {
      {"margins, no standard boxes", "", "", kBleedMargins, 3, {9, 9, 9, 9}, "[9 9 603 783]", "none",
       "<</BleedMargin [9 9 9 9 ] >>"},
      {"uneven margins", "", "", kBleedMargins, 3, {10, 5, 2, 20}, "[10 5 610 772]", "none",
       "<</BleedMargin [10 5 2 20 ] >>"},
      {"margins larger than the box collapse it", "", "", kBleedMargins, 3, {400, 500, 400, 500},
       "[400 500 400 500]", "none", "<</BleedMargin [400 500 400 500 ] >>"},
      {"margins inside an own bleed box", "", "0 0 620 800", kBleedMargins, 3, {10, 10, 10, 10},
       "[10 10 610 790]", "[0 0 620 800]", "<</BleedMargin [10 10 10 10 ] >>"},
      {"margins around an own trim box", "20 20 592 772", "", kBleedMargins, 3, {5, 5, 5, 5}, "[20 20 592 772]",
       "[15 15 597 777]", "<</BleedMargin [5 5 5 5 ] >>"},
      {"margins with both boxes present", "20 20 592 772", "0 0 612 792", kBleedMargins, 3, {5, 5, 5, 5},
       "[20 20 592 772]", "[0 0 612 792]", "<</BleedMargin [5 5 5 5 ] >>"},
      {"margins at the ends of the range", "-32000 -32000 32000 32000", "", kBleedMargins, 3,
       {30000, 30000, 30000, 30000}, "[-32000 -32000 32000 32000]", "[-32768 -32768 32768 32768]",
       "<</BleedMargin [30000 30000 30000 30000 ] >>"},
      {"trim box", "", "", kBleedTrimBox, 3, {9, 9, 603, 783}, "[9 9 603 783]", "none",
       "<</TrimBox [9 9 603 783 ] >>"},
      {"bleed box", "", "", kBleedBleedBox, 3, {0, 0, 620, 800}, "none", "[0 0 620 800]",
       "<</BleedBox [0 0 620 800 ] >>"},
      {"bleed box named MediaBox", "", "", kBleedBleedBox, 1, {}, "none", "[0 0 612 792]",
       "<</BleedBox /MediaBox >>"},
      {"trim box named CropBox falls back to the media box", "", "", kBleedTrimBox, 2, {}, "[0 0 612 792]", "none",
       "<</TrimBox /CropBox >>"},
      {"margins named by a box write nothing", "", "", kBleedMargins, 1, {}, "none", "none", "null"},
      {"removing from a page without private dictionary", "9 9 603 783", "", kBleedTrimBox, 0, {},
       "[9 9 603 783]", "none", "null"},
      {"removing margins from a page without private dictionary", "", "", kBleedMargins, 0, {}, "none", "none",
       "null"},
      {"everything with a rectangle writes nothing", "9 9 603 783", "", kBleedAll, 3, {1, 2, 3, 4},
       "[9 9 603 783]", "none", "null"},
      {"an unknown value writes nothing", "", "", (EWhichBleed)9, 3, {1, 2, 3, 4}, "none", "none", "null"},
  };
  for (const WriteCase& c : cases) {
    ScopedDoc doc(PDDocCreate());
    ScopedPage page(PDDocCreatePage(doc, PDBeforeFirstPage, BoxRect(0, 0, 612, 792)));
    CosObj p = PDPageGetCosObj(page);
    CosDoc cd = PDDocGetCosDoc(doc);
    auto put = [&](const char* key, const char* spec) {
      if (!*spec) return;
      double v[4];
      std::sscanf(spec, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]);
      ASFixedRect r = BoxRect(v[0], v[1], v[2], v[3]);
      CosDictPut(p, A(key), MakeRectObject(cd, &r));
    };
    put("TrimBox", c.ownTrim);
    put("BleedBox", c.ownBleed);
    ASFixedRect numbers = BoxRect(c.numbers[0], c.numbers[1], c.numbers[2], c.numbers[3]);
    ASFixedRect* rect = c.rect == 0   ? nullptr
                        : c.rect == 1 ? BleedRectMediaBox()
                        : c.rect == 2 ? BleedRectCropBox()
                                      : &numbers;
    SetPageBleedRect(page, c.which, rect);
    EXPECT_EQ(c.wantTrim, OwnRect(p, "TrimBox")) << c.what;
    EXPECT_EQ(c.wantBleed, OwnRect(p, "BleedBox")) << c.what;
    EXPECT_EQ(c.wantPrivate, Describe(LoadBleedDict(p))) << c.what;
  }
}

// Margins written into the standard boxes give the box that the private
// dictionary alone gives a reader.
TEST_F(PageBoxesTest, WrittenMarginsAgreeWithTheReader) {
  const double margins[][4] = {{9, 9, 9, 9}, {10, 5, 2, 20}, {400, 500, 400, 500}, {0, 0, 700, 0}, {-5, -5, 0, 0}};
  for (const auto& m : margins) {
    ScopedDoc doc(PDDocCreate());
    ScopedPage page(PDDocCreatePage(doc, PDBeforeFirstPage, BoxRect(0, 0, 612, 792)));
    ASFixedRect r = BoxRect(m[0], m[1], m[2], m[3]);
    SetPageBleedRect(page, kBleedMargins, &r);
    ASFixedRect fromPrivate;
    GetOldPageRect(page, &fromPrivate, kSizeTrim);
    EXPECT_EQ(ShowRect(fromPrivate), ShowPageRect(page, kSizeTrim)) << ShowRect(r);
    EXPECT_EQ(ShowRect(fromPrivate), OwnRect(PDPageGetCosObj(page), "TrimBox")) << ShowRect(r);
  }
}

TEST_F(PageBoxesTest, NamedBoxesAreLookedUpThroughThePageTree) {
  ScopedDoc doc(OpenPdf(Boxes()));
  ScopedPage page(doc, 19);  // crop box inherited from its parent
  CosObj p = PDPageGetCosObj(page);
  SetPageBleedRect(page, kBleedBleedBox, BleedRectCropBox());
  EXPECT_EQ("[10 10 590 790]", OwnRect(p, "BleedBox"));
  SetPageBleedRect(page, kBleedTrimBox, BleedRectMediaBox());
  EXPECT_EQ("[0 0 600 800]", OwnRect(p, "TrimBox"));
  EXPECT_EQ("<</BleedBox /CropBox /TrimBox /MediaBox >>", Describe(LoadBleedDict(p)));
  EXPECT_EQ("[0 0 600 800]", ShowPageRect(page, kSizeTrim));

  // Removing one value takes it from both places.
  SetPageBleedRect(page, kBleedTrimBox, nullptr);
  EXPECT_EQ("none", OwnRect(p, "TrimBox"));
  EXPECT_EQ("<</BleedBox /CropBox >>", Describe(LoadBleedDict(p)));
}

TEST_F(PageBoxesTest, RemovingAllBleedInformation) {
  ScopedDoc doc(OpenPdf(Boxes()));
  auto keys = [](CosObj dict) {
    std::set<std::string> out;
    CosObjEnum(
        dict,
        [](CosObj k, CosObj, void* c) -> ASBool {
          static_cast<std::set<std::string>*>(c)->insert(ASAtomGetString(CosNameValue(k)));
          return true;
        },
        &out);
    return out;
  };
  for (ASInt32 i : {1, 3, 10, 11, 0}) {
    ScopedPage page(doc, i);
    CosObj p = PDPageGetCosObj(page);
    std::set<std::string> before = keys(p);
    std::string plain = Describe(p);
    SetPageBleedRect(page, kBleedAll, nullptr);
    for (const char* key : {"TrimBox", "BleedBox", "KRVL_Bleed_1"}) before.erase(key);
    EXPECT_EQ(before, keys(p)) << i;
    EXPECT_FALSE(PageHasBleeds(page)) << i;
    if (i == 0) {
      EXPECT_EQ(plain, Describe(p)) << "a page without bleed information is unchanged";
    }
  }
}

}  // namespace

TEST(PageBoxes, OwnBoxesByHostVersion) {
  TempDir dir;
  kvfix::WriteInherited(dir.file("i.pdf"));
  ScopedDoc doc(OpenPdf(dir.file("i.pdf")));
  ScopedPage inherits(doc, 0), own(doc, 2);
  ASFixedRect r{1, 2, 3, 4};
  EXPECT_FALSE(KPDPageGetBox(inherits, A("CropBox"), &r)) << "inherited boxes are not the page's own";
  EXPECT_EQ(1, r.left) << "left untouched";
  EXPECT_TRUE(KPDPageGetBox(own, A("CropBox"), &r));
  EXPECT_EQ(ASInt32ToFixed(50), r.left);
  EXPECT_EQ(ASInt32ToFixed(750), r.top);
  CosObj dict = PDPageGetCosObj(own);
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj bad = CosNewArray(cos, 0, 4);
  CosArrayPut(bad, 0, CosNewName(cos, 0, A("x")));
  CosDictPut(dict, A("ArtBox"), bad);
  r = ASFixedRect{1, 2, 3, 4};
  EXPECT_FALSE(KPDPageGetBox(own, A("ArtBox"), &r));
  EXPECT_EQ(2, r.top);

  ASFixedRect trim{ASInt32ToFixed(10), ASInt32ToFixed(90), ASInt32ToFixed(80), ASInt32ToFixed(20)};
  for (ASInt16 major : {9, 4}) {
    ASHostVersionSet(major, 0);
    KPDPageSetBox(inherits, A("TrimBox"), trim);
    CosObj arr = CosDictGet(PDPageGetCosObj(inherits), A("TrimBox"));
    ASSERT_EQ(4, CosArrayLength(arr)) << major;
    EXPECT_EQ(10, CosIntegerValue(CosArrayGet(arr, 0))) << major;
    EXPECT_EQ(20, CosIntegerValue(CosArrayGet(arr, 1))) << major;
    EXPECT_EQ(90, CosIntegerValue(CosArrayGet(arr, 3))) << major;
    CosDictRemove(PDPageGetCosObj(inherits), A("TrimBox"));
  }
  ASHostVersionSet(9, 0);
}
