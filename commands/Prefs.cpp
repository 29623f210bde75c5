// The general preferences: read once per run from "Last:General", applied to
// the process-wide switches, edited in the preferences dialog; and the
// per-imposition overrides a command's parameters may carry.
#include "commands/Prefs.h"

#include <cmath>
#include <span>
#include <string>

#include "engine/EnginePrefs.h"
#include "engine/ImpositionPrefs.h"
#include "engine/PageMerge.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "kctl/LanguageDialogs.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "frame/CommandModules.h"
#include "frame/KVCommands.h"
#include "host/AV.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeDialogs.h"
#include "kctl/KCtlMac.h"

ASBool gKVClassic = 0;
ASBool gKVClassic2 = 0;
ASBool gNoThemeDialogbackground = 0;
ASBool gHideWebPageAccess = 0;
ASBool gHideWebPageAccess_Default = 0;
ASBool gRemoveStructureInNewDoc_Default = 1;

namespace {

constexpr const char* kGeneralPrefsKey = "Last:General";
constexpr double kDefaultSheetTolerance = 0.01;
// The tolerance of classic mode: 1/8092 of a point.
constexpr double kClassicSheetTolerance = 1.0 / 8092.0;
constexpr ASInt32 kPrefsIcon = 104;
constexpr ASInt16 kBasicContainerId = 100;
constexpr ASInt16 kImpositionContainerId = 101;
// The control resource of the message tables.
constexpr ASInt32 kLangControlResource = 123;
constexpr const char* kTranslatorWarning =
    "Warning, this is for use by translators. Playing with these options may break the software!\nContinue?";

// Every switch the preferences set, to put back when reading them fails.
struct SPrefsSwitches {
  ASInt32 bleedPromptDefault = gBleedVelmoraPromptDefault;
  double sheetTolerance = gNupSheetTolerance;
  ASBool hideWeb = gHideWebPageAccess;
  ASBool removeStructure = gRemoveStructureInNewDoc;
  ASBool cloneBoxes = gCloneBlankPageBoxes;
  ASBool classic = gKVClassic;
  ASBool classic2 = gKVClassic2;
  ASBool noTheme = gNoThemeDialogbackground;
  ASInt32 pdfx = gPDFXMode;
  EFieldsWhich fields = gImpositionFieldsOption;
  ERegColour regColour = gRegistrationColour;
  ASInt32 bleedMode = gBleedVelmoraMode;
  ASInt32 formXObjects = gImpositionUseFormXObjects;
  ASBool tr2 = gApplyTr2Fix;
  ASBool opi = gApplyOPIFix;

