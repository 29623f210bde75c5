// The product's names as the user sees them, from the message table (with
// built-in texts while no messages are loaded).
#pragma once

#include "host/AS.h"

// The product's version as shown in its full name.
constexpr const char* kKVProductVersion = "3.0";

// Forms of the product name.
enum : ASInt32 {
  kProductStringPlain = 0,  // a command's "BatchGroup", the status box's default title
  kProductStringMenu = 1,   // items in the host's menus
  kProductStringFull = 2    // with the version: alert titles, the tool button's label
};

// The name in the given form (other forms give the plain name). The text is
// kept by the callee and stays valid until the message texts behind it change.
const char* CurrentProductString(ASInt32 form);
