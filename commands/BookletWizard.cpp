// The booklet wizard: five pages (prepare, sheet size, binding, fronts and
// backs, alignment) that share one size and edit the command's parameters.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "commands/BookletCmd.h"
#include "commands/CropMarkSetup.h"
#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "commands/SampleCmd.h"
#include "engine/ImpositionPrefs.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "host/AV.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"
#include "pdftools/PageUnits.h"

namespace {

constexpr size_t kTextSize = 1000;
constexpr ASInt32 kPageCount = 5;

// Control ids.
constexpr ASInt16 kNextId = 1;
constexpr ASInt16 kCancelId = 2;
constexpr ASInt16 kBackId = 10;
constexpr ASInt16 kNewDocId = 90;
constexpr ASInt16 kNoQuestionsId = 91;
constexpr ASInt16 kCropMarksId = 92;
constexpr ASInt16 kNoScaleId = 93;
constexpr ASInt16 kMarginId = 94;
constexpr ASInt16 kAdvancedId = 95;
constexpr ASInt16 kCropSetupId = 96;
constexpr ASInt16 kPagesPerSigId = 97;
constexpr ASInt16 kSimplePaneId = 99;
constexpr ASInt16 kAdvancedPaneId = 100;
constexpr ASInt16 kPageSizeTextId = 101;
constexpr ASInt16 kLetterId = 102;
constexpr ASInt16 kA4Id = 103;
constexpr ASInt16 kCustomTextId = 104;
constexpr ASInt16 kBottomLeftId = 120;
constexpr ASInt16 kFirstPictureId = 130;

constexpr double kLetterW = kBookletLetterWideW, kLetterH = kBookletLetterWideH;
constexpr double kA4W = kBookletA4WideW, kA4H = kBookletA4WideH;

// The pages, kept for the plug-in's life.
SKCtlDialog* bookletDialog1 = nullptr;
SKCtlDialog* bookletDialog2 = nullptr;
SKCtlDialog* bookletDialog3 = nullptr;
SKCtlDialog* bookletDialog4 = nullptr;
SKCtlDialog* bookletDialog5 = nullptr;
SKCtlDialogGroup* bookletDialogGroup = nullptr;
ASBool bookletDialogsWereKVClassic = 0;

SKCtlElem* Add(SKCtlDialog* d, ASInt32 type, ASUns32 flags, ASInt16 id, const char* key, SKCtlElem* parent = nullptr) {
  return KCtlAddNewElement(d, type, flags, id, key ? Msg(key) : nullptr, parent);
}

SKCtlElem* Check(SKCtlDialog* d, ASUns32 flags, ASInt16 id, const char* key, const char* exportKey,
                 SKCtlElem* parent = nullptr) {
  return KCtlSetExportKey(exportKey, Add(d, kKCtlCheckBox, flags, id, key, parent));
}

SKCtlElem* Radio(SKCtlDialog* d, ASUns32 flags, ASInt16 id, const char* key, const char* group, const char* word,
                 SKCtlElem* parent = nullptr) {
  SKCtlElem* r = Add(d, kKCtlRadioButton, flags, id, key, parent);
  KCtlSetExportKeyAtom(group, Atom(word), r);
  return KCtlRadioButtonSetGroup((ASUns32)Atom(group), r);
}

void Spacer(SKCtlDialog* d, SKCtlElem* parent = nullptr) {
  KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagHidden | kKCtlFlagNoGap, -1, " ", parent);
}

SKCtlElem* ById(SMacDialogInfo* dialog, ASInt16 id) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  return data ? KCtlPlatformGetElemFromControlId(data, id) : nullptr;
}

void SetText(SMacDialogInfo* dialog, ASInt16 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (SKCtlElem* e = ById(dialog, id)) KCtlPlatformSetControlText(dialog, data, e, text);
}

// The page's current values over a copy of the parameters; null when
// verification was asked for and failed. The caller destroys it.
SKCab* ExportPage(SMacDialogInfo* dialog, bool verify) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (verify && !KCtlVerifyElements(dialog, data)) return nullptr;
  return KCtlAdvanceExport(dialog, KCabNewInner(), 1);
}

