// Trim and shift under the frame's process manager: trims on every edge and
// rotation, uniform sizes, fixed, variable and creep shifts, the working copy
// of a new-document run, normalising, and failures half-way.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/TrimShift.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/ASFixed.h"
#include "host/AVAlert.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

// "[left bottom right top]" of a box in points.
std::string Show(const ASFixedRect& r) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "[%g %g %g %g]", ASFixedToFloat(r.left), ASFixedToFloat(r.bottom),
                ASFixedToFloat(r.right), ASFixedToFloat(r.top));
  return buf;
}
std::string Crop(PDDoc doc, ASInt32 n) {
  ScopedPage page(doc, n);
  ASFixedRect r;
  PDPageGetCropBox(page, &r);
  return Show(r);
}
std::string Media(PDDoc doc, ASInt32 n) {
  ScopedPage page(doc, n);
  ASFixedRect r;
  PDPageGetMediaBox(page, &r);
  return Show(r);
}

void Rotate(PDDoc doc, ASInt32 n, PDRotate r) {
  ScopedPage page(doc, n);
  PDPageSetRotate(page, r);
}

class TrimShiftTest : public PagesTest {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    definition = KCabNewInner();
    TrimAndShiftFillProcessControlCab(definition);
  }
  void TearDown() override {
    KCabDestroy(definition);
    PagesTest::TearDown();
  }
  SKCab* definition = nullptr;
};

struct TrimCase {
  const char* name;
  int rotate;
  const char* trim;
  const char* edge;
  double by;
  const char* crop;
  const char* media;
};
void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }

class TrimTest : public TrimShiftTest, public ::testing::WithParamInterface<TrimCase> {};

TEST_P(TrimTest, ChangesTheCropBox) {
  const TrimCase& c = GetParam();
  PDDoc doc = Doc(1);
  Rotate(doc, 0, c.rotate);
  EXPECT_TRUE(Run(definition, doc, [&](SKCab* p) {
    KCabPutAtom(p, "Trim", ASAtomFromString(c.trim));
    KCabPutAtom(p, "TrimEdge", ASAtomFromString(c.edge));
    KCabPutDouble(p, "TrimBy", c.by);
  }));
  EXPECT_EQ(c.crop, Crop(doc, 0));
  EXPECT_EQ(c.media, Media(doc, 0));
  EXPECT_EQ(0, SaveAndCheck(doc, "trim.pdf"));
}

INSTANTIATE_TEST_SUITE_P(
    Edges, TrimTest,
    ::testing::Values(TrimCase{"SmallerTop", 0, "Smaller", "Top", 100, "[0 0 612 692]", "[0 0 612 792]"},
                      TrimCase{"SmallerLeft", 0, "Smaller", "Left", 12, "[12 0 612 792]", "[0 0 612 792]"},
                      TrimCase{"SmallerRight", 0, "Smaller", "Right", 12, "[0 0 600 792]", "[0 0 612 792]"},
                      TrimCase{"SmallerBottom", 0, "Smaller", "Bottom", 12, "[0 12 612 792]", "[0 0 612 792]"},
                      TrimCase{"Rotated90TopIsLeft", 90, "Smaller", "Top", 10, "[10 0 612 792]", "[0 0 612 792]"},
                      TrimCase{"Rotated180TopIsBottom", 180, "Smaller", "Top", 10, "[0 10 612 792]", "[0 0 612 792]"},
                      TrimCase{"Rotated270TopIsRight", 270, "Smaller", "Top", 10, "[0 0 602 792]", "[0 0 612 792]"},
                      TrimCase{"BiggerGrowsTheMedia", 0, "Bigger", "Right", 20, "[0 0 632 792]", "[0 0 632 792]"},
                      TrimCase{"BiggerBottom", 0, "Bigger", "Bottom", 8, "[0 -8 612 792]", "[0 -8 612 792]"}));

