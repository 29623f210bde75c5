#include "engine/Booklet.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "engine/EngineFixed.h"
#include "engine/EngineImports.h"
#include "engine/EnginePrivate.h"
#include "engine/EvenOdd.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/RunCab.h"
#include "kctl/StatusBox.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageInherit.h"
#include "pdftools/StructRecovery.h"

using namespace engine_detail;

ASInt32 newBookletNumber = 1;

namespace {

const SKCabEnumWord kSizingWords[] = {{kBookletSufficient, "Sufficient"},
                                      {kBookletLetterWide, "LetterWide"},
                                      {kBookletA4Wide, "A4Wide"},
                                      {kBookletCustom, "Custom"},
                                      {kBookletSufficient, nullptr}};
const SKCabEnumWord kPaginateWords[] = {{kBookletConsec, "Consec"},
                                        {kBookletSingle, "Single"},
                                        {kBookletMultiple, "Multiple"},
                                        {kBookletCutStacks, "CutStacks"},
                                        {kBookletConsec, nullptr}};
const SKCabEnumWord kBacksWords[] = {{kBookletInline, "Inline"},     {kBookletInlineInvert, "InlineInvert"},
                                     {kBookletAfter, "After"},       {kBookletAfterReverse, "AfterReverse"},
                                     {kBookletSeparate, "Separate"}, {kBookletSeparateReverse, "SeparateReverse"},
                                     {kBookletInline, nullptr}};
const SKCabEnumWord kAlignWords[] = {{kBookletCentrePages, "CentrePages"},
                                     {kBookletCentreSpine, "CentreSpine"},
                                     {kBookletBottomLeft, "BottomLeft"},
                                     {kBookletCentrePages, nullptr}};

constexpr ASFixed kLetterWideW = 792 << 16;
constexpr ASFixed kLetterWideH = 612 << 16;
constexpr ASFixed kA4WideW = 0x349E3C8;
constexpr ASFixed kA4WideH = 0x253468C;

// Backs that follow the fronts (or leave for a document of their own): the
// output lists the fronts first.
bool BacksApart(ESimpleBookletBacks backs) { return backs >= kBookletAfter && backs <= kBookletSeparateReverse; }
bool BacksReversed(ESimpleBookletBacks backs) {
  return backs == kBookletAfterReverse || backs == kBookletSeparateReverse;
}
bool BacksSeparate(ESimpleBookletBacks backs) { return backs == kBookletSeparate || backs == kBookletSeparateReverse; }

double Pt(ASFixed v) { return EngineFixedToPoints(v); }
ASFixed Fix(double points) { return EngineFixedFromPoints(points); }

ASFixedMatrix Matrix(double s, double h, double v) { return ASFixedMatrix{Fix(s), 0, 0, Fix(s), Fix(h), Fix(v)}; }

void BookletStartProc(SKCab* run, SKCab* args) { BookletCallBackStart(run, args); }

// What a failed or cancelled run leaves to tidy: the new documents not yet
// in a window, the windows opened by this run, the merge state.
struct SBookletRun {
  PDDoc newTarget = nullptr;
  PDDoc backs = nullptr;
  AVDoc backsView = nullptr;
  SPageMergeInfo* state = nullptr;
  // The merge state reads objects of the documents it worked in: it goes
  // before they close, and never raises out of here.
  ~SBookletRun() { DestroyState(); }
  void DestroyState() { DestroyPageMergeInfo(std::exchange(state, nullptr)); }
  // The backs (the sheet sides from first, as many as there are fronts)
  // move from target into a document of their own, opened in a window.
  void SeparateBacks(PDDoc doc, PDDoc target, ASInt32 first, ProgressMonitor monitor, void* monitorData,
                     CancelProc cancel, void* cancelData) {
    backs = PDDocCreatePerhapsClonePDFX(doc);
    if (!backs) ASRaise(genErrNoMemory);
    PDDocInsertPagesWithBadStructRecovery(backs, PDBeforeFirstPage, target, first, first, PDInsertAll, monitor,
                                          monitorData, cancel, cancelData);
    PDDocDeletePagesWithBadStructRecovery(target, first, 2 * first - 1, monitor, monitorData);
    backsView = OpenTitledWindow(std::exchange(backs, nullptr), "pagemg.2.title.newbookbacks", newBookletNumber);
  }
  void CloseAll() {
    if (backsView) AVDocClose(backsView, 1);
    backsView = nullptr;
    if (backs) PDDocClose(backs);
    backs = nullptr;
    if (newTarget) PDDocClose(newTarget);
    newTarget = nullptr;
  }
};

}  // namespace

