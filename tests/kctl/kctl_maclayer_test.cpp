// The Mac layer: control ids, the platform item list in its byte format, the
// window and what initialisation puts into its items.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "host/AV.h"

namespace {

using namespace kvtest;

struct Item {
  uint8_t kind;
  PfRect rect;
  std::string data;
};

ASInt16 Get16(const uint8_t* p) { return (ASInt16)(((ASUns16)p[0] << 8) | p[1]); }

// Reads an item list the way the platform does; checks the byte layout.
std::vector<Item> Parse(void* handle) {
  PfHandle h = static_cast<PfHandle>(handle);
  const uint8_t* p = PfHandleData(h);
  size_t size = PfGetHandleSize(h);
  std::vector<Item> items;
  int count = Get16(p) + 1;
  size_t at = 2;
  for (int k = 0; k < count; ++k) {
    EXPECT_LE(at + 14, size);
    EXPECT_EQ(0, p[at] | p[at + 1] | p[at + 2] | p[at + 3]) << "placeholder of item " << k + 1;
    Item it;
    it.rect = PfRect{Get16(p + at + 4), Get16(p + at + 6), Get16(p + at + 8), Get16(p + at + 10)};
    it.kind = p[at + 12];
    uint8_t len = p[at + 13];
    it.data.assign(reinterpret_cast<const char*>(p + at + 14), len);
    at += 14 + len + ((14 + len) & 1);
    items.push_back(it);
  }
  EXPECT_EQ(size, at) << "the list is exactly as long as its items";
  return items;
}

// A description laid out and turned into an item list, not shown.
struct Built {
  SKCtlDialog* d;
  SKCtlData* data = nullptr;
  explicit Built(const char* title) : d(KCtlNewDialog(title, 0)) {}
  ~Built() {
    KCtlDestroyData(data);
    KCtlDestroyDialog(d);
  }
  std::vector<Item> Build() {
    data = KCtlCreateData(d);
    KCtlDataInitPlatform(nullptr, data);
    KCtlDialogSizeCalculations(data, 0, 0);
    KCtlMacCreateItemList(data);
    return Parse(data->itemList);
  }
  SKCtlElemInfo& At(SKCtlElem* e) { return *KCtlElemFindInfo(data, e); }
  PfRect Rect(SKCtlElem* e) { return PfSetRect(At(e).x, At(e).y, At(e).x + At(e).w, At(e).y + At(e).h); }
};

class MacLayer : public KCtlFixture {};

TEST_F(MacLayer, OKAndCancelAreItemsOneAndTwo) {
  Built b("List");
  SKCtlElem* text = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "Hello", nullptr);
  SKCtlElem* edit = KCtlForceElementSize(80, 0, KCtlAddNewElement(b.d, kKCtlEditText, 0, -1, "ignored", nullptr));
  SKCtlElem* icon = KCtlAddNewElementWithResourceRef(b.d, kKCtlIcon, 0, -1, 0x1234, nullptr);
  SKCtlElem* ok = KCtlAddNewElement(b.d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCtlElem* cancel = KCtlAddNewElement(b.d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  std::vector<Item> items = b.Build();
  ASSERT_EQ(5u, items.size());
  EXPECT_EQ(kPfButtonItem, items[0].kind);
  EXPECT_EQ("OK", items[0].data);
  EXPECT_EQ(b.Rect(ok), items[0].rect);
  EXPECT_EQ(kPfButtonItem, items[1].kind);
  EXPECT_EQ("Cancel", items[1].data);
  EXPECT_EQ(b.Rect(cancel), items[1].rect);
  EXPECT_EQ(kPfStaticTextItem, items[2].kind);
  EXPECT_EQ("Hello", items[2].data);
  EXPECT_EQ(b.Rect(text), items[2].rect);
  // Edit texts carry no text and lie 3 inside their place.
  EXPECT_EQ(kPfEditTextItem, items[3].kind);
  EXPECT_EQ("", items[3].data);
  PfRect r = b.Rect(edit);
  PfInsetRect(&r, 3, 3);
  EXPECT_EQ(r, items[3].rect);
  EXPECT_EQ(kPfIconItem, items[4].kind);
  EXPECT_EQ(std::string("\x12\x34", 2), items[4].data);
  EXPECT_EQ(1, b.At(ok).itemIndex);
  EXPECT_EQ(2, b.At(cancel).itemIndex);
  EXPECT_EQ(3, b.At(text).itemIndex);
  EXPECT_EQ(5, b.At(icon).itemIndex);
  EXPECT_EQ(5, b.data->itemCounter);
}

TEST_F(MacLayer, MissingRolesLeaveEmptyItems) {
  Built b("NoButtons");
  SKCtlElem* text = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "Only", nullptr);
  std::vector<Item> items = b.Build();
  ASSERT_EQ(3u, items.size());
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(kPfUserItem, items[k].kind);
    EXPECT_EQ(PfSetRect(0, 0, 0, 0), items[k].rect);
    EXPECT_EQ("", items[k].data);
  }
  EXPECT_EQ(3, b.At(text).itemIndex);
}

