// Mirroring a page alignment.
#pragma once

#include "host/AS.h"

// Page alignments (0 BL, 1 BC, 2 BR, 3 TL, 4 TC, 5 TR, 6 L, 7 R, 8 C) swapped
// left-right and bottom-top.
extern const ASInt32 hPageAlignMirror[9];
extern const ASInt32 vPageAlignMirror[9];
// The alignment after the mirrorings asked for (left-right first); values
// outside 0..8 are returned as they are.
ASInt32 PossibleMirrorWhatPageAlign(ASInt32 alignment, ASBool mirrorLeftRight, ASBool mirrorTopBottom);
