// Browse boxes: one-column lists on the platform's data browser, offered in
// place of list boxes. No dialog makes one; the engine disposes of them.
#pragma once

#include "kctl/mac/MacDialog.h"

PfControlRef MacBrowseBoxFind(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacBrowseBoxAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8);
ASInt32 MacBrowseBoxCountItems(SMacDialogInfo* info, ASInt32 id);
void MacBrowseBoxClear(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacBrowseBoxGetSelectedIndex(SMacDialogInfo* info, ASInt32 id);
void MacBrowseBoxSetSelectedIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
void MacBrowseBoxMultiClearSelect(SMacDialogInfo* info, ASInt32 id);
void MacBrowseBoxEndUpdate(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacBrowseBoxMultiGetSelCount(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacBrowseBoxMultiGetSelectedIndexList(SMacDialogInfo* info, ASInt32 id, ASInt32* rows, ASInt32 max);
ASInt32 MacBrowseBoxMultiSelectItem(SMacDialogInfo* info, ASInt32 id, ASInt32 index, ASBool on);
ASInt32 MacBrowseBoxMultiInit(SMacDialogInfo* info, ASInt32 id, ASBool multi);
void MacBrowseDisposeBrowseBoxList(SMacDialogInfo* info);
