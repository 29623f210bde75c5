// Walking a range of pages with progress and cancel, and duplicating a page
// inside its document.
#pragma once

#include "host/PD.h"

// The cancel procedure and progress monitor of a walk. Used only when size is
// at least sizeof(SCancelStatusInfo).
struct SCancelStatusInfo {
  ASUns32 size;
  CancelProc cancelProc;  // may be null: never cancelled
  void* cancelData;
  ProgressMonitor monitor;  // may be null: no progress shown
  void* monitorData;
};

typedef ASBool (*ForEachPageProc)(PDPage page, void* data);

// Calls proc for pages first, first + step, ... up to last (negative: the
// last page), showing progress and asking for a cancel through info (null:
// neither; the engine's ForEachPageWithStatus walks with the status box).
// True when every call answered true and nobody cancelled; a false answer or
// a cancel stops the walk. step must be 1 or more. Host errors pass on after
// the page is released and the progress ended.
ASBool ForEachPage(PDDoc doc, long first, long last, long step, ForEachPageProc proc, void* data,
                   SCancelStatusInfo* info);

// A new page after page number after (PDBeforeFirstPage: first) that looks
// like page source: its boxes, rotation, resources and content (indirect
// objects shared, direct ones copied), also where the new position would
// inherit other resources, rotation or crop box. With copyAnnots the page
// gets copies of the source's annotations, each pointing to the new page.
void PDDocDuplicatePage(PDDoc doc, long source, long after, ASBool copyAnnots);