ASInt32 VerifyStoreEnd(SMacDialogInfo*, ASInt32, ASInt32 trigger, void*) {
  return trigger == kKCtlTriggerClick ? kKCtlCallBackVerifyCommitTerminate : kKCtlCallBackGoOn;
}

void AddButtons(SKCtlDialog* d, const char* nextKey, ASUns32 nextFlags, KCtlActionCallBack nextCheck, bool first) {
  SKCtlElem* next = Add(d, kKCtlPushButton, nextFlags, kNextId, nextKey);
  if (nextCheck) KCtlSetActionCallback(next, kKCtlTriggerClick, nextCheck, nullptr);
  SKCtlElem* back = Add(d, kKCtlPushButton, first ? kKCtlFlagDisabled : 0u, kBackId, "common.button.back");
  if (!first) KCtlSetActionCallback(back, kKCtlTriggerClick, VerifyStoreEnd, nullptr);
  Add(d, kKCtlPushButton, kKCtlFlagCancel, kCancelId, "common.button.cancel");
}

// ---- Page 1: prepare

ASInt32 CreateSampleClicked(SMacDialogInfo*, ASInt32, ASInt32 trigger, void*) {
  if (trigger == kKCtlTriggerClick) DoCreateSample();
  return kKCtlCallBackGoOn;
}

ASInt32 CropSetupClicked(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger == kKCtlTriggerClick) CropMarkSetup(KCtlExportCabForDialog(dialog));
  return kKCtlCallBackGoOn;
}

ASInt32 PrepareNext(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  KCabHolder values(ExportPage(dialog, true));
  if (!values.get()) return kKCtlCallBackStop;
  if (KCabGetBool(values.get(), "CropMarks", 0) && !(KCabGetDouble(values.get(), "Margin", 0.0) > 0)) {
    ErrMessageUTF8(Msg("dlg.bookletprepare.mustsetmargin"));
    return kKCtlCallBackStop;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

ASInt32 AdvancedUnchecked(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerUnchecked) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->valuesLoaded || data->loadNesting > 0) return kKCtlCallBackGoOn;
  KCabHolder values(ExportPage(dialog, false));
  if (AnyAdvancedParams(values.get()) && !ConfirmMessageUTF8(Msg("dlg.bookletprepare.confirmreset"), 1)) {
    KCtlSetOrClearCheckBoxById(dialog, data, kAdvancedId, 1);
  } else {
    BookletResetAdvancedParams(KCtlExportCabForDialog(dialog), 0);
    KCtlSetOrClearCheckBoxById(dialog, data, kNewDocId, 1);
    KCtlSetOrClearCheckBoxById(dialog, data, kCropMarksId, 0);
    KCtlSetOrClearCheckBoxById(dialog, data, kNoScaleId, 0);
    SetText(dialog, kMarginId, "0");
    KCtlShowOrHideElemById(dialog, data, kSimplePaneId, 1);
  }
  MacRedrawDialogNow(dialog);
  return kKCtlCallBackGoOn;
}

