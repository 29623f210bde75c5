#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/KCabXML.h"
#include "foundation/KFile.h"
#include "support/CabinetXML.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

namespace {

// A preferences folder of the test's own.
struct Prefs {
  kvtest::TempDir dir;
  Prefs() { ASHostSetPreferencesFolder(dir.path().c_str()); }
  ~Prefs() { ASHostSetPreferencesFolder(nullptr); }
  std::string settings(const std::string& name) const { return dir.path() + "/Korvel/" + name; }
};

using kvtest::CabXML;

// Writes a setting file holding {key: {v: value}}.
void WriteSetting(const std::string& path, const char* key, ASInt32 value) {
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, (std::string(key) + ":v").c_str(), value);
  kvtest::WriteWholeFile(path, CabXML(cab));
  KCabDestroy(cab);
}

void SetTime(const std::string& path, time_t t) {
  struct utimbuf u {t, t};
  utime(path.c_str(), &u);
}

ASInt32 ReadValue(SKCabPersist* p, const char* key) {
  SKCab* c = KCabPersistGetCabRead(p, key);
  ASInt32 v = c ? KCabGetInt(c, "v", -1) : -2;
  if (c) KCabDestroy(c);
  return v;
}

}  // namespace

TEST(KCabPersist, NewSettingLoadsEmptyAndFirstCommitWritesIt) {
  Prefs prefs;
  SKCabPersist* p = NewKCabPersist("general");
  EXPECT_TRUE(KCabPersistSetWriteableDirectory(p));
  EXPECT_TRUE(p->loaded);
  EXPECT_FALSE(KCabPersistExists(p, "lang"));
  SKCab* w = KCabPersistStartCabWrite(p, "lang");
  KCabPutStringCopy(w, "common", "fr");
  KCabPersistEndStoreCabWrite(p, "lang", w);
  DestroyKCabPersist(p, 1);
  std::string text = kvtest::ReadWholeFile(prefs.settings("general.xml"));
  EXPECT_NE(std::string::npos, text.find("<S N='common'>fr</S>"));
  EXPECT_EQ(std::string::npos, text.find("Krvl_GlobalCabMaint")) << "bookkeeping never reaches the file";
  EXPECT_FALSE(std::filesystem::exists(prefs.settings("general plugintemp.tmp")));

  p = NewKCabPersist("general");
  KCabPersistSetWriteableDirectory(p);
  SKCab* r = KCabPersistGetCabRead(p, "lang");
  ASSERT_NE(nullptr, r);
  EXPECT_STREQ("fr", KCabGetString(r, "common"));
  KCabDestroy(r);
  DestroyKCabPersist(p, 0);
}

TEST(KCabPersist, DamagedMainFileFallsBackToTheNewestBackup) {
  Prefs prefs;
  std::filesystem::create_directories(prefs.settings(""));
  kvtest::WriteWholeFile(prefs.settings("kv3.xml"), "<RUVURAZAR><ITEMS><I N='x'>1</I>");  // cut short
  WriteSetting(prefs.settings("kv3 backup2.xml"), "k", 2);
  WriteSetting(prefs.settings("kv3 backup5.xml"), "k", 5);
  kvtest::WriteWholeFile(prefs.settings("kv3 backup6.xml"), "garbage");
  SetTime(prefs.settings("kv3 backup2.xml"), 1000000);
  SetTime(prefs.settings("kv3 backup5.xml"), 2000000);
  SetTime(prefs.settings("kv3 backup6.xml"), 3000000);  // newest, but unreadable
  SKCabPersist* p = NewKCabPersist("kv3");
  KCabPersistSetWriteableDirectory(p);
  EXPECT_EQ(5, ReadValue(p, "k"));
  EXPECT_NE(0, KCabPersistOldNameUsed(p));
  DestroyKCabPersist(p, 0);
}

