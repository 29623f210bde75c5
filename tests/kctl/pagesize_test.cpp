// The page-size element driven through the platform's driver: its list from
// the collection, the orientation buttons and feedback, loading sizes the
// list lacks, the more-choices road; and the accessors that turn an exported
// size into a page template.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "pdftools/PageTemplate.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCabDump.h"
#include "foundation/KCabHolder.h"
#include "foundation/MessageTable.h"
#include "kctl/PageSizeDialogs.h"
#include "kctl/PageSizeElem.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"
#include "support/TestPageSizes.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

class PageSize : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    TestPageSizes::Install();
  }
  void TearDown() override {
    TestPageSizes::Uninstall();
    KCtlFixture::TearDown();
  }
};

std::vector<std::string> Texts(SKCab* list) {
  std::vector<std::string> out;
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* d) -> ASBool {
        static_cast<std::vector<std::string>*>(d)->push_back(KCabGetString(item, "S"));
        return 1;
      },
      &out);
  return out;
}

SKCab* Blank(const char* name, double w, double h) { return NewPageSizeCabBlankPoints(name, w, h, 1); }

SKCab* Background(const char* name, const char* path, long from, long to, long repeat) {
  return NewPageSizeBackground(name, path, from, to, repeat, 1);
}

TEST_F(PageSize, TheListOffersTheKindsAskedForSortedWithMoreChoicesFirst) {
  KCabPutCab(TestPageSizes::Coll(), "", Background("Letterhead", "/forms/head.pdf", 0, 0, 1));
  KCabPutCab(TestPageSizes::Coll(), "", Blank(nullptr, 300, 400));
  SKCab* list = PageSizeCollectionMakeItemList(TestPageSizes::Coll(), kPageSizeMoreChoices | kPageSizeBlanks);
  EXPECT_EQ((std::vector<std::string>{" " + Msg("uicustsz.morechoices"), "300 x 400 pt", "A4 (595 x 841 pt)",
                                      "Letter (612 x 792 pt)", "Tabloid (792 x 1224 pt)"}),
            Texts(list));
  EXPECT_EQ(ASAtomFromString("?More choices2"), KCabGetAtom(KCabGetCabNumKey(list, 0), "E", ASAtomNull));
  SKCab* anon = KCabGetCabNumKey(list, 1);
  ASSERT_NE(nullptr, anon);
  EXPECT_STREQ("300 x 400 pt", KCabGetString(anon, "S"));
  EXPECT_FALSE(KCabKnown(anon, "KRVLNoExport")) << "the list's copies lose the no-export mark";
  KCabDestroy(list);
  list = PageSizeCollectionMakeItemList(TestPageSizes::Coll(), kPageSizeMoreChoices | kPageSizeBackgrounds);
  EXPECT_EQ((std::vector<std::string>{" " + Msg("uicustsz.morechoices"), "Letterhead"}), Texts(list));
  EXPECT_EQ(ASAtomFromString("?More choices"), KCabGetAtom(KCabGetCabNumKey(list, 0), "E", ASAtomNull));
  KCabDestroy(list);
}

// Items are keyed by their place in the collection: sizes that show the same
// text stay apart, and the more-choices item stays first even before a name
// that sorts ahead of it.
TEST_F(PageSize, ItemsAreKeyedByTheirEntryAndMoreChoicesStaysFirst) {
  KCabPutCab(TestPageSizes::Coll(), "", Blank(nullptr, 300.2, 400));
  KCabPutCab(TestPageSizes::Coll(), "", Blank(nullptr, 300.4, 400));
  KCabPutCab(TestPageSizes::Coll(), "", Blank("  Early", 100, 100));
  SKCab* list = PageSizeCollectionMakeItemList(TestPageSizes::Coll(), kPageSizeMoreChoices | kPageSizeBlanks);
  std::vector<std::string> texts = Texts(list);
  ASSERT_EQ(7u, texts.size()) << "three sizes of the test collection and three more";
  EXPECT_EQ(" " + Msg("uicustsz.morechoices"), texts[0]);
  EXPECT_EQ("  Early (100 x 100 pt)", texts[1]);
  EXPECT_EQ(texts[2], texts[3]) << "two sizes that print alike";
  ASAtom first = KCabGetAtom(KCabGetCabNumKey(list, 2), "E", ASAtomNull);
  ASAtom second = KCabGetAtom(KCabGetCabNumKey(list, 3), "E", ASAtomNull);
  EXPECT_NE(first, second);
  EXPECT_DOUBLE_EQ(300.4, KCabGetDouble(KCtlSearchItemListForKey(list, second), "Width", 0));
  // The key is the entry's: the one the dialogs report for an added size.
  SKCab* entry = KCabGetCabNumKey(TestPageSizes::Coll(), 4);
  EXPECT_EQ(second, PageSizeItemKey(entry));
  KCabHolder loose(Blank(nullptr, 300.4, 400));
  EXPECT_EQ(ASAtomNull, PageSizeItemKey(loose.get())) << "a size in no collection has no key";
  KCabDestroy(list);
}

