// An operator's everyday jobs through kvhost, given as a user gives them
// (one line of --set, from a folder of their own): a job that cannot be done
// as asked says so and exits 1 with nothing saved; one that is done as asked
// says nothing it need not say.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

class Jobs : public ::testing::Test {
 protected:
  // kvhost run in the test's folder; the outcome holds standard error only.
  Outcome Kvhost(const std::string& args) {
    return Shell("{ cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost --quiet --prefs prefs " + args +
                 " >/dev/null; }");
  }
  // A document of numbered pages of one size, made as a user makes one.
  std::string Sample(const std::string& name, int pages, const std::string& size = "A4") {
    Outcome r = Kvhost("--set Count=" + std::to_string(pages) + " --set UseSize=" + size +
                       " --command CreateSample --save " + name);
    EXPECT_EQ(0, r.status) << r.out;
    return name;
  }
  // The run is refused: status 1 (2: as a mistake typed on the command
  // line, before anything runs), the text on standard error, nothing saved.
  void Refused(const std::string& args, const std::string& says, int status = 1) {
    const std::string out = dir.file("out.pdf");
    std::filesystem::remove(out);
    Outcome r = Kvhost(args + " --save out.pdf");
    EXPECT_EQ(status, r.status) << args << "\n" << r.out;
    EXPECT_TRUE(r.Says(says)) << args << "\nwanted: " << says << "\nstandard error:\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << args;
  }
  std::string Info(const std::string& pdf, const std::string& options = "") {
    return Shell("pdfinfo " + options + " " + dir.file(pdf)).out;
  }

  // The first line of each page's text (a sample page's number), blank-separated.
  std::string PageNumbers(const std::string& pdf) {
    const std::string text = Shell("pdftotext " + dir.file(pdf) + " -").out;
    std::string numbers;
    size_t page = 0;
    while (page < text.size()) {
      size_t end = text.find('\f', page);
      if (end == std::string::npos) end = text.size();
      const std::string first = text.substr(page, text.find('\n', page) - page);
      if (end > page) numbers += (numbers.empty() ? "" : " ") + first;
      page = end + 1;
    }
    return numbers;
  }

  kvtest::TempDir dir;
};

// A page range that ends before it starts holds no page: the run would do
// nothing, and is refused rather than recorded as done.
TEST_F(Jobs, ARangeThatEndsBeforeItStartsIsRefused) {
  const std::string in = Sample("in.pdf", 12);
  const std::string shift = " --set Shift=Fixed --set ShiftFrom=1cm --set Source:Range:RangeType=SubDoc ";
  Refused(shift + "--set Source:Range:From=8 --set Source:Range:To=3 --command TrimAndShift " + in,
          "The range runs from page 8 back to page 3 and so holds no page: its last page (Source:Range:To) may not "
          "come before its first (Source:Range:From).");
  Refused(shift + "--set Source:Range:From=5 --set Source:Range:To=last-10 --command TrimAndShift " + in,
          "The range runs from page 5 back to page 2");
  // The same range the right way round shifts its pages.
  Outcome r = Kvhost(shift + "--set Source:Range:From=3 --set Source:Range:To=8 --command TrimAndShift --save out.pdf " +
                     in);
  ASSERT_EQ(0, r.status) << r.out;
  const std::string boxes = Info("out.pdf", "-box -f 1 -l 12");
  EXPECT_NE(std::string::npos, boxes.find("Page    3 CropBox:       0.00   -28.35")) << boxes;
  EXPECT_NE(std::string::npos, boxes.find("Page    9 CropBox:       0.00     0.00")) << boxes;
}

