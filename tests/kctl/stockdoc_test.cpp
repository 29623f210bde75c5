// The stock controls bound to the host's documents: the page scope under the
// process manager's keys with the count of pages it selects, and the pop-up
// of document windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "fixtures/Fixtures.h"
#include "kctl/DocWindow.h"
#include "foundation/KCabDump.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "kctl/KCtlStock.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

std::string OfText(int pages) {
  char text[64];
  std::snprintf(text, sizeof text, GetMessageFromTableByKey(gSystemMessageTable, "common.scope.page.of"), pages);
  return text;
}

class StockDoc : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void TearDown() override {
    AVAppShutdown();
    KCtlFixture::TearDown();
  }
  // A window on a new document of that many pages, now the front one.
  AVDoc View(int pages, const char* title, ASInt32 page = 0) {
    std::string path = dir.file(std::string(title) + ".pdf");
    kvfix::WriteSimple(path, pages);
    AVDoc view = AVDocOpenFromPDDocUTF8(OpenPdf(path), title);
    AVPageViewGoTo(AVDocGetPageView(view), page);
    return view;
  }
  TempDir dir;
};

// Runs a dialog holding the second page scope; check runs once it is up.
ASInt32 RunScope(AVDoc document, ASInt32 scopeFlags, SKCab* values, const std::function<void(SMacDialogInfo*)>& check,
                 bool interactive = true, SKCtlElem** ofOut = nullptr) {
  KCtlRun run("Scope");
  SKCtlElem* group = KCtlStock_PageScope2(run.dialog, 0, nullptr, document, scopeFlags);
  SKCtlElem* of = nullptr;
  for (SKCtlElem* e = group->firstChild; e; e = e->nextSibling)
    if (e->type == kKCtlStaticText && (e->flags & kKCtlFlagMinLine)) of = e;
  if (ofOut) *ofOut = of;
  KCtlStock_OkButton(run.dialog);
  KCabCopy(values, run.Export());
  run.data = KCtlCreateData(run.dialog);
  KCtlDataSetExportCab(run.data, run.exportCab, nullptr);
  if (!interactive) KCabPutBool(run.data->ownCab, "Interactive", 0);
  PfScript script;
  script.Then([&] {
    check(KCtlFixture::FrontInfo());
    PfDriverPressReturn();
  });
  return KCtlPlatformTestModal(run.data, nullptr);
}

struct CountCase {
  const char* name;
  const char* type;
  ASInt32 from, to;  // 0: absent
  const char* toText;
  const char* evenOdd;
  ASInt32 pages;
};

TEST_F(StockDoc, PagesToProcessSpanTheSelectedRange) {
  View(10, "ten", 3);  // current page 4
  const CountCase cases[] = {
      {"all pages", "AllDoc", 0, 0, nullptr, "Both", 10},
      {"all pages, even", "AllDoc", 0, 0, nullptr, "Even", 9},   // 2 to 10
      {"all pages, odd", "AllDoc", 0, 0, nullptr, "Odd", 9},     // 1 to 9
      {"current page, odd", "CurrentPage", 0, 0, nullptr, "Odd", 0},  // page 4: first 5, last 3
      {"current page, even", "CurrentPage", 0, 0, nullptr, "Even", 1},
      {"range", "SubDoc", 3, 7, nullptr, "Both", 5},
      {"range, even", "SubDoc", 3, 7, nullptr, "Even", 3},       // 4 to 6
      {"to the last page", "SubDoc", 2, 0, "last", "Both", 9},
      {"backwards", "SubDoc", 7, 3, nullptr, "Both", 0},
      // Beyond the document: only its pages count.
      {"past the end", "SubDoc", 8, 50, nullptr, "Both", 3},
      // A range that does not read selects nothing, not the whole document.
      {"an end that does not read", "SubDoc", 2, 0, "fifth", "Both", 0},
      {"an end that does not read, even", "SubDoc", 2, 0, "fifth", "Even", 0},
  };
  for (const CountCase& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* values = KCabNewInner();
    KCabPutAtom(values, "Source:Range:RangeType", ASAtomFromString(c.type));
    if (c.from) KCabPutInt(values, "Source:Range:From", c.from);
    if (c.to) KCabPutInt(values, "Source:Range:To", c.to);
    if (c.toText) KCabPutStringCopy(values, "Source:Range:To", c.toText);
    KCabPutAtom(values, "Source:Range:EvenOdd", ASAtomFromString(c.evenOdd));
    ASInt32 pages = -1;
    RunScope(nullptr, 0, values, [&](SMacDialogInfo* d) { pages = KCtlStock_PageScope2_GetNumPagesToProcess(d); });
    EXPECT_EQ(c.pages, pages);
    KCabDestroy(values);
  }
}

