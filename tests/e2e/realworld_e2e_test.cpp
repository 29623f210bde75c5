// Real-world PDFs (tests/fixtures/realworld: files of many producers, and
// small look-alikes of the kinds that broke the commands) imposed by every
// command through kvhost. Each run exits 0 or refuses with a message; what
// it saves passes qpdf --check, has the pages it should, and shows every
// source page's words upright (pdftotext -bbox).
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "support/Shell.h"
#include "support/StructureCheck.h"
#include "support/TempDir.h"
#include "support/WordBoxes.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;
namespace fs = std::filesystem;

const std::string kFixtures = std::string(KV_TEST_SOURCE_DIR) + "/tests/fixtures/realworld";

bool HaveTools() {
  return Shell("command -v qpdf").status == 0 && Shell("command -v pdftotext").status == 0 &&
         Shell("command -v pdfinfo").status == 0;
}

#define NEED_TOOLS()                                                                   \
  do {                                                                                 \
    if (!HaveTools()) GTEST_SKIP() << "qpdf, pdftotext or pdfinfo (poppler-utils) is not installed"; \
  } while (0)

std::string Cabinet(const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n"
         "<ITEMS>\n" +
         items + "</ITEMS>\n</RUVURAZAR>\n";
}

std::string NewDocItem(bool newDoc) { return std::string("<B N='NewDoc'>") + (newDoc ? "1" : "0") + "</B>\n"; }

// One way of running a command, and how many pages it makes of n.
struct SCommand {
  const char* name;
  const char* key;
  bool newDoc;
  std::string items;
  int (*pages)(int n);
  bool placesWholePages;  // every source page shows on the output, upright
  // The pages are drawn as the sheets' content: their form fields follow the
  // flattening preference, and the document's form does not come along.
  bool drawsPages;
};

int Same(int n) { return n; }
int FourUp(int n) { return (n + 3) / 4; }
int BookletSides(int n) { return (n + 3) / 4 * 2; }
int InGroupsOfFour(int n) { return (n + 3) / 4 * 4; }
int TwoMore(int n) { return n + 2; }

// Sheets draw their pages as content: form fields are drawn too, so that
// every word of a page shows.
const std::string kNup =
    "<A N='Flatten'>FormsAndFields</A>\n<B N='UseScale'>1</B>\n<A N='DoScaling'>ToFit</A>\n<I N='FitAcross'>2</I>\n<I N='FitDown'>2</I>\n"
    "<A N='PageOrientation'>Tall</A>\n<B N='UseMgn'>1</B>\n<F N='LMgn'>18</F>\n<F N='RMgn'>18</F>\n"
    "<F N='TMgn'>18</F>\n<F N='BMgn'>18</F>\n<B N='CropMarks'>1</B>\n"
    "<DICT N='Page'><ITEMS>\n<A N='Type'>Blank</A>\n<S N='Name'>Letter</S>\n<F N='Width'>612</F>\n"
    "<F N='Height'>792</F>\n</ITEMS></DICT>\n";
const std::string kBooklet = "<A N='Flatten'>FormsAndFields</A>\n<A N='Paginate'>Single</A>\n<B N='CropMarks'>1</B>\n<F N='Margin'>18</F>\n";
const std::string kShuffle = "<S N='Order'>4 1 2 3</S>\n<I N='GroupSize'>4</I>\n<A N='Type'>SaddleStitch</A>\n";
const std::string kTrimShift =
    "<A N='Trim'>None</A>\n<A N='Shift'>Fixed</A>\n<A N='ShiftDir'>Right</A>\n<F N='ShiftFrom'>20</F>\n";
const std::string kEvenOdd = "<A N='Action'>OddsFirst</A>\n<B N='ReverseEven'>1</B>\n";
const std::string kInsert = "<A N='Where'>AtEnd</A>\n<I N='Count'>2</I>\n<A N='WhatSize'>SameAsPage</A>\n";

