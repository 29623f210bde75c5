#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "PageBuild.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/Tr2Fix.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

// ---- a small interpreter of what places text ---------------------------------------

// [a b c d e f]: a point (x, y) goes to (a x + c y + e, b x + d y + f).
struct Mat {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// x first, then y.
Mat Mul(const Mat& x, const Mat& y) {
  return Mat{x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c,
             x.c * y.b + x.d * y.d, x.e * y.a + x.f * y.c + y.e, x.e * y.b + x.f * y.d + y.f};
}

// The numbers among a statement's operands (not those inside arrays,
// dictionaries or strings), and its first name operand.
void Operands(const std::string& text, size_t opAt, std::vector<double>* numbers, std::string* firstName) {
  size_t i = 0;
  int depth = 0;
  while (i < opAt) {
    char c = text[i];
    if (std::strchr(" \t\r\n\f", c) || c == 0) {
      ++i;
    } else if (c == '%') {
      while (i < opAt && text[i] != '\n' && text[i] != '\r') ++i;
    } else if (c == '(') {
      int level = 0;
      for (; i < opAt; ++i) {
        if (text[i] == '\\') {
          ++i;
        } else if (text[i] == '(') {
          ++level;
        } else if (text[i] == ')' && --level == 0) {
          ++i;
          break;
        }
      }
    } else if (c == '<' && text[i + 1] == '<') {
      ++depth;
      i += 2;
    } else if (c == '>' && text[i + 1] == '>') {
      --depth;
      i += 2;
    } else if (c == '<') {
      i = text.find('>', i) + 1;
    } else if (c == '[') {
      ++depth;
      ++i;
    } else if (c == ']') {
      --depth;
      ++i;
    } else {
      size_t j = i + 1;
      while (j < opAt && !std::strchr(" \t\r\n\f%()<>[]{}/", text[j])) ++j;
      std::string token = text.substr(i, j - i);
      if (depth == 0 && token[0] == '/' && firstName->empty()) *firstName = token.substr(1);
      if (depth == 0 && token[0] != '/') numbers->push_back(std::strtod(token.c_str(), nullptr));
      i = j;
    }
  }
}

struct Trace {
  std::vector<Mat> shows;    // text matrix times CTM at each text-showing operator
  std::vector<Mat> fixedBT;  // CTM at each BT that the fix's marked content introduced
};

Trace Interpret(const std::string& content) {
  Trace t;
  Mat ctm, tm, tlm;
  std::vector<Mat> saved;
  double leading = 0;
  std::vector<std::string> tags;
  bool afterBT = false;  // the statement before was a BT
  Mat ctmAtBT;
  for (const Statement& s : Statements(content)) {
    std::string op = s.text.substr(s.op);
    std::vector<double> n;
    std::string name;
    Operands(s.text, s.op, &n, &name);
    // The fix's BT is followed at once by its marked text matrix.
    if (std::exchange(afterBT, false) && op == "BMC" && name == "KRVL_TrBugFix") t.fixedBT.push_back(ctmAtBT);
    auto nextLine = [&](double tx, double ty) {
      tlm = Mul(Mat{1, 0, 0, 1, tx, ty}, tlm);
      tm = tlm;
    };
    if (op == "q") saved.push_back(ctm);
    else if (op == "Q" && !saved.empty()) ctm = saved.back(), saved.pop_back();
    else if (op == "cm") ctm = Mul(Mat{n[0], n[1], n[2], n[3], n[4], n[5]}, ctm);
    else if (op == "BT") {
      tm = tlm = Mat{};
      afterBT = true;
      ctmAtBT = ctm;
    } else if (op == "Tm") tm = tlm = Mat{n[0], n[1], n[2], n[3], n[4], n[5]};
    else if (op == "Td") nextLine(n[0], n[1]);
    else if (op == "TD") leading = -n[1], nextLine(n[0], n[1]);
    else if (op == "TL") leading = n[0];
    else if (op == "T*") nextLine(0, -leading);
    else if (op == "Tj" || op == "TJ") t.shows.push_back(Mul(tm, ctm));
    else if (op == "'" || op == "\"") nextLine(0, -leading), t.shows.push_back(Mul(tm, ctm));
    else if (op == "BMC" || op == "BDC") tags.push_back(name == "OC" ? "" : name);
    else if (op == "EMC" && !tags.empty()) tags.pop_back();
  }
  return t;
}

bool Near(const Mat& x, const Mat& y, double tolerance) {
  return std::fabs(x.a - y.a) <= tolerance && std::fabs(x.b - y.b) <= tolerance && std::fabs(x.c - y.c) <= tolerance &&
         std::fabs(x.d - y.d) <= tolerance && std::fabs(x.e - y.e) <= tolerance && std::fabs(x.f - y.f) <= tolerance;
}

std::string Show(const Mat& m) {
  char text[200];
  std::snprintf(text, sizeof text, "[%g %g %g %g %g %g]", m.a, m.b, m.c, m.d, m.e, m.f);
  return text;
}

class Tr2Test : public ::testing::Test {
 protected:
  void SetUp() override { doc = PDDocCreate(); }
  void TearDown() override {
    PDDocClose(doc);
    EXPECT_EQ(0, PDGetAcquiredPageCount());
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(0, ASStmOpenCount());
  }
  // A page of that content, its number.
  ASInt32 Page(const std::string& content, CosObj resources = CosNewNull()) {
    AddPage(doc, content, resources);
    return PDDocGetNumPages(doc) - 1;
  }
  ASUns32 Test(ASInt32 n) {
    ScopedPage page(doc, n);
    return TestTr2InPage(page);
  }
  ASBool Fix(ASInt32 n, ASBool testFirst = 0) {
    ScopedPage page(doc, n);
    return FixTr2InPage(page, testFirst);
  }
  CosObj Contents(ASInt32 n) {
    ScopedPage page(doc, n);
    return CosDictGet(PDPageGetCosObj(page), Atom("Contents"));
  }
  PDDoc doc = nullptr;
};

// ---- the test ----------------------------------------------------------------------------

TEST_F(Tr2Test, TestResults) {
  struct Case {
    const char* content;
    ASUns32 result;
  };
  const Case cases[] = {
      {"1 0 0 1 100 50 cm BT /F1 12 Tf 2 Tr 10 20 Td (x) Tj ET", 1},
      {"BT /F1 12 Tf 2 Tr 10 20 Td (x) Tj ET", 1},
      {"BT 0 Tr (x) Tj ET 0 0 m 1 1 l S", 0},
      {"BT BT (x) Tj ET ET", 2},
      {"BT 2 Tr BT (x) Tj ET ET", 3},
      {"BT q (x) Tj Q ET", 2},
      {"q Q Q", 2},
      {"BT 0 0 m ET", 2},
      {"1 0 0 1 0 0 Tm", 2},
      {"ET", 2},
      {"", 0},
      {"0 0 1 rg 0 0 9 9 re f", 0},
      // A Tr operand that is not a number ends the test with what it found.
      {"BT /x Tr 2 Tr ET", 0},
      {"BT 2 Tr /x Tr ET q", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, Test(Page(c.content))) << c.content;
}

// ---- the fix: its texts ------------------------------------------------------------------

TEST_F(Tr2Test, FixOfATranslatedTextObject) {
  ASInt32 n = Page("1 0 0 1 100 50 cm BT /F1 12 Tf 2 Tr 10 20 Td (x) Tj ET");
  EXPECT_EQ(1, Fix(n, 1));
  EXPECT_EQ(
      "1 0 0 1 100 50 cm\n/KRVL_TrBugFix BMC 1 0 0 1 -100.000000 -50.000000 cm EMC \nBT \n"
      "/KRVL_TrBugFix BMC 1 0 0 1 100.000000 50.000000 Tm EMC \n /F1 12 Tf 2 Tr 10 20 Td (x) Tj\n"
      "ET \n/KRVL_TrBugFix BMC 1 0 0 1 100.000000 50.000000 cm EMC \n",
      PageContents(doc, n));
  CosObj contents = Contents(n);
  ASSERT_EQ(CosArray, CosObjGetType(contents));
  EXPECT_EQ(1, CosArrayLength(contents));
}

TEST_F(Tr2Test, NothingToFix) {
  // Mode 2 without a translation: tested, not changed.
  ASInt32 untranslated = Page("BT /F1 12 Tf 2 Tr 10 20 Td (x) Tj ET");
  CosObj before = Contents(untranslated);
  EXPECT_EQ(0, Fix(untranslated, 1));
  EXPECT_TRUE(CosObjEqual(before, Contents(untranslated)));
  // No text at all: with the test first, 1 and the page left alone.
  ASInt32 noText = Page("1 0 0 1 100 50 cm 0 0 9 9 re f");
  before = Contents(noText);
  EXPECT_EQ(1, Fix(noText, 1));
  EXPECT_TRUE(CosObjEqual(before, Contents(noText)));
  EXPECT_EQ(0, Fix(noText, 0));
}

TEST_F(Tr2Test, TextMatrixInAFixedObject) {
  ASInt32 n = Page("1 0 0 1 100 50 cm BT 2 0 0 2 5.5 -7.25 Tm (x) Tj ET");
  EXPECT_EQ(1, Fix(n));
  std::string out = PageContents(doc, n);
  EXPECT_NE(std::string::npos,
            out.find("\n/KRVL_TrBugFix2 <</Orig (2.000000 0.000000 0.000000 2.000000 5.500000 -7.250000 Tm)>>BDC\n "
                     "2.000000 0.000000 0.000000 2.000000 105.500000 42.750000 Tm  EMC \n"))
      << out;
}

// A cm operand out of range stops the fix; the page stays as it was.
TEST_F(Tr2Test, OperandsOutOfRange) {
  ASInt32 n = Page("1 0 0 1 100 50 cm 40000 0 0 1 0 0 cm BT (x) Tj ET");
  CosObj before = Contents(n);
  EXPECT_EQ(PDFStatementNumberRangeError(), ErrorOf([&] { Fix(n); }));
  EXPECT_TRUE(CosObjEqual(before, Contents(n)));
}

// ---- the fix keeps every piece of text where it was ----------------------------------------

std::string DeepNesting() {
  std::string s;
  for (int i = 0; i < 40; ++i) s += "q 1 0 0 1 3 4 cm\n";
  s += "BT 2 Tr 1 0 0 1 1 1 Tm (deep) Tj ET\n";
  for (int i = 0; i < 40; ++i) s += "Q\n";
  s += "1 0 0 1 7 9 cm BT (after) Tj ET";
  return s;
}

TEST_F(Tr2Test, FixKeepsTextInPlace) {
  struct Case {
    std::string content;
    int fixedTexts;  // text objects the fix moves
  };
  const std::vector<Case> cases = {
      {"1 0 0 1 100 50 cm BT /F1 12 Tf 2 Tr 10 20 Td (x) Tj ET", 1},
      {"0.5 0.866 -0.866 0.5 300 400 cm 2 0 0 2 10 10 cm BT /F1 10 Tf 1 0 0 1 5 6 Tm (a) Tj 0 -12 TD (b) Tj "
       "T* (c) Tj 14 TL (d) ' 1 2 (e) \" [(f) 3 (g)] TJ 3 0 0 3 -4 8 Tm (h) Tj ET",
       1},
      // The fix state ends with its text object: the next one, untranslated, is left alone.
      {"q 1 0 0 1 50 60 cm BT 1 0 0 1 1 1 Tm (a) Tj ET Q BT 2 0 0 2 7 8 Tm (b) Tj ET BT (c) Tj ET", 1},
      {"q 1 0 0 1 50 60 cm BT (a) Tj ET Q q 1 0 0 1 -70 80 cm BT 3 0 0 3 1 2 Tm (b) Tj ET Q", 2},
      // Deeper than 32 saved states.
      {DeepNesting(), 2},
      // Irregular text objects are left as they stand.
      {"1 0 0 1 100 50 cm BT (a) Tj 2 0 0 2 5 5 cm (b) Tj ET BT 1 0 0 1 2 2 Tm (c) Tj ET", 1},
      {"1 0 0 1 100 50 cm BT (a) Tj BT 1 0 0 1 3 3 Tm (b) Tj ET (c) Tj ET BT (d) Tj ET", 1},
      {"1 0 0 1 100 50 cm q BT (a) Tj Q 1 0 0 1 5 5 Tm (b) Tj ET BT (c) Tj ET", 1},
      {"1 0 0 1 100 50 cm BT (a) Tj q 2 0 0 2 0 0 cm (b) Tj Q ET", 0},
      {"1 0 0 1 100 50 cm BT 0 0 m 5 5 l S (a) Tj ET", 0},
      {"ET 1 0 0 1 100 50 cm BT (a) Tj ET", 1},
      {"1 0 0 1 100 50 cm BT (a) Tj", 0},
      {"10 0 0 10 123.456 78.9 cm BT 0.123457 0 0 0.123457 1234.567891 2345.678912 Tm (a) Tj 0.5 0.25 Td (b) Tj ET",
       1},
      {"1 0 0 1 100 50 cm BT /GS1 gs (a) Tj ET BT /GSMask gs (b) Tj ET", 1},
      {"1 0 0 1 100 50 cm BT /OC /oc1 BDC (a) Tj EMC /Span <</MCID 3>> BDC (b) Tj EMC ET", 1},
      // Text set small far from the origin (a page imposed at a small scale).
      {"0.001 0 0 0.001 50.03 50.03 cm BT /F1 12000 Tf 2 Tr 1000 2000 Td (tiny) Tj 1 0 0 1 30 40 Tm (t) Tj ET", 1},
      {"0 0.002 -0.002 0 500 300 cm BT 2 Tr (turned) Tj ET", 1},
  };
  CosMaker m{PDDocGetCosDoc(doc)};
  CosObj resources = m.Dict({{"ExtGState", m.Dict({{"GS1", m.Dict({{"ca", m.Real(0.5)}})},
                                                   {"GSMask", m.Dict({{"SMask", m.Dict({{"S", m.Name("Alpha")}})}})}})}});
  for (const Case& c : cases) {
    ASInt32 n = Page(c.content, resources);
    Trace before = Interpret(c.content);
    Fix(n);
    std::string fixed = PageContents(doc, n);
    Trace after = Interpret(fixed);
    ASSERT_EQ(before.shows.size(), after.shows.size()) << c.content;
    for (size_t i = 0; i < before.shows.size(); ++i)
      EXPECT_TRUE(Near(before.shows[i], after.shows[i], 1e-4))
          << c.content << "\nshow " << i << ": " << Show(before.shows[i]) << " became " << Show(after.shows[i])
          << "\n" << fixed;
    EXPECT_EQ((size_t)c.fixedTexts, after.fixedBT.size()) << c.content << "\n" << fixed;
    // What the fix writes, a reader of the content takes again: no operand
    // beyond the fixed-point range (which fixing the result again checks).
    for (const Statement& st : Statements(fixed)) {
      std::vector<double> n;
      std::string name;
      Operands(st.text, st.op, &n, &name);
      for (double v : n) EXPECT_LE(std::fabs(v), 32767.0) << c.content << "\n" << fixed;
    }
    EXPECT_EQ(0, ErrorOf([&] { Fix(n); })) << c.content << "\n" << fixed;
  }
  TempDir dir;
  SavePdf(doc, dir.file("fixed.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("fixed.pdf")));
}

}  // namespace
