#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "host/ASExtension.h"
#include "host/ASProgress.h"

namespace {
int Answer() { return 42; }
}  // namespace

TEST(HostVersion, DefaultAndSettable) {
  ASInt16 major = 0, minor = -1;
  ASHostVersionGet(&major, &minor);
  EXPECT_EQ(9, major);
  EXPECT_EQ(0, minor);
  ASHostVersionSet(7, 1);
  ASHostVersionGet(&major, &minor);
  EXPECT_EQ(7, major);
  EXPECT_EQ(1, minor);
  ASHostVersionSet(9, 0);
}

TEST(FunctionTables, LookupByNameAndVersionAndMissingEntries) {
  void* entries[3] = {(void*)&Answer, nullptr, (void*)HFTEntryPlaceholder};
  HFT t = HFTRegister("TestTable", ASVersionMake(6, 0), entries, 3);
  EXPECT_EQ(t, ASExtensionMgrGetHFT(ASAtomFromString("TestTable"), ASVersionMake(5, 0)));
  EXPECT_EQ(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("TestTable"), ASVersionMake(6, 1)));
  EXPECT_EQ(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("NoSuchTable"), 0));
  EXPECT_TRUE(HFTEntryIsPresent(t, 0));
  EXPECT_FALSE(HFTEntryIsPresent(t, 1));
  EXPECT_FALSE(HFTEntryIsPresent(t, 2));
  EXPECT_FALSE(HFTEntryIsPresent(t, 99));
  EXPECT_EQ(42, reinterpret_cast<int (*)()>(HFTGetEntry(t, 0))());
  HFTReplaceEntry(t, 0, nullptr);
  EXPECT_FALSE(HFTEntryIsPresent(t, 0));
  HFTUnregister("TestTable");
  EXPECT_EQ(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("TestTable"), 0));
}

TEST(Callbacks, AreTheProceduresThemselves) {
  ASCallback cb = ASCallbackCreate(nullptr, (void*)&Answer);
  EXPECT_EQ((void*)&Answer, cb);
  ASCallbackDestroy(cb);
  ProgressMonitorBegin(nullptr, nullptr);  // a null monitor is accepted everywhere
  ProgressMonitorSetDuration(nullptr, 5, nullptr);
}

TEST(HostPaths, PreferencesFolderFollowsOverrideThenEnvironment) {
  ASHostSetPreferencesFolder("/tmp/prefs-here");
  EXPECT_STREQ("/tmp/prefs-here", ASHostGetPreferencesFolder());
  ASHostSetPreferencesFolder(nullptr);
  std::string saved = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_STREQ("/tmp/xdg", ASHostGetPreferencesFolder());
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  std::string fallback = ASHostGetPreferencesFolder();
  EXPECT_EQ("/.config", fallback.substr(fallback.size() - 8));
  if (saved.empty()) unsetenv("XDG_CONFIG_HOME");
  else setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}
