// The platform dialog engine.
#include "kctl/mac/MacDialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/MFUtil.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "kctl/mac/MacBrowseBox.h"
#include "kctl/mac/DialogTrace.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/MacListBox.h"
#include "kctl/mac/MacTree.h"
#include "kctl/mac/PDFCtl.h"

namespace {

const PfFourCC kCreator = PfMakeFourCC("KRVL");
const PfFourCC kDialogTag = PfMakeFourCC("Kdlg");

struct EngineState {
  AVWindowHandlerRec modeless;
  AVWindowHandlerRec modal;
  bool built = false;
  ASInt32 builtCount = 0;
  bool modalNeedsAVWindow = false;
  bool callSetWindowClass = false;
  bool modalFilterMade = false;
  std::vector<SMacDialogInfo*> live;
  ASUns32 lastSerial = 0;
  // The test hook's record kept aside for the next dialog.
  bool reuseRecords = false;
  SMacDialogInfo* spare = nullptr;
};

EngineState& S() {
  static EngineState state;
  return state;
}

bool IsLive(SMacDialogInfo* info) {
  auto& l = S().live;
  return info && std::find(l.begin(), l.end(), info) != l.end();
}

void MouseDownCallBack(AVWindow win, ASInt32 x, ASInt32 y, void* platformEvent);
void WindowDidCloseCallBack(AVWindow win);
void DlgDidActivateCallBack(AVWindow win);
void WindowDidBecomeKeyCallBack(AVWindow win);
void KeyDownCallBack(AVWindow win, char key, void* platformEvent);
void DlgWillDeactivateCallBack(AVWindow win);
void DrawCallBack(AVWindow win, const AVRect* rect);

void SetupModule() {
  EngineState& s = S();
  if (!s.built) {
    std::memset(&s.modeless, 0, sizeof s.modeless);
    std::memset(&s.modal, 0, sizeof s.modal);
    // The records carry their own size: the host reads no further than it.
    s.modeless.size = sizeof s.modeless;
    s.modal.size = sizeof s.modal;
    s.modeless.mouseDown = ASCallbackCreateProto(AVWindowMouseDownProc, MouseDownCallBack);
    s.modeless.didClose = ASCallbackCreateProto(AVWindowDidCloseProc, WindowDidCloseCallBack);
    s.modeless.didActivate = ASCallbackCreateProto(AVWindowActivateProc, DlgDidActivateCallBack);
    s.modeless.didBecomeKey = ASCallbackCreateProto(AVWindowActivateProc, WindowDidBecomeKeyCallBack);
    s.modeless.keyDown = ASCallbackCreateProto(AVWindowKeyDownProc, KeyDownCallBack);
    s.modeless.willDeactivate = ASCallbackCreateProto(AVWindowActivateProc, DlgWillDeactivateCallBack);
    s.modeless.draw = ASCallbackCreateProto(AVWindowDrawProc, DrawCallBack);
    s.built = true;
    ++s.builtCount;
  }
  static const SPfDriverResolver resolver = {MacDriverItemForId, MacDriverIdForItem, nullptr};
  PfDriverSetResolver(&resolver);
  // Modeless dialogs hear their events through the dispatcher; one the host
  // installed stays.
  PfEventDispatchProc dispatcher = nullptr;
  PfGetEventDispatcher(&dispatcher, nullptr);
  if (!dispatcher) PfSetEventDispatcher(MacDialogDispatchEvent, nullptr);
  ASInt16 major = 0, minor = 0;
  ASHostVersionGet(&major, &minor);
  if (major == 0) major = 5;
  if (major >= 5) s.modalNeedsAVWindow = true;
  if (major >= 6) s.callSetWindowClass = true;
}

PfWindowRef WindowOf(SMacDialogInfo* info) { return PfGetDialogWindow(info->dialog); }

// Runs with the plug-in's resources current, the previous file restored after.
class PluginResources {
 public:
  PluginResources() : saved_(PfCurResFile()) {
    if (gMacPluginResFile > 0) PfUseResFile(gMacPluginResFile);
  }
  ~PluginResources() { PfUseResFile(saved_); }
  PluginResources(const PluginResources&) = delete;
  PluginResources& operator=(const PluginResources&) = delete;

