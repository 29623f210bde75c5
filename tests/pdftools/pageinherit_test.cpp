#include <gtest/gtest.h>

#include <string>

#include "fixtures/BoxFixtures.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/Notify.h"
#include "host/PD.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"
#include "support/BoxCheck.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

std::string Media(PDPage p) {
  ASFixedRect r;
  PDPageGetMediaBox(p, &r);
  return ShowRect(r);
}
std::string Crop(PDPage p) {
  ASFixedRect r;
  PDPageGetCropBox(p, &r);
  return ShowRect(r);
}

class PageInheritTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
    EXPECT_EQ(0, ASExceptionFrameDepth());
  }
  std::string Write(const char* name, void (*write)(const std::string&)) {
    std::string p = dir.file(name);
    write(p);
    return p;
  }
  TempDir dir;
};

// ---- inheritance -------------------------------------------------------------------

TEST_F(PageInheritTest, FindInheritedPageObject) {
  ScopedDoc doc(OpenPdf(Write("inherited.pdf", kvfix::WriteInherited)));
  struct Case {
    ASInt32 page;
    const char* key;
    const char* want;  // Describe of the value found
  };
  const Case cases[] = {
      {0, "Rotate", "90"},  // from the root, two levels up
      {1, "Rotate", "0"},   // its own
      {4, "Rotate", "270"},
      {3, "Rotate", "180"},
      {0, "CropBox", "[10 10 590 790 ]"},
      {3, "MediaBox", "[0 0 200 200 ]"},
      {0, "TrimBox", "null"},
      {2, "Nothing", "null"},
  };
  for (const Case& c : cases) {
    ScopedPage page(doc, c.page);
    EXPECT_EQ(c.want, Describe(FindInheritedPageObject(PDPageGetCosObj(page), A(c.key)))) << c.page << c.key;
  }
  EXPECT_EQ(CosNull, CosObjGetType(FindInheritedPageObject(CosNewNull(), A("Rotate"))));
}

// Parent chains that go round end; what lies on the circle is found.
TEST_F(PageInheritTest, ParentCyclesEnd) {
  ScopedDoc doc(OpenPdf(Write("cycles.pdf", kvfix::WriteParentCycles)));
  ASSERT_EQ(2, PDDocGetNumPages(doc));
  ScopedPage p0(doc, 0), p1(doc, 1);
  CosObj d0 = PDPageGetCosObj(p0), d1 = PDPageGetCosObj(p1);
  EXPECT_EQ("90", Describe(FindInheritedPageObject(d0, A("Rotate"))));
  EXPECT_EQ("[5 5 495 495 ]", Describe(FindInheritedPageObject(d0, A("CropBox"))));
  EXPECT_EQ("null", Describe(FindInheritedPageObject(d0, A("Missing"))));
  EXPECT_EQ("null", Describe(FindInheritedPageObject(d1, A("Rotate"))));

  ForceIgnoreInheritedPageObjects(p0);
  EXPECT_EQ("<<>>", Describe(CosDictGet(d0, A("Resources"))));
  EXPECT_EQ("0", Describe(CosDictGet(d0, A("Rotate"))));
  EXPECT_EQ(Media(p0), OwnRect(d0, "CropBox"));

  std::string before = Describe(d1);
  ForceIgnoreInheritedPageObjects(p1);
  EXPECT_EQ(before, Describe(d1));

  // A circle of dictionaries made in memory, none holding the key.
  CosDoc cd = PDDocGetCosDoc(doc);
  CosObj a = CosNewDict(cd, true, 1), b = CosNewDict(cd, true, 1);
  CosDictPut(a, A("Parent"), b);
  CosDictPut(b, A("Parent"), a);
  EXPECT_EQ(CosNull, CosObjGetType(FindInheritedPageObject(a, A("Rotate"))));
}

TEST_F(PageInheritTest, ForceIgnoreInheritedPageObjects) {
  std::string path = Write("inherited.pdf", kvfix::WriteInherited);
  struct Case {
    ASInt32 page;
    const char* crop;  // own crop box afterwards
    int rotate;
    const char* resources;  // Describe of own Resources afterwards
  };
  // Every page has an ancestor with Resources and Rotate; only pages 0 and 1
  // have one with a CropBox. Page 2 keeps its own resources and crop box.
  const Case cases[] = {
      {0, "[0 0 600 800]", 0, "<<>>"},
      {1, "[0 0 300 400]", 0, "<<>>"},
      {2, "[50 50 550 750]", 0, "<</Font <</F1 "},
      {3, "none", 0, "<<>>"},
      {4, "none", 270, "<<>>"},
  };
  ScopedDoc doc(OpenPdf(path));
  for (const Case& c : cases) {
    ScopedPage page(doc, c.page);
    CosObj d = PDPageGetCosObj(page);
    std::string media = Media(page);
    ForceIgnoreInheritedPageObjects(page);
    EXPECT_EQ(c.crop, OwnRect(d, "CropBox")) << c.page;
    EXPECT_EQ(c.rotate, PDPageGetRotate(page)) << c.page;
    EXPECT_TRUE(CosDictKnown(d, A("Rotate"))) << c.page;
    EXPECT_EQ(0u, Describe(CosDictGet(d, A("Resources"))).rfind(c.resources, 0)) << c.page;
    EXPECT_TRUE(CosObjEqual(CosDictGet(d, A("Resources")), PDPageGetCosResources(page))) << c.page;
    EXPECT_EQ(media, Media(page)) << c.page;
  }
}

