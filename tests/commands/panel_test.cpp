// The control panel and the tabbed-dialog switchboard, on the frame's real
// command table and dispatcher with the frame tests' command modules; each
// test in a process of its own (the panel's host hooks are set up once per
// plug-in life).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "commands/ControlPanel.h"
#include "commands/TabbedDialogs.h"
#include "fixtures/PermissionFixtures.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "frame/CommandModules.h"
#include "frame/ImpMenus.h"
#include "frame/KVCommands.h"
#include "frame/PlugIn.h"
#include "frame/FrameTestSupport.h"
#include "frame/PlugInTestSupport.h"
#include "host/AV.h"
#include "host/ASExtension.h"
#include "host/ASMem.h"
#include "host/Notify.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/MessageCapture.h"

namespace {

std::string Msg(const char* key) { return kvtest::Text(key); }

// The panel's buttons by command.
const std::map<EImpositionCommand, const char*> kButtons = {
    {kImpCmdBooklet, "dlg.controlpanel.8"},       {kImpCmdNup, "dlg.controlpanel.9"},
    {kImpCmdJoinTwoPages, "dlg.controlpanel.16"}, {kImpCmdShuffle, "dlg.controlpanel.17"},
    {kImpCmdEvenOdd, "dlg.controlpanel.29"},      {kImpCmdReversePages, "dlg.controlpanel.25"},
    {kImpCmdTrimAndShift, "dlg.controlpanel.21"}, {kImpCmdInsertBlanks, "dlg.controlpanel.insertpages"},
    {kImpCmdCreateSample, "dlg.controlpanel.23"}, {kImpCmdRecord, "dlg.controlpanel.45"},
    {kImpCmdPlayback, "dlg.controlpanel.46"},     {kImpCmdPrefs, "dlg.controlpanel.47"},
    {kImpCmdHelp, "dlg.controlpanel.60"},         {kImpCmdAbout, "dlg.controlpanel.49"}};

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    kvtest::LoadMessages();
    ASHostVersionSet(9, 0);
    // The frame tests' commands and panels, with the real panel and switchboard.
    kvtest::InstallTestModules(true, true);
    SKVCommandModules real{};
    real.RestartLastTabbedDialog = RestartLastTabbedDialog;
    real.CreateImpositionControlPanel = CreateImpositionControlPanel;
    real.ControlPanelEnableDisableButtons = ControlPanelEnableDisableButtons;
    KVCommandModuleAdd(real);
    InitKVCommands(0);
    InitImpMenus();
    kvtest::ModuleCalls().clear();
  }
  void TearDown() override {
    CloseImpositionControlPanel();
    kvtest::ResetStatusBox();
  }

  static PfDialogRef PanelDialog() { return PfDriverFindDialog(Msg("dlg.controlpanel.title").c_str()); }
  static int16_t ItemOf(EImpositionCommand command) {
    return PfDriverItemByCaption(PanelDialog(), Msg(kButtons.at(command)).c_str());
  }
  static bool ButtonEnabled(EImpositionCommand command) {
    int16_t item = ItemOf(command);
    EXPECT_GT(item, 0) << command;
    return PfDriverIsEnabled(PanelDialog(), item);
  }
  static void Press(EImpositionCommand command) {
    PfDriverClickItem(PanelDialog(), ItemOf(command), 0);
    PfDriverPump();
  }
  // Every button's state agrees with its menu item's test.
  static void ExpectButtonsFollowTheMenu() {
    for (const auto& [command, key] : kButtons)
      EXPECT_EQ(MenuItemEnabledForCommand(command) != 0, ButtonEnabled(command)) << key;
  }
  static size_t Count(const std::string& call) {
    size_t n = 0;
    for (const std::string& c : kvtest::ModuleCalls()) n += (c == call);
    return n;
  }
  AVDoc OpenProtected(const std::string& name) {
    std::string path = session_.prefs() + "/" + name;
    kvfix::WritePermissions(path, false, false, false);
    return kvtest::OpenView(OpenExistingPDDocFromUtf8String(path.c_str()), 0);
  }

  kvtest::PlugInSession session_;
};

