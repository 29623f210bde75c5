#include "platform/PfFont.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/PfInternal.h"

namespace {

enum CharClass { kControl, kSpace, kNarrow, kMedium, kDigit, kLower, kUpper, kWide, kPunct, kMark, kIdeograph, kOther };

CharClass Classify(uint32_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return kControl;
  if (c == ' ' || c == 0xA0) return kSpace;
  if (c < 0x80) {
    if (std::strchr("ijl!|.,:;'`I", (int)c)) return kNarrow;
    if (std::strchr("ftr()[]{}/\\-\"*", (int)c)) return kMedium;
    if (c >= '0' && c <= '9') return kDigit;
    if (std::strchr("mwMW@%&", (int)c)) return kWide;
    if (c >= 'a' && c <= 'z') return kLower;
    if (c >= 'A' && c <= 'Z') return kUpper;
    return kPunct;
  }
  if ((c >= 0x300 && c <= 0x36F) || (c >= 0x200B && c <= 0x200F) || c == 0xFEFF) return kMark;
  if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF))
    return kIdeograph;
  return kOther;
}

//                               ctl sp  nar med dig low upp wide pun mark ideo other
const int32_t kSystemAdv[12] = {0, 4, 3, 5, 7, 7, 9, 11, 7, 0, 13, 8};
const int32_t kSmallAdv[12] = {0, 3, 2, 4, 6, 6, 7, 9, 6, 0, 11, 7};

const PfFontInfo kSystemInfo = {12, 3, 13, 2};
const PfFontInfo kSmallInfo = {10, 3, 11, 1};

bool Small(EPfFont font) { return font == kPfSmallSystemFont; }

struct Glyph {
  uint32_t cp;
  size_t offset;  // where the character starts in the caller's units
};

bool IsBlank(uint32_t c) { return c == ' ' || c == '\t' || c == 0xA0 || c == 0x3000; }
bool IsBreak(uint32_t c) { return c == '\n' || c == '\r'; }

// Breaks glyphs[start..] into one line at maxWidth (<= 0: no width limit).
// Returns the index where the next line starts; *lineEnd the index after the
// last glyph shown on the line.
size_t BreakGlyphs(EPfFont font, const std::vector<Glyph>& g, size_t start, int32_t maxWidth, size_t* lineEnd) {
  size_t n = g.size();
  int32_t width = 0;
  size_t breakEnd = 0, breakNext = 0;
  bool haveBreak = false;
  size_t i = start;
  while (i < n) {
    uint32_t c = g[i].cp;
    if (IsBreak(c)) {
      *lineEnd = i;
      size_t next = i + 1;
      if (c == '\r' && next < n && g[next].cp == '\n') ++next;
      return next;
    }
    if (IsBlank(c)) {
      // Blanks may hang past the edge; the line may break after them.
      size_t runStart = i;
      while (i < n && IsBlank(g[i].cp)) {
        width += PfCharAdvance(font, g[i].cp);
        ++i;
      }
      haveBreak = true;
      breakEnd = runStart;
      breakNext = i;
      continue;
    }
    bool ideo = Classify(c) == kIdeograph;
    if (ideo && i > start) {
      haveBreak = true;
      breakEnd = i;
      breakNext = i;
    }
    int32_t adv = PfCharAdvance(font, c);
    if (maxWidth > 0 && width + adv > maxWidth && i > start) {
      if (haveBreak && breakNext > start) {
        *lineEnd = breakEnd;
        return breakNext;
      }
      *lineEnd = i;
      return i;
    }
    width += adv;
    ++i;
  }
  *lineEnd = n;
  return n;
}

int32_t WidthOf(EPfFont font, const std::vector<Glyph>& g, size_t from, size_t to) {
  int32_t w = 0;
  for (size_t i = from; i < to; ++i) w += PfCharAdvance(font, g[i].cp);
  return w;
}

std::vector<Glyph> FromUTF8(const char* text, size_t length) {
  std::vector<Glyph> g;
  size_t pos = 0;
  while (pos < length) {
    size_t at = pos;
    uint32_t cp = PfUTF8Next(text, length, &pos);
    g.push_back(Glyph{cp, at});
  }
  return g;
}

void BlockOf(EPfFont font, const std::vector<Glyph>& g, int32_t maxWidth, int32_t* lines, int32_t* widest) {
  int32_t count = 0, wide = 0;
  size_t start = 0;
  bool endedOnBreak = false;
  while (start < g.size()) {
    size_t end;
    size_t next = BreakGlyphs(font, g, start, maxWidth, &end);
    wide = std::max(wide, WidthOf(font, g, start, end));
    ++count;
    endedOnBreak = next > end && end < g.size() && IsBreak(g[end].cp);
    start = next;
  }
  if (count == 0 || endedOnBreak) ++count;
  *lines = count;
  *widest = wide;
}

}  // namespace

void PfFontGetInfo(EPfFont font, PfFontInfo* info) {
  if (info) *info = Small(font) ? kSmallInfo : kSystemInfo;
}

int32_t PfFontLineHeight(EPfFont font) {
  const PfFontInfo& i = Small(font) ? kSmallInfo : kSystemInfo;
  return i.ascent + i.descent + i.leading;
}

