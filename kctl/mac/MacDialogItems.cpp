// Item operations of the dialog engine.
#include "kctl/mac/MacDialogItems.h"

#include <algorithm>
#include <cstring>

#include "foundation/Scratch.h"
#include "host/AV.h"
#include "host/AVAlert.h"
#include "kctl/mac/MacListBox.h"

ASInt16 gFixMenuId = 12345;

struct SMacMenuData {
  ASInt32 id;  // 0: a free record
  ASInt32 index;
  intptr_t data;
  SMacMenuData* next;
};

struct SMacPopupMenu {
  ASInt32 id;
  ASInt16 menuId;
  SMacPopupMenu* next;
};

struct SMacFrame {
  ASInt32 frameId;
  ASInt32 labelId;
  SMacFrame* next;
};

namespace {

constexpr ASInt16 kLastMenuId = 32764;
bool gWriteNoteShown = false;
bool gReadNoteShown = false;

template <typename T>
T* NewRecord() {
  T* r = static_cast<T*>(ASmallocWithException(sizeof(T)));
  std::memset(r, 0, sizeof *r);
  return r;
}

int16_t ItemOf(SMacDialogInfo* info, ASInt32 id) {
  if (!info || !PfIsValidDialog(info->dialog)) return 0;
  ASInt32 index = MapControlIdToInternal(info, id);
  return (index >= 1 && index <= PfCountDialogItems(info->dialog)) ? (int16_t)index : 0;
}

ASInt32 KindOf(SMacDialogInfo* info, int16_t item) { return item ? PfGetDialogItemKind(info->dialog, item) : -1; }
bool IsTextKind(ASInt32 k) { return k >= 0 && ((k & 0x7F) == kMacStaticTextItem || (k & 0x7F) == kMacEditTextItem); }
bool IsEditKind(ASInt32 k) { return k >= 0 && (k & 0x7F) == kMacEditTextItem; }
bool IsStaticKind(ASInt32 k) { return k >= 0 && (k & 0x7F) == kMacStaticTextItem; }
bool IsUserKind(ASInt32 k) { return k >= 0 && (k & 0x7F) == kMacUserItem; }

PfRect ShownRect(SMacDialogInfo* info, int16_t item) {
  PfRect r{};
  PfGetDialogItemRect(info->dialog, item, &r);
  if (r.left > 8192) PfOffsetRect(&r, -kPfHiddenItemOffset, 0);
  return r;
}

bool ItemHidden(SMacDialogInfo* info, int16_t item) {
  PfRect r{};
  PfGetDialogItemRect(info->dialog, item, &r);
  return r.left > 8192;
}

SMacTextMetricDesc* Metric(SMacDialogInfo* info) {
  if (!info->textMetric) info->textMetric = NewMacTextMetricDesc();
  return info->textMetric;
}

SMacPopupMenu* FindPopup(SMacDialogInfo* info, ASInt32 id) {
  for (SMacPopupMenu* p = info->popupMenuList; p; p = p->next)
    if (p->id == id) return p;
  return nullptr;
}

PfControlRef PopupControl(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = MacGetValidMenuControlHandle(info, id);
  return PfGetControlProcId(c) == kPfPopupButtonProc ? c : nullptr;
}

// The long edit-text road: the text-edit record works on the focus, so the
// target becomes the focus for the operation and the focus goes back after.
template <typename Op>
void WithFocus(SMacDialogInfo* info, ASInt32 id, Op op) {
  ASInt32 start = -1, end = -1;
  ASInt32 focus = MacGetDialogFocusControlIdMapExt(info, &start, &end);
  bool moved = focus != id;
  if (moved) MacDialogSelectEditItemNoHighlight(info, id);
  op(MacGetDialogTextHandle(info));
  if (moved && focus >= 0) MacDialogSelectEditItemNoHighlightExt(info, focus, start, end);
}

void FrameDrawProc(PfDialogRef dialog, int16_t item);

}  // namespace

// Identity and mapping.

