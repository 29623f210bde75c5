// The general preferences: stored as "Last:General" in the settings, applied
// to the engine's process-wide switches, and the per-imposition overrides a
// command's parameters may carry (their switches themselves are the engine's,
// engine/ImpositionPrefs.h).
#pragma once

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;

// Classic mode: the simpler dialogs of earlier versions (set only by
// KVPrefsFromCab); classic 2 also starts insertions at the current page.
extern ASBool gKVClassic;
extern ASBool gKVClassic2;

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
