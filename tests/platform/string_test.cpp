#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/Pf.h"

namespace {

TEST(Utf8, CutsOnlyAtCharacterBoundaries) {
  const std::string text = "ab\xE2\x82\xAC" "c";  // a b EURO c: the euro sign takes 3 bytes
  struct Case {
    size_t limit;
    size_t expect;
  } cases[] = {{0, 0}, {2, 2}, {3, 2}, {4, 2}, {5, 5}, {6, 6}, {99, 6}};
  for (const Case& c : cases) EXPECT_EQ(c.expect, PfUTF8CutLength(text.data(), text.size(), c.limit)) << c.limit;
  char buf[5];
  EXPECT_EQ(2u, PfUTF8CopyCut(buf, sizeof buf, text.data(), text.size()));
  EXPECT_STREQ("ab", buf);
}

TEST(Utf8, ValidityRejectsMalformedForms) {
  const char* bad[] = {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80", "\xFF"};
  for (const char* b : bad) EXPECT_FALSE(PfUTF8IsValid(b, std::strlen(b))) << b;
  EXPECT_TRUE(PfUTF8IsValid("\xF0\x9F\x98\x80 ok", 7));
  EXPECT_EQ(nullptr, PfStringCreateWithUTF8("\xC3", -1));
}

TEST(Utf8, DecodingStepsOverBadBytesOneAtATime) {
  const char text[] = "a\xFF\xC3\xA9";
  size_t pos = 0;
  EXPECT_EQ('a', (int)PfUTF8Next(text, 4, &pos));
  EXPECT_EQ(0xFFFDu, PfUTF8Next(text, 4, &pos));
  EXPECT_EQ(0xE9u, PfUTF8Next(text, 4, &pos));
  EXPECT_EQ(4u, pos);
  EXPECT_EQ(3u, PfUTF8CountChars(text, 4));
  EXPECT_EQ(2u, PfUTF8FloorBoundary(text, 4, 3));
  EXPECT_EQ(2u, PfUTF8PrevBoundary(text, 4, 4));
}

TEST(PlatformStrings, RoundTripThroughUTF16IncludingSurrogates) {
  PfStringRef s = PfStringCreateWithUTF8("x\xF0\x9F\x98\x80y", -1);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(4, PfStringGetLength(s));
  uint16_t units[8];
  int32_t n = PfStringGetUTF16(s, units, 8);
  PfStringRef back = PfStringCreateWithUTF16(units, n);
  ASSERT_NE(nullptr, back);
  EXPECT_STREQ(PfStringGetUTF8(s), PfStringGetUTF8(back));
  uint16_t lone[] = {0xD800, 'a', 0};
  EXPECT_EQ(nullptr, PfStringCreateWithUTF16(lone, -1));
  char small[4];
  EXPECT_EQ(1, PfStringCopyUTF8(s, small, sizeof small)) << "the emoji does not fit in 3 bytes";
  int32_t live = PfStringLiveCount();
  PfStringRelease(back);
  PfStringRelease(PfStringRetain(s));
  PfStringRelease(s);
  EXPECT_EQ(live - 2, PfStringLiveCount());
}

}  // namespace
