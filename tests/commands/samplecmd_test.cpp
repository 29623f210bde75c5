// The sample-document command: its definition, the sizes it makes pages of,
// running without an open document, its describer and its dialog driven
// through the platform's driver.
#include <gtest/gtest.h>

#include <string>

#include "PageCmdsTestSupport.h"
#include "commands/SampleCmd.h"
#include "foundation/KCab.h"
#include "frame/ProcMan.h"
#include "kctl/PageSizeElem.h"
#include "pdftools/PageSizes.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/TestPageSizes.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

class SampleCmd : public PageCmdTest {
 protected:
  Definition def{NewCmdMgrForCreateTestFile};
  SampleCmd() { Uses(&def); }

  // The one sample document made since the test began (its view owns it).
  PDDoc Made() {
    std::vector<OpenedView> views = ViewsOpened();
    EXPECT_EQ(1u, views.size());
    return views.empty() ? nullptr : AVDocGetPDDoc(views.back().view);
  }
};

TEST_F(SampleCmd, TheModuleRegistersItsDefinition) {
  EXPECT_EQ(&NewCmdMgrForCreateTestFile, KVCommandModules().NewCmdMgrForCreateTestFile);
  EXPECT_EQ(A("CreateSample"), KCabGetAtom(def, "Key", ASAtomNull));
  EXPECT_STREQ("Sample document", KCabGetString(def, "Name"));
  EXPECT_EQ(A("None"), KCabGetAtom(def, "DefaultParams:Source:SourceType", ASAtomNull));
  EXPECT_EQ(8, KCabGetInt(def, "DefaultParams:Count", 0));
  EXPECT_EQ(A("Letter"), KCabGetAtom(def, "DefaultParams:UseSize", ASAtomNull));
  EXPECT_TRUE(KCabGetBool(def, "Control:Props:IgnoreInList", 0));
  EXPECT_TRUE(KCabGetBool(def, "Control:Props:UIDoesntNeedAVDoc", 0));
  for (const char* key : {"BatchGroup", "Version", "Control:Props:CanHandleAToA"})
    EXPECT_FALSE(KCabKnown(def, key)) << key;
  for (const char* key : {"Control:Initialise", "Control:Start"})
    EXPECT_NE(nullptr, KCabGetFunctionPointerNamedType(def, key, kProcManCallbackType)) << key;
}

