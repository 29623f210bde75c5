// Stock controls driven through the platform's driver: what each numeric
// field shows for a stored value, whether a typed text verifies and what it
// stores; the radio groups, the folder chooser, interactive runs, the first
// page scope, tab strips and the information line.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "foundation/KCabDump.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "kctl/KCtlStock.h"
#include "pdftools/PageUnits.h"
#include "support/EnglishMessages.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

class Stock : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));
  }
  void TearDown() override {
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));
    KCtlFixture::TearDown();
  }
};

// ---- Numeric fields: one dialog per case.

struct FieldCase {
  const char* name;
  std::function<void(SKCab*)> put;
  const char* shown;
  const char* typed;  // null: leave the shown text
  bool verifies;
  const char* stored;  // the export cabinet after OK
};

using Builder = std::function<SKCtlElem*(SKCtlDialog*)>;

void RunFieldCases(const Builder& build, const std::vector<FieldCase>& cases) {
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    KCtlRun run("Field");
    SKCtlElem* field = build(run.dialog);
    KCtlStock_OkButton(run.dialog);
    KCtlStock_CancelButton(run.dialog);
    if (c.put) c.put(run.Export());
    run.Export();
    PfScript script;
    std::string shown;
    script.Then([&] {
      shown = KCtlFixture::TextOf(field);
      if (c.typed) KCtlFixture::Type(field, c.typed);
      PfDriverClickItem(KCtlFixture::Front(), KCtlFixture::ItemOfId(1), 0);
    });
    script.Then([&] { PfDriverPressEscape(); });
    ASInt32 result = run.RunModal(script);
    EXPECT_EQ(c.shown, shown);
    EXPECT_EQ(c.verifies, result == 1);
    if (c.verifies) {
      EXPECT_EQ(c.stored, DumpKCab(run.exportCab));
    }
  }
}

auto PutReal(const char* key, double v) {
  return [=](SKCab* c) { KCabPutDouble(c, key, v); };
}
auto PutInt(const char* key, ASInt32 v) {
  return [=](SKCab* c) { KCabPutInt(c, key, v); };
}
auto PutStr(const char* key, const char* v) {
  return [=](SKCab* c) { KCabPutStringCopy(c, key, v); };
}

TEST_F(Stock, PercentageFieldsShowPercentAndStoreFactors) {
  RunFieldCases([](SKCtlDialog* d) { return KCtlStock_PercentageAsScaleInput(d, 0, nullptr, -1, "Scale"); },
                {
                    {"one is a hundred percent", PutReal("Scale", 1.0), "100", "50", true, "{Scale=d:0.5;}"},
                    {"absent counts as one", nullptr, "100", nullptr, true, "{Scale=d:1;}"},
                    {"the sentinel shows nothing", PutReal("Scale", kKCtlNoNumber), "", "25", true,
                     "{Scale=d:0.25;}"},
                    {"four decimals", PutReal("Scale", 0.123456), "12.3456", nullptr, true, "{Scale=d:0.12345600000000001;}"},
                    {"comma", PutReal("Scale", 1.0), "100", "12,5", true, "{Scale=d:0.125;}"},
                    {"letters refused", PutReal("Scale", 1.0), "100", "abc", false, ""},
                    {"empty refused", PutReal("Scale", 1.0), "100", "", false, ""},
                });
}

TEST_F(Stock, PercentageStoresNothingForANonNumber) {
  // Storing without verifying (an advance export) leaves the key alone.
  KCtlRun run("Scale");
  SKCtlElem* field = KCtlStock_PercentageAsScaleInput(run.dialog, 0, nullptr, -1, "Scale");
  KCtlStock_CancelButton(run.dialog);
  KCabPutDouble(run.Export(), "Scale", 2.0);
  SKCab* stored = KCabNewInner();
  PfScript script;
  script.Then([&] { KCtlFixture::Type(field, "abc"); });
  script.Then([&] {
    KCtlAdvanceExport(KCtlFixture::FrontInfo(), stored, 0);
    PfDriverPressEscape();
  });
  run.RunModal(script);
  EXPECT_EQ("{}", DumpKCab(stored));
  KCabDestroy(stored);
}

