#include "platform/PfDialog.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/PfDesktop.h"
#include "platform/PfInternal.h"
#include "platform/PfSystem.h"

namespace {

bool Live(PfDialogRef d) {
  if (!d) return false;
  auto& ds = PfG().dialogs;
  return std::find(ds.begin(), ds.end(), d) != ds.end();
}

bool IsHidden(const PfRect& r) { return r.left > 8192; }
uint8_t BaseKind(uint8_t kind) { return kind & 0x7F; }
bool IsEdit(const PfDialogItemRec& i) { return BaseKind(i.kind) == kPfEditTextItem; }
bool Enabled(const PfDialogItemRec& i) { return !(i.kind & kPfItemDisableBit); }

uint16_t Get16(const uint8_t* p) { return (uint16_t)((p[0] << 8) | p[1]); }
void Put16(uint8_t* p, int32_t v) {
  p[0] = (uint8_t)((uint32_t)v >> 8);
  p[1] = (uint8_t)v;
}

std::string CutItemText(const char* text, size_t n) {
  std::string s(text, PfUTF8CutLength(text, n, kPfItemTextLimit));
  return s;
}

// Reads the item list; false when it is malformed.
bool ParseItems(PfHandle list, std::vector<PfDialogItemRec>* items) {
  const uint8_t* p = PfHandleData(list);
  size_t size = PfGetHandleSize(list);
  if (!p || size < 2) return false;
  size_t count = (size_t)Get16(p) + 1;
  if (Get16(p) == 0xFFFF) return true;  // an empty list
  size_t at = 2;
  for (size_t i = 0; i < count; ++i) {
    if (at + 14 > size) return false;
    PfDialogItemRec item;
    const uint8_t* q = p + at + 4;
    item.rect.top = (int16_t)Get16(q);
    item.rect.left = (int16_t)Get16(q + 2);
    item.rect.bottom = (int16_t)Get16(q + 4);
    item.rect.right = (int16_t)Get16(q + 6);
    item.kind = q[8];
    size_t len = q[9];
    if (at + 14 + len > size) return false;
    const char* data = (const char*)(q + 10);
    switch (BaseKind(item.kind)) {
      case kPfResControlItem:
      case kPfIconItem:
      case kPfPictureItem:
        if (len >= 2) item.resId = (int16_t)Get16((const uint8_t*)data);
        break;
      case kPfUserItem:
        break;
      default: {
        std::string clean = PfCleanUTF8(data, len);
        item.text = CutItemText(clean.data(), clean.size());
        break;
      }
    }
    items->push_back(item);
    at += 14 + len + ((14 + len) & 1);
  }
  return true;
}

void StoreFocusText(PfDialogRef d) {
  if (d->focus < 1 || !d->te) return;
  d->items[(size_t)d->focus - 1].text = PfTEGetText(d->te);
}

int16_t NextEditItem(PfDialogRef d, int16_t from) {
  int16_t n = (int16_t)d->items.size();
  if (n == 0) return 0;
  int16_t i = from;
  for (int16_t step = 0; step < n; ++step) {
    i = (int16_t)(i >= n ? 1 : i + 1);
    if (i == from) return 0;
    const PfDialogItemRec& item = d->items[(size_t)i - 1];
    if (IsEdit(item) && !IsHidden(item.rect)) return i;
  }
  return 0;
}

void DrawItem(PfDialogRef d, int16_t index) {
  PfDialogItemRec& item = d->items[(size_t)index - 1];
  if (IsHidden(item.rect)) return;
  PfFontInfo fi;
  PfFontGetInfo(kPfSystemFont, &fi);
  if (item.control) {
    PfDrawOneControl(item.control);
    return;
  }
  switch (BaseKind(item.kind)) {
    case kPfUserItem:
      if (item.proc) item.proc(d, index);
      break;
    case kPfStaticTextItem: {
      // Static text wraps within its rectangle.
      const char* t = item.text.c_str();
      size_t n = item.text.size(), pos = 0;
      int32_t y = item.rect.top + fi.ascent;
      while (pos < n && y - fi.ascent < item.rect.bottom) {
        size_t shown;
        size_t next = PfBreakLineUTF8(kPfSystemFont, t + pos, n - pos, PfRectWidth(item.rect), &shown);
        PfDrawTextUTF8(item.rect.left, y, t + pos, (int32_t)shown);
        if (next == 0) break;
        pos += next;
        y += PfFontLineHeight(kPfSystemFont);
      }
      break;
    }
    case kPfEditTextItem: {
      PfRect frame = item.rect;
      PfInsetRect(&frame, -3, -3);
      PfFrameRect(frame);
      if (d->focus == index && d->te)
        PfTEUpdate(d->te);
      else
        PfDrawTextUTF8(item.rect.left, item.rect.top + fi.ascent, item.text.c_str(), (int32_t)item.text.size());
      break;
    }
    case kPfIconItem:
    case kPfPictureItem:
      PfDrawImage(item.rect, nullptr);
      break;
    default:
      break;
  }
}

bool ControlUsable(PfControlRef c) { return c && PfGetControlHilite(c) != kPfInactiveHilite && PfIsControlVisible(c); }

// Flashes a button the way a key press shows it.
void FlashItem(PfDialogRef d, int16_t item) {
  PfControlRef c = d->items[(size_t)item - 1].control;
  if (!c) return;
  PfHiliteControl(c, kPfButtonPart);
  PfDelay(8, nullptr);
  PfHiliteControl(c, 0);
}

bool KeyItem(PfDialogRef d, int16_t item, int16_t* hit) {
  if (item < 1 || item > (int16_t)d->items.size()) return false;
  PfDialogItemRec& i = d->items[(size_t)item - 1];
  if (!Enabled(i) || (i.control && !ControlUsable(i.control))) return false;
  FlashItem(d, item);
  *hit = item;
  return true;
}

// The standard handling shared by the modal step and the dialog-select road.
bool HandleEvent(PfDialogRef d, const PfEvent& ev, int16_t* hit) {
  *hit = 0;
  PfWindowRef w = d->window;
  switch (ev.what) {
    case kPfMouseDown: {
      PfWindowRef at;
      EPfWindowPart part = PfFindWindow(ev.where, &at);
      if (at != w) return false;
      if (part == kPfInDrag) {
        PfDragWindow(w, ev.where, PfDesktopGrayBounds());
        return false;
      }
      if (part != kPfInContent) return false;
      PfPoint local = PfGlobalToLocal(w, ev.where);
      int16_t item = PfFindDialogItem(d, local);
      if (!item) {
        PfEvent up;
        PfTakeMouseUp(&up);
        return false;
      }
      PfDialogItemRec& rec = d->items[(size_t)item - 1];
      if (rec.control) {
        if (!PfTrackControl(rec.control, local)) return false;
      } else if (IsEdit(rec)) {
        if (d->focus != item) PfDialogSetFocus(d, item, 0, 0);
        PfTEClick(local, (ev.modifiers & kPfShiftKey) != 0, d->te);
      } else {
        PfEvent up;
        PfTakeMouseUp(&up);
      }
      if (!Enabled(rec)) return false;
      *hit = item;
      return true;
    }
    case kPfKeyDown:
    case kPfAutoKey: {
      uint32_t ch = PfEventChar(ev);
      bool cmd = (ev.modifiers & kPfCmdKey) != 0;
      if (!cmd && (ch == kPfReturnChar || ch == kPfEnterChar)) return KeyItem(d, d->defaultItem, hit);
      if ((!cmd && ch == kPfEscapeChar) || (cmd && ch == '.')) return KeyItem(d, d->cancelItem, hit);
      if (d->focus < 1 || !d->te) return false;
      PfDialogItemRec& rec = d->items[(size_t)d->focus - 1];
      if (cmd) {
        if (ch == 'x' || ch == 'X') {
          PfTECut(d->te);
        } else if (ch == 'c' || ch == 'C') {
          PfTECopy(d->te);
          return false;
        } else if (ch == 'v' || ch == 'V') {
          PfTEPaste(d->te);
        } else {
          return false;
        }
      } else if (ch == kPfTabChar) {
        int16_t next = NextEditItem(d, d->focus);
        if (next) PfDialogSetFocus(d, next, 0, 32767);
        return false;
      } else {
        PfTEKey(ch, ev.modifiers, d->te);
      }
      StoreFocusText(d);
      if (!Enabled(rec)) return false;
      *hit = d->focus;
      return true;
    }
    case kPfActivateEvt: {
      bool on = (ev.modifiers & kPfActiveFlag) != 0;
      PfHiliteWindow(w, on);
      for (PfControlRef c : w->controls) PfActivateControl(c, on);
      if (d->te) {
        if (on && d->focus)
          PfTEActivate(d->te);
        else
          PfTEDeactivate(d->te);
      }
      return false;
    }
    case kPfUpdateEvt:
      PfDrawDialog(d);
      return false;
    default:
      return false;
  }
}

PfDialogRef DialogOfEvent(const PfEvent& ev) {
  switch (ev.what) {
    case kPfMouseDown: {
      PfWindowRef w;
      PfFindWindow(ev.where, &w);
      return w ? w->dialog : nullptr;
    }
    case kPfKeyDown:
    case kPfAutoKey: {
      PfWindowRef w = PfFrontVisibleWindow();
      return w ? w->dialog : nullptr;
    }
    case kPfActivateEvt:
    case kPfUpdateEvt: {
      PfWindowRef w = PfEventWindow(ev);
      return PfIsLiveWindow(w) ? w->dialog : nullptr;
    }
    default:
      return nullptr;
  }
}

struct ModalState {
  int32_t stalls = 0;
  uint32_t stallTicks = 600;
};

ModalState& M() {
  static ModalState state;
  return state;
}

}  // namespace

