// The fixture corpus imposed two pages to a sheet in every placement way:
// copied content, forms when needed, forms always; annotations flattened or
// not; bleed used or ignored. Every output passes qpdf's check, every sheet
// reads back balanced with one marked placement per page, and poppler finds
// the pages' text on the sheets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SheetCheck.h"
#include "engine/PageMerge.h"
#include "fixtures/BoxFixtures.h"
#include "fixtures/ContentFixtures.h"
#include "fixtures/EngineFixtures.h"
#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "pdftools/CosCopy.h"
#include "pdftools/PageBoxes.h"
#include "support/CosDescribe.h"

using namespace kvtest;

namespace {

struct CorpusFixture {
  const char* name;
  std::function<void(const std::string&)> write;
  std::vector<std::string> texts;  // what poppler must find on the sheets
};

const std::vector<CorpusFixture>& Corpus() {
  static const std::vector<CorpusFixture> corpus = {
      {"simple", [](const std::string& p) { kvfix::WriteSimple(p, 3); }, {"Page 1", "Page 2", "Page 3"}},
      {"inherited", kvfix::WriteInherited, {"Page 1", "Page 2", "Page 3", "Page 4", "Page 5"}},
      // Its pages name a font they do not have: nothing for poppler to read.
      {"rotated", kvfix::WriteRotated, {}},
      {"annotated", kvfix::WriteAnnotated, {"annotated"}},
      {"inlineimages", kvfix::WriteInlineImages, {}},
      {"tagged", kvfix::WriteTagged, {}},
      {"boxes", kvfix::WriteBoxes, {}},
      {"pdfx", kvfix::WritePdfx1a, {}},
      {"textgraphics", [](const std::string& p) { kvfix::WriteTextAndGraphics(p, 3); }, {"Hello, world"}},
      {"inlinelarge", [](const std::string& p) { kvfix::WriteLargeInlineImages(p, 2, 3, 40, 30); }, {}},
      {"splitcontents", kvfix::WriteSplitContents, {}},
      {"shared", [](const std::string& p) { kvfix::WriteShared(p, 9, 3, 4); }, {"Page 1 line", "Page 9 line"}},
      {"labelled", kvfix::WriteLabelledPages, {"PAGEA", "PAGEC", "PAGEG"}},
      {"clashing", kvfix::WriteClashingResources, {"ALPHA", "BRAVO"}},
      {"annotations", kvfix::WriteAnnotationAppearances, {"ANNOTATED"}},
  };
  return corpus;
}

struct Way {
  ASInt32 forms;
  EFieldsWhich flatten;
  ASInt32 bleed;
};
const Way kWays[] = {{0, kFieldsNone, kBleedUse},
                     {1, kFieldsFormsAndFields, kBleedIgnore},
                     {2, kFieldsFormsAndFields, kBleedUse},
                     {0, kFieldsOnlyForms, kBleedPrompt}};

std::string PopplerText(const std::string& pdf) {
  TempDir dir;
  std::string out = dir.file("text.txt");
  if (std::system(("pdftotext -q -raw '" + pdf + "' '" + out + "'").c_str()) != 0) return "";
  // Turned pages come out a word per line: white space counts as one blank.
  std::string text, raw = ReadWholeFile(out);
  for (char c : raw) {
    const bool white = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
    if (!white) text += c;
    else if (!text.empty() && text.back() != ' ') text += ' ';
  }
  return text;
}

class CorpusTest : public EngineTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(CorpusTest, ImposedTwoToASheetInEveryWay) {
  const CorpusFixture& fixture = Corpus()[GetParam()];
  std::string source = dir.file(std::string(fixture.name) + ".pdf");
  fixture.write(source);
  for (const Way& way : kWays) {
    SCOPED_TRACE(std::string(fixture.name) + " forms " + std::to_string(way.forms) + " flatten " +
                 std::to_string(way.flatten) + " bleed " + std::to_string(way.bleed));
    gImpositionUseFormXObjects = way.forms;
    gBleedVelmoraMode = way.bleed;
    ScopedDoc doc(OpenPdf(source));
    const ASInt32 n = PDDocGetNumPages(doc);
    ASSERT_GT(n, 0);
    // Cells as large as the largest page shows its trim box.
    double cellW = 0, cellH = 0;
    for (ASInt32 i = 0; i < n; ++i) {
      ASFixedPoint size;
      GetTranslatedPageSizeByPageNum(doc, i, &size, way.bleed == kBleedIgnore ? kSizeVisible : kSizeTrim);
      cellW = std::max(cellW, Pt(size.h));
      cellH = std::max(cellH, Pt(size.v));
    }
    const double margin = 36;
    ScopedMerge info;
    PageMergeSetAnnotMerge(info, way.flatten);
    PageMergeSet2TrFixMode(info, 1);
    ASInt32 sheets = 0;
    for (ASInt32 first = 0; first < n; first += 2) {
      PrepareForMergeToNewPage(info, doc);
      SetDefaultPageMergeCompression(info);
      for (ASInt32 k = 0; k < 2 && first + k < n; ++k) {
        const double x = margin + k * (cellW + margin), y = margin;
        MergePage(info, first + k, Translation(x, y), nullptr, nullptr);
        WriteStringToMergedPage(info, "\n");
      }
      FinishMergeToNewPage(info, PDDocGetNumPages(doc) - 1, Rect(0, 0, 3 * margin + 2 * cellW, 2 * margin + cellH));
      ++sheets;
    }
    PDDocDeletePages(doc, 0, n - 1, nullptr, nullptr);
    ASSERT_EQ(sheets, PDDocGetNumPages(doc));
    ASInt32 placed = 0;
    for (ASInt32 s = 0; s < sheets; ++s) {
      const std::string content = PageContentBytes(doc, s);
      SheetScan scan = ScanSheet(content);
      EXPECT_TRUE(scan.qBalanced) << "sheet " << s;
      EXPECT_TRUE(scan.markedBalanced) << "sheet " << s;
      EXPECT_TRUE(scan.textBalanced) << "sheet " << s;
      placed += (ASInt32)scan.imposedIds.size();
      ScopedPage sheet(doc, s);
      EXPECT_EQ((ASInt32)scan.imposedIds.size(),
                DictCountElements(CosDictGetKeyString(PDPageGetCosObj(sheet), "KRVL_imposed_1")));
    }
    EXPECT_EQ(n, placed);
    std::string out = dir.file(std::string(fixture.name) + "-" + std::to_string(way.forms) + ".pdf");
    SavePdf(doc, out);
    EXPECT_EQ(0, QpdfCheck(out));
    if (!fixture.texts.empty()) {
      std::string text = PopplerText(out);
      for (const std::string& t : fixture.texts) EXPECT_NE(std::string::npos, text.find(t)) << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, CorpusTest, ::testing::Range<size_t>(0, Corpus().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                           return std::string(Corpus()[info.param].name);
                         });

}  // namespace
