// The booklet command's front end: its definition and defaults, the
// describer, the advanced-settings test, the scale feedback, and the
// five-page wizard driven through the platform's dialog driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "commands/BookletCmd.h"
#include "commands/Prefs.h"
#include "engine/CropMarks.h"
#include "fixtures/Fixtures.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "frame/CmdColl.h"
#include "host/AV.h"
#include "kctl/KCtlHarness.h"
#include "kctl/PageSizeElem.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"
#include "support/TestPageSizes.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
std::string Word(SKCab* cab, const char* key) {
  ASAtom a = KCabGetAtom(cab, key, ASAtomNull);
  return a == ASAtomNull ? "" : ASAtomGetString(a);
}

class BookletEnv : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(LoadEnglishMessages()); }
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new BookletEnv);

std::vector<std::string> Lines(SKCab* lines) {
  std::vector<std::string> out;
  for (long i = 0; KCabKnownNumKey(lines, i); ++i) out.push_back(KCabGetStringNumKey(lines, i));
  return out;
}

SKCab* Defaults() {
  SKCab* command = NewCmdMgrForBooklet();
  SKCab* params = KCabDup(KCabGetCab(command, "DefaultParams"));
  KCabDestroy(command);
  return params;
}

TEST(BookletDefinition, KeysAndDefaults) {
  SKCab* command = NewCmdMgrForBooklet();
  EXPECT_EQ(Atom("SimpleBooklet"), KCabGetAtom(command, "Key", ASAtomNull));
  EXPECT_EQ(Msg("impmenu1.cmd.booklet"), KCabGetString(command, "Name"));
  EXPECT_EQ(1, KCabGetInt(command, "Version", 0));
  EXPECT_TRUE(KCabGetBool(command, "Control:Props:CanHandleAToA", 0));
  EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(command, "Control:Start", kProcManCallbackType));
  EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(command, "UI", kCmdMgrUIProcType));
  EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(command, "Describer", kCmdMgrDescriberProcType));
  SKCab* d = KCabGetCab(command, "DefaultParams");
  ASSERT_NE(nullptr, d);
  EXPECT_EQ("Sufficient", Word(d, "Sizing"));
  EXPECT_EQ("Consec", Word(d, "Paginate"));
  EXPECT_EQ("Inline", Word(d, "Backs"));
  EXPECT_EQ("CentrePages", Word(d, "Align"));
  EXPECT_EQ("None", Word(d, "Fields"));
  EXPECT_EQ(16, KCabGetInt(d, "PagesPerSig", 0));
  EXPECT_TRUE(KCabGetBool(d, "NewDoc", 0));
  EXPECT_FALSE(KCabGetBool(d, "CropMarks", 1));
  EXPECT_EQ("Corners", Word(d, "CropStyle")) << "crop defaults are there, switched off";
  EXPECT_DOUBLE_EQ(10, KCabGetDouble(d, "CropDist", 0));
  EXPECT_FALSE(AnyAdvancedParams(d));
  EXPECT_FALSE(KCabKnown(d, "Valid"));
  KCabDestroy(command);
}

