// 16.16 fixed point, with conversions that saturate at the range ends.
#pragma once

#include "host/ASTypes.h"

constexpr ASFixed fixedZero = 0;
constexpr ASFixed fixedHalf = 0x8000;
constexpr ASFixed fixedOne = 0x10000;
constexpr ASFixed fixedTwo = 0x20000;
constexpr ASFixed fixedTen = 0xA0000;
constexpr ASFixed fixedNinety = 0x5A0000;
constexpr ASFixed fixedPositiveInfinity = 0x7FFFFFFF;
constexpr ASFixed fixedNegativeInfinity = (ASFixed)0x80000000;

// From floating point: rounded to the nearest, saturated; NaN gives 0.
ASFixed ASFloatToFixed(double value);
double ASFixedToFloat(ASFixed value);
// From an integer: saturated.
ASFixed ASInt32ToFixed(ASInt32 value);
// To an integer: rounded to the nearest (halves away from zero) or truncated.
ASInt32 ASFixedRoundToInt32(ASFixed value);
ASInt32 ASFixedTruncToInt32(ASFixed value);

// Products and quotients, saturated. Division by zero gives the infinity of
// the dividend's sign (zero by zero gives zero).
ASFixed ASFixedMul(ASFixed a, ASFixed b);
ASFixed ASFixedDiv(ASFixed a, ASFixed b);

// result = m1 x m2 (a point transformed by the result is transformed by m1, then m2).
void ASFixedMatrixConcat(ASFixedMatrix* result, const ASFixedMatrix* m1, const ASFixedMatrix* m2);
// Raises genErrBadMatrix when the matrix cannot be inverted (determinant 0, or
// an inverse that does not fit in fixed point).
void ASFixedMatrixInvert(ASFixedMatrix* result, const ASFixedMatrix* m);
void ASFixedMatrixTransform(ASFixedPoint* result, const ASFixedMatrix* m, const ASFixedPoint* p);
// The bounding box of the transformed rectangle, normalised (left <= right,
// bottom <= top).
void ASFixedMatrixTransformRect(ASFixedRect* result, const ASFixedMatrix* m, const ASFixedRect* r);