TEST_F(Stock, PageUnitFieldsShowTheDialogsUnitAndStorePoints) {
  AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{1}));  // inches
  RunFieldCases([](SKCtlDialog* d) { return KCtlStock_PageUnitInput(d, 0, nullptr, -1, "Gap"); },
                {
                    {"an inch", PutReal("Gap", 72.0), "1", "0.5", true, "{Gap=d:36;}"},
                    {"absent shows nothing", nullptr, "", "2", true, "{Gap=d:144;}"},
                    {"integer entry", PutInt("Gap", 36), "0.5", nullptr, true, "{Gap=d:36;}"},
                    {"refused", PutReal("Gap", 72.0), "1", "1 inch", false, ""},
                });
}

TEST_F(Stock, ADialogKeepsItsUnitWhenThePreferenceChanges) {
  AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{2}));  // millimetres
  KCtlRun run("Units");
  SKCtlElem* unitText = nullptr;
  SKCtlElem* edit = nullptr;
  SKCtlElem* row = KCtlStock_PromptPageUnits(run.dialog, 0, nullptr, -1, "Margin", "Margin", &edit);
  unitText = row->firstChild->nextSibling->nextSibling;
  KCtlStock_OkButton(run.dialog);
  KCabPutDouble(run.Export(), "Margin", 72.0);
  PfScript script;
  std::string shown, unitName;
  script.Then([&] {
    shown = KCtlFixture::TextOf(edit);
    unitName = KCtlFixture::TextOf(unitText);
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{1}));
    KCtlFixture::Type(edit, "10");
    PfDriverPressReturn();
  });
  ASSERT_EQ(1, run.RunModal(script));
  EXPECT_EQ("25.4", shown);
  EXPECT_EQ(std::string(PageSizeUnitLongString2(2)), unitName);
  EXPECT_NEAR(28.3465, KCabGetDouble(run.exportCab, "Margin", 0), 1e-4) << "still millimetres";
}

TEST_F(Stock, PageUnitListsReadCommasAsDecimalPoints) {
  AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{1}));
  auto list = [](const char* key, std::vector<double> v) {
    return [=](SKCab* c) { KCabPutDoubleArray(c, key, v.data(), (ASInt32)v.size()); };
  };
  RunFieldCases(
      [](SKCtlDialog* d) { return KCtlStock_PageUnitListInput(d, 0, nullptr, 0, 3, 200, "Gaps"); },
      {
          {"two values", list("Gaps", {72, 144}), "1 2 ", "1,5 2", true, "{Gaps=s:108 144 ;}"},
          {"three at most are shown", list("Gaps", {72, 144, 216, 288}), "1 2 3 ", nullptr, true,
           "{Gaps=s:72 144 216 ;}"},
          {"not a list", list("Gaps", {72}), "1 ", "one", false, ""},
      });
}

TEST_F(Stock, PageRangeFieldsStoreNumbersOrTexts) {
  RunFieldCases([](SKCtlDialog* d) { return KCtlStock_PageRangeIntOrStringInput(d, 0, nullptr, -1, "From"); },
                {
                    {"a number", PutInt("From", 4), "4", "3", true, "{From=i:3;}"},
                    {"absent shows one", nullptr, "1", nullptr, true, "{From=i:1;}"},
                    {"a word", PutStr("From", "last"), "last", "last - 2", true, "{From=s:last - 2;}"},
                    {"blanks around a number", PutInt("From", 1), "1", " 12 ", true, "{From=i:12;}"},
                    // Too large for 32 bits: kept as text, never wrapped into another number.
                    {"twelve digits", PutInt("From", 1), "1", "999999999999", true, "{From=s:999999999999;}"},
                    {"a range is no single page", PutInt("From", 1), "1", "3-5", false, ""},
                    {"nonsense", PutInt("From", 1), "1", "first", false, ""},
                    {"empty", PutInt("From", 1), "1", "", false, ""},
                });
}

TEST_F(Stock, APageRangeTextIsStoredAsTextWithoutVerifying) {
  KCtlRun run("Range");
  SKCtlElem* field = KCtlStock_PageRangeIntOrStringInput(run.dialog, 0, nullptr, -1, "From");
  KCtlStock_CancelButton(run.dialog);
  run.Export();
  SKCab* stored = KCabNewInner();
  PfScript script;
  script.Then([&] { KCtlFixture::Type(field, "3-5"); });
  script.Then([&] {
    KCtlAdvanceExport(KCtlFixture::FrontInfo(), stored, 0);
    PfDriverPressEscape();
  });
  run.RunModal(script);
  EXPECT_EQ("{From=s:3-5;}", DumpKCab(stored));
  KCabDestroy(stored);
}

