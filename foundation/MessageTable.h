// Message tables: texts by dotted key, per language.
#pragma once

#include "host/AS.h"

struct SMessageTable;
extern SMessageTable* gSystemMessageTable;

// The text (owned by the table), or the key itself, or "".
const char* GetMessageFromTableByKey(SMessageTable* table, const char* key);
