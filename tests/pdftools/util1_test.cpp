// Matrices, page units, date stamps and the small text services.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>

#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"
#include "pdftools/DateStamp.h"
#include "pdftools/DocChecks.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/PageUnits.h"
#include "pdftools/TextUtil.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"

using kvtest::ErrorOf;
using kvtest::ScopedMessage;

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new kvtest::EnglishMessagesEnvironment);

constexpr ASFixed F(double v) { return (ASFixed)(v * 65536.0); }

ASFixedMatrix M(double a, double b, double c, double d, double h, double v) {
  return ASFixedMatrix{F(a), F(b), F(c), F(d), F(h), F(v)};
}

void ExpectMatrix(ASFixedMatrix want, ASFixedMatrix got, const char* what) {
  EXPECT_EQ(want.a, got.a) << what;
  EXPECT_EQ(want.b, got.b) << what;
  EXPECT_EQ(want.c, got.c) << what;
  EXPECT_EQ(want.d, got.d) << what;
  EXPECT_EQ(want.h, got.h) << what;
  EXPECT_EQ(want.v, got.v) << what;
}

// Runs with the host reporting another major version, then restores 9.0.
struct ScopedHostVersion {
  explicit ScopedHostVersion(ASInt16 major) {
    ASHostVersionSet(major, 0);
    Util1ForgetHostVersion();
  }
  ~ScopedHostVersion() {
    ASHostVersionSet(9, 0);
    Util1ForgetHostVersion();
  }
};

// ---- matrices -----------------------------------------------------------------

TEST(FixedMatrix, MultiplyAppliesTheFirstMatrixFirst) {
  ASFixedMatrix move = M(1, 0, 0, 1, 10, 20), scale = M(2, 0, 0, 2, 0, 0);
  ExpectMatrix(M(2, 0, 0, 2, 20, 40), MatrixMultiply(move, scale), "translate then scale");
  ExpectMatrix(M(2, 0, 0, 2, 10, 20), MatrixMultiply(scale, move), "scale then translate");
  ASFixedMatrix quarter = M(0, 1, -1, 0, 0, 0);
  ExpectMatrix(M(-1, 0, 0, -1, 0, 0), MatrixMultiply(quarter, quarter), "two quarter turns");
}

TEST(FixedMatrix, InvertUndoesTheMatrix) {
  ExpectMatrix(M(0.5, 0, 0, 0.5, -5, -10), MatrixInvert(M(2, 0, 0, 2, 10, 20)), "scale and move");
  ExpectMatrix(M(0, -1, 1, 0, 0, 0), MatrixInvert(M(0, 1, -1, 0, 0, 0)), "quarter turn");
  ASFixedMatrix m = M(0.5, 0.25, -0.25, 0.5, 100, -50);
  ASFixedMatrix back = MatrixMultiply(m, MatrixInvert(m));
  EXPECT_NEAR(1.0, back.a / 65536.0, 1e-3);
  EXPECT_NEAR(0.0, back.h / 65536.0, 1e-2);
}

TEST(FixedMatrix, SingularOrUnrepresentableInverseRaisesBadMatrix) {
  ASErrorCode e = ErrorOf([] { MatrixInvert(M(1, 2, 2, 4, 0, 0)); });
  ASSERT_NE(0, e);
  EXPECT_EQ(util1ExceptionBadMatrix, e);
  char text[100];
  ASGetErrorString(e, text, sizeof text);
  EXPECT_STREQ("Cannot invert matrix - bad page in PDF", text);
  EXPECT_EQ(util1ExceptionBadMatrix, ErrorOf([] { MatrixInvert(M(0, 0, 0, 0, 5, 5)); }));
  // Inverses beyond the fixed range are refused, not wrapped or clipped.
  EXPECT_EQ(util1ExceptionBadMatrix, ErrorOf([] { MatrixInvert(ASFixedMatrix{1, 0, 0, 1, 0, 0}); }));
  EXPECT_EQ(util1ExceptionBadMatrix, ErrorOf([] { MatrixInvert(M(0.5, 0, 0, 0.5, 20000, 0)); }));
}