// Pages inserted after a page that is not there, or a file's pages from a
// range that ends before it starts, are refused with the numbers to mend;
// a page text that names no page is a mistake in the command line.
TEST_F(Jobs, PagesInsertedWhereThereIsNoPlaceAreRefusedWithTheNumbers) {
  const std::string in = Sample("in.pdf", 12);
  const std::string cover = Sample("cover.pdf", 10, "Letter");
  const std::string afterNum = " --set Where=AfterNum --set PageNum=";
  const std::string noPage =
      "There is no page 13 to insert after: the document has 12 pages. Give PageNum a page from 1 to 12, or a text "
      "such as \"last\".";
  Refused("--set Action=Blanks" + afterNum + "13 --command InsertBlanks " + in, noPage);
  Refused("--set Action=Blanks --set WhatSize=Custom --set Page=A5" + afterNum + "13 --command InsertBlanks " + in,
          noPage);
  Refused("--set Action=File --set Path=" + cover + afterNum + "13 --command InsertBlanks " + in, noPage);
  Refused("--set Action=Blanks --set Where=AfterNum --command InsertBlanks " + in,
          "Where AfterNum needs PageNum, the page to insert after: a number from 1, or a text such as \"last\".", 2);
  Refused("--set Action=File --set Path=" + cover +
              " --set Where=AtEnd --set Range=Pages --set FromPage=8 --set ToPage=3 --command InsertBlanks " + in,
          "The last page to insert (ToPage, page 3) comes before the first (FromPage, page 8), so nothing would be "
          "inserted: give a ToPage at or after FromPage.");
  Outcome r = Kvhost("--set Action=Blanks" + afterNum + "abc --command InsertBlanks --save out.pdf " + in);
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_TRUE(r.Says("--set PageNum=abc: PageNum = \"abc\" is refused: a page is given by its number (from 1) or by "
                     "a text such as \"last\" or \"last-2\"."))
      << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.pdf")));
  // The last page and a range the right way round are inserted as asked.
  r = Kvhost("--set Action=Blanks" + afterNum + "last --command InsertBlanks --set Action=File --set Path=" + cover +
             " --set Where=AtEnd --set Range=Pages --set FromPage=3 --set ToPage=8 --command InsertBlanks --save "
             "out.pdf " +
             in);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_NE(std::string::npos, Info("out.pdf").find("Pages:           19")) << Info("out.pdf");
  // The history says which of the file's pages went in, whatever word Range has.
  const Outcome history = Shell("cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost --history out.pdf");
  EXPECT_TRUE(history.Says("<S N='2'>Pages from page 3 to page 8</S>")) << history.out;
}

// A booklet at 100 % on a sheet too small for two pages side by side would
// cut the pages' edges off: it is refused with the sizes, as the wizard
// refuses it; pages that fit are placed at full size.
TEST_F(Jobs, ABookletAtFullSizeThatDoesNotFitIsRefused) {
  const std::string letter = Sample("letter.pdf", 8, "Letter");
  const std::string a5 = Sample("a5.pdf", 8, "A5");
  const std::string booklet = "--set Paginate=Single --set NoScale=1 ";
  Refused(booklet + "--set Sizing=A4Wide --command SimpleBooklet " + letter,
          "At 100 % (NoScale) the largest pages, 612 x 792 pt, need a sheet of at least 1224 x 792 pt to go two side "
          "by side inside the margin; this sheet is 841.89 x 595.276 pt, so their edges would be cut off. Choose a "
          "larger sheet (Sizing), or let the pages be scaled (NoScale 0).");
  Refused(booklet + "--set Sizing=Custom --set Page=16x11in --command SimpleBooklet " + letter,
          "this sheet is 1152 x 792 pt");
  // An A3 sheet set tall is too narrow for two A4 pages; turned, it holds
  // them exactly, and the refusal says so with the setting that turns it.
  const std::string a4 = Sample("a4.pdf", 8, "A4");
  Refused(booklet + "--set Sizing=Custom --set Page=A3 --set PageOrientation=Tall --command SimpleBooklet " + a4,
          "At 100 % (NoScale) the largest pages, 595.276 x 841.89 pt, need a sheet of at least 1190.55 x 841.89 pt to "
          "go two side by side inside the margin; this sheet is 841.89 x 1190.55 pt, so their edges would be cut off. "
          "Choose a larger sheet (Sizing), or let the pages be scaled (NoScale 0). Turned the other way, 1190.55 x "
          "841.89 pt, the same sheet holds them: set PageOrientation=Wide.");
  {
    Outcome r =
        Kvhost(booklet + "--set Sizing=Custom --set Page=A3 --set PageOrientation=Wide --command SimpleBooklet " + a4 +
               " --save out.pdf");
    EXPECT_EQ(0, r.status) << r.out;
    EXPECT_NE(std::string::npos, Info("out.pdf").find("Page size:       1190.55 x 841.89 pts (A3)")) << Info("out.pdf");
  }
  // A fixed wide sheet has no tall one but as a custom size: narrow pages
  // too tall for it go side by side on it turned.
  ASSERT_EQ(0, Kvhost("--set Count=8 --set UseSize=Custom --set Page=280x700 --command CreateSample --save narrow.pdf")
                   .status);
  Refused(booklet + "--set Sizing=A4Wide --command SimpleBooklet narrow.pdf",
          "this sheet is 841.89 x 595.276 pt, so their edges would be cut off. Choose a larger sheet (Sizing), or let "
          "the pages be scaled (NoScale 0). Turned the other way, 595.276 x 841.89 pt, the same sheet holds them: set "
          "Sizing=Custom, Page=A4 and PageOrientation=Tall.");
  {
    Outcome r = Kvhost(booklet + "--set Sizing=Custom --set Page=A4 --set PageOrientation=Tall --command SimpleBooklet "
                                 "narrow.pdf --save out.pdf");
    EXPECT_EQ(0, r.status) << r.out;
  }
  // A sheet that holds them neither way says nothing of turning.
  {
    const Outcome r = Kvhost(booklet + "--set Sizing=A4Wide --command SimpleBooklet " + letter + " --save out.pdf");
    EXPECT_EQ(1, r.status) << r.out;
    EXPECT_FALSE(r.Says("Turned the other way")) << r.out;
  }
  for (const std::string& fits : {booklet + "--set Sizing=A4Wide --command SimpleBooklet " + a5,
                                  booklet + "--set Sizing=Custom --set Page=17x11in --command SimpleBooklet " + letter,
                                  booklet + "--set Margin=20 --command SimpleBooklet " + letter}) {
    Outcome r = Kvhost(fits + " --save out.pdf");
    EXPECT_EQ(0, r.status) << fits << "\n" << r.out;
    EXPECT_EQ("", r.out) << fits;
  }
}

