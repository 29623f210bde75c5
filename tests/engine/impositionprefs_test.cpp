// Per-imposition preferences both ways through their cabinet, a command's
// overrides for one imposition, the bleed check and its prompt, page sizes
// by the bleed mode (one page, all pages with the status box, a range), and
// the PDF/X checks around an imposition.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "engine/ImpositionPrefs.h"
#include "engine/PageMerge.h"
#include "fixtures/PrintFixtures.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "kctl/StatusBox.h"
#include "platform/PfDriver.h"
#include "platform/PfEvent.h"
#include "support/CosDescribe.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"

using namespace kvtest;

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new EnglishMessagesEnvironment);

class PrefsTest : public EngineTest {
 protected:
  void TearDown() override {
    SetImpositionBleedPromptProc(nullptr);
    StatusBoxTerm();
    PfFlushEvents(kPfEveryEvent);
    EngineTest::TearDown();
  }
};

std::string Word(SKCab* cab, const char* key) {
  ASAtom a = KCabGetAtom(cab, key, ASAtomNull);
  return a == ASAtomNull ? "" : ASAtomGetString(a);
}

// ---- the preference exchange ------------------------------------------------------------------

TEST_F(PrefsTest, ValuesGoIntoTheCabinetAsWordsAndComeBack) {
  struct {
    EFieldsWhich fields;
    ERegColour reg;
    ERegColour regRead;  // what reading the word back leaves (the scrambled value is Black)
    ASInt32 bleed;
    ASInt32 forms;
    ASBool tr2, opi;
    const char *flattenWord, *regWord, *bleedWord;
  } cases[] = {
      {kFieldsOnlyForms, kRegColourCMYK, kRegColourCMYK, kBleedUse, 2, 0, 1, "OnlyForms", "CMYK", "Use"},
      {kFieldsExceptForms, kRegColourBlack, kRegColourBlack, kBleedIgnore, 1, 1, 0, "ExceptForms", "Black", "Ignore"},
      // "UsePrefs" takes the preference as it is.
      {kFieldsFormsAndFields, kRegColourUsePrefs, kRegColourBlack, kBleedPrompt, 0, 1, 1, "FormsAndFields", "UsePrefs",
       "Prompt"},
      {kFieldsNone, kRegColourAllSeps, kRegColourAllSeps, kBleedUse, 7, 0, 0, "None", "AllSeps", "Use"},
  };
  for (const auto& c : cases) {
    gImpositionFieldsOption = c.fields;
    gRegistrationColour = c.reg;
    gBleedVelmoraMode = c.bleed;
    gImpositionUseFormXObjects = c.forms;
    gApplyTr2Fix = c.tr2;
    gApplyOPIFix = c.opi;
    SKCab* cab = KCabNewInner();
    FillCabForPerImpositionPrefs(cab);
    EXPECT_EQ(c.flattenWord, Word(cab, "Flatten"));
    EXPECT_EQ(c.regWord, Word(cab, "RegColour"));
    EXPECT_EQ(c.bleedWord, Word(cab, "BleedMode"));
    EXPECT_EQ(c.forms, KCabGetInt(cab, "UseFormXObjects", -1));
    EXPECT_EQ(kKCabTypeBool, KCabGetType(cab, "Acro5Tr2Fix"));
    EXPECT_EQ(c.tr2, KCabGetBool(cab, "Acro5Tr2Fix", 9));
    EXPECT_EQ(c.opi, KCabGetBool(cab, "Acro6OPIFix", 9));
    // Scramble, then read the cabinet back.
    gImpositionFieldsOption = (EFieldsWhich)1;
    SetRegColour((ERegColour)2);
    gBleedVelmoraMode = 1;
    gImpositionUseFormXObjects = 99;
    gApplyTr2Fix = !c.tr2;
    gApplyOPIFix = !c.opi;
    SetPerImpositionPrefsFromCab(cab);
    EXPECT_EQ(c.fields, gImpositionFieldsOption);
    EXPECT_EQ(c.regRead, gRegistrationColour);
    EXPECT_EQ(c.bleed, gBleedVelmoraMode);
    EXPECT_EQ(c.forms, gImpositionUseFormXObjects);
    EXPECT_EQ(c.tr2, gApplyTr2Fix);
    EXPECT_EQ(c.opi, gApplyOPIFix);
    KCabDestroy(cab);
  }
}

