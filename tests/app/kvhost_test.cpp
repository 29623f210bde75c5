// The host program, driven as a user runs it, with a test plug-in that
// records what it is asked to do.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using Outcome = kvtest::ShellOutcome;

Outcome Kvhost(const std::string& args, const std::string& env = "", const char* quiet = "--quiet") {
  return kvtest::Shell(env + " " KV_TEST_BUILD_DIR "/kvhost " + quiet + " --plugin " KV_TEST_PLUGIN_DIR " " + args);
}

struct Session {
  kvtest::TempDir dir;
  std::string log = dir.file("plugin.log");
  std::string env = "KVTEST_PLUGIN_LOG=" + log;
  std::string doc = dir.file("in.pdf");
  Session() { kvfix::WriteSimple(doc, 3); }
  std::string Log() const { return kvtest::ReadWholeFile(log); }
};

}  // namespace

// Every usage error is said on standard error, and nothing runs.
TEST(Kvhost, UsageErrorsExitWith2) {
  Session s;
  std::string p = s.dir.file("p.xml");
  kvtest::WriteWholeFile(p, "<RUVURAZAR/>");
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"--bogus", "unknown option --bogus"},
      {"--command", "--command needs a value"},
      {"--host-version 9", "--host-version wants N.M"},
      {"--host-version x.y", "--host-version wants N.M"},
      {"--host-version 9.0abc", "--host-version wants N.M (such as 9.0), not 9.0abc"},
      {"--host-version 9.", "--host-version wants N.M"},
      {"-x " + s.doc, "unknown option -x (a file whose name begins with \"-\" is named ./-x)"},
      // Inputs that nothing after them would use.
      {"--params " + p + " " + s.doc, "--params " + p + ": no --command follows it"},
      {"--params " + p + " --menu KVTEST:DoIt " + s.doc, "no --command follows it"},
      {"--params " + p + " --params " + p + " --command Copy " + s.doc, "no --command follows it"},
      {"--command Copy --answers " + p + " " + s.doc, "--answers " + p + ": no --menu, --play, --replay or --command follows it"},
      {"--set FitAcross=2 " + s.doc, "--set FitAcross=2: no --command follows it to use this parameter"},
      {"--set A=1 --command Copy --set B=2 " + s.doc, "--set B=2: no --command follows it"},
      {"--set A=1 --menu KVTEST:DoIt " + s.doc, "--set A=1: no --command follows it"},
      // A setting without its key or its "=".
      {"--set FitAcross --command Copy " + s.doc, "--set FitAcross: KEY=VALUE is needed, such as --set FitAcross=2"},
      {"--set =2 --command Copy " + s.doc, "--set =2: the key is missing before \"=\""},
      {"--set=FitAcross --command Copy " + s.doc, "--set FitAcross: KEY=VALUE is needed"},
      {"--set", "--set needs a value"},
      // Values joined with "=".
      {"--save= " + s.doc, "--save needs a value"},
      {"--quiet=1 " + s.doc, "--quiet takes no value"},
      {"--list-menus=all " + s.doc, "--list-menus takes no value"},
      {"--bogus=1 " + s.doc, "unknown option --bogus"},
  };
  for (const Case& c : cases) {
    Outcome r = Kvhost(c.args, s.env);
    EXPECT_EQ(2, r.status) << c.args << "\n" << r.out;
    EXPECT_TRUE(r.Says(c.says)) << c.args << "\n" << r.out;
    EXPECT_EQ(std::string::npos, s.Log().find("command")) << c.args << ": nothing runs";
  }
}

// A step that did not do what it was asked stops the run with status 1 and
// says why, and what to do next where there is something to say.
TEST(Kvhost, FailedStepsSayWhatWentWrong) {
  Session s;
  std::string bad = s.dir.file("bad.xml");
  kvtest::WriteWholeFile(bad, "<bad answers");
  std::string out = s.dir.file("out.pdf");
  struct Case {
    std::string args;
    std::string says;
  };
  const Case cases[] = {
      {"--answers " + bad + " --menu KVTEST:DoIt --save " + out, "--answers " + bad +
                                                                     ": the answers could not be read; nothing more is run"},
      {"--params " + s.dir.file("missing.xml") + " --command Copy", "--params " + s.dir.file("missing.xml") + ": not found"},
      {"--params " + s.dir.path() + " --command Copy", ": not readable (a folder, not a file)"},
      {"--answers " + s.dir.file("none.xml") + " --menu KVTEST:DoIt", ": not found"},
      {"--command Nothing", "there is no command Nothing; --list-commands lists the commands"},
      {"--command copy", "there is no command copy; keys are case-sensitive: Copy"},
      {"--menu KVTEST:Nothing", "no menu item is named KVTEST:Nothing; --list-menus lists the names"},
      {"--menu 'Do it...'", "no menu item is named Do it...; the item titled so is named KVTEST:DoIt"},
  };
  for (const Case& c : cases) {
    std::remove(s.log.c_str());
    Outcome r = Kvhost(c.args + " " + s.doc, s.env);
    EXPECT_EQ(1, r.status) << c.args << "\n" << r.out;
    EXPECT_TRUE(r.Says("kvhost: ")) << c.args;
    EXPECT_TRUE(r.Says(c.says)) << c.args << "\n" << r.out;
    EXPECT_EQ(std::string::npos, s.Log().find("menu executed")) << c.args << ": the menu never ran";
  }
  EXPECT_FALSE(std::filesystem::exists(out)) << "nothing saved after a failed step";
}

