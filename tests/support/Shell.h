// Runs a shell command line and keeps what it printed (standard output and
// standard error together) and how it ended.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kvtest {

struct ShellOutcome {
  int status;       // the exit status; -1 when it did not exit normally
  std::string out;  // standard output and standard error
  bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
};

inline ShellOutcome Shell(const std::string& command) {
  ShellOutcome r{-1, ""};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace kvtest
