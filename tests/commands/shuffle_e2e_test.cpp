// The shuffle and even/odd commands as a user runs them: kvhost with the real
// plug-in bundle on generated PDFs, by key with a parameter cabinet and from
// the menu with answered dialogs. The results are read back with independent
// readers: qpdf --check for validity, pdftotext for the page order, pdfinfo
// for the pages' turns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

using kvtest::CabXML;

// The page texts in order, blank-separated ("Page 3 Page 1").
std::string PageTexts(const std::string& pdf) {
  Outcome r = Shell("pdftotext -layout '" + pdf + "' -");
  std::string words;
  for (char c : r.out) {
    if (c == '\n' || c == '\f' || c == ' ') {
      if (!words.empty() && words.back() != ' ') words += ' ';
    } else {
      words += c;
    }
  }
  while (!words.empty() && words.back() == ' ') words.pop_back();
  return words;
}

// Each page's turn as pdfinfo reports it.
std::vector<int> Turns(const std::string& pdf) {
  Outcome r = Shell("pdfinfo -f 1 -l 9999 '" + pdf + "'");
  std::vector<int> turns;
  std::istringstream in(r.out);
  std::string line;
  while (std::getline(in, line)) {
    size_t at = line.find(" rot:");
    if (line.rfind("Page ", 0) == 0 && at != std::string::npos) turns.push_back(std::stoi(line.substr(at + 5)));
  }
  return turns;
}

bool Valid(const std::string& pdf) { return Shell("qpdf --check '" + pdf + "'").status == 0; }

struct Param {
  const char* key;
  enum { kString, kInt, kBool, kAtom } kind;
  const char* text;
  int number;
};

class ShuffleHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs '" + dir.path() + "' " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  static SKCab* Params(const std::vector<Param>& params) {
    SKCab* cab = KCabNewInner();
    for (const Param& p : params) {
      switch (p.kind) {
        case Param::kString: KCabPutStringCopy(cab, p.key, p.text); break;
        case Param::kInt: KCabPutInt(cab, p.key, p.number); break;
        case Param::kBool: KCabPutBool(cab, p.key, p.number); break;
        case Param::kAtom: KCabPutAtom(cab, p.key, ASAtomFromString(p.text)); break;
      }
    }
    return cab;
  }
  std::string Cabinet(const char* name, SKCab* cab) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, CabXML(cab));
    KCabDestroy(cab);
    return path;
  }
  // Answers for the first dialog that comes up.
  std::string Answers(const char* name, const std::vector<Param>& params) {
    SKCab* answers = KCabNewInner();
    KCabPutCab(answers, "0", Params(params));
    return Cabinet(name, answers);
  }

  kvtest::TempDir dir;
};

Param S(const char* key, const char* text) { return {key, Param::kString, text, 0}; }
Param I(const char* key, int n) { return {key, Param::kInt, nullptr, n}; }
Param B(const char* key, bool b) { return {key, Param::kBool, nullptr, b}; }
Param A(const char* key, const char* atom) { return {key, Param::kAtom, atom, 0}; }

struct RunCase {
  const char* name;
  const char* command;
  int pages;
  std::vector<Param> params;
  const char* texts;        // the page order read back
  int pageCount;
  std::vector<int> turned;  // 1-based pages turned by 180
};

// Test names print the case's name, not a dump of its bytes.
void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class ByKey : public ShuffleHost, public ::testing::WithParamInterface<RunCase> {};

