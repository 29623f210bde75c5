// The OPI work-around: form XObjects that carry an "OPI" dictionary and use
// fonts (directly or through nested forms) get private copies, with copies of
// their fonts, when a page's resources are merged onto a sheet. Answers are
// cached per indirect object in the merge record's seen-table (2 extra bytes
// per entry, the host's hash).
#pragma once

#include "host/Cos.h"
#include "pdftools/ElementSeenTable.h"

// Whether resource merging applies the OPI work-around (the preferences set
// it; 1 by default).
extern ASBool gApplyOPIFix;

// Nested forms are examined this many levels below the XObject dictionary.
constexpr ASInt32 kOPIFormDepth = 6;

// True when the XObject dictionary holds a form with OPI and fonts, at any
// level down to the depth limit. Cached for indirect dictionaries.
ASBool XObjectResourcesIncludesOPIWithFonts(SElementSeenTable* seen, CosObj xobjects);
// The dictionary to merge in place of xobjects: every form holding OPI with
// fonts, and every form on the way down to one, replaced by a copy whose
// resources have their own copies of the fonts; xobjects itself (copied when
// direct) when there is none.
CosObj CloneXObjectResourcesForOPIBug(SElementSeenTable* seen, CosObj xobjects, ASBool indirect);

// The inner steps.
ASBool ResourcesIncludesFonts(CosObj resources, ASInt32 depth);
ASBool XObjectIsFormHoldingOPIWithFonts(SElementSeenTable* seen, CosObj xobject, ASInt32 depth);
ASBool ResourcesIncludesOPIWithFonts(SElementSeenTable* seen, CosObj resources, ASInt32 depth);
ASBool XObjectResourcesIncludesOPIWithFontsInner(SElementSeenTable* seen, CosObj xobjects, ASInt32 depth);
CosObj CloneXObjectResourcesForOPIBugInner(SElementSeenTable* seen, CosObj xobjects, ASBool indirect,
                                           ASBool copyFonts, ASInt32 depth);
CosObj CloneResourcesForOPIBugInner(SElementSeenTable* seen, CosObj resources, ASBool indirect, ASBool copyFonts,
                                    ASInt32 depth);