void MacInitDialogControlMap(SMacDialogInfo* info, ASInt32 count) {
  if (!info) return;
  ASfree(info->controlMap);
  info->controlMap = nullptr;
  info->controlMapCount = 0;
  if (count < 1) return;
  info->controlMap = static_cast<ASInt32*>(ASmallocWithException(sizeof(ASInt32) * (size_t)count));
  for (ASInt32 i = 0; i < count; ++i) info->controlMap[i] = i + 1;
  info->controlMapCount = count;
}

void MacDialogControlMapSetMapping(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  if (!info || !info->controlMap || index < 1 || index > info->controlMapCount) return;
  info->controlMap[index - 1] = id;
}

ASInt32 MapControlIdFromInternal(SMacDialogInfo* info, ASInt32 index) {
  if (!info || !info->controlMap || index < 1 || index > info->controlMapCount) return index;
  return info->controlMap[index - 1];
}

ASInt32 MapControlIdToInternal(SMacDialogInfo* info, ASInt32 id) {
  if (!info || !info->controlMap || id < 0) return id;
  for (ASInt32 i = info->controlMapCount; i >= 1; --i)
    if (info->controlMap[i - 1] == id) return i;
  return id;
}

// Text.

void MacDialogGetItemText(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size) {
  if (!buffer || size < 1) return;
  buffer[0] = 0;
  int16_t item = ItemOf(info, id);
  if (!item) return;
  ASInt32 kind = KindOf(info, item);
  if (IsTextKind(kind)) {
    PfGetDialogItemText(info->dialog, item, buffer, size);
    return;
  }
  PfControlRef c = MacGetValidControlHandle(info, id);
  if (!c) return;
  if (PfControlAnswersTag(c, kPfControlStaticTextTextTag)) {
    size_t actual = 0;
    KScratch<1024> bytes((size_t)size);
    PfGetControlData(c, 0, kPfControlStaticTextTextTag, (size_t)size, bytes.data(), &actual);
    size_t n = std::min(actual, (size_t)size);
    PfUTF8CopyCut(buffer, (size_t)size, bytes.data(), n);
  } else {
    PfCopyControlTitleUTF8(c, buffer, size);
  }
}

void MacDialogSetItemText(SMacDialogInfo* info, ASInt32 id, const char* text) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  if (!text) text = "";
  ASInt32 kind = KindOf(info, item);
  if (IsTextKind(kind)) {
    PfSetDialogItemText(info->dialog, item, text);
    if (PfGetDialogKeyboardFocusItem(info->dialog) == item && !ItemHidden(info, item)) {
      // The edit field shows a new text of the focus once it is hidden and
      // shown; a field that is hidden (or disabled) stays so.
      PfHideDialogItem(info->dialog, item);
      PfShowDialogItem(info->dialog, item);
    }
  } else if (PfControlRef c = MacGetValidControlHandle(info, id)) {
    if (PfControlAnswersTag(c, kPfControlStaticTextTextTag))
      PfSetControlData(c, 0, kPfControlStaticTextTextTag, std::strlen(text), text);
    else
      PfSetControlTitleUTF8(c, text);
  } else {
    return;
  }
  info->needsRedraw = 1;
}

void MacDialogSetItemTextLong(SMacDialogInfo* info, ASInt32 id, const char* text) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  if (!text) text = "";
  size_t n = std::strlen(text);
  if (n < 255 || !IsEditKind(KindOf(info, item))) {
    MacDialogSetItemText(info, id, text);
    return;
  }
  WithFocus(info, id, [&](PfTEHandle te) { PfTESetText(te, text, (int32_t)n); });
  info->needsRedraw = 1;
}

void MacDialogGetItemTextLong(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size) {
  MacDialogGetItemText(info, id, buffer, size);
  if (!buffer || size < 1) return;
  int16_t item = ItemOf(info, id);
  if (!item || !IsEditKind(KindOf(info, item)) || std::strlen(buffer) < 255) return;
  WithFocus(info, id, [&](PfTEHandle te) {
    PfUTF8CopyCut(buffer, (size_t)size, PfTEGetText(te), (size_t)PfTEGetTextLength(te));
  });
}