// Special elements have no platform item: the list announces exactly the
// items it holds, and each item is the one its element was given.
TEST_F(MacLayer, SpecialElementsTakeNoItem) {
  Built b("Special");
  SKCtlElem* before = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "Before", nullptr);
  SKCtlElem* special = KCtlAddNewElement(b.d, kKCtlSpecial, 0, -1, nullptr, nullptr);
  SKCtlElem* after = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "After", nullptr);
  std::vector<Item> items = b.Build();
  ASSERT_EQ(4u, items.size());
  EXPECT_EQ(4, b.data->itemCounter) << "announced and written alike";
  EXPECT_EQ(0, b.At(special).itemIndex);
  EXPECT_EQ(3, b.At(before).itemIndex);
  EXPECT_EQ(4, b.At(after).itemIndex);
  EXPECT_EQ("After", items[3].data);
}

TEST_F(MacLayer, GroupBoxesComeLastWithFrameAndLabel) {
  Built b("Group");
  SKCtlElem* box = KCtlAddNewElement(b.d, kKCtlGroupBox, 0, -1, "Options", nullptr);
  SKCtlElem* inside = KCtlAddNewElement(b.d, kKCtlCheckBox, 0, -1, "Inside", box);
  SKCtlElem* after = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "After", nullptr);
  SKCtlElem* bare = KCtlAddNewElement(b.d, kKCtlGroupBox, 0, -1, "", nullptr);
  std::vector<Item> items = b.Build();
  ASSERT_EQ(2u + 2 + 2 + 2, items.size());
  EXPECT_EQ(3, b.At(inside).itemIndex);
  EXPECT_EQ(4, b.At(after).itemIndex);
  EXPECT_EQ(5, b.At(box).itemIndex);
  const Item& frame = items[4];
  const Item& label = items[5];
  EXPECT_EQ(kPfUserItem | kPfItemDisableBit, frame.kind);
  EXPECT_EQ(b.At(box).y + 12, frame.rect.top);
  EXPECT_EQ(b.At(box).x, frame.rect.left);
  EXPECT_EQ(kPfStaticTextItem, label.kind);
  EXPECT_EQ("Options ", label.data);
  EXPECT_EQ(b.At(box).x + 10, label.rect.left);
  EXPECT_EQ(b.At(box).y, label.rect.top);
  EXPECT_EQ(49, label.rect.right - label.rect.left);  // "Options " on one line
  // Without a label the second item is an empty user item far to the right.
  EXPECT_EQ(kPfUserItem, items[7].kind);
  EXPECT_EQ(b.At(bare).x + 8192, items[7].rect.left);
  // Static texts are drawn over frames as controls: all of them get their text at init.
  EXPECT_TRUE(b.At(after).textAtInit);
}

