// The plug-in's start in the host: the handshake names the extension and
// registers the initialisation (MasterInit) and the unload (MyUnload).
//
// MasterInit prepares, in order: the PDF-name atoms; the message table, in
// the user's language, from the bundle's message resources or from a
// translator's message folder; the status box's and the alerts' titles; the
// tool button; the commands; the menus; and the automation table through
// which the host program runs commands without a user.
#pragma once

#include "host/AS.h"
#include "host/PIHandshake.h"

// The extension's identity as the host's calls take it (owner of menus,
// windows, callbacks and notifications).
extern ExtensionID gExtensionID;

// False unless handshakeVersion is kPIHandshakeVersion.
ASBool PIHandshake(ASUns32 handshakeVersion, void* handshakeData);
// False tells the host that the plug-in failed to start.
ASBool MasterInit();
// Frees nothing: what the plug-in registered stays until the host quits.
ASBool MyUnload();

// The control resource of the built-in message tables.
constexpr ASInt32 kKVMessageControlResource = 123;

// How documents the plug-in carries as resources (the about box's logo) are
// reached: the bundle's resource of the type (four characters, trailing
// blanks dropped) and number, read once and kept for the plug-in's life,
// since documents opened on it read the bytes in place. MasterInit hands it
// to the foundation's memory file system.
ASBool KVFetchPluginResource(const char type[4], ASInt32 number, const void** data, ASSize_t* size);
