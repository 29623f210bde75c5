#include "commands/TabbedDialogs.h"

#include "commands/ControlPanel.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "frame/CommandModules.h"
#include "kctl/KCtlRuntime.h"

ESwitchedDialogClass lastTabbedDialog = kSwitchedDialogControlPanel;

SKCab* VelmoraTabbedDialogPosCabinet() {
  static SKCab* positions = nullptr;
  if (!positions) positions = KCabNewInner();
  return positions;
}

void TabbedDialogInitKCtlData(SKCtlData*) {}

void StartTabbedDialog(ESwitchedDialogClass dialogClass) {
  lastTabbedDialog = dialogClass;
  DURING
    if (dialogClass == kSwitchedDialogControlPanel) CreateImpositionControlPanel();
  HANDLER
    AutoExceptionMessageUTF8(GetMessageFromTableByKey(gSystemMessageTable, "uiimp.6.task.changedialog"), ERRORCODE);
  END_HANDLER
}

ASBool RestartLastTabbedDialog() {
  StartTabbedDialog(lastTabbedDialog);
  return 1;
}

void CloseAllTabbedDialogs() { CloseImpositionControlPanel(); }

void TabbedDialogOpening(SMacDialogInfo*, ESwitchedDialogClass dialogClass) { lastTabbedDialog = dialogClass; }

void TabbedDialogClosing(SMacDialogInfo* dialog) {
  if (SKCtlData* data = KCtlDataForDialog(dialog)) KCtlStorePos(dialog, data);
}

KV_COMMAND_MODULE(.RestartLastTabbedDialog = RestartLastTabbedDialog)
