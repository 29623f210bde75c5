// kvhost with the product's plug-in, as a user meets it: the versions it
// names, and the documents a run made and did not save.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using Outcome = kvtest::ShellOutcome;

class KvhostUser : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args, const char* quiet = "--quiet") {
    return kvtest::Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost " + quiet + " --prefs " + dir.path() + " " + args);
  }
  kvtest::TempDir dir;
};

TEST_F(KvhostUser, VersionNamesKvhostAndTheProduct) {
  Outcome r = Kvhost("--version");
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("kvhost 3.0, plug-in Korvel Velmora 3.0k\n", r.out);
}

// Splitting odd and even pages makes two documents; --save saves the one in
// front. The other's pages would be lost: the run names it and fails, and
// --save-all saves both.
TEST_F(KvhostUser, ASplitSavedByHalfFails) {
  const std::string in = dir.file("in.pdf");
  kvfix::WriteSimple(in, 8);
  const std::string split = "--set Action=Split --command EvenOddShuffle ";
  Outcome half = Kvhost(split + "--save " + dir.file("half.pdf") + " " + in);
  EXPECT_EQ(1, half.status) << half.out;
  EXPECT_TRUE(half.Says("kvhost: a document the steps made or changed was not saved, and its work is lost:\n"
                        "  \"Odd pages 1\" (4 pages)\n"
                        "kvhost: --save-all DIR saves every document the steps made or changed, as DIR/<window "
                        "title>.pdf (an input as DIR/<its file name>)\n"))
      << half.out;
  EXPECT_TRUE(std::filesystem::exists(dir.file("half.pdf")));
  Outcome all = Kvhost(split + "--save-all " + dir.file("all") + " " + in);
  EXPECT_EQ(0, all.status) << all.out;
  EXPECT_EQ("", all.out);
  for (const char* made : {"all/Odd pages 1.pdf", "all/Even pages 1.pdf"})
    EXPECT_EQ(0, kvtest::Shell("qpdf --check '" + dir.file(made) + "'").status) << made;
  // A step that makes a new document of the one in front takes its pages
  // on: the even pages went into the reversed copy; the odd ones are lost.
  Outcome chained = Kvhost(split + "--set NewDoc=1 --command ReversePageOrder --save " + dir.file("rev.pdf") + " " + in);
  EXPECT_EQ(1, chained.status) << chained.out;
  EXPECT_TRUE(chained.Says("kvhost: a document the steps made or changed was not saved, and its work is lost:\n"
                           "  \"Odd pages 1\" (4 pages)\n"))
      << chained.out;
  EXPECT_FALSE(chained.Says("Even pages")) << chained.out;
  Outcome tried = Kvhost(split + in, "");
  EXPECT_EQ(0, tried.status) << tried.out;
  EXPECT_TRUE(tried.Says("kvhost: nothing was saved (no --save or --save-all); the steps made or changed:\n"
                         "  \"Odd pages 1\" (4 pages)\n  \"Even pages 1\" (4 pages)\n"))
      << tried.out;
}

// A key typed with --set that the chosen mode does not read stops the run
// before anything runs, saying which setting makes it read; the same key
// in a parameter file is warned about, and the run goes on.
TEST_F(KvhostUser, ASettingTheModeDoesNotReadStopsTheRun) {
  const std::string in = dir.file("in.pdf");
  kvfix::WriteSimple(in, 4);
  Outcome r = Kvhost("--set Action=Split --set ReverseEven=1 --command EvenOddShuffle --save-all " + dir.file("all") +
                     " " + in);
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_EQ("kvhost: --command EvenOddShuffle: ReverseEven is read only with Action No or OddsFirst: add --set "
            "Action=No, or leave ReverseEven out.\nkvhost: nothing was run\n",
            r.out);
  EXPECT_FALSE(std::filesystem::exists(dir.file("all")));
  const std::string params = dir.file("p.xml");
  kvtest::WriteWholeFile(params, "<RUVURAZAR xmlns=\"http://korvel.invalid/xml/cabinet/3\">\n<ITEMS>\n"
                                 "<A N='Action'>Split</A>\n<B N='ReverseEven'>1</B>\n</ITEMS>\n</RUVURAZAR>\n");
  Outcome file = Kvhost("--params " + params + " --command EvenOddShuffle --save-all " + dir.file("all") + " " + in);
  EXPECT_EQ(0, file.status) << file.out;
  EXPECT_EQ("warning [Korvel Velmora 3.0k]: ReverseEven is not read with Action = Split: it is ignored.\n", file.out);
}

}  // namespace
