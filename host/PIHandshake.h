// Loading a plug-in. Decisions of this host beyond the architecture notes:
//  - A plug-in is a bundle folder holding <name>.so and its Resources folder.
//  - The shared object exports one C entry, "KVPlugInMain" (PIMainProc). The
//    host calls it with its handshake version and a zeroed handshake record;
//    the plug-in's glue asks for the host's function tables by name and
//    minimum version (ASExtensionMgrGetHFT; a missing table ends the load with
//    false) and then fills the record through its own handshake.
//  - The host then calls the record's initialisation (false: the plug-in did
//    not start and is unloaded) and, at the end, its unload.
//  - A plug-in that the host program can drive without a user registers an
//    automation table (host/PIAutomation.h) during its initialisation.
#pragma once

#include "host/ASTypes.h"

constexpr ASUns32 kPIHandshakeVersion = 0x20000;

typedef ASBool (*PIInitProc)();
typedef ASBool (*PIUnloadProc)();
typedef ASBool (*PIExportHFTsProc)();
typedef ASBool (*PIImportReplaceAndRegisterProc)();

struct PIHandshakeData {
  ASSize_t size;  // sizeof(PIHandshakeData)
  ASAtom extensionName;
  PIExportHFTsProc exportHFTsCallback;
  PIImportReplaceAndRegisterProc importReplaceAndRegisterCallback;
  PIInitProc initCallback;
  PIUnloadProc unloadCallback;
};

// The plug-in's exported entry, "KVPlugInMain".
typedef ASBool (*PIMainProc)(ASUns32 handshakeVersion, PIHandshakeData* data);

struct PILoadedPlugIn;

// Loads the bundle (its .so is the bundle folder's name with ".so"), runs the
// handshake and the initialisation. Null on failure, with the reason in error.
PILoadedPlugIn* PILoadPlugIn(const char* bundleFolder, char* error, ASInt32 errorSize);
// Runs the plug-in's unload and closes the shared object.
void PIUnloadPlugIn(PILoadedPlugIn* plugIn);
ASAtom PIPlugInExtensionName(PILoadedPlugIn* plugIn);