 private:
  ASInt16 saved_;
};

SMacDialogInfo* NewInfo() {
  EngineState& s = S();
  SMacDialogInfo* info = s.spare;
  s.spare = nullptr;
  if (!info) info = static_cast<SMacDialogInfo*>(ASmallocWithException(sizeof(SMacDialogInfo)));
  std::memset(info, 0, sizeof *info);
  info->pendingMenuSel = -1;
  // 0 means "no dialog": skipped when the count wraps.
  if (++s.lastSerial == 0) ++s.lastSerial;
  info->serial = s.lastSerial;
  s.live.push_back(info);
  return info;
}

// The record leaves the live list, then goes (or waits for the next dialog
// under the test hook).
void ReleaseInfo(SMacDialogInfo* info) {
  EngineState& s = S();
  s.live.erase(std::remove(s.live.begin(), s.live.end(), info), s.live.end());
  if (!s.reuseRecords) {
    ASfree(info);
    return;
  }
  if (s.spare) ASfree(s.spare);
  s.spare = info;
}

void SendDestroyOnce(SMacDialogInfo* info) {
  if (info->destroySent) return;
  info->destroySent = 1;
  CallDialogProc(info, kMacDlgDestroy, 0, nullptr);
}

// On the way out of a failure the procedures still hear destroy once, so
// that they free what they hold; a second failure there is shown, not passed on.
void SendDestroyQuietly(SMacDialogInfo* info) {
  DURING
    SendDestroyOnce(info);
  HANDLER
    MacReportDialogFailure(ERRORCODE);
  END_HANDLER
}

// Disposes of everything a dialog holds: attachments, the platform dialog, the record.
void DisposeAll(SMacDialogInfo* info) {
  CleanupDialogPreDestroy(info);
  PfDisposeDialog(info->dialog);
  info->dialog = nullptr;
  DisposeActiveDialog(info);
}

// Closes a modeless dialog whose procedures are done: through its host
// window when it has one (the did-close handler disposes of it), else at once.
void CloseModeless(SMacDialogInfo* info) {
  info->needsRedraw = 0;
  SendDestroyOnce(info);
  if (info->avWindow)
    AVWindowUserClose(info->avWindow, false);
  else
    DisposeAll(info);
}

// After a message: a dialog whose procedures set done closes, but only once
// the outermost procedure call has returned.
ASInt32 FinishAfterMessage(SMacDialogInfo* info) {
  if (!info->done) return 1;
  if (info->procDepth > 0) {
    info->closePending = 1;
    return 1;
  }
  info->closePending = 0;
  if (!info->modal) {
    CloseModeless(info);
    return 0;
  }
  SendDestroyOnce(info);
  info->needsRedraw = 0;
  return 1;
}

SMacDialogInfo* InfoOfWindow(AVWindow win) {
  auto* info = static_cast<SMacDialogInfo*>(AVWindowGetOwnerData(win));
  return IsLive(info) ? info : nullptr;
}

// The event a handler is about: the host hands it on, or the platform is dispatching it.
const PfEvent* EventOf(void* platformEvent) {
  return platformEvent ? static_cast<const PfEvent*>(platformEvent) : PfGetCurrentEvent();
}

// The host keeps its own frame of the window: it starts as the platform window's.
void SyncHostFrame(SMacDialogInfo* info) {
  PfRect r;
  PfGetWindowBounds(WindowOf(info), kPfWindowStructureRgn, &r);
  AVRect f{r.left, r.top, r.right, r.bottom};
  AVWindowSetFrame(info->avWindow, &f);
}

// The host's key window is the platform's front window.
void BecomeKey(SMacDialogInfo* info) {
  AVWindowBecomeKey(info->avWindow);
  PfSelectWindow(WindowOf(info));
}

void MouseDownCallBack(AVWindow win, ASInt32, ASInt32, void* platformEvent) {
  SMacDialogInfo* info = InfoOfWindow(win);
  const PfEvent* event = EventOf(platformEvent);
  if (!info || !event) return;
  SetDialogPort(info);
  PfIsDialogEvent(event);
  ASInt32 id = 0;
  if (!ModelessDialogSelectMap(info, event, &id)) {
    BecomeKey(info);
    return;
  }
  if (MacListBoxDidHandleClick(info, event, id)) return;
  BecomeKey(info);
  if (!NotifyActiveDialogFromControl(info, id)) return;
  if (IsLive(info) && info->needsRedraw) MacRedrawDialogNow(info);
}

void KeyDownCallBack(AVWindow win, char, void* platformEvent) {
  SMacDialogInfo* info = InfoOfWindow(win);
  const PfEvent* event = EventOf(platformEvent);
  if (!info || !event) return;
  uint32_t ch = PfEventChar(*event);
  bool cmd = (event->modifiers & kPfCmdKey) != 0;
  if (ch == kPfReturnChar || ch == kPfEnterChar) {
    if (info->defaultItem >= 1 && MacControlIsEnabled(info, info->defaultItem)) {
      if (!SimulateClick(info, info->defaultItem)) return;
    }
  } else if (ch == kPfEscapeChar) {
    if (info->cancelItem > 0 && !SimulateClick(info, info->cancelItem)) return;
  } else if (ch == '.' && cmd) {
    if (info->cancelItem > 0) {
      if (!SimulateClick(info, info->cancelItem)) return;
    } else {
      DestroyModelessDialog(info);
      return;
    }
  } else {
    ASInt32 id = 0;
    if (ModelessDialogSelectMap(info, event, &id) && !NotifyActiveDialogFromControl(info, id)) return;
  }
  if (IsLive(info) && info->needsRedraw) MacRedrawDialogNow(info);
}

void DrawCallBack(AVWindow win, const AVRect*) {
  SMacDialogInfo* info = InfoOfWindow(win);
  if (!info) return;
  SetDialogPort(info);
  PluginResources res;
  PfDrawDialog(info->dialog);
}

void Activate(AVWindow win, bool on) {
  SMacDialogInfo* info = InfoOfWindow(win);
  if (!info) return;
  PfEvent ev{};
  ev.what = kPfActivateEvt;
  ev.message = (uintptr_t)WindowOf(info);
  ev.modifiers = on ? kPfActiveFlag : 0;
  PfDialogRef d;
  int16_t hit;
  PfDialogSelect(&ev, &d, &hit);
}

void DlgDidActivateCallBack(AVWindow win) { Activate(win, true); }
void DlgWillDeactivateCallBack(AVWindow win) { Activate(win, false); }
void WindowDidBecomeKeyCallBack(AVWindow) {}

void WindowDidCloseCallBack(AVWindow win) {
  SMacDialogInfo* info = InfoOfWindow(win);
  if (!info) return;
  info->avWindow = nullptr;
  if (info->procDepth > 0) {
    // Closed under a running procedure: the outermost call finishes the job.
    info->done = 1;
    info->closePending = 1;
    return;
  }
  SendDestroyOnce(info);
  DisposeAll(info);
}

void SetItems(SMacDialogInfo* info) {
  PfSetDialogDefaultItem(info->dialog, (int16_t)MapControlIdToInternal(info, info->defaultItem));
  PfSetDialogCancelItem(info->dialog, (int16_t)MapControlIdToInternal(info, info->cancelItem));
}

// Message 101: the filter alone makes the dialog.
PfDialogRef CreateDialog(SMacDialogInfo* info, MacDialogProc filterProc) {
  PfDialogRef dialog = nullptr;
  if (filterProc) filterProc(info, kMacDlgCreate, 0, reinterpret_cast<SMacControlHitInfo*>(&dialog));
  return PfIsValidDialog(dialog) ? dialog : nullptr;
}

// The focus a traced dialog asked for at initialisation.
void ApplyInitialFocus(SMacDialogInfo* info) {
  auto* trace = static_cast<SDialogTrace*>(info->trace);
  if (trace && trace->initialFocusId > 0) MacDialogSelectEditItem(info, trace->initialFocusId);
}

void FreeUnstarted(SMacDialogInfo* info) {
  DialogTraceForgetDialog(info);
  ReleaseInfo(info);
}

// A zeroed record, the dialog made by the filter at the create message and
// the record attached to its window; null (with the note) when no dialog came.
SMacDialogInfo* BeginDialog(bool modal, MacDialogProc filterProc, void* userData) {
  SMacDialogInfo* info = NewInfo();
  info->modal = modal ? 1 : 0;
  info->filterProc = filterProc;
  info->userData = userData;
  PfDialogRef dialog = CreateDialog(info, filterProc);
  if (!dialog) {
    AVAlertNote("Internal error - could not load dialog");
    FreeUnstarted(info);
    return nullptr;
  }
  info->dialog = dialog;
  PfSetWindowPropertyPtr(WindowOf(info), kCreator, kDialogTag, info);
  SetupModule();
  return info;
}

}  // namespace

