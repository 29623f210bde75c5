// The crop-mark setup dialog and its style browser driven through the
// platform's dialog driver, and the describer line.
#include "engine/CropMarks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/CropMarkSetup.h"
#include "foundation/KCab.h"
#include "foundation/MessageTable.h"
#include "kctl/KCtlHarness.h"
#include "kctl/mac/PDFCtl.h"
#include "platform/PfResource.h"
#include "support/EnglishMessages.h"

using namespace kvtest;

namespace {

std::string Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
std::string Title() { return PfGetWindowTitleUTF8(PfGetDialogWindow(KCtlFixture::Front())); }
std::string TextOfId(ASInt32 id) { return PfText(KCtlFixture::Front(), KCtlFixture::ItemOfId(id)); }
void TypeId(ASInt32 id, const char* text) {
  PfDriverTypeText(KCtlFixture::Front(), KCtlFixture::ItemOfId(id), text, true);
}
void Press(const char* key) { ASSERT_TRUE(PfDriverPressButton(KCtlFixture::Front(), Msg(key).c_str())) << key; }
ASAtom Word(const char* w) { return ASAtomFromString(w); }

struct Fields {
  std::string style, dist, length, width;
};
Fields ReadFields() { return {TextOfId(101), TextOfId(102), TextOfId(103), TextOfId(104)}; }

class CropMarkDialog : public KCtlFixture {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(LoadEnglishMessages()); }
  void SetUp() override {
    KCtlFixture::SetUp();
    PfBundleSetResourcesFolder(KV_TEST_BUILD_DIR "/plugins/kv3/Resources");
    params = KCabNewInner();
  }
  void TearDown() override {
    KCabDestroy(params);
    PDFCtlTerm();
    KCtlFixture::TearDown();
  }
  SKCab* params = nullptr;
};

TEST_F(CropMarkDialog, OpensWithTheLanguageDefaultAndStoresTypedMeasuresOnOK) {
  Fields shown;
  PfScript script;
  script.Then([&] {
    shown = ReadFields();
    TypeId(102, "12.5");
    TypeId(104, "1");
    PfDriverPressReturn();
  });
  EXPECT_TRUE(CropMarkSetup(params));
  EXPECT_EQ("1", shown.style);
  EXPECT_EQ("10", shown.dist);
  EXPECT_EQ("20", shown.length);
  EXPECT_EQ("0.3", shown.width);
  EXPECT_EQ(Word("Corners"), KCabGetAtom(params, "CropStyle", ASAtomNull));
  EXPECT_DOUBLE_EQ(12.5, KCabGetDouble(params, "CropDist", 0));
  EXPECT_DOUBLE_EQ(20, KCabGetDouble(params, "CropLength", 0));
  EXPECT_DOUBLE_EQ(1, KCabGetDouble(params, "CropWidth", 0));
  EXPECT_FALSE(KCabKnown(params, "StyleNum"));
}

TEST_F(CropMarkDialog, CancelKeepsTheValuesButFillsInMissingKeys) {
  KCabPutAtom(params, "CropStyle", Word("Japanese"));
  KCabPutDouble(params, "CropDist", 4);
  PfScript script;
  script.Then([] { TypeId(102, "99"); });
  script.Then([] { Press("dlg.crop.2"); });  // the browser
  script.Then([] {
    Press("dlg.cropmarkstyle.7");  // style 3
    PfDriverPressReturn();
  });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(CropMarkSetup(params));
  EXPECT_EQ(Word("Japanese"), KCabGetAtom(params, "CropStyle", ASAtomNull)) << "the browser's choice goes with Cancel";
  EXPECT_DOUBLE_EQ(4, KCabGetDouble(params, "CropDist", 0));
  EXPECT_DOUBLE_EQ(20, KCabGetDouble(params, "CropLength", 0)) << "filled in from the language default";
  EXPECT_NEAR(0.3, KCabGetDouble(params, "CropWidth", 0), 1e-4);
  EXPECT_FALSE(KCabKnown(params, "StyleNum"));
}

TEST_F(CropMarkDialog, TheBrowserCyclesThroughTheFiveStylesWithAPreviewOfEach) {
  std::vector<std::string> numbers;
  std::vector<bool> previews;
  std::string title, of;
  PfScript script;
  script.Then([] { Press("dlg.crop.2"); });
  script.Then([&] {
    title = Title();
    of = TextOfId(102);
  });
  for (int i = 0; i < 6; ++i)
    script.Then([&] {
      numbers.push_back(TextOfId(101));
      SPDFCtlInfo* rec = FindPDFCtlInfo(FrontInfo(), 103);
      previews.push_back(rec && CosObjGetType(rec->object) != CosNull && rec->drawMode == kPDFCtlFit);
      Press("dlg.cropmarkstyle.7");
    });
  script.Then([] { PfDriverPressEscape(); });
  script.Then([] { PfDriverPressEscape(); });
  EXPECT_FALSE(CropMarkSetup(params));
  EXPECT_EQ(Msg("dlg.cropmarkstyle.title"), title);
  EXPECT_EQ("of 5", of);
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "5", "1"}), numbers);
  EXPECT_EQ(std::vector<bool>(6, true), previews);
}

