// Formatting message texts with arguments, checked.
//
// A message text comes from resources or a translator's spreadsheet; used as
// a printf format unchecked, a stray or wrong conversion reads arguments that
// were never passed. These helpers first compare the text's conversions with
// a signature of the arguments, and fall back to a built-in text or the key
// when they do not agree.
//
// Signature: one letter per argument, in order:
//   'd' int        %d %i %u %o %x %X %c (also with h or hh)
//   'l' long       %ld %li %lu %lo %lx %lX
//   'L' long long  %lld %lli %llu %llo %llx %llX
//   'z' size_t     %zu %zd %zx
//   'f' double     %f %F %e %E %g %G %a %A (also with l)
//   's' text       %s
//   'p' pointer    %p
// A text agrees when every conversion takes the argument its letter names,
// sequentially or all by position (%2$s), with no gap in the positions used,
// no '*' width or precision and no %n. A text may use fewer arguments than
// the signature gives. "%%" is a percent sign.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "host/AS.h"

struct SMessageTable;

ASBool MessageFormatMatches(const char* text, const char* signature);

// Results of the formatting helpers: which text was used.
enum : ASInt32 { kMessageFormatText = 1, kMessageFormatFallback = 0, kMessageFormatKey = -1 };

// Formats text with the arguments when it agrees with the signature, else
// fallback when that agrees, else copies key (text when key is null)
// without formatting. out always ends in a NUL (size > 0).
ASInt32 FormatMessageTextUTF8(char* out, size_t size, const char* text, const char* fallback, const char* key,
                              const char* signature, ...);
ASInt32 VFormatMessageTextUTF8(char* out, size_t size, const char* text, const char* fallback, const char* key,
                               const char* signature, va_list args);
// The key's text in the table (the system table when null), formatted as
// above. A text that does not agree is reported in message debug mode.
ASInt32 FormatMessageByKeyUTF8(SMessageTable* table, const char* key, const char* fallback, char* out, size_t size,
                               const char* signature, ...);
