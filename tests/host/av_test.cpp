#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "host/AV.h"
#include "host/HostTables.h"
#include "support/HostPdf.h"
#include "support/TempDir.h"

using namespace kvtest;

namespace {

std::vector<std::string> gLog;

class AVTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    docs = PDGetOpenDocCount();
  }
  void TearDown() override {
    AVAppShutdown();
    ASHostVersionSet(9, 0);
    HostRegisterFunctionTables();
    EXPECT_EQ(docs, PDGetOpenDocCount());
    EXPECT_EQ(0, AVAppGetNumWindows());
  }
  PDDoc Simple(int pages = 3) {
    std::string p = dir.file("doc" + std::to_string(++made) + ".pdf");
    kvfix::WriteSimple(p, pages);
    return OpenPdf(p);
  }
  TempDir dir;
  int made = 0;
  ASInt32 docs = 0;
};

struct Text {
  ASText t;
  explicit Text(const char* s = "") : t(ASTextFromUnicode(s, kUTF8)) {}
  ~Text() { ASTextDestroy(t); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  operator ASText() const { return t; }
  std::string str() const { return ASTextGetUTF8(t); }
};

std::string TitleOf(AVWindow w) {
  Text t;
  AVWindowGetTitle(w, t);
  return t.str();
}

void LogDoc(const char* what, AVDoc doc) {
  std::string title = doc ? TitleOf(AVDocGetAVWindow(doc)) : "none";
  gLog.push_back(std::string(what) + " " + title);
}
void OnOpened(AVDoc doc, ASInt32, void*) { LogDoc("opened", doc); }
void OnFront(AVDoc doc, void*) { LogDoc("front", doc); }
void OnWillClose(AVDoc doc, void*) { LogDoc("closing", doc); }
void OnClosed(AVDoc, void*) { gLog.push_back("closed"); }
void OnView(AVPageView view, ASInt16, void*) { gLog.push_back("view " + std::to_string(AVPageViewGetPageNum(view))); }

}  // namespace

TEST_F(AVTest, DocumentsInWindows) {
  std::vector<std::pair<NSelector, void*>> procs = {{AVDocDidOpenNSEL, (void*)OnOpened},
                                                    {AVAppFrontDocDidChangeNSEL, (void*)OnFront},
                                                    {AVDocWillCloseNSEL, (void*)OnWillClose},
                                                    {AVDocDidCloseNSEL, (void*)OnClosed}};
  for (auto& p : procs) AVAppRegisterNotification(p.first, nullptr, p.second, nullptr);
  PDDoc first = Simple(), second = Simple();
  AVDoc a = AVDocOpenFromPDDoc(first, nullptr);
  Text title("Second one");
  AVDoc b = AVDocOpenFromPDDoc(second, title);
  EXPECT_EQ("doc1.pdf", TitleOf(AVDocGetAVWindow(a))) << "named after its file";
  EXPECT_EQ("Second one", TitleOf(AVDocGetAVWindow(b)));
  EXPECT_EQ(b, AVAppGetActiveDoc());
  EXPECT_EQ(2, AVAppGetNumDocs());
  EXPECT_EQ(first, AVDocGetPDDoc(a));
  EXPECT_EQ(a, AVWindowGetAVDoc(AVDocGetAVWindow(a)));
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { AVDocOpenFromPDDoc(first, nullptr); })) << "one window per document";
  AVDocBringToFront(a);
  EXPECT_EQ(a, AVAppGetActiveDoc());
  ASInt32 open = PDGetOpenDocCount();
  AVDocClose(a, 1);
  EXPECT_EQ(open - 1, PDGetOpenDocCount()) << "the document closes with its window";
  EXPECT_EQ(b, AVAppGetActiveDoc());
  AVWindowUserClose(AVDocGetAVWindow(b), 0);  // a user closing the window closes the document
  EXPECT_EQ(nullptr, AVAppGetActiveDoc());
  for (auto& p : procs) AVAppUnregisterNotification(p.first, nullptr, p.second, nullptr);
  EXPECT_EQ((std::vector<std::string>{"opened doc1.pdf", "front doc1.pdf", "opened Second one", "front Second one",
                                      "front doc1.pdf", "closing doc1.pdf", "closed", "front Second one",
                                      "closing Second one", "closed", "front none"}),
            gLog);
}

