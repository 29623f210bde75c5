// The engine's process-wide preference values. The preferences code of the
// command dialogs sets them; the engine and the toolkit only read them.
#pragma once

#include "host/ASTypes.h"
#include "pdftools/OPIFix.h"
#include "pdftools/PDFX.h"

// Which annotations are flattened into sheets; cabinets hold the words.
enum EFieldsWhich : ASInt32 {
  kFieldsOnlyForms = 0,       // "OnlyForms"
  kFieldsExceptForms = 1,     // "ExceptForms"
  kFieldsFormsAndFields = 2,  // "FormsAndFields"
  kFieldsNone = 3             // "None"
};

// The colour of registration marks; cabinets hold the words.
enum ERegColour : ASInt32 {
  kRegColourAllSeps = 0,  // "AllSeps"
  kRegColourCMYK = 1,     // "CMYK"
  kRegColourBlack = 2,    // "Black"
  kRegColourUsePrefs = 3  // "UsePrefs": the system default below
};

// Bleed handling: 0 Prompt, 1 Use, 2 Ignore.
enum : ASInt32 { kBleedPrompt = 0, kBleedUse = 1, kBleedIgnore = 2 };

extern EFieldsWhich gImpositionFieldsOption;  // 3 (None)
extern ERegColour gRegistrationColour;        // 0 (all separations)
extern ASInt32 gBleedVelmoraMode;             // 0 (Prompt)
extern ASInt32 gBleedVelmoraPromptDefault;    // 1 (Use)
extern ASInt32 gImpositionUseFormXObjects;    // 0 decide per page, 1 never, 2 always
extern ASBool gApplyTr2Fix;                   // 1
// gApplyOPIFix (pdftools/OPIFix.h) and gPDFXMode (pdftools/PDFX.h) are read by
// the toolkit and kept there.
extern double gNupSheetTolerance;             // 0.01 points
extern ASBool gRemoveStructureInNewDoc;       // 1
extern ASBool gCloneBlankPageBoxes;           // 1
