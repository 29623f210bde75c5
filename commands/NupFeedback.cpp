// How the n-up pages will fall before any sheet is built: the sheet
// orientation "Best" stands for, the fit scale of a grid, the number of
// sheets, and the feedback texts of the wizard's last page. Everything is
// planned on copies of the record, so the real layout is never disturbed.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "commands/Nup.h"
#include "commands/NupPrivate.h"
#include "engine/TemplatePages.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/TextCut.h"
#include "frame/Describe.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlMac.h"

using namespace nup_detail;

namespace {

// The last sheet description and its size, reused while the description
// stays the same (reading a background file's page is slow).
struct SSheetSizeCache {
  bool valid = false;
  STemplateInfo sheet{};
  ASFixedPoint size{0, 0};
};

enum EPlanResult {
  kPlanOk,
  kPlanNoSheet,        // no usable "Page"
  kPlanZeroSheet,      // the sheet's size cannot be read
  kPlanRowsColsZero,   // fitting to a grid of no rows and no columns
  kPlanTooFewPages     // the background file has fewer pages than sheets
};

struct SPlan {
  SNupSpacing tall, wide;
  const SNupSpacing* chosen = nullptr;
  bool toFit = false;
  bool background = false;
  bool backgroundMixed = false;
};

// The layout of the parameters for info's pages: steps shared by the
// performer and the wizard. Writes the chosen layout into info when it works.
EPlanResult Plan(SKCab* cab, SNupInfo* info, SSheetSizeCache* cache, SPlan* plan) {
  const ASBool useScale = KCabGetBool(cab, "UseScale", 0);
  const ASInt32 scaling = KCabEkAtomToEnumTable(KCabGetAtom(cab, "DoScaling", ASAtomNull), kScalingWords);
  const ASInt32 orientation =
      KCabEkAtomToEnumTable(KCabGetAtom(cab, "PageOrientation", ASAtomNull), kOrientationWords);
  const bool toFit = scaling == kNupToFit;
  bool tall = orientation == kNupTall;
  bool best = orientation == kNupBest;
  plan->toFit = toFit;

  STemplateInfo sheet;
  if (!ExportedPageSizeFillTemplateInfo(cab, "Page", &sheet, 0)) return kPlanNoSheet;
  ASFixedPoint size;
  const bool background = !sheet.blank;
  plan->background = background;
  if (cache->valid && TemplatesAreIdentical(&cache->sheet, &sheet)) {
    size = cache->size;
  } else {
    size = TemplatePageSize(&sheet, 0, 1);
    if (background) plan->backgroundMixed = !TemplateAllSameSize(&sheet, 1);
    cache->valid = size.h != 0;
    cache->sheet = sheet;
    cache->size = size;
  }
  if (size.h == 0) return kPlanZeroSheet;

  info->sheet = sheet;
  info->hasSheet = 1;
  SNupSpacing& s = info->spacing;
  s.sheetTemplate = &info->sheet;
  s.sheetWidth = size.h;
  s.sheetHeight = size.v;
  if (background) {
    // The background's page decides the orientation.
    tall = size.h < size.v;
    best = false;
  }

  const bool grid = !useScale || toFit;
  s.maxAcross = grid ? info->fitAcross : 0;
  s.maxDown = grid ? info->fitDown : 0;
  s.scale = (useScale && !toFit) ? info->fixedScale : 1.0;
  s.fitScale = 1.0;
  if (useScale && toFit && s.maxAcross == 0 && s.maxDown == 0) return kPlanRowsColsZero;

  plan->tall = s;
  plan->wide = s;
  if (plan->tall.sheetWidth > plan->tall.sheetHeight) std::swap(plan->tall.sheetWidth, plan->tall.sheetHeight);
  if (plan->wide.sheetHeight > plan->wide.sheetWidth) std::swap(plan->wide.sheetWidth, plan->wide.sheetHeight);
  if (useScale && toFit && info->pageSizes) {
    plan->tall.scale = ScaleForFixedLayout(&s, plan->tall.sheetWidth, plan->tall.sheetHeight, info->pageSizes);
    plan->wide.scale = ScaleForFixedLayout(&s, plan->wide.sheetWidth, plan->wide.sheetHeight, info->pageSizes);
  }
  NupSpacingDummy(&plan->tall, cab, info->pageSizes, nullptr, nullptr, nullptr);
  NupSpacingDummy(&plan->wide, cab, info->pageSizes, nullptr, nullptr, nullptr);

  bool tallWins;
  if (s.stepAndRepeat) {
    info->tallCount = plan->tall.totalCopies;
    info->wideCount = plan->wide.totalCopies;
    tallWins = info->tallCount > info->wideCount;
  } else {
    info->tallCount = plan->tall.sheetCount;
    info->wideCount = plan->wide.sheetCount;
    tallWins = info->wideCount > info->tallCount;
  }
  if (info->tallCount == info->wideCount) tallWins = plan->tall.scale >= plan->wide.scale;
  if (plan->tall.somethingDidNotFit && !plan->wide.somethingDidNotFit) tallWins = false;
  if (plan->wide.somethingDidNotFit && !plan->tall.somethingDidNotFit) tallWins = true;
  info->bestIsTall = tallWins ? 1 : 0;

  const SNupSpacing& chosen = (tall || (best && tallWins)) ? plan->tall : plan->wide;
  plan->chosen = &chosen;
  if (background && TemplateMaxPages(&sheet) < chosen.sheetCount) return kPlanTooFewPages;

  info->pageTooBig = chosen.somethingDidNotFit;
  if (useScale && toFit) s.scale = chosen.scale;
  s.sheetWidth = chosen.sheetWidth;
  s.sheetHeight = chosen.sheetHeight;
  s.sheetCount = chosen.sheetCount;
  s.somethingDidNotFit = chosen.somethingDidNotFit;
  s.fewestRows = chosen.fewestRows;
  s.mostRows = chosen.mostRows;
  s.fewestAcross = chosen.fewestAcross;
  s.mostAcross = chosen.mostAcross;
  return kPlanOk;
}

// Appends text to out (size bytes), always terminated.
void Append(char* out, size_t size, const char* text) {
  const size_t used = std::strlen(out);
  if (used + 1 >= size) return;
  CopyCutUTF8(out + used, size - used, text);
}

void SetText(SMacDialogInfo* dialog, ASInt32 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return;
  SKCtlElem* elem = KCtlPlatformGetElemFromControlId(data, id);
  if (elem) KCtlPlatformSetControlText(dialog, data, elem, text);
}

// "2 columns", "1 column", "2 to 3 columns" and the same for rows.
void CountPhrase(char* out, size_t size, ASInt32 fewest, ASInt32 most, const char* fixedKey, const char* singleKey,
                 const char* pluralKey, const char* varKey) {
  if (fewest == 0x7FFFFFFF) fewest = most;  // one sheet (or one row): nothing else to compare
  if (fewest == most)
    FormatMessageByKeyUTF8(nullptr, fixedKey, "%ld %s", out, size, "ls", (long)most,
                           Msg(most == 1 ? singleKey : pluralKey));
  else
    FormatMessageByKeyUTF8(nullptr, varKey, "%ld-%ld", out, size, "ll", (long)fewest, (long)most);
}

}  // namespace

