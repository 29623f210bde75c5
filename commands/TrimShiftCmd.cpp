#include "commands/TrimShiftCmd.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "commands/ParamTables.h"
#include "commands/Prefs.h"
#include "foundation/ProductName.h"
#include "engine/TrimShift.h"
#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/CLocale.h"
#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "frame/CmdColl.h"
#include "frame/CommandModules.h"
#include "frame/Describe.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRunPage.h"
#include "pdftools/PageSizes.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"

namespace {

ASInt32 Word(SKCab* cab, const char* key, const SKCabEnumWord* words) {
  return KCabEkAtomToEnumTable(KCabGetAtom(cab, key, ASAtomNull), words);
}

constexpr ASInt32 kWizardIcon = 117;
constexpr ASInt32 kDefaultCreepEvery = 32;

// The running step's values as the user sees them now: its export cabinet
// with every element stored over it. The caller owns the copy.
SKCab* CurrentValues(SMacDialogInfo* dialog) { return KCtlAdvanceExport(dialog, KCabNewInner(), 1); }

void Error(const char* key) { ErrMessageUTF8(Msg(key)); }
ASBool Confirm(const char* key) { return ConfirmMessageUTF8(Msg(key), 1); }

// ---- Building blocks of the steps

SKCtlElem* Static(SKCtlDialog* d, ASUns32 flags, const char* key, SKCtlElem* parent) {
  return KCtlAddNewElement(d, kKCtlStaticText, flags, -1, Msg(key), parent);
}

SKCtlElem* Radio(SKCtlDialog* d, ASUns32 group, const char* exportKey, const char* word, const char* textKey,
                 ASUns32 flags, SKCtlElem* parent) {
  SKCtlElem* r = KCtlAddNewElement(d, kKCtlRadioButton, flags, -1, Msg(textKey), parent);
  KCtlSetExportKeyAtom(exportKey, Atom(word), r);
  return KCtlRadioButtonSetGroup(group, r);
}

struct SWording {
  const char* item;  // the item key, "E1" ...
  const char* key;   // its message key
};

// A label whose wording actions pick from its own list. It starts with the
// longest wording so that the layout leaves room for every one.
SKCtlElem* Label(SKCtlDialog* d, ASInt16 id, const SWording* words, int count, SKCtlElem* parent) {
  const char* longest = "";
  for (int k = 0; k < count; ++k)
    if (std::strlen(Msg(words[k].key)) > std::strlen(longest)) longest = Msg(words[k].key);
  SKCtlElem* label = KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow | kKCtlFlagOwnsItemList, id, longest, parent);
  SKCab* list = KCabNewInner();
  DURING
    for (int k = 0; k < count; ++k) KCtlAddListItemToCab(list, Msg(words[k].key), Atom(words[k].item));
  HANDLER
    KCabDestroy(list);
    RERAISE();
  END_HANDLER
  KCtlElemSetItemList(list, label);
  return label;
}

void SetWording(SKCtlElem* radio, ASInt16 labelId, const char* item) {
  KCtlSetActionIdKey(radio, kKCtlTriggerChecked, kKCtlActionSetFromKey, labelId, Atom(item));
}
void OnChecked(SKCtlElem* radio, ASInt32 action, ASInt16 id) { KCtlSetActionId(radio, kKCtlTriggerChecked, action, id); }

// A row: a label from a list, a length field and the unit's name.
SKCtlElem* LengthRow(SKCtlDialog* d, ASInt16 rowId, ASInt16 labelId, const SWording* words, int count,
                     const char* key, SKCtlElem* parent) {
  SKCtlElem* row = KCtlAddNewElement(d, kKCtlContainer, 0, rowId, nullptr, parent);
  Label(d, labelId, words, count, row);
  KCtlStock_PageUnitInput(d, kKCtlFlagSameRow, row, -1, key);
  KCtlStock_CurrentPageUnitText(d, 0, row);
  return row;
}