TEST_F(MacLayer, LongTextsAreCutInTheListAndSetWholeAtInit) {
  std::string text(300, 'x');
  KCtlRun run("Long");
  SKCtlElem* t = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, text.c_str(), nullptr);
  SKCtlElem* esc = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "![w=50]Escaped", nullptr);
  SKCtlElem* accent = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "caf\xc3\xa9", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::string shown, shownEsc, shownAccent;
  std::vector<Item> items;
  script.Then([&] {
    shown = TextOf(t);
    shownEsc = TextOf(esc);
    shownAccent = TextOf(accent);
    PfDriverPressReturn();
  });
  EXPECT_EQ(1, run.RunModal(script));
  EXPECT_EQ(text, shown);
  EXPECT_EQ("Escaped", shownEsc);
  EXPECT_EQ("caf\xc3\xa9", shownAccent);

  Built b("Cut");
  SKCtlElem* t2 = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, text.c_str(), nullptr);
  SKCtlElem* plain = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "plain", nullptr);
  items = b.Build();
  EXPECT_EQ(255u, items[2].data.size());
  EXPECT_TRUE(b.At(t2).textAtInit);
  EXPECT_FALSE(b.At(plain).textAtInit);
}

TEST_F(MacLayer, TallCheckBoxesGetALabelItem) {
  KCtlRun run("Tall");
  SKCtlElem* tall = KCtlForceElementSize(200, 30, KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Tall box", nullptr));
  SKCtlElem* plain = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Plain", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  std::string boxTitle, label;
  ASInt32 labelId = 0;
  int16_t boxItem = 0;
  script.Then([&] {
    SKCtlElemInfo* i = KCtlElemFindInfo(FrontData(), tall);
    labelId = i->labelId;
    boxItem = ItemOf(tall);
    boxTitle = PfText(Front(), boxItem);
    label = PfText(Front(), ItemOfId(labelId));
    EXPECT_EQ(0, KCtlElemFindInfo(FrontData(), plain)->labelId);
    // Clicking the box toggles it.
    PfDriverClickItem(Front(), boxItem, 0);
  });
  bool checked = false;
  script.Then([&] {
    checked = MacDialogItemIsChecked(FrontInfo(), IdOf(tall));
    PfDriverPressReturn();
  });
  EXPECT_EQ(1, run.RunModal(script));
  EXPECT_GT(labelId, 0);
  EXPECT_EQ("Tall box", boxTitle);
  EXPECT_EQ("Tall box", label);
  EXPECT_TRUE(checked);
}

TEST_F(MacLayer, GeneratedIdsNeverTakeTheCancelRole) {
  // With only an OK button, the first generated id is 3, not 2: the platform
  // reports its cancel keys as id 2, and an element with it would end the dialog.
  KCtlRun run("Roles");
  SKCtlElem* box = KCtlSetExportKey("On", KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "On", nullptr));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  run.Export();
  PfScript script;
  ASInt32 id = 0;
  script.Then([&] {
    id = IdOf(box);
    Click(box);
  });
  script.Then([] { PfDriverPressReturn(); });
  EXPECT_EQ(1, run.RunModal(script));
  EXPECT_EQ(3, id);
  EXPECT_TRUE(KCabGetBool(run.exportCab, "On", 0));
}

TEST_F(MacLayer, ControlIdsFollowTheHighestDeclaredOne) {
  Built b("Ids");
  SKCtlElem* a = KCtlAddNewElement(b.d, kKCtlStaticText, 0, -1, "a", nullptr);
  SKCtlElem* five = KCtlAddNewElement(b.d, kKCtlStaticText, 0, 5, "five", nullptr);
  SKCtlElem* box = KCtlAddNewElement(b.d, kKCtlGroupBox, 0, -1, "Box", nullptr);
  SKCtlElem* nine = KCtlAddNewElement(b.d, kKCtlStaticText, 0, 9, "nine", box);
  SKCtlElem* pic = KCtlAddNewElementWithResourceRef(b.d, kKCtlPicture, kKCtlFlagImageOrSmall, -1, 7, nullptr);
  b.Build();
  KCtlMacSetControlIdsForList(b.data);
  EXPECT_EQ(10, KCtlPlatformGetElemControlId(b.data, a));
  EXPECT_EQ(5, KCtlPlatformGetElemControlId(b.data, five));
  EXPECT_EQ(11, KCtlPlatformGetElemControlId(b.data, box));
  EXPECT_EQ(12, b.At(box).labelId);
  EXPECT_EQ(9, KCtlPlatformGetElemControlId(b.data, nine));
  EXPECT_EQ(13, KCtlPlatformGetElemControlId(b.data, pic));
  EXPECT_EQ(13, pic->controlId) << "an image control also keeps its id as declared";
  EXPECT_EQ(five, KCtlPlatformGetElemFromControlId(b.data, 5));
  EXPECT_EQ(a, KCtlPlatformGetElemFromControlId(b.data, 10));
  EXPECT_EQ(nullptr, KCtlPlatformGetElemFromControlId(b.data, 0));
  EXPECT_EQ(nullptr, KCtlPlatformGetElemFromControlId(b.data, -1));
  EXPECT_EQ(nullptr, KCtlPlatformGetElemFromControlId(b.data, 99));
}

