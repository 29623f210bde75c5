// Record and playback as a user runs them through kvhost: a command runs,
// the record dialog (answered) keeps its settings as a named action, and the
// action plays back on a generated document, in the same run and in a later
// one. The saved files are checked with qpdf and pdftotext.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/E2ESupport.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using Outcome = kvtest::ShellOutcome;
using kvtest::Shell;

using kvtest::CabXML;
using kvtest::PageTexts;

class RecordPlayHost : public ::testing::Test {
 protected:
  Outcome Kvhost(const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() +
                 " --plugin " + KV_RECORDPLAY_BUNDLE + " " + args);
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  // Answers for the record dialog: the action's name.
  std::string RecordAnswers(const char* name) {
    SKCab* answers = KCabNewInner();
    KCabPutStringCopy(answers, "Remember an Action:Name", name);
    std::string path = dir.file("answers.xml");
    kvtest::WriteWholeFile(path, CabXML(answers));
    KCabDestroy(answers);
    return path;
  }
  static bool Valid(const std::string& pdf) {
    Outcome r = Shell("qpdf --check " + pdf);
    return r.status == 0 && r.Says("No syntax or stream encoding errors");
  }

  kvtest::TempDir dir;
};

TEST_F(RecordPlayHost, TheRememberedCommandPlaysBackNowAndInALaterRun) {
  std::string out = dir.file("out.pdf");
  // Reverse, remember it as "flip", and play it back: the pages reverse twice.
  Outcome r = Kvhost("--answers " + RecordAnswers("flip") +
                     " --command ReversePageOrder --menu KRVL:Velmora3:Remember --play flip --save " + out + " " +
                     Doc("in.pdf", 3));
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(Valid(out));
  EXPECT_EQ("Page 1 Page 2 Page 3", PageTexts(out));
  std::string store = kvtest::ReadWholeFile(dir.file("Korvel/kvplusmemory3.xml"));
  EXPECT_NE(std::string::npos, store.find("flip"));
  EXPECT_NE(std::string::npos, store.find("Count")) << "the playing is counted";

  // A later run plays the stored action on a generated document.
  std::string later = dir.file("later.pdf");
  Outcome again = Kvhost("--play flip --save " + later + " " + Doc("other.pdf", 4));
  ASSERT_EQ(0, again.status) << again.out;
  EXPECT_TRUE(Valid(later));
  EXPECT_EQ("Page 4 Page 3 Page 2 Page 1", PageTexts(later));
  EXPECT_TRUE(Kvhost("--history " + later).Says("ReversePageOrder")) << "the played command is in the history";
}

TEST_F(RecordPlayHost, RememberingWithoutANameRecordsNothing) {
  Outcome r = Kvhost("--answers " + RecordAnswers("") +
                     " --command ReversePageOrder --menu KRVL:Velmora3:Remember " + Doc("in.pdf", 2));
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_TRUE(r.Says("Please type a name for the action.")) << r.out;
  Outcome play = Kvhost("--play anything " + Doc("in2.pdf", 1));
  EXPECT_EQ(2, play.status) << play.out;
  EXPECT_TRUE(play.Says("There is no action named anything; --list-actions lists the actions")) << play.out;
}

// The help centre and the about box of the real bundle, from the host's
// menus: answered with their close and OK buttons; on a host of version 7 the
// help centre's separate-window box is answered and remembered.
TEST_F(RecordPlayHost, HelpAndAboutRunFromTheHostsMenus) {
  auto real = [&](const std::string& args) {
    return Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --static-id --prefs " + dir.path() + " " + args);
  };
  std::string in = Doc("in.pdf", 1);
  Outcome about = real("--menu KRVL:Velmora3:About " + in);
  EXPECT_EQ(0, about.status) << about.out;
  Outcome help = real("--menu KRVL:Velmora3:Help " + in);
  EXPECT_EQ(0, help.status) << help.out;

  SKCab* answers = KCabNewInner();
  KCabPutBool(answers, "Help:External", 1);
  kvtest::WriteWholeFile(dir.file("help.xml"), CabXML(answers));
  KCabDestroy(answers);
  Outcome older = real("--host-version 7.0 --answers " + dir.file("help.xml") + " --menu KRVL:Velmora3:Help " + in);
  EXPECT_EQ(0, older.status) << older.out;
  std::string settings = kvtest::ReadWholeFile(dir.file("Korvel/kv3.xml"));
  EXPECT_NE(std::string::npos, settings.find("External")) << settings;
}

}  // namespace