struct BrowseCase {
  const char* name;
  const char* start;  // "CropStyle" before
  int nextClicks;     // in the browser
  bool browserOK;
  const char* style;  // "CropStyle" after OK
  Fields fields;      // after the browser closes
};

TEST_F(CropMarkDialog, ChoosingAStyleInTheBrowser) {
  const BrowseCase cases[] = {
      // A new style brings its own measures; the same one keeps what was typed.
      {"new style", "Corners", 2, true, "CornersMid", {"3", "10", "20", "0.3"}},
      {"to a Japanese style", "Corners", 4, true, "KoreanMid", {"5", "8.5039", "28.3465", "0.2835"}},
      {"same style", "Corners", 5, true, "Corners", {"1", "7", "20", "0.3"}},
      {"browser cancelled", "Corners", 2, false, "Corners", {"1", "7", "20", "0.3"}},
  };
  for (const BrowseCase& c : cases) {
    SCOPED_TRACE(c.name);
    KCabMakeEmpty(params);
    KCabPutAtom(params, "CropStyle", Word(c.start));
    Fields after;
    PfScript script;
    script.Then([] { TypeId(102, "7"); });
    script.Then([] { Press("dlg.crop.2"); });
    script.Then([&] {
      for (int i = 0; i < c.nextClicks; ++i) Press("dlg.cropmarkstyle.7");
      if (c.browserOK)
        PfDriverPressReturn();
      else
        PfDriverPressEscape();
    });
    script.Then([&] {
      after = ReadFields();
      PfDriverPressReturn();
    });
    EXPECT_TRUE(CropMarkSetup(params));
    EXPECT_EQ(Word(c.style), KCabGetAtom(params, "CropStyle", ASAtomNull));
    EXPECT_EQ(c.fields.style, after.style);
    EXPECT_EQ(c.fields.dist, after.dist);
    EXPECT_EQ(c.fields.length, after.length);
    EXPECT_EQ(c.fields.width, after.width);
    EXPECT_NEAR(std::stod(c.fields.dist), KCabGetDouble(params, "CropDist", 0), 1e-4);
    EXPECT_FALSE(KCabKnown(params, "StyleNum"));
  }
}

TEST_F(CropMarkDialog, TheDefaultsButtonRestoresTheStylesMeasures) {
  KCabPutAtom(params, "CropStyle", Word("JapaneseMid"));
  KCabPutDouble(params, "CropDist", 1);
  KCabPutDouble(params, "CropLength", 2);
  KCabPutDouble(params, "CropWidth", 3);
  Fields before, after;
  PfScript script;
  script.Then([&] {
    before = ReadFields();
    Press("dlg.crop.11");
  });
  script.Then([&] {
    after = ReadFields();
    PfDriverPressReturn();
  });
  EXPECT_TRUE(CropMarkSetup(params));
  EXPECT_EQ("4", before.style);
  EXPECT_EQ("1", before.dist);
  EXPECT_EQ("8.5039", after.dist);
  EXPECT_EQ("28.3465", after.length);
  EXPECT_EQ("0.2835", after.width);
  EXPECT_NEAR(8.504, KCabGetDouble(params, "CropDist", 0), 1e-3);
}

TEST(CropMarkParams, FillInMissingKeepsWhatIsThere) {
  ASSERT_TRUE(LoadEnglishMessages());
  SKCab* cab = KCabNewInner();
  KCabPutDouble(cab, "CropLength", 5);
  CropMarkFillInMissingParams(cab);
  EXPECT_EQ(Word("Corners"), KCabGetAtom(cab, "CropStyle", ASAtomNull));
  EXPECT_DOUBLE_EQ(10, KCabGetDouble(cab, "CropDist", 0));
  EXPECT_DOUBLE_EQ(5, KCabGetDouble(cab, "CropLength", 0));
  EXPECT_NEAR(0.3, KCabGetDouble(cab, "CropWidth", 0), 1e-4);
  KCabDestroy(cab);
}

TEST(CropMarkParams, DescriberAppendsOneLineAndLeavesParamsAlone) {
  ASSERT_TRUE(LoadEnglishMessages());
  SKCab* params = KCabNewInner();
  KCabPutAtom(params, "CropStyle", Word("CornersMid"));
  KCabPutDouble(params, "CropDist", 6);
  SKCab* lines = KCabNewInner();
  KCabPutStringCopy(lines, "", "first");
  CropMarkDescriber(lines, params);
  ASSERT_TRUE(KCabKnownNumKey(lines, 1));
  EXPECT_STREQ("first", KCabGetStringNumKey(lines, 0));
  EXPECT_STREQ("Crop marks: style 3, line width 0.3 pt, length 20 pt, distance 6 pt", KCabGetStringNumKey(lines, 1));
  EXPECT_FALSE(KCabKnown(params, "CropLength"));
  KCabDestroy(lines);
  KCabDestroy(params);
}

}  // namespace
