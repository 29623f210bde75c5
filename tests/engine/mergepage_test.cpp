// Placing a page on a sheet: the content written for it, the trim shift and
// clip by rotation, bleed chokes, given clips, the extra rotation, the choice
// between copied content and a form XObject, and what the engine does with
// content that leaves things open or closes more than it opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SheetCheck.h"
#include "engine/PageMerge.h"
#include "fixtures/ContentFixtures.h"
#include "fixtures/EngineFixtures.h"
#include "fixtures/Fixtures.h"
#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "pdftools/CosCopy.h"
#include "pdftools/MergeResources.h"
#include "support/CosDescribe.h"
#include "support/EnglishMessages.h"

using namespace kvtest;

namespace {

class MergePageTest : public EngineTest {};

std::string F(const char* format, double a, double b, double c, double d, double e, double f) {
  char text[200];
  CLocaleSnprintf(text, sizeof text, format, a, b, c, d, e, f);
  return text;
}

std::string F4(const char* format, double a, double b, double c, double d) {
  char text[200];
  CLocaleSnprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

// The clip rectangle written for a page: left bottom width height.
std::string ClipLine(const std::string& content) {
  std::smatch m;
  if (!std::regex_search(content, m, std::regex(R"(([-0-9.]+ [-0-9.]+ [-0-9.]+ [-0-9.]+) re\nW n)"))) return "";
  return m[1].str();
}

// The content of a one-page sheet with page 0 of doc placed by matrix.
std::string PlaceOne(PDDoc doc, ASInt32 index, ASFixedMatrix matrix, ASFixedRect* clip = nullptr,
                     const std::function<void(SPageMergeInfo*)>& before = nullptr) {
  ScopedMerge info;
  std::string content;
  OneSheet(info, doc, Rect(0, 0, 800, 800), [&] {
    if (before) before(info);
    MergePage(info, index, matrix, clip, nullptr);
  });
  return PageContentBytes(doc, PDDocGetNumPages(doc) - 1);
}

// The time stamp written into the content, replaced by "TS" for comparison.
std::string WithoutStamp(const std::string& content) {
  return std::regex_replace(content, std::regex(R"(/TS \(D:[0-9]{14}\))"), "/TS (TS)");
}

TEST_F(MergePageTest, APageIsWrittenAsItsMarkedPlacedAndClippedContent) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 200, 100}, "0 0 m 10 10 l S\n", nullptr}}));
  EXPECT_EQ(
      "/KRVL_imposed_1 << /ID /S1 /TS (TS) /BBox [ 50.00 60.00 250.00 160.00 ] >> BDC\n"
      "\nq\n"
      "1.00000 0.00000 0.00000 1.00000 50.00 60.00 cm\n"
      "1.0 0.0 0.0 1.0 0.00 0.00 cm\n"
      "0.00 0.00 200.00 100.00 re\nW n\n"
      "/KRVL_imposed_2 << /ID /S1 >> BDC\n"
      "0 0 m 10 10 l S"
      "\nEMC\n"
      "Q\n"
      "\n\nEMC\n",
      WithoutStamp(PlaceOne(doc, 0, Translation(50, 60))));
}

TEST_F(MergePageTest, ThePlacedBoxFollowsTheMatrixAndTheShownSize) {
  // A 200 x 100 page turned by 90 shows 100 x 200; scaled by a half and
  // mirrored it lands to the left of and below the translation.
  ScopedDoc doc(NewDocWithPages({{{0, 0, 200, 100}, "", [](CosDoc d, CosObj p) {
                                    CosDictPutKeyString(p, "Rotate", CosNewInteger(d, 0, 90));
                                  }}}));
  ASFixedMatrix m{-fixedHalf, 0, 0, -fixedHalf, Fx(300), Fx(400)};
  std::string content = PlaceOne(doc, 0, m);
  EXPECT_NE(std::string::npos, content.find("/BBox [ 250.00 300.00 300.00 400.00 ]")) << content;
}

// ---- trim shift, default matrix and clip by rotation, read back by poppler -------------------

// The page's default matrix worked out by hand: the crop box shown upright
// at the origin.
std::string DefaultMatrixLine(const kvfix::LabelledPage& p, int rotate) {
  // Adding 0 turns a negative zero into the zero the engine prints.
  const double l = p.crop[0] + 0.0, b = p.crop[1] + 0.0, r = p.crop[2], t = p.crop[3];
  switch (rotate) {
    case 90: return F("%.1f %.1f %.1f %.1f %.2f %.2f cm\n", 0, -1, 1, 0, -b + 0.0, r);
    case 180: return F("%.1f %.1f %.1f %.1f %.2f %.2f cm\n", -1, 0, 0, -1, r, t);
    case 270: return F("%.1f %.1f %.1f %.1f %.2f %.2f cm\n", 0, 1, -1, 0, t, -l + 0.0);
    default: return F("%.1f %.1f %.1f %.1f %.2f %.2f cm\n", 1, 0, 0, 1, -l + 0.0, -b + 0.0);
  }
}

// Where a page point shows on the sheet once the trim corner sits at (h, v).
void ShownOnSheet(const kvfix::LabelledPage& p, double x, double y, double h, double v, double* sx, double* sy) {
  const double l = p.crop[0], b = p.crop[1], r = p.crop[2], t = p.crop[3];
  auto shown = [&](double px, double py, double* ox, double* oy) {
    switch (p.rotate) {
      case 90: *ox = py - b; *oy = r - px; break;
      case 180: *ox = r - px; *oy = t - py; break;
      case 270: *ox = t - py; *oy = px - l; break;
      default: *ox = px - l; *oy = py - b; break;
    }
  };
  // The trim box's corner nearest the shown origin.
  double cx[4] = {p.trim[0], p.trim[2], p.trim[0], p.trim[2]}, cy[4] = {p.trim[1], p.trim[1], p.trim[3], p.trim[3]};
  double minX = 1e9, minY = 1e9;
  for (int i = 0; i < 4; ++i) {
    double ox, oy;
    shown(cx[i], cy[i], &ox, &oy);
    minX = std::min(minX, ox);
    minY = std::min(minY, oy);
  }
  double ox, oy;
  shown(x, y, &ox, &oy);
  *sx = ox - minX + h;
  *sy = oy - minY + v;
}

