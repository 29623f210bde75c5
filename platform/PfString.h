// Platform Unicode strings and the UTF-8 helpers every layer above needs.
//
// The platform's native 8-bit encoding is UTF-8. A platform string is an
// immutable, reference-counted Unicode text; it can only be made from
// well-formed UTF-8 or UTF-16, which is how callers learn that a text "does not
// form a platform string".
#pragma once

#include "platform/PfTypes.h"

typedef struct PfStringRec* PfStringRef;

// Null when the bytes are not well-formed UTF-8 (overlong forms, surrogates
// and code points above U+10FFFF count as malformed). A negative length means
// NUL-terminated.
PfStringRef PfStringCreateWithUTF8(const char* bytes, int32_t length);
// Null on an unpaired surrogate. A negative count means terminated by a zero unit.
PfStringRef PfStringCreateWithUTF16(const uint16_t* units, int32_t count);
PfStringRef PfStringRetain(PfStringRef s);
void PfStringRelease(PfStringRef s);
// The text as NUL-terminated UTF-8, valid while the string lives.
const char* PfStringGetUTF8(PfStringRef s);
int32_t PfStringGetUTF8Length(PfStringRef s);
// Length in UTF-16 units.
int32_t PfStringGetLength(PfStringRef s);
// Copies at most max units; returns the units copied (no terminator written).
int32_t PfStringGetUTF16(PfStringRef s, uint16_t* out, int32_t max);
// Writes UTF-8 into buffer, at most size - 1 bytes cut at a character
// boundary, and a NUL. Returns the bytes written without the NUL.
int32_t PfStringCopyUTF8(PfStringRef s, char* buffer, int32_t size);
// Live strings, for leak checks in tests.
int32_t PfStringLiveCount();

// UTF-8 helpers.
// True when the bytes are well-formed UTF-8.
bool PfUTF8IsValid(const char* bytes, size_t length);
// The largest length <= limit that does not end inside a UTF-8 sequence.
size_t PfUTF8CutLength(const char* bytes, size_t length, size_t limit);
// Copies text into buffer: at most size - 1 bytes, cut at a character
// boundary, always terminated when size > 0. Returns the bytes copied.
size_t PfUTF8CopyCut(char* buffer, size_t size, const char* text, size_t length);
// Decodes the code point at bytes[*pos] and advances *pos; malformed bytes
// decode as U+FFFD one byte at a time.
uint32_t PfUTF8Next(const char* bytes, size_t length, size_t* pos);
// Appends the UTF-8 form of the code point; returns the bytes written (1-4),
// 0 for a value that is no scalar value.
int32_t PfUTF8Encode(uint32_t codePoint, char out[4]);
// Counts characters (code points; malformed bytes count one each).
size_t PfUTF8CountChars(const char* bytes, size_t length);
// Start of the character before pos (0 stays 0).
size_t PfUTF8PrevBoundary(const char* bytes, size_t length, size_t pos);
// pos moved back to the start of the character it is inside.
size_t PfUTF8FloorBoundary(const char* bytes, size_t length, size_t pos);
