// The README's recipes, run exactly as the README writes them: every
// build/kvhost line of its recipes section, from a folder that holds `build`
// and `docs` as the repository's top folder does, with a preferences folder
// of the test's own. Their results are read back with qpdf, pdfinfo and
// pdftotext and must be what the README says comes out. So the README cannot
// promise a command line or a result that does not hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/Shell.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

// The README's text from the heading to the next second-level heading.
std::string Section(const std::string& heading) {
  const std::string readme = kvtest::ReadWholeFile(kvtest::SourcePath("README.md"));
  const size_t from = readme.find("\n" + heading + "\n");
  if (from == std::string::npos) return "";
  const size_t to = readme.find("\n## ", from + 1);
  return readme.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

std::string RecipesSection() { return Section("## Six recipes"); }

// The lines of its sh blocks, in the README's order: what the reader is told
// to type.
std::vector<std::string> ShLines(const std::string& section) {
  std::vector<std::string> lines;
  static const std::regex block("```sh\\n([\\s\\S]*?)```");
  for (std::sregex_iterator m(section.begin(), section.end(), block), end; m != end; ++m) {
    std::istringstream in((*m)[1].str());
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// The recipes' kvhost lines: their file forms, or their one-line forms.
std::vector<std::string> LinesBeginning(const std::string& section, const std::string& start) {
  std::vector<std::string> lines;
  for (const std::string& line : ShLines(section))
    if (line.rfind(start, 0) == 0) lines.push_back(line);
  return lines;
}
std::vector<std::string> CommandLines(const std::string& section) {
  return LinesBeginning(section, "build/kvhost --params");
}
std::vector<std::string> OneLineForms(const std::string& section) {
  return LinesBeginning(section, "build/kvhost --set");
}
bool IsRecipe(const std::string& line) {
  return line.rfind("build/kvhost --params", 0) == 0 || line.rfind("build/kvhost --set", 0) == 0;
}

// The parameter files the README shows, by path, with the text it shows.
std::map<std::string, std::string> ShownFiles(const std::string& section) {
  std::map<std::string, std::string> files;
  static const std::regex shown("`(docs/recipes/[\\w.-]+\\.xml)`:?\\n\\n```xml\\n([\\s\\S]*?)```");
  for (std::sregex_iterator m(section.begin(), section.end(), shown), end; m != end; ++m)
    files[(*m)[1].str()] = (*m)[2].str();
  return files;
}

std::string SavedFile(const std::string& line) {
  static const std::regex save("--save (\\S+)");
  std::smatch m;
  return std::regex_search(line, m, save) ? m[1].str() : "";
}

std::string CommandKey(const std::string& line) {
  static const std::regex command("--command (\\S+)");
  std::smatch m;
  return std::regex_search(line, m, command) ? m[1].str() : "";
}

// The parameters of each run a history records (its Params), by path
// ("Page:Width"), each as its element and text ("F 595.276").
using SRecord = std::map<std::string, std::string>;
std::vector<SRecord> RecordedParams(const std::string& history) {
  std::vector<SRecord> records;
  static const std::regex tag("<(/?)([A-Z]+)(?: N='([^']*)')?>([^<]*)");
  std::vector<std::string> path;  // the DICTs inside the Params being read
  bool inParams = false;
  for (std::sregex_iterator m(history.begin(), history.end(), tag), end; m != end; ++m) {
    const bool closing = (*m)[1] == "/";
    const std::string element = (*m)[2], name = (*m)[3];
    if (element == "ITEMS" || element == "RUVURAZAR") continue;
    if (element == "DICT" && !closing) {
      if (inParams) path.push_back(name);
      if (!inParams && name == "Params") {
        inParams = true;
        records.emplace_back();
      }
    } else if (element == "DICT") {
      if (path.empty()) inParams = false;
      else path.pop_back();
    } else if (inParams && !closing) {
      std::string key;
      for (const std::string& p : path) key += p + ":";
      records.back()[key + name] = element + " " + (*m)[4].str();
    }
  }
  return records;
}

// The same keys with the same values; numbers the same to a thousandth of a
// point (a length given in millimetres is exact, a file's has four decimals).
void ExpectSameRecords(const std::vector<SRecord>& want, const std::vector<SRecord>& got) {
  ASSERT_EQ(want.size(), got.size());
  for (size_t i = 0; i < want.size(); ++i) {
    std::set<std::string> wantKeys, gotKeys;
    for (const auto& [key, value] : want[i]) wantKeys.insert(key);
    for (const auto& [key, value] : got[i]) gotKeys.insert(key);
    EXPECT_EQ(wantKeys, gotKeys) << "run " << i;
    for (const auto& [key, value] : want[i]) {
      if (!got[i].count(key)) continue;
      const std::string& other = got[i].at(key);
      if (value.rfind("F ", 0) == 0 && other.rfind("F ", 0) == 0)
        EXPECT_NEAR(std::atof(value.c_str() + 2), std::atof(other.c_str() + 2), 0.001) << key;
      else
        EXPECT_EQ(value, other) << key;
    }
  }
}

int Pages(const std::string& pdf) {
  Outcome info = Shell("pdfinfo '" + pdf + "' | grep '^Pages:'");
  return info.status == 0 ? std::atoi(info.out.c_str() + 6) : -1;
}

// Each page's size as pdfinfo gives it ("841.89 x 595.276"), one per page.
std::vector<std::string> PageSizes(const std::string& pdf) {
  Outcome info = Shell("pdfinfo -f 1 -l 100000 '" + pdf + "'");
  std::vector<std::string> sizes;
  static const std::regex size("Page +\\d+ size: +([0-9.]+ x [0-9.]+) pts");
  for (std::sregex_iterator m(info.out.begin(), info.out.end(), size), end; m != end; ++m)
    sizes.push_back((*m)[1].str());
  return sizes;
}

// The numbers the sample's pages print, page by page: "8 1|2 7|6 3|4 5".
std::string NumbersByPage(const std::string& pdf) {
  std::string all;
  static const std::regex numbers("^ *\\d+( +\\d+)* *$");
  for (int p = 1, n = Pages(pdf); p <= n; ++p) {
    Outcome text = Shell("pdftotext -layout -f " + std::to_string(p) + " -l " + std::to_string(p) + " '" + pdf + "' -");
    std::istringstream in(text.out);
    std::string page;
    for (std::string line; std::getline(in, line);) {
      if (!std::regex_match(line, numbers)) continue;
      std::istringstream words(line);
      for (std::string w; words >> w;) page += (page.empty() ? "" : " ") + w;
    }
    all += (p > 1 ? "|" : "") + page;
  }
  return all;
}

// Where each page's number begins on the sheets, from the left, by number
// (the sample prints its page number larger than any other word).
std::map<int, double> NumberLefts(const std::string& pdf) {
  Outcome box = Shell("pdftotext -bbox '" + pdf + "' -");
  std::map<int, double> lefts;
  static const std::regex word(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">(\\d+)</word>");
  for (std::sregex_iterator m(box.out.begin(), box.out.end(), word), end; m != end; ++m)
    if (std::atof((*m)[3].str().c_str()) - std::atof((*m)[2].str().c_str()) > 50)
      lefts[std::atoi((*m)[4].str().c_str())] = std::atof((*m)[1].str().c_str());
  return lefts;
}

// Where the first word of page 1 begins, from the left of the visible page.
double FirstWordLeft(const std::string& pdf) {
  Outcome box = Shell("pdftotext -bbox -f 1 -l 1 '" + pdf + "' -");
  static const std::regex word("<word xMin=\"([0-9.]+)\"");
  std::smatch m;
  return std::regex_search(box.out, m, word) ? std::atof(m[1].str().c_str()) : -1;
}

int Words(const std::string& pdf) {
  Outcome text = Shell("pdftotext '" + pdf + "' - | wc -w");
  return text.status == 0 ? std::atoi(text.out.c_str()) : -1;
}

bool Checks(const std::string& pdf) {
  Outcome r = Shell("qpdf --check '" + pdf + "'");
  return r.status == 0 && r.Says("No syntax or stream encoding errors");
}

const char* const kA4Wide = "841.89 x 595.276";
const char* const kA4Tall = "595.276 x 841.89";
const char* const kA5 = "419.528 x 595.276";

// What each recipe makes of the README's sample, as the README says it.
struct SResult {
  int pages;
  const char* size;     // of every page
  const char* numbers;  // the sample's page numbers, page by page
};

const std::map<std::string, SResult>& SampleResults() {
  static const std::map<std::string, SResult> results = {
      {"in.pdf", {8, kA5, "1|2|3|4|5|6|7|8"}},
      {"2up.pdf", {4, kA4Wide, "1 2|3 4|5 6|7 8"}},
      {"4up.pdf", {2, kA4Tall, "1 2 3 4|5 6 7 8"}},
      {"booklet.pdf", {4, kA4Wide, "8 1|2 7|6 3|4 5"}},
      {"reversed.pdf", {8, kA5, "8|7|6|5|4|3|2|1"}},
      {"trimmed.pdf", {8, "419.528 x 566.929", "1|2|3|4|5|6|7|8"}},
      {"creep-booklet.pdf", {4, kA4Wide, "8 1|2 7|6 3|4 5"}},
  };
  return results;
}

class Readme : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const kvtest::TempDir* top : {&dir, &oneLine}) {
      fs::create_symlink(KV_TEST_BUILD_DIR, top->file("build"));
      fs::create_symlink(kvtest::SourcePath("docs"), top->file("docs"));
      fs::create_directories(top->file("prefs"));
    }
  }
  // The line as the reader types it, in the top folder; the preferences
  // folder is the test's own, so nothing the reader keeps is read or changed.
  Outcome Run(const std::string& line) { return RunIn(dir, line); }
  Outcome RunIn(const kvtest::TempDir& top, const std::string& line) {
    return Shell("cd '" + top.path() + "' && XDG_CONFIG_HOME='" + top.file("prefs") + "' " + line);
  }

  // The saved file passes qpdf and has the pages, sizes and page order given.
  void ExpectResult(const std::string& saved, const SResult& want) { ExpectResultIn(dir, saved, want); }
  void ExpectResultIn(const kvtest::TempDir& top, const std::string& saved, const SResult& want) {
    const std::string pdf = top.file(saved);
    EXPECT_TRUE(Checks(pdf)) << saved;
    EXPECT_EQ(want.pages, Pages(pdf)) << saved;
    EXPECT_EQ(std::vector<std::string>((size_t)want.pages, want.size), PageSizes(pdf)) << saved;
    if (want.numbers) {
      EXPECT_EQ(want.numbers, NumbersByPage(pdf)) << saved;
    }
  }

  kvtest::TempDir dir;
  kvtest::TempDir oneLine;  // a second top folder, where the one-line forms run
};

