// The page-merge record: its states and the errors of calls out of order,
// sheets closed into pages (contents, resources, compression, transparency
// group, the imposition dictionary), registration colours, progress, and
// the page utilities (removing bleed, prefixing content, patterns).
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SheetCheck.h"
#include "engine/CropMarks.h"
#include "engine/ImpositionPrefs.h"
#include "engine/PageMerge.h"
#include "fixtures/Fixtures.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "host/AVAlert.h"
#include "pdftools/CosCopy.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PageBoxes.h"
#include "platform/PfSystem.h"
#include "support/CosDescribe.h"
#include "support/EnglishMessages.h"
#include "support/MessageCapture.h"

using namespace kvtest;

namespace {

const auto* const gMessages = ::testing::AddGlobalTestEnvironment(new EnglishMessagesEnvironment);

class PageMergeTest : public EngineTest {};

PDDoc OnePageDoc(const std::string& content = "0 0 m 10 10 l S") {
  return NewDocWithPages({{{0, 0, 200, 100}, content, nullptr}});
}

CosObj SheetDict(PDDoc doc, ASInt32 index) {
  ScopedPage page(doc, index);
  return PDPageGetCosObj(page);
}

// ---- order of calls -----------------------------------------------------------------------

struct OrderCase {
  const char* what;
  bool sheetOpen;  // the call comes while a sheet is open
  std::function<void(SPageMergeInfo*, PDDoc)> call;
};

TEST_F(PageMergeTest, CallsOutOfOrderRaiseTheWrongStateErrorAndChangeNothing) {
  ScopedDoc doc(OnePageDoc());
  const ASFixedRect media = Rect(0, 0, 500, 500);
  const std::vector<OrderCase> cases = {
      {"writing before a sheet", false, [](SPageMergeInfo* i, PDDoc) { WriteStringToMergedPage(i, "0 g\n"); }},
      {"a registration colour", false, [](SPageMergeInfo* i, PDDoc) { AddRegColour(i, kRegColourBlack, 1); }},
      {"compression", false, [](SPageMergeInfo* i, PDDoc) { PageMergeSetZipCompression(i); }},
      {"default compression", false, [](SPageMergeInfo* i, PDDoc) { SetDefaultPageMergeCompression(i); }},
      {"finishing", false, [&](SPageMergeInfo* i, PDDoc) { FinishMergeToNewPage(i, 0, media); }},
      {"placing a page", false,
       [](SPageMergeInfo* i, PDDoc) { MergePage(i, 0, Translation(0, 0), nullptr, nullptr); }},
      {"the target", false, [](SPageMergeInfo* i, PDDoc) { PageMergeGetTargetPDDoc(i); }},
      {"the merge record", false, [](SPageMergeInfo* i, PDDoc) { PageMergeGetMergeResourceInfo(i); }},
      {"opening a second sheet", true, [](SPageMergeInfo* i, PDDoc d) { PrepareForMergeToNewPage(i, d); }},
  };
  for (const OrderCase& c : cases) {
    ScopedMerge info;
    if (c.sheetOpen) PrepareForMergeToNewPage(info, doc);
    const ASInt32 state = info->state;
    const ASInt32 pages = PDDocGetNumPages(doc);
    EXPECT_EQ(pageMergeExceptionWrongState, ErrorOf([&] { c.call(info, doc); })) << c.what;
    EXPECT_EQ(state, info->state) << c.what;
    EXPECT_EQ(pages, PDDocGetNumPages(doc)) << c.what;
  }
  EXPECT_EQ("Internal error - page merge routines called out of order", ErrorText(pageMergeExceptionWrongState));
}

TEST_F(PageMergeTest, WritingAfterTheSheetIsFinishedIsOutOfOrder) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { WriteStringToMergedPage(info, "0 g\n"); });
  EXPECT_EQ(kPageMergeIdle, info->state);
  EXPECT_EQ(pageMergeExceptionWrongState, ErrorOf([&] { WriteStringToMergedPage(info, "1 g\n"); }));
  // The record serves the next sheet as if nothing had happened.
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { WriteStringToMergedPage(info, "0.5 g\n"); });
  EXPECT_EQ("0.5 g\n", PageContentBytes(doc, 2));
}

