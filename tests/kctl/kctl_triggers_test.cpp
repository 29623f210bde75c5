// The runtime's triggers, actions and callback returns in their fixed order,
// from initialisation to destruction.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "host/Notify.h"
#include "support/MessageCapture.h"

namespace {

using namespace kvtest;
using Log = std::vector<std::string>;

class Triggers : public KCtlFixture {};

SKCab* Items(std::initializer_list<const char*> keys) {
  SKCab* list = KCabNewInner();
  for (const char* k : keys) KCtlAddListItemToCab(list, k, ASAtomFromString(k));
  return list;
}

TEST_F(Triggers, FromInitialisationToDestruction) {
  TriggerLog log;
  {
    KCtlRun run("Order");
    SKCtlDialog* d = run.dialog;
    SKCtlElem* a = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "A", nullptr);
    SKCtlElem* b = KCtlSetExportKeyEditString("Name", 0, KCtlAddNewElement(d, kKCtlEditText, 0, -1, "xxxx", nullptr));
    SKCtlElem* c = KCtlSetExportKey("Check", KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagChecked, -1, "C", nullptr));
    ASUns32 g = KCtlDialogNewButtonGroupCode(d);
    SKCtlElem* r1 = KCtlRadioButtonSetGroup(
        g, KCtlSetExportKeyAtom("Mode", ASAtomFromString("One"),
                                KCtlAddNewElement(d, kKCtlRadioButton, kKCtlFlagChecked, -1, "One", nullptr)));
    SKCtlElem* r2 = KCtlRadioButtonSetGroup(
        g, KCtlSetExportKeyAtom("Mode", ASAtomFromString("Two"),
                                KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, "Two", nullptr)));
    SKCtlElem* p = KCtlSetExportKeyListAtom("Pick", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1,
                                                                       nullptr, nullptr));
    KCtlElemSetItemList(Items({"a", "b"}), p);
    SKCtlElem* ok = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    SKCtlElem* cancel = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
    const std::pair<SKCtlElem*, const char*> all[] = {{a, "A"},   {b, "B"}, {c, "C"},     {r1, "R1"},
                                                      {r2, "R2"}, {p, "P"}, {ok, "OK"}, {cancel, "X"}};
    for (auto& [e, name] : all) log.Watch(e, name);
    SKCab* cab = run.Export();
    KCabPutStringCopy(cab, "Name", "x");
    KCabPutBool(cab, "Check", 0);
    KCabPutAtom(cab, "Mode", ASAtomFromString("Two"));
    KCabPutAtom(cab, "Pick", ASAtomFromString("b"));
    PfScript script;
    script.Then([&] {
      log.entries.push_back("--shown");
      Click(cancel);
    });
    EXPECT_EQ(2, run.RunModal(script));
    log.entries.push_back("--ended");
  }
  const Log want = {
      // 9 everywhere before anything is set up
      "A:9", "B:9", "C:9", "R1:9", "R2:9", "P:9", "OK:9", "X:9",
      // the pulldown is filled
      "P:11",
      // default radios: 3 on the others, then 2
      "R2:3", "R1:2",
      // values, element by element in tree order
      "A:12", "A:13", "B:12", "B:13", "C:12", "C:3", "C:13", "R1:12", "R1:13", "R2:12", "R1:3", "R2:2", "R2:13",
      "P:12", "P:6", "P:13", "OK:12", "OK:13", "X:12", "X:13",
      // loaded
      "A:10", "B:10", "C:10", "R1:10", "R2:10", "P:10", "OK:10", "X:10", "--shown",
      // Cancel: its click, then terminate and destroy on every element
      "X:1", "A:17", "B:17", "C:17", "R1:17", "R2:17", "P:17", "OK:17", "X:17", "A:15", "B:15", "C:15", "R1:15",
      "R2:15", "P:15", "OK:15", "X:15", "--ended",
      // the description freed: callbacks on every trigger hear 16
      "A:16", "B:16", "C:16", "R1:16", "R2:16", "P:16", "OK:16", "X:16"};
  EXPECT_EQ(want, log.entries);
}

