// Printable annotations drawn into sheets: which annotations count, which
// appearance is drawn, how it is mapped onto the annotation's rectangle, the
// names the appearances get, and the restore text around them on a sheet.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SheetCheck.h"
#include "engine/FlattenAnnots.h"
#include "engine/PageMerge.h"
#include "fixtures/EngineFixtures.h"
#include "support/CosDescribe.h"

using namespace kvtest;

namespace {

class FlattenTest : public EngineTest {};

CosObj N(CosDoc d, const char* name) { return CosNewNameFromString(d, 0, name); }

CosObj Numbers(CosDoc d, std::initializer_list<double> values) {
  CosObj a = CosNewArray(d, 0, (ASInt32)values.size());
  ASInt32 i = 0;
  for (double v : values) CosArrayPut(a, i++, CosNewDouble(d, 0, v));
  return a;
}

// An annotation dictionary: subtype (null: none), flags (-1: none), with an
// appearance dictionary when ap is set.
CosObj Annotation(CosDoc d, const char* subtype, int flags, bool ap) {
  CosObj a = CosNewDict(d, 1, 6);
  if (subtype) CosDictPutKeyString(a, "Subtype", N(d, subtype));
  if (flags >= 0) CosDictPutKeyString(a, "F", CosNewInteger(d, 0, flags));
  if (ap) CosDictPutKeyString(a, "AP", CosNewDict(d, 0, 1));
  return a;
}

TEST_F(FlattenTest, WhatCountsAsPrintable) {
  ScopedDoc doc(NewDocWithPages({}));
  CosDoc d = PDDocGetCosDoc(doc);
  struct {
    const char* what;
    CosObj annotation;
    EFieldsWhich which;
    bool printable;
  } cases[] = {
      {"printable widget, forms only", Annotation(d, "Widget", 4, true), kFieldsOnlyForms, true},
      {"printable note, forms only", Annotation(d, "Text", 4, true), kFieldsOnlyForms, false},
      {"printable widget, all but forms", Annotation(d, "Widget", 4, true), kFieldsExceptForms, false},
      {"printable note, all but forms", Annotation(d, "Text", 4, true), kFieldsExceptForms, true},
      {"printable note, forms and fields", Annotation(d, "Text", 4, true), kFieldsFormsAndFields, true},
      {"printable widget, forms and fields", Annotation(d, "Widget", 4, true), kFieldsFormsAndFields, true},
      {"hidden", Annotation(d, "Text", 6, true), kFieldsFormsAndFields, false},
      {"not printed", Annotation(d, "Text", 0, true), kFieldsFormsAndFields, false},
      {"no flags", Annotation(d, "Text", -1, true), kFieldsFormsAndFields, false},
      {"print with other bits", Annotation(d, "Text", 4 | 1 | 32 | 128, true), kFieldsFormsAndFields, true},
      {"no appearance", Annotation(d, "Text", 4, false), kFieldsFormsAndFields, false},
      {"no subtype", Annotation(d, nullptr, 4, true), kFieldsFormsAndFields, false},
      {"not a dictionary", CosNewInteger(d, 0, 4), kFieldsFormsAndFields, false},
      {"None is any other value", Annotation(d, "Text", 4, true), kFieldsNone, true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.printable, (bool)AnnotationIsPrintable(c.annotation, c.which)) << c.what;
  CosObj realFlags = Annotation(d, "Text", -1, true);
  CosDictPutKeyString(realFlags, "F", CosNewDouble(d, 0, 4.0));
  EXPECT_FALSE(AnnotationIsPrintable(realFlags, kFieldsFormsAndFields)) << "F must be an integer";
}

// One page of 400 x 400 with one printable square annotation whose
// appearance has the given BBox (and Matrix, when given), placed at the
// origin of a sheet; returns the sheet's content.
std::string FlattenOne(const std::function<void(CosDoc, CosObj annotation, CosObj appearance)>& setup,
                       EFieldsWhich which = kFieldsFormsAndFields) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 400, 400}, "", [&](CosDoc d, CosObj page) {
                                    CosObj a = Annotation(d, "Square", 4, true);
                                    CosObj ap = StreamOf(d, "0 0 10 10 re f");
                                    CosDictPutKeyString(CosDictGetKeyString(a, "AP"), "N", ap);
                                    CosDictPutKeyString(a, "Rect", Numbers(d, {100, 100, 200, 150}));
                                    CosDictPutKeyString(ap, "BBox", Numbers(d, {0, 0, 50, 25}));
                                    setup(d, a, ap);
                                    CosObj annots = CosNewArray(d, 0, 1);
                                    CosArrayPut(annots, 0, a);
                                    CosDictPutKeyString(page, "Annots", annots);
                                  }}}));
  ScopedMerge info;
  PageMergeSetAnnotMerge(info, which);
  OneSheet(info, doc, Rect(0, 0, 400, 400), [&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); });
  return PageContentBytes(doc, 1);
}

