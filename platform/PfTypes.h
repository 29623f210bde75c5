// Basic types of the platform layer: geometry, result codes, four-character
// codes and pointer-sized values. The platform layer includes nothing of the
// host: it is the ground the dialog code stands on, beside the host.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t PfErr;
enum : PfErr {
  kPfNoErr = 0,
  kPfErrParam = -50,
  kPfErrMemFull = -108,
  kPfErrResNotFound = -192,
  kPfErrEventNotHandled = -9874,
  kPfErrDataNotSupported = -30585,
  kPfErrInvalidPart = -30584,
  kPfErrPropertyNotFound = -5604,
  kPfErrPropertyBufferTooSmall = -5605,
  kPfErrTextLayout = -8790,
  kPfErrConversion = -8780
};

// A four-character code ('KRVL', 'Kdlg', 'text') as one 32-bit value, the
// first character in the highest byte.
typedef uint32_t PfFourCC;
constexpr PfFourCC PfMakeFourCC(const char (&s)[5]) {
  return ((PfFourCC)(uint8_t)s[0] << 24) | ((PfFourCC)(uint8_t)s[1] << 16) | ((PfFourCC)(uint8_t)s[2] << 8) |
         (PfFourCC)(uint8_t)s[3];
}

// Values that may hold an address are pointer-sized wherever they are kept.
typedef intptr_t PfRefCon;

struct PfPoint {
  int32_t h;
  int32_t v;
};

// Rectangles in the platform's order; right and bottom are exclusive.
struct PfRect {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};

inline bool operator==(const PfPoint& a, const PfPoint& b) { return a.h == b.h && a.v == b.v; }
inline bool operator==(const PfRect& a, const PfRect& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

PfRect PfSetRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
inline int32_t PfRectWidth(const PfRect& r) { return r.right - r.left; }
inline int32_t PfRectHeight(const PfRect& r) { return r.bottom - r.top; }
bool PfEmptyRect(const PfRect& r);
bool PfPtInRect(PfPoint p, const PfRect& r);
void PfOffsetRect(PfRect* r, int32_t dh, int32_t dv);
void PfInsetRect(PfRect* r, int32_t dh, int32_t dv);
// Intersection into *out; false (and an empty *out) when they do not meet.
bool PfSectRect(const PfRect& a, const PfRect& b, PfRect* out);
PfRect PfUnionRect(const PfRect& a, const PfRect& b);
PfPoint PfRectCentre(const PfRect& r);

// Resizable blocks of memory, as item lists and resources travel.
typedef struct PfHandleRec* PfHandle;
PfHandle PfNewHandleClear(size_t size);
PfHandle PfNewHandleFromData(const void* data, size_t size);
void PfDisposeHandle(PfHandle h);
size_t PfGetHandleSize(PfHandle h);
uint8_t* PfHandleData(PfHandle h);
// Keeps the contents up to the smaller size; new bytes are zero.
void PfSetHandleSize(PfHandle h, size_t size);
