// A main for test programs whose tests each need a fresh process (the code
// under test starts once per process, as a plug-in does). CTest already runs
// each test on its own; run by hand, the program runs itself once per
// selected test and sums up. A repeated run starts each test afresh each
// time, and a shuffled one shuffles the order of the processes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

// The tests the filter selects, as the program itself lists them.
std::vector<std::string> Selected(const std::string& filter) {
  std::vector<std::string> tests;
  std::string command = "KV_ONE_TEST_CHILD=1 /proc/" + std::to_string(getpid()) +
                        "/exe --gtest_list_tests '--gtest_filter=" + filter + "'";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return tests;
  char line[1000];
  std::string suite;
  while (std::fgets(line, sizeof line, p)) {
    std::string l = line;
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
    if (l.empty()) continue;
    size_t hash = l.find('#');
    if (hash != std::string::npos) l = l.substr(0, hash);
    while (!l.empty() && l.back() == ' ') l.pop_back();
    if (l[0] != ' ') suite = l;
    else tests.push_back(suite + l.substr(l.find_first_not_of(' ')));
  }
  pclose(p);
  return tests;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (std::getenv("KV_ONE_TEST_CHILD") || GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  const int repeat = GTEST_FLAG_GET(repeat);
  std::vector<std::string> selected = Selected(GTEST_FLAG_GET(filter));
  if (selected.empty() || (selected.size() == 1 && repeat == 1)) return RUN_ALL_TESTS();

  const bool shuffle = GTEST_FLAG_GET(shuffle);
  int seed = GTEST_FLAG_GET(random_seed);
  if (seed == 0) seed = (int)(std::time(nullptr) % 99999) + 1;
  std::vector<std::string> failed;
  size_t ran = 0;
  // A negative count repeats for ever, as it does in one process.
  for (int iteration = 0; repeat < 0 || iteration < repeat; ++iteration) {
    if (shuffle) {
      std::printf("Note: Randomizing the tests' processes with a seed of %d.\n", seed);
      std::shuffle(selected.begin(), selected.end(), std::mt19937((unsigned)seed));
      seed = seed % 99999 + 1;
    }
    for (const std::string& test : selected) {
      std::fflush(nullptr);
      pid_t pid = fork();
      if (pid == 0) {
        setenv("KV_ONE_TEST_CHILD", "1", 1);
        std::string filter = "--gtest_filter=" + test;
        execl("/proc/self/exe", argv[0], filter.c_str(), "--gtest_brief=1", (char*)nullptr);
        _exit(127);
      }
      int status = 0;
      ++ran;
      if (pid < 0 || waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        failed.push_back(test);
    }
  }
  std::printf("%zu tests, each in a process of its own: %zu failed\n", ran, failed.size());
  for (const std::string& f : failed) std::printf("  FAILED %s\n", f.c_str());
  return failed.empty() ? 0 : 1;
}
