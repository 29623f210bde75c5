#include "host/ASFixed.h"

#include <cmath>

#include "host/ASExcept.h"

namespace {

ASFixed Saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return fixedPositiveInfinity;
  if (v <= -2147483648.0) return fixedNegativeInfinity;
  return (ASFixed)v;
}

double Raw(ASFixed f) { return (double)f; }

}  // namespace

ASFixed ASFloatToFixed(double value) { return Saturate(std::round(value * 65536.0)); }

double ASFixedToFloat(ASFixed value) { return Raw(value) / 65536.0; }

ASFixed ASInt32ToFixed(ASInt32 value) { return Saturate((double)value * 65536.0); }

ASInt32 ASFixedRoundToInt32(ASFixed value) { return (ASInt32)std::lround(ASFixedToFloat(value)); }

ASInt32 ASFixedTruncToInt32(ASFixed value) { return (ASInt32)std::trunc(ASFixedToFloat(value)); }

ASFixed ASFixedMul(ASFixed a, ASFixed b) {
  // 64-bit product, rounded to nearest, saturated.
  long double p = (long double)a * (long double)b / 65536.0L;
  return Saturate((double)std::roundl(p));
}

ASFixed ASFixedDiv(ASFixed a, ASFixed b) {
  if (b == 0) {
    if (a == 0) return 0;
    return a > 0 ? fixedPositiveInfinity : fixedNegativeInfinity;
  }
  long double q = (long double)a * 65536.0L / (long double)b;
  return Saturate((double)std::roundl(q));
}

void ASFixedMatrixConcat(ASFixedMatrix* result, const ASFixedMatrix* m1, const ASFixedMatrix* m2) {
  // Work in doubles so that an intermediate product cannot overflow; each
  // coefficient saturates once at the end.
  double a1 = ASFixedToFloat(m1->a), b1 = ASFixedToFloat(m1->b), c1 = ASFixedToFloat(m1->c),
         d1 = ASFixedToFloat(m1->d), h1 = ASFixedToFloat(m1->h), v1 = ASFixedToFloat(m1->v);
  double a2 = ASFixedToFloat(m2->a), b2 = ASFixedToFloat(m2->b), c2 = ASFixedToFloat(m2->c),
         d2 = ASFixedToFloat(m2->d), h2 = ASFixedToFloat(m2->h), v2 = ASFixedToFloat(m2->v);
  ASFixedMatrix r;
  r.a = ASFloatToFixed(a1 * a2 + b1 * c2);
  r.b = ASFloatToFixed(a1 * b2 + b1 * d2);
  r.c = ASFloatToFixed(c1 * a2 + d1 * c2);
  r.d = ASFloatToFixed(c1 * b2 + d1 * d2);
  r.h = ASFloatToFixed(h1 * a2 + v1 * c2 + h2);
  r.v = ASFloatToFixed(h1 * b2 + v1 * d2 + v2);
  *result = r;
}

void ASFixedMatrixInvert(ASFixedMatrix* result, const ASFixedMatrix* m) {
  double a = ASFixedToFloat(m->a), b = ASFixedToFloat(m->b), c = ASFixedToFloat(m->c), d = ASFixedToFloat(m->d),
         h = ASFixedToFloat(m->h), v = ASFixedToFloat(m->v);
  double det = a * d - b * c;
  if (det == 0.0) ASRaise(genErrBadMatrix);
  double k = 1.0 / det;
  double r[6] = {d * k, -b * k, -c * k, a * k, (c * v - d * h) * k, (b * h - a * v) * k};
  for (double x : r)
    if (!std::isfinite(x) || std::fabs(x) >= 32768.0) ASRaise(genErrBadMatrix);
  ASFixedMatrix out{ASFloatToFixed(r[0]), ASFloatToFixed(r[1]), ASFloatToFixed(r[2]),
                    ASFloatToFixed(r[3]), ASFloatToFixed(r[4]), ASFloatToFixed(r[5])};
  *result = out;
}

void ASFixedMatrixTransform(ASFixedPoint* result, const ASFixedMatrix* m, const ASFixedPoint* p) {
  double x = ASFixedToFloat(p->h), y = ASFixedToFloat(p->v);
  ASFixedPoint r;
  r.h = ASFloatToFixed(x * ASFixedToFloat(m->a) + y * ASFixedToFloat(m->c) + ASFixedToFloat(m->h));
  r.v = ASFloatToFixed(x * ASFixedToFloat(m->b) + y * ASFixedToFloat(m->d) + ASFixedToFloat(m->v));
  *result = r;
}

void ASFixedMatrixTransformRect(ASFixedRect* result, const ASFixedMatrix* m, const ASFixedRect* r) {
  ASFixedPoint corners[4] = {{r->left, r->bottom}, {r->right, r->bottom}, {r->right, r->top}, {r->left, r->top}};
  ASFixedPoint t;
  ASFixedMatrixTransform(&t, m, &corners[0]);
  ASFixedRect out{t.h, t.v, t.h, t.v};
  for (int i = 1; i < 4; ++i) {
    ASFixedMatrixTransform(&t, m, &corners[i]);
    if (t.h < out.left) out.left = t.h;
    if (t.h > out.right) out.right = t.h;
    if (t.v > out.top) out.top = t.v;
    if (t.v < out.bottom) out.bottom = t.v;
  }
  *result = out;
}