const std::vector<SCommand>& Commands() {
  static const std::vector<SCommand> commands = {
      {"NupInPlace", "Nup", false, kNup, FourUp, true, true},
      {"NupNewDoc", "Nup", true, kNup, FourUp, true, true},
      {"BookletInPlace", "SimpleBooklet", false, kBooklet, BookletSides, true, true},
      {"BookletNewDoc", "SimpleBooklet", true, kBooklet, BookletSides, true, true},
      {"ShuffleInPlace", "Shuffle", false, kShuffle, InGroupsOfFour, true, false},
      {"ShuffleNewDoc", "Shuffle", true, kShuffle, InGroupsOfFour, true, false},
      {"ReverseInPlace", "ReversePageOrder", false, "", Same, true, false},
      {"ReverseNewDoc", "ReversePageOrder", true, "", Same, true, false},
      {"TrimShiftInPlace", "TrimAndShift", false, kTrimShift, Same, true, false},
      {"TrimShiftNewDoc", "TrimAndShift", true, kTrimShift, Same, true, false},
      {"EvenOdd", "EvenOddShuffle", false, kEvenOdd, Same, true, false},
      {"InsertBlanks", "InsertBlanks", false, kInsert, TwoMore, true, false},
  };
  return commands;
}

std::vector<std::string> FixtureNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kFixtures))
    if (e.path().extension() == ".pdf") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The pages the tree holds, walked by qpdf (the stored /Count may be
// wrong); poppler's count for a file qpdf cannot read.
int PageCount(const std::string& pdf) {
  Outcome pages = Shell("(qpdf --show-pages '" + pdf + "' 2>/dev/null)");
  if (pages.status == 0 || pages.status == 3) {
    int n = 0;
    for (size_t at = 0; (at = pages.out.find("page ", at)) != std::string::npos; at += 5)
      if (at == 0 || pages.out[at - 1] == '\n') ++n;
    return n;
  }
  Outcome info = Shell("(pdfinfo '" + pdf + "' 2>/dev/null) | grep '^Pages:'");
  return info.status == 0 ? std::atoi(info.out.c_str() + 6) : -1;
}

bool Checks(const std::string& pdf) {
  Outcome r = Shell("qpdf --check '" + pdf + "'");
  return r.status == 0 && r.Says("No syntax or stream encoding errors");
}

// What a run left: its outcome and the files it saved.
struct SRun {
  Outcome outcome;
  std::vector<std::string> saved;
};

class RealWorldRun {
 public:
  // The fixture is copied first: an in-place command must not touch the tree.
  SRun Run(const std::string& fixture, const SCommand& c) { return RunOn(kFixtures + "/" + fixture, c); }
  // The same on a file of any folder.
  SRun RunOn(const std::string& source, const SCommand& c) {
    std::string in = dir.file("in.pdf");
    fs::copy_file(source, in, fs::copy_options::overwrite_existing);
    fs::permissions(in, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    std::string params = dir.file("params.xml");
    kvtest::WriteWholeFile(params, Cabinet(NewDocItem(c.newDoc) + c.items));
    std::string saved = dir.file("saved");
    fs::remove_all(saved);
    fs::create_directories(saved);
    std::string save = c.newDoc ? " --save-all '" + saved + "'" : " --save '" + saved + "/out.pdf'";
    SRun run;
    run.outcome = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs '" +
                        (prefs.empty() ? dir.file("prefs") : prefs) + "' '" + in + "' --params '" + params +
                        "' --command " + c.key + save);
    for (const auto& e : fs::directory_iterator(saved)) run.saved.push_back(e.path().string());
    std::sort(run.saved.begin(), run.saved.end());
    return run;
  }
  std::string Source(const std::string& fixture) const { return kFixtures + "/" + fixture; }
  // The general preferences the runs start with, as cabinet items (none: the defaults).
  void UseGeneralPrefs(const std::string& items) {
    prefs = dir.file("general-prefs");
    fs::create_directories(prefs + "/Korvel");
    kvtest::WriteWholeFile(prefs + "/Korvel/kv3.xml",
                           Cabinet("<DICT N='Last'><ITEMS>\n<DICT N='General'><ITEMS>\n" + items +
                                   "</ITEMS></DICT>\n</ITEMS></DICT>\n"));
  }

 private:
  kvtest::TempDir dir;
  std::string prefs;
};

// A run either did its work (exit 0) or refused it with its reason on the
// terminal (exit 1); nothing else, and never a crash.
void ExpectDoneOrRefused(const SRun& run, const std::string& what) {
  const Outcome& r = run.outcome;
  EXPECT_TRUE(r.status == 0 || r.status == 1) << what << ": exit " << r.status << "\n" << r.out;
  if (r.status == 1) {
    EXPECT_TRUE(r.Says("error [")) << what << ": refused without a reason\n" << r.out;
    EXPECT_TRUE(run.saved.empty()) << what << ": a refused run saved a file";
  }
  EXPECT_FALSE(r.Says("terminate called")) << what << "\n" << r.out;
}

// Every page's words of the source stand on the output, each page by a plain
// scale and shift; pages placed on one sheet do not overlap, and a sheet
// shows nothing its pages do not (hidden layers stay hidden).
void ExpectPagesPlacedUpright(const std::string& source, const std::string& output, const std::string& what) {
  std::vector<kvtest::SPageWords> in = kvtest::ReadWordBoxes(source);
  std::vector<kvtest::SPageWords> out = kvtest::ReadWordBoxes(output);
  std::vector<std::pair<int, std::vector<double>>> placed;
  std::vector<std::map<std::string, int>> expected(out.size());
  std::vector<std::string> expectedText(out.size());
  for (size_t i = 0; i < in.size(); ++i) {
    kvtest::SPlacement p = kvtest::FindPlacement(in[i], out);
    if (p.sheet >= 0) {
      for (const kvtest::SWord& w : in[i].words) {
        ++expected[(size_t)p.sheet][w.text];
        expectedText[(size_t)p.sheet] += w.text;
      }
    }
    if (in[i].words.size() < 3) continue;
    std::string page = what + ", source page " + std::to_string(i + 1);
    EXPECT_GE(p.FoundShare(), 0.995) << page << ": " << p.found << " of " << p.words << " words on sheet " << p.sheet + 1
                                   << "; missing: " << p.missing;
    if (p.anchors < 3) continue;
    EXPECT_TRUE(p.Upright()) << page << ": scale " << p.scale << ", an anchor " << p.worst << " pt off";
    if (!p.Upright()) continue;
    for (const auto& other : placed) {
      if (other.first != p.sheet) continue;
      EXPECT_FALSE(kvtest::BoxesOverlap(other.second, kvtest::PlacedWords(p, in[i])))
          << page << " overlaps another page on sheet " << p.sheet + 1;
    }
    placed.emplace_back(p.sheet, kvtest::PlacedWords(p, in[i]));
  }
  for (size_t k = 0; k < out.size(); ++k) {
    std::map<std::string, int> left = expected[k];
    std::string extra;
    size_t extras = 0;
    for (const kvtest::SWord& w : out[k].words) {
      if (left[w.text]-- > 0 || expectedText[k].find(w.text) != std::string::npos) continue;
      ++extras;
      extra += " " + w.text;
    }
    // One short word may have been put down to another sheet holding it too.
    EXPECT_LE(extras, 1 + out[k].words.size() / 200) << what << ", sheet " << k + 1 << " shows what its pages do not:"
                                                  << extra;
  }
}

// The source as drawn pages show it: its form and its annotations gone,
// everything else (optional content too) as it was.
void WithoutForm(const std::string& source, const std::string& out) {
  QPDF q;
  q.setSuppressWarnings(true);
  q.processFile(source.c_str());
  q.getRoot().removeKey("/AcroForm");
  for (QPDFObjectHandle page : q.getAllPages()) page.removeKey("/Annots");
  QPDFWriter w(q, out.c_str());
  w.write();
}

// ---- the corpus: every fixture with every command

struct SCorpusCase {
  std::string fixture;
  size_t command;
};

void PrintTo(const SCorpusCase& k, std::ostream* os) { *os << k.fixture << " " << Commands()[k.command].name; }

class Corpus : public ::testing::TestWithParam<SCorpusCase> {};

TEST_P(Corpus, ImposesOrRefusesCleanly) {
  NEED_TOOLS();
  const SCorpusCase& k = GetParam();
  const SCommand& c = Commands()[k.command];
  RealWorldRun runner;
  std::string source = runner.Source(k.fixture);
  const std::string what = k.fixture + " " + c.name;
  SRun run = runner.Run(k.fixture, c);
  ExpectDoneOrRefused(run, what);
  if (run.outcome.status != 0) return;
  ASSERT_EQ(1u, run.saved.size()) << what << "\n" << run.outcome.out;
  const std::string& out = run.saved[0];
  // A source that is damaged already is not held to a clean check.
  if (Checks(source)) {
    EXPECT_TRUE(Checks(out)) << what << "\n" << Shell("qpdf --check '" + out + "'").out;
  }
  const int n = PageCount(source);
  EXPECT_EQ(c.pages(n), PageCount(out)) << what << " of " << n << " pages";
  // The page tree's stored count is the count of its pages.
  EXPECT_EQ(std::to_string(PageCount(out)) + "\n", Shell("(qpdf --show-npages '" + out + "' 2>/dev/null)").out)
      << what;
  if (!c.placesWholePages) return;
  // What drawn pages show: the pages alone, without the document's form (a
  // field that relies on the reader to draw its value shows nothing there).
  std::string shown = source;
  if (c.drawsPages) {
    shown = out + ".pages-alone.pdf";
    WithoutForm(source, shown);
  }
  // A source whose page tree poppler refuses (a wrong /Count) is read in a
  // copy with a sound tree.
  if (Shell("(pdfinfo '" + shown + "' 2>/dev/null) | grep -q '^Pages: *" + std::to_string(n) + "$'").status != 0) {
    std::string readable = out + ".readable.pdf";
    Shell("qpdf --empty --pages '" + shown + "' -- '" + readable + "'");
    shown = readable;
  }
  ExpectPagesPlacedUpright(shown, out, what);
}

std::vector<SCorpusCase> CorpusCases() {
  std::vector<SCorpusCase> cases;
  for (const std::string& f : FixtureNames())
    for (size_t c = 0; c < Commands().size(); ++c) cases.push_back({f, c});
  return cases;
}

std::string CaseName(const ::testing::TestParamInfo<SCorpusCase>& info) {
  std::string name = info.param.fixture.substr(0, info.param.fixture.size() - 4) + "_" +
                     Commands()[info.param.command].name;
  for (char& ch : name)
    if (!std::isalnum((unsigned char)ch)) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(RealWorld, Corpus, ::testing::ValuesIn(CorpusCases()), CaseName);

// ---- single kinds of file

const SCommand& CommandNamed(const char* name) {
  for (const SCommand& c : Commands())
    if (std::string(c.name) == name) return c;
  throw std::runtime_error(name);
}

TEST(RealWorldFiles, AnEncryptedDocumentChangedInPlaceIsSavedEncrypted) {
  NEED_TOOLS();
  RealWorldRun runner;
  for (const char* name : {"ReverseInPlace", "NupInPlace", "InsertBlanks"}) {
    SRun run = runner.Run("owner-password-allperms.pdf", CommandNamed(name));
    ASSERT_EQ(0, run.outcome.status) << name << "\n" << run.outcome.out;
    ASSERT_EQ(1u, run.saved.size());
    Outcome shown = Shell("qpdf --show-encryption '" + run.saved[0] + "'");
    EXPECT_TRUE(shown.Says("R = 6")) << name << "\n" << shown.out;
    EXPECT_TRUE(shown.Says("P = -4")) << name << "\n" << shown.out;
    EXPECT_TRUE(Checks(run.saved[0])) << name;
  }
}

TEST(RealWorldFiles, ARestrictedDocumentIsRefusedBeforeItIsCopied) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  std::string in = dir.file("restricted.pdf");
  kvfix::WriteRestricted(in);
  std::string params = dir.file("p.xml");
  for (bool newDoc : {true, false}) {
    kvtest::WriteWholeFile(params, Cabinet(NewDocItem(newDoc) + kTrimShift));
    std::string saved = dir.file(newDoc ? "new" : "same");
    fs::create_directories(saved);
    Outcome r = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs '" + dir.file("prefs") +
                      "' '" + in + "' --params '" + params + "' --command TrimAndShift --save-all '" + saved + "'");
    EXPECT_EQ(1, r.status) << newDoc << "\n" << r.out;
    EXPECT_TRUE(r.Says("protected")) << r.out;
    EXPECT_TRUE(fs::is_empty(saved)) << "no copy of a protected document is made";
  }
}