  void Restore() const {
    gBleedVelmoraPromptDefault = bleedPromptDefault;
    gNupSheetTolerance = sheetTolerance;
    gHideWebPageAccess = hideWeb;
    gRemoveStructureInNewDoc = removeStructure;
    gCloneBlankPageBoxes = cloneBoxes;
    gKVClassic = classic;
    gKVClassic2 = classic2;
    gNoThemeDialogbackground = noTheme;
    gPDFXMode = pdfx;
    gImpositionFieldsOption = fields;
    SetRegColour(regColour);
    gBleedVelmoraMode = bleedMode;
    gImpositionUseFormXObjects = formXObjects;
    gApplyTr2Fix = tr2;
    gApplyOPIFix = opi;
  }
};

ASBool gReadStarted = 0;
ASBool gReadSucceeded = 0;

// ---- describer words

// A parameter's word and the key of its text.
struct SWordText {
  const char* word;
  const char* key;
};

constexpr SWordText kRegColourTexts[] = {
    {"AllSeps", "prefs.regcolor.all"}, {"CMYK", "prefs.regcolor.cmyk"}, {"Black", "prefs.regcolor.black"}};
constexpr SWordText kPDFXTexts[] = {{"IgnoreAll", "pdfx.ignore"}, {"PreserveAll", "pdfx.preserve"}};
constexpr SWordText kBleedModeTexts[] = {
    {"Prompt", "dlg.perimppref.11"}, {"Use", "dlg.perimppref.10"}, {"Ignore", "dlg.perimppref.9"}};
constexpr SWordText kFlattenTexts[] = {{"FormsAndFields", "prefs.annots.flatten.short"},
                                       {"None", "prefs.annots.ignore.short"}};

// The text of the word in the table; the unknown-value text for any other.
const char* WordText(std::span<const SWordText> table, ASAtom word) {
  for (const SWordText& entry : table)
    if (word == Atom(entry.word)) return Msg(entry.key);
  return Msg("common.unknownorbad");
}

void DescribeLine(SKCab* out, const std::string& line) { KCabPutStringCopy(out, "", line.c_str()); }

// ---- dialog pieces

// A description freed with its run data by the window.
constexpr ASUns32 kFreeBoth = kKCtlDialogFreeDescription | kKCtlDialogFreeData;

SKCtlDialog* NewPrefsStyleDialog(const char* title) {
  return KCtlNewDialog(title, kFreeBoth | (gNoThemeDialogbackground ? kKCtlDialogPlainBackground : 0u));
}

// The run frees the description (also when making the run data fails).
ASInt32 RunModal(SKCtlDialog* d, SKCab* values, SKCab* posCab) {
  return KCtlPlatformRunModal(d, values, posCab, nullptr);
}

SKCtlElem* AtomRadio(SKCtlDialog* d, SKCtlElem* parent, ASUns32 group, const char* text, const char* key,
                     const char* word, bool checked) {
  // Stored also from the tab page that is not showing.
  ASUns32 flags = kKCtlFlagStoreAlways | (checked ? kKCtlFlagChecked : 0u);
  SKCtlElem* r = KCtlAddNewElement(d, kKCtlRadioButton, flags, -1, text, parent);
  KCtlSetExportKeyAtom(key, Atom(word), r);
  return KCtlRadioButtonSetGroup(group, r);
}

void RegColourRadios(SKCtlDialog* d, SKCtlElem* parent) {
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  AtomRadio(d, parent, group, Msg("dlg.full.3"), "RegColour", "AllSeps", gRegistrationColour == kRegColourAllSeps);
  AtomRadio(d, parent, group, Msg("dlg.full.4"), "RegColour", "CMYK", gRegistrationColour == kRegColourCMYK);
  AtomRadio(d, parent, group, Msg("dlg.full.5"), "RegColour", "Black", gRegistrationColour == kRegColourBlack);
}

void FlattenRadios(SKCtlDialog* d, SKCtlElem* parent, const char* ignoreKey, const char* flattenKey) {
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  AtomRadio(d, parent, group, Msg(ignoreKey), "Flatten", "None", gImpositionFieldsOption == kFieldsNone);
  AtomRadio(d, parent, group, Msg(flattenKey), "Flatten", "FormsAndFields",
            gImpositionFieldsOption == kFieldsFormsAndFields);
}

ASInt32 CustomSizesButton(SMacDialogInfo*, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCab* cab = KCabNewInner();
  DURING
    DoMoreSizesDialog(cab, 1);
  HANDLER
    KCabDestroy(cab);
    RERAISE();
  END_HANDLER
  KCabDestroy(cab);
  return kKCtlCallBackGoOn;
}

// The custom page sizes group.
void PageSizesGroup(SKCtlDialog* d, SKCtlElem* parent) {
  SKCtlElem* group = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.full.6"), parent);
  KCtlForceElementSize(200, 0, KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, Msg("dlg.full.7"), group));
  SKCtlElem* more = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody | kKCtlFlagNoRole, -1, Msg("dlg.full.8"), group);
  KCtlSetActionCallback(more, kKCtlTriggerClick, CustomSizesButton, nullptr);
}

void ClassicCheckBox(SKCtlDialog* d, SKCtlElem* parent) {
  ASUns32 flags = kKCtlFlagStoreAlways | (gKVClassic ? kKCtlFlagChecked : 0u);
  KCtlSetExportKey("Classic", KCtlAddNewElement(d, kKCtlCheckBox, flags, -1, Msg("dlg.prefs.hidenew"), parent));
}

// An icon with a text beside it.
void Heading(SKCtlDialog* d, SKCtlElem* parent, const char* textKey) {
  KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kKCtlFlagSameRow, -1, kPrefsIcon, parent);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg(textKey), parent);
}

// The more-preferences dialog on the values cabinet; true on OK.
ASBool DoMorePrefsDialog(SKCab* values, SKCab* posCab) {
  SKCtlDialog* d = NewPrefsStyleDialog(Msg("dlg.prefsmore.title"));
  DURING
    Heading(d, nullptr, "dlg.prefsmore.3");
    FlattenRadios(d, nullptr, "prefs.annots.ignore.long", "prefs.annots.flatten.long");
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.ok"), nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.cancel"), nullptr);
    KCtlDialogSuggestSize(d, 380, 350);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return RunModal(d, values, posCab) == 1;
}

