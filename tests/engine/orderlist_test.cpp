// Order lists: the token grammar and its errors, the checks, the better
// group size, and shuffles read back page by page, in place, into new
// documents, in test mode and through the process manager.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/OrderList.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AVAlert.h"
#include "kctl/StatusBox.h"
#include "platform/Pf.h"
#include "kctl/mac/MacDialog.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

// ---- the tokenizer

struct TokenCase {
  const char* text;
  const char* tokens;  // "page/turn" joined by blanks, or the error's key
  const char* snippet;  // the offending text the error ends with
};
void PrintTo(const TokenCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class TokenTest : public PagesTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(TokenTest, ReadsTokensOrReportsWhere) {
  const TokenCase& c = GetParam();
  const char* cursor = c.text;
  char error[kOrderListErrorSize];
  ASInt32 page = 0;
  EWhatRotate turn = kWhatRotateNone;
  std::string got;
  while (OrderListGetNextToken(&cursor, &page, &turn, error)) {
    got += (got.empty() ? "" : " ") + std::to_string(page) + "/" + std::to_string(turn);
  }
  if (c.snippet) {
    EXPECT_EQ(Msg(c.tokens) + c.snippet, error);
  } else {
    EXPECT_STREQ("", error);
    EXPECT_EQ(c.tokens, got);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, TokenTest,
    ::testing::Values(TokenCase{"1 2 3", "1/0 2/0 3/0", nullptr}, TokenCase{"1,2,3", "1/0 2/0 3/0", nullptr},
                      TokenCase{"1,\r\n2 3", "1/0 2/0 3/0", nullptr}, TokenCase{"1>,2<", "1/1 2/3", nullptr},
                      TokenCase{"x X* 12>", "-1/0 -1/2 12/1", nullptr}, TokenCase{"", "", nullptr},
                      TokenCase{" \r\n ", "", nullptr}, TokenCase{"slowcopy test 1", "1/0", nullptr},
                      TokenCase{"SLOWCOPY 2 TEST 1", "2/0 1/0", nullptr},
                      TokenCase{"99999999999999999999", "2147483647/0", nullptr},
                      TokenCase{"1 2 3x", "pagemg.7.badsuffix", "3x"},
                      TokenCase{"1\t2", "pagemg.7.badsuffix", "1\t2"},
                      TokenCase{"7>> 1", "pagemg.7.badsuffix", "7>> 1"},
                      TokenCase{"1 ,2", "pagemg.7.badlist", ",2"},
                      TokenCase{"abcdefghijklmno", "pagemg.7.badlist", "abcdefghi..."},
                      TokenCase{"test slowcopy 1", "pagemg.7.badlist", "slowcopy ..."},
                      TokenCase{"1 -2", "pagemg.7.badlist", "-2"},
                      // A cut never splits a character.
                      TokenCase{"1 \xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9", "pagemg.7.badlist",
                                "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9..."}));

TEST_F(PagesTest, FillArrayStoresUpToCapacity) {
  ASInt32 pages[2] = {0, 0};
  EWhatRotate turns[2] = {kWhatRotateNone, kWhatRotateNone};
  EXPECT_TRUE(OrderListFillArray("3> 1 2", pages, turns, 2));
  EXPECT_EQ(3, pages[0]);
  EXPECT_EQ(kWhatRotate90, turns[0]);
  EXPECT_EQ(1, pages[1]);
  EXPECT_TRUE(OrderListFillArray("4 5", pages, nullptr, 2));
  EXPECT_FALSE(OrderListFillArray("4 y", pages, nullptr, 2));
}

TEST_F(PagesTest, NewOrderInfoReadsTheParameters) {
  SKCab* params = KCabNewInner();
  EXPECT_EQ(nullptr, NewOrderInfo(params)) << "no Order";
  KCabPutStringCopy(params, "Order", "2 x< 1*");
  KCabPutAtom(params, "Type", ASAtomFromString("SaddleStitch"));
  SOrderInfo* info = NewOrderInfo(params);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(3, info->count);
  EXPECT_EQ(16, info->groupSize);
  EXPECT_EQ(kOrderListSaddleStitch, info->type);
  EXPECT_EQ(-1, info->pages[1]);
  EXPECT_EQ(kWhatRotate270, info->rotations[1]);
  EXPECT_EQ(kWhatRotate180, info->rotations[2]);
  info->work[16] = 1;  // group size + 1 entries
  DestroyOrderInfo(info);
  DestroyOrderInfo(nullptr);

  for (const char* bad : {"", "x 1 2y", "   "}) {
    KCabPutStringCopy(params, "Order", bad);
    EXPECT_EQ(nullptr, NewOrderInfo(params)) << bad;
  }
  // An absurd group size would ask for a work array of any size.
  KCabPutStringCopy(params, "Order", "1 2");
  KCabPutInt(params, "GroupSize", 2000000000);
  EXPECT_EQ(nullptr, NewOrderInfo(params));
  KCabPutInt(params, "GroupSize", -5);
  info = NewOrderInfo(params);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(-5, info->groupSize);
  DestroyOrderInfo(info);
  KCabDestroy(params);
}

// ---- verification

struct VerifyCase {
  const char* name;
  const char* list;
  int group;
  bool interactive;
  int answer;  // to the question, when one is asked
  int result;
  std::function<std::string()> shown;  // the error shown, or the question asked
};
void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.name; }

class VerifyTest : public PagesTest, public ::testing::WithParamInterface<VerifyCase> {};

std::string Formatted(const char* key, long a, long b = -1) {
  char text[600];
  if (b >= 0) std::snprintf(text, sizeof text, Msg(key).c_str(), a, b);
  else std::snprintf(text, sizeof text, Msg(key).c_str(), a);
  return text;
}
std::string FormattedS(const char* key, const char* s) {
  char text[600];
  std::snprintf(text, sizeof text, Msg(key).c_str(), s);
  return text;
}

TEST_P(VerifyTest, AcceptsOrShows) {
  const VerifyCase& c = GetParam();
  AVAlertQueueAnswer(c.answer);
  EXPECT_EQ(c.result, OrderListVerify(c.list, c.group, c.interactive));
  std::string shown;
  for (const auto& e : Errors()) shown += e;
  for (const auto& a : AVAlertRecorded()) shown += a.message;
  EXPECT_EQ(c.shown(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, VerifyTest,
    ::testing::Values(
        VerifyCase{"Swap", "2 1", 2, false, 1, 1, [] { return std::string(""); }},
        VerifyCase{"GroupZero", "1", 0, false, 1, 0, [] { return std::string(Msg("pagemg.7.grouptoosmall")); }},
        VerifyCase{"GroupNegative", "1", -3, false, 1, 0, [] { return std::string(Msg("pagemg.7.grouptoosmall")); }},
        VerifyCase{"Group1000", "1", 1000, false, 1, 0, [] { return std::string(Msg("pagemg.7.grouptoobig")); }},
        VerifyCase{"Group999", "1", 999, true, 1, 1, [] { return std::string(FormattedS("pagemg.7.confirm.willlosepages", ("2 3 4 5 6 7 8 9 10 11 12 13 14 " + Msg("pagemg.7.andothers")).c_str())); }},
        VerifyCase{"OnlyX", "x x", 2, false, 1, 0, [] { return std::string(Msg("pagemg.7.onlyx")); }},
        VerifyCase{"Empty", "", 2, false, 1, 0, [] { return std::string(Msg("pagemg.7.onlyx")); }},
        VerifyCase{"SyntaxFirst", "q 1", 2, false, 1, 0, [] { return std::string(Msg("pagemg.7.onlyx")); }},
        VerifyCase{"SyntaxLater", "1 2 q", 2, false, 1, 0, [] { return std::string(Msg("pagemg.7.badlist") + "q"); }},
        VerifyCase{"Outside", "1 3", 2, false, 1, 0, [] { return std::string(Formatted("pagemg.7.pageoutsidegroup", 3, 2)); }},
        VerifyCase{"Zero", "0 1", 2, false, 1, 0, [] { return std::string(Formatted("pagemg.7.pageoutsidegroup", 0, 2)); }},
        VerifyCase{"HugeNumber", "1 99999999999", 2, false, 1, 0, [] { return std::string(Formatted("pagemg.7.pageoutsidegroup", 2147483647L, 2)); }},
        VerifyCase{"OneDuplicateAsked", "1 1 2", 2, true, 1, 1, [] { return std::string(Formatted("pagemg.7.confirm.willduplicateonepage", 1)); }},
        VerifyCase{"OneDuplicateDeclined", "1 1 2", 2, true, 2, 0, [] { return std::string(Formatted("pagemg.7.confirm.willduplicateonepage", 1)); }},
        VerifyCase{"SeveralDuplicates", "1 1 2 2", 2, true, 1, 1, [] { return std::string(Formatted("pagemg.7.confirm.willduplicatepages", 1)); }},
        VerifyCase{"DuplicateRefused", "2 1 2", 2, false, 1, 0, [] { return std::string(Formatted("pagemg.7.wouldduplicate", 2)); }},
        VerifyCase{"OneLost", "1", 2, true, 1, 1, [] { return std::string(FormattedS("pagemg.7.confirm.willlosepage", "2 ")); }},
        VerifyCase{"LostDeclined", "1", 3, true, 2, 0, [] { return std::string(FormattedS("pagemg.7.confirm.willlosepages", "2 3 ")); }},
        VerifyCase{"LostRefused", "2", 3, false, 1, 0, [] { return std::string(FormattedS("pagemg.7.woulddelete", "1 3 ")); }},
        VerifyCase{"ListStopsAfter30", "1", 40, false, 1, 0, [] { return std::string(FormattedS("pagemg.7.woulddelete",
                              ("2 3 4 5 6 7 8 9 10 11 12 13 14 " + Msg("pagemg.7.andothers")).c_str())); }}));

// ---- better group size

struct BetterCase {
  const char* list;
  int group;
  int better;  // 0: none
};
// Test names print the case, not a dump of its bytes.
void PrintTo(const BetterCase& c, std::ostream* os) { *os << '"' << c.list << "\" by " << c.group; }
class BetterTest : public PagesTest, public ::testing::WithParamInterface<BetterCase> {};

TEST_P(BetterTest, SuggestsTheListsOwnSize) {
  SKCab* params = KCabNewInner();
  KCabPutStringCopy(params, "Order", GetParam().list);
  KCabPutInt(params, "GroupSize", GetParam().group);
  ASInt32 better = -7;
  EXPECT_EQ(GetParam().better != 0, OrderListHasBetterGroupSize(params, &better) != 0);
  if (GetParam().better) {
    EXPECT_EQ(GetParam().better, better);
  }
  KCabDestroy(params);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BetterTest,
                         ::testing::Values(BetterCase{"1 2 3 4 4 3 2 1", 16, 4}, BetterCase{"1 2 2", 16, 0},
                                           BetterCase{"1 2 3 4", 4, 0}, BetterCase{"2 1 x", 8, 2},
                                           BetterCase{"x x", 8, 0}, BetterCase{"1 1", 8, 1},
                                           // A huge page number is no group size.
                                           BetterCase{"4000000000 1", 16, 0}, BetterCase{"1000 1", 16, 0}));

// ---- execution

struct ShuffleCase {
  const char* name;
  int pages;
  const char* list;
  int group;
  const char* type;
  const char* order;  // the result read back
};
void PrintTo(const ShuffleCase& c, std::ostream* os) { *os << c.name; }

class ShuffleTest : public PagesTest, public ::testing::WithParamInterface<ShuffleCase> {};

TEST_P(ShuffleTest, InPlaceAndIntoANewDocument) {
  const ShuffleCase& c = GetParam();
  const EOrderListType type = (EOrderListType)KCabEkAtomToEnum(
      ASAtomFromString(c.type), 0, "Normal", 1, "SaddleStitch", 2, "CutStacksSingle", 3, "CutStacksDouble", 4,
      "CutSignatures", 0, (const char*)nullptr);
  PDDoc doc = Doc(c.pages);
  ASSERT_EQ(1, OrderListExecuteInner(nullptr, doc, c.list, c.group, 0, type)) << ::testing::PrintToString(Errors());
  EXPECT_EQ(c.order, OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "inplace.pdf"));

  PDDoc source = Doc(c.pages);
  const std::string before = OrderText(source);
  ForgetViews();
  ASSERT_EQ(1, OrderListExecuteInner(nullptr, source, c.list, c.group, 1, type));
  EXPECT_EQ(before, OrderText(source)) << "the source stays as it was";
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  PDDoc made = AVDocGetPDDoc(views[0].view);
  EXPECT_EQ(c.order, OrderText(made));
  EXPECT_EQ(0, SaveAndCheck(made, "new.pdf"));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ShuffleTest,
    ::testing::Values(
        ShuffleCase{"PadsTheLastGroup", 10, "4 1 2 3", 4, "Normal",
                    "Page 4,Page 1,Page 2,Page 3,Page 8,Page 5,Page 6,Page 7,?,Page 9,Page 10,?"},
        ShuffleCase{"Saddle", 8, "1 2 3 4", 4, "SaddleStitch", "Page 1,Page 2,Page 7,Page 8,Page 3,Page 4,Page 5,Page 6"},
        ShuffleCase{"Turns", 2, "2> 1*", 2, "Normal", "Page 2/90,Page 1/180"},
        ShuffleCase{"Blanks", 4, "1 x 2", 2, "Normal", "Page 1,?,Page 2,Page 3,?,Page 4"},
        ShuffleCase{"BlankFirst", 2, "x< 1 2", 2, "Normal", "?/270,Page 1,Page 2"},
        ShuffleCase{"Duplicates", 4, "1 1> 2", 2, "Normal", "Page 1,Page 1/90,Page 2,Page 3,Page 3/90,Page 4"},
        ShuffleCase{"TurnedThenCopied", 2, "1> 1", 1, "Normal", "Page 1/90,Page 1,Page 2/90,Page 2"},
        ShuffleCase{"DuplicateOfPadding", 3, "2 2 1", 2, "Normal", "Page 2,Page 2,Page 1,?,?,Page 3"},
        ShuffleCase{"LostPages", 4, "2", 2, "Normal", "Page 2,Page 4"},
        ShuffleCase{"CutStacksSingle", 4, "1 2", 2, "CutStacksSingle", "Page 1,Page 3,Page 2,Page 4"},
        ShuffleCase{"CutStacksDouble", 8, "1 2 3 4", 4, "CutStacksDouble",
                    "Page 1,Page 2,Page 5,Page 6,Page 3,Page 4,Page 7,Page 8"},
        ShuffleCase{"CutSignatures", 16, "1 2 3 4 5 6 7 8", 8, "CutSignatures",
                    "Page 1,Page 2,Page 3,Page 4,Page 9,Page 10,Page 11,Page 12,Page 5,Page 6,Page 7,Page 8,Page 13,"
                    "Page 14,Page 15,Page 16"},
        ShuffleCase{"WholeDocument", 3, "3 2 1", 0, "Normal", "Page 3,Page 2,Page 1"},
        // The unused slots of a saddle-stitched group lie at the end: those
        // pages go, not the next group's.
        ShuffleCase{"SaddleUnusedBack", 8, "1 2", 4, "SaddleStitch", "Page 1,Page 2,Page 3,Page 4"},
        ShuffleCase{"StacksUnused", 4, "2", 2, "CutStacksSingle", "Page 3,Page 4"},
        // Unchecked lists: a slot outside the group becomes a blank.
        ShuffleCase{"SlotOutsideGroup", 4, "1 5000", 2, "Normal", "Page 1,?,Page 3,?"},
        ShuffleCase{"TestMode", 4, "test 2 1>", 2, "Normal", "Page 2,Page 1/90,Page 4,Page 3/90"},
        ShuffleCase{"TestModeDuplicates", 3, "TEST 1 1 x", 2, "Normal", "Page 1,Page 1,?,Page 3,Page 3,?"},
        ShuffleCase{"SlowCopyDuplicates", 4, "slowcopy 2 2> 1", 2, "Normal",
                    "Page 2,Page 2/90,Page 1,Page 4,Page 4/90,Page 3"}));

// Every list type with groups of an odd and an even number of pages (for
// the stacks: an odd and an even number of stacks). The six roads to a
// shuffle, in place and into a new document, each plain, in test mode and
// with slow copies, give the same pages, page by page.
class ShuffleRoadTest : public PagesTest, public ::testing::WithParamInterface<ShuffleCase> {
 protected:
  // The shuffle of a fresh document of c.pages pages by the list with the
  // prefix, read back from where it went.
  std::string Road(const std::string& prefix, bool newDoc) {
    const ShuffleCase& c = GetParam();
    const EOrderListType type = (EOrderListType)KCabEkAtomToEnum(
        ASAtomFromString(c.type), 0, "Normal", 1, "SaddleStitch", 2, "CutStacksSingle", 3, "CutStacksDouble", 4,
        "CutSignatures", 0, (const char*)nullptr);
    PDDoc doc = Doc(c.pages);
    const std::string before = OrderText(doc);
    const std::string list = prefix + c.list;
    ForgetViews();
    EXPECT_EQ(1, OrderListExecuteInner(nullptr, doc, list.c_str(), c.group, newDoc ? 1 : 0, type))
        << list << ::testing::PrintToString(Errors());
    if (!newDoc) return OrderText(doc);
    EXPECT_EQ(before, OrderText(doc)) << "the source stays as it was";
    auto views = ViewsOpened();
    EXPECT_EQ(1u, views.size()) << list;
    return views.empty() ? std::string("no document") : OrderText(AVDocGetPDDoc(views[0].view));
  }
};

TEST_P(ShuffleRoadTest, EveryRoadGivesTheSamePages) {
  const ShuffleCase& c = GetParam();
  for (const char* prefix : {"", "test ", "slowcopy "}) {
    for (bool newDoc : {false, true}) {
      EXPECT_EQ(c.order, Road(prefix, newDoc)) << '"' << prefix << c.list << '"' << (newDoc ? " into a new document" : " in place");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, ShuffleRoadTest,
    ::testing::Values(
        ShuffleCase{"NormalOdd", 9, "3 1 2", 3, "Normal",
                    "Page 3,Page 1,Page 2,Page 6,Page 4,Page 5,Page 9,Page 7,Page 8"},
        ShuffleCase{"NormalEvenPadded", 7, "2 1 4 3", 4, "Normal",
                    "Page 2,Page 1,Page 4,Page 3,Page 6,Page 5,?,Page 7"},
        // Each group of five takes two pages from the front and three from the back.
        ShuffleCase{"SaddleOddFive", 10, "1 2 3 4 5", 5, "SaddleStitch",
                    "Page 1,Page 2,Page 8,Page 9,Page 10,Page 3,Page 4,Page 5,Page 6,Page 7"},
        ShuffleCase{"SaddleOddThree", 6, "1 2 3", 3, "SaddleStitch", "Page 1,Page 5,Page 6,Page 2,Page 3,Page 4"},
        ShuffleCase{"SaddleOddPadded", 8, "5 1 4 2 3", 5, "SaddleStitch",
                    "?,Page 1,?,Page 2,Page 8,Page 7,Page 3,Page 6,Page 4,Page 5"},
        ShuffleCase{"SaddleEven", 8, "4 1 3 2", 4, "SaddleStitch",
                    "Page 8,Page 1,Page 7,Page 2,Page 6,Page 3,Page 5,Page 4"},
        ShuffleCase{"SaddleOddDuplicate", 10, "1 2 3 4 5 1", 5, "SaddleStitch",
                    "Page 1,Page 2,Page 8,Page 9,Page 10,Page 1,Page 3,Page 4,Page 5,Page 6,Page 7,Page 3"},
        ShuffleCase{"SaddleOddDuplicateOfTheBack", 10, "1 2 3 4 5 4", 5, "SaddleStitch",
                    "Page 1,Page 2,Page 8,Page 9,Page 10,Page 9,Page 3,Page 4,Page 5,Page 6,Page 7,Page 6"},
        ShuffleCase{"SaddleOddLost", 10, "2 3 5", 5, "SaddleStitch", "Page 2,Page 8,Page 10,Page 4,Page 5,Page 7"},
        ShuffleCase{"SaddleOddBlankAndTurn", 6, "1 x 3 2>", 3, "SaddleStitch",
                    "Page 1,?,Page 6,Page 5/90,Page 2,?,Page 4,Page 3/90"},
        ShuffleCase{"StacksSingleOdd", 9, "1 2 3", 3, "CutStacksSingle",
                    "Page 1,Page 4,Page 7,Page 2,Page 5,Page 8,Page 3,Page 6,Page 9"},
        ShuffleCase{"StacksSingleEven", 8, "2 1", 2, "CutStacksSingle",
                    "Page 5,Page 1,Page 6,Page 2,Page 7,Page 3,Page 8,Page 4"},
        ShuffleCase{"StacksSingleDuplicate", 6, "1 2 3 3", 3, "CutStacksSingle",
                    "Page 1,Page 3,Page 5,Page 5,Page 2,Page 4,Page 6,Page 6"},
        ShuffleCase{"StacksDoubleOdd", 12, "1 2 3 4 5 6", 6, "CutStacksDouble",
                    "Page 1,Page 2,Page 5,Page 6,Page 9,Page 10,Page 3,Page 4,Page 7,Page 8,Page 11,Page 12"},
        ShuffleCase{"StacksDoubleEven", 8, "2 1 4 3", 4, "CutStacksDouble",
                    "Page 2,Page 1,Page 6,Page 5,Page 4,Page 3,Page 8,Page 7"},
        ShuffleCase{"SignaturesOdd", 24, "1 2 3 4 5 6 7 8 9 10 11 12", 12, "CutSignatures",
                    "Page 1,Page 2,Page 3,Page 4,Page 9,Page 10,Page 11,Page 12,Page 17,Page 18,Page 19,Page 20,"
                    "Page 5,Page 6,Page 7,Page 8,Page 13,Page 14,Page 15,Page 16,Page 21,Page 22,Page 23,Page 24"},
        ShuffleCase{"SignaturesEven", 16, "1 2 3 4 5 6 7 8", 8, "CutSignatures",
                    "Page 1,Page 2,Page 3,Page 4,Page 9,Page 10,Page 11,Page 12,Page 5,Page 6,Page 7,Page 8,"
                    "Page 13,Page 14,Page 15,Page 16"}));

TEST_F(PagesTest, ShuffleRefusesWhatWouldDestroyTheDocument) {
  PDDoc doc = Doc(4);
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "x x", 2, 0, kOrderListNormal));
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "", 2, 0, kOrderListNormal));
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "2 1 ?", 2, 0, kOrderListNormal));
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "2 1", 5000, 0, kOrderListNormal));
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4", OrderText(doc));
  EXPECT_EQ((std::vector<std::string>{Msg("pagemg.7.onlyx"), Msg("pagemg.7.onlyx"), Msg("pagemg.7.badlist") + "?",
                                      Msg("pagemg.7.grouptoobig")}),
            Errors());
}

