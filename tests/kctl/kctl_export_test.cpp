// Export and import of values: a round trip through every element type and
// export kind, and per export kind what a stored value shows, whether a typed
// text verifies and what it stores.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "foundation/KCabDump.h"

namespace {

using namespace kvtest;

class Export : public KCtlFixture {};

SKCab* Items(std::initializer_list<const char*> keys) {
  SKCab* list = KCabNewInner();
  for (const char* k : keys) {
    SKCab* item = KCtlAddListItemToCab(list, k, ASAtomFromString(k));
    KCabPutInt(item, "Extra", (ASInt32)std::string(k).size());  // the dialog's own data rides along
  }
  return list;
}

SKCab* ItemCopy(SKCab* list, const char* key) { return KCabDup(KCtlSearchItemListForKey(list, ASAtomFromString(key))); }

// A custom export procedure keeping its value in the user data.
struct Custom {
  ASInt32 value = 0;
  ASInt32 destroyed = 0;
};
EKCtlExportCallBackReturn CustomProc(SMacDialogInfo*, ASInt32, ASInt32 kind, SKCab* cab, const char* key,
                                     void* user) {
  Custom* c = static_cast<Custom*>(user);
  switch (kind) {
    case kKCtlExportLoad:
      c->value = KCabGetInt(cab, key, -1);
      break;
    case kKCtlExportStore:
      KCabPutInt(cab, key, c->value);
      break;
    case kKCtlExportVerify:
      return c->value < 0 ? 1 : 0;
    case kKCtlExportDestroy:
      ++c->destroyed;
      break;
  }
  return 0;
}

TEST_F(Export, EveryTypeAndKindRoundTrips) {
  Custom custom;
  std::string before, after;
  {
    KCtlRun run("Everything");
    SKCtlDialog* d = run.dialog;
    KCtlSetExportKey("Static", KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "static", nullptr));
    KCtlSetExportKey("Edit0", KCtlAddNewElement(d, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr));
    KCtlSetExportKeyEditString("Str", 10, KCtlAddNewElement(d, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr));
    KCtlSetExportKeyEditInt("Int", -100, 100, KCtlAddNewElement(d, kKCtlEditText, 0, -1, "xxxx", nullptr));
    SKCtlElem* real = KCtlSetExportKey("Real", KCtlAddNewElement(d, kKCtlEditText, 0, -1, "xxxx", nullptr));
    real->exportRec->kind = kKCtlExportReal;
    real->exportRec->realMax = 1000;
    KCtlSetExportKey("Check", KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, "Check", nullptr));
    KCtlSetExportKeyBoolean("CheckB", 1, KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagChecked, -1, "CheckB", nullptr));
    SKCtlElem* group = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, "Radios", nullptr);
    ASUns32 g1 = KCtlDialogNewButtonGroupCode(d), g2 = KCtlDialogNewButtonGroupCode(d);
    for (const char* a : {"Left", "Right"})
      KCtlRadioButtonSetGroup(g1, KCtlSetExportKeyAtom("Mode", ASAtomFromString(a),
                                                       KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, a, group)));
    for (bool v : {true, false})
      KCtlRadioButtonSetGroup(g2, KCtlSetExportKeyBoolean("Flag", v, KCtlAddNewElement(d, kKCtlRadioButton, 0, -1,
                                                                                         v ? "Yes" : "No", group)));
    SKCtlElem* pane = KCtlAddNewElement(d, kKCtlUserPane, kKCtlFlagChecked, -1, nullptr, nullptr);
    SKCtlElem* p0 = KCtlSetExportKey("PickCab", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, pane));
    KCtlElemSetItemList(Items({"a", "b", "c"}), p0);
    SKCtlElem* p4 = KCtlSetExportKeyListAtom("PickAtom", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, pane));
    KCtlElemSetItemList(Items({"a", "b", "c"}), p4);
    SKCtlElem* p5 = KCtlSetExportKey("PickStr", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, pane));
    p5->exportRec->kind = kKCtlExportPulldownString;
    KCtlElemSetItemList(Items({"a", "b", "c"}), p5);
    SKCtlElem* l0 = KCtlSetExportKey("ListCab", KCtlForceElementSize(120, 60, KCtlAddNewElement(d, kKCtlListBox, kKCtlFlagOwnsItemList, -1, nullptr, nullptr)));
    KCtlElemSetItemList(Items({"one", "two", "three"}), l0);
    SKCtlElem* l4 = KCtlSetExportKeyListAtom("ListAtom", KCtlForceElementSize(120, 60, KCtlAddNewElement(d, kKCtlListBox, kKCtlFlagOwnsItemList, -1, nullptr, nullptr)));
    KCtlElemSetItemList(Items({"one", "two", "three"}), l4);
    SKCtlElem* multi = KCtlSetExportKey("Multi", KCtlForceElementSize(120, 60, KCtlAddNewElement(d, kKCtlListBox, kKCtlFlagOwnsItemList | kKCtlFlagMultiSelect, -1, nullptr, nullptr)));
    KCtlElemSetItemList(Items({"one", "two", "three"}), multi);
    SKCtlElem* tree = KCtlForceElementSize(120, 60, KCtlAddNewElement(d, kKCtlTree, kKCtlFlagOwnsItemList, -1, nullptr, nullptr));
    KCtlElemSetItemList(Items({"t1", "t2"}), tree);
    KCtlSetExportKeyProc("Custom", CustomProc, &custom, KCtlAddNewElement(d, kKCtlFiller, 0, -1, nullptr, nullptr));
    KCtlSetExportKeyEditString("HiddenKept", 0, KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagHidden | kKCtlFlagStoreAlways, -1, "xxxx", nullptr));
    KCtlSetExportKeyEditString("Hidden", 0, KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagHidden, -1, "xxxx", nullptr));
    KCtlSetExportKeyEditInt("Disabled", 0, 5, KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagDisabled, -1, "xxxx", nullptr));
    KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 0, -1, 104, nullptr);
    KCtlAddNewElement(d, kKCtlFrame, 0, -1, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlSpecial, 0, -1, nullptr, nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);

    SKCab* cab = run.Export();
    KCabPutStringCopy(cab, "Static", "Shown text");
    KCabPutStringCopy(cab, "Edit0", "free text \xc3\xa9");
    KCabPutStringCopy(cab, "Str", "ten chars!");
    KCabPutInt(cab, "Int", -42);
    KCabPutDouble(cab, "Real", 2.5);
    KCabPutBool(cab, "Check", 1);
    KCabPutBool(cab, "CheckB", 0);
    KCabPutAtom(cab, "Mode", ASAtomFromString("Right"));
    KCabPutBool(cab, "Flag", 0);
    KCabPutCab(cab, "PickCab", ItemCopy(p0->itemList, "b"));
    KCabPutAtom(cab, "PickAtom", ASAtomFromString("c"));
    KCabPutStringCopy(cab, "PickStr", "b");
    KCabPutCab(cab, "ListCab", ItemCopy(l0->itemList, "three"));
    KCabPutAtom(cab, "ListAtom", ASAtomFromString("two"));
    SKCab* sel = KCabNewInner();
    KCabPutAtom(sel, "Type", ASAtomFromString("KCtlMultiList"));
    KCabPutCab(sel, "", ItemCopy(multi->itemList, "one"));
    KCabPutCab(sel, "", ItemCopy(multi->itemList, "three"));
    KCabPutCab(cab, "Multi", sel);
    KCabPutInt(cab, "Custom", 77);
    KCabPutStringCopy(cab, "HiddenKept", "kept");
    KCabPutStringCopy(cab, "Hidden", "untouched");
    KCabPutInt(cab, "Disabled", 99);  // out of range, but a disabled field is neither verified nor stored
    before = DumpKCab(cab);
    PfScript script;
    script.Then([] { PfDriverPressReturn(); });
    EXPECT_EQ(1, run.RunModal(script));
    after = DumpKCab(run.exportCab);
  }
  EXPECT_EQ(before, after);
  EXPECT_EQ(1, custom.destroyed);
}

