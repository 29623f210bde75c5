// kvhost on a terminal, as an operator runs it: long work shows its status
// and progress on one line of standard error, redrawn in place, one line
// for each step that runs commands: the step, the phase, the pages counted
// and the percentage of the whole step, which only grows. The line is gone
// before any message prints and when the step ends. Without a terminal, and
// with --quiet, nothing of it is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"
#include "support/Terminal.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

const char* const kNamespace = "http://korvel.invalid/xml/cabinet/3";
const char* const kClear = "\r\x1b[K";

// The English text of a message, as the plug-in shows it.
std::string Message(const std::string& key) {
  std::ifstream in(kvtest::SourcePath("resources/messages/en.txt"));
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + "\t", 0) == 0) return line.substr(key.size() + 1);
  ADD_FAILURE() << "no message " << key;
  return key;
}

// One state of the line drawn: "\rstep 2 of 2, SimpleBooklet: making the
// booklet's sheets, 120 of 400, 63 %" cleared to its end; a clear is a state
// of its own (cleared true).
struct SDrawn {
  bool cleared = false;
  bool understood = false;  // the row reads as a step's line
  std::string row, label, words;
  int count = -1, of = -1, percent = -1;
};

// Every state of the line, split at the carriage returns.
std::vector<SDrawn> DrawnLines(const std::string& out) {
  std::vector<SDrawn> drawn;
  static const std::regex state("\r([^\r\x1b]*)\x1b\\[K");
  static const std::regex step("^(step \\d+ of \\d+, [^:]+): (?:(.+?), )?(?:(\\d+) of (\\d+), )?(\\d+) %$");
  for (std::sregex_iterator m(out.begin(), out.end(), state), end; m != end; ++m) {
    SDrawn d;
    d.row = (*m)[1].str();
    d.cleared = d.row.empty();
    std::smatch p;
    if (!d.cleared && std::regex_match(d.row, p, step)) {
      d.understood = true;
      d.label = p[1].str();
      d.words = p[2].str();
      if (p[3].matched) {
        d.count = std::stoi(p[3].str());
        d.of = std::stoi(p[4].str());
      }
      d.percent = std::stoi(p[5].str());
    }
    drawn.push_back(d);
  }
  return drawn;
}

// What every run's line must be: each state a step's line, or a clear; the
// steps one after the other, each line cleared before the next step's; within
// a step the percentage never goes back and stays below 100, and a count never
// goes back under the same words nor passes its total. Returns the words seen
// in each step, by label.
std::map<std::string, std::set<std::string>> CheckSteps(const std::string& out) {
  std::map<std::string, std::set<std::string>> words;
  std::string label;
  int percent = 0;
  std::string countWords;
  int count = 0;
  bool clearedSince = true;
  for (const SDrawn& d : DrawnLines(out)) {
    if (d.cleared) {
      clearedSince = true;
      continue;
    }
    EXPECT_TRUE(d.understood) << "not a step's line: \"" << d.row << "\"";
    if (!d.understood) continue;
    if (d.label != label) {
      EXPECT_EQ(0u, words.count(d.label)) << d.label << " came back after another step";
      EXPECT_TRUE(clearedSince) << "the line was cleared before " << d.label;
      label = d.label;
      percent = 0;
      countWords.clear();
      count = 0;
    }
    words[label].insert(d.words);
    EXPECT_GE(d.percent, percent) << d.row;
    EXPECT_LT(d.percent, 100) << d.row;
    percent = d.percent;
    if (d.count >= 0) {
      EXPECT_LE(d.count, d.of) << d.row;
      if (d.words == countWords) {
        EXPECT_GE(d.count, count) << d.row;
      }
      countWords = d.words;
      count = d.count;
    }
    clearedSince = false;
  }
  return words;
}