TEST(KCabPersist, OlderNames) {
  Prefs prefs;
  std::filesystem::create_directories(prefs.settings(""));
  WriteSetting(prefs.settings("old1.xml"), "k", 1);
  WriteSetting(prefs.settings("old2.xml"), "k", 2);
  SKCabPersist* p = NewKCabPersist("new");
  KCabPersistSetOldName(p, "old1");
  KCabPersistSetOldName(p, "missing");
  KCabPersistSetWriteableDirectory(p);
  EXPECT_EQ(1, ReadValue(p, "k")) << "the latest added name is tried first; failures are passed over";
  EXPECT_NE(0, KCabPersistOldNameUsed(p));
  DestroyKCabPersist(p, 0);
}

TEST(KCabPersist, CheckOutsStoreAndDiscard) {
  Prefs prefs;
  SKCabPersist* p = NewKCabPersist("s");
  KCabPersistSetWriteableDirectory(p);
  SKCab* a = KCabPersistStartCabWrite(p, "k");
  SKCab* b = KCabPersistStartCabWrite(p, "k");
  EXPECT_EQ(a, b) << "two check-outs share one copy";
  KCabPutInt(a, "v", 1);
  KCabPersistEndStoreCabWrite(p, "k", a);
  EXPECT_EQ(1, ReadValue(p, "k"));
  EXPECT_EQ(a, KCabGetCab(p->working, "k")) << "still checked out once";
  KCabPutInt(b, "v", 2);
  KCabPersistEndStoreCabWrite(p, "k", b);
  EXPECT_EQ(2, ReadValue(p, "k"));
  EXPECT_EQ(nullptr, KCabGetCab(p->working, "k"));
  EXPECT_FALSE(std::filesystem::exists(prefs.settings("s.xml"))) << "auto-commit is off";

  // A discard while another holder has the copy detaches it; the other store then stores nothing.
  SKCab* c = KCabPersistStartCabWrite(p, "k");
  SKCab* d = KCabPersistStartCabWrite(p, "k");
  KCabPutInt(c, "v", 99);
  KCabPersistEndDiscardCabWrite(p, "k", c);
  EXPECT_EQ(nullptr, KCabGetCab(p->working, "k"));
  KCabPersistEndStoreCabWrite(p, "k", d);  // drops the detached copy
  EXPECT_EQ(2, ReadValue(p, "k"));

  SKCab* e = KCabPersistStartCabWrite(p, "k");
  KCabPersistMakeWritableEmpty(e);
  EXPECT_FALSE(KCabKnown(e, "v"));
  EXPECT_TRUE(KCabKnown(e, "Krvl_GlobalCabMaint"));
  KCabPersistEndDiscardCabWrite(p, "k", e);
  DestroyKCabPersist(p, 1);
  EXPECT_TRUE(std::filesystem::exists(prefs.settings("s.xml")));
}

TEST(KCabPersist, AutoCommitWritesOnStore) {
  Prefs prefs;
  SKCabPersist* p = NewKCabPersist("auto");
  KCabPersistSetAutoCommitMode(p, 1);
  KCabPersistSetWriteableDirectory(p);
  SKCab* w = KCabPersistStartCabWrite(p, "k");
  KCabPutInt(w, "v", 7);
  KCabPersistEndStoreCabWrite(p, "k", w);
  EXPECT_NE(std::string::npos, kvtest::ReadWholeFile(prefs.settings("auto.xml")).find("<I N='v'>7</I>"));
  DestroyKCabPersist(p, 0);
}

TEST(KCabPersist, SyncReloadKeepsHeldCopiesAlive) {
  Prefs prefs;
  SKCabPersist* p = NewKCabPersist("sync");
  KCabPersistSetSyncMode(p, 1);
  KCabPersistSetWriteableDirectory(p);
  SKCab* w = KCabPersistStartCabWrite(p, "k");
  KCabPutInt(w, "v", 1);
  KCabPersistEndStoreCabWrite(p, "k", w);
  KCabPersistCommit(p, 0);
  SKCab* held = KCabPersistStartCabWrite(p, "k");
  // Another writer changes the file.
  WriteSetting(prefs.settings("sync.xml"), "k", 42);
  SetTime(prefs.settings("sync.xml"), time(nullptr) + 100);
  EXPECT_EQ(42, ReadValue(p, "k"));
  KCabPutInt(held, "v", 5);  // still a live cabinet
  KCabPersistEndStoreCabWrite(p, "k", held);  // only dropped: the reload won
  EXPECT_EQ(42, ReadValue(p, "k"));
  DestroyKCabPersist(p, 0);
}

