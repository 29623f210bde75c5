// What the operator types is what runs: a mistake typed on the command line
// stops kvhost before any step runs, with what was meant where it can be
// told, and nothing is saved; work done in place is saved or said to be
// lost; a terminal is left with what the run saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"
#include "support/Terminal.h"

namespace {

namespace fs = std::filesystem;
using Outcome = kvtest::ShellOutcome;

class Typed : public ::testing::Test {
 protected:
  void SetUp() override {
    in = dir.file("in.pdf");
    kvfix::WriteSimple(in, 16);
    fs::create_directories(dir.file("out"));
  }
  Outcome Kvhost(const std::string& args, const char* quiet = "--quiet") {
    return kvtest::Shell("cd " + dir.path() + " && " KV_TEST_BUILD_DIR "/kvhost " + quiet + " --prefs prefs " + args);
  }
  size_t Saved() const {
    size_t n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir.file("out"))) n += entry.is_regular_file();
    return n;
  }
  std::string PageTexts(const std::string& pdf) {
    std::string text = kvtest::Shell("pdftotext '" + pdf + "' - | grep -o 'Page [0-9]*'").out;
    for (char& c : text)
      if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }
  int Pages(const std::string& pdf) {
    const std::string info = kvtest::Shell("pdfinfo '" + pdf + "'").out;
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
  }

  kvtest::TempDir dir;
  std::string in;
};

// Each of an operator's mistakes: exit 2 before any step has run, the
// message says what was meant or what to type, and nothing is saved, not
// even by the steps before the mistake.
TEST_F(Typed, TheDaysMistakesStopTheRunBeforeAnythingIsSaved) {
  const std::string nup = "--set Page=A3 --set UseScale=1 --set DoScaling=ToFit ";
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {nup + "--set FitAcross=2 --set FitDonw=4 --command Nup --save out/n.pdf",
       "kvhost: --set FitDonw=4: FitDonw is not a parameter of Nup; did you mean FitDown?"},
      {"--set Paginate=Single --set Sizing=A4Wdie --command SimpleBooklet --save out/b.pdf",
       "Sizing takes one of the words Sufficient, LetterWide, A4Wide, Custom, not \"A4Wdie\"; did you mean A4Wide?"},
      {nup + "--set CropMarks=1 --command Nup --save out/n.pdf",
       "kvhost: --command Nup: CropMarks is read only with UseMgn 1: add --set UseMgn=1, or leave CropMarks out."},
      {"--set Page=A4 --command SimpleBooklet --save out/b.pdf",
       "kvhost: --command SimpleBooklet: Page is read only with Sizing Custom: add --set Sizing=Custom, or leave Page "
       "out."},
      {"--set NewDoc=1 --command ReversePageOrder --save out/r.pdf --command Reverse --save out/rr.pdf",
       "kvhost: --command Reverse: There is no command Reverse; did you mean ReversePageOrder?"},
      {"--set Shift=Creep --set ShiftTo=-1mm --command TrimAndShift --set Paginate=Single --command SimpleBooklet "
       "--save out/c.pdf",
       "The creep of TrimAndShift is worked out for signatures of 32 pages (CreepEvery 32), but the SimpleBooklet "
       "that follows folds signatures of 16 pages (Paginate Single on 16 pages): give the TrimAndShift --set "
       "CreepEvery=16."},
      {"--set Shift=Creep --set CreepEvery=8 --command TrimAndShift --set Paginate=Multiple --set PagesPerSig=16 "
       "--command SimpleBooklet --save out/c.pdf",
       "folds signatures of 16 pages (Paginate Multiple with PagesPerSig 16): give the TrimAndShift --set "
       "CreepEvery=16."},
      // A rule across keys is checked before the steps before it save.
      {"--set NewDoc=1 --command ReversePageOrder --save out/r.pdf " + nup +
           "--set UseMgn=1 --set LMgn=20in --command Nup --save out/n.pdf",
       "kvhost: --command Nup: The margins LMgn + RMgn and TMgn + BMgn leave no room for pages on a sheet of 841.89 x "
       "1190.55 pt."},
      {"--play never-made --save out/p.pdf",
       "kvhost: --play never-made: There is no action named never-made; --list-actions lists the actions"},
      {"--output out/x.pdf --command Nup", "kvhost: unknown option --output; did you mean --save?"},
      {"--comand Nup --save out/x.pdf", "kvhost: unknown option --comand; did you mean --command?"},
      {"--save out/x.pdf --set NewDoc=1 --command ReversePageOrder",
       "kvhost: --save out/x.pdf comes before --command ReversePageOrder, whose result nothing saves; --save saves the "
       "active document at the point it stands: put it after the --command whose result it is"},
      {"--command ReversePageOrder --set NewDoc=1 --save out/x.pdf",
       "kvhost: --set NewDoc=1: no --command follows it to use this parameter; --set gives a parameter of the "
       "--command after it: put it before the --command it is for"},
  };
  const std::string before = kvtest::ReadWholeFile(in);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Outcome r = Kvhost(c.args + " in.pdf");
    EXPECT_EQ(2, r.status) << r.out;
    EXPECT_TRUE(r.Says(c.says)) << "wanted: " << c.says << "\nstandard error:\n" << r.out;
    EXPECT_EQ(0u, Saved()) << r.out;
    EXPECT_EQ(before, kvtest::ReadWholeFile(in));
  }
}

