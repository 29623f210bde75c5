#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/PfTypes.h"

PfRect PfSetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  PfRect r;
  r.top = top;
  r.left = left;
  r.bottom = bottom;
  r.right = right;
  return r;
}

bool PfEmptyRect(const PfRect& r) { return r.right <= r.left || r.bottom <= r.top; }

bool PfPtInRect(PfPoint p, const PfRect& r) { return p.h >= r.left && p.h < r.right && p.v >= r.top && p.v < r.bottom; }

void PfOffsetRect(PfRect* r, int32_t dh, int32_t dv) {
  r->left += dh;
  r->right += dh;
  r->top += dv;
  r->bottom += dv;
}

void PfInsetRect(PfRect* r, int32_t dh, int32_t dv) {
  r->left += dh;
  r->right -= dh;
  r->top += dv;
  r->bottom -= dv;
}

bool PfSectRect(const PfRect& a, const PfRect& b, PfRect* out) {
  PfRect r = PfSetRect(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                       std::min(a.bottom, b.bottom));
  if (PfEmptyRect(r)) {
    *out = PfSetRect(0, 0, 0, 0);
    return false;
  }
  *out = r;
  return true;
}

PfRect PfUnionRect(const PfRect& a, const PfRect& b) {
  if (PfEmptyRect(a)) return b;
  if (PfEmptyRect(b)) return a;
  return PfSetRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                   std::max(a.bottom, b.bottom));
}

PfPoint PfRectCentre(const PfRect& r) {
  PfPoint p;
  p.h = r.left + (r.right - r.left) / 2;
  p.v = r.top + (r.bottom - r.top) / 2;
  return p;
}

struct PfHandleRec {
  std::vector<uint8_t> bytes;
};

PfHandle PfNewHandleClear(size_t size) {
  PfHandle h = new PfHandleRec;
  h->bytes.assign(size, 0);
  return h;
}

PfHandle PfNewHandleFromData(const void* data, size_t size) {
  PfHandle h = PfNewHandleClear(size);
  if (size) std::memcpy(h->bytes.data(), data, size);
  return h;
}

void PfDisposeHandle(PfHandle h) { delete h; }
size_t PfGetHandleSize(PfHandle h) { return h ? h->bytes.size() : 0; }
uint8_t* PfHandleData(PfHandle h) { return h && !h->bytes.empty() ? h->bytes.data() : nullptr; }
void PfSetHandleSize(PfHandle h, size_t size) {
  if (h) h->bytes.resize(size, 0);
}
