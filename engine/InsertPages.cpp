#include "engine/InsertPages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/EngineImports.h"
#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "engine/TemplatePages.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KCab.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/RunCab.h"
#include "host/ASFixed.h"
#include "kctl/StatusBox.h"
#include "pdftools/CosRect.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageWalk.h"
#include "pdftools/StructRecovery.h"

using namespace engine_detail;

ASInt32 newDocumentNumber = 0;
ASErrorCode impUtil1ExceptionNoFile = 0;
ASErrorCode impUtil1ExceptionCannotOpen = 0;

namespace {

constexpr const char kCreator[] = "Korvel Velmora 3.0k";
constexpr const char kBatchCurrentPageKey[] = "imputil1.err.batchcurrentpage";

const SKCabEnumWord kWhereWords[] = {{kInsertBeforeCur, "BeforeCur"}, {kInsertAfterCur, "AfterCur"},
                                     {kInsertAtStart, "AtStart"},     {kInsertAtEnd, "AtEnd"},
                                     {kInsertNewDoc, "NewDoc"},       {kInsertAfterNum, "AfterNum"},
                                     {kInsertBeforeCur, nullptr}};

enum { kCondAlways = 0, kCondIf = 1, kCondUnless = 2, kCondUntil = 3 };
const SKCabEnumWord kConditionWords[] = {
    {kCondAlways, "Always"}, {kCondIf, "If"}, {kCondUnless, "Unless"}, {kCondUntil, "Until"}, {-1, nullptr}};
enum { kRelOdd = 0, kRelEven = 1, kRelLessThan = 2, kRelAtLeast = 3, kRelDivisibleBy = 4 };
const SKCabEnumWord kRelationWords[] = {{kRelOdd, "Odd"},         {kRelEven, "Even"},
                                        {kRelLessThan, "LessThan"}, {kRelAtLeast, "AtLeast"},
                                        {kRelDivisibleBy, "DivisibleBy"}, {-1, nullptr}};

enum { kSizeSameAsCur = 0, kSizeCustom = 1, kSizeSameAsPage = 2 };
const SKCabEnumWord kWhatSizeWords[] = {
    {kSizeSameAsCur, "SameAsCur"}, {kSizeCustom, "Custom"}, {kSizeSameAsPage, "SameAsPage"}, {-1, nullptr}};

// An atom entry through its words: absent gives absentValue, an unknown word
// the table's default.
ASInt32 EnumFromCab(SKCab* cab, const char* key, const SKCabEnumWord* words, ASInt32 absentValue) {
  if (KCabGetType(cab, key) != kKCabTypeAtom) return absentValue;
  return KCabEkAtomToEnumTable(KCabGetAtom(cab, key, ASAtomNull), words);
}

// Current-page positions need a window on the document.
bool RefersToCurrentPage(EInsertWhere where) { return where == kInsertBeforeCur || where == kInsertAfterCur; }

// The status box's monitor when shown, else the null one.
ProgressMonitor ChooseMonitor(ASBool showStatus, void** data) {
  return showStatus ? StatusBoxGetProgressMonitor(data, 0) : GetNullProgressMonitor(data);
}

// Copies the boxes and rotation a blank page takes from its reference page.
void CopyReferenceBoxes(PDPage page, CosObj ref) {
  CosObj rotate = CosDictGet(ref, ASAtomFromString("Rotate"));
  if (CosObjGetType(rotate) == CosInteger || CosObjGetType(rotate) == CosReal) {
    ASInt32 r = CosIntegerValue(rotate);
    if (r == 0 || r == 90 || r == 180 || r == 270) PDPageSetRotate(page, r);
  }
  for (const char* name : {"CropBox", "TrimBox", "ArtBox", "BleedBox"}) {
    ASFixedRect rect;
    const ASAtom box = ASAtomFromString(name);
    if (LoadRect(CosDictGet(ref, box), &rect)) PDPageSetBox(page, box, rect);
  }
}

}  // namespace

