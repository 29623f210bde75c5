// The measuring half of the text metrics: the theme road, the text-layout
// road and the classic road, all on the platform's font model.
#include <cstring>

#include "foundation/Scratch.h"
#include "kctl/mac/MacTextMetric.h"
#include "platform/Pf.h"

namespace {

// Mac Roman's upper half in Unicode: measured texts may come in it.
const ASUns16 kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

EPfFont FontOf(ASUns32 flags) { return (flags & kMacTextFlagSmallFont) ? kPfSmallSystemFont : kPfSystemFont; }

// A platform string of a terminated text in the encoding the flags name; null
// when the text forms none.
PfStringRef MakeString(const void* text, ASUns32 flags) {
  if (!text) return nullptr;
  if (flags & kMacTextFlagPlatformUnicode) return PfStringCreateWithUTF16(static_cast<const uint16_t*>(text), -1);
  const unsigned char* s = static_cast<const unsigned char*>(text);
  if (flags & kMacTextFlagMacRoman) {
    size_t n = std::strlen((const char*)s);
    KScratch<2048> units((n + 1) * sizeof(uint16_t));
    uint16_t* u = reinterpret_cast<uint16_t*>(units.data());
    for (size_t i = 0; i < n; ++i) u[i] = s[i] < 0x80 ? s[i] : kMacRomanHigh[s[i] - 0x80];
    return PfStringCreateWithUTF16(u, (int32_t)n);
  }
  // UTF-8 and the local encoding are the same bytes here.
  return PfStringCreateWithUTF8((const char*)s, -1);
}

bool HasLineBreak(const void* text, ASUns32 flags) {
  if (!text) return false;
  if (flags & kMacTextFlagPlatformUnicode) {
    for (const ASUns16* u = static_cast<const ASUns16*>(text); *u; ++u)
      if (*u == '\n' || *u == '\r') return true;
    return false;
  }
  const char* s = static_cast<const char*>(text);
  return std::strchr(s, '\n') || std::strchr(s, '\r');
}

// The measuring context's own port: a hidden window, made on first use.
struct Measuring {
  PfWindowRef port;
};

void DestroyMeasuring(void* m) {
  auto* measuring = static_cast<Measuring*>(m);
  PfDisposeWindow(measuring->port);
  delete measuring;
}

PfWindowRef PortOf(SMacTextMetricDesc* desc) {
  static PfWindowRef shared = nullptr;
  if (!desc) {
    // Without a context the measuring still needs a port; one is kept for the process.
    if (!PfIsValidWindow(shared)) shared = PfNewWindow(PfSetRect(0, 0, 1, 1), "", false, kPfPlainDialogProc, false, false, 0);
    return shared;
  }
  if (!desc->measuring) {
    auto* m = new Measuring;
    m->port = PfNewWindow(PfSetRect(0, 0, 1, 1), "", false, kPfPlainDialogProc, false, false, 0);
    desc->measuring = m;
    desc->destroyMeasuring = DestroyMeasuring;
  }
  auto* m = static_cast<Measuring*>(desc->measuring);
  if (!PfIsValidWindow(m->port))
    m->port = PfNewWindow(PfSetRect(0, 0, 1, 1), "", false, kPfPlainDialogProc, false, false, 0);
  return m->port;
}

// Classic measuring happens in the context's port with the system font.
class ClassicPort {
 public:
  explicit ClassicPort(SMacTextMetricDesc* desc) : saved_(PfGetPort()) {
    PfSetPort(PortOf(desc));
    PfTextFont(kPfApplicationFont);
  }
  ~ClassicPort() { PfSetPort(saved_); }
  ClassicPort(const ClassicPort&) = delete;
  ClassicPort& operator=(const ClassicPort&) = delete;

 private:
  PfWindowRef saved_;
};

bool LayoutOf(SMacTextMetricDesc* desc, const void* text, ASUns32 flags, KScratch<4096>& units, ASInt32* count,
              PfTextLayoutRef* layout) {
  ASUns16* u = reinterpret_cast<ASUns16*>(units.data());
  if (!MacTextMetricToUnicode(desc, text, u, (ASInt32)units.size(), count, flags)) return false;
  return PfTextLayoutCreate(u, *count, FontOf(flags), layout) == kPfNoErr;
}

}  // namespace

ASInt32 GetMacThemeTextMetrics(const void* text, ASUns32 flags, ASInt32* width, ASInt32* height, ASInt32 wrapWidth) {
  PfStringRef s = MakeString(text, flags);
  if (!s) return 0;
  EPfFont font = FontOf(flags);
  int32_t w = 0, h = 0;
  PfErr err;
  if (wrapWidth < 1) {
    err = PfThemeTextDimensions(s, font, 0, &w, &h, nullptr);
  } else if (!HasLineBreak(text, flags)) {
    err = PfThemeTextDimensions(s, font, wrapWidth + 1, &w, &h, nullptr);
  } else {
    err = PfThemeTextDimensions(s, font, 0, &w, &h, nullptr);
    if (!err && w >= wrapWidth) err = PfThemeTextDimensions(s, font, wrapWidth + 1, &w, &h, nullptr);
  }
  PfStringRelease(s);
  if (err) return 0;
  if (width) *width = w > 1 ? w - 1 : 0;
  if (height) *height = h;
  return 1;
}

