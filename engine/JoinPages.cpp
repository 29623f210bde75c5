#include "engine/JoinPages.h"

#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "engine/PageMerge.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "host/ASExcept.h"
#include "kctl/StatusBox.h"
#include "pdftools/PDFX.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageStamp.h"
#include "pdftools/StructRecovery.h"

using namespace engine_detail;

namespace {

struct SJoinedPage {
  ASFixedPoint size = {0, 0};
  ASBool bleeds = 0;
};

// The visible size and bleed of a page. A page that cannot be read raises:
// its size would make the joined page's media box.
SJoinedPage ReadPage(PDDoc doc, ASInt32 n) {
  SJoinedPage out;
  PageHolder page(doc, n);
  GetTranslatedPageSize(page.get(), &out.size, kSizeVisible);
  out.bleeds = PageHasBleeds(page.get());
  return out;
}

// Stamps page n; true when it had no stamp before.
bool Stamp(PDDoc doc, ASInt32 n) {
  PageHolder page(doc, n);
  const bool fresh = !PageHasStamp(page.get());
  StampPage(page.get(), nullptr, 0, 0, 0);
  return fresh;
}

// What a failed join takes back, so that the pair is left as it was: the
// joined page, if it was made, and the stamps it gave. Never raises.
void UndoJoin(PDDoc doc, ASInt32 page, ASInt32 pagesBefore, const bool fresh[2]) {
  DURING
    const ASInt32 now = PDDocGetNumPages(doc);
    if (now == pagesBefore + 1) {
      void* nullData = nullptr;
      PDDocDeletePagesWithBadStructRecovery(doc, page, page, GetNullProgressMonitor(&nullData), nullData);
    }
    if (PDDocGetNumPages(doc) == pagesBefore) {
      for (ASInt32 i = 0; i < 2; ++i) {
        if (!fresh[i]) continue;
        PageHolder stamped(doc, page + i);
        RemovePageStamp(stamped.get());
      }
    }
  HANDLER
  END_HANDLER
}

}  // namespace

ASBool JoinTwoPages(AVDoc window, PDDoc doc, ASInt32 page, ASBool deleteSources, ASBool showResult) {
  // The callers make sure a page follows; a wrong index would otherwise
  // join whatever the merge makes of it.
  if (!doc || page < 0 || page + 1 >= PDDocGetNumPages(doc)) ASRaise(genErrBadParm);

  const bool pdfx = gPDFXMode == 1 && GetFilePDFXClassification(doc) != kPDFXNone;

  // Both pages are read before anything changes.
  const SJoinedPage first = ReadPage(doc, page);
  const SJoinedPage second = ReadPage(doc, page + 1);
  if ((first.bleeds || second.bleeds) && !ConfirmMessageUTF8(Msg("pagemg.2.confirm.losebleedonjoin"), 1)) return 0;
  const ASInt32 pagesBefore = PDDocGetNumPages(doc);
  bool fresh[2] = {false, false};

  void* monitorData = nullptr;
  ProgressMonitor monitor = StatusBoxGetProgressMonitor(&monitorData, 1);
  SPageMergeInfo* state = NewPageMergeInfo();
  DURING
    fresh[0] = Stamp(doc, page);
    fresh[1] = Stamp(doc, page + 1);
    PageMergeSetAnnotMerge(state, gImpositionFieldsOption);
    PageMergeSet2TrFixMode(state, gApplyTr2Fix);
    ProgressMonitorBegin(monitor, monitorData);
    ProgressMonitorSetDuration(monitor, 7, monitorData);
    PageMergeSetProgressMonitor(state, monitor, monitorData);

    PrepareForMergeToNewPage(state, doc);
    SetDefaultPageMergeCompression(state);
    const ASFixedMatrix identity = {fixedOne, 0, 0, fixedOne, 0, 0};
    MergePage(state, page, identity, nullptr, nullptr);
    const ASFixedMatrix right = {fixedOne, 0, 0, fixedOne, first.size.h, 0};
    MergePage(state, page + 1, right, nullptr, nullptr);
    const ASFixedRect media = {0, first.size.v, first.size.h + second.size.h, 0};
    FinishMergeToNewPage(state, page - 1, media);

    if (pdfx) {
      PDPage joined = PDDocAcquirePage(doc, page);
      DURING
        PDFXImpositionPageSetting(joined);
      HANDLER
      END_HANDLER
      PDPageRelease(joined);
    }
    if (showResult && window) {
      AVPageView view = AVDocGetPageView(window);
      AVPageViewGoTo(view, page);
      AVPageViewZoomTo(view, AVZoomFitPage, 0);
    }
    if (deleteSources) PDDocDeletePagesWithBadStructRecovery(doc, page + 1, page + 2, monitor, monitorData);
  HANDLER
    ProgressMonitorEnd(monitor, monitorData);
    DestroyPageMergeInfo(state);
    UndoJoin(doc, page, pagesBefore, fresh);
    RERAISE();
  END_HANDLER
  ProgressMonitorEnd(monitor, monitorData);
  DestroyPageMergeInfo(state);
  return 1;
}