TEST_F(MergePageTest, EveryRotationPutsTheTrimCornerAtTheTranslationAndClipsToTheBleed) {
  std::string source = dir.file("labelled.pdf");
  kvfix::WriteLabelledPages(source);
  ScopedDoc doc(OpenPdf(source));
  const ASInt32 n = (ASInt32)kvfix::kLabelledPages.size();
  ASSERT_EQ(n, PDDocGetNumPages(doc));
  const double sheetW = 600, sheetH = 600, h = 100, v = 50;
  ScopedMerge info;
  std::vector<std::string> contents;
  for (ASInt32 i = 0; i < n; ++i) {
    OneSheet(info, doc, Rect(0, 0, sheetW, sheetH), [&] { MergePage(info, i, Translation(h, v), nullptr, nullptr); });
    contents.push_back(PageContentBytes(doc, PDDocGetNumPages(doc) - 1));
  }
  PDDocDeletePages(doc, 0, n - 1, nullptr, nullptr);
  std::string out = dir.file("sheets.pdf");
  SavePdf(doc, out);
  ASSERT_EQ(0, QpdfCheck(out));

  for (ASInt32 i = 0; i < n; ++i) {
    const kvfix::LabelledPage& p = kvfix::kLabelledPages[(size_t)i];
    SCOPED_TRACE(p.label);
    const std::string& content = contents[(size_t)i];
    double shownCropX = 1e9, shownCropY = 1e9;  // where the crop box's shown origin lands
    for (double x : {p.crop[0], p.crop[2]})
      for (double y : {p.crop[1], p.crop[3]}) {
        double sx, sy;
        ShownOnSheet(p, x, y, h, v, &sx, &sy);
        shownCropX = std::min(shownCropX, sx);
        shownCropY = std::min(shownCropY, sy);
      }
    EXPECT_NE(std::string::npos,
              content.find(F("%.5f %.5f %.5f %.5f %.2f %.2f cm\n", 1, 0, 0, 1, shownCropX, shownCropY)))
        << content;
    EXPECT_NE(std::string::npos, content.find(DefaultMatrixLine(p, p.rotate))) << content;
    EXPECT_EQ(F4("%.2f %.2f %.2f %.2f", p.bleed[0], p.bleed[1], p.bleed[2] - p.bleed[0], p.bleed[3] - p.bleed[1]),
              ClipLine(content));
    double w = p.trim[2] - p.trim[0], ht = p.trim[3] - p.trim[1];
    if (p.rotate == 90 || p.rotate == 270) std::swap(w, ht);
    EXPECT_NE(std::string::npos, content.find(F4("/BBox [ %.2f %.2f %.2f %.2f ]", h, v, h + w, v + ht))) << content;

    // poppler finds the label where the page put it.
    std::vector<PopplerWord> words = PopplerWords(out, i + 1);
    const PopplerWord* label = FindWord(words, p.label);
    ASSERT_NE(nullptr, label) << "label not found";
    double ex, ey;
    ShownOnSheet(p, p.trim[0] + 10, p.trim[1] + 10, h, v, &ex, &ey);
    const double top = sheetH - ey;  // poppler measures from the top
    const double dx = std::max({label->xMin - ex, 0.0, ex - label->xMax});
    const double dy = std::max({label->yMin - top, 0.0, top - label->yMax});
    EXPECT_LT(std::hypot(dx, dy), 3.0) << "label at " << label->xMin << "," << label->yMin << " expected near " << ex
                                       << "," << top;

    // Rendered: the frame inside the trim box is black at its left edge,
    // the bleed beyond the trim is grey, and nothing shows past the clip.
    GrayImage image = RenderGray(out, i + 1);
    ASSERT_GT(image.width, 0);
    const double midY = v + ht / 2;
    EXPECT_LT(image.At(h + 2, midY), 60) << "frame";
    double bleedMargin = 0;  // shown to the left of the trim box
    {
      double minX = 1e9;
      for (double x : {p.bleed[0], p.bleed[2]})
        for (double y : {p.bleed[1], p.bleed[3]}) {
          double sx, sy;
          ShownOnSheet(p, x, y, h, v, &sx, &sy);
          minX = std::min(minX, sx);
        }
      bleedMargin = h - minX;
    }
    if (bleedMargin >= 4) {
      int grey = image.At(h - bleedMargin / 2, midY);
      EXPECT_GT(grey, 150) << "bleed";
      EXPECT_LT(grey, 250) << "bleed";
    }
    EXPECT_EQ(255, image.At(h - bleedMargin - 3, midY)) << "past the clip";
  }
}

// ---- bleed chokes and given clips -----------------------------------------------------------------


TEST_F(MergePageTest, BleedChokesLimitTheClipAndLastOnePlacement) {
  std::string source = dir.file("labelled.pdf");
  kvfix::WriteLabelledPages(source);
  ScopedDoc doc(OpenPdf(source));
  struct {
    const char* what;
    ASInt32 page;  // PAGEB: trim 9 inside a bleed box equal to the media box; PAGED the same turned by 90
    ASFixedRect choke;  // left, top, right, bottom
    const char* clip;   // left bottom width height
  } cases[] = {
      {"two points all round", 1, {Fx(2), Fx(2), Fx(2), Fx(2)}, "7.00 7.00 286.00 386.00"},
      {"a negative side keeps the bleed box", 1, {Fx(-1), Fx(2), Fx(2), Fx(2)}, "0.00 7.00 293.00 386.00"},
      {"more than the bleed keeps the bleed box", 1, {Fx(50), Fx(50), Fx(50), Fx(50)}, "0.00 0.00 300.00 400.00"},
      {"zero is the trim box", 1, {0, 0, 0, 0}, "9.00 9.00 282.00 382.00"},
      // Turned once: the left limit uses the amount given for the top, and so on.
      {"a page turned by 90", 3, {Fx(1), Fx(3), Fx(5), Fx(7)}, "6.00 8.00 292.00 388.00"},
  };
  for (const auto& c : cases) {
    ScopedMerge info;
    std::vector<std::string> contents;
    for (int k = 0; k < 2; ++k) {
      OneSheet(info, doc, Rect(0, 0, 800, 800), [&] {
        if (k == 0) SetMergePageBleedChoke(info, c.choke);
        MergePage(info, c.page, Translation(10, 10), nullptr, nullptr);
        EXPECT_FALSE(info->bleedChokeSet) << "the choke is used up";
      });
      contents.push_back(PageContentBytes(doc, PDDocGetNumPages(doc) - 1));
    }
    EXPECT_EQ(c.clip, ClipLine(contents[0])) << c.what;
    EXPECT_EQ("0.00 0.00 300.00 400.00", ClipLine(contents[1])) << c.what << ": the next page is not choked";
  }
}

