#include "engine/TrimShift.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/EngineImports.h"
#include "engine/EngineFixed.h"
#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "foundation/Alerts.h"
#include "kctl/DocWindow.h"
#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KParams.h"
#include "foundation/MFUtil.h"
#include "engine/RunHelpers.h"
#include "foundation/RunCab.h"
#include "host/ASFixed.h"
#include "kctl/StatusBox.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageForm.h"
#include "pdftools/Tr2Fix.h"

using namespace engine_detail;

ASInt32 gShiftedDocNumber = 0;

const SKCabEnumWord kTrimShiftTrimWords[] = {
    {kTrimNone, "None"}, {kTrimSmaller, "Smaller"}, {kTrimBigger, "Bigger"}, {kTrimUniform, "Uniform"}, {kTrimNone, nullptr}};
const SKCabEnumWord kTrimShiftEdgeWords[] = {
    {kEdgeTop, "Top"}, {kEdgeBottom, "Bottom"}, {kEdgeLeft, "Left"}, {kEdgeRight, "Right"}, {kEdgeTop, nullptr}};
const SKCabEnumWord kTrimShiftShiftWords[] = {{kShiftNone, "None"},        {kShiftFixed, "Fixed"},
                                     {kShiftFixed, "AcroFixed"},  {kShiftVariable, "Variable"},
                                     {kShiftCreep, "Creep"},      {kShiftNone, nullptr}};
const SKCabEnumWord kTrimShiftDirWords[] = {
    {kShiftUp, "Up"}, {kShiftDown, "Down"}, {kShiftLeft, "Left"}, {kShiftRight, "Right"}, {kShiftUp, nullptr}};

namespace {

constexpr const char kWorkAreaType[] = "PTrimShiftInfo";
constexpr const char kCopyGuardType[] = "PTrimShiftCopyGuard";

ASInt32 Word(SKCab* params, const char* key, const SKCabEnumWord* words) {
  return KCabEkAtomToEnumTable(KCabGetAtom(params, key, ASAtomNull), words);
}

// The side of the unrotated crop box that an edge or direction as seen names
// (0 top, 1 bottom, 2 left, 3 right).
ASInt32 SideAsSeen(ASInt32 edge, PDRotate rotate) {
  static const ASInt32 table[4][4] = {
      {0, 1, 2, 3},  // 0
      {2, 3, 1, 0},  // 90
      {1, 0, 3, 2},  // 180
      {3, 2, 0, 1},  // 270
  };
  const ASInt32 row = rotate == 90 ? 1 : rotate == 180 ? 2 : rotate == 270 ? 3 : 0;
  return table[row][edge & 3];
}

ASInt32 RoundUp4(ASInt64 n) { return (ASInt32)std::min<ASInt64>((n + 3) / 4 * 4, 0x7FFFFFFC); }

// The working copy of a new-document run: closed when the run cabinet goes
// without Finish or Cancelled having taken care of it (a host error).
struct SCopyGuard {
  PDDoc doc;
};
void DestroyCopyGuard(void* p) {
  auto* guard = static_cast<SCopyGuard*>(p);
  if (guard->doc) PDDocClose(guard->doc);
  ASfree(guard);
}

PDDoc TakeCopy(SKCab* run) {
  auto doc = (PDDoc)KCabGetPointerNamedType(run, "Work:CopyPDDoc", kKPDDocType);
  if (auto* guard = (SCopyGuard*)KCabGetPointerNamedType(run, "Work:CopyPDDocGuard", kCopyGuardType)) guard->doc = nullptr;
  KCabRemove(run, "Work:CopyPDDocGuard");
  KCabRemove(run, "Work:CopyPDDoc");
  return doc;
}

// True when the new visible area shares some area with the old one.
bool KeepsSomethingInView(const ASFixedRect& box, const ASFixedRect& old) {
  const ASFixed left = std::max(std::min(box.left, box.right), std::min(old.left, old.right));
  const ASFixed right = std::min(std::max(box.left, box.right), std::max(old.left, old.right));
  const ASFixed bottom = std::max(std::min(box.bottom, box.top), std::min(old.bottom, old.top));
  const ASFixed top = std::min(std::max(box.bottom, box.top), std::max(old.bottom, old.top));
  return left < right && bottom < top;
}

void ReportNothingInView(ASInt32 index, const ASFixedRect& old) {
  char w[64], h[64], text[600];
  KParamFormatNumber(std::fabs(EngineFixedToPoints(old.right) - EngineFixedToPoints(old.left)), w, sizeof w);
  KParamFormatNumber(std::fabs(EngineFixedToPoints(old.top) - EngineFixedToPoints(old.bottom)), h, sizeof h);
  // A page that shows no area has nothing to keep in view, whatever the amounts.
  const bool noSize = old.left == old.right || old.top == old.bottom;
  FormatMsg(text, sizeof text, noSize ? "pagemg.6.nosize" : "pagemg.6.nothinginview", "dss", (int)index + 1, w, h);
  ErrMessageUTF8(text);
}

// The shift of one page (fixed point).
ASFixed ShiftAmount(PTrimShiftInfo* info) {
  switch (info->shiftMode) {
    case kShiftFixed:
      return info->shiftFrom;
    case kShiftVariable: {
      const ASFixed a = EngineSat32((ASInt64)info->shiftFrom + EngineFixedFromPoints(info->runningShift));
      info->runningShift += info->shiftStep;
      return a;
    }
    case kShiftCreep: {
      const ASInt32 c = info->creepEvery;
      const ASInt32 half1 = (c % 2 == 0) ? c / 2 : (c + 1) / 2;
      const ASInt32 half2 = (c % 2 == 0) ? half1 + 1 : half1;
      ASInt32 k = info->creepCounter + 1;
      // The signature ends at k = c; below 3 pages a signature has no middle
      // and the counter would never come back.
      info->creepCounter = k >= c ? 0 : k;
      ASFixed a;
      if (k == half1 || k == half2) {
        a = info->shiftTo;
      } else if (k >= c) {
        k = 0;
        a = info->shiftFrom;
      } else {
        const ASInt32 m = k < half1 ? k - 1 : c - k;
        a = EngineSat32((ASInt64)info->shiftFrom + EngineFixedFromPoints(m * info->shiftStep));
      }
      return (k & 1) ? EngineSat32(-(ASInt64)a) : a;
    }
    default:
      return 0;
  }
}

void CheckSourceProc(SKCab* run, SKCab* args) { ProcessControlNewdocCopierCheckSource(run, args); }
void StartProc(SKCab* run, SKCab* args) { TrimAndShiftCallBackStart(run, args); }
void PerPageProc(SKCab* run, SKCab* args) { TrimAndShiftCallBackPerPage(run, args); }
void FinishProc(SKCab* run, SKCab* args) { TrimAndShiftCallBackFinish(run, args); }
void CancelledProc(SKCab* run, SKCab* args) { ProcessControlNewdocCopierCancelled(run, args); }

}  // namespace