TEST_F(Readme, ShowsTheRecipeFilesAsTheyAreStored) {
  const std::map<std::string, std::string> shown = ShownFiles(RecipesSection());
  ASSERT_EQ(7u, shown.size()) << "the sample's file and the recipes' own";
  for (const auto& [path, text] : shown)
    EXPECT_EQ(kvtest::ReadWholeFile(kvtest::SourcePath(path)), text) << path;
  for (const auto& entry : fs::directory_iterator(kvtest::SourcePath("docs/recipes")))
    EXPECT_TRUE(shown.count("docs/recipes/" + entry.path().filename().string()))
        << entry.path() << " is not shown in the README";
}

TEST_F(Readme, TheRecipesMakeWhatTheReadmeSays) {
  const std::vector<std::string> lines = CommandLines(RecipesSection());
  ASSERT_EQ(7u, lines.size()) << "the sample and the six recipes";
  ASSERT_EQ("in.pdf", SavedFile(lines[0])) << "the sample comes first: " << lines[0];
  std::set<std::string> made;
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    const std::string saved = SavedFile(line);
    ASSERT_TRUE(SampleResults().count(saved)) << "a result the test does not know: " << saved;
    Outcome r = Run(line);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ("", r.out) << "a recipe runs without a warning or a note";
    ExpectResult(saved, SampleResults().at(saved));
    made.insert(saved);
  }
  EXPECT_EQ(SampleResults().size(), made.size());
  // The trimmed pages' content sits 5 mm (14.1732 pt) further right.
  EXPECT_NEAR(FirstWordLeft(dir.file("in.pdf")) + 14.1732, FirstWordLeft(dir.file("trimmed.pdf")), 0.01);
  // With creep the pages moved towards the spine, the middle ones 1 mm
  // (2.835 pt), the outer ones not: the left pages of the sheet sides
  // (even) to the right, the right ones (odd) to the left.
  const std::map<int, double> plain = NumberLefts(dir.file("booklet.pdf"));
  const std::map<int, double> crept = NumberLefts(dir.file("creep-booklet.pdf"));
  ASSERT_EQ(8u, plain.size());
  ASSERT_EQ(8u, crept.size());
  const std::map<int, double> towardsTheSpine = {{1, 0},     {8, 0},     {2, 0.945}, {7, 0.945},
                                                 {3, 1.89},  {6, 1.89},  {4, 2.835}, {5, 2.835}};
  for (const auto& [page, by] : towardsTheSpine)
    EXPECT_NEAR(plain.at(page) + (page % 2 == 0 ? by : -by), crept.at(page), 0.02) << "page " << page;
  // The input is left as it was: still the sample.
  EXPECT_EQ("1|2|3|4|5|6|7|8", NumbersByPage(dir.file("in.pdf")));

  // The lines that check a result run on what the recipes made.
  size_t checks = 0;
  for (const std::string& line : ShLines(RecipesSection())) {
    if (IsRecipe(line)) continue;
    SCOPED_TRACE(line);
    Outcome r = Run(line);
    EXPECT_EQ(0, r.status) << r.out;
    if (line.find("--history") != std::string::npos) {
      EXPECT_TRUE(r.Says("<A N='Command'>Nup</A>")) << r.out;
      EXPECT_TRUE(r.Says("<I N='FitAcross'>2</I>")) << r.out;
    }
    ++checks;
  }
  EXPECT_EQ(4u, checks);
}