TEST_F(MergePageTest, AGivenClipIsUsedAsItIsWithoutShiftOrChoke) {
  std::string source = dir.file("labelled.pdf");
  kvfix::WriteLabelledPages(source);
  ScopedDoc doc(OpenPdf(source));
  ASFixedRect clip = Rect(20, 30, 120, 230);
  std::string content = PlaceOne(doc, 2, Translation(100, 50), &clip, [](SPageMergeInfo* info) {
    SetMergePageBleedChoke(info, ASFixedRect{Fx(1), Fx(1), Fx(1), Fx(1)});
  });
  EXPECT_EQ("20.00 30.00 100.00 200.00", ClipLine(content));
  EXPECT_NE(std::string::npos, content.find("1.00000 0.00000 0.00000 1.00000 100.00 50.00 cm\n")) << content;
}

TEST_F(MergePageTest, BleedIgnoredReadsEveryBoxAsTheVisibleOne) {
  std::string source = dir.file("labelled.pdf");
  kvfix::WriteLabelledPages(source);
  ScopedDoc doc(OpenPdf(source));
  gBleedVelmoraMode = kBleedIgnore;
  // PAGEC: crop [5 5 295 395], trim [20 30 280 370], bleed [10 20 290 380].
  std::string content = PlaceOne(doc, 2, Translation(100, 50));
  EXPECT_EQ("5.00 5.00 290.00 390.00", ClipLine(content));
  EXPECT_NE(std::string::npos, content.find("1.00000 0.00000 0.00000 1.00000 100.00 50.00 cm\n"));
  EXPECT_NE(std::string::npos, content.find("/BBox [ 100.00 50.00 390.00 440.00 ]"));
}

// ---- the extra rotation --------------------------------------------------------------------------

TEST_F(MergePageTest, TheExtraRotationTurnsTheDefaultMatrixAndLeavesThePageAsItWas) {
  std::string source = dir.file("inherited.pdf");
  kvfix::WriteInherited(source);
  ScopedDoc doc(OpenPdf(source));
  // Page 1 inherits Rotate 90 and the crop box [10 10 590 790]; page 3
  // inherits Rotate 180 and has its own crop box [50 50 550 750].
  struct {
    ASInt32 page, extra;
    const char* matrix;
  } cases[] = {
      {0, 0, "0.0 -1.0 1.0 0.0 -10.00 590.00 cm\n"},
      {0, 90, "-1.0 0.0 0.0 -1.0 590.00 790.00 cm\n"},
      {0, 270, "1.0 0.0 0.0 1.0 -10.00 -10.00 cm\n"},
      {2, 90, "0.0 1.0 -1.0 0.0 750.00 -50.00 cm\n"},
      {2, 180, "1.0 0.0 0.0 1.0 -50.00 -50.00 cm\n"},
  };
  for (const auto& c : cases) {
    std::string before0, before2;
    {
      ScopedPage p0(doc, 0), p2(doc, 2);
      before0 = Describe(PDPageGetCosObj(p0));
      before2 = Describe(PDPageGetCosObj(p2));
    }
    std::string content =
        PlaceOne(doc, c.page, Translation(0, 0), nullptr, [&](SPageMergeInfo* info) {
          PageMergeSetExtraRotation(info, c.extra);
        });
    EXPECT_NE(std::string::npos, content.find(c.matrix)) << c.page << " + " << c.extra << "\n" << content;
    ScopedPage p0(doc, 0), p2(doc, 2);
    EXPECT_EQ(before0, Describe(PDPageGetCosObj(p0))) << "page 1's own entries";
    EXPECT_EQ(before2, Describe(PDPageGetCosObj(p2))) << "page 3's own entries";
    EXPECT_EQ(90, PDPageGetRotate(p0));
    EXPECT_EQ(180, PDPageGetRotate(p2));
  }
}

// ---- form XObject or copied content ------------------------------------------------------------

CosObj Dict(CosDoc d, std::initializer_list<std::pair<const char*, CosObj>> entries) {
  CosObj dict = CosNewDict(d, 0, (ASInt32)entries.size());
  for (const auto& e : entries) CosDictPutKeyString(dict, e.first, e.second);
  return dict;
}
CosObj Name(CosDoc d, const char* n) { return CosNewNameFromString(d, 0, n); }

CosObj ManyXObjects(CosDoc d, int count) {
  CosObj xobjects = CosNewDict(d, 0, count);
  CosObj form = StreamOf(d, "");
  CosDictPutKeyString(form, "Subtype", Name(d, "Form"));
  for (int i = 0; i < count; ++i) CosDictPutKeyString(xobjects, ("X" + std::to_string(i)).c_str(), form);
  return xobjects;
}

