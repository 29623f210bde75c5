// List boxes: scrolling one-column lists inside user items of a dialog, with
// an optional custom row drawing for tree rows (indentation per level, a
// disclosure triangle, the text).
#pragma once

#include "kctl/mac/MacDialog.h"

// Custom cell flags.
enum : ASUns16 {
  kMacCellOpenNode = 1,    // children shown, triangle pointing down
  kMacCellClosedNode = 2,  // children hidden, triangle pointing right
  kMacCellLeaf = 4         // no triangle, its room kept
};

constexpr ASUns32 kMacCustomCellTag = 0xF00001FE;
constexpr ASInt32 kMacListIndent = 12;
constexpr ASInt32 kMacListTriangle = 12;
constexpr ASInt32 kMacListScrollBarWidth = 15;

// The record a custom cell points to.
struct SMacListCell {
  ASUns16 flags;
  ASInt16 level;
  char text[1];  // NUL-terminated, allocated to its length
};

// A custom cell: the tag, then the record's address, pointer-sized.
constexpr ASInt32 kMacCustomCellSize = (ASInt32)(sizeof(ASUns32) + sizeof(void*));

PfListRef MacListBoxFind(SMacDialogInfo* info, ASInt32 id);
PfListRef MacListBoxSetCustomDraw(SMacDialogInfo* info, ASInt32 id);
ASBool IsMacListBox(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacListBoxAddItem(SMacDialogInfo* info, ASInt32 id, const char* text);
ASInt32 MacListBoxAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8);
void MacListBoxClear(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacListBoxCountItems(SMacDialogInfo* info, ASInt32 id);
void MacListBoxSetCustomFlags(SMacDialogInfo* info, ASInt32 id, ASInt32 row, ASUns16 flags, ASInt16 level);
// The custom cell record of a row, null when the cell is not custom.
SMacListCell* MacListBoxGetCustomCell(SMacDialogInfo* info, ASInt32 id, ASInt32 row);
ASInt32 MacListBoxGetSelectedIndex(SMacDialogInfo* info, ASInt32 id);
void MacListBoxSetSelectedIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 row);
ASInt32 MacListBoxMultiGetSelCount(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacListBoxMultiGetSelectedIndexList(SMacDialogInfo* info, ASInt32 id, ASInt32* rows, ASInt32 max);
void MacListBoxMultiClearSelect(SMacDialogInfo* info, ASInt32 id);
void MacListBoxMultiSelectItem(SMacDialogInfo* info, ASInt32 id, ASInt32 row, ASBool on);
void MacListBoxSetTopIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 row);
ASInt32 MacListBoxGetTopIndex(SMacDialogInfo* info, ASInt32 id);
void MacListBoxEndUpdate(SMacDialogInfo* info, ASInt32 id);
ASBool MacListBoxHandledPreHide(SMacDialogInfo* info, ASInt32 id);
ASBool MacListBoxHandledPostShow(SMacDialogInfo* info, ASInt32 id);
void MacListBoxesPostShowDialog(SMacDialogInfo* info);
// A mouse-down on list id; 1 when the click was taken.
ASBool MacListBoxDidHandleClick(SMacDialogInfo* info, const PfEvent* event, ASInt32 id);
void MacListDisposeListBoxList(SMacDialogInfo* info);
