#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/AVAlert.h"
#include "kctl/mac/MacTextMetric.h"
#include "platform/Pf.h"

namespace {

struct Desc {
  SMacTextMetricDesc* d = NewMacTextMetricDesc();
  ~Desc() { DestroyMacTextMetricDesc(d); }
};

int32_t Width(const char* s, EPfFont f = kPfSystemFont) { return PfMeasureUTF8(f, s, std::strlen(s)); }

constexpr ASInt32 kLine = 12 + 3;  // system font ascent + descent
constexpr ASInt32 kLeading = 2;

TEST(MacTextMetricMeasure, SingleLinesOnEachRoad) {
  Desc desc;
  ASInt32 w = -1, h = -1;
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, "Pages per sheet:", kMacTextFlagUTF8, &w, &h));
  EXPECT_EQ(Width("Pages per sheet:"), w);
  EXPECT_EQ(kLine, h);
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, "Pages per sheet:", kMacTextFlagUTF8 | kMacTextFlagClassicMeasure,
                                           &w, &h));
  EXPECT_EQ(Width("Pages per sheet:") + 1, w) << "the classic road adds its pen unit";
  EXPECT_EQ(kLine, h);
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, "OK", kMacTextFlagUTF8 | kMacTextFlagSmallFont, &w, &h));
  EXPECT_EQ(Width("OK", kPfSmallSystemFont), w);
  EXPECT_EQ(13, h);
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, nullptr, kMacTextFlagClassicMeasure, &w, &h));
  EXPECT_EQ(0, w);
  EXPECT_EQ(0, h);
  const ASUns16 units[] = {'O', 'K', 0};
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, units, kMacTextFlagPlatformUnicode, &w, &h));
  EXPECT_EQ(Width("OK"), w);
  // Mac Roman 0x8E is e-acute: measured as the letter it is.
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, "\x8E", kMacTextFlagMacRoman, &w, &h));
  EXPECT_EQ(Width("\xC3\xA9"), w);
}

TEST(MacTextMetricMeasure, TextThatFormsNoStringIsMeasuredOnTheLayoutRoad) {
  Desc desc;
  ASInt32 w = 0, h = 0;
  EXPECT_EQ(0, GetMacThemeTextMetrics("ab\xFF", kMacTextFlagUTF8, &w, &h, 0));
  ASSERT_EQ(1, GetMacTextMetricsSingleLine(desc.d, "ab\xFF", kMacTextFlagUTF8, &w, &h));
  EXPECT_EQ(Width("ab?"), w) << "the bad byte measures as its replacement";
  EXPECT_EQ(kLine, h);
}

TEST(MacTextMetricMeasure, BlocksFollowTheWidthRules) {
  Desc desc;
  ASInt32 w, h;
  ASInt16 wrapped = -1;
  const char* sentence = "The quick brown fox jumps over the lazy dog";
  ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, sentence, kMacTextFlagUTF8, 20, &w, &h, &wrapped));
  EXPECT_EQ(Width(sentence), w) << "below 30 the single line stands";
  EXPECT_EQ(kLine, h);
  EXPECT_EQ(0, wrapped);
  ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, "Short", kMacTextFlagUTF8, 200, &w, &h, &wrapped));
  EXPECT_EQ(Width("Short"), w) << "a narrow line keeps its own width";
  EXPECT_EQ(0, wrapped);
  // Three lines at width 100, wrapped by the theme or broken by hand on the classic road.
  struct Case {
    const char* text;
    ASUns32 flags;
  } threeLines[] = {{"alpha beta gamma delta epsilon", kMacTextFlagUTF8},
                    {"alpha beta\ngamma delta\nepsilon", kMacTextFlagUTF8 | kMacTextFlagClassicMeasure},
                    {"alpha beta gamma delta epsilon", kMacTextFlagUTF8 | kMacTextFlagClassicMeasure}};
  for (const Case& c : threeLines) {
    ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, c.text, c.flags, 100, &w, &h, &wrapped));
    EXPECT_EQ(100, w) << c.text;
    EXPECT_EQ(3 * kLine + 2 * kLeading, h) << c.text;
    EXPECT_EQ(1, wrapped);
  }
  // Hand-broken lines narrower than the block keep the theme's width.
  ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, "alpha beta\ngamma delta\nepsilon", kMacTextFlagUTF8, 100, &w, &h,
                                          &wrapped));
  EXPECT_EQ(Width("gamma delta"), w);
  EXPECT_EQ(3 * kLine + 2 * kLeading, h);
  // Wrapping makes lines too.
  ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, sentence, kMacTextFlagUTF8, 100, &w, &h, &wrapped));
  int32_t bw, bh;
  PfMeasureBlockUTF8(kPfSystemFont, sentence, std::strlen(sentence), 101, &bw, &bh);
  EXPECT_EQ(bh, h);
  EXPECT_EQ(1, wrapped);
  // Explicit lines measured without a real limit are as wide as the widest.
  ASSERT_EQ(1, GetMacTextMetricsTextBlock(desc.d, "a\nlonger line", kMacTextFlagUTF8, 9999, &w, &h, &wrapped));
  EXPECT_EQ(Width("longer line"), w);
  EXPECT_EQ(2 * kLine + kLeading, h);
}

TEST(MacTextMetricMeasure, TheSameTextMeasuresTheSameEveryTime) {
  const char* texts[] = {"Margins", "Beyond the \xE2\x82\xAC sign", "\xE4\xB8\xAD\xE6\x96\x87 mixed"};
  for (const char* t : texts) {
    ASInt32 w1, h1, w2, h2, w3, h3;
    Desc a, b;
    GetMacTextMetricsTextBlock(a.d, t, kMacTextFlagUTF8, 80, &w1, &h1, nullptr);
    GetMacTextMetricsTextBlock(b.d, t, kMacTextFlagUTF8, 80, &w2, &h2, nullptr);
    GetMacTextMetricsTextBlock(nullptr, t, kMacTextFlagUTF8, 80, &w3, &h3, nullptr);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(h1, h2);
    EXPECT_EQ(w1, w3);
    EXPECT_EQ(h1, h3);
  }
}

TEST(MacTextMetricMeasure, ThemeWrapWidthRules) {
  ASInt32 w, h;
  ASSERT_EQ(1, GetMacThemeTextMetrics("One line", kMacTextFlagUTF8, &w, &h, 0));
  EXPECT_EQ(Width("One line"), w);
  // A line break under the wrap width is measured unwrapped.
  ASSERT_EQ(1, GetMacThemeTextMetrics("ab\ncd", kMacTextFlagUTF8, &w, &h, 200));
  EXPECT_EQ(Width("ab"), w);
  EXPECT_EQ(2 * kLine + kLeading, h);
}

}  // namespace
