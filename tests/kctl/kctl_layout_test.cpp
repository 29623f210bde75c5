// The flow layout on the platform's deterministic font model: the width
// search, button rows, placement flags, the size escape and trimming texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "KCtlHarness.h"

namespace {

using namespace kvtest;

// A description laid out without being shown.
struct Laid {
  SKCtlDialog* d;
  SKCtlData* data = nullptr;
  explicit Laid(const char* title) : d(KCtlNewDialog(title, 0)) {}
  ~Laid() {
    KCtlDestroyData(data);
    KCtlDestroyDialog(d);
  }
  SKCtlData* Data() {
    if (!data) data = KCtlCreateData(d);
    return data;
  }
  void Layout(ASInt32 width = 0) { KCtlDialogSizeCalculations(Data(), 1, width); }
  const SKCtlElemInfo& At(SKCtlElem* e) { return *KCtlElemFindInfo(Data(), e); }
  ASInt32 Right(SKCtlElem* e) { return At(e).x + At(e).w; }
  ASInt32 Bottom(SKCtlElem* e) { return At(e).y + At(e).h; }
};

class Layout : public KCtlFixture {};

std::string Words(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += "word ";
  return s;
}

TEST_F(Layout, StartsAt300AndWidensBy100WhileTwiceAsTallAsWide) {
  Laid l("Wide");
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, Words(300).c_str(), nullptr);
  // A filler to the right edge makes the dialog exactly as wide as the room.
  KCtlAddNewElement(l.d, kKCtlFiller, kKCtlFlagFullWidth, -1, nullptr, nullptr);
  l.Layout();
  ASInt32 w = l.data->width, h = l.data->height;
  EXPECT_GT(w, 300);
  EXPECT_EQ(0, (w - 300) % 100) << w;
  EXPECT_LE(h, 2 * w);
  // One step narrower it was still more than twice as tall as wide.
  Laid narrower("Narrower");
  KCtlAddNewElement(narrower.d, kKCtlStaticText, 0, -1, Words(300).c_str(), nullptr);
  KCtlAddNewElement(narrower.d, kKCtlFiller, kKCtlFlagFullWidth, -1, nullptr, nullptr);
  narrower.Layout(w - 100);
  EXPECT_EQ(w - 100, narrower.data->width);
  EXPECT_GT(narrower.data->height, 2 * (w - 100));
}

