#include "pdftools/StructRecovery.h"

#include <algorithm>

#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/CosCopy.h"
#include "pdftools/DocChecks.h"

namespace {

ASAtom StructTreeRootKey() {
  static const ASAtom key = ASAtomFromString("StructTreeRoot");
  return key;
}

ASAtom HiddenKey() {
  static const ASAtom key = ASAtomFromString("KRVL_HideStructTreeRoot");
  return key;
}

CosObj Catalog(PDDoc doc) { return CosDocGetRoot(PDDocGetCosDoc(doc)); }

// Runs a bookkeeping change of the catalog. A document that did not need
// saving before does not need it afterwards either, also when the change
// failed; the failure is raised after that.
template <class F>
void KeepingSaveState(PDDoc doc, F&& change) {
  const bool wasClean = (PDDocGetFlags(doc) & PDDocNeedsSave) == 0;
  ASErrorCode failure = 0;
  DURING
    change();
  HANDLER
    failure = ERRORCODE;
  END_HANDLER
  if (wasClean) {
    PDDocClearFlags(doc, PDDocNeedsSave);
    CosDocSetDirty(PDDocGetCosDoc(doc), 0);
  }
  if (failure) ASRaise(failure);
}

// The pages an insertion will add: a negative count or one past the
// source's end stands for the pages up to the end.
ASInt32 PagesToInsert(PDDoc source, ASInt32 startPage, ASInt32 numPages) {
  ASInt32 available = PDDocGetNumPages(source) - startPage;
  if (available < 0) available = 0;
  return numPages < 0 ? available : std::min(numPages, available);
}

// The first page an insertion after insertAfter lands on, in a document
// that had `before` pages.
ASInt32 FirstInsertedPage(ASInt32 insertAfter, ASInt32 before) {
  if (insertAfter == PDBeforeFirstPage) return 0;
  if (insertAfter == PDLastPage) return before;
  return insertAfter + 1;
}

}  // namespace

ASBool StructErrorIsSplitClass(ASErrorCode e) { return ErrGetSystem(e) == ErrSysPDDoc && ErrGetCode(e) == 0x15; }

ASBool StructErrorIsStructureClass(ASErrorCode e) {
  return ErrGetSystem(e) == ErrSysPDStructure || (ErrGetSystem(e) == ErrSysGeneral && ErrGetCode(e) == 0x0F);
}

ASBool StructErrorIsThumbnailsClass(ASErrorCode e) { return ErrGetSystem(e) == ErrSysPDDoc && ErrGetCode(e) == 0x24; }

ASBool DocHasStructure(PDDoc doc) { return CosDictKnown(Catalog(doc), StructTreeRootKey()); }

void RemoveStructRoot(PDDoc doc) {
  KeepingSaveState(doc, [&] {
    CosObj catalog = Catalog(doc);
    CosDictRemove(catalog, StructTreeRootKey());
    CosDictRemove(catalog, HiddenKey());
    // Without its tree the document is not tagged: it must not say it is.
    static const ASAtom markInfo = ASAtomFromString("MarkInfo");
    CosDictRemove(catalog, markInfo);
  });
}

void RemoveDocStructure(PDDoc doc) { RemoveStructRoot(doc); }

void HideStructRoot(PDDoc doc) {
  KeepingSaveState(doc, [&] {
    // Tests make hiding fail here, as a host failure would.
    ASFaultCheck("HideStructRoot");
    CosObj catalog = Catalog(doc);
    if (!CosDictKnown(catalog, StructTreeRootKey())) return;
    CosDictPut(catalog, HiddenKey(), CopyObjIfDirect(CosDictGet(catalog, StructTreeRootKey())));
    CosDictRemove(catalog, StructTreeRootKey());
  });
}

void RestoreStructRoot(PDDoc doc) {
  KeepingSaveState(doc, [&] {
    CosObj catalog = Catalog(doc);
    if (!CosDictKnown(catalog, HiddenKey())) return;
    CosDictPut(catalog, StructTreeRootKey(), CopyObjIfDirect(CosDictGet(catalog, HiddenKey())));
    CosDictRemove(catalog, HiddenKey());
  });
}