// ---- cloning boxes -------------------------------------------------------------------

// Cloning page i onto every other page of the box fixture: afterwards the
// target shows the source's media box, crop box and rotation, holds the
// source's trim and bleed boxes as its own exactly when the source has its
// own, and cloning again changes nothing.
TEST_F(PageInheritTest, ClonePageBoxAndRotationOverTheBoxFixture) {
  std::string path = dir.file("boxes.pdf");
  kvfix::WriteBoxes(path);
  const ASInt32 n = (ASInt32)kvfix::kBoxPages.size();
  for (ASInt32 i = 0; i < n; ++i) {
    ScopedDoc doc(OpenPdf(path));
    ScopedPage source(doc, i);
    CosObj s = PDPageGetCosObj(source);
    std::string sourceBefore = Describe(s);
    for (ASInt32 j = 0; j < n; ++j) {
      if (j == i) continue;
      ScopedPage target(doc, j);
      ClonePageBoxAndRotation(source, target);
      std::string what = std::to_string(i) + " -> " + std::to_string(j);
      EXPECT_EQ(Media(source), Media(target)) << what;
      EXPECT_EQ(Crop(source), Crop(target)) << what;
      EXPECT_EQ(PDPageGetRotate(source), PDPageGetRotate(target)) << what;
      CosObj t = PDPageGetCosObj(target);
      bool ownTrim = CosObjGetType(CosDictGet(s, A("TrimBox"))) == CosArray;
      bool ownBleed = CosObjGetType(CosDictGet(s, A("BleedBox"))) == CosArray;
      EXPECT_EQ(ownTrim ? ShowPageRect(source, kSizeTrim) : "none", OwnRect(t, "TrimBox")) << what;
      EXPECT_EQ(ownBleed ? ShowPageRect(source, kSizeBleed) : "none", OwnRect(t, "BleedBox")) << what;
      EXPECT_FALSE(ClonePageBoxAndRotationByPageNum(doc, i, j)) << what << " again";
    }
    EXPECT_EQ(sourceBefore, Describe(s)) << i << ": the source changed";
  }
}

TEST_F(PageInheritTest, ClonePageBoxAndRotationChanges) {
  std::string path = dir.file("simple.pdf");
  kvfix::WriteSimple(path, 3);
  ScopedDoc doc(OpenPdf(path));
  ScopedPage p0(doc, 0), p1(doc, 1), p2(doc, 2);
  CosObj d1 = PDPageGetCosObj(p1);
  std::string before = Describe(d1);
  EXPECT_FALSE(ClonePageBoxAndRotation(p0, p1));
  EXPECT_EQ(before, Describe(d1));

  ASFixedRect trim = BoxRect(9, 9, 603, 783);
  CosDictPut(PDPageGetCosObj(p0), A("TrimBox"), MakeRectObject(PDDocGetCosDoc(doc), &trim));
  EXPECT_TRUE(ClonePageBoxAndRotation(p0, p1));
  EXPECT_EQ("[9 9 603 783]", OwnRect(d1, "TrimBox"));
  EXPECT_FALSE(ClonePageBoxAndRotation(p0, p1));

  // Only the target has one: it goes.
  EXPECT_TRUE(ClonePageBoxAndRotation(p2, p1));
  EXPECT_EQ("none", OwnRect(d1, "TrimBox"));

  PDPageSetRotate(p2, 270);
  ASFixedRect bleed = BoxRect(0, 0, 700, 900);
  CosDictPut(PDPageGetCosObj(p2), A("BleedBox"), MakeRectObject(PDDocGetCosDoc(doc), &bleed));
  EXPECT_TRUE(ClonePageBoxAndRotation(p2, p1));
  EXPECT_EQ(270, PDPageGetRotate(p1));
  EXPECT_EQ("[0 0 700 900]", OwnRect(d1, "BleedBox"));
}

TEST_F(PageInheritTest, ClonePageBoxAndRotationByPageNumAcquiresAndReleases) {
  std::string path = dir.file("simple.pdf");
  kvfix::WriteSimple(path, 2);
  ScopedDoc doc(OpenPdf(path));
  ASFaultInject("PDDocAcquirePage", genErrGeneral);
  EXPECT_FALSE(ClonePageBoxAndRotationByPageNum(doc, 1, 1));  // no page acquired
  ASFaultClearAll();
  EXPECT_NE(0, ErrorOf([&] { ClonePageBoxAndRotationByPageNum(doc, 0, 5); }));
  ASFaultInject("PDDocAcquirePage", genErrGeneral, 1);
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { ClonePageBoxAndRotationByPageNum(doc, 0, 1); }));
  ASFaultClearAll();
  {
    ScopedPage p0(doc, 0);
    PDPageSetRotate(p0, 90);
  }
  EXPECT_TRUE(ClonePageBoxAndRotationByPageNum(doc, 0, 1));
  ScopedPage p1(doc, 1);
  EXPECT_EQ(90, PDPageGetRotate(p1));
}

