// The modal bleed prompt of the command dialogs. It installs itself as the
// engine's bleed prompt (SetImpositionBleedPromptProc, engine/ImpositionPrefs.h)
// when the plug-in loads.
#pragma once

#include "host/AS.h"

struct SKCab;

// True on OK with the chosen "BleedMode" ("Ignore" or "Use") in the cabinet.
ASBool ImpositionBleedPrompt(SKCab* answer);
