// List models: rows of cells drawn by a list definition, selection, the top
// row and a vertical scroll bar.
//
// Cells hold bytes of any size; custom definitions keep records in them, so a
// cell that holds an address holds it pointer-sized. Rows and columns count
// from 0. A list lives in a window's local coordinates inside its view
// rectangle; its scroll bar stands to the right of the view.
#pragma once

#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;
typedef struct PfListRec* PfListRef;
typedef struct PfControlRec* PfControlRef;

struct PfCell {
  int32_t h;  // column
  int32_t v;  // row
};

// List definition messages.
enum : int16_t { kPfListInitMsg = 0, kPfListDrawMsg = 1, kPfListHiliteMsg = 2, kPfListCloseMsg = 3 };

typedef void (*PfListDefProc)(int16_t message, bool selected, const PfRect* cellRect, PfCell cell, int32_t dataOffset,
                              int32_t dataLength, PfListRef list);

// The standard definition: cell bytes drawn as text, selection inverted.
void PfLStandardDefinition(int16_t message, bool selected, const PfRect* cellRect, PfCell cell, int32_t dataOffset,
                           int32_t dataLength, PfListRef list);

// A list with `columns` columns and no rows. A cell size of 0 takes the
// view's width divided by the columns and the system font's line height.
// With a null definition the standard one draws cell bytes as text.
PfListRef PfLNew(const PfRect& view, int32_t columns, PfPoint cellSize, PfListDefProc definition, PfWindowRef window,
                 bool drawIt, bool hasGrow, bool scrollHoriz, bool scrollVert);
// Sends the close message to the definition first.
void PfLDispose(PfListRef list);
bool PfIsValidList(PfListRef list);
int32_t PfLiveListCount();
// Replaces the definition (no init or close message is sent).
void PfLSetDefinition(PfListRef list, PfListDefProc definition);
PfListDefProc PfLGetDefinition(PfListRef list);
PfWindowRef PfLGetWindow(PfListRef list);

// Inserts count rows before row (past the end appends); returns the first new row.
int32_t PfLAddRow(int32_t count, int32_t row, PfListRef list);
// count 0 deletes every row.
void PfLDelRow(int32_t count, int32_t row, PfListRef list);
int32_t PfLRowCount(PfListRef list);
int32_t PfLColumnCount(PfListRef list);

void PfLSetCell(const void* data, int32_t length, PfCell cell, PfListRef list);
// Copies at most *length bytes; *length receives the cell's size.
void PfLGetCell(void* buffer, int32_t* length, PfCell cell, PfListRef list);
int32_t PfLGetCellDataLength(PfCell cell, PfListRef list);
// The cell's bytes in place (valid until the cell changes), null when empty.
const uint8_t* PfLGetCellData(PfCell cell, PfListRef list);

void PfLSetSelect(bool select, PfCell cell, PfListRef list);
// Finds the first selected cell at or after *cell (next false: only *cell itself).
bool PfLGetSelect(bool next, PfCell* cell, PfListRef list);
bool PfLIsSelected(PfCell cell, PfListRef list);

// Scrolls by rows; the top row stays within 0..rows - visible rows.
void PfLScroll(int32_t columns, int32_t rows, PfListRef list);
int32_t PfLGetTopRow(PfListRef list);
int32_t PfLVisibleRowCount(PfListRef list);
void PfLGetView(PfListRef list, PfRect* view);
PfPoint PfLGetCellSize(PfListRef list);
// The cell's rectangle in the window (whether visible or not).
void PfLRect(PfRect* rect, PfCell cell, PfListRef list);
// The cell under a local point, false when none.
bool PfLCellAtPoint(PfPoint local, PfCell* cell, PfListRef list);
PfControlRef PfLGetVerticalScrollBar(PfListRef list);

void PfLSetDrawingMode(bool drawIt, PfListRef list);
bool PfLGetDrawingMode(PfListRef list);
// Draws the visible cells through the definition.
void PfLUpdate(PfListRef list);
void PfLDraw(PfCell cell, PfListRef list);

// Handles a click at a local point: the scroll bar scrolls; on a cell, a
// plain click selects only that cell, Command toggles it, Shift extends the
// selection from the last plain click. The next queued mouse-up ends the
// click. Returns true for a double click: a second click on the same cell
// within the double-click time.
bool PfLClick(PfPoint local, uint16_t modifiers, PfListRef list);
PfCell PfLLastClick(PfListRef list);

PfRefCon PfLGetRefCon(PfListRef list);
void PfLSetRefCon(PfRefCon refCon, PfListRef list);

// The lists of a window, in the order made.
int32_t PfCountWindowLists(PfWindowRef window);
PfListRef PfGetIndexedWindowList(PfWindowRef window, int32_t index);
