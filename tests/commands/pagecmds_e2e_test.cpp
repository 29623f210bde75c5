// The page commands as a user runs them: kvhost with the real bundle
// (build/plugins/kv3), by key with given parameters and through their menu
// items with answered dialogs, on generated PDFs. The saved files are read
// back with qpdf and poppler-utils only.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <regex>
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

class PageCommands : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  // A cabinet written as XML, for --params and --answers; cab is taken.
  std::string Cabinet(const char* name, SKCab* cab) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, kvtest::CabXML(cab));
    KCabDestroy(cab);
    return path;
  }
  static bool Clean(const std::string& pdf) {
    Outcome r = Shell("qpdf --check '" + pdf + "'");
    return r.status == 0 && r.Says("No syntax or stream encoding errors");
  }
  // The words of each page, pages separated by " | ".
  static std::string Pages(const std::string& pdf) {
    Outcome r = Shell("pdftotext -layout '" + pdf + "' -");
    std::vector<std::string> pages(1);
    std::string word;
    auto flush = [&] {
      if (word.empty()) return;
      pages.back() += (pages.back().empty() ? "" : " ") + word;
      word.clear();
    };
    for (char c : r.out) {
      if (c == '\f' || c == ' ' || c == '\n') {
        flush();
        if (c == '\f') pages.emplace_back();
      } else {
        word += c;
      }
    }
    flush();
    while (!pages.empty() && pages.back().empty()) pages.pop_back();
    std::string out;
    for (size_t i = 0; i < pages.size(); ++i) out += (i ? " | " : "") + pages[i];
    return out;
  }
  // "W x H" of every page, as pdfinfo gives them (whole points).
  static std::vector<std::string> Sizes(const std::string& pdf) {
    Outcome r = Shell("pdfinfo -f 1 -l 100000 '" + pdf + "'");
    static const std::regex line(R"(Page +[0-9]+ size: +([0-9.]+ x [0-9.]+) pts)");
    std::vector<std::string> out;
    for (std::sregex_iterator m(r.out.begin(), r.out.end(), line), end; m != end; ++m) out.push_back((*m)[1]);
    return out;
  }

  kvtest::TempDir dir;
};

// ---- The sample document