void ConvertTextToControl(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item);
  if (!IsStaticKind(kind)) return;
  char text[300];
  PfGetDialogItemText(info->dialog, item, text, sizeof text);
  bool hidden = ItemHidden(info, item);
  PfRect r = ShownRect(info, item);
  PfControlRef c = PfNewControl(PfGetDialogWindow(info->dialog), r, "", !hidden, 0, 0, 0, kPfStaticTextProc, 0);
  if (!c) return;
  PfSetControlData(c, 0, kPfControlStaticTextTextTag, std::strlen(text), text);
  PfSetDialogItemControl(info->dialog, item, c, true);
  PfSetDialogItemKind(info->dialog, item, (uint8_t)(kMacControlItem | (kind & kMacItemDisabled)));
}

void MacDialogSetItemTextUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8) {
  if (!ItemOf(info, id)) return;
  if (!utf8) utf8 = "";
  if (PfStringRef s = PfStringCreateWithUTF8(utf8, -1)) {
    ConvertTextToControl(info, id);
    PfControlRef c = MacGetValidControlHandle(info, id);
    if (c) {
      if (PfControlAnswersTag(c, kPfControlStaticTextCFStringTag)) {
        PfSetControlData(c, 0, kPfControlStaticTextCFStringTag, sizeof s, &s);
        info->needsRedraw = 1;
      } else {
        PfSetControlTitleUTF8(c, utf8);
      }
    }
    PfStringRelease(s);
    if (c) return;
  }
  KScratch<4096> local(4096);
  if (!MacTextMetricConvertToLocalEncodingTerm(Metric(info), utf8, local.data(), 4096, kMacTextFlagUTF8)) {
    if (!gWriteNoteShown) {
      gWriteNoteShown = true;
      AVAlertNote("Internal error, UTF-8 conversion failed.");
    }
    return;
  }
  MacDialogSetItemTextLong(info, id, local.data());
}

void MacDialogGetItemTextUTF8(SMacDialogInfo* info, ASInt32 id, char* buffer, ASInt32 size) {
  if (!buffer || size < 1) return;
  buffer[0] = 0;
  if (!ItemOf(info, id)) return;
  ConvertTextToControl(info, id);
  if (PfControlRef c = MacGetValidControlHandle(info, id)) {
    PfStringRef s = nullptr;
    if (PfControlAnswersTag(c, kPfControlStaticTextCFStringTag))
      PfGetControlData(c, 0, kPfControlStaticTextCFStringTag, sizeof s, &s, nullptr);
    else
      s = PfStringCreateWithUTF8(PfGetControlTitleUTF8(c), -1);
    if (s) {
      PfStringCopyUTF8(s, buffer, size);
      PfStringRelease(s);
      return;
    }
  }
  size_t bytes = (size_t)size * 4;
  KScratch<4096> local(bytes);
  MacDialogGetItemTextLong(info, id, local.data(), (ASInt32)bytes);
  if (!MacTextMetricConvertFromLocalEncodingTerm(Metric(info), local.data(), buffer, size, kMacTextFlagUTF8)) {
    buffer[0] = 0;
    if (!gReadNoteShown) {
      gReadNoteShown = true;
      AVAlertNote("Internal error, UTF-8 conversion failed.");
    }
  }
}

// Check boxes, state and focus.

namespace {

PfControlRef CheckableControl(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item) & 0x7F;
  PfControlRef c = PfGetDialogItemControl(info->dialog, item);
  if (!c) return nullptr;
  if (kind == kMacCheckItem || kind == kMacRadioItem) return c;
  return PfControlAnswersTag(c, kPfControlBevelButtonBehaviorTag) ? c : nullptr;
}

}  // namespace

void MacDialogItemCheckIf(SMacDialogInfo* info, ASInt32 id, ASBool on) {
  if (PfControlRef c = CheckableControl(info, id)) PfSetControlValue(c, on ? 1 : 0);
}

ASBool MacDialogItemIsChecked(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = CheckableControl(info, id);
  return c && PfGetControlValue(c) != 0;
}

