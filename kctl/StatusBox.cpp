// The status box: a small modeless dialog with a label of up to four lines,
// ten progress marks and a Cancel button; the place where long work on the
// user-interface thread notices that the user wants it to stop.
#include "kctl/StatusBox.h"

#include <cstring>

#include "foundation/ProductName.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/Msg.h"
#include "foundation/TextCut.h"
#include "host/AV.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/mac/DialogHelpers.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialogItems.h"
#include "platform/Pf.h"

ASInt16 gStatusBoxVisible = 1;

namespace {

constexpr ASInt32 kLabelId = 100;
constexpr ASInt32 kFirstMarkId = 101;
constexpr ASInt32 kMarkCount = 10;
constexpr ASInt32 kCancelButtonId = 2;
constexpr size_t kTitleBytes = 100;
constexpr size_t kSavedLabelBytes = 300;
constexpr ASInt32 kMaxDuration = 32767;

const char kEmptyMark[] = "\xE2\x97\x8B";   // U+25CB
const char kFilledMark[] = "\xE2\x97\x8F";  // U+25CF

struct SStatusBoxSavedState {
  SStatusBoxSavedState* next;
  ASInt16 labelSaved;
  ASInt16 statusFlag;
  ASInt16 kFlag;
  ASInt16 userCancelUnseen;
  char label[kSavedLabelBytes];
};

char statusboxTitle[kTitleBytes];
ASInt16 statusCancelFlag = 0;
ASInt16 kCancelFlag = 0;
// A cancel the user gave that no poll has reported yet. Opening the box or
// giving it a text clears the status flag for the next piece of work, but
// not this: a loop that labels each step before it polls would otherwise
// never see the click.
ASInt16 gUserCancelUnseen = 0;
SMacDialogInfo* kStatusDialog = nullptr;
ASInt32 kStatusBlobsVisible = 0;
ASUns32 gLastPollTime = 0;
ASInt32 gBlobsAtLastPoll = 0;
ProgressMonitor statPM = nullptr;
ASInt16 statPMAutoClose = 0;
ASInt32 statPMDuration = 10;
ASInt32 statPMCurrValue = 0;
SStatusBoxSavedState* statusBoxStack = nullptr;

// The host's status line shows what the box shows: its text, and the
// progress while the monitor runs. It is told on every change; the host
// decides when to draw.
// The monitor's values as given: the marks count in at most 32767 steps,
// the percentage of a longer run must not stop at 100 before its end.
bool gEchoOpen = false;
bool gEchoProgress = false;
ASInt32 gEchoDuration = 10;
ASInt32 gEchoValue = 0;
char gEchoText[kSavedLabelBytes];

void Echo() {
  if (!gEchoOpen) return;
  AVAppSetStatusLine(gEchoText, gEchoValue, gEchoProgress ? gEchoDuration : 0);
}

void EchoOpen() {
  if (!gStatusBoxVisible) return;
  gEchoOpen = true;
  Echo();
}

void EchoText(const char* text) {
  CopyCutUTF8(gEchoText, sizeof gEchoText, text ? text : "");
  EchoOpen();
}

void EchoClose() {
  if (gEchoOpen) AVAppEndStatusLine();
  gEchoOpen = false;
  gEchoProgress = false;
  gEchoValue = 0;
  gEchoDuration = 10;
  gEchoText[0] = 0;
}

// The poll's clock: the platform's seconds, which move with its event clock.
ASUns32 NowSeconds() { return PfSecondsNow(); }

void UserCancelled() {
  statusCancelFlag = kCancelFlag = 1;
  gUserCancelUnseen = 1;
}

void ClearStatusFlag() { statusCancelFlag = gUserCancelUnseen; }

void SetElemText(ASInt32 id, const char* text) {
  SKCtlData* data = KCtlDataForDialog(kStatusDialog);
  SKCtlElem* e = KCtlPlatformGetElemFromControlId(data, id);
  if (e) KCtlPlatformSetControlText(kStatusDialog, data, e, text);
}

void KStatusDialogSetLabel(const char* text) {
  if (!kStatusDialog) return;
  SetElemText(kLabelId, text ? text : "");
  MacRedrawDialogNow(kStatusDialog);
}

ASInt32 KStatusDialogInitialise(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  kStatusDialog = dialog;
  kStatusBlobsVisible = 0;
  CentreDialog(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 KStatusDialogDestroy(SMacDialogInfo*, ASInt32, ASInt32, void*) {
  EchoClose();
  statusCancelFlag = 1;
  // The work the box showed is over: a cancel it did not hear ends with it.
  gUserCancelUnseen = 0;
  kStatusDialog = nullptr;
  return kKCtlCallBackGoOn;
}

ASInt32 KStatusDialogCancelButton(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  UserCancelled();
  KCtlEnableOrDisableElemById(dialog, KCtlDataForDialog(dialog), kCancelButtonId, 0);
  KStatusDialogSetLabel(Msg("uistatbx.status.cancelled"));
  EchoText(Msg("uistatbx.status.cancelled"));
  return kKCtlCallBackGoOn;
}

const char* DefaultTitle() {
  if (statusboxTitle[0]) return statusboxTitle;
  const char* name = CurrentProductString(kProductShortName);
  return name ? name : "";
}

void BuildAndStart() {
  SKCtlDialog* d = KCtlNewDialog(DefaultTitle(), kKCtlDialogFreeDescription | kKCtlDialogFreeData | 0x8);
  DURING
    SKCtlElem* label = KCtlAddNewElement(d, kKCtlStaticText, 0xa00000, kLabelId, " \n \n \n \n", nullptr);
    KCtlSetActionCallback(label, kKCtlTriggerLoaded, KStatusDialogInitialise, nullptr);
    KCtlSetActionCallback(label, kKCtlTriggerDestroyed, KStatusDialogDestroy, nullptr);
    SKCtlElem* row = KCtlAddNewElement(d, kKCtlContainer, kKCtlFlagCentre, -1, nullptr, nullptr);
    for (ASInt32 k = 0; k < kMarkCount; ++k)
      KCtlAddNewElement(d, kKCtlStaticText, k + 1 < kMarkCount ? 0x800010 : 0x800000,
                        (ASInt16)(kFirstMarkId + k), kEmptyMark, row);
    SKCtlElem* cancel = KCtlAddNewElement(d, kKCtlPushButton, 0, kCancelButtonId, Msg("common.button.cancel"), nullptr);
    KCtlSetActionCallback(cancel, kKCtlTriggerClick, KStatusDialogCancelButton, nullptr);
    KCtlDialogSuggestSize(d, 300, 0);
  HANDLER
    KCtlDestroyDialog(d);
    RERAISE();
  END_HANDLER
  // From here the run frees the description and its data, also on failure.
  KCtlPlatformRunModeless(d, nullptr, nullptr, nullptr);
}

void OpenKStatusDialog(const char* label) {
  if (kStatusDialog) {
    if (kStatusDialog->avWindow)
      AVWindowBringToFront(kStatusDialog->avWindow);
    else
      PfSelectWindow(PfGetDialogWindow(kStatusDialog->dialog));
  } else {
    BuildAndStart();
  }
  if (label) KStatusDialogSetLabel(label);
}

void CloseKStatusDialog() {
  EchoClose();
  if (!kStatusDialog) return;
  KCtlTerminateDialog(kStatusDialog, KCtlDataForDialog(kStatusDialog), 0);
}

// ---- The progress monitor

void PMBeginOperation(void*) {
  ClearStatusFlag();
  if (gStatusBoxVisible) OpenKStatusDialog(nullptr);
  statPMCurrValue = 0;
  statPMDuration = 10;
  gEchoValue = 0;
  gEchoDuration = 10;
  gEchoProgress = true;
  EchoOpen();
}

void PMEndOperation(void*) {
  gEchoProgress = false;
  Echo();
  if (!kStatusDialog) return;
  if (!statPMAutoClose)
    KStatusDialogSetVisibleBlobs(kMarkCount);
  else if (gStatusBoxVisible)
    CloseKStatusDialog();
}

void PMSetDuration(ASInt32 duration, void*) {
  if (duration < 1) duration = 1;
  gEchoDuration = duration;
  if (duration > kMaxDuration) duration = kMaxDuration;
  statPMDuration = duration;
  KStatusDialogSetVisibleBlobs(0);
  Echo();
}

void PMSetCurrValue(ASInt32 value, void*) {
  gEchoValue = value;
  if (value > kMaxDuration) value = kMaxDuration;
  statPMCurrValue = value;
  // Counted from 0..32767 only: at most 10 * 32767 + 16383, no overflow
  // however far below 0 the host's value lies.
  ASInt32 done = value < 0 ? 0 : value;
  KStatusDialogSetVisibleBlobs((kMarkCount * done + statPMDuration / 2) / statPMDuration);
  Echo();
}

ASInt32 PMGetDuration(void*) { return statPMDuration; }
ASInt32 PMGetCurrValue(void*) { return statPMCurrValue; }

}  // namespace

// ---- Marks

void KStatusDialogSetVisibleBlobs(ASInt32 count) {
  if (count < 0) count = 0;
  if (count > kMarkCount) count = kMarkCount;
  if (!kStatusDialog || count == kStatusBlobsVisible) return;
  while (kStatusBlobsVisible < count) {
    SetElemText(kFirstMarkId + kStatusBlobsVisible, kFilledMark);
    ++kStatusBlobsVisible;
  }
  while (kStatusBlobsVisible > count) {
    --kStatusBlobsVisible;
    SetElemText(kFirstMarkId + kStatusBlobsVisible, kEmptyMark);
  }
  MacRedrawDialogNow(kStatusDialog);
}

ASInt32 KStatusDialogGetVisibleBlobs() { return kStatusBlobsVisible; }

SMacDialogInfo* StatusBoxDialog() { return kStatusDialog; }

// ---- Opening, labelling, closing

void SetStatusBoxTitleUtf8(const char* title) { CopyCutUTF8(statusboxTitle, sizeof statusboxTitle, title); }

void OpenStatusBox() {
  ClearStatusFlag();
  if (gStatusBoxVisible) OpenKStatusDialog(nullptr);
  EchoOpen();
}

void SetStatusBoxTextUtf8(const char* text) {
  ClearStatusFlag();
  if (gStatusBoxVisible) OpenKStatusDialog(nullptr);
  KStatusDialogSetLabel(text);
  EchoText(text);
}

void CloseStatusBox() {
  if (gStatusBoxVisible) CloseKStatusDialog();
}

void PushStatusBox() {
  auto* state = static_cast<SStatusBoxSavedState*>(ASmallocWithException(sizeof(SStatusBoxSavedState)));
  std::memset(state, 0, sizeof *state);
  state->next = statusBoxStack;
  state->statusFlag = statusCancelFlag;
  state->kFlag = kCancelFlag;
  state->userCancelUnseen = gUserCancelUnseen;
  if (kStatusDialog) {
    state->labelSaved = 1;
    MacDialogGetItemTextUTF8(kStatusDialog, kLabelId, state->label, (ASInt32)sizeof state->label);
  }
  statusBoxStack = state;
}

void PopStatusBox() {
  SStatusBoxSavedState* state = statusBoxStack;
  if (!state) return;
  statusBoxStack = state->next;
  if (state->labelSaved)
    SetStatusBoxTextUtf8(state->label);
  else if (gStatusBoxVisible)
    CloseKStatusDialog();
  // As at the push, and with a cancel the user gave since that no poll has
  // reported: the work outside is to stop too.
  ASInt16 unseen = gUserCancelUnseen;
  statusCancelFlag = state->statusFlag || unseen ? 1 : 0;
  kCancelFlag = state->kFlag || unseen ? 1 : 0;
  gUserCancelUnseen = state->userCancelUnseen || unseen ? 1 : 0;
  ASfree(state);
}

// ---- Cancel

ASBool CheckStatusBoxCancel(void*) {
  if (!gStatusBoxVisible) return 0;
  ASUns32 now = NowSeconds();
  // Within one three-second slot, and with no new marks, the queue is not
  // looked at (loops may poll on every page); the flag still answers.
  if (now / 3 != gLastPollTime / 3 || kStatusBlobsVisible != gBlobsAtLastPoll) {
    PfEvent event{};
    if (PfGetNextEvent(kPfMouseDownMask | kPfKeyDownMask, &event)) {
      if (event.what == kPfKeyDown) {
        if (PfEventChar(event) == '.' && (event.modifiers & kPfCmdKey)) UserCancelled();
      } else if (event.what == kPfMouseDown) {
        SMacDialogInfo* hitDialog = nullptr;
        ASInt32 hitId = 0;
        if (SafeDialogSelect(&event, &hitDialog, &hitId) && kStatusDialog && hitDialog == kStatusDialog &&
            hitId == kCancelButtonId)
          UserCancelled();
      }
    }
    gLastPollTime = now;
    gBlobsAtLastPoll = kStatusBlobsVisible;
  }
  if (statusCancelFlag) gUserCancelUnseen = 0;
  return statusCancelFlag;
}

ASBool CheckStatusBoxKCancel(void* clientData) {
  if (!gStatusBoxVisible) return 0;
  if (!kCancelFlag) CheckStatusBoxCancel(clientData);
  if (kCancelFlag) gUserCancelUnseen = 0;
  return kCancelFlag;
}

ASBool TestStatusCancelFlag() { return statusCancelFlag; }

void KCancelClearFlag() {
  statusCancelFlag = 0;
  kCancelFlag = 0;
  gUserCancelUnseen = 0;
}

CancelProc StatusBoxGetCancelProc(void** clientData) {
  if (clientData) *clientData = nullptr;
  return CheckStatusBoxCancel;
}

CancelProc StatusBoxGetKCancelProc(void** clientData) {
  if (clientData) *clientData = nullptr;
  return CheckStatusBoxKCancel;
}

ProgressMonitor StatusBoxGetProgressMonitor(void**, ASBool autoClose) {
  if (!statPM) {
    auto* pm = static_cast<ProgressMonitor>(ASmallocWithException(sizeof(ProgressMonitorRec)));
    std::memset(pm, 0, sizeof *pm);
    pm->size = sizeof *pm;
    pm->beginOperation = PMBeginOperation;
    pm->endOperation = PMEndOperation;
    pm->setDuration = PMSetDuration;
    pm->setCurrValue = PMSetCurrValue;
    pm->getDuration = PMGetDuration;
    pm->getCurrValue = PMGetCurrValue;
    statPM = pm;
  }
  statPMAutoClose = autoClose ? 1 : 0;
  return statPM;
}

void StatusBoxBeginPart(ASInt32 share, ASInt32 of) { AVAppBeginStatusPart(share, of); }

void StatusBoxEndPart() { AVAppEndStatusPart(); }

void StatusBoxTerm() {
  CloseKStatusDialog();
  EchoClose();
  while (SStatusBoxSavedState* s = statusBoxStack) {
    statusBoxStack = s->next;
    ASfree(s);
  }
  ASfree(statPM);
  statPM = nullptr;
  statPMAutoClose = 0;
  statPMDuration = 10;
  statPMCurrValue = 0;
  statusCancelFlag = kCancelFlag = gUserCancelUnseen = 0;
  kStatusBlobsVisible = 0;
  gLastPollTime = 0;
  gBlobsAtLastPoll = 0;
}