TEST_F(PageMergeTest, PageIndicesOutsideTheTargetRaiseTheirOwnErrors) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", nullptr}, {{0, 0, 100, 100}, "", nullptr}}));
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  struct {
    ASInt32 index;
    ASErrorCode* code;
    const char* text;
  } cases[] = {
      {-1, &pageMergeExceptionNegativePage, "Internal error - attempt to merge page with negative page number"},
      {-100, &pageMergeExceptionNegativePage, "Internal error - attempt to merge page with negative page number"},
      {2, &pageMergeExceptionBigPage, "Internal error - attempt to merge a page beyond the last"},
      {50, &pageMergeExceptionBigPage, "Internal error - attempt to merge a page beyond the last"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(*c.code, ErrorOf([&] { MergePage(info, c.index, Translation(0, 0), nullptr, nullptr); })) << c.index;
    EXPECT_EQ(c.text, ErrorText(*c.code));
  }
  // Nothing was written for them.
  FinishMergeToNewPage(info, 1, Rect(0, 0, 100, 100));
  EXPECT_EQ("", PageContentBytes(doc, 2));
}

TEST_F(PageMergeTest, ExtraRotationKeepsOnlyQuarterTurns) {
  ScopedMerge info;
  EXPECT_EQ(0, info->extraRotation);
  struct {
    ASInt32 given, kept;
  } cases[] = {{270, 270}, {45, 270}, {90, 90}, {-90, 90}, {360, 90}, {180, 180}, {0, 0}, {1, 0}};
  for (const auto& c : cases) {
    PageMergeSetExtraRotation(info, c.given);
    EXPECT_EQ(c.kept, info->extraRotation) << c.given;
  }
}

TEST_F(PageMergeTest, ANewRecordIsIdleWithoutAnnotationsOrMonitor) {
  ScopedMerge info;
  EXPECT_EQ(kPageMergeIdle, info->state);
  EXPECT_EQ(kFieldsNone, info->annotMode);
  EXPECT_EQ(nullptr, info->monitor);
  EXPECT_FALSE(info->bleedChokeSet);
  EXPECT_NE(nullptr, info->contentStream);
}

// ---- closing sheets ---------------------------------------------------------------------------

TEST_F(PageMergeTest, AnEmptySheetBecomesAPageWithEmptyContentAndDictionaries) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  FinishMergeToNewPage(info, 0, Rect(0, 0, 300, 200));
  ASSERT_EQ(2, PDDocGetNumPages(doc));
  {
    ScopedPage sheet(doc, 1);
    CosObj dict = PDPageGetCosObj(sheet);
    EXPECT_EQ(CosStream, CosObjGetType(CosDictGetKeyString(dict, "Contents")));
    EXPECT_EQ("", CosStreamBytes(CosDictGetKeyString(dict, "Contents")));
    EXPECT_EQ("<<>>", Describe(CosDictGetKeyString(dict, "Resources")));
    EXPECT_EQ("<<>>", Describe(CosDictGetKeyString(dict, "KRVL_imposed_1")));
    ASFixedRect media;
    PDPageGetMediaBox(sheet, &media);
    EXPECT_EQ(Fx(300), media.right);
    EXPECT_EQ(Fx(200), media.top);
  }
  std::string path = dir.file("empty.pdf");
  SavePdf(doc, path);
  EXPECT_EQ(0, QpdfCheck(path));
}

TEST_F(PageMergeTest, CompressionLastsOneSheet) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  const std::string text = "0 0 m 100 100 l S\n";
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { WriteStringToMergedPage(info, text.c_str()); }, true);
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] { WriteStringToMergedPage(info, text.c_str()); }, false);
  CosObj compressed = CosDictGetKeyString(SheetDict(doc, 1), "Contents");
  CosObj plain = CosDictGetKeyString(SheetDict(doc, 2), "Contents");
  EXPECT_EQ("/FlateDecode", Describe(CosDictGetKeyString(compressed, "Filter")));
  EXPECT_NE(text, CosStreamBytes(compressed, cosOpenRaw));
  EXPECT_EQ(text, CosStreamBytes(compressed));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGetKeyString(plain, "Filter")));
  EXPECT_EQ(text, CosStreamBytes(plain, cosOpenRaw));
}

