#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageBuild.h"
#include "pdftools/OPIFix.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosCopy.h"
#include "pdftools/MergeResources.h"
#include "pdftools/OPIFix.h"
#include "support/CosStreamBytes.h"

using namespace kvtest;

namespace {

class OPIFixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    doc = PDDocCreate();
    m = CosMaker{PDDocGetCosDoc(doc)};
    info = NewMergeResourceInfo(doc);
    gApplyOPIFix = 1;
  }
  void TearDown() override {
    DestroyMergeResourceInfo(info);
    PDDocClose(doc);
    gApplyOPIFix = 1;
    EXPECT_EQ(0, ASExceptionFrameDepth());
  }
  // A form XObject; opi adds an OPI dictionary.
  CosObj Form(CosObj resources, bool opi) {
    CosObj extra = m.Dict({{"Subtype", m.Name("Form")}});
    if (CosObjGetType(resources) != CosNull) CosDictPut(extra, Atom("Resources"), resources);
    if (opi) CosDictPut(extra, Atom("OPI"), m.Dict({{"1.3", m.Dict({{"Type", m.Name("OPI")}})}}));
    return m.Stream("BT /F1 1 Tf (x) Tj ET", true, extra);
  }
  CosObj WithFont(CosObj font) { return m.Dict({{"Font", m.Dict({{"F1", font}})}}); }
  CosObj WithForm(CosObj form) { return m.Dict({{"XObject", m.Dict({{"Fx", form}})}}); }
  // The XObject dictionary the sheet's result holds after merging xobjects.
  CosObj Merged(CosObj xobjects) {
    MergeResourceDict(info, m.Dict({{"XObject", xobjects}}), nullptr);
    return CosDictGet(info->result, Atom("XObject"));
  }
  PDDoc doc = nullptr;
  CosMaker m{};
  SMergeResourceInfo* info = nullptr;
};

TEST_F(OPIFixTest, FormsWithoutOPIAreMergedAsTheyStand) {
  CosObj image = m.Stream("abc", false, m.Dict({{"Subtype", m.Name("Image")}}));
  CosObj form = Form(m.Dict({{"ProcSet", m.Arr({m.Name("PDF")})}}), false);
  CosObj xobjects = m.Dict({{"Im1", image}, {"Fm1", form}});
  SElementSeenTable* seen = NewElementSeenTableWithExtra(2);
  EXPECT_FALSE(XObjectResourcesIncludesOPIWithFonts(seen, xobjects));
  DestroyElementSeenTable(seen);
  CosObj merged = Merged(xobjects);
  EXPECT_TRUE(CosObjEqual(image, CosDictGet(merged, Atom("Im1"))));
  EXPECT_TRUE(CosObjEqual(form, CosDictGet(merged, Atom("Fm1"))));
}

// A form with OPI and fonts gets a private copy whose fonts are new objects.
TEST_F(OPIFixTest, OPIFormsWithFontsAreCopied) {
  CosObj font = m.Font("Helvetica");
  CosObj form = Form(WithFont(font), true);
  CosObj image = m.Stream("abc", false, m.Dict({{"Subtype", m.Name("Image")}}));
  CosObj merged = Merged(m.Dict({{"Fm1", form}, {"Im1", image}}));
  CosObj copy = CosDictGet(merged, Atom("Fm1"));
  ASSERT_EQ(CosStream, CosObjGetType(copy));
  EXPECT_FALSE(CosObjEqual(copy, form));
  EXPECT_EQ(CosStreamBytes(form), CosStreamBytes(copy));
  EXPECT_TRUE(CosObjEqual(image, CosDictGet(merged, Atom("Im1"))));
  CosObj copiedFont = CosDictGet(CosDictGet(CosDictGet(copy, Atom("Resources")), Atom("Font")), Atom("F1"));
  EXPECT_TRUE(CosObjIsIndirect(copiedFont));
  EXPECT_FALSE(CosObjEqual(copiedFont, font));
  EXPECT_TRUE(CosObjContentsEqual(copiedFont, font));
  // The source form is left as it was.
  EXPECT_TRUE(CosObjEqual(font, CosDictGet(CosDictGet(CosDictGet(form, Atom("Resources")), Atom("Font")), Atom("F1"))));

  // With the switch off nothing is copied.
  gApplyOPIFix = 0;
  DestroyMergeResourceInfo(info);
  info = NewMergeResourceInfo(doc);
  EXPECT_TRUE(CosObjEqual(form, CosDictGet(Merged(m.Dict({{"Fm1", form}})), Atom("Fm1"))));
}