// ---- view rotation -------------------------------------------------------------------

TEST_F(PageInheritTest, GetDocumentViewRotate) {
  struct Case {
    const char* what;
    const char* own;        // the first page's own Rotate, "" for none
    const char* inherited;  // the root node's Rotate, "" for none
    ASInt32 want;
  };
  const Case cases[] = {
      // A page is turned by its Rotate in force, own or inherited, once: the
      // default matrix does that, and nothing of it is a view's extra turn.
      {"own 90, nothing inherited", "90", "", 0},
      {"inherited 270, nothing own", "", "270", 0},
      {"inherited -90", "", "-90", 0},
      {"own 0 over inherited 90", "0", "90", 0},
      {"own -90", "-90", "", 0},
      {"own 450", "450", "", 0},
      {"own 630 over inherited 90", "630", "90", 0},
      {"own 45", "45", "", 0},
      // The host and the toolkit read a Rotate that is no multiple of 90 alike.
      {"own 135", "135", "", 0},
      {"inherited 135", "", "135", 0},
      {"own real 90.0", "90.0", "", 0},
      {"own name over inherited 180", "/Ninety", "180", 0},
  };
  for (const Case& c : cases) {
    ScopedDoc doc(PDDocCreate());
    CosDoc cd = PDDocGetCosDoc(doc);
    PDPageRelease(PDDocCreatePage(doc, PDBeforeFirstPage, BoxRect(0, 0, 612, 792)));
    auto value = [&](const char* text) {
      if (text[0] == '/') return CosNewNameFromString(cd, false, text + 1);
      if (std::string(text).find('.') != std::string::npos) return CosNewDouble(cd, false, std::atof(text));
      return CosNewInteger(cd, false, std::atoi(text));
    };
    CosObj root = CosDictGet(CosDocGetRoot(cd), A("Pages"));
    if (*c.inherited) CosDictPut(root, A("Rotate"), value(c.inherited));
    {
      ScopedPage page(doc, 0);
      if (*c.own) CosDictPut(PDPageGetCosObj(page), A("Rotate"), value(c.own));
    }
    EXPECT_EQ(c.want, GetDocumentViewRotate(doc)) << c.what;
  }
  ScopedDoc empty(PDDocCreate());
  EXPECT_NE(0, ErrorOf([&] { GetDocumentViewRotate(empty); }));
}

// ---- contents ---------------------------------------------------------------------------

TEST_F(PageInheritTest, ReplaceContentsNotifies) {
  struct Seen {
    int plain = 0;
    int ex = 0;
    ASBool invalidate = 0;
  } seen;
  PDPageNotifyProc plain = [](PDPage, void* c) { ++static_cast<Seen*>(c)->plain; };
  PDPageExNotifyProc ex = [](PDPage, ASBool invalidate, void* c) {
    ++static_cast<Seen*>(c)->ex;
    static_cast<Seen*>(c)->invalidate = invalidate;
  };
  AVAppRegisterNotification(PDPageContentsDidChangeNSEL, nullptr, (void*)plain, &seen);
  AVAppRegisterNotification(PDPageContentsDidChangeExNSEL, nullptr, (void*)ex, &seen);

  ScopedDoc doc(PDDocCreate());
  ScopedPage page(PDDocCreatePage(doc, PDBeforeFirstPage, BoxRect(0, 0, 100, 100)));
  CosDoc cd = PDDocGetCosDoc(doc);
  const char text[] = "0 0 m 10 10 l S\n";
  ASStm stm = ASMemStmRdOpen(text, sizeof text - 1);
  CosObj stream = CosNewStream(cd, true, stm, 0, false, CosNewNull(), CosNewNull(), -1);
  ASStmClose(stm);
  KPDPageReplaceCosContents(page, stream, true);
  EXPECT_TRUE(CosObjEqual(stream, PDPageGetCosContents(page)));
  EXPECT_EQ(1, seen.ex);
  EXPECT_TRUE(seen.invalidate);
  EXPECT_GE(seen.plain, 1);

  CosObj array = CosNewArray(cd, false, 1);
  CosArrayPut(array, 0, stream);
  KPDPageReplaceCosContents(page, array, false);
  EXPECT_EQ(CosArray, CosObjGetType(PDPageGetCosContents(page)));
  EXPECT_EQ(2, seen.ex);
  EXPECT_FALSE(seen.invalidate);

  AVAppUnregisterNotification(PDPageContentsDidChangeNSEL, nullptr, (void*)plain, &seen);
  AVAppUnregisterNotification(PDPageContentsDidChangeExNSEL, nullptr, (void*)ex, &seen);
}

}  // namespace
