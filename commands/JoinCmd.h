// The join command ("Join2Pages"): the current page and the next one joined
// side by side into one page.
#pragma once

#include "host/AS.h"

struct SKCab;

SKCab* NewCmdMgrForJoin2Pages();
// Refuses on the document's last page (when interactive), else asks.
ASBool CmdMgrJoin2PagesUI(SKCab* definition, SKCab* params);
// No lines: the command has no parameters.
SKCab* CmdMgrJoin2PagesDescriber(SKCab* definition, SKCab* params);
void Join2PagesCallBackStart(SKCab* run, SKCab* args);
