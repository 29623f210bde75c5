// Which language the plug-in speaks: the user's stored choice (settings
// "general", sub-cabinet "lang": "common" the language code, "msgdir" the
// message folder), the host's and the system's languages as fallbacks, and
// the language dialog.
#pragma once

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;
struct SKCtlDialog;
struct SMessageTable;

// Empty strings when nothing is stored; each value cut to its buffer.
void GetUserLang(const char* unused, char* lang, ASInt32 langSize, char* folder, ASInt32 folderSize);
// The one rule for a stored message folder, at start and in the message
// setup: in use when not empty and not set aside behind a "*". Whether it
// can be read is MessageFolderUsable's (MessageLoad.h) to say.
ASBool MessageFolderInUse(const char* stored);
// Store and commit; false when the settings could not be written.
ASBool SetUserLang(const char* unused, const char* lang);
ASBool SetMessageDirFolder(const char* unused, const char* folder);
// The host's language code (e.g. "en", "pt-br"); false when none.
ASBool GetApplicationLang(char* buffer, ASInt32 size);

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