// Four radios of one new group exporting their words under key; the first
// is checked by default.
void FourRadios(SKCtlDialog* d, const char* key, const char* const (&words)[4], const char* const (&texts)[4],
                SKCtlElem* (&radios)[4]) {
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  for (int k = 0; k < 4; ++k)
    radios[k] = Radio(d, group, key, words[k], texts[k], k == 0 ? (ASUns32)kKCtlFlagChecked : 0u, nullptr);
}

// A user pane (hidden until an action shows it) holding a titled group box.
SKCtlElem* PanelWithBox(SKCtlDialog* d, ASInt16 id, const char* titleKey, SKCtlElem** box) {
  SKCtlElem* panel = KCtlAddNewElement(d, kKCtlUserPane, 0, id, nullptr, nullptr);
  *box = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg(titleKey), panel);
  return panel;
}

// Back: keeps what the step holds and goes one step back.
void AddButtonRow(SKCtlDialog* d, const char* okKey, KCtlActionCallBack check, bool first) {
  SKCtlElem* ok = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagOK, kMacOKId, Msg(okKey), nullptr);
  KCtlSetActionCallback(ok, kKCtlTriggerClick, check, nullptr);
  SKCtlElem* back = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | (first ? (ASUns32)kKCtlFlagDisabled : 0u),
                                      kTrimShiftBackId, Msg("common.button.back"), nullptr);
  KCtlSetActionId(back, kKCtlTriggerClick, kKCtlActionOK, kTrimShiftBackId);
  KCtlStock_CancelButton(d);
}