TEST_F(MergePageTest, PagesGoIntoFormsForPatternsGroupsManyXObjectsAndClashingDefaults) {
  struct {
    const char* what;
    std::function<void(CosDoc, CosObj)> page;
    const char* sheetDefaultRGB;  // the sheet's DefaultRGB (a name), null: none
    ASBool pageOnly;
    ASBool ignoreGroup;
    bool form;
  } cases[] = {
      {"plain", [](CosDoc, CosObj) {}, nullptr, 0, 0, false},
      {"patterns",
       [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", Dict(d, {{"Pattern", CosNewDict(d, 0, 0)}})); },
       nullptr, 0, 0, true},
      {"a group", [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Group", CosNewDict(d, 0, 0)); }, nullptr, 0, 0,
       true},
      {"a group ignored", [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Group", CosNewDict(d, 0, 0)); }, nullptr,
       0, 1, false},
      {"50 XObjects",
       [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", Dict(d, {{"XObject", ManyXObjects(d, 50)}})); },
       nullptr, 0, 0, false},
      {"51 XObjects",
       [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", Dict(d, {{"XObject", ManyXObjects(d, 51)}})); },
       nullptr, 0, 0, true},
      {"the same DefaultRGB as the sheet",
       [](CosDoc d, CosObj p) {
         CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"DefaultRGB", Name(d, "CalA")}})}}));
       },
       "CalA", 0, 0, false},
      {"another DefaultRGB than the sheet",
       [](CosDoc d, CosObj p) {
         CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"DefaultRGB", Name(d, "CalB")}})}}));
       },
       "CalA", 0, 0, true},
      {"a DefaultRGB the sheet lacks, nothing placed directly yet",
       [](CosDoc d, CosObj p) {
         CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"DefaultRGB", Name(d, "CalB")}})}}));
       },
       nullptr, 0, 0, false},
      {"a DefaultRGB the sheet lacks, pages placed directly",
       [](CosDoc d, CosObj p) {
         CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"DefaultRGB", Name(d, "CalB")}})}}));
       },
       nullptr, 1, 0, true},
      {"no DefaultRGB where the sheet has one",
       [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", CosNewDict(d, 0, 0)}})); },
       "CalA", 0, 0, true},
      {"inherited resources are not the page's own",
       [](CosDoc, CosObj) {}, "CalA", 0, 0, false},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", c.page}}));
    CosDoc d = PDDocGetCosDoc(doc);
    CosObj sheet = CosNewDict(d, 0, 1);
    if (c.sheetDefaultRGB)
      CosDictPutKeyString(sheet, "ColorSpace", Dict(d, {{"DefaultRGB", Name(d, c.sheetDefaultRGB)}}));
    ScopedPage page(doc, 0);
    EXPECT_EQ(c.form, (bool)PageNeedsFormXObject(page, &sheet, c.pageOnly, c.ignoreGroup)) << c.what;
  }
}

TEST_F(MergePageTest, ResourceClashes) {
  ScopedDoc doc(NewDocWithPages({}));
  CosDoc d = PDDocGetCosDoc(doc);
  const ASAtom key = ASAtomFromString("DefaultGray");
  CosObj a = Dict(d, {{"DefaultGray", Name(d, "A")}});
  CosObj a2 = Dict(d, {{"DefaultGray", Name(d, "A")}});
  CosObj b = Dict(d, {{"DefaultGray", Name(d, "B")}});
  CosObj none = CosNewDict(d, 0, 0);
  struct {
    const char* what;
    CosObj page, sheet;
    ASBool pageOnly;
    bool clash;
  } cases[] = {
      {"equal", a, a2, 0, false},   {"different", a, b, 0, true},      {"page only", a, none, 0, false},
      {"page only, counted", a, none, 1, true}, {"sheet only", none, a, 0, true}, {"neither", none, none, 1, false},
      {"not dictionaries", CosNewInteger(d, 0, 1), CosNewNull(), 1, false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.clash, (bool)ResourceClash(c.page, c.sheet, key, c.pageOnly)) << c.what;
}

TEST_F(MergePageTest, AFormXObjectHoldsThePageAndIsPaintedByName) {
  gImpositionUseFormXObjects = 2;
  // The second page has no group, so the sheet gets none and the form keeps its own.
  ScopedDoc doc(NewDocWithPages({{{0, 0, 200, 100}, "BT /F1 12 Tf 10 10 Td (form) Tj ET",
                                  [](CosDoc d, CosObj p) {
                                    CosDictPutKeyString(p, "Resources", FontResources(d, "Helvetica"));
                                    CosObj g = Dict(d, {{"S", Name(d, "Transparency")}, {"CS", Name(d, "DeviceRGB")}});
                                    CosDictPutKeyString(p, "Group", g);
                                  }},
                                 {{0, 0, 200, 100}, "", nullptr}}));
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 500, 500), [&] {
    MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
    MergePage(info, 1, Translation(250, 0), nullptr, nullptr);
  });
  std::string content = PageContentBytes(doc, 2);
  EXPECT_NE(std::string::npos, content.find("/KRVL_imposed_2 << /ID /S1 >> BDC\n\n/KRVL_genDo_1 << /N /Q >> BDC\n/Q "
                                            "Do\nEMC\n\nEMC\n"))
      << content;
  EXPECT_EQ(std::string::npos, content.find("(form) Tj"));
  ScopedPage sheet(doc, 2);
  CosObj form = CosDictGetKeyString(CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosObj(sheet), "Resources"),
                                                         "XObject"),
                                    "Q");
  ASSERT_EQ(CosStream, CosObjGetType(form));
  EXPECT_EQ("/XObject", Describe(CosDictGetKeyString(form, "Type")));
  EXPECT_EQ("/Form", Describe(CosDictGetKeyString(form, "Subtype")));
  EXPECT_EQ("1", Describe(CosDictGetKeyString(form, "FormType")));
  EXPECT_EQ("[0 0 200 100 ]", Describe(CosDictGetKeyString(form, "BBox")));
  EXPECT_EQ("[1 0 0 1 0 0 ]", Describe(CosDictGetKeyString(form, "Matrix")));
  EXPECT_EQ("/FlateDecode", Describe(CosDictGetKeyString(form, "Filter")));
  EXPECT_EQ("BT /F1 12 Tf 10 10 Td (form) Tj ET", CosStreamBytes(form));
  CosObj fonts = CosDictGetKeyString(CosDictGetKeyString(form, "Resources"), "Font");
  EXPECT_EQ("/Helvetica", Describe(CosDictGetKeyString(CosDictGetKeyString(fonts, "F1"), "BaseFont")));
  // The page's group goes on the form isolated; the page's own stays as it was.
  CosObj group = CosDictGetKeyString(form, "Group");
  EXPECT_EQ("<</CS /DeviceRGB /I true /S /Transparency >>", Describe(group));
  ScopedPage source(doc, 0);
  EXPECT_FALSE(CosDictKnownKeyString(CosDictGetKeyString(PDPageGetCosObj(source), "Group"), "I"));
}