// Checks the more-sizes chooser's button of that answer.
void ChooseWhat(const char* what) {
  std::string key = std::string("What=") + what;
  PfDriverClickItem(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key.c_str()), 0);
}

// A dialog with one page-size element under "Page"; steps run in turn, then Return.
struct ElemRun {
  KCtlRun run{"Sheet"};
  SKCtlElem* popup = nullptr;
  std::vector<std::string> calls;
  std::vector<std::function<void()>> steps;

  static ASInt32 Callback(SMacDialogInfo*, ASInt32, ASInt32 trigger, void* user) {
    static_cast<ElemRun*>(user)->calls.push_back(std::to_string(trigger));
    return 0;
  }
  void Build(ASUns16 flags, ASInt16 id = -1) {
    popup = KCtlElemFromPageSizeCollection(run.dialog, 0, nullptr, flags, id, "Page", Callback, this);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  }
  ASInt32 Go() {
    run.Export();
    PfScript script;
    for (auto& s : steps) script.Then(s);
    script.Then([] { PfDriverPressReturn(); });
    return run.RunModal(script);
  }
  // Chooses the entry whose text is given.
  void Choose(const std::string& text) {
    steps.push_back([this, text] {
      SMacDialogInfo* d = KCtlFixture::FrontInfo();
      ASInt32 id = KCtlFixture::IdOf(popup);
      for (ASInt32 k = 0; k < MacMenuCountItems(d, id); ++k) {
        SKCab* item = reinterpret_cast<SKCab*>(MacMenuGetAttachedData(d, id, k));
        if (item && text == KCabGetString(item, "S")) {
          PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(popup), k);
          return;
        }
      }
      ADD_FAILURE() << "no entry " << text;
    });
  }
  static std::string Shown(SKCtlElem* popup) { return KCtlFixture::TextOf(popup); }
  static bool Checked(const char* key) {
    return PfDriverGetValue(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key)) == 1;
  }
  static bool Visible(const char* key) {
    return PfDriverIsVisible(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key));
  }
};

