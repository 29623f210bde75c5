// The process manager: runs one command's "Control" callbacks over a source
// document and page range, in the order Initialise, CheckSource, Start,
// PerPage for each selected page, Finish or Cancelled, Terminate. The run
// cabinet's accessors and range readers are foundation/RunCab.h. Progress
// and the user's cancel go through the status box. Everything about a run
// lives in its run cabinet:
//   "Control", "Params", "OldResult", "Result", "Source", "Dest";
//   "Source:SourceType" (Default, CurrentAVDoc, AVDoc, PDDoc, Link, None,
//   PlatformFileName), "Source:Source"; "Source:Range:RangeType" (AllDoc,
//   CurrentPage, SubDoc), ":From", ":To", ":For", ":Step", ":EvenOdd";
//   "ProcMan:AVDoc", "ProcMan:PDDoc", "ProcMan:FirstPageIgnoreEvenOdd",
//   "ProcMan:FirstPage", "ProcMan:PagesToDo", "ProcMan:Cancelled",
//   "ProcMan:CancelReason", "ProcMan:GivenPDDoc" (the source before the
//   command's own source step); "Internal:PM", "Internal:PMData";
//   "Work:CommandListController", "Work:CommandListControllerToken";
//   "Result:FirstPage", "Result:DocPages", "Result:CurrentPage",
//   "Result:PagesProcessed".
// Page numbers in "ProcMan:" and "Result:" keys are 0-based; range keys are
// 1-based page numbers or words for the last page.
#pragma once

#include "foundation/RunCab.h"
#include "frame/Imports.h"
#include "host/AS.h"
#include "host/PD.h"

struct SKCab;

// Named-pointer type of a source link in the run cabinet.
#define kPKSourceLinkType "PKSourceLink"


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
// The source documents of the runs completed since the last call that put
// their result into a new window (a trim made into a new document, then a
// booklet of it): their pages went on into that window. Returns how many;
// the first max of them are written to docs.
ASInt32 ProcManTakePassedOn(PDDoc* docs, ASInt32 max);
// Resolves the source, calls CheckSource and counts the range. Refused as
// parameter errors, before Start can run: a missing source document (unless
// "Control:Props:UIDoesntNeedAVDoc"), a first page below 1 or beyond the
// document, an int "To" below 1, a step below 1.
void ProcManPrepareSource(SKCab* run);

// Check bits of ProcManResolveRange.
enum : ASInt32 { kProcManCheckFirst = 1, kProcManCheckLast = 2 };
// first/last 0-based, step >= 1. Problems are parameter errors of the run.
void ProcManResolveRange(SKCab* run, ASInt32* first, ASInt32* last, ASInt32* step, ASInt32 checks);

// Shows the text and cancels the run with "pmint.err.prefix" and the text as reason.
void ParamError(SKCab* run, const char* text);
// The word formatted into the format (both cut to 99 bytes), then ParamError.
void ParamErrorString(SKCab* run, const char* format, const char* word);


PDDoc KSourceLinkGetPDDoc(SKSourceLink* link);
AVDoc KSourceLinkGetAVDoc(SKSourceLink* link);
ASBool KSourceLinkCanHaveAVDoc(SKSourceLink* link);
