// Order lists: a short text rule that reshuffles a document's pages. The
// document is cut into groups of G pages; for every group the list names, in
// output order, which page of the group (1 to G) comes next, optionally
// turned (suffix ">" 90 degrees clockwise, "*" 180, "<" 270), or a blank page
// ("x"). Tokens are separated by blanks (space, CR, LF) or a comma right after
// a token. The list type says how the slots of a group are gathered.
#pragma once

#include <cstddef>

#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

enum EWhatRotate : ASInt32 {
  kWhatRotateNone = 0,
  kWhatRotate90 = 1,   // ">"
  kWhatRotate180 = 2,  // "*"
  kWhatRotate270 = 3   // "<"
};

// Cabinet atom "Type": "Normal", "SaddleStitch", "CutStacksSingle",
// "CutStacksDouble", "CutSignatures".
enum EOrderListType : ASInt32 {
  kOrderListNormal = 0,         // group g takes the next G pages
  kOrderListSaddleStitch = 1,   // half from the front of what is left, half from the back
  kOrderListCutStacksSingle = 2,  // G stacks, one page from each
  kOrderListCutStacksDouble = 3,  // G/2 stacks, two pages from each
  kOrderListCutSignatures = 4     // G/4 stacks, four pages from each
};

// The parsed list (NewOrderInfo / DestroyOrderInfo; host allocator).
struct SOrderInfo {
  ASInt32 count;           // tokens
  ASInt32* pages;          // slot number per token, -1 for a blank
  EWhatRotate* rotations;  // per token
  EOrderListType type;
  ASInt32 groupSize;
  ASInt32* work;  // groupSize + 1 entries, for the caller's use (not filled)
};

// Room an error text of the tokenizer needs.
constexpr size_t kOrderListErrorSize = 256;
// The accepted group sizes.
constexpr ASInt32 kOrderListMaxGroup = 999;

// The words of "Type" (unknown or absent: Normal).
EOrderListType OrderListTypeFromCab(SKCab* params);

// Reads one token at *cursor and advances it. 1 for a token (page -1 for
// "x"); 0 at the end of the text (error empty) or on a syntax error (error,
// kOrderListErrorSize bytes, holds the message and the offending text).
// A page number too large for 32 bits reads as the largest one.
ASUns16 OrderListGetNextToken(const char** cursor, ASInt32* page, EWhatRotate* rotate, char* error);
// Reads the whole list, storing up to capacity tokens (rotations may be null);
// true when the list ended without a syntax error.
ASBool OrderListFillArray(const char* text, ASInt32* pages, EWhatRotate* rotations, ASInt32 capacity);

// From "Order", "GroupSize" (default 16) and "Type". Null when "Order" is
// absent, has a syntax error or no token, or the group size is above 999.
SOrderInfo* NewOrderInfo(SKCab* params);
void DestroyOrderInfo(SOrderInfo* info);

// 1 when the list may be run with the group size; shows its own alerts. With
// interactive set duplicated and lost pages are asked about, else refused.
ASUns16 OrderListVerify(const char* text, ASInt32 groupSize, ASUns16 interactive);
// True with the highest page number of the list when it describes a group of
// exactly that many pages and differs from "GroupSize".
ASBool OrderListHasBetterGroupSize(SKCab* params, ASInt32* betterSize);

// The 1-based source page of slot k (1..G) of group g (from 0) in a document
// padded to paddedCount pages: the one mapping that duplicates, test builds
// and previews read.
ASInt64 OrderListSlotSourcePage(EOrderListType type, ASInt64 g, ASInt64 k, ASInt64 groupSize, ASInt64 paddedCount);

// Adds the turn to the page's /Rotate.
void OrderListRotatePage(PDDoc doc, ASInt32 pageIndex, EWhatRotate rotate);

// Shuffles the document (the view's, when a view is given) or a new copy of
// it: 1 done, 0 cancelled or refused.
ASUns16 OrderListExecuteInner(AVDoc view, PDDoc doc, const char* text, ASInt32 groupSize, ASUns16 newDoc,
                              EOrderListType type);
// "Order", "NewDoc" (default false), "GroupSize" (default 16), "Type".
ASUns16 OrderListExecuteFromCab(AVDoc view, PDDoc doc, SKCab* params);

// The shuffle command's "Control:Start" callback.
ASInt32 ShuffleCallBackStart(SKCab* run, SKCab* args);
void ShuffleFillProcessControlCab(SKCab* control);

// The running number of shuffled documents' window titles (only grows).
extern ASInt32 gShuffledDocNumber;

// The words of "Type" (null for another key).
const SKCabEnumWord* OrderListParamWords(const char* key);
