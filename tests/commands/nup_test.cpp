// The n-up command: its parameters, the orientation and fit-scale choice, the
// describer, the Start callback on real documents, and the wizard answered
// through the platform's dialog driver.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/Nup.h"
#include "commands/Prefs.h"
#include "engine/EnginePrefs.h"
#include "engine/PagesTestSupport.h"
#include "fixtures/Fixtures.h"
#include "fixtures/PrintFixtures.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "frame/Describe.h"
#include "frame/ProcMan.h"
#include "kctl/KCtlExport.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/HostPdf.h"
#include "support/PfTestSupport.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }

ASFixed Pt(double points) { return (ASFixed)(points * 65536.0); }

// The command's defaults copied into params.
void Defaults(SKCab* params) {
  SKCab* defaults = NupDefaultParams();
  KCabCopy(defaults, params);
  KCabDestroy(defaults);
}

SKCab* BlankPage(double w, double h) {
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Blank"));
  KCabPutDouble(page, "Width", w);
  KCabPutDouble(page, "Height", h);
  return page;
}

// Parameters on a Letter sheet, at 100 % as many as fit.
SKCab* LetterParams() {
  SKCab* p = NupDefaultParams();
  KCabPutCab(p, "Page", BlankPage(612, 792));
  KCabPutInt(p, "FitAcross", 0);
  KCabPutInt(p, "FitDown", 0);
  return p;
}

class NupCommand : public PagesTest {
 protected:
  void TearDown() override {
    ASfree(active_nup.pageSizes);
    active_nup.pageSizes = nullptr;
    PagesTest::TearDown();
  }

  // The layout the parameters give for count pages of one size.
  SNupInfo Layout(SKCab* params, int count, double w, double h, bool* ok) {
    SNupInfo info = default_nup;
    EXPECT_TRUE(KCabToNupSpacing(params, &info, 0, 1, 0));
    sizes_.assign((size_t)count, ASFixedPoint{Pt(w), Pt(h)});
    info.pageSizes = sizes_.data();
    info.spacing.pageCount = count;
    *ok = DoPageCountSideEffects(params, &info) != 0;
    info.pageSizes = nullptr;
    return info;
  }
  std::vector<ASFixedPoint> sizes_;
};

// ---- parameters --------------------------------------------------------------------------

TEST_F(NupCommand, GapListsKeepOneToThirtyValues) {
  SKCab* p = KCabNewInner();
  SNupInfo info = default_nup;
  ASSERT_TRUE(KCabToNupSpacing(p, &info, 0, 0, 1));
  EXPECT_EQ(1, info.spacing.hGapCount) << "no list is one zero gap";
  EXPECT_EQ(0, info.spacing.hGaps[0]);
  std::vector<double> many(31);
  for (size_t i = 0; i < many.size(); ++i) many[i] = (double)i + 1;
  KCabPutDoubleArray(p, "HSpace", many.data(), 31);
  KCabPutDoubleArray(p, "VSpace", many.data(), 2);
  ASSERT_TRUE(KCabToNupSpacing(p, &info, 0, 0, 1));
  EXPECT_EQ(30, info.spacing.hGapCount);
  EXPECT_EQ(Pt(30), info.spacing.hGaps[29]);
  EXPECT_EQ(2, info.spacing.vGapCount);
  KCabDestroy(p);
}

TEST_F(NupCommand, OldFixedScalingReadsAsFixedAndIsWrittenBackSo) {
  SKCab* p = KCabNewInner();
  KCabPutAtom(p, "DoScaling", ASAtomFromString("AcroFixed"));
  SNupInfo info = default_nup;
  ASSERT_TRUE(KCabToNupSpacing(p, &info, 0, 0, 1));
  EXPECT_EQ(kNupFixed, info.doScaling);
  EXPECT_EQ(kNupBest, info.pageOrientation) << "absent orientation";
  KCabFromNupSpacing(p, &info, 0);
  EXPECT_STREQ("Fixed", ASAtomGetString(KCabGetAtom(p, "DoScaling", ASAtomNull)));
  KCabDestroy(p);
}

