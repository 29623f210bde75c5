// Tree control over a custom-drawn list box.
#include "kctl/mac/MacTree.h"

#include <cstdlib>
#include <cstring>

#include "foundation/Scratch.h"
#include "foundation/TextConv.h"
#include "host/AVAlert.h"
#include "kctl/mac/MacListBox.h"

namespace {

SMacTreeControl* gTreeControls = nullptr;  // newest first

void FreeItems(SMacTreeControl* tree) {
  while (SMacTreeItem* item = tree->first) {
    tree->first = item->next;
    ASfree(item->text);
    ASfree(item);
  }
  tree->last = nullptr;
}

void Unlink(SMacTreeControl* tree) {
  for (SMacTreeControl** p = &gTreeControls; *p; p = &(*p)->next) {
    if (*p == tree) {
      *p = tree->next;
      return;
    }
  }
}

void FreeTree(SMacTreeControl* tree) {
  Unlink(tree);
  FreeItems(tree);
  ASfree(tree);
}

ASInt32 Depth(const SMacTreeItem* item) { return std::abs(item->level); }

void ReloadSelection(SMacDialogInfo* info, SMacTreeControl* tree) {
  ASInt32 count = MacListBoxMultiGetSelCount(info, tree->id);
  KScratch<256> rows(sizeof(ASInt32) * (size_t)(count > 0 ? count : 1));
  auto* r = reinterpret_cast<ASInt32*>(rows.data());
  ASInt32 n = MacListBoxMultiGetSelectedIndexList(info, tree->id, r, count);
  for (SMacTreeItem* item = tree->first; item; item = item->next) {
    item->selected = 0;
    for (ASInt32 i = 0; i < n && item->row >= 0; ++i)
      if (r[i] == item->row) item->selected = 1;
  }
}

SMacTreeItem* ItemOfRow(SMacTreeControl* tree, ASInt32 row) {
  for (SMacTreeItem* item = tree->first; item; item = item->next)
    if (item->row == row) return item;
  return nullptr;
}

void Regenerate(SMacDialogInfo* info, SMacTreeControl* tree) {
  ASInt32 top = MacTreeGetTopIndex(info, tree->id);
  MacListBoxClear(info, tree->id);
  ASInt32 closedDepth = 0;
  for (SMacTreeItem* item = tree->first; item; item = item->next) {
    ASInt32 depth = Depth(item);
    if (closedDepth && depth > closedDepth) {
      item->row = -1;
      continue;
    }
    closedDepth = 0;
    item->row = MacListBoxAddItem(info, tree->id, item->text);
    ASUns16 flags = kMacCellLeaf;
    bool parent = item->next && Depth(item->next) > depth;
    if (tree->multi) {
      flags = 0;
    } else if (parent) {
      flags = item->level > 0 ? kMacCellOpenNode : kMacCellClosedNode;
      if (item->level < 0) closedDepth = depth;
    }
    MacListBoxSetCustomFlags(info, tree->id, item->row, flags, (ASInt16)(depth - 1));
    if (item->selected) MacListBoxMultiSelectItem(info, tree->id, item->row, 1);
  }
  MacListBoxEndUpdate(info, tree->id);
  MacTreeSetTopIndex(info, tree->id, top);
}

}  // namespace

SMacTreeControl* FindMacTreeControl(SMacDialogInfo* info, ASInt32 id) {
  for (SMacTreeControl* t = gTreeControls; t; t = t->next)
    if (t->dialog == info && t->id == id) return t;
  return nullptr;
}

SMacTreeControl* FindOrNewMacTreeControl(SMacDialogInfo* info, ASInt32 id) {
  if (!info) return nullptr;
  if (SMacTreeControl* t = FindMacTreeControl(info, id)) return t;
  auto* t = static_cast<SMacTreeControl*>(ASmallocWithException(sizeof(SMacTreeControl)));
  std::memset(t, 0, sizeof *t);
  t->dialog = info;
  t->id = id;
  t->next = gTreeControls;
  gTreeControls = t;
  MacListBoxSetCustomDraw(info, id);
  return t;
}

void MacTreeClear(SMacDialogInfo* info, ASInt32 id) {
  if (SMacTreeControl* t = FindMacTreeControl(info, id)) FreeItems(t);
}

ASInt32 MacTreeAddItem(SMacDialogInfo* info, ASInt32 id, const char* text, ASInt32 level) {
  SMacTreeControl* t = FindOrNewMacTreeControl(info, id);
  if (!t) return -1;
  if (!text) text = "";
  auto* item = static_cast<SMacTreeItem*>(ASmallocWithException(sizeof(SMacTreeItem)));
  std::memset(item, 0, sizeof *item);
  size_t n = std::strlen(text);
  item->text = static_cast<char*>(ASmallocWithException(n + 1));
  std::memcpy(item->text, text, n + 1);
  item->level = level == 0 ? 1 : level;
  item->index = t->last ? t->last->index + 1 : 0;
  item->row = -1;
  if (t->last)
    t->last->next = item;
  else
    t->first = item;
  t->last = item;
  return item->index;
}