TEST_F(StockDoc, NoFrontDocumentOrARunWithoutUserCountsNothing) {
  SKCab* values = KCabNewInner();
  ASInt32 pages = -1;
  RunScope(nullptr, 0, values, [&](SMacDialogInfo* d) { pages = KCtlStock_PageScope2_GetNumPagesToProcess(d); });
  EXPECT_EQ(0, pages);
  View(4, "four");
  RunScope(nullptr, 0, values, [&](SMacDialogInfo* d) { pages = KCtlStock_PageScope2_GetNumPagesToProcess(d); },
           false);
  EXPECT_EQ(0, pages);
  KCabDestroy(values);
}

TEST_F(StockDoc, TheOfTextNamesTheDocumentsPages) {
  SKCab* values = KCabNewInner();
  AVDoc six = View(6, "six");
  SKCtlElem* of = nullptr;
  std::string shown;
  RunScope(six, 0, values, [&](SMacDialogInfo*) { shown = KCtlFixture::TextOf(of); }, true, &of);
  EXPECT_EQ(OfText(6), shown);
  // Without a document: the front document's count at start...
  View(3, "three");
  RunScope(nullptr, 0, values, [&](SMacDialogInfo*) { shown = KCtlFixture::TextOf(of); }, true, &of);
  EXPECT_EQ(OfText(3), shown);
  // ...and nothing in a run without a user.
  RunScope(nullptr, 0, values, [&](SMacDialogInfo*) { shown = KCtlFixture::TextOf(of); }, false, &of);
  EXPECT_EQ("", shown);
  KCabDestroy(values);
}

TEST_F(StockDoc, TheScopeStoresUnderTheRunKeys) {
  View(5, "five");
  SKCab* values = KCabNewInner();
  KCabPutAtom(values, "Source:Range:RangeType", ASAtomFromString("SubDoc"));
  KCabPutInt(values, "Source:Range:From", 2);
  KCabPutStringCopy(values, "Source:Range:To", "last");
  KCabPutAtom(values, "Source:Range:EvenOdd", ASAtomFromString("Odd"));
  SKCab* stored = KCabNewInner();
  RunScope(nullptr, 0, values, [&](SMacDialogInfo* d) { KCtlAdvanceExport(d, stored, 0); });
  EXPECT_EQ(
      "{Source={Range={EvenOdd=a:Odd;From=i:2;RangeType=a:SubDoc;To=s:last;};};}", DumpKCab(stored));
  KCabDestroy(stored);
  KCabDestroy(values);
}