struct UniformCase {
  double w, h;
  int rotate;
  const char* crop;
  const char* media;
};
// Test names print the case, not a dump of its bytes.
void PrintTo(const UniformCase& c, std::ostream* os) { *os << c.w << " x " << c.h << " turned " << c.rotate; }
class UniformTest : public TrimShiftTest, public ::testing::WithParamInterface<UniformCase> {};

TEST_P(UniformTest, SetsTheSizeAroundTheCentre) {
  const UniformCase& c = GetParam();
  PDDoc doc = Doc(1);
  Rotate(doc, 0, c.rotate);
  EXPECT_TRUE(Run(definition, doc, [&](SKCab* p) {
    KCabPutAtom(p, "Trim", ASAtomFromString("Uniform"));
    SKCab* size = KCabNewInner();
    KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
    KCabPutDouble(size, "Width", c.w);
    KCabPutDouble(size, "Height", c.h);
    KCabPutCab(p, "FixedSize", size);
  }));
  EXPECT_EQ(c.crop, Crop(doc, 0));
  EXPECT_EQ(c.media, Media(doc, 0));
}

INSTANTIATE_TEST_SUITE_P(Sizes, UniformTest,
                         ::testing::Values(UniformCase{500, 700, 0, "[56 46 556 746]", "[0 0 612 792]"},
                                           UniformCase{700, 900, 0, "[-44 -54 656 846]", "[-44 -54 656 846]"},
                                           UniformCase{700, 500, 90, "[56 46 556 746]", "[0 0 612 792]"}));

// Without a size there is nothing to be uniform to: the run is refused, not
// reported as done with the pages as they were.
TEST_F(TrimShiftTest, UniformWithoutASizeIsRefused) {
  struct {
    const char* what;
    double w, h;  // negative w: no "FixedSize" at all
  } cases[] = {{"no size", -1, 0}, {"nothing wide or high", 0, 0}, {"no height", 500, 0}, {"negative", -10, -20}};
  for (const auto& c : cases) {
    PDDoc doc = Doc(2);
    capture->Clear();
    EXPECT_FALSE(Run(definition, doc, [&](SKCab* p) {
      KCabPutAtom(p, "Trim", ASAtomFromString("Uniform"));
      if (c.w == -1) return;
      SKCab* size = KCabNewInner();
      KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
      KCabPutDouble(size, "Width", c.w);
      KCabPutDouble(size, "Height", c.h);
      KCabPutCab(p, "FixedSize", size);
    })) << c.what;
    EXPECT_EQ(std::vector<std::string>{Msg("pagemg.6.uniformnosize")}, Errors()) << c.what;
    EXPECT_EQ("[0 0 612 792]", Crop(doc, 0)) << c.what;
    EXPECT_EQ("[0 0 612 792]", Media(doc, 1)) << c.what;
  }
}

// The left edge of each page's crop box, rounded to hundredths.
std::vector<double> LeftEdges(PDDoc doc) {
  std::vector<double> out;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    ScopedPage page(doc, i);
    ASFixedRect r;
    PDPageGetCropBox(page, &r);
    out.push_back(std::round(ASFixedToFloat(r.left) * 100) / 100);
  }
  return out;
}

TEST_F(TrimShiftTest, VariableShiftGrowsOverTheRun) {
  PDDoc doc = Doc(11);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutAtom(p, "Shift", ASAtomFromString("Variable"));
    KCabPutAtom(p, "ShiftDir", ASAtomFromString("Right"));
    KCabPutDouble(p, "ShiftFrom", 0);
    KCabPutDouble(p, "ShiftTo", 10);
  }));
  // Content moves right: the crop box moves left by i points.
  std::vector<double> expected;
  for (int i = 0; i < 11; ++i) expected.push_back(i == 0 ? 0 : -i);
  EXPECT_EQ(expected, LeftEdges(doc));
  EXPECT_EQ("[-10 0 612 792]", Media(doc, 10));
}

