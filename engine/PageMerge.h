// The page-merge engine: imposed sheets built from pages of one document.
//
// A sheet is opened on a target document, receives its placed pages
// (MergePage), raw content and marks in painting order, and is closed into a
// new page of the target with its merged resources, transparency group and a
// "KRVL_imposed_1" dictionary that records which page went where. One record
// serves a whole layout run, sheet after sheet; its temporary file holds the
// content of each sheet as one segment.
//
// Calling order: NewPageMergeInfo; per sheet PrepareForMergeToNewPage,
// SetDefaultPageMergeCompression, any number of MergePage /
// WriteStringToMergedPage / AddRegColour / mark calls, FinishMergeToNewPage;
// DestroyPageMergeInfo. Calls out of that order raise
// pageMergeExceptionWrongState and change nothing.
#pragma once

#include "engine/EnginePrefs.h"
#include "host/ASProgress.h"
#include "host/Cos.h"
#include "host/PD.h"

struct SKCab;
struct SMergeResourceInfo;
struct SGenFileInfo;

// The record's states.
enum : ASInt32 { kPageMergeIdle = 42, kPageMergeSheetOpen = 84 };

// Room for the engine's own output before it goes to the temporary file:
// most statements are a few bytes long.
constexpr ASInt32 kPageMergePendingSize = 16384;

struct SPageMergeInfo {
  ASInt32 state;                 // kPageMergeIdle or kPageMergeSheetOpen
  SMergeResourceInfo* merge;     // resources of the open sheet (or of the form being written)
  PDDoc targetDoc;
  SGenFileInfo* contentStream;   // receives the sheet's (or the form's) content
  ASFile contentFile;            // the file of that stream, through which all text goes
  ASInt32 qDepth;                // q minus Q of the page being placed
  ASBool writingForm;            // a placed page is being written into a form XObject
  ASFile savedContentFile;       // the sheet's own three, parked while a form is written
  SGenFileInfo* savedContentStream;
  SMergeResourceInfo* savedMerge;
  ASBool directPlacement;        // a page was placed directly (never cleared)
  ASBool groupSeen;
  ASBool groupMissing;
  ASBool groupsAgree;
  CosObj sheetGroup;             // "Group" of the sheet's first placed page that has one
  CosObj impositionDict;         // one page-info entry per placed page
  ASBool compress;
  CosObj compressionDict;        // << /Filter /FlateDecode >> while compress is set
  ProgressMonitor monitor;
  void* monitorData;
  ASBool bleedChokeSet;          // applies to the next MergePage only
  ASFixedRect bleedChoke;        // amounts in points (left, top, right, bottom)
  EFieldsWhich annotMode;
  ASInt32 extraRotation;         // 0, 90, 180 or 270
  ASBool tr2Seen;                // a copied "Tr" had the operand 2 (never cleared)
  ASBool tr2FixMode;
  // The marks of the open sheet (crop marks and their like): whether any
  // were drawn, and the box round their lines.
  ASBool marksDrawn;
  ASFixedRect marksBox;
  // Over the run: the sheets finished, those whose marks reach beyond their
  // media box, the first of those (from 0, in the order finished) and the
  // most by which marks reach beyond a sheet's edge.
  ASInt32 sheetsFinished;
  ASInt32 sheetsWithMarksOff;
  ASInt32 firstSheetWithMarksOff;
  ASFixed marksOverhang;
  // Output not yet in the file.
  ASInt32 pendingUsed;
  char pending[kPageMergePendingSize];
};

// The engine's errors (0 until registered by the first NewPageMergeInfo or
// the first state check).
extern ASErrorCode pageMergeExceptionWrongState;
extern ASErrorCode pageMergeExceptionNegativePage;
extern ASErrorCode pageMergeExceptionBigPage;
// Registers the three codes when that has not happened yet.
void PageMergeRegisterErrors();

// ---- life cycle ------------------------------------------------------------------

SPageMergeInfo* NewPageMergeInfo();
// Null is ignored. Ends any form writing and lets go of whatever a failed
// sheet left behind.
void DestroyPageMergeInfo(SPageMergeInfo* info);

// Settings for the next MergePage or FinishMergeToNewPage (any state).
void PageMergeSetProgressMonitor(SPageMergeInfo* info, ProgressMonitor monitor, void* clientData);
void PageMergeSetAnnotMerge(SPageMergeInfo* info, EFieldsWhich which);
void PageMergeSet2TrFixMode(SPageMergeInfo* info, ASBool on);
// 0, 90, 180 and 270 are stored; anything else leaves the old value.
void PageMergeSetExtraRotation(SPageMergeInfo* info, ASInt32 degrees);