void MacDialogHandleCheckBox(SMacDialogInfo* info, ASInt32 id, SMacControlHitInfo* hit, ASInt32 wanted) {
  if (!hit) {
    AVAlertNote("Internal error, please report: lParam NULL");
    return;
  }
  if (hit->id == wanted) MacDialogItemCheckIf(info, id, !MacDialogItemIsChecked(info, id));
}

void MacControlEnableIf(SMacDialogInfo* info, ASInt32 id, ASBool on) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  PfControlRef c = MacGetValidControlHandle(info, id);
  if (!c) {
    ConvertTextToControl(info, id);
    c = MacGetValidControlHandle(info, id);
  }
  if (!c) {
    MacControlShowIf(info, id, on);
    return;
  }
  PfHiliteControl(c, on ? 0 : kPfInactiveHilite);
  if (PfControlAnswersTag(c, kPfControlBevelButtonBehaviorTag)) {
    ASInt32 kind = KindOf(info, item);
    PfSetDialogItemKind(info->dialog, item, (uint8_t)(on ? (kind & ~kMacItemDisabled) : (kind | kMacItemDisabled)));
  }
  info->needsRedraw = 1;
}

ASBool MacControlIsEnabled(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = MacGetValidControlHandle(info, id);
  return c && PfGetControlHilite(c) != kPfInactiveHilite;
}

ASBool MacDialogItemIsEnabled(SMacDialogInfo* info, ASInt32 id) {
  if (MacGetValidControlHandle(info, id)) return MacControlIsEnabled(info, id);
  return MacDialogItemIsVisible(info, id);
}

void MacControlShowIf(SMacDialogInfo* info, ASInt32 id, ASBool on) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  if (on) {
    PfShowDialogItem(info->dialog, item);
    MacListBoxHandledPostShow(info, id);
  } else {
    MacListBoxHandledPreHide(info, id);
    PfHideDialogItem(info->dialog, item);
  }
  info->needsRedraw = 1;
}

ASBool MacDialogItemIsVisible(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  return item && !ItemHidden(info, item);
}

void MacDialogSelectEditItemNoHighlightExt(SMacDialogInfo* info, ASInt32 id, ASInt32 start, ASInt32 end) {
  int16_t item = ItemOf(info, id);
  if (!IsEditKind(KindOf(info, item))) return;
  PfSelectDialogItemText(info->dialog, item, 0, 0);
  if (start >= 0) PfTESetSelect(MacGetDialogTextHandle(info), start, end);
}

void MacDialogSelectEditItem(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  if (IsEditKind(KindOf(info, item))) PfSelectDialogItemText(info->dialog, item, 0, 32767);
}

void MacDialogSelectEditItemNoHighlight(SMacDialogInfo* info, ASInt32 id) {
  MacDialogSelectEditItemNoHighlightExt(info, id, -1, -1);
}

ASInt32 MacGetDialogFocusControlIdMapExt(SMacDialogInfo* info, ASInt32* start, ASInt32* end) {
  if (start) *start = -1;
  if (end) *end = -1;
  if (!info || !PfIsValidDialog(info->dialog)) return -1;
  int16_t focus = PfGetDialogKeyboardFocusItem(info->dialog);
  if (focus < 1) return -1;
  if (IsEditKind(PfGetDialogItemKind(info->dialog, focus))) {
    int32_t s = 0, e = 0;
    PfTEGetSelect(MacGetDialogTextHandle(info), &s, &e);
    if (start) *start = s;
    if (end) *end = e;
  }
  return MapControlIdFromInternal(info, focus);
}

PfControlRef MacGetValidControlHandle(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item);
  if (kind < 0 || !(kind & 4)) return nullptr;
  return PfGetDialogItemControl(info->dialog, item);
}

ASInt32 MacGetValidDialogTextItemHandle(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item);
  return (kind >= 0 && (kind & (kMacStaticTextItem | kMacEditTextItem))) ? item : 0;
}

PfControlRef MacGetValidMenuControlHandle(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item);
  if (kind < 0 || (kind & 0x7F) != kMacControlItem) return nullptr;
  return PfGetDialogItemControl(info->dialog, item);
}

// Pop-up menus.

