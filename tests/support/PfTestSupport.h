// Helpers for tests that drive the platform layer: item lists built from a
// table, and driver scripts written as lambdas.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Pf.h"

namespace kvtest {

struct PfItemSpec {
  uint8_t kind;
  PfRect rect;
  std::string text;  // text items
  int16_t resId = 0; // resource items
};

inline PfHandle PfMakeItemList(const std::vector<PfItemSpec>& items) {
  size_t total = 2;
  std::vector<std::string> data;
  for (const PfItemSpec& it : items) {
    std::string d;
    uint8_t base = it.kind & 0x7F;
    if (base == kPfResControlItem || base == kPfIconItem || base == kPfPictureItem) {
      d.push_back((char)((uint16_t)it.resId >> 8));
      d.push_back((char)(it.resId & 0xFF));
    } else if (base != kPfUserItem) {
      d = it.text.substr(0, 255);
    }
    data.push_back(d);
    total += PfItemListItemSize((uint8_t)d.size());
  }
  PfHandle h = PfNewHandleClear(total);
  uint8_t* p = PfHandleData(h);
  int32_t count = (int32_t)items.size() - 1;
  p[0] = (uint8_t)((uint32_t)count >> 8);
  p[1] = (uint8_t)count;
  size_t at = 2;
  for (size_t i = 0; i < items.size(); ++i)
    at += PfItemListWriteItem(p + at, items[i].kind, items[i].rect, data[i].data(), (uint8_t)data[i].size());
  return h;
}

// Steps run one by one whenever a wait finds the event queue empty.
class PfScript {
 public:
  PfScript() { PfSetEventSource(&PfScript::Source, this); }
  ~PfScript() { PfSetEventSource(nullptr, nullptr); }
  PfScript(const PfScript&) = delete;
  PfScript& operator=(const PfScript&) = delete;

  void Then(std::function<void()> step) { steps_.push_back(std::move(step)); }
  size_t pending() const { return steps_.size(); }

 private:
  static bool Source(void* self) {
    auto* s = (PfScript*)self;
    if (s->steps_.empty()) return false;
    std::function<void()> step = std::move(s->steps_.front());
    s->steps_.pop_front();
    step();
    return true;
  }
  std::deque<std::function<void()>> steps_;
};

inline std::string PfDump(PfDialogRef d) {
  int32_t n = PfDriverDump(d, nullptr, 0);
  std::string s((size_t)n + 1, '\0');
  PfDriverDump(d, s.data(), n + 1);
  s.resize((size_t)n);
  return s;
}

inline std::string PfText(PfDialogRef d, int16_t item) {
  char buf[4096];
  PfDriverGetText(d, item, buf, sizeof buf);
  return buf;
}

// Resets the whole platform around each test.
class PfFixture : public ::testing::Test {
 protected:
  void SetUp() override { PfResetAll(); }
  void TearDown() override { PfResetAll(); }
};

}  // namespace kvtest