// Each size word makes pages of its size; a custom size takes its forced
// orientation, and a custom choice that is no blank size makes Letter.
TEST_F(SampleCmd, EachSizeWordMakesPagesOfItsSize) {
  struct Case {
    const char* use;
    std::function<void(SKCab*)> page;
    const char* size;
  };
  auto blank = [](double w, double h, const char* orientation) {
    return [=](SKCab* p) {
      KCabPutCab(p, "Page", NewPageSizeCabBlankPoints(nullptr, w, h, 1));
      if (orientation) KCabPutAtom(p, "PageOrientation", A(orientation));
    };
  };
  const Case cases[] = {
      {"Letter", nullptr, "612.00 x 792.00"},
      {"HalfLetter", nullptr, "396.00 x 612.00"},
      {"A4", nullptr, "595.28 x 841.89"},
      {"A5", nullptr, "419.53 x 595.28"},
      {"WideLetter", nullptr, "792.00 x 612.00"},
      {"WideA4", nullptr, "841.89 x 595.28"},
      {"Custom", blank(300, 500, nullptr), "300.00 x 500.00"},
      {"Custom", blank(300, 500, "Wide"), "500.00 x 300.00"},
      // A hand-written parameter file's whole numbers are a size too.
      {"Custom",
       [](SKCab* p) {
         SKCab* size = NewPageSizeCabBlankPoints(nullptr, 1, 1, 1);
         KCabPutInt(size, "Width", 300);
         KCabPutUns(size, "Height", 500);
         KCabPutCab(p, "Page", size);
       },
       "300.00 x 500.00"},
      {"Custom",
       [](SKCab* p) {
         KCabPutCab(p, "Page", NewPageSizeBackground("Form", "/forms/a.pdf", 0, 0, 1, 1));
       },
       "612.00 x 792.00"},
      {"Custom", nullptr, "612.00 x 792.00"},
      {"Unheard", nullptr, "612.00 x 792.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.use);
    ForgetViews();
    SKCab* params = KCabNewInner();
    KCabPutAtom(params, "UseSize", A(c.use));
    KCabPutInt(params, "Count", 2);
    if (c.page) c.page(params);
    PDDoc doc = nullptr;
    EXPECT_TRUE(CreateTestFileFromCab(&doc, params));
    KCabDestroy(params);
    ASSERT_NE(nullptr, doc);
    EXPECT_EQ(doc, Made()) << "opened in a window";
    EXPECT_EQ(2, PDDocGetNumPages(doc));
    EXPECT_EQ(c.size, PageSizeText(doc, 1));
  }
}

TEST_F(SampleCmd, WithoutACountOnePageIsMade) {
  SKCab* params = KCabNewInner();
  PDDoc doc = nullptr;
  EXPECT_TRUE(CreateTestFileFromCab(&doc, params));
  KCabDestroy(params);
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ(1, PDDocGetNumPages(doc));
  EXPECT_EQ("612.00 x 792.00", PageSizeText(doc, 0));
}

// The command runs through the process manager with no document open, from
// its default parameters, and the pages carry their numbers.
TEST_F(SampleCmd, RunsWithNoDocumentOpen) {
  ASSERT_EQ(nullptr, AVAppGetActiveDoc());
  SKCab* params = KCabDup(KCabGetCab(def, "DefaultParams"));
  ASSERT_TRUE(CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr));
  PDDoc doc = Made();
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ(8, PDDocGetNumPages(doc));
  std::string path = dir.file("sample.pdf");
  SavePdf(doc, path);
  EXPECT_EQ(0, QpdfCheck(path));
  std::string text = PdfToText(path);
  for (int n = 1; n <= 8; ++n)
    EXPECT_NE(std::string::npos, text.find((n == 1 ? "" : "|") + std::to_string(n))) << n;
  EXPECT_TRUE(Errors().empty());
}

// A count outside 1 to the insert limit is refused before anything is made,
// and the refusal names the key and its range.
TEST_F(SampleCmd, ACountOutOfRangeIsRefusedWithItsRange) {
  for (ASInt32 count : {0, -3, 2000000000}) {
    SCOPED_TRACE(count);
    capture->Clear();
    SKCab* params = KCabDup(KCabGetCab(def, "DefaultParams"));
    KCabPutInt(params, "Count", count);
    EXPECT_FALSE(CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr));
    EXPECT_TRUE(ViewsOpened().empty());
    ASSERT_EQ(1u, Errors().size());
    EXPECT_EQ("Count = " + std::to_string(count) + " is refused: it must be a whole number from 1 to 100000 pages.",
              Errors()[0]);
  }
}

TEST_F(SampleCmd, TheDescriberGivesCountAndSize) {
  struct Case {
    std::function<void(SKCab*)> setup;
    const char* lines;
  };
  const Case cases[] = {
      {[](SKCab*) {}, "Pages: 8 | Page size: Letter"},
      {[](SKCab* p) {
         KCabPutInt(p, "Count", 3);
         KCabPutAtom(p, "UseSize", A("WideA4"));
       },
       "Pages: 3 | Page size: A4, wide"},
      {[](SKCab* p) { KCabPutAtom(p, "UseSize", A("HalfLetter")); }, "Pages: 8 | Page size: Half letter"},
      // A value a run refuses is named after the lines.
      {[](SKCab* p) { KCabPutStringCopy(p, "Count", "many"); },
       "Pages: many | Page size: Letter | A run refuses these parameters: Count: a whole number (written <I>) is "
       "needed, not text."},
      {[](SKCab* p) {
         KCabPutAtom(p, "UseSize", A("Custom"));
         KCabPutCab(p, "Page", NewPageSizeCabBlankPoints(nullptr, 300, 500, 1));
       },
       "Pages: 8 | Page size: 4.17 x 6.94 inches (105.8 x 176.4 mm)"},
      {[](SKCab* p) { KCabPutAtom(p, "UseSize", A("Odd")); }, "Pages: 8 | Page size: Other size:"},
  };
  for (const Case& c : cases) {
    SKCab* params = KCabNewInner();
    c.setup(params);
    EXPECT_EQ(c.lines, def.Describe(params));
    KCabDestroy(params);
  }
}

