#include "engine/Nup.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/EngineFixed.h"
#include "engine/EngineImports.h"
#include "engine/PageAlign.h"
#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "engine/TemplatePages.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "host/ASFixed.h"
#include "kctl/StatusBox.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageInherit.h"
#include "pdftools/PageStamp.h"
#include "pdftools/StructRecovery.h"

using namespace engine_detail;

ASInt32 imposedDocNumber = 1;

namespace {

// Bleed is always choked between neighbours on a sheet.
constexpr ASBool nupChokeBleeds = 1;

const SKCabEnumWord kAlignWords[] = {{kAlignBL, "BL"}, {kAlignBC, "BC"}, {kAlignBR, "BR"},
                                     {kAlignTL, "TL"}, {kAlignTC, "TC"}, {kAlignTR, "TR"},
                                     {kAlignL, "L"},   {kAlignR, "R"},   {kAlignC, "C"},
                                     {kAlignTL, nullptr}};

enum { kOldAlignLeft = 0, kOldAlignCentreAll = 1, kOldAlignCentreEach = 2 };
const SKCabEnumWord kOldAlignWords[] = {{kOldAlignLeft, "Left"},
                                        {kOldAlignCentreAll, "CentreAll"},
                                        {kOldAlignCentreEach, "CentreEach"},
                                        {kOldAlignLeft, nullptr}};

ASFixed Tolerance() { return EngineFixedFromPoints(gNupSheetTolerance); }

ASInt32 GapCount(ASInt32 n) { return std::clamp<ASInt32>(n, 1, kNupMaxGaps); }

bool HorizontalCentre(ASInt32 a) { return a == kAlignBC || a == kAlignTC || a == kAlignC; }
bool HorizontalRight(ASInt32 a) { return a == kAlignBR || a == kAlignTR || a == kAlignR; }
bool VerticalBottom(ASInt32 a) { return a >= kAlignBL && a <= kAlignBR; }
bool VerticalMiddle(ASInt32 a) { return a >= kAlignL && a <= kAlignC; }

// What goes on the open sheet: where each page lands and how.
struct SPlacement {
  ASFixed left, top, right, bottom;  // on the sheet, origin at its bottom-left corner
  ASFixedMatrix matrix;
  ASInt32 page;
};

// The performer's list, in the host allocator: room for 20, doubling.
struct SPlacementList {
  SPlacement* items = nullptr;
  ASInt32 count = 0;
  ASInt32 room = 0;
  void Append(const SPlacement& p) {
    if (count == room) {
      const ASInt32 newRoom = room ? room * 2 : 20;
      auto* grown = (SPlacement*)ASmallocWithException((ASSize_t)newRoom * sizeof(SPlacement));
      if (count) std::memcpy(grown, items, (size_t)count * sizeof(SPlacement));
      ASfree(items);
      items = grown;
      room = newRoom;
    }
    items[count++] = p;
  }
  void Free() {
    ASfree(items);
    items = nullptr;
    count = room = 0;
  }
};

bool Overlaps(ASFixed l1, ASFixed b1, ASFixed r1, ASFixed t1, ASInt64 l2, ASInt64 b2, ASInt64 r2, ASInt64 t2) {
  return l1 < r2 && r1 > l2 && b1 < t2 && t1 > b2;
}

// True when some placed page overlaps the strip (open rectangles).
bool StripHit(const SPlacementList& list, ASInt64 l, ASInt64 b, ASInt64 r, ASInt64 t) {
  for (ASInt32 k = 0; k < list.count; ++k) {
    const SPlacement& o = list.items[k];
    if (Overlaps(o.left, o.bottom, o.right, o.top, l, b, r, t)) return true;
  }
  return false;
}

// Half the gap to the nearest neighbour on each side (page's own units), -1
// point where there is none.
ASFixedRect BleedChoke(const SPlacementList& list, ASInt32 index, double scale) {
  const SPlacement& p = list.items[index];
  ASInt64 side[4] = {-1, -1, -1, -1};  // left, top, right, bottom; -1: none yet
  auto keep = [&](int which, ASInt64 candidate) {
    candidate = std::max<ASInt64>(candidate, 0);
    if (side[which] < 0 || candidate < side[which]) side[which] = candidate;
  };
  for (ASInt32 k = 0; k < list.count; ++k) {
    if (k == index) continue;
    const SPlacement& o = list.items[k];
    if (o.bottom < p.top && o.top > p.bottom) {
      if (o.left < p.left) keep(0, ((ASInt64)p.left - o.right) / 2);
      if (o.right > p.right) keep(2, ((ASInt64)o.left - p.right) / 2);
    }
    if (o.left < p.right && o.right > p.left) {
      if (o.bottom < p.bottom) keep(3, ((ASInt64)p.bottom - o.top) / 2);
      if (o.top > p.top) keep(1, ((ASInt64)o.bottom - p.top) / 2);
    }
  }
  auto value = [&](int which) -> ASFixed {
    const double v = side[which] < 0 ? -65536.0 : (double)side[which];
    if (scale <= 0) return EngineSat32((ASInt64)v);
    return EngineFixedFromRaw(v / scale);
  };
  return ASFixedRect{value(0), value(1), value(2), value(3)};
}

// The neighbour to the right (horizontal) or below of a page whose corner
// marks were left out; -1 for none.
ASInt32 Neighbour(const SPlacementList& list, ASInt32 index, bool horizontal) {
  const SPlacement& p = list.items[index];
  ASInt32 best = -1;
  for (ASInt32 k = 0; k < list.count; ++k) {
    if (k == index) continue;
    const SPlacement& o = list.items[k];
    if (horizontal) {
      if (o.left < p.right || !(o.bottom < p.top && o.top > p.bottom)) continue;
      if (best < 0) {
        best = k;
        continue;
      }
      const SPlacement& b = list.items[best];
      if (o.left < b.left ||
          (o.left == b.left && std::llabs((ASInt64)o.top - p.top) < std::llabs((ASInt64)b.top - p.top)))
        best = k;
    } else {
      if (o.top > p.bottom || !(o.left < p.right && o.right > p.left)) continue;
      if (best < 0) {
        best = k;
        continue;
      }
      const SPlacement& b = list.items[best];
      if (o.top > b.top ||
          (o.top == b.top && std::llabs((ASInt64)o.left - p.left) < std::llabs((ASInt64)b.left - p.left)))
        best = k;
    }
  }
  return best;
}

ASFixedRect RectOf(const SPlacement& p) { return ASFixedRect{p.left, p.top, p.right, p.bottom}; }

// Crop marks of every placed page: corner marks that would run into a page
// are left out, with gutter marks between the neighbours instead.
void DrawCropMarks(SPageMergeInfo* state, const SPlacementList& list, SNupSpacing* spacing) {
  SCropMarkDesc fallback;
  std::memset(&fallback, 0, sizeof fallback);
  fallback.size = sizeof fallback;
  fallback.colour = gRegistrationColour;
  SCropMarkDesc* desc = spacing->cropDesc ? spacing->cropDesc : &fallback;
  for (ASInt32 i = 0; i < list.count; ++i) {
    SCropMarkDesc resolved;
    ResolveCropMarkRequest(&resolved, desc);
    const ECropMarkStyle style = resolved.style;
    const ASInt64 D = (style == kCropJapanese || style == kCropJapaneseMid || style == kCropKoreanMid) ? 0x8D3B77
                                                                                                      : 0x278000;
    const ASInt64 half = 0x8000, ten = 0xA0000;
    const SPlacement& p = list.items[i];
    const ASInt64 L = p.left, B = p.bottom, R = p.right, T = p.top;
    ASUns16 omit = 0;
    if (StripHit(list, L - half - D, B - ten, L - half, B + ten)) omit |= kOmitBottomLeftH;
    if (StripHit(list, R + half, B - ten, R + half + D, B + ten)) omit |= kOmitBottomRightH;
    if (StripHit(list, R + half, T - ten, R + half + D, T + ten)) omit |= kOmitTopRightH;
    if (StripHit(list, L - half - D, T - ten, L - half, T + ten)) omit |= kOmitTopLeftH;
    if (StripHit(list, L - ten, B - half - D, L + ten, B - half)) omit |= kOmitBottomLeftV;
    if (StripHit(list, R - ten, B - half - D, R + ten, B - half)) omit |= kOmitBottomRightV;
    if (StripHit(list, R - ten, T + half, R + ten, T + D)) omit |= kOmitTopRightV;
    if (StripHit(list, L - ten, T + half, L + ten, T + D)) omit |= kOmitTopLeftV;
    desc->omit = omit;
    AddCropMarks(state, p.left, p.bottom, p.right, p.top, desc);
    if (omit & (kOmitBottomRightH | kOmitTopRightH)) {
      const ASInt32 n = Neighbour(list, i, true);
      if (n >= 0)
        AddInterPageCropMarks(state, RectOf(p), RectOf(list.items[n]), 1,
                              (omit & kOmitTopRightH) && !(omit & kOmitTopRightV),
                              (omit & kOmitBottomRightH) && !(omit & kOmitBottomRightV), desc);
    }
    if (omit & (kOmitBottomLeftV | kOmitBottomRightV)) {
      const ASInt32 n = Neighbour(list, i, false);
      if (n >= 0)
        AddInterPageCropMarks(state, RectOf(p), RectOf(list.items[n]), 0,
                              (omit & kOmitBottomLeftV) && !(omit & kOmitBottomLeftH),
                              (omit & kOmitBottomRightV) && !(omit & kOmitBottomRightH), desc);
    }
  }
}

// Places the records of the open sheet, with frames and marks.
void BuildSheet(SPageMergeInfo* state, const SPlacementList& list, SNupSpacing* spacing) {
  for (ASInt32 i = 0; i < list.count; ++i) {
    const SPlacement& p = list.items[i];
    if (nupChokeBleeds) SetMergePageBleedChoke(state, BleedChoke(list, i, spacing->scale));
    MergePage(state, p.page, p.matrix, nullptr, nullptr);
    if (spacing->frames)
      AddFrame(state, EngineFixedToPoints(p.left), EngineFixedToPoints(p.bottom), EngineFixedToPoints(p.right),
               EngineFixedToPoints(p.top), gRegistrationColour);
  }
  if (spacing->cropMarks) DrawCropMarks(state, list, spacing);
}

// Moves the block of pages on every sheet as the alignment asks, and the back
// sheets by the margin difference when they are mirrored.
void AlignPositions(SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes, const ASFixedPoint* sheetSizes,
                    ASFixedPoint* positions, const ASInt32* sheetOfPage) {
  NupParamsAdjust(params);
  const EWhatPageAlign front = NupGetFrontAlignment(params);
  const EWhatPageAlign back = NupGetBackAlignment(params);
  bool independent = KCabGetBool(params, "SheetAlignIndependent", 0) != 0;
  const ASInt64 dx = KCabGetBool(params, "EvenMirrorHorizontal", 0)
                         ? (ASInt64)spacing->rightMargin - spacing->leftMargin
                         : 0;
  // y grows downwards: the mirrored block moves down by what the bottom
  // margin exceeds the top one, so the back's bottom gap is the front's top gap.
  const ASInt64 dy =
      KCabGetBool(params, "EvenMirrorVertical", 0) ? (ASInt64)spacing->bottomMargin - spacing->topMargin : 0;
  const ASInt32 n = spacing->pageCount;
  const ASInt32 sheets = spacing->sheetCount;
  if (n <= 0 || sheets <= 0) return;

  const bool skip = dx == 0 && dy == 0 && (spacing->trim || (front == kAlignTL && back == kAlignTL));
  if (!skip) {
    if (sheetSizes)
      for (ASInt32 s = 1; s < sheets; ++s)
        if (sheetSizes[s].h != sheetSizes[0].h || sheetSizes[s].v != sheetSizes[0].v) independent = true;
    // Extents of the placed pages: per sheet, or over all pages.
    std::vector<ASInt64> right((size_t)sheets, INT64_MIN), bottom((size_t)sheets, INT64_MIN);
    ASInt64 allRight = INT64_MIN, allBottom = INT64_MIN;
    for (ASInt32 i = 0; i < n; ++i) {
      const ASInt32 s = std::clamp<ASInt32>(sheetOfPage[i], 0, sheets - 1);
      const ASInt64 r = (ASInt64)positions[i].h + EngineFixedScaled(pageSizes[i].h, spacing->scale);
      const ASInt64 b = (ASInt64)positions[i].v + EngineFixedScaled(pageSizes[i].v, spacing->scale);
      right[(size_t)s] = std::max(right[(size_t)s], r);
      bottom[(size_t)s] = std::max(bottom[(size_t)s], b);
      allRight = std::max(allRight, r);
      allBottom = std::max(allBottom, b);
    }
    std::vector<ASInt64> hOffset((size_t)sheets, 0), vOffset((size_t)sheets, 0);
    for (ASInt32 s = 0; s < sheets; ++s) {
      const ASInt32 align = (s & 1) ? back : front;
      const ASInt64 w = sheetSizes ? sheetSizes[s].h : spacing->sheetWidth;
      const ASInt64 h = sheetSizes ? sheetSizes[s].v : spacing->sheetHeight;
      const ASInt64 r = independent ? right[(size_t)s] : allRight;
      const ASInt64 b = independent ? bottom[(size_t)s] : allBottom;
      if (r == INT64_MIN) continue;  // a sheet without pages
      const ASInt64 usedW = r - spacing->leftMargin;
      const ASInt64 usableW = w - spacing->rightMargin - spacing->leftMargin;
      if (HorizontalCentre(align))
        hOffset[(size_t)s] = (usableW - usedW) / 2;
      else if (HorizontalRight(align))
        hOffset[(size_t)s] = usableW - usedW;
      const ASInt64 usedH = b;
      const ASInt64 usableH = h - spacing->topMargin - spacing->bottomMargin;
      if (VerticalBottom(align))
        vOffset[(size_t)s] = usableH - usedH;
      else if (VerticalMiddle(align))
        vOffset[(size_t)s] = (usableH - usedH) / 2;
    }
    for (ASInt32 i = 0; i < n; ++i) {
      const ASInt32 s = std::clamp<ASInt32>(sheetOfPage[i], 0, sheets - 1);
      positions[i].h = EngineSat32(positions[i].h + hOffset[(size_t)s]);
      positions[i].v = EngineSat32(positions[i].v + vOffset[(size_t)s]);
    }
  }
  if (dx != 0 || dy != 0)
    for (ASInt32 i = 0; i < n; ++i)
      if (sheetOfPage[i] & 1) {
        positions[i].h = EngineSat32(positions[i].h + dx);
        positions[i].v = EngineSat32(positions[i].v + dy);
      }
}

bool IsBackgroundFile(const SNupSpacing* spacing) {
  return spacing->sheetTemplate && !spacing->sheetTemplate->blank;
}

// The background file's pages, inserted after the placed pages for the
// sheets to be drawn on and taken out again afterwards.
struct SNupBackground {
  STemplateInfo* info = nullptr;
  ASInt32 first = -1;  // the first inserted page
  ASInt32 count = 0;   // inserted pages still in the target

