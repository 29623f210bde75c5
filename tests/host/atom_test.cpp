#include <gtest/gtest.h>

#include <set>
#include <string>

#include "host/ASAtom.h"

TEST(Atoms, SameStringSameAtomAndStableText) {
  ASAtom a = ASAtomFromString("MediaBox");
  const char* text = ASAtomGetString(a);
  for (int i = 0; i < 1000; ++i) ASAtomFromString(("filler" + std::to_string(i)).c_str());
  EXPECT_EQ(a, ASAtomFromString("MediaBox"));
  EXPECT_EQ(text, ASAtomGetString(a)) << "atom strings must not move";
  EXPECT_STREQ("MediaBox", text);
}

TEST(Atoms, ExistsOnlyAfterCreation) {
  EXPECT_FALSE(ASAtomExistsForString("never-made-before-xyz"));
  ASAtomFromString("never-made-before-xyz");
  EXPECT_TRUE(ASAtomExistsForString("never-made-before-xyz"));
  EXPECT_FALSE(ASAtomExistsForString(nullptr));
}

TEST(Atoms, NullAtomIsNeverHandedOutAndTableGrowsPast16Bits) {
  std::set<ASAtom> seen;
  for (int i = 0; i < 70000; ++i) {
    ASAtom a = ASAtomFromString(("many-" + std::to_string(i)).c_str());
    ASSERT_NE(a, ASAtomNull);
    seen.insert(a);
  }
  EXPECT_EQ(70000u, seen.size());
  EXPECT_GT(*seen.rbegin(), 0xFFFFu);
  EXPECT_STREQ("many-69999", ASAtomGetString(ASAtomFromString("many-69999")));
  EXPECT_STREQ("", ASAtomGetString(ASAtomNull));
  EXPECT_EQ(ASAtomNull, ASAtomFromString(nullptr));
}
