#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineHarness.h"
#include "host/AV.h"

using namespace kvtest;

namespace {

class ModelessEngine : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    windowsBefore = AVAppGetNumWindows();
    PfSetEventDispatcher(MacDialogDispatchEvent, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(windowsBefore, AVAppGetNumWindows()) << "every host window closed";
    PfSetEventDispatcher(nullptr, nullptr);
    EngineFixture::TearDown();
  }
  SMacDialogInfo* Start(EngineHarness& h, MacDialogProc dialogProc = nullptr) {
    h.modal = false;
    return DialogTraceMacStartModelessDialogWithFilter(NewDialogTrace(), dialogProc, HarnessFilter, &h, 1);
  }
  ASInt32 windowsBefore = 0;
};

TEST_F(ModelessEngine, MessagesArriveInOrderAndTheHostWindowCloses) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(windowsBefore + 1, AVAppGetNumWindows());
  EXPECT_TRUE(PfIsWindowVisible(PfGetDialogWindow(info->dialog)));
  EXPECT_EQ("create,init,shown", h.Joined());
  PfDriverClickItem(Dialog(), Item(kCheck), 0);
  PfDriverPump();
  EXPECT_EQ(1, h.Count("command 13 0"));
  PfDriverClickItem(Dialog(), Item(kOK), 0);
  PfDriverPump();
  EXPECT_EQ("create,init,shown,command 13 0,command 1 0,destroy", h.Joined());
  EXPECT_EQ(0, MacLiveDialogCount());
}

TEST_F(ModelessEngine, DestroyFromInsideACommandWaitsForItsReturn) {
  EngineHarness h;
  bool aliveInside = false;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgCommand && hit->id == kCheck) {
      DestroyModelessDialog(info);
      aliveInside = MacDialogInfoIsLive(info) && h.Count("destroy") == 0;
    }
    return StandardHandler(info, m, w, hit);
  };
  SMacDialogInfo* info = Start(h);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(0, SendWMCommand(info, kCheck, 0)) << "the caller learns that the dialog is gone";
  EXPECT_TRUE(aliveInside);
  EXPECT_EQ(1, h.Count("destroy"));
  EXPECT_EQ(0, MacLiveDialogCount());
}

TEST_F(ModelessEngine, CommandPeriodWithoutCancelItemCloses) {
  EngineHarness h;
  h.handler = [](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) info->cancelItem = 0;
    return StandardHandler(info, m, w, hit);
  };
  ASSERT_NE(nullptr, Start(h));
  PfDriverPressEscape();  // nothing to press
  PfDriverPump();
  EXPECT_EQ(1, MacLiveDialogCount());
  PfDriverPressCommandPeriod();
  PfDriverPump();
  EXPECT_EQ(0, MacLiveDialogCount());
  EXPECT_EQ("create,init,shown,destroy", h.Joined());
}

TEST_F(ModelessEngine, ReturnWithADisabledDefaultDoesNothing) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  MacControlEnableIf(info, kOK, 0);
  PfDriverPressReturn();
  PfDriverPump();
  EXPECT_EQ(0, h.Count("command 1 0"));
  MacControlEnableIf(info, kOK, 1);
  PfDriverPressReturn();
  PfDriverPump();
  EXPECT_EQ(1, h.Count("command 1 0"));
  EXPECT_EQ(0, MacLiveDialogCount());
}

TEST_F(ModelessEngine, KeysEditTheFocusTabCyclesAndPasteTakesTheClipboard) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  MacDialogSelectEditItem(info, kEditB);
  PfDriverPressTab();
  PfDriverKey('z', 0);
  PfClipboardSetUTF8("+clip", -1);
  PfDriverKey('v', kPfCmdKey);
  PfDriverPump();
  char buf[64];
  MacDialogGetItemText(info, kEditA, buf, sizeof buf);
  EXPECT_STREQ("z+clip", buf);
  EXPECT_EQ(2, h.Count("command 10 1"));
  PfDriverClickItem(Dialog(), Item(kCancel), 0);
  PfDriverPump();
}

