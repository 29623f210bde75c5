// The creep assistant: creep stated in printing terms (signature size, paper
// thickness or total shift, which pages move), turned into the trim-and-shift
// wizard's "Shift", "CreepEvery", "ShiftFrom" and "ShiftTo".
#include <cmath>

#include "commands/TrimShiftCmd.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRunPage.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"

namespace {

constexpr ASInt32 kWholeDocument = -4;
// One folded sheet carries four pages.
constexpr double kPagesPerSheet = 4.0;

SKCtlElem* Add(SKCtlDialog* d, ASInt32 type, ASUns32 flags, const char* key, SKCtlElem* parent) {
  return KCtlAddNewElement(d, type, flags, -1, key ? Msg(key) : nullptr, parent);
}

SKCtlElem* BoolRadio(SKCtlDialog* d, ASUns32 group, const char* exportKey, ASBool value, const char* textKey,
                     ASUns32 flags, SKCtlElem* parent) {
  SKCtlElem* r = Add(d, kKCtlRadioButton, flags, textKey, parent);
  KCtlSetExportKeyBoolean(exportKey, value, r);
  return KCtlRadioButtonSetGroup(group, r);
}

// A radio followed on its row by a length field and the unit's name, shown
// only while the radio is checked.
SKCtlElem* RadioWithLength(SKCtlDialog* d, ASUns32 group, const char* exportKey, ASBool value, const char* textKey,
                           ASUns32 flags, const char* lengthKey, SKCtlElem* parent) {
  SKCtlElem* r = BoolRadio(d, group, exportKey, value, textKey, flags | kKCtlFlagSameRow, parent);
  SKCtlElem* row = Add(d, kKCtlContainer, 0, nullptr, parent);
  KCtlStock_PageUnitInput(d, kKCtlFlagSameRow, row, -1, lengthKey);
  KCtlStock_CurrentPageUnitText(d, 0, row);
  KCtlSetActionVisibleIfCheckedElem(r, row);
  return r;
}

}  // namespace

void CreepAssistantHeadline(SKCtlDialog* dialog, SKCtlElem* parent) {
  KCtlAddNewElementWithResourceRef(dialog, kKCtlIcon, 0, -1, 117, parent);
  Add(dialog, kKCtlStaticText, 0, "dlg.creepassistant.1", parent);
}

void CreepAssistantControls(SKCtlDialog* d, SKCtlElem* parent) {
  // Which pages make one creep group.
  SKCtlElem* box = Add(d, kKCtlGroupBox, 0, "dlg.creepassistant.2", parent);
  ASUns32 group = KCtlDialogNewButtonGroupCode(d);
  SKCtlElem* whole = BoolRadio(d, group, "UseWholeDoc", 1, "dlg.creepassistant.3", kKCtlFlagChecked, box);
  SKCtlElem* signatures = BoolRadio(d, group, "UseWholeDoc", 0, "dlg.creepassistant.4", 0, box);
  SKCtlElem* row = Add(d, kKCtlContainer, 0, nullptr, box);
  Add(d, kKCtlStaticText, kKCtlFlagSameRow, "dlg.creepassistant.5", row);
  KCtlSetExportKeyEditInt("SigSize", 1, 99999, KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagSameRow, -1, "99999", row));
  Add(d, kKCtlStaticText, 0, "common.pages", row);
  KCtlSetActionElem(whole, kKCtlTriggerChecked, kKCtlActionHide, row);
  KCtlSetActionElem(signatures, kKCtlTriggerChecked, kKCtlActionShow, row);

  // How much: the paper's thickness or the whole shift.
  box = Add(d, kKCtlGroupBox, 0, "dlg.creepassistant.6", parent);
  group = KCtlDialogNewButtonGroupCode(d);
  SKCtlElem* thickness =
      RadioWithLength(d, group, "UsePT", 1, "dlg.creepassistant.7", kKCtlFlagChecked, "PT", box);
  SKCtlElem* total = RadioWithLength(d, group, "UsePT", 0, "dlg.creepassistant.8", 0, "WS", box);

  // Which pages move.
  box = Add(d, kKCtlGroupBox, 0, "dlg.creepassistant.10", parent);
  group = KCtlDialogNewButtonGroupCode(d);
  BoolRadio(d, group, "MIM", 1, "dlg.creepassistant.11", kKCtlFlagChecked, box);
  BoolRadio(d, group, "MIM", 0, "dlg.creepassistant.12", 0, box);

  // The whole document is measured by the thickness only.
  KCtlSetActionElem(whole, kKCtlTriggerChecked, kKCtlActionSelectRadio, thickness);
  KCtlSetActionElem(whole, kKCtlTriggerChecked, kKCtlActionDisable, total);
  KCtlSetActionElem(whole, kKCtlTriggerUnchecked, kKCtlActionEnable, total);
}

