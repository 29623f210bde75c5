#include "platform/PfImage.h"

#include <vector>

struct PfImageRec {
  int32_t refs;
  SPfImageInfo info;
  std::vector<uint8_t> bytes;
};

namespace {

int32_t gLiveImages = 0;
int32_t gDecodes = 0;

uint32_t Be32(const uint8_t* p) { return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3]; }
uint32_t Be16(const uint8_t* p) { return ((uint32_t)p[0] << 8) | p[1]; }

bool IdentifyPNG(const uint8_t* b, size_t n, SPfImageInfo* info) {
  static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n < 8 + 8 + 13) return false;
  for (int i = 0; i < 8; ++i)
    if (b[i] != sig[i]) return false;
  // The first chunk must be IHDR of 13 bytes.
  if (Be32(b + 8) != 13 || b[12] != 'I' || b[13] != 'H' || b[14] != 'D' || b[15] != 'R') return false;
  uint32_t w = Be32(b + 16), h = Be32(b + 20);
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
  info->kind = kPfImagePNG;
  info->width = (int32_t)w;
  info->height = (int32_t)h;
  return true;
}

bool IdentifyJPEG(const uint8_t* b, size_t n, SPfImageInfo* info) {
  if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
  size_t at = 2;
  while (at + 4 <= n) {
    if (b[at] != 0xFF) return false;
    uint8_t marker = b[at + 1];
    if (marker == 0xFF) {  // fill bytes
      ++at;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return false;  // no frame header before the data
    uint32_t len = Be16(b + at + 2);
    if (len < 2 || at + 2 + len > n) return false;
    bool sof = (marker >= 0xC0 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof) {
      if (len < 7) return false;
      uint32_t h = Be16(b + at + 5), w = Be16(b + at + 7);
      if (w == 0 || h == 0) return false;
      info->kind = kPfImageJPEG;
      info->width = (int32_t)w;
      info->height = (int32_t)h;
      return true;
    }
    at += 2 + len;
  }
  return false;
}

PfImageRef Make(const uint8_t* bytes, size_t size, const SPfImageInfo& info) {
  PfImageRef img = new PfImageRec;
  img->refs = 1;
  img->info = info;
  img->bytes.assign(bytes, bytes + size);
  ++gLiveImages;
  ++gDecodes;
  return img;
}

}  // namespace

bool PfImageIdentify(const uint8_t* bytes, size_t size, SPfImageInfo* info) {
  SPfImageInfo tmp{kPfImageNone, 0, 0};
  bool ok = bytes && (IdentifyPNG(bytes, size, &tmp) || IdentifyJPEG(bytes, size, &tmp));
  if (info) *info = ok ? tmp : SPfImageInfo{kPfImageNone, 0, 0};
  return ok;
}

PfImageRef PfImageCreateWithPNGData(const uint8_t* bytes, size_t size) {
  SPfImageInfo info;
  if (!bytes || !IdentifyPNG(bytes, size, &info)) return nullptr;
  return Make(bytes, size, info);
}

PfImageRef PfImageCreateWithJPEGData(const uint8_t* bytes, size_t size) {
  SPfImageInfo info;
  if (!bytes || !IdentifyJPEG(bytes, size, &info)) return nullptr;
  return Make(bytes, size, info);
}

PfImageRef PfImageRetain(PfImageRef image) {
  if (image) ++image->refs;
  return image;
}

void PfImageRelease(PfImageRef image) {
  if (image && --image->refs == 0) {
    --gLiveImages;
    delete image;
  }
}

EPfImageKind PfImageGetKind(PfImageRef image) { return image ? image->info.kind : kPfImageNone; }
int32_t PfImageGetWidth(PfImageRef image) { return image ? image->info.width : 0; }
int32_t PfImageGetHeight(PfImageRef image) { return image ? image->info.height : 0; }
int32_t PfImageLiveCount() { return gLiveImages; }
int32_t PfImageDecodeCount() { return gDecodes; }
