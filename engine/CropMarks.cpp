#include "engine/CropMarks.h"

#include <cmath>
#include <cstring>

#include "engine/EngineFixed.h"
#include "engine/EnginePrivate.h"
#include "engine/PageMerge.h"
#include "engine/PageMergePriv.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/KParams.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"

namespace {

constexpr SCropMarkDesc kCornersDefault = {28, kRegColourUsePrefs, 0, 1, 0xA0000, 0x140000, 0x4CCB, kCropCorners};
constexpr SCropMarkDesc kJapaneseDefault = {28, kRegColourUsePrefs, 0, 1, 0x88102, 0x1C58B1, 0x4891,
                                            kCropJapanese};

const SKCabEnumWord kStyleWords[] = {{kCropCorners, "Corners"},         {kCropJapanese, "Japanese"},
                                     {kCropCornersMid, "CornersMid"},   {kCropJapaneseMid, "JapaneseMid"},
                                     {kCropKoreanMid, "KoreanMid"},     {kCropCorners, nullptr}};

// Short names for the saturating sums: mark coordinates of hostile rectangles stay in range.
ASFixed Sum(ASInt64 a, ASInt64 b, ASInt64 c = 0) { return EngineFixedSum(a, b, c); }
ASFixed Half(ASInt64 a, ASInt64 b) { return EngineFixedHalf(a, b); }
ASInt64 AbsDiff(ASFixed a, ASFixed b) { return a > b ? (ASInt64)a - b : (ASInt64)b - a; }

double P(ASFixed v) { return (double)PageMergePoints(v); }

void Line(SPageMergeInfo* info, ASFixed x1, ASFixed y1, ASFixed x2, ASFixed y2) {
  PageMergeWriteFormat(info, "%.2f %.2f m %.2f %.2f l S\n", P(x1), P(y1), P(x2), P(y2));
  PageMergeNoteMark(info, x1, y1);
  PageMergeNoteMark(info, x2, y2);
}

// The bracket every kind of mark is drawn in.
void BeginMarks(SPageMergeInfo* info, ASFixed lineWidth, ERegColour colour) {
  PageMergeWriteFormat(info, "\n/%s BMC\n", "KRVL_regmark");
  WriteStringToMergedPage(info, "q n\n");
  PageMergeWriteFormat(info, "%.4f w\n", P(lineWidth));
  AddRegColour(info, colour, 1);
}

void EndMarks(SPageMergeInfo* info) { WriteStringToMergedPage(info, "Q\nEMC\n"); }

// A circle of radius r round (px, py) from four Bezier quarters, counter-clockwise from (px + r, py).
void Circle(SPageMergeInfo* info, ASFixed cx, ASFixed cy, ASFixed radius) {
  PageMergeNoteMark(info, Sum(cx, -(ASInt64)radius), Sum(cy, -(ASInt64)radius));
  PageMergeNoteMark(info, Sum(cx, radius), Sum(cy, radius));
  const float px = PageMergePoints(cx), py = PageMergePoints(cy), r = PageMergePoints(radius);
  const float k = 0.552f * r;
  PageMergeWriteFormat(info, "%.2f %.2f m ", (double)(px + r), (double)py);
  const float arcs[4][6] = {{px + r, py + k, px + k, py + r, px, py + r},
                            {px - k, py + r, px - r, py + k, px - r, py},
                            {px - r, py - k, px - k, py - r, px, py - r},
                            {px + k, py - r, px + r, py - k, px + r, py}};
  for (int i = 0; i < 4; ++i) {
    const float* a = arcs[i];
    PageMergeWriteFormat(info, i < 3 ? "%.2f %.2f %.2f %.2f %.2f %.2f c " : "%.2f %.2f %.2f %.2f %.2f %.2f c S\n",
                         (double)a[0], (double)a[1], (double)a[2], (double)a[3], (double)a[4], (double)a[5]);
  }
}

}  // namespace

const char* CropMarkStyleWord(ECropMarkStyle style) { return KCabEkEnumToStringTable(style, kStyleWords); }

ECropMarkStyle CropMarkStyleFromAtom(ASAtom word) {
  return (ECropMarkStyle)KCabEkAtomToEnumTable(word, kStyleWords);
}

