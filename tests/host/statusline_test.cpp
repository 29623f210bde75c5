// The host's status line on a terminal: standard error is turned to a
// pseudo-terminal and what the host draws is read back.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "host/AV.h"
#include "host/AVAlert.h"
#include "support/Terminal.h"

namespace {

class StatusLine : public ::testing::Test {
 protected:
  void TearDown() override {
    AVAppSetProgressQuiet(0);
    AVAppShutdown();
  }
  static size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  // Every row drawn, "\r...\x1b[K", without its marks; a clear is "".
  static std::vector<std::string> Rows(const std::string& out) {
    std::vector<std::string> rows;
    static const std::regex row("\r([^\r\x1b]*)\x1b\\[K");
    for (std::sregex_iterator m(out.begin(), out.end(), row), end; m != end; ++m) rows.push_back((*m)[1].str());
    return rows;
  }
  // The percentage at the end of a row, -1 for none.
  static int PercentOf(const std::string& row) {
    std::smatch m;
    static const std::regex percent("(\\d+) %$");
    return std::regex_search(row, m, percent) ? std::stoi(m[1].str()) : -1;
  }
};

// Each percentage is drawn at once, however many steps report it; the count
// between them at most ten times a second.
TEST_F(StatusLine, AHundredThousandStepsDrawEachPercentageOnce) {
  kvtest::StderrOnTerminal terminal(80);
  ASSERT_TRUE(terminal.ok());
  const auto start = std::chrono::steady_clock::now();
  for (ASInt32 i = 0; i < 100000; ++i) AVAppSetStatusLine("Placing the pages...", i, 100000);
  const auto tenths =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count() / 100;
  AVAppEndStatusLine();
  const std::string out = terminal.Take();
  std::vector<int> percents;
  for (const std::string& row : Rows(out))
    if (!row.empty() && (percents.empty() || PercentOf(row) != percents.back())) percents.push_back(PercentOf(row));
  ASSERT_EQ(100u, percents.size()) << out.substr(0, 400);
  for (int p = 0; p < 100; ++p) EXPECT_EQ(p, percents[(size_t)p]);
  EXPECT_LE(Rows(out).size(), 100u + (size_t)tenths + 3);
  EXPECT_EQ(1u, Count(out, "\rplacing the pages, 0 %\x1b[K")) << "no count before the first page";
  EXPECT_EQ(1u, Count(out, "\rplacing the pages, 99000 of 100000, 99 %\x1b[K"));
  EXPECT_EQ("\r\x1b[K", out.substr(out.size() - 4)) << "ended cleared";
}

// A text that changes on every step at the same percentage is drawn at
// most about ten times a second.
TEST_F(StatusLine, AChangingTextIsDrawnAtMostTenTimesASecond) {
  kvtest::StderrOnTerminal terminal(80);
  ASSERT_TRUE(terminal.ok());
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 100000; ++i) AVAppSetStatusLine(("page " + std::to_string(i)).c_str(), 0, 0);
  const auto tenths =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count() / 100;
  AVAppEndStatusLine();
  const std::string out = terminal.Take();
  EXPECT_GE(Count(out, "\rpage "), 1u);
  EXPECT_LE(Count(out, "\rpage "), (size_t)tenths + 2) << out.substr(0, 400);
}

// The words of a new phase are drawn at once when the words before them were
// on show a while, even when nothing else follows: "Tidying up..." after a
// long placing is not left undrawn.
TEST_F(StatusLine, ANewPhaseIsDrawnAtOnce) {
  kvtest::StderrOnTerminal terminal(80);
  AVAppSetStepLabel("step 1 of 1, Nup");
  AVAppBeginStatusPart(1, 1);
  AVAppSetStatusLine("Placing the pages...", 1, 4);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  AVAppSetStatusLine("Placing the pages...", 2, 4);
  AVAppSetStatusLine("Tidying up...", 2, 4);
  AVAppSetStepLabel(nullptr);
  const std::string out = terminal.Take();
  EXPECT_EQ(std::vector<std::string>({"step 1 of 1, Nup: placing the pages, 1 of 4, 25 %",
                                      "step 1 of 1, Nup: placing the pages, 2 of 4, 50 %",
                                      "step 1 of 1, Nup: tidying up, 2 of 4, 50 %", ""}),
            Rows(out))
      << out;
}

