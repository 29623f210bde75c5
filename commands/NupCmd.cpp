// The n-up command in the command layer: its definition, the lines that
// describe a set of its parameters, and the Start callback that fixes the
// layout and hands it to the engine.
#include <cmath>
#include <cstdio>
#include <string>
#include <cstring>

#include "commands/CropMarkSetup.h"
#include "commands/Nup.h"
#include "commands/NupPrivate.h"
#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "kctl/PageSizeElem.h"
#include "kctl/StatusBox.h"

using namespace nup_detail;

namespace {

constexpr size_t kLineSize = 1000;

void Line(SKCab* lines, const char* text) { KCabPutStringCopy(lines, "", text); }

void LineKey(SKCab* lines, const char* key) { Line(lines, Msg(key)); }

// A fixed part followed by a text of its own.
void LineKeyThen(SKCab* lines, const char* key, const char* tail) {
  std::string line = std::string(Msg(key)) + " " + (tail ? tail : "");
  CutUTF8(line, kLineSize - 1);
  Line(lines, line.c_str());
}

void LineKeyYesNo(SKCab* lines, const char* key, ASBool flag) {
  char line[kLineSize];
  FormatMessageByKeyUTF8(nullptr, key, nullptr, line, sizeof line, "s", YesNoDescription(flag));
  Line(lines, line);
}

const char* OrientationWordKey(SKCab* params) {
  switch (KCabEkAtomToEnumTable(KCabGetAtom(params, "PageOrientation", ASAtomNull), kOrientationWords)) {
    case kNupTall:
      return "common.orientword.tall";
    case kNupWide:
      return "common.orientword.wide";
    default:
      return "common.orientword.best";
  }
}

void PutCallback(SKCab* cab, const char* key, ProcManCallback proc) {
  KCabPutFunctionPointerNamedType(cab, key, kProcManCallbackType, (KCabFunctionPointer)proc, nullptr);
}

// The count the layout gives: the fewest, or the only one when there was
// nothing to compare (a single sheet or row).
ASInt32 LayoutCount(ASInt32 fewest, ASInt32 most) { return fewest == 0x7FFFFFFF ? most : fewest; }

// Fitted to a grid the sheet cannot hold, the pages would shrink to nothing:
// the scale the grid gives must be one FixedScale could give.
bool GridScaleAccepted(const SNupInfo& info) {
  const SKParamDef* def = CommandParamDef("Nup", "FixedScale");
  const double scale = info.spacing.scale;
  if (!def || (std::isfinite(scale) && scale >= def->min)) return true;
  char got[64], least[64], text[kLineSize];
  KParamFormatNumber(scale, got, sizeof got);
  KParamFormatNumber(def->min, least, sizeof least);
  FormatMessageByKeyUTF8(nullptr, "nup.err.scale",
                         "FitAcross %d and FitDown %d scale the pages by %s on this sheet; the smallest scale is %s: "
                         "give fewer columns or rows.",
                         text, sizeof text, "ddss", (int)info.fitAcross, (int)info.fitDown, got, least);
  ErrMessageUTF8(text);
  return false;
}

// The grid's scale comes from the first page: a larger page does not fit its
// place and goes where it fits, fewer to a sheet, which the user is told of
// (the layout is as designed): how many such pages there are and the first.
void WarnLonePages(const SNupLonePages& lone) {
  if (lone.count < 1) return;
  char text[kLineSize];
  if (lone.count == 1)
    FormatMessageByKeyUTF8(nullptr, "nup.warn.alone1",
                           "Page %d is larger than its place in the grid at the scale DoScaling ToFit takes from the "
                           "first page, so it went where it fits, on a sheet with fewer pages than the grid has places.",
                           text, sizeof text, "d", (int)lone.first + 1);
  else
    FormatMessageByKeyUTF8(nullptr, "nup.warn.alone",
                           "%d pages are larger than their place in the grid at the scale DoScaling ToFit takes from "
                           "the first page, so they went where they fit, on sheets with fewer pages than the grid has "
                           "places; the first of them is page %d.",
                           text, sizeof text, "dd", (int)lone.count, (int)lone.first + 1);
  WarnMessageUTF8(text);
}

// The sheet inside its margins, in points, as words.
void SheetInsideMargins(const SNupSpacing& s, char* width, char* height, size_t size) {
  KParamFormatNumber(ASFixedToFloat(s.sheetWidth - s.leftMargin - s.rightMargin), width, size);
  KParamFormatNumber(ASFixedToFloat(s.sheetHeight - s.topMargin - s.bottomMargin), height, size);
}

// A page larger than the sheet gets a sheet of its own made larger to hold
// it: the sheets are then not all the size asked for, which is said.
void WarnOversizePages(const SNupLonePages& lone, const SNupInfo& info) {
  if (lone.oversize < 1) return;
  const SNupSpacing& s = info.spacing;
  const char* advice = Msg(!info.useScale                 ? "nup.advice.noscale"
                           : info.doScaling == kNupToFit ? "nup.advice.tofit"
                                                         : "nup.advice.fixed");
  char text[kLineSize], pw[64], ph[64], sw[64], sh[64];
  KParamFormatNumber(ASFixedToFloat(lone.oversizeSize.h), pw, sizeof pw);
  KParamFormatNumber(ASFixedToFloat(lone.oversizeSize.v), ph, sizeof ph);
  SheetInsideMargins(s, sw, sh, sizeof sw);
  if (lone.oversize == 1)
    FormatMessageByKeyUTF8(nullptr, "nup.warn.oversize1", nullptr, text, sizeof text, "dsssss",
                           (int)lone.firstOversize + 1, pw, ph, sw, sh, advice);
  else
    FormatMessageByKeyUTF8(nullptr, "nup.warn.oversize", nullptr, text, sizeof text, "dssdsss", (int)lone.oversize, sw,
                           sh, (int)lone.firstOversize + 1, pw, ph, advice);
  WarnMessageUTF8(text);
}

void FreePageSizes(SNupInfo* info) {
  ASfree(info->pageSizes);
  info->pageSizes = nullptr;
}

}  // namespace

