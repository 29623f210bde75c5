#include "host/ASText.h"

#include <qpdf/QUtil.hh>

#include <cstring>
#include <string>

#include "host/ASExcept.h"
#include "host/ASMem.h"

struct _t_ASTextRec {
  std::string utf8;
  std::string scratch;  // backs ASTextGetEncoded
};

namespace {

void AppendUTF8(std::string& out, ASUns32 c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += (char)c;
  } else if (c < 0x800) {
    out += (char)(0xC0 | (c >> 6));
    out += (char)(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += (char)(0xE0 | (c >> 12));
    out += (char)(0x80 | ((c >> 6) & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  } else {
    out += (char)(0xF0 | (c >> 18));
    out += (char)(0x80 | ((c >> 12) & 0x3F));
    out += (char)(0x80 | ((c >> 6) & 0x3F));
    out += (char)(0x80 | (c & 0x3F));
  }
}

// Decodes UTF-8 leniently: bad bytes become U+FFFD.
template <class F>
void ForEachCodePoint(const std::string& s, F f) {
  size_t i = 0, n = s.size();
  while (i < n) {
    unsigned char b = (unsigned char)s[i];
    ASUns32 c;
    int len;
    if (b < 0x80) { c = b; len = 1; }
    else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; len = 2; }
    else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; len = 3; }
    else if ((b & 0xF8) == 0xF0) { c = b & 0x07; len = 4; }
    else { f(0xFFFD); ++i; continue; }
    if (i + (size_t)len > n) { f(0xFFFD); break; }
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      unsigned char cb = (unsigned char)s[i + (size_t)k];
      if ((cb & 0xC0) != 0x80) { ok = false; break; }
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) { f(0xFFFD); ++i; continue; }
    f(c);
    i += (size_t)len;
  }
}

std::string FromUTF16(const unsigned char* p, size_t bytes, bool bigEndian) {
  std::string out;
  size_t i = 0;
  auto unit = [&](size_t at) -> ASUns32 {
    return bigEndian ? (ASUns32)((p[at] << 8) | p[at + 1]) : (ASUns32)((p[at + 1] << 8) | p[at]);
  };
  if (bytes >= 2 && unit(0) == 0xFEFF) i = 2;
  while (i + 1 < bytes) {
    ASUns32 u = unit(i);
    i += 2;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes) {
      ASUns32 lo = unit(i);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        i += 2;
        AppendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        continue;
      }
    }
    AppendUTF8(out, u);
  }
  return out;
}

std::string ToUTF16(const std::string& utf8, bool bigEndian) {
  std::string out;
  auto put = [&](ASUns32 u) {
    if (bigEndian) { out += (char)(u >> 8); out += (char)(u & 0xFF); }
    else { out += (char)(u & 0xFF); out += (char)(u >> 8); }
  };
  ForEachCodePoint(utf8, [&](ASUns32 c) {
    if (c >= 0x10000) {
      c -= 0x10000;
      put(0xD800 + (c >> 10));
      put(0xDC00 + (c & 0x3FF));
    } else {
      put(c);
    }
  });
  return out;
}

size_t UTF16Length(const unsigned char* p) {
  size_t n = 0;
  while (p[n] || p[n + 1]) n += 2;
  return n;
}

size_t UTF32Length(const unsigned char* p) {
  size_t n = 0;
  while (p[n] || p[n + 1] || p[n + 2] || p[n + 3]) n += 4;
  return n;
}

std::string DecodeUnicode(const void* value, ASUnicodeFormat format, ASInt32 byteLength) {
  if (!value) return {};
  const unsigned char* p = (const unsigned char*)value;
  const bool hostBig = false;  // x86-64 and the other Linux targets this builds for
  switch (format) {
    case kUTF8: {
      size_t n = byteLength >= 0 ? (size_t)byteLength : std::strlen((const char*)p);
      return std::string((const char*)p, n);
    }
    case kUTF16BigEndian:
    case kUTF16HostEndian: {
      size_t n = byteLength >= 0 ? (size_t)byteLength : UTF16Length(p);
      return FromUTF16(p, n, format == kUTF16BigEndian ? true : hostBig);
    }
    case kUTF32BigEndian:
    case kUTF32HostEndian: {
      size_t n = byteLength >= 0 ? (size_t)byteLength : UTF32Length(p);
      bool big = format == kUTF32BigEndian;
      std::string out;
      for (size_t i = 0; i + 3 < n; i += 4) {
        ASUns32 c = big ? ((ASUns32)p[i] << 24 | (ASUns32)p[i + 1] << 16 | (ASUns32)p[i + 2] << 8 | p[i + 3])
                        : ((ASUns32)p[i + 3] << 24 | (ASUns32)p[i + 2] << 16 | (ASUns32)p[i + 1] << 8 | p[i]);
        AppendUTF8(out, c);
      }
      return out;
    }
  }
  ASRaise(genErrBadParm);
}

std::string FromPDText(const char* text, size_t length) {
  std::string s(text, length);
  if (length >= 2 && (unsigned char)s[0] == 0xFE && (unsigned char)s[1] == 0xFF)
    return FromUTF16((const unsigned char*)text, length, true);
  return QUtil::pdf_doc_to_utf8(s);
}

std::string Encode(const std::string& utf8, ASHostEncoding encoding) {
  switch (encoding) {
    case kASHostEncodingPDFDoc: return QUtil::utf8_to_pdf_doc(utf8, '?');
    case kASHostEncodingLatin1: {
      std::string out;
      ForEachCodePoint(utf8, [&](ASUns32 c) { out += c < 0x100 ? (char)c : '?'; });
      return out;
    }
    default: return utf8;
  }
}

