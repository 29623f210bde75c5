// Number formatting and small text services of the PDF toolkit.
#pragma once

#include <cstddef>

// The first occurrence of c in either letter case (ASCII letters), or null.
const char* StrIChar(const char* text, int c);
// The first occurrence of pattern in text ignoring letter case, or null; an
// empty pattern gives text itself.
const char* StrIStr(const char* text, const char* pattern);
// A copy of text without its "&" characters, at most 199 characters, from
// the host allocator (the caller frees it with ASfree).
char* NoMacAmp(const char* text);