TEST_F(Layout, ShortDialogsNarrowToTheirContentAndAGivenWidthIsNotWidened) {
  // Laid out at 300, then narrowed to what the content takes.
  Laid l("Short");
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Hello", nullptr);
  l.Layout();
  EXPECT_EQ(29, l.data->width);
  EXPECT_EQ(16, l.data->height);
  // A button row stands at the right end of the room: it keeps the 300.
  Laid buttons("Buttons");
  KCtlAddNewElement(buttons.d, kKCtlStaticText, 0, -1, "Hello", nullptr);
  KCtlAddNewElement(buttons.d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  buttons.Layout();
  EXPECT_EQ(300, buttons.data->width);
  // With a suggested width the search does not run, however tall the text.
  Laid tall("![w=200]Tall");
  KCtlAddNewElement(tall.d, kKCtlStaticText, 0, -1, Words(150).c_str(), nullptr);
  tall.Layout();
  EXPECT_EQ(200, tall.data->width);
  EXPECT_GT(tall.data->height, 400);
}

TEST_F(Layout, CancelStandsBeforeOKAtTheRightEnd) {
  Laid l("Buttons");
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Text", nullptr);
  SKCtlElem* ok = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCtlElem* cancel = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  l.Layout();
  EXPECT_EQ(10 + l.data->width, l.Right(ok));
  EXPECT_LT(l.Right(cancel), l.At(ok).x);
  EXPECT_GE(l.At(ok).w, 68);
  EXPECT_GE(l.At(cancel).w, 68);
  EXPECT_EQ(l.At(ok).y, l.At(cancel).y);
}

TEST_F(Layout, ShuffleMovesOKLastAndCancelBeforeIt) {
  Laid l("Shuffle");
  SKCtlElem* cancel = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  SKCtlElem* help = KCtlAddNewElement(l.d, kKCtlPushButton, 0, -1, "Help", nullptr);
  SKCtlElem* ok = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCtlElem* row[] = {cancel, help, ok};
  KCtlShuffleButtonArrayPlatform(l.Data(), row, 3);
  EXPECT_EQ(row[0], help);
  EXPECT_EQ(row[1], cancel);
  EXPECT_EQ(row[2], ok);
  SKCtlElem* noOK[] = {cancel, help};
  KCtlShuffleButtonArrayPlatform(l.Data(), noOK, 2);
  EXPECT_EQ(noOK[0], help);
  EXPECT_EQ(noOK[1], cancel);
}

// Three narrow buttons ("OK" 46 wide, "No" and "Go" 44) laid out in rooms of
// decreasing width: each strategy in turn, then two rows.
TEST_F(Layout, EachButtonRowStrategyIsForcedByTheWidth) {
  Laid l("Row");
  SKCtlElem* b[] = {KCtlAddNewElement(l.d, kKCtlPushButton, 0, -1, "OK", nullptr),
                    KCtlAddNewElement(l.d, kKCtlPushButton, 0, -1, "No", nullptr),
                    KCtlAddNewElement(l.d, kKCtlPushButton, 0, -1, "Go", nullptr)};
  ASInt32 nat[3];
  for (int k = 0; k < 3; ++k) {
    ASInt32 h;
    KCtlGetElemSize(l.Data(), b[k], &nat[k], &h, 1000, 0, 0, nullptr);
  }
  ASSERT_EQ(46, nat[0]);
  ASSERT_EQ(44, nat[1]);
  ASSERT_EQ(44, nat[2]);
  struct Case {
    ASInt32 room;
    ASInt32 widths[3];
    ASInt32 gap;
  };
  const Case cases[] = {
      {300, {68, 68, 68}, 24},  // a: the platform minimum, standard gaps
      {200, {46, 46, 46}, 24},  // b: the widest natural width, standard gaps
      {170, {46, 46, 46}, 16},  // c: the widest natural width, spread over the room
      {159, {46, 44, 44}, 12},  // d: natural widths, the gap that is left
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.room);
    ASInt32 h = 0, w = 0;
    ASBool tooNarrow = 1;
    KCtlLayoutButtonRowFromArray(l.Data(), b, 3, 10, 50, c.room, &h, &w, &tooNarrow);
    EXPECT_FALSE(tooNarrow);
    EXPECT_EQ(20, h);
    ASInt32 total = c.widths[0] + c.widths[1] + c.widths[2] + 2 * c.gap;
    EXPECT_EQ(total, w);
    ASInt32 x = 10 + c.room - total;
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(x, l.At(b[k]).x) << k;
      EXPECT_EQ(50, l.At(b[k]).y);
      EXPECT_EQ(c.widths[k], l.At(b[k]).w) << k;
      x += c.widths[k] + c.gap;
    }
  }
  // Too narrow: two rows 14 apart; of the splits, all as low, the narrowest wins.
  ASInt32 h = 0, w = 0;
  ASBool tooNarrow = 0;
  KCtlLayoutButtonRowFromArray(l.Data(), b, 3, 10, 50, 150, &h, &w, &tooNarrow);
  EXPECT_TRUE(tooNarrow);
  EXPECT_EQ(20 + 14 + 20, h);
  EXPECT_EQ(50, l.At(b[0]).y);
  EXPECT_EQ(84, l.At(b[1]).y);
  EXPECT_EQ(84, l.At(b[2]).y);
  EXPECT_EQ(10 + 150 - 68, l.At(b[0]).x);
  EXPECT_EQ(112, w);
  // Two buttons are simply stacked.
  KCtlLayoutButtonRowFromArray(l.Data(), b, 2, 10, 50, 100, &h, &w, &tooNarrow);
  EXPECT_TRUE(tooNarrow);
  EXPECT_EQ(50, l.At(b[0]).y);
  EXPECT_EQ(84, l.At(b[1]).y);
}

TEST_F(Layout, SmallButtonsUseTheirOwnMetrics) {
  Laid l("Small");
  SKCtlElem* a = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagImageOrSmall, -1, "A", nullptr);
  SKCtlElem* b = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagImageOrSmall, -1, "B", nullptr);
  ASInt32 minW, gap, minGap, rowGap, l1, r1;
  KCtlGetButtonSpacingInfoPlatform(l.Data(), a, &minW, &gap, &minGap, &rowGap, &l1, &r1);
  EXPECT_EQ((std::vector<ASInt32>{68, 12, 3, 3, 0, 0}), (std::vector<ASInt32>{minW, gap, minGap, rowGap, l1, r1}));
  SKCtlElem* row[] = {a, b};
  ASInt32 h, w;
  ASBool narrow;
  KCtlLayoutButtonRowFromArray(l.Data(), row, 2, 0, 0, 300, &h, &w, &narrow);
  EXPECT_EQ(l.At(b).x - (l.At(a).x + l.At(a).w), 12);
}