// One edit field exported under "V": what a stored value shows, whether a
// typed text verifies, and what OK stores.
struct FieldCase {
  const char* name;
  std::function<void(SKCtlElem*)> setup;
  std::function<void(SKCab*)> put;
  const char* shown;
  const char* typed;  // null: leave the shown text
  bool verifies;
  const char* stored;  // the export cabinet after OK (when it verifies)
};

void RunFieldCases(const std::vector<FieldCase>& cases, ASUns32 extraFlags = 0) {
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.name);
    KCtlRun run("Field");
    SKCtlElem* field = KCtlAddNewElement(run.dialog, kKCtlEditText, extraFlags, -1, "xxxxxxxxxxxxxx", nullptr);
    KCtlSetExportKey("V", field);
    c.setup(field);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
    if (c.put) c.put(run.Export());
    run.Export();
    PfScript script;
    std::string shown;
    bool stayed = false, selected = false;
    int32_t beeps = 0;
    script.Then([&] {
      shown = KCtlFixture::TextOf(field);
      beeps = PfBeepCount();
      if (c.typed) KCtlFixture::Type(field, c.typed);
      PfDriverClickItem(KCtlFixture::Front(), KCtlFixture::ItemOfId(1), 0);
    });
    script.Then([&] {
      stayed = true;
      selected = PfGetDialogKeyboardFocusItem(KCtlFixture::Front()) == KCtlFixture::ItemOf(field);
      beeps = PfBeepCount() - beeps;
      PfDriverPressEscape();
    });
    ASInt32 result = run.RunModal(script);
    EXPECT_EQ(c.shown, shown);
    EXPECT_EQ(c.verifies, result == 1);
    EXPECT_EQ(!c.verifies, stayed);
    if (!c.verifies) {
      EXPECT_EQ(1, beeps) << "a refused value beeps once";
      EXPECT_TRUE(selected) << "and its field is selected";
    } else {
      EXPECT_EQ(c.stored, DumpKCab(run.exportCab));
    }
  }
}

