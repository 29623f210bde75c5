// Hostile and mistaken parameters through kvhost, for every command and on
// every road (a parameter file, a dialog's answers, the remembered
// parameters, a named action, a replayed history): a refusal exits 1 with a
// message that names the key and what it takes, writes no output and leaves
// the input as it was; an unknown key or a word with a fallback warns and the
// run goes on. The examples of docs/parameters.md run as written.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

const std::string kLetter =
    "<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>612</F><F N='Height'>792</F></ITEMS></DICT>";

using kvtest::ParamsXML;

std::string Sheet(const std::string& w, const std::string& h) {
  return "<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>" + w + "</F><F N='Height'>" + h +
         "</F></ITEMS></DICT>";
}

class ParamsHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  std::string File(const char* name, const std::string& text) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, text);
    return path;
  }
  std::string OutDir() {
    std::string out = dir.file("out");
    std::filesystem::create_directories(out);
    return out;
  }
  static size_t FilesIn(const std::string& folder) {
    size_t n = 0;
    for (auto& entry : std::filesystem::directory_iterator(folder)) n += entry.is_regular_file();
    return n;
  }
  // Edits a stored file; fails the test when the text is not there.
  void Replace(const std::string& path, const std::regex& what, const std::string& with) {
    std::string text = kvtest::ReadWholeFile(path);
    ASSERT_TRUE(std::regex_search(text, what)) << path << ":\n" << text;
    kvtest::WriteWholeFile(path, std::regex_replace(text, what, with, std::regex_constants::format_first_only));
  }

  kvtest::TempDir dir;
};

// ---- One table per command

struct ParamCase {
  const char* name;
  const char* command;
  std::string items;
  int status;         // 1 refused, 0 runs on (with a warning)
  std::string says;   // the message (refusal or warning), a part of it
};