TEST_F(OPIFixTest, NestedForms) {
  SElementSeenTable* seen = NewElementSeenTableWithExtra(2);
  ElementSeenTableUseHashCall(seen);
  // OPI whose fonts sit in a nested form's resources.
  CosObj inner = Form(WithFont(m.Font("Courier")), false);
  CosObj opiOuter = Form(WithForm(inner), true);
  EXPECT_TRUE(XObjectResourcesIncludesOPIWithFonts(seen, m.Dict({{"A", opiOuter}})));
  // A form without OPI whose nested form holds OPI with fonts: both copied.
  CosObj opiInner = Form(WithFont(m.Font("Times-Roman")), true);
  CosObj plainOuter = Form(WithForm(opiInner), false);
  CosObj clone = CloneXObjectResourcesForOPIBug(seen, m.Dict({{"B", plainOuter}}), 0);
  CosObj outerCopy = CosDictGet(clone, Atom("B"));
  EXPECT_FALSE(CosObjEqual(outerCopy, plainOuter));
  CosObj innerCopy = CosDictGet(CosDictGet(CosDictGet(outerCopy, Atom("Resources")), Atom("XObject")), Atom("Fx"));
  EXPECT_EQ(CosStream, CosObjGetType(innerCopy));
  EXPECT_FALSE(CosObjEqual(innerCopy, opiInner));
  // The answer for a form is cached once computed.
  void* extra = nullptr;
  ASSERT_TRUE(IsElementSeenExtra(seen, opiInner, &extra));
  EXPECT_EQ(1, *static_cast<ASUns16*>(extra));
  ASSERT_TRUE(IsElementSeenExtra(seen, plainOuter, &extra));
  EXPECT_EQ(1, *static_cast<ASUns16*>(extra));
  // A form below an OPI form is only searched for fonts, not cached.
  EXPECT_FALSE(IsElementSeenExtra(seen, inner, &extra));
  DestroyElementSeenTable(seen);
}

// Forms nested deeper than six levels below the dictionary are not looked at.
TEST_F(OPIFixTest, DepthLimit) {
  for (int levels : {5, 7}) {
    CosObj form = Form(WithFont(m.Font("Symbol")), true);
    for (int i = 1; i < levels; ++i) form = Form(WithForm(form), false);
    SElementSeenTable* seen = NewElementSeenTableWithExtra(2);
    EXPECT_EQ(levels <= 6, XObjectResourcesIncludesOPIWithFonts(seen, m.Dict({{"Top", form}}))) << levels;
    DestroyElementSeenTable(seen);
  }
}

// A form used by two pages of one sheet is tested once: the second merge
// finds the answer in the record's seen-table.
TEST_F(OPIFixTest, AnswersAreKeptForTheSheet) {
  CosObj form = Form(WithFont(m.Font("Helvetica")), true);
  CosObj first = CosDictGet(Merged(m.Dict({{"Fm1", form}})), Atom("Fm1"));
  ASSERT_NE(nullptr, info->seenTable);
  void* extra = nullptr;
  ASSERT_TRUE(IsElementSeenExtra(info->seenTable, form, &extra));
  EXPECT_EQ(1, *static_cast<ASUns16*>(extra));
  // Each placement gets its own copy.
  CosObj second = CosDictGet(Merged(m.Dict({{"Fm1", form}})), Atom("Fm1"));
  EXPECT_FALSE(CosObjEqual(first, form));
  EXPECT_NE(CosNull, CosObjGetType(second));
}

}  // namespace