void PfModalReset() { M() = ModalState{}; }

size_t PfItemListItemSize(uint8_t length) { return 14 + (size_t)length + ((14 + length) & 1); }

size_t PfItemListWriteItem(uint8_t* at, uint8_t kind, const PfRect& rect, const void* data, uint8_t length) {
  std::memset(at, 0, 4);
  Put16(at + 4, rect.top);
  Put16(at + 6, rect.left);
  Put16(at + 8, rect.bottom);
  Put16(at + 10, rect.right);
  at[12] = kind;
  at[13] = length;
  if (length && data) std::memcpy(at + 14, data, length);
  size_t total = PfItemListItemSize(length);
  if (total > 14 + (size_t)length) at[14 + length] = 0;
  return total;
}

namespace {

// The test hook's memory of the last record disposed, kept for the next.
bool gReuseDialogRecords = false;
void* gSpareDialogRecord = nullptr;

PfDialogRef NewDialogRecord() {
  if (void* spare = gSpareDialogRecord) {
    gSpareDialogRecord = nullptr;
    return new (spare) PfDialogRec;
  }
  return new PfDialogRec;
}

void FreeDialogRecord(PfDialogRef d) {
  if (!gReuseDialogRecords) {
    delete d;
    return;
  }
  d->~PfDialogRec();
  ::operator delete(gSpareDialogRecord);
  gSpareDialogRecord = d;
}

}  // namespace

