#include "frame/ImpMenus.h"

#include <cstdio>
#include <cstring>

#include "foundation/ProductName.h"
#include "foundation/Alerts.h"
#include "foundation/AVUTF8.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageFormat.h"
#include "frame/CommandModules.h"
#include "frame/FramePrivate.h"
#include "frame/KVCommands.h"
#include "frame/PlugIn.h"
#include "kctl/mac/MacDialog.h"
#include "pdftools/TextUtil.h"

using frame_detail::Msg;

SImpositionCommandRow* commandTable = nullptr;
EImpositionCommand latestImpositionCommand = kImpCmdNone;
ASBool suspendAutoStamping = 0;
SKCab* impositionCommandIsEnabledProc = nullptr;
SKCab* impositionCommandIsEnabledProcData = nullptr;

namespace {

constexpr ASInt32 kMenuEnd = 9999;  // the host appends items past its last one

ASBool everRemembered = 0;
ASInt32 gDispatchOutcome = -1;

ASBool Outcome(EImpositionCommand command, ASBool result) {
  if (command != kImpCmdControlPanel) gDispatchOutcome = (result && gDispatchOutcome != 0) ? 1 : 0;
  return result;
}

// ---- panel rows: the frame's side of each panel, calling its module when
// the program has it

ASBool NotAvailable(EImpositionCommand command) {
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  char text[600];
  FormatMessageByKeyUTF8(nullptr, "impmenu1.notavailable", "%s is not available in this build.", text, sizeof text,
                         "s", row && row->title ? row->title : "?");
  ErrMessageUTF8(text);
  return 0;
}

ASBool PanelRecord() {
  auto proc = KVCommandModules().DoRememberLast;
  return proc ? proc() : NotAvailable(kImpCmdRecord);
}
ASBool PanelPlayback() {
  auto proc = KVCommandModules().StartPlay;
  return proc ? proc() : NotAvailable(kImpCmdPlayback);
}
ASBool PanelPrefs() {
  auto proc = KVCommandModules().DoPrefsDialog;
  return proc ? proc() : NotAvailable(kImpCmdPrefs);
}
ASBool PanelHelp() {
  auto proc = KVCommandModules().StartHelpCentre;
  return proc ? proc() : NotAvailable(kImpCmdHelp);
}
ASBool PanelLastTabbedDialog() {
  auto proc = KVCommandModules().RestartLastTabbedDialog;
  return proc ? proc() : NotAvailable(kImpCmdLastTabbedDialog);
}

// The host's About menu handler; see HelpMenuItem.
void AboutMenuItem(void* data) {
  ImpositionReadGeneralPrefs();
  if (auto proc = KVCommandModules().AboutVelmora) proc(data);
  else NotAvailable(kImpCmdAbout);
}

struct SRowSpec {
  const char* name;
  EImpositionCommand command;
  const char* keyWord;  // null on panel rows
  ImpositionUIProc uiProc;
  const char* titleKey;
};

// In lookup order.
const SRowSpec kRows[] = {
    {"KRVL:Velmora3:Booklet", kImpCmdBooklet, "SimpleBooklet", nullptr, "impmenu1.cmd.booklet"},
    {"KRVL:Velmora3:nUpPages", kImpCmdNup, "Nup", nullptr, "impmenu1.cmd.nup"},
    {"KRVL:Velmora3:JoinTwoPages", kImpCmdJoinTwoPages, "Join2Pages", nullptr, "impmenu1.cmd.jointwopages"},
    {"KRVL:Velmora3:ReversePages", kImpCmdReversePages, "ReversePageOrder", nullptr, "impmenu1.cmd.reversepages"},
    {"KRVL:Velmora3:ShuffleEvenOdd", kImpCmdEvenOdd, "EvenOddShuffle", nullptr, "impmenu1.cmd.evenodd"},
    {"KRVL:Velmora3:ShufflePagesForVelmora", kImpCmdShuffle, "Shuffle", nullptr, "impmenu1.cmd.shuffle"},
    {"KRVL:Velmora3:CreateSample", kImpCmdCreateSample, "CreateSample", nullptr, "impmenu1.cmd.sample"},
    {"KRVL:Velmora3:InsertBlankPages", kImpCmdInsertBlanks, "InsertBlanks", nullptr, "impmenu1.cmd.insertblanks"},
    {"KRVL:Velmora3:TrimAndShift", kImpCmdTrimAndShift, "TrimAndShift", nullptr, "impmenu1.cmd.shiftandtrim"},
    {"KRVL:Velmora3:Remember", kImpCmdRecord, nullptr, PanelRecord, "impmenu1.cmd.record"},
    {"KRVL:Velmora3:Playback", kImpCmdPlayback, nullptr, PanelPlayback, "impmenu1.cmd.playback"},
    {"KRVL:Velmora3:Prefs", kImpCmdPrefs, nullptr, PanelPrefs, "impmenu1.cmd.prefs"},
    {"KRVL:Velmora3:About", kImpCmdAbout, nullptr, DoAboutDialog, "impmenu1.cmd.about"},
    {"KRVL:Velmora3:Help", kImpCmdHelp, nullptr, PanelHelp, "impmenu1.cmd.help"},
    {"KRVL:Velmora3:ControlPanel", kImpCmdControlPanel, nullptr, StartControlPanel, "impmenu1.cmd.controlpanel"},
    {"LastTabbedDialog", kImpCmdLastTabbedDialog, nullptr, PanelLastTabbedDialog, "impmenu1.cmd.kvbutton"},
    {"KRVL:Velmora3:ImpDoc", kImpCmdImpDoc, "PageTools", nullptr, "impmenu1.cmd.impdoc"},
    {"KRVL:Velmora3:FixPageSize", kImpCmdFixPageSize, "PageSizes", nullptr, "impmenu1.cmd.fixpagesize"},
    {"KRVL:Velmora3:SplitPages", kImpCmdSplitPages, "Splitter", nullptr, "impmenu1.menu.splitpages"},
};

bool gTableBuilt = false;

size_t RowCount() {
  size_t n = 0;
  if (commandTable)
    while (commandTable[n].command != kImpCmdNone) ++n;
  return n;
}

char* CopyText(const char* text) {
  size_t n = std::strlen(text ? text : "");
  char* copy = (char*)ASmallocWithException(n + 1);
  std::memcpy(copy, text ? text : "", n + 1);
  return copy;
}

void NumberKey(EImpositionCommand command, char* out, size_t size) {
  std::snprintf(out, size, "%ld", (long)command);
}

// The item's title: the text without "&" (the menu shortcut marks).
AVMenuItem NewItem(const char* title, const char* name, AVMenu submenu) {
  char* plain = NoMacAmp(title ? title : "");
  AVMenuItem item = nullptr;
  DURING
    item = AVMenuItemNewUTF8(plain, name, submenu, 0, 0, 0, nullptr, gExtensionID);
  HANDLER
    ASfree(plain);
    RERAISE();
  END_HANDLER
  ASfree(plain);
  return item;
}

// An item of steps 2-4 of the menus: appended to the host menu name (or
// fallback) when there is one, executing proc.
void AddHostItem(const char* menuName, const char* fallback, const char* title, const char* name, AVExecuteProc proc,
                 void* data) {
  AVMenubar bar = AVAppGetMenubar();
  AVMenu menu = AVMenubarAcquireMenuByName(bar, menuName);
  if (!menu && fallback) menu = AVMenubarAcquireMenuByName(bar, fallback);
  if (!menu) return;
  AVMenuItem item = NewItem(title, name, nullptr);
  AVMenuItemSetExecuteProc(item, proc, data);
  AVMenuAddMenuItem(menu, item, kMenuEnd);
  AVMenuItemRelease(item);
  AVMenuRelease(menu);
}

}  // namespace

