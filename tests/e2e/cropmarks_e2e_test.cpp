// Crop marks that would fall off the sheet: n-up business cards on A4 and a
// booklet with a narrow margin are made as asked, and the run warns how far
// the marks run off and how much margin they need.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;


using kvtest::ParamsXML;

std::string Margins(const std::string& each) {
  return "<B N='UseMgn'>1</B><F N='LMgn'>" + each + "</F><F N='RMgn'>" + each + "</F><F N='TMgn'>" + each +
         "</F><F N='BMgn'>" + each + "</F>";
}

struct MarksCase {
  const char* name;
  const char* command;
  bool cards;  // the input: 20 business cards, else 8 A5 pages
  std::string items;
  const char* says;  // null: no warning
};

// A case prints as its name.
void PrintTo(const MarksCase& c, std::ostream* os) { *os << c.name; }

class CropMarksOffTheSheet : public ::testing::TestWithParam<MarksCase> {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  // A sample document of our own host: numbered pages of the size given.
  std::string Sample(const std::string& name, const std::string& items) {
    const std::string params = dir.file(name + ".xml"), pdf = dir.file(name + ".pdf");
    kvtest::WriteWholeFile(params, ParamsXML(items));
    Outcome r = Kvhost("--params " + params + " --command CreateSample --save " + pdf);
    EXPECT_EQ(0, r.status) << r.out;
    return pdf;
  }

  kvtest::TempDir dir;
};

// 85 x 55 mm cards, two across on A4 at full size; 5 mm margins leave the
// outer pages 5 mm from the edge, and the marks reach 10 + 20 pt beyond it.
const std::string kCards = "<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>595.276</F>"
                           "<F N='Height'>841.89</F></ITEMS></DICT><A N='PageOrientation'>Tall</A>"
                           "<B N='UseScale'>0</B><I N='FitAcross'>2</I><I N='FitDown'>5</I><B N='CropMarks'>1</B>";
const std::string kBooklet = "<A N='Paginate'>Single</A><A N='Sizing'>A4Wide</A><B N='CropMarks'>1</B>";

TEST_P(CropMarksOffTheSheet, AreWarnedAboutAndTheSheetsMadeAsAsked) {
  const MarksCase& c = GetParam();
  const std::string in = c.cards ? Sample("cards",
                                          "<I N='Count'>20</I><A N='UseSize'>Custom</A><DICT N='Page'><ITEMS>"
                                          "<A N='Type'>Blank</A><F N='Width'>240.94</F><F N='Height'>155.91</F>"
                                          "</ITEMS></DICT>")
                                 : Sample("a5", "<I N='Count'>8</I><A N='UseSize'>A5</A>");
  const std::string params = dir.file("p.xml"), out = dir.file("out.pdf");
  kvtest::WriteWholeFile(params, ParamsXML(c.items));
  Outcome r = Kvhost("--params " + params + " --command " + c.command + " --save " + out + " " + in);
  ASSERT_EQ(0, r.status) << r.out;
  if (c.says) {
    EXPECT_TRUE(r.Says(std::string("warning [")) && r.Says(c.says)) << r.out;
    EXPECT_TRUE(r.Says("beyond the edge of a page (CropDist + CropLength), and the pages need that much margin on "
                       "the sheet."))
        << r.out;
  } else {
    EXPECT_FALSE(r.Says("Crop marks")) << r.out;
  }
  EXPECT_EQ(0, Shell("qpdf --check " + out).status);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CropMarksOffTheSheet,
    ::testing::Values(
        MarksCase{"CardsWithNarrowMargins", "Nup", true, kCards + Margins("14.17"),
                  "Crop marks fall off 2 of the 2 sheets, the first of them sheet 1, by up to 15.83 pt (5.6 mm): the "
                  "marks reach 30 pt (10.6 mm)"},
        MarksCase{"CardsWithShorterMarks", "Nup", true,
                  kCards + Margins("14.17") + "<F N='CropDist'>6</F><F N='CropLength'>12</F>",
                  "by up to 3.83 pt (1.4 mm): the marks reach 18 pt (6.3 mm)"},
        MarksCase{"CardsWithRoomForTheMarks", "Nup", true, kCards + Margins("36"), nullptr},
        MarksCase{"CardsWithMarksThatFitTheMargin", "Nup", true,
                  kCards + Margins("14.17") + "<F N='CropDist'>4</F><F N='CropLength'>10</F>", nullptr},
        MarksCase{"BookletWithANarrowMargin", "SimpleBooklet", false, kBooklet + "<F N='Margin'>10</F>",
                  "Crop marks fall off 4 of the 4 sheets, the first of them sheet 1, by up to 20 pt (7.1 mm): the "
                  "marks reach 30 pt (10.6 mm)"},
        MarksCase{"BookletWithRoomForTheMarks", "SimpleBooklet", false, kBooklet + "<F N='Margin'>36</F>", nullptr}),
    [](const ::testing::TestParamInfo<MarksCase>& info) { return std::string(info.param.name); });

}  // namespace
