// Reading the general preferences once per run: each test in a process of
// its own, as the plug-in reads them once per life.
#include <gtest/gtest.h>

#include "commands/Prefs.h"
#include "engine/EnginePrefs.h"
#include "foundation/KCab.h"
#include "frame/KVCommands.h"
#include "host/ASExtension.h"
#include "host/ASMem.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"

namespace {

class ReadPrefs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kvtest::LoadEnglishMessages());
    ASHostSetPreferencesFolder(dir_.path().c_str());
  }
  void TearDown() override { ASHostSetPreferencesFolder(nullptr); }

  static void Store(const char* regColour) {
    SKCab* cab = KCabNewInner();
    KCabPutAtom(cab, "RegColour", ASAtomFromString(regColour));
    KCabPutAtom(cab, "BleedPromptDefault", ASAtomFromString("Prompt"));
    KCabPutBool(cab, "Classic", 1);
    CommitGeneralPrefsCab(cab);
    KCabDestroy(cab);
  }

  kvtest::TempDir dir_;
};

TEST_F(ReadPrefs, TheStoredPrefsApplyOnceWithoutANote) {
  Store("Black");
  kvtest::MessageCapture messages;
  EXPECT_TRUE(ReadGeneralPrefs());
  EXPECT_EQ(kRegColourBlack, gRegistrationColour);
  EXPECT_EQ(kBleedUse, gBleedVelmoraPromptDefault);
  EXPECT_EQ(1, gKVClassic);
  EXPECT_TRUE(messages.texts().empty()) << "classic mode's note is for the dialog only";

  Store("CMYK");
  EXPECT_TRUE(ReadGeneralPrefs());
  EXPECT_EQ(kRegColourBlack, gRegistrationColour) << "read once per run";
}

TEST_F(ReadPrefs, NothingStoredLeavesTheInitialValues) {
  EXPECT_TRUE(ReadGeneralPrefs());
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  EXPECT_EQ(1, gBleedVelmoraPromptDefault);
  EXPECT_EQ(0, gKVClassic);
  EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance);
}

TEST_F(ReadPrefs, AFailureIsReportedOnceAndLeavesTheSwitches) {
  Store("Black");
  // The store reads its file anew in this process; every allocation fails.
  kvtest::MessageCapture messages;
  ASMemInjectFailure(0, -1);
  ASBool first = ReadGeneralPrefs();
  ASMemClearFailure();
  EXPECT_FALSE(first);
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  EXPECT_EQ(0, gKVClassic);
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_EQ(kAutoMessageError, messages.messages()[0].type);

  EXPECT_FALSE(ReadGeneralPrefs()) << "later calls give the first call's answer";
  EXPECT_EQ(1u, messages.messages().size()) << "reported once";
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
}

}  // namespace