TEST_F(PageSize, BlankSizesCheckTheirOrientation) {
  KCabPutCab(TestPageSizes::Coll(), "", Blank("Square", 500, 500));
  KCabPutCab(TestPageSizes::Coll(), "", Blank("Band", 800, 600));
  struct Case {
    const char* entry;
    const char* checked;
    const char* before;
  };
  const Case cases[] = {{"Letter (612 x 792 pt)", "Tall", "Wide"},
                        {"Band (800 x 600 pt)", "Wide", "Tall"},
                        {"Square (500 x 500 pt)", "Tall", "Wide"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    ElemRun e;
    e.Build(kPageSizeBlanks | kPageSizeOrientation);
    // Start from a size of the other orientation, then choose the case's.
    bool startWide = std::string(c.before) == "Wide";
    KCabPutCab(e.run.Export(), "Page", Blank(nullptr, startWide ? 792 : 612, startWide ? 612 : 792));
    bool before = false, after = false, orientShown = false;
    e.steps.push_back([&] { before = ElemRun::Checked((std::string("PageOrientation=") + c.before).c_str()); });
    e.Choose(c.entry);
    e.steps.push_back([&] {
      after = ElemRun::Checked((std::string("PageOrientation=") + c.checked).c_str());
      orientShown = ElemRun::Visible("PageOrientation=Tall");
    });
    ASSERT_EQ(1, e.Go());
    EXPECT_TRUE(before);
    EXPECT_TRUE(after);
    EXPECT_TRUE(orientShown);
    EXPECT_EQ(ASAtomFromString(c.checked), KCabGetAtom(e.run.exportCab, "PageOrientation", ASAtomNull));
    SKCab* stored = KCabGetCab(e.run.exportCab, "Page");
    ASSERT_NE(nullptr, stored);
    EXPECT_FALSE(KCabKnown(stored, "S") || KCabKnown(stored, "E") || KCabKnown(stored, "System"));
    EXPECT_EQ(1, std::count(e.calls.begin(), e.calls.end(), "6")) << "the caller hears the change once";
    ASSERT_GE(e.calls.size(), 2u);
    EXPECT_EQ("6", e.calls.back()) << "after the feedback checked the orientation";
    EXPECT_EQ("2", e.calls[e.calls.size() - 2]);
  }
}

TEST_F(PageSize, BestStaysCheckedWhateverTheSize) {
  ElemRun e;
  e.Build(kPageSizeBlanks | kPageSizeOrientation | kPageSizeBest | kPageSizeNumberedIds, 200);
  KCabPutCab(e.run.Export(), "Page", Blank("Letter", 612, 792));
  KCabPutAtom(e.run.Export(), "PageOrientation", ASAtomFromString("Best"));
  bool best = false;
  ASInt32 tallItem = 0, bestItem = 0;
  e.Choose("Tabloid (792 x 1224 pt)");
  e.steps.push_back([&] {
    best = ElemRun::Checked("PageOrientation=Best");
    tallItem = KCtlFixture::ItemOfId(201);
    bestItem = KCtlFixture::ItemOfId(204);
  });
  ASSERT_EQ(1, e.Go());
  EXPECT_TRUE(best);
  EXPECT_NE(0, tallItem) << "numbered ids after the element's";
  EXPECT_NE(0, bestItem);
  EXPECT_EQ(ASAtomFromString("Best"), KCabGetAtom(e.run.exportCab, "PageOrientation", ASAtomNull));
  EXPECT_EQ(std::string("Tabloid"), KCabGetString(KCabGetCab(e.run.exportCab, "Page"), "Name"));
}

TEST_F(PageSize, AnUnnamedTurnedSizeBorrowsTheNameAndJoinsTheList) {
  ElemRun e;
  e.Build(kPageSizeBlanks | kPageSizeOrientation);
  KCabPutCab(e.run.Export(), "Page", Blank(nullptr, 841.89, 595.276));
  std::string shown;
  ASInt32 entries = 0;
  e.steps.push_back([&] {
    shown = ElemRun::Shown(e.popup);
    entries = MacMenuCountItems(KCtlFixture::FrontInfo(), KCtlFixture::IdOf(e.popup));
  });
  ASSERT_EQ(1, e.Go());
  EXPECT_EQ("A4 (841 x 595 pt)", shown);
  EXPECT_EQ(4, entries) << "the three sizes and the loaded one";
  SKCab* stored = KCabGetCab(e.run.exportCab, "Page");
  EXPECT_STREQ("A4", KCabGetString(stored, "Name"));
  EXPECT_DOUBLE_EQ(841.89, KCabGetDouble(stored, "Width", 0));
  EXPECT_EQ(ASAtomFromString("Wide"), KCabGetAtom(e.run.exportCab, "PageOrientation", ASAtomNull));
}

TEST_F(PageSize, ALoadedSizeSelectsTheEntryWithItsNameAndContents) {
  ElemRun e;
  e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
  KCabPutCab(e.run.Export(), "Page", Blank("Tabloid", 792, 1224));
  std::string shown;
  e.steps.push_back([&] { shown = ElemRun::Shown(e.popup); });
  ASSERT_EQ(1, e.Go());
  EXPECT_EQ("Tabloid (792 x 1224 pt)", shown);
}

TEST_F(PageSize, BackgroundsShowTheirFeedbackInsteadOfTheButtons) {
  TempDir dir;
  std::string head = dir.file("head.pdf");
  kvfix::WriteSimple(head, 2);
  KCabPutCab(TestPageSizes::Coll(), "", Background("Letterhead", head.c_str(), 0, 1, 2));
  ElemRun e;
  e.Build(kPageSizeBlanks | kPageSizeBackgrounds | kPageSizeOrientation);
  KCabPutCab(e.run.Export(), "Page", Blank("Letter", 612, 792));
  bool buttonsFirst = false, buttonsAfter = true;
  std::string feedback;
  e.steps.push_back([&] { buttonsFirst = ElemRun::Visible("PageOrientation=Tall"); });
  e.Choose("Letterhead");
  e.steps.push_back([&] {
    buttonsAfter = ElemRun::Visible("PageOrientation=Tall");
    PfDialogRef d = KCtlFixture::Front();
    for (int16_t i = 1; i <= PfCountDialogItems(d); ++i)
      if (PfText(d, i).rfind(Msg("uicustsz.pagessize"), 0) == 0 && PfDriverIsVisible(d, i)) feedback = PfText(d, i);
  });
  ASSERT_EQ(1, e.Go());
  EXPECT_TRUE(buttonsFirst);
  EXPECT_FALSE(buttonsAfter);
  EXPECT_EQ(Msg("uicustsz.pagessize") + "612 x 792 pt" + Msg("uicustsz.tall"), feedback)
      << "the file measured, its repeated pages without end";
  TemplateCacheTerm();
  EXPECT_TRUE(ExportedPageSizeIsBackground(e.run.exportCab, "Page"));
}

// More choices that add nothing leave the user's size chosen: cancelled, or
// a size the blank dialog refused.
TEST_F(PageSize, MoreChoicesThatAddNothingKeepTheChosenSize) {
  struct Case {
    const char* name;
    bool refuse;  // go on to a new blank size the dialog refuses, then cancel
  };
  for (Case c : {Case{"cancelled", false}, Case{"refused", true}}) {
    SCOPED_TRACE(c.name);
    ElemRun e;
    e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
    KCabPutCab(e.run.Export(), "Page", Blank("Tabloid", 792, 1224));
    std::string chooser, shown;
    e.steps.push_back([&] { PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(e.popup), 0); });
    e.steps.push_back([&] {
      chooser = PfGetWindowTitleUTF8(PfGetDialogWindow(KCtlFixture::Front()));
      if (c.refuse) {
        ChooseWhat("NewBlank");
        PfDriverPressReturn();  // Next: a new blank size
      } else
        PfDriverPressEscape();
    });
    if (c.refuse) {
      e.steps.push_back([&] {
        PfDialogRef d = KCtlFixture::Front();
        PfDriverTypeText(d, PfDriverItemByKey(d, "Width"), "0", true);
        PfDriverTypeText(d, PfDriverItemByKey(d, "Height"), "300", true);
        PfDriverPressReturn();
      });
      e.steps.push_back([&] { PfDriverPressEscape(); });  // the chooser came back
    }
    e.steps.push_back([&] { shown = ElemRun::Shown(e.popup); });
    MessageCapture capture;
    ASSERT_EQ(1, e.Go());
    EXPECT_EQ(Msg("dlg.moresizes.title"), chooser);
    EXPECT_EQ("Tabloid (792 x 1224 pt)", shown);
    EXPECT_STREQ("Tabloid", KCabGetString(KCabGetCab(e.run.exportCab, "Page"), "Name"));
    EXPECT_EQ(0, std::count(e.calls.begin(), e.calls.end(), "6")) << "the size never changed";
  }
}