TEST_F(NupCommand, MarginsCountOnlyWhenUsed) {
  SKCab* p = KCabNewInner();
  KCabPutDouble(p, "LMgn", 36);
  KCabPutDouble(p, "TMgn", 18);
  double gap = 12;
  KCabPutDoubleArray(p, "HSpace", &gap, 1);
  KCabPutBool(p, "CropMarks", 1);
  KCabPutBool(p, "Frames", 1);
  KCabPutBool(p, "Trim", 1);
  SNupInfo info = default_nup;
  ASSERT_TRUE(KCabToNupSpacing(p, &info, 0, 0, 0));
  EXPECT_EQ(0, info.spacing.leftMargin);
  EXPECT_EQ(0, info.spacing.topMargin);
  EXPECT_EQ(0, info.spacing.hGaps[0]);
  EXPECT_FALSE(info.spacing.cropMarks);
  EXPECT_FALSE(info.spacing.frames);
  EXPECT_TRUE(info.spacing.trim);
  EXPECT_EQ(36.0, KCabGetDouble(p, "LMgn", 0)) << "the keys stay";
  ASSERT_TRUE(KCabToNupSpacing(p, &info, 0, 0, 1));
  EXPECT_EQ(Pt(36), info.spacing.leftMargin) << "kept when asked";
  EXPECT_EQ(&info.cropDesc, info.spacing.cropDesc);
  KCabDestroy(p);
}

TEST_F(NupCommand, DefaultParametersHaveNoSheet) {
  SKCab* p = NupDefaultParams();
  EXPECT_FALSE(KCabKnown(p, "Page"));
  EXPECT_TRUE(KCabGetBool(p, "NewDoc", 0));
  EXPECT_STREQ("TL", ASAtomGetString(KCabGetAtom(p, "SheetAlign", ASAtomNull)));
  EXPECT_EQ(2, KCabGetInt(p, "FitAcross", 0));
  EXPECT_FALSE(KCabGetBool(p, "CropMarks", 1));
  EXPECT_TRUE(KCabKnown(p, "CropStyle"));
  SNupInfo info = default_nup;
  EXPECT_FALSE(KCabToNupSpacing(p, &info, 1, 1, 0));
  EXPECT_EQ((std::vector<std::string>{Msg("common.err.nopagesize")}), Errors());
  EXPECT_TRUE(KCabToNupSpacing(p, &info, 1, 0, 0)) << "not required";
  KCabDestroy(p);
}

TEST_F(NupCommand, MirroringAsksForTheNewerVersion) {
  SKCab* p = KCabNewInner();
  NupSetRequires(p);
  EXPECT_FALSE(KCabKnown(p, "Requires"));
  KCabPutBool(p, "EvenMirrorVertical", 1);
  NupSetRequires(p);
  EXPECT_STREQ("kv3alphabase[KV 3.0/KVZ 3.0 alpha]", KCabGetString(p, "Requires"));
  KCabPutBool(p, "EvenMirrorVertical", 0);
  NupSetRequires(p);
  EXPECT_TRUE(KCabKnown(p, "Requires")) << "never removed";
  KCabDestroy(p);
}

// ---- the layout choice -----------------------------------------------------------------

struct FitCase {
  const char* name;
  double sheetW, sheetH, margin;
  int across, down;
  double gap;
  double pageW, pageH;
  double scale;
};
void PrintTo(const FitCase& c, std::ostream* os) { *os << c.name; }

class NupFitScale : public ::testing::TestWithParam<FitCase> {};

