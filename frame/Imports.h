// What the frame calls of the layers beside it that are still being built:
// the host's document views, the foundation's window opening, the toolkit's
// document check and the engine's PDF/X switch. Each is declared here once
// with the signature its owner gives it, so that the frame's modules name
// them in one place; the owners define them.
#pragma once

#include "host/AS.h"
#include "host/PD.h"

#if __has_include("host/AV.h")
#include "host/AV.h"
#else
typedef struct _t_AVDocRec* AVDoc;
typedef struct _t_AVPageViewRec* AVPageView;
// The front document view, or null when no document is open in a view.
AVDoc AVAppGetActiveDoc();
PDDoc AVDocGetPDDoc(AVDoc doc);
AVPageView AVDocGetPageView(AVDoc doc);
// The 0-based number of the page the view shows.
ASInt32 AVPageViewGetPageNum(AVPageView view);
#endif

// Opens a host window on the document, titled in UTF-8 (null: no title).
AVDoc AVDocOpenFromPDDocUTF8(PDDoc doc, const char* titleUTF8);

// Raises the toolkit's registered error when the document may not be
// changed (its permissions lack editing or annotation editing, or it is XFA).
void ExceptionIfPDDocProtected(PDDoc doc);

// 1: carry PDF/X over into imposed documents; the command history is then
// written into the catalog only, never as an attachment.
extern ASInt32 gPDFXMode;
