#include "pdftools/TextUtil.h"

#include <cstring>

#include "foundation/MFUtil.h"

namespace {

// Letter case in the C locale, whatever the user's locale.
char Upper(char c) { return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

constexpr size_t kNoMacAmpMax = 199;

}  // namespace

const char* StrIChar(const char* text, int c) {
  if (!text) return nullptr;
  const char upper = Upper((char)c), lower = Lower((char)c);
  for (const char* p = text; *p; ++p)
    if (*p == upper || *p == lower) return p;
  return nullptr;
}

const char* StrIStr(const char* text, const char* pattern) {
  if (!text || !pattern) return nullptr;
  if (!*pattern) return text;
  for (const char* candidate = StrIChar(text, *pattern); candidate; candidate = StrIChar(candidate + 1, *pattern)) {
    const char* t = candidate;
    const char* p = pattern;
    while (*p && *t && Upper(*t) == Upper(*p)) {
      ++t;
      ++p;
    }
    if (!*p) return candidate;
    if (!*t) return nullptr;  // the rest of the text is shorter than the pattern
  }
  return nullptr;
}

char* NoMacAmp(const char* text) {
  char* out = static_cast<char*>(ASmallocWithException(kNoMacAmpMax + 1));
  size_t n = 0;
  for (const char* p = text ? text : ""; *p && n < kNoMacAmpMax; ++p)
    if (*p != '&') out[n++] = *p;
  out[n] = 0;
  return out;
}