void PfReuseDialogRecordsForTest(bool on) {
  gReuseDialogRecords = on;
  if (!on) {
    ::operator delete(gSpareDialogRecord);
    gSpareDialogRecord = nullptr;
  }
}

PfDialogRef PfNewDialog(const PfRect& bounds, const char* titleUTF8, bool visible, int16_t procId, bool inFront,
                        bool goAway, PfRefCon refCon, PfHandle itemList, uint32_t flags) {
  std::vector<PfDialogItemRec> items;
  bool ok = ParseItems(itemList, &items);
  PfDisposeHandle(itemList);
  if (!ok) return nullptr;
  PfWindowRef w = PfNewWindow(bounds, titleUTF8, false, procId, inFront, goAway, 0);
  auto d = NewDialogRecord();
  d->window = w;
  d->refCon = refCon;
  d->flags = flags;
  d->items = std::move(items);
  w->dialog = d;
  PfG().dialogs.push_back(d);
  for (PfDialogItemRec& item : d->items) {
    int16_t proc = -1;
    switch (BaseKind(item.kind)) {
      case kPfButtonItem:
        proc = kPfPushButProc;
        break;
      case kPfCheckBoxItem:
        proc = kPfCheckBoxProc;
        break;
      case kPfRadioItem:
        proc = kPfRadioButProc;
        break;
      case kPfResControlItem: {
        SPfControlTemplate t;
        if (PfGetControlTemplate(item.resId, &t))
          item.control = PfNewControl(w, item.rect, t.titleUTF8, true, t.value, t.minimum, t.maximum, t.procId, 0);
        break;
      }
      default:
        break;
    }
    if (proc >= 0) item.control = PfNewControl(w, item.rect, item.text.c_str(), true, 0, 0, 1, proc, 0);
  }
  for (size_t i = 0; i < d->items.size(); ++i) {
    if (IsEdit(d->items[i])) {
      if (!d->te) d->te = PfTENew(w, d->items[i].rect, d->items[i].rect);
      if (!d->focus && !IsHidden(d->items[i].rect)) {
        PfDialogSetFocus(d, (int16_t)(i + 1), 0, 32767);
      }
    }
  }
  if (visible) {
    PfShowWindow(w);
    if (inFront) PfSelectWindow(w);
  }
  return d;
}

