// The dialog model: descriptions, the size escape, export records, actions,
// item lists and how everything is freed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/KCab.h"
#include "foundation/KCabDump.h"
#include "kctl/KCtl.h"

namespace {

struct EscapeCase {
  const char* title;
  ASInt32 width, height, extraWidth, extraHeight;
  const char* shown;
};

TEST(KCtlModel, TitleEscape) {
  const EscapeCase cases[] = {
      {"![w=300;h+10]Title", 300, 0, 0, 10, "Title"},
      {"![w=300;x]Title", 0, 0, 0, 0, "![w=300;x]Title"},
      {"![h=0]X", 0, 0, 0, 0, "X"},
      {"![w+7;h=120;w=50]Y", 50, 120, 7, 0, "Y"},
      {"![]Z", 0, 0, 0, 0, "![]Z"},
      {"![w=300;]Z", 0, 0, 0, 0, "![w=300;]Z"},
      {"![w=30", 0, 0, 0, 0, "![w=30"},
      {"![w=]Z", 0, 0, 0, 0, "![w=]Z"},
      {"![w=32767]Big", 32767, 0, 0, 0, "Big"},
      // Sizes live in 16-bit fields: a larger number is no escape, it does not wrap.
      {"![w=32768]Big", 0, 0, 0, 0, "![w=32768]Big"},
      {"![w=65836]Big", 0, 0, 0, 0, "![w=65836]Big"},
      {"Plain ![w=3]", 0, 0, 0, 0, "Plain ![w=3]"},
      {"![w=100]a]b", 100, 0, 0, 0, "a]b"},
  };
  for (const EscapeCase& c : cases) {
    SCOPED_TRACE(c.title);
    SKCtlDialog* d = KCtlNewDialog(c.title, 0);
    EXPECT_EQ(d->suggestedWidth, c.width);
    EXPECT_EQ(d->suggestedHeight, c.height);
    EXPECT_EQ(d->extraWidth, c.extraWidth);
    EXPECT_EQ(d->extraHeight, c.extraHeight);
    EXPECT_STREQ(d->title, c.shown);
    KCtlDestroyDialog(d);
  }
  SKCtlDialog* d = KCtlNewDialog(nullptr, 3);
  EXPECT_EQ(d->title, nullptr);
  EXPECT_EQ(d->flags, 3u);
  EXPECT_EQ(d->radioGroupCounter, 0x7fffffff);
  EXPECT_NE(d->privateCab, nullptr);
  KCtlDestroyDialog(d);
}

TEST(KCtlModel, EscapeParseReportsUnsetValues) {
  SKCtlSizeEscape e{};
  const char* rest = nullptr;
  ASSERT_TRUE(KCtlParseSizeEscape("![h+4]Text", &e, &rest));
  EXPECT_EQ(e.width, -1);
  EXPECT_EQ(e.height, -1);
  EXPECT_EQ(e.extraWidth, 0);
  EXPECT_EQ(e.extraHeight, 4);
  EXPECT_STREQ(rest, "Text");
  EXPECT_FALSE(KCtlParseSizeEscape(nullptr, &e, &rest));
  EXPECT_FALSE(KCtlParseSizeEscape("![W=3]x", &e, &rest));
}

TEST(KCtlModel, TreeAndChain) {
  SKCtlDialog* d = KCtlNewDialog("T", 0);
  SKCtlElem* a = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, "Group", nullptr);
  SKCtlElem* a1 = KCtlAddNewElement(d, kKCtlCheckBox, 0, 5, "One", a);
  SKCtlElem* b = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "Top", nullptr);
  SKCtlElem* a2 = KCtlAddNewElement(d, kKCtlEditText, 0, 6, nullptr, a);
  SKCtlElem* r = KCtlAddNewElementWithResourceRef(d, kKCtlIcon, 16, -1, 104, nullptr);
  EXPECT_EQ(d->root, a);
  EXPECT_EQ(a->nextSibling, b);
  EXPECT_EQ(b->prevSibling, a);
  EXPECT_EQ(b->nextSibling, r);
  EXPECT_EQ(a->firstChild, a1);
  EXPECT_EQ(a1->nextSibling, a2);
  EXPECT_EQ(a2->prevSibling, a1);
  EXPECT_EQ(a2->text, nullptr);
  EXPECT_EQ(r->resourceId, 104);
  std::vector<SKCtlElem*> chain;
  for (SKCtlElem* e = d->chainFirst; e; e = e->nextInChain) chain.push_back(e);
  EXPECT_EQ(chain, (std::vector<SKCtlElem*>{a, a1, b, a2, r}));
  EXPECT_EQ(d->chainLast, r);
  // The caption is a copy.
  std::string caption = "Changing";
  SKCtlElem* c = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, caption.c_str(), nullptr);
  caption[0] = 'X';
  EXPECT_STREQ(c->text, "Changing");
  KCtlDestroyDialog(d);
}

