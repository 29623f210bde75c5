#include "frame/ProcMan.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/Atom.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/TextCut.h"
#include "frame/CmdColl.h"
#include "frame/CmdList.h"
#include "frame/FramePrivate.h"
#include "kctl/StatusBox.h"

using frame_detail::CabHolder;
using frame_detail::Msg;

namespace {

bool Cancelled(SKCab* run) { return KCabGetBool(run, "ProcMan:Cancelled", 0) != 0; }

// Calls one callback with a fresh argument cabinet; the cabinet goes on
// every way out.
void CallStep(SKCab* run, const char* key) {
  CabHolder args(KCabNewInner());
  ProcManDoCallback(run, args.get(), key);
}

// The per-page callback with the page acquired for the call only.
void CallPerPage(SKCab* run, PDDoc doc, ASInt32 pageNum) {
  CabHolder args(KCabNewInner());
  PDPage page = PDDocAcquirePage(doc, pageNum);
  DURING
    KCabPutPointerNamedType(args.get(), "PDPage", kPDPageType, page, nullptr);
    ProcManDoCallback(run, args.get(), "Control:PerPage");
  HANDLER
    PDPageRelease(page);
    RERAISE();
  END_HANDLER
  PDPageRelease(page);
}

// Page p (0-based) passes the even/odd filter: "Odd" keeps page numbers
// 1, 3, 5 (0-based even), "Even" keeps 2, 4, 6.
bool PassesEvenOdd(ASInt64 page, ASAtom evenOdd) {
  if (page & 1) return evenOdd != Atom("Odd");
  return evenOdd != Atom("Even");
}

// The pages first, first + step, ... <= last that pass the filter: how many,
// and the first of them (-1 when none). Counted, not walked, so that a huge
// range from a recorded list costs nothing.
void CountSelected(ASInt64 first, ASInt64 last, ASInt64 step, ASAtom evenOdd, ASInt64* count, ASInt64* firstSelected) {
  *count = 0;
  *firstSelected = -1;
  if (step < 1 || last < first) return;
  ASInt64 n = (last - first) / step + 1;
  bool firstOk = PassesEvenOdd(first, evenOdd);
  if (step % 2 == 0) {  // every page has the first one's parity
    if (firstOk) {
      *count = n;
      *firstSelected = first;
    }
    return;
  }
  bool secondOk = PassesEvenOdd(first + 1, evenOdd);  // parity alternates
  ASInt64 firstParity = (n + 1) / 2, secondParity = n / 2;
  *count = (firstOk ? firstParity : 0) + (secondOk ? secondParity : 0);
  if (firstOk) *firstSelected = first;
  else if (secondOk && n >= 2) *firstSelected = first + step;
}

// Moves "Params:<key>" up into the run when the run has no <key> yet.
void MoveUp(SKCab* run, const char* key) {
  if (KCabKnown(run, key)) return;
  std::string inner = std::string("Params:") + key;
  if (KCabGetType(run, inner.c_str()) != kKCabTypeCab) return;
  if (SKCab* sub = KCabDetachCab(run, inner.c_str())) {
    KCabRemove(run, inner.c_str());
    KCabPutCab(run, key, sub);
  }
}

}  // namespace

// ---- parameter errors

void ParamError(SKCab* run, const char* text) {
  char reason[1000];
  std::snprintf(reason, sizeof reason, "%s%s", Msg("pmint.err.prefix"), text ? text : "");
  ErrMessageUTF8(text ? text : "");
  ProcManMarkCancelProcess(run, reason);
}

void ParamErrorString(SKCab* run, const char* format, const char* word) {
  char f[100], w[100], text[300];
  CopyCutUTF8(f, sizeof f, format);
  CopyCutUTF8(w, sizeof w, word);
  FormatMessageTextUTF8(text, sizeof text, f, nullptr, nullptr, "s", w);
  ParamError(run, text);
}

// ---- page ranges

