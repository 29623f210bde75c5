#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "host/Notify.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

ASAtom A(const char* s) { return ASAtomFromString(s); }

class PageTreeTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ASFaultClearAll();
    EXPECT_EQ(0, PDGetAcquiredPageCount()) << "pages not released";
  }
  std::string Fixture(const char* name, void (*write)(const std::string&)) {
    std::string p = dir.file(name);
    write(p);
    return p;
  }
  std::string Inherited() { return Fixture("inherited.pdf", kvfix::WriteInherited); }
  TempDir dir;
};

void ExpectRect(const double want[4], const ASFixedRect& got, const std::string& what) {
  EXPECT_DOUBLE_EQ(want[0], Pt(got.left)) << what;
  EXPECT_DOUBLE_EQ(want[1], Pt(got.bottom)) << what;
  EXPECT_DOUBLE_EQ(want[2], Pt(got.right)) << what;
  EXPECT_DOUBLE_EQ(want[3], Pt(got.top)) << what;
}

std::string FontOf(PDPage page) {
  CosObj res = PDPageGetCosResources(page);
  if (CosObjGetType(res) != CosDict) return "";
  CosObj fonts = CosDictGet(res, A("Font"));
  if (CosObjGetType(fonts) != CosDict) return "";
  CosObj f1 = CosDictGet(fonts, A("F1"));
  if (CosObjGetType(f1) != CosDict) return "";
  return ASAtomGetString(CosNameValue(CosDictGet(f1, A("BaseFont"))));
}

// What page i of doc shows, against the inherited fixture's expectations.
void ExpectShowsAs(PDDoc doc, ASInt32 i, const kvfix::PageExpect& e, const std::string& what) {
  ScopedPage page(doc, i);
  ASFixedRect r;
  PDPageGetMediaBox(page, &r);
  ExpectRect(e.media, r, what + " media");
  PDPageGetCropBox(page, &r);
  ExpectRect(e.crop, r, what + " crop");
  EXPECT_EQ(e.rotate, PDPageGetRotate(page)) << what;
  EXPECT_EQ(e.font, FontOf(page)) << what;
}

// The keys a page's own dictionary holds.
bool Own(PDPage page, const char* key) { return CosDictKnown(PDPageGetCosObj(page), A(key)); }

}  // namespace

TEST_F(PageTreeTest, InheritedAttributesAsShown) {
  ScopedDoc doc(OpenPdf(Inherited()));
  ASSERT_EQ(5, PDDocGetNumPages(doc));
  for (ASInt32 i = 0; i < 5; ++i) {
    const kvfix::PageExpect& e = kvfix::kInherited[i];
    std::string what = "page " + std::to_string(i);
    ExpectShowsAs(doc, i, e, what);
    ScopedPage page(doc, i);
    EXPECT_EQ(e.ownMedia, Own(page, "MediaBox")) << what;
    EXPECT_EQ(e.ownCrop, Own(page, "CropBox")) << what;
    EXPECT_EQ(e.ownRotate, Own(page, "Rotate")) << what;
    EXPECT_EQ(e.ownResources, Own(page, "Resources")) << what;
    ASFixedRect r;
    EXPECT_TRUE(PDPageGetBox(page, A("MediaBox"), &r)) << what;
    EXPECT_TRUE(PDPageGetBox(page, A("CropBox"), &r) || i >= 3) << what;
    EXPECT_FALSE(PDPageGetBox(page, A("TrimBox"), &r)) << what;
    ExpectRect(e.crop, r, what + " trim defaults to the crop box");
    EXPECT_EQ(i, PDPageGetNumber(page));
    EXPECT_EQ((PDDoc)doc, PDPageGetDoc(page));
  }
}

TEST_F(PageTreeTest, RotationValuesAreNormalised) {
  ScopedDoc doc(OpenPdf(Fixture("rotated.pdf", kvfix::WriteRotated)));
  ASSERT_EQ((ASInt32)kvfix::kRotated.size(), PDDocGetNumPages(doc));
  for (size_t i = 0; i < kvfix::kRotated.size(); ++i) {
    ScopedPage page(doc, (ASInt32)i);
    EXPECT_EQ(kvfix::kRotated[i], PDPageGetRotate(page)) << "page " << i;
  }
  ScopedPage page(doc, 0);
  PDPageSetRotate(page, -90);
  EXPECT_EQ(270, PDPageGetRotate(page));
  PDPageSetRotate(page, 720);
  EXPECT_EQ(0, PDPageGetRotate(page));
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { PDPageSetRotate(page, 45); }));
}