TEST_F(Triggers, EditChangesFireFiveOnlyOutsideInitialisationAndLoading) {
  TriggerLog log;
  KCtlRun run("Edits");
  SKCtlElem* e = KCtlSetExportKeyEditString("E", 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxx", nullptr));
  SKCtlElem* reload = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagInBody, -1, "Reload", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  TriggerLog::Tap* tap = log.Watch(e, "E");
  // A change reported while loading (trigger 10 at initialisation, 13 while loading later).
  tap->also = [&](SMacDialogInfo* dialog, ASInt32 trigger) {
    if (trigger == kKCtlTriggerLoaded || trigger == kKCtlTriggerAfterLoad)
      SendWMCommand(dialog, KCtlPlatformGetElemControlId(KCtlDataForDialog(dialog), e), kMacCmdEditClick);
  };
  SKCab* other = KCabNewInner();
  KCabPutStringCopy(other, "E", "other");
  TriggerLog::Tap* re = log.Watch(reload, "Reload", kKCtlTriggerClick);
  re->also = [&](SMacDialogInfo* dialog, ASInt32) { KCtlLoadElementsFromSpecificCab(dialog, other); };
  run.Export();
  PfScript script;
  script.Then([&] {
    log.entries.push_back("--user");
    SendWMCommand(FrontInfo(), IdOf(e), kMacCmdEditClick);
    log.entries.push_back("--reload");
    Click(reload);
  });
  script.Then([&] {
    log.entries.push_back("--ok");
    PfDriverPressReturn();
  });
  run.RunModal(script);
  KCabDestroy(other);
  const Log want = {"E:12", "E:13", "E:4", "E:10", "E:4", "--user", "E:4", "E:5", "--reload", "Reload:1", "E:12",
                    "E:13", "E:4", "--ok"};
  EXPECT_EQ(want, log.Only({1, 4, 5, 10, 12, 13}));
}

TEST_F(Triggers, RadioSelectionFiresThreeOnTheOthersBeforeTwo) {
  for (bool stopInA : {false, true}) {
    SCOPED_TRACE(stopInA);
    TriggerLog log;
    KCtlRun run("Radios");
    ASUns32 g = KCtlDialogNewButtonGroupCode(run.dialog);
    SKCtlElem* a = KCtlRadioButtonSetGroup(g, KCtlAddNewElement(run.dialog, kKCtlRadioButton, kKCtlFlagChecked, -1, "A", nullptr));
    SKCtlElem* b = KCtlRadioButtonSetGroup(g, KCtlAddNewElement(run.dialog, kKCtlRadioButton, 0, -1, "B", nullptr));
    SKCtlElem* c = KCtlRadioButtonSetGroup(g, KCtlAddNewElement(run.dialog, kKCtlRadioButton, 0, -1, "C", nullptr));
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    TriggerLog::Tap* ta = log.Watch(a, "A", kKCtlTriggerUnchecked);
    log.Watch(b, "B", kKCtlTriggerChecked);
    log.Watch(b, "B", kKCtlTriggerUnchecked);
    log.Watch(c, "C", kKCtlTriggerUnchecked);
    PfScript script;
    bool bChecked = false, aChecked = true;
    script.Then([&] {
      log.Clear();
      ta->answer = stopInA ? kKCtlCallBackStop : 0;
      Click(b);
    });
    script.Then([&] {
      bChecked = MacDialogItemIsChecked(FrontInfo(), IdOf(b));
      aChecked = MacDialogItemIsChecked(FrontInfo(), IdOf(a));
      PfDriverPressReturn();
    });
    run.RunModal(script);
    EXPECT_TRUE(bChecked);
    EXPECT_FALSE(aChecked);
    if (stopInA)
      EXPECT_EQ((Log{"A:3"}), log.entries);
    else
      EXPECT_EQ((Log{"A:3", "C:3", "B:2"}), log.entries);
  }
}

ASInt32 Answer(SMacDialogInfo*, ASInt32, ASInt32, void* user) { return *static_cast<ASInt32*>(user); }

TEST_F(Triggers, CallbackReturnsStopEndOrCommit) {
  struct Case {
    ASInt32 answer;
    const char* typed;  // into the integer field
    ASInt32 result;     // 0: still open after the click
    bool stored;
    bool secondCalled;
  };
  const Case cases[] = {
      {kKCtlCallBackGoOn, "5", 0, false, true},
      {kKCtlCallBackStop, "5", 0, false, false},
      {kKCtlCallBackEnd, "5", 33, false, false},
      {kKCtlCallBackVerifyCommitTerminate, "5", 40, true, false},
      {kKCtlCallBackVerifyCommitTerminate, "x", 0, false, false},
      {kKCtlCallBackCommitTerminate, "x", 40, true, false},
      {99, "5", 0, false, true},  // unknown answers go on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.answer) + c.typed);
    KCtlRun run("Returns");
    SKCtlElem* field = KCtlSetExportKeyEditInt("N", 0, 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "9999", nullptr));
    SKCtlElem* button = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagOK | kKCtlFlagInBody, 40, "Go", nullptr);
    ASInt32 answer = c.answer;
    KCtlSetActionCallback(button, kKCtlTriggerClick, Answer, &answer);
    button->actions->targetId = 33;
    bool second = false;
    TriggerLog log;
    TriggerLog::Tap* t = log.Watch(button, "second", kKCtlTriggerClick);
    t->also = [&](SMacDialogInfo*, ASInt32) { second = true; };
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
    KCabPutInt(run.Export(), "N", 1);
    PfScript script;
    bool open = false;
    script.Then([&] {
      Type(field, c.typed);
      Click(button);
    });
    script.Then([&] {
      open = true;
      PfDriverPressEscape();
    });
    ASInt32 result = run.RunModal(script);
    EXPECT_EQ(c.result == 0 ? 2 : c.result, result);
    EXPECT_EQ(c.result == 0, open);
    EXPECT_EQ(c.stored ? (std::string(c.typed) == "5" ? 5 : 0) : 1, KCabGetInt(run.exportCab, "N", -1));
    EXPECT_EQ(c.secondCalled, second);
  }
}