auto Int(ASInt32 minimum, ASInt32 maximum) {
  return [=](SKCtlElem* e) { KCtlSetExportKeyEditInt("V", minimum, maximum, e); };
}
auto Real(double minimum, double maximum) {
  return [=](SKCtlElem* e) {
    e->exportRec->kind = kKCtlExportReal;
    e->exportRec->realMin = minimum;
    e->exportRec->realMax = maximum;
  };
}
auto Str(ASInt32 maxLength) {
  return [=](SKCtlElem* e) { KCtlSetExportKeyEditString("V", maxLength, e); };
}
auto PutInt(ASInt32 v) {
  return [=](SKCab* c) { KCabPutInt(c, "V", v); };
}
auto PutReal(double v) {
  return [=](SKCab* c) { KCabPutDouble(c, "V", v); };
}
auto PutStr(const char* v) {
  return [=](SKCab* c) { KCabPutStringCopy(c, "V", v); };
}

TEST_F(Export, IntegerFields) {
  RunFieldCases({
      {"leading number", Int(0, 0), PutInt(5), "5", "12abc", true, "{V=i:12;}"},
      {"comma", Int(0, 0), PutInt(5), "5", "2,5", true, "{V=i:2;}"},
      {"fraction", Int(0, 0), PutInt(5), "5", "3/4", true, "{V=i:3;}"},
      {"zero denominator", Int(0, 0), PutInt(5), "5", "1/0", true, "{V=i:1;}"},
      {"blanks first", Int(0, 0), PutInt(5), "5", "  7", true, "{V=i:7;}"},
      {"no number", Int(0, 0), PutInt(5), "5", "abc", false, ""},
      {"empty", Int(0, 0), PutInt(5), "5", "", false, ""},
      {"largest", Int(0, 0), PutInt(0), "0", "2147483647", true, "{V=i:2147483647;}"},
      {"one past the largest", Int(0, 0), PutInt(0), "0", "2147483648", false, ""},
      {"smallest", Int(0, 0), PutInt(0), "0", "-2147483648", true, "{V=i:-2147483648;}"},
      {"one past the smallest", Int(0, 0), PutInt(0), "0", "-2147483649", false, ""},
      {"twenty digits", Int(0, 0), PutInt(0), "0", "99999999999999999999", false, ""},
      {"absent shows zero", Int(0, 0), nullptr, "0", nullptr, true, "{V=i:0;}"},
      {"minimum without maximum clamps up", Int(1, 0), PutInt(0), "1", "0", true, "{V=i:0;}"},
      {"no maximum, no clamp down", Int(1, 0), PutInt(5000), "5000", nullptr, true, "{V=i:5000;}"},
      {"clamped to the maximum", Int(1, 10), PutInt(20), "10", nullptr, true, "{V=i:10;}"},
      {"above the maximum", Int(1, 10), PutInt(5), "5", "11", false, ""},
      {"below the minimum", Int(1, 10), PutInt(5), "5", "0", false, ""},
      {"negative range", Int(-10, -1), PutInt(-20), "-10", "-3", true, "{V=i:-3;}"},
      {"not an integer entry", Int(0, 0), PutStr("7"), "0", nullptr, true, "{V=i:0;}"},
  });
}

