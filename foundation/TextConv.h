// Text conversion at the borders: UTF-8 inside, UCS-2/UTF-16 (big-endian
// bytes) as PDF text strings carry them, platform Unicode (16-bit units in the
// machine's order) and the platform's native 8-bit encoding (UTF-8 here).
//
// Sized functions take (source, destination, source bytes, destination bytes)
// and return the bytes written without a terminator. `Term` functions take
// terminated input, always write a terminator and return the bytes written
// including it. `BytesNeeded` functions give the destination size to
// allocate. The replacement argument is the character used for what does not
// convert; callers pass '?'.
//
// One codec for the whole system: valid UTF-8 is well-formed UTF-8 of one to
// four bytes (as the platform layer defines it), characters outside the Basic
// Multilingual Plane travel as surrogate pairs in 16-bit text, and every
// conversion writes valid UTF-8 whatever it is given.
#pragma once

#include "host/AS.h"

ASInt32 CountBytesTo16BitZero(const void* text);
ASInt32 CountCharactersTo16BitZero(const void* text);

// A negative length means NUL-terminated.
ASBool ValidUTF8String(const char* text, ASInt32 length);
// Repairs in place; *length receives the new length (never longer).
void RecoverBadUTF8String(char* text, ASInt32* length, char replacement);
ASBool UTF8StringIsNot7BitASCIITerm(const char* text);
ASInt32 CompareUTF8Strings(const char* a, const char* b);
// Encodes one code point (up to six bytes) and a NUL; out needs 7 bytes.
// Returns the length without the NUL.
ASInt32 UnicodeOrdinalToUTF8(ASUns32 codePoint, char* out);

// UTF-8 to 16-bit units (big-endian bytes); a character above U+FFFF becomes
// a surrogate pair, never split by the end of the destination.
ASInt32 UTF8ToUCS2(const char* source, char* destination, ASInt32 length, ASInt32 size, char replacement);
ASInt32 UTF8ToUCS2Term(const char* source, char* destination, ASInt32 size, char replacement);
ASInt32 UTF8ToUCS2BytesNeeded(const char* source, ASInt32 length);
ASInt32 UTF8ToUCS2BytesNeededTerm(const char* source);
void UCS2ToPlatformUnicodeInplaceTerm(void* text);
ASInt32 UTF8ToPlatformUnicode(const char* source, ASUns16* destination, ASInt32 length, ASInt32 size,
                              char replacement);
ASInt32 UTF8ToPlatformUnicodeTerm(const char* source, ASUns16* destination, ASInt32 size, char replacement);

// 16-bit units (big-endian bytes) to UTF-8; both join surrogate pairs.
ASInt32 UCS2ToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size);
ASInt32 UTF16ToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size);
ASInt32 UTF16ToUTF8BytesNeeded(const char* source, ASInt32 length);

ASInt32 PlatformUnicodeToUTF8(const ASUns16* source, char* destination, ASInt32 length, ASInt32 size);
ASInt32 PlatformUnicodeToUTF8Term(const ASUns16* source, char* destination, ASInt32 size);
ASInt32 PlatformUnicodeToUTF8BytesNeeded(const ASUns16* source, ASInt32 length);
ASInt32 PlatformUnicodeToUTF8BytesNeededTerm(const ASUns16* source);

// Sized conversions between UTF-8 and the native encoding (UTF-8 here): what
// is not well-formed becomes the replacement, and nothing is cut inside a
// character.
ASInt32 UTF8ToPlatformNative(const char* source, char* destination, ASInt32 length, ASInt32 size,
                             char replacement);
ASInt32 PlatformNativeToUTF8(const char* source, char* destination, ASInt32 length, ASInt32 size,
                             char replacement);
ASInt32 PlatformUnicodeToPlatformNativeTerm(const ASUns16* text, char* out, ASInt32 size, char replacement);
ASInt32 PlatformNativeToPlatformUnicodeTerm(const char* text, ASUns16* out, ASInt32 size, char replacement);
ASInt32 PlatformUnicodeToPlatformNativeBytesNeededTerm(const ASUns16* text);
ASInt32 PlatformNativeToPlatformUnicodeBytesNeededTerm(const char* text);
ASInt32 UTF8ToPlatformNativeTerm(const char* text, char* out, ASInt32 size, char replacement);
ASInt32 UTF8ToPlatformNativeBytesNeededTerm(const char* text);
ASInt32 PlatformNativeToUTF8Term(const char* text, char* out, ASInt32 size, char replacement);
ASInt32 PlatformNativeToUTF8BytesNeededTerm(const char* text);

// New host text objects; the caller owns them.
ASText ASTextNewFromNative(const char* text);
ASText ASTextNewFromUTF8(const char* text);
