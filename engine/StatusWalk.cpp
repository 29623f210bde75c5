#include "engine/StatusWalk.h"

#include "host/AS.h"
#include "kctl/StatusBox.h"

ASBool ForEachPageWithStatus(PDDoc doc, long first, long last, long step, const char* text, ForEachPageProc proc,
                             void* data) {
  SCancelStatusInfo info{sizeof info, nullptr, nullptr, nullptr, nullptr};
  info.monitor = StatusBoxGetProgressMonitor(&info.monitorData, 0);
  info.cancelProc = StatusBoxGetCancelProc(&info.cancelData);
  if (!text) return ForEachPage(doc, first, last, step, proc, data, &info);
  SetStatusBoxTextUtf8(text);
  ASBool result = 0;
  DURING
    result = ForEachPage(doc, first, last, step, proc, data, &info);
  HANDLER
    CloseStatusBox();
    RERAISE();
  END_HANDLER
  CloseStatusBox();
  return result;
}
