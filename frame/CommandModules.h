// The command dialogs and panels that the frame calls: the builders of the
// command definitions and the panels behind the command table's rows.
//
// The frame does not link against them by name. Each module fills its slots
// of one table when the plug-in is loaded, with a registrar in its source:
//
//   KV_COMMAND_MODULE(.NewCmdMgrForNup = NewCmdMgrForNup)
//
// and the frame calls through the table at the moment it needs a slot. An
// empty slot is a module that is not in the program: its command is not
// registered, and its panel tells the user that it is not available.
#pragma once

#include <cstddef>

#include "host/AS.h"

struct SKCab;
struct SKParamTable;

// A new command definition, owned by the caller.
typedef SKCab* (*KVCmdMgrBuilderProc)();

struct SKVCommandModules {
  // ---- Command definitions (registered in this order by InitKVCommands)
  KVCmdMgrBuilderProc NewCmdMgrForCreateTestFile = nullptr;   // "CreateSample"
  KVCmdMgrBuilderProc NewCmdMgrForInsertBlanks = nullptr;     // "InsertBlanks"
  KVCmdMgrBuilderProc NewCmdMgrForTrimAndShift = nullptr;     // "TrimAndShift"
  KVCmdMgrBuilderProc NewCmdMgrForBooklet = nullptr;          // "SimpleBooklet"
  KVCmdMgrBuilderProc NewCmdMgrForShuffle = nullptr;          // "Shuffle"
  KVCmdMgrBuilderProc NewCmdMgrForEvenOddShuffle = nullptr;   // "EvenOddShuffle"
  KVCmdMgrBuilderProc NewCmdMgrForNup = nullptr;              // "Nup"
  KVCmdMgrBuilderProc NewCmdMgrForJoin2Pages = nullptr;       // "Join2Pages"
  KVCmdMgrBuilderProc NewCmdMgrForReverseDocument = nullptr;  // "ReversePageOrder"

  // ---- Preferences: the general preferences, read once after loading;
  // the preferences dialog (true when closed with OK).
  ASBool (*ReadGeneralPrefs)() = nullptr;
  ASBool (*DoPrefsDialog)() = nullptr;
  // ---- Tabbed dialogs: reopens the one used last (true).
  ASBool (*RestartLastTabbedDialog)() = nullptr;
  // ---- The control panel: opens it (1); re-tests its buttons.
  ASInt32 (*CreateImpositionControlPanel)() = nullptr;
  void (*ControlPanelEnableDisableButtons)() = nullptr;
  // ---- Help centre (true unless cancelled); the about box as the host's
  // menu handler.
  ASBool (*StartHelpCentre)() = nullptr;
  void (*AboutVelmora)(void* clientData) = nullptr;
  // ---- Record (true when an action was stored) and playback (1).
  ASBool (*DoRememberLast)() = nullptr;
  ASBool (*StartPlay)() = nullptr;
  // ---- Parameter tables: the table of a command key, or null.
  const SKParamTable* (*CommandParamTable)(const char* command) = nullptr;
  // Rules between a command and the next that runs directly on its result,
  // on the parameters each will run on (firstPages: the page count the first
  // runs on, -1 unknown): false with why.
  ASBool (*CheckFollowingRun)(const char* first, SKCab* firstParams, ASInt32 firstPages, const char* next,
                              SKCab* nextParams, char* why, size_t size) = nullptr;
};

// Copies every filled slot of module into the table. Returns true, so that a
// registrar can be a constant initialised from it.
bool KVCommandModuleAdd(const SKVCommandModules& module);
// The table as filled so far.
const SKVCommandModules& KVCommandModules();
// Empties every slot (tests that put modules of their own in place).
void KVCommandModulesClear();

#define KV_COMMAND_MODULE_JOIN2(a, b) a##b
#define KV_COMMAND_MODULE_JOIN(a, b) KV_COMMAND_MODULE_JOIN2(a, b)
// Registers a module's slots when the program (or plug-in) is loaded.
#define KV_COMMAND_MODULE(...)                                                             \
  namespace {                                                                              \
  [[maybe_unused]] const bool KV_COMMAND_MODULE_JOIN(kKVCommandModuleAdded, __LINE__) = \
      KVCommandModuleAdd(SKVCommandModules{__VA_ARGS__});                                  \
  }