TEST_P(NupFitScale, SmallerOfTheTwoDirections) {
  const FitCase& c = GetParam();
  SNupSpacing s;
  std::memset(&s, 0, sizeof s);
  s.leftMargin = s.rightMargin = s.topMargin = s.bottomMargin = Pt(c.margin);
  s.hGaps[0] = s.vGaps[0] = Pt(c.gap);
  s.hGaps[1] = Pt(1000);  // only the first gap counts
  s.maxAcross = c.across;
  s.maxDown = c.down;
  ASFixedPoint page{Pt(c.pageW), Pt(c.pageH)};
  EXPECT_NEAR(c.scale, ScaleForFixedLayout(&s, Pt(c.sheetW), Pt(c.sheetH), &page), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NupFitScale,
    ::testing::Values(FitCase{"TwoByTwoLetter", 612, 792, 0, 2, 2, 0, 612, 792, 0.5},
                      FitCase{"WideSheetLimitedByHeight", 792, 612, 0, 2, 2, 0, 612, 792, 612.0 / 1584},
                      FitCase{"MarginsAndAGap", 612, 792, 36, 2, 1, 20, 200, 700, (792 - 72) / 700.0},
                      FitCase{"NoLimitsCountAsOne", 612, 792, 0, 0, 0, 0, 306, 792, 1.0},
                      FitCase{"MarginsWiderThanTheSheet", 612, 792, 400, 1, 1, 0, 612, 792, 1.0 / 792}));

TEST_F(NupCommand, BestTakesFewerSheetsThenTheLargerScaleThenTall) {
  bool ok = false;
  SKCab* p = LetterParams();
  // 380 x 250 pages: three to a portrait sheet, four to a landscape one.
  SNupInfo info = Layout(p, 12, 380, 250, &ok);
  ASSERT_TRUE(ok);
  EXPECT_FALSE(info.bestIsTall);
  EXPECT_EQ(4, info.tallCount);
  EXPECT_EQ(3, info.wideCount);
  EXPECT_EQ(Pt(792), info.spacing.sheetWidth);
  // Two per sheet either way: tall.
  info = Layout(p, 6, 300, 400, &ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(info.bestIsTall);
  EXPECT_EQ(Pt(612), info.spacing.sheetWidth);
  // "Wide" always takes the landscape sheet.
  KCabPutAtom(p, "PageOrientation", ASAtomFromString("Wide"));
  info = Layout(p, 6, 300, 400, &ok);
  EXPECT_EQ(Pt(792), info.spacing.sheetWidth);
  KCabDestroy(p);

  // Fitted to 2 x 2, Letter pages: one sheet either way, portrait scales larger.
  p = LetterParams();
  KCabPutBool(p, "UseScale", 1);
  KCabPutInt(p, "FitAcross", 2);
  KCabPutInt(p, "FitDown", 2);
  info = Layout(p, 4, 612, 792, &ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(info.bestIsTall);
  EXPECT_NEAR(0.5, info.spacing.scale, 1e-4);
  EXPECT_EQ(1, info.spacing.sheetCount);
  KCabPutInt(p, "FitAcross", 0);
  KCabPutInt(p, "FitDown", 0);
  Layout(p, 4, 612, 792, &ok);
  EXPECT_FALSE(ok) << "fitting to no rows and no columns";
  KCabDestroy(p);
}

TEST_F(NupCommand, APageTooBigForOneOrientationTakesTheOther) {
  bool ok = false;
  SKCab* p = LetterParams();
  // 700 wide: too big across a portrait sheet, fits a landscape one.
  SNupInfo info = Layout(p, 1, 700, 500, &ok);
  ASSERT_TRUE(ok);
  EXPECT_FALSE(info.bestIsTall);
  EXPECT_FALSE(info.pageTooBig);
  KCabDestroy(p);
}

TEST_F(NupCommand, ABackgroundWithTooFewPagesFails) {
  std::string background = File(3);
  SKCab* p = LetterParams();
  SKCab* page = KCabNewInner();
  KCabPutAtom(page, "Type", ASAtomFromString("Background"));
  KCabPutStringCopy(page, "DIPath", background.c_str());
  KCabPutInt(page, "From", 0);
  KCabPutInt(page, "To", 2);
  KCabPutInt(page, "Repeat", 0);
  KCabPutCab(p, "Page", page);
  KCabPutAtom(p, "PageOrientation", ASAtomFromString("Wide"));
  bool ok = true;
  SNupInfo info = Layout(p, 3, 612, 792, &ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(Pt(612), info.spacing.sheetWidth) << "the background's page decides the orientation";
  Layout(p, 4, 612, 792, &ok);
  EXPECT_FALSE(ok);
  KCabDestroy(p);
}

TEST_F(NupCommand, AlignFeedback) {
  SKCab* p = KCabNewInner();
  char text[200];
  FormatNupAlignFeedback(p, text, sizeof text);
  EXPECT_EQ(std::string(PageAlignDescription(kAlignTL)), text);
  KCabPutAtom(p, "SheetAlign", ASAtomFromString("BL"));
  KCabPutBool(p, "EvenMirrorHorizontal", 1);
  KCabPutBool(p, "SheetAlignIndependent", 1);
  FormatNupAlignFeedback(p, text, sizeof text);
  EXPECT_NE(std::string::npos, std::string(text).find(PageAlignDescription(kAlignBR)));
  EXPECT_NE(std::string::npos, std::string(text).find(Msg("dlg.nup3fixed.41")));
  FormatNupAlignFeedback(p, text, 8);
  EXPECT_EQ(7u, std::strlen(text)) << "bounded by the buffer";
  KCabDestroy(p);
}

// ---- describer --------------------------------------------------------------------------

std::vector<std::string> Lines(SKCab* lines) {
  std::vector<std::string> out;
  KCabEnum(
      lines,
      [](SKCab* cab, const char* key, ASInt32, void* data) -> ASBool {
        static_cast<std::vector<std::string>*>(data)->push_back(KCabGetString(cab, key));
        return 1;
      },
      &out);
  return out;
}

TEST_F(NupCommand, DescriberLinesInOrder) {
  SKCab* p = LetterParams();
  KCabPutInt(p, "FitAcross", 3);
  KCabPutInt(p, "FitDown", 2);
  SKCab* lines = CmdMgrNupDescriber(nullptr, p);
  std::vector<std::string> got = Lines(lines);
  KCabDestroy(lines);
  ASSERT_GE(got.size(), 7u);
  EXPECT_EQ(Msg("common.desc.newdoc"), got[0]);
  EXPECT_EQ(Msg("uiimp.3.3"), got[3]) << "no margins";
  EXPECT_EQ(0u, got[4].find(Msg("common.desc.sheetsize")));
  EXPECT_EQ(0u, got[5].find(Msg("uiimp.3.8")));
  EXPECT_EQ("2 rows of 3 pages at full size", got[6]) << "rows before columns";
  EXPECT_EQ(0u, got[7].find(Msg("common.desc.align")));

  // A fixed scale is described by its percentage, a fitted grid by its counts.
  KCabPutBool(p, "UseScale", 1);
  KCabPutAtom(p, "DoScaling", ASAtomFromString("Fixed"));
  KCabPutDouble(p, "FixedScale", 0.25);
  lines = CmdMgrNupDescriber(nullptr, p);
  got = Lines(lines);
  KCabDestroy(lines);
  EXPECT_EQ("Pages scaled to 25.0%", got[6]);
  KCabPutAtom(p, "DoScaling", ASAtomFromString("ToFit"));
  lines = CmdMgrNupDescriber(nullptr, p);
  got = Lines(lines);
  KCabDestroy(lines);
  EXPECT_EQ("Scaled to fit 2 rows of 3 pages", got[6]);
  KCabDestroy(p);
}

// ---- the command on documents ----------------------------------------------------------------

TEST_F(NupCommand, StartMakesANewDocumentOfSheets) {
  PDDoc doc = Doc(6);
  ForgetViews();
  SKCab* definition = NewCmdMgrForNup();
  EXPECT_STREQ("Nup", ASAtomGetString(KCabGetAtom(definition, "Key", ASAtomNull)));
  EXPECT_TRUE(KCabGetBool(definition, "Control:Props:CanHandleAToA", 0));
  const bool ok = Run(definition, doc, [](SKCab* params) {
    Defaults(params);
    KCabPutCab(params, "Page", BlankPage(612, 792));
    KCabPutBool(params, "UseScale", 1);
    KCabPutAtom(params, "DoScaling", ASAtomFromString("ToFit"));
    KCabPutAtom(params, "BleedMode", ASAtomFromString("Use"));
  });
  KCabDestroy(definition);
  EXPECT_TRUE(ok);
  EXPECT_EQ(6, PDDocGetNumPages(doc));
  std::vector<OpenedView> views = ViewsOpened();
  ASSERT_EQ(1u, views.size());
  PDDoc out = AVDocGetPDDoc(views[0].view);
  ASSERT_EQ(2, PDDocGetNumPages(out));
  EXPECT_EQ(0, SaveAndCheck(out, "sheets.pdf"));
  CloseAllViews();
}

TEST_F(NupCommand, WithoutASheetTheRunIsCancelled) {
  PDDoc doc = Doc(2);
  SKCab* definition = NewCmdMgrForNup();
  const bool ok = Run(definition, doc, [](SKCab* params) { Defaults(params); });
  KCabDestroy(definition);
  EXPECT_FALSE(ok);
  EXPECT_EQ((std::vector<std::string>{Msg("nup.err.nosheet")}), Errors());
  EXPECT_EQ(2, PDDocGetNumPages(doc));
}

// A layout the user cancels, or whose background the PDF/X check refuses,
// is no run done (no history is written for it) and changes nothing.
TEST_F(NupCommand, ACancelledOrRefusedLayoutIsNoRunDone) {
  {
    SCOPED_TRACE("cancelled");
    PDDoc doc = Doc(4);
    ForgetViews();
    SKCab* definition = NewCmdMgrForNup();
    ClickStatusCancel();
    EXPECT_FALSE(Run(definition, doc, [](SKCab* params) {
      Defaults(params);
      KCabPutCab(params, "Page", BlankPage(612, 792));
      KCabPutBool(params, "NewDoc", 0);
      KCabPutAtom(params, "BleedMode", ASAtomFromString("Use"));
    }));
    KCabDestroy(definition);
    EXPECT_EQ(4, PDDocGetNumPages(doc));
    EXPECT_TRUE(ViewsOpened().empty());
  }
  {
    SCOPED_TRACE("a background the PDF/X check refuses");
    const ASInt32 pdfx = gPDFXMode;
    gPDFXMode = 1;
    const std::string x1a = dir.file("x1a.pdf");
    kvfix::WritePdfx1a(x1a);
    docs.push_back(OpenPdf(x1a));
    PDDoc doc = docs.back();
    const ASInt32 pages = PDDocGetNumPages(doc);
    SKCab* definition = NewCmdMgrForNup();
    const std::string background = File(2);
    capture->Clear();
    EXPECT_FALSE(Run(definition, doc, [&](SKCab* params) {
      Defaults(params);
      SKCab* page = KCabNewInner();
      KCabPutAtom(page, "Type", ASAtomFromString("Background"));
      KCabPutStringCopy(page, "DIPath", background.c_str());
      KCabPutInt(page, "From", 0);
      KCabPutInt(page, "To", 1);
      KCabPutCab(params, "Page", page);
      KCabPutBool(params, "NewDoc", 0);
      KCabPutAtom(params, "BleedMode", ASAtomFromString("Use"));
    }));
    gPDFXMode = pdfx;
    KCabDestroy(definition);
    EXPECT_EQ(pages, PDDocGetNumPages(doc));
    ASSERT_FALSE(Errors().empty());
    EXPECT_EQ(0u, Errors()[0].find(Msg("pdfx.error.backgroundunusable"))) << Errors()[0];
  }
}

struct ExactCase {
  const char* name;
  int across, down;
  bool useScale;
  bool ok;
  int sheets;
};
void PrintTo(const ExactCase& c, std::ostream* os) { *os << c.name; }

class NupExactFit : public NupCommand, public ::testing::WithParamInterface<ExactCase> {};


TEST_F(NupCommand, AHostErrorWhileLayingOutFailsTheRunAfterThePreferencesAreRestored) {
  PDDoc doc = Doc(4);
  SKCab* p = LetterParams();
  const ASInt32 before = gImpositionUseFormXObjects;
  KCabPutInt(p, "UseFormXObjects", before + 1);
  ASFaultInject("PDDocCreatePage", genErrNoMemory);
  ASErrorCode code = 0;
  ASBool done = 0;
  DURING
    done = DoNupFromCab(nullptr, doc, p, 0);
  HANDLER
    code = ERRORCODE;
  END_HANDLER
  ASFaultClearAll();
  // Not reported as done: the error reaches the process manager, which fails the run.
  EXPECT_FALSE(done);
  EXPECT_EQ(genErrNoMemory, code);
  EXPECT_EQ(before, gImpositionUseFormXObjects);
  EXPECT_EQ(nullptr, active_nup.pageSizes);
  KCabDestroy(p);
}

// Letter pages on a landscape Tabloid sheet: two across, one row.
TEST_P(NupExactFit, RunsOnlyOnTheGridAskedFor) {
  const ExactCase& c = GetParam();
  PDDoc doc = Doc(4);
  SKCab* definition = NewCmdMgrForNup();
  const bool ok = Run(definition, doc, [&](SKCab* params) {
    Defaults(params);
    KCabPutCab(params, "Page", BlankPage(1224, 792));
    KCabPutAtom(params, "PageOrientation", ASAtomFromString("Wide"));
    KCabPutBool(params, "NewDoc", 0);
    KCabPutBool(params, "ExactFit", 1);
    KCabPutBool(params, "UseScale", c.useScale);
    KCabPutInt(params, "FitAcross", c.across);
    KCabPutInt(params, "FitDown", c.down);
  });
  KCabDestroy(definition);
  EXPECT_EQ(c.ok, ok);
  EXPECT_EQ(c.ok ? c.sheets : 4, PDDocGetNumPages(doc));
  if (!c.ok) {
    ASSERT_EQ(1u, Errors().size());
    // The refusal says what the sheet does hold of these pages.
    EXPECT_NE(std::string::npos, Errors()[0].find("these pages go 2 across and 1 down on it (the sheet is 1224 x 792 pt)"))
        << Errors()[0];
  }
}

INSTANTIATE_TEST_SUITE_P(Table, NupExactFit,
                         ::testing::Values(ExactCase{"Met", 2, 1, false, true, 2},
                                           ExactCase{"TooManyAcross", 3, 0, false, false, 0},
                                           ExactCase{"AcrossZeroChecksRowsOnly", 0, 1, false, true, 2},
                                           ExactCase{"RowsWrong", 0, 2, false, false, 0},
                                           ExactCase{"NothingAsked", 0, 0, false, true, 2},
                                           ExactCase{"IgnoredWhenScaling", 3, 3, true, true, 1}));

// ---- the wizard -------------------------------------------------------------------------------

PfDialogRef Front() { return PfDriverFindDialog(nullptr); }
void Press(ASInt32 id) { PfDriverClickItem(Front(), PfDriverItemById(Front(), id), 0); }

TEST_F(NupCommand, WizardWithoutADocumentRefuses) {
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  EXPECT_FALSE(CmdMgrNupUI(nullptr, p));
  EXPECT_EQ((std::vector<std::string>{Msg("common.err.noopendocument")}), Errors());
  KCabDestroy(p);
}

TEST_F(NupCommand, WizardPagesNextBackAndFinish) {
  View(5);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  KCabPutBool(p, "NewDoc", 0);  // saved before the wizard's version: becomes true
  std::vector<std::string> titles;
  PfScript script;
  auto step = [&](ASInt32 id) {
    script.Then([&, id] {
      std::string title = "?";
      for (const char* key : {"dlg.nup1.title", "dlg.nup2.title", "dlg.nup3fixed.title"})
        if (Front() && PfDriverFindDialog(Msg(key).c_str()) == Front()) title = Msg(key);
      titles.push_back(title);
      Press(id);
    });
  };
  step(1);   // page 1: Next
  step(99);  // page 2: Back
  step(1);   // page 1 again
  step(1);   // page 2
  step(1);   // page 3: Finish
  EXPECT_TRUE(CmdMgrNupUI(nullptr, p));
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.nup1.title"), Msg("dlg.nup2.title"), Msg("dlg.nup1.title"),
                                      Msg("dlg.nup2.title"), Msg("dlg.nup3fixed.title")}),
            titles);
  EXPECT_EQ(2, KCabGetInt(p, "UIVer", 0));
  EXPECT_TRUE(KCabGetBool(p, "NewDoc", 0));
  EXPECT_FALSE(KCabKnown(p, "Private:DialogInfo"));
  EXPECT_TRUE(KCabKnown(p, "Page"));
  EXPECT_EQ(nullptr, active_nup.pageSizes);
  KCabDestroy(p);
}

TEST_F(NupCommand, WizardCancelLeavesTheParameters) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  PfScript script;
  script.Then([] { Press(1); });
  script.Then([] { Press(2); });
  EXPECT_FALSE(CmdMgrNupUI(nullptr, p));
  EXPECT_FALSE(KCabKnown(p, "UIVer"));
  KCabDestroy(p);
}

