// Browse boxes on the platform's data browser.
#include "kctl/mac/MacBrowseBox.h"

#include <cstdio>
#include <cstring>

#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "kctl/mac/MacDialogItems.h"

struct SMacBrowseBox {
  SMacDialogInfo* dialog;
  ASInt32 id;
  PfControlRef control;
  ASInt16 multi;
  SKCab* texts;  // "%d" -> the item's text, a named pointer of type "CFStringRef"
  SMacBrowseBox* next;
};

namespace {

const PfFourCC kCreator = PfMakeFourCC("KvTi");
const PfFourCC kTag = PfMakeFourCC("BInf");
const PfDataBrowserPropertyID kColumn = PfMakeFourCC("col1");
const char* const kStringType = "CFStringRef";

SMacBrowseBox* FindRecord(SMacDialogInfo* info, ASInt32 id) {
  if (!info) return nullptr;
  for (SMacBrowseBox* r = info->browseBoxList; r; r = r->next)
    if (r->id == id) return r;
  return nullptr;
}

void ReleaseString(void* s) { PfStringRelease(static_cast<PfStringRef>(s)); }

void Key(char* buf, size_t size, PfDataBrowserItemID item) { std::snprintf(buf, size, "%u", (unsigned)item); }

PfErr ItemData(PfControlRef browser, PfDataBrowserItemID item, PfDataBrowserPropertyID property,
               PfDataBrowserItemDataRef itemData, bool setValue) {
  auto* rec = static_cast<SMacBrowseBox*>(PfGetControlPropertyPtr(browser, kCreator, kTag));
  if (!rec || setValue || property != kColumn) return kPfErrDataBrowserPropertyNotSupported;
  char key[16];
  Key(key, sizeof key, item);
  auto text = static_cast<PfStringRef>(KCabGetPointerNamedType(rec->texts, key, kStringType));
  return text ? PfSetDataBrowserItemDataText(itemData, text) : kPfNoErr;
}

void Notification(PfControlRef browser, PfDataBrowserItemID, int32_t message) {
  auto* rec = static_cast<SMacBrowseBox*>(PfGetControlPropertyPtr(browser, kCreator, kTag));
  if (!rec) return;
  if (message == kPfDataBrowserItemDoubleClicked)
    SendWMCommand(rec->dialog, rec->id, kMacCmdListDoubleClick);
  else if (message == kPfDataBrowserSelectionSetChanged)
    SendWMCommand(rec->dialog, rec->id, kMacCmdListSelection);
}

SMacBrowseBox* Box(SMacDialogInfo* info, ASInt32 id) {
  MacBrowseBoxFind(info, id);
  return FindRecord(info, id < 0 ? -id : id);
}

}  // namespace

PfControlRef MacBrowseBoxFind(SMacDialogInfo* info, ASInt32 id) {
  if (!info || !PfIsValidDialog(info->dialog)) return nullptr;
  bool multi = id < 0;
  if (multi) id = -id;
  if (SMacBrowseBox* r = FindRecord(info, id)) return r->control;
  int16_t item = (int16_t)MapControlIdToInternal(info, id);
  ASInt32 kind = PfGetDialogItemKind(info->dialog, item);
  if (kind < 0 || (kind & 0x7F) != kMacUserItem) return nullptr;
  PfRect r{};
  PfGetDialogItemRect(info->dialog, item, &r);
  bool hidden = r.left > 8192;
  if (hidden) PfOffsetRect(&r, -kPfHiddenItemOffset, 0);
  PfControlRef c = PfCreateDataBrowserControl(PfGetDialogWindow(info->dialog), r);
  if (!c) return nullptr;
  auto* rec = static_cast<SMacBrowseBox*>(ASmallocWithException(sizeof(SMacBrowseBox)));
  std::memset(rec, 0, sizeof *rec);
  rec->dialog = info;
  rec->id = id;
  rec->control = c;
  rec->multi = multi ? 1 : 0;
  rec->texts = KCabNewInner();
  PfSetControlPropertyPtr(c, kCreator, kTag, rec);
  PfSetDataBrowserCallbacks(c, ItemData, Notification);
  PfSetDataBrowserSelectionFlags(c, kPfDataBrowserSelectOnlyOne);
  PfAddDataBrowserColumn(c, kColumn, PfRectWidth(r) - 25);
  PfSetDataBrowserHeaderHeight(c, 0);
  PfSetDataBrowserHasScrollBars(c, false, true);
  if (hidden) PfHideControl(c);
  PfSetDialogItemControl(info->dialog, item, c, false);
  PfSetDialogItemKind(info->dialog, item, (uint8_t)(kMacControlItem | (kind & kMacItemDisabled)));
  rec->next = info->browseBoxList;
  info->browseBoxList = rec;
  return c;
}