// ---- the table

void AddMenu(const char* name, EImpositionCommand command, ImpositionUIProc uiProc, const char* title, ASAtom key) {
  size_t n = RowCount();
  char* titleCopy = CopyText(title);
  // Room for the rows so far, the new one and the end row.
  auto* grown = (SImpositionCommandRow*)ASreallocWithException(commandTable, (n + 2) * sizeof(SImpositionCommandRow));
  commandTable = grown;
  commandTable[n] = SImpositionCommandRow{name, command, uiProc, titleCopy, 0, key};
  commandTable[n + 1] = SImpositionCommandRow{nullptr, kImpCmdNone, nullptr, nullptr, 0, ASAtomNull};
}

void InitCommandTable() {
  if (gTableBuilt) return;
  gTableBuilt = true;
  for (const SRowSpec& r : kRows) {
    ASAtom key = r.keyWord ? ASAtomFromString(r.keyWord) : ASAtomNull;
    AddMenu(r.name, r.command, r.uiProc, Msg(r.titleKey), key);
  }
}

SImpositionCommandRow* FindImpositionCommandRow(EImpositionCommand command) {
  InitCommandTable();
  if (command == kImpCmdNone || !commandTable) return nullptr;
  for (SImpositionCommandRow* row = commandTable; row->command != kImpCmdNone; ++row)
    if (row->command == command) return row;
  return nullptr;
}

