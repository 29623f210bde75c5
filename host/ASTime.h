// The time the host reports: the system clock's, or a fixed time the host
// program sets (kvhost --static-id) so that the same job saves the same bytes.
#pragma once

#include "host/ASTypes.h"

// Seconds since 1970-01-01 00:00 UTC.
ASInt64 ASHostGetTime();
// True when the time is fixed: stamps made from it are then in UTC, so that
// the time zone does not change them either.
ASBool ASHostTimeIsFixed();
// Fixes the time at seconds (fixed true), or lets the clock run again.
void ASHostSetFixedTime(ASBool fixed, ASInt64 seconds);
