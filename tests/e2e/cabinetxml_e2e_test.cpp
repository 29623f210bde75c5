// Hand-written cabinet XML through kvhost: a parameter file, dialog answers
// and a preferences file read as XML does, whichever quote their attributes
// take; what the reading of a person's text would pass over is refused with
// its line; a preferences file that does not read is set aside and named;
// a gap list longer than the n-up takes is refused on every road.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

const char* const kSingleQuotedRoot = "<RUVURAZAR xmlns='http://korvel.invalid/xml/cabinet/3'>";

// A text as a person writes it: single quotes throughout.
std::string HandWritten(const std::string& items) {
  return std::string("<?xml version='1.0' encoding='UTF-8'?>\n") + kSingleQuotedRoot + "\n<ITEMS>\n" + items +
         "\n</ITEMS>\n</RUVURAZAR>\n";
}

const std::string kLetter =
    "<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>612</F><F N='Height'>792</F></ITEMS></DICT>";

class CabinetXMLHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  }
  // Standard error alone, with the status.
  Outcome KvhostErr(const std::string& args) {
    const std::string err = dir.file("stderr.txt");
    Outcome r = Shell("(" + std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() +
                      " " + args + " 2>" + err + ")");
    r.out = kvtest::ReadWholeFile(err);
    return r;
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  std::string File(const char* name, const std::string& text) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, text);
    return path;
  }
  std::string Settings(const char* name = "kv3.xml") { return dir.path() + "/Korvel/" + name; }
  void WritePrefs(const std::string& text) {
    std::filesystem::create_directories(dir.path() + "/Korvel");
    kvtest::WriteWholeFile(Settings(), text);
  }
  static int Pages(const std::string& pdf) {
    Outcome r = Shell("qpdf --show-npages '" + pdf + "'");
    return r.status == 0 ? std::stoi(r.out) : -1;
  }

  kvtest::TempDir dir;
};

// A parameter file and dialog answers with the namespace in single quotes
// run as the same files in double quotes do.
TEST_F(CabinetXMLHost, SingleQuotedParameterFilesAndAnswersRun) {
  const std::string in = Doc("in.pdf", 4);
  const std::string shuffled = dir.file("shuffled.pdf");
  Outcome params = Kvhost("--params " +
                          File("p.xml", HandWritten("<B N='NewDoc'>0</B>\n<S N='Order'>2 1</S>\n<I N='GroupSize'>2</I>")) +
                          " --command Shuffle --save " + shuffled + " " + in);
  ASSERT_EQ(0, params.status) << params.out;
  EXPECT_EQ("", params.out);
  EXPECT_EQ(0, Shell("qpdf --check " + shuffled).status);
  EXPECT_EQ(4, Pages(shuffled));
  Outcome history = Kvhost("--history " + shuffled);
  EXPECT_TRUE(history.Says("<S N='Order'>2 1</S>")) << history.out;

  const std::string answers = File("answers.xml",
                                   HandWritten("<DICT N='N-up pages - where and how'><ITEMS><B N='UseScale'>1</B>"
                                               "</ITEMS></DICT>\n<DICT N='N-up pages - sheet and layout'><ITEMS>" +
                                               kLetter + "<A N='DoScaling'>ToFit</A><I N='FitAcross'>2</I>"
                                                         "<I N='FitDown'>1</I></ITEMS></DICT>"));
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  Outcome menu = Kvhost("--answers " + answers + " --menu KRVL:Velmora3:nUpPages --save-all " + out + " " + in);
  ASSERT_EQ(0, menu.status) << menu.out;
  EXPECT_FALSE(menu.Says("could not be read")) << menu.out;
  size_t made = 0;
  for (auto& entry : std::filesystem::directory_iterator(out)) {
    ++made;
    EXPECT_EQ(0, Shell("qpdf --check '" + entry.path().string() + "'").status);
    EXPECT_EQ(2, Pages(entry.path())) << "two pages a sheet";
  }
  EXPECT_EQ(1u, made);
  const std::string remembered = kvtest::ReadWholeFile(Settings());
  EXPECT_NE(std::string::npos, remembered.find("<I N='FitAcross'>2</I>")) << remembered;
}

