// kvhost on a terminal, as an operator runs it: long work shows its status
// and progress on one line of standard error, redrawn in place, and the line
// is gone before any message prints and when the run ends. Without a
// terminal, and with --quiet, nothing of it is written.
#include <gtest/gtest.h>

#include <fstream>
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

struct SDrawn {
  int percent;
  std::string text;
};

// Every state of the line drawn: "\r[####....]  42% text" cleared to its end.
std::vector<SDrawn> DrawnLines(const std::string& out) {
  std::vector<SDrawn> drawn;
  static const std::regex line("\r\\[[#.]{20}\\] +(\\d{1,3})% ?([^\r\x1b]*)\x1b\\[K");
  for (std::sregex_iterator m(out.begin(), out.end(), line), end; m != end; ++m)
    drawn.push_back({std::stoi((*m)[1].str()), (*m)[2].str()});
  return drawn;
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
  const std::string placing = Message("pagemg.4.status.velmora");
  std::set<int> percents;
  for (const SDrawn& d : DrawnLines(r.out))
    if (d.text == placing) percents.insert(d.percent);
  ASSERT_FALSE(percents.empty()) << "no progress of \"" << placing << "\":\n" << r.out;
  EXPECT_GE(percents.size(), 20u) << r.out;
  EXPECT_LE(*percents.begin(), 5);
  EXPECT_GE(*percents.rbegin(), 90);
  EXPECT_LE(*percents.rbegin(), 100);
  // The terminal is left with one line for the saved file: its pages and their size.
  const std::string saved = out + ": 100 pages of 595.28 x 841.89 pt\r\n";
  ASSERT_GE(r.out.size(), saved.size());
  EXPECT_EQ(saved, r.out.substr(r.out.size() - saved.size())) << r.out.substr(r.out.size() - 200);
  const std::string drawn = r.out.substr(0, r.out.size() - saved.size());
  // Redrawn in place, never a line of its own, never wider than the terminal
  // (a wrapped row would not be redrawn).
  EXPECT_EQ(std::string::npos, drawn.find('\n')) << drawn;
  size_t at = 0;
  while ((at = drawn.find('\r', at)) != std::string::npos) {
    const size_t next = drawn.find('\r', at + 1);
    const std::string row = drawn.substr(at + 1, (next == std::string::npos ? drawn.size() : next) - at - 1);
    EXPECT_LT(row.size(), 100u + 3) << row;
    at = next;
  }
  // The progress ends with the line cleared.
  ASSERT_GE(drawn.size(), 4u);
  EXPECT_EQ(kClear, drawn.substr(drawn.size() - 4)) << drawn.substr(drawn.size() - 200);
  // And it did its work: 400 pages, four a sheet.
  Outcome info = Shell("pdfinfo '" + out + "'");
  EXPECT_TRUE(std::regex_search(info.out, std::regex("Pages: +100\n"))) << info.out;
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
  EXPECT_FALSE(DrawnLines(r.out.substr(0, error)).empty()) << "the progress was on show:\n" << r.out;
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
  Outcome piped = Shell(CommandLine(FourUp()));
  EXPECT_EQ(0, piped.status) << piped.out;
  EXPECT_EQ("", piped.out) << "standard error is a pipe";

  std::vector<std::string> quiet = FourUp();
  quiet.insert(quiet.begin() + 1, "--quiet");
  Outcome r = kvtest::RunUnderTerminal(quiet);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("", r.out) << "--quiet on a terminal";
}

}  // namespace
