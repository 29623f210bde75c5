// Even/odd shuffles and page runs: reversing runs, evens to the end, the No
// and OddsFirst actions in place and into copies, split and merge with their
// padding questions, and the command's Start callback under the process
// manager.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "PagesTestSupport.h"
#include "engine/EvenOdd.h"
#include "engine/StatusWalk.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "foundation/RunCab.h"
#include "host/AVAlert.h"
#include "kctl/StatusBox.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

std::string Title(const char* key, int n) {
  char text[200];
  std::snprintf(text, sizeof text, Msg(key).c_str(), n);
  return text;
}

struct RunCase {
  int pages;
  int first, last, step;
  const char* order;
};
// Test names print the case, not a dump of its bytes.
void PrintTo(const RunCase& c, std::ostream* os) {
  *os << c.pages << " pages " << c.first << "-" << c.last << " by " << c.step;
}
class ReverseRunTest : public PagesTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(ReverseRunTest, SwapsFromBothEnds) {
  const RunCase& c = GetParam();
  PDDoc doc = Doc(c.pages);
  EXPECT_EQ(1, PDDocReversePageRun(doc, c.first, c.last, c.step));
  EXPECT_EQ(c.order, OrderText(doc));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReverseRunTest,
    ::testing::Values(RunCase{3, 1, 1, 1, "Page 1,Page 2,Page 3"}, RunCase{4, 0, 3, 1, "Page 4,Page 3,Page 2,Page 1"},
                      RunCase{5, 0, 4, 1, "Page 5,Page 4,Page 3,Page 2,Page 1"},
                      RunCase{6, 1, 5, 2, "Page 1,Page 6,Page 3,Page 4,Page 5,Page 2"},
                      RunCase{8, 1, 7, 2, "Page 1,Page 8,Page 3,Page 6,Page 5,Page 4,Page 7,Page 2"},
                      // Out-of-range ends and steps are kept inside the document.
                      RunCase{3, -4, 99, 0, "Page 3,Page 2,Page 1"}));

TEST_F(PagesTest, EvensToTheEnd) {
  PDDoc doc = Doc(5);
  EXPECT_EQ(1, PDDocEvenPagesToEnd(doc));
  EXPECT_EQ("Page 1,Page 3,Page 5,Page 2,Page 4", OrderText(doc));
  PDDoc one = Doc(1);
  EXPECT_EQ(1, PDDocEvenPagesToEnd(one));
  EXPECT_EQ("Page 1", OrderText(one));
}

TEST_F(PagesTest, InvertTurnsByHalf) {
  PDDoc doc = Doc(1);
  {
    ScopedPage page(doc, 0);
    PDPageSetRotate(page, 270);
    EXPECT_TRUE(InvertOnePage(page, nullptr));
  }
  EXPECT_EQ("Page 1/90", OrderText(doc));
}

struct ActionCase {
  const char* name;
  int pages;
  const char* action;
  bool flip, reverse;
  const char* order;
};
void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

class ActionTest : public PagesTest, public ::testing::WithParamInterface<ActionCase> {};

void Params(SKCab* p, const ActionCase& c, bool newDoc) {
  KCabPutAtom(p, "Action", ASAtomFromString(c.action));
  KCabPutBool(p, "FlipEven", c.flip);
  KCabPutBool(p, "ReverseEven", c.reverse);
  KCabPutBool(p, "NewDoc", newDoc);
}

