#include "foundation/TextConv.h"

#include <cstring>

#include "platform/PfString.h"

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

// Length of the well-formed sequence at s[at] (1 to 4 bytes, U+10FFFF at most,
// no surrogates, no overlong forms), 0 when none starts there. The rule is the
// platform's, so every layer agrees on what valid UTF-8 is.
ASInt32 WellFormedLength(const ASUns8* s, ASInt32 length, ASInt32 at, ASUns32* cp) {
  size_t pos = (size_t)at;
  ASUns32 c = PfUTF8Next(reinterpret_cast<const char*>(s), (size_t)length, &pos);
  ASInt32 n = (ASInt32)(pos - (size_t)at);
  if (c == 0xFFFD && n == 1) return 0;  // the platform steps over a bad byte as U+FFFD
  if (cp) *cp = c;
  return n;
}

// The UTF-8 decoding walk, shared by every conversion from UTF-8 and by their
// size functions so that they always agree. A bad sequence of a two- to
// four-byte lead becomes one replacement and is passed over whole; a stray
// continuation byte, FE, FF or a lead of five or six bytes becomes one
// replacement and is passed over by its lead's count; a sequence the end of
// the text cuts off becomes one replacement and ends the text.
// emit(code point) returns false when there is no room.
template <class Emit>
void WalkUTF8(const ASUns8* s, ASInt32 length, ASUns8 replacement, Emit emit) {
  ASInt32 in = 0;
  while (in < length) {
    ASUns8 len = SeqLength(s[in]);
    ASUns32 cp = replacement;
    bool last = false;
    if (len >= 1 && len <= 4) {
      if (length - in < len) {
        last = true;
      } else {
        ASUns32 decoded;
        if (WellFormedLength(s, length, in, &decoded) == len) cp = decoded;
        in += len;
      }
    } else {
      ASInt32 skip = SkipLength(s[in]);  // never past the end of the source
      in = (length - in < skip) ? length : in + skip;
    }
    if (!emit(cp)) return;
    if (last) return;
  }
}

// A code point as big-endian UTF-16 units (a surrogate pair above U+FFFF) at
// d + *out, when they fit whole in size bytes.
bool PutUnits(ASUns32 cp, ASUns8* d, ASInt32* out, ASInt32 size) {
  ASInt32 need = cp >= 0x10000 ? 4 : 2;
  if (size - *out < need) return false;
  if (cp >= 0x10000) {
    ASUns32 v = cp - 0x10000;
    ASUns32 hi = 0xD800 + (v >> 10), lo = 0xDC00 + (v & 0x3FF);
    d[*out] = (ASUns8)(hi >> 8);
    d[*out + 1] = (ASUns8)(hi & 0xFF);
    d[*out + 2] = (ASUns8)(lo >> 8);
    d[*out + 3] = (ASUns8)(lo & 0xFF);
  } else {
    d[*out] = (ASUns8)(cp >> 8);
    d[*out + 1] = (ASUns8)(cp & 0xFF);
  }
  *out += need;
  return true;
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

// 16-bit units to UTF-8, surrogate pairs joined; a surrogate without its
// other half becomes '?', a high surrogate that ends the text ends the
// conversion. dst may be null for counting. Returns bytes written (or counted).
ASInt32 UnitsToUTF8(Units src, ASInt32 length, char* dst, ASInt32 size, bool bounded) {
  if (length < 2) return 0;
  ASInt32 count = length / 2;  // an odd last byte is ignored
  ASInt32 i = 0, out = 0;
  if (src[0] == 0xFEFF) i = 1;
  while (i < count) {
    ASUns32 u = src[i];
    ASUns32 cp = u;
    ASInt32 used = 1;
    if (u >= 0xD800 && u <= 0xDFFF) {
      cp = '?';
      if (u <= 0xDBFF) {
        if (i + 1 >= count) break;
        ASUns32 lo = src[i + 1];
        if (lo >= 0xDC00 && lo <= 0xDFFF) {
          cp = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
          used = 2;
        }
      }
    }
    char b[4];
    ASInt32 n = PfUTF8Encode(cp, b);
    if (bounded && size - out < n) break;  // no partial sequence, ever
    if (dst) std::memcpy(dst + out, b, (size_t)n);
    out += n;
    i += used;
  }
  return out;
}

// UTF-8 to UTF-8 in the one decoding rule: what is well-formed is copied, what
// is not becomes the replacement; never a cut sequence. dst may be null for
// counting.
ASInt32 CleanUTF8(const char* source, ASInt32 length, char* dst, ASInt32 size, char replacement, bool bounded) {
  if (!source || length <= 0) return 0;
  ASInt32 out = 0;
  WalkUTF8(reinterpret_cast<const ASUns8*>(source), length, (ASUns8)replacement, [&](ASUns32 cp) {
    char b[4];
    ASInt32 n = PfUTF8Encode(cp, b);
    if (bounded && size - out < n) return false;
    if (dst) std::memcpy(dst + out, b, (size_t)n);
    out += n;
    return true;
  });
  return out;
}

}  // namespace

ASInt32 CountBytesTo16BitZero(const void* text) { return text ? (ASInt32)StrLen16(text) : 0; }