  // A refused insertion (its reason shown) ends the layout quietly.
  void Insert(PDDoc target, const SNupSpacing* spacing) {
    if (!IsBackgroundFile(spacing)) return;
    info = spacing->sheetTemplate;
    const ASInt64 span = (ASInt64)info->to - info->from + 1;
    const ASInt32 wanted = (ASInt32)std::clamp<ASInt64>(std::min<ASInt64>(span, spacing->sheetCount), 0, INT32_MAX);
    if (wanted <= 0) return;
    ASInt32 firstInserted = -1;
    if (!InsertTemplatePages(nullptr, target, info, 0, kInsertAtEnd, wanted, 0, 0, 0, &firstInserted))
      ASRaise(ShouldNotOccurError());
    first = spacing->pageCount;
    count = wanted;
  }

  // The background page of the sheet, merged before its pages.
  void Under(SPageMergeInfo* state, ASInt32 sheetNumber) const {
    if (count <= 0) return;
    const ASInt32 offset = TemplateSequenceToZeroBasedPageOffset(info, sheetNumber);
    if (offset >= 0 && offset < count)
      MergePage(state, first + offset, ASFixedMatrix{fixedOne, 0, 0, fixedOne, 0, 0}, nullptr, nullptr);
  }

  // The template pages are ours: they never stay in the target.
  void Remove(PDDoc target) {
    if (count <= 0) return;
    const ASInt32 n = std::exchange(count, 0);
    void* nullData = nullptr;
    PDDocDeletePagesWithBadStructRecovery(target, first, first + n - 1, GetNullProgressMonitor(&nullData), nullData);
  }
};

// The placement record of page i on its sheet of the given height.
SPlacement PlacementOf(const SNupSpacing* spacing, const ASFixedPoint* pageSizes, const ASFixedPoint* positions,
                       ASInt32 i, ASFixed sheetH) {
  const ASFixed pw = EngineFixedScaled(pageSizes[i].h, spacing->scale);
  const ASFixed ph = EngineFixedScaled(pageSizes[i].v, spacing->scale);
  const ASFixed m = EngineFixedScaled(fixedOne, spacing->scale);
  const ASFixed x = positions[i].h;
  const ASFixed y = EngineSat32((ASInt64)sheetH - positions[i].v - ph - spacing->topMargin);
  return SPlacement{x, EngineSat32((ASInt64)y + ph), EngineSat32((ASInt64)x + pw), y, ASFixedMatrix{m, 0, 0, m, x, y},
                    i};
}

// The phases' shares of a layout on the status line, in per cent, as their
// times were on books of 10,000 and 50,000 pages: reading the sizes, copying
// the pages into the new document (or stamping them in place), placing
// them, and taking the placed pages away (the rest).
constexpr ASInt32 kNupSizesShare = 4;
constexpr ASInt32 kNupCopyShare = 36;
constexpr ASInt32 kNupPlaceShare = 56;
constexpr ASInt32 kNupPlaceInPlaceShare = 85;

// The status box with its progress and cancel, round one layout into a
// document: what the two wrappers share.
struct SNupStatus {
  ProgressMonitor monitor = nullptr;
  void* monitorData = nullptr;
  CancelProc cancel = nullptr;
  void* cancelData = nullptr;
  bool open = false;

