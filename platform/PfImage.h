// Images: PNG and JPEG identified and sized from their headers. Pixels are
// not decoded; drawing records the image and the rectangle it fills.
#pragma once

#include "platform/PfTypes.h"

typedef struct PfImageRec* PfImageRef;

enum EPfImageKind : int32_t { kPfImageNone = 0, kPfImagePNG = 1, kPfImageJPEG = 2 };

struct SPfImageInfo {
  EPfImageKind kind;
  int32_t width;
  int32_t height;
};

// Reads the kind and size from the header; false when the bytes are neither
// a PNG nor a JPEG with a frame header, or the size is 0.
bool PfImageIdentify(const uint8_t* bytes, size_t size, SPfImageInfo* info);
// Decoders by kind: null when the data is not of that kind or is damaged.
PfImageRef PfImageCreateWithPNGData(const uint8_t* bytes, size_t size);
PfImageRef PfImageCreateWithJPEGData(const uint8_t* bytes, size_t size);
PfImageRef PfImageRetain(PfImageRef image);
void PfImageRelease(PfImageRef image);
EPfImageKind PfImageGetKind(PfImageRef image);
int32_t PfImageGetWidth(PfImageRef image);
int32_t PfImageGetHeight(PfImageRef image);
int32_t PfImageLiveCount();
// Successful decodes since the platform started (tests of caching).
int32_t PfImageDecodeCount();
