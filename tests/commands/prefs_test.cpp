// The general preferences: applying cabinets to the switches, the stored
// "Last:General", the per-imposition overrides and their descriptions, and
// the preferences dialogs driven through the platform's dialog driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "commands/Prefs.h"
#include "engine/EnginePrefs.h"
#include "engine/PageMerge.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/KCabPersist.h"
#include "foundation/Language.h"
#include "frame/CommandModules.h"
#include "frame/KVCommands.h"
#include "host/AV.h"
#include "host/ASExtension.h"
#include "kctl/KCtlHarness.h"
#include "kctl/KCtlStock.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"
#include "support/PfTestSupport.h"
#include "support/TempDir.h"

namespace {

using kvtest::MessageCapture;
using kvtest::PfScript;

// One settings folder for the program: the main store is made once.
class PrefsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(kvtest::LoadEnglishMessages());
    ASHostSetPreferencesFolder(dir_.path().c_str());
  }
  void TearDown() override { ASHostSetPreferencesFolder(nullptr); }

 private:
  kvtest::TempDir dir_;
};
const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new PrefsEnvironment);

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
std::string Word(SKCab* cab, const char* key) {
  ASAtom a = KCabGetAtom(cab, key, ASAtomNull);
  return a == ASAtomNull ? "" : ASAtomGetString(a);
}

// The switches as a fresh process has them.
void InitialSwitches() {
  gBleedVelmoraPromptDefault = 1;
  gNupSheetTolerance = 0.01;
  gHideWebPageAccess = 0;
  gRemoveStructureInNewDoc = 1;
  gCloneBlankPageBoxes = 1;
  gKVClassic = 0;
  gKVClassic2 = 0;
  gNoThemeDialogbackground = 0;
  gPDFXMode = 0;
  gImpositionFieldsOption = kFieldsNone;
  SetRegColour(kRegColourAllSeps);
  gBleedVelmoraMode = 0;
  gImpositionUseFormXObjects = 0;
  gApplyTr2Fix = 1;
  gApplyOPIFix = 1;
}

void ForgetStoredPrefs() {
  SKCabPersist* p = KVMainPersist();
  SKCab* stored = KCabPersistStartCabWrite(p, "Last:General");
  KCabMakeEmpty(stored);
  KCabPersistEndStoreCabWrite(p, "Last:General", stored);
}

struct CabHolder {
  SKCab* cab = KCabNewInner();
  ~CabHolder() { KCabDestroy(cab); }
  operator SKCab*() const { return cab; }
};

class Prefs : public kvtest::KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
    InitialSwitches();
    ForgetStoredPrefs();
    AVSysSetModifiers(0);
  }
  void TearDown() override {
    AVSysSetModifiers(0);
    InitialSwitches();
    KCtlFixture::TearDown();
  }
  static SKCab* Stored() { return LoadKVParameters("Last:General"); }
};

// ---- applying a cabinet ------------------------------------------------------------------

struct ApplyCase {
  const char* name;
  void (*fill)(SKCab*);
  void (*check)();
};

