// Menus by id. A menu is made, filled and then inserted into the menu list,
// where PfGetMenuHandle finds it by id; pop-up menus live in the same list.
#pragma once

#include "platform/PfTypes.h"

typedef struct PfMenuRec* PfMenuRef;

PfMenuRef PfNewMenu(int16_t menuId, const char* titleUTF8);
// Removes the menu from the menu list too.
void PfDisposeMenu(PfMenuRef menu);
int16_t PfGetMenuID(PfMenuRef menu);
// beforeId -1 inserts as a pop-up or hierarchical menu, not shown in the bar.
void PfInsertMenu(PfMenuRef menu, int16_t beforeId);
void PfDeleteMenu(int16_t menuId);
// The inserted menu of that id, or null.
PfMenuRef PfGetMenuHandle(int16_t menuId);
int32_t PfLiveMenuCount();

// Items are numbered from 1. The text is taken literally.
int32_t PfAppendMenuItemTextUTF8(PfMenuRef menu, const char* textUTF8);
void PfDeleteMenuItem(PfMenuRef menu, int32_t item);
void PfDeleteMenuItems(PfMenuRef menu, int32_t first, int32_t count);
int32_t PfCountMenuItems(PfMenuRef menu);
int32_t PfCopyMenuItemTextUTF8(PfMenuRef menu, int32_t item, char* buffer, int32_t size);
const char* PfGetMenuItemTextUTF8(PfMenuRef menu, int32_t item);
PfErr PfSetMenuItemTextUTF8(PfMenuRef menu, int32_t item, const char* textUTF8);
void PfEnableMenuItem(PfMenuRef menu, int32_t item, bool enable);
bool PfIsMenuItemEnabled(PfMenuRef menu, int32_t item);
void PfCheckMenuItem(PfMenuRef menu, int32_t item, bool checked);
bool PfIsMenuItemChecked(PfMenuRef menu, int32_t item);
PfErr PfSetMenuItemRefCon(PfMenuRef menu, int32_t item, PfRefCon refCon);
PfRefCon PfGetMenuItemRefCon(PfMenuRef menu, int32_t item);