double ScaleForFixedLayout(const SNupSpacing* spacing, ASFixed sheetWidth, ASFixed sheetHeight,
                           const ASFixedPoint* pageSize) {
  const ASInt32 columns = std::max<ASInt32>(1, spacing->maxAcross);
  const ASInt32 rows = std::max<ASInt32>(1, spacing->maxDown);
  ASInt64 freeW = (ASInt64)sheetWidth - spacing->leftMargin - spacing->rightMargin -
                  (ASInt64)(columns - 1) * spacing->hGaps[0];
  ASInt64 freeH = (ASInt64)sheetHeight - spacing->topMargin - spacing->bottomMargin -
                  (ASInt64)(rows - 1) * spacing->vGaps[0];
  if (freeW <= 0xFFFF) freeW = 0x10000;
  if (freeH <= 0xFFFF) freeH = 0x10000;
  const float pageW = (float)((ASInt64)pageSize->h + 2);
  const float pageH = (float)((ASInt64)pageSize->v + 2);
  const float across = (float)freeW / ((float)columns * pageW);
  const float down = (float)freeH / ((float)rows * pageH);
  return (double)std::min(across, down);
}

ASBool DoPageCountSideEffects(SKCab* cab, SNupInfo* info) {
  static SSheetSizeCache cache;
  SPlan plan;
  switch (Plan(cab, info, &cache, &plan)) {
    case kPlanOk:
      return 1;
    case kPlanNoSheet:
      ErrMessageUTF8(Msg("common.err.nopagesize"));
      return 0;
    case kPlanZeroSheet:
      ErrMessageUTF8(Msg("uiimp.3.cantreadbackground"));
      return 0;
    case kPlanRowsColsZero:
      ErrMessageUTF8(Msg("uiimp.3.rowsandcolszero"));
      return 0;
    case kPlanTooFewPages:
      ErrMessageUTF8(Msg("nup.err.fewbackgrounds"));
      return 0;
    default:
      return 0;
  }
}

