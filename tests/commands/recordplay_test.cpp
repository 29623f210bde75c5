// The record dialog turns the last parameters of a command into a named
// action; the playback window lists, plays and deletes them. Both are driven
// headless through the platform's dialog driver, over the frame's real
// named-action store in a fresh preferences folder.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FrameTestSupport.h"
#include "PlugInTestSupport.h"
#include "commands/RecordPlayback.h"
#include "foundation/KCab.h"
#include "frame/CommandModules.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/KVMemory.h"
#include "host/ASMem.h"
#include "host/AVAlert.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"
#include "support/PfTestSupport.h"

namespace {

using kvtest::PfText;

ASAtom A(const char* text) { return ASAtomFromString(text); }

PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
int16_t ItemOfId(ASInt32 id) { return PfDriverItemById(Front(), id); }
int16_t ItemOfKey(const char* key) { return PfDriverItemByKey(Front(), key); }

class RecordPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    PfResetAll();
    kvtest::LoadMessages();
    kvtest::InstallTestModules(true, false);
    SKVCommandModules mine{};
    mine.DoRememberLast = DoRememberLast;
    mine.StartPlay = StartPlay;
    KVCommandModuleAdd(mine);
    InitKVCommands(0);
    AVAlertRecordStart();
    PfSetEventDispatcher(MacDialogDispatchEvent, nullptr);
    doc_ = session_.OpenDocument("doc.pdf", 3);
  }
  void TearDown() override {
    if (playDialogHandle) {
      PlayPress("common.button.close");
    }
    EXPECT_EQ(nullptr, playDialogHandle);
    EXPECT_EQ(0, MacLiveDialogCount());
    PfSetEventDispatcher(nullptr, nullptr);
    AVAlertRecordStop();
    kvtest::ResetStatusBox();
  }

  // Runs a command from the menu as a user would, with parameters of its own.
  void RunCommand(EImpositionCommand command, const char* key, ASInt32 copies) {
    SKCab* params = LoadKVCommandParams(A(key));
    KCabPutInt(params, "Copies", copies);
    std::string name = std::string("Last:") + key;
    MergeAndStoreKVParameters(name.c_str(), params);
    KCabDestroy(params);
    ASSERT_TRUE(ExecuteImpositionCommand(command, "Krvl:DirectUI"));
  }

  // Opens the record dialog and runs the steps on it; its result.
  ASBool Record(std::vector<std::function<void()>> steps) {
    kvtest::PfScript script;
    for (auto& s : steps) script.Then(s);
    ASBool result = DoRememberLast();
    EXPECT_EQ(0u, script.pending()) << "every step ran";
    return result;
  }
  static void TypeName(const char* name) { PfDriverTypeText(Front(), ItemOfKey("Name"), name, true); }
  static void PressOK() { PfDriverClickItem(Front(), ItemOfId(1), 0); }
  static void PressCancel() { PfDriverPressButton(Front(), kvtest::Text("common.button.cancel").c_str()); }

  static std::vector<std::string> Alerts() { return kvtest::RecordedAlerts(); }

  // The stored action's command list, or null (the caller owns it).
  static SKCab* Action(const char* key, const char* name) { return KVMemoryGetItemCopy(A(key), name); }

  // Playback window.
  static PfDialogRef PlayWindow() { return playDialogHandle ? playDialogHandle->dialog : nullptr; }
  static std::string PlayText(ASInt32 id) { return PfText(PlayWindow(), PfDriverItemById(PlayWindow(), id)); }
  static void PlayPress(const char* key) {
    PfDriverPressButton(PlayWindow(), kvtest::Text(key).c_str());
    PfDriverPump();
  }
  // Chooses the command by its text in the window's pop-up.
  static bool ChoosePlayCommand(const std::string& text) {
    int16_t popup = PfDriverItemById(PlayWindow(), kPlayCommandPopup);
    for (int32_t i = 0; i < 20; ++i) {
      PfDriverChoosePopup(PlayWindow(), popup, i);
      PfDriverPump();
      if (PlayText(kPlayCommandPopup) == text) return true;
    }
    return false;
  }
  static std::string Stats(const char* created, const char* updated) {
    return "Made: " + std::string(created) + "\nLast used: " + updated;
  }

  kvtest::PlugInSession session_;
  PDDoc doc_ = nullptr;
};

