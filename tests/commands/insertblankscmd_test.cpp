// The insert command: its definition and computed properties, the describer's
// lines, the dialog with and without a document, in playback and in classic
// mode, what it puts into the parameters, and the start callback inserting
// blank pages and pages of a file.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "PageCmdsTestSupport.h"
#include "commands/InsertBlanksCmd.h"
#include "commands/Prefs.h"
#include "foundation/KCab.h"
#include "frame/ProcMan.h"
#include "host/ASFile.h"
#include "pdftools/PageSizes.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageUnits.h"
#include "support/HostPdf.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }
bool AtomIs(SKCab* cab, const char* key, const char* word) { return KCabGetAtom(cab, key, ASAtomNull) == A(word); }

constexpr const char* kRequires = "kv3alphabase[KV 3.0/KVZ 3.0 alpha]";

class InsertCmd : public PageCmdTest {
 protected:
  Definition def{NewCmdMgrForInsertBlanks};
  InsertCmd() { Uses(&def); }
  void TearDown() override {
    gKVClassic = classic_;
    gKVClassic2 = classic2_;
    PageCmdTest::TearDown();
  }

  SKCab* Defaults() { return KCabDup(KCabGetCab(def, "DefaultParams")); }

  // Runs the command on doc (null: no source) with the defaults and what
  // setup adds.
  bool RunOn(PDDoc doc, const std::function<void(SKCab*)>& setup) {
    SKCab* params = Defaults();
    if (setup) setup(params);
    if (doc) ProcManSetSourcePDDoc(params, doc);
    return CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr);
  }

  // What the dialog showed, read at its start.
  struct Seen {
    std::map<std::string, bool> enabled, checked;
    std::string sameAsCurCaption;
    bool hasAfterNum = false;
  };
  static constexpr const char* kRadios[] = {"Where=BeforeCur", "Where=AfterCur", "Where=AtStart", "Where=AtEnd",
                                            "Where=NewDoc",    "Where=AfterNum", "WhatSize=SameAsCur",
                                            "WhatSize=Custom"};
  // Shows the dialog on params, reads it, then presses Return (or Escape).
  ASBool Show(SKCab* params, Seen* seen, bool ok = true) {
    PfScript script;
    script.Then([&] {
      for (const char* key : kRadios) {
        if (!Item(key)) continue;
        seen->enabled[key] = Enabled(key);
        seen->checked[key] = Checked(key);
      }
      seen->hasAfterNum = Item("Where=AfterNum") != 0;
      seen->sameAsCurCaption = PfText(Front(), Item("WhatSize=SameAsCur"));
    });
    script.Then([ok] { ok ? PfDriverPressReturn() : PfDriverPressEscape(); });
    return def.UI(params);
  }

  ASBool classic_ = gKVClassic;
  ASBool classic2_ = gKVClassic2;
};

TEST_F(InsertCmd, TheModuleRegistersItsDefinition) {
  EXPECT_EQ(&NewCmdMgrForInsertBlanks, KVCommandModules().NewCmdMgrForInsertBlanks);
  EXPECT_EQ(A("InsertBlanks"), KCabGetAtom(def, "Key", ASAtomNull));
  EXPECT_STREQ("Insert pages", KCabGetString(def, "Name"));
  EXPECT_EQ(A("None"), KCabGetAtom(def, "DefaultParams:Source:SourceType", ASAtomNull));
  EXPECT_EQ(1, KCabGetInt(def, "DefaultParams:Count", 0));
  EXPECT_EQ(A("BeforeCur"), KCabGetAtom(def, "DefaultParams:Where", ASAtomNull));
  EXPECT_EQ(A("SameAsPage"), KCabGetAtom(def, "DefaultParams:WhatSize", ASAtomNull));
  EXPECT_EQ(1, KCabGetInt(def, "Version", 0));
  EXPECT_TRUE(KCabGetBool(def, "Control:Props:UIDoesntNeedAVDoc", 0));
  // Into a new document the command is left out of lists and needs no
  // document of its own to work on.
  for (const char* where : {"NewDoc", "AtEnd", "BeforeCur"}) {
    SKCab* params = KCabNewInner();
    KCabPutAtom(params, "Where", A(where));
    const bool newDoc = std::string(where) == "NewDoc";
    EXPECT_EQ(newDoc, (bool)ProcManBoolProperty(def, "Control:Props:IgnoreInList", params)) << where;
    EXPECT_EQ(!newDoc, (bool)ProcManBoolProperty(def, "Control:Props:CanHandleAToA", params)) << where;
    KCabDestroy(params);
  }
}