TEST_F(PageTreeTest, DefaultMatrixPutsTheTurnedCropBoxAtTheOrigin) {
  ScopedDoc doc(PDDocCreate());
  ScopedPage page(PDDocCreatePage(doc, PDBeforeFirstPage, ASFixedRect{0, ASInt32ToFixed(500), ASInt32ToFixed(400), 0}));
  // Crop box 10 20 110 220: 100 wide, 200 high.
  PDPageSetCropBox(page, ASFixedRect{ASInt32ToFixed(10), ASInt32ToFixed(220), ASInt32ToFixed(110), ASInt32ToFixed(20)});
  struct Case {
    PDRotate rotate;
    double w, h;
  } cases[] = {{0, 100, 200}, {90, 200, 100}, {180, 100, 200}, {270, 200, 100}};
  for (const Case& c : cases) {
    PDPageSetRotate(page, c.rotate);
    ASFixedMatrix m;
    PDPageGetDefaultMatrix(page, &m);
    ASFixedRect crop{ASInt32ToFixed(10), ASInt32ToFixed(220), ASInt32ToFixed(110), ASInt32ToFixed(20)};
    ASFixedRect shown;
    ASFixedMatrixTransformRect(&shown, &m, &crop);
    EXPECT_DOUBLE_EQ(0, Pt(shown.left)) << c.rotate;
    EXPECT_DOUBLE_EQ(0, Pt(shown.bottom)) << c.rotate;
    EXPECT_DOUBLE_EQ(c.w, Pt(shown.right)) << c.rotate;
    EXPECT_DOUBLE_EQ(c.h, Pt(shown.top)) << c.rotate;
    EXPECT_EQ(c.rotate == 90 || c.rotate == 270, m.b != 0) << c.rotate;
    // Turned clockwise: the crop box's top-left corner lands at the top-left for 90.
    if (c.rotate == 90) {
      ASFixedPoint topLeft{ASInt32ToFixed(10), ASInt32ToFixed(220)}, at;
      ASFixedMatrixTransform(&at, &m, &topLeft);
      EXPECT_DOUBLE_EQ(200, Pt(at.h));
      EXPECT_DOUBLE_EQ(100, Pt(at.v));
    }
  }
}

TEST_F(PageTreeTest, BoxesSetAndReadBack) {
  ScopedDoc doc(OpenPdf(Inherited()));
  ScopedPage page(doc, 0);
  ASFixedRect trim{ASInt32ToFixed(20), ASFloatToFixed(700.5), ASInt32ToFixed(500), ASInt32ToFixed(30)};
  PDPageSetBox(page, A("TrimBox"), trim);
  ASFixedRect r;
  EXPECT_TRUE(PDPageGetBox(page, A("TrimBox"), &r));
  double want[4] = {20, 30, 500, 700.5};
  ExpectRect(want, r, "trim");
  // Reversed corners come back normalised.
  PDPageSetBox(page, A("ArtBox"), ASFixedRect{ASInt32ToFixed(300), ASInt32ToFixed(10), ASInt32ToFixed(100), ASInt32ToFixed(400)});
  PDPageGetBox(page, A("ArtBox"), &r);
  double art[4] = {100, 10, 300, 400};
  ExpectRect(art, r, "art");
  PDPageSetMediaBox(page, ASFixedRect{0, ASInt32ToFixed(100), ASInt32ToFixed(100), 0});
  EXPECT_TRUE(Own(page, "MediaBox"));
  ScopedPage other(doc, 3);
  double inheritedMedia[4] = {0, 0, 200, 200};
  PDPageGetMediaBox(other, &r);
  ExpectRect(inheritedMedia, r, "a neighbour keeps what it inherits");
}

TEST_F(PageTreeTest, SaveAndReopenKeepsInheritanceWhereItWas) {
  std::string out = dir.file("resaved.pdf");
  {
    ScopedDoc doc(OpenPdf(Inherited()));
    SavePdf(doc, out, PDSaveFull, PDSaveObjStmGenerate);
  }
  EXPECT_EQ(0, QpdfCheck(out));
  ScopedDoc back(OpenPdf(out));
  for (ASInt32 i = 0; i < 5; ++i) {
    ExpectShowsAs(back, i, kvfix::kInherited[i], "reopened page " + std::to_string(i));
    ScopedPage page(back, i);
    EXPECT_EQ(kvfix::kInherited[i].ownMedia, Own(page, "MediaBox")) << "not pushed down into the page";
    EXPECT_EQ(kvfix::kInherited[i].ownRotate, Own(page, "Rotate"));
    EXPECT_EQ(kvfix::kInherited[i].ownResources, Own(page, "Resources"));
  }
}