TEST_F(Panel, OpeningTwiceLeavesOnePanel) {
  ASInt32 windows = AVAppGetNumWindows();
  EXPECT_EQ(1, CreateImpositionControlPanel());
  ASSERT_NE(nullptr, controlPanelDialogHandle);
  SMacDialogInfo* first = controlPanelDialogHandle;
  EXPECT_EQ(1, CreateImpositionControlPanel());
  EXPECT_EQ(first, controlPanelDialogHandle);
  EXPECT_EQ(windows + 1, AVAppGetNumWindows());
  EXPECT_EQ(kSwitchedDialogControlPanel, lastTabbedDialog);

  CloseImpositionControlPanel();
  EXPECT_EQ(nullptr, controlPanelDialogHandle);
  EXPECT_EQ(windows, AVAppGetNumWindows());
  CloseImpositionControlPanel();  // nothing open: nothing happens
  ControlPanelEnableDisableButtons();
}

TEST_F(Panel, TheToolButtonRoadOpensThePanelFirst) {
  EXPECT_EQ(&RestartLastTabbedDialog, KVCommandModules().RestartLastTabbedDialog);
  EXPECT_TRUE(ExecuteImpositionCommand(kImpCmdLastTabbedDialog, "Krvl:DirectUI"));
  EXPECT_NE(nullptr, controlPanelDialogHandle);
  EXPECT_NE(nullptr, PanelDialog());
}

TEST_F(Panel, ButtonsFollowTheDocumentsAndTheCommandsRun) {
  CreateImpositionControlPanel();
  ExpectButtonsFollowTheMenu();
  EXPECT_FALSE(ButtonEnabled(kImpCmdBooklet)) << "no document";
  EXPECT_FALSE(ButtonEnabled(kImpCmdRecord)) << "nothing to remember yet";
  EXPECT_TRUE(ButtonEnabled(kImpCmdPrefs));

  // Opening a document is a front-document change.
  session_.OpenDocument("doc.pdf", 2);
  EXPECT_TRUE(ButtonEnabled(kImpCmdBooklet));
  ExpectButtonsFollowTheMenu();

  Press(kImpCmdNup);
  EXPECT_EQ("Krvl:DirectUI", kvtest::CallerOf(kvtest::LastUIParams()));
  EXPECT_EQ(kImpCmdNup, latestImpositionCommand);
  EXPECT_NE(nullptr, controlPanelDialogHandle) << "the panel stays open";
  EXPECT_TRUE(ButtonEnabled(kImpCmdRecord)) << "refreshed after the command";

  // Closing the last document.
  kvtest::CloseAllViews();
  EXPECT_FALSE(ButtonEnabled(kImpCmdBooklet));
  ExpectButtonsFollowTheMenu();
}

TEST_F(Panel, PanelButtonsReachTheirModules) {
  CreateImpositionControlPanel();
  session_.OpenDocument("doc.pdf", 1);
  ExecuteImpositionCommand(kImpCmdReversePages, "Krvl:DirectUI");  // something to remember
  kvtest::ModuleCalls().clear();
  for (EImpositionCommand c : {kImpCmdPrefs, kImpCmdHelp, kImpCmdAbout, kImpCmdRecord, kImpCmdPlayback}) {
    ASSERT_TRUE(ButtonEnabled(c)) << c;
    Press(c);
  }
  for (const char* call : {"Prefs", "Help", "About", "Record", "Play"}) EXPECT_EQ(1u, Count(call)) << call;
  EXPECT_NE(nullptr, controlPanelDialogHandle);
}

TEST_F(Panel, AClickOnADisabledCommandDoesNothing) {
  CreateImpositionControlPanel();
  ASSERT_FALSE(ButtonEnabled(kImpCmdBooklet));
  // The click arrives all the same (straight to the button's callbacks).
  SKCtlData* data = KCtlDataForDialog(controlPanelDialogHandle);
  SKCtlElem* booklet = KCtlPlatformGetElemFromControlId(data, PfDriverIdOfItem(PanelDialog(), ItemOf(kImpCmdBooklet)));
  ASSERT_NE(nullptr, booklet);
  EXPECT_TRUE(KCtlDoAction(controlPanelDialogHandle, data, booklet, kKCtlTriggerClick));
  EXPECT_EQ(nullptr, kvtest::LastUIParams());
  EXPECT_EQ(0u, latestImpositionCommand);
  EXPECT_NE(nullptr, controlPanelDialogHandle);
}