TEST_F(MergePageTest, AnEmptyPageMakesNoForm) {
  gImpositionUseFormXObjects = 2;
  ScopedDoc doc(NewDocWithPages({{{0, 0, 200, 100}, "", nullptr}}));
  std::string content = PlaceOne(doc, 0, Translation(0, 0));
  EXPECT_EQ(std::string::npos, content.find("KRVL_genDo_1"));
  EXPECT_EQ(std::string::npos, content.find(" Do"));
  SheetScan scan = ScanSheet(content);
  EXPECT_EQ((std::vector<std::string>{"KRVL_imposed_1", "KRVL_imposed_2"}), scan.tags);
  ScopedPage sheet(doc, 1);
  EXPECT_FALSE(CosDictKnownKeyString(CosDictGetKeyString(PDPageGetCosObj(sheet), "Resources"), "XObject"));
}

TEST_F(MergePageTest, AFormGetsDeviceSpacesWhereTheSheetHasDefaultsItLacks) {
  // The first page goes on directly and brings DefaultRGB into the sheet;
  // the second lacks it, so it goes into a form that maps DefaultRGB to the
  // device space.
  ScopedDoc doc(NewDocWithPages(
      {{{0, 0, 100, 100}, "0 0 m 1 1 l S", [](CosDoc d, CosObj p) {
          CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"DefaultRGB", Name(d, "CalRGB")}})}}));
        }},
       {{0, 0, 100, 100}, "0 0 m 2 2 l S", [](CosDoc d, CosObj p) {
          CosDictPutKeyString(p, "Resources", Dict(d, {{"ColorSpace", Dict(d, {{"CS0", Name(d, "DeviceGray")}})}}));
        }}}));
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 300, 300), [&] {
    MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
    EXPECT_TRUE(info->directPlacement);
    MergePage(info, 1, Translation(150, 0), nullptr, nullptr);
  });
  ScopedPage sheet(doc, 2);
  CosObj resources = CosDictGetKeyString(PDPageGetCosObj(sheet), "Resources");
  CosObj form = CosDictGetKeyString(CosDictGetKeyString(resources, "XObject"), "Q");
  ASSERT_EQ(CosStream, CosObjGetType(form));
  EXPECT_EQ("<</CS0 /DeviceGray /DefaultRGB /DeviceRGB >>",
            Describe(CosDictGetKeyString(CosDictGetKeyString(form, "Resources"), "ColorSpace")));
}

// ---- content that leaves things open ------------------------------------------------------------

TEST_F(MergePageTest, WhatAPageLeavesOpenIsClosedAndWhatItOverClosesIsDropped) {
  struct {
    const char* what;
    const char* content;
    ASInt32 forms;
    const char* expectedPiece;  // must occur in the sheet (or in the form for forms)
    const char* absentPiece;    // must not occur in the sheet
  } cases[] = {
      {"two q left open", "q q 0 0 m 5 5 l S", 1,
       "S\nQ % Program was missing this\nQ % Program was missing this\n\nEMC\nQ\n\n\nEMC\n", nullptr},
      {"two q left open in a form", "q q 0 0 m 5 5 l S", 2,
       "S\nQ % Program was missing this\nQ % Program was missing this\n", "Program was missing this"},
      {"more Q than q", "Q 0 0 m Q 5 5 l S q Q Q", 1, "/KRVL_imposed_2 << /ID /S1 >> BDC\n 0 0 m 5 5 l S q Q\nEMC\n",
       nullptr},
      {"an open text object and marked content", "/P <</MCID 0>> BDC BT /F1 9 Tf (open) Tj", 1,
       "(open) Tj\nET\nEMC\nEMC\n", nullptr},
      {"marked content opened inside text", "BT /Span BMC (x) Tj", 1, "(x) Tj\nEMC\nET\nEMC\n", nullptr},
      {"closers the page never opened", "EMC ET 0 0 m 1 1 l S", 1, "BDC\n 0 0 m 1 1 l S\nEMC\n", nullptr},
      {"an unterminated string at the end", "0 0 m 5 5 l S (never closed \n Q Q EMC", 1,
       "BDC\n0 0 m 5 5 l S\nEMC\nQ\n\n\nEMC\n", "never closed"},
      {"operands without an operator", "0 0 m 5 5 l S 1 2 3", 1, "5 5 l S\nEMC\n", " 1 2 3"},
  };
  for (const auto& c : cases) {
    gImpositionUseFormXObjects = c.forms;
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, c.content, [](CosDoc d, CosObj p) {
                                      CosDictPutKeyString(p, "Resources", FontResources(d, "Helvetica"));
                                    }}}));
    std::string sheet = PlaceOne(doc, 0, Translation(0, 0));
    std::string checked = sheet;
    if (c.forms == 2) {
      ScopedPage s(doc, 1);
      CosObj form = CosDictGetKeyString(CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosObj(s), "Resources"),
                                                             "XObject"),
                                        "Q");
      checked = CosStreamBytes(form);
      SheetScan formScan = ScanSheet(checked);
      EXPECT_TRUE(formScan.qBalanced && formScan.markedBalanced && formScan.textBalanced) << c.what;
    }
    EXPECT_NE(std::string::npos, checked.find(c.expectedPiece)) << c.what << "\n" << checked;
    if (c.absentPiece) {
      EXPECT_EQ(std::string::npos, sheet.find(c.absentPiece)) << c.what << "\n" << sheet;
    }
    SheetScan scan = ScanSheet(sheet);
    EXPECT_TRUE(scan.qBalanced) << c.what;
    EXPECT_TRUE(scan.markedBalanced) << c.what;
    EXPECT_TRUE(scan.textBalanced) << c.what;
    EXPECT_EQ((std::vector<std::string>{"S1"}), scan.imposedIds) << c.what;
  }
}