  // False, with nothing done, when the background fails the PDF/X check.
  bool Begin(PDDoc doc, SNupSpacing* spacing) {
    monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
    cancel = StatusBoxGetKCancelProc(&cancelData);
    KCancelClearFlag();
    if (!NupSpacingBackgroundOk(doc, spacing)) return false;
    OpenStatusBox();
    open = true;
    return true;
  }
  bool Cancelled() const { return CheckStatusBoxKCancel(nullptr) != 0; }
  void End() {
    if (!open) return;
    open = false;
    CloseStatusBox();
    ProgressMonitorEnd(monitor, monitorData);
  }
  // The layout into doc, extra rotation from source, as share per cent of
  // the run; false when cancelled.
  bool Perform(PDDoc doc, PDDoc source, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
               const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage, ASInt32 share) {
    SStatusBoxPart part(share, 100);
    spacing->extraRotation = GetDocumentViewRotate(source);
    SetStatusBoxTextUtf8(Msg("pagemg.4.status.velmora"));
    return NupSpacingPerform(doc, spacing, params, pageSizes, sheetSizes, positions, sheetOfPage, monitor, monitorData,
                             cancel, cancelData) != 0;
  }
  // Takes the placed pages away: only the sheets stay. On a large book this
  // is a phase of its own, with its progress.
  void Tidy(PDDoc doc, ASInt32 pageCount) {
    SStatusBoxPart part(1, 1);
    SetStatusBoxTextUtf8(Msg("pagemg.4.status.tidying"));
    PDDocDeletePagesWithBadStructRecovery(doc, 0, pageCount - 1, monitor, monitorData);
  }
};

// What an in-place layout changes before its sheets are done: the pages it
// appends and the stamps it gives. A stopped or failed layout undoes both,
// so the document is left as it was.
struct SNupInplaceUndo {
  PDDoc doc = nullptr;
  ASInt32 pages = 0;
  std::vector<ASInt32> unstamped;