void SetupExceptions() {
  if (!impUtil1ExceptionNoFile) impUtil1ExceptionNoFile = ASRegisterErrorStringUTF8(2, Msg("common.err.nofile"));
  if (!impUtil1ExceptionCannotOpen)
    impUtil1ExceptionCannotOpen = ASRegisterErrorStringUTF8(2, Msg("cmd.list.3.a.6"));
}

EInsertWhere InsertWhereFromCab(SKCab* params) {
  return (EInsertWhere)EnumFromCab(params, "Where", kWhereWords, kInsertBeforeCur);
}

PDDoc NewInsertDocument() {
  PDDoc doc = PDDocCreate();
  DURING
    MungeMetadataAfterPDDocCreate(doc);
    PDDocSetInfo(doc, "Creator", kCreator, (ASInt32)std::strlen(kCreator));
  HANDLER
    PDDocClose(doc);
    RERAISE();
  END_HANDLER
  return doc;
}

ASInt32 InsertWhereToPageNumBeforeEx(AVPageView view, PDDoc doc, EInsertWhere where, ASInt32 pageNum) {
  switch (where) {
    case kInsertBeforeCur:
      return view ? std::max<ASInt32>(AVPageViewGetPageNum(view) - 1, -1) : -1;
    case kInsertAfterCur:
      return view ? AVPageViewGetPageNum(view) : -1;
    case kInsertAtStart:
      return -1;
    case kInsertAtEnd: {
      if (!doc && view) doc = AVDocGetPDDoc(AVPageViewGetAVDoc(view));
      return doc ? PDDocGetNumPages(doc) - 1 : -1;
    }
    case kInsertAfterNum:
      return pageNum;
    default:
      return -1;
  }
}

ASBool InsertPlaceExists(PDDoc doc, EInsertWhere where, ASInt32 after) {
  const ASInt32 pages = doc ? PDDocGetNumPages(doc) : 0;
  if (after >= -1 && after < pages) return 1;
  // Inserting nothing would fail without a word: the page asked for is named.
  if (where == kInsertAfterNum && after >= pages) {
    char text[400];
    FormatMsg(text, sizeof text, "imputil1.err.afterpage", "ddd", (int)std::min<ASInt64>((ASInt64)after + 1, 0x7FFFFFFF),
              (int)pages, (int)pages);
    ErrMessageUTF8(text);
  }
  return 0;
}

ASInt32 InsertPageConditionGetMaxToInsert(SKCab* params, ASInt32 n) {
  const ASInt32 condition = EnumFromCab(params, "Condition", kConditionWords, kCondAlways);
  const ASInt32 relation = EnumFromCab(params, "ConditionRelation", kRelationWords, kRelEven);
  if (condition == kCondAlways || condition < 0 || relation < 0) return kInsertNoLimit;
  const ASInt64 k = KCabGetInt(params, "ConditionNumber", 0);
  bool holds = false;  // the relation's test on n
  ASInt64 until = 0;   // pages Until inserts
  switch (relation) {
    case kRelOdd:
      holds = (n & 1) != 0;
      until = holds ? 0 : 1;
      break;
    case kRelEven:
      holds = (n & 1) == 0;
      until = holds ? 0 : 1;
      break;
    case kRelLessThan:
      holds = n < k;
      // Adding pages never makes the count smaller.
      if (condition == kCondUntil) return holds ? 0 : kInsertNoLimit;
      break;
    case kRelAtLeast:
      holds = n >= k;
      until = std::max<ASInt64>(k - n, 0);
      break;
    case kRelDivisibleBy: {
      // Only 0 is a multiple of 0; a negative divisor counts as its size.
      const ASInt64 d = k < 0 ? -k : k;
      if (d == 0) {
        holds = n == 0;
        until = 0;
      } else {
        const ASInt64 rest = n % d;
        holds = rest == 0;
        until = holds ? 0 : d - rest;
      }
      break;
    }
    default:
      return kInsertNoLimit;
  }
  switch (condition) {
    case kCondIf:
      return holds ? kInsertNoLimit : 0;
    case kCondUnless:
      return holds ? 0 : kInsertNoLimit;
    default:
      return (ASInt32)std::min<ASInt64>(until, kInsertNoLimit);
  }
}

