// The trim-and-shift command's front end: its definition and describer, the
// creep assistant's arithmetic, and the wizard driven step by step through
// the dialog driver as a user would, with the checks that keep a step open.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "commands/TrimShiftCmd.h"
#include "foundation/Atom.h"
#include "foundation/KCabDump.h"
#include "frame/CmdColl.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtlStock.h"
#include "kctl/PageSizeElem.h"
#include "kctl/KCtlHarness.h"
#include "support/EnglishMessages.h"
#include "support/TestPageSizes.h"
#include "commands/Prefs.h"

namespace {

using namespace kvtest;

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

// The description lines of params, in order.
std::vector<std::string> Describe(SKCab* params) {
  SKCab* lines = CmdMgrTrimAndShiftDescriber(nullptr, params);
  std::vector<std::string> out;
  for (long n = 0; KCabKnownNumKey(lines, n); ++n) out.push_back(KCabGetStringNumKey(lines, n));
  KCabDestroy(lines);
  return out;
}

class TrimShiftEnv : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
};

// ---- Definition

class TrimShiftDefinition : public TrimShiftEnv {};

TEST_F(TrimShiftDefinition, CarriesTheEngineCallbacksDefaultsAndProcedures) {
  SKCab* c = NewCmdMgrForTrimAndShift();
  EXPECT_EQ(Atom("TrimAndShift"), KCabGetAtom(c, "Key", ASAtomNull));
  EXPECT_EQ(Msg("impmenu1.cmd.shiftandtrim"), KCabGetString(c, "Name"));
  EXPECT_EQ(1, KCabGetInt(c, "Version", 0));
  EXPECT_TRUE(KCabGetBool(c, "Control:Props:CanHandleAToA", 0));
  EXPECT_EQ(Msg("pagemg.6.status.trimshift"), KCabGetString(c, "Control:Props:StatusTitle"));
  for (const char* key : {"Control:Start", "Control:PerPage", "Control:Finish", "Control:CheckSource", "Control:Cancelled"})
    EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(c, key, kProcManCallbackType)) << key;
  EXPECT_EQ((KCabFunctionPointer)CmdMgrTrimAndShiftUI, KCabGetFunctionPointerNamedType(c, "UI", kCmdMgrUIProcType));
  EXPECT_EQ((KCabFunctionPointer)CmdMgrTrimAndShiftDescriber,
            KCabGetFunctionPointerNamedType(c, "Describer", kCmdMgrDescriberProcType));
  ASSERT_NE(nullptr, KCabGetString(c, "BatchGroup"));
  // The defaults, in the order the history shows them.
  EXPECT_EQ(
      "{CreepEvery=i:32;NewDoc=b:1;Normalise=a:No;Shift=a:None;ShiftDir=a:Up;ShiftFrom=d:0;ShiftTo=d:0;"
      "Trim=a:None;TrimBy=d:0;TrimEdge=a:Top;}",
      DumpKCab(KCabGetCab(c, "DefaultParams")));
  KCabDestroy(c);
}

// ---- Describer

struct DescribeCase {
  const char* name;
  std::function<void(SKCab*)> set;
  std::vector<std::string> tail;  // the lines after the range lines: message keys, or texts (with blanks)
};
void PrintTo(const DescribeCase& c, std::ostream* os) { *os << c.name; }

class TrimShiftDescriber : public TrimShiftEnv, public ::testing::WithParamInterface<DescribeCase> {};

TEST_P(TrimShiftDescriber, Lines) {
  SKCab* none = KCabNewInner();
  const size_t rangeLines = Describe(none).size() - 3;  // trim, shift and normalise follow the range
  KCabDestroy(none);

  SKCab* c = NewCmdMgrForTrimAndShift();
  SKCab* params = KCabDup(KCabGetCab(c, "DefaultParams"));
  KCabDestroy(c);
  GetParam().set(params);
  std::vector<std::string> lines = Describe(params);
  KCabDestroy(params);
  ASSERT_GE(lines.size(), rangeLines);
  std::vector<std::string> want;
  for (const std::string& t : GetParam().tail) want.push_back(t.find(' ') == std::string::npos ? Msg(t.c_str()) : t);
  EXPECT_EQ(want, std::vector<std::string>(lines.begin() + (long)rangeLines, lines.end()));
}

