// Per-imposition preferences, the bleed check, page sizes by the bleed mode
// and the PDF/X checks around an imposition.
//
// A command may override a few engine preference values for its own run
// (annotation flattening, registration colour, bleed mode, form XObjects,
// the two host work-arounds). PerImpositionPrefsStart applies the command's
// overrides and hands back the values they replaced; PerImpositionPrefsEnd
// puts them back, also after a failure.
#pragma once

#include "engine/EnginePrefs.h"
#include "host/ASProgress.h"
#include "host/PD.h"
#include "pdftools/PageBoxes.h"

struct SKCab;
struct SKCabEnumWord;

// ---- the engine's preference exchange --------------------------------------------------

// Words of the cabinets: "Flatten" (an unknown word is "None"), "RegColour"
// and "BleedMode" (an unknown word is the first).
const char* FieldsWhichWord(EFieldsWhich which);
EFieldsWhich FieldsWhichFromAtom(ASAtom word);
const char* RegColourWord(ERegColour colour);
ERegColour RegColourFromAtom(ASAtom word);
const char* BleedModeWord(ASInt32 mode);
ASInt32 BleedModeFromAtom(ASAtom word);

// Puts the current values into the cabinet as "Flatten", "RegColour",
// "BleedMode" (atoms), "UseFormXObjects" (integer), "Acro5Tr2Fix" and
// "Acro6OPIFix" (booleans).
void FillCabForPerImpositionPrefs(SKCab* cab);
// Sets each value whose key the cabinet holds; the registration colour
// through SetRegColour. The two fixes count as on unless they hold false.
// "PDFX" is not applied.
void SetPerImpositionPrefsFromCab(SKCab* cab);

// The values in force before the command's overrides (the caller keeps the
// cabinet and gives it to PerImpositionPrefsEnd).
SKCab* PerImpositionPrefsStart(SKCab* params);
// Puts the saved values back and destroys the cabinet; null is ignored.
void PerImpositionPrefsEnd(SKCab* saved);

// ---- the bleed check -------------------------------------------------------------------

// The bleed prompt (commands/BleedPrompt.h installs the command dialogs'
// one): true on OK with the chosen "BleedMode" ("Ignore" or "Use") in the
// cabinet.
typedef ASBool (*ImpositionBleedPromptProc)(SKCab* answer);
// Installs the prompt the bleed check shows (null: none); returns the one
// installed before. Without a prompt the check goes on as if none were needed.
ImpositionBleedPromptProc SetImpositionBleedPromptProc(ImpositionBleedPromptProc proc);

// True to go on, false when the user cancelled the prompt. The mode is the
// parameters' "BleedMode", else gBleedVelmoraMode; only Prompt asks, never
// while messages are collected for automation, and only when the page (a
// null page: any page of the document) has a visible box that differs from
// its trim box. The answer is written into params as "BleedMode".
ASBool ImpositionBleedModeCheck(PDDoc doc, PDPage page, SKCab* params);

// ---- page sizes by the bleed mode --------------------------------------------------------

// GetTranslatedPageSize and ...ByPageNum, with the visible box whatever was
// asked while the bleed mode is Ignore.
void GetTranslatedPageSizeX(PDPage page, ASFixedPoint* size, EWhichSize which);
void GetTranslatedPageSizeByPageNumX(PDDoc doc, ASInt32 pageIndex, ASFixedPoint* size, EWhichSize which);
// One size per page (in a block from the host allocator the caller frees,
// one element longer than the page count), with the status box's progress.
// *allSame tells whether every page has one size to 1/256 point. False when
// the user cancelled (the sizes read so far are filled in).
ASBool GetAllPageSizesWithStatusX(PDDoc doc, ASFixedPoint** sizes, ASBool* allSame, EWhichSize which);
// Componentwise smallest and largest size of pages first to last (the first
// is read even when it lies after the last). The monitor and the cancel
// procedure may be null; a cancel stops with the pages read so far.
void GetPageSizesForRangeX(PDDoc doc, EWhichSize which, ASInt32 first, ASInt32 last, ASFixedPoint* smallest,
                           ASFixedPoint* largest, ProgressMonitor monitor, void* monitorData, CancelProc cancel,
                           void* cancelData);

// ---- PDF/X --------------------------------------------------------------------------------

// True when the background may be used with the target in PDF/X mode; the
// reasons why not are shown as one error. Never raises.
ASBool VerifyBackgroundBeforeImposition(PDDoc target, PDDoc background);
// Carries the source's PDF/X settings into the imposed document (PDF/X mode
// only). Never raises: failures are reported.
void PreservePDFXIntoImposedDoc(PDDoc source, PDDoc imposed);
// A new document for imposed pages, prepared for PDF/X in PDF/X mode.
PDDoc PDDocCreatePerhapsClonePDFX(PDDoc source);

// The words of "Flatten", "RegColour" and "BleedMode" (null for another key).
const SKCabEnumWord* ImpositionPrefsParamWords(const char* key);
