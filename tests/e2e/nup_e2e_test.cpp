// The n-up command through kvhost, on generated documents of numbered pages;
// the sheets are read back with qpdf, pdfinfo and pdftotext.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

class NupHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  std::string Doc(int pages) {
    std::string path = dir.file("pages.pdf");
    kvfix::WriteSimple(path, pages);
    return path;
  }
  // Parameters: Letter sheets, pages scaled to a grid, the given extras.
  std::string Params(int across, int down, bool newDoc, bool withSheet = true) {
    SKCab* p = KCabNewInner();
    KCabPutBool(p, "NewDoc", newDoc);
    KCabPutBool(p, "UseScale", 1);
    KCabPutAtom(p, "DoScaling", ASAtomFromString("ToFit"));
    KCabPutInt(p, "FitAcross", across);
    KCabPutInt(p, "FitDown", down);
    KCabPutAtom(p, "PageOrientation", ASAtomFromString("Tall"));
    KCabPutBool(p, "UseMgn", 1);
    KCabPutDouble(p, "LMgn", 18);
    KCabPutDouble(p, "RMgn", 18);
    KCabPutDouble(p, "TMgn", 18);
    KCabPutDouble(p, "BMgn", 18);
    KCabPutBool(p, "CropMarks", 1);
    KCabPutAtom(p, "BleedMode", ASAtomFromString("Use"));
    if (withSheet) {
      SKCab* page = KCabNewInner();
      KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
      KCabPutStringCopy(page, "Name", "Letter");
      KCabPutDouble(page, "Width", 612);
      KCabPutDouble(page, "Height", 792);
      KCabPutCab(p, "Page", page);
    }
    ASInt32 need = KCabToXMLBufferBytesNeeded(p);
    std::string text((size_t)need + 1, '\0');
    ASInt32 got = 0;
    WriteKCabToXMLBuffer(text.data(), need + 1, p, &got);
    text.resize(std::strlen(text.c_str()));
    KCabDestroy(p);
    std::string path = dir.file("nup.xml");
    kvtest::WriteWholeFile(path, text);
    return path;
  }
  // The text of each page, blanks removed (poppler may set the small
  // labels close together).
  static std::vector<std::string> SheetTexts(const std::string& pdf) {
    Outcome r = Shell("pdftotext -layout " + pdf + " -");
    std::vector<std::string> out(1);
    for (char c : r.out) {
      if (c == '\f')
        out.emplace_back();
      else if (c != ' ' && c != '\n')
        out.back() += c;
    }
    if (out.back().empty()) out.pop_back();
    return out;
  }
  static std::string Info(const std::string& pdf, const char* field) {
    Outcome r = Shell("pdfinfo " + pdf);
    std::smatch m;
    std::regex line(std::string(field) + ":\\s*([^\\n]*)");
    return std::regex_search(r.out, m, line) ? m[1].str() : "";
  }

  kvtest::TempDir dir;
};

TEST_F(NupHost, SevenPagesFourToASheetIntoANewDocument) {
  const std::string doc = Doc(7);
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  Outcome r = Kvhost("--params " + Params(2, 2, true) + " --command Nup --save-all " + out + " " + doc);
  ASSERT_EQ(0, r.status) << r.out;
  const std::string sheets = out + "/N-up document 1.pdf";
  EXPECT_EQ(0, Shell("qpdf --check '" + sheets + "'").status);
  EXPECT_EQ("2", Info("'" + sheets + "'", "Pages"));
  EXPECT_EQ(0u, Info("'" + sheets + "'", "Page size").find("612 x 792 pts"));
  EXPECT_EQ((std::vector<std::string>{"Page1Page2Page3Page4", "Page5Page6Page7"}), SheetTexts("'" + sheets + "'"));
  // Only the new document was opened by the step.
  size_t files = 0;
  for (auto& entry : std::filesystem::directory_iterator(out)) files += entry.is_regular_file();
  EXPECT_EQ(1u, files);
}