TEST_F(PageTreeTest, InsertFromAnotherDocumentCarriesInheritance) {
  std::string srcPath = Inherited();
  std::string before = ReadWholeFile(srcPath);
  ScopedDoc source(OpenPdf(srcPath));
  ScopedDoc target(PDDocCreate());
  PDDocInsertPages(target, PDLastPage, source, 0, PDAllPages, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(5, PDDocGetNumPages(target));
  for (ASInt32 i = 0; i < 5; ++i) ExpectShowsAs(target, i, kvfix::kInherited[i], "copy " + std::to_string(i));
  // The source is untouched: no pushed attributes, no needs-save.
  EXPECT_FALSE(PDDocGetFlags(source) & PDDocNeedsSave);
  EXPECT_FALSE(CosDocIsDirty(PDDocGetCosDoc(source)));
  for (ASInt32 i = 0; i < 5; ++i) {
    ScopedPage page(source, i);
    EXPECT_EQ(kvfix::kInherited[i].ownRotate, Own(page, "Rotate"));
    EXPECT_EQ(kvfix::kInherited[i].ownMedia, Own(page, "MediaBox"));
  }
  std::string out = dir.file("copied.pdf");
  SavePdf(target, out);
  EXPECT_EQ(0, QpdfCheck(out));
  EXPECT_EQ(before, ReadWholeFile(srcPath));
  ScopedDoc back(OpenPdf(out));
  for (ASInt32 i = 0; i < 5; ++i) ExpectShowsAs(back, i, kvfix::kInherited[i], "saved copy " + std::to_string(i));
}

// An empty stream is valid content: a copy of it reads as empty, like the
// original, whether a filter is named or not.
TEST_F(PageTreeTest, CopiedEmptyStreamsStayReadable) {
  for (const char* filter : {"", "/Filter /FlateDecode"}) {
    SCOPED_TRACE(filter);
    QPDF q;
    q.emptyPDF();
    QPDFObjectHandle form = q.newStream("");
    form.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    form.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
    form.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 10 10]"));
    if (*filter) {
      // Zero bytes of content, deflated.
      form.replaceStreamData(std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8), QPDFObjectHandle::newName("/FlateDecode"),
                             QPDFObjectHandle::newNull());
    }
    QPDFObjectHandle page = q.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>"));
    page.replaceKey("/Contents", q.newStream("/Fm0 Do"));
    page.replaceKey("/Resources", QPDFObjectHandle::parse("<< /XObject << >> >>"));
    page.getKey("/Resources").getKey("/XObject").replaceKey("/Fm0", form);
    page.replaceKey("/Parent", q.getRoot().getKey("/Pages"));
    q.getRoot().getKey("/Pages").replaceKey("/Kids", QPDFObjectHandle::newArray(std::vector<QPDFObjectHandle>{page}));
    q.getRoot().getKey("/Pages").replaceKey("/Count", QPDFObjectHandle::newInteger(1));
    std::string in = dir.file("empty-form.pdf");
    QPDFWriter w(q, in.c_str());
    w.setCompressStreams(false);
    w.write();

    ScopedDoc source(OpenPdf(in));
    ScopedDoc target(PDDocCreate());
    PDDocInsertPages(target, PDLastPage, source, 0, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
    ScopedPage copy(target, 0);
    CosObj xobjects = CosDictGet(PDPageGetCosResources(copy), A("XObject"));
    CosObj copied = CosDictGet(xobjects, A("Fm0"));
    ASSERT_EQ(CosStream, CosObjGetType(copied));
    ASStm stm = nullptr;
    EXPECT_EQ(0, ErrorOf([&] { stm = CosStreamOpenStm(copied, cosOpenFiltered); }));
    char byte;
    if (stm) {
      EXPECT_EQ(0u, (unsigned)ASStmRead(&byte, 1, 1, stm));
      ASStmClose(stm);
    }
    std::string out = dir.file("copied-empty.pdf");
    SavePdf(target, out);
    EXPECT_EQ(0, QpdfCheck(out));
  }
}

TEST_F(PageTreeTest, InsertedPagesIgnoreWhatTheirNewParentsCarry) {
  // The target's root carries rotation, resources and a crop box; the
  // simple fixture's pages have none of those (except resources of their own).
  ScopedDoc target(OpenPdf(Inherited()));
  ScopedDoc source(PDDocCreate());
  ScopedPage made(PDDocCreatePage(source, PDBeforeFirstPage, ASFixedRect{0, ASInt32ToFixed(300), ASInt32ToFixed(300), 0}));
  PDDocInsertPages(target, 0, source, 0, 1, PDInsertAll, nullptr, nullptr, nullptr, nullptr);
  ScopedPage page(target, 1);
  EXPECT_EQ(0, PDPageGetRotate(page));
  ASFixedRect r;
  PDPageGetCropBox(page, &r);
  double media[4] = {0, 0, 300, 300};
  ExpectRect(media, r, "crop box is the media box");
  CosObj res = PDPageGetCosResources(page);
  ASSERT_EQ(CosDict, CosObjGetType(res));
  EXPECT_FALSE(CosDictKnown(res, A("Font")));
  EXPECT_EQ("", FontOf(page)) << "the parent's fonts are not the page's";
}

