// Sample documents, the PDF version check and alignment mirroring.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <ostream>
#include <string>

#include "PagesTestSupport.h"
#include "engine/PageAlign.h"
#include "engine/SampleDoc.h"
#include "engine/SourceVersion.h"
#include "foundation/MessageTable.h"
#include "host/ASFixed.h"
#include "host/AVAlert.h"
#include "support/CosStreamBytes.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

std::string Content(PDDoc doc, ASInt32 n) {
  ScopedPage page(doc, n);
  return CosStreamBytes(PDPageGetCosContents(page));
}

TEST_F(PagesTest, NoPagesNoDocument) {
  PDDoc doc = reinterpret_cast<PDDoc>(1);
  const ASInt32 open = PDGetOpenDocCount();
  EXPECT_FALSE(CreateTestFile(ASInt32ToFixed(612), ASInt32ToFixed(792), 0, 1, &doc, 1, 1));
  EXPECT_EQ(nullptr, doc);
  EXPECT_FALSE(CreateTestFile(0, ASInt32ToFixed(792), 2, 1, &doc, 0, 0)) << "a size of nothing";
  EXPECT_FALSE(CreateTestFile(ASInt32ToFixed(612), ASInt32ToFixed(792), 2000000000, 1, &doc, 0, 0));
  EXPECT_EQ(open, PDGetOpenDocCount());
}

TEST_F(PagesTest, LetterSampleWithMeasures) {
  PDDoc doc = nullptr;
  ForgetViews();
  const ASInt32 number = testDocumentNumber + 1;
  ASSERT_TRUE(CreateTestFile(ASInt32ToFixed(612), ASInt32ToFixed(792), 3, 1, &doc, 1, 1));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  char title[200];
  std::snprintf(title, sizeof title, Msg("imputil1.title.sampledocument").c_str(), number);
  EXPECT_EQ(title, views[0].title);
  EXPECT_EQ(doc, AVDocGetPDDoc(views[0].view));
  EXPECT_EQ(3, PDDocGetNumPages(doc));
  EXPECT_EQ(
      "/KRVL_testdata BMC\nq 10 w 0.9 g 0 G\n0 0 612.00 792.00 re B\n0 g\nBT\n/HB 100 Tf\n72 642 TD\n(3) Tj\nET\n"
      "Q q\n.3 w 72 72 468.0 648.0 re S\nBT\n/HB 12 Tf 74 74 TD (1 inch = 72 points) Tj\nET\n"
      "Q q\n.3 w 56.7 56.7 498.6 678.6 re S\nBT\n/HB 12 Tf 58.5 58.5 TD (20 millimetres) Tj\nET\nQ\nEMC\n",
      Content(doc, 2));
  char creator[64];
  PDDocGetInfo(doc, "Creator", creator, sizeof creator);
  EXPECT_STREQ("Korvel Velmora 3.0k", creator);
  {
    ScopedPage page(doc, 0);
    CosObj font = CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosResources(page), "Font"), "HB");
    EXPECT_EQ(ASAtomFromString("Helvetica-Bold"), CosNameValue(CosDictGetKeyString(font, "BaseFont")));
  }
  EXPECT_EQ(0, SaveAndCheck(doc, "sample.pdf"));
  EXPECT_EQ("1|2|3|", [&] {
    std::string text = PdfToText(dir.file("sample.pdf"));
    std::string digits;
    for (char ch : text)
      if (std::isdigit((unsigned char)ch) || ch == '|') digits += ch;
    // The measures' numbers come after each page's number.
    std::string out;
    size_t start = 0;
    for (size_t bar; (bar = digits.find('|', start)) != std::string::npos; start = bar + 1)
      out += digits.substr(start, 1) + "|";
    return out;
  }());
}

TEST_F(PagesTest, SampleWithoutMeasuresAndWithoutWindow) {
  PDDoc doc = nullptr;
  ForgetViews();
  ASSERT_TRUE(CreateTestFile(ASInt32ToFixed(200), ASInt32ToFixed(300), 1, 0, &doc, 0, 0));
  docs.push_back(doc);
  EXPECT_TRUE(ViewsOpened().empty());
  EXPECT_EQ(std::string::npos, Content(doc, 0).find("re S"));
  EXPECT_NE(std::string::npos, Content(doc, 0).find("72 150 TD\n(1) Tj"));
}