TEST_F(Panel, SwitchingDocumentsRefreshesTheButtons) {
  CreateImpositionControlPanel();
  session_.OpenDocument("open.pdf", 1);
  AVDoc editable = AVAppGetActiveDoc();
  AVDoc locked = OpenProtected("locked.pdf");
  EXPECT_FALSE(ButtonEnabled(kImpCmdBooklet)) << "the protected document is in front";
  AVDocBringToFront(editable);
  EXPECT_TRUE(ButtonEnabled(kImpCmdBooklet)) << "through the front-document notification";
  AVDocBringToFront(locked);
  EXPECT_FALSE(ButtonEnabled(kImpCmdBooklet));
}

TEST_F(Panel, TheIdleWatchCatchesChangesWithoutNotification) {
  ASInt32 idle = AVAppGetNumIdleProcs();
  CreateImpositionControlPanel();
  CloseImpositionControlPanel();
  EXPECT_EQ(idle + 1, AVAppGetNumIdleProcs()) << "the watch stays for the plug-in's life";
  CreateImpositionControlPanel();
  session_.OpenDocument("open.pdf", 1);
  AVDoc editable = AVAppGetActiveDoc();
  AVDoc locked = OpenProtected("locked.pdf");
  ASSERT_FALSE(ButtonEnabled(kImpCmdBooklet));
  // The host forgets to tell: only the idle procedure sees the change.
  AVAppUnregisterNotification(AVAppFrontDocDidChangeNSEL, gExtensionID, (void*)&UIKVCtl_FrontDocDidChange, nullptr);
  AVDocBringToFront(editable);
  EXPECT_FALSE(ButtonEnabled(kImpCmdBooklet));
  AVAppAdvanceTicks(60);
  EXPECT_TRUE(ButtonEnabled(kImpCmdBooklet));
  EXPECT_EQ(editable, lastAVDocForControlPanelNotify);
  (void)locked;
}

TEST_F(Panel, OlderHostsGetNoIdleWatch) {
  ASHostVersionSet(8, 0);
  ASInt32 idle = AVAppGetNumIdleProcs();
  ASInt32 closed = AVAppNotificationCount(AVDocDidCloseNSEL);
  CreateImpositionControlPanel();
  EXPECT_EQ(closed + 1, AVAppNotificationCount(AVDocDidCloseNSEL));
  CloseImpositionControlPanel();
  // (The open window has an idle procedure of its own while it lives.)
  EXPECT_EQ(idle, AVAppGetNumIdleProcs());
  CreateImpositionControlPanel();
  EXPECT_EQ(closed + 1, AVAppNotificationCount(AVDocDidCloseNSEL)) << "registered once";
}

TEST_F(Panel, ReopeningPutsThePanelBackWhereItWas) {
  CreateImpositionControlPanel();
  PfWindowRef window = PfGetDialogWindow(PanelDialog());
  PfMoveWindow(window, 210, 170);
  PfRect before;
  ASSERT_EQ(kPfNoErr, PfGetWindowBounds(window, kPfWindowStructureRgn, &before));
  CloseImpositionControlPanel();
  EXPECT_EQ(before.left, KCabGetInt(VelmoraTabbedDialogPosCabinet(), "PosX", -1));
  EXPECT_EQ(before.top, KCabGetInt(VelmoraTabbedDialogPosCabinet(), "PosY", -1));

  RestartLastTabbedDialog();
  ASSERT_NE(nullptr, PanelDialog());
  PfRect after;
  ASSERT_EQ(kPfNoErr, PfGetWindowBounds(PfGetDialogWindow(PanelDialog()), kPfWindowStructureRgn, &after));
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
}

// A panel whose position cannot be stored as it closes (no memory for it)
// goes all the same, and nothing names it afterwards; the failure is shown.
TEST_F(Panel, APanelThatCannotStoreItsPositionStillLetsGo) {
  ASInt32 windows = AVAppGetNumWindows();
  CreateImpositionControlPanel();
  ASSERT_NE(nullptr, controlPanelDialogHandle);
  kvtest::MessageCapture capture;
  ASMemInjectFailure(0, 1);
  CloseImpositionControlPanel();
  ASMemClearFailure();
  EXPECT_EQ(nullptr, controlPanelDialogHandle);
  EXPECT_EQ(nullptr, PanelDialog());
  EXPECT_EQ(windows, AVAppGetNumWindows());
  EXPECT_EQ(0, MacLiveDialogCount());
  EXPECT_EQ(1u, capture.messages().size());
  ControlPanelEnableDisableButtons();  // nothing open: nothing happens
}

}  // namespace