// ---- record

TEST_F(RecordPlay, RecordStoresTheCommandsRememberedParametersUnderTheTypedName) {
  RunCommand(kImpCmdReversePages, "ReversePageOrder", 2);
  RunCommand(kImpCmdNup, "Nup", 4);
  std::string popup;
  ASBool result = Record({[&] {
    popup = PfText(Front(), ItemOfKey("Command"));
    EXPECT_EQ("", PfText(Front(), ItemOfKey("Name"))) << "the name always starts empty";
    TypeName("Four copies");
    PressOK();
  }});
  EXPECT_TRUE(result);
  EXPECT_EQ("Nup", popup) << "the pop-up starts on the command that ran last";

  SKCab* list = Action("Nup", "Four copies");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(A("OneCommand_V1"), KCabGetAtom(list, "Category", ASAtomNull));
  EXPECT_EQ(A("Full"), KCabGetAtom(list, "UIMode", ASAtomNull)) << "played back with its dialog";
  EXPECT_EQ(A("Nup"), KCabGetAtom(list, "Command", ASAtomNull));
  EXPECT_EQ(4, KCabGetInt(list, "Params:Copies", 0));
  EXPECT_EQ(kKCabTypeString, KCabGetType(list, "Stats:Created"));
  EXPECT_FALSE(KCabKnown(list, "DoPrompt"));
  EXPECT_FALSE(KCabKnown(list, "PromptText"));
  KCabDestroy(list);
  SKCab* memory = KVMemoryGetCategoryCollectionCopy();
  EXPECT_TRUE(KCabGetBool(memory, "Nup:System", 0)) << "the category is the system's";
  KCabDestroy(memory);

  SKCab* last = LoadKVParameters("Last:Record");
  ASSERT_NE(nullptr, last);
  EXPECT_EQ(A("Nup"), KCabGetAtom(last, "Command", ASAtomNull));
  EXPECT_STREQ("Four copies", KCabGetString(last, "Name"));
  KCabDestroy(last);

  // Next time the pop-up offers both commands that ran and starts on the
  // latest again; the name field is empty whatever was typed last.
  RunCommand(kImpCmdReversePages, "ReversePageOrder", 1);
  std::string second, name;
  EXPECT_FALSE(Record({[&] {
    second = PfText(Front(), ItemOfKey("Command"));
    name = PfText(Front(), ItemOfKey("Name"));
    PressCancel();
  }}));
  EXPECT_EQ("ReversePageOrder", second);
  EXPECT_EQ("", name);
}

TEST_F(RecordPlay, RecordOffersOnlyCommandsThatCompletedSortedByName) {
  RunCommand(kImpCmdReversePages, "ReversePageOrder", 1);
  RunCommand(kImpCmdNup, "Nup", 1);
  RunCommand(kImpCmdBooklet, "SimpleBooklet", 1);
  std::vector<std::string> entries;
  std::vector<std::function<void()>> steps;
  // Each choice is handled by the dialog before the next step reads it.
  for (int32_t i = 0; i <= 3; ++i)
    steps.push_back([&, i] {
      if (i > 0) entries.push_back(PfText(Front(), ItemOfKey("Command")));
      if (i < 3) PfDriverChoosePopup(Front(), ItemOfKey("Command"), i);
      else PressCancel();
    });
  Record(steps);
  EXPECT_EQ((std::vector<std::string>{"Nup", "ReversePageOrder", "SimpleBooklet"}), entries);
}

TEST_F(RecordPlay, NothingToRecordBeforeAnyCommand) {
  EXPECT_FALSE(DoRememberLast());
  EXPECT_EQ(0, MacLiveDialogCount());
  ASSERT_EQ(1u, Alerts().size());
  EXPECT_NE(std::string::npos, Alerts()[0].find(kvtest::Text("uiimp.mem.nothingtorecord")));
  SKCab* last = LoadKVParameters("Last:Record");
  ASSERT_NE(nullptr, last) << "the remembered values are stored back all the same";
  KCabDestroy(last);
}