TEST_F(PageTreeTest, PositionsAndRanges) {
  std::string simple = dir.file("simple.pdf");
  kvfix::WriteSimple(simple, 3);
  struct Case {
    ASInt32 after, start, count;
    ASErrorCode error;
    std::vector<int> labels;  // source page numbers in target order (target pages are 10, 11)
  } cases[] = {
      {PDBeforeFirstPage, 0, 1, 0, {0, 10, 11}},
      {PDLastPage, 1, PDAllPages, 0, {10, 11, 1, 2}},
      {0, 0, 2, 0, {10, 0, 1, 11}},
      {1, 2, 5, 0, {10, 11, 2}},
      {2, 0, 1, pdErrBadPageNumber, {10, 11}},
      {0, 3, 1, pdErrBadPageNumber, {10, 11}},
      {0, -1, 1, pdErrBadPageNumber, {10, 11}},
      {0, 0, 0, 0, {10, 11}},
  };
  for (const Case& c : cases) {
    ScopedDoc source(OpenPdf(simple));
    ScopedDoc target(PDDocCreate());
    std::vector<CosObj> marks;
    for (int i = 0; i < 2; ++i) {
      ScopedPage p(PDDocCreatePage(target, i - 1, ASFixedRect{0, fixedOne, fixedOne, 0}));
      CosDictPut(PDPageGetCosObj(p), A("Label"), CosNewInteger(PDDocGetCosDoc(target), 0, 10 + i));
    }
    for (int i = 0; i < 3; ++i) {
      ScopedPage p(source, i);
      CosDictPut(PDPageGetCosObj(p), A("Label"), CosNewInteger(PDDocGetCosDoc(source), 0, i));
    }
    EXPECT_EQ(c.error, ErrorOf([&] {
                PDDocInsertPages(target, c.after, source, c.start, c.count, 0, nullptr, nullptr, nullptr, nullptr);
              }));
    std::vector<int> labels;
    for (ASInt32 i = 0; i < PDDocGetNumPages(target); ++i) {
      ScopedPage p(target, i);
      labels.push_back(CosIntegerValue(CosDictGet(PDPageGetCosObj(p), A("Label"))));
    }
    EXPECT_EQ(c.labels, labels) << "after " << c.after << " start " << c.start << " count " << c.count;
  }
}

namespace {
struct Recorder {
  std::vector<std::string> calls;
  int cancelAfter = -1;
  int asked = 0;
};
void PmBegin(void* d) { static_cast<Recorder*>(d)->calls.push_back("begin"); }
void PmEnd(void* d) { static_cast<Recorder*>(d)->calls.push_back("end"); }
void PmDuration(ASInt32 v, void* d) { static_cast<Recorder*>(d)->calls.push_back("duration " + std::to_string(v)); }
void PmValue(ASInt32 v, void* d) { static_cast<Recorder*>(d)->calls.push_back("value " + std::to_string(v)); }
ASBool CancelAfter(void* d) {
  Recorder* r = static_cast<Recorder*>(d);
  return r->cancelAfter >= 0 && r->asked++ >= r->cancelAfter;
}
}  // namespace

TEST_F(PageTreeTest, ProgressCancelAndFailureMidway) {
  std::string simple = dir.file("simple.pdf");
  kvfix::WriteSimple(simple, 3);
  ScopedDoc source(OpenPdf(simple));
  ProgressMonitorRec pm{};
  pm.size = sizeof pm;
  pm.beginOperation = PmBegin;
  pm.endOperation = PmEnd;
  pm.setDuration = PmDuration;
  pm.setCurrValue = PmValue;
  {
    ScopedDoc target(PDDocCreate());
    Recorder r;
    PDDocInsertPages(target, PDLastPage, source, 0, 3, 0, &pm, &r, CancelAfter, &r);
    EXPECT_EQ((std::vector<std::string>{"begin", "duration 3", "value 1", "value 2", "value 3", "end"}), r.calls);
  }
  {
    ScopedDoc target(PDDocCreate());
    Recorder r;
    r.cancelAfter = 2;
    EXPECT_EQ(genErrCancelled, ErrorOf([&] {
                PDDocInsertPages(target, PDLastPage, source, 0, 3, 0, &pm, &r, CancelAfter, &r);
              }));
    EXPECT_EQ(2, PDDocGetNumPages(target)) << "the pages done so far stay";
    EXPECT_EQ("end", r.calls.back());
  }
  {
    ScopedDoc target(PDDocCreate());
    ASFaultInject("PDDocInsertPages:page", pdErrTooManyPagesForInsert, 1);
    EXPECT_EQ(pdErrTooManyPagesForInsert, ErrorOf([&] {
                PDDocInsertPages(target, PDLastPage, source, 0, 3, 0, nullptr, nullptr, nullptr, nullptr);
              }));
    EXPECT_EQ(1, PDDocGetNumPages(target));
    ASFaultInject("PDDocInsertPages", genErrStructureDamaged);
    EXPECT_EQ(genErrStructureDamaged, ErrorOf([&] {
                PDDocInsertPages(target, PDLastPage, source, 0, 3, 0, nullptr, nullptr, nullptr, nullptr);
              }));
    EXPECT_EQ(1, PDDocGetNumPages(target)) << "nothing inserted";
  }
}