TEST(FixedMatrix, ConversionsTruncateAndSaturate) {
  ASFixedMatrix m = MatrixFromFloat(0.1, -0.1, 1.5, -1.5, 32767.0, -32768.0);
  EXPECT_EQ(6553, m.a);  // 6553.6 truncated toward zero
  EXPECT_EQ(-6553, m.b);
  EXPECT_EQ(F(1.5), m.c);
  EXPECT_EQ(F(-1.5), m.d);
  EXPECT_EQ(F(32767), m.h);
  EXPECT_EQ(fixedNegativeInfinity, m.v);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  m = MatrixFromFloat(40000.0, -40000.0, 1e300, -1e300, nan, std::numeric_limits<double>::infinity());
  EXPECT_EQ(fixedPositiveInfinity, m.a);
  EXPECT_EQ(fixedNegativeInfinity, m.b);
  EXPECT_EQ(fixedPositiveInfinity, m.c);
  EXPECT_EQ(fixedNegativeInfinity, m.d);
  EXPECT_EQ(0, m.h);
  EXPECT_EQ(fixedPositiveInfinity, m.v);
  // Products beyond the range stop at its ends.
  ASFixedMatrix big = M(200, 0, 0, -200, 0, 0);
  ASFixedMatrix product = MatrixMultiply(big, big);
  EXPECT_EQ(fixedPositiveInfinity, product.a);
  EXPECT_EQ(fixedPositiveInfinity, product.d);
  ASFixedPoint far = TransformPointByMatrix(ASFixedPoint{F(30000), F(-30000)}, big);
  EXPECT_EQ(fixedPositiveInfinity, far.h);
  EXPECT_EQ(fixedPositiveInfinity, far.v);
  EXPECT_FLOAT_EQ(1.0f, FixedToFloat(fixedOne));
  EXPECT_FLOAT_EQ(-0.5f, FixedToFloat(-fixedHalf));
}

TEST(FixedMatrix, TransformPointsAndRectangles) {
  ASFixedPoint p = TransformPointByMatrix(ASFixedPoint{F(10), F(20)}, M(2, 0, 0, 3, 5, -5));
  EXPECT_EQ(F(25), p.h);
  EXPECT_EQ(F(55), p.v);
  // (left, top, right, bottom) (0, 100, 50, 0) turned a quarter.
  ASFixedRect r = TransformRectByMatrix(ASFixedRect{F(0), F(100), F(50), F(0)}, M(0, 1, -1, 0, 0, 0));
  EXPECT_EQ(F(-100), r.left);
  EXPECT_EQ(F(50), r.top);
  EXPECT_EQ(F(0), r.right);
  EXPECT_EQ(F(0), r.bottom);
  r = TransformRectByMatrix(ASFixedRect{F(10), F(20), F(30), F(5)}, M(-1, 0, 0, -1, 100, 100));
  EXPECT_EQ(F(70), r.left);
  EXPECT_EQ(F(95), r.top);
  EXPECT_EQ(F(90), r.right);
  EXPECT_EQ(F(80), r.bottom);
}

TEST(FixedMatrix, Identity) {
  EXPECT_TRUE(IsIdentityMatrix(M(1, 0, 0, 1, 0, 0)));
  for (const ASFixedMatrix& m : {M(1, 0, 0, 1, 0, 1.0 / 65536), M(-1, 0, 0, 1, 0, 0), M(1, 0, 1.0 / 65536, 1, 0, 0),
                                 M(1, 0, 0, 1.0001, 0, 0)})
    EXPECT_FALSE(IsIdentityMatrix(m));
}

// ---- units ----------------------------------------------------------------

TEST(PageUnits, ConvertBothWays) {
  EXPECT_DOUBLE_EQ(72.0, ConvertPageDimToPoints2(1.0, kPageUnitsInches));
  EXPECT_NEAR(209.9, std::round(ConvertPointsToPageDim2(595.0, kPageUnitsMillimetres) * 10) / 10, 1e-9);
  EXPECT_NEAR(21.0, ConvertPointsToPageDim2(595.2755905511812, kPageUnitsCentimetres), 1e-9);
  EXPECT_DOUBLE_EQ(24.0, ConvertPageDimToPoints2(2.0, kPageUnitsPicas));
  for (ASInt32 other : {0, 5, 9, -1}) {
    EXPECT_DOUBLE_EQ(595.0, ConvertPageDimToPoints2(595.0, other));
    EXPECT_DOUBLE_EQ(595.0, ConvertPointsToPageDim2(595.0, other));
  }
  EXPECT_DOUBLE_EQ(1.0, ConvertFixedPointsToPageDim2(F(72), kPageUnitsInches));
  EXPECT_DOUBLE_EQ(100.0, ConvertPointsToPageDim2(ConvertPageDimToPoints2(100.0, kPageUnitsMillimetres), 2));
}

TEST(PageUnits, LongNamesComeFromTheMessages) {
  EXPECT_STREQ("inches", PageSizeUnitLongString2(1));
  EXPECT_STREQ("millimetres", PageSizeUnitLongString2(2));
  EXPECT_STREQ("centimetres", PageSizeUnitLongString2(3));
  EXPECT_STREQ("picas", PageSizeUnitLongString2(4));
  EXPECT_STREQ("points", PageSizeUnitLongString2(0));
  EXPECT_STREQ("points", PageSizeUnitLongString2(77));
}