TEST(KCtlModel, ButtonGroupCodesAndSuggestedSize) {
  SKCtlDialog* d = KCtlNewDialog("![h=80]T", 0);
  EXPECT_EQ(KCtlDialogNewButtonGroupCode(d), 0x7ffffffeu);
  EXPECT_EQ(KCtlDialogNewButtonGroupCode(d), 0x7ffffffdu);
  KCtlDialogSuggestSize(d, 450, 110);
  EXPECT_EQ(d->suggestedWidth, 450);
  EXPECT_EQ(d->suggestedHeight, 80);
  KCtlDestroyDialog(d);
}

TEST(KCtlModel, ExportRecords) {
  SKCtlDialog* d = KCtlNewDialog("T", 0);
  SKCtlElem* radio = KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, "R", nullptr);
  KCtlSetExportKeyAtom(nullptr, ASAtomFromString("A"), radio);
  EXPECT_EQ(radio->exportRec, nullptr);
  KCtlSetExportKeyAtom("Mode", ASAtomFromString("A"), radio);
  ASSERT_NE(radio->exportRec, nullptr);
  EXPECT_EQ(radio->exportRec->kind, kKCtlExportByType);
  EXPECT_EQ((ASAtom)radio->exportRec->param1, ASAtomFromString("A"));

  SKCtlElem* edit = KCtlAddNewElement(d, kKCtlEditText, 0, -1, nullptr, nullptr);
  KCtlSetExportKeyEditInt("Count", -5, 99, edit);
  EXPECT_EQ(edit->exportRec->kind, kKCtlExportInt);
  EXPECT_EQ(edit->exportRec->param1, -5);
  EXPECT_EQ(edit->exportRec->param2, 99);
  // A later plain key keeps the kind.
  KCtlSetExportKey("Count2", edit);
  EXPECT_EQ(edit->exportRec->kind, kKCtlExportInt);
  EXPECT_STREQ(edit->exportRec->key, "Count2");

  std::string key = "Owned";
  SKCtlElem* owned = KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagOwnsKey, -1, nullptr, nullptr);
  KCtlSetExportKeyEditString(key.c_str(), 12, owned);
  key[0] = 'X';
  EXPECT_STREQ(owned->exportRec->key, "Owned");
  EXPECT_EQ(owned->exportRec->param2, 12);
  SKCtlElem* nullKey = KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagOwnsKey, -1, "C", nullptr);
  KCtlSetExportKey(nullptr, nullKey);
  EXPECT_STREQ(nullKey->exportRec->key, "");

  SKCtlElem* b = KCtlAddNewElement(d, kKCtlRadioButton, 0, -1, "B", nullptr);
  KCtlSetExportKeyBoolean("Flag", 1, b);
  EXPECT_EQ(b->exportRec->kind, kKCtlExportBoolean);
  EXPECT_EQ(b->exportRec->param1, 1);
  SKCtlElem* p = KCtlAddNewElement(d, kKCtlPulldown, 0, -1, nullptr, nullptr);
  KCtlSetExportKeyListAtom("Pick", p);
  EXPECT_EQ(p->exportRec->kind, kKCtlExportListAtom);
  KCtlDestroyDialog(d);
}

