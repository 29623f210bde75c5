// The PDF version check of a source document.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

// The newest PDF version the engine works on without asking.
constexpr ASInt32 impositionCompatMajorVersion = 1;
constexpr ASInt32 impositionCompatMinorVersion = 7;

// True when the engine may work on the document: PDF 1.7 or older, or the
// user agreed ("imputil1.confirm.toonew") when ask is set.
ASBool ImpositionCompatibleDocument(PDDoc doc, ASBool ask);