void KCabDestroyByKfree(void* block) { ASfree(block); }

ASInt32 ProcessControlNewdocCopierCheckSource(SKCab* run, SKCab* args) {
  PDDoc source = ProcManGetSourcePDDoc(run);
  if (KCabGetBool(run, "Params:NewDoc", 0) && source) {
    // The copy has no window, so no current page: the source's current page
    // is the one meant, and the copy has it at the same place.
    const ASInt32 current = RunCabCurrentPageOfView(ProcManGetSourceAVDoc(run));
    if (current >= 0 && KCabGetAtom(run, "Source:Range:RangeType", ASAtomNull) == ASAtomFromString("CurrentPage")) {
      KCabPutAtom(run, "Source:Range:RangeType", ASAtomFromString("SubDoc"));
      KCabPutInt(run, "Source:Range:From", current + 1);
      KCabPutInt(run, "Source:Range:To", current + 1);
    }
    void* monitorData = nullptr;
    ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
    PDDoc copy = PDDocCreatePerhapsClonePDFX(source);
    if (!copy) ASRaise(genErrNoMemory);
    bool copied = false;
    DURING
      // Copying takes most of a trim into a new document, as it did on a
      // book of 10,000 pages; the pages one by one have the rest.
      SStatusBoxPart part(75, 100);
      SetStatusBoxTextUtf8(Msg("pagemg.6.status.copyingpages"));
      copied = CopyAllPagesStamped(copy, source, gRemoveStructureInNewDoc);
    HANDLER
      ProgressMonitorEnd(monitor, monitorData);
      CloseStatusBox();
      PDDocClose(copy);
      RERAISE();
    END_HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    CloseStatusBox();
    if (!copied) {
      // A half copy is no source: the run stops here.
      PDDocClose(copy);
      ProcManMarkCancelProcess(run, nullptr);
      return 0;
    }
    ProcManCheckSourceChangeDoc(run, nullptr, copy);
    KCabPutPointerNamedType(run, "Work:CopyPDDoc", kKPDDocType, copy, nullptr);
    auto* guard = static_cast<SCopyGuard*>(ASmallocWithException(sizeof(SCopyGuard)));
    guard->doc = copy;
    KCabPutPointerNamedType(run, "Work:CopyPDDocGuard", kCopyGuardType, guard, DestroyCopyGuard);
  }
  return KVCommandCheckSource(run, args);
}

