// Commands that leave pages out of their result, through kvhost, on a
// document whose every page is pointed at by links, outline items, named
// destinations, fields, beads, the open action and the tags of the others
// (fixtures/LinkFixtures.h). Nothing of a page left out may be saved with the
// result (no page object outside the page tree, nothing pointing at one);
// what pointed at a page that was kept still shows it. Read back with qpdf.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fixtures/LinkFixtures.h"
#include "support/CrossLinkCheck.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using kvtest::Shell;

constexpr int kPages = 24;

std::string Cabinet(const std::string& items) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n"
         "<ITEMS>\n" +
         items + "</ITEMS>\n</RUVURAZAR>\n";
}

std::vector<int> Labels(int first, int step) {
  std::vector<int> v;
  for (int n = first; n <= kPages; n += step) v.push_back(n);
  return v;
}

// One run: the command, its parameters, where the result goes, and the
// pages ("Page N") each saved document shows in order; 0 for a page the
// command made (a sheet, a joined page).
struct SCase {
  const char* name;
  const char* command;
  std::string items;
  bool newDoc;
  std::vector<std::vector<int>> outputs;
  bool sheets;  // the pages are drawn onto sheets: no page of the source is left
  const char* extra = "";  // more kvhost options before the command
};

std::vector<SCase> Cases() {
  std::vector<int> joined;
  for (int n = 1; n <= kPages; ++n)
    if (n != 4) joined.push_back(n == 3 ? 0 : n);
  std::vector<int> threeOne;
  for (int g = 0; g < kPages / 4; ++g) {
    threeOne.push_back(4 * g + 3);
    threeOne.push_back(4 * g + 1);
  }
  std::vector<int> secondOfThree = Labels(2, 3);
  return {
      {"ShuffleOddsIntoNewDoc", "Shuffle", "<I N='GroupSize'>2</I>\n<S N='Order'>1</S>\n<B N='NewDoc'>1</B>\n", true,
       {Labels(1, 2)}, false},
      {"ShuffleOddsInPlace", "Shuffle", "<I N='GroupSize'>2</I>\n<S N='Order'>1</S>\n<B N='NewDoc'>0</B>\n", false,
       {Labels(1, 2)}, false},
      {"ShuffleThreeOneInPlace", "Shuffle", "<I N='GroupSize'>4</I>\n<S N='Order'>3 1</S>\n<B N='NewDoc'>0</B>\n",
       false, {threeOne}, false},
      {"ShuffleSecondOfThreeIntoNewDoc", "Shuffle",
       "<I N='GroupSize'>3</I>\n<S N='Order'>2</S>\n<B N='NewDoc'>1</B>\n", true, {secondOfThree}, false},
      {"EvenOddSplit", "EvenOddShuffle", "<A N='Action'>Split</A>\n", true, {Labels(1, 2), Labels(2, 2)}, false},
      {"Join2Pages", "Join2Pages", "", false, {joined}, false, "--page 3"},
      {"NupInPlace", "Nup",
       "<B N='NewDoc'>0</B>\n<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>1224</F><F N='Height'>792</F>"
       "</ITEMS></DICT>\n<I N='FitAcross'>2</I>\n<I N='FitDown'>1</I>\n",
       false, {std::vector<int>(kPages / 2, 0)}, true},
      {"NupIntoNewDoc", "Nup",
       "<B N='NewDoc'>1</B>\n<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>1224</F><F N='Height'>792</F>"
       "</ITEMS></DICT>\n<I N='FitAcross'>2</I>\n<I N='FitDown'>1</I>\n",
       true, {std::vector<int>(kPages / 2, 0)}, true},
      {"BookletInPlace", "SimpleBooklet", "<A N='Paginate'>Single</A>\n<B N='NewDoc'>0</B>\n", false,
       {std::vector<int>(kPages / 2, 0)}, true},
      // Nothing left out: every reference stays.
      {"ReverseIntoNewDoc", "ReversePageOrder", "<B N='NewDoc'>1</B>\n", true,
       {[] {
         std::vector<int> v;
         for (int n = kPages; n >= 1; --n) v.push_back(n);
         return v;
       }()},
       false},
      {"TrimAndShiftARangeIntoNewDoc", "TrimAndShift",
       "<B N='NewDoc'>1</B>\n<A N='Shift'>Fixed</A>\n<F N='ShiftFrom'>10</F>\n<A N='Source:Range:RangeType'>SubDoc</A>\n"
       "<I N='Source:Range:From'>3</I>\n<I N='Source:Range:To'>6</I>\n",
       true, {Labels(1, 1)}, false},
  };
}