void Put(SKCab* p, const char* key, const char* word) { KCabPutAtom(p, key, Atom(word)); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimShiftDescriber,
    ::testing::Values(
        DescribeCase{"Defaults", [](SKCab*) {},
                     {"common.desc.newdoc", "uiimp.5.2", "uiimp.5.6", "uiimp.5.10"}},
        DescribeCase{"SmallerLeftInPlace",
                     [](SKCab* p) {
                       KCabPutBool(p, "NewDoc", 0);
                       Put(p, "Trim", "Smaller");
                       Put(p, "TrimEdge", "Left");
                       KCabPutDouble(p, "TrimBy", 12.5);
                     },
                     {"Trim the left edge by 12.5 points", "uiimp.5.6", "uiimp.5.10"}},
        DescribeCase{"BiggerBottomFixedDown",
                     [](SKCab* p) {
                       KCabRemove(p, "NewDoc");  // absent counts as false here
                       Put(p, "Trim", "Bigger");
                       Put(p, "TrimEdge", "Bottom");
                       KCabPutDouble(p, "TrimBy", 9);
                       Put(p, "Shift", "AcroFixed");
                       Put(p, "ShiftDir", "Down");
                       KCabPutDouble(p, "ShiftFrom", 3.25);
                     },
                     {"Extend the bottom edge by 9 points", "Content moved down by 3.25 points", "uiimp.5.10"}},
        DescribeCase{"VariableAndFull",
                     [](SKCab* p) {
                       Put(p, "Shift", "Variable");
                       Put(p, "ShiftDir", "Right");
                       KCabPutDouble(p, "ShiftFrom", 1);
                       KCabPutDouble(p, "ShiftTo", 7.5);
                       Put(p, "Normalise", "Full");
                     },
                     {"common.desc.newdoc", "uiimp.5.2",
                      "Content moved right by 1 points on the first page to 7.5 points on the last",
                      "uiimp.5.11"}},
        DescribeCase{"Creep",
                     [](SKCab* p) {
                       Put(p, "Shift", "Creep");
                       KCabPutInt(p, "CreepEvery", 16);
                       KCabPutDouble(p, "ShiftFrom", 0);
                       KCabPutDouble(p, "ShiftTo", -0.8);
                     },
                     {"common.desc.newdoc", "uiimp.5.2",
                      "Creep made up for in groups of 16 pages: 0 points outermost, -0.8 points innermost",
                      "uiimp.5.10"}},
        DescribeCase{"UnknownWordsReadAsNone",
                     [](SKCab* p) {
                       Put(p, "Trim", "Sideways");
                       Put(p, "Shift", "Wobble");
                       Put(p, "Normalise", "No");
                     },
                     {"common.desc.newdoc", "uiimp.5.2", "uiimp.5.6", "uiimp.5.10"}}));

TEST_F(TrimShiftEnv, UniformLineIsTheTextFollowedByTheSize) {
  TestPageSizes::Install();
  SKCab* p = KCabNewInner();
  Put(p, "Trim", "Uniform");
  STemplateInfo t{};
  t.blank = 1;
  t.width = 300 << 16;
  t.height = 400 << 16;
  ExportPageSizeFromTemplateInfo(p, "FixedSize", &t);
  char size[1000];
  ASSERT_TRUE(ExportedPageSizeFormat(p, "FixedSize", 1, size, sizeof size));
  std::vector<std::string> lines = Describe(p);
  KCabDestroy(p);
  TestPageSizes::Uninstall();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Msg("uiimp.5.5") + size, lines[lines.size() - 3]);
}

TEST_F(TrimShiftEnv, DescriptionNumbersKeepTheirDecimalPointInAnyLocale) {
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
    GTEST_SKIP() << "no comma-decimal locale installed";
  SKCab* p = KCabNewInner();
  Put(p, "Shift", "Fixed");
  Put(p, "ShiftDir", "Up");
  KCabPutDouble(p, "ShiftFrom", 2.5);
  std::vector<std::string> lines = Describe(p);
  std::setlocale(LC_NUMERIC, "C");
  KCabDestroy(p);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ("Content moved up by 2.5 points", lines[lines.size() - 2]);
}

// ---- Creep assistant arithmetic

struct ToAssistantCase {
  const char* name;
  bool hasEvery;
  ASInt32 every;
  double from, to;
  bool whole, usePT;
  ASInt32 sig;
  double pt, ws;  // ws < 0: not written
  bool mim;
};
void PrintTo(const ToAssistantCase& c, std::ostream* os) { *os << c.name; }
class CreepToAssistant : public TrimShiftEnv, public ::testing::WithParamInterface<ToAssistantCase> {};

TEST_P(CreepToAssistant, Translates) {
  const ToAssistantCase& c = GetParam();
  SKCab* trim = KCabNewInner();
  SKCab* a = KCabNewInner();
  if (c.hasEvery) KCabPutInt(trim, "CreepEvery", c.every);
  KCabPutDouble(trim, "ShiftFrom", c.from);
  KCabPutDouble(trim, "ShiftTo", c.to);
  TranslateTrimShiftParamsToCreepAssistantParams(trim, a);
  EXPECT_EQ(c.whole, (bool)KCabGetBool(a, "UseWholeDoc", 9));
  EXPECT_EQ(c.usePT, (bool)KCabGetBool(a, "UsePT", 9));
  EXPECT_EQ(c.sig, KCabGetInt(a, "SigSize", 0));
  EXPECT_DOUBLE_EQ(c.pt, KCabGetDouble(a, "PT", -1));
  if (c.ws >= 0) {
    EXPECT_DOUBLE_EQ(c.ws, KCabGetDouble(a, "WS", -1));
  } else {
    EXPECT_FALSE(KCabKnown(a, "WS"));
  }
  EXPECT_EQ(c.mim, (bool)KCabGetBool(a, "MIM", 9));
  KCabDestroy(trim);
  KCabDestroy(a);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreepToAssistant,
    ::testing::Values(
        ToAssistantCase{"Signatures16", true, 16, 2, 0, false, false, 16, 0.5, 2, false},
        ToAssistantCase{"WholeDocument", true, -4, 0, -3, true, true, 16, 3, -1, true},
        ToAssistantCase{"AbsentCountIsWholeDocument", false, 0, 1, 0, true, true, 16, 1, -1, false},
        ToAssistantCase{"ZeroCountDividesByOne", true, 0, 0.5, 0, false, false, 0, 2, 0.5, false},
        ToAssistantCase{"NegativeCountDividesByOne", true, -8, 1, 0, false, false, -8, 4, 1, false},
        ToAssistantCase{"InnerMovesWhenItsShiftIsLarger", true, 8, -1, 3, false, false, 8, 2, 4, true}));

struct FromAssistantCase {
  const char* name;
  std::function<void(SKCab*)> set;
  ASInt32 every;
  double from, to;
  bool internalError;
};
void PrintTo(const FromAssistantCase& c, std::ostream* os) { *os << c.name; }
class CreepFromAssistant : public TrimShiftEnv, public ::testing::WithParamInterface<FromAssistantCase> {};