TEST_F(TrimShiftTest, FixedShiftUpMovesTheBoxDown) {
  PDDoc doc = Doc(1);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutAtom(p, "Shift", ASAtomFromString("AcroFixed"));
    KCabPutAtom(p, "ShiftDir", ASAtomFromString("Up"));
    KCabPutDouble(p, "ShiftFrom", 5);
  }));
  EXPECT_EQ("[0 -5 612 787]", Crop(doc, 0));
  EXPECT_EQ("[0 -5 612 792]", Media(doc, 0));
}

TEST_F(TrimShiftTest, CreepFollowsTheSignature) {
  PDDoc doc = Doc(34);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutAtom(p, "Shift", ASAtomFromString("Creep"));
    KCabPutInt(p, "CreepEvery", 32);
    KCabPutDouble(p, "ShiftFrom", 0);
    KCabPutDouble(p, "ShiftTo", 15);
  }));
  std::vector<double> expected;
  for (int k = 1; k <= 32; ++k) {
    double a;
    if (k == 16 || k == 17) a = 15;
    else if (k == 32) a = 0;
    else a = k < 16 ? k - 1 : 32 - k;
    if (k % 2 == 1 && k != 32) a = -a;
    expected.push_back(a == 0 ? 0 : a);
  }
  expected.push_back(0);  // page 33 starts again
  expected.push_back(1);
  EXPECT_EQ(expected, LeftEdges(doc));
}

TEST_F(TrimShiftTest, CreepOfTinySignaturesStaysBounded) {
  for (int every : {0, 1, 2}) {
    PDDoc doc = Doc(6);
    EXPECT_TRUE(Run(definition, doc, [&](SKCab* p) {
      KCabPutAtom(p, "Shift", ASAtomFromString("Creep"));
      KCabPutInt(p, "CreepEvery", every);
      KCabPutDouble(p, "ShiftFrom", 1);
      KCabPutDouble(p, "ShiftTo", 3);
    }));
    for (double left : LeftEdges(doc)) EXPECT_LE(std::fabs(left), 3) << "creep every " << every;
  }
}

TEST_F(TrimShiftTest, NewDocRunsOnACopyOpenedAtTheEnd) {
  PDDoc doc = Doc(2);
  ForgetViews();
  const ASInt32 number = gShiftedDocNumber + 1;
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutBool(p, "NewDoc", 1);
    KCabPutAtom(p, "Trim", ASAtomFromString("Smaller"));
    KCabPutAtom(p, "TrimEdge", ASAtomFromString("Top"));
    KCabPutDouble(p, "TrimBy", 92);
  }));
  EXPECT_EQ("[0 0 612 792]", Crop(doc, 0)) << "the source stays as it was";
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  char title[200];
  std::snprintf(title, sizeof title, Msg("pagemg.6.title.trimshift").c_str(), number);
  EXPECT_EQ(title, views[0].title);
  PDDoc copy = AVDocGetPDDoc(views[0].view);
  EXPECT_EQ("[0 0 612 700]", Crop(copy, 0));
  EXPECT_EQ("[0 0 612 700]", Crop(copy, 1));
  EXPECT_EQ("Page 1,Page 2", OrderText(copy));
}

