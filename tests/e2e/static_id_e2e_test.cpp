// kvhost --static-id: the same job on the same input saves the same bytes,
// time stamps included, at SOURCE_DATE_EPOCH where it is set and in UTC
// whatever the time zone. Run with the real plug-in bundle on generated
// documents; the stamps are read back uncompressed by qpdf.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/KCabXML.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

// The cabinet as XML; the cabinet goes.
std::string CabXMLOf(SKCab* cab) {
  KCabHolder held(cab);
  return kvtest::CabXML(cab);
}

struct Job {
  const char* name;
  const char* command;
  SKCab* (*params)();
};

SKCab* NupParams() {
  SKCab* p = KCabNewInner();
  KCabPutBool(p, "NewDoc", 0);
  KCabPutBool(p, "UseScale", 1);
  KCabPutAtom(p, "DoScaling", ASAtomFromString("ToFit"));
  KCabPutInt(p, "FitAcross", 2);
  KCabPutInt(p, "FitDown", 2);
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutStringCopy(page, "Name", "Letter");
  KCabPutDouble(page, "Width", 612);
  KCabPutDouble(page, "Height", 792);
  KCabPutCab(p, "Page", page);
  return p;
}

SKCab* BookletParams() {
  SKCab* p = KCabNewInner();
  KCabPutAtom(p, "Paginate", ASAtomFromString("Single"));
  KCabPutAtom(p, "Backs", ASAtomFromString("Inline"));
  KCabPutBool(p, "NewDoc", 0);
  return p;
}

SKCab* InPlace() {
  SKCab* p = KCabNewInner();
  KCabPutBool(p, "NewDoc", 0);
  return p;
}

const Job kJobs[] = {
    {"n-up", "Nup", NupParams},
    {"booklet", "SimpleBooklet", BookletParams},
    {"reverse", "ReversePageOrder", InPlace},
};

class StaticId : public ::testing::Test {
 protected:
  void SetUp() override {
    input = dir.file("in.pdf");
    kvfix::WriteSimple(input, 6);
  }
  // Runs job on a fresh copy of the input with the environment env; answers
  // the saved file's path.
  std::string Run(const Job& job, const std::string& env, const std::string& name) {
    std::string params = dir.file(std::string(job.name) + ".xml");
    kvtest::WriteWholeFile(params, CabXMLOf(job.params()));
    std::string out = dir.file(name + ".pdf");
    Outcome r = Shell(env + " " KV_TEST_BUILD_DIR "/kvhost --quiet --static-id --prefs " + dir.file("prefs") +
                      " --params " + params + " --command " + job.command + " --save " + out + " " + input);
    EXPECT_EQ(0, r.status) << job.name << "\n" << r.out;
    return out;
  }
  // The file uncompressed, so that stamps in content streams can be read.
  static std::string Uncompressed(const std::string& pdf) {
    return Shell("qpdf --qdf --object-streams=disable " + pdf + " -").out;
  }
  kvtest::TempDir dir;
  std::string input;
};

TEST_F(StaticId, TheSameJobSavesTheSameBytes) {
  std::vector<std::string> first;
  for (const Job& job : kJobs) first.push_back(Run(job, "SOURCE_DATE_EPOCH=1700000000", std::string(job.name) + "-a"));
  // A second later, and in another time zone (POSIX zones need no zone files).
  Shell("sleep 1.1");
  for (size_t i = 0; i < first.size(); ++i) {
    std::string again = Run(kJobs[i], "SOURCE_DATE_EPOCH=1700000000 TZ=JST-9", std::string(kJobs[i].name) + "-b");
    EXPECT_EQ(kvtest::ReadWholeFile(first[i]), kvtest::ReadWholeFile(again)) << kJobs[i].name;
  }
}

TEST_F(StaticId, StampsTellTheFixedTimeInUTC) {
  struct Case {
    const char* env;
    const char* stamp;
  } cases[] = {
      {"SOURCE_DATE_EPOCH=1700000000 TZ=EST5", "D:20231114221320"},
      {"SOURCE_DATE_EPOCH= TZ=JST-9", "D:19700101000000"},
      {"TZ=CET-1", "D:19700101000000"},
  };
  for (const Case& c : cases) {
    std::string out = Run(kJobs[0], c.env, "stamped");
    std::string text = Uncompressed(out);
    EXPECT_NE(std::string::npos, text.find(std::string("/KRVL_imposetime (") + c.stamp + ")")) << c.env;
    EXPECT_NE(std::string::npos, text.find(std::string("/TS (") + c.stamp + ")")) << c.env;
  }
}

