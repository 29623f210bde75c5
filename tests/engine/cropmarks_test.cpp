// Crop and registration marks: the built-in descriptions and the language
// default, resolving requests, the parameter cabinet both ways, the marks
// of every style and colour (their text, their geometry and how poppler
// draws them), omitted marks, gutter marks and frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SheetCheck.h"
#include "engine/CropMarks.h"
#include "engine/PageMerge.h"
#include "foundation/KCab.h"
#include "support/EnglishMessages.h"

using namespace kvtest;

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new EnglishMessagesEnvironment);

class CropMarksTest : public EngineTest {};

bool Same(const SCropMarkDesc& a, const SCropMarkDesc& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

SCropMarkDesc Desc(ECropMarkStyle style, ERegColour colour = kRegColourBlack, ASUns16 omit = 0) {
  SCropMarkDesc d;
  DefaultCropMarkDescForStyle(&d, style);
  d.colour = colour;
  d.omit = omit;
  return d;
}

// ---- descriptions ----------------------------------------------------------------------------------

TEST_F(CropMarksTest, BuiltInDescriptionsPerStyle) {
  struct {
    ECropMarkStyle style;
    ASFixed distance, length, width;
    ECropMarkStyle kept;
  } cases[] = {
      {kCropCorners, 0xA0000, 0x140000, 0x4CCB, kCropCorners},
      {kCropCornersMid, 0xA0000, 0x140000, 0x4CCB, kCropCornersMid},
      {kCropJapanese, 0x88102, 0x1C58B1, 0x4891, kCropJapanese},
      {kCropJapaneseMid, 0x88102, 0x1C58B1, 0x4891, kCropJapaneseMid},
      {kCropKoreanMid, 0x88102, 0x1C58B1, 0x4891, kCropKoreanMid},
      {(ECropMarkStyle)9, 0xA0000, 0x140000, 0x4CCB, kCropCorners},
  };
  for (const auto& c : cases) {
    SCropMarkDesc d;
    std::memset(&d, 0xAB, sizeof d);
    EXPECT_EQ(&d, DefaultCropMarkDescForStyle(&d, c.style));
    EXPECT_EQ(28u, d.size);
    EXPECT_EQ(kRegColourUsePrefs, d.colour);
    EXPECT_EQ(0, d.omit);
    EXPECT_EQ(1, d.measuresValid);
    EXPECT_EQ(c.distance, d.distance) << c.style;
    EXPECT_EQ(c.length, d.length) << c.style;
    EXPECT_EQ(c.width, d.lineWidth) << c.style;
    EXPECT_EQ(c.kept, d.style);
  }
}

TEST_F(CropMarksTest, TheLanguageDefaultIsJapaneseOnlyForJP) {
  EXPECT_EQ(kCropCorners, DefaultCropMarkDesc()->style);
  EXPECT_EQ(0xA0000, DefaultCropMarkDesc()->distance);
  {
    ScopedMessage jp("common.language", "JP");
    EXPECT_EQ(kCropJapanese, DefaultCropMarkDesc()->style);
    EXPECT_EQ(0x88102, DefaultCropMarkDesc()->distance);
    EXPECT_EQ(0x1C58B1, DefaultCropMarkDesc()->length);
    EXPECT_EQ(0x4891, DefaultCropMarkDesc()->lineWidth);
  }
  ScopedMessage jpLower("common.language", "jp");
  EXPECT_EQ(kCropCorners, DefaultCropMarkDesc()->style);
}

TEST_F(CropMarksTest, RequestsAreCompletedFromTheLanguageDefault) {
  SCropMarkDesc out;
  EXPECT_TRUE(Same(*DefaultCropMarkDesc(), *ResolveCropMarkRequest(&out, nullptr)));

  // Missing measures come from the language default; style, colour and omit stay.
  SCropMarkDesc request = Desc(kCropJapanese, kRegColourCMYK, 17);
  request.measuresValid = 0;
  request.distance = request.length = request.lineWidth = 1;
  ResolveCropMarkRequest(&out, &request);
  EXPECT_EQ(kCropJapanese, out.style);
  EXPECT_EQ(kRegColourCMYK, out.colour);
  EXPECT_EQ(17, out.omit);
  EXPECT_EQ(1, out.measuresValid);
  EXPECT_EQ(0xA0000, out.distance);
  EXPECT_EQ(0x140000, out.length);
  EXPECT_EQ(0x4CCB, out.lineWidth);

  // An older, shorter record: what it lacks reads as zero.
  SCropMarkDesc shortRequest = Desc(kCropKoreanMid, kRegColourBlack, 3);
  shortRequest.size = 8;
  ResolveCropMarkRequest(&out, &shortRequest);
  EXPECT_EQ(28u, out.size);
  EXPECT_EQ(kRegColourBlack, out.colour);
  EXPECT_EQ(0, out.omit);
  EXPECT_EQ(kCropCorners, out.style);
  EXPECT_EQ(0xA0000, out.distance);

  // A size beyond the record copies no more than the record.
  SCropMarkDesc bigRequest = Desc(kCropJapaneseMid);
  bigRequest.size = 4000;
  ResolveCropMarkRequest(&out, &bigRequest);
  EXPECT_EQ(28u, out.size);
  EXPECT_EQ(kCropJapaneseMid, out.style);
}

// ---- the parameter cabinet ----------------------------------------------------------------------

TEST_F(CropMarksTest, CabinetRoundTrips) {
  for (const char* language : {"EN", "JP"}) {
    ScopedMessage lang("common.language", language);
    SKCab* params = KCabNewInner();
    InitialiseCropMarkParams(params, 1);
    EXPECT_TRUE(KCabGetBool(params, "CropMarks", 0));
    EXPECT_EQ(std::string(std::strcmp(language, "JP") == 0 ? "Japanese" : "Corners"),
              ASAtomGetString(KCabGetAtom(params, "CropStyle", ASAtomNull)));
    SCropMarkDesc out;
    FillCropMarkDescFromCab(&out, params);
    EXPECT_TRUE(Same(*DefaultCropMarkDesc(), out)) << language;
    InitialiseCropMarkParams(params, 0);
    EXPECT_FALSE(KCabGetBool(params, "CropMarks", 1));
    KCabDestroy(params);
  }
}

TEST_F(CropMarksTest, CabinetValuesOverTheStylesDefaults) {
  struct {
    const char* what;
    const char* style;  // null: no CropStyle
    double dist, length, width;  // < 0: absent
    ECropMarkStyle expectedStyle;
    ASFixed distance, lengthFixed, widthFixed;
  } cases[] = {
      {"nothing", nullptr, -1, -1, -1, kCropCorners, 0xA0000, 0x140000, 0x4CCB},
      {"Korean without measures", "KoreanMid", -1, -1, -1, kCropKoreanMid, 0x88102, 0x1C58B1, 0x4891},
      {"an unknown style", "Spiral", -1, -1, -1, kCropCorners, 0xA0000, 0x140000, 0x4CCB},
      {"measures", "CornersMid", 5.5, 12, 1, kCropCornersMid, 0x58000, 0xC0000, 0x10000},
      {"a length only", "Japanese", -1, 30, -1, kCropJapanese, 0x88102, 0x1E0000, 0x4891},
      {"an absurd distance", "Corners", 1e12, -1, -1, kCropCorners, 0x7FFFFFFF, 0x140000, 0x4CCB},
  };
  for (const auto& c : cases) {
    SKCab* params = KCabNewInner();
    if (c.style) KCabPutAtom(params, "CropStyle", ASAtomFromString(c.style));
    if (c.dist >= 0) KCabPutDouble(params, "CropDist", c.dist);
    if (c.length >= 0) KCabPutDouble(params, "CropLength", c.length);
    if (c.width >= 0) KCabPutDouble(params, "CropWidth", c.width);
    SCropMarkDesc out;
    FillCropMarkDescFromCab(&out, params);
    EXPECT_EQ(c.expectedStyle, out.style) << c.what;
    EXPECT_EQ(c.distance, out.distance) << c.what;
    EXPECT_EQ(c.lengthFixed, out.length) << c.what;
    EXPECT_EQ(c.widthFixed, out.lineWidth) << c.what;
    EXPECT_EQ(kRegColourUsePrefs, out.colour) << c.what;
    KCabDestroy(params);
  }
}

// ---- drawing -----------------------------------------------------------------------------------------

struct Line {
  double x1, y1, x2, y2;
};

std::vector<Line> Lines(const std::string& content) {
  std::vector<Line> lines;
  std::regex line(R"(([-0-9.]+) ([-0-9.]+) m ([-0-9.]+) ([-0-9.]+) l S)");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), line); it != std::sregex_iterator(); ++it)
    lines.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
  return lines;
}

