#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfDump;
using kvtest::PfFixture;
using kvtest::PfItemSpec;
using kvtest::PfMakeItemList;
using kvtest::PfScript;
using kvtest::PfText;

namespace {

class Driver : public PfFixture {
 protected:
  PfDialogRef Make() {
    std::vector<PfItemSpec> items = {
        {kPfButtonItem, PfSetRect(200, 150, 270, 170), "OK"},
        {kPfButtonItem, PfSetRect(120, 150, 190, 170), "Cancel"},
        {kPfEditTextItem, PfSetRect(20, 20, 120, 36), "12"},
        {kPfCheckBoxItem, PfSetRect(20, 80, 200, 98), "Check me"},
        {kPfUserItem, PfSetRect(20, 40, 110, 75), ""},
        {kPfUserItem, PfSetRect(150, 20, 250, 40), ""},
    };
    PfDialogRef d = PfNewDialog(PfSetRect(100, 100, 400, 300), "Driven", true, kPfMovableModalProc, true, false, 0,
                                PfMakeItemList(items), 0);
    PfSetDialogDefaultItem(d, 1);
    PfSetDialogCancelItem(d, 2);
    PfWindowRef w = PfGetDialogWindow(d);
    list = PfLNew(PfSetRect(20, 40, 95, 40 + 2 * 17), 1, PfPoint{0, 0}, nullptr, w, true, false, false, true);
    PfLAddRow(4, 0, list);
    for (int i = 0; i < 4; ++i) {
      std::string t = "row" + std::to_string(i);
      PfLSetCell(t.data(), (int32_t)t.size(), PfCell{0, i}, list);
    }
    PfMenuRef m = PfNewMenu(300, "");
    PfInsertMenu(m, -1);
    for (const char* t : {"A4", "Letter", "Legal"}) PfAppendMenuItemTextUTF8(m, t);
    PfControlRef pop = PfNewControl(w, PfSetRect(150, 20, 250, 40), "", true, 1, 300, 0, kPfPopupButtonProc, 0);
    PfSetDialogItemControl(d, 6, pop, false);
    PfSetDialogItemKind(d, 6, kPfResControlItem);
    return d;
  }
  // Offers clicks to the list first, as a dialog engine's filter does.
  static bool ListFilter(PfDialogRef d, PfEvent* e, int16_t*) {
    if (e->what != kPfMouseDown) return false;
    PfWindowRef w = PfGetDialogWindow(d);
    PfListRef l = PfGetIndexedWindowList(w, 0);
    PfPoint local = PfGlobalToLocal(w, e->where);
    PfRect view;
    PfLGetView(l, &view);
    if (PfPtInRect(local, view)) PfLClick(local, e->modifiers, l);
    return false;
  }
  // Runs modal steps until OK or Cancel, handling check boxes as an owner would.
  int16_t RunModal(PfDialogRef d, std::vector<int16_t>* hits = nullptr) {
    for (;;) {
      int16_t hit = 0;
      PfModalDialog(&ListFilter, &hit);
      if (hits) hits->push_back(hit);
      if (hit == 4) {
        PfControlRef c = PfGetDialogItemControl(d, 4);
        PfSetControlValue(c, !PfGetControlValue(c));
      }
      if (hit == 1 || hit == 2) return hit;
    }
  }
  PfListRef list = nullptr;
};

TEST_F(Driver, FindsDialogsAndItems) {
  PfDialogRef d = Make();
  EXPECT_EQ(d, PfDriverFindDialog("Driven"));
  EXPECT_EQ(d, PfDriverFindDialog(nullptr));
  EXPECT_EQ(nullptr, PfDriverFindDialog("Other"));
  EXPECT_EQ(4, PfDriverItemByCaption(d, "Check me"));
  EXPECT_EQ(6, PfDriverItemByCaption(d, "A4")) << "a pop-up shows its chosen entry";
  EXPECT_EQ(3, PfDriverItemById(d, 3)) << "without a resolver ids are item numbers";
  static const SPfDriverResolver resolver = {
      [](PfDialogRef, int32_t id) -> int16_t { return id == 42 ? 3 : 0; },
      [](PfDialogRef, int16_t item) -> int32_t { return item == 3 ? 42 : -item; },
      [](PfDialogRef, const char* key) -> int16_t { return std::string(key) == "Count" ? 3 : 0; }};
  PfDriverSetResolver(&resolver);
  EXPECT_EQ(3, PfDriverItemById(d, 42));
  EXPECT_EQ(3, PfDriverItemByKey(d, "Count"));
  EXPECT_NE(std::string::npos, PfDump(d).find("edit     id=42 \"12\""));
}

TEST_F(Driver, ScriptDrivesAModalDialogThroughTheEventQueue) {
  PfDialogRef d = Make();
  PfScript script;
  script.Then([&] { PfDriverTypeText(d, 3, "4,5", true); });
  script.Then([&] { PfDriverSetChecked(d, 4, true); });
  script.Then([&] { PfDriverChoosePopup(d, 6, 2); });
  script.Then([&] { PfDriverClickListRow(d, 5, 3, -1, 0, 1); });
  script.Then([&] { EXPECT_TRUE(PfDriverPressButton(d, "OK")); });
  std::vector<int16_t> hits;
  EXPECT_EQ(1, RunModal(d, &hits));
  EXPECT_EQ("4,5", PfText(d, 3));
  EXPECT_EQ(1, PfDriverGetValue(d, 4));
  EXPECT_EQ(3, PfDriverGetValue(d, 6));
  EXPECT_EQ("Legal", PfText(d, 6));
  EXPECT_TRUE(PfDriverListRowSelected(d, 5, 3));
  EXPECT_EQ(2, PfLGetTopRow(list)) << "the row was scrolled into view first";
  EXPECT_EQ(0u, script.pending());
  const std::string dump = PfDump(d);
  EXPECT_NE(std::string::npos, dump.find("rows=4 top=2 selected=3")) << dump;
  EXPECT_NE(std::string::npos, dump.find("checkbox id=4 \"Check me\" value=1")) << dump;
}

TEST_F(Driver, TypingReplacesWholeCharacters) {
  PfDialogRef d = Make();
  PfSetDialogItemText(d, 3, "\xC3\xA9t\xC3\xA9");
  PfScript script;
  script.Then([&] { PfDriverTypeText(d, 3, "ok", true); });
  script.Then([&] { PfDriverPressEscape(); });
  EXPECT_EQ(2, RunModal(d));
  EXPECT_EQ("ok", PfText(d, 3));
}

TEST_F(Driver, DisabledAndHiddenItemsRefuseOrIgnoreTheGesture) {
  PfDialogRef d = Make();
  PfHideDialogItem(d, 4);
  EXPECT_FALSE(PfDriverClickItem(d, 4, 0));
  EXPECT_FALSE(PfDriverIsVisible(d, 4));
  PfHiliteControl(PfGetDialogItemControl(d, 1), kPfInactiveHilite);
  EXPECT_FALSE(PfDriverIsEnabled(d, 1));
  PfScript script;
  script.Then([&] { PfDriverClickItem(d, 1, 0); });
  script.Then([&] { PfDriverPressCommandPeriod(); });
  std::vector<int16_t> hits;
  EXPECT_EQ(2, RunModal(d, &hits));
  EXPECT_EQ((std::vector<int16_t>{2}), hits) << "the click on the disabled OK reported nothing";
}

}  // namespace
