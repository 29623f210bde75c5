// The booklet command run for real: kvhost loads the plug-in bundle, runs
// "SimpleBooklet" on a generated document with parameter cabinets, saves the
// results, and independent readers check them: qpdf --check for the file,
// pdfinfo for the sheets' count and size, pdftotext for which page sits on
// which half of every side.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

using kvtest::CabXML;

struct SheetInfo {
  int pages = 0;
  double width = 0, height = 0;
};

SheetInfo PdfInfo(const std::string& pdf) {
  SheetInfo info;
  Outcome r = Shell("pdfinfo '" + pdf + "'");
  std::smatch m;
  if (std::regex_search(r.out, m, std::regex(R"(Pages:\s+(\d+))"))) info.pages = std::stoi(m[1].str());
  if (std::regex_search(r.out, m, std::regex(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)"))) {
    info.width = CLocaleStrtod(m[1].str().c_str(), nullptr);
    info.height = CLocaleStrtod(m[2].str().c_str(), nullptr);
  }
  return info;
}

// "left,right" page numbers of every side ("-" for a blank half), read by
// poppler with word positions.
std::string SidesOf(const std::string& pdf, const SheetInfo& info) {
  std::string out;
  const std::regex word(
      R"re(<word xMin="([0-9.\-]+)" yMin="[0-9.\-]+" xMax="([0-9.\-]+)" yMax="[0-9.\-]+">([0-9]+)</word>)re");
  for (int page = 1; page <= info.pages; ++page) {
    Outcome r =
        Shell("pdftotext -q -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" + pdf + "' -");
    std::string halves[2] = {"-", "-"};
    for (auto it = std::sregex_iterator(r.out.begin(), r.out.end(), word); it != std::sregex_iterator(); ++it) {
      double x = (CLocaleStrtod((*it)[1].str().c_str(), nullptr) + CLocaleStrtod((*it)[2].str().c_str(), nullptr)) / 2;
      halves[x < info.width / 2 ? 0 : 1] = (*it)[3].str();
    }
    out += (out.empty() ? "" : " ") + halves[0] + "," + halves[1];
  }
  return out;
}

class BookletHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  std::string Params(const char* name, SKCab* cab) {
    std::string path = dir.file(name);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::string xml = CabXML(cab);
    std::fwrite(xml.data(), 1, xml.size(), f);
    std::fclose(f);
    KCabDestroy(cab);
    return path;
  }
  void SetUp() override {
    source = dir.file("ten.pdf");
    kvfix::WriteSimple(source, 10);
  }
  void ExpectClean(const std::string& pdf) {
    Outcome check = Shell("qpdf --check '" + pdf + "'");
    EXPECT_EQ(0, check.status) << check.out;
  }
  kvtest::TempDir dir;
  std::string source;
};

SKCab* BookletParams(const char* paginate, const char* backs) {
  SKCab* cab = KCabNewInner();
  KCabPutAtom(cab, "Paginate", ASAtomFromString(paginate));
  KCabPutAtom(cab, "Backs", ASAtomFromString(backs));
  KCabPutBool(cab, "NewDoc", 1);
  return cab;
}

