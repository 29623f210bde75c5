// The platform dialog engine: one platform dialog, built from an in-memory
// item list, shown modally (its own loop on the platform's modal step) or
// modelessly (inside a host window whose handlers route events here). Every
// event that concerns the dialog becomes a message to the dialog's filter
// procedure and then its dialog procedure.
#pragma once

#include "host/AS.h"
#include "kctl/mac/MacTextMetric.h"
#include "platform/Pf.h"

typedef struct _t_AVWindowRec* AVWindow;

struct SMacDialogInfo;

// The payload of command (2) and notify (5) messages.
struct SMacControlHitInfo {
  ASInt32 id;
  ASInt32 code;
  void* data;
};

typedef ASInt32 (*MacDialogProc)(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);

// Messages.
enum : ASUns32 {
  kMacDlgInit = 1,
  kMacDlgCommand = 2,
  kMacDlgDestroy = 3,
  kMacDlgNotify = 5,
  kMacDlgSpecial = 6,  // never sent by the engine
  kMacDlgCreate = 101, // the fourth argument is a PfDialogRef* slot to fill
  kMacDlgShown = 102
};

// Command codes.
enum : ASInt32 {
  kMacCmdClick = 0,
  kMacCmdEditClick = 1,
  kMacCmdPopupDown = 3,
  kMacCmdPopupTracked = 4,
  kMacCmdListDoubleClick = 5,
  kMacCmdListSelection = 6,
  kMacCmdPopupChosen = 7
};

// Notify codes.
enum : ASInt32 { kMacNotifyDisclosure = 9, kMacNotifyTreeOpenClose = 102 };

// Control ids of the default and cancel roles.
enum : ASInt32 { kMacOKId = 1, kMacCancelId = 2 };

struct SMacMenuData;
struct SMacPopupMenu;
struct SMacListBox;
struct SMacBrowseBox;
struct SMacFrame;

// One per shown dialog: made zeroed when the dialog starts, freed when it ends.
struct SMacDialogInfo {
  ASInt16 modal;
  ASInt16 done;
  MacDialogProc dialogProc;
  PfDialogRef dialog;
  ASInt16 needsRedraw;
  AVWindow avWindow;
  void* idleProc;  // the host idle callback of a modeless dialog
  ASInt32 result;
  ASInt32 defaultItem;
  ASInt32 cancelItem;
  ASInt16 destroySent;
  ASInt32 procDepth;
  SMacMenuData* menuDataList;
  SMacPopupMenu* popupMenuList;
  SMacListBox* listBoxList;
  SMacBrowseBox* browseBoxList;
  SMacFrame* frameList;
  ASInt32 menuUpdating;
  ASInt32 pendingMenuSel;
  ASInt16 savedResFile;
  MacDialogProc filterProc;
  void* userData;
  void* trace;
  SMacTextMetricDesc* textMetric;
  ASInt32* controlMap;
  ASInt32 controlMapCount;
  // Not in the original record: a close that arrived while procedures were
  // running waits here until the outermost one returns.
  ASInt16 closePending;
  // Not in the original record: given when the record is made and never
  // again in the process, so that a pointer kept past the dialog's end is
  // not taken for a later dialog whose record came at the same address.
  ASUns32 serial;
};

// Starts a modeless dialog; null when it could not be made or started.
SMacDialogInfo* StartModelessMacDialogWithFilter(MacDialogProc dialogProc, MacDialogProc filterProc, void* userData);
// Runs a modal dialog; returns the terminating control id (2 when it could not be made).
// modalDepth counts the modal dialogs running at the moment.
ASInt32 RunModalMacDialogWithFilter(MacDialogProc dialogProc, MacDialogProc filterProc, void* userData);
void DestroyModelessDialog(SMacDialogInfo* info);

