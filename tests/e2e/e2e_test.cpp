// The plug-in in the host program, as a user runs it: kvhost loads the real
// bundle (build/plugins/kv3) to start, list its menus and commands and refuse
// hosts that lack what it needs; the test bundle kv3test (the same frame with
// a test command that reverses pages) drives the command roads: commands by
// key with remembered or given parameters, menu items with answered dialogs,
// histories written into the saved files and replayed, and named actions.
// Results are read back with qpdf and pdftotext.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/E2ESupport.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using Outcome = kvtest::ShellOutcome;
using kvtest::CabXML;
using kvtest::Shell;

using kvtest::PageTexts;

class Host : public ::testing::Test {
 protected:
  // kvhost with the real bundle (test: false) or the test bundle, in the
  // session's preferences folder.
  Outcome Kvhost(const std::string& args, bool test = true, bool quiet = true) {
    std::string plugin = test ? std::string(" --plugin ") + KV_TEST_BUNDLE_DIR : std::string();
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost" + (quiet ? " --quiet" : "") + " --static-id --prefs " +
                 dir.path() + plugin + " " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  std::string Cabinet(const char* name, SKCab* cab) {
    std::string path = dir.file(name);
    kvtest::WriteWholeFile(path, CabXML(cab));
    KCabDestroy(cab);
    return path;
  }
  static SKCab* Really(bool really) {
    SKCab* cab = KCabNewInner();
    KCabPutBool(cab, "Really", really);
    return cab;
  }

  kvtest::TempDir dir;
};

// ---- the real bundle

TEST_F(Host, ThePlugInStartsWithAFreshPreferencesFolder) {
  Outcome r = Kvhost("--list-menus", false);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(r.Says("Extensions\tExtensions\n  KRVL:Velmora3:ImposeSub\tKorvel Velmora 3\n")) << r.out;
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:ControlPanel\tControl Panel...\n")) << "messages are loaded";
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:nUpPages\tN-up Pages...\t(disabled)\n")) << "no document is open";
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:Remember\tRemember Last Command...\t(disabled)\n"));
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:Sep\t-\t(disabled)\n"));
  EXPECT_TRUE(r.Says("  KRVL:Velmora3:Help\tKorvel Velmora 3...\n"));
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:About\tKorvel Velmora 3...\n"));
  EXPECT_TRUE(r.Says("    KRVL:Velmora3:Prefs\tKorvel Velmora 3\n"));
  EXPECT_FALSE(r.Says("error")) << r.out;

  Outcome withDoc = Kvhost("--list-menus " + Doc("in.pdf", 2), false);
  EXPECT_TRUE(withDoc.Says("    KRVL:Velmora3:nUpPages\tN-up Pages...\n")) << withDoc.out;
}

TEST_F(Host, HostVersions) {
  for (const char* version : {"7.0", "8.1", "9.0", "10.0"}) {
    Outcome r = Kvhost(std::string("--host-version ") + version + " --list-menus", false);
    EXPECT_EQ(0, r.status) << version << "\n" << r.out;
    EXPECT_TRUE(r.Says("KRVL:Velmora3:ImposeSub")) << version;
  }
  // An older host lacks the function tables the plug-in is written against.
  Outcome old = Kvhost("--host-version 6.0 --list-menus", false);
  EXPECT_EQ(1, old.status);
  EXPECT_TRUE(old.Says("refused the handshake: it needs the host function table AcroView of version 7.0 or later, "
                       "and this host reports version 6.0"))
      << old.out;
  EXPECT_TRUE(old.Says("--host-version N.M sets the version kvhost reports")) << old.out;
  EXPECT_FALSE(old.Says("KRVL:Velmora3"));
}

TEST_F(Host, CommandsAreListedAndUnknownOnesRefused) {
  Outcome r = Kvhost("--list-commands", false);
  ASSERT_EQ(0, r.status) << r.out;
  size_t start = 0;
  while (start < r.out.size()) {
    size_t end = r.out.find('\n', start);
    std::string line = r.out.substr(start, end - start);
    EXPECT_NE(std::string::npos, line.find('\t')) << "key, tab, title: " << line;
    start = end == std::string::npos ? r.out.size() : end + 1;
  }
  // Refused before anything runs, naming the nearest command when one is near.
  Outcome unknown = Kvhost("--command NoSuchCommand " + Doc("in.pdf", 1), false);
  EXPECT_EQ(2, unknown.status);
  EXPECT_TRUE(unknown.Says("kvhost: --command NoSuchCommand: There is no command NoSuchCommand; --list-commands lists "
                           "the commands.\nkvhost: nothing was run"))
      << unknown.out;
  Outcome near = Kvhost("--command nup " + Doc("in.pdf", 1), false);
  EXPECT_EQ(2, near.status);
  EXPECT_TRUE(near.Says("There is no command nup; did you mean Nup?")) << near.out;
}

// Answers that do not read stop the run before the menu item: no dialog runs
// on answers nobody gave, nothing is saved.
TEST_F(Host, UnreadableAnswersStopTheRun) {
  kvtest::WriteWholeFile(dir.file("a.xml"), "<not a cabinet");
  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("--answers " + dir.file("a.xml") + " --menu KRVL:Velmora3:ReversePages --save " + out + " " +
                     Doc("in.pdf", 2));
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("The dialog answers in " + dir.file("a.xml") +
                     " could not be read: the text ends inside a tag or comment on line 1; is the file cut off?"))
      << r.out;
  EXPECT_TRUE(r.Says("kvhost: --answers " + dir.file("a.xml") + ": the answers could not be read")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(dir.file("Korvel/kv3.xml"))) << "the command never ran";
}

