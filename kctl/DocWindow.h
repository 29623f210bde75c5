// Opening a document window while the status box may be up.
#pragma once

#include "host/AV.h"

// Opens a window on the document, titled in UTF-8 (null: no title of its
// own). Hosts newer than 7 open it with the status box taken down, which then
// comes back as it was.
AVDoc AVDocOpenFromPDDocUTF8(PDDoc doc, const char* title);
