// The automation responder: dialogs answered from an answers cabinet and
// confirmed, refused ones cancelled with a message, the step limit.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "KCtlHarness.h"
#include "foundation/Alerts.h"
#include "foundation/KCabDump.h"
#include "kctl/KCtlAutomation.h"

namespace {

using namespace kvtest;

class Automation : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    SaveAutoMessageState(&saved_);
    messages_ = KCabNewInner();
    AutoMessageSetKCabListDest(messages_, 1);
  }
  void TearDown() override {
    KCtlAutomationStop();
    RestoreAutoMessageState(&saved_);
    KCabDestroy(messages_);
    KCtlFixture::TearDown();
  }
  SAutoMessageState saved_{};
  SKCab* messages_ = nullptr;
};

// Notes the dialog's record (the user data is where) when its values are loaded.
ASInt32 NoteRecord(SMacDialogInfo* dialog, ASInt32, ASInt32, void* user) {
  *static_cast<SMacDialogInfo**>(user) = dialog;
  return kKCtlCallBackGoOn;
}

// A dialog with a name, a check box and a length-limited code.
struct Form {
  KCtlRun run;
  SMacDialogInfo* record = nullptr;  // the last showing's
  explicit Form(const char* title) : run(title) {
    SKCtlElem* name = KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr);
    KCtlSetExportKeyEditString("Name", 0, name);
    KCtlSetActionCallback(name, kKCtlTriggerLoaded, NoteRecord, &record);
    KCtlSetExportKey("On", KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "On", nullptr));
    KCtlSetExportKeyEditString("Code", 3, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxx", nullptr));
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
    KCabPutStringCopy(run.Export(), "Name", "before");
  }
  ASInt32 Run() {
    // The responder answers; nothing else drives the dialog.
    run.data = KCtlCreateData(run.dialog);
    KCtlDataSetExportCab(run.data, run.exportCab, nullptr);
    return KCtlPlatformTestModal(run.data, nullptr);
  }
};

SKCab* Answer(SKCab* answers, const char* key) {
  SKCab* a = KCabNewInner();
  KCabPutCab(answers, key, a);
  return KCabGetCab(answers, key);
}

TEST_F(Automation, DialogsAreAnsweredByTitleThenInTurn) {
  SKCab* answers = KCabNewInner();
  SKCab* byTitle = Answer(answers, "Titled");
  KCabPutStringCopy(byTitle, "Name", "From title");
  KCabPutBool(byTitle, "On", 1);
  KCabPutStringCopy(Answer(answers, "0"), "Name", "First in turn");
  KCabPutStringCopy(Answer(answers, "1"), "Code", "abc");
  KCtlAutomationStart(answers, 0);
  Form titled("Titled"), first("Untitled"), second("Untitled"), again("Titled"), bare("Untitled");
  EXPECT_EQ(1, titled.Run());
  EXPECT_EQ(1, first.Run());
  EXPECT_EQ(1, second.Run());
  EXPECT_EQ(1, again.Run());
  EXPECT_EQ(1, bare.Run());
  EXPECT_EQ("{Code=s:;Name=s:From title;On=b:1;}", DumpKCab(titled.run.exportCab));
  EXPECT_EQ("{Code=s:;Name=s:First in turn;On=b:0;}", DumpKCab(first.run.exportCab));
  // Only the keys an answer holds change.
  EXPECT_EQ("{Code=s:abc;Name=s:before;On=b:0;}", DumpKCab(second.run.exportCab));
  EXPECT_EQ("{Code=s:;Name=s:From title;On=b:1;}", DumpKCab(again.run.exportCab));
  EXPECT_EQ("{Code=s:;Name=s:before;On=b:0;}", DumpKCab(bare.run.exportCab));
  EXPECT_EQ(5, KCtlAutomationAnsweredCount());
  EXPECT_EQ(0, KCtlAutomationCancelledCount());
  EXPECT_TRUE(KCabIsEmpty(messages_));
  KCtlAutomationStop();
  KCabDestroy(answers);
}

