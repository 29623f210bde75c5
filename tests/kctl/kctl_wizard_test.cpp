// A three-page assistant built with a dialog group, driven page by page
// through the dialog driver as a user would: its parameter cabinet ends up
// holding what was typed and chosen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "foundation/KCabDump.h"

namespace {

using namespace kvtest;

constexpr ASInt16 kBack = 10;

// Back keeps what the page holds and goes one page back.
ASInt32 BackStores(SMacDialogInfo*, ASInt32, ASInt32, void*) { return kKCtlCallBackCommitTerminate; }

void AddButtons(SKCtlDialog* d, bool first, bool last) {
  SKCtlElem* back = KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | (first ? kKCtlFlagDisabled : 0u), kBack,
                                      "Back", nullptr);
  KCtlSetActionCallback(back, kKCtlTriggerClick, BackStores, nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagCancel, 2, "Cancel", nullptr);
  KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagOK, 1, last ? "Finish" : "Next", nullptr);
}

struct Wizard {
  SKCtlDialogGroup* group = NewKCtlDialogGroup();
  SKCtlDialog* pages[3];
  SKCab* params = KCabNewInner();
  SKCab* pos = KCabNewInner();
  std::vector<int> shownPages;

  Wizard() {
    pages[0] = KCtlNewDialog("Setup", 0);
    KCtlAddNewElement(pages[0], kKCtlStaticText, 0, -1, "Step 1 of 3: who is this for?", nullptr);
    KCtlAddNewElement(pages[0], kKCtlStaticText, kKCtlFlagSameRow, -1, "Name:", nullptr);
    KCtlSetExportKeyEditString("Name", 20, KCtlAddNewElement(pages[0], kKCtlEditText, 0, -1, "xxxxxxxxxxxxxxx", nullptr));
    AddButtons(pages[0], true, false);

    pages[1] = KCtlNewDialog("Setup", 0);
    KCtlAddNewElement(pages[1], kKCtlStaticText, 0, -1, "Step 2 of 3: how should it run?", nullptr);
    SKCtlElem* box = KCtlAddNewElement(pages[1], kKCtlGroupBox, 0, -1, "Mode", nullptr);
    ASUns32 g = KCtlDialogNewButtonGroupCode(pages[1]);
    KCtlRadioButtonSetGroup(g, KCtlSetExportKeyAtom("Mode", ASAtomFromString("Fast"),
                                                    KCtlAddNewElement(pages[1], kKCtlRadioButton, kKCtlFlagChecked, -1, "Fast", box)));
    KCtlRadioButtonSetGroup(g, KCtlSetExportKeyAtom("Mode", ASAtomFromString("Careful"),
                                                    KCtlAddNewElement(pages[1], kKCtlRadioButton, 0, -1, "Careful", box)));
    KCtlSetExportKey("Verify", KCtlAddNewElement(pages[1], kKCtlCheckBox, 0, -1, "Verify afterwards", nullptr));
    AddButtons(pages[1], false, false);

    pages[2] = KCtlNewDialog("Setup", 0);
    KCtlAddNewElement(pages[2], kKCtlStaticText, 0, -1, "Step 3 of 3: how many copies?", nullptr);
    KCtlAddNewElement(pages[2], kKCtlStaticText, kKCtlFlagSameRow, -1, "Copies:", nullptr);
    KCtlSetExportKeyEditInt("Copies", 1, 99, KCtlAddNewElement(pages[2], kKCtlEditText, 0, -1, "999", nullptr));
    SKCtlElem* p = KCtlSetExportKeyListAtom("Paper", KCtlAddNewElement(pages[2], kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr));
    SKCab* list = KCabNewInner();
    for (const char* s : {"A4", "A3", "Letter"}) KCtlAddListItemToCab(list, s, ASAtomFromString(s));
    KCtlElemSetItemList(list, p);
    AddButtons(pages[2], false, true);

    for (SKCtlDialog* d : pages) KCtlDialogGroupAddDialog(group, d);
  }
  ~Wizard() {
    for (SKCtlDialog* d : pages) KCtlDestroyDialog(d);
    DestroyKCtlDialogGroup(group);
    KCabDestroy(params);
    KCabDestroy(pos);
  }

