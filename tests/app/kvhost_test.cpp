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