// ---- blank pages

ASBool InsertBlankPages(AVPageView view, PDDoc doc, ASFixed width, ASFixed height, CosObj refPage, EInsertWhere where,
                        ASInt32 count, ASInt32 pageNum, ASBool showStatus, ASInt32* firstInserted) {
  void* monitorData = nullptr;
  ProgressMonitor monitor = ChooseMonitor(showStatus, &monitorData);
  const bool pdfx = gPDFXMode == 1 && doc && where != kInsertNewDoc && GetFilePDFXClassification(doc) != 0;
  if (count < 1) {
    if (firstInserted) *firstInserted = 0;
    return 1;
  }
  if (count > kInsertMaxPages) {
    ReportTooManyPages(count);
    return 0;
  }

  ASFixedRect mediaBox{0, height, width, 0};
  const bool copyBoxes = CosObjGetType(refPage) == CosDict && LoadRect(CosDictGet(refPage, ASAtomFromString("MediaBox")), &mediaBox);
  // A size of 0 is what a page trimmed to nothing has, and a blank like it is
  // legal; a user's size of 0 is refused where it is read (template pages).
  if (!copyBoxes && (width < 0 || height < 0)) {
    ErrorKey("common.err.nopagesize");
    return 0;
  }

  if (!doc) where = kInsertNewDoc;
  ASInt32 after = -1;
  bool madeDoc = false;
  if (where == kInsertNewDoc) {
    doc = NewInsertDocument();
    madeDoc = true;
  } else {
    after = InsertWhereToPageNumBeforeEx(view, doc, where, pageNum);
    if (!InsertPlaceExists(doc, where, after)) return 0;
  }

  if (showStatus) {
    char text[400];
    FormatMsg(text, sizeof text, "imputil1.stat.insertingpages", "d", (int)count);
    SetStatusBoxTextUtf8(text);
  }
  ProgressMonitorBegin(monitor, monitorData);
  ProgressMonitorSetDuration(monitor, count, monitorData);

  bool done = true;
  DURING
    for (ASInt32 i = 0; i < count; ++i) {
      ProgressMonitorSetCurrValue(monitor, i, monitorData);
      if (showStatus && CheckStatusBoxCancel(nullptr)) {
        char text[400];
        FormatMsg(text, sizeof text, "imputil1.insertcancelled", "d", (int)i);
        ErrMessageUTF8(text);
        done = false;
        break;
      }
      PDPage page = PDDocCreatePage(doc, after + i, mediaBox);
      DURING
        if (copyBoxes) CopyReferenceBoxes(page, refPage);
        if (pdfx) PDFXImpositionPageSetting(page);
      HANDLER
        PDPageRelease(page);
        RERAISE();
      END_HANDLER
      PDPageRelease(page);
    }
    if (madeDoc) {
      madeDoc = false;  // the window owns it now
      OpenTitledWindow(doc, "imputil1.title.blankdocument", ++newDocumentNumber);
    }
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    if (showStatus) CloseStatusBox();
    if (madeDoc) PDDocClose(doc);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  if (showStatus) CloseStatusBox();
  if (firstInserted) *firstInserted = after + 1;
  return done ? 1 : 0;
}