// A size the list lacked is kept as an entry of its own; the list made anew
// after a deletion keeps it chosen, and a list with nothing chosen before
// comes back to the more-choices entry, which is no size.
TEST_F(PageSize, AListMadeAnewKeepsTheChoiceOrChoosesNothing) {
  KCabPutCab(TestPageSizes::Coll(), "", Blank("Card", 400, 300));
  struct Case {
    const char* name;
    bool loadOwnSize;
  };
  for (Case c : {Case{"a size of its own", true}, Case{"nothing chosen", false}}) {
    SCOPED_TRACE(c.name);
    ElemRun e;
    e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
    if (c.loadOwnSize) KCabPutCab(e.run.Export(), "Page", Blank(nullptr, 123, 456));
    std::string shown;
    e.steps.push_back([&] { PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(e.popup), 0); });
    e.steps.push_back([&] { ChooseWhat("Review"); });
    e.steps.push_back([&] { PfDriverPressReturn(); });  // Next: review
    e.steps.push_back([&] {
      SMacDialogInfo* d = KCtlFixture::FrontInfo();
      for (ASInt32 k = 0; k < MacMenuCountItems(d, 102); ++k) {
        auto* item = reinterpret_cast<SKCab*>(MacMenuGetAttachedData(d, 102, k));
        if (item && std::string("Card (400 x 300 pt)") == KCabGetString(item, "S"))
          PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOfId(102), k);
      }
    });
    e.steps.push_back([&] { PfDriverPressReturn(); });  // Delete, and confirm
    e.steps.push_back([&] { shown = ElemRun::Shown(e.popup); });
    MessageCapture capture;  // answers the question with yes
    ASSERT_EQ(1, e.Go());
    EXPECT_EQ(3u, TestPageSizes::Entries().size()) << "Card is gone";
    if (c.loadOwnSize) {
      EXPECT_EQ("123 x 456 pt", shown);
      EXPECT_DOUBLE_EQ(123, KCabGetDouble(KCabGetCab(e.run.exportCab, "Page"), "Width", 0));
    } else {
      EXPECT_EQ(" " + Msg("uicustsz.morechoices"), shown);
      EXPECT_FALSE(KCabKnown(e.run.exportCab, "Page"));
    }
    TestPageSizes::Reset();
    KCabPutCab(TestPageSizes::Coll(), "", Blank("Card", 400, 300));
  }
}