std::vector<ParamCase> Cases() {
  const std::string nup = kLetter + "<B N='UseScale'>1</B>";
  const std::string margins = nup + "<B N='UseMgn'>1</B>";
  const std::string booklet = "<A N='Paginate'>Single</A>";
  const std::string shuffle = "<B N='NewDoc'>1</B>";
  const std::string trim = "<B N='NewDoc'>1</B>";
  return {
      // Nup
      {"NupFixedScaleNaN", "Nup", nup + "<A N='DoScaling'>Fixed</A><F N='FixedScale'>nan</F>", 1,
       "FixedScale = nan is refused: it must be a number from 0.01 to 10."},
      {"NupFixedScaleZero", "Nup", nup + "<A N='DoScaling'>Fixed</A><F N='FixedScale'>0</F>", 1,
       "FixedScale = 0 is refused: it must be a number from 0.01 to 10."},
      {"NupFixedScaleHuge", "Nup", nup + "<A N='DoScaling'>Fixed</A><F N='FixedScale'>1e30</F>", 1,
       "FixedScale = 1e+30 is refused"},
      {"NupMarginInf", "Nup", margins + "<F N='LMgn'>inf</F>", 1,
       "LMgn = inf is refused: it must be a number from 0 to 1440 pt."},
      {"NupMarginMinus1e308", "Nup", margins + "<F N='TMgn'>-1e308</F>", 1, "TMgn = -1e+308 is refused"},
      {"NupGap1e308", "Nup", margins + "<S N='HSpace'>6 1e308</S>", 1,
       "HSpace = \"6 1e308\" is refused: 1e+308 is not a number from 0 to 1440 pt."},
      {"NupGapHuge", "Nup", margins + "<S N='VSpace'>1e9</S>", 1, "VSpace = \"1e9\" is refused"},
      {"NupMarginsFillTheSheet", "Nup", margins + "<A N='PageOrientation'>Tall</A><F N='LMgn'>400</F><F N='RMgn'>400</F>",
       1, "leave no room for pages on a sheet of 612 x 792 pt"},
      {"NupFitAcrossNegative", "Nup", nup + "<I N='FitAcross'>-1</I>", 1,
       "FitAcross = -1 is refused: it must be a whole number from 0 to 100 columns."},
      {"NupFitAcrossHuge", "Nup", nup + "<I N='FitAcross'>2147483647</I>", 1, "FitAcross = 2147483647 is refused"},
      {"NupFitDown100000", "Nup", nup + "<I N='FitDown'>100000</I>", 1, "FitDown = 100000 is refused"},
      {"NupGridZero", "Nup", nup + "<A N='DoScaling'>ToFit</A><I N='FitAcross'>0</I><I N='FitDown'>0</I>", 1,
       "FitAcross and FitDown are both 0"},
      {"NupGridTooFine", "Nup",
       margins + "<A N='DoScaling'>ToFit</A><I N='FitAcross'>100</I><I N='FitDown'>100</I><S N='HSpace'>5</S>", 1,
       "give fewer columns or rows"},
      {"NupSheetWidthZero", "Nup", Sheet("0", "792"), 1, "Page:Width = 0 is refused: it must be a number from 1 to 14400 pt."},
      {"NupSheetWidthNaN", "Nup", Sheet("nan", "792"), 1, "Page:Width = nan is refused"},
      {"NupSheetWidthTiny", "Nup", Sheet("1e-300", "792"), 1, "Page:Width = 1e-300 is refused"},
      {"NupNoSheet", "Nup", "<B N='UseScale'>1</B>", 1,
       "No sheet size is set: set Page (Width and Height in points), see docs/parameters.md."},
      {"NupFitDownWrongType", "Nup", nup + "<S N='FitDown'>2</S>", 1,
       "FitDown: a whole number (written <I>) is needed, not text."},
      {"NupFitAcrossUnreadable", "Nup", nup + "\n<I N='FitAcross'>two</I>", 1,
       "could not be read: line 4, FitAcross holds \"two\", which is not a whole number."},
      {"NupUnknownWord", "Nup", nup + "<A N='SheetAlign'>Middle</A>", 0,
       "SheetAlign = Middle is not a word it takes (BL, BC, BR, TL, TC, TR, L, R, C): TL is used instead."},
      {"NupUnknownKey", "Nup", nup + "<I N='FitAcros'>3</I>", 0,
       "FitAcros is not a parameter of Nup: it is ignored (see docs/parameters.md)."},
      // SimpleBooklet
      {"BookletMarginNaN", "SimpleBooklet", booklet + "<F N='Margin'>nan</F>", 1,
       "Margin = nan is refused: it must be a number from 0 to 1440 pt."},
      {"BookletMarginInf", "SimpleBooklet", booklet + "<F N='Margin'>inf</F>", 1, "Margin = inf is refused"},
      {"BookletMargin1e9", "SimpleBooklet", booklet + "<F N='Margin'>1e9</F>", 1, "Margin = 1000000000 is refused"},
      {"BookletMarginMinus1e308", "SimpleBooklet", booklet + "<F N='Margin'>-1e308</F>", 1,
       "Margin = -1e+308 is refused"},
      {"BookletMarginNegative", "SimpleBooklet", booklet + "<F N='Margin'>-5</F>", 1, "Margin = -5 is refused"},
      {"BookletCustomSheetWidthZero", "SimpleBooklet", booklet + "<A N='Sizing'>Custom</A>" + Sheet("0", "612"), 1,
       "Page:Width = 0 is refused"},
      {"BookletPagesPerSigNegative", "SimpleBooklet", "<A N='Paginate'>Multiple</A><I N='PagesPerSig'>-4</I>", 1,
       "PagesPerSig = -4 is refused: it must be a whole number from 0 to 100000 pages."},
      {"BookletMarginWrongType", "SimpleBooklet", booklet + "<S N='Margin'>wide</S>", 1,
       "Margin: a number (written <F>) is needed, not text."},
      {"BookletUnknownWord", "SimpleBooklet", "<A N='Paginate'>Folded</A>", 0,
       "Paginate = Folded is not a word it takes (Consec, Single, Multiple, CutStacks): Consec is used instead."},
      // Shuffle
      {"ShuffleOrderZeros", "Shuffle", shuffle + "<S N='Order'>0 0 0</S><I N='GroupSize'>3</I>", 1,
       "Order names page 0, which is refused: with GroupSize 3 the pages of a group are 1 to 3."},
      {"ShuffleOrderOutsideTheGroup", "Shuffle", shuffle + "<S N='Order'>1 5</S><I N='GroupSize'>4</I>", 1,
       "Order names page 5, which is refused"},
      {"ShuffleOrderHugeSlot", "Shuffle", shuffle + "<S N='Order'>4294967297</S><I N='GroupSize'>4</I>", 1,
       "Order names page 2147483647, which is refused"},
      {"ShuffleOrderOnlyBlanks", "Shuffle", shuffle + "<S N='Order'>x x</S><I N='GroupSize'>2</I>", 1,
       "Order is refused: it names no page of the group (1 to 2), only blanks."},
      {"ShuffleOrderEmpty", "Shuffle", shuffle + "<S N='Order'> </S>", 1, "Order is empty: set Order"},
      {"ShuffleGroupSizeZero", "Shuffle", shuffle + "<S N='Order'>1</S><I N='GroupSize'>0</I>", 1,
       "GroupSize = 0 is refused: it must be a whole number from 1 to 999 pages."},
      {"ShuffleGroupSizeNegative", "Shuffle", shuffle + "<S N='Order'>1</S><I N='GroupSize'>-2</I>", 1,
       "GroupSize = -2 is refused"},
      {"ShuffleGroupSize1000", "Shuffle", shuffle + "<S N='Order'>1</S><I N='GroupSize'>1000</I>", 1,
       "GroupSize = 1000 is refused"},
      {"ShuffleGroupSizeNaN", "Shuffle", shuffle + "<S N='Order'>1</S><F N='GroupSize'>nan</F>", 1,
       "GroupSize: a whole number (written <I>) is needed, not a number."},
      {"ShuffleUnknownWord", "Shuffle", shuffle + "<S N='Order'>2 1</S><I N='GroupSize'>2</I><A N='Type'>Zigzag</A>",
       0, "Type = Zigzag is not a word it takes"},
      {"ShuffleDuplicateSlotStaysAllowed", "Shuffle", shuffle + "<S N='Order'>1 1 2</S><I N='GroupSize'>2</I>", 0, ""},
      {"ShuffleDroppedSlotStaysAllowed", "Shuffle", shuffle + "<S N='Order'>2</S><I N='GroupSize'>2</I>", 0, ""},
      // EvenOddShuffle
      {"EvenOddNewDocWrongType", "EvenOddShuffle", "<A N='Action'>OddsFirst</A><I N='NewDoc'>1</I>", 1,
       "NewDoc: true or false (written <B>) is needed, not a whole number."},
      {"EvenOddReverseEvenNaN", "EvenOddShuffle", "<A N='Action'>OddsFirst</A><F N='ReverseEven'>nan</F>", 1,
       "ReverseEven: true or false (written <B>) is needed, not a number."},
      {"EvenOddUnknownWord", "EvenOddShuffle", "<A N='Action'>Alternate</A><B N='NewDoc'>1</B>", 0,
       "Action = Alternate is not a word it takes (No, OddsFirst, Split, Merge): No is used instead."},
      // TrimAndShift
      {"TrimShiftFromNaN", "TrimAndShift", trim + "<A N='Shift'>Fixed</A><F N='ShiftFrom'>nan</F>", 1,
       "ShiftFrom = nan is refused: it must be a number from -14400 to 14400 pt."},
      {"TrimShiftToInf", "TrimAndShift", trim + "<A N='Shift'>Variable</A><F N='ShiftTo'>inf</F>", 1,
       "ShiftTo = inf is refused"},
      {"TrimShiftFromMinus1e308", "TrimAndShift", trim + "<A N='Shift'>Fixed</A><F N='ShiftFrom'>-1e308</F>", 1,
       "ShiftFrom = -1e+308 is refused"},
      {"TrimBy1e308", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><F N='TrimBy'>1e308</F>", 1,
       "TrimBy = 1e+308 is refused: it must be a number from 0 to 14400 pt."},
      {"TrimByNegative", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><F N='TrimBy'>-1</F>", 1,
       "TrimBy = -1 is refused"},
      {"TrimCreepEveryHuge", "TrimAndShift", trim + "<A N='Shift'>Creep</A><I N='CreepEvery'>2147483647</I>", 1,
       "CreepEvery = 2147483647 is refused: it must be a whole number from -100000 to 100000 pages."},
      {"TrimFixedSizeWidthZero", "TrimAndShift",
       trim + "<A N='Trim'>Uniform</A><DICT N='FixedSize'><ITEMS><A N='Type'>Blank</A><F N='Width'>0</F>"
              "<F N='Height'>500</F></ITEMS></DICT>",
       1, "FixedSize:Width = 0 is refused"},
      // In range, yet as large as the page: nothing of it would stay in view.
      {"TrimByTheWholeWidth", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><A N='TrimEdge'>Left</A><F N='TrimBy'>612</F>",
       1, "Page 1 shows 612 x 792 pt: TrimBy, ShiftFrom or ShiftTo is as large as that"},
      {"TrimByMoreThanTheHeight", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><A N='TrimEdge'>Top</A><F N='TrimBy'>5000</F>",
       1, "nothing of the page would stay in view"},
      {"ShiftFromPastThePage", "TrimAndShift",
       trim + "<A N='Shift'>Fixed</A><A N='ShiftDir'>Right</A><F N='ShiftFrom'>14400</F>", 1,
       "nothing of the page would stay in view"},
      {"ShiftToPastThePage", "TrimAndShift",
       trim + "<A N='Shift'>Variable</A><A N='ShiftDir'>Up</A><F N='ShiftFrom'>0</F><F N='ShiftTo'>-800</F>", 1,
       "Page 4 shows 612 x 792 pt"},
      {"TrimBiggerByTheLargestAmountStaysAllowed", "TrimAndShift",
       trim + "<A N='Trim'>Bigger</A><A N='TrimEdge'>Left</A><F N='TrimBy'>14400</F>", 0, ""},
      {"ShiftByAlmostThePageStaysAllowed", "TrimAndShift",
       trim + "<A N='Shift'>Fixed</A><A N='ShiftDir'>Left</A><F N='ShiftFrom'>611</F>", 0, ""},
      {"TrimByWrongType", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><S N='TrimBy'>36</S>", 1,
       "TrimBy: a number (written <F>) is needed, not text."},
      {"TrimUnknownWord", "TrimAndShift", trim + "<A N='Trim'>Smaller</A><F N='TrimBy'>10</F><A N='TrimEdge'>Middle</A>",
       0, "TrimEdge = Middle is not a word it takes (Top, Bottom, Left, Right): Top is used instead."},
      // InsertBlanks
      {"InsertCountZero", "InsertBlanks", "<I N='Count'>0</I><A N='Where'>AtEnd</A>", 1,
       "Count = 0 is refused: it must be a whole number from 1 to 100000 pages."},
      {"InsertCountNegative", "InsertBlanks", "<I N='Count'>-1</I><A N='Where'>AtEnd</A>", 1,
       "Count = -1 is refused"},
      {"InsertCountHuge", "InsertBlanks", "<I N='Count'>2147483647</I><A N='Where'>AtEnd</A>", 1,
       "Count = 2147483647 is refused"},
      {"InsertPageNumZero", "InsertBlanks", "<A N='Where'>AfterNum</A><I N='PageNum'>0</I>", 1,
       "PageNum = 0 is refused: it must be a page number or page text from 1 to 999999."},
      {"InsertCustomWidthNaN", "InsertBlanks", "<A N='Where'>AtEnd</A><A N='WhatSize'>Custom</A>" + Sheet("nan", "792"),
       1, "Page:Width = nan is refused"},
      {"InsertCustomHeightMinus1e308", "InsertBlanks",
       "<A N='Where'>AtEnd</A><A N='WhatSize'>Custom</A>" + Sheet("612", "-1e308"), 1, "Page:Height = -1e+308 is refused"},
      {"InsertCountWrongType", "InsertBlanks", "<F N='Count'>2</F><A N='Where'>AtEnd</A>", 1,
       "Count: a whole number (written <I>) is needed, not a number."},
      {"InsertWhereUnknown", "InsertBlanks", "<A N='Where'>Bogus</A>", 1,
       "Where = Bogus is refused: the words it takes are BeforeCur, AfterCur, AtStart, AtEnd, NewDoc, AfterNum."},
      {"InsertWhatSizeUnknown", "InsertBlanks", "<A N='Where'>AtEnd</A><A N='WhatSize'>Huge</A>", 1,
       "WhatSize = Huge is refused: the words it takes are SameAsCur, Custom, SameAsPage."},
      // CreateSample
      {"SampleCountZero", "CreateSample", "<I N='Count'>0</I>", 1,
       "Count = 0 is refused: it must be a whole number from 1 to 100000 pages."},
      {"SampleCountNegative", "CreateSample", "<I N='Count'>-5</I>", 1, "Count = -5 is refused"},
      {"SampleCountHuge", "CreateSample", "<I N='Count'>2147483647</I>", 1, "Count = 2147483647 is refused"},
      {"SampleCustomWidthTiny", "CreateSample", "<A N='UseSize'>Custom</A>" + Sheet("1e-300", "792"), 1,
       "Page:Width = 1e-300 is refused: it must be a number from 1 to 14400 pt."},
      {"SampleCustomHeightInf", "CreateSample", "<A N='UseSize'>Custom</A>" + Sheet("612", "inf"), 1,
       "Page:Height = inf is refused"},
      {"SampleCountWrongType", "CreateSample", "<S N='Count'>many</S>", 1,
       "Count: a whole number (written <I>) is needed, not text."},
      {"SampleUnknownWord", "CreateSample", "<I N='Count'>2</I><A N='UseSize'>Tabloid</A>", 0,
       "UseSize = Tabloid is not a word it takes (Letter, HalfLetter, A4, A5, Custom, WideLetter, WideA4): Letter is "
       "used instead."},
      // Join2Pages and ReversePageOrder
      // ("Interactive" is the caller's word: the command layer puts it over the file's.)
      {"JoinNewDocWrongType", "Join2Pages", "<S N='NewDoc'>yes</S>", 1,
       "NewDoc: true or false (written <B>) is needed, not text."},
      {"JoinUnknownKey", "Join2Pages", "<I N='Pages'>2</I>", 0,
       "Pages is not a parameter of Join2Pages: it is ignored (see docs/parameters.md)."},
      {"ReverseNewDocWrongType", "ReversePageOrder", "<S N='NewDoc'>yes</S>", 1,
       "NewDoc: true or false (written <B>) is needed, not text."},
      {"ReverseUnknownKey", "ReversePageOrder", "<B N='NewDocument'>1</B>", 0,
       "NewDocument is not a parameter of ReversePageOrder"},
      // Keys the chosen mode does not read
      {"EvenOddReverseEvenWithSplit", "EvenOddShuffle", "<A N='Action'>Split</A><B N='ReverseEven'>1</B>", 0,
       "ReverseEven is not read with Action = Split: it is ignored."},
      {"EvenOddFlipEvenWithSplit", "EvenOddShuffle", "<A N='Action'>Split</A><B N='FlipEven'>0</B>", 0,
       "FlipEven is not read with Action = Split: it is ignored."},
      {"TrimShiftDirWithCreep", "TrimAndShift",
       trim + "<A N='Shift'>Creep</A><A N='ShiftDir'>Left</A><F N='ShiftTo'>3</F><I N='CreepEvery'>4</I>", 0,
       "ShiftDir is not read with Shift = Creep: it is ignored."},
      {"TrimShiftToWithFixed", "TrimAndShift", trim + "<A N='Shift'>Fixed</A><F N='ShiftFrom'>3</F><F N='ShiftTo'>9</F>",
       0, "ShiftTo is not read with Shift = Fixed: it is ignored."},
      {"TrimCreepEveryWithVariable", "TrimAndShift",
       trim + "<A N='Shift'>Variable</A><F N='ShiftTo'>9</F><I N='CreepEvery'>8</I>", 0,
       "CreepEvery is not read with Shift = Variable: it is ignored."},
      {"TrimByWithUniform", "TrimAndShift",
       trim + "<A N='Trim'>Uniform</A><DICT N='FixedSize'><ITEMS><A N='Type'>Blank</A><F N='Width'>500</F>"
              "<F N='Height'>700</F></ITEMS></DICT><F N='TrimBy'>10</F>",
       0, "TrimBy is not read with Trim = Uniform: it is ignored."},
      {"NupFixedScaleWithToFit", "Nup", nup + "<A N='DoScaling'>ToFit</A><F N='FixedScale'>0.5</F>", 0,
       "FixedScale is not read with DoScaling = ToFit: it is ignored."},
      {"NupGridWithFixedScaling", "Nup", nup + "<A N='DoScaling'>Fixed</A><F N='FixedScale'>0.5</F><I N='FitAcross'>3</I>",
       0, "FitAcross is not read with UseScale = 1 and DoScaling = Fixed: it is ignored."},
      {"NupMarginWithoutUseMgn", "Nup", nup + "<B N='UseMgn'>0</B><F N='LMgn'>36</F>", 0,
       "LMgn is not read with UseMgn = 0: it is ignored."},
      {"BookletPagesPerSigWithSingle", "SimpleBooklet", booklet + "<I N='PagesPerSig'>8</I>", 0,
       "PagesPerSig is not read with Paginate = Single: it is ignored."},
      {"BookletCustomSheetWithA4Wide", "SimpleBooklet", booklet + "<A N='Sizing'>A4Wide</A>" + kLetter, 0,
       "Page is not read with Sizing = A4Wide: it is ignored."},
      {"InsertPageNumWithAtEnd", "InsertBlanks", "<A N='Where'>AtEnd</A><I N='PageNum'>2</I>", 0,
       "PageNum is not read with Where = AtEnd: it is ignored."},
      {"InsertPathWithBlanks", "InsertBlanks", "<A N='Where'>AtEnd</A><S N='Path'>other.pdf</S>", 0,
       "Path is not read with Action = Blanks: it is ignored."},
      {"SampleCustomPageWithA5", "CreateSample", "<A N='UseSize'>A5</A>" + kLetter, 0,
       "Page is not read with UseSize = A5: it is ignored."},
  };
}

