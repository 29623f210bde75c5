// Drawing the printable annotations of a placed page into the sheet: their
// normal appearances become form XObjects painted over the page, so that
// what would print still prints once the page is part of a sheet.
#pragma once

#include "engine/EnginePrefs.h"
#include "host/Cos.h"
#include "host/PD.h"

struct SPageMergeInfo;

// A dictionary with a name "Subtype", an "AP" dictionary and an integer "F"
// whose Hidden bit is clear and Print bit set; with 0 only form fields
// ("Widget") count, with 1 everything else, with any other value all.
ASBool AnnotationIsPrintable(CosObj annotation, EFieldsWhich which);

// Paints the appearance of each printable annotation of the page, in the
// order of its "Annots", mapped onto the annotation's rectangle. The sheet's
// coordinates must be the placed page's own. Needs an open sheet.
void FlattenPrintableAnnotsInImposition(SPageMergeInfo* info, PDPage page, EFieldsWhich which);
