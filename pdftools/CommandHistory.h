// The command history inside a PDF: the command list as cabinet XML in one
// stream, held by the catalog's "KRVL_DocInfo" dictionary under
// "CommandHistory" and, unless PDF/X mode asks otherwise, also as the
// embedded file "KRVL.command.history" (file name "rerevudivizoza.xml") whose
// description travels with it. A history read from a file is untrusted.
#pragma once

#include "host/AS.h"
#include "host/Cos.h"
#include "host/PD.h"

struct SKCab;

// The feature every stored list requires.
extern const char* const kBaseFeature;  // "kv2base"

// Marks a list that is about to be stored in a document with the base
// feature every stored list requires. Always true.
ASBool KVExportChecker(SKCab* list);

// Histories whose decoded text is longer than this are not read.
constexpr ASInt32 kCommandHistoryMaxBytes = 32 * 1024 * 1024;

// The history stream: the attachment's when it holds one (its description
// then goes into the buffer, UTF-8), unless the catalog holds another stream,
// written later without the attachment (PDF/X mode), which then wins; else
// the catalog's (the buffer is then emptied); a null object when neither
// holds a stream.
CosObj PDDocGetCommandListHistoryObj(PDDoc doc, char* description, ASInt32 size);
ASBool PDDocHasCommandList(PDDoc doc);
// The decoded history text, NUL-terminated, from ASmallocWithException (the
// caller frees it); null when there is none or it cannot be read.
char* PDDocGetCommandListAsXML(PDDoc doc, char* description, ASInt32 size);
// The history as a new cabinet (the caller owns it), or null.
SKCab* PDDocGetCommandListAsKCab(PDDoc doc, char* description, ASInt32 size);
void PDDocStoreCommandListFromXML(PDDoc doc, const char* xml, const char* description, ASBool noAttachment);
// The list stays the caller's. False, and nothing written, when the list
// does not pass the export check.
ASBool PDDocStoreCommandListFromKCab(PDDoc doc, SKCab* list, const char* description, ASBool noAttachment);