void ProcManResolveRange(SKCab* run, ASInt32* first, ASInt32* last, ASInt32* step, ASInt32 checks) {
  PDDoc doc = ProcManGetSourcePDDoc(run);
  ASInt32 count = doc ? PDDocGetNumPages(doc) : 0;
  *first = 0;
  *last = doc ? count - 1 : 0;
  *step = 1;
  ASAtom type = KCabGetAtom(run, "Source:Range:RangeType", Atom("AllDoc"));
  if (type == Atom("AllDoc")) {
  } else if (type == Atom("CurrentPage")) {
    ASInt32 current = RunCabCurrentPageOfView(ProcManGetSourceAVDoc(run));
    if (current >= 0) {
      *first = *last = current;
    } else {
      ParamError(run, Msg("impcmd.1.a.3"));
    }
  } else if (type == Atom("SubDoc")) {
    char text[300];
    if (!ResolveRangeForSubDoc(run, first, last, step, doc)) {
      // A page word that does not read must not quietly become page 1.
      ParamError(run, Msg("common.err.badpagenumber"));
    } else if (*step < 1) {
      // A step below 1 would never reach the end of the range.
      FormatMessageByKeyUTF8(nullptr, "pmint.err.bad.step", nullptr, text, sizeof text, "d", (int)*step);
      ParamError(run, text);
    } else if ((checks & kProcManCheckFirst) && *first < 0) {
      FormatMessageByKeyUTF8(nullptr, "pmint.err.bad.firstpage", nullptr, text, sizeof text, "d", (int)(*first + 1));
      ParamError(run, text);
    } else if ((checks & kProcManCheckFirst) && KCabGetType(run, "Source:Range:To") == kKCabTypeInt && *last < 0) {
      FormatMessageByKeyUTF8(nullptr, "pmint.err.bad.lastpage", nullptr, text, sizeof text, "d", (int)(*last + 1));
      ParamError(run, text);
    } else if ((checks & kProcManCheckFirst) && doc && *first >= count) {
      FormatMessageByKeyUTF8(nullptr, "procmgr.1.a.2", nullptr, text, sizeof text, "dd", (int)(*first + 1), (int)count);
      ParamError(run, text);
    } else if ((checks & kProcManCheckLast) && doc && *last >= count) {
      FormatMessageByKeyUTF8(nullptr, "procmgr.1.a.3", nullptr, text, sizeof text, "dd", (int)(*last + 1), (int)count);
      ParamError(run, text);
    } else if ((checks & kProcManCheckFirst) && *last < *first) {
      // A range that ends before it starts holds no page: a run on it would
      // do nothing and still be recorded as done.
      FormatMessageByKeyUTF8(nullptr, "pmint.err.bad.backwards", nullptr, text, sizeof text, "dd", (int)(*first + 1),
                             (int)(*last + 1));
      ParamError(run, text);
    }
  } else {
    ParamErrorString(run, Msg("pmint.err.bad.rangetype"), ASAtomGetString(type));
  }
  if (!Cancelled(run)) {
    ASAtom evenOdd = KCabGetAtom(run, "Source:Range:EvenOdd", Atom("Both"));
    if (evenOdd != Atom("Odd") && evenOdd != Atom("Even") && evenOdd != Atom("Both")) {
      ParamErrorString(run, Msg("pmint.err.bad.evenodd"), ASAtomGetString(evenOdd));
    }
  }
  if (*step < 1) *step = 1;  // callers loop with it even after an error
}

// ---- the source

