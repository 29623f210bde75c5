// The command table, the plug-in's items in the host's menus with their
// enable tests, and the one dispatcher every user command goes through: menu
// items, the tool button and the control panel's buttons each name a command
// number. Engine commands run through ExecuteKVCommand; panel commands call
// their panel directly.
#pragma once

#include <cstdint>

#include "host/AS.h"
#include "host/AV.h"

struct SKCab;

typedef ASUns32 EImpositionCommand;
enum : EImpositionCommand {
  kImpCmdNone = 0,  // ends the table
  kImpCmdBooklet = 1,
  kImpCmdNup = 3,
  kImpCmdJoinTwoPages = 4,
  kImpCmdTrimAndShift = 5,
  kImpCmdReversePages = 6,
  kImpCmdEvenOdd = 7,
  kImpCmdShuffle = 8,
  kImpCmdCreateSample = 9,
  kImpCmdInsertBlanks = 10,
  kImpCmdControlPanel = 19,
  kImpCmdRecord = 20,
  kImpCmdPlayback = 21,
  kImpCmdPrefs = 22,
  kImpCmdAbout = 24,
  kImpCmdHelp = 25,
  kImpCmdImpDoc = 27,
  kImpCmdFixPageSize = 28,
  kImpCmdSplitPages = 29,
  kImpCmdLastTabbedDialog = 31
};

// A panel's procedure; non-zero when it completed.
typedef ASBool (*ImpositionUIProc)();

struct SImpositionCommandRow {
  const char* menuItemName;     // the host menu item's language-independent name
  EImpositionCommand command;
  ImpositionUIProc uiProc;      // panel rows only
  char* title;                  // the title key's text when the table was built (host allocator)
  ASBool completed;             // the command succeeded since the plug-in was loaded
  ASAtom cmdKey;                // the command's key; ASAtomNull on panel rows
};

// Ended by a row whose command is kImpCmdNone; null until built.
extern SImpositionCommandRow* commandTable;
// The command that last succeeded through the dispatcher (0 at start).
extern EImpositionCommand latestImpositionCommand;
// Held at 1 while the dispatcher runs a command; read by page stamping.
extern ASBool suspendAutoStamping;
// The enable tests by command number ("%ld"): the test ("AVComputeEnabledProc")
// and its client data ("void*"); made at the first registration.
extern SKCab* impositionCommandIsEnabledProc;
extern SKCab* impositionCommandIsEnabledProcData;

// Builds the table at the first call; every query below calls it first.
void InitCommandTable();
void AddMenu(const char* name, EImpositionCommand command, ImpositionUIProc uiProc, const char* title, ASAtom key);
ASBool HasCommandCompleted(EImpositionCommand command);
// ASAtomNull for panel rows and unknown numbers.
ASAtom ImpositionCommandToCmdKey(EImpositionCommand command);
// The first row with the key (ASAtomNull: the first panel row); 0 when none.
EImpositionCommand CmdKeyToImpositionCommand(ASAtom key);
// The row of a command, or null.
SImpositionCommandRow* FindImpositionCommandRow(EImpositionCommand command);

void ImpositionCommandSetIsEnabledProc(EImpositionCommand command, AVComputeEnabledProc test, void* data);
// The registered test's answer; true when none is registered.
ASBool ImpositionCommandCallIsEnabledProc(EImpositionCommand command);
ASBool MenuItemEnabledForCommand(EImpositionCommand command);

// Enable tests.
ASBool ComputeAlwaysEnabled(void* data);
// data: a permission mask; false without an active document, else true when
// the document has every permission bit of the mask.
ASBool StandardComputeEnabled(void* data);
// True once a command other than the control panel has succeeded.
ASBool ComputeRememberEnabled(void* data);
// The permissions of the menu's document commands: editing the document and
// its annotations.
constexpr uintptr_t kImpositionEditMask = 0x28;

AVMenuItem CmdItem(AVMenu menu, const char* title, EImpositionCommand command, AVComputeEnabledProc test, void* data);
void Separator(AVMenu menu);
// Builds the "Imposition" submenu of "Extensions" and the help, about and
// preferences items; a missing host menu only skips its part. Returns 1.
ASBool InitImpMenus();

void GenericCmdExecuteMenuItem(void* data);
void HelpMenuItem(void* data);
// Open the control panel (false: it is no command) and the about box (true).
ASBool StartControlPanel();
ASBool DoAboutDialog();

// What the dispatches since the last call came to, for the host program: 1
// all completed, 0 one did not, -1 none ran (opening the control panel is no
// command and counts as none).
ASInt32 ImpositionTakeDispatchOutcome();

// The one road of every run a user or the host program starts: commands
// from menus, the tool button and the control panel, commands by key,
// named actions and replayed histories. It reads the general preferences
// (once after loading), refuses while a modal dialog of the system is open,
// holds suspendAutoStamping at 1, reports a host exception with title (null:
// the row's title), and on success marks the command's row completed and
// latest (kImpCmdNone: no row) and refreshes the control panel for an engine
// command. proc does the work; its answer is the result.
typedef ASBool (*ImpositionRunProc)(void* data);
ASBool ExecuteImpositionRun(EImpositionCommand command, const char* title, ImpositionRunProc proc, void* data);

// Runs one row of the command table for caller ("Krvl:DirectUI" from menus,
// the tool button and the control panel): its panel, or its command with the
// command's dialog. Non-zero when it completed.
ASBool ExecuteImpositionCommand(EImpositionCommand command, const char* caller);

// Reads the general preferences through the preferences module (it reads
// them once after loading).
void ImpositionReadGeneralPrefs();