// A document without pages: every command that works on pages says so and
// fails; inserting pages into it works.
TEST(RealWorldFiles, ADocumentWithoutPagesIsRefusedByWhatNeedsPages) {
  NEED_TOOLS();
  RealWorldRun runner;
  for (const SCommand& c : Commands()) {
    SRun run = runner.Run("zero-pages.pdf", c);
    if (std::string(c.key) == "InsertBlanks") {
      ASSERT_EQ(0, run.outcome.status) << c.name << "\n" << run.outcome.out;
      ASSERT_EQ(1u, run.saved.size()) << c.name;
      EXPECT_EQ(2, PageCount(run.saved[0])) << c.name;
      EXPECT_TRUE(Checks(run.saved[0])) << c.name;
      continue;
    }
    EXPECT_EQ(1, run.outcome.status) << c.name << "\n" << run.outcome.out;
    EXPECT_TRUE(run.outcome.Says("The document has no pages.")) << c.name << "\n" << run.outcome.out;
    EXPECT_TRUE(run.saved.empty()) << c.name;
  }
}

// A page qpdf gives up on (values nested past its limit) read as null and
// was passed over: commands said the document had no pages, or did their
// work on the rest. Now the file is refused as damaged at once, with the page
// and the depth, and nothing is written.
const std::string kTooDeep = " levels deep, and the PDF reader takes at most 500.";