SKCtlDialog* NewStep(const char* titleKey, const char* introKey) {
  SKCtlDialog* d = KCtlNewDialog(Msg(titleKey), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 0, -1, kWizardIcon, nullptr);
    Static(d, 0, introKey, nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// Step 1: a new document or not, the options, the pages.
void BuildStep1(SKCtlDialog* d) {
  Static(d, 0, "dlg.trim1.2", nullptr);
  KCtlSetExportKey("NewDoc", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.trim1.3"), nullptr));
  SKCtlElem* options = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody, -1, Msg("dlg.trim1.4"), nullptr);
  KCtlSetActionCallback(options, kKCtlTriggerClick, TrimShiftAdvanced, nullptr);
  KCtlStock_PageScope2(d, 0, nullptr, nullptr, kKCtlScopeDefaultAll);
  AddButtonRow(d, "common.button.next", TrimShiftDialog1ClickOk, true);
  KCtlDialogSuggestSize(d, 250, 0);
}

// Step 2: what happens to the page's size.
void BuildStep2(SKCtlDialog* d) {
  // The page-size list comes from the collection, loaded before the element asks.
  GetSystemDefaultPageSizeCollection();
  SKCtlElem* r[4];
  FourRadios(d, "Trim", {"None", "Smaller", "Bigger", "Uniform"},
             {"dlg.trim2.2", "dlg.trim2.3", "dlg.trim2.4", "dlg.trim2.5"}, r);
  SKCtlElem *none = r[0], *smaller = r[1], *bigger = r[2], *uniform = r[3];

  SKCtlElem* box = nullptr;
  SKCtlElem* edgePanel = PanelWithBox(d, kTrimShiftEdgePanelId, "dlg.trim2.6", &box);
  KCtlStock_EdgeRadioOnly(d, box, "TrimEdge");
  static const SWording kBy[] = {{"E1", "uiimp.5.trimby"}, {"E2", "uiimp.5.expandby"}};
  LengthRow(d, -1, kTrimShiftTrimByLabelId, kBy, 2, "TrimBy", edgePanel);

  SKCtlElem* sizePanel = KCtlAddNewElement(d, kKCtlUserPane, 0, kTrimShiftFixedSizePanelId, nullptr, nullptr);
  KCtlElemFromPageSizeCollection(d, 0, sizePanel, kPageSizeMoreChoices | kPageSizeBlanks | kPageSizeOrientation, -1,
                                 "FixedSize", nullptr, nullptr);

  OnChecked(none, kKCtlActionHide, kTrimShiftEdgePanelId);
  OnChecked(smaller, kKCtlActionShow, kTrimShiftEdgePanelId);
  SetWording(smaller, kTrimShiftTrimByLabelId, "E1");
  SetWording(bigger, kTrimShiftTrimByLabelId, "E2");
  OnChecked(bigger, kKCtlActionShow, kTrimShiftEdgePanelId);
  OnChecked(uniform, kKCtlActionHide, kTrimShiftEdgePanelId);
  KCtlSetActionVisibleIfCheckedId(uniform, kTrimShiftFixedSizePanelId);
  AddButtonRow(d, "common.button.next", TrimShiftDialog2ClickOk, false);
}

// Step 3: how the content moves.
void BuildStep3(SKCtlDialog* d) {
  SKCtlElem* r[4];
  FourRadios(d, "Shift", {"None", "Fixed", "Variable", "Creep"},
             {"dlg.trim3.2", "dlg.trim3.3", "dlg.trim3.4", "dlg.trim3.5"}, r);
  SKCtlElem *none = r[0], *fixed = r[1], *variable = r[2], *creep = r[3];

  SKCtlElem* box = nullptr;
  PanelWithBox(d, kTrimShiftDirectionPanelId, "dlg.trim3.6", &box);
  KCtlStock_DirectionRadioOnly(d, box, "ShiftDir");
  SKCtlElem* assistantPanel = KCtlAddNewElement(d, kKCtlUserPane, 0, kTrimShiftAssistantPanelId, nullptr, nullptr);
  if (!gKVClassic2) {
    SKCtlElem* b = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagInBody, -1, Msg("dlg.trim3.71"), assistantPanel);
    KCtlSetActionCallback(b, kKCtlTriggerClick, TrimShiftDialog3ClickCreepAssistant, nullptr);
  }
  // Keeps the two pairs of panels apart: showing one panel hides only its
  // own neighbour.
  KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, nullptr);

  static const SWording kShiftLabels[] = {{"E1", "uiimp.5.shiftby"},      {"E2", "uiimp.5.shiftfirstby"},
                                          {"E3", "uiimp.5.shiftlastby"},  {"E4", "dlg.trim3.11"},
                                          {"E5", "uiimp.5.shiftoutsideby"}, {"E6", "uiimp.5.shiftinsideby"}};
  SKCtlElem* countPanel = KCtlAddNewElement(d, kKCtlUserPane, 0, kTrimShiftCreepCountPanelId, nullptr, nullptr);
  SKCtlElem* countRow = KCtlAddNewElement(d, kKCtlContainer, 0, -1, nullptr, countPanel);
  Label(d, kTrimShiftCreepCountLabelId, kShiftLabels, 6, countRow);
  // The count is kept while the whole-document text stands in for it, so
  // that the step's values (and the feedback reading them) keep the -4 the
  // creep assistant put there.
  KCtlSetExportKeyEditInt("CreepEvery", CommandParamMinInt("TrimAndShift", "CreepEvery"),
                          CommandParamMaxInt("TrimAndShift", "CreepEvery"),
                          KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagSameRow | kKCtlFlagStoreAlways,
                                            kTrimShiftCreepEveryId, "99999", countRow));
  Static(d, 0, "dlg.trim3.12", countRow);
  SKCtlElem* wholePanel = KCtlAddNewElement(d, kKCtlUserPane, 0, kTrimShiftWholeDocPanelId, nullptr, nullptr);
  Static(d, 0, "dlg.trim3.72", wholePanel);

  LengthRow(d, kTrimShiftFromRowId, kTrimShiftFromLabelId, kShiftLabels, 6, "ShiftFrom", nullptr);
  LengthRow(d, kTrimShiftToRowId, kTrimShiftToLabelId, kShiftLabels, 6, "ShiftTo", nullptr);

  OnChecked(none, kKCtlActionShow, kTrimShiftAssistantPanelId);
  for (ASInt16 id : {kTrimShiftDirectionPanelId, kTrimShiftCreepCountPanelId, kTrimShiftWholeDocPanelId,
                     kTrimShiftFromRowId, kTrimShiftToRowId})
    OnChecked(none, kKCtlActionHide, id);

  OnChecked(fixed, kKCtlActionShow, kTrimShiftDirectionPanelId);
  OnChecked(fixed, kKCtlActionHide, kTrimShiftCreepCountPanelId);
  OnChecked(fixed, kKCtlActionHide, kTrimShiftWholeDocPanelId);
  OnChecked(fixed, kKCtlActionShow, kTrimShiftFromRowId);
  OnChecked(fixed, kKCtlActionHide, kTrimShiftToRowId);
  SetWording(fixed, kTrimShiftFromLabelId, "E1");

  OnChecked(variable, kKCtlActionShow, kTrimShiftDirectionPanelId);
  OnChecked(variable, kKCtlActionHide, kTrimShiftCreepCountPanelId);
  OnChecked(variable, kKCtlActionHide, kTrimShiftWholeDocPanelId);
  OnChecked(variable, kKCtlActionShow, kTrimShiftFromRowId);
  OnChecked(variable, kKCtlActionShow, kTrimShiftToRowId);
  SetWording(variable, kTrimShiftFromLabelId, "E2");
  SetWording(variable, kTrimShiftToLabelId, "E3");

  OnChecked(creep, kKCtlActionHide, kTrimShiftDirectionPanelId);
  for (ASInt16 id : {kTrimShiftAssistantPanelId, kTrimShiftCreepCountPanelId, kTrimShiftWholeDocPanelId,
                     kTrimShiftFromRowId, kTrimShiftToRowId})
    OnChecked(creep, kKCtlActionShow, id);
  SetWording(creep, kTrimShiftCreepCountLabelId, "E4");
  SetWording(creep, kTrimShiftFromLabelId, "E5");
  SetWording(creep, kTrimShiftToLabelId, "E6");
  KCtlSetActionCallback(creep, kKCtlTriggerChecked, TrimShiftDialog3CreepChangeFeedback, nullptr);
  KCtlSetActionCallback(creep, kKCtlTriggerLoaded, TrimShiftDialog3CreepChangeFeedback, nullptr);

  AddButtonRow(d, "common.button.finish", TrimShiftDialog3ClickOk, false);
}

