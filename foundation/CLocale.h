// Numbers in the C locale, whatever locale the user or the host chose: what
// the plug-in writes into PDF, cabinet XML and settings must read back the
// same everywhere.
#pragma once

#include <cstdarg>
#include <cstddef>

// vsnprintf with the C locale's decimal point. Same result as snprintf.
int CLocaleSnprintf(char* out, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int CLocaleVsnprintf(char* out, size_t size, const char* format, va_list args);
// strtod with the C locale's decimal point; errno as strtod sets it.
double CLocaleStrtod(const char* text, char** end);

// Room for the text of any double with four decimals.
constexpr size_t kTrimDoubleBufferSize = 330;

// The value with four decimals (C locale), then without trailing zeros and
// without a trailing point: 1.5, 10, 0, -0.25, 0.1235. Writes into buffer,
// which holds kTrimDoubleBufferSize bytes, or into a static buffer of the
// module when buffer is null (overwritten by the next such call). Returns the
// buffer used.
char* TrimDouble(double value, char* buffer);