TEST_P(ActionTest, InPlaceAndAsACopy) {
  const ActionCase& c = GetParam();
  PDDoc doc = Doc(c.pages);
  SKCab* params = KCabNewInner();
  Params(params, c, false);
  EXPECT_EQ(1, PerformEvenOddShuffleFromCab(nullptr, doc, params));
  EXPECT_EQ(c.order, OrderText(doc));
  EXPECT_EQ(0, SaveAndCheck(doc, "inplace.pdf"));

  PDDoc source = Doc(c.pages);
  Params(params, c, true);
  ForgetViews();
  const ASInt32 number = gEvenOddShuffledNumber + 1;
  EXPECT_EQ(1, PerformEvenOddShuffleFromCab(nullptr, source, params));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ(Title("pagemg.6.title.shuffled", number), views[0].title);
  EXPECT_EQ(c.order, OrderText(AVDocGetPDDoc(views[0].view)));
  EXPECT_EQ(OrderText(Doc(c.pages)), OrderText(source)) << "the source stays as it was";
  KCabDestroy(params);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, ActionTest,
    ::testing::Values(ActionCase{"FlipEvens", 4, "No", true, false, "Page 1,Page 2/180,Page 3,Page 4/180"},
                      ActionCase{"ReverseEvensOdd", 5, "No", false, true, "Page 1,Page 4,Page 3,Page 2,Page 5"},
                      ActionCase{"ReverseEvensEven", 6, "No", false, true, "Page 1,Page 6,Page 3,Page 4,Page 5,Page 2"},
                      ActionCase{"OddsFirst", 5, "OddsFirst", false, false, "Page 1,Page 3,Page 5,Page 2,Page 4"},
                      ActionCase{"OddsFirstAll", 6, "OddsFirst", true, true,
                                 "Page 1,Page 3,Page 5,Page 6/180,Page 4/180,Page 2/180"},
                      ActionCase{"UnknownActionIsNo", 3, "Sideways", true, false, "Page 1,Page 2/180,Page 3"}));

struct RefusalCase {
  int pages;
  const char* action;
  bool newDoc;
  const char* key;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.pages << " pages " << c.action << (c.newDoc ? " new" : " in place");
}
class RefusalTest : public PagesTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ChangesNothing) {
  const RefusalCase& c = GetParam();
  PDDoc doc = Doc(c.pages);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString(c.action));
  KCabPutBool(params, "NewDoc", c.newDoc);
  const ASInt32 open = PDGetOpenDocCount();
  EXPECT_EQ(0, PerformEvenOddShuffleFromCab(nullptr, doc, params));
  EXPECT_EQ(std::vector<std::string>{Msg(c.key)}, Errors());
  EXPECT_EQ(open, PDGetOpenDocCount());
  KCabDestroy(params);
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusalTest,
                         ::testing::Values(RefusalCase{4, "No", false, "pagemg.6.willdonothing"},
                                           RefusalCase{1, "No", true, "pagemg.6.justonepage"},
                                           RefusalCase{2, "OddsFirst", false, "pagemg.6.lessthanthree"},
                                           RefusalCase{4, "Split", false, "pagemg.6.err.1"},
                                           RefusalCase{4, "Merge", false, "pagemg.6.err.2"}));

TEST_F(PagesTest, MergeRefusesViewsThatAreNotOpen) {
  AVDoc odd = View(2);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString("Merge"));
  KCabPutPointerNamedType(params, "OddAVDoc", "KAVDoc", odd, nullptr);
  KCabPutPointerNamedType(params, "EvenAVDoc", "KAVDoc", (void*)&params, nullptr);  // a stale pointer
  EXPECT_EQ(0, PerformEvenOddShuffleFromCab(nullptr, nullptr, params));
  EXPECT_EQ(std::vector<std::string>{Msg("pagemg.6.err.2")}, Errors());
  KCabDestroy(params);
}

TEST_F(PagesTest, SplitMakesTwoDocumentsWithOneNumber) {
  AVDoc view = View(5);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString("Split"));
  ForgetViews();
  const ASInt32 number = gEvenOddShuffledNumber + 1;
  EXPECT_EQ(1, PerformEvenOddShuffleFromCab(view, nullptr, params));
  auto views = ViewsOpened();
  ASSERT_EQ(2u, views.size());
  EXPECT_EQ(Title("pagemg.6.title.shuffledodds", number), views[0].title);
  EXPECT_EQ(Title("pagemg.6.title.shuffledevens", number), views[1].title);
  EXPECT_EQ("Page 1,Page 3,Page 5", OrderText(AVDocGetPDDoc(views[0].view)));
  EXPECT_EQ("Page 2,Page 4", OrderText(AVDocGetPDDoc(views[1].view)));
  EXPECT_EQ("Page 1,Page 2,Page 3,Page 4,Page 5", OrderText(AVDocGetPDDoc(view)));
  EXPECT_EQ(0, SaveAndCheck(AVDocGetPDDoc(views[1].view), "evens.pdf"));
  EXPECT_EQ("Page2|Page4|", PdfToText(dir.file("evens.pdf")));
  KCabDestroy(params);
}