ASInt32 TrimAndShiftCallBackStart(SKCab* run, SKCab* /*args*/) {
  SKCab* params = KCabGetCab(run, "Params");
  if (!params) {
    ProcManMarkCancelProcess(run, nullptr);
    return 0;
  }
  auto* info = static_cast<PTrimShiftInfo*>(ASmallocWithException(sizeof(PTrimShiftInfo)));
  std::memset(info, 0, sizeof *info);
  KCabPutPointerNamedType(run, "Work:Area", kWorkAreaType, info, KCabDestroyByKfree);

  info->sourceView = ProcManGetSourceAVDoc(run);
  info->newDoc = KCabGetBool(params, "NewDoc", 0);
  info->normalise = KCabGetAtom(params, "Normalise", ASAtomNull) == ASAtomFromString("Full");
  info->trimMode = Word(params, "Trim", kTrimShiftTrimWords);
  info->trimEdge = Word(params, "TrimEdge", kTrimShiftEdgeWords);
  info->trimAmount = EngineFixedFromPoints(KCabGetDouble(params, "TrimBy", 0));
  double w = 0, h = 0;
  if (ExportedPageSizeGetBlankSizeWithForcedOrientation(params, "FixedSize", &w, &h)) {
    info->fixedWidth = EngineFixedFromPoints(w);
    info->fixedHeight = EngineFixedFromPoints(h);
  }
  // A uniform trim without a size to be uniform to would change nothing.
  if (info->trimMode == kTrimUniform && (info->fixedWidth <= 0 || info->fixedHeight <= 0)) {
    ErrorKey("pagemg.6.uniformnosize");
    ProcManMarkCancelProcess(run, nullptr);
    return 0;
  }
  info->shiftMode = Word(params, "Shift", kTrimShiftShiftWords);
  info->shiftDir = Word(params, "ShiftDir", kTrimShiftDirWords);
  info->shiftFrom = EngineFixedFromPoints(KCabGetDouble(params, "ShiftFrom", 0));
  info->shiftTo = EngineFixedFromPoints(KCabGetDouble(params, "ShiftTo", 0));
  info->creepEvery = KCabGetInt(params, "CreepEvery", 0);
  info->bleedPrompt = 1;

  if (info->shiftMode == kShiftVariable) {
    const ASInt32 n = ProcManGetNumPagesToDo(run);
    info->runningShift = 0;
    info->shiftStep =
        (float)(EngineFixedToPoints(info->shiftTo) - EngineFixedToPoints(info->shiftFrom)) / (float)std::max<ASInt32>(n - 1, 1);
  } else if (info->shiftMode == kShiftCreep) {
    if (info->creepEvery < 0) {
      // Creep over the whole document: the amounts were given for n pages.
      const ASInt64 n = -(ASInt64)info->creepEvery;
      PDDoc doc = ProcManGetSourcePDDoc(run);
      const ASInt64 pages = doc ? PDDocGetNumPages(doc) : n;
      const ASInt32 every = std::max(RoundUp4(pages), 4);
      const double ratio = (double)(every - 4) / (double)(std::max(RoundUp4(n), 8) - 4);
      info->creepEvery = every;
      info->shiftFrom = EngineFixedFromPoints(EngineFixedToPoints(info->shiftFrom) * ratio);
      info->shiftTo = EngineFixedFromPoints(EngineFixedToPoints(info->shiftTo) * ratio);
    }
    const ASInt64 c = info->creepEvery;
    const ASInt64 half = (c + 1) / 2;
    const double divisor = half - 1 < 2 ? 1.0 : (double)(half - 1);
    info->shiftStep = (float)((EngineFixedToPoints(info->shiftTo) - EngineFixedToPoints(info->shiftFrom)) / divisor);
    info->creepCounter = 0;
  }
  return 1;
}