TEST_F(MergePageTest, TextRenderModeTwoIsNoticedOnlyWithTheOperandTwo) {
  struct {
    const char* content;
    bool seen;
  } cases[] = {{"BT 2 Tr ET", true},   {"BT 12 Tr ET", false}, {"BT 0 Tr ET", false},
               {"BT /x Tr ET", false}, {"BT Tr ET", false},    {"BT % c\n 2 Tr ET", true}};
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, c.content, nullptr}}));
    ScopedMerge info;
    OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); });
    EXPECT_EQ(c.seen, (bool)info->tr2Seen) << c.content;
  }
}

TEST_F(MergePageTest, InlineImagesAreCopiedByteForByte) {
  std::string source = dir.file("inline.pdf");
  kvfix::WriteInlineImages(source);
  ScopedDoc doc(OpenPdf(source));
  const std::string page = PageContentBytes(doc, 0);
  std::string sheet;
  for (ASInt32 forms : {1, 2}) {
    gImpositionUseFormXObjects = forms;
    sheet = PlaceOne(doc, 0, Translation(10, 10));
    std::string copied = sheet;
    if (forms == 2) {
      ScopedPage s(doc, PDDocGetNumPages(doc) - 1);
      copied = CosStreamBytes(CosDictGetKeyString(
          CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosObj(s), "Resources"), "XObject"), "Q"));
    }
    size_t images = 0;
    for (const Statement& s : ReadStatements(page)) {
      if (s.code != kPDFVerb_EI) continue;
      ++images;
      EXPECT_NE(std::string::npos, copied.find(s.text)) << "forms " << forms;
    }
    EXPECT_EQ(3u, images);
  }
  PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
  std::string out = dir.file("inline-sheets.pdf");
  SavePdf(doc, out);
  EXPECT_EQ(0, QpdfCheck(out));
}

// An image whose end the reader had to search for ends where the bytes
// after it read as content. The copy writes other bytes there (a stray
// closer right after the image is dropped, the engine's own operators follow
// the page), so the image is pinned by its data's length: read back, the
// sheet (or the form) ends the image where the page did and is balanced.
TEST_F(MergePageTest, ADamagedInlineImageEndsInTheCopyWhereItEndedOnThePage) {
  struct Case {
    const char* what;
    std::string content;
    long dataLength;  // the /L the copy gives the image
  };
  const Case cases[] = {
      // The first EI is followed by no content, the second by a stray ET; the
      // first is what a reader takes once that ET is gone.
      {"a stray ET after the image",
       std::string("\xCF\xDF c- BI /W 3 /H \xCEP/\xDE" "BC /G ID  EI/Type\xD8 ET E\xD8  EI ET E\xD8\xDF\xCF\xDF/B"), 16},
      {"a stray Q after the image", std::string("BI /W 3 /H x\xD8 /G ID  EI/x\xD8 Q  EI Q E\xD8"), 9},
      {"a stray EMC after the image", std::string("0 0 m BI /W 3 /H x\xD8 /G ID  EI/x\xD8 EMC  EI EMC E\xD8 S"), 11},
  };
  for (const Case& c : cases) {
    const std::vector<Statement> read = ReadStatements(c.content);
    const auto image = std::find_if(read.begin(), read.end(),
                                    [](const Statement& s) { return s.text.find("BI") != std::string::npos; });
    ASSERT_NE(read.end(), image) << c.what;
    const std::string fromId = image->text.substr(image->text.find("ID"));
    for (ASInt32 forms : {1, 2}) {
      SCOPED_TRACE(std::string(c.what) + (forms == 2 ? ", in a form" : ", copied"));
      gImpositionUseFormXObjects = forms;
      ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, c.content, nullptr}}));
      const std::string sheet = PlaceOne(doc, 0, Translation(0, 0));
      std::string copied = sheet;
      if (forms == 2) {
        ScopedPage s(doc, 1);
        copied = CosStreamBytes(CosDictGetKeyString(
            CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosObj(s), "Resources"), "XObject"), "Q"));
      }
      for (const std::string* content : {&sheet, (const std::string*)&copied}) {
        const SheetScan scan = ScanSheet(*content);
        EXPECT_TRUE(scan.qBalanced && scan.markedBalanced && scan.textBalanced) << *content;
      }
      EXPECT_EQ((std::vector<std::string>{"S1"}), ScanSheet(sheet).imposedIds);
      std::vector<std::string> images;
      for (const Statement& s : ReadStatements(copied))
        if (s.text.find("BI") != std::string::npos) images.push_back(s.text);
      ASSERT_EQ(1u, images.size()) << copied;
      const std::string pinned = "/L " + std::to_string(c.dataLength) + " " + fromId;
      EXPECT_EQ(pinned, images[0].substr(images[0].size() - std::min(images[0].size(), pinned.size()))) << copied;
    }
  }
}

// ---- resources that clash -----------------------------------------------------------------------

