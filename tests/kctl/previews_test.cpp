// The PDF preview control and the image control in running dialogs: what
// each draws, where, with which matrix, as the platform's recorder and the
// host's renderer see it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "KCtlHarness.h"
#include "host/PD.h"
#include "kctl/JPEGCtl.h"
#include "kctl/mac/PDFCtl.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

constexpr ASInt16 kPreviewId = 103;

class Previews : public KCtlFixture {
 protected:
  void SetUp() override {
    KCtlFixture::SetUp();
  }
  void TearDown() override {
    PDFCtlTerm();
    JPEGCtlTerm();
    KCtlFixture::TearDown();
  }

  // The PDF-object drawings recorded in the front dialog since the last clear.
  static std::vector<PfDrawOp> PdfOps() {
    std::vector<PfDrawOp> out;
    PfWindowRef w = PfGetDialogWindow(Front());
    for (int32_t k = 0; k < PfDrawOpCount(w); ++k)
      if (PfDrawOpAt(w, k)->kind == kPfDrawPDFObject) out.push_back(*PfDrawOpAt(w, k));
    return out;
  }
  static int Count(EPfDrawOpKind kind, const PfRect& where) {
    int n = 0;
    PfWindowRef w = PfGetDialogWindow(Front());
    for (int32_t k = 0; k < PfDrawOpCount(w); ++k)
      if (PfDrawOpAt(w, k)->kind == kind && PfDrawOpAt(w, k)->rect == where) ++n;
    return n;
  }
  static PfRect ItemRect(ASInt32 id) {
    PfRect r{};
    PfGetDialogItemRect(Front(), ItemOfId(id), &r);
    return r;
  }
};

// A dialog with a 300 by 300 preview frame, run with the control's dialog
// procedure; body runs once it is up.
void RunPreview(const std::function<void(SMacDialogInfo*)>& body) {
  KCtlRun run("Preview", 0);
  KCtlForceElementSize(300, 300, KCtlAddNewElement(run.dialog, kKCtlFrame, 0, kPreviewId, nullptr, nullptr));
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  run.data = KCtlCreateData(run.dialog);
  PfScript script;
  script.Then([&] {
    body(KCtlFixture::FrontInfo());
    PfDriverPressReturn();
  });
  KCtlPlatformTestModal(run.data, PDFCtlDialogProc);
}

struct ModeCase {
  ASInt32 mode;
  double a;
  double h;  // from the item's left
  double v;  // from the item's top
};

TEST_F(Previews, EachModePlacesA100PointContentInA300PointItem) {
  const ModeCase cases[] = {
      {kPDFCtlActualSize, 1, 0, 300},      // bottom-left corner
      {kPDFCtlActualCentred, 1, 100, 200}, // centred
      {kPDFCtlFit, 3, 0, 300},             // three times larger, centred
      {kPDFCtlFitNoEnlarge, 1, 100, 200},  // never enlarged: actual size, centred
      {7, 1, 0, 300},                      // unknown modes draw as mode 0
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(c.mode);
    RunPreview([&](SMacDialogInfo* d) {
      PfRect r = ItemRect(kPreviewId);
      if (c.mode == kPDFCtlFit) {
        // A content without size is drawn at actual size, not divided by zero.
        PDFCtlSetDrawMode(d, kPreviewId, c.mode, 0, 100);
        SPDFCtlInfo* rec = FindOrNewPDFCtlInfo(d, kPreviewId);
        EXPECT_EQ(fixedOne, PDFCtlMatrixFor(rec, r).a);
      }
      ASSERT_EQ(300, PfRectWidth(r));
      ASSERT_EQ(300, PfRectHeight(r));
      PfDrawClear(PfGetDialogWindow(Front()));
      ASInt32 draws = PDGetDrawCount(nullptr);
      PDFCtlSetDrawMode(d, kPreviewId, c.mode, 100, 100);
      PDFCtlSetStream(d, kPreviewId, "0 0 m 100 100 l S", -1);
      EXPECT_EQ(draws + 1, PDGetDrawCount(nullptr)) << "the host drew it";
      std::vector<PfDrawOp> ops = PdfOps();
      ASSERT_EQ(1u, ops.size());
      EXPECT_EQ(r, ops[0].rect);
      EXPECT_DOUBLE_EQ(c.a, ops[0].matrix[0]);
      EXPECT_DOUBLE_EQ(-c.a, ops[0].matrix[3]);
      EXPECT_DOUBLE_EQ(0, ops[0].matrix[1]);
      EXPECT_DOUBLE_EQ(r.left + c.h, ops[0].matrix[4]);
      EXPECT_DOUBLE_EQ(r.top + c.v, ops[0].matrix[5]);
      EXPECT_EQ(1, Count(kPfDrawErase, r)) << "erased before drawing";
      ASFixedMatrix last;
      PDGetDrawCount(&last);
      EXPECT_EQ((ASFixed)(c.a * 65536), last.a);
    });
  }
}