// Parameters remembered from an earlier run are no surprise: kvhost names
// the file they come from.
TEST_F(Host, ACommandOnRememberedParametersSaysWhereTheyAre) {
  std::string in = Doc("in.pdf", 2);
  Outcome first = Kvhost("--command ReversePageOrder " + in, true, false);
  EXPECT_FALSE(first.Says("remembered")) << first.out;
  Outcome second = Kvhost("--command ReversePageOrder " + in, true, false);
  EXPECT_TRUE(second.Says("kvhost: ReversePageOrder runs on the parameters remembered from an earlier run, in " +
                          dir.path() + "/Korvel/kv3.xml"))
      << second.out;
  EXPECT_FALSE(Kvhost("--command ReversePageOrder " + in).Says("remembered")) << "not with --quiet";
}

// ---- the command roads, with the test bundle

TEST_F(Host, ACommandRunsOnTheActiveDocumentAndItsHistoryTravelsWithTheFile) {
  Outcome list = Kvhost("--list-commands");
  EXPECT_EQ("ReversePageOrder\tReverse the page order\n", list.out);

  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("--command ReversePageOrder --save " + out + " " + Doc("in.pdf", 3));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("Page 3 Page 2 Page 1", PageTexts(out));
  EXPECT_EQ(0, Shell("qpdf --check " + out).status);
  EXPECT_TRUE(Shell("qpdf --list-attachments " + out).Says("KRVL.command.history"));

  Outcome history = Kvhost("--history " + out);
  ASSERT_EQ(0, history.status) << history.out;
  EXPECT_TRUE(history.Says("HistoryList_V1"));
  EXPECT_TRUE(history.Says("HistoryItem_V1"));
  EXPECT_TRUE(history.Says("ReversePageOrder"));
  EXPECT_TRUE(history.Says("KRVL_KorvelVelmora3")) << "the provider";

  Outcome none = Kvhost("--history " + Doc("plain.pdf", 1));
  EXPECT_EQ(1, none.status);
  EXPECT_TRUE(none.Says("error [Korvel Velmora 3.0k]: The document has no command history.")) << none.out;
}

TEST_F(Host, GivenParametersDecideTheRun) {
  std::string in = Doc("in.pdf", 2);
  Outcome no = Kvhost("--params " + Cabinet("no.xml", Really(false)) + " --command ReversePageOrder --save " +
                      dir.file("no.pdf") + " " + in);
  EXPECT_EQ(1, no.status);
  EXPECT_TRUE(no.Says("did not complete")) << no.out;
  EXPECT_FALSE(std::filesystem::exists(dir.file("no.pdf"))) << "nothing runs after a failed step";

  Outcome bad = Kvhost("--params " + Cabinet("yes.xml", Really(true)) + " --command ReversePageOrder --save " +
                       dir.file("yes.pdf") + " " + in);
  ASSERT_EQ(0, bad.status) << bad.out;
  EXPECT_EQ("Page 2 Page 1", PageTexts(dir.file("yes.pdf")));

  kvtest::WriteWholeFile(dir.file("broken.xml"), "<not a cabinet");
  Outcome broken = Kvhost("--params " + dir.file("broken.xml") + " --command ReversePageOrder " + in);
  EXPECT_EQ(1, broken.status);
  EXPECT_TRUE(broken.Says("The command parameters in " + dir.file("broken.xml") + " could not be read: the text ends"))
      << broken.out;
}

TEST_F(Host, SavesReplaceTheirFileInPlaceOrSayWhyNot) {
  // Onto the input file itself: the document reads its pages from the file
  // the save replaces.
  std::string in = Doc("in.pdf", 3);
  Outcome self = Kvhost("--command ReversePageOrder --save " + in + " " + in);
  ASSERT_EQ(0, self.status) << self.out;
  EXPECT_EQ("Page 3 Page 2 Page 1", PageTexts(in));
  EXPECT_EQ(0, Shell("qpdf --check " + in).status);
  EXPECT_TRUE(Shell("pdfinfo " + in).Says("Pages:           3"));

  // Through a symbolic link, onto a private file: the link stays, the file keeps its permissions.
  std::string target = Doc("private.pdf", 2);
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::create_symlink("private.pdf", dir.file("link.pdf"));
  Outcome linked = Kvhost("--command ReversePageOrder --save " + dir.file("link.pdf") + " " + Doc("two.pdf", 2));
  ASSERT_EQ(0, linked.status) << linked.out;
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.pdf")));
  EXPECT_EQ("Page 2 Page 1", PageTexts(target));
  EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            std::filesystem::status(target).permissions());

  // Into a folder that does not exist: exit 1 and the reason.
  std::string missing = dir.file("no/such/folder/out.pdf");
  Outcome failed = Kvhost("--command ReversePageOrder --save " + missing + " " + Doc("three.pdf", 2));
  EXPECT_EQ(1, failed.status);
  EXPECT_TRUE(failed.Says("cannot save " + missing + ": The folder does not exist.")) << failed.out;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    EXPECT_NE(0u, e.path().filename().string().rfind("kvtmp-", 0)) << e.path();
}