SKCtlDialog* NewPreparePage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bookletprepare.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 105, nullptr);
    SKCtlElem* body = Add(d, kKCtlContainer, 0, -1, nullptr);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletprepare.1", body);

    SKCtlElem* simple = Add(d, kKCtlUserPane, kKCtlFlagChecked, kSimplePaneId, nullptr, body);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletprepare.2", simple);
    KCtlStock_SetElemHiddenUnlessInteractive(d, Add(d, kKCtlStaticText, 0, -1, "dlg.bookletprepare.3", simple));
    SKCtlElem* sample = Add(d, kKCtlPushButton, kKCtlFlagCentre | kKCtlFlagInBody, -1, "dlg.bookletprepare.4", simple);
    KCtlSetActionCallback(sample, kKCtlTriggerClick, CreateSampleClicked, nullptr);
    KCtlStock_SetElemHiddenUnlessInteractive(d, sample);
    SKCtlElem* noQuestions = Check(d, kKCtlFlagDisabled, kNoQuestionsId, "dlg.bookletprepare.5", "NoQuestions", simple);
    KCtlStock_SetElemHiddenUnlessInteractive(d, noQuestions);
    SKCtlElem* valid = KCtlSetExportKey("Valid", KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagHidden, -1, "", simple));
    KCtlSetActionEnabledIfCheckedElem(valid, noQuestions);

    SKCtlElem* advanced = Add(d, kKCtlUserPane, 0, kAdvancedPaneId, nullptr, body);
    SKCtlElem* box = Add(d, kKCtlGroupBox, 0, -1, "dlg.bookletprepare.10", advanced);
    Check(d, 0, kNewDocId, "dlg.shuffle1.2", "NewDoc", box);
    Check(d, 0, kNoScaleId, "dlg.bookletprepare.12", "NoScale", box);
    KCtlStock_PromptPageUnits(d, 0, box, kMarginId, Msg("dlg.nup2.4"), "Margin", nullptr);
    SKCtlElem* crop = Check(d, kKCtlFlagSameRow, kCropMarksId, "dlg.nup2.11", "CropMarks", box);
    SKCtlElem* cropSetup = Add(d, kKCtlPushButton, kKCtlFlagInBody, kCropSetupId, "dlg.nup2.10", box);
    KCtlSetActionCallback(cropSetup, kKCtlTriggerClick, CropSetupClicked, nullptr);
    KCtlSetActionEnabledIfCheckedElem(crop, cropSetup);

    if (!gKVClassic) {
      SKCtlElem* more = Check(d, kKCtlFlagBottom, kAdvancedId, "dlg.bookletprepare.11", "Advanced");
      KCtlSetActionId(more, kKCtlTriggerChecked, kKCtlActionShow, kAdvancedPaneId);
      KCtlSetActionCallback(more, kKCtlTriggerUnchecked, AdvancedUnchecked, nullptr);
      KCtlSetActionId(more, kKCtlTriggerChecked, kKCtlActionUncheck, kNoQuestionsId);
    }
    // The Next button keeps its caption whatever "NoQuestions" says.
    AddButtons(d, "common.button.next", kKCtlFlagOK | kKCtlFlagNoRole | kKCtlFlagBottom, PrepareNext, true);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// ---- Page 2: sheet size

void SheetCaption(char* out, const char* key, double w, double h, double maxW, double maxH, double margin,
                  ASBool noScale) {
  std::snprintf(out, kTextSize, "%s", Msg(key));
  Booklet2AppendPercent(out, kTextSize, w, h, maxW, maxH, margin, noScale);
}

void PageSizeCaption(char* out, double maxW, double maxH) {
  char size[kPageSizeTextSize];
  FormatPageSize2(size, ASFloatToFixed(maxW), ASFloatToFixed(maxH), (ASInt32)CurrentUnits());
  std::snprintf(out, kTextSize, "%s (%s)", Msg("dlg.bookletpagesize.1"), size);
}

// The custom sheet's feedback from the cabinet's "Page".
void RefreshCustomFeedback(SMacDialogInfo* dialog, SKCab* cab) {
  char text[kTextSize] = {0};
  double maxW = 0, maxH = 0, w = 0, h = 0;
  if (BookletGetMaxSize(dialog, &maxW, &maxH) && ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, "Page", &w, &h))
    Booklet2AppendPercent(text, sizeof text, w, h, maxW, maxH, KCabGetDouble(cab, "Margin", 0.0),
                          KCabGetBool(cab, "NoScale", 0));
  SetText(dialog, kCustomTextId, text);
}