TEST_F(PrefsTest, UnknownWordsAbsentKeysAndOddFixes) {
  gImpositionFieldsOption = kFieldsFormsAndFields;
  gRegistrationColour = kRegColourBlack;
  gBleedVelmoraMode = kBleedIgnore;
  gImpositionUseFormXObjects = 2;
  gApplyTr2Fix = 0;
  gApplyOPIFix = 0;
  gPDFXMode = 0;
  SKCab* cab = KCabNewInner();
  // Absent keys change nothing; "PDFX" is not the exchange's to apply.
  KCabPutAtom(cab, "PDFX", ASAtomFromString("PreserveAll"));
  KCabPutInt(cab, "PDFX", 1);
  SetPerImpositionPrefsFromCab(cab);
  EXPECT_EQ(kFieldsFormsAndFields, gImpositionFieldsOption);
  EXPECT_EQ(kRegColourBlack, gRegistrationColour);
  EXPECT_EQ(kBleedIgnore, gBleedVelmoraMode);
  EXPECT_EQ(2, gImpositionUseFormXObjects);
  EXPECT_EQ(0, gApplyTr2Fix);
  EXPECT_EQ(0, gPDFXMode);
  // Unknown words: None, the first colour, Prompt; fixes that are no booleans count as on.
  KCabPutAtom(cab, "Flatten", ASAtomFromString("Everything"));
  KCabPutAtom(cab, "RegColour", ASAtomFromString("Magenta"));
  KCabPutAtom(cab, "BleedMode", ASAtomFromString("Sometimes"));
  KCabPutInt(cab, "Acro5Tr2Fix", 0);
  KCabPutStringCopy(cab, "Acro6OPIFix", "no");
  SetPerImpositionPrefsFromCab(cab);
  EXPECT_EQ(kFieldsNone, gImpositionFieldsOption);
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  EXPECT_EQ(kBleedPrompt, gBleedVelmoraMode);
  EXPECT_EQ(1, gApplyTr2Fix);
  EXPECT_EQ(1, gApplyOPIFix);
  KCabDestroy(cab);
}

TEST_F(PrefsTest, ACommandsOverridesLastUntilTheEnd) {
  gImpositionFieldsOption = kFieldsNone;
  gRegistrationColour = kRegColourAllSeps;
  gBleedVelmoraMode = kBleedPrompt;
  gImpositionUseFormXObjects = 0;
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "Flatten", ASAtomFromString("FormsAndFields"));
  KCabPutAtom(params, "RegColour", ASAtomFromString("CMYK"));
  KCabPutAtom(params, "BleedMode", ASAtomFromString("Ignore"));
  KCabPutInt(params, "UseFormXObjects", 2);
  SKCab* saved = PerImpositionPrefsStart(params);
  ASSERT_NE(nullptr, saved);
  EXPECT_EQ(kFieldsFormsAndFields, gImpositionFieldsOption);
  EXPECT_EQ(kRegColourCMYK, gRegistrationColour);
  EXPECT_EQ(kBleedIgnore, gBleedVelmoraMode);
  EXPECT_EQ(2, gImpositionUseFormXObjects);
  EXPECT_EQ("None", Word(saved, "Flatten"));
  PerImpositionPrefsEnd(saved);
  EXPECT_EQ(kFieldsNone, gImpositionFieldsOption);
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  EXPECT_EQ(kBleedPrompt, gBleedVelmoraMode);
  EXPECT_EQ(0, gImpositionUseFormXObjects);
  // Without parameters nothing changes, and ending without a cabinet is fine.
  saved = PerImpositionPrefsStart(nullptr);
  EXPECT_EQ(kFieldsNone, gImpositionFieldsOption);
  PerImpositionPrefsEnd(saved);
  PerImpositionPrefsEnd(nullptr);
  KCabDestroy(params);
}