TEST(KCtlModel, ShorthandActionsAppendInOrder) {
  SKCtlDialog* d = KCtlNewDialog("T", 0);
  SKCtlElem* box = KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, "Box", nullptr);
  SKCtlElem* target = KCtlAddNewElement(d, kKCtlEditText, 0, 40, nullptr, nullptr);
  KCtlSetActionVisibleIfCheckedId(box, 40);
  KCtlSetActionVisibleIfCheckedElem(box, target);
  KCtlSetActionEnabledIfCheckedElem(box, target);
  KCtlSetActionIdKey(box, kKCtlTriggerClick, kKCtlActionSetFromKey, 7, ASAtomFromString("K"));
  struct Want {
    ASInt32 trigger, action, id;
    SKCtlElem* target;
  };
  const Want want[] = {{2, 2, 40, nullptr},      {3, 0, 40, nullptr},      {2, 2, 0, target}, {3, 0, 0, target},
                       {2, 3, 0, target},        {3, 1, 0, target},        {1, 8, 7, nullptr}};
  SKCtlAction* a = box->actions;
  for (const Want& w : want) {
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->trigger, w.trigger);
    EXPECT_EQ(a->action, w.action);
    EXPECT_EQ(a->targetId, w.id);
    EXPECT_EQ(a->target, w.target);
    a = a->next;
  }
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(box->actions->next->next->next->next->next->next->key, ASAtomFromString("K"));
  KCtlDestroyDialog(d);
}

std::vector<std::string> Texts(SKCab* list) {
  std::vector<std::string> out;
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* p) -> ASBool {
        const char* s = KCabGetString(item, "S");
        static_cast<std::vector<std::string>*>(p)->push_back(s ? s : "<none>");
        return 1;
      },
      &out);
  return out;
}

TEST(KCtlModel, ItemListsSortAndSearch) {
  SKCab* list = KCabNewInner();
  SKCab* first = KCtlAddListItemToCab(list, "pear", ASAtomFromString("p1"));
  KCtlAddListItemToCab(list, "Apple", ASAtomFromString("a"));
  SKCab* second = KCtlAddListItemToCab(list, "pear", ASAtomFromString("p2"));
  SKCab* noText = KCabNewInner();
  KCabPutAtom(noText, "E", ASAtomFromString("x"));
  KCabPutCab(list, "", noText);
  KCtlAddListItemToCab(list, "fig", ASAtomFromString("f"));
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"pear", "Apple", "pear", "<none>", "fig"}));

  SKCab* sorted = KCtlSortItemList(list);
  // Items are moved, not copied; equal texts keep their order; no "S" is dropped.
  EXPECT_EQ(Texts(sorted), (std::vector<std::string>{"Apple", "fig", "pear", "pear"}));
  EXPECT_EQ(KCtlSearchItemListForKey(sorted, ASAtomFromString("p1")), first);
  EXPECT_EQ(KCtlSearchItemListForKey(sorted, ASAtomFromString("p2")), second);
  EXPECT_EQ(KCtlSearchItemListForKey(sorted, ASAtomFromString("x")), nullptr);
  EXPECT_STREQ(KCtlSearchItemListForKeyGetString(sorted, ASAtomFromString("f")), "fig");
  EXPECT_EQ(KCtlSearchItemListForKeyGetString(sorted, ASAtomFromString("zz")), nullptr);
  EXPECT_EQ(KCtlSearchItemListForStringGetKey(sorted, "pear", 0), ASAtomFromString("p1"));
  EXPECT_EQ(KCtlSearchItemListForStringGetKey(sorted, "APPLE", 0), ASAtomNull);
  EXPECT_EQ(KCtlSearchItemListForStringGetKey(sorted, "APPLE", 1), ASAtomFromString("a"));
  KCabDestroy(sorted);
}

TEST(KCtlModel, SearchSkipsItemsWithoutAtomKey) {
  SKCab* list = KCabNewInner();
  SKCab* bad = KCabNewInner();
  KCabPutStringCopy(bad, "S", "same");
  KCabPutStringCopy(bad, "E", "not-an-atom");
  KCabPutCab(list, "", bad);
  KCtlAddListItemToCab(list, "same", ASAtomFromString("good"));
  EXPECT_EQ(KCtlSearchItemListForStringGetKey(list, "same", 0), ASAtomFromString("good"));
  KCabDestroy(list);
}

// What the destroy road tells procedures and callbacks.
struct Calls {
  std::vector<std::string> log;
};

EKCtlExportCallBackReturn RecordExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab,
                                       const char* key, void* user) {
  auto* c = static_cast<Calls*>(user);
  c->log.push_back("export kind=" + std::to_string(kind) + " id=" + std::to_string(id) +
                   (dialog || cab || key ? " non-null" : ""));
  return 0;
}

