// The automation responder: while the host runs without a user, every dialog
// is answered as soon as it waits for input. Its answers, when the answers
// cabinet has some for it, are loaded into it as if from its own export
// cabinet (only the keys given change), then OK is pressed through the
// platform's event road. A dialog that refuses OK (its values do not verify,
// its OK is disabled, or an action keeps it open) is cancelled, with a
// message routed to the alert module (in automation: the message list). A
// step limit guards against dialogs that keep coming back.
//
// Answers cabinet: one sub-cabinet per dialog, under the dialog's title, or
// under "0", "1", ... used in turn by dialogs whose title has no entry.
#pragma once

#include "kctl/KCtl.h"

constexpr ASInt32 kKCtlAutomationDefaultSteps = 200;

// answers may be null (every dialog is answered with OK on its current
// values); the cabinet stays the caller's and must outlive the session.
void KCtlAutomationStart(SKCab* answers, ASInt32 stepLimit);
void KCtlAutomationStop();
ASBool KCtlAutomationActive();
// Dialogs answered with OK, and dialogs cancelled, since the start.
ASInt32 KCtlAutomationAnsweredCount();
ASInt32 KCtlAutomationCancelledCount();

// The Mac layer tells the responder when a KCtl dialog has initialised.
void KCtlAutomationDialogStarted(SMacDialogInfo* dialog);