  void Note(PDDoc d) {
    doc = d;
    pages = PDDocGetNumPages(d);
    for (ASInt32 i = 0; i < pages; ++i) {
      PageHolder page(d, i);
      if (!PageHasStamp(page.get())) unstamped.push_back(i);
    }
  }
  // Never raises: it runs on the way out of a failure too.
  void Undo() {
    DURING
      void* nullData = nullptr;
      if (PDDocGetNumPages(doc) > pages)
        PDDocDeletePagesWithBadStructRecovery(doc, pages, PDDocGetNumPages(doc) - 1, GetNullProgressMonitor(&nullData),
                                              nullData);
      for (ASInt32 i : unstamped) {
        PageHolder page(doc, i);
        RemovePageStamp(page.get());
      }
    HANDLER
    END_HANDLER
  }
};

}  // namespace

const char* NupAlignWord(EWhatPageAlign align) { return KCabEkEnumToStringTable(align, kAlignWords); }

void NupParamsAdjust(SKCab* params) {
  if (!params || !KCabKnown(params, "Align")) return;
  const ASInt32 old = KCabEkAtomToEnumTable(KCabGetAtom(params, "Align", ASAtomNull), kOldAlignWords);
  if (old == kOldAlignCentreAll) KCabPutAtom(params, "SheetAlign", ASAtomFromString("C"));
  KCabRemove(params, "Align");
}