TEST_F(PageMergeTest, SheetsGoAfterTheIndexGivenAndKeepTheirOwnContent) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", nullptr}, {{0, 0, 100, 100}, "", nullptr}}));
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  WriteStringToMergedPage(info, "% first\n");
  FinishMergeToNewPage(info, 0, Rect(0, 0, 100, 100));  // between the two pages
  PrepareForMergeToNewPage(info, doc);
  // Long enough to pass through the record's pending buffer.
  std::string big(3 * kPageMergePendingSize, ' ');
  big += "% second\n";
  WriteStringToMergedPage(info, big.c_str());
  FinishMergeToNewPage(info, PDBeforeFirstPage, Rect(0, 0, 100, 100));
  ASSERT_EQ(4, PDDocGetNumPages(doc));
  EXPECT_EQ(big, PageContentBytes(doc, 0));
  EXPECT_EQ("% first\n", PageContentBytes(doc, 2));
}

// A monitor that counts what the engine tells it.
struct CountingMonitor {
  ASInt32 value = 0;
  ASInt32 calls = 0;
  ProgressMonitorRec rec{};
  CountingMonitor() {
    rec.size = sizeof rec;
    rec.setCurrValue = [](ASInt32 v, void* d) {
      auto* self = static_cast<CountingMonitor*>(d);
      self->value = v;
      ++self->calls;
    };
    rec.getCurrValue = [](void* d) { return static_cast<CountingMonitor*>(d)->value; };
  }
};

TEST_F(PageMergeTest, AMonitorSeesFiveStepsPerSheet) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  CountingMonitor monitor;
  monitor.value = 7;
  PageMergeSetProgressMonitor(info, &monitor.rec, &monitor);
  PrepareForMergeToNewPage(info, doc);
  EXPECT_EQ(8, monitor.value);
  MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
  EXPECT_EQ(8, monitor.value) << "placing a page is no step";
  FinishMergeToNewPage(info, 0, Rect(0, 0, 100, 100));
  EXPECT_EQ(12, monitor.value);
  OneSheet(info, doc, Rect(0, 0, 100, 100), [] {});
  EXPECT_EQ(17, monitor.value);
  EXPECT_EQ(10, monitor.calls);
}

// ---- registration colours ---------------------------------------------------------------------

TEST_F(PageMergeTest, RegistrationColoursAreWrittenInTheirMarkedContent) {
  struct {
    ERegColour colour;
    ERegColour preference;
    ASBool stroke;
    const char* expected;  // %s: the name the separation space got
  } cases[] = {
      {kRegColourBlack, kRegColourAllSeps, 1, "/KRVL_regink BMC\n0 G\nEMC\n"},
      {kRegColourBlack, kRegColourAllSeps, 0, "/KRVL_regink BMC\n0 g\nEMC\n"},
      {kRegColourCMYK, kRegColourAllSeps, 1, "/KRVL_regink BMC\n1 1 1 1 K\nEMC\n"},
      {kRegColourCMYK, kRegColourAllSeps, 0, "/KRVL_regink BMC\n1 1 1 1 k\nEMC\n"},
      {kRegColourUsePrefs, kRegColourBlack, 1, "/KRVL_regink BMC\n0 G\nEMC\n"},
      {kRegColourUsePrefs, kRegColourCMYK, 0, "/KRVL_regink BMC\n1 1 1 1 k\nEMC\n"},
      {kRegColourAllSeps, kRegColourBlack, 1, "/KRVL_regink BMC\n/%s CS 1 SCN\nEMC\n"},
      {kRegColourAllSeps, kRegColourBlack, 0, "/KRVL_regink BMC\n/%s cs 1 scn\nEMC\n"},
      {kRegColourUsePrefs, kRegColourAllSeps, 1, "/KRVL_regink BMC\n/%s CS 1 SCN\nEMC\n"},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(OnePageDoc());
    ScopedMerge info;
    ERegColour before = SetRegColour(c.preference);
    EXPECT_EQ(c.preference, SetRegColour(c.preference));
    PrepareForMergeToNewPage(info, doc);
    AddRegColour(info, c.colour, c.stroke);
    FinishMergeToNewPage(info, 0, Rect(0, 0, 100, 100));
    SetRegColour(before);
    std::string expected = c.expected;
    CosObj spaces = CosDictGetKeyString(CosDictGetKeyString(SheetDict(doc, 1), "Resources"), "ColorSpace");
    size_t at = expected.find("%s");
    if (at != std::string::npos) {
      ASSERT_EQ(CosDict, CosObjGetType(spaces));
      ASSERT_EQ(1, DictCountElements(spaces));
      SDictKeyList* keys = NewDictKeyList(spaces);
      std::string name = keys->keys[0];
      DestroyDictKeyList(keys);
      CosObj space = CosDictGetKeyString(spaces, name.c_str());
      EXPECT_EQ("/Separation", Describe(CosArrayGet(space, 0)));
      EXPECT_EQ("/All", Describe(CosArrayGet(space, 1)));
      expected.replace(at, 2, name);
    } else {
      EXPECT_EQ(CosNull, CosObjGetType(spaces));
    }
    EXPECT_EQ(expected, PageContentBytes(doc, 1));
  }
}