TEST_F(Triggers, RolesOfPushButtons) {
  struct Case {
    ASUns32 flags;
    ASInt32 result;  // 0: stays open
  };
  const Case cases[] = {{kKCtlFlagOK, 50}, {kKCtlFlagCancel, 50}, {kKCtlFlagOK | kKCtlFlagNoRole, 0},
                        {kKCtlFlagCancel | kKCtlFlagNoRole, 0}, {0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    TriggerLog log;
    KCtlRun run("Roles");
    SKCtlElem* b = KCtlAddNewElement(run.dialog, kKCtlPushButton, c.flags | kKCtlFlagInBody, 50, "Go", nullptr);
    log.Watch(b, "Go", kKCtlTriggerClick);
    PfScript script;
    script.Then([&] { Click(b); });
    script.Then([&] { PfDriverPressCommandPeriod(); });
    ASInt32 result = run.RunModal(script);
    EXPECT_EQ((Log{"Go:1"}), log.entries);
    // Without an element of id 2, the cancel keys end the dialog with 2.
    EXPECT_EQ(c.result ? c.result : 2, result);
  }
}

// A callback that answers the terminate trigger by ending the dialog once
// more must not start the ending over (and again, without end).
TEST_F(Triggers, EndingAgainWhileEndingIsIgnored) {
  const ASInt32 answers[] = {kKCtlCallBackEnd, kKCtlCallBackVerifyCommitTerminate, kKCtlCallBackCommitTerminate};
  for (ASInt32 answer : answers) {
    SCOPED_TRACE(answer);
    for (bool modal : {true, false}) {
      SCOPED_TRACE(modal);
      KCtlRun run("Ending");
      SKCtlElem* b = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
      ASInt32 calls = 0;
      struct Ctx {
        ASInt32 answer;
        ASInt32* calls;
      } ctx{answer, &calls};
      KCtlSetActionCallback(
          b, kKCtlTriggerTerminate,
          [](SMacDialogInfo*, ASInt32, ASInt32, void* user) -> ASInt32 {
            Ctx* c = static_cast<Ctx*>(user);
            ++*c->calls;
            return c->answer;
          },
          &ctx);
      b->actions->targetId = 9;
      if (modal) {
        PfScript script;
        script.Then([] { PfDriverPressReturn(); });
        EXPECT_EQ(1, run.RunModal(script)) << "the first ending's id stands";
      } else {
        run.data = KCtlCreateData(run.dialog);
        SMacDialogInfo* info = KCtlPlatformTestModeless(run.data, nullptr);
        ASSERT_NE(nullptr, info);
        KCtlTerminateDialog(info, run.data, 1);
        EXPECT_EQ(0, MacLiveDialogCount());
        EXPECT_EQ(1, run.data->resultId);
      }
      EXPECT_EQ(1, calls);
    }
  }
}

TEST_F(Triggers, ShowingAUserPaneHidesItsNeighbours) {
  TriggerLog log;
  KCtlRun run("Panes");
  SKCtlElem* panes[3];
  SKCtlElem* texts[3];
  for (int k = 0; k < 3; ++k) {
    panes[k] = KCtlAddNewElement(run.dialog, kKCtlUserPane, k == 0 ? (ASUns32)kKCtlFlagChecked : 0u, -1, nullptr, nullptr);
    texts[k] = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, ("Pane " + std::to_string(k)).c_str(), panes[k]);
    log.Watch(panes[k], "P" + std::to_string(k), kKCtlTriggerShown);
    log.Watch(panes[k], "P" + std::to_string(k), kKCtlTriggerHidden);
  }
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  auto visible = [&] {
    std::string v;
    for (SKCtlElem* t : texts) v += PfDriverIsVisible(Front(), ItemOf(t)) ? '1' : '0';
    return v;
  };
  PfScript script;
  std::vector<std::string> states;
  script.Then([&] {
    states.push_back(visible());
    log.Clear();
    KCtlShowOrHideElem(FrontInfo(), FrontData(), panes[1], 1);
    states.push_back(visible());
    KCtlShowOrHideElem(FrontInfo(), FrontData(), panes[2], 1);
    states.push_back(visible());
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ((std::vector<std::string>{"100", "010", "001"}), states);
  EXPECT_EQ((Log{"P1:18", "P0:19", "P2:18", "P1:19"}), log.entries);
}

TEST_F(Triggers, HiddenBySelfAndByParentAreSeparate) {
  // Each row: the operations in order, then whether the child shows and is enabled.
  // P/p show/hide the parent, S/s show/hide the child, E/e enable/disable the child.
  struct Case {
    const char* ops;
    bool visible;
    bool enabled;
  };
  const Case cases[] = {
      {"p", false, true},   {"pP", true, true},  {"ps", false, true}, {"psP", false, true},
      {"psPS", true, true}, {"sp", false, true}, {"spS", false, true}, {"spSP", true, true},
      {"e", true, false},   {"es", false, false}, {"esE", false, false}, {"esES", true, true},
      {"peEP", true, true}, {"pE", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ops);
    KCtlRun run("Matrix");
    SKCtlElem* parent = KCtlAddNewElement(run.dialog, kKCtlContainer, 0, -1, nullptr, nullptr);
    SKCtlElem* child = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Child", parent);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    PfScript script;
    bool visible = false, enabled = false, infoVisible = false;
    script.Then([&] {
      SMacDialogInfo* info = FrontInfo();
      SKCtlData* data = FrontData();
      for (const char* o = c.ops; *o; ++o) {
        switch (*o) {
          case 'P': KCtlShowOrHideElem(info, data, parent, 1); break;
          case 'p': KCtlShowOrHideElem(info, data, parent, 0); break;
          case 'S': KCtlShowOrHideElem(info, data, child, 1); break;
          case 's': KCtlShowOrHideElem(info, data, child, 0); break;
          case 'E': KCtlEnableOrDisableElem(info, data, child, 1); break;
          case 'e': KCtlEnableOrDisableElem(info, data, child, 0); break;
        }
      }
      visible = PfDriverIsVisible(Front(), ItemOf(child));
      enabled = PfDriverIsEnabled(Front(), ItemOf(child));
      infoVisible = KCtlElemIsVisible(data, child);
      PfDriverPressReturn();
    });
    run.RunModal(script);
    EXPECT_EQ(c.visible, visible);
    EXPECT_EQ(c.visible, infoVisible);
    if (c.visible) {
      EXPECT_EQ(c.enabled, enabled);
    }
  }
}

TEST_F(Triggers, EnablingAHiddenElementWaitsUntilItShows) {
  KCtlRun run("Later");
  SKCtlElem* e = KCtlAddNewElement(run.dialog, kKCtlCheckBox, kKCtlFlagDisabled, -1, "Later", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::string seen;
  script.Then([&] {
    auto note = [&] { seen += PfDriverIsEnabled(Front(), ItemOf(e)) ? 'E' : 'e'; };
    note();
    KCtlShowOrHideElem(FrontInfo(), FrontData(), e, 0);
    KCtlEnableOrDisableElem(FrontInfo(), FrontData(), e, 1);
    note();
    KCtlShowOrHideElem(FrontInfo(), FrontData(), e, 1);
    note();
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ("eeE", seen);
}

TEST_F(Triggers, CheckBoxesCarryTheirChildrenAndShorthandsAct) {
  KCtlRun run("Checks");
  SKCtlElem* box = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Box", nullptr);
  SKCtlElem* child = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Child", box);
  SKCtlElem* shown = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, 60, "Shown when checked", nullptr);
  SKCtlElem* enabled = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Enabled when checked", nullptr);
  KCtlSetActionVisibleIfCheckedId(box, 60);
  KCtlSetActionEnabledIfCheckedElem(box, enabled);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::vector<std::string> states;
  auto state = [&] {
    return std::string(PfDriverIsEnabled(Front(), ItemOf(child)) ? "E" : "e") +
           (PfDriverIsVisible(Front(), ItemOf(shown)) ? "S" : "s") +
           (PfDriverIsEnabled(Front(), ItemOf(enabled)) ? "E" : "e");
  };
  script.Then([&] {
    // The box starts unchecked, but nothing has fired its rule yet.
    states.push_back(state());
    Click(box);
  });
  script.Then([&] {
    states.push_back(state());
    Click(box);
  });
  script.Then([&] {
    states.push_back(state());
    EXPECT_TRUE(KCtlSetOrClearCheckBoxById(FrontInfo(), FrontData(), IdOf(box), 1));
    states.push_back(state());
    EXPECT_TRUE(KCtlSetOrClearCheckBoxById(FrontInfo(), FrontData(), 999, 1));
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ((std::vector<std::string>{"ESE", "ESE", "ese", "ESE"}), states);
}

TEST_F(Triggers, SetFromKeySetsCaptionsAndSelects) {
  TriggerLog log;
  KCtlRun run("Keys");
  SKCtlElem* caption = KCtlAddNewElement(run.dialog, kKCtlStaticText, kKCtlFlagOwnsItemList, 70, "none", nullptr);
  KCtlElemSetItemList(Items({"alpha", "beta"}), caption);
  SKCtlElem* pop = KCtlAddNewElement(run.dialog, kKCtlPulldown, kKCtlFlagOwnsItemList, 71, nullptr, nullptr);
  KCtlElemSetItemList(Items({"one", "two", "three"}), pop);
  log.Watch(pop, "Pop", kKCtlTriggerSelectionChanged);
  SKCtlElem* go = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagInBody, -1, "Go", nullptr);
  KCtlSetActionIdKey(go, kKCtlTriggerClick, kKCtlActionSetFromKey, 70, ASAtomFromString("beta"));
  KCtlSetActionIdKey(go, kKCtlTriggerClick, kKCtlActionSetFromKey, 71, ASAtomFromString("three"));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::string text, popText;
  ASAtom key = ASAtomNull;
  bool unknown = true;
  script.Then([&] { Click(go); });
  script.Then([&] {
    text = TextOf(caption);
    popText = TextOf(pop);
    key = KCtlGetSelectedPulldownItemKey(FrontInfo(), 71);
    unknown = KCtlSetElementFromListItemKeyById(FrontInfo(), FrontData(), 70, ASAtomFromString("gamma"));
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ("beta", text);
  EXPECT_EQ("three", popText);
  EXPECT_EQ(ASAtomFromString("three"), key);
  EXPECT_FALSE(unknown);
  EXPECT_EQ((Log{"Pop:6"}), log.entries);
}

ASInt32 Raise(SMacDialogInfo*, ASInt32, ASInt32, void*) { ASRaise(genErrGeneral); }

TEST_F(Triggers, AnExceptionInACallbackIsReportedOnceAndTheDialogGoesOn) {
  MessageCapture capture;
  KCtlRun run("Raises");
  SKCtlElem* b = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagInBody, -1, "Raise", nullptr);
  KCtlSetActionCallback(b, kKCtlTriggerClick, Raise, nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  script.Then([&] { Click(b); });
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_EQ(1, run.RunModal(script));
  EXPECT_EQ(1u, capture.messages().size());
}

// An element whose destroy action fails leaves the elements after it their
// own and the run taken down all the same: nothing it held of the dialog
// (the window slot here) outlives the dialog. The failure is shown once.
TEST_F(Triggers, AFailingDestroyActionLeavesTheRestOfTheTeardownDone) {
  MessageCapture capture;
  TriggerLog log;
  // The run frees the description, its data and its export cabinet when the dialog goes.
  SKCtlDialog* d =
      KCtlNewDialog("Fails", kKCtlDialogFreeDescription | kKCtlDialogFreeData | kKCtlDialogDestroyExportCab);
  SKCtlElem* a = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "A", nullptr);
  KCtlSetActionCallback(a, kKCtlTriggerDestroyed, Raise, nullptr);
  log.Watch(KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "B", nullptr), "B", kKCtlTriggerDestroyed);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCtlData* data = KCtlCreateData(d);
  KCtlDataSetExportCab(data, KCabNewInner(), nullptr);
  SMacDialogInfo* slot = nullptr;
  data->windowSlot = &slot;
  PfScript script;
  script.Then([&] {
    EXPECT_NE(nullptr, slot);
    PfDriverPressReturn();
  });
  EXPECT_EQ(1, KCtlPlatformTestModal(data, nullptr));
  EXPECT_EQ((Log{"B:15"}), log.entries);
  EXPECT_EQ(nullptr, slot) << "the slot does not name the dialog past its end";
  EXPECT_EQ(1u, capture.messages().size());
}

TEST_F(Triggers, FrontDocumentChangesReachRunningDialogs) {
  TriggerLog log;
  ASInt32 before = AVAppNotificationCount(AVAppFrontDocDidChangeNSEL);
  KCtlRun run("Front");
  SKCtlElem* t = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "Watching", nullptr);
  log.Watch(t, "T", kKCtlTriggerFrontDocChanged);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  ASInt32 during = 0;
  script.Then([&] {
    during = AVAppNotificationCount(AVAppFrontDocDidChangeNSEL);
    AVNotificationArgs args{};
    AVAppFireNotification(AVAppFrontDocDidChangeNSEL, &args);
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ(before + 1, during);
  EXPECT_EQ(before, AVAppNotificationCount(AVAppFrontDocDidChangeNSEL));
  EXPECT_EQ((Log{"T:20"}), log.entries);
}

// Walks from outside the dialog (the host's front-document notification, a
// user trigger fired from another window) run as a message does: an action
// that ends a modeless dialog lets the walk finish, and the dialog goes
// afterwards, not under the walk's feet.
TEST_F(Triggers, ADialogEndedFromAWalkGoesOnceTheWalkIsDone) {
  struct Case {
    const char* name;
    ASInt32 trigger;
    std::function<void(SMacDialogInfo*)> fire;
  };
  const Case cases[] = {
      {"front document changed", kKCtlTriggerFrontDocChanged,
       [](SMacDialogInfo*) {
         AVNotificationArgs args{};
         AVAppFireNotification(AVAppFrontDocDidChangeNSEL, &args);
       }},
      {"a user trigger", 99, [](SMacDialogInfo* info) { KCtlDoUserActionForDialog(info, 99); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TriggerLog log;
    // The run frees the description and its data when the dialog goes.
    SKCtlDialog* d = KCtlNewDialog("Ends", kKCtlDialogFreeDescription | kKCtlDialogFreeData);
    SKCtlElem* a = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "A", nullptr);
    SKCtlElem* b = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "B", nullptr);
    log.Watch(a, "A", c.trigger)->also = [](SMacDialogInfo* d, ASInt32) {
      KCtlTerminateDialog(d, KCtlDataForDialog(d), 2);
    };
    log.Watch(a, "A2", c.trigger);
    log.Watch(b, "B", c.trigger);
    log.Watch(a, "A", kKCtlTriggerDestroyed);
    log.Watch(b, "B", kKCtlTriggerDestroyed);
    SMacDialogInfo* info = KCtlPlatformTestModeless(KCtlCreateData(d), nullptr);
    ASSERT_NE(nullptr, info);
    c.fire(info);
    EXPECT_EQ(0, MacLiveDialogCount()) << "ended by the walk";
    const std::string t = ":" + std::to_string(c.trigger);
    EXPECT_EQ((Log{"A" + t, "A2" + t, "B" + t, "A:15", "B:15"}), log.Only({c.trigger, kKCtlTriggerDestroyed}));
  }
}

TEST_F(Triggers, TooltipsAndUserTriggers) {
  TriggerLog log;
  KCtlRun run("Tips");
  SKCtlElem* t = KCtlElemSetTooltip("Explains", KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "Text", nullptr));
  SKCtlElem* u = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "Other", nullptr);
  TriggerLog::Tap* stop = log.Watch(t, "T", 99);
  stop->answer = kKCtlCallBackStop;
  log.Watch(u, "U", 99);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::string tip, helpTag;
  ASBool walked = 1;
  script.Then([&] {
    tip = KCtlGetTooltipForElem(FrontData(), t) ? KCtlGetTooltipForElem(FrontData(), t) : "";
    PfControlRef c = MacGetValidControlHandle(FrontInfo(), IdOf(t));
    helpTag = c && PfGetControlHelpTagUTF8(c) ? PfGetControlHelpTagUTF8(c) : "";
    walked = KCtlDoUserActionForDialog(FrontInfo(), 99);
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ("Explains", tip);
  EXPECT_EQ("Explains", helpTag);
  EXPECT_FALSE(walked);
  EXPECT_EQ((Log{"T:99"}), log.entries);
}

}  // namespace

namespace {

TEST_F(Triggers, SpecialMessagesReachSpecialElementsAndNullHitsAreReported) {
  TriggerLog log;
  KCtlRun run("Special");
  SKCtlElem* s1 = KCtlAddNewElement(run.dialog, kKCtlSpecial, 0, -1, nullptr, nullptr);
  SKCtlElem* s2 = KCtlAddNewElement(run.dialog, kKCtlSpecial, 0, -1, nullptr, nullptr);
  SKCtlElem* other = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "Other", nullptr);
  log.Watch(s1, "S1", kKCtlTriggerSpecial)->answer = kKCtlCallBackStop;
  log.Watch(s2, "S2", kKCtlTriggerSpecial);
  log.Watch(other, "O", kKCtlTriggerSpecial);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  script.Then([&] {
    EXPECT_EQ(0, KCtlDialogFilter(FrontInfo(), kMacDlgSpecial, 0, nullptr));
    KCtlDialogFilter(FrontInfo(), kMacDlgCommand, 0, nullptr);
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ((Log{"S1:8"}), log.entries);
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ("Internal error, please report: lParam NULL", AVAlertRecorded()[0].message);
}

TEST_F(Triggers, RememberedPositionsPlaceTheDialogElseItIsCentred) {
  struct Case {
    bool x, y;
    bool centred;
  };
  for (const Case& c : {Case{true, true, false}, Case{true, false, true}, Case{false, false, true}}) {
    SCOPED_TRACE(std::to_string(c.x) + std::to_string(c.y));
    KCtlRun run("Placed");
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    SKCab* pos = KCabNewInner();
    if (c.x) KCabPutInt(pos, "PosX", 40);
    if (c.y) KCabPutInt(pos, "PosY", 120);
    run.data = KCtlCreateData(run.dialog);
    KCtlDataSetExportCab(run.data, nullptr, pos);
    PfScript script;
    PfRect frame{};
    script.Then([&] {
      PfGetWindowBounds(PfGetDialogWindow(Front()), kPfWindowStructureRgn, &frame);
      PfDriverPressReturn();
    });
    KCtlPlatformTestModal(run.data, nullptr);
    if (c.centred) {
      EXPECT_EQ((1024 - PfRectWidth(frame)) / 2, frame.left);
    } else {
      EXPECT_EQ(40, frame.left);
      EXPECT_EQ(120, frame.top);
    }
    // OK stores where the dialog stood.
    EXPECT_EQ(frame.left, KCabGetInt(pos, "PosX", -1));
    EXPECT_EQ(frame.top, KCabGetInt(pos, "PosY", -1));
    KCabDestroy(pos);
  }
}

TEST_F(Triggers, PageRangeTextsAreIntegersOnlyWhenWhole) {
  struct Case {
    const char* text;
    bool whole;
    bool leading;
    ASInt32 value;
  };
  const Case cases[] = {
      {"3", true, true, 3},         {"3-5", false, true, 3},     {" 7 ", true, true, 7},
      {"-2", true, true, -2},       {"12abc", false, true, 12},  {"abc", false, false, 0},
      {"", false, false, 0},        {"2147483647", true, true, 2147483647},
      {"2147483648", false, false, 0}, {"+4", true, true, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASInt32 v = -99;
    EXPECT_EQ(c.whole, KCtlParseInt32(c.text, &v, 1) != 0);
    if (c.whole) {
      EXPECT_EQ(c.value, v);
    }
    v = -99;
    EXPECT_EQ(c.leading, KCtlParseInt32(c.text, &v, 0) != 0);
    if (c.leading) {
      EXPECT_EQ(c.value, v);
    }
  }
}

}  // namespace
