#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "kctl/mac/DialogHelpers.h"

using namespace kvtest;

namespace {

class EngineItems : public EngineFixture {};

TEST_F(EngineItems, ControlMapSearchesFromTheEnd) {
  SMacDialogInfo info{};
  MacInitDialogControlMap(&info, 3);
  MacDialogControlMapSetMapping(&info, 7, 1);
  MacDialogControlMapSetMapping(&info, 9, 2);
  MacDialogControlMapSetMapping(&info, 7, 3);
  MacDialogControlMapSetMapping(&info, 5, 4);  // out of range: ignored
  EXPECT_EQ(3, MapControlIdToInternal(&info, 7));
  EXPECT_EQ(2, MapControlIdToInternal(&info, 9));
  EXPECT_EQ(5, MapControlIdToInternal(&info, 5)) << "an id without entry stands for itself";
  EXPECT_EQ(-3, MapControlIdToInternal(&info, -3));
  EXPECT_EQ(4, MapControlIdFromInternal(&info, 4));
  EXPECT_EQ(0, MapControlIdFromInternal(&info, 0));
  EXPECT_EQ(9, MapControlIdFromInternal(&info, 2));
  MacInitDialogControlMap(&info, 0);
  EXPECT_EQ(9, MapControlIdToInternal(&info, 9));
}

TEST_F(EngineItems, ItemTextsKeepTheLimitAndLongTextsGoThroughTheFocus) {
  WithRunningDialog([](SMacDialogInfo* info) {
    std::string over(254, 'x');
    over += "\xC3\xA9";  // a two-byte letter across the 255-byte limit
    MacDialogSetItemText(info, kLabel, over.c_str());
    char buf[600];
    MacDialogGetItemText(info, kLabel, buf, sizeof buf);
    EXPECT_EQ(std::string(254, 'x'), buf) << "cut before the letter, not inside it";
    MacDialogGetItemText(info, kLabel, buf, 4);
    EXPECT_STREQ("xxx", buf);
    // A long text into the edit text that does not have the focus.
    MacDialogSelectEditItemNoHighlightExt(info, kEditA, 1, 3);
    std::string longText(300, 'y');
    MacDialogSetItemTextUTF8(info, kEditB, longText.c_str());
    MacDialogGetItemTextLong(info, kEditB, buf, sizeof buf);
    EXPECT_EQ(longText, buf);
    MacDialogGetItemTextUTF8(info, kEditB, buf, sizeof buf);
    EXPECT_EQ(longText, buf);
    ASInt32 start, end;
    EXPECT_EQ(kEditA, MacGetDialogFocusControlIdMapExt(info, &start, &end));
    EXPECT_EQ(1, start);
    EXPECT_EQ(3, end);
    MacDialogGetItemText(info, kEditB, buf, sizeof buf);
    EXPECT_EQ(255u, std::strlen(buf)) << "the short road reads what the item keeps";
  });
}

TEST_F(EngineItems, UTF8TextsMakeStaticTextsControls) {
  WithRunningDialog([](SMacDialogInfo* info) {
    MacDialogSetItemTextUTF8(info, kLabel, "Gr\xC3\xB6\xC3\x9F" "e");
    EXPECT_NE(nullptr, MacGetValidMenuControlHandle(info, kLabel));
    char buf[64];
    MacDialogGetItemTextUTF8(info, kLabel, buf, sizeof buf);
    EXPECT_STREQ("Gr\xC3\xB6\xC3\x9F" "e", buf);
    MacDialogGetItemTextUTF8(info, kLabel, buf, 4);
    EXPECT_STREQ("Gr", buf) << "never half a character";
    MacDialogSetItemTextUTF8(info, kOK, "Fine");
    MacDialogGetItemText(info, kOK, buf, sizeof buf);
    EXPECT_STREQ("Fine", buf) << "buttons take it as their title";
    // Bad UTF-8 goes through the local encoding with replacements.
    MacDialogSetItemTextUTF8(info, kEditA, "a\xFF" "b");
    MacDialogGetItemText(info, kEditA, buf, sizeof buf);
    EXPECT_STREQ("a?b", buf);
    EXPECT_TRUE(AVAlertRecorded().empty());
  });
}

TEST_F(EngineItems, ChecksEnablingAndVisibility) {
  WithRunningDialog([](SMacDialogInfo* info) {
    MacDialogItemCheckIf(info, kCheck, 1);
    EXPECT_TRUE(MacDialogItemIsChecked(info, kCheck));
    SMacControlHitInfo hit{kCheck, 0, nullptr};
    MacDialogHandleCheckBox(info, kCheck, &hit, kCheck);
    EXPECT_FALSE(MacDialogItemIsChecked(info, kCheck));
    MacDialogHandleCheckBox(info, kCheck, nullptr, kCheck);
    ASSERT_EQ(1u, AVAlertRecorded().size());
    EXPECT_EQ("Internal error, please report: lParam NULL", AVAlertRecorded()[0].message);
    // A static text becomes a control and greys; an edit text can be no control and hides.
    MacControlEnableIf(info, kLabel, 0);
    EXPECT_NE(nullptr, MacGetValidControlHandle(info, kLabel));
    EXPECT_FALSE(MacControlIsEnabled(info, kLabel));
    EXPECT_TRUE(MacDialogItemIsVisible(info, kLabel));
    MacControlEnableIf(info, kEditB, 0);
    EXPECT_FALSE(MacDialogItemIsVisible(info, kEditB));
    EXPECT_FALSE(MacDialogItemIsEnabled(info, kEditB));
    MacControlEnableIf(info, kEditB, 1);
    EXPECT_TRUE(MacDialogItemIsEnabled(info, kEditB));
    EXPECT_EQ(0, MacGetValidDialogTextItemHandle(info, kCheck));
    EXPECT_NE(0, MacGetValidDialogTextItemHandle(info, kEditA));
    EXPECT_EQ(nullptr, MacGetValidControlHandle(info, 999));
  });
}

TEST_F(EngineItems, PopupRefillsAndAttachedData) {
  WithRunningDialog([](SMacDialogInfo* info) {
    MacMenuUpdateStart(info, kPopup);
    MacMenuClear(info, kPopup);
    int anchor[3];
    for (int i = 0; i < 3; ++i) {
      ASInt32 index = MacMenuAddItemUTF8(info, kPopup, i == 2 ? "bad\xFF" : "entry");
      EXPECT_EQ(i, index);
      MacMenuAttachData(info, kPopup, index, (intptr_t)&anchor[i]);
    }
    MacMenuSetCurSel(info, kPopup, 2);
    EXPECT_EQ(-1, MacMenuGetCurSel(info, kPopup)) << "the selection waits for the end of the refill";
    MacMenuUpdateComplete(info, kPopup);
    EXPECT_EQ(2, MacMenuGetCurSel(info, kPopup));
    EXPECT_EQ(3, MacMenuCountItems(info, kPopup));
    EXPECT_STREQ("Bad UTF-8 string!", PfGetMenuItemTextUTF8(MacMenuGetMenuHandle(info, kPopup), 3));
    EXPECT_EQ(12345, PfGetMenuID(MacMenuGetMenuHandle(info, kPopup)));
    // Addresses come back whole.
    EXPECT_EQ((intptr_t)&anchor[1], MacMenuGetAttachedData(info, kPopup, 1));
    MacMenuAttachData(info, kPopup, 1, 42);
    EXPECT_EQ(42, MacMenuGetAttachedData(info, kPopup, 1));
    MacMenuClearDataForMenu(info, kPopup);
    EXPECT_EQ(-1, MacMenuGetAttachedData(info, kPopup, 0));
    // A second refill reuses the pop-up.
    MacMenuUpdateStart(info, kPopup);
    MacMenuClear(info, kPopup);
    MacMenuUpdateComplete(info, kPopup);
    EXPECT_EQ(0, MacMenuCountItems(info, kPopup));
    EXPECT_EQ(-1, MacMenuGetCurSel(info, kPopup));
    EXPECT_EQ(-1, MacMenuGetCurSel(info, kEditA)) << "no pop-up there";
  });
  EXPECT_EQ(nullptr, PfGetMenuHandle(12345)) << "the dialog's menus go with it";
}

TEST_F(EngineItems, MenuIdsRunOut) {
  std::vector<PfMenuRef> taken;
  for (ASInt32 id = 12345; id <= 32764; ++id) {
    PfMenuRef m = PfNewMenu((int16_t)id, "");
    PfInsertMenu(m, -1);
  }
  WithRunningDialog([](SMacDialogInfo* info) {
    MacMenuUpdateStart(info, kPopup);
    MacMenuUpdateComplete(info, kPopup);
    EXPECT_EQ(nullptr, MacMenuGetMenuHandle(info, kPopup));
    ASSERT_EQ(1u, AVAlertRecorded().size());
    EXPECT_EQ("Internal error: no more menus!", AVAlertRecorded()[0].message);
  });
}

TEST_F(EngineItems, BevelButtonsTooltipsAndFrames) {
  WithRunningDialog([](SMacDialogInfo* info) {
    EXPECT_EQ(0, MacButtonMakeBevel(info, kCheck)) << "only push buttons";
    ASSERT_EQ(1, MacButtonMakeRoundedBevel(info, kOK));
    PfControlRef b = MacGetValidControlHandle(info, kOK);
    EXPECT_EQ(kPfBevelButtonProc, PfGetControlProcId(b));
    EXPECT_STREQ("OK", PfGetControlTitleUTF8(b));
    ASInt16 kind = 0;
    PfGetControlData(b, 0, kPfControlBevelButtonKindTag, sizeof kind, &kind, nullptr);
    EXPECT_EQ(15, kind);
    MacDialogItemCheckIf(info, kOK, 1);
    EXPECT_TRUE(MacDialogItemIsChecked(info, kOK)) << "bevel buttons check like radios";
    MacSetToolTipUtf8(info, kLabel, "Explains the label");
    EXPECT_STREQ("Explains the label", PfGetControlHelpTagUTF8(MacGetValidControlHandle(info, kLabel)));
    MacFrameCreate(info, kTree, kLabel);
    MacFrameCreate(info, kTree, kLabel);
    MacFrameCreate(info, kEditA, kLabel);  // no user item: ignored
    PfWindowRef w = PfGetDialogWindow(info->dialog);
    PfDrawClear(w);
    MacRedrawDialogNow(info);
    int rounds = 0;
    for (int32_t i = 0; i < PfDrawOpCount(w); ++i) {
      const PfDrawOp* op = PfDrawOpAt(w, i);
      if (op->kind == kPfDrawFrameRound && op->oval.h == 12) {
        ++rounds;
        EXPECT_EQ(0xCCCC, op->pen.color.red);
        EXPECT_EQ(19, op->rect.left) << "one unit outside the item";
      }
    }
    EXPECT_EQ(1, rounds);
  });
}

TEST_F(EngineItems, TabMovesTheFocusOnThroughEditTextsAndWraps) {
  WithRunningDialog([](SMacDialogInfo* info) {
    MacDialogSelectEditItem(info, kEditB);
    PfEvent tab{};
    tab.what = kPfKeyDown;
    tab.message = kPfTabChar;
    ASInt32 id = -1;
    EXPECT_EQ(0, ModelessDialogSelectMap(info, &tab, &id));
    ASInt32 s, e;
    EXPECT_EQ(kEditA, MacGetDialogFocusControlIdMapExt(info, &s, &e)) << "from the last edit text to the first";
    EXPECT_EQ(0, s);
    EXPECT_EQ(5, e) << "all its text selected";
    PfEvent key = tab;
    key.message = 'Q';
    EXPECT_EQ(1, ModelessDialogSelectMap(info, &key, &id));
    EXPECT_EQ(kEditA, id);
    char buf[32];
    MacDialogGetItemText(info, kEditA, buf, sizeof buf);
    EXPECT_STREQ("Q", buf);
  });
}

TEST_F(EngineItems, GeometryAgainstTheScreen) {
  WithRunningDialog([](SMacDialogInfo* info) {
    MacSetDialogPos(info, 10, 0);
    ASInt32 x, y, w, h;
    PfRect frame;
    PfGetWindowBounds(PfGetDialogWindow(info->dialog), kPfWindowStructureRgn, &frame);
    EXPECT_EQ(10, frame.left);
    EXPECT_EQ(22 + 22, frame.top) << "just below the menu bar";
    MacGetDialogSize(info, &w, &h);
    EXPECT_EQ(400, w);
    EXPECT_EQ(300, h);
    CentreDialog(info);
    MacGetDialogPos(info, &x, &y);
    EXPECT_EQ((1024 - 400) / 2, x);
    EXPECT_EQ(22 + (768 - 22 - 300) / 2, y - 22) << "the frame's top is placed, the content lies below it";
    // A remembered place on a screen that is gone comes back onto the desktop.
    SetVisibleDialogPos(info, 3000, 2000);
    PfGetWindowBounds(PfGetDialogWindow(info->dialog), kPfWindowStructureRgn, &frame);
    EXPECT_EQ(1024, frame.right);
    EXPECT_EQ(768, frame.bottom) << "the whole window, title bar included, ends on the screen";
    PfRect screen = MacGetScreenBoundsFromPoint(PfPoint{5000, 5000});
    EXPECT_EQ(PfSetRect(0, 22, 1024, 768), screen) << "the main screen less the menu bar";
  });
}

// Which desktop runs is the platform's answer, asked once: the older one
// takes the whole screen, menu bar included, for its dialogs.
TEST_F(EngineItems, TheDesktopKindIsThePlatformsAnswer) {
  struct Case {
    const char* name;
    bool present;
    int32_t menu;
    bool modern;
    PfRect screen;
  };
  const Case cases[] = {{"Aqua menus", true, 0x2, true, PfSetRect(0, 22, 1024, 768)},
                        {"classic menus", true, 0x0, false, PfSetRect(0, 0, 1024, 768)},
                        {"no answer", false, 0, false, PfSetRect(0, 0, 1024, 768)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PfGestaltSet(PfMakeFourCC("menu"), c.menu, c.present);
    MacIsUnderOSXForget();
    EXPECT_EQ(c.modern, MacIsUnderOSX() != 0);
    EXPECT_EQ(c.screen, MacGetScreenBoundsFromPoint(PfPoint{5, 5}));
    // Kept: a later change of the platform's answer is not seen.
    PfGestaltSet(PfMakeFourCC("menu"), c.modern ? 0 : 2, true);
    EXPECT_EQ(c.modern, MacIsUnderOSX() != 0);
  }
  PfGestaltSet(PfMakeFourCC("menu"), 0x2, true);
  MacIsUnderOSXForget();
}

TEST_F(EngineItems, ADialogLargerThanTheScreenIsCentredAtItsTopLeft) {
  PfRect small = PfSetRect(0, 0, 300, 200);
  PfDesktopSetScreens(&small, 1);
  WithRunningDialog([](SMacDialogInfo* info) {
    CentreDialog(info);
    PfRect frame;
    PfGetWindowBounds(PfGetDialogWindow(info->dialog), kPfWindowStructureRgn, &frame);
    EXPECT_EQ(0, frame.left);
    EXPECT_EQ(22 + 22, frame.top) << "never under the menu bar";
  });
}

}  // namespace
