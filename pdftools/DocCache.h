// The document object cache (a private dictionary in the catalog that keeps
// shared objects across sheets and runs), the colour space that paints on
// every separation, the standard fonts and string widths in them.
#pragma once

#include "host/Cos.h"

// Keys of the cache in the catalog, and the old cache upgraded on first read.
constexpr const char* kDocCacheKey = "KRVL_cache_2";
constexpr const char* kOldDocCacheKey = "KRVL_cache";

enum EBaseFontCode : ASInt32 {
  kTimesRoman = 0,
  kTimesBold = 1,
  kTimesItalic = 2,
  kTimesBoldItalic = 3,
  kHelvetica = 4,
  kHelveticaBold = 5,
  kHelveticaOblique = 6,
  kHelveticaBoldOblique = 7,
  kCourier = 8,
  kCourierBold = 9,
  kCourierOblique = 10,
  kCourierBoldOblique = 11,
  kSymbol = 12,
  kZapfDingbats = 13,
  kDefaultJapanese1 = 14
};
constexpr ASInt32 kBaseFontCount = 15;
// Fonts with width tables (every one but the Japanese font).
constexpr ASInt32 kBaseFontTableFonts = 14;

// Which width table BaseFontStringWidth reads.
enum EEncodingCode : ASInt32 { kEncodingStandard = 0, kEncodingWindows = 1, kEncodingMac = 2, kEncodingMac2 = 3 };

// The fifteen names by EBaseFontCode, then null.
extern const char* const baseFontName[kBaseFontCount + 1];
// Widths in thousandths of the font size by font code * 256 + character code.
extern const ASInt16 baseFontWidths[kBaseFontTableFonts * 256];
extern const ASInt16 baseFontWidthsMac[kBaseFontTableFonts * 256];
extern const ASInt16 baseFontWidthsWindows[kBaseFontTableFonts * 256];

// Stores obj under key in the cache, making the cache when there is none.
void SetCachedDocObject(CosDoc cosDoc, ASAtom key, CosObj obj);
// What the cache holds under key, or null. Upgrades an old cache first.
CosObj CachedDocObject(CosDoc cosDoc, ASAtom key);
// Upgrades the old cache: fonts get their base encoding by name, the colour
// space a new tint function; then it moves to the new key (its entries join
// a cache already there). True when anything changed; once done, the old
// cache is gone and later calls find nothing to do.
ASBool FixCacheEncodings(CosDoc cosDoc);

// A new tint function: tint 0 no ink, tint 1 full ink in C, M, Y and K.
CosObj AllSeparationFunction(CosDoc cosDoc);
// [/Separation /All /DeviceCMYK f], made once per document and cached.
CosObj AllSeparationColourSpace(CosDoc cosDoc);

// A new font dictionary for a standard font (codes 0 to 14; others raise
// genErrBadParm). Not cached.
CosObj BaseFontDict(CosDoc cosDoc, ASInt32 code);
// The width of length bytes of text (up to its NUL when length is negative)
// in the font at size; 0 for an unknown font or encoding.
ASFixed BaseFontStringWidth(ASInt32 code, ASFixed size, const char* text, ASInt32 length, ASInt32 encoding);
