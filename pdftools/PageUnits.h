// Page dimensions in the user's units, their names and formatted sizes, and
// the host-version tests that decide page-size limits and rounding.
//
// Unit codes: 1 inches, 2 millimetres, 3 centimetres, 4 picas; 0 and every
// other value points.
#pragma once

#include <cstddef>

#include "host/ASTypes.h"

enum EPageUnits : ASInt32 {
  kPageUnitsPoints = 0,
  kPageUnitsInches = 1,
  kPageUnitsMillimetres = 2,
  kPageUnitsCentimetres = 3,
  kPageUnitsPicas = 4
};

double ConvertPageDimToPoints2(double value, ASInt32 units);
double ConvertPointsToPageDim2(double points, ASInt32 units);
double ConvertFixedPointsToPageDim2(ASFixed fixedPoints, ASInt32 units);
// The unit's long name from the system message table.
const char* PageSizeUnitLongString2(ASInt32 units);

// The user's page units: the host's page-units preference, used as a unit code.
long CurrentUnits();

// The host's version, asked once and remembered.
ASInt16 Util1HostMajorVersion();
// Forgets the remembered version (tests that change the host's version).
void Util1ForgetHostVersion();
// True on hosts of major version 4 and later.
ASBool SupportsAcrobat4PageSizes();
// Unchanged on hosts of major version 4 and later; older hosts keep whole
// points only: rounded half up, saturated at the range ends.
ASFixed AcroRoundPageDim(ASFixed value);

// Room FormatPageSize2 needs.
constexpr size_t kPageSizeTextSize = 256;
// "width x height" in the units, from the unit's message format; buffer
// holds kPageSizeTextSize bytes. Returns buffer.
char* FormatPageSize2(char* buffer, ASFixed width, ASFixed height, ASInt32 units);
