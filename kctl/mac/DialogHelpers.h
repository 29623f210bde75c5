// Small helpers shared by dialogs: a tolerant number parser for edit fields,
// its formatter, and placing a dialog on screen.
#pragma once

#include "kctl/mac/MacDialog.h"

// 1 with the value when the whole text is a number (sign, digits, "." or ","
// decimals, one "/" fraction), 0 otherwise (value untouched).
ASInt32 StringToFloat(const char* text, double* value);
// An integer field's text: optional blanks and sign, digits, then anything;
// false when no digit starts it or the number does not fit in 32 bits.
ASBool StringToInt32(const char* text, ASInt32* value);
void SetControlTextFromDouble4p(SMacDialogInfo* dialog, ASInt32 id, double value);
void CentreDialog(SMacDialogInfo* dialog);
void SetVisibleDialogPos(SMacDialogInfo* dialog, ASInt32 x, ASInt32 y);
