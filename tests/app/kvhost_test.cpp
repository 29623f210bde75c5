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

Outcome Kvhost(const std::string& args, const std::string& env = "") {
  return kvtest::Shell(env + " " KV_TEST_BUILD_DIR "/kvhost --quiet --plugin " KV_TEST_PLUGIN_DIR " " + args);
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

TEST(Kvhost, UsageErrorsExitWith2) {
  for (const char* args : {"--bogus", "--command", "--host-version 9", "--host-version x.y"}) {
    Outcome r = Kvhost(args);
    EXPECT_EQ(2, r.status) << args << "\n" << r.out;
  }
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
  EXPECT_EQ("init host 8.1\ncommand Copy params given pages 3\ncommand Copy params none pages 3\nunload\n", s.Log());
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
  EXPECT_NE(std::string::npos, s.Log().find("answers given\nmenu executed\nplay Mine\nreplay 3\n"));
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
