#include "engine/EnginePrivate.h"

#include <algorithm>
#include <cstdarg>

#include "engine/InsertPages.h"
#include "kctl/DocWindow.h"
#include "foundation/Alerts.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "kctl/StatusBox.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageStamp.h"

namespace engine_detail {

void FormatMsg(char* out, size_t size, const char* key, const char* signature, ...) {
  va_list args;
  va_start(args, signature);
  VFormatMessageTextUTF8(out, size, Msg(key), nullptr, key, signature, args);
  va_end(args);
}

void ErrorKey(const char* key) { ErrMessageUTF8(Msg(key)); }

void ReportTooManyPages(ASInt64 count) {
  char text[400];
  FormatMsg(text, sizeof text, "imputil1.err.toomanypages", "ll", (long)std::min<ASInt64>(count, 0x7FFFFFFF),
            (long)kInsertMaxPages);
  ErrMessageUTF8(text);
}

bool ConfirmKey(const char* key) { return ConfirmMessageUTF8(Msg(key), 1) != 0; }

AVDoc OpenTitledWindow(PDDoc doc, const char* key, ASInt32 number) {
  char title[300];
  FormatMsg(title, sizeof title, key, "d", (int)number);
  AVDoc view = AVDocOpenFromPDDocUTF8(doc, title);
  if (view) AVPageViewGoTo(AVDocGetPageView(view), 0);
  return view;
}

bool CopyAllPagesStamped(PDDoc target, PDDoc source, ASBool removeStructure) {
  const ASInt32 count = PDDocGetNumPages(source);
  const ASInt32 before = PDDocGetNumPages(target);
  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
  void* cancelData = nullptr;
  CancelProc cancel = StatusBoxGetCancelProc(&cancelData);
  bool cancelled = false;
  if (count > 0) {
    DURING
      PDDocInsertAndStampPages(target, before == 0 ? PDBeforeFirstPage : before - 1, source, 0, count, PDInsertAll,
                               monitor, monitorData, cancel, cancelData, nullptr, 0, 0, removeStructure);
    HANDLER
      if (ERRORCODE != genErrCancelled) RERAISE();
      cancelled = true;
    END_HANDLER
  }
  return !cancelled && PDDocGetNumPages(target) == before + count;
}

ASFixedPoint VisibleSize(PDDoc doc, ASInt32 page) {
  ASFixedPoint size{0, 0};
  GetTranslatedPageSizeByPageNum(doc, page, &size, kSizeVisible);
  return size;
}

ASErrorCode ShouldNotOccurError() {
  static ASErrorCode code = 0;
  if (!code) code = ASRegisterErrorString(ErrSeverityError, "Should not occur");
  return code;
}

}  // namespace engine_detail