// A failure while a wizard page is up passes on, and the wizard's working
// entries leave the caller's parameters all the same.
TEST_F(NupCommand, WizardFailureLeavesNoWorkingEntries) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  PfScript script;
  script.Then([] { Press(1); });
  script.Then([] { ASRaise(genErrGeneral); });
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { CmdMgrNupUI(nullptr, p); }));
  for (const char* key : {"Private:DialogInfo", "Private:NupSimpleMargin", "Private:NupSimpleGap"})
    EXPECT_FALSE(KCabKnown(p, key)) << key;
  EXPECT_EQ(nullptr, active_nup.pageSizes);
  KCabDestroy(p);
}

TEST_F(NupCommand, UnequalMarginsOpenTheAdvancedBox) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  KCabPutBool(p, "UseMgn", 1);
  KCabPutDouble(p, "LMgn", 10);
  KCabPutDouble(p, "RMgn", 20);
  bool advanced = false, simpleEnabled = true, setupEnabled = false;
  PfScript script;
  script.Then([] { Press(1); });
  script.Then([&] {
    advanced = PfDriverGetValue(Front(), PfDriverItemById(Front(), 203)) != 0;
    // The platform takes a disabled edit field out of sight.
    const int16_t simple = PfDriverItemById(Front(), 201);
    simpleEnabled = PfDriverIsEnabled(Front(), simple) && PfDriverIsVisible(Front(), simple);
    setupEnabled = PfDriverIsEnabled(Front(), PfDriverItemById(Front(), 204));
    Press(2);
  });
  EXPECT_FALSE(CmdMgrNupUI(nullptr, p));
  EXPECT_TRUE(advanced);
  EXPECT_FALSE(simpleEnabled);
  EXPECT_TRUE(setupEnabled);
  KCabDestroy(p);
}

