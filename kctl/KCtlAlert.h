// Alerts shown as dialogs of the framework: the alert module's routing mode 4
// (and the messages it cannot route otherwise) ends here. Both run modally
// and remember their position across alerts for the life of the plug-in.
#pragma once

#include "host/AS.h"

// One OK button; the title falls back to "Alert". Returns the dialog's result.
ASInt32 KCtlAlert(const char* title, const char* text);
// Up to three buttons (second and third may be null): returns 1, 2 or 3. The
// first button confirms; the last one given cancels.
ASInt32 KCtlAlertCustomButtons(const char* title, const char* text, const char* first, const char* second,
                               const char* third);
// The alerts' mode 4 with a copy of the title, shown by KCtlAlert.
void SetAlertKCtlMode(const char* title);
// Frees the remembered positions (the plug-in's unload).
void KCtlAlertTerm();
