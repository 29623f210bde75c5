// The language of the system the plug-in runs on.
#pragma once

#include "host/AS.h"

// The system's region code, from the user's locale (LC_ALL, LC_MESSAGES,
// LANG, in that order; none or "C" count as the US region 0); -1 for a
// language that has no region the plug-in knows.
ASInt32 SystemRegionCode();
// The two-letter language of a region code, or null when there is none.
const char* LanguageOfRegionCode(ASInt32 region);
// The region's language into buffer (cut to its size); false, with the
// buffer unchanged, when the region has no language the plug-in knows.
ASBool GetSystemLang(char* buffer, ASInt32 size, ASBool unused);