// The preferences dialog's position for the run.
SKCab* PrefsPosCabinet() {
  static SKCab* cab = nullptr;
  if (!cab) cab = KCabNewInner();
  return cab;
}

// OK: with the first modifier key the more-preferences dialog, the
// preferences dialog staying open; else verify, store and close.
ASInt32 PrefsOk(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  if (!(AVSysGetModifiers() & AV_COMMAND)) return kKCtlCallBackVerifyCommitTerminate;
  // The sub-dialog works on the values as they stand in the dialog now, and
  // its answer goes back into the dialog, so that storing on OK keeps it
  // whether or not this dialog shows the same choice.
  SKCab* values = KCtlExportCabForDialog(dialog);
  SKCab* current = KCabNewInner();
  DURING
    KCtlAdvanceExport(dialog, current, 1);
    if (DoMorePrefsDialog(current, PrefsPosCabinet())) {
      SKCab* answer = KCabNewInner();
      DURING
        if (KCabKnown(current, "Flatten")) {
          KCabPutAtom(answer, "Flatten", KCabGetAtom(current, "Flatten", ASAtomNull));
          if (values) KCabPutAtom(values, "Flatten", KCabGetAtom(current, "Flatten", ASAtomNull));
        }
        KCtlLoadElementsFromSpecificCab(dialog, answer);
      HANDLER
        KCabDestroy(answer);
        RERAISE();
      END_HANDLER
      KCabDestroy(answer);
    }
  HANDLER
    KCabDestroy(current);
    RERAISE();
  END_HANDLER
  KCabDestroy(current);
  return kKCtlCallBackStop;
}

// ---- the language button

ASBool LangChangeCancelParent = 0;
const char* gLangPrefKey = kKVExtensionCode;
ASBool gTranslatorWarningAccepted = 0;

ASInt32 PrefsLang(SMacDialogInfo* dialog, ASInt32, ASInt32 trigger, void*) {
  if (trigger != kKCtlTriggerClick) return kKCtlCallBackGoOn;
  SKCtlData* data = KCtlDataForDialog(dialog);
  SKCab* posCab = data ? data->posCab : nullptr;
  if (data) KCtlStorePos(dialog, data);
  if (AVSysGetModifiers() & AV_OPTION) {
    if (!gTranslatorWarningAccepted) {
      if (!ConfirmMessageUTF8(kTranslatorWarning, 2)) return kKCtlCallBackGoOn;
      gTranslatorWarningAccepted = 1;
    }
    RunGenMsgUI(gLangPrefKey);
    if (data) KCtlTerminateDialog(dialog, data, 2);
    return kKCtlCallBackStop;
  }
  if (RunLangUI(nullptr, kLangControlResource, gLangPrefKey, 1, posCab)) {
    NoteMessageUTF8(Msg("prefs.lang.1"));
    if (LangChangeCancelParent && data) {
      KCtlTerminateDialog(dialog, data, 2);
      return kKCtlCallBackStop;
    }
  }
  return kKCtlCallBackGoOn;
}

// ---- the preferences dialog

SKCab* TabEntry(const char* textKey, const char* word) {
  SKCab* t = KCabNewInner();
  KCabPutStringCopy(t, "S", Msg(textKey));
  KCabPutAtom(t, "E", Atom(word));
  return t;
}

