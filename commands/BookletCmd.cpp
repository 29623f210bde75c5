// The booklet command's definition, parameters and describer.
#include "commands/BookletCmd.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands/CropMarkSetup.h"
#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "engine/Booklet.h"
#include "engine/CropMarks.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/ProductName.h"
#include "foundation/KCab.h"
#include "foundation/KParams.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "kctl/PageSizeElem.h"

namespace {

// A line of the describer: the text of key followed by the text of tail.
void Line(SKCab* lines, const char* key, const char* tail) {
  const char* head = Msg(key);
  const size_t n = std::strlen(head);
  const bool gap = tail && *tail && n > 0 && head[n - 1] != ' ';
  std::string text = std::string(head) + (gap ? " " : "") + (tail ? tail : "");
  CutUTF8(text, 999);
  KCabPutStringCopy(lines, "", text.c_str());
}

}  // namespace

void BookletResetAdvancedParams(SKCab* cab, ASBool withCropDefaults) {
  if (!cab) return;
  KCabPutDouble(cab, "Margin", 0.0);
  KCabPutBool(cab, "NoScale", 0);
  KCabPutBool(cab, "NewDoc", 1);
  if (withCropDefaults)
    InitialiseCropMarkParams(cab, 0);
  else
    KCabPutBool(cab, "CropMarks", 0);
  ClearPerImpositionPrefsInCab(cab);
}

ASBool AnyAdvancedParams(SKCab* cab) {
  if (!cab) return 0;
  if (AnyPerImpositionOverrides(cab)) return 1;
  if (!KCabGetBool(cab, "NewDoc", 1)) return 1;
  const double margin = KCabGetDouble(cab, "Margin", 0.0);
  if (!(margin == 0.0)) return 1;  // NaN counts as set
  return KCabGetBool(cab, "NoScale", 0) || KCabGetBool(cab, "CropMarks", 0);
}

void Booklet2AppendPercent(char* text, size_t capacity, double sheetWidth, double sheetHeight, double maxWidth,
                           double maxHeight, double margin, ASBool noScale) {
  if (!text || capacity == 0) return;
  const double scale =
      std::fmin((sheetWidth - 2 * margin) * 100 / (2 * maxWidth), (sheetHeight - 2 * margin) * 100 / maxHeight);
  char tail[300];
  const bool nan = std::isnan((sheetWidth - 2 * margin) * 100 / (2 * maxWidth)) ||
                   std::isnan((sheetHeight - 2 * margin) * 100 / maxHeight);
  if (!nan && !(scale > 0)) {
    std::snprintf(tail, sizeof tail, "%s", Msg("uiimp.1.doesnotfit"));
  } else if (noScale) {
    if (!nan && scale < 100)
      std::snprintf(tail, sizeof tail, "%s", Msg("uiimp.1.doesnotfit"));
    else
      FormatMessageByKeyUTF8(nullptr, "uiimp.1.scalepercent", "(%d %%)", tail, sizeof tail, "d", 100);
  } else {
    // Truncated towards zero, kept inside an int (NaN and huge scales alike).
    int percent = nan ? 0 : scale >= 2147483647.0 ? 2147483647 : (int)scale;
    FormatMessageByKeyUTF8(nullptr, "uiimp.1.scalepercent", "(%d %%)", tail, sizeof tail, "d", percent);
  }
  size_t used = std::strlen(text);
  if (used >= capacity - 1) return;
  if (used > 0) {
    text[used++] = ' ';
    text[used] = 0;
  }
  CopyCutUTF8(text + used, capacity - used, tail);
}

bool BookletFixedSheet(SKCab* values, double* width, double* height) {
  switch (BookletSizingFromAtom(KCabGetAtom(values, "Sizing", ASAtomNull))) {
    case kBookletLetterWide:
      *width = kBookletLetterWideW;
      *height = kBookletLetterWideH;
      return true;
    case kBookletA4Wide:
      *width = kBookletA4WideW;
      *height = kBookletA4WideH;
      return true;
    case kBookletCustom:
      return ExportedPageSizeGetBlankSizeWithForcedOrientation(values, "Page", width, height) != 0;
    default:
      return false;
  }
}

bool BookletFitsAtFullSize(double sheetWidth, double sheetHeight, double maxWidth, double maxHeight, double margin) {
  return !(2 * maxWidth + 2 * margin > sheetWidth || maxHeight + 2 * margin > sheetHeight);
}