// Page sizes are typed as operators say them: the standard names in any
// letter case give sheets of their exact size; a size with its orientation
// written in is refused with the key that sets the orientation.
TEST_F(Jobs, PageSizesAreTakenAsOperatorsSayThem) {
  const std::string a4 = Sample("a4.pdf", 8, "A4");
  struct Case {
    std::string args;
    std::string size;
  } cases[] = {
      {"--set Page=Letter --set PageOrientation=Wide --set UseScale=1 --set FitAcross=2 --set FitDown=1 --command Nup",
       "792 x 612 pts (letter)"},
      {"--set Page=letter --set PageOrientation=Tall --set UseScale=1 --set FitAcross=1 --set FitDown=2 --command Nup",
       "612 x 792 pts (letter)"},
      {"--set Page=TABLOID --set PageOrientation=Tall --set UseScale=1 --command Nup", "792 x 1224 pts"},
      {"--set Sizing=Custom --set Page=SRA3 --set PageOrientation=Wide --command SimpleBooklet",
       "1275.59 x 907.087 pts"},
      {"--set Sizing=Custom --set Page=sra3 --command SimpleBooklet", "907.087 x 1275.59 pts"},
      {"--set WhatSize=Custom --set Page=Executive --set Where=AtStart --command InsertBlanks", "522 x 756 pts"},
      {"--set Trim=Uniform --set FixedSize=Half letter --command TrimAndShift", "396 x 612 pts"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(dir.file("out.pdf"));
    // Quoted as a shell is given a value with a blank.
    std::string args = std::regex_replace(c.args, std::regex("=Half letter"), "='Half letter'");
    Outcome r = Kvhost(args + " --save out.pdf " + a4);
    ASSERT_EQ(0, r.status) << c.args << "\n" << r.out;
    const std::string info = Info("out.pdf", "-f 1 -l 1");
    EXPECT_NE(std::string::npos, info.find("size:  ")) << info;
    EXPECT_NE(std::string::npos, info.find(" " + c.size)) << c.args << "\n" << info;
  }
  Outcome sample = Kvhost("--set Count=1 --set UseSize=Custom --set Page=ledger --command CreateSample --save out.pdf");
  ASSERT_EQ(0, sample.status) << sample.out;
  EXPECT_NE(std::string::npos, Info("out.pdf").find("Page size:       1224 x 792 pts")) << Info("out.pdf");
  // Refused before any step runs: a mistake in the command line.
  struct Refusal {
    std::string args;
    std::string says;
  } refusals[] = {
      {"--set 'Page=A4 landscape' --command Nup",
       "--set Page=A4 landscape: Page takes a page size without its orientation, not \"A4 landscape\": set Page=A4 "
       "and PageOrientation=Wide."},
      {"--set 'FixedSize=A5 portrait' --set Trim=Uniform --command TrimAndShift",
       "set FixedSize=A5 and FixedSizeOrientation=Tall."},
      {"--set Page=A11 --command Nup",
       "--set Page=A11: Page takes a page size: a name (Acrobat 3.0 Maximum, Maximum, Tabloid (11 x 17 in), US legal, "
       "US letter, A0-A10, B0-B10, C0-C10, RA0-RA4, SRA0-SRA4, Letter, Legal, Tabloid, Ledger, Executive, Statement, "
       "Half letter) or width x height, such as 85x55mm or 8.5x11in, not \"A11\"."},
      {"--set Sizing=Custom --set Page=SRA5 --command SimpleBooklet", "not \"SRA5\"."},
  };
  for (const Refusal& c : refusals) {
    std::filesystem::remove(dir.file("out.pdf"));
    Outcome r = Kvhost(c.args + " --save out.pdf " + a4);
    EXPECT_EQ(2, r.status) << c.args << "\n" << r.out;
    EXPECT_TRUE(r.Says(c.says)) << c.args << "\nwanted: " << c.says << "\nstandard error:\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.pdf"))) << c.args;
  }
}

