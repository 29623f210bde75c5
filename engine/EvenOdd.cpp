#include "engine/EvenOdd.h"

#include <algorithm>
#include <cstring>

#include "engine/EngineImports.h"
#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "engine/InsertPages.h"
#include "foundation/AVUTF8.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KCab.h"
#include "foundation/RunCab.h"
#include "kctl/KCtlStock.h"
#include "kctl/StatusBox.h"
#include "pdftools/PageStamp.h"
#include "engine/StatusWalk.h"
#include "pdftools/PageWalk.h"
#include "pdftools/StructRecovery.h"

using namespace engine_detail;

ASInt32 gEvenOddShuffledNumber = 0;
ASInt32 gJoinedDocNumber = 0;
ASInt32 gReversedDocNumber = 0;

const SKCabEnumWord kEvenOddActionWords[] = {{kEvenOddNo, "No"},
                                             {kEvenOddOddsFirst, "OddsFirst"},
                                             {kEvenOddSplit, "Split"},
                                             {kEvenOddMerge, "Merge"},
                                             {kEvenOddNo, nullptr}};

namespace {

// The phases' weights on the status line: their times on a book of 10,000
// pages, in hundredths of a second. Copying the book, moving the even pages
// to its end (or interleaving them), turning and reversing half of it, and
// taking half of it away.
constexpr ASInt32 kCopyWeight = 75;
constexpr ASInt32 kMoveWeight = 10;
constexpr ASInt32 kTurnWeight = 3;
constexpr ASInt32 kReverseWeight = 10;
constexpr ASInt32 kDeleteWeight = 5;

// Leaves half-done work: the handler ends it quietly.
[[noreturn]] void Bail() { ASRaise(ShouldNotOccurError()); }

bool IsBail(ASErrorCode code) { return code == ShouldNotOccurError(); }

// Documents closed when the work fails, unless handed to a window.
struct SMadeDocs {
  PDDoc docs[2] = {nullptr, nullptr};
  PDDoc Add(PDDoc doc) {
    if (!doc) ASRaise(genErrNoMemory);
    for (PDDoc& d : docs) {
      if (!d) {
        d = doc;
        break;
      }
    }
    return doc;
  }
  AVDoc Open(PDDoc doc, const char* key, ASInt32 number) {
    for (PDDoc& d : docs)
      if (d == doc) d = nullptr;
    return OpenTitledWindow(doc, key, number);
  }
  void CloseAll() {
    for (PDDoc& d : docs) {
      if (d) PDDocClose(d);
      d = nullptr;
    }
  }
};

// Copies all pages of source into a new document made from it; bails out on a cancel.
PDDoc CopyIntoNew(SMadeDocs& made, PDDoc source, ASBool removeStructure) {
  PDDoc copy = made.Add(PDDocCreatePerhapsClonePDFX(source));
  if (!CopyAllPagesStamped(copy, source, removeStructure)) Bail();
  return copy;
}

ASFixedPoint LastPageSize(PDDoc doc, PDDoc fallback) {
  if (PDDocGetNumPages(doc) > 0) return VisibleSize(doc, PDDocGetNumPages(doc) - 1);
  return VisibleSize(fallback, PDDocGetNumPages(fallback) - 1);
}

// No and OddsFirst. askJustCopy: a copy alone is confirmed first.
ASUns16 NoOrOddsFirst(AVDoc view, PDDoc doc, ASInt32 action, bool newDoc, bool flip, bool reverse, bool askJustCopy,
                      AVDoc* resultView) {
  const ASInt32 n = PDDocGetNumPages(doc);
  if (action == kEvenOddNo) {
    if (!reverse && !flip && !newDoc) {
      ErrorKey("pagemg.6.willdonothing");
      return 0;
    }
    if (n <= 1) {
      ErrorKey("pagemg.6.justonepage");
      return 0;
    }
    if (askJustCopy && !reverse && !flip && !ConfirmKey("pagemg.6.willjustcopy")) return 0;
  } else if (n < 3) {
    ErrorKey("pagemg.6.lessthanthree");
    return 0;
  }
  SMadeDocs made;
  const bool oddsFirst = action == kEvenOddOddsFirst;
  const ASInt32 total = (newDoc ? kCopyWeight : 0) + (oddsFirst ? kMoveWeight : 0) + (flip ? kTurnWeight : 0) +
                        (reverse ? kReverseWeight : 0);
  DURING
    PDDoc work = doc;
    if (newDoc) {
      SStatusBoxPart part(kCopyWeight, total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingpages"));
      work = CopyIntoNew(made, doc, gRemoveStructureInNewDoc);
    }
    const char* turning = Msg("pagemg.6.status.turningpages");
    if (oddsFirst) {
      SStatusBoxPart part(kMoveWeight, total);
      if (!PDDocEvenPagesToEnd(work)) Bail();
    }
    if (flip) {
      SStatusBoxPart part(kTurnWeight, total);
      const bool turned = oddsFirst ? ForEachPageWithStatus(work, (n + 1) / 2, -1, 1, turning, InvertOnePage, nullptr)
                                    : ForEachPageWithStatus(work, 1, -1, 2, turning, InvertOnePage, nullptr);
      if (!turned) Bail();
    }
    if (reverse) {
      SStatusBoxPart part(kReverseWeight, total);
      const bool reversed = oddsFirst ? PDDocReversePageRun(work, (n + 1) / 2, n - 1, 1)
                                      : PDDocReversePageRun(work, 1, (n % 2 == 0) ? n - 1 : n - 2, 2);
      if (!reversed) Bail();
    }
    AVDoc result = view;
    if (newDoc) result = made.Open(work, "pagemg.6.title.shuffled", ++gEvenOddShuffledNumber);
    if (resultView) *resultView = result;
    CloseStatusBox();
  HANDLER
    CloseStatusBox();
    made.CloseAll();
    if (IsBail(ERRORCODE)) return 0;
    RERAISE();
  END_HANDLER
  return 1;
}

ASUns16 Split(SEvenOddShuffleInfo* info) {
  PDDoc doc = AVDocGetPDDoc(info->sourceView);
  const ASInt32 n = PDDocGetNumPages(doc);
  if (n < 2) {
    ErrorKey("pagemg.6.cantsplitonepage");
    return 0;
  }
  SMadeDocs made;
  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
  void* cancelData = nullptr;
  CancelProc cancel = StatusBoxGetCancelProc(&cancelData);
  // The even pages are half the book.
  const ASInt32 total = kCopyWeight + kMoveWeight + kCopyWeight / 2 + kDeleteWeight;
  DURING
    PDDoc odds = nullptr;
    {
      SStatusBoxPart part(kCopyWeight, total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingpages"));
      odds = CopyIntoNew(made, doc, gRemoveStructureInNewDoc);
    }
    {
      SStatusBoxPart part(kMoveWeight, total);
      if (!PDDocEvenPagesToEnd(odds)) Bail();
    }
    const ASInt32 h = (n + 1) / 2;
    PDDoc evens = nullptr;
    if (!gRemoveStructureInNewDoc) {
      // A document's tags come only with a copy of all its pages: the even
      // half is such a copy too, its odd pages then taken out, so that both
      // halves keep the tags of their pages.
      SStatusBoxPart part(kCopyWeight / 2, total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingevenpages"));
      evens = CopyIntoNew(made, doc, 0);
      if (!PDDocEvenPagesToEnd(evens)) Bail();
      PDDocDeletePagesWithBadStructRecovery(evens, 0, h - 1, monitor, monitorData);
    } else {
      evens = made.Add(PDDocCreatePerhapsClonePDFX(doc));
      SStatusBoxPart part(kCopyWeight / 2, total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingevenpages"));
      DURING
        PDDocInsertAndStampPages(evens, PDBeforeFirstPage, odds, h, n - h, PDInsertAll, monitor, monitorData, cancel,
                                 cancelData, nullptr, 0, 0, gRemoveStructureInNewDoc);
      HANDLER
        if (ERRORCODE == genErrCancelled) Bail();
        RERAISE();
      END_HANDLER
    }
    if (PDDocGetNumPages(evens) != n - h) Bail();
    SStatusBoxPart tidying(1, 1);
    SetStatusBoxTextUtf8(Msg("pagemg.6.status.tidying"));
    PDDocDeletePagesWithBadStructRecovery(odds, h, n - 1, monitor, monitorData);
    const ASInt32 number = ++gEvenOddShuffledNumber;
    info->resultView = made.Open(odds, "pagemg.6.title.shuffledodds", number);
    info->secondResultView = made.Open(evens, "pagemg.6.title.shuffledevens", number);
    CloseStatusBox();
  HANDLER
    CloseStatusBox();
    made.CloseAll();
    if (IsBail(ERRORCODE)) return 0;
    RERAISE();
  END_HANDLER
  return 1;
}

ASUns16 Merge(SEvenOddShuffleInfo* info) {
  PDDoc oddDoc = AVDocGetPDDoc(info->sourceView);
  PDDoc evenDoc = AVDocGetPDDoc(info->evenView);
  const ASInt32 o = PDDocGetNumPages(oddDoc), e = PDDocGetNumPages(evenDoc);
  if (o + e == 0) {
    ErrorKey("pagemg.6.justonepage");
    return 0;
  }
  ASInt32 padEvens = 0, padOdds = 0;
  if (e < o - 1) {
    if (!ConfirmKey("pagemg.6.confirm.padevens")) return 0;
    padEvens = o - e - 1;
  } else if (e > o) {
    if (!ConfirmKey("pagemg.6.confirm.padodds")) return 0;
    padOdds = e - o;
  }
  SMadeDocs made;
  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
  bool progress = false;
  // Copying each half takes its share of the two copies, by its pages.
  const ASInt32 pages = std::max<ASInt32>(o + e, 1);
  const ASInt32 total = kCopyWeight + kMoveWeight;
  DURING
    PDDoc joined = nullptr;
    {
      SStatusBoxPart part((ASInt32)((ASInt64)kCopyWeight * o / pages), total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingoddpages"));
      joined = CopyIntoNew(made, oddDoc, gRemoveStructureInNewDoc);
    }
    if (padOdds) {
      // An empty document lends no size: the other one's last page does.
      const ASFixedPoint size = LastPageSize(oddDoc, evenDoc);
      if (!InsertBlankPages(nullptr, joined, size.h, size.v, CosNewNull(), kInsertAfterNum, padOdds, o - 1, 0,
                            nullptr))
        Bail();
    }
    {
      SStatusBoxPart part((ASInt32)((ASInt64)kCopyWeight * e / pages), total);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingevenpages"));
      if (!CopyAllPagesStamped(joined, evenDoc, gRemoveStructureInNewDoc)) Bail();
    }
    if (padEvens) {
      const ASFixedPoint size = LastPageSize(evenDoc, oddDoc);
      if (!InsertBlankPages(nullptr, joined, size.h, size.v, CosNewNull(), kInsertAtEnd, padEvens, 0, 0, nullptr))
        Bail();
    }
    const ASInt32 m = PDDocGetNumPages(joined);
    SStatusBoxPart interleaving(1, 1);
    SetStatusBoxTextUtf8(Msg("pagemg.6.status.rearrangingevenodd"));
    ProgressMonitorBegin(monitor, monitorData);
    progress = true;
    ProgressMonitorSetDuration(monitor, m / 2, monitorData);
    ASInt32 j = 0;
    for (ASInt32 i = m - m / 2; i < m; ++i, ++j) {
      ProgressMonitorSetCurrValue(monitor, j, monitorData);
      PDDocMovePage(joined, 2 * j, i);
      if (CheckStatusBoxCancel(nullptr)) Bail();
    }
    ProgressMonitorEnd(monitor, monitorData);
    progress = false;
    info->resultView = made.Open(joined, "pagemg.6.title.joineddoc", ++gJoinedDocNumber);
    CloseStatusBox();
  HANDLER
    if (progress) ProgressMonitorEnd(monitor, monitorData);
    CloseStatusBox();
    made.CloseAll();
    if (IsBail(ERRORCODE)) return 0;
    RERAISE();
  END_HANDLER
  return 1;
}

// The status box's progress around work, which answers false when the user
// cancelled; the progress ends and the box closes on every way out.
template <class Work>
ASUns16 UnderStatusProgress(const char* key, ASInt32 duration, Work&& work) {
  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
  SetStatusBoxTextUtf8(Msg(key));
  ProgressMonitorBegin(monitor, monitorData);
  ProgressMonitorSetDuration(monitor, duration, monitorData);
  bool done = false;
  DURING
    done = work(monitor, monitorData);
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    CloseStatusBox();
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  CloseStatusBox();
  return done ? 1 : 0;
}

void EvenOddStartProc(SKCab* run, SKCab* args) { EvenOddShuffleCallBackStart(run, args); }

}  // namespace

ASBool InvertOnePage(PDPage page, void* /*data*/) {
  const PDRotate r = PDPageGetRotate(page);
  if (r == 0 || r == 90 || r == 180 || r == 270) PDPageSetRotate(page, (r + 180) % 360);
  return 1;
}

ASUns16 PDDocReversePageRun(PDDoc doc, ASInt32 first, ASInt32 last, ASInt32 step) {
  if (step < 1) step = 1;
  const ASInt32 count = PDDocGetNumPages(doc);
  if (first < 0) first = 0;
  if (last >= count) last = count - 1;
  if (first >= last) return 1;
  const ASInt32 mid = first + (last - first) / 2 + 1;
  return UnderStatusProgress("pagemg.6.status.reversingpages", mid - first, [&](ProgressMonitor monitor, void* data) {
    ASInt32 value = 0;
    for (ASInt32 i = first, j = last; i < mid; i += step) {
      const ASInt32 a = std::min(i, j), b = std::max(i, j);
      if (a != b) {
        PDDocMovePage(doc, b, a);
        PDDocMovePage(doc, a - 1, b - 1);
      }
      j -= step;
      value += step;
      ProgressMonitorSetCurrValue(monitor, value, data);
      if (CheckStatusBoxCancel(nullptr)) return false;
    }
    return true;
  });
}

ASUns16 ReverseEntireDocument(PDDoc doc) { return PDDocReversePageRun(doc, 0, PDDocGetNumPages(doc) - 1, 1); }

ASUns16 CopyAndReverseEntireDocument(PDDoc doc) {
  SMadeDocs made;
  ASUns16 result = 0;
  DURING
    SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingpages"));
    PDDoc copy = made.Add(PDDocCreatePerhapsClonePDFX(doc));
    bool copied = false;
    {
      // The whole book is reversed: twice the moves of half of it.
      SStatusBoxPart part(kCopyWeight, kCopyWeight + 2 * kReverseWeight);
      copied = CopyAllPagesStamped(copy, doc, gRemoveStructureInNewDoc);
    }
    if (copied && ReverseEntireDocument(copy)) {
      made.Open(copy, "pagemg.6.title.reverseddoc", ++gReversedDocNumber);
      result = 1;
    }
    CloseStatusBox();
    made.CloseAll();
  HANDLER
    CloseStatusBox();
    made.CloseAll();
    RERAISE();
  END_HANDLER
  return result;
}

ASUns16 PDDocEvenPagesToEnd(PDDoc doc) {
  const ASInt32 n = PDDocGetNumPages(doc), h = n / 2;
  return UnderStatusProgress("pagemg.6.status.movingeventoend", h, [&](ProgressMonitor monitor, void* data) {
    for (ASInt32 k = 1; k <= h; ++k) {
      ProgressMonitorSetCurrValue(monitor, k, data);
      PDDocMovePage(doc, n - 1, k);
      if (CheckStatusBoxCancel(nullptr)) return false;
    }
    return true;
  });
}

ASUns16 PerformEvenOddShuffle(SEvenOddShuffleInfo* info) {
  switch (info->action) {
    case kEvenOddSplit:
      return Split(info);
    case kEvenOddMerge:
      return Merge(info);
    default:
      return NoOrOddsFirst(info->sourceView, AVDocGetPDDoc(info->sourceView), info->action, info->newDoc != 0,
                           info->flipEvens != 0, info->reverseEvens != 0, true, &info->resultView);
  }
}

ASUns16 PerformEvenOddShuffleFromCab(AVDoc view, PDDoc doc, SKCab* params) {
  ASInt32 action = kEvenOddNo;
  if (KCabGetType(params, "Action") == kKCabTypeAtom)
    action = KCabEkAtomToEnumTable(KCabGetAtom(params, "Action", ASAtomNull), kEvenOddActionWords);
  const bool newDoc = KCabGetBool(params, "NewDoc", 0) != 0;
  const bool reverse = KCabGetBool(params, "ReverseEven", 0) != 0;
  const bool flip = KCabGetBool(params, "FlipEven", 0) != 0;
  if (view) doc = AVDocGetPDDoc(view);
  SEvenOddShuffleInfo info{};
  info.action = action;
  info.newDoc = newDoc;
  info.flipEvens = flip;
  info.reverseEvens = reverse;
  info.sourceView = view;
  if (action == kEvenOddSplit) {
    if (!view) {
      ErrorKey("pagemg.6.err.1");
      return 0;
    }
    return PerformEvenOddShuffle(&info);
  }
  if (action == kEvenOddMerge) {
    // The documents the dialog chose, while they are those documents: a
    // window closed since, or another opened at its address, is refused.
    AVDoc odd = KCtlStockExportedDoc(params, "OddAVDoc");
    AVDoc even = KCtlStockExportedDoc(params, "EvenAVDoc");
    if (!odd || !even) {
      ErrorKey("pagemg.6.err.2");
      return 0;
    }
    if (odd == even) {
      // One document merged with itself repeats each of its pages: not a merge.
      char title[300] = "", text[800];
      AVWindowGetTitleUTF8(AVDocGetAVWindow(odd), title, (ASInt32)sizeof title);
      FormatMsg(text, sizeof text, "pagemg.6.err.samedoc", "s", title);
      ErrMessageUTF8(text);
      return 0;
    }
    info.sourceView = odd;
    info.evenView = even;
    return PerformEvenOddShuffle(&info);
  }
  if (!doc) {
    ErrorKey("common.err.noopendocument");
    return 0;
  }
  return NoOrOddsFirst(view, doc, action, newDoc, flip, reverse, false, nullptr);
}

ASInt32 EvenOddShuffleCallBackStart(SKCab* run, SKCab* /*args*/) {
  SKCab* params = KCabGetCab(run, "Params");
  const ASUns16 done =
      params ? PerformEvenOddShuffleFromCab(ProcManGetSourceAVDoc(run), ProcManGetSourcePDDoc(run), params) : 0;
  // A refused or cancelled shuffle must not be recorded as done.
  if (!done) ProcManMarkCancelProcess(run, nullptr);
  return done;
}

void EvenOddShuffleFillProcessControlCab(SKCab* control) {
  KCabPutFunctionPointerNamedType(control, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)EvenOddStartProc,
                                  nullptr);
}

const SKCabEnumWord* EvenOddParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Action") == 0) return kEvenOddActionWords;
  return nullptr;
}
