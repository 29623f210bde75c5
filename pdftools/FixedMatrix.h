// Fixed-point matrices for placing pages: a point (x, y) maps to
// (a·x + c·y + h, b·x + d·y + v).
//
// Fixed values become floats as (float)value / 65536 and come back as the
// float times 65536, truncated toward zero; results beyond the 16.16 range
// saturate at its ends (NaN gives 0).
#pragma once

#include "host/ASTypes.h"

float FixedToFloat(ASFixed value);
ASFixed FloatToFixed(float value);

ASFixedMatrix MatrixFromFloat(double a, double b, double c, double d, double h, double v);
// m1 applied first, then m2.
ASFixedMatrix MatrixMultiply(ASFixedMatrix m1, ASFixedMatrix m2);
ASFixedPoint TransformPointByMatrix(ASFixedPoint p, ASFixedMatrix m);
// The rectangle spanned by the transformed corners (left, bottom) and
// (right, top): the exact bounding box for scalings, translations and
// rotations by multiples of 90 degrees.
ASFixedRect TransformRectByMatrix(ASFixedRect r, ASFixedMatrix m);
// Raises util1ExceptionBadMatrix when the matrix is singular or its inverse
// does not fit in fixed point.
ASFixedMatrix MatrixInvert(ASFixedMatrix m);
ASBool IsIdentityMatrix(ASFixedMatrix m);
