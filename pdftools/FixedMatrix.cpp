#include "pdftools/FixedMatrix.h"

#include <cmath>

#include "host/AS.h"
#include "pdftools/DocChecks.h"

namespace {

constexpr float kFixedScale = 1.0f / 65536.0f;

// Products of 16.16 values easily leave the range; beyond it the nearest end
// is the only answer that keeps the geometry's sign.
bool FitsFixed(float scaled) { return scaled > -2147483648.0f && scaled < 2147483648.0f; }

}  // namespace

float FixedToFloat(ASFixed value) { return (float)value * kFixedScale; }

ASFixed FloatToFixed(float value) {
  float scaled = value * 65536.0f;
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483648.0f) return fixedPositiveInfinity;
  if (scaled <= -2147483648.0f) return fixedNegativeInfinity;
  return (ASFixed)scaled;
}

ASFixedMatrix MatrixFromFloat(double a, double b, double c, double d, double h, double v) {
  return ASFixedMatrix{FloatToFixed((float)a), FloatToFixed((float)b), FloatToFixed((float)c),
                       FloatToFixed((float)d), FloatToFixed((float)h), FloatToFixed((float)v)};
}

ASFixedMatrix MatrixMultiply(ASFixedMatrix m1, ASFixedMatrix m2) {
  float a = FixedToFloat(m1.a), b = FixedToFloat(m1.b), c = FixedToFloat(m1.c), d = FixedToFloat(m1.d);
  float h = FixedToFloat(m1.h), v = FixedToFloat(m1.v);
  float p = FixedToFloat(m2.a), q = FixedToFloat(m2.b), r = FixedToFloat(m2.c), s = FixedToFloat(m2.d);
  float t = FixedToFloat(m2.h), u = FixedToFloat(m2.v);
  return ASFixedMatrix{FloatToFixed(a * p + b * r), FloatToFixed(a * q + b * s), FloatToFixed(c * p + d * r),
                       FloatToFixed(c * q + d * s), FloatToFixed(h * p + v * r + t), FloatToFixed(h * q + v * s + u)};
}

ASFixedPoint TransformPointByMatrix(ASFixedPoint p, ASFixedMatrix m) {
  double x = FixedToFloat(p.h), y = FixedToFloat(p.v);
  double a = FixedToFloat(m.a), b = FixedToFloat(m.b), c = FixedToFloat(m.c), d = FixedToFloat(m.d);
  double h = FixedToFloat(m.h), v = FixedToFloat(m.v);
  return ASFixedPoint{FloatToFixed((float)(a * x + c * y + h)), FloatToFixed((float)(b * x + d * y + v))};
}

ASFixedRect TransformRectByMatrix(ASFixedRect r, ASFixedMatrix m) {
  ASFixedPoint p1 = TransformPointByMatrix(ASFixedPoint{r.left, r.bottom}, m);
  ASFixedPoint p2 = TransformPointByMatrix(ASFixedPoint{r.right, r.top}, m);
  ASFixedRect out;
  out.left = p1.h < p2.h ? p1.h : p2.h;
  out.right = p1.h < p2.h ? p2.h : p1.h;
  out.bottom = p1.v < p2.v ? p1.v : p2.v;
  out.top = p1.v < p2.v ? p2.v : p1.v;
  return out;
}

ASFixedMatrix MatrixInvert(ASFixedMatrix m) {
  double a = FixedToFloat(m.a), b = FixedToFloat(m.b), c = FixedToFloat(m.c), d = FixedToFloat(m.d);
  double h = FixedToFloat(m.h), v = FixedToFloat(m.v);
  double det = a * d - b * c;
  if (det == 0.0) {
    Util1_SetupModule();
    ASRaise(util1ExceptionBadMatrix);
  }
  double k = 1.0 / det;
  float values[6] = {(float)(d * k), (float)(-b * k), (float)(-c * k),
                     (float)(a * k), (float)((c * v - d * h) * k), (float)((b * h - a * v) * k)};
  // A saturated inverse would place pages at a wrong spot without a word.
  for (float x : values) {
    if (!FitsFixed(x * 65536.0f)) {
      Util1_SetupModule();
      ASRaise(util1ExceptionBadMatrix);
    }
  }
  return ASFixedMatrix{FloatToFixed(values[0]), FloatToFixed(values[1]), FloatToFixed(values[2]),
                       FloatToFixed(values[3]), FloatToFixed(values[4]), FloatToFixed(values[5])};
}

ASBool IsIdentityMatrix(ASFixedMatrix m) {
  return m.a == fixedOne && m.d == fixedOne && m.b == 0 && m.c == 0 && m.h == 0 && m.v == 0;
}