EWhatPageAlign NupGetFrontAlignment(SKCab* params) {
  if (!params) return kAlignTL;
  const ASAtom word = KCabGetAtom(params, "SheetAlign", ASAtomNull);
  if (word == ASAtomNull) return kAlignTL;
  return (EWhatPageAlign)KCabEkAtomToEnumTable(word, kAlignWords);
}

EWhatPageAlign NupGetBackAlignment(SKCab* params) {
  return (EWhatPageAlign)PossibleMirrorWhatPageAlign(NupGetFrontAlignment(params),
                                                     KCabGetBool(params, "EvenMirrorHorizontal", 0),
                                                     KCabGetBool(params, "EvenMirrorVertical", 0));
}

void NupSpacingDummy(SNupSpacing* spacing, SKCab*, const ASFixedPoint* pageSizes, ASFixedPoint* sheetSizes,
                     ASFixedPoint* positions, ASInt32* sheetOfPage) {
  SNupSpacing& s = *spacing;
  s.spare1 = s.spare2 = -1.0;
  s.spare3 = s.spare4 = 0;
  s.fewestCopies = s.mostCopies = -1;
  s.totalCopies = 0;
  s.sheetCount = 0;
  s.somethingDidNotFit = 0;
  s.fewestRows = s.fewestAcross = 0x7FFFFFFF;
  s.mostRows = s.mostAcross = 0;
  const ASInt32 n = s.pageCount;
  if (n <= 0 || !pageSizes) return;

  const ASInt32 hCount = GapCount(s.hGapCount), vCount = GapCount(s.vGapCount);
  const ASInt64 left = s.leftMargin;
  const ASInt64 W = (ASInt64)s.sheetWidth - s.leftMargin - s.rightMargin + Tolerance();
  const ASInt64 H = (ASInt64)s.sheetHeight - s.topMargin - s.bottomMargin + Tolerance();
  ASInt64 remW = W, remH = H, x = left, rowH = 0, rightmost = left;
  ASInt32 row = 1, inRow = 0, sheet = 0;

  // The size of the sheet being closed.
  auto sheetSize = [&]() {
    ASInt64 w = rightmost + s.rightMargin;
    ASInt64 h = (ASInt64)s.sheetHeight - remH + rowH;
    if (!s.trim) {
      w = std::max<ASInt64>(w, s.sheetWidth);
      h = std::max<ASInt64>(h, s.sheetHeight);
    }
    return ASFixedPoint{EngineSat32(w), EngineSat32(h)};
  };

  for (ASInt32 i = 0; i < n; ++i) {
    const ASInt64 pw = EngineFixedScaled(pageSizes[i].h, s.scale);
    const ASInt64 ph = EngineFixedScaled(pageSizes[i].v, s.scale);
    bool newSheet = false;
    if (pw > W || ph > H) {
      s.somethingDidNotFit = 1;
      newSheet = true;
    } else if (ph > remH) {
      newSheet = true;
    } else if (pw <= remW && (s.maxAcross < 1 || inRow < s.maxAcross)) {
      remW -= pw + s.hGaps[inRow % hCount];
      rowH = std::max(rowH, ph);
    } else {
      // A new row, only when it fits below the current one.
      const ASInt64 nextH = remH - (rowH + s.vGaps[(row - 1) % vCount]);
      if (ph <= nextH && (s.maxDown < 1 || row < s.maxDown)) {
        if (inRow > 0 && inRow < s.fewestAcross) s.fewestAcross = inRow;
        remH = nextH;
        remW = W - pw - s.hGaps[0];
        ++row;
        rowH = ph;
        x = left;
        inRow = 0;
      } else {
        newSheet = true;
      }
    }
    if (newSheet) {
      if (inRow > 0 && inRow < s.fewestAcross) s.fewestAcross = inRow;
      if (i > 0) {
        if (sheetSizes) sheetSizes[sheet] = sheetSize();
        ++sheet;
        s.fewestRows = std::min(s.fewestRows, row);
        s.mostRows = std::max(s.mostRows, row);
      }
      remH = H;
      remW = W - pw - s.hGaps[0];
      rowH = ph;
      x = left;
      rightmost = left;
      row = 1;
      inRow = 0;
    }
    if (positions) positions[i] = ASFixedPoint{EngineSat32(x), EngineSat32(H - remH)};
    if (sheetOfPage) sheetOfPage[i] = sheet;
    rightmost = std::max(rightmost, x + pw);
    x += pw + s.hGaps[inRow % hCount];
    ++inRow;
    s.mostAcross = std::max(s.mostAcross, inRow);
  }
  if (sheetSizes) sheetSizes[sheet] = sheetSize();
  s.mostRows = std::max(s.mostRows, row);
  s.sheetCount = sheet + 1;
}

