// Item operations of the dialog engine: everything done to one control of a
// running dialog, addressed by the dialog's info and a control id.
#pragma once

#include "kctl/mac/MacDialog.h"

// Item kinds as the platform numbers them; adding 128 disables.
enum : ASInt32 {
  kMacUserItem = 0,
  kMacButtonItem = 4,
  kMacCheckItem = 5,
  kMacRadioItem = 6,
  kMacControlItem = 7,
  kMacStaticTextItem = 8,
  kMacEditTextItem = 16,
  kMacItemDisabled = 128
};

extern ASInt16 gFixMenuId;  // first menu id tried for pop-up menus (12345)

// Identity and mapping.
void MacInitDialogControlMap(SMacDialogInfo* info, ASInt32 count);
void MacDialogControlMapSetMapping(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
ASInt32 MapControlIdFromInternal(SMacDialogInfo* info, ASInt32 index);
ASInt32 MapControlIdToInternal(SMacDialogInfo* info, ASInt32 id);

// Text.
void MacDialogGetItemText(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size);
void MacDialogSetItemText(SMacDialogInfo* info, ASInt32 id, const char* text);
void MacDialogSetItemTextLong(SMacDialogInfo* info, ASInt32 id, const char* text);
void MacDialogGetItemTextLong(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size);
void MacDialogSetItemTextUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8);
void MacDialogGetItemTextUTF8(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size);
void ConvertTextToControl(SMacDialogInfo* info, ASInt32 id);

// Check boxes, state and focus.
void MacDialogItemCheckIf(SMacDialogInfo* info, ASInt32 id, ASBool on);
ASBool MacDialogItemIsChecked(SMacDialogInfo* info, ASInt32 id);
void MacDialogHandleCheckBox(SMacDialogInfo* info, ASInt32 id, SMacControlHitInfo* hit, ASInt32 wanted);
void MacControlEnableIf(SMacDialogInfo* info, ASInt32 id, ASBool on);
ASBool MacControlIsEnabled(SMacDialogInfo* info, ASInt32 id);
ASBool MacDialogItemIsEnabled(SMacDialogInfo* info, ASInt32 id);
void MacControlShowIf(SMacDialogInfo* info, ASInt32 id, ASBool on);
ASBool MacDialogItemIsVisible(SMacDialogInfo* info, ASInt32 id);
void MacDialogSelectEditItem(SMacDialogInfo* info, ASInt32 id);
void MacDialogSelectEditItemNoHighlight(SMacDialogInfo* info, ASInt32 id);
void MacDialogSelectEditItemNoHighlightExt(SMacDialogInfo* info, ASInt32 id, ASInt32 start, ASInt32 end);
ASInt32 MacGetDialogFocusControlIdMapExt(SMacDialogInfo* info, ASInt32* start, ASInt32* end);
PfControlRef MacGetValidControlHandle(SMacDialogInfo* info, ASInt32 id);
// The item index of a static or edit text item, 0 when the id names none.
ASInt32 MacGetValidDialogTextItemHandle(SMacDialogInfo* info, ASInt32 id);
PfControlRef MacGetValidMenuControlHandle(SMacDialogInfo* info, ASInt32 id);

// Pop-up menus.
void MacMenuUpdateStart(SMacDialogInfo* info, ASInt32 id);
void MacMenuUpdateComplete(SMacDialogInfo* info, ASInt32 id);
void MacMenuClear(SMacDialogInfo* info, ASInt32 id);
ASInt32 MacMenuAddItem(SMacDialogInfo* info, ASInt32 id, const char* text);
ASInt32 MacMenuAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8);
ASInt32 MacMenuCountItems(SMacDialogInfo* info, ASInt32 id);
void MacMenuSetCurSel(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
ASInt32 MacMenuGetCurSel(SMacDialogInfo* info, ASInt32 id);
// Data attached to an entry is pointer-sized: the layer above attaches addresses.
void MacMenuAttachData(SMacDialogInfo* info, ASInt32 id, ASInt32 index, intptr_t data);
intptr_t MacMenuGetAttachedData(SMacDialogInfo* info, ASInt32 id, ASInt32 index);
void MacMenuClearDataForMenu(SMacDialogInfo* info, ASInt32 id);
void MacMenuSetItemCount(SMacDialogInfo* info, ASInt32 id, ASInt32 count);
PfMenuRef MacMenuGetMenuHandle(SMacDialogInfo* info, ASInt32 id);

// Buttons, tooltips, frames and caption.
ASBool MacButtonMakeBevel(SMacDialogInfo* info, ASInt32 id);
ASBool MacButtonMakeRoundedBevel(SMacDialogInfo* info, ASInt32 id);
void MacSetToolTipUtf8(SMacDialogInfo* info, ASInt32 id, const char* utf8);
void MacFrameCreate(SMacDialogInfo* info, ASInt32 frameId, ASInt32 labelId);
void MacFrameCreateWithGroupLabelControl(SMacDialogInfo* info, ASInt32 frameId, ASInt32 labelId);
void MacDialogSetCaptionUTF8(SMacDialogInfo* info, const char* utf8);
void PaintButtonAsInverted(SMacDialogInfo* info, ASInt32 id, ASBool on);

// Geometry.
void MacGetDialogSize(SMacDialogInfo* info, ASInt32* width, ASInt32* height);
void MacGetDialogPos(SMacDialogInfo* info, ASInt32* x, ASInt32* y);
void MacSetDialogPos(SMacDialogInfo* info, ASInt32 x, ASInt32 y);
PfRect MacGetScreenBoundsFromPoint(PfPoint point);
PfRect MacGetScreenBoundsForActiveAVDoc();

// Click and key mapping for modeless dialogs: 1 with *id set when a control should be told.
ASInt32 ModelessDialogSelectMap(SMacDialogInfo* info, const PfEvent* event, ASInt32* id);

// Frees the menu data and frame records of a dialog (disposal).
void MacDialogItemsDispose(SMacDialogInfo* info);
// Removes the pop-up menus made for the dialog and frees their records.
void MacDialogDisposePopupMenus(SMacDialogInfo* info);