void ProcManPrepareSource(SKCab* run) {
  ASAtom type = KCabGetAtom(run, "Source:SourceType", Atom("Default"));
  if (type == Atom("Default") || type == Atom("CurrentAVDoc")) {
    if (AVDoc view = AVAppGetActiveDoc()) ProcManCheckSourceChangeDoc(run, view, AVDocGetPDDoc(view));
    else ParamError(run, Msg("pmint.err.no.currentavdoc"));
  } else if (type == Atom("AVDoc")) {
    if (auto view = (AVDoc)KCabGetPointerNamedType(run, "Source:Source", kKAVDocType)) {
      ProcManCheckSourceChangeDoc(run, view, AVDocGetPDDoc(view));
    } else {
      ParamError(run, Msg("pmint.err.no.avdoc"));
    }
  } else if (type == Atom("PDDoc")) {
    if (auto doc = (PDDoc)KCabGetPointerNamedType(run, "Source:Source", kKPDDocType)) {
      ProcManCheckSourceChangeDoc(run, nullptr, doc);
    } else {
      ParamError(run, Msg("cmd.list.2.a.5"));
    }
  } else if (type == Atom("Link")) {
    if (auto link = (SKSourceLink*)KCabGetPointerNamedType(run, "Source:Source", kPKSourceLinkType)) {
      if (KSourceLinkCanHaveAVDoc(link)) {
        if (AVDoc view = KSourceLinkGetAVDoc(link)) ProcManCheckSourceChangeDoc(run, view, AVDocGetPDDoc(view));
        else ParamError(run, Msg("pmint.err.no.avdoc"));
      } else if (PDDoc doc = KSourceLinkGetPDDoc(link)) {
        ProcManCheckSourceChangeDoc(run, nullptr, doc);
      } else {
        ParamError(run, Msg("cmd.list.2.a.5"));
      }
    }
  } else if (type == Atom("None") || type == Atom("PlatformFileName")) {
  } else {
    ParamErrorString(run, Msg("pmint.err.bad.sourcetype"), ASAtomGetString(type));
  }
  // Only a command that says it needs none runs without a document: the
  // others would be handed a null one.
  if (!Cancelled(run) && !ProcManGetSourcePDDoc(run) &&
      !ProcManBoolProperty(run, "Control:Props:UIDoesntNeedAVDoc", KCabGetCab(run, "Params"))) {
    bool named = type == Atom("PDDoc") || type == Atom("Link");
    ParamError(run, Msg(named ? "cmd.list.2.a.5" : "common.err.noopendocument"));
  }

  // The user's document is checked before the command's own source step,
  // which may put a copy of it in its place.
  if (!Cancelled(run)) {
    if (PDDoc doc = ProcManGetSourcePDDoc(run)) ExceptionIfPDDocProtected(doc);
  }
  // A command that works on the document's pages has nothing to do in one
  // without any: that is said, not done quietly.
  if (!Cancelled(run)) {
    PDDoc doc = ProcManGetSourcePDDoc(run);
    if (doc && PDDocGetNumPages(doc) == 0 && !ProcManBoolProperty(run, "Control:Props:UIDoesntNeedAVDoc", nullptr))
      ParamError(run, Msg("common.err.nopages"));
  }
  if (!Cancelled(run)) {
    if (PDDoc doc = ProcManGetSourcePDDoc(run))
      KCabPutPointerNamedType(run, "ProcMan:GivenPDDoc", kKPDDocType, doc, nullptr);
    CallStep(run, "Control:CheckSource");
  }
  if (!Cancelled(run)) {
    // The first page is checked here, before Start: a run refused for its
    // range must not have begun its work. "To" beyond the document is left
    // for the run to clip.
    ASInt32 first = 0, last = 0, step = 1;
    ProcManResolveRange(run, &first, &last, &step, kProcManCheckFirst);
    if (Cancelled(run)) return;
    ASAtom evenOdd = KCabGetAtom(run, "Source:Range:EvenOdd", Atom("Both"));
    ASInt64 count = 0, firstSelected = -1;
    CountSelected(first, last, step, evenOdd, &count, &firstSelected);
    KCabPutInt(run, "ProcMan:FirstPageIgnoreEvenOdd", first);
    KCabPutInt(run, "ProcMan:PagesToDo", ClampToInt32(count));
    KCabPutInt(run, "ProcMan:FirstPage", ClampToInt32(firstSelected));
  }
}

// ---- the run

namespace {

constexpr size_t kPassedOnKept = 1024;

// The source documents of completed runs that opened a new window.
std::vector<PDDoc>& PassedOn() {
  static std::vector<PDDoc> docs;
  return docs;
}

}  // namespace

ASInt32 ProcManTakePassedOn(PDDoc* docs, ASInt32 max) {
  std::vector<PDDoc>& all = PassedOn();
  const ASInt32 n = (ASInt32)all.size();
  for (ASInt32 i = 0; docs && i < n && i < max; ++i) docs[i] = all[(size_t)i];
  all.clear();
  return n;
}