struct SDeepFile {
  const char* name;
  kvfix::DeepNesting how;
  std::string reason;
};

std::vector<SDeepFile> DeepFiles() {
  kvfix::DeepNesting arrays, dicts;
  dicts.depth = 20001;
  dicts.dicts = true;
  return {
      {"deep-arrays", arrays, "page 2 (object 5) nests arrays and dictionaries 100001" + kTooDeep},
      {"deep-dicts", dicts, "page 2 (object 5) nests arrays and dictionaries 20001" + kTooDeep},
  };
}

TEST(RealWorldFiles, AFileWithAPageTheReaderCannotTakeIsRefusedByEveryCommand) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  RealWorldRun runner;
  for (const SDeepFile& f : DeepFiles()) {
    const std::string source = dir.file(std::string(f.name) + ".pdf");
    kvfix::WriteDeeplyNested(source, f.how);
    for (const SCommand& c : Commands()) {
      const std::string what = std::string(f.name) + " " + c.name;
      SRun run = runner.RunOn(source, c);
      EXPECT_EQ(1, run.outcome.status) << what << "\n" << run.outcome.out;
      EXPECT_TRUE(run.outcome.Says(": cannot open ")) << what << "\n" << run.outcome.out;
      EXPECT_TRUE(run.outcome.Says("The file is damaged and could not be repaired: " + f.reason))
          << what << "\n" << run.outcome.out;
      EXPECT_FALSE(run.outcome.Says("has no pages")) << what << "\n" << run.outcome.out;
      EXPECT_TRUE(run.saved.empty()) << what << ": a result was written";
    }
  }
}