// A page trimmed to nothing lends its size to a blank like any other page:
// the blank is inserted, and no other page's boxes change.
TEST_F(PagesTest, BlanksNextToAPageTrimmedToNothing) {
  for (const char* list : {"1 x 2", "test 1 x 2"}) {
    PDDoc doc = Doc(4);
    {
      ScopedPage first(doc, 0);
      PDPageSetCropBox(first, ASFixedRect{0, ASInt32ToFixed(792), 0, 0});
    }
    ASSERT_EQ(1, OrderListExecuteInner(nullptr, doc, list, 2, 0, kOrderListNormal)) << list;
    EXPECT_EQ("Page 1,?,Page 2,Page 3,?,Page 4", OrderText(doc)) << list;
    auto crop = [&](ASInt32 i) {
      ScopedPage page(doc, i);
      ASFixedRect r;
      PDPageGetCropBox(page, &r);
      return r;
    };
    EXPECT_EQ(0, crop(1).right) << list << ": the blank is as wide as page 1";
    EXPECT_EQ(ASInt32ToFixed(612), crop(2).right) << list << ": page 2 keeps its own crop box";
    EXPECT_EQ(ASInt32ToFixed(612), crop(4).right) << list << ": a blank like page 3";
    EXPECT_EQ(0, SaveAndCheck(doc, "trimmed.pdf"));
  }
}