TEST_F(AVTest, PageViewsAndModes) {
  PDDoc pd = Simple(5);
  AVDoc doc = AVDocOpenFromPDDoc(pd, nullptr);
  AVPageView view = AVDocGetPageView(doc);
  EXPECT_EQ(doc, AVPageViewGetAVDoc(view));
  AVAppRegisterNotification(AVPageViewDidChangeNSEL, nullptr, (void*)OnView, nullptr);
  AVPageViewGoTo(view, 3);
  AVPageViewGoTo(view, 99);
  AVPageViewGoTo(view, -4);
  AVAppUnregisterNotification(AVPageViewDidChangeNSEL, nullptr, (void*)OnView, nullptr);
  EXPECT_EQ((std::vector<std::string>{"view 3", "view 4", "view 0"}), gLog);
  AVPageViewGoTo(view, 4);
  PDDocDeletePages(pd, 2, 4, nullptr, nullptr);
  EXPECT_EQ(1, AVPageViewGetPageNum(view)) << "the current page stays within the document";
  AVPageViewZoomTo(view, AVZoomFitPage, 2 * fixedOne);
  EXPECT_EQ(2 * fixedOne, AVPageViewGetZoom(view));
  EXPECT_EQ(AVZoomFitPage, AVPageViewGetZoomType(view));
  EXPECT_EQ(PDUseNone, AVDocGetViewMode(doc));
  AVDocSetViewMode(doc, PDUseThumbs);
  EXPECT_EQ(PDUseThumbs, AVDocGetViewMode(doc));
  AVDoc help = AVDocOpenFromPDDocAsHelp(Simple(1), nullptr);
  EXPECT_TRUE(AVDocIsHelp(help));
  EXPECT_FALSE(AVDocIsHelp(doc));
}

namespace {
ASBool gMayClose = 1;
void WMouse(AVWindow, AVDevCoord x, AVDevCoord y, void*) { gLog.push_back("mouse " + std::to_string(x) + "," + std::to_string(y)); }
ASBool WWillClose(AVWindow, ASBool) {
  gLog.push_back("will close");
  return gMayClose;
}
void WDidClose(AVWindow w) {
  gLog.push_back("did close");
  EXPECT_FALSE(AVWindowUserClose(w, 0)) << "closing again while closing does nothing";
}
void WActivate(AVWindow w) { gLog.push_back("activate " + TitleOf(w)); }
void WKey(AVWindow w) { gLog.push_back("key " + TitleOf(w)); }
void WResign(AVWindow w) { gLog.push_back("resign " + TitleOf(w)); }
void WDeactivate(AVWindow w) { gLog.push_back("deactivate " + TitleOf(w)); }
void WKeyDown(AVWindow, char c, void*) { gLog.push_back(std::string("type ") + c); }
void WDraw(AVWindow, const AVRect* r) {
  gLog.push_back("draw " + std::to_string(r->left) + " " + std::to_string(r->top) + " " + std::to_string(r->right) +
                 " " + std::to_string(r->bottom));
}
void WDestroy(AVWindow, void* thing) { gLog.push_back(std::string("destroy ") + static_cast<const char*>(thing)); }

AVWindowHandlerRec Handlers() {
  AVWindowHandlerRec h{};
  h.size = sizeof h;
  h.mouseDown = WMouse;
  h.willClose = WWillClose;
  h.didClose = WDidClose;
  h.didActivate = WActivate;
  h.didBecomeKey = WKey;
  h.keyDown = WKeyDown;
  h.willResignKey = WResign;
  h.willDeactivate = WDeactivate;
  h.draw = WDraw;
  h.destroyPlatformThing = WDestroy;
  return h;
}
}  // namespace

