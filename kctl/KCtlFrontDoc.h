// The host's front-document-changed notification for KCtl dialogs: each
// running dialog registers at initialisation and unregisters at destruction;
// when the front document changes, trigger 20 fires on every element of each
// registered dialog. One host registration serves all dialogs.
#pragma once

#include "kctl/KCtl.h"

void KCtlFrontDocRegister(SMacDialogInfo* dialog);
void KCtlFrontDocUnregister(SMacDialogInfo* dialog);
// What the host's notification calls; also usable by tests.
void KCtlFrontDocChanged();
// Dialogs registered now (tests).
ASInt32 KCtlFrontDocRegisteredCount();
