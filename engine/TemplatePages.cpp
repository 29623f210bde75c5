#include "engine/TemplatePages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/EnginePrivate.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "kctl/StatusBox.h"
#include "pdftools/DocChecks.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageStamp.h"

using namespace engine_detail;

ASErrorCode templateExceptionCannotUse = 0;
ASErrorCode templateExceptionRunOut = 0;
ASErrorCode templateProtected = 0;
ASErrorCode templateXFA = 0;

namespace {

bool setupDone = false;

void SetupTemplateExceptions() {
  if (setupDone) return;
  setupDone = true;
  templateExceptionCannotUse = ASRegisterErrorStringUTF8(4, Msg("imputil2.exception.cantopentemplate"));
  templateExceptionRunOut = ASRegisterErrorStringUTF8(4, Msg("imputil2.exception.templateexhaused"));
  templateProtected = ASRegisterErrorStringUTF8(4, Msg("imputil2.exception.templateprotected"));
  templateXFA = ASRegisterErrorStringUTF8(4, Msg("imputil2.exception.templatexfa"));
}

}  // namespace


void InsertTemplatePageIntoDoc(PDDoc doc, ASInt32 after, STemplateInfo* info, ASInt32 sequence) {
  SetupTemplateExceptions();
  if (info->blank) {
    // A refused blank (its reason shown) would leave a page missing.
    if (!InsertBlankPages(nullptr, doc, info->width, info->height, CosNewNull(), kInsertAfterNum, 1, after, 0, nullptr))
      ASRaise(templateExceptionCannotUse);
    return;
  }
  // A file that does not open says why (once), before the template's own refusal.
  PDDoc source = CachedTemplatePDDoc(info, 1);
  if (!source) ASRaise(templateExceptionCannotUse);
  const ASInt64 p = TemplatePageIndex(info, sequence);
  if (p < 0) ASRaise(templateExceptionRunOut);
  // A range past the file's end cannot be used.
  if (p >= PDDocGetNumPages(source)) ASRaise(templateExceptionCannotUse);
  if (PDDocIsXFA(source)) ASRaise(templateXFA);
  if (!(PDDocGetPermissions(source) & pdPermEdit)) ASRaise(templateProtected);
  PDDocInsertAndStampPages(doc, after, source, (ASInt32)p, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr, nullptr,
                           0, 0, 0);
}

ASBool InsertTemplatePages(AVPageView view, PDDoc doc, STemplateInfo* info, ASInt32 firstSequence, EInsertWhere where,
                           ASInt32 count, ASInt32 pageNum, ASBool useStatusProgress, ASBool showStatusText,
                           ASInt32* firstInserted) {
  if (count < 1) {
    if (firstInserted) *firstInserted = 0;
    return 1;
  }
  if (count > kInsertMaxPages) {
    ReportTooManyPages(count);
    return 0;
  }
  // A blank size is the user's: one of no area makes no page.
  if (info->blank && (info->width <= 0 || info->height <= 0)) {
    ErrorKey("common.err.nopagesize");
    return 0;
  }
  void* monitorData = nullptr;
  ProgressMonitor monitor =
      useStatusProgress ? StatusBoxGetProgressMonitor(&monitorData, 0) : GetNullProgressMonitor(&monitorData);
  if (!doc) where = kInsertNewDoc;
  ASInt32 after = -1;
  PDDoc made = nullptr;
  if (where == kInsertNewDoc) {
    made = doc = NewInsertDocument();
  } else {
    after = InsertWhereToPageNumBeforeEx(view, doc, where, pageNum);
    if (!InsertPlaceExists(doc, where, after)) return 0;
  }
  if (showStatusText) {
    char text[400];
    FormatMsg(text, sizeof text, "imputil2.stat.insertingpages", "d", (int)count);
    SetStatusBoxTextUtf8(text);
  }
  ProgressMonitorBegin(monitor, monitorData);
  ProgressMonitorSetDuration(monitor, count, monitorData);
  bool done = true;
  DURING
    ASInt32 index = after;
    for (ASInt32 i = 0; i < count; ++i) {
      ProgressMonitorSetCurrValue(monitor, i, monitorData);
      if ((useStatusProgress || showStatusText) && CheckStatusBoxCancel(nullptr)) {
        char text[400];
        FormatMsg(text, sizeof text, "imputil2.templateinsertioncancelled", "d", (int)i);
        ErrMessageUTF8(text);
        done = false;
        break;
      }
      InsertTemplatePageIntoDoc(doc, index, info, (ASInt32)std::min<ASInt64>((ASInt64)firstSequence + i, 0x7FFFFFFF));
      ++index;
    }
    if (made) {
      PDDoc opened = made;
      made = nullptr;  // the window owns it now
      OpenTitledWindow(opened, "imputil2.title.templatedocument", ++newDocumentNumber);
    }
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    if (useStatusProgress || showStatusText) CloseStatusBox();
    if (made) PDDocClose(made);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  if (useStatusProgress || showStatusText) CloseStatusBox();
  if (firstInserted) *firstInserted = after + 1;
  return done ? 1 : 0;
}