// DoScaling ToFit takes the scale from the first page: a page turned
// sideways is larger than its place in a 2 x 1 grid and gets a sheet of its
// own, as designed; the run says how many and which comes first, and places
// every page.
TEST_F(NupHost, PagesLargerThanTheirPlaceGoAloneWithAWarning) {
  struct Case {
    const char* turned;  // pages turned by 90 degrees (qpdf's page range), or none
    int sheets;
    const char* says;  // null: no such warning
  };
  const Case cases[] = {
      {"2,4,6,8,10", 10,
       "5 pages are larger than their place in the grid at the scale DoScaling ToFit takes from the first page, so "
       "they went where they fit, on sheets with fewer pages than the grid has places; the first of them is page 2."},
      {"3", 6,
       "Page 3 is larger than its place in the grid at the scale DoScaling ToFit takes from the first page, so it "
       "went where it fits, on a sheet with fewer pages than the grid has places."},
      {"1", 5, nullptr},  // the first page sets the scale: the others are smaller
      {nullptr, 5, nullptr},
  };
  const std::string plain = Doc(10);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.turned ? c.turned : "none");
    const std::string doc = dir.file("mixed.pdf");
    const std::string saved = dir.file("sheets.pdf");
    std::filesystem::remove(saved);
    if (c.turned)
      ASSERT_EQ(0, Shell("qpdf " + plain + " --rotate=+90:" + c.turned + " " + doc).status);
    else
      std::filesystem::copy_file(plain, doc, std::filesystem::copy_options::overwrite_existing);
    Outcome r = Kvhost("--params " + Params(2, 1, true) + " --command Nup --save " + saved + " " + doc);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(std::to_string(c.sheets), Info(saved, "Pages"));
    if (c.says) {
      const size_t at = r.out.find(c.says);
      ASSERT_NE(std::string::npos, at) << r.out;
      const size_t line = r.out.rfind('\n', at);
      EXPECT_EQ(0u, r.out.compare(line == std::string::npos ? 0 : line + 1, 7, "warning")) << r.out;
    } else
      EXPECT_FALSE(r.Says("larger than")) << r.out;
    std::string all;
    for (const std::string& sheet : SheetTexts(saved)) all += sheet;
    EXPECT_EQ("Page1Page2Page3Page4Page5Page6Page7Page8Page9Page10", all) << "every page placed";
  }
}

// Every page larger than its place of the grid is counted, wherever it
// went: two such pages sharing a sheet of four places lost theirs as surely
// as one alone on a sheet. The pages listed as smaller have a CropBox 10 pt
// smaller each way than the Letter MediaBox of the others.
TEST_F(NupHost, EveryPageLargerThanItsPlaceIsCounted) {
  struct Case {
    int pages;
    std::vector<int> smaller;  // page numbers
    int sheets;
    const char* says;  // null: no such warning
  };
  const Case cases[] = {
      // The first four set a scale at which each later page takes half a sheet.
      {21, {1, 2, 3, 4}, 10,
       "17 pages are larger than their place in the grid at the scale DoScaling ToFit takes from the first page, so "
       "they went where they fit, on sheets with fewer pages than the grid has places; the first of them is page 5."},
      // Larger pages here and there, two of them side by side.
      {12, {1, 2, 4, 5, 6, 9, 10, 11}, 5,
       "4 pages are larger than their place in the grid at the scale DoScaling ToFit takes from the first page, so "
       "they went where they fit, on sheets with fewer pages than the grid has places; the first of them is page 3."},
      {8, {1, 2, 3, 4, 5, 7, 8}, 3,
       "Page 6 is larger than its place in the grid at the scale DoScaling ToFit takes from the first page, so it "
       "went where it fits, on a sheet with fewer pages than the grid has places."},
      {8, {}, 2, nullptr},
      {8, {1, 2, 3, 4, 5, 6, 7, 8}, 2, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.pages) + " pages, " + std::to_string(c.smaller.size()) + " smaller");
    const std::string plain = dir.file("plain.pdf"), doc = dir.file("mixed.pdf"), saved = dir.file("sheets.pdf");
    std::filesystem::remove(saved);
    kvfix::WriteSimple(plain, c.pages);
    {
      QPDF pdf;
      pdf.processFile(plain.c_str());
      std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
      for (int number : c.smaller)
        pages.at((size_t)number - 1)
            .getObjectHandle()
            .replaceKey("/CropBox", QPDFObjectHandle::newFromRectangle(QPDFObjectHandle::Rectangle(5, 5, 607, 787)));
      QPDFWriter w(pdf, doc.c_str());
      w.setStaticID(true);
      w.write();
    }
    Outcome r = Kvhost("--set Page=A4 --set UseScale=1 --set DoScaling=ToFit --set FitAcross=2 --set FitDown=2 "
                       "--command Nup --save " +
                       saved + " " + doc);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(0, Shell("qpdf --check " + saved).status);
    EXPECT_EQ(std::to_string(c.sheets), Info(saved, "Pages"));
    if (c.says)
      EXPECT_TRUE(r.Says(std::string("warning [Korvel Velmora 3.0k]: ") + c.says)) << r.out;
    else
      EXPECT_FALSE(r.Says("larger than")) << r.out;
    std::string all, want;
    for (const std::string& sheet : SheetTexts(saved)) all += sheet;
    for (int i = 1; i <= c.pages; ++i) want += "Page" + std::to_string(i);
    EXPECT_EQ(want, all) << "every page placed, in order";
  }
}