// Cancelling the dialog leaves the caller's values as they were: a turned
// size's borrowed name goes on the entry only.
TEST_F(PageSize, ACancelledDialogLeavesTheLoadedSizeUnnamed) {
  ElemRun e;
  e.Build(kPageSizeBlanks);
  KCabPutCab(e.run.Export(), "Page", Blank(nullptr, 841.89, 595.276));
  std::string shown;
  e.steps.push_back([&] {
    shown = ElemRun::Shown(e.popup);
    PfDriverPressEscape();
  });
  PfScript script;
  for (auto& s : e.steps) script.Then(s);
  ASSERT_EQ(2, e.run.RunModal(script));
  EXPECT_EQ("A4 (841 x 595 pt)", shown) << "the entry shows the borrowed name";
  EXPECT_EQ(nullptr, KCabGetString(KCabGetCab(e.run.exportCab, "Page"), "Name"));
}

TEST_F(PageSize, ANewBlankSizeFromMoreChoicesIsAddedSavedAndSelected) {
  ElemRun e;
  e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
  std::string shown;
  e.steps.push_back([&] { PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(e.popup), 0); });
  e.steps.push_back([&] {
    ChooseWhat("NewBlank");  // the chooser remembers the last choice
    PfDriverPressReturn();   // Next: a new blank size
  });
  e.steps.push_back([&] {
    PfDialogRef d = KCtlFixture::Front();
    PfDriverTypeText(d, PfDriverItemByKey(d, "Width"), "400", true);
    PfDriverTypeText(d, PfDriverItemByKey(d, "Height"), "300", true);
    PfDriverTypeText(d, PfDriverItemByKey(d, "Name"), "Card", true);
  });
  e.steps.push_back([&] { PfDriverPressReturn(); });
  e.steps.push_back([&] { shown = ElemRun::Shown(e.popup); });
  ASSERT_EQ(1, e.Go());
  EXPECT_EQ("Card (400 x 300 pt)", shown);
  EXPECT_EQ((std::vector<std::string>{"Card"}), TestPageSizes::StoredNames());
  EXPECT_STREQ("Card", KCabGetString(KCabGetCab(e.run.exportCab, "Page"), "Name"));
}