namespace {

void InsertWithRecovery(PDDoc target, ASInt32 insertAfter, PDDoc source, ASInt32 startPage, ASInt32 numPages,
                        ASUns16 insertFlags, ProgressMonitor monitor, void* monitorData, CancelProc cancelProc,
                        void* cancelData) {
  const ASInt32 before = PDDocGetNumPages(target);
  ASErrorCode failure = 0;
  DURING
    PDDocInsertPages(target, insertAfter, source, startPage, numPages, insertFlags, monitor, monitorData, cancelProc,
                     cancelData);
  HANDLER
    failure = ERRORCODE;
  END_HANDLER

  if (failure) {
    const ASInt32 count = PagesToInsert(source, startPage, numPages);
    bool split = false;
    if (StructErrorIsSplitClass(failure) && count > 1 && PDDocGetNumPages(target) == before) {
      const ASInt32 half = count / 2;
      PDDocInsertPagesWithBadStructRecovery(target, insertAfter, source, startPage, half, insertFlags, monitor,
                                            monitorData, cancelProc, cancelData);
      // insertAfter + half is page half - 1 when inserting before the first page.
      const ASInt32 secondAfter = insertAfter == PDLastPage ? PDLastPage : insertAfter + half;
      PDDocInsertPagesWithBadStructRecovery(target, secondAfter, source, startPage + half, count - half, insertFlags,
                                            monitor, monitorData, cancelProc, cancelData);
      split = true;
    }
    if (!split && !StructErrorIsStructureClass(failure)) ASRaise(failure);

    RemoveStructRoot(target);
    const ASInt32 now = PDDocGetNumPages(target);
    if (now != before + count) {
      // What a failed attempt left behind goes before the pages come again.
      if (now > before) {
        const ASInt32 first = FirstInsertedPage(insertAfter, before);
        PDDocDeletePages(target, first, first + (now - before) - 1, monitor, monitorData);
      }
      // The source's tree is hidden, never given up: when hiding fails the
      // source is put back as it was and the failure passes on.
      DURING
        HideStructRoot(source);
      HANDLER
        failure = ERRORCODE;
        DURING
          RestoreStructRoot(source);
        HANDLER
        END_HANDLER
        ASRaise(failure);
      END_HANDLER
      DURING
        PDDocInsertPages(target, insertAfter, source, startPage, numPages, insertFlags, monitor, monitorData,
                         cancelProc, cancelData);
      HANDLER
        RestoreStructRoot(source);
        RERAISE();
      END_HANDLER
      RestoreStructRoot(source);
      RemoveStructRoot(target);
    }
  }
  AddPDFSaveVersionFromDoc(target, source);
}

}  // namespace

void PDDocInsertPagesWithBadStructRecovery(PDDoc target, ASInt32 insertAfter, PDDoc source, ASInt32 startPage,
                                           ASInt32 numPages, ASUns16 insertFlags, ProgressMonitor monitor,
                                           void* monitorData, CancelProc cancelProc, void* cancelData) {
  // The target as it was, for a failure to put back: its pages, its tree
  // and whether it needed saving.
  const ASInt32 before = PDDocGetNumPages(target);
  const bool wasClean = (PDDocGetFlags(target) & PDDocNeedsSave) == 0;
  CosObj catalog = Catalog(target);
  const bool hadTree = CosDictKnown(catalog, StructTreeRootKey());
  const CosObj tree = hadTree ? CosDictGet(catalog, StructTreeRootKey()) : CosNewNull();
  DURING
    InsertWithRecovery(target, insertAfter, source, startPage, numPages, insertFlags, monitor, monitorData,
                       cancelProc, cancelData);
  HANDLER
    const ASErrorCode failure = ERRORCODE;
    DURING
      const ASInt32 now = PDDocGetNumPages(target);
      if (now > before) {
        const ASInt32 first = FirstInsertedPage(insertAfter, before);
        PDDocDeletePagesWithBadStructRecovery(target, first, first + (now - before) - 1, nullptr, nullptr);
      }
      if (hadTree && !CosDictKnown(catalog, StructTreeRootKey())) CosDictPut(catalog, StructTreeRootKey(), tree);
    HANDLER
    END_HANDLER
    if (wasClean) {
      PDDocClearFlags(target, PDDocNeedsSave);
      CosDocSetDirty(PDDocGetCosDoc(target), 0);
    }
    ASRaise(failure);
  END_HANDLER
}

void PDDocDeletePagesWithBadStructRecovery(PDDoc doc, ASInt32 firstPage, ASInt32 lastPage, ProgressMonitor monitor,
                                           void* monitorData) {
  const ASInt32 before = PDDocGetNumPages(doc);
  if (lastPage == PDLastPage) lastPage = before - 1;
  const ASInt32 count = lastPage - firstPage + 1;
  ASErrorCode failure = 0;
  DURING
    PDDocDeletePages(doc, firstPage, lastPage, monitor, monitorData);
  HANDLER
    failure = ERRORCODE;
  END_HANDLER
  if (!failure) return;

  const ASInt32 now = PDDocGetNumPages(doc);
  const ASInt32 remaining = count - (before - now);
  if (StructErrorIsThumbnailsClass(failure)) {
    AVDoc view = AVAppGetActiveDoc();
    if (view && AVDocGetPDDoc(view) == doc && AVDocGetViewMode(view) == PDUseThumbs && remaining > 0) {
      AVDocSetViewMode(view, PDUseNone);
      DURING
        PDDocDeletePages(doc, firstPage, firstPage + remaining - 1, monitor, monitorData);
      HANDLER
        AVDocSetViewMode(view, PDUseThumbs);
        RERAISE();
      END_HANDLER
      AVDocSetViewMode(view, PDUseThumbs);
      return;
    }
    ASRaise(failure);
  }
  if (!StructErrorIsStructureClass(failure)) ASRaise(failure);
  RemoveStructRoot(doc);
  if (before == now + count) return;
  PDDocDeletePages(doc, firstPage, firstPage + remaining - 1, monitor, monitorData);
}
