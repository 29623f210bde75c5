#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "PageBuild.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/DocCache.h"
#include "support/CosDescribe.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

class DocCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = PDDocCreate();
    cos = PDDocGetCosDoc(doc);
    m = CosMaker{cos};
    root = CosDocGetRoot(cos);
  }
  void TearDown() override {
    PDDocClose(doc);
    EXPECT_EQ(0, ASExceptionFrameDepth());
  }
  ASInt32 IndirectCount() {
    ASInt32 n = 0;
    CosDocEnumIndirect(
        cos,
        [](CosObj o, CosObj, void* c) -> ASBool {
          if (CosObjGetType(o) != CosNull) ++*static_cast<ASInt32*>(c);
          return 1;
        },
        &n);
    return n;
  }
  PDDoc doc = nullptr;
  CosDoc cos = nullptr;
  CosMaker m{};
  CosObj root{};
};

TEST_F(DocCacheTest, StoresAndFinds) {
  EXPECT_EQ(CosNull, CosObjGetType(CachedDocObject(cos, Atom("Thing"))));
  CosObj thing = m.Dict({{"A", m.Int(1)}}, true);
  SetCachedDocObject(cos, Atom("Thing"), thing);
  EXPECT_TRUE(CosObjEqual(thing, CachedDocObject(cos, Atom("Thing"))));
  CosObj cache = CosDictGet(root, Atom("KRVL_cache_2"));
  EXPECT_TRUE(CosObjIsIndirect(cache));
  EXPECT_EQ(CosNull, CosObjGetType(CachedDocObject(cos, Atom("Other"))));
  // Something that is no dictionary under the key is replaced, not written into.
  CosDictPut(root, Atom("KRVL_cache_2"), m.Int(3));
  EXPECT_EQ(CosNull, CosObjGetType(CachedDocObject(cos, Atom("Thing"))));
  SetCachedDocObject(cos, Atom("Thing"), thing);
  EXPECT_TRUE(CosObjEqual(thing, CachedDocObject(cos, Atom("Thing"))));
}

TEST_F(DocCacheTest, AllSeparationsColourSpace) {
  CosObj first = AllSeparationColourSpace(cos);
  ASInt32 objects = IndirectCount();
  CosObj second = AllSeparationColourSpace(cos);
  EXPECT_TRUE(CosObjEqual(first, second));
  EXPECT_EQ(objects, IndirectCount()) << "the tint function is made once";
  EXPECT_TRUE(CosObjIsIndirect(first));
  CosObj f = CosArrayGet(first, 3);
  EXPECT_EQ("[/Separation /All /DeviceCMYK " + std::to_string(CosObjGetID(f)) + " R ]", Describe(first));
  EXPECT_EQ("stream <</BitsPerSample 8 /Domain [0 1 ] /FunctionType 0 /Length 8 /Range [0 1 0 1 0 1 0 1 ] /Size [2 ] >>",
            Describe(f));
  EXPECT_EQ(std::string("\0\0\0\0\xff\xff\xff\xff", 8), CosStreamBytes(f));
  TempDir dir;
  AddPage(doc, "/Q cs 1 scn 0 0 9 9 re f", m.Dict({{"ColorSpace", m.Dict({{"Q", first}})}}));
  SavePdf(doc, dir.file("seps.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("seps.pdf")));
}

// The old cache is upgraded at the first read, once: later reads change
// nothing and make no new objects.
TEST_F(DocCacheTest, OldCacheIsUpgradedOnce) {
  CosObj plain = m.Dict({{"Type", m.Name("Font")}, {"Encoding", m.Dict({{"BaseEncoding", m.Name("WinAnsiEncoding")}})}}, true);
  CosObj withDifferences =
      m.Dict({{"Type", m.Name("Font")},
              {"Encoding", m.Dict({{"BaseEncoding", m.Name("WinAnsiEncoding")}, {"Differences", m.Arr({m.Int(65), m.Name("B")})}})}},
             true);
  CosObj oldFunction = m.Stream("old");
  CosObj space = m.Arr({m.Name("Separation"), m.Name("All"), m.Name("DeviceCMYK"), oldFunction}, true);
  CosDictPut(root, Atom("KRVL_cache"),
             m.Dict({{"Plain", plain}, {"Diff", withDifferences}, {"AllSepsColor", space}}, true));

  EXPECT_TRUE(CosObjEqual(plain, CachedDocObject(cos, Atom("Plain"))));
  EXPECT_EQ("/WinAnsiEncoding", Describe(CosDictGet(plain, Atom("Encoding"))));
  EXPECT_EQ(CosDict, CosObjGetType(CosDictGet(withDifferences, Atom("Encoding"))));
  CosObj function = CosArrayGet(space, 3);
  EXPECT_FALSE(CosObjEqual(function, oldFunction));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(root, Atom("KRVL_cache"))));
  ASInt32 objects = IndirectCount();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(FixCacheEncodings(cos));
    EXPECT_TRUE(CosObjEqual(space, CachedDocObject(cos, Atom("AllSepsColor"))));
  }
  EXPECT_TRUE(CosObjEqual(function, CosArrayGet(space, 3)));
  EXPECT_EQ(objects, IndirectCount());
  EXPECT_TRUE(CosObjEqual(space, AllSeparationColourSpace(cos)));
}