SKCab* CmdMgrBookletDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DURING
    if (KCabGetBool(params, "NewDoc", 1)) Line(lines, "common.desc.newdoc", nullptr);

    static const char* const kOrders[] = {"uiimp.1.order.consec", "uiimp.1.order.saddle", "uiimp.1.order.signatures",
                                          "uiimp.1.order.cutstacks"};
    // Only a known word gets the line (the engine would read others as "Consec").
    const ASAtom paginateWord = KCabGetAtom(params, "Paginate", ASAtomNull);
    const ASInt32 paginate = BookletPaginationFromAtom(paginateWord);
    if (paginateWord != ASAtomNull && paginateWord == Atom(BookletPaginationWord((ESimpleBookletPagination)paginate))) {
      Line(lines, "uiimp.1.desc.order", Msg(kOrders[paginate]));
      char text[1000];
      if (paginate == kBookletMultiple) {
        FormatMessageByKeyUTF8(nullptr, "uiimp.1.desc.sigsize", "Pages in a signature: %d", text, sizeof text, "d",
                               (int)KCabGetInt(params, "PagesPerSig", 16));
        KCabPutStringCopy(lines, "", text);
        FormatMessageByKeyUTF8(nullptr, "uiimp.1.desc.addblanks", "Blank pages added: %s", text, sizeof text, "s",
                               YesNoDescription(KCabGetBool(params, "AddBlanks", 0)));
        KCabPutStringCopy(lines, "", text);
      } else if (paginate == kBookletCutStacks) {
        FormatMessageByKeyUTF8(nullptr, "uiimp.1.desc.singlesided", "Single-sided: %s", text, sizeof text, "s",
                               YesNoDescription(KCabGetBool(params, "SingleSided", 0)));
        KCabPutStringCopy(lines, "", text);
      }
    }

    const ASInt32 sizing = BookletSizingFromAtom(KCabGetAtom(params, "Sizing", ASAtomNull));
    static const char* const kSheets[] = {"uiimp.1.sheet.fullsize", "uiimp.1.sheet.letter", "uiimp.1.sheet.a4"};
    if (sizing == kBookletCustom) {
      char size[1000] = {0};
      ExportedPageSizeFormat(params, "Page", 1, size, (ASInt32)sizeof size);
      Line(lines, "common.desc.sheetsize", size);
    } else {
      Line(lines, "common.desc.sheetsize", Msg(kSheets[sizing]));
    }

    char key[40];
    std::snprintf(key, sizeof key, "uiimp.1.frontback.%d",
                  (int)BookletBacksFromAtom(KCabGetAtom(params, "Backs", ASAtomNull)) + 1);
    Line(lines, "uiimp.1.desc.frontback", Msg(key));
    std::snprintf(key, sizeof key, "uiimp.1.align.%d",
                  (int)BookletAlignFromAtom(KCabGetAtom(params, "Align", ASAtomNull)) + 1);
    Line(lines, "common.desc.align", Msg(key));

    if (KCabGetBool(params, "NoScale", 0)) Line(lines, "uiimp.1.noscale", nullptr);
    const double margin = KCabGetDouble(params, "Margin", 0.0);
    if (margin != 0.0) {
      char text[1000];
      FormatMessageByKeyUTF8(nullptr, "uiimp.2.desc.margin", "Margin: %g points", text, sizeof text, "f", margin);
      KCabPutStringCopy(lines, "", text);
    }
    if (KCabGetBool(params, "CropMarks", 0)) CropMarkDescriber(lines, params);
    PerImpositionOverridesDescriber(lines, params);
    DescribeParamRefusal(lines, "SimpleBooklet", params);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  return lines;
}