TEST_F(MergePageTest, ClashingResourceNamesAreRenamedInThePlacedContent) {
  std::string source = dir.file("clash.pdf");
  kvfix::WriteClashingResources(source);
  {
    ScopedDoc doc(OpenPdf(source));
    ScopedMerge info;
    OneSheet(info, doc, Rect(0, 0, 600, 300), [&] {
      MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
      MergePage(info, 1, Translation(300, 0), nullptr, nullptr);
    });
    const std::string content = PageContentBytes(doc, 2);
    SheetScan scan = ScanSheet(content);
    ASSERT_EQ(2u, scan.shows.size());
    CosObj resources;
    {
      ScopedPage sheet(doc, 2);
      resources = CosDictGetKeyString(PDPageGetCosObj(sheet), "Resources");
    }
    CosObj fonts = CosDictGetKeyString(resources, "Font");
    const char* expected[2] = {"/Helvetica", "/Courier"};
    for (int i = 0; i < 2; ++i) {
      const SheetScan::Show& show = scan.shows[(size_t)i];
      EXPECT_EQ(i == 0 ? "S1" : "S2", show.pageId);
      EXPECT_EQ(expected[i], Describe(CosDictGetKeyString(CosDictGetKeyString(fonts, show.font.c_str()), "BaseFont")))
          << show.font;
      EXPECT_NEAR(i * 300 + 40, show.x, 1e-6);
      EXPECT_NEAR(40, show.y, 1e-6);
    }
    EXPECT_NE(scan.shows[0].font, scan.shows[1].font);
    // The images and graphics states got two names as well.
    EXPECT_EQ(2, DictCountElements(CosDictGetKeyString(resources, "XObject")));
    EXPECT_EQ(2, DictCountElements(CosDictGetKeyString(resources, "ExtGState")));
    ASSERT_EQ(2u, scan.doNames.size());
    EXPECT_NE(scan.doNames[0], scan.doNames[1]);

    PDDocDeletePages(doc, 0, 1, nullptr, nullptr);
    std::string out = dir.file("clash-sheet.pdf");
    SavePdf(doc, out);
    ASSERT_EQ(0, QpdfCheck(out));
    std::vector<PopplerWord> words = PopplerWords(out, 1);
    const PopplerWord* alpha = FindWord(words, "ALPHA");
    const PopplerWord* bravo = FindWord(words, "BRAVO");
    ASSERT_NE(nullptr, alpha);
    ASSERT_NE(nullptr, bravo);
    EXPECT_NEAR(40, alpha->xMin, 1.5);
    EXPECT_NEAR(340, bravo->xMin, 1.5);
    // The second page's image is the black one, the first's the white one.
    GrayImage image = RenderGray(out, 1);
    EXPECT_EQ(255, image.At(20, 260));
    EXPECT_LT(image.At(320, 260), 60);
  }
}

// Every number the engine writes must be one a reader can take.
bool AllNumbersFinite(const std::string& content) {
  return content.find("nan") == std::string::npos && content.find("inf") == std::string::npos;
}

TEST_F(MergePageTest, AbsurdMatricesAndSizesStayInRange) {
  const ASFixed big = 0x7FFFFFFF, small = (ASFixed)0x80000000;
  struct {
    const char* what;
    ASFixedMatrix matrix;
    std::function<void(CosDoc, CosObj)> page;
  } cases[] = {
      {"the largest matrix", {big, big, big, big, big, big}, nullptr},
      {"the smallest matrix", {small, small, small, small, small, small}, nullptr},
      {"a singular matrix", {0, 0, 0, 0, 0, 0}, nullptr},
      {"a huge page",
       {fixedOne, 0, 0, fixedOne, 0, 0},
       [](CosDoc d, CosObj p) {
         CosObj box = CosNewArray(d, 0, 4);
         const double v[4] = {-1e12, -1e12, 1e12, 1e12};
         for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(box, i, CosNewDouble(d, 0, v[i]));
         CosDictPutKeyString(p, "MediaBox", box);
         CosDictPutKeyString(p, "TrimBox", CosNewArray(d, 0, 0));
       }},
      {"a huge page turned by 90",
       {fixedOne, 0, 0, fixedOne, 0, 0},
       [](CosDoc d, CosObj p) {
         CosObj box = CosNewArray(d, 0, 4);
         const double v[4] = {-1e12, -1e12, 1e12, 1e12};
         for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(box, i, CosNewDouble(d, 0, v[i]));
         CosDictPutKeyString(p, "MediaBox", box);
         CosDictPutKeyString(p, "Rotate", CosNewInteger(d, 0, 90));
       }},
      {"a huge page turned by 270",
       {fixedOne, 0, 0, fixedOne, 0, 0},
       [](CosDoc d, CosObj p) {
         CosObj box = CosNewArray(d, 0, 4);
         const double v[4] = {-1e12, -1e12, 1e12, 1e12};
         for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(box, i, CosNewDouble(d, 0, v[i]));
         CosDictPutKeyString(p, "MediaBox", box);
         CosDictPutKeyString(p, "Rotate", CosNewInteger(d, 0, 270));
       }},
      {"a page of no size",
       {big, 0, 0, big, big, big},
       [](CosDoc d, CosObj p) {
         CosObj box = CosNewArray(d, 0, 4);
         for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(box, i, CosNewInteger(d, 0, 7));
         CosDictPutKeyString(p, "MediaBox", box);
       }},
  };
  for (const auto& c : cases) {
    for (ASInt32 forms : {1, 2}) {
      gImpositionUseFormXObjects = forms;
      ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "0 0 m 1 1 l S", c.page}}));
      ScopedMerge info;
      SetMergePageBleedChoke(info, ASFixedRect{big, big, big, big});
      OneSheet(info, doc, Rect(0, 0, 100, 100), [&] {
        SetMergePageBleedChoke(info, ASFixedRect{big, small, big, small});
        MergePage(info, 0, c.matrix, nullptr, nullptr);
      });
      const std::string content = PageContentBytes(doc, 1);
      EXPECT_TRUE(AllNumbersFinite(content)) << c.what << "\n" << content;
      SheetScan scan = ScanSheet(content);
      EXPECT_TRUE(scan.qBalanced && scan.markedBalanced) << c.what;
      PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
      std::string out = dir.file("absurd.pdf");
      SavePdf(doc, out);
      EXPECT_EQ(0, QpdfCheck(out)) << c.what;
    }
  }
}

