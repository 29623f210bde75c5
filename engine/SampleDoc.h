// Sample documents of numbered pages for trying out impositions.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

// Numbers the windows of sample documents (only grows).
extern ASInt32 testDocumentNumber;

// The measure words of Japanese samples, in Shift-JIS.
extern const char japaneseInch[];
extern const char japanesePoints[];
extern const char japaneseMM[];

// A new document of count numbered pages of width x height points, each a
// grey panel with a heavy border and its number, with measured reference
// rectangles when withMeasures is set. *docOut gets the document (also after
// a cancel, with the pages made so far; also when a host error passes out).
// With openWindow it opens in a window numbered by testDocumentNumber. False
// for a count below 1 or an unusable size (nothing is made).
ASBool CreateTestFile(ASFixed width, ASFixed height, ASInt32 count, ASUns16 withMeasures, PDDoc* docOut,
                      ASUns16 openWindow, ASUns16 showStatus);
