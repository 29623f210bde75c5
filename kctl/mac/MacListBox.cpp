// List boxes in user items, with custom tree rows.
#include "kctl/mac/MacListBox.h"

#include <cstring>

#include "foundation/Scratch.h"
#include "host/AVAlert.h"
#include "kctl/mac/MacDialogItems.h"

struct SMacListBox {
  ASInt32 id;
  PfListRef list;
  ASInt16 customDraw;
  ASInt16 customDefInstalled;
  SMacListBox* next;
};

namespace {

bool gUTF8NoteShown = false;

SMacListBox* FindRecord(SMacDialogInfo* info, ASInt32 id) {
  if (!info) return nullptr;
  for (SMacListBox* r = info->listBoxList; r; r = r->next)
    if (r->id == id) return r;
  return nullptr;
}

// The record of a custom cell, null for other cells.
SMacListCell* CustomCell(PfListRef list, PfCell cell) {
  if (PfLGetCellDataLength(cell, list) != kMacCustomCellSize) return nullptr;
  const uint8_t* data = PfLGetCellData(cell, list);
  ASUns32 tag;
  std::memcpy(&tag, data, sizeof tag);
  if (tag != kMacCustomCellTag) return nullptr;
  SMacListCell* rec;
  std::memcpy(&rec, data + sizeof tag, sizeof rec);
  return rec;
}

void SetCustomCell(PfListRef list, PfCell cell, SMacListCell* rec) {
  uint8_t data[kMacCustomCellSize];
  ASUns32 tag = kMacCustomCellTag;
  std::memcpy(data, &tag, sizeof tag);
  std::memcpy(data + sizeof tag, &rec, sizeof rec);
  PfLSetCell(data, kMacCustomCellSize, cell, list);
}

// Frees the records of every custom cell and empties those cells.
void FreeCustomCells(PfListRef list) {
  for (ASInt32 row = 0; row < PfLRowCount(list); ++row) {
    PfCell cell{0, row};
    if (SMacListCell* rec = CustomCell(list, cell)) {
      PfLSetCell(nullptr, 0, cell, list);
      ASfree(rec);
    }
  }
}

ASInt32 TextStart(const SMacListCell* rec, const PfRect& cell) {
  ASInt32 x = cell.left + rec->level * kMacListIndent;
  if (rec->flags & (kMacCellOpenNode | kMacCellClosedNode | kMacCellLeaf)) x += kMacListTriangle;
  return x;
}

void CustomListDef(int16_t message, bool selected, const PfRect* rect, PfCell cell, int32_t offset, int32_t length,
                   PfListRef list) {
  if (message == kPfListCloseMsg) {
    FreeCustomCells(list);
    return;
  }
  if (message != kPfListDrawMsg && message != kPfListHiliteMsg) return;
  SMacListCell* rec = CustomCell(list, cell);
  if (!rec) {
    PfLStandardDefinition(message, selected, rect, cell, offset, length, list);
    return;
  }
  PfRect hilite = *rect;
  hilite.left = TextStart(rec, *rect);
  if (message == kPfListHiliteMsg) {
    PfInvertRect(hilite, true);
    return;
  }
  // A cell cut short by the view is only highlighted.
  if (PfRectHeight(*rect) >= PfLGetCellSize(list).v - 3) {
    PfPenState pen;
    PfGetPenState(&pen);
    PfRect clip = PfGetClip();
    PfClipRect(*rect);
    PfEraseRect(*rect);
    ASInt32 x = rect->left + rec->level * kMacListIndent;
    ASInt32 y = rect->top + (PfRectHeight(*rect) - kMacListTriangle) / 2;
    PfRGBForeColor(PfRGBColor{0, 0, 0});
    if (rec->flags & kMacCellOpenNode) {
      PfPoint tri[3] = {{x + 2, y + 2}, {x + 10, y + 2}, {x + 6, y + 10}};
      PfFillPoly(tri, 3);
    } else if (rec->flags & kMacCellClosedNode) {
      PfPoint tri[3] = {{x + 2, y + 2}, {x + 10, y + 6}, {x + 2, y + 10}};
      PfFillPoly(tri, 3);
    }
    PfFontInfo fi;
    PfFontGetInfo(kPfSystemFont, &fi);
    PfTextFont(kPfSystemFont);
    PfDrawTextUTF8(TextStart(rec, *rect) + 1, rect->bottom - fi.descent - 1, rec->text, -1);
    PfSetPenState(&pen);
    PfClipRect(clip);
  }
  if (selected) PfInvertRect(hilite, true);
}

void ListItemDrawProc(PfDialogRef dialog, int16_t item) {
  SMacDialogInfo* info = MacFindActiveDialogFromHandle(dialog);
  if (!info) return;
  PfRect r{};
  PfGetDialogItemRect(dialog, item, &r);
  if (r.left > kPfHiddenItemOffset) return;
  SMacListBox* rec = FindRecord(info, MapControlIdFromInternal(info, item));
  if (!rec) return;
  PfLUpdate(rec->list);
  PfRect view;
  PfLGetView(rec->list, &view);
  PfInsetRect(&view, -1, -1);
  PfPenState pen;
  PfGetPenState(&pen);
  PfPenSize(1, 1);
  PfFrameRect(view);
  PfSetPenState(&pen);
}

PfListRef Find(SMacDialogInfo* info, ASInt32 id) {
  SMacListBox* r = FindRecord(info, id < 0 ? -id : id);
  return r ? r->list : nullptr;
}

void SelectOnly(PfListRef list, ASInt32 row) {
  for (ASInt32 r = 0; r < PfLRowCount(list); ++r) PfLSetSelect(r == row, PfCell{0, r}, list);
}

ASInt32 SelectedCount(PfListRef list) {
  ASInt32 n = 0;
  for (ASInt32 r = 0; r < PfLRowCount(list); ++r) n += PfLIsSelected(PfCell{0, r}, list) ? 1 : 0;
  return n;
}

ASInt32 FirstSelected(PfListRef list) {
  PfCell c{0, 0};
  return PfLGetSelect(true, &c, list) ? c.v : -1;
}

}  // namespace