ASInt32 MacTreeAddItemUtf8(SMacDialogInfo* info, ASInt32 id, const char* utf8, ASInt32 level) {
  if (!utf8) utf8 = "";
  ASInt32 size = UTF8ToPlatformNativeBytesNeededTerm(utf8);
  if (size < 1) size = 1;
  KScratch<1024> native((size_t)size);
  UTF8ToPlatformNativeTerm(utf8, native.data(), size, '?');
  return MacTreeAddItem(info, id, native.data(), level);
}

SMacTreeItem* MacTreeGetItem(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  SMacTreeControl* t = FindMacTreeControl(info, id);
  for (SMacTreeItem* item = t ? t->first : nullptr; item; item = item->next)
    if (item->index == index) return item;
  return nullptr;
}

void MacTreeAttachCab(SMacDialogInfo* info, ASInt32 id, ASInt32 index, SKCab* cab) {
  if (SMacTreeItem* item = MacTreeGetItem(info, id, index)) item->cab = cab;
}

void MacTreeMultiInit(SMacDialogInfo* info, ASInt32 id, ASBool multi) {
  if (SMacTreeControl* t = FindOrNewMacTreeControl(info, id)) {
    t->multi = multi ? 1 : 0;
    t->multiInitialised = 1;
  }
}

void MacTreeEndUpdate(SMacDialogInfo* info, ASInt32 id) {
  if (SMacTreeControl* t = FindMacTreeControl(info, id)) Regenerate(info, t);
}

void MacTreeSetOpen(SMacDialogInfo* info, ASInt32 id, ASInt32 index, ASBool open) {
  SMacTreeItem* item = MacTreeGetItem(info, id, index);
  if (!item) return;
  item->level = open ? Depth(item) : -Depth(item);
  Regenerate(info, FindMacTreeControl(info, id));
}

void MacTreeSetTopIndex(SMacDialogInfo* info, ASInt32 id, ASInt32 index) {
  SMacTreeItem* item = MacTreeGetItem(info, id, index);
  if (item && item->row >= 0) MacListBoxSetTopIndex(info, id, item->row);
}

ASInt32 MacTreeGetTopIndex(SMacDialogInfo* info, ASInt32 id) {
  SMacTreeControl* t = FindMacTreeControl(info, id);
  if (!t || MacListBoxCountItems(info, id) == 0) return 0;
  SMacTreeItem* item = ItemOfRow(t, MacListBoxGetTopIndex(info, id));
  return item ? item->index : 0;
}

void MacTreeDestroyAssociateCabsForControl(SMacDialogInfo* info, ASInt32 id) {
  if (SMacTreeControl* t = FindMacTreeControl(info, id)) FreeItems(t);
}

void MacPossibleTreeMessage(SMacDialogInfo* info, ASUns32 message, ASInt32 wParam, SMacControlHitInfo* hit,
                            ASInt32 id) {
  if (message == kMacDlgDestroy) {
    if (SMacTreeControl* t = FindMacTreeControl(info, id)) FreeTree(t);
    return;
  }
  if (message != kMacDlgNotify && message != kMacDlgCommand) return;
  if (!hit) {
    AVAlertNote("Internal error, please report: lParam NULL");
    return;
  }
  SMacTreeControl* t = FindMacTreeControl(info, id);
  if (!t) return;
  if (message == kMacDlgNotify) {
    if (wParam != id || hit->code != kMacNotifyDisclosure || !hit->data) return;
    const PfCell* cell = static_cast<const PfCell*>(hit->data);
    SMacTreeItem* item = ItemOfRow(t, cell->v);
    if (!item) return;
    bool wasClosed = item->level < 0;
    ASInt32 index = item->index;
    SMacTreeOpenCloseData data{index, wasClosed ? 1 : 0};
    if (!SendWMNotify(info, id, kMacTreeOpenClose, &data)) return;
    // The notify may have rebuilt the tree: find the item again.
    if (MacTreeGetItem(info, id, index)) MacTreeSetOpen(info, id, index, wasClosed);
    return;
  }
  if (hit->id != id) return;
  if (hit->code == kMacCmdListSelection) {
    ReloadSelection(info, t);
    SendWMNotify(info, id, kMacTreeSelectionChanged, nullptr);
  } else if (hit->code == kMacCmdListDoubleClick) {
    ReloadSelection(info, t);
    SendWMNotify(info, id, kMacTreeDoubleClick, nullptr);
  }
}

void MacTreeDisposeForDialog(SMacDialogInfo* info) {
  for (SMacTreeControl* t = gTreeControls; t;) {
    SMacTreeControl* next = t->next;
    if (t->dialog == info) FreeTree(t);
    t = next;
  }
}

ASInt32 MacTreeControlCount() {
  ASInt32 n = 0;
  for (SMacTreeControl* t = gTreeControls; t; t = t->next) ++n;
  return n;
}
