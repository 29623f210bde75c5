// Small pieces the n-up command's files share (not part of its interface).
#pragma once

#include "foundation/KCab.h"
#include "host/AS.h"

namespace nup_detail {

// The text of a message key in the system message table.
const char* Msg(const char* key);

// "PageOrientation" and "DoScaling" words.
extern const SKCabEnumWord kOrientationWords[];
extern const SKCabEnumWord kScalingWords[];

// Points to 16.16 as the parameters always were: single precision, truncated.
ASFixed PointsToFixed(double points);

}  // namespace nup_detail