size_t Circles(const std::string& content) {
  size_t n = 0;
  for (size_t at = content.find("c S\n"); at != std::string::npos; at = content.find("c S\n", at + 1)) ++n;
  return n;
}

// The marks of the page rectangle [100 100 300 400] on a sheet of their own.
std::string Marks(PDDoc doc, const SCropMarkDesc* desc) {
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 500, 600),
           [&] { AddCropMarks(info, Fx(100), Fx(100), Fx(300), Fx(400), desc); });
  return PageContentBytes(doc, PDDocGetNumPages(doc) - 1);
}

TEST_F(CropMarksTest, CornerMarksInTheirOrder) {
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc desc = Desc(kCropCorners);
  EXPECT_EQ(
      "\n/KRVL_regmark BMC\nq n\n0.3000 w\n/KRVL_regink BMC\n0 G\nEMC\n"
      "70.00 100.00 m 90.00 100.00 l S\n"
      "70.00 400.00 m 90.00 400.00 l S\n"
      "310.00 100.00 m 330.00 100.00 l S\n"
      "310.00 400.00 m 330.00 400.00 l S\n"
      "100.00 70.00 m 100.00 90.00 l S\n"
      "300.00 70.00 m 300.00 90.00 l S\n"
      "100.00 410.00 m 100.00 430.00 l S\n"
      "300.00 410.00 m 300.00 430.00 l S\n"
      "Q\nEMC\n",
      Marks(doc, &desc));
}

