// Booklets: two pages side by side on each side of a sheet twice as wide,
// in consecutive, saddle-stitch, signature or cut-stack order, with the
// backs inline, turned, after the fronts or in a document of their own.
#pragma once

#include "engine/CropMarks.h"
#include "engine/EnginePrefs.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

// "Sizing": "Sufficient", "LetterWide", "A4Wide", "Custom".
enum ESimpleBookletPageSize : ASInt32 {
  kBookletSufficient = 0,
  kBookletLetterWide = 1,
  kBookletA4Wide = 2,
  kBookletCustom = 3
};
// "Paginate": "Consec", "Single", "Multiple", "CutStacks".
enum ESimpleBookletPagination : ASInt32 {
  kBookletConsec = 0,
  kBookletSingle = 1,
  kBookletMultiple = 2,
  kBookletCutStacks = 3
};
// "Backs": "Inline", "InlineInvert", "After", "AfterReverse", "Separate", "SeparateReverse".
enum ESimpleBookletBacks : ASInt32 {
  kBookletInline = 0,
  kBookletInlineInvert = 1,
  kBookletAfter = 2,
  kBookletAfterReverse = 3,
  kBookletSeparate = 4,
  kBookletSeparateReverse = 5
};
// "Align": "CentrePages", "CentreSpine", "BottomLeft".
enum ESimpleBookletAlign : ASInt32 { kBookletCentrePages = 0, kBookletCentreSpine = 1, kBookletBottomLeft = 2 };

// The words of the enumerations (tables closed by a null word; unknown atoms are 0).
ESimpleBookletPageSize BookletSizingFromAtom(ASAtom word);
ESimpleBookletPagination BookletPaginationFromAtom(ASAtom word);
ESimpleBookletBacks BookletBacksFromAtom(ASAtom word);
ESimpleBookletAlign BookletAlignFromAtom(ASAtom word);
const char* BookletSizingWord(ESimpleBookletPageSize v);
const char* BookletPaginationWord(ESimpleBookletPagination v);
const char* BookletBacksWord(ESimpleBookletBacks v);
const char* BookletAlignWord(ESimpleBookletAlign v);

// The running number in the titles of new booklet documents.
extern ASInt32 newBookletNumber;

// The booklet command's "Control:Start" callback.
void BookletFillProcessControlCab(SKCab* control);
ASInt32 BookletCallBackStart(SKCab* run, SKCab* args);

// The booklet the parameters describe, with the bleed check and the
// per-imposition preferences round it; true when it was made.
ASBool SimpleBookletFromCab(PDDoc doc, SKCab* params, ASBool withStatus);

// pageSize null: the largest trim size of the document's pages; sheetSize
// is read for Custom only; flag is "SingleSided" for CutStacks and
// "AddBlanks" otherwise; scale 0.0 fits the pages; crop null: no marks.
// True when the booklet was made (in a new document, or in place).
ASBool SimpleBooklet2(PDDoc doc, ESimpleBookletPageSize sizing, const ASFixedPoint* pageSize,
                      const ASFixedPoint* sheetSize, ESimpleBookletPagination pagination, ESimpleBookletBacks backs,
                      ESimpleBookletAlign align, ASInt32 pagesPerSig, ASBool flag, double scale, ASFixed margin,
                      EFieldsWhich fields, const SCropMarkDesc* crop, ASBool withStatus, ASBool newDoc);

// Pages are padded with blanks to a multiple of this.
ASInt32 BookletPaddingMultiple(ESimpleBookletPagination pagination, ESimpleBookletBacks backs, ASInt32 pagesPerSig,
                               ASBool flag);
// A usable signature size: a multiple of 4, at least 4.
ASInt32 BookletSignatureSize(ASInt32 pagesPerSig);
// The 0-based source page of 0-based output slot (2j: left half of output
// side j, 2j + 1: its right half) when the padded document has n pages.
ASInt32 MapPageNumber(ASInt32 slot, ESimpleBookletPagination pagination, ESimpleBookletBacks backs, ASInt32 pagesPerSig,
                      ASBool singleSided, ASInt32 n);

// The words of "Sizing", "Paginate", "Backs" and "Align" (null for another key).
const SKCabEnumWord* BookletParamWords(const char* key);