TEST_F(PagesTest, PaddingBlanksTakeTheBoxesOfTheLastPage) {
  PDDoc doc = Doc(3);
  {
    ScopedPage last(doc, 2);
    PDPageSetBox(last, ASAtomFromString("TrimBox"), ASFixedRect{ASInt32ToFixed(10), ASInt32ToFixed(780),
                                                                 ASInt32ToFixed(600), ASInt32ToFixed(12)});
    PDPageSetRotate(last, 90);
  }
  ASSERT_EQ(1, OrderListExecuteInner(nullptr, doc, "1 2", 2, 0, kOrderListNormal));
  EXPECT_EQ("Page 1,Page 2,Page 3/90,?/90", OrderText(doc));
  ScopedPage blank(doc, 3);
  ASFixedRect trim;
  EXPECT_TRUE(PDPageGetBox(blank, ASAtomFromString("TrimBox"), &trim));
  EXPECT_EQ(ASInt32ToFixed(10), trim.left);
}

TEST_F(PagesTest, ShuffledWindowsAreNumbered) {
  const ASInt32 before = gShuffledDocNumber;
  PDDoc doc = Doc(2);
  ForgetViews();
  ASSERT_EQ(1, OrderListExecuteInner(nullptr, doc, "2 1", 2, 1, kOrderListNormal));
  ASSERT_EQ(1, OrderListExecuteInner(nullptr, doc, "2 1", 2, 1, kOrderListNormal));
  auto views = ViewsOpened();
  ASSERT_EQ(2u, views.size());
  char title[200];
  std::snprintf(title, sizeof title, Msg("pagemg.7.title.shuffleddoc").c_str(), before + 2);
  EXPECT_EQ(title, views[1].title);
}