ASInt32 RecordAction(SMacDialogInfo* dialog, ASInt32 id, ASInt32 trigger, void* user) {
  auto* c = static_cast<Calls*>(user);
  c->log.push_back("action trigger=" + std::to_string(trigger) + " id=" + std::to_string(id) +
                   (dialog ? " non-null" : ""));
  return 0;
}

TEST(KCtlModel, DestroyTellsProceduresAndCallbacksOnce) {
  ASInt64 before = ASMemOutstandingBlocks();
  Calls calls;
  SKCtlDialog* d = KCtlNewDialog("![w=200]T", 7);
  SKCtlElem* group = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, "G", nullptr);
  SKCtlElem* e = KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagOwnsKey, 3, nullptr, group);
  KCtlSetExportKeyProc("Custom", RecordExport, &calls, e);
  KCtlSetActionCallback(e, kKCtlTriggerAny, RecordAction, &calls);
  KCtlSetActionCallback(e, kKCtlTriggerDescriptionDestroyed, RecordAction, &calls);
  KCtlSetActionCallback(e, kKCtlTriggerClick, RecordAction, &calls);
  SKCtlElem* p = KCtlAddNewElement(d, kKCtlPulldown, kKCtlFlagOwnsItemList, -1, nullptr, nullptr);
  SKCab* list = KCabNewInner();
  KCtlAddListItemToCab(list, "One", ASAtomFromString("one"));
  KCtlElemSetItemList(list, p);
  SKCab* replacement = KCabNewInner();
  KCtlElemSetItemList(replacement, p);  // the owned list it held goes
  KCtlElemSetTooltip("Tip", p);
  void** slot = KCtlGetDialogPrivatePointer(d);
  EXPECT_EQ(*slot, nullptr);
  *slot = d;
  KCtlDestroyDialog(d);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"export kind=4 id=-1", "action trigger=16 id=-1",
                                                 "action trigger=16 id=-1"}));
  EXPECT_EQ(ASMemOutstandingBlocks(), before);
}

TEST(KCtlModel, BorrowedItemListIsLeftAlone) {
  SKCab* list = KCabNewInner();
  KCtlAddListItemToCab(list, "Kept", ASAtomFromString("k"));
  SKCtlDialog* d = KCtlNewDialog("T", 0);
  SKCtlElem* p = KCtlAddNewElement(d, kKCtlPulldown, 0, -1, nullptr, nullptr);
  KCtlElemSetItemList(list, p);
  KCtlDestroyDialog(d);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"Kept"}));
  KCabDestroy(list);
}

TEST(KCtlModel, RunDataRecords) {
  ASInt64 before = ASMemOutstandingBlocks();
  SKCtlDialog* d = KCtlNewDialog("T", 0);
  SKCtlElem* a = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "A", nullptr);
  SKCtlElem* b = KCtlAddNewElement(d, kKCtlStaticText, 0, -1, "B", nullptr);
  SKCtlData* data = KCtlCreateData(d);
  EXPECT_EQ(data->dialog, d);
  EXPECT_NE(data->ownCab, nullptr);
  SKCtlElemInfo* ib = KCtlElemFindInfo(data, b);
  SKCtlElemInfo* ia = KCtlElemFindInfo(data, a);
  EXPECT_EQ(KCtlElemFindInfo(data, b), ib);
  EXPECT_EQ(ib->elem, b);
  ASSERT_EQ(KCtlDataInfoCount(data), 2);
  EXPECT_EQ(KCtlDataInfoAt(data, 0), ib);
  EXPECT_EQ(KCtlDataInfoAt(data, 1), ia);
  EXPECT_EQ(KCtlDataInfoAt(data, 2), nullptr);
  SKCab* exportCab = KCabNewInner();
  KCtlDataSetExportCab(data, exportCab, nullptr);
  data->sizesValid = 1;
  SKCtlDialogGroup* group = NewKCtlDialogGroup();
  KCtlDataSetGroup(data, group, 1);
  EXPECT_EQ(data->sizesValid, 0);
  EXPECT_EQ(data->group, group);
  KCtlDestroyData(data);
  DestroyKCtlDialogGroup(group);
  KCtlDestroyDialog(d);
  KCabDestroy(exportCab);
  EXPECT_EQ(ASMemOutstandingBlocks(), before);
}

}  // namespace
