// The even/odd command: odd pages before even ones, a split into odd and even
// documents, an alternating merge of an odd and an even document, and the
// even pages reversed or turned. The work is the engine's
// (engine/EvenOdd.h); this is the definition, dialog, OK checks, describer
// and the in-place property.
//
// Parameters: "Action" (atom No, OddsFirst, Split, Merge), "ReverseEven",
// "FlipEven", "NewDoc" (bools), "OddAVDoc", "EvenAVDoc" (window-list values),
// "Interactive".
#pragma once

#include "host/AS.h"

struct SKCab;

// Control ids of the two option containers.
enum : ASInt32 { kEvenOddOptionsId = 101, kEvenOddMergeId = 102 };

SKCab* NewCmdMgrForEvenOddShuffle();
// True for No and OddsFirst: the command may then write into its source.
ASBool EvenOddPropertyCanHandleAToA(SKCab* command, SKCab* params);
ASBool CmdMgrEvenOddShuffleUI(SKCab* command, SKCab* params);
SKCab* CmdMgrEvenOddShuffleDescriber(SKCab* command, SKCab* params);

// The OK checks on a dialog's values: true when the dialog may close. Shows
// its own alerts and questions. pageCount is the front document's (-1: none).
ASBool EvenOddValuesOk(SKCab* values, ASBool interactive, ASInt32 pageCount);