TEST_F(CropMarksTest, EveryStyleDrawsItsMarksOutsideThePage) {
  struct {
    ECropMarkStyle style;
    size_t lines, circles;
  } cases[] = {{kCropCorners, 8, 0},
               {kCropJapanese, 16, 0},
               {kCropCornersMid, 12, 0},
               {kCropJapaneseMid, 24, 0},
               {kCropKoreanMid, 16, 4}};
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({}));
    SCropMarkDesc desc = Desc(c.style);
    const std::string content = Marks(doc, &desc);
    std::vector<Line> lines = Lines(content);
    EXPECT_EQ(c.lines, lines.size()) << c.style;
    EXPECT_EQ(c.circles, Circles(content)) << c.style;
    for (const Line& l : lines) {
      const bool inside1 = l.x1 > 100.01 && l.x1 < 299.99 && l.y1 > 100.01 && l.y1 < 399.99;
      const bool inside2 = l.x2 > 100.01 && l.x2 < 299.99 && l.y2 > 100.01 && l.y2 < 399.99;
      EXPECT_FALSE(inside1 || inside2) << c.style << ": " << l.x1 << " " << l.y1 << " " << l.x2 << " " << l.y2;
    }
    SheetScan scan = ScanSheet(content);
    EXPECT_TRUE(scan.qBalanced && scan.markedBalanced) << c.style;
    EXPECT_EQ((std::vector<std::string>{"KRVL_regmark", "KRVL_regink"}), scan.tags);
  }
}

