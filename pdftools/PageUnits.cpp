#include "pdftools/PageUnits.h"

#include <cstdint>

#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "host/AS.h"
#include "host/AV.h"
#include "pdftools/FixedMatrix.h"

namespace {

// An unset minor version (all bits set) means the host was not asked yet.
ASInt16 gHostMajor = 0;
ASUns16 gHostMinor = 0xFFFF;

double PointsPerUnit(ASInt32 units) {
  switch (units) {
    case kPageUnitsInches:
      return 72.0;
    case kPageUnitsMillimetres:
      return 2.834645669291339;
    case kPageUnitsCentimetres:
      return 28.346456692913385;
    case kPageUnitsPicas:
      return 12.0;
    default:
      return 1.0;
  }
}

// Whole parts of page sizes in points fit easily; the clamp only keeps a
// wild value from turning into undefined behaviour.
int Truncated(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return 2147483647;
  if (value <= -2147483648.0) return (-2147483647 - 1);
  return (int)value;
}

}  // namespace

double ConvertPageDimToPoints2(double value, ASInt32 units) { return value * PointsPerUnit(units); }

double ConvertPointsToPageDim2(double points, ASInt32 units) { return points / PointsPerUnit(units); }

double ConvertFixedPointsToPageDim2(ASFixed fixedPoints, ASInt32 units) {
  return ConvertPointsToPageDim2(FixedToFloat(fixedPoints), units);
}

const char* PageSizeUnitLongString2(ASInt32 units) {
  const char* key;
  switch (units) {
    case kPageUnitsInches:
      key = "util1.longin";
      break;
    case kPageUnitsMillimetres:
      key = "util1.longmm";
      break;
    case kPageUnitsCentimetres:
      key = "util1.longcm";
      break;
    case kPageUnitsPicas:
      key = "util1.longpica";
      break;
    default:
      key = "util1.longpts";
      break;
  }
  return GetMessageFromTableByKey(gSystemMessageTable, key);
}

ASInt16 Util1HostMajorVersion() {
  if (gHostMinor == 0xFFFF) {
    ASInt16 major = 0, minor = 0;
    AVAppGetVersion(&major, &minor);
    gHostMajor = major;
    gHostMinor = (ASUns16)minor;
  }
  return gHostMajor;
}

void Util1ForgetHostVersion() {
  gHostMajor = 0;
  gHostMinor = 0xFFFF;
}

long CurrentUnits() { return (long)(intptr_t)AVAppGetPreference(avpPageUnits); }

ASBool SupportsAcrobat4PageSizes() { return Util1HostMajorVersion() > 3; }

ASFixed AcroRoundPageDim(ASFixed value) {
  if (Util1HostMajorVersion() > 3) return value;
  // In 64 bits: the half added to the largest values must not wrap.
  ASInt64 rounded = ((ASInt64)value + fixedHalf) & ~(ASInt64)0xFFFF;
  if ((rounded >> 16) < -32767) return fixedNegativeInfinity;
  if (rounded > (ASInt64)0x7FFF0000) return (ASFixed)0x7FFF0000;
  return (ASFixed)rounded;
}

char* FormatPageSize2(char* buffer, ASFixed width, ASFixed height, ASInt32 units) {
  const double w = FixedToFloat(width), h = FixedToFloat(height);
  switch (units) {
    case kPageUnitsInches:
      FormatMessageByKeyUTF8(nullptr, "util1.shortin", "%.2f x %.2f in", buffer, kPageSizeTextSize, "ff", w / 72.0,
                             h / 72.0);
      break;
    case kPageUnitsMillimetres:
      if (Util1HostMajorVersion() >= 4)
        FormatMessageByKeyUTF8(nullptr, "util1.shortmm", "%.0f x %.0f mm", buffer, kPageSizeTextSize, "ff",
                               w * 25.4 / 72.0, h * 25.4 / 72.0);
      else
        FormatMessageByKeyUTF8(nullptr, "util1.acrobat4.shortmm", "%d x %d mm", buffer, kPageSizeTextSize, "dd",
                               Truncated(w * 25.4 / 72.0), Truncated(h * 25.4 / 72.0));
      break;
    case kPageUnitsCentimetres:
      FormatMessageByKeyUTF8(nullptr, "util1.shortcm", "%.1f x %.1f cm", buffer, kPageSizeTextSize, "ff",
                             w * 2.54 / 72.0, h * 2.54 / 72.0);
      break;
    case kPageUnitsPicas:
      FormatMessageByKeyUTF8(nullptr, "util1.shortpica", "%.1f x %.1f pica", buffer, kPageSizeTextSize, "ff",
                             w * 6.0 / 72.0, h * 6.0 / 72.0);
      break;
    default:
      FormatMessageByKeyUTF8(nullptr, "util1.shortpts", "%d x %d pt", buffer, kPageSizeTextSize, "dd", Truncated(w),
                             Truncated(h));
      break;
  }
  return buffer;
}
