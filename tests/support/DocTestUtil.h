// Small helpers of the toolkit's document tests: a string object's bytes, a
// stream's decoded data, a command's output, the host version for a scope.
#pragma once

#include <cstdio>
#include <string>

#include "host/AS.h"
#include "host/Cos.h"
#include "support/ScopedStm.h"

namespace kvtest {

inline std::string StringBytes(CosObj s) {
  if (CosObjGetType(s) != CosString) return "<not a string>";
  ASSize_t n = 0;
  const char* b = CosStringValue(s, &n);
  return std::string(b, n);
}

// Raises what the host raises for damaged data.
inline std::string ReadStream(CosObj stream) {
  ScopedStm stm(CosStreamOpenStm(stream, cosOpenFiltered));
  std::string out;
  char buf[4096];
  for (ASSize_t n; (n = ASStmRead(buf, 1, sizeof buf, stm)) > 0;) out.append(buf, n);
  return out;
}

inline std::string ShellOutput(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

// The host reports this major version for the life of the object.
class ScopedHostVersion {
 public:
  explicit ScopedHostVersion(ASInt16 major) {
    ASHostVersionGet(&major_, &minor_);
    ASHostVersionSet(major, 0);
  }
  ~ScopedHostVersion() { ASHostVersionSet(major_, minor_); }
  ScopedHostVersion(const ScopedHostVersion&) = delete;
  ScopedHostVersion& operator=(const ScopedHostVersion&) = delete;

 private:
  ASInt16 major_ = 9, minor_ = 0;
};

}  // namespace kvtest