// How many of the links of the pages shown find a page shown.
int KeptLinks(const std::vector<int>& labels) {
  std::set<int> kept(labels.begin(), labels.end());
  int n = 0;
  for (int label : labels) {
    if (label <= 0) continue;
    for (int kind = 1; kind <= 5; ++kind) n += kept.count(kvfix::CrossTarget(kind, label - 1, kPages) + 1) ? 1 : 0;
  }
  return n;
}

class DroppedPages : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    source = dir.file("cross.pdf");
    kvfix::WriteCrossLinked(source, kPages);
    prefs = dir.file("prefs");
    fs::create_directories(prefs + "/Korvel");
    // The tags of new documents are kept only when the preference says so.
    if (KeepTags())
      kvtest::WriteWholeFile(prefs + "/Korvel/kv3.xml",
                             Cabinet("<DICT N='Last'><ITEMS>\n<DICT N='General'><ITEMS>\n"
                                     "<B N='RemoveTagsOnNewDoc'>0</B>\n</ITEMS></DICT>\n</ITEMS></DICT>\n"));
  }
  bool KeepTags() const { return GetParam(); }

  // The documents the run saved, the one whose first page comes first in
  // the source first (the odd half of a split before the even one).
  std::vector<std::string> Run(const SCase& c) {
    const std::string params = dir.file(std::string(c.name) + ".xml");
    kvtest::WriteWholeFile(params, Cabinet(c.items));
    const std::string in = dir.file(std::string(c.name) + "-in.pdf");
    fs::copy_file(source, in, fs::copy_options::overwrite_existing);
    const std::string out = dir.file(std::string(c.name) + "-out");
    fs::create_directories(out);
    const std::string save = c.newDoc ? "--save-all " + out : "--save " + out + "/result.pdf";
    kvtest::ShellOutcome r = Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + prefs + " " +
                                   c.extra + " --params " + params + " --command " + c.command + " " + save + " " + in);
    EXPECT_EQ(0, r.status) << c.name << "\n" << r.out;
    std::vector<std::pair<int, std::string>> saved;
    for (auto& e : fs::directory_iterator(out)) {
      const kvtest::SCrossLinks r = kvtest::ReadCrossLinks(e.path().string(), kPages);
      saved.emplace_back(r.labels.empty() ? 0 : r.labels[0], e.path().string());
    }
    std::sort(saved.begin(), saved.end());
    std::vector<std::string> paths;
    for (auto& s : saved) paths.push_back(s.second);
    return paths;
  }

  kvtest::TempDir dir;
  std::string source, prefs;
};

TEST_P(DroppedPages, NothingOfAPageLeftOutIsSavedAndTheRestStillShowsItsPages) {
  for (const SCase& c : Cases()) {
    const std::vector<std::string> saved = Run(c);
    ASSERT_EQ(c.outputs.size(), saved.size()) << c.name;
    for (size_t k = 0; k < saved.size(); ++k) {
      const std::string what = std::string(c.name) + " document " + std::to_string(k + 1);
      kvtest::ShellOutcome check = Shell("qpdf --check '" + saved[k] + "'");
      EXPECT_EQ(0, check.status) << what << "\n" << check.out;
      const kvtest::SCrossLinks r = kvtest::ReadCrossLinks(saved[k], kPages);
      EXPECT_EQ(c.outputs[k], r.labels) << what;
      EXPECT_EQ(0, r.outside) << what;
      EXPECT_EQ("", r.problems) << what;
      int kept = 0;
      for (int n : r.labels) kept += n > 0;
      if (c.sheets) {
        EXPECT_EQ(0, r.links + r.names + r.catalogNames + r.items + r.widgets + r.elements + r.beads) << what;
        continue;
      }
      // What showed the pages kept is all there, and finds them.
      EXPECT_EQ(KeptLinks(r.labels), r.links) << what;
      EXPECT_EQ(kept, r.names) << what;
      EXPECT_EQ(kept, r.catalogNames) << what;
      EXPECT_EQ(kept, r.items) << what;
      EXPECT_GE(r.widgets, 2 * kept) << what;
      // A document made anew is tagged when the preference keeps tags, and
      // only then (both halves of a split alike); one changed in place keeps
      // its own.
      const bool tagged = !c.newDoc || KeepTags();
      EXPECT_EQ(tagged, r.tagged) << what;
      if (tagged) {
        EXPECT_EQ(kept, r.elements) << what;
        EXPECT_EQ(kept, r.ids) << what;
      }
      if (!c.newDoc) {
        EXPECT_EQ(kept, r.beads) << what << ": the thread of a document changed in place";
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tags, DroppedPages, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "KeepingTags" : "ByDefault"; });

}  // namespace