// Typed words are read in any letter case: the booklet is the one meant,
// single and saddle-stitched on A4 landscape, not the defaults.
TEST_F(Typed, WordsAreReadInAnyLetterCase) {
  Outcome r = Kvhost("--set Paginate=single --set Sizing=a4wide --command SimpleBooklet --save out/b.pdf in.pdf");
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out);
  EXPECT_EQ(8, Pages(dir.file("out/b.pdf")));
  EXPECT_TRUE(kvtest::Shell("pdfinfo '" + dir.file("out/b.pdf") + "'").Says("841.89 x 595.276 pts"));
  Outcome history = Kvhost("--history out/b.pdf");
  EXPECT_TRUE(history.Says("<A N='Paginate'>Single</A>")) << history.out;
  EXPECT_TRUE(history.Says("<A N='Sizing'>A4Wide</A>")) << history.out;
}

// --save-all saves the inputs a step changed in place, named as their
// files; a run that saves nothing says what it changed, unless quiet.
TEST_F(Typed, InPlaceWorkIsSavedOrSaidToBeLost) {
  struct Case {
    std::string sets;
    int pages;
    std::string firstPages;
  };
  const Case cases[] = {
      {"--command InsertBlanks", 17, "Page 1"},
      {"--command ReversePageOrder", 16, "Page 16 Page 15"},
      {"--set ReverseEven=1 --command EvenOddShuffle", 16, "Page 1 Page 16 Page 3 Page 14"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sets);
    fs::remove_all(dir.file("out"));
    Outcome r = Kvhost(c.sets + " --save-all out in.pdf");
    ASSERT_EQ(0, r.status) << r.out;
    ASSERT_TRUE(fs::exists(dir.file("out/in.pdf"))) << r.out;
    EXPECT_EQ(1u, Saved());
    EXPECT_EQ(c.pages, Pages(dir.file("out/in.pdf")));
    EXPECT_EQ(0u, PageTexts(dir.file("out/in.pdf")).rfind(c.firstPages, 0)) << PageTexts(dir.file("out/in.pdf"));
    EXPECT_EQ(0, kvtest::Shell("qpdf --check '" + dir.file("out/in.pdf") + "'").status);
    Outcome dry = Kvhost(c.sets + " in.pdf", "");
    EXPECT_EQ(0, dry.status) << dry.out;
    EXPECT_TRUE(dry.Says("kvhost: nothing was saved (no --save or --save-all); the steps made or changed:\n"
                         "  \"in.pdf\" (" + std::to_string(c.pages) + " pages, changed in place)\n"))
        << dry.out;
    EXPECT_EQ("", Kvhost(c.sets + " in.pdf").out) << "quiet";
  }
}

// Remember after a one-line run keeps what that run ran with; the action it
// makes plays the same job, and the actions are listed as --play takes them.
TEST_F(Typed, RememberKeepsWhatTheLastCommandRanWith) {
  kvtest::WriteWholeFile(dir.file("name.xml"),
                         "<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n<ITEMS>\n<DICT N='0'><ITEMS>\n"
                         "<S N='Name'>odd-first</S>\n</ITEMS></DICT>\n</ITEMS>\n</RUVURAZAR>\n");
  Outcome made = Kvhost("--set Order=2 --set GroupSize=2 --command Shuffle --answers name.xml --menu "
                        "KRVL:Velmora3:Remember --save out/made.pdf in.pdf");
  ASSERT_EQ(0, made.status) << made.out;
  Outcome listed = Kvhost("--list-actions");
  EXPECT_EQ("Shuffle:odd-first\n", listed.out);
  Outcome played = Kvhost("--play odd-first --save out/played.pdf in.pdf");
  ASSERT_EQ(0, played.status) << played.out;
  EXPECT_EQ("Page 2 Page 4 Page 6 Page 8 Page 10 Page 12 Page 14 Page 16", PageTexts(dir.file("out/made.pdf")));
  EXPECT_EQ(PageTexts(dir.file("out/made.pdf")), PageTexts(dir.file("out/played.pdf")));
}

// On a terminal the run ends with one line a saved file: its name, pages
// and their size; through a pipe, and with --quiet, nothing of it.
TEST_F(Typed, ATerminalIsLeftWithWhatWasSaved) {
  const std::vector<std::string> argv = {KV_TEST_BUILD_DIR "/kvhost", "--prefs", dir.file("prefs"), "--set",
                                         "Paginate=Single", "--set", "Sizing=A4Wide", "--command", "SimpleBooklet",
                                         "--save", dir.file("out/booklet.pdf"), in};
  Outcome r = kvtest::RunUnderTerminal(argv);
  ASSERT_EQ(0, r.status) << r.out;
  const std::string line = dir.file("out/booklet.pdf") + ": 8 pages of 841.89 x 595.28 pt\r\n";
  ASSERT_GE(r.out.size(), line.size());
  EXPECT_EQ(line, r.out.substr(r.out.size() - line.size())) << r.out.substr(r.out.size() - 300);
  std::vector<std::string> quiet = argv;
  quiet.insert(quiet.begin() + 1, "--quiet");
  EXPECT_FALSE(kvtest::RunUnderTerminal(quiet).Says("8 pages of"));
  Outcome piped = Kvhost("--set Paginate=Single --set Sizing=A4Wide --command SimpleBooklet --save out/b.pdf in.pdf", "");
  EXPECT_EQ(0, piped.status);
  EXPECT_EQ("", piped.out);
}

}  // namespace
