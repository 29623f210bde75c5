// The preferences and the control panel in the host program with the real
// bundle: the preferences item answered from a cabinet changes the stored
// "Last:General", and the stored preferences reach the next run.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

using kvtest::CabXML;

std::string Word(SKCab* cab, const char* key) {
  ASAtom a = KCabGetAtom(cab, key, ASAtomNull);
  return a == ASAtomNull ? "" : ASAtomGetString(a);
}

class PrefsHost : public ::testing::Test {
 protected:
  kvtest::ShellOutcome Kvhost(const std::string& args) {
    return kvtest::Shell(std::string(KV_TEST_BUILD_DIR) + "/kvhost --quiet --prefs " + dir.path() + " " + args);
  }
  std::string Answers(SKCab* dialogAnswers) {
    SKCab* answers = KCabNewInner();
    KCabPutCab(answers, "Preferences", dialogAnswers);
    std::string path = dir.file("answers.xml");
    std::ofstream(path) << CabXML(answers);
    KCabDestroy(answers);
    return path;
  }
  // The stored "Last:General" (owned by the caller), or null.
  SKCab* StoredGeneral() {
    std::ifstream in(dir.file("Korvel/kv3.xml"));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.empty()) return nullptr;
    SKCab* all = KCabReadFromBuffer(text.data(), (ASInt32)text.size(), nullptr);
    if (!all) return nullptr;
    SKCab* general = KCabDetachCab(all, "Last:General");
    KCabDestroy(all);
    return general;
  }

  kvtest::TempDir dir;
};

TEST_F(PrefsHost, ThePreferencesItemStoresTheAnsweredValues) {
  SKCab* first = KCabNewInner();
  KCabPutAtom(first, "RegColour", ASAtomFromString("CMYK"));
  KCabPutAtom(first, "BleedMode", ASAtomFromString("Ignore"));
  kvtest::ShellOutcome r = Kvhost("--answers " + Answers(first) + " --menu KRVL:Velmora3:Prefs");
  ASSERT_EQ(0, r.status) << r.out;
  SKCab* stored = StoredGeneral();
  ASSERT_NE(nullptr, stored) << r.out;
  EXPECT_EQ("CMYK", Word(stored, "RegColour"));
  EXPECT_EQ("Ignore", Word(stored, "BleedMode"));
  EXPECT_TRUE(KCabGetBool(stored, "SpareBT", 0));
  EXPECT_FALSE(KCabKnown(stored, "E0"));
  KCabDestroy(stored);

  // The next run starts from them and changes only what it is told.
  SKCab* second = KCabNewInner();
  KCabPutAtom(second, "RegColour", ASAtomFromString("Black"));
  r = Kvhost("--answers " + Answers(second) + " --menu KRVL:Velmora3:Prefs");
  ASSERT_EQ(0, r.status) << r.out;
  stored = StoredGeneral();
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ("Black", Word(stored, "RegColour"));
  EXPECT_EQ("Ignore", Word(stored, "BleedMode"));
  KCabDestroy(stored);
}

TEST_F(PrefsHost, TheControlPanelOpensFromItsMenuItem) {
  std::string pdf = dir.file("in.pdf");
  kvfix::WriteSimple(pdf, 2);
  kvtest::ShellOutcome r = Kvhost("--menu KRVL:Velmora3:ControlPanel " + pdf);
  EXPECT_EQ(0, r.status) << r.out;
  EXPECT_FALSE(r.Says("not available")) << r.out;
}

}  // namespace
