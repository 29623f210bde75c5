#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "foundation/CLocale.h"

namespace {

struct TrimCase {
  double value;
  const char* text;
};

TEST(TrimDouble, FourDecimalsWithoutTrailingZeros) {
  const TrimCase cases[] = {
      {1.5, "1.5"},         {10.0, "10"},  {0.0, "0"},      {-0.25, "-0.25"}, {0.12346, "0.1235"},
      {100.0, "100"},       {72, "72"},    {-3, "-3"},      {1000.5, "1000.5"}, {-0.0001, "-0.0001"},
      {2.00001, "2"},       {0.00004, "0"}, {123456789.0, "123456789"},
  };
  for (const TrimCase& c : cases) {
    char buffer[kTrimDoubleBufferSize];
    EXPECT_STREQ(c.text, TrimDouble(c.value, buffer)) << c.value;
  }
}

TEST(TrimDouble, HugeValuesFitTheBufferAndReadBack) {
  char buffer[kTrimDoubleBufferSize];
  for (double v : {1e300, -1.7976931348623157e308, 4.9e-324}) {
    const char* text = TrimDouble(v, buffer);
    EXPECT_LT(std::string(text).size(), kTrimDoubleBufferSize);
    if (std::fabs(v) > 1) {
      EXPECT_EQ(v, std::strtod(text, nullptr));
    }
  }
}

TEST(TrimDouble, NullBufferUsesTheModulesOwn) {
  char* a = TrimDouble(2.5, nullptr);
  EXPECT_STREQ("2.5", a);
  char* b = TrimDouble(3, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_STREQ("3", b);
}

TEST(TrimDouble, CommaLocaleChangesNothing) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no comma-decimal locale installed";
  char buffer[kTrimDoubleBufferSize];
  EXPECT_STREQ("1.5", TrimDouble(1.5, buffer));
  EXPECT_STREQ("-0.0001", TrimDouble(-0.0001, buffer));
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
