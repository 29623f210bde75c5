// Closes a host stream when the scope ends, also when a read raises: a
// reader that raises must not leave the stream open for the next test.
#pragma once

#include "host/ASStm.h"

namespace kvtest {

class ScopedStm {
 public:
  explicit ScopedStm(ASStm stm) : stm_(stm) {}
  ~ScopedStm() { ASStmClose(stm_); }
  ScopedStm(const ScopedStm&) = delete;
  ScopedStm& operator=(const ScopedStm&) = delete;
  operator ASStm() const { return stm_; }

 private:
  ASStm stm_;
};

}  // namespace kvtest
