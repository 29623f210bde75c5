#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

namespace {

int32_t W(const char* s, EPfFont f = kPfSystemFont) { return PfMeasureUTF8(f, s, std::strlen(s)); }

TEST(FontModel, AdvancesByCharacterClass) {
  struct Case {
    uint32_t cp;
    int32_t system;
    int32_t small;
  } cases[] = {
      {' ', 4, 3},    {'i', 3, 2},    {'t', 5, 4},     {'5', 7, 6},    {'a', 7, 6},    {'A', 9, 7},
      {'M', 11, 9},   {'#', 7, 6},    {0x301, 0, 0},   {0x4E2D, 13, 11}, {0xE9, 8, 7},  {'\n', 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.system, PfCharAdvance(kPfSystemFont, c.cp)) << c.cp;
    EXPECT_EQ(c.small, PfCharAdvance(kPfSmallSystemFont, c.cp)) << c.cp;
  }
  EXPECT_EQ(PfCharAdvance(kPfSystemFont, 'x'), PfCharAdvance(kPfApplicationFont, 'x'));
}

TEST(FontModel, MetricsAreFixedPerFont) {
  PfFontInfo s, m;
  PfFontGetInfo(kPfSystemFont, &s);
  PfFontGetInfo(kPfSmallSystemFont, &m);
  EXPECT_EQ(12, s.ascent);
  EXPECT_EQ(3, s.descent);
  EXPECT_EQ(2, s.leading);
  EXPECT_EQ(17, PfFontLineHeight(kPfSystemFont));
  EXPECT_LT(m.ascent, s.ascent);
}

TEST(FontModel, LinesBreakAtBlanksAndInsideOverlongWords) {
  const char* text = "one two three";
  // "one two" is 7+5+7+4+5+7+7 = ... measured, then the break goes after "two ".
  int32_t oneTwo = W("one two");
  size_t shown = 0;
  size_t next = PfBreakLineUTF8(kPfSystemFont, text, std::strlen(text), oneTwo + 3, &shown);
  EXPECT_EQ(std::string("one two"), std::string(text, shown));
  EXPECT_EQ(8u, next);
  // A word wider than the line is broken inside, at least one character a line.
  next = PfBreakLineUTF8(kPfSystemFont, "WWWW", 4, 20, &shown);
  EXPECT_EQ(1u, shown);
  EXPECT_EQ(1u, next);
  next = PfBreakLineUTF8(kPfSystemFont, "WWWW", 4, 1, &shown);
  EXPECT_EQ(1u, next) << "a line never stays empty";
  // Explicit breaks, CR LF as one.
  next = PfBreakLineUTF8(kPfSystemFont, "ab\r\ncd", 6, 0, &shown);
  EXPECT_EQ(2u, shown);
  EXPECT_EQ(4u, next);
}

TEST(FontModel, BreaksNeverSplitACharacter) {
  std::string text = "\xC3\xA9\xC3\xA9\xC3\xA9";  // three e-acute, 8 units each
  size_t shown = 0;
  size_t next = PfBreakLineUTF8(kPfSystemFont, text.data(), text.size(), 17, &shown);
  EXPECT_EQ(4u, shown);
  EXPECT_EQ(4u, next);
}

TEST(FontModel, BlockHeightCountsLinesAndLeading) {
  int32_t w, h;
  EXPECT_EQ(1, PfMeasureBlockUTF8(kPfSystemFont, "", 0, 100, &w, &h));
  EXPECT_EQ(0, w);
  EXPECT_EQ(15, h);
  EXPECT_EQ(3, PfMeasureBlockUTF8(kPfSystemFont, "a\nbb\nccc", 8, 0, &w, &h));
  EXPECT_EQ(3 * 15 + 2 * 2, h);
  EXPECT_EQ(W("ccc"), w);
  EXPECT_EQ(2, PfMeasureBlockUTF8(kPfSystemFont, "x\n", 2, 0, &w, &h)) << "a final break opens a line";
}

TEST(FontModel, EveryRoadMeasuresTheSameTextTheSame) {
  const char* samples[] = {"Pages per sheet:", "\xE4\xB8\xAD\xE6\x96\x87 text", "", "W i W"};
  for (const char* s : samples) {
    int32_t plain = W(s);
    PfStringRef str = PfStringCreateWithUTF8(s, -1);
    int32_t tw, th, base;
    ASSERT_EQ(kPfNoErr, PfThemeTextDimensions(str, kPfSystemFont, 0, &tw, &th, &base));
    EXPECT_EQ(plain + 1, tw) << "the theme adds its outline unit";
    EXPECT_EQ(15, th);
    uint16_t units[64];
    int32_t n = PfStringGetUTF16(str, units, 64);
    PfTextLayoutRef layout;
    ASSERT_EQ(kPfNoErr, PfTextLayoutCreate(units, n, kPfSystemFont, &layout));
    int32_t lw, asc, desc;
    PfTextLayoutMeasure(layout, &lw, &asc, &desc);
    EXPECT_EQ(plain, lw);
    PfTextLayoutDispose(layout);
    PfWindowRef w = PfNewWindow(PfSetRect(0, 40, 100, 100), "", false, 0, false, false, 0);
    PfSetPort(w);
    PfTextFont(kPfSystemFont);
    EXPECT_EQ(plain, PfTextWidth(s, 0, (int32_t)std::strlen(s)));
    PfDisposeWindow(w);
    // Twice the same text: the same answer.
    int32_t tw2, th2;
    PfThemeTextDimensions(str, kPfSystemFont, 0, &tw2, &th2, &base);
    EXPECT_EQ(tw, tw2);
    PfStringRelease(str);
  }
}

TEST(FontModel, LayoutAndClassicBreakingAgreeWithTheBlockMeasure) {
  const char* text = "The quick brown fox jumps over the lazy dog";
  int32_t bw, bh;
  int32_t lines = PfMeasureBlockUTF8(kPfSystemFont, text, std::strlen(text), 100, &bw, &bh);
  EXPECT_GT(lines, 2);
  PfStringRef s = PfStringCreateWithUTF8(text, -1);
  uint16_t units[128];
  int32_t n = PfStringGetUTF16(s, units, 128);
  PfTextLayoutRef layout;
  PfTextLayoutCreate(units, n, kPfSystemFont, &layout);
  int32_t start = 0, count = 0;
  while (start < n) {
    int32_t next;
    ASSERT_EQ(kPfNoErr, PfTextLayoutBreakLine(layout, start, 100, &next));
    ASSERT_GT(next, start);
    start = next;
    ++count;
  }
  EXPECT_EQ(lines, count);
  EXPECT_EQ(kPfErrTextLayout, PfTextLayoutBreakLine(layout, 0, 0, &start));
  PfTextLayoutDispose(layout);
  PfWindowRef w = PfNewWindow(PfSetRect(0, 40, 100, 100), "", false, 0, false, false, 0);
  PfSetPort(w);
  int32_t classic = 0;
  ASSERT_EQ(kPfNoErr, PfCountLinesInBlock(text, (int32_t)std::strlen(text), 100, &classic));
  EXPECT_EQ(lines, classic);
  PfDisposeWindow(w);
  int32_t tw, th;
  PfThemeTextDimensions(s, kPfSystemFont, 100, &tw, &th, nullptr);
  EXPECT_EQ(bh, th);
  EXPECT_EQ(100, tw) << "a wrapped block fills its box";
  PfStringRelease(s);
}

}  // namespace