TEST_F(CropMarksTest, KoreanCirclesGoRoundTheCrossBarsMiddles) {
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc desc = Desc(kCropKoreanMid);
  desc.distance = Fx(10);
  desc.length = Fx(20);
  const std::string content = Marks(doc, &desc);
  // The top centre mark's middle is (200, 400 + 10 + 10); radius 5.
  EXPECT_NE(std::string::npos, content.find("180.00 420.00 m 220.00 420.00 l S\n205.00 420.00 m "
                                            "205.00 422.76 202.76 425.00 200.00 425.00 c "))
      << content;
  EXPECT_NE(std::string::npos, content.find("202.76 415.00 205.00 417.24 205.00 420.00 c S\n"));
}

TEST_F(CropMarksTest, OmittedMarks) {
  struct {
    const char* what;
    ECropMarkStyle style;
    ASUns16 omit;
    size_t lines;
    std::vector<std::string> absent;
  } cases[] = {
      {"the booklet's left page", kCropCorners, 17, 6,
       {"310.00 100.00 m 330.00 100.00 l S", "310.00 400.00 m 330.00 400.00 l S"}},
      {"top-left horizontal drops the outer pair", kCropJapanese, 4, 13, {}},
      {"a vertical top mark drops the top centre mark", kCropCornersMid, 2, 10, {}},
      {"every corner", kCropJapaneseMid, 254, 1, {}},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({}));
    SCropMarkDesc desc = Desc(c.style, kRegColourBlack, c.omit);
    const std::string content = Marks(doc, &desc);
    EXPECT_EQ(c.lines, Lines(content).size()) << c.what << "\n" << content;
    for (const std::string& a : c.absent) EXPECT_EQ(std::string::npos, content.find(a)) << c.what;
  }
  // The outer top-left pair is what bit 4 removes in the Japanese style.
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc japanese = Desc(kCropJapanese);
  japanese.distance = Fx(10);
  japanese.length = Fx(20);
  EXPECT_NE(std::string::npos, Marks(doc, &japanese).find("70.00 410.00 m 100.00 410.00 l S"));
  japanese.omit = 4;
  EXPECT_EQ(std::string::npos, Marks(doc, &japanese).find("70.00 410.00 m 100.00 410.00 l S"));
}

TEST_F(CropMarksTest, OmittingEverythingWritesNothingAtAll) {
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc desc = Desc(kCropKoreanMid, kRegColourAllSeps, 255);
  EXPECT_EQ("", Marks(doc, &desc));
}

TEST_F(CropMarksTest, MarksNeedAnOpenSheet) {
  ScopedMerge info;
  SCropMarkDesc desc = Desc(kCropCorners);
  EXPECT_EQ(pageMergeExceptionWrongState, ErrorOf([&] { AddCropMarks(info, 0, 0, Fx(10), Fx(10), &desc); }));
  EXPECT_EQ(pageMergeExceptionWrongState, ErrorOf([&] { AddFrame(info, 0, 0, 1, 1, kRegColourBlack); }));
}

TEST_F(CropMarksTest, ColoursOfTheMarks) {
  struct {
    ERegColour colour;
    ERegColour preference;
    const char* ink;
  } cases[] = {{kRegColourBlack, kRegColourAllSeps, "0 G\n"},
               {kRegColourCMYK, kRegColourAllSeps, "1 1 1 1 K\n"},
               {kRegColourAllSeps, kRegColourBlack, " CS 1 SCN\n"},
               {kRegColourUsePrefs, kRegColourCMYK, "1 1 1 1 K\n"},
               {kRegColourUsePrefs, kRegColourAllSeps, " CS 1 SCN\n"}};
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({}));
    ERegColour saved = SetRegColour(c.preference);
    SCropMarkDesc desc = Desc(kCropCorners, c.colour);
    const std::string content = Marks(doc, &desc);
    SetRegColour(saved);
    EXPECT_NE(std::string::npos, content.find(std::string("/KRVL_regink BMC\n")));
    EXPECT_NE(std::string::npos, content.find(c.ink)) << c.colour << "\n" << content;
  }
}