ASBool InsertBlankPagesFromCab(AVPageView view, PDDoc doc, SKCab* params, ASBool showStatus, ASInt32* firstInserted,
                               ASInt32* countOut) {
  ASInt32 count = KCabGetInt(params, "Count", -1);
  if (countOut) *countOut = 0;
  if (count == 0) {
    if (firstInserted) *firstInserted = 0;
    return 1;
  }
  const EInsertWhere where = InsertWhereFromCab(params);
  const ASInt32 whatSize = EnumFromCab(params, "WhatSize", kWhatSizeWords, kSizeSameAsCur);
  if (!doc && view) doc = AVDocGetPDDoc(AVPageViewGetAVDoc(view));

  STemplateInfo templ;
  std::memset(&templ, 0, sizeof templ);
  ASFixed width = 0, height = 0;
  CosObj ref = CosNewNull();
  if (whatSize == kSizeCustom) {
    if (!ExportedPageSizeFillTemplateInfo(params, "Page", &templ, 1)) {
      ErrorKey("common.err.nopagesize");
      return 0;
    }
  } else if ((whatSize == kSizeSameAsPage || whatSize == kSizeSameAsCur) && doc && PDDocGetNumPages(doc) < 1) {
    // No page to take the size from: the size a page without a media box shows.
    width = ASInt32ToFixed(612);
    height = ASInt32ToFixed(792);
  } else if (whatSize == kSizeSameAsPage || whatSize == kSizeSameAsCur) {
    ASInt32 pageIndex = 0;
    if (whatSize == kSizeSameAsPage) {
      if (!doc || PDDocGetNumPages(doc) < 1) {
        ErrorKey("common.err.noopendocument");
        return 0;
      }
      pageIndex = std::min(GetSinglePageRangeElem(params, "SizeAsPage", doc, 1), PDDocGetNumPages(doc) - 1);
    } else {
      if (!view) {
        ErrorKey(kBatchCurrentPageKey);
        return 0;
      }
      pageIndex = AVPageViewGetPageNum(view);
    }
    PDPage page = PDDocAcquirePage(doc, pageIndex);
    DURING
      ASFixedPoint size{0, 0};
      GetTranslatedPageSize(page, &size, kSizeVisible);
      width = size.h;
      height = size.v;
      if (gCloneBlankPageBoxes) ref = PDPageGetCosObj(page);
    HANDLER
      PDPageRelease(page);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
  } else {
    return 0;
  }
  if (!view && RefersToCurrentPage(where)) {
    ErrorKey(kBatchCurrentPageKey);
    return 0;
  }

  const ASInt32 limit = InsertPageConditionGetMaxToInsert(params, doc ? PDDocGetNumPages(doc) : 0);
  count = std::min(count, limit);
  if (countOut) *countOut = std::max<ASInt32>(count, 0);
  if (count < 1) {
    if (firstInserted) *firstInserted = 0;
    return 1;
  }
  ASInt32 pageNum = -1;
  if (where == kInsertAfterNum) pageNum = GetSinglePageRangeElem(params, "PageNum", doc, 0);
  if (whatSize == kSizeCustom) {
    return InsertTemplatePages(view, doc, &templ, KCabGetInt(params, "Offset", 0), where, count, pageNum, showStatus,
                               showStatus, firstInserted);
  }
  return InsertBlankPages(view, doc, width, height, ref, where, count, pageNum, showStatus, firstInserted);
}

// ---- file pages

namespace {

// Adds the duplicates of the inserted run [start, start + count): collated
// runs appended after the run, or each page's copies right after it. Every
// duplicate spends one page of the allowance; a cancel stops at once.
// Returns false when cancelled.
bool AddCopies(PDDoc doc, ASInt32 start, ASInt32 count, ASInt32 copies, ASBool collate, ASInt64 allowance,
               ProgressMonitor monitor, void* monitorData, ASBool showStatus) {
  const ASInt64 wanted = (ASInt64)(copies - 1) * count;
  const ASInt64 total = std::min(wanted, allowance);
  ASInt32 progress = 0;
  auto step = [&]() -> bool {
    ProgressMonitorSetCurrValue(monitor, ++progress, monitorData);
    return !(showStatus && CheckStatusBoxCancel(nullptr));
  };
  if (collate) {
    ASInt32 end = start + count - 1;  // the last page inserted so far
    for (ASInt64 made = 0; made < total;) {
      for (ASInt32 j = 0; j < count && made < total; ++j, ++made) {
        PDDocDuplicatePage(doc, start + j, end, 1);
        ++end;
        if (!step()) return false;
      }
    }
    return true;
  }
  // Not collated: the first pages of the run get their copies first, so that
  // a short allowance is spent as the collated road spends it.
  for (ASInt32 j = count - 1; j >= 0; --j) {
    const ASInt64 share = std::clamp<ASInt64>(total - (ASInt64)j * (copies - 1), 0, copies - 1);
    for (ASInt64 c = 0; c < share; ++c) {
      PDDocDuplicatePage(doc, start + j, start + j, 1);
      if (!step()) return false;
    }
  }
  return true;
}

}  // namespace