TEST_F(PageTreeTest, SamePageTwiceAndAnnotations) {
  ScopedDoc source(OpenPdf(Fixture("annotated.pdf", kvfix::WriteAnnotated)));
  ScopedDoc target(PDDocCreate());
  PDDocInsertPages(target, PDLastPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr);
  PDDocInsertPages(target, PDLastPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr);
  PDDocInsertPages(target, PDLastPage, target, 0, 1, 0, nullptr, nullptr, nullptr, nullptr);  // from itself
  ASSERT_EQ(3, PDDocGetNumPages(target));
  std::vector<CosObj> pages, firstAnnots;
  for (ASInt32 i = 0; i < 3; ++i) {
    ScopedPage p(target, i);
    pages.push_back(PDPageGetCosObj(p));
  }
  for (ASInt32 i = 0; i < 3; ++i) {
    for (ASInt32 j = 0; j < i; ++j) EXPECT_FALSE(CosObjEqual(pages[i], pages[j])) << i << " " << j;
    CosObj annots = CosDictGet(pages[i], A("Annots"));
    ASSERT_EQ(3, CosArrayLength(annots));
    CosObj text = CosArrayGet(annots, 1), popup = CosArrayGet(annots, 2);
    for (ASInt32 k = 0; k < 3; ++k)
      EXPECT_TRUE(CosObjEqual(pages[i], CosDictGet(CosArrayGet(annots, k), A("P")))) << "page " << i << " annot " << k;
    EXPECT_TRUE(CosObjEqual(popup, CosDictGet(text, A("Popup")))) << "the pair stays a pair on page " << i;
    EXPECT_TRUE(CosObjEqual(text, CosDictGet(popup, A("Parent"))));
    if (i == 0) firstAnnots.push_back(text);
    else EXPECT_FALSE(CosObjEqual(firstAnnots[0], text)) << "annotations are not shared between pages";
  }
  std::string out = dir.file("annots.pdf");
  SavePdf(target, out);
  EXPECT_EQ(0, QpdfCheck(out));
}

TEST_F(PageTreeTest, TaggedPagesLoseLinksIntoAStructureTheyLeft) {
  ScopedDoc source(OpenPdf(Fixture("tagged.pdf", kvfix::WriteTagged)));
  ScopedDoc target(PDDocCreate());
  PDDocInsertPages(target, PDLastPage, source, 0, 1, 0, nullptr, nullptr, nullptr, nullptr);
  ScopedPage copy(target, 0);
  EXPECT_FALSE(Own(copy, "StructParents"));
  ScopedPage original(source, 0);
  EXPECT_TRUE(Own(original, "StructParents"));
}

TEST_F(PageTreeTest, DeletePagesAndEmptyNodes) {
  std::string path = Inherited();
  {
    ScopedDoc doc(OpenPdf(path));
    ScopedPage held(doc, 4);
    PDDocDeletePages(doc, 3, 4, nullptr, nullptr);  // empties node C
    EXPECT_EQ(3, PDDocGetNumPages(doc));
    EXPECT_EQ(-1, PDPageGetNumber(held)) << "a deleted page has no number";
    EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocDeletePages(doc, 2, 3, nullptr, nullptr); }));
    EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocDeletePages(doc, 2, 1, nullptr, nullptr); }));
    for (ASInt32 i = 0; i < 3; ++i) ExpectShowsAs(doc, i, kvfix::kInherited[i], "kept " + std::to_string(i));
    SavePdf(doc, dir.file("deleted.pdf"));
  }
  EXPECT_EQ(0, QpdfCheck(dir.file("deleted.pdf")));
  QPDF q;
  q.processFile(dir.file("deleted.pdf").c_str());
  EXPECT_EQ(3, q.getRoot().getKey("/Pages").getKey("/Count").getIntValue()) << "counts follow the deletion";
  EXPECT_EQ(3u, q.getAllPages().size());
  ScopedDoc doc(OpenPdf(dir.file("deleted.pdf")));
  PDDocDeletePages(doc, 0, PDLastPage, nullptr, nullptr);
  EXPECT_EQ(0, PDDocGetNumPages(doc));
  ScopedPage fresh(PDDocCreatePage(doc, PDBeforeFirstPage, ASFixedRect{0, fixedOne, fixedOne, 0}));
  EXPECT_EQ(1, PDDocGetNumPages(doc));
}