TEST_F(CropMarksTest, GutterMarksOnlyForJapaneseAndKoreanStylesAndNearlyLevelEdges) {
  struct {
    const char* what;
    ECropMarkStyle style;
    double offset;  // how far the neighbour's edges lie from the page's
    ASBool horizontal;
    size_t lines;
    bool written;
  } cases[] = {
      {"Corners style", kCropCorners, 3, 1, 0, false},
      {"CornersMid style", kCropCornersMid, 3, 1, 0, false},
      {"Japanese, tops 3 apart", kCropJapanese, 3, 1, 4, true},
      {"Japanese, tops 5 apart", kCropJapanese, 5, 1, 0, true},
      {"JapaneseMid, below, 3 apart", kCropJapaneseMid, 3, 0, 4, true},
      {"KoreanMid, below, 5 apart", kCropKoreanMid, 5, 0, 0, true},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({}));
    SCropMarkDesc desc = Desc(c.style);
    desc.distance = Fx(8.5);
    ASFixedRect a = c.horizontal ? Rect(0, 0, 100, 100) : Rect(0, 200, 100, 300);
    ASFixedRect b = c.horizontal ? Rect(120, c.offset, 220, 100 + c.offset) : Rect(c.offset, 0, 100 + c.offset, 180);
    ScopedMerge info;
    OneSheet(info, doc, Rect(0, 0, 400, 400), [&] { AddInterPageCropMarks(info, a, b, c.horizontal, 1, 1, &desc); });
    const std::string content = PageContentBytes(doc, 0);
    EXPECT_EQ(c.written, !content.empty()) << c.what;
    EXPECT_EQ(c.lines, Lines(content).size()) << c.what << "\n" << content;
    if (c.written) {
      EXPECT_EQ(0u, content.find("\n/KRVL_regmark BMC\nq n\n")) << c.what;
      EXPECT_EQ(content.size() - 6, content.rfind("Q\nEMC\n")) << c.what;
    }
  }
}

TEST_F(CropMarksTest, GutterMarkGeometry) {
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc desc = Desc(kCropJapanese);
  desc.distance = Fx(8);
  desc.length = Fx(10);
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 400, 400), [&] {
    // Neighbour to the right, tops 2 apart, bottoms level: both pairs.
    AddInterPageCropMarks(info, Rect(0, 0, 100, 100), Rect(120, 0, 220, 102), 1, 1, 1, &desc);
    // Neighbour below, only the right edges.
    AddInterPageCropMarks(info, Rect(0, 200, 100, 300), Rect(0, 0, 100, 180), 0, 0, 1, &desc);
  });
  std::vector<Line> lines = Lines(PageContentBytes(doc, 0));
  ASSERT_EQ(6u, lines.size());
  auto is = [](const Line& l, double x1, double y1, double x2, double y2) {
    return l.x1 == x1 && l.y1 == y1 && l.x2 == x2 && l.y2 == y2;
  };
  EXPECT_TRUE(is(lines[0], 110, 109, 110, 119));   // between the tops, up from the gap's middle
  EXPECT_TRUE(is(lines[1], 90, 113, 130, 113));    // across the gap above
  EXPECT_TRUE(is(lines[2], 110, -8, 110, -18));    // between the bottoms, downwards
  EXPECT_TRUE(is(lines[3], 90, -13, 130, -13));
  EXPECT_TRUE(is(lines[4], 108, 190, 118, 190));   // right of the right edges, outwards
  EXPECT_TRUE(is(lines[5], 113, 170, 113, 210));
}

