#include "platform/PfDraw.h"

#include <algorithm>
#include <cstring>

#include "platform/PfFont.h"
#include "platform/PfInternal.h"
#include "platform/PfString.h"

namespace {

PfWindowRef Port() {
  PfWindowRef w = PfG().port;
  return PfIsLiveWindow(w) ? w : nullptr;
}

PfDrawOp NewOp(PfWindowRef w, EPfDrawOpKind kind) {
  PfDrawOp op;
  std::memset(&op, 0, sizeof op);
  op.kind = kind;
  op.pen = w->pen;
  op.clip = w->clip;
  op.font = w->font;
  return op;
}

void Record(PfWindowRef w, const PfDrawOp& op) {
  w->ops.push_back(op);
  while ((int32_t)w->ops.size() > kPfDrawRecorderLimit) w->ops.pop_front();
  PfNotify(kPfNoticeDrawn, w, nullptr, &w->ops.back());
}

void RectOp(EPfDrawOpKind kind, const PfRect& rect) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kind);
  op.rect = rect;
  Record(w, op);
}

}  // namespace

void PfSetPort(PfWindowRef window) { PfG().port = window; }
PfWindowRef PfGetPort() { return Port(); }

void PfPenNormal() {
  if (PfWindowRef w = Port()) {
    w->pen.size = PfPoint{1, 1};
    w->pen.color = PfRGBColor{0, 0, 0};
  }
}

void PfPenSize(int32_t width, int32_t height) {
  if (PfWindowRef w = Port()) w->pen.size = PfPoint{width, height};
}

void PfGetPenState(PfPenState* state) {
  PfWindowRef w = Port();
  if (state) *state = w ? w->pen : PfPenState{};
}

void PfSetPenState(const PfPenState* state) {
  PfWindowRef w = Port();
  if (w && state) w->pen = *state;
}

void PfRGBForeColor(const PfRGBColor& color) {
  if (PfWindowRef w = Port()) w->pen.color = color;
}

void PfGetForeColor(PfRGBColor* color) {
  PfWindowRef w = Port();
  if (color) *color = w ? w->pen.color : PfRGBColor{0, 0, 0};
}

void PfClipRect(const PfRect& rect) {
  if (PfWindowRef w = Port()) w->clip = rect;
}

PfRect PfGetClip() {
  PfWindowRef w = Port();
  return w ? w->clip : PfSetRect(0, 0, 0, 0);
}

void PfTextFont(EPfFont font) {
  if (PfWindowRef w = Port()) w->font = font;
}

EPfFont PfGetTextFont() {
  PfWindowRef w = Port();
  return w ? w->font : kPfSystemFont;
}

void PfEraseRect(const PfRect& rect) { RectOp(kPfDrawErase, rect); }
void PfPaintRect(const PfRect& rect) { RectOp(kPfDrawPaint, rect); }
void PfFrameRect(const PfRect& rect) { RectOp(kPfDrawFrame, rect); }

void PfFrameRoundRect(const PfRect& rect, int32_t ovalWidth, int32_t ovalHeight) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kPfDrawFrameRound);
  op.rect = rect;
  op.oval = PfPoint{ovalWidth, ovalHeight};
  Record(w, op);
}

void PfFillPoly(const PfPoint* points, int32_t count) {
  PfWindowRef w = Port();
  if (!w || !points || count < 1) return;
  PfDrawOp op = NewOp(w, kPfDrawFillPoly);
  op.pointCount = count < kPfDrawMaxPolyPoints ? count : kPfDrawMaxPolyPoints;
  PfRect box = PfSetRect(points[0].h, points[0].v, points[0].h, points[0].v);
  for (int32_t i = 0; i < op.pointCount; ++i) {
    op.points[i] = points[i];
    box = PfSetRect(std::min(box.left, points[i].h), std::min(box.top, points[i].v), std::max(box.right, points[i].h),
                    std::max(box.bottom, points[i].v));
  }
  op.rect = box;
  Record(w, op);
}

void PfInvertRect(const PfRect& rect, bool highlightColour) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kPfDrawInvert);
  op.rect = rect;
  op.highlight = highlightColour;
  Record(w, op);
}

void PfMoveTo(int32_t h, int32_t v) {
  if (PfWindowRef w = Port()) w->pen.location = PfPoint{h, v};
}

void PfLineTo(int32_t h, int32_t v) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kPfDrawLine);
  op.from = w->pen.location;
  op.to = PfPoint{h, v};
  Record(w, op);
  w->pen.location = op.to;
}

void PfDrawTextUTF8(int32_t h, int32_t v, const char* text, int32_t length) {
  PfWindowRef w = Port();
  if (!w || !text) return;
  size_t n = length < 0 ? std::strlen(text) : (size_t)length;
  PfDrawOp op = NewOp(w, kPfDrawText);
  op.from = PfPoint{h, v};
  PfUTF8CopyCut(op.text, sizeof op.text, text, n);
  PfFontInfo fi;
  PfFontGetInfo(w->font, &fi);
  int32_t width = PfMeasureUTF8(w->font, text, n);
  op.rect = PfSetRect(h, v - fi.ascent, h + width, v + fi.descent);
  Record(w, op);
  w->pen.location = PfPoint{h + width, v};
}

void PfDrawImage(const PfRect& rect, PfImageRef image) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kPfDrawImage);
  op.rect = rect;
  op.image = image;
  Record(w, op);
}

void PfDrawPDFObject(const PfRect& rect, uint64_t object, const double matrix[6]) {
  PfWindowRef w = Port();
  if (!w) return;
  PfDrawOp op = NewOp(w, kPfDrawPDFObject);
  op.rect = rect;
  op.pdfObject = object;
  for (int i = 0; i < 6; ++i) op.matrix[i] = matrix ? matrix[i] : (i == 0 || i == 3 ? 1.0 : 0.0);
  Record(w, op);
}

int32_t PfDrawOpCount(PfWindowRef window) { return PfIsLiveWindow(window) ? (int32_t)window->ops.size() : 0; }

const PfDrawOp* PfDrawOpAt(PfWindowRef window, int32_t index) {
  if (!PfIsLiveWindow(window) || index < 0 || index >= (int32_t)window->ops.size()) return nullptr;
  return &window->ops[(size_t)index];
}

void PfDrawClear(PfWindowRef window) {
  if (PfIsLiveWindow(window)) window->ops.clear();
}
