// The shuffle assistant's rule building: grids of page numbers classified and
// turned into rules (and rules back into grids), on tables of sheets whose
// printed result is worked out by hand; the step-one checks; the live
// preview's texts.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "commands/ShuffleAssistant.h"
#include "engine/OrderList.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "support/EnglishMessages.h"

namespace {

const auto* const kMessages = ::testing::AddGlobalTestEnvironment(new kvtest::EnglishMessagesEnvironment);

std::string Text(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

struct Values {
  SKCab* cab = KCabNewInner();
  Values() = default;
  ~Values() { KCabDestroy(cab); }
  Values(const Values&) = delete;
  Values& operator=(const Values&) = delete;
};

// A grid of r rows and c columns for n pages; turned lists the cells printed upside down.
void PutGrid(SKCab* cab, int r, int c, int n, const std::vector<int>& cells, const std::vector<int>& turned = {},
             bool front90 = false, bool back180 = false) {
  KCabPutInt(cab, "PreviewRows", r);
  KCabPutInt(cab, "PreviewCols", c);
  KCabPutInt(cab, "PageCount", n);
  for (size_t k = 0; k < cells.size(); ++k) KCabPutInt(cab, std::to_string(k).c_str(), cells[k]);
  for (int k : turned) KCabPutBool(cab, ("E" + std::to_string(k)).c_str(), 1);
  KCabPutBool(cab, "Front90", front90);
  KCabPutBool(cab, "Back180", back180);
}

struct GridCase {
  const char* name;
  int r, c, n;
  std::vector<int> cells;
  std::vector<int> turned;
  bool front90, back180;
  int cls;              // 0: refused
  EOrderListType type;  // when classified
  const char* rule;     // when classified
  int group;
  const char* message;  // when refused: the message text as the user reads it
};

// Test names print the case's name, not a dump of its bytes.
void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

std::string Formatted(const char* key, long a, long b = -1) {
  char out[600];
  if (b < 0) FormatMessageByKeyUTF8(nullptr, key, nullptr, out, sizeof out, "l", a);
  else FormatMessageByKeyUTF8(nullptr, key, nullptr, out, sizeof out, "ll", a, b);
  return out;
}

const std::vector<GridCase>& GridCases() {
  static const std::vector<GridCase> cases = {
      // The assistant's starting grid: one leaf, 8 on top of 1 - a booklet.
      {"SaddleStart", 2, 1, 8, {8, 1}, {}, false, false, kGridClassSaddle, kOrderListSaddleStitch, "4 1 3 2 ", 4,
       nullptr},
      {"SaddleTurnedTop", 2, 1, 8, {8, 1}, {0}, false, false, kGridClassSaddle, kOrderListSaddleStitch,
       "4* 1 3* 2 ", 4, nullptr},
      {"SaddleQuarterTurned", 2, 1, 8, {8, 1}, {}, true, false, kGridClassSaddle, kOrderListSaddleStitch,
       "4< 1< 3> 2> ", 4, nullptr},
      // Four odd pages on a front: backs are their partners, mirrored left to right.
      {"FrontsAndBacks", 2, 2, 8, {1, 3, 5, 7}, {}, false, false, kGridClassTwoSides, kOrderListNormal,
       "1 3 5 7 4 2 8 6 ", 8, nullptr},
      // The same with the back upside down: mirrored top to bottom and turned.
      {"BackUpsideDown", 2, 2, 8, {1, 3, 5, 7}, {}, false, true, kGridClassTwoSides, kOrderListNormal,
       "1 3 5 7 6* 8* 2* 4* ", 8, nullptr},
      {"LowPagesOnly", 2, 1, 8, {1, 3}, {}, false, false, kGridClassTwoSidesLow, kOrderListNormal, "1 3 2 4 ", 4,
       nullptr},
      {"CutStacks", 2, 1, 8, {1, 5}, {}, false, false, kGridClassCutStacks, kOrderListCutStacksDouble, "1 3 2 4 ", 4,
       nullptr},
      // One side holding every page: a plain reorder of one group.
      {"OneSide", 2, 2, 4, {4, 3, 2, 1}, {}, false, false, kGridClassOneSide, kOrderListNormal, "4 3 2 1 ", 4,
       nullptr},
      // Two copies of pages 1 and 2 on one side: step and repeat.
      {"OneSideTwice", 2, 2, 2, {1, 2, 1, 2}, {}, false, false, kGridClassOneSide, kOrderListNormal, "1 2 1 2 ", 2,
       nullptr},
      {"BlankCell", 2, 1, 8, {8, 0}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "uikv.shuf.assistant.11"},
      {"NotANumber", 2, 1, 8, {-1, 1}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "uikv.shuf.assistant.11"},
      {"UnevenDuplicate", 2, 2, 8, {1, 1, 3, 5}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "dup1"},
      {"LeafOnOneSide", 2, 2, 8, {1, 2, 3, 5}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "leaf2"},
      // Both sides of every leaf on the front: the backs would repeat them.
      {"LeavesOnFront", 2, 2, 8, {1, 2, 3, 4}, {}, false, false, 0, kOrderListNormal, nullptr, 0,
       "uikv.shuf.assistant.14"},
      // A folded sheet of six sides.
      {"SixSides", 2, 1, 24, {1, 12}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "uikv.shuf.assistant.14"},
      {"Unknown", 2, 1, 8, {1, 7}, {}, false, false, 0, kOrderListNormal, nullptr, 0, "uikv.shuf.assistant.3"},
  };
  return cases;
}

class GridClassification : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridClassification, ClassAndRule) {
  const GridCase& c = GetParam();
  Values v;
  PutGrid(v.cab, c.r, c.c, c.n, c.cells, c.turned, c.front90, c.back180);
  EOrderListType type = kOrderListCutSignatures;
  char message[300] = "untouched";
  ASInt32 cls = ClassifyInputWrapper(v.cab, &type, message, sizeof message);
  EXPECT_EQ(c.cls, cls);
  if (c.cls) {
    EXPECT_EQ(c.type, type);
    std::string rule;
    ASInt32 group = 0;
    EXPECT_TRUE(GenerateRule(v.cab, cls, &rule, &group, 0));
    EXPECT_EQ(c.rule, rule);
    EXPECT_EQ(c.group, group);
    // Whatever the assistant writes, the engine accepts.
    EXPECT_TRUE(OrderListVerify(rule.c_str(), group, 1));
  } else {
    std::string want = std::string(c.message) == "dup1"    ? Formatted("uikv.shuf.assistant.1", 1)
                       : std::string(c.message) == "leaf2" ? Formatted("uikv.shuf.assistant.2", 2, 1)
                                                           : Text(c.message);
    EXPECT_EQ(want, message);
  }
}

INSTANTIATE_TEST_SUITE_P(Grids, GridClassification, ::testing::ValuesIn(GridCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GridToRule, FrontsOnlyLeavesOutTheBacks) {
  Values v;
  PutGrid(v.cab, 2, 2, 8, {1, 3, 5, 7});
  std::string rule;
  ASInt32 group = 0;
  ASSERT_TRUE(GenerateRule(v.cab, kGridClassTwoSides, &rule, &group, 1));
  EXPECT_EQ("1 3 5 7 ", rule);
  EXPECT_EQ(8, group);
}

TEST(GridToRule, UnknownClassIsRefused) {
  Values v;
  PutGrid(v.cab, 2, 1, 8, {8, 1});
  std::string rule;
  ASInt32 group = 0;
  EXPECT_FALSE(GenerateRule(v.cab, 99, &rule, &group, 0));
  EXPECT_EQ("Internal error: Bad rule!", rule);
  EXPECT_EQ(4, group);
}

TEST(GridToRule, ConvertWritesTypeRuleGroupAndListInfo) {
  Values v, target;
  PutGrid(v.cab, 2, 1, 8, {8, 1});
  KCabPutAtom(v.cab, "ListCat", ASAtomFromString("Mine"));
  KCabPutStringCopy(v.cab, "ListName", "Booklet");
  char message[300] = "";
  ASSERT_TRUE(ShuffleAssistantConvertToRule(v.cab, target.cab, message, sizeof message));
  EXPECT_STREQ("4 1 3 2 ", KCabGetString(target.cab, "Order"));
  EXPECT_EQ(4, KCabGetInt(target.cab, "GroupSize", 0));
  EXPECT_EQ(ASAtomFromString("SaddleStitch"), KCabGetAtom(target.cab, "Type", ASAtomNull));
  EXPECT_EQ(ASAtomFromString("SaddleStitch"), KCabGetAtom(v.cab, "Type", ASAtomNull));
  EXPECT_STREQ("Booklet", KCabGetString(target.cab, "ListName"));
}

TEST(GridToRule, RefusalLeavesTheTargetAlone) {
  Values v, target;
  PutGrid(v.cab, 2, 1, 8, {8, 0});
  KCabPutStringCopy(target.cab, "Order", "1 2");
  char message[300] = "";
  EXPECT_FALSE(ShuffleAssistantConvertToRule(v.cab, target.cab, message, sizeof message));
  EXPECT_EQ(Text("uikv.shuf.assistant.11"), message);
  EXPECT_STREQ("1 2", KCabGetString(target.cab, "Order"));
}

// ---- rules back into grids

struct RuleCase {
  const char* name;
  const char* rule;
  int group;
  const char* type;
  int r, c;        // the grid asked about
  bool fits;
  std::vector<int> cells;  // when it fits: the grid written
  bool back180;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

class RuleToGrid : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleToGrid, FitsAndConverts) {
  const RuleCase& c = GetParam();
  Values v, target;
  KCabPutStringCopy(v.cab, "Order", c.rule);
  KCabPutInt(v.cab, "GroupSize", c.group);
  KCabPutAtom(v.cab, "Type", ASAtomFromString(c.type));
  EXPECT_EQ(c.fits, (bool)ShuffleRuleCouldConvertToAssistant(v.cab, c.r, c.c));
  if (!c.fits) return;
  ASInt32 pages = 0;
  ASSERT_TRUE(ShuffleRuleConvertToAssistant(v.cab, target.cab, c.r, c.c, 0, &pages));
  for (size_t k = 0; k < c.cells.size(); ++k)
    EXPECT_EQ(c.cells[k], KCabGetInt(target.cab, std::to_string(k).c_str(), 0)) << "cell " << k;
  EXPECT_EQ(c.back180, (bool)KCabGetBool(target.cab, "Back180", 0));
  EXPECT_EQ(c.r, KCabGetInt(target.cab, "PreviewRows", 0));
  EXPECT_EQ(pages, KCabGetInt(target.cab, "PageCount", 0));
  EXPECT_EQ(0, pages % c.group);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleToGrid,
    ::testing::Values(
        RuleCase{"FrontsAndBacks", "1 3 5 7 4 2 8 6", 8, "Normal", 2, 2, true, {1, 3, 5, 7}, false},
        RuleCase{"BackUpsideDown", "1 3 5 7 6* 8* 2* 4*", 8, "Normal", 2, 2, true, {1, 3, 5, 7}, true},
        RuleCase{"OneSide", "4 3 2 1", 4, "Normal", 2, 2, true, {4, 3, 2, 1}, false},
        // Saddle stitch: the cursor gives the real pages of the first sheet.
        RuleCase{"Booklet", "4 1 3 2", 4, "SaddleStitch", 2, 1, true, {8, 1}, false},
        RuleCase{"WrongGrid", "1 3 5 7 4 2 8 6", 8, "Normal", 1, 2, false, {}, false},
        RuleCase{"PageLeftOut", "1 3 5 7 4 2 8 8", 8, "Normal", 2, 2, false, {}, false},
        RuleCase{"BacksNotPartners", "1 3 5 7 2 4 6 8", 8, "Normal", 2, 2, false, {}, false},
        RuleCase{"MixedTurns", "1> 3 5 7 4 2 8 6", 8, "Normal", 2, 2, false, {}, false},
        RuleCase{"CutStacksSingle", "1 2", 2, "CutStacksSingle", 1, 2, false, {}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RuleToGrid, SearchTakesTheFirstGridThatFits) {
  Values v;
  KCabPutStringCopy(v.cab, "Order", "1 3 5 7 4 2 8 6");
  KCabPutInt(v.cab, "GroupSize", 8);
  ASInt32 r = 0, c = 0;
  ASSERT_TRUE(ShuffleRuleCouldConvertToAssistant2(v.cab, &r, &c));
  // Rows first: one row of all eight pages reads as one side before 2 x 2.
  EXPECT_EQ(1, r);
  EXPECT_EQ(8, c);
  KCabPutStringCopy(v.cab, "Order", "");
  EXPECT_FALSE(ShuffleRuleCouldConvertToAssistant2(v.cab, &r, &c));
}

// What the assistant writes reads back as the same grid.
TEST(RuleToGrid, GeneratedRulesRoundTrip) {
  for (const GridCase& g : GridCases()) {
    if (!g.cls || g.type != kOrderListNormal || g.r * g.c == 1) continue;
    Values v, back;
    KCabPutStringCopy(v.cab, "Order", g.rule);
    KCabPutInt(v.cab, "GroupSize", g.group);
    KCabPutAtom(v.cab, "Type", ASAtomFromString("Normal"));
    if (std::string(g.name) == "OneSideTwice") continue;  // pages used twice: no grid of its own
    ASSERT_TRUE(ShuffleRuleCouldConvertToAssistant(v.cab, g.r, g.c)) << g.name;
    ASInt32 pages = 0;
    ASSERT_TRUE(ShuffleRuleConvertToAssistant(v.cab, back.cab, g.r, g.c, g.n, &pages)) << g.name;
    for (size_t k = 0; k < g.cells.size(); ++k)
      EXPECT_EQ(g.cells[k], KCabGetInt(back.cab, std::to_string(k).c_str(), 0)) << g.name << " cell " << k;
    EXPECT_EQ(g.back180, (bool)KCabGetBool(back.cab, "Back180", 0)) << g.name;
  }
}

// ---- step one

TEST(AssistantStep1, EachProblemItsMessage) {
  struct Case {
    int r, c, pages;
    const char* key;
  } cases[] = {
      {2, 2, 8, nullptr},      {2, 1, 8, nullptr},        {2, 2, 4, nullptr},
      {0, 2, 8, "uikv.shuf.assistant.4"},  {9, 2, 8, "uikv.shuf.assistant.4"},
      {2, 0, 8, "uikv.shuf.assistant.5"},  {2, 9, 8, "uikv.shuf.assistant.5"},
      {1, 1, 8, "uikv.shuf.assistant.6"},  {5, 2, 20, "uikv.shuf.assistant.12"},
      {2, 2, 3, "uikv.shuf.assistant.8"},  {2, 2, 12, "uikv.shuf.assistant.9"},
      {2, 2, 100000, "uikv.shuf.assistant.10"},
  };
  for (const Case& c : cases) {
    const char* got = ShuffleAssistantStep1Problem(c.r, c.c, c.pages);
    EXPECT_EQ(c.key ? std::string(c.key) : std::string("none"), got ? std::string(got) : std::string("none"))
        << c.r << "x" << c.c << " " << c.pages;
  }
}

// ---- turned sheets

TEST(AssistantCells, PositionsFollowTheFrontsTurn) {
  Values v;
  PutGrid(v.cab, 2, 3, 12, {1, 3, 5, 7, 9, 11}, {4});
  struct Case {
    const char* rotate;
    bool front;
    std::vector<int> pages;
    std::vector<int> turns;
  } cases[] = {
      {"R0", true, {1, 3, 5, 7, 9, 11}, {0, 0, 0, 0, 2, 0}},
      // The back mirrors left to right.
      {"R0", false, {5, 3, 1, 11, 9, 7}, {0, 0, 0, 0, 2, 0}},
      {"R180", true, {11, 9, 7, 5, 3, 1}, {2, 0, 2, 2, 2, 2}},
  };
  for (const Case& c : cases) {
    KCabPutAtom(v.cab, "RotateFront", ASAtomFromString(c.rotate));
    for (int n = 0; n < 6; ++n) {
      ASInt32 q = -1;
      EXPECT_EQ(c.pages[(size_t)n], GetNthPageNumberAdj(v.cab, n, c.front, &q)) << c.rotate << c.front << n;
      EXPECT_EQ(c.turns[(size_t)n], q) << c.rotate << c.front << n;
    }
  }
}

TEST(AssistantLivePreview, FrontAndBackTexts) {
  Values v;
  PutGrid(v.cab, 1, 3, 4, {1, 0, 5}, {0});
  KCabPutInt(v.cab, "2", 7);  // beyond the page count
  KCabPutInt(v.cab, "1", -1);
  std::string front, back;
  ASInt32 ft = -1, bt = -1;
  ShuffleAssistantLiveTexts(v.cab, &front, &back, &ft, &bt);
  EXPECT_EQ(" 1* r? r7", front);
  // The back shows the partners, mirrored.
  EXPECT_EQ(" r8 r? 2*", back);
  EXPECT_EQ(0, ft);
  EXPECT_EQ(0, bt);
  KCabPutBool(v.cab, "Back180", 1);
  KCabPutBool(v.cab, "Front90", 1);
  ShuffleAssistantLiveTexts(v.cab, &front, &back, &ft, &bt);
  // A quarter-turned front; the back turns the other way and upside down.
  EXPECT_EQ(" 1> r?< r7<", front);
  EXPECT_EQ(" 2> r?< r8<", back);
  EXPECT_EQ(2, bt);
}

}  // namespace

namespace {

// Values straight from a cabinet or a typed cell: the largest numbers, grids
// the assistant cannot show.
TEST(AssistantLimits, ExtremeValuesAreRefusedOrHandled) {
  {
    Values v;
    PutGrid(v.cab, 2, 1, 2147483647, {2147483647, 1});
    EOrderListType type;
    char message[300];
    ClassifyInputWrapper(v.cab, &type, message, sizeof message);
    std::string front, back;
    ShuffleAssistantLiveTexts(v.cab, &front, &back, nullptr, nullptr);
    EXPECT_EQ(" r2147483648 2", back);  // beyond the page count
    std::string rule;
    ASInt32 group = 0;
    for (ASInt32 cls = kGridClassOneSide; cls <= kGridClassNSided; ++cls) GenerateRule(v.cab, cls, &rule, &group, 0);
  }
  {
    Values v;
    PutGrid(v.cab, 100000, 100000, 8, {8, 1});
    EOrderListType type;
    char message[300];
    EXPECT_EQ(0, ClassifyInputWrapper(v.cab, &type, message, sizeof message));
    EXPECT_EQ(Text("uikv.shuf.assistant.11"), message);
    EXPECT_EQ(-1, GetNthPageNumberAdj(v.cab, 0, 1, nullptr));
  }
  {
    Values v, target;
    KCabPutStringCopy(v.cab, "Order", "1 3 5 7 4 2 8 6");
    KCabPutInt(v.cab, "GroupSize", 8);
    EXPECT_FALSE(ShuffleRuleCouldConvertToAssistant(v.cab, 65536, 65536));
    ASInt32 pages = 0;
    ASSERT_TRUE(ShuffleRuleConvertToAssistant(v.cab, target.cab, 2, 2, 2147483647, &pages));
    EXPECT_EQ(0, pages % 8);
    EXPECT_GT(pages, 2147483647 - 8);
  }
}

}  // namespace