TEST_F(Stock, PromptCountsBoundTheirIntegers) {
  SKCtlElem* edit = nullptr;
  Builder build = [&](SKCtlDialog* d) {
    KCtlStock_PromptPageCount(d, 0, nullptr, "Copies", "Copies", 1, 99, &edit);
    return edit;
  };
  RunFieldCases(build, {
                           {"inside", PutInt("Copies", 3), "3", "12", true, "{Copies=i:12;}"},
                           {"above", PutInt("Copies", 3), "3", "100", false, ""},
                           {"below", PutInt("Copies", 3), "3", "0", false, ""},
                       });
}

TEST_F(Stock, PromptRowsHoldLabelFieldAndTrailer) {
  KCtlRun run("Rows");
  SKCtlElem* edit = nullptr;
  SKCtlElem* row = KCtlStock_PromptCount(run.dialog, 0x10, nullptr, "Count", "sheets", "N", 0, 9, &edit);
  SKCtlElem* bare = KCtlStock_PromptCount(run.dialog, 0, nullptr, "", nullptr, "M", 0, 9, nullptr);
  std::vector<ASInt32> types;
  for (SKCtlElem* e = row->firstChild; e; e = e->nextSibling) types.push_back(e->type);
  EXPECT_EQ((std::vector<ASInt32>{kKCtlStaticText, kKCtlEditText, kKCtlFiller, kKCtlStaticText}), types);
  EXPECT_EQ(0x10u, row->flags);
  EXPECT_EQ(48u, edit->flags & 0xFFFF);
  types.clear();
  for (SKCtlElem* e = bare->firstChild; e; e = e->nextSibling) types.push_back(e->type);
  EXPECT_EQ((std::vector<ASInt32>{kKCtlEditText, kKCtlFiller}), types);
}

// ---- Radio groups

// A dialog with an OK button; each step runs once the events the one before
// posted were handled, then Return confirms.
struct RadioRun {
  KCtlRun run{"Radios"};
  std::function<void()> act;
  std::vector<std::function<void()>> then;
  ASInt32 Go() {
    KCtlStock_OkButton(run.dialog);
    run.Export();
    PfScript script;
    if (act) script.Then(act);
    for (auto& step : then) script.Then(step);
    script.Then([] { PfDriverPressReturn(); });
    return run.RunModal(script);
  }
};

TEST_F(Stock, EvenOddDefaultsToBothAndStoresTheChosenWord) {
  RadioRun r;
  SKCtlElem* row = KCtlStock_EvenOdd(r.run.dialog, 0x10, nullptr, "EvenOdd");
  EXPECT_EQ(kKCtlGroupBox, r.run.dialog->root->type);
  EXPECT_EQ(0x10u, r.run.dialog->root->flags);
  EXPECT_EQ(kKCtlContainer, row->type);
  ASSERT_EQ(1, r.Go());
  EXPECT_EQ("Both", std::string(ASAtomGetString(KCabGetAtom(r.run.exportCab, "EvenOdd", ASAtomNull))));
  RadioRun r2;
  row = KCtlStock_EvenOdd(r2.run.dialog, 0, nullptr, "EvenOdd");
  SKCtlElem* even = row->firstChild->nextSibling->nextSibling;
  r2.act = [&] { KCtlFixture::Click(even); };
  ASSERT_EQ(1, r2.Go());
  EXPECT_EQ("Even", std::string(ASAtomGetString(KCabGetAtom(r2.run.exportCab, "EvenOdd", ASAtomNull))));
}

