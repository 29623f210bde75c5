#include "commands/ControlPanel.h"

#include <cstdint>
#include <initializer_list>

#include "commands/TabbedDialogs.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "frame/CommandModules.h"
#include "frame/PlugIn.h"
#include "host/ASExtension.h"
#include "host/AV.h"
#include "host/Notify.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"

SMacDialogInfo* controlPanelDialogHandle = nullptr;
AVDoc lastAVDocForControlPanelNotify = nullptr;

namespace {

// The trigger on which every button tests its command again.
constexpr ASInt32 kRefreshTrigger = 21;
// Idle period of the active-document watch, in ticks.
constexpr ASUns32 kIdlePeriod = 60;

EImpositionCommand CommandOf(void* user) { return (EImpositionCommand)(uintptr_t)user; }

ASInt32 ControlPanelGeneralButtonClick(SMacDialogInfo*, ASInt32, ASInt32 trigger, void* user) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  // A click on a button that should have been disabled does nothing.
  EImpositionCommand command = CommandOf(user);
  if (MenuItemEnabledForCommand(command)) ExecuteImpositionCommand(command, "Krvl:DirectUI");
  return kKCtlCallBackGoOn;
}

ASInt32 ControlPanelGeneralButtonEnableDisable(SMacDialogInfo* dialog, ASInt32 id, ASInt32, void* user) {
  KCtlEnableOrDisableElemById(dialog, KCtlDataForDialog(dialog), id, MenuItemEnabledForCommand(CommandOf(user)));
  return kKCtlCallBackGoOn;
}

ASInt32 ControlPanelInitialiseNotification(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  controlPanelDialogHandle = dialog;
  lastAVDocForControlPanelNotify = AVAppGetActiveDoc();
  ControlPanelEnableDisableButtons();
  TabbedDialogOpening(dialog, kSwitchedDialogControlPanel);
  return kKCtlCallBackGoOn;
}

ASInt32 ControlPanelDestroyNotification(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  // Let go first: storing the position may fail, and the panel goes all the same.
  if (controlPanelDialogHandle == dialog) controlPanelDialogHandle = nullptr;
  TabbedDialogClosing(dialog);
  return kKCtlCallBackGoOn;
}

// Once per plug-in life; nothing is unregistered, since the refresh does
// nothing while the panel is closed.
void UIKVCtl_SetupModule() {
  static bool done = false;
  if (done) return;
  done = true;
  AVAppRegisterNotification(AVPageViewDidChangeNSEL, gExtensionID, (void*)&UIKVCtl_PageViewDidChange, nullptr);
  AVAppRegisterNotification(AVAppFrontDocDidChangeNSEL, gExtensionID, (void*)&UIKVCtl_FrontDocDidChange, nullptr);
  AVAppRegisterNotification(AVDocDidCloseNSEL, gExtensionID, (void*)&UIKVCtl_AVDocClosed, nullptr);
  ASInt16 major = 0, minor = 0;
  ASHostVersionGet(&major, &minor);
  if (major > 8) AVAppRegisterIdleProc(UIKVCtl_IdleProc, nullptr, kIdlePeriod);
}

void RefreshFor(AVDoc active) {
  lastAVDocForControlPanelNotify = active;
  ControlPanelEnableDisableButtons();
}

struct SPanelButton {
  const char* text;
  EImpositionCommand command;
};

void Buttons(SKCtlDialog* d, SKCtlElem* parent, ASUns32 flags, std::initializer_list<SPanelButton> buttons) {
  for (const SPanelButton& b : buttons) ControlPanelButton2(d, parent, flags, Msg(b.text), b.command);
}

}  // namespace

void UIKVCtl_PageViewDidChange(AVPageView, ASInt16, void*) { RefreshFor(AVAppGetActiveDoc()); }
void UIKVCtl_FrontDocDidChange(AVDoc, void*) { RefreshFor(AVAppGetActiveDoc()); }
void UIKVCtl_AVDocClosed(AVDoc, void*) { RefreshFor(AVAppGetActiveDoc()); }

