// The product's name in its forms.
#include <gtest/gtest.h>

#include "foundation/ProductName.h"
#include "support/EnglishMessages.h"

using namespace kvtest;

namespace {

TEST(ProductName, FormsFromTheMessageTable) {
  ScopedEnglishMessages messages;
  EXPECT_STREQ("Korvel Velmora 3", CurrentProductString(0));
  EXPECT_STREQ("Korvel Velmora 3...", CurrentProductString(1));
  EXPECT_STREQ("Korvel Velmora 3.0k", CurrentProductString(2));
  EXPECT_STREQ("Korvel Velmora 3.0k", CurrentProductString(3));
  EXPECT_EQ(CurrentProductString(2), CurrentProductString(2)) << "cached";
  EXPECT_STREQ("?", CurrentProductString(4));
  EXPECT_STREQ("?", CurrentProductString(-1));
}

}  // namespace