TEST_P(ByKey, ReordersTheDocumentInPlace) {
  const RunCase& c = GetParam();
  std::string in = Doc("in.pdf", c.pages);
  std::string params = Cabinet("params.xml", Params(c.params));
  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("'" + in + "' --params '" + params + "' --command " + c.command + " --save '" + out + "'");
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Valid(out));
  EXPECT_EQ(c.texts, PageTexts(out));
  std::vector<int> turns = Turns(out);
  ASSERT_EQ((size_t)c.pageCount, turns.size());
  for (size_t k = 0; k < turns.size(); ++k) {
    bool turned = std::find(c.turned.begin(), c.turned.end(), (int)k + 1) != c.turned.end();
    EXPECT_EQ(turned ? 180 : 0, turns[k]) << "page " << k + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ByKey,
    ::testing::Values(
        RunCase{"Booklet", "Shuffle", 8,
                {S("Order", "4 1 3 2"), I("GroupSize", 4), A("Type", "SaddleStitch"), B("NewDoc", 0)},
                "Page 8 Page 1 Page 7 Page 2 Page 6 Page 3 Page 5 Page 4", 8, {}},
        // The rule the assistant writes from its starting grid does the same.
        RunCase{"AssistantsBooklet", "Shuffle", 8,
                {S("Order", "4 1 3 2 "), I("GroupSize", 4), A("Type", "SaddleStitch"), B("NewDoc", 0)},
                "Page 8 Page 1 Page 7 Page 2 Page 6 Page 3 Page 5 Page 4", 8, {}},
        // Padding, a blank and an upside-down page.
        RunCase{"BlanksAndTurns", "Shuffle", 3, {S("Order", "2 x 1*"), I("GroupSize", 2), B("NewDoc", 0)},
                "Page 2 Page 1 Page 3", 6, {3, 6}},
        // Groups of five: two pages from the front, three from the back, on
        // every road; a slow copy of a duplicate takes the mapped page.
        RunCase{"SaddleOddTestMode", "Shuffle", 10,
                {S("Order", "test 1 2 3 4 5"), I("GroupSize", 5), A("Type", "SaddleStitch"), B("NewDoc", 0)},
                "Page 1 Page 2 Page 8 Page 9 Page 10 Page 3 Page 4 Page 5 Page 6 Page 7", 10, {}},
        RunCase{"SaddleOddSlowCopy", "Shuffle", 10,
                {S("Order", "slowcopy 1 2 3 4 5 4*"), I("GroupSize", 5), A("Type", "SaddleStitch"), B("NewDoc", 0)},
                "Page 1 Page 2 Page 8 Page 9 Page 10 Page 9 Page 3 Page 4 Page 5 Page 6 Page 7 Page 6", 12, {6, 12}},
        RunCase{"CutStacks", "Shuffle", 8,
                {S("Order", "1 3 2 4"), I("GroupSize", 4), A("Type", "CutStacksDouble"), B("NewDoc", 0)},
                "Page 1 Page 5 Page 2 Page 6 Page 3 Page 7 Page 4 Page 8", 8, {}},
        RunCase{"OddsFirst", "EvenOddShuffle", 5, {A("Action", "OddsFirst")}, "Page 1 Page 3 Page 5 Page 2 Page 4", 5,
                {}},
        RunCase{"OddsFirstEvensReversed", "EvenOddShuffle", 6, {A("Action", "OddsFirst"), B("ReverseEven", 1)},
                "Page 1 Page 3 Page 5 Page 6 Page 4 Page 2", 6, {}},
        RunCase{"EvensTurned", "EvenOddShuffle", 4, {A("Action", "No"), B("FlipEven", 1)},
                "Page 1 Page 2 Page 3 Page 4", 4, {2, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShuffleHost, NewDocumentLeavesTheSourceAlone) {
  std::string in = Doc("in.pdf", 4);
  std::string params = Cabinet("params.xml", Params({S("Order", "2 1"), I("GroupSize", 2), B("NewDoc", 1)}));
  std::string saved = dir.file("saved");
  std::filesystem::create_directories(saved);
  Outcome r = Kvhost("'" + in + "' --params '" + params + "' --command Shuffle --save-all '" + saved + "'");
  ASSERT_EQ(0, r.status) << r.out;
  std::vector<std::string> made;
  for (const auto& e : std::filesystem::directory_iterator(saved)) made.push_back(e.path().string());
  ASSERT_EQ(1u, made.size());
  EXPECT_TRUE(Valid(made[0]));
  EXPECT_EQ("Page 2 Page 1 Page 4 Page 3", PageTexts(made[0]));
  EXPECT_EQ("Page 1 Page 2 Page 3 Page 4", PageTexts(in));
}

// More pages than an insertion may make: the run fails before any work and
// the document is not saved.
TEST_F(ShuffleHost, AShuffleBeyondTheInsertLimitFails) {
  std::string in = Doc("in.pdf", 50);
  std::string order;
  for (int i = 0; i < 2001; ++i) order += "1 ";
  std::string params = Cabinet("params.xml", Params({S("Order", order.c_str()), I("GroupSize", 1), B("NewDoc", 0)}));
  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("'" + in + "' --params '" + params + "' --command Shuffle --save '" + out + "'");
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("Inserting 100050 pages at once is more than this command allows")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(ShuffleHost, SplitMakesTwoDocuments) {
  std::string in = Doc("in.pdf", 5);
  std::string params = Cabinet("params.xml", Params({A("Action", "Split")}));
  std::string saved = dir.file("saved");
  std::filesystem::create_directories(saved);
  Outcome r = Kvhost("'" + in + "' --params '" + params + "' --command EvenOddShuffle --save-all '" + saved + "'");
  ASSERT_EQ(0, r.status) << r.out;
  std::vector<std::string> texts;
  for (const auto& e : std::filesystem::directory_iterator(saved)) {
    EXPECT_TRUE(Valid(e.path().string()));
    texts.push_back(PageTexts(e.path().string()));
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ((std::vector<std::string>{"Page 1 Page 3 Page 5", "Page 2 Page 4"}), texts);
}

// ---- from the menu, the dialogs answered

TEST_F(ShuffleHost, MenuDialogAnsweredWithARule) {
  std::string in = Doc("in.pdf", 5);
  std::string answers = Answers("answers.xml", {S("Order", "2 1"), I("GroupSize", 2), B("NewDoc", 0)});
  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("'" + in + "' --answers '" + answers + "' --menu KRVL:Velmora3:ShufflePagesForVelmora --save '" +
                     out + "'");
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Valid(out));
  EXPECT_EQ("Page 2 Page 1 Page 4 Page 3 Page 5", PageTexts(out));
  // The history records the rule and the describer's lines.
  Outcome h = Kvhost("--history '" + out + "'");
  EXPECT_TRUE(h.Says("<S N='Order'>2 1</S>")) << h.out;
  EXPECT_TRUE(h.Says("Page-order rule: 2 1")) << h.out;
}

TEST_F(ShuffleHost, MenuDialogRefusesAnEmptyRule) {
  std::string in = Doc("in.pdf", 3);
  std::string answers = Answers("answers.xml", {S("Order", ""), I("GroupSize", 2)});
  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("'" + in + "' --answers '" + answers + "' --menu KRVL:Velmora3:ShufflePagesForVelmora --save '" +
                     out + "'");
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("There is no page-order rule")) << r.out;
  EXPECT_EQ("Page 1 Page 2 Page 3", PageTexts(in));
}

TEST_F(ShuffleHost, MenuEvenOddRefusesOddsFirstOnTwoPages) {
  struct Case {
    int pages;
    int status;
    const char* texts;
  } cases[] = {{2, 1, "Page 1 Page 2"}, {3, 0, "Page 1 Page 3 Page 2"}};
  for (const Case& c : cases) {
    std::string in = Doc("in.pdf", c.pages);
    std::string answers = Answers("answers.xml", {A("Action", "OddsFirst")});
    std::string out = dir.file("out.pdf");
    std::filesystem::remove(out);
    Outcome r = Kvhost("'" + in + "' --answers '" + answers + "' --menu KRVL:Velmora3:ShuffleEvenOdd --save '" + out +
                       "'");
    EXPECT_EQ(c.status, r.status) << r.out;
    if (c.status == 0) {
      EXPECT_TRUE(Valid(out));
      EXPECT_EQ(c.texts, PageTexts(out));
    } else {
      EXPECT_TRUE(r.Says("at least three pages")) << r.out;
      EXPECT_EQ(c.texts, PageTexts(in));
    }
  }
}

}  // namespace