// N-up gives a page larger than the sheet a sheet of its own made larger to
// hold it: the run says so (how many, the first, the sizes) instead of
// handing back sheets of another size unannounced, and an exact fit, which
// no grid can give such pages, is refused with the sizes instead of counts
// that lead to the same larger sheets.
TEST_F(Jobs, PagesLargerThanTheSheetAreSaidWithTheirSizes) {
  const std::string letter = Sample("letter.pdf", 4, "Letter");
  const std::string a5 = Sample("a5.pdf", 4, "A5");
  Outcome r = Kvhost("--set Page=A4 --command Nup --save out.pdf " + letter);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("warning [Korvel Velmora 3.0k]: 4 pages are larger than the sheet inside its margins (595.276 x "
                     "841.89 pt) at the scale used, so each went onto a sheet of its own, made larger to hold it; the "
                     "first of them is page 1 (612 x 792 pt). Choose a larger sheet, or set UseScale to scale the "
                     "pages to fit."))
      << r.out;
  EXPECT_NE(std::string::npos, Info("out.pdf").find("Page size:       612 x 841.89 pts")) << Info("out.pdf");
  Refused("--set Page=A4 --set ExactFit=1 --set FitAcross=1 --set FitDown=1 --command Nup " + letter,
          "No grid on this sheet holds these pages at full size: page 1 is 612 x 792 pt, larger than the sheet inside "
          "its margins (595.276 x 841.89 pt), and so are 4 pages in all. Choose a larger sheet, or set UseScale to "
          "scale the pages to fit.");
  // Scaled to fit from the first page, a later larger page is the one said.
  const std::string mixed = dir.file("mixed.pdf");
  ASSERT_EQ(0, Shell("qpdf --empty --pages " + dir.file(a5) + " " + dir.file(letter) + " 1 " + dir.file(a5) + " -- " +
                     mixed)
                   .status);
  r = Kvhost("--set Page=A5 --set UseScale=1 --set FitAcross=1 --set FitDown=1 --command Nup --save out.pdf mixed.pdf");
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("warning [Korvel Velmora 3.0k]: Page 5 (612 x 792 pt at the scale used) is larger than the sheet "
                     "inside its margins (419.528 x 595.276 pt), so it went onto a sheet of its own, made larger to "
                     "hold it. Choose a larger sheet, or put a page of the largest size first: DoScaling ToFit takes "
                     "its scale from the first page."))
      << r.out;
  EXPECT_FALSE(r.Says("larger than its place in the grid")) << r.out;
  // Pages that fit are placed without a word.
  for (const std::string& fits : {"--set Page=A4 --command Nup " + a5,
                                  "--set Page=A4 --set UseScale=1 --command Nup " + letter}) {
    r = Kvhost(fits + " --save out.pdf");
    EXPECT_EQ(0, r.status) << fits << "\n" << r.out;
    EXPECT_EQ("", r.out) << fits;
  }
}