TEST_F(Host, MenuItemsAnswerTheirDialogsAndRememberTheAnswers) {
  std::string in = Doc("in.pdf", 3);
  std::string out = dir.file("out.pdf");
  Outcome ok = Kvhost("--menu KRVL:Velmora3:ReversePages --save " + out + " " + in);
  ASSERT_EQ(0, ok.status) << ok.out;
  EXPECT_EQ("Page 3 Page 2 Page 1", PageTexts(out));
  EXPECT_TRUE(std::filesystem::exists(dir.file("Korvel/kv3.xml"))) << "the answers are remembered";

  SKCab* answers = KCabNewInner();
  KCabPutCab(answers, "Test reverse", Really(false));
  Outcome no = Kvhost("--answers " + Cabinet("a.xml", answers) + " --menu KRVL:Velmora3:ReversePages " + in);
  EXPECT_EQ(1, no.status) << no.out;
  EXPECT_TRUE(no.Says("did not complete")) << no.out;

  // The last answers were remembered: the command by key runs on them.
  Outcome remembered = Kvhost("--command ReversePageOrder " + in);
  EXPECT_EQ(1, remembered.status) << remembered.out;

  Outcome disabled = Kvhost("--menu KRVL:Velmora3:ReversePages");
  EXPECT_EQ(1, disabled.status);
  EXPECT_TRUE(disabled.Says("is disabled")) << "without a document";
}

TEST_F(Host, AHistoryIsReplayedOnAnotherDocument) {
  std::string first = dir.file("first.pdf");
  ASSERT_EQ(0, Kvhost("--command ReversePageOrder --save " + first + " " + Doc("a.pdf", 2)).status);
  std::string second = dir.file("second.pdf");
  Outcome r = Kvhost("--replay " + first + " --save " + second + " " + Doc("b.pdf", 4));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("Page 4 Page 3 Page 2 Page 1", PageTexts(second));
  EXPECT_TRUE(Kvhost("--history " + second).Says("ReversePageOrder"));

  Outcome nothing = Kvhost("--replay " + Doc("plain.pdf", 1) + " " + Doc("c.pdf", 1));
  EXPECT_EQ(1, nothing.status);
}

TEST_F(Host, NamedActionsPlayOnTheActiveDocument) {
  SKCab* list = KCabNewInner();
  KCabPutAtom(list, "Category", ASAtomFromString("OneCommand_V1"));
  KCabPutAtom(list, "UIMode", ASAtomFromString("None"));
  KCabPutAtom(list, "Command", ASAtomFromString("ReversePageOrder"));
  KCabPutBool(list, "Params:Really", 1);
  SKCab* store = KCabNewInner();
  KCabPutAtom(store, "Memory:Category", ASAtomFromString("KVCatCollection_V1"));
  KCabPutStringCopy(store, "Memory:ReversePageOrder:Name", "ReversePageOrder");
  KCabPutAtom(store, "Memory:ReversePageOrder:Category", ASAtomFromString("KVCmdCollection_V1"));
  KCabPutStringCopy(store, "Memory:ReversePageOrder:Item:0:Name", "flip");
  KCabPutCab(store, "Memory:ReversePageOrder:Item:0:Item", list);
  std::filesystem::create_directories(dir.file("Korvel"));
  kvtest::WriteWholeFile(dir.file("Korvel/kvplusmemory3.xml"), CabXML(store));
  KCabDestroy(store);

  std::string out = dir.file("out.pdf");
  Outcome r = Kvhost("--play flip --save " + out + " " + Doc("in.pdf", 3));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_EQ("Page 3 Page 2 Page 1", PageTexts(out));
  EXPECT_TRUE(kvtest::ReadWholeFile(dir.file("Korvel/kvplusmemory3.xml")).find("Count") != std::string::npos)
      << "the playing is counted";

  Outcome missing = Kvhost("--play nothing " + Doc("in2.pdf", 1));
  EXPECT_EQ(2, missing.status);
  EXPECT_TRUE(missing.Says("There is no action named nothing; --list-actions lists the actions of the preferences "
                           "folder"))
      << missing.out;
  Outcome listed = Kvhost("--list-actions");
  EXPECT_EQ(0, listed.status) << listed.out;
  EXPECT_EQ("ReversePageOrder:flip\n", listed.out);
}

TEST_F(Host, PanelsMissingFromTheBuildSaySo) {
  Outcome r = Kvhost("--menu KRVL:Velmora3:Prefs " + Doc("in.pdf", 1));
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("\"Preferences\" is not available in this build of the plug-in.")) << r.out;
}

}  // namespace
