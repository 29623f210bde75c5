#include <gtest/gtest.h>

#include <cstring>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;

namespace {

class Controls : public PfFixture {
 protected:
  void SetUp() override {
    PfFixture::SetUp();
    w = PfNewWindow(PfSetRect(100, 100, 500, 400), "W", true, kPfNoGrowDocProc, true, false, 0);
  }
  PfPoint G(int32_t h, int32_t v) { return PfLocalToGlobal(w, PfPoint{h, v}); }
  PfWindowRef w = nullptr;
};

TEST_F(Controls, ValuesAreClampedAtBothEnds) {
  PfControlRef c = PfNewControl(w, PfSetRect(10, 10, 50, 30), "s", true, 5, 0, 10, kPfScrollBarProc, 0);
  struct Case {
    int32_t set;
    int32_t expect;
  } cases[] = {{-3, 0}, {4, 4}, {10, 10}, {11, 10}, {INT32_MIN, 0}, {INT32_MAX, 10}};
  for (const Case& k : cases) {
    PfSetControlValue(c, k.set);
    EXPECT_EQ(k.expect, PfGetControlValue(c)) << k.set;
  }
  PfSetControlValue(c, 8);
  PfSetControlMaximum(c, 3);
  EXPECT_EQ(3, PfGetControlValue(c));
  PfSetControlMinimum(c, 6);
  EXPECT_EQ(6, PfGetControlValue(c)) << "an empty range holds the minimum";
}

TEST_F(Controls, DataTagsByKindAndStringsByReference) {
  PfControlRef text = PfNewControl(w, PfSetRect(10, 10, 90, 30), "", true, 0, 0, 0, kPfStaticTextProc, 0);
  PfControlRef button = PfNewControl(w, PfSetRect(10, 40, 90, 60), "OK", true, 0, 0, 1, kPfPushButProc, 0);
  EXPECT_TRUE(PfControlAnswersTag(text, kPfControlStaticTextTextTag));
  EXPECT_FALSE(PfControlAnswersTag(button, kPfControlStaticTextTextTag));
  size_t size;
  EXPECT_EQ(kPfErrDataNotSupported, PfGetControlDataSize(button, 0, kPfControlStaticTextTextTag, &size));
  PfStringRef s = PfStringCreateWithUTF8("Gr\xC3\xBC\xC3\x9F" "e", -1);
  ASSERT_EQ(kPfNoErr, PfSetControlData(text, 0, kPfControlStaticTextCFStringTag, sizeof s, &s));
  PfStringRelease(s);
  PfStringRef back = nullptr;
  ASSERT_EQ(kPfNoErr, PfGetControlData(text, 0, kPfControlStaticTextCFStringTag, sizeof back, &back, nullptr));
  EXPECT_STREQ("Gr\xC3\xBC\xC3\x9F" "e", PfStringGetUTF8(back));
  PfStringRelease(back);
  char bytes[3];
  size_t actual;
  PfGetControlData(text, 0, kPfControlStaticTextTextTag, sizeof bytes, bytes, &actual);
  EXPECT_EQ(7u, actual);
  EXPECT_EQ(0, std::memcmp(bytes, "Gr\xC3", 3));
}

TEST_F(Controls, PopupTakesTheEntryReleasedOn) {
  PfMenuRef m = PfNewMenu(12345, "");
  PfInsertMenu(m, -1);
  for (const char* t : {"one", "two", "three"}) PfAppendMenuItemTextUTF8(m, t);
  PfControlRef pop = PfNewControl(w, PfSetRect(20, 100, 120, 120), "", true, 1, 12345, 0, kPfPopupButtonProc, 0);
  EXPECT_EQ(3, PfGetControlMaximum(pop));
  EXPECT_EQ(m, PfGetControlPopupMenu(pop));
  PfRect entry;
  ASSERT_TRUE(PfPopupItemRect(pop, 3, &entry));
  PfPostMouseUp(PfRectCentre(entry), 0);
  EXPECT_EQ(kPfMenuPart, PfTrackControl(pop, PfPoint{30, 110}));
  EXPECT_EQ(3, PfGetControlValue(pop));
  // The menu now opens with entry 3 over the control.
  ASSERT_TRUE(PfPopupItemRect(pop, 1, &entry));
  EXPECT_EQ(G(0, 100 - 2 * kPfPopupItemHeight).v, entry.top);
  PfEnableMenuItem(m, 1, false);
  PfPostMouseUp(PfRectCentre(entry), 0);
  EXPECT_EQ(kPfNoPart, PfTrackControl(pop, PfPoint{30, 110})) << "a disabled entry cannot be chosen";
  PfPostMouseUp(G(300, 290), 0);
  EXPECT_EQ(kPfNoPart, PfTrackControl(pop, PfPoint{30, 110}));
  EXPECT_EQ(3, PfGetControlValue(pop));
}

TEST_F(Controls, TrackingFollowsTheReleasePointAndTheHighlight) {
  PfControlRef b = PfNewControl(w, PfSetRect(10, 10, 90, 30), "B", true, 0, 0, 1, kPfPushButProc, 0);
  EXPECT_EQ(kPfButtonPart, PfTrackControl(b, PfPoint{20, 20})) << "no mouse-up queued: released where pressed";
  PfPostMouseUp(G(200, 200), 0);
  EXPECT_EQ(kPfNoPart, PfTrackControl(b, PfPoint{20, 20}));
  PfHiliteControl(b, kPfInactiveHilite);
  EXPECT_EQ(kPfNoPart, PfTrackControl(b, PfPoint{20, 20}));
  PfHiliteControl(b, 0);
  PfHideControl(b);
  EXPECT_EQ(kPfNoPart, PfTrackControl(b, PfPoint{20, 20}));
}

TEST_F(Controls, TabsReportTheTabClicked) {
  PfControlRef tabs = PfNewControl(w, PfSetRect(0, 0, 300, 100), "", true, 1, 1, 3, kPfTabProc, 0);
  SPfTabInfo info{};
  std::strcpy(info.nameUTF8, "Second");
  EXPECT_EQ(kPfNoErr, PfSetControlData(tabs, 2, kPfControlTabInfoTag, sizeof info, &info));
  EXPECT_EQ(kPfErrInvalidPart, PfSetControlData(tabs, 4, kPfControlTabInfoTag, sizeof info, &info));
  PfRect r;
  ASSERT_TRUE(PfTabRect(tabs, 3, &r));
  EXPECT_EQ(3, PfTrackControl(tabs, PfRectCentre(r)));
  EXPECT_EQ(3, PfGetControlValue(tabs));
}

TEST_F(Controls, HelpTagsAndDisposal) {
  PfControlRef b = PfNewControl(w, PfSetRect(10, 10, 90, 30), "B", true, 0, 0, 1, kPfPushButProc, 0);
  EXPECT_EQ(nullptr, PfGetControlHelpTagUTF8(b));
  EXPECT_EQ(kPfNoErr, PfSetControlHelpTagUTF8(b, "Explains", kPfHelpTagSideBottom));
  EXPECT_STREQ("Explains", PfGetControlHelpTagUTF8(b));
  EXPECT_EQ(kPfErrParam, PfSetControlHelpTagUTF8(b, "\xC3", kPfHelpTagSideDefault));
  int32_t before = PfLiveControlCount();
  PfDisposeWindow(w);
  EXPECT_EQ(before - 1, PfLiveControlCount());
  EXPECT_FALSE(PfIsValidControl(b));
}

class Menus : public PfFixture {};

TEST_F(Menus, InsertedMenusAreFoundByIdAndItemsKeepPointers) {
  PfMenuRef m = PfNewMenu(200, "M");
  EXPECT_EQ(nullptr, PfGetMenuHandle(200)) << "only inserted menus are found";
  PfInsertMenu(m, -1);
  EXPECT_EQ(m, PfGetMenuHandle(200));
  EXPECT_EQ(1, PfAppendMenuItemTextUTF8(m, "(literal; /text"));
  EXPECT_STREQ("(literal; /text", PfGetMenuItemTextUTF8(m, 1));
  int x;
  PfSetMenuItemRefCon(m, 1, (PfRefCon)&x);
  EXPECT_EQ(&x, (int*)PfGetMenuItemRefCon(m, 1));
  PfAppendMenuItemTextUTF8(m, "b");
  PfDeleteMenuItems(m, 1, 5);
  EXPECT_EQ(0, PfCountMenuItems(m));
  PfDisposeMenu(m);
  EXPECT_EQ(nullptr, PfGetMenuHandle(200));
}

}  // namespace