// A case prints as its name (ctest lists it so).
void PrintTo(const ParamCase& c, std::ostream* os) { *os << c.name; }

class CommandParams : public ParamsHost, public ::testing::WithParamInterface<ParamCase> {};

TEST_P(CommandParams, RefusedWithTheKeyOrWarnedAbout) {
  const ParamCase& c = GetParam();
  const std::string in = Doc("in.pdf", 4);
  const std::string before = kvtest::ReadWholeFile(in);
  const std::string out = OutDir();
  const std::string saved = dir.file("saved.pdf");
  Outcome r = Kvhost("--params " + File("p.xml", ParamsXML(c.items)) + " --command " + c.command + " --save-all " +
                     out + " --save " + saved + " " + in);
  EXPECT_EQ(c.status, r.status) << r.out;
  EXPECT_TRUE(r.Says(c.says)) << r.out;
  EXPECT_EQ(before, kvtest::ReadWholeFile(in)) << "the input changed";
  if (c.status != 0) {
    EXPECT_EQ(0u, FilesIn(out)) << r.out;
    EXPECT_FALSE(std::filesystem::exists(saved));
    // Refused before the command did anything: no history item either.
    EXPECT_FALSE(r.Says("kvhost: cannot")) << r.out;
  } else {
    EXPECT_FALSE(r.Says("refused")) << r.out;
  }
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandParams, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<ParamCase>& info) { return std::string(info.param.name); });