TEST_F(Previews, TextStreamsTakeTheirLengthAndTheSharedFonts) {
  RunPreview([&](SMacDialogInfo* d) {
    const char text[] = "abc\0def";
    PDFCtlSetStream(d, kPreviewId, text, 7);
    CosObj s = FindPDFCtlInfo(d, kPreviewId)->object;
    EXPECT_EQ(7, CosStreamLength(s)) << "an explicit length takes the zero bytes too";
    PDFCtlSetStream(d, kPreviewId, text, -1);
    s = FindPDFCtlInfo(d, kPreviewId)->object;
    EXPECT_EQ(3, CosStreamLength(s)) << "-1 stops at the zero byte";
    EXPECT_EQ(PDDocGetCosDoc(PDFCtlAnonDoc()), CosObjGetDoc(s));
    CosObj res = CosDictGet(CosStreamDict(s), ASAtomFromString("Resources"));
    CosObj fonts = CosDictGet(res, ASAtomFromString("Font"));
    const std::pair<const char*, const char*> kFonts[] = {{"H", "Helvetica"},
                                                          {"HB", "Helvetica-Bold"},
                                                          {"HI", "Helvetica-Oblique"},
                                                          {"T", "Times-Roman"},
                                                          {"C", "Courier"}};
    for (const auto& [name, base] : kFonts) {
      CosObj f = CosDictGet(fonts, ASAtomFromString(name));
      ASSERT_EQ(CosDict, CosObjGetType(f)) << name;
      EXPECT_EQ(ASAtomFromString("MacRomanEncoding"), CosNameValue(CosDictGet(f, ASAtomFromString("Encoding"))));
      EXPECT_EQ(ASAtomFromString(base), CosNameValue(CosDictGet(f, ASAtomFromString("BaseFont")))) << name;
    }
    EXPECT_EQ(2, CosArrayLength(CosDictGet(res, ASAtomFromString("ProcSet"))));
  });
}

TEST_F(Previews, NothingIsDrawnOrErasedBeforeAnObjectIsSet) {
  RunPreview([&](SMacDialogInfo* d) {
    PDFCtlSetDrawMode(d, kPreviewId, kPDFCtlFit, 100, 100);
    PfWindowRef w = PfGetDialogWindow(Front());
    PfDrawClear(w);
    PfDrawDialog(Front());
    EXPECT_TRUE(PdfOps().empty());
    EXPECT_EQ(0, Count(kPfDrawErase, ItemRect(kPreviewId)));
  });
}

TEST_F(Previews, OwnedObjectsGoWhenReplacedAndBorrowedOnesStay) {
  PDDoc mine = PDDocCreate();
  CosDoc cd = PDDocGetCosDoc(mine);
  const char body[] = "0 0 m 10 10 l S";
  ASStm stm = ASMemStmRdOpen(body, sizeof body - 1);
  CosObj form = CosNewStream(cd, 1, stm, 0, 0, CosNewNull(), CosNewNull(), cosNewStreamToEnd);
  ASStmClose(stm);
  CosObj box = CosNewArray(cd, 0, 4);
  const double bbox[] = {10, 20, 110.5, 70.4};
  for (int k = 0; k < 4; ++k) CosArrayPut(box, k, CosNewDouble(cd, 0, bbox[k]));
  CosDictPut(CosStreamDict(form), ASAtomFromString("BBox"), box);
  RunPreview([&](SMacDialogInfo* d) {
    PDFCtlSetStream(d, kPreviewId, "0 0 m 1 1 l S", -1);
    CosObj first = FindPDFCtlInfo(d, kPreviewId)->object;
    PDFCtlSetDrawMode(d, kPreviewId, kPDFCtlFit, -1, 0);
    PfDrawClear(PfGetDialogWindow(Front()));
    PDFCtlSetCosObj(d, kPreviewId, form, 0);
    EXPECT_EQ(CosNull, CosObjGetType(first)) << "the stream made from text was the control's";
    SPDFCtlInfo* rec = FindPDFCtlInfo(d, kPreviewId);
    EXPECT_EQ(101, rec->width) << "100.5 rounds up";
    EXPECT_EQ(50, rec->height);
    // The box's lower-left corner lands where the origin would have: shifted by 10 and 20 scaled.
    std::vector<PfDrawOp> ops = PdfOps();
    ASSERT_EQ(1u, ops.size());
    PfRect r = ItemRect(kPreviewId);
    double s = ops[0].matrix[0];
    EXPECT_NEAR(300.0 / 101, s, 1e-4);
    EXPECT_NEAR(r.left + (300 - 101 * s) / 2 - 10 * s, ops[0].matrix[4], 1e-3);
    EXPECT_NEAR(r.top + (300 + 50 * s) / 2 + 20 * s, ops[0].matrix[5], 1e-3);
  });
  EXPECT_EQ(CosStream, CosObjGetType(form)) << "a borrowed object outlives the dialog";
  EXPECT_EQ(0, PDFCtlRecordCount());
  PDDocClose(mine);
}

