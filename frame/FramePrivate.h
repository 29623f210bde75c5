// Small helpers shared by the frame's modules (not part of its interface).
#pragma once

#include "foundation/KCab.h"
#include "foundation/MessageTable.h"

namespace frame_detail {

// The text of a message key in the system message table.
inline const char* Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

// Destroys a cabinet this scope still owns; Release hands it on.
class CabHolder {
 public:
  explicit CabHolder(SKCab* cab = nullptr) : cab_(cab) {}
  ~CabHolder() {
    if (cab_) KCabDestroy(cab_);
  }
  CabHolder(const CabHolder&) = delete;
  CabHolder& operator=(const CabHolder&) = delete;
  SKCab* get() const { return cab_; }
  SKCab* Release() {
    SKCab* c = cab_;
    cab_ = nullptr;
    return c;
  }
  void Reset(SKCab* cab) {
    if (cab_ && cab_ != cab) KCabDestroy(cab_);
    cab_ = cab;
  }

 private:
  SKCab* cab_;
};

// A destroy procedure for named pointers to cabinets the entry owns.
inline void DestroyKCabPointer(void* cab) { KCabDestroy(static_cast<SKCab*>(cab)); }

}  // namespace frame_detail
