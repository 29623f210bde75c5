#include "platform/PfMenu.h"

#include <algorithm>
#include <cstring>

#include "platform/PfInternal.h"
#include "platform/PfString.h"

namespace {

bool Live(PfMenuRef menu) {
  if (!menu) return false;
  auto& m = PfG().menus;
  return std::find(m.begin(), m.end(), menu) != m.end();
}

PfMenuItemRec* Item(PfMenuRef menu, int32_t item) {
  if (!Live(menu) || item < 1 || item > (int32_t)menu->items.size()) return nullptr;
  return &menu->items[(size_t)item - 1];
}

}  // namespace

PfMenuRef PfNewMenu(int16_t menuId, const char* titleUTF8) {
  PfMenuRef m = new PfMenuRec;
  m->id = menuId;
  m->title = PfCleanUTF8(titleUTF8);
  PfG().menus.push_back(m);
  return m;
}

void PfDisposeMenu(PfMenuRef menu) {
  if (!Live(menu)) return;
  PfGlobals& g = PfG();
  g.menuList.erase(std::remove(g.menuList.begin(), g.menuList.end(), menu), g.menuList.end());
  g.menus.erase(std::remove(g.menus.begin(), g.menus.end(), menu), g.menus.end());
  // Pop-up buttons forget a menu that goes away.
  for (PfControlRef c : g.controls)
    if (c->menu == menu) c->menu = nullptr;
  delete menu;
}

int16_t PfGetMenuID(PfMenuRef menu) { return Live(menu) ? menu->id : 0; }

void PfInsertMenu(PfMenuRef menu, int16_t beforeId) {
  if (!Live(menu) || menu->inserted) return;
  PfGlobals& g = PfG();
  menu->inserted = true;
  menu->popup = beforeId == -1;
  auto at = g.menuList.end();
  if (beforeId > 0)
    at = std::find_if(g.menuList.begin(), g.menuList.end(), [beforeId](PfMenuRef m) { return m->id == beforeId; });
  g.menuList.insert(at, menu);
}

void PfDeleteMenu(int16_t menuId) {
  PfGlobals& g = PfG();
  for (auto it = g.menuList.begin(); it != g.menuList.end(); ++it) {
    if ((*it)->id == menuId) {
      (*it)->inserted = false;
      g.menuList.erase(it);
      return;
    }
  }
}

PfMenuRef PfGetMenuHandle(int16_t menuId) {
  for (PfMenuRef m : PfG().menuList)
    if (m->id == menuId) return m;
  return nullptr;
}

int32_t PfLiveMenuCount() { return (int32_t)PfG().menus.size(); }

int32_t PfAppendMenuItemTextUTF8(PfMenuRef menu, const char* textUTF8) {
  if (!Live(menu)) return 0;
  PfMenuItemRec item;
  item.text = PfCleanUTF8(textUTF8);
  menu->items.push_back(item);
  return (int32_t)menu->items.size();
}

void PfDeleteMenuItem(PfMenuRef menu, int32_t item) {
  if (Item(menu, item)) menu->items.erase(menu->items.begin() + (item - 1));
}

void PfDeleteMenuItems(PfMenuRef menu, int32_t first, int32_t count) {
  for (int32_t i = 0; i < count; ++i) PfDeleteMenuItem(menu, first);
}

int32_t PfCountMenuItems(PfMenuRef menu) { return Live(menu) ? (int32_t)menu->items.size() : 0; }

int32_t PfCopyMenuItemTextUTF8(PfMenuRef menu, int32_t item, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  PfMenuItemRec* it = Item(menu, item);
  if (!it) {
    buffer[0] = 0;
    return 0;
  }
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, it->text.data(), it->text.size());
}

const char* PfGetMenuItemTextUTF8(PfMenuRef menu, int32_t item) {
  PfMenuItemRec* it = Item(menu, item);
  return it ? it->text.c_str() : "";
}

PfErr PfSetMenuItemTextUTF8(PfMenuRef menu, int32_t item, const char* textUTF8) {
  PfMenuItemRec* it = Item(menu, item);
  if (!it) return kPfErrParam;
  it->text = PfCleanUTF8(textUTF8);
  return kPfNoErr;
}

void PfEnableMenuItem(PfMenuRef menu, int32_t item, bool enable) {
  if (PfMenuItemRec* it = Item(menu, item)) it->enabled = enable;
}

bool PfIsMenuItemEnabled(PfMenuRef menu, int32_t item) {
  PfMenuItemRec* it = Item(menu, item);
  return it && it->enabled;
}

void PfCheckMenuItem(PfMenuRef menu, int32_t item, bool checked) {
  if (PfMenuItemRec* it = Item(menu, item)) it->checked = checked;
}

bool PfIsMenuItemChecked(PfMenuRef menu, int32_t item) {
  PfMenuItemRec* it = Item(menu, item);
  return it && it->checked;
}

PfErr PfSetMenuItemRefCon(PfMenuRef menu, int32_t item, PfRefCon refCon) {
  PfMenuItemRec* it = Item(menu, item);
  if (!it) return kPfErrParam;
  it->refCon = refCon;
  return kPfNoErr;
}

PfRefCon PfGetMenuItemRefCon(PfMenuRef menu, int32_t item) {
  PfMenuItemRec* it = Item(menu, item);
  return it ? it->refCon : 0;
}