TEST_F(BookletHost, TheDefaultBookletPutsConsecutivePagesSideBySide) {
  std::string out = dir.file("consec.pdf");
  Outcome r = Kvhost(source + " --command SimpleBooklet --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ExpectClean(out);
  SheetInfo info = PdfInfo(out);
  EXPECT_EQ(5, info.pages);
  EXPECT_DOUBLE_EQ(1224, info.width);
  EXPECT_DOUBLE_EQ(792, info.height);
  EXPECT_EQ("1,2 3,4 5,6 7,8 9,10", SidesOf(out, info));
}

TEST_F(BookletHost, SaddleStitchOfTenPagesPadsToTwelve) {
  std::string out = dir.file("saddle.pdf");
  Outcome r = Kvhost("--params " + Params("saddle.xml", BookletParams("Single", "Inline")) + " " + source +
                     " --command SimpleBooklet --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ExpectClean(out);
  SheetInfo info = PdfInfo(out);
  EXPECT_EQ(6, info.pages);
  EXPECT_EQ("-,1 2,- 10,3 4,9 8,5 6,7", SidesOf(out, info));
}

TEST_F(BookletHost, SignaturesOnLetterSheetsWithCropMarks) {
  SKCab* p = BookletParams("Multiple", "After");
  KCabPutInt(p, "PagesPerSig", 8);
  KCabPutBool(p, "AddBlanks", 1);
  KCabPutAtom(p, "Sizing", ASAtomFromString("LetterWide"));
  KCabPutDouble(p, "Margin", 18);
  KCabPutBool(p, "CropMarks", 1);
  std::string out = dir.file("sigs.pdf");
  Outcome r = Kvhost("--params " + Params("sigs.xml", p) + " " + source + " --command SimpleBooklet --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ExpectClean(out);
  SheetInfo info = PdfInfo(out);
  EXPECT_EQ(8, info.pages) << "16 pages after padding";
  EXPECT_DOUBLE_EQ(792, info.width);
  EXPECT_DOUBLE_EQ(612, info.height);
  // All fronts first, then all backs.
  EXPECT_EQ("8,1 6,3 -,9 -,- 2,7 4,5 10,- -,-", SidesOf(out, info));
}

TEST_F(BookletHost, SeparateBacksAreSavedAsASecondDocument) {
  std::string folder = dir.file("all");
  std::filesystem::create_directory(folder);
  Outcome r = Kvhost("--params " + Params("sep.xml", BookletParams("Single", "SeparateReverse")) + " " + source +
                     " --command SimpleBooklet --save-all " + folder);
  ASSERT_EQ(0, r.status) << r.out;
  std::string fronts = folder + "/Booklet 1 (fronts).pdf", backs = folder + "/Booklet 1 (backs).pdf";
  ASSERT_TRUE(std::filesystem::exists(fronts)) << r.out;
  ASSERT_TRUE(std::filesystem::exists(backs)) << r.out;
  ExpectClean(fronts);
  ExpectClean(backs);
  EXPECT_EQ("-,1 10,3 8,5", SidesOf(fronts, PdfInfo(fronts)));
  EXPECT_EQ("6,7 4,9 2,-", SidesOf(backs, PdfInfo(backs)));
}

TEST_F(BookletHost, InPlaceTheDocumentItselfBecomesTheBooklet) {
  SKCab* p = BookletParams("CutStacks", "Inline");
  KCabPutBool(p, "NewDoc", 0);
  std::string out = dir.file("stacks.pdf");
  Outcome r = Kvhost("--params " + Params("stacks.xml", p) + " " + source + " --command SimpleBooklet --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ExpectClean(out);
  SheetInfo info = PdfInfo(out);
  EXPECT_EQ(6, info.pages);
  EXPECT_EQ("1,7 8,2 3,9 10,4 5,- -,6", SidesOf(out, info));
}

TEST_F(BookletHost, ACustomSheetWithoutASizeFailsTheStep) {
  SKCab* p = BookletParams("Single", "Inline");
  KCabPutAtom(p, "Sizing", ASAtomFromString("Custom"));
  std::string out = dir.file("custom.pdf");
  Outcome r = Kvhost("--params " + Params("custom.xml", p) + " " + source + " --command SimpleBooklet --save " + out);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace

namespace {

TEST_F(BookletHost, TheMenuRunsTheWizardWithAnswersAndRemembersThem) {
  // One answer cabinet per page, by title.
  SKCab* answers = KCabNewInner();
  SKCab* sheet = KCabNewInner();
  KCabPutAtom(sheet, "Sizing", ASAtomFromString("LetterWide"));
  KCabPutCab(answers, "Booklet - Sheet Size", sheet);
  SKCab* binding = KCabNewInner();
  KCabPutAtom(binding, "Paginate", ASAtomFromString("Single"));
  KCabPutCab(answers, "Booklet - Binding", binding);
  std::string out = dir.file("menu.pdf");
  Outcome r = Kvhost("--answers " + Params("answers.xml", answers) + " " + source +
                     " --menu KRVL:Velmora3:Booklet --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ExpectClean(out);
  SheetInfo info = PdfInfo(out);
  EXPECT_EQ(6, info.pages);
  EXPECT_DOUBLE_EQ(792, info.width);
  EXPECT_DOUBLE_EQ(612, info.height);
  EXPECT_EQ("-,1 2,- 10,3 4,9 8,5 6,7", SidesOf(out, info));

  // The command by key now runs on the remembered answers.
  std::string again = dir.file("again.pdf");
  Outcome remembered = Kvhost(source + " --command SimpleBooklet --save " + again);
  ASSERT_EQ(0, remembered.status) << remembered.out;
  EXPECT_EQ("-,1 2,- 10,3 4,9 8,5 6,7", SidesOf(again, PdfInfo(again)));
}

}  // namespace