TEST_F(PagesTest, JapaneseSamplesUseTheJapaneseFont) {
  ScopedMessage language("common.language", "JP");
  PDDoc doc = nullptr;
  ASSERT_TRUE(CreateTestFile(ASInt32ToFixed(595), ASInt32ToFixed(842), 1, 1, &doc, 0, 0));
  docs.push_back(doc);
  ScopedPage page(doc, 0);
  CosObj font = CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosResources(page), "Font"), "HB");
  EXPECT_EQ(CosDict, CosObjGetType(font));
  EXPECT_NE(std::string::npos, Content(doc, 0).find(std::string("(1 ") + japaneseInch + " = 72 " + japanesePoints));
}

TEST_F(PagesTest, MeasureWordsAreEscaped) {
  ScopedMessage word("util1.longmm", "mm (metric)");
  PDDoc doc = nullptr;
  ASSERT_TRUE(CreateTestFile(ASInt32ToFixed(612), ASInt32ToFixed(792), 1, 1, &doc, 0, 0));
  docs.push_back(doc);
  EXPECT_NE(std::string::npos, Content(doc, 0).find("(20 mm \\(metric\\)) Tj"));
  EXPECT_EQ(0, SaveAndCheck(doc, "escaped.pdf"));
}

TEST_F(PagesTest, CancelKeepsThePagesMadeSoFar) {
  PDDoc doc = nullptr;
  ClickStatusCancel();
  EXPECT_TRUE(CreateTestFile(ASInt32ToFixed(612), ASInt32ToFixed(792), 4, 0, &doc, 0, 1));
  docs.push_back(doc);
  EXPECT_EQ(0, PDDocGetNumPages(doc));
  char text[200];
  std::snprintf(text, sizeof text, Msg("imputil1.samplecancelled").c_str(), 0);
  EXPECT_EQ(std::vector<std::string>{text}, Errors());
}

struct VersionCase {
  const char* header;
  bool ask;
  int answer;
  bool compatible;
  bool asked;
};
// Test names print the case, not a dump of its bytes.
void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.header << (c.ask ? " asked " : " ") << c.answer; }
class VersionTest : public PagesTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTest, NewerVersionsAreAskedOrRefused) {
  const VersionCase& c = GetParam();
  std::string path = File(1);
  std::string bytes = ReadWholeFile(path);
  bytes.replace(0, 8, c.header);
  WriteWholeFile(path, bytes);
  PDDoc doc = OpenPdf(path);
  docs.push_back(doc);
  AVAlertQueueAnswer(c.answer);
  EXPECT_EQ(c.compatible, ImpositionCompatibleDocument(doc, c.ask) != 0);
  EXPECT_EQ(c.asked, !AVAlertRecorded().empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         ::testing::Values(VersionCase{"%PDF-1.7", true, 2, true, false},
                                           VersionCase{"%PDF-1.4", false, 2, true, false},
                                           VersionCase{"%PDF-1.8", false, 1, false, false},
                                           VersionCase{"%PDF-1.8", true, 1, true, true},
                                           VersionCase{"%PDF-2.0", true, 2, false, true}));

TEST_F(PagesTest, MirroredAlignments) {
  enum { BL, BC, BR, TL, TC, TR, L, R, C };
  EXPECT_EQ(TR, PossibleMirrorWhatPageAlign(TL, 1, 0));
  EXPECT_EQ(BL, PossibleMirrorWhatPageAlign(TL, 0, 1));
  EXPECT_EQ(BR, PossibleMirrorWhatPageAlign(TL, 1, 1));
  EXPECT_EQ(C, PossibleMirrorWhatPageAlign(C, 1, 1));
  EXPECT_EQ(R, PossibleMirrorWhatPageAlign(L, 1, 1));
  EXPECT_EQ(TC, PossibleMirrorWhatPageAlign(BC, 1, 1));
  EXPECT_EQ(42, PossibleMirrorWhatPageAlign(42, 1, 1));
}

}  // namespace