// With a new cache already there, the old one's entries join it and the old
// one goes; entries of the new cache win.
TEST_F(DocCacheTest, OldCacheBesideANewOne) {
  CosObj mine = m.Int(1, true), theirs = m.Int(2, true);
  SetCachedDocObject(cos, Atom("Shared"), mine);
  CosObj space = m.Arr({m.Name("Separation"), m.Name("All"), m.Name("DeviceCMYK"), m.Int(0)}, true);
  CosDictPut(root, Atom("KRVL_cache"), m.Dict({{"Shared", theirs}, {"AllSepsColor", space}, {"Odd", m.Int(7)}}, true));
  EXPECT_TRUE(FixCacheEncodings(cos));
  EXPECT_FALSE(FixCacheEncodings(cos));
  EXPECT_TRUE(CosObjEqual(mine, CachedDocObject(cos, Atom("Shared"))));
  EXPECT_TRUE(CosObjEqual(space, CachedDocObject(cos, Atom("AllSepsColor"))));
  EXPECT_EQ("7", Describe(CachedDocObject(cos, Atom("Odd"))));
}

// Entries of the wrong types are left alone.
TEST_F(DocCacheTest, OldCacheOfOddTypes) {
  CosDictPut(root, Atom("KRVL_cache"), m.Int(5));
  EXPECT_FALSE(FixCacheEncodings(cos));
  CosObj notASpace = m.Arr({m.Name("DeviceGray")}, true);
  CosDictPut(root, Atom("KRVL_cache"),
             m.Dict({{"AllSepsColor", notASpace}, {"F", m.Dict({{"Type", m.Name("Font")}, {"Encoding", m.Int(3)}})},
                     {"G", m.Name("Font")}}, true));
  EXPECT_FALSE(FixCacheEncodings(cos));
  EXPECT_EQ("[/DeviceGray ]", Describe(notASpace));
  EXPECT_EQ(CosDict, CosObjGetType(CosDictGet(root, Atom("KRVL_cache"))));
  // A cached value that is not the colour space is replaced by one.
  SetCachedDocObject(cos, Atom("AllSepsColor"), notASpace);
  CosObj space = AllSeparationColourSpace(cos);
  EXPECT_FALSE(CosObjEqual(space, notASpace));
  EXPECT_EQ(4, CosArrayLength(space));
}

TEST_F(DocCacheTest, BaseFonts) {
  for (ASInt32 code = 0; code < 14; ++code) {
    CosObj font = BaseFontDict(cos, code);
    EXPECT_TRUE(CosObjIsIndirect(font));
    std::string name = baseFontName[code];
    EXPECT_EQ("<</BaseFont /" + name + " /Name /" + name + " /Subtype /Type1 /Type /Font >>", Describe(font));
  }
  EXPECT_EQ(nullptr, baseFontName[15]);
  CosObj japanese = BaseFontDict(cos, kDefaultJapanese1);
  CosObj descendant = CosArrayGet(CosDictGet(japanese, Atom("DescendantFonts")), 0);
  CosObj descriptor = CosDictGet(descendant, Atom("FontDescriptor"));
  EXPECT_EQ("<</BaseFont /DefaultJapaneseFont /DescendantFonts " +
                std::to_string(CosObjGetID(CosDictGet(japanese, Atom("DescendantFonts")))) +
                " R /Encoding /90ms-RKSJ-H /Name /F0 /Subtype /Type0 /Type /Font >>",
            Describe(japanese));
  EXPECT_EQ("<</BaseFont /DefaultJapaneseFont /CIDSystemInfo <</Ordering (Japan1) /Registry (Adobe) /Supplement 2 >> "
            "/DW 1000 /FontDescriptor " + std::to_string(CosObjGetID(descriptor)) +
                " R /Subtype /CIDFontType2 /Type /Font /W [231 389 500 631 631 500 ] /WinCharSet 128 >>",
            Describe(descendant));
  EXPECT_EQ("39", Describe(CosDictGet(descriptor, Atom("Flags"))));
  EXPECT_EQ("[-150 -154 1100 846 ]", Describe(CosDictGet(descriptor, Atom("FontBBox"))));
  ASSize_t n = 0;
  const char* panose = CosStringValue(CosDictGet(CosDictGet(descriptor, Atom("Style")), Atom("Panose")), &n);
  EXPECT_EQ(std::string("\x01\x05\x02\x02\x06\x09\0\0\0\0\0\0", 12), std::string(panose, n));
  // Codes beyond the list are refused.
  for (ASInt32 code : {-1, 15, 1000}) EXPECT_EQ(genErrBadParm, ErrorOf([&] { BaseFontDict(cos, code); })) << code;
}

