// The run cabinet of a command's process, as its callbacks see it: the
// callback types, the source documents, the cancel mark and the page-range
// readers. The process manager that runs the callbacks is the frame's
// (frame/ProcMan.h, which lists the cabinet's keys); the engine's callbacks
// and the dialog framework's range controls read the cabinet through here.
#pragma once

#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

struct SKCab;

// Named-pointer types of the run cabinet.
#define kKPDDocType "KPDDoc"
#define kKAVDocType "KAVDoc"
#define kPDPageType "PDPage"
#define kProcManCallbackType "ProcManCallback"
#define kProcManBoolPropertyProcType "ProcManBoolPropertyProc"

// A process callback; failure is reported by marking the run cancelled.
typedef void (*ProcManCallback)(SKCab* run, SKCab* args);
// A computed property: the cabinet holding the property and an argument cabinet.
typedef ASBool (*ProcManBoolPropertyProc)(SKCab* holder, SKCab* args);

// Calls the "ProcManCallback" under key with (run, args), after putting
// "Callback" = the key's atom into args. False when there is none.
ASBool ProcManDoCallback(SKCab* run, SKCab* args, const char* key);
// A bool entry's value, or the answer of a "ProcManBoolPropertyProc" under
// the key called with (cab, args); false for anything else.
ASBool ProcManBoolProperty(SKCab* cab, const char* key, SKCab* args);
// Every callback reports failure through this; reason may be null.
void ProcManMarkCancelProcess(SKCab* run, const char* reason);
ASBool ProcManIsCancelled(SKCab* run);
ASBool ProcManShouldDisplayProgress(SKCab* run);
AVDoc ProcManGetSourceAVDoc(SKCab* run);
PDDoc ProcManGetSourcePDDoc(SKCab* run);
void ProcManCheckSourceChangeDoc(SKCab* run, AVDoc avDoc, PDDoc pdDoc);
ASInt32 ProcManGetNumPagesToDo(SKCab* run);
// Write the source into cab's "Params" when it has "Params:Source", else
// into cab itself.
void ProcManSetSourcePDDoc(SKCab* cab, PDDoc doc);
void ProcManSetSourceCurrentAVDoc(SKCab* cab);
void ProcManSetSourceNone(SKCab* cab);
// The front document when "Params:NewDoc" is true and one is open, else the source.
PDDoc ProcManGetTargetPDDoc(SKCab* run);

// Per-page result bookkeeping of a PerPage callback: "Result:FirstPage",
// "Result:DocPages" and "Result:CurrentPage" at the first page, then
// "Result:PagesProcessed".
void KVCommandProcessingPage(SKCab* run, SKCab* args);

// The 0-based page the view shows, or -1 (no view).
ASInt32 RunCabCurrentPageOfView(AVDoc view);
// v within the range of ASInt32.
ASInt32 ClampToInt32(ASInt64 v);

// *step is read as the default step. True when both ends resolved.
ASBool ResolveRangeForSubDoc(SKCab* cab, ASInt32* first, ASInt32* last, ASInt32* step, PDDoc doc);
// The 0-based page named under key; when it cannot be resolved: with raise
// the registered error "common.err.badpagenumber", without it -1.
ASInt32 GetSinglePageRangeElem(SKCab* cab, const char* key, PDDoc doc, ASBool raise);
// An absent entry gives defaultPage - 1 (defaultPage is 1-based). False when
// a string does not read.
ASBool ResolveSingleRangeElem(SKCab* cab, const char* key, ASInt32 defaultPage, ASInt32* page, PDDoc doc);
// "12" -> 11; "last", "letzte", "dernier", "última" (any case) -> count - 1,
// with " - n" after it -> count - 1 - n (never below 0).
ASBool ResolveSingleRangeElemString(const char* text, ASInt32* page, ASInt32 pageCount);