void PfDialogFree(PfDialogRef d) {
  PfGlobals& g = PfG();
  g.dialogs.erase(std::remove(g.dialogs.begin(), g.dialogs.end(), d), g.dialogs.end());
  if (d->te) PfTEDispose(d->te);
  PfWindowRef w = d->window;
  w->dialog = nullptr;
  FreeDialogRecord(d);
  PfDisposeWindow(w);
}

void PfDisposeDialog(PfDialogRef dialog) {
  if (Live(dialog)) PfDialogFree(dialog);
}

bool PfIsValidDialog(PfDialogRef dialog) { return Live(dialog); }
int32_t PfLiveDialogCount() { return (int32_t)PfG().dialogs.size(); }
PfWindowRef PfGetDialogWindow(PfDialogRef dialog) { return Live(dialog) ? dialog->window : nullptr; }
uint32_t PfGetDialogFlags(PfDialogRef dialog) { return Live(dialog) ? dialog->flags : 0; }
PfRefCon PfGetDialogRefCon(PfDialogRef dialog) { return Live(dialog) ? dialog->refCon : 0; }
void PfSetDialogRefCon(PfDialogRef dialog, PfRefCon refCon) {
  if (Live(dialog)) dialog->refCon = refCon;
}

PfDialogItemRec* PfDialogItemAt(PfDialogRef dialog, int16_t item) {
  if (!Live(dialog) || item < 1 || item > (int16_t)dialog->items.size()) return nullptr;
  return &dialog->items[(size_t)item - 1];
}

int16_t PfCountDialogItems(PfDialogRef dialog) { return Live(dialog) ? (int16_t)dialog->items.size() : 0; }

int32_t PfGetDialogItemKind(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  return i ? i->kind : -1;
}

void PfSetDialogItemKind(PfDialogRef dialog, int16_t item, uint8_t kind) {
  if (PfDialogItemRec* i = PfDialogItemAt(dialog, item)) i->kind = kind;
}

bool PfGetDialogItemRect(PfDialogRef dialog, int16_t item, PfRect* rect) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i) return false;
  if (rect) *rect = i->rect;
  return true;
}

void PfSetDialogItemRect(PfDialogRef dialog, int16_t item, const PfRect& rect) {
  if (PfDialogItemRec* i = PfDialogItemAt(dialog, item)) {
    i->rect = rect;
    if (dialog->focus == item && dialog->te) PfTESetRects(dialog->te, rect, rect);
  }
}

PfControlRef PfGetDialogItemControl(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  return i ? i->control : nullptr;
}

void PfSetDialogItemControl(PfDialogRef dialog, int16_t item, PfControlRef control, bool disposeOld) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i) return;
  PfControlRef old = i->control;
  i->control = control;
  if (disposeOld && old && old != control) PfDisposeControl(old);
}

PfUserItemProc PfGetDialogItemProc(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  return i ? i->proc : nullptr;
}

