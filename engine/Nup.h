// N-up layout: the pages of one document flow onto larger sheets, left to
// right and top to bottom, as many as fit.
//
// A planner (NupSpacingDummy) works out, without touching any document, how
// many sheets are needed, where every page goes and how large each sheet is;
// the dialogs run it alone for their live feedback. The performer
// (NupSpacingPerform) then builds the sheets through the page-merge engine:
// an optional background page, the placed pages with a bleed choke between
// neighbours, frames and crop marks. NupDoLayout runs the whole road into a
// new document or into the source document itself.
#pragma once

#include "engine/CropMarks.h"
#include "host/AS.h"
#include "host/ASProgress.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;
struct STemplateInfo;

// Where the block of placed pages sits on a sheet ("SheetAlign").
enum EWhatPageAlign : ASInt32 {
  kAlignBL = 0,
  kAlignBC = 1,
  kAlignBR = 2,
  kAlignTL = 3,
  kAlignTC = 4,
  kAlignTR = 5,
  kAlignL = 6,
  kAlignR = 7,
  kAlignC = 8
};

// The most gaps each gap list holds.
constexpr ASInt32 kNupMaxGaps = 30;

// The planner's record. Lengths are 16.16 points.
struct SNupSpacing {
  ASInt32 pageCount;  // pages to place (NupDoLayout sets the document's)
  ASFixed leftMargin;
  ASFixed rightMargin;
  ASFixed topMargin;
  ASFixed bottomMargin;
  ASFixed hGaps[kNupMaxGaps];  // gap after column k: entry k modulo hGapCount
  ASFixed vGaps[kNupMaxGaps];  // gap after row k: entry k modulo vGapCount
  ASInt32 hGapCount;           // 1..30
  ASInt32 vGapCount;
  double scale;     // applied to every page size
  double fitScale;  // the dialogs' fitting (not read here)
  ASInt32 maxAcross;  // 0: as many as fit
  ASInt32 maxDown;
  ASFixed sheetWidth;  // the sheet template's size
  ASFixed sheetHeight;
  STemplateInfo* sheetTemplate;  // null for none; not blank: a background file
  ASUns16 stepAndRepeat;         // always false here
  ASUns16 trim;                  // sheets cut to the area used
  ASUns16 cropMarks;
  ASUns16 frames;
  SCropMarkDesc* cropDesc;  // the caller's; the performer writes its omit mask
  // Results of the planner.
  ASInt32 sheetCount;
  ASUns16 somethingDidNotFit;  // a page larger than the sheet, or a count raised to 1
  double spare1;               // -1.0 after every planning pass
  double spare2;
  ASInt32 spare3;  // 0 after every planning pass
  ASInt32 spare4;
  ASInt32 fewestRows;  // over the sheets but the last
  ASInt32 mostRows;
  ASInt32 fewestAcross;  // over the rows but the last one of the last sheet
  ASInt32 mostAcross;
  ASInt32 fewestCopies;  // step and repeat: -1 after every planning pass
  ASInt32 mostCopies;
  ASInt32 totalCopies;
  ASInt32 extraRotation;  // the source's view rotation, for the merge engine
};

// The next number of an n-up document's window title.
extern ASInt32 imposedDocNumber;

// Pages larger than their place of the grid: the sheet inside its margins,
// less the first gaps, divided into maxAcross x maxDown places (a 0 counts
// as 1), against the page scaled by the layout's scale. The planner puts such
// a page where it fits, so the sheets after it hold fewer pages than the grid
// has places (two to a sheet of four, or one alone).
// Pages larger than the sheet inside its margins are counted apart: the
// planner gives each a sheet of its own, larger than the one asked for.
struct SNupLonePages {
  ASInt32 count = 0;   // 0: none (pages larger than the sheet not among them)
  ASInt32 first = -1;  // the first of them (page index)
  ASInt32 oversize = 0;        // pages larger than the sheet inside its margins
  ASInt32 firstOversize = -1;  // the first of them (page index)
  ASFixedPoint oversizeSize{0, 0};  // its size at the layout's scale
};
// Counts them over the layout's pages; none when the grid has one place only.
void NupCountLonePages(const SNupSpacing* spacing, const ASFixedPoint* pageSizes, SNupLonePages* lone);
// Only the pages larger than the sheet inside its margins, at the scale of
// spacing (the oversize fields of lone; the others are left alone).
void NupCountOversizePages(const SNupSpacing* spacing, const ASFixedPoint* pageSizes, SNupLonePages* lone);

// The whole layout of doc's pages into a new document (newDoc) or into doc.
// True when every page was placed; false when the user cancelled or a check
// refused (its message shown), with doc as it was and no new document.
// Failures travel as host exceptions, also with doc as it was. lone (may be
// null) gets the pages the layout put alone on a sheet for their size.
ASBool NupDoLayout(PDDoc doc, ASBool newDoc, SNupSpacing* spacing, SKCab* params, SNupLonePages* lone = nullptr);

// The planner over pageSizes (pageCount entries, scaled by the spacing).
// Any output may be null; with all null it only counts. Writes the result
// fields of spacing. params is not read.
void NupSpacingDummy(SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes, ASFixedPoint* sheetSizes,
                     ASFixedPoint* positions, ASInt32* sheetOfPage);

// Builds the sheets at the end of target from its pages 0..pageCount - 1,
// as the planner placed them; positions are moved by the alignment.
// sheetSizes may be null (template size). cancel may be null. False when
// cancelled: the sheets finished so far stay, the open one is discarded.
ASBool NupSpacingPerform(PDDoc target, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                         const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage,
                         ProgressMonitor monitor, void* monitorData, CancelProc cancel, void* cancelData);

// Into a new document opened in a window. False when the background check
// refuses or the user cancels: no document is left behind.
ASBool NupSpacingSimple(PDDoc source, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                        const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage);
// Into the source document, whose own pages are removed at the end. False
// when the background check refuses or the user cancels; a cancel or a
// failure leaves the document as it was (appended sheets and new stamps
// taken away).
ASBool NupSpacingSimpleInplace(PDDoc doc, SNupSpacing* spacing, SKCab* params, const ASFixedPoint* pageSizes,
                               const ASFixedPoint* sheetSizes, ASFixedPoint* positions, const ASInt32* sheetOfPage);

// Older parameters: "Align" "CentreAll" becomes "SheetAlign" "C"; "Align" goes.
void NupParamsAdjust(SKCab* params);
// The alignment of the front sheets ("SheetAlign", TL when missing).
EWhatPageAlign NupGetFrontAlignment(SKCab* params);
// The alignment of back sheets: the front one mirrored by
// "EvenMirrorHorizontal" and "EvenMirrorVertical".
EWhatPageAlign NupGetBackAlignment(SKCab* params);
// The words of "SheetAlign" (null-terminated).
const char* NupAlignWord(EWhatPageAlign align);

// False only in PDF/X mode when the background file's document refuses the check.
ASBool NupSpacingBackgroundOk(PDDoc doc, SNupSpacing* spacing);

// The words of "SheetAlign" and of the old "Align" (null for another key).
const SKCabEnumWord* NupParamWords(const char* key);