const ApplyCase kApplyCases[] = {
    {"EmptyGivesDefaults", [](SKCab*) {},
     [] {
       EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance);
       EXPECT_EQ(0, gHideWebPageAccess);
       EXPECT_EQ(1, gRemoveStructureInNewDoc);
       EXPECT_EQ(0, gCloneBlankPageBoxes) << "absent keeps the value it had";
       EXPECT_EQ(1, gBleedVelmoraPromptDefault) << "absent leaves it";
       EXPECT_EQ(0, gKVClassic);
     }},
    {"PromptDefaultPromptIsUse", [](SKCab* c) { KCabPutAtom(c, "BleedPromptDefault", Atom("Prompt")); },
     [] { EXPECT_EQ(kBleedUse, gBleedVelmoraPromptDefault); }},
    {"PromptDefaultIgnore", [](SKCab* c) { KCabPutAtom(c, "BleedPromptDefault", Atom("Ignore")); },
     [] { EXPECT_EQ(kBleedIgnore, gBleedVelmoraPromptDefault); }},
    {"PromptDefaultUnknownWordIsUse", [](SKCab* c) { KCabPutAtom(c, "BleedPromptDefault", Atom("Sometimes")); },
     [] { EXPECT_EQ(kBleedUse, gBleedVelmoraPromptDefault); }},
    {"Tolerance", [](SKCab* c) { KCabPutDouble(c, "NupSheetTolerance", 0.5); },
     [] { EXPECT_DOUBLE_EQ(0.5, gNupSheetTolerance); }},
    {"ToleranceNotANumber",
     [](SKCab* c) { KCabPutDouble(c, "NupSheetTolerance", std::numeric_limits<double>::quiet_NaN()); },
     [] { EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance); }},
    {"ToleranceNegative", [](SKCab* c) { KCabPutDouble(c, "NupSheetTolerance", -3); },
     [] { EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance); }},
    {"ToleranceInfinite",
     [](SKCab* c) { KCabPutDouble(c, "NupSheetTolerance", std::numeric_limits<double>::infinity()); },
     [] { EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance); }},
    {"Booleans",
     [](SKCab* c) {
       KCabPutBool(c, "HideWebPageAccess", 1);
       KCabPutBool(c, "RemoveTagsOnNewDoc", 0);
       KCabPutBool(c, "CopyBlankPageBoxes", 1);
     },
     [] {
       EXPECT_EQ(1, gHideWebPageAccess);
       EXPECT_EQ(0, gRemoveStructureInNewDoc);
       EXPECT_EQ(1, gCloneBlankPageBoxes);
     }},
    {"PerImpositionKeys",
     [](SKCab* c) {
       KCabPutAtom(c, "Flatten", Atom("FormsAndFields"));
       KCabPutAtom(c, "RegColour", Atom("Black"));
       KCabPutAtom(c, "BleedMode", Atom("Ignore"));
       KCabPutInt(c, "UseFormXObjects", 2);
       KCabPutBool(c, "Acro5Tr2Fix", 0);
     },
     [] {
       EXPECT_EQ(kFieldsFormsAndFields, gImpositionFieldsOption);
       EXPECT_EQ(kRegColourBlack, gRegistrationColour);
       EXPECT_EQ(kBleedIgnore, gBleedVelmoraMode);
       EXPECT_EQ(2, gImpositionUseFormXObjects);
       EXPECT_EQ(0, gApplyTr2Fix);
       EXPECT_EQ(1, gApplyOPIFix);
     }},
    {"UnknownWordsFallBack",
     [](SKCab* c) {
       KCabPutAtom(c, "Flatten", Atom("Everything"));
       KCabPutAtom(c, "RegColour", Atom("Pink"));
       KCabPutAtom(c, "BleedMode", Atom("Maybe"));
     },
     [] {
       EXPECT_EQ(kFieldsNone, gImpositionFieldsOption);
       EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
       EXPECT_EQ(kBleedPrompt, gBleedVelmoraMode);
     }},
    {"ClassicOn", [](SKCab* c) { KCabPutBool(c, "Classic", 1); },
     [] {
       EXPECT_EQ(1, gKVClassic);
       EXPECT_EQ(1, gNoThemeDialogbackground);
       EXPECT_EQ(0, gPDFXMode);
       EXPECT_EQ(kFieldsNone, gImpositionFieldsOption);
       double expected;
       const uint64_t bits = 0x3F20329E2E50BC4Cull;
       std::memcpy(&expected, &bits, sizeof expected);
       EXPECT_EQ(expected, gNupSheetTolerance);
     }},
    {"ClassicV2", [](SKCab* c) { KCabPutBool(c, "ClassicV2", 1); }, [] { EXPECT_EQ(1, gKVClassic2); }},
};

void PrintTo(const ApplyCase& c, std::ostream* os) { *os << c.name; }