// Pages a step takes from another file: the file to insert, a background of
// inserted blanks, a background sheet.
TEST(RealWorldFiles, PagesTakenFromAFileTheReaderCannotTakeAreRefused) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  const std::string in = dir.file("in.pdf");
  kvfix::WriteSimple(in, 3);
  for (const SDeepFile& f : DeepFiles()) {
    const std::string deep = dir.file(std::string(f.name) + ".pdf");
    kvfix::WriteDeeplyNested(deep, f.how);
    const std::string background = "<DICT N='Page'><ITEMS>\n<A N='Type'>Background</A>\n<S N='DIPath'>" + deep +
                                   "</S>\n<I N='From'>0</I>\n<I N='To'>2</I>\n</ITEMS></DICT>\n";
    struct SStep {
      const char* name;
      const char* key;
      std::string items;
    } steps[] = {
        {"the file's pages at the end", "InsertBlanks",
         "<A N='Action'>File</A>\n<A N='Where'>AtEnd</A>\n<S N='Path'>" + deep + "</S>\n"},
        {"the file's pages in a new document", "InsertBlanks",
         "<A N='Action'>File</A>\n<A N='Where'>NewDoc</A>\n<S N='DIPath'>" + deep + "</S>\n"},
        {"blanks on the file's pages", "InsertBlanks",
         "<A N='Where'>AtEnd</A>\n<I N='Count'>2</I>\n<A N='WhatSize'>Custom</A>\n" + background},
        {"sheets on the file's pages", "Nup", NewDocItem(true) + background},
    };
    for (const SStep& step : steps) {
      const std::string what = std::string(f.name) + ": " + step.name;
      const std::string params = dir.file("p.xml"), saved = dir.file("saved");
      kvtest::WriteWholeFile(params, Cabinet(step.items));
      fs::remove_all(saved);
      fs::create_directories(saved);
      Outcome r = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs '" + dir.file("prefs") +
                        "' '" + in + "' --params '" + params + "' --command " + step.key + " --save '" + saved +
                        "/out.pdf' --save-all '" + saved + "'");
      EXPECT_EQ(1, r.status) << what << "\n" << r.out;
      EXPECT_TRUE(r.Says(f.reason)) << what << "\n" << r.out;
      EXPECT_TRUE(fs::is_empty(saved)) << what << ": a result was written";
    }
  }
}

