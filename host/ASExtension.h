// Callbacks, the host version and the registry of named function tables.
#pragma once

#include "host/ASAtom.h"
#include "host/ASTypes.h"

// Callbacks are the procedures themselves here: creating one is an identity.
ASCallback ASCallbackCreate(ExtensionID extension, void* proc);
void ASCallbackDestroy(ASCallback callback);
#define ASCallbackCreateProto(type, proc) ((type)ASCallbackCreate(nullptr, (void*)(proc)))

// The version the host reports (default 9.0). One place sets it.
void ASHostVersionGet(ASInt16* major, ASInt16* minor);
void ASHostVersionSet(ASInt16 major, ASInt16 minor);
#define ASVersionMake(major, minor) ((ASVersion)(((ASUns32)(major) << 16) | ((ASUns32)(minor)&0xFFFFu)))

// The user's preferences folder (a POSIX path): set by the host program
// (--prefs), else $XDG_CONFIG_HOME, else ~/.config. Null when none can be
// named (no variable and no home folder). The folder may not exist yet.
const char* ASHostGetPreferencesFolder();
void ASHostSetPreferencesFolder(const char* path);  // null: back to the environment

// Function tables. A table is a named, versioned array of entries; the
// plug-in's glue asks for tables by name and minimum version at load, and
// looks at single entries where a call exists only on some hosts. An entry
// that is null or holds the placeholder counts as missing.
typedef struct _t_HFTRec* HFT;
constexpr uintptr_t HFTEntryPlaceholder = 0xBAADF00Du;

// Registers (or replaces) a table. Entries are copied.
HFT HFTRegister(const char* name, ASVersion version, void* const* entries, ASUns32 count);
// The table of that name whose version is at least minVersion, or null.
HFT ASExtensionMgrGetHFT(ASAtom name, ASVersion minVersion);
// The request ASExtensionMgrGetHFT refused last since the clear: the table's
// name (valid until the next request) and the version asked for. False when
// none was refused. The loader names it when a plug-in refuses to load.
ASBool HFTLastRefusal(const char** name, ASVersion* wanted);
void HFTClearLastRefusal();
ASVersion HFTGetVersion(HFT table);
ASUns32 HFTGetSize(HFT table);
// The entry, or null when out of range.
void* HFTGetEntry(HFT table, ASUns32 selector);
ASBool HFTEntryIsPresent(HFT table, ASUns32 selector);
// Tests knock entries out (null or the placeholder) to walk older hosts' roads.
void HFTReplaceEntry(HFT table, ASUns32 selector, void* entry);
// Forgets a table (tests of a missing table).
void HFTUnregister(const char* name);
