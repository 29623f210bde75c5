#include "foundation/TextCut.h"
#include "kctl/mac/MacTextMetric.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/MFUtil.h"

namespace {

bool gProblemsSilenced = false;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of a well-formed UTF-8 sequence (1 to 4 bytes) at p, 0 when it is not one.
int ValidSequence(const unsigned char* p, size_t left) {
  unsigned char b = p[0];
  if (b < 0x80) return 1;
  int len;
  ASUns32 cp;
  if (b >= 0xC2 && b <= 0xDF) { len = 2; cp = b & 0x1F; }
  else if (b >= 0xE0 && b <= 0xEF) { len = 3; cp = b & 0x0F; }
  else if (b >= 0xF0 && b <= 0xF4) { len = 4; cp = b & 0x07; }
  else return 0;
  if ((size_t)len > left) return 0;
  for (int i = 1; i < len; ++i) {
    if (!IsContinuation(p[i])) return 0;
    cp = (cp << 6) | (p[i] & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return 0;
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return len;
}

ASUns32 DecodeValid(const unsigned char* p, int len) {
  if (len == 1) return p[0];
  ASUns32 cp = p[0] & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  for (int i = 1; i < len; ++i) cp = (cp << 6) | (p[i] & 0x3F);
  return cp;
}

// Copies UTF-8, bad bytes as '?', never cutting a sequence; returns bytes written.
ASInt32 CopyValidatedUTF8(const unsigned char* src, size_t srcLen, char* dst, size_t room) {
  size_t in = 0, out = 0;
  while (in < srcLen) {
    int len = ValidSequence(src + in, srcLen - in);
    if (len == 0) {
      if (out + 1 > room) break;
      dst[out++] = '?';
      ++in;
      continue;
    }
    if (out + (size_t)len > room) break;
    std::memcpy(dst + out, src + in, (size_t)len);
    out += (size_t)len;
    in += (size_t)len;
  }
  return (ASInt32)out;
}

int EncodeUTF8(ASUns32 cp, char* out) {
  if (cp < 0x80) { out[0] = (char)cp; return 1; }
  if (cp < 0x800) { out[0] = (char)(0xC0 | (cp >> 6)); out[1] = (char)(0x80 | (cp & 0x3F)); return 2; }
  if (cp < 0x10000) {
    out[0] = (char)(0xE0 | (cp >> 12));
    out[1] = (char)(0x80 | ((cp >> 6) & 0x3F));
    out[2] = (char)(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = (char)(0xF0 | (cp >> 18));
  out[1] = (char)(0x80 | ((cp >> 12) & 0x3F));
  out[2] = (char)(0x80 | ((cp >> 6) & 0x3F));
  out[3] = (char)(0x80 | (cp & 0x3F));
  return 4;
}

// Platform Unicode (host order, `units` units) to UTF-8; unpaired surrogates become '?'.
ASInt32 UnicodeToUTF8(const ASUns16* src, size_t units, char* dst, size_t room) {
  size_t i = 0, out = 0;
  while (i < units) {
    ASUns32 u = src[i];
    size_t used = 1;
    ASUns32 cp = u;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 < units && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((u - 0xD800) << 10) + (src[i + 1] - 0xDC00);
        used = 2;
      } else {
        cp = '?';
      }
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      cp = '?';
    }
    char buf[4];
    int n = EncodeUTF8(cp, buf);
    if (out + (size_t)n > room) break;
    std::memcpy(dst + out, buf, (size_t)n);
    out += (size_t)n;
    i += used;
  }
  return (ASInt32)out;
}

// UTF-8 to platform Unicode, bad bytes as '?'; never splits a surrogate pair.
// Returns units written.
ASInt32 UTF8ToUnicode(const unsigned char* src, size_t srcLen, ASUns16* dst, size_t roomUnits) {
  size_t in = 0, out = 0;
  while (in < srcLen) {
    int len = ValidSequence(src + in, srcLen - in);
    ASUns32 cp = len ? DecodeValid(src + in, len) : '?';
    size_t need = cp >= 0x10000 ? 2 : 1;
    if (out + need > roomUnits) break;
    if (need == 2) {
      cp -= 0x10000;
      dst[out++] = (ASUns16)(0xD800 + (cp >> 10));
      dst[out++] = (ASUns16)(0xDC00 + (cp & 0x3FF));
    } else {
      dst[out++] = (ASUns16)cp;
    }
    in += len ? (size_t)len : 1;
  }
  return (ASInt32)out;
}

size_t UnitsToZero(const ASUns16* p) {
  size_t n = 0;
  while (p[n]) ++n;
  return n;
}

}  // namespace

SMacTextMetricDesc* NewMacTextMetricDesc() {
  SMacTextMetricDesc* d = static_cast<SMacTextMetricDesc*>(ASmallocWithException(sizeof(SMacTextMetricDesc)));
  std::memset(d, 0, sizeof *d);
  return d;
}

void DestroyMacTextMetricDesc(SMacTextMetricDesc* desc) {
  if (!desc) return;
  if (desc->measuring && desc->destroyMeasuring) desc->destroyMeasuring(desc->measuring);
  ASfree(desc);
}

ASBool MacTextMetricConvertToLocalEncoding(SMacTextMetricDesc*, const void* src, char* dst, ASInt32 srcLength,
                                           ASInt32 dstMax, ASInt32* dstLength, ASUns32 flags) {
  if (dstLength) *dstLength = 0;
  if (flags & kMacTextFlagMacRoman) {
    MacTextMetricReportProblem("Unexpected request 1");
    return 0;
  }
  if (!src || !dst || srcLength < 0 || dstMax < 0) return 0;
  ASInt32 n;
  if (flags & kMacTextFlagPlatformUnicode)
    n = UnicodeToUTF8(static_cast<const ASUns16*>(src), (size_t)srcLength / 2, dst, (size_t)dstMax);
  else
    n = CopyValidatedUTF8(static_cast<const unsigned char*>(src), (size_t)srcLength, dst, (size_t)dstMax);
  if (dstLength) *dstLength = n;
  return 1;
}

ASBool MacTextMetricConvertToLocalEncodingTerm(SMacTextMetricDesc* desc, const void* src, char* dst,
                                               ASInt32 dstSize, ASUns32 flags) {
  if (!dst || dstSize < 1) return 0;
  dst[0] = 0;
  if (!src) return 0;
  ASInt32 srcLength = (flags & kMacTextFlagPlatformUnicode)
                          ? (ASInt32)(UnitsToZero(static_cast<const ASUns16*>(src)) * 2)
                          : (ASInt32)std::strlen(static_cast<const char*>(src));
  ASInt32 n = 0;
  if (!MacTextMetricConvertToLocalEncoding(desc, src, dst, srcLength, dstSize - 1, &n, flags)) return 0;
  dst[n] = 0;
  return 1;
}

ASBool MacTextMetricConvertFromLocalEncoding(SMacTextMetricDesc*, const char* src, void* dst, ASInt32 srcLength,
                                             ASInt32 dstMax, ASInt32* dstLength, ASUns32 flags) {
  if (dstLength) *dstLength = 0;
  if (flags & kMacTextFlagMacRoman) {
    MacTextMetricReportProblem("Unexpected request 2");
    return 0;
  }
  if (!src || !dst || srcLength < 0 || dstMax < 0) return 0;
  ASInt32 n;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
  if (flags & kMacTextFlagPlatformUnicode)
    n = 2 * UTF8ToUnicode(s, (size_t)srcLength, static_cast<ASUns16*>(dst), (size_t)dstMax / 2);
  else
    n = CopyValidatedUTF8(s, (size_t)srcLength, static_cast<char*>(dst), (size_t)dstMax);
  if (dstLength) *dstLength = n;
  return 1;
}

ASBool MacTextMetricConvertFromLocalEncodingTerm(SMacTextMetricDesc* desc, const char* src, void* dst,
                                                 ASInt32 dstSize, ASUns32 flags) {
  bool wide = flags & kMacTextFlagPlatformUnicode;
  ASInt32 term = wide ? 2 : 1;
  if (!dst || dstSize < term) return 0;
  std::memset(dst, 0, (size_t)term);
  if (!src) return 0;
  ASInt32 n = 0;
  if (!MacTextMetricConvertFromLocalEncoding(desc, src, dst, (ASInt32)std::strlen(src), dstSize - term, &n, flags))
    return 0;
  std::memset(static_cast<char*>(dst) + n, 0, (size_t)term);
  return 1;
}

ASBool MacTextMetricToUnicode(SMacTextMetricDesc*, const void* text, ASUns16* out, ASInt32 outBytes,
                              ASInt32* units, ASUns32 flags) {
  if (units) *units = 0;
  if (!text || !out || outBytes < 0) return 0;
  size_t room = (size_t)outBytes / 2;
  ASInt32 n;
  if (flags & kMacTextFlagPlatformUnicode) {
    const ASUns16* s = static_cast<const ASUns16*>(text);
    size_t len = UnitsToZero(s);
    if (len > room) len = room;
    if (len > 0 && len < UnitsToZero(s) && s[len - 1] >= 0xD800 && s[len - 1] <= 0xDBFF) --len;
    std::memcpy(out, s, len * 2);
    n = (ASInt32)len;
  } else if (flags & kMacTextFlagMacRoman) {
    MacTextMetricReportProblem("Unexpected request 2");
    return 0;
  } else {
    // UTF-8 and the local encoding are the same bytes here.
    const unsigned char* s = static_cast<const unsigned char*>(text);
    n = UTF8ToUnicode(s, std::strlen(static_cast<const char*>(text)), out, room);
  }
  if (units) *units = n;
  return 1;
}

void MacTextMetricReportProblem(const char* text) {
  if (gProblemsSilenced) return;
  std::string msg(text ? text : "");
  CutUTF8(msg, 205);
  msg += "\nClick OK or Cancel to Continue. If you click Cancel, we will stop producing these messages.";
  if (!ConfirmMessageUTF8(msg.c_str(), 1)) gProblemsSilenced = true;
}

void MacTextMetricReportMacOSProblem(const char* where, ASInt32 error) {
  char buf[300];
  std::snprintf(buf, sizeof buf, "Text metric error: %s returned MacOS error %d", where ? where : "?", (int)error);
  MacTextMetricReportProblem(buf);
}