TEST_F(Previews, DestroyFreesEveryPreviewOfTheDialogOnly) {
  SMacDialogInfo* other = reinterpret_cast<SMacDialogInfo*>(0x1000);  // a dialog that is not running
  SPDFCtlInfo* kept = FindOrNewPDFCtlInfo(other, 7);
  ASSERT_NE(nullptr, kept);
  RunPreview([&](SMacDialogInfo* d) {
    PDFCtlSetStream(d, kPreviewId, "0 0 m 1 1 l S", -1);
    PDFCtlSetDrawMode(d, 55, kPDFCtlFit, 10, 10);  // an id with no item
    // The OK button is no user item: its record is kept, nothing drawn for it.
    PDFCtlSetStream(d, 1, "0 0 m 1 1 l S", -1);
    PfDrawClear(PfGetDialogWindow(Front()));
    PfDrawDialog(Front());
    std::vector<PfDrawOp> ops = PdfOps();
    ASSERT_EQ(1u, ops.size()) << "only the preview item draws";
    EXPECT_EQ(ItemRect(kPreviewId), ops[0].rect);
    EXPECT_EQ(4, PDFCtlRecordCount());
  });
  EXPECT_EQ(1, PDFCtlRecordCount());
  EXPECT_EQ(kept, FindPDFCtlInfo(other, 7));
  RemovePDFCtl(other, 9);  // no such id: nothing
  EXPECT_EQ(1, PDFCtlRecordCount());
  RemovePDFCtl(other, -1);
  EXPECT_EQ(0, PDFCtlRecordCount());
  EXPECT_EQ(1, PDFCtlDialogProc(nullptr, kMacDlgInit, 0, nullptr));
  EXPECT_EQ(0, PDFCtlDialogProc(nullptr, kMacDlgCommand, 0, nullptr));
}

TEST_F(Previews, AHostErrorInTextLeavesThePreviewAsItWas) {
  RunPreview([&](SMacDialogInfo* d) {
    PDFCtlSetStream(d, kPreviewId, "0 0 m 1 1 l S", -1);
    CosObj before = FindPDFCtlInfo(d, kPreviewId)->object;
    ASInt32 streams = ASStmOpenCount();
    ASFaultInject("CosNewStream", genErrGeneral);
    ASErrorCode code = 0;
    DURING
      PDFCtlSetStream(d, kPreviewId, "1 1 m 2 2 l S", -1);
    HANDLER
      code = ERRORCODE;
    END_HANDLER
    ASFaultClearAll();
    EXPECT_EQ(genErrGeneral, code) << "raised again to the caller";
    EXPECT_EQ(streams, ASStmOpenCount()) << "the memory stream was closed";
    EXPECT_TRUE(CosObjEqual(before, FindPDFCtlInfo(d, kPreviewId)->object));
    // A form without "BBox" cannot give its size: that error reaches the caller too.
    PDFCtlSetDrawMode(d, kPreviewId, kPDFCtlFit, -1, 0);
    code = 0;
    DURING
      PDFCtlSetCosObj(d, kPreviewId, CosNewInteger(nullptr, 0, 4), 0);
    HANDLER
      code = ERRORCODE;
    END_HANDLER
    EXPECT_NE(0, code);
  });
}

TEST_F(Previews, AFailedDrawingIsSwallowedAndLeavesTheItemErased) {
  RunPreview([&](SMacDialogInfo* d) {
    PDFCtlSetDrawMode(d, kPreviewId, kPDFCtlFit, 100, 100);
    PDFCtlSetStream(d, kPreviewId, "0 0 m 1 1 l S", -1);
    PfDrawClear(PfGetDialogWindow(Front()));
    ASFaultInject("CosStreamOpenStm", genErrGeneral);
    PfDrawDialog(Front());
    ASFaultClearAll();
    EXPECT_TRUE(PdfOps().empty());
    EXPECT_EQ(1, Count(kPfDrawErase, ItemRect(kPreviewId)));
  });
}

// ---- The image control