// A size added that this list does not offer (a blank size where only
// backgrounds are shown) names no entry: the user's choice stays.
TEST_F(PageSize, AnAddedSizeTheListDoesNotShowKeepsTheChosenOne) {
  TempDir dir;
  std::string head = dir.file("head.pdf");
  kvfix::WriteSimple(head, 2);
  KCabPutCab(TestPageSizes::Coll(), "", Background("Letterhead", head.c_str(), 0, 1, 2));
  ElemRun e;
  e.Build(kPageSizeMoreChoices | kPageSizeBackgrounds);
  KCabPutCab(e.run.Export(), "Page", Background("Letterhead", head.c_str(), 0, 1, 2));
  std::string before, after;
  e.steps.push_back([&] {
    before = ElemRun::Shown(e.popup);
    PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(e.popup), 0);
  });
  e.steps.push_back([&] {
    ChooseWhat("NewBlank");
    PfDriverPressReturn();
  });
  e.steps.push_back([&] {
    PfDialogRef d = KCtlFixture::Front();
    PfDriverTypeText(d, PfDriverItemByKey(d, "Width"), "400", true);
    PfDriverTypeText(d, PfDriverItemByKey(d, "Height"), "300", true);
    PfDriverTypeText(d, PfDriverItemByKey(d, "Name"), "Card", true);
  });
  e.steps.push_back([&] { PfDriverPressReturn(); });
  e.steps.push_back([&] { after = ElemRun::Shown(e.popup); });
  ASSERT_EQ(1, e.Go());
  TemplateCacheTerm();
  EXPECT_NE(nullptr, PageSizeCollectionFindCabByName(TestPageSizes::Coll(), "Card", nullptr)) << "the size was added";
  EXPECT_NE(" " + Msg("uicustsz.morechoices"), before);
  EXPECT_EQ(before, after);
  EXPECT_TRUE(ExportedPageSizeIsBackground(e.run.exportCab, "Page"));
  EXPECT_STREQ("Letterhead", ExportedPageSizeGetName(e.run.exportCab, "Page"));
  EXPECT_EQ(0, std::count(e.calls.begin(), e.calls.end(), "6")) << "the size never changed";
}

// A new size that prints like one the list has is chosen, not its twin.
TEST_F(PageSize, ANewSizeLikeAnotherInPrintIsTheOneChosen) {
  KCabPutCab(TestPageSizes::Coll(), "", Blank(nullptr, 300.2, 400));
  ElemRun e;
  e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
  e.steps.push_back([&] { PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(e.popup), 0); });
  e.steps.push_back([&] {
    ChooseWhat("NewBlank");
    PfDriverPressReturn();
  });
  e.steps.push_back([&] {
    PfDialogRef d = KCtlFixture::Front();
    PfDriverTypeText(d, PfDriverItemByKey(d, "Width"), "300.4", true);
    PfDriverTypeText(d, PfDriverItemByKey(d, "Height"), "400", true);
  });
  e.steps.push_back([&] { PfDriverPressReturn(); });
  ASSERT_EQ(1, e.Go());
  EXPECT_DOUBLE_EQ(300.4, KCabGetDouble(KCabGetCab(e.run.exportCab, "Page"), "Width", 0));
  EXPECT_EQ(1, std::count(e.calls.begin(), e.calls.end(), "6"));
}

// ---- Accessors and page templates

TEST_F(PageSize, ForcedOrientationTurnsBlankSizes) {
  struct Case {
    const char* orientation;  // null: none stored
    double w, h;
    double fw, fh;
  };
  const Case cases[] = {{"Wide", 595, 842, 842, 595}, {"Tall", 842, 595, 595, 842}, {"Best", 595, 842, 595, 842},
                        {"Tall", 595, 842, 595, 842}, {nullptr, 842, 595, 842, 595}};
  for (const Case& c : cases) {
    SKCab* cab = KCabNewInner();
    KCabPutCab(cab, "Sheet", Blank(nullptr, c.w, c.h));
    if (c.orientation) KCabPutAtom(cab, "SheetOrientation", ASAtomFromString(c.orientation));
    double w = 0, h = 0;
    ASSERT_TRUE(ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, "Sheet", &w, &h));
    EXPECT_EQ(c.fw, w);
    EXPECT_EQ(c.fh, h);
    STemplateInfo t;
    ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 1));
    EXPECT_EQ(1, t.blank);
    EXPECT_EQ((ASFixed)((float)c.fw * 65536.0f), t.width);
    ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 0));
    EXPECT_EQ((ASFixed)((float)c.w * 65536.0f), t.width) << "unforced: as stored";
    KCabDestroy(cab);
  }
}

