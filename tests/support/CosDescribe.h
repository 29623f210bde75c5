// A rendering of a Cos object's direct parts for tests: two objects render
// alike when their direct parts hold the same values and refer to the same
// indirect objects. Indirect objects below the top are shown by number, not
// followed; dictionary keys are sorted.
#pragma once

#include <map>
#include <string>

#include "host/Cos.h"

namespace kvtest {

inline std::string Describe(CosObj o, bool top = true) {
  if (!top && CosObjIsIndirect(o) && CosObjGetType(o) != CosNull)
    return std::to_string(CosObjGetID(o)) + " R";
  switch (CosObjGetType(o)) {
    case CosNull: return "null";
    case CosInteger: return std::to_string(CosInteger64Value(o));
    case CosReal: return std::to_string(CosDoubleValue(o));
    case CosBoolean: return CosBooleanValue(o) ? "true" : "false";
    case CosName: return std::string("/") + ASAtomGetString(CosNameValue(o));
    case CosString: {
      ASSize_t n = 0;
      const char* s = CosStringValue(o, &n);
      return "(" + std::string(s, n) + ")";
    }
    case CosArray: {
      std::string out = "[";
      for (ASInt32 i = 0; i < CosArrayLength(o); ++i) out += Describe(CosArrayGet(o, i), false) + " ";
      return out + "]";
    }
    case CosDict: {
      std::map<std::string, std::string> entries;
      CosObjEnum(
          o,
          [](CosObj k, CosObj v, void* c) -> ASBool {
            auto& out = *static_cast<std::map<std::string, std::string>*>(c);
            out[ASAtomGetString(CosNameValue(k))] = Describe(v, false);
            return true;
          },
          &entries);
      std::string out = "<<";
      for (auto& [k, v] : entries) out += "/" + k + " " + v + " ";
      return out + ">>";
    }
    case CosStream: return "stream " + Describe(CosStreamDict(o), true);
    default: return "?";
  }
}

}  // namespace kvtest
