// Background and blank template descriptions for the toolkit's and the
// engine's template tests.
#pragma once

#include <cstring>
#include <string>

#include "host/ASFixed.h"
#include "pdftools/PageTemplate.h"

namespace kvtest {

inline STemplateInfo FileTemplate(const std::string& path, int from, int to, int repeat) {
  STemplateInfo t;
  std::memset(&t, 0, sizeof t);
  TemplateInfoSetPath(&t, path.c_str());
  t.from = from;
  t.to = to;
  t.repeat = repeat;
  return t;
}

inline STemplateInfo BlankTemplate(double w, double h) {
  STemplateInfo t;
  std::memset(&t, 0, sizeof t);
  t.blank = 1;
  t.width = ASFloatToFixed(w);
  t.height = ASFloatToFixed(h);
  return t;
}

}  // namespace kvtest