namespace {
// Commits once with a fault injected at the given host call and use.
struct FaultCase {
  const char* call;
  int skip;
};
}  // namespace

TEST(KCabPersist, CrashSafetyUnderEveryInjectedFault) {
  const FaultCase cases[] = {
      {"ASFileSysOpenFile", 0}, {"ASFileWrite", 0}, {"ASFileWrite", 1}, {"ASFileSetEOF", 0},
      {"ASFileClose", 0},       {"ASFileSysRemoveFile", 0}, {"ASFileSysRenameFile", 0}, {"ASFileSysRenameFile", 1},
  };
  for (const FaultCase& c : cases) {
    Prefs prefs;
    SKCabPersist* p = NewKCabPersist("safe");
    KCabPersistSetWriteableDirectory(p);
    SKCab* w = KCabPersistStartCabWrite(p, "k");
    KCabPutInt(w, "v", 1);
    KCabPersistEndStoreCabWrite(p, "k", w);
    ASSERT_TRUE(KCabPersistCommit(p, 0));
    // Commit twice more so that the main file and today's backup both exist.
    w = KCabPersistStartCabWrite(p, "k");
    KCabPutInt(w, "v", 2);
    KCabPersistEndStoreCabWrite(p, "k", w);
    ASSERT_TRUE(KCabPersistCommit(p, 0));

    w = KCabPersistStartCabWrite(p, "k");
    KCabPutInt(w, "v", 3);
    // Large enough that the file is written in several pieces: a fault can strike mid-way.
    KCabPutStringCopy(w, "big", std::string(300000, 'x').c_str());
    KCabPersistEndStoreCabWrite(p, "k", w);
    ASFaultInject(c.call, fileErrIO, c.skip);
    bool committed = KCabPersistCommit(p, 0);
    ASFaultClearAll();
    DestroyKCabPersist(p, 0);

    SKCabPersist* fresh = NewKCabPersist("safe");
    KCabPersistSetWriteableDirectory(fresh);
    ASInt32 v = ReadValue(fresh, "k");
    if (committed) {
      EXPECT_EQ(3, v) << c.call << " " << c.skip;
    } else {
      EXPECT_EQ(2, v) << c.call << " " << c.skip << ": the last good settings must survive";
    }
    EXPECT_FALSE(std::filesystem::exists(prefs.settings("safe plugintemp.tmp"))) << c.call;
    DestroyKCabPersist(fresh, 0);
  }
}

TEST(KCabPersist, ALargeSettingReachesTheFileInFewWrites) {
  Prefs prefs;
  SKCabPersist* p = NewKCabPersist("large");
  KCabPersistSetWriteableDirectory(p);
  SKCab* w = KCabPersistStartCabWrite(p, "k");
  for (int i = 0; i < 10000; ++i) KCabPutInt(w, ("entry" + std::to_string(i)).c_str(), i);
  KCabPersistEndStoreCabWrite(p, "k", w);
  // About 300 KB of text: written piece by piece it takes tens of thousands of
  // writes; the 33rd write fails here.
  ASFaultInject("ASFileWrite", fileErrIO, 32);
  bool committed = KCabPersistCommit(p, 0);
  ASFaultClearAll();
  DestroyKCabPersist(p, 0);
  EXPECT_TRUE(committed);

  SKCabPersist* fresh = NewKCabPersist("large");
  KCabPersistSetWriteableDirectory(fresh);
  SKCab* c = KCabPersistGetCabRead(fresh, "k");
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(0, KCabGetInt(c, "entry0", -1));
  EXPECT_EQ(9999, KCabGetInt(c, "entry9999", -1));
  KCabDestroy(c);
  DestroyKCabPersist(fresh, 0);
}