TEST_F(SampleCmd, TheDescriberDropsTheFirstAmpersandOfTheCaption) {
  ScopedMessage letter("dlg.createtest.5", "&Letter && more");
  SKCab* params = KCabNewInner();
  EXPECT_EQ("Pages: 8 | Page size: Letter && more", def.Describe(params));
  KCabDestroy(params);
}

// ---- The dialog

TEST_F(SampleCmd, TheDialogStoresCountAndSize) {
  SKCab* params = KCabDup(KCabGetCab(def, "DefaultParams"));
  PfScript script;
  bool pageEnabledAtStart = true, pageEnabledLater = false, letterAtStart = false;
  script.Then([&] {
    letterAtStart = Checked("UseSize=Letter");
    pageEnabledAtStart = Enabled("Page");
    PfDriverTypeText(Front(), Item("Count"), "3", true);
    Click("UseSize=Custom");
  });
  // Clicks and typing wait in the event queue: look at their effect a step later.
  script.Then([&] {
    pageEnabledLater = Enabled("Page");
    Click("UseSize=WideA4");
  });
  script.Then([] { PfDriverPressReturn(); });
  ASSERT_TRUE(def.UI(params));
  EXPECT_TRUE(letterAtStart);
  EXPECT_FALSE(pageEnabledAtStart) << "the size chooser waits for Custom";
  EXPECT_TRUE(pageEnabledLater);
  EXPECT_EQ(3, KCabGetInt(params, "Count", 0));
  EXPECT_EQ(A("WideA4"), KCabGetAtom(params, "UseSize", ASAtomNull));
  KCabDestroy(params);
}

TEST_F(SampleCmd, CustomWithoutASizeIsRefusedAndTheDialogStays) {
  SKCab* params = KCabDup(KCabGetCab(def, "DefaultParams"));
  KCabPutAtom(params, "UseSize", A("Custom"));
  EXPECT_TRUE(OkRefused(def, params));
  EXPECT_EQ(std::vector<std::string>{"No usable page size was chosen."}, Errors());
  EXPECT_EQ(A("Custom"), KCabGetAtom(params, "UseSize", ASAtomNull)) << "a cancel keeps the parameters";
  KCabDestroy(params);
}

TEST_F(SampleCmd, CustomWithASizeMakesPagesOfIt) {
  KCabPutCab(TestPageSizes::Coll(), "", NewPageSizeCabBlankPoints("Card", 200, 300, 0));
  SKCab* params = KCabDup(KCabGetCab(def, "DefaultParams"));
  KCabPutAtom(params, "UseSize", A("Custom"));
  KCabPutCab(params, "Page", NewPageSizeCabBlankPoints("Card", 200, 300, 0));
  PfScript script;
  script.Then([] { PfDriverPressReturn(); });
  ASSERT_TRUE(def.UI(params));
  EXPECT_TRUE(ExportedPageSizeExists(params, "Page"));
  ASSERT_TRUE(CmdMgrRunProcess(def, params, nullptr, nullptr, nullptr));
  PDDoc doc = Made();
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ("200.00 x 300.00", PageSizeText(doc, 7));
}

// The booklet wizard's road: the same dialog on a cabinet kept between
// calls, then the document.
TEST_F(SampleCmd, DoCreateSampleRemembersItsChoices) {
  PfScript script;
  script.Then([] {
    PfDriverTypeText(Front(), Item("Count"), "2", true);
    Click("UseSize=A5");
    PfDriverPressReturn();
  });
  ASSERT_TRUE(DoCreateSample());
  PDDoc doc = Made();
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ(2, PDDocGetNumPages(doc));
  EXPECT_EQ("419.53 x 595.28", PageSizeText(doc, 0));
  ForgetViews();

  bool a5Again = false;
  std::string count;
  script.Then([&] {
    a5Again = Checked("UseSize=A5");
    count = PfText(Front(), Item("Count"));
    PfDriverPressEscape();
  });
  EXPECT_FALSE(DoCreateSample());
  EXPECT_TRUE(a5Again);
  EXPECT_EQ("2", count);
  EXPECT_TRUE(ViewsOpened().empty()) << "cancel makes nothing";
}

}  // namespace
