#include "foundation/CLocale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

locale_t CLocale() {
  static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  return c;
}

}  // namespace

int CLocaleVsnprintf(char* out, size_t size, const char* format, va_list args) {
  locale_t c = CLocale();
  // uselocale changes this thread only, and only until it is put back.
  locale_t previous = c ? uselocale(c) : (locale_t)0;
  int n = std::vsnprintf(out, size, format, args);
  if (previous) uselocale(previous);
  return n;
}

int CLocaleSnprintf(char* out, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = CLocaleVsnprintf(out, size, format, args);
  va_end(args);
  return n;
}

double CLocaleStrtod(const char* text, char** end) {
  locale_t c = CLocale();
  if (c) return strtod_l(text, end, c);
  return std::strtod(text, end);
}

char* TrimDouble(double value, char* buffer) {
  static char shared[kTrimDoubleBufferSize];
  char* out = buffer ? buffer : shared;
  CLocaleSnprintf(out, kTrimDoubleBufferSize, "%.4f", value);
  size_t n = std::strlen(out);
  // Infinities and NaNs have no decimals to trim.
  if (std::strchr(out, '.')) {
    while (n >= 2 && out[n - 1] == '0') out[--n] = 0;
    if (n > 0 && out[n - 1] == '.') out[--n] = 0;
  }
  return out;
}
