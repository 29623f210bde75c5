#include "pdftools/TextUtil.h"

#include <cstring>

#include "foundation/CLocale.h"

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
