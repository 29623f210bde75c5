// The language dialog and the translators' message setup dialog, over the
// stored language choice of foundation/Language.h.
#pragma once

#include "foundation/Language.h"
#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;
struct SKCtlDialog;
struct SMessageTable;

// The language dialog: a pulldown of the table's languages that hold
// messages, each under its native name, exporting the chosen language's atom
// as "Lang"; with offerDefault a first entry for "Default".
SKCtlDialog* NewChangeLanguageDialog(SMessageTable* table, ASBool offerDefault);
// Runs the language dialog over table (null: the languages of the control
// resource) and stores the choice; true when a new choice was stored.
ASBool RunLangUI(SMessageTable* table, ASInt32 controlId, const char* unused, ASBool offerDefault, SKCab* positionCab);

// The message setup dialog for translators: the language, the message folder
// and loading messages from it; true when closed with OK.
ASBool RunGenMsgUI(const char* unused);
// Applies the message setup dialog's values.
void SetGenMsgCab(const char* unused, SKCab* values);
// Its action callbacks; each returns 0 (go on).
ASInt32 GenMsgLoadButton(SMacDialogInfo* dialog, ASInt32 elementId, ASInt32 trigger, void* data);
ASInt32 GenMsgSetLangButton(SMacDialogInfo* dialog, ASInt32 elementId, ASInt32 trigger, void* data);
ASInt32 GenMsgMessageIdChange(SMacDialogInfo* dialog, ASInt32 elementId, ASInt32 trigger, void* data);
// Frees the message setup dialog's test table and kept values (plug-in unload).
void LanguageTerm();
