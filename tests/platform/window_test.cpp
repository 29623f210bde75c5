#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Pf.h"
#include "support/PfTestSupport.h"

using kvtest::PfFixture;

namespace {

class Windows : public PfFixture {};

TEST_F(Windows, PropertiesKeepAnySizeAndPointersWhole) {
  PfWindowRef w = PfNewWindow(PfSetRect(10, 40, 110, 140), "T", false, kPfDocumentProc, true, false, 0);
  int local = 0;
  void* p = &local;
  const PfFourCC creator = PfMakeFourCC("KRVL"), tag = PfMakeFourCC("Kdlg");
  ASSERT_EQ(kPfNoErr, PfSetWindowPropertyPtr(w, creator, tag, p));
  size_t actual = 0;
  EXPECT_EQ(kPfNoErr, PfGetWindowProperty(w, creator, tag, 0, &actual, nullptr));
  EXPECT_EQ(sizeof(void*), actual);
  EXPECT_EQ(p, PfGetWindowPropertyPtr(w, creator, tag));
  uint32_t four = 0;
  EXPECT_EQ(kPfErrPropertyBufferTooSmall, PfGetWindowProperty(w, creator, tag, sizeof four, &actual, &four));
  // A 4-byte property is no pointer: nobody reads half an address.
  uint32_t small = 7;
  PfSetWindowProperty(w, creator, PfMakeFourCC("four"), sizeof small, &small);
  EXPECT_EQ(nullptr, PfGetWindowPropertyPtr(w, creator, PfMakeFourCC("four")));
  EXPECT_EQ(kPfErrPropertyNotFound, PfRemoveWindowProperty(w, creator, PfMakeFourCC("none")));
  EXPECT_EQ(kPfNoErr, PfRemoveWindowProperty(w, creator, tag));
  EXPECT_EQ(nullptr, PfGetWindowPropertyPtr(w, creator, tag));
  PfSetWRefCon(w, (PfRefCon)p);
  EXPECT_EQ(p, (void*)PfGetWRefCon(w));
}

TEST_F(Windows, StructureAddsTheTitleBarAndBoundsFollowEachOther) {
  PfWindowRef w = PfNewWindow(PfSetRect(100, 100, 300, 250), "T", true, kPfNoGrowDocProc, true, true, 0);
  PfRect s, c;
  PfGetWindowBounds(w, kPfWindowStructureRgn, &s);
  EXPECT_EQ(78, s.top);
  EXPECT_EQ(22, PfWindowTitleBarHeight(w));
  PfSetWindowBounds(w, kPfWindowStructureRgn, PfSetRect(0, 22, 200, 172));
  PfGetWindowBounds(w, kPfWindowContentRgn, &c);
  EXPECT_EQ(44, c.top);
  EXPECT_EQ(200, PfRectWidth(c));
  PfWindowRef plain = PfNewWindow(PfSetRect(0, 0, 10, 10), "", true, kPfPlainDialogProc, true, false, 0);
  EXPECT_EQ(0, PfWindowTitleBarHeight(plain));
  EXPECT_EQ((PfPoint{5, 10}), PfGlobalToLocal(w, PfPoint{5, 54}));
}

TEST_F(Windows, FloatingWindowsStayInFrontAndSelectionActivates) {
  PfWindowRef a = PfNewWindow(PfSetRect(0, 30, 100, 100), "A", true, kPfDocumentProc, true, false, 0);
  PfWindowRef f = PfNewWindow(PfSetRect(0, 30, 100, 100), "F", true, kPfDocumentProc, true, false, 0);
  PfSetWindowClass(f, kPfFloatingWindowClass);
  PfWindowRef b = PfNewWindow(PfSetRect(0, 30, 100, 100), "B", true, kPfDocumentProc, true, false, 0);
  EXPECT_EQ(f, PfFrontWindow());
  EXPECT_EQ(b, PfGetNextWindow(f));
  EXPECT_TRUE(PfIsWindowActive(b));
  EXPECT_FALSE(PfIsWindowActive(a));
  PfSelectWindow(a);
  EXPECT_EQ(a, PfGetNextWindow(f));
  EXPECT_FALSE(PfIsWindowActive(b));
  // Activation changes travel as activate events for the dialogs.
  PfEvent ev;
  int activates = 0;
  while (PfGetNextEvent(kPfActivateMask, &ev)) ++activates;
  EXPECT_GE(activates, 2);
  PfWindowRef modal = PfNewWindow(PfSetRect(0, 30, 100, 100), "M", true, kPfMovableModalProc, false, false, 0);
  EXPECT_EQ(modal, PfFrontWindow()) << "modal windows stand before floating ones";
  PfWindowRef behind = PfNewWindow(PfSetRect(0, 30, 10, 40), "C", true, kPfDocumentProc, false, false, 0);
  PfWindowRef last = PfFrontWindow();
  while (PfGetNextWindow(last)) last = PfGetNextWindow(last);
  EXPECT_EQ(behind, last);
}

TEST_F(Windows, FindWindowNamesTheParts) {
  PfWindowRef w = PfNewWindow(PfSetRect(100, 100, 300, 200), "T", true, kPfNoGrowDocProc, true, true, 0);
  PfWindowRef at;
  EXPECT_EQ(kPfInMenuBar, PfFindWindow(PfPoint{5, 5}, &at));
  EXPECT_EQ(kPfInContent, PfFindWindow(PfPoint{150, 150}, &at));
  EXPECT_EQ(w, at);
  EXPECT_EQ(kPfInDrag, PfFindWindow(PfPoint{150, 90}, &at));
  EXPECT_EQ(kPfInGoAway, PfFindWindow(PfPoint{105, 90}, &at));
  EXPECT_EQ(kPfInDesk, PfFindWindow(PfPoint{600, 600}, &at));
  EXPECT_EQ(nullptr, at);
}

TEST_F(Windows, TitlesAreCleanUTF8AndCopiedWhole) {
  PfWindowRef w = PfNewWindow(PfSetRect(0, 30, 10, 40), "caf\xC3\xA9", false, 0, true, false, 0);
  char buf[5];
  EXPECT_EQ(3, PfCopyWindowTitleUTF8(w, buf, sizeof buf));
  EXPECT_STREQ("caf", buf);
  PfSetWindowTitleUTF8(w, "bad\xFF");
  EXPECT_STREQ("bad\xEF\xBF\xBD", PfGetWindowTitleUTF8(w));
}

TEST_F(Windows, DragKeepsTheWindowOnTheDesktop) {
  PfWindowRef w = PfNewWindow(PfSetRect(100, 100, 300, 200), "T", true, kPfNoGrowDocProc, true, false, 0);
  PfPostMouseUp(PfPoint{150 - 500, 90 - 500}, 0);
  PfDragWindow(w, PfPoint{150, 90}, PfDesktopGrayBounds());
  PfRect c;
  PfGetWindowBounds(w, kPfWindowContentRgn, &c);
  EXPECT_EQ(0, c.left);
  EXPECT_EQ(22 + 22, c.top);
}

class Desktop : public PfFixture {};

TEST_F(Desktop, DefaultsAndConfiguredScreens) {
  PfRect b, a;
  ASSERT_TRUE(PfScreenGetBounds(0, &b));
  EXPECT_EQ(PfSetRect(0, 0, 1024, 768), b);
  PfScreenGetAvailableBounds(0, &a);
  EXPECT_EQ(22, a.top);
  PfRect screens[] = {PfSetRect(0, 0, 800, 600), PfSetRect(800, 0, 1800, 700)};
  PfDesktopSetScreens(screens, 2);
  EXPECT_EQ(2, PfScreenCount());
  EXPECT_EQ(1, PfScreenFromPoint(PfPoint{900, 5}));
  EXPECT_EQ(-1, PfScreenFromPoint(PfPoint{900, 750}));
  EXPECT_EQ(PfSetRect(0, 0, 1800, 700), PfDesktopBounds());
  EXPECT_EQ(PfSetRect(0, 0, 1800, 700), PfDesktopGrayBounds()) << "the second screen reaches the top";
  PfScreenGetAvailableBounds(1, &a);
  EXPECT_EQ(0, a.top);
  PfScreenSetAvailableBounds(0, PfSetRect(0, 22, 800, 560));
  PfScreenGetAvailableBounds(0, &a);
  EXPECT_EQ(560, a.bottom);
}

TEST_F(Desktop, SystemAnswersAndRecords) {
  int32_t v = 0;
  ASSERT_EQ(kPfNoErr, PfGestalt(PfMakeFourCC("menu"), &v));
  EXPECT_TRUE(v & 2);
  PfGestaltSet(PfMakeFourCC("sys2"), 0, false);
  EXPECT_NE(kPfNoErr, PfGestalt(PfMakeFourCC("sys2"), &v));
  PfSysBeep();
  EXPECT_EQ(1, PfBeepCount());
  int32_t m = 0;
  ASSERT_EQ(kPfNoErr, PfGetThemeMetric(52, &m));
  EXPECT_EQ(16, m);
  EXPECT_EQ(kPfErrParam, PfGetThemeMetric(999, &m));
  EXPECT_EQ(kPfNoErr, PfLaunchURLUTF8("https://example.org/"));
  EXPECT_STREQ("https://example.org/", PfLaunchedURL(0));
  PfResetAll();
  EXPECT_EQ(kPfNoErr, PfGestalt(PfMakeFourCC("sys2"), &v));
  EXPECT_EQ(0, PfBeepCount());
}

class Observers : public PfFixture {};

TEST_F(Observers, SeeWindowsDrawingAndEvents) {
  struct Log {
    std::vector<EPfNoticeKind> kinds;
    static void Proc(const SPfNotice* n, void* self) { ((Log*)self)->kinds.push_back(n->kind); }
  } log;
  int32_t token = PfAddObserver(&Log::Proc, &log);
  PfWindowRef w = PfNewWindow(PfSetRect(0, 30, 10, 40), "", false, 0, false, false, 0);
  PfSetPort(w);
  PfFrameRect(PfSetRect(0, 0, 5, 5));
  PfPostKeyDown('q', 0);
  PfDisposeWindow(w);
  PfRemoveObserver(token);
  PfPostKeyDown('q', 0);
  std::vector<EPfNoticeKind> expect = {kPfNoticeWindowCreated, kPfNoticeDrawn, kPfNoticeEventPosted,
                                       kPfNoticeWindowDisposed};
  EXPECT_EQ(expect, log.kinds);
}

TEST_F(Observers, DrawingIsRecordedWithPenAndClip) {
  PfWindowRef w = PfNewWindow(PfSetRect(0, 30, 10, 40), "", false, 0, false, false, 0);
  PfSetPort(w);
  PfPenSize(2, 2);
  PfRGBForeColor(PfRGBColor{0xCCCC, 0xCCCC, 0xCCCC});
  PfFrameRoundRect(PfSetRect(1, 2, 3, 4), 12, 12);
  PfPoint tri[3] = {{2, 2}, {10, 2}, {6, 10}};
  PfFillPoly(tri, 3);
  double m[6] = {2, 0, 0, 2, 5, 6};
  PfDrawPDFObject(PfSetRect(0, 0, 50, 50), 0x1234, m);
  ASSERT_EQ(3, PfDrawOpCount(w));
  const PfDrawOp* op = PfDrawOpAt(w, 0);
  EXPECT_EQ(kPfDrawFrameRound, op->kind);
  EXPECT_EQ(12, op->oval.h);
  EXPECT_EQ(2, op->pen.size.h);
  EXPECT_EQ(0xCCCC, op->pen.color.red);
  EXPECT_EQ(3, PfDrawOpAt(w, 1)->pointCount);
  EXPECT_EQ(0x1234u, PfDrawOpAt(w, 2)->pdfObject);
  EXPECT_EQ(5.0, PfDrawOpAt(w, 2)->matrix[4]);
  for (int i = 0; i < kPfDrawRecorderLimit + 10; ++i) PfEraseRect(PfSetRect(0, 0, 1, 1));
  EXPECT_EQ(kPfDrawRecorderLimit, PfDrawOpCount(w));
}

}  // namespace