TEST_F(PageSize, TemplateSizesBeyondTheFixedRangeSaturate) {
  SKCab* cab = KCabNewInner();
  KCabPutCab(cab, "Sheet", Blank(nullptr, 40000, -40000));
  STemplateInfo t;
  ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 0));
  EXPECT_EQ((ASFixed)0x7FFFFFFF, t.width);
  EXPECT_EQ((ASFixed)0x80000000, t.height);
  KCabDestroy(cab);
}

TEST_F(PageSize, TheMoreChoicesEntryIsNeverStoredAsASize) {
  ElemRun e;
  e.Build(kPageSizeMoreChoices | kPageSizeBlanks);
  std::string shown;
  e.steps.push_back([&] { shown = ElemRun::Shown(e.popup); });
  ASSERT_EQ(1, e.Go());
  EXPECT_EQ(" " + Msg("uicustsz.morechoices"), shown) << "nothing loaded: the first entry";
  EXPECT_FALSE(KCabKnown(e.run.exportCab, "Page"));
}

TEST_F(PageSize, TemplatesOfBackgroundsAndNames) {
  SKCab* cab = KCabNewInner();
  std::string longName(50, 'n');
  SKCab* bg = Background(longName.c_str(), "/forms/\xc3\xa9t\xc3\xa9.pdf", 2, 4, 0);
  KCabRemove(bg, "Repeat");
  KCabPutCab(cab, "Sheet", bg);
  STemplateInfo t;
  std::memset(&t, 0x5a, sizeof t);
  ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 1));
  EXPECT_EQ(std::string(39, 'n'), t.name);
  EXPECT_EQ(0, t.blank);
  EXPECT_EQ(0, t.width);
  EXPECT_STREQ("/forms/\xc3\xa9t\xc3\xa9.pdf", t.path);
  EXPECT_EQ(2, t.from);
  EXPECT_EQ(4, t.to);
  EXPECT_EQ(3, t.repeat) << "all of the range by default";
  EXPECT_EQ(0, t.failedToOpen);
  char text[300];
  EXPECT_TRUE(ExportedPageSizeFormat(cab, "Sheet", 0, text, sizeof text));
  EXPECT_STREQ("Page 3 to 5 of file /forms/\xc3\xa9t\xc3\xa9.pdf", text);
  KCabPutInt(KCabGetCab(cab, "Sheet"), "Repeat", 1);
  EXPECT_TRUE(ExportedPageSizeFormat(cab, "Sheet", 0, text, sizeof text));
  EXPECT_STREQ("Page 3 to 5 (repeat 1) of file /forms/\xc3\xa9t\xc3\xa9.pdf", text);
  EXPECT_TRUE(ExportedPageSizeFormat(cab, "Sheet", 0, text, 10));
  EXPECT_STREQ("Page 3 to", text) << "cut to the buffer";
  EXPECT_FALSE(ExportedPageSizeFormat(cab, "Missing", 0, text, sizeof text));
  EXPECT_STREQ("Missing or unexpected size", text);
  KCabDestroy(cab);
}

TEST_F(PageSize, TemplatesGoBackIntoExportedSizes) {
  SKCab* cab = KCabNewInner();
  STemplateInfo t{};
  t.blank = 1;
  t.width = 612 << 16;
  t.height = 792 << 16;
  ASSERT_TRUE(ExportPageSizeFromTemplateInfo(cab, "Sheet", &t));
  EXPECT_TRUE(ExportedPageSizeIsBlankPage(cab, "Sheet"));
  EXPECT_TRUE(ExportedPageSizeIsAnon(cab, "Sheet"));
  double w = 0, h = 0;
  ASSERT_TRUE(ExportedPageSizeGetBlankSize(cab, "Sheet", &w, &h));
  EXPECT_EQ(612, w);
  EXPECT_EQ(792, h);
  STemplateInfo f{};
  std::strcpy(f.name, "Form");
  f.path = "/forms/a.pdf";
  f.from = 1;
  f.to = 3;
  f.repeat = 1;
  ASSERT_TRUE(ExportPageSizeFromTemplateInfo(cab, "Sheet", &f));
  STemplateInfo back;
  ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &back, 0));
  EXPECT_STREQ("Form", back.name);
  EXPECT_STREQ("/forms/a.pdf", back.path);
  EXPECT_EQ(1, back.from);
  EXPECT_EQ(3, back.to);
  EXPECT_EQ(1, back.repeat);
  EXPECT_STREQ("Form", ExportedPageSizeGetName(cab, "Sheet"));
  KCabDestroy(cab);
}

