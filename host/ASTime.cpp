#include "host/ASTime.h"

#include <ctime>

namespace {
bool gFixed = false;
ASInt64 gSeconds = 0;
}  // namespace

ASInt64 ASHostGetTime() { return gFixed ? gSeconds : (ASInt64)std::time(nullptr); }

ASBool ASHostTimeIsFixed() { return gFixed ? 1 : 0; }

void ASHostSetFixedTime(ASBool fixed, ASInt64 seconds) {
  gFixed = fixed != 0;
  gSeconds = seconds;
}