ASInt32 SheetCaptionsInit(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerInit) return kKCtlCallBackGoOn;
  SKCab* cab = KCtlExportCabForDialog(dialog);
  double maxW = 0, maxH = 0;
  if (BookletGetMaxSize(dialog, &maxW, &maxH)) {
    const double margin = KCabGetDouble(cab, "Margin", 0.0);
    const ASBool noScale = KCabGetBool(cab, "NoScale", 0);
    char text[kTextSize];
    PageSizeCaption(text, maxW, maxH);
    SetText(dialog, kPageSizeTextId, text);
    SheetCaption(text, "dlg.bookletpagesize.3", kLetterW, kLetterH, maxW, maxH, margin, noScale);
    SetText(dialog, kLetterId, text);
    SheetCaption(text, "dlg.bookletpagesize.4", kA4W, kA4H, maxW, maxH, margin, noScale);
    SetText(dialog, kA4Id, text);
  } else {
    SetText(dialog, kPageSizeTextId, Msg("dlg.bookletpagesize.1"));
    SetText(dialog, kLetterId, Msg("dlg.bookletpagesize.3"));
    SetText(dialog, kA4Id, Msg("dlg.bookletpagesize.4"));
  }
  RefreshCustomFeedback(dialog, cab);
  return kKCtlCallBackGoOn;
}