TEST_F(Stock, EdgeAndDirectionGroupsLoadAndStoreTheirAtoms) {
  RadioRun r;
  KCtlStock_EdgeRadioOnly(r.run.dialog, nullptr, "Edge");
  SKCtlElem* dir = KCtlStock_DirectionRadioOnly(r.run.dialog, nullptr, "Direction");
  KCabPutAtom(r.run.Export(), "Edge", ASAtomFromString("Left"));
  std::string edgeShown;
  r.act = [&] {
    edgeShown = PfText(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "Edge=Left"));
    EXPECT_EQ(1, PfDriverGetValue(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "Edge=Left")));
    KCtlFixture::Click(dir->firstChild->nextSibling->nextSibling->nextSibling);
  };
  ASSERT_EQ(1, r.Go());
  EXPECT_EQ(Msg("common.edge.left"), edgeShown);
  EXPECT_EQ("{Direction=a:Right;Edge=a:Left;}", DumpKCab(r.run.exportCab));
}

TEST_F(Stock, AlignmentGridsOfSixAndNine) {
  struct Case {
    bool sixOnly;
    bool reverse;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {true, false, {"TL", "TC", "TR", "BL", "BC", "BR"}},
      {false, false, {"TL", "TC", "TR", "L", "C", "R", "BL", "BC", "BR"}},
      {false, true, {"BL", "BC", "BR", "L", "C", "R", "TL", "TC", "TR"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order.front() + std::to_string(c.order.size()));
    int checkedCalls = 0;
    RadioRun r;
    SKCtlElem* grid = KCtlStock_Align6Or9RadioOnly(
        r.run.dialog, nullptr, "SheetAlign", c.sixOnly, c.reverse,
        [](SMacDialogInfo*, ASInt32, ASInt32 trigger, void* user) -> ASInt32 {
          if (trigger == kKCtlTriggerChecked) ++*static_cast<int*>(user);
          return 0;
        },
        &checkedCalls);
    std::vector<std::string> order;
    SKCab* shared = grid->firstChild->itemList;
    for (SKCtlElem* e = grid->firstChild; e; e = e->nextSibling) {
      order.push_back(ASAtomGetString((ASAtom)e->exportRec->param1));
      EXPECT_EQ(shared, e->itemList) << "one list of names for every button";
      EXPECT_EQ(order.back() == "BL", (e->flags & kKCtlFlagOwnsItemList) != 0);
    }
    EXPECT_EQ(c.order, order);
    ASInt32 names = 0;
    KCtlForEachListItem(shared, [](SKCab*, void* n) -> ASBool { return ++*static_cast<ASInt32*>(n), 1; }, &names);
    EXPECT_EQ((ASInt32)c.order.size(), names);
    SKCtlElem* last = grid->firstChild;
    while (last->nextSibling) last = last->nextSibling;
    r.act = [&] { KCtlFixture::Click(last); };
    ASSERT_EQ(1, r.Go());
    EXPECT_EQ(c.order.back(), ASAtomGetString(KCabGetAtom(r.run.exportCab, "SheetAlign", ASAtomNull)));
    EXPECT_EQ(2, checkedCalls) << "TL checked at start, then the click";
  }
}

// ---- Folder chooser

TEST_F(Stock, TheFolderChooserShowsWhatTheUserChose) {
  PfChooseFolderQueueAnswer("/home/user/Jobs");
  RadioRun r;
  SKCtlElem* path = KCtlStock_Directory(r.run.dialog, 0, nullptr, "Folder:", "Choose the folder", "Folder", -1);
  KCabPutStringCopy(r.run.Export(), "Folder", "/tmp");
  r.act = [&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); };
  ASSERT_EQ(1, r.Go());
  EXPECT_STREQ("Choose the folder", PfChooseFolderLastPrompt());
  EXPECT_STREQ("/tmp", PfChooseFolderLastStart()) << "the shown path is where the user begins";
  EXPECT_EQ("/home/user/Jobs", std::string(KCabGetString(r.run.exportCab, "Folder")));
  EXPECT_EQ(400, path->forcedWidth);
}

TEST_F(Stock, ACancelledFolderChoiceLeavesThePath) {
  PfChooseFolderQueueAnswer(nullptr);
  RadioRun r;
  KCtlStock_Directory(r.run.dialog, 0, nullptr, nullptr, "Choose", "Folder", -1);
  KCabPutStringCopy(r.run.Export(), "Folder", "/tmp/old");
  r.act = [&] { PfDriverPressButton(KCtlFixture::Front(), Msg("common.button.browse").c_str()); };
  ASSERT_EQ(1, r.Go());
  EXPECT_EQ("/tmp/old", std::string(KCabGetString(r.run.exportCab, "Folder")));
}