// "UsePrefs" in a command's parameters means the preference: with the
// preference at all separations the marks are drawn in the separation "All",
// not in four-colour black.
TEST_F(PageMergeTest, UsePrefsInTheParametersKeepsThePreferredColour) {
  gRegistrationColour = kRegColourAllSeps;
  EXPECT_EQ(kRegColourAllSeps, SetRegColour(kRegColourUsePrefs));
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "RegColour", ASAtomFromString("UsePrefs"));
  SKCab* saved = PerImpositionPrefsStart(params);
  EXPECT_EQ(kRegColourAllSeps, gRegistrationColour);
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  SCropMarkDesc desc;
  DefaultCropMarkDescForStyle(&desc, kCropCorners);
  ASSERT_EQ(kRegColourUsePrefs, desc.colour);
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] {
    AddCropMarks(info, Fx(20), Fx(20), Fx(80), Fx(80), &desc);
    AddFrame(info, 20, 20, 80, 80, gRegistrationColour);
  });
  PerImpositionPrefsEnd(saved);
  KCabDestroy(params);
  const std::string content = PageContentBytes(doc, 1);
  EXPECT_EQ(std::string::npos, content.find("1 1 1 1 K")) << content;
  CosObj spaces = CosDictGetKeyString(CosDictGetKeyString(SheetDict(doc, 1), "Resources"), "ColorSpace");
  ASSERT_EQ(CosDict, CosObjGetType(spaces));
  SDictKeyList* keys = NewDictKeyList(spaces);
  ASSERT_EQ(1, keys->count);
  const std::string name = keys->keys[0];
  DestroyDictKeyList(keys);
  CosObj space = CosDictGetKeyString(spaces, name.c_str());
  EXPECT_EQ("/Separation", Describe(CosArrayGet(space, 0)));
  EXPECT_EQ("/All", Describe(CosArrayGet(space, 1)));
  // Marks and frame both stroke in it.
  size_t uses = 0;
  for (size_t at = content.find("/" + name + " CS 1 SCN\n"); at != std::string::npos;
       at = content.find("/" + name + " CS 1 SCN\n", at + 1))
    ++uses;
  EXPECT_EQ(2u, uses) << content;
}

// ---- transparency groups ----------------------------------------------------------------------

void GroupPage(CosDoc cosDoc, CosObj dict, const char* space) {
  if (!space) return;
  CosObj group = CosNewDict(cosDoc, 0, 2);
  CosDictPutKeyString(group, "S", CosNewNameFromString(cosDoc, 0, "Transparency"));
  CosDictPutKeyString(group, "CS", CosNewNameFromString(cosDoc, 0, space));
  CosDictPutKeyString(dict, "Group", group);
}