ASInt32 CustomSizeChanged(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerSelectionChanged && trigger != kKCtlTriggerChecked) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !data->valuesLoaded) return kKCtlCallBackGoOn;
  KCabHolder values(ExportPage(dialog, false));
  RefreshCustomFeedback(dialog, values.get());
  MacRedrawDialogNow(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 SheetNext(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  KCabHolder values(ExportPage(dialog, true));
  if (!values.get()) return kKCtlCallBackStop;
  const ASAtom sizing = KCabGetAtom(values.get(), "Sizing", Atom("Sufficient"));
  if (sizing == Atom("Custom") && !ExportedPageSizeExists(values.get(), "Page")) {
    ErrMessageUTF8(Msg("common.err.nopagesize"));
    return kKCtlCallBackStop;
  }
  double maxW = 0, maxH = 0, w = 0, h = 0;
  if (!BookletGetMaxSize(dialog, &maxW, &maxH) || sizing == Atom("Sufficient"))
    return kKCtlCallBackVerifyCommitTerminate;
  if (!BookletFixedSheet(values.get(), &w, &h)) return kKCtlCallBackVerifyCommitTerminate;
  const double m = KCabGetDouble(values.get(), "Margin", 0.0);
  if (KCabGetBool(values.get(), "NoScale", 0)) {
    if (!BookletFitsAtFullSize(w, h, maxW, maxH, m)) {
      ErrMessageUTF8(Msg("dlg.bookletpagesize.nofit100"));
      return kKCtlCallBackStop;
    }
  } else if (2 * m > w || 2 * m > h) {
    ErrMessageUTF8(Msg("dlg.bookletpagesize.margintoobig"));
    return kKCtlCallBackStop;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

SKCtlDialog* NewSheetPage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bookletpagesize.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 105, nullptr);
    SKCtlElem* body = Add(d, kKCtlContainer, 0, -1, nullptr);
    char text[kTextSize];
    PageSizeCaption(text, 14400, 14400);
    SKCtlElem* caption = KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagMinLine, kPageSizeTextId, text, body);
    KCtlSetActionCallback(caption, kKCtlTriggerInit, SheetCaptionsInit, nullptr);
    Radio(d, kKCtlFlagChecked, -1, "dlg.bookletpagesize.2", "Sizing", "Sufficient", body);
    // Sized for the longest feedback: a page of one point.
    SheetCaption(text, "dlg.bookletpagesize.3", kLetterW, kLetterH, 1, 1, 0, 0);
    KCtlSetExportKeyAtom("Sizing", Atom("LetterWide"),
                         KCtlRadioButtonSetGroup((ASUns32)Atom("Sizing"),
                                                 KCtlAddNewElement(d, kKCtlRadioButton, 0, kLetterId, text, body)));
    SheetCaption(text, "dlg.bookletpagesize.4", kA4W, kA4H, 1, 1, 0, 0);
    KCtlSetExportKeyAtom(
        "Sizing", Atom("A4Wide"),
        KCtlRadioButtonSetGroup((ASUns32)Atom("Sizing"), KCtlAddNewElement(d, kKCtlRadioButton, 0, kA4Id, text, body)));
    Radio(d, 0, -1, "dlg.bookletpagesize.5", "Sizing", "Custom", body);
    SKCtlElem* custom = Add(d, kKCtlContainer, 0, -1, nullptr, body);
    KCtlElemFromPageSizeCollection(d, kKCtlFlagCentre | kKCtlFlagNoGap, custom,
                                   kPageSizeMoreChoices | kPageSizeBlanks | kPageSizeOrientation, -1, "Page",
                                   CustomSizeChanged, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagMinLine, kCustomTextId, " ", custom);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletpagesize.9", body);
    AddButtons(d, "common.button.next", kKCtlFlagOK | kKCtlFlagBottom, SheetNext, false);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// ---- Page 3: binding

ASInt32 BindingNext(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  KCabHolder values(ExportPage(dialog, false));
  if (KCabGetAtom(values.get(), "Paginate", ASAtomNull) != Atom("Multiple")) return kKCtlCallBackVerifyCommitTerminate;
  const ASInt32 n = KCabGetInt(values.get(), "PagesPerSig", 16);
  if (n > 3 && n % 4 == 0) return kKCtlCallBackVerifyCommitTerminate;
  // The next multiple of four, kept inside the field's range.
  const ASInt64 up = n <= 3 ? 4 : ((ASInt64)n + 3) / 4 * 4;
  const ASInt32 r = up > 2147483647 ? 2147483644 : (ASInt32)up;
  char question[kTextSize];
  FormatMessageByKeyUTF8(nullptr, "uiimp.1.confirm.roundgroupsize",
                         "A signature of %d pages does not fold. Use %d pages instead?", question, sizeof question,
                         "dd", (int)n, (int)r);
  if (!ConfirmMessageUTF8(question, 1)) return kKCtlCallBackStop;
  char number[32];
  std::snprintf(number, sizeof number, "%ld", (long)r);
  SetText(dialog, kPagesPerSigId, number);
  return kKCtlCallBackVerifyCommitTerminate;
}

SKCtlDialog* NewBindingPage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bookletbinding.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 105, nullptr);
    SKCtlElem* body = Add(d, kKCtlContainer, 0, -1, nullptr);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletbinding.1", body);
    Radio(d, kKCtlFlagChecked, -1, "dlg.bookletbinding.2", "Paginate", "Consec", body);
    Spacer(d, body);
    Radio(d, 0, -1, "dlg.bookletbinding.3", "Paginate", "Single", body);
    Spacer(d, body);
    Radio(d, 0, -1, "dlg.bookletbinding.4", "Paginate", "Multiple", body);
    SKCtlElem* sig = Add(d, kKCtlContainer, 0, -1, nullptr, body);
    SKCtlElem* count = nullptr;
    KCtlStock_PromptCount(d, 0, sig, Msg("dlg.bookletbinding.5"), nullptr, "PagesPerSig",
                          CommandParamMinInt("SimpleBooklet", "PagesPerSig"),
                          CommandParamMaxInt("SimpleBooklet", "PagesPerSig"), &count);
    if (count) count->controlId = kPagesPerSigId;
    Check(d, 0, -1, "dlg.bookletbinding.6", "AddBlanks", sig);
    Spacer(d, body);
    Radio(d, 0, -1, "dlg.bookletbinding.7", "Paginate", "CutStacks", body);
    Check(d, 0, -1, "dlg.bookletbinding.8", "SingleSided", Add(d, kKCtlContainer, 0, -1, nullptr, body));
    AddButtons(d, "common.button.next", kKCtlFlagOK | kKCtlFlagBottom, BindingNext, false);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// ---- Page 4: fronts and backs

