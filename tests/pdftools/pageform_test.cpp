#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageBuild.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PageForm.h"
#include "support/CosDescribe.h"
#include "support/CosStreamBytes.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

class PageFormTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(0, PDGetAcquiredPageCount());
    EXPECT_EQ(0, ASExceptionFrameDepth());
    EXPECT_EQ(0, ASStmOpenCount());
  }
  TempDir dir;
};

CosObj Box(CosMaker& m, int l, int b, int r, int t) { return m.Arr({m.Int(l), m.Int(b), m.Int(r), m.Int(t)}); }

TEST_F(PageFormTest, BoundingBoxes) {
  ScopedDoc doc(PDDocCreate());
  CosMaker m{PDDocGetCosDoc(doc)};
  AddPage(doc, "0 0 m 9 9 l S", CosNewNull());
  AddPage(doc, "0 0 m 9 9 l S", CosNewNull());
  {
    ScopedPage p(doc, 0);
    CosDictPut(PDPageGetCosObj(p), Atom("MediaBox"), Box(m, 0, 0, 595, 842));
    CosDictPut(PDPageGetCosObj(p), Atom("CropBox"), Box(m, 20, 20, 575, 822));
    EXPECT_EQ("[0 0 595 842 ]", Describe(CosDictGet(PrepareFormXObjectFromPage(p, 0), Atom("BBox"))));
    EXPECT_EQ("[20 20 575 822 ]",
              Describe(CosDictGet(PrepareFormXObjectFromPage(p, kFormPreferCropBox), Atom("BBox"))));
  }
  {
    // Neither box: letter size.
    ScopedPage p(doc, 1);
    CosDictRemove(PDPageGetCosObj(p), Atom("MediaBox"));
    CosObj form = PrepareFormXObjectFromPage(p, kFormPreferCropBox);
    EXPECT_EQ("[0 0 612 792 ]", Describe(CosDictGet(form, Atom("BBox"))));
    EXPECT_EQ("[1 0 0 1 0 0 ]", Describe(CosDictGet(form, Atom("Matrix"))));
    EXPECT_EQ("/Form", Describe(CosDictGet(form, Atom("Subtype"))));
    EXPECT_EQ("/XObject", Describe(CosDictGet(form, Atom("Type"))));
    EXPECT_EQ("1", Describe(CosDictGet(form, Atom("FormType"))));
    EXPECT_EQ("/FlateDecode", Describe(CosDictGet(form, Atom("Filter"))));
    EXPECT_EQ("0 0 m 9 9 l S", CosStreamBytes(form));
  }
}

// Inherited media box and resources come along; contents of several
// streams become one.
TEST_F(PageFormTest, InheritedAndSplitPages) {
  kvfix::WriteInherited(dir.file("inherited.pdf"));
  ScopedDoc doc(OpenPdf(dir.file("inherited.pdf")));
  ScopedPage p(doc, 3);  // inherits both
  ASSERT_FALSE(kvfix::kInherited[3].ownMedia);
  ASSERT_FALSE(kvfix::kInherited[3].ownResources);
  CosObj form = PrepareFormXObjectFromPage(p, 0);
  EXPECT_EQ("[0 0 200 200 ]", Describe(CosDictGet(form, Atom("BBox"))));
  EXPECT_TRUE(CosObjEqual(PDPageGetCosResources(p), CosDictGet(form, Atom("Resources"))));

  ScopedDoc split(PDDocCreate());
  AddPage(split, std::vector<std::string>{"q 1 0 0 1 5 5 cm", "0 0 m 9 9 l S", "Q"}, CosNewNull(), true);
  ScopedPage sp(split, 0);
  EXPECT_EQ("q 1 0 0 1 5 5 cm\n0 0 m 9 9 l S\nQ", CosStreamBytes(PrepareFormXObjectFromPage(sp, 0)));
}

TEST_F(PageFormTest, PagesThatOnlyPaintTheForm) {
  for (ASBool useHost : {0, 1}) {
    ScopedDoc doc(PDDocCreate());
    CosMaker m{PDDocGetCosDoc(doc)};
    CosObj resources = m.Dict({{"Font", m.Dict({{"F1", m.Font("Helvetica")}})},
                               {"ProcSet", m.Arr({m.Name("PDF"), m.Name("Text")})}}, true);
    AddPage(doc, "BT /F1 9 Tf 10 10 Td (x) Tj ET", resources);
    ScopedPage p(doc, 0);
    CosObj form = PrepareFormXObjectFromPage(p, 0);
    ReplacePageWithXObjectReference(p, form, useHost);
    EXPECT_EQ("/Frm Do", PageContents(doc, 0));
    CosObj now = CosDictGet(PDPageGetCosObj(p), Atom("Resources"));
    EXPECT_EQ("<</ProcSet [/PDF /Text ] /XObject " + std::to_string(CosObjGetID(CosDictGet(now, Atom("XObject")))) +
                  " R >>",
              Describe(now));
    EXPECT_TRUE(CosObjEqual(form, CosDictGet(CosDictGet(now, Atom("XObject")), Atom("Frm"))));
    TempDir out;
    SavePdf(doc, out.file("form.pdf"));
    EXPECT_EQ(0, QpdfCheck(out.file("form.pdf")));
    int status = std::system(("pdftotext '" + out.file("form.pdf") + "' '" + out.file("form.txt") + "'").c_str());
    ASSERT_EQ(0, status);
    EXPECT_NE(std::string::npos, ReadWholeFile(out.file("form.txt")).find("x"));
  }
}

}  // namespace