// Building the dialog may fail at any allocation: whatever it had made is
// freed on the way out. (The dialog is whole once "nothing to record" shows;
// later failures are the settings store's.)
TEST_F(RecordPlay, ADialogThatCannotBeBuiltLeavesNothingBehind) {
  EXPECT_FALSE(DoRememberLast());  // settles what the stores keep
  const ASInt64 before = ASMemOutstandingBlocks();
  ASInt32 skip = 0;
  for (bool built = false; !built && skip < 2000; ++skip) {
    AVAlertClearRecorded();
    ASMemInjectFailure(skip, 1);
    bool raised = false;
    DURING
      DoRememberLast();
    HANDLER
      raised = true;
    END_HANDLER
    ASMemClearFailure();
    built = !raised || !Alerts().empty();
    EXPECT_EQ(0, MacLiveDialogCount());
    EXPECT_EQ(before, ASMemOutstandingBlocks()) << "failing allocation " << skip;
  }
  EXPECT_GT(skip, 10) << "the dialog's allocations were all tried";
}

TEST_F(RecordPlay, RefusedOKsKeepTheDialogOpen) {
  RunCommand(kImpCmdNup, "Nup", 3);
  ASBool result = Record({[&] {
                            TypeName("");
                            PressOK();
                          },
                          [&] {
                            ASSERT_NE(nullptr, Front()) << "still open";
                            ASInt32 start = 0, end = 0;
                            ASInt32 focus = MacGetDialogFocusControlIdMapExt(
                                MacFindActiveDialogFromHandle(Front()), &start, &end);
                            EXPECT_EQ(PfDriverIdOfItem(Front(), ItemOfKey("Name")), focus)
                                << "the name field takes the focus";
                            TypeName("Three");
                            PressOK();
                          }});
  EXPECT_TRUE(result);
  std::vector<std::string> alerts = Alerts();
  ASSERT_EQ(1u, alerts.size());
  EXPECT_NE(std::string::npos, alerts[0].find(kvtest::Text("uiimp.mem.entername")));
  SKCab* list = Action("Nup", "Three");
  EXPECT_NE(nullptr, list);
  if (list) KCabDestroy(list);
}

TEST_F(RecordPlay, AfterOnlyAPanelCommandTheListIsEmptyAndOKSaysChooseOne) {
  // The preferences dialog counts as the latest command, but has no key.
  latestImpositionCommand = kImpCmdPrefs;
  ASBool result = Record({[&] {
                            EXPECT_EQ("", PfText(Front(), ItemOfKey("Command")));
                            TypeName("Anything");
                            PressOK();
                          },
                          [&] { PressCancel(); }});
  EXPECT_FALSE(result);
  std::vector<std::string> alerts = Alerts();
  ASSERT_EQ(1u, alerts.size());
  EXPECT_NE(std::string::npos, alerts[0].find(kvtest::Text("uiimp.mem.noactiontype")));
  SKCab* memory = KVMemoryGetCategoryCollectionCopy();
  EXPECT_TRUE(KCabIsEmpty(memory));
  KCabDestroy(memory);
}

TEST_F(RecordPlay, ReusingANameAsksFirst) {
  RunCommand(kImpCmdNup, "Nup", 2);
  ASSERT_TRUE(Record({[&] {
    TypeName("Mine");
    PressOK();
  }}));
  RunCommand(kImpCmdNup, "Nup", 5);

  // No: the old action stays and the dialog stays open.
  AVAlertClearRecorded();
  AVAlertQueueAnswer(2);
  ASSERT_FALSE(Record({[&] {
                         TypeName("Mine");
                         PressOK();
                       },
                       [&] {
                         EXPECT_NE(nullptr, Front()) << "still open after no";
                         PressCancel();
                       }}));
  ASSERT_EQ(1u, Alerts().size());
  EXPECT_NE(std::string::npos, Alerts()[0].find("\"Mine\"")) << "the question names the action";
  SKCab* list = Action("Nup", "Mine");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(2, KCabGetInt(list, "Params:Copies", 0));
  KCabDestroy(list);

  // Yes: replaced in place.
  AVAlertQueueAnswer(1);
  ASSERT_TRUE(Record({[&] {
    TypeName("Mine");
    PressOK();
  }}));
  list = Action("Nup", "Mine");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(5, KCabGetInt(list, "Params:Copies", 0));
  KCabDestroy(list);
  SKCab* items = KVMemoryGetItemCollectionCopy(A("Nup"));
  ASSERT_NE(nullptr, items);
  EXPECT_TRUE(KCabKnown(items, "0"));
  EXPECT_FALSE(KCabKnown(items, "1")) << "one action of that name";
  KCabDestroy(items);
}

