// Page templates: blank pages of a named size, or pages taken in turn from a
// background PDF whose last few pages repeat once its range is used up. The
// background document stays open in a one-entry cache for the plug-in's life.
// A template's pages are numbered by a sequence number from 0. The engine
// inserts them; the page-size element and its feedback line measure them.
#pragma once

#include "host/AS.h"
#include "host/ASFixed.h"
#include "host/PD.h"

// A sheet or template: a blank sheet of a size, or pages of a file.
struct STemplateInfo {
  char name[40];       // UTF-8, at most 39 bytes; empty for an unnamed size
  ASInt16 blank;       // 1 a blank sheet, 0 pages of a file
  ASFixed width;       // blank sheet size in points
  ASFixed height;
  const char* path;    // the file's device-independent path, UTF-8 of any length;
                       // an atom's text, so it lives as long as the host (null: none)
  ASInt32 from;        // first page, counted from 0
  ASInt32 to;          // last page, counted from 0
  ASInt32 repeat;      // how many of the last pages repeat once the range is used up
  ASInt16 failedToOpen;  // 0 when filled here; the engine sets it
};

// Sets the template's path to a lasting copy of the UTF-8 path (null or
// empty: none).
void TemplateInfoSetPath(STemplateInfo* templ, const char* path);

// What TemplateMaxPages answers for a template without an end.
constexpr ASInt32 kTemplateNoLimit = 0x70000000;

ASBool TemplatesAreIdentical(const STemplateInfo* a, const STemplateInfo* b);
ASInt32 TemplateMaxPages(const STemplateInfo* info);
// The page index of the sequence number in the background file, or -1. A
// repeat count larger than the range repeats the whole range.
ASInt64 TemplatePageIndex(const STemplateInfo* info, ASInt32 sequence);
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