ASInt16 gMacPluginResFile = 0;
ASInt32 modalDepth = 0;
ExtensionID gMacExtensionID = nullptr;

int16_t MacDriverItemForId(PfDialogRef dialog, int32_t controlId) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info) return controlId >= 1 && controlId <= PfCountDialogItems(dialog) ? (int16_t)controlId : 0;
  ASInt32 index = MapControlIdToInternal(info, controlId);
  return index >= 1 && index <= PfCountDialogItems(dialog) ? (int16_t)index : 0;
}

int32_t MacDriverIdForItem(PfDialogRef dialog, int16_t item) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  return info ? MapControlIdFromInternal(info, item) : item;
}

namespace {
// -1 until asked.
ASInt32 gUnderOSX = -1;
}  // namespace

ASBool MacIsUnderOSX() {
  if (gUnderOSX < 0) {
    int32_t answer = 0;
    gUnderOSX = PfGestalt(PfMakeFourCC("menu"), &answer) == kPfNoErr && (answer & 2) ? 1 : 0;
  }
  return gUnderOSX ? 1 : 0;
}

void MacIsUnderOSXForget() { gUnderOSX = -1; }

ASBool MacDialogInfoIsLive(SMacDialogInfo* info) { return IsLive(info) ? 1 : 0; }

