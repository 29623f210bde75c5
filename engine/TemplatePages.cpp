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

// The one cached background: its path is an atom's text, so it lives as long
// as the host.
struct STemplateCache {
  const char* path;
  PDDoc doc;
};
STemplateCache templateCache{nullptr, nullptr};

// The page index of the sequence number in the background file, or -1.
// A repeat count larger than the range repeats the whole range.
ASInt64 TemplatePageIndex(const STemplateInfo* info, ASInt32 sequence) {
  if (info->blank || sequence < 0 || info->from < 0 || info->to < info->from) return -1;
  const ASInt64 first = info->from, last = info->to;
  const ASInt64 repeat = std::min<ASInt64>(info->repeat, last - first + 1);
  ASInt64 p = first + sequence;
  if (p > last) {
    if (repeat < 1) return -1;
    p = (last - repeat + 1) + ((first + sequence - last - 1) % repeat);
  }
  return p;
}

}  // namespace

ASBool TemplatesAreIdentical(const STemplateInfo* a, const STemplateInfo* b) {
  if (a == b) return 1;
  if (!a || !b) return 0;
  if (a->blank && b->blank) return a->width == b->width && a->height == b->height;
  if (a->blank || b->blank) return 0;
  const char* pa = a->path ? a->path : "";
  const char* pb = b->path ? b->path : "";
  return std::strcmp(pa, pb) == 0 && a->from == b->from && a->to == b->to && a->repeat == b->repeat;
}

ASInt32 TemplateMaxPages(const STemplateInfo* info) {
  if (info->blank || info->repeat > 0) return kTemplateNoLimit;
  return (ASInt32)std::clamp<ASInt64>((ASInt64)info->to - info->from + 1, 0, kTemplateNoLimit);
}

ASInt32 TemplateSequenceToZeroBasedPageOffset(const STemplateInfo* info, ASInt32 sequence) {
  const ASInt64 p = TemplatePageIndex(info, sequence);
  return p < 0 ? -1 : (ASInt32)(p - info->from);
}

void AddPDDocToTemplateCache(const char* path, PDDoc doc) {
  if (templateCache.doc && templateCache.doc != doc) PDDocClose(templateCache.doc);
  templateCache.doc = doc;
  templateCache.path = path ? ASAtomGetString(ASAtomFromString(path)) : nullptr;
}

void TemplateCacheTerm() {
  if (templateCache.doc) PDDocClose(templateCache.doc);
  templateCache = STemplateCache{nullptr, nullptr};
}

PDDoc CachedTemplatePDDoc(STemplateInfo* info, ASBool report) {
  if (!info || info->blank) return nullptr;
  const char* path = info->path ? info->path : "";
  if (templateCache.doc && templateCache.path && std::strcmp(templateCache.path, path) == 0) return templateCache.doc;
  PDDoc doc = OpenExistingPDDocFromDIPath(path, report && !info->failedToOpen);
  if (!doc) {
    info->failedToOpen = 1;
    return nullptr;
  }
  AddPDDocToTemplateCache(path, doc);
  return doc;
}

ASFixedPoint TemplatePageSize(STemplateInfo* info, ASInt32 sequence, ASBool report) {
  ASFixedPoint size{0, 0};
  if (info->blank) return ASFixedPoint{info->width, info->height};
  PDDoc doc = CachedTemplatePDDoc(info, report);
  const ASInt64 p = TemplatePageIndex(info, sequence);
  if (!doc || p < 0 || p >= PDDocGetNumPages(doc)) return size;
  GetTranslatedPageSizeByPageNum(doc, (ASInt32)p, &size, kSizeVisible);
  return size;
}

ASBool TemplateAllSameSize(STemplateInfo* info, ASBool report) {
  if (info->blank) return 1;
  PDDoc doc = CachedTemplatePDDoc(info, report);
  if (!doc) return 0;
  const ASInt32 last = std::min(info->to, PDDocGetNumPages(doc) - 1);
  if (info->from < 0 || info->from > last) return 0;
  ASFixedPoint first{0, 0};
  GetTranslatedPageSizeByPageNum(doc, info->from, &first, kSizeVisible);
  for (ASInt32 p = info->from + 1; p <= last; ++p) {
    ASFixedPoint size{0, 0};
    GetTranslatedPageSizeByPageNum(doc, p, &size, kSizeVisible);
    if (std::abs((ASInt64)size.h - first.h) > 65536 || std::abs((ASInt64)size.v - first.v) > 65536) return 0;
  }
  return 1;
}

void InsertTemplatePageIntoDoc(PDDoc doc, ASInt32 after, STemplateInfo* info, ASInt32 sequence) {
  SetupTemplateExceptions();
  if (info->blank) {
    // A refused blank (its reason shown) would leave a page missing.
    if (!InsertBlankPages(nullptr, doc, info->width, info->height, CosNewNull(), kInsertAfterNum, 1, after, 0, nullptr))
      ASRaise(templateExceptionCannotUse);
    return;
  }
  PDDoc source = CachedTemplatePDDoc(info, 0);
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
    if (after < -1 || after >= PDDocGetNumPages(doc)) return 0;
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
