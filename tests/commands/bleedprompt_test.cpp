// The bleed prompt driven through the platform's dialog driver: what it
// preselects, what it answers, and what it remembers in the general
// preferences.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/BleedPrompt.h"
#include "commands/Prefs.h"
#include "engine/EnginePrefs.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/MessageTable.h"
#include "frame/KVCommands.h"
#include "host/ASExtension.h"
#include "kctl/KCtlHarness.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

class BleedEnv : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(LoadEnglishMessages());
    ASHostSetPreferencesFolder(dir_.path().c_str());
  }
  void TearDown() override { ASHostSetPreferencesFolder(nullptr); }

 private:
  TempDir dir_;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new BleedEnv);

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
std::string Word(SKCab* cab, const char* key) {
  ASAtom a = KCabGetAtom(cab, key, ASAtomNull);
  return a == ASAtomNull ? "" : ASAtomGetString(a);
}

class BleedPrompt : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    cab = KCabNewInner();
    Reset();
  }
  // No stored answers, the switches as a fresh process has them, an empty cabinet.
  void Reset() {
    KCabMakeEmpty(cab);
    SKCabPersist* p = KVMainPersist();
    SKCab* stored = KCabPersistStartCabWrite(p, "Last:General");
    KCabMakeEmpty(stored);
    KCabPersistEndStoreCabWrite(p, "Last:General", stored);
    gBleedVelmoraMode = kBleedPrompt;
    gBleedVelmoraPromptDefault = kBleedUse;
  }
  void TearDown() override {
    KCabDestroy(cab);
    gBleedVelmoraMode = kBleedPrompt;
    gBleedVelmoraPromptDefault = kBleedUse;
    KCtlFixture::TearDown();
  }
  // The stored general preferences' "BleedPromptDefault" and "BleedMode" words.
  std::pair<std::string, std::string> Stored() {
    SKCab* prefs = LoadGeneralPrefsCab();
    std::pair<std::string, std::string> out{Word(prefs, "BleedPromptDefault"), Word(prefs, "BleedMode")};
    KCabDestroy(prefs);
    return out;
  }
  SKCab* cab = nullptr;
};

struct AnswerCase {
  const char* name;
  ASInt32 promptDefault;  // before
  const char* choose;     // radio key, or null to keep the preselection
  bool dontAsk;
  bool ok;
  // after
  bool result;
  const char* answer;  // "BleedMode" in the cabinet
  ASInt32 newDefault;
  ASInt32 newMode;
  const char* storedDefault;
  const char* storedMode;
  bool alert;
};

TEST_F(BleedPrompt, AnswersAndWhatTheyLeaveBehind) {
  const AnswerCase cases[] = {
      {"the default answer", kBleedUse, nullptr, false, true, true, "Use", kBleedUse, kBleedPrompt, "", "", false},
      {"another answer becomes the next preselection", kBleedUse, "BleedMode=Ignore", false, true, true, "Ignore",
       kBleedIgnore, kBleedPrompt, "Ignore", "", false},
      {"do not ask again", kBleedUse, nullptr, true, true, true, "Use", kBleedUse, kBleedUse, "Use", "Use", true},
      {"ignore, and do not ask again", kBleedIgnore, nullptr, true, true, true, "Ignore", kBleedIgnore, kBleedIgnore,
       "Ignore", "Ignore", true},
      {"cancelled", kBleedUse, "BleedMode=Ignore", true, false, false, nullptr, kBleedUse, kBleedPrompt, "", "", false},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    gBleedVelmoraPromptDefault = c.promptDefault;
    MessageCapture capture;
    std::string title;
    PfScript script;
    script.Then([&] {
      title = PfGetWindowTitleUTF8(PfGetDialogWindow(Front()));
      if (c.choose) PfDriverClickItem(Front(), ItemOfKey(c.choose), 0);
      if (c.dontAsk) PfDriverClickItem(Front(), ItemOfKey("DontShowAgain"), 0);
    });
    script.Then([&] {
      if (c.ok)
        PfDriverPressReturn();
      else
        PfDriverPressEscape();
    });
    EXPECT_EQ(c.result, ImpositionBleedPrompt(cab) != 0);
    EXPECT_EQ(Msg("dlg.bleedprompt.title"), title);
    if (c.answer) {
      EXPECT_EQ(c.answer, Word(cab, "BleedMode"));
    }
    EXPECT_EQ(c.newDefault, gBleedVelmoraPromptDefault);
    EXPECT_EQ(c.newMode, gBleedVelmoraMode);
    EXPECT_EQ(std::make_pair(std::string(c.storedDefault), std::string(c.storedMode)), Stored());
    EXPECT_EQ(c.alert ? std::vector<std::string>{Msg("dlg.bleedprompt.msg")} : std::vector<std::string>{},
              capture.texts());
  }
}

TEST_F(BleedPrompt, PreselectsTheRememberedAnswer) {
  for (ASInt32 preselected : {kBleedUse, kBleedIgnore}) {
    gBleedVelmoraPromptDefault = preselected;
    bool use = false, ignore = false;
    PfScript script;
    script.Then([&] {
      use = PfDriverGetValue(Front(), ItemOfKey("BleedMode=Use")) != 0;
      ignore = PfDriverGetValue(Front(), ItemOfKey("BleedMode=Ignore")) != 0;
      PfDriverPressEscape();
    });
    EXPECT_FALSE(ImpositionBleedPrompt(cab));
    EXPECT_EQ(preselected == kBleedUse, use);
    EXPECT_EQ(preselected == kBleedIgnore, ignore);
  }
}

TEST_F(BleedPrompt, IsTheEnginesPromptOnceLoaded) {
  ImpositionBleedPromptProc installed = SetImpositionBleedPromptProc(nullptr);
  SetImpositionBleedPromptProc(installed);
  EXPECT_EQ(&ImpositionBleedPrompt, installed);
}

}  // namespace