// ---- The other roads

// The dialog road: the n-up wizard's answers hold a scale of 0; the wizard
// refuses it with the words a run would use, and nothing runs.
TEST_F(ParamsHost, TheDialogRoadIsChecked) {
  const std::string in = Doc("in.pdf", 3);
  const std::string before = kvtest::ReadWholeFile(in);
  const std::string answers = File("answers.xml",
                                   ParamsXML("<DICT N='N-up pages - where and how'><ITEMS><B N='UseScale'>1</B>"
                                             "</ITEMS></DICT>\n<DICT N='N-up pages - sheet and layout'><ITEMS>" +
                                             kLetter + "<A N='DoScaling'>Fixed</A><F N='FixedScale'>0</F>"
                                                       "</ITEMS></DICT>"));
  const std::string out = OutDir();
  Outcome r = Kvhost("--answers " + answers + " --menu KRVL:Velmora3:nUpPages --save-all " + out + " " + in);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("FixedScale = 0 is refused: it must be a number from 0.01 to 10.")) << r.out;
  EXPECT_TRUE(r.Says("did not accept its answers")) << r.out;
  EXPECT_EQ(0u, FilesIn(out));
  EXPECT_EQ(before, kvtest::ReadWholeFile(in));
}

// The wizard's grid fields are bounded by the same table: an answer of 101
// columns is held to the table's 100.
TEST_F(ParamsHost, TheDialogsBoundsAreTheCommandsRanges) {
  const std::string in = Doc("in.pdf", 3);
  const std::string answers = File("answers.xml",
                                   ParamsXML("<DICT N='N-up pages - where and how'><ITEMS><B N='UseScale'>1</B>"
                                             "</ITEMS></DICT>\n<DICT N='N-up pages - sheet and layout'><ITEMS>" +
                                             kLetter + "<A N='DoScaling'>ToFit</A><I N='FitAcross'>101</I>"
                                                       "<I N='FitDown'>1</I></ITEMS></DICT>"));
  const std::string out = OutDir();
  Outcome r = Kvhost("--answers " + answers + " --menu KRVL:Velmora3:nUpPages --save-all " + out + " " + in);
  EXPECT_EQ(0, r.status) << r.out;
  const std::string remembered = kvtest::ReadWholeFile(dir.file("Korvel/kv3.xml"));
  EXPECT_NE(std::string::npos, remembered.find("<I N='FitAcross'>100</I>")) << remembered;
}

