#include "engine/EnginePrefs.h"

EFieldsWhich gImpositionFieldsOption = kFieldsNone;
ERegColour gRegistrationColour = kRegColourAllSeps;
ASInt32 gBleedVelmoraMode = kBleedPrompt;
ASInt32 gBleedVelmoraPromptDefault = kBleedUse;
ASInt32 gImpositionUseFormXObjects = 0;
ASBool gApplyTr2Fix = 1;
double gNupSheetTolerance = 0.01;
ASBool gRemoveStructureInNewDoc = 1;
ASBool gCloneBlankPageBoxes = 1;