ASBool NupSpacingPerform(PDDoc target, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                         const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage,
                         ProgressMonitor monitor, void* monitorData, CancelProc cancel, void* cancelData) {
  const ASInt32 n = spacing->pageCount;
  SPageMergeInfo* state = nullptr;
  SPlacementList list;
  SNupBackground background;
  bool sheetOpen = false;
  bool monitorBegun = false;
  bool cancelled = false;
  ASFixed sheetW = spacing->sheetWidth, sheetH = spacing->sheetHeight;

  DURING
    state = NewPageMergeInfo();
    PageMergeSetExtraRotation(state, spacing->extraRotation);
    PageMergeSetAnnotMerge(state, gImpositionFieldsOption);
    PageMergeSet2TrFixMode(state, gApplyTr2Fix);
    ProgressMonitorBegin(monitor, monitorData);
    monitorBegun = true;
    ProgressMonitorSetDuration(monitor, n, monitorData);

    AlignPositions(spacing, params, pageSizes, sheetSizes, positions, sheetOfPage);
    background.Insert(target, spacing);

    ASInt32 sheetNumber = 0;
    for (ASInt32 i = 0; i < n; ++i) {
      ProgressMonitorSetCurrValue(monitor, i, monitorData);
      if (cancel && cancel(cancelData)) {
        cancelled = true;
        break;
      }
      if (!sheetOpen) {
        PrepareForMergeToNewPage(state, target);
        sheetOpen = true;
        SetDefaultPageMergeCompression(state);
        background.Under(state, sheetNumber);
        if (sheetSizes) {
          sheetW = sheetSizes[sheetNumber].h;
          sheetH = sheetSizes[sheetNumber].v;
        }
      }
      list.Append(PlacementOf(spacing, pageSizes, positions, i, sheetH));
      if (i + 1 < n && sheetOfPage[i + 1] == sheetOfPage[i]) continue;
      BuildSheet(state, list, spacing);
      sheetOpen = false;
      FinishMergeToNewPage(state, PDDocGetNumPages(target) - 1, ASFixedRect{0, sheetH, sheetW, 0});
      ++sheetNumber;
      list.count = 0;
    }
    if (!cancelled && spacing->cropMarks) WarnCropMarksOffSheet(state, spacing->cropDesc);
    ProgressMonitorEnd(monitor, monitorData);
    monitorBegun = false;
    background.Remove(target);
    // A cancelled sheet is discarded with the merge state.
    DestroyPageMergeInfo(state);
    state = nullptr;
    list.Free();
  HANDLER
    const ASErrorCode code = ERRORCODE;
    if (monitorBegun) ProgressMonitorEnd(monitor, monitorData);
    if (sheetOpen && state) {
      // The pages merged so far still become a sheet: a failed placement
      // took its own statements back, so the sheet is whole.
      DURING
        FinishMergeToNewPage(state, PDDocGetNumPages(target) - 1, ASFixedRect{0, sheetH, sheetW, 0});
      HANDLER
      END_HANDLER
    }
    DURING
      background.Remove(target);
    HANDLER
    END_HANDLER
    DestroyPageMergeInfo(state);
    list.Free();
    ASRaise(code);
  END_HANDLER
  return cancelled ? 0 : 1;
}