TEST_F(PagesTest, ShuffleOfAViewUsesItsDocument) {
  AVDoc view = View(4);
  ASSERT_EQ(1, OrderListExecuteInner(view, nullptr, "2 1", 2, 0, kOrderListNormal));
  EXPECT_EQ("Page 2,Page 1,Page 4,Page 3", OrderText(AVDocGetPDDoc(view)));
}

TEST_F(PagesTest, CancelInPlaceAsksAndStopsWhereItIs) {
  PDDoc doc = Doc(4);
  ClickStatusCancel();
  AVAlertQueueAnswer(2);  // stop
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "2 1", 2, 0, kOrderListNormal));
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ(Msg("pagemg.7.confirm.cancelshuffle"), AVAlertRecorded()[0].message);
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4", OrderText(doc)) << "stopped before the first group";
  EXPECT_FALSE(StatusBoxDialog() != nullptr) << "the status box is closed";
}

TEST_F(PagesTest, CancelAnsweredGoOnFinishes) {
  PDDoc doc = Doc(4);
  ClickStatusCancel();
  AVAlertQueueAnswer(1);  // go on
  EXPECT_EQ(1, OrderListExecuteInner(nullptr, doc, "2 1", 2, 0, kOrderListNormal));
  EXPECT_EQ("Page 2,Page 1,Page 4,Page 3", OrderText(doc));
}

