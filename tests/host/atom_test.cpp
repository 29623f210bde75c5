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
  // Atoms live as long as the process: a repeated run needs a name of its own.
  static int run = 0;
  const std::string name = "never-made-before-xyz-" + std::to_string(run++);
  EXPECT_FALSE(ASAtomExistsForString(name.c_str()));
  ASAtomFromString(name.c_str());
  EXPECT_TRUE(ASAtomExistsForString(name.c_str()));
  EXPECT_FALSE(ASAtomExistsForString(nullptr));
}

TEST(Atoms, NullAtomIsNeverHandedOutAndTableGrowsPast16Bits) {
  std::set<ASAtom> seen;
  ASAtom previous = ASAtomNull;
  for (int i = 0; i < 140000; ++i) {
    ASAtom a = ASAtomFromString(("many-" + std::to_string(i)).c_str());
    ASSERT_NE(a, ASAtomNull);
    // New atoms take the next number; only the null atom's is passed over.
    if (previous != ASAtomNull) {
      ASSERT_EQ(previous + 1 == ASAtomNull ? previous + 2 : previous + 1, a) << i;
    }
    previous = a;
    seen.insert(a);
  }
  EXPECT_EQ(140000u, seen.size());
  EXPECT_GT(*seen.rbegin(), 0xFFFFu);
  EXPECT_STREQ("many-139999", ASAtomGetString(ASAtomFromString("many-139999")));
  EXPECT_LT(*seen.rbegin(), 0x30000u) << "no value skipped past the first 16 bits";
  EXPECT_STREQ("", ASAtomGetString(ASAtomNull));
  EXPECT_EQ(ASAtomNull, ASAtomFromString(nullptr));
}