void MacMenuUpdateStart(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  info->menuUpdating = 1;
  info->pendingMenuSel = -1;
  info->savedResFile = PfCurResFile();
  if (gMacPluginResFile > 0) PfUseResFile(gMacPluginResFile);
  if (FindPopup(info, id)) return;
  ASInt32 menuId = gFixMenuId;
  while (menuId <= kLastMenuId && PfGetMenuHandle((int16_t)menuId)) ++menuId;
  if (menuId > kLastMenuId) {
    AVAlertNote("Internal error: no more menus!");
    return;
  }
  PfMenuRef menu = PfNewMenu((int16_t)menuId, "");
  PfRect r = ShownRect(info, item);
  PfInsertMenu(menu, -1);
  PfControlRef c = PfNewControl(PfGetDialogWindow(info->dialog), r, "", true, 0, menuId, 0, kPfPopupButtonProc, 0);
  ASInt32 kind = KindOf(info, item);
  PfHideDialogItem(info->dialog, item);
  PfSetDialogItemRect(info->dialog, item, r);
  PfSetDialogItemControl(info->dialog, item, c, true);
  PfSetDialogItemKind(info->dialog, item, (uint8_t)(kMacControlItem | (kind & kMacItemDisabled)));
  SMacPopupMenu* rec = NewRecord<SMacPopupMenu>();
  rec->id = id;
  rec->menuId = (ASInt16)menuId;
  rec->next = info->popupMenuList;
  info->popupMenuList = rec;
}

void MacMenuUpdateComplete(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  if (!item) return;
  if (PfControlRef c = PopupControl(info, id)) {
    PfRect r = ShownRect(info, item);
    PfMoveControl(c, r.left, r.top);
    PfRect bounds;
    PfGetControlBounds(c, &bounds);
    bool hidden = ItemHidden(info, item);
    if (hidden) {
      PfOffsetRect(&bounds, kPfHiddenItemOffset, 0);
      PfHideControl(c);
    }
    PfSetDialogItemRect(info->dialog, item, bounds);
  }
  info->menuUpdating = 0;
  if (info->pendingMenuSel >= 0) MacMenuSetCurSel(info, id, info->pendingMenuSel);
  info->pendingMenuSel = -1;
  if (info->savedResFile) PfUseResFile(info->savedResFile);
  info->savedResFile = 0;
  info->needsRedraw = 1;
}

void MacMenuClear(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = PopupControl(info, id);
  if (!c) return;
  PfMenuRef m = PfGetControlPopupMenu(c);
  PfDeleteMenuItems(m, 1, PfCountMenuItems(m));
  PfSetControlMaximum(c, 0);
  MacMenuClearDataForMenu(info, id);
}

ASInt32 MacMenuAddItem(SMacDialogInfo* info, ASInt32 id, const char* text) {
  PfControlRef c = PopupControl(info, id);
  PfMenuRef m = PfGetControlPopupMenu(c);
  if (!m) return 0;
  ASInt32 count = PfAppendMenuItemTextUTF8(m, text ? text : "");
  PfSetControlMaximum(c, count);
  return count - 1;
}

ASInt32 MacMenuAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8) {
  if (!utf8 || !PfUTF8IsValid(utf8, std::strlen(utf8))) return MacMenuAddItem(info, id, "Bad UTF-8 string!");
  return MacMenuAddItem(info, id, utf8);
}

ASInt32 MacMenuCountItems(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = PopupControl(info, id);
  return c ? PfGetControlMaximum(c) : 0;
}

void MacMenuSetCurSel(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  if (!info) return;
  if (info->menuUpdating) {
    info->pendingMenuSel = index;
    return;
  }
  if (PfControlRef c = PopupControl(info, id)) {
    PfSetControlValue(c, index + 1);
    info->needsRedraw = 1;
  }
}

ASInt32 MacMenuGetCurSel(SMacDialogInfo* info, ASInt32 id) {
  PfControlRef c = PopupControl(info, id);
  return c ? PfGetControlValue(c) - 1 : -1;
}

