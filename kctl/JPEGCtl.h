// The image control: a picture element with flags 0x400000 and 0x1000000
// becomes a user item that shows a PNG (resource ids 10000 to 19999, file
// "<id>.png" under the bundle's "png" folder) or JPEG (any other id,
// "<id>.jpg" under "jpg") scaled to the item. Decoded images are cached for
// the plug-in's life.
#pragma once

#include "kctl/mac/MacDialog.h"

typedef struct PfImageRec* PfImageRef;

void MacDefineJPEGCtl(SMacDialogInfo* info, ASInt32 id);
// The image of control id (a picture element of the dialog's run), or null.
PfImageRef CachedLoadImageRefForJPEGControl(SMacDialogInfo* info, ASInt32 id);
void DrawJPEGCtlCallback(PfDialogRef dialog, int16_t item);
// The file name of a resource id.
void JPEGCtlFileName(ASInt32 resourceId, char* out, size_t size);
// The plug-in's unload: releases the cached images.
void JPEGCtlTerm();