// The README's way to keep tags, written by hand in single quotes: the copy
// keeps its tags, and the runs after it keep the General dictionary in the
// file they write.
TEST_F(CabinetXMLHost, AHandWrittenPreferencesFileIsHonouredAndKept) {
  WritePrefs(HandWritten("<DICT N='Last'><ITEMS><DICT N='General'><ITEMS><B N='RemoveTagsOnNewDoc'>0</B>"
                         "</ITEMS></DICT></ITEMS></DICT>"));
  const std::string tagged = dir.file("tagged.pdf");
  kvfix::WriteTagged(tagged);
  ASSERT_TRUE(Shell("pdfinfo " + tagged).Says("Tagged:          yes"));
  for (const char* run : {"first", "second"}) {
    SCOPED_TRACE(run);
    const std::string copy = dir.file(std::string(run) + ".pdf");
    Outcome r = Kvhost("--set NewDoc=1 --command ReversePageOrder --save " + copy + " " + tagged);
    ASSERT_EQ(0, r.status) << r.out;
    EXPECT_FALSE(r.Says("could not be read")) << r.out;
    EXPECT_EQ(0, Shell("qpdf --check " + copy).status);
    EXPECT_TRUE(Shell("pdfinfo " + copy).Says("Tagged:          yes")) << "tags kept on the copy";
    // A run on the remembered parameters writes the file again.
    Outcome remembered = Kvhost("--command ReversePageOrder " + Doc("plain.pdf", 2));
    ASSERT_EQ(0, remembered.status) << remembered.out;
    const std::string prefs = kvtest::ReadWholeFile(Settings());
    EXPECT_NE(std::string::npos, prefs.find("<DICT N='General'>")) << prefs;
    EXPECT_NE(std::string::npos, prefs.find("<B N='RemoveTagsOnNewDoc'>0</B>")) << prefs;
    EXPECT_NE(std::string::npos, prefs.find("<DICT N='ReversePageOrder'>")) << prefs;
  }
  EXPECT_FALSE(std::filesystem::exists(Settings("kv3 unreadable1.xml")));
}

// A preferences file that does not read is set aside, and standard error
// names it and where it went; the run goes on with empty settings.
TEST_F(CabinetXMLHost, AnUnreadablePreferencesFileIsNamedWithWhereItWent) {
  const std::string bad = HandWritten("<DICT N='Last'><ITEMS><DICT N='General'><ITEMS>").substr(0, 120);
  WritePrefs(bad);
  const std::string reversed = dir.file("reversed.pdf");
  Outcome r = KvhostErr("--command ReversePageOrder --save " + reversed + " " + Doc("in.pdf", 3));
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("The settings file " + Settings() + " could not be read: it was moved to " +
                     Settings("kv3 unreadable1.xml") + ", and the settings start empty."))
      << r.out;
  EXPECT_EQ(bad, kvtest::ReadWholeFile(Settings("kv3 unreadable1.xml")));
  EXPECT_EQ(3, Pages(reversed));
  // The file written in its place reads: the next run says nothing of it.
  Outcome again = KvhostErr("--command ReversePageOrder " + Doc("other.pdf", 2));
  EXPECT_EQ(0, again.status) << again.out;
  EXPECT_FALSE(again.Says("could not be read")) << again.out;
  EXPECT_EQ(bad, kvtest::ReadWholeFile(Settings("kv3 unreadable1.xml")));
}