// Odd and even pages printed apart are merged again through the dialog: its
// answers name the two documents by their window titles; left to its first
// choice, both would be the document in front, which is refused rather than
// merged with itself. The dialog's own keys raise no warning.
TEST_F(Jobs, OddAndEvenPagesAreMergedFromTwoDocumentsNamedByTitle) {
  const std::string in = Sample("in.pdf", 6);
  ASSERT_EQ(0, Kvhost("--set Action=Split --command EvenOddShuffle --save-all halves " + in).status);
  auto answers = [&](const std::string& items) {
    kvtest::WriteWholeFile(dir.file("answers.xml"),
                           "<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n<ITEMS>\n<DICT N='0'><ITEMS>\n"
                           "<A N='Action'>Merge</A>\n" +
                               items + "\n</ITEMS></DICT>\n</ITEMS>\n</RUVURAZAR>\n");
    return std::string("--answers answers.xml --menu KRVL:Velmora3:ShuffleEvenOdd ");
  };
  const std::string halves = " 'halves/Odd pages 1.pdf' 'halves/Even pages 1.pdf'";
  Refused(answers("") + halves,
          "The odd and the even pages would both come from \"Even pages 1.pdf\": Merge takes two documents, the odd "
          "pages from one and the even pages from the other (OddAVDoc and EvenAVDoc, by their window titles).");
  Outcome r = Kvhost(answers("<S N='OddAVDoc'>Odd pages 1.pdf</S>\n<S N='EvenAVDoc'>Even pages 1.pdf</S>") +
                     "--save out.pdf" + halves);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
  EXPECT_EQ("1 2 3 4 5 6", PageNumbers("out.pdf"));
}

// Trim and shift of the current page (--page) into a new document works on
// that page of the copy, as it does in place, instead of failing for a copy
// that is not open in a window.
TEST_F(Jobs, TheCurrentPageIsShiftedInANewDocumentAsInPlace) {
  const std::string in = Sample("in.pdf", 4);
  for (const char* newDoc : {"1", "0"}) {
    SCOPED_TRACE(newDoc);
    Outcome r = Kvhost(std::string("--page 3 --set NewDoc=") + newDoc +
                       " --set Source:Range:RangeType=CurrentPage --set Shift=Fixed --set ShiftFrom=1cm --command "
                       "TrimAndShift --save out.pdf " +
                       in);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ("", r.out);
    const std::string boxes = Info("out.pdf", "-box -f 1 -l 4");
    EXPECT_NE(std::string::npos, boxes.find("Page    2 CropBox:       0.00     0.00")) << boxes;
    EXPECT_NE(std::string::npos, boxes.find("Page    3 CropBox:       0.00   -28.35")) << boxes;
    EXPECT_NE(std::string::npos, boxes.find("Page    4 CropBox:       0.00     0.00")) << boxes;
  }
}

// Steps that cannot be taken say what there is to take: the pages there are
// for --page, and a folder in the way of --save as a folder.
TEST_F(Jobs, AStepThatCannotBeTakenSaysWhatThereIs) {
  const std::string in = Sample("in.pdf", 12);
  Refused("--page 13 --command Join2Pages " + in,
          "kvhost: --page 13: no such page; the active document has 12 pages, numbered from 1");
  std::filesystem::create_directories(dir.file("sheets"));
  Outcome r = Kvhost("--set NewDoc=1 --command ReversePageOrder --save sheets " + in);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("kvhost: cannot save sheets: it is a folder; give the path of a file in it (--save-all DIR saves "
                     "into a folder)"))
      << r.out;
}

// A command without parameters of its own runs alike whatever is remembered:
// it is not said to run on remembered parameters, as one with them is.
TEST_F(Jobs, OnlyACommandWithParametersRunsOnRememberedOnes) {
  const std::string in = Sample("in.pdf", 4);
  for (int run = 0; run < 2; ++run) {
    Outcome join = Shell("cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost --prefs prefs --command Join2Pages "
                         "--save out.pdf " + in);
    EXPECT_EQ(0, join.status) << join.out;
    EXPECT_EQ("", join.out) << "run " << run;
  }
  Outcome reverse = Shell("cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost --prefs prefs --command "
                          "ReversePageOrder --save out.pdf " + in + " && " KV_TEST_BUILD_DIR "/kvhost --prefs prefs "
                          "--command ReversePageOrder --save out.pdf " + in);
  EXPECT_EQ(0, reverse.status) << reverse.out;
  EXPECT_TRUE(reverse.Says("kvhost: ReversePageOrder runs on the parameters remembered from an earlier run"))
      << reverse.out;
}

