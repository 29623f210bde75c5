#include "foundation/TextCut.h"

#include <cstring>

#include "platform/PfString.h"

size_t CutLengthUTF8(const char* text, size_t length, size_t limit) {
  if (!text) return 0;
  return PfUTF8CutLength(text, length, limit);
}

void CutUTF8(std::string& text, size_t limit) { text.resize(CutLengthUTF8(text.data(), text.size(), limit)); }

size_t CopyCutUTF8(char* buffer, size_t size, const char* text) {
  if (!buffer || size == 0) return 0;
  return PfUTF8CopyCut(buffer, size, text, text ? std::strlen(text) : 0);
}