class PrefsApply : public Prefs, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(PrefsApply, SetsTheSwitches) {
  gCloneBlankPageBoxes = 0;
  gPDFXMode = 1;
  CabHolder cab;
  GetParam().fill(cab);
  MessageCapture messages;
  EXPECT_TRUE(KVPrefsFromCab(cab, 0));
  GetParam().check();
  EXPECT_TRUE(KCabGetBool(cab, "SpareBT", 0));
  EXPECT_EQ(kKCabTypeBool, KCabGetType(cab, "SpareBF"));
  EXPECT_FALSE(KCabGetBool(cab, "SpareBF", 1));
  EXPECT_TRUE(messages.texts().empty()) << "nothing is said when not from the dialog";
}

INSTANTIATE_TEST_SUITE_P(Cases, PrefsApply, ::testing::ValuesIn(kApplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Prefs, ClassicModeIsEnteredOnceAndLeft) {
  CabHolder on;
  KCabPutBool(on, "Classic", 1);
  MessageCapture messages;
  KVPrefsFromCab(on, 1);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.note.hidenew")));
  EXPECT_LT(gNupSheetTolerance, 0.001);

  // Already on: no note, and the stored tolerance comes back.
  gImpositionFieldsOption = kFieldsFormsAndFields;
  KVPrefsFromCab(on, 1);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.note.hidenew")));
  EXPECT_DOUBLE_EQ(0.01, gNupSheetTolerance);
  EXPECT_EQ(kFieldsFormsAndFields, gImpositionFieldsOption);

  CabHolder off;
  KCabPutBool(off, "Classic", 0);
  KCabPutBool(off, "ClassicV2", 0);
  gKVClassic2 = 1;
  KVPrefsFromCab(off, 1);
  EXPECT_EQ(0, gKVClassic);
  EXPECT_EQ(0, gNoThemeDialogbackground);
  EXPECT_EQ(1, gKVClassic2) << "classic 2 is only ever set";
}

TEST_F(Prefs, StoredPrefsAreMergedNotReplaced) {
  SKCab* empty = LoadGeneralPrefsCab();
  ASSERT_NE(nullptr, empty);
  EXPECT_TRUE(KCabIsEmpty(empty));
  KCabDestroy(empty);

  CabHolder first;
  KCabPutBool(first, "HideWebPageAccess", 1);
  KCabPutAtom(first, "RegColour", Atom("CMYK"));
  CommitGeneralPrefsCab(first);
  CabHolder second;
  KCabPutAtom(second, "RegColour", Atom("Black"));
  CommitGeneralPrefsCab(second);

  SKCab* stored = LoadGeneralPrefsCab();
  EXPECT_TRUE(KCabGetBool(stored, "HideWebPageAccess", 0));
  EXPECT_EQ("Black", Word(stored, "RegColour"));
  KCabDestroy(stored);
}

// ---- per-imposition overrides ------------------------------------------------------------

TEST_F(Prefs, ClearingOverridesKeepsTheOtherParameters) {
  CabHolder params;
  for (const char* key : {"Flatten", "RegColour", "PDFX", "BleedMode"}) KCabPutAtom(params, key, Atom("X"));
  KCabPutInt(params, "UseFormXObjects", 1);
  KCabPutBool(params, "Acro5Tr2Fix", 0);
  KCabPutBool(params, "Acro6OPIFix", 0);
  KCabPutInt(params, "Columns", 3);
  EXPECT_TRUE(AnyPerImpositionOverrides(params));
  ClearPerImpositionPrefsInCab(params);
  EXPECT_FALSE(AnyPerImpositionOverrides(params));
  for (const char* key :
       {"Flatten", "RegColour", "PDFX", "BleedMode", "UseFormXObjects", "Acro5Tr2Fix", "Acro6OPIFix"})
    EXPECT_FALSE(KCabKnown(params, key)) << key;
  EXPECT_EQ(3, KCabGetInt(params, "Columns", 0));
}

TEST_F(Prefs, OnlyFourKeysCountAsOverrides) {
  struct {
    const char* key;
    bool counts;
  } cases[] = {{"RegColour", true}, {"PDFX", true},         {"BleedMode", true},  {"Flatten", true},
               {"UseFormXObjects", false}, {"Acro5Tr2Fix", false}, {"Acro6OPIFix", false}};
  for (const auto& c : cases) {
    CabHolder params;
    KCabPutInt(params, c.key, 1);
    EXPECT_EQ(c.counts, AnyPerImpositionOverrides(params) != 0) << c.key;
  }
  EXPECT_FALSE(AnyPerImpositionOverrides(nullptr));
}

std::vector<std::string> Lines(SKCab* description) {
  std::vector<std::string> lines;
  for (long n = 0;; ++n) {
    const char* s = KCabGetStringNumKey(description, n);
    if (!s) break;
    lines.push_back(s);
  }
  return lines;
}

TEST_F(Prefs, DescriberWritesOneLinePerOverrideInItsOrder) {
  CabHolder params;
  KCabPutAtom(params, "Flatten", Atom("FormsAndFields"));
  KCabPutAtom(params, "BleedMode", Atom("Prompt"));
  KCabPutAtom(params, "PDFX", Atom("PreserveAll"));
  KCabPutAtom(params, "RegColour", Atom("CMYK"));
  KCabPutInt(params, "UseFormXObjects", 1);
  CabHolder out;
  KCabPutStringCopy(out, "", "earlier line");
  PerImpositionOverridesDescriber(out, params);
  EXPECT_EQ((std::vector<std::string>{"earlier line", Msg("prefs.regcolor.desc") + Msg("prefs.regcolor.cmyk"),
                                      Msg("prefs.pdfx.desc") + Msg("pdfx.preserve"),
                                      Msg("dlg.full.24") + ": " + Msg("dlg.perimppref.11"),
                                      Msg("prefs.desc.annots") + Msg("prefs.annots.flatten.short")}),
            Lines(out));
}

TEST_F(Prefs, DescriberWordsForEveryValue) {
  struct {
    const char* key;
    const char* word;
    std::string line;
  } cases[] = {
      {"RegColour", "AllSeps", Msg("prefs.regcolor.desc") + Msg("prefs.regcolor.all")},
      {"RegColour", "Black", Msg("prefs.regcolor.desc") + Msg("prefs.regcolor.black")},
      {"RegColour", "UsePrefs", Msg("prefs.regcolor.desc") + Msg("common.unknownorbad")},
      {"PDFX", "IgnoreAll", Msg("prefs.pdfx.desc") + Msg("pdfx.ignore")},
      {"PDFX", "Other", Msg("prefs.pdfx.desc") + Msg("common.unknownorbad")},
      {"BleedMode", "Use", Msg("dlg.full.24") + ": " + Msg("dlg.perimppref.10")},
      {"BleedMode", "Ignore", Msg("dlg.full.24") + ": " + Msg("dlg.perimppref.9")},
      {"Flatten", "None", Msg("prefs.desc.annots") + Msg("prefs.annots.ignore.short")},
      {"Flatten", "OnlyForms", Msg("prefs.desc.annots") + Msg("common.unknownorbad")},
  };
  for (const auto& c : cases) {
    CabHolder params, out;
    KCabPutAtom(params, c.key, Atom(c.word));
    PerImpositionOverridesDescriber(out, params);
    EXPECT_EQ(std::vector<std::string>{c.line}, Lines(out)) << c.key << " " << c.word;
  }
  // A value of the wrong type is no known word either.
  CabHolder params, out;
  KCabPutInt(params, "BleedMode", 2);
  PerImpositionOverridesDescriber(out, params);
  EXPECT_EQ(std::vector<std::string>{Msg("dlg.full.24") + ": " + Msg("common.unknownorbad")}, Lines(out));
}

TEST_F(Prefs, FeedbackElementShowsTheOverridesOrThatThereAreNone) {
  kvtest::KCtlRun run("Feedback");
  SKCtlElem* info = KCtlAddNewElement(run.dialog, kKCtlContainer, 0x200000, 300, nullptr, nullptr);
  SKCtlElem* text = KCtlAddNewElement(run.dialog, kKCtlStaticText, 0x200000, 301, "![w=400]x", info);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagCancel, 2, "Cancel", nullptr);
  CabHolder none, some;
  KCabPutAtom(some, "RegColour", Atom("Black"));
  std::string shownNone, shownSome;
  ASBool answerNone = 1, answerSome = 0;
  PfScript script;
  run.RunModal(script, [&] {
    answerNone = AnyPerImpositionOverridesFeedbackElem(none, FrontInfo(), 300);
    shownNone = TextOf(text);
    answerSome = AnyPerImpositionOverridesFeedbackElem(some, FrontInfo(), 300);
    shownSome = TextOf(text);
    PfDriverPressButton(Front(), "Cancel");
  });
  EXPECT_FALSE(answerNone);
  EXPECT_EQ(Msg("prefs.override.none"), shownNone);
  EXPECT_TRUE(answerSome);
  EXPECT_NE(std::string::npos, shownSome.find(Msg("prefs.regcolor.black"))) << shownSome;
}

