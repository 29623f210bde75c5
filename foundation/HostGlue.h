// One stable entry for the host calls that exist only from some host version
// on or must be used differently on older hosts, and a progress monitor and
// cancel procedure that do nothing.
#pragma once

#include "host/AS.h"
#include "host/AV.h"
#include "host/Cos.h"
#include "host/PD.h"

// The one null progress monitor of the plug-in (its get procedures answer 1);
// *clientData is left alone.
ProgressMonitor GetNullProgressMonitor(void** clientData);
// A cancel procedure that never cancels; *clientData is left alone.
CancelProc GetNullCancelProc(void** clientData);

// XMP metadata through the host's calls; texts are host text objects.
ASText KGluePDDocGetXAPMetadata(PDDoc doc);
void KGluePDDocSetXAPMetadata(PDDoc doc, ASText packet);
void KGluePDDocSetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText prefix, ASText path, ASText value);
// Null when the document has no such property, and when the host raises.
ASText KGluePDDocGetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText path);

// A tool button's label at a position (priority).
void KGlueAVToolButtonSetLabelText(AVToolButton button, ASText text, ASInt16 position);

// A name whose text is the string object's value.
CosObj KKCosNewNameFromObj(CosDoc doc, ASBool indirect, CosObj stringObj);