TEST_F(PagesTest, CancelWhileCopyingClosesTheCopy) {
  PDDoc doc = Doc(4);
  const ASInt32 open = PDGetOpenDocCount();
  ForgetViews();
  ClickStatusCancel();
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "2 1", 2, 1, kOrderListNormal));
  EXPECT_EQ(open, PDGetOpenDocCount());
  EXPECT_TRUE(ViewsOpened().empty());
  EXPECT_EQ(std::vector<std::string>{Msg("pagemg.7.cancelled")}, Errors());
}

TEST_F(PagesTest, HostFailureInPlaceReportsProgressAndPassesOn) {
  PDDoc doc = Doc(4);
  ASFaultInject("PDDocCreatePage", genErrGeneral, 1);
  const ASErrorCode code = ErrorOf([&] { OrderListExecuteInner(nullptr, doc, "2 x 1", 2, 0, kOrderListNormal); });
  ASFaultClearAll();
  EXPECT_EQ(genErrGeneral, code);
  EXPECT_EQ(std::vector<std::string>{Formatted("pagemg.7.errorprogress", 4)}, Errors());
  EXPECT_EQ(nullptr, StatusBoxDialog());
}

TEST_F(PagesTest, HostFailureInANewDocumentClosesIt) {
  PDDoc doc = Doc(4);
  const ASInt32 open = PDGetOpenDocCount();
  ASFaultInject("PDDocCreatePage", genErrGeneral);
  const ASErrorCode code = ErrorOf([&] { OrderListExecuteInner(nullptr, doc, "2 x 1", 2, 1, kOrderListNormal); });
  ASFaultClearAll();
  EXPECT_EQ(genErrGeneral, code);
  EXPECT_EQ(open, PDGetOpenDocCount());
  EXPECT_TRUE(Errors().empty()) << "a new document is closed silently";
}