TEST_P(CreepFromAssistant, Translates) {
  const FromAssistantCase& c = GetParam();
  AVAlertRecordStart();
  SKCab* a = KCabNewInner();
  SKCab* trim = KCabNewInner();
  Put(trim, "Shift", "Fixed");
  c.set(a);
  TranslateCreepAssistantParamsToTrimShiftParams(a, trim);
  EXPECT_EQ(Atom("Creep"), KCabGetAtom(trim, "Shift", ASAtomNull));
  EXPECT_EQ(c.every, KCabGetInt(trim, "CreepEvery", 12345));
  EXPECT_NEAR(c.from, KCabGetDouble(trim, "ShiftFrom", -99), 1e-12);
  EXPECT_NEAR(c.to, KCabGetDouble(trim, "ShiftTo", -99), 1e-12);
  EXPECT_FALSE(std::signbit(KCabGetDouble(trim, c.to == 0 ? "ShiftTo" : "ShiftFrom", -99)))
      << "a zero shift is written as 0, never -0";
  std::vector<std::string> seen;
  for (const AVAlertRecord& r : AVAlertRecorded()) seen.push_back(r.message);
  EXPECT_EQ(c.internalError ? std::vector<std::string>{"Internal error 1 in creep assistant"}
                            : std::vector<std::string>{},
            seen);
  AVAlertRecordStop();
  KCabDestroy(a);
  KCabDestroy(trim);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreepFromAssistant,
    ::testing::Values(
        FromAssistantCase{"Signatures32Thickness",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 0);
                            KCabPutInt(a, "SigSize", 32);
                            KCabPutBool(a, "UsePT", 1);
                            KCabPutDouble(a, "PT", 0.1);
                            KCabPutBool(a, "MIM", 0);
                          },
                          32, 0.8, 0, false},
        FromAssistantCase{"Signatures16TotalShift",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 0);
                            KCabPutInt(a, "SigSize", 16);
                            KCabPutBool(a, "UsePT", 0);
                            KCabPutDouble(a, "WS", 2);
                            KCabPutBool(a, "MIM", 0);
                          },
                          16, 2, 0, false},
        FromAssistantCase{"WholeDocumentInnerMoves",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 1);
                            KCabPutBool(a, "UsePT", 1);
                            KCabPutDouble(a, "PT", 3);
                            KCabPutBool(a, "MIM", 1);
                          },
                          -4, 0, -3, false},
        FromAssistantCase{"EmptyIsWholeDocumentOfNothing", [](SKCab*) {}, -4, 0, 0, false},
        FromAssistantCase{"ThicknessWithoutSizeTakes16",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 0);
                            KCabPutDouble(a, "PT", 0.25);
                            KCabPutBool(a, "MIM", 0);
                          },
                          16, 1, 0, false},
        FromAssistantCase{"TotalShiftWithoutSizeTakes4",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 0);
                            KCabPutBool(a, "UsePT", 0);
                            KCabPutDouble(a, "WS", 1.5);
                          },
                          4, 0, -1.5, false},
        FromAssistantCase{"TotalShiftForTheWholeDocumentIsReported",
                          [](SKCab* a) {
                            KCabPutBool(a, "UseWholeDoc", 1);
                            KCabPutBool(a, "UsePT", 0);
                            KCabPutDouble(a, "WS", 2);
                            KCabPutBool(a, "MIM", 0);
                          },
                          -4, 2, 0, true}));

TEST_F(TrimShiftEnv, AssistantRoundTripKeepsTheShifts) {
  struct {
    ASInt32 every;
    double from, to;
  } cases[] = {{16, 2, 0}, {-4, 0, -3}, {32, 0, -0.8}, {8, 1.5, 0}};
  for (const auto& c : cases) {
    SKCab* trim = KCabNewInner();
    SKCab* a = KCabNewInner();
    KCabPutInt(trim, "CreepEvery", c.every);
    KCabPutDouble(trim, "ShiftFrom", c.from);
    KCabPutDouble(trim, "ShiftTo", c.to);
    TranslateTrimShiftParamsToCreepAssistantParams(trim, a);
    SKCab* back = KCabNewInner();
    TranslateCreepAssistantParamsToTrimShiftParams(a, back);
    EXPECT_EQ(c.every, KCabGetInt(back, "CreepEvery", 0)) << c.every;
    EXPECT_NEAR(c.from, KCabGetDouble(back, "ShiftFrom", -99), 1e-9) << c.every;
    EXPECT_NEAR(c.to, KCabGetDouble(back, "ShiftTo", -99), 1e-9) << c.every;
    KCabDestroy(trim);
    KCabDestroy(a);
    KCabDestroy(back);
  }
}

// ---- The wizard
//
// The driver posts a gesture's events; they are handled once the script step
// that posted them returns. A gesture that shows or hides what the next one
// needs therefore ends its step.