TEST_F(ModelessEngine, TheCaretBlinksOnTheHostsIdleWhileTheWindowIsKey) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  PfTEHandle te = MacGetDialogTextHandle(info);
  int32_t before = PfTEBlinkCount(te);
  for (int i = 0; i < 4; ++i) {
    PfClockAdvance(PfGetCaretTime());
    AVAppAdvanceTicks(PfGetCaretTime());
  }
  EXPECT_GT(PfTEBlinkCount(te), before);
  DestroyModelessDialog(info);
}

TEST_F(ModelessEngine, ADoubleClickThatEndsTheDialogFromATreeNotificationIsDeferred) {
  EngineHarness h;
  bool whole = false;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) {
      MacTreeAddItemUtf8(info, kTree, "a", 1);
      MacTreeAddItemUtf8(info, kTree, "b", 1);
      MacTreeEndUpdate(info, kTree);
    }
    if (m == kMacDlgNotify && hit->code == kMacTreeDoubleClick) DestroyModelessDialog(info);
    ASInt32 r = StandardHandler(info, m, w, hit);
    if (m == kMacDlgCommand && hit->id == kTree && hit->code == kMacCmdListDoubleClick)
      whole = MacDialogInfoIsLive(info) && MacListBoxCountItems(info, kTree) == 2 && h.Count("destroy") == 0;
    return r;
  };
  ASSERT_NE(nullptr, Start(h));
  PfDriverClickListRow(Dialog(), Item(kTree), 1, -1, 0, 2);
  PfDriverPump();
  EXPECT_TRUE(whole);
  EXPECT_EQ(1, h.Count("notify 20 103"));
  EXPECT_EQ(1, h.Count("destroy"));
  EXPECT_EQ(0, MacLiveDialogCount());
}

TEST_F(ModelessEngine, TheCloseBoxClosesThroughTheHost) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  PfRect frame;
  PfGetWindowBounds(PfGetDialogWindow(info->dialog), kPfWindowStructureRgn, &frame);
  PfPostMouseDown(PfPoint{frame.left + 5, frame.top + 5}, 0);
  PfDriverPump();
  EXPECT_EQ(0, MacLiveDialogCount());
  EXPECT_EQ(1, h.Count("destroy"));
}

ASInt32 RaisingDialogProc(SMacDialogInfo*, ASUns32 message, ASInt32, SMacControlHitInfo*) {
  if (message == kMacDlgInit) ASRaise(genErrBadParm);
  return 0;
}

TEST_F(ModelessEngine, AnExceptionWhileStartingDisposesEverythingOnceAndPassesOn) {
  EngineHarness h;
  h.handler = StandardHandler;
  ASErrorCode caught = 0;
  DURING
    Start(h, RaisingDialogProc);
  HANDLER
    caught = ERRORCODE;
  END_HANDLER
  EXPECT_EQ(genErrBadParm, caught);
  EXPECT_EQ(0, MacLiveDialogCount());
  EXPECT_EQ(0, PfLiveDialogCount());
  EXPECT_LE(h.Count("destroy"), 1);
}

TEST_F(ModelessEngine, PositionsFollowTheHostFrame) {
  EngineHarness h;
  h.handler = StandardHandler;
  SMacDialogInfo* info = Start(h);
  MacSetDialogPos(info, 40, 0);
  ASInt32 x, y, w, hgt;
  MacGetDialogPos(info, &x, &y);
  MacGetDialogSize(info, &w, &hgt);
  EXPECT_EQ(40, x);
  EXPECT_EQ(22 + 22, y);
  EXPECT_EQ(400, w);
  EXPECT_EQ(300 + 22, hgt) << "the host's frame includes the title bar";
  DestroyModelessDialog(info);
}

}  // namespace