TEST_F(NupHost, InPlaceTheSheetsReplaceThePages) {
  const std::string doc = Doc(5);
  const std::string saved = dir.file("saved.pdf");
  Outcome r = Kvhost("--params " + Params(3, 1, false) + " --command Nup --save " + saved + " " + doc);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ(0, Shell("qpdf --check " + saved).status);
  EXPECT_EQ("2", Info(saved, "Pages"));
  EXPECT_EQ((std::vector<std::string>{"Page1Page2Page3", "Page4Page5"}), SheetTexts(saved));
  // The history in the file names the command.
  Outcome history = Kvhost("--history " + saved);
  EXPECT_NE(std::string::npos, history.out.find("Nup")) << history.out;
}

TEST_F(NupHost, WithoutASheetNothingIsDone) {
  const std::string doc = Doc(3);
  const std::string saved = dir.file("saved.pdf");
  Outcome r = Kvhost("--params " + Params(2, 2, false, false) + " --command Nup --save " + saved + " " + doc);
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(r.Says("set Page (Width and Height in points), see docs/parameters.md")) << r.out;
  EXPECT_EQ("3", Info(doc, "Pages"));
}

TEST_F(NupHost, TheMenuItemRunsTheWizardOnItsAnswers) {
  // The real plug-in's wizard cannot offer a sheet without the page-size service.
  const std::string doc = Doc(3);
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  SKCab* answers = KCabNewInner();
  SKCab* first = KCabNewInner();
  KCabPutBool(first, "UseScale", 1);
  KCabPutCab(answers, "N-up pages - where and how", first);
  SKCab* third = KCabNewInner();
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutStringCopy(page, "Name", "Letter");
  KCabPutDouble(page, "Width", 612);
  KCabPutDouble(page, "Height", 792);
  KCabPutCab(third, "Page", page);
  KCabPutAtom(third, "DoScaling", ASAtomFromString("ToFit"));
  KCabPutInt(third, "FitAcross", 2);
  KCabPutInt(third, "FitDown", 2);
  KCabPutCab(answers, "N-up pages - sheet and layout", third);
  ASInt32 need = KCabToXMLBufferBytesNeeded(answers);
  std::string text((size_t)need + 1, '\0');
  ASInt32 got = 0;
  WriteKCabToXMLBuffer(text.data(), need + 1, answers, &got);
  text.resize(std::strlen(text.c_str()));
  KCabDestroy(answers);
  const std::string answersPath = dir.file("answers.xml");
  kvtest::WriteWholeFile(answersPath, text);

  Outcome r = Kvhost("--answers " + answersPath + " --menu KRVL:Velmora3:nUpPages --save-all " + out + " " + doc);
  ASSERT_EQ(0, r.status) << r.out;
  const std::string sheets = "'" + out + "/N-up document 1.pdf'";
  EXPECT_EQ(0, Shell("qpdf --check " + sheets).status);
  EXPECT_EQ("1", Info(sheets, "Pages"));
  EXPECT_EQ((std::vector<std::string>{"Page1Page2Page3"}), SheetTexts(sheets));
  // The answers are remembered: the command by key runs on them.
  Outcome again = Kvhost("--command Nup --save-all " + out + " " + doc);
  EXPECT_EQ(0, again.status) << again.out;
}


}  // namespace
