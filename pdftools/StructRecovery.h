// Page insertion and deletion that survive damaged or oversized structure
// trees, and the small operations on a document's structure tree.
//
// Every page the toolkit and the engine move goes through the two calls
// below: they call the host, and when the host fails in one of a few known
// ways they repair what they can and try again, giving up the tagged
// structure of the target in favour of its pages. A source document's tree
// is hidden under "KRVL_HideStructTreeRoot" only while a retried insertion
// runs. Bookkeeping on a source document never makes it ask to be saved.
#pragma once

#include "host/ASProgress.h"
#include "host/PD.h"

// The host failures the recovery reacts to, by error system and code.
ASBool StructErrorIsSplitClass(ASErrorCode e);       // system 3, code 21: too many pages at once
ASBool StructErrorIsStructureClass(ASErrorCode e);   // system 17, any code; system 1, code 15
ASBool StructErrorIsThumbnailsClass(ASErrorCode e);  // system 3, code 36

// The catalog has "StructTreeRoot" (a hidden tree does not count).
ASBool DocHasStructure(PDDoc doc);
// Removes "StructTreeRoot" and "KRVL_HideStructTreeRoot" from the catalog,
// and "MarkInfo", which would call the document tagged without its tree.
void RemoveStructRoot(PDDoc doc);
// The same as RemoveStructRoot.
void RemoveDocStructure(PDDoc doc);
// Moves "StructTreeRoot" to "KRVL_HideStructTreeRoot" (nothing without one).
void HideStructRoot(PDDoc doc);
// Moves a hidden tree back under "StructTreeRoot" (nothing without one).
void RestoreStructRoot(PDDoc doc);

// PDDocInsertPages with recovery: runs too long for the host are inserted in
// halves, and a structure failure drops the target's tree and inserts again
// with the source's tree hidden. Afterwards the target's save version covers
// the source's PDF version. Raises what cannot be recovered, with the target
// as it was before the call (its pages, its tree, its clean state) and the
// source untouched: a source's tree is hidden, never removed.
void PDDocInsertPagesWithBadStructRecovery(PDDoc target, ASInt32 insertAfter, PDDoc source, ASInt32 startPage,
                                           ASInt32 numPages, ASUns16 insertFlags, ProgressMonitor monitor,
                                           void* monitorData, CancelProc cancelProc, void* cancelData);
// PDDocDeletePages (first..last, 0-based, inclusive; last may be PDLastPage)
// with recovery: a structure failure drops the tree and completes the
// deletion; a thumbnails failure takes the active view of this document out
// of thumbnail mode for the deletion.
void PDDocDeletePagesWithBadStructRecovery(PDDoc doc, ASInt32 firstPage, ASInt32 lastPage, ProgressMonitor monitor,
                                           void* monitorData);
