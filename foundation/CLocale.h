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