// kvhost without any argument shows what it takes, on standard error, and
// is a usage error: nothing was asked, so nothing was done.
TEST(Kvhost, WithoutArgumentsItPrintsTheUsage) {
  Session s;
  Outcome r = kvtest::Shell("(" + s.env + " " KV_TEST_BUILD_DIR "/kvhost >/dev/null)");
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_TRUE(r.Says("usage: kvhost [options] [FILE.pdf ...]")) << "on standard error: " << r.out;
  EXPECT_TRUE(r.Says("--set KEY=VALUE")) << r.out;
  EXPECT_EQ("", s.Log()) << "the plug-in is not even loaded";
}

// --version names kvhost's version and the plug-in's in one line, and runs
// no step; a plug-in that does not say its version is told as such.
TEST(Kvhost, VersionNamesBothVersions) {
  Session s;
  Outcome r = Kvhost("--version --command Copy " + s.doc, s.env);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("kvhost 3.0, plug-in Test Plug-in 1.2\n", r.out);
  EXPECT_EQ("init host 9.0\nunload\n", s.Log()) << "nothing runs";
  Outcome older = Kvhost("--version", s.env + " KVTEST_PLUGIN_OLDER_TABLE=1");
  EXPECT_EQ(0, older.status) << older.out;
  EXPECT_EQ("kvhost 3.0, plug-in (it does not say its version)\n", older.out);
}

// Every option that takes a value takes it joined with "=" as well; in
// --set=KEY=VALUE the first "=" joins.
TEST(Kvhost, ValuesJoinedWithAnEqualsSignAreTheSame) {
  Session s;
  std::string params = s.dir.file("p.xml");
  kvtest::WriteWholeFile(params, "<RUVURAZAR/>");
  Outcome r = Kvhost("--host-version=8.1 --page=2 --params=" + params + " --set=Size=A4 --set=Order=2=1 --command=Copy --save=" +
                         s.dir.file("out.pdf") + " --save-all=" + s.dir.file("all") + " " + s.doc,
                     s.env);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("init host 8.1\ncheck Copy\ncheck Copy\nsettings Size=A4 Order=2=1\ncommand Copy params given from " + params +
                " pages 3\nunload\n",
            s.Log());
  EXPECT_TRUE(std::filesystem::exists(s.dir.file("out.pdf")));
  EXPECT_TRUE(std::filesystem::exists(s.dir.file("all/copy 1.pdf")));
}

// --set gives the next --command its parameters, in order, with a --params
// file or without one; they are given parameters, not remembered ones, and
// are for that command alone.
TEST(Kvhost, SettingsGoToTheNextCommand) {
  Session s;
  std::string params = s.dir.file("p.xml");
  kvtest::WriteWholeFile(params, "<RUVURAZAR/>");
  Outcome r = Kvhost("--set A=1 --params " + params + " --set B=2 --set A=3 --command Copy --command Copy --set C=4 --command Copy " +
                         s.doc,
                     s.env, "");
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_EQ("init host 9.0\ncheck Copy\ncheck Copy\ncheck Copy\ncheck Copy\n"
            "settings A=1 B=2 A=3\ncommand Copy params given from " + params + " pages 3\n"
            "command Copy params none pages 3\n"
            "settings C=4\ncommand Copy params none pages 3\nunload\n",
            s.Log());
  EXPECT_FALSE(r.Says("runs on the parameters remembered")) << "settings are no remembered parameters: " << r.out;
}

