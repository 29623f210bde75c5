// Host atoms: strings interned for the life of the process.
#pragma once

#include "host/ASTypes.h"

// The null atom. Never handed out for a string.
constexpr ASAtom ASAtomNull = 0xFFFF;

// The atom for a string, made on first request. A null string gives ASAtomNull.
ASAtom ASAtomFromString(const char* s);
// True when the string already has an atom.
ASBool ASAtomExistsForString(const char* s);
// The string of an atom; valid for the life of the process. ASAtomNull and
// values never handed out give the empty string.
const char* ASAtomGetString(ASAtom atom);
// Number of atoms made so far (diagnostics and tests).
ASUns32 ASAtomGetCount();