ESimpleBookletPageSize BookletSizingFromAtom(ASAtom word) {
  return (ESimpleBookletPageSize)KCabEkAtomToEnumTable(word, kSizingWords);
}
ESimpleBookletPagination BookletPaginationFromAtom(ASAtom word) {
  return (ESimpleBookletPagination)KCabEkAtomToEnumTable(word, kPaginateWords);
}
ESimpleBookletBacks BookletBacksFromAtom(ASAtom word) {
  return (ESimpleBookletBacks)KCabEkAtomToEnumTable(word, kBacksWords);
}
ESimpleBookletAlign BookletAlignFromAtom(ASAtom word) {
  return (ESimpleBookletAlign)KCabEkAtomToEnumTable(word, kAlignWords);
}
const char* BookletSizingWord(ESimpleBookletPageSize v) { return KCabEkEnumToStringTable(v, kSizingWords); }
const char* BookletPaginationWord(ESimpleBookletPagination v) { return KCabEkEnumToStringTable(v, kPaginateWords); }
const char* BookletBacksWord(ESimpleBookletBacks v) { return KCabEkEnumToStringTable(v, kBacksWords); }
const char* BookletAlignWord(ESimpleBookletAlign v) { return KCabEkEnumToStringTable(v, kAlignWords); }

ASInt32 BookletSignatureSize(ASInt32 pagesPerSig) {
  // The folding order works on whole sheets of four pages; anything else
  // (a parameter file may hold it) would map slots outside the document.
  if (pagesPerSig <= 4) return 4;
  if (pagesPerSig > 0x7FFFFFF0) return 0x7FFFFFF0;
  return (pagesPerSig + 3) / 4 * 4;
}

ASInt32 BookletPaddingMultiple(ESimpleBookletPagination pagination, ESimpleBookletBacks backs, ASInt32 pagesPerSig,
                               ASBool flag) {
  ASInt32 multiple = 2;
  switch (pagination) {
    case kBookletSingle:
      multiple = 4;
      break;
    case kBookletMultiple:
      multiple = flag ? BookletSignatureSize(pagesPerSig) : 4;
      break;
    case kBookletCutStacks:
      multiple = flag ? 2 : 4;
      break;
    default:
      multiple = 2;
      break;
  }
  // Fronts and backs listed apart pair up only on whole sheets.
  if (BacksApart(backs) && multiple % 4 != 0) multiple *= 2;
  return multiple;
}

ASInt32 MapPageNumber(ASInt32 k, ESimpleBookletPagination pagination, ESimpleBookletBacks backs, ASInt32 pagesPerSig,
                      ASBool singleSided, ASInt32 n) {
  ASInt32 kk = k;
  if (BacksApart(backs)) {
    if (k < n / 2)
      kk = (k % 2) + 4 * (k / 2);
    else
      kk = (k % 2) + 4 * ((k - n / 2) / 2) + 2;
  }
  switch (pagination) {
    case kBookletConsec:
      return kk;
    case kBookletSingle:
      switch (kk % 4) {
        case 0:
          return n - 1 - kk / 2;
        case 1:
          return (kk - 1) / 2;
        case 2:
          return (kk - 2) / 2 + 1;
        default:
          return n - 2 - (kk - 3) / 2;
      }
    case kBookletMultiple: {
      const ASInt32 s = BookletSignatureSize(pagesPerSig);
      const ASInt32 r = kk % s;
      const ASInt32 base = kk - r;
      const ASInt32 z = base > n - s ? n - base : s;
      switch (r % 4) {
        case 0:
          return base + z - r / 2 - 1;
        case 1:
          return base + (r - 1) / 2;
        case 2:
          return base + (r - 2) / 2 + 1;
        default:
          return base + z - (r - 3) / 2 - 2;
      }
    }
    case kBookletCutStacks:
      if (!singleSided && (kk & 2)) kk ^= 1;
      return (kk & 1) ? (n + 1) / 2 + kk / 2 : kk / 2;
    default:
      return k;
  }
}