TEST_F(PageCommands, SampleDocumentsAreMadeWithoutAnOpenDocument) {
  std::string out = dir.file("sample.pdf");
  Outcome r = Kvhost("--command CreateSample --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ASSERT_TRUE(Clean(out));
  EXPECT_EQ(std::vector<std::string>(8, "612 x 792"), Sizes(out));
  std::string text = Pages(out);
  for (int n = 1; n <= 8; ++n) EXPECT_NE(std::string::npos, text.find(std::to_string(n) + " 1 inch")) << text;
  EXPECT_LT(text.find("3 1 inch"), text.find("4 1 inch")) << "numbered in order";
}

TEST_F(PageCommands, SampleSizesComeFromTheParameters) {
  struct Case {
    const char* use;
    int count;
    const char* size;
  };
  for (Case c : {Case{"A4", 3, "595.276 x 841.89"}, Case{"WideLetter", 2, "792 x 612"}, Case{"A5", 1, "419.528 x 595.276"}}) {
    SCOPED_TRACE(c.use);
    SKCab* params = KCabNewInner();
    KCabPutInt(params, "Count", c.count);
    KCabPutAtom(params, "UseSize", ASAtomFromString(c.use));
    std::string out = dir.file("sized.pdf");
    Outcome r = Kvhost("--params " + Cabinet("p.xml", params) + " --command CreateSample --save " + out);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_TRUE(Clean(out));
    EXPECT_EQ(std::vector<std::string>(c.count, c.size), Sizes(out));
  }
}

TEST_F(PageCommands, ASampleThatCannotBeMadeFails) {
  SKCab* params = KCabNewInner();
  KCabPutInt(params, "Count", 0);
  Outcome r = Kvhost("--params " + Cabinet("p.xml", params) + " --command CreateSample --save " + dir.file("x.pdf"));
  EXPECT_EQ(1, r.status) << r.out;
  // Refused before any step runs, as what the file holds.
  EXPECT_TRUE(r.Says("Count = 0 is refused")) << r.out;
  EXPECT_TRUE(r.Says("nothing was run")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.pdf")));
}

TEST_F(PageCommands, TheSampleMenuItemAnswersItsDialog) {
  SKCab* answers = KCabNewInner();
  SKCab* dialog = KCabNewInner();
  KCabPutInt(dialog, "Count", 2);
  KCabPutAtom(dialog, "UseSize", ASAtomFromString("WideA4"));
  KCabPutCab(answers, "Sample Document", dialog);
  std::string out = dir.file("menu.pdf");
  Outcome r = Kvhost("--answers " + Cabinet("a.xml", answers) + " --menu KRVL:Velmora3:CreateSample --save " + out +
                     " " + Doc("in.pdf", 1));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Clean(out));
  EXPECT_EQ(std::vector<std::string>(2, "841.89 x 595.276"), Sizes(out));
}

// ---- Inserted pages

TEST_F(PageCommands, BlankPagesAreInsertedWhereTheParametersSay) {
  struct Case {
    const char* where;
    int count;
    const char* text;
  };
  for (Case c : {Case{"AtStart", 2, " |  | Page 1 | Page 2 | Page 3"}, Case{"AfterNum", 1, "Page 1 | Page 2 |  | Page 3"}}) {
    SCOPED_TRACE(c.where);
    SKCab* params = KCabNewInner();
    KCabPutAtom(params, "Where", ASAtomFromString(c.where));
    KCabPutInt(params, "PageNum", 2);
    KCabPutInt(params, "Count", c.count);
    std::string out = dir.file("blanks.pdf");
    Outcome r = Kvhost(Doc("in.pdf", 3) + " --params " + Cabinet("p.xml", params) + " --command InsertBlanks --save " +
                       out);
    ASSERT_EQ(0, r.status) << r.out;
    ASSERT_TRUE(Clean(out));
    EXPECT_EQ(std::vector<std::string>(3 + c.count, "612 x 792"), Sizes(out)) << "the size of page 1";
    EXPECT_EQ(c.text, Pages(out));
  }
}

// By key the command works on the active document and its current page, on
// fresh preferences as after a menu run remembered its dialog's answers.
TEST_F(PageCommands, InsertingAtTheCurrentPageByKeyUsesTheActiveDocumentsPage) {
  std::string fresh = dir.file("fresh.pdf");
  Outcome r = Kvhost(Doc("in.pdf", 3) + " --page 2 --command InsertBlanks --save " + fresh);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Clean(fresh));
  EXPECT_EQ("Page 1 |  | Page 2 | Page 3", Pages(fresh)) << "one blank before the current page";

  SKCab* answers = KCabNewInner();
  SKCab* dialog = KCabNewInner();
  KCabPutInt(dialog, "Count", 2);
  KCabPutAtom(dialog, "Where", ASAtomFromString("AfterCur"));
  KCabPutAtom(dialog, "WhatSize", ASAtomFromString("SameAsCur"));
  KCabPutCab(answers, "Insert Pages", dialog);
  std::string out = dir.file("menu.pdf");
  Outcome menu = Kvhost(Doc("in.pdf", 3) + " --page 2 --answers " + Cabinet("a.xml", answers) +
                        " --menu KRVL:Velmora3:InsertBlankPages --save " + out);
  ASSERT_EQ(0, menu.status) << menu.out;
  EXPECT_TRUE(Clean(out));
  EXPECT_EQ("Page 1 | Page 2 |  |  | Page 3", Pages(out));

  // The menu remembered its answers, "Interactive" among them: by key the
  // same answers give the same pages.
  std::string again = dir.file("again.pdf");
  Outcome byKey = Kvhost(Doc("in.pdf", 3) + " --page 2 --command InsertBlanks --save " + again);
  ASSERT_EQ(0, byKey.status) << byKey.out;
  EXPECT_EQ("Page 1 | Page 2 |  |  | Page 3", Pages(again));
}