ASUns32 MacDialogSerial(SMacDialogInfo* info) { return IsLive(info) ? info->serial : 0; }

ASBool MacDialogIsStill(SMacDialogInfo* info, ASUns32 serial) {
  return serial != 0 && MacDialogSerial(info) == serial ? 1 : 0;
}

void MacDialogReuseRecordsForTest(ASBool on) {
  EngineState& s = S();
  s.reuseRecords = on != 0;
  PfReuseDialogRecordsForTest(on != 0);
  if (!on && s.spare) {
    ASfree(s.spare);
    s.spare = nullptr;
  }
}

ASInt32 MacDialogHandlerRecordsBuilt() { return S().builtCount; }
ASInt32 MacLiveDialogCount() { return (ASInt32)S().live.size(); }

namespace {

// A call into the dialog's procedures: closes asked for meanwhile wait until
// the outermost one has returned.
struct SProcDepth {
  SMacDialogInfo* info;
  explicit SProcDepth(SMacDialogInfo* i) : info(i) { ++info->procDepth; }
  ~SProcDepth() { --info->procDepth; }
  SProcDepth(const SProcDepth&) = delete;
  SProcDepth& operator=(const SProcDepth&) = delete;
};

}  // namespace

ASInt32 CallDialogProc(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit) {
  SProcDepth depth(info);
  MacDialogProc filter = info->filterProc, proc = info->dialogProc;
  ASInt32 filtered = filter ? filter(info, message, wParam, hit) : 0;
  return proc ? proc(info, message, wParam, hit) : filtered;
}

SMacDialogInfo* StartModelessMacDialogWithFilter(MacDialogProc dialogProc, MacDialogProc filterProc, void* userData) {
  SMacDialogInfo* info = BeginDialog(false, filterProc, userData);
  if (!info) return nullptr;
  info->modal = 0;
  info->done = 0;
  info->defaultItem = kMacOKId;
  info->cancelItem = kMacCancelId;
  info->destroySent = 0;
  info->dialogProc = dialogProc;
  info->needsRedraw = 0;
  info->menuUpdating = 0;
  info->avWindow = nullptr;
  EngineState& s = S();
  bool closed = false;
  DURING
    info->avWindow = AVWindowNewFromPlatformThing(2, 0x58000000u, &s.modeless, gMacExtensionID, WindowOf(info));
    SyncHostFrame(info);
    AVWindowSetOwnerData(info->avWindow, info);
    if (s.callSetWindowClass) PfSetWindowClass(WindowOf(info), kPfFloatingWindowClass);
    info->idleProc = (void*)ASCallbackCreateProto(AVIdleProc, ModelessIdle);
    AVAppRegisterIdleProc((AVIdleProc)info->idleProc, info, PfGetCaretTime());
    CallDialogProc(info, kMacDlgInit, 0, nullptr);
    ApplyInitialFocus(info);
    if (info->done) {
      closed = FinishAfterMessage(info) == 0;
    } else {
      AVRect frame;
      AVWindowGetFrame(info->avWindow, &frame);
      SetItems(info);
      AVWindowShow(info->avWindow);
      PfShowWindow(WindowOf(info));
      AVWindowSetFrame(info->avWindow, &frame);
      BecomeKey(info);
      CallDialogProc(info, kMacDlgShown, 0, nullptr);
      if (info->done) {
        closed = FinishAfterMessage(info) == 0;
      } else {
        MacListBoxesPostShowDialog(info);
      }
    }
  HANDLER
    if (IsLive(info)) {
      CleanupDialogPreDestroy(info);
      if (info->avWindow) {
        // The did-close handler sends destroy and disposes of the dialog.
        AVWindowUserClose(info->avWindow, false);
      }
      if (IsLive(info)) {
        SendDestroyQuietly(info);
        DisposeAll(info);
      }
    }
    RERAISE();
  END_HANDLER
  return closed ? nullptr : info;
}

