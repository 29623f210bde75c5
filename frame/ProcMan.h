// The process manager: runs one command's "Control" callbacks over a source
// document and page range, in the order Initialise, CheckSource, Start,
// PerPage for each selected page, Finish or Cancelled, Terminate. Progress
// and the user's cancel go through the status box. Everything about a run
// lives in its run cabinet:
//   "Control", "Params", "OldResult", "Result", "Source", "Dest";
//   "Source:SourceType" (Default, CurrentAVDoc, AVDoc, PDDoc, Link, None,
//   PlatformFileName), "Source:Source"; "Source:Range:RangeType" (AllDoc,
//   CurrentPage, SubDoc), ":From", ":To", ":For", ":Step", ":EvenOdd";
//   "ProcMan:AVDoc", "ProcMan:PDDoc", "ProcMan:FirstPageIgnoreEvenOdd",
//   "ProcMan:FirstPage", "ProcMan:PagesToDo", "ProcMan:Cancelled",
//   "ProcMan:CancelReason"; "Internal:PM", "Internal:PMData";
//   "Work:CommandListController", "Work:CommandListControllerToken";
//   "Result:FirstPage", "Result:DocPages", "Result:CurrentPage",
//   "Result:PagesProcessed".
// Page numbers in "ProcMan:" and "Result:" keys are 0-based; range keys are
// 1-based page numbers or words for the last page.
#pragma once

#include "frame/Imports.h"
#include "host/AS.h"
#include "host/PD.h"

struct SKCab;

// Named-pointer types of the run cabinet.
#define kKPDDocType "KPDDoc"
#define kKAVDocType "KAVDoc"
#define kPKSourceLinkType "PKSourceLink"
#define kPDPageType "PDPage"

// A source that is made or opened when first asked for.
struct SKSourceLink {
  PDDoc pdDoc;          // cached
  AVDoc avDoc;          // cached
  ASUns16 makeNewDoc;   // make a new empty document
  char* platformFileName;  // a file to open (host allocator), or null
  char* windowTitle;       // the title of the view (host allocator), or null
  ASUns32 titleCounter;    // non-zero: a number goes after the title
  ASUns16 noAVDoc;         // never open a view
};

void ProcManRunProcess(SKCab* run);
// Resolves the source, calls CheckSource and counts the range. Refused as
// parameter errors, before Start can run: a missing source document (unless
// "Control:Props:UIDoesntNeedAVDoc"), a first page below 1 or beyond the
// document, an int "To" below 1, a step below 1.
void ProcManPrepareSource(SKCab* run);
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

// Check bits of ProcManResolveRange.
enum : ASInt32 { kProcManCheckFirst = 1, kProcManCheckLast = 2 };
// first/last 0-based, step >= 1. Problems are parameter errors of the run.
void ProcManResolveRange(SKCab* run, ASInt32* first, ASInt32* last, ASInt32* step, ASInt32 checks);
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

// Shows the text and cancels the run with "pmint.err.prefix" and the text as reason.
void ParamError(SKCab* run, const char* text);
// The word formatted into the format (both cut to 99 bytes), then ParamError.
void ParamErrorString(SKCab* run, const char* format, const char* word);

// For engine callbacks: per-page result bookkeeping, and the current-page
// fix-up of a run that works on a document without a view. The latter
// answers 0 when it cancelled the run, else 1.
void KVCommandProcessingPage(SKCab* run, SKCab* args);
ASInt32 KVCommandCheckSource(SKCab* run, SKCab* args);

PDDoc KSourceLinkGetPDDoc(SKSourceLink* link);
AVDoc KSourceLinkGetAVDoc(SKSourceLink* link);
ASBool KSourceLinkCanHaveAVDoc(SKSourceLink* link);