TEST_F(StockDoc, TheWindowListOffersEveryDocumentWindowByTitle) {
  AVDoc b = View(2, "Beta");
  AVDoc a = View(3, "Alpha");
  AVDoc c = View(1, "Gamma");
  (void)a;
  SKCab* list = KCtlStockNewWindowList();
  std::vector<std::string> titles;
  KCtlForEachListItem(
      list,
      [](SKCab* item, void* out) -> ASBool {
        static_cast<std::vector<std::string>*>(out)->push_back(KCabGetString(item, "S"));
        return 1;
      },
      &titles);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta", "Gamma"}), titles);
  EXPECT_EQ(b, KCabGetPointerNamedType(KCtlSearchItemListForKey(list, ASAtomFromString("1")), "AVDoc", "KAVDoc"))
      << "numbered in the host's window order";
  KCabDestroy(list);

  AVDoc closed = View(1, "Delta");
  AVDocClose(closed, 1);
  for (AVDoc held : {b, closed, (AVDoc) nullptr}) {
    KCtlRun run("Windows");
    SKCtlElem* popup = KCtlStock_WindowList(run.dialog, 0, nullptr, "Doc");
    KCtlStock_OkButton(run.dialog);
    if (held) KCabPutPointerNamedType(run.Export(), "Doc", "KAVDoc", held, nullptr);
    run.Export();
    std::string shown;
    PfScript script;
    script.Then([&] {
      shown = KCtlFixture::TextOf(popup);
      PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(popup), 2);
    });
    script.Then([] { PfDriverPressReturn(); });
    ASSERT_EQ(1, run.RunModal(script));
    // The held document is chosen; one no longer known leaves the first.
    EXPECT_EQ(held == b ? "Beta" : "Alpha", shown);
    EXPECT_EQ(c, KCabGetPointerNamedType(run.exportCab, "Doc", "KAVDoc"));
  }
}

// A document is known by identity, not address: a value the list exported
// for a window that has closed names no document, even when the address it
// held now belongs to another window.
TEST_F(StockDoc, AClosedWindowsChoiceNamesNoOtherWindow) {
  AVDoc beta = View(2, "Beta");
  AVDoc delta = View(1, "Delta");
  SKCab* values = KCabNewInner();
  {
    KCtlRun run("Windows");
    SKCtlElem* popup = KCtlStock_WindowList(run.dialog, 0, nullptr, "Doc");
    KCtlStock_OkButton(run.dialog);
    run.Export();
    PfScript script;
    script.Then([&] {
      SMacDialogInfo* d = KCtlFixture::FrontInfo();
      ASInt32 id = KCtlFixture::IdOf(popup);
      for (ASInt32 k = 0; k < MacMenuCountItems(d, id); ++k) {
        auto* item = reinterpret_cast<SKCab*>(MacMenuGetAttachedData(d, id, k));
        if (item && std::string("Delta") == KCabGetString(item, "S"))
          PfDriverChoosePopup(KCtlFixture::Front(), KCtlFixture::ItemOf(popup), k);
      }
    });
    script.Then([] { PfDriverPressReturn(); });
    ASSERT_EQ(1, run.RunModal(script));
    KCabCopy(run.exportCab, values);
  }
  EXPECT_EQ(delta, KCtlStockExportedDoc(values, "Doc"));
  EXPECT_EQ(KCtlStockDocIdentity(delta), KCabGetUns(values, "DocId", 0));
  EXPECT_NE(KCtlStockDocIdentity(beta), KCtlStockDocIdentity(delta));
  AVDocClose(delta, 1);
  EXPECT_EQ(nullptr, KCtlStockExportedDoc(values, "Doc")) << "closed";
  // As if a new window had been given the closed one's address.
  KCabPutPointerNamedType(values, "Doc", "KAVDoc", beta, nullptr);
  EXPECT_EQ(nullptr, KCtlStockExportedDoc(values, "Doc")) << "an address is no identity";
  std::string shown;
  View(3, "Alpha");
  {
    KCtlRun run("Windows");
    SKCtlElem* popup = KCtlStock_WindowList(run.dialog, 0, nullptr, "Doc");
    KCtlStock_OkButton(run.dialog);
    KCabCopy(values, run.Export());
    PfScript script;
    script.Then([&] {
      shown = KCtlFixture::TextOf(popup);
      PfDriverPressReturn();
    });
    ASSERT_EQ(1, run.RunModal(script));
  }
  EXPECT_EQ("Alpha", shown) << "the first window, not the one at the old address";
  KCabDestroy(values);
}

}  // namespace