ASBool InsertFilePages(PDDoc doc, ASInt32 after, SKCab* params, ASBool showStatus, ASInt32* insertedCount) {
  if (insertedCount) *insertedCount = 0;
  const ASInt32 oldCount = PDDocGetNumPages(doc);
  void* monitorData = nullptr;
  ProgressMonitor monitor = ChooseMonitor(showStatus, &monitorData);
  void* cancelData = nullptr;
  CancelProc cancel = showStatus ? StatusBoxGetCancelProc(&cancelData) : GetNullCancelProc(&cancelData);
  ASInt64 allowance = InsertPageConditionGetMaxToInsert(params, oldCount);

  SetupExceptions();
  const char* path = KCabGetString(params, "Path");
  const char* diPath = KCabGetString(params, "DIPath");
  if (!path && !diPath) ASRaise(impUtil1ExceptionNoFile);
  const ASInt32 copies = KCabGetInt(params, "Copies", 1);
  if (copies < 1) return 0;
  if (after < -1 || after >= oldCount) return 0;

  bool wasOpen = false;
  PDDoc source = nullptr;
  // A file that does not open is told as it was looked for, and why.
  if (path) {
    wasOpen = FindOpenPDDocForUTF8Path(path) != nullptr;
    source = OpenExistingPDDocFromUtf8StringReport(path, 1);
  } else {
    wasOpen = FindOpenPDDocForDIPath(diPath) != nullptr;
    source = OpenExistingPDDocFromDIPath(diPath, 1);
  }
  if (!source) return 0;
  if (!VerifyBackgroundBeforeImposition(doc, source)) {
    PDDocClose(source);
    return 0;
  }

  ASInt32 count = 0;
  bool cancelled = false;
  bool refused = false;
  DURING
    if (!wasOpen && DocHasStructure(source)) RemoveDocStructure(source);
    const ASInt32 last = PDDocGetNumPages(source) - 1;
    ASInt32 first = 0, to = last;
    if (KCabGetAtom(params, "Range", ASAtomFromString("AllDoc")) != ASAtomFromString("AllDoc")) {
      first = std::max<ASInt32>(GetSinglePageRangeElem(params, "FromPage", source, 0), 0);
      ASInt32 want = GetSinglePageRangeElem(params, "ToPage", source, 0);
      to = want < 0 ? last : std::min(want, last);
    }
    if (first > last) {
      ErrorKey("imutil1.error.firstpage.outofrange");
      refused = true;
    } else if (to < first) {
      // A range that ends before it starts would insert nothing and be done.
      char text[400];
      FormatMsg(text, sizeof text, "imutil1.error.lastbeforefirst", "dd", (int)to + 1, (int)first + 1);
      ErrMessageUTF8(text);
      refused = true;
    } else {
      count = (ASInt32)std::clamp<ASInt64>((ASInt64)to - first + 1, 0, allowance);
      const ASInt64 extra =
          std::min<ASInt64>((ASInt64)(copies - 1) * count, std::max<ASInt64>(allowance - count, 0));
      const ASInt64 gain = count + extra;
      if (gain > kInsertMaxPages) {
        ReportTooManyPages(gain);
        refused = true;
      }
    }
    if (!refused) {
      if (showStatus) {
        char text[400];
        FormatMsg(text, sizeof text, "imputil1.stat.insertingpages", "d", (int)count);
        SetStatusBoxTextUtf8(text);
      }
      ProgressMonitorBegin(monitor, monitorData);
      if (count >= 1) {
        DURING
          // Plain pages: no provenance stamps and none of the file's command history.
          PDDocInsertPagesWithBadStructRecovery(doc, after, source, first, count, PDInsertAll, monitor, monitorData,
                                                cancel, cancelData);
        HANDLER
          if (ERRORCODE != genErrCancelled) RERAISE();
          cancelled = true;
        END_HANDLER
        allowance -= count;
      }
      if ((showStatus && TestStatusCancelFlag()) || PDDocGetNumPages(doc) != oldCount + count) cancelled = true;
      if (gPDFXMode == 1) PreservePDFXIntoImposedDoc(source, doc);
      ProgressMonitorEnd(monitor, monitorData);
    }
    PDDocClose(source);
    source = nullptr;
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    if (showStatus) CloseStatusBox();
    if (source) PDDocClose(source);
    RERAISE();
  END_HANDLER
  if (refused) return 0;

  DURING
    if (!cancelled && copies > 1 && count > 0 && allowance > 0) {
      ProgressMonitorBegin(monitor, monitorData);
      ProgressMonitorSetDuration(monitor, (ASInt32)std::min<ASInt64>((ASInt64)(copies - 1) * count, 0x7FFFFFFF),
                                 monitorData);
      if (showStatus) SetStatusBoxTextUtf8(Msg("impdoc.status.duplicating"));
      cancelled = !AddCopies(doc, after + 1, count, copies, KCabGetBool(params, "Collate", 1), allowance, monitor,
                             monitorData, showStatus);
    }
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    if (showStatus) CloseStatusBox();
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  if (showStatus) CloseStatusBox();
  const ASInt32 gained = PDDocGetNumPages(doc) - oldCount;
  if (cancelled) {
    char text[400];
    FormatMsg(text, sizeof text, "imputil1.insertcancelled", "d", (int)gained);
    ErrMessageUTF8(text);
  }
  if (insertedCount) *insertedCount = gained;
  return cancelled ? 0 : 1;
}