TEST(PageUnits, OldHostsRoundToWholePoints) {
  {
    ScopedHostVersion v3(3);
    EXPECT_FALSE(SupportsAcrobat4PageSizes());
    EXPECT_EQ(F(101), AcroRoundPageDim(F(100.5)));
    EXPECT_EQ(F(100), AcroRoundPageDim(F(100.49)));
    EXPECT_EQ(F(-100), AcroRoundPageDim(F(-100.5)));  // half up
    EXPECT_EQ(F(-32767), AcroRoundPageDim(F(-32767.4)));
    EXPECT_EQ(fixedNegativeInfinity, AcroRoundPageDim(F(-32767.6)));
    // The half added to the largest value must not wrap round.
    EXPECT_EQ(F(32767), AcroRoundPageDim(fixedPositiveInfinity));
  }
  for (ASInt16 major : {4, 9}) {
    ScopedHostVersion v(major);
    EXPECT_TRUE(SupportsAcrobat4PageSizes());
    EXPECT_EQ(F(100.5), AcroRoundPageDim(F(100.5)));
  }
}

TEST(PageUnits, HostVersionIsAskedOnce) {
  ScopedHostVersion v3(3);
  EXPECT_EQ(3, Util1HostMajorVersion());
  ASHostVersionSet(9, 0);
  EXPECT_EQ(3, Util1HostMajorVersion());
  EXPECT_FALSE(SupportsAcrobat4PageSizes());
}

TEST(PageUnits, CurrentUnitsFollowTheHostPreference) {
  void* saved = AVAppGetPreference(avpPageUnits);
  for (intptr_t units : {0, 1, 2, 3, 4, 7}) {
    AVAppSetPreference(avpPageUnits, (void*)units);
    EXPECT_EQ(units, CurrentUnits());
  }
  AVAppSetPreference(avpPageUnits, saved);
}

TEST(PageUnits, FormatPageSize) {
  struct Case {
    ASInt32 units;
    ASInt16 major;
    const char* text;
  } cases[] = {
      {1, 9, "8.50 x 11.00 in"}, {2, 9, "216 x 279 mm"}, {2, 3, "215 x 279 mm"},  {3, 9, "21.6 x 27.9 cm"},
      {4, 9, "51.0 x 66.0 pica"}, {0, 9, "612 x 792 pt"}, {12, 9, "612 x 792 pt"},
  };
  for (const Case& c : cases) {
    ScopedHostVersion v(c.major);
    char buffer[kPageSizeTextSize];
    EXPECT_STREQ(c.text, FormatPageSize2(buffer, F(612), F(792), c.units)) << c.units;
  }
  // A translated format whose conversions do not fit the arguments falls
  // back to the built-in one instead of reading arguments never passed.
  ScopedMessage bad("util1.shortin", "%s x %s %n");
  char buffer[kPageSizeTextSize];
  EXPECT_STREQ("8.50 x 11.00 in", FormatPageSize2(buffer, F(612), F(792), 1));
  ScopedMessage wide("util1.shortpts", "%d x %d points, that is a very long text for a page size");
  EXPECT_STREQ("612 x 792 points, that is a very long text for a page size",
               FormatPageSize2(buffer, F(612), F(792), 0));
}

// ---- dates ------------------------------------------------------------------

TEST(DateStamp, StampIsTheCurrentLocalTime) {
  char stamp[50];
  std::time_t before = std::time(nullptr);
  GetAcrobatTimeStamp(stamp, sizeof stamp);
  ASSERT_EQ(16u, std::strlen(stamp));
  EXPECT_EQ(0, std::strncmp(stamp, "D:", 2));
  std::tm local{};
  localtime_r(&before, &local);
  char year[16];
  std::snprintf(year, sizeof year, "%04d", local.tm_year + 1900);
  EXPECT_EQ(0, std::strncmp(stamp + 2, year, 4));
  for (int i = 2; i < 16; ++i) EXPECT_TRUE(stamp[i] >= '0' && stamp[i] <= '9') << stamp;

  char small[7];
  GetAcrobatTimeStamp(small, sizeof small);
  EXPECT_EQ(std::string(stamp, 6), small);

  kvtest::ScopedDoc pd(PDDocCreate());
  CosObj s = NewAcrobatTimeStampObj(PDDocGetCosDoc(pd), 0);
  ASSERT_EQ(CosString, CosObjGetType(s));
  ASSize_t length = 0;
  const char* bytes = CosStringValue(s, &length);
  EXPECT_EQ(16u, length);
  EXPECT_EQ(0, std::strncmp(bytes, "D:", 2));
  EXPECT_TRUE(CosObjIsIndirect(NewAcrobatTimeStampObj(PDDocGetCosDoc(pd), 1)));
}