TEST_F(AVTest, WindowsCallTheirHandlers) {
  AVWindowHandlerRec h = Handlers();
  static char thing[] = "thing";
  AVWindow one = AVWindowNewFromPlatformThing(AVWLfloating, 0x58000000, &h, nullptr, thing);
  AVWindow two = AVWindowNew(AVWLmodal, 0, &h, nullptr);
  h.draw = nullptr;  // the record was copied: later changes do not reach the window
  Text t1("one"), t2("two");
  AVWindowSetTitle(one, t1);
  AVWindowSetTitle(two, t2);
  EXPECT_EQ(0x58000000u, AVWindowGetFlags(one));
  EXPECT_EQ(AVWLmodal, AVWindowGetLayer(two));
  EXPECT_EQ(thing, AVWindowGetPlatformThing(one));
  int owner = 0;
  AVWindowSetOwnerData(one, &owner);
  EXPECT_EQ(&owner, AVWindowGetOwnerData(one));

  AVWindowBecomeKey(one);
  AVWindowBecomeKey(two);
  EXPECT_TRUE(AVWindowIsKey(two));
  AVWindowClick(one, 5, 6);
  AVWindowType(one, 'x');
  AVRect r1{1, 2, 3, 4}, r2{10, 0, 20, 30};
  AVWindowDrawNow(one);  // nothing invalid: no draw
  AVWindowInvalidateRect(one, &r1);
  AVWindowInvalidateRect(one, &r2);
  AVWindowDrawNow(one);
  EXPECT_EQ(1, AVWindowGetDrawCount(one));
  AVRect frame{100, 100, 400, 250}, got;
  AVWindowSetFrame(one, &frame);
  AVWindowGetFrame(one, &got);
  EXPECT_EQ(250, got.bottom);
  AVWindowGetInterior(one, &got);
  EXPECT_EQ(300, got.right);

  gMayClose = 0;
  EXPECT_FALSE(AVWindowUserClose(two, 0));
  gMayClose = 1;
  EXPECT_TRUE(AVWindowUserClose(two, 0));
  EXPECT_EQ(1, AVAppGetNumWindows());
  EXPECT_EQ(genErrBadParm, ErrorOf([&] { AVWindowShow(two); })) << "a closed window is gone";
  AVWindowDestroy(one);
  EXPECT_EQ((std::vector<std::string>{"key one", "activate one", "resign one", "deactivate one", "key two",
                                      "activate two", "mouse 5,6", "type x", "draw 1 0 20 30", "will close",
                                      "will close", "resign two", "deactivate two", "did close", "destroy thing"}),
            gLog);
}

TEST_F(AVTest, ShortHandlerRecordsUseOnlyTheirSlots) {
  AVWindowHandlerRec full = Handlers();
  full.size = offsetof(AVWindowHandlerRec, willClose);  // the mouse slot only
  AVWindow w = AVWindowNew(AVWLnonfloating, 0, &full, nullptr);
  AVWindowClick(w, 1, 1);
  EXPECT_TRUE(AVWindowUserClose(w, 0));
  EXPECT_EQ((std::vector<std::string>{"mouse 1,1"}), gLog);
}

namespace {
void Count(void* data) { ++*static_cast<int*>(data); }
ASBool Enabled(void* data) { return *static_cast<int*>(data) > 0; }
ASBool Marked(void*) { return 1; }
}  // namespace