// The remembered road: parameters stored from an earlier run are checked as
// any others.
TEST_F(ParamsHost, TheRememberedRoadIsChecked) {
  const std::string in = Doc("in.pdf", 4);
  Outcome first = Kvhost("--command Shuffle " + in);
  EXPECT_EQ(1, first.status) << first.out;
  EXPECT_TRUE(first.Says("Order is empty: set Order, a page-order rule such as \"2 1\", see docs/parameters.md."))
      << first.out;
  Replace(dir.file("Korvel/kv3.xml"), std::regex("<S N='Order'></S>"), "<S N='Order'>0 0 0</S>");
  const std::string before = kvtest::ReadWholeFile(in);
  const std::string out = OutDir();
  Outcome again = Kvhost("--command Shuffle --save-all " + out + " " + in);
  EXPECT_EQ(1, again.status) << again.out;
  EXPECT_TRUE(again.Says("Order names page 0, which is refused: with GroupSize 16 the pages of a group are 1 to 16."))
      << again.out;
  EXPECT_EQ(0u, FilesIn(out));
  EXPECT_EQ(before, kvtest::ReadWholeFile(in));
}

// The named-action road: an action whose stored parameters were damaged.
TEST_F(ParamsHost, TheNamedActionRoadIsChecked) {
  const std::string in = Doc("in.pdf", 3);
  const std::string answers = File("record.xml", ParamsXML("<S N='Remember an Action:Name'>swap</S>"));
  const std::string params = File("p.xml", ParamsXML("<S N='Order'>2 1</S><I N='GroupSize'>2</I>"));
  Outcome record =
      Kvhost("--answers " + answers + " --params " + params + " --command Shuffle --menu KRVL:Velmora3:Remember " + in);
  ASSERT_EQ(0, record.status) << record.out;
  // Played without its dialog, as a recorded batch step is.
  Replace(dir.file("Korvel/kvplusmemory3.xml"), std::regex("<I N='GroupSize'>16</I>"), "<I N='GroupSize'>0</I>");
  Replace(dir.file("Korvel/kvplusmemory3.xml"), std::regex("<A N='UIMode'>Full</A>"), "<A N='UIMode'>None</A>");
  const std::string before = kvtest::ReadWholeFile(in);
  const std::string saved = dir.file("saved.pdf");
  Outcome play = Kvhost("--play swap --save " + saved + " " + in);
  EXPECT_EQ(1, play.status) << play.out;
  EXPECT_TRUE(play.Says("GroupSize = 0 is refused: it must be a whole number from 1 to 999 pages.")) << play.out;
  EXPECT_FALSE(std::filesystem::exists(saved));
  EXPECT_EQ(before, kvtest::ReadWholeFile(in));
}

