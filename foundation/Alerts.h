// Alerts and the routing of messages to the user.
//
// Every error, warning, note and question of the plug-in goes through here.
// The routing mode decides where it lands: the host's alert, the standard
// error stream, nowhere, or - while commands run unattended - a list cabinet
// of {"T" type, "S" text} entries that the caller reads afterwards. Without
// prompts, questions take the default answer the caller gives.
#pragma once

#include "host/AS.h"

struct SKCab;

enum EAutoMessageType : ASInt32 {
  kAutoMessageNote = 0,
  kAutoMessageWarning = 1,
  kAutoMessageError = 2,
  kAutoMessageConfirm = 3
};

// Routing modes.
enum : ASInt32 {
  kAutoMessageModeSilent = 0,     // nowhere
  kAutoMessageModeStderr = 1,     // standard error, one line each
  kAutoMessageModeHostAlert = 2,  // the host's note alert (initial)
  kAutoMessageModeSilent2 = 3,    // nowhere
  kAutoMessageModeKCtl = 4,       // a framework alert with the product title
  kAutoMessageModeFilter = 5,     // the filter; prompts still shown
  kAutoMessageModeFilterNoPrompts = 6
};

typedef void (*AutoMessageFilterProc)(const char* textUTF8, ASInt32 type, void* destination);

struct SAutoMessageState {
  ASInt32 mode;
  AutoMessageFilterProc filter;
  void* destination;
};

// The current routing state.
extern SAutoMessageState gAutoMessageMode;
// The title of framework alerts (owned by this module), null until set.
extern char* gKCtlAlertTitle;

void ErrMessageUTF8(const char* text);
void WarnMessageUTF8(const char* text);
void NoteMessageUTF8(const char* text);
void ErrMessagePlatform(const char* text);
void GeneralMessagePlatform(const char* text, ASInt32 type);
// Routes a UTF-8 text of any EAutoMessageType.
void GeneralMessageUTF8(const char* text, ASInt32 type);

// Default 1 yes, 2 no, other none. Without prompts the default answers, and
// "none" raises the automation prompt error.
ASBool ConfirmMessageUTF8(const char* question, ASInt32 defaultAnswer);
// The code of the automation prompt error (registered on first use).
ASErrorCode AutoMessagePromptErrorCode();

// Reports a caught host exception as an error: what was being done (or null)
// and the host's text for the code.
void AutoExceptionMessageUTF8(const char* context, ASErrorCode code);
// The host's text for a code in UTF-8 (cut to size), "Exception 0x..." when
// the host has none.
void HostErrorTextUTF8(ASErrorCode code, char* out, ASInt32 size);

// The alert that mode 4 shows: a dialog with the title (may be null) and the
// text. Returns the dialog's result.
typedef ASInt32 (*AlertDialogProc)(const char* title, const char* text);
// Mode 4 with a copy of the title, shown by proc (null: the host's note
// alert). The dialog framework calls it with its own alert
// (SetAlertKCtlMode, kctl/KCtlAlert.h).
void SetAlertDialog(AlertDialogProc proc, const char* title);

void AutoMessageSetKCabListDest(SKCab* list, ASBool noPrompts);
SKCab* AutoMessageGetKCabListDest(ASBool* noPrompts);
void AutoMessageKCabListDestFilter(const char* textUTF8, ASInt32 type, void* list);

void SaveAutoMessageState(SAutoMessageState* state);
void RestoreAutoMessageState(const SAutoMessageState* state);
