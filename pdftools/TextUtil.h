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

// The first occurrence of c in either letter case (ASCII letters), or null.
const char* StrIChar(const char* text, int c);
// The first occurrence of pattern in text ignoring letter case, or null; an
// empty pattern gives text itself.
const char* StrIStr(const char* text, const char* pattern);
// A copy of text without its "&" characters, at most 199 characters, from
// the host allocator (the caller frees it with ASfree).
char* NoMacAmp(const char* text);