// Each recipe's one-line form, beside its file form, makes what the file
// form makes: run in a top folder of its own, from the sample its own
// one-line form made, every result has the same pages, sizes and page order,
// and its history records the same command and parameters.
TEST_F(Readme, TheOneLineFormsMakeWhatTheFileFormsMake) {
  const std::vector<std::string> files = CommandLines(RecipesSection());
  const std::vector<std::string> lines = OneLineForms(RecipesSection());
  ASSERT_EQ(7u, lines.size()) << "the sample and the six recipes";
  ASSERT_EQ(files.size(), lines.size());
  size_t compared = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const std::string saved = SavedFile(lines[i]);
    ASSERT_EQ(SavedFile(files[i]), saved) << "beside its file form";
    EXPECT_EQ(CommandKey(files[i]), CommandKey(lines[i]));
    EXPECT_EQ(std::string::npos, lines[i].find("--params")) << "in one line, without a file";
    Outcome file = Run(files[i]);
    ASSERT_EQ(0, file.status) << file.out;
    Outcome line = RunIn(oneLine, lines[i]);
    ASSERT_EQ(0, line.status) << line.out;
    EXPECT_EQ("", line.out) << "a recipe runs without a warning or a note";
    ExpectResultIn(oneLine, saved, SampleResults().at(saved));
    EXPECT_EQ(PageSizes(dir.file(saved)), PageSizes(oneLine.file(saved)));
    EXPECT_EQ(NumbersByPage(dir.file(saved)), NumbersByPage(oneLine.file(saved)));
    // A sample document has no history; every imposed one has.
    Outcome fileHistory = Run("build/kvhost --history " + saved);
    Outcome lineHistory = RunIn(oneLine, "build/kvhost --history " + saved);
    EXPECT_EQ(fileHistory.status, lineHistory.status) << lineHistory.out;
    if (CommandKey(lines[i]) == "CreateSample") continue;
    ASSERT_EQ(0, lineHistory.status) << lineHistory.out;
    EXPECT_TRUE(lineHistory.Says("<A N='Command'>" + CommandKey(lines[i]) + "</A>")) << lineHistory.out;
    const std::vector<SRecord> records = RecordedParams(lineHistory.out);
    ASSERT_FALSE(records.empty()) << lineHistory.out;
    ExpectSameRecords(RecordedParams(fileHistory.out), records);
    ++compared;
  }
  EXPECT_EQ(6u, compared) << "every recipe's history";
  EXPECT_NEAR(FirstWordLeft(dir.file("trimmed.pdf")), FirstWordLeft(oneLine.file("trimmed.pdf")), 0.001);
}