ASBool HasCommandCompleted(EImpositionCommand command) {
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  return row ? row->completed : 0;
}

ASAtom ImpositionCommandToCmdKey(EImpositionCommand command) {
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  return row ? row->cmdKey : ASAtomNull;
}

EImpositionCommand CmdKeyToImpositionCommand(ASAtom key) {
  InitCommandTable();
  if (!commandTable) return kImpCmdNone;
  for (SImpositionCommandRow* row = commandTable; row->command != kImpCmdNone; ++row)
    if (row->cmdKey == key) return row->command;
  return kImpCmdNone;
}

// ---- enable tests

void ImpositionCommandSetIsEnabledProc(EImpositionCommand command, AVComputeEnabledProc test, void* data) {
  if (!impositionCommandIsEnabledProc) impositionCommandIsEnabledProc = KCabNewInner();
  if (!impositionCommandIsEnabledProcData) impositionCommandIsEnabledProcData = KCabNewInner();
  char key[32];
  NumberKey(command, key, sizeof key);
  if (test) {
    KCabPutFunctionPointerNamedType(impositionCommandIsEnabledProc, key, "AVComputeEnabledProc",
                                    (KCabFunctionPointer)test, nullptr);
  } else {
    KCabRemove(impositionCommandIsEnabledProc, key);
  }
  KCabPutPointerNamedType(impositionCommandIsEnabledProcData, key, "void*", data, nullptr);
}

ASBool ImpositionCommandCallIsEnabledProc(EImpositionCommand command) {
  if (!impositionCommandIsEnabledProc) return 1;
  char key[32];
  NumberKey(command, key, sizeof key);
  auto test = (AVComputeEnabledProc)KCabGetFunctionPointerNamedType(impositionCommandIsEnabledProc, key,
                                                                     "AVComputeEnabledProc");
  if (!test) return 1;
  void* data = impositionCommandIsEnabledProcData
                   ? KCabGetPointerNamedType(impositionCommandIsEnabledProcData, key, "void*")
                   : nullptr;
  return test(data) ? 1 : 0;
}

ASBool MenuItemEnabledForCommand(EImpositionCommand command) {
  InitCommandTable();
  return ImpositionCommandCallIsEnabledProc(command);
}

ASBool ComputeAlwaysEnabled(void*) { return 1; }

ASBool StandardComputeEnabled(void* data) {
  AVDoc view = AVAppGetActiveDoc();
  if (!view) return 0;
  auto mask = (PDPerms)(uintptr_t)data;
  if (mask == 0) return 1;
  PDDoc doc = AVDocGetPDDoc(view);
  return doc && (PDDocGetPermissions(doc) & mask) == mask ? 1 : 0;
}

