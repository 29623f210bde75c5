// Inserting pages into a document or a new document: blank pages of a given
// or borrowed size, template pages for a named size, and pages of another PDF
// file with copies, collated or not; placed relative to the current page, the
// start or end, or a given page, and limited by a condition on the page count.
#pragma once

#include "host/AS.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"

struct SKCab;
struct SKCabEnumWord;

// "Where" of the parameter cabinet (default BeforeCur).
enum EInsertWhere : ASInt32 {
  kInsertBeforeCur = 0,
  kInsertAfterCur = 1,
  kInsertAtStart = 2,
  kInsertAtEnd = 3,
  kInsertNewDoc = 4,
  kInsertAfterNum = 5
};

// The limit that means none.
constexpr ASInt32 kInsertNoLimit = 2000000000;
// The most pages one insertion makes; larger requests are refused.
constexpr ASInt32 kInsertMaxPages = 100000;

// Numbers the windows of new documents made by the insertions (only grows).
extern ASInt32 newDocumentNumber;

extern ASErrorCode impUtil1ExceptionNoFile;      // "common.err.nofile"
extern ASErrorCode impUtil1ExceptionCannotOpen;  // "cmd.list.3.a.6"
// Registers both codes on first use.
void SetupExceptions();

// The enumeration words of "Where".
EInsertWhere InsertWhereFromCab(SKCab* params);

// The 0-based index of the page after which new pages go (-1: before the
// first). view may be null (batch work): the current-page positions then give -1.
ASInt32 InsertWhereToPageNumBeforeEx(AVPageView view, PDDoc doc, EInsertWhere where, ASInt32 pageNum);

// True when new pages may go after index after of doc (-1: before the first
// page); false otherwise, said to the user when PageNum named a page beyond
// the document.
ASBool InsertPlaceExists(PDDoc doc, EInsertWhere where, ASInt32 after);

// The most pages that may be inserted into a document of pageCount pages by
// the condition keys of params ("Condition", "ConditionRelation",
// "ConditionNumber"); kInsertNoLimit for none.
ASInt32 InsertPageConditionGetMaxToInsert(SKCab* params, ASInt32 pageCount);

// count blank pages of width x height points (or of the media box of the
// reference page dictionary refPage, whose other boxes and rotation they
// then copy; a null object for none). Without a document the pages go into a
// new one, opened in a window. True when all pages were inserted; false when
// cancelled or refused. *firstInserted (may be null) gets the index of the
// first new page.
ASBool InsertBlankPages(AVPageView view, PDDoc doc, ASFixed width, ASFixed height, CosObj refPage, EInsertWhere where,
                        ASInt32 count, ASInt32 pageNum, ASBool showStatus, ASInt32* firstInserted);
// The blank-page command's parameters ("Count", "Where", "PageNum",
// "WhatSize", "Page", "SizeAsPage", "Offset" and the condition keys).
ASBool InsertBlankPagesFromCab(AVPageView view, PDDoc doc, SKCab* params, ASBool showStatus, ASInt32* firstInserted,
                               ASInt32* count);

// Pages of the file that params names ("Path" or "DIPath", "Range",
// "FromPage", "ToPage", "Copies", "Collate", condition keys) after index
// after. *insertedCount (may be null) gets the pages the document gained.
// Raises impUtil1ExceptionNoFile when params name no file.
ASBool InsertFilePages(PDDoc doc, ASInt32 after, SKCab* params, ASBool showStatus, ASInt32* insertedCount);
ASBool InsertFilePagesFromCab(AVPageView view, PDDoc doc, SKCab* params, ASBool showStatus, ASInt32* firstInserted,
                              ASInt32* insertedCount);

// A new empty document for inserted pages: PDF/X metadata adjusted and the
// product as its creator.
PDDoc NewInsertDocument();

// The words of "Where", "Condition", "ConditionRelation" and "WhatSize" (null
// for another key).
const SKCabEnumWord* InsertPagesParamWords(const char* key);