// The copies into a new document, every source page once: reversed,
// shuffled, trimmed and shifted, odd pages first.
std::vector<SCommand> WholeCopies() {
  return {CommandNamed("ReverseNewDoc"), CommandNamed("ShuffleNewDoc"), CommandNamed("TrimShiftNewDoc"),
          {"EvenOddNewDoc", "EvenOddShuffle", true, kEvenOdd, Same, true, false}};
}

// A tagged document copied whole keeps its tags, true to its pages, when the
// preferences keep tags in new documents; by default the copy is untagged and
// says so. Sheets drawn from the pages never claim to be tagged.
TEST(RealWorldFiles, ACopyOfEveryPageKeepsTheTagsWhenThePreferencesKeepThem) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  const std::string tagged = dir.file("tagged.pdf");
  kvfix::WriteTaggedWithLink(tagged, 6);
  for (const bool keep : {true, false}) {
    RealWorldRun runner;
    if (keep) runner.UseGeneralPrefs("<B N='RemoveTagsOnNewDoc'>0</B>\n");
    std::vector<SCommand> runs = WholeCopies();
    runs.push_back(CommandNamed("NupNewDoc"));
    runs.push_back(CommandNamed("BookletNewDoc"));
    for (const SCommand& c : runs) {
      const bool sheets = c.drawsPages;
      const std::string what = std::string(c.name) + (keep ? " keeping tags" : " by default");
      SRun run = runner.RunOn(tagged, c);
      ASSERT_EQ(0, run.outcome.status) << what << "\n" << run.outcome.out;
      ASSERT_EQ(1u, run.saved.size()) << what;
      const std::string& out = run.saved[0];
      EXPECT_TRUE(Checks(out)) << what;
      const kvtest::SStructure tree = kvtest::ReadStructure(out);
      const bool tags = keep && !sheets;
      // Sheets may keep the emptied root of the copied tree, with nothing in it.
      if (sheets) {
        EXPECT_EQ(0, tree.taggedPages) << what;
      } else {
        EXPECT_EQ(tags, tree.tree) << what;
      }
      EXPECT_EQ(tags, tree.marked) << what;
      EXPECT_EQ(tags, Shell("pdfinfo '" + out + "'").Says("Tagged:          yes")) << what;
      if (!tags) continue;
      EXPECT_EQ(6, tree.taggedPages) << what << ": every source page keeps its links into the tree";
      EXPECT_EQ("", tree.problems) << what;
    }
  }
}