void TranslateTrimShiftParamsToCreepAssistantParams(SKCab* trim, SKCab* assistant) {
  const double from = KCabGetDouble(trim, "ShiftFrom", 0), to = KCabGetDouble(trim, "ShiftTo", 0);
  const double d = std::fabs(from - to);
  const ASInt32 every = KCabGetInt(trim, "CreepEvery", kWholeDocument);
  if (every == kWholeDocument) {
    KCabPutBool(assistant, "UseWholeDoc", 1);
    KCabPutBool(assistant, "UsePT", 1);
    KCabPutDouble(assistant, "PT", d);
    KCabPutInt(assistant, "SigSize", 16);
  } else {
    KCabPutBool(assistant, "UseWholeDoc", 0);
    KCabPutBool(assistant, "UsePT", 0);
    KCabPutInt(assistant, "SigSize", every);
    KCabPutDouble(assistant, "WS", d);
    KCabPutDouble(assistant, "PT", d / (every > 1 ? every : 1) * kPagesPerSheet);
  }
  KCabPutBool(assistant, "MIM", std::fabs(from) < std::fabs(to));
}

void TranslateCreepAssistantParamsToTrimShiftParams(SKCab* assistant, SKCab* trim) {
  KCabPutAtom(trim, "Shift", ASAtomFromString("Creep"));
  const bool usePT = KCabGetBool(assistant, "UsePT", 1);
  const bool whole = KCabGetBool(assistant, "UseWholeDoc", 1);
  double amount = 0;
  ASInt32 every = kWholeDocument;
  if (usePT) {
    amount = KCabGetDouble(assistant, "PT", 0);
    if (!whole) {
      every = KCabGetInt(assistant, "SigSize", 16);
      amount = every * amount / kPagesPerSheet;
    }
  } else if (!whole) {
    every = KCabGetInt(assistant, "SigSize", 4);
    amount = KCabGetDouble(assistant, "WS", 0);
  } else {
    // The dialog never offers a total shift for the whole document; should it
    // come, the shift is taken as given for the whole document.
    ErrMessageUTF8("Internal error 1 in creep assistant");
    amount = KCabGetDouble(assistant, "WS", 0);
  }
  KCabPutInt(trim, "CreepEvery", every);
  if (KCabGetBool(assistant, "MIM", 1)) {
    KCabPutDouble(trim, "ShiftFrom", 0.0);
    KCabPutDouble(trim, "ShiftTo", 0.0 - amount);
  } else {
    KCabPutDouble(trim, "ShiftFrom", amount);
    KCabPutDouble(trim, "ShiftTo", 0.0);
  }
}

ASInt32 TrimShiftDialog3ClickCreepAssistant(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user) {
  SKCtlDialog* d = KCtlNewDialog(Msg("dlg.creepassistant.title"), 0);
  SKCab* values = nullptr;
  SKCab* assistant = nullptr;
  auto release = [&] {
    KCtlDestroyDialog(d);
    if (assistant) KCabDestroy(assistant);
    if (values) KCabDestroy(values);
  };
  DURING
    CreepAssistantHeadline(d, nullptr);
    CreepAssistantControls(d, nullptr);
    KCtlStock_OkButton(d);
    KCtlStock_CancelButton(d);
    // What the step shows now, not only what it held when it opened.
    values = KCtlAdvanceExport(dialog, KCabNewInner(), 1);
    assistant = KCabNewInner();
    TranslateTrimShiftParamsToCreepAssistantParams(values, assistant);
    if (KCtlRunPage(d, nullptr, assistant, assistant, nullptr, nullptr) == kMacOKId) {
      TranslateCreepAssistantParamsToTrimShiftParams(assistant, values);
      KCtlLoadElementsFromSpecificCab(dialog, values);
      TrimShiftDialog3CreepChangeFeedback(dialog, id, trigger, user);
    }
  HANDLER
    release();
    RERAISE();
  END_HANDLER
  release();
  return kKCtlCallBackGoOn;
}
