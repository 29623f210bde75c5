// The reverse command ("ReversePageOrder"): page order reversed in place or
// into a new document ("NewDoc").
#pragma once

#include "host/AS.h"

struct SKCab;

SKCab* NewCmdMgrForReverseDocument();
// Three buttons: a reversed copy, the same document, cancel.
ASBool CmdMgrReverseDocumentUI(SKCab* definition, SKCab* params);
SKCab* CmdMgrReverseDocumentDescriber(SKCab* definition, SKCab* params);
void ReverseDocumentCallBackStart(SKCab* run, SKCab* args);
