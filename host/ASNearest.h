// Names near a mistyped one: for messages that answer a typing mistake with
// what was probably meant ("did you mean FitDown?"). It lives in the host so
// that the host program, which sees only the host and platform layers, and
// the plug-in answer mistakes alike.
#pragma once

#include "host/ASTypes.h"

// The names of the count in names nearest to typed, best first: writes at most
// max indexes into nearest and returns how many. A name equal to typed in
// another letter case comes first, then the names a few letters away (a
// letter missing, added, changed or two swapped; at most one letter in
// three), the nearest only, else names that begin with typed or that typed
// begins with. Names that are none of these are left out: the result may be
// empty.
ASInt32 ASNearestNames(const char* typed, const char* const* names, ASInt32 count, ASInt32* nearest, ASInt32 max);
