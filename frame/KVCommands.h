// The system's commands: registered once in the default command collection,
// run by key with remembered parameters, and the settings stores in which
// parameters and other remembered cabinets live from one run of the host to
// the next.
//
// Stores: the main store "kv3" (older name "kv"; auto-commit) holds
// "Last:<command key>" for each command's parameters as last used, and
// "Last:General", "Last:Record", "Last:Play", "Last:Help"; the named-action
// store "kvplusmemory3" (older name "kvplusmemory"; auto-commit, reloaded when
// the file changes on disk) holds "Memory". Both files are untrusted input.
#pragma once

#include <cstddef>

#include "frame/CmdList.h"
#include "host/AS.h"

struct SKCab;
struct SKCabPersist;

// The extension's code, the collection identity's "Code".
#define kKVExtensionCode "KRVL_KorvelVelmora3"
// Room for "Last:" and a command key.
constexpr size_t kKVPersistKeySize = 256;

// Registers the commands, the identity and the features once; later calls do
// nothing. The argument is not used.
void InitKVCommands(ASInt32 unused = 0);
void AddExtraSupportedFeatures();

// Made on first use and kept for the plug-in's life.
SKCabPersist* KVMainPersist();
SKCabPersist* KVMemPersist();
// Names whose first six characters are "Memory" live in the named-action
// store, every other name in the main store.
SKCabPersist* SelectKVPersist(const char* name);
// "Last:" and the key's text, cut to the buffer.
void FillKVPersistKey(char* buffer, size_t size, ASAtom key);

// A copy of the stored cabinet (the caller owns it), or null.
SKCab* LoadKVParameters(const char* name);
// The same, or a new empty cabinet when none is stored.
SKCab* LoadKVParametersNoNull(const char* name);
// Copies every entry of cab over the stored cabinet and commits; entries cab
// lacks stay as stored. The caller keeps cab.
void MergeAndStoreKVParameters(const char* name, SKCab* cab);

// A new cabinet: the remembered parameters of the command, else its defaults,
// else empty. An unknown key is reported and gives an empty cabinet.
SKCab* LoadKVCommandParams(ASAtom key);
// A new one-command list of the command with the parameters it last ran with
// in this session, else its remembered ones.
SKCab* KVSingleCommandFromLast(ASAtom key, ECmdUIMode mode);
// Forgets what the commands ran with (at unload).
void KVForgetLastRuns();

// Runs the command by key. Without params the remembered "Last:<key>" is
// checked out (or the defaults on a first run or with reset) and stored back
// afterwards; given params are worked on in place. The dialog runs first when
// runDialog is set (cancel: nothing stored, false); then the process, on the
// front document when interactive, else on none, unless keepSource. True when
// the process ran and was not cancelled. An unknown key is reported and gives
// false. A host exception from the process passes on after the check-out is
// stored.
ASBool ExecuteKVCommand(ASAtom key, ASBool reset, ASBool runDialog, ASBool runProcess, SKCab* params,
                        ASBool allowNewDoc, ASBool interactive, ASBool keepSource, SKCab** result, SKCab* oldResult,
                        const char* caller);
