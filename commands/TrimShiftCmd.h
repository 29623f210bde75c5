// The trim-and-shift command's front end: its definition, the three-step
// wizard that edits its parameters (with the options dialog and the creep
// assistant), the checks of each step and the describer. The page work is
// the engine's (engine/TrimShift.h), which reads the parameters:
//
//   "NewDoc" bool, "Trim" None|Smaller|Bigger|Uniform, "TrimEdge"
//   Top|Bottom|Left|Right, "TrimBy" points, "FixedSize" exported page size,
//   "Shift" None|Fixed|Variable|Creep ("AcroFixed" reads as Fixed),
//   "ShiftDir" Up|Down|Left|Right, "ShiftFrom"/"ShiftTo" points,
//   "CreepEvery" pages per creep group (-4: the whole document),
//   "Normalise" No|Full, the page scope under "Source:Range:*".
#pragma once

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;

// ---- The command

// A new definition cabinet, owned by the caller.
SKCab* NewCmdMgrForTrimAndShift();
// The wizard: true when finished, false when cancelled; params are edited in
// place (what earlier steps stored stays on cancel). command is not used.
ASBool CmdMgrTrimAndShiftUI(SKCab* command, SKCab* params);
// A new cabinet of description lines (empty keys), owned by the caller.
SKCab* CmdMgrTrimAndShiftDescriber(SKCab* command, SKCab* params);

// The feature list a finished wizard puts under "Requires" when the creep
// covers the whole document.
constexpr const char* kTrimShiftWholeDocCreepRequires = "KV2.9[KV 2.9/KVZ 1.1]";

// ---- The wizard's steps (built once, rebuilt while the message cache is not valid)

void TrimShiftInitDialogs();
// Frees the steps and their group (the plug-in's unload; tests).
void TrimShiftTermDialogs();

// Action callbacks of the steps (EKCtlActionCallBackReturn).
ASInt32 TrimShiftAdvanced(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 TrimShiftDialog1ClickOk(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 TrimShiftDialog2ClickOk(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 TrimShiftDialog3ClickOk(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
ASInt32 TrimShiftDialog3CreepChangeFeedback(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);

// Control ids of the steps that actions and tests name.
enum : ASInt16 {
  kTrimShiftBackId = 3,
  kTrimShiftCreepEveryId = 101,
  // step 2
  kTrimShiftEdgePanelId = 201,
  kTrimShiftFixedSizePanelId = 203,
  kTrimShiftTrimByLabelId = 207,
  // step 3
  kTrimShiftDirectionPanelId = 201,
  kTrimShiftAssistantPanelId = 202,
  kTrimShiftFromRowId = 211,
  kTrimShiftFromLabelId = 212,
  kTrimShiftToRowId = 221,
  kTrimShiftToLabelId = 222,
  kTrimShiftCreepCountPanelId = 231,
  kTrimShiftCreepCountLabelId = 232,
  kTrimShiftWholeDocPanelId = 241
};

// ---- The creep assistant (opened from step 3)

ASInt32 TrimShiftDialog3ClickCreepAssistant(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user);
struct SKCtlDialog;
struct SKCtlElem;
void CreepAssistantHeadline(SKCtlDialog* dialog, SKCtlElem* parent);
void CreepAssistantControls(SKCtlDialog* dialog, SKCtlElem* parent);
// Assistant cabinet: "UseWholeDoc" bool, "SigSize" int, "UsePT" bool, "PT"
// and "WS" points, "MIM" bool (the inner pages move, the outer ones stay).
void TranslateTrimShiftParamsToCreepAssistantParams(SKCab* trim, SKCab* assistant);
void TranslateCreepAssistantParamsToTrimShiftParams(SKCab* assistant, SKCab* trim);
