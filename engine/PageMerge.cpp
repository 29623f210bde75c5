#include "engine/PageMerge.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>

#include "engine/EngineFixed.h"
#include "engine/PageMergePriv.h"
#include "foundation/Alerts.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"
#include "pdftools/CosCopy.h"
#include "pdftools/DateStamp.h"
#include "pdftools/KCosStream.h"
#include "pdftools/DocCache.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"
#include "pdftools/Tr2Fix.h"

ASErrorCode pageMergeExceptionWrongState = 0;
ASErrorCode pageMergeExceptionNegativePage = 0;
ASErrorCode pageMergeExceptionBigPage = 0;

namespace {

ASAtom ImposedAtom() {
  static const ASAtom a = ASAtomFromString("KRVL_imposed_1");
  return a;
}

// One more on the monitor, if there is one.
void ProgressStep(SPageMergeInfo* info) {
  ProgressMonitor m = info->monitor;
  if (!m || !m->setCurrValue) return;
  ASInt32 current = m->getCurrValue ? m->getCurrValue(info->monitorData) : 0;
  m->setCurrValue(current + 1, info->monitorData);
}

void DestroyQuietly(CosObj obj) {
  if (CosObjGetType(obj) == CosNull) return;
  DURING
    CosObjDestroy(obj);
  HANDLER
  END_HANDLER
}

// The sheet's transparency group goes on the page when every placed page
// had the same one; forms whose own group only repeats its colour space then
// lose theirs.
void ApplySheetGroup(SPageMergeInfo* info, CosObj pageDict, CosObj resources) {
  if (!info->groupSeen || info->groupMissing || !info->groupsAgree) return;
  if (CosObjGetType(info->sheetGroup) != CosDict) return;
  CosDictPut(pageDict, atom[K_Group], info->sheetGroup);
  CosObj group = CosDictGet(pageDict, atom[K_Group]);
  CosObj sheetSpace = CosDictGet(group, atom[K_CS]);
  if (CosObjGetType(resources) != CosDict) return;
  CosObj xobjects = CosDictGet(resources, atom[K_XObject]);
  if (CosObjGetType(xobjects) != CosDict) return;
  SDictKeyList* keys = NewDictKeyList(xobjects);
  DURING
    for (ASInt32 i = 0; i < keys->count; ++i) {
      CosObj form = CosDictGetKeyString(xobjects, keys->keys[i]);
      if (CosObjGetType(form) != CosStream) continue;
      CosObj subtype = CosDictGet(form, atom[K_Subtype]);
      if (CosObjGetType(subtype) != CosName || CosNameValue(subtype) != atom[K_Form]) continue;
      CosObj formGroup = CosDictGet(form, atom[K_Group]);
      if (CosObjGetType(formGroup) != CosDict || !CosDictKnown(formGroup, atom[K_CS])) continue;
      if (CosObjContentsEqual(CosDictGet(formGroup, atom[K_CS]), sheetSpace)) CosDictRemove(form, atom[K_Group]);
    }
  HANDLER
    DestroyDictKeyList(keys);
    RERAISE();
  END_HANDLER
  DestroyDictKeyList(keys);
}

}  // namespace

// ---- errors and state ---------------------------------------------------------------

void PageMergeRegisterErrors() {
  if (pageMergeExceptionWrongState) return;
  pageMergeExceptionWrongState = ASRegisterErrorString(4, "Internal error - page merge routines called out of order");
  pageMergeExceptionNegativePage =
      ASRegisterErrorString(4, "Internal error - attempt to merge page with negative page number");
  pageMergeExceptionBigPage = ASRegisterErrorString(4, "Internal error - attempt to merge a page beyond the last");
}

void PageMergeCheckState(SPageMergeInfo* info, ASInt32 state) {
  PageMergeRegisterErrors();
  if (!info) ASRaise(genErrBadParm);
  if (info->state != state) ASRaise(pageMergeExceptionWrongState);
}

// ---- writing -----------------------------------------------------------------------------