std::string CmLine(const std::string& content) {
  std::smatch m;
  if (!std::regex_search(content, m, std::regex(R"(/KRVL_flat BMC\nq\n (.*) cm\n)"))) return "";
  return m[1].str();
}

TEST_F(FlattenTest, TheAppearanceIsMappedOntoTheRectangle) {
  struct {
    const char* what;
    std::function<void(CosDoc, CosObj, CosObj)> setup;
    const char* cm;
  } cases[] = {
      {"scaled twice", [](CosDoc, CosObj, CosObj) {}, "2.0000 0.0000 0.0000 2.0000 100.0000 100.0000"},
      {"rectangle corners reversed",
       [](CosDoc d, CosObj a, CosObj) { CosDictPutKeyString(a, "Rect", Numbers(d, {200, 150, 100, 100})); },
       "2.0000 0.0000 0.0000 2.0000 100.0000 100.0000"},
      {"box of zero width",
       [](CosDoc d, CosObj, CosObj ap) { CosDictPutKeyString(ap, "BBox", Numbers(d, {5, 0, 5, 25})); },
       "1.0000 0.0000 0.0000 2.0000 95.0000 100.0000"},
      {"box away from the origin",
       [](CosDoc d, CosObj, CosObj ap) { CosDictPutKeyString(ap, "BBox", Numbers(d, {10, 20, 110, 45})); },
       "1.0000 0.0000 0.0000 2.0000 90.0000 60.0000"},
      {"a matrix turning the box",
       [](CosDoc d, CosObj, CosObj ap) { CosDictPutKeyString(ap, "Matrix", Numbers(d, {0, 1, -1, 0, 0, 0})); },
       "4.0000 0.0000 0.0000 1.0000 200.0000 100.0000"},
      {"no box", [](CosDoc, CosObj, CosObj ap) { CosDictRemoveKeyString(ap, "BBox"); },
       "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000"},
      {"a rectangle of three numbers",
       [](CosDoc d, CosObj a, CosObj) { CosDictPutKeyString(a, "Rect", Numbers(d, {1, 2, 3})); },
       "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000"},
      {"a rectangle holding a name",
       [](CosDoc d, CosObj a, CosObj) {
         CosObj r = Numbers(d, {100, 100, 200, 150});
         CosArrayPut(r, 2, N(d, "x"));
         CosDictPutKeyString(a, "Rect", r);
       },
       "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.cm, CmLine(FlattenOne(c.setup))) << c.what;
}

TEST_F(FlattenTest, AnAnnotationWithoutARectangleArrayIsSkipped) {
  std::string content = FlattenOne([](CosDoc d, CosObj a, CosObj) {
    CosDictPutKeyString(a, "Rect", CosNewInteger(d, 0, 1));
  });
  EXPECT_EQ(std::string::npos, content.find("KRVL_flat"));
}

TEST_F(FlattenTest, TheAppearanceBecomesACompleteFormInPlace) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 400, 400}, "", [&](CosDoc d, CosObj page) {
                                    CosObj a = Annotation(d, "Square", 4, true);
                                    CosObj ap = StreamOf(d, "0 0 10 10 re f");
                                    CosDictPutKeyString(ap, "BBox", Numbers(d, {0, 0, 10, 10}));
                                    CosDictPutKeyString(ap, "FormType", CosNewInteger(d, 0, 1));
                                    CosDictPutKeyString(CosDictGetKeyString(a, "AP"), "N", ap);
                                    CosDictPutKeyString(a, "Rect", Numbers(d, {0, 0, 10, 10}));
                                    CosObj annots = CosNewArray(d, 0, 1);
                                    CosArrayPut(annots, 0, a);
                                    CosDictPutKeyString(page, "Annots", annots);
                                  }}}));
  ScopedMerge info;
  PageMergeSetAnnotMerge(info, kFieldsFormsAndFields);
  OneSheet(info, doc, Rect(0, 0, 400, 400), [&] { MergePage(info, 0, Translation(0, 0), nullptr, nullptr); });
  ScopedPage page(doc, 0);
  CosObj ap = CosDictGetKeyString(
      CosDictGetKeyString(CosArrayGet(CosDictGetKeyString(PDPageGetCosObj(page), "Annots"), 0), "AP"), "N");
  EXPECT_EQ("/XObject", Describe(CosDictGetKeyString(ap, "Type")));
  EXPECT_EQ("/Form", Describe(CosDictGetKeyString(ap, "Subtype")));
  EXPECT_EQ("1", Describe(CosDictGetKeyString(ap, "FormType")));
  EXPECT_EQ("[1 0 0 1 0 0 ]", Describe(CosDictGetKeyString(ap, "Matrix")));
  // The sheet paints it under the name it got there.
  ScopedPage sheet(doc, 1);
  CosObj frm = CosDictGetKeyString(CosDictGetKeyString(CosDictGetKeyString(PDPageGetCosObj(sheet), "Resources"),
                                                        "XObject"),
                                   "Frm");
  EXPECT_TRUE(CosObjEqual(ap, frm));
}

