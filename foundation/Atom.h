// The short form for the atoms of cabinet words and PDF names.
#pragma once

#include "host/ASAtom.h"

inline ASAtom Atom(const char* text) { return ASAtomFromString(text); }