TEST_F(AVTest, MenusAndItems) {
  AVMenubar bar = AVAppGetMenubar();
  for (const char* name : {"File", "Extensions", "Help", "AboutExtensions", "Prefs"}) {
    AVMenu m = AVMenubarAcquireMenuByName(bar, name);
    EXPECT_NE(nullptr, m) << name;
    AVMenuRelease(m);
  }
  EXPECT_EQ(nullptr, AVMenubarAcquireMenuByName(bar, "UsingExtensions"));

  AVMenu ext = AVMenubarAcquireMenuByName(bar, "Extensions");
  AVMenu sub = AVMenuNew("Imposition", "KV:Sub", nullptr);
  Text title("Impose \xE2\x80\x93 sub");
  AVMenuItem holder = AVMenuItemNewWithASText(title, "KV:Holder", sub, 0, 0, 0, nullptr, nullptr);
  AVMenuAddMenuItem(ext, holder, APPEND_MENUITEM);
  int runs = 0, gate = 0;
  AVMenuItem run = AVMenuItemNew("Run", "KV:Run", nullptr, 0, 'R', 0, nullptr, nullptr);
  AVMenuItemSetExecuteProc(run, Count, &runs);
  AVMenuItemSetComputeEnabledProc(run, Enabled, &gate);
  AVMenuItemSetComputeMarkedProc(run, Marked, nullptr);
  AVMenuAddMenuItem(sub, run, APPEND_MENUITEM);
  AVMenuItem sep = AVMenuItemNew("-", "KV:Sep", nullptr, 0, 0, 0, nullptr, nullptr);
  AVMenuAddMenuItem(sub, sep, 0);
  EXPECT_EQ(2, AVMenuGetNumMenuItems(sub));

  AVMenuItem found = AVMenubarAcquireMenuItemByName(bar, "KV:Run");
  ASSERT_EQ(run, found) << "found through submenus";
  EXPECT_FALSE(AVMenuItemExecute(found)) << "disabled";
  gate = 1;
  EXPECT_TRUE(AVMenuItemExecute(found));
  EXPECT_EQ(1, runs);
  EXPECT_TRUE(AVMenuItemIsMarked(found));
  EXPECT_FALSE(AVMenuItemExecute(sep));
  EXPECT_FALSE(AVMenuItemExecute(holder));
  EXPECT_EQ('R', AVMenuItemGetShortcut(run));
  EXPECT_EQ(sub, AVMenuItemGetParentMenu(run));
  EXPECT_EQ(holder, AVMenuGetParentMenuItem(sub));
  char buf[8];
  EXPECT_EQ(14, AVMenuItemGetTitle(holder, buf, sizeof buf));
  EXPECT_STREQ("Impose ", buf);
  Text back;
  AVMenuItemGetTitleAsASText(holder, back);
  EXPECT_EQ("Impose \xE2\x80\x93 sub", back.str());
  EXPECT_EQ(ASAtomFromString("KV:Sub"), AVMenuGetName(sub));
  AVMenuItemRelease(found);

  AVMenuRemove(ext);  // a host without an Extensions menu
  EXPECT_EQ(nullptr, AVMenubarAcquireMenuByName(bar, "Extensions"));
  EXPECT_EQ(nullptr, AVMenubarAcquireMenuItemByName(bar, "KV:Run"));
  AVMenuRelease(ext);
}