TEST_F(Layout, BottomAnchoredElementsEndAtTheSuggestedHeight) {
  Laid l("![h=200]Anchored");
  SKCtlElem* text = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Top", nullptr);
  SKCtlElem* ok = KCtlAddNewElement(l.d, kKCtlPushButton, kKCtlFlagOK | kKCtlFlagBottom, 1, "OK", nullptr);
  l.Layout();
  EXPECT_EQ(200, l.data->height);
  EXPECT_EQ(10, l.At(text).y);
  EXPECT_EQ(10 + 200, l.Bottom(ok));
  // Without the flag the button stays under the text.
  Laid plain("![h=200]Plain");
  KCtlAddNewElement(plain.d, kKCtlStaticText, 0, -1, "Top", nullptr);
  SKCtlElem* ok2 = KCtlAddNewElement(plain.d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  plain.Layout();
  EXPECT_LT(plain.Bottom(ok2), 100);
}

TEST_F(Layout, FixedPositionsDoNotMoveTheFlow) {
  Laid l("Fixed");
  SKCtlElem* fixed = KCtlSetFixedPosition(30, 40, KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Here", nullptr));
  SKCtlElem* flow = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Flow", nullptr);
  l.Layout();
  EXPECT_EQ(40, l.At(fixed).x);
  EXPECT_EQ(50, l.At(fixed).y);
  EXPECT_EQ(10, l.At(flow).x);
  EXPECT_EQ(10, l.At(flow).y);
  EXPECT_EQ(40 + 16, l.data->height);
}

TEST_F(Layout, RowsGapsAndAlignment) {
  Laid l("Rows");
  SKCtlElem* label = KCtlAddNewElement(l.d, kKCtlStaticText, kKCtlFlagSameRow, -1, "Name", nullptr);
  SKCtlElem* edit = KCtlForceElementSize(80, 0, KCtlAddNewElement(l.d, kKCtlEditText, 0, -1, nullptr, nullptr));
  SKCtlElem* right = KCtlAddNewElement(l.d, kKCtlStaticText, kKCtlFlagRight | kKCtlFlagNoGap, -1, "Right", nullptr);
  SKCtlElem* centre = KCtlAddNewElement(l.d, kKCtlStaticText, kKCtlFlagCentre, -1, "Mid", nullptr);
  SKCtlElem* full = KCtlAddNewElement(l.d, kKCtlStaticText, kKCtlFlagFullWidth, -1, "Full", nullptr);
  l.Layout();
  // The edit follows the label with the label's gap after it.
  EXPECT_EQ(l.Right(label) + 6, l.At(edit).x);
  EXPECT_EQ(l.At(label).y, l.At(edit).y);
  EXPECT_EQ(80, l.At(edit).w);
  EXPECT_EQ(310, l.Right(right));
  EXPECT_EQ(std::max(l.Bottom(label), l.Bottom(edit)) + 8, l.At(right).y);
  // 0x8: no gap below the right-aligned text.
  EXPECT_EQ(l.Bottom(right), l.At(centre).y);
  EXPECT_EQ(10 + (300 - l.At(centre).w) / 2, l.At(centre).x);
  EXPECT_EQ(310, l.Right(full));
}

TEST_F(Layout, NegativeForcedHeightsStaySigned) {
  Laid l("Signed");
  SKCtlElem* overlap = KCtlForceElementSize(0, -5, KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Up", nullptr));
  SKCtlElem* next = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Next", nullptr);
  l.Layout();
  EXPECT_EQ(-5, l.At(overlap).h);
  // The row takes no room: the next one starts a gap below the row's top.
  EXPECT_EQ(l.At(overlap).y + 8, l.At(next).y);
  ASInt32 w, h;
  KCtlGetElemSize(l.Data(), overlap, &w, &h, 300, 0, 0, nullptr);
  EXPECT_EQ(-5, h);
}

TEST_F(Layout, ContainersAndGroupBoxes) {
  Laid l("Boxes");
  SKCtlElem* box = KCtlAddNewElement(l.d, kKCtlGroupBox, 0, -1, "Options", nullptr);
  SKCtlElem* inside = KCtlAddNewElement(l.d, kKCtlCheckBox, 0, -1, "Inside", box);
  SKCtlElem* narrowBox = KCtlAddNewElement(l.d, kKCtlGroupBox, kKCtlFlagSameRow, -1, "N", nullptr);
  SKCtlElem* child = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Child", narrowBox);
  l.Layout();
  // A group box takes the whole width; its children sit inside its insets.
  EXPECT_EQ(10, l.At(box).x);
  EXPECT_EQ(300, l.At(box).w);
  EXPECT_EQ(10 + 16, l.At(inside).x);
  EXPECT_EQ(10 + 20, l.At(inside).y);
  EXPECT_EQ(l.Bottom(inside) + 5, l.Bottom(box));
  // With 0x10 it is as wide as its content and insets.
  EXPECT_EQ(16 + l.At(child).w + 10, l.At(narrowBox).w);
}

TEST_F(Layout, ConsecutiveUserPanesShareOnePlace) {
  Laid l("Panes");
  SKCtlElem* p1 = KCtlAddNewElement(l.d, kKCtlUserPane, kKCtlFlagChecked, -1, nullptr, nullptr);
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "One line", p1);
  SKCtlElem* p2 = KCtlAddNewElement(l.d, kKCtlUserPane, 0, -1, nullptr, nullptr);
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "First", p2);
  KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "Second", p2);
  SKCtlElem* after = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "After", nullptr);
  l.Layout();
  EXPECT_EQ(l.At(p1).x, l.At(p2).x);
  EXPECT_EQ(l.At(p1).y, l.At(p2).y);
  // What follows clears the taller pane.
  EXPECT_GE(l.At(after).y, l.Bottom(p2));
  EXPECT_GT(l.Bottom(p2), l.Bottom(p1));
}