ASInt32 RunModalMacDialogWithFilter(MacDialogProc dialogProc, MacDialogProc filterProc, void* userData) {
  SMacDialogInfo* info = BeginDialog(true, filterProc, userData);
  if (!info) return kMacCancelId;
  struct Depth {
    Depth() { ++modalDepth; }
    ~Depth() { --modalDepth; }
  } depth;
  info->done = 0;
  info->avWindow = nullptr;
  info->idleProc = nullptr;
  info->result = kMacCancelId;
  info->dialogProc = dialogProc;
  info->defaultItem = kMacOKId;
  info->cancelItem = kMacCancelId;
  info->needsRedraw = 0;
  EngineState& s = S();
  AVWindow host = nullptr;
  DURING
    CallDialogProc(info, kMacDlgInit, 0, nullptr);
    ApplyInitialFocus(info);
    // The platform's modal filter is a plain procedure: making it cannot fail here.
    s.modalFilterMade = true;
    if (s.modalNeedsAVWindow) host = AVWindowNewFromPlatformThing(3, 0, &s.modal, gMacExtensionID, WindowOf(info));
    SetItems(info);
    PfShowWindow(WindowOf(info));
    PfSelectWindow(WindowOf(info));
    CallDialogProc(info, kMacDlgShown, 0, nullptr);
    MacListBoxesPostShowDialog(info);
    for (;;) {
      if (info->needsRedraw) MacRedrawDialogNow(info);
      if (info->done) break;
      SetDialogPort(info);
      int16_t hit = 0;
      {
        PluginResources res;
        PfModalDialog(ModalFilterProc, &hit);
      }
      // A step that ended the dialog (a key the filter handled) or hit no item sends nothing.
      if (info->done || hit < 1) continue;
      NotifyActiveDialogFromControl(info, MapControlIdFromInternal(info, hit));
    }
    // Every dialog hears destroy once, also when a key ended it without a command.
    SendDestroyOnce(info);
  HANDLER
    if (host) AVWindowDestroy(host);
    if (IsLive(info)) {
      SendDestroyQuietly(info);
      DisposeAll(info);
    }
    RERAISE();
  END_HANDLER
  ASInt32 result = info->result;
  if (host) AVWindowDestroy(host);
  DisposeAll(info);
  return result;
}

void DestroyModelessDialog(SMacDialogInfo* info) {
  if (!IsLive(info)) return;
  info->done = 1;
  if (info->procDepth > 0) {
    info->closePending = 1;
    return;
  }
  if (info->modal) return;  // the modal loop ends it
  CloseModeless(info);
}

ASInt32 SendWMCommand(SMacDialogInfo* info, ASInt32 id, ASInt32 code) {
  if (!IsLive(info)) return 0;
  SMacControlHitInfo hit{id, code, nullptr};
  CallDialogProc(info, kMacDlgCommand, 0, &hit);
  return FinishAfterMessage(info);
}

ASInt32 MacDialogRunAsMessage(SMacDialogInfo* info, MacDialogWorkProc work, void* data) {
  if (!IsLive(info) || !work) return 0;
  {
    SProcDepth depth(info);
    work(info, data);
  }
  return FinishAfterMessage(info);
}

ASInt32 SendWMNotify(SMacDialogInfo* info, ASInt32 id, ASInt32 code, void* data) {
  if (!IsLive(info)) return 0;
  SMacControlHitInfo hit{id, code, data};
  CallDialogProc(info, kMacDlgNotify, id, &hit);
  return FinishAfterMessage(info);
}

