// Drawing: ports, pens and a recorder in place of pixels.
//
// Every window is a port. Drawing calls append operations to the current
// port's recorder in local coordinates, clipped by nothing but recorded with
// the current clip, pen and colour; observers see each operation as it is
// recorded. The recorder keeps the last kPfDrawRecorderLimit operations.
#pragma once

#include <cstdint>

#include "platform/PfTypes.h"

typedef struct PfWindowRec* PfWindowRef;
typedef struct PfImageRec* PfImageRef;

enum EPfDrawOpKind : int32_t {
  kPfDrawErase = 1,
  kPfDrawFrame = 2,
  kPfDrawFrameRound = 3,
  kPfDrawFillPoly = 4,
  kPfDrawInvert = 5,
  kPfDrawText = 6,
  kPfDrawImage = 7,
  kPfDrawPDFObject = 8,
  kPfDrawLine = 9,
  kPfDrawPaint = 10
};

struct PfRGBColor {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
};

enum EPfFont : int32_t { kPfSystemFont = 0, kPfSmallSystemFont = 1, kPfApplicationFont = 2 };

struct PfPenState {
  PfPoint location;
  PfPoint size;
  PfRGBColor color;
};

constexpr int32_t kPfDrawRecorderLimit = 4096;
constexpr int32_t kPfDrawMaxPolyPoints = 64;

struct PfDrawOp {
  EPfDrawOpKind kind;
  PfRect rect;        // erase, frame, invert, image, PDF object: the area; text: its box
  PfPoint from;       // line start; text origin (baseline)
  PfPoint to;         // line end
  PfPoint oval;       // round frames: corner oval width and height
  int32_t pointCount; // polygons
  PfPoint points[kPfDrawMaxPolyPoints];
  PfPenState pen;
  PfRect clip;
  EPfFont font;
  bool highlight;     // inversion in the highlight colour
  char text[256];     // text, UTF-8, cut at a character boundary
  PfImageRef image;   // not retained: identity only
  uint64_t pdfObject; // an opaque handle of the caller's
  double matrix[6];   // a, b, c, d, h, v
};

// The current port. Null draws nowhere.
void PfSetPort(PfWindowRef window);
PfWindowRef PfGetPort();

void PfPenNormal();
void PfPenSize(int32_t width, int32_t height);
void PfGetPenState(PfPenState* state);
void PfSetPenState(const PfPenState* state);
void PfRGBForeColor(const PfRGBColor& color);
void PfGetForeColor(PfRGBColor* color);
void PfClipRect(const PfRect& rect);
PfRect PfGetClip();
void PfTextFont(EPfFont font);
EPfFont PfGetTextFont();

void PfEraseRect(const PfRect& rect);
void PfPaintRect(const PfRect& rect);
void PfFrameRect(const PfRect& rect);
void PfFrameRoundRect(const PfRect& rect, int32_t ovalWidth, int32_t ovalHeight);
void PfFillPoly(const PfPoint* points, int32_t count);
void PfInvertRect(const PfRect& rect, bool highlightColour);
void PfMoveTo(int32_t h, int32_t v);
void PfLineTo(int32_t h, int32_t v);
// Draws UTF-8 text with its baseline origin at (h, v) in the current font;
// the pen moves to the text's end.
void PfDrawTextUTF8(int32_t h, int32_t v, const char* text, int32_t length);
void PfDrawImage(const PfRect& rect, PfImageRef image);
void PfDrawPDFObject(const PfRect& rect, uint64_t object, const double matrix[6]);

// The recorder of a window.
int32_t PfDrawOpCount(PfWindowRef window);
const PfDrawOp* PfDrawOpAt(PfWindowRef window, int32_t index);
void PfDrawClear(PfWindowRef window);
