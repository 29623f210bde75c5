#include "engine/EngineFixed.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>

#include "foundation/CLocale.h"

ASInt32 EngineSat32(ASInt64 value) { return (ASInt32)std::clamp<ASInt64>(value, INT32_MIN, INT32_MAX); }

ASFixed EngineFixedSum(ASInt64 a, ASInt64 b, ASInt64 c) { return EngineSat32(a + b + c); }

ASFixed EngineFixedHalf(ASInt64 a, ASInt64 b) { return EngineSat32((a + b) / 2); }

ASFixed EngineFixedAbs(ASInt64 a) { return EngineSat32(a < 0 ? -a : a); }

ASFixed EngineFixedFromRaw(double raw) {
  if (!(raw == raw)) return 0;
  // The clamp comes first: a double beyond the 32-bit range would not convert.
  return (ASFixed)std::clamp(raw, (double)INT32_MIN, (double)INT32_MAX);
}

ASFixed EngineFixedFromPoints(double points) { return EngineFixedFromRaw(points * 65536.0); }

double EngineFixedToPoints(ASFixed value) { return value / 65536.0; }

ASFixed EngineFixedScaled(ASFixed length, double scale) { return EngineFixedFromRaw((double)length * scale); }

std::string EngineFormatV(const char* format, va_list args) {
  char text[512];
  const int n = CLocaleVsnprintf(text, sizeof text, format, args);
  if (n < 0) return std::string();
  return std::string(text, std::min((size_t)n, sizeof text - 1));
}

std::string EngineFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = EngineFormatV(format, args);
  va_end(args);
  return text;
}