// ---- the bleed check ----------------------------------------------------------------------------

struct PromptScript {
  int calls = 0;
  ASBool ok = 1;
  const char* answer = "Ignore";  // null: the prompt puts no "BleedMode"
};
PromptScript gPrompt;

ASBool ScriptedPrompt(SKCab* answer) {
  ++gPrompt.calls;
  EXPECT_TRUE(KCabIsEmpty(answer)) << "the prompt starts from an empty cabinet";
  if (gPrompt.ok && gPrompt.answer) KCabPutAtom(answer, "BleedMode", ASAtomFromString(gPrompt.answer));
  return gPrompt.ok;
}

void TrimInside(CosDoc d, CosObj page) {
  CosObj box = CosNewArray(d, 0, 4);
  const double v[4] = {9, 9, 91, 91};
  for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(box, i, CosNewDouble(d, 0, v[i]));
  CosDictPutKeyString(page, "TrimBox", box);
}

TEST_F(PrefsTest, TheBleedPromptComesOnlyWhenNeeded) {
  struct {
    const char* what;
    ASInt32 global;
    const char* param;     // "BleedMode" in the parameters, null: none
    int page;              // -1: the whole document; else the page checked
    bool bleedDoc;         // the document's second page has bleed
    bool automation;
    bool installed;
    ASBool ok;
    const char* answer;
    ASBool result;
    int calls;
    const char* paramAfter;  // "" : absent
  } cases[] = {
      {"prompt mode, answered Ignore", kBleedPrompt, nullptr, -1, true, false, true, 1, "Ignore", 1, 1, "Ignore"},
      {"prompt mode, answered Use", kBleedPrompt, nullptr, -1, true, false, true, 1, "Use", 1, 1, "Use"},
      {"an odd answer is normalised", kBleedPrompt, nullptr, -1, true, false, true, 1, "Whatever", 1, 1, "Prompt"},
      {"cancelled", kBleedPrompt, nullptr, -1, true, false, true, 0, "Ignore", 0, 1, ""},
      {"OK without an answer", kBleedPrompt, nullptr, -1, true, false, true, 1, nullptr, 1, 1, ""},
      {"the parameters say Use", kBleedPrompt, "Use", -1, true, false, true, 1, "Ignore", 1, 0, "Use"},
      {"the preference says Ignore", kBleedIgnore, nullptr, -1, true, false, true, 1, "Use", 1, 0, ""},
      {"the parameters say Prompt", kBleedUse, "Prompt", -1, true, false, true, 1, "Ignore", 1, 1, "Ignore"},
      {"an unknown word is Prompt", kBleedUse, "Often", -1, true, false, true, 1, "Use", 1, 1, "Use"},
      {"no page has bleed", kBleedPrompt, nullptr, -1, false, false, true, 1, "Ignore", 1, 0, ""},
      {"the page checked has none", kBleedPrompt, nullptr, 0, true, false, true, 1, "Ignore", 1, 0, ""},
      {"the page checked has bleed", kBleedPrompt, nullptr, 1, true, false, true, 1, "Ignore", 1, 1, "Ignore"},
      {"automation", kBleedPrompt, nullptr, -1, true, true, true, 1, "Ignore", 1, 0, ""},
      {"no prompt installed", kBleedPrompt, nullptr, -1, true, false, false, 1, "Ignore", 1, 0, ""},
  };
  for (const auto& c : cases) {
    gBleedVelmoraMode = c.global;
    gPrompt = PromptScript();
    gPrompt.ok = c.ok;
    gPrompt.answer = c.answer;
    SetImpositionBleedPromptProc(c.installed ? ScriptedPrompt : nullptr);
    ScopedDoc doc(NewDocWithPages(
        {{{0, 0, 100, 100}, "", nullptr},
         {{0, 0, 100, 100}, "", [&](CosDoc d, CosObj p) {
            if (c.bleedDoc) TrimInside(d, p);
          }}}));
    SKCab* params = KCabNewInner();
    if (c.param) KCabPutAtom(params, "BleedMode", ASAtomFromString(c.param));
    SKCab* list = KCabNewInner();
    SAutoMessageState saved;
    SaveAutoMessageState(&saved);
    if (c.automation) AutoMessageSetKCabListDest(list, 1);
    ASBool result;
    if (c.page >= 0) {
      ScopedPage page(doc, c.page);
      result = ImpositionBleedModeCheck(doc, page, params);
    } else {
      result = ImpositionBleedModeCheck(doc, nullptr, params);
    }
    RestoreAutoMessageState(&saved);
    EXPECT_EQ(c.result, result) << c.what;
    EXPECT_EQ(c.calls, gPrompt.calls) << c.what;
    EXPECT_EQ(c.paramAfter, Word(params, "BleedMode")) << c.what;
    EXPECT_EQ(c.global, gBleedVelmoraMode) << c.what << ": the check itself sets no preference";
    KCabDestroy(params);
    KCabDestroy(list);
  }
}

