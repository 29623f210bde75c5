#include "kctl/KCtlFrontDoc.h"

#include <algorithm>
#include <vector>

#include "kctl/KCtlRuntime.h"

namespace {

std::vector<SMacDialogInfo*>& Registered() {
  static std::vector<SMacDialogInfo*> dialogs;
  return dialogs;
}

}  // namespace

void KCtlFrontDocRegister(SMacDialogInfo* dialog) {
  if (!dialog) return;
  auto& r = Registered();
  if (std::find(r.begin(), r.end(), dialog) == r.end()) r.push_back(dialog);
}

void KCtlFrontDocUnregister(SMacDialogInfo* dialog) {
  auto& r = Registered();
  r.erase(std::remove(r.begin(), r.end(), dialog), r.end());
}

void KCtlFrontDocChanged() {
  // A dialog may end (and unregister) while the trigger runs: walk a copy and
  // skip those gone meanwhile.
  std::vector<SMacDialogInfo*> dialogs = Registered();
  for (SMacDialogInfo* d : dialogs) {
    auto& r = Registered();
    if (std::find(r.begin(), r.end(), d) == r.end()) continue;
    SKCtlData* data = KCtlDataForDialog(d);
    if (!data || !data->dialog) continue;
    // A stop (the dialog may have ended) ends the walk over this dialog.
    for (SKCtlElem* e = data->dialog->chainFirst; e; e = e->nextInChain)
      if (!KCtlDoAction(d, data, e, kKCtlTriggerFrontDocChanged)) break;
  }
}

ASInt32 KCtlFrontDocRegisteredCount() { return (ASInt32)Registered().size(); }