void PageMergeFlush(SPageMergeInfo* info) {
  if (info->pendingUsed <= 0) return;
  ASInt32 used = std::exchange(info->pendingUsed, 0);
  ASFileWriteWithException(info->contentFile, info->pending, (ASSize_t)used);
}

void PageMergeWriteBytes(SPageMergeInfo* info, const char* data, size_t length) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  if (length == 0) return;
  if (length > (size_t)(kPageMergePendingSize - info->pendingUsed)) PageMergeFlush(info);
  if (length >= (size_t)kPageMergePendingSize) {
    ASFileWriteWithException(info->contentFile, data, length);
    return;
  }
  std::memcpy(info->pending + info->pendingUsed, data, length);
  info->pendingUsed += (ASInt32)length;
}

void PageMergeWriteFormat(SPageMergeInfo* info, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = EngineFormatV(format, args);
  va_end(args);
  PageMergeWriteBytes(info, text.data(), text.size());
}

void PageMergeEndSegment(SPageMergeInfo* info) {
  PageMergeFlush(info);
  EndTempStream(info->contentStream);
}

void WriteStringToMergedPage(SPageMergeInfo* info, const char* text) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  if (text) PageMergeWriteBytes(info, text, std::strlen(text));
}

// ---- life cycle ------------------------------------------------------------------------------

SPageMergeInfo* NewPageMergeInfo() {
  PageMergeRegisterErrors();
  InitGlobalAtomTable();
  auto* info = static_cast<SPageMergeInfo*>(ASmallocWithException(sizeof(SPageMergeInfo)));
  std::memset(info, 0, sizeof *info);
  info->sheetGroup = CosNewNull();
  info->impositionDict = CosNewNull();
  info->compressionDict = CosNewNull();
  DURING
    info->contentStream = NewTempFile();
  HANDLER
    ASfree(info);
    RERAISE();
  END_HANDLER
  info->contentFile = TempStreamGetASFile(info->contentStream);
  info->state = kPageMergeIdle;
  info->annotMode = kFieldsNone;
  info->extraRotation = 0;
  info->groupsAgree = 1;
  return info;
}

void DestroyPageMergeInfo(SPageMergeInfo* info) {
  if (!info) return;
  DURING
    TerminateWritingFormXObject(info);
  HANDLER
  END_HANDLER
  // A sheet that failed half-way leaves its merge record behind. Clean-ups
  // run while errors unwind: nothing raises out of here.
  DURING
    DestroyMergeResourceInfo(std::exchange(info->merge, nullptr));
  HANDLER
  END_HANDLER
  DURING
    DestroyTempFile(info->contentStream);
  HANDLER
  END_HANDLER
  ASfree(info);
}

void PageMergeSetProgressMonitor(SPageMergeInfo* info, ProgressMonitor monitor, void* clientData) {
  if (!info) return;
  info->monitor = monitor;
  info->monitorData = clientData;
}

void PageMergeSetAnnotMerge(SPageMergeInfo* info, EFieldsWhich which) {
  if (info) info->annotMode = which;
}

void PageMergeSet2TrFixMode(SPageMergeInfo* info, ASBool on) {
  if (info) info->tr2FixMode = on;
}

void PageMergeSetExtraRotation(SPageMergeInfo* info, ASInt32 degrees) {
  if (!info) return;
  if (degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270) info->extraRotation = degrees;
}

void PrepareForMergeToNewPage(SPageMergeInfo* info, PDDoc target) {
  PageMergeCheckState(info, kPageMergeIdle);
  info->merge = NewMergeResourceInfo(target);
  info->targetDoc = target;
  info->compress = 0;
  info->compressionDict = CosNewNull();
  info->state = kPageMergeSheetOpen;
  info->pendingUsed = 0;
  StartTempStream(info->contentStream);
  info->impositionDict = CosNewDict(PDDocGetCosDoc(target), 0, 10);
  info->groupSeen = 0;
  info->groupMissing = 0;
  info->groupsAgree = 1;
  info->sheetGroup = CosNewNull();
  info->marksDrawn = 0;
  ProgressStep(info);
}

