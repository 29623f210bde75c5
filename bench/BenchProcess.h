// Running a program as its own process for a benchmark: wall time, processor
// time and peak memory from the kernel's accounting of the finished child.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace kvbench {

struct Run {
  double seconds = 0;  // wall
  double cpu = 0;      // user and system
  long maxrssKb = 0;
  int status = -1;     // the exit status, or 128 + the signal
};

// Runs argv (searched in PATH); its standard output goes to stdoutPath when
// given, else nowhere, and its standard error nowhere unless keepStderr.
inline Run Spawn(const std::vector<std::string>& argv, const std::string& stdoutPath = std::string(),
                 bool keepStderr = false) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    int out = stdoutPath.empty() ? open("/dev/null", O_WRONLY) : open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) dup2(out, 1);
    if (!keepStderr) {
      int err = open("/dev/null", O_WRONLY);
      if (err >= 0) dup2(err, 2);
    }
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  Run r;
  if (pid < 0) return r;
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu = (double)ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + (double)ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
  r.maxrssKb = ru.ru_maxrss;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace kvbench