TEST_F(CropMarksTest, MarksAtTheEdgesOfTheFixedRangeStayInIt) {
  const ASFixed big = 0x7FFFFFFF, small = (ASFixed)0x80000000;
  ScopedDoc doc(NewDocWithPages({}));
  SCropMarkDesc desc = Desc(kCropKoreanMid);
  desc.distance = big;
  desc.length = big;
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] {
    AddCropMarks(info, small, small, big, big, &desc);
    AddInterPageCropMarks(info, ASFixedRect{small, big, big, small}, ASFixedRect{small, big, big, small}, 1, 1, 1,
                          &desc);
    AddInterPageCropMarks(info, ASFixedRect{small, big, big, small}, ASFixedRect{big, small, small, big}, 0, 1, 1,
                          &desc);
  });
  const std::string content = PageContentBytes(doc, 0);
  EXPECT_EQ(std::string::npos, content.find("nan"));
  EXPECT_EQ(std::string::npos, content.find("inf"));
  for (const Line& l : Lines(content))
    for (double v : {l.x1, l.y1, l.x2, l.y2}) EXPECT_LE(std::abs(v), 32768.0);
}

TEST_F(CropMarksTest, AFrameIsAStrokedRectangle) {
  ScopedDoc doc(NewDocWithPages({}));
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { AddFrame(info, 10, 20, 40, 60, kRegColourBlack); });
  EXPECT_EQ("\n/KRVL_regmark BMC\nq n\n0.3 w\n/KRVL_regink BMC\n0 G\nEMC\n10.00 20.00 30.00 40.00 re S\nQ\nEMC\n",
            PageContentBytes(doc, 0));
}

// A dark pixel within a point of (x, y).
bool DarkNear(const GrayImage& image, double x, double y) {
  for (int dx = -1; dx <= 1; ++dx)
    for (int dy = -1; dy <= 1; ++dy) {
      int v = image.At(x + dx, y + dy);
      if (v >= 0 && v < 128) return true;
    }
  return false;
}

TEST_F(CropMarksTest, PopplerDrawsEveryStyleInEveryColour) {
  const ECropMarkStyle styles[] = {kCropCorners, kCropJapanese, kCropCornersMid, kCropJapaneseMid, kCropKoreanMid};
  const ERegColour colours[] = {kRegColourAllSeps, kRegColourCMYK, kRegColourBlack, kRegColourUsePrefs};
  ScopedDoc doc(NewDocWithPages({}));
  ScopedMerge info;
  for (ECropMarkStyle style : styles)
    for (ERegColour colour : colours) {
      SCropMarkDesc desc = Desc(style, colour);
      desc.lineWidth = Fx(2);
      OneSheet(info, doc, Rect(0, 0, 500, 600), [&] {
        AddCropMarks(info, Fx(100), Fx(100), Fx(300), Fx(400), &desc);
        AddFrame(info, 100, 100, 300, 400, colour);
      });
    }
  std::string out = dir.file("marks.pdf");
  SavePdf(doc, out);
  ASSERT_EQ(0, QpdfCheck(out));
  int page = 0;
  for (ECropMarkStyle style : styles)
    for (ERegColour colour : colours) {
      ++page;
      SCOPED_TRACE("style " + std::to_string(style) + " colour " + std::to_string(colour));
      GrayImage image = RenderGray(out, page);
      ASSERT_GT(image.width, 0);
      SCropMarkDesc d = Desc(style);
      const double dist = Pt(d.distance), len = Pt(d.length);
      // The bottom-left horizontal mark's middle, the frame, and the empty page inside.
      EXPECT_TRUE(DarkNear(image, 100 - dist - len / 2, 100));
      EXPECT_TRUE(DarkNear(image, 100, 250));
      EXPECT_EQ(255, image.At(200, 250));
      if (style == kCropJapanese || style == kCropJapaneseMid) {
        EXPECT_TRUE(DarkNear(image, 100 - dist - len / 2, 400 + dist)) << "outer mark";
      }
      if (style != kCropCorners && style != kCropJapanese) {
        EXPECT_TRUE(DarkNear(image, 200, 400 + dist + len / 2)) << "centre mark";
      }
      if (style == kCropKoreanMid) {
        EXPECT_TRUE(DarkNear(image, 200 + len / 4, 400 + dist + len / 2)) << "circle";
      }
    }
}

}  // namespace