TEST_F(PageTreeTest, MovedPagesShowAsBefore) {
  ScopedDoc doc(OpenPdf(Inherited()));
  struct Case {
    ASInt32 after, page;
    std::vector<int> order;  // fixture page numbers in the new order
  } cases[] = {
      {4, 0, {1, 2, 3, 4, 0}},
      {PDBeforeFirstPage, 3, {4, 1, 2, 3, 0}},
      {0, 2, {4, 2, 1, 3, 0}},
  };
  std::vector<int> order = {0, 1, 2, 3, 4};
  for (const Case& c : cases) {
    // Label each page by its fixture number the first time round.
    if (&c == &cases[0]) {
      for (ASInt32 i = 0; i < 5; ++i) {
        ScopedPage p(doc, i);
        CosDictPut(PDPageGetCosObj(p), A("Label"), CosNewInteger(PDDocGetCosDoc(doc), 0, i));
      }
    }
    PDDocMovePage(doc, c.after, c.page);
    for (ASInt32 i = 0; i < 5; ++i) {
      ScopedPage p(doc, i);
      int label = CosIntegerValue(CosDictGet(PDPageGetCosObj(p), A("Label")));
      EXPECT_EQ(c.order[(size_t)i], label) << "after moving " << c.page;
      ExpectShowsAs(doc, i, kvfix::kInherited[label], "moved page " + std::to_string(label));
    }
  }
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocMovePage(doc, 0, 5); }));
  SavePdf(doc, dir.file("moved.pdf"));
  EXPECT_EQ(0, QpdfCheck(dir.file("moved.pdf")));
}

TEST_F(PageTreeTest, CreatedPagesInheritFromTheirParents) {
  ScopedDoc doc(OpenPdf(Inherited()));
  ScopedPage made(PDDocCreatePage(doc, 3, ASFixedRect{0, ASInt32ToFixed(50), ASInt32ToFixed(50), 0}));
  EXPECT_EQ(4, PDPageGetNumber(made));
  EXPECT_EQ(180, PDPageGetRotate(made)) << "from node B";
  EXPECT_EQ("Times-Roman", FontOf(made));
  EXPECT_EQ(6, PDDocGetNumPages(doc));
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocCreatePage(doc, 6, ASFixedRect{0, 1, 1, 0}); }));
  ScopedDoc empty(PDDocCreate());
  ScopedPage first(PDDocCreatePage(empty, PDLastPage, ASFixedRect{0, fixedOne, fixedOne, 0}));
  EXPECT_EQ(0, PDPageGetNumber(first));
}

TEST_F(PageTreeTest, AcquiredPagesAreCountedAndShared) {
  ScopedDoc doc(OpenPdf(Inherited()));
  PDPage a = PDDocAcquirePage(doc, 1);
  PDPage b = PDDocAcquirePage(doc, 1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(2, PDDocGetAcquiredPageCount(doc));
  PDPageRelease(a);
  EXPECT_EQ(1, PDGetAcquiredPageCount());
  PDPageRelease(b);
  EXPECT_EQ(0, PDGetAcquiredPageCount());
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocAcquirePage(doc, 5); }));
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { PDDocAcquirePage(doc, -1); }));
  PDDoc other = OpenPdf(Inherited());
  PDDocAcquirePage(other, 0);
  PDDocClose(other);  // releases what is still held
  EXPECT_EQ(0, PDGetAcquiredPageCount());
}

namespace {
int gChanged = 0;
ASBool gInvalidate = 0;
void OnContents(PDPage, void*) { ++gChanged; }
void OnContentsEx(PDPage, ASBool invalidate, void*) { gInvalidate = invalidate; }
}  // namespace