// The words of a text: one row, no closing dots, the first word in lower
// case unless it is written in capitals.
TEST_F(StatusLine, TheTextInLowerCaseWords) {
  const struct {
    const char* text;
    const char* row;
  } cases[] = {
      {"Copying the pages...", "copying the pages"},
      {"Making the booklet's sheets\xE2\x80\xA6", "making the booklet's sheets"},
      {"PDF/X check.", "PDF/X check"},
      {"A4 sheets", "A4 sheets"},
      {"A second pass", "a second pass"},
      {"  Two\nlines  ", "two lines"},
      {"...", ""},
  };
  for (const auto& c : cases) {
    kvtest::StderrOnTerminal terminal(80);
    AVAppSetStatusLine(c.text, 0, 0);
    AVAppEndStatusLine();
    EXPECT_EQ("\r" + std::string(c.row) + "\x1b[K\r\x1b[K", terminal.Take()) << c.text;
  }
}

// One row of the terminal: what does not fit is cut at a whole character,
// in front of the count and the percentage, to the width less one column.
TEST_F(StatusLine, OneRowCutToTheTerminalsWidth) {
  const char* const text = "Copying\nthe   pages \xC3\xA9\xC3\xA9 and more";
  {
    kvtest::StderrOnTerminal terminal(40);
    AVAppSetStatusLine(text, 1, 2);
    AVAppEndStatusLine();
    // 39 columns: 14 for ", 1 of 2, 50 %", 25 for the words.
    EXPECT_EQ("\rcopying the pages \xC3\xA9\xC3\xA9 and, 1 of 2, 50 %\x1b[K\r\x1b[K", terminal.Take());
  }
  {
    kvtest::StderrOnTerminal terminal(60);
    AVAppSetStatusLine(text, 0, 0);
    AVAppEndStatusLine();
    EXPECT_EQ("\rcopying the pages \xC3\xA9\xC3\xA9 and more\x1b[K\r\x1b[K", terminal.Take());
  }
  {
    kvtest::StderrOnTerminal terminal(20);
    std::string e20;
    for (int i = 0; i < 20; ++i) e20 += "\xC3\xA9";
    AVAppSetStatusLine(e20.c_str(), 0, 0);
    AVAppEndStatusLine();
    EXPECT_EQ("\r" + e20.substr(0, 19 * 2) + "\x1b[K\r\x1b[K", terminal.Take()) << "19 whole characters";
  }
  {
    // A tail wider than the row is cut too.
    kvtest::StderrOnTerminal terminal(12);
    AVAppSetStatusLine("Copying", 1234567, 9999999);
    AVAppEndStatusLine();
    EXPECT_EQ("\rcopying, 12\x1b[K\r\x1b[K", terminal.Take());
  }
}

// An alert clears the line first and prints on a line of its own; the line
// comes back with the next step.
TEST_F(StatusLine, AnAlertGetsALineOfItsOwn) {
  kvtest::StderrOnTerminal terminal(80);
  AVAppSetStatusLine("Copying", 1, 4);
  AVAlertNote("Something to know.");
  AVAppSetStatusLine("Copying", 2, 4);
  AVAppEndStatusLine();
  EXPECT_EQ(
      "\rcopying, 1 of 4, 25 %\x1b[K\r\x1b[Knote: Something to know.\r\n"
      "\rcopying, 2 of 4, 50 %\x1b[K\r\x1b[K",
      terminal.Take());
}

TEST_F(StatusLine, QuietDrawsNothing) {
  kvtest::StderrOnTerminal terminal(80);
  AVAppSetProgressQuiet(1);
  AVAppSetStepLabel("step 1 of 1, Nup");
  AVAppBeginStatusPart(1, 2);
  for (ASInt32 i = 0; i < 10; ++i) AVAppSetStatusLine("Copying", i, 10);
  AVAppEndStatusPart();
  AVAppEndStatusLine();
  AVAppSetStepLabel(nullptr);
  EXPECT_EQ("", terminal.Take());
}