// A setting the command does not read stops kvhost before any step runs,
// with the command's reason, as a usage error; a plug-in that takes no
// settings is told so, and nothing runs either.
TEST(Kvhost, SettingsThatDoNotReadStopTheRunBeforeItStarts) {
  Session s;
  std::string out = s.dir.file("out.pdf");
  Outcome r = Kvhost("--set Size=A4 --command Copy --set Order=bad --command Copy --save " + out + " " + s.doc, s.env);
  EXPECT_EQ(2, r.status) << r.out;
  EXPECT_TRUE(r.Says("kvhost: --set Order=bad: Order takes good values, not \"bad\".")) << r.out;
  EXPECT_EQ(std::string::npos, s.Log().find("command Copy")) << s.Log();
  EXPECT_FALSE(std::filesystem::exists(out)) << "not even the first step ran";
  Outcome older = Kvhost("--set Size=A4 --command Copy --save " + out + " " + s.doc, s.env + " KVTEST_PLUGIN_OLDER_TABLE=1");
  EXPECT_EQ(1, older.status) << older.out;
  EXPECT_TRUE(older.Says("kvhost: --set: this plug-in takes no parameters by --set; give them with --params"))
      << older.out;
  EXPECT_FALSE(std::filesystem::exists(out));
}

// Documents the steps made and nothing saved are named with their pages.
// In a run that saves, they are lost work: status 1. A run that saves
// nothing only tries the steps: status 0, and the note unless quiet.
TEST(Kvhost, DocumentsLeftUnsavedAreNamed) {
  Session s;
  const std::string lost = "kvhost: a document the steps made or changed was not saved, and its work is lost:\n"
                           "  \"two pages\" (2 pages)\n"
                           "kvhost: --save-all DIR saves every document the steps made or changed, as DIR/<window "
                           "title>.pdf (an input as DIR/<its file name>)\n";
  Outcome saved = Kvhost("--command Split --save " + s.dir.file("out.pdf") + " " + s.doc, s.env);
  EXPECT_EQ(1, saved.status) << saved.out;
  EXPECT_EQ(lost, saved.out);
  EXPECT_TRUE(std::filesystem::exists(s.dir.file("out.pdf"))) << "what was asked to be saved is";
  // A step after the last save does work nothing saves: the command line is
  // refused before any step runs, saying where --save belongs.
  for (const char* after : {"--command Split", "--command Grow"}) {
    Outcome later = Kvhost("--command Copy --save " + s.dir.file("copy.pdf") + " " + std::string(after) + " " + s.doc, s.env);
    EXPECT_EQ(2, later.status) << later.out;
    EXPECT_TRUE(later.Says("--save saves the active document at the point it stands: put it after the --command "
                           "whose result it is"))
        << later.out;
    EXPECT_FALSE(std::filesystem::exists(s.dir.file("copy.pdf"))) << after;
  }
  Outcome again = Kvhost("--command Copy --save " + s.dir.file("copy.pdf") + " --command Grow --save " +
                             s.dir.file("grown.pdf") + " " + s.doc,
                         s.env);
  EXPECT_EQ(0, again.status) << again.out;
  EXPECT_EQ("", again.out);
  Outcome all = Kvhost("--command Split --save-all " + s.dir.file("all") + " " + s.doc, s.env);
  EXPECT_EQ(0, all.status) << all.out;
  EXPECT_EQ("", all.out);
  Outcome tried = Kvhost("--command Split " + s.doc, s.env, "");
  EXPECT_EQ(0, tried.status) << tried.out;
  EXPECT_EQ("kvhost: nothing was saved (no --save or --save-all); the steps made or changed:\n"
            "  \"two pages\" (2 pages)\n  \"one page\" (1 page)\n"
            "kvhost: --save-all DIR saves every document the steps made or changed, as DIR/<window title>.pdf (an "
            "input as DIR/<its file name>)\n",
            tried.out);
  Outcome quiet = Kvhost("--command Split " + s.doc, s.env);
  EXPECT_EQ(0, quiet.status) << quiet.out;
  EXPECT_EQ("", quiet.out);
  Outcome opened = Kvhost(s.doc + " " + s.doc, s.env, "");
  EXPECT_EQ(0, opened.status) << opened.out;
  EXPECT_EQ("", opened.out) << "the documents named on the line are the user's own";
}

TEST(Kvhost, SaveAllMakesItsFolder) {
  Session s;
  std::string folder = s.dir.file("made/for/the/copies");
  Outcome r = Kvhost("--command Copy --save-all " + folder + " " + s.doc, s.env);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_TRUE(std::filesystem::exists(folder + "/copy 1.pdf"));
  kvtest::WriteWholeFile(s.dir.file("blocked"), "a file");
  Outcome blocked = Kvhost("--command Copy --save-all " + s.dir.file("blocked") + " " + s.doc, s.env);
  EXPECT_EQ(1, blocked.status);
  EXPECT_TRUE(blocked.Says("--save-all " + s.dir.file("blocked") + ": the folder cannot be made")) << blocked.out;
}