TEST_F(PageMergeTest, TheSheetHasAGroupOnlyWhenEveryPlacedPageHasTheSameOne) {
  struct {
    const char* what;
    const char* first;
    const char* second;
    bool sheetGroup;
  } cases[] = {
      {"equal groups", "DeviceRGB", "DeviceRGB", true},
      {"one page without", "DeviceRGB", nullptr, false},
      {"the other page without", nullptr, "DeviceRGB", false},
      {"different groups", "DeviceRGB", "DeviceCMYK", false},
      {"no groups", nullptr, nullptr, false},
  };
  for (const auto& c : cases) {
    for (ASInt32 forms : {1, 0}) {
      gImpositionUseFormXObjects = forms;
      ScopedDoc doc(NewDocWithPages(
          {{{0, 0, 100, 100}, "0 0 m 5 5 l S", [&](CosDoc d, CosObj p) { GroupPage(d, p, c.first); }},
           {{0, 0, 100, 100}, "0 0 m 6 6 l S", [&](CosDoc d, CosObj p) { GroupPage(d, p, c.second); }}}));
      ScopedMerge info;
      OneSheet(info, doc, Rect(0, 0, 300, 300), [&] {
        MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
        MergePage(info, 1, Translation(150, 0), nullptr, nullptr);
      });
      CosObj sheet = SheetDict(doc, 2);
      CosObj group = CosDictGetKeyString(sheet, "Group");
      EXPECT_EQ(c.sheetGroup, CosObjGetType(group) == CosDict) << c.what << " forms " << forms;
      if (c.sheetGroup) {
        EXPECT_EQ("/DeviceRGB", Describe(CosDictGetKeyString(group, "CS")));
      }
      if (forms != 0) continue;
      // Pages with groups went into forms of their own; a form whose group
      // only repeats the sheet's colour space loses it, the others keep theirs.
      CosObj xobjects = CosDictGetKeyString(CosDictGetKeyString(sheet, "Resources"), "XObject");
      SDictKeyList* keys = NewDictKeyList(xobjects);
      for (ASInt32 k = 0; k < keys->count; ++k) {
        CosObj form = CosDictGetKeyString(xobjects, keys->keys[k]);
        CosObj formGroup = CosDictGetKeyString(form, "Group");
        if (c.sheetGroup) {
          EXPECT_EQ(CosNull, CosObjGetType(formGroup)) << c.what;
        } else {
          EXPECT_EQ(CosDict, CosObjGetType(formGroup)) << c.what;
          EXPECT_EQ("true", Describe(CosDictGetKeyString(formGroup, "I"))) << c.what;
        }
      }
      DestroyDictKeyList(keys);
    }
  }
}

// ---- the imposition dictionary --------------------------------------------------------------

TEST_F(PageMergeTest, EachPlacedPageGetsAnEntryWithWhatItInherits) {
  std::string path = dir.file("inherited.pdf");
  kvfix::WriteInherited(path);
  ScopedDoc doc(OpenPdf(path));
  ScopedMerge info;
  SKCab* first = KCabNewInner();
  SKCab* second = KCabNewInner();
  OneSheet(info, doc, Rect(0, 0, 1200, 900), [&] {
    MergePage(info, 0, Translation(0, 0), nullptr, first);
    MergePage(info, 4, Translation(600, 0), nullptr, second);
  });
  EXPECT_EQ(std::string("S1"), ASAtomGetString(KCabGetAtom(first, "PageID", ASAtomNull)));
  EXPECT_EQ(std::string("S2"), ASAtomGetString(KCabGetAtom(second, "PageID", ASAtomNull)));
  const std::string stamp = KCabGetString(first, "KRVL_ImposeTime");
  EXPECT_TRUE(std::regex_match(stamp, std::regex("D:[0-9]{14}"))) << stamp;

  CosObj imposed = CosDictGetKeyString(SheetDict(doc, 5), "KRVL_imposed_1");
  ASSERT_EQ(2, DictCountElements(imposed));
  CosObj s1 = CosDictGetKeyString(imposed, "S1");
  CosObj s2 = CosDictGetKeyString(imposed, "S2");
  ASSERT_EQ(CosDict, CosObjGetType(s1));
  EXPECT_TRUE(CosObjIsIndirect(s1));
  for (const char* gone : {"Contents", "Type", "Parent", "Annots", "Resources"})
    EXPECT_FALSE(CosDictKnownKeyString(s1, gone)) << gone;
  // Page 1 inherits its media box, crop box and rotation from the tree.
  EXPECT_EQ("[0 0 600 800 ]", Describe(CosDictGetKeyString(s1, "MediaBox")));
  EXPECT_EQ("[10 10 590 790 ]", Describe(CosDictGetKeyString(s1, "CropBox")));
  EXPECT_EQ("90", Describe(CosDictGetKeyString(s1, "Rotate")));
  // Page 5 has its own rotation and inherits the rest from a deeper node.
  EXPECT_EQ("270", Describe(CosDictGetKeyString(s2, "Rotate")));
  EXPECT_EQ("[0 0 200 200 ]", Describe(CosDictGetKeyString(s2, "MediaBox")));
  EXPECT_EQ("(" + stamp + ")", Describe(CosDictGetKeyString(s1, "KRVL_imposetime")));
  for (const char* who : {"KRVL_imposecomputer", "KRVL_imposeuser"}) {
    CosObj name = CosDictGetKeyString(s1, who);
    ASSERT_EQ(CosString, CosObjGetType(name)) << who;
    ASSize_t n = 0;
    CosStringValue(name, &n);
    EXPECT_GT(n, 0u) << who;
  }
  // The source pages did not change.
  {
    ScopedPage source(doc, 0);
    EXPECT_FALSE(CosDictKnownKeyString(PDPageGetCosObj(source), "Rotate"));
    EXPECT_FALSE(CosDictKnownKeyString(PDPageGetCosObj(source), "KRVL_imposetime"));
  }
  // The sheet's marked content names the same page and time.
  SheetScan scan = ScanSheet(PageContentBytes(doc, 5));
  EXPECT_EQ((std::vector<std::string>{"S1", "S2"}), scan.imposedIds);
  EXPECT_NE(std::string::npos, PageContentBytes(doc, 5).find("/ID /S1 /TS (" + stamp + ")"));
  KCabDestroy(first);
  KCabDestroy(second);
}

