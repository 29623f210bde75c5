// The short form every dialog, describer and report uses to fetch a text.
#pragma once

#include "foundation/MessageTable.h"

// The text of key in the plug-in's message table, as GetMessageFromTableByKey
// gives it (never null).
inline const char* Msg(const char* key) { return GetMessageFromTableByKey(gSystemMessageTable, key); }