// A command by key without --params runs on what an earlier run left
// remembered: the user is told so, and where, unless --quiet.
TEST(Kvhost, RememberedParametersAreNamed) {
  Session s;
  const char* says = "kvhost: Copy runs on the parameters remembered from an earlier run, in /remembered/Korvel/kv3.xml";
  Outcome r = Kvhost("--command Copy --command Copy " + s.doc, s.env, "");
  ASSERT_EQ(0, r.status) << r.out;
  size_t first = r.out.find(says);
  EXPECT_NE(std::string::npos, first) << r.out;
  EXPECT_EQ(std::string::npos, r.out.find(says, first + 1)) << "the first run had none remembered";
  Outcome quiet = Kvhost("--command Copy --command Copy " + s.doc, s.env);
  EXPECT_FALSE(quiet.Says(says)) << quiet.out;
  std::string p = s.dir.file("p.xml");
  kvtest::WriteWholeFile(p, "<RUVURAZAR/>");
  Outcome given = Kvhost("--command Copy --params " + p + " --command Copy " + s.doc, s.env, "");
  EXPECT_FALSE(given.Says("runs on the parameters remembered")) << "given parameters are no remembered ones";
}

TEST(Kvhost, StepsRunInOrderOnTheActiveDocument) {
  Session s;
  std::string out = s.dir.file("out.pdf");
  std::string params = s.dir.file("p.xml");
  kvtest::WriteWholeFile(params, "<RUVURAZAR/>");
  Outcome r = Kvhost("--host-version 8.1 --page 2 --params " + params + " --command Copy --command Copy --save " + out +
                     " --save-all " + s.dir.path() + " " + s.doc,
                 s.env);
  EXPECT_EQ(0, r.status) << r.out;
  // The plug-in hears which file the parameters come from.
  EXPECT_EQ("init host 8.1\ncommand Copy params given from " + params +
                " pages 3\ncommand Copy params none pages 3\nunload\n",
            s.Log());
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_TRUE(std::filesystem::exists(s.dir.file("copy 1.pdf"))) << "new documents are saved by window title";
  EXPECT_EQ(0, std::system(("qpdf --check " + out + " >/dev/null").c_str()));
}

TEST(Kvhost, AFailingStepStopsWithStatus1) {
  Session s;
  Outcome r = Kvhost("--command Fail --command Copy " + s.doc, s.env);
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.out.find("did not complete"));
  EXPECT_EQ(std::string::npos, s.Log().find("command Copy")) << "nothing runs after a failed step";
  for (const std::string& args : {std::string("--command Copy"), "--page 9 " + s.doc, "--menu NoSuchItem " + s.doc,
                                  s.dir.file("missing.pdf")}) {
    EXPECT_EQ(1, Kvhost(args, s.env).status) << args;
  }
}

TEST(Kvhost, MenusListingAndReplay) {
  Session s;
  std::string answers = s.dir.file("a.xml");
  kvtest::WriteWholeFile(answers, "<RUVURAZAR/>");
  Outcome r = Kvhost("--list-menus --list-commands --answers " + answers + " --menu KVTEST:DoIt --play Mine --replay " +
                     s.doc + " --history " + s.doc + " " + s.doc,
                 s.env);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("KVTEST:DoIt\tDo it"));
  EXPECT_NE(std::string::npos, r.out.find("Copy\tCopy the document"));
  EXPECT_NE(std::string::npos, r.out.find("<RUVURAZAR/>"));
  EXPECT_NE(std::string::npos, s.Log().find("answers given from " + answers + "\nanswers given from " + answers +
                                            "\nmenu executed\nplay Mine\nreplay 3\n"))
      << s.Log();
}

TEST(Kvhost, AMenuItemWhoseCommandFailsStopsWithStatus1) {
  Session s;
  Outcome r = Kvhost("--menu KVTEST:Fail --menu KVTEST:DoIt " + s.doc, s.env);
  EXPECT_EQ(1, r.status) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("did not complete")) << r.out;
  EXPECT_EQ(std::string::npos, s.Log().find("\nmenu executed")) << "nothing runs after a failed step";
}

TEST(Kvhost, APlugInThatFailsToStartIsReported) {
  Session s;
  Outcome r = Kvhost(s.doc, s.env + " KVTEST_PLUGIN_FAIL_INIT=1");
  EXPECT_EQ(1, r.status);
  EXPECT_NE(std::string::npos, r.out.find("failed to start"));
  EXPECT_EQ(1, Kvhost("--plugin /no/such/folder", s.env).status);
}