// ---- playback

TEST_F(RecordPlay, PlaybackOpensOnTheRememberedCommandWithItsLastAction) {
  RunCommand(kImpCmdNup, "Nup", 2);
  ASSERT_TRUE(Record({[&] { TypeName("First");
    PressOK(); }}));
  ASSERT_TRUE(Record({[&] { TypeName("Second");
    PressOK(); }}));
  RunCommand(kImpCmdReversePages, "ReversePageOrder", 1);
  ASSERT_TRUE(Record({[&] { TypeName("Backwards");
    PressOK(); }}));

  SKCab* remembered = KCabNewInner();
  KCabPutAtom(remembered, "Command", A("Nup"));
  KCabPutAtom(remembered, "Name", KVMemoryGetItemInternalKey(A("Nup"), "First"));
  MergeAndStoreKVParameters("Last:Play", remembered);
  KCabDestroy(remembered);

  EXPECT_EQ(1, StartPlay());
  ASSERT_NE(nullptr, playDialogHandle);
  EXPECT_EQ("Nup", PlayText(kPlayCommandPopup));
  EXPECT_EQ("Second", PlayText(kPlayNamePopup)) << "the remembered action is not restored: the last one is chosen";
  EXPECT_NE(std::string::npos, PlayText(kPlayStatsText).find("Last used: " + kvtest::Text("util1.date.unknown")));

  // Asking again builds nothing.
  SMacDialogInfo* open = playDialogHandle;
  EXPECT_EQ(1, StartPlay());
  EXPECT_EQ(open, playDialogHandle);
  EXPECT_EQ(1, MacLiveDialogCount());

  // Another command shows its own actions.
  ASSERT_TRUE(ChoosePlayCommand("ReversePageOrder"));
  EXPECT_EQ("ReversePageOrder", PlayText(kPlayCommandPopup));
  EXPECT_EQ("Backwards", PlayText(kPlayNamePopup));

  // Closing remembers the choice and the position.
  PlayPress("common.button.close");
  EXPECT_EQ(nullptr, playDialogHandle);
  SKCab* last = LoadKVParameters("Last:Play");
  ASSERT_NE(nullptr, last);
  EXPECT_EQ(A("ReversePageOrder"), KCabGetAtom(last, "Command", ASAtomNull));
  EXPECT_EQ(KVMemoryGetItemInternalKey(A("ReversePageOrder"), "Backwards"), KCabGetAtom(last, "Name", ASAtomNull));
  EXPECT_TRUE(KCabKnown(last, "PosX"));
  EXPECT_TRUE(KCabKnown(last, "PosY"));
  KCabDestroy(last);
}

TEST_F(RecordPlay, ARecordedActionPlaysOnTheDocumentAndCountsItsUse) {
  RunCommand(kImpCmdNup, "Nup", 7);
  ASSERT_TRUE(Record({[&] { TypeName("Seven");
    PressOK(); }}));
  // Other parameters since: the action keeps its own.
  RunCommand(kImpCmdNup, "Nup", 1);

  ASSERT_EQ(1, StartPlay());
  ASSERT_TRUE(ChoosePlayCommand("Nup"));
  std::string before = PlayText(kPlayStatsText);
  kvtest::Calls().clear();
  kvtest::ForgetSeenParams();
  PlayPress("dlg.play.5");
  EXPECT_NE(std::string::npos, kvtest::CallsText().find("Start")) << kvtest::CallsText();
  ASSERT_NE(nullptr, kvtest::LastProcessParams());
  EXPECT_EQ(7, KCabGetInt(kvtest::LastProcessParams(), "Copies", 0));
  EXPECT_TRUE(KCabGetBool(kvtest::LastProcessParams(), "Run:HasDoc", 0)) << "played on the document in front";
  EXPECT_EQ("Krvl:PlaybackItem", kvtest::CallerOf(kvtest::LastProcessParams()));

  SKCab* list = Action("Nup", "Seven");
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(1, KCabGetInt(list, "Stats:Count", 0));
  ASSERT_EQ(kKCabTypeString, KCabGetType(list, "Stats:Updated"));
  KCabDestroy(list);
  std::string after = PlayText(kPlayStatsText);
  EXPECT_NE(before, after) << "the statistics show the new date";
  EXPECT_EQ(std::string::npos, after.find(kvtest::Text("util1.date.unknown")));
}