TEST_F(PagesTest, SplitOfOnePageIsRefused) {
  AVDoc view = View(1);
  SEvenOddShuffleInfo info{};
  info.action = kEvenOddSplit;
  info.sourceView = view;
  EXPECT_EQ(0, PerformEvenOddShuffle(&info));
  EXPECT_EQ(std::vector<std::string>{Msg("pagemg.6.cantsplitonepage")}, Errors());
}

struct MergeCase {
  int odds, evens;
  const char* question;  // asked, or null
  int answer;
  const char* order;  // null: refused
};
void PrintTo(const MergeCase& c, std::ostream* os) { *os << c.odds << " odds " << c.evens << " evens"; }
class MergeTest : public PagesTest, public ::testing::WithParamInterface<MergeCase> {};

TEST_P(MergeTest, InterleavesWithPadding) {
  const MergeCase& c = GetParam();
  AVDoc odd = View(c.odds), even = View(c.evens);
  // The even document's pages read "Page 1" ...: tell them apart by rotation.
  for (ASInt32 i = 0; i < c.evens; ++i) {
    ScopedPage page(AVDocGetPDDoc(even), i);
    PDPageSetRotate(page, 180);
  }
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString("Merge"));
  KCabPutPointerNamedType(params, "OddAVDoc", "KAVDoc", odd, nullptr);
  KCabPutPointerNamedType(params, "EvenAVDoc", "KAVDoc", even, nullptr);
  AVAlertQueueAnswer(c.answer);
  ForgetViews();
  EXPECT_EQ(c.order ? 1 : 0, PerformEvenOddShuffleFromCab(nullptr, nullptr, params));
  if (c.question) {
    ASSERT_EQ(1u, AVAlertRecorded().size());
    EXPECT_EQ(Msg(c.question), AVAlertRecorded()[0].message);
  } else {
    EXPECT_TRUE(AVAlertRecorded().empty());
  }
  auto views = ViewsOpened();
  if (c.order) {
    ASSERT_EQ(1u, views.size());
    EXPECT_EQ(c.order, OrderText(AVDocGetPDDoc(views[0].view)));
    EXPECT_EQ(0, SaveAndCheck(AVDocGetPDDoc(views[0].view), "merged.pdf"));
  } else {
    EXPECT_TRUE(views.empty());
  }
  KCabDestroy(params);
}

INSTANTIATE_TEST_SUITE_P(
    Merges, MergeTest,
    ::testing::Values(MergeCase{2, 2, nullptr, 1, "Page 1,Page 1/180,Page 2,Page 2/180"},
                      MergeCase{3, 2, nullptr, 1, "Page 1,Page 1/180,Page 2,Page 2/180,Page 3"},
                      MergeCase{3, 1, "pagemg.6.confirm.padevens", 1, "Page 1,Page 1/180,Page 2,?,Page 3"},
                      MergeCase{2, 4, "pagemg.6.confirm.padodds", 1,
                                "Page 1,Page 1/180,Page 2,Page 2/180,?,Page 3/180,?,Page 4/180"},
                      MergeCase{3, 1, "pagemg.6.confirm.padevens", 2, nullptr}));