TEST_F(PagesTest, RotatePageStepsThroughQuarterTurns) {
  PDDoc doc = Doc(1);
  for (EWhatRotate r : {kWhatRotate90, kWhatRotate90, kWhatRotate180, kWhatRotate270, kWhatRotateNone}) {
    OrderListRotatePage(doc, 0, r);
  }
  EXPECT_EQ("Page 1/270", OrderText(doc));
}

TEST_F(PagesTest, SlotMappingOfEveryType) {
  // Group 4 of a 16-page document (R = 4).
  EXPECT_EQ(7, OrderListSlotSourcePage(kOrderListNormal, 1, 3, 4, 16));
  EXPECT_EQ(4, OrderListSlotSourcePage(kOrderListSaddleStitch, 1, 2, 4, 16));
  EXPECT_EQ(13, OrderListSlotSourcePage(kOrderListSaddleStitch, 1, 3, 4, 16));
  EXPECT_EQ(10, OrderListSlotSourcePage(kOrderListCutStacksSingle, 1, 3, 4, 16));
  EXPECT_EQ(11, OrderListSlotSourcePage(kOrderListCutStacksDouble, 1, 3, 4, 16));
  EXPECT_EQ(7, OrderListSlotSourcePage(kOrderListCutSignatures, 1, 3, 4, 16));
  EXPECT_EQ(3, OrderListSlotSourcePage((EOrderListType)9, 0, 3, 4, 16)) << "unknown types are Normal";
}