TEST_F(PageMergeTest, APageInfoWithoutATimeStampGetsANewOne) {
  ScopedDoc doc(OnePageDoc());
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  CosObj imposed = CosNewDict(cosDoc, 1, 10);
  ScopedPage page(doc, 0);
  AddPageInfoToImpositionDict(imposed, ASAtomFromString("S7"), CosNewInteger(cosDoc, 0, 3), PDPageGetCosObj(page));
  CosObj info = CosDictGetKeyString(imposed, "S7");
  ASSize_t n = 0;
  const char* stamp = CosStringValue(CosDictGetKeyString(info, "KRVL_imposetime"), &n);
  EXPECT_TRUE(std::regex_match(std::string(stamp, n), std::regex("D:[0-9]{14}")));
  EXPECT_EQ("[0 0 200 100 ]", Describe(CosDictGetKeyString(info, "MediaBox")));
}

// With fixed names (kvhost --static-id) a placed page carries neither the
// computer's nor the user's name; otherwise it carries both.
TEST_F(PageMergeTest, FixedNamesLeaveTheComputerAndUserOffThePlacedPages) {
  ScopedDoc doc(OnePageDoc());
  CosDoc cosDoc = PDDocGetCosDoc(doc);
  ScopedPage page(doc, 0);
  for (bool fixed : {false, true, false}) {
    SCOPED_TRACE(fixed);
    PfSetFixedNames(fixed);
    CosObj imposed = CosNewDict(cosDoc, 1, 10);
    AddPageInfoToImpositionDict(imposed, ASAtomFromString("S1"), CosNewNull(), PDPageGetCosObj(page));
    CosObj info = CosDictGetKeyString(imposed, "S1");
    for (const char* who : {"KRVL_imposecomputer", "KRVL_imposeuser"})
      EXPECT_NE(fixed, CosDictKnownKeyString(info, who) != 0) << who;
    EXPECT_TRUE(CosDictKnownKeyString(info, "KRVL_imposetime"));
  }
  PfSetFixedNames(false);
}

// ---- failures ------------------------------------------------------------------------------------

TEST_F(PageMergeTest, AFailureWhileClosingTheSheetLeavesNoHalfMadePage) {
  ScopedDoc doc(OnePageDoc("BT /F1 12 Tf 2 Tr 10 10 Td (x) Tj ET"));
  ScopedMerge info;
  PageMergeSet2TrFixMode(info, 1);
  PrepareForMergeToNewPage(info, doc);
  MergePage(info, 0, Translation(30, 30), nullptr, nullptr);
  EXPECT_TRUE(info->tr2Seen);
  // The first new stream is the sheet's content; the second comes from the
  // text-render-mode work-around that runs on the finished page.
  ASFaultInject("CosNewStream", genErrNoMemory, 1);
  EXPECT_EQ(genErrNoMemory, ErrorOf([&] { FinishMergeToNewPage(info, 0, Rect(0, 0, 300, 300)); }));
  EXPECT_EQ(1, PDDocGetNumPages(doc));
  EXPECT_EQ(kPageMergeSheetOpen, info->state);
  // Destroying the record in that state lets go of everything.
}