TEST_F(FlattenTest, TheFixtureAnnotationsDrawnByChoice) {
  std::string source = dir.file("annotations.pdf");
  kvfix::WriteAnnotationAppearances(source);
  struct {
    EFieldsWhich which;
    size_t drawn;
  } cases[] = {{kFieldsFormsAndFields, 4}, {kFieldsOnlyForms, 2}, {kFieldsExceptForms, 2}, {kFieldsNone, 0}};
  for (const auto& c : cases) {
    ScopedDoc doc(OpenPdf(source));
    ScopedMerge info;
    PageMergeSetAnnotMerge(info, c.which);
    OneSheet(info, doc, Rect(0, 0, 900, 450), [&] {
      MergePage(info, 0, Translation(50, 25), nullptr, nullptr);
      MergePage(info, 1, Translation(450, 25), nullptr, nullptr);
    });
    const std::string content = PageContentBytes(doc, 2);
    SheetScan scan = ScanSheet(content);
    EXPECT_TRUE(scan.qBalanced && scan.markedBalanced) << c.which;
    const size_t flats = (size_t)std::count(scan.tags.begin(), scan.tags.end(), std::string("KRVL_flat"));
    // The second page's square is printable whenever other annotations are.
    const size_t second = c.which == kFieldsFormsAndFields || c.which == kFieldsExceptForms ? 1 : 0;
    EXPECT_EQ(c.drawn + second, flats) << c.which;
    // The restore text comes only where annotations are flattened.
    const bool restored = content.find("\nEMC\n\nQ\nq\n1.00000") != std::string::npos;
    EXPECT_EQ(c.which != kFieldsNone, restored) << c.which;
    // Every appearance is painted under a name of its own: the stamp's
    // "Frm" wish clashes with the others.
    std::vector<std::string> names(scan.doNames);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.end(), std::adjacent_find(names.begin(), names.end())) << c.which;
    EXPECT_EQ(flats, names.size());

    if (c.which != kFieldsFormsAndFields) continue;
    PDDocDeletePages(doc, 0, 1, nullptr, nullptr);
    std::string out = dir.file("flattened.pdf");
    SavePdf(doc, out);
    ASSERT_EQ(0, QpdfCheck(out));
    GrayImage image = RenderGray(out, 1);
    // The widget's black box doubled: page [100 110]^2 at (50, 25) on the sheet.
    EXPECT_LT(image.At(50 + 105, 25 + 105), 60) << "widget";
    // The check box shows its white "Off" state over nothing: white.
    EXPECT_EQ(255, image.At(50 + 205, 25 + 305)) << "check box off";
    // The stamp's grey box: Rect [250 200 300 250] from BBox [0 0 10 10], 5 times.
    int stamp = image.At(50 + 270, 25 + 220);
    EXPECT_GT(stamp, 80) << "stamp";
    EXPECT_LT(stamp, 180) << "stamp";
    // The hidden and unprinted squares stay away.
    EXPECT_EQ(255, image.At(50 + 30, 25 + 320)) << "hidden squares";
    // The reversed rectangle on page 2 draws like an ordered one.
    EXPECT_LT(image.At(450 + 105, 25 + 105), 60) << "reversed rectangle";
  }
}

