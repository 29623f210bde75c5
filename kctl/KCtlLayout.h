// The KCtl layout: measures every element with the platform's text metrics,
// flows the elements of each container into rows, gathers consecutive push
// buttons into button rows in the platform's order, and searches for a
// dialog width that gives a pleasant shape. Results go into each element's
// run-time record (x, y, w, h, relative to the window's content) and into the
// run's laid-out width and height; the window is 20 larger each way.
#pragma once

#include "kctl/KCtl.h"

// What the platform reports about one measured element. The first ten
// fields come in the platform's order; the layout reads the gaps between
// elements and rows, the insets of containers and the row offsets from here.
struct SKCtlSizeInfo {
  ASInt32 textLeft;     // where the text starts; a container's left inset
  ASInt32 padRight;     // a container's right inset
  ASInt32 padTop;
  ASInt32 contentTop;   // where a container's children start (the height when it has none)
  ASInt32 gapLeft;
  ASInt32 gapRight;     // room to the next element of the row
  ASInt32 rowDrop;      // with 0x10 and without 0x40: how much lower the followers start
  ASInt32 gapAbove;
  ASInt32 gapBelow;     // room to the next row
  ASInt32 baseline;
  ASInt32 padBottom;    // a container's bottom inset
};

// Origin of the root list and the window margin on each side.
constexpr ASInt32 kKCtlLayoutOrigin = 10;
constexpr ASInt32 kKCtlStartWidth = 300;
constexpr ASInt32 kKCtlWidenStep = 100;

// Lays the description out unless its sizes are valid and force is false.
// width > 0 is the start width (a lower bound of the result).
void KCtlDialogSizeCalculations(SKCtlData* data, ASBool force, ASInt32 width);

// Lays out a sibling list from first inside a container whose content box
// starts at (x, y) and is maxWidth wide; minHeight > 0 anchors elements with
// kKCtlFlagBottom to it. *width is the right edge of the widest row and
// *height the bottom of the last row, both relative to (x, y).
void KCtlGetElemListSize(SKCtlData* data, SKCtlElem* first, ASInt32 x, ASInt32 y, ASInt32 maxWidth,
                         ASInt32 minHeight, ASInt32* width, ASInt32* height);

// One element's natural size at the width limit (forced sizes applied).
void KCtlGetElemSize(SKCtlData* data, SKCtlElem* element, ASInt32* width, ASInt32* height, ASInt32 maxWidth,
                     ASInt32 x, ASInt32 y, SKCtlSizeInfo* sizeInfo);
// As the platform measures the element with this text (null: its own text),
// honouring a leading size escape.
void KCtlGetElemSizeWithEscapeHandling(SKCtlData* data, SKCtlElem* element, const char* text, ASInt32* width,
                                       ASInt32* height, ASInt32 maxWidth, ASInt32 x, ASInt32 y,
                                       SKCtlSizeInfo* sizeInfo);
// The largest item of the element's item list, measured as the element.
void KCtlGetElemItemListSizeEnum(SKCtlData* data, SKCtlElem* element, ASInt32 maxWidth, ASInt32* width,
                                 ASInt32* height);

// The text after a valid size escape, else the text itself.
const char* KCtlGetUnescapedString(const char* text);

// Button rows. buttons are in display order (already shuffled).
void KCtlLayoutButtonRowFromArray(SKCtlData* data, SKCtlElem** buttons, ASInt32 count, ASInt32 x, ASInt32 y,
                                  ASInt32 maxWidth, ASInt32* height, ASInt32* width, ASBool* tooNarrow);
// Places the buttons left to right with the gap, right-aligned in maxWidth,
// each at fixedWidth when it is above 0 (forced widths are kept); returns the
// row's height.
ASInt32 KCtlLayoutButtonRowWithSpacing(SKCtlData* data, SKCtlElem** buttons, ASInt32 count, ASInt32 x, ASInt32 y,
                                       ASInt32 maxWidth, ASInt32 fixedWidth, ASInt32 gap);

// Shortens text in place at position, putting insert there, until the element
// measured with it fits within maxWidth (strictly narrower) and maxHeight, or
// with maxHeight -1 within maxWidth on one line. 0 takes the element's live
// size. True when the text was shortened. The result is never longer than the
// text was, and characters are removed whole.
ASBool KCtlTrimTextToFit(SMacDialogInfo* dialog, SKCtlElem* element, char* text, const char* insert,
                         ASInt32 position, ASInt32 maxWidth, ASInt32 maxHeight);
// The same for a run's data (the running dialog may be null when no size is 0).
ASBool KCtlTrimTextToFitData(SKCtlData* data, SMacDialogInfo* dialog, SKCtlElem* element, char* text,
                             const char* insert, ASInt32 position, ASInt32 maxWidth, ASInt32 maxHeight);
// Trims after the first path component.
ASBool KCtlTrimTextToFitFileName(SMacDialogInfo* dialog, SKCtlElem* element, char* text, const char* insert,
                                 ASInt32 maxWidth, ASInt32 maxHeight);
// Where KCtlTrimTextToFitFileName trims: after the first "/" or "\" (the
// second backslash of a leading pair), 0 when there is neither.
ASInt32 KCtlFileNameTrimPosition(const char* text);