class TrimShiftWizard : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    TestPageSizes::Install();
    AVAppSetPreference(avpPageUnits, reinterpret_cast<void*>(intptr_t{0}));  // points: typed is stored
    SKCab* c = NewCmdMgrForTrimAndShift();
    params = KCabDup(KCabGetCab(c, "DefaultParams"));
    KCabDestroy(c);
  }
  void TearDown() override {
    KCabDestroy(params);
    if (view) AVDocClose(view, 1);
    TrimShiftTermDialogs();
    TestPageSizes::Uninstall();
    KCtlFixture::TearDown();
  }

  // A front document of n pages.
  void OpenFront(ASInt32 n) {
    PDDoc doc = PDDocCreate();
    for (ASInt32 i = 0; i < n; ++i) PDPageRelease(PDDocCreatePage(doc, i - 1, ASFixedRect{0, 792 << 16, 612 << 16, 0}));
    view = AVDocOpenFromPDDoc(doc, nullptr);
  }

  static std::string Title() { return PfGetWindowTitleUTF8(PfGetDialogWindow(Front())); }
  static void Press(const char* key) { ASSERT_TRUE(PfDriverPressButton(Front(), Msg(key).c_str())) << key; }
  static void ClickKey(const char* key) { ASSERT_TRUE(PfDriverClickItem(Front(), ItemOfKey(key), 0)) << key; }
  static void TypeKey(const char* key, const char* text) {
    ASSERT_TRUE(PfDriverTypeText(Front(), ItemOfKey(key), text, true)) << key;
  }
  static bool Visible(ASInt32 id) {
    SKCtlElem* e = KCtlPlatformGetElemFromControlId(FrontData(), id);
    return e && KCtlElemIsVisible(FrontData(), e);
  }
  static std::string TextOfId(ASInt32 id) { return PfText(Front(), ItemOfId(id)); }
  static int ValueOfKey(const char* key) { return PfDriverGetValue(Front(), ItemOfKey(key)); }

  std::vector<std::string> Alerts() const {
    std::vector<std::string> out;
    for (const AVAlertRecord& r : AVAlertRecorded()) out.push_back(r.message);
    return out;
  }

  // Next on steps 1 and 2.
  static void ToStep3(PfScript& script) {
    script.Then([] { Press("common.button.next"); });
    script.Then([] { Press("common.button.next"); });
  }
  ASBool Run() { return CmdMgrTrimAndShiftUI(nullptr, params); }

  SKCab* params = nullptr;
  AVDoc view = nullptr;
};

TEST_F(TrimShiftWizard, StepsGoForwardAndBackKeepingTheValues) {
  OpenFront(4);
  PfScript script;
  std::vector<std::string> titles;
  bool backDisabledOnStep1 = false;
  int newDocOnReturn = -1, smallerOnReturn = -1;
  std::string byOnReturn;
  script.Then([&] {
    titles.push_back(Title());
    backDisabledOnStep1 = !PfDriverIsEnabled(Front(), ItemOfId(kTrimShiftBackId));
    PfDriverSetChecked(Front(), ItemOfKey("NewDoc"), false);
    Press("common.button.next");
  });
  script.Then([&] {
    titles.push_back(Title());
    ClickKey("Trim=Smaller");
  });
  script.Then([&] {
    ClickKey("TrimEdge=Left");
    TypeKey("TrimBy", "18");
    Press("common.button.back");
  });
  script.Then([&] {
    titles.push_back(Title());
    newDocOnReturn = ValueOfKey("NewDoc");
    Press("common.button.next");
  });
  script.Then([&] {
    smallerOnReturn = ValueOfKey("Trim=Smaller");
    byOnReturn = PfText(Front(), ItemOfKey("TrimBy"));
    Press("common.button.next");
  });
  script.Then([&] {
    titles.push_back(Title());
    ClickKey("Shift=Fixed");
  });
  script.Then([&] {
    ClickKey("ShiftDir=Right");
    TypeKey("ShiftFrom", "4.5");
    Press("common.button.finish");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(0u, script.pending());
  EXPECT_TRUE(backDisabledOnStep1);
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.trim1.title"), Msg("dlg.trim2.title"), Msg("dlg.trim1.title"),
                                      Msg("dlg.trim3.title")}),
            titles);
  EXPECT_EQ(0, newDocOnReturn);
  EXPECT_EQ(1, smallerOnReturn);
  EXPECT_EQ("18", byOnReturn);
  EXPECT_FALSE(KCabGetBool(params, "NewDoc", 1));
  EXPECT_EQ(Atom("Smaller"), KCabGetAtom(params, "Trim", ASAtomNull));
  EXPECT_EQ(Atom("Left"), KCabGetAtom(params, "TrimEdge", ASAtomNull));
  EXPECT_DOUBLE_EQ(18, KCabGetDouble(params, "TrimBy", 0));
  EXPECT_EQ(Atom("Fixed"), KCabGetAtom(params, "Shift", ASAtomNull));
  EXPECT_EQ(Atom("Right"), KCabGetAtom(params, "ShiftDir", ASAtomNull));
  EXPECT_DOUBLE_EQ(4.5, KCabGetDouble(params, "ShiftFrom", 0));
  EXPECT_FALSE(KCabKnown(params, "Requires"));
  EXPECT_TRUE(Alerts().empty());
}

TEST_F(TrimShiftWizard, CancelOnAnyStepAnswersFalse) {
  OpenFront(2);
  KCabPutAtom(params, "Trim", Atom("Smaller"));
  KCabPutDouble(params, "TrimBy", 1);
  for (int cancelAt = 0; cancelAt < 3; ++cancelAt) {
    PfScript script;
    for (int s = 0; s < cancelAt; ++s) script.Then([] { Press("common.button.next"); });
    script.Then([] { PfDriverPressEscape(); });
    EXPECT_FALSE(Run()) << cancelAt;
    EXPECT_EQ(0u, script.pending());
  }
}