SKCab* NupOrStepDescriber(SKCab*, SKCab* params, ASBool) {
  SKCab* lines = KCabNewInner();
  char line[kLineSize];
  if (KCabGetBool(params, "NewDoc", 1)) LineKey(lines, "common.desc.newdoc");
  LineKeyYesNo(lines, "uiimp.3.1", KCabGetBool(params, "Trim", 0));
  LineKeyYesNo(lines, "uiimp.3.2", KCabGetBool(params, "UseScale", 0));
  const ASBool useMgn = KCabGetBool(params, "UseMgn", 0);
  if (!useMgn) {
    LineKey(lines, "uiimp.3.3");
  } else {
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.4", nullptr, line, sizeof line, "ffff",
                           KCabGetDouble(params, "LMgn", 0), KCabGetDouble(params, "TMgn", 0),
                           KCabGetDouble(params, "RMgn", 0), KCabGetDouble(params, "BMgn", 0));
    Line(lines, line);
    const char* h = KCabGetString(params, "HSpace");
    const char* v = KCabGetString(params, "VSpace");
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.5", nullptr, line, sizeof line, "s", h ? h : "0");
    Line(lines, line);
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.6", nullptr, line, sizeof line, "s", v ? v : "0");
    Line(lines, line);
  }
  if (KCabGetBool(params, "EvenMirrorHorizontal", 0)) LineKey(lines, "dlg.nupalign.73");
  if (KCabGetBool(params, "EvenMirrorVertical", 0)) LineKey(lines, "dlg.nupalign.74");
  if (useMgn) {
    if (KCabGetBool(params, "CropMarks", 0)) CropMarkDescriber(lines, params);
    LineKeyYesNo(lines, "uiimp.3.7", KCabGetBool(params, "Frames", 0));
  }
  char size[kLineSize] = "";
  ExportedPageSizeFormat(params, "Page", 0, size, sizeof size);
  if (ExportedPageSizeIsBackground(params, "Page")) {
    LineKeyThen(lines, "uiimp.3.9", size);
  } else {
    LineKeyThen(lines, "common.desc.sheetsize", size);
    LineKeyThen(lines, "uiimp.3.8", Msg(OrientationWordKey(params)));
  }
  const ASInt32 across = KCabGetInt(params, "FitAcross", 0), down = KCabGetInt(params, "FitDown", 0);
  const bool fixed =
      KCabEkAtomToEnumTable(KCabGetAtom(params, "DoScaling", ASAtomNull), kScalingWords) == kNupFixed;
  if (!KCabGetBool(params, "UseScale", 0))
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.10", nullptr, line, sizeof line, "dd", (int)down, (int)across);
  else if (fixed)
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.12", nullptr, line, sizeof line, "f",
                           KCabGetDouble(params, "FixedScale", 0.7) * 100.0);
  else
    FormatMessageByKeyUTF8(nullptr, "uiimp.3.11", nullptr, line, sizeof line, "dd", (int)down, (int)across);
  Line(lines, line);
  char align[kLineSize];
  FormatNupAlignFeedback(params, align, sizeof align);
  LineKeyThen(lines, "common.desc.align", align);
  PerImpositionOverridesDescriber(lines, params);
  DescribeParamRefusal(lines, "Nup", params);
  return lines;
}