TEST_F(PageMergeTest, AFailureCreatingThePageLeavesTheDocumentAlone) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
  ASFaultInject("PDDocCreatePage", genErrGeneral);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { FinishMergeToNewPage(info, 0, Rect(0, 0, 300, 300)); }));
  EXPECT_EQ(1, PDDocGetNumPages(doc));
}

TEST_F(PageMergeTest, AFailedWriteReachesTheCaller) {
  ScopedDoc doc(OnePageDoc());
  ScopedMerge info;
  PrepareForMergeToNewPage(info, doc);
  ASFaultInject("ASFileWrite", fileErrWrite);
  std::string big(2 * kPageMergePendingSize, '%');
  EXPECT_NE(0, ErrorOf([&] { WriteStringToMergedPage(info, big.c_str()); }));
}

TEST_F(PageMergeTest, TheTr2WorkAroundRunsOnlyWhenAskedAndNeeded) {
  struct {
    const char* content;
    ASBool mode;
    bool rewritten;
  } cases[] = {
      {"BT /F1 12 Tf 2 Tr 10 10 Td (x) Tj ET", 1, true},
      {"BT /F1 12 Tf 2 Tr 10 10 Td (x) Tj ET", 0, false},
      {"BT /F1 12 Tf 12 Tr 10 10 Td (x) Tj ET", 1, false},
      {"BT /F1 12 Tf /x Tr 10 10 Td (x) Tj ET", 1, false},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(OnePageDoc(c.content));
    ScopedMerge info;
    PageMergeSet2TrFixMode(info, c.mode);
    OneSheet(info, doc, Rect(0, 0, 300, 300), [&] { MergePage(info, 0, Translation(30, 30), nullptr, nullptr); });
    EXPECT_EQ(c.rewritten, PageContentBytes(doc, 1).find("KRVL_TrBugFix") != std::string::npos) << c.content;
  }
}

// ---- page utilities ------------------------------------------------------------------------------

void Boxes(CosDoc cosDoc, CosObj dict, bool trim, bool bleed) {
  auto box = [&](double l, double b, double r, double t) {
    CosObj a = CosNewArray(cosDoc, 0, 4);
    const double v[4] = {l, b, r, t};
    for (ASInt32 i = 0; i < 4; ++i) CosArrayPut(a, i, CosNewDouble(cosDoc, 0, v[i]));
    return a;
  };
  if (trim) CosDictPutKeyString(dict, "TrimBox", bleed ? box(9, 9, 91, 91) : box(0, 0, 100, 100));
  if (bleed) CosDictPutKeyString(dict, "BleedBox", box(0, 0, 100, 100));
}

PDDoc BleedDoc() {
  return NewDocWithPages({{{0, 0, 100, 100}, "", [](CosDoc d, CosObj p) { Boxes(d, p, true, false); }},
                          {{0, 0, 100, 100}, "", [](CosDoc d, CosObj p) { Boxes(d, p, true, true); }},
                          {{0, 0, 100, 100}, "", [](CosDoc d, CosObj p) { Boxes(d, p, true, true); }}});
}

bool HasTrim(PDDoc doc, ASInt32 i) {
  ScopedPage page(doc, i);
  return CosDictKnownKeyString(PDPageGetCosObj(page), "TrimBox");
}

TEST_F(PageMergeTest, RemovingBleedAsksOnceUnlessTold) {
  struct {
    const char* what;
    ASBool prompt;
    int already;  // -1: no flag given
    ASInt32 answer;
    ASBool result;
    size_t questions;
    int alreadyAfter;
    bool bleedLeft;
  } cases[] = {
      {"no prompt", 0, -1, 1, 1, 0, -1, false},
      {"prompt, yes", 1, -1, 1, 1, 1, -1, false},
      {"prompt, already asked", 1, 1, 1, 1, 0, 1, false},
      {"prompt, not asked yet", 1, 0, 1, 1, 1, 1, false},
      {"prompt, no", 1, -1, 2, 0, 1, -1, true},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(BleedDoc());
    AVAlertRecordStart();
    AVAlertQueueAnswer(c.answer);
    ASBool already = c.already < 0 ? 0 : (ASBool)c.already;
    ASBool result = RemoveAnyBleed(doc, -3, -1, c.prompt, c.already < 0 ? nullptr : &already);
    const size_t questions = AVAlertRecorded().size();
    if (questions) {
      EXPECT_EQ(GetMessageFromTableByKey(gSystemMessageTable, "pagemg.2.confirm.losebleed"),
                AVAlertRecorded()[0].message);
    }
    AVAlertRecordStop();
    EXPECT_EQ(c.result, result) << c.what;
    EXPECT_EQ(c.questions, questions) << c.what;
    if (c.alreadyAfter >= 0) {
      EXPECT_EQ(c.alreadyAfter, already) << c.what;
    }
    // A trim box equal to the visible box is no bleed and goes in any case.
    EXPECT_FALSE(HasTrim(doc, 0)) << c.what;
    EXPECT_EQ(c.bleedLeft, HasTrim(doc, 1)) << c.what;
    EXPECT_EQ(c.bleedLeft, HasTrim(doc, 2)) << c.what;
  }
}