TEST_F(PrefsTest, ThePromptHookIsOneSlot) {
  EXPECT_EQ(nullptr, SetImpositionBleedPromptProc(ScriptedPrompt));
  EXPECT_EQ(ScriptedPrompt, SetImpositionBleedPromptProc(nullptr));
}

// ---- page sizes ----------------------------------------------------------------------------------

PDDoc SizedDoc(std::vector<std::pair<double, double>> sizes) {
  std::vector<PageDef> pages;
  for (auto [w, h] : sizes) pages.push_back({{0, 0, w, h}, "", nullptr});
  return NewDocWithPages(pages);
}

TEST_F(PrefsTest, IgnoringBleedReadsTheVisibleBox) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", TrimInside}}));
  struct {
    ASInt32 mode;
    EWhichSize which;
    double size;
  } cases[] = {{kBleedUse, kSizeTrim, 82},      {kBleedPrompt, kSizeTrim, 82}, {kBleedIgnore, kSizeTrim, 100},
               {kBleedIgnore, kSizeBleed, 100}, {kBleedUse, kSizeVisible, 100}};
  for (const auto& c : cases) {
    gBleedVelmoraMode = c.mode;
    ASFixedPoint byNumber, byPage;
    GetTranslatedPageSizeByPageNumX(doc, 0, &byNumber, c.which);
    ScopedPage page(doc, 0);
    GetTranslatedPageSizeX(page, &byPage, c.which);
    EXPECT_EQ(Fx(c.size), byNumber.h) << c.mode << " " << c.which;
    EXPECT_EQ(byNumber.h, byPage.h);
    EXPECT_EQ(byNumber.v, byPage.v);
  }
}

TEST_F(PrefsTest, AllPageSizesAndWhetherTheyAgreeToA256thOfAPoint) {
  struct {
    const char* what;
    std::vector<std::pair<double, double>> sizes;
    bool allSame;
  } cases[] = {
      {"612.001 and 612.002 round up alike", {{612.001, 792}, {612.002, 792}}, true},
      {"612 is already whole", {{612, 792}, {612.001, 792}}, false},
      {"heights count too", {{612, 792}, {612, 792.5}}, false},
      {"one page", {{100, 100}}, true},
      {"a difference after agreeing pages", {{100, 100}, {100, 100}, {100, 101}, {100, 100}}, false},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(SizedDoc(c.sizes));
    ASFixedPoint* sizes = nullptr;
    ASBool allSame = 9;
    EXPECT_TRUE(GetAllPageSizesWithStatusX(doc, &sizes, &allSame, kSizeTrim)) << c.what;
    ASSERT_NE(nullptr, sizes);
    EXPECT_EQ(c.allSame, (bool)allSame) << c.what;
    for (size_t i = 0; i < c.sizes.size(); ++i) {
      ASFixedPoint expected;
      GetTranslatedPageSizeByPageNum(doc, (ASInt32)i, &expected, kSizeTrim);
      EXPECT_EQ(expected.h, sizes[i].h) << c.what << ": stored exactly";
      EXPECT_EQ(expected.v, sizes[i].v) << c.what;
    }
    ASfree(sizes);
    EXPECT_EQ(nullptr, StatusBoxDialog()) << "the status box is closed again";
  }
}