void ProcManRunProcess(SKCab* run) {
  const ASInt32 viewsBefore = AVAppGetNumDocs();
  // The run is a part of its own on the status line (one of a replay's
  // commands, say): its phases share it.
  SStatusBoxPart whole(1, 1);
  bool progress = false;
  ProgressMonitor monitor = nullptr;
  void* monitorData = nullptr;
  auto endProgress = [&] {
    if (!progress) return;
    progress = false;
    ProgressMonitorEnd(monitor, monitorData);
    StatusBoxEndPart();
    CloseStatusBox();
  };

  DURING
    CallStep(run, "Control:Initialise");
    if (!Cancelled(run)) {
      MoveUp(run, "Source");
      MoveUp(run, "Dest");
    }
    if (!Cancelled(run)) ProcManPrepareSource(run);
    ASInt32 toDo = KCabGetInt(run, "ProcMan:PagesToDo", 0);

    if (ProcManShouldDisplayProgress(run)) {
      monitor = StatusBoxGetProgressMonitor(&monitorData, 0);
      const char* title = KCabGetString(run, "Control:Props:StatusTitle");
      if (!title || !*title) OpenStatusBox();
      else SetStatusBoxTextUtf8(title);
      progress = true;
      // The pages one by one take what the run has left after its source.
      StatusBoxBeginPart(1, 1);
      ProgressMonitorBegin(monitor, monitorData);
      ProgressMonitorSetDuration(monitor, toDo, monitorData);
      KCabPutPointerNamedType(run, "Internal:PM", "ProgressMonitor", monitor, nullptr);
      KCabPutPointerNamedType(run, "Internal:PMData", "void *", monitorData, nullptr);
    }

    if (!Cancelled(run)) CallStep(run, "Control:Start");

    PDDoc doc = Cancelled(run) ? nullptr : ProcManGetSourcePDDoc(run);
    if (doc) {
      ASInt32 count = PDDocGetNumPages(doc);
      ASAtom evenOdd = KCabGetAtom(run, "Source:Range:EvenOdd", Atom("Both"));
      ASInt32 first = 0, last = 0, step = 1;
      ProcManResolveRange(run, &first, &last, &step, kProcManCheckFirst);
      if (last >= count) last = count - 1;
      ASInt32 counter = 0;
      for (ASInt64 page = first; !Cancelled(run) && page <= last; page += step) {
        if (page < 0 || !PassesEvenOdd(page, evenOdd)) continue;
        if (progress) {
          if (CheckStatusBoxCancel(nullptr)) ProcManMarkCancelProcess(run, Msg("procmgr.1.a.1"));
          else ProgressMonitorSetCurrValue(monitor, counter, monitorData);
        }
        if (Cancelled(run)) break;
        CallPerPage(run, doc, (ASInt32)page);
        ++counter;
      }
    }

    if (!Cancelled(run)) CallStep(run, "Control:Finish");
    if (Cancelled(run)) CallStep(run, "Control:Cancelled");
  HANDLER
    // The run ends here: no later callback. The progress display and the
    // controller's token must not outlive it.
    endProgress();
    CommandListControllerEndCommandFail(run);
    RERAISE();
  END_HANDLER

  endProgress();
  if (Cancelled(run)) {
    CommandListControllerEndCommandFail(run);
  } else {
    CommandListControllerEndCommandOk(run);
    // The document the run was given (before a copy of it took its place).
    auto given = (PDDoc)KCabGetPointerNamedType(run, "ProcMan:GivenPDDoc", kKPDDocType);
    if (given && AVAppGetNumDocs() > viewsBefore) {
      // Kept for a host program that asks; one that never does keeps the latest.
      std::vector<PDDoc>& passed = PassedOn();
      if (passed.size() >= kPassedOnKept) passed.erase(passed.begin());
      passed.push_back(given);
    }
  }
  CallStep(run, "Control:Terminate");
}

// ---- source links

PDDoc KSourceLinkGetPDDoc(SKSourceLink* link) {
  if (!link) return nullptr;
  if (link->pdDoc) return link->pdDoc;
  if (link->makeNewDoc) {
    link->pdDoc = PDDocCreate();
  } else if (link->platformFileName && *link->platformFileName) {
    ASPathName path = ASFileSysCreatePathName(nullptr, Atom("POSIXPath"), link->platformFileName, nullptr);
    if (!path) return nullptr;
    DURING
      link->pdDoc = PDDocOpen(path, nullptr, nullptr, 1);
    HANDLER
      ASFileSysReleasePath(nullptr, path);
      RERAISE();
    END_HANDLER
    ASFileSysReleasePath(nullptr, path);
  }
  return link->pdDoc;
}

ASBool KSourceLinkCanHaveAVDoc(SKSourceLink* link) {
  if (!link || link->noAVDoc) return 0;
  return (link->pdDoc || link->makeNewDoc || (link->platformFileName && *link->platformFileName)) ? 1 : 0;
}

AVDoc KSourceLinkGetAVDoc(SKSourceLink* link) {
  if (!link || link->noAVDoc) return nullptr;
  if (link->avDoc) return link->avDoc;
  PDDoc doc = KSourceLinkGetPDDoc(link);
  if (!doc) return nullptr;
  std::string title = link->windowTitle ? link->windowTitle : "";
  if (link->titleCounter != 0) {
    link->titleCounter += 4;
    title += std::to_string(link->titleCounter);
  }
  CutUTF8(title, 999);
  link->avDoc = AVDocOpenFromPDDocUTF8(doc, link->windowTitle || link->titleCounter ? title.c_str() : nullptr);
  return link->avDoc;
}
