// The shuffle assistant: the user draws one printed sheet as a grid of cells
// holding the source page that lands there (and whether it is turned 180
// degrees); the assistant recognises the kind of imposition the grid shows
// and writes the matching shuffle rule ("Order", "GroupSize", "Type"). It
// also turns an existing rule back into a grid.
//
// The grid lives in the shuffle parameters: "PreviewRows" r, "PreviewCols" c,
// "PageCount", cells "0", "1", ... (page; 0 not given, -1 not a number),
// "E0", "E1", ... (turned), "Front90", "Back180", "RotateFront" (R0..R270).
#pragma once

#include <cstddef>
#include <string>

#include "engine/OrderList.h"
#include "host/AS.h"

struct SKCab;

// Kinds of imposition the classifier recognises (0: none).
enum EShuffleGridClass : ASInt32 {
  kGridClassNone = 0,
  kGridClassOneSide = 1,       // one pass, fronts only
  kGridClassTwoSides = 2,      // fronts and backs of all pages
  kGridClassTwoSidesLow = 3,   // fronts and backs, low pages only
  kGridClassFourPasses = 4,    // two sheets' worth, fronts and backs
  kGridClassSaddle = 5,        // saddle stitch, two passes
  kGridClassSaddleFour = 6,    // saddle stitch, four passes
  kGridClassCutStacks = 7,     // cut and stack, two pages per stack
  kGridClassNSided = 8         // folded sheets of N sides
};

// Runs the two steps on values; true when finished with Finish.
ASBool DisplayAssistantDialogSequence(SKCab* values, ASBool interactive);

// Rule to grid.
ASBool ShuffleRuleCouldConvertToAssistant(SKCab* values, ASInt32 rows, ASInt32 cols);
ASBool ShuffleRuleCouldConvertToAssistant2(SKCab* values, ASInt32* rows, ASInt32* cols);
ASBool ShuffleRuleConvertToAssistant(SKCab* values, SKCab* target, ASInt32 rows, ASInt32 cols, ASInt32 pageCount,
                                     ASInt32* pagesOut);
// The back side's turn (0 or 2) that the rule's first back row shows; ok
// cleared when neither fits.
ASInt32 ShuffleRuleGetBackRotate(const SOrderInfo* info, ASInt32 rows, ASInt32 cols, ASBool* ok);

// Grid to rule: classifies, asks about backs when the grid is mirrored, and
// puts "Type", "Order", "GroupSize" (and the list info) into target. With no
// message buffer a failure is shown as an error alert.
ASBool ShuffleAssistantConvertToRule(SKCab* values, SKCab* target, char* message, size_t size);
// The grid's class (0 with the reason in message) and the rule type it needs.
ASInt32 ClassifyInputWrapper(SKCab* values, EOrderListType* type, char* message, size_t size);
// The rule of a class into out (replaced) with its group size; false for a
// class it does not know ("Internal error: Bad rule!", group 4).
ASBool GenerateRule(SKCab* values, ASInt32 gridClass, std::string* out, ASInt32* groupSize, ASBool frontsOnly);

// The page in cell n as a front (or back) sheet position shows it, with the
// token's quarter turns; -1 when the cell is absent.
ASInt32 GetNthPageNumberAdj(SKCab* values, ASInt32 n, ASBool front, ASInt32* quarterTurns);

// The step-one checks of rows, columns and page count: 0 when they pass,
// else the key of the message that refuses them.
const char* ShuffleAssistantStep1Problem(ASInt32 rows, ASInt32 cols, ASInt32 pages);

// The front and back texts of the live preview (FormatShuffleLiveSheets).
void ShuffleAssistantLiveTexts(SKCab* values, std::string* front, std::string* back, ASInt32* frontTurn,
                               ASInt32* backTurn);