// ---- through the process manager

TEST_F(PagesTest, ShuffleCommandRunsFromItsStartCallback) {
  SKCab* definition = KCabNewInner();
  ShuffleFillProcessControlCab(definition);
  PDDoc doc = Doc(4);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutStringCopy(p, "Order", "2 1>");
    KCabPutInt(p, "GroupSize", 2);
  }));
  EXPECT_EQ("Page 2,Page 1/90,Page 4,Page 3/90", OrderText(doc));

  // A refused list cancels the run.
  EXPECT_FALSE(Run(definition, doc, [](SKCab* p) { KCabPutStringCopy(p, "Order", "x"); }));
  EXPECT_FALSE(Run(definition, doc, [](SKCab*) {}));
  EXPECT_EQ("Page 2,Page 1/90,Page 4,Page 3/90", OrderText(doc));
  KCabDestroy(definition);
}

}  // namespace

namespace {

TEST_F(PagesTest, ShuffleCommandIntoANewDocument) {
  SKCab* definition = KCabNewInner();
  ShuffleFillProcessControlCab(definition);
  PDDoc doc = Doc(6);
  ForgetViews();
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) {
    KCabPutStringCopy(p, "Order", "1 2 3 4");
    KCabPutInt(p, "GroupSize", 4);
    KCabPutAtom(p, "Type", ASAtomFromString("SaddleStitch"));
    KCabPutBool(p, "NewDoc", 1);
  }));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  PDDoc made = AVDocGetPDDoc(views[0].view);
  EXPECT_EQ("Page 1,Page 2,?,?,Page 3,Page 4,Page 5,Page 6", OrderText(made));
  EXPECT_EQ(0, SaveAndCheck(made, "saddle.pdf"));
  EXPECT_EQ("Page1|Page2|||Page3|Page4|Page5|Page6|", PdfToText(dir.file("saddle.pdf")));
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4,Page 5,Page 6", OrderText(doc));
  KCabDestroy(definition);
}

}  // namespace