TEST_F(Layout, EscapeWidthWrapsEvenWhenTheRoomIsSmaller) {
  Laid l("Escape");
  SKCtlElem* t = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, ("![w=200]" + Words(20)).c_str(), nullptr);
  ASInt32 w, h;
  KCtlGetElemSize(l.Data(), t, &w, &h, 100, 0, 0, nullptr);
  EXPECT_GT(w, 100);
  EXPECT_LE(w, 200);
  ASInt32 w2, h2;
  SKCtlElem* plain = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, Words(20).c_str(), nullptr);
  KCtlGetElemSize(l.Data(), plain, &w2, &h2, 200, 0, 0, nullptr);
  EXPECT_EQ(w2, w);
  EXPECT_EQ(h2, h);
  // "h=" replaces the height, "w+" and "h+" add.
  SKCtlElem* sized = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "![h=40;w+5]Hi", nullptr);
  KCtlGetElemSize(l.Data(), sized, &w, &h, 300, 0, 0, nullptr);
  EXPECT_EQ(40, h);
  EXPECT_EQ(9 + 3 + 5, w);
  EXPECT_STREQ("Hi", KCtlGetUnescapedString("![h=40;w+5]Hi"));
  EXPECT_STREQ("![bad]Hi", KCtlGetUnescapedString("![bad]Hi"));
}

TEST_F(Layout, ItemListsMakeAnElementAtLeastAsLargeAsItsLargestItem) {
  Laid l("Items");
  SKCtlElem* p = KCtlAddNewElement(l.d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr);
  SKCab* list = KCabNewInner();
  KCtlAddListItemToCab(list, "a", ASAtomFromString("a"));
  KCtlAddListItemToCab(list, "WWWWWWWWWW", ASAtomFromString("w"));
  KCtlElemSetItemList(list, p);
  ASInt32 w, h;
  KCtlGetElemSize(l.Data(), p, &w, &h, 1000, 0, 0, nullptr);
  EXPECT_EQ(9 + 110 + 30, w);
  EXPECT_EQ(20, h);
}

TEST_F(Layout, MaximumDialogSizeIsTheScreenLessMargins) {
  ASInt32 w, h;
  KCtlGetMaxDialogSizePlatform(&w, &h);
  EXPECT_EQ(1024 - 20, w);
  EXPECT_EQ(768 - 22 - 30, h);
  PfScreenSetAvailableBounds(0, PfSetRect(0, 22, 1024, 700));
  KCtlGetMaxDialogSizePlatform(&w, &h);
  EXPECT_EQ(700 - 22 - 30, h);
}

