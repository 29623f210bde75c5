// Join two pages: a page and the one after it become one page that shows
// them side by side, the first on the left, in place in their document.
#pragma once

#include "host/AS.h"
#include "host/AV.h"
#include "host/PD.h"

// Joins the pages at 0-based indices page and page + 1 into a new page at
// index page, as wide as both and as high as the first (a taller second page
// is cut at that height). With deleteSources the two pages go afterwards;
// with showResult the window (may be null) shows the joined page. False when
// the user would rather keep the bleed the join loses. Failures of the merge,
// a page without a page after it, and a page whose size cannot be read
// (before anything changed) raise host exceptions.
ASBool JoinTwoPages(AVDoc window, PDDoc doc, ASInt32 page, ASBool deleteSources, ASBool showResult);