PfListRef MacListBoxFind(SMacDialogInfo* info, ASInt32 id) {
  if (!info || !PfIsValidDialog(info->dialog)) return nullptr;
  bool custom = id < 0;
  if (custom) id = -id;
  if (SMacListBox* r = FindRecord(info, id)) return r->list;
  ASInt32 index = MapControlIdToInternal(info, id);
  ASInt32 kind = PfGetDialogItemKind(info->dialog, (int16_t)index);
  if (kind < 0 || (kind & 0x7F) != kMacUserItem) return nullptr;
  PfSetDialogItemProc(info->dialog, (int16_t)index, ListItemDrawProc);
  PfRect view{};
  PfGetDialogItemRect(info->dialog, (int16_t)index, &view);
  if (view.left > 8192) PfOffsetRect(&view, -kPfHiddenItemOffset, 0);
  view.right -= kMacListScrollBarWidth;
  bool osx = MacIsUnderOSX();
  PfListRef list = PfLNew(view, 1, PfPoint{0, 0}, custom && osx ? CustomListDef : nullptr,
                          PfGetDialogWindow(info->dialog), true, false, false, true);
  if (!list) return nullptr;
  auto* rec = static_cast<SMacListBox*>(ASmallocWithException(sizeof(SMacListBox)));
  std::memset(rec, 0, sizeof *rec);
  rec->id = id;
  rec->list = list;
  rec->customDraw = custom ? 1 : 0;
  if (custom && !osx) {
    PfLSetDefinition(list, CustomListDef);
    rec->customDefInstalled = 1;
  }
  rec->next = info->listBoxList;
  info->listBoxList = rec;
  return list;
}

PfListRef MacListBoxSetCustomDraw(SMacDialogInfo* info, ASInt32 id) { return MacListBoxFind(info, -id); }

ASBool IsMacListBox(SMacDialogInfo* info, ASInt32 id) { return FindRecord(info, id) != nullptr; }