SKCtlDialog* trimShiftDialog1 = nullptr;
SKCtlDialog* trimShiftDialog2 = nullptr;
SKCtlDialog* trimShiftDialog3 = nullptr;
SKCtlDialogGroup* trimShiftDialogGroup = nullptr;

// One step shown modally on the parameters; its terminating id.
ASInt32 RunStep(SKCtlDialog* step, SKCab* params) {
  const ASBool interactive = KCabGetBool(params, "Interactive", 1);
  return KCtlRunPage(step, trimShiftDialogGroup, params, params, nullptr, &interactive);
}

// Prints a message text with its arguments, numbers in the C locale (the
// lines are kept in the document's history); the key itself when the text
// does not take the arguments given.
void FormatLine(char* out, size_t size, const char* key, const char* signature, ...) {
  const char* text = Msg(key);
  if (!MessageFormatMatches(text, signature)) {
    std::snprintf(out, size, "%s", key);
    return;
  }
  va_list args;
  va_start(args, signature);
  CLocaleVsnprintf(out, size, text, args);
  va_end(args);
}

void AddLine(SKCab* lines, const char* text) { KCabPutStringCopy(lines, "", text); }

}  // namespace

// ---- The steps

void TrimShiftTermDialogs() {
  for (SKCtlDialog** d : {&trimShiftDialog1, &trimShiftDialog2, &trimShiftDialog3}) {
    if (*d) KCtlDestroyDialog(*d);
    *d = nullptr;
  }
  if (trimShiftDialogGroup) DestroyKCtlDialogGroup(trimShiftDialogGroup);
  trimShiftDialogGroup = nullptr;
}