TEST_F(TrimShiftWizard, OptionsStoreNormaliseIntoTheParameters) {
  OpenFront(2);
  PfScript script;
  std::string optionsTitle, backOn;
  script.Then([] { Press("dlg.trim1.4"); });
  script.Then([&] {
    optionsTitle = Title();
    ClickKey("Normalise=Full");
    Press("common.button.ok");
  });
  script.Then([&] {
    backOn = Title();
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Msg("dlg.trimoptions.title"), optionsTitle);
  EXPECT_EQ(Msg("dlg.trim1.title"), backOn);
  EXPECT_EQ(Atom("Full"), KCabGetAtom(params, "Normalise", ASAtomNull));
}

// Step 1's checks.
TEST_F(TrimShiftWizard, Step1RefusesNoPagesWhenInteractiveOnly) {
  PfScript script;  // no front document: no page to work on
  script.Then([] { Press("common.button.next"); });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(Run());
  EXPECT_EQ(std::vector<std::string>{Msg("uiimp.5.willtrimnopages")}, Alerts());

  AVAlertClearRecorded();
  KCabPutBool(params, "Interactive", 0);
  std::string reached;
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    reached = Title();
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Msg("dlg.trim2.title"), reached);
  EXPECT_TRUE(Alerts().empty());
}

TEST_F(TrimShiftWizard, Step1RefusesTheCurrentPageIntoANewDocument) {
  OpenFront(3);
  KCabPutAtom(params, "Source:Range:RangeType", Atom("CurrentPage"));
  PfScript script;
  std::string after, inPlace;
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    after = Title();
    PfDriverSetChecked(Front(), ItemOfKey("NewDoc"), false);
    Press("common.button.next");
  });
  script.Then([&] {
    inPlace = Title();
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Msg("dlg.trim1.title"), after);
  EXPECT_EQ(Msg("dlg.trim2.title"), inPlace) << "in place, the current page is fine";
  EXPECT_EQ(std::vector<std::string>{Msg("uiimp.5.1")}, Alerts());
}

