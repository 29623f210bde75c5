// The whole data of a Cos stream as bytes, for tests.
#pragma once

#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "support/ScopedStm.h"

namespace kvtest {

inline std::string CosStreamBytes(CosObj stream, CosStreamOpenMode mode = cosOpenFiltered) {
  ScopedStm stm(CosStreamOpenStm(stream, mode));
  std::string out;
  char chunk[8192];
  for (;;) {
    ASSize_t got = ASStmRead(chunk, 1, sizeof chunk, stm);
    out.append(chunk, got);
    if (got < sizeof chunk) break;
  }
  return out;
}

}  // namespace kvtest
