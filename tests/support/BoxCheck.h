// Helpers for tests of page boxes: rectangles made and shown in points, a
// page's own box entries and its boxes as the toolkit reads them.
#pragma once

#include <cstdio>
#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "pdftools/CosRect.h"
#include "pdftools/PageBoxes.h"
#include "support/HostPdf.h"

namespace kvtest {

// A rectangle from PDF order (left bottom right top), in points.
inline ASFixedRect BoxRect(double l, double b, double r, double t) {
  return ASFixedRect{ASFloatToFixed(l), ASFloatToFixed(t), ASFloatToFixed(r), ASFloatToFixed(b)};
}

// "[left bottom right top]" in points.
inline std::string ShowRect(const ASFixedRect& r) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "[%g %g %g %g]", Pt(r.left), Pt(r.bottom), Pt(r.right), Pt(r.top));
  return buf;
}

// The dictionary's own entry as a rectangle, "none" when it is not one.
inline std::string OwnRect(CosObj dict, const char* key) {
  ASFixedRect r;
  return LoadRect(CosDictGet(dict, ASAtomFromString(key)), &r) ? ShowRect(r) : "none";
}

// The page's box as the toolkit reads it.
inline std::string ShowPageRect(PDPage page, EWhichSize which) {
  ASFixedRect r;
  GetPageRect(page, &r, which);
  return ShowRect(r);
}

}  // namespace kvtest