// The host's own progress monitor draws on the same line.
TEST_F(StatusLine, TheProgressMonitorSharesTheLine) {
  kvtest::StderrOnTerminal terminal(80);
  void* data = nullptr;
  ProgressMonitor pm = AVAppGetDocProgressMonitor(&data);
  pm->beginOperation(data);
  pm->setDuration(4, data);
  pm->setCurrValue(3, data);
  pm->setCurrValue(3, data);
  pm->endOperation(data);
  EXPECT_EQ("\r0 %\x1b[K\r75 %\x1b[K\r\x1b[K", terminal.Take());
}

// Within a step the line leads with the step's label, and its percentage is
// of the whole step: the parts the plug-in marks and the monitor's
// operations in them map onto it. Each case is a run of calls and the
// percentage drawn last.
TEST_F(StatusLine, ThePercentageIsOfTheWholeStep) {
  auto op = [](ASInt32 upTo, ASInt32 of) {
    for (ASInt32 v = 0; v <= upTo; ++v) AVAppSetStatusLine("Working...", v, of);
  };
  auto done = [] { AVAppSetStatusLine("Working...", 0, 0); };
  const struct {
    const char* what;
    std::function<void()> calls;
    int percent;
  } cases[] = {
      {"an operation fills the part it is the first of",
       [&] {
         AVAppBeginStatusPart(40, 100);
         op(50, 100);
       },
       20},
      {"a part ended moves on to its end",
       [&] {
         AVAppBeginStatusPart(40, 100);
         op(10, 100);
         AVAppEndStatusPart();
       },
       40},
      {"parts follow one another",
       [&] {
         AVAppBeginStatusPart(40, 100);
         AVAppEndStatusPart();
         AVAppBeginStatusPart(20, 100);
         op(50, 100);
       },
       50},
      {"a part takes no more than is left",
       [&] {
         AVAppBeginStatusPart(80, 100);
         AVAppEndStatusPart();
         AVAppBeginStatusPart(80, 100);
         op(50, 100);
       },
       90},
      {"parts in parts share the outer one",
       [&] {
         AVAppBeginStatusPart(1, 2);
         AVAppBeginStatusPart(1, 2);
         AVAppEndStatusPart();
         AVAppBeginStatusPart(1, 1);
         op(50, 100);
       },
       37},
      {"an operation outside any part takes half of what is left",
       [&] {
         op(100, 100);
         done();
         op(50, 100);
       },
       62},
      {"a second operation in a part takes half of what the first left",
       [&] {
         AVAppBeginStatusPart(1, 2);
         op(50, 100);  // cut short at 25 %
         op(100, 100);
         done();
       },
       37},
      {"an operation outside any part ends half way", [&] { op(100, 100); }, 50},
      {"never 100 while the step runs",
       [&] {
         AVAppBeginStatusPart(1, 1);
         op(100, 100);
       },
       99},
      {"never 100 at the end of the last part",
       [&] {
         AVAppBeginStatusPart(1, 1);
         op(100, 100);
         AVAppEndStatusPart();
       },
       99},
      {"an operation a part cut short, told again, is no new one",
       [&] {
         AVAppBeginStatusPart(1, 2);
         op(100, 100);
         AVAppEndStatusPart();
         AVAppBeginStatusPart(1, 2);
         AVAppSetStatusLine("Tidying up...", 100, 100);
       },
       50},
      {"the line gone and back goes on where it stood",
       [&] {
         AVAppBeginStatusPart(1, 2);
         op(60, 100);
         AVAppEndStatusLine();
         AVAppSetStatusLine("Working...", 60, 100);
       },
       30},
      {"unmatched ends change nothing",
       [&] {
         AVAppEndStatusPart();
         AVAppEndStatusPart();
         AVAppBeginStatusPart(1, 4);
         op(100, 100);
       },
       25},
  };
  for (const auto& c : cases) {
    kvtest::StderrOnTerminal terminal(120);
    AVAppSetStepLabel("step 2 of 3, Nup");
    c.calls();
    AVAppSetStepLabel(nullptr);
    const std::string out = terminal.Take();
    std::vector<std::string> rows = Rows(out);
    ASSERT_FALSE(rows.empty()) << c.what;
    EXPECT_EQ("", rows.back()) << c.what << ": the step's end clears the line";
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    ASSERT_FALSE(rows.empty()) << c.what << ": nothing drawn";
    EXPECT_EQ(c.percent, PercentOf(rows.back())) << c.what << "\n" << out;
    int high = 0;
    for (const std::string& row : rows) {
      if (row.empty()) continue;
      EXPECT_EQ(0u, row.rfind("step 2 of 3, Nup: ", 0)) << c.what << ": " << row;
      EXPECT_GE(PercentOf(row), high) << c.what << ": " << row;
      EXPECT_LT(PercentOf(row), 100) << c.what << ": " << row;
      high = PercentOf(row);
    }
  }
}

