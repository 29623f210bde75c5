// Sample documents of numbered pages for trying out impositions, and three
// small services of the engine: the product texts new documents carry, the
// PDF version check of a source document, and mirroring a page alignment.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

// Numbers the windows of sample documents (only grows).
extern ASInt32 testDocumentNumber;

// The newest PDF version the engine works on without asking.
constexpr ASInt32 impositionCompatMajorVersion = 1;
constexpr ASInt32 impositionCompatMinorVersion = 7;

// The measure words of Japanese samples, in Shift-JIS.
extern const char japaneseInch[];
extern const char japanesePoints[];
extern const char japaneseMM[];

enum ECurrentProductString : ASInt32 {
  kProductShortName = 0,
  kProductMenuName = 1,
  kProductFullName = 2,
  kProductFullName2 = 3
};

// A new document of count numbered pages of width x height points, each a
// grey panel with a heavy border and its number, with measured reference
// rectangles when withMeasures is set. *docOut gets the document (also after
// a cancel, with the pages made so far; also when a host error passes out).
// With openWindow it opens in a window numbered by testDocumentNumber. False
// for a count below 1 or an unusable size (nothing is made).
ASBool CreateTestFile(ASFixed width, ASFixed height, ASInt32 count, ASUns16 withMeasures, PDDoc* docOut,
                      ASUns16 openWindow, ASUns16 showStatus);

// The product's name in one of its forms; "?" for other values. Owned by the
// engine for the plug-in's life.
const char* CurrentProductString(ASInt32 which);

// True when the engine may work on the document: PDF 1.7 or older, or the
// user agreed ("imputil1.confirm.toonew") when ask is set.
ASBool ImpositionCompatibleDocument(PDDoc doc, ASBool ask);

// Page alignments (0 BL, 1 BC, 2 BR, 3 TL, 4 TC, 5 TR, 6 L, 7 R, 8 C) swapped
// left-right and bottom-top.
extern const ASInt32 hPageAlignMirror[9];
extern const ASInt32 vPageAlignMirror[9];
// The alignment after the mirrorings asked for (left-right first); values
// outside 0..8 are returned as they are.
ASInt32 PossibleMirrorWhatPageAlign(ASInt32 alignment, ASBool mirrorLeftRight, ASBool mirrorTopBottom);
