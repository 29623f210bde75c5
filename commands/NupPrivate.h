// Small pieces the n-up command's files share (not part of its interface).
#pragma once

#include "foundation/KCab.h"
#include "foundation/Msg.h"
#include "host/AS.h"

namespace nup_detail {

using ::Msg;

// "PageOrientation" and "DoScaling" words.
extern const SKCabEnumWord kOrientationWords[];
extern const SKCabEnumWord kScalingWords[];

// Points to 16.16 as the parameters always were: single precision, truncated.
ASFixed PointsToFixed(double points);

}  // namespace nup_detail
