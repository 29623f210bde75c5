// Number formatting and small text services of the PDF toolkit.
#pragma once

#include <cstddef>

// Room for the text of any double with four decimals.
constexpr size_t kTrimDoubleBufferSize = 330;

// The value with four decimals (C locale), then without trailing zeros and
// without a trailing point: 1.5, 10, 0, -0.25, 0.1235. Writes into buffer,
// which holds kTrimDoubleBufferSize bytes, or into a static buffer of the
// module when buffer is null (overwritten by the next such call). Returns the
// buffer used.
char* TrimDouble(double value, char* buffer);