ASBool NupSpacingBackgroundOk(PDDoc doc, SNupSpacing* spacing) {
  if (gPDFXMode != 1 || !IsBackgroundFile(spacing)) return 1;
  PDDoc background = CachedTemplatePDDoc(spacing->sheetTemplate, 0);
  if (!background) return 1;
  return VerifyBackgroundBeforeImposition(doc, background);
}

ASBool NupSpacingSimple(PDDoc source, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                        const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage) {
  SNupStatus status;
  if (!status.Begin(source, spacing)) return 0;
  PDDoc newDoc = nullptr;
  bool done = false;
  DURING
    if (!status.Cancelled()) {
      SetStatusBoxTextUtf8(Msg("pagemg.4.status.copying"));
      newDoc = PDDocCreate();
      MungeMetadataAfterPDDocCreate(newDoc);
      // A cancel while copying leaves too few pages: nothing more is done.
      bool copied = false;
      {
        SStatusBoxPart part(kNupCopyShare, 100);
        copied = CopyAllPagesStamped(newDoc, source, gRemoveStructureInNewDoc);
      }
      done = copied && !status.Cancelled() &&
             status.Perform(newDoc, source, spacing, params, pageSizes, sheetSizes, positions, sheetOfPage,
                            kNupPlaceShare) &&
             !status.Cancelled();
    }
    if (done) {
      status.Tidy(newDoc, spacing->pageCount);
      if (gPDFXMode == 1) PreservePDFXIntoImposedDoc(source, newDoc);
      AVDoc view = OpenTitledWindow(newDoc, "pagemg.4.title.nupdoc", imposedDocNumber++);
      if (view) {
        newDoc = nullptr;  // the window owns it now
        AVPageViewZoomTo(AVDocGetPageView(view), AVZoomFitPage, 0);
      }
    }
  HANDLER
    const ASErrorCode code = ERRORCODE;
    if (newDoc) PDDocClose(newDoc);
    status.End();
    if (code == ShouldNotOccurError()) return 0;
    ASRaise(code);
  END_HANDLER
  // A cancelled run leaves no half-made document behind.
  if (newDoc) PDDocClose(newDoc);
  status.End();
  if (!done) NoteMessageUTF8(Msg("pagemg.4.cancelled"));
  return done ? 1 : 0;
}

ASBool NupSpacingSimpleInplace(PDDoc doc, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                               const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage) {
  SNupStatus status;
  if (!status.Begin(doc, spacing)) return 0;
  SNupInplaceUndo undo;
  bool done = false;
  DURING
    undo.Note(doc);
    StampPageRange(doc, 0, PDDocGetNumPages(doc), nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, 0);
    done = status.Perform(doc, doc, spacing, params, pageSizes, sheetSizes, positions, sheetOfPage,
                          kNupPlaceInPlaceShare) &&
           !status.Cancelled();
    if (done) {
      status.Tidy(doc, spacing->pageCount);
      if (gPDFXMode == 1) PreservePDFXIntoImposedDoc(doc, doc);
    } else {
      undo.Undo();
    }
  HANDLER
    const ASErrorCode code = ERRORCODE;
    undo.Undo();
    status.End();
    if (code == ShouldNotOccurError()) return 0;
    ASRaise(code);
  END_HANDLER
  status.End();
  if (!done) NoteMessageUTF8(Msg("pagemg.4.cancelled"));
  return done ? 1 : 0;
}

namespace {

// Larger than the sheet inside its margins, as the planner tests it.
bool LargerThanTheSheet(const SNupSpacing& s, ASFixedPoint size) {
  const ASInt64 W = (ASInt64)s.sheetWidth - s.leftMargin - s.rightMargin + Tolerance();
  const ASInt64 H = (ASInt64)s.sheetHeight - s.topMargin - s.bottomMargin + Tolerance();
  return EngineFixedScaled(size.h, s.scale) > W || EngineFixedScaled(size.v, s.scale) > H;
}

}  // namespace