// Placed pages record the computer and the user that made them; with
// --static-id they record neither, so that another machine and another
// user give the same bytes, and a file sent on carries no names.
TEST_F(StaticId, PlacedPagesCarryNoComputerOrUserName) {
  std::string first = Run(kJobs[0], "USER=ann LOGNAME=ann", "first");
  const std::string plain = dir.file("plain.pdf");
  Outcome r = Shell(KV_TEST_BUILD_DIR "/kvhost --quiet --prefs " + dir.file("prefs") + " --params " +
                    dir.file("n-up.xml") + " --command Nup --save " + plain + " " + input);
  ASSERT_EQ(0, r.status) << r.out;
  EXPECT_NE(std::string::npos, Uncompressed(plain).find("/KRVL_imposecomputer (")) << "without --static-id";
  EXPECT_NE(std::string::npos, Uncompressed(plain).find("/KRVL_imposeuser ("));
  EXPECT_EQ(std::string::npos, Uncompressed(first).find("KRVL_imposecomputer"));
  EXPECT_EQ(std::string::npos, Uncompressed(first).find("KRVL_imposeuser"));
  EXPECT_NE(std::string::npos, Uncompressed(first).find("/KRVL_imposetime (")) << "the pages are stamped all the same";
  // Another user's environment, and another computer's name where the
  // system lets a test give one (a namespace of its own).
  std::string other = Run(kJobs[0], "USER=bob LOGNAME=bob", "other");
  EXPECT_EQ(kvtest::ReadWholeFile(first), kvtest::ReadWholeFile(other));
  if (Shell("unshare -Uru sh -c 'hostname kv-elsewhere.example' 2>/dev/null").status != 0)
    GTEST_SKIP() << "no namespace of its own for another computer name here";
  std::string elsewhere =
      Run(kJobs[0], "unshare -Uru sh -c 'hostname kv-elsewhere.example && exec \"$0\" \"$@\"'", "elsewhere");
  EXPECT_EQ(kvtest::ReadWholeFile(first), kvtest::ReadWholeFile(elsewhere)) << "on another computer";
}

// Placed pages record their source file (/F of KRVL_pageid): with
// --static-id by its name alone, so that the same job run from another
// folder, on the same input kept elsewhere, saves the same bytes; without it
// by its whole path.
TEST_F(StaticId, PlacedPagesRecordTheSourceByItsNameAlone) {
  kvtest::WriteWholeFile(dir.file("n-up.xml"), CabXMLOf(NupParams()));
  std::filesystem::create_directories(dir.file("first"));
  std::filesystem::create_directories(dir.file("second/deeper"));
  const std::string here = dir.file("first/job.pdf"), there = dir.file("second/deeper/job.pdf");
  kvfix::WriteSimple(here, 6);
  std::filesystem::copy_file(here, there);
  auto run = [&](const std::string& folder, const std::string& source, const std::string& options) {
    Outcome r = Shell("cd " + dir.file(folder) + " && SOURCE_DATE_EPOCH=1700000000 " KV_TEST_BUILD_DIR "/kvhost --quiet " +
                      options + " --prefs " + dir.file("prefs") + " --params " + dir.file("n-up.xml") +
                      " --command Nup --save out.pdf " + source);
    EXPECT_EQ(0, r.status) << folder << "\n" << r.out;
    return dir.file(folder + "/out.pdf");
  };
  const std::string first = run("first", here, "--static-id");
  const std::string second = run("second", there, "--static-id");
  EXPECT_EQ(kvtest::ReadWholeFile(first), kvtest::ReadWholeFile(second)) << "run from another folder";
  const std::string text = Uncompressed(first);
  ASSERT_NE(std::string::npos, text.find("/KRVL_pageid")) << "the placed pages are stamped";
  EXPECT_NE(std::string::npos, text.find("\n(job.pdf)\n")) << "the file's name";
  EXPECT_EQ(std::string::npos, text.find(dir.path())) << "no folder of the machine";
  // Without --static-id the whole path.
  const std::string plain = Uncompressed(run("first", here, ""));
  EXPECT_NE(std::string::npos, plain.find("\n(" + here + ")\n")) << plain.substr(0, 2000);
}

TEST_F(StaticId, AnUnreadableSourceDateEpochIsAUsageError) {
  for (const char* value : {"soon", "-5", "17e8", "99999999999999999999"}) {
    Outcome r = Shell(std::string("SOURCE_DATE_EPOCH=") + value + " " KV_TEST_BUILD_DIR "/kvhost --quiet --static-id --prefs " +
                      dir.file("prefs") + " " + input);
    EXPECT_EQ(2, r.status) << value << "\n" << r.out;
    EXPECT_TRUE(r.Says("SOURCE_DATE_EPOCH")) << r.out;
  }
  // Without --static-id the clock runs and the variable is not read.
  Outcome r = Shell("SOURCE_DATE_EPOCH=soon " KV_TEST_BUILD_DIR "/kvhost --quiet --prefs " + dir.file("prefs") + " " + input);
  EXPECT_EQ(0, r.status) << r.out;
}

}  // namespace