ASInt32 TrimAndShiftCallBackPerPage(SKCab* run, SKCab* args) {
  auto page = (PDPage)KCabGetPointerNamedType(args, "PDPage", kPDPageType);
  auto* info = (PTrimShiftInfo*)KCabGetPointerNamedType(run, "Work:Area", kWorkAreaType);
  if (!page || !info) return 0;
  PDDoc doc = PDPageGetDoc(page);
  const ASInt32 index = PDPageGetNumber(page);
  if (!RemoveAnyBleed(doc, index, index, info->bleedPrompt, &info->bleedAsked)) {
    ProcManMarkCancelProcess(run, nullptr);
    return 0;
  }

  ASFixedRect c0;
  PDPageGetCropBox(page, &c0);
  const PDRotate rotate = PDPageGetRotate(page);
  ASFixedRect box = c0;
  bool held = false;
  const ASFixed d = info->trimAmount;
  switch (info->trimMode) {
    case kTrimSmaller:
    case kTrimBigger: {
      const ASInt64 by = info->trimMode == kTrimSmaller ? -(ASInt64)d : d;
      // Never past the opposite side: a box may shrink to nothing, never turn over.
      switch (SideAsSeen(info->trimEdge, rotate)) {
        case 0:
          box.top = std::max(EngineSat32(box.top + by), box.bottom);
          break;
        case 1:
          box.bottom = std::min(EngineSat32(box.bottom - by), box.top);
          break;
        case 2:
          box.left = std::min(EngineSat32(box.left - by), box.right);
          break;
        default:
          box.right = std::max(EngineSat32(box.right + by), box.left);
          break;
      }
      if (info->trimMode == kTrimSmaller) PDPageSetCropBox(page, box);
      else held = true;
      break;
    }
    case kTrimUniform: {
      ASFixed W = info->fixedWidth, H = info->fixedHeight;
      if (rotate == 90 || rotate == 270) std::swap(W, H);
      if (W <= 0 || H <= 0) break;  // refused at the start
      const ASInt64 dx = (ASInt64)W - ((ASInt64)box.right - box.left);
      const ASInt64 dy = (ASInt64)H - ((ASInt64)box.top - box.bottom);
      box = ASFixedRect{EngineSat32(box.left - dx / 2), EngineSat32(box.top + dy / 2), EngineSat32(box.right + dx / 2),
                        EngineSat32(box.bottom - dy / 2)};
      if (dx / 2 < 0 && dy / 2 < 0) PDPageSetCropBox(page, box);
      else held = true;
      break;
    }
    default:
      break;
  }

  bool shifted = false;
  if (info->shiftMode != kShiftNone) {
    if (!held) PDPageGetCropBox(page, &box);
    const ASInt64 a = ShiftAmount(info);
    auto moveV = [&](ASInt64 by) {
      box.top = EngineSat32(box.top + by);
      box.bottom = EngineSat32(box.bottom + by);
    };
    auto moveH = [&](ASInt64 by) {
      box.left = EngineSat32(box.left + by);
      box.right = EngineSat32(box.right + by);
    };
    if (info->shiftMode == kShiftCreep) {
      if (rotate == 90) moveV(a);
      else if (rotate == 180) moveH(-a);
      else if (rotate == 270) moveV(-a);
      else moveH(a);
    } else {
      switch (SideAsSeen(info->shiftDir, rotate)) {
        case 0:
          moveV(-a);
          break;
        case 1:
          moveV(a);
          break;
        case 2:
          moveH(a);
          break;
        default:
          moveH(-a);
          break;
      }
    }
    shifted = true;
  }
  // A trim or shift that leaves nothing of what the page showed in view
  // loses the page: the run stops and says so, rather than make blank pages.
  const bool trimmed = info->trimMode == kTrimSmaller || info->trimMode == kTrimBigger || info->trimMode == kTrimUniform;
  if ((trimmed || shifted) && !KeepsSomethingInView(box, c0)) {
    PDPageSetCropBox(page, c0);
    ReportNothingInView(index, c0);
    ProcManMarkCancelProcess(run, nullptr);
    return 0;
  }
  if (shifted || held) {
    ASFixedRect media;
    PDPageGetMediaBox(page, &media);
    if (box.left < media.left || box.right > media.right || box.top > media.top || box.bottom < media.bottom) {
      media = ASFixedRect{std::min(media.left, box.left), std::max(media.top, box.top),
                          std::max(media.right, box.right), std::min(media.bottom, box.bottom)};
      PDPageSetMediaBox(page, media);
    }
    PDPageSetCropBox(page, box);
  }
  if (info->normalise) NormalisePDPage(page, &c0, 0);
  if (gPDFXMode == 1 && GetFilePDFXClassification(doc) != 0) PDFXImpositionPageSetting(page);
  KVCommandProcessingPage(run, args);
  PDPageNotifyContentsDidChange(page);
  return 1;
}

