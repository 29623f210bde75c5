// Scope ownership of a host text for C++ callers: destroyed at the end of the
// scope, on the way out of a raise too.
#pragma once

#include "host/ASText.h"

class HostTextHolder {
 public:
  explicit HostTextHolder(ASText text = nullptr) : text_(text) {}
  // A new host text from UTF-8 (null gives none).
  explicit HostTextHolder(const char* utf8) : text_(utf8 ? ASTextFromUnicode(utf8, kUTF8) : nullptr) {}
  ~HostTextHolder() { ASTextDestroy(text_); }
  HostTextHolder(const HostTextHolder&) = delete;
  HostTextHolder& operator=(const HostTextHolder&) = delete;
  ASText get() const { return text_; }

 private:
  ASText text_;
};