const SCropMarkDesc* DefaultCropMarkDesc() {
  const char* language = GetMessageFromTableByKey(gSystemMessageTable, "common.language");
  return language && std::strcmp(language, "JP") == 0 ? &kJapaneseDefault : &kCornersDefault;
}

SCropMarkDesc* DefaultCropMarkDescForStyle(SCropMarkDesc* out, ECropMarkStyle style) {
  if (!out) return out;
  switch (style) {
    case kCropJapanese:
    case kCropJapaneseMid:
    case kCropKoreanMid:
      *out = kJapaneseDefault;
      break;
    case kCropCornersMid:
      *out = kCornersDefault;
      break;
    default:
      *out = kCornersDefault;
      style = kCropCorners;
      break;
  }
  out->style = style;
  return out;
}

SCropMarkDesc* ResolveCropMarkRequest(SCropMarkDesc* out, const SCropMarkDesc* request) {
  if (!out) return out;
  const SCropMarkDesc* language = DefaultCropMarkDesc();
  if (request) {
    SCropMarkDesc copy;
    std::memset(&copy, 0, sizeof copy);
    // A request is never longer than the record; an older, shorter one
    // leaves the rest zero.
    size_t bytes = request->size < sizeof copy ? request->size : sizeof copy;
    std::memcpy(&copy, request, bytes);
    copy.size = sizeof copy;
    *out = copy;
  } else {
    *out = *language;
  }
  if (out->measuresValid == 0) {
    out->measuresValid = 1;
    out->distance = language->distance;
    out->length = language->length;
    out->lineWidth = language->lineWidth;
  }
  return out;
}

void InitialiseCropMarkParams(SKCab* params, ASBool on) {
  if (!params) return;
  const SCropMarkDesc* d = DefaultCropMarkDesc();
  KCabPutBool(params, "CropMarks", on);
  KCabPutDouble(params, "CropDist", d->distance / 65536.0);
  KCabPutDouble(params, "CropWidth", d->lineWidth / 65536.0);
  KCabPutDouble(params, "CropLength", d->length / 65536.0);
  KCabPutAtom(params, "CropStyle", ASAtomFromString(CropMarkStyleWord(d->style)));
}

SCropMarkDesc* FillCropMarkDescFromCab(SCropMarkDesc* out, SKCab* params) {
  if (!out) return out;
  *out = *DefaultCropMarkDesc();
  if (!params) return out;
  if (KCabKnown(params, "CropStyle"))
    DefaultCropMarkDescForStyle(out, CropMarkStyleFromAtom(KCabGetAtom(params, "CropStyle", ASAtomNull)));
  auto measure = [&](const char* key, ASFixed fallback) {
    return EngineFixedFromPoints(KCabGetDouble(params, key, EngineFixedToPoints(fallback)));
  };
  out->distance = measure("CropDist", out->distance);
  out->length = measure("CropLength", out->length);
  out->lineWidth = measure("CropWidth", out->lineWidth);
  return out;
}

