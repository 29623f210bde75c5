#include "foundation/TextConv.h"

#include <cstring>

#include "foundation/Scratch.h"
#include "kctl/mac/MacTextMetric.h"

namespace {

// Sequence length by lead byte, and bytes to skip when the sequence is bad.
constexpr ASUns8 SeqLength(ASUns8 lead) {
  return lead < 0x80 ? 1 : lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : lead < 0xFC ? 5
                                                                                              : lead < 0xFE ? 6 : 0;
}
constexpr ASUns8 SkipLength(ASUns8 lead) {
  ASUns8 n = SeqLength(lead);
  return n ? n : 1;
}

bool IsCont(ASUns8 b) { return (b & 0xC0) == 0x80; }

bool Acceptable2(const ASUns8* p) { return IsCont(p[1]) && p[0] != 0xC0 && p[0] != 0xC1; }

bool Acceptable3(const ASUns8* p) {
  if (!IsCont(p[1]) || !IsCont(p[2])) return false;
  if (p[0] == 0xE0 && p[1] < 0xA0) return false;  // overlong
  ASUns32 u = ((ASUns32)(p[0] & 0x0F) << 12) | ((ASUns32)(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
  return u != 0xFEFF && !(u >= 0xD800 && u <= 0xDFFF) && u != 0xFFEE;
}

// The UTF-8 to UCS-2 walk, shared by the converter and its size function so
// that the two always agree. emit(unit) returns false when there is no room.
template <class Emit>
void WalkUTF8ToUnits(const ASUns8* s, ASInt32 length, ASUns8 replacement, Emit emit) {
  ASInt32 in = 0;
  while (in < length) {
    ASUns8 lead = s[in];
    ASUns8 len = SeqLength(lead);
    ASUns32 unit = replacement;
    bool last = false;
    if (len == 1) {
      unit = lead;
      in += 1;
    } else if (len == 2 || len == 3) {
      if (length - in < len) {
        last = true;  // cut off by the end of the source
      } else {
        if (len == 2 && Acceptable2(s + in)) unit = ((ASUns32)(lead & 0x1F) << 6) | (s[in + 1] & 0x3F);
        if (len == 3 && Acceptable3(s + in))
          unit = ((ASUns32)(lead & 0x0F) << 12) | ((ASUns32)(s[in + 1] & 0x3F) << 6) | (s[in + 2] & 0x3F);
        in += len;
      }
    } else {
      // Stray continuation byte, FE/FF or a lead of four or more bytes; the
      // skip never passes the end of the source.
      ASInt32 skip = SkipLength(lead);
      in = (length - in < skip) ? length : in + skip;
    }
    if (!emit(unit)) return;
    if (last) return;
  }
}

size_t StrLen16(const void* text) {
  const ASUns8* p = static_cast<const ASUns8*>(text);
  size_t n = 0;
  while (p[n] || p[n + 1]) n += 2;
  return n;
}

// Reads unit i of a 16-bit text in the given byte order.
struct Units {
  const ASUns8* p;
  bool bigEndian;
  ASUns32 operator[](ASInt32 i) const {
    const ASUns8* q = p + 2 * i;
    return bigEndian ? (ASUns32)((q[0] << 8) | q[1]) : (ASUns32)((q[1] << 8) | q[0]);
  }
};

bool HostIsBigEndian() {
  const ASUns16 probe = 1;
  return *reinterpret_cast<const ASUns8*>(&probe) == 0;
}

// UCS-2 to UTF-8 (no surrogate pairing); with `pairs`, UTF-16 with pairs.
// dst may be null for counting. Returns bytes written (or counted).
ASInt32 UnitsToUTF8(Units src, ASInt32 length, char* dst, ASInt32 size, bool pairs, bool bounded) {
  if (length < 2) return 0;
  ASInt32 count = length / 2;  // an odd last byte is ignored
  ASInt32 i = 0, out = 0;
  if (src[0] == 0xFEFF) i = 1;
  while (i < count) {
    ASUns32 u = src[i];
    ASUns32 cp = u;
    ASInt32 used = 1;
    if (pairs && u >= 0xD800 && u <= 0xDFFF) {
      if (u <= 0xDBFF) {
        if (i + 1 >= count) break;  // a high surrogate with nothing after it ends the text
        ASUns32 lo = src[i + 1];
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          cp = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
          used = 2;
        } else {
          cp = '?';  // unpaired: never written as a lone surrogate
        }
      } else {
        cp = '?';
      }
    }
    ASUns8 b[4];
    ASInt32 n;
    if (cp < 0x80) {
      b[0] = (ASUns8)cp;
      n = 1;
    } else if (cp < 0x800) {
      b[0] = (ASUns8)(0xC0 | (cp >> 6));
      b[1] = (ASUns8)(0x80 | (cp & 0x3F));
      n = 2;
    } else if (cp < 0x10000) {
      b[0] = (ASUns8)(0xE0 | (cp >> 12));
      b[1] = (ASUns8)(0x80 | ((cp >> 6) & 0x3F));
      b[2] = (ASUns8)(0x80 | (cp & 0x3F));
      n = 3;
    } else {
      b[0] = (ASUns8)(0xF0 | (cp >> 18));
      b[1] = (ASUns8)(0x80 | ((cp >> 12) & 0x3F));
      b[2] = (ASUns8)(0x80 | ((cp >> 6) & 0x3F));
      b[3] = (ASUns8)(0x80 | (cp & 0x3F));
      n = 4;
    }
    if (bounded && size - out < n) break;  // no partial sequence, ever
    if (dst) std::memcpy(dst + out, b, (size_t)n);
    out += n;
    i += used;
  }
  return out;
}

SMacTextMetricDesc* SharedDesc() {
  static SMacTextMetricDesc* desc = nullptr;  // the plug-in's one converter context
  if (!desc) desc = NewMacTextMetricDesc();
  return desc;
}

}  // namespace

ASInt32 CountBytesTo16BitZero(const void* text) { return text ? (ASInt32)StrLen16(text) : 0; }

ASInt32 CountCharactersTo16BitZero(const void* text) { return CountBytesTo16BitZero(text) / 2; }

ASBool ValidUTF8String(const char* text, ASInt32 length) {
  if (!text) return 1;
  const ASUns8* s = reinterpret_cast<const ASUns8*>(text);
  if (length < 0) length = (ASInt32)std::strlen(text);
  ASInt32 i = 0;
  while (i < length) {
    ASUns8 len = SeqLength(s[i]);
    if (len == 0 || len >= 4 || len > length - i) return 0;
    if (len == 2 && !Acceptable2(s + i)) return 0;
    if (len == 3 && !Acceptable3(s + i)) return 0;
    i += len;
  }
  return 1;
}

void RecoverBadUTF8String(char* text, ASInt32* length, char replacement) {
  if (!text || !length || *length <= 0) return;
  ASUns8* s = reinterpret_cast<ASUns8*>(text);
  ASInt32 n = *length, in = 0, out = 0;
  while (in < n) {
    ASUns8 len = SeqLength(s[in]);
    if (len > n - in) {
      s[out++] = (ASUns8)replacement;
      break;
    }
    bool ok = len == 1 || (len == 2 && Acceptable2(s + in)) || (len == 3 && Acceptable3(s + in));
    if (ok) {
      std::memmove(s + out, s + in, len);
      out += len;
      in += len;
      continue;
    }
    s[out++] = (ASUns8)replacement;
    ++in;
    while (in < n && s[in] >= 0x80) ++in;
  }
  *length = out;
}

ASBool UTF8StringIsNot7BitASCIITerm(const char* text) {
  if (!text) return 0;
  for (const ASUns8* p = reinterpret_cast<const ASUns8*>(text); *p; ++p)
    if (*p >= 0x80) return 1;
  return 0;
}

ASInt32 CompareUTF8Strings(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : ""); }