ASBool ComputeRememberEnabled(void*) {
  bool remembered = latestImpositionCommand >= 1 && latestImpositionCommand <= 30 &&
                    latestImpositionCommand != kImpCmdControlPanel;
  // Once enabled, the item stays enabled while the plug-in is loaded.
  if (remembered) everRemembered = 1;
  return everRemembered;
}

// ---- menus

AVMenuItem CmdItem(AVMenu menu, const char* title, EImpositionCommand command, AVComputeEnabledProc test, void* data) {
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  if (!row || !menu) return nullptr;
  AVMenuItem item = NewItem(title, row->menuItemName, nullptr);
  AVMenuItemSetExecuteProc(item, GenericCmdExecuteMenuItem, (void*)(uintptr_t)command);
  AVMenuItemSetComputeEnabledProc(item, test, data);
  AVMenuAddMenuItem(menu, item, kMenuEnd);
  ImpositionCommandSetIsEnabledProc(command, test, data);
  return item;
}

void Separator(AVMenu menu) {
  AVMenuItem item = AVMenuItemNewUTF8("-", "KRVL:Velmora3:Sep", nullptr, 0, 0, 0, nullptr, gExtensionID);
  AVMenuAddMenuItem(menu, item, kMenuEnd);
  AVMenuItemRelease(item);
}

ASBool InitImpMenus() {
  InitCommandTable();
  AVMenubar bar = AVAppGetMenubar();
  if (AVMenu extensions = AVMenubarAcquireMenuByName(bar, "Extensions")) {
    AVMenu impose = AVMenuNew("Imposition", "KRVL:Velmora3:Impose", gExtensionID);
    AVMenuItem sub = NewItem(CurrentProductString(kProductShortName), "KRVL:Velmora3:ImposeSub", impose);
    AVMenuAddMenuItem(extensions, sub, kMenuEnd);
    AVMenuItemRelease(sub);

    struct SItem {
      const char* titleKey;  // null: a separator
      EImpositionCommand command;
      AVComputeEnabledProc test;
      uintptr_t data;
    };
    const SItem items[] = {
        {"impmenu1.menu.controlpanel", kImpCmdControlPanel, ComputeAlwaysEnabled, 0},
        {"impmenu1.menu.record", kImpCmdRecord, ComputeRememberEnabled, 0},
        {"impmenu1.menu.playback", kImpCmdPlayback, ComputeAlwaysEnabled, 0},
        {nullptr, kImpCmdNone, nullptr, 0},
        {"impmenu1.menu.booklet", kImpCmdBooklet, StandardComputeEnabled, kImpositionEditMask},
        {"impmenu1.menu.nup", kImpCmdNup, StandardComputeEnabled, kImpositionEditMask},
        {"impmenu1.menu.jointwopages", kImpCmdJoinTwoPages, StandardComputeEnabled, kImpositionEditMask},
        {nullptr, kImpCmdNone, nullptr, 0},
        {"impmenu1.menu.evenodd", kImpCmdEvenOdd, StandardComputeEnabled, kImpositionEditMask},
        {"impmenu1.menu.shuffle", kImpCmdShuffle, StandardComputeEnabled, kImpositionEditMask},
        {"impmenu1.menu.reversepages", kImpCmdReversePages, StandardComputeEnabled, kImpositionEditMask},
        {"impmenu1.menu.shiftandtrim", kImpCmdTrimAndShift, StandardComputeEnabled, kImpositionEditMask},
        {nullptr, kImpCmdNone, nullptr, 0},
        {"impmenu1.menu.insertblanks", kImpCmdInsertBlanks, ComputeAlwaysEnabled, 0},
        {"impmenu1.menu.sample", kImpCmdCreateSample, ComputeAlwaysEnabled, 0},
    };
    for (const SItem& i : items) {
      if (!i.titleKey) {
        Separator(impose);
        continue;
      }
      AVMenuItemRelease(CmdItem(impose, Msg(i.titleKey), i.command, i.test, (void*)i.data));
    }
    AVMenuRelease(impose);
    AVMenuRelease(extensions);
  }
  AddHostItem("UsingExtensions", "Help", CurrentProductString(kProductMenuName), "KRVL:Velmora3:Help", HelpMenuItem,
              nullptr);
  AddHostItem("AboutExtensions", nullptr, CurrentProductString(kProductMenuName), "KRVL:Velmora3:About",
              AboutMenuItem, nullptr);
  AddHostItem("Prefs", nullptr, CurrentProductString(kProductShortName), "KRVL:Velmora3:Prefs",
              GenericCmdExecuteMenuItem, (void*)(uintptr_t)kImpCmdPrefs);
  return 1;
}

