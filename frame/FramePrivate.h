// Small helpers shared by the frame's modules (not part of its interface).
#pragma once

#include "foundation/KCab.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageTable.h"

namespace frame_detail {

// The text of a message key in the system message table.
inline const char* Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

using CabHolder = KCabHolder;

// A destroy procedure for named pointers to cabinets the entry owns.
inline void DestroyKCabPointer(void* cab) { KCabDestroy(static_cast<SKCab*>(cab)); }

}  // namespace frame_detail