namespace {

// The phases' shares of a booklet on the status line, in per cent, as their
// times were on a book of 10,000 pages: measuring the pages, copying them
// into the new document, making the sheets; tidying up has the rest.
constexpr ASInt32 kBookletSizesShare = 4;
constexpr ASInt32 kBookletCopyShare = 32;
constexpr ASInt32 kBookletSheetsShare = 54;

// The sheet and the scale of a booklet, in points.
struct SBookletGeometry {
  double W = 0, H = 0;        // the sheet
  double m = 0;               // the margin
  double s = 0;               // the scale of the placed pages
  double maxW = 0, maxH = 0;  // the largest page
};

// Sufficient (and Custom without a size) is just large enough for two of the
// largest pages; a scale of 0.0 fits them. False when nothing can be placed.
bool BookletGeometry(ESimpleBookletPageSize sizing, const ASFixedPoint* sheetSize, ASFixedPoint largest, double scale,
                     ASFixed margin, SBookletGeometry* g) {
  g->m = Pt(margin);
  g->maxW = Pt(largest.h);
  g->maxH = Pt(largest.v);
  if (sizing == kBookletLetterWide) {
    g->W = Pt(kLetterWideW);
    g->H = Pt(kLetterWideH);
  } else if (sizing == kBookletA4Wide) {
    g->W = Pt(kA4WideW);
    g->H = Pt(kA4WideH);
  } else if (sizing == kBookletCustom && sheetSize) {
    g->W = Pt(sheetSize->h);
    g->H = Pt(sheetSize->v);
  }
  if (sizing == kBookletSufficient || (sizing == kBookletCustom && !sheetSize)) {
    g->W = 2 * (g->m + g->maxW);
    g->H = 2 * g->m + g->maxH;
  }
  g->s = scale;
  if (g->s == 0.0) g->s = std::fmin((g->W - 2 * g->m) / (2 * g->maxW), (g->H - 2 * g->m) / g->maxH);
  return g->s > 0 && std::isfinite(g->s);
}

// The two pages of one sheet side: where each goes and how much bleed each
// may show at the spine (page units).
struct SBookletSide {
  ASFixedMatrix mp, mq;
  ASFixed cp = 0, cq = 0;
};

SBookletSide BookletSideLayout(const SBookletGeometry& g, ESimpleBookletAlign align, bool inverted, ASFixedPoint sp,
                               ASFixedPoint sq) {
  const double W = g.W, H = g.H, m = g.m, s = g.s;
  const double wp = Pt(sp.h), hp = Pt(sp.v), wq = Pt(sq.h), hq = Pt(sq.v);
  SBookletSide side;
  switch (align) {
    case kBookletCentreSpine:
      if (!inverted) {
        side.mp = Matrix(s, W / 2 - s * wp, (H - s * hp) / 2);
        side.mq = Matrix(s, W / 2, (H - s * hq) / 2);
      } else {
        side.mp = Matrix(-s, W / 2 + s * wp, (H + s * hp) / 2);
        side.mq = Matrix(-s, W / 2, (H + s * hq) / 2);
      }
      break;
    case kBookletBottomLeft:
      if (!inverted) {
        side.mp = Matrix(s, m, m);
        side.mq = Matrix(s, s * g.maxW + m, m);
      } else {
        side.mp = Matrix(-s, 2 * s * g.maxW + m, s * g.maxH + m);
        side.mq = Matrix(-s, s * g.maxW + m, s * g.maxH + m);
      }
      break;
    default: {
      if (!inverted) {
        side.mp = Matrix(s, W / 4 + m / 2 - s * wp / 2, (H - s * hp) / 2);
        side.mq = Matrix(s, 3 * W / 4 - m / 2 - s * wq / 2, (H - s * hq) / 2);
      } else {
        side.mp = Matrix(-s, 3 * W / 4 - m / 2 + s * wp / 2, (H + s * hp) / 2);
        side.mq = Matrix(-s, W / 4 + m / 2 + s * wq / 2, (H + s * hq) / 2);
      }
      // The room between a page and the spine, in the page's own units.
      auto room = [&](double w) {
        ASFixed c = Fix(W / 2 - m - s * w) / 2;
        if (c < 0) c = 0;
        return Fix(Pt(c) / s);
      };
      side.cp = room(wp);
      side.cq = room(wq);
      break;
    }
  }
  return side;
}

// Blank pages of the largest size until the count is a multiple; the new count.
ASInt32 PadBooklet(PDDoc target, ASInt32 multiple, ASFixedPoint largest) {
  ASInt32 n = PDDocGetNumPages(target);
  while (n % multiple != 0) {
    PDPage blank = PDDocCreatePage(target, n - 1, ASFixedRect{0, largest.v, largest.h, 0});
    ForceIgnoreInheritedPageObjects(blank);
    PDPageRelease(blank);
    n = PDDocGetNumPages(target);
  }
  return n;
}

// One sheet side from output slots k and k + 1, appended to the target.
void BuildBookletSide(SPageMergeInfo* state, PDDoc target, ASInt32 k, ASInt32 n, bool inverted,
                      const SBookletGeometry& g, ESimpleBookletPagination pagination, ESimpleBookletBacks backs,
                      ESimpleBookletAlign align, ASInt32 pagesPerSig, ASBool flag, const SCropMarkDesc* crop) {
  PrepareForMergeToNewPage(state, target);
  SetDefaultPageMergeCompression(state);
  const ASInt32 p = MapPageNumber(k, pagination, backs, pagesPerSig, flag, n);
  const ASInt32 q = MapPageNumber(k + 1, pagination, backs, pagesPerSig, flag, n);
  ASFixedPoint sp{0, 0}, sq{0, 0};
  GetTranslatedPageSizeByPageNumX(target, p, &sp, kSizeTrim);
  GetTranslatedPageSizeByPageNumX(target, q, &sq, kSizeTrim);
  const SBookletSide side = BookletSideLayout(g, align, inverted, sp, sq);
  const ASFixed none = -fixedOne;
  SetMergePageBleedChoke(state, ASFixedRect{none, none, side.cp, none});
  MergePage(state, p, side.mp, nullptr, nullptr);
  SetMergePageBleedChoke(state, ASFixedRect{side.cq, none, none, none});
  MergePage(state, q, side.mq, nullptr, nullptr);
  if (crop) {
    // No horizontal marks at the spine.
    SCropMarkDesc marks = *crop;
    marks.omit = kOmitTopRightH | kOmitBottomRightH;
    AddCropMarksWithMatrix(state, Fix(g.m), Fix(g.m), Fix(g.W / 2), Fix(g.H - g.m), nullptr, &marks, nullptr);
    marks.omit = kOmitTopLeftH | kOmitBottomLeftH;
    AddCropMarksWithMatrix(state, Fix(g.W / 2), Fix(g.m), Fix(g.W - g.m), Fix(g.H - g.m), nullptr, &marks, nullptr);
  }
  FinishMergeToNewPage(state, PDDocGetNumPages(target) - 1, ASFixedRect{0, Fix(g.H), Fix(g.W), 0});
}

// What every side of one booklet is built with.
struct SBookletSides {
  const SBookletGeometry& g;
  ESimpleBookletPagination pagination;
  ESimpleBookletBacks backs;
  ESimpleBookletAlign align;
  ASInt32 pagesPerSig;
  ASBool flag;
  const SCropMarkDesc* crop;