TEST_F(NupCommand, EqualMarginsGoThroughTheSimpleFields) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  KCabPutBool(p, "UseMgn", 1);
  for (const char* key : {"LMgn", "RMgn", "TMgn", "BMgn"}) KCabPutDouble(p, key, 9);
  PfScript script;
  script.Then([] { Press(1); });
  script.Then([] {
    EXPECT_FALSE(PfDriverGetValue(Front(), PfDriverItemById(Front(), 203)));
    EXPECT_TRUE(PfDriverIsVisible(Front(), PfDriverItemById(Front(), 201)));
    Press(1);
  });
  script.Then([] { Press(1); });
  EXPECT_TRUE(CmdMgrNupUI(nullptr, p));
  for (const char* key : {"LMgn", "RMgn", "TMgn", "BMgn"}) EXPECT_NEAR(9.0, KCabGetDouble(p, key, 0), 1e-3) << key;
  EXPECT_FALSE(KCabKnown(p, "Private:NupSimpleMargin"));
  KCabDestroy(p);
}

// The pictures of the wizard's pages and of the dialogs they open.
int Pictures() {
  int n = 0;
  for (int16_t k = 1; k <= PfCountDialogItems(Front()); ++k)
    if ((PfGetDialogItemKind(Front(), k) & 0x7F) == kPfPictureItem) ++n;
  return n;
}