SKCab* CmdMgrNupDescriber(SKCab* command, SKCab* params) { return NupOrStepDescriber(command, params, 0); }

ASBool DoNupFromCab(AVDoc view, PDDoc document, SKCab* params, ASBool stepAndRepeat) {
  if (!document) return 0;
  const ASBool newDoc = KCabGetBool(params, "NewDoc", 1);
  const ASBool exactFit = KCabGetBool(params, "ExactFit", 0);
  const ASBool useScale = KCabGetBool(params, "UseScale", 0);
  FreePageSizes(&active_nup);
  ASBool allSame = 0;
  // The sizes read here are a small part of the run on the status line; the
  // layout has the rest.
  bool read = false;
  {
    SStatusBoxPart part(4, 100);
    read = GetAllPageSizesWithStatusX(document, &active_nup.pageSizes, &allSame, kSizeTrim) != 0;
  }
  if (!read) {
    FreePageSizes(&active_nup);
    return 0;
  }
  if (!KCabToNupSpacing(params, &active_nup, 1, 1, 0)) {
    FreePageSizes(&active_nup);
    return 0;
  }
  active_nup.spacing.stepAndRepeat = stepAndRepeat ? 1 : 0;
  active_nup.spacing.pageCount = PDDocGetNumPages(document);
  if (!DoPageCountSideEffects(params, &active_nup)) {
    FreePageSizes(&active_nup);
    return 0;
  }
  if (useScale && active_nup.doScaling == kNupToFit && !GridScaleAccepted(active_nup)) {
    FreePageSizes(&active_nup);
    return 0;
  }
  if (!useScale && exactFit) {
    const SNupSpacing& s = active_nup.spacing;
    const ASInt32 across = LayoutCount(s.fewestAcross, s.mostAcross), down = LayoutCount(s.fewestRows, s.mostRows);
    const bool acrossOk = active_nup.fitAcross == 0 || across == active_nup.fitAcross;
    const bool downOk = active_nup.fitDown == 0 || down == active_nup.fitDown;
    if (s.somethingDidNotFit) {
      // No grid holds a page larger than the sheet: the counts would mislead.
      SNupLonePages over{};
      NupCountOversizePages(&s, active_nup.pageSizes, &over);
      char text[kLineSize], pw[64], ph[64], sw[64], sh[64];
      KParamFormatNumber(ASFixedToFloat(over.oversizeSize.h), pw, sizeof pw);
      KParamFormatNumber(ASFixedToFloat(over.oversizeSize.v), ph, sizeof ph);
      SheetInsideMargins(s, sw, sh, sizeof sw);
      FormatMessageByKeyUTF8(nullptr, "uiimp.3.nofitoversize", nullptr, text, sizeof text, "dssssd",
                             (int)over.firstOversize + 1, pw, ph, sw, sh, (int)over.oversize);
      ErrMessageUTF8(text);
      FreePageSizes(&active_nup);
      return 0;
    }
    if (!acrossOk || !downOk) {
      // What the sheet does hold of these pages, so that the grid or the sheet can be chosen to match.
      char text[kLineSize], width[64], height[64];
      KParamFormatNumber(ASFixedToFloat(s.sheetWidth), width, sizeof width);
      KParamFormatNumber(ASFixedToFloat(s.sheetHeight), height, sizeof height);
      FormatMessageByKeyUTF8(nullptr, "uiimp.3.nofit", nullptr, text, sizeof text, "ddddss", (int)active_nup.fitAcross,
                             (int)active_nup.fitDown, (int)across, (int)down, width, height);
      ErrMessageUTF8(text);
      FreePageSizes(&active_nup);
      return 0;
    }
  }
  // The sheets replace the pages on show: the view starts again at the first.
  if (view && !newDoc) AVPageViewGoTo(AVDocGetPageView(view), 0);
  if (!ImpositionBleedModeCheck(document, nullptr, params)) {
    FreePageSizes(&active_nup);
    return 0;
  }
  SKCab* saved = PerImpositionPrefsStart(params);
  ASBool done = 0;
  DURING
    active_nup.spacing.stepAndRepeat = stepAndRepeat ? 1 : 0;
    // A cancelled or refused layout is no run done.
    SNupLonePages lone{};
    {
      SStatusBoxPart part(1, 1);
      done = NupDoLayout(document, newDoc, &active_nup.spacing, params, &lone);
    }
    FreePageSizes(&active_nup);
    if (done) WarnOversizePages(lone, active_nup);
    if (done && useScale && active_nup.doScaling == kNupToFit) WarnLonePages(lone);
  HANDLER
    PerImpositionPrefsEnd(saved);
    FreePageSizes(&active_nup);
    RERAISE();
  END_HANDLER
  PerImpositionPrefsEnd(saved);
  return done;
}