  // Every side of the n padded slots, fronts and backs in turn, appended to
  // target; count is the source's page count, for the progress. False when
  // the user cancelled: the sides built so far stay for the caller to tidy.
  bool Build(SPageMergeInfo* state, PDDoc target, ASInt32 n, ASInt32 count, ProgressMonitor monitor,
             void* monitorData, CancelProc cancel, void* cancelData) const {
    bool front = true;
    for (ASInt32 k = 0; k < n - 1; k += 2, front = !front) {
      if (cancel(cancelData)) return false;
      const bool inverted = !front && backs == kBookletInlineInvert;
      BuildBookletSide(state, target, k, n, inverted, g, pagination, backs, align, pagesPerSig, flag, crop);
      ProgressMonitorSetCurrValue(monitor, (ASInt32)((double)count * (k + 2) / n), monitorData);
    }
    return true;
  }
};

}  // namespace

ASBool SimpleBooklet2(PDDoc doc, ESimpleBookletPageSize sizing, const ASFixedPoint* pageSize,
                      const ASFixedPoint* sheetSize, ESimpleBookletPagination pagination, ESimpleBookletBacks backs,
                      ESimpleBookletAlign align, ASInt32 pagesPerSig, ASBool flag, double scale, ASFixed margin,
                      EFieldsWhich fields, const SCropMarkDesc* crop, ASBool withStatus, ASBool newDoc) {
  if (!doc) return 0;
  auto status = [&](const char* key) {
    if (withStatus) SetStatusBoxTextUtf8(Msg(key));
  };
  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
  void* cancelData = nullptr;
  CancelProc cancel = StatusBoxGetKCancelProc(&cancelData);
  SBookletRun made;
  made.state = NewPageMergeInfo();
  PageMergeSetExtraRotation(made.state, GetDocumentViewRotate(doc));
  KCancelClearFlag();
  PageMergeSetProgressMonitor(made.state, monitor, monitorData);
  PageMergeSetAnnotMerge(made.state, fields);
  PageMergeSet2TrFixMode(made.state, gApplyTr2Fix);
  if (withStatus) OpenStatusBox();

  ASBool result = 0;
  ASBool cancelled = 0;
  ASBool monitorBegun = 0;
  DURING
    const ASInt32 count = PDDocGetNumPages(doc);
    ASFixedPoint largest{0, 0};
    if (pageSize) {
      largest = *pageSize;
    } else {
      SStatusBoxPart part(kBookletSizesShare, 100);
      status("pagemg.2.status.readpagesizes");
      ASFixedPoint smallest{0, 0};
      GetPageSizesForRangeX(doc, kSizeTrim, 0, count - 1, &smallest, &largest, monitor, monitorData, cancel, cancelData);
      if (cancel(cancelData)) cancelled = 1;
    }
    SBookletGeometry g;
    // Empty pages or a margin that eats the sheet leave nothing to place.
    if (!BookletGeometry(sizing, sheetSize, largest, scale, margin, &g)) {
      ErrorKey("dlg.bookletpagesize.margintoobig");
      ASRaise(ShouldNotOccurError());
    }

    PDDoc target = doc;
    if (!cancelled && newDoc) {
      SStatusBoxPart part(kBookletCopyShare, 100);
      status("pagemg.2.status.copyingpages");
      made.newTarget = PDDocCreate();
      MungeMetadataAfterPDDocCreate(made.newTarget);
      if (!CopyAllPagesStamped(made.newTarget, doc, gRemoveStructureInNewDoc)) cancelled = 1;
      target = made.newTarget;
    }

    ASInt32 n = PDDocGetNumPages(target);
    if (!cancelled) {
      // In place there is no copy: its share goes to the sheets.
      SStatusBoxPart part(kBookletSheetsShare + (newDoc ? 0 : kBookletCopyShare), 100);
      status("pagemg.2.status.velmorapages");
      ProgressMonitorBegin(monitor, monitorData);
      monitorBegun = 1;
      // The pages placed so far, out of the source's.
      ProgressMonitorSetDuration(monitor, count, monitorData);
      n = PadBooklet(target, BookletPaddingMultiple(pagination, backs, pagesPerSig, flag), largest);
      const SBookletSides sides{g, pagination, backs, align, pagesPerSig, flag, crop};
      if (!sides.Build(made.state, target, n, count, monitor, monitorData, cancel, cancelData)) cancelled = 1;
      else if (crop) WarnCropMarksOffSheet(made.state, crop);
    }

    // The rest: taking the placed pages away, and the backs' own phases when
    // there are any (each a half of what is left).
    SStatusBoxPart rest(1, 1);
    const bool backsToo = BacksReversed(backs) || BacksSeparate(backs);
    if (!cancelled) {
      SStatusBoxPart part(backsToo ? 1 : 2, 2);
      status("pagemg.2.status.tidyingup");
      PDDocDeletePagesWithBadStructRecovery(target, 0, n - 1, monitor, monitorData);
    }
    if (!cancelled && BacksReversed(backs)) {
      SStatusBoxPart part(BacksSeparate(backs) ? 1 : 2, 2);
      if (!PDDocReversePageRun(target, n / 4, PDDocGetNumPages(target) - 1, 1)) cancelled = 1;
      status("pagemg.2.status.tidyingup");
    }
    if (!cancelled && BacksSeparate(backs)) {
      SStatusBoxPart part(1, 1);
      status("pagemg.2.status.separatebacks");
      made.SeparateBacks(doc, target, n / 4, monitor, monitorData, cancel, cancelData);
    }
    if (gPDFXMode == 1) PreservePDFXIntoImposedDoc(doc, target);
    if (!cancelled) {
      if (made.newTarget) {
        PDDoc fronts = made.newTarget;
        made.newTarget = nullptr;
        OpenTitledWindow(fronts, BacksSeparate(backs) ? "pagemg.2.title.newbookfronts" : "pagemg.2.title.newbooklet",
                         newBookletNumber);
        ++newBookletNumber;
      }
      made.backsView = nullptr;
      result = 1;
    } else {
      NoteMessageUTF8(Msg("pagemg.2.bookletcancelled"));
      made.DestroyState();
      made.CloseAll();
    }
    if (withStatus) CloseStatusBox();
    if (monitorBegun) ProgressMonitorEnd(monitor, monitorData);
  HANDLER
    if (withStatus) CloseStatusBox();
    made.DestroyState();
    made.CloseAll();
    if (monitorBegun) ProgressMonitorEnd(monitor, monitorData);
    if (ERRORCODE == ShouldNotOccurError()) return 0;
    RERAISE();
  END_HANDLER
  return result;
}