ASBool InsertFilePagesFromCab(AVPageView view, PDDoc doc, SKCab* params, ASBool showStatus, ASInt32* firstInserted,
                              ASInt32* insertedCount) {
  EInsertWhere where = InsertWhereFromCab(params);
  if (!view && RefersToCurrentPage(where)) {
    ErrorKey(kBatchCurrentPageKey);
    return 0;
  }
  if (!doc && view) doc = AVDocGetPDDoc(AVPageViewGetAVDoc(view));
  if (!doc) where = kInsertNewDoc;
  PDDoc made = nullptr;
  ASInt32 after = -1;
  if (where == kInsertNewDoc) {
    made = doc = NewInsertDocument();
  } else {
    ASInt32 pageNum = where == kInsertAfterNum ? GetSinglePageRangeElem(params, "PageNum", doc, 0) : -1;
    after = InsertWhereToPageNumBeforeEx(view, doc, where, pageNum);
    if (!InsertPlaceExists(doc, where, after)) return 0;
  }
  if (firstInserted) *firstInserted = after + 1;
  ASBool ok = 0;
  DURING
    ok = InsertFilePages(doc, after, params, showStatus, insertedCount);
  HANDLER
    if (made) PDDocClose(made);
    RERAISE();
  END_HANDLER
  if (!ok) {
    if (made) PDDocClose(made);
    return 0;
  }
  if (made) OpenTitledWindow(made, "imputil1.title.blankdocument", ++newDocumentNumber);
  return 1;
}

const SKCabEnumWord* InsertPagesParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Where") == 0) return kWhereWords;
  if (std::strcmp(key, "Condition") == 0) return kConditionWords;
  if (std::strcmp(key, "ConditionRelation") == 0) return kRelationWords;
  if (std::strcmp(key, "WhatSize") == 0) return kWhatSizeWords;
  return nullptr;
}