TEST_F(PageCommands, PagesOfAnotherFileAreInserted) {
  std::string other = Doc("other.pdf", 2);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString("File"));
  KCabPutAtom(params, "Where", ASAtomFromString("AtEnd"));
  KCabPutStringCopy(params, "DIPath", other.c_str());
  KCabPutInt(params, "Copies", 2);
  std::string out = dir.file("file.pdf");
  Outcome r = Kvhost(Doc("in.pdf", 1) + " --params " + Cabinet("p.xml", params) + " --command InsertBlanks --save " +
                     out);
  ASSERT_EQ(0, r.status) << r.out;
  ASSERT_TRUE(Clean(out));
  EXPECT_EQ(5u, Sizes(out).size());
  EXPECT_EQ("Page 1 | Page 1 | Page 2 | Page 1 | Page 2", Pages(out));
}

// ---- Join two pages

TEST_F(PageCommands, TheCurrentPageIsJoinedWithTheNext) {
  std::string out = dir.file("joined.pdf");
  Outcome r = Kvhost(Doc("in.pdf", 4) + " --page 2 --command Join2Pages --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ASSERT_TRUE(Clean(out));
  EXPECT_EQ((std::vector<std::string>{"612 x 792", "1224 x 792", "612 x 792"}), Sizes(out));
  EXPECT_EQ("Page 1 | Page 2 Page 3 | Page 4", Pages(out));
  Outcome history = Kvhost("--history " + out);
  EXPECT_TRUE(history.Says("Join2Pages")) << "recorded in the document: " << history.out;
}

TEST_F(PageCommands, TheLastPageCannotBeJoined) {
  std::string in = Doc("in.pdf", 3);
  Outcome r = Kvhost(in + " --page 3 --command Join2Pages --save " + dir.file("x.pdf"));
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("no next page")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.pdf")));
}

TEST_F(PageCommands, TheJoinMenuItemAsksAndJoins) {
  std::string out = dir.file("menu.pdf");
  Outcome r = Kvhost(Doc("in.pdf", 2) + " --menu KRVL:Velmora3:JoinTwoPages --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Clean(out));
  EXPECT_EQ(std::vector<std::string>{"1224 x 792"}, Sizes(out));
  EXPECT_EQ("Page 1 Page 2", Pages(out));
}

// ---- Reverse the page order

TEST_F(PageCommands, PagesAreReversedInPlace) {
  std::string out = dir.file("reversed.pdf");
  Outcome r = Kvhost(Doc("in.pdf", 3) + " --command ReversePageOrder --save " + out);
  ASSERT_EQ(0, r.status) << r.out;
  ASSERT_TRUE(Clean(out));
  EXPECT_EQ("Page 3 | Page 2 | Page 1", Pages(out));
}

TEST_F(PageCommands, AReversedCopyLeavesTheDocumentAlone) {
  SKCab* params = KCabNewInner();
  KCabPutBool(params, "NewDoc", 1);
  std::string in = Doc("in.pdf", 4);
  std::filesystem::create_directory(dir.file("new"));
  Outcome r = Kvhost(in + " --params " + Cabinet("p.xml", params) + " --command ReversePageOrder --save-all " +
                     dir.file("new"));
  ASSERT_EQ(0, r.status) << r.out;
  std::vector<std::string> made;
  for (const auto& e : std::filesystem::directory_iterator(dir.file("new"))) made.push_back(e.path().string());
  ASSERT_EQ(1u, made.size());
  EXPECT_TRUE(Clean(made[0]));
  EXPECT_EQ("Page 4 | Page 3 | Page 2 | Page 1", Pages(made[0]));
  EXPECT_EQ("Page 1 | Page 2 | Page 3 | Page 4", Pages(in));
}

// The menu's question is answered with its first button: a reversed copy.
TEST_F(PageCommands, TheReverseMenuItemMakesACopyByDefault) {
  std::filesystem::create_directory(dir.file("new"));
  Outcome r = Kvhost(Doc("in.pdf", 2) + " --menu KRVL:Velmora3:ReversePages --save-all " + dir.file("new"));
  ASSERT_EQ(0, r.status) << r.out;
  std::vector<std::string> made;
  for (const auto& e : std::filesystem::directory_iterator(dir.file("new"))) made.push_back(e.path().string());
  ASSERT_EQ(1u, made.size());
  EXPECT_TRUE(Clean(made[0]));
  EXPECT_EQ("Page 2 | Page 1", Pages(made[0]));
}

}  // namespace