// A step's line: the label, the words, the count while the monitor counts,
// the percentage; a count that would go back under the same words (the
// second pass of a copy) is left out; the line ends with the step. Rows that
// only the clock lets through (a count, new words at the same percentage)
// are not asked for: the first row of each new percentage is.
TEST_F(StatusLine, AStepsLineGoesOnlyForward) {
  kvtest::StderrOnTerminal terminal(120);
  AVAppSetStepLabel("step 2 of 2, SimpleBooklet");
  AVAppSetStatusLine("", 0, 0);
  AVAppBeginStatusPart(50, 100);
  for (ASInt32 v = 0; v <= 4; ++v) AVAppSetStatusLine("Copying the pages...", v, 4);  // the copies
  for (ASInt32 v = 0; v <= 4; ++v) AVAppSetStatusLine("Copying the pages...", v, 4);  // their stamps
  AVAppSetStatusLine("Copying the pages...", 0, 0);
  AVAppEndStatusPart();
  AVAppBeginStatusPart(1, 1);
  for (ASInt32 v = 0; v <= 2; ++v) AVAppSetStatusLine("Placing the pages on sheets...", v, 4);
  AVAppSetStepLabel(nullptr);
  AVAppSetStatusLine("Afterwards", 1, 4);  // outside a step: the operation's own percentage
  AVAppEndStatusLine();
  const std::string out = terminal.Take();
  std::vector<std::string> firsts;
  int last = -2;
  std::string words;
  int count = 0;
  for (const std::string& row : Rows(out)) {
    if (PercentOf(row) != last) firsts.push_back(row);
    last = PercentOf(row);
    // The count under the same words never goes back.
    std::smatch m;
    if (!std::regex_search(row, m, std::regex(": ([a-z ]+), (\\d+) of 4, "))) continue;
    if (m[1].str() == words) {
      EXPECT_GE(std::stoi(m[2].str()), count) << row;
    }
    words = m[1].str();
    count = std::stoi(m[2].str());
  }
  EXPECT_EQ(std::vector<std::string>({
                "step 2 of 2, SimpleBooklet: 0 %",
                "step 2 of 2, SimpleBooklet: copying the pages, 1 of 4, 12 %",
                "step 2 of 2, SimpleBooklet: copying the pages, 2 of 4, 25 %",
                "step 2 of 2, SimpleBooklet: copying the pages, 3 of 4, 37 %",
                "step 2 of 2, SimpleBooklet: copying the pages, 4 of 4, 50 %",
                "step 2 of 2, SimpleBooklet: placing the pages on sheets, 1 of 4, 62 %",
                "step 2 of 2, SimpleBooklet: placing the pages on sheets, 2 of 4, 75 %",
                "",
                "afterwards, 1 of 4, 25 %",
                "",
            }),
            firsts)
      << out;
}

}  // namespace
