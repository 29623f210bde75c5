// A page under hundreds and thousands of /Pages nodes (each its own object,
// each the only kid of the one above) through the commands, by kvhost: the
// page is read with what it inherits and is in every result; a tree deeper
// than the host reads is refused as damaged, the depth named, and nothing is
// saved. Read back with qpdf, pdftotext and pdfinfo.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/E2ESupport.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kvtest::Shell;

// One run: kvhost options before the file, whether the result is a new
// document (--save-all), the texts of the saved pages and, when the deep
// page is kept as a page, which one it is (1-based, 0: drawn onto a sheet).
struct SCase {
  const char* name;
  std::string args;
  bool newDoc;
  std::string texts;
  int deepPage;
};

const std::vector<SCase>& Cases() {
  static const std::vector<SCase> cases = {
      {"InsertBlanks", "--set Count=1 --set Where=AtEnd --command InsertBlanks", false, "Deep page Shallow page", 1},
      {"ReverseInPlace", "--set NewDoc=0 --command ReversePageOrder", false, "Shallow page Deep page", 2},
      {"ReverseIntoNewDoc", "--set NewDoc=1 --command ReversePageOrder", true, "Shallow page Deep page", 2},
      {"ShuffleInPlace", "--set GroupSize=2 --set 'Order=2 1' --set NewDoc=0 --command Shuffle", false,
       "Shallow page Deep page", 2},
      {"ShuffleIntoNewDoc", "--set GroupSize=2 --set 'Order=2 1' --set NewDoc=1 --command Shuffle", true,
       "Shallow page Deep page", 2},
      {"FlipEven", "--set FlipEven=1 --command EvenOddShuffle", false, "Deep page Shallow page", 1},
      {"TrimAndShift", "--set NewDoc=1 --set Shift=Fixed --set ShiftFrom=10 --command TrimAndShift", true,
       "Deep page Shallow page", 1},
      {"Nup", "--set Page=A4 --set FitAcross=2 --set FitDown=1 --set NewDoc=1 --command Nup", true,
       "Deep page Shallow page", 0},
      {"NupInPlace", "--set Page=A4 --set FitAcross=2 --set FitDown=1 --set NewDoc=0 --command Nup", false,
       "Deep page Shallow page", 0},
      {"Booklet", "--set Paginate=Single --command SimpleBooklet", true, "Deep page Shallow page", 0},
      {"Join2Pages", "--page 1 --command Join2Pages", false, "Deep page Shallow page", 0},
  };
  return cases;
}

// The rotation pdfinfo gives for the one page it was asked about.
std::string Rotation(const std::string& info) {
  size_t at = info.find("rot:");
  if (at == std::string::npos) return "";
  at = info.find_first_not_of(' ', at + 4);
  return info.substr(at, info.find('\n', at) - at);
}

class DeepPageTree : public ::testing::TestWithParam<int> {
 protected:
  kvtest::ShellOutcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  kvtest::TempDir dir;
};

TEST_P(DeepPageTree, TheDeepPageIsInEveryResult) {
  const int levels = GetParam();
  const std::string in = dir.file("deep.pdf");
  kvfix::WriteDeepPageTree(in, levels, true);
  for (const SCase& c : Cases()) {
    const std::string what = std::string(c.name) + " at " + std::to_string(levels) + " levels";
    const std::string out = dir.file(std::string(c.name) + "-out");
    fs::create_directories(out);
    const std::string save = c.newDoc ? "--save-all " + out : "--save " + out + "/result.pdf";
    kvtest::ShellOutcome r = Kvhost(c.args + " " + save + " " + in);
    ASSERT_EQ(0, r.status) << what << "\n" << r.out;
    std::vector<std::string> saved;
    for (auto& e : fs::directory_iterator(out)) saved.push_back(e.path().string());
    ASSERT_EQ(1u, saved.size()) << what;
    const std::string pdf = "'" + saved[0] + "'";
    EXPECT_EQ(0, Shell("qpdf --check " + pdf).status) << what;
    EXPECT_EQ(c.texts, kvtest::PageTexts(pdf)) << what;
    if (c.deepPage > 0) {
      // What the page inherits from the top and the bottom of the chain.
      const std::string n = std::to_string(c.deepPage);
      kvtest::ShellOutcome info = Shell("pdfinfo -f " + n + " -l " + n + " " + pdf);
      EXPECT_TRUE(info.Says(" 200 x 300 pts")) << what << "\n" << info.out;
      EXPECT_EQ("90", Rotation(info.out)) << what << "\n" << info.out;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, DeepPageTree, ::testing::Values(520, 3000),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// Deeper than the host reads: refused, the depth named, nothing saved.
TEST(DeeperPageTree, IsRefusedAsDamagedNamingTheDepth) {
  kvtest::TempDir dir;
  const std::string in = dir.file("toodeep.pdf");
  kvfix::WriteDeepPageTree(in, 100001, true);
  const std::string out = dir.file("out.pdf");
  kvtest::ShellOutcome r =
      Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() +
            " --set Count=1 --set Where=AtEnd --command InsertBlanks --save " + out + " " + in);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("The file is damaged")) << r.out;
  EXPECT_TRUE(r.Says("more than 100000 levels of page-tree nodes")) << r.out;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
