// Provenance stamps: every page copied from one document into another
// carries, under "KRVL_pageid", where it came from.
//
// The stamp is a direct dictionary in the page: "I" the source document's
// information dictionary (cloned into the page's document), "F" the source
// file's device-independent path, or its name alone with the platform's fixed
// names (an indirect string; the anonymous-file text for unsaved and
// temporary sources), "D" the time of stamping as a PDF date, "P" the page's
// number in the source, and "Prev" the stamp the page carried before.
//
// PDDocInsertAndStampPages is the one call through which pages move between
// documents: insertion with structure-tree recovery, stamps on the new pages,
// and the source's command history carried into an empty target.
#pragma once

#include "host/ASProgress.h"
#include "host/PD.h"

// What all stamps of one copy operation share. The cache part belongs to the
// document being stamped and is refilled when another document's page is
// stamped, so the Info clone and the "F" string are made once per target.
struct SStampPageDocInfo {
  PDDoc sourceDoc;
  CosDoc sourceCosDoc;
  CosObj sourceInfo;
  char* path;  // the source file's device-independent path (host allocator), or null
  ASInt32 pathLength;
  PDDoc targetDoc;  // null until the first stamp
  CosDoc targetCosDoc;
  CosObj targetInfo;
  CosObj targetFile;
};

// Raises when memory is short.
SStampPageDocInfo* CreateStampPageDocInfo(PDDoc doc);
// Frees the record and its path text (null accepted).
void DestroyStampPageDocInfo(SStampPageDocInfo* info);

// Stamps the page as page (its number + offset) of the record's source (a
// record made from the page's own document when info is null). An existing
// stamp is kept unless replace is set; with checkSource a record without a
// source, or with a temporary source, stamps nothing.
void StampPage(PDPage page, SStampPageDocInfo* info, ASInt32 offset, ASBool replace, ASBool checkSource);

// Whether the page carries a stamp; taking it away again (work that stamped
// the page is being undone).
ASBool PageHasStamp(PDPage page);
void RemovePageStamp(PDPage page);

// Stamps pages first..first + count - 1 of doc with progress (monitor may be
// null) and cancel (null: never). A cancel stops at the current page and is
// no failure. Failures show an alert of their stage and are raised again.
void StampPageRange(PDDoc doc, ASInt32 first, ASInt32 count, ProgressMonitor monitor, void* monitorData,
                    CancelProc cancelProc, void* cancelData, SStampPageDocInfo* info, ASInt32 offset, ASBool replace,
                    ASBool checkSource);

// Inserts numPages pages of source from startPage after insertAfter
// (PDBeforeFirstPage, PDLastPage or a page number), stamps the new pages,
// copies the source's command history into a target that had no pages and
// no history, and removes the target's structure tree when removeStructure.
void PDDocInsertAndStampPages(PDDoc target, ASInt32 insertAfter, PDDoc source, ASInt32 startPage, ASInt32 numPages,
                              ASUns16 insertFlags, ProgressMonitor monitor, void* monitorData, CancelProc cancelProc,
                              void* cancelData, SStampPageDocInfo* info, ASBool replace, ASBool checkSource,
                              ASBool removeStructure);
