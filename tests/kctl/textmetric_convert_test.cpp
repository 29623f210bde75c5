#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacTextMetric.h"

namespace {

struct Desc {
  SMacTextMetricDesc* d = NewMacTextMetricDesc();
  ~Desc() { DestroyMacTextMetricDesc(d); }
};

}  // namespace

TEST(MacTextMetricConvert, LocalEncodingIsValidatedUTF8) {
  Desc desc;
  char out[32];
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // the local encoding holds any character
      {"a\xC0\x80z", "a?z"},   // a bad sequence is one replacement
      {"\xED\xA0\x80", "?"},    // encoded surrogate
      {"\xE2\x82", "?"},         // cut off by the end of the text
      {"a\x80\x80z", "a??z"},  // stray continuation bytes, one each
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(MacTextMetricConvertToLocalEncodingTerm(desc.d, c.in.c_str(), out, sizeof out, kMacTextFlagUTF8));
    EXPECT_EQ(c.out, out);
    ASSERT_TRUE(MacTextMetricConvertFromLocalEncodingTerm(desc.d, c.in.c_str(), out, sizeof out, kMacTextFlagUTF8));
    EXPECT_EQ(c.out, out);
  }
}

TEST(MacTextMetricConvert, CutsOnlyAtCharacterBoundaries) {
  Desc desc;
  const char* text = "ab\xE2\x82\xAC";
  for (int size = 1; size <= 7; ++size) {
    char out[8];
    std::memset(out, 0x55, sizeof out);
    ASSERT_TRUE(MacTextMetricConvertToLocalEncodingTerm(desc.d, text, out, size, kMacTextFlagUTF8));
    std::string got = out;
    EXPECT_LE((int)got.size(), size - 1);
    EXPECT_EQ(std::string(text).substr(0, got.size()), got);
    EXPECT_TRUE(got.size() == 0 || got.size() == 1 || got.size() == 2 || got.size() == 5) << size;
  }
}

TEST(MacTextMetricConvert, UTF16BothWays) {
  Desc desc;
  const ASUns16 units[] = {0x41, 0xD83D, 0xDE00, 0xDC00, 0x42, 0};
  char out[16];
  ASSERT_TRUE(MacTextMetricConvertToLocalEncodingTerm(desc.d, units, out, sizeof out, kMacTextFlagPlatformUnicode));
  EXPECT_STREQ("A\xF0\x9F\x98\x80?B", out);

  ASUns16 back[8];
  ASSERT_TRUE(MacTextMetricConvertFromLocalEncodingTerm(desc.d, "A\xF0\x9F\x98\x80", back, sizeof back,
                                                        kMacTextFlagPlatformUnicode));
  EXPECT_EQ(0x41, back[0]);
  EXPECT_EQ(0xD83D, back[1]);
  EXPECT_EQ(0xDE00, back[2]);
  EXPECT_EQ(0, back[3]);
  // Room for two units and the terminator: the pair is not split.
  ASSERT_TRUE(MacTextMetricConvertFromLocalEncodingTerm(desc.d, "A\xF0\x9F\x98\x80", back, 6,
                                                        kMacTextFlagPlatformUnicode));
  EXPECT_EQ(0x41, back[0]);
  EXPECT_EQ(0, back[1]);

  ASInt32 n = 0;
  ASSERT_TRUE(MacTextMetricToUnicode(desc.d, "x\xC3\x9F", back, sizeof back, &n, kMacTextFlagUTF8));
  EXPECT_EQ(2, n);
  EXPECT_EQ(0xDF, back[1]);
}

TEST(MacTextMetricConvert, MacRomanIsRefusedAndSizesAreRespected) {
  Desc desc;
  char out[8] = "keep";
  EXPECT_FALSE(MacTextMetricConvertToLocalEncodingTerm(desc.d, "x", out, 0, kMacTextFlagUTF8));
  EXPECT_STREQ("keep", out) << "size 0 writes nothing";
  EXPECT_TRUE(MacIsUnderOSX());
  DestroyMacTextMetricDesc(nullptr);
}