TEST_F(MacLayer, WindowIsTwentyLargerAndTitledInUTF8) {
  KCtlRun run("Gr\xc3\xb6\xc3\x9f" "e");
  KCtlAddNewElement(run.dialog, kKCtlStaticText, 0, -1, "Size", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  PfRect content{};
  std::string title;
  script.Then([&] {
    PfGetWindowBounds(PfGetDialogWindow(Front()), kPfWindowContentRgn, &content);
    title = PfGetWindowTitleUTF8(PfGetDialogWindow(Front()));
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ(run.data->width + 20, PfRectWidth(content));
  EXPECT_EQ(run.data->height + 20, PfRectHeight(content));
  EXPECT_EQ("Gr\xc3\xb6\xc3\x9f" "e", title);
}

TEST_F(MacLayer, PulldownsBecomePopupsAndBevelsAreMade) {
  KCtlRun run("Kinds");
  SKCtlElem* pop = KCtlAddNewElement(run.dialog, kKCtlPulldown, 0, -1, nullptr, nullptr);
  SKCtlElem* bevel = KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagImageOrSmall | kKCtlFlagInBody, -1,
                                       "Bevel", nullptr);
  SKCtlElem* radio = KCtlAddNewElement(run.dialog, kKCtlRadioButton, kKCtlFlagBevelRadio, -1, "Tab", nullptr);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  int16_t popProc = 0, bevelProc = 0, radioProc = 0;
  std::string bevelTitle;
  script.Then([&] {
    SMacDialogInfo* info = FrontInfo();
    popProc = PfGetControlProcId(MacGetValidMenuControlHandle(info, IdOf(pop)));
    bevelProc = PfGetControlProcId(MacGetValidControlHandle(info, IdOf(bevel)));
    radioProc = PfGetControlProcId(MacGetValidControlHandle(info, IdOf(radio)));
    bevelTitle = TextOf(bevel);
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ(kPfPopupButtonProc, popProc);
  EXPECT_EQ(kPfBevelButtonProc, bevelProc);
  EXPECT_EQ(kPfBevelButtonProc, radioProc);
  EXPECT_EQ("Bevel", bevelTitle);
}

TEST_F(MacLayer, ModelessRunLivesInAHostWindowUntilEnded) {
  ASInt32 windows = AVAppGetNumWindows();
  PfSetEventDispatcher(MacDialogDispatchEvent, nullptr);
  SKCtlDialog* d = KCtlNewDialog("Modeless", kKCtlDialogFreeDescription | kKCtlDialogFreeData);
  SKCtlElem* check = KCtlSetExportKey("On", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, "On", nullptr));
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCtlData* data = KCtlCreateData(d);
  SKCab* exportCab = KCabNewInner();
  KCtlDataSetExportCab(data, exportCab, nullptr);
  SMacDialogInfo* slot = nullptr;
  data->windowSlot = &slot;
  SMacDialogInfo* info = KCtlPlatformTestModeless(data, nullptr);
  ASSERT_NE(nullptr, info);
  EXPECT_EQ(info, slot);
  EXPECT_EQ(windows + 1, AVAppGetNumWindows());
  PfDriverClickItem(Front(), ItemOfId(KCtlPlatformGetElemControlId(data, check)), 0);
  PfDriverPump();
  PfDriverClickItem(Front(), ItemOfId(1), 0);
  PfDriverPump();
  EXPECT_EQ(nullptr, slot);
  EXPECT_EQ(windows, AVAppGetNumWindows());
  EXPECT_TRUE(KCabGetBool(exportCab, "On", 0));
  KCabDestroy(exportCab);
  PfSetEventDispatcher(nullptr, nullptr);
}

}  // namespace