ASInt32 GetMacTextMetricsSingleLine(SMacTextMetricDesc* desc, const void* text, ASUns32 flags, ASInt32* width,
                                    ASInt32* height) {
  ASInt32 w = 0, h = 0;
  if (flags & kMacTextFlagClassicMeasure) {
    if (text) {
      KScratch<8000> local(8000);
      if (!MacTextMetricConvertToLocalEncodingTerm(desc, text, local.data(), 8000, flags)) return 0;
      ClassicPort port(desc);
      PfFontInfo fi;
      PfGetFontInfo(&fi);
      w = PfTextWidth(local.data(), 0, (int32_t)std::strlen(local.data())) + 1;
      h = fi.ascent + fi.descent;
    }
  } else if (!GetMacThemeTextMetrics(text, flags, &w, &h, 0)) {
    KScratch<4096> units(2000 * sizeof(ASUns16));
    ASInt32 count = 0;
    PfTextLayoutRef layout = nullptr;
    if (!LayoutOf(desc, text, flags, units, &count, &layout)) return 0;
    int32_t lw = 0, ascent = 0, descent = 0;
    PfErr err = PfTextLayoutMeasure(layout, &lw, &ascent, &descent);
    PfTextLayoutDispose(layout);
    if (err) {
      MacTextMetricReportMacOSProblem("ATSUGetUnjustifiedBounds", err);
      return 0;
    }
    w = lw;
    h = ascent + descent;
  }
  if (width) *width = w;
  if (height) *height = h;
  return 1;
}

ASInt32 GetMacTextMetricsTextBlock(SMacTextMetricDesc* desc, const void* text, ASUns32 flags, ASInt32 maxWidth,
                                   ASInt32* width, ASInt32* height, ASInt16* wrapped) {
  if (!text) return 0;
  bool breaks = HasLineBreak(text, flags);
  if (!breaks) {
    ASInt32 sw = 0, sh = 0;
    if (!GetMacTextMetricsSingleLine(desc, text, flags, &sw, &sh)) return 0;
    if (maxWidth >= sw || maxWidth < 30) {
      if (width) *width = sw;
      if (height) *height = sh;
      if (wrapped) *wrapped = 0;
      return 1;
    }
  } else if (maxWidth > 9000) {
    // No limit to speak of: the explicit lines, as wide as the widest.
    PfStringRef s = MakeString(text, flags);
    if (!s) return 0;
    int32_t w = 0, h = 0;
    PfErr err = PfThemeTextDimensions(s, FontOf(flags), 0, &w, &h, nullptr);
    PfStringRelease(s);
    if (err) return 0;
    if (width) *width = w > 1 ? w - 1 : 0;
    if (height) *height = h;
    if (wrapped) *wrapped = 1;
    return 1;
  }
  ASInt32 lines = 0;
  if (flags & kMacTextFlagClassicMeasure) {
    KScratch<8000> local(8000);
    if (!MacTextMetricConvertToLocalEncodingTerm(desc, text, local.data(), 8000, flags)) return 0;
    ClassicPort port(desc);
    int32_t counted = 0;
    PfErr err = PfCountLinesInBlock(local.data(), (int32_t)std::strlen(local.data()), maxWidth, &counted);
    if (err) {
      MacTextMetricReportMacOSProblem("MacTextMetricQuickDrawCountLinesInBlock", err);
      return 0;
    }
    lines = counted;
  } else {
    ASInt32 tw = 0, th = 0;
    if (GetMacThemeTextMetrics(text, flags, &tw, &th, maxWidth)) {
      if (width) *width = tw;
      if (height) *height = th;
      if (wrapped) *wrapped = 1;
      return 1;
    }
    KScratch<4096> units(2000 * sizeof(ASUns16));
    ASInt32 count = 0;
    PfTextLayoutRef layout = nullptr;
    if (!LayoutOf(desc, text, flags, units, &count, &layout)) return 0;
    int32_t start = 0;
    while (start < count) {
      int32_t next = start;
      PfErr err = PfTextLayoutBreakLine(layout, start, maxWidth, &next);
      if (err) {
        PfTextLayoutDispose(layout);
        MacTextMetricReportMacOSProblem("GetATSLines:ATSUBreakLine", err);
        return 0;
      }
      if (next <= start) {
        PfTextLayoutDispose(layout);
        MacTextMetricReportProblem("GetATSLines:ATSUBreakLine looping");
        return 0;
      }
      start = next;
      ++lines;
    }
    PfTextLayoutDispose(layout);
    if (lines == 0) lines = 1;
  }
  PfFontInfo fi;
  PfFontGetInfo(kPfSystemFont, &fi);
  if (width) *width = maxWidth;
  if (height) *height = lines * (fi.ascent + fi.descent) + (lines - 1) * fi.leading;
  if (wrapped) *wrapped = 1;
  return 1;
}