ASInt32 UnicodeOrdinalToUTF8(ASUns32 c, char* out) {
  ASUns8* o = reinterpret_cast<ASUns8*>(out);
  ASInt32 n;
  ASUns8 lead;
  if (c < 0x80) { n = 1; lead = 0; }
  else if (c < 0x800) { n = 2; lead = 0xC0; }
  else if (c < 0x10000) { n = 3; lead = 0xE0; }
  else if (c < 0x200000) { n = 4; lead = 0xF0; }
  else if (c <= 0x3FFFFFF) { n = 5; lead = 0xF8; }
  else { n = 6; lead = 0xFC; }
  for (ASInt32 i = n - 1; i > 0; --i) {
    o[i] = (ASUns8)(0x80 | (c & 0x3F));
    c >>= 6;
  }
  o[0] = (ASUns8)(lead | c);
  o[n] = 0;
  return n;
}

ASInt32 UTF8ToUCS2(const char* source, char* destination, ASInt32 length, ASInt32 size, char replacement) {
  if (!source || !destination || length <= 0 || size < 2) return 0;
  ASUns8* d = reinterpret_cast<ASUns8*>(destination);
  ASInt32 out = 0;
  WalkUTF8ToUnits(reinterpret_cast<const ASUns8*>(source), length, (ASUns8)replacement, [&](ASUns32 u) {
    if (size - out < 2) return false;
    d[out] = (ASUns8)(u >> 8);
    d[out + 1] = (ASUns8)(u & 0xFF);
    out += 2;
    return size - out >= 2;
  });
  return out;
}