TEST_F(PageMergeTest, RemovingBleedFromARangeLeavesTheOtherPages) {
  ScopedDoc doc(BleedDoc());
  EXPECT_TRUE(RemoveAnyBleed(doc, 2, 2, 0, nullptr));
  EXPECT_TRUE(HasTrim(doc, 0));
  EXPECT_TRUE(HasTrim(doc, 1));
  EXPECT_FALSE(HasTrim(doc, 2));
}

TEST_F(PageMergeTest, PrefixedContentGoesFirst) {
  struct {
    const char* what;
    std::function<void(CosDoc, CosObj)> contents;
    const char* joined;  // the contents afterwards, streams joined by "|"; null: untouched
  } cases[] = {
      {"one stream", [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Contents", StreamOf(d, "B")); }, "q|B"},
      {"an array",
       [](CosDoc d, CosObj p) {
         CosObj a = CosNewArray(d, 0, 2);
         CosArrayPut(a, 0, StreamOf(d, "B"));
         CosArrayPut(a, 1, StreamOf(d, "C"));
         CosDictPutKeyString(p, "Contents", a);
       },
       "q|B|C"},
      {"an empty array", [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Contents", CosNewArray(d, 0, 0)); }, "q"},
      {"no contents", [](CosDoc, CosObj p) { CosDictRemoveKeyString(p, "Contents"); }, "q"},
      {"an integer", [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Contents", CosNewInteger(d, 0, 5)); }, nullptr},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", c.contents}}));
    ScopedPage page(doc, 0);
    PrefixPageContents(page, "q");
    CosObj contents = CosDictGetKeyString(PDPageGetCosObj(page), "Contents");
    if (!c.joined) {
      EXPECT_EQ("5", Describe(contents)) << c.what;
      continue;
    }
    std::string joined;
    if (CosObjGetType(contents) == CosStream) {
      joined = CosStreamBytes(contents);
    } else {
      ASSERT_EQ(CosArray, CosObjGetType(contents)) << c.what;
      for (ASInt32 i = 0; i < CosArrayLength(contents); ++i)
        joined += (i ? "|" : "") + CosStreamBytes(CosArrayGet(contents, i));
    }
    EXPECT_EQ(c.joined, joined) << c.what;
  }
}

TEST_F(PageMergeTest, PatternsCountOnlyInThePagesOwnResources) {
  auto resources = [](CosDoc d, bool patternDict) {
    CosObj r = CosNewDict(d, 0, 1);
    CosDictPutKeyString(r, "Pattern", patternDict ? CosNewDict(d, 0, 1) : CosNewInteger(d, 0, 1));
    return r;
  };
  struct {
    const char* what;
    std::function<void(CosDoc, CosObj)> setup;
    bool patterns;
  } cases[] = {
      {"own pattern dictionary", [&](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", resources(d, true)); },
       true},
      {"pattern entry of another type",
       [&](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", resources(d, false)); }, false},
      {"no resources", [](CosDoc, CosObj) {}, false},
      {"resources of another type",
       [](CosDoc d, CosObj p) { CosDictPutKeyString(p, "Resources", CosNewInteger(d, 0, 1)); }, false},
  };
  for (const auto& c : cases) {
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", c.setup}}));
    ScopedPage page(doc, 0);
    EXPECT_EQ(c.patterns, (bool)PageHasPatterns(page)) << c.what;
  }
}

}  // namespace
