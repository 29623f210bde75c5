// The page-size element: a pop-up of the page-size collection's blank sizes
// and background files, with an optional more-choices entry, Tall/Wide/Best
// orientation buttons and a feedback line. It exports the chosen size as a
// copy of its page-size cabinet under the element's key (and the orientation
// under the key followed by "Orientation"); the accessors below read that
// value back and turn it into a page template for the engine.
//
// The collection and its cabinets are the PDF toolkit's (pdftools/PageSizes.h).
#pragma once

#include "kctl/KCtl.h"
#include "pdftools/PageTemplate.h"

struct SKCab;
struct SMacDialogInfo;


// Element flags (pageSizeFlags).
enum : ASUns16 {
  kPageSizeMoreChoices = 1,  // the list begins with a more-choices item
  kPageSizeBlanks = 2,
  kPageSizeBackgrounds = 4,  // also: the more-choices dialog offers a new background
  kPageSizeOrientation = 8,  // Tall/Wide buttons and the feedback line
  kPageSizeBest = 16,        // with 8: a third button, Best
  kPageSizeNumberedIds = 32, // the buttons and their container take the ids after the element's
  kPageSizeNoFrame = 64      // with 8: no frame around the buttons
};

// The keys of the more-choices items.
constexpr const char* kPageSizeMoreChoicesKey = "?More choices";
constexpr const char* kPageSizeMoreChoicesKey2 = "?More choices2";

// Adds the element under parent and returns its pop-up. callback (with
// userData) hears trigger 6 when the chosen size changes and trigger 2 when
// an orientation button is checked.
SKCtlElem* KCtlElemFromPageSizeCollection(SKCtlDialog* dialog, ASUns32 elemFlags, SKCtlElem* parent,
                                          ASUns16 pageSizeFlags, ASInt16 controlId, const char* exportKey,
                                          KCtlActionCallBack callback, void* userData);
// The item list of a collection (flags 1, 2, 4 as above), owned by the
// caller: the more-choices item first, then the sizes sorted by text. Each
// size is keyed by its place in the collection (PageSizeItemKey), so that
// two sizes showing the same text stay apart.
SKCab* PageSizeCollectionMakeItemList(SKCab* collection, ASUns16 flags);
// The item key of an entry that sits in a collection; ASAtomNull for a
// cabinet that sits in none.
ASAtom PageSizeItemKey(SKCab* entry);
// The key under which the element stores its orientation: the export key
// (cut to 88 bytes) followed by "Orientation".
void PageSizeOrientationKey(const char* key, char* out, size_t size);

// ---- Reading an exported page size (false or null when the key holds none)

SKCab* ExportedPageSizeGetPageSizeCab(SKCab* cab, const char* key);
ASBool ExportedPageSizeExists(SKCab* cab, const char* key);
const char* ExportedPageSizeGetName(SKCab* cab, const char* key);
ASBool ExportedPageSizeIsAnon(SKCab* cab, const char* key);
ASBool ExportedPageSizeIsBlankPage(SKCab* cab, const char* key);
ASBool ExportedPageSizeIsBackground(SKCab* cab, const char* key);
ASBool ExportedPageSizeGetBlankSize(SKCab* cab, const char* key, double* width, double* height);
ASBool ExportedPageSizeGetForcedOrientation(SKCab* cab, const char* key, ASAtom* orientation);
// "Tall": the smaller side is the width; "Wide": the larger; else as stored.
ASBool ExportedPageSizeGetBlankSizeWithForcedOrientation(SKCab* cab, const char* key, double* width,
                                                         double* height);
ASBool ExportedPageSizeFormat(SKCab* cab, const char* key, ASBool forced, char* buffer, ASInt32 size);
ASBool ExportedPageSizeFillTemplateInfo(SKCab* cab, const char* key, STemplateInfo* templ, ASBool forced);
ASBool ExportPageSizeFromTemplateInfo(SKCab* cab, const char* key, const STemplateInfo* templ);
