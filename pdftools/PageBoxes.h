// Page boxes and bleed: which rectangle of a page is its visible, trim or
// bleed box, its size once rotated, and writing and removing trim and bleed
// information.
//
// Pages keep trim and bleed in the standard "TrimBox" and "BleedBox" keys and
// in an older private dictionary under "KRVL_Bleed_1" (its "TrimBox",
// "BleedBox" and "BleedMargin"). Reading prefers the standard keys and falls
// back to the private dictionary, then to the crop box; writing keeps both.
#pragma once

#include "host/Cos.h"
#include "host/PD.h"
#include "pdftools/CosRect.h"

// Which box is read. Other values read the visible box.
enum EWhichSize : ASInt32 { kSizeVisible = 0, kSizeTrim = 1, kSizeBleed = 2 };

// Which value SetPageBleedRect writes; kBleedAll only removes.
enum EWhichBleed : ASInt32 { kBleedMargins = 0, kBleedTrimBox = 1, kBleedBleedBox = 2, kBleedAll = 3 };

// Rectangle arguments of SetPageBleedRect that stand for a page box instead
// of numbers: the page's media box or crop box.
inline ASFixedRect* BleedRectMediaBox() { return reinterpret_cast<ASFixedRect*>(1); }
inline ASFixedRect* BleedRectCropBox() { return reinterpret_cast<ASFixedRect*>(2); }

// The box asked for: the crop box (as the host shows it) for kSizeVisible;
// for trim and bleed the page's own standard key, else the private
// dictionary, else the crop box.
void GetPageRect(PDPage page, ASFixedRect* out, EWhichSize which);
// The same from the private dictionary alone (and the crop box).
void GetOldPageRect(PDPage page, ASFixedRect* out, EWhichSize which);

// Writes a trim box, bleed box or bleed margins (left, bottom, right, top as
// the rectangle's fields) into the standard key and the private dictionary;
// a null rect removes the value; kBleedAll with a null rect removes every
// piece of trim and bleed information.
void SetPageBleedRect(PDPage page, EWhichBleed which, ASFixedRect* rect);

// True when the page's trim or bleed box differs from its visible box.
ASBool PageHasBleeds(PDPage page);

// Width (h) and height (v) of the chosen box as the rotated page shows them.
void GetTranslatedPageSize(PDPage page, ASFixedPoint* out, EWhichSize which);
void GetTranslatedPageSizeByPageNum(PDDoc doc, ASInt32 pageNum, ASFixedPoint* out, EWhichSize which);

// Trim box differs from the visible box: on this page; on some page.
ASBool PDPageCropNeTrim(PDPage page);
ASBool PDDocCropNeTrim(PDDoc doc);

// The value under "KRVL_Bleed_1" in a page dictionary (null when absent).
CosObj LoadBleedDict(CosObj pageDict);
// True when obj is the name "CropBox" or "MediaBox"; out then holds that box.
ASBool LoadPageMnemonic(PDPage page, CosObj obj, ASFixedRect* out);

// Sets a page box (hosts before 5 get the rectangle array written directly).
void KPDPageSetBox(PDPage page, ASAtom box, ASFixedRect rect);
// True and the rectangle when the page's own dictionary holds a readable box
// (nothing inherited); false and rect untouched otherwise.
ASBool KPDPageGetBox(PDPage page, ASAtom box, ASFixedRect* rect);