void PrepareForMergeToNewPage(SPageMergeInfo* info, PDDoc target);
// Flate compression of the open sheet's content (and its forms).
void PageMergeSetZipCompression(SPageMergeInfo* info);
// What the layouts use: zip compression. Call after each PrepareForMergeToNewPage.
void SetDefaultPageMergeCompression(SPageMergeInfo* info);
// Limits the next MergePage's clip to the trim box grown by the amounts
// (points; a negative amount leaves that side at the bleed box).
void SetMergePageBleedChoke(SPageMergeInfo* info, ASFixedRect choke);

// Places page pageIndex of the target on the open sheet with the matrix.
// With a null clip the page's trim corner lands at the matrix's translation
// and the page is clipped to its bleed box (choked); a clip given is used as
// it is, in the page's own coordinates. With an output cabinet, "PageID" and
// "KRVL_ImposeTime" are put into it. A placement that fails leaves the sheet
// as it was before the call (its content rolled back) and raises.
void MergePage(SPageMergeInfo* info, ASInt32 pageIndex, ASFixedMatrix matrix, ASFixedRect* clip, SKCab* output);

// Appends the text to the open sheet's content as it is.
void WriteStringToMergedPage(SPageMergeInfo* info, const char* text);
// Writes the colour of marks inside "KRVL_regink" marked content; 3 is the
// system default gRegistrationColour.
void AddRegColour(SPageMergeInfo* info, ERegColour colour, ASBool stroke);

// Makes the sheet a page of the target after page index after; notes the
// sheet in the run's count of sheets whose marks reach beyond mediaBox.
void FinishMergeToNewPage(SPageMergeInfo* info, ASInt32 after, ASFixedRect mediaBox);
// Widens the open sheet's box of marks to hold the point (sheet coordinates).
void PageMergeNoteMark(SPageMergeInfo* info, ASFixed x, ASFixed y);

// ---- accessors ---------------------------------------------------------------------

// Both need an open sheet. While a form XObject is written the merge record
// is the form's.
PDDoc PageMergeGetTargetPDDoc(SPageMergeInfo* info);
SMergeResourceInfo* PageMergeGetMergeResourceInfo(SPageMergeInfo* info);

// Sets the system default registration colour; returns the previous one.
// kRegColourUsePrefs leaves it as it is.
ERegColour SetRegColour(ERegColour colour);

// Puts the sheet's own stream, file and merge record back when a form
// XObject is being written; otherwise nothing.
void TerminateWritingFormXObject(SPageMergeInfo* info);

// Puts a page-info dictionary for the placed page under pageID: a copy of the
// page dictionary without its content, tree links, annotations and
// resources, with the inheritable entries it would show, the time stamp, the
// computer's and the user's name.
void AddPageInfoToImpositionDict(CosObj impositionDict, ASAtom pageID, CosObj timeStamp, CosObj pageDict);

// ---- page utilities -------------------------------------------------------------------

// Removes trim and bleed from pages first..last (negative first: 0; negative
// last: the last page). Pages with real bleed lose it only after the user
// agreed, once per call (not at all asked with prompt 0 or *alreadyPrompted
// set). Returns 0 when the user refused, 1 otherwise.
ASBool RemoveAnyBleed(PDDoc doc, ASInt32 first, ASInt32 last, ASBool prompt, ASBool* alreadyPrompted);
// Puts the text in front of the page's content as a stream of its own.
void PrefixPageContents(PDPage page, const char* text);
// The page's own "Resources" has a "Pattern" dictionary.
ASBool PageHasPatterns(PDPage page);

// ---- placement decisions ---------------------------------------------------------------

// True when the page is better placed as a form XObject: patterns, a
// transparency group (unless ignoreGroup), more than 50 XObjects, or a
// Default colour space that clashes with the sheet's (ResourceClash).
ASBool PageNeedsFormXObject(PDPage page, CosObj* sheetResources, ASBool pageOnlyDefaultClashes, ASBool ignoreGroup);
// Whether the colour spaces' entries under key clash: both hold it and the
// values differ; only the sheet holds it; only the page does and pageOnly
// is set.
ASBool ResourceClash(CosObj pageSpaces, CosObj sheetSpaces, ASAtom key, ASBool pageOnlyClashes);
