// The font model: deterministic metrics in place of real fonts.
//
// Every character has an advance fixed by its class (space, narrow, medium,
// digit, lower case, upper case, wide, other letters, ideographs, marks and
// controls), each font fixes its ascent, descent and leading, and line
// breaking wraps at word boundaries. The same text in the same font always
// measures the same, whichever road measures it:
//  - the theme road (PfThemeTextDimensions), as the appearance theme measures
//    control texts: like the real theme it reports one unit more than the
//    text's width for the focus outline;
//  - the text-layout road (PfTextLayout...), on UTF-16 text;
//  - the classic road (PfTextWidth, PfGetFontInfo), on bytes in the native
//    encoding, in the current port's font.
#pragma once

#include "platform/PfDraw.h"
#include "platform/PfString.h"
#include "platform/PfTypes.h"

struct PfFontInfo {
  int32_t ascent;
  int32_t descent;
  int32_t widMax;
  int32_t leading;
};

void PfFontGetInfo(EPfFont font, PfFontInfo* info);
// Line height: ascent + descent + leading.
int32_t PfFontLineHeight(EPfFont font);
int32_t PfCharAdvance(EPfFont font, uint32_t codePoint);
// Width of UTF-8 text on one line (line breaks count nothing).
int32_t PfMeasureUTF8(EPfFont font, const char* text, size_t length);
// The bytes of the next line starting at text: breaks after the last blank
// that lets the line fit in maxWidth, inside a word only when one word alone
// does not fit (always at least one character), and at LF, CR or CR LF.
// *lineLength receives the bytes shown on the line (without the break or the
// trailing blanks); the return value is where the next line starts.
size_t PfBreakLineUTF8(EPfFont font, const char* text, size_t length, int32_t maxWidth, size_t* lineLength);
// Lines, widest line and height of text wrapped at maxWidth (maxWidth <= 0:
// only explicit breaks). Height = lines x (ascent + descent) + (lines - 1) x leading.
int32_t PfMeasureBlockUTF8(EPfFont font, const char* text, size_t length, int32_t maxWidth, int32_t* width,
                           int32_t* height);

// Theme road. wrapWidth <= 0 measures one line (explicit breaks still break);
// a text wrapped into several lines reports the wrap width as its width.
PfErr PfThemeTextDimensions(PfStringRef text, EPfFont font, int32_t wrapWidth, int32_t* width, int32_t* height,
                            int32_t* baseline);

// Text-layout road.
typedef struct PfTextLayoutRec* PfTextLayoutRef;
PfErr PfTextLayoutCreate(const uint16_t* units, int32_t count, EPfFont font, PfTextLayoutRef* layout);
void PfTextLayoutDispose(PfTextLayoutRef layout);
// Unjustified width, ascent and descent of the whole text as one line.
PfErr PfTextLayoutMeasure(PfTextLayoutRef layout, int32_t* width, int32_t* ascent, int32_t* descent);
// The unit offset where the line starting at start ends when broken at width.
PfErr PfTextLayoutBreakLine(PfTextLayoutRef layout, int32_t start, int32_t width, int32_t* nextStart);
int32_t PfTextLayoutLength(PfTextLayoutRef layout);

// Classic road: the current port's font (kPfApplicationFont measures as the system font).
int32_t PfTextWidth(const char* bytes, int32_t offset, int32_t length);
void PfGetFontInfo(PfFontInfo* info);
// Counts the lines of native text broken at width in the port's font.
PfErr PfCountLinesInBlock(const char* bytes, int32_t length, int32_t width, int32_t* lines);
