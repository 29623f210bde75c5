// A scratch buffer on the stack up to its inline size, from the host
// allocator (raising on exhaustion) beyond, freed when it goes out of scope.
#pragma once

#include <cstddef>

#include "foundation/MFUtil.h"

template <size_t InlineBytes = 1000>
class KScratch {
 public:
  explicit KScratch(size_t bytes) : size_(bytes) {
    data_ = bytes <= InlineBytes ? inline_ : static_cast<char*>(ASmallocWithException(bytes));
  }
  ~KScratch() {
    if (data_ != inline_) ASfree(data_);
  }
  KScratch(const KScratch&) = delete;
  KScratch& operator=(const KScratch&) = delete;

  char* data() { return data_; }
  size_t size() const { return size_; }

 private:
  alignas(8) char inline_[InlineBytes];
  char* data_;
  size_t size_;
};
