// The n-up wizard: three pages in one dialog group exporting into the
// parameter cabinet. Page 1 asks where the sheets go, whether they are
// trimmed and whether pages are scaled; page 2 the margins, gaps, crop marks
// and frames; page 3 the sheet, the grid or the scale and the alignment,
// with live feedback from the planner.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "commands/CropMarkSetup.h"
#include "commands/Nup.h"
#include "commands/NupPrivate.h"
#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "engine/ImpositionPrefs.h"
#include "engine/SourceVersion.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "frame/Describe.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"

using namespace nup_detail;

namespace {

// The grid's bounds are the command's.
ASInt32 GridMin(const char* key) { return CommandParamMinInt("Nup", key); }
ASInt32 GridMax(const char* key) { return CommandParamMaxInt("Nup", key); }

constexpr const char kDialogInfoKey[] = "Private:DialogInfo";
constexpr const char kDialogInfoType[] = "PNupInfoDuringDialog";
// Page 2's simple fields and advanced box keep their values here: the
// "Private" sub-cabinet is never written out.
constexpr const char kSimpleMarginKey[] = "Private:NupSimpleMargin";
constexpr const char kSimpleGapKey[] = "Private:NupSimpleGap";
constexpr const char kAdvancedKey[] = "Private:NupAdvancedMargins";

// Element ids.
enum : ASInt16 {
  kIdNext = 1,
  kIdCancel = 2,
  kIdBack = 99,
  kIdGridGroup = 150,
  kIdScaleGroup = 151,
  kIdPageSize = 160,
  kIdPageCount = 170,
  kIdLayoutNote = 171,
  kIdLayout = 172,
  kIdSheets = 173,
  kIdCopies = 174,
  kIdCopiesPerSheet = 175,
  kIdFeedbackGroup = 179,
  kIdAlignBoxA = 180,
  kIdAlignNoteA = 181,
  kIdAlignBoxB = 182,
  kIdAlignNoteB = 183,
  kIdAlignTextA = 184,
  kIdAlignTextB = 185,
  kIdFixedRadio = 186,
  kIdToFitRadio = 187,
  kIdFixedScale = 188,
  kIdFitAcrossScaled = 189,
  kIdFitDownScaled = 190,
  kIdUseMgnOn = 200,
  kIdSimpleMargin = 201,
  kIdSimpleGap = 202,
  kIdAdvanced = 203,
  kIdAdvancedSetup = 204,
  kIdCropMarks = 205,
  kIdCropSetup = 206
};

// ---- small helpers ------------------------------------------------------------------------

SKCtlElem* Add(SKCtlDialog* d, ASInt32 type, ASUns32 flags, ASInt16 id, const char* text, SKCtlElem* parent) {
  return KCtlAddNewElement(d, type, flags, id, text, parent);
}

SKCtlElem* Text(SKCtlDialog* d, const char* key, SKCtlElem* parent, ASInt16 id = -1) {
  return Add(d, kKCtlStaticText, 16, id, Msg(key), parent);
}

// A radio pair exporting a boolean under key.
void BoolRadios(SKCtlDialog* d, SKCtlElem* parent, const char* key, const char* offText, const char* onText,
                ASInt16 onId = -1, SKCtlElem** on = nullptr, SKCtlElem** offOut = nullptr) {
  const ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  SKCtlElem* off = Add(d, kKCtlRadioButton, 0, -1, Msg(offText), parent);
  KCtlSetExportKeyBoolean(key, 0, KCtlRadioButtonSetGroup(group, off));
  SKCtlElem* yes = Add(d, kKCtlRadioButton, 0, onId, Msg(onText), parent);
  KCtlSetExportKeyBoolean(key, 1, KCtlRadioButtonSetGroup(group, yes));
  if (on) *on = yes;
  if (offOut) *offOut = off;
}

// Next (or Finish), Back and Cancel.
SKCtlElem* WizardButtons(SKCtlDialog* d, const char* nextKey, bool backEnabled) {
  SKCtlElem* next = Add(d, kKCtlPushButton, 0x8000 | kKCtlFlagOK, kIdNext, Msg(nextKey), nullptr);
  SKCtlElem* back = Add(d, kKCtlPushButton, 0x8000 | kKCtlFlagNoRole | (backEnabled ? 0u : (ASUns32)kKCtlFlagDisabled), kIdBack,
                        Msg("common.button.back"), nullptr);
  KCtlSetActionId(back, kKCtlTriggerClick, kKCtlActionOK, kIdBack);
  Add(d, kKCtlPushButton, 0x8000 | kKCtlFlagCancel, kIdCancel, Msg("common.button.cancel"), nullptr);
  return next;
}

SKCab* CabOf(SMacDialogInfo* dialog) { return KCtlExportCabForDialog(dialog); }

SNupInfoDuringDialog* DialogInfo(SMacDialogInfo* dialog) {
  return (SNupInfoDuringDialog*)KCabGetPointerNamedType(CabOf(dialog), kDialogInfoKey, kDialogInfoType);
}

// Storing the values fires the elements' own triggers: the callbacks that
// look at the values stay out of it meanwhile.
bool gStoring = false;

// The dialog's current values (the export cabinet's entries under them).
SKCab* CurrentValues(SMacDialogInfo* dialog) {
  gStoring = true;
  SKCab* values = nullptr;
  DURING
    values = KCtlAdvanceExport(dialog, KCabNewInner(), 1);
  HANDLER
    gStoring = false;
    RERAISE();
  END_HANDLER
  gStoring = false;
  return values;
}

void Enable(SMacDialogInfo* dialog, ASInt32 id, bool on) {
  KCtlEnableOrDisableElemById(dialog, KCtlDataForDialog(dialog), id, on);
}

void Show(SMacDialogInfo* dialog, ASInt32 id, bool on) {
  KCtlShowOrHideElemById(dialog, KCtlDataForDialog(dialog), id, on);
}

void SetText(SMacDialogInfo* dialog, ASInt32 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (SKCtlElem* elem = KCtlPlatformGetElemFromControlId(data, id)) KCtlPlatformSetControlText(dialog, data, elem, text);
}

// The wizard's picture: one for n-up, another for step and repeat.
void Picture(SKCtlDialog* d, bool stepAndRepeat) {
  KCtlAddNewElementWithResourceRef(d, kKCtlPicture, kKCtlFlagCentre, -1, stepAndRepeat ? 127 : 118, nullptr);
}

bool StepAndRepeatOf(SKCab* cab) {
  auto* info = (SNupInfoDuringDialog*)KCabGetPointerNamedType(cab, kDialogInfoKey, kDialogInfoType);
  return info && info->stepAndRepeat;
}

// ---- page 2: margins and marks ------------------------------------------------------------

// Whether the margins and gaps can be shown in the two simple fields.
bool MarginsAreSimple(SKCab* cab) {
  const double l = KCabGetDouble(cab, "LMgn", 0);
  double h[kNupMaxGaps], v[kNupMaxGaps];
  ASInt32 nh = 0, nv = 0;
  KCabGetDoubleArray(cab, "HSpace", h, kNupMaxGaps, &nh);
  KCabGetDoubleArray(cab, "VSpace", v, kNupMaxGaps, &nv);
  const double hv = nh ? h[0] : 0, vv = nv ? v[0] : 0;
  return l == KCabGetDouble(cab, "RMgn", 0) && l == KCabGetDouble(cab, "TMgn", 0) &&
         l == KCabGetDouble(cab, "BMgn", 0) && nh <= 1 && nv <= 1 && hv == vv;
}

// The simple fields' values from the margins, and the advanced box.
void ImportSimpleMargins(SKCab* cab) {
  double gap = 0;
  ASInt32 n = 0;
  KCabGetDoubleArray(cab, "HSpace", &gap, 1, &n);
  KCabPutDouble(cab, kSimpleMarginKey, KCabGetDouble(cab, "LMgn", 0));
  KCabPutDouble(cab, kSimpleGapKey, n ? gap : 0);
  KCabPutBool(cab, kAdvancedKey, !MarginsAreSimple(cab));
}

// The simple fields set all four margins and both gap lists.
void ExportSimpleMargins(SKCab* cab) {
  const double margin = KCabGetDouble(cab, kSimpleMarginKey, kKCtlNoNumber);
  if (margin != kKCtlNoNumber) {
    KCabPutDouble(cab, "LMgn", margin);
    KCabPutDouble(cab, "RMgn", margin);
    KCabPutDouble(cab, "TMgn", margin);
    KCabPutDouble(cab, "BMgn", margin);
  }
  const double gap = KCabGetDouble(cab, kSimpleGapKey, kKCtlNoNumber);
  if (gap != kKCtlNoNumber) {
    KCabPutDoubleArray(cab, "HSpace", &gap, 1);
    KCabPutDoubleArray(cab, "VSpace", &gap, 1);
  }
}

void Page2Enable(SMacDialogInfo* dialog) {
  SKCab* values = CurrentValues(dialog);
  const bool useMgn = KCabGetBool(values, "UseMgn", 0);
  const bool advanced = KCabGetBool(values, kAdvancedKey, 0);
  const bool crop = KCabGetBool(values, "CropMarks", 0);
  KCabDestroy(values);
  Enable(dialog, kIdSimpleMargin, useMgn && !advanced);
  Enable(dialog, kIdSimpleGap, useMgn && !advanced);
  Enable(dialog, kIdAdvanced, useMgn);
  Enable(dialog, kIdAdvancedSetup, useMgn && advanced);
  Enable(dialog, kIdCropMarks, useMgn);
  Enable(dialog, kIdCropSetup, useMgn && crop);
}

bool gPage2Lock = false;  // the box's own callback stays quiet while values are reloaded

// Stores the page's values, lets change alter the cabinet, and shows the result.
void ReloadPage2(SMacDialogInfo* dialog, void (*change)(SKCab* cab)) {
  SKCab* cab = CabOf(dialog);
  KCtlAdvanceExport(dialog, cab, 0);
  change(cab);
  gPage2Lock = true;
  KCtlLoadElementsFromSpecificCab(dialog, cab);
  gPage2Lock = false;
  Page2Enable(dialog);
}

ASInt32 Page2Changed(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!gPage2Lock && !gStoring) Page2Enable(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 UseMgnOnClicked(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (gPage2Lock || gStoring) return kKCtlCallBackGoOn;
  ReloadPage2(dialog, [](SKCab* cab) {
    const bool advanced = KCabGetBool(cab, kAdvancedKey, 0);
    if (!advanced) ExportSimpleMargins(cab);
    ImportSimpleMargins(cab);
  });
  return kKCtlCallBackGoOn;
}

ASInt32 AdvancedClicked(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (gPage2Lock || gStoring) return kKCtlCallBackGoOn;
  if (trigger == kKCtlTriggerChecked) {
    // The simple values become the four margins the advanced dialog starts from.
    ReloadPage2(dialog, [](SKCab* cab) {
      const bool keep = KCabGetBool(cab, kAdvancedKey, 1);
      KCabPutBool(cab, kAdvancedKey, 0);
      ExportSimpleMargins(cab);
      KCabPutBool(cab, kAdvancedKey, keep);
    });
  } else if (trigger == kKCtlTriggerUnchecked) {
    ReloadPage2(dialog, [](SKCab* cab) {
      double gap = 0;
      ASInt32 n = 0;
      KCabGetDoubleArray(cab, "HSpace", &gap, 1, &n);
      KCabPutDouble(cab, kSimpleMarginKey, KCabGetDouble(cab, "LMgn", 0));
      KCabPutDouble(cab, kSimpleGapKey, n ? gap : 0);
    });
  }
  return kKCtlCallBackGoOn;
}

// The advanced margins dialog, modal on the wizard's cabinet.
bool RunAdvancedMargins(SKCab* cab) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.advancedmargins.title"), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  Picture(d, StepAndRepeatOf(cab));
  Text(d, "dlg.advancedmargins.1", nullptr);
  SKCtlElem* margins = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.advancedmargins.2"), nullptr);
  KCtlStock_PromptPageUnits(d, 0, margins, -1, Msg("common.edge.left"), "LMgn", nullptr);
  KCtlStock_PromptPageUnits(d, 0, margins, -1, Msg("common.edge.top"), "TMgn", nullptr);
  KCtlStock_PromptPageUnits(d, 0, margins, -1, Msg("common.edge.right"), "RMgn", nullptr);
  KCtlStock_PromptPageUnits(d, 0, margins, -1, Msg("common.edge.bottom"), "BMgn", nullptr);
  if (!gKVClassic2) {
    Text(d, "dlg.advancedmargins.31", margins);
    KCtlSetExportKey("EvenMirrorHorizontal", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nupalign.73"), margins));
    KCtlSetExportKey("EvenMirrorVertical", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nupalign.74"), margins));
  }
  SKCtlElem* gaps = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.advancedmargins.7"), nullptr);
  SKCab* choices = KCabNewInner();
  KCtlAddListItemToCab(choices, Msg("dlg.advancedmargins.9"), ASAtomFromString("E1"));
  KCtlAddListItemToCab(choices, Msg("dlg.advancedmargins.10"), ASAtomFromString("E2"));
  KCtlElemSetItemList(choices, Add(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, gaps));
  Text(d, "dlg.advancedmargins.8", gaps);
  KCtlStock_PageUnitListInput(d, 0, gaps, 1, kNupMaxGaps, 300, "HSpace");
  KCtlStock_PageUnitListInput(d, 0, gaps, 1, kNupMaxGaps, 300, "VSpace");
  KCtlStock_CurrentPageUnitText(d, 0, gaps);
  Text(d, "dlg.advancedmargins.11", gaps);
  KCtlStock_OkButton(d);
  KCtlStock_CancelButton(d);
  return KCtlPlatformRunModal(d, cab, nullptr, nullptr) == 1;
}

ASInt32 AdvancedSetupClicked(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  ReloadPage2(dialog, [](SKCab* cab) { RunAdvancedMargins(cab); });
  return kKCtlCallBackGoOn;
}

ASInt32 CropSetupClicked(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  ReloadPage2(dialog, [](SKCab* cab) { CropMarkSetup(cab); });
  return kKCtlCallBackGoOn;
}

ASInt32 Page2Init(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  Page2Enable(dialog);
  return kKCtlCallBackGoOn;
}

// ---- page 3: sheet, grid or scale, alignment ----------------------------------------------------

bool RunNupAlignDialog(SKCab* cab, bool withIndependent);

ASInt32 Nup3LayoutChange(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (gStoring) return kKCtlCallBackGoOn;
  SKCab* values = CurrentValues(dialog);
  const bool toFit =
      KCabEkAtomToEnumTable(KCabGetAtom(values, "DoScaling", ASAtomNull), kScalingWords) == kNupToFit;
  KCabDestroy(values);
  Enable(dialog, kIdFitAcrossScaled, toFit);
  Enable(dialog, kIdFitDownScaled, toFit);
  Enable(dialog, kIdFixedScale, !toFit);
  const ASBool ok = NupDialog3DoPageCount(dialog, DialogInfo(dialog), kIdPageSize, nullptr, nullptr);
  Enable(dialog, kIdNext, ok != 0);
  return kKCtlCallBackGoOn;
}

// Values loaded into the running page (answers of automation, a reload)
// change the layout as a user's edits do; the first load is the
// initialisation's.
ASInt32 Nup3ValuesLoaded(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->valuesLoaded) return kKCtlCallBackGoOn;
  return Nup3LayoutChange(dialog, id, trigger, user);
}

void LoadedValuesChangeLayout(SKCtlElem* elem) {
  if (elem) KCtlSetActionCallback(elem, kKCtlTriggerAfterLoad, Nup3ValuesLoaded, nullptr);
}

void ShowAlignFeedback(SMacDialogInfo* dialog) {
  if (gKVClassic) return;
  SKCab* values = CurrentValues(dialog);
  const bool trim = KCabGetBool(values, "Trim", 0);
  char text[200];
  FormatNupAlignFeedback(values, text, sizeof text);
  KCabDestroy(values);
  Show(dialog, kIdAlignBoxA, !trim);
  Show(dialog, kIdAlignNoteA, !trim);
  Show(dialog, kIdAlignBoxB, trim);
  Show(dialog, kIdAlignNoteB, trim);
  SetText(dialog, kIdAlignTextA, text);
  SetText(dialog, kIdAlignTextB, text);
}

ASInt32 Nup3Initialise(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  SNupInfoDuringDialog* info = DialogInfo(dialog);
  const bool useScale = KCabGetBool(CabOf(dialog), "UseScale", 0);
  Show(dialog, kIdScaleGroup, useScale);
  Show(dialog, kIdGridGroup, !useScale);
  if (info && info->hasDocument) {
    char count[32];
    std::snprintf(count, sizeof count, "%ld", (long)PDDocGetNumPages(info->document));
    SetText(dialog, kIdPageCount, count);
  } else {
    Show(dialog, kIdFeedbackGroup, false);
  }
  SetText(dialog, kIdLayoutNote,
          Msg(!info || info->allSameSize ? "uiimp.3.layoutnote" : "uiimp.3.layoutmixedpagesizes"));
  ShowAlignFeedback(dialog);
  Nup3LayoutChange(dialog, 0, 0, nullptr);
  return kKCtlCallBackGoOn;
}

ASInt32 AlignSetClicked(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  SKCab* cab = CabOf(dialog);
  KCtlAdvanceExport(dialog, cab, 0);
  RunNupAlignDialog(cab, true);
  ShowAlignFeedback(dialog);
  return kKCtlCallBackGoOn;
}

// What a run would refuse is refused here already, in the same words: the
// earlier pages' values with this page's over them.
bool WizardValuesAccepted(SMacDialogInfo* dialog) {
  SKCab* all = CabOf(dialog) ? KCabDup(CabOf(dialog)) : KCabNewInner();
  char why[1200] = "";
  bool ok = true;
  DURING
    SKCab* now = CurrentValues(dialog);
    KCabCopy(now, all);
    KCabDestroy(now);
    ok = KParamCheck(CommandParamTable("Nup"), all, kKParamCheckLook, why, sizeof why) != 0;
  HANDLER
    KCabDestroy(all);
    RERAISE();
  END_HANDLER
  KCabDestroy(all);
  if (!ok) ErrMessageUTF8(why);
  return ok;
}

ASInt32 NupDialog3ClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (!WizardValuesAccepted(dialog)) return kKCtlCallBackStop;
  SNupInfoDuringDialog* info = DialogInfo(dialog);
  ASBool tooBig = 0, noMargins = 0;
  if (NupDialog3DoPageCount(dialog, info, kIdPageSize, &tooBig, &noMargins) && info && info->hasDocument &&
      tooBig) {
    const char* key = noMargins ? "uiimp.3.confirm.enlargesheets" : "uiimp.3.confirm.enlargesheets2";
    if (!ConfirmMessageUTF8(Msg(key), 1)) return kKCtlCallBackStop;
  }
  return kKCtlCallBackGoOn;
}

// ---- the alignment dialog -----------------------------------------------------------------------

ASInt32 AlignChanged(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  if (gStoring) return kKCtlCallBackGoOn;
  SKCab* values = CurrentValues(dialog);
  char front[200], line[400];
  std::snprintf(front, sizeof front, "%s", PageAlignDescription(NupGetFrontAlignment(values)));
  FormatMessageByKeyUTF8(nullptr, "dlg.nupalign.75", nullptr, line, sizeof line, "ss", front,
                         PageAlignDescription(NupGetBackAlignment(values)));
  KCabDestroy(values);
  SetText(dialog, 1075, line);
  return kKCtlCallBackGoOn;
}

bool RunNupAlignDialog(SKCab* cab, bool withIndependent) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.nupalign.title"), kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  KCtlDialogSuggestSize(d, 400, 0);
  Picture(d, StepAndRepeatOf(cab));
  Text(d, "dlg.nupalign.1", nullptr);
  SKCtlElem* where = Add(d, kKCtlGroupBox, 0, -1, Msg(gKVClassic2 ? "dlg.nupalign.3" : "dlg.nupalign.2"), nullptr);
  KCtlStock_Align6Or9RadioOnly(d, where, "SheetAlign", 0, 0, AlignChanged, nullptr);
  if (!gKVClassic2) {
    SKCtlElem* back = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.nupalign.71"), nullptr);
    Text(d, "dlg.nupalign.72", back);
    KCtlSetActionCallback(
        KCtlSetExportKey("EvenMirrorHorizontal", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nupalign.73"), back)),
        kKCtlTriggerClick, AlignChanged, nullptr);
    KCtlSetActionCallback(
        KCtlSetExportKey("EvenMirrorVertical", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nupalign.74"), back)),
        kKCtlTriggerClick, AlignChanged, nullptr);
    KCtlSetActionCallback(Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, 1075, " ", back), kKCtlTriggerLoaded,
                          AlignChanged, nullptr);
  }
  if (withIndependent) {
    SKCtlElem* group = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.nupalign.4"), nullptr);
    Text(d, "dlg.nupalign.5", group);
    KCtlSetExportKey("SheetAlignIndependent", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nupalign.6"), group));
  }
  KCtlStock_OkButton(d);
  KCtlStock_CancelButton(d);
  return KCtlPlatformRunModal(d, cab, nullptr, nullptr) == 1;
}

// ---- building the pages -----------------------------------------------------------------------

SKCtlDialog* BuildPage1(bool stepAndRepeat) {
  SKCtlDialog* d = KCtlNewDialog(Msg(stepAndRepeat ? "dlg.step1.title" : "dlg.nup1.title"), kKCtlDialogFreeData);
  KCtlDialogSuggestSize(d, 250, 0);
  Picture(d, stepAndRepeat);
  if (stepAndRepeat) {
    for (const char* key : {"dlg.step1.1", "dlg.step1.2", "dlg.step1.3"}) Text(d, key, nullptr);
  } else {
    Text(d, "dlg.nup1.1", nullptr);
    Text(d, "dlg.nup1.2", nullptr);
  }
  if (!gKVClassic) KCtlSetExportKey("NewDoc", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.shuffle1.2"), nullptr));
  Text(d, "dlg.nup1.3", nullptr);
  BoolRadios(d, nullptr, "Trim", "dlg.nup1.4", "dlg.nup1.5");
  Text(d, "dlg.nup1.6", nullptr);
  BoolRadios(d, nullptr, "UseScale", "dlg.nup1.7", "dlg.nup1.8");
  Text(d, "dlg.nup1.9", nullptr);
  WizardButtons(d, "common.button.next", false);
  return d;
}

SKCtlDialog* BuildPage2(bool stepAndRepeat) {
  SKCtlDialog* d = KCtlNewDialog(Msg(stepAndRepeat ? "dlg.step2.title" : "dlg.nup2.title"), kKCtlDialogFreeData);
  KCtlSetActionCallback(Text(d, "dlg.nup2.1", nullptr), kKCtlTriggerLoaded, Page2Init, nullptr);
  SKCtlElem* group = Add(d, kKCtlContainer, 0, -1, nullptr, nullptr);
  SKCtlElem* on = nullptr;
  SKCtlElem* off = nullptr;
  BoolRadios(d, group, "UseMgn", "dlg.nup2.2", "dlg.nup2.3", kIdUseMgnOn, &on, &off);
  KCtlSetActionCallback(on, kKCtlTriggerClick, UseMgnOnClicked, nullptr);
  KCtlSetActionCallback(on, kKCtlTriggerClick, Page2Changed, nullptr);
  KCtlSetActionCallback(off, kKCtlTriggerClick, Page2Changed, nullptr);
  KCtlStock_PromptPageUnits(d, 0, group, kIdSimpleMargin, Msg("dlg.nup2.4"), kSimpleMarginKey, nullptr);
  KCtlStock_PromptPageUnits(d, 0, group, kIdSimpleGap, Msg("dlg.nup2.6"), kSimpleGapKey, nullptr);
  SKCtlElem* advanced = Add(d, kKCtlCheckBox, kKCtlFlagSameRow, kIdAdvanced, Msg("dlg.nup2.9"), group);
  KCtlSetExportKey(kAdvancedKey, advanced);
  KCtlSetActionCallback(advanced, kKCtlTriggerChecked, AdvancedClicked, nullptr);
  KCtlSetActionCallback(advanced, kKCtlTriggerUnchecked, AdvancedClicked, nullptr);
  KCtlSetActionCallback(Add(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagNoRole, kIdAdvancedSetup,
                            Msg("common.button.setup"), group),
                        kKCtlTriggerClick, AdvancedSetupClicked, nullptr);
  SKCtlElem* crop = Add(d, kKCtlCheckBox, kKCtlFlagSameRow, kIdCropMarks, Msg("dlg.nup2.11"), group);
  KCtlSetExportKey("CropMarks", crop);
  KCtlSetActionCallback(crop, kKCtlTriggerClick, Page2Changed, nullptr);
  KCtlSetActionCallback(
      Add(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagNoRole, kIdCropSetup, Msg("dlg.nup2.10"), group),
      kKCtlTriggerClick, CropSetupClicked, nullptr);
  KCtlSetExportKey("Frames", Add(d, kKCtlCheckBox, 0, -1, Msg("dlg.nup2.12"), group));
  Text(d, "dlg.nup2.13", nullptr);
  WizardButtons(d, "common.button.next", true);
  return d;
}

SKCtlDialog* BuildPage3(bool stepAndRepeat) {
  SKCtlDialog* d =
      KCtlNewDialog(Msg(stepAndRepeat ? "dlg.step3fixed.title" : "dlg.nup3fixed.title"), kKCtlDialogFreeData);
  KCtlSetActionCallback(Text(d, "dlg.nup3fixed.1", nullptr), kKCtlTriggerLoaded, Nup3Initialise, nullptr);
  SKCtlElem* sheet = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.nup3fixed.2"), nullptr);
  SKCtlElem* pageSize = KCtlElemFromPageSizeCollection(d, 0, sheet,
                                 kPageSizeMoreChoices | kPageSizeBlanks | kPageSizeBackgrounds | kPageSizeOrientation |
                                     kPageSizeBest | kPageSizeNumberedIds,
                                 kIdPageSize, "Page", Nup3LayoutChange, nullptr);
  LoadedValuesChangeLayout(pageSize);

  SKCtlElem* grid = Add(d, kKCtlContainer, 0, kIdGridGroup, nullptr, nullptr);
  Text(d, "dlg.nup3fixed.7", grid);
  Text(d, "dlg.nup3fixed.8", grid);
  SKCtlElem* edit = nullptr;
  KCtlStock_PromptCount(d, 0, grid, Msg("dlg.nup3fixed.10"), Msg("dlg.nup3fixed.11"), "FitAcross", GridMin("FitAcross"), GridMax("FitAcross"),
                        &edit);
  LoadedValuesChangeLayout(KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, Nup3LayoutChange, nullptr));
  KCtlStock_PromptCount(d, 0, grid, Msg("dlg.nup3fixed.13"), Msg("dlg.nup3fixed.14"), "FitDown", GridMin("FitDown"), GridMax("FitDown"),
                        &edit);
  LoadedValuesChangeLayout(KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, Nup3LayoutChange, nullptr));

  SKCtlElem* scaled = Add(d, kKCtlContainer, 0, kIdScaleGroup, nullptr, nullptr);
  Text(d, "dlg.nup3scaled.7", scaled);
  const ASUns32 radios = KCtlDialogNewButtonGroupCode(d);
  SKCtlElem* fixedRow = Add(d, kKCtlContainer, 0, -1, nullptr, scaled);
  SKCtlElem* fixed = Add(d, kKCtlRadioButton, 0, kIdFixedRadio, Msg("dlg.nup3scaled.8"), fixedRow);
  KCtlSetExportKeyAtom("DoScaling", ASAtomFromString("Fixed"), KCtlRadioButtonSetGroup(radios, fixed));
  LoadedValuesChangeLayout(KCtlSetActionCallback(fixed, kKCtlTriggerClick, Nup3LayoutChange, nullptr));
  LoadedValuesChangeLayout(KCtlSetActionCallback(
      KCtlStock_PercentageAsScaleInput(d, 16, fixedRow, kIdFixedScale, "FixedScale"), kKCtlTriggerEditChanged,
      Nup3LayoutChange, nullptr));
  Text(d, "dlg.nup3scaled.9", fixedRow);
  SKCtlElem* toFit = Add(d, kKCtlRadioButton, 0, kIdToFitRadio, Msg("dlg.nup3scaled.12"), scaled);
  KCtlSetExportKeyAtom("DoScaling", ASAtomFromString("ToFit"), KCtlRadioButtonSetGroup(radios, toFit));
  LoadedValuesChangeLayout(KCtlSetActionCallback(toFit, kKCtlTriggerClick, Nup3LayoutChange, nullptr));
  KCtlStock_PromptCount(d, 0, scaled, Msg("dlg.nup3scaled.13"), nullptr, "FitAcross", GridMin("FitAcross"), GridMax("FitAcross"), &edit);
  edit->controlId = kIdFitAcrossScaled;
  LoadedValuesChangeLayout(KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, Nup3LayoutChange, nullptr));
  KCtlStock_PromptCount(d, 0, scaled, Msg("dlg.nup3scaled.14"), nullptr, "FitDown", GridMin("FitDown"), GridMax("FitDown"), &edit);
  edit->controlId = kIdFitDownScaled;
  LoadedValuesChangeLayout(KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, Nup3LayoutChange, nullptr));
  Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, kIdLayoutNote, " ", scaled);

  SKCtlElem* feedback = Add(d, kKCtlGroupBox, 0, kIdFeedbackGroup, Msg("dlg.nup3fixed.15"), nullptr);
  Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, kIdLayout, " ", feedback);
  SKCtlElem* row;
  if (stepAndRepeat) {
    // Step and repeat counts copies: how many go on each sheet, and in all.
    row = Add(d, kKCtlContainer, 0, -1, nullptr, feedback);
    Text(d, "dlg.step3fixed.17", row);
    Add(d, kKCtlStaticText, 16 | kKCtlFlagOneLine, kIdCopiesPerSheet, "000000", row);
    Text(d, "dlg.step3fixed.19", row);
  }
  row = Add(d, kKCtlContainer, 0, -1, nullptr, feedback);
  Text(d, "dlg.nup3fixed.17", row);
  Add(d, kKCtlStaticText, 16 | kKCtlFlagOneLine, kIdPageCount, "000000", row);
  row = Add(d, kKCtlContainer, 0, -1, nullptr, feedback);
  Text(d, "dlg.nup3fixed.19", row);
  Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, stepAndRepeat ? kIdCopies : kIdSheets, "000000", row);

  if (!gKVClassic) {
    SKCtlElem* align = Add(d, kKCtlGroupBox, 0, -1, Msg("dlg.nup3fixed.30"), nullptr);
    KCtlSetActionCallback(Add(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagNoRole, -1, Msg("common.button.set"),
                              align),
                          kKCtlTriggerClick, AlignSetClicked, nullptr);
    SKCtlElem* box = Add(d, kKCtlContainer, 0, kIdAlignBoxA, nullptr, align);
    Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, kIdAlignTextA, " ", box);
    Text(d, "dlg.nup3fixed.31", align, kIdAlignNoteA);
    box = Add(d, kKCtlContainer, kKCtlFlagHidden, kIdAlignBoxB, nullptr, align);
    Add(d, kKCtlStaticText, 16 | kKCtlFlagFullWidth, kIdAlignTextB, " ", box);
    Add(d, kKCtlStaticText, 16 | kKCtlFlagHidden, kIdAlignNoteB, Msg("dlg.nup3fixed.32"), align);
  }
  KCtlSetActionCallback(WizardButtons(d, "common.button.finish", true), kKCtlTriggerClick, NupDialog3ClickOk,
                        nullptr);
  return d;
}