TEST_F(PrefsTest, AllPageSizesStopWhenTheUserCancels) {
  ScopedDoc doc(SizedDoc({{100, 200}, {300, 400}, {500, 600}}));
  StatusBoxTerm();
  OpenStatusBox();
  CheckStatusBoxCancel(nullptr);
  PfClockAdvance(3 * 60);
  PfDriverPressCommandPeriod();
  ASFixedPoint* sizes = nullptr;
  ASBool allSame = 1;
  EXPECT_FALSE(GetAllPageSizesWithStatusX(doc, &sizes, &allSame, kSizeVisible));
  ASSERT_NE(nullptr, sizes);
  EXPECT_EQ(Fx(100), sizes[0].h);
  EXPECT_EQ(0, sizes[2].h) << "pages after the cancel are not read";
  ASfree(sizes);
}

TEST_F(PrefsTest, AllPageSizesFailingHandBackNothing) {
  ScopedDoc doc(SizedDoc({{100, 200}, {300, 400}}));
  ASFixedPoint* sizes = reinterpret_cast<ASFixedPoint*>(8);
  ASFaultInject("PDDocAcquirePage", genErrGeneral, 1);
  ASBool allSame = 1;
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { GetAllPageSizesWithStatusX(doc, &sizes, &allSame, kSizeVisible); }));
  EXPECT_EQ(nullptr, sizes);
  EXPECT_EQ(nullptr, StatusBoxDialog());
}

struct RecordingMonitor {
  std::vector<std::string> events;
  ProgressMonitorRec rec{};
  RecordingMonitor() {
    rec.size = sizeof rec;
    rec.beginOperation = [](void* d) { static_cast<RecordingMonitor*>(d)->events.push_back("begin"); };
    rec.endOperation = [](void* d) { static_cast<RecordingMonitor*>(d)->events.push_back("end"); };
    rec.setDuration = [](ASInt32 v, void* d) {
      static_cast<RecordingMonitor*>(d)->events.push_back("duration " + std::to_string(v));
    };
    rec.setCurrValue = [](ASInt32 v, void* d) {
      static_cast<RecordingMonitor*>(d)->events.push_back(std::to_string(v));
    };
  }
  std::string Text() const {
    std::string s;
    for (const std::string& e : events) s += (s.empty() ? "" : ",") + e;
    return s;
  }
};

TEST_F(PrefsTest, SizesOfARange) {
  // 100 x 200, 300 x 50, and 200 x 100 turned to show 100 x 200.
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 200}, "", nullptr},
                                 {{0, 0, 300, 50}, "", nullptr},
                                 {{0, 0, 200, 100}, "", [](CosDoc d, CosObj p) {
                                    CosDictPutKeyString(p, "Rotate", CosNewInteger(d, 0, 90));
                                  }}}));
  struct {
    ASInt32 first, last;
    double minW, minH, maxW, maxH;
    const char* monitor;
  } cases[] = {
      {0, 2, 100, 50, 300, 200, "begin,duration 3,0,1,2,3,end"},
      {1, 1, 300, 50, 300, 50, "begin,duration 1,0,1,end"},
      {2, 0, 100, 200, 100, 200, "begin,duration 1,0,1,end"},  // the first page is read all the same
  };
  for (const auto& c : cases) {
    RecordingMonitor monitor;
    ASFixedPoint smallest, largest;
    GetPageSizesForRangeX(doc, kSizeTrim, c.first, c.last, &smallest, &largest, &monitor.rec, &monitor, nullptr,
                          nullptr);
    EXPECT_EQ(Fx(c.minW), smallest.h) << c.first << "-" << c.last;
    EXPECT_EQ(Fx(c.minH), smallest.v);
    EXPECT_EQ(Fx(c.maxW), largest.h);
    EXPECT_EQ(Fx(c.maxH), largest.v);
    EXPECT_EQ(c.monitor, monitor.Text());
  }
  // Without a monitor, and stopping when the cancel procedure says so.
  int asked = 0;
  ASFixedPoint smallest, largest;
  GetPageSizesForRangeX(
      doc, kSizeTrim, 0, 2, &smallest, &largest, nullptr, nullptr,
      [](void* d) -> ASBool { return ++*static_cast<int*>(d) >= 1; }, &asked);
  EXPECT_EQ(1, asked);
  EXPECT_EQ(Fx(100), largest.h) << "only the first page was read";
}