// A portfolio copied whole stays a portfolio: its collection and its files.
TEST(RealWorldFiles, ACopyOfEveryPageOfAPortfolioKeepsItsCollection) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  const std::string portfolio = dir.file("portfolio.pdf");
  kvfix::WritePortfolio(portfolio, 4, 3);
  RealWorldRun runner;
  for (const SCommand& c : WholeCopies()) {
    SRun run = runner.RunOn(portfolio, c);
    ASSERT_EQ(0, run.outcome.status) << c.name << "\n" << run.outcome.out;
    ASSERT_EQ(1u, run.saved.size()) << c.name;
    const std::string& out = run.saved[0];
    EXPECT_TRUE(Checks(out)) << c.name;
    EXPECT_EQ(0, Shell("qpdf --json --json-key=qpdf '" + out + "' | grep -q '\"/Collection\"'").status) << c.name;
    Outcome files = Shell("qpdf --list-attachments '" + out + "'");
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(files.Says(kvfix::NameTreeFileName(i))) << c.name << "\n" << files.out;
  }
}

// Text in render mode 2 set small: the sheets' fix for it must write numbers
// the next run reads back.
TEST(RealWorldFiles, AnImposedFileImposesAgain) {
  NEED_TOOLS();
  kvtest::TempDir dir;
  QPDF q;
  q.emptyPDF();
  QPDFObjectHandle font = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"));
  QPDFObjectHandle pages = q.getRoot().getKey("/Pages");
  QPDFObjectHandle kids = QPDFObjectHandle::newArray();
  for (int i = 1; i <= 4; ++i) {
    QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 612 792] >>"));
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", QPDFObjectHandle::newDictionary());
    resources.getKey("/Font").replaceKey("/F1", font);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Parent", pages);
    page.replaceKey("/Contents", q.newStream("BT /F1 24 Tf 72 700 Td (Sheet" + std::to_string(i) +
                                             ") Tj ET q 0.002 0 0 0.002 300 400 cm BT /F1 9000 Tf 2 Tr (Outlined" +
                                             std::to_string(i) + ") Tj ET Q"));
    kids.appendItem(page);
  }
  pages.replaceKey("/Kids", kids);
  pages.replaceKey("/Count", QPDFObjectHandle::newInteger(4));
  std::string in = dir.file("small-text.pdf");
  QPDFWriter w(q, in.c_str());
  w.write();

  std::string params = dir.file("p.xml");
  kvtest::WriteWholeFile(params, Cabinet(NewDocItem(false) + kNup));
  std::string current = in;
  for (int round = 1; round <= 3; ++round) {
    std::string out = dir.file("round" + std::to_string(round) + ".pdf");
    Outcome r = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs '" + dir.file("prefs") +
                      "' '" + current + "' --params '" + params + "' --command Nup --save '" + out + "'");
    ASSERT_EQ(0, r.status) << "round " << round << "\n" << r.out;
    EXPECT_TRUE(Checks(out)) << round;
    std::string text = Shell("pdftotext '" + out + "' -").out;
    for (int i = 1; i <= 4; ++i) {
      EXPECT_TRUE(text.find("Sheet" + std::to_string(i)) != std::string::npos) << round << "\n" << text;
      EXPECT_TRUE(text.find("Outlined" + std::to_string(i)) != std::string::npos) << round << "\n" << text;
    }
    current = out;
  }
}

}  // namespace