void TrimShiftInitDialogs() {
  if (trimShiftDialog1 && trimShiftDialog2 && trimShiftDialog3 && trimShiftDialogGroup && MessageCacheValid()) return;
  // Texts may have changed: every step is made again.
  TrimShiftTermDialogs();
  DURING
    trimShiftDialog1 = NewStep("dlg.trim1.title", "dlg.trim1.1");
    BuildStep1(trimShiftDialog1);
    trimShiftDialog2 = NewStep("dlg.trim2.title", "dlg.trim2.1");
    BuildStep2(trimShiftDialog2);
    trimShiftDialog3 = NewStep("dlg.trim3.title", "dlg.trim3.1");
    BuildStep3(trimShiftDialog3);
    trimShiftDialogGroup = NewKCtlDialogGroup();
    for (SKCtlDialog* d : {trimShiftDialog1, trimShiftDialog2, trimShiftDialog3})
      KCtlDialogGroupAddDialog(trimShiftDialogGroup, d);
  HANDLER
    TrimShiftTermDialogs();
    RERAISE();
  END_HANDLER
}

ASInt32 TrimShiftAdvanced(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.trimoptions.title"), 0);
  DURING
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 0, -1, kWizardIcon, nullptr);
    Static(d, 0, "dlg.trimoptions.1", nullptr);
    ASUns32 group = KCtlDialogNewButtonGroupCode(d);
    Radio(d, group, "Normalise", "No", "dlg.trimoptions.2", kKCtlFlagChecked, nullptr);
    Radio(d, group, "Normalise", "Full", "dlg.trimoptions.3", 0, nullptr);
    KCtlStock_OkButton(d);
    KCtlStock_CancelButton(d);
    // OK stores the choice straight into the command's parameters.
    SKCab* params = KCtlExportCabForDialog(dialog);
    KCtlRunPage(d, nullptr, params, params, nullptr, nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  KCtlDestroyDialog(d);
  return kKCtlCallBackGoOn;
}

