#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageBuild.h"
#include "fixtures/Fixtures.h"
#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/PageWalk.h"
#include "support/CosDescribe.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

// ---------------------------------------------------------------------------
// A progress monitor and cancel procedure that record what they are asked and
// cancel at a chosen poll.

namespace {

struct Box {
  std::vector<std::string> events;
  int polls = 0;
  int cancelAtPoll = 0;
};
Box gBox;

void Note(const std::string& e) { gBox.events.push_back(e); }
void PMBegin(void*) { Note("begin"); }
void PMEnd(void*) { Note("end"); }
void PMSetDuration(ASInt32 d, void*) { Note("duration:" + std::to_string(d)); }
void PMSetCurrValue(ASInt32 v, void*) { Note("value:" + std::to_string(v)); }
ASInt32 PMGet(void*) { return 0; }
ProgressMonitorRec gMonitor = {sizeof(ProgressMonitorRec), PMBegin, PMEnd, PMSetDuration, PMSetCurrValue,
                               PMGet, PMGet, nullptr};
ASBool BoxCancel(void*) {
  ++gBox.polls;
  return gBox.cancelAtPoll > 0 && gBox.polls >= gBox.cancelAtPoll;
}
SCancelStatusInfo gBoxInfo{sizeof(SCancelStatusInfo), BoxCancel, nullptr, &gMonitor, nullptr};

}  // namespace