SKCtlDialog* NewBacksPage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bookletfrontsbacks.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 105, nullptr);
    SKCtlElem* body = Add(d, kKCtlContainer, 0, -1, nullptr);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletfrontsbacks.1", body);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletfrontsbacks.2", body);
    Radio(d, 0, -1, "dlg.bookletfrontsbacks.3", "Backs", "Inline", body);
    Radio(d, 0, -1, "dlg.bookletfrontsbacks.4", "Backs", "InlineInvert", body);
    Add(d, kKCtlStaticText, 0, -1, "dlg.bookletfrontsbacks.5", body);
    Radio(d, 0, -1, "dlg.bookletfrontsbacks.6", "Backs", "After", body);
    Radio(d, 0, -1, "dlg.bookletfrontsbacks.7", "Backs", "AfterReverse", body);
    // A second document needs a user to look at it.
    KCtlStock_SetElemDisabledUnlessInteractive(d, Add(d, kKCtlStaticText, 0, -1, "dlg.bookletfrontsbacks.8", body));
    KCtlStock_SetElemDisabledUnlessInteractive(d, Radio(d, 0, -1, "dlg.bookletfrontsbacks.9", "Backs", "Separate", body));
    KCtlStock_SetElemDisabledUnlessInteractive(
        d, Radio(d, 0, -1, "dlg.bookletfrontsbacks.10", "Backs", "SeparateReverse", body));
    AddButtons(d, "common.button.next", kKCtlFlagOK | kKCtlFlagBottom, nullptr, false);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// ---- Page 5: alignment

ASInt32 AlignInit(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerLoaded || gKVClassic) return kKCtlCallBackGoOn;
  if (KCabGetAtom(KCtlExportCabForDialog(dialog), "Align", ASAtomNull) != Atom("BottomLeft"))
    KCtlShowOrHideElemById(dialog, KCtlDataForDialog(dialog), kBottomLeftId, 0);
  return kKCtlCallBackGoOn;
}

SKCtlDialog* NewAlignPage() {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.bookletalign.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, 105, nullptr);
    SKCtlElem* body = Add(d, kKCtlContainer, 0, -1, nullptr);
    KCtlSetActionCallback(Add(d, kKCtlStaticText, 0, -1, "dlg.bookletalign.1", body), kKCtlTriggerLoaded, AlignInit,
                          nullptr);
    SKCtlElem* row = Add(d, kKCtlContainer, 0, -1, nullptr, body);
    SKCtlElem* radios = Add(d, kKCtlContainer, kKCtlFlagSameRow, -1, nullptr, row);
    SKCtlElem* r[3] = {Radio(d, kKCtlFlagChecked, -1, "dlg.bookletalign.2", "Align", "CentrePages", radios),
                       Radio(d, 0, -1, "dlg.bookletalign.3", "Align", "CentreSpine", radios),
                       Radio(d, 0, kBottomLeftId, "dlg.bookletalign.4", "Align", "BottomLeft", radios)};
    SKCtlElem* pictures = Add(d, kKCtlContainer, 0, -1, nullptr, row);
    for (ASInt32 i = 0; i < 3; ++i) {
      SKCtlElem* pane = Add(d, kKCtlUserPane, kKCtlFlagCentre | (i == 0 ? kKCtlFlagChecked : 0u),
                            (ASInt16)(kFirstPictureId + i), nullptr, pictures);
      KCtlForceElementSize(213, 143,
                           KCtlAddNewElementWithResourceRef(d, kKCtlPicture, kKCtlFlagOneLine, -1, 170 + i, pane));
      KCtlSetActionId(r[i], kKCtlTriggerChecked, kKCtlActionShow, (ASInt16)(kFirstPictureId + i));
    }
    AddButtons(d, "common.button.finish", kKCtlFlagOK | kKCtlFlagBottom, nullptr, false);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

void DestroyPages() {
  for (SKCtlDialog** d : {&bookletDialog1, &bookletDialog2, &bookletDialog3, &bookletDialog4, &bookletDialog5}) {
    if (*d) KCtlDestroyDialog(*d);
    *d = nullptr;
  }
  if (bookletDialogGroup) DestroyKCtlDialogGroup(bookletDialogGroup);
  bookletDialogGroup = nullptr;
}