ASInt32 TrimShiftDialog1ClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  const ASBool interactive = KCtlStockDialogIsInteractive(dialog);
  const ASInt32 selected = KCtlStock_PageScope2_GetNumPagesToProcess(dialog);
  KCabHolder owned(CurrentValues(dialog));
  SKCab* values = owned.get();
  const ASBool newDoc = KCabGetBool(values, "NewDoc", 1);
  const ASAtom range = KCabGetAtom(values, "Source:Range:RangeType", Atom("AllDoc"));
  if (interactive && selected <= 0) {
    Error("uiimp.5.willtrimnopages");
    return kKCtlCallBackStop;
  }
  if (range == Atom("CurrentPage") && newDoc) {
    Error("uiimp.5.1");
    return kKCtlCallBackStop;
  }
  if (newDoc && interactive) {
    AVDoc front = AVAppGetActiveDoc();
    PDDoc doc = front ? AVDocGetPDDoc(front) : nullptr;
    // The user is asked, so the answer counts: no keeps the step open.
    if (doc && selected != PDDocGetNumPages(doc) && !Confirm("uiimp.5.confirm.copyprocesssubset"))
      return kKCtlCallBackStop;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

ASInt32 TrimShiftDialog2ClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  KCabHolder owned(CurrentValues(dialog));
  SKCab* values = owned.get();
  const ASInt32 trim = Word(values, "Trim", kTrimShiftTrimWords);
  if ((trim == kTrimSmaller || trim == kTrimBigger) && KCabGetDouble(values, "TrimBy", 0) == 0) {
    Error("uiimp.5.trimzero");
    return kKCtlCallBackStop;
  }
  if (trim == kTrimUniform) {
    double w = 0, h = 0;
    // A size of nothing is no size to trim to (the engine would skip every page).
    if (!ExportedPageSizeGetBlankSizeWithForcedOrientation(values, "FixedSize", &w, &h) || !(w > 0) || !(h > 0)) {
      Error("pagesizes.err.mustselect");
      return kKCtlCallBackStop;
    }
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

ASInt32 TrimShiftDialog3ClickOk(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  const ASInt32 trim = Word(KCtlExportCabForDialog(dialog), "Trim", kTrimShiftTrimWords);
  KCabHolder owned(CurrentValues(dialog));
  SKCab* values = owned.get();
  const ASInt32 shift = Word(values, "Shift", kTrimShiftShiftWords);
  const double from = KCabGetDouble(values, "ShiftFrom", 0), to = KCabGetDouble(values, "ShiftTo", 0);
  switch (shift) {
    case kShiftNone:
      if (trim == kTrimNone) {
        Error("uiimp.5.noshiftortrim");
        return kKCtlCallBackStop;
      }
      break;
    case kShiftFixed:
      if (from == 0) {
        Error("uiimp.5.shiftfixedzero");
        return kKCtlCallBackStop;
      }
      break;
    case kShiftVariable:
      if (from == 0 && to == 0) {
        Error("uiimp.5.shiftbothzero");
        return kKCtlCallBackStop;
      }
      break;
    case kShiftCreep: {
      const ASInt32 every = KCabGetInt(values, "CreepEvery", kDefaultCreepEvery);
      if (every >= -3 && every <= 2) {
        Error("uiimp.5.creeptoofewpages");
        MacDialogSelectEditItem(dialog, kTrimShiftCreepEveryId);
        return kKCtlCallBackStop;
      }
      if (to > from) {
        if (!Confirm("uiimp.5.confirm.creepbackwards")) return kKCtlCallBackStop;
      } else if (from == 0 && to == 0) {
        Error("uiimp.5.shiftbothzero");
        return kKCtlCallBackStop;
      }
      break;
    }
    default:
      break;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

ASInt32 TrimShiftDialog3CreepChangeFeedback(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data) return kKCtlCallBackGoOn;
  KCabHolder owned(CurrentValues(dialog));
  SKCab* values = owned.get();
  if (Word(values, "Shift", kTrimShiftShiftWords) == kShiftCreep) {
    // Showing one of the two panels hides its neighbour.
    const bool whole = KCabGetInt(values, "CreepEvery", kDefaultCreepEvery) == -4;
    KCtlShowOrHideElemById(dialog, data, whole ? kTrimShiftWholeDocPanelId : kTrimShiftCreepCountPanelId, 1);
  }
  return kKCtlCallBackGoOn;
}

// ---- The command

ASBool CmdMgrTrimAndShiftUI(SKCab*, SKCab* params) {
  TrimShiftInitDialogs();
  SKCtlDialog* steps[3] = {trimShiftDialog1, trimShiftDialog2, trimShiftDialog3};
  int step = 0;
  for (;;) {
    const ASInt32 result = RunStep(steps[step], params);
    if (result == kMacOKId) {
      if (step == 2) break;
      ++step;
    } else if (result == kTrimShiftBackId && step > 0) {
      --step;
    } else {
      return 0;
    }
  }
  // A remembered requirement of an earlier whole-document creep must not
  // outlive it: replays would refuse a command that no longer needs it.
  if (Word(params, "Shift", kTrimShiftShiftWords) == kShiftCreep && KCabGetInt(params, "CreepEvery", kDefaultCreepEvery) < 0)
    KCabPutStringCopy(params, "Requires", kTrimShiftWholeDocCreepRequires);
  else
    KCabRemove(params, "Requires");
  return 1;
}

SKCab* CmdMgrTrimAndShiftDescriber(SKCab*, SKCab* params) {
  SKCab* lines = KCabNewInner();
  DURING
    DescribeRange(lines, params);
    if (KCabGetBool(params, "NewDoc", 0)) AddLine(lines, Msg("common.desc.newdoc"));

    char line[1000];
    const double by = KCabGetDouble(params, "TrimBy", 0);
    switch (Word(params, "Trim", kTrimShiftTrimWords)) {
      case kTrimSmaller:
        FormatLine(line, sizeof line, "uiimp.5.3", "sf", EdgeDescription(Word(params, "TrimEdge", kTrimShiftEdgeWords)), by);
        break;
      case kTrimBigger:
        FormatLine(line, sizeof line, "uiimp.5.4", "sf", EdgeDescription(Word(params, "TrimEdge", kTrimShiftEdgeWords)), by);
        break;
      case kTrimUniform: {
        std::snprintf(line, sizeof line, "%s", Msg("uiimp.5.5"));
        const size_t used = std::strlen(line);
        if (used + 1 < sizeof line) {
          ExportedPageSizeFormat(params, "FixedSize", 1, line + used, (ASInt32)(sizeof line - used));
          line[sizeof line - 1] = 0;
        }
        break;
      }
      default:
        std::snprintf(line, sizeof line, "%s", Msg("uiimp.5.2"));
        break;
    }
    AddLine(lines, line);

    const double from = KCabGetDouble(params, "ShiftFrom", 0), to = KCabGetDouble(params, "ShiftTo", 0);
    const char* dir = DirectionDescription(Word(params, "ShiftDir", kTrimShiftDirWords));
    switch (Word(params, "Shift", kTrimShiftShiftWords)) {
      case kShiftFixed:
        FormatLine(line, sizeof line, "uiimp.5.7", "sf", dir, from);
        break;
      case kShiftVariable:
        FormatLine(line, sizeof line, "uiimp.5.8", "sff", dir, from, to);
        break;
      case kShiftCreep:
        FormatLine(line, sizeof line, "uiimp.5.9", "dff", (int)KCabGetInt(params, "CreepEvery", kDefaultCreepEvery),
                   from, to);
        break;
      default:
        std::snprintf(line, sizeof line, "%s", Msg("uiimp.5.6"));
        break;
    }
    AddLine(lines, line);

    const bool full = KCabGetAtom(params, "Normalise", Atom("No")) != Atom("No");
    AddLine(lines, Msg(full ? "uiimp.5.11" : "uiimp.5.10"));
    DescribeParamRefusal(lines, "TrimAndShift", params);
  HANDLER
    KCabDestroy(lines);
    RERAISE();
  END_HANDLER
  return lines;
}

namespace {

// The engine's Start, once the run's parameters are accepted.
void TrimShiftCmdStart(SKCab* run, SKCab* args) {
  if (CommandParamsAccepted(run, "TrimAndShift")) TrimAndShiftCallBackStart(run, args);
}

}  // namespace

SKCab* NewCmdMgrForTrimAndShift() {
  SKCab* command = KCabNewInner();
  DURING
    TrimAndShiftFillProcessControlCab(command);
    KCabPutFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)TrimShiftCmdStart,
                                    nullptr);
    KCabPutStringCopy(command, "Name", Msg("impmenu1.cmd.shiftandtrim"));
    KCabPutAtom(command, "Key", Atom("TrimAndShift"));
    SKCab* defaults = KCabNewInner();
    KCabPutCab(command, "DefaultParams", defaults);
    KCabPutBool(defaults, "NewDoc", 1);
    KCabPutAtom(defaults, "Trim", Atom("None"));
    KCabPutAtom(defaults, "TrimEdge", Atom("Top"));
    KCabPutDouble(defaults, "TrimBy", 0.0);
    KCabPutAtom(defaults, "Shift", Atom("None"));
    KCabPutAtom(defaults, "ShiftDir", Atom("Up"));
    KCabPutDouble(defaults, "ShiftFrom", 0.0);
    KCabPutDouble(defaults, "ShiftTo", 0.0);
    KCabPutInt(defaults, "CreepEvery", kDefaultCreepEvery);
    KCabPutAtom(defaults, "Normalise", Atom("No"));
    KCabPutFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType, (KCabFunctionPointer)CmdMgrTrimAndShiftUI,
                                    nullptr);
    KCabPutFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType,
                                    (KCabFunctionPointer)CmdMgrTrimAndShiftDescriber, nullptr);
    KCabPutStringCopy(command, "BatchGroup", CurrentProductString(kProductShortName));
    KCabPutInt(command, "Version", 1);
    KCabPutBool(command, "Control:Props:CanHandleAToA", 1);
    KCabPutStringCopy(command, "Control:Props:StatusTitle", Msg("pagemg.6.status.trimshift"));
  HANDLER
    KCabDestroy(command);
    RERAISE();
  END_HANDLER
  return command;
}

KV_COMMAND_MODULE(.NewCmdMgrForTrimAndShift = NewCmdMgrForTrimAndShift)