namespace {

std::string Events() {
  std::string out;
  for (auto& e : gBox.events) out += (out.empty() ? "" : " ") + e;
  return out;
}

struct Visits {
  std::vector<ASInt32> pages;
  int answerFalseAt = -1;  // the visit (0-based) that answers false
  int raiseAt = -1;
};

ASBool Visit(PDPage page, void* data) {
  auto* v = static_cast<Visits*>(data);
  int visit = (int)v->pages.size();
  v->pages.push_back(PDPageGetNumber(page));
  if (visit == v->raiseAt) ASRaise(genErrGeneral);
  return visit != v->answerFalseAt;
}

class PageWalkTest : public ::testing::Test {
 protected:
  void SetUp() override { gBox = Box{}; }
  void TearDown() override {
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

TEST_F(PageWalkTest, EverySecondPage) {
  kvfix::WriteSimple(dir.file("seven.pdf"), 7);
  ScopedDoc doc(OpenPdf(dir.file("seven.pdf")));
  Visits v;
  EXPECT_EQ(1, ForEachPage(doc, 1, -1, 2, Visit, &v, &gBoxInfo));
  EXPECT_EQ((std::vector<ASInt32>{1, 3, 5}), v.pages);
  EXPECT_EQ("begin duration:6 value:2 value:4 value:6 end", Events());
}

TEST_F(PageWalkTest, StopsAndCancels) {
  kvfix::WriteSimple(dir.file("seven.pdf"), 7);
  ScopedDoc doc(OpenPdf(dir.file("seven.pdf")));
  // A false answer on the first page.
  Visits first;
  first.answerFalseAt = 0;
  EXPECT_EQ(0, ForEachPage(doc, 0, 6, 1, Visit, &first, &gBoxInfo));
  EXPECT_EQ((std::vector<ASInt32>{0}), first.pages);
  EXPECT_EQ("begin duration:7 value:1 end", Events());
  // The user cancels at the second look.
  gBox = Box{};
  gBox.cancelAtPoll = 2;
  Visits cancelled;
  EXPECT_EQ(0, ForEachPage(doc, 0, -1, 1, Visit, &cancelled, &gBoxInfo));
  EXPECT_EQ((std::vector<ASInt32>{0, 1}), cancelled.pages);
  EXPECT_EQ("begin duration:7 value:1 value:2 end", Events());
  // Nothing to visit: still begun and ended.
  gBox = Box{};
  Visits none;
  EXPECT_EQ(1, ForEachPage(doc, 5, 4, 1, Visit, &none, &gBoxInfo));
  EXPECT_TRUE(none.pages.empty());
  EXPECT_EQ("begin duration:0 end", Events());
  // A step that would never end the walk is refused.
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { ForEachPage(doc, 0, 6, 0, Visit, &none, &gBoxInfo); }));
}

// A host error in a procedure: the page is released and the progress ended
// before the error goes on.
TEST_F(PageWalkTest, ErrorsPassOn) {
  kvfix::WriteSimple(dir.file("three.pdf"), 3);
  ScopedDoc doc(OpenPdf(dir.file("three.pdf")));
  Visits v;
  v.raiseAt = 1;
  EXPECT_EQ(genErrGeneral, ErrorOf([&] { ForEachPage(doc, 0, -1, 1, Visit, &v, &gBoxInfo); }));
  EXPECT_EQ("begin duration:3 value:1 end", Events());
  gBox = Box{};
  EXPECT_EQ(pdErrBadPageNumber, ErrorOf([&] { ForEachPage(doc, 2, 5, 1, Visit, &v, &gBoxInfo); }));
  EXPECT_EQ("begin duration:4 value:1 end", Events());
}

// The caller's own monitor and cancel procedure in place of the status box.
struct OwnProgress {
  std::vector<std::string> events;
  int cancelAfter = 0;
  int asked = 0;
};
void OwnBegin(void* d) { static_cast<OwnProgress*>(d)->events.push_back("begin"); }
void OwnEnd(void* d) { static_cast<OwnProgress*>(d)->events.push_back("end"); }
void OwnDuration(ASInt32 n, void* d) { static_cast<OwnProgress*>(d)->events.push_back("duration:" + std::to_string(n)); }
void OwnValue(ASInt32 n, void* d) { static_cast<OwnProgress*>(d)->events.push_back("value:" + std::to_string(n)); }
ASBool OwnCancel(void* d) {
  auto* p = static_cast<OwnProgress*>(d);
  return ++p->asked == p->cancelAfter;
}

TEST_F(PageWalkTest, CallersOwnProgressAndCancel) {
  kvfix::WriteSimple(dir.file("seven.pdf"), 7);
  ScopedDoc doc(OpenPdf(dir.file("seven.pdf")));
  ProgressMonitorRec monitor = {sizeof monitor, OwnBegin, OwnEnd, OwnDuration, OwnValue, nullptr, nullptr, nullptr};
  OwnProgress own;
  own.cancelAfter = 3;
  SCancelStatusInfo info{sizeof info, OwnCancel, &own, &monitor, &own};
  Visits v;
  EXPECT_EQ(0, ForEachPage(doc, 0, -1, 3, Visit, &v, &info));
  EXPECT_EQ((std::vector<ASInt32>{0, 3, 6}), v.pages);
  std::string seen;
  for (auto& e : own.events) seen += e + " ";
  EXPECT_EQ("begin duration:7 value:3 value:6 value:9 end ", seen);
  EXPECT_TRUE(gBox.events.empty()) << Events();
  // A record too short to hold the five fields counts as none: no progress,
  // no cancel.
  info.size = 8;
  own.events.clear();
  Visits v2;
  EXPECT_EQ(1, ForEachPage(doc, 0, 1, 1, Visit, &v2, &info));
  EXPECT_EQ((std::vector<ASInt32>{0, 1}), v2.pages);
  EXPECT_TRUE(own.events.empty());
  Visits v3;
  EXPECT_EQ(1, ForEachPage(doc, 0, 1, 1, Visit, &v3, nullptr));
  EXPECT_EQ((std::vector<ASInt32>{0, 1}), v3.pages);
}

// ---- duplication ----------------------------------------------------------------

std::string Rect(const ASFixedRect& r) {
  return std::to_string(r.left >> 16) + " " + std::to_string(r.bottom >> 16) + " " + std::to_string(r.right >> 16) +
         " " + std::to_string(r.top >> 16);
}

struct Shown {
  std::string media, crop, font;
  PDRotate rotate;
  bool operator==(const Shown&) const = default;
};

Shown ShownOf(PDDoc doc, ASInt32 n) {
  ScopedPage p(doc, n);
  ASFixedRect media, crop;
  PDPageGetMediaBox(p, &media);
  PDPageGetCropBox(p, &crop);
  CosObj resources = PDPageGetCosResources(p);
  std::string font = "-";
  if (CosObjGetType(resources) == CosDict) {
    CosObj f1 = CosDictGet(CosDictGet(resources, Atom("Font")), Atom("F1"));
    font = ASAtomGetString(CosNameValue(CosDictGet(f1, Atom("BaseFont"))));
  }
  return Shown{Rect(media), Rect(crop), font, PDPageGetRotate(p)};
}

// Wherever the copy goes in the tree, it shows what its source shows.
TEST_F(PageWalkTest, DuplicatesShowWhatTheirSourceShows) {
  std::string path = Write("inherited.pdf", kvfix::WriteInherited);
  for (ASInt32 source = 0; source < 5; ++source) {
    for (ASInt32 after : {PDBeforeFirstPage, 1, 4}) {
      ScopedDoc doc(OpenPdf(path));
      Shown want = ShownOf(doc, source);
      PDDocDuplicatePage(doc, source, after, 0);
      ASInt32 at = after == PDBeforeFirstPage ? 0 : after + 1;
      EXPECT_EQ(6, PDDocGetNumPages(doc));
      Shown got = ShownOf(doc, at);
      EXPECT_TRUE(want == got) << "source " << source << " after " << after << ": " << got.media << " / "
                               << got.crop << " / " << got.font << " / " << got.rotate;
    }
  }
}

TEST_F(PageWalkTest, DuplicatesShareWhatIsIndirect) {
  ScopedDoc doc(PDDocCreate());
  CosMaker m{PDDocGetCosDoc(doc)};
  CosObj resources = m.Dict({{"Font", m.Dict({{"F1", m.Font("Helvetica")}})}}, true);
  AddPage(doc, "BT /F1 9 Tf (one) Tj ET", resources);
  AddPage(doc, std::vector<std::string>{"q", "Q"}, resources);
  {
    ScopedPage p(doc, 0);
    ASFixedRect crop{10 << 16, 700 << 16, 500 << 16, 20 << 16};
    PDPageSetCropBox(p, crop);
    PDPageSetBox(p, Atom("TrimBox"), ASFixedRect{30 << 16, 600 << 16, 400 << 16, 40 << 16});
    PDPageSetRotate(p, 90);
    CosDictPut(PDPageGetCosObj(p), Atom("UserUnit"), m.Int(2));
  }
  PDDocDuplicatePage(doc, 0, 1, 0);
  PDDocDuplicatePage(doc, 1, 2, 0);
  ScopedPage source(doc, 0), copy(doc, 2), arrayCopy(doc, 3), arraySource(doc, 1);
  CosObj s = PDPageGetCosObj(source), c = PDPageGetCosObj(copy);
  EXPECT_TRUE(CosObjEqual(CosDictGet(s, Atom("Resources")), CosDictGet(c, Atom("Resources"))));
  EXPECT_TRUE(CosObjEqual(CosDictGet(s, Atom("Contents")), CosDictGet(c, Atom("Contents"))));
  EXPECT_EQ(Describe(CosDictGet(s, Atom("CropBox"))), Describe(CosDictGet(c, Atom("CropBox"))));
  EXPECT_EQ(Describe(CosDictGet(s, Atom("TrimBox"))), Describe(CosDictGet(c, Atom("TrimBox"))));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(c, Atom("BleedBox"))));
  EXPECT_EQ("2", Describe(CosDictGet(c, Atom("UserUnit"))));
  EXPECT_EQ(90, PDPageGetRotate(copy));
  // An array of contents is copied; its streams are shared.
  CosObj sa = CosDictGet(PDPageGetCosObj(arraySource), Atom("Contents"));
  CosObj ca = CosDictGet(PDPageGetCosObj(arrayCopy), Atom("Contents"));
  EXPECT_EQ(Describe(sa), Describe(ca));
  CosArrayRemoveNth(ca, 1);
  EXPECT_EQ(2, CosArrayLength(sa));
  TempDir out;
  SavePdf(doc, out.file("dup.pdf"));
  EXPECT_EQ(0, QpdfCheck(out.file("dup.pdf")));
}

