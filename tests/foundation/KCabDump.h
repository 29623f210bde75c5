// A cabinet as one line of text, in enumeration order, for comparing
// cabinets in tests: key=type:value, sub-cabinets in braces.
#pragma once

#include <cstdio>
#include <string>

#include "foundation/KCab.h"

namespace kvtest {

inline std::string DumpKCab(SKCab* cab);

inline ASBool DumpEntry(SKCab* cab, const char* key, ASInt32 type, void* data) {
  std::string& out = *static_cast<std::string*>(data);
  out += key;
  out += '=';
  char number[64];
  switch (type) {
    case kKCabTypeBool: out += KCabGetBool(cab, key, 0) ? "b:1" : "b:0"; break;
    case kKCabTypeInt:
      std::snprintf(number, sizeof number, "i:%d", (int)KCabGetInt(cab, key, 0));
      out += number;
      break;
    case kKCabTypeUns:
      std::snprintf(number, sizeof number, "u:%u", (unsigned)KCabGetUns(cab, key, 0));
      out += number;
      break;
    case kKCabTypeAtom: out += std::string("a:") + ASAtomGetString(KCabGetAtom(cab, key, ASAtomNull)); break;
    case kKCabTypeDouble:
      std::snprintf(number, sizeof number, "d:%.17g", KCabGetDouble(cab, key, 0));
      out += number;
      break;
    case kKCabTypeString: out += std::string("s:") + KCabGetString(cab, key); break;
    case kKCabTypeBinary: {
      ASUns32 length = 0;
      const void* data = KCabGetBinary(cab, key, &length);
      out += "x:" + std::string(static_cast<const char*>(data), length);
      break;
    }
    case kKCabTypeNamedPointer: out += "p"; break;
    case kKCabTypeCab: out += DumpKCab(KCabGetCab(cab, key)); break;
    case kKCabTypeNull: out += "null"; break;
    default: out += "?"; break;
  }
  out += ';';
  return 1;
}

inline std::string DumpKCab(SKCab* cab) {
  std::string out = "{";
  KCabConstEnum(cab, DumpEntry, &out);
  return out + "}";
}

}  // namespace kvtest