// ---- Interactive runs

TEST_F(Stock, ElementsHideOrDisableInRunsThatAreNotInteractive) {
  for (bool interactive : {true, false}) {
    SCOPED_TRACE(interactive);
    KCtlRun run("Interactive");
    SKCtlElem* a = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Hidden unless", nullptr);
    SKCtlElem* b = KCtlAddNewElement(run.dialog, kKCtlCheckBox, 0, -1, "Disabled unless", nullptr);
    KCtlStock_SetElemHiddenUnlessInteractive(run.dialog, a);
    KCtlStock_SetElemDisabledUnlessInteractive(run.dialog, b);
    KCtlStock_SetElemDisabledUnlessPlugin(run.dialog, b);
    KCtlStock_CancelButton(run.dialog);
    run.data = KCtlCreateData(run.dialog);
    if (!interactive) KCabPutBool(run.data->ownCab, "Interactive", 0);
    PfScript script;
    bool shown = false, enabled = false;
    script.Then([&] {
      shown = PfDriverIsVisible(KCtlFixture::Front(), KCtlFixture::ItemOf(a));
      enabled = PfDriverIsEnabled(KCtlFixture::Front(), KCtlFixture::ItemOf(b));
      PfDriverPressEscape();
    });
    KCtlPlatformTestModal(run.data, nullptr);
    EXPECT_EQ(interactive, shown);
    EXPECT_EQ(interactive, enabled);
  }
}

// ---- Page scope, first form

struct ScopeCase {
  const char* name;
  ASInt32 flags;
  std::vector<std::string> radios;  // in order
  const char* stored;               // the scope stored on OK, "" for none
};

TEST_F(Stock, PageScopeBuildsItsButtonsAndDefault) {
  const ScopeCase cases[] = {
      {"plain", 0, {"CurrentPage", "AllDoc", "SubDoc"}, "CurrentPage"},
      {"whole file", 1, {"CurrentPage", "AllDoc", "SubDoc"}, "AllDoc"},
      {"range", 2, {"CurrentPage", "AllDoc", "SubDoc"}, "SubDoc"},
      {"whole file wins", 3, {"CurrentPage", "AllDoc", "SubDoc"}, "AllDoc"},
      {"no current page", 8, {"AllDoc", "SubDoc"}, "AllDoc"},
      {"no current page, range", 10, {"AllDoc", "SubDoc"}, "SubDoc"},
      // A default whose button is not there gives way to the first one built.
      {"neither", 8 | 16, {"SubDoc"}, "SubDoc"},
      {"whole file without its button", 1 | 16, {"CurrentPage", "SubDoc"}, "CurrentPage"},
      {"no whole file", 16, {"CurrentPage", "SubDoc"}, "CurrentPage"},
  };
  for (const ScopeCase& c : cases) {
    SCOPED_TRACE(c.name);
    RadioRun r;
    SKCtlElem* of = nullptr;
    SKCtlElem* group = KCtlStock_PageScope1(r.run.dialog, 0, nullptr, 12, 0, 0, c.flags | kKCtlScopeNoEvenOdd,
                                            "Scope", "From", "To", "EvenOdd", &of);
    std::vector<std::string> radios;
    for (SKCtlElem* e = group->firstChild; e; e = e->nextSibling)
      if (e->type == kKCtlRadioButton) radios.push_back(ASAtomGetString((ASAtom)e->exportRec->param1));
    EXPECT_EQ(c.radios, radios);
    ASSERT_NE(nullptr, of);
    ASSERT_EQ(1, r.Go());
    const char* stored = KCabKnown(r.run.exportCab, "Scope")
                             ? ASAtomGetString(KCabGetAtom(r.run.exportCab, "Scope", ASAtomNull))
                             : "";
    EXPECT_STREQ(c.stored, stored);
  }
}

