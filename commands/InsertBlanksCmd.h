// The insert command ("InsertBlanks"): blank pages, or the pages of another
// file, into the current document or a new one, at a chosen position and
// optionally only where a page-count condition holds.
#pragma once

#include "host/AS.h"
#include "host/ASFile.h"

struct SKCab;

SKCab* NewCmdMgrForInsertBlanks();
// The dialog on params (export and position cabinet); true on OK.
ASBool CmdMgrInsertBlanksUI(SKCab* definition, SKCab* params);
SKCab* CmdMgrInsertBlanksDescriber(SKCab* definition, SKCab* params);
void InsertBlanksCallBackInitialise(SKCab* run, SKCab* args);
void InsertBlanksCallBackStart(SKCab* run, SKCab* args);
// The destroy procedure of the ".File" path the dialog puts into params.
void UIKVDocDestroyASPathName(void* path);