// Deliver command and notify messages and close the dialog when the
// procedures set done; 0 when a modeless dialog was closed by it, else 1.
ASInt32 SendWMCommand(SMacDialogInfo* info, ASInt32 id, ASInt32 code);
ASInt32 SendWMNotify(SMacDialogInfo* info, ASInt32 id, ASInt32 code, void* data);
// Runs work on the dialog from outside its procedures (a host notification,
// another window's button) the way a message runs: under the procedure depth,
// so that an ending from within waits until work has returned, and then
// closes the dialog as SendWMCommand does. Returns as SendWMCommand; 0 when
// the dialog was not live.
typedef void (*MacDialogWorkProc)(SMacDialogInfo* info, void* data);
ASInt32 MacDialogRunAsMessage(SMacDialogInfo* info, MacDialogWorkProc work, void* data);
// Turns a hit on control id into commands; returns as SendWMCommand.
ASInt32 NotifyActiveDialogFromControl(SMacDialogInfo* info, ASInt32 id);
// Flashes a push button, then sends command (id, 0).
ASInt32 SimulateClick(SMacDialogInfo* info, ASInt32 id);
// The one way the procedures are called.
ASInt32 CallDialogProc(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit);

// True when the desktop runs its modern user interface: the platform's
// Gestalt answer 'menu' has bit 1 (the Aqua menu layout). Asked once and kept.
ASBool MacIsUnderOSX();
// Forgets the kept answer, so that the next call asks again (tests change it).
void MacIsUnderOSXForget();

void MacRedrawDialogNow(SMacDialogInfo* info);
void SetDialogPort(SMacDialogInfo* info);
PfTEHandle MacGetDialogTextHandle(SMacDialogInfo* info);
SMacDialogInfo* MacFindActiveDialogFromHandle(PfDialogRef dialog);
// Live dialogs of the engine (tests).
ASInt32 MacLiveDialogCount();

// The platform's dialog selection for an event with the plug-in's resources
// current; true with the dialog's info and the hit's control id when an item
// of an engine dialog was hit.
ASBool SafeDialogSelect(const PfEvent* event, SMacDialogInfo** info, ASInt32* controlId);

// Host hooks (installed by the engine; exposed for the host's tests).
void ModelessIdle(void* clientData);
bool ModalFilterProc(PfDialogRef dialog, PfEvent* event, int16_t* itemHit);
// How often the window-handler records were built (once per plug-in life).
ASInt32 MacDialogHandlerRecordsBuilt();

// Disposal steps.
void CleanupDialogPreDestroy(SMacDialogInfo* info);
void DisposeActiveDialog(SMacDialogInfo* info);

// The system's modal dialogs open at the moment (the command dispatcher
// refuses to start a command while one is).
extern ASInt32 modalDepth;

// The plug-in's resource file, current while platform calls run for the
// engine (0: leave the current file alone). The frame sets it at start.
extern ASInt16 gMacPluginResFile;
// The plug-in's extension, owner of the host windows the engine makes. The
// frame sets it at start.
extern ExtensionID gMacExtensionID;

// Routes a platform event to the engine's modeless dialogs through their host
// windows: clicks and keys to the window's handlers, the close box to a user
// close, activation and updates to the dialog. The first dialog installs it
// when no dispatcher is installed yet.
void MacDialogDispatchEvent(const PfEvent* event, void* client);
// True while the record belongs to a running dialog.
ASBool MacDialogInfoIsLive(SMacDialogInfo* info);
// The running dialog's serial number (never 0), or 0 when info is no running
// dialog. The pointer is only compared, never read, unless it is live.
ASUns32 MacDialogSerial(SMacDialogInfo* info);
// True while info is running and is still the dialog that had serial.
ASBool MacDialogIsStill(SMacDialogInfo* info, ASUns32 serial);
// Tests: while on, the next dialog's record (and its platform dialog) takes
// the address of the last one freed, as the C allocator often does and a
// checking allocator never does. Turning it off frees the records kept aside.
void MacDialogReuseRecordsForTest(ASBool on);

// How the dialog driver names items of engine dialogs: by control id.
// Registered with the platform's driver when the first dialog starts.
int16_t MacDriverItemForId(PfDialogRef dialog, int32_t controlId);
int32_t MacDriverIdForItem(PfDialogRef dialog, int16_t item);