ASInt32 CountCharactersTo16BitZero(const void* text) { return CountBytesTo16BitZero(text) / 2; }

ASBool ValidUTF8String(const char* text, ASInt32 length) {
  if (!text) return 1;
  if (length < 0) length = (ASInt32)std::strlen(text);
  return PfUTF8IsValid(text, (size_t)length) ? 1 : 0;
}

void RecoverBadUTF8String(char* text, ASInt32* length, char replacement) {
  if (!text || !length || *length <= 0) return;
  ASUns8* s = reinterpret_cast<ASUns8*>(text);
  ASInt32 n = *length, in = 0, out = 0;
  while (in < n) {
    ASInt32 len = WellFormedLength(s, n, in, nullptr);
    if (len > 0) {
      std::memmove(s + out, s + in, (size_t)len);
      out += len;
      in += len;
      continue;
    }
    s[out++] = (ASUns8)replacement;
    if (SeqLength(s[in]) > n - in) break;  // cut off by the end of the text
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
  WalkUTF8(reinterpret_cast<const ASUns8*>(source), length, (ASUns8)replacement,
           [&](ASUns32 cp) { return PutUnits(cp, d, &out, size); });
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
  ASInt32 bytes = 0;
  WalkUTF8(reinterpret_cast<const ASUns8*>(source), length, '?', [&](ASUns32 cp) {
    bytes += cp >= 0x10000 ? 4 : 2;
    return true;
  });
  return bytes;
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
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, destination, size, true);
}

ASInt32 UTF16ToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size) {
  if (!source || !destination || size <= 0) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, destination, size, true);
}

ASInt32 UTF16ToUTF8BytesNeeded(const char* source, ASInt32 length) {
  if (!source) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), true}, length, nullptr, 0, false);
}

ASInt32 PlatformUnicodeToUTF8(const ASUns16* source, char* destination, ASInt32 length, ASInt32 size) {
  // Reads the units in the machine's order: the caller's text is never touched.
  if (!source || !destination || size <= 0) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), HostIsBigEndian()}, length, destination, size, true);
}

ASInt32 PlatformUnicodeToUTF8Term(const ASUns16* source, char* destination, ASInt32 size) {
  if (!destination || size < 1) return 0;
  ASInt32 n = source ? PlatformUnicodeToUTF8(source, destination, CountBytesTo16BitZero(source), size - 1) : 0;
  destination[n] = 0;
  return n + 1;
}

ASInt32 PlatformUnicodeToUTF8BytesNeeded(const ASUns16* source, ASInt32 length) {
  if (!source) return 0;
  return UnitsToUTF8(Units{reinterpret_cast<const ASUns8*>(source), HostIsBigEndian()}, length, nullptr, 0, false);
}

ASInt32 PlatformUnicodeToUTF8BytesNeededTerm(const ASUns16* source) {
  return (source ? PlatformUnicodeToUTF8BytesNeeded(source, CountBytesTo16BitZero(source)) : 0) + 1;
}

// The platform's native encoding is UTF-8: the native conversions are the
// UTF-16 ones, and native to UTF-8 (either way) is the one decoding rule.

ASInt32 UTF8ToPlatformNative(const char* source, char* destination, ASInt32 length, ASInt32 size,
                             char replacement) {
  if (!destination || size <= 0) return 0;
  return CleanUTF8(source, length, destination, size, replacement, true);
}

ASInt32 PlatformNativeToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size,
                             char replacement) {
  return UTF8ToPlatformNative(source, destination, length, size, replacement);
}

ASInt32 PlatformUnicodeToPlatformNativeTerm(const ASUns16* text, char* out, ASInt32 size, char) {
  return PlatformUnicodeToUTF8Term(text, out, size);
}

ASInt32 PlatformNativeToPlatformUnicodeTerm(const char* text, ASUns16* out, ASInt32 size, char replacement) {
  return UTF8ToPlatformUnicodeTerm(text, out, size, replacement);
}

ASInt32 PlatformUnicodeToPlatformNativeBytesNeededTerm(const ASUns16* text) {
  return PlatformUnicodeToUTF8BytesNeededTerm(text);
}

ASInt32 PlatformNativeToPlatformUnicodeBytesNeededTerm(const char* text) { return UTF8ToUCS2BytesNeededTerm(text); }

ASInt32 UTF8ToPlatformNativeTerm(const char* text, char* out, ASInt32 size, char replacement) {
  if (!out || size < 1) return 0;
  ASInt32 n = text ? UTF8ToPlatformNative(text, out, (ASInt32)std::strlen(text), size - 1, replacement) : 0;
  out[n] = 0;
  return n + 1;
}

ASInt32 UTF8ToPlatformNativeBytesNeededTerm(const char* text) {
  return (text ? CleanUTF8(text, (ASInt32)std::strlen(text), nullptr, 0, '?', false) : 0) + 1;
}

ASInt32 PlatformNativeToUTF8Term(const char* text, char* out, ASInt32 size, char replacement) {
  return UTF8ToPlatformNativeTerm(text, out, size, replacement);
}

ASInt32 PlatformNativeToUTF8BytesNeededTerm(const char* text) { return UTF8ToPlatformNativeBytesNeededTerm(text); }

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