TEST_F(NupCommand, TheFirstPageAndTheMarginAndAlignmentDialogsShowThePicture) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  KCabPutBool(p, "UseMgn", 1);
  KCabPutDouble(p, "LMgn", 10);  // unequal margins: the advanced setup is enabled
  std::vector<int> seen;
  auto look = [&](ASInt32 then) {
    return [&, then] {
      seen.push_back(Pictures());
      Press(then);
    };
  };
  PfScript script;
  script.Then(look(1));                 // page 1
  script.Then([] { Press(204); });      // page 2: advanced margins
  script.Then(look(2));                 // advanced margins: Cancel
  script.Then([] { Press(1); });        // page 2
  script.Then([] { PfDriverPressButton(Front(), Msg("common.button.set").c_str()); });
  script.Then(look(2));                 // alignment: Cancel
  script.Then([] { Press(2); });        // page 3: Cancel
  EXPECT_FALSE(CmdMgrNupUI(nullptr, p));
  EXPECT_EQ((std::vector<int>{1, 1, 1}), seen);
  KCabDestroy(p);
}

std::string ItemText(ASInt32 id) {
  char text[200] = "";
  const int16_t item = PfDriverItemById(Front(), id);
  if (item > 0) PfDriverGetText(Front(), item, text, sizeof text);
  return text;
}