TEST_F(Export, RealFields) {
  RunFieldCases({
      {"half", Real(0, 0), PutReal(2.5), "2.5", nullptr, true, "{V=d:2.5;}"},
      {"whole", Real(0, 0), PutReal(3.0), "3", nullptr, true, "{V=d:3;}"},
      {"three decimals", Real(0, 0), PutReal(0.125), "0.125", nullptr, true, "{V=d:0.125;}"},
      {"integer entry", Real(0, 0), PutInt(7), "7", nullptr, true, "{V=d:7;}"},
      {"comma", Real(0, 0), PutReal(1), "1", "2,5", true, "{V=d:2.5;}"},
      {"fraction", Real(0, 0), PutReal(1), "1", "3/4", true, "{V=d:0.75;}"},
      {"negative fraction", Real(0, 0), PutReal(1), "1", "-1/2", true, "{V=d:-0.5;}"},
      {"lone point", Real(0, 0), PutReal(1), "1", ".", true, "{V=d:0;}"},
      {"zero denominator", Real(0, 0), PutReal(1), "1", "1/0", false, ""},
      {"letters after", Real(0, 0), PutReal(1), "1", "12abc", false, ""},
      {"blank first", Real(0, 0), PutReal(1), "1", " 1", false, ""},
      {"blank after", Real(0, 0), PutReal(1), "1", "1 ", false, ""},
      {"two separators", Real(0, 0), PutReal(1), "1", "1.2.3", false, ""},
      // Read with 30 bytes: the digits that fit are the number.
      {"long", Real(0, 0), PutReal(1), "1", "0000000000000000000000000000125", true, "{V=d:12;}"},
      {"clamped", Real(0, 10), PutReal(20), "10", nullptr, true, "{V=d:10;}"},
      {"above", Real(0, 10), PutReal(1), "1", "10,5", false, ""},
      {"below", Real(2, 10), PutReal(3), "3", "1", false, ""},
  });
}

TEST_F(Export, StringFields) {
  RunFieldCases({
      {"fits", Str(3), PutStr("ab"), "ab", "abc", true, "{V=s:abc;}"},
      {"one too long", Str(3), PutStr("ab"), "ab", "abcd", false, ""},
      {"counted in bytes", Str(3), PutStr("ab"), "ab", "\xc3\xa9\xc3\xa9", false, ""},
      {"unlimited", Str(0), PutStr(""), "", "a longer text than most", true, "{V=s:a longer text than most;}"},
      {"absent leaves the field", Str(0), nullptr, "", nullptr, true, "{V=s:;}"},
      {"kind zero", [](SKCtlElem*) {}, PutStr("hello"), "hello", "x", true, "{V=s:x;}"},
      {"not a string entry", Str(0), PutInt(3), "", nullptr, true, "{V=s:;}"},
  });
}