// ---- the preferences dialog --------------------------------------------------------------

bool Visible(const std::string& caption) {
  int16_t item = PfDriverItemByCaption(kvtest::KCtlFixture::Front(), caption.c_str());
  return item > 0 && PfDriverIsVisible(kvtest::KCtlFixture::Front(), item);
}
void ClickCaption(const std::string& caption, uint16_t modifiers = 0) {
  int16_t item = PfDriverItemByCaption(kvtest::KCtlFixture::Front(), caption.c_str());
  ASSERT_GT(item, 0) << caption;
  EXPECT_TRUE(PfDriverClickItem(kvtest::KCtlFixture::Front(), item, modifiers)) << caption;
}
std::string FrontTitle() {
  PfDialogRef d = kvtest::KCtlFixture::Front();
  if (!d) return "";
  const char* title = PfGetWindowTitleUTF8(PfGetDialogWindow(d));
  return title ? title : "";
}

TEST_F(Prefs, DialogStoresTheChoicesAndAppliesThem) {
  PfScript script;
  bool basicShown = false, impositionHidden = false, impositionShown = false;
  script.Then([&] {
    EXPECT_EQ(Msg("dlg.full.title2"), FrontTitle());
    basicShown = Visible(Msg("dlg.full.8"));
    impositionHidden = !Visible(Msg("dlg.full.4"));
    ClickCaption(Msg("dlg.prefs.imposition"));
  });
  script.Then([&] {
    impositionShown = Visible(Msg("dlg.full.4")) && !Visible(Msg("dlg.full.8"));
    ClickCaption(Msg("dlg.full.4"));
    ClickCaption(Msg("dlg.perimppref.9"));
    ClickCaption(Msg("prefs.annots.flatten.short"));
    // Back to the first page: the hidden page's choices still count.
    ClickCaption(Msg("dlg.prefs.basic"));
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_TRUE(DoPrefsDialog());
  EXPECT_TRUE(basicShown);
  EXPECT_TRUE(impositionHidden);
  EXPECT_TRUE(impositionShown);

  SKCab* stored = Stored();
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ("CMYK", Word(stored, "RegColour"));
  EXPECT_EQ("Ignore", Word(stored, "BleedMode"));
  EXPECT_EQ("FormsAndFields", Word(stored, "Flatten"));
  EXPECT_FALSE(KCabKnown(stored, "E0")) << "the tab is not a preference";
  EXPECT_TRUE(KCabGetBool(stored, "SpareBT", 0));
  EXPECT_FALSE(KCabKnown(stored, "Classic")) << "no classic box without classic 2";
  KCabDestroy(stored);
  EXPECT_EQ(kRegColourCMYK, gRegistrationColour);
  EXPECT_EQ(kBleedIgnore, gBleedVelmoraMode);
  EXPECT_EQ(kFieldsFormsAndFields, gImpositionFieldsOption);
}

TEST_F(Prefs, CancelStoresAndChangesNothing) {
  PfScript script;
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] {
    ClickCaption(Msg("dlg.full.5"));
    PfDriverPressButton(Front(), Msg("common.button.cancel").c_str());
  });
  EXPECT_FALSE(DoPrefsDialog());
  SKCab* stored = Stored();
  EXPECT_TRUE(!stored || !KCabKnown(stored, "RegColour"));
  if (stored) KCabDestroy(stored);
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
}