TEST(BaseFontWidths, Tables) {
  struct Row {
    ASInt32 font, code, standard, windows, mac;
  };
  const Row rows[] = {
      {kHelvetica, 32, 278, 278, 278},   {kHelvetica, 65, 667, 667, 667}, {kHelvetica, 165, 556, 556, 350},
      {kHelvetica, 128, 0, 350, 667},    {kHelvetica, 129, 0, 350, 667},  {kTimesRoman, 65, 722, 722, 722},
      {kSymbol, 65, 722, 722, 722},      {kZapfDingbats, 65, 692, 692, 692}, {kHelvetica, 10, 0, 0, 0},
      // The fraction slash of the Helvetica family is 167 wide in the published metrics (standard 164, Mac 218).
      {kHelvetica, 164, 167, 556, 556},  {kHelveticaBold, 218, 0, 722, 167}, {kHelveticaOblique, 164, 167, 556, 556},
      {kHelveticaBoldOblique, 218, 0, 722, 167}, {kTimesRoman, 164, 167, 500, 500},
      // Mac Roman's mathematical signs as the published text fonts have them: summation (183), radical (195),
      // lozenge (215); pi (185), Omega (189) and infinity (176) are not among their characters.
      {kTimesRoman, 183, 350, 250, 600}, {kTimesBold, 195, 333, 722, 549}, {kTimesItalic, 215, 0, 675, 471},
      {kHelvetica, 183, 350, 278, 600},   {kHelveticaBold, 185, 500, 333, 0},   {kTimesBoldItalic, 189, 1000, 750, 0},
      {kCourier, 176, 0, 600, 0},
      // The published Symbol leaves the Apple logo without a code.
      {kSymbol, 128, 0, 0, 0},          {kSymbol, 240, 0, 0, 0},            {kSymbol, 160, 750, 750, 750},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.standard, baseFontWidths[r.font * 256 + r.code]) << r.font << " " << r.code;
    EXPECT_EQ(r.windows, baseFontWidthsWindows[r.font * 256 + r.code]) << r.font << " " << r.code;
    EXPECT_EQ(r.mac, baseFontWidthsMac[r.font * 256 + r.code]) << r.font << " " << r.code;
  }
  for (ASInt32 font = kCourier; font <= kCourierBoldOblique; ++font)
    for (const ASInt16* table : {baseFontWidths, baseFontWidthsWindows, baseFontWidthsMac})
      for (ASInt32 c = 0; c < 256; ++c) {
        ASInt16 w = table[font * 256 + c];
        EXPECT_TRUE(w == 0 || w == 600) << font << " " << c;
      }
}

TEST(BaseFontWidths, StringWidths) {
  const ASFixed ten = 10 << 16;
  ASFixed aa = BaseFontStringWidth(kHelvetica, ten, "AA", -1, kEncodingStandard);
  EXPECT_EQ((ASFixed)(13.34f * 65536.0f), aa);
  EXPECT_NEAR(13.34, aa / 65536.0, 1.0 / 65536);
  EXPECT_EQ(aa, BaseFontStringWidth(kHelvetica, ten, "AAx", 2, kEncodingStandard));
  EXPECT_EQ(0, BaseFontStringWidth(kHelvetica, ten, "AA", -1, 7));
  EXPECT_EQ(5 << 16, BaseFontStringWidth(kDefaultJapanese1, ten, "\x82\xa0", -1, kEncodingStandard));
  EXPECT_EQ(0, BaseFontStringWidth(15, ten, "AA", -1, kEncodingStandard));
  EXPECT_EQ(0, BaseFontStringWidth(-3, ten, "AA", -1, kEncodingStandard));
  ASFixed yenStandard = BaseFontStringWidth(kHelvetica, ten, "\xa5", 1, kEncodingStandard);
  EXPECT_EQ(BaseFontStringWidth(kHelvetica, ten, "\xa5", 1, kEncodingMac),
            BaseFontStringWidth(kHelvetica, ten, "\xa5", 1, kEncodingMac2));
  EXPECT_NEAR(5.56, yenStandard / 65536.0, 1e-4);
  EXPECT_NEAR(3.5, BaseFontStringWidth(kHelvetica, ten, "\xa5", 1, kEncodingMac) / 65536.0, 1e-4);
}

}  // namespace