TEST_F(Export, HiddenAndDisabledFieldsAreNeitherVerifiedNorStored) {
  struct Case {
    ASUns32 flags;
    const char* stored;
  };
  const Case cases[] = {
      {kKCtlFlagHidden, "{V=i:99;}"},
      {kKCtlFlagDisabled, "{V=i:99;}"},
      {kKCtlFlagHidden | kKCtlFlagStoreAlways, "{V=i:0;}"},  // stored (unparsable: 0), still not verified
      {kKCtlFlagDisabled | kKCtlFlagStoreAlways, "{V=i:0;}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    KCtlRun run("Hidden");
    SKCtlElem* field = KCtlSetExportKeyEditInt("V", 0, 5, KCtlAddNewElement(run.dialog, kKCtlEditText, c.flags, -1, "xxxx", nullptr));
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    KCabPutInt(run.Export(), "V", 99);
    PfScript script;
    script.Then([&] {
      KCtlPlatformSetControlText(FrontInfo(), FrontData(), field, "not a number");
      PfDriverPressReturn();
    });
    EXPECT_EQ(1, run.RunModal(script));
    EXPECT_EQ(c.stored, DumpKCab(run.exportCab));
  }
}

TEST_F(Export, PulldownsListsAndRadios) {
  struct Case {
    const char* name;
    std::function<void(SKCtlDialog*)> build;
    std::function<void(SKCab*)> put;
    const char* stored;
  };
  const std::vector<Case> cases = {
      {"unknown item appended",
       [](SKCtlDialog* d) {
         KCtlElemSetItemList(Items({"a", "b"}), KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList | kKCtlFlagAppendUnknown, -1, nullptr, nullptr)));
       },
       [](SKCab* c) {
         SKCab* item = KCabNewInner();
         KCabPutStringCopy(item, "S", "Zed");
         KCabPutAtom(item, "E", ASAtomFromString("zed"));
         KCabPutCab(c, "V", item);
       },
       "{V={E=a:zed;S=s:Zed;};}"},
      {"unknown item ignored: the first stays",
       [](SKCtlDialog* d) {
         KCtlElemSetItemList(Items({"a", "b"}), KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr)));
       },
       [](SKCab* c) { KCabPutAtom(c, "V", ASAtomFromString("zed")); }, "{V={E=a:a;Extra=i:1;S=s:a;};}"},
      {"string found ignoring case",
       [](SKCtlDialog* d) {
         SKCtlElem* p = KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr));
         p->exportRec->kind = kKCtlExportPulldownString;
         KCtlElemSetItemList(Items({"alpha", "beta"}), p);
       },
       [](SKCab* c) { KCabPutStringCopy(c, "V", "BETA"); }, "{V=s:beta;}"},
      {"a selected entry without a key stores nothing",
       [](SKCtlDialog* d) {
         SKCab* list = KCabNewInner();
         SKCab* plain = KCabNewInner();
         KCabPutStringCopy(plain, "S", "Plain");
         KCabPutCab(list, "", plain);
         KCtlElemSetItemList(list, KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr)));
       },
       nullptr, "{}"},
      {"multiple list with nothing selected",
       [](SKCtlDialog* d) {
         KCtlElemSetItemList(Items({"a", "b"}), KCtlSetExportKey("V", KCtlForceElementSize(100, 50, KCtlAddNewElement(d, kKCtlListBox, kKCtlFlagOwnsItemList | kKCtlFlagMultiSelect, -1, nullptr, nullptr))));
       },
       nullptr, "{V={Type=a:KCtlMultiList;};}"},
      {"multiple list from one item",
       [](SKCtlDialog* d) {
         KCtlElemSetItemList(Items({"a", "b"}), KCtlSetExportKey("V", KCtlForceElementSize(100, 50, KCtlAddNewElement(d, kKCtlListBox, kKCtlFlagOwnsItemList | kKCtlFlagMultiSelect, -1, nullptr, nullptr))));
       },
       [](SKCab* c) {
         SKCab* item = KCabNewInner();
         KCabPutAtom(item, "E", ASAtomFromString("b"));
         KCabPutCab(c, "V", item);
       },
       "{V={0={E=a:b;Extra=i:1;S=s:b;};Type=a:KCtlMultiList;};}"},
      {"radio without atom stores nothing",
       [](SKCtlDialog* d) {
         KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlRadioButton, kKCtlFlagChecked, -1, "R", nullptr));
       },
       nullptr, "{}"},
      {"check box without a value takes its flag",
       [](SKCtlDialog* d) {
         KCtlSetExportKey("V", KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagChecked, -1, "C", nullptr));
       },
       nullptr, "{V=b:1;}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KCtlRun run("Choices");
    c.build(run.dialog);
    KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
    SKCab* cab = run.Export();
    if (c.put) c.put(cab);
    PfScript script;
    script.Then([] { PfDriverPressReturn(); });
    EXPECT_EQ(1, run.RunModal(script));
    EXPECT_EQ(c.stored, DumpKCab(run.exportCab));
  }
}

