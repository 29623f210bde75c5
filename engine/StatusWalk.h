// Walking a range of pages with the status box's progress and cancel.
#pragma once

#include "pdftools/PageWalk.h"

// ForEachPage (pdftools/PageWalk.h) with the status box's progress monitor and
// cancel button; with text, the box shows it as its label during the walk and
// closes after it, however the walk ends.
ASBool ForEachPageWithStatus(PDDoc doc, long first, long last, long step, const char* text, ForEachPageProc proc,
                             void* data);