ASInt32 MacBrowseBoxAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8) {
  SMacBrowseBox* rec = Box(info, id);
  if (!rec) return -1;
  ASInt32 count = 0;
  PfGetDataBrowserItemCount(rec->control, false, &count);
  PfDataBrowserItemID item = (PfDataBrowserItemID)count + 1;
  PfStringRef s = PfStringCreateWithUTF8(utf8 ? utf8 : "", -1);
  if (!s) s = PfStringCreateWithUTF8("?", -1);
  char key[16];
  Key(key, sizeof key, item);
  KCabPutPointerNamedType(rec->texts, key, kStringType, s, ReleaseString);
  PfAddDataBrowserItems(rec->control, 1, &item);
  return (ASInt32)item;
}

ASInt32 MacBrowseBoxCountItems(SMacDialogInfo* info, ASInt32 id) {
  SMacBrowseBox* rec = Box(info, id);
  ASInt32 count = 0;
  if (!rec || PfGetDataBrowserItemCount(rec->control, false, &count) != kPfNoErr) return 0;
  return count;
}

void MacBrowseBoxClear(SMacDialogInfo* info, ASInt32 id) {
  SMacBrowseBox* rec = Box(info, id);
  if (!rec) return;
  MacMenuClearDataForMenu(info, rec->id);
  PfRemoveDataBrowserItems(rec->control, 0, nullptr);
  KCabMakeEmpty(rec->texts);
}

ASInt32 MacBrowseBoxGetSelectedIndex(SMacDialogInfo* info, ASInt32 id) {
  SMacBrowseBox* rec = Box(info, id);
  PfDataBrowserItemID first = 0, last = 0;
  if (!rec || PfGetDataBrowserSelectionAnchor(rec->control, &first, &last) != kPfNoErr) return -1;
  return (ASInt32)first - 1;
}

void MacBrowseBoxSetSelectedIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  SMacBrowseBox* rec = Box(info, id);
  if (!rec) return;
  PfDataBrowserItemID item = (PfDataBrowserItemID)(index + 1);
  PfSetDataBrowserSelectedItems(rec->control, 1, &item, kPfDataBrowserItemsAssign);
}

void MacBrowseBoxMultiClearSelect(SMacDialogInfo* info, ASInt32 id) {
  if (SMacBrowseBox* rec = Box(info, id))
    PfSetDataBrowserSelectedItems(rec->control, 0, nullptr, kPfDataBrowserItemsAssign);
}

void MacBrowseBoxEndUpdate(SMacDialogInfo* info, ASInt32 id) { MacBrowseBoxFind(info, id); }

ASInt32 MacBrowseBoxMultiGetSelCount(SMacDialogInfo*, ASInt32) { return 0; }
ASInt32 MacBrowseBoxMultiGetSelectedIndexList(SMacDialogInfo*, ASInt32, ASInt32*, ASInt32) { return 0; }
ASInt32 MacBrowseBoxMultiSelectItem(SMacDialogInfo*, ASInt32, ASInt32, ASBool) { return 0; }
ASInt32 MacBrowseBoxMultiInit(SMacDialogInfo*, ASInt32, ASBool) { return 0; }

void MacBrowseDisposeBrowseBoxList(SMacDialogInfo* info) {
  if (!info) return;
  while (SMacBrowseBox* rec = info->browseBoxList) {
    info->browseBoxList = rec->next;
    KCabDestroy(rec->texts);
    PfRemoveControlProperty(rec->control, kCreator, kTag);
    ASfree(rec);
  }
}