// The examples of the kvhost section: steps in a row on the document the
// last made, odd and even pages split and merged again, and a batch with a
// preferences folder of its own.
TEST_F(Readme, TheKvhostExamplesRunAsWritten) {
  const std::map<std::string, SResult> results = {
      {"sheets-reversed.pdf", {2, kA4Tall, "5 6 7 8|1 2 3 4"}},
      {"halves/Odd pages 1.pdf", {4, kA5, "1|3|5|7"}},
      {"halves/Even pages 1.pdf", {4, kA5, "2|4|6|8"}},
      {"merged.pdf", {8, kA5, "1|2|3|4|5|6|7|8"}},
      {"batch-reversed.pdf", {8, kA5, "8|7|6|5|4|3|2|1"}},
      {"2up.pdf", {4, kA4Wide, "1 2|3 4|5 6|7 8"}},
      {"played-2up.pdf", {4, kA4Wide, "1 2|3 4|5 6|7 8"}},
  };
  const std::string section = Section("## kvhost");
  for (const std::string answers : {"docs/answers/merge-odd-even.xml", "docs/answers/remember-2up.xml"}) {
    const size_t shown = section.find("`" + answers + "`:\n\n```xml\n");
    ASSERT_NE(std::string::npos, shown) << answers << " is shown";
    const size_t from = section.find("```xml\n", shown) + 7;
    EXPECT_EQ(kvtest::ReadWholeFile(kvtest::SourcePath(answers)), section.substr(from, section.find("```", from) - from));
  }
  ASSERT_EQ(0, Run(CommandLines(RecipesSection())[0]).status) << "the sample";
  const std::vector<std::string> lines = ShLines(section);
  ASSERT_EQ(7u, lines.size());
  std::set<std::string> made;
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    // One document saved, or each one the steps made into a folder.
    static const std::regex folder("--save-all (\\S+)");
    std::smatch all;
    std::vector<std::string> saves;
    if (std::regex_search(line, all, folder)) {
      for (const auto& [file, result] : results)
        if (file.rfind(all[1].str() + "/", 0) == 0) saves.push_back(file);
    } else if (line.find("--save ") != std::string::npos) {
      saves.push_back(SavedFile(line));
    }
    for (const std::string& saved : saves) ASSERT_TRUE(results.count(saved)) << saved;
    Outcome r = Run(line);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_EQ(line.find("--list-actions") != std::string::npos ? "Nup:2up\n" : "", r.out);
    for (const std::string& saved : saves) {
      ExpectResult(saved, results.at(saved));
      made.insert(saved);
    }
  }
  EXPECT_EQ(results.size(), made.size());
  // The batch kept its remembered parameters in its own folder; the
  // reader's own preferences hold only what the merge's dialog ended with
  // (a --menu run remembers its answers), nothing of the batch.
  EXPECT_TRUE(fs::exists(dir.file("batch-prefs/Korvel/kv3.xml")));
  const std::string own = kvtest::ReadWholeFile(dir.file("prefs/Korvel/kv3.xml"));
  EXPECT_NE(std::string::npos, own.find("EvenOddShuffle")) << own;
  EXPECT_EQ(std::string::npos, own.find("ReversePageOrder")) << own;
  // Run again, the batch says what it runs on.
  Outcome again = Run(lines.back());
  ASSERT_EQ(0, again.status) << again.out;
  EXPECT_TRUE(again.Says("runs on the parameters remembered from an earlier run, in batch-prefs/Korvel/kv3.xml"))
      << again.out;
}