// The padding blanks take the size of a last page trimmed to nothing: they
// are inserted all the same, and the pages pair up.
TEST_F(PagesTest, MergePadsAfterAPageTrimmedToNothing) {
  AVDoc odd = View(2), even = View(4);
  {
    ScopedPage last(AVDocGetPDDoc(odd), 1);
    PDPageSetCropBox(last, ASFixedRect{0, ASInt32ToFixed(792), 0, 0});
  }
  for (ASInt32 i = 0; i < 4; ++i) {
    ScopedPage page(AVDocGetPDDoc(even), i);
    PDPageSetRotate(page, 180);
  }
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Action", ASAtomFromString("Merge"));
  KCabPutPointerNamedType(params, "OddAVDoc", "KAVDoc", odd, nullptr);
  KCabPutPointerNamedType(params, "EvenAVDoc", "KAVDoc", even, nullptr);
  ForgetViews();
  EXPECT_EQ(1, PerformEvenOddShuffleFromCab(nullptr, nullptr, params));
  KCabDestroy(params);
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ("Page 1,Page 1/180,Page 2,Page 2/180,?,Page 3/180,?,Page 4/180", OrderText(AVDocGetPDDoc(views[0].view)));
}

TEST_F(PagesTest, ReverseIntoACopy) {
  PDDoc doc = Doc(3);
  ForgetViews();
  const ASInt32 number = gReversedDocNumber + 1;
  EXPECT_EQ(1, CopyAndReverseEntireDocument(doc));
  auto views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  EXPECT_EQ(Title("pagemg.6.title.reverseddoc", number), views[0].title);
  EXPECT_EQ("Page 3,Page 2,Page 1", OrderText(AVDocGetPDDoc(views[0].view)));
  EXPECT_EQ("Page 1,Page 2,Page 3", OrderText(doc));
  EXPECT_EQ(1, ReverseEntireDocument(doc));
  EXPECT_EQ("Page 3,Page 2,Page 1", OrderText(doc));
}

TEST_F(PagesTest, CopyFailureClosesTheCopy) {
  PDDoc doc = Doc(3);
  const ASInt32 open = PDGetOpenDocCount();
  ASFaultInject("PDDocInsertPages", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { CopyAndReverseEntireDocument(doc); }));
  ASFaultClearAll();
  EXPECT_EQ(open, PDGetOpenDocCount());
}

TEST_F(PagesTest, EvenOddCommandUnderTheProcessManager) {
  SKCab* definition = KCabNewInner();
  EvenOddShuffleFillProcessControlCab(definition);
  PDDoc doc = Doc(5);
  EXPECT_TRUE(Run(definition, doc, [](SKCab* p) { KCabPutAtom(p, "Action", ASAtomFromString("OddsFirst")); }));
  EXPECT_EQ("Page 1,Page 3,Page 5,Page 2,Page 4", OrderText(doc));
  // A refusal is no success: the run is cancelled, so no history records it.
  EXPECT_FALSE(Run(definition, doc, [](SKCab* p) { KCabPutAtom(p, "Action", ASAtomFromString("No")); }));
  EXPECT_EQ(std::vector<std::string>{Msg("pagemg.6.willdonothing")}, Errors());
  KCabDestroy(definition);
}

}  // namespace

namespace {

struct WalkSeen {
  std::vector<ASInt32> pages;
  bool boxUp = true;
};

ASBool NoteWalk(PDPage page, void* data) {
  auto* seen = static_cast<WalkSeen*>(data);
  seen->pages.push_back(PDPageGetNumber(page));
  seen->boxUp = seen->boxUp && StatusBoxDialog() != nullptr;
  return 1;
}

// The status box labels a walk that has a text and closes after it; its
// cancel button stops the walk.
TEST_F(PagesTest, WalksWithTheStatusBox) {
  PDDoc doc = Doc(5);
  WalkSeen seen;
  EXPECT_TRUE(ForEachPageWithStatus(doc, 0, -1, 2, "Walking", NoteWalk, &seen));
  EXPECT_EQ((std::vector<ASInt32>{0, 2, 4}), seen.pages);
  EXPECT_TRUE(seen.boxUp) << "the label opens the box";
  EXPECT_EQ(nullptr, StatusBoxDialog()) << "closed after the walk";

  ClickStatusCancel();
  WalkSeen cancelled;
  EXPECT_FALSE(ForEachPageWithStatus(doc, 0, -1, 1, nullptr, NoteWalk, &cancelled));
  EXPECT_EQ((std::vector<ASInt32>{0}), cancelled.pages) << "the click waiting in the queue stops it";
  CloseStatusBox();
}

}  // namespace
