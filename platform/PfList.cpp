#include "platform/PfList.h"

#include <algorithm>
#include <cstring>

#include "platform/PfInternal.h"

namespace {

bool Live(PfListRef l) {
  if (!l) return false;
  auto& ls = PfG().lists;
  return std::find(ls.begin(), ls.end(), l) != ls.end();
}

size_t Index(PfListRef l, PfCell c) { return (size_t)c.v * (size_t)l->columns + (size_t)c.h; }
bool InRange(PfListRef l, PfCell c) { return c.v >= 0 && c.v < l->rows && c.h >= 0 && c.h < l->columns; }

int32_t Visible(PfListRef l) {
  int32_t h = l->cellSize.v > 0 ? l->cellSize.v : 1;
  return std::max(0, PfRectHeight(l->view) / h);
}

int32_t MaxTop(PfListRef l) { return std::max(0, l->rows - Visible(l)); }

void SyncScroll(PfListRef l) {
  l->top = std::clamp(l->top, 0, MaxTop(l));
  if (l->vScroll) {
    PfSetControlMaximum(l->vScroll, MaxTop(l));
    PfSetControlValue(l->vScroll, l->top);
  }
}

}  // namespace

void PfLStandardDefinition(int16_t message, bool selected, const PfRect* rect, PfCell cell, int32_t, int32_t,
                           PfListRef list) {
  if (message == kPfListDrawMsg) {
    PfEraseRect(*rect);
    const uint8_t* data = PfLGetCellData(cell, list);
    int32_t n = PfLGetCellDataLength(cell, list);
    PfFontInfo fi;
    PfFontGetInfo(kPfSystemFont, &fi);
    if (data) PfDrawTextUTF8(rect->left + 4, rect->bottom - fi.descent - 1, (const char*)data, n);
    if (selected) PfInvertRect(*rect, true);
  } else if (message == kPfListHiliteMsg) {
    PfInvertRect(*rect, true);
  }
}

namespace {

void CallDefinition(PfListRef l, int16_t message, bool selected, const PfRect* rect, PfCell cell) {
  PfListDefProc def = l->definition ? l->definition : PfLStandardDefinition;
  int32_t len = InRange(l, cell) ? (int32_t)l->cells[Index(l, cell)].size() : 0;
  def(message, selected, rect, cell, 0, len, l);
}

bool CellVisible(PfListRef l, PfCell c) { return c.v >= l->top && c.v < l->top + Visible(l); }

void DrawIfShown(PfListRef l, PfCell c) {
  if (l->drawing && InRange(l, c) && CellVisible(l, c)) PfLDraw(c, l);
}

}  // namespace

PfListRef PfLNew(const PfRect& view, int32_t columns, PfPoint cellSize, PfListDefProc definition, PfWindowRef window,
                 bool drawIt, bool hasGrow, bool scrollHoriz, bool scrollVert) {
  if (!PfIsLiveWindow(window) || columns < 1) return nullptr;
  (void)scrollHoriz;
  PfListRef l = new PfListRec;
  l->window = window;
  l->view = view;
  l->columns = columns;
  l->cellSize = cellSize;
  if (l->cellSize.h <= 0) l->cellSize.h = std::max(1, PfRectWidth(view) / columns);
  if (l->cellSize.v <= 0) l->cellSize.v = PfFontLineHeight(kPfSystemFont);
  l->definition = definition;
  l->drawing = drawIt;
  l->hasGrow = hasGrow;
  if (scrollVert) {
    PfRect bar = PfSetRect(view.right, view.top, view.right + 15, view.bottom);
    l->vScroll = PfNewControl(window, bar, "", true, 0, 0, 0, kPfScrollBarProc, 0);
  }
  window->lists.push_back(l);
  PfG().lists.push_back(l);
  PfRect none = PfSetRect(0, 0, 0, 0);
  CallDefinition(l, kPfListInitMsg, false, &none, PfCell{0, 0});
  return l;
}

void PfListFree(PfListRef l) {
  PfRect none = PfSetRect(0, 0, 0, 0);
  CallDefinition(l, kPfListCloseMsg, false, &none, PfCell{0, 0});
  if (l->vScroll) PfDisposeControl(l->vScroll);
  if (PfIsLiveWindow(l->window)) {
    auto& wl = l->window->lists;
    wl.erase(std::remove(wl.begin(), wl.end(), l), wl.end());
  }
  auto& ls = PfG().lists;
  ls.erase(std::remove(ls.begin(), ls.end(), l), ls.end());
  delete l;
}

void PfLDispose(PfListRef list) {
  if (Live(list)) PfListFree(list);
}

bool PfIsValidList(PfListRef list) { return Live(list); }
int32_t PfLiveListCount() { return (int32_t)PfG().lists.size(); }

void PfLSetDefinition(PfListRef list, PfListDefProc definition) {
  if (Live(list)) list->definition = definition;
}

PfListDefProc PfLGetDefinition(PfListRef list) { return Live(list) ? list->definition : nullptr; }
PfWindowRef PfLGetWindow(PfListRef list) { return Live(list) ? list->window : nullptr; }

