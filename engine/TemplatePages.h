// Template pages: blank pages of a named size, or pages taken in turn from a
// background PDF whose last few pages repeat once its range is used up. The
// background document stays open in a one-entry cache for the plug-in's life.
// A template's pages are numbered by a sequence number from 0.
#pragma once

#include "engine/EngineImports.h"
#include "engine/InsertPages.h"
#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

extern ASErrorCode templateExceptionCannotUse;  // "imputil2.exception.cantopentemplate"
extern ASErrorCode templateExceptionRunOut;     // "imputil2.exception.templateexhaused"
extern ASErrorCode templateProtected;           // "imputil2.exception.templateprotected"
extern ASErrorCode templateXFA;                 // "imputil2.exception.templatexfa"

// What TemplateMaxPages answers for a template without an end.
constexpr ASInt32 kTemplateNoLimit = 0x70000000;

ASBool TemplatesAreIdentical(const STemplateInfo* a, const STemplateInfo* b);
ASInt32 TemplateMaxPages(const STemplateInfo* info);
// The page of the sequence number counted from the template's first page, or
// -1 for a blank template or one that ran out.
ASInt32 TemplateSequenceToZeroBasedPageOffset(const STemplateInfo* info, ASInt32 sequence);
// The template's open background document (null for a blank template or when
// the file cannot be opened; the failure is reported once when report is set).
PDDoc CachedTemplatePDDoc(STemplateInfo* info, ASBool report);
// Makes doc the cached background for path, closing the one cached before.
void AddPDDocToTemplateCache(const char* path, PDDoc doc);
// Closes the cached background (the plug-in's unload).
void TemplateCacheTerm();
// Width (h) and height (v) of the template's page of the sequence number;
// (0, 0) when it cannot be had.
ASFixedPoint TemplatePageSize(STemplateInfo* info, ASInt32 sequence, ASBool report);
// Every page of the template within one point of the first page's size.
ASBool TemplateAllSameSize(STemplateInfo* info, ASBool report);

// One template page after index after. Raises the template codes.
void InsertTemplatePageIntoDoc(PDDoc doc, ASInt32 after, STemplateInfo* info, ASInt32 sequence);
// count template pages from the sequence number firstSequence on, placed as
// InsertBlankPages places them.
ASBool InsertTemplatePages(AVPageView view, PDDoc doc, STemplateInfo* info, ASInt32 firstSequence, EInsertWhere where,
                           ASInt32 count, ASInt32 pageNum, ASBool useStatusProgress, ASBool showStatusText,
                           ASInt32* firstInserted);