std::string Decode(const char* text, ASHostEncoding encoding) {
  if (!text) return {};
  std::string s(text);
  switch (encoding) {
    case kASHostEncodingPDFDoc: return QUtil::pdf_doc_to_utf8(s);
    case kASHostEncodingLatin1: {
      std::string out;
      for (unsigned char c : s) AppendUTF8(out, c);
      return out;
    }
    default: return s;
  }
}

char* CopyOut(const std::string& s, size_t terminatorBytes) {
  char* p = (char*)ASmalloc(s.size() + terminatorBytes);
  if (!p) ASRaise(genErrNoMemory);
  std::memcpy(p, s.data(), s.size());
  std::memset(p + s.size(), 0, terminatorBytes);
  return p;
}

ASText Checked(ASText t) {
  if (!t) ASRaise(genErrBadParm);
  return t;
}

}  // namespace

ASHostEncoding ASGetHostEncoding() { return kASHostEncodingUTF8; }

ASText ASTextNew() { return new _t_ASTextRec; }

void ASTextDestroy(ASText text) { delete text; }

ASText ASTextDup(ASText text) {
  ASText t = ASTextNew();
  if (text) t->utf8 = text->utf8;
  return t;
}

ASText ASTextFromUnicode(const void* text, ASUnicodeFormat format) {
  return ASTextFromSizedUnicode(text, format, -1);
}

ASText ASTextFromSizedUnicode(const void* text, ASUnicodeFormat format, ASInt32 byteLength) {
  ASText t = ASTextNew();
  t->utf8 = DecodeUnicode(text, format, byteLength);
  return t;
}

ASText ASTextFromEncoded(const char* text, ASHostEncoding encoding) {
  ASText t = ASTextNew();
  t->utf8 = Decode(text, encoding);
  return t;
}

ASText ASTextFromPDText(const char* text) {
  ASText t = ASTextNew();
  if (text) {
    // A UTF-16 PD text ends with a 16-bit zero, not at its first zero byte.
    const unsigned char* p = (const unsigned char*)text;
    size_t n = (p[0] == 0xFE && p[1] == 0xFF) ? 2 + UTF16Length(p + 2) : std::strlen(text);
    t->utf8 = FromPDText(text, n);
  }
  return t;
}

ASText ASTextFromSizedPDText(const char* text, ASInt32 length) {
  ASText t = ASTextNew();
  if (text && length > 0) t->utf8 = FromPDText(text, (size_t)length);
  return t;
}

void ASTextSetUnicode(ASText text, const void* value, ASUnicodeFormat format) {
  Checked(text)->utf8 = DecodeUnicode(value, format, -1);
}

void ASTextSetSizedUnicode(ASText text, const void* value, ASUnicodeFormat format, ASInt32 byteLength) {
  Checked(text)->utf8 = DecodeUnicode(value, format, byteLength);
}

void ASTextSetEncoded(ASText text, const char* value, ASHostEncoding encoding) {
  Checked(text)->utf8 = Decode(value, encoding);
}

void ASTextSetPDText(ASText text, const char* value) {
  ASText t = ASTextFromPDText(value);
  Checked(text)->utf8.swap(t->utf8);
  ASTextDestroy(t);
}

void ASTextSetSizedPDText(ASText text, const char* value, ASInt32 length) {
  Checked(text)->utf8 = (value && length > 0) ? FromPDText(value, (size_t)length) : std::string();
}

void ASTextCopy(ASText to, ASText from) { Checked(to)->utf8 = Checked(from)->utf8; }

void ASTextCat(ASText to, ASText from) { Checked(to)->utf8 += Checked(from)->utf8; }

void ASTextMakeEmpty(ASText text) { Checked(text)->utf8.clear(); }

ASBool ASTextIsEmpty(ASText text) { return !text || text->utf8.empty(); }

ASInt32 ASTextCmp(ASText a, ASText b) {
  int r = Checked(a)->utf8.compare(Checked(b)->utf8);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

void* ASTextGetUnicodeCopy(ASText text, ASUnicodeFormat format) {
  const std::string& s = Checked(text)->utf8;
  switch (format) {
    case kUTF8: return CopyOut(s, 1);
    case kUTF16BigEndian: return CopyOut(ToUTF16(s, true), 2);
    case kUTF16HostEndian: return CopyOut(ToUTF16(s, false), 2);
    case kUTF32BigEndian:
    case kUTF32HostEndian: {
      std::string out;
      bool big = format == kUTF32BigEndian;
      ForEachCodePoint(s, [&](ASUns32 c) {
        char b[4] = {(char)(c >> 24), (char)(c >> 16), (char)(c >> 8), (char)c};
        if (!big) std::swap(b[0], b[3]), std::swap(b[1], b[2]);
        out.append(b, 4);
      });
      return CopyOut(out, 4);
    }
  }
  ASRaise(genErrBadParm);
}

char* ASTextGetEncodedCopy(ASText text, ASHostEncoding encoding) {
  return CopyOut(Encode(Checked(text)->utf8, encoding), 1);
}

char* ASTextGetPDTextCopy(ASText text, ASInt32* length) {
  const std::string& s = Checked(text)->utf8;
  std::string pdf;
  std::string out;
  if (QUtil::utf8_to_pdf_doc(s, pdf, '?')) {
    out = pdf;
  } else {
    out = "\xFE\xFF" + ToUTF16(s, true);
  }
  if (length) *length = (ASInt32)out.size();
  return CopyOut(out, 2);
}

const char* ASTextGetUTF8(ASText text) { return Checked(text)->utf8.c_str(); }

const char* ASTextGetEncoded(ASText text, ASHostEncoding encoding) {
  Checked(text);
  if (encoding == kASHostEncodingUTF8) return text->utf8.c_str();
  text->scratch = Encode(text->utf8, encoding);
  return text->scratch.c_str();
}
