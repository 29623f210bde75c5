// What the frame calls of the layers below it: the host's document views,
// the dialog framework's window opening, the toolkit's document check and
// PDF/X switch.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

#include "foundation/AVUTF8.h"
#include "kctl/DocWindow.h"
#include "host/AV.h"
#include "pdftools/PDFX.h"
#include "pdftools/DocChecks.h"