void AddCropMarksWithMatrix(SPageMergeInfo* info, ASFixed L, ASFixed B, ASFixed R, ASFixed T, const ASFixedMatrix*,
                            const SCropMarkDesc* request, const void*) {
  SCropMarkDesc desc;
  ResolveCropMarkRequest(&desc, request);
  const ASUns16 omit = desc.omit;
  if (omit == kOmitAllMarks) return;
  const ASInt64 d = desc.distance, n = desc.length;
  BeginMarks(info, desc.lineWidth, desc.colour);

  if (!(omit & kOmitBottomLeftH)) Line(info, Sum(L, -d, -n), B, Sum(L, -d), B);
  if (!(omit & kOmitTopLeftH)) Line(info, Sum(L, -d, -n), T, Sum(L, -d), T);
  if (!(omit & kOmitBottomRightH)) Line(info, Sum(R, d), B, Sum(R, d, n), B);
  if (!(omit & kOmitTopRightH)) Line(info, Sum(R, d), T, Sum(R, d, n), T);
  if (!(omit & kOmitBottomLeftV)) Line(info, L, Sum(B, -d, -n), L, Sum(B, -d));
  if (!(omit & kOmitBottomRightV)) Line(info, R, Sum(B, -d, -n), R, Sum(B, -d));
  if (!(omit & kOmitTopLeftV)) Line(info, L, Sum(T, d), L, Sum(T, d, n));
  if (!(omit & kOmitTopRightV)) Line(info, R, Sum(T, d), R, Sum(T, d, n));

  const ECropMarkStyle style = desc.style;
  if (style == kCropJapanese || style == kCropJapaneseMid) {
    if (!(omit & (kOmitTopLeftH | kOmitTopLeftV))) {
      Line(info, Sum(L, -d, -n), Sum(T, d), L, Sum(T, d));
      Line(info, Sum(L, -d), T, Sum(L, -d), Sum(T, d, n));
    }
    if (!(omit & (kOmitTopRightH | kOmitTopRightV))) {
      Line(info, R, Sum(T, d), Sum(R, d, n), Sum(T, d));
      Line(info, Sum(R, d), T, Sum(R, d), Sum(T, d, n));
    }
    if (!(omit & (kOmitBottomLeftH | kOmitBottomLeftV))) {
      Line(info, Sum(L, -d, -n), Sum(B, -d), L, Sum(B, -d));
      Line(info, Sum(L, -d), B, Sum(L, -d), Sum(B, -d, -n));
    }
    if (!(omit & (kOmitBottomRightH | kOmitBottomRightV))) {
      Line(info, R, Sum(B, -d), Sum(R, d, n), Sum(B, -d));
      Line(info, Sum(R, d), B, Sum(R, d), Sum(B, -d, -n));
    }
  }

  if (style == kCropCornersMid || style == kCropJapaneseMid || style == kCropKoreanMid) {
    const ASFixed cx = Half(L, R), cy = Half(B, T);
    const bool top = !(omit & (kOmitTopRightV | kOmitTopLeftV));
    const bool bottom = !(omit & (kOmitBottomRightV | kOmitBottomLeftV));
    const bool left = !(omit & (kOmitTopLeftH | kOmitBottomLeftH));
    const bool right = !(omit & (kOmitTopRightH | kOmitBottomRightH));
    if (top) Line(info, cx, Sum(T, d), cx, Sum(T, d, n));
    if (bottom) Line(info, cx, Sum(B, -d, -n), cx, Sum(B, -d));
    if (left) Line(info, Sum(L, -d, -n), cy, Sum(L, -d), cy);
    if (right) Line(info, Sum(R, d), cy, Sum(R, d, n), cy);
    if (style == kCropJapaneseMid || style == kCropKoreanMid) {
      const ASInt64 half = n / 2;
      const ASFixed radius = EngineSat32(n / 4);
      auto crossAndCircle = [&](ASFixed x1, ASFixed y1, ASFixed x2, ASFixed y2, ASFixed px, ASFixed py) {
        Line(info, x1, y1, x2, y2);
        if (style == kCropKoreanMid) Circle(info, px, py, radius);
      };
      if (top) {
        const ASFixed y = Sum(T, d, half);
        crossAndCircle(Sum(cx, -n), y, Sum(cx, n), y, cx, y);
      }
      if (bottom) {
        const ASFixed y = Sum(B, -d, -half);
        crossAndCircle(Sum(cx, -n), y, Sum(cx, n), y, cx, y);
      }
      if (left) {
        const ASFixed x = Sum(L, -d, -half);
        crossAndCircle(x, Sum(cy, -n), x, Sum(cy, n), x, cy);
      }
      if (right) {
        const ASFixed x = Sum(R, d, half);
        crossAndCircle(x, Sum(cy, -n), x, Sum(cy, n), x, cy);
      }
    }
  }
  EndMarks(info);
}

void AddCropMarks(SPageMergeInfo* info, ASFixed left, ASFixed bottom, ASFixed right, ASFixed top,
                  const SCropMarkDesc* desc) {
  AddCropMarksWithMatrix(info, left, bottom, right, top, nullptr, desc, nullptr);
}

