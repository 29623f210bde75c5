#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;

namespace {

struct DefLog {
  std::vector<int16_t> messages;
  std::vector<int32_t> drawnRows;
};
DefLog* gLog = nullptr;

void LoggingDef(int16_t message, bool, const PfRect*, PfCell cell, int32_t, int32_t, PfListRef) {
  if (!gLog) return;
  gLog->messages.push_back(message);
  if (message == kPfListDrawMsg) gLog->drawnRows.push_back(cell.v);
}

class Lists : public PfFixture {
 protected:
  void SetUp() override {
    PfFixture::SetUp();
    gLog = &log;
    w = PfNewWindow(PfSetRect(0, 40, 400, 400), "W", true, kPfNoGrowDocProc, true, false, 0);
    // Five visible rows of 17.
    l = PfLNew(PfSetRect(10, 10, 110, 10 + 5 * 17), 1, PfPoint{0, 0}, LoggingDef, w, true, false, false, true);
    PfLAddRow(8, 0, l);
  }
  void TearDown() override {
    gLog = nullptr;
    PfFixture::TearDown();
  }
  PfPoint RowPoint(int32_t row) {
    PfRect r;
    PfLRect(&r, PfCell{0, row}, l);
    return PfRectCentre(r);
  }
  std::vector<int32_t> Selected() {
    std::vector<int32_t> rows;
    PfCell c{0, 0};
    while (PfLGetSelect(true, &c, l)) {
      rows.push_back(c.v);
      ++c.v;
    }
    return rows;
  }
  DefLog log;
  PfWindowRef w = nullptr;
  PfListRef l = nullptr;
};

TEST_F(Lists, ClicksSelectToggleAndExtend) {
  EXPECT_FALSE(PfLClick(RowPoint(1), 0, l));
  EXPECT_EQ((std::vector<int32_t>{1}), Selected());
  PfLClick(RowPoint(3), kPfCmdKey, l);
  EXPECT_EQ((std::vector<int32_t>{1, 3}), Selected());
  PfLClick(RowPoint(1), kPfCmdKey, l);
  EXPECT_EQ((std::vector<int32_t>{3}), Selected());
  PfLClick(RowPoint(0), 0, l);
  PfLClick(RowPoint(2), kPfShiftKey, l);
  EXPECT_EQ((std::vector<int32_t>{0, 1, 2}), Selected());
  PfLClick(PfPoint{50, 10 + 5 * 17 - 1}, 0, l);  // row 4 is the last visible one
  EXPECT_EQ((std::vector<int32_t>{4}), Selected());
}

TEST_F(Lists, DoubleClickNeedsTheSameCellWithinTheInterval) {
  EXPECT_FALSE(PfLClick(RowPoint(2), 0, l));
  EXPECT_TRUE(PfLClick(RowPoint(2), 0, l));
  EXPECT_FALSE(PfLClick(RowPoint(2), 0, l)) << "a third click starts a new pair";
  PfClockAdvance(PfGetDblTime() + 1);
  EXPECT_FALSE(PfLClick(RowPoint(2), 0, l));
  EXPECT_FALSE(PfLClick(RowPoint(3), 0, l));
  EXPECT_EQ(3, PfLLastClick(l).v);
}

TEST_F(Lists, ScrollingStaysInRangeAndFollowsTheScrollBar) {
  EXPECT_EQ(5, PfLVisibleRowCount(l));
  PfLScroll(0, 100, l);
  EXPECT_EQ(3, PfLGetTopRow(l));
  PfControlRef bar = PfLGetVerticalScrollBar(l);
  EXPECT_EQ(3, PfGetControlValue(bar));
  EXPECT_EQ(3, PfGetControlMaximum(bar));
  PfLScroll(0, -100, l);
  EXPECT_EQ(0, PfLGetTopRow(l));
  PfRect b;
  PfGetControlBounds(bar, &b);
  EXPECT_EQ(110, b.left);
  PfLClick(PfPoint{b.left + 5, b.bottom - 4}, 0, l);  // the down arrow
  EXPECT_EQ(1, PfLGetTopRow(l));
  PfCell c;
  ASSERT_TRUE(PfLCellAtPoint(PfPoint{20, 12}, &c, l));
  EXPECT_EQ(1, c.v);
}

TEST_F(Lists, DefinitionSeesInitDrawAndCloseAndCellsHoldPointers) {
  EXPECT_EQ(kPfListInitMsg, log.messages.front());
  struct Rec {
    int x;
  } rec{5};
  unsigned char cell[4 + sizeof(void*)];
  uint32_t tag = 0xF00001FE;
  Rec* p = &rec;
  std::memcpy(cell, &tag, 4);
  std::memcpy(cell + 4, &p, sizeof p);
  PfLSetCell(cell, sizeof cell, PfCell{0, 6}, l);
  Rec* back = nullptr;
  std::memcpy(&back, PfLGetCellData(PfCell{0, 6}, l) + 4, sizeof back);
  EXPECT_EQ(&rec, back);
  log.drawnRows.clear();
  PfLScroll(0, 3, l);
  PfLUpdate(l);
  EXPECT_EQ((std::vector<int32_t>{3, 4, 5, 6, 7}), log.drawnRows);
  PfLDelRow(0, 0, l);
  EXPECT_EQ(0, PfLRowCount(l));
  PfLDispose(l);
  EXPECT_EQ(kPfListCloseMsg, log.messages.back());
  EXPECT_EQ(0, PfCountWindowLists(w));
}

}  // namespace
