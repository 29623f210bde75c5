#include "PagesTestSupport.h"

#include <cstdio>
#include <set>

#include "fixtures/Fixtures.h"
#include "foundation/AVUTF8.h"
#include "kctl/DocWindow.h"
#include "foundation/KCab.h"
#include "foundation/RunCab.h"
#include "host/AVAlert.h"
#include "kctl/StatusBox.h"
#include "kctl/mac/MacDialog.h"
#include "platform/Pf.h"
#include "support/EnglishMessages.h"
#include "support/HostPdf.h"
#include "support/PageLabels.h"
#include "support/TestPageSizes.h"

namespace kvtest {

namespace {

std::set<AVDoc>& KnownViews() {
  static std::set<AVDoc> known;
  return known;
}

}  // namespace

void CloseAllViews() {
  for (AVDoc v : OpenViews()) AVDocClose(v, 1);
  KnownViews().clear();
}

std::vector<OpenedView> ViewsOpened() {
  std::vector<OpenedView> out;
  for (AVDoc v : OpenViews()) {
    if (KnownViews().count(v)) continue;
    char title[300];
    AVWindowGetTitleUTF8(AVDocGetAVWindow(v), title, sizeof title);
    out.push_back({v, title});
  }
  return out;
}

void ForgetViews() {
  for (AVDoc v : OpenViews()) KnownViews().insert(v);
}

std::vector<std::string> Order(PDDoc doc) {
  std::vector<std::string> out;
  for (ASInt32 i = 0; i < PDDocGetNumPages(doc); ++i) {
    std::string label = PageLabel(doc, i);
    PDPage page = PDDocAcquirePage(doc, i);
    const PDRotate r = PDPageGetRotate(page);
    PDPageRelease(page);
    if (r) label += "/" + std::to_string(r);
    out.push_back(label);
  }
  return out;
}

std::string OrderText(PDDoc doc) {
  std::string out;
  for (const std::string& s : Order(doc)) out += (out.empty() ? "" : ",") + s;
  return out;
}

std::string PdfToText(const std::string& path) {
  std::string out;
  FILE* pipe = popen(("pdftotext -layout '" + path + "' - 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  for (size_t got; (got = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, got);
  pclose(pipe);
  std::string cleaned;
  for (char c : out) {
    if (c == '\f') cleaned += '|';
    else if (c != '\n' && c != ' ') cleaned += c;
  }
  return cleaned;
}

void ClickStatusCancel() {
  OpenStatusBox();
  SMacDialogInfo* box = StatusBoxDialog();
  ASSERT_NE(nullptr, box);
  PfDriverClickItem(box->dialog, PfDriverItemById(box->dialog, 2), 0);
}

void PagesTest::SetUp() {
  [[maybe_unused]] static const bool loaded = LoadEnglishMessages();
  // The page-size collection in a preferences folder of the test's own.
  TestPageSizes::Install();
  StatusBoxTerm();
  PfFlushEvents(kPfEveryEvent);
  CloseAllViews();
  AVAlertRecordStart();
  AVAlertSetDefaultAnswer(1);
  capture = new MessageCapture(false);
  pagesAcquired_ = PDGetAcquiredPageCount();
}

void PagesTest::TearDown() {
  delete capture;
  capture = nullptr;
  AVAlertRecordStop();
  for (PDDoc d : docs) PDDocClose(d);
  docs.clear();
  CloseAllViews();
  StatusBoxTerm();
  TestPageSizes::Uninstall();
  EXPECT_EQ(pagesAcquired_, PDGetAcquiredPageCount()) << "pages left acquired";
}

std::string PagesTest::File(int pages) {
  static int serial = 0;
  std::string path = dir.file("doc" + std::to_string(++serial) + ".pdf");
  kvfix::WriteSimple(path, pages);
  return path;
}

PDDoc PagesTest::Doc(int pages) {
  docs.push_back(OpenPdf(File(pages)));
  return docs.back();
}

AVDoc PagesTest::View(int pages, ASInt32 page) {
  PDDoc doc = OpenPdf(File(pages));
  AVDoc view = AVDocOpenFromPDDoc(doc, nullptr);
  AVPageViewGoTo(AVDocGetPageView(view), page);
  KnownViews().insert(view);
  return view;
}

int PagesTest::SaveAndCheck(PDDoc doc, const std::string& name) {
  std::string path = dir.file(name);
  SavePdf(doc, path);
  return QpdfCheck(path);
}

namespace {

// One callback with an argument cabinet of its own (and the page, if any).
void Step(SKCab* run, const char* key, PDPage page = nullptr) {
  SKCab* args = KCabNewInner();
  if (page) KCabPutPointerNamedType(args, "PDPage", kPDPageType, page, nullptr);
  DURING
    ProcManDoCallback(run, args, key);
  HANDLER
    KCabDestroy(args);
    RERAISE();
  END_HANDLER
  KCabDestroy(args);
}

// The callbacks in the order the process manager calls them over a whole
// document (frame/ProcMan.h): the engine's tests stop at the engine, the
// process manager's own rules are the frame's tests.
void RunCallbacks(SKCab* run) {
  Step(run, "Control:Initialise");
  if (!ProcManIsCancelled(run)) Step(run, "Control:CheckSource");
  PDDoc doc = ProcManGetSourcePDDoc(run);
  const ASInt32 count = doc ? PDDocGetNumPages(doc) : 0;
  KCabPutInt(run, "ProcMan:FirstPageIgnoreEvenOdd", 0);
  KCabPutInt(run, "ProcMan:PagesToDo", count);
  KCabPutInt(run, "ProcMan:FirstPage", count ? 0 : -1);
  if (!ProcManIsCancelled(run)) Step(run, "Control:Start");
  doc = ProcManIsCancelled(run) ? nullptr : ProcManGetSourcePDDoc(run);
  for (ASInt32 p = 0; doc && !ProcManIsCancelled(run) && p < count && p < PDDocGetNumPages(doc); ++p) {
    PDPage page = PDDocAcquirePage(doc, p);
    DURING
      Step(run, "Control:PerPage", page);
    HANDLER
      PDPageRelease(page);
      RERAISE();
    END_HANDLER
    PDPageRelease(page);
  }
  if (!ProcManIsCancelled(run)) Step(run, "Control:Finish");
  if (ProcManIsCancelled(run)) Step(run, "Control:Cancelled");
  Step(run, "Control:Terminate");
}

}  // namespace

bool PagesTest::Run(SKCab* definition, PDDoc doc, const std::function<void(SKCab*)>& setup) {
  SKCab* run = KCabNewInner();
  KCabPutCab(run, "Control", KCabDup(KCabGetCab(definition, "Control")));
  KCabPutCab(run, "Params", KCabNewInner());
  if (doc) ProcManCheckSourceChangeDoc(run, nullptr, doc);
  if (setup) setup(KCabGetCab(run, "Params"));
  bool ok = false;
  DURING
    RunCallbacks(run);
    ok = !ProcManIsCancelled(run);
  HANDLER
    KCabDestroy(run);
    RERAISE();
  END_HANDLER
  KCabDestroy(run);
  return ok;
}

std::vector<std::string> PagesTest::Errors() const {
  std::vector<std::string> out;
  for (const auto& m : capture->messages())
    if (m.type == kAutoMessageError) out.push_back(m.text);
  return out;
}

}  // namespace kvtest
