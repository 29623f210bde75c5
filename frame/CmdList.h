// Command lists and the command history.
//
// A node is a cabinet whose "Category" atom names its kind. Containers hold
// their children under "0", "1", ... without gaps; leaves hold one command
// ("Command", "Params", "Result", "Provider", "Version", "Desc", "UIMode",
// "DoPrompt", "PromptText", "Ignore", "Requires"). The command-list
// controller is told of every run by the process manager and appends a
// history item to the target document when a run succeeds. A list can be
// checked against what the plug-in supports and replayed on a document.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

struct SKCab;

enum ECmdItemCategory : ASInt32 {
  kCmdItemInvalid = 0,
  kCmdItemHistoryItem = 1,     // "HistoryItem_V1": leaf
  kCmdItemHistoryList = 2,     // "HistoryList_V1": container
  kCmdItemCommandList = 3,     // "CommandList_V1": container
  kCmdItemOneCommand = 4,      // "OneCommand_V1": leaf
  kCmdItemCatCollection = 5,   // "KVCatCollection_V1": the named-action store
  kCmdItemCmdCollection = 6    // "KVCmdCollection_V1": one category of it
};

enum ECmdUIMode : ASInt32 { kCmdUIModeNone = 0, kCmdUIModeFull = 1, kCmdUIModeBatch = 2 };

ECmdItemCategory CmdListNodeCategory(SKCab* node);
const char* CmdItemCategoryWord(ECmdItemCategory category);
// Absent or unknown words count as None.
ECmdUIMode CmdUIModeFromAtom(ASAtom word);
const char* CmdUIModeWord(ECmdUIMode mode);

// ---- the controller

SKCab* NewCommandListController();
// Made at first use, kept for the plug-in's life.
SKCab* DefaultCommandListController();
void CommandListControllerSetCmdColl(SKCab* controller, SKCab* collection);
// Records copies of the command and params under a new token and links the
// controller into the run; returns the token.
ASInt32 CommandListControllerStartCommand(SKCab* controller, SKCab* command, SKCab* run, SKCab* params);
// Ends the run's token; the Ok end appends the history item to the target
// document. Both do nothing for a run no controller started.
void CommandListControllerEndCommandOk(SKCab* run);
void CommandListControllerEndCommandFail(SKCab* run);

// ---- walking, checking, replaying

// Answering false stops the walk.
typedef ASBool (*CmdListEnumProc)(ECmdItemCategory category, SKCab* node, ASInt32 index, void* clientData);
enum : ASInt32 {
  kCmdListVisitLeaves = 1,
  kCmdListVisitContainers = 2,
  kCmdListVisitOthers = 4,
  kCmdListFailOnOthers = 8
};
// Containers nested deeper than this are walked as invalid nodes.
constexpr ASInt32 kCmdListMaxDepth = 32;
ASBool EnumCommandListInner(SKCab* node, ASInt32 index, ASInt32 flags, CmdListEnumProc proc, void* clientData);

// Checks a "Requires" list against the default collection's features,
// reporting the first problem as an error.
ASBool FeaturesListChecker(const char* features);
ASBool VerifyCommandListUsable(void* unused, SKCab* list, SKCab* playControl);
ASBool CommandListVerifySomePlayableElements(SKCab* list, SKCab* playControl);
// Replays a list nested inside a running replay this deep are refused.
constexpr ASInt32 kCmdListMaxReplayNesting = 8;
ASBool ReplayCommandListOnPDDocInplace(SKCab* list, PDDoc doc, SKCab* playControl);
// The ".PlayControl" cabinet of params, made when missing (params own it).
SKCab* ParamsGetOrCreatePlayControl(SKCab* params);
SKCab* LookupCommandForListElement(SKCab* node);
// Raises a host exception whose text is the given one.
[[noreturn]] void CmdListError(const char* text);

