#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineHarness.h"

using namespace kvtest;

namespace {

class TreeEngine : public EngineFixture {
 protected:
  // Parent(1) > Child A(2), Child B(2); Other(1).
  static void FillTree(SMacDialogInfo* info) {
    MacTreeAddItemUtf8(info, kTree, "Parent", 1);
    MacTreeAddItemUtf8(info, kTree, "Child A", 2);
    MacTreeAddItemUtf8(info, kTree, "Child B", 2);
    MacTreeAddItemUtf8(info, kTree, "Other", 0);
    MacTreeEndUpdate(info, kTree);
  }
  // The tree filled at init, the rest as usual.
  static ASInt32 TreeHandler(SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) {
    if (m == kMacDlgInit) FillTree(info);
    return StandardHandler(info, m, w, hit);
  }
  std::string Rows(SMacDialogInfo* info) {
    std::string out;
    for (ASInt32 r = 0; r < MacListBoxCountItems(info, kTree); ++r) {
      SMacListCell* c = MacListBoxGetCustomCell(info, kTree, r);
      out += std::string(r ? " " : "") + (c ? std::string(c->text) + ":" + std::to_string(c->flags) + "/" +
                                                  std::to_string(c->level)
                                            : "?");
    }
    return out;
  }
  // Clicks the row at dx from the cell's left edge.
  void ClickRow(int32_t row, int32_t dx, int clicks = 1) {
    PfDriverClickListRow(Dialog(), Item(kTree), row, dx, 0, clicks);
  }
};

TEST_F(TreeEngine, RowsCarryFlagsAndLevels) {
  EngineHarness h;
  std::string rows;
  h.handler = TreeHandler;
  PfScript script;
  script.Then([&] {
    rows = Rows(h.info);
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ("Parent:1/0 Child A:4/1 Child B:4/1 Other:4/0", rows);
  EXPECT_EQ(0, MacTreeControlCount()) << "the destroy message freed the tree";
}

TEST_F(TreeEngine, AMultipleSelectionTreeShowsEveryItemWithoutTriangles) {
  EngineHarness h;
  std::string rows;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) {
      MacTreeMultiInit(info, kTree, 1);
      FillTree(info);
      MacTreeSetOpen(info, kTree, 0, 0);  // closed, yet nothing is hidden
    }
    return StandardHandler(info, m, w, hit);
  };
  PfScript script;
  script.Then([&] {
    rows = Rows(h.info);
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ("Parent:0/0 Child A:0/1 Child B:0/1 Other:0/0", rows);
}

TEST_F(TreeEngine, TheTriangleClosesAndOpensALevel) {
  EngineHarness h;
  std::vector<std::string> data;
  std::vector<std::string> rows;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) FillTree(info);
    if (m == kMacDlgNotify && hit->code == kMacTreeOpenClose) {
      auto* d = static_cast<SMacTreeOpenCloseData*>(hit->data);
      data.push_back(std::to_string(d->index) + "," + std::to_string(d->opening));
    }
    return StandardHandler(info, m, w, hit);
  };
  PfScript script;
  script.Then([&] { ClickRow(0, 5); });
  script.Then([&] {
    rows.push_back(Rows(h.info));
    EXPECT_EQ(-1, MacTreeGetItem(h.info, kTree, 1)->row);
    EXPECT_EQ(-1, MacTreeGetItem(h.info, kTree, 2)->row);
    EXPECT_EQ(1, MacTreeGetItem(h.info, kTree, 3)->row);
    ClickRow(0, 5);
  });
  script.Then([&] {
    rows.push_back(Rows(h.info));
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ((std::vector<std::string>{"0,0", "0,1"}), data);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("Parent:2/0 Other:4/0", rows[0]);
  EXPECT_EQ("Parent:1/0 Child A:4/1 Child B:4/1 Other:4/0", rows[1]);
  EXPECT_EQ(2, h.Count("notify 20 9"));
  EXPECT_EQ(2, h.Count("notify 20 102"));
}

TEST_F(TreeEngine, ClicksOnTheIndentationChangeNothing) {
  EngineHarness h;
  h.handler = TreeHandler;
  bool selected = true;
  PfScript script;
  script.Then([&] { ClickRow(1, 3); });  // Child A is indented by 12
  script.Then([&] {
    selected = PfDriverListRowSelected(Dialog(), Item(kTree), 1);
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_FALSE(selected);
  EXPECT_EQ(0, h.Count("command 20 6"));
  EXPECT_EQ(0, h.Count("notify 20 9"));
}

TEST_F(TreeEngine, SelectionAndDoubleClicksBecomeTreeNotifications) {
  EngineHarness h;
  h.handler = TreeHandler;
  bool itemSelected = false;
  PfScript script;
  script.Then([&] { ClickRow(3, -1); });
  script.Then([&] {
    itemSelected = MacTreeGetItem(h.info, kTree, 3)->selected;
    ClickRow(3, -1);  // the second click of a double click
  });
  script.Then([] { PfDriverPressEscape(); });
  RunModalHarness(h);
  EXPECT_TRUE(itemSelected);
  EXPECT_EQ(1, h.Count("command 20 6")) << "the second click changes no selection";
  EXPECT_EQ(1, h.Count("notify 20 101"));
  EXPECT_EQ(1, h.Count("command 20 5"));
  EXPECT_EQ(1, h.Count("notify 20 103"));
}

TEST_F(TreeEngine, ADoubleClickThatEndsTheDialogClosesAfterTheOuterCallReturns) {
  EngineHarness h;
  bool aliveAfterNested = false;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) FillTree(info);
    if (m == kMacDlgNotify && hit->code == kMacTreeDoubleClick) EndDialog(info, 77);
    ASInt32 r = StandardHandler(info, m, w, hit);
    if (m == kMacDlgCommand && hit->id == kTree && hit->code == kMacCmdListDoubleClick) {
      // The nested notify ended the dialog; it is still whole until this call returns.
      aliveAfterNested = MacDialogInfoIsLive(info) && MacListBoxCountItems(info, kTree) == 4 && h.Count("destroy") == 0;
      h.Log("outer done");
    }
    return r;
  };
  PfScript script;
  script.Then([&] { ClickRow(2, -1, 2); });
  EXPECT_EQ(77, RunModalHarness(h));
  EXPECT_TRUE(aliveAfterNested);
  EXPECT_EQ(1, h.Count("destroy"));
  const std::string all = h.Joined();
  EXPECT_LT(all.find("notify 20 103"), all.find("outer done"));
  EXPECT_LT(all.find("outer done"), all.find("destroy"));
}

class ListEngine : public EngineFixture {
 protected:
  static ASInt32 ListHandler(SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) {
    if (m == kMacDlgInit) FillList(info);
    return StandardHandler(info, m, w, hit);
  }
  static void FillList(SMacDialogInfo* info) {
    for (const char* t : {"one", "two", "three", "four", "five", "six", "seven"}) MacListBoxAddItemUTF8(info, kTree, t);
    MacListBoxEndUpdate(info, kTree);
  }
};

TEST_F(ListEngine, APlainClickOnAMultipleSelectionSelectsOneRow) {
  EngineHarness h;
  h.handler = [&](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) {
      FillList(info);
      for (ASInt32 r : {0, 1, 2}) MacListBoxMultiSelectItem(info, kTree, r, 1);
    }
    return StandardHandler(info, m, w, hit);
  };
  ASInt32 count = -1, first = -1;
  PfScript script;
  script.Then([&] { PfDriverClickListRow(Dialog(), Item(kTree), 1, -1, 0, 1); });
  script.Then([&] {
    count = MacListBoxMultiGetSelCount(h.info, kTree);
    first = MacListBoxGetSelectedIndex(h.info, kTree);
    PfClockAdvance(60);  // no double click with what follows
    PfDriverClickListRow(Dialog(), Item(kTree), 1, -1, 0, 1);
  });
  script.Then([&] {
    PfClockAdvance(60);
    PfDriverClickListRow(Dialog(), Item(kTree), 1, -1, 0, 2);
  });
  script.Then([] { PfDriverPressEscape(); });
  RunModalHarness(h);
  EXPECT_EQ(1, count);
  EXPECT_EQ(1, first);
  EXPECT_EQ(1, h.Count("command 20 6")) << "clicking the one selected row again changes nothing";
  EXPECT_EQ(1, h.Count("command 20 5"));
}

TEST_F(ListEngine, HidingTheItemHidesTheScrollBar) {
  EngineHarness h;
  h.handler = ListHandler;
  std::vector<bool> shown;
  PfScript script;
  script.Then([&] {
    PfControlRef bar = PfLGetVerticalScrollBar(MacListBoxFind(h.info, kTree));
    shown.push_back(PfIsControlVisible(bar));
    MacControlShowIf(h.info, kTree, 0);
    shown.push_back(PfIsControlVisible(bar));
    MacListBoxEndUpdate(h.info, kTree);
    shown.push_back(PfIsControlVisible(bar));
    MacControlShowIf(h.info, kTree, 1);
    shown.push_back(PfIsControlVisible(bar));
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ((std::vector<bool>{true, false, false, true}), shown);
}

TEST_F(ListEngine, ScrollingAndTopRows) {
  EngineHarness h;
  h.handler = ListHandler;
  ASInt32 top = -1, count = -1;
  PfScript script;
  script.Then([&] {
    MacListBoxSetTopIndex(h.info, kTree, 2);
    top = MacListBoxGetTopIndex(h.info, kTree);
    count = MacListBoxCountItems(h.info, kTree);
    MacListBoxClear(h.info, kTree);
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ(2, top);
  EXPECT_EQ(7, count);
}

}  // namespace