TEST_F(Prefs, DialogStartsFromTheStoredValues) {
  CabHolder values;
  KCabPutAtom(values, "RegColour", Atom("Black"));
  KCabPutAtom(values, "BleedMode", Atom("Use"));
  CommitGeneralPrefsCab(values);
  PfScript script;
  int black = -1, use = -1;
  script.Then([&] {
    black = PfDriverGetValue(Front(), PfDriverItemByCaption(Front(), Msg("dlg.full.5").c_str()));
    use = PfDriverGetValue(Front(), PfDriverItemByCaption(Front(), Msg("dlg.perimppref.10").c_str()));
    PfDriverPressButton(Front(), Msg("common.button.cancel").c_str());
  });
  DoPrefsDialog();
  EXPECT_EQ(1, black);
  EXPECT_EQ(1, use);
}

TEST_F(Prefs, OkWithTheFirstModifierOpensTheFlattenDialogAndStaysOpen) {
  PfScript script;
  std::string subTitle, afterTitle;
  script.Then([&] {
    AVSysSetModifiers(AV_COMMAND);
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  script.Then([&] {
    subTitle = FrontTitle();
    ClickCaption(Msg("prefs.annots.flatten.long"));
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  script.Then([&] {
    afterTitle = FrontTitle();
    AVSysSetModifiers(0);
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_TRUE(DoPrefsDialog());
  EXPECT_EQ(Msg("dlg.prefsmore.title"), subTitle);
  EXPECT_EQ(Msg("dlg.full.title2"), afterTitle) << "the preferences dialog stays open";
  SKCab* stored = Stored();
  ASSERT_NE(nullptr, stored);
  EXPECT_EQ("FormsAndFields", Word(stored, "Flatten")) << "the sub-dialog's answer is kept";
  KCabDestroy(stored);
}

TEST_F(Prefs, ClassicNoteFromTheDialogComesOnceAndClassicLayoutFollows) {
  gKVClassic2 = 1;
  MessageCapture messages;
  PfScript script;
  script.Then([&] {
    ClickCaption(Msg("dlg.prefs.hidenew"));
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_TRUE(DoPrefsDialog());
  EXPECT_EQ(1, gKVClassic);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.note.hidenew")));

  // Classic layout: no tabs, the registration colours and the box at once.
  bool tabs = true, colours = false, box = false;
  script.Then([&] {
    tabs = PfDriverItemByCaption(Front(), Msg("dlg.prefs.imposition").c_str()) > 0;
    colours = Visible(Msg("dlg.full.3"));
    box = Visible(Msg("dlg.prefs.hidenew"));
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_TRUE(DoPrefsDialog());
  EXPECT_FALSE(tabs);
  EXPECT_TRUE(colours);
  EXPECT_TRUE(box);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.note.hidenew"))) << "no second note while on";
}

TEST_F(Prefs, CustomSizesButtonOpensTheMoreSizesChooser) {
  PfScript script;
  std::string chooser, back;
  script.Then([&] { ClickCaption(Msg("dlg.full.8")); });
  script.Then([&] {
    chooser = FrontTitle();
    PfDriverPressButton(Front(), Msg("common.button.cancel").c_str());
  });
  script.Then([&] {
    back = FrontTitle();
    PfDriverPressButton(Front(), Msg("common.button.cancel").c_str());
  });
  EXPECT_FALSE(DoPrefsDialog());
  EXPECT_EQ(Msg("dlg.moresizes.title"), chooser);
  EXPECT_EQ(Msg("dlg.full.title2"), back);
}

// ---- the language button -----------------------------------------------------------------

// The language choice and the translators' answer outlive a dialog: each
// test starts from a run that has stored and answered nothing.
class PrefsLanguage : public Prefs {
 protected:
  void SetUp() override {
    Prefs::SetUp();
    PfBundleSetResourcesFolder(KV_TEST_BUILD_DIR "/plugins/kv3/Resources");
    ForgetLanguage();
  }
  void TearDown() override {
    ForgetLanguage();
    Prefs::TearDown();
  }
  static void ForgetLanguage() {
    ASSERT_TRUE(SetUserLang(nullptr, ""));
    ForgetTranslatorWarningAnswer();
  }
};

TEST_F(PrefsLanguage, ChangingTheLanguageEndsThePreferencesAsCancelled) {
  MessageCapture messages;
  PfScript script;
  std::string chooser;
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] {
    ClickCaption(Msg("dlg.full.5"));
    ClickCaption(Msg("prefs.lang.button"));
  });
  script.Then([&] {
    chooser = FrontTitle();
    // "Default" is chosen while nothing is stored; the next entry is English.
    PfDriverChoosePopup(Front(), PfDriverItemByKey(Front(), "Lang"), 1);
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_FALSE(DoPrefsDialog());
  EXPECT_EQ(Msg("dlg.lang.title"), chooser);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.lang.1")));
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour) << "nothing of the cancelled dialog is applied";
  SKCab* stored = Stored();
  EXPECT_TRUE(!stored || !KCabKnown(stored, "RegColour"));
  if (stored) KCabDestroy(stored);

  // Choosing the stored language again changes nothing: the dialog stays.
  std::string after;
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] { ClickCaption(Msg("prefs.lang.button")); });
  script.Then([&] { PfDriverPressButton(Front(), Msg("common.button.ok").c_str()); });
  script.Then([&] {
    after = FrontTitle();
    PfDriverPressButton(Front(), Msg("common.button.ok").c_str());
  });
  EXPECT_TRUE(DoPrefsDialog());
  EXPECT_EQ(Msg("dlg.full.title2"), after);
  EXPECT_EQ(1u, messages.Count(Msg("prefs.lang.1")));
}

TEST_F(PrefsLanguage, TheTranslatorsRoadAsksFirstAndNoEndsIt) {
  MessageCapture messages;  // questions take their default answer: no
  PfScript script;
  std::string after;
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] {
    AVSysSetModifiers(AV_OPTION);
    ClickCaption(Msg("prefs.lang.button"));
  });
  script.Then([&] {
    after = FrontTitle();
    AVSysSetModifiers(0);
    PfDriverPressButton(Front(), Msg("common.button.cancel").c_str());
  });
  EXPECT_FALSE(DoPrefsDialog());
  ASSERT_EQ(1u, messages.messages().size());
  EXPECT_EQ(kAutoMessageConfirm, messages.messages()[0].type);
  EXPECT_NE(std::string::npos, messages.messages()[0].text.find("for use by translators"));
  EXPECT_EQ(Msg("dlg.full.title2"), after) << "declined: the preferences stay open";
}

TEST_F(PrefsLanguage, TheTranslatorsRoadOpensTheMessageSetupAndClosesThePreferences) {
  // The host's confirmation answers yes.
  PfScript script;
  std::string setup;
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] {
    AVSysSetModifiers(AV_OPTION);
    ClickCaption(Msg("prefs.lang.button"));
  });
  script.Then([&] {
    setup = FrontTitle();
    AVSysSetModifiers(0);
    PfDriverPressButton(Front(), "Cancel");
  });
  EXPECT_FALSE(DoPrefsDialog());
  EXPECT_EQ("Internal message setup", setup);
  ASSERT_EQ(1u, AVAlertRecorded().size());
  EXPECT_EQ("confirm", AVAlertRecorded()[0].kind);

  // Asked once in a run.
  setup.clear();
  script.Then([&] { ClickCaption(Msg("dlg.prefs.imposition")); });
  script.Then([&] {
    AVSysSetModifiers(AV_OPTION);
    ClickCaption(Msg("prefs.lang.button"));
  });
  script.Then([&] {
    setup = FrontTitle();
    AVSysSetModifiers(0);
    PfDriverPressButton(Front(), "Cancel");
  });
  EXPECT_FALSE(DoPrefsDialog());
  EXPECT_EQ("Internal message setup", setup);
  EXPECT_EQ(1u, AVAlertRecorded().size());
}

TEST_F(Prefs, ModuleSlotsAreRegistered) {
  EXPECT_EQ(&ReadGeneralPrefs, KVCommandModules().ReadGeneralPrefs);
  EXPECT_EQ(&DoPrefsDialog, KVCommandModules().DoPrefsDialog);
}

}  // namespace
