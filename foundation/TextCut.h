// Cutting UTF-8 text to a byte count: always back to the start of the
// character the count falls inside, so that a cut text stays well-formed
// (the conversions further on turn half a character into "?" or refuse the
// whole text).
#pragma once

#include <cstddef>
#include <string>

// The largest length <= limit that does not end inside a character of the
// length bytes of text.
size_t CutLengthUTF8(const char* text, size_t length, size_t limit);
// Shortens text to at most limit bytes.
void CutUTF8(std::string& text, size_t limit);
// Copies the NUL-terminated text (null counts as empty) into buffer: at most
// size - 1 bytes and a NUL. Nothing is written when size is 0. Returns the
// bytes copied without the NUL.
size_t CopyCutUTF8(char* buffer, size_t size, const char* text);