  // The assistant's own loop: Next forward, Back backward, Cancel out.
  bool Run() {
    int page = 0;
    for (;;) {
      shownPages.push_back(page);
      SKCtlData* data = KCtlCreateData(pages[page]);
      KCtlDataSetExportCab(data, params, pos);
      KCtlDataSetGroup(data, group, 1);
      ASInt32 result = KCtlPlatformTestModal(data, nullptr);
      KCtlDestroyData(data);
      if (result == 1) {
        if (page == 2) return true;
        ++page;
      } else if (result == kBack) {
        --page;
      } else {
        return false;
      }
    }
  }
};

class WizardTest : public KCtlFixture {};

TEST_F(WizardTest, DrivenPageByPage) {
  Wizard w;
  PfScript script;
  std::vector<PfRect> sizes;
  auto size = [&] {
    PfRect r;
    PfGetWindowBounds(PfGetDialogWindow(Front()), kPfWindowContentRgn, &r);
    sizes.push_back(PfSetRect(0, 0, PfRectWidth(r), PfRectHeight(r)));
  };
  auto click = [](const char* caption) { PfDriverClickItem(Front(), PfDriverItemByCaption(Front(), caption), 0); };
  std::string nameOnReturn, copiesAfterRefusal;
  int32_t modeOnReturn = -1, verifyOnReturn = -1;
  bool backDisabled = false;
  // Page 1: type a name.
  script.Then([&] {
    size();
    backDisabled = !PfDriverIsEnabled(Front(), PfDriverItemByCaption(Front(), "Back"));
    PfDriverTypeText(Front(), ItemOfKey("Name"), "Ada Lovelace", true);
    click("Next");
  });
  // Page 2: choose Careful, tick Verify, then go back.
  script.Then([&] {
    size();
    PfDriverClickItem(Front(), ItemOfKey("Mode=Careful"), 0);
    PfDriverSetChecked(Front(), ItemOfKey("Verify"), true);
    click("Back");
  });
  // Page 1 again: the name is still there.
  script.Then([&] {
    nameOnReturn = PfText(Front(), ItemOfKey("Name"));
    click("Next");
  });
  // Page 2 again: the choices were kept by Back.
  script.Then([&] {
    modeOnReturn = PfDriverGetValue(Front(), ItemOfKey("Mode=Careful"));
    verifyOnReturn = PfDriverGetValue(Front(), ItemOfKey("Verify"));
    click("Next");
  });
  // Page 3: a count out of range is refused; a good one finishes.
  script.Then([&] {
    size();
    PfDriverTypeText(Front(), ItemOfKey("Copies"), "120", true);
    PfDriverChoosePopup(Front(), ItemOfKey("Paper"), 2);
    click("Finish");
  });
  script.Then([&] {
    copiesAfterRefusal = PfText(Front(), ItemOfKey("Copies"));
    PfDriverTypeText(Front(), ItemOfKey("Copies"), "3", true);
    click("Finish");
  });
  EXPECT_TRUE(w.Run());
  EXPECT_EQ((std::vector<int>{0, 1, 0, 1, 2}), w.shownPages);
  EXPECT_TRUE(backDisabled);
  EXPECT_EQ("Ada Lovelace", nameOnReturn);
  EXPECT_EQ(1, modeOnReturn);
  EXPECT_EQ(1, verifyOnReturn);
  EXPECT_EQ("120", copiesAfterRefusal) << "the refused page stays up";
  EXPECT_EQ("{Copies=i:3;Mode=a:Careful;Name=s:Ada Lovelace;Paper=a:Letter;Verify=b:1;}", DumpKCab(w.params));
  // Every page had the group's one size.
  ASSERT_EQ(3u, sizes.size());
  EXPECT_EQ(sizes[0], sizes[1]);
  EXPECT_EQ(sizes[0], sizes[2]);
  ASInt32 gw, gh;
  KCtlDialogGroupGetSize(w.group, &gw, &gh);
  EXPECT_EQ(gw + 20, PfRectWidth(sizes[0]));
  EXPECT_EQ(gh + 20, PfRectHeight(sizes[0]));
}

TEST_F(WizardTest, CancelLeavesTheParametersAsTheyWere) {
  Wizard w;
  KCabPutStringCopy(w.params, "Name", "Before");
  PfScript script;
  script.Then([&] {
    PfDriverTypeText(Front(), ItemOfKey("Name"), "Changed", true);
    PfDriverPressEscape();
  });
  EXPECT_FALSE(w.Run());
  EXPECT_EQ("{Name=s:Before;}", DumpKCab(w.params));
}

}  // namespace
