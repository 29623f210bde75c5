// Inserting template pages (pdftools/PageTemplate.h): blank pages of a named
// size, or pages taken in turn from a background PDF.
#pragma once

#include "engine/EngineImports.h"
#include "engine/InsertPages.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"
#include "pdftools/PageTemplate.h"

extern ASErrorCode templateExceptionCannotUse;  // "imputil2.exception.cantopentemplate"
extern ASErrorCode templateExceptionRunOut;     // "imputil2.exception.templateexhaused"
extern ASErrorCode templateProtected;           // "imputil2.exception.templateprotected"
extern ASErrorCode templateXFA;                 // "imputil2.exception.templatexfa"


// One template page after index after. Raises the template codes.
void InsertTemplatePageIntoDoc(PDDoc doc, ASInt32 after, STemplateInfo* info, ASInt32 sequence);
// count template pages from the sequence number firstSequence on, placed as
// InsertBlankPages places them.
ASBool InsertTemplatePages(AVPageView view, PDDoc doc, STemplateInfo* info, ASInt32 firstSequence, EInsertWhere where,
                           ASInt32 count, ASInt32 pageNum, ASBool useStatusProgress, ASBool showStatusText,
                           ASInt32* firstInserted);
