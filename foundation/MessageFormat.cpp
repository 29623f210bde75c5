#include "foundation/MessageFormat.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/MessageTable.h"

namespace {

constexpr int kMaxPositions = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The signature letter of one conversion, or 0 when it is not allowed.
char LetterOf(char conversion, const char* length) {
  bool none = !*length;
  bool shortish = none || !std::strcmp(length, "h") || !std::strcmp(length, "hh");
  bool l = !std::strcmp(length, "l");
  bool ll = !std::strcmp(length, "ll") || !std::strcmp(length, "q");
  bool z = !std::strcmp(length, "z") || !std::strcmp(length, "Z");
  switch (conversion) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X':
      return shortish ? 'd' : l ? 'l' : ll ? 'L' : z ? 'z' : 0;
    case 'c':
      return none ? 'd' : 0;
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      return (none || l) ? 'f' : 0;
    case 's':
      return none ? 's' : 0;
    case 'p':
      return none ? 'p' : 0;
    default:
      return 0;  // %n, wide characters, long double and the unknown
  }
}

}  // namespace

constexpr int kMaxWidth = 1000;

ASBool MessageFormatMatches(const char* text, const char* signature) {
  if (!text) return 0;
  if (!signature) signature = "";
  size_t available = std::strlen(signature);
  size_t sequential = 0;
  char byPosition[kMaxPositions] = {};
  int highest = 0;
  bool positional = false;
  bool anySequential = false;
  for (const char* p = text; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    // Position: digits and '$'.
    int position = 0;
    const char* q = p;
    while (IsDigit(*q)) ++q;
    if (q != p && *q == '$') {
      for (const char* d = p; d < q; ++d) {
        position = position * 10 + (*d - '0');
        if (position > kMaxPositions) return 0;
      }
      if (position == 0) return 0;
      p = q + 1;
    }
    while (*p && std::strchr("-+ #0'I", *p)) ++p;
    if (*p == '*') return 0;
    // Widths and precisions stay small: a translator's "%.99999999f" must not
    // make the formatter build a gigabyte of digits.
    int width = 0;
    while (IsDigit(*p)) {
      width = width * 10 + (*p++ - '0');
      if (width > kMaxWidth) return 0;
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') return 0;
      int precision = 0;
      while (IsDigit(*p)) {
        precision = precision * 10 + (*p++ - '0');
        if (precision > kMaxWidth) return 0;
      }
    }
    char length[3] = {};
    size_t n = 0;
    while (*p && std::strchr("hlLqjzZt", *p) && n < 2) length[n++] = *p++;
    if (!*p) return 0;  // a conversion cut off by the end of the text
    if (*p == '%') {
      if (position || n) return 0;
      continue;
    }
    char letter = LetterOf(*p, length);
    if (!letter) return 0;
    if (position) {
      positional = true;
      if (byPosition[position - 1] && byPosition[position - 1] != letter) return 0;
      byPosition[position - 1] = letter;
      if (position > highest) highest = position;
    } else {
      anySequential = true;
      if (sequential >= available || signature[sequential] != letter) return 0;
      ++sequential;
    }
    if (positional && anySequential) return 0;
  }
  if (positional) {
    if ((size_t)highest > available) return 0;
    for (int i = 0; i < highest; ++i)
      if (byPosition[i] != signature[i]) return 0;  // a gap, or another type
  }
  return 1;
}

ASInt32 VFormatMessageTextUTF8(char* out, size_t size, const char* text, const char* fallback, const char* key,
                               const char* signature, va_list args) {
  if (!out || size == 0) return kMessageFormatKey;
  const char* use = nullptr;
  ASInt32 result = kMessageFormatKey;
  if (MessageFormatMatches(text, signature)) {
    use = text;
    result = kMessageFormatText;
  } else if (MessageFormatMatches(fallback, signature)) {
    use = fallback;
    result = kMessageFormatFallback;
  }
  if (!use) {
    const char* plain = key ? key : text ? text : "";
    std::snprintf(out, size, "%s", plain);
    return kMessageFormatKey;
  }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  std::vsnprintf(out, size, use, args);
#pragma GCC diagnostic pop
  return result;
}

ASInt32 FormatMessageTextUTF8(char* out, size_t size, const char* text, const char* fallback, const char* key,
                              const char* signature, ...) {
  va_list args;
  va_start(args, signature);
  ASInt32 r = VFormatMessageTextUTF8(out, size, text, fallback, key, signature, args);
  va_end(args);
  return r;
}

ASInt32 FormatMessageByKeyUTF8(SMessageTable* table, const char* key, const char* fallback, char* out, size_t size,
                               const char* signature, ...) {
  if (!table) table = gSystemMessageTable;
  const char* text = GetMessageFromTableByKey(table, key);  // reports a missing key in debug mode
  if (!KnownMessageInTableByKey(table, key)) text = nullptr;
  va_list args;
  va_start(args, signature);
  ASInt32 r = VFormatMessageTextUTF8(out, size, text, fallback, key, signature, args);
  va_end(args);
  if (r != kMessageFormatText && text && GetMessageDebugMode()) {
    std::string report = std::string("Message text does not fit its arguments (") + (signature ? signature : "") +
                         "), key follows:";
    GenMsg2Message2(report.c_str());
    GenMsg2Message2(key ? key : "");
  }
  return r;
}
