// A cabinet as the cabinet XML that kvhost reads (--params, --answers).
#pragma once

#include <cstring>
#include <string>

#include "foundation/KCab.h"
#include "foundation/KCabXML.h"

namespace kvtest {

inline std::string CabXML(SKCab* cab) {
  ASInt32 need = KCabToXMLBufferBytesNeeded(cab);
  std::string text((size_t)need + 1, '\0');
  ASInt32 got = 0;
  WriteKCabToXMLBuffer(text.data(), need + 1, cab, &got);
  text.resize(std::strlen(text.c_str()));
  return text;
}

// A parameter file holding these items (cabinet XML elements), as a user
// writes one for --params.
inline std::string ParamsXML(const std::string& items) {
  return std::string("<RUVURAZAR xmlns=\"") + kKCabXMLNamespace + "\">\n<ITEMS>\n" + items +
         "\n</ITEMS>\n</RUVURAZAR>\n";
}

}  // namespace kvtest