void GenericCmdExecuteMenuItem(void* data) {
  ExecuteImpositionCommand((EImpositionCommand)(uintptr_t)data, "Krvl:DirectUI");
}

// Help and about from the host's own menus do not pass the dispatcher; the
// general preferences (web access hidden, classic mode) apply to them all
// the same.
void HelpMenuItem(void*) {
  ImpositionReadGeneralPrefs();
  PanelHelp();
}

ASBool StartControlPanel() {
  if (auto proc = KVCommandModules().CreateImpositionControlPanel) proc();
  else NotAvailable(kImpCmdControlPanel);
  // Opening the panel is not a command of its own.
  return 0;
}

ASBool DoAboutDialog() {
  auto proc = KVCommandModules().AboutVelmora;
  if (!proc) return NotAvailable(kImpCmdAbout);
  proc(nullptr);
  return 1;
}

// ---- the dispatcher

namespace {

struct SRowRun {
  SImpositionCommandRow* row;
  const char* caller;
};

// A row's own work: its panel, or its command with the command's dialog.
ASBool RunRow(void* data) {
  auto* r = static_cast<SRowRun*>(data);
  if (r->row->cmdKey == ASAtomNull) return r->row->uiProc ? r->row->uiProc() : 0;
  return ExecuteKVCommand(r->row->cmdKey, 0, 1, 1, nullptr, 1, 1, 0, nullptr, nullptr, r->caller);
}

}  // namespace

void ImpositionReadGeneralPrefs() {
  if (auto readPrefs = KVCommandModules().ReadGeneralPrefs) readPrefs();
}

ASBool ExecuteImpositionRun(EImpositionCommand command, const char* title, ImpositionRunProc proc, void* data) {
  ASBool savedStamping = suspendAutoStamping;
  ASBool result = 0;
  InitCommandTable();
  ImpositionReadGeneralPrefs();
  if (modalDepth >= 1) {
    ErrMessageUTF8(Msg("impmenu1.mustclosedialog"));
    return Outcome(command, 0);
  }
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  if (!title) title = row && row->title ? row->title : "";
  suspendAutoStamping = 1;
  DURING
    result = proc ? proc(data) : 0;
    if (result && row) {
      latestImpositionCommand = command;
      row->completed = 1;
      // The panel's buttons follow the commands that completed; a panel row
      // leaves them alone.
      if (row->cmdKey != ASAtomNull)
        if (auto refresh = KVCommandModules().ControlPanelEnableDisableButtons) refresh();
    }
  HANDLER
    AutoExceptionMessageUTF8(title, ERRORCODE);
  END_HANDLER
  suspendAutoStamping = savedStamping;
  return Outcome(command, result);
}

ASBool ExecuteImpositionCommand(EImpositionCommand command, const char* caller) {
  InitCommandTable();
  SImpositionCommandRow* row = FindImpositionCommandRow(command);
  SRowRun run{row, caller};
  // An unknown number runs nothing, with the same bookkeeping.
  return ExecuteImpositionRun(command, nullptr, row ? RunRow : nullptr, &run);
}

ASInt32 ImpositionTakeDispatchOutcome() {
  ASInt32 outcome = gDispatchOutcome;
  gDispatchOutcome = -1;
  return outcome;
}