// The highest percentage drawn for a step.
int HighestPercent(const std::string& out, const std::string& label) {
  int high = -1;
  for (const SDrawn& d : DrawnLines(out))
    if (d.label == label) high = std::max(high, d.percent);
  return high;
}

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override { kvfix::WriteSimple(in, 400); }
  std::string Params(const std::string& name, const std::string& items) {
    const std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, std::string("<RUVURAZAR xmlns=\"") + kNamespace + "\">\n<ITEMS>\n" + items +
                                     "\n</ITEMS>\n</RUVURAZAR>\n");
    return path;
  }
  std::vector<std::string> Args(std::vector<std::string> steps) {
    std::vector<std::string> args = {std::string(KV_TEST_BUILD_DIR) + "/kvhost", "--static-id", "--prefs", dir.path()};
    args.insert(args.end(), steps.begin(), steps.end());
    args.push_back(in);
    return args;
  }
  std::vector<std::string> FourUp() {
    return Args({"--params", kvtest::SourcePath("docs/recipes/4up-a4.xml"), "--command", "Nup", "--save", out});
  }
  std::vector<std::string> TwoSteps() {
    return Args({"--params", kvtest::SourcePath("docs/recipes/trim-and-shift.xml"), "--command", "TrimAndShift",
                 "--params", kvtest::SourcePath("docs/recipes/booklet-a4.xml"), "--command", "SimpleBooklet", "--save",
                 out});
  }
  static std::string CommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "" : " ") + ("'" + a + "'");
    return line;
  }

  kvtest::TempDir dir;
  std::string in = dir.file("in.pdf");
  std::string out = dir.file("out.pdf");
};

TEST_F(Terminal, ShowsTheStatusAndItsProgressOnOneLine) {
  Outcome r = kvtest::RunUnderTerminal(FourUp());
  ASSERT_EQ(0, r.status) << r.out;
  const std::string placing = "placing the pages on sheets";
  std::string status = Message("pagemg.4.status.velmora");
  status[0] = (char)std::tolower((unsigned char)status[0]);
  ASSERT_EQ(placing + "...", status) << "the line says the status in lower case, without its dots";
  std::set<int> percents, counts;
  for (const SDrawn& d : DrawnLines(r.out)) {
    if (d.words != placing) continue;
    percents.insert(d.percent);
    if (d.count >= 0) {
      counts.insert(d.count);
      EXPECT_EQ(400, d.of) << d.row;
    }
    EXPECT_EQ("step 1 of 1, Nup", d.label);
  }
  ASSERT_FALSE(percents.empty()) << "no progress of \"" << placing << "\":\n" << r.out;
  EXPECT_GE(percents.size(), 20u) << r.out;
  EXPECT_GE(counts.size(), 20u) << r.out;
  EXPECT_GE(*counts.rbegin(), 350) << r.out;
  // The terminal is left with one line for the saved file: its pages and their size.
  const std::string saved = out + ": 100 pages of 595.28 x 841.89 pt\r\n";
  ASSERT_GE(r.out.size(), saved.size());
  EXPECT_EQ(saved, r.out.substr(r.out.size() - saved.size())) << r.out.substr(r.out.size() - 200);
  const std::string drawn = r.out.substr(0, r.out.size() - saved.size());
  // One line for the whole n-up: the phases follow one another, each with a
  // share of the percentage, none starting again at 0.
  const auto words = CheckSteps(drawn);
  ASSERT_EQ(1u, words.size()) << drawn;
  for (const char* phase : {"reading page sizes", "copying the pages", "placing the pages on sheets", "tidying up"})
    EXPECT_EQ(1u, words.begin()->second.count(phase)) << phase << "\n" << drawn;
  EXPECT_LE(*percents.begin(), 50) << "placing has a share, not the whole";
  EXPECT_GE(HighestPercent(drawn, "step 1 of 1, Nup"), 95) << drawn;
  // Redrawn in place, never a line of its own, never wider than the terminal
  // (a wrapped row would not be redrawn).
  EXPECT_EQ(std::string::npos, drawn.find('\n')) << drawn;
  for (const SDrawn& d : DrawnLines(drawn)) EXPECT_LT(d.row.size(), 100u) << d.row;
  // The progress ends with the line cleared.
  ASSERT_GE(drawn.size(), 4u);
  EXPECT_EQ(kClear, drawn.substr(drawn.size() - 4)) << drawn.substr(drawn.size() - 200);
  // And it did its work: 400 pages, four a sheet.
  Outcome info = Shell("pdfinfo '" + out + "'");
  EXPECT_TRUE(std::regex_search(info.out, std::regex("Pages: +100\n"))) << info.out;
}