TEST_F(AVTest, ToolBarButtons) {
  AVToolBar bar = AVAppGetToolBar();
  AVToolButton end = AVToolBarGetButtonByName(bar, ASAtomFromString("endToolsGroup"));
  ASSERT_NE(nullptr, end);
  EXPECT_TRUE(AVToolButtonIsSeparator(end));
  std::string png = "\x89PNG fake image bytes";
  ASStm s = ASMemStmRdOpen(png.data(), png.size());
  AVIconDataRec data{s, 0};
  AVIcon icon = AVAppCreateIconBundle6(kAVSysPNGIcon, &data, 1);
  ASStmClose(s);
  EXPECT_EQ((ASInt32)png.size(), AVIconGetDataSize(icon));
  AVToolButton b = AVToolButtonNew(ASAtomFromString("KV_Button"), icon, 1, 0);
  ASInt32 before = AVToolBarGetNumButtons(bar);
  AVToolBarAddButton(bar, b, 1, end);
  EXPECT_EQ(before + 1, AVToolBarGetNumButtons(bar));
  EXPECT_EQ(b, AVToolBarGetButtonByName(bar, ASAtomFromString("KV_Button")));
  int runs = 0, gate = 1;
  AVToolButtonSetExecuteProc(b, Count, &runs);
  AVToolButtonSetComputeEnabledProc(b, Enabled, &gate);
  EXPECT_TRUE(AVToolButtonExecute(b));
  gate = 0;
  EXPECT_FALSE(AVToolButtonExecute(b));
  EXPECT_EQ(1, runs);
  EXPECT_FALSE(AVToolButtonIsEnabled(end));
  AVToolButtonSetHelpText(b, "Imposition");
  EXPECT_STREQ("Imposition", AVToolButtonGetHelpText(b));
  Text label(" Korvel 3"), got;
  EXPECT_EQ(0, AVToolButtonGetLabelText(b, got));
  AVToolButtonSetLabelText(b, label, 800);
  EXPECT_EQ(800, AVToolButtonGetLabelText(b, got));
  EXPECT_EQ(" Korvel 3", got.str());
  EXPECT_EQ(icon, AVToolButtonGetIcon(b));
  AVToolButtonDestroy(b);
  EXPECT_EQ(before, AVToolBarGetNumButtons(bar));
}

namespace {
struct SelfRemoving {
  int runs = 0;
};
void RemoveAfterTwo(void* data) {
  auto* s = static_cast<SelfRemoving*>(data);
  if (++s->runs == 2) AVAppUnregisterIdleProc(RemoveAfterTwo, data);
}
}  // namespace

TEST_F(AVTest, IdleProceduresOnTheTickClock) {
  int every3 = 0, every1 = 0;
  SelfRemoving self;
  AVAppRegisterIdleProc(Count, &every3, 3);
  AVAppRegisterIdleProc(Count, &every3, 3);  // counted once
  AVAppRegisterIdleProc(Count, &every1, 0);
  AVAppRegisterIdleProc(RemoveAfterTwo, &self, 1);
  EXPECT_EQ(3, AVAppGetNumIdleProcs());
  ASUns32 start = AVAppGetTicks();
  AVAppAdvanceTicks(10);
  EXPECT_EQ(start + 10, AVAppGetTicks());
  EXPECT_EQ(3, every3);
  EXPECT_EQ(10, every1);
  EXPECT_EQ(2, self.runs) << "a procedure can unregister itself";
  AVAppUnregisterIdleProc(Count, &every3);
  AVAppAdvanceTicks(3);
  EXPECT_EQ(3, every3);
}

TEST_F(AVTest, ModifiersAndCursors) {
  EXPECT_EQ(0u, AVSysGetModifiers());
  AVSysSetModifiers(AV_COMMAND | AV_SHIFT);
  EXPECT_EQ(AV_COMMAND | AV_SHIFT, AVSysGetModifiers());
  AVCursor watch = AVSysGetStandardCursor(1112);
  EXPECT_EQ(watch, AVSysGetStandardCursor(1112));
  AVCursor old = AVSysGetCursor();
  AVSysSetCursor(watch);
  EXPECT_EQ(1112, AVCursorGetID(AVSysGetCursor()));
  AVSysSetCursor(old);
  EXPECT_EQ(old, AVSysGetCursor());
}

