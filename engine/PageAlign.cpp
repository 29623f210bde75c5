#include "engine/PageAlign.h"

const ASInt32 hPageAlignMirror[9] = {2, 1, 0, 5, 4, 3, 7, 6, 8};
const ASInt32 vPageAlignMirror[9] = {3, 4, 5, 0, 1, 2, 6, 7, 8};

ASInt32 PossibleMirrorWhatPageAlign(ASInt32 alignment, ASBool mirrorLeftRight, ASBool mirrorTopBottom) {
  if (alignment < 0 || alignment > 8) return alignment;
  if (mirrorLeftRight) alignment = hPageAlignMirror[alignment];
  if (mirrorTopBottom) alignment = vPageAlignMirror[alignment];
  return alignment;
}