TEST_F(NupCommand, TheStepAndRepeatWizardHasPagesOfItsOwnAndCountsCopies) {
  View(3);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  std::vector<std::string> titles;
  std::string perSheet, copies, sheets = "?";
  auto title = [&] {
    for (const char* key : {"dlg.step1.title", "dlg.step2.title", "dlg.step3fixed.title", "dlg.nup1.title"})
      if (PfDriverFindDialog(Msg(key).c_str()) == Front()) titles.push_back(Msg(key));
  };
  PfScript script;
  script.Then([&] {
    title();
    Press(1);
  });
  script.Then([&] {
    title();
    Press(1);
  });
  script.Then([&] {
    title();
    perSheet = ItemText(175);
    copies = ItemText(174);
    sheets = ItemText(173);
    Press(1);
  });
  EXPECT_TRUE(NupOrStepAndRepeatUI(nullptr, p, 1));
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.step1.title"), Msg("dlg.step2.title"), Msg("dlg.step3fixed.title")}),
            titles);
  // The copy counts (the planner's) replace the placeholders; there is no sheet count.
  EXPECT_FALSE(perSheet.empty());
  EXPECT_NE("000000", perSheet);
  EXPECT_FALSE(copies.empty());
  EXPECT_NE("000000", copies);
  EXPECT_EQ("", sheets);

  // The n-up pages come back for the n-up command.
  titles.clear();
  script.Then([&] {
    title();
    Press(2);
  });
  EXPECT_FALSE(CmdMgrNupUI(nullptr, p));
  EXPECT_EQ((std::vector<std::string>{Msg("dlg.nup1.title")}), titles);
  KCabDestroy(p);
}

TEST_F(NupCommand, ClassicModeHasNoNewDocumentBoxAndAlignsTopLeft) {
  View(2);
  SKCab* p = LetterParams();
  KCabPutBool(p, "Interactive", 1);
  KCabPutAtom(p, "SheetAlign", ASAtomFromString("C"));
  KCabPutBool(p, "NewDoc", 0);
  KCabPutInt(p, "UIVer", 2);
  const ASBool classic = gKVClassic;
  gKVClassic = 1;
  int newDocItem = 0;
  PfScript script;
  script.Then([&] {
    newDocItem = PfDriverItemByKey(Front(), "NewDoc");
    Press(1);
  });
  script.Then([] { Press(1); });
  script.Then([] { Press(1); });
  EXPECT_TRUE(CmdMgrNupUI(nullptr, p));
  gKVClassic = classic;
  EXPECT_LE(newDocItem, 0);
  EXPECT_STREQ("TL", ASAtomGetString(KCabGetAtom(p, "SheetAlign", ASAtomNull)));
  EXPECT_TRUE(KCabGetBool(p, "NewDoc", 0));
  KCabDestroy(p);
}

}  // namespace
