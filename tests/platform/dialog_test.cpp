#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;
using kvtest::PfItemSpec;
using kvtest::PfMakeItemList;
using kvtest::PfText;

namespace {

// OK, Cancel, two edit texts, a static text, a check box, a disabled edit and a user item.
std::vector<PfItemSpec> StandardItems() {
  return {
      {kPfButtonItem, PfSetRect(200, 150, 270, 170), "OK"},
      {kPfButtonItem, PfSetRect(120, 150, 190, 170), "Cancel"},
      {kPfEditTextItem, PfSetRect(20, 20, 120, 36), "first"},
      {kPfEditTextItem, PfSetRect(20, 50, 120, 66), "second"},
      {kPfStaticTextItem, PfSetRect(140, 20, 280, 36), "Label"},
      {kPfCheckBoxItem, PfSetRect(20, 80, 200, 98), "Check me"},
      {kPfEditTextItem | kPfItemDisableBit, PfSetRect(20, 110, 120, 126), "third"},
      {kPfUserItem, PfSetRect(140, 50, 280, 140), ""},
  };
}

class Dialogs : public PfFixture {
 protected:
  PfDialogRef Make(bool visible = true) {
    PfDialogRef d = PfNewDialog(PfSetRect(100, 100, 400, 300), "Test", visible, kPfMovableModalProc, true, false, 0,
                                PfMakeItemList(StandardItems()), kPfDialogThemeBackground);
    PfSetDialogDefaultItem(d, 1);
    PfSetDialogCancelItem(d, 2);
    return d;
  }
  PfPoint Centre(PfDialogRef d, int16_t item) {
    PfRect r;
    PfGetDialogItemRect(d, item, &r);
    return PfLocalToGlobal(PfGetDialogWindow(d), PfRectCentre(r));
  }
};

TEST_F(Dialogs, ItemListsBecomeItemsAndControls) {
  PfDialogRef d = Make();
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(8, PfCountDialogItems(d));
  EXPECT_EQ(kPfButtonItem, PfGetDialogItemKind(d, 1));
  PfControlRef ok = PfGetDialogItemControl(d, 1);
  ASSERT_NE(nullptr, ok);
  EXPECT_STREQ("OK", PfGetControlTitleUTF8(ok));
  EXPECT_EQ(kPfCheckBoxProc, PfGetControlProcId(PfGetDialogItemControl(d, 6)));
  EXPECT_EQ(nullptr, PfGetDialogItemControl(d, 5));
  EXPECT_EQ(kPfEditTextItem | kPfItemDisableBit, PfGetDialogItemKind(d, 7));
  EXPECT_EQ(3, PfGetDialogKeyboardFocusItem(d)) << "the first edit text starts with the focus";
  EXPECT_EQ(-1, PfGetDialogItemKind(d, 9));
  EXPECT_EQ(d, PfGetDialogFromWindow(PfGetDialogWindow(d)));
  EXPECT_STREQ("Test", PfGetWindowTitleUTF8(PfGetDialogWindow(d)));
}

TEST_F(Dialogs, MalformedItemListsMakeNoDialog) {
  PfHandle h = PfMakeItemList(StandardItems());
  PfSetHandleSize(h, PfGetHandleSize(h) - 3);  // the last item runs past the end
  int32_t windows = PfWindowCount();
  EXPECT_EQ(nullptr, PfNewDialog(PfSetRect(0, 40, 10, 50), "", true, 0, true, false, 0, h, 0));
  EXPECT_EQ(windows, PfWindowCount());
  PfHandle tiny = PfNewHandleClear(1);
  EXPECT_EQ(nullptr, PfNewDialog(PfSetRect(0, 40, 10, 50), "", true, 0, true, false, 0, tiny, 0));
}

TEST_F(Dialogs, ItemTextKeepsTheLimitWithoutSplittingACharacter) {
  PfDialogRef d = Make();
  std::string longText(254, 'x');
  longText += "\xE2\x82\xAC";  // crosses the 255-byte limit
  PfSetDialogItemText(d, 5, longText.c_str());
  char buf[512];
  EXPECT_EQ(254, PfGetDialogItemText(d, 5, buf, sizeof buf));
  EXPECT_EQ(std::string(254, 'x'), buf);
  EXPECT_EQ(3, PfGetDialogItemText(d, 5, buf, 4));
  // The focused edit text reads through the text edit, still at most 255 bytes.
  PfTESetText(PfGetDialogTextEdit(d), std::string(300, 'y').c_str(), -1);
  EXPECT_EQ(255, PfGetDialogItemText(d, 3, buf, sizeof buf));
  EXPECT_EQ(std::string(300, 'y'), PfText(d, 3)) << "the driver reads the whole text";
}

TEST_F(Dialogs, HiddenItemsLieFarRightAndTakeNoClicks) {
  PfDialogRef d = Make();
  PfRect before, after;
  PfGetDialogItemRect(d, 6, &before);
  PfHideDialogItem(d, 6);
  PfGetDialogItemRect(d, 6, &after);
  EXPECT_EQ(before.left + kPfHiddenItemOffset, after.left);
  EXPECT_FALSE(PfIsControlVisible(PfGetDialogItemControl(d, 6)));
  EXPECT_EQ(0, PfFindDialogItem(d, PfRectCentre(before)));
  PfHideDialogItem(d, 6);
  PfShowDialogItem(d, 6);
  PfGetDialogItemRect(d, 6, &after);
  EXPECT_EQ(before, after) << "hiding twice moves once";
  EXPECT_TRUE(PfIsControlVisible(PfGetDialogItemControl(d, 6)));
}

TEST_F(Dialogs, TheTextEditFollowsTheFocus) {
  PfDialogRef d = Make();
  PfTEHandle te = PfGetDialogTextEdit(d);
  PfSelectDialogItemText(d, 4, 0, 32767);
  EXPECT_STREQ("second", PfTEGetText(te));
  PfTEKey('Z', 0, te);
  PfSelectDialogItemText(d, 3, 1, 2);
  EXPECT_EQ("Z", PfText(d, 4)) << "the text typed stays with its item";
  EXPECT_STREQ("first", PfTEGetText(te));
  int32_t s, e;
  PfTEGetSelect(te, &s, &e);
  EXPECT_EQ(1, s);
  EXPECT_EQ(2, e);
  PfSelectDialogItemText(d, 5, 0, 0);  // a static text takes no focus
  EXPECT_EQ(3, PfGetDialogKeyboardFocusItem(d));
}

TEST_F(Dialogs, ModalStepReportsEnabledItemsOnly) {
  PfDialogRef d = Make();
  PfPostMouseDown(Centre(d, 6), 0);
  PfPostMouseUp(Centre(d, 6), 0);
  int16_t hit = 0;
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(6, hit);
  EXPECT_EQ(0, PfGetControlValue(PfGetDialogItemControl(d, 6))) << "check boxes are toggled by their owner";
  // A click on the disabled edit focuses it but reports nothing; the next key reports nothing either.
  PfPostMouseDown(Centre(d, 7), 0);
  PfPostKeyDown('q', 0);
  PfPostMouseDown(Centre(d, 5), 0);
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(5, hit);
  EXPECT_EQ(7, PfGetDialogKeyboardFocusItem(d));
  EXPECT_EQ("thirdq", PfText(d, 7));
}

TEST_F(Dialogs, ModalStepRoutesKeysTabsAndTheFilter) {
  PfDialogRef d = Make();
  // Tab moves from item 3 to 4, skips the static text, and reaches the disabled edit 7, then wraps.
  std::vector<int16_t> focus;
  for (int i = 0; i < 4; ++i) {
    PfPostKeyDown(kPfTabChar, 0);
    PfPostKeyDown('.', kPfCmdKey);  // ends each step through the cancel item
    int16_t hit = 0;
    PfModalDialog(nullptr, &hit);
    EXPECT_EQ(2, hit);
    focus.push_back(PfGetDialogKeyboardFocusItem(d));
  }
  EXPECT_EQ((std::vector<int16_t>{4, 7, 3, 4}), focus);
  // A filter that takes every key first.
  struct F {
    static bool Proc(PfDialogRef, PfEvent* e, int16_t* hit) {
      if (e->what != kPfKeyDown) return false;
      *hit = 99;
      return true;
    }
  };
  PfPostKeyDown(kPfReturnChar, 0);
  int16_t hit = 0;
  PfModalDialog(&F::Proc, &hit);
  EXPECT_EQ(99, hit);
}

TEST_F(Dialogs, ReturnPressesTheDefaultItemOnlyWhenItIsEnabled) {
  PfDialogRef d = Make();
  PfPostKeyDown(kPfReturnChar, 0);
  int16_t hit = 0;
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(1, hit);
  PfHiliteControl(PfGetDialogItemControl(d, 1), kPfInactiveHilite);
  PfPostKeyDown(kPfReturnChar, 0);
  PfPostKeyDown(kPfEscapeChar, 0);
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(2, hit);
}

TEST_F(Dialogs, AModalStepWithoutInputIsCancelledNotHung) {
  Make();
  PfSetModalStallTicks(30);
  int16_t hit = 0;
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(2, hit);
  EXPECT_EQ(1, PfModalStallCount());
  PfSetDialogCancelItem(PfDriverFindDialog("Test"), 0);
  PfModalDialog(nullptr, &hit);
  EXPECT_EQ(-1, hit) << "without a cancel item the step gives up";
  EXPECT_EQ(5, PfModalStallCount());
}

TEST_F(Dialogs, DialogSelectHandlesTheEventsOfModelessDialogs) {
  PfDialogRef d = Make();
  PfFlushEvents(kPfEveryEvent);
  PfEvent ev{};
  ev.what = kPfMouseDown;
  ev.where = Centre(d, 1);
  PfDialogRef which = nullptr;
  int16_t hit = 0;
  EXPECT_TRUE(PfIsDialogEvent(&ev));
  EXPECT_TRUE(PfDialogSelect(&ev, &which, &hit));
  EXPECT_EQ(d, which);
  EXPECT_EQ(1, hit);
  ev.what = kPfKeyDown;
  ev.message = 'v';
  ev.modifiers = kPfCmdKey;
  PfClipboardSetUTF8("P", -1);
  PfTEFromScrap();
  PfSelectDialogItemText(d, 3, 0, 32767);
  EXPECT_TRUE(PfDialogSelect(&ev, &which, &hit));
  EXPECT_EQ(3, hit);
  EXPECT_EQ("P", PfText(d, 3));
  ev.what = kPfActivateEvt;
  ev.message = (uintptr_t)PfGetDialogWindow(d);
  ev.modifiers = 0;
  EXPECT_FALSE(PfDialogSelect(&ev, &which, &hit));
  EXPECT_FALSE(PfIsControlActive(PfGetDialogItemControl(d, 1)));
  EXPECT_FALSE(PfTEIsActive(PfGetDialogTextEdit(d)));
}

TEST_F(Dialogs, DrawingCallsUserItemsAndSkipsHiddenOnes) {
  PfDialogRef d = Make();
  static int drawn;
  drawn = 0;
  PfSetDialogItemProc(d, 8, [](PfDialogRef, int16_t item) { drawn += item; });
  PfDrawDialog(d);
  EXPECT_EQ(8, drawn);
  EXPECT_FALSE(PfWindowNeedsUpdate(PfGetDialogWindow(d)));
  PfHideDialogItem(d, 8);
  PfDrawDialog(d);
  EXPECT_EQ(8, drawn);
}

TEST_F(Dialogs, DisposalTakesWindowControlsAndTextEdit) {
  int32_t controls = PfLiveControlCount(), edits = PfLiveTECount(), windows = PfWindowCount();
  PfDialogRef d = Make();
  EXPECT_EQ(controls + 3, PfLiveControlCount());
  PfDisposeDialog(d);
  EXPECT_EQ(controls, PfLiveControlCount());
  EXPECT_EQ(edits, PfLiveTECount());
  EXPECT_EQ(windows, PfWindowCount());
  EXPECT_FALSE(PfIsValidDialog(d));
}

TEST_F(Dialogs, ResourceControlsComeFromTemplates) {
  SPfControlTemplate t{};
  t.procId = kPfTabProc;
  t.value = 1;
  t.minimum = 1;
  t.maximum = 4;
  PfRegisterControlTemplate(700, t);
  std::vector<PfItemSpec> items = {{kPfResControlItem, PfSetRect(10, 10, 210, 110), "", 700},
                                   {kPfResControlItem, PfSetRect(10, 120, 210, 140), "", 701}};
  PfDialogRef d = PfNewDialog(PfSetRect(0, 40, 300, 300), "", true, 0, true, false, 0, PfMakeItemList(items), 0);
  PfControlRef tabs = PfGetDialogItemControl(d, 1);
  ASSERT_NE(nullptr, tabs);
  EXPECT_EQ(kPfTabProc, PfGetControlProcId(tabs));
  EXPECT_EQ(4, PfGetControlMaximum(tabs));
  EXPECT_EQ(nullptr, PfGetDialogItemControl(d, 2)) << "no template, no control";
}

}  // namespace