int32_t PfLAddRow(int32_t count, int32_t row, PfListRef list) {
  if (!Live(list) || count < 1) return -1;
  row = std::clamp(row, 0, list->rows);
  size_t at = (size_t)row * (size_t)list->columns;
  size_t n = (size_t)count * (size_t)list->columns;
  list->cells.insert(list->cells.begin() + (ptrdiff_t)at, n, std::vector<uint8_t>());
  list->selected.insert(list->selected.begin() + (ptrdiff_t)at, n, 0);
  list->rows += count;
  SyncScroll(list);
  PfInvalWindowRect(list->window, list->view);
  return row;
}

void PfLDelRow(int32_t count, int32_t row, PfListRef list) {
  if (!Live(list)) return;
  if (count == 0) {
    list->cells.clear();
    list->selected.clear();
    list->rows = 0;
  } else {
    if (row < 0 || row >= list->rows || count < 0) return;
    count = std::min(count, list->rows - row);
    size_t at = (size_t)row * (size_t)list->columns;
    size_t n = (size_t)count * (size_t)list->columns;
    list->cells.erase(list->cells.begin() + (ptrdiff_t)at, list->cells.begin() + (ptrdiff_t)(at + n));
    list->selected.erase(list->selected.begin() + (ptrdiff_t)at, list->selected.begin() + (ptrdiff_t)(at + n));
    list->rows -= count;
  }
  list->haveLastClick = false;
  SyncScroll(list);
  PfInvalWindowRect(list->window, list->view);
}

int32_t PfLRowCount(PfListRef list) { return Live(list) ? list->rows : 0; }
int32_t PfLColumnCount(PfListRef list) { return Live(list) ? list->columns : 0; }

void PfLSetCell(const void* data, int32_t length, PfCell cell, PfListRef list) {
  if (!Live(list) || !InRange(list, cell)) return;
  const uint8_t* p = (const uint8_t*)data;
  if (!p || length < 0) length = 0;
  list->cells[Index(list, cell)].assign(p, p + length);
  DrawIfShown(list, cell);
}

void PfLGetCell(void* buffer, int32_t* length, PfCell cell, PfListRef list) {
  if (!length) return;
  if (!Live(list) || !InRange(list, cell)) {
    *length = 0;
    return;
  }
  const std::vector<uint8_t>& c = list->cells[Index(list, cell)];
  int32_t n = std::min(*length, (int32_t)c.size());
  if (buffer && n > 0) std::memcpy(buffer, c.data(), (size_t)n);
  *length = (int32_t)c.size();
}

int32_t PfLGetCellDataLength(PfCell cell, PfListRef list) {
  if (!Live(list) || !InRange(list, cell)) return 0;
  return (int32_t)list->cells[Index(list, cell)].size();
}

const uint8_t* PfLGetCellData(PfCell cell, PfListRef list) {
  if (!Live(list) || !InRange(list, cell)) return nullptr;
  const std::vector<uint8_t>& c = list->cells[Index(list, cell)];
  return c.empty() ? nullptr : c.data();
}

void PfLSetSelect(bool select, PfCell cell, PfListRef list) {
  if (!Live(list) || !InRange(list, cell)) return;
  uint8_t& s = list->selected[Index(list, cell)];
  if ((s != 0) == select) return;
  s = select ? 1 : 0;
  DrawIfShown(list, cell);
}

bool PfLGetSelect(bool next, PfCell* cell, PfListRef list) {
  if (!Live(list) || !cell) return false;
  if (!next) return InRange(list, *cell) && list->selected[Index(list, *cell)];
  if (cell->v < 0) *cell = PfCell{0, 0};
  if (cell->h < 0) cell->h = 0;
  for (size_t i = InRange(list, *cell) ? Index(list, *cell) : list->selected.size(); i < list->selected.size(); ++i) {
    if (list->selected[i]) {
      cell->v = (int32_t)(i / (size_t)list->columns);
      cell->h = (int32_t)(i % (size_t)list->columns);
      return true;
    }
  }
  return false;
}

bool PfLIsSelected(PfCell cell, PfListRef list) { return Live(list) && InRange(list, cell) && list->selected[Index(list, cell)]; }

void PfLScroll(int32_t columns, int32_t rows, PfListRef list) {
  (void)columns;
  if (!Live(list) || rows == 0) return;
  int32_t old = list->top;
  list->top = (int32_t)std::clamp<int64_t>((int64_t)list->top + rows, 0, MaxTop(list));
  SyncScroll(list);
  if (old != list->top) PfInvalWindowRect(list->window, list->view);
}

int32_t PfLGetTopRow(PfListRef list) { return Live(list) ? list->top : 0; }
int32_t PfLVisibleRowCount(PfListRef list) { return Live(list) ? Visible(list) : 0; }
void PfLGetView(PfListRef list, PfRect* view) {
  if (view) *view = Live(list) ? list->view : PfSetRect(0, 0, 0, 0);
}
PfPoint PfLGetCellSize(PfListRef list) { return Live(list) ? list->cellSize : PfPoint{0, 0}; }

