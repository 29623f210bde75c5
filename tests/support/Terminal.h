// A pseudo-terminal as a user's terminal: a program run under one, and this
// process's own standard error turned to one; every byte written there is
// kept.
#pragma once

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/Shell.h"

namespace kvtest {

// argv[0] is the program's path; the child's standard input, output and error
// are the terminal. The terminal is 100 columns wide. A child that writes
// nothing for two minutes is killed (status -1).
inline ShellOutcome RunUnderTerminal(const std::vector<std::string>& argv) {
  ShellOutcome r{-1, ""};
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  winsize size{};
  size.ws_row = 40;
  size.ws_col = 100;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &size);
  if (pid < 0) return r;
  if (pid == 0) {
    execv(args[0], args.data());
    _exit(127);
  }
  char buf[4096];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    const int ready = poll(&p, 1, 120000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      r.out.append(buf, (size_t)n);
      continue;
    }
    // EIO once the child closed its side; EINTR: read again.
    if (n < 0 && errno == EINTR) continue;
    break;
  }
  close(master);
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
  return r;
}

// Standard error turned to a pseudo-terminal of the given width from
// construction to Take (or destruction), which puts it back as it was and
// gives what arrived.
class StderrOnTerminal {
 public:
  explicit StderrOnTerminal(unsigned short columns) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) return;
    std::fflush(stderr);
    saved_ = dup(2);
    dup2(slave_, 2);
    // Reads up to the end mark that Take writes: bytes come through the
    // terminal in order, so all written before it have arrived with it
    // (a read after the other side closed may come before the last bytes).
    reader_ = std::thread([this] {
      char buf[4096];
      for (;;) {
        const ssize_t n = read(master_, buf, sizeof buf);
        if (n > 0) {
          out_.append(buf, (size_t)n);
          const size_t mark = out_.find(kEndMark);
          if (mark == std::string::npos) continue;
          out_.resize(mark);
          break;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EIO: the other side is closed
      }
    });
  }
  ~StderrOnTerminal() { Take(); }
  StderrOnTerminal(const StderrOnTerminal&) = delete;
  StderrOnTerminal& operator=(const StderrOnTerminal&) = delete;

  bool ok() const { return master_ >= 0; }
  std::string Take() {
    if (saved_ >= 0) {
      std::fflush(stderr);
      dup2(saved_, 2);
      close(saved_);
      saved_ = -1;
      (void)!write(slave_, kEndMark, sizeof kEndMark - 1);
      close(slave_);
      reader_.join();
      close(master_);
    }
    return out_;
  }

 private:
  static constexpr char kEndMark[] = "\x1b]kv-end\x07";
  int master_ = -1, slave_ = -1, saved_ = -1;
  std::thread reader_;
  std::string out_;
};

}  // namespace kvtest