void BuildClassicPrefs(SKCtlDialog* d) {
  Heading(d, nullptr, "dlg.full.1");
  RegColourRadios(d, KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.full.2"), nullptr));
  PageSizesGroup(d, nullptr);
  ClassicCheckBox(d, nullptr);
}

void BuildTabbedPrefs(SKCtlDialog* d) {
  SKCab* entries = KCabNewInner();
  DURING
    KCabPutCab(entries, "0", TabEntry("dlg.prefs.basic", "Basic"));
    KCabPutCab(entries, "1", TabEntry("dlg.prefs.imposition", "Imposition"));
  HANDLER
    KCabDestroy(entries);
    RERAISE();
  END_HANDLER
  ASInt32 tabs = KCtlStockTabCreate(d, nullptr, entries, nullptr, "E0", nullptr);
  KCtlStockTabSetActionId(d, tabs, Atom("Basic"), kKCtlActionHide, kImpositionContainerId);
  KCtlStockTabSetActionId(d, tabs, Atom("Basic"), kKCtlActionShow, kBasicContainerId);
  KCtlStockTabSetActionId(d, tabs, Atom("Imposition"), kKCtlActionHide, kBasicContainerId);
  KCtlStockTabSetActionId(d, tabs, Atom("Imposition"), kKCtlActionShow, kImpositionContainerId);

  SKCtlElem* basic = KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagNoAdvance, kBasicContainerId, nullptr, nullptr);
  Heading(d, basic, "dlg.full.1");
  PageSizesGroup(d, basic);
  if (gKVClassic2) ClassicCheckBox(d, basic);

  SKCtlElem* imp = KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagHidden, kImpositionContainerId, nullptr, nullptr);
  Heading(d, imp, "dlg.full.20");
  RegColourRadios(d, KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.full.2"), imp));
  SKCtlElem* annots = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.full.22"), imp);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.full.23"), annots);
  FlattenRadios(d, annots, "prefs.annots.ignore.short", "prefs.annots.flatten.short");
  SKCtlElem* bleed = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.full.24"), imp);
  KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.full.25"), bleed);
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  AtomRadio(d, bleed, group, Msg("dlg.perimppref.9"), "BleedMode", "Ignore", gBleedVelmoraMode == kBleedIgnore);
  AtomRadio(d, bleed, group, Msg("dlg.perimppref.10"), "BleedMode", "Use", gBleedVelmoraMode == kBleedUse);
  AtomRadio(d, bleed, group, Msg("dlg.perimppref.11"), "BleedMode", "Prompt", gBleedVelmoraMode == kBleedPrompt);
  KCtlAddNewElement(d, kKCtlFiller, 0, -1, nullptr, imp);
  SetLanguagePrefsButton(d, imp, 0, 1, kKVExtensionCode);
}

}  // namespace

// ---- the stored preferences

SKCab* LoadGeneralPrefsCab() { return LoadKVParametersNoNull(kGeneralPrefsKey); }

void CommitGeneralPrefsCab(SKCab* cab) { MergeAndStoreKVParameters(kGeneralPrefsKey, cab); }

ASBool KVPrefsFromCab(SKCab* prefs, ASBool fromDialog) {
  if (!prefs) return 0;
  SetPerImpositionPrefsFromCab(prefs);
  if (KCabKnown(prefs, "BleedPromptDefault")) {
    ASInt32 mode = BleedModeFromAtom(KCabGetAtom(prefs, "BleedPromptDefault", ASAtomNull));
    // Asking is what the prompt itself does: its default answer cannot be to ask.
    gBleedVelmoraPromptDefault = mode == kBleedPrompt ? kBleedUse : mode;
  }
  // The stored file is not to be trusted: a tolerance that is no number or
  // negative would upset every layout, so it counts as absent.
  double tolerance = KCabGetDouble(prefs, "NupSheetTolerance", kDefaultSheetTolerance);
  gNupSheetTolerance = std::isfinite(tolerance) && tolerance >= 0 ? tolerance : kDefaultSheetTolerance;
  gHideWebPageAccess = KCabGetBool(prefs, "HideWebPageAccess", gHideWebPageAccess_Default) ? 1 : 0;
  gRemoveStructureInNewDoc = KCabGetBool(prefs, "RemoveTagsOnNewDoc", gRemoveStructureInNewDoc_Default) ? 1 : 0;
  gCloneBlankPageBoxes = KCabGetBool(prefs, "CopyBlankPageBoxes", gCloneBlankPageBoxes) ? 1 : 0;
  if (KCabGetBool(prefs, "Classic", 0)) {
    if (!gKVClassic) {
      if (fromDialog) NoteMessageUTF8(Msg("prefs.note.hidenew"));
      gKVClassic = 1;
      gNoThemeDialogbackground = 1;
      gPDFXMode = 0;
      gImpositionFieldsOption = kFieldsNone;
      gNupSheetTolerance = kClassicSheetTolerance;
    }
  } else {
    gKVClassic = 0;
    gNoThemeDialogbackground = 0;
  }
  if (KCabGetBool(prefs, "ClassicV2", 0)) gKVClassic2 = 1;
  KCabPutBool(prefs, "SpareBT", 1);
  KCabPutBool(prefs, "SpareBF", 0);
  return 1;
}

ASBool ReadGeneralPrefs() {
  if (gReadStarted) return gReadSucceeded;
  gReadStarted = 1;
  SPrefsSwitches before;
  DURING
    SKCab* prefs = LoadGeneralPrefsCab();
    DURING
      KVPrefsFromCab(prefs, 0);
    HANDLER
      KCabDestroy(prefs);
      RERAISE();
    END_HANDLER
    KCabDestroy(prefs);
    gReadSucceeded = 1;
  HANDLER
    before.Restore();
    AutoExceptionMessageUTF8(Msg("impprefs.task.readgeneralprefs"), ERRORCODE);
  END_HANDLER
  return gReadSucceeded;
}

