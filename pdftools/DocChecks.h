// Documents the toolkit refuses to change (XFA forms, protected files), the
// errors that say so, and the PDF version a document is saved with.
#pragma once

#include "host/PD.h"

// The module's errors, registered by Util1_SetupModule.
extern ASErrorCode util1ExceptionBadMatrix;      // "Cannot invert matrix - bad page in PDF"
extern ASErrorCode util1ExceptionFileProtected;  // message "util1.protected"
extern ASErrorCode util1ExceptionXFA;            // message "util1.xfa"
extern ASBool util1SetupDone;

// Registers the three errors on its first call (the message texts as the
// system message table has them then); later calls do nothing.
void Util1_SetupModule();

// True when the catalog's AcroForm is a dictionary with an XFA entry.
ASBool PDDocIsXFA(PDDoc doc);
// Raises util1ExceptionXFA for an XFA document.
void ExceptionIfXFA(PDDoc doc);
// Raises util1ExceptionXFA for an XFA document (whatever its permissions),
// else util1ExceptionFileProtected unless the current user may both edit
// the document and edit its annotations.
void ExceptionIfPDDocProtected(PDDoc doc);

// When the catalog records a save version ("KRVL_SaveMajorVersion" and
// "KRVL_SaveMinorVersion"), raises it to major.minor if it is lower and
// returns true; without the record returns false and changes nothing.
ASBool AddPDFSaveVersion(PDDoc doc, ASInt32 major, ASInt32 minor);
// The same with sourceDoc's PDF version.
ASBool AddPDFSaveVersionFromDoc(PDDoc doc, PDDoc sourceDoc);
