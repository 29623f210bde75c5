#include "kctl/KCtlAlert.h"

#include <cstring>

#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlMac.h"

namespace {

constexpr ASInt32 kAlertWidth = 450;
constexpr ASInt32 kAlertHeight = 110;
constexpr ASInt32 kAlertIcon = 104;
constexpr ASUns32 kExplanation = kKCtlFlagSameRow;
constexpr ASUns32 kConfirmButton = kKCtlFlagBottom | kKCtlFlagOK;
constexpr ASUns32 kPlainButton = kKCtlFlagBottom;
constexpr ASUns32 kCancelButton = kKCtlFlagBottom | kKCtlFlagCancel;
constexpr ASUns32 kCancelByAction = kKCtlFlagBottom | kKCtlFlagCancel | kKCtlFlagNoRole;
// What the framework answers when the platform cancels a dialog on its own.
constexpr ASInt32 kFrameworkCancel = 7;

SKCab* gAlertPos = nullptr;
SKCab* gCustomAlertPos = nullptr;
bool gLookingUp = false;

SKCab* PosCab(SKCab** cab) {
  if (!*cab) *cab = KCabNewInner();
  return *cab;
}

// The OK button's text, unless looking it up could come back here.
const char* OKText() {
  const char* text = nullptr;
  if (!gLookingUp && !MessageDiagnosticShowing() && gSystemMessageTable) {
    gLookingUp = true;
    DURING
      text = GetMessageFromTableByKey(gSystemMessageTable, "common.button.ok");
    HANDLER
      text = nullptr;
    END_HANDLER
    gLookingUp = false;
  }
  if (!text || !*text || std::strcmp(text, "common.button.ok") == 0) text = "OK";
  return text;
}

// A new alert description: the icon, the text beside it; the buttons follow.
SKCtlDialog* NewAlert(const char* title, const char* text) {
  SKCtlDialog* d = KCtlNewDialog(title, kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  DURING
    KCtlDialogSuggestSize(d, kAlertWidth, kAlertHeight);
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, kExplanation, -1, kAlertIcon, nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, text ? text : "", nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return d;
}

// Runs the alert; the framework frees the description and the run.
ASInt32 RunAlert(SKCtlDialog* d, SKCab* pos) { return KCtlPlatformRunModal(d, nullptr, pos, nullptr); }

}  // namespace

ASInt32 KCtlAlert(const char* title, const char* text) {
  SKCtlDialog* d = NewAlert(title ? title : "Alert", text);
  DURING
    KCtlAddNewElement(d, kKCtlPushButton, kConfirmButton, 1, OKText(), nullptr);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  return RunAlert(d, PosCab(&gAlertPos));
}

ASInt32 KCtlAlertCustomButtons(const char* title, const char* text, const char* first, const char* second,
                               const char* third) {
  if (!title) title = gKCtlAlertTitle ? gKCtlAlertTitle : "Alert";
  SKCtlDialog* d = NewAlert(title, text);
  DURING
    KCtlAddNewElement(d, kKCtlPushButton, kConfirmButton, 1, first ? first : "", nullptr);
    if (third) {
      // The second ends with 2 by its action; the third is the cancel role
      // (the platform's cancel keys), ending with 3.
      KCtlSetActionId(KCtlAddNewElement(d, kKCtlPushButton, kPlainButton, -1, second ? second : "", nullptr),
                      kKCtlTriggerClick, kKCtlActionOK, 2);
      KCtlSetActionId(KCtlAddNewElement(d, kKCtlPushButton, kCancelByAction, 2, third, nullptr), kKCtlTriggerClick,
                      kKCtlActionOK, 3);
    } else if (second) {
      KCtlAddNewElement(d, kKCtlPushButton, kCancelButton, 2, second, nullptr);
    }
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  ASInt32 r = RunAlert(d, PosCab(&gCustomAlertPos));
  if (r >= 1 && r <= 4) return r;
  if (r == kFrameworkCancel) return 2;
  if (third) return 3;
  return second ? 2 : 1;
}

void KCtlAlertTerm() {
  if (gAlertPos) KCabDestroy(gAlertPos);
  if (gCustomAlertPos) KCabDestroy(gCustomAlertPos);
  gAlertPos = nullptr;
  gCustomAlertPos = nullptr;
}

void SetAlertKCtlMode(const char* title) { SetAlertDialog(KCtlAlert, title); }