std::string Png(int w, int h) {
  std::string b = "\x89PNG\r\n\x1a\n";
  b += std::string("\0\0\0\x0dIHDR", 8);
  for (int v : {w, h}) b += std::string{(char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v};
  b += std::string("\x08\x06\0\0\0", 5) + std::string("\0\0\0\0", 4);
  return b;
}

std::string Jpeg(int w, int h) {
  std::string b = "\xff\xd8";
  b += std::string("\xff\xc0\x00\x11\x08", 5);
  b += std::string{(char)(h >> 8), (char)h, (char)(w >> 8), (char)w};
  b += std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
  b += "\xff\xd9";
  return b;
}

class Images : public Previews {
 protected:
  void SetUp() override {
    Previews::SetUp();
    std::filesystem::create_directories(dir.file("png"));
    std::filesystem::create_directories(dir.file("jpg"));
    WriteWholeFile(dir.file("png/10001.png"), Png(40, 20));
    WriteWholeFile(dir.file("jpg/20000.jpg"), Jpeg(30, 30));
    WriteWholeFile(dir.file("jpg/9999.jpg"), Jpeg(10, 50));
    WriteWholeFile(dir.file("jpg/12.jpg"), "not an image");
    PfBundleSetResourcesFolder(dir.path().c_str());
  }
  TempDir dir;
};

// Runs a dialog with one image element; body sees its control id.
void RunImage(ASInt32 resource, const std::function<void(SMacDialogInfo*, ASInt32)>& body) {
  KCtlRun run("Image", 0);
  SKCtlElem* e = KCtlAddNewElementWithResourceRef(run.dialog, kKCtlPicture, 0x1400000, -1, resource, nullptr);
  KCtlForceElementSize(120, 60, e);
  KCtlAddNewElement(run.dialog, kKCtlPushButton, kKCtlFlagOK, 1, "OK", nullptr);
  run.data = KCtlCreateData(run.dialog);
  PfScript script;
  script.Then([&] {
    body(KCtlFixture::FrontInfo(), KCtlPlatformGetElemControlId(run.data, e));
    PfDriverPressReturn();
  });
  KCtlPlatformTestModal(run.data, nullptr);
}

TEST_F(Images, ResourceIdsChooseThePngOrJpegFile) {
  char name[32];
  JPEGCtlFileName(10001, name, sizeof name);
  EXPECT_STREQ("10001.png", name);
  JPEGCtlFileName(19999, name, sizeof name);
  EXPECT_STREQ("19999.png", name);
  JPEGCtlFileName(20000, name, sizeof name);
  EXPECT_STREQ("20000.jpg", name);
  JPEGCtlFileName(9999, name, sizeof name);
  EXPECT_STREQ("9999.jpg", name);
  for (auto [id, kind] : {std::pair{10001, kPfImagePNG}, std::pair{20000, kPfImageJPEG}, std::pair{9999, kPfImageJPEG}}) {
    SCOPED_TRACE(id);
    RunImage(id, [&, kind = kind](SMacDialogInfo* d, ASInt32 cid) {
      PfImageRef image = CachedLoadImageRefForJPEGControl(d, cid);
      ASSERT_NE(nullptr, image);
      EXPECT_EQ(kind, PfImageGetKind(image));
      PfRect r = ItemRect(cid);
      PfWindowRef w = PfGetDialogWindow(Front());
      PfDrawClear(w);
      PfDrawDialog(Front());
      EXPECT_EQ(1, Count(kPfDrawImage, r)) << "scaled into the item";
      EXPECT_EQ(1, Count(kPfDrawErase, r));
    });
  }
}

TEST_F(Images, AnImageIsDecodedOnceForAllDialogs) {
  int32_t decodes = PfImageDecodeCount();
  RunImage(10001, [](SMacDialogInfo*, ASInt32) {});
  EXPECT_EQ(decodes + 1, PfImageDecodeCount());
  RunImage(10001, [&](SMacDialogInfo* d, ASInt32 cid) {
    EXPECT_NE(nullptr, CachedLoadImageRefForJPEGControl(d, cid));
    EXPECT_GE(Count(kPfDrawImage, ItemRect(cid)), 1) << "drawn when the dialog showed";
  });
  EXPECT_EQ(decodes + 1, PfImageDecodeCount());
}

TEST_F(Images, MissingOrDamagedFilesDrawNothingAndEraseNothing) {
  for (ASInt32 id : {4242, 12}) {
    SCOPED_TRACE(id);
    RunImage(id, [&](SMacDialogInfo* d, ASInt32 cid) {
      EXPECT_EQ(nullptr, CachedLoadImageRefForJPEGControl(d, cid));
      PfRect r = ItemRect(cid);
      PfDrawClear(PfGetDialogWindow(Front()));
      PfDrawDialog(Front());
      EXPECT_EQ(0, Count(kPfDrawImage, r));
      EXPECT_EQ(0, Count(kPfDrawErase, r));
      EXPECT_EQ(nullptr, CachedLoadImageRefForJPEGControl(d, 1)) << "the OK button is no picture";
    });
  }
}

}  // namespace