// Two steps, each on its own line: a trim into a new document, then a
// booklet of it. Every state drawn is a step's line or a clear, the steps'
// percentages go only forward, and each step's line ends before the next.
TEST_F(Terminal, EachStepHasALineThatOnlyGoesForward) {
  Outcome r = kvtest::RunUnderTerminal(TwoSteps());
  ASSERT_EQ(0, r.status) << r.out;
  const auto words = CheckSteps(r.out);
  const std::string trim = "step 1 of 2, TrimAndShift", booklet = "step 2 of 2, SimpleBooklet";
  ASSERT_EQ(2u, words.size()) << r.out;
  ASSERT_EQ(1u, words.count(trim)) << r.out;
  ASSERT_EQ(1u, words.count(booklet)) << r.out;
  for (const char* phase : {"copying the pages", "trimming and shifting the pages"})
    EXPECT_EQ(1u, words.at(trim).count(phase)) << phase << "\n" << r.out;
  for (const char* phase : {"measuring the pages", "copying the pages for the booklet", "making the booklet's sheets",
                            "tidying up"})
    EXPECT_EQ(1u, words.at(booklet).count(phase)) << phase << "\n" << r.out;
  // The trim's pages one by one and the booklet's sheets are counted out of
  // the book's 400 pages.
  std::set<std::string> counted;
  for (const SDrawn& d : DrawnLines(r.out))
    if (d.count >= 1 && d.of == 400) counted.insert(d.label + ": " + d.words);
  EXPECT_EQ(1u, counted.count(trim + ": trimming and shifting the pages")) << r.out;
  EXPECT_EQ(1u, counted.count(booklet + ": making the booklet's sheets")) << r.out;
  EXPECT_GE(HighestPercent(r.out, trim), 90) << r.out;
  EXPECT_GE(HighestPercent(r.out, booklet), 90) << r.out;
  // The first step's line is gone before the second's is drawn, and the
  // progress ends with the line cleared, before the line of the saved file.
  const size_t second = r.out.find("\r" + booklet);
  ASSERT_NE(std::string::npos, second) << r.out;
  EXPECT_EQ(kClear, r.out.substr(second - 4, 4)) << r.out.substr(second - 200, 300);
  const std::string saved = kClear + out + ": 200 pages of";
  const size_t last = r.out.rfind(saved);
  ASSERT_NE(std::string::npos, last) << r.out.substr(r.out.size() - 200);
  EXPECT_EQ(r.out.size() - 1, r.out.find('\n')) << "one line, the last: " << r.out.substr(last);
  Outcome info = Shell("pdfinfo '" + out + "'");
  EXPECT_TRUE(std::regex_search(info.out, std::regex("Pages: +200\n"))) << info.out;
}

TEST_F(Terminal, AMessageGetsALineOfItsOwn) {
  // Page 199 would be shifted out of view: the run stops there with an error,
  // while its progress is on show.
  const std::string params = Params("shift.xml",
                                    "<A N='Shift'>Variable</A><A N='ShiftDir'>Up</A><F N='ShiftFrom'>0</F>"
                                    "<F N='ShiftTo'>-1600</F>");
  Outcome r = kvtest::RunUnderTerminal(Args({"--params", params, "--command", "TrimAndShift", "--save", out}));
  EXPECT_EQ(1, r.status) << r.out;
  const size_t error = r.out.find("error");
  ASSERT_NE(std::string::npos, error) << r.out;
  bool shown = false;
  for (const SDrawn& d : DrawnLines(r.out.substr(0, error)))
    shown = shown || (d.label == "step 1 of 1, TrimAndShift" && d.percent >= 0);
  EXPECT_TRUE(shown) << "the progress was on show:\n" << r.out;
  ASSERT_GE(error, 4u);
  EXPECT_EQ(kClear, r.out.substr(error - 4, 4)) << "the line is cleared first:\n" << r.out.substr(0, error + 100);
  EXPECT_TRUE(r.Says("Page 199 shows")) << r.out;
  // kvhost's own last word begins a line too.
  const size_t last = r.out.find("kvhost: the command TrimAndShift did not complete");
  ASSERT_NE(std::string::npos, last) << r.out;
  ASSERT_GE(last, 4u);
  EXPECT_TRUE(r.out.substr(last - 4, 4) == kClear || r.out[last - 1] == '\n') << r.out.substr(error);
}

TEST_F(Terminal, NothingOfItWithoutATerminalOrWhenQuiet) {
  for (const auto& run : {FourUp(), TwoSteps()}) {
    Outcome piped = Shell(CommandLine(run));
    EXPECT_EQ(0, piped.status) << piped.out;
    EXPECT_EQ("", piped.out) << "standard error is a pipe";

    std::vector<std::string> quiet = run;
    quiet.insert(quiet.begin() + 1, "--quiet");
    Outcome r = kvtest::RunUnderTerminal(quiet);
    EXPECT_EQ(0, r.status) << r.out;
    EXPECT_EQ("", r.out) << "--quiet on a terminal";
  }
}

}  // namespace