std::string Display(const char* date, ASInt32 length = -1) {
  char out[kTimeStampDisplaySize];
  std::memset(out, 'x', sizeof out);
  FormatAcrobatTimeStampString(date, length, out);
  return out;
}

TEST(DateStamp, DisplayDayMonthYear) {
  struct Case {
    const char* date;
    ASInt32 length;
    const char* text;
  } cases[] = {
      {"D:20060105143000", -1, " 5 Jan 2006 14:30:00"},
      {"D:20061231235959+01'00'", -1, "31 Dec 2006 23:59:59"},
      {"D:19991110", -1, "10 Nov 1999"},
      {"D:2006101508", -1, "15 Oct 2006"},
      {"D:2006010514", -1, " 5 Jan 2006"},
      {"D:20060105143000", 12, " 5 Jan 2006"},
      {"D:20060105143000", 16, " 5 Jan 2006 14:30:00"},
      {"D:20060105143000", 15, " 5 Jan 2006"},
      {"D:20061305", -1, " 5     2006"},  // no month 13: the column stays
      {"D:20060005", -1, " 5     2006"},
      {"D:2006", -1, "(date unknown)"},
      {"D:2006010", -1, "(date unknown)"},
      {"20060105143000", -1, "(date unknown)"},
      {nullptr, -1, "(date unknown)"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, Display(c.date, c.length)) << (c.date ? c.date : "null");
}

TEST(DateStamp, YearFollowsMonthNamesOfAnyLength) {
  {
    ScopedMessage longName("util1.date.sep", "September");
    EXPECT_EQ(" 5 September 2006 14:30:00", Display("D:20060905143000"));
  }
  {
    ScopedMessage shortName("util1.date.may", "Mai");
    EXPECT_EQ(" 5 Mai 2006", Display("D:20060505"));
  }
  {
    ScopedMessage twoBytes("util1.date.jun", "Ju");
    EXPECT_EQ(" 5 Ju  2006", Display("D:20060605"));
  }
  {
    // A month text longer than the display is cut; nothing runs past it.
    std::string huge(500, 'm');
    ScopedMessage tooLong("util1.date.jul", huge.c_str());
    std::string text = Display("D:20060705143000");
    EXPECT_EQ(kTimeStampDisplaySize - 1, text.size());
    EXPECT_EQ(" 5 mmmm", text.substr(0, 7));
  }
  {
    std::string huge(300, 'u');
    ScopedMessage unknown("util1.date.unknown", huge.c_str());
    EXPECT_EQ(kTimeStampDisplaySize - 1, Display("D:").size());
  }
}

TEST(DateStamp, JapaneseLayoutIsYearMonthDay) {
  ScopedMessage japanese("common.language", "JP");
  EXPECT_EQ("2006/01/05   14:30:00", Display("D:20060105143000"));
  EXPECT_EQ("2006/01/05  ", Display("D:2006010514"));
  ScopedMessage almost("common.language", "JPN");
  EXPECT_EQ(" 5 Jan 2006", Display("D:2006010514"));
}

// ---- text -------------------------------------------------------------------

TEST(TextUtil, CaseInsensitiveSearch) {
  const char* text = "Crop Marks";
  EXPECT_EQ(text + 5, StrIStr(text, "MARK"));
  EXPECT_EQ(text, StrIStr(text, ""));
  EXPECT_EQ(text, StrIStr(text, "crop marks"));
  EXPECT_EQ(nullptr, StrIStr(text, "marksx"));
  EXPECT_EQ(nullptr, StrIStr(text, "z"));
  EXPECT_EQ(nullptr, StrIStr("", "a"));
  const char* again = "aaab";
  EXPECT_EQ(again + 1, StrIStr(again, "AAB"));  // the search goes on after a false start
  const char* words = "run slowcopy and TEST";
  EXPECT_EQ(words + 4, StrIStr(words, "SlowCopy"));
  EXPECT_EQ(words + 17, StrIStr(words, "test"));

  const char* mixed = "xYzy";
  EXPECT_EQ(mixed + 1, StrIChar(mixed, 'y'));
  EXPECT_EQ(mixed + 1, StrIChar(mixed, 'Y'));
  EXPECT_EQ(nullptr, StrIChar(mixed, 'q'));
}

TEST(TextUtil, NoMacAmp) {
  char* s = NoMacAmp("&File");
  EXPECT_STREQ("File", s);
  ASfree(s);
  s = NoMacAmp("Save && &Close&");
  EXPECT_STREQ("Save  Close", s);
  ASfree(s);
  std::string longText(300, 'a');
  s = NoMacAmp(longText.c_str());
  EXPECT_EQ(199u, std::strlen(s));
  ASfree(s);
  s = NoMacAmp(nullptr);
  EXPECT_STREQ("", s);
  ASfree(s);
}

}  // namespace