void BuildPages() {
  DURING
    bookletDialog1 = NewPreparePage();
    bookletDialog2 = NewSheetPage();
    bookletDialog3 = NewBindingPage();
    bookletDialog4 = NewBacksPage();
    bookletDialog5 = NewAlignPage();
    bookletDialogsWereKVClassic = gKVClassic;
    KCtlDialogSuggestSize(bookletDialog1, 370, 0);
    bookletDialogGroup = NewKCtlDialogGroup();
    for (SKCtlDialog* d : {bookletDialog1, bookletDialog2, bookletDialog3, bookletDialog4, bookletDialog5})
      KCtlDialogGroupAddDialog(bookletDialogGroup, d);
  HANDLER
    DestroyPages();
    RERAISE();
  END_HANDLER
}

SKCtlDialog* Page(ASInt32 n) {
  switch (n) {
    case 1:
      return bookletDialog1;
    case 2:
      return bookletDialog2;
    case 3:
      return bookletDialog3;
    case 4:
      return bookletDialog4;
    default:
      return bookletDialog5;
  }
}

ASInt32 ShowPage(ASInt32 n, SKCab* params) {
  const ASBool interactive = KCabGetBool(params, "Interactive", 1);
  return KCtlRunPage(Page(n), bookletDialogGroup, params, params, nullptr, &interactive);
}

}  // namespace

ASBool BookletGetMaxSize(SMacDialogInfo* dialog, double* maxWidth, double* maxHeight) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCab* own = data ? data->ownCab : nullptr;
  if (own && !KCabGetBool(own, "Interactive", 1)) return 0;
  if (own && KCabGetType(own, "MaxWidth") == kKCabTypeDouble && KCabGetType(own, "MaxHeight") == kKCabTypeDouble) {
    *maxWidth = KCabGetDouble(own, "MaxWidth", 0);
    *maxHeight = KCabGetDouble(own, "MaxHeight", 0);
    return 1;
  }
  AVDoc view = AVAppGetActiveDoc();
  PDDoc doc = view ? AVDocGetPDDoc(view) : nullptr;
  if (!doc) return 0;
  ASBool known = 0;
  DURING
    ASFixedPoint smallest{0, 0}, largest{0, 0};
    GetPageSizesForRangeX(doc, kSizeVisible, 0, PDDocGetNumPages(doc) - 1, &smallest, &largest, nullptr, nullptr, nullptr,
                          nullptr);
    *maxWidth = largest.h / 65536.0;
    *maxHeight = largest.v / 65536.0;
    if (own) {
      KCabPutDouble(own, "MaxWidth", *maxWidth);
      KCabPutDouble(own, "MaxHeight", *maxHeight);
    }
    known = 1;
  HANDLER
    known = 0;
  END_HANDLER
  return known;
}

ASBool CmdMgrBookletUI(SKCab*, SKCab* params) {
  if (!params) return 0;
  if (gKVClassic) BookletResetAdvancedParams(params, 1);
  KCabPutBool(params, "Advanced", AnyAdvancedParams(params));
  ASBool result = 0;
  DURING
    if (bookletDialog1 && (!MessageCacheValid() || gKVClassic != bookletDialogsWereKVClassic)) DestroyPages();
    if (!bookletDialog1) BuildPages();
    ASInt32 page = 1;
    for (;;) {
      const ASInt32 answer = ShowPage(page, params);
      if (answer == kNextId)
        ++page;
      else if (answer == kBackId)
        --page;
      else
        break;
      if (page < 1) page = 1;
      if (page == 2 && KCabGetBool(params, "NoQuestions", 0) && KCabGetBool(params, "Valid", 0)) {
        result = 1;
        break;
      }
      if (page > kPageCount) {
        KCabPutBool(params, "Valid", 1);
        result = 1;
        break;
      }
    }
  HANDLER
    KCabRemove(params, "Advanced");
    RERAISE();
  END_HANDLER
  KCabRemove(params, "Advanced");
  return result;
}
