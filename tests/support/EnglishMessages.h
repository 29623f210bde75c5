// Loads the plug-in's English message texts (resources/messages/en.txt) into
// the system message table, as the plug-in has them at run time.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "foundation/MessageTable.h"
#include "support/SourceTree.h"

namespace kvtest {

// True. When the file cannot be read the test program stops at once with a
// failure and says why: a failed set-up would only have the tests reported as
// skipped, and tests on raw keys prove nothing.
inline bool LoadEnglishMessages() {
  InitSystemMessageTable();
  std::string path = SourcePath("resources/messages/en.txt");
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "the message texts cannot be read from %s\n", path.c_str());
    std::exit(1);
  }
  std::string line;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    AddMessageCopy(line.substr(0, tab).c_str(), line.c_str() + tab + 1, gSystemMessageTable, 1);
  }
  return true;
}

// A test program's environment that loads them before the first test, so
// that texts registered once per process (error texts) are the English ones.
class EnglishMessagesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { LoadEnglishMessages(); }
};

// Loads them for the life of the object; a system table it had to make is
// destroyed again, so that the next test finds none, as a fresh process does.
class ScopedEnglishMessages {
 public:
  ScopedEnglishMessages() : made_(gSystemMessageTable == nullptr) { LoadEnglishMessages(); }
  ~ScopedEnglishMessages() {
    if (made_) DestroyMessageTable(gSystemMessageTable);
  }
  ScopedEnglishMessages(const ScopedEnglishMessages&) = delete;
  ScopedEnglishMessages& operator=(const ScopedEnglishMessages&) = delete;

 private:
  bool made_;
};

// Sets one text for the life of the object, then puts the English one back.
class ScopedMessage {
 public:
  ScopedMessage(const char* key, const char* text) : key_(key) {
    const char* old = GetMessageFromTableByKey(gSystemMessageTable, key);
    saved_ = old ? old : "";
    AddMessageCopy(key, text, gSystemMessageTable, 0);
  }
  ~ScopedMessage() { AddMessageCopy(key_.c_str(), saved_.c_str(), gSystemMessageTable, 0); }
  ScopedMessage(const ScopedMessage&) = delete;
  ScopedMessage& operator=(const ScopedMessage&) = delete;

 private:
  std::string key_;
  std::string saved_;
};

}  // namespace kvtest
