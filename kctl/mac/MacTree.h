// Tree control: the items of a KCtl list or tree as a flat sequence with
// levels, shown as the rows of a custom-drawn list box.
#pragma once

#include "kctl/mac/MacDialog.h"

struct SKCab;

// Notify codes sent to the dialog.
enum : ASInt32 { kMacTreeSelectionChanged = 101, kMacTreeOpenClose = 102, kMacTreeDoubleClick = 103 };

struct SMacTreeItem {
  char* text;         // owned copy, local encoding
  ASInt32 level;      // |level| is the depth (1 outermost); negative: closed
  ASInt32 index;      // 0 for the first item, then the last item's index + 1
  ASInt32 row;        // its list row, -1 while not shown
  ASInt16 selected;
  SMacTreeItem* next;
  SKCab* cab;         // attached, not owned
};

struct SMacTreeControl {
  SMacDialogInfo* dialog;
  ASInt32 id;
  SMacTreeControl* next;
  SMacTreeItem* first;
  SMacTreeItem* last;
  ASInt16 multi;
  ASInt16 multiInitialised;
};

// The payload of notify 102: the item index, then 1 when it opens, 0 when it closes.
struct SMacTreeOpenCloseData {
  ASInt32 index;
  ASInt32 opening;
};

SMacTreeControl* FindOrNewMacTreeControl(SMacDialogInfo* info, ASInt32 id);
// The tree of (dialog, id) if there is one.
SMacTreeControl* FindMacTreeControl(SMacDialogInfo* info, ASInt32 id);
void MacTreeClear(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacTreeAddItem(SMacDialogInfo* info, ASInt32 id, const char* text, ASInt32 level);
ASInt32 MacTreeAddItemUtf8(SMacDialogInfo* info, ASInt32 id, const char* utf8, ASInt32 level);
void MacTreeAttachCab(SMacDialogInfo* info, ASInt32 id, ASInt32 index, SKCab* cab);
void MacTreeMultiInit(SMacDialogInfo* info, ASInt32 id, ASBool multi);
void MacTreeEndUpdate(SMacDialogInfo* info, ASInt32 id);
void MacTreeSetOpen(SMacDialogInfo* info, ASInt32 id, ASInt32 index, ASBool open);
void MacTreeSetTopIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
ASInt32 MacTreeGetTopIndex(SMacDialogInfo* info, ASInt32 id);
void MacTreeDestroyAssociateCabsForControl(SMacDialogInfo* info, ASInt32 id);
// The item of an index, null when none.
SMacTreeItem* MacTreeGetItem(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
void MacPossibleTreeMessage(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit,
                            ASInt32 id);
// Frees every tree of the dialog (disposal).
void MacTreeDisposeForDialog(SMacDialogInfo* info);
// Live trees (tests).
ASInt32 MacTreeControlCount();