// The pages are built once and rebuilt when the Classic settings change.
struct SNupDialogs {
  SKCtlDialog* pages[3] = {nullptr, nullptr, nullptr};
  SKCtlDialogGroup* group = nullptr;
  bool stepAndRepeat = false;
  bool classic = false;
  bool classic2 = false;
};
SNupDialogs gNupDialogs;

void nupInitDialogs(bool stepAndRepeat) {
  SNupDialogs& n = gNupDialogs;
  if (n.group && n.stepAndRepeat == stepAndRepeat && n.classic == (gKVClassic != 0) &&
      n.classic2 == (gKVClassic2 != 0))
    return;
  if (n.group) DestroyKCtlDialogGroup(n.group);
  for (SKCtlDialog*& page : n.pages)
    if (page) {
      KCtlDestroyDialog(page);
      page = nullptr;
    }
  n.pages[0] = BuildPage1(stepAndRepeat);
  n.pages[1] = BuildPage2(stepAndRepeat);
  n.pages[2] = BuildPage3(stepAndRepeat);
  n.group = NewKCtlDialogGroup();
  for (SKCtlDialog* page : n.pages) KCtlDialogGroupAddDialog(n.group, page);
  n.stepAndRepeat = stepAndRepeat;
  n.classic = gKVClassic != 0;
  n.classic2 = gKVClassic2 != 0;
}