void PfSetDialogItemProc(PfDialogRef dialog, int16_t item, PfUserItemProc proc) {
  if (PfDialogItemRec* i = PfDialogItemAt(dialog, item)) i->proc = proc;
}

int16_t PfGetDialogItemResId(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  return i ? i->resId : 0;
}

void PfSetDialogItemText(PfDialogRef dialog, int16_t item, const char* text) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i) return;
  std::string clean = PfCleanUTF8(text);
  std::string t = CutItemText(clean.data(), clean.size());
  i->text = t;
  if (dialog->focus == item && dialog->te) {
    PfTESetText(dialog->te, t.data(), (int32_t)t.size());
  }
  PfInvalWindowRect(dialog->window, i->rect);
}

int32_t PfGetDialogItemText(PfDialogRef dialog, int16_t item, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i) return 0;
  const std::string& full = (dialog->focus == item && dialog->te) ? std::string(PfTEGetText(dialog->te)) : i->text;
  // Item texts are read as the platform keeps them: at most the item limit.
  size_t n = PfUTF8CutLength(full.data(), full.size(), kPfItemTextLimit);
  return (int32_t)PfUTF8CopyCut(buffer, (size_t)size, full.data(), n);
}

void PfHideDialogItem(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i || IsHidden(i->rect)) return;
  PfInvalWindowRect(dialog->window, i->rect);
  PfOffsetRect(&i->rect, kPfHiddenItemOffset, 0);
  if (i->control) PfHideControl(i->control);
}

void PfShowDialogItem(PfDialogRef dialog, int16_t item) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i || !IsHidden(i->rect)) return;
  PfOffsetRect(&i->rect, -kPfHiddenItemOffset, 0);
  if (i->control) PfShowControl(i->control);
  PfInvalWindowRect(dialog->window, i->rect);
}

int16_t PfFindDialogItem(PfDialogRef dialog, PfPoint local) {
  if (!Live(dialog)) return 0;
  for (size_t i = 0; i < dialog->items.size(); ++i) {
    const PfDialogItemRec& item = dialog->items[i];
    if (IsHidden(item.rect)) continue;
    PfRect r = item.rect;
    if (item.control) PfGetControlBounds(item.control, &r);
    if (PfPtInRect(local, r)) return (int16_t)(i + 1);
  }
  return 0;
}

void PfSetDialogDefaultItem(PfDialogRef dialog, int16_t item) {
  if (Live(dialog)) dialog->defaultItem = item;
}
int16_t PfGetDialogDefaultItem(PfDialogRef dialog) { return Live(dialog) ? dialog->defaultItem : 0; }
void PfSetDialogCancelItem(PfDialogRef dialog, int16_t item) {
  if (Live(dialog)) dialog->cancelItem = item;
}
int16_t PfGetDialogCancelItem(PfDialogRef dialog) { return Live(dialog) ? dialog->cancelItem : 0; }

void PfDialogSetFocus(PfDialogRef d, int16_t item, int32_t start, int32_t end) {
  if (!d->te) return;
  if (item != d->focus) {
    StoreFocusText(d);
    d->focus = item;
    if (item >= 1) {
      PfDialogItemRec& rec = d->items[(size_t)item - 1];
      PfTESetText(d->te, rec.text.data(), (int32_t)rec.text.size());
      PfTESetRects(d->te, rec.rect, rec.rect);
      if (d->window->active) PfTEActivate(d->te);
    } else {
      PfTEDeactivate(d->te);
    }
  }
  if (item >= 1) PfTESetSelect(d->te, start, end);
}

void PfSelectDialogItemText(PfDialogRef dialog, int16_t item, int32_t start, int32_t end) {
  PfDialogItemRec* i = PfDialogItemAt(dialog, item);
  if (!i || !IsEdit(*i)) return;
  PfDialogSetFocus(dialog, item, start, end);
}

int16_t PfGetDialogKeyboardFocusItem(PfDialogRef dialog) { return Live(dialog) ? dialog->focus : 0; }
PfTEHandle PfGetDialogTextEdit(PfDialogRef dialog) { return Live(dialog) ? dialog->te : nullptr; }