TEST(KCabPersist, NoPreferencesFolderMeansNoFilesAnywhere) {
  kvtest::TempDir blocker;
  kvtest::WriteWholeFile(blocker.file("file"), "x");
  ASHostSetPreferencesFolder(blocker.file("file").c_str());  // a file, not a folder: Korvel cannot be made
  std::string cwd = std::filesystem::current_path();
  kvtest::TempDir work;
  std::filesystem::current_path(work.path());
  SKCabPersist* p = NewKCabPersist("nowhere");
  KCabPersistSetWriteableDirectory(p);
  SKCab* w = KCabPersistStartCabWrite(p, "k");
  KCabPutInt(w, "v", 1);
  KCabPersistEndStoreCabWrite(p, "k", w);
  EXPECT_FALSE(KCabPersistCommit(p, 0));
  DestroyKCabPersist(p, 1);
  EXPECT_TRUE(std::filesystem::is_empty(work.path())) << "nothing is written to the current directory";
  std::filesystem::current_path(cwd);
  ASHostSetPreferencesFolder(nullptr);
}

TEST(KCabPersist, DirectorySearchFallsBackToThePluginFolder) {
  Prefs prefs;
  kvtest::TempDir install;
  std::filesystem::create_directories(install.file("kv3"));
  WriteSetting(install.file("pagesize.sys.xml"), "sizes", 9);
  const char* saved = gPluginBundle;
  std::string bundle = install.file("kv3");
  gPluginBundle = bundle.c_str();
  SKCab* c = ReadKCabFromXMLDirectorySearch("pagesize.sys", "sizes");
  ASSERT_NE(nullptr, c);
  EXPECT_EQ(9, KCabGetInt(c, "v", 0));
  KCabDestroy(c);
  EXPECT_EQ(nullptr, ReadKCabFromXMLDirectorySearch("pagesize.sys", "other"));
  gPluginBundle = saved;
}