ASInt32 MacListBoxAddItem(SMacDialogInfo* info, ASInt32 id, const char* text) {
  PfListRef list = MacListBoxFind(info, id);
  if (!list) return -1;
  if (!text) text = "";
  ASInt32 row = PfLAddRow(1, PfLRowCount(list), list);
  SMacListBox* rec = FindRecord(info, id);
  if (rec->customDraw) {
    size_t n = std::strlen(text);
    auto* cell = static_cast<SMacListCell*>(ASmallocWithException(sizeof(SMacListCell) + n));
    cell->flags = kMacCellOpenNode;
    cell->level = 0;
    std::memcpy(cell->text, text, n + 1);
    SetCustomCell(list, PfCell{0, row}, cell);
  } else {
    PfLSetCell(text, (int32_t)std::strlen(text), PfCell{0, row}, list);
  }
  return row;
}

ASInt32 MacListBoxAddItemUTF8(SMacDialogInfo* info, ASInt32 id, const char* utf8) {
  if (!utf8) utf8 = "";
  size_t size = std::strlen(utf8) + 1;
  KScratch<1024> local(size);
  if (!info->textMetric) info->textMetric = NewMacTextMetricDesc();
  if (!MacTextMetricConvertToLocalEncodingTerm(info->textMetric, utf8, local.data(), (ASInt32)size, kMacTextFlagUTF8)) {
    if (!gUTF8NoteShown) {
      gUTF8NoteShown = true;
      AVAlertNote("Internal error, UTF-8 conversion failed.");
    }
    return -1;
  }
  return MacListBoxAddItem(info, id, local.data());
}

void MacListBoxClear(SMacDialogInfo* info, ASInt32 id) {
  PfListRef list = Find(info, id);
  if (!list) return;
  MacMenuClearDataForMenu(info, id);
  FreeCustomCells(list);
  PfLDelRow(0, 0, list);
}

ASInt32 MacListBoxCountItems(SMacDialogInfo* info, ASInt32 id) { return PfLRowCount(Find(info, id)); }

void MacListBoxSetCustomFlags(SMacDialogInfo* info, ASInt32 id, ASInt32 row, ASUns16 flags, ASInt16 level) {
  PfListRef list = Find(info, id);
  SMacListCell* rec = list ? CustomCell(list, PfCell{0, row}) : nullptr;
  if (!rec || (rec->flags == flags && rec->level == level)) return;
  rec->flags = flags;
  rec->level = level;
  PfLDraw(PfCell{0, row}, list);
}

SMacListCell* MacListBoxGetCustomCell(SMacDialogInfo* info, ASInt32 id, ASInt32 row) {
  PfListRef list = Find(info, id);
  return list ? CustomCell(list, PfCell{0, row}) : nullptr;
}

ASInt32 MacListBoxGetSelectedIndex(SMacDialogInfo* info, ASInt32 id) {
  PfListRef list = Find(info, id);
  return list ? FirstSelected(list) : -1;
}

void MacListBoxSetSelectedIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 row) {
  if (PfListRef list = Find(info, id)) SelectOnly(list, row);
}

ASInt32 MacListBoxMultiGetSelCount(SMacDialogInfo* info, ASInt32 id) {
  PfListRef list = Find(info, id);
  return list ? SelectedCount(list) : 0;
}

ASInt32 MacListBoxMultiGetSelectedIndexList(SMacDialogInfo* info, ASInt32 id, ASInt32* rows, ASInt32 max) {
  PfListRef list = Find(info, id);
  if (!list || !rows) return 0;
  ASInt32 n = 0;
  for (ASInt32 r = 0; r < PfLRowCount(list) && n < max; ++r)
    if (PfLIsSelected(PfCell{0, r}, list)) rows[n++] = r;
  return n;
}

void MacListBoxMultiClearSelect(SMacDialogInfo* info, ASInt32 id) {
  if (PfListRef list = Find(info, id)) SelectOnly(list, -1);
}