EKCtlExportCallBackReturn RaiseOnLoad(SMacDialogInfo*, ASInt32, ASInt32 kind, SKCab* cab, const char*, void*) {
  if (kind == kKCtlExportLoad && KCabKnown(cab, "Raise")) ASRaise(genErrGeneral);
  return 0;
}

TEST_F(Export, SpecificCabinetsAndAdvanceExportRestoreTheRun) {
  KCtlRun run("Specific");
  SKCtlElem* a = KCtlSetExportKeyEditString("A", 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr));
  SKCtlElem* b = KCtlSetExportKeyEditString("B", 0, KCtlAddNewElement(run.dialog, kKCtlEditText, 0, -1, "xxxxxxxx", nullptr));
  KCtlSetExportKeyProc("Raise", RaiseOnLoad, nullptr, KCtlAddNewElement(run.dialog, kKCtlFiller, 0, -1, nullptr, nullptr));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  SKCab* cab = run.Export();
  KCabPutStringCopy(cab, "A", "a0");
  KCabPutStringCopy(cab, "B", "b0");
  PfScript script;
  std::string shownA, shownB, advanced;
  bool raised = false, restored = false;
  script.Then([&] {
    SMacDialogInfo* info = FrontInfo();
    SKCtlData* data = FrontData();
    SKCab* partial = KCabNewInner();
    KCabPutStringCopy(partial, "B", "b1");
    KCtlLoadElementsFromSpecificCab(info, partial);
    shownA = TextOf(a);
    shownB = TextOf(b);
    KCabPutInt(partial, "Raise", 1);
    DURING
      KCtlLoadElementsFromSpecificCab(info, partial);
    HANDLER
      raised = true;
    END_HANDLER
    restored = data->exportCab == cab && data->onlyKnownKeys == 0 && data->loadNesting == 0;
    SKCab* other = KCabNewInner();
    KCabPutStringCopy(other, "Kept", "k");
    KCtlAdvanceExport(info, other, 1);
    advanced = DumpKCab(other);
    KCabDestroy(other);
    KCabDestroy(partial);
    PfDriverPressReturn();
  });
  run.RunModal(script);
  EXPECT_EQ("a0", shownA);
  EXPECT_EQ("b1", shownB);
  EXPECT_TRUE(raised);
  EXPECT_TRUE(restored);
  EXPECT_EQ("{A=s:a0;B=s:b1;Kept=s:k;}", advanced);
  EXPECT_EQ("{A=s:a0;B=s:b1;}", DumpKCab(run.exportCab));
}

// Fills the tree again and again from a button, then ends the dialog.
void RunTreeDialog(int refills) {
  KCtlRun run("Tree");
  SKCtlElem* tree = KCtlForceElementSize(150, 80, KCtlAddNewElement(run.dialog, kKCtlTree, kKCtlFlagOwnsItemList, -1, nullptr, nullptr));
  SKCab* list = Items({"r1", "r2", "r3"});
  KCabPutInt(KCtlSearchItemListForKey(list, ASAtomFromString("r2")), "I", 2);
  KCtlElemSetItemList(list, tree);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  PfScript script;
  script.Then([&] {
    using F = KCtlFixture;
    for (int k = 0; k < refills; ++k) KCtlFillTreeFromKCab(F::FrontInfo(), F::FrontData(), tree, tree->itemList, 1, 0);
    EXPECT_EQ(3, PfDriverListRowCount(F::Front(), F::ItemOf(tree)));
    PfDriverPressReturn();
  });
  run.RunModal(script);
  // The run outlives its dialog; the copies do not.
  EXPECT_EQ(nullptr, KCtlElemFindInfo(run.data, tree)->treeCopies);
}

TEST_F(Export, TreeRowCopiesGoWhenTheTreeIsClearedAndWhenTheDialogEnds) {
  RunTreeDialog(0);  // whatever is made once for the plug-in's life
  ASInt64 base = ASMemOutstandingBlocks();
  RunTreeDialog(0);
  EXPECT_EQ(base, ASMemOutstandingBlocks());
  RunTreeDialog(5);
  EXPECT_EQ(base, ASMemOutstandingBlocks());
}

}  // namespace
