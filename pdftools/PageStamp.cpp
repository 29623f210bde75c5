#include "pdftools/PageStamp.h"

#include <cstdio>
#include <cstring>

#include "pdftools/PDFX.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/TextConv.h"
#include "pdftools/CommandHistory.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/DateStamp.h"
#include "pdftools/DocCache.h"
#include "pdftools/StructRecovery.h"

namespace {

ASAtom PageIdKey() {
  static const ASAtom key = ASAtomFromString("KRVL_pageid");
  return key;
}

ASAtom Key(const char* name) { return ASAtomFromString(name); }

// Room for the anonymous-file text in the platform's encoding.
constexpr size_t kAnonymousTextSize = 512;

// Releases a record this call made for itself, on every way out.
class SOwnedRecord {
 public:
  SOwnedRecord() = default;
  ~SOwnedRecord() { DestroyStampPageDocInfo(record_); }
  SOwnedRecord(const SOwnedRecord&) = delete;
  SOwnedRecord& operator=(const SOwnedRecord&) = delete;
  SStampPageDocInfo* Ensure(SStampPageDocInfo* given, PDDoc doc) {
    if (given) return given;
    record_ = CreateStampPageDocInfo(doc);
    return record_;
  }

 private:
  SStampPageDocInfo* record_ = nullptr;
};

bool SourceIsAnonymous(const SStampPageDocInfo* info) {
  return !info->sourceDoc || (PDDocGetFlags(info->sourceDoc) & PDDocDeleteOnClose) != 0;
}

// The text after the path's last separator.
const char* FileNameOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// The "F" string of the record's source in cosDoc. With fixed names the
// file's name alone: the same job run from another folder saves the same
// bytes, and a file sent on does not tell the folders of the machine.
CosObj NewFileString(const SStampPageDocInfo* info, CosDoc cosDoc) {
  if (info->path && !SourceIsAnonymous(info)) {
    if (TheNamesAreFixed()) {
      const char* name = FileNameOf(info->path);
      return CosNewString(cosDoc, 1, name, std::strlen(name));
    }
    return CosNewString(cosDoc, 1, info->path, (ASSize_t)info->pathLength);
  }
  const char* text = GetMessageFromTableByKey(gSystemMessageTable, "stamp1.anonfile");
  char native[kAnonymousTextSize];
  native[0] = 0;
  UTF8ToPlatformNativeTerm(text, native, (ASInt32)sizeof native, '?');
  return CosNewString(cosDoc, 1, native, std::strlen(native));
}

void Alert(const char* text) { ErrMessageUTF8(text); }

bool IsEncodingCacheError(ASErrorCode e) { return ErrGetSystem(e) == ErrSysGeneral && ErrGetCode(e) == 0x12; }

ASInt32 FirstNewPage(ASInt32 insertAfter, ASInt32 before) {
  if (insertAfter == PDBeforeFirstPage) return 0;
  // After the last page: the new pages follow the ones the target had.
  if (insertAfter == PDLastPage) return before;
  return insertAfter + 1;
}

void CopyCommandHistory(PDDoc source, PDDoc target) {
  char description[1000];
  description[0] = 0;
  SKCab* list = PDDocGetCommandListAsKCab(source, description, sizeof description);
  if (!list) return;
  DURING
    PDDocStoreCommandListFromKCab(target, list, description, gPDFXMode == 1 ? 1 : 0);
  HANDLER
    KCabDestroy(list);
    RERAISE();
  END_HANDLER
  KCabDestroy(list);
}

}  // namespace

SStampPageDocInfo* CreateStampPageDocInfo(PDDoc doc) {
  auto* info = static_cast<SStampPageDocInfo*>(ASmallocWithException(sizeof(SStampPageDocInfo)));
  std::memset(static_cast<void*>(info), 0, sizeof *info);
  info->sourceInfo = CosNewNull();
  info->targetInfo = CosNewNull();
  info->targetFile = CosNewNull();
  DURING
    info->sourceDoc = doc;
    if (doc) {
      info->sourceCosDoc = PDDocGetCosDoc(doc);
      info->sourceInfo = CosDocGetInfoDict(info->sourceCosDoc);
      if (ASFile file = PDDocGetFile(doc)) {
        ASFileSys fileSys = ASFileGetFileSys(file);
        ASPathName path = ASFileAcquirePathName(file);
        DURING
          info->path = ASFileSysDIPathFromPath(fileSys, path, nullptr);
        HANDLER
          ASFileSysReleasePath(fileSys, path);
          RERAISE();
        END_HANDLER
        ASFileSysReleasePath(fileSys, path);
        info->pathLength = info->path ? (ASInt32)std::strlen(info->path) : 0;
      }
    }
  HANDLER
    DestroyStampPageDocInfo(info);
    RERAISE();
  END_HANDLER
  return info;
}

void DestroyStampPageDocInfo(SStampPageDocInfo* info) {
  if (!info) return;
  ASfree(info->path);
  ASfree(info);
}