void MacMenuAttachData(SMacDialogInfo* info, ASInt32 id, ASInt32 index, intptr_t data) {
  if (!info || id == 0) return;
  SMacMenuData* freeRec = nullptr;
  for (SMacMenuData* r = info->menuDataList; r; r = r->next) {
    if (r->id == id && r->index == index) r->id = 0;
  }
  for (SMacMenuData* r = info->menuDataList; r; r = r->next) {
    if (r->id == 0) {
      freeRec = r;
      break;
    }
  }
  if (!freeRec) {
    freeRec = NewRecord<SMacMenuData>();
    freeRec->next = info->menuDataList;
    info->menuDataList = freeRec;
  }
  freeRec->id = id;
  freeRec->index = index;
  freeRec->data = data;
}

intptr_t MacMenuGetAttachedData(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  if (!info || id == 0) return -1;
  for (SMacMenuData* r = info->menuDataList; r; r = r->next)
    if (r->id == id && r->index == index) return r->data;
  return -1;
}

void MacMenuClearDataForMenu(SMacDialogInfo* info, ASInt32 id) {
  if (!info || id == 0) return;
  for (SMacMenuData* r = info->menuDataList; r; r = r->next)
    if (r->id == id) r->id = 0;
}

void MacMenuSetItemCount(SMacDialogInfo* info, ASInt32 id, ASInt32 count) {
  if (PfControlRef c = PopupControl(info, id)) PfSetControlMaximum(c, count);
}

PfMenuRef MacMenuGetMenuHandle(SMacDialogInfo* info, ASInt32 id) { return PfGetControlPopupMenu(PopupControl(info, id)); }

// Buttons, tooltips, frames and caption.

ASBool MacButtonMakeBevel(SMacDialogInfo* info, ASInt32 id) {
  int16_t item = ItemOf(info, id);
  ASInt32 kind = KindOf(info, item);
  PfControlRef old = PfGetDialogItemControl(info->dialog, item);
  if (kind < 0 || (kind & 0x7F) != kMacButtonItem || !old) return 0;
  PfRect r;
  PfGetControlBounds(old, &r);
  PfControlRef c = PfNewControl(PfGetDialogWindow(info->dialog), r, PfGetControlTitleUTF8(old),
                                PfIsControlVisible(old), 0, 0, 1, kPfBevelButtonProc, 0);
  if (!c) return 0;
  PfHiliteControl(c, PfGetControlHilite(old));
  PfSetDialogItemControl(info->dialog, item, c, true);
  PfSetDialogItemKind(info->dialog, item, (uint8_t)(kMacControlItem | (kind & kMacItemDisabled)));
  info->needsRedraw = 1;
  return 1;
}

ASBool MacButtonMakeRoundedBevel(SMacDialogInfo* info, ASInt32 id) {
  if (!MacButtonMakeBevel(info, id)) return 0;
  if (MacIsUnderOSX()) {
    ASInt16 kind = 15;
    PfSetControlData(MacGetValidControlHandle(info, id), 0, kPfControlBevelButtonKindTag, sizeof kind, &kind);
  }
  return 1;
}

void MacSetToolTipUtf8(SMacDialogInfo* info, ASInt32 id, const char* utf8) {
  if (!utf8 || !PfUTF8IsValid(utf8, std::strlen(utf8)) || !ItemOf(info, id)) return;
  ConvertTextToControl(info, id);
  if (PfControlRef c = MacGetValidControlHandle(info, id)) PfSetControlHelpTagUTF8(c, utf8, kPfHelpTagSideDefault);
}

void MacFrameCreate(SMacDialogInfo* info, ASInt32 frameId, ASInt32 labelId) {
  int16_t item = ItemOf(info, frameId);
  if (!IsUserKind(KindOf(info, item))) return;
  for (SMacFrame* f = info->frameList; f; f = f->next)
    if (f->frameId == frameId) return;
  PfSetDialogItemProc(info->dialog, item, FrameDrawProc);
  SMacFrame* f = NewRecord<SMacFrame>();
  f->frameId = frameId;
  f->labelId = labelId;
  f->next = info->frameList;
  info->frameList = f;
}