TEST(BookletParams, AnyAdvancedParams) {
  struct Case {
    const char* name;
    void (*change)(SKCab*);
    bool any;
  };
  const Case cases[] = {
      {"defaults", [](SKCab*) {}, false},
      {"in place", [](SKCab* c) { KCabPutBool(c, "NewDoc", 0); }, true},
      {"no NewDoc at all", [](SKCab* c) { KCabRemove(c, "NewDoc"); }, false},
      {"a margin", [](SKCab* c) { KCabPutDouble(c, "Margin", 0.5); }, true},
      {"a margin that is no number", [](SKCab* c) { KCabPutDouble(c, "Margin", std::nan("")); }, true},
      {"at 100 %", [](SKCab* c) { KCabPutBool(c, "NoScale", 1); }, true},
      {"crop marks", [](SKCab* c) { KCabPutBool(c, "CropMarks", 1); }, true},
      {"a per-imposition override", [](SKCab* c) { KCabPutAtom(c, "BleedMode", Atom("Use")); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* params = Defaults();
    c.change(params);
    EXPECT_EQ(c.any, AnyAdvancedParams(params) != 0);
    BookletResetAdvancedParams(params, 0);
    EXPECT_FALSE(AnyAdvancedParams(params)) << "the reset clears it";
    KCabDestroy(params);
  }
}

TEST(BookletParams, ScaleFeedback) {
  struct Case {
    const char* name;
    const char* start;
    double w, h, maxW, maxH, margin;
    bool noScale;
    std::string expected;
  };
  const std::string noFit = Msg("uiimp.1.doesnotfit");
  const Case cases[] = {
      {"a tall page on a wide letter sheet", "", 792, 612, 612, 792, 0, false, "(64 %)"},
      {"after a caption", "A4", 792, 612, 612, 792, 0, false, "A4 (64 %)"},
      {"too small at 100 %", "", 792, 612, 612, 792, 0, true, noFit},
      {"large enough at 100 %", "", 1224, 792, 612, 792, 0, true, "(100 %)"},
      {"a margin that eats the sheet", "", 792, 612, 612, 792, 400, false, noFit},
      {"enlarged", "", 2448, 1584, 612, 792, 0, false, "(200 %)"},
      {"pages of no size", "", 792, 612, 0, 0, 0, false, "(2147483647 %)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char text[1000];
    std::snprintf(text, sizeof text, "%s", c.start);
    Booklet2AppendPercent(text, sizeof text, c.w, c.h, c.maxW, c.maxH, c.margin, c.noScale);
    EXPECT_EQ(c.expected, text);
  }
  char small[6] = "abc";
  Booklet2AppendPercent(small, sizeof small, 792, 612, 612, 792, 0, false);
  EXPECT_EQ(std::string("abc ("), small) << "never beyond the capacity";
}

struct DescribeCase {
  const char* name;
  void (*change)(SKCab*);
  std::vector<std::string> lines;
};

TEST(BookletDescriber, LinesInOrder) {
  const DescribeCase cases[] = {
      {"defaults",
       [](SKCab*) {},
       {"Into a new document", "Page order: consecutive", "Sheet size: just large enough",
        "Fronts and backs: each front followed by its back", "Alignment: each page centred"}},
      {"signatures in place, with everything advanced",
       [](SKCab* c) {
         KCabPutBool(c, "NewDoc", 0);
         KCabPutAtom(c, "Paginate", Atom("Multiple"));
         KCabPutInt(c, "PagesPerSig", 8);
         KCabPutBool(c, "AddBlanks", 1);
         KCabPutAtom(c, "Sizing", Atom("A4Wide"));
         KCabPutAtom(c, "Backs", Atom("SeparateReverse"));
         KCabPutAtom(c, "Align", Atom("BottomLeft"));
         KCabPutBool(c, "NoScale", 1);
         KCabPutDouble(c, "Margin", 12.5);
         KCabPutBool(c, "CropMarks", 1);
       },
       {"Page order: signatures", "Pages in a signature: 8", "Blank pages added: yes", "Sheet size: A4, wide",
        "Fronts and backs: backs in a second document, reversed", "Alignment: pages at the bottom left",
        "Pages placed at 100 %", "Margin: 12.5 points",
        "Crop marks: style 1, line width 0.3 pt, length 20 pt, distance 10 pt"}},
      {"cut stacks",
       [](SKCab* c) {
         KCabPutAtom(c, "Paginate", Atom("CutStacks"));
         KCabPutBool(c, "SingleSided", 1);
         KCabPutAtom(c, "Sizing", Atom("LetterWide"));
       },
       {"Into a new document", "Page order: cut stacks", "Single-sided: yes", "Sheet size: US Letter, wide",
        "Fronts and backs: each front followed by its back", "Alignment: each page centred"}},
      {"an unknown order has no line",
       [](SKCab* c) { KCabPutAtom(c, "Paginate", Atom("Spiral")); },
       {"Into a new document", "Sheet size: just large enough", "Fronts and backs: each front followed by its back",
        "Alignment: each page centred"}},
  };
  for (const DescribeCase& c : cases) {
    SCOPED_TRACE(c.name);
    SKCab* params = Defaults();
    c.change(params);
    SKCab* lines = CmdMgrBookletDescriber(nullptr, params);
    EXPECT_EQ(c.lines, Lines(lines));
    KCabDestroy(lines);
    KCabDestroy(params);
  }
}

// ---- the wizard

std::string Title() { return PfGetWindowTitleUTF8(PfGetDialogWindow(KCtlFixture::Front())); }
void Press(const char* key) { ASSERT_TRUE(PfDriverPressButton(KCtlFixture::Front(), Msg(key).c_str())) << key; }
void Next() { Press("common.button.next"); }
void ClickKey(const char* key) {
  ASSERT_TRUE(PfDriverClickItem(KCtlFixture::Front(), PfDriverItemByKey(KCtlFixture::Front(), key), 0)) << key;
}
void TypeId(ASInt32 id, const char* text) {
  ASSERT_TRUE(PfDriverTypeText(KCtlFixture::Front(), KCtlFixture::ItemOfId(id), text, true)) << id;
}
std::string TextOfId(ASInt32 id) { return PfText(KCtlFixture::Front(), KCtlFixture::ItemOfId(id)); }

class BookletWizard : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    TestPageSizes::Install();
    params = Defaults();
    capture = new MessageCapture(true);
  }
  void TearDown() override {
    delete capture;
    KCabDestroy(params);
    if (view) AVDocClose(view, 1);
    TestPageSizes::Uninstall();
    KCtlFixture::TearDown();
  }
  // An open document of letter pages makes the wizard measure it.
  void OpenLetterDocument() {
    std::string path = dir.file("letter.pdf");
    kvfix::WriteSimple(path, 3);
    view = AVDocOpenFromPDDoc(OpenPdf(path), nullptr);
  }
  // Records the page titles as the script walks through them.
  void Record(PfScript& script, std::function<void()> action) {
    script.Then([this, action] {
      titles.push_back(Title());
      action();
    });
  }
  std::vector<std::string> Pages(std::initializer_list<const char*> keys) {
    std::vector<std::string> out;
    for (const char* k : keys) out.push_back(Msg(k));
    return out;
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& m : capture->messages())
      if (m.type == kAutoMessageError) out.push_back(m.text);
    return out;
  }

  SKCab* params = nullptr;
  AVDoc view = nullptr;
  MessageCapture* capture = nullptr;
  std::vector<std::string> titles;
  TempDir dir;
};

