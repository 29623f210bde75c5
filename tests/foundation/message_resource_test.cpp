// The plug-in's own message texts: well formed, unique, sorted, and every
// escape in them understood, so that no text shows up damaged at run time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "foundation/MessageTable.h"
#include "support/SourceTree.h"

TEST(MessageResource, EnglishTextsAreWellFormed) {
  std::ifstream in(kvtest::SourcePath("resources/messages/en.txt"));
  ASSERT_TRUE(in) << kvtest::SourcePath("resources/messages/en.txt");
  std::string line, previous;
  std::set<std::string> keys;
  int n = 0;
  while (std::getline(in, line)) {
    ++n;
    size_t tab = line.find('\t');
    ASSERT_NE(std::string::npos, tab) << "line " << n << " has no tab: " << line;
    std::string key = line.substr(0, tab);
    EXPECT_TRUE(ValidMessageKey(key.c_str())) << key;
    EXPECT_LE(key.size(), kMessageKeyMaxLength) << key << ": longer keys are not read";
    EXPECT_TRUE(keys.insert(key).second) << "duplicate " << key;
    EXPECT_LT(previous, key) << "not sorted at " << key;
    previous = key;
    std::vector<char> text(line.begin() + (long)tab + 1, line.end());
    text.push_back(0);
    ASInt32 format = 0;
    EXPECT_TRUE(GenMsg2HandleEscapes(text.data(), &format)) << key << ": bad escape";
  }
  EXPECT_GT(n, 0);
}
