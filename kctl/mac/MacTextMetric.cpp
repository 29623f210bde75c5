#include "kctl/mac/MacTextMetric.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "foundation/Alerts.h"
#include "foundation/MFUtil.h"
#include "foundation/TextConv.h"
#include "foundation/TextCut.h"

namespace {

bool gProblemsSilenced = false;

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
  // The local encoding is UTF-8: the foundation's codec does the work.
  ASInt32 n;
  if (flags & kMacTextFlagPlatformUnicode)
    n = PlatformUnicodeToUTF8(static_cast<const ASUns16*>(src), dst, srcLength, dstMax);
  else
    n = UTF8ToPlatformNative(static_cast<const char*>(src), dst, srcLength, dstMax, '?');
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
  if (flags & kMacTextFlagPlatformUnicode)
    n = UTF8ToPlatformUnicode(src, static_cast<ASUns16*>(dst), srcLength, dstMax, '?');
  else
    n = PlatformNativeToUTF8(src, static_cast<char*>(dst), srcLength, dstMax, '?');
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
    const char* s = static_cast<const char*>(text);
    n = UTF8ToPlatformUnicode(s, out, (ASInt32)std::strlen(s), (ASInt32)(room * 2), '?') / 2;
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

void MacTextMetricForgetSilence() { gProblemsSilenced = false; }

void MacTextMetricReportMacOSProblem(const char* where, ASInt32 error) {
  char buf[300];
  std::snprintf(buf, sizeof buf, "Text metric error: %s returned MacOS error %d", where ? where : "?", (int)error);
  MacTextMetricReportProblem(buf);
}
