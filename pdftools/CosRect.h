// Rectangle arrays: the system's one way of writing and reading the
// [left bottom right top] arrays of page boxes and similar entries.
#pragma once

#include "host/Cos.h"

// A new direct array of four fixed-point numbers, [left bottom right top].
CosObj MakeRectObject(CosDoc doc, const ASFixedRect* rect);

// True when obj is an array whose first four elements are numbers; out then
// holds them, normalised so that left <= right and bottom <= top (files hold
// boxes with their corners in any order). Otherwise false, out untouched.
ASBool LoadRect(CosObj obj, ASFixedRect* out);

// The same four numbers as they stand, not normalised: for arrays that hold
// distances (bleed margins) rather than corners.
ASBool LoadFourNumbers(CosObj obj, ASFixedRect* out);

// True when any of the four coordinates differ (exact fixed-point comparison).
inline bool RectsDiffer(const ASFixedRect& a, const ASFixedRect& b) {
  return a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom;
}