ASInt32 ProcessControlNewdocCopierFinish(SKCab* run, SKCab* /*args*/, const char* title) {
  PDDoc copy = TakeCopy(run);
  if (copy) AVDocOpenFromPDDocUTF8(copy, title);
  return 1;
}

ASInt32 TrimAndShiftCallBackFinish(SKCab* run, SKCab* args) {
  if (!KCabGetPointerNamedType(run, "Work:CopyPDDoc", kKPDDocType)) return 1;
  char title[300];
  FormatMsg(title, sizeof title, "pagemg.6.title.trimshift", "d", (int)++gShiftedDocNumber);
  return ProcessControlNewdocCopierFinish(run, args, title);
}

ASInt32 ProcessControlNewdocCopierCancelled(SKCab* run, SKCab* /*args*/) {
  if (PDDoc copy = TakeCopy(run)) PDDocClose(copy);
  return 1;
}

void TrimAndShiftFillProcessControlCab(SKCab* control) {
  auto put = [control](const char* key, void (*proc)(SKCab*, SKCab*)) {
    KCabPutFunctionPointerNamedType(control, key, kProcManCallbackType, (KCabFunctionPointer)proc, nullptr);
  };
  put("Control:PerPage", PerPageProc);
  put("Control:Start", StartProc);
  put("Control:CheckSource", CheckSourceProc);
  put("Control:Cancelled", CancelledProc);
  put("Control:Finish", FinishProc);
}

ASUns16 NormalisePDPage(PDPage page, const ASFixedRect* clip, ASUns16 clipOnly) {
  ASFixedRect crop;
  PDPageGetCropBox(page, &crop);
  if (!clip && clipOnly) return 0;
  const bool atOrigin = crop.left == 0 && crop.bottom == 0;
  if (atOrigin && (!clip || (clip->left == 0 && clip->bottom == 0))) return 0;

  if (PageHasPatterns(page) && gImpositionUseFormXObjects != 1) {
    ReplacePageWithXObjectReference(page, PrepareFormXObjectFromPage(page, 0), 1);
  }
  auto neg = [](ASFixed f) { return f == 0 ? 0.0 : -EngineFixedToPoints(f); };
  char prefix[300] = "";
  size_t used = 0;
  if (!clipOnly) used = (size_t)CLocaleSnprintf(prefix, sizeof prefix, "1 0 0 1 %.2f %.2f cm ", neg(crop.left), neg(crop.bottom));
  if (clip && used < sizeof prefix) {
    CLocaleSnprintf(prefix + used, sizeof prefix - used, "%.2f %.2f %.2f %.2f re W n ", EngineFixedToPoints(clip->left),
                    EngineFixedToPoints(clip->bottom), EngineFixedToPoints(clip->right) - EngineFixedToPoints(clip->left),
                    EngineFixedToPoints(clip->top) - EngineFixedToPoints(clip->bottom));
  }
  PrefixPageContents(page, prefix);
  if (gApplyTr2Fix) FixTr2InPage(page, 1);
  if (clipOnly || atOrigin) return 1;
  const ASFixedRect moved{0, EngineSat32((ASInt64)crop.top - crop.bottom), EngineSat32((ASInt64)crop.right - crop.left), 0};
  PDPageSetMediaBox(page, moved);
  PDPageSetCropBox(page, moved);
  return 1;
}

const SKCabEnumWord* TrimShiftParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Trim") == 0) return kTrimShiftTrimWords;
  if (std::strcmp(key, "TrimEdge") == 0) return kTrimShiftEdgeWords;
  if (std::strcmp(key, "Shift") == 0) return kTrimShiftShiftWords;
  if (std::strcmp(key, "ShiftDir") == 0) return kTrimShiftDirWords;
  return nullptr;
}