ASBool NupDialog3DoPageCount(SMacDialogInfo* dialog, SNupInfoDuringDialog* dialogInfo, ASInt32 baseId,
                             ASBool* outPageTooBig, ASBool* outNoMargins) {
  static SSheetSizeCache cache;
  if (outPageTooBig) *outPageTooBig = 0;
  if (outNoMargins) *outNoMargins = 0;
  SKCab* values = KCabNewInner();
  KCtlAdvanceExport(dialog, values, 1);
  SNupInfo info = active_nup;
  KCabToNupSpacing(values, &info, 0, 0, 0);
  info.spacing.stepAndRepeat = dialogInfo ? dialogInfo->stepAndRepeat : 0;
  info.pageSizes = dialogInfo ? dialogInfo->pageSizes : nullptr;
  info.spacing.pageCount = dialogInfo && dialogInfo->document ? PDDocGetNumPages(dialogInfo->document) : 0;
  const bool hasDocument = dialogInfo && dialogInfo->hasDocument && info.pageSizes;
  if (!hasDocument) info.spacing.pageCount = 0;
  SPlan plan;
  const EPlanResult result = Plan(values, &info, &cache, &plan);
  KCabDestroy(values);

  const ASInt32 layoutId = baseId + 12, sheetsId = baseId + 13, copiesId = baseId + 14, perSheetId = baseId + 15;
  if (plan.backgroundMixed) ErrMessageUTF8(Msg("uiimp.3.backgroundmixedsizes"));
  switch (result) {
    case kPlanNoSheet:
      SetText(dialog, layoutId, Msg("common.err.nopagesize"));
      return 0;
    case kPlanZeroSheet:
      SetText(dialog, layoutId, Msg("uiimp.3.cantreadbackground"));
      return 0;
    case kPlanRowsColsZero:
      SetText(dialog, layoutId, Msg("uiimp.3.rowsandcolszero"));
      return 0;
    default:
      break;
  }
  if (!hasDocument) return 1;

  SetText(dialog, baseId + 4, Msg(info.bestIsTall ? "uiimp.3.bestfittall" : "uiimp.3.bestfitwide"));
  const SNupSpacing& chosen = *plan.chosen;
  const bool stepAndRepeat = info.spacing.stepAndRepeat != 0;
  char text[300];
  if (!stepAndRepeat) {
    std::snprintf(text, sizeof text, "%ld", (long)chosen.sheetCount);
    SetText(dialog, sheetsId, text);
  } else {
    std::snprintf(text, sizeof text, "%ld", (long)chosen.totalCopies);
    SetText(dialog, copiesId, text);
    if (chosen.fewestCopies == chosen.mostCopies)
      std::snprintf(text, sizeof text, "%ld", (long)chosen.fewestCopies);
    else
      FormatMessageByKeyUTF8(nullptr, "uiimp.3.rangepages", "%ld-%ld", text, sizeof text, "ll",
                             (long)chosen.fewestCopies, (long)chosen.mostCopies);
    SetText(dialog, perSheetId, text);
  }

  char layout[600] = "";
  const bool tooBig = chosen.somethingDidNotFit != 0;
  if (chosen.sheetCount < 2 && !tooBig) {
    Append(layout, sizeof layout, Msg("uiimp.3.layoutsinglesheet"));
  } else if (chosen.mostRows == 1 && chosen.mostAcross == 1) {
    Append(layout, sizeof layout, Msg("uiimp.3.layoutonepagepersheet"));
  } else {
    char phrase[200];
    CountPhrase(phrase, sizeof phrase, chosen.fewestAcross, chosen.mostAcross, "uiimp.3.layoutfixedcols",
                "uiimp.3.layoutfixedcolssingle", "uiimp.3.layoutfixedcolsplural", "uiimp.3.layoutvarcols");
    Append(layout, sizeof layout, phrase);
    CountPhrase(phrase, sizeof phrase, chosen.fewestRows, chosen.mostRows, "uiimp.3.layoutfixedrows",
                "uiimp.3.layoutfixedrowssingle", "uiimp.3.layoutfixedrowsplural", "uiimp.3.layoutvarrows");
    Append(layout, sizeof layout, phrase);
  }
  if (KCabGetBool(KCtlExportCabForDialog(dialog), "UseScale", 0) && plan.toFit) {
    char phrase[200];
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.layoutscale", " (%.1f%%)", phrase, sizeof phrase, "f",
                           chosen.scale * 100.0);
    Append(layout, sizeof layout, phrase);
  }
  SetText(dialog, layoutId, layout);

  if (result == kPlanTooFewPages) {
    std::snprintf(text, sizeof text, "%ld", (long)(stepAndRepeat ? chosen.totalCopies : chosen.sheetCount));
    Append(text, sizeof text, Msg("uiimp.3.layouttoomany"));
    SetText(dialog, stepAndRepeat ? copiesId : sheetsId, text);
    return 0;
  }
  if (outPageTooBig) *outPageTooBig = info.pageTooBig;
  if (outNoMargins)
    *outNoMargins = chosen.leftMargin == 0 && chosen.rightMargin == 0 && chosen.topMargin == 0 &&
                    chosen.bottomMargin == 0;
  return 1;
}

void FormatNupAlignFeedback(SKCab* cab, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  buffer[0] = 0;
  const EWhatPageAlign front = NupGetFrontAlignment(cab);
  const EWhatPageAlign back = NupGetBackAlignment(cab);
  Append(buffer, size, PageAlignDescription(front));
  if (back != front) {
    char text[300];
    FormatMessageByKeyUTF8(nullptr, "dlg.nup3fixed.40", "; back sheets %s", text, sizeof text, "s",
                           PageAlignDescription(back));
    Append(buffer, size, text);
  }
  if (KCabGetBool(cab, "SheetAlignIndependent", 0)) Append(buffer, size, Msg("dlg.nup3fixed.41"));
}