TEST_F(PageSize, AccessorsAnswerFalseWithoutAPageSize) {
  SKCab* cab = KCabNewInner();
  KCabPutInt(cab, "Sheet", 3);
  double w = 0, h = 0;
  ASAtom o = ASAtomNull;
  STemplateInfo t;
  EXPECT_FALSE(ExportedPageSizeExists(cab, "Sheet"));
  EXPECT_EQ(nullptr, ExportedPageSizeGetPageSizeCab(cab, "Sheet"));
  EXPECT_EQ(nullptr, ExportedPageSizeGetName(cab, "Sheet"));
  EXPECT_FALSE(ExportedPageSizeIsAnon(cab, "Sheet"));
  EXPECT_FALSE(ExportedPageSizeIsBlankPage(cab, "Sheet"));
  EXPECT_FALSE(ExportedPageSizeIsBackground(cab, "Sheet"));
  EXPECT_FALSE(ExportedPageSizeGetBlankSize(cab, "Sheet", &w, &h));
  EXPECT_FALSE(ExportedPageSizeGetForcedOrientation(cab, "Sheet", &o));
  EXPECT_FALSE(ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, "Sheet", &w, &h));
  EXPECT_FALSE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 1));
  KCabDestroy(cab);
}

// A hand-written parameter file says "612", not "612.0": integers are sides too.
TEST_F(PageSize, IntegerSidesAreASize) {
  SKCab* cab = KCabNewInner();
  SKCab* size = KCabNewInner();
  KCabPutAtom(size, "Type", ASAtomFromString("Blank"));
  KCabPutInt(size, "Width", 612);
  KCabPutUns(size, "Height", 792);
  KCabPutCab(cab, "Sheet", size);
  KCabPutAtom(cab, "SheetOrientation", ASAtomFromString("Wide"));
  double w = 0, h = 0;
  ASSERT_TRUE(ExportedPageSizeGetBlankSize(cab, "Sheet", &w, &h));
  EXPECT_EQ(612, w);
  EXPECT_EQ(792, h);
  ASSERT_TRUE(ExportedPageSizeGetBlankSizeWithForcedOrientation(cab, "Sheet", &w, &h));
  EXPECT_EQ(792, w);
  STemplateInfo t;
  ASSERT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 0));
  EXPECT_EQ(612 << 16, t.width);
  EXPECT_EQ(792 << 16, t.height);
  char text[200];
  EXPECT_TRUE(ExportedPageSizeFormat(cab, "Sheet", 0, text, sizeof text));
  // Equal to the same size stored as doubles.
  KCabHolder doubles(Blank(nullptr, 612, 792));
  EXPECT_TRUE(PageSizeCabContentsEqual(size, doubles.get()));
  KCabDestroy(cab);
}

TEST_F(PageSize, AKindNobodyKnowsIsABlankSize) {
  SKCab* cab = KCabNewInner();
  SKCab* size = Blank("x", 100, 200);
  KCabPutAtom(size, "Type", ASAtomFromString("Hologram"));
  KCabPutCab(cab, "Sheet", size);
  MessageCapture capture;
  STemplateInfo t;
  EXPECT_TRUE(ExportedPageSizeFillTemplateInfo(cab, "Sheet", &t, 0));
  EXPECT_EQ(1, t.blank);
  EXPECT_EQ(200 << 16, t.height);
  EXPECT_TRUE(capture.texts().empty());
  KCabDestroy(cab);
}

TEST_F(PageSize, OrientationKeysKeepEightyEightBytesOfTheKey) {
  char key[200];
  std::string k95(95, 'k');
  PageSizeOrientationKey(k95.c_str(), key, sizeof key);
  EXPECT_EQ(std::string(88, 'k') + "Orientation", key);
  PageSizeOrientationKey("Page", key, sizeof key);
  EXPECT_STREQ("PageOrientation", key);
}

}  // namespace