void MacFrameCreateWithGroupLabelControl(SMacDialogInfo* info, ASInt32 frameId, ASInt32 labelId) {
  MacFrameCreate(info, frameId, labelId);
}

namespace {

void FrameDrawProc(PfDialogRef dialog, int16_t item) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info) return;
  ASInt32 id = MapControlIdFromInternal(info, item);
  SMacFrame* frame = nullptr;
  for (SMacFrame* f = info->frameList; f; f = f->next)
    if (f->frameId == id) frame = f;
  if (!frame) return;
  PfRect r{};
  PfGetDialogItemRect(dialog, item, &r);
  if (r.left > kPfHiddenItemOffset) return;
  PfInsetRect(&r, -1, -1);
  if (MacIsUnderOSX()) {
    PfPenState saved;
    PfGetPenState(&saved);
    PfPenSize(1, 1);
    PfRGBForeColor(PfRGBColor{0xCCCC, 0xCCCC, 0xCCCC});
    PfFrameRoundRect(r, 12, 12);
    PfSetPenState(&saved);
  } else {
    PfFrameRect(r);
  }
  if (frame->labelId >= 1) {
    if (PfControlRef label = MacGetValidControlHandle(info, frame->labelId)) PfDrawOneControl(label);
  }
}

}  // namespace

void MacDialogSetCaptionUTF8(SMacDialogInfo* info, const char* utf8) {
  if (info && info->dialog) PfSetWindowTitleUTF8(PfGetDialogWindow(info->dialog), utf8);
}

void PaintButtonAsInverted(SMacDialogInfo* info, ASInt32 id, ASBool on) {
  PfControlRef c = MacGetValidControlHandle(info, id);
  if (c && PfGetControlProcId(c) == kPfPushButProc) PfHiliteControl(c, on ? kPfButtonPart : 0);
}

// Geometry.

namespace {

PfRect DialogRect(SMacDialogInfo* info) {
  PfRect r{};
  if (!info || !info->dialog) return r;
  if (!info->modal && info->avWindow) {
    AVRect f;
    AVWindowGetFrame(info->avWindow, &f);
    return PfSetRect(f.left, f.top, f.right, f.bottom);
  }
  PfGetWindowBounds(PfGetDialogWindow(info->dialog), kPfWindowContentRgn, &r);
  return r;
}

}  // namespace

void MacGetDialogSize(SMacDialogInfo* info, ASInt32* width, ASInt32* height) {
  PfRect r = DialogRect(info);
  if (width) *width = PfRectWidth(r);
  if (height) *height = PfRectHeight(r);
}

void MacGetDialogPos(SMacDialogInfo* info, ASInt32* x, ASInt32* y) {
  PfRect r = DialogRect(info);
  if (x) *x = r.left;
  if (y) *y = r.top;
}

void MacSetDialogPos(SMacDialogInfo* info, ASInt32 x, ASInt32 y) {
  if (!info || !info->dialog) return;
  PfWindowRef w = PfGetDialogWindow(info->dialog);
  ASInt32 top = std::max(y, PfWindowTitleBarHeight(w) + PfMenuBarHeight());
  PfRect frame;
  PfGetWindowBounds(w, kPfWindowStructureRgn, &frame);
  PfOffsetRect(&frame, x - frame.left, top - frame.top);
  PfSetWindowBounds(w, kPfWindowStructureRgn, frame);
  if (!info->modal && info->avWindow) {
    AVRect f{frame.left, frame.top, frame.right, frame.bottom};
    AVWindowSetFrame(info->avWindow, &f);
  }
}

PfRect MacGetScreenBoundsFromPoint(PfPoint point) {
  ASInt32 screen = PfScreenFromPoint(point);
  if (screen < 0) screen = 0;
  PfRect bounds{}, clipped{};
  PfScreenGetBounds(screen, &bounds);
  if (!PfSectRect(bounds, PfDesktopBounds(), &clipped)) clipped = PfDesktopBounds();
  if (MacIsUnderOSX()) {
    PfRect available{}, inner{};
    PfScreenGetAvailableBounds(screen, &available);
    if (PfSectRect(clipped, available, &inner)) clipped = inner;
  }
  return clipped;
}