TEST_F(Stock, PageScopeRangeButtonEnablesAndFocusesItsFields) {
  RadioRun r;
  SKCtlElem* of = nullptr;
  SKCtlElem* group =
      KCtlStock_PageScope1(r.run.dialog, 0, nullptr, 12, 0, 0, 0, "Scope", "From", "To", "EvenOdd", &of);
  EXPECT_EQ(kKCtlGroupBox, group->type);
  EXPECT_EQ(Msg("common.scope.grouptitle"), group->text);
  SKCtlElem* sub = nullptr;
  SKCtlElem* from = nullptr;
  for (SKCtlElem* e = group->firstChild; e; e = e->nextSibling) {
    if (e->type == kKCtlRadioButton && ASAtomGetString((ASAtom)e->exportRec->param1) == std::string("SubDoc")) sub = e;
    if (!from && e->type == kKCtlEditText) from = e;
  }
  ASSERT_TRUE(sub && from);
  bool enabledBefore = true, enabledAfter = false, focused = false;
  std::string ofText;
  r.act = [&] {
    // A disabled edit field is taken off the screen.
    enabledBefore = PfDriverIsVisible(KCtlFixture::Front(), KCtlFixture::ItemOf(from));
    ofText = KCtlFixture::TextOf(of);
    KCtlFixture::Click(sub);
  };
  r.then.push_back([&] {
    enabledAfter = PfDriverIsVisible(KCtlFixture::Front(), KCtlFixture::ItemOf(from)) &&
                   PfDriverIsEnabled(KCtlFixture::Front(), KCtlFixture::ItemOf(from));
    focused = PfGetDialogKeyboardFocusItem(KCtlFixture::Front()) == KCtlFixture::ItemOf(from);
    KCtlFixture::Type(from, "3");
    PfDriverTypeText(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), "To"), "last", true);
  });
  ASSERT_EQ(1, r.Go());
  EXPECT_FALSE(enabledBefore);
  EXPECT_TRUE(enabledAfter);
  EXPECT_TRUE(focused);
  char expected[64];
  std::snprintf(expected, sizeof expected, Msg("common.scope.page.of").c_str(), 12);
  EXPECT_EQ(expected, ofText);
  EXPECT_EQ("{EvenOdd=a:Both;From=i:3;Scope=a:SubDoc;To=s:last;}", DumpKCab(r.run.exportCab));
}

TEST_F(Stock, PageScopeWithoutAPageCountHasNoOfText) {
  KCtlRun run("Scope");
  SKCtlElem* of = reinterpret_cast<SKCtlElem*>(1);
  KCtlStock_PageScope1(run.dialog, 0, nullptr, 0, 0, 0, kKCtlScopeNoGroupBox, "Scope", "From", "To", "EO", &of);
  EXPECT_EQ(nullptr, of);
  EXPECT_EQ(kKCtlContainer, run.dialog->root->type);
}

// ---- Tab strips

SKCab* Tabs(std::initializer_list<std::pair<const char*, bool>> tabs) {
  SKCab* entries = KCabNewInner();
  for (auto [name, isDefault] : tabs) {
    SKCab* t = KCabNewInner();
    KCabPutStringCopy(t, "S", name);
    KCabPutAtom(t, "E", ASAtomFromString(name));
    if (isDefault) KCabPutBool(t, "D", 1);
    KCabPutCab(entries, "", t);
  }
  return entries;
}

