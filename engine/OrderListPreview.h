// Pictures of what an order list does, as PDF content-stream text for the
// shuffle dialogs' preview control: a grid of 24-unit cells per sheet on a
// 27-unit pitch, each naming the source page that lands there (or "X" for a
// blank), turned as the list turns it. Labels use the font resource "H" that
// the preview control supplies. Every drawing function appends to a caller's
// buffer of a given capacity and never writes past it.
#pragma once

#include "engine/OrderList.h"
#include "host/AS.h"

// A cursor over an order list (NewOrderListCellData; freed with ASfree).
struct SCellData {
  EOrderListType type;
  const char* listStart;  // the caller's text, which must outlive the cursor
  const char* readPos;
  ASInt32 groupSize;  // at least 1
  ASInt32 groupBase;  // the group the cursor is in, from 0
  ASInt32 tokenCount;
  ASInt32 pageCount;    // N
  ASInt32 paddedCount;  // N' = G * R
  ASInt32 groupCount;   // R
  ASUns16 finished;
};

SCellData* NewOrderListCellData(const char* list, ASInt32 groupSize, EOrderListType type, ASInt32 pageCount);
// The next cell: its label ("%ld" of the page, or "X"; 16 bytes are enough),
// the token's turn and the page (-1 for a blank). label and page may be null.
void NextOrderListCellInfo(SCellData* cells, char* label, EWhatRotate* rotate, ASInt32* page);
// Moves the cursor forward by a number of cells.
void OffsetOrderListCellData(SCellData* cells, ASInt32 count);

// Two sheets side by side, the first sheet asked for and the one after it.
void FormatOrderListDisplay(char* buffer, ASInt32 capacity, ASInt32* width, ASInt32* height, ASInt32* sheetCount,
                            const char* list, ASInt32 groupSize, EOrderListType type, ASInt32 pageCount,
                            ASInt32 columns, ASInt32 rows, ASInt32 firstSheet);
// The assistant's two sheets drawn from free cell texts, each turned by a
// quarter-turn value 0 to 3; stacked (second below... first on top) or side by side.
void FormatShuffleLiveSheets(char* buffer, ASInt32 capacity, ASInt32* width, ASInt32* height, const char* firstText,
                             const char* secondText, ASInt32 columns, ASInt32 rows, ASUns16 stacked,
                             EWhatRotate firstTurn, EWhatRotate secondTurn);

// Drawing pieces.
void FormatSheet(char* buffer, ASInt32 capacity, SCellData* cells, ASInt32 columns, ASInt32 rows, ASInt32 sheet);
void FormatLiveSheet(char* buffer, ASInt32 capacity, const char* text, ASInt32 columns, ASInt32 rows);
void Box(char* buffer, ASInt32 capacity, const char* label, EWhatRotate rotate, ASBool red);
void FrameCell(char* buffer, ASInt32 capacity, ASInt32 columns, ASInt32 rows);
void tr(char* buffer, ASInt32 capacity, ASInt32 x, ASInt32 y);