TEST_F(AVTest, OpenDialogAnswersFromItsQueue) {
  Text prompt("Choose a background");
  AVOpenSaveDialogParamsRec params{};
  params.size = sizeof params;
  params.windowTitle = prompt;
  ASPathName* paths = nullptr;
  ASUns16 count = 7;
  ASFileSys fs = nullptr;
  EXPECT_FALSE(AVAppOpenDialog(&params, &fs, &paths, &count, nullptr)) << "no answer: cancelled";
  EXPECT_EQ(0, count);
  EXPECT_STREQ("Choose a background", AVAppGetLastOpenDialogTitle());
  AVAppQueueOpenDialogAnswer("/tmp/chosen.pdf");
  AVAppQueueOpenDialogAnswer(nullptr);
  ASSERT_TRUE(AVAppOpenDialog(&params, &fs, &paths, &count, nullptr));
  ASSERT_EQ(1, count);
  EXPECT_EQ(ASGetDefaultFileSys(), fs);
  EXPECT_STREQ("/tmp/chosen.pdf", ASFileSysPOSIXPath(fs, paths[0]));
  ASFileSysReleasePath(fs, paths[0]);
  ASfree(paths);
  EXPECT_FALSE(AVAppOpenDialog(&params, &fs, &paths, &count, nullptr)) << "a cancel answer";
  AVAppSetOpenDialogStandingAnswer("/tmp/always.pdf");
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(AVAppOpenDialog(&params, &fs, &paths, &count, nullptr));
    EXPECT_STREQ("/tmp/always.pdf", ASFileSysPOSIXPath(fs, paths[0]));
    ASFileSysReleasePath(fs, paths[0]);
    ASfree(paths);
  }
}

TEST_F(AVTest, ProgressMonitorAndCancel) {
  void* data = nullptr;
  ProgressMonitor pm = AVAppGetDocProgressMonitor(&data);
  ASSERT_NE(nullptr, pm);
  testing::internal::CaptureStderr();
  pm->beginOperation(data);
  pm->setDuration(50, data);
  pm->setCurrValue(20, data);
  ASInt32 duration, value;
  ASBool running;
  AVAppGetProgressState(&duration, &value, &running);
  EXPECT_EQ(50, duration);
  EXPECT_EQ(20, value);
  EXPECT_TRUE(running);
  EXPECT_EQ(50, pm->getDuration(data));
  pm->endOperation(data);
  EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "no bar when standard error is not a terminal";
  CancelProc cancel = AVAppGetCancelProc(&data);
  EXPECT_FALSE(cancel(data));
  AVAppSetCancelRequested(1);
  EXPECT_TRUE(cancel(data));
  AVAppSetCancelRequested(0);
}

TEST_F(AVTest, FunctionTablesByNameAndVersion) {
  HFT view = ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0));
  ASSERT_NE(nullptr, view);
  EXPECT_TRUE(HFTEntryIsPresent(view, AVMenuItemNewWithASTextSEL));
  EXPECT_TRUE(HFTEntryIsPresent(view, AVWindowGetTitleSEL));
  EXPECT_NE(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("PDModel"), 0));
  EXPECT_NE(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("Cos"), 0));
  // Called through its entry.
  typedef AVMenuItem (*NewItem)(ASText, const char*, AVMenu, ASBool, char, ASUns16, AVIcon, ExtensionID);
  Text t("Through the table");
  AVMenuItem item = reinterpret_cast<NewItem>(HFTGetEntry(view, AVMenuItemNewWithASTextSEL))(t, "KV:T", nullptr, 0, 0,
                                                                                              0, nullptr, nullptr);
  char buf[64];
  AVMenuItemGetTitle(item, buf, sizeof buf);
  EXPECT_STREQ("Through the table", buf);
  // An older host: tables registered again carry its version.
  ASHostVersionSet(5, 1);
  HostRegisterFunctionTables();
  EXPECT_EQ(nullptr, ASExtensionMgrGetHFT(ASAtomFromString("AcroView"), ASVersionMake(6, 0)));
  ASInt16 major = 0, minor = 0;
  AVAppGetVersion(&major, &minor);
  EXPECT_EQ(5, major);
  EXPECT_EQ(1, minor);
}