void PageMergeSetZipCompression(SPageMergeInfo* info) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  CosObj dict = CosNewDict(PDDocGetCosDoc(info->targetDoc), 0, 1);
  CosDictPut(dict, atom[K_Filter], CosNewName(PDDocGetCosDoc(info->targetDoc), 0, atom[K_FlateDecode]));
  info->compressionDict = dict;
  info->compress = 1;
}

void SetDefaultPageMergeCompression(SPageMergeInfo* info) { PageMergeSetZipCompression(info); }

void SetMergePageBleedChoke(SPageMergeInfo* info, ASFixedRect choke) {
  if (!info) return;
  info->bleedChoke = choke;
  info->bleedChokeSet = 1;
}

ERegColour SetRegColour(ERegColour colour) {
  ERegColour previous = gRegistrationColour;
  // "UsePrefs" means the preference as it is: the default itself is never it.
  if (colour != kRegColourUsePrefs) gRegistrationColour = colour;
  return previous;
}

void AddRegColour(SPageMergeInfo* info, ERegColour colour, ASBool stroke) {
  WriteStringToMergedPage(info, "/KRVL_regink BMC\n");
  if (colour == kRegColourUsePrefs) colour = gRegistrationColour;
  if (colour == kRegColourAllSeps) {
    CosObj space = AllSeparationColourSpace(PDDocGetCosDoc(info->targetDoc));
    const char* name = MergeSingleResource(PageMergeGetMergeResourceInfo(info), "ColorSpace", nullptr, space);
    PageMergeWriteFormat(info, stroke ? "/%s CS 1 SCN\n" : "/%s cs 1 scn\n", name);
  } else if (colour == kRegColourBlack) {
    WriteStringToMergedPage(info, stroke ? "0 G\n" : "0 g\n");
  } else {
    WriteStringToMergedPage(info, stroke ? "1 1 1 1 K\n" : "1 1 1 1 k\n");
  }
  WriteStringToMergedPage(info, "EMC\n");
}

namespace {

// Less than this beyond the edge is the edge: a line drawn along it.
constexpr ASInt64 kMarksOffTolerance = 0x28F;  // 0.01 point

void NoteMarksOffSheet(SPageMergeInfo* info, const ASFixedRect& media) {
  const ASInt32 sheet = info->sheetsFinished++;
  if (!info->marksDrawn) return;
  const ASFixedRect& m = info->marksBox;
  const ASInt64 left = std::min(media.left, media.right), right = std::max(media.left, media.right);
  const ASInt64 bottom = std::min(media.bottom, media.top), top = std::max(media.bottom, media.top);
  const ASInt64 over = std::max({left - m.left, (ASInt64)m.right - right, bottom - m.bottom, (ASInt64)m.top - top});
  if (over <= kMarksOffTolerance) return;
  if (info->sheetsWithMarksOff++ == 0) info->firstSheetWithMarksOff = sheet;
  info->marksOverhang = (ASFixed)std::min<ASInt64>(std::max<ASInt64>(info->marksOverhang, over), 0x7FFFFFFF);
}

}  // namespace

void PageMergeNoteMark(SPageMergeInfo* info, ASFixed x, ASFixed y) {
  if (!info) return;
  ASFixedRect& m = info->marksBox;
  if (!info->marksDrawn) {
    m = ASFixedRect{x, y, x, y};
    info->marksDrawn = 1;
    return;
  }
  m.left = std::min(m.left, x);
  m.right = std::max(m.right, x);
  m.bottom = std::min(m.bottom, y);
  m.top = std::max(m.top, y);
}