TEST_F(Automation, ADialogThatRefusesOKIsCancelledWithAMessage) {
  SKCab* answers = KCabNewInner();
  KCabPutStringCopy(Answer(answers, "Strict"), "Code", "toolong");
  KCtlAutomationStart(answers, 0);
  Form strict("Strict");
  EXPECT_EQ(2, strict.Run());
  EXPECT_EQ("{Name=s:before;}", DumpKCab(strict.run.exportCab)) << "a cancelled dialog stores nothing";
  EXPECT_EQ(0, KCtlAutomationAnsweredCount());
  EXPECT_EQ(1, KCtlAutomationCancelledCount());
  // The message names the element and the answer it refused.
  EXPECT_EQ("{0={S=s:The dialog \"Strict\" did not accept the answer \"toolong\" for Code and was cancelled.;T=i:1;};}",
            DumpKCab(messages_));
  KCtlAutomationStop();
  KCabDestroy(answers);
}

TEST_F(Automation, ARefusedValueWithoutAnAnswerIsNamed) {
  KCtlAutomationStart(nullptr, 0);
  Form strict("Strict");
  KCabPutStringCopy(strict.run.Export(), "Code", "toolong");
  EXPECT_EQ(2, strict.Run());
  EXPECT_EQ("{0={S=s:The dialog \"Strict\" did not accept the value of Code, which had no answer, and was "
            "cancelled.;T=i:1;};}",
            DumpKCab(messages_));
}

TEST_F(Automation, ADisabledOKIsNoAnswerEither) {
  KCtlAutomationStart(nullptr, 0);
  KCtlRun run("Disabled");
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK | kKCtlFlagDisabled, 1, "OK", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  run.data = KCtlCreateData(run.dialog);
  EXPECT_EQ(2, KCtlPlatformTestModal(run.data, nullptr));
  EXPECT_EQ(1, KCtlAutomationCancelledCount());
}

// The texts of the messages the responder gave, in order.
std::vector<std::string> Texts(SKCab* messages) {
  std::vector<std::string> texts;
  for (long k = 0; SKCab* m = KCabGetCabNumKey(messages, k); ++k) texts.push_back(KCabGetString(m, "S"));
  return texts;
}

// A dialog that refused a value, then one whose OK cannot be pressed and
// whose record comes at the first one's address: the second is cancelled as
// a dialog of its own, with nothing of the first's refusal, whether the
// first's description is still there or gone.
TEST_F(Automation, ARefusalGoesWithItsDialog) {
  ReusedDialogRecords reuse;
  for (bool keepFirst : {true, false}) {
    SCOPED_TRACE(keepFirst ? "the first description kept" : "the first description freed");
    SKCab* messages = KCabNewInner();
    AutoMessageSetKCabListDest(messages, 1);
    KCtlAutomationStart(nullptr, 0);
    auto strict = std::make_unique<Form>("Strict");
    KCabPutStringCopy(strict->run.Export(), "Code", "toolong");
    EXPECT_EQ(2, strict->Run());
    SMacDialogInfo* first = strict->record;
    if (!keepFirst) strict.reset();

    KCtlRun run("Disabled");
    SMacDialogInfo* second = nullptr;
    SKCtlElem* ok = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK | kKCtlFlagDisabled, 1, "OK", nullptr);
    KCtlSetActionCallback(ok, kKCtlTriggerLoaded, NoteRecord, &second);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
    run.data = KCtlCreateData(run.dialog);
    EXPECT_EQ(2, KCtlPlatformTestModal(run.data, nullptr));
    ASSERT_NE(nullptr, first);
    ASSERT_EQ(first, second) << "the test hook gives the second record the first one's address";
    EXPECT_EQ((std::vector<std::string>{
                  "The dialog \"Strict\" did not accept the value of Code, which had no answer, and was cancelled.",
                  "The dialog \"Disabled\" did not accept its answers and was cancelled."}),
              Texts(messages));
    KCtlAutomationStop();
    AutoMessageSetKCabListDest(messages_, 1);
    KCabDestroy(messages);
  }
}

