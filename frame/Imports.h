// What the frame calls of the layers beside it: the host's document views
// and the foundation's window opening, and - declared here until their
// owners' headers exist - the toolkit's document check and the engine's
// PDF/X switch, each with the signature its owner gives it. The owners
// define them.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

#include "foundation/AVUTF8.h"
#include "host/AV.h"

// Raises the toolkit's registered error when the document may not be
// changed (its permissions lack editing or annotation editing, or it is XFA).
void ExceptionIfPDDocProtected(PDDoc doc);

// 1: carry PDF/X over into imposed documents; the command history is then
// written into the catalog only, never as an attachment.
extern ASInt32 gPDFXMode;