int32_t PfCharAdvance(EPfFont font, uint32_t codePoint) {
  return (Small(font) ? kSmallAdv : kSystemAdv)[Classify(codePoint)];
}

int32_t PfMeasureUTF8(EPfFont font, const char* text, size_t length) {
  if (!text) return 0;
  int32_t w = 0;
  size_t pos = 0;
  while (pos < length) w += PfCharAdvance(font, PfUTF8Next(text, length, &pos));
  return w;
}

size_t PfBreakLineUTF8(EPfFont font, const char* text, size_t length, int32_t maxWidth, size_t* lineLength) {
  std::vector<Glyph> g = FromUTF8(text, length);
  if (g.empty()) {
    if (lineLength) *lineLength = 0;
    return 0;
  }
  size_t end;
  size_t next = BreakGlyphs(font, g, 0, maxWidth, &end);
  if (lineLength) *lineLength = end < g.size() ? g[end].offset : length;
  return next < g.size() ? g[next].offset : length;
}

int32_t PfMeasureBlockUTF8(EPfFont font, const char* text, size_t length, int32_t maxWidth, int32_t* width,
                           int32_t* height) {
  std::vector<Glyph> g = FromUTF8(text ? text : "", text ? length : 0);
  int32_t lines, widest;
  BlockOf(font, g, maxWidth, &lines, &widest);
  const PfFontInfo& i = Small(font) ? kSmallInfo : kSystemInfo;
  if (width) *width = widest;
  if (height) *height = lines * (i.ascent + i.descent) + (lines - 1) * i.leading;
  return lines;
}

PfErr PfThemeTextDimensions(PfStringRef text, EPfFont font, int32_t wrapWidth, int32_t* width, int32_t* height,
                            int32_t* baseline) {
  if (!text) return kPfErrParam;
  int32_t w, h;
  int32_t lines = PfMeasureBlockUTF8(font, PfStringGetUTF8(text), (size_t)PfStringGetUTF8Length(text),
                                     wrapWidth > 0 ? wrapWidth : 0, &w, &h);
  // A text wrapped into several lines fills its box.
  if (width) *width = (wrapWidth > 0 && lines > 1) ? wrapWidth : w + 1;
  if (height) *height = h;
  if (baseline) *baseline = -(Small(font) ? kSmallInfo : kSystemInfo).descent;
  return kPfNoErr;
}

struct PfTextLayoutRec {
  EPfFont font;
  std::vector<Glyph> glyphs;
  int32_t units;
};

PfErr PfTextLayoutCreate(const uint16_t* units, int32_t count, EPfFont font, PfTextLayoutRef* layout) {
  if (!layout || !units || count < 0) return kPfErrParam;
  *layout = nullptr;
  auto* l = new PfTextLayoutRec;
  l->font = font;
  l->units = count;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t cp = units[i];
    size_t at = (size_t)i;
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    l->glyphs.push_back(Glyph{cp, at});
  }
  *layout = l;
  return kPfNoErr;
}

void PfTextLayoutDispose(PfTextLayoutRef layout) { delete layout; }
int32_t PfTextLayoutLength(PfTextLayoutRef layout) { return layout ? layout->units : 0; }

PfErr PfTextLayoutMeasure(PfTextLayoutRef layout, int32_t* width, int32_t* ascent, int32_t* descent) {
  if (!layout) return kPfErrParam;
  const PfFontInfo& i = Small(layout->font) ? kSmallInfo : kSystemInfo;
  if (width) *width = WidthOf(layout->font, layout->glyphs, 0, layout->glyphs.size());
  if (ascent) *ascent = i.ascent;
  if (descent) *descent = i.descent;
  return kPfNoErr;
}

PfErr PfTextLayoutBreakLine(PfTextLayoutRef layout, int32_t start, int32_t width, int32_t* nextStart) {
  if (!layout || !nextStart || start < 0 || start > layout->units) return kPfErrParam;
  if (width <= 0) return kPfErrTextLayout;
  const auto& g = layout->glyphs;
  size_t first = 0;
  while (first < g.size() && (int32_t)g[first].offset < start) ++first;
  if (first >= g.size()) {
    *nextStart = layout->units;
    return kPfNoErr;
  }
  size_t end;
  size_t next = BreakGlyphs(layout->font, g, first, width, &end);
  *nextStart = next < g.size() ? (int32_t)g[next].offset : layout->units;
  return kPfNoErr;
}

int32_t PfTextWidth(const char* bytes, int32_t offset, int32_t length) {
  if (!bytes || offset < 0 || length <= 0) return 0;
  return PfMeasureUTF8(PfGetTextFont(), bytes + offset, (size_t)length);
}

void PfGetFontInfo(PfFontInfo* info) { PfFontGetInfo(PfGetTextFont(), info); }

PfErr PfCountLinesInBlock(const char* bytes, int32_t length, int32_t width, int32_t* lines) {
  if (!bytes || length < 0 || !lines) return kPfErrParam;
  if (width <= 0) return kPfErrParam;
  int32_t widest;
  std::vector<Glyph> g = FromUTF8(bytes, (size_t)length);
  BlockOf(PfGetTextFont(), g, width, lines, &widest);
  return kPfNoErr;
}