// The replay road: a command history inside a PDF whose rule was damaged.
TEST_F(ParamsHost, TheReplayedHistoryRoadIsChecked) {
  const std::string shuffled = dir.file("shuffled.pdf");
  Outcome made = Kvhost("--params " +
                        File("p.xml", ParamsXML("<B N='NewDoc'>0</B><S N='Order'>2 1</S><I N='GroupSize'>2</I>")) +
                        " --command Shuffle --save " + shuffled + " " + Doc("first.pdf", 2));
  ASSERT_EQ(0, made.status) << made.out;
  // The history's stream uncompressed, the rule changed in place (same length).
  const std::string plain = dir.file("plain.pdf");
  ASSERT_EQ(0, Shell("qpdf --qdf --object-streams=disable " + shuffled + " " + plain).status);
  Replace(plain, std::regex("<S N='Order'>2 1</S>"), "<S N='Order'>0 0</S>");
  const std::string in = Doc("in.pdf", 4);
  const std::string before = kvtest::ReadWholeFile(in);
  const std::string saved = dir.file("saved.pdf");
  Outcome replay = Kvhost("--replay " + plain + " --save " + saved + " " + in);
  EXPECT_EQ(1, replay.status) << replay.out;
  EXPECT_TRUE(replay.Says("Order names page 0, which is refused: with GroupSize 2 the pages of a group are 1 to 2."))
      << replay.out;
  EXPECT_FALSE(std::filesystem::exists(saved));
  EXPECT_EQ(before, kvtest::ReadWholeFile(in));
}

