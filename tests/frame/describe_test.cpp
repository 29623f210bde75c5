// Describer text helpers.
#include <gtest/gtest.h>

#include <ostream>

#include <functional>
#include <string>

#include "FrameTestSupport.h"
#include "foundation/KCab.h"
#include "frame/Describe.h"

using namespace kvtest;

namespace {

TEST(Describe, Words) {
  LoadMessages();
  EXPECT_EQ(Text("common.edge.topword"), EdgeDescription(0));
  EXPECT_EQ(Text("common.edge.rightword"), EdgeDescription(3));
  EXPECT_EQ(Text("common.unknownorbad"), EdgeDescription(4));
  EXPECT_EQ(Text("common.unknownorbad"), EdgeDescription(-1));
  EXPECT_EQ(Text("common.direction.downword"), DirectionDescription(1));
  EXPECT_EQ(Text("common.align.centrewords"), PageAlignDescription(8));
  EXPECT_EQ(Text("common.align.topcentre"), PageAlignDescription(4));
  EXPECT_EQ(Text("common.unknownorbad"), PageAlignDescription(9));
  EXPECT_EQ(Text("common.yesword"), YesNoDescription(1));
  EXPECT_EQ(Text("common.noword"), YesNoDescription(0));
}

TEST(Describe, IntOrString) {
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "n", 12);
  KCabPutStringCopy(cab, "s", "last");
  char out[100];
  EXPECT_EQ(7, SPrintfUnboundedIntOrStringDecimalFormat(cab, "n", 1, out, sizeof out, "page %d"));
  EXPECT_STREQ("page 12", out);
  SPrintfUnboundedIntOrStringDecimalFormat(cab, "s", 1, out, sizeof out, "page %d.");
  EXPECT_STREQ("page last.", out);
  SPrintfUnboundedIntOrStringDecimalFormat(cab, "s", 1, out, sizeof out, "page %ld!");
  EXPECT_STREQ("page last!", out);
  SPrintfUnboundedIntOrStringDecimalFormat(cab, "missing", 5, out, sizeof out, "page %d");
  EXPECT_STREQ("page 5", out);
  // A long string from a recorded list is cut to the buffer.
  std::string longText(500, 'x');
  KCabPutStringCopy(cab, "long", longText.c_str());
  char small[16];
  EXPECT_EQ(15, SPrintfUnboundedIntOrStringDecimalFormat(cab, "long", 1, small, sizeof small, "%d"));
  KCabDestroy(cab);
}

TEST(Describe, AStringIsPrintedThroughAnyIntegerConversion) {
  SKCab* cab = KCabNewInner();
  KCabPutStringCopy(cab, "s", "last - 3");
  KCabPutInt(cab, "n", 7);
  struct Case {
    const char* format;
    const char* asString;
    const char* asInt;
  };
  const Case cases[] = {
      {"page %d", "page last - 3", "page 7"},
      {"page %3d", "page last - 3", "page   7"},
      {"page %-4d|", "page last - 3|", "page 7   |"},
      {"page %-4ld|", "page last - 3|", "7"},  // a long is not what is passed
      {"page %i", "page last - 3", "page 7"},
      {"page %u", "page last - 3", "page 7"},
      {"100%% up to %d", "100% up to last - 3", "100% up to 7"},
      {"%1$d.", "last - 3.", "7."},
      {"no number", "no number", "no number"},
      {"%s only", "last - 3 only", "7"},
      {"%f", "last - 3", "7"},
  };
  for (const Case& c : cases) {
    char out[100];
    SPrintfUnboundedIntOrStringDecimalFormat(cab, "s", 1, out, sizeof out, c.format);
    EXPECT_STREQ(c.asString, out) << c.format;
    SPrintfUnboundedIntOrStringDecimalFormat(cab, "n", 1, out, sizeof out, c.format);
    EXPECT_STREQ(c.asInt, out) << c.format;
  }
  KCabDestroy(cab);
}

struct RangeLine {
  const char* name;
  std::function<void(SKCab*)> setup;
  std::function<std::string()> expected;
};
void PrintTo(const RangeLine& c, std::ostream* os) { *os << c.name; }

