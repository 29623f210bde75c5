// The plug-in's automation table: how the host program runs the plug-in
// without a user. Commands run without their dialogs on the active document;
// named actions and recorded histories play back on it; and from the first
// call on, dialogs are answered by the dialog framework's responder and every
// alert goes to the host's alert (which prints it with its kind) instead of
// waiting for a user.
#pragma once

#include "host/PIAutomation.h"

// The table the plug-in registers at start.
const PIAutomationProcs* KVAutomationProcs();
void KVRegisterAutomation();
// The plug-in's unload: the responder stops, its answers go, and the next
// life of the plug-in starts with a user again until its table is called.
void KVAutomationTerm();

// The caller text of everything started through the table.
#define kKVAutomationCaller "Krvl:Automation"