void NupCountOversizePages(const SNupSpacing* spacing, const ASFixedPoint* pageSizes, SNupLonePages* lone) {
  lone->oversize = 0;
  lone->firstOversize = -1;
  lone->oversizeSize = ASFixedPoint{0, 0};
  const SNupSpacing& s = *spacing;
  for (ASInt32 i = 0; pageSizes && i < s.pageCount; ++i) {
    if (!LargerThanTheSheet(s, pageSizes[i])) continue;
    if (lone->oversize++ > 0) continue;
    lone->firstOversize = i;
    lone->oversizeSize = ASFixedPoint{EngineSat32(EngineFixedScaled(pageSizes[i].h, s.scale)),
                                      EngineSat32(EngineFixedScaled(pageSizes[i].v, s.scale))};
  }
}

void NupCountLonePages(const SNupSpacing* spacing, const ASFixedPoint* pageSizes, SNupLonePages* lone) {
  lone->count = 0;
  lone->first = -1;
  NupCountOversizePages(spacing, pageSizes, lone);
  const SNupSpacing& s = *spacing;
  const ASInt32 n = s.pageCount;
  if (n <= 0 || !pageSizes || (s.maxAcross == 1 && s.maxDown == 1)) return;
  const ASInt64 columns = std::max<ASInt32>(1, s.maxAcross), rows = std::max<ASInt32>(1, s.maxDown);
  const ASInt64 cellW =
      ((ASInt64)s.sheetWidth - s.leftMargin - s.rightMargin - (columns - 1) * s.hGaps[0]) / columns + Tolerance();
  const ASInt64 cellH =
      ((ASInt64)s.sheetHeight - s.topMargin - s.bottomMargin - (rows - 1) * s.vGaps[0]) / rows + Tolerance();
  // Every page larger than its place counts, not only one left alone on a
  // sheet: two such pages sharing a sheet of four places lost theirs too.
  for (ASInt32 i = 0; i < n; ++i) {
    if (LargerThanTheSheet(s, pageSizes[i])) continue;
    if (EngineFixedScaled(pageSizes[i].h, s.scale) <= cellW && EngineFixedScaled(pageSizes[i].v, s.scale) <= cellH)
      continue;
    if (lone->count++ == 0) lone->first = i;
  }
}

ASBool NupDoLayout(PDDoc doc, ASBool newDoc, SNupSpacing* spacing, SKCab* params, SNupLonePages* lone) {
  if (lone) *lone = SNupLonePages{};
  spacing->pageCount = PDDocGetNumPages(doc);
  if (spacing->pageCount <= 0) return 1;
  ASFixedPoint* pageSizes = nullptr;
  ASBool allSame = 0;
  // A cancel while reading the sizes would lay out pages of no size.
  bool read = false;
  {
    SStatusBoxPart part(kNupSizesShare, 100);
    read = GetAllPageSizesWithStatusX(doc, &pageSizes, &allSame, kSizeTrim) != 0;
  }
  if (!read) {
    ASfree(pageSizes);
    NoteMessageUTF8(Msg("pagemg.4.cancelled"));
    return 0;
  }
  ASFixedPoint* sheetSizes = nullptr;
  ASFixedPoint* positions = nullptr;
  ASInt32* sheetOfPage = nullptr;
  ASBool done = 0;
  DURING
    NupSpacingDummy(spacing, params, pageSizes, nullptr, nullptr, nullptr);
    const ASInt32 sheets = std::max<ASInt32>(spacing->sheetCount, 1);
    sheetSizes = (ASFixedPoint*)ASmallocWithException((ASSize_t)sheets * sizeof(ASFixedPoint));
    positions = (ASFixedPoint*)ASmallocWithException((ASSize_t)spacing->pageCount * sizeof(ASFixedPoint));
    sheetOfPage = (ASInt32*)ASmallocWithException((ASSize_t)spacing->pageCount * sizeof(ASInt32));
    NupSpacingDummy(spacing, params, pageSizes, sheetSizes, positions, sheetOfPage);
    if (lone) NupCountLonePages(spacing, pageSizes, lone);
    if (newDoc)
      done = NupSpacingSimple(doc, spacing, params, pageSizes, sheetSizes, positions, sheetOfPage);
    else
      done = NupSpacingSimpleInplace(doc, spacing, params, pageSizes, sheetSizes, positions, sheetOfPage);
  HANDLER
    const ASErrorCode code = ERRORCODE;
    ASfree(sheetOfPage);
    ASfree(positions);
    ASfree(sheetSizes);
    ASfree(pageSizes);
    ASRaise(code);
  END_HANDLER
  ASfree(sheetOfPage);
  ASfree(positions);
  ASfree(sheetSizes);
  ASfree(pageSizes);
  return done;
}

const SKCabEnumWord* NupParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "SheetAlign") == 0) return kAlignWords;
  if (std::strcmp(key, "Align") == 0) return kOldAlignWords;
  return nullptr;
}