ASBool SimpleBookletFromCab(PDDoc doc, SKCab* params, ASBool withStatus) {
  if (!doc || !params) return 0;
  const auto sizing = BookletSizingFromAtom(KCabGetAtom(params, "Sizing", ASAtomNull));
  const auto pagination = BookletPaginationFromAtom(KCabGetAtom(params, "Paginate", ASAtomNull));
  const auto backs = BookletBacksFromAtom(KCabGetAtom(params, "Backs", ASAtomNull));
  const auto align = BookletAlignFromAtom(KCabGetAtom(params, "Align", ASAtomNull));
  const ASBool noScale = KCabGetBool(params, "NoScale", 0);
  const ASInt32 pagesPerSig = KCabGetInt(params, "PagesPerSig", 16);
  const ASFixed margin = Fix(KCabGetDouble(params, "Margin", 0.0));
  const ASBool newDoc = KCabGetBool(params, "NewDoc", 0);
  const ASBool flag = KCabGetBool(params, pagination == kBookletCutStacks ? "SingleSided" : "AddBlanks", 0);
  const double scale = noScale ? 1.0 : 0.0;
  SCropMarkDesc cropDesc;
  const SCropMarkDesc* crop = nullptr;
  if (KCabGetBool(params, "CropMarks", 0)) crop = FillCropMarkDescFromCab(&cropDesc, params);
  ASFixedPoint sheet{0, 0};
  if (sizing == kBookletCustom) {
    double w = 0, h = 0;
    if (!ExportedPageSizeGetBlankSizeWithForcedOrientation(params, "Page", &w, &h) || !(w > 0) || !(h > 0)) {
      ErrorKey("common.err.nopagesize");
      return 0;
    }
    sheet = ASFixedPoint{Fix(w), Fix(h)};
  }
  if (!ImpositionBleedModeCheck(doc, nullptr, params)) return 0;
  SKCab* saved = PerImpositionPrefsStart(params);
  ASBool result = 0;
  DURING
    result = SimpleBooklet2(doc, sizing, nullptr, &sheet, pagination, backs, align, pagesPerSig, flag, scale, margin,
                            gImpositionFieldsOption, crop, withStatus, newDoc);
  HANDLER
    PerImpositionPrefsEnd(saved);
    RERAISE();
  END_HANDLER
  PerImpositionPrefsEnd(saved);
  return result;
}

ASInt32 BookletCallBackStart(SKCab* run, SKCab* /*args*/) {
  const ASBool done = SimpleBookletFromCab(ProcManGetSourcePDDoc(run), KCabGetCab(run, "Params"), 1);
  // A refused or cancelled booklet must not be recorded as done.
  if (!done) ProcManMarkCancelProcess(run, nullptr);
  return done;
}

void BookletFillProcessControlCab(SKCab* control) {
  KCabPutFunctionPointerNamedType(control, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)BookletStartProc,
                                  nullptr);
}

const SKCabEnumWord* BookletParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Sizing") == 0) return kSizingWords;
  if (std::strcmp(key, "Paginate") == 0) return kPaginateWords;
  if (std::strcmp(key, "Backs") == 0) return kBacksWords;
  if (std::strcmp(key, "Align") == 0) return kAlignWords;
  return nullptr;
}