void AddInterPageCropMarks(SPageMergeInfo* info, ASFixedRect a, ASFixedRect b, ASBool horizontal, ASBool first,
                           ASBool second, const SCropMarkDesc* request) {
  SCropMarkDesc desc;
  ResolveCropMarkRequest(&desc, request);
  if (desc.style != kCropJapanese && desc.style != kCropJapaneseMid && desc.style != kCropKoreanMid) return;
  const ASInt64 d = desc.distance, n = desc.length, half = n / 2;
  BeginMarks(info, desc.lineWidth, desc.colour);
  if (horizontal) {
    const ASFixed mx = Half(a.right, b.left);
    if (first && 2 * AbsDiff(b.top, a.top) < d) {
      const ASFixed y = Sum(Half(a.top, b.top), d);
      Line(info, mx, y, mx, Sum(y, n));
      const ASFixed bar = Sum(a.top, d, half);
      Line(info, Sum(a.right, -n), bar, Sum(b.left, n), bar);
    }
    if (second && 2 * AbsDiff(b.bottom, a.bottom) < d) {
      const ASFixed y = Sum(Half(a.bottom, b.bottom), -d);
      Line(info, mx, y, mx, Sum(y, -n));
      const ASFixed bar = Sum(a.bottom, -d, -half);
      Line(info, Sum(a.right, -n), bar, Sum(b.left, n), bar);
    }
  } else {
    const ASFixed my = Half(a.bottom, b.top);
    if (first && 2 * AbsDiff(b.left, a.left) < d) {
      const ASFixed x = Sum(Half(a.left, b.left), -d);
      Line(info, x, my, Sum(x, -n), my);
      const ASFixed bar = Sum(a.left, -d, -half);
      Line(info, bar, Sum(b.top, -n), bar, Sum(a.bottom, n));
    }
    if (second && 2 * AbsDiff(b.right, a.right) < d) {
      const ASFixed x = Sum(Half(a.right, b.right), d);
      Line(info, x, my, Sum(x, n), my);
      const ASFixed bar = Sum(a.right, d, half);
      Line(info, bar, Sum(b.top, -n), bar, Sum(a.bottom, n));
    }
  }
  EndMarks(info);
}

void AddFrame(SPageMergeInfo* info, double x0, double y0, double x1, double y1, ERegColour colour) {
  PageMergeWriteFormat(info, "\n/%s BMC\n", "KRVL_regmark");
  WriteStringToMergedPage(info, "q n\n");
  WriteStringToMergedPage(info, "0.3 w\n");
  AddRegColour(info, colour, 1);
  PageMergeWriteFormat(info, "%.2f %.2f %.2f %.2f re S\n", x0, y0, x1 - x0, y1 - y0);
  EndMarks(info);
}

const SKCabEnumWord* CropMarkParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "CropStyle") == 0) return kStyleWords;
  return nullptr;
}

void WarnCropMarksOffSheet(const SPageMergeInfo* info, const SCropMarkDesc* request) {
  if (!info || info->sheetsWithMarksOff < 1) return;
  SCropMarkDesc desc;
  ResolveCropMarkRequest(&desc, request);
  // Points to two decimals, millimetres to one: what a user sets a margin in.
  auto number = [](double v, double step, char* out, size_t size) {
    KParamFormatNumber(std::round(v / step) * step, out, size);
  };
  const double reach = EngineFixedToPoints(desc.distance) + EngineFixedToPoints(desc.length);
  const double over = EngineFixedToPoints(info->marksOverhang);
  char overPt[64], overMm[64], reachPt[64], reachMm[64], text[1000];
  number(over, 0.01, overPt, sizeof overPt);
  number(over * 25.4 / 72, 0.1, overMm, sizeof overMm);
  number(reach, 0.01, reachPt, sizeof reachPt);
  number(reach * 25.4 / 72, 0.1, reachMm, sizeof reachMm);
  engine_detail::FormatMsg(text, sizeof text, "cropmarks.warn.offsheet", "dddssss", (int)info->sheetsWithMarksOff,
            (int)info->sheetsFinished, (int)info->firstSheetWithMarksOff + 1, overPt, overMm, reachPt, reachMm);
  WarnMessageUTF8(text);
}