void StampPage(PDPage page, SStampPageDocInfo* info, ASInt32 offset, ASBool replace, ASBool checkSource) {
  CosObj pageDict = PDPageGetCosObj(page);
  SOwnedRecord owned;
  info = owned.Ensure(info, PDPageGetDoc(page));

  CosObj old = CosDictGet(pageDict, PageIdKey());
  const bool hadStamp = CosObjGetType(old) != CosNull;
  if (!replace && hadStamp) return;
  if (checkSource && SourceIsAnonymous(info)) return;

  PDDoc target = PDPageGetDoc(page);
  if (target != info->targetDoc) {
    info->targetDoc = target;
    info->targetCosDoc = PDDocGetCosDoc(target);
    info->targetInfo = target == info->sourceDoc || CosObjGetType(info->sourceInfo) == CosNull
                           ? info->sourceInfo
                           : CloneObject(info->targetCosDoc, info->sourceInfo);
    info->targetFile = NewFileString(info, info->targetCosDoc);
  }

  CosDoc cos = info->targetCosDoc;
  CosObj stamp = CosNewDict(cos, 0, 5);
  CosDictPut(stamp, Key("I"), info->targetInfo);
  CosDictPut(stamp, Key("F"), info->targetFile);
  CosDictPut(stamp, Key("D"), NewAcrobatTimeStampObj(cos, 0));
  CosDictPut(stamp, Key("P"), CosNewInteger(cos, 0, PDPageGetNumber(page) + offset));
  if (hadStamp) CosDictPut(stamp, Key("Prev"), CopyObjIfDirect(old));
  CosDictPut(pageDict, PageIdKey(), stamp);
}

ASBool PageHasStamp(PDPage page) {
  return CosObjGetType(CosDictGet(PDPageGetCosObj(page), PageIdKey())) != CosNull;
}

void RemovePageStamp(PDPage page) { CosDictRemove(PDPageGetCosObj(page), PageIdKey()); }

void StampPageRange(PDDoc doc, ASInt32 first, ASInt32 count, ProgressMonitor monitor, void* monitorData,
                    CancelProc cancelProc, void* cancelData, SStampPageDocInfo* info, ASInt32 offset, ASBool replace,
                    ASBool checkSource) {
  SOwnedRecord owned;
  info = owned.Ensure(info, doc);
  PDPage page = nullptr;
  DURING
    if (monitor) {
      ProgressMonitorBegin(monitor, monitorData);
      ProgressMonitorSetDuration(monitor, count, monitorData);
    }
    ASInt32 k = 1;
    for (ASInt32 n = first; n < first + count; ++n, ++k) {
      if (monitor) ProgressMonitorSetCurrValue(monitor, k, monitorData);
      // A cancel keeps what is stamped so far; it is no failure.
      if (cancelProc && cancelProc(cancelData)) break;
      DURING
        page = PDDocAcquirePage(doc, n);
      HANDLER
        char text[200];
        std::snprintf(text, sizeof text, "Internal error in StampPageRange acquiring page %ld of %ld", (long)n,
                      (long)PDDocGetNumPages(doc));
        Alert(text);
        RERAISE();
      END_HANDLER
      DURING
        StampPage(page, info, offset, replace, checkSource);
      HANDLER
        Alert("Internal error occurred in StampPage");
        RERAISE();
      END_HANDLER
      PDPageRelease(page);
      page = nullptr;
    }
  HANDLER
    if (page) PDPageRelease(page);
    if (monitor) ProgressMonitorEnd(monitor, monitorData);
    RERAISE();
  END_HANDLER
  if (monitor) ProgressMonitorEnd(monitor, monitorData);
}

void PDDocInsertAndStampPages(PDDoc target, ASInt32 insertAfter, PDDoc source, ASInt32 startPage, ASInt32 numPages,
                              ASUns16 insertFlags, ProgressMonitor monitor, void* monitorData, CancelProc cancelProc,
                              void* cancelData, SStampPageDocInfo* info, ASBool replace, ASBool checkSource,
                              ASBool removeStructure) {
  SOwnedRecord owned;
  info = owned.Ensure(info, source);
  const ASInt32 before = PDDocGetNumPages(target);
  if (!monitor) monitor = GetNullProgressMonitor(&monitorData);
  if (!cancelProc) cancelProc = GetNullCancelProc(&cancelData);

  ASErrorCode failure = 0;
  DURING
    PDDocInsertPagesWithBadStructRecovery(target, insertAfter, source, startPage, numPages, insertFlags, monitor,
                                          monitorData, cancelProc, cancelData);
  HANDLER
    failure = ERRORCODE;
  END_HANDLER
  if (failure) {
    if (!IsEncodingCacheError(failure)) ASRaise(failure);
    bool repaired = FixCacheEncodings(PDDocGetCosDoc(target));
    if (!repaired) repaired = FixCacheEncodings(PDDocGetCosDoc(source));
    if (!repaired) ASRaise(failure);
    // Pages the failed attempt left behind go before the pages come again.
    const ASInt32 now = PDDocGetNumPages(target);
    if (now > before) {
      const ASInt32 first = FirstNewPage(insertAfter, before);
      PDDocDeletePagesWithBadStructRecovery(target, first, first + (now - before) - 1, monitor, monitorData);
    }
    PDDocInsertPagesWithBadStructRecovery(target, insertAfter, source, startPage, numPages, insertFlags, monitor,
                                          monitorData, cancelProc, cancelData);
  }

  const ASInt32 after = PDDocGetNumPages(target);
  const ASInt32 firstNew = FirstNewPage(insertAfter, before);
  DURING
    StampPageRange(target, firstNew, after - before, monitor, monitorData, cancelProc, cancelData, info,
                   startPage - firstNew, replace, checkSource);
  HANDLER
    Alert("Internal error occurred in StampPageRange");
    RERAISE();
  END_HANDLER

  if (before == 0 && PDDocHasCommandList(source) && !PDDocHasCommandList(target)) {
    DURING
      CopyCommandHistory(source, target);
    HANDLER
      Alert("Internal error occurred in PDDocInsertAndStampPages copying command info");
      RERAISE();
    END_HANDLER
  }

  if (removeStructure && DocHasStructure(target)) RemoveDocStructure(target);
}