std::string Fmt(const char* key, int n) {
  std::string text = Text(key);
  char out[300];
  std::snprintf(out, sizeof out, text.c_str(), n);
  return out;
}

std::string Line(const std::string& a, const std::string& b, const std::string& c, const std::string& d) {
  std::string text = Text("imputil.3.a.15");
  char out[1000];
  std::snprintf(out, sizeof out, text.c_str(), a.c_str(), b.c_str(), c.c_str(), d.c_str());
  return out;
}

void Sub(SKCab* p) { KCabPutAtom(p, "Source:Range:RangeType", ASAtomFromString("SubDoc")); }

const RangeLine kLines[] = {
    {"all", nullptr, [] { return Text("imputil.3.a.3"); }},
    {"all-odd", [](SKCab* p) { KCabPutAtom(p, "Source:Range:EvenOdd", ASAtomFromString("Odd")); },
     [] { return Text("imputil.3.a.1"); }},
    {"current-even",
     [](SKCab* p) {
       KCabPutAtom(p, "Source:Range:RangeType", ASAtomFromString("CurrentPage"));
       KCabPutAtom(p, "Source:Range:EvenOdd", ASAtomFromString("Even"));
     },
     [] { return Text("imputil.3.a.5"); }},
    {"sub-defaults", Sub, [] { return Line(Text("imputil.3.a.7"), Text("imputil.3.a.9"), "", ""); }},
    {"sub-from-to-step",
     [](SKCab* p) {
       Sub(p);
       KCabPutInt(p, "Source:Range:From", 3);
       KCabPutInt(p, "Source:Range:To", 9);
       KCabPutInt(p, "Source:Range:Step", 2);
       KCabPutAtom(p, "Source:Range:EvenOdd", ASAtomFromString("Odd"));
     },
     [] {
       return Line(Fmt("imputil.3.a.8", 3), Fmt("imputil.3.a.11", 9), Fmt("imputil.3.a.12", 2), Text("imputil.3.a.13"));
     }},
    {"sub-to-last",
     [](SKCab* p) {
       Sub(p);
       KCabPutStringCopy(p, "Source:Range:To", "last");
       KCabPutInt(p, "Source:Range:Step", 1);
     },
     [] {
       std::string to = Text("imputil.3.a.11");
       to.replace(to.find("%d"), 2, "last");
       return Line(Text("imputil.3.a.7"), to, "", "");
     }},
    {"sub-from-word-to-word",
     [](SKCab* p) {
       Sub(p);
       KCabPutStringCopy(p, "Source:Range:From", "last - 3");
       KCabPutStringCopy(p, "Source:Range:To", "last");
     },
     [] {
       std::string from = Text("imputil.3.a.8"), to = Text("imputil.3.a.11");
       from.replace(from.find("%d"), 2, "last - 3");
       to.replace(to.find("%d"), 2, "last");
       return Line(from, to, "", "");
     }},
    {"sub-for",
     [](SKCab* p) {
       Sub(p);
       KCabPutInt(p, "Source:Range:For", 4);
     },
     [] { return Line(Text("imputil.3.a.7"), Fmt("imputil.3.a.10", 4), "", ""); }},
    {"unknown", [](SKCab* p) { KCabPutAtom(p, "Source:Range:RangeType", ASAtomFromString("Most")); },
     [] { return Text("imputil.3.a.16"); }},
};

class DescribeRangeTest : public ::testing::TestWithParam<RangeLine> {};

TEST_P(DescribeRangeTest, OneLine) {
  LoadMessages();
  SKCab* params = KCabNewInner();
  if (GetParam().setup) GetParam().setup(params);
  SKCab* lines = KCabNewInner();
  KCabPutStringCopy(lines, "", "earlier line");
  DescribeRange(lines, params);
  EXPECT_STREQ("earlier line", KCabGetString(lines, "0"));
  ASSERT_NE(nullptr, KCabGetString(lines, "1"));
  EXPECT_EQ(GetParam().expected(), KCabGetString(lines, "1"));
  KCabDestroy(lines);
  KCabDestroy(params);
}

INSTANTIATE_TEST_SUITE_P(Lines, DescribeRangeTest, ::testing::ValuesIn(kLines), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n) if (ch == '-') ch = '_';
  return n;
});

}  // namespace
