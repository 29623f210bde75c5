// The plug-in's button in the host's tool bar: it reopens the tabbed dialog
// used last (command 31 of the command table).
#pragma once

#include "host/AS.h"
#include "host/AV.h"

// Set from the start; InitKVToolbutton runs at start-up while it is.
extern ASBool gKVToolButton;
// The button, kept for the plug-in's life; null until made.
extern AVToolButton kvToolButton;
extern void* kvToolButtonIsEnabledCallback;
extern void* kvToolButtonIsMarkedCallback;

// Makes the button (with the bundle's "kv3" PNG icon when it can be read) and
// puts it before the tool bar's "endToolsGroup".
void InitKVToolbutton();
void kvToolButtonExecute(void* data);
ASBool kvToolButtonIsEnabled(void* data);
ASBool kvToolButtonIsMarked(void* data);
