// Reordering whole documents for printing on both sides: splitting into odd
// and even pages, merging an odd and an even document, odd pages before even
// ones, turning and reversing the even pages, and reversing runs of pages.
#pragma once

#include "foundation/KCab.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

// Cabinet atom "Action": "No", "OddsFirst", "Split", "Merge" (unknown or absent: No).
enum EEvenOddAction : ASInt32 { kEvenOddNo = 0, kEvenOddOddsFirst = 1, kEvenOddSplit = 2, kEvenOddMerge = 3 };
// The "Action" words of the parameters, for KCabEkAtomToEnumTable.
extern const SKCabEnumWord kEvenOddActionWords[];

// One request; allocated zeroed and freed by the caller.
struct SEvenOddShuffleInfo {
  ASInt32 action;
  ASUns16 newDoc;        // work on a copy opened in a new window
  ASUns16 flipEvens;     // turn every even page by 180 degrees
  ASUns16 reverseEvens;  // reverse the order of the even pages
  AVDoc sourceView;      // the document; for Merge the odd one
  AVDoc evenView;        // for Merge, the even document
  AVDoc resultView;      // out: the result (for Split, the odd pages)
  AVDoc secondResultView;  // out: for Split, the even pages
};

// Page-walker callback: turns the page by 180 degrees. Always true.
ASBool InvertOnePage(PDPage page, void* data);
// Reverses pages first, first + step, ... against last, last - step, ...;
// 1 when done, 0 when cancelled in the status box.
ASUns16 PDDocReversePageRun(PDDoc doc, ASInt32 first, ASInt32 last, ASInt32 step);
ASUns16 ReverseEntireDocument(PDDoc doc);
// A reversed copy in a new window.
ASUns16 CopyAndReverseEntireDocument(PDDoc doc);
// Moves pages 2, 4, 6, ... (1-based) behind all odd pages, keeping both orders.
ASUns16 PDDocEvenPagesToEnd(PDDoc doc);
ASUns16 PerformEvenOddShuffle(SEvenOddShuffleInfo* info);
// "Action", "NewDoc", "ReverseEven", "FlipEven", "OddAVDoc", "EvenAVDoc".
ASUns16 PerformEvenOddShuffleFromCab(AVDoc view, PDDoc doc, SKCab* params);
// The even/odd command's "Control:Start" callback.
ASInt32 EvenOddShuffleCallBackStart(SKCab* run, SKCab* args);
void EvenOddShuffleFillProcessControlCab(SKCab* control);

// Running numbers of window titles (each only grows).
extern ASInt32 gEvenOddShuffledNumber;
extern ASInt32 gJoinedDocNumber;
extern ASInt32 gReversedDocNumber;

// The words of "Action" (null for another key).
const SKCabEnumWord* EvenOddParamWords(const char* key);
