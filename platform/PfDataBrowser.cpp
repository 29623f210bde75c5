#include "platform/PfDataBrowser.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/PfInternal.h"

struct Browser {
  std::vector<PfDataBrowserItemID> items;
  std::vector<uint8_t> selected;
  PfDataBrowserItemDataProc dataProc = nullptr;
  PfDataBrowserItemNotificationProc notifyProc = nullptr;
  uint32_t selectionFlags = 0;
  std::vector<std::pair<PfDataBrowserPropertyID, int32_t>> columns;
  int32_t headerHeight = 17;
  bool vScroll = true;
  bool hScroll = true;
  PfDataBrowserItemID lastClick = 0;
  uint32_t lastClickTime = 0;
};

struct PfDataBrowserItemDataRec {
  std::string text;
  bool set = false;
};

namespace {

Browser* B(PfControlRef c) {
  return PfIsValidControl(c) && c->procId == kPfDataBrowserProc ? c->browser : nullptr;
}

void Notify(PfControlRef c, PfDataBrowserItemID item, int32_t message) {
  Browser* b = B(c);
  if (b && b->notifyProc) b->notifyProc(c, item, message);
}

}  // namespace

PfControlRef PfCreateDataBrowserControl(PfWindowRef window, const PfRect& bounds) {
  PfControlRef c = PfNewControl(window, bounds, "", true, 0, 0, 0, kPfDataBrowserProc, 0);
  if (c) c->browser = new Browser;
  return c;
}

void PfBrowserFree(PfControlRef control) {
  delete control->browser;
  control->browser = nullptr;
}

PfErr PfSetDataBrowserCallbacks(PfControlRef browser, PfDataBrowserItemDataProc itemData,
                                PfDataBrowserItemNotificationProc notification) {
  Browser* b = B(browser);
  if (!b) return kPfErrParam;
  b->dataProc = itemData;
  b->notifyProc = notification;
  return kPfNoErr;
}

PfErr PfSetDataBrowserSelectionFlags(PfControlRef browser, uint32_t flags) {
  Browser* b = B(browser);
  if (!b) return kPfErrParam;
  b->selectionFlags = flags;
  return kPfNoErr;
}

PfErr PfAddDataBrowserColumn(PfControlRef browser, PfDataBrowserPropertyID property, int32_t width) {
  Browser* b = B(browser);
  if (!b) return kPfErrParam;
  b->columns.emplace_back(property, width);
  return kPfNoErr;
}

PfErr PfSetDataBrowserHeaderHeight(PfControlRef browser, int32_t height) {
  Browser* b = B(browser);
  if (!b || height < 0) return kPfErrParam;
  b->headerHeight = height;
  return kPfNoErr;
}

PfErr PfSetDataBrowserHasScrollBars(PfControlRef browser, bool horizontal, bool vertical) {
  Browser* b = B(browser);
  if (!b) return kPfErrParam;
  b->hScroll = horizontal;
  b->vScroll = vertical;
  return kPfNoErr;
}

PfErr PfAddDataBrowserItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items) {
  Browser* b = B(browser);
  if (!b || count < 0 || (count && !items)) return kPfErrParam;
  for (int32_t i = 0; i < count; ++i) {
    if (std::find(b->items.begin(), b->items.end(), items[i]) != b->items.end()) continue;
    b->items.push_back(items[i]);
    b->selected.push_back(0);
  }
  PfInvalWindowRect(browser->window, browser->bounds);
  return kPfNoErr;
}

PfErr PfRemoveDataBrowserItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items) {
  Browser* b = B(browser);
  if (!b || count < 0) return kPfErrParam;
  if (count == 0) {
    b->items.clear();
    b->selected.clear();
  } else {
    for (int32_t i = 0; i < count && items; ++i) {
      auto it = std::find(b->items.begin(), b->items.end(), items[i]);
      if (it == b->items.end()) continue;
      size_t at = (size_t)(it - b->items.begin());
      b->items.erase(it);
      b->selected.erase(b->selected.begin() + (ptrdiff_t)at);
    }
  }
  b->lastClick = 0;
  PfInvalWindowRect(browser->window, browser->bounds);
  return kPfNoErr;
}

PfErr PfGetDataBrowserItemCount(PfControlRef browser, bool selectedOnly, int32_t* count) {
  Browser* b = B(browser);
  if (!b || !count) return kPfErrParam;
  *count = selectedOnly ? (int32_t)std::count(b->selected.begin(), b->selected.end(), 1) : (int32_t)b->items.size();
  return kPfNoErr;
}