ASInt32 NotifyActiveDialogFromControl(SMacDialogInfo* info, ASInt32 id) {
  if (!IsLive(info)) return 0;
  ASInt32 index = MapControlIdToInternal(info, id);
  ASInt32 kind = PfGetDialogItemKind(info->dialog, (int16_t)index);
  PfControlRef control = PfGetDialogItemControl(info->dialog, (int16_t)index);
  if (kind >= 0 && (kind & 0x7F) == kMacControlItem && control) {
    if (PfGetControlProcId(control) == kPfPopupButtonProc) {
      // One choice is three commands; a dialog that closes on one hears no more.
      for (ASInt32 code : {kMacCmdPopupDown, kMacCmdPopupTracked, kMacCmdPopupChosen})
        if (!SendWMCommand(info, id, code)) return 0;
      return 1;
    }
    if (PfControlAnswersTag(control, kPfControlTabInfoTag))
      return SendWMCommand(info, id + PfGetControlValue(control) - 1, kMacCmdClick);
  }
  if (kind >= 0 && (kind & 0x7F) == kMacEditTextItem) return SendWMCommand(info, id, kMacCmdEditClick);
  return SendWMCommand(info, id, kMacCmdClick);
}

ASInt32 SimulateClick(SMacDialogInfo* info, ASInt32 id) {
  if (!IsLive(info)) return 0;
  PfControlRef c = MacGetValidControlHandle(info, id);
  int16_t proc = PfGetControlProcId(c);
  if (c && (proc == kPfPushButProc || proc == kPfBevelButtonProc)) {
    PfHiliteControl(c, kPfButtonPart);
    PfDelay(8, nullptr);
    PfHiliteControl(c, 0);
  }
  return SendWMCommand(info, id, kMacCmdClick);
}

void MacRedrawDialogNow(SMacDialogInfo* info) {
  if (!IsLive(info)) return;
  info->needsRedraw = 0;
  ASInt16 major = 0, minor = 0;
  ASHostVersionGet(&major, &minor);
  if (major == 0) major = 5;
  if (!info->modal && info->avWindow && major >= 5) {
    AVRect all;
    AVWindowGetInterior(info->avWindow, &all);
    AVWindowInvalidateRect(info->avWindow, &all);
    AVWindowDrawNow(info->avWindow);
    return;
  }
  PfWindowRef saved = PfGetPort();
  SetDialogPort(info);
  {
    PluginResources res;
    PfDrawDialog(info->dialog);
  }
  PfSetPort(saved);
}

void SetDialogPort(SMacDialogInfo* info) {
  if (info && info->dialog) PfSetPort(WindowOf(info));
}

PfTEHandle MacGetDialogTextHandle(SMacDialogInfo* info) { return info ? PfGetDialogTextEdit(info->dialog) : nullptr; }

SMacDialogInfo* MacFindActiveDialogFromHandle(PfDialogRef dialog) {
  if (!PfIsValidDialog(dialog)) return nullptr;
  auto* info = static_cast<SMacDialogInfo*>(PfGetWindowPropertyPtr(PfGetDialogWindow(dialog), kCreator, kDialogTag));
  return IsLive(info) ? info : nullptr;
}

ASBool SafeDialogSelect(const PfEvent* event, SMacDialogInfo** info, ASInt32* controlId) {
  if (info) *info = nullptr;
  if (controlId) *controlId = 0;
  PfDialogRef dialog = nullptr;
  int16_t hit = 0;
  bool got;
  {
    PluginResources res;
    got = PfDialogSelect(event, &dialog, &hit);
  }
  SMacDialogInfo* found = MacFindActiveDialogFromHandle(dialog);
  if (!got || !found) return 0;
  if (info) *info = found;
  if (controlId) *controlId = MapControlIdFromInternal(found, hit);
  return 1;
}

void ModelessIdle(void* clientData) {
  auto* info = static_cast<SMacDialogInfo*>(clientData);
  if (!IsLive(info) || !info->avWindow || !AVWindowIsKey(info->avWindow)) return;
  ASInt32 start, end;
  if (MacGetDialogFocusControlIdMapExt(info, &start, &end) < 0) return;
  PfTEHandle te = MacGetDialogTextHandle(info);
  if (!te || !PfGetDialogKeyboardFocusItem(info->dialog)) return;
  SetDialogPort(info);
  PfTEIdle(te);
}