void NupCallBackStart(SKCab* run, SKCab*) {
  if (!CommandParamsAccepted(run, "Nup")) return;
  SKCab* params = KCabGetCab(run, "Params");
  if (!DoNupFromCab(ProcManGetSourceAVDoc(run), ProcManGetSourcePDDoc(run), params, 0))
    ProcManMarkCancelProcess(run, nullptr);
}

SKCab* NewCmdMgrForNup() {
  SKCab* command = KCabNewInner();
  KCabPutStringCopy(command, "Name", Msg("impmenu1.cmd.nup"));
  KCabPutAtom(command, "Key", ASAtomFromString("Nup"));
  SKCab* defaults = NupDefaultParams();
  KCabPutAtom(defaults, "Source:SourceType", ASAtomFromString("CurrentAVDoc"));
  KCabPutCab(command, "DefaultParams", defaults);
  PutCallback(command, "Control:Start", NupCallBackStart);
  KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)CmdMgrNupUI, nullptr);
  KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                  (KCabFunctionPointer)CmdMgrNupDescriber, nullptr);
  KCabPutStringCopy(command, "BatchGroup", CurrentProductString(kProductShortName));
  KCabPutInt(command, "Version", 1);
  KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
  return command;
}

KV_COMMAND_MODULE(.NewCmdMgrForNup = NewCmdMgrForNup)