TEST_F(PageTreeTest, ContentsReplacedAndAnnounced) {
  ScopedDoc doc(OpenPdf(Inherited()));
  CosDoc cos = PDDocGetCosDoc(doc);
  ScopedPage page(doc, 0);
  std::string text = "0 0 m 10 10 l S";
  ASStm m = ASMemStmRdOpen(text.data(), text.size());
  CosObj s = CosNewStream(cos, 1, m, 0, 0, CosNewNull(), CosNewNull(), -1);
  ASStmClose(m);
  CosObj arr = CosNewArray(cos, 0, 1);
  CosArrayPut(arr, 0, s);
  PDPageAddCosContents(page, arr);
  EXPECT_EQ(CosArray, CosObjGetType(PDPageGetCosContents(page)));
  PDPageAddCosContents(page, s);
  EXPECT_TRUE(CosObjEqual(s, PDPageGetCosContents(page)));
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { PDPageAddCosContents(page, CosNewInteger(cos, 0, 1)); }));
  gChanged = 0;
  AVAppRegisterNotification(PDPageContentsDidChangeNSEL, nullptr, (void*)OnContents, nullptr);
  AVAppRegisterNotification(PDPageContentsDidChangeExNSEL, nullptr, (void*)OnContentsEx, nullptr);
  PDPageNotifyContentsDidChangeEx(page, 1);
  PDPageNotifyContentsDidChange(page);
  EXPECT_EQ(2, gChanged);
  EXPECT_EQ(1, gInvalidate);
  AVAppUnregisterNotification(PDPageContentsDidChangeNSEL, nullptr, (void*)OnContents, nullptr);
  AVAppUnregisterNotification(PDPageContentsDidChangeExNSEL, nullptr, (void*)OnContentsEx, nullptr);
  PDPageRemoveCosContents(page);
  EXPECT_EQ(CosNull, CosObjGetType(PDPageGetCosContents(page)));
}

TEST_F(PageTreeTest, DrawingAContentStream) {
  ScopedDoc doc(OpenPdf(Inherited()));
  ScopedPage page(doc, 0);
  ASFixedMatrix m{fixedOne, 0, 0, fixedOne, ASInt32ToFixed(5), ASInt32ToFixed(6)}, last;
  ASInt32 before = PDGetDrawCount(nullptr);
  PDDrawCosObjToWindow(PDPageGetCosContents(page), nullptr, nullptr, 0, &m, nullptr, nullptr, nullptr);
  EXPECT_EQ(before + 1, PDGetDrawCount(&last));
  EXPECT_EQ(ASInt32ToFixed(6), last.v);
  EXPECT_EQ(cosErrExpectedStream, ErrorOf([&] {
              PDDrawCosObjToWindow(PDPageGetCosObj(page), nullptr, nullptr, 0, &m, nullptr, nullptr, nullptr);
            }));
}

TEST_F(PageTreeTest, TreeChangedThroughCosIsSeen) {
  ScopedDoc doc(OpenPdf(Inherited()));
  CosDoc cos = PDDocGetCosDoc(doc);
  CosObj root = CosDictGet(CosDocGetRoot(cos), A("Pages"));
  CosObj kids = CosDictGet(root, A("Kids"));
  CosObj page = CosNewDict(cos, 1, 2);
  CosDictPut(page, A("Type"), CosNewName(cos, 0, A("Page")));
  CosDictPut(page, A("Parent"), root);
  CosArrayInsert(kids, 0, page);
  EXPECT_EQ(6, PDDocGetNumPages(doc));
  CosArrayRemoveNth(kids, 0);
  EXPECT_EQ(5, PDDocGetNumPages(doc));
}

TEST_F(PageTreeTest, CyclesAndWrongTypesDoNotHang) {
  ScopedDoc cyclic(OpenPdf(Fixture("cyclictree.pdf", kvfix::WriteCyclicPageTree)));
  ASSERT_EQ(2, PDDocGetNumPages(cyclic));
  ScopedPage second(cyclic, 1);
  EXPECT_EQ(90, PDPageGetRotate(second)) << "found on the Parent circle, which is walked once";
  ASFixedRect r;
  PDPageGetMediaBox(second, &r);
  EXPECT_DOUBLE_EQ(612, Pt(r.right)) << "no media box anywhere: letter size";
  ScopedDoc wrong(OpenPdf(Fixture("wrongtypes.pdf", kvfix::WriteWrongTypes)));
  ASSERT_EQ(2, PDDocGetNumPages(wrong));
  ScopedPage bad(wrong, 0);
  EXPECT_FALSE(PDPageGetBox(bad, A("MediaBox"), &r));
  EXPECT_FALSE(PDPageGetBox(bad, A("CropBox"), &r));
  EXPECT_EQ(0, PDPageGetRotate(bad));
  EXPECT_EQ(CosInteger, CosObjGetType(PDPageGetCosResources(bad)));
  ScopedPage shortBox(wrong, 1);
  EXPECT_FALSE(PDPageGetBox(shortBox, A("MediaBox"), &r)) << "three numbers are not a rectangle";
  // Copying such pages into a document works and saves clean.
  ScopedDoc target(PDDocCreate());
  PDDocInsertPages(target, PDLastPage, wrong, 0, PDAllPages, 0, nullptr, nullptr, nullptr, nullptr);
  PDDocInsertPages(target, PDLastPage, cyclic, 0, PDAllPages, 0, nullptr, nullptr, nullptr, nullptr);
  SavePdf(target, dir.file("rescued.pdf"));
  EXPECT_NE(2, QpdfCheck(dir.file("rescued.pdf")));
  // Saved as they are, the damaged trees are rebuilt from the pages they hold.
  for (PDDoc d : {cyclic.doc, wrong.doc}) {
    std::string out = dir.file("resaved.pdf");
    SavePdf(d, out);
    EXPECT_NE(2, QpdfCheck(out));
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(out.c_str());
    EXPECT_EQ(2u, q.getAllPages().size());
    EXPECT_EQ(2, q.getRoot().getKey("/Pages").getKey("/Count").getIntValue());
    EXPECT_EQ(2, PDDocGetNumPages(d));
  }
}