namespace {

// The sheet check of the wizard's sheet page, for a run without the wizard:
// at 100 % on a sheet of a fixed size, pages that do not go two side by side
// inside the margin would lose their edges. Refused with the sizes.
bool FullSizePagesFit(PDDoc doc, SKCab* params) {
  if (!doc || !params || !KCabGetBool(params, "NoScale", 0) || PDDocGetNumPages(doc) < 1) return true;
  double w = 0, h = 0;
  if (!BookletFixedSheet(params, &w, &h)) return true;  // a sheet made to fit, or one the engine refuses itself
  ASFixedPoint smallest{0, 0}, largest{0, 0};
  GetPageSizesForRangeX(doc, kSizeTrim, 0, PDDocGetNumPages(doc) - 1, &smallest, &largest, nullptr, nullptr, nullptr,
                        nullptr);
  const double maxW = largest.h / 65536.0, maxH = largest.v / 65536.0, m = KCabGetDouble(params, "Margin", 0.0);
  const double slack = 0.01;  // points: what the fixed-point sizes may be off by
  if (BookletFitsAtFullSize(w + slack, h + slack, maxW, maxH, m)) return true;
  char pw[64], ph[64], nw[64], nh[64], sw[64], sh[64], text[1000];
  KParamFormatNumber(maxW, pw, sizeof pw);
  KParamFormatNumber(maxH, ph, sizeof ph);
  KParamFormatNumber(2 * maxW + 2 * m, nw, sizeof nw);
  KParamFormatNumber(maxH + 2 * m, nh, sizeof nh);
  KParamFormatNumber(w, sw, sizeof sw);
  KParamFormatNumber(h, sh, sizeof sh);
  FormatMessageByKeyUTF8(nullptr, "booklet.err.nofit100", nullptr, text, sizeof text, "ssssss", pw, ph, nw, nh, sw, sh);
  std::string said = text;
  // The same sheet the other way round may hold them: said with the setting
  // that turns it (a custom sheet's orientation; a fixed wide sheet has no
  // tall one but as a custom size).
  if (BookletFitsAtFullSize(h + slack, w + slack, maxW, maxH, m)) {
    const bool wide = h > w;
    std::string turn = std::string("PageOrientation=") + (wide ? "Wide" : "Tall");
    switch (BookletSizingFromAtom(KCabGetAtom(params, "Sizing", ASAtomNull))) {
      case kBookletLetterWide:
        turn = "Sizing=Custom, Page=Letter and " + turn;
        break;
      case kBookletA4Wide:
        turn = "Sizing=Custom, Page=A4 and " + turn;
        break;
      default:
        break;
    }
    FormatMessageByKeyUTF8(nullptr, "booklet.err.nofit100turned", nullptr, text, sizeof text, "sss", sh, sw,
                           turn.c_str());
    said += std::string(" ") + text;
  }
  ErrMessageUTF8(said.c_str());
  return false;
}

// The engine's Start, once the run's parameters are accepted and its pages
// fit the sheet.
void BookletCmdStart(SKCab* run, SKCab* args) {
  if (!CommandParamsAccepted(run, "SimpleBooklet")) return;
  if (FullSizePagesFit(ProcManGetSourcePDDoc(run), KCabGetCab(run, "Params")))
    BookletCallBackStart(run, args);
  else
    ProcManMarkCancelProcess(run, nullptr);
}

}  // namespace

SKCab* NewCmdMgrForBooklet() {
  SKCab* command = KCabNewInner();
  DURING
    SKCab* defaults = KCabNewInner();
    KCabPutCab(command, "DefaultParams", defaults);
    KCabPutAtom(defaults, "Sizing", Atom("Sufficient"));
    KCabPutAtom(defaults, "Paginate", Atom("Consec"));
    KCabPutInt(defaults, "PagesPerSig", 16);
    KCabPutBool(defaults, "AddBlanks", 0);
    KCabPutBool(defaults, "SingleSided", 0);
    KCabPutAtom(defaults, "Backs", Atom("Inline"));
    KCabPutAtom(defaults, "Align", Atom("CentrePages"));
    KCabPutAtom(defaults, "Fields", Atom("None"));
    BookletResetAdvancedParams(defaults, 1);
    BookletFillProcessControlCab(command);
    KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)BookletCmdStart,
                                    nullptr);
    KCabPutStringCopy(command, "Name", Msg("impmenu1.cmd.booklet"));
    KCabPutAtom(command, "Key", Atom("SimpleBooklet"));
    KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)CmdMgrBookletUI, nullptr);
    KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                    (KCabFunctionPointer)CmdMgrBookletDescriber, nullptr);
    KCabPutStringCopy(command, "BatchGroup", CurrentProductString(0));
    KCabPutInt(command, "Version", 1);
    KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  HANDLER
    KCabDestroy(command);
    RERAISE();
  END_HANDLER
  return command;
}

KV_COMMAND_MODULE(.NewCmdMgrForBooklet = NewCmdMgrForBooklet)