bool ModalFilterProc(PfDialogRef dialog, PfEvent* event, int16_t* itemHit) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info || !event) return false;
  PfWindowRef window = PfGetDialogWindow(dialog);
  switch (event->what) {
    case kPfMouseDown: {
      PfWindowRef at = nullptr;
      EPfWindowPart part = PfFindWindow(event->where, &at);
      if (at != window) return false;
      if (part == kPfInDrag) {
        PfDragWindow(window, event->where, PfDesktopBounds());
        if (itemHit) *itemHit = 0;
        return true;
      }
      if (part == kPfInContent) {
        int16_t item = PfFindDialogItem(dialog, PfGlobalToLocal(window, event->where));
        if (item > 0) MacListBoxDidHandleClick(info, event, MapControlIdFromInternal(info, item));
      }
      return false;
    }
    case kPfKeyDown:
    case kPfAutoKey: {
      uint32_t ch = PfEventChar(*event);
      bool cmd = (event->modifiers & kPfCmdKey) != 0;
      if (itemHit) *itemHit = 0;
      if (ch == kPfReturnChar || ch == kPfEnterChar) {
        if (info->defaultItem >= 1 && MacControlIsEnabled(info, info->defaultItem))
          SimulateClick(info, info->defaultItem);
        return true;
      }
      if (ch == kPfEscapeChar) {
        if (info->cancelItem >= 1) SimulateClick(info, info->cancelItem);
        return true;
      }
      if (ch == '.' && cmd) {
        if (info->cancelItem >= 1) {
          SimulateClick(info, info->cancelItem);
        } else {
          info->result = kMacCancelId;
          info->done = 1;
        }
        return true;
      }
      if ((ch == 'v' || ch == 'V') && cmd && MacIsUnderOSX()) PfTEFromScrap();
      return false;
    }
    default:
      return false;
  }
}

void CleanupDialogPreDestroy(SMacDialogInfo* info) {
  if (!info) return;
  MacDialogItemsDispose(info);
  MacListDisposeListBoxList(info);
  MacBrowseDisposeBrowseBoxList(info);
  // Trees normally go at the destroy message; a dialog that never passed it
  // on leaves none behind.
  MacTreeDisposeForDialog(info);
}

void DisposeActiveDialog(SMacDialogInfo* info) {
  if (!info) return;
  if (info->idleProc) {
    AVAppUnregisterIdleProc((AVIdleProc)info->idleProc, info);
    ASCallbackDestroy(info->idleProc);
    info->idleProc = nullptr;
  }
  ASfree(info->controlMap);
  info->controlMap = nullptr;
  info->controlMapCount = 0;
  DestroyMacTextMetricDesc(info->textMetric);
  info->textMetric = nullptr;
  MacDialogDisposePopupMenus(info);
  // What is kept elsewhere by the record's address goes with it, so that a
  // later dialog at the same address does not find it.
  RemovePDFCtl(info, -1);
  DialogTraceForgetDialog(info);
  ReleaseInfo(info);
}

void MacDialogDispatchEvent(const PfEvent* event, void*) {
  if (!event) return;
  PfWindowRef window = nullptr;
  switch (event->what) {
    case kPfMouseDown:
      PfFindWindow(event->where, &window);
      break;
    case kPfKeyDown:
    case kPfAutoKey:
      window = PfFrontVisibleWindow();
      break;
    case kPfActivateEvt:
    case kPfUpdateEvt:
      window = PfEventWindow(*event);
      break;
    default:
      return;
  }
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(PfGetDialogFromWindow(window));
  if (!info || info->modal || !info->avWindow) return;
  switch (event->what) {
    case kPfMouseDown: {
      EPfWindowPart part = PfFindWindow(event->where, &window);
      if (part == kPfInGoAway) {
        AVWindowUserClose(info->avWindow, false);
      } else if (part == kPfInDrag) {
        PfDragWindow(window, event->where, PfDesktopBounds());
        SyncHostFrame(info);
      } else if (part == kPfInContent) {
        PfPoint local = PfGlobalToLocal(window, event->where);
        AVWindowClick(info->avWindow, local.h, local.v);
      }
      break;
    }
    case kPfKeyDown:
    case kPfAutoKey:
      AVWindowType(info->avWindow, (char)PfEventChar(*event));
      break;
    case kPfActivateEvt: {
      PfDialogRef d;
      int16_t hit;
      PfDialogSelect(event, &d, &hit);
      break;
    }
    case kPfUpdateEvt:
      MacRedrawDialogNow(info);
      break;
    default:
      break;
  }
}