// ---- per-imposition overrides

void ClearPerImpositionPrefsInCab(SKCab* cab) {
  if (!cab) return;
  for (const char* key :
       {"Flatten", "RegColour", "PDFX", "BleedMode", "UseFormXObjects", "Acro5Tr2Fix", "Acro6OPIFix"})
    KCabRemove(cab, key);
}

ASBool AnyPerImpositionOverrides(SKCab* cab) {
  if (!cab) return 0;
  return KCabKnown(cab, "RegColour") || KCabKnown(cab, "PDFX") || KCabKnown(cab, "BleedMode") ||
         KCabKnown(cab, "Flatten");
}

void PerImpositionOverridesDescriber(SKCab* out, SKCab* params) {
  if (!out || !params) return;
  auto line = [&](const char* key, const char* headKey, const char* separator, std::span<const SWordText> texts) {
    if (!KCabKnown(params, key)) return;
    DescribeLine(out, std::string(Msg(headKey)) + separator + WordText(texts, KCabGetAtom(params, key, ASAtomNull)));
  };
  line("RegColour", "prefs.regcolor.desc", "", kRegColourTexts);
  line("PDFX", "prefs.pdfx.desc", "", kPDFXTexts);
  line("BleedMode", "dlg.full.24", ": ", kBleedModeTexts);
  line("Flatten", "prefs.desc.annots", "", kFlattenTexts);
}

ASBool AnyPerImpositionOverridesFeedbackElem(SKCab* params, SMacDialogInfo* dialog, ASInt32 elem) {
  SKCtlElem* info = KCtlPlatformGetElemFromControlId(KCtlDataForDialog(dialog), elem);
  if (!AnyPerImpositionOverrides(params)) {
    if (info) KCtlInfoElementSetInfoText(dialog, info, Msg("prefs.override.none"), nullptr, 0);
    return 0;
  }
  SKCab* lines = KCabNewInner();
  DURING
    PerImpositionOverridesDescriber(lines, params);
    if (info) KCtlInfoElementSetTextFromDescCab(dialog, info, lines);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  KCabDestroy(lines);
  return 1;
}

// ---- dialogs

SKCtlElem* SetLanguagePrefsButton(SKCtlDialog* dialog, SKCtlElem* parent, ASUns32 flags, ASBool cancelParent,
                                  const char* prefKey) {
  LangChangeCancelParent = cancelParent;
  gLangPrefKey = prefKey ? prefKey : kKVExtensionCode;
  SKCtlElem* button = KCtlAddNewElement(dialog, kKCtlPushButton, flags | kKCtlFlagInBody | kKCtlFlagNoRole, -1,
                                        Msg("prefs.lang.button"), parent);
  return KCtlSetActionCallback(button, kKCtlTriggerClick, PrefsLang, nullptr);
}

void ForgetTranslatorWarningAnswer() { gTranslatorWarningAccepted = 0; }

ASBool DoPrefsDialog() {
  SKCab* values = LoadGeneralPrefsCab();
  ASBool ok = 0;
  DURING
    SKCtlDialog* d = NewPrefsStyleDialog(Msg("dlg.full.title2"));
    DURING
      if (gKVClassic)
        BuildClassicPrefs(d);
      else
        BuildTabbedPrefs(d);
      SKCtlElem* okButton = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, Msg("common.button.ok"), nullptr);
      KCtlSetActionCallback(okButton, kKCtlTriggerClick, PrefsOk, nullptr);
      KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, Msg("common.button.cancel"), nullptr);
      KCtlDialogSuggestSize(d, 380, 350);
    HANDLER
      KCtlDestroyDialog(d);
      RERAISE();
    END_HANDLER
    if (RunModal(d, values, PrefsPosCabinet()) == 1) {
      KCabRemove(values, "E0");
      KVPrefsFromCab(values, 1);
      CommitGeneralPrefsCab(values);
      ok = 1;
    }
  HANDLER
    KCabDestroy(values);
    RERAISE();
  END_HANDLER
  KCabDestroy(values);
  return ok;
}

KV_COMMAND_MODULE(.ReadGeneralPrefs = ReadGeneralPrefs, .DoPrefsDialog = DoPrefsDialog)