namespace {

TEST_F(PagesTest, StoppedTestBuildIsNoSuccess) {
  PDDoc doc = Doc(4);
  ClickStatusCancel();
  AVAlertQueueAnswer(2);  // stop
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, "test 2 1", 2, 0, kOrderListNormal));
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4", OrderText(doc)) << "stopped before anything was appended";
}

// Stopped after the first group was appended (with a padding blank on the
// way): the appended pages go again, and the run is no success.
TEST_F(PagesTest, TestBuildStoppedHalfWayLeavesTheDocumentAsItWas) {
  SKCab* definition = KCabNewInner();
  ShuffleFillProcessControlCab(definition);
  PDDoc doc = Doc(3);
  // The status box looks at the click once the progress has moved: after
  // the first group was appended.
  ClickStatusCancel();
  AVAlertQueueAnswer(2);  // stop
  EXPECT_FALSE(Run(definition, doc, [](SKCab* p) {
    KCabPutStringCopy(p, "Order", "test 2 1");
    KCabPutInt(p, "GroupSize", 2);
  }));
  KCabDestroy(definition);
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ("Page 1,Page 2,Page 3", OrderText(doc));
  EXPECT_EQ(std::vector<std::string>{Msg("pagemg.7.cancelled")}, Errors());
  EXPECT_EQ(0, SaveAndCheck(doc, "stopped.pdf"));
}

// A shuffle makes one page per token and group: beyond what an insertion
// may make it is refused before anything changes.
TEST_F(PagesTest, ShuffleOutputIsCappedLikeInserts) {
  PDDoc doc = Doc(50);
  // 50 groups of one page, 2001 tokens each: 100050 pages.
  std::string list;
  for (int i = 0; i < 2001; ++i) list += "1 ";
  EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, list.c_str(), 1, 0, kOrderListNormal));
  char text[300];
  std::snprintf(text, sizeof text, Msg("imputil1.err.toomanypages").c_str(), 100050L, 100000L);
  EXPECT_EQ(std::vector<std::string>{text}, Errors());
  EXPECT_EQ(50, PDDocGetNumPages(doc));
  EXPECT_EQ(nullptr, StatusBoxDialog()) << "refused before any work";
}

// A list longer than a run may insert is the list's fault, whatever the
// document: it is told as such, with its length and the limit.
TEST_F(PagesTest, AnOrderListLongerThanARunMayInsertIsToldAsSuch) {
  for (ASInt32 group : {16, 1}) {
    SCOPED_TRACE(group);
    PDDoc doc = Doc(2);
    std::string list;
    for (int i = 0; i < 100001; ++i) list += "1 ";
    capture->Clear();
    EXPECT_EQ(0, OrderListExecuteInner(nullptr, doc, list.c_str(), group, 0, kOrderListNormal));
    char text[300];
    std::snprintf(text, sizeof text, Msg("pagemg.7.ordertoolong").c_str(), 100001L, 100000L);
    EXPECT_EQ(std::vector<std::string>{text}, Errors());
    EXPECT_NE(std::string::npos, Errors()[0].find("at most 100000")) << Errors()[0];
    EXPECT_EQ(2, PDDocGetNumPages(doc));
  }
}

}  // namespace