TEST_F(BookletWizard, FinishingTheFivePagesStoresTheAnswers) {
  PfScript script;
  Record(script, [] { Next(); });
  Record(script, [] { ClickKey("Sizing=LetterWide"); });
  script.Then([] { Next(); });
  Record(script, [] { ClickKey("Paginate=Single"); });
  script.Then([] { Next(); });
  Record(script, [] { ClickKey("Backs=InlineInvert"); });
  script.Then([] { Next(); });
  Record(script, [] { ClickKey("Align=CentreSpine"); });
  script.Then([] { Press("common.button.finish"); });
  EXPECT_TRUE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletprepare.title", "dlg.bookletpagesize.title", "dlg.bookletbinding.title",
                   "dlg.bookletfrontsbacks.title", "dlg.bookletalign.title"}),
            titles);
  EXPECT_EQ("LetterWide", Word(params, "Sizing"));
  EXPECT_EQ("Single", Word(params, "Paginate"));
  EXPECT_EQ("InlineInvert", Word(params, "Backs"));
  EXPECT_EQ("CentreSpine", Word(params, "Align"));
  EXPECT_TRUE(KCabGetBool(params, "Valid", 0));
  EXPECT_FALSE(KCabKnown(params, "Advanced"));
}

TEST_F(BookletWizard, NoQuestionsEndsAfterTheFirstPageOnceValid) {
  KCabPutBool(params, "Valid", 1);
  bool enabledBefore = false;
  PfScript script;
  script.Then([&] {
    enabledBefore = PfDriverIsEnabled(Front(), PfDriverItemByKey(Front(), "NoQuestions"));
    ClickKey("NoQuestions");
  });
  script.Then([] { Next(); });
  EXPECT_TRUE(CmdMgrBookletUI(nullptr, params));
  EXPECT_TRUE(enabledBefore) << "offered once the settings were valid";
  EXPECT_TRUE(KCabGetBool(params, "NoQuestions", 0));
  EXPECT_EQ(0u, script.pending());

  // Without "Valid" the box cannot be ticked.
  KCabRemove(params, "Valid");
  KCabRemove(params, "NoQuestions");
  bool enabled = true;
  PfScript again;
  again.Then([&] {
    enabled = PfDriverIsEnabled(Front(), PfDriverItemByKey(Front(), "NoQuestions"));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_FALSE(enabled);
}

TEST_F(BookletWizard, BackToTheSheetPageEndsWhenNoQuestionsAndValid) {
  PfScript script;
  Record(script, [] { Next(); });
  Record(script, [] { Next(); });
  Record(script, [this] {
    // Set by a previous run meanwhile: going back now counts as done.
    KCabPutBool(params, "NoQuestions", 1);
    KCabPutBool(params, "Valid", 1);
    Press("common.button.back");
  });
  EXPECT_TRUE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletprepare.title", "dlg.bookletpagesize.title", "dlg.bookletbinding.title"}), titles);
}

TEST_F(BookletWizard, SignatureSizesAreRoundedToWholeSheets) {
  struct Case {
    const char* typed;
    int stored;
    bool asked;
  };
  const Case cases[] = {{"16", 16, false}, {"10", 12, true}, {"0", 4, true}, {"3", 4, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    capture->Clear();
    titles.clear();
    PfScript script;
    script.Then([] { Next(); });
    script.Then([] { Next(); });
    script.Then([&] {
      ClickKey("Paginate=Multiple");
      PfDriverTypeText(Front(), PfDriverItemByKey(Front(), "PagesPerSig"), c.typed, true);
    });
    script.Then([] { Next(); });
    Record(script, [] { PfDriverPressEscape(); });
    EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
    EXPECT_EQ(Pages({"dlg.bookletfrontsbacks.title"}), titles) << "the binding page was left";
    EXPECT_EQ(c.stored, KCabGetInt(params, "PagesPerSig", 0));
    EXPECT_EQ(c.asked ? 1u : 0u, capture->messages().size());
  }
}

TEST_F(BookletWizard, CropMarksNeedAMargin) {
  KCabPutBool(params, "CropMarks", 1);
  PfScript script;
  Record(script, [] { Next(); });
  Record(script, [] { TypeId(94, "12"); });
  script.Then([] { Next(); });
  Record(script, [] { PfDriverPressEscape(); });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletprepare.title", "dlg.bookletprepare.title", "dlg.bookletpagesize.title"}), titles);
  EXPECT_EQ(std::vector<std::string>{Msg("dlg.bookletprepare.mustsetmargin")}, Errors());
  EXPECT_DOUBLE_EQ(12, KCabGetDouble(params, "Margin", 0));
  EXPECT_FALSE(KCabKnown(params, "Advanced"));
}

TEST_F(BookletWizard, ACustomSheetTooSmallAt100PercentIsRefused) {
  OpenLetterDocument();
  STemplateInfo sheet{};
  sheet.blank = 1;
  sheet.width = 792 << 16;
  sheet.height = 612 << 16;
  ASSERT_TRUE(ExportPageSizeFromTemplateInfo(params, "Page", &sheet));
  KCabPutAtom(params, "Sizing", Atom("Custom"));
  KCabPutBool(params, "NoScale", 1);
  std::string letterCaption, feedback;
  PfScript script;
  script.Then([] { Next(); });
  Record(script, [&] {
    letterCaption = TextOfId(102);
    feedback = TextOfId(104);
    Next();
  });
  Record(script, [] {
    ClickKey("Sizing=Sufficient");
    Next();
  });
  Record(script, [] { PfDriverPressEscape(); });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletpagesize.title", "dlg.bookletpagesize.title", "dlg.bookletbinding.title"}), titles);
  EXPECT_EQ(std::vector<std::string>{Msg("dlg.bookletpagesize.nofit100")}, Errors());
  EXPECT_EQ(Msg("dlg.bookletpagesize.3") + " " + Msg("uiimp.1.doesnotfit"), letterCaption);
  EXPECT_EQ(Msg("uiimp.1.doesnotfit"), feedback);
}

TEST_F(BookletWizard, WithoutADocumentTheSheetPageNeverRefusesForFit) {
  KCabPutAtom(params, "Sizing", Atom("LetterWide"));
  KCabPutBool(params, "NoScale", 1);
  std::string caption;
  PfScript script;
  script.Then([] { Next(); });
  script.Then([&] {
    caption = TextOfId(101);
    Next();
  });
  Record(script, [] { PfDriverPressEscape(); });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletbinding.title"}), titles);
  EXPECT_EQ(Msg("dlg.bookletpagesize.1"), caption);
  EXPECT_TRUE(Errors().empty());
}

TEST_F(BookletWizard, HidingTheAdvancedSettingsResetsThem) {
  KCabPutBool(params, "NewDoc", 0);
  KCabPutDouble(params, "Margin", 30);
  KCabPutAtom(params, "BleedMode", Atom("Ignore"));
  bool advancedShown = false, simpleShownAfter = false;
  std::string margin;
  PfScript script;
  script.Then([&] {
    advancedShown = PfDriverIsVisible(Front(), PfDriverItemByKey(Front(), "NewDoc"));
    ClickKey("Advanced");  // unchecked: asked, and yes
  });
  script.Then([&] {
    simpleShownAfter = PfDriverIsVisible(Front(), PfDriverItemByKey(Front(), "NoQuestions"));
    margin = TextOfId(94);
    Next();
  });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_TRUE(advancedShown) << "open at start: the settings differ from the defaults";
  EXPECT_TRUE(simpleShownAfter);
  EXPECT_EQ("0", margin);
  EXPECT_EQ(std::vector<std::string>{Msg("dlg.bookletprepare.confirmreset")}, capture->texts());
  EXPECT_TRUE(KCabGetBool(params, "NewDoc", 0));
  EXPECT_DOUBLE_EQ(0, KCabGetDouble(params, "Margin", -1));
  EXPECT_FALSE(KCabKnown(params, "BleedMode"));
  EXPECT_FALSE(KCabKnown(params, "Advanced"));
}

TEST_F(BookletWizard, ClassicModeResetsTheAdvancedSettingsAndHasNoBoxForThem) {
  gKVClassic = 1;
  KCabPutDouble(params, "Margin", 30);
  bool hasAdvanced = true;
  PfScript script;
  script.Then([&] {
    hasAdvanced = PfDriverItemByKey(Front(), "Advanced") > 0;
    PfDriverPressEscape();
  });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  gKVClassic = 0;
  EXPECT_FALSE(hasAdvanced);
  EXPECT_DOUBLE_EQ(0, KCabGetDouble(params, "Margin", -1));
}

TEST_F(BookletWizard, TheFirstPageOffersASampleDocumentAndTheCropMarkSetup) {
  bool setupEnabled = true;
  PfScript script;
  Record(script, [] { Press("dlg.bookletprepare.4"); });
  Record(script, [] { PfDriverPressEscape(); });  // the sample dialog
  Record(script, [&] {
    ClickKey("Advanced");
    setupEnabled = PfDriverIsEnabled(Front(), ItemOfId(96));
  });
  script.Then([] { ClickKey("CropMarks"); });
  script.Then([] { Press("dlg.nup2.10"); });
  Record(script, [] {
    PfDriverTypeText(Front(), PfDriverItemByKey(Front(), "CropDist"), "6", true);
    PfDriverPressReturn();  // the crop-mark setup
  });
  Record(script, [] { PfDriverPressEscape(); });
  EXPECT_FALSE(CmdMgrBookletUI(nullptr, params));
  EXPECT_EQ(Pages({"dlg.bookletprepare.title", "dlg.createtest.title", "dlg.bookletprepare.title", "dlg.crop.title",
                   "dlg.bookletprepare.title"}),
            titles);
  EXPECT_FALSE(setupEnabled) << "only with crop marks ticked";
  EXPECT_DOUBLE_EQ(6, KCabGetDouble(params, "CropDist", 0)) << "the setup edits the wizard's parameters";
}

}  // namespace