TEST_F(TrimShiftWizard, Step1AsksBeforeCopyingMorePagesThanItChanges) {
  OpenFront(4);
  KCabPutAtom(params, "Source:Range:RangeType", Atom("SubDoc"));
  KCabPutInt(params, "Source:Range:From", 1);
  KCabPutInt(params, "Source:Range:To", 2);
  PfScript script;
  std::vector<std::string> titles;
  AVAlertQueueAnswer(2);  // no: the step stays
  AVAlertQueueAnswer(1);  // yes: on to step 2
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    titles.push_back(Title());
    Press("common.button.next");
  });
  script.Then([&] {
    titles.push_back(Title());
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.trim1.title"), Msg("dlg.trim2.title")}), titles);
  EXPECT_EQ((std::vector<std::string>{Msg("uiimp.5.confirm.copyprocesssubset"),
                                      Msg("uiimp.5.confirm.copyprocesssubset")}),
            Alerts());

  // Every page: nothing to ask.
  AVAlertClearRecorded();
  KCabPutAtom(params, "Source:Range:RangeType", Atom("AllDoc"));
  script.Then([] { Press("common.button.next"); });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(Run());
  EXPECT_TRUE(Alerts().empty());
}

// Step 2's checks and panels, on the values the step loads.
struct Step2Case {
  const char* name;
  const char* trim;
  double by;
  bool edgePanel, sizePanel;
  const char* label;  // the wording of label 207 when the edge panel shows
  const char* error;  // null: Next goes on
};
void PrintTo(const Step2Case& c, std::ostream* os) { *os << c.name; }
class TrimShiftStep2 : public TrimShiftWizard, public ::testing::WithParamInterface<Step2Case> {};

TEST_P(TrimShiftStep2, PanelsAndCheck) {
  const Step2Case& c = GetParam();
  OpenFront(2);
  KCabPutAtom(params, "Trim", Atom(c.trim));
  KCabPutDouble(params, "TrimBy", c.by);
  KCabRemove(params, "FixedSize");
  PfScript script;
  bool edge = false, size = false, stillOpen = false;
  std::string label;
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    edge = Visible(kTrimShiftEdgePanelId);
    size = Visible(kTrimShiftFixedSizePanelId);
    label = TextOfId(kTrimShiftTrimByLabelId);
    Press("common.button.next");
  });
  script.Then([&] {
    stillOpen = Title() == Msg("dlg.trim2.title");
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(c.edgePanel, edge);
  EXPECT_EQ(c.sizePanel, size);
  if (c.label) {
    EXPECT_EQ(Msg(c.label), label);
  }
  EXPECT_EQ(c.error != nullptr, stillOpen);
  EXPECT_EQ(c.error ? std::vector<std::string>{Msg(c.error)} : std::vector<std::string>{}, Alerts());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimShiftStep2,
    ::testing::Values(Step2Case{"None", "None", 0, false, false, nullptr, nullptr},
                      Step2Case{"Smaller", "Smaller", 5, true, false, "uiimp.5.trimby", nullptr},
                      Step2Case{"Bigger", "Bigger", 5, true, false, "uiimp.5.expandby", nullptr},
                      Step2Case{"SmallerByNothing", "Smaller", 0, true, false, "uiimp.5.trimby", "uiimp.5.trimzero"},
                      Step2Case{"BiggerByNothing", "Bigger", 0, true, false, "uiimp.5.expandby", "uiimp.5.trimzero"}));

TEST_F(TrimShiftWizard, Step2PanelsFollowTheRadios) {
  OpenFront(2);
  PfScript script;
  std::vector<std::string> seen;
  auto note = [&](const char* what) {
    seen.push_back(std::string(what) + ":" + (Visible(kTrimShiftEdgePanelId) ? "E" : "-") +
                   (Visible(kTrimShiftFixedSizePanelId) ? "S" : "-"));
  };
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    note("None");
    ClickKey("Trim=Uniform");
  });
  script.Then([&] {
    note("Uniform");
    ClickKey("Trim=Bigger");
  });
  script.Then([&] {
    note("Bigger");
    seen.push_back(TextOfId(kTrimShiftTrimByLabelId));
    ClickKey("Trim=Smaller");
  });
  script.Then([&] {
    note("Smaller");
    seen.push_back(TextOfId(kTrimShiftTrimByLabelId));
    ClickKey("Trim=None");
  });
  script.Then([&] {
    note("None");
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ((std::vector<std::string>{"None:--", "Uniform:-S", "Bigger:E-", Msg("uiimp.5.expandby"), "Smaller:E-",
                                      Msg("uiimp.5.trimby"), "None:--"}),
            seen);
}

TEST_F(TrimShiftWizard, Step2UniformNeedsASizeAndKeepsTheOneChosen) {
  OpenFront(2);
  KCabPutAtom(params, "Trim", Atom("Uniform"));
  KCabPutAtom(params, "Shift", Atom("None"));
  PfScript script;
  std::string a4;
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    // The list starts with the more-choices entry; then the sizes by name.
    ASSERT_TRUE(PfDriverChoosePopup(Front(), ItemOfKey("FixedSize"), 2));
  });
  script.Then([&] {
    a4 = Title();
    Press("common.button.next");
  });
  script.Then([] { Press("common.button.finish"); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(Msg("dlg.trim2.title"), a4);
  double w = 0, h = 0;
  ASSERT_TRUE(ExportedPageSizeGetBlankSizeWithForcedOrientation(params, "FixedSize", &w, &h));
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_TRUE(Alerts().empty());
}

TEST_F(TrimShiftWizard, Step2TakesASizeOfNothingForNoSize) {
  OpenFront(2);
  KCabPutAtom(params, "Trim", Atom("Uniform"));
  STemplateInfo t{};
  t.blank = 1;  // 0 x 0: the engine would leave every page as it is
  ASSERT_TRUE(ExportPageSizeFromTemplateInfo(params, "FixedSize", &t));
  PfScript script;
  std::string stayed;
  script.Then([] { Press("common.button.next"); });
  script.Then([] { Press("common.button.next"); });
  script.Then([&] {
    stayed = Title();
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Msg("dlg.trim2.title"), stayed);
  EXPECT_EQ(std::vector<std::string>{Msg("pagesizes.err.mustselect")}, Alerts());
}

// Step 3's checks: what Finish does with the values the step holds.
struct Step3Case {
  const char* name;
  const char* trim;
  const char* shift;
  ASInt32 every;
  double from, to;
  ASInt32 confirmAnswer;  // 0: no question expected
  std::vector<const char*> messages;
  bool finishes;
};
void PrintTo(const Step3Case& c, std::ostream* os) { *os << c.name; }
class TrimShiftStep3 : public TrimShiftWizard, public ::testing::WithParamInterface<Step3Case> {};

TEST_P(TrimShiftStep3, Check) {
  const Step3Case& c = GetParam();
  OpenFront(8);
  KCabPutAtom(params, "Trim", Atom(c.trim));
  KCabPutDouble(params, "TrimBy", 5);
  KCabPutAtom(params, "Shift", Atom(c.shift));
  KCabPutInt(params, "CreepEvery", c.every);
  KCabPutDouble(params, "ShiftFrom", c.from);
  KCabPutDouble(params, "ShiftTo", c.to);
  if (c.confirmAnswer) AVAlertQueueAnswer(c.confirmAnswer);
  PfScript script;
  bool stillOpen = false;
  ToStep3(script);
  script.Then([] { Press("common.button.finish"); });
  script.Then([&] {
    stillOpen = true;
    PfDriverPressEscape();
  });
  EXPECT_EQ(c.finishes, (bool)Run());
  EXPECT_EQ(!c.finishes, stillOpen);
  std::vector<std::string> want;
  for (const char* k : c.messages) want.push_back(Msg(k));
  EXPECT_EQ(want, Alerts());
  if (c.finishes) {
    const bool needed = std::string(c.shift) == "Creep" && c.every < 0;
    EXPECT_EQ(needed, (bool)KCabKnown(params, "Requires"));
    if (needed) {
      EXPECT_STREQ(kTrimShiftWholeDocCreepRequires, KCabGetString(params, "Requires"));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimShiftStep3,
    ::testing::Values(
        Step3Case{"Creep3", "None", "Creep", 3, 2, 0, 0, {}, true},
        Step3Case{"CreepWholeDocument", "None", "Creep", -4, 0, -3, 0, {}, true},
        Step3Case{"Creep2", "None", "Creep", 2, 2, 0, 0, {"uiimp.5.creeptoofewpages"}, false},
        Step3Case{"Creep0", "None", "Creep", 0, 2, 0, 0, {"uiimp.5.creeptoofewpages"}, false},
        Step3Case{"CreepMinus3", "None", "Creep", -3, 2, 0, 0, {"uiimp.5.creeptoofewpages"}, false},
        Step3Case{"CreepBackwardsYes", "None", "Creep", 16, 0, 5, 1, {"uiimp.5.confirm.creepbackwards"}, true},
        Step3Case{"CreepBackwardsNo", "None", "Creep", 16, 0, 5, 2, {"uiimp.5.confirm.creepbackwards"}, false},
        Step3Case{"CreepOfNothing", "None", "Creep", 16, 0, 0, 0, {"uiimp.5.shiftbothzero"}, false},
        Step3Case{"NothingAtAll", "None", "None", 32, 0, 0, 0, {"uiimp.5.noshiftortrim"}, false},
        Step3Case{"TrimOnly", "Smaller", "None", 32, 0, 0, 0, {}, true},
        Step3Case{"FixedByNothing", "None", "Fixed", 32, 0, 4, 0, {"uiimp.5.shiftfixedzero"}, false},
        Step3Case{"Fixed", "None", "Fixed", 32, 3, 0, 0, {}, true},
        Step3Case{"VariableByNothing", "None", "Variable", 32, 0, 0, 0, {"uiimp.5.shiftbothzero"}, false},
        Step3Case{"Variable", "None", "Variable", 32, 0, 6, 0, {}, true}));

TEST_F(TrimShiftWizard, TooFewCreepPagesSelectsTheCount) {
  OpenFront(8);
  KCabPutAtom(params, "Shift", Atom("Creep"));
  KCabPutInt(params, "CreepEvery", 16);
  KCabPutDouble(params, "ShiftFrom", 2);
  PfScript script;
  ToStep3(script);
  script.Then([] {
    TypeKey("CreepEvery", "2");
    Press("common.button.finish");
  });
  // The count is selected: what is typed now replaces it.
  script.Then([] {
    PfDriverKey('8', 0);
    Press("common.button.finish");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(8, KCabGetInt(params, "CreepEvery", 0));
  EXPECT_EQ(std::vector<std::string>{Msg("uiimp.5.creeptoofewpages")}, Alerts());
}

TEST_F(TrimShiftWizard, AStaleRequirementGoesWhenTheCreepNoLongerNeedsIt) {
  OpenFront(2);
  KCabPutStringCopy(params, "Requires", kTrimShiftWholeDocCreepRequires);
  KCabPutAtom(params, "Shift", Atom("Fixed"));
  KCabPutDouble(params, "ShiftFrom", 2);
  PfScript script;
  ToStep3(script);
  script.Then([] { Press("common.button.finish"); });
  EXPECT_TRUE(Run());
  EXPECT_FALSE(KCabKnown(params, "Requires"));
}

// Step 3's panels: what each shift shows, also after another was chosen.
struct PanelsCase {
  const char* name;
  const char* loaded;  // the shift the parameters hold
  ASInt32 every;
  const char* clicked;  // then chosen by the user (null: none)
  const char* visible;  // D direction, A assistant, C count, W whole, F from row, T to row
  const char* fromLabel;
  const char* toLabel;
};
void PrintTo(const PanelsCase& c, std::ostream* os) { *os << c.name; }
class TrimShiftStep3Panels : public TrimShiftWizard, public ::testing::WithParamInterface<PanelsCase> {};

TEST_P(TrimShiftStep3Panels, Show) {
  const PanelsCase& c = GetParam();
  OpenFront(2);
  KCabPutAtom(params, "Shift", Atom(c.loaded));
  KCabPutInt(params, "CreepEvery", c.every);
  std::string visible, fromLabel, toLabel, countLabel;
  PfScript script;
  ToStep3(script);
  script.Then([&] {
    if (c.clicked) ClickKey((std::string("Shift=") + c.clicked).c_str());
  });
  script.Then([&] {
    const struct {
      ASInt32 id;
      char letter;
    } panels[] = {{kTrimShiftDirectionPanelId, 'D'}, {kTrimShiftAssistantPanelId, 'A'},
                  {kTrimShiftCreepCountPanelId, 'C'}, {kTrimShiftWholeDocPanelId, 'W'},
                  {kTrimShiftFromRowId, 'F'},         {kTrimShiftToRowId, 'T'}};
    for (const auto& p : panels)
      if (Visible(p.id)) visible += p.letter;
    fromLabel = TextOfId(kTrimShiftFromLabelId);
    toLabel = TextOfId(kTrimShiftToLabelId);
    countLabel = TextOfId(kTrimShiftCreepCountLabelId);
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  EXPECT_EQ(c.visible, visible);
  if (c.fromLabel) {
    EXPECT_EQ(Msg(c.fromLabel), fromLabel);
  }
  if (c.toLabel) {
    EXPECT_EQ(Msg(c.toLabel), toLabel);
  }
  if (std::string(c.visible).find('C') != std::string::npos) {
    EXPECT_EQ(Msg("dlg.trim3.11"), countLabel);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrimShiftStep3Panels,
    ::testing::Values(
        PanelsCase{"None", "None", 32, nullptr, "A", nullptr, nullptr},
        PanelsCase{"Fixed", "Fixed", 32, nullptr, "DF", "uiimp.5.shiftby", nullptr},
        PanelsCase{"Variable", "Variable", 32, nullptr, "DFT", "uiimp.5.shiftfirstby", "uiimp.5.shiftlastby"},
        PanelsCase{"CreepInGroups", "Creep", 16, nullptr, "ACFT", "uiimp.5.shiftoutsideby", "uiimp.5.shiftinsideby"},
        PanelsCase{"CreepWholeDocument", "Creep", -4, nullptr, "AWFT", "uiimp.5.shiftoutsideby",
                   "uiimp.5.shiftinsideby"},
        PanelsCase{"CreepThenFixed", "Creep", 16, "Fixed", "DF", "uiimp.5.shiftby", nullptr},
        PanelsCase{"FixedThenCreep", "Fixed", 16, "Creep", "ACFT", "uiimp.5.shiftoutsideby", "uiimp.5.shiftinsideby"},
        PanelsCase{"VariableThenNone", "Variable", 16, "None", "A", nullptr, nullptr},
        PanelsCase{"NoneThenCreepWhole", "None", -4, "Creep", "AWFT", "uiimp.5.shiftoutsideby",
                   "uiimp.5.shiftinsideby"}));

// The creep assistant, opened from step 3.
TEST_F(TrimShiftWizard, AssistantOpensOnTheStepsValuesAndOKWritesThemBack) {
  OpenFront(2);
  KCabPutAtom(params, "Shift", Atom("Creep"));
  KCabPutInt(params, "CreepEvery", 8);
  PfScript script;
  std::string sig, ws, title, every, from, to;
  int usePT = -1, mim = -1;
  bool wsShown = false, ptShown = true, totalDisabled = false, thicknessChosen = false, wholeShown = false,
       countShown = true;
  ToStep3(script);
  script.Then([] {
    // What the user typed counts, not only what the step opened with.
    TypeKey("CreepEvery", "16");
    TypeKey("ShiftFrom", "2");
    TypeKey("ShiftTo", "0");
    Press("dlg.trim3.71");
  });
  script.Then([&] {
    title = Title();
    sig = PfText(Front(), ItemOfKey("SigSize"));
    ws = PfText(Front(), ItemOfKey("WS"));
    usePT = ValueOfKey("UsePT=true");
    mim = ValueOfKey("MIM=true");
    wsShown = PfDriverIsVisible(Front(), ItemOfKey("WS"));
    ptShown = PfDriverIsVisible(Front(), ItemOfKey("PT"));
    ClickKey("UseWholeDoc=true");
  });
  script.Then([&] {
    // The whole document goes with the thickness only.
    thicknessChosen = ValueOfKey("UsePT=true") == 1;
    totalDisabled = !PfDriverIsEnabled(Front(), ItemOfKey("UsePT=false"));
    TypeKey("PT", "3");
    ClickKey("MIM=true");
    Press("common.button.ok");
  });
  script.Then([&] {
    every = PfText(Front(), ItemOfKey("CreepEvery"));
    from = PfText(Front(), ItemOfKey("ShiftFrom"));
    to = PfText(Front(), ItemOfKey("ShiftTo"));
    wholeShown = Visible(kTrimShiftWholeDocPanelId);
    countShown = Visible(kTrimShiftCreepCountPanelId);
    Press("common.button.finish");
  });
  EXPECT_TRUE(Run());
  EXPECT_EQ(Msg("dlg.creepassistant.title"), title);
  EXPECT_EQ("16", sig);
  EXPECT_EQ("2", ws);
  EXPECT_EQ(0, usePT);
  EXPECT_EQ(0, mim);
  EXPECT_TRUE(wsShown);
  EXPECT_FALSE(ptShown);
  EXPECT_TRUE(thicknessChosen);
  EXPECT_TRUE(totalDisabled);
  EXPECT_EQ("-4", every);
  EXPECT_EQ("0", from);
  EXPECT_EQ("-3", to);
  EXPECT_TRUE(wholeShown);
  EXPECT_FALSE(countShown);
  EXPECT_EQ(-4, KCabGetInt(params, "CreepEvery", 0));
  EXPECT_DOUBLE_EQ(0, KCabGetDouble(params, "ShiftFrom", 99));
  EXPECT_DOUBLE_EQ(-3, KCabGetDouble(params, "ShiftTo", 99));
  EXPECT_STREQ(kTrimShiftWholeDocCreepRequires, KCabGetString(params, "Requires"));
}

TEST_F(TrimShiftWizard, AssistantTurnsAnotherShiftIntoCreepAndCancelLeavesTheStep) {
  OpenFront(2);
  KCabPutAtom(params, "Shift", Atom("Fixed"));
  KCabPutDouble(params, "ShiftFrom", 7);
  PfScript script;
  int noneAfterCancel = -1;
  ToStep3(script);
  script.Then([] { ClickKey("Shift=None"); });  // the assistant's button shows with no shift
  script.Then([] { Press("dlg.trim3.71"); });
  script.Then([] { PfDriverPressEscape(); });
  script.Then([&] {
    noneAfterCancel = ValueOfKey("Shift=None");
    Press("dlg.trim3.71");
  });
  script.Then([] { ClickKey("UseWholeDoc=false"); });
  script.Then([] { ClickKey("UsePT=true"); });
  script.Then([] {
    TypeKey("SigSize", "32");
    TypeKey("PT", "0.1");
    ClickKey("MIM=false");
    Press("common.button.ok");
  });
  script.Then([] { Press("common.button.finish"); });
  EXPECT_TRUE(Run());
  EXPECT_EQ(1, noneAfterCancel);
  EXPECT_EQ(Atom("Creep"), KCabGetAtom(params, "Shift", ASAtomNull));
  EXPECT_EQ(32, KCabGetInt(params, "CreepEvery", 0));
  EXPECT_NEAR(0.8, KCabGetDouble(params, "ShiftFrom", 99), 1e-9);
  EXPECT_DOUBLE_EQ(0, KCabGetDouble(params, "ShiftTo", 99));
  EXPECT_FALSE(KCabKnown(params, "Requires"));
}

TEST_F(TrimShiftWizard, ClassicModeLeavesTheAssistantOut) {
  OpenFront(2);
  const ASBool saved = gKVClassic2;
  gKVClassic2 = 1;
  TrimShiftTermDialogs();
  PfScript script;
  int16_t button = -1;
  ToStep3(script);
  script.Then([&] {
    button = PfDriverItemByCaption(Front(), Msg("dlg.trim3.71").c_str());
    PfDriverPressEscape();
  });
  EXPECT_FALSE(Run());
  gKVClassic2 = saved;
  EXPECT_EQ(0, button);
}

}  // namespace
