// Commands and the command collection.
//
// A command is a definition cabinet: "Name", "Key" (atom), "Version",
// "DefaultParams", "Control" (process callbacks and properties), "UI",
// "Describer", "BatchGroup" and an optional "Requires" feature list. The
// collection files each definition under the text of its key, beside
// "_CollectionIdentity" and "_Features". The command manager runs a command's
// dialog on a parameter cabinet and its process through the process manager.
#pragma once

#include "foundation/RunCab.h"
#include "host/AS.h"

struct SKCab;

// Named-pointer types of the function pointers a definition carries.
#define kCmdMgrUIProcType "CmdMgrUIProc"
#define kCmdMgrDescriberProcType "CmdMgrDescriberProc"

// The dialog: edits params in place; true = accepted, false = cancelled.
typedef ASBool (*CmdMgrUIProc)(SKCab* command, SKCab* params);
// A new cabinet of description lines, owned by the caller.
typedef SKCab* (*CmdMgrDescriberProc)(SKCab* command, SKCab* params);

// The default collection and its identity: null until prepared, then kept
// for the plug-in's life.
extern SKCab* gDefaultCmdColl;
extern SKCab* gDefaultCmdCollIdentity;

SKCab* NewCmdCollIdentity(const char* code, const char* name, const char* fullName, ASInt32 version);
// The collection takes over the identity.
SKCab* NewCmdColl(SKCab* identity);
// Each makes its global once; later calls do nothing.
void PrepareDefaultCmdCollIdentity(const char* code, const char* name, const char* fullName, ASInt32 version);
void PrepareDefaultCmdColl();
SKCab* GetDefaultCmdColl();

// Files the command under its key's text (null collection: the default),
// replacing a command of the same key; the collection takes it over. A
// command without a key, or with no collection to take it, is destroyed.
void CmdCollAddCommand(SKCab* collection, SKCab* command);
// The command filed under the key, lent; null when there is none. Only
// definitions answer: the collection's own entries and paths into a
// definition do not.
SKCab* CmdCollFindCommand(SKCab* collection, ASAtom key);
void CmdCollAddSupportedFeature(SKCab* collection, const char* name, const char* description);
// True when "_Features" holds a description under the name; *description
// (may be null) then gets it, owned by the collection.
ASBool CmdCollSupportsFeature(SKCab* collection, const char* name, const char** description);

// Runs the command's dialog on params. Returns params (edited) when accepted
// or when the command has no dialog; null when cancelled or when the dialog
// raised, params then being destroyed.
SKCab* CmdMgrRunUI(SKCab* command, SKCab* params);
// Runs the command's process on params (taken over). *result (may be null)
// receives the run's "Result" (the caller owns it, null when none);
// oldResult is copied into the run as "OldResult". With a controller the run
// is recorded in the command history when it succeeds. True when the run was
// not cancelled. A host exception from a callback passes out after the run
// is destroyed.
ASBool CmdMgrRunProcess(SKCab* command, SKCab* params, SKCab** result, SKCab* oldResult, SKCab* controller);