// The options the README's kvhost tables explain are those kvhost --help
// lists: none promised that kvhost does not take, none taken unexplained.
TEST_F(Readme, ExplainsTheOptionsKvhostHelpLists) {
  const std::string section = Section("## kvhost");
  std::set<std::string> explained, listed;
  static const std::regex row("\\n\\| `(--[a-z-]+)");
  for (std::sregex_iterator m(section.begin(), section.end(), row), end; m != end; ++m) explained.insert((*m)[1].str());
  Outcome help = Run("build/kvhost --help");
  ASSERT_EQ(0, help.status) << help.out;
  static const std::regex option("(?:^|\\s)(--[a-z-]+)");
  for (std::sregex_iterator m(help.out.begin(), help.out.end(), option), end; m != end; ++m)
    listed.insert((*m)[1].str());
  EXPECT_GE(explained.size(), 15u) << section;
  EXPECT_EQ(listed, explained);
}

// The same lines on a PDF of another producer: 21 A4 pages with an owner
// password and no restrictions. Every page comes out, on sheets of the
// recipe's size.
TEST_F(Readme, TheRecipesImposeADocumentOfAnotherProducer) {
  const std::string in = dir.file("in.pdf");
  fs::copy_file(kvtest::SourcePath("tests/fixtures/realworld/owner-password-allperms.pdf"), in);
  ASSERT_EQ(21, Pages(in));
  const int words = Words(in);
  const std::map<std::string, SResult> results = {
      {"2up.pdf", {11, kA4Wide, nullptr}},         {"4up.pdf", {6, kA4Tall, nullptr}},
      {"booklet.pdf", {12, kA4Wide, nullptr}},     {"reversed.pdf", {21, "595 x 842", nullptr}},
      {"trimmed.pdf", {21, "595 x 813.654", nullptr}},
      {"creep-booklet.pdf", {12, kA4Wide, nullptr}},
  };
  const std::vector<std::string> lines = CommandLines(RecipesSection());
  size_t ran = 0;
  for (const std::string& line : lines) {
    if (line.find("CreateSample") != std::string::npos) continue;
    SCOPED_TRACE(line);
    const std::string saved = SavedFile(line);
    ASSERT_TRUE(results.count(saved)) << saved;
    Outcome r = Run(line);
    if (saved == "creep-booklet.pdf") {
      // The recipe's creep is for an 8-page booklet: on 21 pages it is
      // refused before anything runs, with the CreepEvery that fits, and
      // runs with it.
      EXPECT_EQ(line.find("--set") == std::string::npos ? 1 : 2, r.status) << r.out;
      ASSERT_TRUE(r.Says("give the TrimAndShift --set CreepEvery=24.")) << r.out;
      EXPECT_FALSE(fs::exists(dir.file(saved)));
      std::string fitted = line;
      fitted.insert(fitted.find("--command TrimAndShift"), "--set CreepEvery=24 ");
      r = Run(fitted);
    }
    ASSERT_EQ(0, r.status) << r.out;
    const std::string pdf = dir.file(saved);
    ExpectResult(saved, results.at(saved));
    // Words that run together across neighbouring pages may be counted
    // differently; a lost page would take hundreds.
    EXPECT_LT(std::abs(Words(pdf) - words), words / 21 / 2) << Words(pdf) << " words of " << words;
    ++ran;
  }
  EXPECT_EQ(results.size(), ran);
}

}  // namespace