// A key the mode does not read is warned about only when the user wrote it:
// not for the defaults, and not on a replay of a run that had it.
TEST_F(ParamsHost, OnlyKeysTheUserGaveAreWarnedAboutAsNotRead) {
  const std::string in = Doc("in.pdf", 4);
  Outcome split = Kvhost("--params " + File("split.xml", ParamsXML("<A N='Action'>Split</A>")) +
                         " --command EvenOddShuffle --save-all " + OutDir() + " " + in);
  EXPECT_EQ(0, split.status) << split.out;
  EXPECT_FALSE(split.Says("is not read")) << split.out;
  EXPECT_EQ(2u, FilesIn(dir.file("out")));

  const std::string crept = dir.file("crept.pdf");
  Outcome creep = Kvhost("--params " +
                         File("creep.xml", ParamsXML("<B N='NewDoc'>0</B><A N='Shift'>Creep</A><A N='ShiftDir'>Left</A>"
                                                     "<F N='ShiftTo'>3</F><I N='CreepEvery'>4</I>")) +
                         " --command TrimAndShift --save " + crept + " " + in);
  EXPECT_EQ(0, creep.status) << creep.out;
  EXPECT_TRUE(creep.Says("ShiftDir is not read with Shift = Creep: it is ignored.")) << creep.out;
  Outcome replay = Kvhost("--replay " + crept + " --save " + dir.file("again.pdf") + " " + Doc("other.pdf", 4));
  EXPECT_EQ(0, replay.status) << replay.out;
  EXPECT_FALSE(replay.Says("is not read")) << replay.out;
  Outcome history = Kvhost("--history " + crept);
  EXPECT_TRUE(history.Says("<A N='ShiftDir'>Left</A>")) << history.out;
  EXPECT_FALSE(history.Says("Given")) << "what the user gave is not stored:\n" << history.out;
}

// ---- The reference's examples

struct Example {
  std::string command;
  std::string xml;
  std::string line;
};

std::vector<Example> ReferenceExamples() {
  const std::string text = kvtest::ReadWholeFile(std::string(KV_TEST_SOURCE_DIR) + "/docs/parameters.md");
  std::vector<Example> out;
  static const std::regex section("## (\\w+)\\n[\\s\\S]*?```xml\\n([\\s\\S]*?)```\\n\\n```sh\\n([^\\n]*)\\n```");
  for (std::sregex_iterator m(text.begin(), text.end(), section), end; m != end; ++m)
    out.push_back({(*m)[1].str(), (*m)[2].str(), (*m)[3].str()});
  return out;
}

// The command-line road: --set values go through the same checks as a
// file's, with the same words. A value out of range, of the wrong kind or a
// word a key refuses stops kvhost before it runs anything (status 2); a rule
// that joins keys refuses the run (status 1); an unknown key or a word with
// a fallback warns and the run goes on.
TEST_F(ParamsHost, TheCommandLineRoadIsChecked) {
  struct Case {
    const char* command;
    std::string sets;  // the --set options
    std::string file;  // the same in a file, when a file can say it
    int status;
    std::string says;
  };
  const std::string nup = "--set Page=612x792 --set UseScale=1 ";
  const Case cases[] = {
      {"Nup", nup + "--set FitAcross=-1", kLetter + "<B N='UseScale'>1</B><I N='FitAcross'>-1</I>", 2,
       "FitAcross = -1 is refused: it must be a whole number from 0 to 100 columns."},
      {"Nup", nup + "--set LMgn=inf --set UseMgn=1", kLetter + "<B N='UseScale'>1</B><F N='LMgn'>inf</F>", 2,
       "LMgn = inf is refused: it must be a number from 0 to 1440 pt."},
      {"Nup", "--set Page=0x792", Sheet("0", "792"), 2,
       "Page:Width = 0 is refused: it must be a number from 1 to 14400 pt."},
      {"InsertBlanks", "--set Where=Bogus", "<A N='Where'>Bogus</A>", 2,
       "Where = Bogus is refused: the words it takes are BeforeCur, AfterCur, AtStart, AtEnd, NewDoc, AfterNum."},
      {"Nup", nup + "--set DoScaling=ToFit --set FitAcross=0 --set FitDown=0",
       kLetter + "<B N='UseScale'>1</B><A N='DoScaling'>ToFit</A><I N='FitAcross'>0</I><I N='FitDown'>0</I>", 1,
       "FitAcross and FitDown are both 0"},
      {"Nup", nup + "--set SheetAlign=Middle", kLetter + "<B N='UseScale'>1</B><A N='SheetAlign'>Middle</A>", 0,
       "SheetAlign = Middle is not a word it takes (BL, BC, BR, TL, TC, TR, L, R, C): TL is used instead."},
      {"Nup", nup + "--set FitAcros=3", kLetter + "<B N='UseScale'>1</B><I N='FitAcros'>3</I>", 0,
       "FitAcros is not a parameter of Nup: it is ignored (see docs/parameters.md)."},
      // What only a command line can get wrong.
      {"Nup", nup + "--set FitDown=two", "", 2, "kvhost: --set FitDown=two: FitDown takes a whole number from 0 to 100 rows, not \"two\"."},
      {"TrimAndShift", "--set Trim=Smaller --set TrimBy=5px", "", 2,
       "kvhost: --set TrimBy=5px: TrimBy takes a length from 0 to 14400 pt, with a unit mm, cm, in or pt (without one, "
       "points), not \"5px\"."},
      {"Nup", "--set Page=A11", "", 2, "kvhost: --set Page=A11: Page takes a page size: a name ("},
      {"EvenOddShuffle", "--set NewDoc=maybe", "", 2,
       "kvhost: --set NewDoc=maybe: NewDoc takes true or false (1 or 0, yes or no), not \"maybe\"."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sets);
    const std::string in = Doc("in.pdf", 4);
    const std::string before = kvtest::ReadWholeFile(in);
    const std::string out = OutDir();
    Outcome r = Kvhost(c.sets + " --command " + c.command + " --save-all " + out + " " + in);
    EXPECT_EQ(c.status, r.status) << r.out;
    EXPECT_TRUE(r.Says(c.says)) << r.out;
    EXPECT_EQ(before, kvtest::ReadWholeFile(in));
    if (c.status != 0) {
      EXPECT_EQ(0u, FilesIn(out)) << r.out;
    }
    if (c.status == 2) {
      EXPECT_EQ(0u, r.out.rfind("kvhost: --set ", 0)) << "said before anything ran: " << r.out;
    }
    std::filesystem::remove_all(out);
    if (c.file.empty()) continue;
    Outcome file = Kvhost("--params " + File("p.xml", ParamsXML(c.file)) + " --command " + c.command + " " + in);
    EXPECT_EQ(c.status == 0 ? 0 : 1, file.status) << file.out;
    EXPECT_TRUE(file.Says(c.says)) << "the same words as a file's: " << file.out;
  }
}

