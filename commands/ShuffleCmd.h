// The shuffle command: pages reordered by a page-order rule in groups of a
// fixed size. Its definition, parameters, main dialog with the group-size
// feedback, the binding-type dialog, the sheet preview, the rule checks and
// the describer. The assistant (commands/ShuffleAssistant.h) builds rules
// from a picture of one sheet and is opened from the main dialog.
//
// Parameters: "NewDoc" (bool, 1), "GroupSize" (int, 16), "Type" (atom,
// Normal), "Order" (string), "PreviewRows"/"PreviewCols" (int, 2),
// "PageCount" (int, used without a document), "ListCat"/"ListName",
// "FromAssistant" (bool), ".SheetOffset" (transient), "Interactive".
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;
struct SMacDialogInfo;

// Control ids shared by the main and the preview dialog.
enum : ASInt32 {
  kShuffleFeedbackId = 101,     // the group-size feedback line
  kShufflePreviewFrameId = 102, // the sheet preview
  kShufflePreviewPrevId = 103,
  kShufflePreviewNextId = 104,
  kShuffleDescriptionId = 110   // the binding-type description
};

SKCab* NewCmdMgrForShuffle();
// The main dialog on params (in and out); true only when it ended with OK.
ASBool CmdMgrShuffleUI(SKCab* command, SKCab* params);
// Three description lines under the empty key; owned by the caller.
SKCab* CmdMgrShuffleDescriber(SKCab* command, SKCab* params);

// True when the rule may be run; reports why not.
ASBool ShuffleRuleValidationForCab(SKCab* params, ASBool forPreview, ASBool interactive);
// The preview dialog on params itself (".SheetOffset" starts at 0); true when
// closed with OK. withCounts adds the rows, columns and page count fields.
ASBool RunShufflePreviewDialog(SKCab* params, ASBool withCounts);
// The binding type's text for "Type" (always terminated, at most size - 1 bytes).
void ShuffleOrderDescription(SKCab* params, char* buffer, size_t size);
// Copies "ListCat" and "ListName" when from holds an atom and a string.
void V3ShuffleParamsCopyListInfo(SKCab* from, SKCab* to);

// The feedback line for a page count and group size (no document/interactive
// checks): exact or padded groups.
void ShuffleGroupFeedbackText(ASInt32 pages, ASInt32 groupSize, char* buffer, size_t size);

// Set while the assistant's values are loaded back into the main dialog, so
// that the edit hook does not take the load for a user's edit.
extern ASBool assistantWarningRecursionFlag;
