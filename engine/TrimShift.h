// Trim and shift: changes the visible area of every page of a run (trims a
// margin off an edge, extends an edge, or sets a fixed size around the
// centre), shifts the content by a fixed, steadily growing or creep amount,
// and can move the visible box's corner to the origin. The work changes the
// crop box (and the media box where needed); only normalising writes content.
// Its callbacks run under the frame's process manager.
#pragma once

#include "foundation/KCab.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

enum ETrimMode : ASInt32 { kTrimNone = 0, kTrimSmaller = 1, kTrimBigger = 2, kTrimUniform = 3 };
enum ETrimEdge : ASInt32 { kEdgeTop = 0, kEdgeBottom = 1, kEdgeLeft = 2, kEdgeRight = 3 };
enum EShiftMode : ASInt32 { kShiftNone = 0, kShiftFixed = 1, kShiftVariable = 2, kShiftCreep = 3 };
enum EShiftDir : ASInt32 { kShiftUp = 0, kShiftDown = 1, kShiftLeft = 2, kShiftRight = 3 };

// The words the parameters store ("Trim", "TrimEdge", "Shift", "ShiftDir")
// and their numbers; an unknown word reads as the first. "AcroFixed" is an
// older name of "Fixed".
extern const SKCabEnumWord kTrimShiftTrimWords[];
extern const SKCabEnumWord kTrimShiftEdgeWords[];
extern const SKCabEnumWord kTrimShiftShiftWords[];
extern const SKCabEnumWord kTrimShiftDirWords[];

// The work record of one run, under "Work:Area" (named type "PTrimShiftInfo").
struct PTrimShiftInfo {
  AVDoc sourceView;
  ASUns16 newDoc;
  ASUns16 normalise;
  ASInt32 trimMode;
  ASInt32 trimEdge;
  ASFixed trimAmount;
  ASFixed fixedWidth;
  ASFixed fixedHeight;
  ASInt32 shiftMode;
  ASInt32 shiftDir;
  ASFixed shiftFrom;
  ASFixed shiftTo;
  ASInt32 creepEvery;
  ASUns16 bleedPrompt;
  double runningShift;  // points (Variable)
  double shiftStep;     // points (Variable, Creep)
  ASInt32 creepCounter;
  ASUns16 bleedAsked;
};

// The callbacks ("Control:PerPage", "Control:Start", "Control:CheckSource",
// "Control:Cancelled", "Control:Finish"); each takes the run and the
// argument cabinet and reports failure by marking the run cancelled.
ASInt32 ProcessControlNewdocCopierCheckSource(SKCab* run, SKCab* args);
ASInt32 TrimAndShiftCallBackStart(SKCab* run, SKCab* args);
ASInt32 TrimAndShiftCallBackPerPage(SKCab* run, SKCab* args);
ASInt32 TrimAndShiftCallBackFinish(SKCab* run, SKCab* args);
ASInt32 ProcessControlNewdocCopierCancelled(SKCab* run, SKCab* args);
// Opens the working copy, if any, in a window with the UTF-8 title.
ASInt32 ProcessControlNewdocCopierFinish(SKCab* run, SKCab* args, const char* title);

void TrimAndShiftFillProcessControlCab(SKCab* control);

// Moves the crop box's corner to the origin (prefixing a translation and,
// given a clip, a clip path); with clipOnly only the clip. 1 when the page
// changed.
ASUns16 NormalisePDPage(PDPage page, const ASFixedRect* clip, ASUns16 clipOnly);

// Frees a block with the host's free.
void KCabDestroyByKfree(void* block);

// The running number of shifted documents' window titles (only grows).
extern ASInt32 gShiftedDocNumber;

// The words of "Trim", "TrimEdge", "Shift" and "ShiftDir" (null for another key).
const SKCabEnumWord* TrimShiftParamWords(const char* key);