TEST_F(RecordPlay, DeletingTheOnlyActionEmptiesThePopupAndThenButtonsBeep) {
  RunCommand(kImpCmdNup, "Nup", 2);
  ASSERT_TRUE(Record({[&] { TypeName("Only");
    PressOK(); }}));
  ASSERT_EQ(1, StartPlay());
  ASSERT_TRUE(ChoosePlayCommand("Nup"));
  EXPECT_EQ("Only", PlayText(kPlayNamePopup));

  // No keeps it.
  AVAlertClearRecorded();
  AVAlertQueueAnswer(2);
  PlayPress("dlg.play.6");
  ASSERT_EQ(1u, Alerts().size());
  EXPECT_NE(std::string::npos, Alerts()[0].find(kvtest::Text("uiimp.mem.confirm.deleteselectedaction")));
  EXPECT_TRUE(KVMemoryItemExists(A("Nup"), "Only"));

  AVAlertQueueAnswer(1);
  PlayPress("dlg.play.6");
  EXPECT_FALSE(KVMemoryItemExists(A("Nup"), "Only"));
  EXPECT_EQ("", PlayText(kPlayNamePopup));

  int32_t beeps = PfBeepCount();
  kvtest::Calls().clear();
  AVAlertClearRecorded();
  PlayPress("dlg.play.5");
  PlayPress("dlg.play.6");
  EXPECT_EQ(beeps + 2, PfBeepCount());
  EXPECT_TRUE(kvtest::Calls().empty()) << "nothing played";
  EXPECT_TRUE(Alerts().empty()) << "nothing asked";
}

TEST_F(RecordPlay, RecordingWhilePlaybackIsOpenShowsTheNewAction) {
  RunCommand(kImpCmdReversePages, "ReversePageOrder", 1);
  ASSERT_TRUE(Record({[&] { TypeName("Old");
    PressOK(); }}));
  ASSERT_EQ(1, StartPlay());
  EXPECT_EQ("CreateSample", PlayText(kPlayCommandPopup)) << "nothing remembered: the first command";
  ASSERT_TRUE(ChoosePlayCommand("ReversePageOrder"));
  EXPECT_EQ("Old", PlayText(kPlayNamePopup));

  RunCommand(kImpCmdNup, "Nup", 2);
  ASSERT_TRUE(Record({[&] { TypeName("Fresh");
    PressOK(); }}));
  EXPECT_EQ("Nup", PlayText(kPlayCommandPopup));
  EXPECT_EQ("Fresh", PlayText(kPlayNamePopup));

  // And selects a named action that is not the last of its command.
  ASSERT_TRUE(Record({[&] { TypeName("Newer");
    PressOK(); }}));
  PlayDialogSelectCommand(A("Nup"), "Fresh");
  EXPECT_EQ("Fresh", PlayText(kPlayNamePopup));
}

TEST_F(RecordPlay, BothRowLabelsTakeTheWiderText) {
  ASSERT_EQ(1, StartPlay());
  SKCtlData* data = KCtlDataForDialog(playDialogHandle);
  ASSERT_NE(nullptr, data);
  std::vector<ASInt32> widths;
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
    if (e->type == kKCtlStaticText && e->itemList) widths.push_back(KCtlElemFindInfo(data, e)->w);
  ASSERT_EQ(2u, widths.size());
  EXPECT_EQ(widths[0], widths[1]);
  EXPECT_GT(widths[0], 0);
}

}  // namespace
