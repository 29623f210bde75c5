// The engine's 16.16 arithmetic and number text, in one place so that every
// layout converts alike. One rule for every conversion to 16.16: truncation
// toward zero, saturation at the range ends, NaN gives 0. Sums and products
// of hostile sizes saturate instead of wrapping.
#pragma once

#include <cstdarg>
#include <string>

#include "host/ASTypes.h"

// A 64-bit value held in 32 bits, saturated (16.16 values and plain integers alike).
ASInt32 EngineSat32(ASInt64 value);
// a + b (+ c), saturated.
ASFixed EngineFixedSum(ASInt64 a, ASInt64 b, ASInt64 c = 0);
// The midpoint of a and b, the halving truncated toward zero.
ASFixed EngineFixedHalf(ASInt64 a, ASInt64 b);
ASFixed EngineFixedAbs(ASInt64 a);

// A 16.16 value computed in floating point (65536 units a point), truncated.
ASFixed EngineFixedFromRaw(double raw);
// Points to 16.16, truncated.
ASFixed EngineFixedFromPoints(double points);
double EngineFixedToPoints(ASFixed value);
// A length at a scale, truncated.
ASFixed EngineFixedScaled(ASFixed length, double scale);

// printf-style text in the C locale, whatever the user's locale is.
// Text longer than 511 bytes is cut; the engine's own statements are short.
std::string EngineFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string EngineFormatV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