// What --set gives is what the history records, as a file's values would
// be: each over the file's, with its kind, a length in points, a part of a
// page size beside the file's other part.
TEST_F(ParamsHost, TheCommandLineRoadIsRecordedAsAFileWouldBe) {
  const std::string in = Doc("in.pdf", 4);
  const std::string saved = dir.file("saved.pdf");
  const std::string p = File("p.xml", ParamsXML(kLetter + "<B N='UseScale'>1</B><I N='FitAcross'>2</I><I N='FitDown'>2</I>"));
  Outcome r = Kvhost("--params " + p + " --set FitAcross=1 --set=UseMgn=yes --set LMgn=1in --set HSpace='5mm 10mm' "
                     "--set Page:Height=11in --set Page:Width=8in --set FitAcross=3 --command Nup --save " + saved + " " + in);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
  Outcome history = Kvhost("--history " + saved);
  ASSERT_EQ(0, history.status) << history.out;
  for (const char* recorded : {"<I N='FitAcross'>3</I>", "<I N='FitDown'>2</I>", "<B N='UseMgn'>1</B>",
                               "<F N='LMgn'>72.0000</F>", "<S N='HSpace'>14.1732 28.3465 </S>",
                               "<F N='Height'>792.0000</F>", "<F N='Width'>576.0000</F>", "<A N='Type'>Blank</A>"})
    EXPECT_TRUE(history.Says(recorded)) << recorded << "\n" << history.out;
  // Given parameters, as a file's: nothing of them is remembered.
  EXPECT_EQ(std::string::npos, kvtest::ReadWholeFile(dir.file("Korvel/kv3.xml")).find("LMgn"));
}

// Each command's parameter file in docs/parameters.md runs with the command
// line given beside it, and makes a clean PDF.
TEST_F(ParamsHost, TheReferencesExamplesRunAsWritten) {
  const std::vector<Example> examples = ReferenceExamples();
  EXPECT_EQ(9u, examples.size());
  for (const Example& e : examples) {
    SCOPED_TRACE(e.command);
    std::filesystem::remove_all(dir.file("out"));
    std::filesystem::remove(dir.file("out.pdf"));
    File((e.command + ".xml").c_str(), e.xml);
    Doc("in.pdf", 4);
    ASSERT_EQ(0u, e.line.rfind("kvhost ", 0)) << e.line;
    std::string args = e.line.substr(7);
    if (args.find("--save-all out") != std::string::npos) OutDir();
    Outcome r = Shell("cd " + dir.path() + " && " + KV_TEST_BUILD_DIR + "/kvhost --quiet --static-id --prefs " +
                      dir.path() + " " + args);
    ASSERT_EQ(0, r.status) << e.line << "\n" << r.out;
    EXPECT_FALSE(r.Says("warning")) << r.out;
    std::vector<std::string> made;
    if (std::filesystem::exists(dir.file("out")))
      for (auto& entry : std::filesystem::directory_iterator(dir.file("out"))) made.push_back(entry.path());
    if (std::filesystem::exists(dir.file("out.pdf"))) made.push_back(dir.file("out.pdf"));
    ASSERT_FALSE(made.empty()) << e.line;
    for (const std::string& pdf : made) EXPECT_EQ(0, Shell("qpdf --check '" + pdf + "'").status) << pdf;
  }
}

}  // namespace