void FinishMergeToNewPage(SPageMergeInfo* info, ASInt32 after, ASFixedRect mediaBox) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  // A form left open by a failed placement is not the sheet's content.
  TerminateWritingFormXObject(info);
  PDDoc target = info->targetDoc;
  CosDoc cosDoc = PDDocGetCosDoc(target);
  PageMergeEndSegment(info);
  CosObj contents = KCosNewStreamFromSegment(info->contentStream, cosDoc, 1,
                                             info->compress ? info->compressionDict : CosNewNull());
  ProgressStep(info);

  PDPage page = nullptr;
  DURING
    page = PDDocCreatePage(target, after, mediaBox);
  HANDLER
    DestroyQuietly(contents);
    RERAISE();
  END_HANDLER
  DURING
    ProgressStep(info);
    CosObj pageDict = PDPageGetCosObj(page);
    CosDictPut(pageDict, atom[K_Contents], contents);
    CosDictPut(pageDict, atom[K_Resources], MergeResultResourceDict(info->merge));
    ForceIgnoreInheritedPageObjects(page);
    ApplySheetGroup(info, pageDict, CosDictGet(pageDict, atom[K_Resources]));
    CosDictPut(pageDict, ImposedAtom(), info->impositionDict);
    if (info->tr2Seen && info->tr2FixMode) FixTr2InPage(page, 1);
    PDPageNotifyContentsDidChangeEx(page, 0);
  HANDLER
    // A half-made sheet does not stay in the document.
    ASInt32 number = -1;
    DURING
      number = PDPageGetNumber(page);
    HANDLER
    END_HANDLER
    PDPageRelease(page);
    if (number >= 0) {
      DURING
        PDDocDeletePages(target, number, number, nullptr, nullptr);
      HANDLER
      END_HANDLER
    }
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
  ProgressStep(info);
  NoteMarksOffSheet(info, mediaBox);

  DestroyMergeResourceInfo(std::exchange(info->merge, nullptr));
  TempStreamReset(info->contentStream);
  DestroyQuietly(std::exchange(info->compressionDict, CosNewNull()));
  info->compress = 0;
  info->impositionDict = CosNewNull();
  info->sheetGroup = CosNewNull();
  ProgressStep(info);
  info->state = kPageMergeIdle;
}

// ---- accessors -------------------------------------------------------------------------

PDDoc PageMergeGetTargetPDDoc(SPageMergeInfo* info) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  return info->targetDoc;
}

SMergeResourceInfo* PageMergeGetMergeResourceInfo(SPageMergeInfo* info) {
  PageMergeCheckState(info, kPageMergeSheetOpen);
  return info->merge;
}

void TerminateWritingFormXObject(SPageMergeInfo* info) {
  if (!info || !info->writingForm) return;
  info->writingForm = 0;
  // What the form did not flush belongs to a form that is given up.
  info->pendingUsed = 0;
  SGenFileInfo* formStream = info->contentStream;
  SMergeResourceInfo* formMerge = info->merge;
  info->contentStream = std::exchange(info->savedContentStream, nullptr);
  info->contentFile = std::exchange(info->savedContentFile, nullptr);
  info->merge = std::exchange(info->savedMerge, nullptr);
  if (formMerge != info->merge) DestroyMergeResourceInfo(formMerge);
  if (formStream != info->contentStream) DestroyTempFile(formStream);
}

void AddPageInfoToImpositionDict(CosObj impositionDict, ASAtom pageID, CosObj timeStamp, CosObj pageDict) {
  InitGlobalAtomTable();
  CosDoc cosDoc = CosObjGetDoc(impositionDict);
  CosObj info = CopyDict(pageDict, 0);
  if (CosObjGetType(info) != CosDict) info = CosNewDict(cosDoc, 1, 10);
  for (EGlobalAtom key : {K_Contents, K_Type, K_Parent, K_Annots, K_Resources}) CosDictRemove(info, atom[key]);

  static const ASAtom kDur = ASAtomFromString("Dur"), kHid = ASAtomFromString("Hid"),
                     kTrans = ASAtomFromString("Trans");
  const ASAtom inherited[] = {atom[K_MediaBox], atom[K_CropBox], atom[K_Rotate], kDur, kHid, kTrans, atom[K_AA]};
  for (ASAtom key : inherited) {
    if (CosObjGetType(CosDictGet(info, key)) != CosNull) continue;
    CosObj value = FindInheritedPageObject(pageDict, key);
    if (CosObjGetType(value) != CosNull) CosDictPut(info, key, CopyObjIfDirect(value));
  }

  if (CosObjGetType(timeStamp) != CosString) timeStamp = NewAcrobatTimeStampObj(cosDoc, 0);
  CosDictPutKeyString(info, "KRVL_imposetime", timeStamp);
  char name[256];
  name[0] = 0;
  GetTheComputerName(name, (ASInt32)sizeof name);
  if (name[0]) CosDictPutKeyString(info, "KRVL_imposecomputer", CosNewString(cosDoc, 0, name, std::strlen(name)));
  name[0] = 0;
  GetTheUserName(name, (ASInt32)sizeof name);
  if (name[0]) CosDictPutKeyString(info, "KRVL_imposeuser", CosNewString(cosDoc, 0, name, std::strlen(name)));
  CosDictPut(impositionDict, pageID, info);
}