// A main file that does not read is moved out of the weekday backups' way
// (a commit would rotate it into today's backup and the next one delete it)
// and the run is told where it went and what the settings came from; a file
// that is not there is a first run and says nothing.
TEST(KCabPersist, AnUnreadableMainFileIsMovedAsideAndTold) {
  const std::string bad = "<RUVURAZAR><ITEMS><DICT N='Last'><ITEMS><B N='Kept'>1</B>";  // cut short
  // Not today's backup: today's is the one commits rotate.
  const time_t now = time(nullptr);
  struct tm today;
  gmtime_r(&now, &today);
  const std::string backup = "kv3 backup" + std::to_string((today.tm_wday + 1) % 7) + ".xml";
  struct Case {
    const char* what;
    bool main;     // a main file that does not read
    bool backup;   // a backup that reads
    bool earlier;  // a file set aside before
    const char* aside;
    std::string says;  // after the folder's path; empty: nothing
  };
  const Case cases[] = {
      {"nothing else", true, false, false, "kv3 unreadable1.xml",
       "kv3.xml could not be read: it was moved to @kv3 unreadable1.xml, and the settings start empty."},
      {"a backup", true, true, false, "kv3 unreadable1.xml",
       "kv3.xml could not be read: it was moved to @kv3 unreadable1.xml, and the settings were taken from @" + backup +
           "."},
      {"one set aside before", true, false, true, "kv3 unreadable2.xml",
       "kv3.xml could not be read: it was moved to @kv3 unreadable2.xml, and the settings start empty."},
      {"no main file", false, true, false, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Prefs prefs;
    std::filesystem::create_directories(prefs.settings(""));
    if (c.main) kvtest::WriteWholeFile(prefs.settings("kv3.xml"), bad);
    if (c.backup) WriteSetting(prefs.settings(backup), "k", 5);
    if (c.earlier) kvtest::WriteWholeFile(prefs.settings("kv3 unreadable1.xml"), "earlier");
    const std::string backupBefore = c.backup ? kvtest::ReadWholeFile(prefs.settings(backup)) : "";
    kvtest::MessageCapture capture;
    SKCabPersist* p = NewKCabPersist("kv3");
    KCabPersistSetAutoCommitMode(p, 1);
    KCabPersistSetWriteableDirectory(p);
    EXPECT_EQ(c.backup ? 5 : -2, ReadValue(p, "k"));
    if (c.says.empty()) {
      EXPECT_TRUE(capture.messages().empty());
    } else {
      std::string says = c.says;
      for (size_t at; (at = says.find('@')) != std::string::npos;) says.replace(at, 1, prefs.settings(""));
      ASSERT_EQ(1u, capture.messages().size());
      EXPECT_EQ(kAutoMessageWarning, capture.messages()[0].type);
      EXPECT_EQ("The settings file " + prefs.settings("") + says, capture.messages()[0].text);
    }
    if (c.aside) {
      EXPECT_EQ(bad, kvtest::ReadWholeFile(prefs.settings(c.aside))) << "set aside as it was";
      EXPECT_FALSE(std::filesystem::exists(prefs.settings("kv3.xml")));
    }
    if (c.earlier) {
      EXPECT_EQ("earlier", kvtest::ReadWholeFile(prefs.settings("kv3 unreadable1.xml")));
    }
    // Stored twice: the file set aside is no backup that a commit rotates away.
    for (ASInt32 v : {7, 8}) {
      SKCab* w = KCabPersistStartCabWrite(p, "k");
      KCabPutInt(w, "v", v);
      KCabPersistEndStoreCabWrite(p, "k", w);
    }
    DestroyKCabPersist(p, 0);
    if (c.aside) {
      EXPECT_EQ(bad, kvtest::ReadWholeFile(prefs.settings(c.aside)));
    }
    if (c.backup && c.main) {
      EXPECT_EQ(backupBefore, kvtest::ReadWholeFile(prefs.settings(backup)));
    }
    capture.Clear();
    p = NewKCabPersist("kv3");
    KCabPersistSetWriteableDirectory(p);
    EXPECT_EQ(8, ReadValue(p, "k"));
    EXPECT_TRUE(capture.messages().empty()) << "told once: the new file reads";
    DestroyKCabPersist(p, 0);
  }
}

// A main file that cannot be moved aside is never written over: the
// settings are not saved, and the run is told so.
TEST(KCabPersist, AnUnreadableMainFileThatCannotBeMovedIsKept) {
  Prefs prefs;
  std::filesystem::create_directories(prefs.settings(""));
  const std::string bad = "<RUVURAZAR><ITEMS>";
  kvtest::WriteWholeFile(prefs.settings("kv3.xml"), bad);
  kvtest::MessageCapture capture;
  SKCabPersist* p = NewKCabPersist("kv3");
  ASFaultInject("ASFileSysRenameFile", fileErrIO, 0);
  KCabPersistSetWriteableDirectory(p);
  ASFaultClearAll();
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_EQ("The settings file " + prefs.settings("kv3.xml") +
                " could not be read, nor moved aside: it is left as it is, and settings are not saved until it reads "
                "or is removed.",
            capture.messages()[0].text);
  SKCab* w = KCabPersistStartCabWrite(p, "k");
  KCabPutInt(w, "v", 1);
  KCabPersistEndStoreCabWrite(p, "k", w);
  EXPECT_FALSE(KCabPersistCommit(p, 0));
  DestroyKCabPersist(p, 1);
  EXPECT_EQ(bad, kvtest::ReadWholeFile(prefs.settings("kv3.xml")));
  EXPECT_FALSE(std::filesystem::exists(prefs.settings("kv3 plugintemp.tmp")));
}

// A file of the plug-in's folder that does not read is told and left where
// it is.
TEST(KCabPersist, AnUnreadableInstalledFileIsToldAndLeftInPlace) {
  Prefs prefs;
  kvtest::TempDir install;
  std::filesystem::create_directories(install.file("kv3"));
  kvtest::WriteWholeFile(install.file("pagesize.sys.xml"), "not xml");
  const char* saved = gPluginBundle;
  std::string bundle = install.file("kv3");
  gPluginBundle = bundle.c_str();
  kvtest::MessageCapture capture;
  EXPECT_EQ(nullptr, ReadKCabFromXMLDirectorySearch("pagesize.sys", "sizes"));
  gPluginBundle = saved;
  EXPECT_EQ((std::vector<std::string>{"The settings file " + install.file("pagesize.sys.xml") +
                                      " could not be read: it is left out."}),
            capture.texts());
  EXPECT_EQ("not xml", kvtest::ReadWholeFile(install.file("pagesize.sys.xml")));
  EXPECT_FALSE(std::filesystem::exists(install.file("pagesize.sys unreadable1.xml"))) << "nothing set aside";
}
