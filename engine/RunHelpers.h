// Helpers of the engine's process callbacks.
#pragma once

#include "host/AS.h"

struct SKCab;

// The current-page fix-up of a run that works on a document without a view:
// the page the last run ended on becomes the range. Answers 0 when it
// cancelled the run, else 1.
ASInt32 KVCommandCheckSource(SKCab* run, SKCab* args);
