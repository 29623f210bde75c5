#include "platform/PfChooseFolder.h"

#include <cstring>
#include <deque>
#include <optional>
#include <string>

#include "platform/PfInternal.h"

namespace {

struct Chooser {
  std::deque<std::optional<std::string>> queue;
  std::optional<std::string> standing;
  std::string lastPrompt;
  std::string lastStart;
};

Chooser& State() {
  static Chooser* c = new Chooser;
  return *c;
}

}  // namespace

void PfChooseFolderReset() { State() = Chooser(); }

bool PfChooseFolder(const char* prompt, const char* start, char* out, int32_t size) {
  Chooser& c = State();
  c.lastPrompt = prompt ? prompt : "";
  c.lastStart = start ? start : "";
  std::optional<std::string> answer = c.standing;
  if (!c.queue.empty()) {
    answer = c.queue.front();
    c.queue.pop_front();
  }
  if (out && size > 0) out[0] = 0;
  if (!answer || !out || size < 1 || answer->size() + 1 > (size_t)size) return false;
  std::memcpy(out, answer->c_str(), answer->size() + 1);
  return true;
}

void PfChooseFolderQueueAnswer(const char* path) {
  State().queue.push_back(path ? std::optional<std::string>(path) : std::nullopt);
}

void PfChooseFolderSetStandingAnswer(const char* path) {
  State().standing = path ? std::optional<std::string>(path) : std::nullopt;
}

void PfChooseFolderClearAnswers() {
  State().queue.clear();
  State().standing.reset();
}

const char* PfChooseFolderLastPrompt() { return State().lastPrompt.c_str(); }
const char* PfChooseFolderLastStart() { return State().lastStart.c_str(); }
