#include <gtest/gtest.h>

#include <string>

#include "EngineHarness.h"
#include "kctl/mac/MacBrowseBox.h"

using namespace kvtest;

namespace {

class BrowseEngine : public EngineFixture {};

TEST_F(BrowseEngine, ItemsSelectionAndClicks) {
  EngineHarness h;
  int32_t stringsBefore = PfStringLiveCount();
  h.handler = [](SMacDialogInfo* info, ASUns32 m, ASInt32 w, SMacControlHitInfo* hit) -> ASInt32 {
    if (m == kMacDlgInit) {
      EXPECT_NE(nullptr, MacBrowseBoxFind(info, kTree));
      EXPECT_EQ(nullptr, MacBrowseBoxFind(info, kEditA)) << "only over user items";
      for (const char* t : {"first", "second", "third"}) MacBrowseBoxAddItemUTF8(info, kTree, t);
    }
    return StandardHandler(info, m, w, hit);
  };
  ASInt32 count = 0, selected = -2;
  std::string shown;
  PfScript script;
  script.Then([&] {
    count = MacBrowseBoxCountItems(h.info, kTree);
    MacBrowseBoxSetSelectedIndex(h.info, kTree, 1);
    selected = MacBrowseBoxGetSelectedIndex(h.info, kTree);
    char buf[32];
    PfCopyDataBrowserItemText(MacBrowseBoxFind(h.info, kTree), 3, buf, sizeof buf);
    shown = buf;
    MacBrowseBoxMultiClearSelect(h.info, kTree);
    PfRect r;
    PfGetDialogItemRect(Dialog(), Item(kTree), &r);
    // Two clicks on the third row: a selection change, then a double click.
    PfPoint row{r.left + 10, r.top + 2 * kPfDataBrowserRowHeight + 5};
    PfDriverClickAt(Dialog(), row, 0);
    PfDriverClickAt(Dialog(), row, 0);
  });
  script.Then([&] {
    EXPECT_EQ(2, MacBrowseBoxGetSelectedIndex(h.info, kTree));
    EXPECT_EQ(0, MacBrowseBoxMultiGetSelCount(h.info, kTree)) << "not provided";
    MacBrowseBoxClear(h.info, kTree);
    EXPECT_EQ(0, MacBrowseBoxCountItems(h.info, kTree));
    PfDriverPressEscape();
  });
  RunModalHarness(h);
  EXPECT_EQ(3, count);
  EXPECT_EQ(1, selected);
  EXPECT_EQ("third", shown);
  EXPECT_EQ(3, h.Count("command 20 6")) << "selected and cleared by code, then by the click";
  EXPECT_EQ(2, h.Count("command 20 0"));
  EXPECT_EQ(1, h.Count("command 20 5"));
  EXPECT_EQ(stringsBefore, PfStringLiveCount()) << "the texts went with the box";
}

}  // namespace
