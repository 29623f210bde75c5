// What the engine's page-order, trim and insertion code calls of modules that
// are built beside it: the page-merge engine's page utilities and the
// per-imposition PDF/X services of the engine, and the page template that the
// dialog framework's page-size element fills. Declared here with the names
// and signatures those modules give them, so that each goes to its own header
// once that header exists.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

struct SKCab;

// ---- The page-merge engine's page utilities.

// Removes the bleed of pages first..last (negative first: 0, negative last:
// the last page), asking "pagemg.2.confirm.losebleed" once when prompt is set
// and *alreadyPrompted (may be null) is 0. 0 when the user refused.
ASUns16 RemoveAnyBleed(PDDoc doc, ASInt32 first, ASInt32 last, ASUns16 prompt, ASUns16* alreadyPrompted);
// Puts text in front of the page's content.
void PrefixPageContents(PDPage page, const char* text);
// The page's own "Resources" holds a "Pattern" dictionary.
ASBool PageHasPatterns(PDPage page);

// ---- Per-imposition PDF/X services.

// A new document prepared for imposed pages (PDF/X carried over from source
// in PDF/X mode); null when the host gives none.
PDDoc PDDocCreatePerhapsClonePDFX(PDDoc source);
// True when background may be used with target (reports why not).
ASBool VerifyBackgroundBeforeImposition(PDDoc target, PDDoc background);
// Carries source's PDF/X settings into imposed (PDF/X mode only; never raises).
void PreservePDFXIntoImposedDoc(PDDoc source, PDDoc imposed);

// ---- The page template of the page-size element.

struct STemplateInfo {
  char name[40];    // UTF-8, terminated
  ASInt16 blank;    // 1 a blank page of the size below, 0 pages of a file
  ASFixed width;    // blank size, points
  ASFixed height;
  char path[300];   // the background file's platform path, terminated
  ASInt32 from;     // first page of the file, 0-based
  ASInt32 to;       // last page
  ASInt32 repeat;   // how many of the last pages repeat once the range is used up
  ASInt16 failedToOpen;  // set by the template code so that a missing file is reported once
};

// Fills the template from the page size exported under key; false when the
// key holds none. With forced set the element's orientation turns a blank size.
ASBool ExportedPageSizeFillTemplateInfo(SKCab* cab, const char* key, STemplateInfo* info, ASBool forced);
// The blank size under key (points) turned by the stored orientation; false
// when the key holds no blank size.
ASBool ExportedPageSizeGetBlankSizeWithForcedOrientation(SKCab* cab, const char* key, double* width, double* height);