// ---- page utilities -------------------------------------------------------------------------

ASBool RemoveAnyBleed(PDDoc doc, ASInt32 first, ASInt32 last, ASBool prompt, ASBool* alreadyPrompted) {
  InitGlobalAtomTable();
  if (first < 0) first = 0;
  if (last < 0) last = PDDocGetNumPages(doc) - 1;
  bool asked = false;
  for (ASInt32 i = first; i <= last; ++i) {
    PDPage page = PDDocAcquirePage(doc, i);
    bool refused = false;
    DURING
      if (!PageHasBleeds(page)) {
        CosObj dict = PDPageGetCosObj(page);
        if (CosDictKnown(dict, atom[K_TrimBox])) CosDictRemove(dict, atom[K_TrimBox]);
        if (CosDictKnown(dict, atom[K_BleedBox])) CosDictRemove(dict, atom[K_BleedBox]);
      } else {
        if (!asked && prompt) {
          asked = true;
          if (!(alreadyPrompted && *alreadyPrompted)) {
            if (alreadyPrompted) *alreadyPrompted = 1;
            refused = !ConfirmMessageUTF8(GetMessageFromTableByKey(gSystemMessageTable, "pagemg.2.confirm.losebleed"), 1);
          }
        }
        if (!refused) SetPageBleedRect(page, kBleedAll, nullptr);
      }
    HANDLER
      PDPageRelease(page);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
    if (refused) return 0;
  }
  return 1;
}

void PrefixPageContents(PDPage page, const char* text) {
  InitGlobalAtomTable();
  if (!text) text = "";
  CosObj pageDict = PDPageGetCosObj(page);
  CosDoc cosDoc = CosObjGetDoc(pageDict);
  size_t length = std::strlen(text);
  ASStm stm = ASMemStmRdOpen(text, length);
  CosObj stream = CosNewNull();
  DURING
    stream = CosNewStream(cosDoc, 1, stm, cosNewStreamCurrentPos, 1, CosNewNull(), CosNewNull(), (ASInt32)length);
  HANDLER
    ASStmClose(stm);
    RERAISE();
  END_HANDLER
  ASStmClose(stm);

  CosObj contents = CosDictGet(pageDict, atom[K_Contents]);
  switch (CosObjGetType(contents)) {
    case CosArray:
      CosArrayInsert(contents, 0, stream);
      break;
    case CosStream: {
      CosObj array = CosNewArray(cosDoc, 0, 2);
      CosArrayPut(array, 0, stream);
      CosArrayPut(array, 1, contents);
      CosDictPut(pageDict, atom[K_Contents], array);
      break;
    }
    case CosNull:
      CosDictPut(pageDict, atom[K_Contents], stream);
      break;
    default:
      // Contents of another type are no content the engine can extend.
      DestroyQuietly(stream);
      break;
  }
}

ASBool PageHasPatterns(PDPage page) {
  InitGlobalAtomTable();
  CosObj resources = CosDictGet(PDPageGetCosObj(page), atom[K_Resources]);
  if (CosObjGetType(resources) != CosDict) return 0;
  return CosObjGetType(CosDictGet(resources, atom[K_Pattern])) == CosDict;
}
