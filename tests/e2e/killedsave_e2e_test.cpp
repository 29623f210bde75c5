// A kvhost killed (SIGKILL) in the middle of a save: its temporary file stays
// beside the target, the old target stays whole, and the next save into that
// folder, by another kvhost, removes the leftover. The save is held after its
// temporary file is written (a test hook of the host) and killed there: no
// timing is guessed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
const std::string kKvhost = std::string(KV_TEST_BUILD_DIR) + "/kvhost";

std::vector<std::string> Leftovers(const std::string& folder) {
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().rfind("kvtmp-", 0) == 0) left.push_back(e.path().filename().string());
  return left;
}

// A kvhost reversing source into target, held once its temporary file is
// written; its pid, or -1 when it did not get there.
pid_t StartHeldSave(const std::string& prefs, const std::string& source, const std::string& target) {
  int ends[2];
  if (::pipe(ends) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    const std::string fd = std::to_string(ends[1]);
    ::setenv("KV_TEST_HOLD_SAVE_FD", fd.c_str(), 1);
    const int quiet = ::open("/dev/null", O_WRONLY);
    ::dup2(quiet, 1);
    ::dup2(quiet, 2);
    ::execl(kKvhost.c_str(), "kvhost", "--quiet", "--prefs", prefs.c_str(), source.c_str(), "--command",
            "ReversePageOrder", "--save", target.c_str(), (char*)nullptr);
    ::_exit(127);
  }
  ::close(ends[1]);
  char said[8] = {};
  size_t got = 0;
  while (got < 5) {
    const ssize_t n = ::read(ends[0], said + got, 5 - got);
    if (n <= 0) break;
    got += (size_t)n;
  }
  ::close(ends[0]);
  if (std::string(said) == "held\n") return child;
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}

// Kills and reaps the held save on every way out of a test.
struct SHeldSave {
  pid_t pid;
  int status = 0;
  bool reaped = false;
  void Reap() {
    if (pid > 0 && !reaped) ::waitpid(pid, &status, 0);
    reaped = true;
  }
  ~SHeldSave() {
    if (pid > 0 && !reaped) ::kill(pid, SIGKILL);
    Reap();
  }
};

TEST(KilledSave, TheNextSaveIntoTheFolderRemovesWhatAKilledSaveLeft) {
  // Reaped at once, as a shell does; and not yet reaped when the next save
  // runs, as under a parent that has not looked yet (the process is a zombie).
  for (const bool reapedFirst : {true, false}) {
    SCOPED_TRACE(reapedFirst ? "reaped before the next save" : "not yet reaped");
    kvtest::TempDir dir;
    const std::string source = dir.file("source.pdf"), prefs = dir.file("prefs");
    kvfix::WriteSimple(source, 40);
    const std::string folder = dir.file("out");
    fs::create_directories(folder);
    const std::string target = folder + "/target.pdf";
    kvfix::WriteSimple(target, 2);
    const std::string old = kvtest::ReadWholeFile(target);

    SHeldSave held{StartHeldSave(prefs, source, target)};
    ASSERT_GT(held.pid, 0) << "the save was not held";
    ASSERT_EQ(1u, Leftovers(folder).size()) << "the held save has its temporary file";
    ASSERT_EQ(0, ::kill(held.pid, SIGKILL));
    if (reapedFirst) held.Reap();
    EXPECT_EQ(1u, Leftovers(folder).size()) << "the killed save leaves its file";
    EXPECT_EQ(old, kvtest::ReadWholeFile(target)) << "the old target is whole";

    kvtest::ShellOutcome next = kvtest::Shell(kKvhost + " --quiet --prefs '" + prefs + "' '" + source +
                                              "' --command ReversePageOrder --save '" + folder + "/other.pdf'");
    held.Reap();
    EXPECT_TRUE(WIFSIGNALED(held.status) && WTERMSIG(held.status) == SIGKILL);
    ASSERT_EQ(0, next.status) << next.out;
    EXPECT_EQ(std::vector<std::string>{}, Leftovers(folder)) << "the next save removes the leftover";
    EXPECT_EQ(old, kvtest::ReadWholeFile(target));
    EXPECT_EQ(0, kvtest::Shell("qpdf --check '" + folder + "/other.pdf'").status);
  }
}

}  // namespace