PfRect MacGetScreenBoundsForActiveAVDoc() {
  PfPoint at{0, 0};
  PfRect main{};
  PfScreenGetBounds(0, &main);
  at = PfPoint{main.left, main.top};
  if (AVDoc doc = AVAppGetActiveDoc()) {
    if (AVWindow win = AVDocGetAVWindow(doc)) {
      AVRect f;
      AVWindowGetFrame(win, &f);
      at = PfPoint{f.left + 3, f.top + 3};
    }
  }
  return MacGetScreenBoundsFromPoint(at);
}

// Click and key mapping of modeless dialogs.

ASInt32 ModelessDialogSelectMap(SMacDialogInfo* info, const PfEvent* event, ASInt32* id) {
  if (id) *id = 0;
  if (!info || !event || !PfIsValidDialog(info->dialog)) return 0;
  PfDialogRef d = info->dialog;
  PfWindowRef w = PfGetDialogWindow(d);
  if (event->what == kPfMouseDown) {
    PfPoint local = PfGlobalToLocal(w, event->where);
    int16_t item = PfFindDialogItem(d, local);
    ASInt32 hitId = MapControlIdFromInternal(info, item);
    if (item < 1 || hitId < 1) return 0;
    ASInt32 kind = PfGetDialogItemKind(d, item);
    if (kind & kMacItemDisabled) return 0;
    if (PfControlRef c = PfGetDialogItemControl(d, item)) {
      if (PfGetControlHilite(c) == kPfInactiveHilite) return 0;
      if (!PfTrackControl(c, local)) return 0;
    } else if (IsEditKind(kind)) {
      if (PfGetDialogKeyboardFocusItem(d) != item) MacDialogSelectEditItem(info, hitId);
      PfTEClick(local, (event->modifiers & kPfShiftKey) != 0, MacGetDialogTextHandle(info));
    }
    if (id) *id = hitId;
    return 1;
  }
  if (event->what != kPfKeyDown && event->what != kPfAutoKey) return 0;
  PfTEHandle te = MacGetDialogTextHandle(info);
  int16_t focus = PfGetDialogKeyboardFocusItem(d);
  ASInt32 focusId = MapControlIdFromInternal(info, focus);
  if (!te || focus < 1 || focusId < 1) return 0;
  uint32_t ch = PfEventChar(*event);
  if (event->modifiers & kPfCmdKey) {
    if (ch == 'v' || ch == 'V') {
      PfTEFromScrap();
      PfTEPaste(te);
    } else if (ch == 'x' || ch == 'X') {
      PfTECut(te);
    } else {
      if (ch == 'c' || ch == 'C') PfTECopy(te);
      return 0;
    }
    if (id) *id = focusId;
    return 1;
  }
  if (ch == kPfTabChar) {
    int16_t count = PfCountDialogItems(d);
    for (int16_t i = (int16_t)(focus >= count ? 1 : focus + 1); i != focus; i = (int16_t)(i >= count ? 1 : i + 1)) {
      PfRect r{};
      PfGetDialogItemRect(d, i, &r);
      if (IsEditKind(PfGetDialogItemKind(d, i)) && r.left <= 8192) {
        PfSelectDialogItemText(d, i, 0, 32767);
        break;
      }
    }
    return 0;
  }
  PfTEKey(ch, event->modifiers, te);
  if (id) *id = focusId;
  return 1;
}

void MacDialogItemsDispose(SMacDialogInfo* info) {
  if (!info) return;
  while (SMacMenuData* r = info->menuDataList) {
    info->menuDataList = r->next;
    ASfree(r);
  }
  while (SMacFrame* f = info->frameList) {
    info->frameList = f->next;
    ASfree(f);
  }
}

void MacDialogDisposePopupMenus(SMacDialogInfo* info) {
  if (!info) return;
  while (SMacPopupMenu* p = info->popupMenuList) {
    info->popupMenuList = p->next;
    if (PfMenuRef m = PfGetMenuHandle(p->menuId)) {
      PfDeleteMenu(p->menuId);
      PfDisposeMenu(m);
    }
    ASfree(p);
  }
}
