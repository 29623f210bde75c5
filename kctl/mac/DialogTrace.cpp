// Dialog trace records and the master procedure.
#include "kctl/mac/DialogTrace.h"

#include <cstdio>
#include <cstring>

#include "foundation/Alerts.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"

struct SDialogTraceData {
  ASInt32 key;
  ASInt32 size;
  SDialogTraceData* next;
};

struct SDialogTraceFilter {
  MacDialogProc proc;
  SDialogTraceFilter* next;
};

namespace {

SDialogTrace* gNewest = nullptr;

// Data follows its header, aligned for any type.
constexpr size_t kDataOffset = (sizeof(SDialogTraceData) + alignof(std::max_align_t) - 1) /
                               alignof(std::max_align_t) * alignof(std::max_align_t);

void* DataOf(SDialogTraceData* block) { return reinterpret_cast<char*>(block) + kDataOffset; }

bool IsLiveTrace(SDialogTrace* trace) {
  for (SDialogTrace* t = gNewest; t; t = t->older)
    if (t == trace) return true;
  return false;
}

// A live record whose dialog is gone (or never came).
bool Orphaned(SDialogTrace* trace) {
  return IsLiveTrace(trace) && !(trace->dialog && MacDialogInfoIsLive(trace->dialog));
}

}  // namespace

void MacReportDialogFailure(ASErrorCode code) {
  char hostText[256];
  ASGetErrorString(code, hostText, sizeof hostText);
  // The message text is not ours to trust as a format: it is checked
  // against the one text argument first.
  char text[512];
  FormatMessageByKeyUTF8(nullptr, "kctl.dialog.filterfailed", "%s", text, sizeof text, "s", hostText);
  ErrMessageUTF8(text);
}

SDialogTrace* NewDialogTrace() {
  auto* t = static_cast<SDialogTrace*>(ASmallocWithException(sizeof(SDialogTrace)));
  std::memset(t, 0, sizeof *t);
  t->older = gNewest;
  if (gNewest) gNewest->newer = t;
  gNewest = t;
  return t;
}

void DestroyDialogTrace(SDialogTrace* trace) {
  if (!trace || !IsLiveTrace(trace)) return;
  while (SDialogTraceData* d = trace->data) {
    trace->data = d->next;
    ASfree(d);
  }
  while (SDialogTraceFilter* f = trace->filters) {
    trace->filters = f->next;
    ASfree(f);
  }
  if (trace->newer)
    trace->newer->older = trace->older;
  else
    gNewest = trace->older;
  if (trace->older) trace->older->newer = trace->newer;
  if (trace->dialog && MacDialogInfoIsLive(trace->dialog) && trace->dialog->trace == trace)
    trace->dialog->trace = nullptr;
  ASfree(trace);
}

SDialogTrace* FindDialogTrace(SMacDialogInfo* dialog) {
  if (!dialog) return nullptr;
  for (SDialogTrace* t = gNewest; t; t = t->older)
    if (t->dialog == dialog) return t;
  return nullptr;
}

void DialogTraceForgetDialog(SMacDialogInfo* dialog) {
  if (!dialog) return;
  for (SDialogTrace* t = gNewest; t; t = t->older)
    if (t->dialog == dialog) t->dialog = nullptr;
}

void* DialogTraceSetData(SDialogTrace* trace, ASInt32 key, ASInt32 size, const void* initial) {
  if (!trace) return nullptr;
  for (SDialogTraceData* d = trace->data; d; d = d->next)
    if (d->key == key) return DataOf(d);
  if (size < 0) size = 0;
  auto* d = static_cast<SDialogTraceData*>(ASmallocWithException(kDataOffset + (size_t)size));
  d->key = key;
  d->size = size;
  if (initial)
    std::memcpy(DataOf(d), initial, (size_t)size);
  else
    std::memset(DataOf(d), 0, (size_t)size);
  d->next = trace->data;
  trace->data = d;
  return DataOf(d);
}

void* DialogTraceGetData(SDialogTrace* trace, ASInt32 key, ASInt32* size) {
  if (!trace) return nullptr;
  for (SDialogTraceData* d = trace->data; d; d = d->next) {
    if (d->key == key) {
      if (size) *size = d->size;
      return DataOf(d);
    }
  }
  return nullptr;
}

void DialogTraceAddFilter(SDialogTrace* trace, MacDialogProc proc) {
  if (!trace || !proc) return;
  auto* f = static_cast<SDialogTraceFilter*>(ASmallocWithException(sizeof(SDialogTraceFilter)));
  f->proc = proc;
  f->next = trace->filters;
  trace->filters = f;
}

ASInt32 DialogTraceMacRunModalDialogWithFilter(SDialogTrace* trace, MacDialogProc dialogProc, MacDialogProc filter,
                                               void* user, ASBool destroyOnClose) {
  if (!trace) return kMacCancelId;
  trace->destroyOnClose = destroyOnClose ? 1 : 0;
  trace->user = user;
  DialogTraceAddFilter(trace, filter);
  ASInt32 result = RunModalMacDialogWithFilter(dialogProc, MacDialogMasterProc, trace);
  // A dialog that was never made hears no destroy: its record goes here.
  if (destroyOnClose && Orphaned(trace)) DestroyDialogTrace(trace);
  return result;
}

SMacDialogInfo* DialogTraceMacStartModelessDialogWithFilter(SDialogTrace* trace, MacDialogProc dialogProc,
                                                            MacDialogProc filter, void* user, ASBool destroyOnClose) {
  if (!trace) return nullptr;
  trace->destroyOnClose = destroyOnClose ? 1 : 0;
  trace->user = user;
  DialogTraceAddFilter(trace, filter);
  SMacDialogInfo* info = StartModelessMacDialogWithFilter(dialogProc, MacDialogMasterProc, trace);
  if (!info && destroyOnClose && Orphaned(trace)) DestroyDialogTrace(trace);
  return info;
}

void DialogTraceRequestInitialfocus(SMacDialogInfo* dialog, ASInt32 id) {
  if (SDialogTrace* t = FindDialogTrace(dialog)) t->initialFocusId = id;
}

ASInt32 MacDialogMasterProc(SMacDialogInfo* dialog, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit) {
  SDialogTrace* trace;
  if (message == kMacDlgCreate) {
    trace = dialog ? static_cast<SDialogTrace*>(dialog->userData) : nullptr;
    if (!IsLiveTrace(trace)) return 0;
    trace->dialog = dialog;
    dialog->trace = trace;
    dialog->userData = trace->user;
  } else {
    trace = FindDialogTrace(dialog);
  }
  if (!trace) return 0;
  ASInt32 result = (message == kMacDlgInit && !trace->filters) ? 1 : 0;
  struct Nesting {
    SDialogTrace* t;
    explicit Nesting(SDialogTrace* trace) : t(trace) { ++t->nesting; }
    ~Nesting() { --t->nesting; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
  };
  {
    Nesting nesting(trace);
    try {
      for (SDialogTraceFilter* f = trace->filters; f; f = f->next)
        if (f->proc(dialog, message, wParam, hit)) result = 1;
    } catch (const ASException& e) {
      // The failing filter ends this message only; the event loop goes on.
      MacReportDialogFailure(e.code);
    }
  }
  if (message == kMacDlgDestroy && trace->destroyOnClose) trace->destroyPending = 1;
  if (trace->destroyPending && trace->nesting == 0) DestroyDialogTrace(trace);
  return result;
}

ASInt32 DialogTraceCount() {
  ASInt32 n = 0;
  for (SDialogTrace* t = gNewest; t; t = t->older) ++n;
  return n;
}