void MacListBoxMultiSelectItem(SMacDialogInfo* info, ASInt32 id, ASInt32 row, ASBool on) {
  if (PfListRef list = Find(info, id)) PfLSetSelect(on != 0, PfCell{0, row}, list);
}

void MacListBoxSetTopIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 row) {
  if (PfListRef list = Find(info, id)) PfLScroll(0, row - PfLGetTopRow(list), list);
}

ASInt32 MacListBoxGetTopIndex(SMacDialogInfo* info, ASInt32 id) { return PfLGetTopRow(Find(info, id)); }

void MacListBoxEndUpdate(SMacDialogInfo* info, ASInt32 id) {
  if (!Find(info, id) || MacDialogItemIsVisible(info, id)) return;
  MacControlShowIf(info, id, 1);
  MacControlShowIf(info, id, 0);
  MacRedrawDialogNow(info);
}

ASBool MacListBoxHandledPreHide(SMacDialogInfo* info, ASInt32 id) {
  PfListRef list = Find(info, id);
  if (!list) return 0;
  PfHideControl(PfLGetVerticalScrollBar(list));
  return 1;
}

ASBool MacListBoxHandledPostShow(SMacDialogInfo* info, ASInt32 id) {
  PfListRef list = Find(info, id);
  if (!list) return 0;
  PfShowControl(PfLGetVerticalScrollBar(list));
  return 1;
}

void MacListBoxesPostShowDialog(SMacDialogInfo* info) {
  if (!info) return;
  for (SMacListBox* r = info->listBoxList; r; r = r->next)
    if (!MacDialogItemIsVisible(info, r->id)) PfHideControl(PfLGetVerticalScrollBar(r->list));
}

ASBool MacListBoxDidHandleClick(SMacDialogInfo* info, const PfEvent* event, ASInt32 id) {
  SMacListBox* rec = FindRecord(info, id);
  if (!rec || !event) return 0;
  PfListRef list = rec->list;
  PfPoint local = PfGlobalToLocal(PfGetDialogWindow(info->dialog), event->where);
  ASInt32 count = SelectedCount(list), first = FirstSelected(list);
  PfCell cell{0, 0};
  bool onCell = PfLCellAtPoint(local, &cell, list);
  if (rec->customDraw && onCell) {
    if (SMacListCell* c = CustomCell(list, cell)) {
      PfRect r;
      PfLRect(&r, cell, list);
      ASInt32 dx = local.h - r.left, indent = c->level * kMacListIndent;
      bool inIndent = dx < indent;
      bool inTriangle = !inIndent && dx < indent + kMacListTriangle &&
                        (c->flags & (kMacCellOpenNode | kMacCellClosedNode | kMacCellLeaf));
      if (inIndent || inTriangle) {
        PfEvent up;
        PfTakeMouseUp(&up);
        // The notify data is the clicked cell (its row).
        if (inTriangle && (c->flags & (kMacCellOpenNode | kMacCellClosedNode)))
          SendWMNotify(info, id, kMacNotifyDisclosure, &cell);
        return 1;
      }
    }
  }
  if (onCell && !(event->modifiers & (kPfCmdKey | kPfShiftKey | kPfControlKey))) SelectOnly(list, -1);
  bool isDouble = PfLClick(local, event->modifiers, list);
  ASInt32 newCount = SelectedCount(list), newFirst = FirstSelected(list);
  if (newCount != count || count >= 2 || newFirst != first) {
    if (!SendWMCommand(info, id, kMacCmdListSelection)) return 1;
  }
  if (isDouble) SendWMCommand(info, id, kMacCmdListDoubleClick);
  return 1;
}

void MacListDisposeListBoxList(SMacDialogInfo* info) {
  if (!info) return;
  while (SMacListBox* r = info->listBoxList) {
    info->listBoxList = r->next;
    if (PfIsValidList(r->list)) {
      FreeCustomCells(r->list);
      if (r->customDefInstalled) PfLSetDefinition(r->list, nullptr);
      PfLDispose(r->list);
    }
    ASfree(r);
  }
}