// A trim or shift as large as the page would leave nothing of it in view:
// the run stops on that page, names it, and leaves its boxes as they were.
TEST_F(TrimShiftTest, NothingLeftInViewStopsTheRun) {
  struct Case {
    const char* what;
    std::function<void(SKCab*)> set;
  } cases[] = {
      {"trimmed by more than the page", [](SKCab* p) {
         KCabPutAtom(p, "Trim", ASAtomFromString("Smaller"));
         KCabPutAtom(p, "TrimEdge", ASAtomFromString("Top"));
         KCabPutDouble(p, "TrimBy", 5000);
       }},
      {"trimmed by exactly the width", [](SKCab* p) {
         KCabPutAtom(p, "Trim", ASAtomFromString("Smaller"));
         KCabPutAtom(p, "TrimEdge", ASAtomFromString("Right"));
         KCabPutDouble(p, "TrimBy", 612);
       }},
      {"shifted past the page", [](SKCab* p) {
         KCabPutAtom(p, "Shift", ASAtomFromString("Fixed"));
         KCabPutAtom(p, "ShiftDir", ASAtomFromString("Down"));
         KCabPutDouble(p, "ShiftFrom", 792);
       }},
  };
  for (const auto& c : cases) {
    PDDoc doc = Doc(1);
    capture->Clear();
    EXPECT_FALSE(Run(definition, doc, c.set)) << c.what;
    ASSERT_EQ(1u, Errors().size()) << c.what;
    EXPECT_NE(std::string::npos, Errors()[0].find("Page 1 shows 612 x 792 pt")) << Errors()[0];
    EXPECT_EQ("[0 0 612 792]", Crop(doc, 0)) << c.what;
    EXPECT_EQ("[0 0 612 792]", Media(doc, 0)) << c.what;
  }
}

// A page that shows no area is told as a page without a size, whichever
// amount was asked for: the amounts are not what is wrong.
TEST_F(TrimShiftTest, APageWithoutSizeIsToldAsSuch) {
  struct Case {
    const char* what;
    ASFixedRect box;
    const char* shows;
    std::function<void(SKCab*)> set;
  } cases[] = {
      {"0 x 0, shifted", ASFixedRect{0, 0, 0, 0}, "0 x 0",
       [](SKCab* p) {
         KCabPutAtom(p, "Shift", ASAtomFromString("Fixed"));
         KCabPutDouble(p, "ShiftFrom", 10);
       }},
      {"0 x 0, trimmed bigger", ASFixedRect{0, 0, 0, 0}, "0 x 0",
       [](SKCab* p) {
         KCabPutAtom(p, "Trim", ASAtomFromString("Bigger"));
         KCabPutDouble(p, "TrimBy", 10);
       }},
      {"no width", ASFixedRect{ASInt32ToFixed(100), ASInt32ToFixed(792), ASInt32ToFixed(100), 0}, "0 x 792",
       [](SKCab* p) {
         KCabPutAtom(p, "Shift", ASAtomFromString("Variable"));
         KCabPutDouble(p, "ShiftFrom", 10);
         KCabPutDouble(p, "ShiftTo", 20);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PDDoc doc = Doc(2);
    {
      ScopedPage page(doc, 1);
      PDPageSetCropBox(page, c.box);
    }
    capture->Clear();
    EXPECT_FALSE(Run(definition, doc, c.set));
    ASSERT_EQ(1u, Errors().size());
    EXPECT_EQ(0u, Errors()[0].find(std::string("Page 2 has no size (it shows ") + c.shows + " pt)")) << Errors()[0];
    EXPECT_EQ(std::string::npos, Errors()[0].find("TrimBy")) << Errors()[0];
  }
}

TEST_F(TrimShiftTest, CancelledRunClosesTheCopy) {
  PDDoc doc = Doc(2);
  const ASInt32 open = PDGetOpenDocCount();
  // The bleed question answered no cancels the run at the page.
  {
    ScopedPage page(doc, 0);
    PDPageSetBox(page, ASAtomFromString("TrimBox"),
                 ASFixedRect{ASInt32ToFixed(10), ASInt32ToFixed(700), ASInt32ToFixed(600), ASInt32ToFixed(10)});
  }
  AVAlertQueueAnswer(2);
  ForgetViews();
  EXPECT_FALSE(Run(definition, doc, [](SKCab* p) { KCabPutBool(p, "NewDoc", 1); }));
  EXPECT_EQ(open, PDGetOpenDocCount());
  EXPECT_TRUE(ViewsOpened().empty());
}

TEST_F(TrimShiftTest, HostFailureStillClosesTheCopy) {
  PDDoc doc = Doc(3);
  {
    ScopedPage page(doc, 1);
    PDPageSetCropBox(page, ASFixedRect{ASInt32ToFixed(6), ASInt32ToFixed(700), ASInt32ToFixed(600), ASInt32ToFixed(6)});
  }
  const ASInt32 open = PDGetOpenDocCount();
  // Normalising the copy's second page fails: the run ends with the error.
  ASFaultInject("CosNewStream", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] {
              Run(definition, doc, [](SKCab* p) {
                KCabPutBool(p, "NewDoc", 1);
                KCabPutAtom(p, "Normalise", ASAtomFromString("Full"));
              });
            }));
  ASFaultClearAll();
  EXPECT_EQ(open, PDGetOpenDocCount());
}

