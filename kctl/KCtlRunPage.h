// Running a page: a description its caller keeps and may show again (a
// wizard's step, a page of a group, a sub-dialog), so every showing makes new
// run data. A description that goes with its run takes KCtlPlatformRunModal.
#pragma once

#include "foundation/KCab.h"
#include "host/ASExcept.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlMac.h"

// Shows page modally on the cabinets (either may be null), as a member of
// group when there is one; interactive, when given, goes into the run's own
// values as "Interactive". The terminating id. The run data is freed here,
// also when the run fails, unless the page's kKCtlDialogFreeData hands it to
// the window.
inline ASInt32 KCtlRunPage(SKCtlDialog* page, SKCtlDialogGroup* group, SKCab* exportCab, SKCab* posCab,
                           MacDialogProc dialogProc, const ASBool* interactive) {
  const bool ownData = !(page->flags & kKCtlDialogFreeData);
  SKCtlData* data = KCtlCreateData(page);
  ASInt32 result = 0;
  DURING
    if (group) KCtlDataSetGroup(data, group, 1);
    KCtlDataSetExportCab(data, exportCab, posCab);
    if (interactive) KCabPutBool(data->ownCab, "Interactive", *interactive);
    result = KCtlPlatformTestModal(data, dialogProc);
  HANDLER
    if (ownData) KCtlDestroyData(data);
    RERAISE();
  END_HANDLER
  if (ownData) KCtlDestroyData(data);
  return result;
}