void PfDrawDialogItem(PfDialogRef dialog, int16_t item) {
  if (!PfDialogItemAt(dialog, item)) return;
  PfWindowRef saved = PfGetPort();
  PfSetPort(dialog->window);
  DrawItem(dialog, item);
  PfSetPort(saved);
}

void PfDrawDialog(PfDialogRef dialog) {
  if (!Live(dialog)) return;
  PfWindowRef saved = PfGetPort();
  PfSetPort(dialog->window);
  PfRect all = dialog->window->content;
  PfOffsetRect(&all, -all.left, -all.top);
  PfEraseRect(all);
  for (int16_t i = 1; i <= (int16_t)dialog->items.size() && Live(dialog); ++i) DrawItem(dialog, i);
  // Controls that are no item (list scroll bars) are drawn too.
  if (Live(dialog)) {
    std::vector<PfControlRef> cs = dialog->window->controls;
    for (PfControlRef c : cs) {
      bool isItem = false;
      for (const PfDialogItemRec& item : dialog->items) isItem = isItem || item.control == c;
      if (!isItem) PfDrawOneControl(c);
    }
    dialog->window->invalid = false;
  }
  PfSetPort(saved);
}

bool PfIsDialogEvent(const PfEvent* event) { return event && DialogOfEvent(*event) != nullptr; }

bool PfDialogSelect(const PfEvent* event, PfDialogRef* dialog, int16_t* itemHit) {
  if (dialog) *dialog = nullptr;
  if (itemHit) *itemHit = 0;
  if (!event) return false;
  PfDialogRef d = DialogOfEvent(*event);
  if (!d) return false;
  if (dialog) *dialog = d;
  int16_t hit = 0;
  bool got = HandleEvent(d, *event, &hit);
  if (itemHit) *itemHit = hit;
  return got;
}

int32_t PfModalStallCount() { return M().stalls; }
void PfSetModalStallTicks(uint32_t ticks) { M().stallTicks = ticks ? ticks : 1; }

void PfModalDialog(PfModalFilterProc filter, int16_t* itemHit) {
  int16_t dummy;
  if (!itemHit) itemHit = &dummy;
  *itemHit = 0;
  uint32_t idleSince = PfTickCount();
  int32_t stallsHere = 0;
  for (;;) {
    PfWindowRef front = nullptr;
    for (PfWindowRef w : PfG().windows) {
      if (w->visible && w->dialog) {
        front = w;
        break;
      }
    }
    if (!front) return;
    PfDialogRef d = front->dialog;
    PfEvent ev;
    bool got = PfWaitNextEvent(kPfEveryEvent, &ev, 1);
    if (!got) {
      if (PfTickCount() - idleSince >= M().stallTicks) {
        // Nobody is there to answer: ask the dialog to cancel; a dialog that
        // cannot be cancelled gets the step back with no item (-1).
        ++M().stalls;
        if (++stallsHere > 3) {
          *itemHit = -1;
          return;
        }
        idleSince = PfTickCount();
        PfPostKeyDown('.', kPfCmdKey);
      }
    } else {
      idleSince = PfTickCount();
    }
    // Events of other windows: updates and activations go to the dispatcher.
    if (got && (ev.what == kPfUpdateEvt || ev.what == kPfActivateEvt) && PfEventWindow(ev) != front) {
      PfWindowRef w = PfEventWindow(ev);
      if (PfIsLiveWindow(w) && w->dialog) {
        int16_t ignored;
        HandleEvent(w->dialog, ev, &ignored);
      }
      continue;
    }
    *itemHit = 0;
    if (filter && filter(d, &ev, itemHit)) return;
    if (!Live(d)) return;
    if (!got) continue;
    if (ev.what == kPfMouseDown) {
      PfWindowRef at;
      PfFindWindow(ev.where, &at);
      if (at != front) {
        PfSysBeep();
        PfEvent up;
        PfTakeMouseUp(&up);
        continue;
      }
    }
    int16_t hit = 0;
    if (HandleEvent(d, ev, &hit) && hit > 0) {
      *itemHit = hit;
      return;
    }
  }
}