TEST_F(PrefsTest, ARangeFailingReleasesItsPageAndEndsTheMonitor) {
  ScopedDoc doc(SizedDoc({{100, 200}, {300, 400}, {500, 600}}));
  RecordingMonitor monitor;
  ASFaultInject("PDDocAcquirePage", genErrGeneral, 1);
  ASFixedPoint smallest, largest;
  EXPECT_EQ(genErrGeneral, ErrorOf([&] {
              GetPageSizesForRangeX(doc, kSizeTrim, 0, 2, &smallest, &largest, &monitor.rec, &monitor, nullptr,
                                    nullptr);
            }));
  EXPECT_EQ("begin,duration 3,0,1,end", monitor.Text());
}

// ---- PDF/X --------------------------------------------------------------------------------------

const kvfix::PdfxSpec kTrappedFogra = {"PDF/X-1:2001", "PDF/X-1a:2001", "True", nullptr, true, "FOGRA39",
                                       "http://www.color.org", "another profile", 2};

std::string Text(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

TEST_F(PrefsTest, BackgroundsAreCheckedAgainstTheDocumentInPDFXMode) {
  std::string plain = dir.file("plain.pdf"), x1a = dir.file("x1a.pdf"), x3 = dir.file("x3.pdf"),
              trapped = dir.file("trapped.pdf");
  {
    ScopedDoc d(NewDocWithPages({{{0, 0, 100, 100}, "0 0 m 1 1 l S", nullptr}}));
    SavePdf(d, plain);
  }
  kvfix::WritePdfx1a(x1a);
  kvfix::WritePdfx3(x3);
  kvfix::WritePdfx(trapped, kTrappedFogra);
  struct {
    const char* what;
    ASInt32 mode;
    std::string target, background;
    bool usable;
    std::vector<const char*> lines;
  } cases[] = {
      {"PDF/X mode off", 0, x1a, plain, true, {}},
      {"the same PDF/X file", 1, x1a, x1a, true, {}},
      {"neither is PDF/X", 1, plain, plain, true, {}},
      {"a plain background for a PDF/X document", 1, x1a, plain, false, {"pdfx.line.bgnotpdfx"}},
      {"a PDF/X background for a plain document", 1, plain, x1a, true, {}},
      {"versions that do not go together", 1, x1a, x3, false, {"pdfx.line.incompatibleversions.2"}},
      {"trapping and intent differ", 1, x1a, trapped, false,
       {"pdfx.line.mismatch.trap.1", "pdfx.line.mismatch.intent.1"}},
  };
  for (const auto& c : cases) {
    gPDFXMode = c.mode;
    ScopedDoc target(OpenPdf(c.target));
    ScopedDoc background(OpenPdf(c.background));
    MessageCapture capture;
    EXPECT_EQ(c.usable, (bool)VerifyBackgroundBeforeImposition(target, background)) << c.what;
    if (c.usable) {
      EXPECT_TRUE(capture.messages().empty()) << c.what;
      continue;
    }
    ASSERT_EQ(1u, capture.messages().size()) << c.what;
    std::string expected = Text("pdfx.error.backgroundunusable");
    for (const char* line : c.lines) expected += Text(line);
    EXPECT_EQ(expected, capture.messages()[0].text) << c.what;
    EXPECT_EQ(kAutoMessageError, capture.messages()[0].type);
  }
}

TEST_F(PrefsTest, AFailingBackgroundCheckIsReportedAndLetsTheBackgroundBeUsed) {
  std::string x1a = dir.file("x1a.pdf"), plain = dir.file("plain.pdf");
  kvfix::WritePdfx1a(x1a);
  {
    ScopedDoc d(NewDocWithPages({{{0, 0, 100, 100}, "0 0 m 1 1 l S", nullptr}}));
    SavePdf(d, plain);
  }
  gPDFXMode = 1;
  // A PDF/X background for a plain document: the check looks at the
  // document's pages, and reading one fails.
  ScopedDoc target(OpenPdf(plain));
  ScopedDoc background(OpenPdf(x1a));
  MessageCapture capture;
  ASFaultInject("PDDocAcquirePage", genErrGeneral);
  EXPECT_TRUE(VerifyBackgroundBeforeImposition(target, background));
  ASFaultClearAll();
  ASSERT_EQ(1u, capture.messages().size());
  EXPECT_NE(std::string::npos, capture.messages()[0].text.find(Text("pdfx.task.verify")));
  EXPECT_EQ(kAutoMessageError, capture.messages()[0].type);
}

TEST_F(PrefsTest, PDFXIsCarriedIntoImposedDocuments) {
  std::string x1a = dir.file("x1a.pdf");
  kvfix::WritePdfx1a(x1a);
  ScopedDoc source(OpenPdf(x1a));
  auto trimOf = [](PDDoc doc, ASInt32 i) {
    ScopedPage page(doc, i);
    return CosDictKnownKeyString(PDPageGetCosObj(page), "TrimBox");
  };
  for (ASInt32 mode : {0, 1}) {
    gPDFXMode = mode;
    ScopedDoc imposed(NewDocWithPages({{{0, 0, 500, 500}, "", nullptr}, {{0, 0, 500, 500}, "", nullptr}}));
    PreservePDFXIntoImposedDoc(source, imposed);
    char version[64] = "";
    PDDocGetInfo(imposed, "GTS_PDFXVersion", version, (ASInt32)sizeof version);
    EXPECT_EQ(mode == 1 ? "PDF/X-1:2001" : "", std::string(version)) << mode;
    EXPECT_EQ(mode == 1, (bool)trimOf(imposed, 0)) << mode;
    EXPECT_EQ(mode == 1, (bool)trimOf(imposed, 1)) << mode;
  }
  // Neither document PDF/X: nothing to carry.
  gPDFXMode = 1;
  ScopedDoc plain(NewDocWithPages({{{0, 0, 100, 100}, "", nullptr}}));
  ScopedDoc imposed(NewDocWithPages({{{0, 0, 500, 500}, "", nullptr}}));
  PreservePDFXIntoImposedDoc(plain, imposed);
  EXPECT_FALSE(trimOf(imposed, 0));
}

TEST_F(PrefsTest, ANewImposedDocumentIsPreparedForPDFX) {
  std::string x1a = dir.file("x1a.pdf");
  kvfix::WritePdfx1a(x1a);
  ScopedDoc source(OpenPdf(x1a));
  for (ASInt32 mode : {0, 1}) {
    gPDFXMode = mode;
    ScopedDoc made(PDDocCreatePerhapsClonePDFX(source));
    ASSERT_NE(nullptr, made.doc);
    EXPECT_EQ(0, PDDocGetNumPages(made));
    char version[64] = "";
    PDDocGetInfo(made, "GTS_PDFXVersion", version, (ASInt32)sizeof version);
    EXPECT_EQ(mode == 1 ? "PDF/X-1:2001" : "", std::string(version)) << mode;
  }
  gPDFXMode = 1;
  ScopedDoc withoutSource(PDDocCreatePerhapsClonePDFX(nullptr));
  EXPECT_NE(nullptr, withoutSource.doc);
}

}  // namespace