namespace {

// The number of page objects a saved file holds, and its page count, read by qpdf.
int QpdfPages(const std::string& path) {
  QPDF q;
  q.setSuppressWarnings(true);
  q.processFile(path.c_str());
  return q.getRoot().getKey("/Pages").getKey("/Count").getIntValue();
}

}  // namespace

// A page under thousands of /Pages nodes, each the only kid of the one above,
// is read as any other: with what it inherits from the top and the bottom of
// the chain, and it can be saved, inserted beside, moved and deleted (the
// emptied chain going with it) without the stack running out.
TEST_F(PageTreeTest, APageUnderThousandsOfNodesIsReadAndEdited) {
  for (int levels : {520, 5000, 60000}) {
    SCOPED_TRACE(levels);
    const std::string path = dir.file("deep" + std::to_string(levels) + ".pdf");
    kvfix::WriteDeepPageTree(path, levels, true);
    ScopedDoc doc(OpenPdf(path));
    ASSERT_EQ(2, PDDocGetNumPages(doc));
    {
      ScopedPage deep(doc, 0);
      ASFixedRect r;
      PDPageGetMediaBox(deep, &r);
      const double media[4] = {0, 0, 200, 300};
      ExpectRect(media, r, "the root's media box");
      EXPECT_EQ(90, PDPageGetRotate(deep)) << "the deepest node's rotation";
      EXPECT_EQ("Helvetica", FontOf(deep)) << "the root's resources";
    }
    // A page beside the deep one goes into the deepest node: every count up
    // the chain grows.
    PDPageRelease(PDDocCreatePage(doc, 0, ASFixedRect{0, ASInt32ToFixed(100), ASInt32ToFixed(100), 0}));
    ASSERT_EQ(3, PDDocGetNumPages(doc));
    const std::string three = dir.file("three.pdf");
    SavePdf(doc, three);
    // qpdf's own check recurses down the tree, and runs out of stack long
    // before the deepest tree here: the file is read back by the host then.
    const bool checkable = levels <= 5000;
    if (checkable) {
      EXPECT_EQ(0, QpdfCheck(three));
    }
    EXPECT_EQ(3, QpdfPages(three));
    {
      ScopedDoc back(OpenPdf(three));
      EXPECT_EQ(3, PDDocGetNumPages(back));
    }
    PDDocMovePage(doc, PDLastPage, 0);
    {
      ScopedPage moved(doc, 2);
      EXPECT_EQ(90, PDPageGetRotate(moved)) << "the moved page keeps its rotation";
    }
    // The deep node's last pages go: the emptied chain goes with them.
    PDDocDeletePages(doc, 0, 0, nullptr, nullptr);
    PDDocDeletePages(doc, 1, 1, nullptr, nullptr);
    ASSERT_EQ(1, PDDocGetNumPages(doc));
    const std::string one = dir.file("one.pdf");
    SavePdf(doc, one);
    if (checkable) {
      EXPECT_EQ(0, QpdfCheck(one));
    }
    EXPECT_EQ(1, QpdfPages(one));
  }
}

// Deeper than the host reads, the file is refused at open as damaged, the
// depth named: its deep pages would otherwise be lost without a word.
TEST_F(PageTreeTest, APageTreeDeeperThanTheHostReadsIsRefusedAtOpen) {
  const std::string path = dir.file("toodeep.pdf");
  kvfix::WriteDeepPageTree(path, 100001, true);
  PDDoc doc = nullptr;
  const ASErrorCode e = ErrorOf([&] { doc = OpenPdf(path); });
  ASSERT_NE(0, e);
  EXPECT_EQ(nullptr, doc);
  char text[512];
  ASGetErrorString(e, text, sizeof text);
  EXPECT_NE(std::string::npos, std::string(text).find("more than 100000 levels")) << text;
}
