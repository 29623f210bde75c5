// The general preferences: stored as "Last:General" in the settings, applied
// to the engine's process-wide switches, and the per-imposition overrides a
// command's parameters may carry (their switches themselves are the engine's,
// engine/ImpositionPrefs.h).
#pragma once

#include "host/AS.h"

struct SKCab;
struct SKCtlDialog;
struct SKCtlElem;
struct SMacDialogInfo;

// Classic mode: the simpler dialogs of earlier versions (set only by
// KVPrefsFromCab); classic 2 also starts insertions at the current page.
extern ASBool gKVClassic;
extern ASBool gKVClassic2;
// Dialogs on the plain background (classic mode).
extern ASBool gNoThemeDialogbackground;
// No buttons that open web pages ("HideWebPageAccess"); the value when the
// preferences say nothing.
extern ASBool gHideWebPageAccess;
extern ASBool gHideWebPageAccess_Default;
// What "RemoveTagsOnNewDoc" means when the preferences say nothing (the
// switch itself is the engine's gRemoveStructureInNewDoc).
extern ASBool gRemoveStructureInNewDoc_Default;

// The stored general preferences, or a new empty cabinet; owned by the caller.
SKCab* LoadGeneralPrefsCab();
// Merges cab into the stored general preferences.
void CommitGeneralPrefsCab(SKCab* cab);
// Applies the stored preferences the first time; later calls give the first
// call's answer.
ASBool ReadGeneralPrefs();
// Applies a preferences cabinet; fromDialog when the preferences dialog does.
ASBool KVPrefsFromCab(SKCab* prefs, ASBool fromDialog);

// Per-imposition overrides in a command's parameters.
void ClearPerImpositionPrefsInCab(SKCab* cab);
ASBool AnyPerImpositionOverrides(SKCab* cab);
// Appends one description line (empty key) per override present in params.
void PerImpositionOverridesDescriber(SKCab* out, SKCab* params);
// Shows the overrides (or that there are none) in the info element elem of
// the dialog; true when there is any.
ASBool AnyPerImpositionOverridesFeedbackElem(SKCab* params, SMacDialogInfo* dialog, ASInt32 elem);

// The preferences dialog; true when closed with OK.
ASBool DoPrefsDialog();

// The language button of a dialog: the language chooser, or with the second
// modifier key the translators' message setup (under prefKey, which must
// outlive the dialog). With cancelParent a change of language ends the
// dialog as cancelled. Returns the button.
SKCtlElem* SetLanguagePrefsButton(SKCtlDialog* dialog, SKCtlElem* parent, ASUns32 flags, ASBool cancelParent,
                                  const char* prefKey);
// The translators' warning is asked once in a run; this asks it again next
// time, as in a fresh run.
void ForgetTranslatorWarningAnswer();