TEST_F(Layout, DialogGroupsShareTheLargestSize) {
  SKCtlDialog* small = KCtlNewDialog("Small", 0);
  KCtlAddNewElement(small, kKCtlStaticText, 0, -1, "Short", nullptr);
  SKCtlDialog* large = KCtlNewDialog("Large", 0);
  SKCtlElem* t = KCtlAddNewElement(large, kKCtlStaticText, 0, -1, Words(40).c_str(), nullptr);
  KCtlAddNewElement(large, kKCtlFiller, kKCtlFlagFullWidth, -1, nullptr, nullptr);
  (void)t;
  SKCtlDialogGroup* group = NewKCtlDialogGroup();
  KCtlDialogGroupAddDialog(group, small);
  KCtlDialogGroupAddDialog(group, large);
  ASInt32 gw, gh;
  KCtlDialogGroupGetSize(group, &gw, &gh);
  SKCtlData* a = KCtlCreateData(small);
  KCtlDataSetGroup(a, group, 1);
  KCtlDialogSizeCalculations(a, 0, 0);
  SKCtlData* b = KCtlCreateData(large);
  KCtlDataSetGroup(b, group, 1);
  KCtlDialogSizeCalculations(b, 0, 0);
  EXPECT_EQ(gw, a->width);
  EXPECT_EQ(gw, b->width);
  EXPECT_EQ(gh, a->height);
  EXPECT_EQ(gh, b->height);
  EXPECT_GT(gh, 16);
  // Adding a member makes the group measure again.
  SKCtlDialog* wider = KCtlNewDialog("![w=700]Wider", 0);
  KCtlDialogGroupAddDialog(group, wider);
  KCtlDialogGroupGetSize(group, &gw, &gh);
  EXPECT_EQ(700, gw);
  KCtlDestroyData(a);
  KCtlDestroyData(b);
  DestroyKCtlDialogGroup(group);
  KCtlDestroyDialog(small);
  KCtlDestroyDialog(large);
  KCtlDestroyDialog(wider);
}

TEST_F(Layout, TrimmingKeepsTheStartAndTheEnd) {
  Laid l("Trim");
  SKCtlElem* t = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "x", nullptr);
  char text[64];
  std::strcpy(text, "abcdefghijklmnop");  // 96 wide
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "...", 3, 80, -1));
  EXPECT_STREQ("abc...ijklmnop", text);  // 21 + 9 + 48 = 78 < 80; one more letter is 85
  std::strcpy(text, "short");
  EXPECT_FALSE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "...", 1, 80, -1));
  EXPECT_STREQ("short", text);
  std::strcpy(text, "abcdefghij");
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "...", 3, 20, -1));
  EXPECT_STREQ("", text);
  // Characters go whole: the multibyte ones are never cut.
  std::strcpy(text, "ab\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9xyz");
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "..", 2, 40, -1));
  EXPECT_TRUE(PfUTF8IsValid(text, std::strlen(text))) << text;
  EXPECT_EQ(0, std::strncmp(text, "ab..", 4));
  // A height limit with wrapping.
  std::strcpy(text, "one two three four five six");
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "...", 4, 100, 16));
  ASInt32 w, h;
  KCtlGetElemSizePlatform(l.Data(), t, text, &w, &h, 100, 0, 0, nullptr);
  EXPECT_LE(h, 16);
  // A limit of two lines keeps two: a wrapped block is as wide as the wrap
  // width, which fits it.
  ASInt32 lineW = 0, line = 0, twoW = 0, twoLines = 0;
  KCtlGetElemSizePlatform(l.Data(), t, "x", &lineW, &line, 100, 0, 0, nullptr);
  KCtlGetElemSizePlatform(l.Data(), t, "one two three four five six", &twoW, &twoLines, 100, 0, 0, nullptr);
  ASSERT_GT(twoLines, line);
  std::strcpy(text, "one two three four five six seven eight nine ten");
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, text, "...", 4, 100, twoLines));
  KCtlGetElemSizePlatform(l.Data(), t, text, &w, &h, 100, 0, 0, nullptr);
  EXPECT_EQ(twoLines, h) << "two lines, not one: " << text;
  EXPECT_LE(w, 100);
}

TEST_F(Layout, FileNamesTrimAfterTheFirstComponent) {
  EXPECT_EQ(1, KCtlFileNameTrimPosition("/usr/local/file.pdf"));
  EXPECT_EQ(3, KCtlFileNameTrimPosition("C:\\dir\\file.pdf"));
  EXPECT_EQ(2, KCtlFileNameTrimPosition("\\\\server\\share\\f.pdf"));
  EXPECT_EQ(0, KCtlFileNameTrimPosition("file.pdf"));
  Laid l("Trim");
  SKCtlElem* t = KCtlAddNewElement(l.d, kKCtlStaticText, 0, -1, "x", nullptr);
  char path[64];
  std::strcpy(path, "/home/someone/documents/file.pdf");
  EXPECT_TRUE(KCtlTrimTextToFitData(l.Data(), nullptr, t, path, "...", KCtlFileNameTrimPosition(path), 120, -1));
  EXPECT_EQ(0, std::strncmp(path, "/...", 4)) << path;
  EXPECT_NE(nullptr, std::strstr(path, "file.pdf")) << path;
}

}  // namespace