TEST_F(TrimShiftTest, NormaliseMovesTheCornerToTheOrigin) {
  PDDoc doc = Doc(1);
  {
    ScopedPage page(doc, 0);
    PDPageSetCropBox(page, ASFixedRect{ASInt32ToFixed(10), ASInt32ToFixed(710), ASInt32ToFixed(510),
                                       ASInt32ToFixed(10)});
  }
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) { KCabPutAtom(p, "Normalise", ASAtomFromString("Full")); }));
  EXPECT_EQ("[0 0 500 700]", Crop(doc, 0));
  EXPECT_EQ("[0 0 500 700]", Media(doc, 0));
  ScopedPage page(doc, 0);
  CosObj contents = PDPageGetCosContents(page);
  ASSERT_EQ(CosArray, CosObjGetType(contents));
  EXPECT_EQ("1 0 0 1 -10.00 -10.00 cm 10.00 10.00 500.00 700.00 re W n ",
            CosStreamBytes(CosArrayGet(contents, 0)));
  EXPECT_EQ(2, CosArrayLength(contents));
  EXPECT_EQ(0, SaveAndCheck(doc, "normalised.pdf"));
  EXPECT_EQ("Page1|", PdfToText(dir.file("normalised.pdf")));
}

TEST_F(TrimShiftTest, NormaliseAtTheOriginDoesNothing) {
  PDDoc doc = Doc(1);
  ScopedPage page(doc, 0);
  EXPECT_EQ(0, NormalisePDPage(page, nullptr, 0));
  ASFixedRect clip{0, ASInt32ToFixed(10), ASInt32ToFixed(10), 0};
  EXPECT_EQ(0, NormalisePDPage(page, &clip, 0));
  EXPECT_EQ(0, NormalisePDPage(page, nullptr, 1));
  EXPECT_EQ(CosStream, CosObjGetType(PDPageGetCosContents(page)));
  ASFixedRect inset{ASInt32ToFixed(5), ASInt32ToFixed(10), ASInt32ToFixed(10), ASInt32ToFixed(5)};
  EXPECT_EQ(1, NormalisePDPage(page, &inset, 1));
  EXPECT_EQ("5.00 5.00 5.00 5.00 re W n ", CosStreamBytes(CosArrayGet(PDPageGetCosContents(page), 0)));
}

}  // namespace

namespace {

TEST_F(TrimShiftTest, CreepOverTheWholeDocumentScalesTheAmounts) {
  // Amounts given for 16 pages, used on an 8-page document: creep every 8
  // and both amounts times (8 - 4) / (16 - 4).
  PDDoc doc = Doc(8);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutAtom(p, "Shift", ASAtomFromString("Creep"));
    KCabPutInt(p, "CreepEvery", -16);
    KCabPutDouble(p, "ShiftFrom", 0);
    KCabPutDouble(p, "ShiftTo", 9);
  }));
  // c = 8: halves 4 and 5 get the full 3, the step is 3 / 3.
  EXPECT_EQ((std::vector<double>{0, 1, -2, 3, -3, 2, -1, 0}), LeftEdges(doc));
}

}  // namespace