TEST_F(Stock, TabStripsCheckTheirDefaultAndDrawAGreyLineBetweenTabs) {
  RadioRun r;
  SKCtlElem* row = nullptr;
  ASInt32 id = KCtlStockTabCreate(r.run.dialog, nullptr, Tabs({{"Layout", false}, {"Marks", false}, {"Paper", false}}),
                                  nullptr, "Tab", &row);
  SKCtlElem* target = KCtlAddNewElement(r.run.dialog, kKCtlCheckBox, kKCtlFlagHidden, 300, "Marks only", nullptr);
  (void)target;
  KCtlStockTabSetActionId(r.run.dialog, id, ASAtomFromString("Marks"), kKCtlActionShow, 300);
  SKCtlElem* marks = KCtlStockTabGetElemForAction(r.run.dialog, id, ASAtomFromString("Marks"));
  ASSERT_NE(nullptr, marks);
  EXPECT_EQ(nullptr, KCtlStockTabGetElemForAction(r.run.dialog, id, ASAtomFromString("Nothing")));
  EXPECT_EQ(marks, row->firstChild->nextSibling);
  EXPECT_EQ(0x400510u, row->firstChild->flags & ~(ASUns32)kKCtlFlagOwnsKey) << "no default given: the first tab";
  EXPECT_EQ(0x400100u, row->firstChild->nextSibling->nextSibling->flags & ~(ASUns32)kKCtlFlagOwnsKey);
  bool hiddenFirst = false, shownAfter = false;
  int greyLines = 0;
  r.act = [&] {
    PfDialogRef d = KCtlFixture::Front();
    hiddenFirst = !PfDriverIsVisible(d, KCtlFixture::ItemOfId(300));
    KCtlFixture::Click(marks);
  };
  r.then.push_back([&] {
    PfDialogRef d = KCtlFixture::Front();
    shownAfter = PfDriverIsVisible(d, KCtlFixture::ItemOfId(300));
    PfWindowRef w = PfGetDialogWindow(d);
    PfDrawClear(w);
    PfDrawDialog(d);
    for (int32_t k = 0; k < PfDrawOpCount(w); ++k) {
      const PfDrawOp* op = PfDrawOpAt(w, k);
      if (op->kind == kPfDrawLine && op->pen.color.red == 0xCCCC && op->from.v == op->to.v) ++greyLines;
    }
  });
  ASSERT_EQ(1, r.Go());
  EXPECT_TRUE(hiddenFirst);
  EXPECT_TRUE(shownAfter);
  EXPECT_EQ(8, greyLines) << "four segments around three tabs, each two lines";
  EXPECT_EQ("Marks", std::string(ASAtomGetString(KCabGetAtom(r.run.exportCab, "Tab", ASAtomNull))));
}

TEST_F(Stock, ADefaultTabWinsOverTheFirst) {
  RadioRun r;
  SKCtlElem* row = nullptr;
  KCtlStockTabCreate(r.run.dialog, nullptr, Tabs({{"One", false}, {"Two", true}}), nullptr, "Tab", &row);
  EXPECT_EQ(0u, row->firstChild->flags & kKCtlFlagChecked);
  ASSERT_EQ(1, r.Go());
  EXPECT_EQ("Two", std::string(ASAtomGetString(KCabGetAtom(r.run.exportCab, "Tab", ASAtomNull))));
}

// ---- Information line

TEST_F(Stock, InformationLinesTrimLongTextsAndHideEmptyOnes) {
  RadioRun r;
  SKCtlElem* info = KCtlAddNewElement(r.run.dialog, kKCtlContainer, 0, -1, nullptr, nullptr);
  SKCtlElem* inner = KCtlAddNewElement(r.run.dialog, kKCtlContainer, 0, -1, nullptr, info);
  SKCtlElem* text = KCtlForceElementSize(200, 0, KCtlAddNewElement(r.run.dialog, kKCtlStaticText, 0, -1, "x", inner));
  std::string longText(2000, 'a');
  std::string shown, tip;
  bool visibleAfterEmpty = true;
  r.act = [&] {
    SMacDialogInfo* d = KCtlFixture::FrontInfo();
    KCtlInfoElementSetInfoText(d, info, longText.c_str(), nullptr, 0);
    shown = KCtlFixture::TextOf(text);
    tip = KCtlGetTooltipForElem(KCtlFixture::FrontData(), text);
    SKCab* desc = KCabNewInner();
    KCabPutStringCopy(desc, "0", "first");
    KCabPutStringCopy(desc, "1", "second");
    KCabPutStringCopy(desc, "3", "skipped");
    KCtlInfoElementSetTextFromDescCab(d, info, desc);
    EXPECT_EQ("first second", KCtlFixture::TextOf(text));
    EXPECT_STREQ("first\nsecond", KCtlGetTooltipForElem(KCtlFixture::FrontData(), inner));
    KCabDestroy(desc);
    KCtlInfoElementSetInfoText(d, info, "", nullptr, 0);
    visibleAfterEmpty = PfDriverIsVisible(KCtlFixture::Front(), KCtlFixture::ItemOf(text));
  };
  ASSERT_EQ(1, r.Go());
  EXPECT_LT(shown.size(), 200u);
  EXPECT_NE(std::string::npos, shown.find("...")) << shown;
  EXPECT_EQ(longText, tip) << "the tooltip holds the whole text";
  EXPECT_FALSE(visibleAfterEmpty);
}

}  // namespace
