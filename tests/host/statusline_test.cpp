// The host's status line on a terminal: standard error is turned to a
// pseudo-terminal and what the host draws is read back.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

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
};

// Each percentage is drawn once, however many steps report it.
TEST_F(StatusLine, AHundredThousandStepsDrawEachPercentageOnce) {
  kvtest::StderrOnTerminal terminal(80);
  ASSERT_TRUE(terminal.ok());
  for (ASInt32 i = 0; i < 100000; ++i) AVAppSetStatusLine("Placing the pages", i, 100000);
  AVAppEndStatusLine();
  const std::string out = terminal.Take();
  EXPECT_EQ(100u, Count(out, "% Placing the pages\x1b[K")) << out.substr(0, 400);
  EXPECT_EQ(1u, Count(out, "\r[....................]   0% Placing the pages\x1b[K"));
  EXPECT_EQ(1u, Count(out, "\r[###################.]  99% Placing the pages\x1b[K"));
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

// One row of the terminal: line breaks become blanks, and a long text is cut
// at a whole character to the width, less one column.
TEST_F(StatusLine, OneRowCutToTheTerminalsWidth) {
  const char* const text = "Copying\nthe   pages \xC3\xA9\xC3\xA9 and more";
  {
    kvtest::StderrOnTerminal terminal(40);
    AVAppSetStatusLine(text, 1, 2);
    AVAppEndStatusLine();
    EXPECT_EQ("\r[##########..........]  50% Copying the\x1b[K\r\x1b[K", terminal.Take()) << "39 columns";
  }
  {
    kvtest::StderrOnTerminal terminal(60);
    AVAppSetStatusLine(text, 0, 0);
    AVAppEndStatusLine();
    EXPECT_EQ("\rCopying the pages \xC3\xA9\xC3\xA9 and more\x1b[K\r\x1b[K", terminal.Take());
  }
  {
    kvtest::StderrOnTerminal terminal(20);
    std::string e20;
    for (int i = 0; i < 20; ++i) e20 += "\xC3\xA9";
    AVAppSetStatusLine(e20.c_str(), 0, 0);
    AVAppEndStatusLine();
    EXPECT_EQ("\r" + e20.substr(0, 19 * 2) + "\x1b[K\r\x1b[K", terminal.Take()) << "19 whole characters";
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
      "\r[#####...............]  25% Copying\x1b[K\r\x1b[Knote: Something to know.\r\n"
      "\r[##########..........]  50% Copying\x1b[K\r\x1b[K",
      terminal.Take());
}

TEST_F(StatusLine, QuietDrawsNothing) {
  kvtest::StderrOnTerminal terminal(80);
  AVAppSetProgressQuiet(1);
  for (ASInt32 i = 0; i < 10; ++i) AVAppSetStatusLine("Copying", i, 10);
  AVAppEndStatusLine();
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
  EXPECT_EQ("\r[....................]   0%\x1b[K\r[###############.....]  75%\x1b[K\r\x1b[K", terminal.Take());
}

}  // namespace
