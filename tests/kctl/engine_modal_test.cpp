#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineHarness.h"

using namespace kvtest;

namespace {

class ModalEngine : public EngineFixture {};

TEST_F(ModalEngine, MessagesArriveInOrderAndDestroyOnce) {
  EngineHarness h;
  h.handler = StandardHandler;
  PfScript script;
  script.Then([&] { PfDriverClickItem(Dialog(), Item(kOK), 0); });
  EXPECT_EQ(kOK, RunModalHarness(h));
  EXPECT_EQ("create,init,shown,command 1 0,destroy", h.Joined());
  EXPECT_EQ(0, PfLiveDialogCount());
}

TEST_F(ModalEngine, AFilterThatMakesNoDialogIsReported) {
  EngineHarness h;
  h.makeNoDialog = true;
  EXPECT_EQ(kCancel, RunModalHarness(h));
  EXPECT_EQ("create", h.Joined());
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ("Internal error - could not load dialog", AVAlertRecorded()[0].message);
}

TEST_F(ModalEngine, ReturnWithADisabledDefaultButtonIsSwallowed) {
  EngineHarness h;
  h.handler = StandardHandler;
  PfScript script;
  script.Then([&] { MacControlEnableIf(h.info, kOK, 0); });
  script.Then([] { PfDriverPressReturn(); });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_EQ(kCancel, RunModalHarness(h));
  EXPECT_EQ(0, h.Count("command 1 0"));
  EXPECT_EQ(1, h.Count("command 2 0"));
}

TEST_F(ModalEngine, ReturnPressesAnEnabledDefaultButton) {
  EngineHarness h;
  h.handler = StandardHandler;
  PfScript script;
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_EQ(kOK, RunModalHarness(h));
  EXPECT_EQ(1, h.Count("command 1 0"));
}

TEST_F(ModalEngine, CommandPeriodWithoutACancelItemEndsWithTwoAndStillDestroys) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 message, ASInt32, SMacControlHitInfo*) -> ASInt32 {
    if (message == kMacDlgInit) info->cancelItem = 0;
    return 0;
  };
  PfScript script;
  script.Then([] { PfDriverPressCommandPeriod(); });
  EXPECT_EQ(kCancel, RunModalHarness(h));
  EXPECT_EQ("create,init,shown,destroy", h.Joined()) << "no command, but destroy once";
}

TEST_F(ModalEngine, PopupChoiceIsThreeCommandsForTheSameId) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 message, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (message == kMacDlgInit) {
      MacMenuUpdateStart(info, kPopup);
      MacMenuClear(info, kPopup);
      for (const char* t : {"A4", "Letter", "Legal"}) MacMenuAddItemUTF8(info, kPopup, t);
      MacMenuUpdateComplete(info, kPopup);
      MacMenuSetCurSel(info, kPopup, 0);
    }
    return StandardHandler(info, message, w, hit);
  };
  ASInt32 chosen = -1;
  PfScript script;
  script.Then([&] { PfDriverChoosePopup(Dialog(), Item(kPopup), 2); });
  script.Then([&] {
    chosen = MacMenuGetCurSel(h.info, kPopup);
    PfDriverPressReturn();
  });
  EXPECT_EQ(kOK, RunModalHarness(h));
  EXPECT_EQ("create,init,shown,command 30 3,command 30 4,command 30 7,command 1 0,destroy", h.Joined());
  EXPECT_EQ(2, chosen);
}

TEST_F(ModalEngine, APopupThatEndsTheDialogOnItsFirstCommandHearsNoMore) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 message, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (message == kMacDlgInit) {
      MacMenuUpdateStart(info, kPopup);
      MacMenuAddItemUTF8(info, kPopup, "one");
      MacMenuAddItemUTF8(info, kPopup, "two");
      MacMenuUpdateComplete(info, kPopup);
    }
    if (message == kMacDlgCommand && hit->id == kPopup) EndDialog(info, 7);
    return StandardHandler(info, message, w, hit);
  };
  PfScript script;
  script.Then([&] { PfDriverChoosePopup(Dialog(), Item(kPopup), 1); });
  EXPECT_EQ(7, RunModalHarness(h));
  EXPECT_EQ("create,init,shown,command 30 3,destroy", h.Joined());
}

TEST_F(ModalEngine, TabsReportEachTabAsItsOwnId) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 message, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (message == kMacDlgCommand && hit->id == kTabs + 2) EndDialog(info, hit->id);
    return StandardHandler(info, message, w, hit);
  };
  PfScript script;
  script.Then([&] { PfDriverChooseTab(Dialog(), Item(kTabs), 3); });
  EXPECT_EQ(kTabs + 2, RunModalHarness(h));
  EXPECT_EQ(1, h.Count("command 42 0"));
}

TEST_F(ModalEngine, EditClicksAndTypingReportCodeOne) {
  EngineHarness h;
  h.handler = StandardHandler;
  std::string typed;
  PfScript script;
  script.Then([&] { PfDriverTypeText(Dialog(), Item(kEditB), "7", true); });
  script.Then([&] {
    char buf[64];
    MacDialogGetItemTextUTF8(h.info, kEditB, buf, sizeof buf);
    typed = buf;
    PfDriverPressReturn();
  });
  EXPECT_EQ(kOK, RunModalHarness(h));
  EXPECT_EQ("7", typed);
  EXPECT_GE(h.Count("command 11 1"), 2) << "the click and every key";
}

TEST_F(ModalEngine, CommandPasteRefreshesTheScrapFromTheClipboard) {
  EngineHarness h;
  h.handler = StandardHandler;
  std::string text;
  PfScript script;
  script.Then([&] {
    PfClipboardSetUTF8("pasted", -1);
    MacDialogSelectEditItem(h.info, kEditA);
    PfDriverKey('v', kPfCmdKey);
  });
  script.Then([&] {
    char buf[64];
    MacDialogGetItemText(h.info, kEditA, buf, sizeof buf);
    text = buf;
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ("pasted", text);
}

TEST_F(ModalEngine, AHundredDialogsBuildTheHandlerRecordsOnce) {
  for (int i = 0; i < 100; ++i) {
    EngineHarness h;
    h.handler = StandardHandler;
    PfScript script;
    script.Then([] { PfDriverPressEscape(); });
    ASSERT_EQ(kCancel, RunModalHarness(h));
  }
  EXPECT_EQ(1, MacDialogHandlerRecordsBuilt());
}

TEST_F(ModalEngine, HostExceptionsInAFilterAreReportedAndTheDialogGoesOn) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 message, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (message == kMacDlgCommand && hit->id == kCheck) ASRaise(genErrBadParm);
    return StandardHandler(info, message, w, hit);
  };
  PfScript script;
  script.Then([&] { PfDriverClickItem(Dialog(), Item(kCheck), 0); });
  script.Then([] { PfDriverPressEscape(); });
  ASErrorCode caught = 0;
  ASInt32 result = 0;
  DURING
    result = RunModalHarness(h);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  // The trace's filter loop contains host exceptions and reports them; the dialog goes on.
  EXPECT_EQ(0, caught);
  EXPECT_EQ(kCancel, result);
  ASSERT_FALSE(AVAlertRecorded().empty());
  EXPECT_EQ(1, h.Count("destroy"));
}

}  // namespace