TEST_F(InsertCmd, TheDescriberSaysWhereWhatAndWhen) {
  struct Case {
    const char* name;
    std::function<void(SKCab*)> setup;
    std::string lines;
  };
  const Case cases[] = {
      {"defaults", nullptr, "Before the current page | Pages: 1 | Page size: the size of page 1"},
      {"no count", [](SKCab* p) { KCabRemove(p, "Count"); },
       "Before the current page | Pages: 8 | Page size: the size of page 1"},
      {"after a page",
       [](SKCab* p) {
         KCabPutAtom(p, "Where", A("AfterNum"));
         KCabPutInt(p, "PageNum", 12);
         KCabPutAtom(p, "WhatSize", A("SameAsCur"));
         KCabPutInt(p, "Count", 3);
       },
       "After page 12 | Pages: 3 | Page size: the size of the current page"},
      {"new doc, custom",
       [](SKCab* p) {
         KCabPutAtom(p, "Where", A("NewDoc"));
         KCabPutAtom(p, "WhatSize", A("Custom"));
         KCabPutCab(p, "Page", NewPageSizeCabBlankPoints(nullptr, 144, 288, 1));
       },
       "Into a new document | Pages: 1 | Page size: 2.00 x 4.00 inches (50.8 x 101.6 mm)"},
      {"unknown where", [](SKCab* p) { KCabPutAtom(p, "Where", A("Somewhere")); },
       "At a position this version does not know | Pages: 1 | Page size: the size of page 1 | A run refuses these "
       "parameters: Where = Somewhere is refused: the words it takes are BeforeCur, AfterCur, AtStart, AtEnd, NewDoc, "
       "AfterNum."},
      {"file",
       [](SKCab* p) {
         KCabPutAtom(p, "Where", A("AtEnd"));
         KCabPutAtom(p, "Action", A("File"));
         KCabPutStringCopy(p, "DIPath", "/forms/cover.pdf");
         KCabPutInt(p, "Copies", 2);
         KCabPutBool(p, "Collate", 0);
       },
       "At the end of the document | Pages of the file /forms/cover.pdf | " + MsgText("imputil.3.a.3") +
           " | Copies: 2 | Collated: no"},
      {"file without a name",
       [](SKCab* p) {
         KCabPutAtom(p, "Where", A("AtStart"));
         KCabPutAtom(p, "Action", A("File"));
       },
       "At the start of the document | Pages of the file (unknown) | " + MsgText("imputil.3.a.3") +
           " | Copies: 1 | Collated: yes"},
      {"condition",
       [](SKCab* p) {
         KCabPutAtom(p, "Where", A("AtEnd"));
         KCabPutAtom(p, "Condition", A("Until"));
         KCabPutAtom(p, "ConditionRelation", A("DivisibleBy"));
         KCabPutInt(p, "ConditionNumber", 4);
       },
       "At the end of the document | Pages: 1 | Page size: the size of page 1 | "
       "Condition: insert until the document's page count is a multiple of 4"},
      {"odd condition",
       [](SKCab* p) {
         KCabPutAtom(p, "Condition", A("Unless"));
         KCabPutAtom(p, "ConditionRelation", A("Odd"));
       },
       "Before the current page | Pages: 1 | Page size: the size of page 1 | "
       "Condition: insert unless the document's page count is odd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* params = Defaults();
    if (c.setup) c.setup(params);
    EXPECT_EQ(c.lines, def.Describe(params));
    KCabDestroy(params);
  }
}

// ---- The dialog

TEST_F(InsertCmd, WithoutADocumentOnlyANewDocumentOfACustomSizeIsOffered) {
  SKCab* params = Defaults();
  Seen seen;
  EXPECT_FALSE(Show(params, &seen, false));
  for (const char* key : {"Where=BeforeCur", "Where=AfterCur", "Where=AtStart", "Where=AtEnd", "Where=AfterNum",
                          "WhatSize=SameAsCur"})
    EXPECT_FALSE(seen.enabled[key]) << key;
  EXPECT_TRUE(seen.enabled["Where=NewDoc"]);
  EXPECT_TRUE(seen.checked["Where=NewDoc"]);
  EXPECT_TRUE(seen.checked["WhatSize=Custom"]);
  KCabDestroy(params);
}

TEST_F(InsertCmd, OKWithACustomSizeButNoneChosenIsRefused) {
  SKCab* params = Defaults();
  KCabPutAtom(params, "WhatSize", A("Custom"));
  View(2);
  EXPECT_TRUE(OkRefused(def, params));
  EXPECT_EQ(std::vector<std::string>{"No usable page size was chosen."}, Errors());
  KCabDestroy(params);
}

TEST_F(InsertCmd, WithADocumentTheCurrentSizeIsShown) {
  View(3, 1);
  SKCab* params = Defaults();
  KCabPutAtom(params, "WhatSize", A("SameAsCur"));
  Seen seen;
  ASSERT_TRUE(Show(params, &seen));
  char size[kPageSizeTextSize];
  FormatPageSize2(size, 612 << 16, 792 << 16, (ASInt32)CurrentUnits());
  EXPECT_EQ(MsgText("dlg.insertblank1.10") + " (" + size + ")", seen.sameAsCurCaption);
  for (const char* key : kRadios) EXPECT_TRUE(seen.enabled[key] || std::string(key) == "Where=AfterNum") << key;
  EXPECT_TRUE(seen.checked["Where=BeforeCur"]);
  EXPECT_EQ(A("BeforeCur"), KCabGetAtom(params, "Where", ASAtomNull));
  EXPECT_FALSE(KCabKnown(params, "Requires")) << "blanks of the current size need nothing newer";
  KCabDestroy(params);
}

// Blanks the size of a numbered page, and pages of a file, need the newer
// base. The dialog offers no such size: only a replay (where the current
// size is out) keeps it.
TEST_F(InsertCmd, NumberedPageSizesAndFilesRequireTheNewerBase) {
  View(2);
  struct Case {
    const char* what;
    std::function<void(SKCab*)> setup;
    bool needsBase;
  };
  const Case cases[] = {{"defaults in a replay", [](SKCab* p) { KCabPutBool(p, "Interactive", 0); }, true},
                        {"defaults", nullptr, false},
                        {"file",
                         [](SKCab* p) {
                           KCabPutAtom(p, "WhatSize", A("SameAsCur"));
                           KCabPutAtom(p, "Action", A("File"));
                         },
                         true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SKCab* params = Defaults();
    if (c.setup) c.setup(params);
    Seen seen;
    ASSERT_TRUE(Show(params, &seen));
    const char* needs = KCabGetString(params, "Requires");
    EXPECT_EQ(c.needsBase, needs && std::string(needs) == kRequires);
    EXPECT_EQ(c.needsBase, AtomIs(params, "WhatSize", "SameAsPage") || AtomIs(params, "Action", "File")) << "why";
    KCabDestroy(params);
  }
}

// In playback there is no current page: a recorded current-page position
// becomes the start.
TEST_F(InsertCmd, InPlaybackCurrentPagePositionsBecomeTheStart) {
  View(3);
  for (const char* where : {"AfterCur", "BeforeCur", "NewDoc", "AtEnd"}) {
    SCOPED_TRACE(where);
    SKCab* params = Defaults();
    KCabPutBool(params, "Interactive", 0);
    KCabPutAtom(params, "Where", A(where));
    KCabPutAtom(params, "WhatSize", A("SameAsPage"));
    Seen seen;
    ASSERT_TRUE(Show(params, &seen));
    for (const char* key : {"Where=BeforeCur", "Where=AfterCur", "Where=NewDoc", "WhatSize=SameAsCur"})
      EXPECT_FALSE(seen.enabled[key]) << key;
    EXPECT_TRUE(seen.enabled["Where=AtStart"]);
    const bool kept = std::string(where) == "AtEnd";
    EXPECT_EQ(kept ? A("AtEnd") : A("AtStart"), KCabGetAtom(params, "Where", ASAtomNull));
    KCabDestroy(params);
  }
}

TEST_F(InsertCmd, ClassicModeDropsTheNumberedPositionAndPrefersTheCurrentSize) {
  View(3);
  gKVClassic = 1;
  gKVClassic2 = 1;
  SKCab* params = Defaults();
  Seen seen;
  ASSERT_TRUE(Show(params, &seen));
  EXPECT_FALSE(seen.hasAfterNum);
  EXPECT_TRUE(seen.checked["WhatSize=SameAsCur"]);
  EXPECT_EQ(A("SameAsCur"), KCabGetAtom(params, "WhatSize", ASAtomNull));
  KCabDestroy(params);

  gKVClassic = 0;
  params = Defaults();
  ASSERT_TRUE(Show(params, &seen));
  EXPECT_TRUE(seen.hasAfterNum);
  KCabDestroy(params);
}

TEST_F(InsertCmd, TheDialogPreparesTheParameters) {
  View(2);
  std::string file = File(1);
  SKCab* params = Defaults();
  KCabPutStringCopy(params, "DIPath", file.c_str());
  KCabPutInt(params, "SizeAsPage", -4);
  KCabPutAtom(params, "Condition", A("If"));
  Seen seen;
  ASSERT_TRUE(Show(params, &seen));
  ASPathName path = (ASPathName)KCabGetPointerNamedType(params, ".File", "ASPathName");
  ASSERT_NE(nullptr, path);
  char* back = ASFileSysDIPathFromPath(nullptr, path, nullptr);
  EXPECT_EQ(file, back ? back : "");
  ASfree(back);
  EXPECT_EQ(1, KCabGetInt(params, "SizeAsPage", 0));
  EXPECT_TRUE(KCabGetBool(params, ".Advanced", 0));
  KCabDestroy(params);

  params = Defaults();
  KCabPutStringCopy(params, "SizeAsPage", "last");
  ASSERT_TRUE(Show(params, &seen));
  EXPECT_STREQ("last", KCabGetString(params, "SizeAsPage"));
  EXPECT_FALSE(KCabGetBool(params, ".Advanced", 1));
  EXPECT_FALSE(KCabKnown(params, ".File"));
  KCabDestroy(params);
}

TEST_F(InsertCmd, TheNumberedPositionIsStored) {
  View(5);
  SKCab* params = Defaults();
  PfScript script;
  script.Then([] { Click("Where=AfterNum"); });
  script.Then([] { PfDriverTypeText(Front(), Item("PageNum"), "4", true); });
  script.Then([] { PfDriverPressReturn(); });
  ASSERT_TRUE(def.UI(params));
  EXPECT_EQ(A("AfterNum"), KCabGetAtom(params, "Where", ASAtomNull));
  EXPECT_EQ(4, KCabGetInt(params, "PageNum", 0));
  KCabDestroy(params);
}

// ---- Running

TEST_F(InsertCmd, BlankPagesGoWhereTheParametersSay) {
  struct Case {
    std::function<void(SKCab*)> setup;
    const char* text;
  };
  const Case cases[] = {
      {[](SKCab* p) {
         KCabPutAtom(p, "Where", A("AtEnd"));
         KCabPutInt(p, "Count", 2);
       },
       "Page1|Page2|Page3|||"},
      {[](SKCab* p) { KCabPutAtom(p, "Where", A("AtStart")); }, "|Page1|Page2|Page3|"},
      {[](SKCab* p) {
         KCabPutAtom(p, "Where", A("AfterNum"));
         KCabPutInt(p, "PageNum", 2);
       },
       "Page1|Page2||Page3|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PDDoc doc = Doc(3);
    ASSERT_TRUE(RunOn(doc, c.setup));
    EXPECT_EQ(c.text, Saved(doc, "blanks.pdf"));
  }
}

TEST_F(InsertCmd, TheCurrentPageCountsOnlyWhenInteractive) {
  AVDoc view = View(3, 1);
  PDDoc doc = AVDocGetPDDoc(view);
  EXPECT_FALSE(RunOn(doc, nullptr)) << "by key there is no current page";
  EXPECT_EQ(std::vector<std::string>{MsgText("imputil1.err.batchcurrentpage")}, Errors());
  EXPECT_EQ(3, PDDocGetNumPages(doc));
  ASSERT_TRUE(RunOn(doc, [](SKCab* p) { KCabPutBool(p, "Interactive", 1); }));
  EXPECT_EQ("Page1||Page2|Page3|", Saved(doc, "current.pdf"));
}

// The current page is the source document's, not that of the window in front.
TEST_F(InsertCmd, TheCurrentPageIsTheSourcesOwn) {
  AVDoc source = View(3, 1);
  AVDoc front = View(5, 3);
  ASSERT_EQ(front, AVAppGetActiveDoc());
  PDDoc doc = AVDocGetPDDoc(source);
  ASSERT_TRUE(RunOn(doc, [](SKCab* p) { KCabPutBool(p, "Interactive", 1); }));
  EXPECT_EQ("Page1||Page2|Page3|", Saved(doc, "source.pdf"));
  EXPECT_EQ(5, PDDocGetNumPages(AVDocGetPDDoc(front)));
}

TEST_F(InsertCmd, ANewDocumentNeedsNoSource) {
  ASSERT_TRUE(RunOn(nullptr, [](SKCab* p) {
    KCabPutAtom(p, "Where", A("NewDoc"));
    KCabPutAtom(p, "WhatSize", A("Custom"));
    KCabPutCab(p, "Page", NewPageSizeCabBlankPoints(nullptr, 200, 100, 1));
    KCabPutInt(p, "Count", 3);
  }));
  std::vector<OpenedView> views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  PDDoc made = AVDocGetPDDoc(views[0].view);
  EXPECT_EQ(3, PDDocGetNumPages(made));
  EXPECT_EQ("200.00 x 100.00", PageSizeText(made, 2));
}

// A blank size of nothing, or no number at all, is refused before anything
// changes, and the run does not end as done.
TEST_F(InsertCmd, ACustomSizeOfNoAreaIsRefused) {
  const std::pair<double, const char*> widths[] = {{0.0, "0"}, {-5.0, "-5"}, {std::nan(""), "nan"}};
  for (const auto& [w, written] : widths) {
    SCOPED_TRACE(w);
    PDDoc doc = Doc(2);
    capture->Clear();
    ForgetViews();
    for (const char* where : {"AtEnd", "NewDoc"}) {
      EXPECT_FALSE(RunOn(doc, [&](SKCab* p) {
        KCabPutAtom(p, "Where", A(where));
        KCabPutAtom(p, "WhatSize", A("Custom"));
        KCabPutCab(p, "Page", NewPageSizeCabBlankPoints(nullptr, w, 100, 1));
        KCabPutInt(p, "Count", 2);
      })) << where;
    }
    // Refused by the command's parameter check, which names the side and its range.
    const std::string refusal =
        std::string("Page:Width = ") + written + " is refused: it must be a number from 1 to 14400 pt.";
    EXPECT_EQ((std::vector<std::string>(2, refusal)), Errors());
    EXPECT_EQ(2, PDDocGetNumPages(doc));
    EXPECT_TRUE(ViewsOpened().empty()) << "no new document";
  }
}

TEST_F(InsertCmd, PagesOfAFileAreInserted) {
  std::string file = File(2);
  PDDoc doc = Doc(2);
  ASSERT_TRUE(RunOn(doc, [&](SKCab* p) {
    KCabPutAtom(p, "Action", A("File"));
    KCabPutAtom(p, "Where", A("AtEnd"));
    KCabPutStringCopy(p, "DIPath", file.c_str());
  }));
  EXPECT_EQ("Page1|Page2|Page1|Page2|", Saved(doc, "file.pdf"));
  // A file that is not there: the run does not end as done.
  EXPECT_FALSE(RunOn(doc, [&](SKCab* p) {
    KCabPutAtom(p, "Action", A("File"));
    KCabPutAtom(p, "Where", A("AtEnd"));
    KCabPutStringCopy(p, "DIPath", dir.file("missing.pdf").c_str());
  }));
  EXPECT_EQ(4, PDDocGetNumPages(doc));
}

}  // namespace
