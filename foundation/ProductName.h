// The product's name in its forms, from the system message table: the status
// box, menus, alerts and new documents name the product with it.
#pragma once

#include "host/AS.h"

enum ECurrentProductString : ASInt32 {
  kProductShortName = 0,
  kProductMenuName = 1,
  kProductFullName = 2,
  kProductFullName2 = 3
};

// The product's name in one of its forms; "?" for other values. Kept for the
// plug-in's life.
const char* CurrentProductString(ASInt32 which);