// Content that leaves its q open (one of them with a scale in it) must not
// take the annotation with it: the annotation is drawn where it sits on the
// placed page, in both ways of placing, and the sheet stays balanced.
TEST_F(FlattenTest, AnAnnotationOverContentThatLeavesQOpenLandsOnItsPage) {
  for (ASInt32 forms : {1, 2}) {
    SCOPED_TRACE(forms);
    gImpositionUseFormXObjects = forms;
    ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "q 3 0 0 3 0 0 cm q 0 0 m 1 1 l S", [](CosDoc d, CosObj page) {
                                      CosObj a = Annotation(d, "Square", 4, true);
                                      CosObj ap = StreamOf(d, "0 g 0 0 10 10 re f");
                                      CosDictPutKeyString(ap, "BBox", Numbers(d, {0, 0, 10, 10}));
                                      CosDictPutKeyString(CosDictGetKeyString(a, "AP"), "N", ap);
                                      CosDictPutKeyString(a, "Rect", Numbers(d, {40, 40, 50, 50}));
                                      CosObj annots = CosNewArray(d, 0, 1);
                                      CosArrayPut(annots, 0, a);
                                      CosDictPutKeyString(page, "Annots", annots);
                                    }}}));
    ScopedMerge info;
    PageMergeSetAnnotMerge(info, kFieldsFormsAndFields);
    OneSheet(info, doc, Rect(0, 0, 300, 300), [&] { MergePage(info, 0, Translation(100, 100), nullptr, nullptr); });
    const std::string content = PageContentBytes(doc, 1);
    const SheetScan scan = ScanSheet(content);
    EXPECT_TRUE(scan.qBalanced && scan.markedBalanced) << content;
    PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
    const std::string out = dir.file("unclosed.pdf");
    SavePdf(doc, out);
    ASSERT_EQ(0, QpdfCheck(out));
    GrayImage image = RenderGray(out, 1);
    ASSERT_GT(image.width, 0);
    // The square: page (40..50) at (100, 100) on the sheet.
    EXPECT_LT(image.At(145, 145), 60) << content;
    // Nowhere else: not where a doubled placement or the page's scale would put it.
    EXPECT_EQ(255, image.At(245, 245));
    EXPECT_EQ(255, image.At(135, 135));
  }
}

TEST_F(FlattenTest, FlatteningNeedsAnOpenSheet) {
  std::string source = dir.file("annotations.pdf");
  kvfix::WriteAnnotationAppearances(source);
  ScopedDoc doc(OpenPdf(source));
  ScopedMerge info;
  ScopedPage page(doc, 0);
  EXPECT_EQ(pageMergeExceptionWrongState,
            ErrorOf([&] { FlattenPrintableAnnotsInImposition(info, page, kFieldsFormsAndFields); }));
}

TEST_F(FlattenTest, APageWhoseAnnotsIsNotAnArrayWritesNothing) {
  ScopedDoc doc(NewDocWithPages({{{0, 0, 100, 100}, "", [](CosDoc d, CosObj p) {
                                    CosDictPutKeyString(p, "Annots", CosNewDict(d, 0, 0));
                                  }}}));
  ScopedMerge info;
  PageMergeSetAnnotMerge(info, kFieldsFormsAndFields);
  OneSheet(info, doc, Rect(0, 0, 100, 100), [&] {
    const ASInt32 before = info->pendingUsed;
    ScopedPage page(doc, 0);
    FlattenPrintableAnnotsInImposition(info, page, kFieldsFormsAndFields);
    EXPECT_EQ(before, info->pendingUsed);
    MergePage(info, 0, Translation(0, 0), nullptr, nullptr);
  });
  EXPECT_EQ(std::string::npos, PageContentBytes(doc, 1).find("\nQ\nq\n")) << "no restore text either";
}

}  // namespace
