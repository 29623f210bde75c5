// Small helpers shared by the frame's modules (not part of its interface).
#pragma once

#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/Msg.h"

namespace frame_detail {

using ::Msg;

using CabHolder = KCabHolder;

// A destroy procedure for named pointers to cabinets the entry owns.
inline void DestroyKCabPointer(void* cab) { KCabDestroy(static_cast<SKCab*>(cab)); }

}  // namespace frame_detail