TEST_F(MergePageTest, ADamagedContentStreamFailsWithoutLeavingAnythingOpen) {
  for (ASInt32 forms : {1, 2}) {
    gImpositionUseFormXObjects = forms;
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", [](CosDoc d, CosObj p) {
                                      // Claims Flate but holds no deflated data.
                                      std::string junk = "this is not deflated at all";
                                      ASStm stm = ASMemStmRdOpen(junk.data(), junk.size());
                                      CosObj attributes = CosNewDict(d, 0, 1);
                                      CosDictPutKeyString(attributes, "Filter", CosNewNameFromString(d, 0, "FlateDecode"));
                                      CosObj s = CosNewStream(d, 1, stm, 0, 0, attributes, CosNewNull(), -1);
                                      ASStmClose(stm);
                                      CosDictPutKeyString(p, "Contents", s);
                                    }}}));
    ScopedMerge info;
    PrepareForMergeToNewPage(info, doc);
    SGenFileInfo* sheetStream = info->contentStream;
    ASErrorCode e = ErrorOf([&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); });
    EXPECT_EQ(sheetStream, info->contentStream) << forms;
    EXPECT_FALSE(info->writingForm) << forms;
    if (e == 0) {
      FinishMergeToNewPage(info, 0, Rect(0, 0, 100, 100));
      SheetScan scan = ScanSheet(PageContentBytes(doc, 1));
      EXPECT_TRUE(scan.qBalanced && scan.markedBalanced) << forms;
    }
  }
}

TEST_F(MergePageTest, NumbersKeepTheirPointUnderACommaLocale) {
  // Whole page sizes: the host's own reading of real numbers follows the
  // process's locale, which is not what is tested here.
  ScopedDoc doc(NewDocWithPages({{{0, 0, 200, 100}, "0 0 m 10 10 l S\n", nullptr}}));
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  bool comma = false;
  for (const char* name : {"de_DE.utf8", "de_DE.UTF-8", "fr_FR.utf8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_ALL, name) && std::localeconv()->decimal_point[0] == ',') {
      comma = true;
      break;
    }
  if (!comma) {
    std::setlocale(LC_ALL, saved.c_str());
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  std::string content = PlaceOne(doc, 0, ASFixedMatrix{fixedHalf, 0, 0, fixedHalf, Fx(10.5), Fx(20.25)});
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_NE(std::string::npos, content.find("0.50000 0.00000 0.00000 0.50000 10.50 20.25 cm\n")) << content;
  EXPECT_NE(std::string::npos, content.find("/BBox [ 10.50 20.25 110.50 70.25 ]")) << content;
  EXPECT_EQ(std::string::npos, content.find(",")) << content;
}

TEST_F(MergePageTest, TheOutputCabinetGetsThePageIDAndTime) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", nullptr}, {{0, 0, 100, 100}, "", nullptr}}));
  ScopedMerge info;
  SKCab* out = KCabNewInner();
  OneSheet(info, doc, Rect(0, 0, 300, 300), [&] {
    MergePage(info, 1, Translation(0, 0), nullptr, nullptr);
    MergePage(info, 0, Translation(100, 0), nullptr, out);
  });
  EXPECT_EQ(std::string("S2"), ASAtomGetString(KCabGetAtom(out, "PageID", ASAtomNull)));
  EXPECT_TRUE(std::regex_match(std::string(KCabGetString(out, "KRVL_ImposeTime")), std::regex("D:[0-9]{14}")));
  KCabDestroy(out);
}

// A placement that fails half-way takes back what it wrote: the sheet is
// finished balanced, with the pages placed before it and nothing of the
// failed one, in both ways of placing.
TEST_F(MergePageTest, AFailedPlacementLeavesTheSheetAsItWasBeforeIt) {
  for (ASInt32 forms : {1, 2}) {
    SCOPED_TRACE(forms);
    gImpositionUseFormXObjects = forms;
    auto pages = [] {
      return NewDocWithPages({{{0, 0, 100, 100}, "q 1 0 0 1 5 5 cm 0 0 m 1 1 l S Q", nullptr},
                              {{0, 0, 100, 100}, "q 0 0 m 2 2 l S Q", nullptr}});
    };
    // The sheet with the first page alone, to compare with.
    ScopedDoc alone(pages());
    {
      ScopedMerge info;
      OneSheet(info, alone, Rect(0, 0, 300, 300), [&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); });
    }
    ScopedDoc doc(pages());
    ScopedMerge info;
    OneSheet(info, doc, Rect(0, 0, 300, 300), [&] {
      MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
      ASFaultInject("CosStreamOpenStm", genErrGeneral);
      EXPECT_EQ(genErrGeneral, ErrorOf([&] { MergePage(info, 1, Translation(100, 0), nullptr, nullptr); }));
      ASFaultClearAll();
    });
    const std::string content = PageContentBytes(doc, 2);
    const SheetScan scan = ScanSheet(content);
    EXPECT_TRUE(scan.qBalanced && scan.markedBalanced && scan.textBalanced) << content;
    EXPECT_EQ((std::vector<std::string>{"S1"}), scan.imposedIds);
    EXPECT_EQ(WithoutStamp(PageContentBytes(alone, 2)), WithoutStamp(content));
    ScopedPage sheet(doc, 2);
    CosObj imposed = CosDictGetKeyString(PDPageGetCosObj(sheet), "KRVL_imposed_1");
    EXPECT_EQ(1, DictCountElements(imposed)) << "only the placed page is recorded";
    const std::string path = dir.file("rolled-back.pdf");
    SavePdf(doc, path);
    EXPECT_EQ(0, QpdfCheck(path));
  }
}

TEST_F(MergePageTest, AFailureWhileAFormIsWrittenGivesTheSheetItsOwnWritingBack) {
  gImpositionUseFormXObjects = 2;
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "0 0 m 1 1 l S", nullptr}}));
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  SGenFileInfo* sheetStream = info->contentStream;
  ASFaultInject("CosStreamOpenStm", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); }));
  EXPECT_FALSE(info->writingForm);
  EXPECT_EQ(sheetStream, info->contentStream);
  EXPECT_EQ(kPageMergeSheetOpen, info->state);
}

}  // namespace
