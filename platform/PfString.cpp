#include "platform/PfString.h"

#include "platform/PfInternal.h"

#include <algorithm>
#include <cstring>
#include <string>

struct PfStringRec {
  int32_t refs;
  std::string utf8;
  std::u16string utf16;
};

static int32_t gLiveStrings = 0;

namespace {

// Strict decoding: returns false on any malformed sequence.
bool DecodeStrict(const char* bytes, size_t length, size_t* pos, uint32_t* cp) {
  const uint8_t* s = (const uint8_t*)bytes;
  size_t i = *pos;
  uint8_t c = s[i];
  if (c < 0x80) {
    *cp = c;
    *pos = i + 1;
    return true;
  }
  int need;
  uint32_t value, min;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
    value = c & 0x1F;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    value = c & 0x0F;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    value = c & 0x07;
    min = 0x10000;
  } else {
    return false;
  }
  if (i + (size_t)need >= length) return false;
  for (int k = 1; k <= need; ++k) {
    uint8_t d = s[i + k];
    if ((d & 0xC0) != 0x80) return false;
    value = (value << 6) | (d & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  *cp = value;
  *pos = i + need + 1;
  return true;
}

}  // namespace

bool PfUTF8IsValid(const char* bytes, size_t length) {
  size_t pos = 0;
  uint32_t cp;
  while (pos < length) {
    if (!DecodeStrict(bytes, length, &pos, &cp)) return false;
  }
  return true;
}

uint32_t PfUTF8Next(const char* bytes, size_t length, size_t* pos) {
  uint32_t cp;
  if (DecodeStrict(bytes, length, pos, &cp)) return cp;
  *pos += 1;
  return 0xFFFD;
}

int32_t PfUTF8Encode(uint32_t cp, char out[4]) {
  if (cp < 0x80) {
    out[0] = (char)cp;
    return 1;
  }
  if (cp < 0x800) {
    out[0] = (char)(0xC0 | (cp >> 6));
    out[1] = (char)(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  if (cp < 0x10000) {
    out[0] = (char)(0xE0 | (cp >> 12));
    out[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
    out[2] = (char)(0x80 | (cp & 0x3F));
    return 3;
  }
  if (cp <= 0x10FFFF) {
    out[0] = (char)(0xF0 | (cp >> 18));
    out[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
    out[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
    out[3] = (char)(0x80 | (cp & 0x3F));
    return 4;
  }
  return 0;
}

size_t PfUTF8CountChars(const char* bytes, size_t length) {
  size_t pos = 0, n = 0;
  while (pos < length) {
    PfUTF8Next(bytes, length, &pos);
    ++n;
  }
  return n;
}

size_t PfUTF8FloorBoundary(const char* bytes, size_t length, size_t pos) {
  if (pos >= length) return length;
  // Walk from the start so that malformed bytes count as characters of their own.
  size_t at = 0;
  while (at < length) {
    size_t next = at;
    PfUTF8Next(bytes, length, &next);
    if (next > pos) return at;
    at = next;
  }
  return length;
}

size_t PfUTF8PrevBoundary(const char* bytes, size_t length, size_t pos) {
  if (pos == 0) return 0;
  if (pos > length) pos = length;
  return PfUTF8FloorBoundary(bytes, length, pos - 1);
}

size_t PfUTF8CutLength(const char* bytes, size_t length, size_t limit) {
  if (length <= limit) return length;
  return PfUTF8FloorBoundary(bytes, length, limit);
}

size_t PfUTF8CopyCut(char* buffer, size_t size, const char* text, size_t length) {
  if (!buffer || size == 0) return 0;
  size_t n = text ? PfUTF8CutLength(text, length, size - 1) : 0;
  if (n) std::memmove(buffer, text, n);
  buffer[n] = 0;
  return n;
}

static PfStringRef NewString(std::string utf8) {
  PfStringRef s = new PfStringRec;
  s->refs = 1;
  s->utf8 = std::move(utf8);
  size_t pos = 0;
  while (pos < s->utf8.size()) {
    uint32_t cp = PfUTF8Next(s->utf8.data(), s->utf8.size(), &pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      s->utf16.push_back((char16_t)(0xD800 + (cp >> 10)));
      s->utf16.push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
    } else {
      s->utf16.push_back((char16_t)cp);
    }
  }
  ++gLiveStrings;
  return s;
}

PfStringRef PfStringCreateWithUTF8(const char* bytes, int32_t length) {
  if (!bytes) return nullptr;
  size_t n = length < 0 ? std::strlen(bytes) : (size_t)length;
  if (!PfUTF8IsValid(bytes, n)) return nullptr;
  return NewString(std::string(bytes, n));
}

PfStringRef PfStringCreateWithUTF16(const uint16_t* units, int32_t count) {
  if (!units) return nullptr;
  size_t n = 0;
  if (count < 0) {
    while (units[n]) ++n;
  } else {
    n = (size_t)count;
  }
  std::string utf8;
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = units[i];
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= n || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return nullptr;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return nullptr;
    }
    char buf[4];
    int32_t k = PfUTF8Encode(cp, buf);
    utf8.append(buf, (size_t)k);
  }
  return NewString(std::move(utf8));
}

PfStringRef PfStringRetain(PfStringRef s) {
  if (s) ++s->refs;
  return s;
}

void PfStringRelease(PfStringRef s) {
  if (s && --s->refs == 0) {
    --gLiveStrings;
    delete s;
  }
}

const char* PfStringGetUTF8(PfStringRef s) { return s ? s->utf8.c_str() : ""; }
int32_t PfStringGetUTF8Length(PfStringRef s) { return s ? (int32_t)s->utf8.size() : 0; }
int32_t PfStringGetLength(PfStringRef s) { return s ? (int32_t)s->utf16.size() : 0; }

int32_t PfStringGetUTF16(PfStringRef s, uint16_t* out, int32_t max) {
  if (!s || !out || max <= 0) return 0;
  int32_t n = std::min<int32_t>(max, (int32_t)s->utf16.size());
  for (int32_t i = 0; i < n; ++i) out[i] = s->utf16[(size_t)i];
  return n;
}

int32_t PfStringCopyUTF8(PfStringRef s, char* buffer, int32_t size) {
  if (size <= 0 || !buffer) return 0;
  if (!s) {
    buffer[0] = 0;
    return 0;
  }
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, s->utf8.data(), s->utf8.size());
}

int32_t PfStringLiveCount() { return gLiveStrings; }

std::string PfCleanUTF8(const char* text, size_t length) {
  if (!text) return std::string();
  if (PfUTF8IsValid(text, length)) return std::string(text, length);
  std::string out;
  size_t pos = 0;
  while (pos < length) {
    char buf[4];
    out.append(buf, (size_t)PfUTF8Encode(PfUTF8Next(text, length, &pos), buf));
  }
  return out;
}