PfErr PfSetDataBrowserSelectedItems(PfControlRef browser, int32_t count, const PfDataBrowserItemID* items,
                                    EPfDataBrowserSetOption option) {
  Browser* b = B(browser);
  if (!b || count < 0 || (count && !items)) return kPfErrParam;
  std::vector<uint8_t> before = b->selected;
  if (option == kPfDataBrowserItemsAssign) std::fill(b->selected.begin(), b->selected.end(), 0);
  for (int32_t i = 0; i < count; ++i) {
    int32_t row = PfGetDataBrowserItemRow(browser, items[i]);
    if (row < 0) continue;
    uint8_t& s = b->selected[(size_t)row];
    if (option == kPfDataBrowserItemsRemove)
      s = 0;
    else if (option == kPfDataBrowserItemsToggle)
      s = !s;
    else {
      if (b->selectionFlags & kPfDataBrowserSelectOnlyOne) std::fill(b->selected.begin(), b->selected.end(), 0);
      s = 1;
    }
  }
  if (before != b->selected) Notify(browser, 0, kPfDataBrowserSelectionSetChanged);
  return kPfNoErr;
}

PfErr PfGetDataBrowserSelectionAnchor(PfControlRef browser, PfDataBrowserItemID* first, PfDataBrowserItemID* last) {
  Browser* b = B(browser);
  if (!b) return kPfErrParam;
  PfDataBrowserItemID f = 0, l = 0;
  for (size_t i = 0; i < b->items.size(); ++i) {
    if (!b->selected[i]) continue;
    if (!f) f = b->items[i];
    l = b->items[i];
  }
  if (first) *first = f;
  if (last) *last = l;
  return kPfNoErr;
}

bool PfIsDataBrowserItemSelected(PfControlRef browser, PfDataBrowserItemID item) {
  int32_t row = PfGetDataBrowserItemRow(browser, item);
  return row >= 0 && B(browser)->selected[(size_t)row];
}

int32_t PfGetDataBrowserItemRow(PfControlRef browser, PfDataBrowserItemID item) {
  Browser* b = B(browser);
  if (!b) return -1;
  auto it = std::find(b->items.begin(), b->items.end(), item);
  return it == b->items.end() ? -1 : (int32_t)(it - b->items.begin());
}

int32_t PfCopyDataBrowserItemText(PfControlRef browser, PfDataBrowserItemID item, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  Browser* b = B(browser);
  if (!b || !b->dataProc || b->columns.empty()) return 0;
  PfDataBrowserItemDataRec data;
  if (b->dataProc(browser, item, b->columns.front().first, &data, false) != kPfNoErr || !data.set) return 0;
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, data.text.data(), data.text.size());
}

PfErr PfSetDataBrowserItemDataText(PfDataBrowserItemDataRef itemData, PfStringRef text) {
  if (!itemData || !text) return kPfErrParam;
  itemData->text = PfStringGetUTF8(text);
  itemData->set = true;
  return kPfNoErr;
}

bool PfBrowserTrack(PfControlRef control, PfPoint local) {
  Browser* b = B(control);
  if (!b) return false;
  int32_t row = (local.v - control->bounds.top - b->headerHeight) / kPfDataBrowserRowHeight;
  if (local.v < control->bounds.top + b->headerHeight || row < 0 || row >= (int32_t)b->items.size()) return false;
  PfDataBrowserItemID item = b->items[(size_t)row];
  PfSetDataBrowserSelectedItems(control, 1, &item, kPfDataBrowserItemsAssign);
  uint32_t now = PfTickCount();
  bool isDouble = b->lastClick == item && now - b->lastClickTime <= PfGetDblTime();
  b->lastClick = isDouble ? 0 : item;
  b->lastClickTime = now;
  if (isDouble) Notify(control, item, kPfDataBrowserItemDoubleClicked);
  return true;
}

void PfBrowserDraw(PfControlRef control) {
  Browser* b = B(control);
  if (!b) return;
  PfFrameRect(control->bounds);
  PfFontInfo fi;
  PfFontGetInfo(kPfSystemFont, &fi);
  int32_t y = control->bounds.top + b->headerHeight;
  for (size_t i = 0; i < b->items.size() && y < control->bounds.bottom; ++i, y += kPfDataBrowserRowHeight) {
    char text[256];
    PfCopyDataBrowserItemText(control, b->items[i], text, sizeof text);
    PfDrawTextUTF8(control->bounds.left + 4, y + fi.ascent + 2, text, -1);
    if (b->selected[i])
      PfInvertRect(PfSetRect(control->bounds.left, y, control->bounds.right, y + kPfDataBrowserRowHeight), true);
  }
}
