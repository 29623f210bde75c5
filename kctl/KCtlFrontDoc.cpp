#include "kctl/KCtlFrontDoc.h"

#include <algorithm>
#include <vector>

#include "host/ASExtension.h"
#include "host/Notify.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/MacDialog.h"

namespace {

// The host callback, made once and shared by every dialog.
void* gCallback = nullptr;

void FireFrontDocChanged(SMacDialogInfo* d, void*) {
  SKCtlData* data = KCtlDataForDialog(d);
  if (!data || !data->dialog) return;
  // A stop (the dialog may have ended) ends the walk.
  for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
    if (!KCtlDoAction(d, data, e, kKCtlTriggerFrontDocChanged)) break;
}

// Fires trigger 20 on every element of the dialog given as client data. The
// host calls in from outside the dialog's procedures: the walk runs as a
// message, so that an action that ends the dialog frees it only afterwards.
void FrontDocDidChange(AVDoc, void* clientData) {
  auto* d = static_cast<SMacDialogInfo*>(clientData);
  if (MacDialogInfoIsLive(d)) MacDialogRunAsMessage(d, FireFrontDocChanged, nullptr);
}

void* Callback() {
  if (!gCallback) gCallback = ASCallbackCreate(nullptr, reinterpret_cast<void*>(FrontDocDidChange));
  return gCallback;
}

std::vector<SMacDialogInfo*>& Registered() {
  static std::vector<SMacDialogInfo*> dialogs;
  return dialogs;
}

}  // namespace

void KCtlFrontDocRegister(SMacDialogInfo* dialog) {
  if (!dialog) return;
  auto& r = Registered();
  if (std::find(r.begin(), r.end(), dialog) != r.end()) return;
  r.push_back(dialog);
  AVAppRegisterNotification(AVAppFrontDocDidChangeNSEL, nullptr, Callback(), dialog);
}

void KCtlFrontDocUnregister(SMacDialogInfo* dialog) {
  auto& r = Registered();
  auto at = std::find(r.begin(), r.end(), dialog);
  if (at == r.end()) return;
  r.erase(at);
  AVAppUnregisterNotification(AVAppFrontDocDidChangeNSEL, nullptr, Callback(), dialog);
}

void KCtlFrontDocChanged() {
  // A dialog may end (and unregister) while the trigger runs: walk a copy and
  // skip those gone meanwhile.
  std::vector<SMacDialogInfo*> dialogs = Registered();
  for (SMacDialogInfo* d : dialogs) {
    auto& r = Registered();
    if (std::find(r.begin(), r.end(), d) != r.end()) FrontDocDidChange(nullptr, d);
  }
}

ASInt32 KCtlFrontDocRegisteredCount() { return (ASInt32)Registered().size(); }