void FreeDialogInfo(void* p) {
  auto* info = static_cast<SNupInfoDuringDialog*>(p);
  if (!info) return;
  ASfree(info->pageSizes);
  ASfree(info);
}

}  // namespace

ASBool ManageNUpUI(ASBool interactive, ASBool stepAndRepeat, SKCab* given) {
  // On every way out: the wizard's own cabinet (when the caller gave none),
  // the page sizes read into the shared record, and the dialog's working
  // entries in the caller's cabinet.
  struct SScope {
    KCabHolder own;
    SKCab* working = nullptr;
    void Tidy() {
      if (!working) return;
      KCabRemove(working, kDialogInfoKey);
      KCabRemove(working, kSimpleMarginKey);
      KCabRemove(working, kSimpleGapKey);
      KCabRemove(working, kAdvancedKey);
      working = nullptr;
    }
    ~SScope() {
      Tidy();
      ASfree(active_nup.pageSizes);
      active_nup.pageSizes = nullptr;
    }
  } scope;
  if (!given) scope.own.Reset(KCabNewInner());
  SKCab* cab = given ? given : scope.own.get();
  KCabFromNupSpacing(cab, &active_nup, 0);
  if (!KCabKnown(cab, "NewDoc") || KCabGetInt(cab, "UIVer", 1) < 2) KCabPutBool(cab, "NewDoc", 1);

  PDDoc document = nullptr;
  if (interactive) {
    AVDoc front = AVAppGetActiveDoc();
    if (!front) {
      ErrMessageUTF8(Msg("common.err.noopendocument"));
      return 0;
    }
    document = AVDocGetPDDoc(front);
    if (!ImpositionCompatibleDocument(document, 1)) return 0;
  }

  // A4 until the sheet is chosen.
  active_nup.spacing.sheetWidth = 0x253468C;
  active_nup.spacing.sheetHeight = 0x349E3C8;
  active_nup.spacing.stepAndRepeat = stepAndRepeat ? 1 : 0;
  ASBool allSame = 1;
  if (document) {
    ASfree(active_nup.pageSizes);
    active_nup.pageSizes = nullptr;
    if (!GetAllPageSizesWithStatusX(document, &active_nup.pageSizes, &allSame, kSizeTrim)) return 0;
    active_nup.spacing.pageCount = PDDocGetNumPages(document);
  }

  SNupInfoDuringDialog* info = nullptr;
  DURING
    info = (SNupInfoDuringDialog*)ASmallocWithException(sizeof(SNupInfoDuringDialog));
    std::memset(info, 0, sizeof *info);
    info->stepAndRepeat = stepAndRepeat ? 1 : 0;
    info->hasDocument = document != nullptr;
    info->document = document;
    info->allSameSize = allSame ? 1 : 0;
    if (document && active_nup.pageSizes) {
      const ASInt32 n = PDDocGetNumPages(document);
      info->pageSizes = (ASFixedPoint*)ASmallocWithException(sizeof(ASFixedPoint) * (size_t)(n > 0 ? n : 1));
      std::memcpy(info->pageSizes, active_nup.pageSizes, sizeof(ASFixedPoint) * (size_t)n);
    }
  HANDLER
    FreeDialogInfo(info);
    RERAISE();
  END_HANDLER
  scope.working = cab;
  KCabPutPointerNamedType(cab, kDialogInfoKey, kDialogInfoType, info, FreeDialogInfo);
  KCabPutBool(cab, "Private:KRVLNoExport", 1);

  if (gKVClassic) {
    KCabPutAtom(cab, "SheetAlign", ASAtomFromString("TL"));
    KCabPutBool(cab, "EvenMirrorHorizontal", 0);
    KCabPutBool(cab, "EvenMirrorVertical", 0);
    KCabPutBool(cab, "SheetAlignIndependent", 0);
    KCabPutBool(cab, "NewDoc", 1);
  }

  nupInitDialogs(stepAndRepeat != 0);
  bool ok = false;
  ASInt32 page = 0;
  for (;;) {
    if (page == 1) ImportSimpleMargins(cab);
    const ASInt32 result = KCtlRunPage(gNupDialogs.pages[page], gNupDialogs.group, cab, nullptr, nullptr, nullptr);
    if (page == 1 && (result == kIdNext || result == kIdBack) && KCabGetBool(cab, "UseMgn", 0) &&
        !KCabGetBool(cab, kAdvancedKey, 0))
      ExportSimpleMargins(cab);
    if (result == kIdNext) {
      if (++page == 3) {
        ok = true;
        break;
      }
    } else if (result == kIdBack && page > 0) {
      --page;
    } else {
      break;
    }
  }

  scope.Tidy();
  if (!ok) return 0;
  KCabToNupSpacing(cab, &active_nup, 1, 0, 0);
  return 1;
}

ASBool NupOrStepAndRepeatUI(SKCab*, SKCab* params, ASBool stepAndRepeat) {
  NupParamsAdjust(params);
  if (!KCabToNupSpacing(params, &active_nup, 1, 0, 1)) return 0;
  if (!ManageNUpUI(KCabGetBool(params, "Interactive", 0), stepAndRepeat, params)) return 0;
  KCabFromNupSpacing(params, &active_nup, 0);
  KCabPutInt(params, "UIVer", 2);
  NupSetRequires(params);
  return 1;
}

ASBool CmdMgrNupUI(SKCab* command, SKCab* params) { return NupOrStepAndRepeatUI(command, params, 0); }