// Catches changes of the active document that raise no notification.
void UIKVCtl_IdleProc(void*) {
  AVDoc active = AVAppGetActiveDoc();
  if (active != lastAVDocForControlPanelNotify) RefreshFor(active);
}

SKCtlElem* ControlPanelButton2(SKCtlDialog* dialog, SKCtlElem* parent, ASUns32 flags, const char* text,
                               EImpositionCommand command) {
  SKCtlElem* button = KCtlAddNewElement(dialog, kKCtlPushButton, flags, -1, text, parent);
  void* user = (void*)(uintptr_t)command;
  KCtlSetActionCallback(button, kKCtlTriggerClick, ControlPanelGeneralButtonClick, user);
  return KCtlSetActionCallback(button, kRefreshTrigger, ControlPanelGeneralButtonEnableDisable, user);
}

ASInt32 CreateImpositionControlPanel() {
  if (controlPanelDialogHandle) return 1;
  UIKVCtl_SetupModule();
  CloseAllTabbedDialogs();
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.controlpanel.title"), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  SKCtlData* data = nullptr;
  DURING
    SKCtlElem* layout = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.controlpanel.2"), nullptr);
    KCtlSetActionCallback(layout, kKCtlTriggerLoaded, ControlPanelInitialiseNotification, nullptr);
    KCtlSetActionCallback(layout, kKCtlTriggerDestroyed, ControlPanelDestroyNotification, nullptr);
    Buttons(d, layout, 0,
            {{"dlg.controlpanel.8", kImpCmdBooklet},
             {"dlg.controlpanel.9", kImpCmdNup},
             {"dlg.controlpanel.16", kImpCmdJoinTwoPages}});
    SKCtlElem* pages = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.controlpanel.20"), nullptr);
    Buttons(d, pages, 0,
            {{"dlg.controlpanel.17", kImpCmdShuffle},
             {"dlg.controlpanel.29", kImpCmdEvenOdd},
             {"dlg.controlpanel.25", kImpCmdReversePages},
             {"dlg.controlpanel.21", kImpCmdTrimAndShift},
             {"dlg.controlpanel.insertpages", kImpCmdInsertBlanks},
             {"dlg.controlpanel.23", kImpCmdCreateSample}});
    SKCtlElem* actions = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.controlpanel.44"), nullptr);
    Buttons(d, actions, kKCtlFlagInBody | kKCtlFlagSameRow,
            {{"dlg.controlpanel.45", kImpCmdRecord}});
    Buttons(d, actions, kKCtlFlagInBody, {{"dlg.controlpanel.46", kImpCmdPlayback}});
    SKCtlElem* row = KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden | kKCtlFlagSameRow, -1, " ", row);
    Buttons(d, row, kKCtlFlagInBody | kKCtlFlagSameRow,
            {{"dlg.controlpanel.47", kImpCmdPrefs}, {"dlg.controlpanel.60", kImpCmdHelp}});
    Buttons(d, row, kKCtlFlagInBody, {{"dlg.controlpanel.49", kImpCmdAbout}});
    KCtlDialogSuggestSize(d, 350, 0);
    data = KCtlCreateData(d);
    TabbedDialogInitKCtlData(data);
    KCtlDataSetExportCab(data, nullptr, VelmoraTabbedDialogPosCabinet());
  HANDLER
    if (data) KCtlDestroyData(data);
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  // From here the run frees the description and its data, also on failure.
  KCtlPlatformTestModeless(data, nullptr);
  return 1;
}

void CloseImpositionControlPanel() {
  if (!controlPanelDialogHandle) return;
  KCtlTerminateDialog(controlPanelDialogHandle, KCtlDataForDialog(controlPanelDialogHandle), 0);
}

void ControlPanelEnableDisableButtons() {
  if (controlPanelDialogHandle) KCtlDoUserActionForDialog(controlPanelDialogHandle, kRefreshTrigger);
}

KV_COMMAND_MODULE(.CreateImpositionControlPanel = CreateImpositionControlPanel,
                  .ControlPanelEnableDisableButtons = ControlPanelEnableDisableButtons)
