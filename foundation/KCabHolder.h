// Scope ownership of a cabinet for C++ callers: destroyed at the end of the
// scope unless Release hands it on (to KCabPutCab, say).
#pragma once

#include "foundation/KCab.h"

class KCabHolder {
 public:
  explicit KCabHolder(SKCab* cab = nullptr) : cab_(cab) {}
  // Runs while errors unwind: what destroying reports stays in here.
  ~KCabHolder() {
    if (!cab_) return;
    DURING
      KCabDestroy(cab_);
    HANDLER
    END_HANDLER
  }
  KCabHolder(const KCabHolder&) = delete;
  KCabHolder& operator=(const KCabHolder&) = delete;
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