void PfLRect(PfRect* rect, PfCell cell, PfListRef list) {
  if (!rect) return;
  if (!Live(list)) {
    *rect = PfSetRect(0, 0, 0, 0);
    return;
  }
  int32_t top = list->view.top + (cell.v - list->top) * list->cellSize.v;
  int32_t left = list->view.left + cell.h * list->cellSize.h;
  *rect = PfSetRect(left, top, left + list->cellSize.h, top + list->cellSize.v);
}

bool PfLCellAtPoint(PfPoint local, PfCell* cell, PfListRef list) {
  if (!Live(list) || !PfPtInRect(local, list->view)) return false;
  PfCell c;
  c.v = list->top + (local.v - list->view.top) / list->cellSize.v;
  c.h = (local.h - list->view.left) / list->cellSize.h;
  if (!InRange(list, c)) return false;
  if (cell) *cell = c;
  return true;
}

PfControlRef PfLGetVerticalScrollBar(PfListRef list) { return Live(list) ? list->vScroll : nullptr; }

void PfLSetDrawingMode(bool drawIt, PfListRef list) {
  if (Live(list)) list->drawing = drawIt;
}

bool PfLGetDrawingMode(PfListRef list) { return Live(list) && list->drawing; }

void PfLDraw(PfCell cell, PfListRef list) {
  if (!Live(list) || !InRange(list, cell) || !CellVisible(list, cell)) return;
  PfWindowRef saved = PfGetPort();
  PfSetPort(list->window);
  PfRect r;
  PfLRect(&r, cell, list);
  CallDefinition(list, kPfListDrawMsg, list->selected[Index(list, cell)] != 0, &r, cell);
  PfSetPort(saved);
}

void PfLUpdate(PfListRef list) {
  if (!Live(list)) return;
  int32_t last = std::min(list->rows, list->top + Visible(list));
  for (int32_t row = list->top; row < last; ++row)
    for (int32_t col = 0; col < list->columns; ++col) PfLDraw(PfCell{col, row}, list);
  if (list->vScroll) PfDrawOneControl(list->vScroll);
}

bool PfLClick(PfPoint local, uint16_t modifiers, PfListRef list) {
  if (!Live(list)) return false;
  if (list->vScroll && PfIsControlVisible(list->vScroll)) {
    PfRect bar;
    PfGetControlBounds(list->vScroll, &bar);
    if (PfPtInRect(local, bar)) {
      if (PfTrackControl(list->vScroll, local)) PfLScroll(0, PfGetControlValue(list->vScroll) - list->top, list);
      return false;
    }
  }
  PfEvent up;
  PfTakeMouseUp(&up);
  PfCell cell;
  bool onCell = PfLCellAtPoint(local, &cell, list);
  uint32_t now = PfTickCount();
  if (!onCell) {
    if (!(modifiers & (kPfCmdKey | kPfShiftKey))) {
      for (int32_t r = 0; r < list->rows; ++r)
        for (int32_t c = 0; c < list->columns; ++c) PfLSetSelect(false, PfCell{c, r}, list);
    }
    list->haveLastClick = false;
    return false;
  }
  if (modifiers & kPfCmdKey) {
    PfLSetSelect(!PfLIsSelected(cell, list), cell, list);
    list->anchor = cell.v;
  } else if ((modifiers & kPfShiftKey) && list->anchor >= 0) {
    int32_t a = std::min(list->anchor, cell.v), b = std::max(list->anchor, cell.v);
    for (int32_t r = 0; r < list->rows; ++r)
      for (int32_t c = 0; c < list->columns; ++c) PfLSetSelect(r >= a && r <= b && c == cell.h, PfCell{c, r}, list);
  } else {
    for (int32_t r = 0; r < list->rows; ++r)
      for (int32_t c = 0; c < list->columns; ++c) PfLSetSelect(r == cell.v && c == cell.h, PfCell{c, r}, list);
    list->anchor = cell.v;
  }
  bool isDouble = list->haveLastClick && list->lastClick.h == cell.h && list->lastClick.v == cell.v &&
                  now - list->lastClickTime <= PfGetDblTime();
  list->lastClick = cell;
  list->lastClickTime = now;
  // A third click starts a new pair.
  list->haveLastClick = !isDouble;
  return isDouble;
}

PfCell PfLLastClick(PfListRef list) { return Live(list) ? list->lastClick : PfCell{-1, -1}; }

PfRefCon PfLGetRefCon(PfListRef list) { return Live(list) ? list->refCon : 0; }
void PfLSetRefCon(PfRefCon refCon, PfListRef list) {
  if (Live(list)) list->refCon = refCon;
}

int32_t PfCountWindowLists(PfWindowRef window) { return PfIsLiveWindow(window) ? (int32_t)window->lists.size() : 0; }

PfListRef PfGetIndexedWindowList(PfWindowRef window, int32_t index) {
  if (!PfIsLiveWindow(window) || index < 0 || index >= (int32_t)window->lists.size()) return nullptr;
  return window->lists[(size_t)index];
}