// A dialog answered and gone, then another whose record comes at the same
// address: the second is a dialog of its own, answered afresh rather than
// taken for the first still there after its OK.
TEST_F(Automation, ADialogWhereAnAnsweredOneWasIsAnsweredAfresh) {
  ReusedDialogRecords reuse;
  KCtlAutomationStart(nullptr, 0);
  EngineHarness first, second;
  for (EngineHarness* h : {&first, &second}) {
    h->items = {StandardEngineItems()[0], StandardEngineItems()[1]};
    h->handler = StandardHandler;
  }
  EXPECT_EQ(kOK, RunModalHarness(first));
  EXPECT_EQ(kOK, RunModalHarness(second));
  EXPECT_EQ(first.info, second.info) << "the test hook gives the second record the first one's address";
  EXPECT_EQ(2, KCtlAutomationAnsweredCount());
  EXPECT_EQ(0, KCtlAutomationCancelledCount());
  EXPECT_TRUE(KCabIsEmpty(messages_));
}

// Each OK opens the same dialog again, inside its own callback.
ASInt32 OpenAnother(SMacDialogInfo*, ASInt32, ASInt32, void* user);

ASInt32 RunEndless(int* depth) {
  KCtlRun run("Endless");
  SKCtlElem* ok = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  KCtlSetActionCallback(ok, kKCtlTriggerClick, OpenAnother, depth);
  run.data = KCtlCreateData(run.dialog);
  return KCtlPlatformTestModal(run.data, nullptr);
}

ASInt32 OpenAnother(SMacDialogInfo*, ASInt32, ASInt32, void* user) {
  int* depth = static_cast<int*>(user);
  if (++*depth < 50) RunEndless(depth);
  return 0;
}

TEST_F(Automation, TheStepLimitStopsDialogsThatKeepComing) {
  KCtlAutomationStart(nullptr, 5);
  int depth = 0;
  RunEndless(&depth);
  EXPECT_EQ(5, depth) << "five dialogs answered, the sixth cancelled";
  EXPECT_EQ(5, KCtlAutomationAnsweredCount());
  EXPECT_EQ(1, KCtlAutomationCancelledCount());
  ASSERT_NE(nullptr, KCabGetCabNumKey(messages_, 0));
  EXPECT_STREQ("Too many dialogs came up while running unattended; \"Endless\" was cancelled.",
               KCabGetString(KCabGetCabNumKey(messages_, 0), "S"));
}

TEST_F(Automation, TheDriverFindsItemsByExportKey) {
  KCtlRun run("Keys");
  KCtlSetExportKeyEditString("Name", 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr));
  ASUns32 g = KCtlDialogNewButtonGroupCode(run.dialog);
  SKCtlElem* wide = nullptr;
  for (const char* a : {"Tall", "Wide"}) {
    SKCtlElem* r = KCtlRadioButtonSetGroup(g, KCtlSetExportKeyAtom("Orient", ASAtomFromString(a), KCtlAddNewElement(run.dialog, kKCtlRadioButton, 0, -1, a, nullptr)));
    if (std::string(a) == "Wide") wide = r;
  }
  SKCtlElem* yes = KCtlSetExportKeyBoolean("Flag", 1, KCtlAddNewElement(run.dialog, kKCtlRadioButton, 0, -1, "Yes", nullptr));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  run.Export();
  PfScript script;
  script.Then([&] {
    EXPECT_EQ(ItemOf(wide), ItemOfKey("Orient=Wide"));
    EXPECT_EQ(ItemOf(yes), ItemOfKey("Flag=true"));
    EXPECT_EQ(0, ItemOfKey("Flag=false"));
    EXPECT_EQ(0, ItemOfKey("Missing"));
    PfDriverTypeText(Front(), ItemOfKey("Name"), "Typed", true);
    PfDriverClickItem(Front(), ItemOfKey("Orient=Wide"), 0);
  });
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_EQ(1, run.RunModal(script));
  EXPECT_EQ("{Name=s:Typed;Orient=a:Wide;}", DumpKCab(run.exportCab));
}

}  // namespace