ASInt32 UTF8ToUCS2Term(const char* source, char* destination, ASInt32 size, char replacement) {
  if (!destination || size < 2) return 0;
  ASInt32 n = source ? UTF8ToUCS2(source, destination, (ASInt32)std::strlen(source), size - 2, replacement) : 0;
  destination[n] = 0;
  destination[n + 1] = 0;
  return n + 2;
}

ASInt32 UTF8ToUCS2BytesNeeded(const char* source, ASInt32 length) {
  if (!source || length <= 0) return 0;
  ASInt32 units = 0;
  WalkUTF8ToUnits(reinterpret_cast<const ASUns8*>(source), length, '?', [&](ASUns32) {
    ++units;
    return true;
  });
  return 2 * units;
}

ASInt32 UTF8ToUCS2BytesNeededTerm(const char* source) {
  return (source ? UTF8ToUCS2BytesNeeded(source, (ASInt32)std::strlen(source)) : 0) + 2;
}

void UCS2ToPlatformUnicodeInplaceTerm(void* text) {
  if (!text || HostIsBigEndian()) return;
  ASUns8* p = static_cast<ASUns8*>(text);
  for (; p[0] || p[1]; p += 2) {
    ASUns8 t = p[0];
    p[0] = p[1];
    p[1] = t;
  }
}

namespace {
void SwapUnits(void* text, ASInt32 bytes) {
  if (HostIsBigEndian()) return;
  ASUns8* p = static_cast<ASUns8*>(text);
  for (ASInt32 i = 0; i + 1 < bytes; i += 2) {
    ASUns8 t = p[i];
    p[i] = p[i + 1];
    p[i + 1] = t;
  }
}
}  // namespace

ASInt32 UTF8ToPlatformUnicode(const char* source, ASUns16* destination, ASInt32 length, ASInt32 size,
                              char replacement) {
  ASInt32 n = UTF8ToUCS2(source, reinterpret_cast<char*>(destination), length, size, replacement);
  SwapUnits(destination, n);
  return n;
}

ASInt32 UTF8ToPlatformUnicodeTerm(const char* source, ASUns16* destination, ASInt32 size, char replacement) {
  ASInt32 n = UTF8ToUCS2Term(source, reinterpret_cast<char*>(destination), size, replacement);
  SwapUnits(destination, n);
  return n;
}

ASInt32 UCS2ToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size) {
  if (!source || !destination || size <= 0) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, destination, size, false, true);
}

ASInt32 UTF16ToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size) {
  if (!source || !destination || size <= 0) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, destination, size, true, true);
}

ASInt32 UTF16ToUTF8BytesNeeded(const char* source, ASInt32 length) {
  if (!source) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, nullptr, 0, true, false);
}

ASInt32 PlatformUnicodeToUTF8(const ASUns16* source, char* destination, ASInt32 length, ASInt32 size) {
  // Reads the units in the machine's order: the caller's text is never touched.
  if (!source || !destination || size <= 0) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), HostIsBigEndian()}, length, destination, size,
                     false, true);
}

ASInt32 PlatformUnicodeToUTF8Term(const ASUns16* source, char* destination, ASInt32 size) {
  if (!destination || size < 1) return 0;
  ASInt32 n = source ? PlatformUnicodeToUTF8(source, destination, CountBytesTo16BitZero(source), size - 1) : 0;
  destination[n] = 0;
  return n + 1;
}

ASInt32 PlatformUnicodeToUTF8BytesNeeded(const ASUns16* source, ASInt32 length) {
  if (!source) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), HostIsBigEndian()}, length, nullptr, 0, false,
                     false);
}