// Annotations that come with the copy are new ones that belong to it.
TEST_F(PageWalkTest, DuplicatedAnnotationsBelongToTheCopy) {
  ScopedDoc doc(OpenPdf(Write("annotated.pdf", kvfix::WriteAnnotated)));
  PDDocDuplicatePage(doc, 0, PDLastPage, 1);
  PDDocDuplicatePage(doc, 0, PDLastPage, 0);
  ScopedPage source(doc, 0), copy(doc, 2), bare(doc, 3);
  CosObj sourceAnnots = CosDictGet(PDPageGetCosObj(source), Atom("Annots"));
  CosObj annots = CosDictGet(PDPageGetCosObj(copy), Atom("Annots"));
  ASSERT_EQ(3, CosArrayLength(annots));
  for (ASInt32 i = 0; i < 3; ++i) {
    CosObj a = CosArrayGet(annots, i), original = CosArrayGet(sourceAnnots, i);
    EXPECT_FALSE(CosObjEqual(a, original));
    EXPECT_TRUE(CosObjEqual(PDPageGetCosObj(copy), CosDictGet(a, Atom("P"))));
    EXPECT_TRUE(CosObjEqual(PDPageGetCosObj(source), CosDictGet(original, Atom("P"))));
    EXPECT_EQ(Describe(CosDictGet(original, Atom("Subtype"))), Describe(CosDictGet(a, Atom("Subtype"))));
  }
  // The note and its popup point to each other's copies.
  CosObj text = CosArrayGet(annots, 1), popup = CosArrayGet(annots, 2);
  EXPECT_TRUE(CosObjEqual(popup, CosDictGet(text, Atom("Popup"))));
  EXPECT_TRUE(CosObjEqual(text, CosDictGet(popup, Atom("Parent"))));
  EXPECT_EQ(CosNull, CosObjGetType(CosDictGet(PDPageGetCosObj(bare), Atom("Annots"))));
  TempDir out;
  SavePdf(doc, out.file("annots.pdf"));
  EXPECT_EQ(0, QpdfCheck(out.file("annots.pdf")));
}

}  // namespace
