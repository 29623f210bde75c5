// Captures what the plug-in routes to the user (errors, warnings, notes,
// questions) for the life of the object, and puts the routing back after.
#pragma once

#include <string>
#include <vector>

#include "foundation/Alerts.h"

namespace kvtest {

class MessageCapture {
 public:
  struct Message {
    ASInt32 type;
    std::string text;
  };

  // noPrompts: questions land here too and take their default answer.
  explicit MessageCapture(bool noPrompts = true) {
    SaveAutoMessageState(&saved_);
    SAutoMessageState state{noPrompts ? kAutoMessageModeFilterNoPrompts : kAutoMessageModeFilter, &Filter, this};
    RestoreAutoMessageState(&state);
  }
  ~MessageCapture() { RestoreAutoMessageState(&saved_); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  const std::vector<Message>& messages() const { return messages_; }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const Message& m : messages_) out.push_back(m.text);
    return out;
  }
  size_t Count(const std::string& text) const {
    size_t n = 0;
    for (const Message& m : messages_) n += (m.text == text);
    return n;
  }
  void Clear() { messages_.clear(); }

 private:
  static void Filter(const char* text, ASInt32 type, void* self) {
    static_cast<MessageCapture*>(self)->messages_.push_back({type, text ? text : ""});
  }

  SAutoMessageState saved_;
  std::vector<Message> messages_;
};

}  // namespace kvtest