ASInt32 PlatformUnicodeToUTF8BytesNeededTerm(const ASUns16* source) {
  return (source ? PlatformUnicodeToUTF8BytesNeeded(source, CountBytesTo16BitZero(source)) : 0) + 1;
}

ASInt32 PlatformUnicodeToPlatformNativeTerm(const ASUns16* text, char* out, ASInt32 size, char) {
  if (!out || size < 1) return 0;
  if (!MacTextMetricConvertToLocalEncodingTerm(SharedDesc(), text, out, size, kMacTextFlagPlatformUnicode)) {
    out[0] = 0;
    return 1;
  }
  return (ASInt32)std::strlen(out) + 1;
}

ASInt32 PlatformNativeToPlatformUnicodeTerm(const char* text, ASUns16* out, ASInt32 size, char) {
  if (!out || size < 2) return 0;
  if (!MacTextMetricConvertFromLocalEncodingTerm(SharedDesc(), text, out, size, kMacTextFlagPlatformUnicode)) {
    out[0] = 0;
    return 2;
  }
  return CountBytesTo16BitZero(out) + 2;
}

ASInt32 PlatformUnicodeToPlatformNativeBytesNeededTerm(const ASUns16* text) {
  size_t units = text ? (size_t)CountCharactersTo16BitZero(text) : 0;
  KScratch<> scratch(3 * units + 8);
  return PlatformUnicodeToPlatformNativeTerm(text, scratch.data(), (ASInt32)scratch.size(), '?');
}

ASInt32 PlatformNativeToPlatformUnicodeBytesNeededTerm(const char* text) {
  size_t len = text ? std::strlen(text) : 0;
  KScratch<> scratch(2 * len + 6);
  return PlatformNativeToPlatformUnicodeTerm(text, reinterpret_cast<ASUns16*>(scratch.data()),
                                             (ASInt32)scratch.size(), '?');
}

ASInt32 UTF8ToPlatformNativeTerm(const char* text, char* out, ASInt32 size, char replacement) {
  if (!out || size < 1) return 0;
  KScratch<> scratch((size_t)UTF8ToUCS2BytesNeededTerm(text));
  ASUns16* units = reinterpret_cast<ASUns16*>(scratch.data());
  UTF8ToPlatformUnicodeTerm(text, units, (ASInt32)scratch.size(), replacement);
  return PlatformUnicodeToPlatformNativeTerm(units, out, size, replacement);
}

ASInt32 UTF8ToPlatformNativeBytesNeededTerm(const char* text) {
  KScratch<> scratch((size_t)UTF8ToUCS2BytesNeededTerm(text));
  ASUns16* units = reinterpret_cast<ASUns16*>(scratch.data());
  UTF8ToPlatformUnicodeTerm(text, units, (ASInt32)scratch.size(), '?');
  return PlatformUnicodeToPlatformNativeBytesNeededTerm(units);
}

ASInt32 PlatformNativeToUTF8Term(const char* text, char* out, ASInt32 size, char replacement) {
  if (!out || size < 1) return 0;
  KScratch<> scratch((size_t)PlatformNativeToPlatformUnicodeBytesNeededTerm(text));
  ASUns16* units = reinterpret_cast<ASUns16*>(scratch.data());
  PlatformNativeToPlatformUnicodeTerm(text, units, (ASInt32)scratch.size(), replacement);
  return PlatformUnicodeToUTF8Term(units, out, size);
}

ASInt32 PlatformNativeToUTF8BytesNeededTerm(const char* text) {
  KScratch<> scratch((size_t)PlatformNativeToPlatformUnicodeBytesNeededTerm(text));
  ASUns16* units = reinterpret_cast<ASUns16*>(scratch.data());
  PlatformNativeToPlatformUnicodeTerm(text, units, (ASInt32)scratch.size(), '?');
  return PlatformUnicodeToUTF8BytesNeededTerm(units);
}

ASText ASTextNewFromNative(const char* text) {
  ASText t = ASTextNew();
  ASTextSetEncoded(t, text ? text : "", ASGetHostEncoding());
  return t;
}

ASText ASTextNewFromUTF8(const char* text) {
  ASText t = ASTextNew();
  ASTextSetUnicode(t, text ? text : "", kUTF8);
  return t;
}