// A replayed history of a trim and shift into a new document and a booklet
// of it passes the trimmed pages on into the booklet, as the same steps
// given one by one do: saving the booklet loses nothing, and the run says
// nothing of the trimmed document.
TEST_F(Jobs, AReplayedChainPassesItsPagesOnAsItsStepsDo) {
  const std::string in = Sample("in.pdf", 8, "A5");
  const std::string chain =
      "--set Shift=Creep --set ShiftFrom=0 --set ShiftTo=-1mm --set CreepEvery=8 --command TrimAndShift --set "
      "Paginate=Single --set Sizing=A4Wide --command SimpleBooklet ";
  Outcome r = Kvhost(chain + "--save booklet.pdf " + in);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
  r = Kvhost("--replay booklet.pdf --save again.pdf " + in);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
  EXPECT_EQ(PageNumbers("booklet.pdf"), PageNumbers("again.pdf"));
  // Without a save the replay names what it made: the booklet only.
  r = Shell("cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost --prefs prefs --replay booklet.pdf " + in);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("\"Booklet 1\" (4 pages)")) << r.out;
  EXPECT_FALSE(r.Says("Trimmed and shifted")) << r.out;
}

// A first or last page given without a range of pages to read them stops a
// command line before anything runs, naming the range to set; from a file it
// is said to be ignored. With the range the same keys raise nothing.
TEST_F(Jobs, AFirstPageWithoutARangeIsSaidToBeIgnored) {
  const std::string in = Sample("in.pdf", 4);
  const std::string shift = " --set Shift=Fixed --set ShiftFrom=1cm ";
  const std::string ignored =
      "warning [Korvel Velmora 3.0k]: Source:Range:From is not read with Source:Range:RangeType = AllDoc: it is "
      "ignored.";
  Outcome r = Kvhost("--set Source:Range:From=2" + shift + "--command TrimAndShift --save out.pdf " + in);
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_TRUE(r.Says("Source:Range:From is read only with Source:Range:RangeType SubDoc: add --set "
                     "Source:Range:RangeType=SubDoc, or leave Source:Range:From out."))
      << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.pdf")));
  kvtest::WriteWholeFile(dir.file("range.xml"),
                         "<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n<ITEMS>\n<A N='Shift'>Fixed</A>\n"
                         "<F N='ShiftFrom'>10</F>\n<DICT N='Source'><ITEMS><DICT N='Range'><ITEMS>\n<I N='From'>2</I>\n"
                         "<I N='To'>3</I>\n</ITEMS></DICT></ITEMS></DICT>\n</ITEMS>\n</RUVURAZAR>\n");
  r = Kvhost("--params range.xml --command TrimAndShift --save out.pdf " + in);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says(ignored)) << r.out;
  EXPECT_TRUE(r.Says("Source:Range:To is not read with Source:Range:RangeType = AllDoc: it is ignored.")) << r.out;
  r = Kvhost("--set Source:Range:RangeType=SubDoc --set Source:Range:From=2" + shift +
             "--command TrimAndShift --save out.pdf " + in);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
}

// A refusal for a missing value names the key to set, and setting it as it
// says makes the job run.
TEST_F(Jobs, AMissingValueIsNamedAndSettingItWorks) {
  const std::string in = Sample("in.pdf", 4);
  const std::string cover = Sample("cover.pdf", 2, "Letter");
  struct Case {
    std::string job, says, mend;
  } cases[] = {
      {"--set Trim=Uniform --command TrimAndShift ",
       "A uniform trim needs a page size to trim every page to; none was given: set FixedSize (--set FixedSize=A5, "
       "say).",
       "--set Trim=Uniform --set FixedSize=A5 --command TrimAndShift "},
      {"--set Action=File --set Where=AtEnd --command InsertBlanks ",
       "No file was given to take the pages from: set Path or DIPath to the file.",
       "--set Action=File --set Where=AtEnd --set Path=" + cover + " --command InsertBlanks "},
  };
  for (const Case& c : cases) {
    Refused(c.job + in, c.says);
    Outcome r = Kvhost(c.mend + "--save out.pdf " + in);
    EXPECT_EQ(0, r.status) << c.mend << "\n" << r.out;
    EXPECT_EQ("", r.out) << c.mend;
  }
}

}  // namespace
