// What the frame calls of the layers beside it: the host's document views,
// the foundation's window opening, the toolkit's document check and the
// engine's PDF/X switch.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

#include "foundation/AVUTF8.h"
#include "host/AV.h"
#include "pdftools/PDFX.h"
#include "pdftools/DocChecks.h"
