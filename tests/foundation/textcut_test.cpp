// Texts cut at a byte count keep whole characters: the cut goes back to the
// start of the character the count falls inside.
#include <gtest/gtest.h>

#include <string>

#include "foundation/TextCut.h"

namespace {

struct CutCase {
  const char* name;
  std::string text;
  size_t limit;
  std::string kept;
};

// "a" 1 byte, "é" 2, "€" 3, "😀" 4.
const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";

const CutCase kCutCases[] = {
    {"nothing to cut", "plain", 10, "plain"},
    {"exactly the limit", "plain", 5, "plain"},
    {"ascii", "plain", 3, "pla"},
    {"to nothing", kMixed, 0, ""},
    {"after the one-byte character", kMixed, 1, "a"},
    {"inside the two-byte character", kMixed, 2, "a"},
    {"after the two-byte character", kMixed, 3, "a\xC3\xA9"},
    {"inside the three-byte character", kMixed, 4, "a\xC3\xA9"},
    {"inside the three-byte character, later", kMixed, 5, "a\xC3\xA9"},
    {"after the three-byte character", kMixed, 6, "a\xC3\xA9\xE2\x82\xAC"},
    {"inside the four-byte character", kMixed, 9, "a\xC3\xA9\xE2\x82\xAC"},
    {"after the four-byte character", kMixed, 10, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    {"all of it", kMixed, 11, kMixed},
    {"a stray continuation byte counts as a character", "ab\x80" "cd", 3, "ab\x80"},
};

TEST(TextCut, CutsBackToAWholeCharacter) {
  for (const CutCase& c : kCutCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.kept.size(), CutLengthUTF8(c.text.data(), c.text.size(), c.limit));
    std::string s = c.text;
    CutUTF8(s, c.limit);
    EXPECT_EQ(c.kept, s);
    // A buffer of limit + 1 bytes holds the same text and its NUL.
    std::string buffer(c.limit + 1, '#');
    EXPECT_EQ(c.kept.size(), CopyCutUTF8(buffer.data(), buffer.size(), c.text.c_str()));
    EXPECT_EQ(c.kept, std::string(buffer.c_str()));
  }
}

TEST(TextCut, EmptyBuffersAndNullTexts) {
  char untouched[2] = {'#', '#'};
  EXPECT_EQ(0u, CopyCutUTF8(untouched, 0, "text"));
  EXPECT_EQ('#', untouched[0]) << "a buffer of no bytes gets nothing, not even the NUL";
  EXPECT_EQ(0u, CopyCutUTF8(untouched, sizeof untouched, nullptr));
  EXPECT_EQ('\0', untouched[0]);
  EXPECT_EQ(0u, CopyCutUTF8(nullptr, 8, "text"));
  EXPECT_EQ(0u, CutLengthUTF8(nullptr, 0, 4));
}

}  // namespace