// What the reading of stored files would pass over, and its contents with
// it, is refused in a person's text with its line: nothing runs.
TEST_F(CabinetXMLHost, WhatTheReadingWouldPassOverIsRefusedWithItsLine) {
  struct Case {
    const char* what;
    std::string items;
    std::string says;
  };
  const std::string nup = kLetter + "\n<B N='UseScale'>1</B>\n<A N='DoScaling'>ToFit</A>";
  const Case cases[] = {
      {"a second ITEMS", nup + "\n</ITEMS>\n<ITEMS>\n<I N='FitAcross'>3</I>",
       "The command parameters in @ could not be read: line 8 holds a second <ITEMS> inside <RUVURAZAR>; one <ITEMS> "
       "holds all its entries."},
      {"an element of another kind", nup + "\n<Q N='FitAcross'>3</Q>",
       "The command parameters in @ could not be read: line 7, <Q> is no element of cabinet XML; the entries are "
       "<I>, <U>, <F>, <B>, <S>, <A>, <NULL> and <DICT>."},
      {"an entry outside ITEMS", nup + "\n</ITEMS>\n<I N='FitAcross'>3</I>\n<ITEMS>",
       "The command parameters in @ could not be read: line 8, <I> does not go inside <RUVURAZAR>"},
      {"a value as text", nup + "\nFitAcross=3",
       "The command parameters in @ could not be read: line 7, \"FitAcross=3\" stands inside <ITEMS> beside the "
       "entries"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string in = Doc("in.pdf", 4);
    const std::string before = kvtest::ReadWholeFile(in);
    const std::string params = File("p.xml", HandWritten(c.items));
    const std::string saved = dir.file("saved.pdf");
    Outcome r = KvhostErr("--params " + params + " --command Nup --save " + saved + " " + in);
    EXPECT_EQ(1, r.status) << r.out;
    std::string says = c.says;
    says.replace(says.find('@'), 1, params);
    EXPECT_TRUE(r.Says(says)) << r.out;
    EXPECT_FALSE(std::filesystem::exists(saved));
    EXPECT_EQ(before, kvtest::ReadWholeFile(in));
  }
  // Dialog answers are a person's text too.
  const std::string answers =
      File("answers.xml", HandWritten("<DICT N='N-up pages - where and how'><ITEMS><B N='UseScale'>1</B></ITEMS>"
                                      "<ITEMS/></DICT>"));
  const std::string out = dir.file("out");
  std::filesystem::create_directories(out);
  Outcome menu = KvhostErr("--answers " + answers + " --menu KRVL:Velmora3:nUpPages --save-all " + out + " " +
                           Doc("in.pdf", 4));
  EXPECT_EQ(1, menu.status) << menu.out;
  EXPECT_TRUE(menu.Says("The dialog answers in " + answers +
                        " could not be read: line 4 holds a second <ITEMS> inside <DICT>"))
      << menu.out;
  EXPECT_TRUE(std::filesystem::is_empty(out));
}

// The n-up takes at most 30 gaps each way: more are refused with the count
// and the limit, by a file and by --set alike, and nothing runs.
TEST_F(CabinetXMLHost, MoreGapsThanTheNupTakesAreRefused) {
  auto gaps = [](int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += (i ? " " : "") + std::to_string(i % 7);
    return text;
  };
  const std::string nup = kLetter + "<B N='UseScale'>1</B><B N='UseMgn'>1</B>";
  struct Case {
    std::string args;
    int status;
    std::string says;  // empty: runs
  };
  const Case cases[] = {
      {"--params " + File("h30.xml", HandWritten(nup + "<S N='HSpace'>" + gaps(30) + "</S>")), 0, ""},
      {"--params " + File("h31.xml", HandWritten(nup + "<S N='HSpace'>" + gaps(31) + "</S>")), 1,
       "HSpace holds 31 numbers, which is refused: it takes at most 30."},
      {"--params " + File("v65000.xml", HandWritten(nup + "<S N='VSpace'>" + gaps(65000) + "</S>")), 1,
       "VSpace holds 65000 numbers, which is refused: it takes at most 30."},
      {"--set Page=612x792 --set UseScale=1 --set UseMgn=1 --set 'HSpace=" + gaps(31) + "'", 2,
       "HSpace holds 31 numbers, which is refused: it takes at most 30."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.substr(0, 80));
    const std::string in = Doc("in.pdf", 4);
    const std::string saved = dir.file("saved.pdf");
    std::filesystem::remove(saved);
    Outcome r = Kvhost(c.args + " --command Nup --save " + saved + " " + in);
    EXPECT_EQ(c.status, r.status) << r.out;
    if (c.says.empty()) {
      EXPECT_EQ(0, Shell("qpdf --check " + saved).status);
      Outcome history = Kvhost("--history " + saved);
      EXPECT_TRUE(history.Says("<S N='HSpace'>")) << history.out;
    } else {
      EXPECT_TRUE(r.Says(c.says)) << r.out;
      EXPECT_FALSE(std::filesystem::exists(saved));
    }
  }
}

}  // namespace
